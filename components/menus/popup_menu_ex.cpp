#include "components/menus/popup_menu_ex.h"

#include <memory>

#include "components/menus/menu_item_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/classes/class_builder.h"
#include "platform/services/desktop_service.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TPopupMenuEx,
                     .Property("data", &TPopupMenuEx::Data, &TPopupMenuEx::SetData)
                     .Property(
                         "empty", [](const TPopupMenuEx& self) { return self.empty(); },
                         [](TPopupMenuEx& self, bool value) { self.setEmpty(value); })
                     .Stored(false)
                     .Property("eventData", &TPopupMenuEx::GetEventData, &TPopupMenuEx::SetEventData)
                     .Property(
                         "events", [](const TPopupMenuEx& self) { return const_cast<TPopupMenuEx&>(self).GetEvents(); },
                         [](TPopupMenuEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TPopupMenuEx::GetExec, &TPopupMenuEx::SetExec)
                     .Stored(false)
                     .Property("items", [](const TPopupMenuEx& self) { return &self.Items(); })
                     .Stored(false)
                     .Property("length", [](const TPopupMenuEx& self) { return self.length(); })
                     .Stored(false)
                     .Property("visible", &TPopupMenuEx::Visible, &TPopupMenuEx::SetVisible)
                     .Stored(false)
                     .Handler("popupHandler", &TPopupMenuEx::popupHandler))

TPopupMenuEx::TPopupMenuEx(TComponent* owner) : Inherited(owner) { ApplicationHooks().RegisterComponent(*this); }

TPopupMenuEx::~TPopupMenuEx() {
  m_execResult = Variant::Null();
  m_data = Variant::Null();
}

void TPopupMenuEx::SetVisible(bool visible) {
  if (!visible) return;
  const TPoint at = CurrentDesktopService().CursorPos().value_or(TPoint{0, 0});
  Popup(at.X, at.Y);
}

TMenuItemEx& TPopupMenuEx::AddLine() {
  auto& line = static_cast<TMenuItemEx&>(Items().Add(std::make_unique<TMenuItemEx>(&Items())));
  line.SetCaption("-");
  return line;
}

Variant TPopupMenuEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TPopupMenuEx::SetExec(const Variant& value) {
  m_execResult = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "popup"))
    SetVisible(true);
  else if (SameText(word, "clear"))
    clear();
  else if (SameText(word, "addline"))
    AddLine();
  else
    m_execResult = false;
}

TObject* TPopupMenuEx::NewItem(const std::string& name) {
  auto made = std::make_unique<TMenuItemEx>(&Items());
  // Named before it joins: a name taken at the top level leaves nothing behind.
  if (!name.empty()) made->SetName(name);
  return &Items().Add(std::move(made));
}

TObject* TPopupMenuEx::ItemAt(int index) const {
  return index >= 0 && index < Items().Count() ? Items().Items(index) : nullptr;
}

TObject* TPopupMenuEx::FindItem(std::string_view name) const { return FindMenuItem(Items(), name); }

void TPopupMenuEx::popupHandler(TObject*) {
  const Variant args[] = {Variant(Name()), m_data};
  FireEvent("popup", args, nullptr);
}

}  // namespace halbrin
