#pragma once

// The notification-area icon ("traynotifier"): an icon with tool tip, the
// host's clicks as the standard mouse, click and context-popup events, a
// popup menu, and balloons (desktop notifications) with their events.
//
//   <traynotifier id="tray" hint="My tool" text="Started" popupMenu="trayMenu" active="true">
//     <events><event id="onclick" xml="trayClick"/></events>
//   </traynotifier>

#include <cstdint>
#include <memory>
#include <string>

#include "core/foundation/icon_loader.h"
#include "core/framework/std_events_component.h"
#include "platform/classes/method.h"
#include "platform/graphics/popup_menu.h"
#include "platform/services/notification_service.h"
#include "platform/services/tray_service.h"

namespace halbrin {

enum class TBalloonIcon : std::uint32_t { biNone, biInfo, biWarning, biError, biUser };
const platform::TEnumInfo& BalloonIconEnumInfo();

// Limits of the texts, in characters.
inline constexpr std::size_t kTrayHintLimit = 127;
inline constexpr std::size_t kBalloonTitleLimit = 63;
inline constexpr std::size_t kBalloonTextLimit = 255;

class TTrayNotifierEx : public TCustomExecutableStdEventsComponentEx,
                        private platform::ITrayIconSink,
                        private platform::INotificationSink {
  HALBRIN_CLASS(TTrayNotifierEx, TCustomExecutableStdEventsComponentEx)

  explicit TTrayNotifierEx(platform::TComponent* owner = nullptr);
  ~TTrayNotifierEx() override;

  std::string GetTypeName() const override { return "traynotifier"; }

  // Reads true only while a host shows the icon; writing true asks for it.
  bool Active() const;
  void SetActive(bool active);
  // The icon is asked for (shown or waiting for a host).
  bool Requested() const noexcept { return m_requested; }

  int Timeout() const noexcept { return m_timeout; }
  void SetTimeout(int timeout);
  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title);
  const std::string& Text() const noexcept { return m_text; }
  void SetText(const std::string& text);
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& hint);
  TBalloonIcon BalloonIcon() const noexcept { return m_balloonIcon; }
  void SetBalloonIcon(TBalloonIcon icon);
  // Icon sources (a file, or "file,index"); one that is no icon leaves the icon as it was.
  const std::string& Image() const noexcept { return m_image; }
  void SetImage(const std::string& image);
  const std::string& BalloonImage() const noexcept { return m_balloonImage; }
  void SetBalloonImage(const std::string& image);
  bool Sound() const noexcept { return m_sound; }
  void SetSound(bool sound) noexcept { m_sound = sound; }
  // Stored; notifications have no large-icon flag.
  bool LargeIcon() const noexcept { return m_largeIcon; }
  void SetLargeIcon(bool largeIcon);
  platform::TPopupMenu* PopupMenu() const noexcept { return m_popupMenu.Get(); }
  void SetPopupMenu(platform::TPopupMenu* menu) { m_popupMenu.Reset(menu); }
  bool FirstShow() const noexcept { return m_firstShow; }
  void SetFirstShow(bool firstShow) noexcept { m_firstShow = firstShow; }
  bool AutoActivate() const noexcept { return m_autoActivate; }
  void SetAutoActivate(bool autoActivate) noexcept { m_autoActivate = autoActivate; }
  bool AutoHide() const noexcept { return m_autoHide; }
  void SetAutoHide(bool autoHide) noexcept { m_autoHide = autoHide; }

  // What the icon shows now, and the balloon the properties give.
  platform::TrayIconContent IconContent() const;
  platform::Balloon BalloonContent() const;

  // Words: "show", "hide", "hideBalloon", "showBalloon", "focus" (nothing),
  // "autoactivate", "autohide".
  void SetExec(const platform::Variant& value) override;

  // "show" with [Name, firstShow]; the others with the Name.
  void showHandler(platform::TObject* sender) override;
  virtual void balloonClickHandler(platform::TObject* sender);
  virtual void balloonHideHandler(platform::TObject* sender);
  virtual void balloonShowHandler(platform::TObject* sender);
  virtual void balloonTimeoutHandler(platform::TObject* sender);
  virtual void selectHandler(platform::TObject* sender);
  virtual void popupOpenHandler(platform::TObject* sender);
  virtual void popupCloseHandler(platform::TObject* sender);

 private:
  // ITrayIconSink
  void Activate(int x, int y) override;
  void SecondaryActivate(int x, int y) override;
  void ContextMenu(int x, int y) override;
  void Button(bool down, platform::TMouseButton button, platform::TShiftState shift, int x, int y) override;
  void DoubleClick(int x, int y) override;
  void Clicked() override;
  void MenuRequested(int x, int y) override;
  void ShownChanged(bool shown) override;
  // INotificationSink
  void BalloonClosed(platform::BalloonCloseReason reason) override;
  void BalloonClicked() override;

  // Updates the icon and, while it is asked for and `text` is set, shows the balloon.
  void Refresh();
  void ShowBalloon();
  void HideBalloon();
  void RunAutoActivate();
  void RunAutoHide();
  void Shown();

  int m_timeout = 10;
  std::string m_title;
  std::string m_text;
  std::string m_hint;
  TBalloonIcon m_balloonIcon = TBalloonIcon::biInfo;
  std::string m_image;
  std::string m_balloonImage;
  IconHandle m_icon;
  IconHandle m_balloonIconImage;
  bool m_sound = true;
  bool m_largeIcon = true;
  platform::TWeakRef<platform::TPopupMenu> m_popupMenu;
  bool m_firstShow = true;
  bool m_autoActivate = true;
  bool m_autoHide = false;

  bool m_requested = false;
  bool m_showFired = false;        // "show" fired since the icon was asked for
  bool m_balloonClicked = false;   // the closing that follows a click fires nothing
  bool m_trayMissingLogged = false;
  bool m_balloonsMissingLogged = false;
  std::unique_ptr<platform::ITrayIconService> m_tray;
  std::unique_ptr<platform::INotificationService> m_balloons;

  platform::TNotifyEvent m_onClick, m_onDblClick, m_onHide, m_onShow, m_onBalloonClick, m_onBalloonHide,
      m_onBalloonShow, m_onBalloonTimeout, m_onSelect, m_onPopupOpen, m_onPopupClose;
  TContextPopupEvent m_onContextPopup;
  TMouseEvent m_onMouseDown, m_onMouseUp;
  TMouseMoveEvent m_onMouseMove;
};

}  // namespace halbrin
