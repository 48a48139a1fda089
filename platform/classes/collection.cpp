#include "platform/classes/collection.h"

#include <algorithm>
#include <unordered_map>

#include "platform/base/format.h"
#include "platform/classes/property_access.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TCollectionItem, )

HALBRIN_DEFINE_CLASS(TCollection, .Property("Count", &TCollection::Count))

HALBRIN_DEFINE_CLASS(TOwnedCollection, )

namespace {

[[noreturn]] void ThrowIndexError(int index) { throw EListError(Format("List index out of bounds (%d)", {index})); }

[[noreturn]] void ThrowInvalidItem() { throw EListError("Invalid property value"); }

using TCollectionUpdate = TCollection::TUpdateScope;

}  // namespace

// ---- TCollectionItem ----

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == m_collection) return;
  if (!m_collection)
    throw EListError(Format("%s is in no collection: add it with InsertItem", {ClassName()}));
  if (!collection) throw EListError(Format("%s cannot leave its collection without joining another", {ClassName()}));
  if (!InheritsFrom(collection->ItemClass())) ThrowInvalidItem();
  std::unique_ptr<TCollectionItem> self = m_collection->Extract(*this);
  collection->InsertItem(std::move(self));
}

int TCollectionItem::Index() const { return m_collection ? m_collection->IndexOf(*this) : -1; }

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0 || current == index) return;
  m_collection->MoveItem(current, index);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return std::string(ClassName()); }

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

std::string TCollectionItem::GetNamePath() const {
  if (!m_collection) return std::string(ClassName());
  return Format("%s[%d]", {m_collection->GetNamePath(), Index()});
}

TPersistent* TCollectionItem::GetOwner() const { return m_collection; }

void TCollectionItem::Changed(bool allItems) {
  if (m_collection && m_collection->m_updateCount == 0) m_collection->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(const TClassInfo& itemClass, TCollectionItemFactory factory)
    : m_itemClass(&itemClass), m_factory(std::move(factory)) {
  if (!itemClass.InheritsFrom(TCollectionItem::StaticClassInfo()))
    throw EListError(Format("%s is not a collection item class", {itemClass.Name()}));
}

TCollection::~TCollection() {
  m_updateCount = 1;
  while (!m_items.empty()) {
    std::unique_ptr<TCollectionItem> item = std::move(m_items.back());
    m_items.pop_back();
    item->m_collection = nullptr;
  }
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) ThrowIndexError(index);
  return m_items[static_cast<std::size_t>(index)].get();
}

void TCollection::SetItems(int index, const TCollectionItem& value) { Items(index)->Assign(value); }

std::unique_ptr<TCollectionItem> TCollection::MakeItem() {
  if (m_factory) return m_factory(*this);
  std::unique_ptr<TObject> object = m_itemClass->CreateInstance();
  auto* item = dynamic_cast<TCollectionItem*>(object.get());
  if (!item) ThrowInvalidItem();
  static_cast<void>(object.release());
  return std::unique_ptr<TCollectionItem>(item);
}

TCollectionItem& TCollection::Add() { return InsertItem(MakeItem()); }

TCollectionItem& TCollection::Insert(int index) {
  if (index < 0 || index > Count()) ThrowIndexError(index);
  TCollectionItem& item = Add();
  item.SetIndex(index);
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, TCollectionNotification::cnDeleting);
  // Found again by identity: the notification may have moved things.
  std::unique_ptr<TCollectionItem> owned = Extract(*item);
}

void TCollection::Clear() {
  if (m_items.empty()) return;
  TCollectionUpdate update(*this);
  while (!m_items.empty()) {
    std::unique_ptr<TCollectionItem> item = Extract(*m_items.back());
  }
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (const auto& item : m_items)
    if (item->m_id == id) return item.get();
  return nullptr;
}

void TCollection::Reorder(const std::vector<TCollectionItem*>& order) {
  std::unordered_map<const TCollectionItem*, std::size_t> positions;
  positions.reserve(m_items.size());
  for (std::size_t i = 0; i < m_items.size(); ++i) positions.emplace(m_items[i].get(), i);
  std::vector<std::size_t> from;
  from.reserve(order.size());
  for (const TCollectionItem* item : order) {
    const auto found = positions.find(item);
    if (found == positions.end())
      throw EListError("A new order must hold each item of the collection exactly once");
    from.push_back(found->second);
    positions.erase(found);  // a second mention is not found again
  }
  if (!positions.empty()) throw EListError("A new order must hold each item of the collection exactly once");
  std::vector<std::unique_ptr<TCollectionItem>> items;
  items.reserve(m_items.size());
  for (std::size_t index : from) items.push_back(std::move(m_items[index]));
  m_items = std::move(items);
  Changed();
}

void TCollection::BeginUpdate() { ++m_updateCount; }

void TCollection::EndUpdate() {
  if (m_updateCount == 0) return;
  --m_updateCount;
  Changed();
}

TCollectionItem& TCollection::InsertItem(std::unique_ptr<TCollectionItem> item) {
  if (!item || !item->InheritsFrom(*m_itemClass)) ThrowInvalidItem();
  TCollectionItem& ref = *item;
  m_items.push_back(std::move(item));
  ref.m_collection = this;
  ref.m_id = m_nextId++;
  SetItemName(ref);
  Notify(&ref, TCollectionNotification::cnAdded);
  Changed();
  return ref;
}

std::unique_ptr<TCollectionItem> TCollection::Extract(TCollectionItem& item) {
  if (item.m_collection != this) return nullptr;
  Notify(&item, TCollectionNotification::cnExtracting);
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  std::unique_ptr<TCollectionItem> owned = std::move(m_items[static_cast<std::size_t>(index)]);
  m_items.erase(m_items.begin() + index);
  owned->m_collection = nullptr;
  Changed();
  return owned;
}

int TCollection::IndexOf(const TCollectionItem& item) const {
  // Items are most often looked at from the end (Clear, the last one added).
  for (std::size_t i = m_items.size(); i-- > 0;)
    if (m_items[i].get() == &item) return static_cast<int>(i);
  return -1;
}

void TCollection::MoveItem(int curIndex, int newIndex) {
  if (newIndex < 0 || newIndex >= Count()) ThrowIndexError(newIndex);
  auto first = m_items.begin();
  if (curIndex < newIndex)
    std::rotate(first + curIndex, first + curIndex + 1, first + newIndex + 1);
  else
    std::rotate(first + newIndex, first + curIndex, first + curIndex + 1);
}

void TCollection::Assign(const TPersistent& source) {
  const auto* collection = dynamic_cast<const TCollection*>(&source);
  if (!collection) {
    TPersistent::Assign(source);
    return;
  }
  if (collection == this) return;
  TCollectionUpdate update(*this);
  Clear();
  for (int i = 0; i < collection->Count(); ++i) Add().Assign(*collection->Items(i));
}

std::string TCollection::PropName() const {
  const TPersistent* owner = GetOwner();
  if (!m_propName.empty() || !owner) return m_propName;
  for (const TPropInfo* prop : owner->ClassInfo().AllProperties())
    if (prop->Kind() == TTypeKind::Class && GetObjectProp(*owner, *prop) == this) m_propName = prop->Name();
  return m_propName;
}

std::string TCollection::GetNamePath() const {
  std::string name(ClassName());
  const TPersistent* owner = GetOwner();
  if (!owner) return name;
  std::string ownerPath = owner->GetNamePath();
  if (ownerPath.empty()) return name;
  std::string prop = PropName();
  if (prop.empty()) return name;
  return ownerPath + "." + prop;
}

void TCollection::Changed() {
  if (m_updateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem* item, TCollectionNotification action) {
  if (action == TCollectionNotification::cnAdded)
    Added(*item);
  else if (action == TCollectionNotification::cnDeleting)
    Deleting(*item);
}

void TCollection::Added(TCollectionItem&) {}

void TCollection::Deleting(TCollectionItem&) {}

void TCollection::SetItemName(TCollectionItem&) {}

// ---- TOwnedCollection ----

TOwnedCollection::TOwnedCollection(TPersistent* owner, const TClassInfo& itemClass, TCollectionItemFactory factory)
    : TCollection(itemClass, std::move(factory)), m_owner(owner) {}

}  // namespace halbrin::platform
