#include "web/pages/page_extension.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/automation/dispatch.h"
#include "web/pages/page_engine.h"
#include "web/pages/page_protocol.h"

namespace halbrin::pages {

using namespace halbrin::platform;

namespace {

// For about:blank and srcdoc frames: the document URI of the nearest ancestor
// that is neither, or "" when none can be read (another origin throws).
constexpr const char kFollowedUriScript[] = R"((function () {
  try {
    for (var w = window; w !== w.parent; ) {
      w = w.parent;
      var uri = w.document.URL;
      if (!/^about:(blank|srcdoc)([?#]|$)/i.test(uri)) return uri;
    }
  } catch (e) {}
  return "";
})())";

// Adds the reporter as the window's first "error" listener, so it runs before
// the page's own (window.onerror included). Resource errors do not bubble to
// the window and are not reported.
constexpr const char kErrorListenerScript[] = R"((function (report) {
  addEventListener('error', function (e) {
    if (e.target !== window) return;
    var text = function (v) { return v === undefined || v === null ? '' : String(v); };
    if (!report(text(e.message), text(e.filename), e.lineno | 0, e.colno | 0)) {
      e.preventDefault();
      e.stopImmediatePropagation();
    }
  });
}))";

// Edits of the frame's documents: capturing, so a handler that stops the
// event does not hide it.
constexpr const char kEditListenerScript[] = R"((function (report) {
  var edited = function () { report(); };
  addEventListener('input', edited, true);
  addEventListener('change', edited, true);
}))";

// What a reporter function of one page calls back.
struct PageSink {
  PageExtension* extension;
  std::uint64_t pageId;
};

// Header lines "Name: value" separated by CR LF (or LF); malformed ones are skipped.
void AddHeaderLines(SoupMessageHeaders* headers, std::string_view lines) {
  while (!lines.empty()) {
    std::size_t end = lines.find('\n');
    std::string_view line = lines.substr(0, end);
    lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    std::string name(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    soup_message_headers_replace(headers, name.c_str(), std::string(value).c_str());
  }
}

// Document requests carry a document's Accept (and, where WebKit sends it, a
// document or frame destination).
bool IsDocumentRequest(SoupMessageHeaders* headers) {
  if (!headers) return false;
  if (const char* dest = soup_message_headers_get_one(headers, "Sec-Fetch-Dest"))
    return g_str_equal(dest, "document") || g_str_equal(dest, "iframe") || g_str_equal(dest, "frame");
  const char* accept = soup_message_headers_get_one(headers, "Accept");
  return accept && g_str_has_prefix(accept, "text/html");
}

// How long a page's call reads without blocking before it sleeps on the
// socket: the client mostly answers well within it. After serving the
// client's calls from the loop, the page stays on the socket this long for
// the next one (a client script reading the document). Both from bench_web.
constexpr int kSpinMicros = 200;
constexpr int kLingerMicros = 100;

// A blocking connect: the first page script may need the channel at once.
int ConnectTo(const std::string& socketPath, const std::string& token) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) throw EOSError(ENAMETOOLONG, "the client's socket path is too long");
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw EOSError(errno, "cannot make a socket for the client");
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      send(fd, token.data(), token.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(token.size())) {
    const int error = errno;
    close(fd);
    throw EOSError(error, "cannot reach the client at " + socketPath);
  }
  return fd;
}

}  // namespace

PageExtension::PageExtension(WebKitWebExtension* extension, const std::string& socketPath, const std::string& token)
    : m_extension(GObjectPtr<WebKitWebExtension>::Ref(extension)) {
  CallChannelOptions options;
  options.peerName = "client process";
  options.spinMicros = kSpinMicros;
  options.lingerMicros = kLingerMicros;
  m_channel = std::make_unique<CallChannel>(ConnectTo(socketPath, token), options);
  m_channel->SetOnClosed([](const std::string& reason) {
    g_debug("halbrinlite-pages: the channel to the client closed: %s", reason.c_str());
  });
  m_channel->Attach();
  m_gate = m_channel->PeerRootObject();
  if (!m_gate) throw EOleError(E_FAIL, "The client offers no page gate");
  m_membrane->SetJobRunner([this](JSCValue* object, const Variant& job, JSCValue* target, const Variant& settings) {
    return m_binding.RunJob(object, job, target, settings);
  });
  m_clearedHandler = g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                                      G_CALLBACK(&PageExtension::OnWindowObjectCleared), this);
  m_pageHandler = g_signal_connect(extension, "page-created", G_CALLBACK(&PageExtension::OnPageCreated), this);
}

PageExtension::~PageExtension() {
  g_signal_handler_disconnect(webkit_script_world_get_default(), m_clearedHandler);
  g_signal_handler_disconnect(m_extension.Get(), m_pageHandler);
  for (auto& [id, watch] : m_pages) {
    g_signal_handlers_disconnect_by_data(watch->page, watch.get());
    g_object_weak_unref(G_OBJECT(watch->page), &PageExtension::OnPageFinalized, watch.get());
  }
  m_membrane->SetJobRunner(nullptr);
  m_binding = PageBinding();
  m_frames.clear();
}

void PageExtension::OnWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                                          gpointer self) {
  try {
    static_cast<PageExtension*>(self)->WindowObjectCleared(world, page, frame);
  } catch (const std::exception& error) {
    g_warning("halbrinlite-pages: a frame of page %" G_GUINT64_FORMAT " gets no external: %s",
              webkit_web_page_get_id(page), error.what());
  }
}

void PageExtension::OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer self) {
  static_cast<PageExtension*>(self)->PageCreated(page);
}

void PageExtension::OnPageFinalized(gpointer data, GObject*) {
  auto* watch = static_cast<PageWatch*>(data);
  watch->self->PageGone(watch->pageId);
}

gboolean PageExtension::OnSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirected,
                                      gpointer watch) {
  try {
    return static_cast<PageWatch*>(watch)->self->SendRequest(page, request, redirected);
  } catch (const std::exception& error) {
    g_warning("halbrinlite-pages: a request of page %" G_GUINT64_FORMAT " goes out unchanged: %s",
              webkit_web_page_get_id(page), error.what());
    return FALSE;
  }
}

gboolean PageExtension::OnContextMenu(WebKitWebPage* page, WebKitContextMenu* menu, WebKitWebHitTestResult* hit,
                                      gpointer watch) {
  try {
    static_cast<PageWatch*>(watch)->self->ContextMenu(page, menu, hit);
  } catch (const std::exception& error) {
    g_warning("halbrinlite-pages: no node for a context menu: %s", error.what());
  }
  return FALSE;  // the menu itself is left as it is
}

void PageExtension::PageCreated(WebKitWebPage* page) {
  const std::uint64_t pageId = webkit_web_page_get_id(page);
  auto watch = std::make_unique<PageWatch>(PageWatch{this, pageId, page});
  g_object_weak_ref(G_OBJECT(page), &PageExtension::OnPageFinalized, watch.get());
  g_signal_connect(page, "send-request", G_CALLBACK(&PageExtension::OnSendRequest), watch.get());
  g_signal_connect(page, "context-menu", G_CALLBACK(&PageExtension::OnContextMenu), watch.get());
  m_pages[pageId] = std::move(watch);
}

void PageExtension::PageGone(std::uint64_t pageId) {
  m_binding.ForgetPage(pageId);
  std::erase_if(m_frames, [pageId](const auto& entry) { return entry.second.pageId == pageId; });
  m_membrane->ForgetPage(pageId);
  m_pages.erase(pageId);
}

bool PageExtension::SendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirected) {
  SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
  const char* rawUri = webkit_uri_request_get_uri(request);
  const std::string_view uri = rawUri ? rawUri : "";
  // The main frame's provisional document is the page's URI (before a
  // redirect, the URI that answered with it).
  const char* pageUri = webkit_web_page_get_uri(page);
  const char* previous = redirected ? webkit_uri_response_get_uri(redirected) : nullptr;
  const bool isMain = pageUri && (uri == pageUri || (previous && g_str_equal(previous, pageUri)));
  if (!isMain && !IsDocumentRequest(headers)) return false;
  const bool isFrame = !isMain;

  const Variant answer = InvokeById(*m_gate, kPageOptionsId, DISPATCH_METHOD,
                                    {Variant(static_cast<std::int64_t>(webkit_web_page_get_id(page)))});
  if (!answer.IsArray() || answer.AsArray().Items().size() != 2) return false;
  const auto& items = answer.AsArray().Items();
  const auto flags = static_cast<std::uint32_t>(items[0].ToInt64());
  if (CancelsDocumentRequest(flags, isFrame, uri)) return true;
  if (headers) AddHeaderLines(headers, items[1].ToText());
  return false;
}

void PageExtension::ContextMenu(WebKitWebPage* page, WebKitContextMenu* menu, WebKitWebHitTestResult* hit) {
  const std::uint64_t pageId = webkit_web_page_get_id(page);
  std::uint64_t handle = 0;
  JscValuePtr node = JscValuePtr::Adopt(webkit_web_hit_test_result_get_js_node(hit, webkit_script_world_get_default()));
  if (node) {
    // Only a node of a frame with an engine (main or granted) can reach the client.
    JSCContext* context = jsc_value_get_context(node.Get());
    for (auto& [frameId, frame] : m_frames) {
      if (frame.pageId != pageId || frame.engine->Context() != context) continue;
      handle = ++m_lastContextNode;
      m_membrane->SetContextNode(pageId, handle, frame.engine->ToVariant(node.Get()));
      break;
    }
  }
  if (handle == 0) m_membrane->ForgetPage(pageId);
  webkit_context_menu_set_user_data(menu, g_variant_new(kContextMenuDataType, static_cast<guint64>(handle)));
}

void PageExtension::ListenForErrors(JscEngine& engine, std::uint64_t pageId) {
  JSCContext* context = engine.Context();
  auto sink = std::make_unique<PageSink>(PageSink{this, pageId});
  JscValuePtr report = JscValuePtr::Adopt(jsc_value_new_function(
      context, nullptr,
      G_CALLBACK(+[](const char* message, const char* url, int line, int column, gpointer data) -> gboolean {
        auto* to = static_cast<PageSink*>(data);
        try {
          return to->extension->ScriptError(to->pageId, message, url, line, column);
        } catch (const std::exception& error) {
          g_warning("halbrinlite-pages: a script error was not reported: %s", error.what());
          return TRUE;
        }
      }),
      sink.get(), +[](gpointer data) { delete static_cast<PageSink*>(data); }, G_TYPE_BOOLEAN, 4, G_TYPE_STRING,
      G_TYPE_STRING, G_TYPE_INT, G_TYPE_INT));
  sink.release();  // the function owns it now
  JscValuePtr install = JscValuePtr::Adopt(jsc_context_evaluate(context, kErrorListenerScript, -1));
  if (install && jsc_value_is_function(install.Get())) {
    JscValuePtr done = JscValuePtr::Adopt(jsc_value_function_call(install.Get(), JSC_TYPE_VALUE, report.Get(), G_TYPE_NONE));
  }
  jsc_context_clear_exception(context);
}

bool PageExtension::ScriptError(std::uint64_t pageId, const char* message, const char* url, int line, int column) {
  return InvokeById(*m_gate, kScriptErrorId, DISPATCH_METHOD,
                    {Variant(static_cast<std::int64_t>(pageId)), Variant(message ? message : ""),
                     Variant(url ? url : ""), Variant(line), Variant(column)})
      .ToBool();
}

void PageExtension::ListenForEdits(JscEngine& engine, std::uint64_t pageId) {
  JSCContext* context = engine.Context();
  auto sink = std::make_unique<PageSink>(PageSink{this, pageId});
  JscValuePtr report = JscValuePtr::Adopt(jsc_value_new_function(
      context, nullptr, G_CALLBACK(+[](gpointer data) {
        auto* to = static_cast<PageSink*>(data);
        try {
          to->extension->DocumentEdited(to->pageId);
        } catch (const std::exception& error) {
          g_warning("halbrinlite-pages: an edit was not reported: %s", error.what());
        }
      }),
      sink.get(), +[](gpointer data) { delete static_cast<PageSink*>(data); }, G_TYPE_NONE, 0, G_TYPE_NONE));
  sink.release();  // the function owns it now
  JscValuePtr install = JscValuePtr::Adopt(jsc_context_evaluate(context, kEditListenerScript, -1));
  if (install && jsc_value_is_function(install.Get())) {
    JscValuePtr done = JscValuePtr::Adopt(jsc_value_function_call(install.Get(), JSC_TYPE_VALUE, report.Get(), G_TYPE_NONE));
  }
  jsc_context_clear_exception(context);
}

void PageExtension::DocumentEdited(std::uint64_t pageId) {
  InvokeById(*m_gate, kDocumentEditedId, DISPATCH_METHOD, {Variant(static_cast<std::int64_t>(pageId))});
}

Variant PageExtension::ReadFile(std::uint64_t frameId, const std::string& uri, const std::string& charset) {
  return InvokeById(*m_gate, kReadFileId, DISPATCH_METHOD,
                    {Variant(static_cast<std::int64_t>(frameId)), Variant(uri), Variant(charset)});
}

void PageExtension::WindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame) {
  const std::uint64_t pageId = webkit_web_page_get_id(page);
  const std::uint64_t frameId = webkit_frame_get_id(frame);
  const bool isMain = webkit_frame_is_main_frame(frame);
  // A new main document takes its frames with it.
  if (isMain) {
    m_binding.ForgetPage(pageId);
    std::erase_if(m_frames, [pageId](const auto& entry) { return entry.second.pageId == pageId; });
  }
  m_binding.ForgetFrame(frameId);
  m_frames.erase(frameId);

  JscContextPtr context = JscContextPtr::Adopt(webkit_frame_get_js_context_for_script_world(frame, world));
  if (!m_vm) m_vm = AdoptVirtualMachine(jsc_context_get_virtual_machine(context.Get()));
  // Only a main frame (its document goes to the client) or a granted frame gets an engine,
  // so a foreign frame's scripts never see the bridge's globals.
  std::unique_ptr<JscEngine> engine;
  if (isMain) engine = AdoptContext(*m_vm, context.Get());

  const char* rawUri = webkit_frame_get_uri(frame);
  const std::string uri = rawUri ? rawUri : "";
  std::string followed;
  if (FollowsParent(uri)) {
    JscValuePtr value = JscValuePtr::Adopt(jsc_context_evaluate(context.Get(), kFollowedUriScript, -1));
    GCharPtr text(value ? jsc_value_to_string(value.Get()) : nullptr);
    jsc_context_clear_exception(context.Get());
    if (text) followed = text.get();
  }
  Variant document;
  if (engine) {
    JscValuePtr value = engine->GlobalValue("document");
    document = m_membrane->Outward(engine->ToVariant(value.Get()));
  }
  std::vector<Variant> args{Variant(static_cast<std::int64_t>(pageId)), Variant(static_cast<std::int64_t>(frameId)),
                            Variant(isMain), Variant(uri), Variant(followed), std::move(document)};
  Variant external = m_membrane->Inward(InvokeById(*m_gate, kFrameOpenedId, DISPATCH_METHOD, std::move(args)));
  const bool granted = external.IsDispatch() && external.AsDispatch();
  if (granted) {
    if (!engine) engine = AdoptContext(*m_vm, context.Get());
    engine->SetGlobal("external", external);
    m_binding.Install(pageId, frameId, *engine, [this, frameId](const std::string& source, const std::string& charset) {
      return ReadFile(frameId, source, charset);
    });
  }
  if (engine) {
    ListenForErrors(*engine, pageId);
    ListenForEdits(*engine, pageId);
    m_frames[frameId] = FrameScripts{pageId, std::move(engine)};
  }
}

}  // namespace halbrin::pages

namespace {

void DestroyExtension(gpointer extension) { delete static_cast<halbrin::pages::PageExtension*>(extension); }

}  // namespace

// WebKit's entry point. The initial data is (socket path, token, application folder).
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                                GVariant* data) {
  if (!data || !g_variant_is_of_type(data, G_VARIANT_TYPE(halbrin::pages::kInitialDataType))) {
    g_warning("halbrinlite-pages: no initial data of type %s; pages get no external",
              halbrin::pages::kInitialDataType);
    return;
  }
  const char* socketPath = nullptr;
  const char* token = nullptr;
  g_variant_get_child(data, 0, "&s", &socketPath);
  g_variant_get_child(data, 1, "&s", &token);
  try {
    auto pages = std::make_unique<halbrin::pages::PageExtension>(extension, socketPath, token);
    // The extension object lives as long as the process; so does this.
    g_object_set_data_full(G_OBJECT(extension), "halbrinlite-pages", pages.release(), &DestroyExtension);
  } catch (const std::exception& error) {
    g_warning("halbrinlite-pages: %s; pages get no external", error.what());
  }
}
