#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/exception.h"

namespace halbrin {

HALBRIN_EXCEPTION(EInstanceError, platform::Exception);

// What a later start of the same project tells the running instance.
struct InstanceMessage {
  enum class Kind : std::uint8_t {
    Activate = 0,    // bring the project to the front
    HandOver = 1,    // bring it to the front and apply the sender's command line
    StateQuery = 2,  // answer the project's state for `folder`'s id
  };
  Kind kind = Kind::HandOver;
  std::string folder;              // the sender's project folder text
  std::vector<std::string> args;   // the sender's arguments, program path first

  std::string Encode() const;
  // Reads one message body (without its length prefix); nullopt when damaged.
  static std::optional<InstanceMessage> Decode(std::string_view body);
};

// The folder for lock files and sockets: $XDG_RUNTIME_DIR/Zebrin/HalbrinLite/
// (or a folder of this user's under the temporary folder), made with mode 0700.
// Raises EInstanceError when it cannot be made or belongs to someone else.
std::string InstanceFolder();

// How long a later start may take to send its whole message.
inline constexpr std::chrono::milliseconds kInstanceMessageTimeout{5000};

// One instance per project id: a lock file held until the instance stops and
// a Unix socket on which later starts reach the first one.
class InstanceServer {
 public:
  using Handler = std::function<void(const InstanceMessage&)>;
  using StateHandler = std::function<int(const std::string& folder)>;

  // Takes the lock of `id`; nullptr when another process holds it. On success
  // the socket is bound and listening before this returns, so no later start is
  // lost, even while this process is still starting. A connection whose
  // message is not complete `messageTimeout` after it was accepted is closed.
  static std::unique_ptr<InstanceServer> TryStart(const std::string& id,
                                                  std::chrono::milliseconds messageTimeout = kInstanceMessageTimeout);
  // Stops first when Stop was not called.
  ~InstanceServer();
  InstanceServer(const InstanceServer&) = delete;
  InstanceServer& operator=(const InstanceServer&) = delete;

  // Messages are read on the GLib main loop; each complete message is
  // acknowledged to its sender and handed to `onMessage`, state queries are
  // answered with `onState`.
  void Serve(Handler onMessage, StateHandler onState);
  // Ends the instance before the process shuts down, so a later start from
  // here on becomes a first instance: the socket goes (a later start finds
  // none and waits for the lock), the connections already made are read to
  // their end (each within its time-out) and closed without acknowledgement,
  // and the lock is released. Returns the messages read here, which nobody
  // handled (state queries are still answered). Later calls return nothing.
  std::vector<InstanceMessage> Stop();
  bool Stopped() const noexcept { return m_lockFd < 0; }
  const std::string& SocketPath() const noexcept { return m_socketPath; }

 private:
  struct Connection;
  InstanceServer(int lockFd, int listenFd, std::string lockPath, std::string socketPath,
                 std::chrono::milliseconds messageTimeout);
  static int OnAcceptReady(int fd, unsigned condition, void* self);
  void Accept();
  void ReadFrom(Connection& connection);
  // Reads what has arrived; true once the connection is done with, with its
  // message when a whole one came.
  bool Receive(Connection& connection, std::optional<InstanceMessage>& message);
  void AnswerState(Connection& connection, const InstanceMessage& query);
  void Drop(Connection& connection);

  int m_lockFd;
  int m_listenFd;
  std::string m_lockPath;
  std::string m_socketPath;
  std::chrono::milliseconds m_messageTimeout;
  unsigned m_acceptSource = 0;
  Handler m_onMessage;
  StateHandler m_onState;
  std::vector<std::unique_ptr<Connection>> m_connections;
};

// What a start of `id` became: the first instance (`server`), or a later
// start whose message the running instance took (`handedOver`); neither when
// no instance could be reached or started in time.
struct InstanceStart {
  std::unique_ptr<InstanceServer> server;
  bool handedOver = false;
};

// Becomes the instance of `id`, or hands `message` to the one that runs. An
// instance that is still binding its socket is waited for, and so is one that
// is ending (its socket gone, or its answer a close without acknowledgement):
// once it has released the lock, this process takes it. An instance that does
// not acknowledge within `ackTimeout` is busy, and keeps the message queued.
// Tries for up to `retryTimeout` in all.
InstanceStart StartOrHandOver(const std::string& id, const InstanceMessage& message,
                              std::chrono::milliseconds retryTimeout = std::chrono::seconds(10),
                              std::chrono::milliseconds ackTimeout = std::chrono::seconds(1));

// Sends a message to the instance that holds `id`, retrying the connection for
// up to `retryMs` (the first instance may still be binding its socket), and
// does not wait for its acknowledgement. Returns false when no instance answered.
bool SendToInstance(const std::string& id, const InstanceMessage& message, int retryMs = 2000);
// Asks the instance of `id` for its project state; nullopt without an answer.
std::optional<int> QueryInstanceState(const std::string& id, const std::string& folder, int timeoutMs = 2000);

}  // namespace halbrin
