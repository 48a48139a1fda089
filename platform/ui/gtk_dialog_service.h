#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/services/dialog_service.h"

namespace halbrin::platform {

// Message boxes as modal GtkMessageDialogs. MessageBox runs the box in a
// nested main loop (gtk_dialog_run), so the caller gets the answer
// synchronously while timers and other windows keep being served. Call it
// from the main thread, after InitGtk() reported a display.
class GtkDialogService final : public IDialogService {
 public:
  // Shows the box and waits for the answer. Closing the box (title-bar button,
  // Escape, a delete-event) answers CloseResult(); an unknown button set shows
  // nothing and answers 0. Without a display it answers as the headless
  // service does.
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) override;

  // GtkFileChooserDialog (open, save) and GtkFontChooserDialog, and the
  // folder chooser (SELECT_FOLDER, or OPEN when files may be chosen); modal,
  // transient for the main form's window when there is one, run in a nested
  // loop. Without a display they answer as the headless service does.
  TFileDialogResult RunFileDialog(const TFileDialogRequest& request, IFileDialogEvents& events) override;
  TFontDialogResult RunFontDialog(const TFontDialogRequest& request, IFontDialogEvents& events) override;
  TFolderDialogResult RunFolderDialog(const TFolderDialogRequest& request, IFolderDialogEvents& events) override;

  // The answer of a box that is closed instead of answered by a button:
  // IDCANCEL when it has a Cancel button, IDOK for the lone OK box, the
  // default button otherwise (Yes/No, Abort/Retry/Ignore); 0 for an unknown set.
  static int CloseResult(const MessageBoxStyle& style);

  // The GTK message type (and so the icon and styling) of an MB_ICON* value.
  static GtkMessageType MessageTypeFor(MessageBoxIcon icon) noexcept;

  // The mnemonic label of the button answering `result` (IDOK...), "" for
  // a code no button answers.
  static std::string ButtonLabel(int result);
};

// Installs a GtkDialogService as the current dialog service for the life of
// the object, but only when a display is there (InitGtk()) and
// HALBRIN_HEADLESS_DIALOGS does not force the headless answer; otherwise the
// service before it (the headless one) stays. The application holds one for
// its whole run; drop it in reverse order of other ScopedDialogService objects.
class GtkDialogServiceScope {
 public:
  GtkDialogServiceScope();
  GtkDialogServiceScope(const GtkDialogServiceScope&) = delete;
  GtkDialogServiceScope& operator=(const GtkDialogServiceScope&) = delete;
  ~GtkDialogServiceScope() = default;

  // True when the GTK service was installed.
  bool Installed() const noexcept { return m_scope.has_value(); }

 private:
  GtkDialogService m_service;
  // Declared after the service, so it is restored before the service goes.
  std::optional<ScopedDialogService> m_scope;
};

}  // namespace halbrin::platform
