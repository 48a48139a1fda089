#pragma once

namespace halbrin {

// Exit code of a later start of a project that already runs.
inline constexpr int kExitAlreadyRunning = 183;

// The program's entry: resolves the project, keeps one instance per project
// (a later start hands its command line over and returns 183), and runs. A
// start that failed (no start script, or "main" missing or raising) and left
// no main form returns 1; SIGTERM or SIGINT while a script keeps the loop
// from answering returns 128 + the signal's number.
int ProgramMain(int argc, char** argv);

// True when the command line asked for the automation server start.
bool StartedAsAutomationServer();

}  // namespace halbrin
