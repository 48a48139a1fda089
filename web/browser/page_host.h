#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/base/glib_ptr.h"
#include "web/browser/page_access_rule.h"
#include "web/browser/page_document.h"
#include "web/browser/page_gate.h"
#include "web/browser/page_server.h"

namespace halbrin {

// The client's side of its web views: the WebKit web context (made with the
// first view, so WebKit's process start-up waits until a page is shown), the
// server page processes connect to, the rule deciding which frames get
// window.external, and one document proxy per view. Main thread only.
class PageHost final : private IPageClient {
 public:
  using Log = std::function<void(const std::string& line)>;
  // Answers whether the page's own error handling goes on.
  using ScriptErrorHandler = std::function<bool(const PageScriptError& error)>;
  using EditHandler = std::function<void()>;

  // `applicationFolder` holds the program; its pages/ holds the page extension.
  explicit PageHost(std::string applicationFolder);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  void SetProjectFolder(std::string folder) { m_rule.SetProjectFolder(std::move(folder)); }
  // What granted frames reach as window.external (null: none). Frames opened
  // before keep what they were given.
  void SetExternal(platform::RefPtr<platform::IDispatchObject> external) { m_external = std::move(external); }

  // Where the host's log lines go (none by default). A main document that is
  // not granted logs `Page "<uri>" lies outside the project and application
  // folders: no window.external` once; a file read a page may not make logs
  // `Page file "<uri>" was not read: the frame holds no grant or the file lies
  // outside the project and application folders`.
  void SetLog(Log log) { m_log = std::move(log); }

  // The options a view's page process applies to its document requests, read
  // by the page at each request; a view starts with PageOptions{}.
  void SetOptions(WebKitWebView* view, PageOptions options);
  PageOptions Options(WebKitWebView* view) const;
  // Called for every uncaught script error of the view's main or granted
  // frames; without one the page's own handling goes on.
  void SetScriptErrorHandler(WebKitWebView* view, ScriptErrorHandler handler);
  // Called for every "input" and "change" event of the view's main or
  // granted frames: the user or a script edited the document.
  void SetEditHandler(WebKitWebView* view, EditHandler handler);

  // A new view on the shared context, as a floating widget. Raises EOSError
  // when the page server cannot be started.
  GtkWidget* NewView();
  // The document of a view made here; the same object for the view's life.
  platform::RefPtr<TPageDocument> Document(WebKitWebView* view);
  // Null until the first view.
  WebKitWebContext* Context() const noexcept { return m_context.Get(); }
  // Null until the first view.
  const PageServer* Server() const noexcept { return m_server.get(); }

 private:
  bool Grants(const std::string& uri, const std::string& followedUri) override;
  platform::RefPtr<platform::IDispatchObject> External() override { return m_external; }
  void DocumentOpened(std::uint64_t pageId, platform::RefPtr<platform::IDispatchObject> document) override;
  void MainDocumentRefused(std::uint64_t pageId, const std::string& uri) override;
  PageOptions Options(std::uint64_t pageId) override;
  bool ScriptError(std::uint64_t pageId, const PageScriptError& error) override;
  void DocumentEdited(std::uint64_t pageId) override;
  std::optional<std::string> ReadFile(const std::string& uri, const std::string& charset) override;
  void ReadRefused(std::uint64_t frameId, const std::string& uri) override;

  // What the host keeps for one view, by page id.
  struct ViewState {
    PageOptions options;
    ScriptErrorHandler onScriptError;
    EditHandler onEdit;
  };

  void MakeContext();
  platform::RefPtr<TPageDocument>& DocumentOfPage(std::uint64_t pageId);
  static void OnInitializeExtensions(WebKitWebContext* context, gpointer self);
  static void OnViewDestroyed(GtkWidget* view, gpointer self);

  std::string m_applicationFolder;
  PageAccessRule m_rule;
  platform::RefPtr<platform::IDispatchObject> m_external;
  std::unique_ptr<PageServer> m_server;
  platform::GObjectPtr<WebKitWebContext> m_context;
  std::unordered_map<std::uint64_t, platform::RefPtr<TPageDocument>> m_documents;
  std::unordered_map<std::uint64_t, ViewState> m_views;
  Log m_log;
};

}  // namespace halbrin
