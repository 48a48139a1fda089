#pragma once

// The launcher: a copy of this program named after a project starts the
// client from the folder beside it that carries the same name.

#include <string>
#include <utility>

namespace halbrin {

// What a successful start answers, like the shell's codes above 32.
inline constexpr int kLauncherStarted = 42;

// The two places the client is looked for, in order: for a launcher
// "<folder>/<name>.<ext>" (or "<folder>/<name>" without an extension),
// "<folder>/<name>.files/halbrinlite" and then "<folder>/<name>/halbrinlite".
// Only the last extension of the file name is cut; dots in folder names count
// for nothing.
std::pair<std::string, std::string> LauncherCandidates(const std::string& launcherPath);

// Starts `program` with no arguments and does not wait for it:
// kLauncherStarted, or a code of 32 or less (2 not found, 3 no such folder,
// 5 not allowed, 8 out of memory, 31 anything else).
int StartDetached(const std::string& program);

// Starts the first candidate and, when that fails, the second; the exit code.
int RunLauncher(const std::string& launcherPath);

}  // namespace halbrin
