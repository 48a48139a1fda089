#include "core/scripting/script_host.h"

#include <memory>
#include <vector>

#include "core/foundation/digests.h"
#include "core/foundation/identifiers.h"
#include "core/scripting/script_defaults.h"
#include "core/scripting/script_references.h"
#include "platform/base/format.h"
#include "platform/jsc/jsc_object_dispatch.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// Frees a transient engine when the run that used it ends, however it ends.
class TransientRelease {
 public:
  explicit TransientRelease(TScriptControl& engine) : m_engine(engine.IsTransient() ? &engine : nullptr) {}
  TransientRelease(const TransientRelease&) = delete;
  TransientRelease& operator=(const TransientRelease&) = delete;
  ~TransientRelease() {
    if (m_engine && m_engine->Owner()) TComponent::Free(*m_engine);
  }

 private:
  TScriptControl* m_engine;
};

std::string CacheKey(std::string_view script) { return BytesToHex(DigestString(script, CALG_MD5)); }

void LoadScriptSource(TScriptControl& engine, std::string_view script) {
  switch (engine.SourceMode()) {
    case kScriptSourceFileOrText: {
      // A misspelt file name runs as code: callers rely on the fallback.
      const std::string file = ResolveScriptReference(script);
      if (!CheckScriptFile(file))
        engine.LoadFromFile(file);
      else
        engine.SetCodeText(script);
      break;
    }
    case kScriptSourceFile: {
      const std::string file = ResolveScriptReference(script);
      CheckScriptFile(file, "Script file not found: \"%s\"");
      engine.LoadFromFile(file);
      break;
    }
    case kScriptSourceText: engine.SetCodeText(script); break;
    default: break;
  }
}

}  // namespace

TScriptControl& CreateScriptControl(std::string_view script, int options) {
  if (script.empty()) throw Exception("Script source not defined");
  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  TScriptControl& engine = MakeComponent<TScriptControl>(defaults, defaults.VirtualMachine(), options);
  try {
    engine.OnGetSource().Bind(defaults, &TScriptControlDefaultImplementation::DoGetSource);
    defaults.AddObjectsTo(engine);
    LoadScriptSource(engine, script);
  } catch (...) {
    TComponent::Free(engine);
    throw;
  }
  return engine;
}

TScriptControl& GetScriptControl(std::string_view script, int options) {
  const int mode = options & kScriptSourceModeMask;
  if (TransientScripts() || (options & kScriptTransient) || mode == kScriptSourceText || mode == kScriptSourceNone)
    return CreateScriptControl(script, options | kScriptTransient);
  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  const std::string key = CacheKey(script);
  if (TScriptCacheItem* item = defaults.Cache().Find(key); item && item->Engine()) {
    defaults.AddObjectsTo(*item->Engine());
    return *item->Engine();
  }
  TScriptControl& engine = CreateScriptControl(script, options);
  // From now on the cache item owns the engine.
  std::unique_ptr<TScriptControl> cached(static_cast<TScriptControl*>(defaults.RemoveComponent(engine).release()));
  TScriptCacheItem& item = defaults.Cache().Add(key);
  item.Code().Assign(engine.Code());
  item.SetEngine(std::move(cached));
  return engine;
}

Variant RunScriptProcedure(std::string_view script, const std::string& procedure, std::span<const Variant> args,
                           int options) {
  TScriptControl& engine = GetScriptControl(script, options);
  TransientRelease release(engine);
  return engine.Run(procedure, args);
}

Variant RunScriptProcedureWithParameters(std::string_view script, const std::string& procedure,
                                         const Variant& parameters, int options) {
  if (parameters.IsArray()) return RunScriptProcedure(script, procedure, parameters.AsArray().Items(), options);
  return RunScriptProcedure(script, procedure, std::span<const Variant>(&parameters, 1), options);
}

Variant RunClientScript(std::string_view script, const std::string& procedure, const Variant& parameters,
                        int options) {
  return RunScriptProcedureWithParameters(script, procedure, parameters, options);
}

Variant EvaluateScript(std::string_view expression) {
  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  TScriptControl engine(nullptr, defaults.VirtualMachine(), kScriptSourceNone | kScriptTransient);
  defaults.AddObjectsTo(engine);
  return engine.Eval(expression);
}

Variant ScriptArrayToVariantArray(const Variant& value) {
  if (!value.IsDispatch()) return value;
  auto* object = dynamic_cast<TJsObjectDispatch*>(value.AsDispatch());
  if (!object || object->IsFunction()) return value;
  return Variant(VariantArray(object->ElementValues()));
}

}  // namespace halbrin
