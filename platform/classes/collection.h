#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/classes/persistent.h"

namespace halbrin::platform {

class TCollection;

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// One item of a TCollection, owned by it. An item outside every collection is
// owned by whoever holds its unique_ptr (see TCollection::InsertItem/Extract).
class TCollectionItem : public TPersistent {
  HALBRIN_CLASS(TCollectionItem, TPersistent)

  TCollectionItem() = default;

  TCollection* Collection() const noexcept { return m_collection; }
  // Moves the item to the end of another collection, which gives it a new ID.
  // EListError "Invalid property value" when that collection holds another item
  // class; an item cannot be left without a collection this way (Extract does that).
  virtual void SetCollection(TCollection* collection);
  // Unique in its collection and never reused there.
  int ID() const noexcept { return m_id; }
  // Position in the collection, -1 outside one; setting it moves the item.
  int Index() const;
  virtual void SetIndex(int index);
  // The class name unless a subclass knows better.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& value);

  // "<collection's path>[<index>]", or the class name outside a collection.
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

 protected:
  // Tells the collection (Update with this item, or nullptr for all) unless it is updating.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* m_collection = nullptr;
  int m_id = 0;
};

// Makes a new item for a collection: how a collection creates items of classes
// whose constructor wants the collection.
using TCollectionItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection& collection)>;

// A list of items of one item class, owned by the collection. Subclasses watch
// it through Update (after a change; nullptr = the whole collection; held back
// while updating and given once at the final EndUpdate) and Notify.
class TCollection : public TPersistent {
  HALBRIN_CLASS(TCollection, TPersistent)

  // Items are made by `factory`, or by the virtual constructor of `itemClass`,
  // which must be a TCollectionItem class (EListError otherwise).
  explicit TCollection(const TClassInfo& itemClass, TCollectionItemFactory factory = {});
  // Destroys the items, the last one first, without notifications.
  ~TCollection() override;

  // A factory for TItem: its constructor taking the collection (TItem(TCollection&))
  // when it has one, else its default constructor.
  template <class TItem>
  static TCollectionItemFactory FactoryOf() {
    static_assert(std::is_base_of_v<TCollectionItem, TItem>);
    return [](TCollection& collection) -> std::unique_ptr<TCollectionItem> {
      if constexpr (std::is_constructible_v<TItem, TCollection&>)
        return std::make_unique<TItem>(collection);
      else
        return std::make_unique<TItem>();
    };
  }

  const TClassInfo& ItemClass() const noexcept { return *m_itemClass; }
  int Count() const noexcept { return static_cast<int>(m_items.size()); }
  // EListError "List index out of bounds (%d)".
  TCollectionItem* Items(int index) const;
  // Items(index)->Assign(value).
  void SetItems(int index, const TCollectionItem& value);

  // A new item at the end.
  TCollectionItem& Add();
  // A new item at `index` (0..Count); EListError outside, before anything is made.
  TCollectionItem& Insert(int index);
  // Notify cnDeleting, then the item leaves (cnExtracting, Update) and is destroyed.
  void Delete(int index);
  // Every item leaves (cnExtracting each, the last first) and is destroyed, in one update.
  void Clear();
  TCollectionItem* FindItemID(int id) const;
  // Puts the items in the given order in one step (one Update, unless updating).
  // `order` holds each item of this collection once; EListError otherwise, and
  // nothing moves.
  void Reorder(const std::vector<TCollectionItem*>& order);

  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const noexcept { return m_updateCount; }

  // Holds BeginUpdate/EndUpdate for a scope, so an exception still ends the update.
  class TUpdateScope {
   public:
    explicit TUpdateScope(TCollection& collection) : m_collection(collection) { m_collection.BeginUpdate(); }
    ~TUpdateScope() { m_collection.EndUpdate(); }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

   private:
    TCollection& m_collection;
  };

  // Takes an item made elsewhere and appends it (new ID, cnAdded, Update).
  // EListError "Invalid property value" for an item of another class.
  TCollectionItem& InsertItem(std::unique_ptr<TCollectionItem> item);
  // Gives an item back to the caller (cnExtracting, Update); nullptr when it is not one of ours.
  std::unique_ptr<TCollectionItem> Extract(TCollectionItem& item);

  TPersistent* Owner() const { return GetOwner(); }
  // From another collection: clears, then adds one item per source item and
  // Assigns it, inside one update.
  void Assign(const TPersistent& source) override;
  // "<owner's path>.<property name>" when the owner publishes this collection
  // as a property; the class name otherwise.
  std::string GetNamePath() const override;
  // The owner's published property that holds this collection ("" when none).
  std::string PropName() const;
  void SetPropName(std::string propName) { m_propName = std::move(propName); }

 protected:
  // Update(nullptr) unless updating.
  void Changed();
  virtual void Update(TCollectionItem* item);
  // cnAdded calls Added and cnDeleting calls Deleting.
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  virtual void Added(TCollectionItem& item);
  virtual void Deleting(TCollectionItem& item);
  // Called for each item as it joins, before Notify: a place to give it a name.
  virtual void SetItemName(TCollectionItem& item);

 private:
  friend class TCollectionItem;
  std::unique_ptr<TCollectionItem> MakeItem();
  int IndexOf(const TCollectionItem& item) const;
  void MoveItem(int curIndex, int newIndex);

  const TClassInfo* m_itemClass;
  TCollectionItemFactory m_factory;
  std::vector<std::unique_ptr<TCollectionItem>> m_items;
  int m_nextId = 0;
  int m_updateCount = 0;
  mutable std::string m_propName;
};

// A collection that knows the persistent object it belongs to (GetOwner).
class TOwnedCollection : public TCollection {
  HALBRIN_CLASS(TOwnedCollection, TCollection)

  TOwnedCollection(TPersistent* owner, const TClassInfo& itemClass, TCollectionItemFactory factory = {});

  TPersistent* GetOwner() const override { return m_owner; }

 private:
  TPersistent* m_owner;
};

}  // namespace halbrin::platform
