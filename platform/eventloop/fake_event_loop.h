#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "platform/eventloop/event_loop.h"

namespace halbrin::platform {

// A loop whose clock only moves when a test says so, for deterministic tests
// of code that uses timers, idle jobs and posted work. The clock starts at 0.
// Its thread is the one that created it; Post may be called from any thread.
//
// One "turn" (RunIdle) runs the posted jobs queued when it starts, then each
// idle job present at that point once. Anything scheduled during the turn
// waits for the next one, so a job that reschedules itself never hangs a test.
class FakeEventLoop final : public IEventLoop {
 public:
  FakeEventLoop();
  // Drops the posted jobs (their waiters are released) and every source.
  ~FakeEventLoop() override;

  SourceId AddTimer(std::uint32_t intervalMs, std::function<bool()> tick) override;
  SourceId AddIdle(std::function<bool()> work) override;
  void RemoveSource(SourceId id) override;
  std::uint64_t NowMs() const override;
  void Post(std::function<void()> work) override;
  bool IsLoopThread() const override;
  bool ShuttingDown() const override;

  // Moves the clock forward by ms. A turn runs first (work already pending
  // runs at the current time); then the timers fall due in time order (a
  // timer of period p added at t ticks at t+p, t+2p, ...; timers due at the
  // same instant tick in creation order) with the clock set to each due time,
  // and a turn follows each instant, as a real loop would run idle work
  // between ticks. The clock ends at exactly now + ms.
  // Not to be called from inside one of the loop's own callbacks.
  void Advance(std::uint64_t ms);
  // One turn without moving the clock.
  void RunIdle();
  // Timers and idle jobs not yet removed.
  std::size_t PendingSources() const;
  // Posted jobs not yet run; any thread.
  std::size_t PendingPosts() const;
  std::optional<std::uint64_t> NextTimerDueMs() const;
  // Begins shutting down like GLibEventLoop::Quit: posted jobs are dropped
  // from now on; timers and idle jobs still run.
  void Quit();

 private:
  struct Source {
    SourceId id = kNoSource;
    bool timer = false;
    std::uint64_t periodMs = 0;
    std::uint64_t dueMs = 0;
    std::function<bool()> callback;
  };

  SourceId Add(bool timer, std::uint32_t periodMs, std::function<bool()> callback);
  // Runs the callback; false when the source is gone afterwards.
  bool RunSource(const std::shared_ptr<Source>& source);
  void DropPosts();

  std::map<SourceId, std::shared_ptr<Source>> m_sources;  // in creation order
  std::set<std::pair<std::uint64_t, SourceId>> m_dueTimers;
  std::atomic<std::uint64_t> m_nowMs{0};
  SourceId m_nextId = 1;
  std::thread::id m_thread;
  bool m_advancing = false;

  mutable std::mutex m_postMutex;
  std::deque<std::function<void()>> m_posts;
  std::atomic<bool> m_shuttingDown{false};
};

}  // namespace halbrin::platform
