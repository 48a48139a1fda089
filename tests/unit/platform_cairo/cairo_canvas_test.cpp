#include "platform/cairo/cairo_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bundled_font.h"
#include "platform/services/desktop_service.h"

namespace halbrin::platform {
namespace {

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kBlack = 0x000000;

// A white image surface with a canvas on it.
class Surface {
 public:
  Surface(int width, int height)
      : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), m_cr(cairo_create(m_surface.get())) {
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    m_canvas = std::make_unique<TCairoCanvas>(m_cr);
  }
  ~Surface() {
    m_canvas.reset();
    cairo_destroy(m_cr);
  }

  TCairoCanvas& Canvas() { return *m_canvas; }
  int Width() const { return cairo_image_surface_get_width(m_surface.get()); }
  int Height() const { return cairo_image_surface_get_height(m_surface.get()); }

  std::uint32_t Argb(int x, int y) const {
    cairo_surface_flush(m_surface.get());
    std::uint32_t value;
    std::memcpy(&value,
                cairo_image_surface_get_data(m_surface.get()) + y * cairo_image_surface_get_stride(m_surface.get()) + x * 4,
                4);
    return value;
  }
  // The plain colour of an opaque pixel.
  TColor At(int x, int y) const {
    const std::uint32_t v = Argb(x, y);
    return RGBColor(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
  }
  // The pixels that are not white, as a picture of '#' and '.'.
  std::vector<std::string> Map(const TRect& area) const {
    std::vector<std::string> rows;
    for (int y = area.Top; y < area.Bottom; ++y) {
      std::string row;
      for (int x = area.Left; x < area.Right; ++x) row += At(x, y) == kWhite ? '.' : '#';
      rows.push_back(row);
    }
    return rows;
  }
  // The smallest rectangle holding every pixel that is not white; empty when none.
  TRect Ink() const {
    TRect ink{Width(), Height(), 0, 0};
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x)
        if (At(x, y) != kWhite) ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1), std::max(ink.Bottom, y + 1)};
    return ink.IsEmpty() ? TRect{} : ink;
  }
  std::vector<std::uint32_t> Pixels() const {
    std::vector<std::uint32_t> all;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x) all.push_back(Argb(x, y));
    return all;
  }

 private:
  CairoSurfacePtr m_surface;
  cairo_t* m_cr;
  std::unique_ptr<TCairoCanvas> m_canvas;
};

// ----------------------------------------------------------------- shapes

TEST(CairoCanvasTest, RectanglesCoverWholePixelsWithoutTheirRightAndBottomEdges) {
  struct Case {
    const char* name;
    void (*draw)(ICanvas&);
    std::vector<std::string> map;
  };
  const Case cases[] = {
      {"fill", [](ICanvas& c) { c.FillRect({1, 1, 4, 3}, kRed); }, {"......", ".###..", ".###..", "......"}},
      {"frame", [](ICanvas& c) { c.FrameRect({0, 0, 5, 4}, kRed); }, {"#####.", "#...#.", "#...#.", "#####."}},
      {"inverted fill", [](ICanvas& c) { c.FillRect({4, 1, 1, 3}, kRed); }, {"......", "......", "......", "......"}},
      {"no colour", [](ICanvas& c) { c.FillRect({0, 0, 6, 4}, clNone); }, {"......", "......", "......", "......"}},
      {"default colour", [](ICanvas& c) { c.FillRect({0, 0, 6, 4}, clDefault); }, {"......", "......", "......", "......"}},
      {"pixel", [](ICanvas& c) { c.SetPixel(5, 3, kRed); }, {"......", "......", "......", ".....#"}},
  };
  for (const Case& c : cases) {
    Surface surface(6, 4);
    c.draw(surface.Canvas());
    EXPECT_EQ(surface.Map({0, 0, 6, 4}), c.map) << c.name;
  }
}

TEST(CairoCanvasTest, LinesStopBeforeTheirEndPoint) {
  struct Case {
    const char* name;
    TPoint from;
    TPoint to;
    int width;
    std::vector<std::string> map;
  };
  const Case cases[] = {
      {"rightwards", {1, 1}, {5, 1}, 1, {"......", ".####.", "......", "......", "......"}},
      {"leftwards", {5, 1}, {1, 1}, 1, {"......", "..####", "......", "......", "......"}},
      {"downwards", {2, 0}, {2, 3}, 1, {"..#...", "..#...", "..#...", "......", "......"}},
      {"two wide", {0, 2}, {3, 2}, 2, {"......", "......", "###...", "###...", "......"}},
      {"three wide", {0, 2}, {3, 2}, 3, {"......", "###...", "###...", "###...", "......"}},
      {"diagonal", {0, 0}, {4, 4}, 1, {"#.....", ".#....", "..#...", "...#..", "......"}},
  };
  for (const Case& c : cases) {
    Surface surface(6, 5);
    surface.Canvas().Line(c.from, c.to, c.width, kBlack);
    EXPECT_EQ(surface.Map({0, 0, 6, 5}), c.map) << c.name;
  }
}

TEST(CairoCanvasTest, PolygonsIncludeTheirOutline) {
  // The drop-down arrow: (x, y), (x + a, y + a), (x + 2a, y) with a = 3.
  Surface surface(9, 5);
  const TPoint arrow[] = {{1, 0}, {4, 3}, {7, 0}};
  surface.Canvas().FillPolygon(arrow, kBlack);
  const std::vector<std::string> expected = {".#######.", "..#####..", "...###...", "....#....", "........."};
  EXPECT_EQ(surface.Map({0, 0, 9, 5}), expected);
}

TEST(CairoCanvasTest, TheCheckerPatternKeepsToTheCanvasOrigin) {
  Surface surface(12, 10);
  surface.Canvas().FillRectPattern({1, 1, 11, 9}, kRed, kBlue);
  for (int y = 1; y < 9; ++y)
    for (int x = 1; x < 11; ++x) ASSERT_EQ(surface.At(x, y), (x + y) % 2 == 0 ? kRed : kBlue) << x << "," << y;
  EXPECT_EQ(surface.At(0, 0), kWhite);
  EXPECT_EQ(surface.At(11, 9), kWhite);
}

TEST(CairoCanvasTest, GradientsRunFromTheFirstColourToTheSecond) {
  Surface surface(64, 64);
  surface.Canvas().Gradient({0, 0, 64, 32}, kBlack, kWhite, true);
  surface.Canvas().Gradient({0, 32, 64, 64}, kBlack, kRed, false);
  EXPECT_LE(RedOf(surface.At(10, 0)), 8);
  EXPECT_GE(RedOf(surface.At(10, 31)), 247);
  EXPECT_EQ(surface.At(0, 5), surface.At(63, 5));  // vertical: one colour per row
  EXPECT_LE(RedOf(surface.At(0, 40)), 8);
  EXPECT_GE(RedOf(surface.At(63, 40)), 247);
  EXPECT_EQ(BlueOf(surface.At(63, 40)), 0);
  EXPECT_LT(RedOf(surface.At(20, 40)), RedOf(surface.At(40, 40)));
}

TEST(CairoCanvasTest, ExcludedRectanglesStayUntouchedUntilRestore) {
  Surface surface(6, 4);
  TCairoCanvas& canvas = surface.Canvas();
  canvas.Save();
  canvas.ExcludeClipRect({1, 1, 3, 3});
  canvas.ExcludeClipRect({5, 0, 6, 1});
  canvas.FillRect({0, 0, 6, 4}, kBlack);
  canvas.Restore();
  EXPECT_EQ(surface.Map({0, 0, 6, 4}), (std::vector<std::string>{"#####.", "#..###", "#..###", "######"}));
  canvas.FillRect({1, 1, 3, 3}, kBlack);
  EXPECT_EQ(surface.At(1, 1), kBlack);
  canvas.Restore();  // unbalanced: ignored
  canvas.FillRect({5, 0, 6, 1}, kBlack);
  EXPECT_EQ(surface.At(5, 0), kBlack);
}

TEST(CairoCanvasTest, PixelsReadBackAsPlainColours) {
  Surface surface(4, 4);
  TCairoCanvas& canvas = surface.Canvas();
  canvas.SetPixel(2, 1, 0x336699);
  EXPECT_EQ(canvas.GetPixel(2, 1), 0x336699);
  EXPECT_EQ(canvas.GetPixel(0, 0), kWhite);
  EXPECT_EQ(canvas.GetPixel(-1, 0), clNone);
  EXPECT_EQ(canvas.GetPixel(4, 0), clNone);
}

class PaletteDesktop final : public HeadlessDesktopService {
 public:
  TColor SystemColor(int index) const override { return index == COLOR_HIGHLIGHT ? kRed : 0x00FF00; }
};

TEST(CairoCanvasTest, SystemColoursResolveThroughTheDesktop) {
  PaletteDesktop desktop;
  ScopedDesktopService scope(desktop);
  Surface surface(2, 1);
  surface.Canvas().SetPixel(0, 0, SystemColor(COLOR_HIGHLIGHT));
  surface.Canvas().SetPixel(1, 0, SystemColor(COLOR_BTNFACE));
  EXPECT_EQ(surface.At(0, 0), kRed);
  EXPECT_EQ(surface.At(1, 0), 0x00FF00);
}

// ----------------------------------------------------------------- images

TCustomImageList& Glyphs(TCustomImageList& list) {
  list.SetWidth(3);
  list.SetHeight(2);
  TArgbImage image(3, 2);
  image.SetPixel(0, 0, 0xFF0000FF);  // opaque blue
  image.SetPixel(1, 0, 0x80000080);  // half-transparent blue, premultiplied
  image.SetPixel(2, 0, 0x7F00007F);  // just under half
  image.SetPixel(0, 1, 0xFFFF0000);  // opaque red
  list.Add(image);
  return list;
}

TEST(CairoCanvasTest, MaskedImagesColourExactlyTheirOpaquePixels) {
  TCustomImageList list;
  Surface surface(5, 4);
  surface.Canvas().DrawImageMasked(Glyphs(list), 0, 1, 1, kBlack);
  EXPECT_EQ(surface.Map({0, 0, 5, 4}), (std::vector<std::string>{".....", ".##..", ".#...", "....."}));
  EXPECT_EQ(surface.At(1, 1), kBlack);
  EXPECT_EQ(surface.At(2, 1), kBlack);
}

TEST(CairoCanvasTest, ImagesBlendOverTheGroundAndBlitsReplaceIt) {
  TCustomImageList list;
  Glyphs(list);
  Surface drawn(4, 3);
  drawn.Canvas().DrawImage(list, 0, 1, 1);
  EXPECT_EQ(drawn.At(1, 1), kBlue);
  EXPECT_EQ(drawn.At(3, 1), RGBColor(128, 128, 255));  // blue at half over white
  EXPECT_EQ(drawn.At(1, 2), kRed);
  EXPECT_EQ(drawn.At(2, 2), kWhite);  // transparent

  Surface blitted(4, 3);
  blitted.Canvas().Blit(*list.Image(0), 1, 1);
  EXPECT_EQ(blitted.Argb(2, 2), 0u);  // the transparent pixel is copied as it is
  EXPECT_EQ(blitted.Argb(2, 1), 0x80000080u);
  EXPECT_EQ(blitted.Argb(0, 0), 0xFFFFFFFFu);
}

TEST(CairoCanvasTest, ImagesRoundTripThroughSurfaces) {
  TArgbImage image(3, 2);
  image.SetPixel(0, 0, 0xFF0000FFu);
  image.SetPixel(2, 1, 0x80400000u);
  const CairoSurfacePtr surface = SurfaceFromImage(image);
  EXPECT_EQ(ImageFromSurface(surface.get()), image);

  CairoSurfacePtr a8(cairo_image_surface_create(CAIRO_FORMAT_A8, 4, 4));
  EXPECT_EQ(ImageFromSurface(a8.get()), TArgbImage{});
}

TEST(CairoCanvasTest, IndexesTheListLacksDrawNothing) {
  TCustomImageList list;
  Glyphs(list);
  Surface surface(4, 3);
  for (const int index : {-1, 1, 99}) {
    surface.Canvas().DrawImage(list, index, 0, 0);
    surface.Canvas().DrawImageMasked(list, index, 0, 0, kBlack);
  }
  EXPECT_EQ(surface.Ink(), TRect{});
  EXPECT_FALSE(surface.Canvas().DrawThemedGlyph(TThemedGlyph::CheckBox, {}, {0, 0, 13, 13}));
}

// ------------------------------------------------------------------- text

class CairoTextTest : public ::testing::Test {
 protected:
  TFont font;
  testing::BundledFont bundled;

  // The picture of `text` drawn black into a white surface of the given size.
  std::vector<std::uint32_t> Drawn(std::string_view text, TRect rect, const TTextFormat& format, int width = 120,
                                   int height = 60) {
    Surface surface(width, height);
    surface.Canvas().DrawText(text, rect, font, kBlack, format);
    return surface.Pixels();
  }
  TRect InkOf(std::string_view text, TRect rect, const TTextFormat& format, int width = 120, int height = 60) {
    Surface surface(width, height);
    surface.Canvas().DrawText(text, rect, font, kBlack, format);
    return surface.Ink();
  }
  int Advance() {
    Surface surface(1, 1);
    return surface.Canvas().TextExtent("m", font).cx;
  }
};

TEST_F(CairoTextTest, ExtentsFollowTheFixedAdvanceOfTheTestFont) {
  Surface surface(1, 1);
  const TSize one = surface.Canvas().TextExtent("a", font);
  ASSERT_GT(one.cx, 0);
  EXPECT_EQ(surface.Canvas().TextExtent("abcd", font), (TSize{4 * one.cx, one.cy}));
  EXPECT_EQ(surface.Canvas().TextExtent("", font), (TSize{0, surface.Canvas().TextExtent("jk", font).cy}));
  font.SetSize(18);
  EXPECT_GT(surface.Canvas().TextExtent("a", font).cx, one.cx);
}

TEST_F(CairoTextTest, AlignmentPlacesTheTextInItsRectangle) {
  const TRect rect{10, 5, 110, 55};
  struct Case {
    const char* name;
    TTextAlign align;
    TTextLayout layout;
  };
  const Case cases[] = {
      {"left top", TTextAlign::Left, TTextLayout::Top},
      {"centre", TTextAlign::Center, TTextLayout::Center},
      {"right bottom", TTextAlign::Right, TTextLayout::Bottom},
  };
  const int advance = Advance();
  for (const Case& c : cases) {
    TTextFormat format;
    format.align = c.align;
    format.layout = c.layout;
    const TRect ink = InkOf("MMM", rect, format);
    ASSERT_FALSE(ink.IsEmpty()) << c.name;
    EXPECT_LE(ink.Width(), 3 * advance) << c.name;
    const int leftGap = ink.Left - rect.Left;
    const int rightGap = rect.Right - ink.Right;
    const int topGap = ink.Top - rect.Top;
    const int bottomGap = rect.Bottom - ink.Bottom;
    switch (c.align) {
      case TTextAlign::Left: EXPECT_LE(leftGap, 2) << c.name; break;
      case TTextAlign::Center: EXPECT_LE(std::abs(leftGap - rightGap), 2) << c.name; break;
      case TTextAlign::Right: EXPECT_LE(rightGap, 2) << c.name; break;
    }
    // The line box holds the ascent above and the descent below the ink.
    switch (c.layout) {
      case TTextLayout::Top: EXPECT_LE(topGap, 6) << c.name; break;
      case TTextLayout::Center: EXPECT_LE(std::abs(topGap - bottomGap), 6) << c.name; break;
      case TTextLayout::Bottom: EXPECT_LE(bottomGap, 6) << c.name; break;
    }
  }
}

TEST_F(CairoTextTest, ALongTextEndsInAnEllipsisWhenAsked) {
  const int advance = Advance();
  const TRect rect{0, 0, 5 * advance, 30};
  TTextFormat ellipsis;
  ellipsis.endEllipsis = true;
  const TTextFormat plain;
  EXPECT_EQ(Drawn("MMMMMMMMMM", rect, ellipsis), Drawn("MMMM\xE2\x80\xA6", rect, plain));
  EXPECT_NE(Drawn("MMMMMMMMMM", rect, plain), Drawn("MMMM\xE2\x80\xA6", rect, plain));
  // A text that fits stays whole.
  EXPECT_EQ(Drawn("MMM", rect, ellipsis), Drawn("MMM", rect, plain));
}

TEST_F(CairoTextTest, TextIsClippedToItsRectangle) {
  const TRect rect{5, 5, 25, 12};
  const TRect ink = InkOf("MMMMMMMMMM", rect, TTextFormat{});
  EXPECT_GE(ink.Left, rect.Left);
  EXPECT_GE(ink.Top, rect.Top);
  EXPECT_LE(ink.Right, rect.Right);
  EXPECT_LE(ink.Bottom, rect.Bottom);
  EXPECT_EQ(InkOf("MMM", {5, 5, 5, 30}, TTextFormat{}), TRect{});
}

TEST_F(CairoTextTest, MnemonicsUnderlineTheMarkedLetterOnly) {
  const TRect rect{0, 0, 120, 40};
  TTextFormat mnemonic;
  mnemonic.mnemonic = true;
  const TTextFormat plain;
  EXPECT_EQ(Drawn("A&&B", rect, mnemonic), Drawn("A&B", rect, plain));
  EXPECT_NE(Drawn("&File", rect, plain), Drawn("File", rect, plain));

  // The underline adds pixels below the first letter and nowhere else.
  Surface marked(120, 40);
  marked.Canvas().DrawText("F&ile", rect, font, kBlack, mnemonic);
  Surface bare(120, 40);
  bare.Canvas().DrawText("File", rect, font, kBlack, plain);
  const int advance = Advance();
  int added = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      if (marked.At(x, y) == bare.At(x, y)) continue;
      ++added;
      EXPECT_GE(x, advance - 1) << x << "," << y;
      EXPECT_LT(x, 2 * advance + 1) << x << "," << y;
    }
  EXPECT_GT(added, 0);
}

TEST_F(CairoTextTest, SingleLinesIgnoreLineBreaksAndTabsExpandOnlyWhenAsked) {
  const TRect rect{0, 0, 120, 60};
  TTextFormat multi;
  multi.singleLine = false;
  const TRect oneLine = InkOf("M\nM", rect, TTextFormat{});
  const TRect twoLines = InkOf("M\nM", rect, multi);
  EXPECT_GT(twoLines.Height(), oneLine.Height() + 5);

  TTextFormat noTabs;
  noTabs.expandTabs = false;
  EXPECT_EQ(Drawn("M\tM", rect, noTabs), Drawn("M M", rect, TTextFormat{}));
  EXPECT_GE(InkOf("M\tM", rect, TTextFormat{}).Width(), 8 * Advance());
}

TEST_F(CairoTextTest, RotatedTextRunsUpFromTheBottomOfItsRectangle) {
  const TRect across{0, 0, 120, 30};
  const TRect upright{0, 0, 30, 120};
  const TRect flat = InkOf("MMMM", across, TTextFormat{}, 120, 120);
  TTextFormat rotated;
  rotated.rotate90 = true;
  const TRect turned = InkOf("MMMM", upright, rotated, 120, 120);
  ASSERT_FALSE(turned.IsEmpty());
  EXPECT_LE(std::abs(turned.Height() - flat.Width()), 1);
  EXPECT_LE(std::abs(turned.Width() - flat.Height()), 1);
  // It starts at the bottom, and the tops of the letters face the left side.
  EXPECT_GE(turned.Bottom, upright.Bottom - 2);
  EXPECT_LE(turned.Left - upright.Left, flat.Top - across.Top + 1);
  EXPECT_LE(turned.Right, upright.Right);
}

}  // namespace
}  // namespace halbrin::platform
