#pragma once

// The desktop's notification area, display-free: one icon per service
// object, its picture, tool tip and title, shown or hidden, and what the host
// reports back through a sink. A StatusNotifierItem (D-Bus) or a GtkStatusIcon
// implements it; tests use fakes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls/control_input.h"

namespace halbrin::platform {

// What the icon shows. `iconBytes` is an image file's bytes (ICO or PNG);
// empty: the theme icon `iconName`.
struct TrayIconContent {
  std::vector<std::uint8_t> iconBytes;
  std::string iconName = "application-x-executable";
  std::string toolTip;
  std::string title;
  friend bool operator==(const TrayIconContent&, const TrayIconContent&) = default;
};

// Screen coordinates throughout. Calls come on the main thread.
class ITrayIconSink {
 public:
  virtual ~ITrayIconSink() = default;
  // The host's click (a StatusNotifierItem's Activate).
  virtual void Activate(int x, int y) = 0;
  // The middle click.
  virtual void SecondaryActivate(int x, int y) = 0;
  // The host asks for the context menu.
  virtual void ContextMenu(int x, int y) = 0;
  // Real presses and releases, where the host gives them (GtkStatusIcon);
  // such a host then reports the click and the menu request on their own.
  virtual void Button(bool down, TMouseButton button, TShiftState shift, int x, int y) = 0;
  virtual void DoubleClick(int x, int y) = 0;
  virtual void Clicked() = 0;
  virtual void MenuRequested(int x, int y) = 0;
  // The icon appeared in a host or left it (a host went away).
  virtual void ShownChanged(bool shown) = 0;
};

class ITrayIconService {
 public:
  virtual ~ITrayIconService() = default;
  virtual void SetContent(const TrayIconContent& content) = 0;
  // Asks for the icon; it is shown once a host takes it (ShownChanged).
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Shown by a host now.
  virtual bool Shown() const = 0;
};

using TrayIconServiceFactory = std::function<std::unique_ptr<ITrayIconService>(ITrayIconSink& sink)>;

// A new icon of the process's tray service; null when there is none.
std::unique_ptr<ITrayIconService> MakeTrayIconService(ITrayIconSink& sink);
// Makes `factory` the process's (empty: none) and returns the one before.
TrayIconServiceFactory SetTrayIconServiceFactory(TrayIconServiceFactory factory);

class ScopedTrayIconServiceFactory {
 public:
  explicit ScopedTrayIconServiceFactory(TrayIconServiceFactory factory)
      : m_previous(SetTrayIconServiceFactory(std::move(factory))) {}
  ~ScopedTrayIconServiceFactory() { SetTrayIconServiceFactory(std::move(m_previous)); }
  ScopedTrayIconServiceFactory(const ScopedTrayIconServiceFactory&) = delete;
  ScopedTrayIconServiceFactory& operator=(const ScopedTrayIconServiceFactory&) = delete;

 private:
  TrayIconServiceFactory m_previous;
};

}  // namespace halbrin::platform
