// The StatusNotifierItem and the libnotify balloons on a private session bus
// (each case runs under dbus-run-session) against a fake watcher and a fake
// notification server: registration, the item's properties, the host's calls,
// a watcher that comes later, the Notify arguments and the server's signals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_bus_peer.h"
#include "platform/shell/libnotify_balloons.h"
#include "platform/shell/status_notifier_item.h"
#include "support/main_context_wait.h"

namespace halbrin::platform {
namespace {

using testing::FakeBusPeer;
using testing::RunUntil;

struct RecordingSink : ITrayIconSink {
  void Activate(int x, int y) override { calls.push_back("activate " + std::to_string(x) + "," + std::to_string(y)); }
  void SecondaryActivate(int x, int y) override {
    calls.push_back("secondary " + std::to_string(x) + "," + std::to_string(y));
  }
  void ContextMenu(int x, int y) override { calls.push_back("menu " + std::to_string(x) + "," + std::to_string(y)); }
  void Button(bool, TMouseButton, TShiftState, int, int) override { calls.push_back("button"); }
  void DoubleClick(int, int) override { calls.push_back("double"); }
  void Clicked() override { calls.push_back("clicked"); }
  void MenuRequested(int, int) override { calls.push_back("menu requested"); }
  void ShownChanged(bool shown) override { calls.push_back(shown ? "shown" : "unshown"); }
  std::vector<std::string> calls;
};

struct BalloonSink : INotificationSink {
  void BalloonClosed(BalloonCloseReason reason) override { closed.push_back(static_cast<int>(reason)); }
  void BalloonClicked() override { ++clicked; }
  std::vector<int> closed;
  int clicked = 0;
};

// A 2×1 PNG: one opaque red pixel, one half-transparent blue one.
const std::vector<std::uint8_t> kPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xf4, 0x22, 0x7f, 0x8a, 0x00, 0x00, 0x00,
    0x0e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x42, 0x0d, 0x00, 0x0f, 0x7a, 0x03,
    0x7e, 0x77, 0xe9, 0x7f, 0x97, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

std::string Text(GVariant* value) {
  std::string text = value && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr) : "";
  if (value) g_variant_unref(value);
  return text;
}

TEST(StatusNotifierItem, RegistersWithTheWatcherAndAnswersItsHost) {
  FakeBusPeer peer;
  peer.StartWatcher();
  RecordingSink sink;
  auto item = StatusNotifierTrayIconFactory()(sink);
  ASSERT_NE(item, nullptr);
  item->SetContent({kPng, "application-x-executable", "My tool", "Demo"});
  item->Show();
  ASSERT_TRUE(RunUntil([&] { return item->Shown(); }));
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"shown"}));
  const std::vector<std::string> registered = peer.Registered();
  ASSERT_EQ(registered.size(), 1u);
  const std::string name = registered[0];
  EXPECT_EQ(name.rfind("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-", 0), 0u) << name;

  EXPECT_EQ(Text(peer.ItemProperty(name, "Title")), "Demo");
  EXPECT_EQ(Text(peer.ItemProperty(name, "Category")), "ApplicationStatus");
  EXPECT_EQ(Text(peer.ItemProperty(name, "Status")), "Active");
  GVariant* tip = peer.ItemProperty(name, "ToolTip");
  ASSERT_NE(tip, nullptr);
  const char* tipTitle = nullptr;
  g_variant_get_child(tip, 2, "&s", &tipTitle);
  EXPECT_STREQ(tipTitle, "My tool");
  g_variant_unref(tip);
  GVariant* pixmaps = peer.ItemProperty(name, "IconPixmap");
  ASSERT_NE(pixmaps, nullptr);
  ASSERT_EQ(g_variant_n_children(pixmaps), 1u);
  int width = 0;
  int height = 0;
  GVariant* bytes = nullptr;
  g_variant_get_child(pixmaps, 0, "(ii@ay)", &width, &height, &bytes);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  gsize size = 0;
  const auto* argb = static_cast<const std::uint8_t*>(g_variant_get_fixed_array(bytes, &size, 1));
  ASSERT_EQ(size, 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(argb, argb + 4), (std::vector<std::uint8_t>{0xff, 0xff, 0x00, 0x00}))
      << "alpha first, then red, green, blue";
  g_variant_unref(bytes);
  g_variant_unref(pixmaps);

  peer.CallItem(name, "Activate", 5, 6);
  peer.CallItem(name, "ContextMenu", 7, 8);
  ASSERT_TRUE(RunUntil([&] { return sink.calls.size() == 3; }));
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"shown", "activate 5,6", "menu 7,8"}));

  item->Hide();
  EXPECT_FALSE(item->Shown());
  ASSERT_TRUE(RunUntil([&] { return !peer.HasOwner(name); })) << "hiding gives the name up";
}

TEST(StatusNotifierItem, WaitsForAWatcherThatComesLater) {
  FakeBusPeer peer;
  RecordingSink sink;
  auto item = StatusNotifierTrayIconFactory()(sink);
  ASSERT_NE(item, nullptr);
  item->Show();
  RunUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_FALSE(item->Shown()) << "no watcher, no host";
  peer.StartWatcher();
  ASSERT_TRUE(RunUntil([&] { return item->Shown(); }));
  EXPECT_EQ(peer.Registered().size(), 1u);
}

TEST(LibnotifyBalloons, SendsTheBalloonAndReportsTheServersAnswers) {
  FakeBusPeer peer;
  peer.StartNotificationServer();
  BalloonSink sink;
  auto balloons = LibnotifyNotificationServiceFactory()(sink, "Demo");
  ASSERT_NE(balloons, nullptr);
  Balloon balloon{"Title", "Body text", "dialog-warning", {}, 4000, true};
  ASSERT_TRUE(balloons->Show(balloon));
  std::vector<FakeBusPeer::Notify> notified = peer.Notified();
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0].appName, "Demo");
  EXPECT_EQ(notified[0].summary, "Title");
  EXPECT_EQ(notified[0].body, "Body text");
  EXPECT_EQ(notified[0].icon, "dialog-warning");
  EXPECT_EQ(notified[0].timeout, 4000);
  EXPECT_TRUE(notified[0].suppressSound);
  EXPECT_EQ(notified[0].actions.size(), 2u);
  ASSERT_FALSE(notified[0].actions.empty());
  EXPECT_EQ(notified[0].actions[0], "default");

  peer.EmitClosed(1);
  ASSERT_TRUE(RunUntil([&] { return !sink.closed.empty(); }));
  EXPECT_EQ(sink.closed, (std::vector<int>{1}));

  balloon.imageBytes = kPng;
  balloon.suppressSound = false;
  balloon.timeoutMs = -1;
  ASSERT_TRUE(balloons->Show(balloon));
  notified = peer.Notified();
  ASSERT_EQ(notified.size(), 2u);
  EXPECT_TRUE(notified[1].hasImage);
  EXPECT_FALSE(notified[1].suppressSound);
  EXPECT_EQ(notified[1].timeout, -1);
  peer.EmitAction("default");
  ASSERT_TRUE(RunUntil([&] { return sink.clicked == 1; })) << "a balloon after a closed one still hears its click";

  balloons->Close();
  ASSERT_TRUE(RunUntil([&] { return sink.closed.size() == 2; }));
  EXPECT_EQ(sink.closed.back(), 3);
  EXPECT_EQ(peer.Closed().size(), 1u);
}

TEST(LibnotifyBalloons, NoServerMakesNoBalloons) {
  BalloonSink sink;
  EXPECT_EQ(LibnotifyNotificationServiceFactory()(sink, "Demo"), nullptr);
}

TEST(TrayPixmap, NotAnImageGivesNoPixmap) {
  EXPECT_TRUE(DecodeTrayPixmap({'n', 'o', 'p', 'e'}).argb.empty());
  EXPECT_TRUE(DecodeTrayPixmap({}).argb.empty());
}

}  // namespace
}  // namespace halbrin::platform
