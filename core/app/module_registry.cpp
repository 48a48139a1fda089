#include "core/app/module_registry.h"

#include <dlfcn.h>
#include <glib.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "core/app/project_info.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

struct ModuleClass {
  std::string progId;
  std::string classId;
  TModuleFactory factory;
};

struct Registry {
  std::vector<ModuleClass> builtIn;
  std::vector<ModuleClass> plugIns;
  bool keyFilesRead = false;
};

Registry& Modules() {
  static Registry registry;
  return registry;
}

using CreateFunction = IDispatchObject* (*)(const char*);

// The factory of one plug-in library, loaded when first asked for an object.
TModuleFactory PlugInFactory(const std::string& library, const std::string& classId) {
  return [library, classId]() -> RefPtr<IDispatchObject> {
    // Kept loaded: objects it made may outlive any one lookup.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throw EModuleError("Cannot load module library \"" + library + "\": " + dlerror());
    const auto* abi = static_cast<const int*>(dlsym(handle, "halbrin_module_abi"));
    if (!abi || *abi != kModuleAbiVersion)
      throw EModuleError("Module library \"" + library + "\" was built for another version of the program");
    auto create = reinterpret_cast<CreateFunction>(dlsym(handle, "halbrin_module_create"));
    if (!create) throw EModuleError("Module library \"" + library + "\" has no halbrin_module_create");
    RefPtr<IDispatchObject> object(create(classId.c_str()));
    if (!object) throw EModuleError("Module library \"" + library + "\" made no object for " + classId);
    return object;
  };
}

void ReadKeyFiles(const std::filesystem::path& folder, std::vector<ModuleClass>& into) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() != ".module") continue;
    GKeyFilePtr keys(g_key_file_new());
    if (!g_key_file_load_from_file(keys.get(), entry.path().c_str(), G_KEY_FILE_NONE, nullptr)) continue;
    auto read = [&](const char* key) {
      GCharPtr value(g_key_file_get_string(keys.get(), "Module", key, nullptr));
      return value ? std::string(value.get()) : std::string();
    };
    const std::string library = read("Library");
    if (library.empty()) continue;
    // Only a library beside its key file (or below it) is ever loaded; the
    // trailing "/" keeps ".../modules2" from passing for ".../modules".
    const std::filesystem::path path = (folder / library).lexically_normal();
    std::string root = folder.lexically_normal().string();
    if (root.empty() || root.back() != '/') root += '/';
    if (!path.has_filename() || path.string().rfind(root, 0) != 0) continue;
    ModuleClass cls{read("ProgID"), read("ClassID"), {}};
    cls.factory = PlugInFactory(path.string(), cls.classId);
    into.push_back(std::move(cls));
  }
}

void ReadAllKeyFiles(Registry& registry) {
  registry.keyFilesRead = true;
  registry.plugIns.clear();
  ReadKeyFiles(std::filesystem::path(ApplicationFolder()) / "modules", registry.plugIns);
  // Read here rather than through GLib, which keeps the first value it saw.
  const char* dirs = g_getenv("XDG_DATA_DIRS");
  GStrvPtr list(g_strsplit(dirs && *dirs ? dirs : "/usr/local/share:/usr/share", ":", -1));
  for (char** dir = list.get(); dir && *dir; ++dir)
    if (**dir) ReadKeyFiles(std::filesystem::path(*dir) / "Zebrin/HalbrinLite/modules", registry.plugIns);
}

const ModuleClass* Find(const std::vector<ModuleClass>& classes, std::string_view id) {
  for (const ModuleClass& cls : classes)
    if ((!cls.progId.empty() && SameText(cls.progId, id)) || (!cls.classId.empty() && SameText(cls.classId, id)))
      return &cls;
  return nullptr;
}

}  // namespace

void RegisterModuleClass(const std::string& progId, const std::string& classId, TModuleFactory factory) {
  UnregisterModuleClass(progId);
  Modules().builtIn.push_back({progId, classId, std::move(factory)});
}

void UnregisterModuleClass(const std::string& progId) {
  auto& classes = Modules().builtIn;
  std::erase_if(classes, [&](const ModuleClass& cls) { return SameText(cls.progId, progId); });
}

void ResetModuleKeyFiles() {
  Modules().keyFilesRead = false;
  Modules().plugIns.clear();
}

TModuleFactory FindModuleClass(std::string_view id) {
  Registry& registry = Modules();
  if (const ModuleClass* cls = Find(registry.builtIn, id)) return cls->factory;
  if (!registry.keyFilesRead) ReadAllKeyFiles(registry);
  if (const ModuleClass* cls = Find(registry.plugIns, id)) return cls->factory;
  return {};
}

}  // namespace halbrin
