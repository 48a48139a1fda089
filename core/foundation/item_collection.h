#pragma once

// The collection bases of every script-visible collection: the interfaced
// item and owned collection, TItemCollection (IItemCollection) and
// ItemCollectionSort.

#include <functional>

#include "core/foundation/collection_interfaces.h"
#include "platform/classes/collection.h"

namespace halbrin {

// A collection item that may implement the interfaces of collection_interfaces.h.
class TInterfacedCollectionItem : public platform::TCollectionItem {
  HALBRIN_CLASS(TInterfacedCollectionItem, platform::TCollectionItem)

  TInterfacedCollectionItem() = default;
};

// An owned collection that may implement the interfaces of collection_interfaces.h.
class TInterfacedOwnedCollection : public platform::TOwnedCollection {
  HALBRIN_CLASS(TInterfacedOwnedCollection, platform::TOwnedCollection)

  TInterfacedOwnedCollection(platform::TPersistent* owner, const platform::TClassInfo& itemClass,
                             platform::TCollectionItemFactory factory = {});
};

// A collection that scripts can clear and count. Publishes `empty` and `length`.
class TItemCollection : public TInterfacedOwnedCollection, public IItemCollection {
  HALBRIN_CLASS(TItemCollection, TInterfacedOwnedCollection)

  TItemCollection(platform::TPersistent* owner, const platform::TClassInfo& itemClass,
                  platform::TCollectionItemFactory factory = {});

  bool Empty() const { return Count() == 0; }
  // True clears the collection; false does nothing.
  virtual void SetEmpty(bool empty);

  // IItemCollection
  void clear() override { Clear(); }
  bool empty() const override { return Empty(); }
  void setEmpty(bool value) override { SetEmpty(value); }
  int length() const override { return Count(); }
};

// Negative, zero or positive, as a comes before, with or after b.
using TItemCompare = std::function<int(const platform::TCollectionItem& a, const platform::TCollectionItem& b)>;

// Reorders the items by `compare` (a quicksort: equal items may change places),
// inside one update of the collection. A comparator that contradicts itself
// gives some order, never an access outside the items.
void ItemCollectionSort(platform::TCollection& collection, const TItemCompare& compare);

}  // namespace halbrin
