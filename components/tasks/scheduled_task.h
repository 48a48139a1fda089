#pragma once

// One scheduled task of the scheduler's `tasks` ("task" items): the work
// item's properties, the task's own ones, its triggers and run times.
// Property writes change the item's record; "save" stores it and rewrites
// the task's timer. The run state (`Status`, `ExitCode`,
// `MostRecentRunTime`) is read from the task file at each read, since the
// runner writes it from another process.

#include <cstdint>
#include <memory>
#include <string>

#include "components/tasks/task_store.h"
#include "components/tasks/task_trigger.h"
#include "core/foundation/named_item_collection.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/custom_date_time_ex.h"

namespace halbrin {

class TScheduledTasks;
class TScheduledWorkItem;

class TScheduledTaskRunTime : public TInterfacedCollectionItem {
  HALBRIN_CLASS(TScheduledTaskRunTime, TInterfacedCollectionItem)

  TScheduledTaskRunTime();
  TDateTimeEx* DateTime() const noexcept { return m_dateTime.get(); }

 private:
  std::unique_ptr<TDateTimeEx> m_dateTime;
};

// Filled by "getruntimes": the times from `beginDate` to `endDate` (empty:
// open), at most 1440.
class TScheduledTaskRunTimes : public TItemCollection {
  HALBRIN_CLASS(TScheduledTaskRunTimes, TItemCollection)

  explicit TScheduledTaskRunTimes(TScheduledWorkItem& task);

  TScheduledWorkItem& Task() const noexcept { return m_task; }
  TDateTimeEx* BeginDate() const noexcept { return m_beginDate.get(); }
  TDateTimeEx* EndDate() const noexcept { return m_endDate.get(); }
  TScheduledTaskRunTime* RunTime(int index) const { return static_cast<TScheduledTaskRunTime*>(Items(index)); }

 private:
  TScheduledWorkItem& m_task;
  std::unique_ptr<TDateTimeEx> m_beginDate;
  std::unique_ptr<TDateTimeEx> m_endDate;
};

class TScheduledWorkItem : public TCollectionNamedItem, public IExecutable, public IDeclaredItemList {
  HALBRIN_CLASS(TScheduledWorkItem, TCollectionNamedItem)

  TScheduledWorkItem();
  ~TScheduledWorkItem() override;

  // Gives the item its store, name and record, and makes its trigger items.
  void Bind(const TaskStore& store, const std::string& name, TaskRecord record);
  const TaskStore& Store() const noexcept { return m_store; }
  std::string TaskFile() const { return m_store.PathOf(Name()); }
  TaskRecord& Record() noexcept { return m_record; }
  const TaskRecord& Record() const noexcept { return m_record; }
  bool Destroying() const noexcept { return m_destroying; }

  // Empty or "SYSTEM" reads "<host name>\SYSTEM".
  std::string AccountName() const;
  void SetAccountName(const std::string& name);
  // Accepted and dropped: tasks run as the store's owner.
  void SetPassword(const std::string& password);
  std::uint32_t ExitCode() const;
  platform::HResult Status() const;
  platform::Variant Data() const { return platform::Variant(m_record.data); }
  // Null stores "".
  void SetData(const platform::Variant& value);
  TDateTimeEx* MostRecentRunTime() const;
  TDateTimeEx* NextRunTime() const;
  TScheduledTaskRunTimes* RunTimes() const;
  TTaskTriggers* Triggers() const noexcept { return m_triggers.get(); }
  TScheduledTasks* Tasks() const;
  bool Share() const noexcept { return m_share; }
  void SetShare(bool share) noexcept { m_share = share; }

  // Stores the record and rewrites the timer.
  void Save();
  // Reads the triggers from the store again.
  void RefreshTriggers();
  // A new trigger (daily at 00:00 from today) and its item.
  TTaskTrigger& NewTrigger();
  // Spawns the runner at once; EOleError 0x8004130A without ApplicationName.
  void Run();
  // SIGTERM to the process the runner started; EOleError 0x8004130B when none runs.
  void Terminate();
  // Fills `runTimes`; the number of times.
  int GetRunTimes();
  // The sheet's answer for the pages the word selects.
  bool ShowProperties(const std::string& word);

  // Drops the trigger record of a destroyed unshared trigger item.
  void DeleteTriggerRecord(int id);

  // IExecutable
  platform::Variant GetExec() const override { return m_exec; }
  void SetExec(const platform::Variant& value) override;

  // IDeclaredItemList over the triggers (a new trigger for every name).
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override;
  int Count() const override;
  platform::TObject* FindItem(std::string_view name) const override;

 private:
  void BuildTriggers();

  TaskStore m_store{""};
  TaskRecord m_record;
  bool m_share = true;
  bool m_destroying = false;
  platform::Variant m_exec;
  std::unique_ptr<TTaskTriggers> m_triggers;
  mutable std::unique_ptr<TScheduledTaskRunTimes> m_runTimes;
  std::unique_ptr<TDateTimeEx> m_mostRecentRunTime;
  std::unique_ptr<TDateTimeEx> m_nextRunTime;
};

class TScheduledTask : public TScheduledWorkItem {
  HALBRIN_CLASS(TScheduledTask, TScheduledWorkItem)

  TScheduledTask() = default;

  // MaxRunTime in milliseconds; -1 for no limit.
  int MaxRunTime() const;
  void SetMaxRunTime(int value);
};

// Writes or removes the task's timers as its record asks (enabled, next run
// after `now`, logon triggers) and records in [Run] whether systemd runs them.
void ScheduleTask(const TaskStore& store, const std::string& name, const TaskRecord& record, std::int64_t now);
// The status a task reads now.
platform::HResult TaskStatus(const TaskStore& store, const std::string& name, const TaskRecord& record,
                             std::int64_t now);

}  // namespace halbrin
