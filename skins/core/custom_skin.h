#pragma once

// The base of every skin: a component on one windowed control that, while
// enabled, strips the window's decorations and paints, hit-tests and handles
// the non-client area itself (caption and footer bands, window buttons, tool
// buttons, the icon, the frame). It reaches the real window only through an
// IWindowHost and hears of it through IWindowHostClient and the control's
// observers.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/framework/std_events_component.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/controls/action_list.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/timer_source.h"
#include "skins/core/bands.h"
#include "skins/core/caption_bands.h"
#include "skins/core/skin_buttons.h"
#include "skins/core/skin_icon.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_timers.h"
#include "skins/core/skin_windows.h"
#include "skins/core/sub_skin.h"
#include "skins/core/tool_buttons.h"
#include "skins/core/window_buttons.h"
#include "skins/core/window_host.h"

namespace halbrin::skins {

using platform::TWinControl;

// The skin's own timer numbers.
inline constexpr int kSkinTimerRedraw = 1001;  // the deferred redraw after deactivation
inline constexpr int kSkinTimerFlash = 1008;   // the caption flash
inline constexpr int kRedrawDelayMs = 50;
// Flash(-1): as good as for ever.
inline constexpr int kFlashForever = 0x3FFFFFFF;
// A press moved further than this starts a button drag.
inline constexpr int kButtonDragThreshold = 4;

// (Sender, Source, X, Y, State, var Accept)
using TSkinDragOverEvent = platform::TEvent<platform::TObject*, platform::TObject*, int, int, TDragState, bool&>;
// (Sender, Source, X, Y)
using TSkinDragDropEvent = platform::TEvent<platform::TObject*, platform::TObject*, int, int>;
// (Sender, Target, X, Y): Target is the skin dropped on, or null.
using TSkinEndDragEvent = platform::TEvent<platform::TObject*, platform::TObject*, int, int>;
// (Item, var Text)
using TSkinEditItemEvent = platform::TEvent<platform::TObject*, std::string&>;
// (Sender, var Hint)
using TSkinItemHintEvent = platform::TEvent<platform::TObject*, std::string&>;
// (Sender, var Moveable)
using TSkinGetMoveableEvent = platform::TEvent<platform::TObject*, bool&>;
// (Sender, Menu)
using TSkinPopupComponentEvent = platform::TEvent<platform::TObject*, platform::TObject*>;

// The element under the mouse or held by it. It holds the element weakly,
// so an element freed meanwhile reads as none.
struct TSkinElement {
  enum class Kind : std::uint8_t { None, Bands, Band, BandItem, Button, Buttons, Icon, Splitter };
  Kind kind = Kind::None;
  platform::TWeakRef<platform::TObject> object;

  TSkinElement() = default;
  TSkinElement(Kind k, platform::TObject* o) : kind(o ? k : Kind::None), object(o) {}

  // The element, or null when none or gone.
  platform::TObject* Get() const { return kind == Kind::None ? nullptr : object.Get(); }
  bool IsNone() const { return Get() == nullptr; }
  template <class T>
  T* As() const {
    return dynamic_cast<T*>(Get());
  }
  friend bool operator==(const TSkinElement& a, const TSkinElement& b) {
    return a.Get() == b.Get() && (a.Get() == nullptr || a.kind == b.kind);
  }
};

// Where the mouse is and what it holds: the part of the mouse tracker the skin keeps itself.
struct TSkinMouseState {
  TSkinElement hot;
  TSkinElement pressed;
  // X is -1 when nothing is pressed.
  TPoint pressPoint{-1, -1};
  TMouseButton pressButton = TMouseButton::mbLeft;
  TWindowPointer lastPointer;
  bool insideControl = false;
};

// The results a min/max query gives the window: the smallest and largest track sizes.
struct TSkinMinMaxInfo {
  TSize minTrack;
  TSize maxTrack;
};

class TZebrinCustomSkin : public platform::TComponent,
                          public IManagedSkin,
                          public ISkinBandHost,
                          public ISkinButtonsOwner,
                          public IWindowHostClient {
  HALBRIN_CLASS(TZebrinCustomSkin, platform::TComponent)

  // Makes the manager when there is none and registers with it.
  explicit TZebrinCustomSkin(platform::TComponent* owner = nullptr);
  ~TZebrinCustomSkin() override;

  // ---- The control and the hook ----
  TWinControl* Control() const noexcept { return m_control; }
  // The same control does nothing; a control another skin is on raises
  // ESkinException "<control> already skinned by <skin>" and keeps the old one.
  void SetControl(TWinControl* control);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool value);
  // The value Enabled takes when loading ends or a control is set.
  bool RememberedEnabled() const noexcept { return m_rememberedEnabled; }
  // Loading ends: Enabled takes the remembered value.
  void Loaded();
  bool HasControl() const noexcept { return m_control != nullptr; }
  bool HasWindow() const;
  // Hooked: the skin is on the window (host made, decorations stripped).
  bool Hooked() const noexcept { return m_host != nullptr; }
  IWindowHost* Host() const noexcept { return m_host.get(); }

  // ---- Published ----
  platform::TCustomActionList* ActionList() const noexcept { return m_actionList; }
  // A list adds a menu item for each of its actions to the skin's own popup
  // menu (AddActionItem); nil frees that menu.
  void SetActionList(platform::TCustomActionList* value);
  bool ActiveTrack() const noexcept { return m_activeTrack; }
  void SetActiveTrack(bool value);
  TZebrinSkinWindowButtons* Buttons() const noexcept { return m_buttons.get(); }
  TZebrinSkinCaptionBands* Caption() const noexcept { return m_caption.get(); }
  bool ContentEditable() const noexcept { return m_contentEditable; }
  void SetContentEditable(bool value) noexcept { m_contentEditable = value; }
  TZebrinSkinFooterBands* Footer() const noexcept { return m_footer.get(); }
  bool HotTrack() const noexcept { return m_hotTrack; }
  // Off ends the tracker's hover of this skin's element.
  void SetHotTrack(bool value);
  TZebrinSkinIcon* Icon() const noexcept { return m_icon.get(); }
  bool Minimized() const { return IsMinimized(); }
  void SetMinimized(bool value);
  bool Moveable() const noexcept { return m_moveable; }
  void SetMoveable(bool value) noexcept { m_moveable = value; }
  bool ShowHint() const noexcept { return m_showHint; }
  // Off hides the hint when it follows this skin's element.
  void SetShowHint(bool value);
  TZebrinCustomSubSkin* SubSkin() const noexcept { return m_subSkin; }
  // Raises ESubSkinException "Impossible to insert SubSkin to the same chain"
  // for a link further down this skin's chain; a link of another chain leaves it.
  void SetSubSkin(TZebrinCustomSubSkin* value);
  // Offers a window event down the sub-skin chain; true when a link handled it.
  bool OfferSubSkins(TSubSkinMessage message);
  TZebrinSkinTimers* Timers() const noexcept { return m_timers.get(); }
  TZebrinSkinToolButtons* ToolButtons() const noexcept { return m_toolButtons.get(); }

  // ---- Published by form and control skins ----
  bool AutoButtons() const override { return m_autoButtons; }
  platform::TAlign ControlAlign() const override { return m_control ? m_control->Align() : platform::alNone; }
  void SetAutoButtons(bool value);
  bool AutoConstraints() const noexcept { return m_autoConstraints; }
  void SetAutoConstraints(bool value);
  bool EraseBackground() const noexcept { return m_eraseBackground; }
  void SetEraseBackground(bool value);
  bool DefaultNCPaint() const noexcept { return m_defaultNCPaint; }
  void SetDefaultNCPaint(bool value) noexcept { m_defaultNCPaint = value; }
  // The window buttons BuildSystemButtons makes, in order.
  virtual std::vector<TZebrinSkinButtonStyle> DefaultButtons() const;
  // The skin's own popup menu, which elements drop down and the caption's
  // right click opens; made by AddActionItem, owned by the skin, null
  // before (and once freed).
  platform::TPopupMenu* PopupMenu() const noexcept { return m_popupMenu; }
  // Adds a menu item linked to `action` to the skin's own popup menu (made on
  // first use) at `index` (negative or past the end: appended): inside the
  // submenu captioned with the action's Category when it has one (found by
  // caption, letter case ignored, else appended), a separator for a null
  // action. The menu takes the images of the action's list. With AutoButtons
  // and a combo or check among DefaultButtons, a combo window button is added
  // when there is none. Then UpdateButtons.
  void AddActionItem(platform::TCustomAction* action, int index = -1);
  // A control shown at an element's corner instead of the menu.
  platform::TComponent* PopupControl() const noexcept { return m_popupControl; }
  void SetPopupControl(platform::TComponent* value);

  // ---- State ----
  bool Horizontal() const noexcept { return m_horizontal; }
  int LastHitCode() const noexcept { return m_lastHit; }
  const TSkinMouseState& Mouse() const noexcept { return m_mouse; }
  // Active when ActiveTrack is off, else the tracked activation.
  virtual bool GetActive() const;
  virtual void SetActive(bool active);
  bool IsFramed() const noexcept { return m_saved.framed; }
  bool IsSizable() const noexcept { return m_saved.sizable; }
  virtual bool IsMaximized() const;
  virtual bool IsMinimized() const;
  bool IsNormal() const { return !IsMaximized() && !IsMinimized(); }
  virtual bool HasButtons() const;
  // Moveable, as OnGetMoveable may change it.
  virtual bool GetMoveable();
  // The traits the window had when hooked.
  const platform::TWindowTraits& SavedTraits() const noexcept { return m_saved; }
  // The bounds the skin keeps for the normal state (taken at hook time; a
  // form skin follows the normal state, a pane skin its expanded extent).
  const TRect& NormalBounds() const noexcept { return m_savedBounds; }
  void SetNormalBounds(const TRect& bounds) noexcept { m_savedBounds = bounds; }

  // The window commands; nothing without a window.
  virtual void Maximize();
  virtual void Minimize();
  virtual void Restore();
  virtual void Close();
  void ContextHelp();

  // ---- Flashing ----
  void Flash(int count);
  void StopFlash() { Flash(0); }
  bool Flashing() const noexcept { return m_flashCount > 0; }
  int FlashCount() const noexcept { return m_flashCount; }
  bool CaptionFlashOn() const override { return (m_flashCount & 1) != 0; }

  // ---- Repaint ----
  // The shared settings changed: Refresh when enabled.
  virtual void Changed();
  // RecalcFrame when the window exists and the skin is neither loading nor going.
  virtual void Refresh();
  // Repaints the frame when enabled, with a window and the control visible.
  virtual void Redraw();
  // Recomputes the non-client margins, unless the repaint lock is held.
  virtual void RecalcFrame();
  // Holds RecalcFrame off while the skin changes several things.
  void LockRepaint() noexcept { ++m_repaintLock; }
  void UnlockRepaint() noexcept { --m_repaintLock; }

  // ---- Skin timers: on the window, nothing without one ----
  void SetSkinTimer(int id, std::uint32_t intervalMs);
  void KillSkinTimer(int id);
  bool SkinTimerActive(int id) const;
  // The armed timer's period; 0 when it is not armed.
  std::uint32_t SkinTimerInterval(int id) const;

  // ---- Geometry ----
  virtual bool IsCaptionHorizontal(const TRect& bounds) const;
  // The frame at the origin, from the last resize; empty without a window.
  virtual TRect GetBoundsRect() const;
  // The bounds less the manager's FrameInset when framed.
  virtual TRect GetFrameRect() const;
  // The frame the caption and footer lay out in.
  virtual TRect GetClientFrameRect() const { return GetFrameRect(); }
  // The client rectangle for a window rectangle: caption and footer taken off.
  virtual TRect AdjustRect(const TRect& windowRect);
  virtual TSize GetMinSize() const;
  virtual TSize GetConstraints() const;
  // The track sizes from `defaults` (the window system's).
  virtual TSkinMinMaxInfo GetMinMaxInfo(TSkinMinMaxInfo defaults) const;
  // The client rectangle of the last resize.
  const TRect& ClientRect() const noexcept { return m_clientRect; }

  // ---- Elements ----
  virtual TSkinElement ItemAtPos(TPoint windowPoint) const;
  // The system menu's items for the window's state.
  virtual TSystemMenuState SystemMenuState() const;
  // Opens the system menu at a screen point (only with a system menu) and runs the choice.
  void ShowSystemMenu(TPoint screen);
  // The element's drop-down at its corner: the pop-up control placed there
  // (kept inside the work area) and shown; else the skin's own popup menu,
  // or the control's PopupMenu, popped up there (PopupMenuAt).
  void DropDown(const TRect& elementRect);

  // ---- Window buttons ----
  virtual void BuildSystemButtons();
  virtual void UpdateButtons();
  virtual void UpdateButtonStates(int index);
  // "Close|Alt+F4" and so on: the hint of a window button's style.
  static std::string WindowButtonHint(TZebrinSkinButtonStyle style);

  // ---- Button drags between skins (the manager calls these) ----
  // May a button dragged from `source` be dropped at the screen point? OnDragOver answers.
  bool ButtonDragOver(platform::TObject& source, TPoint screen, TDragState state) override;
  void ButtonDragDrop(platform::TObject& source, TPoint screen) override;
  void ButtonDragEnd(IManagedSkin* target, TPoint screen) override;
  bool ContainsScreenPoint(TPoint screen) const override;

  // ---- IManagedSkin ----
  const platform::TComponent& SkinComponent() const override { return *this; }
  const platform::TComponent* SkinControl() const override { return m_control; }
  void SkinChanged() override { Changed(); }

  // ---- IWindowHostClient ----
  TRect FrameResized(TSize frame) override;
  void PaintFrame(ICanvas& canvas) override;
  // EraseBackground off: handled, nothing erased.
  bool EraseBackgroundHandled() override { return m_enabled && !m_eraseBackground; }
  int HitTest(TPoint pos) override;
  void PointerPress(const TWindowPointer& pointer) override;
  void PointerRelease(const TWindowPointer& pointer) override;
  void PointerDoubleClick(const TWindowPointer& pointer) override;
  void PointerMotion(const TWindowPointer& pointer) override;
  void PointerLeave() override;
  void ControlEnter() override;
  void ControlLeave() override;
  bool SetCursorFor(int hit) override;
  bool DialogKey(int key, TShiftState shift) override;
  void Activated(bool active) override { SetActive(active); }
  void ShowChanged(bool shown) override;
  void TextChanged() override;
  void EnabledChanged() override;
  void WindowStateChanged() override;

  // ---- ISkinBandHost ----
  TPoint WindowOrigin() const override;
  bool Designing() const override { return (ComponentState() & platform::csDesigning) != 0; }
  ISkinBandButtons* WindowButtonsIn(const TZebrinSkinBand& band) override;
  ISkinBandButtons* ToolButtonsIn(const TZebrinSkinBand& band) override;
  ISkinPainter* Painter() override;
  bool Active() const override { return GetActive(); }
  void RepaintBands(TZebrinSkinCustomBands& bands) override;
  void RefreshFrame() override { Refresh(); }
  bool CaptionHorizontal() const override { return m_horizontal; }
  TRect CaptionBandsRect() const override { return m_caption->BoundsRect(); }
  TRect CaptionIconRect(TPoint captionTopLeft) const override { return m_icon->RectAt(captionTopLeft); }
  void PaintCaptionIcon(ICanvas& canvas, TPoint origin) override { m_icon->Paint(canvas, origin); }
  std::string WindowText() const override { return m_control ? m_control->Text() : std::string(); }
  // Measured by the host; estimated without one.
  TSize TextExtent(std::string_view utf8, const platform::TFont& font) override;
  ISkinButtonsOwner* ButtonsOwner() override { return this; }

  // ---- ISkinButtonsOwner ----
  platform::TComponent* OwnerComponent() override { return this; }
  ISkinBandHost* BandHost() override { return this; }
  TZebrinSkinCustomBands* BandsAt(int bandsIndex) override;
  TZebrinSkinCustomBands* BandsAt(int bandsIndex) const;
  bool Loading() const override { return IsLoading() || (ComponentState() & platform::csReading) != 0; }
  bool ControlEnabled() const override { return m_control && m_control->Enabled(); }
  platform::TCustomImageList* WindowButtonImages(bool smallCaption) override;
  TShiftState KeyboardShift() const override { return m_mouse.lastPointer.shift & (ssShift | ssCtrl | ssAlt); }
  TPoint LastMousePos() const override { return m_mouse.lastPointer.pos; }
  // As the manager's isScreenCursorDefault answers.
  bool CursorIsDefault() const override;
  void SetCursor(TCursor cursor) override;
  void DesignerModified() override {}
  void ItemAdded(platform::TObject& item) override;
  void ItemDeleting(platform::TObject& item) override;
  void ItemPropertyUpdated(platform::TObject& item) override;
  void ForgetItem(const platform::TObject& item) override;
  bool ButtonClick(TZebrinSkinWindowButton& button) override;
  void SendWindowCommand(TWindowCommand command) override;
  void RunWindowOperation(TWindowCommand command) override;
  void OpenComboMenu(TZebrinSkinWindowButton& button) override;

  // ---- Events ----
  platform::TNotifyEvent& OnAddItem() noexcept { return m_onAddItem; }
  platform::TNotifyEvent& OnButtonClick() noexcept { return m_onButtonClick; }
  TMouseEvent& OnClick() noexcept { return m_onClick; }
  platform::TNotifyEvent& OnControlEnabled() noexcept { return m_onControlEnabled; }
  TMouseEvent& OnDblClick() noexcept { return m_onDblClick; }
  platform::TNotifyEvent& OnDeleteItem() noexcept { return m_onDeleteItem; }
  TSkinDragDropEvent& OnDragDrop() noexcept { return m_onDragDrop; }
  TSkinEndDragEvent& OnDragEnd() noexcept { return m_onDragEnd; }
  TSkinDragOverEvent& OnDragMove() noexcept { return m_onDragMove; }
  TSkinDragOverEvent& OnDragOver() noexcept { return m_onDragOver; }
  TSkinEditItemEvent& OnEditItem() noexcept { return m_onEditItem; }
  TSkinItemHintEvent& OnGetItemHint() noexcept { return m_onGetItemHint; }
  // OnGetItemHint with the element as Sender (the hint asks before the manager's handler).
  void GetItemHint(platform::TObject& item, std::string& text);
  TSkinGetMoveableEvent& OnGetMoveable() noexcept { return m_onGetMoveable; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }
  platform::TNotifyEvent& OnMouseEnter() noexcept { return m_onMouseEnter; }
  platform::TNotifyEvent& OnMouseLeave() noexcept { return m_onMouseLeave; }
  TMouseEvent& OnMouseUp() noexcept { return m_onMouseUp; }
  TSkinPopupComponentEvent& OnPopupComponent() noexcept { return m_onPopupComponent; }
  platform::TNotifyEvent& OnUpdateItemProperty() noexcept { return m_onUpdateItemProperty; }

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

  virtual void HookWindow();
  virtual void UnhookWindow();
  // A window command (button, system menu, Maximize()...) before the host
  // carries it out; true when the skin did it itself. Base: false.
  virtual bool HandleWindowCommand(TWindowCommand command);
  // The control moved or was resized.
  virtual void ControlBoundsChanged() {}
  // The skin timers' expiry.
  virtual void SkinTimerExpired(int id);
  // The skin or its control is going (destroyed or freed from a handler), or
  // the application is terminating: no more script events.
  bool Ending() const;
  // Runs a script call-out with the skin held; false when the skin or its
  // control went away meanwhile: the caller then returns at once.
  template <class F>
  bool CallOut(F&& call);
  // The hit code HitTest gives becomes the tracked one.
  void SetLastHitCode(int hit) noexcept { m_lastHit = hit; }
  // A press on the caption of a moveable skin or on a sizing strip: true when
  // the skin drags by itself instead of the window manager's move or resize.
  virtual bool BeginCaptionDrag(const TWindowPointer& /*press*/) { return false; }
  virtual bool BeginSizingDrag(int /*hit*/, const TWindowPointer& /*press*/) { return false; }
  // Pops `menu` up at a screen point for this skin: the hot element let go,
  // the menu's PopupComponent the skin, the manager's drag flag raised until
  // it closed. False when the skin or its control went meanwhile.
  bool PopupMenuAt(platform::TPopupMenu& menu, TPoint screen);

 private:
  class THostEvent;
  friend class THostEvent;

  // The hit code the window itself would give: the client area, the sizing
  // strip of a sizable frame, else nowhere.
  int DefaultHitTest(TPoint pos) const;
  void Press(const TWindowPointer& pointer);
  // The tracker holds the element pressed (again).
  void TrackPress(platform::TObject& element);
  void ReleasePressed();
  // The pop-up control at a screen point, moved inside the work area, shown.
  void ShowPopupControl(platform::TControl& control, TPoint screen, const TRect& work);
  void SetHot(const TSkinElement& element);
  // The hint follows the hot element while ShowHint is on.
  void FollowHint();
  void ClickElement(const TSkinElement& element, const TWindowPointer& pointer);
  void EditBandItem(TZebrinSkinCustomBandItem& item);
  bool StartButtonDragFrom(const TWindowPointer& pointer);
  void Execute(TWindowCommand command);
  // The control's observer: activation, show, text, enabled, resize.
  void ControlEvent(platform::ControlEvent event);
  // Gives up the host; destroyed later when one of its deliveries is running.
  void ReleaseHost();
  TSkinWindowButtonState WindowState() const;

  TWinControl* m_control = nullptr;
  bool m_enabled = false;
  bool m_rememberedEnabled = false;
  bool m_activeTrack = true;
  bool m_hotTrack = true;
  bool m_contentEditable = false;
  bool m_moveable = true;
  bool m_showHint = true;
  bool m_autoButtons = true;
  bool m_autoConstraints = true;
  bool m_eraseBackground = true;
  bool m_defaultNCPaint = false;
  bool m_horizontal = true;
  bool m_trackedActive = false;
  bool m_showing = false;  // as last offered to the sub-skins
  int m_lastHit = kHitNowhere;
  int m_flashCount = 0;
  int m_repaintLock = 0;
  int m_hostEvents = 0;  // host deliveries running
  TRect m_frameBounds;
  TRect m_clientRect;
  TRect m_savedBounds;
  platform::TWindowTraits m_saved;
  TSkinMouseState m_mouse;

  platform::TCustomActionList* m_actionList = nullptr;
  platform::TPopupMenu* m_popupMenu = nullptr;  // owned through the component list
  platform::TComponent* m_popupControl = nullptr;
  TZebrinCustomSubSkin* m_subSkin = nullptr;

  std::unique_ptr<TZebrinSkinToolButtons> m_toolButtons;
  std::unique_ptr<TZebrinSkinIcon> m_icon;
  std::unique_ptr<TZebrinSkinWindowButtons> m_buttons;
  std::unique_ptr<TZebrinSkinWindowButtons> m_loadedButtons;
  std::unique_ptr<TZebrinSkinCaptionBands> m_caption;
  std::unique_ptr<TZebrinSkinFooterBands> m_footer;
  std::unique_ptr<TZebrinSkinTimers> m_timers;

  std::unique_ptr<IWindowHost> m_host;
  platform::ObserverToken m_observer = 0;
  std::map<int, std::unique_ptr<platform::TimerSource>> m_skinTimers;
  std::unique_ptr<ISkinItemEditor> m_editor;

  platform::TNotifyEvent m_onAddItem;
  platform::TNotifyEvent m_onButtonClick;
  TMouseEvent m_onClick;
  platform::TNotifyEvent m_onControlEnabled;
  TMouseEvent m_onDblClick;
  platform::TNotifyEvent m_onDeleteItem;
  TSkinDragDropEvent m_onDragDrop;
  TSkinEndDragEvent m_onDragEnd;
  TSkinDragOverEvent m_onDragMove;
  TSkinDragOverEvent m_onDragOver;
  TSkinEditItemEvent m_onEditItem;
  TSkinItemHintEvent m_onGetItemHint;
  TSkinGetMoveableEvent m_onGetMoveable;
  TMouseEvent m_onMouseDown;
  platform::TNotifyEvent m_onMouseEnter;
  platform::TNotifyEvent m_onMouseLeave;
  TMouseEvent m_onMouseUp;
  TSkinPopupComponentEvent m_onPopupComponent;
  platform::TNotifyEvent m_onUpdateItemProperty;
};

template <class F>
inline bool TZebrinCustomSkin::CallOut(F&& call) {
  platform::TWeakRef<TZebrinCustomSkin> self(this);
  platform::TWeakRef<TWinControl> control(m_control);
  const bool hadControl = m_control != nullptr;
  {
    platform::TComponent::TBusyGuard guard(*this);
    call();
  }
  if (!self) return false;
  if (hadControl && (!control || control.Get() != m_control)) return false;
  return !Ending();
}

}  // namespace halbrin::skins
