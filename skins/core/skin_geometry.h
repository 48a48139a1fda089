#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/geometry.h"

namespace halbrin::skins {

using platform::TPoint;
using platform::TRect;
using platform::TSize;

// Rectangle arithmetic along an orientation. Horizontal measures and cuts along
// X (sides Left and Right), vertical along Y (sides Bottom and Top). Side 0 is
// the near side (Left, or Bottom when vertical), side 1 the far side (Right, or
// Top); any other side leaves the rectangle as it is.

// Absolute extents, so an inverted rectangle still reports its size.
std::int32_t RectWidth(const TRect& rect) noexcept;
std::int32_t RectHeight(const TRect& rect) noexcept;
std::int32_t RectExtent(const TRect& rect, bool horizontal) noexcept;
// An inverted rectangle is empty too: layout never treats it as space.
bool RectIsEmpty(const TRect& rect) noexcept;
bool RectsEqual(const TRect& a, const TRect& b) noexcept;
// The same width and height with Left and Top at 0.
TRect RectAtOrigin(const TRect& rect) noexcept;
void ShiftRectSides(TRect& rect, std::int32_t deltaLeft, std::int32_t deltaRight) noexcept;
// Floor of the distance between the points.
std::int64_t PointDistance(TPoint a, TPoint b) noexcept;
// "Left: 0; Top: 0; Right: 10; Bottom: 5", for diagnostic dumps.
std::string RectToText(const TRect& rect);

// A text's size without a window to measure on: 7 pixels a character, 13 high.
TSize EstimateTextExtent(std::string_view utf8) noexcept;

// What remains after a piece of size n is taken off that side. The cut stops
// at the opposite edge, so over-cutting leaves an empty rectangle, not an
// inverted one.
TRect CutBandSide(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept;
// The rectangle grown by n at the end opposite that side.
TRect ExtendBandSide(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept;
// The piece of size n at that side, never larger than the rectangle; a negative
// size gives an empty piece on that side.
TRect BandSidePiece(const TRect& rect, bool horizontal, std::int32_t n, int side) noexcept;

}  // namespace halbrin::skins
