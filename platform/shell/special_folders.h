#pragma once

#include <string>

namespace halbrin::platform {

// The Windows CSIDL numbers the scripts pass, mapped onto XDG folders.
inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PROGRAMS = 0x0002;
inline constexpr int CSIDL_PERSONAL = 0x0005;
inline constexpr int CSIDL_FAVORITES = 0x0006;
inline constexpr int CSIDL_STARTUP = 0x0007;
inline constexpr int CSIDL_RECENT = 0x0008;
inline constexpr int CSIDL_SENDTO = 0x0009;
inline constexpr int CSIDL_STARTMENU = 0x000b;
inline constexpr int CSIDL_MYMUSIC = 0x000d;
inline constexpr int CSIDL_MYVIDEO = 0x000e;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
inline constexpr int CSIDL_FONTS = 0x0014;
inline constexpr int CSIDL_TEMPLATES = 0x0015;
inline constexpr int CSIDL_COMMON_STARTMENU = 0x0016;
inline constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
inline constexpr int CSIDL_COMMON_STARTUP = 0x0018;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
inline constexpr int CSIDL_APPDATA = 0x001a;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001c;
inline constexpr int CSIDL_COMMON_FAVORITES = 0x001f;
inline constexpr int CSIDL_INTERNET_CACHE = 0x0020;
inline constexpr int CSIDL_COOKIES = 0x0021;
inline constexpr int CSIDL_HISTORY = 0x0022;
inline constexpr int CSIDL_COMMON_APPDATA = 0x0023;
inline constexpr int CSIDL_WINDOWS = 0x0024;
inline constexpr int CSIDL_SYSTEM = 0x0025;
inline constexpr int CSIDL_PROGRAM_FILES = 0x0026;
inline constexpr int CSIDL_MYPICTURES = 0x0027;
inline constexpr int CSIDL_PROFILE = 0x0028;
inline constexpr int CSIDL_COMMON_FILES = 0x002b;
inline constexpr int CSIDL_COMMON_TEMPLATES = 0x002d;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 0x002e;
inline constexpr int CSIDL_COMMON_MUSIC = 0x0035;
inline constexpr int CSIDL_COMMON_PICTURES = 0x0036;
inline constexpr int CSIDL_COMMON_VIDEO = 0x0037;
// Or-ed into a number: create the folder as `create = true` does.
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

// The folder for `csidl` with a trailing "/", or "" for an unknown number.
// The environment and user-dirs.dirs are read at each call. With `create`, a
// missing folder is made with its parents (a failure leaves the path as it is).
std::string GetSpecialFolderPath(int csidl, bool create = false);

// The common application-data folder (per user here: $XDG_DATA_HOME).
std::string GetCommonAppDataPath();

// $TMPDIR, or /tmp, with a trailing "/".
std::string GetTempFolderPath();

}  // namespace halbrin::platform
