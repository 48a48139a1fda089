// The variables: lookups and paths, the XML form, save and load, and the
// change notification into a real script.

#include "core/scripting/variables.h"

#include <functional>
#include <thread>

#include "fixtures/script_test_support.h"
#include "foundation/fixtures/xml_test_support.h"
#include "core/foundation/xml_node.h"
#include "platform/variant/ole_date.h"

namespace halbrin::scripting_test {
namespace {

using platform::RefPtr;
using platform::VariantArray;
using xml_test::ScopedXmlEncoding;

std::string ValueText(const Variant& value) {
  TVariables group;
  group.Add("v", value);
  const std::string xml = group.Xml();
  const std::size_t start = xml.find("<value>") + 7;
  return xml.substr(start, xml.find("</value>") - start);
}

TEST(Variables, ValuesAreWrittenAsTheirTexts) {
  const struct {
    Variant value;
    const char* text;
  } cases[] = {
      {Variant(), "undefined"},
      {Variant::Null(), "null"},
      {Variant(5), "5"},
      {Variant(1.5), "1.5"},
      {Variant(true), "True"},
      {Variant("Привет"), "Привет"},
      {Variant("<&\">"), "&lt;&amp;&quot;&gt;"},
      {Variant::Error(5), "[error]"},
      {Variant(VariantArray(std::vector<Variant>{Variant(1), Variant("a")})), "[array]"},
      {Variant(RefPtr<platform::IDispatchObject>(platform::MakeRef<TVariables>())), "[object]"},
      {Variant::Date(platform::EncodeOleDate(2024, 3, 9, 14, 5, 7)), "09.03.2024 14:05:07"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValueText(c.value), c.text) << c.value.TypeName();
}

TEST(Variables, AutoMakesMissingItemsAndPathsFindThemAgain) {
  TVariables root;
  EXPECT_EQ(root.Item(Variant("x")), nullptr);
  EXPECT_EQ(root.Length(), 0);
  root.SetAuto(true);
  root.SetDefaultValue(Variant(7));
  RefPtr<TVariable> x = root.Item(Variant("x"));
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->Value(), Variant(7));
  EXPECT_EQ(root.Item(Variant("X")), x);

  RefPtr<TVariable> deep = root.Item(Variant("a.b.c"));
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(root.Item(Variant("a.b.c")), deep) << "a dotted name is found again, not added again";
  EXPECT_EQ(root.Length(), 1);
  EXPECT_EQ(deep->Name(), "c");
  EXPECT_EQ(root.GetGroupByName("a", 0)->GetGroupByName("b", 0)->Length(), 1);
}

TEST(Variables, PathsAndNameMatching) {
  TVariables root;
  RefPtr<TVariables> a = root.AddGroup("a");
  RefPtr<TVariables> b = a->AddGroup("b");
  b->Add("Item", Variant(1));
  EXPECT_EQ(b->Parent(), a.Get());
  EXPECT_NE(root.GetItemByName("a.b.item", 0), nullptr);
  EXPECT_EQ(root.GetItemByName("a.b.item", ITEM_MATCH_CASESENSITIVE), nullptr);
  EXPECT_EQ(root.GetItemByName("z.b.Item", 0), nullptr);
  EXPECT_EQ(root.GetGroupByName("z", 0), nullptr) << "a failed lookup creates nothing";

  root.Add("twice", Variant(1));
  root.Add("twice", Variant(2));
  EXPECT_EQ(root.Length(), 2);
  EXPECT_EQ(root.Values(Variant("twice")), Variant(1));
  EXPECT_EQ(root.Item(Variant(1))->Value(), Variant(2));
  EXPECT_EQ(root.Item(Variant(1))->Index(), 0) << "the index is found by name";
  root.Remove(Variant("missing"));
  EXPECT_EQ(root.Length(), 2);
  RefPtr<TVariable> first = root.Item(Variant(0));
  root.Remove(Variant(0));
  EXPECT_EQ(first->Index(), -1);
  EXPECT_EQ(first->Value(), Variant::Null());
}

class VariablesFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (m_temp.Path() / name).string(); }
  testing::TempFolder m_temp{"variables_test"};
};

TEST_F(VariablesFileTest, SaveAndOpenKeepNamesTypesAndValues) {
  for (const char* encoding : {"windows-1251", "UTF-8"}) {
    ScopedXmlEncoding scoped(encoding);
    TVariables saved;
    saved.SetName("settings");
    const double date = platform::EncodeOleDate(2024, 3, 9, 14, 5, 7);
    const Variant values[] = {Variant(),  Variant::Null(), Variant(42),      Variant(std::int64_t{1} << 40),
                              Variant(0.1), Variant(true),  Variant::Date(date), Variant("Привет, мир"),
                              Variant("€ & ✓")};
    for (std::size_t i = 0; i < std::size(values); ++i) saved.Add("v" + std::to_string(i), values[i]);
    saved.Add("list", Variant(VariantArray(std::vector<Variant>{Variant(1)})));
    saved.Item(Variant(0))->SetXml("onV0");
    saved.AddGroup("sub")->Add("hidden", Variant(1));
    saved.Save(Path("sub/dir/vars.xml"));

    const std::string bytes = testing::ReadFile(Path("sub/dir/vars.xml"));
    EXPECT_NE(bytes.find(std::string("encoding=\"") + encoding + "\""), std::string::npos);
    EXPECT_EQ(bytes.find("hidden"), std::string::npos) << "sub-groups are not written";
    EXPECT_NE(bytes.find("<value>[array]</value>"), std::string::npos);

    TVariables loaded;
    loaded.Open(Path("sub/dir/vars.xml"));
    ASSERT_EQ(loaded.Length(), static_cast<int>(std::size(values)) + 1) << encoding;
    for (std::size_t i = 0; i < std::size(values); ++i) {
      const Variant& value = loaded.Item(Variant(static_cast<int>(i)))->Value();
      EXPECT_EQ(value.Type(), values[i].Type()) << encoding << " v" << i;
      EXPECT_EQ(value, values[i]) << encoding << " v" << i;
    }
    EXPECT_EQ(loaded.Item(Variant(0))->Xml(), "onV0");
    EXPECT_EQ(loaded.Values(Variant("list")), Variant("[array]"));
  }
}

TEST_F(VariablesFileTest, Cp1251FileIsEncodedAsDeclared) {
  ScopedXmlEncoding scoped("windows-1251");
  TVariables saved;
  saved.Add("имя", Variant("мир"));
  saved.Save(Path("v.xml"));
  EXPECT_NE(testing::ReadFile(Path("v.xml")).find("<value>\xEC\xE8\xF0</value>"), std::string::npos);
}

TEST_F(VariablesFileTest, ADamagedFileIsReportedAndTheItemsStay) {
  TVariables vars;
  vars.Add("kept", Variant(1));
  testing::WriteFile(Path("bad.xml"), "<?xml version=\"1.0\"?>\n<recordset><record><name>x</name>");
  const std::string damaged = "<?xml version=\"1.0\"?>\n<recordset><record><name>x</name>";
  const struct {
    const char* label;
    std::function<void()> load;
    const char* names;  // what the message must name
  } cases[] = {
      {"damaged file", [&] { vars.Open(Path("bad.xml")); }, "bad.xml"},
      {"missing file", [&] { vars.Open(Path("missing.xml")); }, "missing.xml"},
      {"damaged bytes", [&] { vars.OpenBytes(damaged, "settings.xml"); }, "settings.xml"},
      {"damaged text", [&] { vars.SetXml("<recordset"); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      c.load();
      ADD_FAILURE() << "no error";
    } catch (const EXmlDOMDocument& e) {
      EXPECT_NE(e.Message().find(c.names), std::string::npos) << e.Message();
    }
    ASSERT_EQ(vars.Length(), 1);
    EXPECT_EQ(vars.Values(Variant("kept")), Variant(1));
  }
  try {
    vars.Open(Path("bad.xml"));
  } catch (const EXmlDOMDocument& e) {
    EXPECT_NE(e.Message().find("The variables file \"" + Path("bad.xml") + "\" cannot be read (line 2, column"),
              std::string::npos)
        << e.Message();
  }
}

TEST_F(VariablesFileTest, BytesAreReadInTheirDeclaredEncoding) {
  TVariables vars;
  // "мир" in windows-1251.
  vars.OpenBytes("<?xml version=\"1.0\" encoding=\"windows-1251\"?><recordset><record><name>a</name>"
                 "<value>\xEC\xE8\xF0</value></record></recordset>");
  EXPECT_EQ(vars.Values(Variant("a")), Variant("мир"));
}

// Every value comes back as it was saved, whatever it holds, in every
// encoding a project may name.
TEST_F(VariablesFileTest, HostileTextsComeBackUnchanged) {
  for (const char* encoding : xml_test::RoundTripEncodings()) {
    ScopedXmlEncoding scoped(encoding);
    TVariables saved;
    saved.SetName("group \r\n\t<&");
    const std::vector<xml_test::HostileText> texts = xml_test::HostileTexts();
    for (const xml_test::HostileText& text : texts) saved.Add(text.text, Variant(text.text))->SetXml(text.text);
    saved.Save(Path("hostile.xml"));

    TVariables fromFile;
    fromFile.Open(Path("hostile.xml"));
    TVariables fromText;
    fromText.SetXml(saved.Xml());
    for (const TVariables* loaded : {&fromFile, &fromText}) {
      ASSERT_EQ(loaded->Length(), static_cast<int>(texts.size())) << encoding;
      for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << encoding << ": " << texts[i].label);
        const RefPtr<TVariable> item = const_cast<TVariables*>(loaded)->Item(Variant(static_cast<int>(i)));
        EXPECT_EQ(item->Name(), texts[i].text);
        EXPECT_EQ(item->Value(), Variant(texts[i].text));
        EXPECT_EQ(item->Xml(), texts[i].text);
      }
    }
  }
}

// A character no XML file can hold is refused with the variable's name, and
// the file saved before stays as it was.
TEST_F(VariablesFileTest, UnwritableCharactersAreRefusedAndTheFileKept) {
  TVariables good;
  good.Add("a", Variant("1"));
  good.Save(Path("kept.xml"));
  const std::string before = testing::ReadFile(Path("kept.xml"));
  enum class Field { Name, Value, Xml };
  for (const std::string& character : xml_test::UnwritableCharacters()) {
    for (Field field : {Field::Name, Field::Value, Field::Xml}) {
      SCOPED_TRACE(::testing::Message() << xml_test::CodePointName(character) << " in field " << static_cast<int>(field));
      TVariables bad;
      bad.Add("a", Variant("1"));
      const std::string text = "x" + character + "y";
      RefPtr<TVariable> item = bad.Add(field == Field::Name ? text : "b", Variant(field == Field::Value ? text : "2"));
      if (field == Field::Xml) item->SetXml(text);
      try {
        bad.Save(Path("kept.xml"));
        ADD_FAILURE() << "no error";
      } catch (const EXmlDOMException& e) {
        EXPECT_NE(e.Message().find(xml_test::CodePointName(character)), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("(item 1) cannot be written"), std::string::npos) << e.Message();
      }
      EXPECT_THROW(bad.Xml(), EXmlDOMException);
      EXPECT_EQ(testing::ReadFile(Path("kept.xml")), before);
    }
  }
  TVariables loaded;
  loaded.Open(Path("kept.xml"));
  EXPECT_EQ(loaded.Values(Variant("a")), Variant("1"));
}

TEST_F(VariablesFileTest, RecordsAreReadByChildNames) {
  TVariables vars;
  vars.SetXml(
      "<recordset>\n  <record id=\"0\">\n    <value>3</value>\n    <name>a</name>\n  </record>\n"
      "  <record><name>b</name></record>\n  <record/>\n</recordset>");
  ASSERT_EQ(vars.Length(), 3);
  EXPECT_EQ(vars.Values(Variant("a")), Variant("3")) << "without a type the value is text";
  EXPECT_EQ(vars.Values(Variant("b")), Variant(""));
}

TEST(Variables, EachThreadHasItsOwnRoot) {
  TVariables* main = &GetVariables();
  main->SetName("renamed");
  TVariables* other = nullptr;
  std::thread([&] { other = &GetVariables(); }).join();
  EXPECT_NE(main, other);
  EXPECT_EQ(GetVariables().Name(), "variables");
}

class VariablesScriptTest : public ScriptHostTest {};

TEST_F(VariablesScriptTest, TheGroupsContainerListsTheSubGroups) {
  const std::string script = Script("groups.js",
                                    "function check(v) {\n"
                                    "  var a = v.addGroup('a'), b = v.addGroup('b');\n"
                                    "  var g = v.groups;\n"
                                    "  client.log([g.length, g.item(0).name, g.item(1) === b, g.item('B').name,\n"
                                    "              g.item(2) === null, g.exists('A', 0), g.exists('A', 1),\n"
                                    "              g.getIndexByName('b', 0), g.getItemByName('a', 0).name,\n"
                                    "              g.values(1).name, g.groups === g].join(' '));\n"
                                    "  g.item(0).add('x', 5);\n"
                                    "  client.log(v.getItemByName('a.x', 0).Value);\n"
                                    "  g.auto = true;\n"
                                    "  var c = g.item('c');\n"
                                    "  client.log(g.length + ' ' + v.group(2).name + ' ' + (v.getGroupByName('c', 0) === c));\n"
                                    "  g.remove('a');\n"
                                    "  client.log(g.length + ' ' + g.item(0).name + ' ' + v.group(0).name);\n"
                                    "  g.clear();\n"
                                    "  client.log(g.length + ' ' + v.group(0));\n"
                                    "  try { g.add('y', 1); } catch (e) { client.log('add: ' + e.message); }\n"
                                    "}\n");
  auto vars = platform::MakeRef<TVariables>();
  const Variant args[] = {Variant(RefPtr<platform::IDispatchObject>(vars))};
  RunScriptProcedure(script, "check", args);
  ASSERT_EQ(m_client->m_log.size(), 6u);
  EXPECT_EQ(m_client->m_log[0], "2 a true b true true false 1 a b true");
  EXPECT_EQ(m_client->m_log[1], "5");
  EXPECT_EQ(m_client->m_log[2], "3 c true");
  EXPECT_EQ(m_client->m_log[3], "2 b b");
  EXPECT_EQ(m_client->m_log[4], "0 null");
  EXPECT_NE(m_client->m_log[5].find("addGroup"), std::string::npos) << m_client->m_log[5];
  EXPECT_EQ(vars->GetGroupByName("c", 0), nullptr);

  // A group made through the container belongs to the container's owner.
  TVariables root;
  EXPECT_EQ(root.Groups().AddGroup("d")->Parent(), &root);
  EXPECT_EQ(&root.Groups().Groups(), &root.Groups());
}

TEST_F(VariablesScriptTest, ChangesRunTheProcedureOnceEvenWhenItWritesBack) {
  const std::string script = Script("vars.js",
                                    "function onx(v) {\n"
                                    "  client.log(v.name + '=' + v.Value + ' ' + v.xml);\n"
                                    "  v.Value = String(v.Value).toUpperCase();\n"
                                    "}\n");
  auto vars = platform::MakeRef<TVariables>();
  vars->SetScript(script);
  RefPtr<TVariable> x = vars->Add("x", Variant("a"));
  EXPECT_TRUE(m_client->m_log.empty()) << "no xml, no call";
  x->SetXml("onx");
  x->SetValue(Variant("b"));
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"x=b onx"}));
  EXPECT_EQ(x->Value(), Variant("B"));

  m_client->m_log.clear();
  vars->SetXml("<recordset><record><name>y</name><value>z</value><type>OleStr</type><xml>onx</xml></record></recordset>");
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"y=z onx"})) << "xml is set before the value";
  EXPECT_EQ(vars->Values(Variant("y")), Variant("Z"));
}

}  // namespace
}  // namespace halbrin::scripting_test
