#pragma once

// The tray icon as a StatusNotifierItem on the session bus: the item is
// exported while the icon is asked for and registered with
// org.kde.StatusNotifierWatcher whenever a watcher is there (a panel that
// restarts gets it again).

#include "platform/services/tray_service.h"

namespace halbrin::platform {

// Icons on the session bus; a factory that makes nothing when there is no bus.
TrayIconServiceFactory StatusNotifierTrayIconFactory();

// The bus name of the watcher hosts run.
inline constexpr const char* kStatusNotifierWatcher = "org.kde.StatusNotifierWatcher";

// An image file's bytes as the item's pixmap: width, height, ARGB32 in
// network byte order. Empty when they are no image.
struct TrayPixmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> argb;
};
TrayPixmap DecodeTrayPixmap(const std::vector<std::uint8_t>& bytes);

}  // namespace halbrin::platform
