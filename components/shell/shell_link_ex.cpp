#include "components/shell/shell_link_ex.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "components/shell/exec_fields.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;
constexpr std::int32_t kFileNotFound = static_cast<std::int32_t>(0x80070002);
constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005);
constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);

GKeyFile* NewKeyFile() { return g_key_file_new(); }

bool IsUrl(const std::string& text) { return text.find("://") != std::string::npos; }

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string TakeString(gchar* text) {
  std::string result = text ? text : "";
  g_free(text);
  return result;
}

std::string ReadKey(GKeyFile* file, const char* key) { return TakeString(g_key_file_get_string(file, kGroup, key, nullptr)); }

void WriteKey(GKeyFile* file, const char* key, const std::string& value) {
  if (value.empty())
    g_key_file_remove_key(file, kGroup, key, nullptr);
  else
    g_key_file_set_string(file, kGroup, key, value.c_str());
}

void WriteNumber(GKeyFile* file, const char* key, int value, int none) {
  if (value == none)
    g_key_file_remove_key(file, kGroup, key, nullptr);
  else
    g_key_file_set_integer(file, kGroup, key, value);
}

int ReadNumber(GKeyFile* file, const char* key, int none) {
  GError* error = nullptr;
  const int value = g_key_file_get_integer(file, kGroup, key, &error);
  if (error) {
    g_error_free(error);
    return none;
  }
  return value;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FileUri(const std::string& path) {
  const std::string absolute = fs::absolute(path).lexically_normal().string();
  return TakeString(g_filename_to_uri(absolute.c_str(), nullptr, nullptr));
}

int SpawnCode(const GError* error) {
  if (!error) return kShellStarted;
  if (error->domain != G_SPAWN_ERROR) return kShellNoAssociation;
  switch (error->code) {
    case G_SPAWN_ERROR_NOENT: return kShellFileNotFound;
    case G_SPAWN_ERROR_ACCES:
    case G_SPAWN_ERROR_PERM: return kShellAccessDenied;
    case G_SPAWN_ERROR_NOMEM: return kShellOutOfMemory;
    case G_SPAWN_ERROR_CHDIR: return kShellPathNotFound;
    default: return kShellNoAssociation;
  }
}

}  // namespace

const TEnumInfo& ShellLinkOptionEnumInfo() {
  static const TEnumInfo info("TShellLinkOption", {"sloAnyMatch", "sloInvokeMSI", "sloNoLinkInfo", "sloNoUI",
                                                   "sloNoUpdate", "sloNoSearch", "sloNoTrack", "sloUpdate"});
  return info;
}

using TLink = TShellLinkEx;

HALBRIN_DEFINE_CLASS(TShellLinkEx,
                     .Property("path", &TLink::Path, &TLink::SetPath)
                     .Property("shortPath", &TLink::ShortPath)
                     .Stored(false)
                     .Property("rawPath", &TLink::RawPath)
                     .Stored(false)
                     .Property("description", &TLink::Description, &TLink::SetDescription)
                     .Property("workingDirectory", &TLink::WorkingDirectory, &TLink::SetWorkingDirectory)
                     .Property("arguments", &TLink::Arguments, &TLink::SetArguments)
                     .Property("hotkey", &TLink::Hotkey, &TLink::SetHotkey)
                     .Property("showCmd", &TLink::ShowCmd, &TLink::SetShowCmd)
                     .Property("relativePath", [](const TLink&) { return std::string(); }, &TLink::SetRelativePath)
                     .Stored(false)
                     .Property("iconPath", &TLink::IconPath, &TLink::SetIconPath)
                     .Property("iconIndex", &TLink::IconIndex, &TLink::SetIconIndex)
                     .Property("fileName", &TLink::FileName, &TLink::SetFileName)
                     .Set("options", &TLink::Options, &TLink::SetOptions, ShellLinkOptionEnumInfo(),
                          "TShellLinkOptions"))

TShellLinkEx::TShellLinkEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_keyFile(NewKeyFile(), g_key_file_free) {}

TShellLinkEx::~TShellLinkEx() = default;

void TShellLinkEx::SetRelativePath(const std::string& path) {
  if (m_path.empty() || IsUrl(m_path) || path.empty()) {
    m_relativePath.clear();
    return;
  }
  const fs::path folder = fs::absolute(path).lexically_normal().parent_path();
  m_relativePath = fs::absolute(m_path).lexically_normal().lexically_relative(folder).string();
}

bool TShellLinkEx::TargetIsProgram() const {
  if (m_path.empty() || IsUrl(m_path)) return false;
  if (m_path.find('/') == std::string::npos) return true;
  struct stat info {};
  return stat(m_path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(m_path.c_str(), X_OK) == 0 &&
         !EndsWith(m_path, ".desktop");
}

std::string TShellLinkEx::EntryFileName() const {
  if (EndsWith(m_fileName, ".lnk")) return m_fileName.substr(0, m_fileName.size() - 4) + ".desktop";
  return m_fileName;
}

void TShellLinkEx::ToKeyFile() {
  GKeyFile* file = m_keyFile.get();
  // 1.4: the newest version the validators of current distributions accept;
  // every key written here is older.
  g_key_file_set_string(file, kGroup, "Version", "1.4");
  if (TargetIsProgram()) {
    g_key_file_set_string(file, kGroup, "Type", "Application");
    std::vector<std::string> fields{m_path};
    for (std::string& field : SplitWindowsCommandLine(m_arguments)) fields.push_back(std::move(field));
    g_key_file_set_string(file, kGroup, "Exec", JoinExecFields(fields).c_str());
    g_key_file_remove_key(file, kGroup, "URL", nullptr);
  } else {
    g_key_file_set_string(file, kGroup, "Type", "Link");
    WriteKey(file, "URL", m_path.empty() || IsUrl(m_path) ? m_path : FileUri(m_path));
    g_key_file_remove_key(file, kGroup, "Exec", nullptr);
  }
  if (!g_key_file_has_key(file, kGroup, "Name", nullptr)) {
    std::string name = fs::path(EntryFileName()).stem().string();
    if (name.empty()) name = fs::path(m_path).filename().string();
    g_key_file_set_string(file, kGroup, "Name", name.empty() ? "Shortcut" : name.c_str());
  }
  WriteKey(file, "Comment", m_description);
  WriteKey(file, "Path", m_workingDirectory);
  WriteKey(file, "Icon", m_iconPath);
  WriteNumber(file, "X-Halbrin-IconIndex", m_iconIndex, 0);
  WriteNumber(file, "X-Halbrin-Hotkey", m_hotkey, 0);
  WriteNumber(file, "X-Halbrin-ShowCmd", m_showCmd, 1);
  WriteKey(file, "X-Halbrin-RelativePath", m_relativePath);
}

std::int32_t TShellLinkEx::FromKeyFile() {
  GKeyFile* file = m_keyFile.get();
  m_path.clear();
  m_arguments.clear();
  m_description.clear();
  m_workingDirectory.clear();
  m_iconPath.clear();
  m_iconIndex = 0;
  m_hotkey = 0;
  m_showCmd = 1;
  m_relativePath.clear();
  if (!g_key_file_has_group(file, kGroup)) return kFail;
  if (ReadKey(file, "Type") == "Link") {
    const std::string url = ReadKey(file, "URL");
    std::string local = TakeString(g_filename_from_uri(url.c_str(), nullptr, nullptr));
    m_path = local.empty() ? url : local;
  } else {
    const auto fields = ParseExecFields(ReadKey(file, "Exec"));
    if (!fields) return kFail;
    if (!fields->empty()) {
      m_path = fields->front();
      m_arguments = JoinWindowsCommandLine(std::vector<std::string>(fields->begin() + 1, fields->end()));
    }
  }
  m_description = ReadKey(file, "Comment");
  m_workingDirectory = ReadKey(file, "Path");
  m_iconPath = ReadKey(file, "Icon");
  m_iconIndex = ReadNumber(file, "X-Halbrin-IconIndex", 0);
  m_hotkey = static_cast<std::uint16_t>(ReadNumber(file, "X-Halbrin-Hotkey", 0));
  m_showCmd = ReadNumber(file, "X-Halbrin-ShowCmd", 1);
  m_relativePath = ReadKey(file, "X-Halbrin-RelativePath");
  return 0;
}

std::int32_t TShellLinkEx::Load() {
  const std::string name = EntryFileName();
  struct stat info {};
  if (name.empty() || stat(name.c_str(), &info) != 0) return errno == EACCES ? kAccessDenied : kFileNotFound;
  if (S_ISDIR(info.st_mode)) return kFail;
  if (access(name.c_str(), R_OK) != 0) return kAccessDenied;
  std::unique_ptr<GKeyFile, void (*)(GKeyFile*)> file(NewKeyFile(), g_key_file_free);
  GError* error = nullptr;
  if (!g_key_file_load_from_file(file.get(), name.c_str(),
                                 static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS),
                                 &error)) {
    const bool denied = error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_ACCES;
    g_error_free(error);
    m_keyFile.reset(NewKeyFile());
    FromKeyFile();
    return denied ? kAccessDenied : kFail;
  }
  m_keyFile = std::move(file);
  return FromKeyFile();
}

std::int32_t TShellLinkEx::Save() {
  const std::string name = EntryFileName();
  if (name.empty()) return kFileNotFound;
  if (IsFolder(name)) return kFail;
  ToKeyFile();
  GError* error = nullptr;
  if (!g_key_file_save_to_file(m_keyFile.get(), name.c_str(), &error)) {
    std::int32_t code = kFail;
    if (error->domain == G_FILE_ERROR && error->code == G_FILE_ERROR_NOENT) code = kFileNotFound;
    if (error->domain == G_FILE_ERROR && (error->code == G_FILE_ERROR_ACCES || error->code == G_FILE_ERROR_PERM))
      code = kAccessDenied;
    g_error_free(error);
    return code;
  }
  // Desktops launch only executable entries.
  chmod(name.c_str(), 0755);
  return 0;
}

std::int32_t TShellLinkEx::Resolve() {
  auto exists = [](const std::string& target) {
    if (target.empty()) return false;
    if (IsUrl(target)) return true;
    if (target.find('/') == std::string::npos) return !TakeString(g_find_program_in_path(target.c_str())).empty();
    return Exists(target);
  };
  if (exists(m_path)) return 0;
  if (m_relativePath.empty() || m_fileName.empty()) return 1;
  const fs::path folder = fs::absolute(EntryFileName()).lexically_normal().parent_path();
  const std::string candidate = (folder / m_relativePath).lexically_normal().string();
  if (!Exists(candidate)) return 1;
  m_path = candidate;
  if (m_options & (1u << sloUpdate)) Save();
  return 0;
}

int TShellLinkEx::Launch() const {
  const bool bare = m_path.find('/') == std::string::npos;
  if (bare) {
    if (TakeString(g_find_program_in_path(m_path.c_str())).empty()) return kShellFileNotFound;
  } else if (!Exists(m_path)) {
    return kShellFileNotFound;
  }
  std::vector<std::string> fields{m_path};
  for (std::string& field : SplitWindowsCommandLine(m_arguments)) fields.push_back(std::move(field));
  std::vector<char*> argv;
  for (std::string& field : fields) argv.push_back(field.data());
  argv.push_back(nullptr);
  GError* error = nullptr;
  const GSpawnFlags flags = bare ? G_SPAWN_SEARCH_PATH : G_SPAWN_DEFAULT;
  g_spawn_async(m_workingDirectory.empty() ? nullptr : m_workingDirectory.c_str(), argv.data(), nullptr, flags,
                nullptr, nullptr, nullptr, &error);
  const int code = SpawnCode(error);
  if (error) g_error_free(error);
  return code;
}

int TShellLinkEx::OpenWithHandler(const std::string& target) const {
  std::string uri = target;
  if (!IsUrl(target)) {
    if (!Exists(target)) return kShellFileNotFound;
    uri = FileUri(target);
  }
  GError* error = nullptr;
  const bool started = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return started ? kShellStarted : kShellNoAssociation;
}

int TShellLinkEx::Run(const std::string& verb) {
  if (SameText(verb, "print") || SameText(verb, "find")) return kShellNoAssociation;
  if (m_path.empty()) return kShellFileNotFound;
  if (SameText(verb, "explore")) {
    if (IsUrl(m_path)) return OpenWithHandler(m_path);
    const std::string folder = IsFolder(m_path) ? m_path : fs::path(m_path).parent_path().string();
    if (!IsFolder(folder)) return kShellPathNotFound;
    return OpenWithHandler(folder);
  }
  if (SameText(verb, "edit")) {
    if (TargetIsProgram()) return kShellNoAssociation;
    if (IsUrl(m_path)) return kShellNoAssociation;
    if (!Exists(m_path)) return kShellFileNotFound;
    GFile* file = g_file_new_for_path(m_path.c_str());
    GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                        nullptr, nullptr);
    int code = kShellNoAssociation;
    if (info) {
      GAppInfo* app = g_app_info_get_default_for_type(g_file_info_get_content_type(info), FALSE);
      if (app) {
        GList* files = g_list_append(nullptr, file);
        if (g_app_info_launch(app, files, nullptr, nullptr)) code = kShellStarted;
        g_list_free(files);
        g_object_unref(app);
      }
      g_object_unref(info);
    }
    g_object_unref(file);
    return code;
  }
  // "open"
  if (!m_workingDirectory.empty() && !IsFolder(m_workingDirectory)) return kShellPathNotFound;
  if (TargetIsProgram()) return Launch();
  if (EndsWith(m_path, ".desktop") && Exists(m_path)) {
    GDesktopAppInfo* app = g_desktop_app_info_new_from_filename(m_path.c_str());
    if (!app) return kShellNoAssociation;
    const bool started = g_app_info_launch(G_APP_INFO(app), nullptr, nullptr, nullptr);
    g_object_unref(app);
    return started ? kShellStarted : kShellNoAssociation;
  }
  if (!IsUrl(m_path) && m_path.find('/') != std::string::npos && !Exists(m_path)) return kShellFileNotFound;
  return OpenWithHandler(m_path);
}

void TShellLinkEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "open")) {
    ExecResult() = Load();
  } else if (SameText(word, "save")) {
    ExecResult() = Save();
  } else if (SameText(word, "resolve")) {
    ExecResult() = Resolve();
  } else if (SameText(word, "run")) {
    ExecResult() = Run("open");
  } else if (SameText(word, "edit") || SameText(word, "explore") || SameText(word, "print") ||
             SameText(word, "find")) {
    ExecResult() = Run(word);
  } else {
    Inherited::SetExec(value);
  }
}

}  // namespace halbrin
