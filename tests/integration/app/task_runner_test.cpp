// The task runner as a process: `halbrinlite /runtask <file>` from a timer
// runs only a due task and writes the next timer; "now" runs at once; the
// run time limit and "terminate" end the program; two runners of one task
// run it once. Task files are written as text (the store's format) in a
// private $XDG_DATA_HOME; no systemd is reached.

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <thread>

#include "components/tasks/task_scheduler_ex.h"
#include "components/tasks/task_timer_service.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using halbrin::testing::Process;
using halbrin::testing::ReadFile;
using halbrin::testing::TempFolder;

constexpr std::uint32_t kTerminated = 0x00041306;

// The local date and time `offset` seconds from now.
struct tm LocalIn(std::int64_t offset) {
  const time_t at = std::time(nullptr) + offset;
  struct tm local {};
  localtime_r(&at, &local);
  return local;
}

std::string DailyTrigger(const struct tm& at) {
  return "[Trigger 1]\nType=1\nDaysInterval=1\nBeginYear=" + std::to_string(at.tm_year + 1900) +
         "\nBeginMonth=" + std::to_string(at.tm_mon + 1) + "\nBeginDay=" + std::to_string(at.tm_mday) +
         "\nStartHour=" + std::to_string(at.tm_hour) + "\nStartMinute=" + std::to_string(at.tm_min) + "\n";
}

class RecordingTimers final : public halbrin::ITaskTimerService {
 public:
  bool Install(const halbrin::TaskUnitRequest&) override { return true; }
  void Remove(const std::string&) override {}
  void Reload() override {}
  std::optional<std::int64_t> ScheduledTime(const std::string&) const override { return std::nullopt; }
};

class TaskRunnerTest : public ::testing::Test {
 protected:
  TaskRunnerTest() {
    m_env = halbrin::testing::IsolatedEnvironment(m_temp.Path());
    // Even where a user manager runs, systemctl finds none in the private runtime folder.
    m_env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_temp.Path("runtime") + "/bus");
    fs::create_directories(m_tasks);
    fs::create_directories(m_work);
  }

  std::string WriteTask(const std::string& name, const std::string& program, const std::string& parameters,
                        const std::string& triggers, const std::string& extra = {}) {
    const std::string path = (m_tasks / (name + ".job")).string();
    halbrin::testing::WriteFile(path, "[Task]\nApplicationName=" + program + "\nParameters=" + parameters +
                                          "\nWorkingDirectory=" + m_work.string() + "\n" + extra + triggers);
    return path;
  }

  std::optional<int> RunRunner(const std::vector<std::string>& args) {
    Process runner(args, m_env, m_temp.Path("runner.err"));
    return runner.Wait(60s);
  }

  // A [Run] key of the task file; nothing when it has none.
  static std::optional<std::int64_t> RunKey(const std::string& path, const char* key) {
    GKeyFile* file = g_key_file_new();
    std::optional<std::int64_t> value;
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
      GError* error = nullptr;
      const gint64 number = g_key_file_get_int64(file, "Run", key, &error);
      if (error)
        g_error_free(error);
      else
        value = number;
    }
    g_key_file_free(file);
    return value;
  }

  // The OnCalendar= time of the task's timer; nothing without a timer.
  std::optional<std::int64_t> TimerTime(const std::string& taskFile) const {
    const fs::path timer = fs::path(m_temp.Path("config")) / "systemd/user" / (halbrin::TaskUnitName(taskFile) + ".timer");
    if (!fs::exists(timer)) return std::nullopt;
    const std::string text = ReadFile(timer);
    const std::size_t at = text.find("OnCalendar=") + 11;
    return halbrin::ParseCalendarText(text.substr(at, text.find('\n', at) - at));
  }

  TempFolder m_temp{"halbrin_runner"};
  std::vector<std::string> m_env;
  fs::path m_tasks = fs::path(m_temp.Path("data")) / "Zebrin/HalbrinLite/tasks";
  fs::path m_work = m_temp.Path() / "work";
};

TEST_F(TaskRunnerTest, ADueTaskRunsRecordsItsExitCodeAndGetsItsNextTimer) {
  const std::string file =
      WriteTask("due", "/bin/sh", "-c 'echo ran > out; exit 7'", DailyTrigger(LocalIn(-60)));
  const std::int64_t before = std::time(nullptr);
  ASSERT_EQ(RunRunner({"/runtask", file}), 0) << ReadFile(m_temp.Path("runner.err"));
  EXPECT_EQ(ReadFile(m_work / "out"), "ran\n");
  EXPECT_EQ(RunKey(file, "ExitCode"), 7);
  const std::optional<std::int64_t> ranAt = RunKey(file, "MostRecentRunTime");
  ASSERT_TRUE(ranAt);
  EXPECT_GE(*ranAt, before - 120);
  const std::optional<std::int64_t> next = TimerTime(file);
  ASSERT_TRUE(next) << "the next timer is written";
  EXPECT_GT(*next, before + 3600) << "the next daily time, not the one just run";

  // The same time again (a second timer start) does not run it twice.
  fs::remove(m_work / "out");
  ASSERT_EQ(RunRunner({"/runtask", file}), 0);
  EXPECT_FALSE(fs::exists(m_work / "out"));
}

TEST_F(TaskRunnerTest, ATaskNotYetDueOnlyGetsANewTimer) {
  const std::string file = WriteTask("later", "/bin/sh", "-c 'echo ran > out'", DailyTrigger(LocalIn(1800)));
  // A timer left from a time that went by while nobody ran it.
  const fs::path units = fs::path(m_temp.Path("config")) / "systemd/user";
  halbrin::testing::WriteFile(units / (halbrin::TaskUnitName(file) + ".timer"),
                              "[Timer]\nOnCalendar=2020-01-01 00:00:00 UTC\n", halbrin::testing::MakeFolders::Yes);
  ASSERT_EQ(RunRunner({"/runtask", file}), 0) << ReadFile(m_temp.Path("runner.err"));
  EXPECT_FALSE(fs::exists(m_work / "out"));
  EXPECT_EQ(RunKey(file, "MostRecentRunTime"), std::nullopt);
  const std::optional<std::int64_t> next = TimerTime(file);
  ASSERT_TRUE(next);
  EXPECT_GT(*next, std::time(nullptr)) << "a future time replaces the stale one";
}

TEST_F(TaskRunnerTest, RunTimeLimitEndsTheProgram) {
  const std::string file = WriteTask("limit", "/bin/sleep", "60", "", "MaxRunTime=1000\n");
  ASSERT_EQ(RunRunner({"/runtask", file, "now"}), 0) << ReadFile(m_temp.Path("runner.err"));
  EXPECT_EQ(RunKey(file, "Status"), kTerminated);
  EXPECT_EQ(RunKey(file, "Pid"), 0);
}

TEST_F(TaskRunnerTest, ATriggerThatEndsItsRepetitionEndsTheProgram) {
  // One repetition of one minute that began a minute ago: it is over already.
  const std::string file = WriteTask("repeat", "/bin/sleep", "20",
                                     DailyTrigger(LocalIn(-60)) + "MinutesInterval=1\nMinutesDuration=1\nFlags=2\n");
  ASSERT_EQ(RunRunner({"/runtask", file}), 0) << ReadFile(m_temp.Path("runner.err"));
  EXPECT_TRUE(RunKey(file, "MostRecentRunTime")) << "it was due";
  EXPECT_EQ(RunKey(file, "Status"), kTerminated);
}

TEST_F(TaskRunnerTest, UnreadableParametersAreRecordedNotRun) {
  const std::string file = WriteTask("quotes", "/bin/sh", "-c 'unbalanced", "");
  ASSERT_EQ(RunRunner({"/runtask", file, "now"}), 0);
  EXPECT_EQ(RunKey(file, "ExitCode"), 0x80070057);
  EXPECT_TRUE(RunKey(file, "MostRecentRunTime"));
}

TEST_F(TaskRunnerTest, TwoRunnersOfOneTaskRunItOnce) {
  const std::string file = WriteTask("once", "/bin/sh", "-c 'echo x >> out; sleep 2'", "");
  Process first({"/runtask", file, "now"}, m_env);
  Process second({"/runtask", file, "now"}, m_env);
  EXPECT_EQ(first.Wait(60s), 0);
  EXPECT_EQ(second.Wait(60s), 0);
  EXPECT_EQ(ReadFile(m_work / "out"), "x\n");
}

// "run" and "terminate" through the task item, the runner being the program.
class TaskItemRunTest : public TaskRunnerTest {
 protected:
  TaskItemRunTest() {
    for (const std::string& assignment : m_env) {
      const std::size_t eq = assignment.find('=');
      m_scoped.push_back(std::make_unique<halbrin::testing::ScopedEnv>(assignment.substr(0, eq), assignment.substr(eq + 1)));
    }
    halbrin::SetTaskRunnerProgram(HALBRINLITE_PATH);
  }
  ~TaskItemRunTest() override { halbrin::SetTaskRunnerProgram({}); }

  template <class Done>
  static bool WaitFor(Done done) {
    for (int i = 0; i < 3000 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
  }

  std::vector<std::unique_ptr<halbrin::testing::ScopedEnv>> m_scoped;
  RecordingTimers m_timers;
  halbrin::ScopedTaskTimerService m_timersScope{m_timers};
};

TEST_F(TaskItemRunTest, RunStartsATaskWithoutTriggersAndTerminateEndsIt) {
  halbrin::TTaskSchedulerEx scheduler;
  halbrin::TScheduledTask& task = scheduler.NewTask("long");
  task.Record().applicationName = "/bin/sh";
  task.Record().parameters = "-c 'echo started > out; exec sleep 60'";
  task.Record().workingDirectory = m_work.string();
  task.Save();
  const std::string file = task.TaskFile();
  task.SetExec(halbrin::platform::Variant("run"));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(m_work / "out") && task.Status() == halbrin::SCHED_S_TASK_RUNNING; }));
  ASSERT_TRUE(WaitFor([&] { return RunKey(file, "Pid").value_or(0) > 0; }));
  // A second "run" while it runs starts nothing.
  task.SetExec(halbrin::platform::Variant("run"));
  task.SetExec(halbrin::platform::Variant("terminate"));
  EXPECT_EQ(task.GetExec(), halbrin::platform::Variant(true));
  ASSERT_TRUE(WaitFor([&] { return task.Status() != halbrin::SCHED_S_TASK_RUNNING; }));
  EXPECT_EQ(RunKey(file, "Status"), kTerminated);
  EXPECT_EQ(ReadFile(m_work / "out"), "started\n");
  try {
    task.SetExec(halbrin::platform::Variant("terminate"));
    ADD_FAILURE() << "terminate of an idle task must raise";
  } catch (const halbrin::platform::EOleError& e) {
    EXPECT_EQ(e.Code(), halbrin::SCHED_E_TASK_NOT_RUNNING);
  }
}

}  // namespace
