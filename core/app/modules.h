#pragma once

// A project's modules: objects made by ProgID or class id (module_registry.h)
// that scripts reach through `IProject.modules`.

#include <string>
#include <vector>

#include "platform/automation/auto_object.h"

namespace halbrin {

class TModules;

enum TModuleState : int {
  msClosed = 0,    // never opened, or failed
  msCreating = 1,
  msCreated = 2,
  msOpen = 3,
  msWasOpen = 4,   // closed after having been open
};

// The error a module meets when it names another computer: remote creation
// does not exist here (RPC_S_SERVER_UNAVAILABLE as an HRESULT).
inline constexpr platform::HResult kRemoteModuleUnavailable = static_cast<platform::HResult>(0x800706BA);
// open's result for an id that names no class (CO_E_CLASSSTRING).
inline constexpr platform::HResult kModuleClassUnknown = static_cast<platform::HResult>(0x800401F3);

class TModule final : public platform::TAutoObject {
 public:
  TModule(TModules* owner, std::string id, std::string name);
  ~TModule() override;

  const std::string& Name() const noexcept { return m_name; }
  const std::string& Id() const noexcept { return m_id; }
  int State() const noexcept { return m_state; }
  const platform::RefPtr<platform::IDispatchObject>& Control() const noexcept { return m_control; }
  // 0 when made; kModuleClassUnknown for an id that names no class. A
  // machine name, or a factory that fails, raises and leaves state 0.
  platform::HResult Open(const std::string& machineName);
  void Close();
  // Its position in the owner by name, -1 without owner.
  int Index() const;
  void Detach() noexcept { m_owner = nullptr; }

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  TModules* m_owner;
  std::string m_id;
  std::string m_name;
  int m_state = msClosed;
  platform::RefPtr<platform::IDispatchObject> m_control;
};

class TModules final : public platform::TAutoObject {
 public:
  TModules();
  ~TModules() override;

  int Length() const noexcept { return static_cast<int>(m_modules.size()); }
  // flags 1: exact name; otherwise letter case ignored. Null when absent.
  platform::RefPtr<TModule> Available(const std::string& name, int flags) const;
  platform::RefPtr<TModule> Add(const std::string& id, const std::string& name);
  // A position or a name (letter case ignored); false when neither fits.
  bool Remove(const platform::Variant& index);
  void Clear();
  int IndexOf(const TModule& module) const;
  platform::RefPtr<TModule> Item(const platform::Variant& index) const;

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  void RemoveAt(std::size_t position);
  std::vector<platform::RefPtr<TModule>> m_modules;
};

}  // namespace halbrin
