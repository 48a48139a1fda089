#include "skins/core/skin_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/foundation/property_values.h"
#include "platform/classes/property_access.h"
#include "skins/core/skin_colors.h"
#include "skins/core/skin_log.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {
namespace {

using platform::RGBColor;
using platform::SystemColor;

const std::string kProject = HALBRIN_SKIN_PROJECT;

// Every simple published value of the manager and of its sub-objects, as text.
std::string Snapshot(const TZebrinSkinManager& manager) {
  std::string out;
  const auto add = [&](const platform::TObject& object, const std::string& prefix) {
    for (const platform::TPropInfo* prop : object.ClassInfo().AllProperties()) {
      if (prop->Kind() == platform::TTypeKind::Class || prop->Kind() == platform::TTypeKind::Method) continue;
      out += prefix + prop->Name() + "=" + GetPropertyValue(object, *prop).ToText() + ";";
    }
  };
  add(manager, "");
  for (const platform::TPropInfo* prop : manager.ClassInfo().AllProperties())
    if (prop->Kind() == platform::TTypeKind::Class)
      if (const platform::TObject* sub = platform::GetObjectProp(manager, *prop)) add(*sub, prop->Name() + ".");
  return out;
}

struct SkinFileTest : ::testing::Test {
  TZebrinSkinManager manager;
  std::vector<std::string> logged;
  void SetUp() override {
    manager.SetSkinFolders(kProject, "");
    manager.onLog = [this](const std::string& line) { logged.push_back(line); };
  }
};

TEST_F(SkinFileTest, FixtureSetsEveryConvertibleValue) {
  int updates = 0;
  manager.onUpdateSkins = [&] { ++updates; };
  for (const char* file : {"skins/skin_ok.xml", "skins/skin_namespace.xml"}) {
    SCOPED_TRACE(file);
    manager.SetDefault(true);
    manager.SetAutoAdjust(true);
    logged.clear();
    updates = 0;
    manager.LoadFromFile(file);
    EXPECT_EQ(manager.SizerColor(), 0x808080);
    EXPECT_EQ(manager.DropDownSize(), 32);
    EXPECT_EQ(manager.FlashDelay(), 250);
    EXPECT_FALSE(manager.AutoAdjust());
    EXPECT_EQ(manager.Caption()->Color(), SystemColor(2));
    EXPECT_TRUE(manager.Caption()->IsSet(sdpColor));
    EXPECT_EQ(manager.Caption()->InactiveColor(), RGBColor(0xC0, 0xC0, 0xC0));
    EXPECT_FALSE(manager.Caption()->IsSet(sdpEdgeWidth));
    EXPECT_EQ(manager.Caption()->Size(), 22);
    EXPECT_EQ(manager.Button()->HotColor(), SystemColor(13));
    EXPECT_FALSE(manager.Button()->IsSet(sdpDownColor));
    EXPECT_FALSE(manager.Button()->IsSet(sdpSize));
    EXPECT_EQ(manager.CaptionFont()->Size(), 9);
    EXPECT_FALSE(manager.CaptionFont()->IsSet(sdpColor));
    EXPECT_EQ(manager.CaptionFont()->Name(), "Sans");
    EXPECT_EQ(manager.Hint()->Delay(), 300);
    EXPECT_EQ(manager.Hint()->ShortDelay(), 40);
    // The theme's name is taken from the skin file's folder, where no such
    // library lies: logged, and the theme stays unloaded.
    EXPECT_EQ(manager.Theme()->FileName(), "");
    EXPECT_EQ(TakeSkinLogMessages(), std::vector<std::string>({"Theme library \"skins/libtheme_ok.so\" not loaded: "
                                                               "No such file or directory"}));
    EXPECT_EQ(updates, 1);
    // Unknown elements are reported once, in one line.
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("NoSuchThing"), std::string::npos);
    EXPECT_NE(logged[0].find("Caption.Deep"), std::string::npos);
    EXPECT_NE(logged[0].find("Button.Size"), std::string::npos);
    // An explicit delay outlives a settings change.
    manager.SystemSettingsChanged();
    EXPECT_EQ(manager.FlashDelay(), 250);
  }
}

TEST_F(SkinFileTest, BadFilesRaiseAndChangeNothing) {
  const struct {
    std::string file;
    std::string message;  // empty: any message
  } cases[] = {
      {"skins/bad_integer.xml", "Skin file \"skins/bad_integer.xml\", line 7, <Caption><Size>: \"abc\" is not an integer"},
      {"skins/bad_edge_color.xml",
       "Skin file \"skins/bad_edge_color.xml\", line 4, <Margin><EdgeCOLOR>: \"#FF0000\" is not an integer"},
      {"skins/bad_boolean.xml",
       "Skin file \"skins/bad_boolean.xml\", line 4, <Splitter><HotTrack>: \"maybe\" is not a valid value"},
      {"skins/bad_root.xml", "Skin file \"skins/bad_root.xml\": Unrecognized contents"},
      {"skins/bad_xml.xml", ""},
      {"skins/missing.xml", ""},
      {"../project.txt", "Skin file \"../project.txt\": outside the project and application folders"},
  };
  manager.Hint()->SetDelay(123);
  const std::string before = Snapshot(manager);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    try {
      manager.LoadFromFile(c.file);
      ADD_FAILURE() << "no error";
    } catch (const platform::Exception& e) {
      if (!c.message.empty()) {
        EXPECT_EQ(e.Message(), c.message);
        EXPECT_NE(dynamic_cast<const ESkinManagerException*>(&e), nullptr);
      }
    }
    EXPECT_EQ(Snapshot(manager), before);
    EXPECT_EQ(manager.UpdateCount(), 0);
  }
}

TEST(SkinFileLimitsTest, LargeFilesAreRefused) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "halbrin_skin_limits";
  std::filesystem::create_directories(folder);
  {
    std::ofstream out(folder / "big.xml");
    out << "<skin>";
    out << std::string(kSkinFileMaxSize, ' ');
    out << "<FlashDelay value=\"9\"/></skin>";
  }
  TZebrinSkinManager manager;
  manager.SetSkinFolders(folder.string(), "");
  try {
    manager.LoadFromFile("big.xml");
    ADD_FAILURE() << "no error";
  } catch (const ESkinManagerException& e) {
    EXPECT_EQ(e.Message(), "Skin file \"big.xml\": larger than 1 MiB");
  }
  EXPECT_NE(manager.FlashDelay(), 9);
  // The application folder is the other accepted place.
  TZebrinSkinManager* m = &manager;
  m->SetSkinFolders(kProject, folder.string());
  {
    std::ofstream out(folder / "small.xml");
    out << "<skin><FlashDelay value=\"9\"/></skin>";
  }
  m->LoadFromFile((folder / "small.xml").string());
  EXPECT_EQ(manager.FlashDelay(), 9);
  std::filesystem::remove_all(folder);
}

// A prefixed document: the value attribute may carry the element's prefix;
// the unprefixed one wins when both are there, one of another namespace is not read.
TEST(SkinFileNamespaceTest, ValueInTheElementsNamespace) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "halbrin_skin_namespace";
  std::filesystem::create_directories(folder);
  {
    std::ofstream out(folder / "prefixed.xml");
    out << "<s:skin xmlns:s=\"urn:x\" xmlns:o=\"urn:other\">"
           "<s:FlashDelay s:value=\"9\"/>"
           "<s:DropDownSize s:value=\"20\" value=\"12\"/>"
           "<s:StretchClasses o:value=\"TOther\"/></s:skin>";
  }
  TZebrinSkinManager manager;
  manager.SetSkinFolders(folder.string(), "");
  manager.LoadFromFile("prefixed.xml");
  EXPECT_EQ(manager.FlashDelay(), 9);
  EXPECT_EQ(manager.DropDownSize(), 12);
  EXPECT_EQ(manager.StretchClasses(), "");
  std::filesystem::remove_all(folder);
}

TEST(SkinFileColorTest, ColourTexts) {
  const struct {
    const char* text;
    platform::TColor expected;
  } cases[] = {
      {"ActiveCaption", SystemColor(2)}, {"WINDOWTEXT", SystemColor(8)}, {"default", platform::clDefault},
      {"#102030", RGBColor(0x10, 0x20, 0x30)}, {" ff ", RGBColor(0, 0, 0xFF)}, {"", platform::clDefault},
      {"#zz", platform::clDefault}, {"  ", platform::clDefault}, {"\t highlight\x01", SystemColor(13)},
      {"000000001", RGBColor(0, 0, 1)}, {"#100000000", platform::clDefault}, {"-1", platform::clDefault},
      {"0x10", platform::clDefault}, {"#FFFFFFFF", RGBColor(0xFF, 0xFF, 0xFF)},
  };
  for (const auto& c : cases) EXPECT_EQ(SkinFileColorText(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace halbrin::skins
