#pragma once

// The tray icon on the old XEmbed notification area (GtkStatusIcon), for X11
// desktops without a StatusNotifierItem host, and the choice between the two.

#include "platform/services/tray_service.h"

namespace halbrin::platform {

// Icons as GtkStatusIcons: real presses, releases and double clicks, "activate"
// the click, "popup-menu" the menu request, "notify::embedded" the shown state.
// Needs GTK initialised with an X11 display.
TrayIconServiceFactory GtkStatusIconTrayFactory();

// Where a GtkStatusIcon of GtkStatusIconTrayFactory is on the screen; false
// for another service or an icon not docked.
bool GtkStatusIconArea(const ITrayIconService& service, int& x, int& y, int& width, int& height);

// A StatusNotifierItem when a watcher owns its name on the session bus, else a
// GtkStatusIcon when an XEmbed notification area runs on the X11 display, else
// a StatusNotifierItem that waits for a watcher.
TrayIconServiceFactory DefaultTrayIconServiceFactory();

}  // namespace halbrin::platform
