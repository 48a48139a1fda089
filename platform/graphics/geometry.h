#pragma once

#include <cstdint>

namespace halbrin::platform {

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;

  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  std::int32_t cx = 0;
  std::int32_t cy = 0;

  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and Bottom are exclusive: (0, 0, 10, 5) covers 10 x 5 pixels.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  // Signed extents: negative for an inverted rectangle.
  constexpr std::int32_t Width() const noexcept { return Right - Left; }
  constexpr std::int32_t Height() const noexcept { return Bottom - Top; }
  // An inverted rectangle is empty too, so it never counts as space.
  constexpr bool IsEmpty() const noexcept { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(TPoint p) const noexcept { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }

  friend bool operator==(const TRect&, const TRect&) = default;
};

// The common part of a and b; an empty rectangle (all zero) when they do not meet.
constexpr TRect IntersectRect(const TRect& a, const TRect& b) noexcept {
  const TRect r{a.Left > b.Left ? a.Left : b.Left, a.Top > b.Top ? a.Top : b.Top,
                a.Right < b.Right ? a.Right : b.Right, a.Bottom < b.Bottom ? a.Bottom : b.Bottom};
  return r.IsEmpty() ? TRect{} : r;
}

}  // namespace halbrin::platform
