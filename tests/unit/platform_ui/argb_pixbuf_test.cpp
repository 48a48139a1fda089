#include "platform/ui/argb_pixbuf.h"

#include <array>

#include <gtest/gtest.h>

namespace halbrin::platform {
namespace {

std::array<int, 4> RgbaAt(GdkPixbuf* pixbuf, int x, int y) {
  const guchar* p = gdk_pixbuf_get_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

TEST(PixbufFromArgb, PremultipliedPixelsBecomeStraightRgbaInPlace) {
  struct Case {
    std::uint32_t argb;
    std::array<int, 4> rgba;
  };
  const Case cases[] = {
      {0xFF102030, {0x10, 0x20, 0x30, 0xFF}},  // opaque: unchanged
      {0x80402010, {128, 64, 32, 128}},        // half: doubled, rounded to the nearest
      {0x01010101, {255, 255, 255, 1}},
      {0x00000000, {0, 0, 0, 0}},              // transparent: nothing to divide
      {0x40FF0000, {255, 0, 0, 64}},           // a channel above its alpha is clamped
  };
  // Each pixel at its own place of a picture with more columns than rows.
  TArgbImage image(static_cast<std::int32_t>(std::size(cases)), 2, 0xFF000000);
  for (std::size_t i = 0; i < std::size(cases); ++i) image.SetPixel(static_cast<std::int32_t>(i), 1, cases[i].argb);
  const GObjectPtr<GdkPixbuf> pixbuf = PixbufFromArgb(image);
  ASSERT_TRUE(pixbuf);
  EXPECT_EQ(gdk_pixbuf_get_width(pixbuf.Get()), image.Width);
  EXPECT_EQ(gdk_pixbuf_get_height(pixbuf.Get()), 2);
  EXPECT_TRUE(gdk_pixbuf_get_has_alpha(pixbuf.Get()));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(RgbaAt(pixbuf.Get(), static_cast<int>(i), 1), cases[i].rgba) << "pixel " << i;
    EXPECT_EQ(RgbaAt(pixbuf.Get(), static_cast<int>(i), 0), (std::array<int, 4>{0, 0, 0, 255})) << "row 0, " << i;
  }
}

TEST(PixbufFromArgb, AnEmptyOrShortPictureGivesNone) {
  EXPECT_FALSE(PixbufFromArgb(TArgbImage{}));
  TArgbImage shortOne(4, 4);
  shortOne.Pixels.resize(15);
  EXPECT_FALSE(PixbufFromArgb(shortOne));
}

}  // namespace
}  // namespace halbrin::platform
