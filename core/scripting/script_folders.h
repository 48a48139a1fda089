#pragma once

#include <string>

namespace halbrin {

// The folders script names resolve against, each with a trailing "/": the
// project folder (bare and relative names) and the application folder
// (names in angle brackets). Start-up sets them once the project is known;
// until then both are the program's own folder. Safe to use from any thread.
struct ScriptFolders {
  std::string projectFolder;
  std::string applicationFolder;
};

ScriptFolders GetScriptFolders();
// A folder given without its trailing "/" gets one; an empty one means the program's folder.
void SetScriptFolders(ScriptFolders folders);

}  // namespace halbrin
