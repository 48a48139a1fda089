#include "core/framework/fire_script_event.h"

#include <cmath>
#include <optional>
#include <string>

#include "core/framework/application_hooks.h"
#include "core/framework/script_events.h"
#include "platform/base/exception.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

enum class DataMode { Plain, WithData };

// Puts eventData on a source for one run and gives the previous value back
// afterwards, also when the run fails. A source that died meanwhile is left alone.
class TEventDataScope {
 public:
  TEventDataScope(TComponent* owner, IScriptEventSource& source, std::optional<Variant> value)
      : m_owner(owner), m_source(&source) {
    if (value) {
      m_previous = source.GetEventData();
      source.SetEventData(*value);
    }
    // Without a new value the caller set eventData for this event only.
  }
  ~TEventDataScope() {
    if (m_owner.Get()) m_source->SetEventData(m_previous);
  }
  TEventDataScope(const TEventDataScope&) = delete;
  TEventDataScope& operator=(const TEventDataScope&) = delete;

 private:
  TWeakRef<TComponent> m_owner;
  IScriptEventSource* m_source;
  Variant m_previous;
};

class TDepthGuard {
 public:
  TDepthGuard() {
    if (Depth() >= kMaxScriptEventDepth)
      throw EComponentError("Script events nested too deeply (more than 64 levels)");
    ++Depth();
  }
  ~TDepthGuard() { --Depth(); }
  TDepthGuard(const TDepthGuard&) = delete;
  TDepthGuard& operator=(const TDepthGuard&) = delete;

 private:
  static int& Depth() {
    thread_local int depth = 0;
    return depth;
  }
};

Variant EventDataOf(TComponent& component, std::span<const Variant> args, DataMode mode, bool& hasValue) {
  hasValue = true;
  if (args.empty()) {
    if (mode == DataMode::WithData) {
      hasValue = false;
      return Variant();
    }
    return Variant(component.Name());
  }
  if (mode == DataMode::WithData && args.size() == 1) return args[0];
  return Variant(VariantArray(std::vector<Variant>(args.begin(), args.end())));
}

Variant Fire(TComponent& component, IScriptEventSource& source, std::string_view eventName,
             std::span<const Variant> args, TComponent* sender, DataMode mode) {
  if (!source.HasEvents()) return Variant();
  // Declared first, released last: a component freed by its own handler goes
  // only after everything below is done with it.
  TComponent::TBusyGuard busy(component);
  std::optional<TComponent::TBusyGuard> senderBusy;
  if (sender && sender != &component) senderBusy.emplace(*sender);
  try {
    TDepthGuard depth;
    bool hasValue = false;
    Variant data = EventDataOf(component, args, mode, hasValue);
    std::optional<Variant> value = hasValue ? std::optional<Variant>(data) : std::nullopt;
    TEventDataScope own(&component, source, value);
    // The binding reads its parameters from its sender: a different sender
    // must see the same arguments.
    std::optional<TEventDataScope> other;
    auto* senderSource = sender && sender != &component ? dynamic_cast<IScriptEventSource*>(sender) : nullptr;
    if (senderSource) other.emplace(sender, *senderSource, hasValue ? value : std::optional<Variant>(source.GetEventData()));
    TScriptEvents* events = source.GetEvents();
    if (!events) return Variant();
    bool queued = false;
    Variant result = events->Run("on" + std::string(eventName), sender, &queued);
    // A queued call has no answer yet.
    if (queued) return Variant();
    return result;
  } catch (const std::exception& error) {
    ApplicationHooks().HandleException(&component, error);
  } catch (...) {
    ApplicationHooks().HandleException(&component, Exception("Unknown error while firing a script event"));
  }
  return Variant();
}

}  // namespace

Variant FireScriptEvent(TComponent& component, IScriptEventSource& source, std::string_view eventName,
                        std::span<const Variant> args, TComponent* sender) {
  return Fire(component, source, eventName, args, sender, DataMode::Plain);
}

Variant FireScriptEventWithData(TComponent& component, IScriptEventSource& source, std::string_view eventName,
                                std::span<const Variant> args, TComponent* sender) {
  return Fire(component, source, eventName, args, sender, DataMode::WithData);
}

bool ScriptResultAsBoolean(const Variant& result, bool fallback) noexcept {
  try {
    if (result.IsBool()) return result.AsBool();
    if (result.IsNumeric()) {
      const double number = result.ToDouble();
      return std::isnan(number) ? fallback : number != 0;
    }
    if (result.IsString()) return result.ToBool();
  } catch (...) {
    // A text that is no Boolean.
  }
  return fallback;
}

}  // namespace halbrin
