#pragma once

namespace halbrin {

// Registers the type words of the shell components ("fileoperation", "shellnotifier", "shellnotify", "traynotifier", "shelllink").
void RegisterShellComponentTypes();

}  // namespace halbrin
