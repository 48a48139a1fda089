#pragma once

#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/automation/call_channel.h"
#include "web/browser/page_gate.h"

namespace halbrin {

// Where page processes reach the client: a Unix socket in a fresh 0700 folder
// under $XDG_RUNTIME_DIR (the temporary folder without it) and a random token.
// A connection counts only once its first bytes are the token; it then becomes
// a call channel whose root object is a gate of its own. Connections are
// served from the thread's default main context; a channel whose page process
// ends is dropped. Main thread only.
class PageServer {
 public:
  // Page processes connected at once by default; WebKit starts one per view at most.
  static constexpr std::size_t kDefaultMaxConnections = 32;

  // Raises EOSError when the folder or socket cannot be made. Connections
  // beyond maxConnections are closed at once.
  explicit PageServer(IPageClient& client, std::size_t maxConnections = kDefaultMaxConnections);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  const std::string& SocketPath() const noexcept { return m_socketPath; }
  const std::string& Token() const noexcept { return m_token; }
  // Page processes connected now.
  std::size_t ConnectionCount() const noexcept { return m_connections.size(); }
  // Invoke and GetIDsOfNames requests sent to the page processes connected now.
  std::uint64_t SentCallCount() const noexcept;

 private:
  struct Connection {
    std::unique_ptr<platform::CallChannel> channel;
    platform::RefPtr<TPageGate> gate;
  };

  static gboolean OnIncoming(int fd, GIOCondition condition, gpointer self);
  void Accept();
  void DropLater(platform::CallChannel* channel);

  IPageClient& m_client;
  std::size_t m_maxConnections;
  std::string m_folder;
  std::string m_socketPath;
  std::string m_token;
  int m_listener = -1;
  guint m_source = 0;
  std::vector<std::unique_ptr<Connection>> m_connections;
  std::vector<platform::CallChannel*> m_closed;
  guint m_dropSource = 0;
};

}  // namespace halbrin
