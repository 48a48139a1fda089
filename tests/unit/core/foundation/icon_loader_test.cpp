#include "core/foundation/icon_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::Variant;

// An ICO file with `count` tiny images (the directory and the image bytes;
// the pixels do not matter here).
std::vector<std::uint8_t> IcoFile(int count, int declared = -1) {
  std::vector<std::uint8_t> bytes = {0, 0, 1, 0, static_cast<std::uint8_t>(declared < 0 ? count : declared), 0};
  const std::size_t dataStart = 6 + 16 * static_cast<std::size_t>(count);
  for (int i = 0; i < count; ++i) {
    const std::uint32_t size = 8;
    const auto offset = static_cast<std::uint32_t>(dataStart + 8 * static_cast<std::size_t>(i));
    const std::uint8_t entry[16] = {16, 16, 0, 0, 1, 0, 32, 0,
                                    static_cast<std::uint8_t>(size), 0, 0, 0,
                                    static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(offset >> 8), 0, 0};
    bytes.insert(bytes.end(), std::begin(entry), std::end(entry));
  }
  for (int i = 0; i < count; ++i) bytes.insert(bytes.end(), 8, static_cast<std::uint8_t>(0xA0 + i));
  return bytes;
}

class IconLoaderTest : public ::testing::Test {
 protected:
  IconLoaderTest() {
    fs::create_directories(m_temp.Path("My Icons"));
    Write("app.ico", IcoFile(2));
    Write("My Icons/odd,name.ico", IcoFile(1));
    Write("pic.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13});
    Write("text.txt", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'c', 'o', 'n'});
    // Says three images, holds the directory of one.
    std::vector<std::uint8_t> broken = IcoFile(1, 3);
    Write("broken.ico", broken);
    // A shared object is never an icon file, and is never loaded.
    fs::copy_file("/proc/self/exe", m_temp.Path("library.so"));
  }

  void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) { m_temp.Write(name, bytes); }
  std::string Path(const std::string& name) const { return m_temp.Path(name); }

  // An icon that already holds an image, so "unchanged" and "cleared" differ.
  static IconHandle Preloaded(const std::shared_ptr<const IconImage>& sentinel) {
    IconHandle icon;
    icon.Assign(sentinel);
    return icon;
  }

  testing::TempFolder m_temp{"icon_loader_test"};
};

TEST_F(IconLoaderTest, EmptyValuesClearTheIcon) {
  const auto sentinel = std::make_shared<IconImage>(IconImage{"sentinel", 0, {1}});
  for (const Variant& value : {Variant(), Variant::Null(), Variant(""), Variant("  \t ")}) {
    IconHandle icon = Preloaded(sentinel);
    EXPECT_EQ(LoadIconFromVariant(icon, value), TIconLoadResult::Cleared) << value.TypeName();
    EXPECT_TRUE(icon.Empty()) << value.TypeName();
  }
}

TEST_F(IconLoaderTest, FilesAndFileIndexPairsLoad) {
  const struct {
    std::string text;
    std::string file;
    int index;
  } cases[] = {
      {Path("app.ico"), Path("app.ico"), 0},
      {"  " + Path("app.ico") + "  ", Path("app.ico"), 0},
      {Path("app.ico") + ",1", Path("app.ico"), 1},
      {Path("app.ico") + " , 1 ", Path("app.ico"), 1},
      {Path("pic.png"), Path("pic.png"), 0},
      {Path("pic.png") + ",0", Path("pic.png"), 0},
      // Blanks and commas inside the path: the split is at the last comma.
      {Path("My Icons/odd,name.ico"), Path("My Icons/odd,name.ico"), 0},
      {Path("My Icons/odd,name.ico") + ",0", Path("My Icons/odd,name.ico"), 0},
  };
  const auto sentinel = std::make_shared<IconImage>(IconImage{"sentinel", 0, {1}});
  for (const auto& c : cases) {
    IconHandle icon = Preloaded(sentinel);
    EXPECT_EQ(LoadIconFromVariant(icon, Variant(c.text)), TIconLoadResult::Loaded) << c.text;
    ASSERT_FALSE(icon.Empty()) << c.text;
    ASSERT_NE(icon.Image(), sentinel.get()) << c.text;
    EXPECT_EQ(icon.Image()->path, c.file) << c.text;
    EXPECT_EQ(icon.Image()->index, c.index) << c.text;
    const std::string stored = testing::ReadFile(c.file);
    const std::vector<std::uint8_t> bytes(stored.begin(), stored.end());
    EXPECT_EQ(icon.Image()->bytes, bytes) << c.text;
  }
}

TEST_F(IconLoaderTest, BackslashesAreSeparators) {
  std::string text = Path("app.ico") + ",1";
  for (char& c : text)
    if (c == '/') c = '\\';
  IconHandle icon;
  LoadIconFromVariant(icon, Variant(text));
  ASSERT_FALSE(icon.Empty());
  EXPECT_EQ(icon.Image()->path, Path("app.ico"));
  EXPECT_EQ(icon.Image()->index, 1);
}

TEST_F(IconLoaderTest, OtherValuesLeaveTheIconUnchanged) {
  const std::vector<Variant> values = {
      Variant(Path("missing.ico")),
      Variant(Path("missing.dll") + ",3"),
      Variant(Path("app.ico") + ",2"),
      Variant(Path("app.ico") + ",-1"),
      Variant(Path("app.ico") + ",IDI_MAIN"),
      Variant(Path("app.ico") + ","),
      Variant(Path("pic.png") + ",1"),
      Variant(Path("text.txt")),
      Variant(Path("broken.ico")),
      Variant(Path("broken.ico") + ",2"),
      Variant(Path("library.so")),
      Variant(Path("library.so") + ",0"),
      Variant(m_temp.Path().string()),
      Variant(m_temp.Path().string() + ",0"),
      Variant("no-comma-no-file"),
      Variant(42),
      Variant(true),
      Variant(1.5),
  };
  const auto sentinel = std::make_shared<IconImage>(IconImage{"sentinel", 0, {1}});
  for (const Variant& value : values) {
    IconHandle icon = Preloaded(sentinel);
    EXPECT_EQ(LoadIconFromVariant(icon, value), TIconLoadResult::Left)
        << (value.IsString() ? value.AsString() : value.TypeName());
    EXPECT_EQ(icon.Image(), sentinel.get()) << (value.IsString() ? value.AsString() : value.TypeName());
  }
}

TEST_F(IconLoaderTest, LoadIconFileChecksTheImageIndex) {
  EXPECT_NE(LoadIconFile(Path("app.ico"), 1), nullptr);
  EXPECT_EQ(LoadIconFile(Path("app.ico"), 2), nullptr);
  EXPECT_EQ(LoadIconFile(Path("app.ico"), -1), nullptr);
  EXPECT_EQ(LoadIconFile(Path("broken.ico"), 0), nullptr);
  EXPECT_EQ(LoadIconFile(Path("missing.ico"), 0), nullptr);
}

}  // namespace
}  // namespace halbrin
