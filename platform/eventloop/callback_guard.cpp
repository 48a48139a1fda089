#include "platform/eventloop/callback_guard.h"

#include <glib.h>

#include <exception>

#include "platform/base/exception.h"

namespace halbrin::platform::eventloop_detail {

namespace {

void LogCurrentException() noexcept {
  try {
    throw;
  } catch (const Exception& error) {
    g_log("halbrin", G_LOG_LEVEL_WARNING, "Unhandled exception in event loop callback: %.*s: %s",
          static_cast<int>(error.ClassName().size()), error.ClassName().data(), error.what());
  } catch (const std::exception& error) {
    g_log("halbrin", G_LOG_LEVEL_WARNING, "Unhandled exception in event loop callback: %s", error.what());
  } catch (...) {
    g_log("halbrin", G_LOG_LEVEL_WARNING, "Unhandled exception in event loop callback");
  }
}

}  // namespace

bool CallGuarded(const std::function<bool()>& callback) noexcept {
  if (!callback) return false;
  try {
    return callback();
  } catch (...) {
    LogCurrentException();
    return false;
  }
}

void CallGuarded(const std::function<void()>& job) noexcept {
  if (!job) return;
  try {
    job();
  } catch (...) {
    LogCurrentException();
  }
}

}  // namespace halbrin::platform::eventloop_detail
