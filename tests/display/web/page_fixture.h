#pragma once

// A real web view of a PageHost under Xvfb, with a project folder, a folder
// outside it, and a client object for window.external whose members the
// tests add. Shared by the display tests and the benchmarks of the page channel.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/automation/dispatch.h"
#include "platform/base/glib_ptr.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"
#include "support/test_support.h"
#include "unit/platform/call_channel_fixture.h"
#include "web/browser/page_host.h"
#include "web/browser/web_process_init.h"

namespace halbrin::page_testing {

using platform::channel_testing::TScriptObject;

// Generous: under Xvfb and the sanitizers the first page process starts slowly.
constexpr double kWaitLimitSeconds = 60;

// A client method: a plain read of it answers "call me", as automation methods do.
inline void AddMethod(TScriptObject& object, std::string name, std::function<platform::Variant(std::vector<platform::Variant>&)> body) {
  object.Add(std::move(name), [body = std::move(body)](std::uint16_t kind, platform::DispParams& params) {
    if (!(kind & platform::DISPATCH_METHOD)) throw platform::EOleError(platform::DISP_E_MEMBERNOTFOUND, "not a property");
    return body(params.args);
  });
}

class PageFixture {
 public:
  PageFixture()
      : m_root("halbrin_pages"),
        m_host(HALBRIN_APP_DIR),
        m_window(Window()),
        m_external(platform::MakeRef<TScriptObject>("client")) {
    std::filesystem::create_directories(Project());
    std::filesystem::create_directories(Outside());
    m_host.SetProjectFolder(Project() + "/");
    m_host.SetExternal(m_external);
    m_view = WEBKIT_WEB_VIEW(m_host.NewView());
    gtk_container_add(GTK_CONTAINER(m_window.Widget()), GTK_WIDGET(m_view));
    gtk_widget_show_all(m_window.Widget());
    g_signal_connect(m_view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                       if (event == WEBKIT_LOAD_FINISHED) static_cast<PageFixture*>(self)->m_loaded = true;
                     }), this);
    g_signal_connect(m_view, "load-failed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer self) -> gboolean {
                       static_cast<PageFixture*>(self)->m_failed = true;
                       return FALSE;
                     }), this);
  }
  ~PageFixture() { g_signal_handlers_disconnect_by_data(m_view, this); }

  std::string Project() const { return m_root.Path("project"); }
  std::string Outside() const { return m_root.Path("outside"); }
  static std::string FileUri(const std::string& path) {
    platform::GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    return uri.get();
  }
  // Writes a page into the project folder (or any path) and returns its URI.
  std::string ProjectPage(const std::string& name, const std::string& html) const {
    return WritePage(Project() + "/" + name, html);
  }
  std::string OutsidePage(const std::string& name, const std::string& html) const {
    return WritePage(Outside() + "/" + name, html);
  }
  static std::string WritePage(const std::string& path, const std::string& html) {
    testing::WriteFile(path, html);
    return FileUri(path);
  }

  TScriptObject& External() { return *m_external; }
  PageHost& Host() { return m_host; }
  WebKitWebView* View() const { return m_view; }
  platform::IDispatchObject& Document() {
    if (!m_document) m_document = m_host.Document(m_view);
    return *m_document;
  }

  // Loads and waits until WebKit reports the load finished; throws on failure.
  void Load(const std::string& uri) {
    m_loaded = m_failed = false;
    webkit_web_view_load_uri(m_view, uri.c_str());
    WaitFor([this] { return m_loaded || m_failed; }, "the page to load: " + uri);
    if (m_failed) throw std::runtime_error("the page failed to load: " + uri);
  }
  // Iterates the main loop until `done` holds; throws after the wait limit.
  static void WaitFor(const std::function<bool()>& done, const std::string& what) {
    platform::GTimerPtr timer(g_timer_new());
    // Wakes the blocking iterations now and then to look at the clock.
    const guint tick = g_timeout_add(100, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (!done()) {
      if (g_timer_elapsed(timer.get(), nullptr) > kWaitLimitSeconds) {
        g_source_remove(tick);
        throw std::runtime_error("timed out waiting for " + what);
      }
      g_main_context_iteration(nullptr, TRUE);
    }
    g_source_remove(tick);
  }
  // The page's title read through the view's document proxy.
  std::string Title() { return platform::GetProperty(Document(), "title").ToText(); }
  // Waits until the page's title is no longer `pending` and returns it. A
  // read may fail while the view changes documents (or page processes), and
  // the empty title of a document still being replaced does not count.
  std::string TitleAfter(const std::string& pending) {
    std::string title = pending;
    WaitFor([&] {
      try {
        title = Title();
      } catch (const platform::EOleError&) {
      }
      return title != pending && !title.empty();
    }, "the page to leave the title " + pending);
    return title;
  }

 private:
  static platform::WindowHolder Window() {
    InitializeWebProcess();
    if (!platform::InitGtk()) throw std::runtime_error("no display could be opened; run display tests under xvfb-run");
    return platform::WindowHolder::CreateTopLevel();
  }

  testing::TempFolder m_root;
  PageHost m_host;
  platform::WindowHolder m_window;
  platform::RefPtr<TScriptObject> m_external;
  WebKitWebView* m_view = nullptr;  // owned by the window
  platform::RefPtr<platform::IDispatchObject> m_document;
  bool m_loaded = false;
  bool m_failed = false;
};

}  // namespace halbrin::page_testing
