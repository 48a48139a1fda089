#pragma once

// The bindings list of a script event source: made on first use, owned by
// the component, forgotten when it is freed. TCustomComponentEx keeps one;
// components whose base is a class-library one keep theirs through
// TScriptEventSourceOf (script_event_source.h) or a form's script container.

#include "platform/classes/component.h"

namespace halbrin {

class TScriptEvents;

class TScriptEventsSlot {
 public:
  explicit TScriptEventsSlot(platform::TComponent& owner) noexcept : m_owner(owner) {}
  TScriptEventsSlot(const TScriptEventsSlot&) = delete;
  TScriptEventsSlot& operator=(const TScriptEventsSlot&) = delete;

  // Made on first call, owned by the owner; null while the owner is destroyed.
  TScriptEvents* Get();
  // The list when it exists; never makes it.
  TScriptEvents* Peek() const noexcept { return m_events; }
  // IScriptEventSource::SetEvents: copies `events`' script and active into the own list.
  void Assign(TScriptEvents* events);
  // Frees the list when it exists.
  void Free();
  // From the owner's Notification: forgets a list being freed.
  void Notification(platform::TComponent* component, platform::TOperation operation) noexcept;

 private:
  platform::TComponent& m_owner;
  TScriptEvents* m_events = nullptr;  // an owned component, forgotten through its free notification
};

}  // namespace halbrin
