#include "core/framework/application_hooks.h"

#include "core/app/command_line.h"
#include "platform/automation/call_channel.h"
#include "core/scripting/script_host.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

class THeadlessHooks final : public IApplicationHooks {};

THeadlessHooks& HeadlessHooks() {
  static THeadlessHooks hooks;
  return hooks;
}

IApplicationHooks*& CurrentHooks() {
  static IApplicationHooks* current = nullptr;
  return current;
}

}  // namespace

TScriptEventDefaults ReadScriptEventDefaults() {
  TScriptEventDefaults defaults;
  defaults.splitParameters = !SwitchIs("events", "noSplitParameters");
  defaults.transientScript = !SwitchIs("events", "noTransientScript");
  defaults.async = SwitchIs("events", "async");
  return defaults;
}

void IApplicationHooks::RegisterComponent(TComponent&) {}

void IApplicationHooks::HandleException(TObject*, const std::exception&) {}

void IApplicationHooks::Log(std::string_view, std::string_view) noexcept {}

std::string IApplicationHooks::DefaultScript() const { return "actions.js"; }

TApplicationComponents* IApplicationHooks::DataProviderList() { return nullptr; }

void IApplicationHooks::RequestActivation() {}

std::string IApplicationHooks::ApplicationTitle() const { return {}; }

bool IApplicationHooks::Terminating() const { return false; }

namespace {
thread_local int syncWaits = 0;
}  // namespace

SyncWaitScope::SyncWaitScope() noexcept { ++syncWaits; }
SyncWaitScope::~SyncWaitScope() { --syncWaits; }
int SyncWaitScope::WaitsOnThisThread() noexcept { return syncWaits; }

bool IApplicationHooks::HoldQueuedEvents() const {
  return CallChannel::WaitingCallsOnThisThread() + SyncWaitScope::WaitsOnThisThread() > 0;
}

TScriptEventDefaults IApplicationHooks::ScriptEventDefaults() const { return {}; }

Variant IApplicationHooks::RunScriptProcedure(std::string_view script, const std::string& procedure,
                                              const Variant& parameters, int options) {
  return RunScriptProcedureWithParameters(script, procedure, parameters, options);
}

Variant IApplicationHooks::EvaluateExpression(std::string_view expression) { return EvaluateScript(expression); }

TComponent* IApplicationHooks::ApplicationComponent() { return nullptr; }

TCustomApplicationComponents* IApplicationHooks::RegisteredComponents() { return nullptr; }

TComponent* IApplicationHooks::MainForm() { return nullptr; }

TCustomApplicationComponents* IApplicationHooks::FormList() { return nullptr; }

TComponent* IApplicationHooks::CreateForm(const std::string&, const std::string&) { return nullptr; }

Variant IApplicationHooks::ProjectAttribute(std::string_view) { return Variant::Null(); }

IApplicationHooks& ApplicationHooks() {
  IApplicationHooks* current = CurrentHooks();
  return current ? *current : HeadlessHooks();
}

IApplicationHooks* SetApplicationHooks(IApplicationHooks* hooks) {
  IApplicationHooks* previous = CurrentHooks();
  CurrentHooks() = hooks;
  return previous;
}

ScopedApplicationHooks::ScopedApplicationHooks(IApplicationHooks& hooks) : m_previous(SetApplicationHooks(&hooks)) {}

ScopedApplicationHooks::~ScopedApplicationHooks() { SetApplicationHooks(m_previous); }

}  // namespace halbrin
