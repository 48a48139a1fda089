#include "core/app/hand_over.h"

#include <deque>
#include <iterator>

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

std::vector<InstanceMessage> TakeHandOvers() {
  auto& queue = Queue();
  std::vector<InstanceMessage> taken(std::make_move_iterator(queue.begin()), std::make_move_iterator(queue.end()));
  queue.clear();
  return taken;
}

}  // namespace halbrin
