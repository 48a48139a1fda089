#include "platform/ui/gtk_dialog_service.h"

#include <algorithm>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/ui/application_window.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"

namespace halbrin::platform {

namespace {

// GTK takes UTF-8 only; a stray byte would blank the whole label, so it is
// replaced by U+FFFD (as is an embedded NUL) and the rest stays readable.
std::string ValidUtf8(const std::string& text) {
  const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid.get();
}

// The window the user is working in, so the box stacks above it and is
// centred on it; the application's main window when none of ours is active.
GtkWindow* OwnerWindow() {
  if (GtkWindow* active = ActiveProcessWindow()) return active;
  GtkWindow* main = GetApplicationHandle();
  return main && gtk_widget_get_visible(GTK_WIDGET(main)) ? main : nullptr;
}

void AlignMessage(GtkMessageDialog* dialog, const MessageBoxStyle& style) {
  if (!style.right && !style.rtlReading) return;
  const GListPtr children(gtk_container_get_children(GTK_CONTAINER(gtk_message_dialog_get_message_area(dialog))));
  for (GList* item = children.get(); item; item = item->next) {
    if (!GTK_IS_LABEL(item->data)) continue;
    GtkLabel* label = GTK_LABEL(item->data);
    if (style.right) {
      gtk_label_set_xalign(label, 1.0F);
      gtk_label_set_justify(label, GTK_JUSTIFY_RIGHT);
    }
    if (style.rtlReading) gtk_widget_set_direction(GTK_WIDGET(label), GTK_TEXT_DIR_RTL);
  }
}

bool Contains(const std::vector<int>& results, int result) {
  return std::find(results.begin(), results.end(), result) != results.end();
}

}  // namespace

int GtkDialogService::CloseResult(const MessageBoxStyle& style) {
  const std::vector<int> results = style.ButtonResults();
  if (results.empty()) return 0;
  if (Contains(results, IDCANCEL)) return IDCANCEL;
  if (style.buttons == MB_OK) return IDOK;
  // Yes/No and Abort/Retry/Ignore offer no way out but their buttons; closing
  // takes the answer the box proposed.
  return style.DefaultResult();
}

GtkMessageType GtkDialogService::MessageTypeFor(MessageBoxIcon icon) noexcept {
  switch (icon) {
    case MessageBoxIcon::Stop: return GTK_MESSAGE_ERROR;
    case MessageBoxIcon::Question: return GTK_MESSAGE_QUESTION;
    case MessageBoxIcon::Warning: return GTK_MESSAGE_WARNING;
    case MessageBoxIcon::Information: return GTK_MESSAGE_INFO;
    case MessageBoxIcon::None: break;
  }
  return GTK_MESSAGE_OTHER;
}

std::string GtkDialogService::ButtonLabel(int result) {
  // Mnemonics differ within every set: Cancel/Try Again/Continue would
  // otherwise share Alt+C.
  switch (result) {
    case IDOK: return "_OK";
    case IDCANCEL: return "_Cancel";
    case IDABORT: return "_Abort";
    case IDRETRY: return "_Retry";
    case IDIGNORE: return "_Ignore";
    case IDYES: return "_Yes";
    case IDNO: return "_No";
    case IDTRYAGAIN: return "_Try Again";
    case IDCONTINUE: return "C_ontinue";
    default: return "";
  }
}

int GtkDialogService::MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags) {
  if (!InitGtk()) return HeadlessDialogService().MessageBox(text, caption, flags);

  const MessageBoxStyle style = MessageBoxStyle::Decode(flags);
  const std::vector<int> results = style.ButtonResults();
  if (results.empty()) return 0;

  GtkWindow* parent = OwnerWindow();
  // "%s" keeps the text literal: no printf or markup interpretation.
  WindowHolder holder(gtk_message_dialog_new(parent,
                                             static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                             MessageTypeFor(style.icon), GTK_BUTTONS_NONE, "%s",
                                             ValidUtf8(text).c_str()));
  GtkWindow* window = holder.Window();
  GtkDialog* dialog = GTK_DIALOG(holder.Widget());
  gtk_window_set_title(window, ValidUtf8(caption).c_str());
  gtk_window_set_position(window, parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  if (style.modality == MessageBoxModality::System || style.topmost) gtk_window_set_keep_above(window, TRUE);
  // A box without Cancel (other than the lone OK) is answered, not closed:
  // no close button, though Escape or the window manager still take the default.
  if (style.buttons != MB_OK && !Contains(results, IDCANCEL)) gtk_window_set_deletable(window, FALSE);
  AlignMessage(GTK_MESSAGE_DIALOG(dialog), style);

  for (const int result : results) gtk_dialog_add_button(dialog, ButtonLabel(result).c_str(), result);
  // Enter answers the default; GtkDialog also moves the focus onto it when
  // the box maps, so Space does the same.
  gtk_dialog_set_default_response(dialog, style.DefaultResult());

  gtk_window_present(window);
  // Returns GTK_RESPONSE_DELETE_EVENT when closed, GTK_RESPONSE_NONE when the
  // box was destroyed underneath (with its parent, say).
  const int response = gtk_dialog_run(dialog);
  return Contains(results, response) ? response : CloseResult(style);
}

GtkDialogServiceScope::GtkDialogServiceScope() {
  if (!HeadlessDialogsForced() && InitGtk()) m_scope.emplace(m_service);
}

}  // namespace halbrin::platform
