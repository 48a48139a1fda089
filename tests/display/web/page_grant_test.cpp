// Which documents get window.external, decided by the client for each frame.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "page_fixture.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;

// Each page tells what it found: directly in its title, or a frame's finding
// that the frame posts to its parent.
constexpr const char kReportOwn[] =
    "<!DOCTYPE html><title>waiting</title><script>document.title = typeof window.external;</script>";
constexpr const char kReportToParent[] =
    "<!DOCTYPE html><script>parent.postMessage(typeof window.external, '*');</script>";

std::string FramePage(const std::string& frame) {
  return "<!DOCTYPE html><title>waiting</title>"
         "<script>addEventListener('message', function (e) { document.title = 'frame ' + e.data; });</script>" +
         frame;
}

// An HTTP server on loopback answering every request with one page. It runs
// in a child process of its own, so the view's loads never wait on this
// test's main loop.
class LoopbackServer {
 public:
  explicit LoopbackServer(const std::string& html) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener, 8) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen on loopback");
    m_uri = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    const std::string response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n"
                                 "Content-Length: " + std::to_string(html.size()) + "\r\n\r\n" + html;
    m_child = fork();
    if (m_child < 0) throw std::runtime_error("cannot fork the loopback server");
    if (m_child == 0) {
      for (;;) {
        const int client = accept(listener, nullptr, nullptr);
        if (client < 0) continue;
        char request[4096];
        [[maybe_unused]] ssize_t ignored = recv(client, request, sizeof request, 0);
        ignored = send(client, response.data(), response.size(), MSG_NOSIGNAL);
        close(client);
      }
    }
    close(listener);
  }
  ~LoopbackServer() {
    kill(m_child, SIGKILL);
    waitpid(m_child, nullptr, 0);
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  const std::string& Uri() const { return m_uri; }

 private:
  pid_t m_child = -1;
  std::string m_uri;
};

struct GrantCase {
  const char* name;
  // Makes the page (and what it needs) and returns the URI to load.
  std::function<std::string(PageFixture&)> page;
  const char* title;
};

void PrintTo(const GrantCase& c, std::ostream* out) { *out << c.name; }

class PageGrant : public ::testing::TestWithParam<GrantCase> {};

TEST_P(PageGrant, OnlyLocalFilesInsideTheProjectGetExternal) {
  PageFixture fixture;
  fixture.Load(GetParam().page(fixture));
  EXPECT_EQ(fixture.TitleAfter("waiting"), GetParam().title);
}

const GrantCase kGrantCases[] = {
    {"ProjectPage", [](PageFixture& f) { return f.ProjectPage("in.html", kReportOwn); }, "object"},
    {"ProjectPageInASubfolder",
     [](PageFixture& f) {
       std::filesystem::create_directories(f.Project() + "/sub folder");
       return f.ProjectPage("sub folder/in.html", kReportOwn);
     },
     "object"},
    {"FileOutsideTheProject", [](PageFixture& f) { return f.OutsidePage("out.html", kReportOwn); }, "undefined"},
    {"DotDotOutOfTheProject",
     [](PageFixture& f) {
       f.OutsidePage("out.html", kReportOwn);
       return PageFixture::FileUri(f.Project()) + "/../outside/out.html";
     },
     "undefined"},
    {"SymbolicLinkOutOfTheProject",
     [](PageFixture& f) {
       f.OutsidePage("out.html", kReportOwn);
       std::filesystem::create_directory_symlink(f.Outside(), f.Project() + "/link");
       return PageFixture::FileUri(f.Project() + "/link/out.html");
     },
     "undefined"},
    {"DataUri",
     [](PageFixture&) {
       GCharPtr escaped(g_uri_escape_string(kReportOwn, nullptr, FALSE));
       return std::string("data:text/html,") + escaped.get();
     },
     "undefined"},
    {"ProjectPageThatNavigatesOutside",
     [](PageFixture& f) {
       const std::string outside = f.OutsidePage("out.html", kReportOwn);
       return f.ProjectPage("go.html", "<!DOCTYPE html><title>waiting</title><script>window.kept = external;"
                                       "location.href = '" + outside + "';</script>");
     },
     "undefined"},
    {"SrcdocFrameOfAProjectPage",
     [](PageFixture& f) {
       return f.ProjectPage("srcdoc.html",
                            FramePage("<iframe srcdoc=\"<script>parent.postMessage(typeof window.external, '*')"
                                      "</script>\"></iframe>"));
     },
     "frame object"},
    {"FileFrameOutsideTheProject",
     [](PageFixture& f) {
       const std::string outside = f.OutsidePage("frame.html", kReportToParent);
       return f.ProjectPage("outer.html", FramePage("<iframe src=\"" + outside + "\"></iframe>"));
     },
     "frame undefined"},
};

INSTANTIATE_TEST_SUITE_P(Pages, PageGrant, ::testing::ValuesIn(kGrantCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageGrantRemote, AnHttpPageOnLoopbackGetsNone) {
  PageFixture fixture;
  LoopbackServer server(kReportOwn);
  fixture.Load(server.Uri());
  EXPECT_EQ(fixture.TitleAfter("waiting"), "undefined");
}

TEST(PageGrantRemote, ARemoteFrameInsideAProjectPageGetsNone) {
  PageFixture fixture;
  LoopbackServer server(kReportToParent);
  fixture.Load(fixture.ProjectPage("remote.html", FramePage("<iframe src=\"" + server.Uri() + "\"></iframe>")));
  EXPECT_EQ(fixture.TitleAfter("waiting"), "frame undefined");
}

}  // namespace
}  // namespace halbrin
