#include "platform/eventloop/idle_source.h"

#include <utility>

namespace halbrin::platform {

IdleSource::IdleSource(IEventLoop& loop, std::function<void()> work)
    : m_loop(loop), m_state(std::make_shared<State>()) {
  SetWork(std::move(work));
}

IdleSource::~IdleSource() { Cancel(); }

void IdleSource::Schedule() {
  if (Scheduled()) return;
  m_state->id = m_loop.AddIdle([state = m_state]() -> bool {
    state->id = IEventLoop::kNoSource;
    std::shared_ptr<const std::function<void()>> work = state->work;
    if (work && *work) (*work)();
    return false;
  });
}

void IdleSource::Cancel() {
  if (m_state->id == IEventLoop::kNoSource) return;
  m_loop.RemoveSource(std::exchange(m_state->id, IEventLoop::kNoSource));
}

bool IdleSource::Scheduled() const { return m_state->id != IEventLoop::kNoSource; }

void IdleSource::SetWork(std::function<void()> work) {
  m_state->work = std::make_shared<const std::function<void()>>(std::move(work));
}

}  // namespace halbrin::platform
