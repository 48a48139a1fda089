// The page server and its gates, with a thread playing the page process.

#include "web/browser/page_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "support/test_support.h"
#include "unit/platform/call_channel_fixture.h"
#include "web/pages/page_protocol.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using channel_testing::PeerThread;
using channel_testing::TScriptObject;

// Grants every URI that starts with "file:///project/".
class FakeClient final : public IPageClient {
 public:
  FakeClient() : external(MakeRef<TScriptObject>("client")) {
    external->AddMethod("echo", [](std::vector<Variant>& args) { return args.at(0); });
  }
  bool Grants(const std::string& uri, const std::string& followed) override {
    const std::string& judged = uri.empty() ? followed : uri;
    return judged.rfind("file:///project/", 0) == 0;
  }
  RefPtr<IDispatchObject> External() override { return external; }
  void DocumentOpened(std::uint64_t pageId, RefPtr<IDispatchObject> document) override {
    documents[pageId] = std::move(document);
  }
  void MainDocumentRefused(std::uint64_t pageId, const std::string& uri) override {
    refused.push_back(std::to_string(pageId) + " " + uri);
  }
  PageOptions Options(std::uint64_t pageId) override { return options[pageId]; }
  bool ScriptError(std::uint64_t pageId, const PageScriptError& error) override {
    errors.push_back(std::to_string(pageId) + " " + error.message + " " + error.url + ":" + std::to_string(error.line) +
                     ":" + std::to_string(error.column));
    return error.message != "stop";
  }
  void DocumentEdited(std::uint64_t pageId) override { ++edits[pageId]; }
  std::optional<std::string> ReadFile(const std::string& uri, const std::string& charset) override {
    if (!Grants(uri, "")) return std::nullopt;
    return "text of " + uri + " in " + charset;
  }
  void ReadRefused(std::uint64_t frameId, const std::string& uri) override {
    readsRefused.push_back(std::to_string(frameId) + " " + uri);
  }

  RefPtr<TScriptObject> external;
  std::map<std::uint64_t, RefPtr<IDispatchObject>> documents;
  std::vector<std::string> refused;
  std::map<std::uint64_t, PageOptions> options;
  std::vector<std::string> errors;
  std::map<std::uint64_t, int> edits;
  std::vector<std::string> readsRefused;
};

int Connect(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("cannot connect to " + path);
  return fd;
}

void Iterate(const std::function<bool()>& done) {
  for (int i = 0; i < 5000 && !done(); ++i)
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
}

class PageServerTest : public ::testing::Test {
 protected:
  testing::TempFolder m_runtime{"halbrin_rt"};
  testing::ScopedEnv m_env{"XDG_RUNTIME_DIR", m_runtime.Path().string()};
  FakeClient m_client;
  PageServer m_server{m_client};
};

TEST_F(PageServerTest, TheSocketLiesInAPrivateFolderUnderTheRuntimeFolder) {
  const std::filesystem::path socket = m_server.SocketPath();
  EXPECT_EQ(socket.parent_path().parent_path(), m_runtime.Path());
  struct stat info {};
  ASSERT_EQ(stat(socket.parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(m_server.Token().size(), pages::kTokenLength);
}

TEST_F(PageServerTest, RefusesAConnectionWithoutTheToken) {
  for (std::string wrong : {std::string(pages::kTokenLength, '0'), std::string("short")}) {
    const int fd = Connect(m_server.SocketPath());
    ASSERT_EQ(send(fd, wrong.data(), wrong.size(), MSG_NOSIGNAL), static_cast<ssize_t>(wrong.size()));
    if (wrong.size() < pages::kTokenLength) shutdown(fd, SHUT_WR);
    char byte;
    ssize_t got = -1;
    Iterate([&] { return (got = recv(fd, &byte, 1, MSG_DONTWAIT)) == 0; });
    EXPECT_EQ(got, 0) << "the server kept a connection that sent " << wrong;
    EXPECT_EQ(m_server.ConnectionCount(), 0u);
    close(fd);
  }
}

// The page side of one connection, on its own thread.
class PageSide {
 public:
  explicit PageSide(const PageServer& server) {
    const int fd = Connect(server.SocketPath());
    const std::string& token = server.Token();
    if (send(fd, token.data(), token.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(token.size()))
      throw std::runtime_error("cannot send the token");
    m_thread.Run([this, fd] {
      m_channel = std::make_unique<CallChannel>(fd);
      m_channel->Attach();  // serves the client's calls into the page between its own
    });
    m_gate = Run([this] { return m_channel->PeerRootObject(); });
  }
  ~PageSide() {
    Run([this] {
      m_gate.Reset();
      m_channel.reset();
      return 0;
    });
  }

  // Runs on the page thread while this thread serves the server.
  template <class F>
  auto Run(F job) -> decltype(job()) {
    return m_thread.Run(std::move(job), g_main_context_default());
  }
  // frameOpened as the extension calls it; the answer stays on the page thread.
  RefPtr<IDispatchObject> Open(std::uint64_t page, std::uint64_t frame, bool main, const std::string& uri,
                               Variant document = {}) {
    return Run([=, this] {
      return InvokeById(*m_gate, pages::kFrameOpenedId, DISPATCH_METHOD,
                        {Variant(static_cast<std::int64_t>(page)), Variant(static_cast<std::int64_t>(frame)),
                         Variant(main), Variant(uri), Variant(""), document})
          .ToDispatch();
    });
  }
  // Any member of the gate, called by name as the extension would by id.
  Variant Ask(const std::string& member, std::vector<Variant> args) {
    return Run([=, this] { return CallMethod(*m_gate, member, args); });
  }
  // external.echo(value) on a grant, or the error's text.
  std::string Echo(RefPtr<IDispatchObject> grant, const std::string& value) {
    return Run([=] {
      try {
        return CallMethod(*grant, "echo", {Variant(value)}).ToText();
      } catch (const EOleError& error) {
        return std::string("error: ") + error.what();
      }
    });
  }

 private:
  PeerThread m_thread;
  std::unique_ptr<CallChannel> m_channel;  // page thread only
  RefPtr<IDispatchObject> m_gate;          // page thread only
};

TEST_F(PageServerTest, GrantsFramesTheClientAllowsAndTakesGrantsBackWithTheirDocument) {
  PageSide page(m_server);
  EXPECT_EQ(m_server.ConnectionCount(), 1u);
  RefPtr<IDispatchObject> main = page.Open(1, 10, true, "file:///project/index.html");
  RefPtr<IDispatchObject> frame = page.Open(1, 11, false, "file:///project/frame.html");
  RefPtr<IDispatchObject> blank = page.Open(1, 12, false, "");
  EXPECT_FALSE(page.Open(1, 13, false, "http://127.0.0.1/"));
  ASSERT_TRUE(main && frame);
  EXPECT_FALSE(blank) << "an empty URI with nothing followed";
  EXPECT_EQ(page.Echo(main, "a"), "a");
  EXPECT_EQ(page.Echo(frame, "b"), "b");

  // The subframe navigates outside: its old grant is refused from now on.
  EXPECT_FALSE(page.Open(1, 11, false, "file:///elsewhere/x.html"));
  EXPECT_EQ(page.Echo(frame, "c"), "error: The remote object has been released");
  EXPECT_EQ(page.Echo(main, "d"), "d");

  // Another page of the process keeps its grant when this one's main frame moves on.
  RefPtr<IDispatchObject> other = page.Open(2, 20, true, "file:///project/other.html");
  RefPtr<IDispatchObject> again = page.Open(1, 10, true, "file:///project/next.html");
  EXPECT_EQ(page.Echo(main, "e"), "error: The remote object has been released");
  EXPECT_EQ(page.Echo(again, "f"), "f");
  EXPECT_EQ(page.Echo(other, "g"), "g");
  page.Run([&] {
    main.Reset(); frame.Reset(); other.Reset(); again.Reset();
    return 0;
  });
}

TEST_F(PageServerTest, HandsEachMainDocumentToTheClient) {
  PageSide page(m_server);
  auto document = MakeRef<TScriptObject>("document");
  document->Add("title", [](std::uint16_t, DispParams&) { return Variant("Page"); });
  page.Open(7, 70, true, "data:text/html,x", Variant(document));
  page.Open(7, 71, false, "file:///project/frame.html", Variant(MakeRef<TScriptObject>("not a main document")));
  ASSERT_EQ(m_client.documents.size(), 1u);
  EXPECT_EQ(GetProperty(*m_client.documents[7], "title"), Variant("Page"));
  m_client.documents.clear();
}

TEST_F(PageServerTest, TellsTheClientOfMainDocumentsItRefusesOnly) {
  PageSide page(m_server);
  page.Open(3, 30, true, "file:///elsewhere/a.html");
  page.Open(3, 31, false, "file:///elsewhere/frame.html");
  page.Open(3, 30, true, "file:///project/b.html");
  page.Open(3, 30, true, "file:///elsewhere/a.html");
  EXPECT_EQ(m_client.refused, (std::vector<std::string>{"3 file:///elsewhere/a.html", "3 file:///elsewhere/a.html"}))
      << "once for each refused main document, never for frames or granted ones";
  m_client.documents.clear();
}

TEST_F(PageServerTest, AnswersEachPageItsViewsOptions) {
  PageSide page(m_server);
  m_client.options[4] = PageOptions{pages::kDownloadNoFrameDownload, "X-One: 1\r\nX-Two: 2"};
  struct Case {
    std::int64_t pageId;
    Variant answer;
  } cases[] = {
      {4, Variant(VariantArray(std::vector<Variant>{Variant(static_cast<std::int64_t>(pages::kDownloadNoFrameDownload)),
                                                    Variant("X-One: 1\r\nX-Two: 2")}))},
      {5, Variant(VariantArray(std::vector<Variant>{Variant(static_cast<std::int64_t>(0)), Variant("")}))},
  };
  for (const Case& c : cases) {
    const Variant answer = page.Ask(pages::kPageOptionsName, {Variant(c.pageId)});
    ASSERT_TRUE(answer.IsArray()) << c.pageId;
    ASSERT_EQ(answer.AsArray().Items().size(), 2u);
    EXPECT_EQ(answer.AsArray().Items()[0].ToInt64(), c.answer.AsArray().Items()[0].ToInt64()) << c.pageId;
    EXPECT_EQ(answer.AsArray().Items()[1].ToText(), c.answer.AsArray().Items()[1].ToText()) << c.pageId;
  }
}

TEST_F(PageServerTest, PassesScriptErrorsOnAndAnswersWhetherThePageGoesOn) {
  PageSide page(m_server);
  EXPECT_TRUE(page.Ask(pages::kScriptErrorName, {Variant(6), Variant("oops"), Variant("file:///project/a.html"),
                                                 Variant(12), Variant(5)}).ToBool());
  EXPECT_FALSE(page.Ask(pages::kScriptErrorName, {Variant(6), Variant("stop"), Variant("file:///project/b.html"),
                                                  Variant(1), Variant(0)}).ToBool());
  EXPECT_EQ(m_client.errors, (std::vector<std::string>{"6 oops file:///project/a.html:12:5",
                                                       "6 stop file:///project/b.html:1:0"}));
  // A call with the wrong arguments reaches nothing.
  EXPECT_THROW(page.Ask(pages::kScriptErrorName, {Variant(6), Variant("short")}), EOleError);
  EXPECT_EQ(m_client.errors.size(), 2u);
}

TEST_F(PageServerTest, PassesEachEditOnByPage) {
  PageSide page(m_server);
  EXPECT_TRUE(page.Ask(pages::kDocumentEditedName, {Variant(6)}).IsEmpty());
  page.Ask(pages::kDocumentEditedName, {Variant(6)});
  page.Ask(pages::kDocumentEditedName, {Variant(9)});
  EXPECT_EQ(m_client.edits, (std::map<std::uint64_t, int>{{6, 2}, {9, 1}}));
  EXPECT_THROW(page.Ask(pages::kDocumentEditedName, {}), EOleError);
}

struct ReadFileRow {
  const char* what;
  std::uint64_t frame;
  const char* uri;
  const char* answer;  // null: Null
};

// Frame 10 holds a grant, 11 was refused, 12 lost its grant, 13 was never opened.
TEST_F(PageServerTest, ReadsFilesOnlyForFramesHoldingAGrantNow) {
  PageSide page(m_server);
  RefPtr<IDispatchObject> granted = page.Open(1, 10, true, "file:///project/index.html");
  EXPECT_FALSE(page.Open(1, 11, false, "http://127.0.0.1/"));
  RefPtr<IDispatchObject> gone = page.Open(1, 12, false, "file:///project/frame.html");
  EXPECT_FALSE(page.Open(1, 12, false, "file:///elsewhere/frame.html"));
  ASSERT_TRUE(granted && gone);
  const ReadFileRow rows[] = {
      {"a granted frame, a project file", 10, "file:///project/index.html", "text of file:///project/index.html in windows-1251"},
      {"a granted frame, a file outside", 10, "file:///etc/passwd", nullptr},
      {"a refused frame, a project file", 11, "file:///project/index.html", nullptr},
      {"a frame whose grant was taken back", 12, "file:///project/frame.html", nullptr},
      {"a frame never opened", 13, "file:///project/index.html", nullptr},
      {"the outside file asked again", 10, "file:///etc/passwd", nullptr},
  };
  for (const ReadFileRow& row : rows) {
    const Variant answer =
        page.Ask("readFile", {Variant(static_cast<std::int64_t>(row.frame)), Variant(row.uri), Variant("windows-1251")});
    if (row.answer)
      EXPECT_EQ(answer, Variant(row.answer)) << row.what;
    else
      EXPECT_TRUE(answer.IsNull()) << row.what << ": " << answer.ToText();
  }
  // Each refused URI is logged once, by the frame that asked first.
  EXPECT_EQ(m_client.readsRefused, (std::vector<std::string>{"10 file:///etc/passwd", "11 file:///project/index.html",
                                                             "12 file:///project/frame.html"}));
  page.Run([&] {
    granted.Reset();
    gone.Reset();
    return 0;
  });
}

TEST_F(PageServerTest, DropsTheConnectionOfAPageProcessThatEnds) {
  {
    PageSide page(m_server);
    EXPECT_EQ(m_server.ConnectionCount(), 1u);
  }
  Iterate([&] { return m_server.ConnectionCount() == 0; });
  EXPECT_EQ(m_server.ConnectionCount(), 0u);
}

TEST(PageServerLimit, RefusesConnectionsBeyondItsLimit) {
  testing::TempFolder runtime{"halbrin_rt"};
  testing::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.Path().string()};
  FakeClient client;
  PageServer server(client, 2);
  PageSide first(server);
  PageSide second(server);
  ASSERT_EQ(server.ConnectionCount(), 2u);
  const int fd = Connect(server.SocketPath());
  const std::string& token = server.Token();
  ASSERT_EQ(send(fd, token.data(), token.size(), MSG_NOSIGNAL), static_cast<ssize_t>(token.size()));
  char byte;
  ssize_t got = -1;
  Iterate([&] { return (got = recv(fd, &byte, 1, MSG_DONTWAIT)) == 0; });
  EXPECT_EQ(got, 0) << "a third connection was kept";
  EXPECT_EQ(server.ConnectionCount(), 2u);
  close(fd);
}

}  // namespace
}  // namespace halbrin
