#include "web/browser/page_server.h"

#include <glib-unix.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/base/exception.h"
#include "web/pages/page_protocol.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// How long a new connection may take to send its token.
constexpr int kTokenWaitMs = 2000;
// A call into a page reads without blocking this long before it waits in the
// loop; after serving a page's calls the loop stays on the socket this long,
// so a script calling in a loop is served without a loop round a call. Short
// enough not to be seen in the UI (bench_web).
constexpr int kSpinMicros = 100;
constexpr int kLingerMicros = 100;

std::string RandomToken() {
  unsigned char bytes[pages::kTokenLength / 2];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    throw EOSError(errno, "cannot read random bytes for the page token");
  static constexpr char kHex[] = "0123456789abcdef";
  std::string token;
  for (unsigned char byte : bytes) {
    token += kHex[byte >> 4];
    token += kHex[byte & 15];
  }
  return token;
}

std::string MakePrivateFolder() {
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  std::string base = runtime && *runtime ? runtime : g_get_tmp_dir();
  if (base.back() != '/') base += '/';
  std::string folder = base + "halbrinlite-pages-XXXXXX";
  // mkdtemp makes it 0700.
  if (!mkdtemp(folder.data())) throw EOSError(errno, "cannot make a folder for the page socket under " + base);
  return folder + "/";
}

// Reads exactly the token's length within the wait; false for anything else.
bool ReadToken(int fd, const std::string& token) {
  std::string got(token.size(), '\0');
  std::size_t have = 0;
  while (have < got.size()) {
    pollfd poller{fd, POLLIN, 0};
    if (poll(&poller, 1, kTokenWaitMs) <= 0) return false;
    const ssize_t n = recv(fd, got.data() + have, got.size() - have, 0);
    if (n <= 0) return false;
    have += static_cast<std::size_t>(n);
  }
  // Compared in full whatever differs first.
  unsigned char diff = 0;
  for (std::size_t i = 0; i < got.size(); ++i) diff |= static_cast<unsigned char>(got[i] ^ token[i]);
  return diff == 0;
}

}  // namespace

PageServer::PageServer(IPageClient& client, std::size_t maxConnections)
    : m_client(client), m_maxConnections(maxConnections), m_token(RandomToken()) {
  m_folder = MakePrivateFolder();
  m_socketPath = m_folder + "s";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (m_socketPath.size() >= sizeof address.sun_path) {
    rmdir(m_folder.c_str());
    throw EOSError(ENAMETOOLONG, "the page socket path is too long: " + m_socketPath);
  }
  std::memcpy(address.sun_path, m_socketPath.c_str(), m_socketPath.size() + 1);
  m_listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(m_listener, 16) != 0) {
    const int error = errno;
    if (m_listener >= 0) close(m_listener);
    unlink(m_socketPath.c_str());
    rmdir(m_folder.c_str());
    throw EOSError(error, "cannot listen for page processes on " + m_socketPath);
  }
  m_source = g_unix_fd_add(m_listener, G_IO_IN, &PageServer::OnIncoming, this);
}

PageServer::~PageServer() {
  g_source_remove(m_source);
  if (m_dropSource) g_source_remove(m_dropSource);
  close(m_listener);
  unlink(m_socketPath.c_str());
  rmdir(m_folder.c_str());
  m_connections.clear();
}

std::uint64_t PageServer::SentCallCount() const noexcept {
  std::uint64_t count = 0;
  for (const auto& connection : m_connections) count += connection->channel->SentCallCount();
  return count;
}

gboolean PageServer::OnIncoming(int, GIOCondition, gpointer self) {
  static_cast<PageServer*>(self)->Accept();
  return G_SOURCE_CONTINUE;
}

void PageServer::Accept() {
  const int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  // Each connection may come to hold a message's worth of memory.
  if (m_connections.size() >= m_maxConnections) {
    g_warning("page server: a connection was refused: %zu page processes are connected already",
              m_connections.size());
    close(fd);
    return;
  }
  if (!ReadToken(fd, m_token)) {
    g_warning("page server: a connection without the token was refused");
    close(fd);
    return;
  }
  try {
    CallChannelOptions options;
    options.peerName = "page process";
    options.wait = CallWait::MainContext;
    options.spinMicros = kSpinMicros;
    options.lingerMicros = kLingerMicros;
    auto connection = std::make_unique<Connection>();
    connection->channel = std::make_unique<CallChannel>(fd, options);
    connection->gate = MakeRef<TPageGate>(m_client, *connection->channel);
    connection->channel->SetRootObject(connection->gate);
    CallChannel* channel = connection->channel.get();
    channel->SetOnClosed([this, channel](const std::string&) { DropLater(channel); });
    channel->Attach();
    m_connections.push_back(std::move(connection));
  } catch (const Exception& error) {
    g_warning("page server: %s", error.what());
  }
}

void PageServer::DropLater(CallChannel* channel) {
  // The channel may be inside one of its own calls: it goes from the loop.
  m_closed.push_back(channel);
  if (m_dropSource) return;
  m_dropSource = g_idle_add(+[](gpointer self) -> gboolean {
    auto* server = static_cast<PageServer*>(self);
    server->m_dropSource = 0;
    std::vector<CallChannel*> closed = std::move(server->m_closed);
    server->m_closed.clear();
    std::erase_if(server->m_connections, [&](const auto& connection) {
      return std::find(closed.begin(), closed.end(), connection->channel.get()) != closed.end();
    });
    return G_SOURCE_REMOVE;
  }, this);
}

}  // namespace halbrin
