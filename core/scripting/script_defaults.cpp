#include "core/scripting/script_defaults.h"

#include <atomic>
#include <string>
#include <vector>

namespace halbrin {

using namespace halbrin::platform;

namespace {

thread_local std::unique_ptr<TScriptControlDefaultImplementation> t_defaults;
std::atomic<bool> g_transientScripts{true};

}  // namespace

HALBRIN_DEFINE_CLASS(TScriptControlDefaultImplementation, )

TScriptControlDefaultImplementation::TScriptControlDefaultImplementation(TComponent* owner)
    : TComponent(owner), m_vm(std::make_unique<JscVirtualMachine>()) {}

TScriptControlDefaultImplementation::~TScriptControlDefaultImplementation() {
  // Engines first, while the objects they hold and the machine still exist.
  DestroyComponents();
  m_cache.reset();
  m_objects.reset();
}

TScriptObjects& TScriptControlDefaultImplementation::Objects() {
  if (!m_objects) m_objects = std::make_unique<TScriptObjects>(this);
  return *m_objects;
}

TScriptCache& TScriptControlDefaultImplementation::Cache() {
  if (!m_cache) m_cache = std::make_unique<TScriptCache>(this);
  return *m_cache;
}

void TScriptControlDefaultImplementation::RefreshObjects() {
  if (m_onSetObjects) m_onSetObjects(*this);
}

void TScriptControlDefaultImplementation::AddObjectsTo(TScriptControl& engine) {
  RefreshObjects();
  // Copied first: listing an object's members may run a script (a page's
  // document answers from its own process meanwhile), whose new engine
  // refreshes the list.
  struct Entry {
    std::string name;
    platform::Variant value;
    bool addMembers;
  };
  std::vector<Entry> entries;
  TScriptObjects& objects = Objects();
  for (int i = 0; i < objects.Count(); ++i) {
    const TScriptObject& object = objects.Items(i);
    entries.push_back({object.Name(), object.Value(), object.AddMembers()});
  }
  for (const Entry& entry : entries) engine.AddObject(entry.name, entry.value, entry.addMembers);
}

void TScriptControlDefaultImplementation::DoGetSource(TObject* sender, TScriptIndent kind, std::string& name,
                                                      TScriptSource& source) {
  auto* engine = dynamic_cast<TScriptControl*>(sender);
  if (engine && m_onGetSource) m_onGetSource(*engine, kind, name, source);
}

TScriptControlDefaultImplementation& GetScriptControlDefaultImplementation() {
  if (!t_defaults) t_defaults = std::make_unique<TScriptControlDefaultImplementation>();
  return *t_defaults;
}

void FreeScriptControlDefaultImplementation() {
  // Moved out first, so that code running while it dies sees no half-freed defaults.
  std::unique_ptr<TScriptControlDefaultImplementation> defaults = std::move(t_defaults);
}

bool HasScriptControlDefaultImplementation() noexcept { return t_defaults != nullptr; }

bool TransientScripts() noexcept { return g_transientScripts.load(); }

void SetTransientScripts(bool transient) noexcept { g_transientScripts.store(transient); }

}  // namespace halbrin
