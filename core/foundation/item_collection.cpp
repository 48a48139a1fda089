#include "core/foundation/item_collection.h"

#include <utility>
#include <vector>

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TInterfacedCollectionItem, )

HALBRIN_DEFINE_CLASS(TInterfacedOwnedCollection, )

HALBRIN_DEFINE_CLASS(TItemCollection,
                     .Property("empty", &TItemCollection::Empty, &TItemCollection::SetEmpty)
                     .Stored(false)
                     .Property("length", &TItemCollection::length))

TInterfacedOwnedCollection::TInterfacedOwnedCollection(TPersistent* owner, const TClassInfo& itemClass,
                                                       TCollectionItemFactory factory)
    : TOwnedCollection(owner, itemClass, std::move(factory)) {}

TItemCollection::TItemCollection(TPersistent* owner, const TClassInfo& itemClass, TCollectionItemFactory factory)
    : TInterfacedOwnedCollection(owner, itemClass, std::move(factory)) {}

void TItemCollection::SetEmpty(bool empty) {
  if (empty) Clear();
}

namespace {

using ItemArray = std::vector<TCollectionItem*>;

// Middle pivot; both scans stop at the ends of the range, so a comparator
// that contradicts itself cannot lead them off the array. Each pass shrinks
// the range, so it ends whatever the comparator answers.
void QuickSort(ItemArray& items, int low, int high, const TItemCompare& compare) {
  while (low < high) {
    int i = low;
    int j = high;
    TCollectionItem* pivot = items[static_cast<std::size_t>((low + high) / 2)];
    do {
      while (i < high && compare(*items[static_cast<std::size_t>(i)], *pivot) < 0) ++i;
      while (j > low && compare(*items[static_cast<std::size_t>(j)], *pivot) > 0) --j;
      if (i <= j) {
        std::swap(items[static_cast<std::size_t>(i)], items[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    // Recurse into the smaller part and loop on the larger: the stack stays
    // logarithmic even on inputs that split badly.
    if (j - low < high - i) {
      if (low < j) QuickSort(items, low, j, compare);
      low = i;
    } else {
      if (i < high) QuickSort(items, i, high, compare);
      high = j;
    }
  }
}

using TUpdateScope = TCollection::TUpdateScope;

}  // namespace

void ItemCollectionSort(TCollection& collection, const TItemCompare& compare) {
  const int count = collection.Count();
  if (count < 1) return;
  ItemArray items;
  items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) items.push_back(collection.Items(i));
  // The comparator runs before anything moves: if it raises, the order stays.
  QuickSort(items, 0, count - 1, compare);
  TUpdateScope update(collection);
  collection.Reorder(items);
}

}  // namespace halbrin
