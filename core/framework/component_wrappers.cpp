#include "core/framework/component_wrappers.h"

#include "core/foundation/property_values.h"
#include "core/framework/application_components.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/script_events.h"
#include "platform/automation/dispatch.h"
#include "platform/base/exception.h"
#include "platform/classes/property_access.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using platform::DispId;
using platform::DispParams;
using platform::HResult;
using platform::MemberAccess;
using platform::MemberDesc;
using platform::RefPtr;
using platform::TObject;
using platform::Variant;

namespace {

[[noreturn]] void ThrowFreed() { throw platform::EObjectFreed("Object has been freed"); }

// A value a script gives for a property: one of our wrappers stands for its object's handle.
Variant PropertyValueOf(const Variant& value) {
  if (!value.IsDispatch()) return value;
  TObject* object = WrappedObject(value);
  return object ? Variant(static_cast<std::int64_t>(object->Handle())) : value;
}

// Code points above 255 never name a member.
bool HasWideCharacter(std::string_view name) {
  for (unsigned char c : name)
    if (c >= 0xC4) return true;  // a lead byte of U+0100 and beyond
  return false;
}

// The IComponents members common to both lists.
Variant GetComponentByHandle(const Variant& handle) {
  return WrapObject(platform::TLiveObjects::Find(static_cast<std::uint32_t>(handle.ToInt64())));
}

}  // namespace

Variant WrapFoundItem(FoundItem found) {
  if (!found) return Variant::Null();
  if (found.IsOwned()) return Variant(RefPtr<platform::IDispatchObject>(platform::MakeRef<TComponent>(found.TakeOwned())));
  return WrapObject(found.Get());
}

Variant WrapObject(TObject* object) {
  if (!object) return Variant::Null();
  return Variant(RefPtr<platform::IDispatchObject>(platform::MakeRef<TComponent>(object)));
}

TObject* WrappedObject(const Variant& value) {
  if (!value.IsDispatch()) return nullptr;
  auto* wrapper = dynamic_cast<TComponent*>(value.AsDispatch());
  return wrapper ? wrapper->Object() : nullptr;
}

// --------------------------------------------------------- TApplicationObjects

TApplicationObjects::TApplicationObjects(TObject* list) : TAutoObject(IComponentsTypeInfo()), m_list(list) {
  if (!dynamic_cast<TCustomApplicationComponents*>(list)) throw platform::EComponentError("Invalid class");
}

TCustomApplicationComponents& TApplicationObjects::List() const {
  auto* list = dynamic_cast<TCustomApplicationComponents*>(m_list.Get());
  if (!list) ThrowFreed();
  return *list;
}

Variant TApplicationObjects::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  switch (member.id) {
    case DISPID_COMPONENT_ITEM: return WrapObject(List().ItemByVariant(args[0]));
    case DISPID_COMPONENT_REMOVE: {
      platform::TComponent* found = List().ItemByVariant(args[0]);
      return Variant(found && ReleaseObject(*found));
    }
    case DISPID_COMPONENT_LENGTH: return Variant(List().GetLength());
    case DISPID_COMPONENT_GETCOMPONENT: return GetComponentByHandle(args[0]);
    default: return Variant();
  }
}

// ------------------------------------------------------------------ TChildren

TChildren::TChildren(TObject* object)
    : TAutoObject(IComponentsTypeInfo()), m_object(object), m_hadObject(object != nullptr) {}

platform::TComponent* TChildren::Child(const Variant& index) const {
  auto* component = dynamic_cast<platform::TComponent*>(m_object.Get());
  if (!component) return nullptr;
  if (index.IsString() || index.IsOrdinal()) return GetOwnedComponent(*component, index);
  return nullptr;
}

Variant TChildren::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  if (m_hadObject && !m_object) ThrowFreed();
  switch (member.id) {
    case DISPID_COMPONENT_ITEM: return WrapObject(Child(args[0]));
    case DISPID_COMPONENT_REMOVE: {
      platform::TComponent* found = Child(args[0]);
      return Variant(found && ReleaseObject(*found));
    }
    case DISPID_COMPONENT_LENGTH: {
      auto* component = dynamic_cast<platform::TComponent*>(m_object.Get());
      return Variant(component ? component->ComponentCount() : 0);
    }
    case DISPID_COMPONENT_GETCOMPONENT: return GetComponentByHandle(args[0]);
    default: return Variant();
  }
}

// ----------------------------------------------------------------- TComponent

TComponent::TComponent(TObject* object)
    : TAutoObject(IComponentTypeInfo()), m_object(object), m_hadObject(object != nullptr) {}

TComponent::TComponent(std::unique_ptr<TObject> object)
    : TAutoObject(IComponentTypeInfo()), m_object(object.get()), m_hadObject(object != nullptr),
      m_owned(std::move(object)) {}

TComponent::~TComponent() = default;

TObject* TComponent::Object() const {
  TObject* object = m_object.Get();
  if (!object && m_hadObject) ThrowFreed();
  return object;
}

bool TComponent::FreeOwnedObject() {
  if (!m_owned) return false;
  m_owned.reset();
  return true;
}

Variant TComponent::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  TObject* object = Object();
  if (member.id == DISPID_COMPONENT_GETCOMPONENT) return GetComponentByHandle(args[0]);
  if (member.id == DISPID_COMPONENT_REMOVECHILD &&
      (args[0].IsEmptyOrNull() || (args[0].IsDispatch() && !args[0].AsDispatch())))
    throw platform::Exception("Invalid parameter");
  if (!object) return member.result == platform::VarType::Dispatch ? Variant::Null() : Variant();
  switch (member.id) {
    case DISPID_COMPONENT_ITEM: return WrapFoundItem(GetChildByVariant(*object, args[0]));
    case DISPID_COMPONENT_REMOVE: {
      // A view made for this lookup belongs to nobody: dropping it removes nothing.
      FoundItem found = GetChildByVariant(*object, args[0]);
      return Variant(found && !found.IsOwned() && ReleaseObject(*found.Get()));
    }
    case DISPID_COMPONENT_LENGTH: return Variant(GetChildCount(*object));
    case DISPID_COMPONENT_ATTRIBUTE:
      if (access == MemberAccess::Put) {
        SetPropertyValueEx(*object, args[0].AsString(), PropertyValueOf(args[1]));
        return Variant();
      }
      return GetPropertyValue(*object, args[0].AsString());
    case DISPID_COMPONENT_SETATTRIBUTE:
      SetPropertyValueEx(*object, args[0].AsString(), PropertyValueOf(args[1]), args[2].AsString());
      return Variant();
    case DISPID_COMPONENT_ADD: return WrapObject(CreateComponentByType(object, args[0].AsString(), args[1].AsString()));
    case DISPID_COMPONENT_ATTACHEVENT:
      return WrapObject(AttachScriptEvent(*object, args[0].AsString(), args[1].AsString(), args[2].AsString(),
                                          static_cast<int>(args[3].ToInt64())));
    case DISPID_COMPONENT_DETACHEVENT: return Variant(DetachScriptEvent(*object, args[0].AsString()));
    case DISPID_COMPONENT_COMPONENTTYPE: return Variant(GetComponentTypeName(*object));
    case DISPID_COMPONENT_COMPONENTCLASS: return Variant(GetClassNameText(*object));
    case DISPID_COMPONENT_GETXML:
      return Variant(GetPropertiesText(*object, args[0].AsString(), static_cast<int>(args[1].ToInt64())));
    case DISPID_COMPONENT_PARENT: return WrapObject(GetParentObject(*object));
    case DISPID_COMPONENT_CHILDREN:
      return Variant(RefPtr<platform::IDispatchObject>(platform::MakeRef<TChildren>(object)));
    case DISPID_COMPONENT_HANDLE: return Variant(static_cast<std::int64_t>(object->Handle()));
    case DISPID_COMPONENT_REMOVECHILD: {
      TObject* child = WrappedObject(args[0]);
      if (!child) return Variant(false);
      // An object only its wrapper holds (a line view it was handed) is freed at once.
      if (auto* wrapper = dynamic_cast<TComponent*>(args[0].AsDispatch()); wrapper && wrapper->FreeOwnedObject())
        return Variant(true);
      return Variant(ReleaseObject(*child));
    }
    case DISPID_COMPONENT_EXEC: return ExecObject(*object, args[0]);
    case DISPID_COMPONENT_ISEVENT: return Variant(HasScriptEvent(*object, args[0].AsString()));
    case DISPID_COMPONENT_FIREEVENT: return TriggerScriptEvent(*object, args[0].AsString(), args[1]);
    case DISPID_COMPONENT_ASSUME: {
      TObject* other = WrappedObject(args[0]);
      return Variant(other != nullptr && AssignObject(*object, *other));
    }
    default: return Variant();
  }
}

HResult TComponent::GetLateBoundIDs(std::span<const std::string> names, std::span<DispId> ids) {
  if (m_hadObject && !m_object) {
    // Any name of a freed object: the call then reports the freed object.
    if (!ids.empty()) ids[0] = kFreedObjectId;
    return platform::S_OK;
  }
  TObject* object = Object();
  if (!object || names.empty() || ids.empty() || HasWideCharacter(names[0])) return platform::DISP_E_UNKNOWNNAME;
  const std::string& name = names[0];
  const platform::TClassInfo& cls = object->ClassInfo();
  if (const platform::TMethodInfo* method = cls.FindMethod(name); method && method->HasParamInfo()) {
    ids[0] = m_names.IdOf(ekMethod, Key{method, {}});
    HResult hr = platform::S_OK;
    for (std::size_t i = 1; i < names.size() && i < ids.size(); ++i) {
      ids[i] = platform::DISPID_UNKNOWN;
      DispId position = 0;
      for (const platform::TParamInfo& param : method->Params()) {
        if (platform::SameText(param.name, "SELF")) continue;
        if (platform::SameText(param.name, names[i])) ids[i] = position;
        ++position;
      }
      if (ids[i] == platform::DISPID_UNKNOWN) hr = platform::DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  if (const platform::TPropInfo* prop = cls.FindProperty(name)) {
    ids[0] = m_names.IdOf(ekProperty, Key{prop, {}});
    return platform::S_OK;
  }
  if (auto* component = dynamic_cast<platform::TComponent*>(object)) {
    if (platform::TComponent* child = component->FindComponent(name)) {
      ids[0] = m_names.IdOf(ekChild, Key{child, platform::TWeakRef<platform::TComponent>(child)});
      return platform::S_OK;
    }
  }
  return platform::DISP_E_UNKNOWNNAME;
}

HResult TComponent::InvokeLateBound(DispId id, std::uint16_t kind, DispParams& params, Variant& result) {
  if (id == kFreedObjectId) ThrowFreed();
  const auto* entry = m_names.Find(id);
  if (!entry) return platform::DISP_E_MEMBERNOTFOUND;
  TObject* object = Object();
  if (!object) return platform::DISP_E_MEMBERNOTFOUND;
  const bool put = (kind & (platform::DISPATCH_PROPERTYPUT | platform::DISPATCH_PROPERTYPUTREF)) != 0;
  switch (entry->kind) {
    case ekMethod: {
      // Read without a call, a method is no value: the script gets a callable instead.
      if (put || !(kind & platform::DISPATCH_METHOD)) return platform::DISP_E_MEMBERNOTFOUND;
      const auto* method = static_cast<const platform::TMethodInfo*>(entry->key.target);
      std::vector<Variant> args(method->Params().size());
      std::size_t next = 0;
      for (std::size_t i = 0; i < params.args.size(); ++i) {
        // The last namedIds.size() arguments are named by their positions.
        const std::size_t named = params.args.size() - params.namedIds.size();
        const std::size_t position = i < named ? next++ : static_cast<std::size_t>(params.namedIds[i - named]);
        if (position >= args.size()) return platform::DISP_E_BADPARAMCOUNT;
        args[position] = params.args[i];
      }
      result = method->Invoke(*object, args);
      if (TObject* wrapped = WrappedObject(result)) result = WrapObject(wrapped);
      return platform::S_OK;
    }
    case ekProperty: {
      const auto* prop = static_cast<const platform::TPropInfo*>(entry->key.target);
      if (put) {
        if (params.namedIds.size() != 1 || params.namedIds[0] != platform::DISPID_PROPERTYPUT || params.args.size() != 1)
          return platform::DISP_E_MEMBERNOTFOUND;
        SetPropertyValueEx(*object, prop->Name(), PropertyValueOf(params.args[0]));
        return platform::S_OK;
      }
      if (!params.args.empty()) return platform::DISP_E_BADPARAMCOUNT;
      if (prop->Kind() == platform::TTypeKind::Class) {
        result = WrapObject(platform::GetObjectProp(*object, *prop));
        return platform::S_OK;
      }
      result = GetPropertyValue(*object, *prop);
      return platform::S_OK;
    }
    case ekChild:
      if (put) return platform::DISP_E_MEMBERNOTFOUND;
      result = WrapObject(entry->key.child.Get());
      return platform::S_OK;
    default: return platform::DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace halbrin
