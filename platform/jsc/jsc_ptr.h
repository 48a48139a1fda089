#pragma once

// Reference holders for JavaScriptCore's GObjects. A JSCValue keeps its JS
// value alive (protected from the collector) and holds its context; keep
// them only as long as they are needed.

#include <jsc/jsc.h>

#include "platform/base/glib_ptr.h"

namespace halbrin::platform {

using JscVirtualMachinePtr = GObjectPtr<JSCVirtualMachine>;
using JscContextPtr = GObjectPtr<JSCContext>;
using JscValuePtr = GObjectPtr<JSCValue>;
using JscExceptionPtr = GObjectPtr<JSCException>;
using JscWeakValuePtr = GObjectPtr<JSCWeakValue>;

}  // namespace halbrin::platform
