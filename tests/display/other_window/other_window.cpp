// Another program's window for display tests: a plain GTK top-level that
// shows itself, asks for the activation, and runs until it is closed or sent
// SIGTERM (exit code 0 either way).
//
//   other_window TITLE [LEFT TOP WIDTH HEIGHT]
//
// Exit code 2: wrong arguments; 3: no display.

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 6) return 2;
  if (!gtk_init_check(&argc, &argv)) return 3;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argv[1]);
  if (argc == 6) {
    gtk_window_move(GTK_WINDOW(window), std::atoi(argv[2]), std::atoi(argv[3]));
    gtk_window_set_default_size(GTK_WINDOW(window), std::atoi(argv[4]), std::atoi(argv[5]));
  } else {
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 120);
  }
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  g_unix_signal_add(
      SIGTERM,
      [](gpointer) -> gboolean {
        gtk_main_quit();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  gtk_widget_show_all(window);
  gtk_window_present(GTK_WINDOW(window));
  gtk_main();
  return 0;
}
