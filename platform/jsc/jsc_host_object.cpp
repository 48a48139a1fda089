#include "platform/jsc/jsc_host_object.h"

#include <memory>
#include <utility>

#include "platform/automation/type_info.h"
#include "platform/jsc/jsc_object_dispatch.h"
#include "platform/jsc/script_member_info.h"

namespace halbrin::platform {

namespace {

const char kNoSuchMember[] = "Object doesn't support this property or method";

// Whether reading the member gives a function rather than a value: a method,
// or a property that takes parameters.
enum class MemberShape { Value, Function, Unknown };

MemberShape ShapeOf(IDispatchObject& object, DispId id) {
  if (const TypeInfo* info = object.GetTypeInfo()) {
    if (const MemberDesc* member = info->FindById(id))
      return (member->kinds & DISPATCH_PROPERTYGET) && member->params.empty() ? MemberShape::Value
                                                                               : MemberShape::Function;
  }
  if (auto* js = dynamic_cast<TJsObjectDispatch*>(&object))
    return js->IsFunctionMember(id) ? MemberShape::Function : MemberShape::Value;
  return MemberShape::Unknown;
}

// Failures of a property get that mean "this member wants to be called".
bool MeansCallable(HResult hr) {
  return hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND;
}

}  // namespace

std::vector<std::string> ScriptMemberNamesOf(IDispatchObject& object) {
  if (auto* info = dynamic_cast<IScriptMemberInfo*>(&object)) return info->ScriptMemberNames();
  if (const TypeInfo* table = object.GetTypeInfo()) {
    std::vector<std::string> names;
    names.reserve(table->Members().size());
    for (const MemberDesc& member : table->Members()) names.push_back(member.name);
    return names;
  }
  if (auto* js = dynamic_cast<TJsObjectDispatch*>(&object); js && js->IsAlive()) return js->PropertyNames();
  return {};
}

// --- JscHostObject

JscHostObject::JscHostObject(JscEngine& engine, RefPtr<IDispatchObject> object)
    : JscAnchor(engine), m_object(std::move(object)) {}

JscHostObject::~JscHostObject() {
  if (JscEngine* engine = Engine()) {
    engine->ForgetHost(m_object.Get(), *this);
    // Values die here inside the collector's sweep; the engine lets them go later.
    for (auto& [id, function] : m_bound) engine->DeferUnref(std::move(function));
    engine->DeferUnref(std::move(m_self));
    Defer(std::move(m_object));
  }
}

void JscHostObject::Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept {
  m_bound.clear();
  m_self.Reset();
  if (m_object) releases.push_back(std::move(m_object));
  m_object.Reset();
  m_ids.clear();
  JscAnchor::Detach(releases);
}

JSCClass* JscHostObject::RegisterClass(JscEngine& engine) {
  static JSCClassVTable vtable = {
      // No has-trap: the engine then asks GetProperty alone, one callback per read.
      &JscHostObject::GetProperty, &JscHostObject::SetProperty, nullptr, nullptr,
      &JscHostObject::EnumerateProperties, nullptr, nullptr, nullptr, nullptr,
  };
  JSCClass* cls = jsc_context_register_class(engine.Context(), "HostObject", nullptr, &vtable, &JscAnchor::Destroy);
  std::unique_ptr<JscHostObject> pin(new JscHostObject(engine, nullptr));
  engine.PinPrototype(JscValuePtr::Adopt(jsc_value_new_object(engine.Context(), pin.release(), cls)));
  return cls;
}

bool JscHostObject::HasDefaultMember(IDispatchObject& object) {
  if (auto* info = dynamic_cast<IScriptMemberInfo*>(&object)) return info->HasDefaultMember();
  if (const TypeInfo* table = object.GetTypeInfo()) return table->FindById(DISPID_VALUE) != nullptr;
  if (auto* js = dynamic_cast<TJsObjectDispatch*>(&object)) return js->IsFunction();
  return false;
}

JscValuePtr JscHostObject::Create(JscEngine& engine, RefPtr<IDispatchObject> object) {
  JSCContext* context = engine.Context();
  IDispatchObject* key = object.Get();
  const bool callable = HasDefaultMember(*object);
  std::unique_ptr<JscHostObject> host(new JscHostObject(engine, object));
  JscHostObject& self = *host;
  JscValuePtr instance = JscValuePtr::Adopt(jsc_value_new_object(context, host.release(), engine.m_hostClass));
  JscValuePtr value = instance;
  if (callable) {
    JscValuePtr call = JscBoundMember::Create(engine, std::move(object), DISPID_VALUE);
    JSCValue* args[] = {call.Get(), instance.Get()};
    value = engine.Helper("callable", args);
    engine.CheckException(context);
  }
  // The instance lives as long as its JS object, which the value holds.
  self.m_self = JscWeakValuePtr::Adopt(jsc_weak_value_new(value.Get()));
  engine.m_hosts[key] = &self;
  return value;
}

JscValuePtr JscHostObject::Value() const {
  if (!m_self) return {};
  return JscValuePtr::Adopt(jsc_weak_value_get_value(m_self.Get()));
}

bool JscHostObject::Resolve(const char* name, DispId& id) {
  if (auto found = m_ids.find(std::string_view(name)); found != m_ids.end()) {
    id = found->second;
    return true;
  }
  const std::string names[] = {name};
  DispId ids[] = {DISPID_UNKNOWN};
  // Unknown names are asked again next time: a late-bound object may learn them.
  if (Failed(m_object->GetIDsOfNames(names, ids)) || ids[0] == DISPID_UNKNOWN) return false;
  m_ids.emplace(names[0], ids[0]);
  id = ids[0];
  return true;
}

JscValuePtr JscHostObject::BoundMember(DispId id) {
  if (auto found = m_bound.find(id); found != m_bound.end()) return found->second;
  JscValuePtr function = JscBoundMember::Create(*Engine(), m_object, id);
  m_bound.emplace(id, function);
  return function;
}

JSCValue* JscHostObject::Get(JSCContext* context, const char* name) {
  JscEngine& engine = *Engine();
  DispId id;
  if (!Resolve(name, id)) return nullptr;
  // The object may drop its last other reference while it runs.
  RefPtr<IDispatchObject> object = m_object;
  MemberShape shape = ShapeOf(*object, id);
  if (shape != MemberShape::Function) {
    DispParams params;
    Variant result;
    ExcepInfo excep;
    HResult hr = object->Invoke(id, DISPATCH_PROPERTYGET, params, &result, &excep);
    if (Succeeded(hr)) return engine.ToJs(result).Release();
    if (shape == MemberShape::Value || !MeansCallable(hr)) {
      engine.ThrowInvokeFailure(context, hr, excep);
      return nullptr;
    }
  }
  return BoundMember(id).Release();
}

bool JscHostObject::Set(JSCContext* context, const char* name, JSCValue* value) {
  JscEngine& engine = *Engine();
  DispId id;
  if (!Resolve(name, id)) {
    engine.ThrowToScript(context, kNoSuchMember, SCRIPT_E_NOTSUPPORTED);
    return true;
  }
  RefPtr<IDispatchObject> object = m_object;
  DispParams params;
  params.args.push_back(engine.ToVariant(value));
  params.namedIds.push_back(DISPID_PROPERTYPUT);
  ExcepInfo excep;
  HResult hr = object->Invoke(id, DISPATCH_PROPERTYPUT, params, nullptr, &excep);
  if (Failed(hr)) engine.ThrowInvokeFailure(context, hr, excep);
  return true;
}

JSCValue* JscHostObject::GetProperty(JSCClass*, JSCContext* context, gpointer instance, const char* name) {
  auto* self = static_cast<JscHostObject*>(instance);
  JscEngine* engine = self->Engine();
  if (!engine || !self->m_object) return nullptr;
  if (JscEngine::IsProbe(name)) {
    engine->m_probed = self;
    return jsc_value_new_null(context);
  }
  try {
    return self->Get(context, name);
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
    return nullptr;
  }
}

gboolean JscHostObject::SetProperty(JSCClass*, JSCContext* context, gpointer instance, const char* name,
                                    JSCValue* value) {
  auto* self = static_cast<JscHostObject*>(instance);
  JscEngine* engine = self->Engine();
  if (JscEngine::IsProbe(name)) return TRUE;
  if (!engine || !self->m_object) return FALSE;
  try {
    return self->Set(context, name, value);
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
    return TRUE;
  }
}

gchar** JscHostObject::EnumerateProperties(JSCClass*, JSCContext*, gpointer instance) {
  auto* self = static_cast<JscHostObject*>(instance);
  if (!self->Engine() || !self->m_object) return nullptr;
  try {
    std::vector<std::string> names = ScriptMemberNamesOf(*self->m_object);
    if (names.empty()) return nullptr;
    gchar** result = g_new0(gchar*, names.size() + 1);
    for (std::size_t i = 0; i < names.size(); ++i) result[i] = g_strdup(names[i].c_str());
    return result;
  } catch (...) {
    return nullptr;
  }
}

// --- JscBoundMember

JscBoundMember::JscBoundMember(JscEngine& engine, RefPtr<IDispatchObject> object, DispId id)
    : JscAnchor(engine), m_object(std::move(object)), m_id(id) {}

JscBoundMember::~JscBoundMember() { Defer(std::move(m_object)); }

void JscBoundMember::Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept {
  if (m_object) releases.push_back(std::move(m_object));
  m_object.Reset();
  JscAnchor::Detach(releases);
}

JscValuePtr JscBoundMember::Create(JscEngine& engine, RefPtr<IDispatchObject> object, DispId id) {
  std::unique_ptr<JscBoundMember> member(new JscBoundMember(engine, std::move(object), id));
  return JscValuePtr::Adopt(jsc_value_new_function_variadic(engine.Context(), nullptr, G_CALLBACK(&JscBoundMember::Call),
                                                            member.release(), &JscAnchor::Destroy, JSC_TYPE_VALUE));
}

JSCValue* JscBoundMember::Call(GPtrArray* args, gpointer data) {
  auto* self = static_cast<JscBoundMember*>(data);
  JSCContext* context = jsc_context_get_current();
  JscEngine* engine = self->Engine();
  if (!engine || !self->m_object) {
    jsc_context_throw(context, kFreedScriptMessage);
    return nullptr;
  }
  try {
    DispParams params;
    params.args.reserve(args->len);
    for (guint i = 0; i < args->len; ++i) params.args.push_back(engine->ToVariant(static_cast<JSCValue*>(args->pdata[i])));
    RefPtr<IDispatchObject> object = self->m_object;
    Variant result;
    ExcepInfo excep;
    HResult hr = object->Invoke(self->m_id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, params, &result, &excep);
    if (Failed(hr)) {
      engine->ThrowInvokeFailure(context, hr, excep);
      return nullptr;
    }
    return engine->ToJs(result).Release();
  } catch (...) {
    engine->ThrowCurrentExceptionToScript(context);
    return nullptr;
  }
}

}  // namespace halbrin::platform
