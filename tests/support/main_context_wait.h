#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

namespace halbrin::testing {

// Generous: a loaded machine under Xvfb and the sanitizers can take seconds
// to map a window; a healthy run needs milliseconds.
inline constexpr std::chrono::milliseconds kMainContextWaitLimit{20000};

// Runs the default main context until done() holds or the time is up.
inline bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kMainContextWaitLimit) {
  // A ticking source wakes the blocking iteration so the deadline is seen
  // even when no events arrive.
  const guint tick = g_timeout_add(10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  bool reached = done();
  while (!reached && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    reached = done();
  }
  g_source_remove(tick);
  return reached;
}

}  // namespace halbrin::testing
