#pragma once

// Window switches ("windowswitch"): a group switch owns child switches, each
// tied to one windowed control; activating one deactivates its active
// siblings, like tab pages. A switch shows and hides its control
// (wstVisibility) or raises and lowers it (wstZOrder, active at index 0).
//
//   <windowswitch id="panes">
//     <windowswitch id="mainSwitch" component="mainPane"/>
//     <windowswitch id="searchSwitch" component="searchPane"/>
//   </windowswitch>

#include <cstdint>
#include <string>

#include "core/framework/custom_component_ex.h"
#include "platform/classes/method.h"
#include "platform/controls/win_control.h"

namespace halbrin {

enum class TWindowSwitchType : std::uint8_t { wstVisibility, wstZOrder };

const platform::TEnumInfo& WindowSwitchTypeInfo();

// Sender, var allow.
using TWindowSwitchBeforeActivateEvent = platform::TEvent<platform::TObject*, bool&>;

class TWindowSwitch : public TCustomComponentEx {
  HALBRIN_CLASS(TWindowSwitch, TCustomComponentEx)

  explicit TWindowSwitch(platform::TComponent* owner = nullptr);
  ~TWindowSwitch() override;

  std::string GetTypeName() const override { return "windowswitch"; }
  // No control: False; visibility: the control's; z-order: at index 0.
  virtual bool IsActive() const;
  // Shows or hides, or raises or lowers, the control.
  virtual void SetActiveState(bool active);

  platform::TWinControl* Component() const noexcept { return m_component; }
  void SetComponent(platform::TWinControl* component);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
  bool AutoActivate() const noexcept { return m_autoActivate; }
  void SetAutoActivate(bool autoActivate) noexcept { m_autoActivate = autoActivate; }
  TWindowSwitchType SwitchType() const noexcept { return m_switchType; }
  void SetSwitchType(TWindowSwitchType type) noexcept { m_switchType = type; }

  bool Active() const { return IsActive(); }
  // True (enabled, with a control, owned by an enabled switch): asks
  // onBeforeActivate, deactivates the active siblings, activates, moves to
  // index 0. False (autoActivate here and on the owner): hands over to the
  // first other switch that can take it; with none, nothing changes.
  void SetActive(bool active);
  int Index() const { return ComponentIndex(); }
  // SetComponentIndex: clamped to the owner's components.
  void SetIndex(int index) { SetComponentIndex(index); }

  // The group's properties, read and written only while it is enabled.
  TWindowSwitch* ActiveSwitch() const;
  void SetActiveSwitch(TWindowSwitch* sw);
  platform::TWinControl* ActiveComponent() const;
  void SetActiveComponent(platform::TWinControl* component);
  std::string ActiveName() const;
  // Letter case ignored.
  void SetActiveName(const std::string& name);
  // Among the owned components; -1 when none is active.
  int ActiveIndex() const;

  void Assign(const platform::TPersistent& source) override;

  platform::TNotifyEvent m_onActivate;
  TWindowSwitchBeforeActivateEvent m_onBeforeActivate;
  platform::TNotifyEvent m_onDeactivate;

  // "activate", "deactivate", "beforeactivate" with eventData = Name.
  virtual void activateHandler(platform::TObject* sender);
  virtual void deactivateHandler(platform::TObject* sender);
  virtual void beforeActivateHandler(platform::TObject* sender, bool& allow);

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  TWindowSwitch* OwnerSwitch() const;
  bool CanActivate() const;

  platform::TWinControl* m_component = nullptr;
  bool m_enabled = true;
  bool m_autoActivate = true;
  TWindowSwitchType m_switchType = TWindowSwitchType::wstVisibility;
};

}  // namespace halbrin
