#include "platform/controls/win_control.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/classes/class_builder.h"
#include "platform/controls/align_layout.h"
#include "platform/graphics/popup_menu.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TWinControl,
                     .Property("PopupMenu", &TWinControl::PopupMenu, &TWinControl::SetPopupMenu)
                     .Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
                     .Stored(false)
                     .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop))

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Out of the parent's lists before anything else, so the parent never sees
  // a half-destroyed child; then the windows, children's first.
  DetachFromParent();
  DestroyHandle();
  for (TControl* control : m_controls) control->m_parent = nullptr;
  m_controls.clear();
  m_alignOrder.clear();
  m_tabList.clear();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return m_controls[static_cast<std::size_t>(index)];
}

bool TWinControl::ContainsControl(const TControl& control) const {
  for (const TWinControl* parent = control.Parent(); parent; parent = parent->Parent())
    if (parent == this) return true;
  return false;
}

TWinControl& TWinControl::TopLevel() {
  TWinControl* control = this;
  while (control->Parent()) control = control->Parent();
  return *control;
}

const TWinControl& TWinControl::TopLevel() const { return const_cast<TWinControl*>(this)->TopLevel(); }

void TWinControl::InsertControl(TControl& control) {
  m_controls.push_back(&control);
  m_alignOrder.push_back(&control);
  if (auto* windowed = dynamic_cast<TWinControl*>(&control)) m_tabList.push_back(windowed);
  if (control.Visible() && control.Align() != alNone && control.Align() != alCustom) Realign();
}

void TWinControl::RemoveControl(TControl& control) noexcept {
  std::erase(m_controls, &control);
  std::erase(m_alignOrder, &control);
  std::erase(m_tabList, &control);
  if (!control.Visible() || control.Align() == alNone || control.Align() == alCustom) return;
  // A parent going away lays nothing out.
  if (IsDestroying()) return;
  try {
    Realign();
  } catch (...) {
    // Leaving a parent never fails; the next realign catches up.
    m_alignPending = true;
  }
}

// --- The align layout -------------------------------------------------------------

void TWinControl::Realign() {
  if (m_alignLock > 0 || m_aligning) {
    m_alignPending = true;
    return;
  }
  m_alignPending = false;
  std::vector<TAlignItem> items;
  items.reserve(m_alignOrder.size());
  for (const TControl* control : m_alignOrder) {
    const TSizeConstraints& c = control->Constraints();
    items.push_back({control->Align(), control->BoundsRect(), control->Visible(), c.MinWidth(), c.MinHeight(),
                     c.MaxWidth(), c.MaxHeight()});
  }
  const std::vector<TRect> rects = AlignLayout(ClientRect(), items);
  const std::vector<TWeakRef<TControl>> children(m_alignOrder.begin(), m_alignOrder.end());
  const TWeakRef<TWinControl> self(this);
  m_aligning = true;
  try {
    for (std::size_t i = 0; i < children.size() && self; ++i)
      if (TControl* child = children[i].Get(); child && child->Parent() == this) child->SetBoundsRect(rects[i]);
  } catch (...) {
    if (self) m_aligning = false;
    throw;
  }
  if (!self) return;
  m_aligning = false;
  // An observer changed the layout while the children were placed: once more,
  // and no further, so children that fight the layout cannot loop.
  if (m_alignPending && m_alignLock == 0 && !m_realigningAgain) {
    m_realigningAgain = true;
    try {
      Realign();
    } catch (...) {
      if (self) m_realigningAgain = false;
      throw;
    }
    if (self) m_realigningAgain = false;
  }
}

void TWinControl::EnableAlign() {
  if (m_alignLock == 0) return;
  if (--m_alignLock == 0 && m_alignPending) Realign();
}

// --- The window -------------------------------------------------------------------

void TWinControl::HandleNeeded() {
  if (m_window != kNoWindow) return;
  if (TWinControl* parent = Parent()) {
    // Making the parent's window makes this one too.
    parent->HandleNeeded();
    if (m_window != kNoWindow) return;
  }
  CreateWindowTree();
}

void TWinControl::CreateWindowTree() {
  TWinControl* parent = Parent();
  IControlBackend& backend = parent ? *parent->m_backend : CurrentControlBackend();
  m_window = backend.CreateWindow(*this, parent ? parent->m_window : kNoWindow);
  m_backend = &backend;
  backend.SetTraits(m_window, m_traits);
  backend.SetNonClientMargins(m_window, m_margins);
  backend.SetBounds(m_window, BoundsRect());
  backend.SetText(m_window, Text());
  backend.SetEnabled(m_window, Enabled());
  if (m_content) backend.SetContentWidget(m_window, m_content);
  WindowCreated();
  if (m_window == kNoWindow) return;
  // Bottom first, so each new child window lands above the ones before it.
  for (TControl* control : std::vector<TControl*>(m_controls)) {
    auto* child = dynamic_cast<TWinControl*>(control);
    if (child && child->m_window == kNoWindow) child->CreateWindowTree();
  }
  if (Visible()) backend.SetVisible(m_window, true);
}

void TWinControl::DestroyHandle() {
  if (m_window == kNoWindow) return;
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it)
    if (auto* child = dynamic_cast<TWinControl*>(*it)) child->DestroyHandle();
  IControlBackend* backend = std::exchange(m_backend, nullptr);
  const ControlWindow window = std::exchange(m_window, kNoWindow);
  m_active = false;
  backend->DestroyWindow(window);
}

void TWinControl::ForgetWindows() noexcept {
  m_window = kNoWindow;
  m_backend = nullptr;
  m_active = false;
  for (TWinControl* child : m_tabList) child->ForgetWindows();
}

bool TWinControl::Showing() const {
  if (!Visible()) return false;
  return Parent() ? Parent()->Showing() : HandleAllocated();
}

void TWinControl::SetWindowTraits(const TWindowTraits& traits) {
  if (traits == m_traits) return;
  m_traits = traits;
  if (m_window != kNoWindow) m_backend->SetTraits(m_window, m_traits);
}

void TWinControl::SetNonClientMargins(const TRect& margins) {
  const TRect clamped{std::max(margins.Left, 0), std::max(margins.Top, 0), std::max(margins.Right, 0),
                      std::max(margins.Bottom, 0)};
  if (clamped == m_margins) return;
  m_margins = clamped;
  if (m_window != kNoWindow) m_backend->SetNonClientMargins(m_window, m_margins);
  Realign();
}

TRect TWinControl::ClientRect() const {
  return {0, 0, std::max(Width() - m_margins.Left - m_margins.Right, 0),
          std::max(Height() - m_margins.Top - m_margins.Bottom, 0)};
}

void TWinControl::SetContentWidget(NativeWidget widget) {
  if (widget == m_content) return;
  m_content = widget;
  if (m_window != kNoWindow) m_backend->SetContentWidget(m_window, m_content);
}

void TWinControl::Invalidate() {
  if (m_window != kNoWindow) m_backend->Invalidate(m_window);
}

void TWinControl::InvalidateRect(const TRect& rect) {
  if (m_window != kNoWindow) m_backend->InvalidateRect(m_window, rect);
}

void TWinControl::ApplyBounds() {
  if (m_window != kNoWindow) m_backend->SetBounds(m_window, BoundsRect());
}

void TWinControl::ApplyVisible() {
  if (m_window == kNoWindow) {
    // A top-level shows once it has its window; a child gets its window with its parent's.
    if (Visible() && (!Parent() || Parent()->HandleAllocated())) HandleNeeded();
    return;
  }
  m_backend->SetVisible(m_window, Visible());
}

void TWinControl::ApplyEnabled() {
  if (m_window != kNoWindow) m_backend->SetEnabled(m_window, Enabled());
}

void TWinControl::ApplyText() {
  if (m_window != kNoWindow) m_backend->SetText(m_window, Text());
}

void TWinControl::ApplyZOrder(bool toFront) {
  if (m_window == kNoWindow) return;
  if (toFront)
    m_backend->BringToFront(m_window);
  else
    m_backend->SendToBack(m_window);
}

void TWinControl::ParentChanging() {
  TWinControl& top = TopLevel();
  if (TWinControl* focused = top.m_focusedControl.Get(); focused && (focused == this || ContainsControl(*focused)))
    top.SetFocusedControl(nullptr);
  // The window belongs under the old parent; a new one is made under the new.
  DestroyHandle();
  m_active = false;
}

void TWinControl::ParentChanged() {
  if (Parent() && Parent()->HandleAllocated()) CreateWindowTree();
}

// --- Focus and tab order --------------------------------------------------------------

bool TWinControl::Focused() const { return TopLevel().m_focusedControl.Get() == this; }

TWinControl* TWinControl::FocusedControl() const { return TopLevel().m_focusedControl.Get(); }

bool TWinControl::Active() const { return TopLevel().m_active; }

bool TWinControl::CanFocus() const {
  for (const TWinControl* control = this; control; control = control->Parent())
    if (!control->Visible() || !control->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  const TWeakRef<TWinControl> alive(this);
  TopLevel().SetFocusedControl(this);
  if (alive && m_window != kNoWindow) m_backend->SetFocus(m_window);
}

void TWinControl::SetFocusedControl(TWinControl* control) {
  TWinControl* old = m_focusedControl.Get();
  if (old == control) return;
  m_focusedControl.Reset(control);
  const TWeakRef<TWinControl> self(this);
  const TWeakRef<TWinControl> entered(control);
  if (old) old->Notify(ControlEvent::FocusExited);
  // An observer of the old control may have moved the focus on already.
  if (self && entered && m_focusedControl.Get() == control) control->Notify(ControlEvent::FocusEntered);
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->m_tabList;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int tabOrder) {
  if (!Parent()) return;
  auto& list = Parent()->m_tabList;
  std::erase(list, this);
  const auto index = static_cast<std::size_t>(std::clamp(tabOrder, 0, static_cast<int>(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), this);
}

std::vector<TWinControl*> TWinControl::TabOrderList() const {
  std::vector<TWinControl*> list;
  AppendTabOrder(list);
  return list;
}

void TWinControl::AppendTabOrder(std::vector<TWinControl*>& list) const {
  for (TWinControl* child : m_tabList) {
    list.push_back(child);
    child->AppendTabOrder(list);
  }
}

void TWinControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == m_popupMenu) return;
  if (m_popupMenu) RemoveFreeNotification(m_popupMenu);
  m_popupMenu = menu;
  if (m_popupMenu) FreeNotification(m_popupMenu);
}

void TWinControl::Notification(TComponent* component, TOperation operation) {
  TControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_popupMenu) m_popupMenu = nullptr;
}

// --- Told by the backend --------------------------------------------------------------

void TWinControl::WindowBoundsChanged(const TRect& bounds) { StoreBounds(bounds); }

void TWinControl::WindowActivationChanged(bool active) {
  if (active == m_active) return;
  m_active = active;
  Notify(active ? ControlEvent::Activated : ControlEvent::Deactivated);
}

void TWinControl::WindowFocusChanged(bool focused) {
  if (focused)
    TopLevel().SetFocusedControl(this);
  else if (Focused())
    TopLevel().SetFocusedControl(nullptr);
}

void TWinControl::WindowDestroyed() { ForgetWindows(); }

void TWinControl::WindowCloseRequested() { SetVisible(false); }

// --- Input ----------------------------------------------------------------------------

namespace {

bool InClientArea(const TWinControl& control, int x, int y) {
  const TRect client = control.ClientRect();
  return x >= client.Left && x < client.Right && y >= client.Top && y < client.Bottom;
}

// The 16-bit shortcut of a key down: the key, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
TShortCut ShortCutOf(std::uint16_t key, TShiftState shift) noexcept {
  if (key == 0 || key > 0xFF) return 0;
  TShortCut code = key;
  if (shift & ssShift) code |= 0x2000;
  if (shift & ssCtrl) code |= 0x4000;
  if (shift & ssAlt) code |= 0x8000;
  return static_cast<TShortCut>(code);
}

// The popup menus of the control and its parents, nearest first, get the key
// as a shortcut; true when one clicked an item (which may have freed anything).
bool IsMenuShortCut(TWinControl& control, std::uint16_t key, TShiftState shift) {
  const TShortCut code = ShortCutOf(key, shift);
  if (code == 0) return false;
  for (TWinControl* at = &control; at; at = at->Parent())
    if (TPopupMenu* menu = at->PopupMenu(); menu && menu->IsShortCut(code)) return true;
  return false;
}

}  // namespace

void TWinControl::WindowMouseDownInput(TMouseButton button, TShiftState shift, int x, int y) {
  const TWeakRef<TWinControl> alive(this);
  const bool isDouble = (shift & ssDouble) != 0;
  if (button == TMouseButton::mbLeft) m_clickPending = !isDouble;
  if (isDouble) {
    DblClick();
    if (!alive) return;
  }
  MouseDown(button, shift, x, y);
}

void TWinControl::WindowMouseUpInput(TMouseButton button, TShiftState shift, int x, int y) {
  const TWeakRef<TWinControl> alive(this);
  if (button == TMouseButton::mbLeft && std::exchange(m_clickPending, false) && InClientArea(*this, x, y)) {
    Click();
    if (!alive) return;
  }
  MouseUp(button, shift, x, y);
  if (alive && button == TMouseButton::mbRight && InClientArea(*this, x, y)) WindowContextMenuInput({x, y});
}

void TWinControl::WindowMouseMoveInput(TShiftState shift, int x, int y) { MouseMove(shift, x, y); }

void TWinControl::WindowMouseEnterInput() { MouseEnter(); }

void TWinControl::WindowMouseLeaveInput() {
  m_clickPending = false;
  MouseLeave();
}

bool TWinControl::WindowMouseWheelInput(bool down, TShiftState shift, int x, int y) {
  TPoint pos{x, y};
  for (TWeakRef<TWinControl> control(this); control;) {
    TWinControl* current = control.Get();
    const TWeakRef<TWinControl> parent(current->Parent());
    if (current->MouseWheel(down, shift, pos)) return true;
    if (!parent || !control || control->Parent() != parent.Get()) return false;
    pos = {pos.X + control->Left(), pos.Y + control->Top()};
    control = parent;
  }
  return false;
}

bool TWinControl::WindowSmoothScrollInput(double deltaY, TShiftState shift, int x, int y) {
  const int steps = m_scroll.Add(deltaY);
  const TWeakRef<TWinControl> alive(this);
  bool handled = false;
  for (int i = 0; i < std::abs(steps) && alive; ++i) handled = WindowMouseWheelInput(steps > 0, shift, x, y) || handled;
  return handled;
}

std::uint16_t TWinControl::WindowKeyDownInput(std::uint16_t key, TShiftState shift) {
  const TWeakRef<TWinControl> top(&TopLevel());
  TWinControl* focused = top->FocusedControl();
  const TWeakRef<TWinControl> target(focused ? focused : top.Get());
  // Menu shortcuts come before any key handler, the key preview included.
  if (target && IsMenuShortCut(*target.Get(), key, shift)) return 0;
  if (top && top->KeyPreviewEnabled() && target.Get() != top.Get()) top->KeyDown(key, shift);
  if (key != 0 && target) target->KeyDown(key, shift);
  if (key == 0) return 0;
  const TShiftState mods = shift & (ssShift | ssAlt | ssCtrl);
  if ((key == kVkApps && mods == 0) || (key == kVkF10 && mods == ssShift)) {
    if (TWinControl* menuTarget = target ? target.Get() : top.Get()) menuTarget->WindowContextMenuInput({-1, -1});
  } else if (key == kVkF1 && mods == 0 && top) {
    top->HelpRequested();
  }
  return key;
}

std::uint16_t TWinControl::WindowKeyUpInput(std::uint16_t key, TShiftState shift) {
  const TWeakRef<TWinControl> top(&TopLevel());
  TWinControl* focused = top->FocusedControl();
  const TWeakRef<TWinControl> target(focused ? focused : top.Get());
  if (top->KeyPreviewEnabled() && target.Get() != top.Get()) top->KeyUp(key, shift);
  if (key != 0 && target) target->KeyUp(key, shift);
  return key;
}

char TWinControl::WindowKeyPressInput(char key) {
  const TWeakRef<TWinControl> top(&TopLevel());
  TWinControl* focused = top->FocusedControl();
  const TWeakRef<TWinControl> target(focused ? focused : top.Get());
  if (top->KeyPreviewEnabled() && target.Get() != top.Get()) top->KeyPress(key);
  if (key != 0 && target) target->KeyPress(key);
  return key;
}

bool TWinControl::WindowContextMenuInput(TPoint pos) {
  const bool fromKeyboard = pos.X == -1 && pos.Y == -1;
  for (TWeakRef<TWinControl> control(this); control;) {
    TWinControl* current = control.Get();
    const TWeakRef<TWinControl> parent(current->Parent());
    if (current->ContextPopup(pos)) return true;
    if (!control) return false;
    if (TPopupMenu* menu = control->PopupMenu(); menu && menu->AutoPopup()) {
      const TPoint at = control->ClientToScreen(fromKeyboard ? TPoint{0, 0} : pos);
      menu->SetPopupComponent(control.Get());
      menu->Popup(at.X, at.Y);
      return true;
    }
    if (!parent || control->Parent() != parent.Get()) return false;
    if (!fromKeyboard) pos = {pos.X + control->Left(), pos.Y + control->Top()};
    control = parent;
  }
  return false;
}

TPoint TWinControl::ClientToScreen(TPoint point) const {
  for (const TWinControl* control = this; control; control = control->Parent()) {
    point.X += control->NonClientMargins().Left;
    point.Y += control->NonClientMargins().Top;
    // A top-level's window stands inside the window manager's frame, which
    // only the backend knows.
    if (!control->Parent() && control->HandleAllocated() && control->Backend())
      if (const std::optional<TPoint> origin = control->Backend()->ScreenOrigin(control->Window()))
        return TPoint{point.X + origin->X, point.Y + origin->Y};
    point.X += control->Left();
    point.Y += control->Top();
  }
  return point;
}

// --- Free functions -------------------------------------------------------------------

TWinControl* FocusFirstControl(TWinControl& control) {
  for (TWinControl* candidate : control.TabOrderList()) {
    if (!candidate->Visible() || !candidate->TabStop() || !candidate->CanFocus()) continue;
    const TWeakRef<TWinControl> alive(candidate);
    const bool hadFocus = candidate->Focused();
    candidate->SetFocus();
    // SetFocus tells of a change only; the caller is promised one FocusEntered.
    if (alive && hadFocus) candidate->Notify(ControlEvent::FocusEntered);
    return alive.Get();
  }
  return nullptr;
}

}  // namespace halbrin::platform
