#pragma once

// The seam between a download and the network: one transport per transfer
// sends a request, hands the response head to its sink, then one body chunk
// per ReadNext. The program's transport is libsoup's (soup_transport.h);
// unit tests script a fake one.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/automation/dispatch_object.h"

namespace halbrin {

using platform::HResult;

// The codes a transfer ends with.
namespace download_codes {
inline constexpr HResult kAsynchronous = 0x000401E8;  // started, "complete" follows
inline constexpr HResult kAbort = static_cast<HResult>(0x80004004);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kInvalidArgument = static_cast<HResult>(0x80070057);
inline constexpr HResult kNoUnicodeTranslation = static_cast<HResult>(0x80070459);
inline constexpr HResult kPathNotFound = static_cast<HResult>(0x80070003);
inline constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);
inline constexpr HResult kDiskFull = static_cast<HResult>(0x80070070);
inline constexpr HResult kWriteFault = static_cast<HResult>(0x8007001D);
inline constexpr HResult kInvalidUrl = static_cast<HResult>(0x800C0002);
inline constexpr HResult kCannotConnect = static_cast<HResult>(0x800C0004);
inline constexpr HResult kResourceNotFound = static_cast<HResult>(0x800C0005);
inline constexpr HResult kDataNotAvailable = static_cast<HResult>(0x800C0008);
inline constexpr HResult kTimeout = static_cast<HResult>(0x800C000B);
inline constexpr HResult kUnknownProtocol = static_cast<HResult>(0x800C000D);
inline constexpr HResult kSecurityProblem = static_cast<HResult>(0x800C000E);
inline constexpr HResult kRedirectFailed = static_cast<HResult>(0x800C0014);
inline constexpr HResult kThreshold = static_cast<HResult>(0x800C0100);
}  // namespace download_codes

// Bind flags that change what a request does.
namespace bind_flags {
inline constexpr std::uint32_t kAsynchronous = 0x1;
inline constexpr std::uint32_t kAsyncStorage = 0x2;
inline constexpr std::uint32_t kOffline = 0x8;
inline constexpr std::uint32_t kNoWriteCache = 0x20;
inline constexpr std::uint32_t kIgnoreSecurityProblem = 0x100;
inline constexpr std::uint32_t kRevalidate = 0x10 | 0x200 | 0x2000;
inline constexpr std::uint32_t kPragmaNoCache = 0x2000;
inline constexpr std::uint32_t kCacheOnFailure = 0x80000;
}  // namespace bind_flags

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// "Name: value" CR LF per header.
std::string HeaderListText(const HeaderList& headers);
// The first value of that name, letter case ignored.
std::optional<std::string> FindHeader(const HeaderList& headers, std::string_view name);

struct TUrlRequest {
  std::string method = "GET";
  std::string url;
  HeaderList headers;
  // The body of a GET or POST; empty for none.
  std::string body;
  // The file a PUT sends.
  std::string uploadPath;
  std::uint32_t bindFlags = 0;
  // The response may come from and go into the cache.
  bool cached = false;
};

struct TUrlResponse {
  int status = 0;
  HeaderList headers;
};

struct TUrlCredentials {
  std::string user;
  std::string password;
};

// What a transport tells; every call comes on the main loop.
class IUrlTransportSink {
 public:
  // 1 finding the host (text: host), 2 connecting (address), 11 request sent.
  virtual void TransportProgress(int statusCode, const std::string& text) = 0;
  // The head of a response, redirects included (the transport never follows them).
  virtual void TransportResponse(const TUrlResponse& response) = 0;
  // The chunk one ReadNext asked for (never empty).
  virtual void TransportData(std::string_view bytes) = 0;
  // The body ended after the chunks given.
  virtual void TransportEnd() = 0;
  // The transfer failed; nothing follows.
  virtual void TransportFailed(HResult code) = 0;
  // The server (or proxy) asks for credentials; nullopt gives up.
  virtual std::optional<TUrlCredentials> TransportAuthenticate(bool proxy) = 0;

 protected:
  IUrlTransportSink() = default;
  ~IUrlTransportSink() = default;
};

class IUrlTransport {
 public:
  virtual ~IUrlTransport() = default;
  // Starts a request; a new Send drops the one before. The sink must outlive
  // the transport or its Cancel.
  virtual void Send(const TUrlRequest& request, IUrlTransportSink& sink) = 0;
  // Asks for the next chunk of the body (after TransportResponse).
  virtual void ReadNext() = 0;
  // Stops at once; the sink hears nothing more.
  virtual void Cancel() = 0;
};

using UrlTransportFactory = std::function<std::unique_ptr<IUrlTransport>(const std::string& scheme)>;

// A transport for the scheme ("http", "https", "file").
std::unique_ptr<IUrlTransport> MakeUrlTransport(const std::string& scheme);
// Replaces the factory MakeUrlTransport uses until destroyed (tests).
class ScopedUrlTransportFactory {
 public:
  explicit ScopedUrlTransportFactory(UrlTransportFactory factory);
  ~ScopedUrlTransportFactory();
  ScopedUrlTransportFactory(const ScopedUrlTransportFactory&) = delete;
  ScopedUrlTransportFactory& operator=(const ScopedUrlTransportFactory&) = delete;

 private:
  UrlTransportFactory m_previous;
};

}  // namespace halbrin
