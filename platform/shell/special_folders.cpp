#include "platform/shell/special_folders.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>

namespace halbrin::platform {

namespace {

// Where a folder comes from; `sub` is appended below that base.
enum class Base { Home, ConfigHome, DataHome, CacheHome, UserDir, System };

struct Folder {
  int csidl;
  Base base;
  std::string_view sub;  // for UserDir: the user-dirs.dirs name, e.g. "DESKTOP"
  std::string_view fallback = {};  // for UserDir: the folder under $HOME when unset
};

constexpr Folder kFolders[] = {
    {CSIDL_DESKTOP, Base::UserDir, "DESKTOP", "Desktop"},
    {CSIDL_DESKTOPDIRECTORY, Base::UserDir, "DESKTOP", "Desktop"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, Base::UserDir, "DESKTOP", "Desktop"},
    {CSIDL_PERSONAL, Base::UserDir, "DOCUMENTS", "Documents"},
    {CSIDL_COMMON_DOCUMENTS, Base::UserDir, "PUBLICSHARE", "Public"},
    {CSIDL_MYMUSIC, Base::UserDir, "MUSIC", "Music"},
    {CSIDL_COMMON_MUSIC, Base::UserDir, "MUSIC", "Music"},
    {CSIDL_MYPICTURES, Base::UserDir, "PICTURES", "Pictures"},
    {CSIDL_COMMON_PICTURES, Base::UserDir, "PICTURES", "Pictures"},
    {CSIDL_MYVIDEO, Base::UserDir, "VIDEOS", "Videos"},
    {CSIDL_COMMON_VIDEO, Base::UserDir, "VIDEOS", "Videos"},
    {CSIDL_TEMPLATES, Base::UserDir, "TEMPLATES", "Templates"},
    {CSIDL_COMMON_TEMPLATES, Base::UserDir, "TEMPLATES", "Templates"},
    {CSIDL_PROFILE, Base::Home, ""},
    {CSIDL_APPDATA, Base::ConfigHome, ""},
    {CSIDL_STARTUP, Base::ConfigHome, "autostart"},
    {CSIDL_COMMON_STARTUP, Base::ConfigHome, "autostart"},
    {CSIDL_LOCAL_APPDATA, Base::DataHome, ""},
    {CSIDL_COMMON_APPDATA, Base::DataHome, ""},
    {CSIDL_FONTS, Base::DataHome, "fonts"},
    {CSIDL_PROGRAMS, Base::DataHome, "applications"},
    {CSIDL_STARTMENU, Base::DataHome, "applications"},
    {CSIDL_COMMON_PROGRAMS, Base::DataHome, "applications"},
    {CSIDL_COMMON_STARTMENU, Base::DataHome, "applications"},
    {CSIDL_RECENT, Base::DataHome, "Zebrin/Recent"},
    {CSIDL_HISTORY, Base::DataHome, "Zebrin/History"},
    {CSIDL_COOKIES, Base::DataHome, "Zebrin/Cookies"},
    {CSIDL_FAVORITES, Base::DataHome, "Zebrin/Favorites"},
    {CSIDL_COMMON_FAVORITES, Base::DataHome, "Zebrin/Favorites"},
    {CSIDL_SENDTO, Base::DataHome, "Zebrin/SendTo"},
    {CSIDL_INTERNET_CACHE, Base::CacheHome, ""},
    {CSIDL_WINDOWS, Base::System, "/usr"},
    {CSIDL_SYSTEM, Base::System, "/usr/lib"},
    {CSIDL_PROGRAM_FILES, Base::System, "/opt"},
    {CSIDL_COMMON_FILES, Base::System, "/usr/share"},
};

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  // g_get_home_dir caches its answer; it is only the last resort.
  return home && *home ? home : g_get_home_dir();
}

// The XDG rule: an unset, empty or relative value means the default.
std::string XdgFolder(const char* variable, std::string_view defaultUnderHome) {
  const char* value = std::getenv(variable);
  if (value && g_path_is_absolute(value)) return value;
  return HomeFolder() + "/" + std::string(defaultUnderHome);
}

// One XDG_<name>_DIR entry of user-dirs.dirs: a quoted "$HOME/..." or absolute
// path, with shell backslash escapes.
std::optional<std::string> ReadUserDir(std::string_view name) {
  std::ifstream file(XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
  if (!file) return std::nullopt;
  std::string wanted = "XDG_" + std::string(name) + "_DIR";
  std::optional<std::string> found;
  std::string line;
  while (std::getline(file, line)) {
    std::string_view text(line);
    while (!text.empty() && g_ascii_isspace(text.front())) text.remove_prefix(1);
    if (text.substr(0, wanted.size()) != wanted) continue;
    text.remove_prefix(wanted.size());
    while (!text.empty() && g_ascii_isspace(text.front())) text.remove_prefix(1);
    if (text.empty() || text.front() != '=') continue;
    text.remove_prefix(1);
    while (!text.empty() && g_ascii_isspace(text.front())) text.remove_prefix(1);
    if (text.empty() || text.front() != '"') continue;
    text.remove_prefix(1);

    std::string value;
    bool closed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '"') {
        closed = true;
        break;
      }
      if (text[i] == '\\' && i + 1 < text.size()) ++i;
      value.push_back(text[i]);
    }
    if (!closed) continue;

    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/'))
      value = HomeFolder() + value.substr(kHome.size());
    else if (!g_path_is_absolute(value.c_str()))
      continue;
    // A later line overrides an earlier one, as when the file is sourced.
    found = std::move(value);
  }
  return found;
}

std::string WithTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

std::string Join(std::string base, std::string_view sub) {
  if (sub.empty()) return base;
  if (base.empty() || base.back() != '/') base.push_back('/');
  return base.append(sub);
}

std::string FolderPath(const Folder& folder) {
  switch (folder.base) {
    case Base::Home: return HomeFolder();
    case Base::ConfigHome: return Join(XdgFolder("XDG_CONFIG_HOME", ".config"), folder.sub);
    case Base::DataHome: return Join(XdgFolder("XDG_DATA_HOME", ".local/share"), folder.sub);
    case Base::CacheHome: return Join(XdgFolder("XDG_CACHE_HOME", ".cache"), folder.sub);
    case Base::System: return std::string(folder.sub);
    case Base::UserDir:
      if (std::optional<std::string> path = ReadUserDir(folder.sub)) return *path;
      return Join(HomeFolder(), folder.fallback);
  }
  return {};
}

}  // namespace

std::string GetSpecialFolderPath(int csidl, bool create) {
  if (csidl & CSIDL_FLAG_CREATE) create = true;
  csidl &= 0xFF;
  for (const Folder& folder : kFolders) {
    if (folder.csidl != csidl) continue;
    std::string path = WithTrailingSlash(FolderPath(folder));
    if (create) g_mkdir_with_parents(path.c_str(), 0700);
    return path;
  }
  return {};
}

std::string GetCommonAppDataPath() { return GetSpecialFolderPath(CSIDL_COMMON_APPDATA); }

std::string GetTempFolderPath() {
  const char* temp = std::getenv("TMPDIR");
  return WithTrailingSlash(temp && g_path_is_absolute(temp) ? temp : "/tmp");
}

}  // namespace halbrin::platform
