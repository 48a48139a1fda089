// Which documents get window.external, decided by the client for each frame.

#include <gtest/gtest.h>
#include <libsoup/soup.h>

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

// An HTTP server on loopback answering every path with one page.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::string html)
      : m_html(std::move(html)), m_server(GObjectPtr<SoupServer>::Adopt(soup_server_new(nullptr, nullptr))) {
    soup_server_add_handler(m_server.Get(), nullptr,
                            +[](SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer self) {
                              const std::string& html = static_cast<LoopbackServer*>(self)->m_html;
                              soup_server_message_set_status(message, 200, nullptr);
                              soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, html.data(),
                                                               html.size());
                            }, this, nullptr);
    GErrorPtr error;
    if (!soup_server_listen_local(m_server.Get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, Out(error)))
      throw std::runtime_error(std::string("cannot listen on loopback: ") + error->message);
    GSListPtr uris(soup_server_get_uris(m_server.Get()));
    GCharPtr text(g_uri_to_string(static_cast<GUri*>(uris->data)));
    for (GSList* item = uris.get(); item; item = item->next) g_uri_unref(static_cast<GUri*>(item->data));
    m_uri = text.get();
  }
  const std::string& Uri() const { return m_uri; }

 private:
  std::string m_html;
  GObjectPtr<SoupServer> m_server;
  std::string m_uri;
};

struct GrantCase {
  const char* name;
  // Makes the page (and what it needs) and returns the URI to load.
  std::function<std::string(PageFixture&)> page;
  const char* title;
};

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
