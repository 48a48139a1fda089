#include "components/tasks/task_scheduler_ex.h"

#include <glib.h>

#include <ctime>
#include <unordered_map>

#include "components/tasks/task_timer_service.h"
#include "core/framework/component_types.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr HResult kRpcServerUnavailable = static_cast<HResult>(0x800706BA);

}  // namespace

// ---- TScheduledTasks ----

HALBRIN_DEFINE_CLASS(TScheduledTasks,
                     .Property("taskScheduler", [](const TScheduledTasks& self) { return &self.TaskScheduler(); })
                     .Stored(false))

TScheduledTasks::TScheduledTasks(TTaskSchedulerEx& scheduler)
    : TNamedItemCollection(&scheduler, TScheduledTask::StaticClassInfo(), TCollection::FactoryOf<TScheduledTask>()),
      m_scheduler(scheduler) {}

void TScheduledTasks::GetItemName(const TCollectionItem& item, int nameIndex, int& count, std::string& name) const {
  const auto* task = dynamic_cast<const TScheduledWorkItem*>(&item);
  if (!task) {
    TNamedItemCollection::GetItemName(item, nameIndex, count, name);
    return;
  }
  count = 2;
  if (nameIndex == 0) name = task->Name();
  if (nameIndex == 1) name = task->Name() + ".job";
}

// ---- TTaskSchedulerEx ----

HALBRIN_DEFINE_CLASS(TTaskSchedulerEx,
                     .Property("targetComputer", &TTaskSchedulerEx::TargetComputer,
                               &TTaskSchedulerEx::SetTargetComputer)
                     .Stored(false)
                     .Property("tasks", &TTaskSchedulerEx::Tasks, &TTaskSchedulerEx::SetTasks)
                     .Owned()
                     .Stored(false))

TTaskSchedulerEx::TTaskSchedulerEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner),
      m_store(TaskStore::DefaultFolder()),
      m_tasks(std::make_unique<TScheduledTasks>(*this)) {}

TTaskSchedulerEx::~TTaskSchedulerEx() = default;

void TTaskSchedulerEx::SetTasks(TScheduledTasks* tasks) {
  if (tasks && tasks != m_tasks.get()) m_tasks->Assign(*tasks);
}

std::string TTaskSchedulerEx::TargetComputer() const { return std::string("\\\\") + g_get_host_name(); }

void TTaskSchedulerEx::SetTargetComputer(const std::string& name) {
  const std::string host = g_get_host_name();
  if (name.empty() || SameText(name, host) || SameText(name, "\\\\" + host)) return;
  throw EOleError(kRpcServerUnavailable, "The RPC server is unavailable.");
}

int TTaskSchedulerEx::Refresh() {
  struct Loaded {
    std::string name;
    TaskRecord record;
  };
  std::vector<Loaded> loaded;
  for (const std::string& name : m_store.Names()) {
    try {
      loaded.push_back({name, m_store.Load(name)});
    } catch (const Exception& e) {
      TaskLog(Format("Task file %s cannot be read: %s", {m_store.PathOf(name), e.what()}));
    }
  }
  std::unordered_map<std::string, bool> shares;
  for (int i = 0; i < m_tasks->Count(); ++i) {
    TScheduledTask& task = *m_tasks->Task(i);
    shares[task.Name()] = task.Share();
    // Forgotten, not deleted: the list is read again.
    task.SetShare(true);
  }
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  m_tasks->BeginUpdate();
  m_tasks->Clear();
  for (Loaded& entry : loaded) {
    auto& task = static_cast<TScheduledTask&>(m_tasks->Add());
    task.Bind(m_store, entry.name, std::move(entry.record));
    if (auto share = shares.find(entry.name); share != shares.end()) task.SetShare(share->second);
  }
  m_tasks->EndUpdate();
  // A timer whose time went by while nobody ran it gets its next time.
  for (int i = 0; i < m_tasks->Count(); ++i) {
    TScheduledTask& task = *m_tasks->Task(i);
    const std::optional<std::int64_t> at = TaskTimerService().ScheduledTime(task.TaskFile());
    if (at && *at < now) ScheduleTask(m_store, task.Name(), task.Record(), now);
  }
  return m_tasks->Count();
}

TScheduledTask& TTaskSchedulerEx::NewTask(const std::string& name) {
  TaskStore::CheckName(name);
  if (m_store.Exists(name) || m_tasks->ItemByName(name))
    throw EOleError(E_TASK_EXISTS, "The file exists.");
  TaskRecord record;
  m_store.Save(name, record);
  auto& task = static_cast<TScheduledTask&>(m_tasks->Add());
  task.Bind(m_store, name, std::move(record));
  return task;
}

void TTaskSchedulerEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "refresh")) {
    ExecResult() = Refresh();
  } else if (SameText(word, "shareall") || SameText(word, "unshareall")) {
    const bool share = SameText(word, "shareall");
    for (int i = 0; i < m_tasks->Count(); ++i) m_tasks->Task(i)->SetShare(share);
    ExecResult() = m_tasks->Count();
  } else if (SameText(word, "clear")) {
    m_tasks->Clear();
  } else {
    Inherited::SetExec(value);
  }
}

TObject* TTaskSchedulerEx::NewItem(const std::string& name) { return &NewTask(name); }
TObject* TTaskSchedulerEx::ItemAt(int index) const {
  return index >= 0 && index < m_tasks->Count() ? m_tasks->Items(index) : nullptr;
}
int TTaskSchedulerEx::Count() const { return m_tasks->Count(); }
TObject* TTaskSchedulerEx::FindItem(std::string_view name) const { return m_tasks->ItemByName(name); }

void RegisterTaskComponentTypes() {
  RegisterComponentClass<TTaskSchedulerEx>("taskscheduler");
  RegisterItemType("task", [](TObject& owner, const std::string& name) -> TObject* {
    if (auto* scheduler = dynamic_cast<TTaskSchedulerEx*>(&owner)) return &scheduler->NewTask(name);
    if (auto* tasks = dynamic_cast<TScheduledTasks*>(&owner)) return &tasks->TaskScheduler().NewTask(name);
    return nullptr;
  });
  RegisterItemType("trigger", [](TObject& owner, const std::string&) -> TObject* {
    if (auto* task = dynamic_cast<TScheduledWorkItem*>(&owner)) return &task->NewTrigger();
    if (auto* triggers = dynamic_cast<TTaskTriggers*>(&owner)) return &triggers->Task().NewTrigger();
    return nullptr;
  });
}

}  // namespace halbrin
