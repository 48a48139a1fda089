#pragma once

#include "platform/eventloop/event_loop.h"

namespace halbrin::platform {

// The loop of the process: the one ScopedMainEventLoop installed last, else a
// GLibEventLoop on the default GMainContext, created at first use and bound to
// the process's main thread. Any thread.
IEventLoop& MainEventLoop();

// Makes `loop` the process's loop (tests install a FakeEventLoop) until
// destroyed, then restores the previous one. Scopes nest and must end in
// reverse order; workers must stop using the loop before the scope ends.
class ScopedMainEventLoop {
 public:
  explicit ScopedMainEventLoop(IEventLoop& loop);
  ~ScopedMainEventLoop();
  ScopedMainEventLoop(const ScopedMainEventLoop&) = delete;
  ScopedMainEventLoop& operator=(const ScopedMainEventLoop&) = delete;

 private:
  IEventLoop* m_previous;
};

}  // namespace halbrin::platform
