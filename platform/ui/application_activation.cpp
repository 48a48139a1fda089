#include "platform/ui/application_activation.h"

#include <algorithm>

#include "platform/base/glib_ptr.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/ui/application_window.h"

namespace halbrin::platform {

GtkApplicationActivation::GtkApplicationActivation(std::function<void(bool)> changed)
    : m_changed(std::move(changed)), m_idle(MainEventLoop(), [this] { Evaluate(); }) {
  // A class must exist before its signals can be looked up.
  g_type_class_unref(g_type_class_ref(GTK_TYPE_WINDOW));
  m_realizeSignal = g_signal_lookup("realize", GTK_TYPE_WIDGET);
  m_realizeHook = g_signal_add_emission_hook(m_realizeSignal, 0, OnRealize, this, nullptr);
  const GListPtr toplevels(gtk_window_list_toplevels());
  for (GList* item = toplevels.get(); item; item = item->next) Watch(GTK_WINDOW(item->data));
  m_active = AnyWindowActive();
}

GtkApplicationActivation::~GtkApplicationActivation() {
  g_signal_remove_emission_hook(m_realizeSignal, m_realizeHook);
  for (const Watched& watched : m_windows) {
    // A destroyed window that is not finalised yet has lost its handlers already.
    if (g_signal_handler_is_connected(watched.window, watched.handler))
      g_signal_handler_disconnect(watched.window, watched.handler);
    g_object_weak_unref(G_OBJECT(watched.window), OnWindowGone, this);
  }
}

bool GtkApplicationActivation::AnyWindowActive() { return ActiveProcessWindow() != nullptr; }

gboolean GtkApplicationActivation::OnRealize(GSignalInvocationHint*, guint count, const GValue* values, gpointer self) {
  if (count > 0) {
    GObject* instance = static_cast<GObject*>(g_value_get_object(&values[0]));
    if (GTK_IS_WINDOW(instance) && gtk_widget_is_toplevel(GTK_WIDGET(instance)))
      static_cast<GtkApplicationActivation*>(self)->Watch(GTK_WINDOW(instance));
  }
  return TRUE;  // stay installed
}

void GtkApplicationActivation::Watch(GtkWindow* window) {
  if (std::any_of(m_windows.begin(), m_windows.end(), [&](const Watched& w) { return w.window == window; })) return;
  const gulong handler = g_signal_connect(window, "notify::is-active", G_CALLBACK(OnActiveChanged), this);
  g_object_weak_ref(G_OBJECT(window), OnWindowGone, this);
  m_windows.push_back({window, handler});
}

void GtkApplicationActivation::OnActiveChanged(GObject*, GParamSpec*, gpointer self) {
  static_cast<GtkApplicationActivation*>(self)->m_idle.Schedule();
}

void GtkApplicationActivation::OnWindowGone(gpointer self, GObject* window) {
  auto& watch = *static_cast<GtkApplicationActivation*>(self);
  std::erase_if(watch.m_windows, [&](const Watched& w) { return G_OBJECT(w.window) == window; });
  watch.m_idle.Schedule();
}

void GtkApplicationActivation::Evaluate() {
  const bool active = AnyWindowActive();
  if (active == m_active) return;
  m_active = active;
  if (m_changed) m_changed(active);
}

}  // namespace halbrin::platform
