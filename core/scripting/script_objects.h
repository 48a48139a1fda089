#pragma once

#include <string>

#include "core/foundation/named_item_collection.h"
#include "platform/variant/variant.h"

namespace halbrin {

// A named object every engine gets: its name, the object, and whether its
// members become global names (true by default).
class TScriptObject : public TCollectionNamedItem {
  HALBRIN_CLASS(TScriptObject, TCollectionNamedItem)

  TScriptObject() = default;

  const platform::Variant& Value() const noexcept { return m_value; }
  void SetValue(const platform::Variant& value);
  bool AddMembers() const noexcept { return m_addMembers; }
  void SetAddMembers(bool addMembers);

  // From another TScriptObject: name, value and flag, inside one update of the collection.
  void Assign(const platform::TPersistent& source) override;

 private:
  platform::Variant m_value;
  bool m_addMembers = true;
};

// The named objects, found by name without regard to letter case.
class TScriptObjects : public TNamedItemCollection {
  HALBRIN_CLASS(TScriptObjects, TNamedItemCollection)

  explicit TScriptObjects(platform::TPersistent* owner = nullptr);

  TScriptObject& Items(int index) const;
  // A new object, or the one of that name with its value and flag replaced.
  TScriptObject& Add(const std::string& name, const platform::Variant& value, bool addMembers = true);
  TScriptObject* Find(std::string_view name) const;
};

}  // namespace halbrin
