#include "platform/controls/form.h"

#include <algorithm>

#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/classes/class_builder.h"
#include "platform/eventloop/idle_source.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/modal_loop.h"
#include "platform/services/desktop_service.h"

namespace halbrin::platform {

const TEnumInfo& FormBorderStyleInfo() {
  static const TEnumInfo info("TFormBorderStyle",
                              {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
  return info;
}

const TEnumInfo& FormStyleInfo() {
  static const TEnumInfo info("TFormStyle", {"fsNormal", "fsStayOnTop"});
  return info;
}

const TEnumInfo& PositionInfo() {
  static const TEnumInfo info("TPosition",
                              {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"});
  return info;
}

const TEnumInfo& WindowStateInfo() {
  static const TEnumInfo info("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
  return info;
}

HALBRIN_DEFINE_CLASS(
    TForm,
    .Property("AlphaBlend", &TForm::AlphaBlend, &TForm::SetAlphaBlend)
    .Property(
        "AlphaBlendValue", [](const TForm& self) { return static_cast<int>(self.AlphaBlendValue()); },
        [](TForm& self, int value) { self.SetAlphaBlendValue(value); })
    .Range(0, 255)
    .Enum("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle, FormBorderStyleInfo())
    .Property(
        "Caption", [](const TForm& self) { return self.Caption(); },
        [](TForm& self, const std::string& caption) { self.SetCaption(caption); })
    .TypeName("TCaption")
    .Stored(false)
    .Property(
        "ClientHeight", [](const TForm& self) { return self.ClientHeight(); },
        [](TForm& self, int value) { self.SetClientHeight(value); })
    .Stored(false)
    .Property(
        "ClientWidth", [](const TForm& self) { return self.ClientWidth(); },
        [](TForm& self, int value) { self.SetClientWidth(value); })
    .Stored(false)
    .Enum("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle, FormStyleInfo())
    .Property("HelpContext", &TForm::HelpContext, &TForm::SetHelpContext)
    .Property("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview)
    .Property("ModalResult", &TForm::ModalResult, &TForm::SetModalResult)
    .Stored(false)
    .Enum("Position", &TForm::Position, &TForm::SetPosition, PositionInfo())
    .Enum("WindowState", &TForm::WindowState, &TForm::SetWindowState, WindowStateInfo())
    .Event("OnActivate", &TForm::m_onActivate, "TNotifyEvent")
    .Event("OnClose", &TForm::m_onClose, "TCloseEvent")
    .Event("OnCloseQuery", &TForm::m_onCloseQuery, "TCloseQueryEvent")
    .Event("OnContextPopup", &TForm::m_onContextPopup, "TContextPopupEvent")
    .Event("OnCreate", &TForm::m_onCreate, "TNotifyEvent")
    .Event("OnDblClick", &TForm::m_onDblClick, "TNotifyEvent")
    .Event("OnDeactivate", &TForm::m_onDeactivate, "TNotifyEvent")
    .Event("OnDestroy", &TForm::m_onDestroy, "TNotifyEvent")
    .Event("OnHelp", &TForm::m_onHelp, "THelpEvent")
    .Event("OnHide", &TForm::m_onHide, "TNotifyEvent")
    .Event("OnKeyDown", &TForm::m_onKeyDown, "TKeyEvent")
    .Event("OnKeyPress", &TForm::m_onKeyPress, "TKeyPressEvent")
    .Event("OnKeyUp", &TForm::m_onKeyUp, "TKeyEvent")
    .Event("OnMouseDown", &TForm::m_onMouseDown, "TMouseEvent")
    .Event("OnMouseEnter", &TForm::m_onMouseEnter, "TNotifyEvent")
    .Event("OnMouseLeave", &TForm::m_onMouseLeave, "TNotifyEvent")
    .Event("OnMouseMove", &TForm::m_onMouseMove, "TMouseMoveEvent")
    .Event("OnMouseUp", &TForm::m_onMouseUp, "TMouseEvent")
    .Event("OnMouseWheelDown", &TForm::m_onMouseWheelDown, "TMouseWheelUpDownEvent")
    .Event("OnMouseWheelUp", &TForm::m_onMouseWheelUp, "TMouseWheelUpDownEvent")
    .Event("OnResize", &TForm::m_onResize, "TNotifyEvent")
    .Event("OnShow", &TForm::m_onShow, "TNotifyEvent"))

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  // A form starts hidden; its window comes when it is first shown.
  SetVisible(false);
  ApplyTraits();
  AddObserver([this](TControl&, ControlEvent event) { Observe(event); });
  Screen().Add(*this);
}

TForm::~TForm() {
  DoDestroy();
  m_release.reset();
  if (m_modalLoop) m_modalLoop->End(mrCancel);
  const bool wasMain = Screen().MainForm() == this;
  Screen().Remove(*this);
  if (wasMain) Screen().MainFormClosed();
}

void TForm::Observe(ControlEvent event) {
  switch (event) {
    case ControlEvent::Resized: m_onResize(this); break;
    case ControlEvent::Activated: Activate(); break;
    case ControlEvent::Deactivated: Deactivate(); break;
    default: break;
  }
}

void TForm::SetClientWidth(int width) {
  const TRect& m = NonClientMargins();
  SetWidth(width + m.Left + m.Right);
}

void TForm::SetClientHeight(int height) {
  const TRect& m = NonClientMargins();
  SetHeight(height + m.Top + m.Bottom);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == m_borderStyle) return;
  m_borderStyle = style;
  ApplyTraits();
}

void TForm::ApplyTraits() {
  TWindowTraits traits;
  if (m_borderStyle != bsNone) {
    traits.caption = true;
    traits.border = true;
    traits.sysMenu = true;
    traits.sizable = m_borderStyle == bsSizeable || m_borderStyle == bsSizeToolWin;
    traits.toolWindow = m_borderStyle == bsToolWindow || m_borderStyle == bsSizeToolWin;
    traits.minBox = traits.maxBox = m_borderStyle == bsSingle || m_borderStyle == bsSizeable;
  }
  SetWindowTraits(traits);
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == m_formStyle) return;
  m_formStyle = style;
  if (HandleAllocated()) Backend()->SetStayOnTop(Window(), style == fsStayOnTop);
}

void TForm::SetWindowState(TWindowState state) {
  if (state == m_windowState) return;
  m_windowState = state;
  if (HandleAllocated()) Backend()->SetWindowState(Window(), state);
}

void TForm::WindowStateChanged(TWindowState state) { m_windowState = state; }

void TForm::SetIcon(const TArgbImage* icon) {
  if (icon)
    m_icon = *icon;
  else
    m_icon.reset();
  if (HandleAllocated()) Backend()->SetIcon(Window(), Icon());
}

void TForm::SetAlphaBlend(bool value) {
  if (value == m_alphaBlend) return;
  m_alphaBlend = value;
  ApplyOpacity();
}

void TForm::SetAlphaBlendValue(int value) {
  const auto alpha = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
  if (alpha == m_alphaBlendValue) return;
  m_alphaBlendValue = alpha;
  if (m_alphaBlend) ApplyOpacity();
}

void TForm::ApplyOpacity() {
  if (HandleAllocated()) Backend()->SetOpacity(Window(), m_alphaBlend ? m_alphaBlendValue : 255);
}

void TForm::SetTransientFor(TWinControl* owner) {
  if (owner == this) owner = nullptr;
  if (owner == m_transientFor.Get()) return;
  if (TWinControl* old = m_transientFor.Get()) RemoveFreeNotification(old);
  m_transientFor.Reset(owner);
  if (owner) FreeNotification(owner);
  if (HandleAllocated()) Backend()->SetTransientFor(Window(), owner ? owner->Window() : kNoWindow);
}

void TForm::SetNeverActivate(bool value) {
  if (value == m_neverActivate) return;
  m_neverActivate = value;
  if (HandleAllocated()) Backend()->SetNeverActivate(Window(), value);
}

void TForm::SetWithdrawn(bool withdrawn) {
  if (withdrawn == m_withdrawn) return;
  m_withdrawn = withdrawn;
  if (HandleAllocated()) Backend()->SetWithdrawn(Window(), withdrawn);
}

void TForm::RaiseWithoutActivating() {
  if (HandleAllocated()) Backend()->RaiseWithoutActivating(Window());
}

void TForm::Present() {
  if (HandleAllocated()) Backend()->Present(Window());
}

std::uint64_t TForm::NativeWindowId() const { return HandleAllocated() ? Backend()->NativeWindowId(Window()) : 0; }

void TForm::WindowCreated() {
  IControlBackend& backend = *Backend();
  const ControlWindow window = Window();
  if (m_formStyle == fsStayOnTop) backend.SetStayOnTop(window, true);
  if (m_neverActivate) backend.SetNeverActivate(window, true);
  if (TWinControl* owner = m_transientFor.Get(); owner && owner->HandleAllocated())
    backend.SetTransientFor(window, owner->Window());
  if (m_alphaBlend) backend.SetOpacity(window, m_alphaBlendValue);
  if (m_icon) backend.SetIcon(window, &*m_icon);
  if (m_windowState != wsNormal) backend.SetWindowState(window, m_windowState);
  if (m_modalDepth > 0) backend.SetModal(window, true);
  if (m_withdrawn) backend.SetWithdrawn(window, true);
}

void TForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_transientFor.Address()) m_transientFor.Reset();
}

void TForm::ShowForm() {
  const TWeakRef<TForm> alive(this);
  Show();
  if (alive) BringToFront();
}

// --- Showing ---------------------------------------------------------------------

void TForm::ApplyVisible() {
  if (Visible() == m_showing) {
    TWinControl::ApplyVisible();
    return;
  }
  m_showing = Visible();
  ShowingChanged(m_showing);
}

void TForm::ApplyShowing() { TWinControl::ApplyVisible(); }

TPoint TForm::ScreenCenterFor(int width, int height) const {
  const TRect area = CurrentDesktopService().WorkArea(BoundsRect());
  return {area.Left + std::max(0, (area.Width() - width) / 2), area.Top + std::max(0, (area.Height() - height) / 2)};
}

void TForm::ShowingChanged(bool showing) {
  const TWeakRef<TForm> alive(this);
  if (showing) {
    if (!m_positioned) {
      m_positioned = true;
      if (m_position == poScreenCenter) {
        const TPoint at = ScreenCenterFor(Width(), Height());
        SetBounds(at.X, at.Y, Width(), Height());
      }
    }
    if (alive) DoShow();
  } else {
    DoHide();
  }
  // A handler may have changed the visibility again; the window follows what is current.
  if (alive) ApplyShowing();
}

void TForm::DoShow() { m_onShow(this); }

void TForm::DoHide() { m_onHide(this); }

void TForm::Activate() {
  Screen().SetActiveForm(this);
  m_onActivate(this);
}

void TForm::Deactivate() {
  if (Screen().ActiveForm() == this) Screen().SetActiveForm(nullptr);
  m_onDeactivate(this);
}

void TForm::DoCreate() { m_onCreate(this); }

void TForm::DoDestroy() {
  if (std::exchange(m_destroyFired, true)) return;
  m_onDestroy(this);
}

bool TForm::DoHelp(std::uint16_t command, std::int32_t data) {
  bool callHelp = true;
  bool result = false;
  m_onHelp(command, data, callHelp, result);
  return result;
}

void TForm::HelpRequested() { DoHelp(kHelpContext, m_helpContext); }

// --- Closing -----------------------------------------------------------------------

bool TForm::CloseQuery() {
  bool canClose = true;
  m_onCloseQuery(this, canClose);
  return canClose;
}

void TForm::DoClose(TCloseAction& action) { m_onClose(this, action); }

void TForm::Close() {
  if (m_modalDepth > 0) {
    SetModalResult(mrCancel);
    return;
  }
  const TWeakRef<TForm> alive(this);
  if (!CloseQuery() || !alive) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (!alive || action == caNone) return;
  const bool isMain = Screen().MainForm() == this;
  switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    case caNone: break;
  }
  if (isMain) Screen().MainFormClosed();
}

void TForm::WindowCloseRequested() { Close(); }

void TForm::Release() {
  if (m_release) return;
  m_release = std::make_unique<IdleSource>(MainEventLoop(), [this] {
    if (Owner())
      TComponent::Free(*this);
    else
      m_release.reset();  // nobody to free it: its maker keeps it
  });
  m_release->Schedule();
}

// --- Modal -------------------------------------------------------------------------

void TForm::SetModalResult(TModalResult result) {
  m_modalResult = result;
  if (m_modalLoop && result != mrNone) m_modalLoop->End(result);
}

void TForm::CloseModal(TModalLoop& /*loop*/) {
  const TWeakRef<TForm> alive(this);
  TCloseAction action = caNone;
  if (CloseQuery() && alive) {
    action = caHide;
    DoClose(action);
  }
  if (!alive) return;
  switch (action) {
    case caNone: m_modalResult = mrNone; break;
    case caFree: Release(); break;
    default: break;
  }
}

TModalResult TForm::ShowModal() {
  if (Visible() || m_modalDepth > 0) throw EInvalidOperation("Cannot make a visible window modal");
  const TWeakRef<TForm> alive(this);
  m_modalResult = mrNone;
  ++m_modalDepth;
  if (HandleAllocated()) Backend()->SetModal(Window(), true);
  struct Leave {
    TForm& form;
    const TWeakRef<TForm>& alive;
    ~Leave() {
      if (!alive) return;
      form.m_modalLoop = nullptr;
      --form.m_modalDepth;
      if (form.HandleAllocated()) form.Backend()->SetModal(form.Window(), false);
    }
  } leave{*this, alive};
  ShowForm();
  while (alive) {
    TModalLoop loop;
    m_modalLoop = &loop;
    // A result set while showing ends the loop before it starts.
    if (m_modalResult != mrNone) loop.End(m_modalResult);
    const int result = loop.Run();
    if (!alive) return mrCancel;
    m_modalLoop = nullptr;
    if (m_modalResult == mrNone) {
      // Ended from outside (the application terminates): no close protocol.
      m_modalResult = result == mrNone ? mrCancel : result;
      break;
    }
    CloseModal(loop);
    if (!alive) return mrCancel;
    if (m_modalResult != mrNone) break;
  }
  if (!alive) return mrCancel;
  Hide();
  return alive ? m_modalResult : mrCancel;
}

// --- TScreen -----------------------------------------------------------------------

TForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return m_forms[static_cast<std::size_t>(index)];
}

void TScreen::Add(TForm& form) { m_forms.push_back(&form); }

void TScreen::Remove(TForm& form) noexcept {
  std::erase(m_forms, &form);
  if (m_activeForm == &form) m_activeForm = nullptr;
  if (m_mainForm == &form) m_mainForm = nullptr;
}

void TScreen::MainFormClosed() {
  if (m_onMainFormClosed) {
    // Copied: the hook may replace itself.
    const std::function<void()> hook = m_onMainFormClosed;
    hook();
  }
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

}  // namespace halbrin::platform
