// The systemd unit texts and the files the systemd service writes (with no
// systemd reachable: the test points it at a missing /run/systemd/system),
// checked by systemd-analyze where it is installed.

#include "components/tasks/task_timer_service.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "components/tasks/run_time_calculator.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

struct Command {
  bool ran = false;
  int status = -1;
  std::string output;  // stdout and stderr
};

Command RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {}) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  gchar** env = g_get_environ();
  for (const std::string& e : extraEnv) {
    const std::size_t eq = e.find('=');
    env = g_environ_setenv(env, e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), TRUE);
  }
  gchar* out = nullptr;
  gchar* err = nullptr;
  Command command;
  command.ran = g_spawn_sync(nullptr, args.data(), env, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err,
                             &command.status, nullptr);
  g_strfreev(env);
  if (out) command.output += out;
  if (err) command.output += err;
  g_free(out);
  g_free(err);
  return command;
}

bool HaveProgram(const char* name) {
  gchar* found = g_find_program_in_path(name);
  g_free(found);
  return found != nullptr;
}

TEST(TaskUnits, ExecWordsAreQuotedForSystemd) {
  const struct {
    const char* word;
    const char* quoted;
  } rows[] = {
      {"/app dir/halbrinlite", "\"/app dir/halbrinlite\""},
      {"report %h", "\"report %%h\""},
      {"$HOME and ${X}", "\"$$HOME and $${X}\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"Отчёт", "\"Отчёт\""},
  };
  for (const auto& row : rows) EXPECT_EQ(QuoteExecWord(row.word), row.quoted) << row.word;
  EXPECT_EQ(UnitDescriptionText("50% done\nnext"), "50%% done next");
}

TEST(TaskUnits, UnitNamesAreShortAndDifferPerTaskFile) {
  std::string cyrillic;
  for (int i = 0; i < 70; ++i) cyrillic += "Ж";
  const std::string a = TaskUnitName("/home/u/.local/share/Zebrin/HalbrinLite/tasks/" + cyrillic + ".job");
  const std::string b = TaskUnitName("/home/v/.local/share/Zebrin/HalbrinLite/tasks/" + cyrillic + ".job");
  EXPECT_EQ(a.size(), std::string("halbrin-task-").size() + 16);
  EXPECT_TRUE(a.starts_with("halbrin-task-"));
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef", 13), std::string::npos) << a;
  EXPECT_NE(a, b);
}

TEST(TaskUnits, CalendarTextReadsBack) {
  const std::int64_t time = 1'895'990'400;  // 2030-01-30 08:00:00 UTC
  EXPECT_EQ(CalendarText(time), "2030-01-30 08:00:00 UTC");
  EXPECT_EQ(ParseCalendarText(CalendarText(time)), time);
  EXPECT_EQ(ParseCalendarText("2030-01-30 08:00:00 CET"), std::nullopt);
  EXPECT_EQ(ParseCalendarText("daily"), std::nullopt);
}

// The systemctl call reaches only the manager of the runtime folder given.
TEST(TaskUnits, SystemctlReachesOnlyTheGivenRuntimeFolder) {
  const testing::ScopedEnv runtime("XDG_RUNTIME_DIR", "/tmp/halbrin-runtime-x");
  const testing::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus");
  const std::vector<std::string> env = SystemdTaskTimerService::SystemctlEnvironment();
  std::vector<std::string> addresses;
  for (const std::string& e : env)
    if (e.starts_with("DBUS_SESSION_BUS_ADDRESS=")) addresses.push_back(e);
  EXPECT_EQ(addresses, std::vector<std::string>{"DBUS_SESSION_BUS_ADDRESS=unix:path=/tmp/halbrin-runtime-x/bus"});
  EXPECT_EQ(SystemdTaskTimerService::SystemctlArgv({"daemon-reload"}),
            (std::vector<std::string>{"systemctl", "--user", "--no-ask-password", "daemon-reload"}));
}

class SystemdUnitsTest : public ::testing::Test {
 protected:
  SystemdUnitsTest() {
    fs::create_directories(m_app);
    testing::WriteFile(m_app / "halbrinlite", "#!/bin/sh\nexit 0\n");
    fs::permissions(m_app / "halbrinlite", fs::perms::owner_all);
  }

  SystemdTaskTimerService Service() const {
    return SystemdTaskTimerService({m_units.string(), (m_app / "halbrinlite").string(), (m_root.Path() / "nosystemd").string()});
  }

  testing::TempFolder m_root{"halbrin_units"};
  fs::path m_app = m_root.Path() / "app dir";
  fs::path m_units = m_root.Path() / "units";
};

TEST_F(SystemdUnitsTest, InstallWritesEnabledUnitsAndRemoveTakesThemAll) {
  SystemdTaskTimerService service = Service();
  const std::string file = (m_root.Path() / "tasks/daily.job").string();
  const std::string unit = TaskUnitName(file);
  EXPECT_FALSE(service.Install({file, "daily", 1'895'990'400, true})) << "no systemd here";
  EXPECT_TRUE(fs::exists(m_units / (unit + ".timer")));
  EXPECT_TRUE(fs::exists(m_units / (unit + ".service")));
  EXPECT_TRUE(fs::exists(m_units / (unit + "-logon.service")));
  EXPECT_EQ(fs::read_symlink(m_units / "timers.target.wants" / (unit + ".timer")), m_units / (unit + ".timer"));
  EXPECT_EQ(fs::read_symlink(m_units / "default.target.wants" / (unit + "-logon.service")),
            m_units / (unit + "-logon.service"));
  EXPECT_EQ(service.ScheduledTime(file), 1'895'990'400);
  const std::string logon = testing::ReadFile(m_units / (unit + "-logon.service"));
  EXPECT_NE(logon.find("\"/runtask\" " + QuoteExecWord(file) + " \"logon\""), std::string::npos) << logon;

  // No next run and no logon trigger any more: the units go.
  service.Install({file, "daily", std::nullopt, false});
  EXPECT_FALSE(fs::exists(m_units / (unit + ".timer")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(m_units / "timers.target.wants" / (unit + ".timer"))));
  EXPECT_FALSE(fs::exists(m_units / (unit + "-logon.service")));
  EXPECT_EQ(service.ScheduledTime(file), std::nullopt);

  service.Install({file, "daily", 1'895'990'400, true});
  service.Remove(file);
  std::vector<std::string> left;
  for (const auto& entry : fs::recursive_directory_iterator(m_units))
    if (!entry.is_directory()) left.push_back(entry.path().string());
  EXPECT_EQ(left, std::vector<std::string>{});
}

TEST_F(SystemdUnitsTest, TimerTimeIsTheCalculatorsNextRunAsSystemdReadsIt) {
  if (!HaveProgram("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is not installed";
  TaskTriggerFields trigger;
  trigger.beginYear = 2031;
  trigger.beginMonth = 3;
  trigger.beginDay = 29;
  trigger.startHour = 2;
  trigger.startMinute = 30;
  const TaskTriggerFields triggers[] = {trigger};
  const testing::ScopedEnv tz("TZ", "Europe/Berlin");
  const TaskTimeZone zone("Europe/Berlin");
  const std::optional<std::int64_t> next = NextTaskRunTime(0, triggers, 1'900'000'000, zone);
  ASSERT_TRUE(next);
  const std::string text = TimerUnitText("halbrin-task-0123456789abcdef", "t", *next);
  const std::size_t at = text.find("OnCalendar=") + 11;
  const std::string calendar = text.substr(at, text.find('\n', at) - at);
  const Command command = RunCommand({"systemd-analyze", "calendar", calendar}, {"TZ=UTC"});
  ASSERT_TRUE(command.ran);
  ASSERT_EQ(command.status, 0) << command.output;
  const std::size_t elapse = command.output.find("Next elapse: ");
  ASSERT_NE(elapse, std::string::npos) << command.output;
  // "Next elapse: Sat 2031-03-29 01:30:00 UTC"
  const std::string shown = command.output.substr(elapse + 17, 23);
  EXPECT_EQ(ParseCalendarText(shown), next) << command.output;
}

TEST_F(SystemdUnitsTest, SystemdAcceptsTheUnitsOfAwkwardNames) {
  if (!HaveProgram("systemd-analyze")) GTEST_SKIP() << "systemd-analyze is not installed";
  SystemdTaskTimerService service = Service();
  for (const std::string name : {"report %h", "cost $HOME", "say \"hi\"", "Отчёт за месяц", "back\\slash"}) {
    SCOPED_TRACE(name);
    const std::string file = (m_root.Path() / "tasks" / (name + ".job")).string();
    const std::string unit = TaskUnitName(file);
    service.Install({file, name, 1'895'990'400, false});
    const Command command = RunCommand({"systemd-analyze", "verify", "--man=no", (m_units / (unit + ".timer")).string(),
                                        (m_units / (unit + ".service")).string()});
    ASSERT_TRUE(command.ran);
    EXPECT_EQ(command.status, 0) << command.output;
    EXPECT_EQ(command.output, "") << "no complaint";
  }
  // And verify does complain about a calendar it cannot read.
  const std::string file = (m_root.Path() / "tasks/broken.job").string();
  const std::string unit = TaskUnitName(file);
  service.Install({file, "broken", 1'895'990'400, false});
  std::string timer = testing::ReadFile(m_units / (unit + ".timer"));
  timer.replace(timer.find("2030-01-30"), 10, "2030-13-45");
  testing::WriteFile(m_units / (unit + ".timer"), timer);
  const Command command = RunCommand(
      {"systemd-analyze", "verify", "--man=no", (m_units / (unit + ".timer")).string(), (m_units / (unit + ".service")).string()});
  // systemd names the calendar it could not parse, and the bad value.
  EXPECT_NE(command.output.find("Failed to parse calendar"), std::string::npos) << command.output;
  EXPECT_NE(command.output.find("2030-13-45"), std::string::npos) << command.output;
}

}  // namespace
}  // namespace halbrin
