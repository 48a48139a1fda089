#include "core/app/stop_signals.h"

#include <glib-unix.h>
#include <unistd.h>

#include <csignal>
#include <utility>

namespace halbrin {

StopSignalWatch::StopSignalWatch(TerminateHandler onTerminate, HardStopHandler onHardStop,
                                 std::chrono::milliseconds grace)
    : m_onTerminate(std::move(onTerminate)),
      m_onHardStop(std::move(onHardStop)),
      m_grace(grace),
      m_context(g_main_context_new()),
      m_heard{{{this, SIGTERM}, {this, SIGINT}}} {
  for (std::size_t i = 0; i < m_heard.size(); ++i) {
    m_signalSources[i].reset(g_unix_signal_source_new(m_heard[i].signal));
    g_source_set_callback(m_signalSources[i].get(), &StopSignalWatch::OnSignal, &m_heard[i], nullptr);
    g_source_attach(m_signalSources[i].get(), m_context.get());
  }
  // A flag rather than g_main_loop_quit: a quit before the thread runs would be lost.
  m_thread = std::thread([this] {
    g_main_context_push_thread_default(m_context.get());
    while (!m_quit.load()) g_main_context_iteration(m_context.get(), TRUE);
    g_main_context_pop_thread_default(m_context.get());
  });
}

StopSignalWatch::~StopSignalWatch() {
  BeginShutdown();
  m_quit.store(true);
  g_main_context_wakeup(m_context.get());
  m_thread.join();
  for (GSource* source : {m_signalSources[0].get(), m_signalSources[1].get(), m_graceSource.get(), m_terminateSource.get()})
    if (source && !g_source_is_destroyed(source)) g_source_destroy(source);
}

void StopSignalWatch::BeginShutdown() {
  std::lock_guard lock(m_lock);
  m_shuttingDown = true;
}

int StopSignalWatch::OnSignal(void* data) {
  const Heard& heard = *static_cast<Heard*>(data);
  StopSignalWatch& watch = *heard.watch;
  std::lock_guard lock(watch.m_lock);
  if (watch.m_shuttingDown) return G_SOURCE_CONTINUE;
  if (watch.m_firstSignal) watch.HardStop(heard.signal);  // asked twice: at once
  watch.m_firstSignal = heard.signal;
  watch.m_terminateSource.reset(g_idle_source_new());
  // Ahead of the loop's other work: a loop kept busy by redraws, timers or a
  // script's calls into a page would not reach an idle source in the grace.
  g_source_set_priority(watch.m_terminateSource.get(), G_PRIORITY_HIGH);
  g_source_set_callback(watch.m_terminateSource.get(), &StopSignalWatch::OnMainThread, &watch, nullptr);
  g_source_attach(watch.m_terminateSource.get(), nullptr);
  watch.m_graceSource.reset(g_timeout_source_new(static_cast<guint>(watch.m_grace.count())));
  g_source_set_callback(watch.m_graceSource.get(), &StopSignalWatch::OnGraceOver, &watch, nullptr);
  g_source_attach(watch.m_graceSource.get(), watch.m_context.get());
  return G_SOURCE_CONTINUE;
}

int StopSignalWatch::OnGraceOver(void* self) {
  StopSignalWatch& watch = *static_cast<StopSignalWatch*>(self);
  std::lock_guard lock(watch.m_lock);
  if (!watch.m_shuttingDown) watch.HardStop(watch.m_firstSignal);
  return G_SOURCE_REMOVE;
}

int StopSignalWatch::OnMainThread(void* self) {
  StopSignalWatch& watch = *static_cast<StopSignalWatch*>(self);
  {
    std::lock_guard lock(watch.m_lock);
    if (watch.m_shuttingDown) return G_SOURCE_REMOVE;  // what it would end may be gone
  }
  watch.m_onTerminate();
  return G_SOURCE_REMOVE;
}

void StopSignalWatch::HardStop(int signal) {
  const int code = 128 + signal;
  if (m_onHardStop) m_onHardStop(signal, code);
  // No destructors and no exit handlers: the main thread is still running.
  ::_exit(code);
}

}  // namespace halbrin
