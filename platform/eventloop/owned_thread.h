#pragma once

#include <concepts>
#include <stop_token>
#include <thread>
#include <utility>

namespace halbrin::platform {

// The stop token of the OwnedThread running the caller; an empty token (stop
// never possible) on any other thread.
std::stop_token CurrentStopToken() noexcept;

namespace owned_thread_detail {
// Publishes the thread's stop token to CurrentStopToken() while the body runs.
class CurrentStopScope {
 public:
  explicit CurrentStopScope(std::stop_token stop) noexcept;
  ~CurrentStopScope();
  CurrentStopScope(const CurrentStopScope&) = delete;
  CurrentStopScope& operator=(const CurrentStopScope&) = delete;
};
}  // namespace owned_thread_detail

// A worker thread owned by an object: destroying it (or move-assigning over
// it) requests stop and joins, like std::jthread, which it wraps. What it adds:
// InvokeOnMainAndWait called from the body gives up once stop is requested,
// so an owner on the main thread can always join a worker that waits for the
// main thread. The body takes a std::stop_token or nothing; an exception
// escaping it ends the process, as with std::thread.
class OwnedThread {
 public:
  OwnedThread() noexcept = default;

  template <class Body>
    requires(std::invocable<Body&, std::stop_token> || std::invocable<Body&>)
  explicit OwnedThread(Body body)
      : m_thread([body = std::move(body)](std::stop_token stop) mutable {
          owned_thread_detail::CurrentStopScope scope(stop);
          if constexpr (std::invocable<Body&, std::stop_token>) {
            body(std::move(stop));
          } else {
            body();
          }
        }) {}

  OwnedThread(OwnedThread&&) noexcept = default;
  OwnedThread& operator=(OwnedThread&&) noexcept = default;
  ~OwnedThread() = default;

  bool Joinable() const noexcept { return m_thread.joinable(); }
  void Join() { m_thread.join(); }
  bool RequestStop() noexcept { return m_thread.request_stop(); }
  std::stop_token StopToken() const noexcept { return m_thread.get_stop_token(); }
  std::thread::id Id() const noexcept { return m_thread.get_id(); }

 private:
  std::jthread m_thread;
};

}  // namespace halbrin::platform
