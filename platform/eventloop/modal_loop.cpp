#include "platform/eventloop/modal_loop.h"

#include <glib.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin::platform {

struct TModalLoop::Nested {
  GMainLoop* loop;
};

namespace {

// The running loops, the innermost last.
std::vector<TModalLoop*>& RunningLoops() {
  static std::vector<TModalLoop*> loops;
  return loops;
}

ModalLoopRunner& InstalledRunner() {
  static ModalLoopRunner runner;
  return runner;
}

GMainContext* MainContext() {
  if (auto* glib = dynamic_cast<GLibEventLoop*>(&MainEventLoop())) return glib->Context();
  return g_main_context_default();
}

}  // namespace

TModalLoop::~TModalLoop() { std::erase(RunningLoops(), this); }

int TModalLoop::Run() {
  if (m_ended || m_running) return m_result;
  m_running = true;
  RunningLoops().push_back(this);
  struct Done {
    TModalLoop& self;
    ~Done() {
      std::erase(RunningLoops(), &self);
      self.m_running = false;
      self.m_ended = true;
    }
  } done{*this};
  if (const ModalLoopRunner& runner = InstalledRunner()) {
    // Copied: the runner may install another one.
    const ModalLoopRunner run = runner;
    run(*this);
  } else {
    GMainLoop* loop = g_main_loop_new(MainContext(), FALSE);
    Nested nested{loop};
    m_nested = &nested;
    if (!m_ended) g_main_loop_run(loop);
    m_nested = nullptr;
    g_main_loop_unref(loop);
  }
  return m_result;
}

void TModalLoop::End(int result) {
  if (m_ended) return;
  m_ended = true;
  m_result = result;
  if (m_nested) g_main_loop_quit(m_nested->loop);
}

void EndModalLoops(int result) {
  // Copied: ending a loop may start or end others.
  const std::vector<TModalLoop*> loops = RunningLoops();
  for (auto it = loops.rbegin(); it != loops.rend(); ++it)
    if (std::find(RunningLoops().begin(), RunningLoops().end(), *it) != RunningLoops().end()) (*it)->End(result);
}

bool EndInnermostModalLoop(int result) {
  for (auto it = RunningLoops().rbegin(); it != RunningLoops().rend(); ++it) {
    if ((*it)->Ended()) continue;
    (*it)->End(result);
    return true;
  }
  return false;
}

int ModalLoopDepth() noexcept { return static_cast<int>(RunningLoops().size()); }

ScopedModalLoopRunner::ScopedModalLoopRunner(ModalLoopRunner runner)
    : m_previous(std::exchange(InstalledRunner(), std::move(runner))) {}

ScopedModalLoopRunner::~ScopedModalLoopRunner() { InstalledRunner() = std::move(m_previous); }

}  // namespace halbrin::platform
