// The scheduler and its task and trigger items over a store in a private
// folder, with the recording timer and sheet services.

#include "components/tasks/task_scheduler_ex.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/classes/property_access.h"
#include "task_test_support.h"

namespace halbrin::tasks_test {
namespace {

using platform::Variant;

class TaskSchedulerTest : public TaskTest {
 protected:
  TaskSchedulerTest() { RegisterTaskComponentTypes(); }

  // A saved task with a daily trigger at `hour`:00.
  TScheduledTask& SavedTask(TTaskSchedulerEx& scheduler, const std::string& name, int hour = 9) {
    TScheduledTask& task = scheduler.NewTask(name);
    task.Record().applicationName = "/bin/true";
    TTaskTrigger& trigger = task.NewTrigger();
    trigger.Change([&](TaskTriggerFields& t) { t.startHour = hour; });
    task.Save();
    return task;
  }

  static void Exec(TTaskSchedulerEx& scheduler, const char* word) { scheduler.SetExec(Variant(word)); }
  static Variant Exec(TScheduledWorkItem& task, const std::string& word) {
    task.SetExec(Variant(word));
    return task.GetExec();
  }
};

TEST_F(TaskSchedulerTest, UnshareAllThenClearDeletesEveryListedTaskAndItsUnits) {
  TTaskSchedulerEx& writer = NewScheduler();
  const std::string first = SavedTask(writer, "first").TaskFile();
  const std::string second = SavedTask(writer, "second").TaskFile();
  ASSERT_EQ(m_timers.installed.size(), 2u);

  TTaskSchedulerEx& reader = NewScheduler();
  Exec(reader, "refresh");
  EXPECT_EQ(reader.GetExec(), Variant(2));
  Exec(reader, "unshareall");
  EXPECT_EQ(reader.GetExec(), Variant(2));
  Exec(reader, "clear");
  EXPECT_EQ(reader.GetExec(), Variant(true));
  EXPECT_EQ(reader.Tasks()->Count(), 0);
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_FALSE(std::filesystem::exists(second));
  EXPECT_TRUE(m_timers.installed.empty()) << "the units went with the tasks";
  EXPECT_EQ(TaskFolderFiles(), std::vector<std::string>{}) << "lock files go too";
}

TEST_F(TaskSchedulerTest, SharedItemsAreOnlyForgottenAndRefreshNeverDeletes) {
  TTaskSchedulerEx& writer = NewScheduler();
  const std::string file = SavedTask(writer, "kept").TaskFile();
  TTaskSchedulerEx& reader = NewScheduler();
  Exec(reader, "refresh");
  Exec(reader, "clear");
  EXPECT_TRUE(std::filesystem::exists(file));
  Exec(reader, "refresh");
  Exec(reader, "unshareall");
  // Reading the list again replaces the items: the tasks stay, their share does too.
  Exec(reader, "refresh");
  EXPECT_TRUE(std::filesystem::exists(file));
  ASSERT_EQ(reader.Tasks()->Count(), 1);
  EXPECT_FALSE(reader.Tasks()->Task(0)->Share());
}

TEST_F(TaskSchedulerTest, SystemAccountReadsHostBackslashSystem) {
  TScheduledTask& task = NewScheduler().NewTask("account");
  const std::string system = std::string(g_get_host_name()) + "\\SYSTEM";
  EXPECT_EQ(task.AccountName(), system) << "a new task runs as the system account";
  task.SetAccountName("alice");
  EXPECT_EQ(task.AccountName(), "alice");
  task.SetAccountName("system");
  EXPECT_EQ(task.AccountName(), system);
  EXPECT_EQ(task.Record().accountName, "") << "the system account is stored as no name";
}

TEST_F(TaskSchedulerTest, DataWrittenNullReadsEmpty) {
  TScheduledTask& task = NewScheduler().NewTask("data");
  task.SetData(Variant("before"));
  task.SetData(Variant::Null());
  EXPECT_EQ(task.Data(), Variant(""));
  task.SetData(Variant("Привет"));
  task.Save();
  TTaskSchedulerEx& reader = NewScheduler();
  reader.Refresh();
  EXPECT_EQ(reader.Tasks()->Task(0)->Data(), Variant("Привет"));
}

TEST_F(TaskSchedulerTest, PropertiesWordsChooseTheSheetPages) {
  TScheduledTask& task = SavedTask(NewScheduler(), "sheet");
  struct Row {
    const char* word;
    bool task, schedule, settings;
  };
  const Row rows[] = {{"properties", true, true, true},
                      {"properties schedule", false, true, false},
                      {"Properties Task, SETTINGS", true, false, true},
                      {"propertiesfoo", true, true, true}};
  for (const Row& row : rows) {
    m_sheet.shown.clear();
    EXPECT_EQ(Exec(task, row.word), Variant(false)) << row.word << ": Cancel answers False";
    ASSERT_EQ(m_sheet.shown.size(), 1u) << row.word;
    EXPECT_EQ(m_sheet.shown[0].task, row.task) << row.word;
    EXPECT_EQ(m_sheet.shown[0].schedule, row.schedule) << row.word;
    EXPECT_EQ(m_sheet.shown[0].settings, row.settings) << row.word;
  }
  EXPECT_EQ(m_sheet.captions.back(), "sheet");
}

TEST_F(TaskSchedulerTest, SheetOkSavesTheEditsAndCancelDoesNot) {
  TScheduledTask& task = SavedTask(NewScheduler(), "edits");
  m_sheet.edit = [](platform::TaskSheetValues& values) { values.comment = "changed"; };
  m_sheet.answer = false;
  Exec(task, "properties");
  EXPECT_EQ(task.Record().comment, "");
  EXPECT_EQ(NewScheduler().Refresh(), 1);
  m_sheet.answer = true;
  EXPECT_EQ(Exec(task, "properties task"), Variant(true));
  TTaskSchedulerEx& reader = NewScheduler();
  reader.Refresh();
  EXPECT_EQ(reader.Tasks()->Task(0)->Record().comment, "changed");
}

TEST_F(TaskSchedulerTest, BadTriggerValuesRaiseAndLeaveTheTriggerAsItWas) {
  TScheduledTask& task = SavedTask(NewScheduler(), "bad");
  TTaskTrigger& trigger = *task.Triggers()->Trigger(0);
  trigger.Change([](TaskTriggerFields& t) {
    t.minutesInterval = 30;
    t.minutesDuration = 60;
  });
  const TaskTriggerFields before = trigger.Fields();
  struct Row {
    const char* name;
    std::function<void()> write;
  };
  const Row rows[] = {
      {"begin month 13", [&] { trigger.Change([](TaskTriggerFields& t) { t.beginMonth = 13; }); }},
      {"month mask bit 13", [&] { trigger.TriggerType()->SetMonths(0x1000); }},
      {"daysInterval 0", [&] { trigger.TriggerType()->SetUnionFirst(0); }},
      {"duration below interval",
       [&] { platform::SetPropValue(trigger, platform::RequirePropInfo(trigger, "duration"), Variant(20)); }},
      {"end date flag without an end date", [&] {
         platform::SetPropValue(trigger, platform::RequirePropInfo(trigger, "flags"),
                                Variant(static_cast<int>(TASK_TRIGGER_FLAG_HAS_END_DATE)));
       }},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(OleCodeOf(row.write), E_TASK_INVALIDARG) << row.name;
    EXPECT_EQ(trigger.Fields(), before) << row.name;
  }
}

TEST_F(TaskSchedulerTest, ClearedUnsharedTriggersDeleteExactlyThemselves) {
  TScheduledTask& task = NewScheduler().NewTask("four");
  for (int hour : {1, 2, 3, 4}) task.NewTrigger().Change([&](TaskTriggerFields& t) { t.startHour = hour; });
  task.Save();
  TTaskSchedulerEx& reader = NewScheduler();
  reader.Refresh();
  TScheduledTask& listed = *reader.Tasks()->Task(0);
  listed.Triggers()->Trigger(1)->SetShare(false);
  listed.Triggers()->Trigger(2)->SetShare(false);
  listed.Triggers()->Clear();
  Exec(listed, "save");
  TTaskSchedulerEx& again = NewScheduler();
  again.Refresh();
  std::vector<int> hours;
  for (const TaskTriggerRecord& t : again.Tasks()->Task(0)->Record().triggers) hours.push_back(t.fields.startHour);
  EXPECT_EQ(hours, (std::vector<int>{1, 4}));
  EXPECT_EQ(again.Tasks()->Task(0)->Triggers()->Count(), 2);
}

TEST_F(TaskSchedulerTest, PasswordIsNowhereOnDisk) {
  TScheduledTask& task = SavedTask(NewScheduler(), "secret");
  platform::SetPropValue(task, platform::RequirePropInfo(task, "Password"), Variant("pw-7f3a-never-kept"));
  task.SetAccountName("alice");
  Exec(task, "save");
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root.Path())) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(testing::ReadFile(entry.path()).find("pw-7f3a-never-kept"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(platform::GetPropValue(task, platform::RequirePropInfo(task, "Password")), Variant(""));
}

TEST_F(TaskSchedulerTest, HostileTaskNamesRaiseAndWriteNothing) {
  TTaskSchedulerEx& scheduler = NewScheduler();
  const std::string tooLong(300, 'x');
  for (const std::string name : {"../x", "a/b", "", ".", "..", "a\nb", "a\\b", tooLong.c_str()}) {
    EXPECT_EQ(OleCodeOf([&] { scheduler.NewTask(name); }), E_TASK_INVALID_NAME) << name;
  }
  EXPECT_EQ(TaskFolderFiles(), std::vector<std::string>{});
  EXPECT_FALSE(std::filesystem::exists(m_data / "Zebrin/HalbrinLite/x.job"));
  EXPECT_EQ(scheduler.Tasks()->Count(), 0);
}

TEST_F(TaskSchedulerTest, ANewTaskOfAnExistingNameRaises) {
  SavedTask(NewScheduler(), "twice");
  EXPECT_EQ(OleCodeOf([&] { NewScheduler().NewTask("twice"); }), E_TASK_EXISTS);
}

TEST_F(TaskSchedulerTest, DamagedTaskFileIsSkippedWithALogLineAndLeftAsItWas) {
  SavedTask(NewScheduler(), "good");
  const struct {
    const char* file;
    const char* bytes;
  } damaged[] = {{"garbage.job", "\x01\x02 not a key file ["},
                 {"nogroup.job", "[Other]\nKey=1\n"},
                 {"badtrigger.job", "[Task]\nFlags=0\n[Trigger 1]\nType=1\nDaysInterval=0\n"},
                 {"badnumber.job", "[Task]\nMaxRunTime=lots\n"}};
  for (const auto& d : damaged) testing::WriteFile(TaskFolder() / d.file, d.bytes);
  TTaskSchedulerEx& reader = NewScheduler();
  reader.SetExec(Variant("refresh"));
  EXPECT_EQ(reader.GetExec(), Variant(1));
  EXPECT_EQ(reader.Tasks()->Task(0)->Name(), "good");
  for (const auto& d : damaged) {
    EXPECT_EQ(testing::ReadFile(TaskFolder() / d.file), d.bytes) << d.file;
    const bool logged = std::any_of(m_hooks.logged.begin(), m_hooks.logged.end(), [&](const std::string& line) {
      return line.find("Task file") != std::string::npos && line.find(d.file) != std::string::npos &&
             line.find("cannot be read") != std::string::npos;
    });
    EXPECT_TRUE(logged) << d.file;
  }
}

TEST_F(TaskSchedulerTest, EveryPropertyRoundTripsThroughTheStore) {
  TScheduledTask& task = NewScheduler().NewTask("props");
  struct Row {
    const char* property;
    Variant written;
    Variant read;
  };
  const Row rows[] = {
      {"AccountName", Variant("bob"), Variant("bob")},
      {"Comment", Variant("line 1\nline 2 = [x]"), Variant("line 1\nline 2 = [x]")},
      {"Creator", Variant("Креатор"), Variant("Креатор")},
      {"ErrorRetryCount", Variant(3), Variant(3)},
      {"ErrorRetryInterval", Variant(15), Variant(15)},
      {"flags", Variant(2), Variant(2)},
      {"data", Variant("payload;#not a comment"), Variant("payload;#not a comment")},
      {"ApplicationName", Variant("/usr/bin/env"), Variant("/usr/bin/env")},
      {"Parameters", Variant("-i 'a b' \"c\""), Variant("-i 'a b' \"c\"")},
      {"WorkingDirectory", Variant("/tmp/work dir"), Variant("/tmp/work dir")},
      {"Priority", Variant(0x40), Variant(0x40)},
      {"TaskFlags", Variant(7), Variant(7)},
      {"MaxRunTime", Variant(-1), Variant(-1)},
  };
  for (const Row& row : rows) platform::SetPropValue(task, platform::RequirePropInfo(task, row.property), row.written);
  TTaskTrigger& trigger = task.NewTrigger();
  trigger.SetFields([] {
    TaskTriggerFields t;
    t.type = TASK_TIME_TRIGGER_MONTHLYDOW;
    t.beginYear = 2030;
    t.beginMonth = 6;
    t.beginDay = 15;
    t.flags = TASK_TRIGGER_FLAG_HAS_END_DATE;
    t.endYear = 2031;
    t.endMonth = 1;
    t.endDay = 2;
    t.startHour = 23;
    t.startMinute = 59;
    t.minutesInterval = 10;
    t.minutesDuration = 70;
    t.unionFirst = TASK_LAST_WEEK;
    t.daysOfTheWeek = 0x41;
    t.months = 0x801;
    return t;
  }());
  const TaskTriggerFields written = trigger.Fields();
  task.Save();
  TTaskSchedulerEx& reader = NewScheduler();
  reader.Refresh();
  TScheduledTask& read = *reader.Tasks()->Task(0);
  for (const Row& row : rows)
    EXPECT_EQ(platform::GetPropValue(read, platform::RequirePropInfo(read, row.property)).ToText(), row.read.ToText())
        << row.property;
  ASSERT_EQ(read.Triggers()->Count(), 1);
  EXPECT_EQ(read.Triggers()->Trigger(0)->Fields(), written);
  EXPECT_EQ(read.Triggers()->Trigger(0)->TriggerType()->UnionFirst(), TASK_LAST_WEEK);
}

TEST_F(TaskSchedulerTest, TriggerDateObjectsReadAndWriteThroughTheTrigger) {
  TScheduledTask& task = NewScheduler().NewTask("dates");
  TTaskTrigger& trigger = task.NewTrigger();
  trigger.BeginDate()->SetParts({2031, 2, 3, 0, 0, 0, 0});
  trigger.StartTime()->SetField(3, 7);
  trigger.StartTime()->SetField(4, 45);
  const TaskTriggerFields t = trigger.Fields();
  EXPECT_EQ((std::vector<int>{t.beginYear, t.beginMonth, t.beginDay, t.startHour, t.startMinute}),
            (std::vector<int>{2031, 2, 3, 7, 45}));
  // Another write to the record shows in the objects at their next read.
  trigger.Change([](TaskTriggerFields& f) { f.beginDay = 9; });
  EXPECT_EQ(trigger.BeginDate()->Field(2), 9);
  EXPECT_EQ(trigger.TriggerString(), "At 07:45 every day, starting 09.02.2031");
}

TEST_F(TaskSchedulerTest, BeginAndEndDatesEachKeepToTheirOwnFields) {
  struct Case {
    const char* what;
    TDateEx* (TTaskTrigger::*date)() const;
    int TaskTriggerFields::*year;
    int TaskTriggerFields::*month;
    int TaskTriggerFields::*day;
  };
  const Case cases[] = {
      {"begin", &TTaskTrigger::BeginDate, &TaskTriggerFields::beginYear, &TaskTriggerFields::beginMonth,
       &TaskTriggerFields::beginDay},
      {"end", &TTaskTrigger::EndDate, &TaskTriggerFields::endYear, &TaskTriggerFields::endMonth,
       &TaskTriggerFields::endDay},
  };
  TScheduledTask& task = NewScheduler().NewTask("both dates");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TTaskTrigger& trigger = task.NewTrigger();
    const TaskTriggerFields before = trigger.Fields();
    (trigger.*c.date)()->SetParts({2032, 11, 28, 0, 0, 0, 0});
    TaskTriggerFields expected = before;
    expected.*c.year = 2032;
    expected.*c.month = 11;
    expected.*c.day = 28;
    EXPECT_EQ(trigger.Fields(), expected) << "only the date's own three fields change";

    trigger.Change([&](TaskTriggerFields& f) { f.*c.month = 12; });
    EXPECT_EQ((trigger.*c.date)()->Field(1), 12);
    EXPECT_EQ((trigger.*c.date)()->Field(2), 28);
  }
}

TEST_F(TaskSchedulerTest, SaveWritesTheTimerForTheNextRunAndStatusFollows) {
  TScheduledTask& task = NewScheduler().NewTask("timer");
  EXPECT_EQ(task.Status(), SCHED_S_TASK_NO_VALID_TRIGGERS);
  task.NewTrigger();
  task.Save();
  ASSERT_EQ(m_timers.installed.count(task.TaskFile()), 1u);
  const TaskUnitRequest& request = m_timers.installed[task.TaskFile()];
  const std::vector<TaskTriggerFields> fields = task.Record().TriggerFields();
  EXPECT_EQ(request.nextRun, NextTaskRunTime(0, fields, std::time(nullptr) + 1, TaskTimeZone::Local()));
  EXPECT_EQ(request.taskName, "timer");
  EXPECT_FALSE(request.logon);
  EXPECT_EQ(task.Status(), SCHED_S_TASK_HAS_NOT_RUN);

  task.Record().flags |= TASK_FLAG_DISABLED;
  task.Save();
  EXPECT_EQ(m_timers.installed.count(task.TaskFile()), 0u) << "a disabled task has no timer";
  EXPECT_EQ(task.Status(), SCHED_S_TASK_DISABLED);

  task.Record().flags = 0;
  m_timers.scheduled = false;
  task.Save();
  EXPECT_EQ(task.Status(), SCHED_S_TASK_NOT_SCHEDULED) << "no systemd to run the timer";
}

TEST_F(TaskSchedulerTest, RefreshWritesTimersWhoseTimeHasPassed) {
  TScheduledTask& task = SavedTask(NewScheduler(), "stale");
  m_timers.installed[task.TaskFile()].nextRun = std::time(nullptr) - 3600;
  NewScheduler().Refresh();
  ASSERT_TRUE(m_timers.installed[task.TaskFile()].nextRun);
  EXPECT_GT(*m_timers.installed[task.TaskFile()].nextRun, std::time(nullptr));
}

TEST_F(TaskSchedulerTest, RunAndTerminateRefuseWhatCannotBeDone) {
  TScheduledTask& task = NewScheduler().NewTask("idle");
  EXPECT_EQ(OleCodeOf([&] { Exec(task, "run"); }), SCHED_E_TASK_NOT_READY);
  EXPECT_EQ(OleCodeOf([&] { Exec(task, "terminate"); }), SCHED_E_TASK_NOT_RUNNING);
  EXPECT_EQ(Exec(task, "unknown"), Variant(false));
}

TEST_F(TaskSchedulerTest, GetRunTimesFillsTheItemsInOrder) {
  TScheduledTask& task = NewScheduler().NewTask("times");
  task.NewTrigger().SetFields([] {
    TaskTriggerFields t;
    t.beginYear = 2030;
    t.beginMonth = 1;
    t.beginDay = 30;
    t.startHour = 9;
    return t;
  }());
  TScheduledTaskRunTimes& times = *task.RunTimes();
  times.EndDate()->SetParts({2030, 2, 1, 23, 0, 0, 0});
  EXPECT_EQ(Exec(task, "getruntimes"), Variant(3));
  std::vector<std::string> texts;
  for (int i = 0; i < times.Count(); ++i) texts.push_back(times.RunTime(i)->DateTime()->Text());
  EXPECT_EQ(texts, (std::vector<std::string>{"30.01.2030 09:00:00", "31.01.2030 09:00:00", "01.02.2030 09:00:00"}));
}

TEST_F(TaskSchedulerTest, TypeWordsMakeTasksAndTriggers) {
  TTaskSchedulerEx& scheduler = NewScheduler();
  auto* task = dynamic_cast<TScheduledTask*>(CreateComponentByType(&scheduler, "task", "declared"));
  ASSERT_NE(task, nullptr);
  EXPECT_TRUE(std::filesystem::exists(task->TaskFile())) << "a new task is saved at once";
  auto* trigger = dynamic_cast<TTaskTrigger*>(CreateComponentByType(task, "trigger", ""));
  ASSERT_NE(trigger, nullptr);
  EXPECT_EQ(task->Triggers()->Count(), 1);
  EXPECT_EQ(scheduler.FindItem("declared.job"), task) << "the file name finds it too";
  EXPECT_EQ(CreateComponentByType(&m_hooks.root, "trigger", ""), nullptr);
}

TEST_F(TaskSchedulerTest, DeclarationsMakeTasksWithTriggers) {
  TXmlTypeInfoEx mapper;
  Variant result;
  mapper.Execute(Variant("<controls><control type=\"taskscheduler\" id=\"Scheduler\">"
                         "<control type=\"task\" id=\"declared\" Comment=\"from XML\">"
                         "<control type=\"trigger\" duration=\"60\" interval=\"15\"/></control>"
                         "</control></controls>"),
                 result);
  auto* scheduler = dynamic_cast<TTaskSchedulerEx*>(m_hooks.root.FindComponent("Scheduler"));
  ASSERT_NE(scheduler, nullptr);
  auto* task = dynamic_cast<TScheduledTask*>(scheduler->FindItem("declared"));
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(task->Record().comment, "from XML");
  ASSERT_EQ(task->Triggers()->Count(), 1);
  EXPECT_EQ(task->Triggers()->Trigger(0)->Fields().minutesInterval, 15u);
}

TEST_F(TaskSchedulerTest, TargetComputerIsOnlyThisOne) {
  TTaskSchedulerEx& scheduler = NewScheduler();
  const std::string host = g_get_host_name();
  EXPECT_EQ(scheduler.TargetComputer(), "\\\\" + host);
  for (const std::string& name : {std::string(), host, "\\\\" + host})
    EXPECT_EQ(OleCodeOf([&] { scheduler.SetTargetComputer(name); }), 0) << name;
  EXPECT_EQ(OleCodeOf([&] { scheduler.SetTargetComputer("\\\\elsewhere"); }), static_cast<platform::HResult>(0x800706BA));
}

}  // namespace
}  // namespace halbrin::tasks_test
