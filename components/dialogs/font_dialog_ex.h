#pragma once

// The script font dialog: the application's fontDialog. Any value written
// to `exec` runs it; `Font` holds the choice.

#include "components/dialogs/common_dialogs.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"

namespace halbrin {

class TFontDialogEx : public TScriptEventSourceOf<TFontDialog>, public IExecutable {
  HALBRIN_CLASS(TFontDialogEx, TScriptEventSourceOf<TFontDialog>)

  explicit TFontDialogEx(platform::TComponent* owner = nullptr);
  ~TFontDialogEx() override;

  // Runs the dialog; on success fires onExecute.
  bool Execute() override;

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

 private:
  void FireWithFont(std::string_view name);

  platform::Variant m_execResult = platform::Variant::Null();
};

}  // namespace halbrin
