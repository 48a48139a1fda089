// The clipboard component on the X clipboard against a second X client
// (clipboard_peer): what another program reads from a copy, what "read"
// takes from another owner, autoClear False beside another owner's targets,
// an owner that never answers, and data that outlives the component.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "components/clipboard/clipboard_data.h"
#include "components/clipboard/clipboard_ex.h"
#include "platform/ui/gtk_clipboard_service.h"
#include "platform/ui/gtk_init.h"
#include "support/main_context_wait.h"
#include "support/program_process.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

using namespace std::chrono_literals;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

class ClipboardDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::InitGtk()) GTEST_SKIP() << "no display";
    m_service = std::make_unique<platform::GtkClipboardService>();
    m_scope = std::make_unique<platform::ScopedClipboardService>(*m_service);
  }
  void TearDown() override {
    m_scope.reset();
    m_service.reset();
  }

  // A peer owning the clipboard with these targets, ready when this returns.
  std::unique_ptr<testing::Process> Own(const std::vector<std::pair<std::string, std::string>>& offers) {
    const std::string ready = m_folder.Path("ready" + std::to_string(++m_peers));
    std::vector<std::string> args{"own", ready};
    for (const auto& [target, bytes] : offers) args.push_back(target + "=" + (bytes == "hang" ? bytes : Hex(bytes)));
    auto peer = std::make_unique<testing::Process>(HALBRIN_CLIPBOARD_PEER, args, std::vector<std::string>{});
    EXPECT_TRUE(testing::RunUntil([&] { return std::filesystem::exists(ready) || !peer->Running(); }, 10s));
    EXPECT_TRUE(peer->Running()) << "the peer could not own the clipboard";
    return peer;
  }
  // What a peer reads of `target` from the current owner; nullopt when it gets nothing.
  std::optional<std::string> PeerReads(const std::string& target) {
    const std::string out = m_folder.Path("out" + std::to_string(++m_peers));
    testing::Process peer(HALBRIN_CLIPBOARD_PEER, {"print", target, out}, {});
    // The owner may be this process: serve it while the peer waits.
    EXPECT_TRUE(testing::RunUntil([&] { return !peer.Running(); }, 10s));
    if (peer.Wait(0ms) != 0) return std::nullopt;
    return testing::ReadFile(out);
  }
  std::string PeerTargets() {
    const std::string out = m_folder.Path("targets" + std::to_string(++m_peers));
    testing::Process peer(HALBRIN_CLIPBOARD_PEER, {"targets", out}, {});
    EXPECT_TRUE(testing::RunUntil([&] { return !peer.Running(); }, 10s));
    return std::filesystem::exists(out) ? testing::ReadFile(out) : std::string();
  }
  int Exec(TClipboardEx& clip, const char* word) {
    clip.SetExec(platform::Variant(word));
    return static_cast<int>(clip.GetExec().ToInt());
  }

  testing::TempFolder m_folder;
  int m_peers = 0;
  std::unique_ptr<platform::GtkClipboardService> m_service;
  std::unique_ptr<platform::ScopedClipboardService> m_scope;
};

TEST_F(ClipboardDisplayTest, AnotherProgramReadsACopy) {
  TClipboardEx clip;
  clip.Formats().Add("text").SetData("Gr\xC3\xBC\xC3\x9F" "e");
  clip.Formats().Add("html").SetData("<b>Hi</b>");
  clip.Formats().Add("file").SetData("/tmp/a b.txt::/tmp/c#.txt");
  EXPECT_EQ(Exec(clip, "copy"), 3);
  EXPECT_EQ(PeerReads("UTF8_STRING"), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(PeerReads("STRING"), "Gr\xFC\xDF" "e") << "Latin-1 on the STRING target";
  EXPECT_EQ(PeerReads("text/html"), BuildHtmlClipboardDocument("<b>Hi</b>"));
  EXPECT_EQ(PeerReads("text/uri-list"), "file:///tmp/a%20b.txt\r\nfile:///tmp/c%23.txt");
  EXPECT_EQ(PeerReads("x-special/gnome-copied-files"), "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/c%23.txt");
}

TEST_F(ClipboardDisplayTest, ReadTakesOnlyTheFormatsItKnows) {
  {
    const auto peer = Own({{"text/html", "<i>x</i>"}, {"image/png", "\x89PNG"}});
    TClipboardEx clip;
    EXPECT_EQ(Exec(clip, "read"), 1);
    EXPECT_EQ(clip.Formats().At(0).Name(), "html");
    EXPECT_EQ(clip.Formats().At(0).Data(), "<i>x</i>");
  }
  const auto peer = Own({{"image/png", "\x89PNG"}});
  TClipboardEx clip;
  EXPECT_EQ(Exec(clip, "read"), 0);
}

TEST_F(ClipboardDisplayTest, AutoClearFalseKeepsTheOtherOwnersTargets) {
  const auto peer = Own({{"image/png", "\x89PNG\r\n"}});
  TClipboardEx clip;
  clip.SetAutoClear(false);
  clip.Formats().Add("text").SetData("ours");
  EXPECT_EQ(Exec(clip, "copy"), 1);
  EXPECT_TRUE(m_service->OwnsClipboard());
  const std::string targets = PeerTargets();
  EXPECT_NE(targets.find("image/png\n"), std::string::npos) << targets;
  EXPECT_NE(targets.find("UTF8_STRING\n"), std::string::npos) << targets;
  EXPECT_EQ(PeerReads("image/png"), "\x89PNG\r\n");
  EXPECT_EQ(PeerReads("UTF8_STRING"), "ours");
}

TEST_F(ClipboardDisplayTest, AnOwnerThatNeverAnswersRaisesAndLeavesActiveFalse) {
  const auto peer = Own({{"x-halbrin/hang", "hang"}});
  TClipboardEx clip;
  clip.Formats().Add("x-halbrin/hang");
  try {
    Exec(clip, "paste");
    ADD_FAILURE() << "paste did not raise";
  } catch (const EClipboard& error) {
    EXPECT_STREQ(error.what(), "Cannot open clipboard");
  }
  EXPECT_FALSE(clip.Active());
}

TEST_F(ClipboardDisplayTest, TheDataOutlivesTheComponent) {
  {
    TClipboardEx clip;
    clip.Formats().Add("text").SetData("kept");
    Exec(clip, "copy");
  }
  EXPECT_EQ(PeerReads("UTF8_STRING"), "kept");
  // Another owner takes over: the service no longer answers for it.
  const auto peer = Own({{"text/plain", "theirs"}});
  EXPECT_TRUE(testing::RunUntil([&] { return !m_service->OwnsClipboard(); }, 5s));
  TClipboardEx clip;
  clip.Formats().Add("text");
  EXPECT_EQ(Exec(clip, "paste"), 1);
  EXPECT_EQ(clip.Formats().At(0).Data(), "theirs");
}

}  // namespace
}  // namespace halbrin
