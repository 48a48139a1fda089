#pragma once

// Script event bindings: a component's "on" + event names bound to script
// procedures, run at once or through the process-wide asynchronous queue.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/framework/application_components.h"
#include "core/framework/component_interfaces.h"
#include "platform/classes/collection.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin {

// What an asynchronous binding answers at once (MK_S_ASYNCHRONOUS).
inline constexpr int kAsyncScriptEventResult = 262632;
// The option word a binding starts with: the script file must exist.
inline constexpr int kDefaultScriptEventType = 1;
// Added to the option word while the "transient script" default is on.
inline constexpr int kTransientScriptOption = 0x100;

class TScriptEvents;

// A script or procedure text: "null" (any letter case) empties it; `set`
// tells whether a real value was given.
struct TScriptText {
  std::string text;
  bool set = false;

  void Assign(const std::string& value);
  // The text, or the hook's when none was ever set.
  std::string Resolve(const std::function<std::string()>& hook) const;
};

// One binding, named after the event property it is bound to ("onclick").
// Publishes active, async, exec ("fire", "clear"), parameters (read only),
// scriptType, script, splitParameters and xml (the procedure's name).
class TScriptEvent : public platform::TComponent, public IComponentType, public IExecutable, public IScriptEvent {
  HALBRIN_CLASS(TScriptEvent, platform::TComponent)

  // Supplies `parameters` instead of the sender's eventData.
  using ParametersHook = std::function<platform::Variant(TScriptEvent&)>;
  // Supplies the script when none was set.
  using ScriptHook = std::function<std::string()>;

  // splitParameters and async start from the command line's defaults.
  explicit TScriptEvent(platform::TComponent* owner = nullptr);
  ~TScriptEvent() override;

  std::string GetTypeName() const override { return "event"; }

  bool Active() const noexcept { return m_active; }
  void SetActive(bool active) noexcept { m_active = active; }
  bool Async() const noexcept { return m_async; }
  void SetAsync(bool async) noexcept { m_async = async; }
  bool SplitParameters() const noexcept { return m_splitParameters; }
  void SetSplitParameters(bool split) noexcept { m_splitParameters = split; }

  // IScriptEvent. "null" (any letter case) written to script or xml empties it.
  std::string GetScript() const override { return m_script.Resolve(m_onGetScript); }
  void SetScript(const std::string& script) override { m_script.Assign(script); }
  bool ScriptSet() const noexcept { return m_script.set; }
  std::string GetXml() const override { return m_xml.text; }
  void SetXml(const std::string& xml) override { m_xml.Assign(xml); }
  bool XmlSet() const noexcept { return m_xml.set; }
  // The hook's value; else the sender's eventData (the binding's list's
  // component without a sender): as it is with splitParameters, else
  // wrapped in a one-element array. Unassigned when there is no source.
  platform::Variant GetParameters() const override;
  int GetScriptType() const override { return m_scriptType; }
  void SetScriptType(int scriptType) override { m_scriptType = scriptType; }
  // Runs the procedure at once, without the checks of Execute.
  platform::Variant Run() override;

  // Nothing runs (Unassigned) when inactive, without xml or while the
  // program terminates. Otherwise the script (own, the list's, or the
  // application's default) runs the procedure with the parameters; an
  // asynchronous binding queues the call and answers kAsyncScriptEventResult.
  // `queued`, when given, tells which of the two happened.
  platform::Variant Execute(bool* queued = nullptr);

  // exec: "fire" runs Execute and gives its result; "clear" resets all but active.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;
  void Reset();

  platform::TComponent* Sender() const noexcept { return m_sender; }
  void SetSender(platform::TComponent* sender);

  void SetOnGetParameters(ParametersHook hook) { m_onGetParameters = std::move(hook); }
  void SetOnGetScript(ScriptHook hook) { m_onGetScript = std::move(hook); }

  void Assign(const platform::TPersistent& source) override;

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  // The script the call runs: own, hook, or the application's default.
  std::string EffectiveScript() const;
  int EffectiveOptions() const;

  bool m_active = true;
  bool m_async = false;
  platform::Variant m_execResult;
  platform::TComponent* m_sender = nullptr;  // with a free notification
  TScriptText m_script;
  int m_scriptType = kDefaultScriptEventType;
  TScriptText m_xml;
  bool m_splitParameters = true;
  ParametersHook m_onGetParameters;
  ScriptHook m_onGetScript;
};

// The bindings of one component: owned by the list as their owner and listed
// without owning. Publishes active and script besides the list's members.
class TScriptEvents : public TApplicationComponents {
  HALBRIN_CLASS(TScriptEvents, TApplicationComponents)

  using ScriptHook = std::function<std::string()>;
  using AttachHook = std::function<void(TScriptEvent&)>;

  explicit TScriptEvents(platform::TComponent* owner = nullptr);
  ~TScriptEvents() override;

  // Binds the owner's event property `name` ("onclick") to its handler
  // ("clickHandler") and returns the binding, or the existing one. Raises
  // EPropertyError "Property \"%s\" is not valid event name", "Event property
  // \"%s\" not found", "Property \"%s\" is not event" or "Event handler
  // \"%s\" not found"; nothing is bound then. `sender` defaults to the owner.
  TScriptEvent& AttachEvent(std::string_view name, platform::TComponent* sender = nullptr);
  // Frees the binding; false when there was none.
  bool DetachEvent(std::string_view name);
  TScriptEvent* Find(std::string_view name) const;
  // Executes the binding `name` when the list is active (Unassigned
  // otherwise), with `sender` as its sender for the run when one is given.
  platform::Variant Run(std::string_view name, platform::TComponent* sender = nullptr, bool* queued = nullptr);

  bool Active() const noexcept { return m_active; }
  void SetActive(bool active) noexcept { m_active = active; }
  // The stored text; when never set, the hook's.
  std::string GetScript() const { return m_script.Resolve(m_onGetScript); }
  void SetScript(const std::string& script) { m_script.Assign(script); }

  void SetOnGetScript(ScriptHook hook) { m_onGetScript = std::move(hook); }
  void SetOnAttach(AttachHook hook) { m_onAttach = std::move(hook); }

  // Copies script and active, not the bindings.
  void Assign(const platform::TPersistent& source) override;

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  TScriptText m_script;
  bool m_active = true;
  ScriptHook m_onGetScript;
  AttachHook m_onAttach;
};

// One queued call.
class TAsyncScriptEvent : public platform::TCollectionItem {
  HALBRIN_CLASS(TAsyncScriptEvent, platform::TCollectionItem)

  TAsyncScriptEvent() = default;

  int ScriptType() const noexcept { return m_scriptType; }
  void SetScriptType(int scriptType) noexcept { m_scriptType = scriptType; }
  const std::string& Xml() const noexcept { return m_xml; }
  void SetXml(const std::string& xml) { m_xml = xml; }
  const std::string& Script() const noexcept { return m_script; }
  void SetScript(const std::string& script) { m_script = script; }
  const platform::Variant& Parameters() const noexcept { return m_parameters; }
  void SetParameters(const platform::Variant& parameters) { m_parameters = parameters; }
  bool Done() const noexcept { return m_done; }
  void SetDone(bool done) noexcept { m_done = done; }
  // The component the call belongs to; a call whose component died is skipped.
  void SetSource(platform::TComponent* source) { m_source.Reset(source); }
  bool SourceGone() const { return m_source.Expired(); }

  void Assign(const platform::TPersistent& source) override;

 private:
  int m_scriptType = kDefaultScriptEventType;
  std::string m_xml;
  std::string m_script;
  platform::Variant m_parameters;
  bool m_done = false;
  platform::TWeakRef<platform::TComponent> m_source;
};

// The process's queue of asynchronous calls: a timer on the main loop runs
// the oldest call each tick, so calls run one per tick in the order queued,
// never inside the code that queued them. A call that fails is reported and
// dropped; the queue goes on. Idle (no timer) while empty.
class TAsyncScriptEvents : public platform::TOwnedCollection {
  HALBRIN_CLASS(TAsyncScriptEvents, platform::TOwnedCollection)

  static constexpr int kMinTimeout = 50;

  TAsyncScriptEvents();
  ~TAsyncScriptEvents() override;

  TAsyncScriptEvent& Queue(const std::string& script, const std::string& xml, int scriptType,
                           const platform::Variant& parameters, platform::TComponent* source = nullptr);

  bool Enabled() const noexcept { return m_enabled; }
  // True arms the timer on the current main loop, false removes it.
  void SetEnabled(bool enabled);
  int Timeout() const noexcept { return m_timeout; }
  // Below kMinTimeout becomes kMinTimeout; restarts an armed timer.
  void SetTimeout(int timeout);
  bool TimerActive() const;

  // Runs the oldest call (when no call is running already).
  void Tick();
  // Drops every queued call and stops the timer.
  void Drop();

 private:
  bool m_enabled = false;
  int m_timeout = kMinTimeout;
  std::unique_ptr<platform::TimerSource> m_timer;
};

// The process's queue, made on first use.
TAsyncScriptEvents& AsyncScriptEvents();
// Whether it was made.
bool AsyncScriptEventsExist() noexcept;
// Drops its queued calls and stops its timer, when it exists.
void DropAsyncScriptEvents();

}  // namespace halbrin
