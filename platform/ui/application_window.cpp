#include "platform/ui/application_window.h"

#include <gdk/gdkx.h>

#include <utility>

#include "platform/base/glib_ptr.h"

namespace halbrin::platform {
namespace {

std::function<GtkWindow*()>& HandleSource() {
  static std::function<GtkWindow*()> source;
  return source;
}

}  // namespace

GtkWindow* GetApplicationHandle() { return HandleSource() ? HandleSource()() : nullptr; }

void SetApplicationHandleSource(std::function<GtkWindow*()> source) { HandleSource() = std::move(source); }

std::uint64_t X11WindowId(GtkWindow* window) {
  if (!window) return 0;
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return 0;
  return GDK_WINDOW_XID(gdkWindow);
}

guint32 ActivationTime(GtkWindow* window) {
  if (const guint32 time = gtk_get_current_event_time()) return time;
  GdkWindow* gdkWindow = window ? gtk_widget_get_window(GTK_WIDGET(window)) : nullptr;
  if (gdkWindow && GDK_IS_X11_WINDOW(gdkWindow)) return gdk_x11_get_server_time(gdkWindow);
  return GDK_CURRENT_TIME;
}

bool IsProcessWindow(std::uint64_t xid) {
  GdkDisplay* display = gdk_display_get_default();
  if (xid == 0 || !display || !GDK_IS_X11_DISPLAY(display)) return false;
  // GDK knows every window this process made: top-levels and the windows inside them.
  GdkWindow* window = gdk_x11_window_lookup_for_display(display, static_cast<Window>(xid));
  if (!window) return false;
  const GdkWindowType type = gdk_window_get_window_type(window);
  return type != GDK_WINDOW_ROOT && type != GDK_WINDOW_FOREIGN;
}

GtkWindow* ActiveProcessWindow() {
  const GListPtr toplevels(gtk_window_list_toplevels());
  for (GList* item = toplevels.get(); item; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (gtk_widget_get_visible(GTK_WIDGET(window)) && gtk_window_is_active(window)) return window;
  }
  return nullptr;
}

}  // namespace halbrin::platform
