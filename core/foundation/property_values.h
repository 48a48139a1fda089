#pragma once

// Reading and writing published properties by name with the conversions of
// XML declarations and scripts. Texts are read locale-independently ("." is
// the only decimal separator).
//
// Writing, by the property's kind:
// - integer, char, wide char, Int64: a 64-bit integer within the type's range
//   (compared unsigned when the minimum is above the maximum), else 65219;
// - enumeration: an integer is the ordinal, a Boolean 0 or 1; a text is, for
//   the Boolean type, "true"/"false" (any case) or a number (non-zero = True),
//   for other enumerations a number (the ordinal) or a name (any case);
//   every ordinal is range-checked (65219); an unknown name is 65226;
// - set: an integer is the bit pattern, anything else its text ("a,b", "[a, b]");
// - float: the value as a double; strings: the value as text; Variant: as is;
//   dynamic array: a Variant array (Empty or Null give an empty one);
// - class: Empty, Null or 0 (no object), or the handle of a live object
//   (TObject::Handle(), as an integer or its decimal text) of the declared
//   class; a stale handle raises EObjectFreed. An owned sub-object is assigned
//   from the given one (TPersistent::Assign), a reference is replaced;
// - method: Empty or "" (no handler), the name of a published handler of the
//   object, or a two-element array (handler name, handle of the live object
//   whose handler it is);
// - any other kind: 65221.
// A value that does not convert raises 65226 (EXMLTypeInfoPropertyConvertError);
// a property without setter raises 65228 before any conversion.

#include <string_view>

#include "core/foundation/xml_type_info_error.h"
#include "platform/classes/class_info.h"
#include "platform/classes/object.h"
#include "platform/variant/variant.h"

namespace halbrin {

// False when the object has no published property of that name.
bool SetPropertyValue(platform::TObject& object, std::string_view name, const platform::Variant& value);
void SetPropertyValue(platform::TObject& object, const platform::TPropInfo& prop, const platform::Variant& value);

// The value SetPropertyValue would write, converted and range-checked without
// setting anything: ordinal and set kinds as Int64, floats as doubles, strings
// as text, Variants as they are. The errors are SetPropertyValue's; class,
// method, interface and array kinds raise 65221.
platform::Variant ConvertPropertyValue(const platform::TPropInfo& prop, const platform::Variant& value);

// The property as a Variant: integer, char and wide-char kinds as integers,
// Int64 as I8, enumerations by name, sets as their text ("a,b"), floats as
// doubles, strings, Variants and dynamic arrays as they are, objects as their
// handle (0 for none), methods as their type name, interfaces as the dispatch
// object. An unknown property raises 65220, a kind without a reading 65221.
platform::Variant GetPropertyValue(const platform::TObject& object, std::string_view name);
platform::Variant GetPropertyValue(const platform::TObject& object, const platform::TPropInfo& prop);

}  // namespace halbrin
