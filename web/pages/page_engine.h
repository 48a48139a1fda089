#pragma once

#include <jsc/jsc.h>

#include <memory>

#include "platform/jsc/jsc_engine.h"
#include "platform/jsc/jsc_virtual_machine.h"

namespace halbrin::pages {

// The bridge's engines make their own contexts; in a page process the contexts
// are WebKit's (one per frame and script world, on WebKit's one virtual
// machine). These two make the bridge's objects stand for those instead, so
// host objects, conversions and JS object dispatch work on the page's own
// globals. The link of the extension routes the bridge's two constructors
// through here (see CMakeLists.txt); anywhere else they behave as before.

// WebKit's virtual machine of this thread as the bridge's machine.
std::unique_ptr<platform::JscVirtualMachine> AdoptVirtualMachine(JSCVirtualMachine* machine);

// An engine over `context`, which must belong to `machine`'s virtual machine.
// The engine's prelude runs in the page's global scope (ScriptEngine,
// Enumerator, as pages written for the original engine expect). Raises what
// the engine's constructor raises.
std::unique_ptr<platform::JscEngine> AdoptContext(platform::JscVirtualMachine& machine, JSCContext* context);

}  // namespace halbrin::pages
