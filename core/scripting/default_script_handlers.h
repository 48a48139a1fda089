#pragma once

#include <string>

#include "core/scripting/script_control.h"

namespace halbrin {

class TScriptControlDefaultImplementation;

// The source handler the application object installs on the thread's
// defaults: the directive's name is a script reference (ResolveScriptReference);
// the module is named after the file's base name, and one file (its resolved
// path, letter case kept) is not loaded twice into one engine. Uncached
// (transient-scripts flag, transient engine, or an import): a missing include
// raises "Include script file not found: "%s"", a missing import "Import
// script file not found: "%s"", a missing require is skipped. Cached
// otherwise, under the resolved path, a missing require recorded as such.
void defaultScriptGetSource(TScriptControl& sender, TScriptIndent kind, std::string& name, TScriptSource& source);

// The named-objects handler the application object installs: clears the
// objects, then adds "client" and each scriptable browser's document by the
// browser's name (members added), as far as the defaults'
// TScriptNamedObjectSources can tell them.
void defaultScriptSetObjects(TScriptControlDefaultImplementation& sender);

}  // namespace halbrin
