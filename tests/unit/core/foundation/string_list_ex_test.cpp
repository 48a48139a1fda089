// The script-facing string list: the character conversion behind delimiter,
// quoteChar and separator, and the published properties reached by name as
// XML declarations and scripts reach them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/string_list_ex.h"
#include "platform/base/exception.h"
#include "platform/classes/property_access.h"

namespace halbrin {
namespace {

using platform::EListError;
using platform::GetPropValue;
using platform::RequirePropInfo;
using platform::SetPropValue;
using platform::TDuplicates;
using platform::Variant;
using platform::VarType;
using Lines = std::vector<std::string>;

Lines LinesOf(const platform::TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

void Set(platform::TObject& object, const char* name, const Variant& value) {
  SetPropValue(object, RequirePropInfo(object, name), value);
}

Variant Get(const platform::TObject& object, const char* name) {
  return GetPropValue(object, RequirePropInfo(object, name));
}

// Booleans are enumerations: GetPropValue gives their names.
bool GetBool(const platform::TObject& object, const char* name) {
  return platform::GetOrdProp(object, RequirePropInfo(object, name)) != 0;
}

TEST(VariantToChar, KindsAndFallback) {
  const struct {
    const char* label;
    Variant value;
    char expected;
  } cases[] = {
      {"empty text", Variant(""), '#'},
      {"one character", Variant(";"), ';'},
      {"first of several", Variant("ab"), 'a'},
      {"integer code", Variant(59), ';'},
      {"byte code", Variant::OfInteger(VarType::UI1, 59), ';'},
      {"small integer code", Variant::OfInteger(VarType::I2, 9), '\t'},
      {"64-bit code", Variant(std::int64_t{59}), ';'},
      {"code taken as a byte", Variant(256 + 59), ';'},
      {"Boolean False is code 0", Variant(false), '\0'},
      // True is -1, byte 255: not an ASCII character.
      {"Boolean True", Variant(true), '#'},
      {"code outside ASCII", Variant(0xE6), '#'},
      {"non-ASCII first character", Variant("жx"), '#'},
      {"double", Variant(59.0), '#'},
      {"date", Variant::Date(59.0), '#'},
      {"an object", Variant(platform::RefPtr<platform::IDispatchObject>()), '#'},
      {"Null", Variant::Null(), '#'},
      {"Empty", Variant(), '#'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(VariantToChar(c.value, '#'), c.expected);
  }
}

TEST(TStringListExTest, CharacterPropertiesFallBackEach) {
  const struct {
    const char* property;
    Variant value;
    std::string expected;
  } cases[] = {
      {"delimiter", Variant(";"), ";"},
      {"delimiter", Variant(59), ";"},
      {"delimiter", Variant(""), ","},
      {"delimiter", Variant(platform::RefPtr<platform::IDispatchObject>()), ","},
      {"quoteChar", Variant("'"), "'"},
      {"quoteChar", Variant(""), "\""},
      {"quoteChar", Variant(1.5), "\""},
      {"separator", Variant(":"), ":"},
      {"separator", Variant(""), "="},
      {"separator", Variant::Null(), "="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.property) + " <- " + std::string(c.value.TypeName()));
    TStringListEx list;
    // Start away from the fallback so that the fallback is seen being written.
    Set(list, c.property, Variant("|"));
    ASSERT_EQ(Get(list, c.property), Variant("|"));
    Set(list, c.property, c.value);
    EXPECT_EQ(Get(list, c.property), Variant(c.expected));
  }
}

TEST(TStringListExTest, CharacterPropertiesDriveTheList) {
  TStringListEx list;
  Set(list, "delimiter", Variant(59));
  Set(list, "quoteChar", Variant("'"));
  Set(list, "delimitedText", Variant("a;'b;c';d"));
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b;c", "d"}));
  EXPECT_EQ(list.Delimiter(), ';');
  EXPECT_EQ(list.QuoteChar(), '\'');

  Set(list, "separator", Variant(":"));
  list.Add("key:value");
  EXPECT_EQ(list.IndexOfName("key"), 3);
  EXPECT_EQ(list.Values("key"), "value");
}

TEST(TStringListExTest, EmptyAndLength) {
  TStringListEx list;
  EXPECT_TRUE(GetBool(list, "empty"));
  EXPECT_EQ(Get(list, "length"), Variant(0));
  list.SetText("a\r\nb\r\n");
  EXPECT_FALSE(GetBool(list, "empty"));
  EXPECT_EQ(Get(list, "length"), Variant(2));

  Set(list, "empty", Variant(false));  // does nothing
  EXPECT_EQ(list.Count(), 2);
  Set(list, "empty", Variant(true));
  EXPECT_EQ(list.Count(), 0);

  EXPECT_FALSE(RequirePropInfo(list, "length").IsWritable());
  EXPECT_THROW(Set(list, "length", Variant(5)), platform::EPropertyError);
}

TEST(TStringListExTest, TextPropertiesAreTheListsOwn) {
  TStringListEx list;
  Set(list, "text", Variant("one\r\ntwo words\r\n"));
  EXPECT_EQ(LinesOf(list), (Lines{"one", "two words"}));
  EXPECT_EQ(Get(list, "commaText"), Variant("one,\"two words\""));
  EXPECT_EQ(Get(list, "delimitedText"), Variant("one,\"two words\""));
  Set(list, "commaText", Variant("x,\"y z\""));
  EXPECT_EQ(Get(list, "text"), Variant("x\r\ny z\r\n"));
}

TEST(TStringListExTest, SortingPropertiesAreTheListsOwn) {
  TStringListEx list;
  list.SetText("b\r\nA\r\na\r\n");
  Set(list, "sorted", Variant(true));
  EXPECT_EQ(list.Strings(2), "b");
  EXPECT_TRUE(GetBool(list, "sorted"));

  Set(list, "duplicates", Variant("dupError"));
  EXPECT_EQ(list.Duplicates(), TDuplicates::dupError);
  EXPECT_EQ(Get(list, "duplicates"), Variant("dupError"));
  EXPECT_THROW(list.Add("b"), EListError);

  Set(list, "caseSensitive", Variant(true));
  EXPECT_TRUE(list.CaseSensitive());
  EXPECT_EQ(list.IndexOf("B"), -1);
  Set(list, "caseSensitive", Variant(false));
  EXPECT_EQ(list.IndexOf("B"), list.IndexOf("b"));
}

TEST(TStringListExTest, AddFormatAddsOneLine) {
  TStringListEx list;
  EXPECT_EQ(list.AddFormat("%s=%d", {"count", 3}), 0);
  EXPECT_EQ(list.AddFormat("plain", {}), 1);
  EXPECT_EQ(LinesOf(list), (Lines{"count=3", "plain"}));
}

TEST(TStringListExTest, RegisteredByName) {
  const platform::TClassInfo* info = platform::TClassRegistry::Find("TStringListEx");
  ASSERT_NE(info, nullptr);
  const std::unique_ptr<platform::TObject> made = info->CreateInstance();
  EXPECT_NE(dynamic_cast<TStringListEx*>(made.get()), nullptr);
}

}  // namespace
}  // namespace halbrin
