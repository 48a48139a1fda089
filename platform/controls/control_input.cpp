#include "platform/controls/control_input.h"

#include <cmath>

namespace halbrin::platform {

int TScrollAccumulator::Add(double deltaY) noexcept {
  if (!std::isfinite(deltaY)) return 0;
  m_rest += deltaY;
  const double whole = std::trunc(m_rest);
  m_rest -= whole;
  return static_cast<int>(whole);
}

}  // namespace halbrin::platform
