#include "platform/automation/call_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "platform/automation/call_message.h"
#include "platform/automation/export_table.h"
#include "platform/automation/wire_format.h"
#include "platform/base/format.h"
#include "platform/base/glib_ptr.h"

namespace halbrin::platform {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Buffers grown by one large message are given back once it is handled.
constexpr std::size_t kKeepBufferBytes = 1024 * 1024;
// Releases per frame, so a flood of dead proxies never makes one huge message.
constexpr std::size_t kReleasesPerFrame = 4096;
constexpr std::uint8_t kWantResult = 1;
// Serving from the loop lingers for the next request at most this many
// lingerMicros in all before the loop gets its turn.
constexpr int kLingerRounds = 10;
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);

constexpr const char* kReleasedText = "The remote object has been released";

struct CallFailure {
  HResult code;
  std::string description;
};

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace

class CallChannel::Core final : public IRemoteEndpoint,
                                public IObjectMarshaller,
                                public std::enable_shared_from_this<CallChannel::Core> {
 public:
  Core(int fd, CallChannelOptions options);
  ~Core();

  HResult RemoteGetIDsOfNames(std::uint64_t handle, std::span<const std::string> names,
                              std::span<DispId> ids) override;
  HResult RemoteInvoke(std::uint64_t handle, DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                       ExcepInfo* excep) override;
  void ProxyGone(std::uint64_t handle) noexcept override;

  ObjectRef MarshalObject(RefCounted& object) override;
  RefPtr<RefCounted> UnmarshalObject(const ObjectRef& ref) override;

  void Attach(GMainContext* context);
  void Detach() noexcept;
  void SetRootObject(RefPtr<IDispatchObject> object) { m_root = std::move(object); }
  RefPtr<IDispatchObject> PeerRootObject();
  bool ServePending(int timeoutMs);
  void FlushReleases();
  bool Revoke(const RefCounted& object);
  void SetOnClosed(std::function<void(const std::string&)> onClosed) { m_onClosed = std::move(onClosed); }
  // notify: the peer or its data ended the channel (OnClosed runs), rather than the owner;
  // broken: by a protocol or socket failure rather than an orderly end.
  void CloseWith(const std::string& reason, bool notify, bool broken = false);

  bool IsClosed() const noexcept { return m_closed; }
  const std::string& CloseReason() const noexcept { return m_closeReason; }
  std::size_t ExportedCount() const noexcept { return m_exports.Size(); }
  std::size_t ImportedCount() const noexcept { return m_imports.size(); }
  std::size_t PendingReleases() const noexcept { return m_pendingReleases.size(); }
  int Depth() const noexcept { return m_depth; }
  std::uint64_t SentCalls() const noexcept { return m_sentCalls; }

 private:
  struct PendingCall {
    std::uint64_t id = 0;
    MessageType replyType = MessageType::InvokeReply;
    bool done = false;
    std::optional<CallFailure> failure;
    HResult hr = S_OK;
    Variant result;
    ExcepInfo excep;
    std::vector<DispId> ids;
  };

  struct Import {
    TRemoteDispatch* proxy = nullptr;  // not owned: the proxy removes itself when it dies
    std::uint64_t received = 0;
  };

  struct ChannelSource {
    GSource base;
    Core* core;  // the core destroys the source before it dies
  };

  template <class Build>
  std::optional<CallFailure> Exchange(MessageType type, PendingCall& call, Build&& build);
  template <class Build>
  std::optional<CallFailure> SendMessage(MessageType type, std::uint64_t callId, Build&& build);
  void SendInvokeReply(std::uint64_t callId, HResult hr, const Variant& result, const ExcepInfo& excep);
  void SendFailureReply(std::uint64_t callId, const CallFailure& failure);
  void AppendReleaseFrames(std::size_t count);
  void UndoExports() noexcept;

  bool WriteAll(const std::vector<std::uint8_t>& data);
  // Reads once what the socket has; false when the channel is closed afterwards.
  bool ReadAvailable();
  // spin: read without blocking for spinMicros first.
  void WaitForInput(bool spin);
  // Reads without blocking until bytes arrive or `micros` pass; whether any came.
  bool SpinForInput(int micros);
  bool HasCompleteFrame() const noexcept;
  // Takes one complete frame off the buffer and acts on it.
  bool ProcessOneFrame();
  CallMessage Decode(std::span<const std::uint8_t> data);
  void Serve(CallMessage& message);
  void ServeInvoke(CallMessage& message);
  void ServeGetIDsOfNames(CallMessage& message);
  void ServeRelease(CallMessage& message);
  void TakeReply(CallMessage& message);
  void ScheduleSource() noexcept;
  void OnSourceReady() noexcept;
  static gboolean DispatchSource(GSource* source, GSourceFunc, gpointer);

  CallFailure ClosedFailure() const { return {RPC_E_SERVER_DIED_DNE, ClosedText()}; }
  std::string ClosedText() const { return Format("The connection to the %s is closed", {m_options.peerName}); }
  void CloseMalformed(const std::string& detail) {
    CloseWith(Format("Malformed message from the %s: %s", {m_options.peerName, detail}), true, true);
  }
  void CloseFailed(int error);

  int m_fd;
  CallChannelOptions m_options;
  bool m_closed = false;
  std::string m_closeReason;
  std::function<void(const std::string&)> m_onClosed;

  // Received bytes: [m_inStart, m_inEnd) are not handled yet.
  std::vector<std::uint8_t> m_in;
  std::size_t m_inStart = 0;
  std::size_t m_inEnd = 0;
  std::vector<std::uint8_t> m_out;

  ExportTable m_exports;
  // Handles entered while the message being written was encoded, undone if it is not sent.
  std::vector<std::uint64_t> m_exportedInMessage;
  std::unordered_map<std::uint64_t, Import> m_imports;
  // (handle, times received) of dead proxies, not sent yet.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> m_pendingReleases;
  // Set while a message is decoded when it names one of our objects that is gone.
  bool m_revokedSeen = false;

  std::vector<PendingCall*> m_pending;  // calls of ours waiting for replies, innermost last
  std::uint64_t m_nextCallId = 1;
  // Invoke and GetIDsOfNames requests written (not replies, releases or root requests).
  std::uint64_t m_sentCalls = 0;
  int m_depth = 0;
  RefPtr<IDispatchObject> m_root;

  GMainContextPtr m_context;
  GSourcePtr m_source;
  gpointer m_fdTag = nullptr;
};

// ---- set-up -------------------------------------------------------------------

CallChannel::Core::Core(int fd, CallChannelOptions options) : m_fd(fd), m_options(std::move(options)) {
  if (fd < 0) throw EOSError(EBADF, ErrnoText(EBADF));
  struct stat status {};
  int error = 0;
  if (fstat(fd, &status) < 0) {
    error = errno;
  } else if (!S_ISSOCK(status.st_mode)) {
    error = ENOTSOCK;
  } else {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0 || fcntl(fd, F_SETFD, FD_CLOEXEC) < 0) error = errno;
  }
  if (error != 0) {
    ::close(fd);
    throw EOSError(static_cast<std::uint32_t>(error), ErrnoText(error));
  }
  m_options.maxCallDepth = std::max(m_options.maxCallDepth, 1);
  // The length of a frame is 32 bits.
  m_options.maxMessageBytes =
      std::clamp<std::size_t>(m_options.maxMessageBytes, 16, std::numeric_limits<std::uint32_t>::max());
  m_in.resize(kReadChunk);
}

CallChannel::Core::~Core() { CloseWith({}, false); }

void CallChannel::Core::Attach(GMainContext* context) {
  Detach();
  if (m_closed) return;
  // Never written after initialisation; GLib only wants a non-const pointer.
  static GSourceFuncs funcs = {
      .prepare = nullptr,
      .check = nullptr,
      .dispatch = &Core::DispatchSource,
      .finalize = nullptr,
      .closure_callback = nullptr,
      .closure_marshal = nullptr,
  };
  m_context.reset(context ? g_main_context_ref(context) : g_main_context_ref_thread_default());
  GSourcePtr source(g_source_new(&funcs, sizeof(ChannelSource)));
  reinterpret_cast<ChannelSource*>(source.get())->core = this;
  m_fdTag = g_source_add_unix_fd(source.get(), m_fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
  // A request served from the loop may make calls that wait on the same loop.
  g_source_set_can_recurse(source.get(), TRUE);
  g_source_set_name(source.get(), "halbrin call channel");
  g_source_attach(source.get(), m_context.get());
  m_source = std::move(source);
  ScheduleSource();
}

void CallChannel::Core::Detach() noexcept {
  if (m_source) g_source_destroy(m_source.get());
  m_source.reset();
  m_context.reset();
  m_fdTag = nullptr;
}

void CallChannel::Core::CloseWith(const std::string& reason, bool notify, bool broken) {
  if (m_closed) return;
  m_closed = true;
  m_closeReason = notify ? reason : std::string();
  Detach();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_inStart = m_inEnd = 0;
  m_pendingReleases.clear();
  // The peer can no longer call them; they die once the state above is final.
  std::vector<RefPtr<RefCounted>> dropped = m_exports.TakeAll();
  RefPtr<IDispatchObject> root = std::move(m_root);
  if (!notify) return;
  // A peer that ends is normal; one that breaks the protocol or the socket is not.
  g_log("halbrin", broken ? G_LOG_LEVEL_WARNING : G_LOG_LEVEL_DEBUG, "Call channel closed: %s", reason.c_str());
  if (auto onClosed = m_onClosed) {
    try {
      onClosed(reason);
    } catch (const std::exception& error) {
      g_log("halbrin", G_LOG_LEVEL_WARNING, "Exception in the call channel's close handler: %s", error.what());
    } catch (...) {
      g_log("halbrin", G_LOG_LEVEL_WARNING, "Exception in the call channel's close handler");
    }
  }
}

void CallChannel::Core::CloseFailed(int error) {
  if (error == EPIPE || error == ECONNRESET)
    CloseWith(Format("The %s closed the connection", {m_options.peerName}), true);
  else
    CloseWith(Format("The connection to the %s failed: %s", {m_options.peerName, ErrnoText(error)}), true, true);
}

// ---- objects ------------------------------------------------------------------

ObjectRef CallChannel::Core::MarshalObject(RefCounted& object) {
  // A proxy of ours goes back as the peer's own object.
  if (auto* proxy = dynamic_cast<TRemoteDispatch*>(&object);
      proxy && proxy->BelongsTo(std::weak_ptr<IRemoteEndpoint>(weak_from_this())))
    return {ObjectRefKind::Receiver, proxy->Handle()};
  const std::uint64_t handle = m_exports.Export(object);
  m_exportedInMessage.push_back(handle);
  return {ObjectRefKind::Sender, handle};
}

RefPtr<RefCounted> CallChannel::Core::UnmarshalObject(const ObjectRef& ref) {
  if (ref.kind == ObjectRefKind::Receiver) {
    if (const ExportTable::Entry* entry = m_exports.Find(ref.handle)) return entry->object;
    if (m_exports.State(ref.handle) == ExportTable::HandleState::NeverGiven)
      throw EWireFormatError(Format("unknown object handle %d", {ref.handle}));
    m_revokedSeen = true;
    return {};
  }
  if (ref.handle == 0) throw EWireFormatError("object handle 0");
  // One proxy per remote object, so identity holds on this side too.
  if (auto found = m_imports.find(ref.handle); found != m_imports.end()) {
    ++found->second.received;
    return RefPtr<RefCounted>(found->second.proxy);
  }
  auto proxy = MakeRef<TRemoteDispatch>(std::weak_ptr<IRemoteEndpoint>(weak_from_this()), ref.handle, ClosedText());
  m_imports.emplace(ref.handle, Import{proxy.Get(), 1});
  return proxy;
}

void CallChannel::Core::ProxyGone(std::uint64_t handle) noexcept {
  auto found = m_imports.find(handle);
  if (found == m_imports.end()) return;
  const std::uint64_t received = found->second.received;
  m_imports.erase(found);
  if (m_closed) return;
  m_pendingReleases.emplace_back(handle, received);
  ScheduleSource();
}

bool CallChannel::Core::Revoke(const RefCounted& object) {
  RefPtr<RefCounted> dropped;
  return m_exports.Revoke(object, dropped);
}

void CallChannel::Core::UndoExports() noexcept {
  std::vector<RefPtr<RefCounted>> dropped(m_exportedInMessage.size());
  for (std::size_t i = 0; i < m_exportedInMessage.size(); ++i)
    m_exports.Release(m_exportedInMessage[i], 1, dropped[i]);
  m_exportedInMessage.clear();
}

// ---- writing --------------------------------------------------------------------

void CallChannel::Core::AppendReleaseFrames(std::size_t count) {
  for (std::size_t first = 0; first < count; first += kReleasesPerFrame) {
    const std::size_t last = std::min(count, first + kReleasesPerFrame);
    const std::size_t start = BeginFrame(m_out);
    WireWriter writer(m_out);
    writer.WriteU8(static_cast<std::uint8_t>(MessageType::Release));
    writer.WriteVarUInt(last - first);
    for (std::size_t i = first; i < last; ++i) {
      writer.WriteVarUInt(m_pendingReleases[i].first);
      writer.WriteVarUInt(m_pendingReleases[i].second);
    }
    EndFrame(m_out, start);
  }
}

template <class Build>
std::optional<CallFailure> CallChannel::Core::SendMessage(MessageType type, std::uint64_t callId, Build&& build) {
  if (m_closed) return ClosedFailure();
  m_out.clear();
  // Releases ride along with the next message.
  const std::size_t releases = m_pendingReleases.size();
  AppendReleaseFrames(releases);
  const std::size_t start = BeginFrame(m_out);
  std::optional<CallFailure> failure;
  m_exportedInMessage.clear();
  try {
    WireWriter writer(m_out, this);
    writer.WriteU8(static_cast<std::uint8_t>(type));
    writer.WriteVarUInt(callId);
    build(writer);
    const std::size_t length = m_out.size() - start - kFrameHeaderBytes;
    if (length > m_options.maxMessageBytes)
      throw EWireFormatError(
          Format("The message is too large (%d bytes, at most %d)", {length, m_options.maxMessageBytes}));
    EndFrame(m_out, start);
    m_exportedInMessage.clear();
  } catch (const EWireFormatError& error) {
    // The peer never hears of what this message entered into the table.
    UndoExports();
    m_out.resize(start);
    failure = CallFailure{RPC_E_INVALID_DATAPACKET, error.Message()};
  }
  if (!m_out.empty()) {
    if (!WriteAll(m_out)) return ClosedFailure();
    m_pendingReleases.erase(m_pendingReleases.begin(), m_pendingReleases.begin() + static_cast<std::ptrdiff_t>(releases));
  }
  if (m_out.capacity() > kKeepBufferBytes) std::vector<std::uint8_t>().swap(m_out);
  return failure;
}

bool CallChannel::Core::WriteAll(const std::vector<std::uint8_t>& data) {
  std::size_t offset = 0;
  while (offset < data.size()) {
    if (m_closed) return false;
    const ssize_t written = ::send(m_fd, data.data() + offset, data.size() - offset, MSG_NOSIGNAL);
    if (written > 0) {
      offset += static_cast<std::size_t>(written);
      continue;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EAGAIN && error != EWOULDBLOCK) {
      CloseFailed(error);
      return false;
    }
    // The peer may be writing to us at the same time: keep reading, or both
    // block. A peer that only writes cannot make us buffer without end, though.
    const bool room = m_inEnd - m_inStart < 2 * m_options.maxMessageBytes;
    pollfd poller{m_fd, static_cast<short>(room ? POLLOUT | POLLIN : POLLOUT), 0};
    if (::poll(&poller, 1, -1) < 0 && errno != EINTR) {
      CloseFailed(errno);
      return false;
    }
    if (poller.revents & (POLLIN | POLLHUP | POLLERR)) ReadAvailable();
  }
  return !m_closed;
}

void CallChannel::Core::SendInvokeReply(std::uint64_t callId, HResult hr, const Variant& result,
                                        const ExcepInfo& excep) {
  auto failure = SendMessage(MessageType::InvokeReply, callId, [&](WireWriter& writer) {
    writer.WriteVarInt(hr);
    if (Succeeded(hr))
      writer.WriteVariant(result);
    else
      writer.WriteU8(static_cast<std::uint8_t>(VarType::Empty));
    if (Failed(hr)) {
      writer.WriteString(excep.description);
      writer.WriteString(excep.source);
      writer.WriteVarInt(excep.code);
    }
  });
  // A result that cannot travel becomes the caller's error.
  if (failure && !m_closed) SendFailureReply(callId, *failure);
}

void CallChannel::Core::SendFailureReply(std::uint64_t callId, const CallFailure& failure) {
  SendMessage(MessageType::InvokeReply, callId, [&](WireWriter& writer) {
    writer.WriteVarInt(DISP_E_EXCEPTION);
    writer.WriteVariant(Variant());
    writer.WriteString(failure.description);
    writer.WriteString({});
    writer.WriteVarInt(failure.code);
  });
}

void CallChannel::Core::FlushReleases() {
  if (m_closed || m_pendingReleases.empty()) return;
  auto self = shared_from_this();
  m_out.clear();
  const std::size_t releases = m_pendingReleases.size();
  AppendReleaseFrames(releases);
  if (WriteAll(m_out))
    m_pendingReleases.erase(m_pendingReleases.begin(), m_pendingReleases.begin() + static_cast<std::ptrdiff_t>(releases));
}

// ---- reading --------------------------------------------------------------------

bool CallChannel::Core::ReadAvailable() {
  if (m_closed) return false;
  if (m_inStart == m_inEnd) {
    m_inStart = m_inEnd = 0;
    if (m_in.size() > kKeepBufferBytes) std::vector<std::uint8_t>(kReadChunk).swap(m_in);
  }
  std::size_t want = kReadChunk;
  const std::size_t buffered = m_inEnd - m_inStart;
  if (buffered >= kFrameHeaderBytes) {
    const std::uint32_t length = FrameLength(m_in.data() + m_inStart);
    if (length > m_options.maxMessageBytes) {
      CloseMalformed(Format("message of %d bytes, more than the %d allowed", {length, m_options.maxMessageBytes}));
      return false;
    }
    // The buffer grows with what arrives (at most doubling what is there), not
    // with what the header announces: a peer that sends a large length and
    // then stalls holds no more memory than it has sent.
    const std::size_t frame = kFrameHeaderBytes + length;
    if (frame > buffered) want = std::max(want, std::min(frame - buffered, buffered));
  }
  if (m_in.size() - m_inEnd < want && m_inStart > 0) {
    std::memmove(m_in.data(), m_in.data() + m_inStart, buffered);
    m_inStart = 0;
    m_inEnd = buffered;
  }
  if (m_in.size() - m_inEnd < want) m_in.resize(m_inEnd + want);

  for (;;) {
    const ssize_t received = ::recv(m_fd, m_in.data() + m_inEnd, want, 0);
    if (received > 0) {
      m_inEnd += static_cast<std::size_t>(received);
      return true;
    }
    if (received == 0) {
      CloseWith(Format("The %s closed the connection", {m_options.peerName}), true);
      return false;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (error == EAGAIN || error == EWOULDBLOCK) return true;
    CloseFailed(error);
    return false;
  }
}

void CallChannel::Core::WaitForInput(bool spin) {
  if (m_closed) return;
  if (spin && m_options.spinMicros > 0 && SpinForInput(m_options.spinMicros)) return;
  if (m_options.wait == CallWait::MainContext && m_source) {
    // Our source reads and handles what arrives, among the loop's other work.
    // A handler may detach us meanwhile, so the context is held here.
    GMainContextPtr context(g_main_context_ref(m_context.get()));
    g_main_context_iteration(context.get(), TRUE);
    return;
  }
  pollfd poller{m_fd, POLLIN, 0};
  if (::poll(&poller, 1, -1) < 0) {
    if (errno != EINTR) CloseFailed(errno);
    return;
  }
  ReadAvailable();
}

bool CallChannel::Core::SpinForInput(int micros) {
  const gint64 deadline = g_get_monotonic_time() + micros;
  do {
    const std::size_t before = m_inEnd - m_inStart;
    if (!ReadAvailable()) return true;
    if (m_inEnd - m_inStart != before) return true;
    // The peer may be waiting for this very CPU.
    sched_yield();
  } while (g_get_monotonic_time() < deadline);
  return false;
}

bool CallChannel::Core::HasCompleteFrame() const noexcept {
  const std::size_t buffered = m_inEnd - m_inStart;
  if (buffered < kFrameHeaderBytes) return false;
  return buffered - kFrameHeaderBytes >= FrameLength(m_in.data() + m_inStart);
}

bool CallChannel::Core::ProcessOneFrame() {
  if (m_closed) return false;
  const std::size_t buffered = m_inEnd - m_inStart;
  if (buffered < kFrameHeaderBytes) return false;
  const std::uint32_t length = FrameLength(m_in.data() + m_inStart);
  if (length == 0 || length > m_options.maxMessageBytes) {
    CloseMalformed(length == 0 ? std::string("empty message")
                               : Format("message of %d bytes, more than the %d allowed",
                                        {length, m_options.maxMessageBytes}));
    return false;
  }
  if (buffered - kFrameHeaderBytes < length) return false;
  const std::span<const std::uint8_t> data(m_in.data() + m_inStart + kFrameHeaderBytes, length);
  m_inStart += kFrameHeaderBytes + length;
  CallMessage message;
  try {
    // Decoding runs none of our objects' code, so the bytes stay in place meanwhile.
    message = Decode(data);
  } catch (const EWireFormatError& error) {
    CloseMalformed(error.Message());
    return true;
  }
  Serve(message);
  return true;
}

CallMessage CallChannel::Core::Decode(std::span<const std::uint8_t> data) {
  m_revokedSeen = false;
  CallMessage message = DecodeCallMessage(data, this);
  if ((message.type == MessageType::Invoke || message.type == MessageType::GetIDsOfNames) &&
      m_exports.State(message.handle) == ExportTable::HandleState::NeverGiven)
    throw EWireFormatError(Format("unknown object handle %d", {message.handle}));
  message.revoked = m_revokedSeen;
  return message;
}

void CallChannel::Core::Serve(CallMessage& message) {
  switch (message.type) {
    case MessageType::Invoke:
      ServeInvoke(message);
      return;
    case MessageType::GetIDsOfNames:
      ServeGetIDsOfNames(message);
      return;
    case MessageType::GetRoot:
      SendInvokeReply(message.callId, S_OK, Variant(m_root), {});
      return;
    case MessageType::Release:
      ServeRelease(message);
      return;
    case MessageType::InvokeReply:
    case MessageType::NamesReply:
      TakeReply(message);
      return;
  }
}

void CallChannel::Core::ServeInvoke(CallMessage& message) {
  const ExportTable::Entry* entry = m_exports.Find(message.handle);
  if (!entry || message.revoked) {
    SendFailureReply(message.callId, {RPC_E_DISCONNECTED, kReleasedText});
    return;
  }
  // Held here: the call may release or revoke the object.
  RefPtr<IDispatchObject> target(entry->dispatch);
  if (!target) {
    SendFailureReply(message.callId, {kNoInterface, "The object does not support automation"});
    return;
  }
  Variant result;
  ExcepInfo excep;
  HResult hr;
  try {
    hr = target->Invoke(message.dispId, message.kind, message.params,
                        (message.flags & kWantResult) ? &result : nullptr, &excep);
  } catch (...) {
    hr = ExceptionToHResult(&excep);
  }
  SendInvokeReply(message.callId, hr, result, excep);
}

void CallChannel::Core::ServeGetIDsOfNames(CallMessage& message) {
  std::vector<DispId> ids(message.names.size(), DISPID_UNKNOWN);
  HResult hr = RPC_E_DISCONNECTED;
  const ExportTable::Entry* entry = m_exports.Find(message.handle);
  if (entry && entry->dispatch) {
    RefPtr<IDispatchObject> target(entry->dispatch);
    try {
      hr = target->GetIDsOfNames(message.names, ids);
    } catch (...) {
      hr = E_FAIL;
    }
  } else if (entry) {
    hr = kNoInterface;
  }
  SendMessage(MessageType::NamesReply, message.callId, [&](WireWriter& writer) {
    writer.WriteVarInt(hr);
    writer.WriteVarUInt(ids.size());
    for (DispId id : ids) writer.WriteVarInt(id);
  });
}

void CallChannel::Core::ServeRelease(CallMessage& message) {
  std::vector<RefPtr<RefCounted>> dropped(message.releases.size());
  for (std::size_t i = 0; i < message.releases.size(); ++i) {
    const auto [handle, count] = message.releases[i];
    switch (m_exports.Release(handle, count, dropped[i])) {
      case ExportTable::ReleaseOutcome::Done:
      case ExportTable::ReleaseOutcome::Stale:
        break;
      case ExportTable::ReleaseOutcome::NeverGiven:
        CloseMalformed(Format("release of unknown object handle %d", {handle}));
        return;
      case ExportTable::ReleaseOutcome::CountTooLarge:
        CloseMalformed(Format("release of object handle %d more times than it was given", {handle}));
        return;
    }
  }
}

void CallChannel::Core::TakeReply(CallMessage& message) {
  auto found = std::find_if(m_pending.begin(), m_pending.end(),
                            [&](const PendingCall* call) { return call->id == message.callId; });
  if (found == m_pending.end() || (*found)->done || (*found)->replyType != message.type) {
    CloseMalformed(Format("reply to no call in progress (%d)", {message.callId}));
    return;
  }
  PendingCall& call = **found;
  if (message.revoked) call.failure = CallFailure{RPC_E_DISCONNECTED, kReleasedText};
  call.hr = message.hr;
  call.result = std::move(message.result);
  call.excep = std::move(message.excep);
  call.ids = std::move(message.ids);
  call.done = true;
}

// ---- calls ----------------------------------------------------------------------

namespace {

int& ThreadWaitingCalls() noexcept {
  thread_local int waiting = 0;
  return waiting;
}

}  // namespace

int CallChannel::WaitingCallsOnThisThread() noexcept { return ThreadWaitingCalls(); }

template <class Build>
std::optional<CallFailure> CallChannel::Core::Exchange(MessageType type, PendingCall& call, Build&& build) {
  auto self = shared_from_this();
  if (m_closed) return ClosedFailure();
  if (m_depth >= m_options.maxCallDepth)
    return CallFailure{RPC_E_CALL_REJECTED, Format("Too many nested calls to the %s (more than %d)",
                                                   {m_options.peerName, m_options.maxCallDepth})};
  call.id = m_nextCallId++;
  call.replyType = type == MessageType::GetIDsOfNames ? MessageType::NamesReply : MessageType::InvokeReply;
  if (auto failure = SendMessage(type, call.id, build)) return failure;
  if (type == MessageType::Invoke || type == MessageType::GetIDsOfNames) ++m_sentCalls;

  struct Scope {
    Core& core;
    PendingCall& call;
    Scope(Core& c, PendingCall& p) : core(c), call(p) {
      ++core.m_depth;
      ++ThreadWaitingCalls();
      core.m_pending.push_back(&call);
    }
    ~Scope() {
      --core.m_depth;
      --ThreadWaitingCalls();
      std::erase(core.m_pending, &call);
      // What came in behind our reply is handled from the loop.
      if (core.HasCompleteFrame()) core.ScheduleSource();
    }
  } scope(*this, call);

  // Spins once after sending and after each frame handled, not on every wake
  // of a long wait.
  bool spin = true;
  while (!call.done) {
    if (m_closed) return ClosedFailure();
    if (ProcessOneFrame()) {
      spin = true;
    } else if (!m_closed) {
      WaitForInput(spin);
      spin = false;
    }
  }
  return call.failure;
}

HResult CallChannel::Core::RemoteInvoke(std::uint64_t handle, DispId id, std::uint16_t kind, DispParams& params,
                                        Variant* result, ExcepInfo* excep) {
  if (result) *result = Variant();
  if (params.namedIds.size() > params.args.size()) return DISP_E_BADPARAMCOUNT;
  PendingCall call;
  auto failure = Exchange(MessageType::Invoke, call, [&](WireWriter& writer) {
    writer.WriteVarUInt(handle);
    writer.WriteVarInt(id);
    writer.WriteVarUInt(kind);
    writer.WriteU8(result ? kWantResult : 0);
    writer.WriteVarUInt(params.args.size());
    for (const Variant& arg : params.args) writer.WriteVariant(arg);
    writer.WriteVarUInt(params.namedIds.size());
    for (DispId named : params.namedIds) writer.WriteVarInt(named);
  });
  if (failure) {
    if (excep) *excep = ExcepInfo{failure->description, {}, failure->code};
    return DISP_E_EXCEPTION;
  }
  if (result) *result = std::move(call.result);
  if (Failed(call.hr) && excep) *excep = std::move(call.excep);
  return call.hr;
}

HResult CallChannel::Core::RemoteGetIDsOfNames(std::uint64_t handle, std::span<const std::string> names,
                                               std::span<DispId> ids) {
  std::fill(ids.begin(), ids.end(), DISPID_UNKNOWN);
  PendingCall call;
  auto failure = Exchange(MessageType::GetIDsOfNames, call, [&](WireWriter& writer) {
    writer.WriteVarUInt(handle);
    writer.WriteVarUInt(names.size());
    for (const std::string& name : names) writer.WriteString(name);
  });
  if (failure) return failure->code;
  std::copy_n(call.ids.begin(), std::min(call.ids.size(), ids.size()), ids.begin());
  return call.hr;
}

RefPtr<IDispatchObject> CallChannel::Core::PeerRootObject() {
  PendingCall call;
  if (auto failure = Exchange(MessageType::GetRoot, call, [](WireWriter&) {}))
    throw EOleError(failure->code, failure->description);
  if (Failed(call.hr)) throw EOleError(call.excep.code ? call.excep.code : call.hr, call.excep.description);
  if (!call.result.IsDispatch()) return {};
  return call.result.ToDispatch();
}

bool CallChannel::Core::ServePending(int timeoutMs) {
  auto self = shared_from_this();
  const gint64 deadline = timeoutMs < 0 ? -1 : g_get_monotonic_time() + gint64{timeoutMs} * 1000;
  bool handled = false;
  for (;;) {
    while (ProcessOneFrame()) handled = true;
    if (handled || m_closed) break;
    int wait = -1;
    if (deadline >= 0) {
      const gint64 left = deadline - g_get_monotonic_time();
      if (left <= 0) break;
      wait = static_cast<int>((left + 999) / 1000);
    }
    pollfd poller{m_fd, POLLIN, 0};
    const int ready = ::poll(&poller, 1, wait);
    if (ready < 0 && errno != EINTR) {
      CloseFailed(errno);
      return true;
    }
    if (ready > 0 && !ReadAvailable()) return true;
  }
  FlushReleases();
  return handled;
}

// ---- the loop's source ----------------------------------------------------------

void CallChannel::Core::ScheduleSource() noexcept {
  if (m_source && (HasCompleteFrame() || !m_pendingReleases.empty())) g_source_set_ready_time(m_source.get(), 0);
}

gboolean CallChannel::Core::DispatchSource(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<ChannelSource*>(source)->core->OnSourceReady();
  return G_SOURCE_CONTINUE;
}

void CallChannel::Core::OnSourceReady() noexcept {
  try {
    auto self = shared_from_this();
    if (!m_source) return;
    g_source_set_ready_time(m_source.get(), -1);
    const GIOCondition condition = g_source_query_unix_fd(m_source.get(), m_fdTag);
    if (condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) ReadAvailable();
    // A peer that calls without pause still leaves the loop a turn now and then.
    const gint64 lingerEnd = g_get_monotonic_time() + gint64{m_options.lingerMicros} * kLingerRounds;
    for (;;) {
      bool served = false;
      while (ProcessOneFrame()) served = true;
      if (!served || m_options.lingerMicros <= 0 || !m_source || g_get_monotonic_time() >= lingerEnd ||
          !SpinForInput(m_options.lingerMicros))
        break;
    }
    FlushReleases();
  } catch (const std::exception& error) {
    g_log("halbrin", G_LOG_LEVEL_WARNING, "Exception in the call channel: %s", error.what());
  } catch (...) {
    g_log("halbrin", G_LOG_LEVEL_WARNING, "Exception in the call channel");
  }
}

// ---- the public end ---------------------------------------------------------------

CallChannel::CallChannel(int fd, CallChannelOptions options)
    : m_core(std::make_shared<Core>(fd, std::move(options))) {}

CallChannel::~CallChannel() { m_core->CloseWith({}, false); }

void CallChannel::Attach(GMainContext* context) { m_core->Attach(context); }
void CallChannel::Detach() { m_core->Detach(); }
void CallChannel::SetRootObject(RefPtr<IDispatchObject> object) { m_core->SetRootObject(std::move(object)); }
RefPtr<IDispatchObject> CallChannel::PeerRootObject() { return m_core->PeerRootObject(); }
bool CallChannel::ServePending(int timeoutMs) { return m_core->ServePending(timeoutMs); }
void CallChannel::FlushReleases() { m_core->FlushReleases(); }
bool CallChannel::RevokeObject(const RefCounted& object) { return m_core->Revoke(object); }
void CallChannel::SetOnClosed(std::function<void(const std::string&)> onClosed) {
  m_core->SetOnClosed(std::move(onClosed));
}
void CallChannel::Close() { m_core->CloseWith({}, false); }
bool CallChannel::IsClosed() const noexcept { return m_core->IsClosed(); }
const std::string& CallChannel::CloseReason() const noexcept { return m_core->CloseReason(); }
std::size_t CallChannel::ExportedObjectCount() const noexcept { return m_core->ExportedCount(); }
std::size_t CallChannel::ImportedObjectCount() const noexcept { return m_core->ImportedCount(); }
std::size_t CallChannel::PendingReleaseCount() const noexcept { return m_core->PendingReleases(); }
int CallChannel::CallDepth() const noexcept { return m_core->Depth(); }
std::uint64_t CallChannel::SentCallCount() const noexcept { return m_core->SentCalls(); }

}  // namespace halbrin::platform
