#include "core/scripting/script_references.h"

#include <filesystem>
#include <system_error>

#include "core/foundation/paths.h"
#include "core/scripting/script_folders.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

namespace fs = std::filesystem;

std::string ResolveScriptFileName(std::string_view name, bool applicationRelative) {
  std::string file = WithSlashes(name);
  if (!fs::path(file).has_extension()) file += ".js";
  const ScriptFolders folders = GetScriptFolders();
  const fs::path base = applicationRelative ? folders.applicationFolder : folders.projectFolder;
  fs::path path;
  if (file.find('/') != std::string::npos)
    path = fs::path(file).is_absolute() ? fs::path(file) : base / file;
  else
    path = base / "scripts" / file;
  return path.lexically_normal().generic_string();
}

ScriptReference ParseScriptReference(std::string_view reference) {
  if (reference.size() >= 2 && reference.front() == '<' && reference.back() == '>')
    return {std::string(reference.substr(1, reference.size() - 2)), true};
  return {std::string(reference), false};
}

std::string ResolveScriptReference(std::string_view reference) {
  const ScriptReference parsed = ParseScriptReference(reference);
  return ResolveScriptFileName(parsed.name, parsed.applicationRelative);
}

bool CheckScriptFile(const std::string& fileName, std::string_view message) {
  std::error_code error;
  if (fs::is_regular_file(fileName, error)) return false;
  if (!message.empty()) throw platform::Exception(platform::Format(message, {fileName}));
  return true;
}

}  // namespace halbrin
