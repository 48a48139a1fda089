// The cabinet component on temporary folders: a written cabinet read back
// (and by cabextract), hostile names kept inside the destination, aborts,
// damaged input, writes while working, and flushes that fail.

#include "components/cabinet/cabinet_ex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "cabinet_test_support.h"
#include "components/cabinet/cabinet_errors.h"
#include "components/cabinet/cabinet_names.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;
using cabinet_test::RawEntry;
using cabinet_test::TreeOf;
using cabinet_test::WriteRawCabinet;
using platform::DateTimeParts;
using testing::ReadFile;
using testing::TempFolder;

// The output and exit status of a shell command; nullopt when it cannot run.
struct CommandResult {
  int status = -1;
  std::string output;
};
CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool HaveCabextract() { return RunCommand("command -v cabextract").status == 0; }

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

class CabinetExTest : public FrameworkTest {
 protected:
  CabinetExTest() {
    m_cab = &platform::MakeComponent<TCabinetEx>(m_hooks.root);
    m_cab->SetName("cab");
    fs::create_directories(m_root.Path() / "dest");
    fs::create_directories(m_root.Path() / "outside");
    m_hooks.answer = [this](const ScriptCall& call) {
      m_statesSeen.push_back(m_cab->State());
      return m_onCall ? m_onCall(call) : m_answer;
    };
  }

  fs::path Path(const std::string& name) const { return m_root.Path() / name; }
  std::string Dest() const { return Path("dest").string(); }

  TCabinetFile& AddSource(TCabinetEx& cab, const std::string& name, const std::string& bytes,
                          const std::string& alias = {}) {
    testing::WriteFile(Path("src") / name, bytes, testing::MakeFolders::Yes);
    auto& file = static_cast<TCabinetFile&>(cab.Files().AddFile((Path("src") / name).string()));
    file.SetAlias(alias);
    file.Date().SetParts({2021, 3, 4, 5, 6, 7, 0});
    return file;
  }

  // Opens `cabinet` in m_cab for reading.
  void OpenForReading(const fs::path& cabinet) {
    m_cab->SetMode(TCabinetMode::cmDecompress);
    m_cab->SetSource(cabinet.string());
    m_cab->SetDestination(Dest());
    m_cab->SetExec("open");
  }

  void Bind(const std::string& event) { m_cab->GetEvents()->AttachEvent(event).SetXml(event.substr(2)); }

  // The codes the "error" calls carried.
  std::vector<int> ErrorCodes() const {
    std::vector<int> codes;
    for (const ScriptCall& call : m_hooks.calls)
      if (call.procedure == "error") codes.push_back(static_cast<int>(call.parameters.AsArray().Items()[2].ToInt()));
    return codes;
  }

  TempFolder m_root{"cabinet_test"};
  TCabinetEx* m_cab = nullptr;
  Variant m_answer;
  std::function<Variant(const ScriptCall&)> m_onCall;
  std::vector<int> m_statesSeen;
};

// Three files written, listed, extracted: names, sizes, 2-second dates,
// attributes, the execute flag and its event after the work is done.
TEST_F(CabinetExTest, WrittenCabinetListsAndExtractsWhatWasPut) {
  TCabinetEx writer;
  writer.SetMode(TCabinetMode::cmCompress);
  writer.SetDestination(Path("made/three.cab").string());
  AddSource(writer, "b.txt", "bravo bravo", "sub\\b.txt");
  AddSource(writer, "привет.txt", "кириллица");
  AddSource(writer, "run.cmd", "@echo run").SetExecute(true);
  writer.SetExec("open");
  EXPECT_EQ(writer.State(), kCabinetOpen);
  writer.SetExec("flush");
  EXPECT_EQ(writer.GetExec(), Variant(3));
  EXPECT_EQ(writer.State(), kCabinetDone);

  OpenForReading(Path("made/three.cab"));
  ASSERT_EQ(m_cab->State(), kCabinetOpen);
  EXPECT_TRUE(m_cab->Active());
  TDateTimeEx date;
  date.SetParts({2021, 3, 4, 5, 6, 6, 0});  // DOS time keeps even seconds
  const auto record = [&](const std::string& name, std::size_t size, int attributes, bool execute) {
    return "  <record>\r\n    <name>" + name + "</name>\r\n    <alias>" + name + "</alias>\r\n    <size>" +
           std::to_string(size) + "</size>\r\n    <datetime>" + date.Text() +
           "</datetime>\r\n    <attributes>" + std::to_string(attributes) + "</attributes>\r\n    <execute>" +
           (execute ? "true" : "false") + "</execute>\r\n    <selected>true</selected>\r\n  </record>\r\n";
  };
  const std::string xml = m_cab->Files().Xml();
  EXPECT_EQ(xml.substr(xml.find("\r\n") + 2),
            "<recordset id=\"0\">\r\n" + record("sub\\b.txt", 11, 0x20, false) +
                record("привет.txt", std::string("кириллица").size(), 0xA0, false) +
                record("run.cmd", 9, 0x60, true) + "</recordset>\r\n");

  Bind("onexecute");
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(3));
  EXPECT_EQ(m_cab->State(), kCabinetDone);
  EXPECT_EQ(ReadFile(Path("dest/sub/b.txt")), "bravo bravo");
  EXPECT_EQ(ReadFile(Path("dest/привет.txt")), "кириллица");
  EXPECT_EQ(ReadFile(Path("dest/run.cmd")), "@echo run");
  struct stat info {};
  ASSERT_EQ(::stat(Path("dest/run.cmd").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0111, 0u) << "nothing extracted is made executable";
  struct tm local {};
  const time_t mtime = info.st_mtime;
  localtime_r(&mtime, &local);
  EXPECT_EQ((std::vector<int>{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                              local.tm_sec}),
            (std::vector<int>{2021, 3, 4, 5, 6, 6}));
  // "execute" once, for the flagged file, after the work is done.
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].procedure, "execute");
  EXPECT_EQ(m_hooks.calls[0].parameters.AsArray().Items()[0], Variant("cab"));
  EXPECT_EQ(m_hooks.calls[0].parameters.AsArray().Items()[1], Variant(Path("dest/run.cmd").string()));
  EXPECT_EQ(m_statesSeen, (std::vector<int>{kCabinetDone}));

  // Deselected files are left out and not counted; a deselected flagged
  // file reports nothing.
  m_hooks.calls.clear();
  m_cab->SetDestination(Path("dest2").string());
  m_cab->Files().FileAt(0)->SetSelected(false);
  m_cab->Files().FileAt(2)->SetSelected(false);
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(1));
  EXPECT_EQ(TreeOf(Path("dest2")), (std::map<std::string, std::string>{{"привет.txt", "кириллица"}}));
  EXPECT_TRUE(m_hooks.calls.empty());
}

// Read-only, hidden and archive come from the item's bits (system does
// not), run-after-extraction from `execute`; extracting applies read-only.
TEST_F(CabinetExTest, CompressingKeepsTheWindowsBitsThatMatter) {
  TCabinetEx writer;
  writer.SetMode(TCabinetMode::cmCompress);
  writer.SetDestination(Path("bits.cab").string());
  AddSource(writer, "locked.txt", "locked").SetCabinetAttributes(0x27);
  TCabinetFile& run = AddSource(writer, "run.txt", "run");
  run.SetCabinetAttributes(0x01);
  run.SetExecute(true);
  writer.SetExec("execute");
  ASSERT_EQ(writer.GetExec(), Variant(2));

  OpenForReading(Path("bits.cab"));
  ASSERT_EQ(m_cab->Files().Count(), 2);
  EXPECT_EQ(m_cab->Files().FileAt(0)->CabinetAttributes(), 0x23u);
  EXPECT_EQ(m_cab->Files().FileAt(1)->CabinetAttributes(), 0x41u);
  EXPECT_TRUE(m_cab->Files().FileAt(1)->Execute());
  m_cab->SetExec("extract");
  for (const char* name : {"dest/locked.txt", "dest/run.txt"}) {
    struct stat info {};
    ASSERT_EQ(::stat(Path(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0333, 0u) << name << ": read-only, and never executable";
  }
}

// A handler that frees the cabinet in the middle of the extraction.
TEST_F(CabinetExTest, AHandlerMayFreeTheCabinet) {
  WriteRawCabinet(Path("free.cab"), {{"..\\refused.txt", "x"}, {"kept.txt", "kept"}});
  OpenForReading(Path("free.cab"));
  Bind("onerror");
  m_onCall = [this](const ScriptCall&) {
    platform::TComponent::Free(*m_cab);
    return Variant(0);
  };
  m_cab->SetExec("extract");
  EXPECT_EQ(m_hooks.root.ComponentCount(), 0);
  EXPECT_EQ(ReadFile(Path("dest/kept.txt")), "kept");
}

TEST_F(CabinetExTest, CabextractReadsWhatIsWrittenWithItsSetId) {
  if (!HaveCabextract()) GTEST_SKIP() << "cabextract is not installed (scripts/bootstrap.sh installs it)";
  TCabinetEx writer;
  writer.SetMode(TCabinetMode::cmCompress);
  writer.SetDestination(Path("set.cab").string());
  writer.SetSetId(0x1234);
  AddSource(writer, "a.txt", std::string(5000, 'a'));
  AddSource(writer, "b.txt", "bee", "sub/b.txt");
  AddSource(writer, "ж.txt", "zh");
  writer.SetExec("execute");
  ASSERT_EQ(writer.GetExec(), Variant(3));

  const CommandResult test = RunCommand("cabextract -t " + Quoted(Path("set.cab")));
  EXPECT_EQ(test.status, 0) << test.output;
  const CommandResult list = RunCommand("cabextract -l " + Quoted(Path("set.cab")));
  ASSERT_EQ(list.status, 0) << list.output;
  // " File size | Date       Time     | Name"
  std::map<std::string, long> listed;
  std::istringstream lines(list.output);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find(" | ");
    const std::size_t second = first == std::string::npos ? first : line.find(" | ", first + 3);
    if (second == std::string::npos || line.find("File size") != std::string::npos) continue;
    listed[line.substr(second + 3)] = std::stol(line.substr(0, first));
  }
  EXPECT_EQ(listed, (std::map<std::string, long>{{"a.txt", 5000}, {"sub/b.txt", 3}, {"ж.txt", 2}}));

  OpenForReading(Path("set.cab"));
  EXPECT_EQ(m_cab->SetId(), 0x1234);
  EXPECT_NE(m_cab->Files().Xml().find("<recordset id=\"4660\">"), std::string::npos);
  m_cab->SetExec("close");
  EXPECT_EQ(m_cab->SetId(), 0) << "closing forgets the set id";
  EXPECT_EQ(m_cab->Files().Count(), 0);
}

// Each hostile name alone in a cabinet: where it lands, or the code it is
// refused with, and afterwards nothing outside the destination.
TEST_F(CabinetExTest, HostileNamesStayInsideTheDestination) {
  const struct {
    const char* name;
    bool link;             // dest/link -> ../outside
    const char* landsAt;   // inside dest, or nullptr
    int code;              // the "error" code when refused
  } cases[] = {
      {"..\\evil.txt", false, nullptr, kCabinetErrorInvalidName},
      {"../evil.txt", false, nullptr, kCabinetErrorInvalidName},
      {"a\\..\\..\\evil.txt", false, nullptr, kCabinetErrorInvalidName},
      {"\\abs.txt", false, "abs.txt", 0},
      {"/tmp/abs.txt", false, "tmp/abs.txt", 0},
      {"C:\\drive.txt", false, "C:/drive.txt", 0},
      {"link\\x.txt", true, nullptr, kCabinetErrorCantResolveFilename},
  };
  Bind("onerror");
  m_answer = Variant(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Path("dest"));
    fs::remove_all(Path("outside"));
    fs::create_directories(Path("dest"));
    fs::create_directories(Path("outside"));
    if (c.link) fs::create_directory_symlink("../outside", Path("dest/link"));
    WriteRawCabinet(Path("hostile.cab"), {{c.name, "payload"}});
    m_hooks.calls.clear();
    OpenForReading(Path("hostile.cab"));
    ASSERT_EQ(m_cab->Files().Count(), 1);
    std::string stored = c.name;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    EXPECT_EQ(m_cab->Files().FileAt(0)->Name(), stored) << "listed as stored (libgcab writes \\)";
    m_cab->SetExec("extract");
    EXPECT_EQ(m_cab->GetExec(), Variant(c.landsAt ? 1 : 0));

    std::map<std::string, std::string> expected{{"dest", "/"}, {"outside", "/"}, {"hostile.cab", ""}};
    if (c.link) expected["dest/link"] = "-> ../outside";
    if (c.landsAt) {
      expected["dest/" + std::string(c.landsAt)] = "payload";
      for (fs::path up = fs::path(c.landsAt).parent_path(); !up.empty(); up = up.parent_path())
        expected["dest/" + up.string()] = "/";
      EXPECT_TRUE(ErrorCodes().empty());
    } else {
      EXPECT_EQ(ErrorCodes(), std::vector<int>{c.code});
    }
    auto tree = TreeOf(m_root.Path());
    tree["hostile.cab"] = "";
    EXPECT_EQ(tree, expected);
  }
}

// The answer of "error" decides: a code of 1 or more (also the code itself,
// kept when the answer is no number) ends the extraction, anything else
// skips the file.
TEST_F(CabinetExTest, TheErrorAnswerEndsOrSkips) {
  WriteRawCabinet(Path("mixed.cab"), {{"first.txt", "1"}, {"..\\evil.txt", "2"}, {"last.txt", "3"}});
  const struct {
    const char* what;
    Variant answer;
    bool ends;
  } cases[] = {
      {"1", Variant(1), true},
      {"7.0", Variant(7.0), true},
      {"nothing keeps the code", Variant(), true},
      {"a text keeps the code", Variant("skip"), true},
      {"0", Variant(0), false},
      {"False", Variant(false), false},
      {"True is -1", Variant(true), false},
      {"-5", Variant(-5), false},
  };
  Bind("onerror");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Path("dest"));
    m_hooks.calls.clear();
    OpenForReading(Path("mixed.cab"));
    m_answer = c.answer;
    std::optional<std::string> raised;
    try {
      m_cab->SetExec("extract");
    } catch (const ECabinetError& error) {
      raised = error.what();
    }
    EXPECT_EQ(m_cab->State(), c.ends ? kCabinetOpen : kCabinetDone);
    if (c.ends) {
      EXPECT_EQ(raised, "Cabinet error 11 (type 0)");
      EXPECT_EQ(TreeOf(Path("dest")), (std::map<std::string, std::string>{{"first.txt", "1"}}));
    } else {
      EXPECT_EQ(raised, std::nullopt);
      EXPECT_EQ(m_cab->GetExec(), Variant(2));
      EXPECT_EQ(TreeOf(Path("dest")), (std::map<std::string, std::string>{{"first.txt", "1"}, {"last.txt", "3"}}));
    }
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    const auto& data = m_hooks.calls[0].parameters.AsArray().Items();
    EXPECT_EQ(data[0], Variant("cab"));
    EXPECT_EQ(data[1].ToInt(), 1) << "the file's index";
    EXPECT_EQ(data[2].ToInt(), kCabinetErrorInvalidName);
  }
}

TEST_F(CabinetExTest, AfterAnAbortTheScriptCanSelectAgain) {
  WriteRawCabinet(Path("mixed.cab"), {{"first.txt", "1"}, {"..\\evil.txt", "2"}, {"last.txt", "3"}});
  OpenForReading(Path("mixed.cab"));
  Bind("onerror");
  m_answer = Variant(1);
  EXPECT_THROW(m_cab->SetExec("extract"), ECabinetError);
  m_cab->Files().FileAt(1)->SetSelected(false);
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(2));
  EXPECT_EQ(TreeOf(Path("dest")), (std::map<std::string, std::string>{{"first.txt", "1"}, {"last.txt", "3"}}));

  // Without a handler a refused file is skipped with code 0.
  m_cab->GetEvents()->DetachEvent("onerror");
  m_cab->Files().FileAt(1)->SetSelected(true);
  m_hooks.calls.clear();
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(2));
  EXPECT_TRUE(m_hooks.calls.empty());
}

TEST_F(CabinetExTest, ExistingTargetsAreReplacedNeverWrittenThrough) {
  const struct {
    const char* what;
    bool hardLink;
  } cases[] = {{"hard link", true}, {"symbolic link", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(Path("dest"));
    fs::create_directories(Path("dest"));
    testing::WriteFile(Path("outside/t.txt"), "outside bytes");
    if (c.hardLink)
      fs::create_hard_link(Path("outside/t.txt"), Path("dest/t.txt"));
    else
      fs::create_symlink("../outside/t.txt", Path("dest/t.txt"));
    WriteRawCabinet(Path("t.cab"), {{"t.txt", "new bytes", 0x21}});
    OpenForReading(Path("t.cab"));
    m_cab->SetExec("extract");
    EXPECT_EQ(m_cab->GetExec(), Variant(1));
    EXPECT_EQ(ReadFile(Path("outside/t.txt")), "outside bytes");
    EXPECT_EQ(ReadFile(Path("dest/t.txt")), "new bytes");
    struct stat info {};
    ASSERT_EQ(::lstat(Path("dest/t.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0222, 0u) << "read-only leaves no write bits";
    EXPECT_EQ(info.st_nlink, 1u);
  }
}

TEST_F(CabinetExTest, DamagedInput) {
  // Not a cabinet: closed, nothing listed, no exception.
  testing::WriteFile(Path("text.cab"), "just some text, long enough to hold a header of a cabinet file");
  OpenForReading(Path("text.cab"));
  EXPECT_EQ(m_cab->State(), kCabinetClosed);
  EXPECT_FALSE(m_cab->Active());
  EXPECT_EQ(m_cab->Files().Count(), 0);
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(-1));

  // Incompressible bytes, so that half the cabinet ends inside the data.
  std::string noise(20000, '\0');
  std::uint32_t seed = 12345;
  for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  WriteRawCabinet(Path("whole.cab"), {{"noise.bin", noise}});
  const std::string whole = ReadFile(Path("whole.cab"));
  testing::WriteFile(Path("half.cab"), whole.substr(0, whole.size() / 2));
  OpenForReading(Path("half.cab"));
  ASSERT_EQ(m_cab->State(), kCabinetOpen) << "the file table is whole";
  try {
    m_cab->SetExec("extract");
    FAIL() << "a cut cabinet extracted";
  } catch (const ECabinetError& error) {
    EXPECT_EQ(error.Code(), kFdiCorruptCabinet);
  }
  EXPECT_EQ(m_cab->State(), kCabinetOpen);
  EXPECT_TRUE(TreeOf(Path("dest")).empty()) << "no partial file, no private folder";

  // A folder in a compression libgcab does not know (the type at byte 42).
  WriteRawCabinet(Path("plain.cab"), {{"p.txt", "plain"}});
  std::string quantum = ReadFile(Path("plain.cab"));
  ASSERT_EQ(quantum[42], 1) << "MSZIP";
  quantum[42] = 2;
  testing::WriteFile(Path("quantum.cab"), quantum);
  OpenForReading(Path("quantum.cab"));
  try {
    m_cab->SetExec("extract");
    FAIL() << "an unknown compression extracted";
  } catch (const ECabinetError& error) {
    EXPECT_EQ(std::string(error.what()), "Cabinet error 6 (type 0)");
  }
  EXPECT_TRUE(TreeOf(Path("dest")).empty());

  // Cut inside the header: not a cabinet.
  testing::WriteFile(Path("stub.cab"), whole.substr(0, 60));
  OpenForReading(Path("stub.cab"));
  EXPECT_EQ(m_cab->State(), kCabinetClosed);

  // A missing cabinet is an error of its own.
  try {
    OpenForReading(Path("missing.cab"));
    FAIL() << "a missing cabinet opened";
  } catch (const ECabinetError& error) {
    EXPECT_EQ(std::string(error.what()), "Cabinet error 1 (type 2)");
  }
}

TEST_F(CabinetExTest, NamesWithoutTheUtf8BitReadInTheProjectCodePage) {
  WriteRawCabinet(Path("cp.cab"), {{"XXXX.txt", "cp1251"}});
  std::string bytes = ReadFile(Path("cp.cab"));
  const std::size_t at = bytes.find("XXXX.txt");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 4, "\xF2\xE5\xF1\xF2");  // "тест" in windows-1251
  testing::WriteFile(Path("cp.cab"), bytes);
  OpenForReading(Path("cp.cab"));
  ASSERT_EQ(m_cab->Files().Count(), 1);
  EXPECT_EQ(m_cab->Files().FileAt(0)->Name(), "тест.txt");
  EXPECT_EQ(m_cab->Files().FileAt(0)->CabinetAttributes() & kCabinetAttributeUtf8Name, 0u);
  m_cab->SetExec("extract");
  EXPECT_EQ(ReadFile(Path("dest/тест.txt")), "cp1251");
}

TEST_F(CabinetExTest, WritesWhileWorkingAreIgnoredAndCloseWaits) {
  WriteRawCabinet(Path("w.cab"), {{"..\\refused.txt", "x"}, {"kept.txt", "kept"}});
  OpenForReading(Path("w.cab"));
  Bind("onerror");
  m_onCall = [this](const ScriptCall&) {
    m_cab->SetSource(Path("other.cab").string());
    m_cab->SetDestination(Path("elsewhere").string());
    m_cab->SetMode(TCabinetMode::cmCompress);
    m_cab->SetExec("close");
    return Variant(0);
  };
  m_cab->SetExec("extract");
  EXPECT_EQ(m_cab->GetExec(), Variant(1));
  EXPECT_EQ(m_statesSeen, std::vector<int>{kCabinetWorking});
  EXPECT_EQ(m_cab->Source(), Path("w.cab").string());
  EXPECT_EQ(m_cab->Destination(), Dest());
  EXPECT_EQ(m_cab->Mode(), TCabinetMode::cmDecompress);
  EXPECT_EQ(ReadFile(Path("dest/kept.txt")), "kept");
  EXPECT_FALSE(fs::exists(Path("elsewhere")));
  // The close came when the extraction was over.
  EXPECT_EQ(m_cab->State(), kCabinetClosed);
  EXPECT_EQ(m_cab->Files().Count(), 0);
}

TEST_F(CabinetExTest, LookupAddsOnlyWhenCompressing) {
  testing::WriteFile(Path("new"), "n");
  m_cab->SetMode(TCabinetMode::cmCompress);
  TCabinetFile* added = static_cast<TCabinetFile*>(m_cab->Files().ItemByName(Path("new").string()));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(m_cab->Files().Count(), 1);
  EXPECT_EQ(added->Size(), 1);
  m_cab->SetMode(TCabinetMode::cmDecompress);
  EXPECT_EQ(m_cab->Files().Count(), 0) << "the mode change closed and cleared";
  EXPECT_EQ(m_cab->Files().ItemByName("new"), nullptr);
  EXPECT_EQ(m_cab->Files().Count(), 0);
}

TEST_F(CabinetExTest, CompressRefusesBadSourcesAtOpenAndWritesNothing) {
  fs::create_directories(Path("folder"));
  const struct {
    const char* what;
    std::string name;
    std::string alias;
    const char* message;
  } cases[] = {
      {"alias climbing out", "a.txt", "..\\x.txt", "Cabinet error 1 (type 22)"},
      {"alias with no name", "a.txt", "\\.\\", "Cabinet error 1 (type 22)"},
      {"a folder", "../folder", "", "Cabinet error 1 (type 21)"},
      {"a missing file", "none.txt", "", "Cabinet error 1 (type 2)"},
      {"more than one folder holds", "big.bin", "", "Cabinet error 6 (type 27)"},
  };
  // Sparse: one byte past what a folder holds costs no disk.
  {
    testing::WriteFile(Path("src/big.bin"), "", testing::MakeFolders::Yes);
    fs::resize_file(Path("src/big.bin"), kCabinetMaxFolderBytes + 1);
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TCabinetEx writer;
    writer.SetMode(TCabinetMode::cmCompress);
    writer.SetDestination(Path("refused.cab").string());
    testing::WriteFile(Path("src/a.txt"), "a", testing::MakeFolders::Yes);
    auto& file = static_cast<TCabinetFile&>(writer.Files().AddFile((Path("src") / c.name).string()));
    file.SetAlias(c.alias);
    try {
      writer.SetExec("open");
      FAIL() << "opened";
    } catch (const ECabinetError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
    EXPECT_EQ(writer.State(), kCabinetClosed);
    writer.SetExec("flush");
    EXPECT_EQ(writer.GetExec(), Variant(-1));
    EXPECT_FALSE(fs::exists(Path("refused.cab")));
  }
}

TEST_F(CabinetExTest, AFailedFlushKeepsTheOldCabinet) {
  WriteRawCabinet(Path("keep.cab"), {{"old.txt", "old"}});
  const std::string old = ReadFile(Path("keep.cab"));
  TCabinetEx writer;
  writer.SetMode(TCabinetMode::cmCompress);
  writer.SetDestination(Path("keep.cab").string());
  AddSource(writer, "gone.txt", "soon gone");
  writer.SetExec("open");
  fs::remove(Path("src/gone.txt"));
  EXPECT_THROW(writer.SetExec("flush"), ECabinetError);
  EXPECT_EQ(writer.State(), kCabinetOpen) << "not left working";
  EXPECT_EQ(ReadFile(Path("keep.cab")), old);
  for (const auto& entry : fs::directory_iterator(m_root.Path()))
    EXPECT_EQ(entry.path().filename().string().find(".keep.cab."), std::string::npos) << "temporary file left";
}

TEST_F(CabinetExTest, AFlushIntoAReadOnlyFolderKeepsTheOldCabinet) {
  if (::geteuid() == 0) GTEST_SKIP() << "a read-only folder does not stop root";
  WriteRawCabinet(Path("keep.cab"), {{"old.txt", "old"}});
  const std::string old = ReadFile(Path("keep.cab"));
  TCabinetEx writer;
  writer.SetMode(TCabinetMode::cmCompress);
  writer.SetDestination(Path("keep.cab").string());
  AddSource(writer, "new.txt", "new");
  writer.SetExec("open");
  fs::permissions(m_root.Path(), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_THROW(writer.SetExec("flush"), ECabinetError);
  fs::permissions(m_root.Path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadFile(Path("keep.cab")), old);
}

TEST_F(CabinetExTest, ExecWordsAnswerByModeAndState) {
  WriteRawCabinet(Path("two.cab"), {{"a.txt", "a"}, {"b.txt", "b"}});
  const struct {
    const char* word;
    Variant result;
  } closedCases[] = {{"extract", Variant(-1)}, {"flush", Variant(-1)}, {"selectall", Variant(0)},
                     {"OPEN", Variant(true)}, {"unknown", Variant(false)}};
  m_cab->SetSource(Path("missing-for-now.cab").string());
  for (const auto& c : closedCases) {
    if (std::string(c.word) == "OPEN") m_cab->SetSource(Path("two.cab").string());
    m_cab->SetExec(c.word);
    EXPECT_EQ(m_cab->GetExec(), c.result) << c.word;
  }
  EXPECT_TRUE(m_cab->Active());
  m_cab->SetExec("flush");
  EXPECT_EQ(m_cab->GetExec(), Variant(-1)) << "flush in cmDecompress";
  m_cab->SetExec("deselectall");
  EXPECT_EQ(m_cab->GetExec(), Variant(2));
  EXPECT_NE(m_cab->Files().Xml().find("<selected>false</selected>"), std::string::npos);
  m_cab->SetExec("selectall");
  // "execute" opens when needed.
  m_cab->SetExec("close");
  m_cab->SetDestination(Dest());
  m_cab->SetExec("execute");
  EXPECT_EQ(m_cab->GetExec(), Variant(2));
  // A new source while active opens it at once.
  WriteRawCabinet(Path("one.cab"), {{"c.txt", "c"}});
  m_cab->SetSource(Path("one.cab").string());
  EXPECT_EQ(m_cab->State(), kCabinetOpen);
  EXPECT_EQ(m_cab->Files().Count(), 1);
}

}  // namespace
}  // namespace halbrin::framework_test
