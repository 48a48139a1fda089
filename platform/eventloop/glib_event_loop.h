#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/base/glib_ptr.h"
#include "platform/eventloop/event_loop.h"

namespace halbrin::platform {

// IEventLoop on a GMainContext. Each timer and idle job is a GSource owned by
// the loop's id table; posted jobs go through one GSource that other threads
// wake. The loop's thread is the one that created it, and becomes the one
// that last called Run, RunPending or RunUntil.
class GLibEventLoop final : public IEventLoop {
 public:
  // context: the default GMainContext when null; otherwise a new reference is taken.
  explicit GLibEventLoop(GMainContext* context = nullptr);
  // Begins shutting down (posted jobs are dropped) and removes every source.
  ~GLibEventLoop() override;

  SourceId AddTimer(std::uint32_t intervalMs, std::function<bool()> tick) override;
  SourceId AddIdle(std::function<bool()> work) override;
  void RemoveSource(SourceId id) override;
  std::uint64_t NowMs() const override;
  void Post(std::function<void()> work) override;
  bool IsLoopThread() const override;
  bool ShuttingDown() const override;

  // Runs until Quit(); returns at once when the loop is already shutting down.
  // (Not g_main_loop_run: a Quit() from another thread just before it would be lost.)
  void Run();
  // Any thread: begins shutting down, drops the posted jobs not run yet (their
  // waiters are released) and makes Run() and RunUntil() return. Timers and idle jobs stay
  // until removed or the loop is destroyed.
  void Quit();
  bool IsRunning() const;
  // Dispatches what is ready now without blocking, round after round until
  // nothing is ready (at most a bounded number of rounds, so a job that
  // reschedules itself cannot hang the caller). Returns whether anything ran.
  bool RunPending();
  // Runs (blocking) until done() holds, timeoutMs elapse or Quit() is called;
  // returns done(). done() is checked after each dispatch, so a flag another
  // thread sets should be accompanied by a Post.
  bool RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);

  GMainContext* Context() const noexcept { return m_context.get(); }

 private:
  struct Source;
  struct PostSource;
  friend IEventLoop& MainEventLoop();
  // The process's loop belongs to the process's main thread whichever thread
  // first asked for it.
  struct ProcessMainThread {};
  explicit GLibEventLoop(ProcessMainThread);

  SourceId Attach(GSource* source, std::function<bool()> callback);
  void BindToCurrentThread() noexcept;
  void DispatchPosts();
  void DropPosts();
  static gboolean DispatchSource(gpointer data);
  static gboolean DispatchPostSource(GSource* source, GSourceFunc, gpointer);

  GMainContextPtr m_context;
  std::atomic<int> m_runDepth{0};
  std::atomic<pid_t> m_thread;
  SourceId m_nextId = 1;
  std::unordered_map<SourceId, std::shared_ptr<Source>> m_sources;

  mutable std::mutex m_postMutex;
  std::deque<std::function<void()>> m_posts;
  bool m_wakePending = false;
  std::atomic<bool> m_shuttingDown{false};
  GSourcePtr m_postSource;
};

}  // namespace halbrin::platform
