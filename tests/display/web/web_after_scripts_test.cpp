#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "platform/base/glib_ptr.h"
#include "platform/jsc/jsc_engine.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"
#include "support/test_support.h"
#include "web/browser/web_process_init.h"

// WebKit keeps its default web context (and the process pool it holds) for
// the life of the process; LeakSanitizer takes those blocks for lost. Without
// frame pointers in JavaScriptCore the allocation stacks of some of them end
// inside it, so it is named too; the bridge's own leak checks are the unit
// tests', which run without these suppressions.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libwebkit2gtk-4.1.so\nleak:libjavascriptcoregtk-4.1.so\n";
}

namespace halbrin {
namespace {

using namespace halbrin::platform;

// Generous: under Xvfb and the sanitizers the first page process starts slowly.
constexpr guint kWaitLimitSeconds = 60;

constexpr const char* kScriptedTitle = "Scripted 42";

// The title arrives from the page process on its own, possibly after the load has finished.
struct PageLoad {
  GMainLoopPtr loop{g_main_loop_new(nullptr, FALSE)};
  bool finished = false;
  bool failed = false;
  bool titled = false;
  bool timedOut = false;

  void QuitWhenDone() {
    if ((finished && titled) || failed) g_main_loop_quit(loop.get());
  }
};

// The order is what matters: the hook, then scripts, then a page.
TEST(WebAfterScripts, ABareWebViewStillLoadsALocalPageAfterScriptsRan) {
  InitializeWebProcess();
  {
    JscVirtualMachine vm;
    JscEngine engine(vm);
    ASSERT_EQ(engine.Evaluate("[1, 2, 3].map(function (x) { return x * 2; }).join()"), Variant("2,4,6"));
  }
  ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";

  testing::TempFolder folder("halbrin_web");
  const std::string page = folder.Write(
      "page.html",
      "<!DOCTYPE html><html><head><title>Plain</title></head>"
      "<body><script>document.title = 'Scripted ' + (6 * 7);</script></body></html>");

  WindowHolder window = WindowHolder::CreateTopLevel();
  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window.Widget()), view);
  gtk_widget_show_all(window.Widget());

  PageLoad load;
  g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer data) {
                     auto* state = static_cast<PageLoad*>(data);
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     state->finished = true;
                     state->QuitWhenDone();
                   }),
                   &load);
  g_signal_connect(view, "notify::title", G_CALLBACK(+[](WebKitWebView* source, GParamSpec*, gpointer data) {
                     auto* state = static_cast<PageLoad*>(data);
                     const char* title = webkit_web_view_get_title(source);
                     state->titled = title && std::string(title) == kScriptedTitle;
                     state->QuitWhenDone();
                   }),
                   &load);
  g_signal_connect(view, "load-failed",
                   G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer data) -> gboolean {
                     auto* state = static_cast<PageLoad*>(data);
                     state->failed = true;
                     state->QuitWhenDone();
                     return FALSE;
                   }),
                   &load);
  const guint timeout = g_timeout_add_seconds(kWaitLimitSeconds, +[](gpointer data) -> gboolean {
    auto* state = static_cast<PageLoad*>(data);
    state->timedOut = true;
    g_main_loop_quit(state->loop.get());
    return G_SOURCE_REMOVE;
  }, &load);

  GCharPtr uri(g_filename_to_uri(page.c_str(), nullptr, nullptr));
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri.get());
  g_main_loop_run(load.loop.get());
  if (!load.timedOut) g_source_remove(timeout);

  EXPECT_FALSE(load.timedOut) << "the page never finished loading";
  EXPECT_TRUE(load.finished);
  EXPECT_FALSE(load.failed);
  // The page's own script ran, so the page process is alive and well.
  EXPECT_TRUE(load.titled);
  EXPECT_STREQ(webkit_web_view_get_title(WEBKIT_WEB_VIEW(view)), kScriptedTitle);
}

}  // namespace
}  // namespace halbrin
