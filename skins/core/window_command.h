#pragma once

#include <cstdint>

namespace halbrin::skins {

// What a caption button asks of its window; the window host carries it out.
// NextChild and PreviousChild act on child panes (there is no MDI); Check is
// private to the check button and a host may ignore it.
enum class TWindowCommand : std::uint8_t {
  Close,
  Maximize,
  Restore,
  Minimize,
  ContextHelp,
  NextChild,
  PreviousChild,
  Check,
};

}  // namespace halbrin::skins
