#include "core/app/single_instance.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <poll.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

namespace halbrin {

using platform::Format;
using platform::UniqueFd;

namespace {

// A message larger than this is not a command line: the connection is dropped.
constexpr std::uint32_t kMaxMessage = 1u << 20;
// The byte a serving instance answers a message it took with.
constexpr char kAcknowledge = '\x06';

void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool GetU32(std::string_view& in, std::uint32_t& value) {
  if (in.size() < 4) return false;
  value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t(static_cast<unsigned char>(in[i])) << (8 * i);
  in.remove_prefix(4);
  return true;
}

void PutString(std::string& out, const std::string& text) {
  PutU32(out, static_cast<std::uint32_t>(text.size()));
  out += text;
}

bool GetString(std::string_view& in, std::string& text) {
  std::uint32_t size = 0;
  if (!GetU32(in, size) || in.size() < size) return false;
  text.assign(in.substr(0, size));
  in.remove_prefix(size);
  return true;
}

void EnsurePrivateFolder(const std::string& path) {
  if (g_mkdir_with_parents(path.c_str(), 0700) != 0)
    throw EInstanceError(Format("Cannot create folder \"%s\": %s", {path, std::strerror(errno)}));
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
    throw EInstanceError(Format("Folder \"%s\" does not belong to this user", {path}));
  if ((info.st_mode & 0077) != 0 && chmod(path.c_str(), 0700) != 0)
    throw EInstanceError(Format("Cannot protect folder \"%s\": %s", {path, std::strerror(errno)}));
}

sockaddr_un SocketAddress(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    throw EInstanceError(Format("Socket path \"%s\" is too long", {path}));
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Waits for the answer to a message: true for the acknowledgement, false when
// the instance closed the connection without one, nullopt without an answer.
std::optional<bool> AwaitAcknowledgement(int fd, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd watch{fd, POLLIN, 0};
    const int ready = poll(&watch, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char answer = 0;
    const ssize_t n = recv(fd, &answer, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    return n == 1 && answer == kAcknowledge;
  }
}

// Connects to the socket of `id`, retrying while nobody listens yet.
UniqueFd Connect(const std::string& id, int retryMs) {
  const std::string path = InstanceFolder() + id + ".sock";
  const sockaddr_un address = SocketAddress(path);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(retryMs);
  for (;;) {
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (fd.Get() < 0) return UniqueFd();
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return UniqueFd(fd.Release());
    if (std::chrono::steady_clock::now() >= deadline) return UniqueFd();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

std::string InstanceMessage::Encode() const {
  std::string body;
  body.push_back(static_cast<char>(kind));
  PutString(body, folder);
  PutU32(body, static_cast<std::uint32_t>(args.size()));
  for (const std::string& arg : args) PutString(body, arg);
  std::string out;
  PutU32(out, static_cast<std::uint32_t>(body.size()));
  return out + body;
}

std::optional<InstanceMessage> InstanceMessage::Decode(std::string_view body) {
  if (body.empty()) return std::nullopt;
  InstanceMessage message;
  const auto kind = static_cast<std::uint8_t>(body[0]);
  if (kind > static_cast<std::uint8_t>(Kind::StateQuery)) return std::nullopt;
  message.kind = static_cast<Kind>(kind);
  body.remove_prefix(1);
  std::uint32_t count = 0;
  if (!GetString(body, message.folder) || !GetU32(body, count) || count > body.size() / 4) return std::nullopt;
  message.args.resize(count);
  for (std::string& arg : message.args)
    if (!GetString(body, arg)) return std::nullopt;
  if (!body.empty()) return std::nullopt;
  return message;
}

std::string InstanceFolder() {
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  std::string base;
  if (runtime && *runtime) {
    base = runtime;
  } else {
    const char* tmp = g_getenv("TMPDIR");
    base = std::string(tmp && *tmp ? tmp : "/tmp") + "/halbrin-" + std::to_string(geteuid());
    EnsurePrivateFolder(base);
  }
  if (base.back() != '/') base += '/';
  std::string folder = base + "Zebrin/HalbrinLite/";
  EnsurePrivateFolder(folder);
  return folder;
}

struct InstanceServer::Connection {
  int fd = -1;
  unsigned source = 0;
  unsigned timer = 0;
  std::chrono::steady_clock::time_point deadline;
  std::string buffer;
  InstanceServer* server = nullptr;
};

std::unique_ptr<InstanceServer> InstanceServer::TryStart(const std::string& id, std::chrono::milliseconds messageTimeout) {
  const std::string folder = InstanceFolder();
  const std::string lockPath = folder + id + ".lock";
  const std::string socketPath = folder + id + ".sock";

  UniqueFd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.Get() < 0) throw EInstanceError(Format("Cannot open \"%s\": %s", {lockPath, std::strerror(errno)}));
  if (flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return nullptr;
    throw EInstanceError(Format("Cannot lock \"%s\": %s", {lockPath, std::strerror(errno)}));
  }

  // We hold the lock, so a socket file left here belongs to a dead instance.
  unlink(socketPath.c_str());
  const sockaddr_un address = SocketAddress(socketPath);
  UniqueFd listener(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (listener.Get() < 0 ||
      bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.Get(), 64) != 0)
    throw EInstanceError(Format("Cannot listen on \"%s\": %s", {socketPath, std::strerror(errno)}));
  return std::unique_ptr<InstanceServer>(
      new InstanceServer(lock.Release(), listener.Release(), lockPath, socketPath, messageTimeout));
}

InstanceServer::InstanceServer(int lockFd, int listenFd, std::string lockPath, std::string socketPath,
                               std::chrono::milliseconds messageTimeout)
    : m_lockFd(lockFd),
      m_listenFd(listenFd),
      m_lockPath(std::move(lockPath)),
      m_socketPath(std::move(socketPath)),
      m_messageTimeout(messageTimeout) {}

InstanceServer::~InstanceServer() {
  if (!Stopped()) Stop();
}

std::vector<InstanceMessage> InstanceServer::Stop() {
  std::vector<InstanceMessage> unhandled;
  if (Stopped()) return unhandled;
  if (m_acceptSource) g_source_remove(m_acceptSource);
  m_acceptSource = 0;
  // Gone first: a later start that finds no socket waits for the lock instead.
  unlink(m_socketPath.c_str());
  Accept();  // whoever connected before the unlink
  close(m_listenFd);
  m_listenFd = -1;
  while (!m_connections.empty()) {
    Connection& connection = *m_connections.front();
    std::optional<InstanceMessage> message;
    while (!Receive(connection, message)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(connection.deadline -
                                                                               std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd watch{connection.fd, POLLIN, 0};
      if (poll(&watch, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    }
    if (message && message->kind == InstanceMessage::Kind::StateQuery)
      AnswerState(connection, *message);
    else if (message)
      unhandled.push_back(std::move(*message));
    // Closed unacknowledged: a sender still waiting starts as the first instance.
    Drop(connection);
  }
  // The lock file stays: removing it would race with a new instance taking it.
  close(m_lockFd);
  m_lockFd = -1;
  return unhandled;
}

void InstanceServer::Serve(Handler onMessage, StateHandler onState) {
  m_onMessage = std::move(onMessage);
  m_onState = std::move(onState);
  if (!m_acceptSource)
    m_acceptSource = g_unix_fd_add(m_listenFd, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(&InstanceServer::OnAcceptReady), this);
}

int InstanceServer::OnAcceptReady(int, unsigned, void* self) {
  static_cast<InstanceServer*>(self)->Accept();
  return G_SOURCE_CONTINUE;
}

void InstanceServer::Accept() {
  for (;;) {
    int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;  // EAGAIN: nothing more waiting
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    connection->server = this;
    connection->deadline = std::chrono::steady_clock::now() + m_messageTimeout;
    connection->timer = g_timeout_add(
        static_cast<guint>(m_messageTimeout.count()),
        [](gpointer data) -> gboolean {
          auto* c = static_cast<Connection*>(data);
          c->timer = 0;  // this source ends with the return
          c->server->Drop(*c);
          return G_SOURCE_REMOVE;
        },
        connection.get());
    connection->source = g_unix_fd_add(
        fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](int, GIOCondition, gpointer data) -> gboolean {
          auto* c = static_cast<Connection*>(data);
          c->server->ReadFrom(*c);  // may destroy c
          return G_SOURCE_CONTINUE;
        },
        connection.get());
    m_connections.push_back(std::move(connection));
  }
}

void InstanceServer::ReadFrom(Connection& connection) {
  std::optional<InstanceMessage> message;
  if (!Receive(connection, message)) return;  // more to come
  if (message && message->kind == InstanceMessage::Kind::StateQuery) {
    AnswerState(connection, *message);
    return Drop(connection);
  }
  if (message) WriteAll(connection.fd, std::string_view(&kAcknowledge, 1));
  Handler handler = m_onMessage;
  Drop(connection);
  if (message && handler) handler(*message);
}

bool InstanceServer::Receive(Connection& connection, std::optional<InstanceMessage>& message) {
  char chunk[4096];
  bool ended = false;
  for (;;) {
    const ssize_t n = recv(connection.fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
      connection.buffer.append(chunk, static_cast<std::size_t>(n));
      if (connection.buffer.size() > kMaxMessage + 4) return true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    ended = !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));  // end of stream or error
    break;
  }
  std::string_view data = connection.buffer;
  std::uint32_t size = 0;
  if (!GetU32(data, size)) return ended;
  if (size > kMaxMessage) return true;
  if (data.size() < size) return ended;  // wait for the rest unless the sender has gone
  message = InstanceMessage::Decode(data.substr(0, size));
  return true;
}

void InstanceServer::AnswerState(Connection& connection, const InstanceMessage& query) {
  std::string reply;
  PutU32(reply, static_cast<std::uint32_t>(m_onState ? m_onState(query.folder) : -1));
  WriteAll(connection.fd, reply);
}

void InstanceServer::Drop(Connection& connection) {
  if (connection.source) g_source_remove(connection.source);
  if (connection.timer) g_source_remove(connection.timer);
  close(connection.fd);
  std::erase_if(m_connections, [&](const auto& c) { return c.get() == &connection; });
}

InstanceStart StartOrHandOver(const std::string& id, const InstanceMessage& message,
                              std::chrono::milliseconds retryTimeout, std::chrono::milliseconds ackTimeout) {
  const auto deadline = std::chrono::steady_clock::now() + retryTimeout;
  const std::string wire = message.Encode();
  for (;;) {
    InstanceStart start;
    start.server = InstanceServer::TryStart(id);
    if (start.server) return start;
    UniqueFd fd = Connect(id, 0);
    if (fd.Get() >= 0 && WriteAll(fd.Get(), wire)) {
      // A close without acknowledgement: the instance is ending, and its lock will be free.
      const std::optional<bool> taken = AwaitAcknowledgement(fd.Get(), ackTimeout);
      if (!taken || *taken) {
        start.handedOver = true;
        return start;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) return start;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool SendToInstance(const std::string& id, const InstanceMessage& message, int retryMs) {
  UniqueFd fd = Connect(id, retryMs);
  return fd.Get() >= 0 && WriteAll(fd.Get(), message.Encode());
}

std::optional<int> QueryInstanceState(const std::string& id, const std::string& folder, int timeoutMs) {
  InstanceMessage query;
  query.kind = InstanceMessage::Kind::StateQuery;
  query.folder = folder;
  UniqueFd fd = Connect(id, 0);
  if (fd.Get() < 0 || !WriteAll(fd.Get(), query.Encode())) return std::nullopt;
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string reply;
  char chunk[8];
  while (reply.size() < 4) {
    ssize_t n = recv(fd.Get(), chunk, sizeof chunk, 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return std::nullopt;
    }
    reply.append(chunk, static_cast<std::size_t>(n));
  }
  std::string_view view = reply;
  std::uint32_t value = 0;
  GetU32(view, value);
  return static_cast<int>(value);
}

}  // namespace halbrin
