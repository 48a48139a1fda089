#pragma once

#include <span>
#include <string_view>

#include "core/scripting/script_control.h"
#include "platform/variant/variant.h"

namespace halbrin {

// The entry points the rest of the program calls to run scripts. Each uses
// the calling thread's defaults (script_defaults.h).

// A new engine owned by the thread's defaults: the option word kept, its
// OnGetSource forwarding to the defaults' handler, the named objects added,
// then the source loaded by the mode: 0 the reference's file when it exists,
// else the argument as source text; 1 the file, which must exist
// ("Script file not found: "%s""); 2 the argument as source text; 15 none.
// An empty argument raises "Script source not defined". An engine whose
// creation fails is freed before the error leaves.
TScriptControl& CreateScriptControl(std::string_view script, int options);

// A transient engine (CreateScriptControl with 0x100) while the transient-
// scripts flag is set, for the transient bit and for modes 2 and 15; else the
// engine cached under the upper-case hex MD5 of the argument, its named
// objects added again, or a new one stored there.
TScriptControl& GetScriptControl(std::string_view script, int options);

// Runs the procedure with the arguments; a transient engine is freed
// afterwards, also when the run fails.
platform::Variant RunScriptProcedure(std::string_view script, const std::string& procedure,
                                     std::span<const platform::Variant> args, int options = 0);
// As above; a Variant array gives the positional arguments, any other value is the one argument.
platform::Variant RunScriptProcedureWithParameters(std::string_view script, const std::string& procedure,
                                                   const platform::Variant& parameters, int options = 0);
// The worker of IClient.runScript: RunScriptProcedureWithParameters with the parameters as given.
platform::Variant RunClientScript(std::string_view script, const std::string& procedure,
                                  const platform::Variant& parameters, int options = 0);

// A fresh engine with no source (option word 15) and the named objects
// evaluates the expression and is freed.
platform::Variant EvaluateScript(std::string_view expression);

// A script's array (or any other script object) becomes a Variant array of
// its element values in order, every element kept (nested arrays stay
// objects); any other value is returned unchanged.
platform::Variant ScriptArrayToVariantArray(const platform::Variant& value);

}  // namespace halbrin
