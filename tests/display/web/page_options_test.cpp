// What a view tells its page process: extra headers and cancelled document
// requests; what the page process tells the client: uncaught script errors
// and main documents that get no window.external.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_fixture.h"
#include "support/http_test_server.h"
#include "web/pages/page_protocol.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;
using testing::HttpTestServer;

// A page with a frame and an image, all from the same server.
HttpTestServer FramedSite() {
  return HttpTestServer({
      {"/page", HttpTestServer::Answer::Of("<!DOCTYPE html><title>page</title><iframe src=\"/frame\"></iframe>"
                                           "<img src=\"/picture\">")},
      {"/frame", HttpTestServer::Answer::Of("<!DOCTYPE html><p>frame</p>")},
      {"/picture", HttpTestServer::Answer::Of("GIF89a", "image/gif")},
  });
}

TEST(PageOptions, ExtraHeadersGoWithTheMainDocumentAndItsFramesOnly) {
  PageFixture fixture;
  HttpTestServer server = FramedSite();
  fixture.Host().SetOptions(fixture.View(), PageOptions{0, "X-First: one\r\nX-Second:  two words"});
  fixture.Load(server.Uri("/page"));
  PageFixture::WaitFor([&] { return !server.RequestsFor("/frame").empty() && !server.RequestsFor("/picture").empty(); },
                       "the frame and the image to be requested");
  for (const char* path : {"/page", "/frame"}) {
    const auto requests = server.RequestsFor(path);
    ASSERT_FALSE(requests.empty()) << path;
    EXPECT_EQ(requests.front().Header("X-First"), "one") << path << "\n" << requests.front().head;
    EXPECT_EQ(requests.front().Header("X-Second"), "two words") << path;
  }
  EXPECT_EQ(server.RequestsFor("/picture").front().Header("X-First"), std::nullopt)
      << "an image is no document: " << server.RequestsFor("/picture").front().head;
}

TEST(PageOptions, ChangedOptionsHoldForTheNextDocument) {
  PageFixture fixture;
  HttpTestServer server = FramedSite();
  fixture.Host().SetOptions(fixture.View(), PageOptions{0, "X-Round: 1"});
  fixture.Load(server.Uri("/page?1"));
  fixture.Host().SetOptions(fixture.View(), PageOptions{});
  fixture.Load(server.Uri("/page?2"));
  const auto requests = server.RequestsFor("/page");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("X-Round"), "1");
  EXPECT_EQ(requests[1].Header("X-Round"), std::nullopt);
}

struct CancelCase {
  const char* name;
  std::uint32_t flags;
  bool frameRequested;
};

void PrintTo(const CancelCase& c, std::ostream* out) { *out << c.name; }

class FrameDownloads : public ::testing::TestWithParam<CancelCase> {};

// The main load finishes after its frames (cancelled or not), so the record
// is complete when Load returns.
TEST_P(FrameDownloads, FollowTheViewsFlags) {
  PageFixture fixture;
  HttpTestServer server = FramedSite();
  fixture.Host().SetOptions(fixture.View(), PageOptions{GetParam().flags, ""});
  fixture.Load(server.Uri("/page"));
  EXPECT_EQ(server.RequestsFor("/page").size(), 1u) << "the main document always loads";
  EXPECT_EQ(!server.RequestsFor("/frame").empty(), GetParam().frameRequested);
}

const CancelCase kCancelCases[] = {
    {"Loaded", 0x70, true},
    {"NotDownloaded", pages::kDownloadNoFrameDownload | 0x70, false},
};

INSTANTIATE_TEST_SUITE_P(Flags, FrameDownloads, ::testing::ValuesIn(kCancelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageOptions, OfflineAProjectPageKeepsItsLocalFrameAndLosesTheRemoteOne) {
  PageFixture fixture;
  HttpTestServer server = FramedSite();
  const std::string local = fixture.ProjectPage(
      "frame.html", "<!DOCTYPE html><script>parent.postMessage('local frame', '*');</script>");
  fixture.Host().SetOptions(fixture.View(), PageOptions{pages::kDownloadOffline, ""});
  fixture.Load(fixture.ProjectPage(
      "offline.html", "<!DOCTYPE html><title>waiting</title>"
                      "<script>addEventListener('message', function (e) { document.title = e.data; });</script>"
                      "<iframe src=\"" + server.Uri("/frame") + "\"></iframe><iframe src=\"" + local + "\"></iframe>"));
  EXPECT_EQ(fixture.TitleAfter("waiting"), "local frame");
  EXPECT_TRUE(server.Requests().empty()) << server.Requests().front().head;
}

// Fails on line 5, column 17; afterwards the title tells whether the page's
// own handler ran.
constexpr const char kFailingPage[] =
    "<!DOCTYPE html><title>waiting</title>\n"
    "<script>\n"
    "window.onerror = function () { window.seen = true; };\n"
    "setTimeout(function () { document.title = window.seen ? 'seen' : 'unseen'; }, 0);\n"
    "  noSuchFunction();\n"
    "</script>";

struct ErrorCase {
  const char* name;
  bool goOn;
  const char* title;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.name; }

class ScriptErrors : public ::testing::TestWithParam<ErrorCase> {};

// Each file: document is an origin of its own unless files may reach files;
// WebKit then hides an error's text and place from every listener.
void LetFilesReachFiles(WebKitWebView* view) {
  webkit_settings_set_allow_file_access_from_file_urls(webkit_web_view_get_settings(view), TRUE);
}

TEST_P(ScriptErrors, ReachTheClientWithTheirPlace) {
  PageFixture fixture;
  LetFilesReachFiles(fixture.View());
  std::vector<PageScriptError> errors;
  fixture.Host().SetScriptErrorHandler(fixture.View(), [&](const PageScriptError& error) {
    errors.push_back(error);
    return GetParam().goOn;
  });
  const std::string uri = fixture.ProjectPage("failing.html", kFailingPage);
  fixture.Load(uri);
  const std::string title = fixture.TitleAfter("waiting");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].message.find("noSuchFunction"), std::string::npos) << errors[0].message;
  EXPECT_EQ(errors[0].url, uri);
  EXPECT_EQ(errors[0].line, 5);
  EXPECT_EQ(errors[0].column, 17);
  EXPECT_EQ(title, GetParam().title);
}

const ErrorCase kErrorCases[] = {
    {"PageHandlingGoesOn", true, "seen"},
    {"PageHandlingEnds", false, "unseen"},
};

INSTANTIATE_TEST_SUITE_P(Answers, ScriptErrors, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptErrorsOfFrames, AForeignFramesErrorsStayInThePage) {
  PageFixture fixture;
  LetFilesReachFiles(fixture.View());
  std::vector<std::string> urls;
  fixture.Host().SetScriptErrorHandler(fixture.View(), [&](const PageScriptError& error) {
    urls.push_back(error.url);
    return true;
  });
  const std::string outside = fixture.OutsidePage(
      "frame.html", "<!DOCTYPE html><script>setTimeout(function () { parent.postMessage('ran', '*'); }, 0);"
                    "outsideFails();</script>");
  const std::string inside = fixture.ProjectPage("frame.html", "<!DOCTYPE html><script>insideFails();</script>");
  fixture.Load(fixture.ProjectPage(
      "frames.html", "<!DOCTYPE html><title>waiting</title>"
                     "<script>addEventListener('message', function (e) { document.title = e.data; });</script>"
                     "<iframe src=\"" + inside + "\"></iframe><iframe src=\"" + outside + "\"></iframe>"));
  EXPECT_EQ(fixture.TitleAfter("waiting"), "ran");
  EXPECT_EQ(urls, std::vector<std::string>{inside});
}

TEST(PageLog, AMainDocumentOutsideTheFoldersIsLoggedOncePerDocument) {
  PageFixture fixture;
  std::vector<std::string> lines;
  fixture.Host().SetLog([&](const std::string& line) { lines.push_back(line); });
  const std::string outside = fixture.OutsidePage("out.html", "<!DOCTYPE html><title>out</title>");
  const std::string expected = "Page \"" + outside + "\" lies outside the project and application folders: no window.external";

  fixture.Load(outside);
  EXPECT_EQ(lines, std::vector<std::string>{expected});
  // A project page with a foreign frame: frames are not logged.
  fixture.Load(fixture.ProjectPage("in.html", "<!DOCTYPE html><iframe src=\"" + outside + "\"></iframe>"));
  EXPECT_EQ(lines, std::vector<std::string>{expected});
  // The same file again is a new document.
  fixture.Load(outside);
  EXPECT_EQ(lines, (std::vector<std::string>{expected, expected}));
}

}  // namespace
}  // namespace halbrin
