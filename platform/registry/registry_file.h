#pragma once

#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/registry_store.h"

namespace halbrin::platform {

// The INI file behind one root key and the way it is read and replaced.
class RegistryFile {
 public:
  // $XDG_CONFIG_HOME/Zebrin/registry/<root name>.ini, the environment read now.
  static std::string PathFor(RootKey root);

  explicit RegistryFile(std::string path) : m_path(std::move(path)) {}
  const std::string& Path() const noexcept { return m_path; }

  // A missing file is an empty store. Throws ERegistryError when the file is
  // damaged or cannot be read.
  RegistryStore Load() const;

  // Under an exclusive lock on "<file>.lock": reads the file again, replays
  // `changes` onto it and replaces it through a renamed temporary file.
  // A damaged file is left as it is and the error thrown. Returns what was written.
  RegistryStore Commit(const std::vector<RegistryChange>& changes) const;

 private:
  std::string m_path;
};

}  // namespace halbrin::platform
