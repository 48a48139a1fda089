#pragma once

#include <cstdint>

namespace halbrin {

// Bits 1 and 2 of a three-bit value exchanged (the table {0, 1, 4, 5, 2, 3, 6, 7}
// indexed by value & 7): turns the shift set's order (shift 1, alt 2, ctrl 4)
// into the scripts' codes (shift 1, ctrl 2, alt 4) and back.
std::uint32_t SwapMiddleBits(std::uint32_t value) noexcept;

// 1 shifted left by (value & 31): a mouse button ordinal (left 0, right 1,
// middle 2) becomes the scripts' code (1, 2, 4).
std::uint32_t BitMask(std::uint32_t value) noexcept;

}  // namespace halbrin
