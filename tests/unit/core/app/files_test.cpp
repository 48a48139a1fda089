// The files object: its dispatch table, the name and path texts, getUnique's
// format, normalize, attributes, capture/release, save/open, special folders
// and what the shell members hand to the installed operation handler.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "core/app/files.h"
#include "core/foundation/file_version.h"
#include "core/foundation/project_encoding.h"
#include "platform/automation/dispatch.h"
#include "support/test_support.h"
#include "typelibs/client_type_library.h"

namespace halbrin::app_test {
namespace {

namespace fs = std::filesystem;
using platform::RefPtr;
using platform::Variant;
using testing::ScopedEnv;
using testing::TempFolder;

const std::string kHelloUtf8 = "Привет";
const std::string kHello1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";

class FilesTest : public ::testing::Test {
 protected:
  Variant Call(const std::string& name, std::vector<Variant> args) {
    return platform::CallMethod(*m_files, name, std::move(args));
  }
  std::string Text(const std::string& name, std::vector<Variant> args) {
    return Call(name, std::move(args)).AsString();
  }
  int Number(const std::string& name, std::vector<Variant> args) { return Call(name, std::move(args)).ToInt(); }

  RefPtr<TFiles> m_files = platform::MakeRef<TFiles>();
  TempFolder m_dir{"halbrin_files"};
};

TEST_F(FilesTest, MembersHaveTheirFixedDispatchIds) {
  const char* const names[] = {"save",         "open",          "exists",          "getPath",         "createFolder",
                               "delete_",      "folderExists",  "getRelativePath", "recycle",         "move",
                               "copy",         "rename",        "operate",         "getFolder",       "getVolume",
                               "getVersion",   "getUnique",     "erase",           "getLongName",     "getName",
                               "getExtension", "getAttributes", "setAttributes",   "setSystemFolder", "normalize",
                               "capture",      "release"};
  platform::DispId id = 0xC9;
  for (const char* name : names) EXPECT_EQ(platform::GetDispId(*m_files, name), id++) << name;
  EXPECT_EQ(id, 0xE4);
  EXPECT_EQ(IFilesTypeInfo().Guid(), "{68787E79-EA49-4255-89F2-7C0BCBFE3E3A}");
}

TEST_F(FilesTest, NameParts) {
  struct Row {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
  } const rows[] = {
      {"/a/b/c.txt", "/a/b/", "c.txt", ".txt"},
      {"C:\\x\\archive.tar.gz", "C:/x/", "archive.tar.gz", ".gz"},
      {"/a/.bashrc", "/a/", ".bashrc", ""},
      {"README", "", "README", ""},
      {"/a/b/", "/a/b/", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(Text("getPath", {Variant(row.path)}), row.folder);
    EXPECT_EQ(Text("getName", {Variant(row.path)}), row.name);
    EXPECT_EQ(Text("getExtension", {Variant(row.path)}), row.extension);
  }
}

TEST_F(FilesTest, RelativePaths) {
  struct Row {
    const char* source;
    const char* destination;
    const char* expected;
  } const rows[] = {
      {"/p/a/x.txt", "/p/a/y.txt", "y.txt"},          // same folder
      {"/p/a/x.txt", "/p/a/b/y.txt", "b/y.txt"},      // child
      {"/p/a/x.txt", "/p/c/y.txt", "../c/y.txt"},     // sibling
      {"/p/a/b/x.txt", "/p/y.txt", "../../y.txt"},    // parent
      {"C:\\a\\x.txt", "D:\\b\\y.txt", "D:\\b\\y.txt"},  // unrelated root stays as given
      {"/p/a/x.txt", "rel/y.txt", "rel/y.txt"},       // relative against absolute
  };
  for (const Row& row : rows)
    EXPECT_EQ(Text("getRelativePath", {Variant(row.source), Variant(row.destination)}), row.expected)
        << row.destination;
}

TEST_F(FilesTest, GetUniqueNumbersANameInUse) {
  m_dir.Write("a.txt", "");
  m_dir.Write("a1.txt", "");
  fs::create_directory(m_dir.Path("d"));
  const std::string folder = m_dir.Path("");
  struct Row {
    const char* name;
    const char* format;
    const char* expected;
  } const rows[] = {
      {"a.txt", "", "a2.txt"},
      {"b.txt", "", "b.txt"},  // not in use: unchanged
      {"a.txt", "%s (%s)", "a (1).txt"},
      {"a.txt", "100%%%s_%s", "100%a_1.txt"},
      {"d", "", "d1"},  // a folder is a name in use too
      // Only the first two "%s" are filled; everything else stays text.
      {"a.txt", "%s%s%s%n%x", "a1%s%n%x.txt"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Text("getUnique", {Variant(folder + row.name), Variant(row.format)}), folder + row.expected)
        << row.name << " " << row.format;
  EXPECT_EQ(TFiles::Normalize(folder + "a.txt", 23), folder + "a2.txt");
}

TEST_F(FilesTest, GetUniqueRejectsAFormatWithoutBothPlaceholders) {
  m_dir.Write("a.txt", "");
  // Without a place for the number the loop would never find a free name.
  for (const char* format : {"%d", "%s", "x", "%s%d%x"})
    EXPECT_THROW(Call("getUnique", {Variant(m_dir.Path("a.txt")), Variant(format)}), platform::EOleError) << format;
}

TEST_F(FilesTest, NormalizeByFlags) {
  const std::string abc = m_dir.Write("abc.bin", "abc");
  ScopedEnv variable("HALBRIN_FILES_TEST", std::string("value"));
  ScopedEnv missing("HALBRIN_FILES_TEST_MISSING", std::nullopt);
  const std::string real = fs::canonical(abc).string();
  struct Row {
    int flags;
    std::string input;
    std::string expected;
  } const rows[] = {
      {0, "a:b*c?<d>|e\"f.txt", "a_b_c__d__e_f.txt"},
      {1, "/tmp/a b.txt", "file:///tmp/a%20b.txt"},
      {2, "file:///tmp/a%20b.txt", "/tmp/a b.txt"},
      {3, abc, real},
      {3, m_dir.Path("missing"), ""},
      {4, abc, real},
      {5, "/a/./b/../c", "/a/c"},
      {6, "a\\b\\c", "a/b/c"},
      {7, "a/b/c", "a\\b\\c"},
      {8, "/a/b", "/a/b/"},
      {8, "/a/b/", "/a/b/"},
      {9, "/a/b/", "/a/b"},
      {9, "a\\", "a"},
      {10, "привет abc", "ПРИВЕТ ABC"},
      {11, "ПРИВЕТ ABC", "привет abc"},
      {12, " a//b\\\\c ", "a/b/c"},
      {13, abc, "616263\r\n"},
      {14, "/a/b/c.txt", "/a/b/"},
      {15, "&lt;x&gt; &amp;", "<x> &"},
      {16, "<x> &", "&lt;x&gt; &amp;"},
      {17, "abc", "{90015098-3CD2-4FB0-D696-3F7D28E17F72}"},
      {18, "abc", "900150983CD24FB0D6963F7D28E17F72"},
      {19, "abc", "VBPDiSOBWBlCohEr"},
      // UTF-8 read as the code page (mojibake) and back.
      {20, "РџСЂРёРІРµС‚", "Привет"},
      {21, "Привет", "РџСЂРёРІРµС‚"},
      {20, "日本", "日本"},  // the code page cannot hold it: unchanged
      {22, abc, "-1.-1.-1.-1"},
      {22, "", FileVersionText(ProgramVersion())},
      {24, "/a/b/c.txt", "c.txt"},
      {25, "/a/b/c.txt", "/a/b/"},
      {26, "/a/b/c.txt", ".txt"},
      {27, "HALBRIN_FILES_TEST", "value"},
      {27, "HALBRIN_FILES_TEST_MISSING", ""},
      {28, "255", "000000FF"},
      {29, "FF", "255"},
      {30, abc, "900150983CD24FB0D6963F7D28E17F72"},
      {31, abc, "{90015098-3CD2-4FB0-D696-3F7D28E17F72}"},
      // Only the low byte counts; 32 and above leave the text alone.
      {256 + 6, "a\\b", "a/b"},
      {32, "a\\b", "a\\b"},
      {300, "a\\b", "a\\b"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Text("normalize", {Variant(row.input), Variant(row.flags)}), row.expected)
        << row.flags << " " << row.input;
  const std::string relative = Text("normalize", {Variant("x/y"), Variant(5)});
  EXPECT_EQ(relative, (fs::current_path() / "x/y").string());
}

TEST_F(FilesTest, SaveAndOpenInTheProjectCodePage) {
  const std::string saved = ProjectEncoding();
  const std::string path = m_dir.Path("new/sub/x.txt");
  EXPECT_TRUE(Call("save", {Variant(kHelloUtf8), Variant(path)}).IsEmpty());
  EXPECT_EQ(testing::ReadFile(path), kHello1251) << "windows-1251 on disk; missing folders made";
  EXPECT_EQ(Call("open", {Variant(path)}), Variant(kHelloUtf8));

  SetProjectEncoding("utf-8");
  Call("save", {Variant(kHelloUtf8), Variant(path)});
  EXPECT_EQ(testing::ReadFile(path), kHelloUtf8);
  EXPECT_EQ(Call("open", {Variant(path)}), Variant(kHelloUtf8));
  SetProjectEncoding(saved);
}

TEST_F(FilesTest, SaveRaisesWhenTheWriteFails) {
  fs::create_directory(m_dir.Path("folder"));
  const std::string file = m_dir.Write("file.txt", "kept");
  // A folder in the way, and a file where a folder would have to be made.
  EXPECT_THROW(Call("save", {Variant("x"), Variant(m_dir.Path("folder"))}), platform::EOleError);
  EXPECT_THROW(Call("save", {Variant("x"), Variant(file + "/inner.txt")}), platform::EOleError);
  EXPECT_EQ(testing::ReadFile(file), "kept");
  EXPECT_THROW(Call("open", {Variant(m_dir.Path("missing.txt"))}), platform::EOleError);
}

TEST_F(FilesTest, PredicatesAndFolders) {
  const std::string file = m_dir.Write("f.txt", "");
  EXPECT_EQ(Call("exists", {Variant(file)}), Variant(true));
  EXPECT_EQ(Call("exists", {Variant(m_dir.Path(""))}), Variant(false)) << "a folder is no file";
  EXPECT_EQ(Call("folderExists", {Variant(m_dir.Path(""))}), Variant(true));
  EXPECT_EQ(Call("folderExists", {Variant(file)}), Variant(false));
  EXPECT_EQ(Call("createFolder", {Variant(m_dir.Path("x/y/z"))}), Variant(true));
  EXPECT_TRUE(fs::is_directory(m_dir.Path("x/y/z")));
  EXPECT_EQ(Call("createFolder", {Variant(file + "/sub")}), Variant(false));
  EXPECT_EQ(Text("getLongName", {Variant(m_dir.Path("x/y/../y"))}), fs::canonical(m_dir.Path("x/y")).string());
  EXPECT_EQ(Text("getLongName", {Variant(m_dir.Path("missing"))}), "");
}

TEST_F(FilesTest, Attributes) {
  const std::string file = m_dir.Write("f.txt", "");
  const std::string hidden = m_dir.Write(".hidden", "");
  EXPECT_EQ(Number("getAttributes", {Variant(m_dir.Path("missing")), Variant(0)}), -1);
  EXPECT_EQ(Number("getAttributes", {Variant(m_dir.Path("")), Variant(0)}), kFileAttributeDirectory);
  EXPECT_EQ(Number("getAttributes", {Variant(file), Variant(0)}), kFileAttributeArchive);
  EXPECT_EQ(Number("getAttributes", {Variant(hidden), Variant(0)}), kFileAttributeArchive | kFileAttributeHidden);

  EXPECT_EQ(Call("setAttributes", {Variant(file), Variant(kFileAttributeReadOnly), Variant(0)}), Variant(0));
  EXPECT_EQ(Number("getAttributes", {Variant(file), Variant(0)}), kFileAttributeArchive | kFileAttributeReadOnly);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(Call("setAttributes", {Variant(file), Variant(kFileAttributeNormal), Variant(0)}), Variant(0));
  EXPECT_EQ(Number("getAttributes", {Variant(file), Variant(0)}), kFileAttributeArchive);
  EXPECT_EQ(Call("setAttributes", {Variant(m_dir.Path("missing")), Variant(0), Variant(0)}), Variant(2));
}

TEST_F(FilesTest, SetSystemFolderWritesDesktopIniOnlyWithContent) {
  const std::string bare = m_dir.Path("bare/inner");
  EXPECT_EQ(Call("setSystemFolder", {Variant(bare), Variant(""), Variant(0)}), Variant(true));
  EXPECT_TRUE(fs::is_directory(bare));
  EXPECT_FALSE(fs::exists(bare + "/desktop.ini"));

  const std::string folder = m_dir.Path("sys");
  for (const char* content : {"[.ShellClassInfo]\r\n", "second"}) {
    EXPECT_EQ(Call("setSystemFolder", {Variant(folder), Variant(content), Variant(0)}), Variant(true));
    EXPECT_EQ(testing::ReadFile(folder + "/desktop.ini"), content) << "an old desktop.ini is replaced";
  }
  const std::string file = m_dir.Write("file", "");
  EXPECT_EQ(Call("setSystemFolder", {Variant(file + "/sub"), Variant("x"), Variant(0)}), Variant(false));
}

TEST_F(FilesTest, CaptureHandsOutWorkingHandles) {
  const std::string path = m_dir.Write("data.txt", "abc");
  const int reader = Number("capture", {Variant(path), Variant(0)});
  ASSERT_GE(reader, 0);
  char buffer[3] = {};
  EXPECT_EQ(::read(reader, buffer, 3), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(Call("release", {Variant(reader)}), Variant(true));
  EXPECT_EQ(Call("release", {Variant(reader)}), Variant(false)) << "released once only";

  const int created = Number("capture", {Variant(m_dir.Path("new.txt")), Variant(0xFF00)});
  ASSERT_GE(created, 0);
  EXPECT_EQ(::write(created, "xyz", 3), 3);
  EXPECT_EQ(Call("release", {Variant(created)}), Variant(true));
  EXPECT_EQ(testing::ReadFile(m_dir.Path("new.txt")), "xyz");

  EXPECT_EQ(Number("capture", {Variant(m_dir.Path("missing.txt")), Variant(0)}), -1);
}

TEST_F(FilesTest, ExclusiveCaptureKeepsOtherCapturersOut) {
  const std::string path = m_dir.Write("lock.txt", "");
  const int first = Number("capture", {Variant(path), Variant(0x12)});
  ASSERT_GE(first, 0);
  EXPECT_EQ(Number("capture", {Variant(path), Variant(0x10)}), -1);
  EXPECT_EQ(Number("capture", {Variant(path), Variant(0x20)}), -1);
  EXPECT_EQ(Call("release", {Variant(first)}), Variant(true));
  const int shared = Number("capture", {Variant(path), Variant(0x20)});
  const int another = Number("capture", {Variant(path), Variant(0x20)});
  EXPECT_GE(shared, 0);
  EXPECT_GE(another, 0) << "shared locks go together";
  TFiles::ReleaseHandle(shared);
  TFiles::ReleaseHandle(another);
}

TEST_F(FilesTest, ReleaseClosesNothingCaptureDidNotOpen) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  for (const int handle : {0, 1, 2, pipeEnds[0], pipeEnds[1], -1, 100000}) {
    EXPECT_EQ(Call("release", {Variant(handle)}), Variant(false)) << handle;
    if (handle >= 0 && handle < 100000) {
      EXPECT_NE(::fcntl(handle, F_GETFD), -1) << handle << " still open";
    }
  }
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
}

TEST_F(FilesTest, GetFolderMakesTheSpecialFolderWhenAsked) {
  ScopedEnv home("HOME", m_dir.Path("home"));
  ScopedEnv config("XDG_CONFIG_HOME", m_dir.Path("config"));
  const std::string documents = m_dir.Path("home/Documents/");
  EXPECT_EQ(Text("getFolder", {Variant(0x05), Variant(0)}), documents);
  EXPECT_FALSE(fs::exists(documents));
  EXPECT_EQ(Text("getFolder", {Variant(0x05), Variant(1)}), documents);
  EXPECT_TRUE(fs::is_directory(documents));
  EXPECT_EQ(Text("getFolder", {Variant(0x7777), Variant(1)}), "");
}

TEST_F(FilesTest, GetVersionOfTheProgramAndOfOtherFiles) {
  EXPECT_EQ(Text("getVersion", {Variant("")}), FileVersionText(ProgramVersion()));
  EXPECT_EQ(Text("getVersion", {Variant(m_dir.Write("x.bin", "ELF"))}), "-1.-1.-1.-1");
}

// What the shell members hand to the engine, recorded.
class FilesOperationTest : public FilesTest {
 protected:
  struct Recorded {
    std::string source;
    std::string destination;
    int operation;
    std::uint32_t flags;
    friend bool operator==(const Recorded&, const Recorded&) = default;
  };
  void SetUp() override {
    SetFileOperationHandler([this](const std::string& source, const std::string& destination, int operation,
                                   std::uint32_t flags) {
      m_calls.push_back({source, destination, operation, flags});
      return m_answer;
    });
  }
  void TearDown() override { SetFileOperationHandler(nullptr); }

  std::vector<Recorded> m_calls;
  int m_answer = 0;
};

TEST_F(FilesOperationTest, EachMemberRunsItsOperationWithItsFlags) {
  struct Row {
    const char* member;
    std::vector<Variant> args;
    Recorded expected;
  } const rows[] = {
      {"delete_", {Variant("a\\x")}, {"a/x", "", 3, 0x614}},
      {"erase", {Variant("a/x")}, {"a/x", "", 3, 0x614}},
      {"recycle", {Variant("a/x")}, {"a/x", "", 3, 0x654}},
      {"move", {Variant("a"), Variant("b")}, {"a", "b", 1, 0x615}},
      {"copy", {Variant("a"), Variant("b\\c")}, {"a", "b/c", 2, 0x615}},
      {"rename", {Variant("a"), Variant("b")}, {"a", "b", 4, 0x614}},
      {"operate", {Variant("a"), Variant("b"), Variant(2), Variant(0x10)}, {"a", "b", 2, 0x10}},
  };
  for (const Row& row : rows) {
    m_calls.clear();
    EXPECT_EQ(Call(row.member, row.args), Variant(0)) << row.member;
    ASSERT_EQ(m_calls.size(), 1u) << row.member;
    EXPECT_EQ(m_calls[0], row.expected) << row.member;
  }
  m_answer = 2;
  EXPECT_EQ(Call("delete_", {Variant("x")}), Variant(2)) << "the engine's code reaches the script";
}

TEST_F(FilesOperationTest, OperateRefusesModesThatAreNoOperation) {
  for (const int mode : {0, 5, -1})
    EXPECT_EQ(Call("operate", {Variant("a"), Variant("b"), Variant(mode), Variant(0)}), Variant(87)) << mode;
  EXPECT_TRUE(m_calls.empty());
}

TEST_F(FilesOperationTest, TheEnginesInterfaceErrorBecomesItsCode) {
  SetFileOperationHandler([](const std::string&, const std::string&, int, std::uint32_t) -> int {
    throw platform::EOleError(static_cast<platform::HResult>(0x80070002), "The system cannot find the file specified.");
  });
  EXPECT_EQ(Call("delete_", {Variant("missing")}), Variant(2));
}

TEST_F(FilesTest, ShellMembersWithoutAHandlerRaise) {
  SetFileOperationHandler(nullptr);
  try {
    Call("copy", {Variant("a"), Variant("b")});
    FAIL() << "no error";
  } catch (const platform::EOleError& e) {
    EXPECT_NE(std::string(e.what()).find("File operations are not available"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace halbrin::app_test
