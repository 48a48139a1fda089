// Reading the tree: XPath selection, walks, names, values, text and xml, and
// how long handles live.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "fixtures/xml_test_support.h"

namespace halbrin {
namespace {

using platform::Variant;
using xml_test::ScopedXmlEncoding;

XmlDocument Parse(std::string_view text) {
  XmlDocument document;
  document.loadXML(text);
  return document;
}

// Each node's nodeName, or its "id" attribute when it has one.
std::vector<std::string> Labels(const XmlNodeList& nodes) {
  std::vector<std::string> labels;
  for (XmlNode node : nodes) {
    const Variant id = node.getAttribute("id");
    labels.push_back(id.IsNull() ? node.nodeName() + (node.nodeValue().IsNull() ? "" : "=" + node.text())
                                 : id.AsString());
  }
  return labels;
}

// A declaration as the mapper sees it: nested controls, a comment among them,
// indentation between the elements.
constexpr const char* Declaration = R"(<?xml version="1.0"?>
<document>
  <controls stopOnException="true">
    <control id="a" type="form">
      <control id="a1"/>
    </control>
    <control id="b"/>
    <!-- note -->
    <control id="c" caption="x"/>
  </controls>
  <recordset>
    <record><text>one</text></record>
    <record><text>two</text><name>n</name></record>
  </recordset>
</document>
)";

// ---- XPath ----

struct SelectCase {
  const char* xpath;
  std::vector<std::string> expected;
};

class XmlSelectNodesTest : public ::testing::TestWithParam<SelectCase> {};

TEST_P(XmlSelectNodesTest, SelectsInDocumentOrder) {
  const XmlDocument document = Parse(Declaration);
  EXPECT_EQ(Labels(document.selectNodes(GetParam().xpath)), GetParam().expected);
  const XmlNode first = document.selectSingleNode(GetParam().xpath);
  if (GetParam().expected.empty()) {
    EXPECT_FALSE(first);
  } else {
    ASSERT_TRUE(first);
    EXPECT_EQ(Labels(document.selectNodes(GetParam().xpath)).front(), GetParam().expected.front());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlSelectNodesTest,
    ::testing::Values(
        SelectCase{"//control", {"a", "a1", "b", "c"}},  // nested ones in document order
        SelectCase{"//controls", {"controls"}}, SelectCase{"//control/@id", {"id=a", "id=a1", "id=b", "id=c"}},
        SelectCase{"//control[@type='form']", {"a"}},
        SelectCase{"//controls/control[2]", {"b"}},  // XPath counts from 1
        SelectCase{"/document/controls/control[last()]", {"c"}},
        SelectCase{"//control[@caption]/@caption", {"caption=x"}},
        SelectCase{"//*[@stopOnException]/@stopOnException", {"stopOnException=true"}},
        SelectCase{"//record/text", {"text", "text"}}, SelectCase{"//record[name]/text/text()", {"#text=two"}},
        SelectCase{"//controls/comment()", {"#comment= note "}},
        SelectCase{"//control | //controls", {"controls", "a", "a1", "b", "c"}}, SelectCase{"//missing", {}}));

TEST(XmlSelectTest, RelativePathsStartAtTheNode) {
  const XmlDocument document = Parse(Declaration);
  const XmlNodeList records = document.selectNodes("//record");
  ASSERT_EQ(records.length(), 2);
  EXPECT_EQ(records.item(0).selectSingleNode("text").text(), "one");
  EXPECT_EQ(records.item(1).selectSingleNode("text").text(), "two");
  EXPECT_FALSE(records.item(0).selectSingleNode("name"));
  // "//" still means the whole document.
  EXPECT_EQ(records.item(0).selectNodes("//control").length(), 4);
  const XmlNode controls = document.selectSingleNode("//controls");
  EXPECT_EQ(Labels(controls.selectNodes("control")), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(controls.selectSingleNode("@stopOnException").text(), "true");
}

TEST(XmlSelectTest, PrefixesDeclaredInScopeCanBeUsed) {
  const XmlDocument document = Parse("<r xmlns:s='urn:s'><s:a/><a/><new:b/></r>");
  EXPECT_EQ(document.selectNodes("//s:a").length(), 1);
  EXPECT_EQ(document.documentElement().selectNodes("s:a").length(), 1);
  // An undeclared prefix is part of the name.
  EXPECT_EQ(document.selectNodes("//*[name()='new:b']").length(), 1);
}

struct BadXPathCase {
  const char* xpath;
  const char* messagePart;
};

class XmlBadXPathTest : public ::testing::TestWithParam<BadXPathCase> {};

TEST_P(XmlBadXPathTest, Raises) {
  const XmlDocument document = Parse("<a><b/></a>");
  for (int single = 0; single < 2; ++single) {
    try {
      if (single)
        document.selectSingleNode(GetParam().xpath);
      else
        document.selectNodes(GetParam().xpath);
      FAIL() << "no exception for " << GetParam().xpath;
    } catch (const EXmlDOMException& error) {
      EXPECT_NE(error.Message().find(GetParam().messagePart), std::string::npos) << error.Message();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlBadXPathTest,
                         ::testing::Values(BadXPathCase{"//[", "Invalid XPath expression \"//[\""},
                                           BadXPathCase{"", "Invalid XPath expression"},
                                           BadXPathCase{"//u:b", "Invalid XPath expression"},
                                           BadXPathCase{"nosuch(1)", "Invalid XPath expression"},
                                           BadXPathCase{"count(//b)", "does not select nodes"},
                                           BadXPathCase{"string(//b)", "does not select nodes"}));

// ---- walks ----

TEST(XmlWalkTest, FollowingSiblingsInDocumentOrderWithoutIndentation) {
  const XmlDocument document = Parse(Declaration);
  std::vector<std::string> walk;
  for (XmlNode node = document.selectSingleNode("//control"); node; node = node.nextSibling())
    walk.push_back(node.nodeType() == XmlNodeType::Element ? node.getAttribute("id").AsString() : node.nodeName());
  EXPECT_EQ(walk, (std::vector<std::string>{"a", "b", "#comment", "c"}));

  std::vector<std::string> back;
  for (XmlNode node = document.selectSingleNode("//controls").lastChild(); node; node = node.previousSibling())
    back.push_back(node.nodeName());
  EXPECT_EQ(back, (std::vector<std::string>{"control", "#comment", "control", "control"}));
}

TEST(XmlWalkTest, ChildrenParentsAndTheDocument) {
  const XmlDocument document = Parse(Declaration);
  const XmlNode root = document.documentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(root.parentNode(), XmlNode(document));
  EXPECT_EQ(root.parentNode().nodeType(), XmlNodeType::Document);
  EXPECT_FALSE(document.parentNode());
  EXPECT_EQ(Labels(root.childNodes()), (std::vector<std::string>{"controls", "recordset"}));
  EXPECT_EQ(root.firstChild().nodeName(), "controls");
  EXPECT_EQ(root.lastChild().nodeName(), "recordset");
  EXPECT_TRUE(root.hasChildNodes());

  const XmlNode a1 = document.selectSingleNode("//control[@id='a1']");
  EXPECT_EQ(a1.parentNode().getAttribute("id").AsString(), "a");
  EXPECT_FALSE(a1.hasChildNodes());
  EXPECT_EQ(a1.childNodes().length(), 0);
  EXPECT_EQ(a1.ownerDocument(), XmlNode(document));
  EXPECT_FALSE(document.ownerDocument());
  EXPECT_EQ(a1.ownerDocument().AsDocument().selectSingleNode("//controls").getAttribute("stopOnException").AsString(),
            "true");
  EXPECT_EQ(document.AsDocument(), XmlNode(document));
  EXPECT_FALSE(root.AsDocument());
}

TEST(XmlWalkTest, AttributesAreNotChildrenOrSiblings) {
  const XmlDocument document = Parse("<a x='1' y='2'>t</a>");
  const XmlNode x = document.documentElement().getAttributeNode("x");
  ASSERT_TRUE(x);
  EXPECT_EQ(x.nodeType(), XmlNodeType::Attribute);
  EXPECT_FALSE(x.parentNode());
  EXPECT_FALSE(x.nextSibling());
  EXPECT_FALSE(x.firstChild());
  EXPECT_EQ(x.childNodes().length(), 0);
  EXPECT_EQ(x.ownerDocument(), XmlNode(document));
  // A text node has no children either.
  EXPECT_FALSE(document.documentElement().firstChild().firstChild());
}

TEST(XmlWalkTest, NodeListsIndexAndIterate) {
  const XmlDocument document = Parse("<a><b/><c/></a>");
  const XmlNodeList children = document.documentElement().childNodes();
  EXPECT_EQ(children.length(), 2);
  EXPECT_EQ(children.item(1).nodeName(), "c");
  EXPECT_FALSE(children.item(2));
  EXPECT_FALSE(children.item(-1));
  std::vector<std::string> names;
  for (auto it = children.begin(); it != children.end(); ++it) names.push_back((*it).nodeName());
  EXPECT_EQ(names, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(XmlNodeList().length(), 0);
  EXPECT_TRUE(XmlNodeList().begin() == XmlNodeList().end());
}

// ---- names ----

struct NameCase {
  const char* nodeName;
  const char* baseName;
  const char* prefix;
  const char* namespaceUri;
};

constexpr const char* Prefixed =
    "<root xmlns:color='urn:color' new:caption='Hi' color:background='red' plain='1'>"
    "<new:item/><color:item/><item/></root>";

class XmlAttributeNameTest : public ::testing::TestWithParam<std::pair<int, NameCase>> {};

TEST_P(XmlAttributeNameTest, SplitsThePrefixAsTheDomDoes) {
  const XmlDocument document = Parse(Prefixed);
  const XmlNamedNodeMap attributes = document.documentElement().attributes();
  // The namespace declaration is not an attribute.
  ASSERT_EQ(attributes.length(), 3);
  const XmlNode node = attributes.item(GetParam().first);
  const NameCase& expected = GetParam().second;
  EXPECT_EQ(node.nodeName(), expected.nodeName);
  EXPECT_EQ(node.baseName(), expected.baseName);
  EXPECT_EQ(node.prefix(), expected.prefix);
  EXPECT_EQ(node.namespaceURI(), expected.namespaceUri);
  EXPECT_EQ(attributes.getNamedItem(expected.nodeName), node);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlAttributeNameTest,
                         ::testing::Values(std::pair{0, NameCase{"new:caption", "caption", "new", ""}},
                                           std::pair{1,
                                                     NameCase{"color:background", "background", "color", "urn:color"}},
                                           std::pair{2, NameCase{"plain", "plain", "", ""}}));

class XmlElementNameTest : public ::testing::TestWithParam<std::pair<int, NameCase>> {};

TEST_P(XmlElementNameTest, SplitsThePrefixAsTheDomDoes) {
  const XmlDocument document = Parse(Prefixed);
  const XmlNode node = document.documentElement().childNodes().item(GetParam().first);
  const NameCase& expected = GetParam().second;
  EXPECT_EQ(node.nodeName(), expected.nodeName);
  EXPECT_EQ(node.baseName(), expected.baseName);
  EXPECT_EQ(node.prefix(), expected.prefix);
  EXPECT_EQ(node.namespaceURI(), expected.namespaceUri);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlElementNameTest,
                         ::testing::Values(std::pair{0, NameCase{"new:item", "item", "new", ""}},
                                           std::pair{1, NameCase{"color:item", "item", "color", "urn:color"}},
                                           std::pair{2, NameCase{"item", "item", "", ""}}));

TEST(XmlNameTest, AttributesAreFoundByTheirQualifiedName) {
  const XmlNode root = Parse(Prefixed).documentElement();
  EXPECT_EQ(root.getAttribute("new:caption").AsString(), "Hi");
  EXPECT_EQ(root.getAttribute("color:background").AsString(), "red");
  EXPECT_TRUE(root.getAttribute("caption").IsNull());
  EXPECT_TRUE(root.getAttribute("background").IsNull());
  EXPECT_TRUE(root.getAttribute("xmlns:color").IsNull());
  EXPECT_TRUE(root.getAttribute("PLAIN").IsNull());  // names are case-sensitive
  EXPECT_FALSE(root.attributes().getNamedItem("caption"));
}

struct KindCase {
  const char* xpath;
  XmlNodeType type;
  const char* nodeName;
  const char* baseName;
};

class XmlNodeKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(XmlNodeKindTest, NamesEachKind) {
  const XmlDocument document = Parse("<!DOCTYPE a><a>t<![CDATA[c]]><!--m--><?go now?></a>");
  const XmlNode node =
      std::string_view(GetParam().xpath) == "/" ? XmlNode(document) : document.selectSingleNode(GetParam().xpath);
  ASSERT_TRUE(node) << GetParam().xpath;
  EXPECT_EQ(node.nodeType(), GetParam().type);
  EXPECT_EQ(node.nodeName(), GetParam().nodeName);
  EXPECT_EQ(node.baseName(), GetParam().baseName);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlNodeKindTest,
                         ::testing::Values(KindCase{"/", XmlNodeType::Document, "#document", ""},
                                           KindCase{"/a", XmlNodeType::Element, "a", "a"},
                                           KindCase{"/a/text()[1]", XmlNodeType::Text, "#text", ""},
                                           KindCase{"/a/text()[2]", XmlNodeType::CDataSection, "#cdata-section", ""},
                                           KindCase{"/a/comment()", XmlNodeType::Comment, "#comment", ""},
                                           KindCase{"/a/processing-instruction()", XmlNodeType::ProcessingInstruction,
                                                    "go", "go"}));

TEST(XmlNodeKindTest, TheDocumentTypeIsTheDocumentsFirstChild) {
  const XmlDocument document = Parse("<!DOCTYPE a><a/>");
  const XmlNode doctype = document.firstChild();
  EXPECT_EQ(doctype.nodeType(), XmlNodeType::DocumentType);
  EXPECT_EQ(doctype.nodeName(), "a");
  EXPECT_EQ(doctype.nextSibling(), document.documentElement());
  EXPECT_EQ(document.childNodes().length(), 2);
}

// ---- values, text and xml ----

struct ValueCase {
  const char* xpath;
  std::optional<std::string> nodeValue;  // nullopt: Null
  const char* text;
  const char* xml;
};

constexpr const char* Mixed = "<a x='1&amp;2 &lt;ж&gt;'>t&lt;1<b>ж</b><![CDATA[<c>]]><!--no--><e/></a>";

class XmlValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(XmlValueTest, ValueTextAndXml) {
  const XmlDocument document = Parse(Mixed);
  const XmlNode node = document.selectSingleNode(GetParam().xpath);
  ASSERT_TRUE(node) << GetParam().xpath;
  const Variant value = node.nodeValue();
  if (GetParam().nodeValue)
    EXPECT_EQ(value.ToText(), *GetParam().nodeValue);
  else
    EXPECT_TRUE(value.IsNull());
  EXPECT_EQ(node.text(), GetParam().text);
  EXPECT_EQ(node.xml(), GetParam().xml);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlValueTest,
    ::testing::Values(ValueCase{"/a", std::nullopt, "t<1ж<c>",  // comments are not text
                                "<a x=\"1&amp;2 &lt;ж&gt;\">t&lt;1<b>ж</b><![CDATA[<c>]]><!--no--><e/></a>"},
                      ValueCase{"/a/@x", "1&2 <ж>", "1&2 <ж>", "x=\"1&amp;2 &lt;ж&gt;\""},
                      ValueCase{"/a/b", std::nullopt, "ж", "<b>ж</b>"}, ValueCase{"/a/e", std::nullopt, "", "<e/>"},
                      ValueCase{"/a/text()[1]", "t<1", "t<1", "t&lt;1"},
                      ValueCase{"/a/text()[2]", "<c>", "<c>", "<![CDATA[<c>]]>"},
                      ValueCase{"/a/comment()", "no", "no", "<!--no-->"}));

TEST(XmlValueTest, DocumentXmlDeclaresTheProgramsEncodingOverUtf8Text) {
  ScopedXmlEncoding encoding("windows-1251");
  const XmlDocument document = Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>ж</a>");
  EXPECT_EQ(document.xml(), "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<a>ж</a>\n");
  EXPECT_EQ(document.text(), "ж");
  EXPECT_TRUE(document.nodeValue().IsNull());
  // Read back as a text it is the same document.
  const XmlDocument again = Parse(document.xml());
  EXPECT_EQ(again.documentElement().text(), "ж");
}

struct WhitespaceCase {
  const char* text;
  const char* rootText;
  int rootChildren;
};

class XmlWhitespaceTest : public ::testing::TestWithParam<WhitespaceCase> {};

TEST_P(XmlWhitespaceTest, DropsOnlyIndentationBetweenElements) {
  const XmlNode root = Parse(GetParam().text).documentElement();
  EXPECT_EQ(root.text(), GetParam().rootText);
  EXPECT_EQ(root.childNodes().length(), GetParam().rootChildren);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlWhitespaceTest,
                         ::testing::Values(WhitespaceCase{"<t>  x  </t>", "  x  ", 1},
                                           WhitespaceCase{"<t>   </t>", "   ", 1},  // a line of blanks survives
                                           WhitespaceCase{"<t>a\r\nb</t>", "a\nb", 1},
                                           WhitespaceCase{"<r>\n  <t>a</t>\n  <t>b</t>\n</r>", "ab", 2},
                                           WhitespaceCase{"<r>a <b>x</b> c</r>", "a x c", 3},
                                           WhitespaceCase{"<r xml:space='preserve'> <b/> </r>", "  ", 3}));

// ---- handles and lifetime ----

TEST(XmlLifetimeTest, NodesOutliveTheirWrapper) {
  XmlNode control;
  XmlNodeList records;
  XmlNode attribute;
  {
    auto document = std::make_unique<TMSXMLDOMDocument>();
    document->LoadXML(Declaration);
    control = document->Document().selectSingleNode("//control[@id='b']");
    records = document->Document().selectNodes("//record");
    attribute = document->Document().selectSingleNode("//control/@caption");
  }
  ASSERT_TRUE(control);
  EXPECT_EQ(control.nextSibling().nextSibling().getAttribute("id").AsString(), "c");
  EXPECT_EQ(control.ownerDocument().documentElement().nodeName(), "document");
  EXPECT_EQ(records.item(1).selectSingleNode("text").text(), "two");
  EXPECT_EQ(attribute.text(), "x");
}

TEST(XmlLifetimeTest, ReloadingLeavesEarlierNodesOnTheirTree) {
  TMSXMLDOMDocument document;
  document.LoadXML("<old><child/></old>");
  const XmlNode old = document.DocumentElement();
  const XmlDocument oldDocument = document.Document();
  document.LoadXML("<new/>");
  EXPECT_EQ(document.DocumentElement().nodeName(), "new");
  EXPECT_EQ(old.nodeName(), "old");
  EXPECT_EQ(old.firstChild().nodeName(), "child");
  EXPECT_EQ(oldDocument.documentElement(), old);
  EXPECT_EQ(old.ownerDocument(), XmlNode(oldDocument));
  // A failed load does not touch them either.
  EXPECT_THROW(document.LoadXML("<broken>"), EXmlDOMDocument);
  EXPECT_EQ(old.firstChild().nodeName(), "child");
}

TEST(XmlLifetimeTest, NullHandlesAnswerWithEmptyValues) {
  const XmlNode node;
  EXPECT_FALSE(node);
  EXPECT_EQ(node.nodeType(), XmlNodeType::None);
  EXPECT_EQ(node.nodeName(), "");
  EXPECT_EQ(node.baseName(), "");
  EXPECT_EQ(node.text(), "");
  EXPECT_EQ(node.xml(), "");
  EXPECT_TRUE(node.nodeValue().IsNull());
  EXPECT_TRUE(node.getAttribute("x").IsNull());
  EXPECT_FALSE(node.parentNode());
  EXPECT_FALSE(node.firstChild());
  EXPECT_FALSE(node.nextSibling());
  EXPECT_FALSE(node.ownerDocument());
  EXPECT_FALSE(node.selectSingleNode("//x"));
  EXPECT_EQ(node.selectNodes("//x").length(), 0);
  EXPECT_EQ(node.attributes().length(), 0);
  EXPECT_EQ(node, XmlNode());

  const XmlDocument document;
  EXPECT_FALSE(document.documentElement());
  EXPECT_EQ(document.parseError().errorCode, 0);
}

}  // namespace
}  // namespace halbrin
