#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/scripting/script_cache.h"
#include "core/scripting/script_control.h"
#include "core/scripting/script_objects.h"
#include "platform/classes/component.h"
#include "platform/jsc/jsc_virtual_machine.h"

namespace halbrin {

class TScriptControlDefaultImplementation;

// The source handler every engine of a thread asks (see TGetSourceEvent).
using TScriptGetSourceHandler =
    std::function<void(TScriptControl& sender, TScriptIndent kind, std::string& name, TScriptSource& source)>;
// Fills the named objects of the thread's defaults.
using TScriptSetObjectsHandler = std::function<void(TScriptControlDefaultImplementation& sender)>;

// Where the named-objects handler finds what it adds: the client, and the
// documents of the scriptable browsers by browser name. The client and the
// browsers set these when they exist; unset, they add nothing.
struct TScriptNamedObjectSources {
  std::function<platform::RefPtr<platform::IDispatchObject>()> client;
  std::function<std::vector<std::pair<std::string, platform::RefPtr<platform::IDispatchObject>>>()> browserDocuments;
};

// A thread's script defaults: the thread's JavaScriptCore virtual machine
// (shared by its engines), the named objects, the cache, and the two
// handlers the application object installs. Transient engines are its
// components until they are freed; cached engines belong to their cache item.
class TScriptControlDefaultImplementation : public platform::TComponent {
  HALBRIN_CLASS(TScriptControlDefaultImplementation, platform::TComponent)

  explicit TScriptControlDefaultImplementation(platform::TComponent* owner = nullptr);
  ~TScriptControlDefaultImplementation() override;

  platform::JscVirtualMachine& VirtualMachine() noexcept { return *m_vm; }
  // Created on first use.
  TScriptObjects& Objects();
  TScriptCache& Cache();
  bool HasCache() const noexcept { return m_cache != nullptr; }

  const TScriptGetSourceHandler& OnGetSource() const noexcept { return m_onGetSource; }
  void SetOnGetSource(TScriptGetSourceHandler handler) { m_onGetSource = std::move(handler); }
  const TScriptSetObjectsHandler& OnSetObjects() const noexcept { return m_onSetObjects; }
  void SetOnSetObjects(TScriptSetObjectsHandler handler) { m_onSetObjects = std::move(handler); }
  TScriptNamedObjectSources& NamedObjectSources() noexcept { return m_sources; }

  // Asks the named-objects handler to fill the objects (when one is installed).
  void RefreshObjects();
  // Refreshes the objects and adds each to the engine.
  void AddObjectsTo(TScriptControl& engine);
  // What every engine's OnGetSource forwards to.
  void DoGetSource(platform::TObject* sender, TScriptIndent kind, std::string& name, TScriptSource& source);

 private:
  // First in, last out: the engines die before the machine they run on.
  std::unique_ptr<platform::JscVirtualMachine> m_vm;
  std::unique_ptr<TScriptObjects> m_objects;
  std::unique_ptr<TScriptCache> m_cache;
  TScriptGetSourceHandler m_onGetSource;
  TScriptSetObjectsHandler m_onSetObjects;
  TScriptNamedObjectSources m_sources;
};

// The calling thread's defaults, made on first use.
TScriptControlDefaultImplementation& GetScriptControlDefaultImplementation();
// Frees the calling thread's defaults (with its engines and cache); the next
// use makes new ones.
void FreeScriptControlDefaultImplementation();
// Whether the calling thread has its defaults now.
bool HasScriptControlDefaultImplementation() noexcept;

// Process-wide: while true (the initial value) no engine and no included
// source is cached.
bool TransientScripts() noexcept;
void SetTransientScripts(bool transient) noexcept;

}  // namespace halbrin
