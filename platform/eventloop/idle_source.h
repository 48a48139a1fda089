#pragma once

#include <functional>
#include <memory>

#include "platform/eventloop/event_loop.h"

namespace halbrin::platform {

// A job run once at the loop's next idle moment, owned by the object that
// schedules it: destroying the IdleSource cancels it. The loop must outlive
// it. Loop thread only. The job may reschedule, cancel or destroy its owner.
class IdleSource {
 public:
  IdleSource(IEventLoop& loop, std::function<void()> work);
  ~IdleSource();
  IdleSource(const IdleSource&) = delete;
  IdleSource& operator=(const IdleSource&) = delete;

  // Scheduling again before the job ran changes nothing: it runs once. The
  // job is no longer scheduled while it runs, so it may schedule itself again.
  void Schedule();
  void Cancel();
  bool Scheduled() const;
  void SetWork(std::function<void()> work);

 private:
  struct State {
    IEventLoop::SourceId id = IEventLoop::kNoSource;
    std::shared_ptr<const std::function<void()>> work;
  };

  IEventLoop& m_loop;
  std::shared_ptr<State> m_state;
};

}  // namespace halbrin::platform
