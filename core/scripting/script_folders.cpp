#include "core/scripting/script_folders.h"

#include <mutex>
#include <utility>

#include "core/foundation/paths.h"

namespace halbrin {

namespace {

std::string ProgramFolder() { return ParentFolder(GetApplicationFileName()); }

std::string Folder(std::string folder) {
  if (folder.empty()) return ProgramFolder();
  return IncludePathDelimiter(folder);
}

struct Store {
  std::mutex lock;
  bool set = false;
  ScriptFolders folders;
};

Store& TheStore() {
  static Store store;
  return store;
}

}  // namespace

ScriptFolders GetScriptFolders() {
  Store& store = TheStore();
  std::lock_guard guard(store.lock);
  if (!store.set) {
    store.folders = {ProgramFolder(), ProgramFolder()};
    store.set = true;
  }
  return store.folders;
}

void SetScriptFolders(ScriptFolders folders) {
  ScriptFolders normal{Folder(std::move(folders.projectFolder)), Folder(std::move(folders.applicationFolder))};
  Store& store = TheStore();
  std::lock_guard guard(store.lock);
  store.folders = std::move(normal);
  store.set = true;
}

}  // namespace halbrin
