#pragma once

#include <optional>

#include "platform/services/task_sheet_service.h"

namespace halbrin::platform {

// The task property sheet as a modal GtkDialog titled with the task's name:
// a notebook of the chosen pages ("Task", "Schedule", "Settings") and
// Cancel/OK. Run in a nested main loop (gtk_dialog_run). Widgets carry names
// ("application", "parameters", "workingDirectory", "comment", "enabled",
// "deleteWhenDone", "maxRunTimeMinutes") so tests can find them.
class GtkTaskSheetService final : public ITaskSheetService {
 public:
  // False without a display.
  bool ShowTaskSheet(const TaskSheetPages& pages, TaskSheetValues& values) override;
};

// Installs a GtkTaskSheetService while a display is there (InitGtk()) and
// HALBRIN_HEADLESS_DIALOGS does not ask for the headless answers.
class GtkTaskSheetServiceScope {
 public:
  GtkTaskSheetServiceScope();
  GtkTaskSheetServiceScope(const GtkTaskSheetServiceScope&) = delete;
  GtkTaskSheetServiceScope& operator=(const GtkTaskSheetServiceScope&) = delete;

  bool Installed() const noexcept { return m_scope.has_value(); }

 private:
  GtkTaskSheetService m_service;
  std::optional<ScopedTaskSheetService> m_scope;
};

}  // namespace halbrin::platform
