#pragma once

// Helpers for tests and benchmarks of the call channel: an automation object
// whose members are lambdas, and a thread with a GMainContext of its own that
// plays the other process.

#include <glib.h>
#include <sys/socket.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"
#include "platform/eventloop/glib_event_loop.h"

namespace halbrin::platform::channel_testing {

// An automation object built member by member. Ids are given from 1 in the
// order members are added; GetIDsOfNames also resolves parameter names to
// their position. Exceptions of handlers become error information.
class TScriptObject : public IDispatchObject {
 public:
  using Handler = std::function<Variant(std::uint16_t kind, DispParams& params)>;

  explicit TScriptObject(std::string source = "TScriptObject", std::shared_ptr<std::atomic<bool>> destroyed = {})
      : m_source(std::move(source)), m_destroyed(std::move(destroyed)) {}
  ~TScriptObject() override {
    if (m_destroyed) *m_destroyed = true;
  }

  DispId Add(std::string name, Handler handler, std::vector<std::string> params = {}) {
    m_members.push_back({std::move(name), std::move(params), std::move(handler)});
    return static_cast<DispId>(m_members.size());
  }
  // A method that only looks at its arguments.
  DispId AddMethod(std::string name, std::function<Variant(std::vector<Variant>&)> body) {
    return Add(std::move(name), [body = std::move(body)](std::uint16_t, DispParams& params) { return body(params.args); });
  }

  HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override {
    ++m_lookups;
    for (DispId& id : ids) id = DISPID_UNKNOWN;
    if (names.empty()) return DISP_E_UNKNOWNNAME;
    HResult hr = DISP_E_UNKNOWNNAME;
    for (std::size_t m = 0; m < m_members.size(); ++m) {
      if (!SameText(m_members[m].name, names[0])) continue;
      ids[0] = static_cast<DispId>(m + 1);
      hr = S_OK;
      for (std::size_t n = 1; n < names.size() && n < ids.size(); ++n) {
        for (std::size_t p = 0; p < m_members[m].params.size(); ++p)
          if (SameText(m_members[m].params[p], names[n])) ids[n] = static_cast<DispId>(p);
        if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
      }
    }
    return hr;
  }

  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) override {
    if (result) *result = Variant();
    if (id < 1 || static_cast<std::size_t>(id) > m_members.size()) return DISP_E_MEMBERNOTFOUND;
    try {
      Variant value = m_members[static_cast<std::size_t>(id) - 1].handler(kind, params);
      if (result) *result = std::move(value);
      return S_OK;
    } catch (...) {
      return ExceptionToHResult(excep, m_source);
    }
  }

  int Lookups() const noexcept { return m_lookups; }

 private:
  struct Member {
    std::string name;
    std::vector<std::string> params;
    Handler handler;
  };
  std::string m_source;
  std::shared_ptr<std::atomic<bool>> m_destroyed;
  std::vector<Member> m_members;
  int m_lookups = 0;
};

// A connected pair of Unix stream sockets.
inline std::pair<int, int> MakeSocketPair() {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) throw std::runtime_error("socketpair failed");
  return {fds[0], fds[1]};
}

// A thread whose default GMainContext is its own, running until destroyed.
// Run executes a job there and waits for it; meanwhile the caller's own
// context keeps being iterated (when given), so the job may call back into
// a channel the caller serves.
class PeerThread {
 public:
  PeerThread() : m_context(g_main_context_new()), m_loop(std::make_unique<GLibEventLoop>(m_context.get())) {
    m_thread = std::thread([this] {
      g_main_context_push_thread_default(m_context.get());
      m_loop->Run();
      g_main_context_pop_thread_default(m_context.get());
    });
  }
  ~PeerThread() {
    m_loop->Quit();
    m_thread.join();
  }
  PeerThread(const PeerThread&) = delete;
  PeerThread& operator=(const PeerThread&) = delete;

  GMainContext* Context() const noexcept { return m_context.get(); }

  template <class F>
  auto Run(F job, GMainContext* callerContext = nullptr) -> decltype(job()) {
    using Result = decltype(job());
    // Shared with the posted job: the caller's frame may be gone before the job has returned.
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(job));
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::future<Result> future = task->get_future();
    m_loop->Post([task, done, context = callerContext] {
      (*task)();
      *done = true;
      if (context) g_main_context_wakeup(context);
    });
    if (callerContext) {
      // A wake-up that comes before the iteration blocks is kept, so none is lost.
      while (!*done) g_main_context_iteration(callerContext, TRUE);
    }
    return future.get();
  }

 private:
  GMainContextPtr m_context;
  std::unique_ptr<GLibEventLoop> m_loop;
  std::thread m_thread;
};

}  // namespace halbrin::platform::channel_testing
