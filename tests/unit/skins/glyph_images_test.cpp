#include "skins/core/glyph_images.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/cairo/cairo_canvas.h"
#include "platform/services/desktop_service.h"
#include "skins/core/default_painter.h"

namespace halbrin::skins {
namespace {

using platform::TArgbImage;
using platform::TPoint;

constexpr TColor kText = 0x302010;    // button text
constexpr TColor kFace = 0xC8C4C0;    // button face
constexpr TColor kWindow = 0xF0E8E0;  // window
constexpr TColor kShadow = 0x808080;  // button shadow

// Distinct colours for the glyph, the button face and the window.
class ColorDesktop final : public platform::HeadlessDesktopService {
 public:
  TColor SystemColor(int index) const override {
    switch (index) {
      case platform::COLOR_BTNTEXT: return kText;
      case platform::COLOR_BTNFACE: return kFace;
      case platform::COLOR_WINDOW: return kWindow;
      case platform::COLOR_BTNSHADOW: return kShadow;
      default: return HeadlessDesktopService::SystemColor(index);
    }
  }
};

constexpr std::uint32_t Opaque(TColor c) {
  return 0xFF000000u | (c & 0xFFu) << 16 | (c >> 8 & 0xFFu) << 8 | (c >> 16 & 0xFFu);
}

// The image as rows of '#' (alpha at least 128) and '.', for failure messages.
std::string Picture(const TArgbImage& image) {
  std::string text;
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) text += (image.Pixel(x, y) >> 24) >= 128 ? '#' : '.';
    text += '\n';
  }
  return text;
}

class GlyphImagesTest : public ::testing::Test {
 protected:
  ColorDesktop desktop;
  platform::ScopedDesktopService scope{desktop};
};

TEST_F(GlyphImagesTest, ListsHoldTheirGlyphsAtTheirSizes) {
  struct Case {
    const char* what;
    void (*build)(TCustomImageList&, int);
    int size;
    int count, width;
  };
  const Case cases[] = {
      {"buttons", [](TCustomImageList& l, int s) { BuildButtonImages(l, s); }, 17, kSkinButtonStyleCount, 17},
      {"unmasked buttons", [](TCustomImageList& l, int s) { BuildButtonImages(l, s, false); }, 15, 9, 15},
      {"buttons of no size", [](TCustomImageList& l, int s) { BuildButtonImages(l, s); }, 0, 9, 1},
      {"arrows", BuildArrowImages, 8, 4, 8},
      {"arrows of a negative size", BuildArrowImages, -3, 4, 1},
      {"options", [](TCustomImageList& l, int) { BuildOptionImages(l); }, 0, kSkinOptionImageCount, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCustomImageList list;
    list.SetWidth(40);
    list.Add(TArgbImage(40, 16));
    c.build(list, c.size);
    EXPECT_EQ(list.Count(), c.count) << "what was there is gone";
    EXPECT_EQ(list.Width(), c.width);
    EXPECT_EQ(list.Height(), c.width);
  }
}

TEST_F(GlyphImagesTest, EachButtonGlyphIsOpaqueOnlyWhereItsShapeIs) {
  // At 17 pixels the glyphs take the 9x9 square from (4, 4).
  struct Case {
    TZebrinSkinButtonStyle style;
    std::vector<TPoint> on, off;
  };
  const Case cases[] = {
      {btsClose, {{4, 4}, {8, 8}, {12, 4}}, {{8, 5}, {8, 12}, {4, 8}}},
      {btsMaximize, {{4, 4}, {12, 12}, {8, 5}}, {{8, 8}, {8, 6}}},
      {btsRestore, {{7, 4}, {12, 8}, {4, 12}}, {{6, 10}, {11, 11}, {4, 5}}},
      {btsMinimize, {{5, 12}, {10, 11}}, {{8, 8}, {5, 10}, {4, 12}}},
      {btsHelp, {{6, 5}, {6, 11}}, {{6, 10}, {4, 5}}},
      {btsNext, {{10, 8}, {7, 5}, {7, 11}}, {{11, 8}, {7, 4}}},
      {btsPrevious, {{6, 8}, {9, 5}, {9, 11}}, {{5, 8}, {9, 4}}},
      {btsCombo, {{8, 10}, {5, 7}, {11, 7}}, {{8, 11}, {4, 7}}},
      {btsCheck, {{7, 12}, {12, 5}, {4, 8}}, {{7, 9}, {12, 8}}},
  };
  TCustomImageList masked, plain;
  BuildButtonImages(masked, 17);
  BuildButtonImages(plain, 17, false);
  for (const Case& c : cases) {
    const TArgbImage& image = *masked.Image(c.style);
    const TArgbImage& ground = *plain.Image(c.style);
    const std::uint32_t groundColor = Opaque(c.style == btsCheck ? kWindow : kFace);
    SCOPED_TRACE(std::string(SkinButtonStyleInfo().Name(c.style)) + "\n" + Picture(image));
    for (TPoint p : c.on) {
      EXPECT_EQ(image.Pixel(p.X, p.Y), Opaque(kText)) << p.X << "," << p.Y;
      EXPECT_EQ(ground.Pixel(p.X, p.Y), Opaque(kText)) << p.X << "," << p.Y;
    }
    for (TPoint p : c.off) {
      EXPECT_EQ(image.Pixel(p.X, p.Y), 0u) << p.X << "," << p.Y;
      EXPECT_EQ(ground.Pixel(p.X, p.Y), groundColor) << p.X << "," << p.Y;
    }
    EXPECT_EQ(image.Pixel(0, 0), 0u);
    EXPECT_EQ(ground.Pixel(16, 16), groundColor);
  }
}

TEST_F(GlyphImagesTest, GlyphsStayCentredAndInsideSmallAndLargeButtons) {
  for (int size : {5, 13, 15, 24, 40}) {
    TCustomImageList list;
    BuildButtonImages(list, size);
    for (int style = 0; style < list.Count(); ++style) {
      const TArgbImage& image = *list.Image(style);
      SCOPED_TRACE(std::to_string(size) + " " + std::string(SkinButtonStyleInfo().Name(style)) + "\n" + Picture(image));
      int opaque = 0;
      TRect ink{size, size, 0, 0};
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
          if (image.Pixel(x, y) >> 24) {
            ++opaque;
            ink = {std::min(ink.Left, x), std::min(ink.Top, y), std::max(ink.Right, x + 1), std::max(ink.Bottom, y + 1)};
          }
      ASSERT_GT(opaque, 0);
      // The middle half of the button, give or take the odd pixel.
      EXPECT_GE(ink.Left, size / 4 - 1);
      EXPECT_LE(ink.Right, size - size / 4 + 1);
      EXPECT_GE(ink.Top, size / 4 - 1);
      EXPECT_LE(ink.Bottom, size - size / 4 + 1);
    }
  }
}

TEST_F(GlyphImagesTest, ArrowsPointTheirWay) {
  // At 8 pixels: triangles 3 deep with a 5-pixel base about the middle pixel (3, 3).
  TCustomImageList list;
  BuildArrowImages(list, 8);
  const char* expected[] = {
      // left, right, up, down
      "........\n....#...\n...##...\n..###...\n...##...\n....#...\n........\n........\n",
      "........\n..#.....\n..##....\n..###...\n..##....\n..#.....\n........\n........\n",
      "........\n........\n...#....\n..###...\n.#####..\n........\n........\n........\n",
      "........\n........\n.#####..\n..###...\n...#....\n........\n........\n........\n",
  };
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Picture(*list.Image(i)), expected[i]) << i;
    EXPECT_EQ(list.Image(i)->Pixel(3, 3), Opaque(kText));
  }
}

TEST_F(GlyphImagesTest, OptionMasksAreThirteenPixelShapesFromTwoTwo) {
  TCustomImageList list;
  BuildOptionImages(list);
  struct Case {
    TSkinOptionImage image;
    std::vector<TPoint> on, off;
  };
  const Case cases[] = {
      {soiBoxCheck, {{2, 2}, {14, 14}, {14, 2}}, {{3, 3}, {8, 8}, {15, 15}, {1, 1}}},
      {soiBoxCheckGround, {{3, 3}, {13, 13}, {8, 8}}, {{2, 2}, {14, 14}}},
      {soiCheck, {{7, 11}, {11, 6}, {5, 8}}, {{3, 3}, {8, 8}, {12, 6}}},
      {soiBoxOption, {{2, 8}, {14, 8}, {8, 2}, {8, 14}}, {{2, 2}, {8, 8}, {3, 8}}},
      {soiBoxOptionGround, {{3, 8}, {8, 8}, {13, 8}}, {{2, 8}, {3, 3}}},
      {soiOption, {{8, 8}, {6, 8}, {10, 8}}, {{5, 8}, {8, 11}}},
      {soiBoxButton, {{2, 2}, {14, 14}}, {{8, 8}}},
      {soiBoxButtonPlus, {{8, 8}, {5, 8}, {8, 5}, {8, 11}}, {{4, 8}, {8, 4}, {2, 2}}},
      {soiBoxButtonMinus, {{8, 8}, {5, 8}, {11, 8}}, {{8, 5}, {8, 11}, {4, 8}}},
  };
  for (const Case& c : cases) {
    const TArgbImage& image = *list.Image(c.image);
    SCOPED_TRACE(std::to_string(c.image) + "\n" + Picture(image));
    for (TPoint p : c.on) EXPECT_EQ(image.Pixel(p.X, p.Y), Opaque(kText)) << p.X << "," << p.Y;
    for (TPoint p : c.off) EXPECT_EQ(image.Pixel(p.X, p.Y), 0u) << p.X << "," << p.Y;
  }
}

// A white image surface with a canvas on it.
class Surface {
 public:
  explicit Surface(int size)
      : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)), m_cr(cairo_create(m_surface.get())) {
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    m_canvas = std::make_unique<platform::TCairoCanvas>(m_cr);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface() {
    m_canvas.reset();
    cairo_destroy(m_cr);
  }
  platform::TCairoCanvas& Canvas() { return *m_canvas; }
  TColor At(int x, int y) { return m_canvas->GetPixel(x, y); }

 private:
  platform::CairoSurfacePtr m_surface;
  cairo_t* m_cr;
  std::unique_ptr<platform::TCairoCanvas> m_canvas;
};

TEST_F(GlyphImagesTest, ThePainterDrawsCheckBoxesAndExpandBoxesFromTheMasks) {
  TCustomImageList options;
  BuildOptionImages(options);
  TSkinGlyphParams rec;
  rec.Rect = {10, 10, 26, 26};
  rec.State = kButtonOpaque;

  rec.Check = 2;
  Surface checked(40);
  TSkinDefaultPainter::DrawSkinGlyph(checked.Canvas(), rec, options);
  EXPECT_EQ(checked.At(12, 12), kText) << "the box";
  EXPECT_EQ(checked.At(13, 13), kWindow) << "the ground";
  EXPECT_EQ(checked.At(17, 21), kText) << "the mark";
  EXPECT_EQ(checked.At(11, 11), 0xFFFFFFu) << "outside the box";

  rec.Kind = TSkinGlyphKind::ExpandBox;
  for (std::uint8_t check : {std::uint8_t{0}, std::uint8_t{2}}) {
    rec.Check = check;
    Surface expander(40);
    TSkinDefaultPainter::DrawSkinGlyph(expander.Canvas(), rec, options);
    EXPECT_EQ(expander.At(12, 12), kShadow) << "the box";
    EXPECT_EQ(expander.At(15, 18), kText) << "the bar";
    EXPECT_EQ(expander.At(18, 15), check == 0 ? kText : 0xFFFFFFu) << "the plus's upright";
  }
}

TEST_F(GlyphImagesTest, MaskedWindowButtonsTakeTheGlyphColour) {
  TCustomImageList buttons;
  BuildButtonImages(buttons, 17);
  TSkinWindowButtonParams rec;
  rec.Images = &buttons;
  rec.ImageIndex = btsClose;
  rec.X = 3;
  rec.Y = 3;
  Surface plain(30), masked(30);
  TSkinDefaultPainter::DrawWindowButton(plain.Canvas(), rec);
  EXPECT_EQ(plain.At(3 + 8, 3 + 8), kText);
  EXPECT_EQ(plain.At(3 + 8, 3 + 5), 0xFFFFFFu);
  rec.State = kButtonMasked;
  rec.GlyphColor = 0x0000FF;
  TSkinDefaultPainter::DrawWindowButton(masked.Canvas(), rec);
  EXPECT_EQ(masked.At(3 + 8, 3 + 8), 0x0000FFu);
  EXPECT_EQ(masked.At(3 + 8, 3 + 5), 0xFFFFFFu);
}

}  // namespace
}  // namespace halbrin::skins
