#include "core/app/hand_over.h"

#include <deque>

#include "core/app/command_line.h"

namespace halbrin {
namespace {

std::deque<InstanceMessage>& Queue() {
  static std::deque<InstanceMessage> queue;
  return queue;
}

}  // namespace

void PushHandOver(InstanceMessage message) { Queue().push_back(std::move(message)); }

bool HandOverPending() { return !Queue().empty(); }

platform::Variant ReadHandOver(std::string_view key) {
  auto& queue = Queue();
  if (queue.empty()) return platform::Variant(std::string());
  InstanceMessage message = std::move(queue.front());
  queue.pop_front();
  return platform::Variant(GetSwitch(message.args, key));
}

}  // namespace halbrin
