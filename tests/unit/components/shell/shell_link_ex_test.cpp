// Shortcuts as desktop entries: the argument quoting both ways, every
// property through a save and an open, what GKeyFile must keep, the
// validator's verdict, "run" passing arguments literally, and the codes of
// "open", "save" and "resolve".

#include "components/shell/shell_link_ex.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "components/shell/exec_fields.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;
using platform::Variant;

std::int32_t Hr(std::uint32_t code) { return static_cast<std::int32_t>(code); }

std::string EntryValue(const std::string& file, const char* key) {
  GKeyFile* keys = g_key_file_new();
  std::string value;
  if (g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_NONE, nullptr)) {
    gchar* text = g_key_file_get_string(keys, "Desktop Entry", key, nullptr);
    value = text ? text : "<none>";
    g_free(text);
  }
  g_key_file_free(keys);
  return value;
}

int ExecWord(TShellLinkEx& link, const char* word) {
  link.SetExec(Variant(word));
  return static_cast<int>(link.GetExec().ToInt64());
}

class ShellLinkTest : public ::testing::Test {
 protected:
  ShellLinkTest() {
    program = folder.Write("my tools/run me.sh", "#!/bin/sh\nexit 0\n", testing::MakeFolders::Yes);
    chmod(program.c_str(), 0755);
  }
  testing::TempFolder folder{"links"};
  std::string program;
};

struct ArgumentsRow {
  const char* arguments;
  std::vector<std::string> fields;  // what the program gets after the path
  const char* execTail;             // the Exec value after the quoted path, or null to skip
};

class ShellLinkArgumentsTest : public ShellLinkTest, public ::testing::WithParamInterface<ArgumentsRow> {};

TEST_P(ShellLinkArgumentsTest, SurviveASaveAndAnOpen) {
  const ArgumentsRow& row = GetParam();
  EXPECT_EQ(SplitWindowsCommandLine(row.arguments), row.fields) << "the Windows rules";
  TShellLinkEx link;
  link.SetPath(program);
  link.SetArguments(row.arguments);
  link.SetFileName(folder.Path("link.desktop"));
  ASSERT_EQ(ExecWord(link, "save"), 0);
  const std::string exec = EntryValue(link.FileName(), "Exec");
  const std::string quotedPath = QuoteExecField(program);
  ASSERT_EQ(exec.rfind(quotedPath, 0), 0u) << exec;
  if (row.execTail) {
    EXPECT_EQ(exec.substr(quotedPath.size()), row.execTail);
  }
  const auto parsed = ParseExecFields(exec);
  ASSERT_TRUE(parsed.has_value());
  std::vector<std::string> expected{program};
  expected.insert(expected.end(), row.fields.begin(), row.fields.end());
  EXPECT_EQ(*parsed, expected) << "no field code, no second command";

  TShellLinkEx back;
  back.SetFileName(link.FileName());
  ASSERT_EQ(ExecWord(back, "open"), 0);
  EXPECT_EQ(back.Path(), program);
  EXPECT_EQ(SplitWindowsCommandLine(back.Arguments()), row.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Quoting, ShellLinkArgumentsTest,
    ::testing::Values(
        ArgumentsRow{"", {}, ""},
        ArgumentsRow{"a b", {"a", "b"}, " a b"},
        ArgumentsRow{"\"with blank\" x", {"with blank", "x"}, " \"with blank\" x"},
        ArgumentsRow{R"(say \"hi\")", {"say", "\"hi\""}, R"( say "\"hi\"")"},
        ArgumentsRow{R"("a\\" b)", {"a\\", "b"}, R"( "a\\" b)"},
        ArgumentsRow{R"(a\\\"b)", {"a\\\"b"}, nullptr},
        ArgumentsRow{R"(C:\dir\file)", {"C:\\dir\\file"}, R"( "C:\\dir\\file")"},
        ArgumentsRow{"100% %f", {"100%", "%f"}, " 100%% %%f"},
        ArgumentsRow{"a;b", {"a;b"}, " \"a;b\""},
        ArgumentsRow{"$(id)", {"$(id)"}, " \"\\$(id)\""},
        ArgumentsRow{"`id`", {"`id`"}, " \"\\`id\\`\""},
        ArgumentsRow{"*.txt ~ a|b", {"*.txt", "~", "a|b"}, nullptr},
        ArgumentsRow{"Grüße ✓", {"Grüße", "✓"}, " Grüße ✓"},
        ArgumentsRow{"\"\" x", {"", "x"}, " \"\" x"}),
    [](const ::testing::TestParamInfo<ArgumentsRow>& info) { return "Row" + std::to_string(info.index); });

TEST(ExecFields, ParsingDropsFieldCodesAndRejectsOpenQuotes) {
  struct Row {
    const char* value;
    std::optional<std::vector<std::string>> fields;
  };
  const Row rows[] = {
      {"app %f", std::vector<std::string>{"app"}},
      {"app %U --x %i %c %k %d %m", std::vector<std::string>{"app", "--x"}},
      {"app --file=%f", std::vector<std::string>{"app", "--file="}},
      {"app 50%%", std::vector<std::string>{"app", "50%"}},
      {R"("a b" "c\"d" "e\$f" "g\\h")", std::vector<std::string>{"a b", "c\"d", "e$f", "g\\h"}},
      {"app \"open", std::nullopt},
      {"", std::vector<std::string>{}},
  };
  for (const Row& row : rows) EXPECT_EQ(ParseExecFields(row.value), row.fields) << row.value;
}

TEST_F(ShellLinkTest, EveryPropertyRoundTrips) {
  TShellLinkEx link;
  link.SetPath(program);
  link.SetDescription("Runs the tool");
  link.SetWorkingDirectory(folder.Path().string());
  link.SetHotkey(0x0641);
  link.SetShowCmd(7);
  link.SetIconPath("/usr/share/icons/tool.png");
  link.SetIconIndex(2);
  link.SetFileName(folder.Path("tool.lnk"));
  ASSERT_EQ(ExecWord(link, "save"), 0);
  const std::string saved = folder.Path("tool.desktop");
  ASSERT_TRUE(fs::exists(saved)) << "a .lnk name is taken as .desktop";
  EXPECT_EQ(fs::status(saved).permissions() & fs::perms::all, static_cast<fs::perms>(0755));
  EXPECT_EQ(EntryValue(saved, "Type"), "Application");
  EXPECT_EQ(EntryValue(saved, "Name"), "tool");
  EXPECT_EQ(EntryValue(saved, "Version"), "1.4");

  TShellLinkEx back;
  back.SetFileName(folder.Path("tool.lnk"));
  ASSERT_EQ(ExecWord(back, "open"), 0);
  EXPECT_EQ(back.Path(), program);
  EXPECT_EQ(back.ShortPath(), program);
  EXPECT_EQ(back.RawPath(), program);
  EXPECT_EQ(back.Description(), "Runs the tool");
  EXPECT_EQ(back.WorkingDirectory(), folder.Path().string());
  EXPECT_EQ(back.Hotkey(), 0x0641);
  EXPECT_EQ(back.ShowCmd(), 7);
  EXPECT_EQ(back.IconPath(), "/usr/share/icons/tool.png");
  EXPECT_EQ(back.IconIndex(), 2);
}

TEST_F(ShellLinkTest, DocumentTargetIsALinkEntry) {
  const std::string document = folder.Write("notes and more.txt", "text");
  TShellLinkEx link;
  link.SetPath(document);
  link.SetFileName(folder.Path("doc.desktop"));
  ASSERT_EQ(ExecWord(link, "save"), 0);
  EXPECT_EQ(EntryValue(link.FileName(), "Type"), "Link");
  EXPECT_EQ(EntryValue(link.FileName(), "URL"), "file://" + folder.Path().string() + "/notes%20and%20more.txt");
  EXPECT_EQ(EntryValue(link.FileName(), "Exec"), "<none>");
  TShellLinkEx back;
  back.SetFileName(link.FileName());
  ASSERT_EQ(ExecWord(back, "open"), 0);
  EXPECT_EQ(back.Path(), document);
}

TEST_F(ShellLinkTest, IconIndexBeforeIconPathGivesNoIconKeyAndKeepsTheIndex) {
  TShellLinkEx link;
  link.SetPath(program);
  link.SetIconIndex(3);
  link.SetFileName(folder.Path("icon.desktop"));
  ASSERT_EQ(ExecWord(link, "save"), 0);
  EXPECT_EQ(EntryValue(link.FileName(), "Icon"), "<none>");
  TShellLinkEx back;
  back.SetFileName(link.FileName());
  ASSERT_EQ(ExecWord(back, "open"), 0);
  EXPECT_EQ(back.IconPath(), "");
  EXPECT_EQ(back.IconIndex(), 3);
}

TEST_F(ShellLinkTest, KeepsWhatItDoesNotKnow) {
  const std::string file = folder.Write("kept.desktop",
                                        "# a comment\n[Desktop Entry]\nType=Application\nName=Tool\nName[de]=Werkzeug\n"
                                        "Exec=/bin/true\nX-Other=1\n\n[Desktop Action extra]\nName=Extra\nExec=/bin/false\n");
  TShellLinkEx link;
  link.SetFileName(file);
  ASSERT_EQ(ExecWord(link, "open"), 0);
  link.SetDescription("changed");
  ASSERT_EQ(ExecWord(link, "save"), 0);
  const std::string text = testing::ReadFile(file);
  for (const char* kept : {"# a comment", "Name[de]=Werkzeug", "X-Other=1", "[Desktop Action extra]", "Name=Tool",
                           "Comment=changed"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept << "\n" << text;
}

TEST_F(ShellLinkTest, SavedEntriesPassTheValidator) {
  gchar* validator = g_find_program_in_path("desktop-file-validate");
  if (!validator) GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
  g_free(validator);
  const std::string document = folder.Write("doc.txt", "text");
  struct Row {
    std::string target;
    const char* arguments;
  };
  const Row rows[] = {{program, "a \"b c\" $(id) %f ;"}, {document, ""}, {"https://example.org/", ""}};
  int n = 0;
  for (const Row& row : rows) {
    TShellLinkEx link;
    link.SetPath(row.target);
    link.SetArguments(row.arguments);
    link.SetIconIndex(1);
    link.SetDescription("A shortcut");
    link.SetFileName(folder.Path("valid" + std::to_string(n++) + ".desktop"));
    ASSERT_EQ(ExecWord(link, "save"), 0);
    const std::string command = "desktop-file-validate '" + link.FileName() + "'";
    gchar* out = nullptr;
    gint status = 0;
    ASSERT_TRUE(g_spawn_command_line_sync(command.c_str(), &out, nullptr, &status, nullptr));
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << row.target << "\n" << (out ? out : "");
    g_free(out);
  }
}

TEST_F(ShellLinkTest, RunPassesArgumentsLiterallyWithoutAShell) {
  const std::string recorder = folder.Write(
      "record.sh", "#!/bin/sh\nout=\"$(dirname \"$0\")/argv.txt\"\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out.tmp\"\n"
                   "pwd >> \"$out.tmp\"\nmv \"$out.tmp\" \"$out\"\n");
  chmod(recorder.c_str(), 0755);
  const std::string marker = folder.Path("marker");
  TShellLinkEx link;
  link.SetPath(recorder);
  link.SetWorkingDirectory(folder.Path("my tools"));
  link.SetArguments("\"$(touch " + marker + ")\" `touch " + marker + "` a;b * %f \"two words\"");
  EXPECT_EQ(ExecWord(link, "run"), kShellStarted);
  const std::string argv = folder.Path("argv.txt");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!fs::exists(argv) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(argv));
  EXPECT_EQ(testing::ReadFile(argv), "[$(touch " + marker + ")]\n[`touch]\n[" + marker + "`]\n[a;b]\n[*]\n[%f]\n[two words]\n" +
                                         folder.Path("my tools") + "\n");
  EXPECT_FALSE(fs::exists(marker));
}

TEST_F(ShellLinkTest, RunAndVerbCodes) {
  struct Row {
    std::string path;
    std::string workingDirectory;
    const char* verb;
    int code;
  };
  const Row rows[] = {
      {folder.Path("missing/tool"), "", "run", kShellFileNotFound},
      {"no-such-command-halbrin", "", "run", kShellFileNotFound},
      {program, folder.Path("nowhere"), "run", kShellPathNotFound},
      {"", "", "run", kShellFileNotFound},
      {program, "", "print", kShellNoAssociation},
      {program, "", "find", kShellNoAssociation},
      {program, "", "edit", kShellNoAssociation},
      {folder.Path("missing/doc.txt"), "", "explore", kShellPathNotFound},
  };
  for (const Row& row : rows) {
    TShellLinkEx link;
    link.SetPath(row.path);
    link.SetWorkingDirectory(row.workingDirectory);
    EXPECT_EQ(ExecWord(link, row.verb), row.code) << row.path << " " << row.verb;
  }
}

TEST_F(ShellLinkTest, OpenCodes) {
  fs::create_directory(folder.Path("folder.desktop"));
  folder.Write("binary.desktop", std::string("\x7f" "ELF\x00\x01\xff\xfe", 8));
  folder.Write("nogroup.desktop", "[Other]\nExec=/bin/true\n");
  folder.Write("open.desktop", "[Desktop Entry]\nType=Application\nName=x\nExec=/bin/echo \"unclosed\nComment=kept?\n");
  folder.Write("old.desktop", "[Desktop Entry]\nType=Application\nName=old\nExec=/bin/echo hi\n");
  struct Row {
    std::string file;
    std::uint32_t code;
    bool read;  // the file was read: a failure leaves the fields empty, else unchanged
  };
  const Row rows[] = {
      {folder.Path("missing.desktop"), 0x80070002, false}, {folder.Path("folder.desktop"), 0x80004005, false},
      {folder.Path("binary.desktop"), 0x80004005, true},   {folder.Path("nogroup.desktop"), 0x80004005, true},
      {folder.Path("open.desktop"), 0x80004005, true},     {folder.Path("old.lnk"), 0, true},
  };
  for (const Row& row : rows) {
    TShellLinkEx link;
    link.SetPath("/before");
    link.SetFileName(row.file);
    link.SetExec(Variant("open"));
    EXPECT_EQ(link.GetExec().ToInt64(), Hr(row.code)) << row.file;
    if (row.code != 0) {
      EXPECT_EQ(link.Path(), row.read ? "" : "/before") << row.file;
    }
  }
  TShellLinkEx old;
  old.SetFileName(folder.Path("old.lnk"));
  ASSERT_EQ(ExecWord(old, "open"), 0);
  EXPECT_EQ(old.Path(), "/bin/echo");
  EXPECT_EQ(old.Arguments(), "hi");
}

TEST_F(ShellLinkTest, ResolveFindsAMovedTargetThroughTheRelativePath) {
  const std::string target = folder.Write("app/data/file.txt", "x", testing::MakeFolders::Yes);
  TShellLinkEx link;
  link.SetPath(target);
  link.SetRelativePath(folder.Path("app/link.desktop"));
  link.SetFileName(folder.Path("app/link.desktop"));
  link.SetOptions((1u << sloAnyMatch) | (1u << sloUpdate));
  ASSERT_EQ(ExecWord(link, "save"), 0);
  EXPECT_EQ(EntryValue(link.FileName(), "X-Halbrin-RelativePath"), "data/file.txt");
  EXPECT_EQ(ExecWord(link, "resolve"), 0);

  fs::rename(folder.Path("app"), folder.Path("moved"));
  TShellLinkEx moved;
  moved.SetFileName(folder.Path("moved/link.desktop"));
  moved.SetOptions((1u << sloUpdate));
  ASSERT_EQ(ExecWord(moved, "open"), 0);
  EXPECT_EQ(ExecWord(moved, "resolve"), 0);
  EXPECT_EQ(moved.Path(), folder.Path("moved/data/file.txt"));
  EXPECT_EQ(EntryValue(moved.FileName(), "URL"), "file://" + folder.Path("moved/data/file.txt")) << "saved again";

  fs::remove(folder.Path("moved/data/file.txt"));
  EXPECT_EQ(ExecWord(moved, "resolve"), 1) << "nothing found: S_FALSE, no error";
}

TEST_F(ShellLinkTest, SaveCodes) {
  TShellLinkEx link;
  link.SetPath(program);
  link.SetFileName(folder.Path("no/such/folder/x.desktop"));
  EXPECT_EQ(link.Save(), Hr(0x80070002));
  fs::create_directory(folder.Path("dir.desktop"));
  link.SetFileName(folder.Path("dir.desktop"));
  EXPECT_EQ(link.Save(), Hr(0x80004005));
  link.SetExec(Variant("unknown"));
  EXPECT_EQ(link.GetExec(), Variant(false));
}

}  // namespace
}  // namespace halbrin
