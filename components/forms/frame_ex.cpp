#include "components/forms/frame_ex.h"

#include "components/forms/action_ex.h"
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
  m_container.ResetResults();
  m_data = Variant::Null();
}

// --- Lists and companions ------------------------------------------------------

int TFrameEx::length() const { return m_container.DeclaredCount(); }

void TFrameEx::clear() { m_container.Clear(); }

TZebrinControlSkinEx* TFrameEx::Skin() {
  return m_container.Skin<TZebrinControlSkinEx>([this](TZebrinControlSkinEx& skin) { skin.SetControl(this); });
}

TZebrinControlSkinEx* TFrameEx::PeekSkin() const noexcept {
  return static_cast<TZebrinControlSkinEx*>(m_container.PeekSkin());
}

TZebrinPlacementSubSkin* TFrameEx::Placement() {
  // A pane's placement loads when it becomes visible and keeps its position.
  return m_container.Placement(Skin(), {false, skins::pshVisible}, [this](TZebrinPlacementSubSkin& placement) {
    placement.OnGetRegistryPath().Bind(*this, &TFrameEx::GetPlacementPath);
  });
}

TSkinToolButtons* TFrameEx::SkinButtons() {
  return m_container.SkinButtons([this] { return Skin(); });
}

void TFrameEx::GetPlacementPath(TObject*, std::string& path) { path = GetRegistryKeyPath(Name()); }

void TFrameEx::ComponentCreated(TComponent& component) {
  if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, &component);
}

void TFrameEx::Notification(TComponent* component, TOperation operation) {
  TFrame::Notification(component, operation);
  m_container.Notification(component, operation);
}

// --- Published -------------------------------------------------------------------

bool TFrameEx::GetActive() const { return HandleAllocated() && Focused(); }

void TFrameEx::SetActive(bool) {
  if (HandleAllocated() && CanFocus()) SetFocus();
}

void TFrameEx::SetFlash(int count) {
  if (TZebrinControlSkinEx* skin = PeekSkin(); skin && skin->GetActive()) skin->Flash(count);
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
  Variant& result = m_container.ExecResult();
  result = true;
  TZebrinControlSkinEx* skin = PeekSkin();
  if (SameText(word, "minimize") && skin) {
    skin->Minimize();
  } else if (SameText(word, "restore") && skin) {
    skin->Restore();
  } else if (SameText(word, "close") && skin) {
    skin->Close();
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
    result = false;
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
    m_container.SetFirstShow(false);
  } else {
    m_onHide(this);
  }
}

void TFrameEx::clickHandler(TObject*) { m_container.Fire("click"); }
void TFrameEx::dblClickHandler(TObject*) { m_container.Fire("dblclick"); }
void TFrameEx::resizeHandler(TObject*) { m_container.Fire("resize"); }
void TFrameEx::enterHandler(TObject*) { m_container.Fire("enter"); }
void TFrameEx::exitHandler(TObject*) { m_container.Fire("exit"); }
void TFrameEx::hideHandler(TObject*) { m_container.Fire("hide"); }
void TFrameEx::destroyHandler(TObject*) { m_container.Fire("destroy"); }
void TFrameEx::mouseEnterHandler(TObject*) { m_container.Fire("mouseenter"); }
void TFrameEx::mouseLeaveHandler(TObject*) { m_container.Fire("mouseleave"); }

void TFrameEx::showHandler(TObject*) { m_container.FireShow(); }

void TFrameEx::contextPopupHandler(TObject*, TPoint mousePos, bool& handled) {
  handled = ActionHandledResult(m_container.FireContextPopup(mousePos), handled);
}

void TFrameEx::mouseDownHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  m_container.FireMouseButton("mousedown", button, shift, x, y);
}

void TFrameEx::mouseUpHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  m_container.FireMouseButton("mouseup", button, shift, x, y);
}

void TFrameEx::mouseMoveHandler(TObject*, TShiftState shift, int x, int y) {
  m_container.FireMouseMove(shift, x, y);
}

bool TFrameEx::FireWheel(const char* event, TShiftState shift, TPoint mousePos, bool handled) {
  return ActionHandledResult(m_container.FireWheel(event, shift, mousePos), handled);
}

void TFrameEx::mouseWheelDownHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  handled = FireWheel("mousewheeldown", shift, mousePos, handled);
}

void TFrameEx::mouseWheelUpHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  handled = FireWheel("mousewheelup", shift, mousePos, handled);
}

std::unique_ptr<TComponent> NewDeclaredFrame(TComponent& owner) {
  auto frame = std::make_unique<TFrameEx>(&owner);
  if (auto* parent = dynamic_cast<TWinControl*>(&owner)) frame->SetParent(parent);
  return frame;
}

}  // namespace halbrin
