#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <string>

#include "components/browser/browser_engine.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

// The browser engine over one WebKitWebView (from PageHost::NewView). Holds
// a reference on the view; its signals are disconnected when this goes.
class TWebKitBrowserEngine final : public IBrowserEngine {
 public:
  explicit TWebKitBrowserEngine(WebKitWebView* view);
  ~TWebKitBrowserEngine() override;
  TWebKitBrowserEngine(const TWebKitBrowserEngine&) = delete;
  TWebKitBrowserEngine& operator=(const TWebKitBrowserEngine&) = delete;

  WebKitWebView* View() const noexcept { return m_view.Get(); }

  void SetListener(IBrowserEngineListener* listener) override { m_listener = listener; }
  void ApplySettings(const TBrowserSettings& settings) override;
  void SetUserAgentToken(const std::string& token) override;
  std::string UserAgent() const override;
  void SetZoom(double level, bool textOnly) override;
  double Zoom() const override;
  void ExecuteEditingCommand(const std::string& command) override;
  void Find(const std::string& text) override;
  void LoadUri(const std::string& uri) override;
  void Reload(bool bypassCache) override;
  void StopLoading() override;
  void GoBack() override;
  void GoForward() override;
  std::string Uri() const override;
  std::string Title() const override;
  double Progress() const override;
  void Print(const TPrintJob& job, std::function<void(const std::string&)> done) override;
  TPageLayout RunPageSetup(const TPageLayout& layout) override;
  void ClearCache(std::function<void()> done) override;
  void RunScriptDialog(TScriptDialog& dialog, const std::string& caption) override;

 private:
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event, WebKitHitTestResult* hit,
                                gpointer self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer self);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self);
  static void OnTitle(GObject*, GParamSpec*, gpointer self);
  static void OnProgress(GObject*, GParamSpec*, gpointer self);
  static gboolean OnFocusIn(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer self);
  static void OnClose(WebKitWebView*, gpointer self);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self);

  platform::GObjectPtr<WebKitWebView> m_view;
  IBrowserEngineListener* m_listener = nullptr;
  std::string m_userStyleSheet;
};

}  // namespace halbrin
