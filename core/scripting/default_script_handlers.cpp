#include "core/scripting/default_script_handlers.h"

#include <memory>

#include "core/foundation/paths.h"
#include "core/scripting/script_defaults.h"
#include "core/scripting/script_references.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::string_view kIncludeNotFound = "Include script file not found: \"%s\"";
constexpr std::string_view kImportNotFound = "Import script file not found: \"%s\"";

}  // namespace

void defaultScriptGetSource(TScriptControl& sender, TScriptIndent kind, std::string& name, TScriptSource& source) {
  // A module is its file: "lib" and "Lib" are two files here, and so are
  // "lib" in the project and "<lib>" in the application folder.
  const std::string file = ResolveScriptReference(name);
  const std::string key = ExtractFileBaseName(file);
  if (sender.IsModuleFileLoaded(file)) return;

  if (TransientScripts() || kind == siImport || sender.IsTransient()) {
    if (kind == siInclude) CheckScriptFile(file, kIncludeNotFound);
    if (kind == siImport) CheckScriptFile(file, kImportNotFound);
    if (CheckScriptFile(file)) return;  // a missing require
    auto code = std::make_unique<TScriptCode>();
    code->LoadFromFile(file);
    source.temporary = std::move(code);
    name = key;
    return;
  }

  TScriptCache& cache = GetScriptControlDefaultImplementation().Cache();
  TScriptCacheItem* item = cache.Find(file);
  if (!item) {
    TScriptIndent recorded = kind;
    if (kind == siInclude) CheckScriptFile(file, kIncludeNotFound);
    if (kind == siRequire && CheckScriptFile(file)) recorded = siNone;
    auto code = std::make_unique<TScriptCode>();
    if (recorded != siNone) code->LoadFromFile(file);
    item = &cache.Add(file);
    item->SetIndent(recorded);
    if (recorded != siNone) item->Code().Assign(*code);
  }
  if (item->Indent() != siNone) {
    source.kept = &item->Code();
    name = key;
  }
}

void defaultScriptSetObjects(TScriptControlDefaultImplementation& sender) {
  TScriptObjects& objects = sender.Objects();
  objects.Clear();
  const TScriptNamedObjectSources& sources = sender.NamedObjectSources();
  if (sources.client) {
    if (RefPtr<IDispatchObject> client = sources.client()) objects.Add("client", Variant(client), true);
  }
  if (sources.browserDocuments) {
    for (auto& [browser, document] : sources.browserDocuments())
      if (document) objects.Add(browser, Variant(document), true);
  }
}

}  // namespace halbrin
