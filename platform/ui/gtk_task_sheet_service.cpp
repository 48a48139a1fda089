#include "platform/ui/gtk_task_sheet_service.h"

#include <gtk/gtk.h>

#include "platform/services/dialog_service.h"
#include "platform/ui/gtk_init.h"

namespace halbrin::platform {

namespace {

GtkWidget* Named(GtkWidget* widget, const char* name) {
  gtk_widget_set_name(widget, name);
  return widget;
}

GtkWidget* Entry(const char* name, const std::string& text) {
  GtkWidget* entry = Named(gtk_entry_new(), name);
  gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
  gtk_widget_set_hexpand(entry, TRUE);
  return entry;
}

GtkWidget* Grid() {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
  return grid;
}

void Row(GtkWidget* grid, int row, const char* label, GtkWidget* field) {
  GtkWidget* caption = gtk_label_new_with_mnemonic(label);
  gtk_label_set_xalign(GTK_LABEL(caption), 0);
  gtk_label_set_mnemonic_widget(GTK_LABEL(caption), field);
  gtk_grid_attach(GTK_GRID(grid), caption, 0, row, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), field, 1, row, 1, 1);
}

}  // namespace

bool GtkTaskSheetService::ShowTaskSheet(const TaskSheetPages& pages, TaskSheetValues& values) {
  if (!InitGtk() || pages.Count() == 0) return false;
  GtkWidget* dialog = gtk_dialog_new_with_buttons(values.caption.c_str(), nullptr, GTK_DIALOG_MODAL, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  GtkWidget* notebook = Named(gtk_notebook_new(), "pages");
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), notebook, TRUE, TRUE, 0);

  GtkWidget *application = nullptr, *parameters = nullptr, *folder = nullptr, *comment = nullptr, *enabled = nullptr;
  if (pages.task) {
    GtkWidget* grid = Grid();
    application = Entry("application", values.applicationName);
    parameters = Entry("parameters", values.parameters);
    folder = Entry("workingDirectory", values.workingDirectory);
    comment = Entry("comment", values.comment);
    enabled = Named(gtk_check_button_new_with_mnemonic("_Enabled"), "enabled");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(enabled), values.enabled);
    Row(grid, 0, "_Run:", application);
    Row(grid, 1, "_Parameters:", parameters);
    Row(grid, 2, "_Start in:", folder);
    Row(grid, 3, "_Comments:", comment);
    gtk_grid_attach(GTK_GRID(grid), enabled, 1, 4, 1, 1);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), grid, gtk_label_new("Task"));
  }
  if (pages.schedule) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    if (values.triggers.empty()) gtk_box_pack_start(GTK_BOX(box), gtk_label_new("The task is not scheduled."), FALSE, FALSE, 0);
    for (const std::string& text : values.triggers) {
      GtkWidget* label = gtk_label_new(text.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0);
      gtk_label_set_selectable(GTK_LABEL(label), TRUE);
      gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    }
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), box, gtk_label_new("Schedule"));
  }
  GtkWidget *deleteWhenDone = nullptr, *minutes = nullptr;
  if (pages.settings) {
    GtkWidget* grid = Grid();
    deleteWhenDone = Named(gtk_check_button_new_with_mnemonic("_Delete the task when it is not scheduled again"),
                           "deleteWhenDone");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(deleteWhenDone), values.deleteWhenDone);
    minutes = Named(gtk_spin_button_new_with_range(0, 71582, 1), "maxRunTimeMinutes");
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(minutes),
                              values.maxRunTime < 0 ? 0 : static_cast<double>(values.maxRunTime / 60000));
    gtk_widget_set_tooltip_text(minutes, "0 for no limit");
    gtk_grid_attach(GTK_GRID(grid), deleteWhenDone, 0, 0, 2, 1);
    Row(grid, 1, "Stop the task after (_minutes):", minutes);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), grid, gtk_label_new("Settings"));
  }
  gtk_widget_show_all(dialog);
  const bool ok = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (ok) {
    if (pages.task) {
      values.applicationName = gtk_entry_get_text(GTK_ENTRY(application));
      values.parameters = gtk_entry_get_text(GTK_ENTRY(parameters));
      values.workingDirectory = gtk_entry_get_text(GTK_ENTRY(folder));
      values.comment = gtk_entry_get_text(GTK_ENTRY(comment));
      values.enabled = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(enabled));
    }
    if (pages.settings) {
      values.deleteWhenDone = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(deleteWhenDone));
      const int count = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(minutes));
      // An unchanged value keeps its milliseconds.
      if (count != (values.maxRunTime < 0 ? 0 : values.maxRunTime / 60000))
        values.maxRunTime = count == 0 ? -1 : std::int64_t{count} * 60000;
    }
  }
  gtk_widget_destroy(dialog);
  return ok;
}

GtkTaskSheetServiceScope::GtkTaskSheetServiceScope() {
  if (!HeadlessDialogsForced() && InitGtk()) m_scope.emplace(m_service);
}

}  // namespace halbrin::platform
