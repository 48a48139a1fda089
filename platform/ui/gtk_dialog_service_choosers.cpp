// The chooser dialogs of GtkDialogService: files, fonts and folders.

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/ui/application_window.h"
#include "platform/ui/gtk_dialog_service.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"

namespace halbrin::platform {

namespace {

// The main form's window, when it is shown: choosers stack above it.
GtkWindow* ChooserParent() {
  GtkWindow* main = GetApplicationHandle();
  return main && gtk_widget_get_visible(GTK_WIDGET(main)) ? main : nullptr;
}

std::string Utf8(const std::string& text) {
  const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid.get();
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string TakeString(gchar* text) {
  const GCharPtr owned(text);
  return owned ? std::string(owned.get()) : std::string();
}

std::vector<std::string> ChosenFiles(GtkFileChooser* chooser) {
  std::vector<std::string> files;
  GSList* names = gtk_file_chooser_get_filenames(chooser);
  for (GSList* item = names; item; item = item->next) {
    files.emplace_back(static_cast<const char*>(item->data));
    g_free(item->data);
  }
  g_slist_free(names);
  return files;
}

// A font for every widget of one dialog, by the dialog's widget name, while
// the object lives.
class ScopedDialogFont {
 public:
  ScopedDialogFont(GtkWidget* dialog, const std::string& font) {
    if (font.empty()) return;
    static std::atomic<int> counter{0};
    const std::string name = "halbrin-chooser-" + std::to_string(++counter);
    gtk_widget_set_name(dialog, name.c_str());
    PangoFontDescription* description = pango_font_description_from_string(font.c_str());
    std::string css = "#" + name + ", #" + name + " * {";
    if (const char* family = pango_font_description_get_family(description)) css += " font-family: \"" + std::string(family) + "\";";
    if (const gint size = pango_font_description_get_size(description); size > 0)
      css += " font-size: " + std::to_string(size / PANGO_SCALE) + "pt;";
    if (pango_font_description_get_weight(description) >= PANGO_WEIGHT_BOLD) css += " font-weight: bold;";
    if (pango_font_description_get_style(description) != PANGO_STYLE_NORMAL) css += " font-style: italic;";
    css += " }";
    pango_font_description_free(description);
    m_provider = GObjectPtr<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(m_provider.Get(), css.c_str(), -1, nullptr);
    m_screen = gtk_widget_get_screen(dialog);
    gtk_style_context_add_provider_for_screen(m_screen, GTK_STYLE_PROVIDER(m_provider.Get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  ~ScopedDialogFont() {
    if (m_provider) gtk_style_context_remove_provider_for_screen(m_screen, GTK_STYLE_PROVIDER(m_provider.Get()));
  }
  ScopedDialogFont(const ScopedDialogFont&) = delete;
  ScopedDialogFont& operator=(const ScopedDialogFont&) = delete;

 private:
  GObjectPtr<GtkCssProvider> m_provider;
  GdkScreen* m_screen = nullptr;
};

// ---- files ----

struct FileChooserRun final : IFileDialogControl {
  GtkFileChooser* chooser = nullptr;
  const TFileDialogRequest* request = nullptr;
  IFileDialogEvents* events = nullptr;
  // The GtkFileFilter of each filter index (0-based), null for one not offered.
  std::vector<GtkFileFilter*> filters;
  bool shown = false;

  std::vector<std::string> CurrentFiles() const override { return ChosenFiles(chooser); }
  std::string CurrentFolder() const override { return TakeString(gtk_file_chooser_get_current_folder(chooser)); }

  int FilterIndex() const {
    GtkFileFilter* current = gtk_file_chooser_get_filter(chooser);
    const auto found = std::find(filters.begin(), filters.end(), current);
    return found == filters.end() ? request->filterIndex : static_cast<int>(found - filters.begin()) + 1;
  }
};

struct FilterData {
  FileChooserRun* run;
  std::size_t index;  // into request->filters, or npos for the catch-all
};

gboolean FilterFile(const GtkFileFilterInfo* info, gpointer user) {
  const auto* data = static_cast<const FilterData*>(user);
  const TFileDialogRequest& request = *data->run->request;
  if (!info->filename) return TRUE;
  const std::string path = info->filename;
  // Folders are always listed.
  if (IsFolder(path)) return TRUE;
  const std::string name = std::filesystem::path(path).filename().string();
  if (data->index != std::string::npos && request.filterMatches &&
      !request.filterMatches(request.filters[data->index], name))
    return FALSE;
  return !request.askIncludeItem || data->run->events->IncludeItem(path);
}

GtkFileFilter* MakeFilter(FileChooserRun& run, std::size_t index, const std::string& name) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, Utf8(name).c_str());
  gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_FILENAME, FilterFile, new FilterData{&run, index},
                             [](gpointer data) { delete static_cast<FilterData*>(data); });
  gtk_file_chooser_add_filter(run.chooser, filter);
  return filter;
}

}  // namespace

TFileDialogResult GtkDialogService::RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents& events) {
  if (!InitGtk()) return HeadlessDialogService().RunFileDialog(request, events);
  const bool save = request.kind == TFileDialogKind::Save;
  const std::string ok = !request.okText.empty() ? request.okText : save ? "_Save" : "_Open";
  WindowHolder holder(gtk_file_chooser_dialog_new(Utf8(request.title).c_str(), ChooserParent(),
                                                  save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
                                                  "_Cancel", GTK_RESPONSE_CANCEL, Utf8(ok).c_str(), GTK_RESPONSE_ACCEPT,
                                                  nullptr));
  GtkDialog* dialog = GTK_DIALOG(holder.Widget());
  FileChooserRun run;
  run.chooser = GTK_FILE_CHOOSER(holder.Widget());
  run.request = &request;
  run.events = &events;
  gtk_window_set_modal(holder.Window(), TRUE);
  gtk_dialog_set_default_response(dialog, GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_select_multiple(run.chooser, request.multiple && !save);
  gtk_file_chooser_set_do_overwrite_confirmation(run.chooser, request.overwritePrompt);
  gtk_file_chooser_set_show_hidden(run.chooser, request.showHidden);
  const ScopedDialogFont font(holder.Widget(), request.font);

  run.filters.assign(request.filters.size(), nullptr);
  const int wanted = request.filterIndex >= 1 && request.filterIndex <= static_cast<int>(request.filters.size())
                         ? request.filterIndex
                         : 1;
  for (std::size_t i = 0; i < request.filters.size(); ++i) {
    if (!request.filterEnabled && static_cast<int>(i) + 1 != wanted) continue;
    run.filters[i] = MakeFilter(run, i, request.filters[i].name);
  }
  if (request.filters.empty() && request.askIncludeItem) MakeFilter(run, std::string::npos, "*");
  if (!request.filters.empty()) gtk_file_chooser_set_filter(run.chooser, run.filters[static_cast<std::size_t>(wanted - 1)]);

  for (const std::string& folder : request.shortcutFolders)
    gtk_file_chooser_add_shortcut_folder(run.chooser, folder.c_str(), nullptr);
  for (const std::string& uri : request.shortcutUris)
    gtk_file_chooser_add_shortcut_folder_uri(run.chooser, uri.c_str(), nullptr);

  if (IsFolder(request.initialFolder)) gtk_file_chooser_set_current_folder(run.chooser, request.initialFolder.c_str());
  if (save && !request.fileName.empty()) {
    gtk_file_chooser_set_current_name(run.chooser, Utf8(std::filesystem::path(request.fileName).filename().string()).c_str());
  } else if (IsFile(request.fileName)) {
    gtk_file_chooser_select_filename(run.chooser, request.fileName.c_str());
  }

  events.Opened(run);
  g_signal_connect(dialog, "map", G_CALLBACK(+[](GtkWidget*, gpointer user) {
                     static_cast<FileChooserRun*>(user)->events->Shown();
                   }),
                   &run);
  g_signal_connect(dialog, "current-folder-changed", G_CALLBACK(+[](GtkFileChooser*, gpointer user) {
                     auto* r = static_cast<FileChooserRun*>(user);
                     r->events->FolderChanged(r->CurrentFolder());
                   }),
                   &run);
  g_signal_connect(dialog, "selection-changed", G_CALLBACK(+[](GtkFileChooser*, gpointer user) {
                     static_cast<FileChooserRun*>(user)->events->SelectionChanged();
                   }),
                   &run);
  g_signal_connect(dialog, "notify::filter", G_CALLBACK(+[](GObject*, GParamSpec*, gpointer user) {
                     auto* r = static_cast<FileChooserRun*>(user);
                     r->events->TypeChanged(r->FilterIndex());
                   }),
                   &run);
  // Ahead of gtk_dialog_run's own handler: a refused close stops the response.
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint response, gpointer user) {
                     auto* r = static_cast<FileChooserRun*>(user);
                     if (response != GTK_RESPONSE_ACCEPT) return;
                     if (!r->events->CanClose(ChosenFiles(r->chooser), r->FilterIndex()))
                       g_signal_stop_emission_by_name(d, "response");
                   }),
                   &run);

  gtk_window_present(holder.Window());
  const int response = gtk_dialog_run(dialog);
  TFileDialogResult result;
  if (response == GTK_RESPONSE_ACCEPT) {
    result.accepted = true;
    result.files = ChosenFiles(run.chooser);
    result.filterIndex = run.FilterIndex();
    if (result.files.empty()) result.accepted = false;
  }
  g_signal_handlers_disconnect_by_data(dialog, &run);
  gtk_widget_hide(holder.Widget());
  events.Closed();
  return result;
}

// ---- fonts ----

namespace {

constexpr int kApplyResponse = 1;

PangoFontDescription* DescriptionOf(const TFontSpec& spec) {
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, spec.name.c_str());
  pango_font_description_set_size(description, std::max(spec.size, 1) * PANGO_SCALE);
  pango_font_description_set_weight(description, (spec.style & fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description, (spec.style & fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return description;
}

TFontSpec SpecOf(GtkFontChooser* chooser, const TFontSpec& fallback) {
  PangoFontDescription* description = gtk_font_chooser_get_font_desc(chooser);
  if (!description) return fallback;
  TFontSpec spec = fallback;
  if (const char* family = pango_font_description_get_family(description)) spec.name = family;
  if (const gint size = pango_font_description_get_size(description); size > 0)
    spec.size = static_cast<int>(std::lround(static_cast<double>(size) / PANGO_SCALE));
  spec.style = 0;
  if (pango_font_description_get_weight(description) >= PANGO_WEIGHT_BOLD) spec.style |= fsBold;
  if (pango_font_description_get_style(description) != PANGO_STYLE_NORMAL) spec.style |= fsItalic;
  pango_font_description_free(description);
  return spec;
}

struct FontChooserRun {
  GtkFontChooser* chooser;
  const TFontDialogRequest* request;
  IFontDialogEvents* events;
};

}  // namespace

TFontDialogResult GtkDialogService::RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents& events) {
  if (!InitGtk()) return HeadlessDialogService().RunFontDialog(request, events);
  WindowHolder holder(gtk_font_chooser_dialog_new(Utf8(request.title).c_str(), ChooserParent()));
  GtkDialog* dialog = GTK_DIALOG(holder.Widget());
  FontChooserRun run{GTK_FONT_CHOOSER(holder.Widget()), &request, &events};
  gtk_window_set_modal(holder.Window(), TRUE);
  PangoFontDescription* description = DescriptionOf(request.font);
  gtk_font_chooser_set_font_desc(run.chooser, description);
  pango_font_description_free(description);
  int level = GTK_FONT_CHOOSER_LEVEL_FAMILY;
  if (request.showStyle) level |= GTK_FONT_CHOOSER_LEVEL_STYLE;
  if (request.showSize) level |= GTK_FONT_CHOOSER_LEVEL_SIZE;
  gtk_font_chooser_set_level(run.chooser, static_cast<GtkFontChooserLevel>(level));
  if (request.monospaceOnly)
    gtk_font_chooser_set_filter_func(
        run.chooser,
        [](const PangoFontFamily* family, const PangoFontFace*, gpointer) -> gboolean {
          return pango_font_family_is_monospace(const_cast<PangoFontFamily*>(family));
        },
        nullptr, nullptr);
  if (request.applyButton) gtk_dialog_add_button(dialog, "_Apply", kApplyResponse);

  g_signal_connect(dialog, "map", G_CALLBACK(+[](GtkWidget*, gpointer user) {
                     static_cast<FontChooserRun*>(user)->events->Shown();
                   }),
                   &run);
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint response, gpointer user) {
                     auto* r = static_cast<FontChooserRun*>(user);
                     if (response != kApplyResponse) return;
                     g_signal_stop_emission_by_name(d, "response");
                     r->events->Apply(SpecOf(r->chooser, r->request->font));
                   }),
                   &run);
  gtk_window_present(holder.Window());
  const int response = gtk_dialog_run(dialog);
  TFontDialogResult result;
  if (response == GTK_RESPONSE_OK) result = {true, SpecOf(run.chooser, request.font)};
  g_signal_handlers_disconnect_by_data(dialog, &run);
  gtk_widget_hide(holder.Widget());
  events.Closed();
  return result;
}

// ---- folders ----

namespace {

struct FolderChooserRun final : IFolderDialogControl {
  GtkFileChooser* chooser = nullptr;
  GtkDialog* dialog = nullptr;
  GtkLabel* status = nullptr;
  const TFolderDialogRequest* request = nullptr;
  IFolderDialogEvents* events = nullptr;
  bool validateFailed = false;

  void SetOkText(const std::string& text) override {
    if (GtkWidget* button = gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_ACCEPT))
      if (!text.empty()) gtk_button_set_label(GTK_BUTTON(button), Utf8(text).c_str());
  }
  void SetStatusText(const std::string& text) override {
    if (status) gtk_label_set_text(status, Utf8(text).c_str());
  }
  void SetSelection(const std::string& path) override {
    if (IsFolder(path) || IsFile(path)) gtk_file_chooser_select_filename(chooser, path.c_str());
  }
  void SetExpanded(const std::string& path) override {
    if (IsFolder(path)) gtk_file_chooser_set_current_folder(chooser, path.c_str());
  }
  // The chosen path: the selection, else the folder shown.
  std::string Chosen() const {
    std::string path = TakeString(gtk_file_chooser_get_filename(chooser));
    return path.empty() ? TakeString(gtk_file_chooser_get_current_folder(chooser)) : path;
  }
};

}  // namespace

TFolderDialogResult GtkDialogService::RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents& events) {
  if (!InitGtk()) return HeadlessDialogService().RunFolderDialog(request, events);
  const std::string ok = request.okText.empty() ? "_Select" : request.okText;
  WindowHolder holder(gtk_file_chooser_dialog_new(
      Utf8(request.title).c_str(), ChooserParent(),
      request.includeFiles ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
      GTK_RESPONSE_CANCEL, Utf8(ok).c_str(), GTK_RESPONSE_ACCEPT, nullptr));
  FolderChooserRun run;
  run.dialog = GTK_DIALOG(holder.Widget());
  run.chooser = GTK_FILE_CHOOSER(holder.Widget());
  run.request = &request;
  run.events = &events;
  gtk_window_set_modal(holder.Window(), TRUE);
  gtk_dialog_set_default_response(run.dialog, GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_create_folders(run.chooser, request.createFolders);
  const ScopedDialogFont font(holder.Widget(), request.font);
  GtkWidget* status = gtk_label_new(Utf8(request.statusText).c_str());
  run.status = GTK_LABEL(status);
  gtk_label_set_xalign(run.status, 0.0F);
  gtk_file_chooser_set_extra_widget(run.chooser, status);
  gtk_widget_set_visible(status, request.showStatus);
  if (IsFolder(request.root)) gtk_file_chooser_add_shortcut_folder(run.chooser, request.root.c_str(), nullptr);
  if (IsFolder(request.startFolder)) gtk_file_chooser_set_current_folder(run.chooser, request.startFolder.c_str());

  g_signal_connect(run.dialog, "map", G_CALLBACK(+[](GtkWidget*, gpointer user) {
                     auto* r = static_cast<FolderChooserRun*>(user);
                     r->events->Shown(*r);
                   }),
                   &run);
  const auto changed = +[](GtkFileChooser*, gpointer user) {
    auto* r = static_cast<FolderChooserRun*>(user);
    r->events->SelectionChanged(r->Chosen());
  };
  g_signal_connect(run.dialog, "selection-changed", G_CALLBACK(changed), &run);
  g_signal_connect(run.dialog, "current-folder-changed", G_CALLBACK(changed), &run);
  g_signal_connect(run.dialog, "response", G_CALLBACK(+[](GtkDialog* d, gint response, gpointer user) {
                     auto* r = static_cast<FolderChooserRun*>(user);
                     if (response != GTK_RESPONSE_ACCEPT) return;
                     const std::string path = r->Chosen();
                     switch (DecideFolderAccept(*r->request, path)) {
                       case TFolderAccept::Accept: return;
                       case TFolderAccept::Stay: g_signal_stop_emission_by_name(d, "response"); return;
                       case TFolderAccept::ValidateFailed:
                         r->validateFailed = true;
                         r->events->ValidateFailed(path);
                         return;
                     }
                   }),
                   &run);
  gtk_window_present(holder.Window());
  const int response = gtk_dialog_run(run.dialog);
  TFolderDialogResult result;
  if (response == GTK_RESPONSE_ACCEPT && !run.validateFailed) result = {true, run.Chosen()};
  g_signal_handlers_disconnect_by_data(run.dialog, &run);
  gtk_widget_hide(holder.Widget());
  events.Closed();
  return result;
}

}  // namespace halbrin::platform
