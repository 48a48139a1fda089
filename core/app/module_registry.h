#pragma once

// Where module objects come from: classes by ProgID or class id, either built
// into the program (RegisterModuleClass) or in plug-in shared objects that key
// files describe. A key file "<name>.module" lies in the application folder's
// modules/ or in "<dir>/Zebrin/HalbrinLite/modules/" of each $XDG_DATA_DIRS
// entry:
//
//   [Module]
//   ProgID=Sample.Echo
//   ClassID={0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}
//   Library=libsample_module.so        (relative to the key file's folder)
//
// The library exports, with C linkage and built by the same compiler:
//   const int halbrin_module_abi;      equal to kModuleAbiVersion
//   halbrin::platform::IDispatchObject* halbrin_module_create(const char* classId);
// which returns a new object that nobody holds yet (its count is taken over),
// or null. Libraries stay loaded for the life of the process.

#include <functional>
#include <string>
#include <string_view>

#include "platform/automation/dispatch_object.h"
#include "platform/base/exception.h"

namespace halbrin {

inline constexpr int kModuleAbiVersion = 1;

HALBRIN_EXCEPTION(EModuleError, platform::Exception);

using TModuleFactory = std::function<platform::RefPtr<platform::IDispatchObject>()>;

// Adds (or replaces) a built-in class under its ProgID and class id text.
void RegisterModuleClass(const std::string& progId, const std::string& classId, TModuleFactory factory);
void UnregisterModuleClass(const std::string& progId);
// Forgets the key files read so far; the next lookup reads them again.
void ResetModuleKeyFiles();

// The factory of a ProgID or class id (letter case ignored); an empty one
// when no class has that name. Key files are read on first use.
TModuleFactory FindModuleClass(std::string_view id);

}  // namespace halbrin
