#include "platform/classes/property_access.h"

#include <cctype>
#include <limits>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin::platform {
namespace {

[[noreturn]] void ThrowInvalidType(const TPropInfo& prop) {
  throw EPropertyError(Format("Invalid property type: %s", {prop.TypeName()}));
}

[[noreturn]] void ThrowReadOnly(const TPropInfo& prop) {
  throw EPropertyError(Format("Cannot assign to a read-only property \"%s\"", {prop.Name()}));
}

template <class Access>
const Access& AccessOf(const TPropInfo& prop) {
  const Access* access = std::get_if<Access>(&prop.Access());
  if (!access) ThrowInvalidType(prop);
  return *access;
}

template <class Access>
const Access& WriterOf(const TPropInfo& prop) {
  const Access& access = AccessOf<Access>(prop);
  if (!access.set) ThrowReadOnly(prop);
  return access;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

const TPropInfo* GetPropInfo(const TObject& object, std::string_view name) {
  return object.ClassInfo().FindProperty(name);
}

const TPropInfo& RequirePropInfo(const TObject& object, std::string_view name) {
  const TPropInfo* prop = GetPropInfo(object, name);
  if (!prop) throw EPropertyError(Format("Property \"%s\" does not exist", {name}));
  return *prop;
}

std::int64_t GetOrdProp(const TObject& object, const TPropInfo& prop) {
  return AccessOf<TOrdAccess>(prop).get(object);
}

void SetOrdProp(TObject& object, const TPropInfo& prop, std::int64_t value) {
  const TOrdAccess& access = WriterOf<TOrdAccess>(prop);
  if (prop.Kind() != TTypeKind::Set && !prop.Type().InRange(value))
    throw EPropertyError(Format("Range check error for property %s=%s", {prop.Name(), std::to_string(value)}));
  if (prop.Kind() == TTypeKind::Set && (value & ~prop.Type().maxValue) != 0)
    throw EPropertyError(Format("Range check error for property %s=%s", {prop.Name(), std::to_string(value)}));
  access.set(object, value);
}

double GetFloatProp(const TObject& object, const TPropInfo& prop) { return AccessOf<TFloatAccess>(prop).get(object); }

void SetFloatProp(TObject& object, const TPropInfo& prop, double value) {
  WriterOf<TFloatAccess>(prop).set(object, value);
}

std::string GetStrProp(const TObject& object, const TPropInfo& prop) { return AccessOf<TStrAccess>(prop).get(object); }

void SetStrProp(TObject& object, const TPropInfo& prop, const std::string& value) {
  WriterOf<TStrAccess>(prop).set(object, value);
}

Variant GetVariantProp(const TObject& object, const TPropInfo& prop) {
  return AccessOf<TVariantAccess>(prop).get(object);
}

void SetVariantProp(TObject& object, const TPropInfo& prop, const Variant& value) {
  WriterOf<TVariantAccess>(prop).set(object, value);
}

TObject* GetObjectProp(const TObject& object, const TPropInfo& prop) {
  return AccessOf<TObjectAccess>(prop).get(object);
}

void SetObjectProp(TObject& object, const TPropInfo& prop, TObject* value) {
  WriterOf<TObjectAccess>(prop).set(object, value);
}

TMethod GetMethodProp(const TObject& object, const TPropInfo& prop) {
  return AccessOf<TMethodAccess>(prop).get(object);
}

void SetMethodProp(TObject& object, const TPropInfo& prop, const TMethod& value) {
  WriterOf<TMethodAccess>(prop).set(object, value);
}

RefPtr<IDispatchObject> GetInterfaceProp(const TObject& object, const TPropInfo& prop) {
  return AccessOf<TInterfaceAccess>(prop).get(object);
}

void SetInterfaceProp(TObject& object, const TPropInfo& prop, RefPtr<IDispatchObject> value) {
  WriterOf<TInterfaceAccess>(prop).set(object, std::move(value));
}

std::string GetEnumName(const TPropInfo& prop, std::int64_t ordinal) {
  const TEnumInfo* info = prop.Type().enumInfo;
  return info ? std::string(info->Name(ordinal)) : std::string();
}

int GetEnumValue(const TPropInfo& prop, std::string_view name) {
  const TEnumInfo* info = prop.Type().enumInfo;
  return info ? info->Ordinal(Trim(name)) : -1;
}

std::string SetToString(const TPropInfo& prop, std::int64_t bits, bool brackets) {
  const TEnumInfo* info = prop.Type().enumInfo;
  std::string text;
  if (info) {
    for (int i = 0; i < info->Count() && i < 63; ++i) {
      if ((bits >> i) & 1) {
        if (!text.empty()) text += ',';
        text += info->Name(i);
      }
    }
  }
  return brackets ? "[" + text + "]" : text;
}

std::int64_t StringToSet(const TPropInfo& prop, std::string_view text) {
  const TEnumInfo* info = prop.Type().enumInfo;
  text = Trim(text);
  if (!text.empty() && text.front() == '[') text.remove_prefix(1);
  if (!text.empty() && text.back() == ']') text.remove_suffix(1);
  std::int64_t bits = 0;
  while (!text.empty()) {
    std::size_t comma = text.find(',');
    std::string_view part = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (part.empty()) continue;
    int ordinal = info ? info->Ordinal(part) : -1;
    if (ordinal < 0) throw EPropertyError(Format("Invalid property element: %s", {part}));
    bits |= std::int64_t{1} << ordinal;
  }
  return bits;
}

Variant GetPropValue(const TObject& object, const TPropInfo& prop) {
  switch (prop.Kind()) {
    case TTypeKind::Integer: case TTypeKind::Char: case TTypeKind::WChar: {
      // A Cardinal above the Integer range keeps its value.
      const std::int64_t value = GetOrdProp(object, prop);
      if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max())
        return Variant(static_cast<int>(value));
      return Variant(value);
    }
    case TTypeKind::Int64:
      return Variant(GetOrdProp(object, prop));
    case TTypeKind::Enumeration:
      return Variant(GetEnumName(prop, GetOrdProp(object, prop)));
    case TTypeKind::Set:
      return Variant(SetToString(prop, GetOrdProp(object, prop)));
    case TTypeKind::Float:
      return Variant(GetFloatProp(object, prop));
    case TTypeKind::String: case TTypeKind::LString: case TTypeKind::WString:
      return Variant(GetStrProp(object, prop));
    case TTypeKind::Variant: case TTypeKind::DynArray:
      return GetVariantProp(object, prop);
    case TTypeKind::Class: {
      const TObject* value = GetObjectProp(object, prop);
      return Variant(static_cast<std::int64_t>(value ? value->Handle() : 0));
    }
    case TTypeKind::Method:
      return Variant(prop.TypeName());
    case TTypeKind::Interface:
      return Variant(GetInterfaceProp(object, prop));
    default:
      ThrowInvalidType(prop);
  }
}

void SetPropValue(TObject& object, const TPropInfo& prop, const Variant& value) {
  switch (prop.Kind()) {
    case TTypeKind::Integer: case TTypeKind::Char: case TTypeKind::WChar: case TTypeKind::Int64:
      SetOrdProp(object, prop, value.ToInt64());
      return;
    case TTypeKind::Enumeration: {
      if (value.IsString()) {
        int ordinal = GetEnumValue(prop, value.AsString());
        if (ordinal < 0) {
          std::int64_t number = 0;
          try {
            number = value.ToInt64();
          } catch (const EVariantError&) {
            throw EPropertyError(Format("Invalid property \"%s\" value \"%s\"", {prop.Name(), value.AsString()}));
          }
          SetOrdProp(object, prop, number);
          return;
        }
        SetOrdProp(object, prop, ordinal);
      } else if (value.IsBool()) {
        SetOrdProp(object, prop, value.AsBool() ? 1 : 0);
      } else {
        SetOrdProp(object, prop, value.ToInt64());
      }
      return;
    }
    case TTypeKind::Set:
      SetOrdProp(object, prop, value.IsString() ? StringToSet(prop, value.AsString()) : value.ToInt64());
      return;
    case TTypeKind::Float:
      SetFloatProp(object, prop, value.ToDouble());
      return;
    case TTypeKind::String: case TTypeKind::LString: case TTypeKind::WString:
      SetStrProp(object, prop, value.ToText());
      return;
    case TTypeKind::Variant: case TTypeKind::DynArray:
      SetVariantProp(object, prop, value);
      return;
    case TTypeKind::Class: {
      if (value.IsEmptyOrNull()) {
        SetObjectProp(object, prop, nullptr);
        return;
      }
      std::int64_t handle = value.ToInt64();
      TObject* target = handle == 0 ? nullptr : TLiveObjects::Find(static_cast<std::uint32_t>(handle));
      if (handle != 0 && !target) throw EObjectFreed(Format("Object %s has been freed", {std::to_string(handle)}));
      SetObjectProp(object, prop, target);
      return;
    }
    case TTypeKind::Method: {
      if (value.IsEmptyOrNull() || (value.IsString() && value.AsString().empty())) {
        SetMethodProp(object, prop, TMethod{});
        return;
      }
      const TMethodInfo* method = value.IsString() ? object.ClassInfo().FindMethod(value.AsString()) : nullptr;
      if (!method || method->HasParamInfo())
        throw EPropertyError(Format("Invalid property \"%s\" value \"%s\"", {prop.Name(), value.ToText()}));
      SetMethodProp(object, prop, TMethod{TWeakRef<TObject>(&object), method});
      return;
    }
    case TTypeKind::Interface:
      SetInterfaceProp(object, prop, value.ToDispatch());
      return;
    default:
      ThrowInvalidType(prop);
  }
}

}  // namespace halbrin::platform
