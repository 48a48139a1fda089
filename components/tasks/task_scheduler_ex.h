#pragma once

// The task scheduler component ("taskscheduler") and its `tasks`, kept in
// the task store; "task" items inside it, "trigger" items inside a task.
//
//   <control type="taskscheduler" id="scheduler"/>
//   scheduler.exec = "refresh";            // number of tasks
//   var task = scheduler.add("task", "report");
//   var trigger = task.add("trigger", "");

#include <memory>
#include <string>

#include "components/tasks/scheduled_task.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/executable_component.h"

namespace halbrin {

class TTaskSchedulerEx;

class TScheduledTasks : public TNamedItemCollection {
  HALBRIN_CLASS(TScheduledTasks, TNamedItemCollection)

  explicit TScheduledTasks(TTaskSchedulerEx& scheduler);

  TTaskSchedulerEx& TaskScheduler() const noexcept { return m_scheduler; }
  TScheduledTask* Task(int index) const { return static_cast<TScheduledTask*>(Items(index)); }

  // Two names: the task's name and the file name with ".job".
  void GetItemName(const platform::TCollectionItem& item, int nameIndex, int& count,
                   std::string& name) const override;

 private:
  TTaskSchedulerEx& m_scheduler;
};

class TTaskSchedulerEx : public TCustomExecutableComponentEx, public IDeclaredItemList {
  HALBRIN_CLASS(TTaskSchedulerEx, TCustomExecutableComponentEx)

  // The store of $XDG_DATA_HOME, read now.
  explicit TTaskSchedulerEx(platform::TComponent* owner = nullptr);
  ~TTaskSchedulerEx() override;

  std::string GetTypeName() const override { return "taskscheduler"; }

  const TaskStore& Store() const noexcept { return m_store; }
  TScheduledTasks* Tasks() const noexcept { return m_tasks.get(); }
  void SetTasks(TScheduledTasks* tasks);

  // "\\" + the host name. Writing "", the host name or "\\" + it is accepted
  // and not kept; any other computer raises EOleError 0x800706BA.
  std::string TargetComputer() const;
  void SetTargetComputer(const std::string& name);

  // Builds the new list, then swaps it in (a failure keeps the old list); an
  // unreadable task file is skipped with a log line. Items of names listed
  // before keep their `share`; the old items are forgotten, never deleted.
  // Timers whose time has passed are written again. Returns the count.
  int Refresh();
  // Creates the task file with the defaults and its item. EOleError
  // 0x8007007B for a bad name, 0x80070050 when the task exists.
  TScheduledTask& NewTask(const std::string& name);

  // Words: "refresh", "shareall", "unshareall", "clear".
  void SetExec(const platform::Variant& value) override;

  // IDeclaredItemList over the tasks.
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override;
  int Count() const override;
  platform::TObject* FindItem(std::string_view name) const override;

 private:
  TaskStore m_store;
  std::unique_ptr<TScheduledTasks> m_tasks;
};

// Registers "taskscheduler" and the item words "task" and "trigger".
void RegisterTaskComponentTypes();

}  // namespace halbrin
