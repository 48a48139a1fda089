#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/variant/variant.h"

namespace halbrin {

// Life states of a project, as the type library numbers them.
enum PROJECT_STATE : int {
  PROJECT_STATE_UNINITIALIZED = 0,
  PROJECT_STATE_LOADING = 1,
  PROJECT_STATE_LOADED = 2,
  PROJECT_STATE_INTERACTIVE = 3,
  PROJECT_STATE_COMPLETED = 4,
};

// The project descriptor. The folder always ends with "/" once resolved.
struct TProjectInfo {
  std::string id;
  std::string product;
  std::string name;
  std::string folder;
  std::string version;
  int state = PROJECT_STATE_UNINITIALIZED;
  std::string script = "init";
  // What reading project.info could not use (an encoding that cannot be
  // used, ...), one line each for the project's log once it is open.
  std::vector<std::string> notes;
};

// The process's one descriptor.
TProjectInfo& ProjectInfo();

inline constexpr std::string_view ProgramTitle = "Halbrin Lite";

void InitProjectInfo(TProjectInfo& info);
// The text of project.info's bytes, read in the code page its own "encoding"
// line names (windows-1251 without one, or for one that cannot be used).
std::string DecodeProjectInfo(std::string_view bytes);
// Fills `info` from the project.info of `folder` (empty: ProjectInfoFolder()):
// product, version, name, script (when not empty), and sets the project
// encoding from "encoding" ("windows-1251" when empty, and with a line in
// `info.notes` when it names an encoding that is unknown or cannot be used,
// see CheckProjectEncoding). A missing or unreadable file leaves the
// defaults. State becomes 1.
void ReadProjectInfo(const std::string& id, TProjectInfo& info, const std::string& folder = {});
// ReadProjectInfo into a fresh record copied whole into ProjectInfo(); returns its id.
std::string LoadProjectInfo(const std::string& id, const std::string& folder = {});
// The folder named by "use:" or else the program's folder; stored into
// ProjectInfo().folder. "use:" is made absolute against the current folder and
// normalised lexically (no symbolic link is resolved), with "/" appended, so
// every spelling of one folder is one project.
std::string ResolveProjectFolder();
// Resolves the descriptor, the folder and the id (the braced GUID text of the
// MD5 digest of the folder text exactly as resolved); returns the id.
std::string ResolveProject();
// The id of a project folder text.
std::string ProjectIdOf(std::string_view folder);
// ProjectInfo().folder + relative, with "/" appended when missing.
std::string ExpandProjectPath(std::string_view relative);
// The program's folder, with "/".
std::string ApplicationFolder();
// The folder whose project.info describes the project: "use:" (normalised as
// above) or the program's folder.
std::string ProjectInfoFolder();
// The value an XPath selects in an XML file; Empty or Null when nothing.
platform::Variant ReadXmlValue(const std::string& file, const std::string& xpath);

}  // namespace halbrin
