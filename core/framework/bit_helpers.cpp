#include "core/framework/bit_helpers.h"

namespace halbrin {

std::uint32_t SwapMiddleBits(std::uint32_t value) noexcept {
  static constexpr std::uint32_t kTable[8] = {0, 1, 4, 5, 2, 3, 6, 7};
  return kTable[value & 7];
}

std::uint32_t BitMask(std::uint32_t value) noexcept { return std::uint32_t{1} << (value & 31); }

}  // namespace halbrin
