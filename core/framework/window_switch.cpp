#include "core/framework/window_switch.h"

#include <exception>
#include <vector>

#include "core/framework/application_hooks.h"
#include "core/framework/fire_script_event.h"
#include "platform/base/case_fold.h"
#include "platform/classes/class_builder.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& WindowSwitchTypeInfo() {
  static const TEnumInfo info("TWindowSwitchType", {"wstVisibility", "wstZOrder"});
  return info;
}

HALBRIN_DEFINE_CLASS(TWindowSwitch,
                     .Property("autoActivate", &TWindowSwitch::AutoActivate, &TWindowSwitch::SetAutoActivate)
                     .Default(Variant(true))
                     .Property("active", &TWindowSwitch::Active, &TWindowSwitch::SetActive)
                     .Default(Variant(false))
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
                     .Default(Variant(true))
                     .Property("index", &TWindowSwitch::Index, &TWindowSwitch::SetIndex)
                     .Stored(false)
                     .Enum("switchType", &TWindowSwitch::SwitchType, &TWindowSwitch::SetSwitchType,
                           WindowSwitchTypeInfo())
                     .Default(Variant(static_cast<int>(wstVisibility)))
                     .Event("onActivate", &TWindowSwitch::m_onActivate, "TNotifyEvent")
                     .Event("onBeforeActivate", &TWindowSwitch::m_onBeforeActivate, "TWindowSwitchBeforeActivateEvent")
                     .Event("onDeactivate", &TWindowSwitch::m_onDeactivate, "TNotifyEvent")
                     .Handler("activateHandler", &TWindowSwitch::activateHandler)
                     .Handler("deactivateHandler", &TWindowSwitch::deactivateHandler)
                     .Handler("beforeActivateHandler", &TWindowSwitch::beforeActivateHandler))

namespace {

void LogSwallowed(const TWindowSwitch& source, const std::exception& error) {
  ApplicationHooks().Log(source.ClassInfo().Name(), source.Name() + ": " + error.what());
}

}  // namespace

TWindowSwitch::TWindowSwitch(TComponent* owner) : TCustomComponentEx(owner) {}

TWindowSwitch::~TWindowSwitch() { SetComponent(nullptr); }

std::string TWindowSwitch::GetTypeName() const { return "windowswitch"; }

bool TWindowSwitch::IsActive() const {
  if (!m_component) return false;
  if (m_switchType == wstZOrder) return Index() == 0;
  return m_component->Visible();
}

void TWindowSwitch::SetActiveState(bool value) {
  if (!m_component) return;
  if (m_switchType == wstZOrder) {
    if (value)
      m_component->BringToFront();
    else
      m_component->SendToBack();
  } else {
    m_component->SetVisible(value);
  }
}

void TWindowSwitch::SetComponent(TWinControl* component) {
  if (component == m_component) return;
  if (m_component) m_component->RemoveFreeNotification(this);
  m_component = component;
  if (m_component) m_component->FreeNotification(this);
}

void TWindowSwitch::Notification(TComponent* component, TOperation operation) {
  TCustomComponentEx::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_component) m_component = nullptr;
}

TWindowSwitch* TWindowSwitch::Group() const { return dynamic_cast<TWindowSwitch*>(Owner()); }

bool TWindowSwitch::CanSwitch() const {
  const TWindowSwitch* group = Group();
  return m_enabled && m_component && group && group->m_enabled;
}

void TWindowSwitch::SetActive(bool value) {
  if (!CanSwitch()) return;
  if (value)
    Activate();
  else
    Deactivate();
}

bool TWindowSwitch::Activate() {
  const TWeakRef<TWindowSwitch> self(this);
  bool allow = true;
  if (m_onBeforeActivate.Assigned()) m_onBeforeActivate(this, allow);
  if (!allow || !self || !CanSwitch()) return false;

  // Handlers may free or move siblings: the list is taken first, each checked again.
  std::vector<TWeakRef<TWindowSwitch>> siblings;
  TWindowSwitch* group = Group();
  for (int i = 0; i < group->ComponentCount(); ++i)
    if (auto* sibling = dynamic_cast<TWindowSwitch*>(group->Components(i)); sibling && sibling != this)
      siblings.emplace_back(sibling);
  for (const TWeakRef<TWindowSwitch>& ref : siblings) {
    TWindowSwitch* sibling = ref.Get();
    if (!sibling || sibling->Owner() != group) continue;
    try {
      if (!sibling->IsActive()) continue;
      sibling->SetActiveState(false);
      if (sibling->m_onDeactivate.Assigned()) sibling->m_onDeactivate(sibling);
    } catch (const std::exception& error) {
      LogSwallowed(*sibling, error);
    }
    if (!self) return false;
  }
  if (!m_component) return false;

  SetActiveState(true);
  SetComponentIndex(0);
  if (m_onActivate.Assigned()) m_onActivate(this);
  return true;
}

void TWindowSwitch::Deactivate() {
  TWindowSwitch* group = Group();
  if (!m_autoActivate || !group->m_autoActivate) return;
  const TWeakRef<TWindowSwitch> self(this);
  const int formerIndex = Index();
  SetComponentIndex(group->ComponentCount() - 1);

  TWindowSwitch* successor = nullptr;
  for (int i = 0; i < group->ComponentCount() && !successor; ++i) {
    auto* other = dynamic_cast<TWindowSwitch*>(group->Components(i));
    if (other && other != this && other->m_autoActivate && other->m_enabled && other->m_component) successor = other;
  }
  bool handedOver = false;
  if (successor) {
    try {
      handedOver = successor->CanSwitch() && successor->Activate();
    } catch (const std::exception& error) {
      LogSwallowed(*successor, error);
    }
  }
  // Still active: back to where it was, so a z-order switch stays the one in front.
  if (!handedOver && self && Owner() == group) SetComponentIndex(formerIndex);
}

template <class Test>
TWindowSwitch* TWindowSwitch::FindOwned(Test test) const {
  if (!m_enabled) return nullptr;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* child = dynamic_cast<TWindowSwitch*>(Components(i)); child && test(*child)) return child;
  return nullptr;
}

TWindowSwitch* TWindowSwitch::ActiveSwitch() const {
  return FindOwned([](const TWindowSwitch& child) { return child.IsActive(); });
}

void TWindowSwitch::SetActiveSwitch(TWindowSwitch* value) {
  if (m_enabled && value && value->Owner() == this) value->SetActive(true);
}

TWinControl* TWindowSwitch::ActiveComponent() const {
  const TWindowSwitch* active = ActiveSwitch();
  return active ? active->m_component : nullptr;
}

void TWindowSwitch::SetActiveComponent(TWinControl* value) {
  if (!value) return;
  if (TWindowSwitch* child = FindOwned([value](const TWindowSwitch& c) { return c.m_component == value; }))
    child->SetActive(true);
}

std::string TWindowSwitch::ActiveName() const {
  const TWinControl* control = ActiveComponent();
  return control ? control->Name() : std::string();
}

void TWindowSwitch::SetActiveName(const std::string& value) {
  if (value.empty()) return;
  if (TWindowSwitch* child = FindOwned(
          [&value](const TWindowSwitch& c) { return c.m_component && SameText(c.m_component->Name(), value); }))
    child->SetActive(true);
}

int TWindowSwitch::ActiveIndex() const {
  const TWindowSwitch* active = ActiveSwitch();
  return active ? active->Index() : -1;
}

void TWindowSwitch::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TWindowSwitch*>(&source);
  if (!other) {
    TCustomComponentEx::Assign(source);
    return;
  }
  m_enabled = other->m_enabled;
  m_autoActivate = other->m_autoActivate;
  m_switchType = other->m_switchType;
  SetComponent(other->m_component);
}

void TWindowSwitch::activateHandler(TObject*) { FireEvent("activate"); }

void TWindowSwitch::deactivateHandler(TObject*) { FireEvent("deactivate"); }

void TWindowSwitch::beforeActivateHandler(TObject*, bool& allow) {
  allow = ScriptResultAsBoolean(FireEvent("beforeactivate"), allow);
}

}  // namespace halbrin
