#include "components/forms/frame_ex.h"

#include "components/forms/control_skin_ex.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/eventloop/main_event_loop.h"
#include "skins/core/placement_sub_skin.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinPlacementSubSkin;

namespace {

constexpr TColor kWindowColor = SystemColor(5);  // clWindow

}  // namespace

HALBRIN_DEFINE_CLASS(TFrameEx,
                     .Property("active", &TFrameEx::GetActive, &TFrameEx::SetActive)
                     .Stored(false)
                     .Property("data", &TFrameEx::Data, &TFrameEx::SetData)
                     .Stored(false)
                     .Property("empty", &TFrameEx::empty, &TFrameEx::setEmpty)
                     .Stored(false)
                     .Property("eventData", &TFrameEx::GetEventData, &TFrameEx::SetEventData)
                     .Stored(false)
                     .Property(
                         "events", [](const TFrameEx& self) { return const_cast<TFrameEx&>(self).GetEvents(); },
                         [](TFrameEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TFrameEx::GetExec, &TFrameEx::SetExec)
                     .Stored(false)
                     .Property("firstShow", &TFrameEx::FirstShow)
                     .Stored(false)
                     .Property(
                         "flash", [](const TFrameEx&) { return 0; },
                         [](TFrameEx& self, int count) { self.SetFlash(count); })
                     .Stored(false)
                     .Property("handle", [](const TFrameEx& self) { return const_cast<TFrameEx&>(self).GetHandle(); })
                     .Stored(false)
                     .Property("length", &TFrameEx::length)
                     .Stored(false)
                     .Property(
                         "placement", [](const TFrameEx& self) { return const_cast<TFrameEx&>(self).Placement(); })
                     .Stored(false)
                     .Property("skin", [](const TFrameEx& self) { return const_cast<TFrameEx&>(self).Skin(); })
                     .Stored(false)
                     .Property(
                         "skinButtons", [](const TFrameEx& self) { return const_cast<TFrameEx&>(self).SkinButtons(); })
                     .Stored(false)
                     .Property(
                         "zOrder", [](const TFrameEx&) { return false; },
                         [](TFrameEx& self, bool toFront) { self.SetZOrder(toFront); })
                     .Stored(false)
                     .Event("onContextPopup", &TFrameEx::m_onContextPopup, "TContextPopupEvent")
                     .Event("onCreateComponent", &TFrameEx::m_onCreateComponent, "TCreateComponentEvent")
                     .Event("onDblClick", &TFrameEx::m_onDblClick, "TNotifyEvent")
                     .Event("onDestroy", &TFrameEx::m_onDestroy, "TNotifyEvent")
                     .Event("onHide", &TFrameEx::m_onHide, "TNotifyEvent")
                     .Event("onMouseDown", &TFrameEx::m_onMouseDown, "TMouseEvent")
                     .Event("onMouseEnter", &TFrameEx::m_onMouseEnter, "TNotifyEvent")
                     .Event("onMouseLeave", &TFrameEx::m_onMouseLeave, "TNotifyEvent")
                     .Event("onMouseMove", &TFrameEx::m_onMouseMove, "TMouseMoveEvent")
                     .Event("onMouseUp", &TFrameEx::m_onMouseUp, "TMouseEvent")
                     .Event("onMouseWheelDown", &TFrameEx::m_onMouseWheelDown, "TMouseWheelUpDownEvent")
                     .Event("onMouseWheelUp", &TFrameEx::m_onMouseWheelUp, "TMouseWheelUpDownEvent")
                     .Event("onShow", &TFrameEx::m_onShow, "TNotifyEvent")
                     .Handler("clickHandler", &TFrameEx::clickHandler)
                     .Handler("contextPopupHandler", &TFrameEx::contextPopupHandler)
                     .Handler("dblClickHandler", &TFrameEx::dblClickHandler)
                     .Handler("destroyHandler", &TFrameEx::destroyHandler)
                     .Handler("enterHandler", &TFrameEx::enterHandler)
                     .Handler("exitHandler", &TFrameEx::exitHandler)
                     .Handler("hideHandler", &TFrameEx::hideHandler)
                     .Handler("mouseDownHandler", &TFrameEx::mouseDownHandler)
                     .Handler("mouseEnterHandler", &TFrameEx::mouseEnterHandler)
                     .Handler("mouseLeaveHandler", &TFrameEx::mouseLeaveHandler)
                     .Handler("mouseMoveHandler", &TFrameEx::mouseMoveHandler)
                     .Handler("mouseUpHandler", &TFrameEx::mouseUpHandler)
                     .Handler("mouseWheelDownHandler", &TFrameEx::mouseWheelDownHandler)
                     .Handler("mouseWheelUpHandler", &TFrameEx::mouseWheelUpHandler)
                     .Handler("resizeHandler", &TFrameEx::resizeHandler)
                     .Handler("showHandler", &TFrameEx::showHandler))

TFrameEx::TFrameEx(TComponent* owner) : TFrame(owner) {
  SetVisible(false);
  SetBounds(0, 0, 0, 0);
  SetColor(kWindowColor);
  Font().SetName(kFormFontName);
  // Fully a windowed control here: the application lists it among its windows too.
  ApplicationHooks().RegisterComponent(*this);
}

TFrameEx::~TFrameEx() {
  m_onDestroy(this);
  m_release.reset();
  // From here on nothing makes a companion again.
  SetState(csDestroying, true);
  // The companions and declared components go while the frame is whole: a
  // skin lets go of its control as it goes.
  DestroyComponents();
  m_eventData = Variant::Null();
  m_execResult = Variant::Null();
  m_data = Variant::Null();
}

// --- Lists and companions ------------------------------------------------------

bool TFrameEx::IsCompanion(const TComponent* component) const noexcept {
  return component && (component == m_skin || component == m_skinButtons || component == m_events.Peek());
}

int TFrameEx::length() const {
  int count = 0;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!IsCompanion(Components(i))) ++count;
  return count;
}

void TFrameEx::clear() {
  // Free waits for a component whose handler runs, but takes it out at once.
  while (ComponentCount() > 0) TComponent::Free(*Components(ComponentCount() - 1));
  m_eventData = Variant::Null();
  m_execResult = Variant::Null();
  m_firstShow = true;
}

TZebrinControlSkinEx* TFrameEx::Skin() {
  if (!m_skin && !IsDestroying()) {
    auto& skin = MakeComponent<TZebrinControlSkinEx>(*this);
    m_skin = &skin;
    skin.SetControl(this);
    ComponentCreated(skin);
  }
  return m_skin;
}

TZebrinPlacementSubSkin* TFrameEx::Placement() {
  if (!m_placement) {
    TZebrinControlSkinEx* skin = Skin();
    if (!skin) return nullptr;
    auto& placement = MakeComponent<TZebrinPlacementSubSkin>(*skin);
    m_placement = &placement;
    placement.SetAdjustPosition(false);
    placement.SetHandler(skins::pshVisible);
    placement.OnGetRegistryPath().Bind(*this, &TFrameEx::GetPlacementPath);
    skin->SetSubSkin(&placement);
    FreeNotification(&placement);
    ComponentCreated(placement);
  }
  return m_placement;
}

TSkinToolButtons* TFrameEx::SkinButtons() {
  if (!m_skinButtons && !IsDestroying()) {
    auto& buttons = MakeComponent<TSkinToolButtons>(*this);
    m_skinButtons = &buttons;
    buttons.SetSkin(Skin());
    ComponentCreated(buttons);
  }
  return m_skinButtons;
}

void TFrameEx::GetPlacementPath(TObject*, std::string& path) { path = GetRegistryKeyPath(Name()); }

void TFrameEx::ComponentCreated(TComponent& component) {
  if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, &component);
}

void TFrameEx::Notification(TComponent* component, TOperation operation) {
  TFrame::Notification(component, operation);
  m_events.Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (component == m_skin) {
    m_skin = nullptr;
    m_placement = nullptr;  // the skin's own
  }
  if (component == m_placement) m_placement = nullptr;
  if (component == m_skinButtons) m_skinButtons = nullptr;
}

// --- Published -------------------------------------------------------------------

bool TFrameEx::GetActive() const { return HandleAllocated() && Focused(); }

void TFrameEx::SetActive(bool) {
  if (HandleAllocated() && CanFocus()) SetFocus();
}

void TFrameEx::SetFlash(int count) {
  if (m_skin && m_skin->GetActive()) m_skin->Flash(count);
}

std::int64_t TFrameEx::GetHandle() {
  HandleNeeded();
  return HandleAllocated() ? static_cast<std::int64_t>(Backend()->NativeWindowId(Window())) : 0;
}

void TFrameEx::SetZOrder(bool toFront) {
  if (toFront)
    BringToFront();
  else
    SendToBack();
}

// --- Exec --------------------------------------------------------------------------

void TFrameEx::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  m_execResult = true;
  if (SameText(word, "minimize") && m_skin) {
    m_skin->Minimize();
  } else if (SameText(word, "restore") && m_skin) {
    m_skin->Restore();
  } else if (SameText(word, "close") && m_skin) {
    m_skin->Close();
  } else if (SameText(word, "release")) {
    Release();
  } else if (SameText(word, "disablealign")) {
    DisableAlign();
  } else if (SameText(word, "enablealign")) {
    EnableAlign();
  } else if (SameText(word, "clear")) {
    clear();
  } else if (SameText(word, "show")) {
    Show();
  } else if (SameText(word, "hide")) {
    Hide();
  } else {
    m_execResult = false;
  }
}

void TFrameEx::Release() {
  if (!HandleAllocated()) return;
  if (!m_release)
    m_release = std::make_unique<IdleSource>(MainEventLoop(), [this] {
      // A frame nobody owns belongs to the code that made it.
      if (Owner()) TComponent::Free(*this);
    });
  m_release->Schedule();
}

// --- Script events -----------------------------------------------------------------

Variant TFrameEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TFrameEx::ShowingChanged() {
  if (ShowingState()) {
    m_onShow(this);
    m_firstShow = false;
  } else {
    m_onHide(this);
  }
}

void TFrameEx::clickHandler(TObject*) { FireEvent("click", {}, nullptr); }
void TFrameEx::dblClickHandler(TObject*) { FireEvent("dblclick", {}, nullptr); }
void TFrameEx::resizeHandler(TObject*) { FireEvent("resize", {}, nullptr); }
void TFrameEx::enterHandler(TObject*) { FireEvent("enter", {}, nullptr); }
void TFrameEx::exitHandler(TObject*) { FireEvent("exit", {}, nullptr); }
void TFrameEx::hideHandler(TObject*) { FireEvent("hide", {}, nullptr); }
void TFrameEx::destroyHandler(TObject*) { FireEvent("destroy", {}, nullptr); }
void TFrameEx::mouseEnterHandler(TObject*) { FireEvent("mouseenter", {}, nullptr); }
void TFrameEx::mouseLeaveHandler(TObject*) { FireEvent("mouseleave", {}, nullptr); }

void TFrameEx::showHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(m_firstShow)};
  FireEvent("show", args, nullptr);
}

void TFrameEx::contextPopupHandler(TObject*, TPoint mousePos, bool& handled) {
  const Variant args[] = {Variant(Name()), Variant(mousePos.X), Variant(mousePos.Y)};
  handled = ScriptResultAsBoolean(FireEvent("contextpopup", args, nullptr), false);
}

void TFrameEx::FireMouse(const char* event, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  FireEvent(event, args, nullptr);
}

void TFrameEx::mouseDownHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  FireMouse("mousedown", button, shift, x, y);
}

void TFrameEx::mouseUpHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  FireMouse("mouseup", button, shift, x, y);
}

void TFrameEx::mouseMoveHandler(TObject*, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(x), Variant(y)};
  FireEvent("mousemove", args, nullptr);
}

bool TFrameEx::FireWheel(const char* event, TShiftState shift, TPoint mousePos) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(mousePos.X), Variant(mousePos.Y)};
  return ScriptResultAsBoolean(FireEvent(event, args, nullptr), false);
}

void TFrameEx::mouseWheelDownHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  handled = FireWheel("mousewheeldown", shift, mousePos);
}

void TFrameEx::mouseWheelUpHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  handled = FireWheel("mousewheelup", shift, mousePos);
}

std::unique_ptr<TComponent> NewDeclaredFrame(TComponent& owner) {
  auto frame = std::make_unique<TFrameEx>(&owner);
  if (auto* parent = dynamic_cast<TWinControl*>(&owner)) frame->SetParent(parent);
  return frame;
}

}  // namespace halbrin
