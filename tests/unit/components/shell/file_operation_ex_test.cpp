// File operations on temporary trees, each checked on disk afterwards.

#include "components/shell/file_operation_ex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/base/exception.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::Variant;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

class FileOperationTest : public ::testing::Test {
 protected:
  FileOperationTest() {
    WriteFile(Src("a.txt"), "A", testing::MakeFolders::Yes);
    WriteFile(Src("b.log"), "B");
    fs::create_directories(Src("sub"));
    WriteFile(Src("sub/c.txt"), "C");
  }

  std::string Src(const std::string& name = {}) const { return (m_temp.Path() / "src" / name).string(); }
  std::string Dst(const std::string& name = {}) const { return (m_temp.Path() / "dst" / name).string(); }

  TFileOperationFile& AddFile(TFileOperationEx& op, const std::string& name, const std::string& alias,
                              TFileOperation operation) {
    auto& file = static_cast<TFileOperationFile&>(op.Files().Add());
    file.SetName(name);
    file.SetAlias(alias);
    file.SetOperation(operation);
    return file;
  }

  // Every entry under the test folder with its content ("/" for a folder).
  std::map<std::string, std::string> Tree() const {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(m_temp.Path()))
      tree[fs::relative(entry.path(), m_temp.Path()).string()] = entry.is_directory() ? "/" : ReadFile(entry.path());
    return tree;
  }

  TempFolder m_temp{"file_operation_test"};
};

TEST_F(FileOperationTest, StarDotStarMeansTheFolderOrItsEntriesByMode) {
  const struct {
    TFileOperationMode mode;
    bool folderItself;
  } cases[] = {
      {TFileOperationMode::fomAuto, true},
      {TFileOperationMode::fomInterface, true},
      {TFileOperationMode::fomFunction, false},
      {TFileOperationMode::fomSystem, false},
  };
  for (const auto& c : cases) {
    fs::remove_all(Dst());
    fs::create_directories(Dst());
    EXPECT_EQ(PerformFileOperation(Src("*.*"), Dst(), TFileOperation::foCopy, kDefaultFileOperationFlags, c.mode), 0);
    const std::string base = c.folderItself ? Dst("src/") : Dst();
    EXPECT_EQ(ReadFile(base + "a.txt"), "A") << static_cast<int>(c.mode);
    EXPECT_EQ(ReadFile(base + "sub/c.txt"), "C") << static_cast<int>(c.mode);
    EXPECT_EQ(fs::exists(Dst("src")), c.folderItself);
    EXPECT_TRUE(fs::exists(Src("a.txt"))) << "a copy keeps the source";
  }
}

TEST_F(FileOperationTest, MasksSelectMatchingEntries) {
  EXPECT_EQ(PerformFileOperation(Src("*.txt"), Dst(), TFileOperation::foMove, kDefaultFileOperationFlags,
                                 TFileOperationMode::fomFunction),
            0);
  EXPECT_EQ(ReadFile(Dst("a.txt")), "A");
  EXPECT_FALSE(fs::exists(Src("a.txt")));
  EXPECT_TRUE(fs::exists(Src("b.log")));
  EXPECT_EQ(PerformFileOperation(Src("*.none"), Dst(), TFileOperation::foCopy, kDefaultFileOperationFlags,
                                 TFileOperationMode::fomFunction),
            kErrorFileNotFound);
}

TEST_F(FileOperationTest, RenameStaysInTheSourceFolderAndRefusesCollisions) {
  fs::create_directories(Dst());
  // A bare new name never lands in the current folder.
  EXPECT_EQ(ExecuteFileOperation(Src("a.txt"), "renamed.txt", TFileOperation::foRename, 0x614), 0);
  EXPECT_EQ(ReadFile(Src("renamed.txt")), "A");
  // In the interface mode only the name part counts.
  EXPECT_EQ(ExecuteFileOperation(Src("renamed.txt"), Dst("again.txt"), TFileOperation::foRename, 0x614), 0);
  EXPECT_EQ(ReadFile(Src("again.txt")), "A");
  // Onto an existing name: refused, nothing changes.
  TFileOperationEx op;
  op.SetMode(TFileOperationMode::fomFunction);
  TFileOperationFile& file = AddFile(op, Src("again.txt"), "b.log", TFileOperation::foRename);
  EXPECT_EQ(op.Execute(), 0);
  EXPECT_EQ(file.Result(), kErrorAlreadyExists);
  EXPECT_EQ(ReadFile(Src("b.log")), "B");
  EXPECT_EQ(ReadFile(Src("again.txt")), "A");
  // Derived names never climb out.
  file.SetAlias("..");
  op.Execute();
  EXPECT_EQ(file.Result(), kErrorInvalidName);
  // The system mode moves to a full destination.
  op.SetMode(TFileOperationMode::fomSystem);
  file.SetAlias(Dst("moved.txt"));
  EXPECT_EQ(op.Execute(), 0);
  EXPECT_EQ(ReadFile(Dst("moved.txt")), "A");
}

TEST_F(FileOperationTest, CollisionsRenameOrOverwriteByFlags) {
  fs::create_directories(Dst());
  WriteFile(Dst("a.txt"), "old");
  EXPECT_EQ(ExecuteFileOperation(Src("a.txt"), Dst(), TFileOperation::foCopy, 0x614 | FOF_RENAMEONCOLLISION), 0);
  EXPECT_EQ(ReadFile(Dst("a (2).txt")), "A");
  EXPECT_EQ(ReadFile(Dst("a.txt")), "old");
  EXPECT_EQ(ExecuteFileOperation(Src("a.txt"), Dst("a.txt"), TFileOperation::foCopy, 0x614), 0);
  EXPECT_EQ(ReadFile(Dst("a.txt")), "A");
  TFileOperationEx op;
  op.SetMode(TFileOperationMode::fomFunction);
  op.SetFlags(0);
  TFileOperationFile& file = AddFile(op, Src("b.log"), Dst("a.txt"), TFileOperation::foMove);
  op.Execute();
  EXPECT_EQ(file.Result(), kErrorAlreadyExists);
  EXPECT_TRUE(fs::exists(Src("b.log")));
}

TEST_F(FileOperationTest, MissingSourcesReportByMode) {
  const std::string missing = Src("none.txt");
  TFileOperationEx op;
  TFileOperationFile& file = AddFile(op, missing, Dst("x"), TFileOperation::foCopy);
  op.SetMode(TFileOperationMode::fomSystem);
  try {
    op.Execute();
    FAIL();
  } catch (const platform::EOSError& error) {
    EXPECT_EQ(std::string(error.what()), "System Error: 2\r\nThe system cannot find the file specified.");
  }
  op.SetMode(TFileOperationMode::fomFunction);
  EXPECT_EQ(op.Execute(), 0);
  EXPECT_EQ(file.Result(), 2);
  op.SetMode(TFileOperationMode::fomInterface);
  try {
    op.Execute();
    FAIL();
  } catch (const platform::EOleError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070002u);
  }
}

TEST_F(FileOperationTest, ABatchThatCannotRunAllChangesNothing) {
  struct Entry {
    std::string name;
    std::string alias;
  };
  const struct {
    const char* label;
    TFileOperation operation;
    std::vector<Entry> files;
    std::uint32_t code;
  } cases[] = {
      {"copy with a missing source",
       TFileOperation::foCopy,
       {{Src("a.txt"), Dst("a.txt")}, {Src("sub"), Dst("sub")}, {Src("none.txt"), Dst("none.txt")}},
       0x80070002u},
      {"move with a missing source",
       TFileOperation::foMove,
       {{Src("a.txt"), Dst("a.txt")}, {Src("none.txt"), Dst("none.txt")}},
       0x80070002u},
      {"delete with a missing source",
       TFileOperation::foDelete,
       {{Src("a.txt"), ""}, {Src("sub"), ""}, {Src("none.txt"), ""}},
       0x80070002u},
      {"copy into a folder that cannot be made (a file is in the way)",
       TFileOperation::foCopy,
       {{Src("a.txt"), Dst("deep/a.txt")}, {Src("b.log"), Src("a.txt/inner/b.log")}},
       0x80070002u},
      {"move under an invalid name",
       TFileOperation::foMove,
       {{Src("a.txt"), Dst("a.txt")}, {Src("b.log"), Dst("..")}},
       0x8007007Bu},
      {"rename onto an existing name",
       TFileOperation::foRename,
       {{Src("a.txt"), "x.txt"}, {Src("b.log"), "sub"}},
       0x800700B7u},
  };
  const std::map<std::string, std::string> before = Tree();
  for (const TFileOperationMode mode : {TFileOperationMode::fomInterface, TFileOperationMode::fomAuto}) {
    for (const auto& c : cases) {
      TFileOperationEx op;
      op.SetMode(mode);
      for (const Entry& entry : c.files) AddFile(op, entry.name, entry.alias, c.operation);
      try {
        op.Execute();
        ADD_FAILURE() << c.label << ": no error";
      } catch (const platform::EOleError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), c.code) << c.label;
      }
      EXPECT_EQ(static_cast<std::uint32_t>(op.Files().FileAt(op.Files().Count() - 1)->Result()), c.code) << c.label;
      EXPECT_EQ(Tree(), before) << c.label << ": the disk is as it was";
    }
  }
}

TEST_F(FileOperationTest, AGoodBatchRunsEveryFile) {
  TFileOperationEx op;
  op.SetMode(TFileOperationMode::fomInterface);
  TFileOperationFile& copied = AddFile(op, Src("a.txt"), Dst("deep/a.txt"), TFileOperation::foCopy);
  TFileOperationFile& moved = AddFile(op, Src("sub"), Dst("sub"), TFileOperation::foMove);
  TFileOperationFile& deleted = AddFile(op, Src("b.log"), "", TFileOperation::foDelete);
  EXPECT_EQ(op.Execute(), 0);
  for (const TFileOperationFile* file : {&copied, &moved, &deleted}) EXPECT_EQ(file->Result(), 0) << file->Name();
  EXPECT_EQ(ReadFile(Dst("deep/a.txt")), "A");
  EXPECT_EQ(ReadFile(Src("a.txt")), "A");
  EXPECT_EQ(ReadFile(Dst("sub/c.txt")), "C");
  EXPECT_FALSE(fs::exists(Src("sub")));
  EXPECT_FALSE(fs::exists(Src("b.log")));
}

TEST_F(FileOperationTest, NothingSelectedAndExecWords) {
  TFileOperationEx op;
  TFileOperationFile& idle = AddFile(op, Src("a.txt"), Dst(), TFileOperation::foNone);
  AddFile(op, Src("b.log"), Dst(), TFileOperation::foCopy).SetSelected(false);
  const struct {
    TFileOperationMode mode;
    int result;
  } cases[] = {{TFileOperationMode::fomSystem, 0},
               {TFileOperationMode::fomFunction, 1},
               {TFileOperationMode::fomInterface, 1}};
  for (const auto& c : cases) {
    op.SetMode(c.mode);
    op.SetExec(Variant("EXECUTE"));
    EXPECT_EQ(op.GetExec(), Variant(c.result));
    EXPECT_EQ(idle.Result(), 1);
  }
  op.SetExec(Variant("selectall"));
  EXPECT_EQ(op.GetExec(), Variant(2));
  op.SetExec(Variant("deselectall"));
  EXPECT_EQ(op.GetExec(), Variant(2));
  EXPECT_FALSE(op.Files().FileAt(0)->Selected());
  op.SetMode(TFileOperationMode::fomAuto);
  EXPECT_EQ(op.CurrentMode(), TFileOperationMode::fomInterface);
  EXPECT_EQ(op.GetTypeName(), "fileoperation");
}

TEST_F(FileOperationTest, NamesAreTakenLiterally) {
  const std::string odd = Src("it's a \"$(rm -rf x)\"; name.txt");
  WriteFile(odd, "odd");
  EXPECT_EQ(ExecuteFileOperation(odd, Dst("copy.txt"), TFileOperation::foCopy, 0x614), 0);
  EXPECT_EQ(ReadFile(Dst("copy.txt")), "odd");
}

TEST_F(FileOperationTest, DeleteRemovesFilesAndFolders) {
  EXPECT_EQ(ExecuteFileOperation(Src("sub"), "", TFileOperation::foDelete, 0x614), 0);
  EXPECT_FALSE(fs::exists(Src("sub")));
  EXPECT_EQ(ExecuteFileOperation(Src("a.txt"), "", TFileOperation::foDelete, 0x614), 0);
  EXPECT_FALSE(fs::exists(Src("a.txt")));
}

TEST(FileOperationTrash, DeleteWithUndoGoesToTheTrash) {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (!dataHome || !*dataHome) GTEST_SKIP() << "XDG_DATA_HOME is not set (scripts/test.sh sets it)";
  TempFolder temp("trash_test", dataHome);
  const std::string path = (temp.Path() / "gone.txt").string();
  WriteFile(path, "bye");
  EXPECT_EQ(ExecuteFileOperation(path, "", TFileOperation::foDelete, 0x614 | FOF_ALLOWUNDO), 0);
  EXPECT_FALSE(fs::exists(path));
  const fs::path trash = fs::path(dataHome) / "Trash";
  EXPECT_EQ(ReadFile(trash / "files" / "gone.txt"), "bye");
  const std::string info = ReadFile(trash / "info" / "gone.txt.trashinfo");
  EXPECT_NE(info.find("Path="), std::string::npos);
  EXPECT_NE(info.find("DeletionDate="), std::string::npos);
  fs::remove(trash / "files" / "gone.txt");
  fs::remove(trash / "info" / "gone.txt.trashinfo");
}

TEST(FileOperationTrash, WithoutATrashNothingIsDeleted) {
  // GIO keeps no trash on system mounts such as /dev/shm.
  struct stat shm {};
  struct stat data {};
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (::stat("/dev/shm", &shm) != 0) GTEST_SKIP() << "no /dev/shm";
  if (dataHome && ::stat(dataHome, &data) == 0 && data.st_dev == shm.st_dev)
    GTEST_SKIP() << "the trash itself is on /dev/shm";
  TempFolder temp("no_trash_test", "/dev/shm");
  const std::string path = temp.Write("kept.txt", "still here");
  const struct {
    TFileOperationMode mode;
    bool raises;
  } cases[] = {{TFileOperationMode::fomFunction, false}, {TFileOperationMode::fomInterface, true}};
  for (const auto& c : cases) {
    TFileOperationEx op;
    op.SetMode(c.mode);
    op.SetFlags(kDefaultFileOperationFlags | FOF_ALLOWUNDO);
    auto& file = static_cast<TFileOperationFile&>(op.Files().Add());
    file.SetName(path);
    file.SetOperation(TFileOperation::foDelete);
    if (c.raises) {
      try {
        op.Execute();
        ADD_FAILURE() << "no error";
      } catch (const platform::EOleError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070032u);
        EXPECT_EQ(std::string(error.what()), "The request is not supported.");
      }
      EXPECT_EQ(static_cast<std::uint32_t>(file.Result()), 0x80070032u);
    } else {
      EXPECT_EQ(op.Execute(), 0);
      EXPECT_EQ(file.Result(), 50);
    }
    EXPECT_EQ(ReadFile(path), "still here") << static_cast<int>(c.mode);
  }
}

TEST(FileOperationDevices, MoveAcrossFileSystems) {
  struct stat shm {};
  struct stat tmp {};
  TempFolder here("cross_device_test");
  if (::stat("/dev/shm", &shm) != 0 || ::stat(here.Path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
    GTEST_SKIP() << "no second file system";
  TempFolder there("cross_device_test", "/dev/shm");
  WriteFile(here.Path() / "tree/a.txt", "A", testing::MakeFolders::Yes);
  const std::string target = (there.Path() / "tree").string();
  EXPECT_EQ(ExecuteFileOperation((here.Path() / "tree").string(), target, TFileOperation::foMove, 0x614), 0);
  EXPECT_EQ(ReadFile(there.Path() / "tree/a.txt"), "A");
  EXPECT_FALSE(fs::exists(here.Path() / "tree"));
}

}  // namespace
}  // namespace halbrin
