#include "core/framework/custom_component_ex.h"

#include "core/framework/application_hooks.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomComponentEx,
                     .Property("data", &TCustomComponentEx::Data, &TCustomComponentEx::SetData)
                     .Property("eventData", &TCustomComponentEx::GetEventData, &TCustomComponentEx::SetEventData)
                     .Property(
                         "events",
                         [](const TCustomComponentEx& self) { return const_cast<TCustomComponentEx&>(self).GetEvents(); },
                         [](TCustomComponentEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false))

TCustomComponentEx::TCustomComponentEx(TComponent* owner) : TComponent(owner) {
  ApplicationHooks().RegisterComponent(*this);
}

TCustomComponentEx::~TCustomComponentEx() {
  m_data = Variant();
  m_eventData = Variant();
}

std::string TCustomComponentEx::GetTypeName() const { return "none"; }

TScriptEvents* TCustomComponentEx::GetEvents() { return m_events.Get(); }

void TCustomComponentEx::SetEvents(TScriptEvents* events) { m_events.Assign(events); }

Variant TCustomComponentEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TCustomComponentEx::FreeEvents() { m_events.Free(); }

void TCustomComponentEx::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  m_events.Notification(component, operation);
}

}  // namespace halbrin
