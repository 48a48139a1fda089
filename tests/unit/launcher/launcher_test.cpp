// The launcher: where it looks for the program, what it answers, and the
// real program copied beside a payload folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "launcher/launcher.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct CandidateCase {
  const char* launcher;
  const char* first;
  const char* second;
};

TEST(LauncherCandidates, TheFolderNamedAfterTheLauncherWithAndWithoutFiles) {
  const CandidateCase cases[] = {
      {"/a/setup.exe", "/a/setup.files/halbrinlite", "/a/setup/halbrinlite"},
      {"/a/my.app.exe", "/a/my.app.files/halbrinlite", "/a/my.app/halbrinlite"},
      {"/opt/my.dir/welcome", "/opt/my.dir/welcome.files/halbrinlite", "/opt/my.dir/welcome/halbrinlite"},
      {"/a/.hidden", "/a/.hidden.files/halbrinlite", "/a/.hidden/halbrinlite"},
      {"welcome.run", "welcome.files/halbrinlite", "welcome/halbrinlite"},
  };
  for (const CandidateCase& c : cases) {
    const auto [first, second] = LauncherCandidates(c.launcher);
    EXPECT_EQ(first, c.first) << c.launcher;
    EXPECT_EQ(second, c.second) << c.launcher;
  }
}

// A folder with a stand-in program that leaves a mark when started.
class LauncherRun : public ::testing::Test {
 protected:
  void Program(const std::string& folder) {
    const std::string path = m_temp.Write(folder + "/halbrinlite",
                                          "#!/bin/sh\nd=\"$(dirname \"$0\")\"\necho \"$#\" > \"$d/started.part\" && mv \"$d/started.part\" \"$d/started\"\n",
                                          testing::MakeFolders::Yes);
    chmod(path.c_str(), 0755);
  }
  bool Started(const std::string& folder) const {
    const fs::path mark = m_temp.Path() / folder / "started";
    for (int i = 0; i < 500 && !fs::exists(mark); ++i) std::this_thread::sleep_for(10ms);
    return fs::exists(mark) && testing::ReadFile(mark) == "0\n";
  }
  std::string Launcher(const std::string& name) const { return (m_temp.Path() / name).string(); }

  testing::TempFolder m_temp{"halbrin_launcher"};
};

TEST_F(LauncherRun, TheFilesFolderComesFirst) {
  Program("setup.files");
  Program("setup");
  EXPECT_EQ(RunLauncher(Launcher("setup.exe")), kLauncherStarted);
  EXPECT_TRUE(Started("setup.files")) << "started, with no arguments";
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(fs::exists(m_temp.Path() / "setup/started")) << "the second place is never tried";
}

TEST_F(LauncherRun, TheFolderOfTheSameNameIsTheSecondChoice) {
  Program("setup");
  EXPECT_EQ(RunLauncher(Launcher("setup.exe")), kLauncherStarted);
  EXPECT_TRUE(Started("setup"));
}

TEST_F(LauncherRun, NothingToStartAnswersTheShellsCode) {
  EXPECT_EQ(RunLauncher(Launcher("setup.exe")), 2);
  const std::string plain = m_temp.Write("setup/halbrinlite", "not a program", testing::MakeFolders::Yes);
  chmod(plain.c_str(), 0644);
  EXPECT_LE(RunLauncher(Launcher("setup.exe")), 32);
}

TEST_F(LauncherRun, TheRealLauncherFindsItsOwnName) {
  Program("welcome.files");
  const fs::path copy = m_temp.Path() / "welcome.run";
  fs::copy_file(BRALLOW_PATH, copy);
  fs::permissions(copy, fs::perms::owner_all);
  const pid_t pid = fork();
  if (pid == 0) {
    execl(copy.c_str(), copy.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kLauncherStarted);
  EXPECT_TRUE(Started("welcome.files"));
}

}  // namespace
}  // namespace halbrin
