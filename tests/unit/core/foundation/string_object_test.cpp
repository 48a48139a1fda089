// TStringObject: the one-line view scripts get from a string list.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/foundation/string_list_ex.h"
#include "core/foundation/string_object.h"
#include "platform/classes/property_access.h"

namespace halbrin {
namespace {

using platform::Variant;
using Lines = std::vector<std::string>;

Lines LinesOf(const platform::TStrings& list) {
  Lines lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

class TStringObjectTest : public ::testing::Test {
 protected:
  TStringObjectTest() { m_list.SetText("k=v\r\nplain\r\n\r\nпривет=мир\r\na=b=c\r\n"); }

  TStringListEx m_list;
};

TEST_F(TStringObjectTest, ReadsTheLineItViews) {
  const struct {
    int index;
    Variant text, name, value;
    int length;
  } cases[] = {
      {0, Variant("k=v"), Variant("k"), Variant("v"), 3},
      {1, Variant("plain"), Variant(""), Variant(""), 5},
      {2, Variant(""), Variant(""), Variant(""), 0},
      {3, Variant("привет=мир"), Variant("привет"), Variant("мир"), 10},  // characters, not bytes
      {4, Variant("a=b=c"), Variant("a"), Variant("b=c"), 5},  // the first separator splits
      {-1, Variant::Null(), Variant::Null(), Variant::Null(), -1},
      {5, Variant::Null(), Variant::Null(), Variant::Null(), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    const TStringObject view(&m_list, c.index);
    EXPECT_EQ(view.Text(), c.text);
    EXPECT_EQ(view.Name(), c.name);
    EXPECT_EQ(view.Value(), c.value);
    EXPECT_EQ(view.Length(), c.length);
  }
}

TEST_F(TStringObjectTest, WritingValueKeepsTheName) {
  const struct {
    int index;
    Variant value;
    std::string line;
  } cases[] = {
      {0, Variant("w"), "k=w"},
      {0, Variant(""), "k="},  // the line stays
      {0, Variant(42), "k=42"},
      {1, Variant("x"), "plain=x"},  // a line without separator keeps its text as the name
      {2, Variant("x"), "=x"},
      {4, Variant("z"), "a=z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TStringListEx list;
    list.Assign(m_list);
    TStringObject view(&list, c.index);
    view.SetValue(c.value);
    EXPECT_EQ(list.Count(), m_list.Count());
    EXPECT_EQ(list.Strings(c.index), c.line);
  }
}

TEST_F(TStringObjectTest, SeparatorOfTheList) {
  m_list.SetNameValueSeparator(':');
  m_list.Add("host:port=80");
  TStringObject view(&m_list, 5);
  EXPECT_EQ(view.Name(), Variant("host"));
  EXPECT_EQ(view.Value(), Variant("port=80"));
  view.SetValue(Variant("8080"));
  EXPECT_EQ(m_list.Strings(5), "host:8080");
}

TEST_F(TStringObjectTest, WritingText) {
  TStringObject view(&m_list, 1);
  view.SetText(Variant("changed"));
  EXPECT_EQ(m_list.Strings(1), "changed");

  const Lines before = LinesOf(m_list);
  TStringObject outside(&m_list, 9);
  outside.SetText(Variant("ignored"));
  outside.SetValue(Variant("ignored"));
  TStringObject negative(&m_list, -1);
  negative.SetText(Variant("ignored"));
  EXPECT_EQ(LinesOf(m_list), before);
}

TEST_F(TStringObjectTest, FollowsTheIndexNotTheLine) {
  TStringObject view(&m_list, 1);
  ASSERT_EQ(view.Text(), Variant("plain"));
  m_list.Insert(0, "new first");
  EXPECT_EQ(view.Text(), Variant("k=v"));
  m_list.Delete(0);
  EXPECT_EQ(view.Text(), Variant("plain"));

  TStringObject last(&m_list, 4);
  m_list.Delete(4);
  EXPECT_TRUE(last.Text().IsNull());
  EXPECT_EQ(last.Length(), -1);
}

TEST(TStringObjectLifetime, OutlivingItsListReadsNull) {
  auto list = std::make_unique<TStringListEx>();
  list->Add("k=v");
  TStringObject view(list.get(), 0);
  ASSERT_EQ(view.Text(), Variant("k=v"));
  list.reset();
  EXPECT_EQ(view.List(), nullptr);
  EXPECT_TRUE(view.Text().IsNull());
  EXPECT_TRUE(view.Name().IsNull());
  EXPECT_TRUE(view.Value().IsNull());
  EXPECT_EQ(view.Length(), -1);
  view.SetText(Variant("x"));  // no write into freed memory (sanitizer build)
  view.SetValue(Variant("x"));
}

TEST(TStringObjectInterfaces, MarksItselfAndPublishes) {
  TStringListEx list;
  list.Add("k=v");
  TStringObject view(&list, 0);
  platform::TObject* object = &view;
  auto* mark = dynamic_cast<IStringObject*>(object);
  ASSERT_NE(mark, nullptr);
  EXPECT_TRUE(mark->isStringObject());

  const auto& name = platform::RequirePropInfo(view, "name");
  EXPECT_FALSE(name.IsWritable());
  EXPECT_EQ(platform::GetPropValue(view, name), Variant("k"));
  platform::SetPropValue(view, platform::RequirePropInfo(view, "value"), Variant("w"));
  platform::SetPropValue(view, platform::RequirePropInfo(view, "TEXT"), Variant("x=y"));
  EXPECT_EQ(platform::GetPropValue(view, platform::RequirePropInfo(view, "value")), Variant("y"));
  EXPECT_EQ(platform::GetPropValue(view, platform::RequirePropInfo(view, "length")), Variant(3));
}

}  // namespace
}  // namespace halbrin
