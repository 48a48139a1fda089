#include "components/tasks/scheduled_task.h"

#include <glib.h>
#include <signal.h>

#include <algorithm>
#include <ctime>

#include "components/tasks/task_scheduler_ex.h"
#include "components/tasks/task_timer_service.h"
#include "core/framework/executable_component.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/services/task_sheet_service.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

DateTimeParts LocalParts(std::int64_t unixTime) {
  const time_t seconds = static_cast<time_t>(unixTime);
  struct tm local {};
  localtime_r(&seconds, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
          std::min(local.tm_sec, 59), 0};
}

std::int64_t UnixOfLocal(const DateTimeParts& p) {
  return TaskTimeZone::Local().ToUnix(p.year, p.month, p.day, p.hour, p.minute) + p.second;
}

void SetLocal(TDateTimeEx& date, std::optional<std::int64_t> unixTime) {
  if (unixTime)
    date.SetParts(LocalParts(*unixTime));
  else
    date.SetTicks(0);
}

bool HasLogonTrigger(const TaskRecord& record) {
  return std::any_of(record.triggers.begin(), record.triggers.end(), [](const TaskTriggerRecord& t) {
    return (t.fields.type == TASK_EVENT_TRIGGER_AT_LOGON || t.fields.type == TASK_EVENT_TRIGGER_AT_SYSTEMSTART) &&
           !(t.fields.flags & TASK_TRIGGER_FLAG_DISABLED);
  });
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(g_ascii_tolower(c));
  return lower;
}

}  // namespace

// ---- run times ----

HALBRIN_DEFINE_CLASS(TScheduledTaskRunTime,
                     .Property("dateTime", [](const TScheduledTaskRunTime& self) { return self.DateTime(); })
                     .Stored(false))

TScheduledTaskRunTime::TScheduledTaskRunTime() : m_dateTime(std::make_unique<TDateTimeEx>()) {}

HALBRIN_DEFINE_CLASS(TScheduledTaskRunTimes,
                     .Property("beginDate", [](const TScheduledTaskRunTimes& self) { return self.BeginDate(); },
                               [](TScheduledTaskRunTimes& self, TDateTimeEx* date) {
                                 if (date) self.BeginDate()->SetTicks(date->Ticks());
                               })
                     .Owned()
                     .Stored(false)
                     .Property("endDate", [](const TScheduledTaskRunTimes& self) { return self.EndDate(); },
                               [](TScheduledTaskRunTimes& self, TDateTimeEx* date) {
                                 if (date) self.EndDate()->SetTicks(date->Ticks());
                               })
                     .Owned()
                     .Stored(false)
                     .Property("task", [](const TScheduledTaskRunTimes& self) { return &self.Task(); })
                     .Stored(false))

TScheduledTaskRunTimes::TScheduledTaskRunTimes(TScheduledWorkItem& task)
    : TItemCollection(&task, TScheduledTaskRunTime::StaticClassInfo(), TCollection::FactoryOf<TScheduledTaskRunTime>()),
      m_task(task),
      m_beginDate(std::make_unique<TDateTimeEx>()),
      m_endDate(std::make_unique<TDateTimeEx>()) {}

// ---- the work item ----

HALBRIN_DEFINE_CLASS(
    TScheduledWorkItem,
    .Property("AccountName", &TScheduledWorkItem::AccountName, &TScheduledWorkItem::SetAccountName)
    .Property("Password", [](const TScheduledWorkItem&) { return std::string(); }, &TScheduledWorkItem::SetPassword)
    .Stored(false)
    .Property("Comment", [](const TScheduledWorkItem& self) { return self.Record().comment; },
              [](TScheduledWorkItem& self, const std::string& v) { self.Record().comment = v; })
    .Property("Creator", [](const TScheduledWorkItem& self) { return self.Record().creator; },
              [](TScheduledWorkItem& self, const std::string& v) { self.Record().creator = v; })
    .Property("ExitCode", &TScheduledWorkItem::ExitCode)
    .Stored(false)
    .Property("IdleMinutes", [](const TScheduledWorkItem& self) { return self.Record().idleMinutes; })
    .Stored(false)
    .Property("DeadlineMinutes", [](const TScheduledWorkItem& self) { return self.Record().deadlineMinutes; })
    .Stored(false)
    .Property("Status", [](const TScheduledWorkItem& self) { return static_cast<int>(self.Status()); })
    .Stored(false)
    .Property("ErrorRetryCount", [](const TScheduledWorkItem& self) { return static_cast<std::uint16_t>(self.Record().errorRetryCount); },
              [](TScheduledWorkItem& self, std::uint16_t v) { self.Record().errorRetryCount = v; })
    .Property("ErrorRetryInterval", [](const TScheduledWorkItem& self) { return static_cast<std::uint16_t>(self.Record().errorRetryInterval); },
              [](TScheduledWorkItem& self, std::uint16_t v) { self.Record().errorRetryInterval = v; })
    .Property("flags", [](const TScheduledWorkItem& self) { return self.Record().flags; },
              [](TScheduledWorkItem& self, std::uint32_t v) { self.Record().flags = v; })
    .Property("data", &TScheduledWorkItem::Data, &TScheduledWorkItem::SetData)
    .Property("MostRecentRunTime", &TScheduledWorkItem::MostRecentRunTime)
    .Stored(false)
    .Property("NextRunTime", &TScheduledWorkItem::NextRunTime)
    .Stored(false)
    .Property("runTimes", &TScheduledWorkItem::RunTimes)
    .Stored(false)
    .Property("triggers", &TScheduledWorkItem::Triggers)
    .Stored(false)
    .Property("tasks", &TScheduledWorkItem::Tasks)
    .Stored(false)
    .Property("share", &TScheduledWorkItem::Share, &TScheduledWorkItem::SetShare)
    .Property("name", [](const TScheduledWorkItem& self) { return self.Name(); })
    .Stored(false)
    .Property("exec", &TScheduledWorkItem::GetExec, &TScheduledWorkItem::SetExec)
    .Stored(false))

TScheduledWorkItem::TScheduledWorkItem()
    : m_triggers(std::make_unique<TTaskTriggers>(*this)),
      m_mostRecentRunTime(std::make_unique<TDateTimeEx>()),
      m_nextRunTime(std::make_unique<TDateTimeEx>()) {}

TScheduledWorkItem::~TScheduledWorkItem() {
  m_destroying = true;
  m_triggers.reset();
  if (m_share || Name().empty()) return;
  try {
    const std::string file = TaskFile();
    TaskTimerService().Remove(file);
    m_store.Remove(Name());
  } catch (const std::exception& e) {
    TaskLog(Format("Task %s cannot be deleted: %s", {Name(), e.what()}));
  }
}

void TScheduledWorkItem::Bind(const TaskStore& store, const std::string& name, TaskRecord record) {
  m_store = store;
  SetName(name);
  m_record = std::move(record);
  BuildTriggers();
}

void TScheduledWorkItem::BuildTriggers() {
  // The old items are forgotten, never deleted.
  const bool wasDestroying = m_destroying;
  m_destroying = true;
  m_triggers->Clear();
  m_destroying = wasDestroying;
  m_triggers->BeginUpdate();
  for (const TaskTriggerRecord& trigger : m_record.triggers)
    static_cast<TTaskTrigger&>(m_triggers->Add()).Bind(*this, trigger.id);
  m_triggers->EndUpdate();
}

std::string TScheduledWorkItem::AccountName() const {
  if (m_record.accountName.empty() || SameText(m_record.accountName, "SYSTEM"))
    return std::string(g_get_host_name()) + "\\SYSTEM";
  return m_record.accountName;
}

void TScheduledWorkItem::SetAccountName(const std::string& name) {
  m_record.accountName = SameText(name, "SYSTEM") ? std::string() : name;
}

void TScheduledWorkItem::SetPassword(const std::string&) {}

std::uint32_t TScheduledWorkItem::ExitCode() const { return m_store.LoadRun(Name()).exitCode; }

HResult TScheduledWorkItem::Status() const { return TaskStatus(m_store, Name(), m_record, Now()); }

void TScheduledWorkItem::SetData(const Variant& value) {
  m_record.data = value.IsNull() || value.IsEmpty() ? std::string() : value.ToText();
}

TDateTimeEx* TScheduledWorkItem::MostRecentRunTime() const {
  SetLocal(*m_mostRecentRunTime, m_store.LoadRun(Name()).mostRecentRunTime);
  return m_mostRecentRunTime.get();
}

TDateTimeEx* TScheduledWorkItem::NextRunTime() const {
  const std::vector<TaskTriggerFields> fields = m_record.TriggerFields();
  SetLocal(*m_nextRunTime, NextTaskRunTime(m_record.flags, fields, Now() + 1, TaskTimeZone::Local()));
  return m_nextRunTime.get();
}

TScheduledTaskRunTimes* TScheduledWorkItem::RunTimes() const {
  if (!m_runTimes) m_runTimes = std::make_unique<TScheduledTaskRunTimes>(const_cast<TScheduledWorkItem&>(*this));
  return m_runTimes.get();
}

TScheduledTasks* TScheduledWorkItem::Tasks() const { return dynamic_cast<TScheduledTasks*>(Collection()); }

void TScheduledWorkItem::Save() {
  m_store.Save(Name(), m_record);
  ScheduleTask(m_store, Name(), m_record, Now());
}

void TScheduledWorkItem::RefreshTriggers() {
  TaskRecord stored = m_store.Load(Name());
  m_record.triggers = std::move(stored.triggers);
  m_record.nextTriggerId = stored.nextTriggerId;
  BuildTriggers();
}

TTaskTrigger& TScheduledWorkItem::NewTrigger() {
  TaskTriggerFields fields;
  const DateTimeParts today = LocalParts(Now());
  fields.beginYear = today.year;
  fields.beginMonth = today.month;
  fields.beginDay = today.day;
  const int id = m_record.AddTrigger(fields).id;
  auto& item = static_cast<TTaskTrigger&>(m_triggers->Add());
  item.Bind(*this, id);
  return item;
}

void TScheduledWorkItem::DeleteTriggerRecord(int id) {
  std::erase_if(m_record.triggers, [id](const TaskTriggerRecord& t) { return t.id == id; });
}

void TScheduledWorkItem::Run() {
  if (m_record.applicationName.empty())
    throw EOleError(SCHED_E_TASK_NOT_READY, "The task is not ready to run: it names no program.");
  const std::string file = TaskFile();
  // A runner holds the task already: it is not started twice.
  if (TaskRunLockHeld(file)) return;
  const std::string program = TaskRunnerProgram();
  const char* argv[] = {program.c_str(), "/runtask", file.c_str(), "now", nullptr};
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_STDIN_FROM_DEV_NULL, nullptr, nullptr,
                     nullptr, &error)) {
    const std::string message = error->message;
    g_error_free(error);
    throw EOleError(E_FAIL, Format("Cannot start %s: %s", {program, message}));
  }
}

void TScheduledWorkItem::Terminate() {
  const std::string file = TaskFile();
  const TaskRunState run = m_store.LoadRun(Name());
  const bool running = TaskRunLockHeld(file) && run.pid > 0 && run.pidStart != 0 &&
                       ProcessStartTime(run.pid) == std::optional<std::uint64_t>(run.pidStart);
  if (!running || kill(static_cast<pid_t>(run.pid), SIGTERM) != 0)
    throw EOleError(SCHED_E_TASK_NOT_RUNNING, "There is no running instance of the task.");
}

int TScheduledWorkItem::GetRunTimes() {
  TScheduledTaskRunTimes& times = *RunTimes();
  const std::int64_t from = times.BeginDate()->IsEmpty() ? -62135596800 : UnixOfLocal(times.BeginDate()->Parts());
  const std::int64_t to = times.EndDate()->IsEmpty() ? kOpenRangeEnd : UnixOfLocal(times.EndDate()->Parts());
  const std::vector<TaskTriggerFields> fields = m_record.TriggerFields();
  const std::vector<std::int64_t> found = TaskRunTimes(m_record.flags, fields, from, to, TaskTimeZone::Local());
  times.BeginUpdate();
  times.Clear();
  for (const std::int64_t time : found)
    static_cast<TScheduledTaskRunTime&>(times.Add()).DateTime()->SetParts(LocalParts(time));
  times.EndUpdate();
  return times.Count();
}

bool TScheduledWorkItem::ShowProperties(const std::string& word) {
  const std::string rest = Lower(std::string_view(word).substr(std::min<std::size_t>(word.size(), 10)));
  TaskSheetPages pages;
  pages.task = rest.find("task") != std::string::npos;
  pages.schedule = rest.find("schedule") != std::string::npos;
  pages.settings = rest.find("settings") != std::string::npos;
  if (pages.Count() == 0) pages = TaskSheetPages{};
  TaskSheetValues values;
  values.caption = Name();
  values.applicationName = m_record.applicationName;
  values.parameters = m_record.parameters;
  values.workingDirectory = m_record.workingDirectory;
  values.comment = m_record.comment;
  values.enabled = !(m_record.flags & TASK_FLAG_DISABLED);
  for (const TaskTriggerRecord& t : m_record.triggers) values.triggers.push_back(TriggerText(t.fields));
  values.deleteWhenDone = (m_record.flags & TASK_FLAG_DELETE_WHEN_DONE) != 0;
  values.maxRunTime = m_record.maxRunTime == kNoMaxRunTime ? -1 : m_record.maxRunTime;
  ITaskSheetService& sheet = CurrentTaskSheetService();
  if (!sheet.Shows()) TaskLog(Format("No display for the property sheet of task %s", {Name()}));
  if (!sheet.ShowTaskSheet(pages, values)) return false;
  m_record.applicationName = values.applicationName;
  m_record.parameters = values.parameters;
  m_record.workingDirectory = values.workingDirectory;
  m_record.comment = values.comment;
  m_record.flags = values.enabled ? m_record.flags & ~TASK_FLAG_DISABLED : m_record.flags | TASK_FLAG_DISABLED;
  m_record.flags = values.deleteWhenDone ? m_record.flags | TASK_FLAG_DELETE_WHEN_DONE
                                         : m_record.flags & ~TASK_FLAG_DELETE_WHEN_DONE;
  m_record.maxRunTime = values.maxRunTime < 0 ? kNoMaxRunTime : std::min<std::int64_t>(values.maxRunTime, kNoMaxRunTime - 1);
  Save();
  return true;
}

void TScheduledWorkItem::SetExec(const Variant& value) {
  m_exec = true;
  const std::string word = ExecVerbText(value);
  if (Lower(word).starts_with("properties")) {
    m_exec = ShowProperties(word);
  } else if (SameText(word, "save")) {
    Save();
  } else if (SameText(word, "refresh")) {
    RefreshTriggers();
  } else if (SameText(word, "run")) {
    Run();
  } else if (SameText(word, "terminate")) {
    Terminate();
  } else if (SameText(word, "getruntimes")) {
    m_exec = GetRunTimes();
  } else {
    m_exec = false;
  }
}

TObject* TScheduledWorkItem::NewItem(const std::string&) { return &NewTrigger(); }
TObject* TScheduledWorkItem::ItemAt(int index) const {
  return index >= 0 && index < m_triggers->Count() ? m_triggers->Items(index) : nullptr;
}
int TScheduledWorkItem::Count() const { return m_triggers->Count(); }
TObject* TScheduledWorkItem::FindItem(std::string_view) const { return nullptr; }

// ---- the task ----

HALBRIN_DEFINE_CLASS(
    TScheduledTask,
    .Property("ApplicationName", [](const TScheduledTask& self) { return self.Record().applicationName; },
              [](TScheduledTask& self, const std::string& v) { self.Record().applicationName = v; })
    .Property("Parameters", [](const TScheduledTask& self) { return self.Record().parameters; },
              [](TScheduledTask& self, const std::string& v) { self.Record().parameters = v; })
    .Property("WorkingDirectory", [](const TScheduledTask& self) { return self.Record().workingDirectory; },
              [](TScheduledTask& self, const std::string& v) { self.Record().workingDirectory = v; })
    .Property("Priority", [](const TScheduledTask& self) { return self.Record().priority; },
              [](TScheduledTask& self, std::uint32_t v) { self.Record().priority = v; })
    .Property("TaskFlags", [](const TScheduledTask& self) { return self.Record().taskFlags; },
              [](TScheduledTask& self, std::uint32_t v) { self.Record().taskFlags = v; })
    .Property("MaxRunTime", &TScheduledTask::MaxRunTime, &TScheduledTask::SetMaxRunTime))

int TScheduledTask::MaxRunTime() const { return static_cast<int>(static_cast<std::uint32_t>(Record().maxRunTime)); }

void TScheduledTask::SetMaxRunTime(int value) { Record().maxRunTime = static_cast<std::uint32_t>(value); }

// ---- schedule and status ----

void ScheduleTask(const TaskStore& store, const std::string& name, const TaskRecord& record, std::int64_t now) {
  const std::string file = store.PathOf(name);
  ITaskTimerService& timers = TaskTimerService();
  TaskUnitRequest request{file, name, std::nullopt, false};
  if (!(record.flags & TASK_FLAG_DISABLED)) {
    const std::vector<TaskTriggerFields> fields = record.TriggerFields();
    request.nextRun = NextTaskRunTime(record.flags, fields, now + 1, TaskTimeZone::Local());
    request.logon = HasLogonTrigger(record);
  }
  if (!request.nextRun && !request.logon) {
    timers.Remove(file);
    return;
  }
  const bool scheduled = timers.Install(request);
  TaskRunState run = store.LoadRun(name);
  if (run.scheduled != scheduled) {
    run.scheduled = scheduled;
    store.SaveRun(name, run);
  }
}

HResult TaskStatus(const TaskStore& store, const std::string& name, const TaskRecord& record, std::int64_t now) {
  if (TaskRunLockHeld(store.PathOf(name))) return SCHED_S_TASK_RUNNING;
  if (record.flags & TASK_FLAG_DISABLED) return SCHED_S_TASK_DISABLED;
  const TaskRunState run = store.LoadRun(name);
  if (!run.scheduled) return SCHED_S_TASK_NOT_SCHEDULED;
  if (record.triggers.empty()) return SCHED_S_TASK_NO_VALID_TRIGGERS;
  if (run.status == SCHED_S_TASK_TERMINATED) return SCHED_S_TASK_TERMINATED;
  if (!run.mostRecentRunTime) return SCHED_S_TASK_HAS_NOT_RUN;
  const std::vector<TaskTriggerFields> fields = record.TriggerFields();
  if (!NextTaskRunTime(record.flags, fields, now + 1, TaskTimeZone::Local()) && !HasLogonTrigger(record))
    return SCHED_S_TASK_NO_MORE_RUNS;
  return SCHED_S_TASK_READY;
}

}  // namespace halbrin
