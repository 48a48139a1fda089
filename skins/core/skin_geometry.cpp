#include "skins/core/skin_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace halbrin::skins {
namespace {

// Sums in 64 bits, then saturates, so a huge amount never wraps an edge round.
std::int32_t Add(std::int32_t value, std::int64_t delta) noexcept {
  const std::int64_t sum = static_cast<std::int64_t>(value) + delta;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

std::int32_t AbsDifference(std::int32_t a, std::int32_t b) noexcept {
  const std::int64_t d = static_cast<std::int64_t>(a) - b;
  return static_cast<std::int32_t>(std::min<std::int64_t>(d < 0 ? -d : d, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

std::int32_t RectWidth(const TRect& rect) noexcept { return AbsDifference(rect.Right, rect.Left); }

std::int32_t RectHeight(const TRect& rect) noexcept { return AbsDifference(rect.Bottom, rect.Top); }

std::int32_t RectExtent(const TRect& rect, bool horizontal) noexcept {
  return horizontal ? RectWidth(rect) : RectHeight(rect);
}

bool RectIsEmpty(const TRect& rect) noexcept { return rect.IsEmpty(); }

bool RectsEqual(const TRect& a, const TRect& b) noexcept { return a == b; }

TRect RectAtOrigin(const TRect& rect) noexcept {
  return {0, 0, Add(rect.Right, -static_cast<std::int64_t>(rect.Left)),
          Add(rect.Bottom, -static_cast<std::int64_t>(rect.Top))};
}

void ShiftRectSides(TRect& rect, std::int32_t deltaLeft, std::int32_t deltaRight) noexcept {
  rect.Left = Add(rect.Left, deltaLeft);
  rect.Right = Add(rect.Right, deltaRight);
}

std::int64_t PointDistance(TPoint a, TPoint b) noexcept {
  // Differences reach 2^32 - 1, so their squares need more than 64 bits.
  __extension__ using Wide = unsigned __int128;
  const auto dx = static_cast<Wide>(std::abs(static_cast<std::int64_t>(a.X) - b.X));
  const auto dy = static_cast<Wide>(std::abs(static_cast<std::int64_t>(a.Y) - b.Y));
  const Wide squares = dx * dx + dy * dy;
  // A floating root may miss the exact floor by one; step it into place.
  auto root = static_cast<Wide>(std::sqrt(static_cast<long double>(squares)));
  while (root * root > squares) --root;
  while ((root + 1) * (root + 1) <= squares) ++root;
  return static_cast<std::int64_t>(root);
}

std::string RectToText(const TRect& rect) {
  return "Left: " + std::to_string(rect.Left) + "; Top: " + std::to_string(rect.Top) +
         "; Right: " + std::to_string(rect.Right) + "; Bottom: " + std::to_string(rect.Bottom);
}

TRect CutBandSide(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept {
  TRect r = rect;
  if (horizontal) {
    if (side == 0) r.Left = std::min(Add(r.Left, n), std::max(r.Left, r.Right));
    else if (side == 1) r.Right = std::max(Add(r.Right, -static_cast<std::int64_t>(n)), std::min(r.Left, r.Right));
  } else {
    if (side == 0) r.Bottom = std::max(Add(r.Bottom, -static_cast<std::int64_t>(n)), std::min(r.Top, r.Bottom));
    else if (side == 1) r.Top = std::min(Add(r.Top, n), std::max(r.Top, r.Bottom));
  }
  return r;
}

TRect ExtendBandSide(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept {
  TRect r = rect;
  if (horizontal) {
    if (side == 0) r.Right = Add(r.Right, n);
    else if (side == 1) r.Left = Add(r.Left, -static_cast<std::int64_t>(n));
  } else {
    if (side == 0) r.Top = Add(r.Top, -static_cast<std::int64_t>(n));
    else if (side == 1) r.Bottom = Add(r.Bottom, n);
  }
  return r;
}

TRect BandSidePiece(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept {
  const std::int32_t size = std::max(n, 0);
  TRect r = rect;
  if (horizontal) {
    if (side == 0) r.Right = std::min(r.Right, Add(r.Left, size));
    else if (side == 1) r.Left = std::max(r.Left, Add(r.Right, -static_cast<std::int64_t>(size)));
  } else {
    if (side == 0) r.Top = std::max(r.Top, Add(r.Bottom, -static_cast<std::int64_t>(size)));
    else if (side == 1) r.Bottom = std::min(r.Bottom, Add(r.Top, size));
  }
  return r;
}

TSize EstimateTextExtent(std::string_view utf8) noexcept {
  int chars = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++chars;
  return {chars * 7, 13};
}

}  // namespace halbrin::skins
