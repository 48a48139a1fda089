#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/delimited_text.h"
#include "platform/base/exception.h"

namespace halbrin {
namespace {

using platform::EListError;
using platform::TObject;
using platform::TStringList;
using platform::Variant;
using Lines = std::vector<std::string>;

Lines LinesOf(const platform::TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

TEST(SplitDelimited, ClassLibraryRules) {
  const struct {
    const char* text;
    char delimiter;
    Lines expected;
  } cases[] = {
      {"a,b,c", ',', {"a", "b", "c"}},
      {"", ',', {}},
      {"   ", ',', {}},
      {"a,,b", ',', {"a", "", "b"}},  // an empty item between two delimiters
      {",a", ',', {"", "a"}},
      {"a,", ',', {"a", ""}},  // a delimiter at the end leaves an empty item
      {" a , b ", ',', {"a", "b"}},
      {"a b,c", ',', {"a", "b", "c"}},  // blanks separate items too
      {"a\tb\r\nc", ',', {"a", "b", "c"}},
      {"\"a b\",c", ',', {"a b", "c"}},  // quotes group and are removed
      {"\"a,b\",c", ',', {"a,b", "c"}},
      {"\"say \"\"hi\"\"\",x", ',', {"say \"hi\"", "x"}},  // doubled quotes inside
      {"\"\",x", ',', {"", "x"}},
      {"a;b,c", ';', {"a", "b,c"}},
      {"a.b.c", '.', {"a", "b", "c"}},  // the object paths of XML declarations
      {"form. panel .button", '.', {"form", "panel", "button"}},
      // A library path with a blank falls apart at the blank too.
      {"C:\\Program Files\\x.dll,3", ',', {"C:\\Program", "Files\\x.dll", "3"}},
      {"Привет,мир", ',', {"Привет", "мир"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::unique_ptr<TStringList> list = SplitDelimited(c.text, c.delimiter);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Delimiter(), c.delimiter);
    EXPECT_EQ(LinesOf(*list), c.expected);
  }
}

TEST(GetDelimitedItem, IndexFromEitherEnd) {
  const struct {
    const char* text;
    int index;
    const char* expected;
  } cases[] = {
      {"a,b,c", 0, "a"}, {"a,b,c", 2, "c"},  {"a,b,c", -1, "c"}, {"a,b,c", -3, "a"},
      {"a,b,c", -9, "a"},  // counts back no further than the first item
      {"a,,c", 1, ""},     {"x y", 1, "y"},   {"\"x y\"", 0, "x y"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " [" << c.index << "]");
    EXPECT_EQ(GetDelimitedItem(c.text, c.index, ','), c.expected);
  }
}

TEST(GetDelimitedItem, PastTheEndRaisesTheListIndexError) {
  const struct {
    const char* text;
    int index;
    const char* message;
  } cases[] = {
      {"a,b,c", 3, "List index out of bounds (3)"},
      {"", 0, "List index out of bounds (0)"},
      {"", -1, "List index out of bounds (0)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " [" << c.index << "]");
    try {
      GetDelimitedItem(c.text, c.index, ',');
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(StringsToVariantArray, NamesAndValuesOfEachLine) {
  TStringList empty;
  EXPECT_TRUE(StringsToVariantArray(empty).IsNull());

  TStringList list;
  for (const char* line : {"a=1", "b=2", "a=3", "plain", "=x", "c=", "d=e=f"}) list.Add(line);
  const Variant result = StringsToVariantArray(list);
  ASSERT_TRUE(result.IsArray());
  const auto& array = result.AsArray();
  ASSERT_EQ(array.Dimensions(), 2);
  ASSERT_EQ(array.Count(1), 7u);
  ASSERT_EQ(array.Count(2), 2u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"a", "1"}, {"b", "2"},
      {"a", "3"},  // a repeated name keeps its own line's value
      {"", ""},  {"", "x"}, {"c", ""}, {"d", "e=f"},
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(array.At(i, 0).IsString());
    EXPECT_EQ(array.At(i, 0).AsString(), expected[i].first);
    EXPECT_EQ(array.At(i, 1).AsString(), expected[i].second);
  }
}

// Counts the change events of a list.
class TChangeCounter : public TObject {
 public:
  explicit TChangeCounter(TStringList& list) { list.OnChange().Bind(*this, &TChangeCounter::Changed); }
  void Changed(TObject*) { ++m_count; }
  int m_count = 0;
};

TEST(DeleteEmptyLines, RemovesBlankLinesInOneChange) {
  TStringList list;
  for (const char* line : {"", "a", "  ", "\t", "b", " c ", "", "\x01"}) list.Add(line);
  TChangeCounter counter(list);
  EXPECT_TRUE(DeleteEmptyLines(&list));
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", " c "}));
  EXPECT_EQ(counter.m_count, 1);

  EXPECT_FALSE(DeleteEmptyLines(&list));  // nothing left to delete
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", " c "}));
  EXPECT_FALSE(DeleteEmptyLines(nullptr));

  TStringList blanks;
  for (const char* line : {"", " ", ""}) blanks.Add(line);
  EXPECT_TRUE(DeleteEmptyLines(&blanks));
  EXPECT_EQ(blanks.Count(), 0);
}

}  // namespace
}  // namespace halbrin
