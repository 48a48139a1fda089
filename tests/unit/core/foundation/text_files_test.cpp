#include <gtest/gtest.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/foundation/project_encoding.h"
#include "core/foundation/text_files.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::EFCreateError;
using platform::EFOpenError;

const std::string kHelloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // "Привет"
const std::string kHello1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string kBom = "\xEF\xBB\xBF";

// A scratch folder of its own, and the project encoding restored afterwards.
class TextFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("halbrin-text-files-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    m_dir = dir;
    g_free(dir);
    m_savedEncoding = ProjectEncoding();
  }
  void TearDown() override {
    SetProjectEncoding(m_savedEncoding);
    std::error_code ignored;
    fs::remove_all(m_dir, ignored);
  }

  std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

  void WriteRaw(const std::string& name, const std::string& bytes) const {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
  }
  std::string ReadRaw(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path m_dir;

 private:
  std::string m_savedEncoding;
};

TEST_F(TextFilesTest, LoadsInTheProjectCodePageUnlessTheFileHasAByteOrderMark) {
  const struct {
    const char* what;
    std::string bytes;
    const char* encoding;
    std::string expected;
  } cases[] = {
      {"windows-1251 file", kHello1251 + "\r\n", "windows-1251", kHelloUtf8 + "\r\n"},
      {"UTF-8 file with a mark", kBom + kHelloUtf8, "windows-1251", kHelloUtf8},
      {"UTF-8 file in a UTF-8 project", kHelloUtf8, "UTF-8", kHelloUtf8},
      {"mark in a UTF-8 project", kBom + "x", "UTF-8", "x"},
      {"koi8-r project", "\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r", kHelloUtf8},
      {"empty file", "", "windows-1251", ""},
      {"binary zeros", std::string("a\0b", 3), "windows-1251", std::string("a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRaw("in.txt", c.bytes);
    SetProjectEncoding(c.encoding);
    EXPECT_EQ(LoadTextFromFile(PathOf("in.txt")), c.expected);
    EXPECT_EQ(LoadTextFromFile(PathOf("in.txt"), c.encoding), c.expected);
    EXPECT_EQ(LoadBytesFromFile(PathOf("in.txt")), c.bytes);
  }
}

TEST_F(TextFilesTest, SavesInTheProjectCodePage) {
  SaveTextToFile(kHelloUtf8 + "\r\n", PathOf("out.txt"));
  EXPECT_EQ(ReadRaw("out.txt"), kHello1251 + "\r\n");
  SaveTextToFile(kHelloUtf8, PathOf("out.txt"), false, "UTF-8");
  EXPECT_EQ(ReadRaw("out.txt"), kHelloUtf8);  // no mark is added
  SetProjectEncoding("koi8-r");
  SaveTextToFile(kHelloUtf8, PathOf("out.txt"));
  EXPECT_EQ(ReadRaw("out.txt"), "\xF0\xD2\xC9\xD7\xC5\xD4");
}

TEST_F(TextFilesTest, TextRoundTrips) {
  std::string text = "Строка 1\r\nLine 2\n\tЁё №" + std::string("\0end", 4);
  SaveTextToFile(text, PathOf("round.txt"));
  EXPECT_EQ(LoadTextFromFile(PathOf("round.txt")), text);
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  SaveBytesToFile(bytes, PathOf("bytes.bin"));
  EXPECT_EQ(LoadBytesFromFile(PathOf("bytes.bin")), bytes);
  const std::string large(1 << 20, 'x');  // larger than one read
  SaveTextToFile(large, PathOf("large.txt"));
  EXPECT_EQ(LoadTextFromFile(PathOf("large.txt")), large);
}

TEST_F(TextFilesTest, UnconvertibleTextLeavesTheOldFile) {
  WriteRaw("keep.txt", "old content");
  try {
    SaveTextToFile("abc \xE6\x97\xA5\xE6\x9C\xAC", PathOf("keep.txt"));  // Japanese: not in windows-1251
    ADD_FAILURE() << "no error";
  } catch (const EEncodingError& e) {
    EXPECT_EQ(e.Message(), "The character at offset 4 cannot be written in encoding \"windows-1251\"");
  }
  EXPECT_EQ(ReadRaw("keep.txt"), "old content");
  // Nothing is left behind beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(TextFilesTest, UndecodableFileNamesFileAndOffset) {
  WriteRaw("bad.txt", "ab\x98");
  try {
    LoadTextFromFile(PathOf("bad.txt"));
    ADD_FAILURE() << "no error";
  } catch (const EEncodingError& e) {
    EXPECT_EQ(e.Message(), "Cannot read file \"" + PathOf("bad.txt") +
                               "\". Invalid byte sequence for encoding \"windows-1251\" at offset 2");
  }
  WriteRaw("bad-utf8.txt", kBom + "ok\xFF");
  EXPECT_THROW(LoadTextFromFile(PathOf("bad-utf8.txt")), EEncodingError);
}

TEST_F(TextFilesTest, OpenFailuresRaiseTheOpenError) {
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {PathOf("missing.txt"), "Cannot open file \"" + PathOf("missing.txt") + "\". No such file or directory"},
      {PathOf("no/such/folder.txt"),
       "Cannot open file \"" + PathOf("no/such/folder.txt") + "\". No such file or directory"},
      {m_dir.string(), "Cannot open file \"" + m_dir.string() + "\". Is a directory"},
      // The message names the file by its absolute path.
      {"no-such-dir/../missing.txt",
       "Cannot open file \"" + (fs::current_path() / "missing.txt").string() + "\". No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    for (auto load : {&LoadBytesFromFile, &FileToHexLines,
                      +[](const std::string& p) { return LoadTextFromFile(p); }}) {
      try {
        load(c.path);
        ADD_FAILURE() << "no error";
      } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
    }
  }
}

TEST_F(TextFilesTest, ForceFolderMakesTheMissingFolders) {
  const std::string nested = PathOf("a/b/c/file.txt");
  try {
    SaveTextToFile("x", nested);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + nested + "\". No such file or directory");
  }
  EXPECT_FALSE(fs::exists(m_dir / "a"));
  SaveTextToFile("x", nested, true);
  EXPECT_EQ(ReadRaw("a/b/c/file.txt"), "x");
  SaveTextToFile("y", nested, true);  // folders already there
  EXPECT_EQ(ReadRaw("a/b/c/file.txt"), "y");
}

TEST_F(TextFilesTest, CreateFailuresRaiseTheCreateError) {
  fs::create_directory(m_dir / "folder");
  try {
    SaveTextToFile("x", PathOf("folder"));
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + PathOf("folder") + "\". Is a directory");
  }
  if (geteuid() != 0) {  // root writes anywhere
    fs::create_directory(m_dir / "locked");
    fs::permissions(m_dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(SaveTextToFile("x", PathOf("locked/f.txt")), EFCreateError);
    EXPECT_THROW(SaveTextToFile("x", PathOf("locked/sub/f.txt"), true), EFCreateError);
    fs::permissions(m_dir / "locked", fs::perms::owner_all);
  }
}

TEST_F(TextFilesTest, ReplacingKeepsPermissionsAndLinks) {
  WriteRaw("target.txt", "old");
  ASSERT_EQ(chmod(PathOf("target.txt").c_str(), 0640), 0);
  fs::create_symlink("target.txt", m_dir / "link.txt");
  SaveTextToFile("new", PathOf("link.txt"));
  EXPECT_TRUE(fs::is_symlink(m_dir / "link.txt"));
  EXPECT_EQ(ReadRaw("target.txt"), "new");
  struct stat info {};
  ASSERT_EQ(stat(PathOf("target.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  // A dangling link gets its target made.
  fs::create_symlink("later.txt", m_dir / "dangling.txt");
  SaveTextToFile("made", PathOf("dangling.txt"));
  EXPECT_TRUE(fs::is_symlink(m_dir / "dangling.txt"));
  EXPECT_EQ(ReadRaw("later.txt"), "made");
}

TEST_F(TextFilesTest, FileToHexLines) {
  const std::string full40 = std::string(40, '\xAB');
  const std::string hex40 = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "AB";
    return s;
  }();
  const struct {
    const char* what;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"empty file", "", "\r\n"},
      {"three bytes", "abc", "616263\r\n"},
      {"every nibble", std::string("\x00\x01\x7F\x80\xFE\xFF", 6), "00017F80FEFF\r\n"},
      {"one full line", full40, hex40 + "\r\n\r\n"},
      {"one byte past a line", full40 + "\x0A", hex40 + "\r\n0A\r\n"},
      {"two full lines", full40 + full40, hex40 + "\r\n" + hex40 + "\r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRaw("hex.bin", c.bytes);
    EXPECT_EQ(FileToHexLines(PathOf("hex.bin")), c.expected);
  }
}

TEST(ReplaceInvalidFileNameChars, EachMarkAndLineBreak) {
  const struct {
    std::string text;
    const char* replacement;
    std::string expected;
  } cases[] = {
      {"a:b\r\nc", "_", "a_b_c"},  // CR LF is replaced once
      {"\\/|\":*?<>", "_", "_________"},
      {"a\nb\rc\n\rd", "-", "a-b-c--d"},  // LF CR is two breaks
      {"plain name.txt", "_", "plain name.txt"},
      {"a?b", "", "ab"},
      {"a:b", "%3A", "a%3Ab"},
      // The marks are replaced one after the other, so a replacement that holds
      // a later mark is replaced again.
      {"a\\b", "<>", "a<<><>b"},
      {"a|b", "\\", "a\\b"},  // "\\" comes before "|"
      {"Отчёт: май", "_", "Отчёт_ май"},
      {"", "_", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReplaceInvalidFileNameChars(c.text, c.replacement), c.expected);
  }
}

}  // namespace
}  // namespace halbrin
