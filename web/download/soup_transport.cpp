#include "web/download/soup_transport.h"

#include <libsoup/soup.h>

#include <optional>
#include <utility>

#include "core/foundation/paths.h"
#include "platform/base/glib_ptr.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin {

using namespace halbrin::platform;
using namespace halbrin::download_codes;

namespace {

constexpr gsize kChunkBytes = 64 * 1024;

DownloadSessionOptions& SessionOptions() {
  static DownloadSessionOptions options;
  return options;
}

GObjectPtr<SoupSession>& SessionSlot() {
  static GObjectPtr<SoupSession> session;
  return session;
}

std::string CacheFolder() {
  const char* base = g_get_user_cache_dir();
  return std::string(base ? base : "/tmp") + "/Zebrin/HalbrinLite/download/";
}

// The process's session, made on first use.
SoupSession* Session() {
  GObjectPtr<SoupSession>& session = SessionSlot();
  if (session) return session.Get();
  const DownloadSessionOptions& options = SessionOptions();
  session = GObjectPtr<SoupSession>::Adopt(soup_session_new_with_options("timeout", options.ioTimeoutSeconds, nullptr));
  if (options.resolver) g_resolver_set_default(options.resolver);
  if (!options.systemProxy) soup_session_set_proxy_resolver(session.Get(), nullptr);
  // Bytes arrive as the server sent them: Range offsets are file offsets.
  soup_session_remove_feature_by_type(session.Get(), SOUP_TYPE_CONTENT_DECODER);
  GObjectPtr<SoupCookieJar> jar = GObjectPtr<SoupCookieJar>::Adopt(soup_cookie_jar_new());
  soup_session_add_feature(session.Get(), SOUP_SESSION_FEATURE(jar.Get()));
  const std::string folder = CacheFolder();
  g_mkdir_with_parents(folder.c_str(), 0700);
  GObjectPtr<SoupCache> cache = GObjectPtr<SoupCache>::Adopt(soup_cache_new(folder.c_str(), SOUP_CACHE_SINGLE_USER));
  soup_session_add_feature(session.Get(), SOUP_SESSION_FEATURE(cache.Get()));
  soup_cache_load(cache.Get());
  return session.Get();
}

HResult SendErrorCode(const GError* error) {
  if (!error) return kCannotConnect;
  if (error->domain == G_RESOLVER_ERROR) return kResourceNotFound;
  if (error->domain == G_TLS_ERROR) return kSecurityProblem;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_TIMED_OUT: return kTimeout;
      case G_IO_ERROR_HOST_NOT_FOUND: return kResourceNotFound;
      case G_IO_ERROR_PARTIAL_INPUT: return kDataNotAvailable;
      default: break;
    }
  }
  return kCannotConnect;
}

HResult ReadErrorCode(const GError* error) {
  if (error && error->domain == G_IO_ERROR && error->code == G_IO_ERROR_TIMED_OUT) return kTimeout;
  if (error && error->domain == G_TLS_ERROR) return kSecurityProblem;
  return kDataNotAvailable;
}

bool Cancelled(const GError* error) { return error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED); }

// A strong reference for an async call's user data.
template <class State>
gpointer Hold(const std::shared_ptr<State>& state) {
  return new std::shared_ptr<State>(state);
}

template <class State>
std::shared_ptr<State> Take(gpointer data) {
  std::unique_ptr<std::shared_ptr<State>> held(static_cast<std::shared_ptr<State>*>(data));
  return std::move(*held);
}

// Fails the request from the loop, so the sink never hears of it inside Send.
template <class State>
void PostFailure(const std::shared_ptr<State>& state, HResult code) {
  MainEventLoop().Post([state, code] {
    if (IUrlTransportSink* target = state->sink) {
      state->Stop();
      target->TransportFailed(code);
    }
  });
}

// Reads the next chunk of the state's body; `done` finishes it.
template <class State>
void ReadChunk(const std::shared_ptr<State>& state, GAsyncReadyCallback done) {
  if (!state || !state->body) return;
  g_input_stream_read_bytes_async(state->body.Get(), kChunkBytes, G_PRIORITY_DEFAULT, state->cancellable.Get(), done,
                                  Hold(state));
}

// A finished chunk read: its bytes, the end at an empty chunk, or the failure
// `code` names for the read's error.
template <class State, HResult (*code)(const GError*)>
void OnChunkRead(GObject* source, GAsyncResult* result, gpointer data) {
  const std::shared_ptr<State> state = Take<State>(data);
  GErrorPtr error;
  GBytesPtr bytes(g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, Out(error)));
  if (!state->sink || Cancelled(error.get())) return;
  IUrlTransportSink* sink = state->sink;
  if (!bytes) {
    state->Stop();
    sink->TransportFailed(code(error.get()));
    return;
  }
  gsize size = 0;
  const auto* chunk = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  if (size == 0)
    sink->TransportEnd();
  else
    sink->TransportData(std::string_view(chunk, size));
}

}  // namespace

void SetDownloadSessionOptions(const DownloadSessionOptions& options) {
  SessionOptions() = options;
  SessionSlot().Reset();
}

// ---- SoupTransport ------------------------------------------------------------

struct SoupTransport::State {
  IUrlTransportSink* sink = nullptr;
  GObjectPtr<GCancellable> cancellable;
  GObjectPtr<SoupMessage> message;
  GObjectPtr<GInputStream> body;
  std::uint32_t flags = 0;
  std::string host;

  ~State() { Disconnect(); }
  void Disconnect() {
    if (message) g_signal_handlers_disconnect_by_data(message.Get(), this);
  }
  void Stop() {
    sink = nullptr;
    if (cancellable) g_cancellable_cancel(cancellable.Get());
    Disconnect();
  }
};

namespace {

using SoupState = SoupTransport::State;

void OnNetworkEvent(SoupMessage*, GSocketClientEvent event, GIOStream* connection, gpointer data) {
  auto* state = static_cast<SoupState*>(data);
  if (!state->sink) return;
  if (event == G_SOCKET_CLIENT_RESOLVING) {
    state->sink->TransportProgress(1, state->host);
  } else if (event == G_SOCKET_CLIENT_CONNECTING) {
    std::string address = state->host;
    if (G_IS_SOCKET_CONNECTION(connection)) {
      GObjectPtr<GSocketAddress> remote = GObjectPtr<GSocketAddress>::Adopt(
          g_socket_connection_get_remote_address(G_SOCKET_CONNECTION(connection), nullptr));
      if (remote && G_IS_INET_SOCKET_ADDRESS(remote.Get())) {
        GCharPtr text(g_inet_address_to_string(g_inet_socket_address_get_address(G_INET_SOCKET_ADDRESS(remote.Get()))));
        if (text) address = text.get();
      }
    }
    state->sink->TransportProgress(2, address);
  }
}

void OnWroteHeaders(SoupMessage*, gpointer data) {
  auto* state = static_cast<SoupState*>(data);
  if (state->sink) state->sink->TransportProgress(11, "");
}

gboolean OnAuthenticate(SoupMessage*, SoupAuth* auth, gboolean, gpointer data) {
  auto* state = static_cast<SoupState*>(data);
  if (!state->sink) return FALSE;
  const std::optional<TUrlCredentials> credentials = state->sink->TransportAuthenticate(soup_auth_is_for_proxy(auth));
  if (!credentials) return FALSE;
  soup_auth_authenticate(auth, credentials->user.c_str(), credentials->password.c_str());
  return TRUE;
}

gboolean OnAcceptCertificate(SoupMessage*, GTlsCertificate*, GTlsCertificateFlags, gpointer data) {
  auto* state = static_cast<SoupState*>(data);
  return (state->flags & bind_flags::kIgnoreSecurityProblem) != 0;
}

void OnSent(GObject* source, GAsyncResult* result, gpointer data) {
  const std::shared_ptr<SoupState> state = Take<SoupState>(data);
  GErrorPtr error;
  GObjectPtr<GInputStream> stream =
      GObjectPtr<GInputStream>::Adopt(soup_session_send_finish(SOUP_SESSION(source), result, Out(error)));
  if (!state->sink || Cancelled(error.get())) return;
  if (!stream) {
    IUrlTransportSink* sink = state->sink;
    state->Stop();
    sink->TransportFailed(SendErrorCode(error.get()));
    return;
  }
  state->body = stream;
  TUrlResponse response;
  response.status = static_cast<int>(soup_message_get_status(state->message.Get()));
  SoupMessageHeadersIter iter;
  soup_message_headers_iter_init(&iter, soup_message_get_response_headers(state->message.Get()));
  const char* name = nullptr;
  const char* value = nullptr;
  while (soup_message_headers_iter_next(&iter, &name, &value)) response.headers.emplace_back(name, value);
  state->sink->TransportResponse(response);
}

}  // namespace

SoupTransport::SoupTransport() = default;

SoupTransport::~SoupTransport() { Cancel(); }

void SoupTransport::Cancel() {
  if (m_state) m_state->Stop();
  m_state.reset();
}

void SoupTransport::Send(const TUrlRequest& request, IUrlTransportSink& sink) {
  Cancel();
  auto state = std::make_shared<State>();
  m_state = state;
  state->sink = &sink;
  state->flags = request.bindFlags;
  state->cancellable = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
  SoupMessage* message = soup_message_new(request.method.c_str(), request.url.c_str());
  if (!message) {
    PostFailure(state, kInvalidUrl);
    return;
  }
  state->message = GObjectPtr<SoupMessage>::Adopt(message);
  if (GUri* uri = soup_message_get_uri(message); uri && g_uri_get_host(uri)) state->host = g_uri_get_host(uri);
  soup_message_add_flags(message, SOUP_MESSAGE_NO_REDIRECT);
  const bool useCache = request.cached && !(request.bindFlags & bind_flags::kNoWriteCache);
  if (!useCache) soup_message_disable_feature(message, SOUP_TYPE_CACHE);
  SoupMessageHeaders* headers = soup_message_get_request_headers(message);
  for (const auto& [name, value] : request.headers) soup_message_headers_append(headers, name.c_str(), value.c_str());
  if (request.bindFlags & bind_flags::kOffline) soup_message_headers_append(headers, "Cache-Control", "only-if-cached");
  if (!request.uploadPath.empty()) {
    GObjectPtr<GFile> file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(request.uploadPath.c_str()));
    GErrorPtr error;
    GObjectPtr<GFileInputStream> input = GObjectPtr<GFileInputStream>::Adopt(g_file_read(file.Get(), nullptr, Out(error)));
    GObjectPtr<GFileInfo> info;
    if (input)
      info = GObjectPtr<GFileInfo>::Adopt(
          g_file_input_stream_query_info(input.Get(), G_FILE_ATTRIBUTE_STANDARD_SIZE, nullptr, nullptr));
    if (!input || !info) {
      PostFailure(state, kPathNotFound);
      return;
    }
    soup_message_set_request_body(message, nullptr, G_INPUT_STREAM(input.Get()), g_file_info_get_size(info.Get()));
  } else if (!request.body.empty()) {
    GBytesPtr body(g_bytes_new(request.body.data(), request.body.size()));
    soup_message_set_request_body_from_bytes(message, nullptr, body.get());
  }
  g_signal_connect(message, "network-event", G_CALLBACK(OnNetworkEvent), state.get());
  g_signal_connect(message, "wrote-headers", G_CALLBACK(OnWroteHeaders), state.get());
  g_signal_connect(message, "authenticate", G_CALLBACK(OnAuthenticate), state.get());
  g_signal_connect(message, "accept-certificate", G_CALLBACK(OnAcceptCertificate), state.get());
  soup_session_send_async(Session(), message, G_PRIORITY_DEFAULT, state->cancellable.Get(), &OnSent, Hold(state));
}

void SoupTransport::ReadNext() { ReadChunk(m_state, &OnChunkRead<SoupState, ReadErrorCode>); }

// ---- FileTransport ------------------------------------------------------------

struct FileTransport::State {
  IUrlTransportSink* sink = nullptr;
  GObjectPtr<GCancellable> cancellable;
  GObjectPtr<GInputStream> body;
  void Stop() {
    sink = nullptr;
    if (cancellable) g_cancellable_cancel(cancellable.Get());
  }
};

namespace {

using FileState = FileTransport::State;

void OnFileOpened(GObject* source, GAsyncResult* result, gpointer data) {
  const std::shared_ptr<FileState> state = Take<FileState>(data);
  GErrorPtr error;
  GObjectPtr<GFileInputStream> input =
      GObjectPtr<GFileInputStream>::Adopt(g_file_read_finish(G_FILE(source), result, Out(error)));
  if (!state->sink || Cancelled(error.get())) return;
  IUrlTransportSink* sink = state->sink;
  if (!input) {
    state->Stop();
    sink->TransportFailed(kResourceNotFound);
    return;
  }
  TUrlResponse response;
  response.status = 200;
  GObjectPtr<GFileInfo> info = GObjectPtr<GFileInfo>::Adopt(
      g_file_input_stream_query_info(input.Get(), G_FILE_ATTRIBUTE_STANDARD_SIZE, nullptr, nullptr));
  if (info) response.headers.emplace_back("Content-Length", std::to_string(g_file_info_get_size(info.Get())));
  state->body = GObjectPtr<GInputStream>::Ref(G_INPUT_STREAM(input.Get()));
  sink->TransportResponse(response);
}

// Any failed read of a file is data that is not there.
HResult FileReadErrorCode(const GError*) { return kDataNotAvailable; }

}  // namespace

FileTransport::FileTransport() = default;

FileTransport::~FileTransport() { Cancel(); }

void FileTransport::Cancel() {
  if (m_state) m_state->Stop();
  m_state.reset();
}

void FileTransport::Send(const TUrlRequest& request, IUrlTransportSink& sink) {
  Cancel();
  auto state = std::make_shared<State>();
  m_state = state;
  state->sink = &sink;
  state->cancellable = GObjectPtr<GCancellable>::Adopt(g_cancellable_new());
  GObjectPtr<GFile> file = GObjectPtr<GFile>::Adopt(g_file_new_for_uri(request.url.c_str()));
  g_file_read_async(file.Get(), G_PRIORITY_DEFAULT, state->cancellable.Get(), &OnFileOpened, Hold(state));
}

void FileTransport::ReadNext() { ReadChunk(m_state, &OnChunkRead<FileState, FileReadErrorCode>); }

// ---- the factory ----------------------------------------------------------------

namespace {

UrlTransportFactory& FactorySlot() {
  static UrlTransportFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<IUrlTransport> MakeUrlTransport(const std::string& scheme) {
  if (const UrlTransportFactory& factory = FactorySlot()) return factory(scheme);
  if (scheme == "http" || scheme == "https") return std::make_unique<SoupTransport>();
  if (scheme == "file") return std::make_unique<FileTransport>();
  return nullptr;
}

ScopedUrlTransportFactory::ScopedUrlTransportFactory(UrlTransportFactory factory)
    : m_previous(std::exchange(FactorySlot(), std::move(factory))) {}

ScopedUrlTransportFactory::~ScopedUrlTransportFactory() { FactorySlot() = std::move(m_previous); }

}  // namespace halbrin
