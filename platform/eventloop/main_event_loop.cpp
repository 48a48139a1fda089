#include "platform/eventloop/main_event_loop.h"

#include <atomic>

#include "platform/eventloop/glib_event_loop.h"

namespace halbrin::platform {

namespace {

// The loop a ScopedMainEventLoop installed; null for the process's own loop.
std::atomic<IEventLoop*>& InstalledLoop() {
  static std::atomic<IEventLoop*> installed{nullptr};
  return installed;
}

}  // namespace

IEventLoop& MainEventLoop() {
  if (IEventLoop* installed = InstalledLoop().load(std::memory_order_acquire)) return *installed;
  static GLibEventLoop processLoop{GLibEventLoop::ProcessMainThread{}};
  return processLoop;
}

ScopedMainEventLoop::ScopedMainEventLoop(IEventLoop& loop)
    : m_previous(InstalledLoop().exchange(&loop, std::memory_order_acq_rel)) {}

ScopedMainEventLoop::~ScopedMainEventLoop() { InstalledLoop().store(m_previous, std::memory_order_release); }

}  // namespace halbrin::platform
