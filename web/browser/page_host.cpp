#include "web/browser/page_host.h"

#include <utility>

#include "web/pages/page_protocol.h"

namespace halbrin {

using namespace halbrin::platform;

PageHost::PageHost(std::string applicationFolder) : m_applicationFolder(std::move(applicationFolder)) {
  if (!m_applicationFolder.empty() && m_applicationFolder.back() != '/') m_applicationFolder += '/';
  m_rule.SetApplicationFolder(m_applicationFolder);
}

PageHost::~PageHost() {
  if (m_context) g_signal_handlers_disconnect_by_data(m_context.Get(), this);
  for (auto& [pageId, document] : m_documents) document->Open(nullptr);
}

void PageHost::MakeContext() {
  IPageClient& client = *this;
  m_server = std::make_unique<PageServer>(client);
  m_context = GObjectPtr<WebKitWebContext>::Adopt(webkit_web_context_new());
  g_signal_connect(m_context.Get(), "initialize-web-extensions", G_CALLBACK(&PageHost::OnInitializeExtensions), this);
}

void PageHost::OnInitializeExtensions(WebKitWebContext* context, gpointer self) {
  auto* host = static_cast<PageHost*>(self);
  const std::string folder = host->m_applicationFolder + pages::kExtensionFolder;
  webkit_web_context_set_web_extensions_directory(context, folder.c_str());
  webkit_web_context_set_web_extensions_initialization_user_data(
      context, g_variant_new(pages::kInitialDataType, host->m_server->SocketPath().c_str(),
                             host->m_server->Token().c_str(), host->m_applicationFolder.c_str()));
}

GtkWidget* PageHost::NewView() {
  if (!m_context) MakeContext();
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", m_context.Get(), nullptr));
  g_signal_connect(view, "destroy", G_CALLBACK(&PageHost::OnViewDestroyed), this);
  return view;
}

void PageHost::OnViewDestroyed(GtkWidget* view, gpointer self) {
  auto* host = static_cast<PageHost*>(self);
  const std::uint64_t pageId = webkit_web_view_get_page_id(WEBKIT_WEB_VIEW(view));
  if (auto found = host->m_documents.find(pageId); found != host->m_documents.end()) {
    found->second->Open(nullptr);
    host->m_documents.erase(found);
  }
}

RefPtr<TPageDocument>& PageHost::DocumentOfPage(std::uint64_t pageId) {
  RefPtr<TPageDocument>& document = m_documents[pageId];
  if (!document) document = MakeRef<TPageDocument>();
  return document;
}

RefPtr<TPageDocument> PageHost::Document(WebKitWebView* view) {
  return DocumentOfPage(webkit_web_view_get_page_id(view));
}

bool PageHost::Grants(const std::string& uri, const std::string& followedUri) {
  return m_rule.Grants(uri, followedUri);
}

void PageHost::DocumentOpened(std::uint64_t pageId, RefPtr<IDispatchObject> document) {
  DocumentOfPage(pageId)->Open(std::move(document));
}

}  // namespace halbrin
