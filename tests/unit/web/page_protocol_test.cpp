// Which document requests the page process cancels under a view's flags.

#include "web/pages/page_protocol.h"

#include <gtest/gtest.h>

namespace halbrin {
namespace {

using namespace halbrin::pages;

struct CancelCase {
  const char* name;
  std::uint32_t flags;
  bool isFrame;
  const char* uri;
  bool cancelled;
};

void PrintTo(const CancelCase& c, std::ostream* out) { *out << c.name; }

class DocumentRequests : public ::testing::TestWithParam<CancelCase> {};

TEST_P(DocumentRequests, AreCancelledByTheViewsFlags) {
  const CancelCase& c = GetParam();
  EXPECT_EQ(CancelsDocumentRequest(c.flags, c.isFrame, c.uri), c.cancelled);
}

constexpr std::uint32_t kImagesVideosSounds = 0x70;

const CancelCase kCancelCases[] = {
    {"NoFlagsLoadsEverything", 0, true, "http://example.org/", false},
    {"MediaFlagsAloneCancelNothing", kImagesVideosSounds, true, "https://example.org/", false},
    {"NoFrameDownloadCancelsFrames", kDownloadNoFrameDownload | kImagesVideosSounds, true, "file:///p/f.html", true},
    {"NoFrameDownloadKeepsTheMainDocument", kDownloadNoFrameDownload, false, "http://example.org/", false},
    {"OfflineCancelsTheNetwork", kDownloadOffline, false, "http://example.org/", true},
    {"ForceOfflineCancelsTheNetwork", kDownloadForceOffline, true, "https://example.org/", true},
    {"OfflineSchemeInCapitals", kDownloadOffline, false, "HTTPS://example.org/", true},
    {"OfflineCancelsFtp", kDownloadOffline, false, "ftp://example.org/a", true},
    {"OfflineKeepsLocalFiles", kDownloadOffline, true, "file:///p/frame.html", false},
    {"OfflineKeepsData", kDownloadForceOffline, true, "data:text/html,x", false},
    {"OfflineKeepsAnHttpLookalikeScheme", kDownloadOffline, false, "httpx://example.org/", false},
    {"OfflineKeepsTextWithoutAScheme", kDownloadOffline, false, "page.html", false},
};

INSTANTIATE_TEST_SUITE_P(Flags, DocumentRequests, ::testing::ValuesIn(kCancelCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halbrin
