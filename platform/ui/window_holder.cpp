#include "platform/ui/window_holder.h"

#include <utility>

namespace halbrin::platform {

namespace {

// Set on the widget by its "destroy" handler; object data outlives the
// destruction until the last reference goes, unlike signal handlers.
constexpr char kDestroyedKey[] = "halbrin-window-destroyed";

void OnDestroy(GtkWidget* widget, gpointer /*userData*/) {
  g_object_set_data(G_OBJECT(widget), kDestroyedKey, GINT_TO_POINTER(1));
}

bool WasDestroyed(GtkWidget* widget) noexcept {
  return g_object_get_data(G_OBJECT(widget), kDestroyedKey) != nullptr;
}

}  // namespace

// GTK owns the reference gtk_window_new returns (its top-level list), so the
// holder takes one of its own.
WindowHolder::WindowHolder(GtkWidget* window) : m_widget(GObjectPtr<GtkWidget>::Ref(window)) {
  if (m_widget) g_signal_connect(m_widget.Get(), "destroy", G_CALLBACK(OnDestroy), nullptr);
}

WindowHolder::~WindowHolder() { Reset(); }

WindowHolder::WindowHolder(WindowHolder&& other) noexcept : m_widget(std::move(other.m_widget)) {}

WindowHolder& WindowHolder::operator=(WindowHolder&& other) noexcept {
  if (this != &other) {
    Reset();
    m_widget = std::move(other.m_widget);
  }
  return *this;
}

WindowHolder WindowHolder::CreateTopLevel() {
  return WindowHolder(gtk_window_new(GTK_WINDOW_TOPLEVEL));
}

bool WindowHolder::IsDestroyed() const noexcept { return m_widget && WasDestroyed(m_widget.Get()); }

void WindowHolder::Reset() noexcept {
  if (!m_widget) return;
  // Destroying twice would run dispose on a dead widget again.
  if (!WasDestroyed(m_widget.Get())) gtk_widget_destroy(m_widget.Get());
  m_widget.Reset();
}

}  // namespace halbrin::platform
