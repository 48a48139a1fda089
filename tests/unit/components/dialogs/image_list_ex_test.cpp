// Script image lists from image files the tests write with GdkPixbuf: cells
// cut from the top row, files added one after another, mask colour keying,
// failed loads that change nothing, and size changes that clear.

#include "components/dialogs/image_list_ex.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/component_wrappers.h"
#include "platform/automation/dispatch.h"
#include "platform/base/glib_ptr.h"
#include "platform/graphics/image_decoder.h"
#include "platform/graphics/picture.h"
#include "platform/services/desktop_service.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::GObjectPtr;
using platform::IDispatchObject;
using platform::RefPtr;
using platform::TArgbImage;
using platform::TColor;

// Straight RGBA of pixel (x, y).
using PixelFn = std::function<std::uint32_t(int x, int y)>;

// Cell n of a strip is a solid colour with red n * 16 + 15, opaque.
std::uint32_t CellColour(int x, int, int width = 16) { return (static_cast<std::uint32_t>(x / width * 16 + 15) << 24) | 0x2040FFu; }

class ImageListExTest : public FrameworkTest {
 protected:
  std::string WritePng(const std::string& name, int width, int height, const PixelFn& pixel) const {
    auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height));
    const int stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.Get());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 4; ++c) pixels[y * stride + x * 4 + c] = static_cast<guchar>(pixel(x, y) >> (24 - 8 * c));
    const std::string path = m_folder.Path(name);
    EXPECT_TRUE(gdk_pixbuf_save(pixbuf.Get(), path.c_str(), "png", nullptr, nullptr));
    return path;
  }
  std::string WriteStrip(const std::string& name, int width, int height = 16) const {
    return WritePng(name, width, height, [](int x, int y) { return CellColour(x, y); });
  }

  testing::TempFolder m_folder{"image_list_test"};
  TImageListEx m_images;
};

TEST_F(ImageListExTest, ARelativeNameLoadsFromTheProjectsFolderAndReadsBackAsGiven) {
  WriteStrip("strip.png", 32);
  platform::SetPictureFolder(m_folder.Path(""));
  m_images.SetFileName("strip.png");
  platform::SetPictureFolder({});
  EXPECT_EQ(m_images.length(), 2);
  EXPECT_EQ(m_images.FileName(), "strip.png");
}

TEST_F(ImageListExTest, FilesAddTheirCellsAndTheSameNameAddsOnce) {
  const std::string first = WriteStrip("first.png", 48);
  const std::string second = WriteStrip("second.png", 32);
  m_images.SetFileName(first);
  EXPECT_EQ(m_images.length(), 3);
  EXPECT_EQ(m_images.FileName(), first);
  m_images.SetFileName(first);
  EXPECT_EQ(m_images.length(), 3) << "the same name again adds nothing";
  m_images.SetFileName(second);
  EXPECT_EQ(m_images.length(), 5) << "earlier images stay";
  for (int i = 0; i < 5; ++i) {
    const int cell = i < 3 ? i : i - 3;
    EXPECT_EQ(m_images.Image(i)->Pixel(0, 0), 0xFF000000u | static_cast<std::uint32_t>(cell * 16 + 15) << 16 | 0x2040u)
        << "image " << i;
  }

  SetPropertyValueEx(m_images, "empty", Variant(false));
  EXPECT_EQ(m_images.length(), 5) << "false does nothing";
  SetPropertyValueEx(m_images, "empty", Variant(true));
  EXPECT_EQ(m_images.length(), 0);
  EXPECT_TRUE(m_images.empty());
  m_images.SetFileName(second);
  EXPECT_EQ(m_images.length(), 2) << "an emptied list loads the same file again";
}

TEST_F(ImageListExTest, CellsComeFromTheTopRowPaddedAndWholeOnly) {
  m_images.SetWidth(16);
  m_images.SetHeight(16);
  // 40 wide: two whole cells, the partial third dropped; 8 high: padded.
  const std::string low = WriteStrip("low.png", 40, 8);
  m_images.SetFileName(low);
  ASSERT_EQ(m_images.length(), 2);
  EXPECT_NE(m_images.Image(1)->Pixel(15, 7), 0u);
  EXPECT_EQ(m_images.Image(1)->Pixel(15, 8), 0u) << "rows below the file are transparent";

  // 32 high: only the top 16 rows count.
  m_images.setEmpty(true);
  const std::string tall = WritePng("tall.png", 16, 32, [](int, int y) { return y < 16 ? 0x112233FFu : 0x445566FFu; });
  m_images.SetFileName(tall);
  ASSERT_EQ(m_images.length(), 1);
  EXPECT_EQ(*m_images.Image(0), TArgbImage(16, 16, 0xFF112233u));
}

TEST_F(ImageListExTest, TheMaskColourKeysExactMatchesOnly) {
  const TColor buttonFace = platform::SystemColor(15);
  const TColor face = platform::ColorToRGB(buttonFace);
  const std::uint32_t faceRgba = static_cast<std::uint32_t>(platform::RedOf(face)) << 24 |
                                 static_cast<std::uint32_t>(platform::GreenOf(face)) << 16 |
                                 static_cast<std::uint32_t>(platform::BlueOf(face)) << 8;
  // Column 0 magenta, 1 almost magenta, 2 the button face, 3 half-covered blue.
  const PixelFn pixel = [faceRgba](int x, int) -> std::uint32_t {
    switch (x) {
      case 0: return 0xFF00FFFFu;
      case 1: return 0xFE00FFFFu;
      case 2: return faceRgba | 0xFF;
      default: return 0x0000FF80u;
    }
  };
  const struct {
    const char* name;
    TColor mask;
    std::array<bool, 4> keyed;
  } cases[] = {
      {"clNone", platform::clNone, {false, false, false, false}},
      {"clDefault", platform::clDefault, {false, false, false, false}},
      {"magenta", platform::RGBColor(255, 0, 255), {true, false, false, false}},
      {"a system colour, resolved", buttonFace, {false, false, true, false}},
  };
  m_images.SetWidth(4);
  m_images.SetHeight(1);
  int file = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_images.setEmpty(true);
    m_images.SetMaskColor(c.mask);
    m_images.SetFileName(WritePng("mask" + std::to_string(++file) + ".png", 4, 1, pixel));
    ASSERT_EQ(m_images.length(), 1);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(m_images.Image(0)->Pixel(x, 0) == 0, c.keyed[x]) << "column " << x;
    EXPECT_EQ(m_images.Image(0)->Pixel(3, 0), c.keyed[3] ? 0u : 0x80000080u) << "the file's own alpha is kept";
  }
}

TEST_F(ImageListExTest, AFailedLoadRaisesAndLeavesListAndName) {
  const std::string good = WriteStrip("good.png", 32);
  m_images.SetFileName(good);
  const std::string narrow = WriteStrip("narrow.png", 10);
  const struct {
    const char* name;
    std::string path;
    std::string message;
  } cases[] = {
      {"a missing file", m_folder.Path("missing.png"), ""},
      {"not an image", m_folder.Write("notes.png", std::string_view("plain text")), ""},
      {"narrower than one image", narrow,
       "Image file \"" + narrow + "\" is narrower than the image width (16)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      m_images.SetFileName(c.path);
      ADD_FAILURE() << "no exception";
    } catch (const platform::EInvalidGraphic& e) {
      if (!c.message.empty()) {
        EXPECT_EQ(e.what(), c.message);
      }
    }
    EXPECT_EQ(m_images.length(), 2);
    EXPECT_EQ(m_images.FileName(), good);
  }
  // The name that failed is not stored, so it can be tried again once it loads.
  WriteStrip("missing.png", 16);
  m_images.SetFileName(m_folder.Path("missing.png"));
  EXPECT_EQ(m_images.length(), 3);
}

TEST_F(ImageListExTest, BackslashesReadAsSlashes) {
  WriteStrip("strip.png", 16);
  std::string windowsStyle = m_folder.Path("strip.png");
  std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
  m_images.SetFileName(windowsStyle);
  EXPECT_EQ(m_images.length(), 1);
  EXPECT_EQ(m_images.FileName(), m_folder.Path("strip.png"));
}

TEST_F(ImageListExTest, SizeChangesClearAndSizesStayPositive) {
  m_images.SetFileName(WriteStrip("strip.png", 48));
  ASSERT_EQ(m_images.length(), 3);
  SetPropertyValueEx(m_images, "Width", Variant(24));
  EXPECT_EQ(m_images.length(), 0);
  m_images.SetFileName(WriteStrip("strip2.png", 48));
  EXPECT_EQ(m_images.length(), 2);
  SetPropertyValueEx(m_images, "Height", Variant(8));
  EXPECT_EQ(m_images.length(), 0);
  EXPECT_ANY_THROW(SetPropertyValueEx(m_images, "Width", Variant(0)));
  EXPECT_EQ(m_images.Width(), 24);
}

TEST_F(ImageListExTest, TheListIsARegisteredComponentOfTypeImages) {
  RegisterImageListComponentTypes();
  EXPECT_EQ(m_images.GetTypeName(), "images");
  EXPECT_NE(std::find(m_hooks.registered.begin(), m_hooks.registered.end(), &m_images), m_hooks.registered.end());
  EXPECT_NE(dynamic_cast<TImageListEx*>(CreateComponentByType(&m_hooks.root, "images", "toolbar")), nullptr);
  // Scripts read the images' count as the list's length, not its owned components.
  m_images.SetFileName(WriteStrip("strip.png", 48));
  RefPtr<IDispatchObject> wrapper = platform::MakeRef<halbrin::TComponent>(&m_images);
  EXPECT_EQ(platform::GetProperty(*wrapper, "length"), Variant(3));
  // The class library's other members are not published.
  EXPECT_ANY_THROW(SetPropertyValueEx(m_images, "masked", Variant(true)));
}

}  // namespace
}  // namespace halbrin::framework_test
