#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
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

}  // namespace
}  // namespace halbrin
