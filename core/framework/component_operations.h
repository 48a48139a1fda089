#pragma once

// Walking, querying and changing components by name: the operations XML
// declarations and the automation wrappers share, so both see one tree.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "platform/classes/class_info.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TScriptEvent;

// The value a declaration or script gives for `prop` of `object`, converted
// by the attribute's prefix: "shortcut" (on integers) a shortcut text,
// "color" (on integers) a colour text, "ratio" (on integers) a percentage of
// the parent's same-named property (0 without a parent), "datetime" (on
// floats) a date text; other prefixes and kinds leave it as it is. A text for
// a class property names a form, else a registered component, else (a number)
// the live object of that handle, and becomes that object's handle; empty
// text is no object. A text that is no shortcut or colour raises 65226, an
// unknown object name 65222.
platform::Variant ConvertDeclaredValue(const platform::TObject& object, const platform::TPropInfo& prop,
                                       std::string_view prefix, const platform::Variant& value);
// ConvertDeclaredValue, then SetPropertyValue (a method property takes the
// name of a handler). An unknown property raises 65220.
void SetPropertyValueEx(platform::TObject& object, std::string_view name, const platform::Variant& value,
                        std::string_view prefix = {});
// The n of a child named "item_" + n (any letter case), or nothing. Numbers
// too large for the int64 range read as its maximum.
std::optional<std::int64_t> NumberedItem(std::string_view name);

// The element text of the object's published properties: one attribute each
// (colours as "color:name", shortcuts as "shortcut:name"), then one element
// per object-valued property, nested `level` deep (any depth for 0 or less).
// An object met again on the way is not written twice.
std::string GetPropertiesText(const platform::TObject& object, std::string_view name, int level = 0);

// A child by name: a published object property, an item of a list or
// collection ("item_" + n by index; a declared list that is a named
// collection asks its itemByName first), an owned component.
FoundItem GetChildByName(platform::TObject& object, std::string_view name);
// A string: GetChildByName; an integer: the item or owned component at that
// index; otherwise, or out of range, the object's own item lookup (nothing
// when it has none or finds none).
FoundItem GetChildByVariant(platform::TObject& object, const platform::Variant& value);
// The object's published integer "length" when it has one; else the items of
// a list or collection, or the owned components.
int GetChildCount(const platform::TObject& object);
platform::TComponent* GetOwnedComponent(const platform::TComponent& component, const platform::Variant& value);
// The owner of a component or of an owned collection, the collection of an item.
platform::TObject* GetParentObject(const platform::TObject& object);
// Frees a component through its owner (after its running handler, when one
// runs) or deletes a collection item; false for anything else.
bool ReleaseObject(platform::TObject& object);

// The binding operations through the object's script events; nullptr or false
// when the object has none to offer.
TScriptEvent* AttachScriptEvent(platform::TObject& object, std::string_view name, const std::string& script,
                                const std::string& xml, int scriptType);
bool DetachScriptEvent(platform::TObject& object, std::string_view name);
// Runs the binding `name` ("onclick") with `parameters` as eventData, which
// gets its previous value back afterwards. Errors go to the application;
// nothing runs (and no bindings are made) when the object has none.
platform::Variant TriggerScriptEvent(platform::TObject& object, std::string_view name,
                                     const platform::Variant& parameters);
bool HasScriptEvent(const platform::TObject& object, std::string_view name);

bool AssignObject(platform::TObject& target, const platform::TObject& source);
// Writes the command to `exec` and reads it back; Empty without `exec`.
platform::Variant ExecObject(platform::TObject& object, const platform::Variant& command);
std::string GetComponentTypeName(const platform::TObject& object);
std::string GetClassNameText(const platform::TObject& object);

}  // namespace halbrin
