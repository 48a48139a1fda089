#pragma once

#include <functional>
#include <string>

#include "platform/graphics/color.h"

namespace halbrin::platform {
class TPropInfo;
class Variant;
}  // namespace halbrin::platform

namespace halbrin::skins {

class TZebrinSkinManager;

// Where skin files may come from, and where skipped elements are reported.
struct TSkinFileOptions {
  std::string projectFolder;      // relative names are taken from here
  std::string applicationFolder;  // the other folder files may lie in
  std::function<void(const std::string&)> log;  // the skin log when unset
};

// An object a skin file sets values on that wants to see them first: the
// check pass asks it about each converted value, and a check that raises
// refuses the whole file before anything changed.
class ISkinFileValueCheck {
 public:
  virtual void CheckSkinFileValue(const platform::TPropInfo& prop, const platform::Variant& value) const = 0;

 protected:
  ~ISkinFileValueCheck() = default;
};

// The largest skin file read, in bytes.
inline constexpr long long kSkinFileMaxSize = 1 << 20;

// Applies a skin file to the manager, all or nothing: every value is
// converted and checked first, then all are set inside one update, while the
// manager holds the file's folder (LoadingSkinFolder). Raises
// ESkinManagerException naming the file (and the line and element of a bad
// value).
void LoadSkinFile(TZebrinSkinManager& manager, const std::string& fileName, const TSkinFileOptions& options);

}  // namespace halbrin::skins
