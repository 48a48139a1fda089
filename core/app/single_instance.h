#pragma once

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

// One instance per project id: a lock file held for the life of the process
// and a Unix socket on which later starts reach the first one.
class InstanceServer {
 public:
  using Handler = std::function<void(const InstanceMessage&)>;
  using StateHandler = std::function<int(const std::string& folder)>;

  // Takes the lock of `id`; nullptr when another process holds it. On success
  // the socket is bound and listening before this returns, so no later start is
  // lost, even while this process is still starting.
  static std::unique_ptr<InstanceServer> TryStart(const std::string& id);
  ~InstanceServer();
  InstanceServer(const InstanceServer&) = delete;
  InstanceServer& operator=(const InstanceServer&) = delete;

  // Messages are read on the GLib main loop; each complete message is handed to
  // `onMessage`, state queries are answered with `onState`.
  void Serve(Handler onMessage, StateHandler onState);
  const std::string& SocketPath() const noexcept { return m_socketPath; }

 private:
  struct Connection;
  InstanceServer(int lockFd, int listenFd, std::string lockPath, std::string socketPath);
  static int OnAcceptReady(int fd, unsigned condition, void* self);
  void Accept();
  void ReadFrom(Connection& connection);
  void Drop(Connection& connection);

  int m_lockFd;
  int m_listenFd;
  std::string m_lockPath;
  std::string m_socketPath;
  unsigned m_acceptSource = 0;
  Handler m_onMessage;
  StateHandler m_onState;
  std::vector<std::unique_ptr<Connection>> m_connections;
};

// Sends a message to the instance that holds `id`, retrying the connection for
// up to `retryMs` (the first instance may still be binding its socket). Returns
// false when no instance answered.
bool SendToInstance(const std::string& id, const InstanceMessage& message, int retryMs = 2000);
// Asks the instance of `id` for its project state; nullopt without an answer.
std::optional<int> QueryInstanceState(const std::string& id, const std::string& folder, int timeoutMs = 2000);

}  // namespace halbrin
