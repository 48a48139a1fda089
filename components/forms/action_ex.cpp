#include "components/forms/action_ex.h"

#include <memory>

#include "components/forms/action_updates.h"
#include "core/framework/application_hooks.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"

namespace halbrin {

using namespace halbrin::platform;

// --- TActionEx -------------------------------------------------------------

HALBRIN_DEFINE_CLASS(TActionEx,
                     .Property("actions", &TActionEx::Actions)
                     .Stored(false)
                     .Property("eventData", &TActionEx::GetEventData, &TActionEx::SetEventData)
                     .Property(
                         "events", [](const TActionEx& self) { return const_cast<TActionEx&>(self).GetEvents(); },
                         [](TActionEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TActionEx::GetExec, &TActionEx::SetExec)
                     .Stored(false)
                     .Property("text", &TActionEx::Caption, &TActionEx::SetCaption)
                     .Stored(false)
                     .Handler("executeHandler", &TActionEx::executeHandler)
                     .Handler("updateHandler", &TActionEx::updateHandler))

TActionEx::TActionEx(TComponent* owner) : Inherited(owner) { ApplicationHooks().RegisterComponent(*this); }

TActionEx::~TActionEx() {
  m_execResult = Variant::Null();
}

TActionListEx* TActionEx::Actions() const noexcept { return dynamic_cast<TActionListEx*>(ActionList()); }

TScriptEvents* TActionEx::GetEvents() {
  const bool made = EventsSlot().Peek() == nullptr;
  TScriptEvents* events = EventsSlot().Get();
  if (made && events) {
    events->SetOnGetScript([this] {
      TActionListEx* list = Actions();
      return list && list->HasEvents() ? list->GetEvents()->GetScript() : std::string();
    });
  }
  return events;
}

Variant TActionEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TActionEx::SetExec(const Variant&) { m_execResult = Execute(); }

void TActionEx::executeHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(Checked())};
  FireEvent("execute", args, nullptr);
}

void TActionEx::updateHandler(TObject*) { FireEvent("update", {}, nullptr); }

// --- TActionListEx ---------------------------------------------------------

HALBRIN_DEFINE_CLASS(TActionListEx,
                     .Property("empty", &TActionListEx::empty, &TActionListEx::setEmpty)
                     .Stored(false)
                     .Property("eventData", &TActionListEx::GetEventData, &TActionListEx::SetEventData)
                     .Property(
                         "events",
                         [](const TActionListEx& self) { return const_cast<TActionListEx&>(self).GetEvents(); },
                         [](TActionListEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TActionListEx::GetExec, &TActionListEx::SetExec)
                     .Stored(false)
                     .Property("length", &TActionListEx::length)
                     .Stored(false)
                     .Handler("executeHandler", &TActionListEx::executeHandler)
                     .Handler("updateHandler", &TActionListEx::updateHandler))

bool ActionHandledResult(const Variant& result, bool handled) noexcept {
  if (!result.IsBool() && !result.IsInteger()) return handled;
  return ScriptResultAsBoolean(result, handled);
}

TActionListEx::TActionListEx(TComponent* owner) : Inherited(owner) { ActionUpdates().Add(*this); }

TActionListEx::~TActionListEx() {
  ActionUpdates().Remove(*this);
  m_execResult = Variant::Null();
}

Variant TActionListEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TActionListEx::SetExec(const Variant&) { m_execResult = false; }

TObject* TActionListEx::NewItem(const std::string& name) {
  TComponent& owner = Owner() ? *Owner() : *this;
  auto made = std::make_unique<TActionEx>(&owner);
  // Named before it joins its owner: a name the owner has already leaves nothing behind.
  if (!name.empty()) made->SetName(name);
  auto& action = static_cast<TActionEx&>(owner.InsertComponent(std::move(made)));
  action.SetActionList(this);
  return &action;
}

void TActionListEx::executeHandler(TCustomAction* action, bool& handled) {
  if (!action) return;
  const Variant args[] = {Variant(action->Name()), Variant(action->Checked())};
  handled = ActionHandledResult(FireEvent("execute", args, nullptr), handled);
}

void TActionListEx::updateHandler(TCustomAction* action, bool& handled) {
  if (!action) return;
  const Variant args[] = {Variant(action->Name())};
  handled = ActionHandledResult(FireEvent("update", args, nullptr), handled);
}

}  // namespace halbrin
