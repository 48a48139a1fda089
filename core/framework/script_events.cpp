#include "core/framework/script_events.h"

#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/classes/property_access.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TScriptEvent,
                     .Property("active", &TScriptEvent::Active, &TScriptEvent::SetActive)
                     .Default(Variant(true))
                     .Property("async", &TScriptEvent::Async, &TScriptEvent::SetAsync)
                     .Default(Variant(false))
                     .Property("exec", &TScriptEvent::GetExec, &TScriptEvent::SetExec)
                     .Stored(false)
                     .Property("parameters", &TScriptEvent::GetParameters)
                     .Stored(false)
                     .Property("scriptType", &TScriptEvent::GetScriptType, &TScriptEvent::SetScriptType)
                     .Property("script", &TScriptEvent::GetScript, &TScriptEvent::SetScript)
                     .Property("splitParameters", &TScriptEvent::SplitParameters, &TScriptEvent::SetSplitParameters)
                     .Default(Variant(true))
                     .Property("xml", &TScriptEvent::GetXml, &TScriptEvent::SetXml))

HALBRIN_DEFINE_CLASS(TScriptEvents,
                     .Property("active", &TScriptEvents::Active, &TScriptEvents::SetActive)
                     .Default(Variant(true))
                     .Property("script", &TScriptEvents::GetScript, &TScriptEvents::SetScript))

HALBRIN_DEFINE_CLASS(TAsyncScriptEvent,
                     .Property("scriptType", &TAsyncScriptEvent::ScriptType, &TAsyncScriptEvent::SetScriptType)
                     .Property("xml", &TAsyncScriptEvent::Xml, &TAsyncScriptEvent::SetXml)
                     .Property("script", &TAsyncScriptEvent::Script, &TAsyncScriptEvent::SetScript)
                     .Property("parameters", &TAsyncScriptEvent::Parameters, &TAsyncScriptEvent::SetParameters))

HALBRIN_DEFINE_CLASS(TAsyncScriptEvents,
                     .Property("enabled", &TAsyncScriptEvents::Enabled, &TAsyncScriptEvents::SetEnabled)
                     .Default(Variant(false))
                     .Property("timeout", &TAsyncScriptEvents::Timeout, &TAsyncScriptEvents::SetTimeout))

namespace {

bool HasEventPrefix(std::string_view name) { return name.size() >= 2 && SameText(name.substr(0, 2), "on"); }

std::string HandlerName(std::string_view eventName) { return std::string(eventName.substr(2)) + "Handler"; }

// The owner's event property `name` and the handler bound to it, when both exist.
struct EventBinding {
  const TPropInfo* property = nullptr;
  const TMethodInfo* handler = nullptr;
};

EventBinding FindEventBinding(const TComponent& owner, std::string_view name) {
  EventBinding binding;
  if (!HasEventPrefix(name)) return binding;
  binding.property = owner.ClassInfo().FindProperty(name);
  if (!binding.property || binding.property->Kind() != TTypeKind::Method) {
    binding.property = nullptr;
    return binding;
  }
  binding.handler = owner.ClassInfo().FindMethod(HandlerName(name));
  if (binding.handler && !binding.handler->Handler().has_value()) binding.handler = nullptr;
  return binding;
}

// Swaps a binding's sender for one run and puts it back, also when the run fails.
class TSenderSwap {
 public:
  TSenderSwap(TScriptEvent& binding, TComponent* sender) : m_binding(&binding) {
    if (!sender) return;
    m_previous.Reset(binding.Sender());
    m_hadPrevious = binding.Sender() != nullptr;
    m_swapped = true;
    binding.SetSender(sender);
  }
  ~TSenderSwap() {
    if (m_swapped && m_binding.Get()) m_binding->SetSender(m_hadPrevious ? m_previous.Get() : nullptr);
  }
  TSenderSwap(const TSenderSwap&) = delete;
  TSenderSwap& operator=(const TSenderSwap&) = delete;

 private:
  TWeakRef<TScriptEvent> m_binding;
  TWeakRef<TComponent> m_previous;
  bool m_hadPrevious = false;
  bool m_swapped = false;
};

}  // namespace

// ----------------------------------------------------------------- TScriptText

void TScriptText::Assign(const std::string& value) {
  set = !SameText(value, "null");
  text = set ? value : std::string();
}

std::string TScriptText::Resolve(const std::function<std::string()>& hook) const {
  return text.empty() && !set && hook ? hook() : text;
}

// ---------------------------------------------------------------- TScriptEvent

TScriptEvent::TScriptEvent(TComponent* owner) : TComponent(owner) {
  const TScriptEventDefaults defaults = ApplicationHooks().ScriptEventDefaults();
  m_splitParameters = defaults.splitParameters;
  m_async = defaults.async;
}

TScriptEvent::~TScriptEvent() = default;

Variant TScriptEvent::GetParameters() const {
  if (m_onGetParameters) return m_onGetParameters(const_cast<TScriptEvent&>(*this));
  TComponent* source = m_sender;
  // Without a sender the component the bindings belong to feeds them.
  if (!source && Owner()) source = Owner()->Owner();
  auto* events = dynamic_cast<IScriptEventSource*>(source);
  if (!events) return Variant();
  Variant data = events->GetEventData();
  if (m_splitParameters) return data;
  return Variant(VariantArray(std::vector<Variant>{std::move(data)}));
}

std::string TScriptEvent::EffectiveScript() const {
  std::string script = GetScript();
  return script.empty() ? ApplicationHooks().DefaultScript() : script;
}

int TScriptEvent::EffectiveOptions() const {
  return ApplicationHooks().ScriptEventDefaults().transientScript ? (m_scriptType | kTransientScriptOption)
                                                                   : m_scriptType;
}

Variant TScriptEvent::Run() {
  return ApplicationHooks().RunScriptProcedure(EffectiveScript(), m_xml.text, GetParameters(), EffectiveOptions());
}

Variant TScriptEvent::Execute(bool* queued) {
  if (queued) *queued = false;
  if (!m_active || !m_xml.set || ApplicationHooks().Terminating()) return Variant();
  if (m_async) {
    TComponent* source = m_sender ? m_sender : (Owner() ? Owner()->Owner() : nullptr);
    AsyncScriptEvents().Queue(EffectiveScript(), m_xml.text, EffectiveOptions(), GetParameters(), source);
    if (queued) *queued = true;
    return Variant(kAsyncScriptEventResult);
  }
  return Run();
}

void TScriptEvent::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  m_execResult = true;
  if (SameText(word, "fire"))
    m_execResult = Execute();
  else if (SameText(word, "clear"))
    Reset();
  else
    m_execResult = false;
}

void TScriptEvent::Reset() {
  m_execResult = Variant();
  m_async = false;
  m_script = {};
  m_scriptType = kDefaultScriptEventType;
  m_xml = {};
  SetSender(nullptr);
  m_splitParameters = true;
}

void TScriptEvent::SetSender(TComponent* sender) {
  if (sender == m_sender) return;
  if (m_sender) RemoveFreeNotification(m_sender);
  m_sender = sender;
  if (m_sender) FreeNotification(m_sender);
}

void TScriptEvent::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TScriptEvent*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  m_async = other->m_async;
  m_splitParameters = other->m_splitParameters;
  m_active = other->m_active;
  m_script = other->m_script;
  m_scriptType = other->m_scriptType;
  m_xml = other->m_xml;
  SetSender(other->m_sender);
}

void TScriptEvent::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_sender) m_sender = nullptr;
}

// --------------------------------------------------------------- TScriptEvents

TScriptEvents::TScriptEvents(TComponent* owner) : TApplicationComponents(owner) {}

TScriptEvents::~TScriptEvents() = default;

TScriptEvent* TScriptEvents::Find(std::string_view name) const {
  return static_cast<TScriptEvent*>(ItemByName(name));
}

TScriptEvent& TScriptEvents::AttachEvent(std::string_view name, TComponent* sender) {
  if (!HasEventPrefix(name)) throw EPropertyError(Format("Property \"%s\" is not valid event name", {name}));
  if (TScriptEvent* existing = Find(name)) return *existing;
  TComponent* owner = Owner();
  const TPropInfo* property = owner ? owner->ClassInfo().FindProperty(name) : nullptr;
  if (!property) throw EPropertyError(Format("Event property \"%s\" not found", {name}));
  if (property->Kind() != TTypeKind::Method) throw EPropertyError(Format("Property \"%s\" is not event", {name}));
  const std::string handlerName = HandlerName(name);
  const TMethodInfo* handler = owner->ClassInfo().FindMethod(handlerName);
  if (!handler || !handler->Handler().has_value())
    throw EPropertyError(Format("Event handler \"%s\" not found", {handlerName}));
  SetMethodProp(*owner, *property, TMethod{TWeakRef<TObject>(owner), handler});

  TScriptEvent& binding = MakeComponent<TScriptEvent>(*this);
  binding.SetName(std::string(name));
  binding.SetSender(sender ? sender : owner);
  binding.SetOnGetScript([this] { return GetScript(); });
  Add(&binding);
  if (m_onAttach) m_onAttach(binding);
  return binding;
}

bool TScriptEvents::DetachEvent(std::string_view name) {
  TScriptEvent* binding = Find(name);
  if (!binding) return false;
  TComponent::Free(*binding);
  return true;
}

Variant TScriptEvents::Run(std::string_view name, TComponent* sender, bool* queued) {
  if (queued) *queued = false;
  if (!m_active) return Variant();
  TScriptEvent* binding = Find(name);
  if (!binding) return Variant();
  TSenderSwap swap(*binding, sender);
  return binding->Execute(queued);
}

void TScriptEvents::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TScriptEvents*>(&source);
  if (!other) {
    TApplicationComponents::Assign(source);
    return;
  }
  m_script = other->m_script;
  m_active = other->m_active;
}

void TScriptEvents::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component && !IsDestroying() && !ApplicationHooks().Terminating() &&
      Contains(component)) {
    // The event property goes back to no method, unless something else was
    // bound to it meanwhile.
    TComponent* owner = Owner();
    if (owner && !owner->IsDestroying()) {
      const EventBinding binding = FindEventBinding(*owner, component->Name());
      if (binding.property && binding.handler) {
        const TMethod current = GetMethodProp(*owner, *binding.property);
        if (current == TMethod{TWeakRef<TObject>(owner), binding.handler})
          SetMethodProp(*owner, *binding.property, TMethod{});
      }
    }
  }
  TApplicationComponents::Notification(component, operation);
}

// ----------------------------------------------------------- TAsyncScriptEvent

void TAsyncScriptEvent::Assign(const TPersistent& source) {
  if (const auto* binding = dynamic_cast<const TScriptEvent*>(&source)) {
    m_script = binding->GetScript();
    m_xml = binding->GetXml();
    m_scriptType = binding->GetScriptType();
    return;
  }
  const auto* other = dynamic_cast<const TAsyncScriptEvent*>(&source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  m_scriptType = other->m_scriptType;
  m_xml = other->m_xml;
  m_script = other->m_script;
  m_parameters = other->m_parameters;
  m_done = other->m_done;
  m_source = other->m_source;
}

// ---------------------------------------------------------- TAsyncScriptEvents

TAsyncScriptEvents::TAsyncScriptEvents()
    : TOwnedCollection(nullptr, TAsyncScriptEvent::StaticClassInfo(), FactoryOf<TAsyncScriptEvent>()) {}

TAsyncScriptEvents::~TAsyncScriptEvents() { m_timer.reset(); }

TAsyncScriptEvent& TAsyncScriptEvents::Queue(const std::string& script, const std::string& xml, int scriptType,
                                             const Variant& parameters, TComponent* source) {
  BeginUpdate();
  auto& item = static_cast<TAsyncScriptEvent&>(Add());
  item.SetScript(script);
  item.SetXml(xml);
  item.SetParameters(parameters);
  item.SetScriptType(scriptType);
  item.SetSource(source);
  EndUpdate();
  SetEnabled(true);
  return item;
}

void TAsyncScriptEvents::SetEnabled(bool enabled) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  if (!enabled) {
    m_timer.reset();
    return;
  }
  m_timer = std::make_unique<TimerSource>(MainEventLoop(), static_cast<std::uint32_t>(m_timeout), [this] { Tick(); });
  m_timer->Start();
}

void TAsyncScriptEvents::SetTimeout(int timeout) {
  m_timeout = timeout < kMinTimeout ? kMinTimeout : timeout;
  if (m_timer) m_timer->SetInterval(static_cast<std::uint32_t>(m_timeout));
}

bool TAsyncScriptEvents::TimerActive() const { return m_timer && m_timer->Active(); }

void TAsyncScriptEvents::Tick() {
  // A call that runs a nested loop must not start the next one inside it, nor
  // may one start while the thread waits for a page's answer.
  if (Count() == 0 || UpdateCount() > 0 || ApplicationHooks().HoldQueuedEvents()) {
    if (Count() == 0) SetEnabled(false);
    return;
  }
  BeginUpdate();
  struct TFinish {
    TAsyncScriptEvents& queue;
    ~TFinish() {
      if (queue.Count() > 0) queue.Delete(0);
      queue.SetEnabled(queue.Count() >= 1);
      queue.EndUpdate();
    }
  } finish{*this};
  auto& item = static_cast<TAsyncScriptEvent&>(*Items(0));
  if (item.Done() || item.SourceGone() || ApplicationHooks().Terminating()) return;
  item.SetDone(true);
  // Copies: the call may drop the queue.
  const std::string script = item.Script();
  const std::string xml = item.Xml();
  const Variant parameters = item.Parameters();
  const int scriptType = item.ScriptType();
  try {
    ApplicationHooks().RunScriptProcedure(script, xml, parameters, scriptType);
  } catch (const std::exception& error) {
    ApplicationHooks().HandleException(nullptr, error);
  } catch (...) {
    ApplicationHooks().HandleException(nullptr, Exception("Unknown error in an asynchronous script event"));
  }
}

void TAsyncScriptEvents::Drop() {
  SetEnabled(false);
  // A running call's own item goes when its tick ends.
  if (UpdateCount() > 0) {
    while (Count() > 1) Delete(Count() - 1);
    return;
  }
  Clear();
}

namespace {

std::unique_ptr<TAsyncScriptEvents>& AsyncQueue() {
  static std::unique_ptr<TAsyncScriptEvents> queue;
  return queue;
}

}  // namespace

TAsyncScriptEvents& AsyncScriptEvents() {
  auto& queue = AsyncQueue();
  if (!queue) queue = std::make_unique<TAsyncScriptEvents>();
  return *queue;
}

bool AsyncScriptEventsExist() noexcept { return AsyncQueue() != nullptr; }

void DropAsyncScriptEvents() {
  if (AsyncQueue()) AsyncQueue()->Drop();
}

}  // namespace halbrin
