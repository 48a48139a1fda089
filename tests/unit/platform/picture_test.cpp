// TPicture: image files through the shared decoder, the error that keeps the
// old graphic, relative names from the picture folder, Transparent's colour
// key and the change notification.

#include "platform/graphics/picture.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/classes/component.h"
#include "platform/classes/property_access.h"

namespace halbrin::platform {
namespace {

namespace fs = std::filesystem;

// Counts change notifications.
class Listener final : public TComponent {
 public:
  void Changed(TObject*) { ++changes; }
  int changes = 0;
};

class PictureTest : public ::testing::Test {
 protected:
  PictureTest() {
    char* made = g_dir_make_tmp("picture-XXXXXX", nullptr);
    dir = made;
    g_free(made);
    picture.OnChange().Bind(listener, &Listener::Changed);
  }
  ~PictureTest() override { fs::remove_all(dir); }

  // A width x height file of `format` filled with straight RGBA `rgba`, its
  // bottom-left pixel `corner`; alpha is kept only when `alpha`.
  std::string Write(const std::string& name, const char* format, int width, int height, std::uint32_t rgba,
                    std::uint32_t corner, bool alpha) {
    auto pixbuf = GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height));
    const int channels = alpha ? 4 : 3, stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.Get());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint32_t value = (x == 0 && y == height - 1) ? corner : rgba;
        for (int c = 0; c < channels; ++c) pixels[y * stride + x * channels + c] = static_cast<guchar>(value >> (24 - 8 * c));
      }
    const std::string path = (fs::path(dir) / name).string();
    EXPECT_TRUE(gdk_pixbuf_save(pixbuf.Get(), path.c_str(), format, nullptr, nullptr));
    return path;
  }

  std::string dir;
  Listener listener;
  TPicture picture;
};

TEST_F(PictureTest, LoadsFilesOfEachFormatAsPremultipliedPixels) {
  const struct {
    const char* name;
    const char* format;
    bool alpha;
    std::uint32_t rgba;
    std::uint32_t argb;
  } cases[] = {
      {"a.png", "png", true, 0xFF000080u, 0x80800000u},  // half-transparent red, premultiplied
      {"b.bmp", "bmp", false, 0x00FF00FFu, 0xFF00FF00u},
      {"c.png", "png", false, 0x0000FFFFu, 0xFF0000FFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, c.format, 5, 3, c.rgba, c.rgba, c.alpha);
    const int before = listener.changes;
    picture.SetFileName(path);
    EXPECT_EQ(picture.FileName(), path);
    EXPECT_FALSE(picture.Empty());
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 3);
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->Pixel(2, 1), c.argb);
    EXPECT_EQ(listener.changes, before + 1);
  }
}

TEST_F(PictureTest, BackslashesReadAsSlashesAndAnEmptyNameClears) {
  const std::string path = Write("d.png", "png", 2, 2, 0xFFFFFFFFu, 0xFFFFFFFFu, true);
  std::string windowsStyle = path;
  for (char& ch : windowsStyle)
    if (ch == '/') ch = '\\';
  picture.SetFileName(windowsStyle);
  EXPECT_EQ(picture.FileName(), path);
  EXPECT_EQ(picture.Width(), 2);
  picture.SetFileName("");
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.FileName(), "");
  EXPECT_EQ(picture.Width(), 0);
}

// Restores the picture folder the case changed.
class PictureFolderScope {
 public:
  explicit PictureFolderScope(std::string folder) : m_before(PictureFolder()) { SetPictureFolder(std::move(folder)); }
  ~PictureFolderScope() { SetPictureFolder(m_before); }
  PictureFolderScope(const PictureFolderScope&) = delete;
  PictureFolderScope& operator=(const PictureFolderScope&) = delete;

 private:
  std::string m_before;
};

TEST_F(PictureTest, RelativeNamesLoadFromThePictureFolderAndKeepTheGivenName) {
  fs::create_directories(fs::path(dir) / "skins");
  Write("skins/icon.png", "png", 3, 2, 0xFFFFFFFFu, 0xFFFFFFFFu, true);
  const std::string absolute = Write("top.png", "png", 5, 4, 0xFFFFFFFFu, 0xFFFFFFFFu, true);
  PictureFolderScope folder(dir);
  const struct {
    std::string given;
    std::string kept;
    int width;
  } cases[] = {
      {"skins/icon.png", "skins/icon.png", 3},
      {"skins\\icon.png", "skins/icon.png", 3},
      {absolute, absolute, 5},  // an absolute name stays as it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    picture.SetFileName(c.given);
    EXPECT_EQ(picture.FileName(), c.kept);
    EXPECT_EQ(picture.Width(), c.width);
  }
  // Not in the folder: the error names the file as given.
  try {
    picture.SetFileName("icon.png");
    ADD_FAILURE() << "no exception";
  } catch (const EPictureError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot load picture \"icon.png\": ", 0), 0u) << e.what();
  }
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(ResolvePictureFileName("skins\\icon.png"), (fs::path(dir) / "skins/icon.png").string());
  SetPictureFolder("");
  EXPECT_EQ(ResolvePictureFileName("skins\\icon.png"), "skins/icon.png") << "no folder: the current one";
}

TEST_F(PictureTest, AFileThatDoesNotLoadRaisesAndKeepsTheOldGraphic) {
  const std::string good = Write("e.png", "png", 4, 4, 0x102030FFu, 0x102030FFu, true);
  const std::string text = (fs::path(dir) / "notes.png").string();
  std::ofstream(text) << "not a picture";
  picture.SetFileName(good);
  const TArgbImage kept = picture.Image();
  const int changes = listener.changes;
  for (const std::string& bad : {text, (fs::path(dir) / "missing.png").string()}) {
    SCOPED_TRACE(bad);
    try {
      picture.SetFileName(bad);
      ADD_FAILURE() << "no exception";
    } catch (const EPictureError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Cannot load picture \"" + bad + "\": ", 0), 0u) << message;
      EXPECT_GT(message.size(), ("Cannot load picture \"" + bad + "\": ").size()) << "the reason is given";
    }
    EXPECT_EQ(picture.FileName(), good);
    EXPECT_EQ(picture.Image(), kept);
  }
  EXPECT_EQ(listener.changes, changes);
}

TEST_F(PictureTest, TransparentKeysOutTheBottomLeftColourOfOpaqueGraphicsOnly) {
  // Opaque blue with a red bottom-left pixel and one more red pixel elsewhere.
  const std::string path = Write("f.bmp", "bmp", 3, 2, 0x0000FFFFu, 0xFF0000FFu, false);
  picture.SetFileName(path);
  TArgbImage image = picture.Image();
  image.SetPixel(2, 0, 0xFFFF0000u);
  picture.SetImage(image);
  const int changes = listener.changes;
  picture.SetTransparent(true);
  EXPECT_EQ(listener.changes, changes + 1);
  EXPECT_EQ(picture.Graphic()->Pixel(0, 1), 0u);
  EXPECT_EQ(picture.Graphic()->Pixel(2, 0), 0u);
  EXPECT_EQ(picture.Graphic()->Pixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(picture.Image().Pixel(0, 1), 0xFFFF0000u) << "the loaded graphic stays whole";
  picture.SetTransparent(false);
  EXPECT_EQ(picture.Graphic()->Pixel(0, 1), 0xFFFF0000u);

  // A graphic with alpha of its own keeps every pixel.
  picture.SetFileName(Write("g.png", "png", 2, 2, 0x00FF0080u, 0x00FF00FFu, true));
  picture.SetTransparent(true);
  EXPECT_EQ(picture.Graphic()->Pixel(0, 1), 0xFF00FF00u);
}

TEST_F(PictureTest, AssignAndPublishedValues) {
  picture.SetFileName(Write("h.png", "png", 3, 3, 0xFFFFFFFFu, 0xFFFFFFFFu, true));
  picture.SetTransparent(true);
  TPicture copy;
  copy.Assign(picture);
  EXPECT_EQ(copy.FileName(), picture.FileName());
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.Image(), picture.Image());

  TPicture other;
  SetStrProp(other, RequirePropInfo(other, "fileName"), picture.FileName());
  EXPECT_EQ(GetOrdProp(other, RequirePropInfo(other, "Width")), 3);
  EXPECT_EQ(GetOrdProp(other, RequirePropInfo(other, "Height")), 3);
  EXPECT_EQ(GetOrdProp(other, RequirePropInfo(other, "Empty")), 0);
  EXPECT_FALSE(RequirePropInfo(other, "Width").IsWritable());
}

}  // namespace
}  // namespace halbrin::platform
