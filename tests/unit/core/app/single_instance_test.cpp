#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <vector>
#include <thread>

#include "core/app/single_instance.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

class SingleInstanceTest : public ::testing::Test {
 protected:
  // Runs the default main context until `done` or a generous time-out.
  template <class Done>
  static void RunUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      g_main_context_iteration(nullptr, FALSE);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Under /tmp: the socket goes in here, and its path must stay short.
  testing::TempFolder m_temp{"halbrin-si", "/tmp"};
  testing::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_temp.Path().string()};
};

const char* const kId = "{0123ABCD-0000-1111-2222-333344445555}";

TEST(InstanceMessage, EncodeDecodeRoundTrip) {
  InstanceMessage message;
  message.kind = InstanceMessage::Kind::HandOver;
  message.folder = "/home/user/My Project/";
  message.args = {"/opt/halbrin/halbrinlite", "use:/home/user/My Project", "file:/tmp/a b,c.txt", "", "ünïcode"};
  std::string wire = message.Encode();
  ASSERT_GT(wire.size(), 4u);
  auto decoded = InstanceMessage::Decode(std::string_view(wire).substr(4));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->kind, message.kind);
  EXPECT_EQ(decoded->folder, message.folder);
  EXPECT_EQ(decoded->args, message.args);
}

TEST(InstanceMessage, DamagedBodiesAreRejected) {
  InstanceMessage message;
  message.folder = "f";
  message.args = {"a", "b"};
  const std::string body = message.Encode().substr(4);
  const std::string cases[] = {
      "",                          // nothing
      std::string("\x07", 1),      // unknown kind
      body.substr(0, body.size() - 1),  // cut short
      body + "x",                  // trailing bytes
      std::string("\x01\xFF\xFF\xFF\xFF", 5),  // a folder longer than the message
  };
  for (const std::string& damaged : cases) EXPECT_FALSE(InstanceMessage::Decode(damaged)) << damaged.size();
}

TEST_F(SingleInstanceTest, SecondStartOfTheSameIdFindsTheLockTaken) {
  auto first = InstanceServer::TryStart(kId);
  ASSERT_TRUE(first);
  EXPECT_FALSE(InstanceServer::TryStart(kId));
  EXPECT_TRUE(InstanceServer::TryStart("{OTHER}"));  // another project runs side by side
  first.reset();
  EXPECT_TRUE(InstanceServer::TryStart(kId));  // released with its holder
}

TEST_F(SingleInstanceTest, FolderIsPrivate) {
  std::string folder = InstanceFolder();
  EXPECT_EQ(folder, m_temp.Path("Zebrin/HalbrinLite/"));
  auto perms = fs::status(folder).permissions();
  EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

TEST_F(SingleInstanceTest, MessagesArriveIntactAndInOrder) {
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  std::vector<InstanceMessage> received;
  server->Serve([&](const InstanceMessage& m) { received.push_back(m); }, nullptr);

  // Three quick later starts, sent before the loop has run at all.
  for (int i = 0; i < 3; ++i) {
    InstanceMessage m;
    m.folder = "/p/";
    m.args = {"prog", "file:/tmp/doc " + std::to_string(i) + ", copy.txt"};
    ASSERT_TRUE(SendToInstance(kId, m));
  }
  RunUntil([&] { return received.size() == 3; });
  ASSERT_EQ(received.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(received[i].args[1], "file:/tmp/doc " + std::to_string(i) + ", copy.txt");
}

TEST_F(SingleInstanceTest, SenderRetriesUntilTheFirstInstanceListens) {
  auto sent = std::async(std::launch::async, [] {
    InstanceMessage m;
    m.kind = InstanceMessage::Kind::Activate;
    return SendToInstance(kId, m, 5000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  bool got = false;
  server->Serve([&](const InstanceMessage& m) { got = m.kind == InstanceMessage::Kind::Activate; }, nullptr);
  RunUntil([&] { return got; });
  EXPECT_TRUE(sent.get());
  EXPECT_TRUE(got);
}

TEST_F(SingleInstanceTest, NoInstanceMeansNoDelivery) {
  InstanceMessage m;
  EXPECT_FALSE(SendToInstance(kId, m, 100));
  EXPECT_FALSE(QueryInstanceState(kId, "/p/", 100));
}

TEST_F(SingleInstanceTest, StateQueryIsAnswered) {
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  std::string askedFor;
  server->Serve(nullptr, [&](const std::string& folder) {
    askedFor = folder;
    return 4;
  });
  auto answer = std::async(std::launch::async, [] { return QueryInstanceState(kId, "/p/", 5000); });
  RunUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  auto state = answer.get();
  ASSERT_TRUE(state);
  EXPECT_EQ(*state, 4);
  EXPECT_EQ(askedFor, "/p/");
}

TEST_F(SingleInstanceTest, GarbageOnTheSocketIsDroppedAndServingGoesOn) {
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  int messages = 0;
  server->Serve([&](const InstanceMessage&) { ++messages; }, nullptr);

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, server->SocketPath().c_str(), sizeof address.sun_path - 1);
  for (const std::string& junk : {std::string("\xFF\xFF\xFF\x7F", 4), std::string("\x03\x00\x00\x00\x09zz", 7),
                                  std::string("ab")}) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(write(fd, junk.data(), junk.size()), static_cast<ssize_t>(junk.size()));
    close(fd);
  }
  InstanceMessage good;
  ASSERT_TRUE(SendToInstance(kId, good));
  RunUntil([&] { return messages == 1; });
  EXPECT_EQ(messages, 1);
}

// A raw client of a server's socket: what a later start, or a stranger, does.
class RawClient {
 public:
  explicit RawClient(const std::string& path) : m_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    m_connected = connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { close(m_fd); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connected() const { return m_connected; }
  void Send(const std::string& bytes) const {
    ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the server answered without waiting: nullopt while it has said nothing
  // (and kept the connection), "" once it closed it, else the bytes.
  std::optional<std::string> Answer() const {
    char buffer[16];
    const ssize_t n = recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
  }

 private:
  int m_fd;
  bool m_connected = false;
};

InstanceMessage HandOverOf(const std::string& file) {
  InstanceMessage message;
  message.folder = "/p/";
  message.args = {"prog", "file:" + file};
  return message;
}

TEST_F(SingleInstanceTest, ATakenMessageIsAcknowledged) {
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  int messages = 0;
  server->Serve([&](const InstanceMessage&) { ++messages; }, nullptr);
  RawClient client(server->SocketPath());
  ASSERT_TRUE(client.Connected());
  client.Send(HandOverOf("/tmp/a").Encode());
  RunUntil([&] { return messages == 1; });
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(client.Answer(), std::optional<std::string>("\x06"));
}

TEST_F(SingleInstanceTest, AConnectionThatNeverFinishesItsMessageIsClosed) {
  auto server = InstanceServer::TryStart(kId, std::chrono::milliseconds(100));
  ASSERT_TRUE(server);
  std::vector<std::string> received;
  server->Serve([&](const InstanceMessage& m) { received.push_back(m.args.at(1)); }, nullptr);
  const std::string whole = HandOverOf("/tmp/stalled").Encode();
  const std::string parts[] = {whole.substr(0, 2), whole.substr(0, whole.size() - 1)};  // in the length; in the body
  for (const std::string& part : parts) {
    RawClient stalled(server->SocketPath());
    ASSERT_TRUE(stalled.Connected());
    stalled.Send(part);
    RunUntil([&] { return stalled.Answer().has_value(); });
    EXPECT_EQ(stalled.Answer(), std::optional<std::string>("")) << part.size() << " bytes: closed, unanswered";
  }
  ASSERT_TRUE(SendToInstance(kId, HandOverOf("/tmp/next")));
  RunUntil([&] { return !received.empty(); });
  EXPECT_EQ(received, std::vector<std::string>{"file:/tmp/next"}) << "serving goes on";
}

TEST_F(SingleInstanceTest, StopHandsBackWhatWaitedAndFreesTheProjectForTheNextStart) {
  auto server = InstanceServer::TryStart(kId);
  ASSERT_TRUE(server);
  int handled = 0;
  server->Serve([&](const InstanceMessage&) { ++handled; }, nullptr);
  // Connected and sent while the loop did not run: nobody read it yet.
  RawClient waiting(server->SocketPath());
  ASSERT_TRUE(waiting.Connected());
  waiting.Send(HandOverOf("/tmp/late").Encode());

  const std::vector<InstanceMessage> unhandled = server->Stop();
  ASSERT_EQ(unhandled.size(), 1u);
  EXPECT_EQ(unhandled[0].args.at(1), "file:/tmp/late");
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(waiting.Answer(), std::optional<std::string>("")) << "closed without acknowledgement";
  EXPECT_TRUE(server->Stopped());
  EXPECT_FALSE(fs::exists(server->SocketPath()));
  EXPECT_FALSE(SendToInstance(kId, HandOverOf("/tmp/after"), 0)) << "nobody listens any more";

  // The next start takes the project; the stopped server leaves its socket alone.
  auto next = InstanceServer::TryStart(kId);
  ASSERT_TRUE(next);
  EXPECT_TRUE(server->Stop().empty());
  server.reset();
  EXPECT_TRUE(fs::exists(next->SocketPath()));
}

TEST_F(SingleInstanceTest, StartOrHandOverBecomesTheFirstInstanceOrHandsOver) {
  {
    InstanceStart alone = StartOrHandOver(kId, HandOverOf("/tmp/a"));
    EXPECT_TRUE(alone.server) << "nobody runs the project";
    EXPECT_FALSE(alone.handedOver);
  }
  auto running = InstanceServer::TryStart(kId);
  ASSERT_TRUE(running);
  std::vector<std::string> received;
  running->Serve([&](const InstanceMessage& m) { received.push_back(m.args.at(1)); }, nullptr);
  auto later = std::async(std::launch::async, [] { return StartOrHandOver(kId, HandOverOf("/tmp/b")); });
  RunUntil([&] { return later.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; });
  const InstanceStart handed = later.get();
  EXPECT_FALSE(handed.server);
  EXPECT_TRUE(handed.handedOver);
  EXPECT_EQ(received, std::vector<std::string>{"file:/tmp/b"});
}

TEST_F(SingleInstanceTest, AStartWhileTheInstanceEndsBecomesTheFirstInstance) {
  auto ending = InstanceServer::TryStart(kId);
  ASSERT_TRUE(ending);
  // The instance is busy (its loop does not run), then ends.
  auto later = std::async(std::launch::async, [] { return StartOrHandOver(kId, HandOverOf("/tmp/c")); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // lets the later start connect first
  ending->Stop();
  const InstanceStart start = later.get();
  EXPECT_TRUE(start.server) << "it took the lock the ending instance let go";
  EXPECT_FALSE(start.handedOver);
}

TEST_F(SingleInstanceTest, ABusyInstanceKeepsTheMessageQueued) {
  auto busy = InstanceServer::TryStart(kId);
  ASSERT_TRUE(busy);
  // No loop runs: no acknowledgement comes, and the message waits in the socket.
  const InstanceStart start = StartOrHandOver(kId, HandOverOf("/tmp/d"), std::chrono::seconds(10),
                                              std::chrono::milliseconds(100));
  EXPECT_FALSE(start.server);
  EXPECT_TRUE(start.handedOver);
  std::vector<std::string> received;
  busy->Serve([&](const InstanceMessage& m) { received.push_back(m.args.at(1)); }, nullptr);
  RunUntil([&] { return !received.empty(); });
  EXPECT_EQ(received, std::vector<std::string>{"file:/tmp/d"});
}

}  // namespace
}  // namespace halbrin
