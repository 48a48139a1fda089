#include "core/app/modules.h"

#include "core/app/module_registry.h"
#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;

// -------------------------------------------------------------------- TModule

TModule::TModule(TModules* owner, std::string id, std::string name)
    : TAutoObject(IModuleTypeInfo()), m_owner(owner), m_id(std::move(id)), m_name(std::move(name)) {}

TModule::~TModule() { Close(); }

HResult TModule::Open(const std::string& machineName) {
  Close();
  m_state = msCreating;
  TModuleFactory factory = FindModuleClass(m_id);
  if (!factory) {
    m_state = msClosed;
    return kModuleClassUnknown;
  }
  try {
    if (!machineName.empty())
      throw EOleError(kRemoteModuleUnavailable, "The module \"" + m_id + "\" cannot be made on \"" + machineName +
                                                    "\": the RPC server is unavailable");
    m_control = factory();
  } catch (...) {
    m_state = msClosed;
    throw;
  }
  m_state = msCreated;
  // Our objects need no advise connection: open means made and ready.
  m_state = msOpen;
  return S_OK;
}

void TModule::Close() { m_state = m_state < msCreated ? msClosed : msWasOpen; }

int TModule::Index() const { return m_owner ? m_owner->IndexOf(*this) : -1; }

Variant TModule::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  switch (member.id) {
    case DISPID_MODULE_NAME: return Variant(m_name);
    case DISPID_MODULE_STATE: return Variant(m_state);
    case DISPID_MODULE_OPEN: return Variant(static_cast<int>(Open(args[0].AsString())));
    case DISPID_MODULE_CLOSE: Close(); return Variant();
    case DISPID_MODULE_ID: return Variant(m_id);
    case DISPID_MODULE_CONTROL: return m_control ? Variant(m_control) : Variant::Null();
    case DISPID_MODULE_INDEX: return Variant(Index());
    default: return Variant();
  }
}

// ------------------------------------------------------------------- TModules

TModules::TModules() : TAutoObject(IModulesTypeInfo()) {}

TModules::~TModules() { Clear(); }

RefPtr<TModule> TModules::Available(const std::string& name, int flags) const {
  for (const RefPtr<TModule>& module : m_modules)
    if (flags == 1 ? module->Name() == name : SameText(module->Name(), name)) return module;
  return {};
}

RefPtr<TModule> TModules::Add(const std::string& id, const std::string& name) {
  m_modules.push_back(MakeRef<TModule>(this, id, name));
  return m_modules.back();
}

int TModules::IndexOf(const TModule& module) const {
  for (std::size_t i = 0; i < m_modules.size(); ++i)
    if (SameText(m_modules[i]->Name(), module.Name())) return static_cast<int>(i);
  return -1;
}

RefPtr<TModule> TModules::Item(const Variant& index) const {
  if (index.IsString()) return Available(index.AsString(), 0);
  if (index.IsOrdinal()) {
    const std::int64_t position = index.ToInt64();
    if (position >= 0 && position < Length()) return m_modules[static_cast<std::size_t>(position)];
  }
  return {};
}

void TModules::RemoveAt(std::size_t position) {
  RefPtr<TModule> module = m_modules[position];
  m_modules.erase(m_modules.begin() + static_cast<std::ptrdiff_t>(position));
  module->Close();
  module->Detach();
}

bool TModules::Remove(const Variant& index) {
  std::int64_t position = -1;
  if (index.IsString()) {
    if (RefPtr<TModule> module = Available(index.AsString(), 0)) position = IndexOf(*module);
  } else if (index.IsOrdinal()) {
    position = index.ToInt64();
  }
  if (position < 0 || position >= Length()) return false;
  RemoveAt(static_cast<std::size_t>(position));
  return true;
}

void TModules::Clear() {
  while (!m_modules.empty()) RemoveAt(m_modules.size() - 1);
}

Variant TModules::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  auto wrap = [](const RefPtr<TModule>& module) { return module ? Variant(module) : Variant::Null(); };
  switch (member.id) {
    case DISPID_MODULES_ITEM: return wrap(Item(args[0]));
    case DISPID_MODULES_LENGTH: return Variant(Length());
    case DISPID_MODULES_CLEAR: Clear(); return Variant();
    case DISPID_MODULES_AVAILABLE: return wrap(Available(args[0].AsString(), static_cast<int>(args[1].ToInt64())));
    case DISPID_MODULES_ADD: return wrap(Add(args[0].AsString(), args[1].AsString()));
    case DISPID_MODULES_REMOVE: return Variant(Remove(args[0]));
    default: return Variant();
  }
}

}  // namespace halbrin
