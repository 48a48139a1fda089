#include "skins/core/skin_geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace halbrin::skins {
namespace {

constexpr TRect kBand{0, 0, 100, 20};

struct BandCase {
  const char* name;
  bool horizontal;
  std::int32_t n;
  int side;
  TRect cut;
  TRect extended;
  TRect piece;
};

// Side 0 is Left when horizontal and Bottom when vertical; side 1 Right or Top.
const BandCase kBandCases[] = {
    {"horizontal near", true, 30, 0, {30, 0, 100, 20}, {0, 0, 130, 20}, {0, 0, 30, 20}},
    {"horizontal far", true, 30, 1, {0, 0, 70, 20}, {-30, 0, 100, 20}, {70, 0, 100, 20}},
    {"vertical near is bottom", false, 5, 0, {0, 0, 100, 15}, {0, -5, 100, 20}, {0, 15, 100, 20}},
    {"vertical far is top", false, 5, 1, {0, 5, 100, 20}, {0, 0, 100, 25}, {0, 0, 100, 5}},
    {"side 2 changes nothing", true, 30, 2, kBand, kBand, kBand},
    {"side -1 changes nothing", false, 5, -1, kBand, kBand, kBand},
    // Over-cutting stops at the opposite edge; the piece is the whole rectangle.
    {"horizontal near over-cut", true, 150, 0, {100, 0, 100, 20}, {0, 0, 250, 20}, kBand},
    {"horizontal far over-cut", true, 150, 1, {0, 0, 0, 20}, {-150, 0, 100, 20}, kBand},
    {"vertical near over-cut", false, 30, 0, {0, 0, 100, 0}, {0, -30, 100, 20}, kBand},
    {"vertical far over-cut", false, 30, 1, {0, 20, 100, 20}, {0, 0, 100, 50}, kBand},
    // A negative amount grows the cut side; its piece is empty.
    {"negative amount", true, -10, 0, {-10, 0, 100, 20}, {0, 0, 90, 20}, {0, 0, 0, 20}},
};

TEST(SkinGeometry, BandCutsPerOrientationAndSide) {
  for (const BandCase& c : kBandCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CutBandSide(kBand, c.horizontal, c.n, c.side), c.cut);
    EXPECT_EQ(ExtendBandSide(kBand, c.horizontal, c.n, c.side), c.extended);
    EXPECT_EQ(BandSidePiece(kBand, c.horizontal, c.n, c.side), c.piece);
  }
}

TEST(SkinGeometry, OverCutBandIsEmptyNotInverted) {
  const TRect rest = CutBandSide(kBand, false, 30, 0);
  EXPECT_TRUE(RectIsEmpty(rest));
  EXPECT_GE(rest.Bottom, rest.Top);
  EXPECT_EQ(RectExtent(rest, false), 0);
}

TEST(SkinGeometry, HugeAmountsSaturateInsteadOfWrapping) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(ExtendBandSide(kBand, true, kMax, 0).Right, kMax);
  EXPECT_EQ(CutBandSide(kBand, true, kMax, 0), (TRect{100, 0, 100, 20}));
  EXPECT_EQ(BandSidePiece(kBand, false, kMax, 1), kBand);
}

struct EmptinessCase {
  const char* name;
  TRect rect;
  bool empty;
};

const EmptinessCase kEmptiness[] = {
    {"ordinary", {0, 0, 10, 5}, false},
    {"one pixel", {3, 3, 4, 4}, false},
    {"zero width", {5, 0, 5, 10}, true},
    {"zero height", {0, 7, 10, 7}, true},
    {"right left of left", {10, 0, 0, 10}, true},
    {"bottom above top", {0, 10, 10, -10}, true},
};

TEST(SkinGeometry, EmptinessCountsInvertedRectangles) {
  for (const EmptinessCase& c : kEmptiness) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RectIsEmpty(c.rect), c.empty);
  }
}

TEST(SkinGeometry, ExtentsAreAbsolute) {
  const TRect inverted{10, 20, 4, 5};
  EXPECT_EQ(RectWidth(inverted), 6);
  EXPECT_EQ(RectHeight(inverted), 15);
  EXPECT_EQ(RectExtent(inverted, true), 6);
  EXPECT_EQ(RectExtent(inverted, false), 15);
  EXPECT_EQ(RectExtent(kBand, true), 100);
  EXPECT_EQ(RectExtent(kBand, false), 20);
}

TEST(SkinGeometry, EqualityOriginAndShift) {
  EXPECT_TRUE(RectsEqual(kBand, TRect{0, 0, 100, 20}));
  for (const TRect& other : {TRect{1, 0, 100, 20}, TRect{0, 1, 100, 20}, TRect{0, 0, 99, 20}, TRect{0, 0, 100, 21}})
    EXPECT_FALSE(RectsEqual(kBand, other));

  EXPECT_EQ(RectAtOrigin(TRect{7, -3, 17, 2}), (TRect{0, 0, 10, 5}));

  TRect r{10, 1, 20, 2};
  ShiftRectSides(r, -4, 6);
  EXPECT_EQ(r, (TRect{6, 1, 26, 2}));
}

TEST(SkinGeometry, PointDistanceIsTheFlooredLength) {
  struct Case {
    TPoint a, b;
    std::int64_t distance;
  };
  const Case cases[] = {
      {{0, 0}, {3, 4}, 5},
      {{0, 0}, {1, 1}, 1},
      {{3, 4}, {0, 0}, 5},
      {{-2, -2}, {1, 2}, 5},
      {{5, 5}, {5, 5}, 0},
      {{0, 0}, {2, 3}, 3},
      // Far apart: still the exact floor (2^31 - 1 times the square root of 2).
      {{std::numeric_limits<std::int32_t>::min(), 0}, {-1, std::numeric_limits<std::int32_t>::max()}, 3037000498},
      {{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min()},
       {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()}, 6074000998},
  };
  for (const Case& c : cases) EXPECT_EQ(PointDistance(c.a, c.b), c.distance) << c.b.X << "," << c.b.Y;
}

TEST(SkinGeometry, RectToTextNamesEverySide) {
  EXPECT_EQ(RectToText(TRect{0, 0, 10, 5}), "Left: 0; Top: 0; Right: 10; Bottom: 5");
  EXPECT_EQ(RectToText(TRect{-1, 2, -3, 4}), "Left: -1; Top: 2; Right: -3; Bottom: 4");
}

}  // namespace
}  // namespace halbrin::skins
