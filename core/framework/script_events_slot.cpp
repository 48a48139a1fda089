#include "core/framework/script_events_slot.h"

#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;

TScriptEvents* TScriptEventsSlot::Get() {
  if (!m_events && !m_owner.IsDestroying()) {
    TScriptEvents& events = MakeComponent<TScriptEvents>(m_owner);
    m_owner.FreeNotification(&events);
    m_events = &events;
  }
  return m_events;
}

void TScriptEventsSlot::Assign(TScriptEvents* events) {
  if (!events || events == m_events) return;
  if (TScriptEvents* own = Get()) own->Assign(*events);
}

void TScriptEventsSlot::Free() {
  if (TScriptEvents* events = m_events) {
    m_events = nullptr;
    TComponent::Free(*events);
  }
}

void TScriptEventsSlot::Notification(TComponent* component, TOperation operation) noexcept {
  if (operation == TOperation::opRemove && component && component == m_events) m_events = nullptr;
}

}  // namespace halbrin
