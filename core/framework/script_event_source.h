#pragma once

// IScriptEventSource over a class-library base (a dialog, an action, a skin,
// a menu): the bindings list made on first read and owned by the component,
// and the `eventData` of the event being fired. The class names its base
// through it and keeps only FireEvent, which decides how its events fire.
// Naming the mixin as the parent makes Inherited reach it; the class info's
// parent is still the base's.
//
//   class TFooEx : public TScriptEventSourceOf<platform::TFoo>, public IExecutable {
//     HALBRIN_CLASS(TFooEx, TScriptEventSourceOf<platform::TFoo>)
//     ...
//   };

#include <utility>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin {

template <class TBase>
class TScriptEventSourceOf : public TBase, public IScriptEventSource {
 public:
  template <class... TArgs>
  explicit TScriptEventSourceOf(TArgs&&... args) : TBase(std::forward<TArgs>(args)...) {}
  ~TScriptEventSourceOf() override { m_eventData = platform::Variant::Null(); }

  TScriptEvents* GetEvents() override { return m_events.Get(); }
  void SetEvents(TScriptEvents* events) override { m_events.Assign(events); }
  platform::Variant GetEventData() const override { return m_eventData; }
  void SetEventData(const platform::Variant& value) override { m_eventData = value; }
  bool HasEvents() const override { return m_events.Peek() != nullptr; }

 protected:
  TScriptEventsSlot& EventsSlot() noexcept { return m_events; }
  const TScriptEventsSlot& EventsSlot() const noexcept { return m_events; }
  // Frees the bindings when they exist, so none runs while the rest goes.
  void FreeEvents() { m_events.Free(); }
  void Notification(platform::TComponent* component, platform::TOperation operation) override {
    TBase::Notification(component, operation);
    m_events.Notification(component, operation);
  }

 private:
  TScriptEventsSlot m_events{*this};
  platform::Variant m_eventData = platform::Variant::Null();
};

}  // namespace halbrin
