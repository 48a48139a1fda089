#include "core/app/project_info.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "core/app/command_line.h"
#include "core/foundation/digests.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/paths.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/text_files.h"
#include "platform/base/format.h"
#include "platform/classes/string_list.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using platform::TStringList;
using platform::Variant;

namespace {

std::string WithSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The "encoding" line of project.info, read from the raw bytes: the keys are
// ASCII in every code page, and the value says how to read the rest.
std::string DeclaredEncoding(std::string_view bytes) {
  TStringList lines;
  lines.SetText(bytes);
  return std::string(platform::TrimBlanks(lines.Values("encoding")));
}

// The code page a declared encoding stands for: the default for none, and
// also for one that cannot be used, with the reason in `note`.
std::string UsableEncoding(const std::string& declared, std::string* note) {
  if (declared.empty()) return std::string(DefaultXmlEncoding);
  try {
    if (!std::all_of(declared.begin(), declared.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      throw EEncodingError("The name is not ASCII text");
    CheckProjectEncoding(declared);
    return declared;
  } catch (const EEncodingError& error) {
    if (note)
      *note = platform::Format("The encoding named in project.info cannot be used, %s is used instead: %s",
                               {DefaultXmlEncoding, error.Message()});
    return std::string(DefaultXmlEncoding);
  }
}

// The "use:" folder made absolute against the current folder and normalised
// lexically ("//", "/./", "/../"), with "/" appended; "" without the switch.
// Symbolic links stay as given: the id is of the folder as the user names it.
std::string UseFolder() {
  const std::string use = GetSwitch("use");
  if (use.empty()) return {};
  std::filesystem::path path(use);
  if (path.is_relative()) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (!error) path = current / path;
  }
  std::string folder = path.lexically_normal().string();
  // POSIX keeps a leading "//" apart; Linux does not.
  while (folder.size() > 1 && folder[0] == '/' && folder[1] == '/') folder.erase(0, 1);
  return WithSeparator(folder);
}

}  // namespace

std::string DecodeProjectInfo(std::string_view bytes) {
  return DecodeFileText(bytes, UsableEncoding(DeclaredEncoding(bytes), nullptr));
}

TProjectInfo& ProjectInfo() {
  static TProjectInfo info;
  return info;
}

void InitProjectInfo(TProjectInfo& info) { info = TProjectInfo{}; }

std::string ProjectInfoFolder() {
  const std::string use = UseFolder();
  return use.empty() ? ApplicationFolder() : use;
}

void ReadProjectInfo(const std::string& id, TProjectInfo& info, const std::string& folder) {
  InitProjectInfo(info);
  info.id = id;
  info.state = PROJECT_STATE_LOADING;
  try {
    const std::string from = folder.empty() ? ProjectInfoFolder() : WithSeparator(folder);
    const std::string bytes = LoadBytesFromFile(from + "project.info");
    std::string note;
    const std::string encoding = UsableEncoding(DeclaredEncoding(bytes), &note);
    if (!note.empty()) info.notes.push_back(note);
    const std::string text = DecodeFileText(bytes, encoding);
    TStringList lines;
    lines.SetText(text);
    info.product = lines.Values("product");
    info.version = lines.Values("version");
    info.name = lines.Values("name");
    if (std::string script = lines.Values("script"); !script.empty()) info.script = script;
    SetXmlEncoding(encoding);
  } catch (const platform::Exception&) {
    // No project.info, or one that cannot be read: the defaults stand.
  }
}

std::string LoadProjectInfo(const std::string& id, const std::string& folder) {
  TProjectInfo info;
  ReadProjectInfo(id, info, folder);
  ProjectInfo() = info;
  return ProjectInfo().id;
}

std::string ResolveProjectFolder() {
  const std::string use = UseFolder();
  ProjectInfo().folder = use;
  const std::string folder = use.empty() ? ApplicationFolder() : ExpandProjectPath("");
  ProjectInfo().folder = folder;
  return folder;
}

std::string ProjectIdOf(std::string_view folder) {
  // File names are UTF-8 here, so the digest is of the folder's UTF-8 bytes.
  return BytesToGuidText(DigestBytes(folder, CALG_MD5));
}

std::string ResolveProject() {
  std::string file = GetSwitch("file");
  std::error_code error;
  if (!file.empty() && std::filesystem::is_regular_file(file, error)) {
    // An XML file may carry a project attribute; any other file names none.
    Variant value;
    try {
      value = ReadXmlValue(file, "//*[@project]/@project");
    } catch (const platform::Exception&) {
    }
    file = value.IsEmptyOrNull() ? std::string() : value.ToText();
  }
  LoadProjectInfo(file);
  const std::string folder = ResolveProjectFolder();
  ProjectInfo().id = ProjectIdOf(folder);
  return ProjectInfo().id;
}

std::string ExpandProjectPath(std::string_view relative) {
  return WithSeparator(ProjectInfo().folder + std::string(relative));
}

std::string ApplicationFolder() { return WithSeparator(ParentFolder(GetApplicationFileName())); }

Variant ReadXmlValue(const std::string& file, const std::string& xpath) {
  return TMSXMLDOMDocument::CreateFromFile(file)->GetNodeValue(xpath);
}

}  // namespace halbrin
