#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/foundation/colors.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/services/desktop_service.h"
#include "skins/core/default_painter.h"
#include "unit/platform_cairo/bundled_font.h"

namespace halbrin::skins {
namespace {

using platform::RGBColor;
using platform::TCairoCanvas;

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kBlack = 0x000000;

// A white image surface with a canvas on it.
class Surface {
 public:
  Surface(int width, int height)
      : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), m_cr(cairo_create(m_surface)) {
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    m_canvas = std::make_unique<TCairoCanvas>(m_cr);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface() {
    m_canvas.reset();
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
  }

  TCairoCanvas& Canvas() { return *m_canvas; }

  TColor At(int x, int y) const {
    cairo_surface_flush(m_surface);
    std::uint32_t v;
    std::memcpy(&v, cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface) + x * 4, 4);
    return RGBColor(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
  }
  // The smallest rectangle holding every pixel that is not white.
  TRect Ink(const TRect& area) const {
    TRect box{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x)
        if (At(x, y) != kWhite) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x + 1);
          box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
  }

 private:
  cairo_surface_t* m_surface;
  cairo_t* m_cr;
  std::unique_ptr<TCairoCanvas> m_canvas;
};

TEST(DefaultPainterPixels, EdgeStripsCoverTheirSidesOnly) {
  Surface s(20, 20);
  TSkinEdgeParams rec;
  rec.Rect = {2, 2, 18, 18};
  rec.Color = kRed;
  rec.Width = 3;
  rec.Edges = EdgeBit(sebTop) | EdgeBit(sebLeft);
  TSkinDefaultPainter::DrawMarginEdges(s.Canvas(), rec);
  struct Probe {
    int x, y;
    TColor color;
  };
  const Probe probes[] = {{2, 2, kRed},    {17, 4, kRed},   {4, 17, kRed},  {17, 5, kWhite}, {5, 17, kWhite},
                          {5, 5, kWhite},  {1, 1, kWhite},  {18, 2, kWhite}, {2, 18, kWhite}, {17, 17, kWhite}};
  for (const Probe& p : probes) EXPECT_EQ(s.At(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST(DefaultPainterPixels, MarginCheckerPattern) {
  Surface s(16, 16);
  TSkinFillParams rec;
  rec.Rect = {0, 0, 16, 16};
  rec.Color = RGBColor(0xC0, 0xC0, 0xC0);
  rec.Designing = 1;
  TSkinDefaultPainter::FillMargin(s.Canvas(), rec);
  const TColor darker = BlendColor(rec.Color, kBlack, 3, 6);
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {2, 0}, {7, 3}, {15, 15}}) EXPECT_EQ(s.At(x, y), rec.Color) << x << "," << y;
  for (auto [x, y] : {std::pair{1, 0}, {0, 1}, {3, 0}, {8, 3}, {15, 14}}) EXPECT_EQ(s.At(x, y), darker) << x << "," << y;
}

TEST(DefaultPainterPixels, DottedFrameEveryOtherPixel) {
  Surface s(12, 8);
  TSkinDefaultPainter::DrawDottedFrame(s.Canvas(), {1, 1, 10, 7}, kBlue);
  for (int x = 1; x < 10; ++x) {
    const TColor expected = (x - 1) % 2 == 0 ? kBlue : kWhite;
    EXPECT_EQ(s.At(x, 1), expected) << x;
    EXPECT_EQ(s.At(x, 6), expected) << x;
  }
  // Rows 1 and 6 belong to the top and bottom lines.
  for (int y = 2; y < 6; ++y) {
    const TColor expected = (y - 1) % 2 == 0 ? kBlue : kWhite;
    EXPECT_EQ(s.At(1, y), expected) << y;
    EXPECT_EQ(s.At(9, y), expected) << y;
  }
  EXPECT_EQ(s.At(5, 3), kWhite);
  EXPECT_EQ(s.At(10, 1), kWhite);
}

TEST(DefaultPainterPixels, ProgressCells) {
  Surface s(60, 40);
  TSkinProgressParams rec;
  rec.Rect = {0, 0, 60, 40};
  rec.Percent = 40;
  rec.Color = kBlue;
  rec.BackColor = kWhite;
  TSkinDefaultPainter::DrawBandItemProgress(s.Canvas(), rec);
  // Five cells of 10 pixels, 2 apart, from x 0 at y 15..24; two of them full.
  const TColor dim = BlendColor(kBlue, kWhite, 5, 7);
  EXPECT_EQ(s.At(0, 15), kBlue);
  EXPECT_EQ(s.At(9, 24), kBlue);
  EXPECT_EQ(s.At(10, 20), kWhite);
  EXPECT_EQ(s.At(12, 20), kBlue);
  EXPECT_EQ(s.At(24, 20), dim);
  EXPECT_EQ(s.At(57, 20), dim);
  EXPECT_EQ(s.At(5, 14), kWhite);
  EXPECT_EQ(s.At(5, 25), kWhite);
  EXPECT_EQ(rec.Rect, (TRect{0, 0, 60, 40}));
}

// A 4x4 list whose single image is opaque only on its diagonal.
std::unique_ptr<platform::TCustomImageList> DiagonalImages() {
  auto images = std::make_unique<platform::TCustomImageList>();
  images->SetWidth(4);
  images->SetHeight(4);
  platform::TArgbImage image(4, 4, 0);
  for (int i = 0; i < 4; ++i) image.SetPixel(i, i, 0xFF000000);
  images->Add(std::move(image));
  return images;
}

TEST(DefaultPainterPixels, WindowButtonMaskedGlyphColoursOpaquePixelsOnly) {
  const auto images = DiagonalImages();
  for (std::uint32_t state : {0u, static_cast<std::uint32_t>(kButtonMasked)}) {
    SCOPED_TRACE(state);
    Surface s(10, 10);
    TSkinWindowButtonParams rec;
    rec.X = 3;
    rec.Y = 2;
    rec.State = state;
    rec.Images = images.get();
    rec.ImageIndex = 0;
    rec.GlyphColor = kRed;
    TSkinDefaultPainter::DrawWindowButton(s.Canvas(), rec);
    const TColor ink = state == kButtonMasked ? kRed : kBlack;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(s.At(3 + i, 2 + i), ink) << i;
    EXPECT_EQ(s.At(4, 2), kWhite);
    EXPECT_EQ(s.At(3, 5), kWhite);
  }
}

TEST(DefaultPainterPixels, TabSlantLeavesTheTopRightTriangle) {
  Surface s(40, 20);
  TSkinToolButtonParams rec;
  rec.Rect = {2, 2, 32, 16};
  rec.State = kButtonOpaque;
  rec.Style = tbsTab;
  rec.Color = kBlue;
  TSkinDefaultPainter::DrawToolButton(s.Canvas(), rec);
  // Not down or hot: the tab stops a pixel short of its bottom.
  EXPECT_EQ(s.At(2, 14), kBlue);
  EXPECT_EQ(s.At(2, 15), kWhite);
  // Row k of the slant loses its last 8 - k pixels.
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(s.At(31 - (8 - k) , 2 + k), kBlue);
    EXPECT_EQ(s.At(32 - (8 - k), 2 + k), kWhite);
    EXPECT_EQ(s.At(31, 2 + k), kWhite);
  }
  EXPECT_EQ(s.At(31, 10), kBlue);
}

TEST(DefaultPainterPixels, RoundedCornersBlendIntoTheBackground) {
  struct Case {
    std::uint8_t roundness;
    bool blended;
  };
  for (const Case& c : {Case{sirNone, false}, Case{sirMedium, true}, Case{sirEvident, true}}) {
    SCOPED_TRACE(static_cast<int>(c.roundness));
    Surface s(20, 20);
    TSkinToolButtonParams rec;
    rec.Rect = {2, 2, 18, 18};
    rec.State = kButtonOpaque;
    rec.Color = kBlue;
    rec.Roundness = c.roundness;
    TSkinDefaultPainter::DrawToolButton(s.Canvas(), rec);
    const TColor corner = c.blended ? kWhite : kBlue;
    const TColor beside = c.blended ? BlendColor(kBlue, kWhite, 1, 3) : kBlue;
    for (auto [x, y, dx, dy] : {std::tuple{2, 2, 1, 1}, {17, 2, -1, 1}, {17, 17, -1, -1}, {2, 17, 1, -1}}) {
      EXPECT_EQ(s.At(x, y), corner) << x << "," << y;
      EXPECT_EQ(s.At(x + dx, y), beside) << x << "," << y;
      EXPECT_EQ(s.At(x, y + dy), beside) << x << "," << y;
      EXPECT_EQ(s.At(x + dx, y + dy), kBlue) << x << "," << y;
    }
  }
}

class DefaultPainterTextPixels : public ::testing::Test {
 protected:
  platform::testing::BundledFont m_bundled;
  platform::TFont m_font;
};

TEST_F(DefaultPainterTextPixels, LongTextEndsInsideItsRectangle) {
  Surface s(120, 30);
  TSkinTextParams rec;
  rec.Text = "A caption far too long for its band";
  rec.Rect = {10, 5, 70, 25};
  rec.Font = &m_font;
  rec.Color = kBlack;
  rec.Layout = silCenter;
  rec.GlyphLayout = 1;
  TSkinDefaultPainter::DrawBandItemText(s.Canvas(), rec);
  const TRect ink = s.Ink({0, 0, 120, 30});
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.Left, 10);
  EXPECT_LE(ink.Right, 70);
  // The ellipsis reaches the far end, so the text is cut, not clipped mid-letter at the start.
  EXPECT_GT(ink.Right, 55);
  EXPECT_GE(ink.Top, 5);
  EXPECT_LE(ink.Bottom, 25);
}

TEST_F(DefaultPainterTextPixels, VerticalTextRunsUpwards) {
  Surface s(30, 120);
  TSkinTextParams rec;
  rec.Text = "Caption";
  rec.Rect = {5, 5, 25, 115};
  rec.Font = &m_font;
  rec.Color = kBlack;
  rec.Horizontal = 0;
  TSkinDefaultPainter::DrawBandItemText(s.Canvas(), rec);
  const TRect ink = s.Ink({0, 0, 30, 120});
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GT(ink.Height(), 2 * ink.Width());
  // Measured from the bottom: the text starts near the bottom edge.
  EXPECT_GT(ink.Bottom, 100);
}

TEST_F(DefaultPainterTextPixels, ShadowSitsBesideTheText) {
  Surface s(60, 30);
  TSkinTextParams rec;
  rec.Text = "I";
  rec.Rect = {10, 5, 50, 25};
  rec.Font = &m_font;
  rec.Color = kBlack;
  rec.Layout = silCenter;
  rec.ShadowEdges = EdgeBit(sebRight);
  rec.ShadowColor = kRed;
  rec.ShadowDepth = 3;
  TSkinDefaultPainter::DrawBandItemText(s.Canvas(), rec);
  int red = 0;
  int black = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      red += s.At(x, y) == kRed;
      black += s.At(x, y) == kBlack;
    }
  EXPECT_GT(red, 0);
  EXPECT_GT(black, 0);
}

}  // namespace
}  // namespace halbrin::skins
