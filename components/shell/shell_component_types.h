#pragma once

namespace halbrin {

// Registers the type words of the shell components ("fileoperation").
void RegisterShellComponentTypes();

}  // namespace halbrin
