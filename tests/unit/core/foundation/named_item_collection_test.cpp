// Name lookups of TNamedItemCollection, ItemByVariant and the named item.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/named_item_collection.h"
#include "platform/base/exception.h"
#include "platform/classes/property_access.h"

namespace halbrin {

// An item that answers to a second name as well.
class TAliasTestItem : public TCollectionNamedItem {
  HALBRIN_CLASS(TAliasTestItem, TCollectionNamedItem)

  std::string m_alias;
};

HALBRIN_DEFINE_CLASS(TAliasTestItem, )

namespace {

using platform::EListError;
using platform::TCollectionItem;
using platform::Variant;
using platform::VarType;
using Names = std::vector<std::string>;

class TNames : public TNamedItemCollection {
 public:
  explicit TNames(const Names& names = {}) : TNamedItemCollection(nullptr, TCollectionNamedItem::StaticClassInfo()) {
    for (const std::string& name : names) static_cast<TCollectionNamedItem&>(Add()).SetName(name);
  }
  TCollectionNamedItem* At(int index) const { return static_cast<TCollectionNamedItem*>(Items(index)); }
};

class TAliases : public TNamedItemCollection {
 public:
  TAliases() : TNamedItemCollection(nullptr, TAliasTestItem::StaticClassInfo()) {}

  void GetItemName(const TCollectionItem& item, int nameIndex, int& count, std::string& name) const override {
    if (nameIndex == -1) {
      count = 2;
      return;
    }
    const auto& alias = static_cast<const TAliasTestItem&>(item);
    name = nameIndex == 0 ? alias.Name() : alias.m_alias;
  }
};

TEST(TNamedItemCollectionTest, IndexOfNameWithAndWithoutLetterCase) {
  const TNames insensitive({"abc", "Привет", "x", "ABC"});
  TNames sensitive({"abc", "Привет", "x", "ABC"});
  sensitive.SetCaseSensitive(true);
  const struct {
    const char* name;
    int ignoringCase;
    int withCase;
  } cases[] = {
      {"abc", 0, 0},    {"ABC", 0, 3},  // the first match wins
      {"aBc", 0, -1},   {"Привет", 1, 1}, {"ПРИВЕТ", 1, -1}, {"привет", 1, -1},
      {"X", 2, -1},     {"ab", -1, -1},   {"abcd", -1, -1},  {"", -1, -1},
      {" abc", -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(insensitive.IndexOfName(c.name), c.ignoringCase);
    EXPECT_EQ(sensitive.IndexOfName(c.name), c.withCase);
    EXPECT_EQ(insensitive.exists(c.name), c.ignoringCase >= 0);
    EXPECT_EQ(sensitive.exists(c.name), c.withCase >= 0);
    EXPECT_EQ(insensitive.ItemByName(c.name), c.ignoringCase >= 0 ? insensitive.At(c.ignoringCase) : nullptr);
  }
}

TEST(TNamedItemCollectionTest, EveryNameOfAnItemCounts) {
  TAliases aliases;
  for (const auto& [name, alias] : {std::pair{"first", "one"}, std::pair{"second", "two"}}) {
    auto& item = static_cast<TAliasTestItem&>(aliases.Add());
    item.SetName(name);
    item.m_alias = alias;
  }
  EXPECT_EQ(aliases.IndexOfName("second"), 1);
  EXPECT_EQ(aliases.IndexOfName("TWO"), 1);
  EXPECT_EQ(aliases.IndexOfName("one"), 0);
  EXPECT_EQ(aliases.IndexOfName("three"), -1);
}

TEST(TNamedItemCollectionTest, ItemsWithoutANameAreNeverFoundByOne) {
  TNamedItemCollection collection(nullptr, TInterfacedCollectionItem::StaticClassInfo());
  collection.Add();
  EXPECT_EQ(collection.IndexOfName("TInterfacedCollectionItem"), -1);
  EXPECT_EQ(collection.IndexOfName("x"), -1);
}

TEST(TNamedItemCollectionTest, ItemByVariantByKind) {
  const TNames names({"zero", "one", "two"});
  const struct {
    const char* label;
    Variant value;
    int expected;  // -1: nothing
  } cases[] = {
      {"I4", Variant(1), 1},
      {"I1", Variant::OfInteger(VarType::I1, 2), 2},
      {"I2", Variant::OfInteger(VarType::I2, 1), 1},
      {"UI1", Variant::OfInteger(VarType::UI1, 2), 2},
      {"UI2", Variant::OfInteger(VarType::UI2, 0), 0},
      {"UI4", Variant::OfInteger(VarType::UI4, 1), 1},
      {"I8", Variant(std::int64_t{2}), 2},
      {"Boolean False is index 0", Variant(false), 0},
      {"name", Variant("two"), 2},
      {"name in another case", Variant("ONE"), 1},
      {"unknown name", Variant("three"), -1},
      {"double", Variant(1.0), -1},
      {"double with a fraction", Variant(1.5), -1},
      {"single", Variant::Single(1.0f), -1},
      {"currency", Variant::Currency(10000), -1},
      {"date", Variant::Date(1.0), -1},
      {"Null", Variant::Null(), -1},
      {"Empty", Variant(), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TCollectionItem* expected = c.expected >= 0 ? names.At(c.expected) : nullptr;
    EXPECT_EQ(names.ItemByVariant(c.value), expected);
  }
}

TEST(TNamedItemCollectionTest, ItemByVariantOutOfRangeRaisesTheListIndexError) {
  const TNames names({"zero", "one", "two"});
  const struct {
    const char* label;
    Variant value;
    const char* message;
  } cases[] = {
      {"past the end", Variant(3), "List index out of bounds (3)"},
      {"negative", Variant(-2), "List index out of bounds (-2)"},
      {"Boolean True is -1", Variant(true), "List index out of bounds (-1)"},
      // Must not wrap around into a valid index.
      {"wider than an int", Variant(std::int64_t{1} << 32), "List index out of bounds (4294967296)"},
      {"UI4 above the int range", Variant::OfInteger(VarType::UI4, 0xFFFFFFFF),
       "List index out of bounds (4294967295)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      names.ItemByVariant(c.value);
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  const TNames none;
  EXPECT_THROW(none.ItemByVariant(Variant(0)), EListError);
}

TEST(TNamedItemCollectionTest, AnswersINamedItemCollection) {
  TNames names({"zero", "one"});
  platform::TObject* object = &names;
  auto* lookup = dynamic_cast<INamedItemCollection*>(object);
  ASSERT_NE(lookup, nullptr);
  EXPECT_NE(dynamic_cast<IItemCollection*>(object), nullptr);

  FoundItem found = lookup->itemByName("ONE");
  EXPECT_EQ(found.Get(), names.At(1));
  EXPECT_FALSE(found.IsOwned());  // the collection keeps its items
  EXPECT_EQ(found.TakeOwned(), nullptr);
  EXPECT_FALSE(lookup->itemByName("two"));
  EXPECT_EQ(lookup->indexOfName("zero"), 0);
  EXPECT_TRUE(lookup->exists("Zero"));
  EXPECT_FALSE(lookup->exists("two"));
  EXPECT_EQ(lookup->item(Variant(0)).Get(), names.At(0));
  EXPECT_EQ(lookup->item(Variant("one")).As<TCollectionNamedItem>(), names.At(1));
  EXPECT_FALSE(lookup->item(Variant(0.0)));
  EXPECT_THROW(lookup->item(Variant(2)), EListError);
}

TEST(TNamedItemCollectionTest, AssignCopiesLetterCaseRuleThenItems) {
  TNames source({"a", "b"});
  source.SetCaseSensitive(true);
  TNames target({"old"});
  target.Assign(source);
  EXPECT_TRUE(target.CaseSensitive());
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.At(0)->Name(), "a");
  EXPECT_EQ(target.At(1)->Name(), "b");
  EXPECT_EQ(target.IndexOfName("A"), -1);
}

TEST(TCollectionNamedItemTest, NameAndAssign) {
  TNames names({"first", ""});
  TCollectionNamedItem& item = *names.At(1);
  EXPECT_EQ(item.Name(), "");
  item.Assign(*names.At(0));
  EXPECT_EQ(item.Name(), "first");

  const auto& prop = platform::RequirePropInfo(item, "name");
  platform::SetPropValue(item, prop, Variant("renamed"));
  EXPECT_EQ(platform::GetPropValue(item, prop), Variant("renamed"));
  EXPECT_EQ(names.IndexOfName("renamed"), 1);

  // From something that is not a named item: the class library's refusal.
  TInterfacedCollectionItem other;
  EXPECT_THROW(item.Assign(other), platform::EConvertError);
}

TEST(TCollectionNamedItemTest, AssignGoesThroughTheSetter) {
  class TCountingItem : public TCollectionNamedItem {
   public:
    void SetName(const std::string& name) override {
      ++m_calls;
      TCollectionNamedItem::SetName(name);
    }
    int m_calls = 0;
  };
  TCollectionNamedItem source;
  source.SetName("x");
  TCountingItem target;
  target.Assign(source);
  EXPECT_EQ(target.Name(), "x");
  EXPECT_EQ(target.m_calls, 1);
}

}  // namespace
}  // namespace halbrin
