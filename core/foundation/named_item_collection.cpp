#include "core/foundation/named_item_collection.h"

#include <climits>
#include <utility>

#include "platform/base/case_fold.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCollectionNamedItem,
                     .Property("name", &TCollectionNamedItem::Name, &TCollectionNamedItem::SetName))

HALBRIN_DEFINE_CLASS(TNamedItemCollection, )

// ---- TCollectionNamedItem ----

void TCollectionNamedItem::SetName(const std::string& name) {
  m_name = name;
  Changed(false);
}

void TCollectionNamedItem::Assign(const TPersistent& source) {
  if (const auto* item = dynamic_cast<const TCollectionNamedItem*>(&source)) {
    // Through the setter: subclasses act on the name.
    SetName(item->Name());
    return;
  }
  TCollectionItem::Assign(source);
}

// ---- TNamedItemCollection ----

TNamedItemCollection::TNamedItemCollection(TPersistent* owner, const TClassInfo& itemClass,
                                           TCollectionItemFactory factory)
    : TItemCollection(owner, itemClass, std::move(factory)) {}

void TNamedItemCollection::Assign(const TPersistent& source) {
  if (const auto* collection = dynamic_cast<const TNamedItemCollection*>(&source))
    m_caseSensitive = collection->m_caseSensitive;
  TItemCollection::Assign(source);
}

void TNamedItemCollection::GetItemName(const TCollectionItem& item, int nameIndex, int& count,
                                       std::string& name) const {
  if (nameIndex == -1) {
    count = 1;
    return;
  }
  if (const auto* named = dynamic_cast<const TCollectionNamedItem*>(&item)) name = named->Name();
}

int TNamedItemCollection::IndexOfName(std::string_view name) const {
  const int itemCount = Count();
  for (int i = 0; i < itemCount; ++i) {
    const TCollectionItem& current = *Items(i);
    int names = 0;
    std::string ignored;
    GetItemName(current, -1, names, ignored);
    for (int n = 0; n < names; ++n) {
      std::string itemName;
      int unused = 0;
      GetItemName(current, n, unused, itemName);
      if (m_caseSensitive ? itemName == name : SameText(itemName, name)) return i;
    }
  }
  return -1;
}

TCollectionItem* TNamedItemCollection::ItemByName(std::string_view name) const {
  const int index = IndexOfName(name);
  return index >= 0 ? Items(index) : nullptr;
}

TCollectionItem* TNamedItemCollection::ItemByVariant(const Variant& value) const {
  if (value.IsString()) return ItemByName(value.AsString());
  if (!value.IsOrdinal()) return nullptr;
  const std::int64_t index = value.ToInt64();
  // Items() checks the range of an int; a wider value must not wrap into it.
  if (index < INT_MIN || index > INT_MAX)
    throw EListError(Format("List index out of bounds (%d)", {static_cast<long long>(index)}));
  return Items(static_cast<int>(index));
}

}  // namespace halbrin
