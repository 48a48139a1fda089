#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/escapes.h"

namespace halbrin {
namespace {

struct Case {
  std::string input;
  std::string expected;
};

TEST(XmlEscape, ReplacesTheFourMarkupCharacters) {
  const std::vector<Case> cases = {
      {"", ""},
      {"plain text", "plain text"},
      {"a & b", "a &amp; b"},
      {"<tag attr=\"v\">", "&lt;tag attr=&quot;v&quot;&gt;"},
      {"it's", "it's"},  // the apostrophe stays
      {"&amp;", "&amp;amp;"},  // an entity is escaped again
      {"&&<<>>\"\"", "&amp;&amp;&lt;&lt;&gt;&gt;&quot;&quot;"},
      {"Привет <мир>", "Привет &lt;мир&gt;"},
      {std::string("a\0<b", 4), std::string("a\0&lt;b", 7)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(XmlEscape(c.input), c.expected);
  }
}

TEST(XmlUnescape, ReplacesEntitiesWithAmpersandLast) {
  const std::vector<Case> cases = {
      {"", ""},
      {"plain", "plain"},
      {"&quot;&apos;&lt;&gt;&sp;&amp;", "\"'<> &"},
      {"a&sp;b", "a b"},
      // "&amp;" goes last, so the entity it uncovers is kept as text.
      {"&amp;lt;", "&lt;"},
      {"&amp;quot;", "&quot;"},
      {"&amp;amp;", "&amp;"},
      {"&lt;&gt;", "<>"},
      {"&LT;", "&LT;"},  // entity names are exact
      {"&lt", "&lt"},
      {"&#65;", "&#65;"},  // numeric references are not this function's
      {"&", "&"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(XmlUnescape(c.input), c.expected);
  }
}

TEST(XmlEscape, RoundTrips) {
  // Unescaping an escaped text always gives the text back.
  for (const char* text : {"", "a & b", "<x y=\"1\">&amp;</x>", "&apos; &sp; &quot;", "'&'", "&&&;;;"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(XmlUnescape(XmlEscape(text)), text);
  }
  // Escaping an unescaped text gives back an escaped one, unless it used
  // the entities that escaping never writes.
  for (const char* text : {"&lt;b&gt; &amp; &quot;q&quot;", "no entities", "&amp;amp;"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(XmlEscape(XmlUnescape(text)), text);
  }
  EXPECT_EQ(XmlEscape(XmlUnescape("&apos;")), "'");
  EXPECT_EQ(XmlEscape(XmlUnescape("&sp;")), " ");
}

TEST(XmlTags, AttributesGetOneLeadingBlank) {
  EXPECT_EQ(XmlOpenTag("a", "b=\"1\""), "<a b=\"1\">");
  EXPECT_EQ(XmlOpenTag("a", " b=\"1\""), "<a b=\"1\">");
  EXPECT_EQ(XmlOpenTag("a", "  b=\"1\""), "<a  b=\"1\">");  // blanks already there are kept
  EXPECT_EQ(XmlOpenTag("a", ""), "<a>");
  EXPECT_EQ(XmlOpenTag("a"), "<a>");
  EXPECT_EQ(XmlCloseTag("record"), "</record>");
  EXPECT_EQ(XmlElement("a", "b=\"1\"", "text"), "<a b=\"1\">text</a>");
  EXPECT_EQ(XmlElement("a", "", ""), "<a></a>");
  // Content and attribute values are written as given.
  EXPECT_EQ(XmlElement("a", "", "<b/>&"), "<a><b/>&</a>");
  EXPECT_EQ(XmlAttribute("name", "x\"y"), " name=\"x\"y\"");
  EXPECT_EQ(XmlAttribute("name", ""), " name=\"\"");
}

TEST(XmlTags, BuildersCombine) {
  const std::string attributes = XmlAttribute("id", "7") + XmlAttribute("caption", XmlEscape("a \"b\""));
  EXPECT_EQ(XmlElement("control", attributes, XmlEscape("1 < 2")),
            "<control id=\"7\" caption=\"a &quot;b&quot;\">1 &lt; 2</control>");
}

}  // namespace
}  // namespace halbrin
