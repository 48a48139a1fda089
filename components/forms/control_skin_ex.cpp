#include "components/forms/control_skin_ex.h"

#include "components/forms/skin_script_events.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using namespace halbrin::platform;

using C = TZebrinControlSkinEx;
HALBRIN_DEFINE_CLASS(TZebrinControlSkinEx,
                     .Property("eventData", &C::GetEventData, &C::SetEventData)
                     .Property(
                         "events", [](const C& self) { return const_cast<C&>(self).GetEvents(); },
                         [](C& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &C::GetExec, &C::SetExec)
                     .Stored(false)
                     .Handler("addItemHandler", &C::addItemHandler)
                     .Handler("clickHandler", &C::clickHandler)
                     .Handler("dblClickHandler", &C::dblClickHandler)
                     .Handler("deleteItemHandler", &C::deleteItemHandler)
                     .Handler("mouseDownHandler", &C::mouseDownHandler)
                     .Handler("mouseUpHandler", &C::mouseUpHandler)
                     .Handler("iconClickHandler", &C::iconClickHandler)
                     .Handler("iconDblClickHandler", &C::iconDblClickHandler)
                     .Handler("iconMouseDownHandler", &C::iconMouseDownHandler)
                     .EventOf("OnIconClick", [](C& s) -> TNotifyEvent& { return s.Icon()->OnClick(); }, "TNotifyEvent")
                     .EventOf("OnIconDblClick", [](C& s) -> TNotifyEvent& { return s.Icon()->OnDblClick(); },
                              "TNotifyEvent")
                     .EventOf("OnIconMouseDown", [](C& s) -> TMouseEvent& { return s.Icon()->OnMouseDown(); },
                              "TMouseEvent"))

TZebrinControlSkinEx::TZebrinControlSkinEx(TComponent* owner) : Inherited(owner) {}

TZebrinControlSkinEx::~TZebrinControlSkinEx() {
  // No binding runs once this face is going: the engine's destructor still
  // unhooks the control and frees the band items.
  FreeEvents();
  m_execResult = Variant::Null();
}

Variant TZebrinControlSkinEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TZebrinControlSkinEx::SetExec(const Variant& value) {
  m_execResult = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "expand")) {
    Restore();
  } else if (SameText(word, "activate")) {
    if (TWinControl* control = Control()) FocusFirstControl(*control);
  } else if (!RunSkinExecWord(*this, word)) {
    m_execResult = false;
  }
}

void TZebrinControlSkinEx::addItemHandler(TObject* item) { FireSkinItemEvent(*this, *this, "additem", item); }

void TZebrinControlSkinEx::deleteItemHandler(TObject* item) { FireSkinItemEvent(*this, *this, "deleteitem", item); }

void TZebrinControlSkinEx::clickHandler(TObject* sender, TMouseButton, TShiftState, int, int) {
  FireSkinItemEvent(*this, *this, "click", sender);
}

void TZebrinControlSkinEx::dblClickHandler(TObject* sender, TMouseButton, TShiftState, int, int) {
  FireSkinItemEvent(*this, *this, "dblclick", sender);
}

void TZebrinControlSkinEx::mouseDownHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "mousedown", sender, button, shift, x, y);
}

void TZebrinControlSkinEx::mouseUpHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "mouseup", sender, button, shift, x, y);
}

void TZebrinControlSkinEx::iconClickHandler(TObject* sender) { FireSkinItemEvent(*this, *this, "iconclick", sender); }

void TZebrinControlSkinEx::iconDblClickHandler(TObject* sender) { FireSkinItemEvent(*this, *this, "icondblclick", sender); }

void TZebrinControlSkinEx::iconMouseDownHandler(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
  FireSkinMouseEvent(*this, *this, "iconmousedown", sender, button, shift, x, y);
}

}  // namespace halbrin
