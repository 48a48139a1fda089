// Placement kept across runs of a program: placement_window (its own
// executable) runs several times on this display with one settings folder.

#include <glib.h>
#include <sys/wait.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/window_manager.h"

namespace halbrin::skins {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPath = "Software\\Halbrin\\PlacementTest\\Form";

struct RunResult {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

class PlacementRestartTest : public testing::WindowManagerTest {
 protected:
  // Runs the program with `args` after the registry path, with the settings in `config`.
  RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> words{HALBRIN_PLACEMENT_WINDOW, kPath};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    gchar** envp = g_environ_setenv(g_get_environ(), "XDG_CONFIG_HOME", config.Path().c_str(), TRUE);
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint wait = 0;
    GError* error = nullptr;
    RunResult result;
    if (g_spawn_sync(nullptr, argv.data(), envp, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait, &error)) {
      result.exitStatus = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
      result.out = out ? out : "";
      result.err = err ? err : "";
    } else {
      ADD_FAILURE() << "could not start " << words[0] << ": " << error->message;
      g_error_free(error);
    }
    g_free(out);
    g_free(err);
    g_strfreev(envp);
    return result;
  }

  // The text after "<what> " on its line of the program's output.
  static std::string Line(const RunResult& r, const std::string& what) {
    const std::string key = what + " ";
    for (size_t start = 0; start < r.out.size();) {
      size_t end = r.out.find('\n', start);
      if (end == std::string::npos) end = r.out.size();
      const std::string line = r.out.substr(start, end - start);
      if (line.rfind(key, 0) == 0) return line.substr(key.size());
      start = end + 1;
    }
    return "(no " + what + " line)";
  }

  fs::path StoreFile() const { return config.Path() / "Zebrin" / "registry" / "HKEY_CURRENT_USER.ini"; }

  testing::TempFolder config{"halbrin_placement"};
};

TEST_F(PlacementRestartTest, BoundsAndTheMaximisedStateComeBackOnTheNextRun) {
  // First run: nothing stored, the declared bounds; moved and sized by the program.
  RunResult first = Run({"--bounds", "150,120,500,350"});
  ASSERT_EQ(first.exitStatus, 0) << first.out << first.err;
  EXPECT_EQ(Line(first, "loaded"), "100,80,420,320 max=0 normal=100,80,420,320");
  EXPECT_EQ(Line(first, "after"), "150,120,650,470 max=0 normal=150,120,650,470");
  ASSERT_TRUE(fs::exists(StoreFile())) << "nothing was saved";

  // Second run: the window comes where the first left it; then it is maximised.
  RunResult second = Run({"--maximize"});
  ASSERT_EQ(second.exitStatus, 0) << second.out << second.err;
  EXPECT_EQ(Line(second, "loaded"), "150,120,650,470 max=0 normal=150,120,650,470");
  EXPECT_NE(Line(second, "after").find("max=1 normal=150,120,650,470"), std::string::npos) << Line(second, "after");

  // Third run: maximised from the start, with the normal rectangle kept; restoring gives it back.
  RunResult third = Run({"--restore"});
  ASSERT_EQ(third.exitStatus, 0) << third.out << third.err;
  EXPECT_NE(Line(third, "loaded").find("max=1 normal=150,120,650,470"), std::string::npos) << Line(third, "loaded");
  EXPECT_EQ(Line(third, "after"), "150,120,650,470 max=0 normal=150,120,650,470");
}

TEST_F(PlacementRestartTest, AWindowNeverShownLeavesTheStoreAsItWas) {
  RunResult first = Run({"--bounds", "160,130,480,300", "--maximize"});
  ASSERT_EQ(first.exitStatus, 0) << first.out << first.err;
  const std::string before = testing::ReadFile(StoreFile());

  RunResult hidden = Run({"--hidden"});
  ASSERT_EQ(hidden.exitStatus, 0) << hidden.out << hidden.err;
  EXPECT_EQ(hidden.out, "") << "a hidden window reported a placement";
  EXPECT_EQ(testing::ReadFile(StoreFile()), before) << "the store changed";

  // What was stored still comes back.
  RunResult next = Run({});
  ASSERT_EQ(next.exitStatus, 0) << next.out << next.err;
  EXPECT_NE(Line(next, "loaded").find("max=1 normal=160,130,640,430"), std::string::npos) << Line(next, "loaded");
}

}  // namespace
}  // namespace halbrin::skins
