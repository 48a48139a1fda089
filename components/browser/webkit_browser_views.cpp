#include "components/browser/webkit_browser_views.h"

#include <memory>
#include <string>

#include "components/browser/web_browser_ex.h"
#include "components/browser/webkit_browser_engine.h"
#include "core/app/client.h"
#include "core/app/project_info.h"
#include "core/framework/application_hooks.h"
#include "platform/base/glib_ptr.h"
#include "web/browser/page_host.h"

namespace halbrin {

using platform::GObjectPtr;

namespace {

// The page host of the process, made with the first browser.
PageHost& BrowserPageHost() {
  static std::unique_ptr<PageHost> host;
  if (!host) {
    host = std::make_unique<PageHost>(ApplicationFolder());
    const platform::Variant folder = ApplicationHooks().ProjectAttribute("folder");
    if (folder.IsString()) host->SetProjectFolder(folder.AsString());
    host->SetExternal(platform::RefPtr<platform::IDispatchObject>(GetClient()));
    host->SetLog([](const std::string& line) { ApplicationHooks().Log("TWebBrowserEx", line); });
  }
  return *host;
}

class TWebKitBrowserView final : public IBrowserView {
 public:
  TWebKitBrowserView(PageHost& host, GObjectPtr<GtkWidget> widget) : m_host(host), m_widget(std::move(widget)) {}
  ~TWebKitBrowserView() override { gtk_widget_destroy(m_widget.Get()); }
  TWebKitBrowserView(const TWebKitBrowserView&) = delete;
  TWebKitBrowserView& operator=(const TWebKitBrowserView&) = delete;

  void SetPageOptions(const PageOptions& options) override { m_host.SetOptions(View(), options); }
  WebKitWebView* View() const { return WEBKIT_WEB_VIEW(m_widget.Get()); }

 private:
  PageHost& m_host;
  GObjectPtr<GtkWidget> m_widget;
};

std::unique_ptr<IBrowserView> NewWebKitBrowserView(TWebBrowserEx& browser) {
  PageHost& host = BrowserPageHost();
  auto view = std::make_unique<TWebKitBrowserView>(host, GObjectPtr<GtkWidget>::AdoptFloating(host.NewView()));
  WebKitWebView* webView = view->View();
  const platform::TWeakRef<platform::TComponent> weak(&browser);
  host.SetScriptErrorHandler(webView, [weak](const PageScriptError& error) {
    auto* target = static_cast<TWebBrowserEx*>(weak.Get());
    if (!target) return true;
    TScriptErrorInfo info;
    info.message = error.message;
    info.url = error.url;
    info.line = std::to_string(error.line);
    info.character = std::to_string(error.column);
    bool showDialog = true;
    return target->ScriptError(info, showDialog);
  });
  host.SetEditHandler(webView, [weak] {
    if (auto* target = static_cast<TWebBrowserEx*>(weak.Get())) target->DocumentEdited();
  });
  browser.SetEngine(std::make_unique<TWebKitBrowserEngine>(webView));
  browser.SetDocument(host.Document(webView));
  browser.SetContentWidget(GTK_WIDGET(webView));
  return view;
}

}  // namespace

void InstallWebKitBrowserViews() { BrowserViewFactory() = NewWebKitBrowserView; }

}  // namespace halbrin
