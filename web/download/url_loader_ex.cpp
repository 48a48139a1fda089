#include "web/download/url_loader_ex.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/app/application_ex.h"
#include "core/foundation/delimited_text.h"
#include "core/foundation/file_version.h"
#include "core/foundation/project_encoding.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "core/scripting/script_host.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/variant/number_text.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

using namespace halbrin::platform;
using namespace halbrin::download_codes;

const TEnumInfo& UrlLoaderEncodingInfo() {
  static const TEnumInfo info("TUrlLoaderEncoding",
                              {"leAuto", "leAnsi", "leSymbol", "leOem", "leMac", "leUtf7", "leUtf8", "leUtf16"});
  return info;
}

const TEnumInfo& UrlLoaderMethodInfo() {
  static const TEnumInfo info("TUrlLoaderMethod", {"lmAuto", "lmGet", "lmPost", "lmPut"});
  return info;
}

const TEnumInfo& UrlLoaderActionInfo() {
  static const TEnumInfo info("TUrlLoaderAction", {"laResume", "laOverwrite", "laAbort"});
  return info;
}

HALBRIN_DEFINE_CLASS(
    TUrlLoaderEx,
    .Property("url", &TUrlLoaderEx::Url, &TUrlLoaderEx::SetUrl)
        .Property("fileName", &TUrlLoaderEx::FileName, &TUrlLoaderEx::SetFileName)
        .Enum("method", &TUrlLoaderEx::Method, &TUrlLoaderEx::SetMethod, UrlLoaderMethodInfo())
        .Property("postData", &TUrlLoaderEx::PostData, &TUrlLoaderEx::SetPostData)
        .Property("postContentType", &TUrlLoaderEx::PostContentType, &TUrlLoaderEx::SetPostContentType)
        .Property("headers", &TUrlLoaderEx::Headers, &TUrlLoaderEx::SetHeaders)
        .Property("userAgent", &TUrlLoaderEx::UserAgent, &TUrlLoaderEx::SetUserAgent)
        .Enum("defaultAction", &TUrlLoaderEx::DefaultAction, &TUrlLoaderEx::SetDefaultAction, UrlLoaderActionInfo())
        .Property("async", &TUrlLoaderEx::Async, &TUrlLoaderEx::SetAsync)
        .Property("cached", &TUrlLoaderEx::Cached, &TUrlLoaderEx::SetCached)
        .Property("autoComplete", &TUrlLoaderEx::AutoComplete, &TUrlLoaderEx::SetAutoComplete)
        .Property("flags", &TUrlLoaderEx::Flags, &TUrlLoaderEx::SetFlags)
        .Property("hFlags", &TUrlLoaderEx::HFlags, &TUrlLoaderEx::SetHFlags)
        .Stored(false)
        .Property("timeout", &TUrlLoaderEx::Timeout, &TUrlLoaderEx::SetTimeout)
        .Property("threshold", &TUrlLoaderEx::Threshold, &TUrlLoaderEx::SetThreshold)
        .Enum("encoding", &TUrlLoaderEx::Encoding, &TUrlLoaderEx::SetEncoding, UrlLoaderEncodingInfo())
        .Property("active", &TUrlLoaderEx::Active)
        .Stored(false)
        .Property("busy", &TUrlLoaderEx::Busy)
        .Stored(false)
        .Property("text", &TUrlLoaderEx::Text)
        .Stored(false)
        .Property("size", &TUrlLoaderEx::Size)
        .Stored(false)
        .Property("length", &TUrlLoaderEx::Length)
        .Stored(false)
        .Property("responseCode", &TUrlLoaderEx::ResponseCode)
        .Stored(false)
        .Property("contentType", &TUrlLoaderEx::ContentType)
        .Stored(false)
        .Property("contentEncoding", &TUrlLoaderEx::ContentEncoding)
        .Stored(false)
        .Property("contentCharset", &TUrlLoaderEx::ContentCharset)
        .Stored(false)
        .Property("speed", &TUrlLoaderEx::Speed)
        .Stored(false)
        .Property("beginTime", [](const TUrlLoaderEx& self) { return &self.BeginTime(); })
        .Owned()
        .Stored(false)
        .Property("endTime", [](const TUrlLoaderEx& self) { return &self.EndTime(); })
        .Owned()
        .Stored(false)
        .Property("remaining", [](const TUrlLoaderEx& self) { return &self.Remaining(); })
        .Owned()
        .Stored(false)
        .Property("elapsed", [](const TUrlLoaderEx& self) { return &self.Elapsed(); })
        .Owned()
        .Stored(false)
        .Event("onGetInfo", &TUrlLoaderEx::m_onGetInfo, "TUrlLoaderGetBindInfoEvent")
        .Event("onProgress", &TUrlLoaderEx::m_onProgress, "TUrlLoaderProgressEvent")
        .Event("onComplete", &TUrlLoaderEx::m_onComplete, "TUrlLoaderCompleteEvent")
        .Event("onAuthenticate", &TUrlLoaderEx::m_onAuthenticate, "TUrlLoaderAuthenticateEvent")
        .Event("onAction", &TUrlLoaderEx::m_onAction, "TUrlLoaderActionEvent")
        .Event("onResponse", &TUrlLoaderEx::m_onResponse, "TUrlLoaderResponseEvent")
        .Event("onTimeout", &TUrlLoaderEx::m_onTimeout, "TUrlLoaderActionEvent")
        .Event("onThreshold", &TUrlLoaderEx::m_onThreshold, "TUrlLoaderActionEvent")
        .Event("onGetWindow", &TUrlLoaderEx::m_onGetWindow, "TUrlLoaderGetWindowEvent")
        .Event("onRedirect", &TUrlLoaderEx::m_onRedirect, "TUrlLoaderRedirectEvent")
        .Handler("actionHandler", &TUrlLoaderEx::actionHandler)
        .Handler("authenticateHandler", &TUrlLoaderEx::authenticateHandler)
        .Handler("completeHandler", &TUrlLoaderEx::completeHandler)
        .Handler("getInfoHandler", &TUrlLoaderEx::getInfoHandler)
        .Handler("getWindowHandler", &TUrlLoaderEx::getWindowHandler)
        .Handler("progressHandler", &TUrlLoaderEx::progressHandler)
        .Handler("redirectHandler", &TUrlLoaderEx::redirectHandler)
        .Handler("responseHandler", &TUrlLoaderEx::responseHandler)
        .Handler("thresholdHandler", &TUrlLoaderEx::thresholdHandler)
        .Handler("timeoutHandler", &TUrlLoaderEx::timeoutHandler))

namespace {

HResult FileErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    case ENOENT:
    case ENOTDIR: return kPathNotFound;
    case ENOSPC: return kDiskFull;
    default: return kWriteFault;
  }
}

std::string Slashes(std::string text) {
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

bool IsRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::optional<std::int64_t> ParseCount(std::string_view text) {
  std::int64_t value = 0;
  const std::string_view digits = TrimBlanks(text);
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The first byte of "bytes <first>-<last>/<total>".
std::optional<std::int64_t> ContentRangeStart(std::string_view value) {
  value = TrimBlanks(value);
  if (value.size() < 6 || !SameText(value.substr(0, 5), "bytes")) return std::nullopt;
  value = TrimBlanks(value.substr(5));
  const std::size_t dash = value.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  return ParseCount(value.substr(0, dash));
}

HResult OrdinalCode(const Variant& answer) { return static_cast<HResult>(static_cast<std::uint32_t>(answer.ToInt64())); }

std::optional<TUrlLoaderAction> ActionOf(const Variant& answer) {
  if (!answer.IsOrdinal()) return std::nullopt;
  const std::int64_t value = answer.ToInt64();
  if (value < 0 || value > 2) return std::nullopt;
  return static_cast<TUrlLoaderAction>(value);
}

}  // namespace

// ---- TBind ----------------------------------------------------------------

TBind::TBind(TUrlLoaderEx& owner) : m_owner(&owner) {}

TBind::~TBind() { Reset(); }

void TBind::Reset() {
  m_owner = nullptr;
  m_aborted = true;
  // Kept until the bind goes: a transport may be inside its own callback.
  if (m_transport) m_transport->Cancel();
  m_request.body.clear();
  m_bytes = 0;
}

void TBind::TransportProgress(int statusCode, const std::string& text) {
  const auto keep = shared_from_this();
  if (!m_owner) return;
  const TComponent::TBusyGuard busy(*m_owner);
  m_owner->OnProgress(statusCode, text);
}

void TBind::TransportResponse(const TUrlResponse& response) {
  const auto keep = shared_from_this();
  if (!m_owner) return;
  const TComponent::TBusyGuard busy(*m_owner);
  m_owner->OnResponse(*this, response);
}

void TBind::TransportData(std::string_view bytes) {
  const auto keep = shared_from_this();
  m_reading = false;
  if (!m_owner) return;
  const TComponent::TBusyGuard busy(*m_owner);
  m_owner->OnData(*this, bytes);
}

void TBind::TransportEnd() {
  const auto keep = shared_from_this();
  m_reading = false;
  if (!m_owner) return;
  const TComponent::TBusyGuard busy(*m_owner);
  m_owner->OnEnd(*this);
}

void TBind::TransportFailed(HResult code) {
  const auto keep = shared_from_this();
  if (!m_owner) return;
  const TComponent::TBusyGuard busy(*m_owner);
  m_owner->Finish(code);
}

std::optional<TUrlCredentials> TBind::TransportAuthenticate(bool proxy) {
  const auto keep = shared_from_this();
  if (!m_owner) return std::nullopt;
  const TComponent::TBusyGuard busy(*m_owner);
  return m_owner->OnAuthenticate(*this, proxy);
}

// ---- TUrlLoaderEx -----------------------------------------------------------

TUrlLoaderEx::TUrlLoaderEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner),
      m_beginTime(std::make_unique<TDateTimeEx>()),
      m_endTime(std::make_unique<TDateTimeEx>()),
      m_remaining(std::make_unique<TDateTimeEx>()),
      m_elapsed(std::make_unique<TDateTimeEx>()),
      m_timeoutTimer(MainEventLoop(), 1000, [this] { TimeoutTick(); }),
      m_thresholdTimer(MainEventLoop(), kThresholdPeriodMs, [this] { ThresholdTick(); }) {
  m_timeoutTimer.SetOneShot(true);
  m_thresholdTimer.SetOneShot(true);
  ResetState();
}

TUrlLoaderEx::~TUrlLoaderEx() {
  m_destroying = true;
  DropBind();
  FreeTarget();
}

void TUrlLoaderEx::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TUrlLoaderEx*>(&source)) {
    m_async = other->m_async;
    m_cached = other->m_cached;
    m_encoding = other->m_encoding;
    m_url = other->m_url;
    m_headers = other->m_headers;
    m_userAgent = other->m_userAgent;
    m_fileName = other->m_fileName;
    m_postData = other->m_postData;
    m_contentEncoding = other->m_contentEncoding;
    m_defaultAction = other->m_defaultAction;
    return;
  }
  Inherited::Assign(source);
}

void TUrlLoaderEx::AssignTo(TPersistent& dest) const {
  if (auto* other = dynamic_cast<TUrlLoaderEx*>(&dest))
    other->Assign(*this);
  else
    Inherited::AssignTo(dest);
}

std::string TUrlLoaderEx::ResolvePath(const std::string& fileName) const {
  const std::string name = Slashes(fileName);
  if (name.empty() || name.front() == '/') return name;
  const Variant folder = ApplicationHooks().ProjectAttribute("folder");
  std::string base = folder.IsString() && !folder.AsString().empty() ? folder.AsString() : std::string();
  if (base.empty()) {
    const GCharPtr current(g_get_current_dir());
    base = current.get();
  }
  if (base.back() != '/') base += '/';
  return base + name;
}

void TUrlLoaderEx::SetFileName(const std::string& fileName) {
  const std::string name = Slashes(fileName);
  if (m_busy || name == m_fileName) return;
  m_fileName = name;
  if (m_target == Target::Memory && !name.empty()) {
    const std::string path = ResolvePath(name);
    if (GCharPtr folder(g_path_get_dirname(path.c_str())); folder) g_mkdir_with_parents(folder.get(), 0777);
    UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.Valid()) return;
    std::string_view rest = m_memory;
    while (!rest.empty()) {
      const ssize_t n = write(fd.Get(), rest.data(), rest.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    m_fd = std::move(fd);
    m_targetPath = path;
    m_memory.clear();
    m_target = Target::File;
  } else if (m_target == Target::File && name.empty()) {
    m_memory = Data();
    m_fd.Close();
    unlink(m_targetPath.c_str());
    m_targetPath.clear();
    m_target = Target::Memory;
  }
}

std::string TUrlLoaderEx::HFlags() const {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", m_flags);
  return text;
}

void TUrlLoaderEx::SetHFlags(const std::string& text) {
  if (const std::optional<std::uint32_t> flags = ParseHexFlags(text)) m_flags = *flags;
}

void TUrlLoaderEx::SetTimeout(int seconds) {
  m_timeout = seconds;
  m_timeoutTimer.Stop();
  if (m_bind && m_timeout > 0) {
    m_timeoutTimer.SetInterval(static_cast<std::uint32_t>(m_timeout) * 1000u);
    m_timeoutTimer.Start();
  }
}

bool TUrlLoaderEx::Active() const noexcept { return m_bind && m_bind->m_started; }

std::string TUrlLoaderEx::Data() const {
  if (m_target == Target::Memory) return m_memory;
  if (m_target != Target::File || !m_fd.Valid()) return {};
  std::string bytes;
  char buffer[65536];
  off_t offset = 0;
  for (;;) {
    const ssize_t n = pread(m_fd.Get(), buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  return bytes;
}

std::string TUrlLoaderEx::Text() const {
  return DecodeLoaderText(Data(), m_encoding, m_contentCharset, ProjectEncoding());
}

std::int64_t TUrlLoaderEx::Size() const {
  if (m_target == Target::Memory) return static_cast<std::int64_t>(m_memory.size());
  struct stat status {};
  if (m_target == Target::File && m_fd.Valid() && fstat(m_fd.Get(), &status) == 0) return status.st_size;
  return 0;
}

void TUrlLoaderEx::DropBind() {
  if (m_bind) {
    m_bind->Reset();
    m_bind.reset();
  }
  m_timeoutTimer.Stop();
  m_thresholdTimer.Stop();
  m_busy = false;
}

void TUrlLoaderEx::FreeTarget() {
  m_fd.Close();
  m_memory.clear();
  m_memory.shrink_to_fit();
  m_targetPath.clear();
  m_target = Target::None;
}

void TUrlLoaderEx::ResetState() {
  m_timeoutTimer.Stop();
  m_thresholdTimer.Stop();
  m_busy = false;
  m_suspended = false;
  m_error = 0;
  m_timeoutBytes = 0;
  m_thresholdBytes = 0;
  m_speed = 0;
  m_responseCode = 0;
  m_contentType.clear();
  m_contentEncoding.clear();
  m_contentCharset.clear();
  m_beginTime->SetTicks(0);
  m_endTime->SetTicks(0);
  m_remaining->SetTicks(0);
  m_elapsed->SetTicks(0);
  m_length = 0;
  m_resumeFrom = 0;
  m_append = false;
  m_beginMs = 0;
}

HResult TUrlLoaderEx::Download(const std::string& url, const std::string& fileName) {
  m_url = url;
  m_fileName = Slashes(fileName);
  DropBind();
  FreeTarget();
  ResetState();
  GErrorPtr error;
  GUri* parsed = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, Out(error));
  if (!parsed) return FailStart(kInvalidUrl);
  const std::string scheme = FoldCase(g_uri_get_scheme(parsed));
  const bool hasHost = g_uri_get_host(parsed) && *g_uri_get_host(parsed);
  g_uri_unref(parsed);
  if (scheme != "http" && scheme != "https" && scheme != "file") return FailStart(kUnknownProtocol);
  if (scheme != "file" && !hasHost) return FailStart(kInvalidUrl);

  const std::shared_ptr<TBind> bind = std::make_shared<TBind>(*this);
  m_bind = bind;
  m_busy = true;
  const HResult started = Start(scheme);
  if (m_bind != bind) return bind->m_owner ? started : m_error;
  if (Failed(started)) return FailStart(started);
  if (m_timeout > 0) {
    m_timeoutTimer.SetInterval(static_cast<std::uint32_t>(m_timeout) * 1000u);
    m_timeoutTimer.Start();
  }
  m_bind->m_started = true;
  m_bind->m_transport->Send(m_bind->m_request, *m_bind);
  if (m_async) return kAsynchronous;
  // Waits as a call waits for a page: the main context runs, queued script events hold.
  const SyncWaitScope wait;
  while (!bind->m_done && bind->m_owner) g_main_context_iteration(nullptr, TRUE);
  return bind->m_done ? bind->m_result : kAbort;
}

HResult TUrlLoaderEx::FailStart(HResult code) {
  if (m_bind) {
    m_bind->Reset();
    m_bind.reset();
  }
  m_timeoutTimer.Stop();
  m_thresholdTimer.Stop();
  m_busy = false;
  m_error = code;
  DoComplete(code);
  return code;
}

HResult TUrlLoaderEx::Start(const std::string& scheme) {
  const std::shared_ptr<TBind> bind = m_bind;
  TUrlRequest& request = bind->m_request;
  request.url = m_url;
  const TUrlLoaderMethod method = m_method != TUrlLoaderMethod::lmAuto ? m_method
                                  : m_postData.empty()                 ? TUrlLoaderMethod::lmGet
                                                                       : TUrlLoaderMethod::lmPost;
  request.method = method == TUrlLoaderMethod::lmPut ? "PUT" : method == TUrlLoaderMethod::lmPost ? "POST" : "GET";

  std::uint32_t flags = m_flags | bind_flags::kAsyncStorage;
  if (!m_async) flags &= ~bind_flags::kAsynchronous;
  if (m_cached) flags = (flags & ~std::uint32_t{0x2020}) | bind_flags::kCacheOnFailure;
  DoGetBindInfo(flags);
  if (m_bind != bind) return kAbort;
  request.bindFlags = flags;
  request.cached = m_cached;
  bind->m_fileScheme = scheme == "file";

  if (!bind->m_fileScheme) {
    if (!m_userAgent.IsNull()) {
      std::string agent(TrimBlanks(m_userAgent.ToText()));
      if (agent.empty()) agent = "HalbrinLite/" + FileVersionText(ProgramVersion());
      request.headers.emplace_back("User-Agent", agent);
    }
    if (method != TUrlLoaderMethod::lmPut && !m_fileName.empty()) {
      struct stat status {};
      if (stat(ResolvePath(m_fileName).c_str(), &status) == 0) {
        const TUrlLoaderAction action = DoAction(m_defaultAction);
        if (m_bind != bind) return kAbort;
        if (action == TUrlLoaderAction::laAbort) return kAbort;
        if (action == TUrlLoaderAction::laResume && status.st_size > 0) {
          m_resumeFrom = status.st_size;
          request.headers.emplace_back("Range", "bytes=" + std::to_string(status.st_size) + "-");
        }
      }
    }
    std::string bodyCharset;
    if (!m_postContentType.IsNull() && !m_postData.empty()) {
      std::string type(TrimBlanks(m_postContentType.ToText()));
      if (type.empty()) type = "application/x-www-form-urlencoded";
      bodyCharset = ContentTypeCharset(type);
      request.headers.emplace_back("Content-Type", type);
    }
    if (flags & bind_flags::kRevalidate) {
      request.headers.emplace_back("Cache-Control", "no-cache");
      request.headers.emplace_back("Pragma", "no-cache");
    }
    if (!AppendHeaderLines(m_headers, request.headers)) return kInvalidArgument;
    if (method == TUrlLoaderMethod::lmPut) {
      request.uploadPath = ResolvePath(m_fileName);
    } else if (!m_postData.empty()) {
      const std::optional<std::string> body = EncodeRequestBody(m_postData, bodyCharset, ProjectEncoding());
      if (!body) return kNoUnicodeTranslation;
      request.body = *body;
    }
  }
  bind->m_transport = MakeUrlTransport(scheme);
  if (!bind->m_transport) return kUnknownProtocol;
  return 0;
}

void TUrlLoaderEx::Finish(HResult code) {
  const std::shared_ptr<TBind> bind = m_bind;
  if (!bind) return;
  m_bind.reset();
  bind->Reset();
  m_timeoutTimer.Stop();
  m_thresholdTimer.Stop();
  m_busy = false;
  m_suspended = false;
  m_error = code;
  bind->m_done = true;
  bind->m_result = code;
  DoComplete(code);
}

HResult TUrlLoaderEx::OpenTarget() {
  if (m_target != Target::None) return 0;
  const bool toFile = !m_fileName.empty() && m_bind && m_bind->m_request.method != "PUT";
  if (!toFile) {
    m_target = Target::Memory;
    return 0;
  }
  const std::string path = ResolvePath(m_fileName);
  if (GCharPtr folder(g_path_get_dirname(path.c_str())); folder && g_mkdir_with_parents(folder.get(), 0777) != 0)
    return FileErrorCode(errno);
  const int mode = m_append ? O_APPEND : O_TRUNC;
  UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | mode, 0666));
  if (!fd.Valid()) return FileErrorCode(errno);
  m_fd = std::move(fd);
  m_targetPath = path;
  m_target = Target::File;
  return 0;
}

HResult TUrlLoaderEx::Write(std::string_view bytes) {
  if (const HResult opened = OpenTarget(); Failed(opened)) return opened;
  if (m_target == Target::Memory) {
    m_memory.append(bytes);
    return 0;
  }
  while (!bytes.empty()) {
    const ssize_t n = write(m_fd.Get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorCode(errno);
    if (n == 0) return kWriteFault;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

void TUrlLoaderEx::ReadOn() {
  TBind* bind = m_bind.get();
  if (!bind || m_suspended || bind->m_reading || !bind->m_gotResponse) return;
  bind->m_reading = true;
  bind->m_transport->ReadNext();
}

void TUrlLoaderEx::OnProgress(int status, const std::string& text) {
  const HResult answer = DoProgress(0, 0, status, text);
  if (Failed(answer)) Finish(answer);
}

void TUrlLoaderEx::OnResponse(TBind& bind, const TUrlResponse& response) {
  const int status = response.status;
  const std::optional<std::string> location = FindHeader(response.headers, "Location");
  if (!bind.m_fileScheme && IsRedirect(status) && location) {
    GCharPtr resolved(g_uri_resolve_relative(bind.m_request.url.c_str(), location->c_str(), G_URI_FLAGS_NONE, nullptr));
    if (!resolved || ++bind.m_redirects > kMaxRedirects) return Finish(kRedirectFailed);
    const std::string newUrl = resolved.get();
    const HResult answer = DoProgress(0, 0, 3, newUrl);
    if (m_bind.get() != &bind) return;
    if (Failed(answer)) return Finish(answer);
    const bool allowed = DoRedirect(bind.m_request.url, newUrl);
    if (m_bind.get() != &bind) return;
    if (!allowed) return Finish(kRedirectFailed);
    if (status == 303 || ((status == 301 || status == 302) && bind.m_request.method == "POST")) {
      bind.m_request.method = "GET";
      bind.m_request.body.clear();
      std::erase_if(bind.m_request.headers, [](const auto& header) { return SameText(header.first, "Content-Type"); });
    }
    bind.m_request.url = newUrl;
    bind.m_transport->Send(bind.m_request, bind);
    return;
  }
  m_responseCode = status;
  m_length = ParseCount(FindHeader(response.headers, "Content-Length").value_or("")).value_or(0);
  m_contentType = FindHeader(response.headers, "Content-Type").value_or("");
  m_contentCharset = ContentTypeCharset(m_contentType);
  m_contentEncoding = FindHeader(response.headers, "Content-Encoding").value_or("");
  if (!m_contentType.empty()) {
    const HResult answer = DoProgress(0, 0, 13, m_contentType);
    if (m_bind.get() != &bind) return;
    if (Failed(answer)) return Finish(answer);
  }
  if (!bind.m_fileScheme) {
    std::string additional;
    const HResult answer = DoResponse(status, HeaderListText(response.headers), HeaderListText(bind.m_request.headers),
                                      additional);
    if (m_bind.get() != &bind) return;
    if (!additional.empty()) AppendHeaderLines(additional, bind.m_request.headers);
    if (Failed(answer)) return Finish(answer);
    if (m_autoComplete && status >= 400) return Finish(kFail);
  }
  m_append = false;
  if (status == 206) {
    const std::optional<std::int64_t> start =
        ContentRangeStart(FindHeader(response.headers, "Content-Range").value_or(""));
    if (!start || *start != m_resumeFrom) return Finish(kDataNotAvailable);
    m_append = m_resumeFrom > 0;
  }
  bind.m_gotResponse = true;
  ReadOn();
}

void TUrlLoaderEx::UpdateTimes(std::int64_t progress, std::int64_t progressMax) {
  const std::uint64_t nowMs = MainEventLoop().NowMs();
  const double elapsedMs = static_cast<double>(nowMs - m_beginMs);
  m_elapsed->SetValue(elapsedMs / TCustomDateTimeEx::kMsPerDay);
  m_speed = elapsedMs > 0 ? static_cast<double>(progress) * 1000.0 / elapsedMs : 0;
  double remainingMs = 0;
  if (progressMax > 0 && progress > 0 && m_speed > 0 && progressMax > progress)
    remainingMs = elapsedMs * static_cast<double>(progressMax - progress) / static_cast<double>(progress);
  m_remaining->SetValue(remainingMs / TCustomDateTimeEx::kMsPerDay);
  m_endTime->SetValue(NowOleDate() + remainingMs / TCustomDateTimeEx::kMsPerDay);
}

void TUrlLoaderEx::OnData(TBind& bind, std::string_view bytes) {
  if (bind.m_bytes == 0) {
    m_beginMs = MainEventLoop().NowMs();
    m_beginTime->SetValue(NowOleDate());
    m_endTime->Assign(*m_beginTime);
    if (m_threshold != 0) m_thresholdTimer.Start();
    const HResult answer = DoProgress(0, m_length, 4, m_url);
    if (m_bind.get() != &bind) return;
    if (Failed(answer)) return Finish(answer);
  }
  if (const HResult written = Write(bytes); Failed(written)) return Finish(written);
  bind.m_bytes += static_cast<std::int64_t>(bytes.size());
  UpdateTimes(bind.m_bytes, m_length);
  const HResult answer = DoProgress(bind.m_bytes, m_length, 5, m_url);
  if (m_bind.get() != &bind) return;
  if (Failed(answer)) return Finish(answer);
  ReadOn();
}

void TUrlLoaderEx::OnEnd(TBind& bind) {
  if (const HResult opened = OpenTarget(); Failed(opened)) return Finish(opened);
  if (m_length > 0 && bind.m_bytes < m_length) return Finish(kDataNotAvailable);
  m_endTime->SetValue(NowOleDate());
  m_remaining->SetTicks(0);
  const HResult answer = DoProgress(bind.m_bytes, m_length, 6, m_url);
  if (m_bind.get() != &bind) return;
  Finish(Failed(answer) ? answer : 0);
}

std::optional<TUrlCredentials> TUrlLoaderEx::OnAuthenticate(TBind& bind, bool) {
  if (++bind.m_authTries > kMaxAuthenticationTries) return std::nullopt;
  std::int64_t window = 0;
  if (ApplicationExExists())
    if (TApplicationEx* app = GetApplicationEx()) window = app->Handle();
  TUrlCredentials credentials;
  const HResult answer = DoAuthenticate(window, credentials.user, credentials.password);
  if (m_bind.get() != &bind || Failed(answer)) return std::nullopt;
  if (credentials.user.empty() && credentials.password.empty()) return std::nullopt;
  return credentials;
}

void TUrlLoaderEx::TimeoutTick() {
  if (!m_bind) return;
  const std::int64_t bytes = m_bind->m_bytes;
  const bool stalled = bytes == m_timeoutBytes;
  m_timeoutBytes = bytes;
  if (stalled) AskToGoOn(&TUrlLoaderEx::DoTimeout, m_timeoutTimer, kTimeout);
}

void TUrlLoaderEx::ThresholdTick() {
  if (!m_bind) return;
  const std::int64_t bytes = m_bind->m_bytes;
  const bool slow = bytes - m_thresholdBytes <= static_cast<std::int64_t>(m_threshold);
  m_thresholdBytes = bytes;
  if (slow) AskToGoOn(&TUrlLoaderEx::DoThreshold, m_thresholdTimer, kThreshold);
}

void TUrlLoaderEx::AskToGoOn(TUrlLoaderAction (TUrlLoaderEx::*ask)(TUrlLoaderAction), platform::TimerSource& timer,
                             HResult failure) {
  const TBusyGuard busy(*this);
  const TUrlLoaderAction action = (this->*ask)(TUrlLoaderAction::laAbort);
  if (!m_bind) return;
  if (action == TUrlLoaderAction::laOverwrite)
    timer.Start();
  else if (action == TUrlLoaderAction::laAbort)
    Finish(failure);
}

void TUrlLoaderEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "download") || SameText(word, "execute")) {
    // A script may free the component while a synchronous download waits.
    const TBusyGuard busy(*this);
    ExecResult() = Variant(static_cast<int>(Download(m_url, m_fileName)));
  } else if (SameText(word, "cancel")) {
    m_error = kAbort;
    Finish(kAbort);
  } else if (SameText(word, "release")) {
    Finish(kAbort);
    FreeTarget();
  } else if (SameText(word, "abort")) {
    ExecResult() = Variant(m_bind ? 0 : 1);
    Finish(kAbort);
  } else if (SameText(word, "suspend")) {
    ExecResult() = Variant(m_bind ? 0 : 1);
    if (m_bind) m_suspended = true;
  } else if (SameText(word, "resume")) {
    ExecResult() = Variant(m_bind ? 0 : 1);
    m_suspended = false;
    ReadOn();
  } else {
    Inherited::SetExec(value);
  }
}

// ---- the events --------------------------------------------------------------

HResult TUrlLoaderEx::DoProgress(std::int64_t progress, std::int64_t progressMax, int status, const std::string& text) {
  HResult result = 0;
  if (!m_destroying && m_onProgress.Assigned()) m_onProgress(this, progress, progressMax, status, text, result);
  return result;
}

void TUrlLoaderEx::DoComplete(HResult code) {
  if (!m_destroying && m_onComplete.Assigned()) m_onComplete(this, code);
}

HResult TUrlLoaderEx::DoAuthenticate(std::int64_t window, std::string& user, std::string& password) {
  DoGetWindow(window);
  HResult result = 0;
  if (!m_destroying && m_onAuthenticate.Assigned()) m_onAuthenticate(this, window, user, password, result);
  return result;
}

TUrlLoaderAction TUrlLoaderEx::DoAction(TUrlLoaderAction action) {
  if (m_destroying) return TUrlLoaderAction::laAbort;
  if (m_onAction.Assigned()) m_onAction(this, action);
  return action;
}

void TUrlLoaderEx::DoGetBindInfo(std::uint32_t& flags) {
  if (!m_destroying && m_onGetInfo.Assigned()) m_onGetInfo(this, flags);
}

HResult TUrlLoaderEx::DoResponse(int status, const std::string& responseHeaders, const std::string& requestHeaders,
                                 std::string& additionalHeaders) {
  HResult result = 0;
  if (!m_destroying && m_onResponse.Assigned())
    m_onResponse(this, status, responseHeaders, requestHeaders, additionalHeaders, result);
  return result;
}

TUrlLoaderAction TUrlLoaderEx::DoTimeout(TUrlLoaderAction action) {
  if (!m_destroying && m_onTimeout.Assigned()) m_onTimeout(this, action);
  return action;
}

TUrlLoaderAction TUrlLoaderEx::DoThreshold(TUrlLoaderAction action) {
  if (!m_destroying && m_onThreshold.Assigned()) m_onThreshold(this, action);
  return action;
}

bool TUrlLoaderEx::DoGetWindow(std::int64_t& window) {
  if (!m_onGetWindow.Assigned()) return false;
  m_onGetWindow(this, window);
  return true;
}

bool TUrlLoaderEx::DoRedirect(const std::string& url, const std::string& newUrl) {
  bool allow = true;
  if (m_onRedirect.Assigned()) m_onRedirect(this, url, newUrl, allow);
  return allow;
}

void TUrlLoaderEx::actionHandler(TObject*, TUrlLoaderAction& action) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(action))};
  if (const auto answer = ActionOf(FireEvent("action", args, nullptr))) action = *answer;
}

void TUrlLoaderEx::authenticateHandler(TObject*, std::int64_t, std::string& user, std::string& password,
                                       HResult& result) {
  const Variant args[] = {Variant(Name())};
  const Variant answer = ScriptArrayToVariantArray(FireEvent("authenticate", args, nullptr));
  if (answer.IsOrdinal()) {
    result = OrdinalCode(answer);
  } else if (answer.IsString()) {
    const auto items = SplitDelimited(answer.AsString(), ',');
    user = items->Count() > 0 ? items->Strings(0) : std::string();
    password = items->Count() > 1 ? items->Strings(1) : std::string();
  } else if (answer.IsArray()) {
    const auto& items = answer.AsArray().Items();
    user = !items.empty() ? items[0].ToText() : std::string();
    password = items.size() > 1 ? items[1].ToText() : std::string();
  } else {
    result = kAbort;
  }
}

void TUrlLoaderEx::completeHandler(TObject*, HResult code) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(code))};
  FireEvent("complete", args, nullptr);
}

void TUrlLoaderEx::getInfoHandler(TObject*, std::uint32_t& flags) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<std::int64_t>(flags))};
  const Variant answer = FireEvent("getinfo", args, nullptr);
  if (answer.IsOrdinal()) flags = static_cast<std::uint32_t>(answer.ToInt64());
}

void TUrlLoaderEx::getWindowHandler(TObject*, std::int64_t& window) {
  const Variant args[] = {Variant(Name()), Variant(window)};
  const Variant answer = FireEvent("getwindow", args, nullptr);
  if (!answer.IsEmptyOrNull()) {
    try {
      window = answer.ToInt64();
    } catch (const std::exception&) {
    }
  }
}

void TUrlLoaderEx::progressHandler(TObject*, std::int64_t progress, std::int64_t progressMax, int status,
                                   const std::string& text, HResult& result) {
  const Variant args[] = {Variant(Name()), Variant(progress), Variant(progressMax), Variant(status), Variant(text),
                          Variant(m_speed)};
  const Variant answer = FireEvent("progress", args, nullptr);
  if (answer.IsOrdinal()) result = OrdinalCode(answer);
}

void TUrlLoaderEx::redirectHandler(TObject*, const std::string& url, const std::string& newUrl, bool& allow) {
  const Variant args[] = {Variant(Name()), Variant(url), Variant(newUrl)};
  const Variant answer = FireEvent("redirect", args, nullptr);
  if (answer.IsOrdinal()) allow = answer.ToInt64() != 0;
}

void TUrlLoaderEx::responseHandler(TObject*, int status, const std::string& responseHeaders,
                                   const std::string& requestHeaders, std::string& additionalHeaders,
                                   HResult& result) {
  const Variant args[] = {Variant(Name()), Variant(status), Variant(responseHeaders), Variant(requestHeaders)};
  const Variant answer = FireEvent("response", args, nullptr);
  if (answer.IsOrdinal())
    result = OrdinalCode(answer);
  else if (answer.IsString())
    additionalHeaders = answer.AsString();
}

void TUrlLoaderEx::thresholdHandler(TObject*, TUrlLoaderAction& action) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(action))};
  if (const auto answer = ActionOf(FireEvent("threshold", args, nullptr))) action = *answer;
}

void TUrlLoaderEx::timeoutHandler(TObject*, TUrlLoaderAction& action) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(action))};
  if (const auto answer = ActionOf(FireEvent("timeout", args, nullptr))) action = *answer;
}

void RegisterDownloadComponentTypes() { RegisterComponentClass<TUrlLoaderEx>("download"); }

}  // namespace halbrin
