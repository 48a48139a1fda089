#include "components/tasks/task_runner.h"

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <thread>

#include "components/tasks/scheduled_task.h"
#include "components/tasks/task_store.h"
#include "components/tasks/task_timer_service.h"
#include "core/framework/application_hooks.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// Log lines go to standard error: the user's journal keeps them.
class RunnerHooks final : public IApplicationHooks {
 public:
  void Log(std::string_view className, std::string_view message) noexcept override {
    std::cerr << "halbrinlite /runtask [" << className << "]: " << message << '\n';
  }
};

std::string SlashPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool HasLogonTrigger(const TaskRecord& record) {
  return std::any_of(record.triggers.begin(), record.triggers.end(), [](const TaskTriggerRecord& t) {
    return (t.fields.type == TASK_EVENT_TRIGGER_AT_LOGON || t.fields.type == TASK_EVENT_TRIGGER_AT_SYSTEMSTART) &&
           !(t.fields.flags & TASK_TRIGGER_FLAG_DISABLED);
  });
}

// The due time under the timer's rule; nothing when none is due.
std::optional<std::int64_t> DueTime(const TaskRecord& record, const TaskRunState& run, std::int64_t now) {
  const std::vector<TaskTriggerFields> fields = record.TriggerFields();
  const std::vector<std::int64_t> times =
      TaskRunTimes(record.flags, fields, now - kTaskLateLimit, now + 1, TaskTimeZone::Local());
  for (auto t = times.rbegin(); t != times.rend(); ++t)
    if (!run.mostRecentRunTime || *t > *run.mostRecentRunTime) return *t;
  return std::nullopt;
}

// The end of the repetition a due time belongs to, for triggers that end
// the program there (TASK_TRIGGER_FLAG_KILL_AT_DURATION_END); the earliest
// when several triggers give that time. Nothing when none asks for it.
std::optional<std::int64_t> RepetitionEnd(const TaskRecord& record, std::int64_t due) {
  std::optional<std::int64_t> end;
  const TaskTimeZone zone = TaskTimeZone::Local();
  for (const TaskTriggerRecord& trigger : record.triggers) {
    const TaskTriggerFields& t = trigger.fields;
    if (!(t.flags & TASK_TRIGGER_FLAG_KILL_AT_DURATION_END) || t.minutesDuration == 0) continue;
    const std::int64_t span = std::int64_t{t.minutesDuration} * 60;
    const std::vector<std::int64_t> own = TriggerRunTimes(t, due, due, zone);
    if (own.empty()) continue;
    // The start of that repetition: the trigger's last start time at or before `due`.
    TaskTriggerFields starts = t;
    starts.minutesInterval = 0;
    starts.minutesDuration = 0;
    const std::vector<std::int64_t> begun = TriggerRunTimes(starts, due - span, due, zone, kMaxTaskRunTimes);
    if (begun.empty()) continue;
    const std::int64_t stop = begun.back() + span;
    if (!end || stop < *end) end = stop;
  }
  return end;
}

struct Outcome {
  std::uint32_t exitCode = 0;
  HResult status = SCHED_S_TASK_READY;
};

// Waits for the child, ending it once `limitMs` has passed or at `stopAt`
// (Unix seconds) (SIGTERM, then SIGKILL after the grace time).
Outcome Wait(pid_t pid, std::int64_t limitMs, std::optional<std::int64_t> stopAt) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  if (stopAt) {
    const std::int64_t left = std::max<std::int64_t>(0, (*stopAt - Now()) * 1000);
    if (limitMs == kNoMaxRunTime || left < limitMs) limitMs = left;
  }
  bool terminated = false;
  std::optional<Clock::time_point> killAt;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      Outcome outcome;
      if (WIFEXITED(status)) {
        outcome.exitCode = static_cast<std::uint32_t>(WEXITSTATUS(status));
      } else if (WIFSIGNALED(status)) {
        outcome.exitCode = static_cast<std::uint32_t>(128 + WTERMSIG(status));
        outcome.status = SCHED_S_TASK_TERMINATED;
      }
      if (terminated) outcome.status = SCHED_S_TASK_TERMINATED;
      return outcome;
    }
    if (done < 0 && errno != EINTR) return {};
    const auto now = Clock::now();
    if (!terminated && limitMs != kNoMaxRunTime && now - start >= std::chrono::milliseconds(limitMs)) {
      kill(pid, SIGTERM);
      terminated = true;
      killAt = now + std::chrono::seconds(kTaskKillGrace);
    }
    if (killAt && now >= *killAt) {
      kill(pid, SIGKILL);
      killAt.reset();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Starts the program and waits for it; records [Run] before and after.
void RunTask(const TaskStore& store, const std::string& name, const TaskRecord& record, std::int64_t runTime,
             std::optional<std::int64_t> stopAt = std::nullopt) {
  TaskRunState run = store.LoadRun(name);
  const std::string program = SlashPath(record.applicationName);
  gchar** words = nullptr;
  GError* error = nullptr;
  int wordCount = 0;
  if (!record.parameters.empty() && !g_shell_parse_argv(record.parameters.c_str(), &wordCount, &words, &error)) {
    TaskLog(Format("Task %s: its parameters cannot be read: %s", {name, error->message}));
    g_error_free(error);
    run.mostRecentRunTime = runTime;
    run.exitCode = static_cast<std::uint32_t>(E_TASK_INVALIDARG);
    run.status = SCHED_S_TASK_READY;
    store.SaveRun(name, run);
    return;
  }
  std::unique_ptr<gchar*, void (*)(gchar**)> holdWords(words, g_strfreev);
  std::vector<std::string> argv{program};
  for (int i = 0; i < wordCount; ++i) argv.emplace_back(words[i]);
  std::vector<char*> argvPtrs;
  for (std::string& word : argv) argvPtrs.push_back(word.data());
  argvPtrs.push_back(nullptr);
  std::string folder = SlashPath(record.workingDirectory);
  if (folder.empty()) {
    GCharPtr programFolder(g_path_get_dirname(program.c_str()));
    folder = g_path_is_absolute(program.c_str()) ? programFolder.get() : g_get_home_dir();
  }
  GPid pid = 0;
  if (!g_spawn_async(folder.c_str(), argvPtrs.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH), nullptr, nullptr,
                     &pid, &error)) {
    TaskLog(Format("Task %s cannot start %s: %s", {name, program, error->message}));
    g_error_free(error);
    run.mostRecentRunTime = runTime;
    run.exitCode = static_cast<std::uint32_t>(E_FAIL);
    run.status = SCHED_S_TASK_READY;
    store.SaveRun(name, run);
    return;
  }
  run.mostRecentRunTime = runTime;
  run.status = SCHED_S_TASK_RUNNING;
  run.pid = pid;
  run.pidStart = ProcessStartTime(pid).value_or(0);
  store.SaveRun(name, run);
  const Outcome outcome = Wait(pid, record.maxRunTime, stopAt);
  run.exitCode = outcome.exitCode;
  run.status = outcome.status;
  run.pid = 0;
  run.pidStart = 0;
  store.SaveRun(name, run);
}

}  // namespace

bool IsRunTaskCommand(int argc, char** argv) { return argc >= 2 && SameText(argv[1], "/runtask"); }

int RunTaskMain(std::span<const std::string> args) {
  RunnerHooks hooks;
  const ScopedApplicationHooks scope(hooks);
  if (args.empty()) {
    TaskLog("No task file given");
    return 2;
  }
  const std::string file = args[0];
  const std::string mode = args.size() > 1 ? args[1] : "";
  GCharPtr folder(g_path_get_dirname(file.c_str()));
  GCharPtr base(g_path_get_basename(file.c_str()));
  std::string name = base.get();
  if (!name.ends_with(".job")) {
    TaskLog(Format("%s is not a task file", {file}));
    return 2;
  }
  name.resize(name.size() - 4);
  const TaskStore store(folder.get());
  platform::UniqueFd lock;
  try {
    TaskStore::CheckName(name);
    // Another runner has the task: it is not run twice.
    lock = TryTaskRunLock(store.PathOf(name));
    if (!lock.Valid()) return 0;
    const TaskRecord record = store.Load(name);
    const std::int64_t now = Now();
    if (SameText(mode, "now")) {
      if (record.applicationName.empty()) {
        TaskLog(Format("Task %s names no program", {name}));
        return 1;
      }
      RunTask(store, name, record, now);
      return 0;
    }
    const bool enabled = !(record.flags & TASK_FLAG_DISABLED);
    std::optional<std::int64_t> due;
    if (SameText(mode, "logon")) {
      if (enabled && HasLogonTrigger(record)) due = now;
    } else {
      due = DueTime(record, store.LoadRun(name), now);
    }
    if (due && !record.applicationName.empty())
      RunTask(store, name, record, std::max(*due, now), SameText(mode, "logon") ? std::nullopt : RepetitionEnd(record, *due));
    const std::int64_t after = std::max(Now(), due.value_or(now));
    const std::vector<TaskTriggerFields> fields = record.TriggerFields();
    if (due && (record.flags & TASK_FLAG_DELETE_WHEN_DONE) &&
        !NextTaskRunTime(record.flags, fields, after + 1, TaskTimeZone::Local()) && !HasLogonTrigger(record)) {
      TaskTimerService().Remove(store.PathOf(name));
      store.Remove(name);
      return 0;
    }
    ScheduleTask(store, name, record, after);
    return 0;
  } catch (const std::exception& e) {
    TaskLog(Format("Task file %s: %s", {file, e.what()}));
    return 1;
  }
}

}  // namespace halbrin
