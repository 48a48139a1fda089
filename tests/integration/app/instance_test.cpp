// Runs the real program: one instance per project, the hand-over of a later
// start's command line, and the log it writes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using halbrin::testing::ReadFile;
using halbrin::testing::TempFolder;
using namespace std::chrono_literals;

class Process {
 public:
  Process(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    m_pid = fork();
    if (m_pid == 0) {
      for (const std::string& assignment : env) putenv(const_cast<char*>(assignment.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(HALBRINLITE_PATH));
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Process() {
    if (m_pid > 0 && !m_status) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The exit code, or nullopt when the process still runs after `timeout`.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_status) {
      int status = 0;
      if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(5ms);
    }
    return m_status;
  }
  void Signal(int signal) { kill(m_pid, signal); }

 private:
  pid_t m_pid = -1;
  std::optional<int> m_status;
};

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"config", "data", "runtime", "projectA", "projectB", "docs"}) fs::create_directories(m_temp.Path(sub));
    fs::permissions(m_temp.Path("runtime"), fs::perms::owner_all);
    m_temp.Write("projectA/project.info", "product=Test\nname=Alpha\nversion=1\nencoding=utf-8\n");
    m_env = {"XDG_CONFIG_HOME=" + m_temp.Path("config"), "XDG_DATA_HOME=" + m_temp.Path("data"),
             "XDG_RUNTIME_DIR=" + m_temp.Path("runtime")};
  }

  std::unique_ptr<Process> Start(std::vector<std::string> args) { return std::make_unique<Process>(args, m_env); }

  // Everything the program's logs hold.
  std::string Logs() const {
    std::string all;
    const fs::path folder = m_temp.Path("data/Zebrin/HalbrinLite/logs");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      try {
        all += ReadFile(entry.path());
      } catch (const std::runtime_error&) {
        // Gone between the listing and the read: it holds nothing now.
      }
    }
    return all;
  }
  bool WaitForLog(const std::string& needle, std::chrono::milliseconds timeout = 10s) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Logs().find(needle) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  std::size_t Count(const std::string& needle) const {
    const std::string logs = Logs();
    std::size_t count = 0;
    for (std::size_t at = logs.find(needle); at != std::string::npos; at = logs.find(needle, at + 1)) ++count;
    return count;
  }

  // Under /tmp: the runtime folder holds Unix sockets, whose paths must stay short.
  TempFolder m_temp{"halbrin-it", "/tmp"};
  std::vector<std::string> m_env;
};

TEST_F(InstanceTest, FirstStartLogsItsProjectAndStopsOnTerm) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\" (Test 1) in \"" + m_temp.Path("projectA") + "/\""));
  EXPECT_FALSE(first->Wait(100ms));  // keeps running
  first->Signal(SIGTERM);
  EXPECT_EQ(first->Wait(10s), 0);
  EXPECT_TRUE(WaitForLog("Stopped"));
}

TEST_F(InstanceTest, SecondStartHandsItsCommandLineOverAndExits183) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  const std::string file = m_temp.Path("docs/a report, final.txt");
  auto second = Start({"file:" + file, "use:" + m_temp.Path("projectA") + "/"});  // the same folder, with the separator
  EXPECT_EQ(second->Wait(5s), 183);
  EXPECT_TRUE(WaitForLog("[file:" + file + "] [use:" + m_temp.Path("projectA") + "/]"));
  EXPECT_FALSE(first->Wait(0ms));
}

TEST_F(InstanceTest, QuickLaterStartsAreAllDelivered) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  std::vector<std::unique_ptr<Process>> later;
  for (int i = 0; i < 3; ++i) later.push_back(Start({"file:/tmp/doc" + std::to_string(i), "use:" + m_temp.Path("projectA")}));
  for (auto& process : later) EXPECT_EQ(process->Wait(5s), 183);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(WaitForLog("[file:/tmp/doc" + std::to_string(i) + "]")) << i;
}

TEST_F(InstanceTest, AStartDuringTheFirstOnesStartUpIsNotLost) {
  // Both start at once; whichever wins the lock, the other's line arrives.
  auto one = Start({"file:/tmp/one", "use:" + m_temp.Path("projectA")});
  auto two = Start({"file:/tmp/two", "use:" + m_temp.Path("projectA")});
  std::optional<int> a, b;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!a && !b && std::chrono::steady_clock::now() < deadline) {
    a = one->Wait(0ms);
    b = two->Wait(0ms);
    std::this_thread::sleep_for(5ms);
  }
  std::this_thread::sleep_for(100ms);
  a = one->Wait(0ms);
  b = two->Wait(0ms);
  ASSERT_TRUE(a.has_value() != b.has_value()) << "exactly one of them exits";
  EXPECT_EQ(a ? *a : *b, 183);
  EXPECT_TRUE(WaitForLog(a ? "[file:/tmp/one]" : "[file:/tmp/two]"));
}

TEST_F(InstanceTest, DifferentProjectsRunSideBySide) {
  auto a = Start({"use:" + m_temp.Path("projectA")});
  auto b = Start({"use:" + m_temp.Path("projectB")});
  ASSERT_TRUE(WaitForLog("projectA/\", id"));
  ASSERT_TRUE(WaitForLog("projectB/\", id"));
  EXPECT_FALSE(a->Wait(100ms));
  EXPECT_FALSE(b->Wait(0ms));
}

TEST_F(InstanceTest, AKilledFirstInstanceLeavesNoStaleLock) {
  {
    auto first = Start({"use:" + m_temp.Path("projectA")});
    ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
    first->Signal(SIGKILL);
    first->Wait(5s);
  }
  auto next = Start({"use:" + m_temp.Path("projectA")});
  EXPECT_FALSE(next->Wait(500ms)) << "the new start became the first instance";
  auto later = Start({"file:/tmp/after", "use:" + m_temp.Path("projectA")});
  EXPECT_EQ(later->Wait(5s), 183);
  EXPECT_TRUE(WaitForLog("[file:/tmp/after]"));
}

TEST_F(InstanceTest, ARelativeFileIsHandedOverAsAnAbsolutePath) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  const std::string cwd = fs::current_path().string();
  auto second = Start({"file:docs/x.txt", "use:" + m_temp.Path("projectA")});
  EXPECT_EQ(second->Wait(5s), 183);
  EXPECT_TRUE(WaitForLog("[file:" + (fs::path(cwd) / "docs/x.txt").lexically_normal().string() + "]"));
}

TEST_F(InstanceTest, ServerRegistrationSwitchesExitAtOnce) {
  for (const char* sw : {"/regserver", "/UNREGSERVER"}) EXPECT_EQ(Start({sw})->Wait(5s), 0) << sw;
}

TEST_F(InstanceTest, AutomationStartRunsWithoutAProject) {
  auto bare = Start({"/Automation"});
  ASSERT_TRUE(WaitForLog("Started as automation server"));
  bare->Signal(SIGTERM);
  EXPECT_EQ(bare->Wait(10s), 0);
}

TEST_F(InstanceTest, AFileThatIsNotXmlDoesNotStopTheStart) {
  m_temp.Write("docs/photo.jpg", "\xFF\xD8\xFF not xml");
  auto first = Start({"file:" + m_temp.Path("docs/photo.jpg"), "use:" + m_temp.Path("projectA")});
  EXPECT_TRUE(WaitForLog("Project \"Alpha\""));
  EXPECT_FALSE(first->Wait(0ms));
}

}  // namespace
