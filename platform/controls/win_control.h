#pragma once

#include <vector>

#include "platform/classes/object.h"
#include "platform/controls/control.h"
#include "platform/controls/control_backend.h"

namespace halbrin::platform {

class TPopupMenu;

// The decorations a window has, as the form model sets them from its border
// style and icons. A skin saves them when it hooks a window, strips what it
// paints itself and puts them back when it lets go.
struct TWindowTraits {
  bool caption = false;
  bool border = false;
  bool clientEdge = false;
  bool sizable = false;
  bool framed = false;
  bool sysMenu = false;
  bool minBox = false;
  bool maxBox = false;
  bool contextHelp = false;
  bool toolWindow = false;

  friend bool operator==(const TWindowTraits&, const TWindowTraits&) = default;
};

// A control with a window (made by the current IControlBackend), children,
// non-client margins, focus and tab order. Children's bounds are in this
// control's client coordinates: inside the margins.
//
// A top-level control (no parent) gets its window from HandleNeeded() or when
// made visible; a child gets one whenever its parent has one. Destroying a
// parent destroys the children's windows and leaves the children without a
// parent; their owners still destroy them.
class TWinControl : public TControl {
  HALBRIN_CLASS(TWinControl, TControl)

  explicit TWinControl(TComponent* owner = nullptr);
  ~TWinControl() override;

  // Children from the bottom to the top: in the order they were given this
  // parent, changed by BringToFront and SendToBack.
  int ControlCount() const noexcept { return static_cast<int>(m_controls.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TControl* Controls(int index) const;
  // True for a child, a child's child and so on.
  bool ContainsControl(const TControl& control) const;
  // This control's top-level ancestor, or the control itself.
  TWinControl& TopLevel();
  const TWinControl& TopLevel() const;

  // --- The window ---
  bool HandleAllocated() const noexcept { return m_window != kNoWindow; }
  ControlWindow Window() const noexcept { return m_window; }
  // The backend that made the window; nullptr without one.
  IControlBackend* Backend() const noexcept { return m_backend; }
  // Makes the window (the parents' first) and the children's windows.
  void HandleNeeded();
  // Destroys the children's windows, then this one.
  void DestroyHandle();
  bool Showing() const override;

  const TWindowTraits& WindowTraits() const noexcept { return m_traits; }
  void SetWindowTraits(const TWindowTraits& traits);
  // Widths of the non-client area (Left, Top, Right, Bottom); negative ones count as 0.
  const TRect& NonClientMargins() const noexcept { return m_margins; }
  void SetNonClientMargins(const TRect& margins);
  TRect ClientRect() const override;

  // A widget of the toolkit that fills the client area (a web view); the
  // control never owns it. nullptr takes it out.
  NativeWidget ContentWidget() const noexcept { return m_content; }
  void SetContentWidget(NativeWidget widget);

  void Invalidate() override;
  // Repaints part of the window, in window coordinates (margins included).
  void InvalidateRect(const TRect& rect);

  // --- The align layout ---
  // Lays the children out by their Align inside the client rectangle (see
  // AlignLayout), in the order they were given this parent (stacking changes
  // do not count). Runs by itself when a child comes, goes, is shown or
  // hidden, changes its Align or bounds, and when this control's size or
  // non-client margins change. While disabled it only notes that it is due.
  void Realign();
  // Freeze and thaw the layout; they nest. The last EnableAlign realigns
  // when something asked for it meanwhile.
  void DisableAlign() noexcept { ++m_alignLock; }
  void EnableAlign();
  bool AlignDisabled() const noexcept { return m_alignLock > 0; }
  // The children in the order the layout takes them.
  const std::vector<TControl*>& AlignOrder() const noexcept { return m_alignOrder; }

  // --- Focus and tab order ---
  // This control is its top-level's focused control.
  bool Focused() const;
  // The top-level's focused control; nullptr when none.
  TWinControl* FocusedControl() const;
  // The top-level window is the active one (told by the backend).
  bool Active() const;
  // It and every parent are visible and enabled.
  virtual bool CanFocus() const;
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window".
  void SetFocus();
  bool TabStop() const noexcept { return m_tabStop; }
  void SetTabStop(bool tabStop) { m_tabStop = tabStop; }
  // The position among the parent's windowed children; -1 without parent.
  // Setting it moves the control there (clamped to the list).
  int TabOrder() const;
  void SetTabOrder(int tabOrder);
  // Every windowed descendant, depth first: each child in tab order followed
  // by its own list.
  std::vector<TWinControl*> TabOrderList() const;

  TPopupMenu* PopupMenu() const noexcept { return m_popupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  // --- Told by the backend ---
  // The window system moved or sized the window.
  void WindowBoundsChanged(const TRect& bounds);
  // The top-level window became active or inactive.
  void WindowActivationChanged(bool active);
  // The window (or its content widget) took or lost the keyboard focus.
  void WindowFocusChanged(bool focused);
  // The window was destroyed from outside, and its children's with it.
  void WindowDestroyed();
  // The user asked the window system to close the window. Hides it.
  virtual void WindowCloseRequested();
  // The window system minimised, maximised or restored the top-level by
  // itself (not when asked through SetWindowState). Ignored here; forms keep it.
  virtual void WindowStateChanged(TWindowState /*state*/) {}

  // --- Input, told by the backend ---
  // Pointer input of this control's client area, in client coordinates.
  // A press with ssDouble is a double click: DblClick, then MouseDown (no
  // Click follows). A left release after a plain left press, inside the
  // client area, is a Click (before MouseUp); a right release inside it asks
  // for the context menu at that point (after MouseUp).
  void WindowMouseDownInput(TMouseButton button, TShiftState shift, int x, int y);
  void WindowMouseUpInput(TMouseButton button, TShiftState shift, int x, int y);
  void WindowMouseMoveInput(TShiftState shift, int x, int y);
  void WindowMouseEnterInput();
  void WindowMouseLeaveInput();
  // One discrete wheel step; a step this control leaves unhandled goes to its
  // parent. True when handled.
  bool WindowMouseWheelInput(bool down, TShiftState shift, int x, int y);
  // A smooth-scroll delta: each whole accumulated 1.0 is one step (see
  // TScrollAccumulator); true when a step was handled.
  bool WindowSmoothScrollInput(double deltaY, TShiftState shift, int x, int y);
  // Keys of this top-level's window go to its focused control (the
  // top-level itself without one); a top-level that previews keys
  // (KeyPreviewEnabled) sees them first. Before both, a key down is a
  // shortcut of the PopupMenu of the focused control or of a parent, nearest
  // first (TPopupMenu::IsShortCut): one that clicks an item is suppressed. Each returns the key left after
  // the handlers: 0 means suppressed, so the window system must drop it.
  // A key down left standing asks, for the Menu key and Shift+F10, for the
  // context menu at (-1, -1), and for F1 for help (HelpRequested).
  std::uint16_t WindowKeyDownInput(std::uint16_t key, TShiftState shift);
  std::uint16_t WindowKeyUpInput(std::uint16_t key, TShiftState shift);
  char WindowKeyPressInput(char key);
  // The context menu asked for at `pos` (client coordinates, or (-1, -1)
  // from the keyboard): ContextPopup, unhandled it goes to the parent, and at
  // the top the control's PopupMenu opens when it pops up by itself.
  // True when handled.
  bool WindowContextMenuInput(TPoint pos);

  // A client point in screen coordinates: through the parents' bounds up to
  // the top-level, whose window's place the backend tells when it knows.
  TPoint ClientToScreen(TPoint point) const;

 protected:
  // A top-level that sees its controls' keys first (a form's KeyPreview).
  virtual bool KeyPreviewEnabled() const { return false; }
  // F1 was pressed in this top-level and left standing.
  virtual void HelpRequested() {}
  // The window was just made, its state passed on, and is not shown yet:
  // a subclass passes on state of its own (a form's top-level calls).
  virtual void WindowCreated() {}

  void ApplyBounds() override;
  void ApplyVisible() override;
  void ApplyEnabled() override;
  void ApplyText() override;
  void ApplyZOrder(bool toFront) override;
  void ParentChanging() override;
  void ParentChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TControl;
  friend TWinControl* FocusFirstControl(TWinControl& control);

  void InsertControl(TControl& control);
  void RemoveControl(TControl& control) noexcept;
  void CreateWindowTree();
  void ForgetWindows() noexcept;
  // Moves the top-level's focus to `control` (nullptr: to none).
  void SetFocusedControl(TWinControl* control);
  void AppendTabOrder(std::vector<TWinControl*>& list) const;

  std::vector<TControl*> m_controls;
  std::vector<TControl*> m_alignOrder;
  std::vector<TWinControl*> m_tabList;
  int m_alignLock = 0;
  bool m_alignPending = false;
  bool m_aligning = false;
  bool m_realigningAgain = false;
  IControlBackend* m_backend = nullptr;
  ControlWindow m_window = kNoWindow;
  TWindowTraits m_traits;
  TRect m_margins;
  NativeWidget m_content = nullptr;
  bool m_tabStop = false;
  bool m_active = false;                   // top-levels only
  TWeakRef<TWinControl> m_focusedControl;  // top-levels only
  TPopupMenu* m_popupMenu = nullptr;
  bool m_clickPending = false;
  TScrollAccumulator m_scroll;
};

// Depth first through the windowed descendants (TabOrderList), the first
// that is visible, a tab stop and can take the focus gets it and is told
// FocusEntered; nullptr when there is none.
TWinControl* FocusFirstControl(TWinControl& control);

}  // namespace halbrin::platform
