#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/automation/dispatch.h"
#include "platform/automation/remote_dispatch.h"

namespace halbrin::platform {

// How a call waits for its reply.
enum class CallWait {
  // Blocks on the socket alone: only the peer's requests are served meanwhile.
  Socket,
  // Iterates the attached GMainContext, so its other sources run too (the UI
  // side must keep answering while a page sits in a synchronous WebKit call).
  // Without an attached context it waits on the socket.
  MainContext,
};

struct CallChannelOptions {
  // Named in error messages: "The connection to the <peerName> is closed".
  std::string peerName = "peer process";
  // Calls in progress on this side at once (nested through the peer's callbacks).
  int maxCallDepth = 200;
  // Messages larger than this are neither sent nor accepted.
  std::size_t maxMessageBytes = std::size_t{64} << 20;
  CallWait wait = CallWait::Socket;
  // Before a call blocks for its reply (on the socket or in the main
  // context), reads without blocking for up to this long: a peer that answers
  // quickly is met without this side sleeping and being woken.
  int spinMicros = 0;
  // After serving the peer's requests from the main loop, reads without
  // blocking for up to this long before going back to the loop, so a burst of
  // calls from the peer is served without a loop round each. Blocks the loop
  // meanwhile (for ten times this at most, then the loop gets its turn): keep
  // it short on a UI side.
  int lingerMicros = 0;
};

// One end of the synchronous, re-entrant automation channel between two
// processes over a connected Unix stream socket.
//
// A call writes its request and reads until its reply comes; requests of the
// peer that arrive meanwhile are served at once, so calls nest in both
// directions. Between calls, the peer's requests are served from the
// attached GMainContext (or ServePending). Dispatch objects travel by handle:
// this side's objects are entered into a table, the peer's arrive as
// TRemoteDispatch proxies, and an object sent back arrives as itself.
//
// Failures reach callers as automation errors (EOleError through the
// dispatch helpers): the peer's own error information, or
//   RPC_E_SERVER_DIED_DNE "The connection to the <peer> is closed",
//   RPC_E_DISCONNECTED "The remote object has been released",
//   RPC_E_CALL_REJECTED when calls nest deeper than maxCallDepth,
//   RPC_E_INVALID_DATAPACKET for values that cannot be marshalled.
// EOF, a broken pipe or malformed input closes the channel; every call in
// progress and every later one fails at once.
//
// One thread only; the objects it hands out and the proxies it makes belong
// to that thread.
class CallChannel {
 public:
  // Takes over `fd`, a connected Unix stream socket (made non-blocking and
  // close-on-exec). Raises EOSError for a descriptor that cannot be used.
  explicit CallChannel(int fd, CallChannelOptions options = {});
  // Closes the connection (without OnClosed); the peer's proxies here fail
  // from then on and the objects handed to the peer are released.
  ~CallChannel();
  CallChannel(const CallChannel&) = delete;
  CallChannel& operator=(const CallChannel&) = delete;

  // Serves the peer's requests from `context` (null: the thread's default
  // context) while no call is in progress; also sends releases lazily.
  void Attach(GMainContext* context = nullptr);
  void Detach();

  // The object the peer receives from its PeerRootObject().
  void SetRootObject(RefPtr<IDispatchObject> object);
  // Asks the peer for its root object: a proxy, or null when it has none.
  // Raises EOleError when the call fails.
  RefPtr<IDispatchObject> PeerRootObject();

  // Reads and serves what the peer sent, waiting up to timeoutMs (-1: until
  // something arrives) for the first message. For use without a main loop.
  // Returns whether anything was handled.
  bool ServePending(int timeoutMs = 0);
  // Sends the releases of dead proxies now instead of with the next message.
  void FlushReleases();

  // Drops this side's object from the table whatever the peer still holds:
  // the peer's calls on it fail with "The remote object has been released".
  // False when the peer was never given it (or it is already released).
  bool RevokeObject(const RefCounted& object);

  // Called once when the channel closes other than by Close() or destruction
  // (the peer closed or died, a broken message), with the reason. It may run
  // inside a failing call and may destroy the channel.
  void SetOnClosed(std::function<void(const std::string& reason)> onClosed);
  // Closes the connection; calls fail from then on. OnClosed is not called.
  void Close();
  bool IsClosed() const noexcept;
  // Why the channel closed; empty while open or after Close().
  const std::string& CloseReason() const noexcept;

  // This side's objects the peer holds, and the peer's objects proxied here.
  std::size_t ExportedObjectCount() const noexcept;
  std::size_t ImportedObjectCount() const noexcept;
  std::size_t PendingReleaseCount() const noexcept;
  // Calls of this side in progress.
  int CallDepth() const noexcept;
  // Invoke and GetIDsOfNames requests this side has sent so far; replies,
  // releases and the root request do not count.
  std::uint64_t SentCallCount() const noexcept;
  // Calls of any channel that the calling thread waits on now; work that must
  // not run inside such a wait (queued script events) checks it.
  static int WaitingCallsOnThisThread() noexcept;

 private:
  class Core;
  std::shared_ptr<Core> m_core;
};

}  // namespace halbrin::platform
