// The reference for the browser start benchmark: a bare WebKitGTK program with
// one window holding one view of a file URI. When the main frame's load
// finishes it writes the marker file; it then runs until SIGTERM (or quits at
// once with --quit), so the driver can read its memory at that moment.
//
//   bench_bare_webview [--quit] [--size WxH] URI MARKER

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Run {
  std::string marker;
  bool quitWhenLoaded = false;
  bool marked = false;
};

// Written under a temporary name and renamed, so the marker appears whole.
bool WriteMarker(const std::string& path) {
  const std::string temporary = path + ".part";
  FILE* file = std::fopen(temporary.c_str(), "w");
  if (!file) return false;
  std::fputs("loaded\n", file);
  if (std::fclose(file) != 0) return false;
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* run = static_cast<Run*>(data);
  if (event != WEBKIT_LOAD_FINISHED || run->marked) return;
  run->marked = true;
  if (!WriteMarker(run->marker)) std::fprintf(stderr, "bench_bare_webview: cannot write %s\n", run->marker.c_str());
  if (run->quitWhenLoaded) gtk_main_quit();
}

gboolean OnTerminate(gpointer) {
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

int Usage() {
  std::fputs("usage: bench_bare_webview [--quit] [--size WxH] URI MARKER\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  Run run;
  int width = 800;
  int height = 600;
  const char* uri = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit") == 0) {
      run.quitWhenLoaded = true;
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2 || width <= 0 || height <= 0) return Usage();
    } else if (!uri) {
      uri = argv[i];
    } else if (run.marker.empty()) {
      run.marker = argv[i];
    } else {
      return Usage();
    }
  }
  if (!uri || run.marker.empty()) return Usage();

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Bare web view");
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  GtkWidget* view = webkit_web_view_new();
  g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), &run);
  gtk_container_add(GTK_CONTAINER(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri);
  gtk_widget_show_all(window);
  g_unix_signal_add(SIGTERM, OnTerminate, nullptr);
  gtk_main();
  return run.marked ? 0 : 1;
}
