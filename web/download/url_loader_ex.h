#pragma once

// The download component ("download"): fetches `url` into `fileName` or into
// memory on the main loop, with a script event for each decision the
// transfer meets. `TBind` is one transfer; the network is behind an
// `IUrlTransport` (libsoup in the program).
//
//   <download id="fetch" url="http://127.0.0.1:8000/a.zip" fileName="a.zip">
//     <events><event id="oncomplete" xml="done"/></events>
//   </download>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/framework/custom_date_time_ex.h"
#include "core/framework/executable_component.h"
#include "platform/base/unique_fd.h"
#include "platform/classes/method.h"
#include "platform/eventloop/timer_source.h"
#include "web/download/loader_text.h"
#include "web/download/url_transport.h"

namespace halbrin {

enum class TUrlLoaderMethod : std::uint8_t { lmAuto, lmGet, lmPost, lmPut };
enum class TUrlLoaderAction : std::uint8_t { laResume = 0, laOverwrite = 1, laAbort = 2 };

const platform::TEnumInfo& UrlLoaderEncodingInfo();
const platform::TEnumInfo& UrlLoaderMethodInfo();
const platform::TEnumInfo& UrlLoaderActionInfo();

// (Sender, bind flags)
using TUrlLoaderGetBindInfoEvent = platform::TEvent<platform::TObject*, std::uint32_t&>;
// (Sender, progress, progressMax, status code, status text, Result)
using TUrlLoaderProgressEvent =
    platform::TEvent<platform::TObject*, std::int64_t, std::int64_t, int, const std::string&, HResult&>;
// (Sender, code)
using TUrlLoaderCompleteEvent = platform::TEvent<platform::TObject*, HResult>;
// (Sender, window, user name, password, Result)
using TUrlLoaderAuthenticateEvent =
    platform::TEvent<platform::TObject*, std::int64_t, std::string&, std::string&, HResult&>;
// (Sender, action)
using TUrlLoaderActionEvent = platform::TEvent<platform::TObject*, TUrlLoaderAction&>;
// (Sender, status, response headers, request headers, additional headers, Result)
using TUrlLoaderResponseEvent = platform::TEvent<platform::TObject*, int, const std::string&, const std::string&,
                                                 std::string&, HResult&>;
// (Sender, window)
using TUrlLoaderGetWindowEvent = platform::TEvent<platform::TObject*, std::int64_t&>;
// (Sender, url, new URL, allow)
using TUrlLoaderRedirectEvent = platform::TEvent<platform::TObject*, const std::string&, const std::string&, bool&>;

class TUrlLoaderEx;

// One transfer: the owner (cleared when it lets go), the transport with its
// request, the cancelled flag, the bytes read and the request body. Every
// transport call reaches the owner through it, and none once it is reset.
class TBind : public IUrlTransportSink, public std::enable_shared_from_this<TBind> {
 public:
  explicit TBind(TUrlLoaderEx& owner);
  ~TBind();
  TBind(const TBind&) = delete;
  TBind& operator=(const TBind&) = delete;

  TUrlLoaderEx* Owner() const noexcept { return m_owner; }
  // Stops the transport and forgets the owner, the request and the counts.
  void Reset();
  bool Aborted() const noexcept { return m_aborted; }

  void TransportProgress(int statusCode, const std::string& text) override;
  void TransportResponse(const TUrlResponse& response) override;
  void TransportData(std::string_view bytes) override;
  void TransportEnd() override;
  void TransportFailed(HResult code) override;
  std::optional<TUrlCredentials> TransportAuthenticate(bool proxy) override;

 private:
  friend class TUrlLoaderEx;

  TUrlLoaderEx* m_owner;
  std::unique_ptr<IUrlTransport> m_transport;
  TUrlRequest m_request;
  bool m_aborted = false;
  bool m_started = false;
  bool m_reading = false;
  bool m_gotResponse = false;
  bool m_fileScheme = false;
  bool m_done = false;
  HResult m_result = 0;
  std::int64_t m_bytes = 0;
  int m_redirects = 0;
  int m_authTries = 0;
};

class TUrlLoaderEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TUrlLoaderEx, TCustomExecutableComponentEx)

  static constexpr std::uint32_t kDefaultFlags = 0x22F3;
  static constexpr int kMaxRedirects = 20;
  static constexpr int kMaxAuthenticationTries = 3;
  static constexpr std::uint32_t kThresholdPeriodMs = 60'000;

  // On MainEventLoop(), which must outlive the component.
  explicit TUrlLoaderEx(platform::TComponent* owner = nullptr);
  // Drops the transfer without events and closes the file.
  ~TUrlLoaderEx() override;

  std::string GetTypeName() const override { return "download"; }
  // Copies `async`, `cached`, `encoding`, `url`, `headers`, `userAgent`,
  // `fileName`, `postData`, `contentEncoding` and `defaultAction` between downloads.
  void Assign(const platform::TPersistent& source) override;

  const std::string& Url() const noexcept { return m_url; }
  void SetUrl(const std::string& url) { m_url = url; }
  const std::string& FileName() const noexcept { return m_fileName; }
  // Ignored while busy; held data follows the name (memory to a new file,
  // a file to memory: the old file is deleted).
  void SetFileName(const std::string& fileName);
  TUrlLoaderMethod Method() const noexcept { return m_method; }
  void SetMethod(TUrlLoaderMethod method) { m_method = method; }
  const std::string& PostData() const noexcept { return m_postData; }
  void SetPostData(const std::string& data) { m_postData = data; }
  const platform::Variant& PostContentType() const noexcept { return m_postContentType; }
  void SetPostContentType(const platform::Variant& value) { m_postContentType = value; }
  const std::string& Headers() const noexcept { return m_headers; }
  void SetHeaders(const std::string& headers) { m_headers = headers; }
  const platform::Variant& UserAgent() const noexcept { return m_userAgent; }
  void SetUserAgent(const platform::Variant& value) { m_userAgent = value; }
  TUrlLoaderAction DefaultAction() const noexcept { return m_defaultAction; }
  void SetDefaultAction(TUrlLoaderAction action) { m_defaultAction = action; }
  bool Async() const noexcept { return m_async; }
  void SetAsync(bool async) { m_async = async; }
  bool Cached() const noexcept { return m_cached; }
  void SetCached(bool cached) { m_cached = cached; }
  bool AutoComplete() const noexcept { return m_autoComplete; }
  void SetAutoComplete(bool value) { m_autoComplete = value; }
  std::uint32_t Flags() const noexcept { return m_flags; }
  void SetFlags(std::uint32_t flags) { m_flags = flags; }
  // `flags` as 8 hexadecimal digits.
  std::string HFlags() const;
  // "" sets 0; text that is not hexadecimal is ignored.
  void SetHFlags(const std::string& text);
  int Timeout() const noexcept { return m_timeout; }
  // Restarts the timeout timer while a transfer exists.
  void SetTimeout(int seconds);
  std::uint32_t Threshold() const noexcept { return m_threshold; }
  void SetThreshold(std::uint32_t bytesPerMinute) { m_threshold = bytesPerMinute; }
  TUrlLoaderEncoding Encoding() const noexcept { return m_encoding; }
  void SetEncoding(TUrlLoaderEncoding encoding) { m_encoding = encoding; }

  bool Active() const noexcept;
  bool Busy() const noexcept { return m_busy; }
  // The received data decoded; "" without data.
  std::string Text() const;
  // The received bytes as they came.
  std::string Data() const;
  std::int64_t Size() const;
  std::int64_t Length() const noexcept { return m_length; }
  int ResponseCode() const noexcept { return m_responseCode; }
  const std::string& ContentType() const noexcept { return m_contentType; }
  const std::string& ContentEncoding() const noexcept { return m_contentEncoding; }
  const std::string& ContentCharset() const noexcept { return m_contentCharset; }
  // Bytes per second.
  double Speed() const noexcept { return m_speed; }
  TDateTimeEx& BeginTime() const noexcept { return *m_beginTime; }
  TDateTimeEx& EndTime() const noexcept { return *m_endTime; }
  TDateTimeEx& Remaining() const noexcept { return *m_remaining; }
  TDateTimeEx& Elapsed() const noexcept { return *m_elapsed; }
  // The code of the last "complete" (0 before any).
  HResult ErrorCode() const noexcept { return m_error; }

  // Starts a transfer: kAsynchronous when it runs on, else its failure code;
  // without `async` the final code once "complete" fired.
  virtual HResult Download(const std::string& url, const std::string& fileName);

  // Words: "download"/"execute", "cancel", "release", "abort", "suspend", "resume".
  void SetExec(const platform::Variant& value) override;

  TUrlLoaderGetBindInfoEvent m_onGetInfo;
  TUrlLoaderProgressEvent m_onProgress;
  TUrlLoaderCompleteEvent m_onComplete;
  TUrlLoaderAuthenticateEvent m_onAuthenticate;
  TUrlLoaderActionEvent m_onAction;
  TUrlLoaderResponseEvent m_onResponse;
  TUrlLoaderActionEvent m_onTimeout;
  TUrlLoaderActionEvent m_onThreshold;
  TUrlLoaderGetWindowEvent m_onGetWindow;
  TUrlLoaderRedirectEvent m_onRedirect;

  // The handlers script bindings plug into the events.
  void actionHandler(platform::TObject*, TUrlLoaderAction& action);
  void authenticateHandler(platform::TObject*, std::int64_t window, std::string& user, std::string& password,
                           HResult& result);
  void completeHandler(platform::TObject*, HResult code);
  void getInfoHandler(platform::TObject*, std::uint32_t& flags);
  void getWindowHandler(platform::TObject*, std::int64_t& window);
  void progressHandler(platform::TObject*, std::int64_t progress, std::int64_t progressMax, int status,
                       const std::string& text, HResult& result);
  void redirectHandler(platform::TObject*, const std::string& url, const std::string& newUrl, bool& allow);
  void responseHandler(platform::TObject*, int status, const std::string& responseHeaders,
                       const std::string& requestHeaders, std::string& additionalHeaders, HResult& result);
  void thresholdHandler(platform::TObject*, TUrlLoaderAction& action);
  void timeoutHandler(platform::TObject*, TUrlLoaderAction& action);

 protected:
  void AssignTo(platform::TPersistent& dest) const override;
  virtual HResult DoProgress(std::int64_t progress, std::int64_t progressMax, int status, const std::string& text);
  virtual void DoComplete(HResult code);
  virtual HResult DoAuthenticate(std::int64_t window, std::string& user, std::string& password);
  virtual TUrlLoaderAction DoAction(TUrlLoaderAction action);
  virtual void DoGetBindInfo(std::uint32_t& flags);
  virtual HResult DoResponse(int status, const std::string& responseHeaders, const std::string& requestHeaders,
                             std::string& additionalHeaders);
  virtual TUrlLoaderAction DoTimeout(TUrlLoaderAction action);
  virtual TUrlLoaderAction DoThreshold(TUrlLoaderAction action);
  virtual bool DoGetWindow(std::int64_t& window);
  virtual bool DoRedirect(const std::string& url, const std::string& newUrl);

 private:
  friend class TBind;
  enum class Target { None, File, Memory };

  // The full path of a file name: "\" as "/", relative to the project folder.
  std::string ResolvePath(const std::string& fileName) const;
  void DropBind();
  void FreeTarget();
  void ResetState();
  // Builds and sends the request; a failure code when it cannot start.
  HResult Start(const std::string& scheme);
  // Ends the running transfer once: stops it and the timers, fires "complete".
  void Finish(HResult code);
  // A failed start: "complete" once and the code.
  HResult FailStart(HResult code);
  // Writes a chunk, making the target first; a failure code when it cannot.
  HResult Write(std::string_view bytes);
  HResult OpenTarget();
  void TimeoutTick();
  void ThresholdTick();
  // Asks the handler whether a stalled or slow download goes on: laOverwrite
  // watches on, laAbort ends it with `failure`.
  void AskToGoOn(TUrlLoaderAction (TUrlLoaderEx::*ask)(TUrlLoaderAction), platform::TimerSource& timer,
                 HResult failure);
  void ReadOn();
  // Bind callbacks.
  void OnProgress(int status, const std::string& text);
  void OnResponse(TBind& bind, const TUrlResponse& response);
  void OnData(TBind& bind, std::string_view bytes);
  void OnEnd(TBind& bind);
  std::optional<TUrlCredentials> OnAuthenticate(TBind& bind, bool proxy);
  void UpdateTimes(std::int64_t progress, std::int64_t progressMax);

  std::string m_url;
  std::string m_fileName;
  TUrlLoaderMethod m_method = TUrlLoaderMethod::lmAuto;
  std::string m_postData;
  platform::Variant m_postContentType = platform::Variant::Null();
  std::string m_headers;
  platform::Variant m_userAgent = platform::Variant::Null();
  TUrlLoaderAction m_defaultAction = TUrlLoaderAction::laResume;
  bool m_async = true;
  bool m_cached = false;
  bool m_autoComplete = true;
  std::uint32_t m_flags = kDefaultFlags;
  int m_timeout = -1;
  std::uint32_t m_threshold = 0;
  TUrlLoaderEncoding m_encoding = TUrlLoaderEncoding::leAuto;

  std::shared_ptr<TBind> m_bind;
  Target m_target = Target::None;
  platform::UniqueFd m_fd;
  std::string m_targetPath;
  std::string m_memory;
  // Where the target's new bytes go: the file's size when a 206 appends, else 0.
  std::int64_t m_resumeFrom = 0;
  bool m_append = false;
  bool m_busy = false;
  bool m_suspended = false;
  bool m_destroying = false;
  HResult m_error = 0;
  std::int64_t m_length = 0;
  int m_responseCode = 0;
  std::string m_contentType;
  std::string m_contentEncoding;
  std::string m_contentCharset;
  double m_speed = 0;
  std::uint64_t m_beginMs = 0;
  std::int64_t m_timeoutBytes = 0;
  std::int64_t m_thresholdBytes = 0;
  std::unique_ptr<TDateTimeEx> m_beginTime;
  std::unique_ptr<TDateTimeEx> m_endTime;
  std::unique_ptr<TDateTimeEx> m_remaining;
  std::unique_ptr<TDateTimeEx> m_elapsed;
  platform::TimerSource m_timeoutTimer;
  platform::TimerSource m_thresholdTimer;
};

// Registers the type word "download".
void RegisterDownloadComponentTypes();

}  // namespace halbrin
