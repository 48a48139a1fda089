#include "platform/eventloop/main_thread.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/eventloop/main_event_loop.h"

namespace halbrin::platform {

namespace {

// Shared by a waiting worker and the job it posted.
struct InvokeState {
  enum class Phase { Pending, Running, Ran, Dropped, Cancelled };

  std::mutex mutex;
  std::condition_variable_any changed;
  Phase phase = Phase::Pending;
  std::function<void()> work;
  std::exception_ptr error;
};

// Rides inside the posted job: a loop that destroys the job unrun (shutting
// down) releases the waiter through this destructor.
struct DropNotifier {
  explicit DropNotifier(std::shared_ptr<InvokeState> invokeState) : state(std::move(invokeState)) {}
  DropNotifier(const DropNotifier&) = delete;
  DropNotifier& operator=(const DropNotifier&) = delete;

  std::shared_ptr<InvokeState> state;

  ~DropNotifier() {
    {
      std::lock_guard lock(state->mutex);
      if (state->phase != InvokeState::Phase::Pending) return;
      state->phase = InvokeState::Phase::Dropped;
    }
    state->changed.notify_all();
  }
};

void RunPosted(InvokeState& state) {
  std::function<void()> work;
  {
    std::lock_guard lock(state.mutex);
    if (state.phase != InvokeState::Phase::Pending) return;  // withdrawn by a stopping worker
    state.phase = InvokeState::Phase::Running;
    work = std::move(state.work);
  }
  std::exception_ptr error;
  try {
    work();
  } catch (...) {
    error = std::current_exception();
  }
  // Its captures die before the worker resumes.
  work = nullptr;
  {
    std::lock_guard lock(state.mutex);
    state.error = error;
    state.phase = InvokeState::Phase::Ran;
  }
  state.changed.notify_all();
}

}  // namespace

void PostToMain(std::function<void()> work) { MainEventLoop().Post(std::move(work)); }

bool InvokeOnMainAndWait(std::function<void()> work) { return InvokeOnMainAndWait(std::move(work), CurrentStopToken()); }

bool InvokeOnMainAndWait(std::function<void()> work, std::stop_token stop) {
  if (!work) return true;
  IEventLoop& loop = MainEventLoop();
  if (loop.IsLoopThread()) {
    work();
    return true;
  }
  if (stop.stop_requested()) return false;

  auto state = std::make_shared<InvokeState>();
  state->work = std::move(work);
  auto notifier = std::make_shared<DropNotifier>(state);
  loop.Post([notifier] { RunPosted(*notifier->state); });
  notifier.reset();

  using Phase = InvokeState::Phase;
  std::unique_lock lock(state->mutex);
  state->changed.wait(lock, stop, [&] { return state->phase == Phase::Ran || state->phase == Phase::Dropped; });
  if (state->phase == Phase::Pending) state->phase = Phase::Cancelled;
  if (state->phase == Phase::Running) {
    state->changed.wait(lock, [&] { return state->phase == Phase::Ran; });
  }
  if (state->phase != Phase::Ran) {
    // Never ran: its captures die here, on the worker that owns them.
    std::function<void()> unrun = std::move(state->work);
    lock.unlock();
    return false;
  }
  if (state->error) std::rethrow_exception(state->error);
  return true;
}

bool IsMainThread() { return MainEventLoop().IsLoopThread(); }

}  // namespace halbrin::platform
