#include "components/shell/tray_notifier_ex.h"

#include "core/framework/application_hooks.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& BalloonIconEnumInfo() {
  static const TEnumInfo info("TBalloonIcon", {"biNone", "biInfo", "biWarning", "biError", "biUser"});
  return info;
}

using TTray = TTrayNotifierEx;

HALBRIN_DEFINE_CLASS(TTrayNotifierEx,
                     .Property("timeout", &TTray::Timeout, &TTray::SetTimeout)
                     .Property("title", &TTray::Title, &TTray::SetTitle)
                     .Property("text", &TTray::Text, &TTray::SetText)
                     .Property("hint", &TTray::Hint, &TTray::SetHint)
                     .Enum("balloonIcon", &TTray::BalloonIcon, &TTray::SetBalloonIcon, BalloonIconEnumInfo())
                     .Property("active", &TTray::Active, &TTray::SetActive)
                     .Property("image", &TTray::Image, &TTray::SetImage)
                     .Property("sound", &TTray::Sound, &TTray::SetSound)
                     .Property("largeIcon", &TTray::LargeIcon, &TTray::SetLargeIcon)
                     .Property("popupMenu", &TTray::PopupMenu, &TTray::SetPopupMenu)
                     .Property("firstShow", &TTray::FirstShow, &TTray::SetFirstShow)
                     .Property("autoActivate", &TTray::AutoActivate, &TTray::SetAutoActivate)
                     .Property("balloonImage", &TTray::BalloonImage, &TTray::SetBalloonImage)
                     .Property("autoHide", &TTray::AutoHide, &TTray::SetAutoHide)
                     .Event("onClick", &TTray::m_onClick, "TNotifyEvent")
                     .Event("onContextPopup", &TTray::m_onContextPopup, "TContextPopupEvent")
                     .Event("onDblClick", &TTray::m_onDblClick, "TNotifyEvent")
                     .Event("onMouseDown", &TTray::m_onMouseDown, "TMouseEvent")
                     .Event("onMouseMove", &TTray::m_onMouseMove, "TMouseMoveEvent")
                     .Event("onMouseUp", &TTray::m_onMouseUp, "TMouseEvent")
                     .Event("onHide", &TTray::m_onHide, "TNotifyEvent")
                     .Event("onShow", &TTray::m_onShow, "TNotifyEvent")
                     .Event("onBalloonClick", &TTray::m_onBalloonClick, "TNotifyEvent")
                     .Event("onBalloonHide", &TTray::m_onBalloonHide, "TNotifyEvent")
                     .Event("onBalloonShow", &TTray::m_onBalloonShow, "TNotifyEvent")
                     .Event("onBalloonTimeout", &TTray::m_onBalloonTimeout, "TNotifyEvent")
                     .Event("onSelect", &TTray::m_onSelect, "TNotifyEvent")
                     .Event("onPopupOpen", &TTray::m_onPopupOpen, "TNotifyEvent")
                     .Event("onPopupClose", &TTray::m_onPopupClose, "TNotifyEvent")
                     .Handler("showHandler", &TTray::showHandler)
                     .Handler("balloonClickHandler", &TTray::balloonClickHandler)
                     .Handler("balloonHideHandler", &TTray::balloonHideHandler)
                     .Handler("balloonShowHandler", &TTray::balloonShowHandler)
                     .Handler("balloonTimeoutHandler", &TTray::balloonTimeoutHandler)
                     .Handler("selectHandler", &TTray::selectHandler)
                     .Handler("popupOpenHandler", &TTray::popupOpenHandler)
                     .Handler("popupCloseHandler", &TTray::popupCloseHandler))

TTrayNotifierEx::TTrayNotifierEx(TComponent* owner) : TCustomExecutableStdEventsComponentEx(owner) {}

TTrayNotifierEx::~TTrayNotifierEx() {
  // The services disconnect from their hosts: nothing reaches a component being destroyed.
  m_balloons.reset();
  m_tray.reset();
}

bool TTrayNotifierEx::Active() const { return m_requested && m_tray && m_tray->Shown(); }

void TTrayNotifierEx::SetActive(bool active) {
  if (active == m_requested) return;
  if (active) {
    m_requested = true;
    m_showFired = false;
    if (!m_tray) m_tray = MakeTrayIconService(*this);
    if (!m_tray) {
      if (!m_trayMissingLogged) ApplicationHooks().Log("TTrayNotifierEx", "No notification area is available");
      m_trayMissingLogged = true;
    } else {
      m_tray->SetContent(IconContent());
      m_tray->Show();
    }
    if (!m_text.empty()) ShowBalloon();
    if (m_tray && m_tray->Shown()) Shown();
    return;
  }
  const bool wasShown = Active();
  m_requested = false;
  if (m_tray) m_tray->Hide();
  // A clicked balloon is going away by itself.
  if (!m_balloonClicked) HideBalloon();
  if (wasShown) m_onHide(this);
}

void TTrayNotifierEx::Shown() {
  if (m_showFired || !m_requested) return;
  m_showFired = true;
  const TBusyGuard busy(*this);
  m_onShow(this);
  m_firstShow = false;
}

void TTrayNotifierEx::SetTimeout(int timeout) {
  m_timeout = timeout;
  Refresh();
}

void TTrayNotifierEx::SetTitle(const std::string& title) {
  m_title = title;
  Refresh();
}

void TTrayNotifierEx::SetText(const std::string& text) {
  m_text = text;
  Refresh();
}

void TTrayNotifierEx::SetHint(const std::string& hint) {
  m_hint = hint;
  Refresh();
}

void TTrayNotifierEx::SetBalloonIcon(TBalloonIcon icon) {
  m_balloonIcon = icon;
  Refresh();
}

void TTrayNotifierEx::SetLargeIcon(bool largeIcon) {
  m_largeIcon = largeIcon;
  Refresh();
}

void TTrayNotifierEx::SetImage(const std::string& image) {
  m_image = image;
  LoadIconFromVariant(m_icon, Variant(image));
  Refresh();
}

void TTrayNotifierEx::SetBalloonImage(const std::string& image) {
  m_balloonImage = image;
  LoadIconFromVariant(m_balloonIconImage, Variant(image));
  Refresh();
}

TrayIconContent TTrayNotifierEx::IconContent() const {
  TrayIconContent content;
  if (const IconImage* image = m_icon.Image()) content.iconBytes = image->bytes;
  const std::string appTitle = ApplicationHooks().ApplicationTitle();
  content.toolTip = CutToCharacters(m_hint.empty() ? appTitle : m_hint, kTrayHintLimit);
  content.title = appTitle;
  return content;
}

Balloon TTrayNotifierEx::BalloonContent() const {
  Balloon balloon;
  const std::string appTitle = ApplicationHooks().ApplicationTitle();
  balloon.summary = CutToCharacters(m_title.empty() ? appTitle : m_title, kBalloonTitleLimit);
  balloon.body = CutToCharacters(m_text, kBalloonTextLimit);
  switch (m_balloonIcon) {
    case TBalloonIcon::biNone: break;
    case TBalloonIcon::biInfo: balloon.iconName = "dialog-information"; break;
    case TBalloonIcon::biWarning: balloon.iconName = "dialog-warning"; break;
    case TBalloonIcon::biError: balloon.iconName = "dialog-error"; break;
    case TBalloonIcon::biUser:
      if (const IconImage* image = m_balloonIconImage.Image())
        balloon.imageBytes = image->bytes;
      else if (const IconImage* trayImage = m_icon.Image())
        balloon.imageBytes = trayImage->bytes;
      break;
  }
  balloon.timeoutMs = m_timeout > 0 ? m_timeout * 1000 : -1;
  balloon.suppressSound = !m_sound;
  return balloon;
}

void TTrayNotifierEx::Refresh() {
  if (m_tray) m_tray->SetContent(IconContent());
  if (m_requested && !m_text.empty()) ShowBalloon();
}

void TTrayNotifierEx::ShowBalloon() {
  if (!m_requested || m_text.empty()) return;
  if (!m_balloons) m_balloons = MakeNotificationService(*this, ApplicationHooks().ApplicationTitle());
  if (!m_balloons) {
    if (!m_balloonsMissingLogged) ApplicationHooks().Log("TTrayNotifierEx", "No notification server is available");
    m_balloonsMissingLogged = true;
    return;
  }
  m_balloonClicked = false;
  if (m_balloons->Show(BalloonContent())) {
    const TBusyGuard busy(*this);
    m_onBalloonShow(this);
  }
}

void TTrayNotifierEx::HideBalloon() {
  if (m_balloons) m_balloons->Close();
}

void TTrayNotifierEx::RunAutoActivate() {
  if (m_autoActivate) ApplicationHooks().RequestActivation();
}

void TTrayNotifierEx::RunAutoHide() {
  if (m_autoHide) SetActive(false);
}

void TTrayNotifierEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "show")) {
    SetActive(true);
  } else if (SameText(word, "hide")) {
    SetActive(false);
  } else if (SameText(word, "hideBalloon")) {
    if (m_requested) HideBalloon();
  } else if (SameText(word, "showBalloon")) {
    Refresh();
  } else if (SameText(word, "focus")) {
    // The notification area takes no keyboard focus here.
  } else if (SameText(word, "autoactivate")) {
    RunAutoActivate();
  } else if (SameText(word, "autohide")) {
    RunAutoHide();
  } else {
    Inherited::SetExec(value);
  }
}

// ------------------------------------------------------------- host calls

void TTrayNotifierEx::Activate(int x, int y) {
  const TBusyGuard busy(*this);
  m_onMouseDown(this, TMouseButton::mbLeft, 0, x, y);
  m_onMouseUp(this, TMouseButton::mbLeft, 0, x, y);
  m_onClick(this);
}

void TTrayNotifierEx::SecondaryActivate(int x, int y) {
  const TBusyGuard busy(*this);
  m_onMouseDown(this, TMouseButton::mbMiddle, 0, x, y);
  m_onMouseUp(this, TMouseButton::mbMiddle, 0, x, y);
}

void TTrayNotifierEx::ContextMenu(int x, int y) {
  const TBusyGuard busy(*this);
  m_onMouseDown(this, TMouseButton::mbRight, 0, x, y);
  RunAutoActivate();
  m_onMouseUp(this, TMouseButton::mbRight, 0, x, y);
  RunAutoHide();
  MenuRequested(x, y);
}

void TTrayNotifierEx::Clicked() {
  const TBusyGuard busy(*this);
  m_onClick(this);
}

void TTrayNotifierEx::MenuRequested(int x, int y) {
  const TBusyGuard busy(*this);
  if (!m_requested) return;
  bool handled = false;
  m_onContextPopup(this, TPoint{x, y}, handled);
  TPopupMenu* menu = m_popupMenu.Get();
  if (handled || !menu || !menu->AutoPopup() || !m_requested) return;
  menu->SetPopupComponent(this);
  menu->Popup(x, y);
}

void TTrayNotifierEx::Button(bool down, TMouseButton button, TShiftState shift, int x, int y) {
  const TBusyGuard busy(*this);
  if (down) {
    m_onMouseDown(this, button, shift, x, y);
    return;
  }
  const bool right = button == TMouseButton::mbRight;
  if (right) RunAutoActivate();
  m_onMouseUp(this, button, shift, x, y);
  if (right) RunAutoHide();
}

void TTrayNotifierEx::DoubleClick(int, int) {
  const TBusyGuard busy(*this);
  m_onDblClick(this);
}

void TTrayNotifierEx::ShownChanged(bool shown) {
  if (shown) Shown();
}

void TTrayNotifierEx::BalloonClosed(BalloonCloseReason reason) {
  if (m_balloonClicked) {
    m_balloonClicked = false;
    return;
  }
  const TBusyGuard busy(*this);
  if (reason == BalloonCloseReason::Expired)
    m_onBalloonTimeout(this);
  else
    m_onBalloonHide(this);
}

void TTrayNotifierEx::BalloonClicked() {
  const TBusyGuard busy(*this);
  m_balloonClicked = true;
  RunAutoActivate();
  m_onBalloonClick(this);
  RunAutoHide();
}

// ------------------------------------------------------------- handlers

void TTrayNotifierEx::showHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(m_firstShow)};
  FireEvent("show", args, nullptr);
}

void TTrayNotifierEx::balloonClickHandler(TObject*) { FireEvent("balloonclick"); }
void TTrayNotifierEx::balloonHideHandler(TObject*) { FireEvent("balloonhide"); }
void TTrayNotifierEx::balloonShowHandler(TObject*) { FireEvent("balloonshow"); }
void TTrayNotifierEx::balloonTimeoutHandler(TObject*) { FireEvent("balloontimeout"); }
void TTrayNotifierEx::selectHandler(TObject*) { FireEvent("select"); }
void TTrayNotifierEx::popupOpenHandler(TObject*) { FireEvent("popupopen"); }
void TTrayNotifierEx::popupCloseHandler(TObject*) { FireEvent("popupclose"); }

}  // namespace halbrin
