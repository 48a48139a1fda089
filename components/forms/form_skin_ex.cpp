#include "components/forms/form_skin_ex.h"

#include "components/forms/skin_script_events.h"
#include "core/app/application_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;

using F = TZebrinFormSkinEx;
HALBRIN_DEFINE_CLASS(TZebrinFormSkinEx,
                     .Property("eventData", &F::GetEventData, &F::SetEventData)
                     .Property(
                         "events", [](const F& self) { return const_cast<F&>(self).GetEvents(); },
                         [](F& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &F::GetExec, &F::SetExec)
                     .Stored(false)
                     .Handler("addItemHandler", &F::addItemHandler)
                     .Handler("clickHandler", &F::clickHandler)
                     .Handler("dblClickHandler", &F::dblClickHandler)
                     .Handler("deleteItemHandler", &F::deleteItemHandler)
                     .Handler("mouseDownHandler", &F::mouseDownHandler)
                     .Handler("mouseUpHandler", &F::mouseUpHandler)
                     .Handler("iconClickHandler", &F::iconClickHandler)
                     .Handler("iconDblClickHandler", &F::iconDblClickHandler)
                     .Handler("iconMouseDownHandler", &F::iconMouseDownHandler)
                     .EventOf("OnIconClick", [](F& s) -> TNotifyEvent& { return s.Icon()->OnClick(); }, "TNotifyEvent")
                     .EventOf("OnIconDblClick", [](F& s) -> TNotifyEvent& { return s.Icon()->OnDblClick(); },
                              "TNotifyEvent")
                     .EventOf("OnIconMouseDown", [](F& s) -> TMouseEvent& { return s.Icon()->OnMouseDown(); },
                              "TMouseEvent"))

TZebrinFormSkinEx::TZebrinFormSkinEx(TComponent* owner) : Inherited(owner) {}

TZebrinFormSkinEx::~TZebrinFormSkinEx() {
  // No binding runs once this face is going: the engine's destructor still
  // unhooks the control and frees the band items.
  FreeEvents();
  m_execResult = Variant::Null();
}

Variant TZebrinFormSkinEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TZebrinFormSkinEx::SetExec(const Variant& value) {
  m_execResult = true;
  if (!RunSkinExecWord(*this, ExecVerbText(value))) m_execResult = false;
}

bool TZebrinFormSkinEx::GetActive() const {
  if (TZebrinFormSkin::GetActive()) return true;
  const TComponent* form = Form();
  if (!form || form != ApplicationHooks().MainForm()) return false;
  return ApplicationExExists() && GetApplicationEx()->Ui().IsActive();
}

void TZebrinFormSkinEx::addItemHandler(TObject* item) { FireSkinItemEvent(*this, *this, "additem", item); }

void TZebrinFormSkinEx::deleteItemHandler(TObject* item) { FireSkinItemEvent(*this, *this, "deleteitem", item); }

void TZebrinFormSkinEx::clickHandler(TObject* sender, TMouseButton, TShiftState, int, int) {
  FireSkinItemEvent(*this, *this, "click", sender);
}

void TZebrinFormSkinEx::dblClickHandler(TObject* sender, TMouseButton, TShiftState, int, int) {
  FireSkinItemEvent(*this, *this, "dblclick", sender);
}

void TZebrinFormSkinEx::mouseDownHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "mousedown", sender, button, shift, x, y);
}

void TZebrinFormSkinEx::mouseUpHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "mouseup", sender, button, shift, x, y);
}

void TZebrinFormSkinEx::iconClickHandler(TObject* sender) { FireSkinItemEvent(*this, *this, "iconclick", sender); }

void TZebrinFormSkinEx::iconDblClickHandler(TObject* sender) { FireSkinItemEvent(*this, *this, "icondblclick", sender); }

void TZebrinFormSkinEx::iconMouseDownHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "iconmousedown", sender, button, shift, x, y);
}

}  // namespace halbrin
