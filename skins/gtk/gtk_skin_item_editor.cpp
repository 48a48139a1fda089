#include "skins/gtk/gtk_skin_item_editor.h"

#include <algorithm>
#include <utility>

#include "platform/eventloop/main_event_loop.h"
#include "skins/gtk/gtk_skin_popups.h"

namespace halbrin::skins {
namespace {

constexpr std::uint32_t kTargetWatchMs = 50;

GtkWidget* ActiveTopLevel() {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* active = nullptr;
  for (GList* item = toplevels; item; item = item->next) {
    if (gtk_window_is_active(GTK_WINDOW(item->data))) {
      active = GTK_WIDGET(item->data);
      break;
    }
  }
  g_list_free(toplevels);
  return active;
}

}  // namespace

TGtkSkinItemEditor::TGtkSkinItemEditor()
    : m_targetWatch(platform::MainEventLoop(), kTargetWatchMs, [this] {
        if (m_session.TargetGone()) Finish(false);
      }) {}

TGtkSkinItemEditor::~TGtkSkinItemEditor() {
  m_targetWatch.Stop();
  ForgetPreviousFocus();
  if (m_entry) g_signal_handlers_disconnect_by_data(m_entry, this);
}

void TGtkSkinItemEditor::Ensure() {
  if (m_holder && !m_holder.IsDestroyed()) return;
  // A top-level rather than a popup so the window manager lets it take the keyboard.
  m_holder = platform::WindowHolder(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWindow* window = m_holder.Window();
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_skip_taskbar_hint(window, TRUE);
  gtk_window_set_skip_pager_hint(window, TRUE);
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);
  m_entry = gtk_entry_new();
  gtk_entry_set_has_frame(GTK_ENTRY(m_entry), FALSE);
  gtk_container_add(GTK_CONTAINER(window), m_entry);
  g_signal_connect(m_entry, "activate", G_CALLBACK(OnActivate), this);
  g_signal_connect(m_entry, "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect(m_entry, "focus-out-event", G_CALLBACK(OnFocusOut), this);
}

void TGtkSkinItemEditor::Edit(const TRect& rect, std::string text, const TFontSpec& font,
                              std::weak_ptr<const void> target, TItemEditSession::EndHandler onEnd) {
  Cancel();
  Ensure();
  ForgetPreviousFocus();
  m_previousFocus = ActiveTopLevel();
  if (m_previousFocus) g_object_add_weak_pointer(G_OBJECT(m_previousFocus), reinterpret_cast<gpointer*>(&m_previousFocus));

  PangoFontDescription* description = NewPangoFontDescription(font);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_override_font(m_entry, description);
  G_GNUC_END_IGNORE_DEPRECATIONS
  pango_font_description_free(description);
  gtk_entry_set_text(GTK_ENTRY(m_entry), text.c_str());
  m_session.Begin(std::move(target), std::move(text), std::move(onEnd));

  GtkWindow* window = m_holder.Window();
  const int width = std::max(rect.Width(), 1);
  const int height = std::max(rect.Height(), 1);
  gtk_widget_set_size_request(m_entry, width, height);
  gtk_window_resize(window, width, height);
  gtk_window_move(window, rect.Left, rect.Top);
  gtk_widget_show_all(m_holder.Widget());
  gtk_window_present(window);
  gtk_widget_grab_focus(m_entry);
  gtk_editable_select_region(GTK_EDITABLE(m_entry), 0, -1);
  m_targetWatch.Start();
}

void TGtkSkinItemEditor::Cancel() {
  if (m_session.Active()) Finish(false);
}

void TGtkSkinItemEditor::Finish(bool accept) {
  if (!m_session.Active()) return;
  m_targetWatch.Stop();
  const std::string text = gtk_entry_get_text(GTK_ENTRY(m_entry));
  GtkWidget* previous = m_previousFocus;
  ForgetPreviousFocus();
  // Taken out first, so the focus-out that hiding causes finds no edit to end,
  // and the handler may start the next edit here (or destroy this editor).
  TItemEditSession ended = std::exchange(m_session, TItemEditSession{});
  if (m_holder && !m_holder.IsDestroyed()) gtk_widget_hide(m_holder.Widget());
  if (previous && gtk_widget_get_visible(previous) && gtk_widget_is_sensitive(previous)) {
    gtk_window_present(GTK_WINDOW(previous));
  }
  ended.End(accept, text);
}

void TGtkSkinItemEditor::ForgetPreviousFocus() noexcept {
  if (m_previousFocus) {
    g_object_remove_weak_pointer(G_OBJECT(m_previousFocus), reinterpret_cast<gpointer*>(&m_previousFocus));
    m_previousFocus = nullptr;
  }
}

void TGtkSkinItemEditor::OnActivate(GtkEntry*, gpointer self) { static_cast<TGtkSkinItemEditor*>(self)->Finish(true); }

gboolean TGtkSkinItemEditor::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  if (event->state & GDK_MOD1_MASK) return FALSE;
  if (event->keyval == GDK_KEY_Escape) {
    static_cast<TGtkSkinItemEditor*>(self)->Finish(false);
    return TRUE;
  }
  // Tab would move the focus out of the editor.
  return event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_ISO_Left_Tab;
}

gboolean TGtkSkinItemEditor::OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self) {
  static_cast<TGtkSkinItemEditor*>(self)->Finish(true);
  return FALSE;
}

}  // namespace halbrin::skins
