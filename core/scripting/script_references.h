#pragma once

#include <string>
#include <string_view>

namespace halbrin {

// A script file name: without an extension it gets ".js"; with a "/" (or
// "\") it is a path taken against the base folder and normalised (".."
// climbs out of it); otherwise it lies in the base folder's "scripts/". The
// base is the application folder for an application-relative name, else the
// project folder (ScriptFolders). Pure path arithmetic: the process's current
// folder is never used or changed.
std::string ResolveScriptFileName(std::string_view name, bool applicationRelative);

// "<name>" is application-relative (the brackets are dropped); anything else
// is project-relative.
struct ScriptReference {
  std::string name;
  bool applicationRelative = false;
};
ScriptReference ParseScriptReference(std::string_view reference);
// ParseScriptReference, then ResolveScriptFileName.
std::string ResolveScriptReference(std::string_view reference);

// True when the file does not exist. With a message, a missing file raises
// platform::Exception with the message formatted with the file name instead.
bool CheckScriptFile(const std::string& fileName, std::string_view message = {});

}  // namespace halbrin
