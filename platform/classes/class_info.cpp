#include "platform/classes/class_info.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/base/format.h"
#include "platform/classes/object.h"

namespace halbrin::platform {

std::string_view TypeKindName(TTypeKind kind) noexcept {
  switch (kind) {
    case TTypeKind::Unknown: return "tkUnknown";
    case TTypeKind::Integer: return "tkInteger";
    case TTypeKind::Char: return "tkChar";
    case TTypeKind::Enumeration: return "tkEnumeration";
    case TTypeKind::Float: return "tkFloat";
    case TTypeKind::String: return "tkString";
    case TTypeKind::Set: return "tkSet";
    case TTypeKind::Class: return "tkClass";
    case TTypeKind::Method: return "tkMethod";
    case TTypeKind::WChar: return "tkWChar";
    case TTypeKind::LString: return "tkLString";
    case TTypeKind::WString: return "tkWString";
    case TTypeKind::Variant: return "tkVariant";
    case TTypeKind::Array: return "tkArray";
    case TTypeKind::Record: return "tkRecord";
    case TTypeKind::Interface: return "tkInterface";
    case TTypeKind::Int64: return "tkInt64";
    case TTypeKind::DynArray: return "tkDynArray";
  }
  return "tkUnknown";
}

std::string_view TEnumInfo::Name(std::int64_t ordinal) const {
  if (ordinal < 0 || ordinal >= Count()) return {};
  return m_names[static_cast<std::size_t>(ordinal)];
}

int TEnumInfo::Ordinal(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(m_names[static_cast<std::size_t>(i)], name)) return i;
  return -1;
}

const TEnumInfo& TEnumInfo::Boolean() {
  static const TEnumInfo info("Boolean", {"False", "True"});
  return info;
}

bool TPropType::IsOrdinal() const noexcept {
  switch (kind) {
    case TTypeKind::Integer: case TTypeKind::Char: case TTypeKind::WChar:
    case TTypeKind::Enumeration: case TTypeKind::Set: case TTypeKind::Int64:
      return true;
    default:
      return false;
  }
}

bool TPropType::IsString() const noexcept {
  return kind == TTypeKind::String || kind == TTypeKind::LString || kind == TTypeKind::WString;
}

bool TPropType::InRange(std::int64_t value) const noexcept { return value >= minValue && value <= maxValue; }

bool TPropInfo::IsWritable() const noexcept {
  return std::visit([](const auto& access) { return static_cast<bool>(access.set); }, m_access);
}

TMethodInfo TMethodInfo::Callable(std::string name, std::vector<TParamInfo> params, VarType result, Invoker invoker) {
  TMethodInfo info;
  info.m_name = std::move(name);
  info.m_params = std::move(params);
  info.m_result = result;
  info.m_invoker = std::move(invoker);
  return info;
}

TMethodInfo TMethodInfo::Handler(std::string name, std::any handler) {
  TMethodInfo info;
  info.m_name = std::move(name);
  info.m_handler = std::move(handler);
  return info;
}

Variant TMethodInfo::Invoke(TObject& target, std::span<Variant> args) const {
  if (!m_invoker) throw EPropertyError(Format("Method \"%s\" cannot be called", {m_name}));
  return m_invoker(target, args);
}

const std::any& HandlerOf(const TMethodInfo& method) { return method.Handler(); }

void ThrowIncompatibleHandler(const TMethodInfo& method) {
  throw EPropertyError(Format("Event handler \"%s\" does not match the event", {method.Name()}));
}

void ThrowIncompatibleClass(const TObject& value, const TClassInfo& expected) {
  throw EPropertyError(Format("Incompatible types: '%s' and '%s'", {value.ClassName(), expected.Name()}));
}

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, const TClassInfo*, CaseInsensitiveHash, CaseInsensitiveEqual> classes;
};

Registry& ClassTable() {
  static Registry registry;
  return registry;
}

}  // namespace

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Factory factory,
                       std::vector<TPropInfo> properties, std::vector<TMethodInfo> methods)
    : m_name(std::move(name)),
      m_parent(parent),
      m_factory(std::move(factory)),
      m_properties(std::move(properties)),
      m_methods(std::move(methods)) {
  if (m_parent) {
    m_allProperties = m_parent->m_allProperties;
    m_propertyIndex = m_parent->m_propertyIndex;
    m_methodIndex = m_parent->m_methodIndex;
  }
  for (const TPropInfo& prop : m_properties) {
    auto [it, inserted] = m_propertyIndex.try_emplace(prop.Name(), &prop);
    if (inserted) {
      m_allProperties.push_back(&prop);
    } else {
      std::replace(m_allProperties.begin(), m_allProperties.end(), it->second, &prop);
      it->second = &prop;
    }
  }
  for (TMethodInfo& method : m_methods) {
    method.m_owner = this;
    m_methodIndex.insert_or_assign(method.Name(), &method);
  }
  TClassRegistry::Register(*this);
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const noexcept {
  for (const TClassInfo* cls = this; cls; cls = cls->m_parent)
    if (cls == &other) return true;
  return false;
}

std::unique_ptr<TObject> TClassInfo::CreateInstance(TComponent* owner) const {
  if (!m_factory) throw EComponentError(Format("Cannot create an instance of abstract class %s", {m_name}));
  return m_factory(owner);
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  auto it = m_propertyIndex.find(name);
  return it == m_propertyIndex.end() ? nullptr : it->second;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
  auto it = m_methodIndex.find(name);
  return it == m_methodIndex.end() ? nullptr : it->second;
}

void TClassRegistry::Register(const TClassInfo& cls) {
  Registry& registry = ClassTable();
  std::lock_guard lock(registry.mutex);
  registry.classes.insert_or_assign(cls.Name(), &cls);
}

const TClassInfo* TClassRegistry::Find(std::string_view name) {
  Registry& registry = ClassTable();
  std::lock_guard lock(registry.mutex);
  auto it = registry.classes.find(name);
  return it == registry.classes.end() ? nullptr : it->second;
}

}  // namespace halbrin::platform
