// Loading documents: the wrapper, parse errors, encodings, entities.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "fixtures/xml_test_support.h"
#include "platform/classes/class_info.h"

namespace halbrin {
namespace {

using platform::Variant;
using xml_test::ScopedXmlEncoding;
using xml_test::TempFolder;

// ---- the wrapper ----

TEST(XmlDocumentWrapperTest, StartsEmptyAndLoadsText) {
  TMSXMLDOMDocument document;
  EXPECT_FALSE(document.DocumentElement());
  EXPECT_TRUE(document.GetNodeValue("//x").IsNull());

  document.LoadXML("<project name='demo'><script>init</script></project>");
  ASSERT_TRUE(document.DocumentElement());
  EXPECT_EQ(document.DocumentElement().nodeName(), "project");
  EXPECT_EQ(document.Document().documentElement(), document.DocumentElement());
  EXPECT_EQ(document.Document().parseError().errorCode, 0);
}

TEST(XmlDocumentWrapperTest, IsARegisteredClassWithAVirtualConstructor) {
  const platform::TClassInfo* info = platform::TClassRegistry::Find("TMSXMLDOMDocument");
  ASSERT_NE(info, nullptr);
  std::unique_ptr<platform::TObject> object = info->CreateInstance();
  auto* document = dynamic_cast<TMSXMLDOMDocument*>(object.get());
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->ClassName(), "TMSXMLDOMDocument");
  document->LoadXML("<a/>");
  EXPECT_EQ(document->DocumentElement().nodeName(), "a");
}

struct NodeValueCase {
  const char* xpath;
  std::optional<std::string> expected;  // nullopt: Null
};

class XmlGetNodeValueTest : public ::testing::TestWithParam<NodeValueCase> {};

TEST_P(XmlGetNodeValueTest, GivesTheSelectedValueOrNull) {
  TMSXMLDOMDocument document;
  document.LoadXML("<r><x y='1'/><x y='2'/><x/><t>text</t><!--note--></r>");
  const Variant value = document.GetNodeValue(GetParam().xpath);
  if (GetParam().expected) {
    ASSERT_TRUE(value.IsString()) << value.TypeName();
    EXPECT_EQ(value.AsString(), *GetParam().expected);
  } else {
    EXPECT_TRUE(value.IsNull()) << value.TypeName();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlGetNodeValueTest,
                         ::testing::Values(NodeValueCase{"//x/@y", "1"},                 // the first in document order
                                           NodeValueCase{"//x[2]/@y", "2"},              //
                                           NodeValueCase{"//x/@z", std::nullopt},        // no such attribute
                                           NodeValueCase{"//x", std::nullopt},           // an element has no value
                                           NodeValueCase{"/r", std::nullopt},            //
                                           NodeValueCase{"//t/text()", "text"},          //
                                           NodeValueCase{"//comment()", "note"},         //
                                           NodeValueCase{"//missing/@y", std::nullopt},  //
                                           NodeValueCase{"//*[@y='2']/@y", "2"}));       // the start-up's kind of path

TEST(XmlDocumentWrapperTest, CreateFromFileLoadsTheFile) {
  TempFolder folder;
  const std::string path = folder.Write("a.xml", "<?xml version=\"1.0\"?>\n<open project=\"{1}\"/>\n");
  std::unique_ptr<TMSXMLDOMDocument> document = TMSXMLDOMDocument::CreateFromFile(path);
  EXPECT_EQ(document->GetNodeValue("//*[@project]/@project").ToText(), "{1}");
  EXPECT_EQ(document->Document().parseError().url, "");
}

// ---- parse errors ----

struct ParseErrorCase {
  const char* name;
  const char* text;
  int line;
  const char* reasonPart;
};

class XmlParseErrorTest : public ::testing::TestWithParam<ParseErrorCase> {};

TEST_P(XmlParseErrorTest, RaisesTheReasonWithItsLine) {
  TMSXMLDOMDocument document;
  document.LoadXML("<previous/>");
  try {
    document.LoadXML(GetParam().text);
    FAIL() << "no exception";
  } catch (const EXmlDOMDocument& error) {
    const XmlParseError& parseError = error.ParseError();
    EXPECT_EQ(error.Message(), parseError.reason);
    EXPECT_NE(parseError.reason.find(GetParam().reasonPart), std::string::npos) << parseError.reason;
    EXPECT_EQ(parseError.reason.back() != '\n', true);
    EXPECT_EQ(error.Line(), GetParam().line);
    EXPECT_GT(error.Column(), 0);
    EXPECT_NE(parseError.errorCode, 0);
    EXPECT_EQ(error.ClassName(), "EXmlDOMDocument");
  }
  // Nothing half-loaded stays behind, the failure is readable, and the wrapper goes on.
  EXPECT_FALSE(document.DocumentElement());
  EXPECT_FALSE(document.Document().parseError().reason.empty());
  document.LoadXML("<next/>");
  EXPECT_EQ(document.DocumentElement().nodeName(), "next");
  EXPECT_EQ(document.Document().parseError().errorCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, XmlParseErrorTest,
                         ::testing::Values(ParseErrorCase{"Unclosed", "<a>", 1, "Premature end of data"},
                                           ParseErrorCase{"Mismatch", "<a>\n <b></c></a>", 2, "mismatch"},
                                           ParseErrorCase{"Empty", "", 1, "empty"},
                                           ParseErrorCase{"TwoRoots", "<a/>\n<b/>", 2, "Extra content"},
                                           ParseErrorCase{"UndefinedEntity", "<a>\n\n&nothing;</a>", 3, "nothing"},
                                           ParseErrorCase{"NotUtf8", "<a>\xFF</a>", 1, "UTF-8"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(XmlParseErrorTest, IsAnXmlDomException) {
  TMSXMLDOMDocument document;
  EXPECT_THROW(document.LoadXML("<a>"), EXmlDOMException);
  EXPECT_THROW(document.LoadXML("<a>"), EXmlException);
  EXPECT_THROW(document.LoadXML("<a>"), platform::Exception);
}

TEST(XmlParseErrorTest, WritesNothingToStandardError) {
  TMSXMLDOMDocument document;
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(document.LoadXML("<a><b></a>"), EXmlDOMDocument);
  // An undeclared prefix is reported by the parser but is no failure.
  document.LoadXML("<a new:caption='x'/>");
  EXPECT_THROW(document.Document().selectNodes("//["), EXmlDOMException);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(XmlParseErrorTest, MissingFileRaisesWithTheFileAndNoPosition) {
  TempFolder folder;
  const std::string path = folder.Path("missing.xml");
  TMSXMLDOMDocument document;
  try {
    document.Load(path);
    FAIL() << "no exception";
  } catch (const EXmlDOMDocument& error) {
    EXPECT_FALSE(error.Message().empty());
    EXPECT_EQ(error.ParseError().url, path);
    EXPECT_EQ(error.Line(), 0);
  }
  EXPECT_FALSE(document.DocumentElement());
  EXPECT_THROW(TMSXMLDOMDocument::CreateFromFile(path), EXmlDOMDocument);
}

TEST(XmlParseErrorTest, FileErrorNamesTheFile) {
  TempFolder folder;
  const std::string path = folder.Write("bad.xml", "<a>\n<b>\n</a>\n");
  TMSXMLDOMDocument document;
  try {
    document.Load(path);
    FAIL() << "no exception";
  } catch (const EXmlDOMDocument& error) {
    EXPECT_EQ(error.ParseError().url, path);
    EXPECT_EQ(error.Line(), 3);
  }
}

// ---- encodings ----

// "Привет" and "мир" in windows-1251 and in UTF-8.
const std::string Privet1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string Mir1251 = "\xEC\xE8\xF0";
const std::string Privet = "Привет";
const std::string Mir = "мир";
const std::string Bom = "\xEF\xBB\xBF";

struct EncodingCase {
  const char* name;
  std::string bytes;
  bool fromFile;
};

class XmlEncodingReadTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(XmlEncodingReadTest, CyrillicComesOutAsUtf8) {
  TMSXMLDOMDocument document;
  if (GetParam().fromFile) {
    TempFolder folder;
    document.Load(folder.Write("f.xml", GetParam().bytes));
  } else {
    document.LoadXML(GetParam().bytes);
  }
  EXPECT_EQ(document.GetNodeValue("/form/@caption").ToText(), Privet);
  EXPECT_EQ(document.DocumentElement().text(), Mir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlEncodingReadTest,
    ::testing::Values(
        EncodingCase{"Windows1251File",
                     "<?xml version=\"1.0\" encoding=\"windows-1251\"?><form caption=\"" + Privet1251 + "\">" +
                         Mir1251 + "</form>",
                     true},
        EncodingCase{"Utf8FileWithBom", Bom + "<form caption=\"" + Privet + "\">" + Mir + "</form>", true},
        EncodingCase{"Utf8FileDeclared",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><form caption=\"" + Privet + "\">" + Mir + "</form>",
                     true},
        EncodingCase{"Utf8FileUndeclared", "<form caption=\"" + Privet + "\">" + Mir + "</form>", true},
        // The mark wins over a declaration that contradicts it.
        EncodingCase{"BomOverridesDeclaration",
                     Bom + "<?xml version=\"1.0\" encoding=\"windows-1251\"?><form caption=\"" + Privet + "\">" + Mir +
                         "</form>",
                     true},
        // Text in memory is UTF-8 whatever it declares.
        EncodingCase{
            "TextDeclaring1251",
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?><form caption=\"" + Privet + "\">" + Mir + "</form>",
            false},
        EncodingCase{"TextWithBom",
                     Bom + "<?xml version=\"1.0\" encoding=\"windows-1251\"?><form caption=\"" + Privet + "\">" + Mir +
                         "</form>",
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlEncodingReadTest, FileInAnUnknownEncodingFails) {
  TempFolder folder;
  TMSXMLDOMDocument document;
  const std::string path =
      folder.Write("k.xml", "<?xml version=\"1.0\" encoding=\"x-klingon\"?><form>" + Mir1251 + "</form>");
  try {
    document.Load(path);
    FAIL() << "no exception";
  } catch (const EXmlDOMDocument& error) {
    EXPECT_NE(error.Message().find("x-klingon"), std::string::npos) << error.Message();
  }
}

TEST(XmlEncodingReadTest, Windows1251BytesAsTextAreNotUtf8) {
  TMSXMLDOMDocument document;
  EXPECT_THROW(document.LoadXML("<?xml version=\"1.0\" encoding=\"windows-1251\"?><a>" + Mir1251 + "</a>"),
               EXmlDOMDocument);
}

TEST(XmlEncodingSettingTest, DefaultsToWindows1251AndIsSettable) {
  EXPECT_EQ(DefaultXmlEncoding, "windows-1251");
  ScopedXmlEncoding guard("UTF-8");
  EXPECT_EQ(XmlEncoding(), "UTF-8");
  SetXmlEncoding("");
  EXPECT_EQ(XmlEncoding(), "windows-1251");
  SetXmlEncoding("koi8-r");
  EXPECT_EQ(XmlEncoding(), "koi8-r");
}

TEST(XmlEncodingSettingTest, RefusesANameThatWouldBreakAHeader) {
  ScopedXmlEncoding guard("windows-1251");
  for (const char* name : {"a\"b", "utf 8", "-x", "x?>", "\xD0\xB6"}) {
    EXPECT_THROW(SetXmlEncoding(name), EXmlDOMException) << name;
    EXPECT_EQ(XmlEncoding(), "windows-1251") << name;
  }
}

// ---- entities and outside resources ----

class XmlEntityTest : public ::testing::Test {
 protected:
  XmlEntityTest()
      : m_secret(m_folder.Write("secret.txt", "TOP-SECRET-CONTENT")),
        m_dtd(m_folder.Write("ext.dtd", "<!ENTITY e \"TOP-SECRET-CONTENT\">")) {}

  static std::string Url(const std::string& path) { return "file://" + path; }

  // The secret must not reach any text of the document.
  static void ExpectNoSecret(const TMSXMLDOMDocument& document) {
    const XmlDocument dom = document.Document();
    EXPECT_EQ(dom.xml().find("TOP-SECRET"), std::string::npos) << dom.xml();
    EXPECT_EQ(dom.text().find("TOP-SECRET"), std::string::npos) << dom.text();
    for (XmlNode node : dom.selectNodes("//node()")) {
      EXPECT_EQ(node.text().find("TOP-SECRET"), std::string::npos) << node.nodeName();
    }
  }

  TempFolder m_folder;
  std::string m_secret;
  std::string m_dtd;
};

TEST_F(XmlEntityTest, ExternalEntityIsNotPulledIn) {
  TMSXMLDOMDocument document;
  document.LoadXML("<!DOCTYPE a [<!ENTITY x SYSTEM \"" + Url(m_secret) + "\">]><a>before&x;after</a>");
  ASSERT_TRUE(document.DocumentElement());
  EXPECT_EQ(document.DocumentElement().text(), "beforeafter");
  // The reference stays a reference.
  EXPECT_NE(document.DocumentElement().xml().find("&x;"), std::string::npos);
  ExpectNoSecret(document);
}

TEST_F(XmlEntityTest, ExternalEntityInAFileIsNotPulledIn) {
  TMSXMLDOMDocument document;
  document.Load(m_folder.Write("doc.xml", "<!DOCTYPE a [<!ENTITY x SYSTEM \"secret.txt\">]><a>&x;</a>"));
  EXPECT_EQ(document.DocumentElement().text(), "");
  ExpectNoSecret(document);
}

TEST_F(XmlEntityTest, ExternalDtdAndParameterEntitiesAreNotRead) {
  // Without the outside declarations "e" is undeclared; either way its text must not show.
  const std::vector<std::string> texts = {
      "<!DOCTYPE a SYSTEM \"" + Url(m_dtd) + "\"><a>&e;</a>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + Url(m_dtd) + "\"> %p;]><a>&e;</a>",
  };
  for (const std::string& text : texts) {
    TMSXMLDOMDocument document;
    try {
      document.LoadXML(text);
    } catch (const EXmlDOMDocument& error) {
      EXPECT_EQ(error.Message().find("TOP-SECRET"), std::string::npos);
    }
    ExpectNoSecret(document);
  }
}

TEST_F(XmlEntityTest, EntityAttributeReferenceIsRefused) {
  TMSXMLDOMDocument document;
  EXPECT_THROW(document.LoadXML("<!DOCTYPE a [<!ENTITY x SYSTEM \"" + Url(m_secret) + "\">]><a b=\"&x;\"/>"),
               EXmlDOMDocument);
}

TEST(XmlEntityLimitsTest, ExponentialEntitiesFail) {
  std::string text = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    text += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) text += "&lol" + std::to_string(i - 1) + ";";
    text += "\">";
  }
  text += "]><lolz>&lol9;</lolz>";
  TMSXMLDOMDocument document;
  EXPECT_THROW(document.LoadXML(text), EXmlDOMDocument);
}

TEST(XmlEntityLimitsTest, InternalEntityReadsAsItsText) {
  TMSXMLDOMDocument document;
  document.LoadXML("<!DOCTYPE a [<!ENTITY who \"world\">]><a>hello &who;</a>");
  EXPECT_EQ(document.DocumentElement().text(), "hello world");
}

}  // namespace
}  // namespace halbrin
