#pragma once

// TFrameEx ("container"): a child pane of a form or of another container,
// with a control skin, placement, tool buttons, script events and exec words
// of its own. Everything declared inside it is owned by it.
//
//   <container id="Tools" align:TAlign="alLeft" width="160">
//     <skin caption.count="1"/>
//     <events><event id="onshow" xml="toolsShown"/></events>
//   </container>

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/app/application_ex.h"
#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"
#include "core/framework/std_events_component.h"
#include "platform/controls/frame.h"
#include "platform/eventloop/idle_source.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {
class TZebrinPlacementSubSkin;
}  // namespace halbrin::skins

namespace halbrin {

class TSkinToolButtons;
class TZebrinControlSkinEx;

// The font name forms and frames start with (the stock name the font layer
// maps to the desktop's sans family).
inline constexpr const char* kFormFontName = "Tahoma";

class TFrameEx : public platform::TFrame,
                 public IItemCollection,
                 public IComponentType,
                 public IScriptEventSource,
                 public IExecutable {
  HALBRIN_CLASS(TFrameEx, platform::TFrame)

  // Invisible, at (0, 0, 0, 0), window-coloured; registers with the
  // application (its components, and its windows as a windowed control).
  explicit TFrameEx(platform::TComponent* owner = nullptr);
  // Runs onDestroy first.
  ~TFrameEx() override;

  std::string GetTypeName() const override { return "container"; }

  // IItemCollection. length and empty count what was declared inside, not
  // the companions (skin, tool buttons, events); clear frees every owned
  // component, companions included, the last first, then sets eventData and
  // exec to Null and firstShow to true. Companions are made again on use.
  void clear() override;
  bool empty() const override { return length() == 0; }
  void setEmpty(bool value) override {
    if (value) clear();
  }
  int length() const override;

  // IScriptEventSource.
  TScriptEvents* GetEvents() override { return m_events.Get(); }
  void SetEvents(TScriptEvents* events) override { m_events.Assign(events); }
  platform::Variant GetEventData() const override { return m_eventData; }
  void SetEventData(const platform::Variant& value) override { m_eventData = value; }
  bool HasEvents() const override { return m_events.Peek() != nullptr; }
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: "minimize", "restore", "close" (only with a skin), "release",
  // "disablealign", "enablealign", "clear", "show", "hide", without regard
  // to case; any other word reads False.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // --- Published ---
  // The frame has a window and that window has the focus; any value written
  // gives the window the focus when it has one and can take it.
  bool GetActive() const;
  void SetActive(bool value);
  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& value) { m_data = value; }
  bool FirstShow() const noexcept { return m_firstShow; }
  // The skin's Flash with that count, when there is a skin and it is active.
  void SetFlash(int count);
  // The window's id in the window system (0 without one); the window is made first.
  std::int64_t GetHandle();
  // True to the front of the siblings, false to the back.
  void SetZOrder(bool toFront);
  // Made on first read, owned by the frame, announced through onCreateComponent.
  TZebrinControlSkinEx* Skin();
  // Made on first read, owned by the skin: placement of a pane, loaded when
  // it becomes visible, kept under the application's key with the frame's Name.
  skins::TZebrinPlacementSubSkin* Placement();
  // Made on first read with Skin = the frame's skin (made too), owned by the
  // frame, announced.
  TSkinToolButtons* SkinButtons();
  TZebrinControlSkinEx* PeekSkin() const noexcept { return m_skin; }
  skins::TZebrinPlacementSubSkin* PeekPlacement() const noexcept { return m_placement; }

  TCreateComponentEvent& OnCreateComponent() noexcept { return m_onCreateComponent; }
  platform::TNotifyEvent& OnShow() noexcept { return m_onShow; }
  platform::TNotifyEvent& OnHide() noexcept { return m_onHide; }
  platform::TNotifyEvent& OnDestroy() noexcept { return m_onDestroy; }
  // The input events are TControl's (onDblClick, onContextPopup, onMouseDown,
  // onMouseUp, onMouseMove, onMouseWheelDown, onMouseWheelUp, onMouseEnter,
  // onMouseLeave), published here.

  // --- The script events; bindings attach them by name ---
  // eventData: the Name.
  void clickHandler(platform::TObject* sender);
  void dblClickHandler(platform::TObject* sender);
  void resizeHandler(platform::TObject* sender);
  void enterHandler(platform::TObject* sender);
  void exitHandler(platform::TObject* sender);
  void hideHandler(platform::TObject* sender);
  void destroyHandler(platform::TObject* sender);
  void mouseEnterHandler(platform::TObject* sender);
  void mouseLeaveHandler(platform::TObject* sender);
  // [Name, firstShow].
  void showHandler(platform::TObject* sender);
  // [Name, x, y] in client coordinates ((-1, -1) from the keyboard); an
  // integer or Boolean answer is handled.
  void contextPopupHandler(platform::TObject* sender, platform::TPoint mousePos, bool& handled);
  // [Name, button, modifiers, x, y] in the scripts' codes (MouseButtonCode, ShiftStateCode).
  void mouseDownHandler(platform::TObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                        int x, int y);
  void mouseUpHandler(platform::TObject* sender, platform::TMouseButton button, platform::TShiftState shift, int x,
                      int y);
  // [Name, modifiers, x, y].
  void mouseMoveHandler(platform::TObject* sender, platform::TShiftState shift, int x, int y);
  // [Name, modifiers, x, y]; an integer or Boolean answer is handled.
  void mouseWheelDownHandler(platform::TObject* sender, platform::TShiftState shift, platform::TPoint mousePos,
                             bool& handled);
  void mouseWheelUpHandler(platform::TObject* sender, platform::TShiftState shift, platform::TPoint mousePos,
                           bool& handled);

 protected:
  // Calls onCreateComponent (Sender = the frame) when it is set.
  virtual void ComponentCreated(platform::TComponent& component);
  // Showing: onShow, then firstShow := false; hidden: onHide.
  void ShowingChanged() override;
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  void Release();
  // The registry key of the placement: the application's with the Name below it.
  void GetPlacementPath(platform::TObject* sender, std::string& path);
  void FireMouse(const char* event, platform::TMouseButton button, platform::TShiftState shift, int x, int y);
  bool FireWheel(const char* event, platform::TShiftState shift, platform::TPoint mousePos);
  bool IsCompanion(const platform::TComponent* component) const noexcept;

  platform::Variant m_data = platform::Variant::Null();
  platform::Variant m_eventData = platform::Variant::Null();
  TZebrinControlSkinEx* m_skin = nullptr;  // owned; forgotten through Notification; forgotten through Notification
  skins::TZebrinPlacementSubSkin* m_placement = nullptr;      // the skin's; free notification
  TSkinToolButtons* m_skinButtons = nullptr;                  // owned
  TScriptEventsSlot m_events{*this};
  platform::Variant m_execResult = platform::Variant::Null();
  bool m_firstShow = true;
  TCreateComponentEvent m_onCreateComponent;
  platform::TNotifyEvent m_onHide;
  platform::TNotifyEvent m_onShow;
  platform::TNotifyEvent m_onDestroy;
  std::unique_ptr<platform::IdleSource> m_release;
};

// The "container" type word's frame: owned by `owner`'s caller, with
// `owner` as its parent when that is a windowed control.
std::unique_ptr<platform::TComponent> NewDeclaredFrame(platform::TComponent& owner);

}  // namespace halbrin
