#pragma once

// The base of every script-visible component: a free `data` slot, the
// `eventData` of the event being fired and the script event bindings
// (`events`, made on first read).

#include <span>
#include <string>
#include <string_view>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TScriptEvents;

class TCustomComponentEx : public platform::TComponent, public IComponentType, public IScriptEventSource {
  HALBRIN_CLASS(TCustomComponentEx, platform::TComponent)

  // Registers the component with the application (ApplicationHooks()).
  explicit TCustomComponentEx(platform::TComponent* owner = nullptr);
  ~TCustomComponentEx() override;

  // "none" here; every component answers its XML type word.
  std::string GetTypeName() const override;

  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& data) { m_data = data; }

  // IScriptEventSource. The bindings are owned by the component; their list is
  // made on first read.
  TScriptEvents* GetEvents() override;
  void SetEvents(TScriptEvents* events) override;
  platform::Variant GetEventData() const override { return m_eventData; }
  void SetEventData(const platform::Variant& value) override { m_eventData = value; }
  bool HasEvents() const override { return m_events.Peek() != nullptr; }
  // FireScriptEvent with this component as the source.
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;
  // Without arguments or sender.
  platform::Variant FireEvent(std::string_view name) { return FireEvent(name, {}, nullptr); }

 protected:
  // Frees the bindings when they exist.
  void FreeEvents();
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  platform::Variant m_data;
  TScriptEventsSlot m_events{*this};
  platform::Variant m_eventData;
};

}  // namespace halbrin
