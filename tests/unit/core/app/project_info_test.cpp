#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "core/app/command_line.h"
#include "core/app/hand_over.h"
#include "core/app/project_info.h"
#include "core/foundation/digests.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/msxml_dom_document.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

// A temporary project folder and a command line of our choosing; both undone after.
class ProjectInfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_savedArgs = CommandLine::Args();
    m_savedEncoding = XmlEncoding();
  }
  void TearDown() override {
    CommandLine::Set(m_savedArgs);
    SetXmlEncoding(m_savedEncoding);
    InitProjectInfo(ProjectInfo());
  }
  void Write(const std::string& name, const std::string& bytes) { m_temp.Write(name, bytes); }
  std::string Folder() const { return m_temp.Path().string(); }
  void StartWith(std::vector<std::string> args) {
    args.insert(args.begin(), "/opt/halbrin/halbrinlite");
    CommandLine::Set(std::move(args));
  }

  // Under /tmp: a test changes the letter case of "/tmp".
  testing::TempFolder m_temp{"halbrin-pi", "/tmp"};
  std::vector<std::string> m_savedArgs;
  std::string m_savedEncoding;
};

TEST(CommandLine, GetSwitchTable) {
  struct Row {
    std::vector<std::string> args;
    const char* name;
    const char* expected;
  };
  const Row rows[] = {
      {{"prog", "File:x"}, "file", "x"},
      {{"prog", "FILE:x"}, "file", "x"},
      {{"prog", "file=x"}, "file", ""},
      {{"prog", ":file:x"}, "file", ""},
      {{"prog", "file:first", "file:second"}, "file", "first"},
      {{"file:program-path-is-not-a-switch"}, "file", ""},
      {{"prog", "file:"}, "file", ""},
      {{"prog", "file:C:\\a,b c.txt"}, "file", "C:\\a,b c.txt"},
      {{"prog", "filename:x"}, "file", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(GetSwitch(row.args, row.name), row.expected) << row.args.back();
}

TEST_F(ProjectInfoTest, SwitchNameAndSwitchIs) {
  StartWith({"noColon", ":leading", "events:noSplitParameters,ASYNC", "scripts:transient"});
  EXPECT_EQ(SwitchName(1), "");
  EXPECT_EQ(SwitchName(2), "");
  EXPECT_EQ(SwitchName(3), "events");
  EXPECT_EQ(GetParameter(0), "/opt/halbrin/halbrinlite");
  EXPECT_EQ(GetParameter(9), "");
  EXPECT_TRUE(SwitchIs("events", "async"));
  EXPECT_TRUE(SwitchIs("EVENTS", "nosplit"));  // a substring test
  EXPECT_FALSE(SwitchIs("events", "noTransientScript"));
  EXPECT_TRUE(SwitchIs("scripts", "Transient"));
}

TEST_F(ProjectInfoTest, DescriptorFromProjectInfo) {
  Write("project.info", "product=Atlas\r\nversion=2.1\r\nname=Карта\r\nscript=start\r\nencoding=utf-8\r\n");
  StartWith({"use:" + Folder()});
  const std::string id = ResolveProject();
  const TProjectInfo& info = ProjectInfo();
  EXPECT_EQ(info.product, "Atlas");
  EXPECT_EQ(info.version, "2.1");
  EXPECT_EQ(info.name, "Карта");
  EXPECT_EQ(info.script, "start");
  EXPECT_EQ(info.folder, Folder() + "/");
  EXPECT_EQ(info.state, PROJECT_STATE_LOADING);
  EXPECT_EQ(info.id, id);
  EXPECT_EQ(XmlEncoding(), "utf-8");
}

TEST_F(ProjectInfoTest, ProjectInfoInTheCodePageItNames) {
  // "Карта" in windows-1251.
  Write("project.info", "name=\xCA\xE0\xF0\xF2\xE0\nencoding=windows-1251\n");
  StartWith({"use:" + Folder()});
  ResolveProject();
  EXPECT_EQ(ProjectInfo().name, "Карта");
}

TEST_F(ProjectInfoTest, DefaultsWhenProjectInfoIsMissingOrPartial) {
  // nullptr: no file at all.
  for (const char* content : {static_cast<const char*>(nullptr), "product=x\nscript=\n", "name=a\n"}) {
    fs::remove(m_temp.Path("project.info"));
    if (content) Write("project.info", content);
    SetXmlEncoding("utf-8");
    StartWith({"use:" + Folder()});
    ResolveProject();
    EXPECT_EQ(ProjectInfo().script, "init");
    EXPECT_EQ(ProjectInfo().state, PROJECT_STATE_LOADING);
    // Without a file the encoding stays; a file without "encoding" sets the default.
    EXPECT_EQ(XmlEncoding(), content ? "windows-1251" : "utf-8");
  }
}

TEST_F(ProjectInfoTest, AnEncodingThatCannotBeUsedIsNotedAndTheDefaultUsed) {
  const struct {
    const char* line;
    const char* encoding;  // the project's afterwards
    const char* noted;     // in the one note; nullptr: no note
  } cases[] = {
      {"encoding=koi8-r", "koi8-r", nullptr},
      {"encoding= UTF-8 ", "UTF-8", nullptr},
      {"encoding=", "windows-1251", nullptr},
      {"encoding=utf7", "windows-1251", "Unsupported encoding \"utf7\""},
      {"encoding=it", "windows-1251", "Unsupported encoding \"it\""},
      {"encoding=UTF-32", "windows-1251", "Unsupported encoding \"UTF-32\""},
      {"encoding=IBM037", "windows-1251", "Unsupported encoding \"IBM037\""},
      {"encoding=no-such-code-page", "windows-1251", "Unknown encoding \"no-such-code-page\""},
      {"encoding=a\"b", "windows-1251", "Unknown encoding"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    // "Карта" in windows-1251: the file is read in the encoding that is used.
    Write("project.info", std::string(c.noted ? "name=\xCA\xE0\xF0\xF2\xE0\n" : "name=x\n") + c.line + "\n");
    SetXmlEncoding("koi8-r");
    StartWith({"use:" + Folder()});
    ResolveProject();
    EXPECT_EQ(XmlEncoding(), c.encoding);
    if (!c.noted) {
      EXPECT_TRUE(ProjectInfo().notes.empty());
      continue;
    }
    EXPECT_EQ(ProjectInfo().name, "Карта");
    ASSERT_EQ(ProjectInfo().notes.size(), 1u);
    EXPECT_NE(ProjectInfo().notes[0].find("project.info"), std::string::npos) << ProjectInfo().notes[0];
    EXPECT_NE(ProjectInfo().notes[0].find("windows-1251 is used"), std::string::npos) << ProjectInfo().notes[0];
    EXPECT_NE(ProjectInfo().notes[0].find(c.noted), std::string::npos) << ProjectInfo().notes[0];
  }
}

TEST_F(ProjectInfoTest, IdsFollowTheFolderText) {
  StartWith({"use:" + Folder()});
  const std::string plain = ResolveProject();
  StartWith({"use:" + Folder() + "/"});
  EXPECT_EQ(ResolveProject(), plain);  // with or without the trailing separator
  std::string upper = Folder();
  upper[1] = 'T';  // "/Tmp/..."
  StartWith({"use:" + upper});
  EXPECT_NE(ResolveProject(), plain);  // letter case counts
  EXPECT_TRUE(std::regex_match(plain, std::regex(R"(^\{[0-9A-F]{8}-([0-9A-F]{4}-){3}[0-9A-F]{12}\}$)")));
  EXPECT_EQ(plain, BytesToGuidText(DigestBytes(Folder() + "/", CALG_MD5)));
  // RFC 1321: MD5("abc") = 900150983cd24fb0d6963f7d28e17f72.
  EXPECT_EQ(ProjectIdOf("abc"), "{90015098-3CD2-4FB0-D696-3F7D28E17F72}");
}

// Puts the current folder back after a test that moved it.
class ScopedCurrentPath {
 public:
  explicit ScopedCurrentPath(const fs::path& path) : m_saved(fs::current_path()) { fs::current_path(path); }
  ~ScopedCurrentPath() { fs::current_path(m_saved); }
  ScopedCurrentPath(const ScopedCurrentPath&) = delete;
  ScopedCurrentPath& operator=(const ScopedCurrentPath&) = delete;

 private:
  fs::path m_saved;
};

TEST_F(ProjectInfoTest, OneFolderIsOneProjectHoweverItIsTyped) {
  fs::create_directories(m_temp.Path("main"));
  fs::create_directories(m_temp.Path("proj"));
  Write("proj/project.info", "name=Atlas\n");
  const std::string root = Folder();
  const std::string canonical = root + "/proj/";
  ScopedCurrentPath cwd(m_temp.Path("main"));
  const std::string spellings[] = {
      root + "/proj",         root + "/proj/",       root + "//proj//",  root + "/./proj/.",
      root + "/main/../proj", "../proj",             "./../proj/",       "../main/../proj",
      "/" + root + "/proj",
  };
  for (const std::string& use : spellings) {
    StartWith({"use:" + use});
    EXPECT_EQ(ResolveProject(), ProjectIdOf(canonical)) << use;
    EXPECT_EQ(ProjectInfo().folder, canonical) << use;
    EXPECT_EQ(ProjectInfo().name, "Atlas") << use << ": project.info is read from the same folder";
  }
  // An absolute, normalised folder keeps the id of its text.
  EXPECT_EQ(ProjectIdOf(canonical), BytesToGuidText(DigestBytes(canonical, CALG_MD5)));
}

TEST_F(ProjectInfoTest, ASymbolicLinkIsAFolderOfItsOwn) {
  fs::create_directories(m_temp.Path("proj"));
  fs::create_directory_symlink(m_temp.Path("proj"), m_temp.Path("link"));
  StartWith({"use:" + m_temp.Path("link")});
  EXPECT_EQ(ResolveProject(), ProjectIdOf(Folder() + "/link/"));
  EXPECT_EQ(ProjectInfo().folder, Folder() + "/link/");
}

TEST_F(ProjectInfoTest, WithoutUseTheProgramFolderIsTheProject) {
  StartWith({});
  ResolveProject();
  EXPECT_EQ(ProjectInfo().folder, ApplicationFolder());
  EXPECT_EQ(ProjectInfo().folder.back(), '/');
}

TEST_F(ProjectInfoTest, FileSwitchNeverChangesTheId) {
  StartWith({"use:" + Folder()});
  const std::string expected = ResolveProject();
  Write("doc.xml", "<doc><item project=\"other\"/></doc>");
  Write("photo.jpg", std::string("\xFF\xD8\xFF\xE0 not xml", 12));
  for (const char* file : {"doc.xml", "photo.jpg", "missing.txt"}) {
    StartWith({"file:" + m_temp.Path(file), "use:" + Folder()});
    EXPECT_EQ(ResolveProject(), expected) << file;
  }
}

TEST_F(ProjectInfoTest, ReadXmlValueSelectsByXPath) {
  Write("doc.xml", "<doc><item project=\"atlas\"/></doc>");
  EXPECT_EQ(ReadXmlValue(m_temp.Path("doc.xml"), "//*[@project]/@project"), platform::Variant("atlas"));
  EXPECT_TRUE(ReadXmlValue(m_temp.Path("doc.xml"), "//*[@nothing]/@nothing").IsNull());
}

TEST_F(ProjectInfoTest, ExpandProjectPath) {
  ProjectInfo().folder = "/p/";
  EXPECT_EQ(ExpandProjectPath("data"), "/p/data/");
  EXPECT_EQ(ExpandProjectPath("data/"), "/p/data/");
  EXPECT_EQ(ExpandProjectPath(""), "/p/");
}

TEST(HandOver, EachCommandLineIsAppliedOnceInOrder) {
  for (const char* file : {"/tmp/a b,c.txt", "/tmp/second"}) {
    InstanceMessage message;
    message.args = {"prog", "use:/p", std::string("file:") + file};
    PushHandOver(message);
  }
  EXPECT_TRUE(HandOverPending());
  EXPECT_EQ(ReadHandOver("file"), platform::Variant("/tmp/a b,c.txt"));
  EXPECT_EQ(ReadHandOver("FILE"), platform::Variant("/tmp/second"));
  EXPECT_FALSE(HandOverPending());
  EXPECT_EQ(ReadHandOver("file"), platform::Variant(""));
}

}  // namespace
}  // namespace halbrin
