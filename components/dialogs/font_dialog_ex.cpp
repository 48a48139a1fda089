#include "components/dialogs/font_dialog_ex.h"

#include "core/framework/application_hooks.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TFontDialogEx,
                     .Event("onExecute", &TFontDialogEx::OnExecute, "TNotifyEvent")
                     .Property("eventData", &TFontDialogEx::GetEventData, &TFontDialogEx::SetEventData)
                     .Stored(false)
                     .Property(
                         "events", [](const TFontDialogEx& self) { return const_cast<TFontDialogEx&>(self).GetEvents(); },
                         [](TFontDialogEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TFontDialogEx::GetExec, &TFontDialogEx::SetExec)
                     .Stored(false)
                     .Handler("showHandler", &TFontDialogEx::showHandler)
                     .Handler("closeHandler", &TFontDialogEx::closeHandler)
                     .Handler("applyHandler", &TFontDialogEx::applyHandler)
                     .Handler("executeHandler", &TFontDialogEx::executeHandler))

TFontDialogEx::TFontDialogEx(TComponent* owner) : Inherited(owner) { ApplicationHooks().RegisterComponent(*this); }

TFontDialogEx::~TFontDialogEx() {
  m_execResult = Variant::Null();
}

bool TFontDialogEx::Execute() {
  if (!TFontDialog::Execute()) return false;
  OnExecute(this);
  return true;
}

Variant TFontDialogEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEventWithData(*this, *this, name, args, sender);
}

void TFontDialogEx::SetExec(const Variant&) { m_execResult = Execute(); }

void TFontDialogEx::FireWithFont(std::string_view name) {
  const Variant args[] = {Variant(Font().Name()), Variant(Font().Size()), Variant(static_cast<int>(Font().Color()))};
  FireEvent(name, args, nullptr);
}

void TFontDialogEx::showHandler(TObject*) { FireEvent("show", {}, nullptr); }
void TFontDialogEx::closeHandler(TObject*) { FireEvent("close", {}, nullptr); }
void TFontDialogEx::applyHandler(TObject*) { FireWithFont("apply"); }
void TFontDialogEx::executeHandler(TObject*) { FireWithFont("execute"); }

}  // namespace halbrin
