// TStringObjectListEx: record-set XML written and read, the xmlOptions set,
// and the list's lookups through INamedItemCollection.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/record_set.h"
#include "core/foundation/string_object_list.h"
#include "core/foundation/text_files.h"
#include "fixtures/xml_test_support.h"
#include "platform/base/exception.h"
#include "platform/classes/property_access.h"

namespace halbrin {
namespace {

using platform::Variant;
using platform::VarType;
using xml_test::ScopedXmlEncoding;
using xml_test::TempFolder;
using Lines = std::vector<std::string>;
using Option = TStringObjectListXmlOption;
using Options = TStringObjectListXmlOptions;

const Options kText{Option::soText};
const Options kNamesValues{Option::soNames, Option::soValues};
const Options kAll{Option::soText, Option::soNames, Option::soValues};

Lines LinesOf(const platform::TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

std::unique_ptr<TStringObjectListEx> ListOf(const Lines& lines, Options options = kText) {
  auto list = std::make_unique<TStringObjectListEx>();
  list->SetXmlOptions(options);
  for (const std::string& line : lines) list->Add(line);
  return list;
}

std::string Declaration(const char* encoding) {
  return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\r\n";
}

// Counts the list's change notifications.
class TChangeCounter : public platform::TObject {
 public:
  void Changed(platform::TObject*) { ++m_count; }
  int m_count = 0;
};

class TStringObjectListXmlTest : public ::testing::Test {
 protected:
  // Every test here sees the default encoding whatever ran before.
  ScopedXmlEncoding m_encoding{DefaultXmlEncoding};
};

TEST_F(TStringObjectListXmlTest, DefaultsAreTextElementAndSoText) {
  const TStringObjectListEx list;
  EXPECT_EQ(list.TextNode(), "text");
  EXPECT_EQ(list.XmlOptions(), kText);
  EXPECT_EQ(RecordSetElementName, "recordset");
  EXPECT_EQ(RecordElementName, "record");
}

TEST_F(TStringObjectListXmlTest, WritesExactText) {
  const struct {
    const char* label;
    Lines lines;
    Options options;
    const char* textNode;
    std::string expected;
  } cases[] = {
      {"empty list", {}, kText, "text", "<recordset>\r\n</recordset>\r\n"},
      {"escaped line",
       {"a<b"},
       kText,
       "text",
       "<recordset>\r\n  <record>\r\n    <text>a&lt;b</text>\r\n  </record>\r\n</recordset>\r\n"},
      {"names and values",
       {"k=v"},
       kNamesValues,
       "text",
       "<recordset>\r\n  <record>\r\n    <name>k</name>\r\n    <value>v</value>\r\n  </record>\r\n"
       "</recordset>\r\n"},
      {"all three, in order, with another text element",
       {"k=v", "plain"},
       kAll,
       "line",
       "<recordset>\r\n"
       "  <record>\r\n    <line>k=v</line>\r\n    <name>k</name>\r\n    <value>v</value>\r\n  </record>\r\n"
       "  <record>\r\n    <line>plain</line>\r\n    <name></name>\r\n    <value></value>\r\n  </record>\r\n"
       "</recordset>\r\n"},
      {"names needing escapes",
       {"a&b\"c=<x> & 'y'"},
       kNamesValues,
       "text",
       "<recordset>\r\n  <record>\r\n    <name>a&amp;b&quot;c</name>\r\n"
       "    <value>&lt;x&gt; &amp; 'y'</value>\r\n  </record>\r\n</recordset>\r\n"},
      {"no options: empty records", {"a", "b"}, Options{}, "text",
       "<recordset>\r\n  <record>\r\n  </record>\r\n  <record>\r\n  </record>\r\n</recordset>\r\n"},
      {"Cyrillic stays as it is",
       {"имя=значение"},
       kText,
       "text",
       "<recordset>\r\n  <record>\r\n    <text>имя=значение</text>\r\n  </record>\r\n</recordset>\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto list = ListOf(c.lines, c.options);
    list->SetTextNode(c.textNode);
    EXPECT_EQ(list->Xml(), Declaration("windows-1251") + c.expected);
  }
}

TEST_F(TStringObjectListXmlTest, DeclarationNamesTheCurrentEncoding) {
  ScopedXmlEncoding utf8("UTF-8");
  EXPECT_EQ(ListOf({})->Xml(), Declaration("UTF-8") + "<recordset>\r\n</recordset>\r\n");
}

TEST_F(TStringObjectListXmlTest, ReadsRecords) {
  const struct {
    const char* label;
    Options options;
    const char* textNode;
    std::string xml;
    Lines expected;
  } cases[] = {
      {"text elements", kText, "text",
       "<recordset><record><text>a</text></record><record><text>b</text></record></recordset>", {"a", "b"}},
      {"a record without text adds nothing", kText, "text",
       "<recordset><record><name>k</name></record><record><text>b</text></record></recordset>", {"b"}},
      {"an empty text element is an empty line", kText, "text",
       "<recordset><record><text/></record><record><text></text></record></recordset>", {"", ""}},
      {"the first matching child", kText, "text",
       "<recordset><record><text>1</text><text>2</text></record></recordset>", {"1"}},
      {"soText ignores names and values", kAll, "text",
       "<recordset><record><text>whole</text><name>n</name><value>v</value></record></recordset>", {"whole"}},
      {"blanks are kept", kText, "text", "<recordset><record><text>  x  </text></record></recordset>", {"  x  "}},
      {"entities", kText, "text", "<recordset><record><text>a&lt;b&amp;&#1078;</text></record></recordset>",
       {"a<b&ж"}},
      {"records anywhere", kText, "text",
       "<root><recordset><record><text>a</text></record></recordset><x><record><text>b</text></record></x></root>",
       {"a", "b"}},
      {"textNode is an XPath", kText, "@line",
       "<recordset><record line='a'/><record><text>no</text></record><record line='c'/></recordset>", {"a", "c"}},
      {"name and value", kNamesValues, "text",
       "<recordset><record><name>k</name><value>v</value></record></recordset>", {"k=v"}},
      {"empty name, value only", kNamesValues, "text",
       "<recordset><record><name></name><value>x</value></record></recordset>", {"x"}},
      {"missing name, value only", kNamesValues, "text", "<recordset><record><value>x</value></record></recordset>",
       {"x"}},
      {"name without value", kNamesValues, "text", "<recordset><record><name>k</name></record></recordset>", {"k="}},
      {"names only", Options{Option::soNames}, "text",
       "<recordset><record><name>k</name><value>v</value></record></recordset>", {"k="}},
      {"values only", Options{Option::soValues}, "text",
       "<recordset><record><name>k</name><value>v</value></record></recordset>", {"v"}},
      {"a line that stays empty is left out", kNamesValues, "text",
       "<recordset><record><name/><value/></record><record/><record><value>y</value></record></recordset>", {"y"}},
      {"no options read nothing", Options{}, "text", "<recordset><record><text>a</text></record></recordset>", {}},
      {"no records", kText, "text", "<recordset/>", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TStringObjectListEx list;
    list.Add("old line");
    list.SetXmlOptions(c.options);
    list.SetTextNode(c.textNode);
    list.SetXml(c.xml);
    EXPECT_EQ(LinesOf(list), c.expected);
  }
}

TEST_F(TStringObjectListXmlTest, ReadingUsesTheListsSeparator) {
  TStringObjectListEx list;
  list.SetNameValueSeparator(':');
  list.SetXmlOptions(kNamesValues);
  list.SetXml("<recordset><record><name>host</name><value>80</value></record></recordset>");
  EXPECT_EQ(LinesOf(list), (Lines{"host:80"}));
}

TEST_F(TStringObjectListXmlTest, RoundTrips) {
  const Lines tricky = {"a<b>c&d\"e'f", "  leading and trailing  ", "", "   ", "Привет, мир", "ж € 中", "tab\there"};
  const Lines pairs = {"k=v", "имя=значение", "a&b=<c>", "x=", "key=a=b"};
  const struct {
    const char* label;
    Lines lines;
    Options options;
  } cases[] = {
      {"text", tricky, kText},
      {"text with every option set", tricky, kAll},
      {"names and values", pairs, kNamesValues},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto source = ListOf(c.lines, c.options);
    TStringObjectListEx copy;
    copy.SetXmlOptions(c.options);
    copy.SetXml(source->Xml());
    EXPECT_EQ(LinesOf(copy), c.lines);
  }
}

TEST_F(TStringObjectListXmlTest, HostileLinesRoundTrip) {
  Lines lines;
  for (const xml_test::HostileText& text : xml_test::HostileTexts()) lines.push_back(text.text);
  const Lines pairs = {"k\r=v\r\n", "\r=\r", "a]]>=<&>"};
  for (const char* encoding : xml_test::RoundTripEncodings()) {
    ScopedXmlEncoding scoped(encoding);
    for (const auto& [label, source, options] :
         {std::tuple{"text", lines, kText}, std::tuple{"every option", lines, kAll},
          std::tuple{"names and values", pairs, kNamesValues}}) {
      SCOPED_TRACE(::testing::Message() << encoding << ", " << label);
      TStringObjectListEx copy;
      copy.SetXmlOptions(options);
      copy.SetXml(ListOf(source, options)->Xml());
      EXPECT_EQ(LinesOf(copy), source);
    }
  }
  // Through a file in the project's code page.
  ScopedXmlEncoding utf8("UTF-8");
  const TempFolder folder;
  const std::string path = folder.Path("hostile.xml");
  SaveTextToFile(ListOf(lines)->Xml(), path);
  TStringObjectListEx copy;
  copy.SetXml(LoadTextFromFile(path));
  EXPECT_EQ(LinesOf(copy), lines);
}

TEST_F(TStringObjectListXmlTest, UnwritableCharactersAreRefusedNamingTheLine) {
  for (const std::string& character : xml_test::UnwritableCharacters()) {
    SCOPED_TRACE(xml_test::CodePointName(character));
    for (Options options : {kText, kNamesValues}) {
      const auto list = ListOf({"fine", "a" + character + "=b"}, options);
      try {
        list->Xml();
        ADD_FAILURE() << "no error";
      } catch (const EXmlDOMException& e) {
        EXPECT_EQ(e.Message(), "Line 1 cannot be written: The character " + xml_test::CodePointName(character) +
                                   " cannot be written into an XML file");
      }
    }
  }
}

// textNode may be any XPath for reading; written, it is an element name, and a
// list that cannot be written so says why instead of writing what never loads.
TEST_F(TStringObjectListXmlTest, ATextNodeThatIsNoElementNameIsRefusedOnWriting) {
  for (const std::string textNode : {"*[1]", "a b", "1st", ""}) {
    SCOPED_TRACE(textNode);
    const auto list = ListOf({"line"});
    list->SetTextNode(textNode);
    try {
      list->Xml();
      ADD_FAILURE() << "no error";
    } catch (const EXmlDOMException& e) {
      EXPECT_EQ(e.Message(), "The text node \"" + textNode + "\" is no element name: the lines cannot be written");
    }
  }
  const auto list = ListOf({"line"});
  list->SetTextNode("caption");
  const auto copy = ListOf({});
  copy->SetTextNode("caption");
  copy->SetXml(list->Xml());
  EXPECT_EQ(copy->Text(), list->Text()) << "an element name writes and reads back";
}

// The text declares windows-1251: saved in the project's code page it is a
// document whose bytes match its declaration, and it reads back the same.
TEST_F(TStringObjectListXmlTest, RoundTripThroughAWindows1251File) {
  ScopedXmlEncoding encoding("windows-1251");
  const TempFolder folder;
  const std::string path = folder.Path("list.xml");
  const Lines lines = {"имя=Значение", "ж", "", "a<b"};
  const auto source = ListOf(lines);
  SaveTextToFile(source->Xml(), path);

  const std::string bytes = TempFolder::Read(path);
  EXPECT_NE(bytes.find("encoding=\"windows-1251\""), std::string::npos);
  EXPECT_NE(bytes.find("<text>\xE6</text>"), std::string::npos);  // "ж" in windows-1251
  EXPECT_EQ(bytes.find("\xD0\xB6"), std::string::npos);          // not its UTF-8 form

  // The file, parsed by its own declaration.
  const auto document = TMSXMLDOMDocument::CreateFromFile(path);
  EXPECT_EQ(document->Document().selectSingleNode("//record[2]/text").text(), "ж");

  TStringObjectListEx copy;
  copy.SetXml(LoadTextFromFile(path));
  EXPECT_EQ(LinesOf(copy), lines);
}

TEST_F(TStringObjectListXmlTest, FailureLeavesTheListAsItWas) {
  const struct {
    const char* label;
    std::string xml;
    const char* textNode;
  } cases[] = {
      {"not XML", "<recordset><record>", "text"},
      {"empty text", "", "text"},
      {"invalid textNode expression", "<recordset><record><text>a</text></record></recordset>", "text["},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    auto list = ListOf({"keep", "these"});
    list->SetTextNode(c.textNode);
    TChangeCounter counter;
    list->OnChange().Bind(counter, &TChangeCounter::Changed);
    EXPECT_THROW(list->SetXml(c.xml), EXmlDOMException);
    EXPECT_EQ(LinesOf(*list), (Lines{"keep", "these"}));
    EXPECT_EQ(counter.m_count, 0);
  }
  auto list = ListOf({"keep"});
  EXPECT_THROW(list->SetXml("<a>"), EXmlDOMDocument);
}

TEST_F(TStringObjectListXmlTest, ReadingIsOneUpdate) {
  auto list = ListOf({"old"});
  TChangeCounter counter;
  list->OnChange().Bind(counter, &TChangeCounter::Changed);
  list->SetXml("<recordset><record><text>a</text></record><record><text>b</text></record></recordset>");
  EXPECT_EQ(counter.m_count, 1);
  EXPECT_EQ(list->UpdateCount(), 0);
}

TEST_F(TStringObjectListXmlTest, PublishedAsPropertiesByName) {
  TStringObjectListEx list;
  const auto& options = platform::RequirePropInfo(list, "xmlOptions");
  EXPECT_EQ(options.Kind(), platform::TTypeKind::Set);
  EXPECT_EQ(options.TypeName(), "TStringObjectListXmlOptions");

  // Set texts as XML declarations write them, and bit patterns.
  const struct {
    Variant value;
    Options expected;
  } cases[] = {
      {Variant("[soNames, soValues]"), kNamesValues},
      {Variant("soText"), kText},
      {Variant("SOVALUES,sotext"), Options{Option::soText, Option::soValues}},
      {Variant(""), Options{}},
      {Variant(7), kAll},
      {Variant(2), Options{Option::soNames}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.ToText());
    platform::SetPropValue(list, options, c.value);
    EXPECT_EQ(list.XmlOptions(), c.expected);
  }
  platform::SetPropValue(list, options, Variant("[soNames,soValues]"));
  EXPECT_EQ(platform::GetPropValue(list, options), Variant("soNames,soValues"));
  EXPECT_THROW(platform::SetPropValue(list, options, Variant("soLines")), platform::EPropertyError);
  EXPECT_THROW(platform::SetPropValue(list, options, Variant(8)), platform::EPropertyError);

  platform::SetPropValue(list, platform::RequirePropInfo(list, "textNode"), Variant("line"));
  EXPECT_EQ(list.TextNode(), "line");
  list.Add("k=v");
  const auto& xml = platform::RequirePropInfo(list, "xml");
  const Variant written = platform::GetPropValue(list, xml);
  EXPECT_NE(written.AsString().find("<name>k</name>"), std::string::npos);
  platform::SetPropValue(list, xml, Variant("<recordset><record><name>a</name><value>b</value></record></recordset>"));
  EXPECT_EQ(LinesOf(list), (Lines{"a=b"}));
  // The inherited properties are still there.
  EXPECT_EQ(platform::GetPropValue(list, platform::RequirePropInfo(list, "length")), Variant(1));
}

TEST(TStringObjectListAssign, FromAnotherListCopiesOptionsAndLines) {
  auto source = ListOf({"a=1", "b=2"}, kNamesValues);
  source->SetTextNode("line");
  source->SetDelimiter(';');
  TStringObjectListEx target;
  target.Add("old");
  target.Assign(*source);
  EXPECT_EQ(target.TextNode(), "line");
  EXPECT_EQ(target.XmlOptions(), kNamesValues);
  EXPECT_EQ(LinesOf(target), (Lines{"a=1", "b=2"}));
  EXPECT_EQ(target.Delimiter(), ';');
  target.Assign(target);
  EXPECT_EQ(LinesOf(target), (Lines{"a=1", "b=2"}));
}

TEST(TStringObjectListAssign, FromAPlainListKeepsOptions) {
  platform::TStringList plain;
  plain.Add("x");
  TStringObjectListEx target;
  target.SetTextNode("line");
  target.SetXmlOptions(kAll);
  target.Assign(plain);
  EXPECT_EQ(LinesOf(target), (Lines{"x"}));
  EXPECT_EQ(target.TextNode(), "line");
  EXPECT_EQ(target.XmlOptions(), kAll);
}

class TStringObjectListLookupTest : public ::testing::Test {
 protected:
  TStringObjectListLookupTest() : m_list(ListOf({"k=v", "plain", "Имя=x", "k=second"})) {}

  INamedItemCollection& Lookup() {
    return *dynamic_cast<INamedItemCollection*>(static_cast<platform::TObject*>(m_list.get()));
  }

  std::unique_ptr<TStringObjectListEx> m_list;
};

TEST_F(TStringObjectListLookupTest, ItemByVariant) {
  const struct {
    const char* label;
    Variant value;
    int expected;  // the viewed line, -1 for nothing
  } cases[] = {
      {"name", Variant("k"), 0},
      {"name in another case", Variant("имя"), 2},
      {"a line without separator has no name", Variant("plain"), -1},
      {"unknown name", Variant("z"), -1},
      {"I4", Variant(1), 1},
      {"I2", Variant::OfInteger(VarType::I2, 3), 3},
      {"UI1", Variant::OfInteger(VarType::UI1, 2), 2},
      {"I8", Variant(std::int64_t{0}), 0},
      {"Boolean False is index 0", Variant(false), 0},
      // Out of range is nothing here, not an error.
      {"Boolean True is -1", Variant(true), -1},
      {"past the end", Variant(4), -1},
      {"negative", Variant(-1), -1},
      {"wider than an int", Variant(std::int64_t{1} << 32), -1},
      {"double", Variant(1.0), -1},
      {"Null", Variant::Null(), -1},
      {"Empty", Variant(), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    FoundItem found = Lookup().item(c.value);
    if (c.expected < 0) {
      EXPECT_FALSE(found);
      continue;
    }
    ASSERT_TRUE(found);
    EXPECT_TRUE(found.IsOwned());
    auto* view = found.As<TStringObject>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Index(), c.expected);
    EXPECT_EQ(view->List(), m_list.get());
  }
}

TEST_F(TStringObjectListLookupTest, ByNameHandsOverANewView) {
  FoundItem found = Lookup().itemByName("K");
  ASSERT_TRUE(found);
  EXPECT_NE(dynamic_cast<IStringObject*>(found.Get()), nullptr);
  std::unique_ptr<platform::TObject> owned = found.TakeOwned();
  ASSERT_NE(owned, nullptr);
  EXPECT_FALSE(found.IsOwned());
  auto& view = dynamic_cast<TStringObject&>(*owned);
  EXPECT_EQ(view.Text(), Variant("k=v"));
  view.SetValue(Variant("changed"));
  EXPECT_EQ(m_list->Strings(0), "k=changed");

  // Each lookup makes its own view.
  FoundItem again = Lookup().itemByName("k");
  EXPECT_NE(again.Get(), owned.get());

  EXPECT_FALSE(Lookup().itemByName("missing"));
  EXPECT_EQ(Lookup().indexOfName("ИМЯ"), 2);
  EXPECT_EQ(Lookup().indexOfName("plain"), -1);
  EXPECT_TRUE(Lookup().exists("k"));
  EXPECT_FALSE(Lookup().exists("v"));
}

TEST_F(TStringObjectListLookupTest, CaseSensitiveListMatchesExactly) {
  m_list->SetCaseSensitive(true);
  EXPECT_EQ(Lookup().indexOfName("имя"), -1);
  EXPECT_EQ(Lookup().indexOfName("Имя"), 2);
}

TEST_F(TStringObjectListLookupTest, AnswersIItemCollection) {
  auto* items = dynamic_cast<IItemCollection*>(static_cast<platform::TObject*>(m_list.get()));
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(items->length(), 4);
  EXPECT_FALSE(items->empty());
  items->setEmpty(false);
  EXPECT_EQ(m_list->Count(), 4);
  items->setEmpty(true);
  EXPECT_TRUE(items->empty());
  m_list->Add("x");
  items->clear();
  EXPECT_EQ(items->length(), 0);
}

TEST_F(TStringObjectListLookupTest, ViewsOutliveTheList) {
  FoundItem found = Lookup().item(Variant(0));
  std::unique_ptr<platform::TObject> owned = found.TakeOwned();
  m_list.reset();
  auto& view = dynamic_cast<TStringObject&>(*owned);
  EXPECT_TRUE(view.Text().IsNull());
  EXPECT_EQ(view.Length(), -1);
}

}  // namespace
}  // namespace halbrin
