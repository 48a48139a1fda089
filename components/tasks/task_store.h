#pragma once

// The task store: one GKeyFile per task,
// $XDG_DATA_HOME/Zebrin/HalbrinLite/tasks/<name>.job. Group [Task] holds the
// task's properties, one [Trigger <id>] group per trigger in order, [Run] the
// run state that only the runner writes. A password is never stored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/tasks/run_time_calculator.h"
#include "platform/automation/dispatch.h"
#include "platform/base/unique_fd.h"

namespace halbrin {

// Status codes.
inline constexpr platform::HResult SCHED_S_TASK_READY = 0x00041300;
inline constexpr platform::HResult SCHED_S_TASK_RUNNING = 0x00041301;
inline constexpr platform::HResult SCHED_S_TASK_DISABLED = 0x00041302;
inline constexpr platform::HResult SCHED_S_TASK_HAS_NOT_RUN = 0x00041303;
inline constexpr platform::HResult SCHED_S_TASK_NO_MORE_RUNS = 0x00041304;
inline constexpr platform::HResult SCHED_S_TASK_NOT_SCHEDULED = 0x00041305;
inline constexpr platform::HResult SCHED_S_TASK_TERMINATED = 0x00041306;
inline constexpr platform::HResult SCHED_S_TASK_NO_VALID_TRIGGERS = 0x00041307;
// Errors.
inline constexpr platform::HResult SCHED_E_TRIGGER_NOT_FOUND = static_cast<platform::HResult>(0x80041309);
inline constexpr platform::HResult SCHED_E_TASK_NOT_READY = static_cast<platform::HResult>(0x8004130A);
inline constexpr platform::HResult SCHED_E_TASK_NOT_RUNNING = static_cast<platform::HResult>(0x8004130B);
inline constexpr platform::HResult SCHED_E_INVALID_TASK = static_cast<platform::HResult>(0x8004130E);
inline constexpr platform::HResult E_TASK_EXISTS = static_cast<platform::HResult>(0x80070050);
inline constexpr platform::HResult E_TASK_INVALID_NAME = static_cast<platform::HResult>(0x8007007B);
inline constexpr platform::HResult E_TASK_INVALIDARG = static_cast<platform::HResult>(0x80070057);

// Priority classes.
inline constexpr std::uint32_t NORMAL_PRIORITY_CLASS = 0x20;

// Milliseconds: the default run time limit (72 hours) and "no limit".
inline constexpr std::int64_t kDefaultMaxRunTime = 259'200'000;
inline constexpr std::int64_t kNoMaxRunTime = 0xFFFFFFFF;

struct TaskTriggerRecord {
  // The group name's number: stable across saves and deletes.
  int id = 0;
  TaskTriggerFields fields;
};

struct TaskRecord {
  std::string accountName;
  std::string comment;
  std::string creator;
  int idleMinutes = 10;
  int deadlineMinutes = 60;
  int errorRetryCount = 0;
  int errorRetryInterval = 0;
  std::uint32_t flags = 0;
  std::string data;
  std::string applicationName;
  std::string parameters;
  std::string workingDirectory;
  std::uint32_t priority = NORMAL_PRIORITY_CLASS;
  std::uint32_t taskFlags = 0;
  std::int64_t maxRunTime = kDefaultMaxRunTime;
  std::vector<TaskTriggerRecord> triggers;
  int nextTriggerId = 1;

  // The trigger of that id; null when none.
  TaskTriggerRecord* Trigger(int id);
  // A new trigger at the end with the next id.
  TaskTriggerRecord& AddTrigger(const TaskTriggerFields& fields);
  std::vector<TaskTriggerFields> TriggerFields() const;
};

// What the runner records.
struct TaskRunState {
  std::optional<std::int64_t> mostRecentRunTime;  // Unix seconds
  std::uint32_t exitCode = 0;
  platform::HResult status = 0;  // 0: nothing recorded
  std::int64_t pid = 0;
  std::uint64_t pidStart = 0;
  // False where no systemd runs the timers.
  bool scheduled = true;
};

// A task file that does not read: SCHED_E_INVALID_TASK.
class ETaskFileError : public platform::EOleError {
 public:
  explicit ETaskFileError(const std::string& message) : EOleError(SCHED_E_INVALID_TASK, message) {}
  std::string_view ClassName() const noexcept override { return "ETaskFileError"; }
};

class TaskStore {
 public:
  // $XDG_DATA_HOME/Zebrin/HalbrinLite/tasks, the environment read now.
  static std::string DefaultFolder();

  explicit TaskStore(std::string folder) : m_folder(std::move(folder)) {}
  const std::string& Folder() const noexcept { return m_folder; }

  // Raises EOleError 0x8007007B for a name that cannot be a file name: empty,
  // ".", "..", with "/", "\", a NUL, a line break or another control
  // character, or too long for ".job".
  static void CheckName(std::string_view name);

  // <folder>/<name>.job (the name checked).
  std::string PathOf(std::string_view name) const;
  bool Exists(std::string_view name) const;
  // The names of the .job files, sorted.
  std::vector<std::string> Names() const;

  // ETaskFileError when the file is missing or damaged.
  TaskRecord Load(std::string_view name) const;
  // A missing file or group reads as the defaults.
  TaskRunState LoadRun(std::string_view name) const;

  // Under the file's lock: replaces the task's properties and triggers and
  // keeps the [Run] group the file holds now; temporary file + rename.
  void Save(std::string_view name, const TaskRecord& record) const;
  // Under the file's lock: replaces [Run] only (a missing or damaged task
  // file is left alone).
  void SaveRun(std::string_view name, const TaskRunState& run) const;
  // The file and its lock files; false when there was no file.
  bool Remove(std::string_view name) const;

  // Parses a task file's text; ETaskFileError when it does not read.
  static TaskRecord Parse(std::string_view text, const std::string& where);
  static TaskRunState ParseRun(std::string_view text);

 private:
  std::string m_folder;
};

// The start time of a process (field 22 of /proc/<pid>/stat, in clock
// ticks since boot): with the pid it names one process, never a later one
// that reuses the pid. Nothing when no such process exists.
std::optional<std::uint64_t> ProcessStartTime(std::int64_t pid);

// The lock a runner holds for a whole run: "<task file>.lock".
std::string TaskRunLockPath(const std::string& taskFile);
// True when some process holds that lock now (asked without taking it).
bool TaskRunLockHeld(const std::string& taskFile);
// Takes the lock (an open-file-description lock, released when the
// descriptor closes); an invalid descriptor when another holds it.
platform::UniqueFd TryTaskRunLock(const std::string& taskFile);

}  // namespace halbrin
