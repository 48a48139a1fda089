#pragma once

// TFormEx ("form"): a project's top-level window. It owns everything declared
// inside it, fires script events with their eventData, runs exec words, and
// makes its companions (skin, placement, tool buttons, action list, script
// events) on first use, announcing each through onCreateComponent. The first
// form made becomes the application's main form.
//
//   <form id="Main" caption="Welcome" width="480" height="320"
//         userInterfaceOptions="[uioSkin,uioPlacement]">
//     <events><event id="onshow" xml="mainShown"/></events>
//   </form>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/foundation/icon_loader.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"
#include "core/framework/std_events_component.h"
#include "platform/controls/form.h"
#include "platform/graphics/image_list.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {
class TZebrinPlacementSubSkin;
}  // namespace halbrin::skins

namespace halbrin {

class TActionListEx;
class TApplicationEx;
class TSkinToolButtons;
class TZebrinFormSkinEx;

// (Sender, the companion just made)
using TFormCreateComponentEvent = platform::TEvent<platform::TObject*, platform::TComponent*>;

// userInterfaceOptions: bit n is element n.
using TFormExUIOptions = std::uint32_t;
inline constexpr TFormExUIOptions uioMouseAlphaBlend = 0x1;
inline constexpr TFormExUIOptions uioSkin = 0x2;
inline constexpr TFormExUIOptions uioPlacement = 0x4;
const platform::TEnumInfo& FormExUIOptionInfo();

// How MDI children would be tiled; kept for scripts, nothing tiles yet.
enum TTileMode : std::uint8_t { tbHorizontal, tbVertical };
const platform::TEnumInfo& TileModeInfo();

// The distance between the corners of cascaded MDI children.
inline constexpr int kCascadeStep = 24;

class TFormEx : public platform::TForm,
                public IItemCollection,
                public IComponentType,
                public IScriptEventSource,
                public IExecutable {
  HALBRIN_CLASS(TFormEx, platform::TForm)

  // At (0, 0, 0, 0), window-coloured, hidden; onCreateComponent is the
  // application's controlCreateComponent when an application exists. The
  // form registers with the application (the first one becomes the main
  // form) and announces itself.
  explicit TFormEx(platform::TComponent* owner = nullptr);
  // "destroy" first (while bindings may still run), then the owned
  // components go while the form is whole.
  ~TFormEx() override;

  std::string GetTypeName() const override { return "form"; }

  // IItemCollection. length and empty count what was declared inside, not
  // the companions (skin, tool buttons, action list, events); clear frees
  // every owned component, companions included, the last first, then sets
  // eventData and exec to Null and firstShow to true.
  void clear() override;
  bool empty() const override { return length() == 0; }
  void setEmpty(bool value) override {
    if (value) clear();
  }
  int length() const override;

  // IScriptEventSource. Reading events makes the bindings (announced).
  TScriptEvents* GetEvents() override;
  void SetEvents(TScriptEvents* events) override;
  platform::Variant GetEventData() const override { return m_eventData; }
  void SetEventData(const platform::Variant& value) override { m_eventData = value; }
  bool HasEvents() const override { return m_events.Peek() != nullptr; }
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: "minimize", "restore", "maximize", "close", "release",
  // "show", "hide", "showmodal" (the result is the modal result), "activate",
  // "cascade", "repaint", "refresh", "clear", without regard to case; any
  // other word reads False and changes nothing.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // --- Published ---
  // The screen's active form is this one. True runs the activation
  // notification ("activate"); false does nothing.
  bool GetActive() const;
  void SetActive(bool value);
  // The application object; null while none exists.
  TApplicationEx* Application() const;
  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& value) { m_data = value; }
  // Asks the window system for a shadow (where one is drawn); the window stays.
  bool DropShadow() const noexcept { return m_dropShadow; }
  void SetDropShadow(bool value);
  bool FirstShow() const noexcept { return m_firstShow; }
  void SetFirstShow(bool value) noexcept { m_firstShow = value; }
  // The skin's caption flashing with that count, when the form has a skin
  // and it is active; otherwise nothing.
  void SetFlash(int count);
  // Empty clears the icon, a file name (or "file,index") loads it; a value
  // that loads nothing leaves it and logs `Icon "..." not loaded`.
  void SetImage(const platform::Variant& value);
  platform::TColor LineColor() const noexcept { return m_lineColor; }
  // A change runs refreshSkin.
  void SetLineColor(platform::TColor color);
  TFormExUIOptions UserInterfaceOptions() const noexcept { return m_uiOptions; }
  // The same value does nothing. Added options act once, in this order:
  // uioMouseAlphaBlend turns alpha blending on (an alpha of 255 becomes
  // 128; it is off while the mouse is over the form), uioSkin makes the
  // skin and enables it, uioPlacement makes the placement and enables it.
  // Removing an option undoes nothing.
  void SetUserInterfaceOptions(TFormExUIOptions options);
  // True to the front, false to the back.
  void SetZOrder(bool toFront);
  TTileMode TileMode() const noexcept { return m_tileMode; }
  void SetTileMode(TTileMode mode) noexcept { m_tileMode = mode; }

  // Companions, each made on first read, owned by the form (the placement by
  // the skin) and announced through onCreateComponent.
  TZebrinFormSkinEx* Skin();
  skins::TZebrinPlacementSubSkin* Placement();
  TSkinToolButtons* SkinButtons();
  TActionListEx* Actions();
  TZebrinFormSkinEx* PeekSkin() const noexcept { return m_skin; }
  skins::TZebrinPlacementSubSkin* PeekPlacement() const noexcept { return m_placement; }

  // MDI children: the child controls carrying a form skin.
  int MDIChildCount() const;
  // The child holding the focus, else the topmost visible one; null without.
  platform::TWinControl* ActiveMDIChild() const;
  // Each visible MDI child from its parent's corner, kCascadeStep further
  // than the one before, sized to fit, and brought to the front in turn.
  void Cascade();

  // The skin's refresh, when the form has a skin and it is active.
  void RefreshSkin();
  // The placement's registry key: the application's, with the Name below it.
  std::string RegistryKeyPath() const;

  TFormCreateComponentEvent& OnCreateComponent() noexcept { return m_onCreateComponent; }

  // --- The script events; bindings attach them by name ---
  // eventData: the Name.
  void clickHandler(platform::TObject* sender);
  void dblClickHandler(platform::TObject* sender);
  void hideHandler(platform::TObject* sender);
  void resizeHandler(platform::TObject* sender);
  void activateHandler(platform::TObject* sender);
  void deactivateHandler(platform::TObject* sender);
  void createHandler(platform::TObject* sender);
  void destroyHandler(platform::TObject* sender);
  void mouseEnterHandler(platform::TObject* sender);
  void mouseLeaveHandler(platform::TObject* sender);
  // [Name, firstShow].
  void showHandler(platform::TObject* sender);
  // Name; an integer or Boolean answer is whether it may close.
  void closeQueryHandler(platform::TObject* sender, bool& canClose);
  // [Name, action]; an integer answer 0..3 is the action, False is caNone.
  void closeHandler(platform::TObject* sender, platform::TCloseAction& action);
  // [Name, x, y]; an integer or Boolean answer is handled.
  void contextPopupHandler(platform::TObject* sender, platform::TPoint mousePos, bool& handled);
  // [Name, command, data]; an integer or Boolean answer is whether to call
  // help. The help counts as handled.
  void helpHandler(std::uint16_t command, std::int32_t data, bool& callHelp, bool& result);
  // [Name, key, modifiers]; an integer answer is the key (0 suppresses it),
  // False suppresses it, True leaves it.
  void keyDownHandler(platform::TObject* sender, std::uint16_t& key, TShiftState shift);
  void keyUpHandler(platform::TObject* sender, std::uint16_t& key, TShiftState shift);
  // [Name, character]; as for keys.
  void keyPressHandler(platform::TObject* sender, char& key);
  // [Name, button, modifiers, x, y].
  void mouseDownHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void mouseUpHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  // [Name, modifiers, x, y].
  void mouseMoveHandler(platform::TObject* sender, TShiftState shift, int x, int y);
  // [Name, modifiers, x, y]; an integer or Boolean answer is handled.
  void mouseWheelDownHandler(platform::TObject* sender, TShiftState shift, platform::TPoint mousePos, bool& handled);
  void mouseWheelUpHandler(platform::TObject* sender, TShiftState shift, platform::TPoint mousePos, bool& handled);

 protected:
  // Calls onCreateComponent (Sender = the form) when it is set.
  virtual void ComponentCreated(platform::TComponent& component);
  // The exec words of the form; false when `word` is none of them.
  bool ExecFormWord(const std::string& word);
  platform::Variant& ExecResult() noexcept { return m_execResult; }

  // Showing: "show" (with firstShow still as it was), then firstShow :=
  // false and refreshSkin.
  void ShowingChanged(bool showing) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void WindowCreated() override;
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  bool IsCompanion(const platform::TComponent* component) const noexcept;
  void GetPlacementPath(platform::TObject* sender, std::string& path);
  platform::Variant FireKey(const char* event, std::uint16_t key, TShiftState shift);

  platform::Variant m_data = platform::Variant::Null();
  TFormCreateComponentEvent m_onCreateComponent;
  platform::TColor m_lineColor = platform::clDefault;
  TActionListEx* m_actions = nullptr;                     // owned; forgotten through Notification
  bool m_dropShadow = false;
  bool m_firstShow = true;
  TZebrinFormSkinEx* m_skin = nullptr;                    // owned
  TSkinToolButtons* m_skinButtons = nullptr;              // owned
  skins::TZebrinPlacementSubSkin* m_placement = nullptr;  // the skin's; free notification
  platform::Variant m_eventData = platform::Variant::Null();
  TScriptEventsSlot m_events{*this};
  platform::Variant m_execResult = platform::Variant::Null();
  TFormExUIOptions m_uiOptions = 0;
  TTileMode m_tileMode = tbHorizontal;
};

// What an integer or Boolean script answer makes of a key code, a character
// or a close action: an integer is the new value, False is 0, True and any
// other answer leave `value`. (Flags take ActionHandledResult's rule.)
std::int64_t IntegerEventResult(const platform::Variant& result, std::int64_t value) noexcept;

}  // namespace halbrin
