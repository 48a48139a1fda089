#include "platform/controls/control_observer_list.h"

#include <algorithm>

#include "platform/controls/control.h"

namespace halbrin::platform {

std::string_view ControlEventName(ControlEvent event) noexcept {
  switch (event) {
    case ControlEvent::Resized: return "Resized";
    case ControlEvent::Moved: return "Moved";
    case ControlEvent::Shown: return "Shown";
    case ControlEvent::Hidden: return "Hidden";
    case ControlEvent::EnabledChanged: return "EnabledChanged";
    case ControlEvent::TextChanged: return "TextChanged";
    case ControlEvent::Activated: return "Activated";
    case ControlEvent::Deactivated: return "Deactivated";
    case ControlEvent::FocusEntered: return "FocusEntered";
    case ControlEvent::FocusExited: return "FocusExited";
    case ControlEvent::CloseRequested: return "CloseRequested";
  }
  return "?";
}

ObserverToken ControlObserverList::Add(Observer observer) {
  const ObserverToken token = m_nextToken++;
  m_entries.push_back({token, std::make_shared<const Observer>(std::move(observer))});
  return token;
}

bool ControlObserverList::Remove(ObserverToken token) {
  const auto it = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.token == token; });
  if (it == m_entries.end()) return false;
  m_entries.erase(it);
  return true;
}

bool ControlObserverList::Contains(ObserverToken token) const {
  return std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.token == token; });
}

void ControlObserverList::Notify(TControl& control, ControlEvent event) {
  if (m_entries.empty()) return;
  // The round is fixed at its start; the list itself dies with the control.
  const std::vector<Entry> round = m_entries;
  const TWeakRef<TControl> alive(&control);
  for (const Entry& entry : round) {
    if (!alive) return;
    if (!Contains(entry.token)) continue;
    (*entry.observer)(control, event);
  }
}

}  // namespace halbrin::platform
