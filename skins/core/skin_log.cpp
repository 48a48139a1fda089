#include "skins/core/skin_log.h"

#include <deque>
#include <utility>

namespace halbrin::skins {

namespace {

constexpr std::size_t kKeptMessages = 1000;

// The skin log of the process.
struct TSkinLogState {
  TSkinLogSink sink;
  std::deque<std::string> kept;
};

TSkinLogState& State() {
  static TSkinLogState state;
  return state;
}

}  // namespace

void SetSkinLogSink(TSkinLogSink sink) { State().sink = std::move(sink); }

void SkinLog(std::string_view source, std::string_view message) {
  TSkinLogState& state = State();
  if (state.sink) {
    state.sink(source, message);
    return;
  }
  state.kept.emplace_back(message);
  if (state.kept.size() > kKeptMessages) state.kept.pop_front();
}

std::vector<std::string> TakeSkinLogMessages() {
  std::deque<std::string> kept = std::exchange(State().kept, {});
  return {std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end())};
}

}  // namespace halbrin::skins
