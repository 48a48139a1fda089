#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
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
  // `applicationFolder` holds the program; its pages/ holds the page extension.
  explicit PageHost(std::string applicationFolder);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  void SetProjectFolder(std::string folder) { m_rule.SetProjectFolder(std::move(folder)); }
  // What granted frames reach as window.external (null: none). Frames opened
  // before keep what they were given.
  void SetExternal(platform::RefPtr<platform::IDispatchObject> external) { m_external = std::move(external); }

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
};

}  // namespace halbrin
