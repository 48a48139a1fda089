// A minimal XEmbed notification area, another X client for the tray icon's
// display test: owns _NET_SYSTEM_TRAY_S0 on a window of its own, announces it
// with a MANAGER message on the root window and answers each
// SYSTEM_TRAY_REQUEST_DOCK with a GtkSocket in its shown window. Runs until
// it is stopped.

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>

namespace {

Atom g_opcode = 0;
GtkWidget* g_box = nullptr;

GdkFilterReturn Filter(GdkXEvent* xevent, GdkEvent*, gpointer) {
  const auto* event = static_cast<XEvent*>(xevent);
  if (event->type != ClientMessage || event->xclient.message_type != g_opcode) return GDK_FILTER_CONTINUE;
  if (event->xclient.data.l[1] == 0) {  // SYSTEM_TRAY_REQUEST_DOCK
    GtkWidget* socket = gtk_socket_new();
    gtk_widget_set_size_request(socket, 48, 48);
    gtk_box_pack_start(GTK_BOX(g_box), socket, FALSE, FALSE, 0);
    gtk_widget_show(socket);
    gtk_socket_add_id(GTK_SOCKET(socket), static_cast<Window>(event->xclient.data.l[2]));
  }
  return GDK_FILTER_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_move(GTK_WINDOW(window), 0, 0);
  g_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_container_add(GTK_CONTAINER(window), g_box);
  gtk_widget_show_all(window);
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(gdkWindow));
  const Window xid = GDK_WINDOW_XID(gdkWindow);
  const Atom selection = XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False);
  g_opcode = XInternAtom(display, "_NET_SYSTEM_TRAY_OPCODE", False);
  gdk_window_add_filter(gdkWindow, Filter, nullptr);
  const Time now = gdk_x11_get_server_time(gdkWindow);
  XSetSelectionOwner(display, selection, xid, now);
  XClientMessageEvent manager{};
  manager.type = ClientMessage;
  manager.window = DefaultRootWindow(display);
  manager.message_type = XInternAtom(display, "MANAGER", False);
  manager.format = 32;
  manager.data.l[0] = static_cast<long>(now);
  manager.data.l[1] = static_cast<long>(selection);
  manager.data.l[2] = static_cast<long>(xid);
  XSendEvent(display, DefaultRootWindow(display), False, StructureNotifyMask, reinterpret_cast<XEvent*>(&manager));
  XFlush(display);
  gtk_main();
  return 0;
}
