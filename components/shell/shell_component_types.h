#pragma once

namespace halbrin {

// Registers the type words of the shell components ("fileoperation", "shellnotifier", "shellnotify").
void RegisterShellComponentTypes();

}  // namespace halbrin
