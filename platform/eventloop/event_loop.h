#pragma once

#include <cstdint>
#include <functional>

namespace halbrin::platform {

// The loop every timer, idle job and posted job of the process runs on.
// Sources are added and removed on the loop's thread only; Post, NowMs,
// IsLoopThread and ShuttingDown may be called from any thread.
//
// Callbacks should not throw: an exception escaping one is logged and its
// source removed (a posted job is simply dropped).
class IEventLoop {
 public:
  using SourceId = std::uint64_t;
  // Never returned by AddTimer/AddIdle; ids are never reused, so removing a
  // stale id is harmless.
  static constexpr SourceId kNoSource = 0;

  virtual ~IEventLoop() = default;

  // Calls tick every intervalMs (at least 1 ms) until it returns false or the
  // source is removed.
  virtual SourceId AddTimer(std::uint32_t intervalMs, std::function<bool()> tick) = 0;
  // Calls work whenever the loop has nothing more urgent to do, until it
  // returns false or the source is removed.
  virtual SourceId AddIdle(std::function<bool()> work) = 0;
  // Unknown ids are ignored. Safe from inside the source's own callback: the
  // callback finishes, and its return value no longer matters.
  virtual void RemoveSource(SourceId id) = 0;
  // Monotonic milliseconds.
  virtual std::uint64_t NowMs() const = 0;
  // Runs work on the loop's thread soon, after work posted earlier. Once the
  // loop is shutting down, work is destroyed without running.
  virtual void Post(std::function<void()> work) = 0;
  // True on the thread that runs the loop.
  virtual bool IsLoopThread() const = 0;
  // True once Quit() began; posted work no longer runs from then on.
  virtual bool ShuttingDown() const = 0;

 protected:
  IEventLoop() = default;
  IEventLoop(const IEventLoop&) = delete;
  IEventLoop& operator=(const IEventLoop&) = delete;
};

}  // namespace halbrin::platform
