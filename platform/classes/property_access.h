#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/classes/class_info.h"
#include "platform/classes/object.h"

namespace halbrin::platform {

// Reading and writing published properties by name, as markup and scripts do.
// Every accessor checks the property's kind (EPropertyError "Invalid property
// type: %s" otherwise) and a write checks for a setter (EPropertyError
// "Cannot assign to a read-only property \"%s\"").

const TPropInfo* GetPropInfo(const TObject& object, std::string_view name);
// As GetPropInfo, raising EPropertyError "Property \"%s\" does not exist" when absent.
const TPropInfo& RequirePropInfo(const TObject& object, std::string_view name);

std::int64_t GetOrdProp(const TObject& object, const TPropInfo& prop);
// Raises EPropertyError "Range check error for property %s=%s" outside the type's range.
void SetOrdProp(TObject& object, const TPropInfo& prop, std::int64_t value);
double GetFloatProp(const TObject& object, const TPropInfo& prop);
void SetFloatProp(TObject& object, const TPropInfo& prop, double value);
std::string GetStrProp(const TObject& object, const TPropInfo& prop);
void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value);
Variant GetVariantProp(const TObject& object, const TPropInfo& prop);
void SetVariantProp(TObject& object, const TPropInfo& prop, const Variant& value);
TObject* GetObjectProp(const TObject& object, const TPropInfo& prop);
void SetObjectProp(TObject& object, const TPropInfo& prop, TObject* value);
TMethod GetMethodProp(const TObject& object, const TPropInfo& prop);
void SetMethodProp(TObject& object, const TPropInfo& prop, const TMethod& value);
RefPtr<IDispatchObject> GetInterfaceProp(const TObject& object, const TPropInfo& prop);
void SetInterfaceProp(TObject& object, const TPropInfo& prop, RefPtr<IDispatchObject> value);

// Enumeration names: the name of an ordinal ("" outside), and the ordinal of a
// name (-1 when unknown, letter case ignored).
std::string GetEnumName(const TPropInfo& prop, std::int64_t ordinal);
int GetEnumValue(const TPropInfo& prop, std::string_view name);

// Set text: element names joined by ",", in brackets when asked ("[a,b]").
std::string SetToString(const TPropInfo& prop, std::int64_t bits, bool brackets = false);
// Reads "a,b" or "[a, b]" (blanks allowed, names matched without regard to case);
// an unknown name raises EPropertyError "Invalid property element: %s".
std::int64_t StringToSet(const TPropInfo& prop, std::string_view text);

// A property as a Variant: ordinals as integers, enumerations by name, sets as
// their text, floats as doubles, strings, Variants, objects as their handle,
// methods as their type name, interfaces as dispatch objects, Int64 as I8.
Variant GetPropValue(const TObject& object, const TPropInfo& prop);
// Writes a Variant: enumerations from a name or an ordinal, sets from a bit
// pattern or text, objects from a handle, a method from the name of a published
// handler of `object` (Empty clears it).
void SetPropValue(TObject& object, const TPropInfo& prop, const Variant& value);

}  // namespace halbrin::platform
