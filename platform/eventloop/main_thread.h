#pragma once

#include <functional>
#include <stop_token>

#include "platform/eventloop/owned_thread.h"

namespace halbrin::platform {

// Runs work on MainEventLoop()'s thread soon, in posting order. Any thread.
void PostToMain(std::function<void()> work);

// Runs work on the main thread and waits for it. On the main thread it runs
// at once. From another thread it is posted, and the call returns
//   true  once it ran (an exception it threw is rethrown here),
//   false when it will never run: the loop began shutting down (Quit() or its
//         destruction) first, or `stop` was requested first (the job is then
//         withdrawn; if it already started, the call waits for it to finish).
// The first form uses CurrentStopToken(), so a worker of an OwnedThread can
// always be joined.
bool InvokeOnMainAndWait(std::function<void()> work);
bool InvokeOnMainAndWait(std::function<void()> work, std::stop_token stop);

// True on MainEventLoop()'s thread.
bool IsMainThread();

}  // namespace halbrin::platform
