#include "web/browser/page_host.h"

#include <utility>

#include "web/pages/page_protocol.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

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
  GtkWidget* view = nullptr;
  {
#if defined(__SANITIZE_ADDRESS__)
    // In a process that runs JavaScriptCore engines of its own, making a view
    // leaves four blocks of JavaScriptCore's allocator (192 bytes) that no
    // pointer LeakSanitizer can see leads to; they are WebKit's, not ours.
    __lsan::ScopedDisabler webKitBlocks;
#endif
    view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", m_context.Get(), nullptr));
  }
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
  host->m_views.erase(pageId);
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

void PageHost::MainDocumentRefused(std::uint64_t, const std::string& uri) {
  // A blank page is no page of anyone's.
  if (!m_log || pages::FollowsParent(uri)) return;
  m_log("Page \"" + uri + "\" lies outside the project and application folders: no window.external");
}

void PageHost::SetOptions(WebKitWebView* view, PageOptions options) {
  m_views[webkit_web_view_get_page_id(view)].options = std::move(options);
}

PageOptions PageHost::Options(WebKitWebView* view) const {
  const auto found = m_views.find(webkit_web_view_get_page_id(view));
  return found == m_views.end() ? PageOptions{} : found->second.options;
}

void PageHost::SetScriptErrorHandler(WebKitWebView* view, ScriptErrorHandler handler) {
  m_views[webkit_web_view_get_page_id(view)].onScriptError = std::move(handler);
}

void PageHost::SetEditHandler(WebKitWebView* view, EditHandler handler) {
  m_views[webkit_web_view_get_page_id(view)].onEdit = std::move(handler);
}

PageOptions PageHost::Options(std::uint64_t pageId) {
  const auto found = m_views.find(pageId);
  return found == m_views.end() ? PageOptions{} : found->second.options;
}

bool PageHost::ScriptError(std::uint64_t pageId, const PageScriptError& error) {
  const auto found = m_views.find(pageId);
  if (found == m_views.end() || !found->second.onScriptError) return true;
  // The handler may change the view's state; it runs on a copy.
  const ScriptErrorHandler handler = found->second.onScriptError;
  return handler(error);
}

void PageHost::DocumentEdited(std::uint64_t pageId) {
  const auto found = m_views.find(pageId);
  if (found == m_views.end() || !found->second.onEdit) return;
  const EditHandler handler = found->second.onEdit;
  handler();
}

std::optional<std::string> PageHost::ReadFile(const std::string& uri, const std::string& charset) {
  if (!m_rule.Grants(uri, "")) return std::nullopt;
  const std::string path = PageAccessRule::RealPathOfFileUri(uri);
  GCharPtr raw;
  gsize size = 0;
  {
    gchar* contents = nullptr;
    if (path.empty() || !g_file_get_contents(path.c_str(), &contents, &size, nullptr)) return std::nullopt;
    raw.reset(contents);
  }
  if (charset.empty() || g_ascii_strcasecmp(charset.c_str(), "UTF-8") == 0) {
    if (!g_utf8_validate(raw.get(), static_cast<gssize>(size), nullptr)) return std::nullopt;
    return std::string(raw.get(), size);
  }
  gsize written = 0;
  GCharPtr text(g_convert(raw.get(), static_cast<gssize>(size), "UTF-8", charset.c_str(), nullptr, &written, nullptr));
  if (!text) return std::nullopt;
  return std::string(text.get(), written);
}

void PageHost::ReadRefused(std::uint64_t, const std::string& uri) {
  if (!m_log) return;
  m_log("Page file \"" + uri +
        "\" was not read: the frame holds no grant or the file lies outside the project and application folders");
}

}  // namespace halbrin
