// Which documents get window.external, decided by the client for each frame.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "page_fixture.h"
#include "support/http_test_server.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;
using testing::HttpTestServer;



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
  HttpTestServer server({{"/", HttpTestServer::Answer::Of(kReportOwn)}});
  fixture.Load(server.Uri());
  EXPECT_EQ(fixture.TitleAfter("waiting"), "undefined");
}

TEST(PageGrantRemote, ARemoteFrameInsideAProjectPageGetsNone) {
  PageFixture fixture;
  HttpTestServer server({{"/", HttpTestServer::Answer::Of(kReportToParent)}});
  fixture.Load(fixture.ProjectPage("remote.html", FramePage("<iframe src=\"" + server.Uri() + "\"></iframe>")));
  EXPECT_EQ(fixture.TitleAfter("waiting"), "frame undefined");
}

}  // namespace
}  // namespace halbrin
