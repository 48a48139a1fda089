// The files object's shell members over the real engine, checked on disk.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "components/shell/file_operation_ex.h"
#include "core/app/files.h"
#include "platform/automation/dispatch.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::Variant;
using testing::ReadFile;
using testing::TempFolder;

class FilesOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFileOperationHandler(ExecuteFileOperationNumber); }
  void TearDown() override { SetFileOperationHandler(nullptr); }

  Variant Call(const std::string& name, std::vector<Variant> args) {
    return platform::CallMethod(*m_files, name, std::move(args));
  }

  platform::RefPtr<TFiles> m_files = platform::MakeRef<TFiles>();
  TempFolder m_dir{"files_operations"};
};

TEST_F(FilesOperationsTest, DeleteAndEraseAgree) {
  for (const char* member : {"delete_", "erase"}) {
    const std::string path = m_dir.Write("x.txt", "x");
    EXPECT_EQ(Call(member, {Variant(path)}), Variant(0)) << member;
    EXPECT_FALSE(fs::exists(path)) << member;
  }
  const std::string missing = m_dir.Path("missing.txt");
  const Variant deleted = Call("delete_", {Variant(missing)});
  EXPECT_NE(deleted, Variant(0)) << "a missing file is a failure, not an exception";
  EXPECT_EQ(Call("erase", {Variant(missing)}), deleted);
}

TEST_F(FilesOperationsTest, CopyAndMoveOverwriteSilently) {
  const std::string source = m_dir.Write("a.txt", "new");
  const std::string target = m_dir.Write("b.txt", "old");
  EXPECT_EQ(Call("copy", {Variant(source), Variant(target)}), Variant(0));
  EXPECT_EQ(ReadFile(target), "new");
  m_dir.Write("a.txt", "newer");
  EXPECT_EQ(Call("move", {Variant(source), Variant(target)}), Variant(0));
  EXPECT_EQ(ReadFile(target), "newer");
  EXPECT_FALSE(fs::exists(source));
}

TEST_F(FilesOperationsTest, DestinationIsTheNewNameAndMissingFoldersAreMade) {
  const std::string source = m_dir.Write("a.txt", "A");
  EXPECT_EQ(Call("copy", {Variant(source), Variant(m_dir.Path("deep\\er\\copy.txt"))}), Variant(0));
  EXPECT_EQ(ReadFile(m_dir.Path("deep/er/copy.txt")), "A");
}

TEST_F(FilesOperationsTest, WildcardSourcesTakeEveryMatch) {
  m_dir.Write("src/a.txt", "A", testing::MakeFolders::Yes);
  m_dir.Write("src/b.txt", "B");
  m_dir.Write("src/c.log", "C");
  EXPECT_EQ(Call("copy", {Variant(m_dir.Path("src/*.txt")), Variant(m_dir.Path("copies"))}), Variant(0));
  EXPECT_EQ(ReadFile(m_dir.Path("copies/a.txt")), "A");
  EXPECT_EQ(ReadFile(m_dir.Path("copies/b.txt")), "B");
  EXPECT_FALSE(fs::exists(m_dir.Path("copies/c.log")));
  EXPECT_EQ(Call("move", {Variant(m_dir.Path("src/*.txt")), Variant(m_dir.Path("moved"))}), Variant(0));
  EXPECT_TRUE(fs::exists(m_dir.Path("moved/a.txt")));
  EXPECT_FALSE(fs::exists(m_dir.Path("src/a.txt")));
  EXPECT_TRUE(fs::exists(m_dir.Path("src/c.log")));
}

TEST_F(FilesOperationsTest, RenameAndOperate) {
  const std::string source = m_dir.Write("a.txt", "A");
  EXPECT_EQ(Call("rename", {Variant(source), Variant("b.txt")}), Variant(0));
  EXPECT_EQ(ReadFile(m_dir.Path("b.txt")), "A");
  EXPECT_EQ(Call("operate", {Variant(m_dir.Path("b.txt")), Variant(m_dir.Path("c.txt")), Variant(2), Variant(0x614)}),
            Variant(0));
  EXPECT_EQ(ReadFile(m_dir.Path("c.txt")), "A");
  EXPECT_EQ(Call("operate", {Variant(m_dir.Path("c.txt")), Variant(""), Variant(3), Variant(0x614)}), Variant(0));
  EXPECT_FALSE(fs::exists(m_dir.Path("c.txt")));
}

TEST_F(FilesOperationsTest, RecyclePutsTheFileInTheTrash) {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (!dataHome || !*dataHome) GTEST_SKIP() << "XDG_DATA_HOME is not set (scripts/test.sh sets it)";
  TempFolder temp("files_recycle", dataHome);
  const std::string path = (temp.Path() / "recycled.txt").string();
  testing::WriteFile(path, "bye");
  EXPECT_EQ(Call("recycle", {Variant(path)}), Variant(0));
  EXPECT_FALSE(fs::exists(path));
  const fs::path trash = fs::path(dataHome) / "Trash";
  EXPECT_EQ(ReadFile(trash / "files" / "recycled.txt"), "bye");
  EXPECT_NE(ReadFile(trash / "info" / "recycled.txt.trashinfo").find("Path="), std::string::npos);
  fs::remove(trash / "files" / "recycled.txt");
  fs::remove(trash / "info" / "recycled.txt.trashinfo");
}

}  // namespace
}  // namespace halbrin
