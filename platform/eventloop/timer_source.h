#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/eventloop/event_loop.h"

namespace halbrin::platform {

// A timer owned by the object that arms it: destroying the TimerSource
// removes the timer. The loop must outlive it. Loop thread only.
//
// The tick may do anything to the TimerSource, destroy it included: what the
// loop's callback still needs lives in a state block it shares.
class TimerSource {
 public:
  // Created stopped.
  TimerSource(IEventLoop& loop, std::uint32_t intervalMs, std::function<void()> onTick);
  ~TimerSource();
  TimerSource(const TimerSource&) = delete;
  TimerSource& operator=(const TimerSource&) = delete;

  // Arms the timer; when already active the period starts again from now.
  void Start();
  void Stop();
  bool Active() const;

  // Restarts the timer when active.
  void SetInterval(std::uint32_t intervalMs);
  std::uint32_t Interval() const { return m_intervalMs; }
  // Takes effect from the next tick.
  void SetOnTick(std::function<void()> onTick);
  // A one-shot timer stops itself before its tick, so the tick sees
  // Active() == false and may Start() it again. Takes effect from the next tick.
  void SetOneShot(bool oneShot);
  bool OneShot() const;

 private:
  struct State {
    IEventLoop::SourceId id = IEventLoop::kNoSource;
    bool oneShot = false;
    // Shared so a tick that replaces or destroys it keeps running safely.
    std::shared_ptr<const std::function<void()>> onTick;
  };

  IEventLoop& m_loop;
  std::uint32_t m_intervalMs;
  std::shared_ptr<State> m_state;
};

}  // namespace halbrin::platform
