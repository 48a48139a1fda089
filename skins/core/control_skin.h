#pragma once

// The skin of a pane: a windowed control inside a form that keeps its Align
// side, collapses to its caption and expands again (button, double click,
// hovering), sizes through a splitter strip on its free edge, docks to
// another side of its parent by a caption drag, and draws four margins.
// Splitter and caption drags are the skin's own: pointer events of its host,
// the pane resized or moved in its parent's align layout.

#include <memory>
#include <optional>

#include "platform/classes/method.h"
#include "platform/controls/control.h"
#include "skins/core/control_skin_parts.h"
#include "skins/core/custom_skin.h"

namespace halbrin::skins {

using platform::TAlign;

inline constexpr int kSkinTimerExpand = 1002;    // the hover expand
inline constexpr int kSkinTimerCollapse = 1003;  // the collapse after the mouse left
inline constexpr int kExpandDelayMs = 333;
inline constexpr int kCollapseDelayMs = 666;
// UpdateBounds' reason for an explicit save of the normal bounds.
inline constexpr int kBoundsReasonExplicit = 104;

// (Sender, Align, var Allow)
using TMoveAlignedEvent = platform::TEvent<platform::TObject*, TAlign, bool&>;
// (Sender, Align, var Rect)
using TGetAlignRectEvent = platform::TEvent<platform::TObject*, TAlign, TRect&>;
// (Sender, var Allow)
using TExpansionEvent = platform::TEvent<platform::TObject*, bool&>;

// The side a caption drag docks to with the cursor at `point` (the parent's
// client coordinates): the left, right, top and bottom eighths of `client`
// are tried in that order, those `style` allows for a pane at `current`;
// alNone when none holds the point.
TAlign DockSideAt(const TRect& client, TPoint point, TZebrinSkinConstrainStyle style, TAlign current);

class TZebrinControlSkin : public TZebrinCustomSkin {
  HALBRIN_CLASS(TZebrinControlSkin, TZebrinCustomSkin)

  explicit TZebrinControlSkin(platform::TComponent* owner = nullptr);
  ~TZebrinControlSkin() override;

  // ---- Published ----
  bool AutoExpand() const noexcept { return m_autoExpand; }
  void SetAutoExpand(bool value);
  int CollapseDelay() const noexcept { return m_collapseDelay; }
  void SetCollapseDelay(int value) noexcept { m_collapseDelay = value; }
  int ExpandDelay() const noexcept { return m_expandDelay; }
  void SetExpandDelay(int value) noexcept { m_expandDelay = value; }
  TZebrinSkinConstrainStyle ConstrainStyle() const noexcept { return m_constrainStyle; }
  void SetConstrainStyle(TZebrinSkinConstrainStyle value) noexcept { m_constrainStyle = value; }
  // ControlAlign (the base's: the control's Align) written moves the pane to that side.
  void SetControlAlign(TAlign value) { MoveAligned(value); }
  TZebrinSkinMargins* Margins() const noexcept { return m_margins.get(); }
  TZebrinSkinSplitter* Splitter() const noexcept { return m_splitter.get(); }
  // The window buttons made, as a set (141: close, restore, minimise, combo).
  TZebrinSkinButtonStyles DefaultButtonSet() const noexcept { return m_defaultButtons; }
  void SetDefaultButtonSet(TZebrinSkinButtonStyles value);
  std::vector<TZebrinSkinButtonStyle> DefaultButtons() const override;
  // The control's text.
  std::string Text() const;
  void SetText(const std::string& value);

  // ---- State ----
  bool AutoExpanded() const noexcept { return m_autoExpanded; }
  bool MovingAligned() const noexcept { return m_movingAligned; }
  bool Moved() const noexcept { return m_moved; }
  bool Resized() const noexcept { return m_resized; }
  // The control's bounds when the skin took it: the size a zero normal extent falls back to.
  const TRect& DeclaredBounds() const noexcept { return m_declaredBounds; }
  // A control aligned top, bottom, left or right, Splitter.Visible, and no
  // caption drag (during one only while collapsed).
  bool SplitterShown() const;
  // The sizing code of the free edge: alTop 15, alBottom 12, alLeft 11, alRight 10, else 0.
  int SplitterHitCode() const;
  // Stores the control's bounds as the normal bounds for the reasons that count.
  virtual void UpdateBounds(int reason);
  // The side change; false when nothing changed.
  bool MoveAligned(TAlign align);
  // Where the pane would dock for `align`, in the parent's client coordinates.
  TRect AlignTargetRect(TAlign align);

  bool IsMaximized() const override { return false; }
  // Collapsed.
  bool IsMinimized() const override;
  bool HasButtons() const override;
  bool GetMoveable() override;
  // Collapse, expand; Maximize expands too. Close hides the control and tells its observers.
  void Minimize() override;
  void Restore() override;
  void Maximize() override { Restore(); }
  void Close() override;

  // ---- Geometry ----
  bool IsCaptionHorizontal(const TRect& bounds) const override;
  TRect GetFrameRect() const override;
  TRect GetClientFrameRect() const override;
  TRect AdjustRect(const TRect& windowRect) override;
  TSize GetMinSize() const override;
  TSkinElement ItemAtPos(TPoint windowPoint) const override;
  // Recomputes the margin and splitter rectangles.
  void UpdateGeometry();

  // ---- IWindowHostClient ----
  void PaintFrame(ICanvas& canvas) override;
  int HitTest(TPoint pos) override;
  void PointerPress(const TWindowPointer& pointer) override;
  void PointerRelease(const TWindowPointer& pointer) override;
  void PointerDoubleClick(const TWindowPointer& pointer) override;
  void PointerMotion(const TWindowPointer& pointer) override;
  void ControlEnter() override;
  void ControlLeave() override;

  // ---- Events ----
  TMoveAlignedEvent& OnMoveAligned() noexcept { return m_onMoveAligned; }
  TMoveAlignedEvent& OnMovedAligned() noexcept { return m_onMovedAligned; }
  TMoveAlignedEvent& OnSizeAligned() noexcept { return m_onSizeAligned; }
  TGetAlignRectEvent& OnGetAlignRect() noexcept { return m_onGetAlignRect; }
  TExpansionEvent& OnBeforeCollapse() noexcept { return m_onBeforeCollapse; }
  TExpansionEvent& OnBeforeExpand() noexcept { return m_onBeforeExpand; }
  platform::TNotifyEvent& OnCollapse() noexcept { return m_onCollapse; }
  platform::TNotifyEvent& OnExpand() noexcept { return m_onExpand; }

 protected:
  void HookWindow() override;
  void UnhookWindow() override;
  void SkinTimerExpired(int id) override;
  bool BeginCaptionDrag(const TWindowPointer& press) override;
  bool BeginSizingDrag(int hit, const TWindowPointer& press) override;
  // The start and end of a splitter or caption drag.
  virtual void EnterSizeMove(int hit);
  virtual void ExitSizeMove();
  // A caption drag moves the pane to `bounds` (the parent's client coordinates).
  virtual void WindowPosChanging(TRect& bounds);

 private:
  enum class TDrag : std::uint8_t { None, Splitter, Caption };

  TRect SplitterRectIn(const TRect& frame) const;
  TRect FreeEdgeCut(TRect rect) const;
  void PartsChanged(bool recalc);
  void DragTo(const TWindowPointer& pointer);
  void EndDrag(bool finish);
  void ShowDockTarget(TAlign side);
  TPoint CursorInParent(TPoint screen) const;
  void FocusPane();

  bool m_autoExpand = false;
  int m_collapseDelay = kCollapseDelayMs;
  int m_expandDelay = kExpandDelayMs;
  bool m_autoExpanded = false;
  TZebrinSkinConstrainStyle m_constrainStyle = scsNone;
  TZebrinSkinButtonStyles m_defaultButtons = 141;
  TRect m_dragStart;
  bool m_movingAligned = false;
  bool m_moved = false;
  bool m_resized = false;
  TRect m_declaredBounds;

  // The own drag: what is dragged, where it started on the screen, the
  // parent's client origin on the screen, and the parent whose layout it holds.
  TDrag m_drag = TDrag::None;
  int m_dragHit = 0;
  TPoint m_dragScreen;
  TPoint m_dragOffset;
  TPoint m_parentOrigin;
  TPoint m_lastCursor;
  platform::TWeakRef<TWinControl> m_heldParent;
  std::unique_ptr<ISkinDockIndicator> m_dockIndicator;

  std::unique_ptr<TZebrinSkinSplitter> m_splitter;
  std::unique_ptr<TZebrinSkinMargins> m_margins;

  TMoveAlignedEvent m_onMoveAligned;
  TMoveAlignedEvent m_onMovedAligned;
  TMoveAlignedEvent m_onSizeAligned;
  TGetAlignRectEvent m_onGetAlignRect;
  TExpansionEvent m_onBeforeCollapse;
  TExpansionEvent m_onBeforeExpand;
  platform::TNotifyEvent m_onCollapse;
  platform::TNotifyEvent m_onExpand;
};

}  // namespace halbrin::skins
