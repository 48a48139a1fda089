#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace halbrin::platform {
namespace {

namespace fs = std::filesystem;

using testing::MakeFolders;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempFolder;
using testing::WriteFile;

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest()
      : m_temp("registry_test"),
        m_config("XDG_CONFIG_HOME", m_temp.Path("config")),
        m_data("XDG_DATA_HOME", m_temp.Path("data")),
        m_runtime("XDG_RUNTIME_DIR", m_temp.Path("runtime")) {}

  fs::path RootFile(std::string_view rootName) const {
    return m_temp.Path() / "config" / "Zebrin" / "registry" / (std::string(rootName) + ".ini");
  }
  fs::path UserFile() const { return RootFile("HKEY_CURRENT_USER"); }

  TempFolder m_temp;
  ScopedEnv m_config;
  ScopedEnv m_data;
  ScopedEnv m_runtime;
};

// Every type survives a save and a fresh read, keeping its type.
TEST_F(RegistryTest, ValuesOfEveryTypeRoundTripThroughTheFile) {
  const std::vector<std::string> texts = {
      "plain",
      "",
      "name=value=more",
      "line one\nline two\r\n\tindented",
      "  leading and trailing  ",
      "Grüße, 日本語, ✓",
      "back\\slash and semi;colon",
      "#not a comment",
      "[not a group]",
      "string:looks typed",
  };
  const std::vector<std::int32_t> integers = {0, 1, -1, 42, INT32_MIN, INT32_MAX};
  const std::vector<std::vector<std::uint8_t>> blobs = {
      {},
      {0x00},
      {0x00, 0xFF, 0x00, 0x7F, 0x80},
      // A TRect: left, top, right, bottom as little-endian 32-bit integers.
      {0x0A, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,
       0x20, 0x03, 0x00, 0x00, 0x58, 0x02, 0x00, 0x00},
  };
  const std::vector<std::vector<std::string>> lists = {
      {}, {""}, {"", ""}, {"one"}, {"a;b", " c", "", "ü"}, {"multi:", "x\ny"},
  };

  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
    for (std::size_t i = 0; i < texts.size(); ++i) reg.WriteString("s" + std::to_string(i), texts[i]);
    for (std::size_t i = 0; i < integers.size(); ++i)
      reg.WriteInteger("i" + std::to_string(i), integers[i]);
    for (std::size_t i = 0; i < blobs.size(); ++i) reg.WriteBinaryData("b" + std::to_string(i), blobs[i]);
    for (std::size_t i = 0; i < lists.size(); ++i) reg.WriteMultiString("m" + std::to_string(i), lists[i]);
    reg.WriteBool("yes", true);
    reg.WriteBool("no", false);
    reg.CloseKey();
  }

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Test", false));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    std::string name = "s" + std::to_string(i);
    EXPECT_EQ(reg.GetDataType(name), RegDataType::String);
    EXPECT_EQ(reg.ReadString(name), texts[i]);
  }
  for (std::size_t i = 0; i < integers.size(); ++i) {
    std::string name = "i" + std::to_string(i);
    EXPECT_EQ(reg.GetDataType(name), RegDataType::Integer);
    EXPECT_EQ(reg.ReadInteger(name), integers[i]);
  }
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    std::string name = "b" + std::to_string(i);
    EXPECT_EQ(reg.GetDataType(name), RegDataType::Binary);
    EXPECT_EQ(reg.ReadBinaryData(name), blobs[i]);
  }
  for (std::size_t i = 0; i < lists.size(); ++i) {
    std::string name = "m" + std::to_string(i);
    EXPECT_EQ(reg.GetDataType(name), RegDataType::MultiString);
    EXPECT_EQ(reg.ReadMultiString(name), lists[i]) << name;
  }
  EXPECT_TRUE(reg.ReadBool("yes"));
  EXPECT_FALSE(reg.ReadBool("no"));
  EXPECT_EQ(reg.GetDataType("yes"), RegDataType::Integer);
}

// The file is meant to be read and edited by hand, so its layout matters.
TEST_F(RegistryTest, FileUsesTypedIniLines) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Vendor", true));
    reg.WriteString("", "default");
    reg.WriteString("Title", "a\nb");
    reg.WriteInteger("Count", -5);
    reg.WriteBinaryData("Blob", {0x00, 0xAB, 0xFF});
    reg.WriteMultiString("List", {"x", "y"});
  }
  std::string text = ReadFile(UserFile());
  EXPECT_NE(text.find("[Software]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Software\\Vendor]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n@=string:default\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nTitle=string:a\\nb\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nCount=integer:-5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nBlob=binary:00ABFF\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nList=multi:x;y;\n"), std::string::npos) << text;
}

TEST_F(RegistryTest, ReadsAHandWrittenFile) {
  WriteFile(UserFile(),
            "# written by hand\n"
            "[Software/Vendor\\App]\n"
            "@=string:the default\n"
            "Mask=integer:4294967295\n"
            "Blob=binary:00ff0a\n"
            "Empty=multi:\n",
            MakeFolders::Yes);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Vendor\\App", false));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Vendor"));
  EXPECT_EQ(reg.ReadString(""), "the default");
  EXPECT_EQ(reg.ReadInteger("Mask"), -1);  // REG_DWORD 0xFFFFFFFF
  EXPECT_EQ(reg.ReadBinaryData("Blob"), (std::vector<std::uint8_t>{0x00, 0xFF, 0x0A}));
  EXPECT_TRUE(reg.ReadMultiString("Empty").empty());
  EXPECT_EQ(reg.GetDataType("Empty"), RegDataType::MultiString);
}

TEST_F(RegistryTest, NamesWithIniSyntaxRoundTrip) {
  const std::vector<std::string> valueNames = {
      "a=b", "[x]", "#hash", " padded ", "100%", "%41", "line\nbreak", "@", "@home", "ü=ö",
  };
  const std::vector<std::string> keyNames = {"[Group]", "50%", "#1", " space ", "tab\there"};
  {
    TRegistry reg;
    for (const std::string& key : keyNames) {
      ASSERT_TRUE(reg.OpenKey("\\Names\\" + key, true)) << key;
      for (const std::string& value : valueNames) reg.WriteString(value, key + "|" + value);
    }
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Names", false));
  std::vector<std::string> sortedKeys = reg.GetKeyNames();
  EXPECT_EQ(sortedKeys.size(), keyNames.size());
  for (const std::string& key : keyNames) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(reg.OpenKey("\\Names\\" + key, false));
    EXPECT_EQ(reg.GetValueNames(), valueNames);
    for (const std::string& value : valueNames) EXPECT_EQ(reg.ReadString(value), key + "|" + value);
  }
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreLetterCaseAndKeepFirstSpelling) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\MyApp\\Ärger", true));
    reg.WriteInteger("Width", 640);
    reg.WriteString("Größe", "big");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\myapp\\äRGER", false));
  EXPECT_EQ(reg.CurrentPath(), "Software\\MyApp\\Ärger");
  EXPECT_TRUE(reg.ValueExists("WIDTH"));
  EXPECT_EQ(reg.ReadInteger("wIdTh"), 640);
  EXPECT_EQ(reg.ReadString("GRÖSSE"), "big");  // full case folding: ß matches SS

  reg.WriteInteger("WIDTH", 800);
  ASSERT_TRUE(reg.OpenKey("\\software\\MYAPP\\ärger\\Sub", true));
  reg.CloseKey();

  ASSERT_TRUE(reg.OpenKey("Software", false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"MyApp"});
  ASSERT_TRUE(reg.OpenKey("MyApp\\Ärger", false));
  EXPECT_EQ(reg.GetKeyNames(), std::vector<std::string>{"Sub"});
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"Width", "Größe"}));
  EXPECT_EQ(reg.ReadInteger("width"), 800);
  const std::string text = ReadFile(UserFile());
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), 4) << "one group per key: " << text;
}

TEST_F(RegistryTest, DefaultValueIsTheEmptyNameAndDiffersFromAValueNamedAt) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Defaults", true));
    reg.WriteString("", "unnamed");
    reg.WriteString("@", "literal at");
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Defaults", false));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<std::string>{"", "@"}));
  EXPECT_EQ(reg.ReadString(""), "unnamed");
  EXPECT_EQ(reg.ReadString("@"), "literal at");
  EXPECT_TRUE(reg.DeleteValue(""));
  EXPECT_FALSE(reg.ValueExists(""));
  EXPECT_TRUE(reg.ValueExists("@"));
}

TEST_F(RegistryTest, NestedKeysOpenRelativelyAndDeleteWithTheirSubKeys) {
  TRegistry reg;
  ASSERT_TRUE(reg.CreateKey("A\\B\\C"));
  ASSERT_TRUE(reg.CreateKey("/A/B/D"));
  EXPECT_TRUE(reg.KeyExists("A"));
  EXPECT_TRUE(reg.KeyExists("a\\b"));
  EXPECT_FALSE(reg.KeyExists("A\\C"));

  ASSERT_TRUE(reg.OpenKey("A", false));
  ASSERT_TRUE(reg.OpenKey("B", false));  // relative to A
  EXPECT_EQ(reg.CurrentPath(), "A\\B");
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<std::string>{"C", "D"}));
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_FALSE(reg.OpenKey("A", false)) << "A\\B\\A does not exist";
  EXPECT_EQ(reg.CurrentPath(), "A\\B") << "a failed open keeps the current key";
  ASSERT_TRUE(reg.OpenKey("C", false));
  reg.WriteString("deep", "value");
  ASSERT_TRUE(reg.OpenKey("\\A", false));  // leading separator: from the root
  EXPECT_EQ(reg.CurrentPath(), "A");

  EXPECT_TRUE(reg.DeleteKey("B"));
  EXPECT_FALSE(reg.DeleteKey("B"));
  EXPECT_FALSE(reg.KeyExists("\\A\\B\\C"));
  EXPECT_TRUE(reg.KeyExists("\\A"));
  reg.CloseKey();

  TRegistry again;
  EXPECT_TRUE(again.KeyExists("A"));
  EXPECT_FALSE(again.KeyExists("A\\B"));
  EXPECT_FALSE(again.KeyExists("A\\B\\C"));
  EXPECT_EQ(ReadFile(UserFile()).find("deep"), std::string::npos);
}

TEST_F(RegistryTest, MissingValuesAndWrongTypes) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Types", true));
  reg.WriteString("text", "12");
  reg.WriteInteger("number", 12);

  EXPECT_EQ(reg.ReadString("missing"), "");
  EXPECT_TRUE(reg.ReadBinaryData("missing").empty());
  EXPECT_TRUE(reg.ReadMultiString("missing").empty());
  EXPECT_EQ(reg.GetDataType("missing"), RegDataType::Unknown);
  EXPECT_FALSE(reg.DeleteValue("missing"));

  auto expectInvalidType = [](auto read, const std::string& name) {
    try {
      read();
      ADD_FAILURE() << "no error for " << name;
    } catch (const ERegistryError& error) {
      EXPECT_EQ(error.Message(), "Invalid data type for '" + name + "'");
      EXPECT_EQ(error.ClassName(), "ERegistryError");
    }
  };
  expectInvalidType([&] { reg.ReadInteger("missing"); }, "missing");
  expectInvalidType([&] { reg.ReadInteger("text"); }, "text");
  expectInvalidType([&] { reg.ReadBool("text"); }, "text");
  expectInvalidType([&] { reg.ReadString("number"); }, "number");
  expectInvalidType([&] { reg.ReadBinaryData("number"); }, "number");
  expectInvalidType([&] { reg.ReadMultiString("text"); }, "text");

  // Writing another type replaces the value and its type.
  reg.WriteBinaryData("number", {1, 2});
  EXPECT_EQ(reg.GetDataType("number"), RegDataType::Binary);
}

TEST_F(RegistryTest, ReadOnlyAndClosedRegistriesRefuseWrites) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Locked", true));
    reg.WriteString("keep", "me");
  }
  const std::string before = ReadFile(UserFile());

  TRegistry readOnly(RootKey::CurrentUser, true);
  EXPECT_TRUE(readOnly.ReadOnly());
  EXPECT_FALSE(readOnly.OpenKey("Missing", true));
  ASSERT_TRUE(readOnly.OpenKey("Locked", true));
  EXPECT_EQ(readOnly.ReadString("keep"), "me");
  EXPECT_THROW(readOnly.WriteString("keep", "changed"), ERegistryError);
  EXPECT_THROW(readOnly.WriteInteger("n", 1), ERegistryError);
  EXPECT_THROW(readOnly.DeleteValue("keep"), ERegistryError);
  EXPECT_THROW(readOnly.CreateKey("Sub"), ERegistryError);
  EXPECT_THROW(readOnly.DeleteKey("\\Locked"), ERegistryError);
  readOnly.CloseKey();
  EXPECT_EQ(ReadFile(UserFile()), before);

  TRegistry writable;
  ASSERT_TRUE(writable.OpenKeyReadOnly("Locked"));
  EXPECT_FALSE(writable.OpenKeyReadOnly("Missing"));
  EXPECT_THROW(writable.WriteString("keep", "changed"), ERegistryError);
  ASSERT_TRUE(writable.OpenKey("\\Locked", false));
  EXPECT_NO_THROW(writable.WriteString("other", "ok")) << "OpenKey lifts OpenKeyReadOnly";

  writable.CloseKey();
  try {
    writable.WriteString("late", "x");
    ADD_FAILURE() << "closed registry accepted a write";
  } catch (const ERegistryError& error) {
    EXPECT_EQ(error.Message(), "Failed to set data for 'late': no key is open");
  }
  ASSERT_TRUE(writable.OpenKey("\\", false));
  EXPECT_THROW(writable.WriteString("atRoot", "x"), ERegistryError);
}

TEST_F(RegistryTest, WritingIntoADeletedKeyFails) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Gone\\Child", true));
  ASSERT_TRUE(reg.DeleteKey("\\Gone"));
  EXPECT_THROW(reg.WriteString("x", "y"), ERegistryError);
}

TEST_F(RegistryTest, InvalidUtf8IsRefused) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Utf8", true));
  EXPECT_THROW(reg.WriteString("bad\xFF", "x"), ERegistryError);
  EXPECT_THROW(reg.WriteString("good", "bad\xC3"), ERegistryError);
  EXPECT_THROW(reg.WriteString("nul", std::string("a\0b", 3)), ERegistryError);
  EXPECT_THROW(reg.WriteMultiString("list", {"ok", "\xFE"}), ERegistryError);
  EXPECT_FALSE(reg.OpenKey("\xFF", true));
  EXPECT_THROW(reg.CreateKey("\xFF"), ERegistryError);
  EXPECT_FALSE(reg.ValueExists("bad\xFF"));
  reg.CloseKey();
  // What was refused left nothing behind that could not be read again.
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("Utf8", false));
  EXPECT_TRUE(again.GetValueNames().empty());
}

TEST_F(RegistryTest, TwoWritersOfOneFileLoseNothing) {
  {
    TRegistry seed;
    ASSERT_TRUE(seed.OpenKey("Shared", true));
    seed.WriteString("obsolete", "old");
    seed.WriteString("kept", "old");
  }
  TRegistry first;
  TRegistry second;
  ASSERT_TRUE(first.OpenKey("Shared", false));
  ASSERT_TRUE(second.OpenKey("Shared", false));
  first.WriteInteger("fromFirst", 1);
  first.WriteString("kept", "first");
  ASSERT_TRUE(first.OpenKey("\\FirstOnly", true));
  second.WriteInteger("fromSecond", 2);
  EXPECT_TRUE(second.DeleteValue("obsolete"));
  first.CloseKey();
  // `second` loaded before `first` saved; its save must merge, not overwrite.
  EXPECT_FALSE(second.ValueExists("fromFirst"));
  second.CloseKey();

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKey("Shared", false));
  EXPECT_EQ(reader.ReadInteger("fromFirst"), 1);
  EXPECT_EQ(reader.ReadInteger("fromSecond"), 2);
  EXPECT_EQ(reader.ReadString("kept"), "first");
  EXPECT_FALSE(reader.ValueExists("obsolete"));
  EXPECT_TRUE(reader.KeyExists("\\FirstOnly"));

  // After its save a writer sees the other's values too.
  ASSERT_TRUE(second.OpenKey("Shared", false));
  EXPECT_EQ(second.ReadInteger("fromFirst"), 1);
}

TEST_F(RegistryTest, DestructorSavesPendingChanges) {
  {
    TRegistry reg(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("Software\\Saved", true));
    reg.WriteString("v", "on destruction");
  }
  EXPECT_TRUE(fs::exists(RootFile("HKEY_LOCAL_MACHINE")));
  TRegistry reg(RootKey::LocalMachine);
  ASSERT_TRUE(reg.OpenKey("Software\\Saved", false));
  EXPECT_EQ(reg.ReadString("v"), "on destruction");
  EXPECT_FALSE(fs::exists(UserFile())) << "each root has its own file";
}

TEST_F(RegistryTest, SetRootKeySavesAndSwitchesFile) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteInteger("user", 1);
  reg.SetRootKey(RootKey::ClassesRoot);
  EXPECT_EQ(reg.RootKey(), RootKey::ClassesRoot);
  EXPECT_EQ(reg.CurrentPath(), "");
  EXPECT_TRUE(fs::exists(UserFile()));
  EXPECT_FALSE(reg.KeyExists("K"));
  ASSERT_TRUE(reg.OpenKey(".txt", true));
  reg.WriteString("", "txtfile");
  reg.CloseKey();
  EXPECT_NE(ReadFile(RootFile("HKEY_CLASSES_ROOT")).find("[.txt]\n@=string:txtfile"),
            std::string::npos);
}

TEST_F(RegistryTest, EnvironmentIsReadWhenTheStoreIsOpened) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Here", true));
  }
  ScopedEnv elsewhere("XDG_CONFIG_HOME", m_temp.Path("other"));
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("Here"));
  ASSERT_TRUE(reg.OpenKey("There", true));
  reg.CloseKey();
  EXPECT_TRUE(fs::exists(m_temp.Path() / "other" / "Zebrin" / "registry" / "HKEY_CURRENT_USER.ini"));
}

TEST_F(RegistryTest, ConcurrentProcessesWritingTheSameFileLoseNothing) {
  constexpr int kValuesPerWriter = 50;
  auto writer = [&](const std::string& prefix) -> int {
    try {
      for (int i = 0; i < kValuesPerWriter; ++i) {
        TRegistry reg;
        if (!reg.OpenKey("Concurrent", true)) return 2;
        reg.WriteInteger(prefix + std::to_string(i), i);
        reg.CloseKey();  // one locked merge per value, interleaving with the other process
      }
      return 0;
    } catch (...) {
      return 1;
    }
  };

  std::vector<pid_t> children;
  for (const char* prefix : {"first", "second"}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(writer(prefix));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Concurrent", false));
  EXPECT_EQ(reg.GetValueNames().size(), 2u * kValuesPerWriter);
  for (const char* prefix : {"first", "second"})
    for (int i = 0; i < kValuesPerWriter; ++i)
      EXPECT_EQ(reg.ReadInteger(prefix + std::to_string(i)), i) << prefix << i;
  // No temporary file is left beside the store.
  for (const auto& entry : fs::directory_iterator(UserFile().parent_path())) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "HKEY_CURRENT_USER.ini" || name == "HKEY_CURRENT_USER.ini.lock") << name;
  }
}

struct DamagedCase {
  const char* what;
  const char* content;
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.what; }

class RegistryDamagedTest : public RegistryTest,
                            public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(RegistryDamagedTest, GivesAClearErrorAndIsNeverOverwritten) {
  const std::string content = GetParam().content;
  // A writer that loaded the good file before it was damaged.
  TRegistry early;
  ASSERT_TRUE(early.OpenKey("Before", true));
  early.WriteString("x", "y");
  WriteFile(UserFile(), content, MakeFolders::Yes);

  const std::string prefix = "Registry file \"" + UserFile().string() + "\" is damaged: ";
  TRegistry reg;
  try {
    reg.OpenKey("Anything", true);
    ADD_FAILURE() << "damaged file was read";
  } catch (const ERegistryError& error) {
    EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix) << error.Message();
    EXPECT_GT(error.Message().size(), prefix.size()) << "the error says what is wrong";
  }
  EXPECT_THROW(reg.KeyExists("Anything"), ERegistryError);
  try {
    early.CloseKey();
    ADD_FAILURE() << "saved into a damaged file";
  } catch (const ERegistryError& error) {
    EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix) << error.Message();
  }
  EXPECT_EQ(ReadFile(UserFile()), content);

  // The other roots are not affected.
  TRegistry machine(RootKey::LocalMachine);
  ASSERT_TRUE(machine.OpenKey("Fine", true));
  machine.WriteInteger("ok", 1);
  machine.CloseKey();
  ASSERT_TRUE(machine.OpenKey("Fine", false));
  EXPECT_EQ(machine.ReadInteger("ok"), 1);
  EXPECT_EQ(ReadFile(UserFile()), content);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, RegistryDamagedTest,
    ::testing::Values(DamagedCase{"NotAKeyFile", "this is not\nan ini file\n"},
                      DamagedCase{"ValueBeforeGroup", "v=string:x\n[K]\n"},
                      DamagedCase{"UnknownTypePrefix", "[K]\nv=float:1.5\n"},
                      DamagedCase{"NoTypePrefix", "[K]\nv=plain\n"},
                      DamagedCase{"IntegerNotANumber", "[K]\nv=integer:12abc\n"},
                      DamagedCase{"IntegerTooLarge", "[K]\nv=integer:4294967296\n"},
                      DamagedCase{"BinaryOddLength", "[K]\nv=binary:ABC\n"},
                      DamagedCase{"BinaryNotHex", "[K]\nv=binary:GG\n"},
                      DamagedCase{"StringBadEscape", "[K]\nv=string:\\q\n"},
                      DamagedCase{"GroupNotUtf8", "[K\xFF]\nv=string:x\n"},
                      DamagedCase{"ValueNotUtf8", "[K]\nv=string:\xC3\n"},
                      DamagedCase{"EmptyGroupPath", "[\\]\nv=string:x\n"}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) { return info.param.what; });

TEST(RegistryRootKeys, NamesAndParsing) {
  EXPECT_EQ(RootKeyName(RootKey::CurrentUser), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(RootKey::CurrentConfig), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(ParseRootKey("HKLM"), RootKey::LocalMachine);
  EXPECT_EQ(ParseRootKey("hkey_classes_root"), RootKey::ClassesRoot);
  EXPECT_EQ(ParseRootKey("HKU"), RootKey::Users);
  EXPECT_EQ(ParseRootKey("HKEY_NOWHERE"), std::nullopt);
}

}  // namespace
}  // namespace halbrin::platform
