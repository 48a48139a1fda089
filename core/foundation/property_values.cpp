#include "core/foundation/property_values.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/base/case_fold.h"
#include "platform/classes/persistent.h"
#include "platform/classes/property_access.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

using Msg = XmlTypeInfoMessage;

// The value as it goes into a message; values without a text show their kind.
std::string ValueText(const Variant& value) {
  try {
    return value.ToText();
  } catch (const EVariantError&) {
    return std::string(value.TypeName());
  }
}

[[noreturn]] void ThrowInvalidValue(const TPropInfo& prop, const Variant& value) {
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyConvertError>(Msg::InvalidPropertyValue, {prop.Name(), ValueText(value)});
}

[[noreturn]] void ThrowRangeError(const TPropInfo& prop, const Variant& value) {
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyConvertError>(Msg::RangeCheck, {prop.Name(), ValueText(value)});
}

[[noreturn]] void ThrowInvalidType(const TPropInfo& prop) {
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::InvalidPropertyType, {prop.TypeName(), prop.Name()});
}

bool InTypeRange(const TPropType& type, std::int64_t value) {
  // A range whose minimum lies above its maximum is an unsigned 64-bit one.
  if (type.minValue > type.maxValue) {
    const auto unsignedValue = static_cast<std::uint64_t>(value);
    return unsignedValue >= static_cast<std::uint64_t>(type.minValue) &&
           unsignedValue <= static_cast<std::uint64_t>(type.maxValue);
  }
  return value >= type.minValue && value <= type.maxValue;
}

std::int64_t ToInteger(const TPropInfo& prop, const Variant& value) {
  try {
    return value.ToInt64();
  } catch (const EVariantError&) {
    ThrowInvalidValue(prop, value);
  }
}

void WriteOrdinal(TObject& object, const TPropInfo& prop, const Variant& value, std::int64_t ordinal) {
  if (!InTypeRange(prop.Type(), ordinal)) ThrowRangeError(prop, value);
  if (prop.Type().minValue > prop.Type().maxValue) {
    // SetOrdProp compares signed, which no value of such a range passes.
    const auto* access = std::get_if<TOrdAccess>(&prop.Access());
    if (!access) ThrowInvalidType(prop);
    access->set(object, ordinal);
    return;
  }
  SetOrdProp(object, prop, ordinal);
}

bool IsBooleanType(const TPropType& type) {
  return type.enumInfo == &TEnumInfo::Boolean() || SameText(type.typeName, "Boolean");
}

std::int64_t EnumOrdinal(const TPropInfo& prop, const Variant& value) {
  if (value.IsBool()) return value.AsBool() ? 1 : 0;
  if (value.IsInteger()) return value.AsInt64();
  if (!value.IsString()) return ToInteger(prop, value);
  const std::string_view text = TrimBlanks(value.AsString());
  if (IsBooleanType(prop.Type())) {
    // "true"/"false" in any case, or a number: non-zero is True.
    try {
      return Variant(text).ToBool() ? 1 : 0;
    } catch (const EVariantError&) {
      ThrowInvalidValue(prop, value);
    }
  }
  // XML gives every value as text, so a number here is an ordinal, not a Boolean.
  std::int64_t ordinal = 0;
  if (TryParseInt64(text, ordinal)) return ordinal;
  const int named = GetEnumValue(prop, text);
  if (named < 0) ThrowInvalidValue(prop, value);
  return named;
}

std::int64_t SetBits(const TPropInfo& prop, const Variant& value) {
  if (value.IsInteger()) return value.AsInt64();
  try {
    return StringToSet(prop, ValueText(value));
  } catch (const EPropertyError&) {
    ThrowInvalidValue(prop, value);
  }
}

void WriteSet(TObject& object, const TPropInfo& prop, const Variant& value) {
  const std::int64_t bits = SetBits(prop, value);
  if (bits < 0 || (bits & ~prop.Type().maxValue) != 0) ThrowRangeError(prop, value);
  SetOrdProp(object, prop, bits);
}

void WriteFloat(TObject& object, const TPropInfo& prop, const Variant& value) {
  double number = 0;
  try {
    number = value.ToDouble();
  } catch (const EVariantError&) {
    ThrowInvalidValue(prop, value);
  }
  if (prop.Type().floatType == TFloatType::Single && std::isfinite(number) &&
      std::fabs(number) > std::numeric_limits<float>::max())
    ThrowRangeError(prop, value);
  SetFloatProp(object, prop, number);
}

void WriteText(TObject& object, const TPropInfo& prop, const Variant& value) {
  std::string text;
  try {
    text = value.ToText();
  } catch (const EVariantError&) {
    ThrowInvalidValue(prop, value);
  }
  SetStrProp(object, prop, text);
}

void WriteDynArray(TObject& object, const TPropInfo& prop, const Variant& value) {
  if (value.IsArray()) {
    SetVariantProp(object, prop, value);
  } else if (value.IsEmptyOrNull()) {
    SetVariantProp(object, prop, Variant(VariantArray()));
  } else {
    ThrowInvalidValue(prop, value);
  }
}

// The live object a handle names; nullptr for 0. Addresses never cross: a
// number is only ever looked up in the table of live objects.
TObject* ObjectOfHandle(const TPropInfo& prop, const Variant& value, std::int64_t handle) {
  if (handle == 0) return nullptr;
  if (handle < 0 || handle > std::numeric_limits<std::uint32_t>::max()) ThrowInvalidValue(prop, value);
  TObject* target = TLiveObjects::Find(static_cast<std::uint32_t>(handle));
  if (!target) throw EObjectFreed(Format("Object %s has been freed", {FormatInt64(handle)}));
  return target;
}

TObject* ObjectOfValue(const TPropInfo& prop, const Variant& value) {
  if (value.IsEmptyOrNull()) return nullptr;
  std::int64_t handle = 0;
  if (value.IsInteger()) {
    handle = value.AsInt64();
  } else if (!value.IsString() || !TryParseInt64(value.AsString(), handle)) {
    ThrowInvalidValue(prop, value);
  }
  return ObjectOfHandle(prop, value, handle);
}

void WriteObject(TObject& object, const TPropInfo& prop, const Variant& value) {
  TObject* target = ObjectOfValue(prop, value);
  const TPropType& type = prop.Type();
  if (target && type.classOf && !target->InheritsFrom(type.classOf())) ThrowInvalidValue(prop, value);
  if (type.owned) {
    // An owned sub-object is never replaced: it takes the given object's state.
    if (!target) ThrowInvalidValue(prop, value);
    auto* current = dynamic_cast<TPersistent*>(GetObjectProp(object, prop));
    auto* source = dynamic_cast<TPersistent*>(target);
    if (current && source) {
      if (current != source) current->Assign(*source);
      return;
    }
  }
  SetObjectProp(object, prop, target);
}

TMethod HandlerOf(TObject& target, std::string_view name, const TPropInfo& prop, const Variant& value) {
  const TMethodInfo* method = target.ClassInfo().FindMethod(TrimBlanks(name));
  if (!method || method->HasParamInfo() || !method->Handler().has_value()) ThrowInvalidValue(prop, value);
  return TMethod{TWeakRef<TObject>(&target), method};
}

TMethod MethodOfValue(TObject& object, const TPropInfo& prop, const Variant& value) {
  if (value.IsEmptyOrNull()) return {};
  if (value.IsString()) {
    if (TrimBlanks(value.AsString()).empty()) return {};
    return HandlerOf(object, value.AsString(), prop, value);
  }
  if (value.IsArray()) {
    // (handler name, handle of the object the handler belongs to)
    const VariantArray& pair = value.AsArray();
    if (pair.Dimensions() == 1 && pair.Size() == 2 && pair.At(0).IsString() && pair.At(1).IsInteger()) {
      TObject* target = ObjectOfHandle(prop, value, pair.At(1).AsInt64());
      if (!target) ThrowInvalidValue(prop, value);
      return HandlerOf(*target, pair.At(0).AsString(), prop, value);
    }
  }
  ThrowInvalidValue(prop, value);
}

void WriteMethod(TObject& object, const TPropInfo& prop, const Variant& value) {
  const TMethod method = MethodOfValue(object, prop, value);
  try {
    SetMethodProp(object, prop, method);
  } catch (const EPropertyError&) {
    // The handler's arguments do not match the event's.
    ThrowInvalidValue(prop, value);
  }
}

}  // namespace

Variant ConvertPropertyValue(const TPropInfo& prop, const Variant& value) {
  switch (prop.Kind()) {
    case TTypeKind::Integer:
    case TTypeKind::Char:
    case TTypeKind::WChar:
    case TTypeKind::Int64:
    case TTypeKind::Enumeration: {
      const std::int64_t ordinal =
          prop.Kind() == TTypeKind::Enumeration ? EnumOrdinal(prop, value) : ToInteger(prop, value);
      if (!InTypeRange(prop.Type(), ordinal)) ThrowRangeError(prop, value);
      return Variant(ordinal);
    }
    case TTypeKind::Set: {
      const std::int64_t bits = SetBits(prop, value);
      if (bits < 0 || (bits & ~prop.Type().maxValue) != 0) ThrowRangeError(prop, value);
      return Variant(bits);
    }
    case TTypeKind::Float:
      try {
        return Variant(value.ToDouble());
      } catch (const EVariantError&) {
        ThrowInvalidValue(prop, value);
      }
    case TTypeKind::String:
    case TTypeKind::LString:
    case TTypeKind::WString:
      try {
        return Variant(value.ToText());
      } catch (const EVariantError&) {
        ThrowInvalidValue(prop, value);
      }
    case TTypeKind::Variant:
      return value;
    default:
      ThrowInvalidType(prop);
  }
}

bool SetPropertyValue(TObject& object, std::string_view name, const Variant& value) {
  const TPropInfo* prop = GetPropInfo(object, name);
  if (!prop) return false;
  SetPropertyValue(object, *prop, value);
  return true;
}

void SetPropertyValue(TObject& object, const TPropInfo& prop, const Variant& value) {
  if (!prop.IsWritable()) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::ReadOnlyProperty, {prop.Name()});
  switch (prop.Kind()) {
    case TTypeKind::Integer:
    case TTypeKind::Char:
    case TTypeKind::WChar:
    case TTypeKind::Int64:
      WriteOrdinal(object, prop, value, ToInteger(prop, value));
      return;
    case TTypeKind::Enumeration:
      WriteOrdinal(object, prop, value, EnumOrdinal(prop, value));
      return;
    case TTypeKind::Set:
      WriteSet(object, prop, value);
      return;
    case TTypeKind::Float:
      WriteFloat(object, prop, value);
      return;
    case TTypeKind::String:
    case TTypeKind::LString:
    case TTypeKind::WString:
      WriteText(object, prop, value);
      return;
    case TTypeKind::Variant:
      SetVariantProp(object, prop, value);
      return;
    case TTypeKind::DynArray:
      WriteDynArray(object, prop, value);
      return;
    case TTypeKind::Class:
      WriteObject(object, prop, value);
      return;
    case TTypeKind::Method:
      WriteMethod(object, prop, value);
      return;
    default:
      ThrowInvalidType(prop);
  }
}

Variant GetPropertyValue(const TObject& object, std::string_view name) {
  const TPropInfo* prop = GetPropInfo(object, name);
  if (!prop) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::PropertyNotFound, {name});
  return GetPropertyValue(object, *prop);
}

Variant GetPropertyValue(const TObject& object, const TPropInfo& prop) {
  switch (prop.Kind()) {
    case TTypeKind::Unknown:
    case TTypeKind::Array:
    case TTypeKind::Record:
      ThrowInvalidType(prop);
    default:
      return platform::GetPropValue(object, prop);
  }
}

}  // namespace halbrin
