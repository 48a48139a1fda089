#include "platform/eventloop/owned_thread.h"

namespace halbrin::platform {

namespace {
// Per thread, set only by the thread's own CurrentStopScope.
thread_local std::stop_token t_currentStop;
}  // namespace

std::stop_token CurrentStopToken() noexcept { return t_currentStop; }

namespace owned_thread_detail {

CurrentStopScope::CurrentStopScope(std::stop_token stop) noexcept { t_currentStop = std::move(stop); }

CurrentStopScope::~CurrentStopScope() { t_currentStop = std::stop_token(); }

}  // namespace owned_thread_detail

}  // namespace halbrin::platform
