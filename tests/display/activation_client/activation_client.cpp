// Another program on the display: one plain GTK window that takes the
// activation, so tests see their own windows lose it to a foreign client.
//
//   activation_client
//
// Shows and presents its window and prints "active XID" each time the window
// becomes the active one. A line "activate" on standard input presents it
// again; the end of standard input ends the program.

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>

namespace {

void Present(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  gtk_window_present_with_time(window, gdkWindow ? gdk_x11_get_server_time(gdkWindow) : GDK_CURRENT_TIME);
}

void OnActive(GObject* object, GParamSpec*, gpointer) {
  GtkWindow* window = GTK_WINDOW(object);
  if (!gtk_window_is_active(window)) return;
  std::printf("active %lu\n", static_cast<unsigned long>(GDK_WINDOW_XID(gtk_widget_get_window(GTK_WIDGET(window)))));
  std::fflush(stdout);
}

gboolean OnInput(GIOChannel* channel, GIOCondition, gpointer window) {
  gchar* line = nullptr;
  gsize length = 0;
  const GIOStatus status = g_io_channel_read_line(channel, &line, &length, nullptr, nullptr);
  const bool activate = status == G_IO_STATUS_NORMAL && line && std::strncmp(line, "activate", 8) == 0;
  g_free(line);
  if (status == G_IO_STATUS_EOF || status == G_IO_STATUS_ERROR) {
    gtk_main_quit();
    return G_SOURCE_REMOVE;
  }
  if (activate) Present(GTK_WINDOW(window));
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) return 1;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Another program");
  gtk_window_set_default_size(GTK_WINDOW(window), 200, 120);
  gtk_window_move(GTK_WINDOW(window), 600, 400);
  g_signal_connect(window, "notify::is-active", G_CALLBACK(OnActive), nullptr);
  gtk_widget_show(window);
  Present(GTK_WINDOW(window));
  GIOChannel* input = g_io_channel_unix_new(0);
  g_io_add_watch(input, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), OnInput, window);
  gtk_main();
  g_io_channel_unref(input);
  gtk_widget_destroy(window);
  return 0;
}
