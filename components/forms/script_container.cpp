#include "components/forms/script_container.h"

#include <utility>

#include "components/forms/skin_tool_buttons.h"
#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinCustomSkin;
using skins::TZebrinPlacementSubSkin;

TScriptContainer::TScriptContainer(TComponent& owner, IScriptEventSource& source, TAnnounce announce)
    : m_owner(owner), m_source(source), m_announce(std::move(announce)), m_events(owner) {}

TScriptEvents* TScriptContainer::GetEvents() {
  const bool made = m_events.Peek() == nullptr;
  TScriptEvents* events = m_events.Get();
  if (made && events) m_announce(*events);
  return events;
}

void TScriptContainer::SetEvents(TScriptEvents* events) {
  const bool made = m_events.Peek() == nullptr;
  m_events.Assign(events);
  if (made && m_events.Peek()) m_announce(*m_events.Peek());
}

void TScriptContainer::ResetResults() {
  m_eventData = Variant::Null();
  m_execResult = Variant::Null();
}

// --- Companions ------------------------------------------------------------------

TZebrinPlacementSubSkin* TScriptContainer::Placement(TZebrinCustomSkin* skin, TContainerPlacementRule rule,
                                                     const std::function<void(TZebrinPlacementSubSkin&)>& bindPath) {
  if (!m_placement) {
    if (!skin) return nullptr;
    auto& placement = MakeComponent<TZebrinPlacementSubSkin>(*skin);
    m_placement = &placement;
    placement.SetAdjustPosition(rule.adjustPosition);
    placement.SetHandler(rule.handler);
    bindPath(placement);
    skin->SetSubSkin(&placement);
    m_owner.FreeNotification(&placement);
    m_announce(placement);
  }
  return m_placement;
}

TSkinToolButtons* TScriptContainer::SkinButtons(const std::function<TZebrinCustomSkin*()>& skin) {
  if (!m_skinButtons && !m_owner.IsDestroying()) {
    auto& buttons = MakeComponent<TSkinToolButtons>(m_owner);
    m_skinButtons = &buttons;
    buttons.SetSkin(skin());
    m_announce(buttons);
  }
  return m_skinButtons;
}

bool TScriptContainer::IsCompanion(const TComponent* component, const TComponent* extra) const noexcept {
  return component && (component == m_skin || component == m_skinButtons || component == extra ||
                       component == m_events.Peek());
}

int TScriptContainer::DeclaredCount(const TComponent* extra) const {
  int count = 0;
  for (int i = 0; i < m_owner.ComponentCount(); ++i)
    if (!IsCompanion(m_owner.Components(i), extra)) ++count;
  return count;
}

void TScriptContainer::Clear() {
  // Free waits for a component whose handler runs, but takes it out at once.
  while (m_owner.ComponentCount() > 0) TComponent::Free(*m_owner.Components(m_owner.ComponentCount() - 1));
  ResetResults();
  m_firstShow = true;
}

void TScriptContainer::Notification(TComponent* component, TOperation operation) noexcept {
  m_events.Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (component == m_skin) {
    m_skin = nullptr;
    m_placement = nullptr;  // the skin's own
  }
  if (component == m_placement) m_placement = nullptr;
  if (component == m_skinButtons) m_skinButtons = nullptr;
}

// --- Events ----------------------------------------------------------------------

Variant TScriptContainer::Fire(std::string_view name, std::span<const Variant> args) {
  return m_source.FireEvent(name, args, nullptr);
}

void TScriptContainer::FireShow() {
  const Variant args[] = {Variant(m_owner.Name()), Variant(m_firstShow)};
  Fire("show", args);
}

Variant TScriptContainer::FireContextPopup(TPoint mousePos) {
  const Variant args[] = {Variant(m_owner.Name()), Variant(mousePos.X), Variant(mousePos.Y)};
  return Fire("contextpopup", args);
}

void TScriptContainer::FireMouseButton(std::string_view name, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(m_owner.Name()), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  Fire(name, args);
}

void TScriptContainer::FireMouseMove(TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(m_owner.Name()), Variant(ShiftStateCode(shift)), Variant(x), Variant(y)};
  Fire("mousemove", args);
}

Variant TScriptContainer::FireWheel(std::string_view name, TShiftState shift, TPoint mousePos) {
  const Variant args[] = {Variant(m_owner.Name()), Variant(ShiftStateCode(shift)), Variant(mousePos.X),
                          Variant(mousePos.Y)};
  return Fire(name, args);
}

}  // namespace halbrin
