#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/controls/action_link.h"
#include "platform/controls/control_input.h"
#include "platform/controls/control_observer_list.h"
#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"

namespace halbrin::platform {

class TWinControl;

// Where a control sits in its parent's client area; the align layout reads it.
enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

const TEnumInfo& AlignInfo();

// alTop, alBottom, alLeft or alRight.
constexpr bool IsSideAlign(TAlign align) noexcept {
  return align == alTop || align == alBottom || align == alLeft || align == alRight;
}

// Both along the top and bottom, or both along the left and right.
constexpr bool AlignsOnSameAxis(TAlign a, TAlign b) noexcept {
  const auto vertical = [](TAlign x) { return x == alTop || x == alBottom; };
  const auto horizontal = [](TAlign x) { return x == alLeft || x == alRight; };
  return (vertical(a) && vertical(b)) || (horizontal(a) && horizontal(b));
}

// A control's size limits in pixels; 0 is no limit. A minimum is never above
// a set maximum: raising the minimum past the maximum raises the maximum, and
// lowering the maximum below the minimum lowers the minimum.
class TSizeConstraints : public TPersistent {
  HALBRIN_CLASS(TSizeConstraints, TPersistent)

  TSizeConstraints() = default;

  int MinWidth() const noexcept { return m_minWidth; }
  int MinHeight() const noexcept { return m_minHeight; }
  int MaxWidth() const noexcept { return m_maxWidth; }
  int MaxHeight() const noexcept { return m_maxHeight; }
  // Negative values count as 0.
  void SetMinWidth(int value);
  void SetMinHeight(int value);
  void SetMaxWidth(int value);
  void SetMaxHeight(int value);

  // A size brought inside the limits (and never below 0).
  int ConstrainWidth(int width) const noexcept;
  int ConstrainHeight(int height) const noexcept;

  void Assign(const TPersistent& source) override;

  // Told after each change; the owning control re-applies its bounds.
  void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

 private:
  void Changed();

  int m_minWidth = 0;
  int m_minHeight = 0;
  int m_maxWidth = 0;
  int m_maxHeight = 0;
  std::function<void()> m_onChange;
};

// The class library's control, display-free: a parent, an alignment, bounds
// in the parent's client coordinates (screen coordinates for a top-level),
// visibility, enabled state, text, colour and font, and observers told of
// each change (see ControlEvent). TWinControl adds the window.
class TControl : public TComponent {
  HALBRIN_CLASS(TControl, TComponent)

  explicit TControl(TComponent* owner = nullptr);
  ~TControl() override;

  TWinControl* Parent() const noexcept { return m_parent; }
  // Appends the control to the new parent's children (on top of them).
  // Raises EInvalidOperation "A control cannot have itself as its parent" for
  // the control itself or one of its own descendants.
  void SetParent(TWinControl* parent);

  TAlign Align() const noexcept { return m_align; }
  // The parent realigns its children (see TWinControl::Realign).
  void SetAlign(TAlign align);

  int Left() const noexcept { return m_bounds.Left; }
  int Top() const noexcept { return m_bounds.Top; }
  int Width() const noexcept { return m_bounds.Width(); }
  int Height() const noexcept { return m_bounds.Height(); }
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  // The size is brought inside Constraints first.
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const noexcept { return m_bounds; }
  void SetBoundsRect(const TRect& rect) { SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height()); }
  // The client area at the origin: the bounds' size, less the non-client
  // margins of a windowed control.
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }

  TSizeConstraints& Constraints() noexcept { return m_constraints; }
  const TSizeConstraints& Constraints() const noexcept { return m_constraints; }

  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so is every parent up to a top-level that has its window.
  virtual bool Showing() const;

  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled);

  const std::string& Text() const noexcept { return m_text; }
  void SetText(const std::string& text);

  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& hint) { m_hint = hint; }

  // The action the control follows (Text, Enabled, Visible and Hint come
  // from it); null when none, also once the action was freed.
  TCustomAction* Action() const noexcept { return m_actionLink ? m_actionLink->Action() : nullptr; }
  void SetAction(TCustomAction* action);
  TActionLink* ActionLink() const noexcept { return m_actionLink.get(); }

  // OnClick when it is assigned and is not the action's OnExecute; else the
  // action, through the link; else OnClick.
  virtual void Click();
  TNotifyEvent& OnClick() noexcept { return m_onClick; }

  // Input events. They are stored here and published by the classes that
  // show them (forms, frames); TWinControl's Window...Input members raise them.
  TNotifyEvent& OnDblClick() noexcept { return m_onDblClick; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }
  TMouseEvent& OnMouseUp() noexcept { return m_onMouseUp; }
  TMouseMoveEvent& OnMouseMove() noexcept { return m_onMouseMove; }
  TMouseWheelUpDownEvent& OnMouseWheelDown() noexcept { return m_onMouseWheelDown; }
  TMouseWheelUpDownEvent& OnMouseWheelUp() noexcept { return m_onMouseWheelUp; }
  TNotifyEvent& OnMouseEnter() noexcept { return m_onMouseEnter; }
  TNotifyEvent& OnMouseLeave() noexcept { return m_onMouseLeave; }
  TKeyEvent& OnKeyDown() noexcept { return m_onKeyDown; }
  TKeyEvent& OnKeyUp() noexcept { return m_onKeyUp; }
  TKeyPressEvent& OnKeyPress() noexcept { return m_onKeyPress; }
  TContextPopupEvent& OnContextPopup() noexcept { return m_onContextPopup; }

  TColor Color() const noexcept { return m_color; }
  void SetColor(TColor color);
  TFont& Font() noexcept { return m_font; }
  const TFont& Font() const noexcept { return m_font; }
  void SetFont(const TFont& font) { m_font.Assign(font); }

  // Moves the control to the top (the end) or the bottom (the start) of its
  // parent's children; a top-level window is raised or lowered.
  void BringToFront();
  void SendToBack();

  // Asks for a repaint.
  virtual void Invalidate();

  // Observers are told of each change of this control (see ControlObserverList).
  ObserverToken AddObserver(ControlObserverList::Observer observer) { return m_observers.Add(std::move(observer)); }
  bool RemoveObserver(ObserverToken token) { return m_observers.Remove(token); }
  // Tells the observers CloseRequested: a skin closed this pane and has hidden it already.
  void NotifyCloseRequested() { Notify(ControlEvent::CloseRequested); }

 protected:
  void Notify(ControlEvent event) { m_observers.Notify(*this, event); }

  // What each input does; the defaults fire the matching event. Positions
  // are in the control's client coordinates.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  // One wheel step, down (towards the user) or up; true when handled.
  virtual bool MouseWheel(bool down, TShiftState shift, TPoint pos);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void DblClick();
  virtual void KeyDown(std::uint16_t& key, TShiftState shift);
  virtual void KeyUp(std::uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // A context menu is asked for at `pos` ((-1, -1) from the keyboard); true when handled.
  virtual bool ContextPopup(TPoint pos);

  TNotifyEvent m_onDblClick;
  TMouseEvent m_onMouseDown;
  TMouseEvent m_onMouseUp;
  TMouseMoveEvent m_onMouseMove;
  TMouseWheelUpDownEvent m_onMouseWheelDown;
  TMouseWheelUpDownEvent m_onMouseWheelUp;
  TNotifyEvent m_onMouseEnter;
  TNotifyEvent m_onMouseLeave;
  TKeyEvent m_onKeyDown;
  TKeyEvent m_onKeyUp;
  TKeyPressEvent m_onKeyPress;
  TContextPopupEvent m_onContextPopup;

  // Where a windowed control passes each change on to its window.
  virtual void ApplyBounds() {}
  virtual void ApplyVisible() {}
  virtual void ApplyEnabled() {}
  virtual void ApplyText() {}
  virtual void ApplyZOrder(bool /*toFront*/) {}
  // Around a change of parent: the old one is still set in ParentChanging.
  virtual void ParentChanging() {}
  virtual void ParentChanged() {}
  // The link SetAction makes; clients with more to follow return their own.
  virtual std::unique_ptr<TActionLink> CreateActionLink();

  // Stores bounds the window system already gave the window, without passing
  // them back, and tells the observers what changed.
  void StoreBounds(const TRect& bounds);

 private:
  friend class TWinControl;

  void FontChanged(TObject* sender);
  void DetachFromParent() noexcept;
  // After a bounds change: the children of a resized windowed control and
  // the siblings of an aligned one are laid out again.
  void RealignAfter(const TRect& old);

  TWinControl* m_parent = nullptr;
  TAlign m_align = alNone;
  TRect m_bounds;
  TSizeConstraints m_constraints;
  bool m_visible = true;
  bool m_enabled = true;
  std::string m_text;
  std::string m_hint;
  std::unique_ptr<TActionLink> m_actionLink;
  TNotifyEvent m_onClick;
  TColor m_color = SystemColor(15);  // button face
  TFont m_font;
  ControlObserverList m_observers;
};

}  // namespace halbrin::platform
