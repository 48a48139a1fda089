#pragma once

// What the XML mapper and its hooks exchange about one element: the part of a
// (dotted) element name being resolved, the query markers a resolver may give
// instead of an object, and the flags of an attribute.

#include <cstdint>
#include <memory>
#include <string>

#include "core/foundation/collection_interfaces.h"
#include "platform/classes/class_builder.h"
#include "platform/classes/object.h"
#include "platform/variant/variant.h"

namespace halbrin {

// One part of an element name as the mapper resolves it: 'a.b.c' is resolved
// as parts 0, 1 and 2 of 3; a top-level element is part 0 of 1.
struct TObjectPartInfo {
  std::string name;
  int partIndex = 0;
  int partCount = 1;
  int reserved = 0;  // carries nothing; 0 whenever the mapper fills the record
  platform::Variant value = platform::Variant::Null();
};

// Kinds of TXmlTypeObject. The mapper answers Exists, PropertyList and
// PropertyValue; any other kind ends the element without doing anything (the
// creating mapper's skip, freed and none markers).
enum class TXmlTypeObjectKind : std::uint8_t {
  SkipUpdate = 2,     // "update" of an object that does not exist
  Exists = 3,         // the run's result: whether the target exists
  PropertyList = 4,   // the run's result: the OnGetProperties text of the target
  PropertyValue = 5,  // the run's result: GetPropertyValue(target, name)
  Freed = 7,          // the element freed its object
  None = 8,           // the element is skipped with its children
};

// The query marker an OnGetObject handler may give instead of an object; the
// mapper reads it and drops it. The target is held weakly: a target freed in
// between reads as none.
class TXmlTypeObject : public platform::TObject {
  HALBRIN_CLASS(TXmlTypeObject, platform::TObject)

  TXmlTypeObject(platform::TObject* target, TXmlTypeObjectKind kind) : m_kind(kind), m_target(target) {}

  // The form an OnGetObject handler hands back.
  static FoundItem Make(platform::TObject* target, TXmlTypeObjectKind kind,
                        platform::Variant name = platform::Variant());

  TXmlTypeObjectKind Kind() const noexcept { return m_kind; }
  platform::TObject* Target() const noexcept { return m_target.Get(); }
  // The queried property; Empty (or "") means "control".
  const platform::Variant& Name() const noexcept { return m_name; }
  void SetName(platform::Variant name) { m_name = std::move(name); }

 private:
  TXmlTypeObjectKind m_kind;
  platform::TWeakRef<platform::TObject> m_target;
  platform::Variant m_name;
};

// Flags of an attribute as the OnSetPropertyValue hook sees them: the
// property's kind (TTypeKind), or one of these.
inline constexpr int XmlFlagConsumed = 0;       // no property, or the hook consumed the attribute
inline constexpr int XmlFlagNoProperty = -1;    // raise "Property ... does not exist for ..."
inline constexpr int XmlFlagReadBack = 0x400;   // after setting, the property's value is the run's result

}  // namespace halbrin
