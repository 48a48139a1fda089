#pragma once

#include <cstdint>

namespace halbrin::platform {

// A colour in the class library's encoding: 00BBGGRR for a plain colour (red
// in the lowest byte), FF0000nn for system colour nn.
using TColor = std::int32_t;

inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clNone = 0x1FFFFFFF;

// The number of system colours (indexes 0..30).
inline constexpr int kSystemColorCount = 31;

// The colour value standing for system colour `index`.
constexpr TColor SystemColor(int index) noexcept {
  return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index & 0xFF));
}

constexpr bool IsSystemColor(TColor color) noexcept {
  return (static_cast<std::uint32_t>(color) & 0xFFFFFF00u) == 0xFF000000u;
}

constexpr int SystemColorIndex(TColor color) noexcept {
  return static_cast<int>(static_cast<std::uint32_t>(color) & 0xFFu);
}

// A plain colour from its channels.
constexpr TColor RGBColor(int red, int green, int blue) noexcept {
  return static_cast<TColor>((static_cast<std::uint32_t>(red) & 0xFF) | (static_cast<std::uint32_t>(green) & 0xFF) << 8 |
                             (static_cast<std::uint32_t>(blue) & 0xFF) << 16);
}

constexpr int RedOf(TColor color) noexcept { return static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF); }
constexpr int GreenOf(TColor color) noexcept { return static_cast<int>(static_cast<std::uint32_t>(color) >> 8 & 0xFF); }
constexpr int BlueOf(TColor color) noexcept { return static_cast<int>(static_cast<std::uint32_t>(color) >> 16 & 0xFF); }

}  // namespace halbrin::platform
