#include "platform/shell/special_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/test_support.h"

namespace halbrin::platform {
namespace {

namespace fs = std::filesystem;

using testing::MakeFolders;
using testing::ScopedEnv;
using testing::TempFolder;
using testing::WriteFile;

// A fake home with every XDG folder set apart from it, so a mapping onto the
// wrong variable shows.
class SpecialFoldersTest : public ::testing::Test {
 protected:
  SpecialFoldersTest()
      : m_temp("special_folders_test"),
        m_home("HOME", Dir("home")),
        m_config("XDG_CONFIG_HOME", Dir("config")),
        m_data("XDG_DATA_HOME", Dir("data")),
        m_cache("XDG_CACHE_HOME", Dir("cache")),
        m_runtime("XDG_RUNTIME_DIR", Dir("runtime")) {}

  std::string Dir(const std::string& sub) const { return m_temp.Path(sub); }
  std::string Expected(const std::string& sub) const { return Dir(sub) + "/"; }

  void WriteUserDirs(const std::string& text) {
    WriteFile(m_temp.Path() / "config" / "user-dirs.dirs", text, MakeFolders::Yes);
  }

  TempFolder m_temp;
  ScopedEnv m_home;
  ScopedEnv m_config;
  ScopedEnv m_data;
  ScopedEnv m_cache;
  ScopedEnv m_runtime;
};

struct FolderCase {
  int csidl;
  const char* expected;  // below the test root
};

TEST_F(SpecialFoldersTest, MapsEachNumberOntoItsXdgFolder) {
  const FolderCase cases[] = {
      {CSIDL_DESKTOP, "home/Desktop"},
      {CSIDL_DESKTOPDIRECTORY, "home/Desktop"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, "home/Desktop"},
      {CSIDL_PERSONAL, "home/Documents"},
      {CSIDL_COMMON_DOCUMENTS, "home/Public"},
      {CSIDL_MYMUSIC, "home/Music"},
      {CSIDL_MYPICTURES, "home/Pictures"},
      {CSIDL_MYVIDEO, "home/Videos"},
      {CSIDL_TEMPLATES, "home/Templates"},
      {CSIDL_COMMON_TEMPLATES, "home/Templates"},
      {CSIDL_PROFILE, "home"},
      {CSIDL_APPDATA, "config"},
      {CSIDL_STARTUP, "config/autostart"},
      {CSIDL_LOCAL_APPDATA, "data"},
      {CSIDL_COMMON_APPDATA, "data"},
      {CSIDL_FONTS, "data/fonts"},
      {CSIDL_PROGRAMS, "data/applications"},
      {CSIDL_STARTMENU, "data/applications"},
      {CSIDL_COMMON_PROGRAMS, "data/applications"},
      {CSIDL_COMMON_STARTMENU, "data/applications"},
      {CSIDL_RECENT, "data/Zebrin/Recent"},
      {CSIDL_HISTORY, "data/Zebrin/History"},
      {CSIDL_COOKIES, "data/Zebrin/Cookies"},
      {CSIDL_FAVORITES, "data/Zebrin/Favorites"},
      {CSIDL_SENDTO, "data/Zebrin/SendTo"},
      {CSIDL_INTERNET_CACHE, "cache"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.csidl);
    EXPECT_EQ(GetSpecialFolderPath(c.csidl), Expected(c.expected));
  }
  EXPECT_EQ(GetCommonAppDataPath(), Expected("data"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), "/opt/");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_WINDOWS), "/usr/");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_SYSTEM), "/usr/lib/");
}

TEST_F(SpecialFoldersTest, UnknownNumberGivesEmptyText) {
  for (int csidl : {0x0001, 0x0003, 0x00ff, 0x1234, -1}) {
    SCOPED_TRACE(csidl);
    EXPECT_EQ(GetSpecialFolderPath(csidl), "");
    EXPECT_EQ(GetSpecialFolderPath(csidl, true), "");
  }
}

TEST_F(SpecialFoldersTest, UserDirsFileIsHonoured) {
  WriteUserDirs(
      "# This file is written by xdg-user-dirs-update\n"
      "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
      "XDG_DOCUMENTS_DIR=\"" + Dir("elsewhere/Dokumente") + "\"\n"
      "  XDG_MUSIC_DIR = \"$HOME/Mu\\\"sik\"\n"
      "XDG_PICTURES_DIR=\"relative/ignored\"\n"
      "XDG_VIDEOS_DIR=\"$HOME\"\n"
      "XDG_PUBLICSHARE_DIR=\"$HOME/first\"\n"
      "XDG_PUBLICSHARE_DIR=\"$HOME/Öffentlich\"\n"
      "XDG_TEMPLATES_DIR_OLD=\"$HOME/not this one\"\n");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOP), Expected("home/Schreibtisch"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_PERSONAL), Expected("elsewhere/Dokumente"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_MYMUSIC), Expected("home/Mu\"sik"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_MYPICTURES), Expected("home/Pictures"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_MYVIDEO), Expected("home"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_COMMON_DOCUMENTS), Expected("home/Öffentlich"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_TEMPLATES), Expected("home/Templates"));
}

TEST_F(SpecialFoldersTest, EnvironmentIsReadAtEachCall) {
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), Expected("config"));
  {
    ScopedEnv moved("XDG_CONFIG_HOME", Dir("moved"));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), Expected("moved"));
  }
  // Unset, empty and relative values fall back to the defaults under $HOME.
  ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv emptyData("XDG_DATA_HOME", "");
  ScopedEnv relativeCache("XDG_CACHE_HOME", "relative/cache");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), Expected("home/.config"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_STARTUP), Expected("home/.config/autostart"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), Expected("home/.local/share"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_FONTS), Expected("home/.local/share/fonts"));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_INTERNET_CACHE), Expected("home/.cache"));

  // user-dirs.dirs is then looked for under the default config folder.
  WriteFile(m_temp.Path() / "home" / ".config" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
            MakeFolders::Yes);
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOP), Expected("home/Bureau"));
}

TEST_F(SpecialFoldersTest, CreateMakesTheFolderWithItsParents) {
  const std::string recent = Expected("data/Zebrin/Recent");
  ASSERT_FALSE(fs::exists(recent));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_RECENT), recent);
  EXPECT_FALSE(fs::exists(recent)) << "no folder without create";
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_RECENT, true), recent);
  EXPECT_TRUE(fs::is_directory(recent));

  const std::string desktop = Expected("home/Desktop");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOP | CSIDL_FLAG_CREATE), desktop);
  EXPECT_TRUE(fs::is_directory(desktop));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOP, true), desktop) << "an existing folder is fine";
}

TEST_F(SpecialFoldersTest, TempFolder) {
  {
    ScopedEnv temp("TMPDIR", Dir("tmp") + "//");
    EXPECT_EQ(GetTempFolderPath(), Expected("tmp"));
  }
  ScopedEnv noTemp("TMPDIR", std::nullopt);
  EXPECT_EQ(GetTempFolderPath(), "/tmp/");
}

}  // namespace
}  // namespace halbrin::platform
