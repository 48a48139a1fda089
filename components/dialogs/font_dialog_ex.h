#pragma once

// The script font dialog: the application's fontDialog. Any value written
// to `exec` runs it; `Font` holds the choice.

#include "components/dialogs/common_dialogs.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_events_slot.h"

namespace halbrin {

class TFontDialogEx : public TFontDialog, public IScriptEventSource, public IExecutable {
  HALBRIN_CLASS(TFontDialogEx, TFontDialog)

  explicit TFontDialogEx(platform::TComponent* owner = nullptr);
  ~TFontDialogEx() override;

  // Runs the dialog; on success fires onExecute.
  bool Execute() override;

  TScriptEvents* GetEvents() override { return m_events.Get(); }
  void SetEvents(TScriptEvents* events) override { m_events.Assign(events); }
  platform::Variant GetEventData() const override { return m_eventData; }
  void SetEventData(const platform::Variant& value) override { m_eventData = value; }
  bool HasEvents() const override { return m_events.Peek() != nullptr; }
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  platform::TNotifyEvent OnExecute;

  // "show", "close", "apply" [name, size, colour], "execute" [name, size, colour].
  void showHandler(platform::TObject* sender);
  void closeHandler(platform::TObject* sender);
  void applyHandler(platform::TObject* sender);
  void executeHandler(platform::TObject* sender);

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  void FireWithFont(std::string_view name);

  TScriptEventsSlot m_events{*this};
  platform::Variant m_eventData = platform::Variant::Null();
  platform::Variant m_execResult = platform::Variant::Null();
};

}  // namespace halbrin
