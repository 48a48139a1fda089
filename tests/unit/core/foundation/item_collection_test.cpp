// TItemCollection through IItemCollection, and ItemCollectionSort.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/foundation/item_collection.h"
#include "platform/classes/property_access.h"

namespace halbrin {

// An item with a number to sort by.
class TSortTestItem : public TInterfacedCollectionItem {
  HALBRIN_CLASS(TSortTestItem, TInterfacedCollectionItem)

  int m_number = 0;
  int m_tag = 0;  // where the item started, to tell equal numbers apart
};

HALBRIN_DEFINE_CLASS(TSortTestItem, )

namespace {

using platform::TCollectionItem;
using platform::Variant;
using Numbers = std::vector<int>;

// Counts the collection's change notifications.
class TWatchedCollection : public TItemCollection {
 public:
  TWatchedCollection() : TItemCollection(nullptr, TSortTestItem::StaticClassInfo()) {}

  int m_updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++m_updates; }
};

class ItemCollectionSortTest : public ::testing::Test {
 protected:
  void Fill(const Numbers& numbers) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      auto& item = static_cast<TSortTestItem&>(m_collection.Add());
      item.m_number = numbers[i];
      item.m_tag = static_cast<int>(i);
    }
    m_collection.m_updates = 0;
  }

  Numbers NumbersNow() const {
    Numbers out;
    for (int i = 0; i < m_collection.Count(); ++i) out.push_back(Item(i).m_number);
    return out;
  }

  Numbers TagsNow() const {
    Numbers out;
    for (int i = 0; i < m_collection.Count(); ++i) out.push_back(Item(i).m_tag);
    return out;
  }

  const TSortTestItem& Item(int index) const { return static_cast<const TSortTestItem&>(*m_collection.Items(index)); }

  static int ByNumber(const TCollectionItem& a, const TCollectionItem& b) {
    return static_cast<const TSortTestItem&>(a).m_number - static_cast<const TSortTestItem&>(b).m_number;
  }

  TWatchedCollection m_collection;
};

TEST_F(ItemCollectionSortTest, OrdersByTheComparator) {
  const struct {
    const char* label;
    Numbers numbers;
  } cases[] = {
      {"one item", {7}},
      {"two in order", {1, 2}},
      {"two reversed", {2, 1}},
      {"reversed", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
      {"sorted", {0, 1, 2, 3, 4, 5, 6, 7}},
      {"all equal", {3, 3, 3, 3, 3}},
      {"mixed with repeats", {5, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5}},
      {"negative", {0, -3, 7, -3, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    m_collection.Clear();
    Fill(c.numbers);
    ItemCollectionSort(m_collection, ByNumber);
    Numbers expected = c.numbers;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(NumbersNow(), expected);
    // One notification for the whole reordering.
    EXPECT_EQ(m_collection.m_updates, 1);
  }
}

TEST_F(ItemCollectionSortTest, ManyItems) {
  std::mt19937 random(12345);
  Numbers numbers(500);
  for (int& n : numbers) n = static_cast<int>(random() % 100);
  Fill(numbers);
  ItemCollectionSort(m_collection, ByNumber);
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(NumbersNow(), numbers);
}

TEST_F(ItemCollectionSortTest, NoItemsNoNotification) {
  ItemCollectionSort(m_collection, ByNumber);
  EXPECT_EQ(m_collection.m_updates, 0);
}

// A comparator that contradicts itself must neither run off the array (the
// sanitizer build checks) nor lose or duplicate an item.
TEST_F(ItemCollectionSortTest, InconsistentComparatorKeepsEveryItem) {
  std::mt19937 random(99);
  const struct {
    const char* label;
    TItemCompare compare;
  } cases[] = {
      {"always less", [](const TCollectionItem&, const TCollectionItem&) { return -1; }},
      {"always greater", [](const TCollectionItem&, const TCollectionItem&) { return 1; }},
      {"random", [&random](const TCollectionItem&, const TCollectionItem&) { return int(random() % 3) - 1; }},
  };
  for (const auto& c : cases) {
    for (int size : {2, 3, 10, 101}) {
      SCOPED_TRACE(std::string(c.label) + ", " + std::to_string(size) + " items");
      m_collection.Clear();
      Numbers numbers(static_cast<std::size_t>(size));
      for (int i = 0; i < size; ++i) numbers[static_cast<std::size_t>(i)] = i;
      Fill(numbers);
      ItemCollectionSort(m_collection, c.compare);
      Numbers tags = TagsNow();
      std::sort(tags.begin(), tags.end());
      EXPECT_EQ(tags, numbers);
    }
  }
}

TEST_F(ItemCollectionSortTest, RaisingComparatorLeavesTheOrder) {
  Fill({3, 1, 2});
  auto raising = [](const TCollectionItem&, const TCollectionItem&) -> int { throw std::runtime_error("no"); };
  EXPECT_THROW(ItemCollectionSort(m_collection, raising), std::runtime_error);
  EXPECT_EQ(NumbersNow(), (Numbers{3, 1, 2}));
  EXPECT_EQ(m_collection.UpdateCount(), 0);
}

TEST(TItemCollectionTest, AnswersIItemCollection) {
  TWatchedCollection collection;
  platform::TObject* object = &collection;
  auto* items = dynamic_cast<IItemCollection*>(object);
  ASSERT_NE(items, nullptr);
  EXPECT_TRUE(items->empty());
  EXPECT_EQ(items->length(), 0);

  collection.Add();
  collection.Add();
  EXPECT_FALSE(items->empty());
  EXPECT_EQ(items->length(), 2);
  items->setEmpty(false);  // does nothing
  EXPECT_EQ(collection.Count(), 2);
  items->setEmpty(true);
  EXPECT_EQ(collection.Count(), 0);

  collection.Add();
  items->clear();
  EXPECT_TRUE(items->empty());
}

TEST(TItemCollectionTest, PublishesEmptyAndLength) {
  TWatchedCollection collection;
  collection.Add();
  const auto& length = platform::RequirePropInfo(collection, "length");
  const auto& empty = platform::RequirePropInfo(collection, "empty");
  EXPECT_EQ(platform::GetPropValue(collection, length), Variant(1));
  EXPECT_EQ(platform::GetOrdProp(collection, empty), 0);
  EXPECT_FALSE(length.IsWritable());
  platform::SetPropValue(collection, empty, Variant(true));
  EXPECT_EQ(collection.Count(), 0);
}

// SetEmpty is the one place subclasses change what "empty := true" does.
TEST(TItemCollectionTest, SetEmptyIsVirtual) {
  class TKeepOne : public TWatchedCollection {
   public:
    void SetEmpty(bool empty) override {
      while (empty && Count() > 1) Delete(Count() - 1);
    }
  };
  TKeepOne collection;
  collection.Add();
  collection.Add();
  static_cast<IItemCollection&>(collection).setEmpty(true);
  EXPECT_EQ(collection.Count(), 1);
}

}  // namespace
}  // namespace halbrin
