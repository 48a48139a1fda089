#pragma once

// The runner: `halbrinlite /runtask <task file> [now|logon]`, a mode of the
// program without project, GTK or single-instance lock.
//   - from the timer (no word): runs the task only when a time of its
//     triggers t lies after MostRecentRunTime, t <= now + 1 s and
//     now - t <= 10 min; then always writes the next timer;
//   - "now" (the task's "run"): runs at once, writes no timer;
//   - "logon" (the logon service): runs when the task has an enabled logon
//     or system-start trigger.
// A runner holds the task's run lock for the whole run: a second runner of
// the same task does nothing.

#include <cstdint>
#include <span>
#include <string>

namespace halbrin {

// The runner may be 10 minutes late for a time.
inline constexpr std::int64_t kTaskLateLimit = 600;
// SIGKILL follows SIGTERM after this many seconds.
inline constexpr int kTaskKillGrace = 5;

// True when argv[1] is "/runtask".
bool IsRunTaskCommand(int argc, char** argv);
// The words after "/runtask"; the process's exit code (0 also when nothing was due).
int RunTaskMain(std::span<const std::string> args);

}  // namespace halbrin
