#pragma once

// A switch among windowed controls, like the pages of a tab set: a group
// switch owns child switches, each tied to one control; activating a child
// deactivates its active siblings. Activity is the control's visibility or
// its place in front of its siblings.

#include <string>

#include "core/framework/custom_component_ex.h"
#include "platform/classes/class_info.h"
#include "platform/classes/method.h"
#include "platform/controls/win_control.h"

namespace halbrin {

enum TWindowSwitchType : int { wstVisibility = 0, wstZOrder = 1 };
const platform::TEnumInfo& WindowSwitchTypeInfo();

// (Sender, var allow)
using TWindowSwitchBeforeActivateEvent = platform::TEvent<platform::TObject*, bool&>;

class TWindowSwitch : public TCustomComponentEx {
  HALBRIN_CLASS(TWindowSwitch, TCustomComponentEx)

  explicit TWindowSwitch(platform::TComponent* owner = nullptr);
  ~TWindowSwitch() override;

  std::string GetTypeName() const override;
  // No control: false; visibility: the control's; z-order: index 0.
  virtual bool IsActive() const;
  // Shows or hides the control, or brings it to the front or the back.
  virtual void SetActiveState(bool value);

  // Held with a free notification: a freed control reads nil.
  platform::TWinControl* Component() const noexcept { return m_component; }
  void SetComponent(platform::TWinControl* component);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
  bool AutoActivate() const noexcept { return m_autoActivate; }
  void SetAutoActivate(bool autoActivate) noexcept { m_autoActivate = autoActivate; }
  TWindowSwitchType SwitchType() const noexcept { return m_switchType; }
  void SetSwitchType(TWindowSwitchType type) noexcept { m_switchType = type; }

  bool Active() const { return IsActive(); }
  // Nothing unless this switch is enabled, has a control and its owner is an
  // enabled switch. True activates this one and deactivates the siblings;
  // False hands over to the first other switch that can take over.
  void SetActive(bool value);

  // Position among the owner's components (the class library clamps writes).
  int Index() const { return ComponentIndex(); }
  void SetIndex(int index) { SetComponentIndex(index); }

  // The group's view of its children; each reads empty (and ignores writes)
  // while the group is disabled.
  TWindowSwitch* ActiveSwitch() const;
  void SetActiveSwitch(TWindowSwitch* value);
  platform::TWinControl* ActiveComponent() const;
  void SetActiveComponent(platform::TWinControl* value);
  std::string ActiveName() const;
  void SetActiveName(const std::string& value);
  int ActiveIndex() const;

  // From another switch: enabled, autoActivate, switchType and component.
  void Assign(const platform::TPersistent& source) override;

  platform::TNotifyEvent& OnActivate() noexcept { return m_onActivate; }
  TWindowSwitchBeforeActivateEvent& OnBeforeActivate() noexcept { return m_onBeforeActivate; }
  platform::TNotifyEvent& OnDeactivate() noexcept { return m_onDeactivate; }

  // "activate" and "deactivate" (eventData = Name); "beforeactivate", whose
  // answer taken as a Boolean becomes the allow flag.
  virtual void activateHandler(platform::TObject* sender);
  virtual void deactivateHandler(platform::TObject* sender);
  virtual void beforeActivateHandler(platform::TObject* sender, bool& allow);

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  // The owner when it is a switch, else nullptr.
  TWindowSwitch* Group() const;
  bool CanSwitch() const;
  // True when this switch went active (not refused, nothing raised).
  bool Activate();
  void Deactivate();
  // The first owned switch that passes `test`, or nullptr; nullptr too while disabled.
  template <class Test>
  TWindowSwitch* FindOwned(Test test) const;

  platform::TWinControl* m_component = nullptr;
  bool m_enabled = true;
  bool m_autoActivate = true;
  TWindowSwitchType m_switchType = wstVisibility;
  platform::TNotifyEvent m_onActivate;
  TWindowSwitchBeforeActivateEvent m_onBeforeActivate;
  platform::TNotifyEvent m_onDeactivate;
};

}  // namespace halbrin
