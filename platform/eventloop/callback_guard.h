#pragma once

#include <functional>

// Internal to platform/eventloop: the one place where exceptions escaping loop
// callbacks are caught, so none unwinds through GLib's C frames.
namespace halbrin::platform::eventloop_detail {

// Calls a source callback; an escaping exception is logged and counts as
// "stop" (false), so a failing source cannot spin.
bool CallGuarded(const std::function<bool()>& callback) noexcept;
// Calls a posted job; an escaping exception is logged.
void CallGuarded(const std::function<void()>& job) noexcept;

}  // namespace halbrin::platform::eventloop_detail
