#pragma once

// What the script containers (a form, a frame) keep besides their control:
// the bindings, eventData, exec's result, firstShow and the companions made
// on first use (skin, placement, tool buttons), each announced as it is made.
// The container holds one TScriptContainer and passes its own rules in.
//
//   TScriptContainer m_container{*this, *this, [this](TComponent& c) { ComponentCreated(c); }};

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"
#include "core/framework/std_events_component.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"
#include "skins/core/custom_skin.h"
#include "skins/core/placement_sub_skin.h"

namespace halbrin {

class TSkinToolButtons;

// How a container's placement loads and where it is kept.
struct TContainerPlacementRule {
  bool adjustPosition = false;
  skins::TPlacementSubSkinHandler handler = skins::pshVisible;
};

class TScriptContainer {
 public:
  using TAnnounce = std::function<void(platform::TComponent&)>;

  // `owner` owns the companions, `source` fires the events, `announce` is
  // called for each companion made.
  TScriptContainer(platform::TComponent& owner, IScriptEventSource& source, TAnnounce announce);
  TScriptContainer(const TScriptContainer&) = delete;
  TScriptContainer& operator=(const TScriptContainer&) = delete;

  // --- The script state ---
  TScriptEventsSlot& EventsSlot() noexcept { return m_events; }
  const TScriptEventsSlot& EventsSlot() const noexcept { return m_events; }
  // The bindings, announced when this call (or Assign) made them.
  TScriptEvents* GetEvents();
  void SetEvents(TScriptEvents* events);
  const platform::Variant& EventData() const noexcept { return m_eventData; }
  void SetEventData(const platform::Variant& value) { m_eventData = value; }
  platform::Variant& ExecResult() noexcept { return m_execResult; }
  const platform::Variant& ExecResult() const noexcept { return m_execResult; }
  bool FirstShow() const noexcept { return m_firstShow; }
  void SetFirstShow(bool value) noexcept { m_firstShow = value; }
  // eventData and exec to Null.
  void ResetResults();

  // --- Companions ---
  // Made on first call (never while the owner is destroyed): `setup` runs on
  // the new skin before it is announced. Only one skin class per container.
  template <class TSkin, class Setup>
  TSkin* Skin(Setup&& setup) {
    if (!m_skin && !m_owner.IsDestroying()) {
      auto& skin = platform::MakeComponent<TSkin>(m_owner);
      m_skin = &skin;
      setup(skin);
      m_announce(skin);
    }
    return static_cast<TSkin*>(m_skin);
  }
  skins::TZebrinCustomSkin* PeekSkin() const noexcept { return m_skin; }
  // Made on first call, owned by `skin` (null: none), set as its sub-skin and
  // watched by the owner; `bindPath` wires the registry key before it is announced.
  skins::TZebrinPlacementSubSkin* Placement(skins::TZebrinCustomSkin* skin, TContainerPlacementRule rule,
                                            const std::function<void(skins::TZebrinPlacementSubSkin&)>& bindPath);
  skins::TZebrinPlacementSubSkin* PeekPlacement() const noexcept { return m_placement; }
  // Made on first call over the skin `skin()` gives, owned by the owner.
  TSkinToolButtons* SkinButtons(const std::function<skins::TZebrinCustomSkin*()>& skin);

  // The skin, the tool buttons, the bindings, or `extra` (another companion of the container).
  bool IsCompanion(const platform::TComponent* component,
                   const platform::TComponent* extra = nullptr) const noexcept;
  // The owner's components that are no companion.
  int DeclaredCount(const platform::TComponent* extra = nullptr) const;
  // Frees every owned component, the last first, then resets eventData and
  // exec and makes firstShow true.
  void Clear();
  // From the owner's Notification: forgets the bindings and companions being freed.
  void Notification(platform::TComponent* component, platform::TOperation operation) noexcept;

  // --- Events with the owner's Name first ---
  platform::Variant Fire(std::string_view name, std::span<const platform::Variant> args = {});
  // "show" [Name, firstShow].
  void FireShow();
  // "contextpopup" [Name, x, y]; the answer.
  platform::Variant FireContextPopup(platform::TPoint mousePos);
  // [Name, button, modifiers, x, y] in the scripts' codes.
  void FireMouseButton(std::string_view name, TMouseButton button, TShiftState shift, int x, int y);
  // "mousemove" [Name, modifiers, x, y].
  void FireMouseMove(TShiftState shift, int x, int y);
  // [Name, modifiers, x, y]; the answer.
  platform::Variant FireWheel(std::string_view name, TShiftState shift, platform::TPoint mousePos);

 private:
  platform::TComponent& m_owner;
  IScriptEventSource& m_source;
  TAnnounce m_announce;
  TScriptEventsSlot m_events;
  platform::Variant m_eventData = platform::Variant::Null();
  platform::Variant m_execResult = platform::Variant::Null();
  bool m_firstShow = true;
  skins::TZebrinCustomSkin* m_skin = nullptr;             // owned by the owner; forgotten through Notification
  skins::TZebrinPlacementSubSkin* m_placement = nullptr;  // the skin's; free notification
  TSkinToolButtons* m_skinButtons = nullptr;              // owned by the owner
};

}  // namespace halbrin
