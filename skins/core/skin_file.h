#pragma once

#include <functional>
#include <string>

#include "platform/graphics/color.h"

namespace halbrin::skins {

class TZebrinSkinManager;

// Where skin files may come from, and where skipped elements are reported.
struct TSkinFileOptions {
  std::string projectFolder;      // relative names are taken from here
  std::string applicationFolder;  // the other folder files may lie in
  std::function<void(const std::string&)> log;
};

// The largest skin file read, in bytes.
inline constexpr long long kSkinFileMaxSize = 1 << 20;

// Applies a skin file to the manager, all or nothing: every value is checked
// first, then all are set inside one update. Raises ESkinManagerException
// naming the file (and the line and element of a bad value).
void LoadSkinFile(TZebrinSkinManager& manager, const std::string& fileName, const TSkinFileOptions& options);

}  // namespace halbrin::skins
