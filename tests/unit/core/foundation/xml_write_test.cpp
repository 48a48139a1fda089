// Building and writing documents: new nodes, attributes, moves, saving in the
// program's XML encoding.

#include <gtest/gtest.h>

#include "core/foundation/project_encoding.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "fixtures/xml_test_support.h"

namespace halbrin {
namespace {

using platform::Variant;
using xml_test::ScopedXmlEncoding;
using xml_test::TempFolder;

XmlDocument Parse(std::string_view text) {
  XmlDocument document;
  document.loadXML(text);
  return document;
}

// A record set built node by node, as the writers of variables and lists could.
XmlDocument BuildRecordSet(const std::vector<std::string>& lines) {
  XmlDocument document = XmlDocument::Create();
  XmlNode root = document.appendChild(document.createElement("recordset"));
  root.setAttribute("name", "list");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    XmlNode record = root.appendChild(document.createElement("record"));
    record.setAttribute("id", std::to_string(i));
    XmlNode text = record.appendChild(document.createElement("text"));
    text.appendChild(document.createTextNode(lines[i]));
  }
  return document;
}

TEST(XmlBuildTest, NewNodesMakeADocument) {
  const XmlDocument document = BuildRecordSet({"a<b & \"c\"", "ж"});
  EXPECT_EQ(document.documentElement().xml(),
            "<recordset name=\"list\"><record id=\"0\"><text>a&lt;b &amp; \"c\"</text></record>"
            "<record id=\"1\"><text>ж</text></record></recordset>");
  EXPECT_EQ(document.selectNodes("//record").length(), 2);
  EXPECT_EQ(document.selectSingleNode("//record[@id='1']/text").text(), "ж");
}

TEST(XmlBuildTest, TextRoundTripsThroughXml) {
  const std::vector<std::string> lines = {"  leading and trailing  ", "a<b>c&d\"e'f", "", "   ", "ж € 中"};
  const XmlDocument again = Parse(BuildRecordSet(lines).xml());
  std::vector<std::string> read;
  for (XmlNode record : again.selectNodes("//record")) read.push_back(record.selectSingleNode("text").text());
  EXPECT_EQ(read, lines);
}

TEST(XmlBuildTest, AdjacentTextNodesStayValid) {
  XmlDocument document = XmlDocument::Create();
  XmlNode root = document.appendChild(document.createElement("t"));
  const XmlNode first = root.appendChild(document.createTextNode("ab"));
  const XmlNode second = root.appendChild(document.createTextNode("cd"));
  EXPECT_EQ(first.text(), "ab");
  EXPECT_EQ(second.text(), "cd");
  EXPECT_EQ(first.nextSibling(), second);
  EXPECT_EQ(root.text(), "abcd");
  EXPECT_EQ(root.xml(), "<t>abcd</t>");
}

TEST(XmlBuildTest, NodesLeftOutOfTheTreeAreReleasedWithIt) {
  // Under the sanitizer build a leak here fails the run.
  XmlDocument document = XmlDocument::Create();
  XmlNode loose = document.createElement("loose");
  loose.appendChild(document.createElement("child")).setAttribute("a", "1");
  loose.appendChild(document.createTextNode("text"));
  document.createTextNode("never used");
  EXPECT_EQ(loose.xml(), "<loose><child a=\"1\"/>text</loose>");
  EXPECT_FALSE(loose.parentNode());
  EXPECT_FALSE(document.documentElement());
}

TEST(XmlBuildTest, AppendingANodeOfTheTreeMovesIt) {
  XmlDocument document = Parse("<r><a/><b><c/></b></r>");
  XmlNode root = document.documentElement();
  const XmlNode a = root.firstChild();
  root.appendChild(a);
  EXPECT_EQ(root.xml(), "<r><b><c/></b><a/></r>");
  XmlNode c = document.selectSingleNode("//c");
  c.appendChild(a);
  EXPECT_EQ(root.xml(), "<r><b><c><a/></c></b></r>");
  EXPECT_EQ(a.parentNode(), c);

  // Out of the tree into a new branch, then back.
  XmlNode holder = document.createElement("holder");
  holder.appendChild(root.firstChild());
  EXPECT_EQ(root.xml(), "<r/>");
  EXPECT_EQ(document.selectNodes("//c").length(), 0);
  EXPECT_EQ(holder.xml(), "<holder><b><c><a/></c></b></holder>");
  root.appendChild(holder);
  EXPECT_EQ(document.selectNodes("//c").length(), 1);
}

TEST(XmlBuildTest, AMovedElementKeepsItsNamespace) {
  XmlDocument document = Parse("<r xmlns:p='urn:p'><p:a p:x='1'/></r>");
  XmlNode holder = document.createElement("holder");
  holder.appendChild(document.selectSingleNode("//p:a"));
  const XmlNode moved = Parse(holder.xml()).documentElement().firstChild();
  EXPECT_EQ(moved.namespaceURI(), "urn:p");
  EXPECT_EQ(moved.attributes().item(0).namespaceURI(), "urn:p");
}

struct AttributeCase {
  const char* name;
  const char* value;
  const char* xml;           // the element afterwards
  const char* namespaceUri;  // of the attribute
};

class XmlSetAttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(XmlSetAttributeTest, SetsOrReplaces) {
  XmlDocument document = Parse("<e xmlns:c='urn:c' a='1' new:caption='old'/>");
  XmlNode element = document.documentElement();
  element.setAttribute(GetParam().name, GetParam().value);
  EXPECT_EQ(element.xml(), GetParam().xml);
  EXPECT_EQ(element.getAttribute(GetParam().name).ToText(), GetParam().value);
  EXPECT_EQ(element.getAttributeNode(GetParam().name).namespaceURI(), GetParam().namespaceUri);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlSetAttributeTest,
    ::testing::Values(
        AttributeCase{"a", "2", "<e xmlns:c=\"urn:c\" a=\"2\" new:caption=\"old\"/>", ""},
        AttributeCase{"new:caption", "new", "<e xmlns:c=\"urn:c\" a=\"1\" new:caption=\"new\"/>", ""},
        AttributeCase{"b", "x&y<\"z\"",
                      "<e xmlns:c=\"urn:c\" a=\"1\" new:caption=\"old\" b=\"x&amp;y&lt;&quot;z&quot;\"/>", ""},
        AttributeCase{"c:color", "red", "<e xmlns:c=\"urn:c\" a=\"1\" new:caption=\"old\" c:color=\"red\"/>", "urn:c"},
        AttributeCase{"skip:width", "5", "<e xmlns:c=\"urn:c\" a=\"1\" new:caption=\"old\" skip:width=\"5\"/>", ""},
        AttributeCase{"a", "&amp;", "<e xmlns:c=\"urn:c\" a=\"&amp;amp;\" new:caption=\"old\"/>", ""}));

TEST(XmlSetAttributeTest, ReplacingKeepsTheAttributeHandle) {
  XmlDocument document = Parse("<e a='1'/>");
  XmlNode element = document.documentElement();
  const XmlNode a = element.getAttributeNode("a");
  element.setAttribute("a", "2");
  EXPECT_EQ(a.text(), "2");
  EXPECT_EQ(element.attributes().length(), 1);
}

// ---- refused changes ----

struct RefusalCase {
  const char* name;
  std::function<void(XmlDocument&)> change;
  const char* messagePart;
};

class XmlRefusedChangeTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(XmlRefusedChangeTest, RaisesAndLeavesTheTree) {
  XmlDocument document = Parse("<r a='1'><b>t</b></r>");
  const std::string before = document.xml();
  try {
    GetParam().change(document);
    FAIL() << "no exception";
  } catch (const EXmlDOMException& error) {
    EXPECT_NE(error.Message().find(GetParam().messagePart), std::string::npos) << error.Message();
  }
  EXPECT_EQ(document.xml(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlRefusedChangeTest,
    ::testing::Values(
        RefusalCase{"ItselfAsChild", [](XmlDocument& d) { d.documentElement().appendChild(d.documentElement()); },
                    "itself"},
        RefusalCase{"AncestorIntoDescendant",
                    [](XmlDocument& d) { d.selectSingleNode("//b").appendChild(d.documentElement()); }, "itself"},
        RefusalCase{"SecondTopElement", [](XmlDocument& d) { d.appendChild(d.createElement("x")); },
                    "Only one top level element"},
        RefusalCase{"TextAtTopLevel", [](XmlDocument& d) { d.appendChild(d.createTextNode("x")); },
                    "cannot be appended"},
        RefusalCase{"AttributeAsChild",
                    [](XmlDocument& d) { d.selectSingleNode("//b").appendChild(d.selectSingleNode("//@a")); },
                    "cannot be appended"},
        RefusalCase{"ChildOfText",
                    [](XmlDocument& d) { d.selectSingleNode("//b").firstChild().appendChild(d.createElement("x")); },
                    "cannot have children"},
        RefusalCase{"NodeOfAnotherDocument",
                    [](XmlDocument& d) { d.documentElement().appendChild(XmlDocument::Create().createElement("x")); },
                    "another document"},
        RefusalCase{"NullChild", [](XmlDocument& d) { d.documentElement().appendChild(XmlNode()); }, "not assigned"},
        RefusalCase{"ElementNameWithBlank", [](XmlDocument& d) { d.createElement("a b"); }, "Invalid XML name \"a b\""},
        RefusalCase{"ElementNameWithDigit", [](XmlDocument& d) { d.createElement("1a"); }, "Invalid XML name"},
        RefusalCase{"EmptyElementName", [](XmlDocument& d) { d.createElement(""); }, "Invalid XML name"},
        RefusalCase{"AttributeNameWithQuote", [](XmlDocument& d) { d.documentElement().setAttribute("a\"", "1"); },
                    "Invalid XML name"},
        RefusalCase{"AttributeOnText",
                    [](XmlDocument& d) { d.selectSingleNode("//b").firstChild().setAttribute("a", "1"); },
                    "Only an element"},
        RefusalCase{"TextNotUtf8", [](XmlDocument& d) { d.createTextNode("\xFF\xFE"); }, "UTF-8"},
        RefusalCase{"ValueNotUtf8", [](XmlDocument& d) { d.documentElement().setAttribute("a", "\xC0"); }, "UTF-8"},
        RefusalCase{"ValueWithNul",
                    [](XmlDocument& d) { d.documentElement().setAttribute("a", std::string_view("x\0y", 3)); },
                    "The character U+0000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlRefusedChangeTest, NullDocumentCannotMakeNodes) {
  XmlDocument document;
  EXPECT_THROW(document.createElement("a"), EXmlDOMException);
  EXPECT_THROW(document.createTextNode("a"), EXmlDOMException);
  EXPECT_THROW(XmlNode().setAttribute("a", "1"), EXmlDOMException);
  TempFolder folder;
  EXPECT_THROW(document.save(folder.Path("x.xml")), EXmlDOMException);
}

// ---- saving ----

class XmlSaveTest : public ::testing::Test {
 protected:
  // "Привет" / "мир" with a character windows-1251 lacks and one it has.
  static XmlDocument Sample() {
    return Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><form caption=\"Привет 中\"><line>мир €</line></form>");
  }

  TempFolder m_folder;
};

TEST_F(XmlSaveTest, WritesWindows1251AndReadsBack) {
  ScopedXmlEncoding encoding("windows-1251");
  const std::string path = m_folder.Path("out.xml");
  Sample().save(path);

  const std::string bytes = TempFolder::Read(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("\xCF\xF0\xE8\xE2\xE5\xF2"), std::string::npos);  // Привет
  EXPECT_NE(bytes.find("\xEC\xE8\xF0 \x88"), std::string::npos);         // мир €
  EXPECT_NE(bytes.find("&#20013;"), std::string::npos);                  // 中 as a reference
  EXPECT_EQ(bytes.find("\xD0"), std::string::npos);                      // no UTF-8 left

  XmlDocument again;
  again.load(path);
  EXPECT_EQ(again.documentElement().getAttribute("caption").AsString(), "Привет 中");
  EXPECT_EQ(again.selectSingleNode("//line").text(), "мир €");
}

TEST_F(XmlSaveTest, FollowsTheProgramsEncoding) {
  ScopedXmlEncoding encoding("UTF-8");
  const std::string path = m_folder.Path("utf8.xml");
  Sample().save(path);
  const std::string bytes = TempFolder::Read(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("Привет 中"), std::string::npos);
  XmlDocument again;
  again.load(path);
  EXPECT_EQ(again.selectSingleNode("//line").text(), "мир €");
}

TEST_F(XmlSaveTest, ABuiltDocumentRoundTripsThroughAFile) {
  ScopedXmlEncoding encoding("windows-1251");
  const std::string path = m_folder.Path("records.xml");
  BuildRecordSet({"один", "  two  ", "a&b"}).save(path);
  TMSXMLDOMDocument document;
  document.Load(path);
  std::vector<std::string> read;
  for (XmlNode text : document.Document().selectNodes("//record/text")) read.push_back(text.text());
  EXPECT_EQ(read, (std::vector<std::string>{"один", "  two  ", "a&b"}));
}

TEST_F(XmlSaveTest, UnknownEncodingIsRefusedWhenSet) {
  const std::string before = XmlEncoding();
  try {
    SetXmlEncoding("x-no-such-encoding");
    FAIL() << "no exception";
  } catch (const EEncodingError& error) {
    EXPECT_EQ(error.Message(), "Unknown encoding \"x-no-such-encoding\"");
  }
  // Documents keep being written in the encoding set before.
  EXPECT_EQ(XmlEncoding(), before);
  const std::string path = m_folder.Path("kept.xml");
  Sample().save(path);
  EXPECT_TRUE(std::filesystem::exists(path));
}

// Where a character reference would not mean the character, the save is refused.
class XmlUnrepresentableSaveTest : public ::testing::TestWithParam<const char*> {};

TEST_P(XmlUnrepresentableSaveTest, Raises) {
  ScopedXmlEncoding encoding("windows-1251");
  TempFolder folder;
  const std::string path = folder.Path("out.xml");
  try {
    Parse(GetParam()).save(path);
    FAIL() << "no exception for " << GetParam();
  } catch (const EXmlDOMException& error) {
    EXPECT_NE(error.Message().find("windows-1251"), std::string::npos) << error.Message();
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlUnrepresentableSaveTest,
                         ::testing::Values("<中/>", "<a 中='1'/>", "<a><!--中--></a>", "<a><![CDATA[中]]></a>",
                                           "<a><?pi 中?></a>", "<a xmlns:中='urn:x'/>"));

// Text and attribute values of a built document, in every encoding a project
// may name: the saved file gives back what was put in.
TEST_F(XmlSaveTest, HostileTextsOfABuiltDocumentReadBack) {
  std::vector<std::string> texts;
  for (const xml_test::HostileText& text : xml_test::HostileTexts()) texts.push_back(text.text);
  for (const char* encoding : xml_test::RoundTripEncodings()) {
    SCOPED_TRACE(encoding);
    ScopedXmlEncoding scoped(encoding);
    XmlDocument built = BuildRecordSet(texts);
    XmlNodeList records = built.selectNodes("//record");
    for (std::size_t i = 0; i < texts.size(); ++i) records.item(static_cast<int>(i)).setAttribute("value", texts[i]);
    const std::string path = m_folder.Path("hostile.xml");
    built.save(path);
    XmlDocument loaded;
    ASSERT_NO_THROW(loaded.load(path)) << TempFolder::Read(path);
    XmlDocument fromText;
    ASSERT_NO_THROW(fromText.loadXML(built.xml()));
    for (const XmlDocument& document : {loaded, fromText}) {
      std::vector<std::string> read;
      std::vector<std::string> values;
      for (XmlNode record : document.selectNodes("//record")) {
        read.push_back(record.selectSingleNode("text").text());
        values.push_back(record.getAttribute("value").AsString());
      }
      EXPECT_EQ(read, texts);
      EXPECT_EQ(values, texts);
    }
  }
}

// What no XML file can hold never gets into a document.
TEST_F(XmlSaveTest, CharactersNoFileHoldsAreRefusedInNewNodes) {
  XmlDocument document = XmlDocument::Create();
  XmlNode root = document.appendChild(document.createElement("r"));
  for (const std::string& character : xml_test::UnwritableCharacters()) {
    SCOPED_TRACE(xml_test::CodePointName(character));
    const std::string message =
        "The character " + xml_test::CodePointName(character) + " cannot be written into an XML file";
    for (const std::function<void()>& make :
         {std::function<void()>([&] { document.createTextNode("a" + character); }),
          std::function<void()>([&] { root.setAttribute("v", character + "b"); })}) {
      try {
        make();
        ADD_FAILURE() << "no error";
      } catch (const EXmlDOMException& e) {
        EXPECT_EQ(e.Message(), message);
      }
    }
  }
  EXPECT_TRUE(root.getAttribute("v").IsNull());
}

// Namespace URIs hold whatever their references say; the saved file and the
// xml text must give back the same URIs.
TEST_F(XmlSaveTest, NamespaceUrisReadBackFromASavedFile) {
  const struct {
    const char* label;
    const char* xml;
    std::vector<std::string> uris;  // of the root element and its first child
  } cases[] = {
      {"less-than", "<r xmlns='&lt;'></r>", {"<"}},
      {"ampersand in a prefixed one", "<p:r xmlns:p='a?x=1&amp;y=2'/>", {"a?x=1&y=2"}},
      {"both quotes", "<r xmlns='&quot;&apos;'/>", {"\"'"}},
      {"double quote", "<r xmlns='a&quot;b'/>", {"a\"b"}},
      {"line ends and tab", "<r xmlns='a&#10;b&#9;c&#13;d'/>", {"a\nb\tc\rd"}},
      {"a child declares its own", "<r xmlns='urn:x'><q:c xmlns:q='&lt;&amp;&gt;'/></r>", {"urn:x", "<&>"}},
      {"a character the code page lacks", "<r xmlns='urn:&#20013;&lt;'/>", {"urn:中<"}},
  };
  for (const char* encoding : {"windows-1251", "UTF-8"}) {
    ScopedXmlEncoding scoped(encoding);
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << encoding << ": " << c.label);
      const XmlDocument source = Parse(c.xml);
      const std::string path = m_folder.Path("ns.xml");
      source.save(path);
      XmlDocument fromFile;
      ASSERT_NO_THROW(fromFile.load(path)) << TempFolder::Read(path);
      XmlDocument fromText;
      ASSERT_NO_THROW(fromText.loadXML(source.xml())) << source.xml();
      for (const XmlDocument& loaded : {fromFile, fromText}) {
        std::vector<std::string> uris{loaded.documentElement().namespaceURI()};
        if (c.uris.size() > 1) uris.push_back(loaded.documentElement().firstChild().namespaceURI());
        EXPECT_EQ(uris, c.uris);
      }
      // The tree itself is left as it was.
      EXPECT_EQ(source.documentElement().namespaceURI(), c.uris[0]);
    }
  }
}

TEST_F(XmlSaveTest, CyrillicNamesAndCommentsAreWritten) {
  ScopedXmlEncoding encoding("windows-1251");
  const std::string path = m_folder.Path("names.xml");
  Parse("<форма имя='x'><!--мир--></форма>").save(path);
  XmlDocument again;
  again.load(path);
  EXPECT_EQ(again.documentElement().nodeName(), "форма");
  EXPECT_EQ(again.documentElement().getAttribute("имя").AsString(), "x");
  EXPECT_EQ(again.documentElement().firstChild().text(), "мир");
}

TEST_F(XmlSaveTest, UnwritableFileRaises) {
  EXPECT_THROW(Sample().save(m_folder.Path("no/such/folder/out.xml")), EXmlDOMException);
}

}  // namespace
}  // namespace halbrin
