#pragma once

// Collections whose items are found by name (TNamedItemCollection, items
// TCollectionNamedItem), by index, or by a Variant that is either.

#include <string>
#include <string_view>

#include "core/foundation/item_collection.h"

namespace halbrin {

// A collection item with a name.
class TCollectionNamedItem : public platform::TCollectionItem {
  HALBRIN_CLASS(TCollectionNamedItem, platform::TCollectionItem)

  TCollectionNamedItem() = default;

  const std::string& Name() const noexcept { return m_name; }
  // Subclasses act on a new name (a file item reads the file's information).
  virtual void SetName(const std::string& name);

  // From another TCollectionNamedItem: the name; otherwise the inherited rule.
  void Assign(const platform::TPersistent& source) override;

 private:
  std::string m_name;
};

// A collection whose items are found by name: letter case ignored (by Unicode
// case folding) unless CaseSensitive is set, which subclasses do.
class TNamedItemCollection : public TItemCollection, public INamedItemCollection {
  HALBRIN_CLASS(TNamedItemCollection, TItemCollection)

  TNamedItemCollection(platform::TPersistent* owner, const platform::TClassInfo& itemClass,
                       platform::TCollectionItemFactory factory = {});

  bool CaseSensitive() const noexcept { return m_caseSensitive; }
  void SetCaseSensitive(bool caseSensitive) noexcept { m_caseSensitive = caseSensitive; }

  // From another TNamedItemCollection: CaseSensitive, then the items.
  void Assign(const platform::TPersistent& source) override;

  // The names an item answers to. nameIndex -1 asks how many it has (count;
  // one here); nameIndex n asks for name n (name: the Name of a
  // TCollectionNamedItem; left as it is for other items).
  virtual void GetItemName(const platform::TCollectionItem& item, int nameIndex, int& count,
                           std::string& name) const;
  // Null when no item has that name.
  virtual platform::TCollectionItem* ItemByName(std::string_view name) const;
  // The first item, from index 0 up, with a name that matches; -1 when none.
  virtual int IndexOfName(std::string_view name) const;
  // A string: by name. An integer kind or Boolean (True is -1): by index,
  // raising EListError "List index out of bounds (%d)" outside the items.
  // Any other kind (a double too): null.
  virtual platform::TCollectionItem* ItemByVariant(const platform::Variant& value) const;

  // INamedItemCollection
  FoundItem itemByName(std::string_view name) override { return FoundItem(ItemByName(name)); }
  int indexOfName(std::string_view name) const override { return IndexOfName(name); }
  FoundItem item(const platform::Variant& value) override { return FoundItem(ItemByVariant(value)); }
  bool exists(std::string_view name) const override { return IndexOfName(name) >= 0; }

 private:
  bool m_caseSensitive = false;
};

}  // namespace halbrin
