#include "core/foundation/file_version.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/foundation/paths.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

// A minimal Windows image with one resource section holding a version
// resource, laid out as a linker would: headers, section table, then the
// resource directory (type, name, language), a data entry and VS_VERSIONINFO.
struct ImageOptions {
  bool pe32Plus = false;
  std::uint32_t resourceType = 16;
  std::uint32_t mostSignificant = 0x00010002;
  std::uint32_t leastSignificant = 0x00030004;
  std::uint32_t signature = 0xFEEF04BD;
  std::uint16_t valueLength = 52;
  // Overrides the data entry's address (relative to the resource section) when set.
  std::uint32_t dataOffset = 0x58;
};

class ImageBuilder {
 public:
  explicit ImageBuilder(std::size_t size) : m_bytes(size, 0) {}
  void Put16(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 2; ++i) m_bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void Put32(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) m_bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::vector<std::uint8_t>& Bytes() { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

constexpr std::uint32_t kResourceRva = 0x1000;
constexpr std::size_t kResourceFileOffset = 0x200;
constexpr std::size_t kVersionInfoSize = 92;  // header 6, key 32, padding 2, fixed block 52

std::vector<std::uint8_t> BuildImage(const ImageOptions& options = {}) {
  const std::size_t resourceSize = 0x58 + kVersionInfoSize;
  ImageBuilder image(kResourceFileOffset + resourceSize);
  image.Put16(0, 0x5A4D);
  image.Put32(0x3C, 0x80);
  image.Put32(0x80, 0x00004550);
  const std::size_t coff = 0x84;
  image.Put16(coff, options.pe32Plus ? 0x8664 : 0x14C);
  image.Put16(coff + 2, 1);
  const std::uint16_t optionalSize = options.pe32Plus ? 240 : 224;
  image.Put16(coff + 16, optionalSize);
  const std::size_t optional = coff + 20;
  image.Put16(optional, options.pe32Plus ? 0x20B : 0x10B);
  const std::size_t directories = options.pe32Plus ? 112 : 96;
  image.Put32(optional + directories - 4, 16);
  image.Put32(optional + directories + 16, kResourceRva);
  image.Put32(optional + directories + 20, static_cast<std::uint32_t>(resourceSize));
  const std::size_t section = optional + optionalSize;
  for (int i = 0; i < 6; ++i) image.Bytes()[section + i] = static_cast<std::uint8_t>(".rsrc"[i]);
  image.Put32(section + 8, static_cast<std::uint32_t>(resourceSize));
  image.Put32(section + 12, kResourceRva);
  image.Put32(section + 16, static_cast<std::uint32_t>(resourceSize));
  image.Put32(section + 20, kResourceFileOffset);

  const std::size_t r = kResourceFileOffset;
  image.Put16(r + 14, 1);  // root: one id entry
  image.Put32(r + 16, options.resourceType);
  image.Put32(r + 20, 0x80000000 | 0x18);
  image.Put16(r + 0x18 + 14, 1);  // names
  image.Put32(r + 0x28, 1);
  image.Put32(r + 0x2C, 0x80000000 | 0x30);
  image.Put16(r + 0x30 + 14, 1);  // languages
  image.Put32(r + 0x40, 0x409);
  image.Put32(r + 0x44, 0x48);
  image.Put32(r + 0x48, kResourceRva + options.dataOffset);  // data entry
  image.Put32(r + 0x4C, kVersionInfoSize);

  const std::size_t v = r + 0x58;
  image.Put16(v, kVersionInfoSize);
  image.Put16(v + 2, options.valueLength);
  const std::string key = "VS_VERSION_INFO";
  for (std::size_t i = 0; i < key.size(); ++i) image.Put16(v + 6 + 2 * i, static_cast<unsigned char>(key[i]));
  image.Put32(v + 40, options.signature);
  image.Put32(v + 44, 0x00010000);
  image.Put32(v + 48, options.mostSignificant);
  image.Put32(v + 52, options.leastSignificant);
  image.Put32(v + 56, 0x00090009);  // product version: must not be taken for the file version
  image.Put32(v + 60, 0x00090009);
  return image.Bytes();
}

const FileVersion kNone{};

TEST(ImageFileVersionTest, ReadsTheFixedBlock) {
  EXPECT_EQ(ReadImageFileVersion(BuildImage()), (FileVersion{1, 2, 3, 4}));
  ImageOptions wide;
  wide.pe32Plus = true;
  wide.mostSignificant = 0xFFFF0000;
  wide.leastSignificant = 0x0000FFFF;
  EXPECT_EQ(ReadImageFileVersion(BuildImage(wide)), (FileVersion{65535, 0, 0, 65535}));
}

TEST(ImageFileVersionTest, ImagesWithoutAUsableBlockGiveMinusOnes) {
  ImageOptions otherType;
  otherType.resourceType = 3;  // icons only
  ImageOptions badSignature;
  badSignature.signature = 0x12345678;
  ImageOptions noValue;
  noValue.valueLength = 0;
  ImageOptions outside;
  outside.dataOffset = 0x7FFFFF00;
  for (const ImageOptions& options : {otherType, badSignature, noValue, outside})
    EXPECT_EQ(ReadImageFileVersion(BuildImage(options)), kNone);
  EXPECT_EQ(ReadImageFileVersion({}), kNone);
}

TEST(ImageFileVersionTest, EveryTruncationIsRejectedSafely) {
  const std::vector<std::uint8_t> image = BuildImage();
  for (std::size_t length = 0; length < image.size(); ++length)
    ASSERT_EQ(ReadImageFileVersion(std::span(image.data(), length)), kNone) << "length " << length;
}

TEST(ImageFileVersionTest, CorruptedBytesNeverReadOutside) {
  // Each byte of the headers and directory set to 0xFF in turn: any answer is
  // fine, reading past the buffer is not (the sanitizer build checks).
  const std::vector<std::uint8_t> image = BuildImage();
  for (std::size_t i = 0; i < kResourceFileOffset + 0x58; ++i) {
    std::vector<std::uint8_t> copy = image;
    copy[i] = 0xFF;
    const FileVersion version = ReadImageFileVersion(copy);
    EXPECT_TRUE(version == kNone || version == (FileVersion{1, 2, 3, 4})) << "byte " << i;
  }
}

class FileVersionTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return m_temp.Write(name, bytes);
  }

  testing::TempFolder m_temp{"file_version_test"};
};

TEST_F(FileVersionTest, OwnExecutableHasTheBuiltInVersion) {
  const FileVersion program = ProgramVersion();
  EXPECT_TRUE(program.Known());
  EXPECT_GE(program.minor, 0);
  EXPECT_GE(program.release, 0);
  EXPECT_GE(program.build, 0);
  EXPECT_EQ(GetFileVersion(GetApplicationFileName()), program);
  EXPECT_EQ(GetFileVersionText(GetApplicationFileName()), GetModuleVersionText());
  EXPECT_EQ(GetModuleVersionText(), FileVersionText(program));
  // Any name of the same file is the same program.
  const fs::path link = m_temp.Path() / "alias";
  fs::create_symlink(GetApplicationFileName(), link);
  EXPECT_EQ(GetFileVersion(link.string()), program);
}

TEST_F(FileVersionTest, FilesWithoutAVersionGiveMinusOnes) {
  const std::string text = Write("notes.txt", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(GetFileVersionText(text), "-1.-1.-1.-1");
  EXPECT_EQ(GetFileVersionText(Write("empty.dll", {})), "-1.-1.-1.-1");
  EXPECT_EQ(GetFileVersionText(m_temp.Path("missing.exe")), "-1.-1.-1.-1");
  EXPECT_EQ(GetFileVersionText(m_temp.Path().string()), "-1.-1.-1.-1");
  EXPECT_EQ(GetFileVersionText(""), "-1.-1.-1.-1");
  // A copy of the program is another file: an ELF image has no version block.
  const fs::path copy = m_temp.Path() / "copy";
  fs::copy_file(GetApplicationFileName(), copy);
  EXPECT_EQ(GetFileVersionText(copy.string()), "-1.-1.-1.-1");
}

TEST_F(FileVersionTest, AFifoIsNotOpened) {
  const fs::path fifo = m_temp.Path() / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Opening it for reading would wait for a writer forever.
  EXPECT_EQ(GetFileVersionText(fifo.string()), "-1.-1.-1.-1");
}

TEST_F(FileVersionTest, WindowsImageFileIsRead) {
  const std::string dll = Write("library.dll", BuildImage());
  EXPECT_EQ(GetFileVersionText(dll), "1.2.3.4");
  std::string backslashed = dll;
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  EXPECT_EQ(GetFileVersionText(backslashed), "1.2.3.4");
}

}  // namespace
}  // namespace halbrin
