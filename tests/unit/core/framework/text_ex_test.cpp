// The text component and the file collections.

#include "core/framework/text_ex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/framework/custom_files.h"
#include "fixtures/framework_test_support.h"
#include "platform/base/exception.h"
#include "support/test_support.h"

namespace halbrin::framework_test {
namespace {

using halbrin::testing::ReadFile;
using halbrin::testing::TempFolder;
using halbrin::testing::WriteFile;

class TextExTest : public FrameworkTest {
 protected:
  void Exec(const char* word) { m_text.SetExec(Variant(word)); }

  TTextEx m_text;
  TempFolder m_temp{"text_ex_test"};
};

TEST_F(TextExTest, InsertPutsTheLineFirstAndDeleteChecksTheIndex) {
  m_text.Add("b");
  m_text.Insert("a");
  EXPECT_EQ(m_text.Text(), "a\r\nb\r\n");
  EXPECT_THROW(m_text.Delete(2), platform::EListError);
  m_text.Delete(0);
  EXPECT_EQ(m_text.Text(), "b\r\n");
}

TEST_F(TextExTest, AnUpdateAnnouncesOnce) {
  m_text.SetName("lines");
  m_text.GetEvents()->AttachEvent("onchange").SetXml("changed");
  Exec("beginUpdate");
  m_text.Add("1");
  m_text.Add("2");
  m_text.Add("3");
  EXPECT_TRUE(m_hooks.calls.empty());
  Exec("endUpdate");
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].parameters, Variant("lines"));
}

TEST_F(TextExTest, SaveAndLoadUseTheProjectCodePage) {
  const std::string path = (m_temp.Path() / "lines.txt").string();
  m_text.SetFileName(path);
  m_text.SetText("Привет\nмир");
  Exec("save");
  EXPECT_EQ(ReadFile(path), "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0\r\n");
  Exec("unknown");
  EXPECT_EQ(m_text.GetExec(), Variant(false));
  m_text.SetText("other");
  Exec("load");
  EXPECT_EQ(m_text.GetExec(), Variant(true)) << "a known word answers True";
  EXPECT_EQ(m_text.Text(), "Привет\r\nмир\r\n");
}

TEST_F(TextExTest, LoadOfAMissingFileRaisesAndKeepsTheLines) {
  m_text.SetText("kept");
  m_text.SetFileName((m_temp.Path() / "missing.txt").string());
  EXPECT_THROW(Exec("load"), platform::EFOpenError);
  EXPECT_EQ(m_text.Text(), "kept\r\n");
}

TEST_F(TextExTest, SortClearAndAssign) {
  m_text.SetText("c\na\nb");
  Exec("sort");
  EXPECT_EQ(m_text.Text(), "a\r\nb\r\nc\r\n");
  TTextEx copy;
  m_text.SetFileName("x\\y.txt");
  copy.Assign(m_text);
  EXPECT_EQ(copy.Text(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(copy.FileName(), "x/y.txt");
  Exec("clear");
  EXPECT_EQ(m_text.Strings().Count(), 0);
  EXPECT_EQ(m_text.GetTypeName(), "text");
}

class CustomFilesTest : public ::testing::Test {
 protected:
  TCustomFiles m_files{nullptr, TCustomFile::StaticClassInfo(), TCustomFiles::FactoryOf<TCustomFile>()};
  TempFolder m_temp{"custom_files_test"};
};

TEST_F(CustomFilesTest, AFileGivesItsAttributesSizeAndDate) {
  const auto path = m_temp.Path() / ".hidden";
  WriteFile(path, "12345");
  struct timespec times[2] = {{1700000000, 250'000'000}, {1700000000, 250'000'000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  ::chmod(path.c_str(), 0444);
  TCustomFile& file = m_files.AddFile(path.string());
  EXPECT_EQ(file.Size(), 5);
  EXPECT_EQ(file.FileNamePart(), ".hidden");
  const int readOnly = ::geteuid() == 0 ? 0 : kFileAttributeReadOnly;  // root may write anything
  EXPECT_EQ(file.Attributes(), readOnly | kFileAttributeHidden | kFileAttributeArchive);
  struct tm local {};
  const time_t seconds = 1700000000;
  localtime_r(&seconds, &local);
  EXPECT_EQ(file.Date().Parts(), (platform::DateTimeParts{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                                          local.tm_hour, local.tm_min, local.tm_sec, 250}));
}

TEST_F(CustomFilesTest, AFolderWorks) {
  TCustomFile& folder = m_files.AddFile(m_temp.Path().string());
  EXPECT_EQ(folder.Attributes() & kFileAttributeDirectory, kFileAttributeDirectory);
  EXPECT_FALSE(folder.Date().IsEmpty());
}

TEST_F(CustomFilesTest, AMissingFileRaisesOrReadsUnknown) {
  const std::string path = (m_temp.Path() / "none").string();
  try {
    m_files.AddFile(path);
    FAIL() << "no error";
  } catch (const platform::EFOpenError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + path + "\". No such file or directory");
  }
  EXPECT_EQ(m_files.Count(), 0) << "no half item is left";
  auto& file = static_cast<TCustomFile&>(m_files.Add());
  file.SetIgnoreOpenErrors(true);
  file.SetName(path);
  EXPECT_EQ(file.Size(), -1);
  EXPECT_EQ(file.Attributes(), -1);
  EXPECT_TRUE(file.Date().IsEmpty());
}

TEST_F(CustomFilesTest, SizesPastFourGigabytesAreKept) {
  const auto path = m_temp.Path() / "sparse";
  WriteFile(path, "");
  ASSERT_EQ(::truncate(path.c_str(), std::int64_t{5} << 30), 0);
  EXPECT_EQ(m_files.AddFile(path.string()).Size(), std::int64_t{5} << 30);
}

TEST_F(CustomFilesTest, LookupAddsOnlyWhenAskedAndOnlyOnce) {
  const auto path = (m_temp.Path() / "a.txt").string();
  WriteFile(path, "a");
  EXPECT_EQ(m_files.ItemByName(path), nullptr);
  m_files.SetAddOnLookup(true);
  platform::TCollectionItem* item = m_files.ItemByName(path);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(m_files.ItemByName(path), item);
  EXPECT_EQ(m_files.Count(), 1);
  EXPECT_THROW(m_files.ItemByName((m_temp.Path() / "none").string()), platform::EFOpenError);
  EXPECT_EQ(m_files.Count(), 1);
  EXPECT_EQ(m_files.SelectAll(false), 1);
  EXPECT_FALSE(m_files.File(0)->Selected());
}

}  // namespace
}  // namespace halbrin::framework_test
