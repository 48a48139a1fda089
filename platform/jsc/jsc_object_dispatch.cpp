#include "platform/jsc/jsc_object_dispatch.h"

#include <utility>

#include "platform/base/case_fold.h"
#include "platform/jsc/jsc_engine.h"

namespace halbrin::platform {

TJsObjectDispatch::TJsObjectDispatch(JscEngine& engine, JscValuePtr value)
    : m_engine(&engine),
      m_value(std::move(value)),
      m_isFunction(jsc_value_is_function(m_value.Get())),
      m_isArray(jsc_value_is_array(m_value.Get())) {
  engine.Register(*this);
}

TJsObjectDispatch::~TJsObjectDispatch() {
  if (m_engine) m_engine->Forget(*this);
}

void TJsObjectDispatch::Detach() noexcept {
  m_engine = nullptr;
  m_value.Reset();
}

void TJsObjectDispatch::RequireAlive() const {
  if (!m_engine) throw EOleError(SCRIPT_E_FREEDSCRIPT, kFreedScriptMessage, kRuntimeErrorSource);
}

DispId TJsObjectDispatch::IdOf(const std::string& name) {
  for (std::size_t i = 0; i < m_names.size(); ++i)
    if (m_names[i] == name) return static_cast<DispId>(i + 1);
  m_names.push_back(name);
  return static_cast<DispId>(m_names.size());
}

const std::string* TJsObjectDispatch::NameOf(DispId id) const {
  if (id < 1 || static_cast<std::size_t>(id) > m_names.size()) return nullptr;
  return &m_names[static_cast<std::size_t>(id - 1)];
}

std::string TJsObjectDispatch::FindName(const std::string& name) {
  JscEngine::EntryScope scope(*m_engine);
  if (jsc_value_object_has_property(m_value.Get(), name.c_str())) return name;
  for (const std::string& candidate : PropertyNames())
    if (SameText(candidate, name)) return candidate;
  return {};
}

HResult TJsObjectDispatch::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  for (DispId& id : ids) id = DISPID_UNKNOWN;
  if (names.empty() || ids.empty()) return DISP_E_UNKNOWNNAME;
  std::string actual;
  if (!m_engine) {
    // Any name gets an id, so that Invoke can tell the caller why nothing works.
    actual = names[0];
  } else {
    try {
      actual = FindName(names[0]);
    } catch (...) {
      return DISP_E_UNKNOWNNAME;
    }
    if (actual.empty()) return DISP_E_UNKNOWNNAME;
  }
  ids[0] = IdOf(actual);
  // Script functions have no named parameters.
  return names.size() > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

bool TJsObjectDispatch::IsFunctionMember(DispId id) {
  const std::string* name = NameOf(id);
  if (!m_engine || !name) return false;
  JscEngine::EntryScope scope(*m_engine);
  JscValuePtr member = JscValuePtr::Adopt(jsc_value_object_get_property(m_value.Get(), name->c_str()));
  bool result = member && jsc_value_is_function(member.Get());
  jsc_context_clear_exception(jsc_value_get_context(m_value.Get()));
  return result;
}

HResult TJsObjectDispatch::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                                  ExcepInfo* excep) {
  Variant scratch;
  Variant& out = result ? *result : scratch;
  out = Variant();
  try {
    RequireAlive();
    const bool put = (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    std::vector<Variant> args = params.args;
    Variant value;
    if (put) {
      if (params.namedIds.size() != 1 || params.namedIds[0] != DISPID_PROPERTYPUT || args.empty())
        return DISP_E_PARAMNOTFOUND;
      value = std::move(args.back());
      args.pop_back();
    } else if (!params.namedIds.empty()) {
      return DISP_E_PARAMNOTFOUND;
    }

    if (id == DISPID_VALUE) {
      if (put) return DISP_E_MEMBERNOTFOUND;
      if (m_isFunction && (kind & DISPATCH_METHOD)) {
        out = Call(args);
      } else if (kind & DISPATCH_PROPERTYGET) {
        if (!args.empty()) return DISP_E_BADPARAMCOUNT;
        // The default value of any other object is its text.
        JscEngine::EntryScope scope(*m_engine);
        GCharPtr text(jsc_value_to_string(m_value.Get()));
        m_engine->CheckException(jsc_value_get_context(m_value.Get()));
        out = Variant(std::string(text ? text.get() : ""));
      } else {
        return DISP_E_MEMBERNOTFOUND;
      }
      return S_OK;
    }

    const std::string* name = NameOf(id);
    if (!name) return DISP_E_MEMBERNOTFOUND;
    if (put) {
      if (!args.empty()) return DISP_E_BADPARAMCOUNT;
      PutMember(*name, value);
      return S_OK;
    }
    if ((kind & DISPATCH_METHOD) && IsFunctionMember(id)) {
      out = CallMember(*name, args);
      return S_OK;
    }
    if (!(kind & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!args.empty()) return DISP_E_BADPARAMCOUNT;
    out = GetMember(*name);
    return S_OK;
  } catch (...) {
    return ExceptionToHResult(excep, kRuntimeErrorSource);
  }
}

Variant TJsObjectDispatch::Call(std::span<const Variant> args) {
  RequireAlive();
  return m_engine->Call(m_value.Get(), args);
}

Variant TJsObjectDispatch::GetMember(std::string_view name) {
  RequireAlive();
  JscEngine::EntryScope scope(*m_engine);
  const std::string key(name);
  JscValuePtr member = JscValuePtr::Adopt(jsc_value_object_get_property(m_value.Get(), key.c_str()));
  m_engine->CheckException(jsc_value_get_context(m_value.Get()));
  return m_engine->ToVariant(member.Get());
}

void TJsObjectDispatch::PutMember(std::string_view name, const Variant& value) {
  RequireAlive();
  JscEngine::EntryScope scope(*m_engine);
  const std::string key(name);
  JscValuePtr converted = m_engine->ToJs(value);
  jsc_value_object_set_property(m_value.Get(), key.c_str(), converted.Get());
  m_engine->CheckException(jsc_value_get_context(m_value.Get()));
}

Variant TJsObjectDispatch::CallMember(std::string_view name, std::span<const Variant> args) {
  RequireAlive();
  return m_engine->CallMethod(m_value.Get(), name, args);
}

std::vector<std::string> TJsObjectDispatch::PropertyNames() {
  RequireAlive();
  JscEngine::EntryScope scope(*m_engine);
  GStrvPtr names(jsc_value_object_enumerate_properties(m_value.Get()));
  m_engine->CheckException(jsc_value_get_context(m_value.Get()));
  std::vector<std::string> result;
  if (names)
    for (char** name = names.get(); *name; ++name) result.emplace_back(*name);
  return result;
}

std::vector<Variant> TJsObjectDispatch::ElementValues() {
  RequireAlive();
  JscEngine::EntryScope scope(*m_engine);
  JSCContext* context = jsc_value_get_context(m_value.Get());
  std::vector<Variant> values;
  if (m_isArray) {
    JscValuePtr length = JscValuePtr::Adopt(jsc_value_object_get_property(m_value.Get(), "length"));
    m_engine->CheckException(context);
    const double count = jsc_value_to_double(length.Get());
    for (guint i = 0; i < count; ++i) {
      JscValuePtr item = JscValuePtr::Adopt(jsc_value_object_get_property_at_index(m_value.Get(), i));
      m_engine->CheckException(context);
      values.push_back(m_engine->ToVariant(item.Get()));
    }
    return values;
  }
  for (const std::string& name : PropertyNames()) {
    JscValuePtr item = JscValuePtr::Adopt(jsc_value_object_get_property(m_value.Get(), name.c_str()));
    m_engine->CheckException(context);
    values.push_back(m_engine->ToVariant(item.Get()));
  }
  return values;
}

}  // namespace halbrin::platform
