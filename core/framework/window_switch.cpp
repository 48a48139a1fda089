#include "core/framework/window_switch.h"

#include "core/framework/application_hooks.h"
#include "core/framework/fire_script_event.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& WindowSwitchTypeInfo() {
  static const TEnumInfo info("TWindowSwitchType", {"wstVisibility", "wstZOrder"});
  return info;
}

HALBRIN_DEFINE_CLASS(TWindowSwitch,
                     .Property("autoActivate", &TWindowSwitch::AutoActivate, &TWindowSwitch::SetAutoActivate)
                     .Property("active", &TWindowSwitch::Active, &TWindowSwitch::SetActive)
                     .Stored(false)
                     .Property("component", &TWindowSwitch::Component, &TWindowSwitch::SetComponent)
                     .Property("activeComponent", &TWindowSwitch::ActiveComponent, &TWindowSwitch::SetActiveComponent)
                     .Stored(false)
                     .Property("activeIndex", &TWindowSwitch::ActiveIndex)
                     .Stored(false)
                     .Property("activeName", &TWindowSwitch::ActiveName, &TWindowSwitch::SetActiveName)
                     .Stored(false)
                     .Property("activeSwitch", &TWindowSwitch::ActiveSwitch, &TWindowSwitch::SetActiveSwitch)
                     .Stored(false)
                     .Property("enabled", &TWindowSwitch::Enabled, &TWindowSwitch::SetEnabled)
                     .Property("index", &TWindowSwitch::Index, &TWindowSwitch::SetIndex)
                     .Stored(false)
                     .Enum("switchType", &TWindowSwitch::SwitchType, &TWindowSwitch::SetSwitchType,
                           WindowSwitchTypeInfo())
                     .Event("onActivate", &TWindowSwitch::m_onActivate, "TNotifyEvent")
                     .Event("onBeforeActivate", &TWindowSwitch::m_onBeforeActivate,
                            "TWindowSwitchBeforeActivateEvent")
                     .Event("onDeactivate", &TWindowSwitch::m_onDeactivate, "TNotifyEvent")
                     .Handler("activateHandler", &TWindowSwitch::activateHandler)
                     .Handler("deactivateHandler", &TWindowSwitch::deactivateHandler)
                     .Handler("beforeActivateHandler", &TWindowSwitch::beforeActivateHandler))

TWindowSwitch::TWindowSwitch(TComponent* owner) : TCustomComponentEx(owner) {}

TWindowSwitch::~TWindowSwitch() { SetComponent(nullptr); }

bool TWindowSwitch::IsActive() const {
  if (!m_component) return false;
  if (m_switchType == TWindowSwitchType::wstVisibility) return m_component->Visible();
  return Owner() && ComponentIndex() == 0;
}

void TWindowSwitch::SetActiveState(bool active) {
  if (!m_component) return;
  if (m_switchType == TWindowSwitchType::wstVisibility)
    m_component->SetVisible(active);
  else if (active)
    m_component->BringToFront();
  else
    m_component->SendToBack();
}

void TWindowSwitch::SetComponent(TWinControl* component) {
  if (component == m_component) return;
  if (m_component) RemoveFreeNotification(m_component);
  m_component = component;
  if (m_component) FreeNotification(m_component);
}

void TWindowSwitch::Notification(TComponent* component, TOperation operation) {
  Inherited::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_component) m_component = nullptr;
}

TWindowSwitch* TWindowSwitch::OwnerSwitch() const { return dynamic_cast<TWindowSwitch*>(Owner()); }

bool TWindowSwitch::CanActivate() const {
  const TWindowSwitch* owner = OwnerSwitch();
  return m_enabled && m_component && owner && owner->m_enabled;
}

void TWindowSwitch::SetActive(bool active) {
  TWindowSwitch* owner = OwnerSwitch();
  if (active) {
    if (!CanActivate()) return;
    bool allow = true;
    m_onBeforeActivate(this, allow);
    if (!allow) return;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
      auto* sibling = dynamic_cast<TWindowSwitch*>(owner->Components(i));
      if (!sibling || sibling == this || !sibling->IsActive()) continue;
      try {
        sibling->SetActiveState(false);
        sibling->m_onDeactivate(sibling);
      } catch (const std::exception& error) {
        ApplicationHooks().Log(ClassName(), std::string("deactivating ") + sibling->Name() + ": " + error.what());
      }
    }
    SetActiveState(true);
    SetComponentIndex(0);
    m_onActivate(this);
    return;
  }
  if (!owner || !m_autoActivate || !owner->m_autoActivate || !IsActive()) return;
  const int former = ComponentIndex();
  SetComponentIndex(owner->ComponentCount() - 1);
  bool handedOver = false;
  for (int i = 0; i < owner->ComponentCount() && !handedOver; ++i) {
    auto* other = dynamic_cast<TWindowSwitch*>(owner->Components(i));
    if (!other || other == this || !other->m_autoActivate || !other->CanActivate()) continue;
    try {
      other->SetActive(true);
      handedOver = other->IsActive() && other->ComponentIndex() == 0;
    } catch (const std::exception& error) {
      ApplicationHooks().Log(ClassName(), std::string("activating ") + other->Name() + ": " + error.what());
    }
    break;
  }
  // Nobody took over: the switch stays active where it was.
  if (!handedOver && Owner() == owner) SetComponentIndex(former);
}

TWindowSwitch* TWindowSwitch::ActiveSwitch() const {
  if (!m_enabled) return nullptr;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* sw = dynamic_cast<TWindowSwitch*>(Components(i)); sw && sw->IsActive()) return sw;
  return nullptr;
}

void TWindowSwitch::SetActiveSwitch(TWindowSwitch* sw) {
  if (m_enabled && sw && sw->Owner() == this) sw->SetActive(true);
}

TWinControl* TWindowSwitch::ActiveComponent() const {
  const TWindowSwitch* sw = ActiveSwitch();
  return sw ? sw->m_component : nullptr;
}

void TWindowSwitch::SetActiveComponent(TWinControl* component) {
  if (!m_enabled || !component) return;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* sw = dynamic_cast<TWindowSwitch*>(Components(i)); sw && sw->m_component == component) {
      sw->SetActive(true);
      return;
    }
}

std::string TWindowSwitch::ActiveName() const {
  const TWinControl* component = ActiveComponent();
  return component ? component->Name() : std::string();
}

void TWindowSwitch::SetActiveName(const std::string& name) {
  if (!m_enabled) return;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* sw = dynamic_cast<TWindowSwitch*>(Components(i));
        sw && sw->m_component && SameText(sw->m_component->Name(), name)) {
      sw->SetActive(true);
      return;
    }
}

int TWindowSwitch::ActiveIndex() const {
  const TWindowSwitch* sw = ActiveSwitch();
  return sw ? sw->ComponentIndex() : -1;
}

void TWindowSwitch::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TWindowSwitch*>(&source)) {
    m_enabled = other->m_enabled;
    m_autoActivate = other->m_autoActivate;
    m_switchType = other->m_switchType;
    SetComponent(other->m_component);
    return;
  }
  Inherited::Assign(source);
}

void TWindowSwitch::activateHandler(TObject*) {
  const Variant args[] = {Variant(Name())};
  FireEvent("activate", args, nullptr);
}

void TWindowSwitch::deactivateHandler(TObject*) {
  const Variant args[] = {Variant(Name())};
  FireEvent("deactivate", args, nullptr);
}

void TWindowSwitch::beforeActivateHandler(TObject*, bool& allow) {
  const Variant args[] = {Variant(Name())};
  allow = ScriptResultAsBoolean(FireEvent("beforeactivate", args, nullptr), true);
}

}  // namespace halbrin
