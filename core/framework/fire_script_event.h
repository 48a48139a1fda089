#pragma once

// The two routines every component fires its script events through.

#include <span>
#include <string_view>

#include "core/framework/component_interfaces.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Nesting depth past which a firing is refused (a handler that keeps firing
// its own event would otherwise exhaust the stack).
inline constexpr int kMaxScriptEventDepth = 64;

// Runs the binding "on" + eventName of the source's events:
// - a source without bindings (HasEvents false): Unassigned, nothing else,
//   eventData untouched;
// - eventData is the component's Name when there are no arguments, else a
//   Variant array of them, while the binding runs, and then gets back the
//   value it had before (so a nested firing leaves the outer one's data);
// - a sender other than the component that is itself a script event source
//   gets the same eventData for the run, since a binding reads the
//   parameters from its sender;
// - the component is kept alive while the binding runs (TBusyGuard), so a
//   component freed by its own handler goes after the handler returns;
// - an error never reaches the caller: it goes to ApplicationHooks().
//   HandleException with the component as sender, and the result is Unassigned.
platform::Variant FireScriptEvent(platform::TComponent& component, IScriptEventSource& source,
                                  std::string_view eventName, std::span<const platform::Variant> args,
                                  platform::TComponent* sender = nullptr);

// As FireScriptEvent but for eventData: no arguments leave it as the caller
// set it (and it is Unassigned afterwards), one argument is put there itself,
// more make a Variant array.
platform::Variant FireScriptEventWithData(platform::TComponent& component, IScriptEventSource& source,
                                          std::string_view eventName, std::span<const platform::Variant> args,
                                          platform::TComponent* sender = nullptr);

// The answer of an event as a Boolean: a Boolean or a number (non-zero is
// True) converts; Empty, Null, an unconvertible text or any other value gives
// `fallback`. The answer of an asynchronous binding is Unassigned to callers,
// so it also gives `fallback`.
bool ScriptResultAsBoolean(const platform::Variant& result, bool fallback) noexcept;

}  // namespace halbrin
