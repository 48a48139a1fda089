#include "core/foundation/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

struct PathCase {
  const char* input;
  const char* expected;
};

using PathFunction = std::function<std::string(std::string_view)>;

void ExpectTable(const char* name, const PathFunction& function, std::initializer_list<PathCase> cases) {
  for (const PathCase& c : cases)
    EXPECT_EQ(function(c.input), c.expected) << name << "('" << c.input << "')";
}

TEST(PathTextTest, NormalizePath) {
  ExpectTable("NormalizePath", NormalizePath,
              {
                  {"C://a///b", "C:/a/b"},
                  {"C:\\\\a\\\\\\b", "C:/a/b"},
                  {"/home//user/./x", "/home/user/./x"},
                  {"  /a//b/  ", "/a/b/"},
                  // A network path keeps its leading pair; the rest collapses.
                  {"\\\\server\\x", "//server/x"},
                  {"//server//share//", "//server/share/"},
                  {"///a", "/a"},
                  {"//", "/"},
                  {"/", "/"},
                  {"a\\/b", "a/b"},
                  {"", ""},
              });
}

TEST(PathTextTest, ParentFolder) {
  ExpectTable("ParentFolder", ParentFolder,
              {
                  {"/a/b/", "/a/"},
                  {"/a/b", "/a/"},
                  {"C:\\a\\b\\", "C:/a/"},
                  {" /a/b/c.txt ", "/a/b/"},
                  {"/a", "/"},
                  {"/", ""},
                  {"file.txt", ""},
                  {"//server/x", "//server/"},
                  {"", ""},
              });
}

TEST(PathTextTest, ExtractFileBaseName) {
  ExpectTable("ExtractFileBaseName", ExtractFileBaseName,
              {
                  {"/x/archive.tar.gz", "archive.tar"},
                  {"C:\\x\\archive.tar.gz", "archive.tar"},
                  {"/x/README", "README"},
                  {"/x.d/name", "name"},
                  {"a.", "a"},
                  // Hidden files: the leading dot is part of the name.
                  {"/home/u/.bashrc", ".bashrc"},
                  {".config.old", ".config"},
                  {"..", ".."},
                  {"/x/", ""},
                  {"", ""},
              });
}

TEST(PathTextTest, IncludePathDelimiter) {
  ExpectTable("IncludePathDelimiter", IncludePathDelimiter,
              {
                  {"/a", "/a/"},
                  {"/a/", "/a/"},
                  {"C:\\a", "C:/a/"},
                  {"C:\\a\\", "C:/a/"},
                  {"/", "/"},
                  {"", ""},
              });
}

TEST(FileUrlTest, PathToUrl) {
  ExpectTable("PathToUrl", PathToUrl,
              {
                  {"/home/My Docs/a b.htm", "file:///home/My%20Docs/a%20b.htm"},
                  {"\\home\\My Docs\\a b.htm", "file:///home/My%20Docs/a%20b.htm"},
                  {"  /a/b  ", "file:///a/b"},
                  {"/a/\tb", "file:///a/%09b"},
                  {"/a/%20#?;,&=+.txt", "file:///a/%2520%23%3F%3B%2C%26%3D%2B.txt"},
                  {"/a-b_c.d~e/F9", "file:///a-b_c.d~e/F9"},
                  {"/\xD0\xB4\xD0\xBE\xD0\xBC", "file:///%D0%B4%D0%BE%D0%BC"},
                  {"//server/share/a", "file:////server/share/a"},
                  // Already a file URL: applied again, nothing changes.
                  {"file:///x%20y", "file:///x%20y"},
                  {"FILE:///X", "FILE:///X"},
                  {"", ""},
                  {"   ", ""},
              });
}

TEST(FileUrlTest, PathToUrlMakesARelativePathAbsolute) {
  const std::string cwd = fs::current_path().string();
  const std::string url = PathToUrl("sub dir/x.htm");
  EXPECT_EQ(url, PathToUrl(cwd + "/sub dir/x.htm"));
  EXPECT_EQ(UrlToPath(url), cwd + "/sub dir/x.htm");
}

TEST(FileUrlTest, UrlToPath) {
  ExpectTable("UrlToPath", UrlToPath,
              {
                  {"file:///C:/a%20b.htm", "/C:/a b.htm"},
                  {"file:///home/a%20b.htm", "/home/a b.htm"},
                  {"FiLe:///x", "/x"},
                  {"  file:///a  ", "/a"},
                  {"file:/a", "/a"},
                  {"file:///%D0%B4", "/\xD0\xB4"},
                  {"file:///a%2Fb", "/a/b"},
                  {"file://localhost/etc/x", "/etc/x"},
                  {"file://server/share/x", "//server/share/x"},
                  {"file:////server/share", "//server/share"},
                  // Query and fragment name no part of the file.
                  {"file:///a/b.htm#top", "/a/b.htm"},
                  {"file:///a/b.htm?q=1#x", "/a/b.htm"},
                  {"file:///a%23b", "/a#b"},
                  // No NUL bytes in a path, and broken escapes stay as written.
                  {"file:///a%00b", "/a%00b"},
                  {"file:///a%zzb%4", "/a%zzb%4"},
                  {"file:///a\\b", "/a/b"},
                  // Not a URL: a path already, taken literally.
                  {"/home/a", "/home/a"},
                  {"/home/a%20b", "/home/a%20b"},
                  {"/home/file:///x", "/home/file:///x"},
                  {"\\home\\a", "/home/a"},
                  {"", ""},
              });
}

TEST(FileUrlTest, UrlToPathUndoesPathToUrl) {
  for (const char* path : {"/home/a", "/home/My Docs/a b.htm", "/tmp/tab\there", "/tmp/100%20 real%.txt",
                           "/tmp/#hash?query", "/tmp/a+b=c&d;e,f", "/tmp/\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/",
                           "//server/share/x", "/tmp/file:///inner", "/"}) {
    const std::string url = PathToUrl(path);
    EXPECT_TRUE(url.starts_with("file://")) << url;
    EXPECT_EQ(UrlToPath(url), path) << url;
    EXPECT_EQ(PathToUrl(url), url);
  }
}

class LongPathTest : public ::testing::Test {
 protected:
  LongPathTest() {
    fs::create_directories(m_root / "real dir" / "sub");
    testing::WriteFile(m_root / "real dir" / "file.txt", "x");
    fs::create_directory_symlink(m_root / "real dir", m_root / "link");
  }

  testing::TempFolder m_temp{"paths_test"};
  // Resolved, so that it compares equal to what the code gives back.
  const fs::path m_root = fs::canonical(m_temp.Path());
};

TEST_F(LongPathTest, ResolvesExistingPathsAndGivesEmptyForMissingOnes) {
  const std::string file = (m_root / "real dir" / "file.txt").string();
  EXPECT_EQ(GetLongPathNameText(file), file);
  EXPECT_EQ(GetLongPathNameText((m_root / "link" / "sub" / ".." / "file.txt").string()), file);
  EXPECT_EQ(GetLongPathNameText((m_root / "link").string()), (m_root / "real dir").string());
  std::string backslashed = file;
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  EXPECT_EQ(GetLongPathNameText(backslashed), file);
  EXPECT_EQ(GetLongPathNameText((m_root / "missing.txt").string()), "");
  EXPECT_EQ(GetLongPathNameText((m_root / "missing" / ".." / "real dir").string()), "");
  EXPECT_EQ(GetLongPathNameText(""), "");
}

TEST(ApplicationFileNameTest, IsTheRunningExecutable) {
  const std::string name = GetApplicationFileName();
  ASSERT_FALSE(name.empty());
  EXPECT_TRUE(fs::path(name).is_absolute());
  EXPECT_EQ(fs::path(name), fs::canonical("/proc/self/exe"));
  EXPECT_EQ(fs::path(name).filename(), "unit_core");
}

}  // namespace
}  // namespace halbrin
