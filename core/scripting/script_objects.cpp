#include "core/scripting/script_objects.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TScriptObject,
                     .Property("value", &TScriptObject::Value, &TScriptObject::SetValue)
                     .Property("addMembers", &TScriptObject::AddMembers, &TScriptObject::SetAddMembers))

HALBRIN_DEFINE_CLASS(TScriptObjects, )

void TScriptObject::SetValue(const Variant& value) {
  m_value = value;
  Changed(false);
}

void TScriptObject::SetAddMembers(bool addMembers) {
  m_addMembers = addMembers;
  Changed(false);
}

void TScriptObject::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TScriptObject*>(&source);
  if (!other) {
    TCollectionNamedItem::Assign(source);
    return;
  }
  TCollection* collection = Collection();
  if (collection) collection->BeginUpdate();
  try {
    SetName(other->Name());
    SetValue(other->m_value);
    SetAddMembers(other->m_addMembers);
  } catch (...) {
    if (collection) collection->EndUpdate();
    throw;
  }
  if (collection) collection->EndUpdate();
}

TScriptObjects::TScriptObjects(TPersistent* owner)
    : TNamedItemCollection(owner, TScriptObject::StaticClassInfo(), TCollection::FactoryOf<TScriptObject>()) {}

TScriptObject& TScriptObjects::Items(int index) const { return static_cast<TScriptObject&>(*TCollection::Items(index)); }

TScriptObject* TScriptObjects::Find(std::string_view name) const { return static_cast<TScriptObject*>(ItemByName(name)); }

TScriptObject& TScriptObjects::Add(const std::string& name, const Variant& value, bool addMembers) {
  TScriptObject* item = Find(name);
  if (!item) {
    item = &static_cast<TScriptObject&>(TCollection::Add());
    item->SetName(name);
  }
  item->SetValue(value);
  item->SetAddMembers(addMembers);
  return *item;
}

}  // namespace halbrin
