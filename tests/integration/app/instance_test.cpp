// Runs the real program: the start script and its exit code, one instance per
// project, the hand-over of a later start's command line, stop signals, and
// the log it writes. Without a form a project ends after its start script, so
// the first instance is kept running by a start script that waits a few
// seconds (or that runs the loop itself until its files have come).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/program_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using halbrin::testing::Process;
using halbrin::testing::ReadFile;
using halbrin::testing::TempFolder;
using namespace std::chrono_literals;

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = halbrin::testing::IsolatedEnvironment(m_temp.Path());
    for (const char* sub : {"projectA", "projectB", "docs"}) fs::create_directories(m_temp.Path(sub));
    m_temp.Write("projectA/project.info", "product=Test\nname=Alpha\nversion=1\nencoding=utf-8\n");
    for (const char* project : {"projectA", "projectB"}) StartScript(project, kBusyScript);
  }

  std::unique_ptr<Process> Start(std::vector<std::string> args, const std::string& errorFile = {}) {
    return std::make_unique<Process>(args, m_env, errorFile);
  }
  void StartScript(const std::string& project, const std::string& text) {
    m_temp.Write(project + "/scripts/init.js", text, halbrin::testing::MakeFolders::Yes);
  }

  // Keeps the first instance busy long enough for later starts to reach it.
  static constexpr const char* kBusyScript =
      "function main(project) {\n"
      "  var end = Date.now() + 8000;\n"
      "  while (Date.now() < end) {}\n"
      "  return 0;\n"
      "}\n";

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

  // How many ends the kernel lists for the instance sockets: the listening one,
  // and one more for each connection made and not yet accepted.
  std::size_t SocketEnds() const {
    std::size_t count = 0;
    const std::string table = ReadFile("/proc/net/unix");
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(m_temp.Path("runtime/Zebrin/HalbrinLite"), error)) {
      if (entry.path().extension() != ".sock") continue;
      const std::string path = entry.path().string() + "\n";
      for (std::size_t at = table.find(path); at != std::string::npos; at = table.find(path, at + 1)) ++count;
    }
    return count;
  }

  // Under /tmp: the runtime folder holds Unix sockets, whose paths must stay short.
  TempFolder m_temp{"halbrin-it", "/tmp"};
  std::vector<std::string> m_env;
};

struct ExitCase {
  const char* result;
  int code;
};

TEST_F(InstanceTest, TheStartScriptsIntegerResultIsTheExitCode) {
  const ExitCase cases[] = {
      {"7", 7}, {"300", 255}, {"-1", 255}, {"0", 0}, {"7.5", 0}, {"'7'", 0}, {"true", 0}, {"undefined", 0},
  };
  for (const ExitCase& c : cases) {
    StartScript("projectA", std::string("function main(project) { return ") + c.result + "; }\n");
    EXPECT_EQ(Start({"use:" + m_temp.Path("projectA")})->Wait(20s), c.code) << c.result;
  }
}

TEST_F(InstanceTest, TheStartScriptGetsTheProjectInTheInteractiveState) {
  StartScript("projectA",
              "function main(project) {\n"
              "  return project.state == 3 && project.attributes.item('name') == 'Alpha' && project.folder == '" + m_temp.Path("projectA") +
                  "/' ? 7 : 1;\n"
              "}\n");
  EXPECT_EQ(Start({"use:" + m_temp.Path("projectA")})->Wait(20s), 7);
}

TEST_F(InstanceTest, AStartScriptErrorIsLoggedAndShownAndTheProgramEndsWithExitCode1) {
  const std::string init = m_temp.Path("projectA") + "/scripts/init.js";
  StartScript("projectA", "function main(project) {\n  var a = 1;\n  nosuch();\n}\n");
  const std::string errors = m_temp.Path("stderr.txt");
  EXPECT_EQ(Start({"use:" + m_temp.Path("projectA")}, errors)->Wait(20s), 1);
  const std::string message = "Can't find variable: nosuch in \"" + init + "\" at line: 3, position: 9";
  EXPECT_TRUE(WaitForLog("[EScriptControl]: " + message));
  EXPECT_TRUE(WaitForLog("Stopped with exit code 1"));
  EXPECT_NE(ReadFile(errors).find("Halbrin Lite: " + message), std::string::npos) << "the headless error box";
}

struct FailedStartCase {
  const char* what;
  const char* script;  // the start script's text; nullptr: there is none
  const char* logged;  // what the log's error line holds
};

TEST_F(InstanceTest, AFailedStartIsReportedAndEndsWithExitCode1) {
  const FailedStartCase cases[] = {
      {"no start script", nullptr, "Script file not found"},
      {"a syntax error", "function main(project) {\n  var b = (a + ;\n}\n", "Unexpected token ';'"},
      {"an uncaught exception", "function main(project) { throw new Error('out of paper'); }\n", "out of paper"},
      {"no main", "function start(project) { return 7; }\n", "Procedure 'main' not defined"},
  };
  for (const FailedStartCase& c : cases) {
    fs::remove_all(m_temp.Path("projectA/scripts"));
    fs::remove_all(m_temp.Path("data/Zebrin/HalbrinLite/logs"));
    if (c.script) StartScript("projectA", c.script);
    const std::string errors = m_temp.Path("stderr.txt");
    EXPECT_EQ(Start({"use:" + m_temp.Path("projectA")}, errors)->Wait(20s), 1) << c.what;
    EXPECT_TRUE(WaitForLog(c.logged)) << c.what << ": " << Logs();
    EXPECT_TRUE(WaitForLog("Stopped with exit code 1")) << c.what;
    EXPECT_NE(ReadFile(errors).find("Halbrin Lite: "), std::string::npos) << c.what << ": the error box";
  }
}

TEST_F(InstanceTest, AFolderWithoutProjectInfoIsLoggedOnceAndStillRuns) {
  StartScript("projectB", "function main(project) { return 7; }\n");
  EXPECT_EQ(Start({"use:" + m_temp.Path("projectB")})->Wait(20s), 7);
  EXPECT_TRUE(WaitForLog("Stopped with exit code 7"));
  EXPECT_EQ(Count("No project.info in \"" + m_temp.Path("projectB") + "/\""), 1u) << Logs();
  StartScript("projectA", "function main(project) { return 7; }\n");
  EXPECT_EQ(Start({"use:" + m_temp.Path("projectA")})->Wait(20s), 7);
  EXPECT_TRUE(WaitForLog("Project \"Alpha\""));
  EXPECT_EQ(Count("No project.info in \"" + m_temp.Path("projectA")), 0u) << "projectA has one";
}

TEST_F(InstanceTest, SecondStartHandsItsCommandLineOverAndExits183) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  first->Signal(SIGSTOP);  // holds the instance, however slow the later starts are
  const std::string file = m_temp.Path("docs/a report, final.txt");
  auto second = Start({"file:" + file, "use:" + m_temp.Path("projectA") + "/"});  // the same folder, with the separator
  EXPECT_EQ(second->Wait(20s), 183);
  first->Signal(SIGCONT);
  EXPECT_EQ(first->Wait(20s), 0);
  // The first instance was busy until it ended: the line was read, never applied.
  EXPECT_TRUE(WaitForLog("Not applied, the project has ended: Command line handed over: [file:" + file + "] [use:" +
                         m_temp.Path("projectA") + "/]"));
}

TEST_F(InstanceTest, EverySpellingOfTheFolderReachesTheSameInstance) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  first->Signal(SIGSTOP);  // holds the instance, however slow the later starts are
  const std::string root = m_temp.Path().string();
  const std::string spellings[] = {
      root + "//projectA//",
      root + "/./projectA/.",
      root + "/docs/../projectA",
      fs::relative(m_temp.Path("projectA"), fs::current_path()).string(),
  };
  for (const std::string& use : spellings) EXPECT_EQ(Start({"use:" + use})->Wait(20s), 183) << use;
  first->Signal(SIGCONT);
  EXPECT_EQ(first->Wait(20s), 0);
}

TEST_F(InstanceTest, EachHandedOverFileFiresApplyFile) {
  const std::string folder = m_temp.Path("handover");
  fs::copy(fs::path(HALBRIN_FIXTURE_PROJECTS) / "handover", folder, fs::copy_options::recursive);
  const std::string files[] = {m_temp.Write("docs/one.txt", "1"), m_temp.Write("docs/a report, final.txt", "2")};
  auto first = Start({"expect:2", "use:" + folder});
  ASSERT_TRUE(WaitForLog("Project \"HandOver\""));
  for (const std::string& file : files) EXPECT_EQ(Start({"file:" + file, "use:" + folder})->Wait(20s), 183) << file;
  EXPECT_EQ(first->Wait(60s), 42) << "the start script saw every file applied: " << Logs();
  const std::string applied = ReadFile(folder + "/applied.txt");
  const std::size_t one = applied.find(files[0] + "\n");
  const std::size_t two = applied.find(files[1] + "\n");
  EXPECT_NE(one, std::string::npos) << applied;
  EXPECT_NE(two, std::string::npos) << applied;
  EXPECT_LT(one, two) << "in the order they came: " << applied;
}

TEST_F(InstanceTest, AStartWhileTheFirstIsEndingBecomesTheFirstInstance) {
  // The mark says the script is about to end; it ends a moment later.
  StartScript("projectA",
              "function main(project) {\n"
              "  client.files.save('x', project.folder + 'ending.txt');\n"
              "  var end = Date.now() + 100;\n"
              "  while (Date.now() < end) {}\n"
              "  return 7;\n"
              "}\n");
  auto first = Start({"use:" + m_temp.Path("projectA")});
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!fs::exists(m_temp.Path("projectA/ending.txt")) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  first->Signal(SIGSTOP);  // inside the script's last moment: its socket still listens
  auto later = Start({"file:/tmp/late", "use:" + m_temp.Path("projectA")});
  // Once the later start has reached the socket (or given up), the first one ends.
  while (!later->Wait(0ms) && SocketEnds() < 2 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  first->Signal(SIGCONT);
  EXPECT_EQ(later->Wait(20s), 7) << "the later start ran the project itself: " << Logs();
  EXPECT_EQ(first->Wait(20s), 7);
}

struct StopSignalCase {
  int signal;
  int code;
};

TEST_F(InstanceTest, AStopSignalDuringAScriptLeavesTheLastLineAndNoSocket) {
  StartScript("projectA", "function main(project) {\n  for (;;) {}\n}\n");
  const StopSignalCase cases[] = {{SIGTERM, 128 + SIGTERM}, {SIGINT, 128 + SIGINT}};
  const fs::path sockets = m_temp.Path("runtime/Zebrin/HalbrinLite");
  for (const StopSignalCase& c : cases) {
    fs::remove_all(m_temp.Path("data/Zebrin/HalbrinLite/logs"));  // the lines must be this start's
    auto first = Start({"use:" + m_temp.Path("projectA")});
    ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
    first->Signal(c.signal);
    EXPECT_EQ(first->Wait(20s), c.code) << c.signal;
    EXPECT_TRUE(WaitForLog("Stopped with exit code " + std::to_string(c.code))) << c.signal << ": " << Logs();
    for (const auto& entry : fs::directory_iterator(sockets))
      EXPECT_NE(entry.path().extension(), ".sock") << c.signal << ": " << entry.path();
  }
}

TEST_F(InstanceTest, QuickLaterStartsAreAllDelivered) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  first->Signal(SIGSTOP);  // holds the instance, however slow the later starts are
  std::vector<std::unique_ptr<Process>> later;
  for (int i = 0; i < 3; ++i) later.push_back(Start({"file:/tmp/doc" + std::to_string(i), "use:" + m_temp.Path("projectA")}));
  for (auto& process : later) EXPECT_EQ(process->Wait(20s), 183);
  first->Signal(SIGCONT);
  EXPECT_EQ(first->Wait(20s), 0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(WaitForLog("[file:/tmp/doc" + std::to_string(i) + "]")) << i;
}

TEST_F(InstanceTest, AStartDuringTheFirstOnesStartUpIsNotLost) {
  // Both start at once; whichever wins the lock, the other's line arrives.
  auto one = Start({"file:/tmp/one", "use:" + m_temp.Path("projectA")});
  auto two = Start({"file:/tmp/two", "use:" + m_temp.Path("projectA")});
  const std::optional<int> a = one->Wait(20s);
  const std::optional<int> b = two->Wait(20s);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE((*a == 183) != (*b == 183)) << "exactly one of them hands over: " << *a << ", " << *b;
  EXPECT_TRUE(WaitForLog(*a == 183 ? "[file:/tmp/one]" : "[file:/tmp/two]"));
}

TEST_F(InstanceTest, DifferentProjectsRunSideBySide) {
  auto a = Start({"use:" + m_temp.Path("projectA")});
  auto b = Start({"use:" + m_temp.Path("projectB")});
  EXPECT_EQ(a->Wait(20s), 0);
  EXPECT_EQ(b->Wait(20s), 0);
  EXPECT_TRUE(WaitForLog("projectA/\", id"));
  EXPECT_TRUE(WaitForLog("projectB/\", id"));
}

TEST_F(InstanceTest, AKilledFirstInstanceLeavesNoStaleLock) {
  {
    auto first = Start({"use:" + m_temp.Path("projectA")});
    ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
    first->Signal(SIGKILL);
    first->Wait(5s);
  }
  fs::remove_all(m_temp.Path("data/Zebrin/HalbrinLite/logs"));  // the next line must be the next start's
  auto next = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  next->Signal(SIGSTOP);
  auto later = Start({"file:/tmp/after", "use:" + m_temp.Path("projectA")});
  EXPECT_EQ(later->Wait(20s), 183);
  next->Signal(SIGCONT);
  EXPECT_EQ(next->Wait(20s), 0) << "the new start became the first instance";
  EXPECT_TRUE(WaitForLog("[file:/tmp/after]"));
}

TEST_F(InstanceTest, ARelativeFileIsHandedOverAsAnAbsolutePath) {
  auto first = Start({"use:" + m_temp.Path("projectA")});
  ASSERT_TRUE(WaitForLog("Project \"Alpha\""));
  first->Signal(SIGSTOP);  // holds the instance, however slow the later starts are
  const std::string cwd = fs::current_path().string();
  auto second = Start({"file:docs/x.txt", "use:" + m_temp.Path("projectA")});
  EXPECT_EQ(second->Wait(20s), 183);
  first->Signal(SIGCONT);
  EXPECT_EQ(first->Wait(20s), 0);
  EXPECT_TRUE(WaitForLog("[file:" + (fs::path(cwd) / "docs/x.txt").lexically_normal().string() + "]"));
}

TEST_F(InstanceTest, ServerRegistrationSwitchesExitAtOnce) {
  for (const char* sw : {"/regserver", "/UNREGSERVER"}) EXPECT_EQ(Start({sw})->Wait(20s), 0) << sw;
}

TEST_F(InstanceTest, AutomationStartRunsWithoutAProject) {
  auto bare = Start({"/Automation"});
  ASSERT_TRUE(WaitForLog("Started as automation server"));
  bare->Signal(SIGTERM);
  EXPECT_EQ(bare->Wait(10s), 0);
}

TEST_F(InstanceTest, AFileThatIsNotXmlDoesNotStopTheStart) {
  m_temp.Write("docs/photo.jpg", "\xFF\xD8\xFF not xml");
  StartScript("projectA", "function main(project) { return 7; }\n");
  auto first = Start({"file:" + m_temp.Path("docs/photo.jpg"), "use:" + m_temp.Path("projectA")});
  EXPECT_TRUE(WaitForLog("Project \"Alpha\""));
  EXPECT_EQ(first->Wait(20s), 7) << "the start script ran";
}

}  // namespace
