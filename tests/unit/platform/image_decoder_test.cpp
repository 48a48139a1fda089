// Image files decoded with GdkPixbuf: PNG files, each image of ICO and CUR
// files (bitmap and PNG entries), premultiplied pixels, and bytes that hold
// no such image. No display is needed.

#include "platform/graphics/image_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace halbrin::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Le(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A PNG file of a width x 1 picture with the given straight RGBA pixels.
Bytes Png(const std::vector<std::uint32_t>& rgba) {
  const int width = static_cast<int>(rgba.size());
  auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, 1));
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.Get());
  for (int x = 0; x < width; ++x)
    for (int c = 0; c < 4; ++c) pixels[x * 4 + c] = static_cast<guchar>(rgba[x] >> (24 - 8 * c));
  gchar* buffer = nullptr;
  gsize size = 0;
  EXPECT_TRUE(gdk_pixbuf_save_to_buffer(pixbuf.Get(), &buffer, &size, "png", nullptr, nullptr));
  Bytes bytes(buffer, buffer + size);
  g_free(buffer);
  return bytes;
}

// A 32-bit bitmap entry of a width x 1 picture (opaque ARGB pixels): the
// header with the doubled height, the colour row, an empty mask row.
Bytes BitmapEntry(const std::vector<std::uint32_t>& argb) {
  const std::uint32_t width = static_cast<std::uint32_t>(argb.size());
  Bytes bytes;
  Le(bytes, 40, 4);
  Le(bytes, width, 4);
  Le(bytes, 2, 4);  // colour and mask rows
  Le(bytes, 1, 2);
  Le(bytes, 32, 2);
  for (int i = 0; i < 6; ++i) Le(bytes, 0, 4);
  for (std::uint32_t pixel : argb) Le(bytes, pixel, 4);  // B, G, R, A in the file
  Le(bytes, 0, 4);                                       // the mask row, padded to four bytes
  return bytes;
}

struct Entry {
  int width;
  Bytes data;
};

// An ICO (type 1) or CUR (type 2) file of the entries, in order.
Bytes IconFile(int type, const std::vector<Entry>& entries) {
  Bytes bytes;
  Le(bytes, 0, 2);
  Le(bytes, static_cast<std::uint32_t>(type), 2);
  Le(bytes, static_cast<std::uint32_t>(entries.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  for (const Entry& entry : entries) {
    bytes.push_back(static_cast<std::uint8_t>(entry.width));
    bytes.push_back(1);
    bytes.push_back(0);
    bytes.push_back(0);
    Le(bytes, type == 1 ? 1 : 3, 2);   // planes, or the hot spot's x
    Le(bytes, type == 1 ? 32 : 0, 2);  // bit count, or the hot spot's y
    Le(bytes, static_cast<std::uint32_t>(entry.data.size()), 4);
    Le(bytes, offset, 4);
    offset += static_cast<std::uint32_t>(entry.data.size());
  }
  for (const Entry& entry : entries) bytes.insert(bytes.end(), entry.data.begin(), entry.data.end());
  return bytes;
}

TArgbImage Row(const std::vector<std::uint32_t>& argb) {
  TArgbImage image(static_cast<std::int32_t>(argb.size()), 1);
  image.Pixels = argb;
  return image;
}

TEST(ImageDecoder, EachImageOfAnIconFileDecodesToPremultipliedPixels) {
  // Straight 0xC8643280 (half-covered) is premultiplied 0x80643219.
  const Bytes png = Png({0xFF0000FFu, 0xC8643280u, 0x00000000u});
  const TArgbImage pngImage = Row({0xFFFF0000u, 0x80643219u, 0x00000000u});
  const Bytes bitmap = BitmapEntry({0xFF102030u, 0xFF405060u});
  const TArgbImage bitmapImage = Row({0xFF102030u, 0xFF405060u});
  const Bytes icon = IconFile(1, {{2, bitmap}, {3, png}});
  const Bytes cursor = IconFile(2, {{2, bitmap}});
  struct Case {
    const char* name;
    Bytes bytes;
    int index;
    std::optional<TArgbImage> image;
  } const cases[] = {
      {"a PNG file", png, 0, pngImage},
      {"a PNG file has one image", png, 1, std::nullopt},
      {"an icon's bitmap entry", icon, 0, bitmapImage},
      {"an icon's PNG entry", icon, 1, pngImage},
      {"past the icon's entries", icon, 2, std::nullopt},
      {"a negative index", icon, -1, std::nullopt},
      {"a cursor's bitmap entry", cursor, 0, bitmapImage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<TArgbImage> decoded = DecodeIconBytes(c.bytes, c.index);
    ASSERT_EQ(decoded.has_value(), c.image.has_value());
    if (decoded) {
      EXPECT_EQ(*decoded, *c.image);
    }
  }
}

TEST(ImageDecoder, BytesWithoutSuchAnImageDecodeToNothing) {
  const Bytes png = Png({0xFF0000FFu});
  Bytes truncated = IconFile(1, {{1, png}});
  truncated.resize(truncated.size() - 10);
  Bytes beyond = IconFile(1, {{1, png}});
  beyond[6 + 15] = 0x01;  // the entry's data would start 16 MiB on, past the end
  Bytes badPng = png;
  badPng.resize(20);
  Bytes wrongType = IconFile(1, {{1, png}});
  wrongType[2] = 3;
  struct Case {
    const char* name;
    Bytes bytes;
  } const cases[] = {
      {"nothing", {}},
      {"text", Bytes{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'}},
      {"an entry cut short", truncated},
      {"an entry past the end", beyond},
      {"a PNG cut short", badPng},
      {"a directory of another type", wrongType},
      {"a directory without entries", IconFile(1, {})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(DecodeIconBytes(c.bytes, 0).has_value());
    EXPECT_FALSE(PixbufFromIconBytes(c.bytes, 0));
  }
}

TEST(ImageDecoder, APictureWithoutAlphaIsOpaque) {
  auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 2, 2));
  gdk_pixbuf_fill(pixbuf.Get(), 0x336699FFu);
  const std::optional<TArgbImage> image = ArgbFromPixbuf(pixbuf.Get());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(*image, TArgbImage(2, 2, 0xFF336699u));
  EXPECT_FALSE(ArgbFromPixbuf(nullptr).has_value());
}

// A BMP file of a width x 1 picture, 24 bits, bottom-up (B, G, R per pixel).
Bytes Bmp(const std::vector<std::uint32_t>& rgb) {
  const std::uint32_t width = static_cast<std::uint32_t>(rgb.size());
  const std::uint32_t rowSize = (width * 3 + 3) / 4 * 4;
  Bytes bytes{'B', 'M'};
  Le(bytes, 54 + rowSize, 4);
  Le(bytes, 0, 4);
  Le(bytes, 54, 4);
  Le(bytes, 40, 4);
  Le(bytes, width, 4);
  Le(bytes, 1, 4);
  Le(bytes, 1, 2);
  Le(bytes, 24, 2);
  Le(bytes, 0, 4);
  Le(bytes, rowSize, 4);
  for (int i = 0; i < 4; ++i) Le(bytes, 0, 4);
  for (std::uint32_t pixel : rgb) Le(bytes, pixel, 3);
  bytes.resize(54 + rowSize, 0);
  return bytes;
}

TEST(ImageDecoder, ImageFilesOfEveryReadableFormatDecode) {
  const testing::TempFolder folder;
  const std::string png = folder.Write("strip.png", Png({0xFF0000FFu, 0xC8643280u}));
  const std::string bmp = folder.Write("strip.bmp", Bmp({0x102030u, 0x405060u, 0x708090u}));
  // The extension is no guide: GdkPixbuf sniffs the bytes.
  const std::string misnamed = folder.Write("strip.txt", Png({0x00FF00FFu}));
  EXPECT_EQ(DecodeImageFile(png), Row({0xFFFF0000u, 0x80643219u}));
  EXPECT_EQ(DecodeImageFile(bmp), Row({0xFF102030u, 0xFF405060u, 0xFF708090u}));
  EXPECT_EQ(DecodeImageFile(misnamed), Row({0xFF00FF00u}));
}

TEST(ImageDecoder, AFileThatDoesNotDecodeRaisesGdkPixbufsMessage) {
  const testing::TempFolder folder;
  Bytes cut = Png({0xFF0000FFu, 0xFF0000FFu});
  cut.resize(cut.size() / 2);
  struct Case {
    const char* name;
    std::string path;
    const char* messagePart;
  } const cases[] = {
      {"a missing file", folder.Path("missing.png"), "missing.png"},
      {"text", folder.Write("notes.png", std::string_view("not an image")), "notes.png"},
      {"a PNG cut short", folder.Write("cut.png", cut), ""},
      {"a folder", folder.Path().string(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodeImageFile(c.path);
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()), "");
      EXPECT_NE(std::string(e.what()).find(c.messagePart), std::string::npos) << e.what();
      EXPECT_EQ(e.ClassName(), "EInvalidGraphic");
    }
  }
}

}  // namespace
}  // namespace halbrin::platform
