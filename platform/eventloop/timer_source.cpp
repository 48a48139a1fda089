#include "platform/eventloop/timer_source.h"

#include <utility>

namespace halbrin::platform {

TimerSource::TimerSource(IEventLoop& loop, std::uint32_t intervalMs, std::function<void()> onTick)
    : m_loop(loop), m_intervalMs(intervalMs), m_state(std::make_shared<State>()) {
  SetOnTick(std::move(onTick));
}

TimerSource::~TimerSource() { Stop(); }

void TimerSource::Start() {
  Stop();
  m_state->id = m_loop.AddTimer(m_intervalMs, [state = m_state]() -> bool {
    const IEventLoop::SourceId id = state->id;
    const bool oneShot = state->oneShot;
    if (oneShot) state->id = IEventLoop::kNoSource;
    std::shared_ptr<const std::function<void()>> onTick = state->onTick;
    try {
      if (onTick && *onTick) (*onTick)();
    } catch (...) {
      // The loop drops a source whose callback throws.
      if (state->id == id) state->id = IEventLoop::kNoSource;
      throw;
    }
    // A Stop(), restart or destruction inside the tick removed this source
    // already; the loop ignores what we return then.
    return !oneShot;
  });
}

void TimerSource::Stop() {
  if (m_state->id == IEventLoop::kNoSource) return;
  m_loop.RemoveSource(std::exchange(m_state->id, IEventLoop::kNoSource));
}

bool TimerSource::Active() const { return m_state->id != IEventLoop::kNoSource; }

void TimerSource::SetInterval(std::uint32_t intervalMs) {
  m_intervalMs = intervalMs;
  if (Active()) Start();
}

void TimerSource::SetOnTick(std::function<void()> onTick) {
  m_state->onTick = std::make_shared<const std::function<void()>>(std::move(onTick));
}

void TimerSource::SetOneShot(bool oneShot) { m_state->oneShot = oneShot; }

bool TimerSource::OneShot() const { return m_state->oneShot; }

}  // namespace halbrin::platform
