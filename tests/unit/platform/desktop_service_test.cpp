#include "platform/services/desktop_service.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace halbrin::platform {
namespace {

// The headless answers with a pointer and a way to announce changes.
class FakeDesktop final : public HeadlessDesktopService {
 public:
  std::optional<TPoint> CursorPos() const override { return cursor; }
  TColor SystemColor(int index) const override { return index == COLOR_HIGHLIGHT ? 0x123456 : HeadlessDesktopService::SystemColor(index); }
  void Announce(TDesktopChange change) { Notify(change); }

  std::optional<TPoint> cursor;
};

TEST(HeadlessDesktopTest, AnswersWithoutADisplay) {
  HeadlessDesktopService desktop;
  EXPECT_TRUE(desktop.FontFamilies().empty());
  EXPECT_EQ(desktop.CursorPos(), std::nullopt);
  EXPECT_EQ(desktop.CaretBlinkTime(), 600);
  EXPECT_EQ(desktop.WorkArea({5000, 5000, 5010, 5010}), (TRect{0, 0, 1024, 768}));
  const TDesktopMetrics metrics = desktop.Metrics();
  EXPECT_EQ(metrics.captionHeight, 18);
  EXPECT_EQ(metrics.smallCaptionHeight, 15);
  EXPECT_EQ(metrics.frameWidth, 4);
  EXPECT_EQ(metrics.edge, 2);
  EXPECT_EQ(metrics.dialogFrame, 3);
  EXPECT_EQ(metrics.scrollWidth, 16);
}

TEST(HeadlessDesktopTest, ElementFontsComeFromSansNine) {
  HeadlessDesktopService desktop;
  struct Case {
    TDesktopFont element;
    TFontSpec font;
  };
  const Case cases[] = {
      {TDesktopFont::Caption, {"Sans", 9, fsBold}},
      {TDesktopFont::SmallCaption, {"Sans", 9, fsBold}},
      {TDesktopFont::Status, {"Sans", 9, 0}},
      {TDesktopFont::Menu, {"Sans", 9, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(desktop.ElementFont(c.element), c.font) << static_cast<int>(c.element);
  EXPECT_EQ(DerivedElementFont({"Cantarell", 11, fsItalic}, TDesktopFont::Caption),
            (TFontSpec{"Cantarell", 11, fsItalic | fsBold}));
}

TEST(HeadlessDesktopTest, EverySystemColourIsAPlainColour) {
  HeadlessDesktopService desktop;
  struct Case {
    int index;
    TColor color;
  };
  // The colours the application colour is derived from.
  const Case known[] = {
      {COLOR_BTNFACE, 0xEFEBE9}, {COLOR_CAPTIONTEXT, 0x2E3436}, {COLOR_ACTIVECAPTION, 0xEFEBE9},
      {COLOR_WINDOW, 0xFFFFFF},  {COLOR_WINDOWTEXT, 0x000000},
  };
  for (const Case& c : known) EXPECT_EQ(desktop.SystemColor(c.index), c.color) << c.index;
  for (int index = 0; index < kSystemColorCount; ++index) {
    const TColor color = desktop.SystemColor(index);
    EXPECT_EQ(static_cast<std::uint32_t>(color) & 0xFF000000u, 0u) << index;
  }
  EXPECT_NE(desktop.SystemColor(COLOR_HOTLIGHT), 0);
  EXPECT_EQ(desktop.SystemColor(-1), 0);
  EXPECT_EQ(desktop.SystemColor(kSystemColorCount), 0);
}

TEST(DesktopServiceTest, TheInstalledServiceAnswersAndTheHeadlessOneComesBack) {
  TPoint point{7, 7};
  EXPECT_EQ(GetCursorPoint(), (TPoint{-1, -1}));
  EXPECT_FALSE(TryGetCursorPos(point));
  EXPECT_EQ(point, (TPoint{7, 7}));
  {
    FakeDesktop fake;
    fake.cursor = TPoint{120, -40};
    ScopedDesktopService scope(fake);
    EXPECT_EQ(&CurrentDesktopService(), &fake);
    EXPECT_EQ(GetCursorPoint(), (TPoint{120, -40}));
    EXPECT_TRUE(TryGetCursorPos(point));
    EXPECT_EQ(point, (TPoint{120, -40}));
    EXPECT_EQ(ColorToRGB(SystemColor(COLOR_HIGHLIGHT)), 0x123456);
    EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEF);
    EXPECT_EQ(ColorToRGB(clDefault), clDefault);
  }
  EXPECT_EQ(GetCursorPoint(), (TPoint{-1, -1}));
  EXPECT_EQ(ColorToRGB(SystemColor(COLOR_BTNFACE)), 0xEFEBE9);
}

TEST(DesktopServiceTest, ListenersHearEachChangeUntilTheirSubscriptionGoes) {
  FakeDesktop desktop;
  std::vector<std::string> heard;
  TDesktopSubscription fonts = desktop.Subscribe([&](TDesktopChange change) {
    heard.push_back(change == TDesktopChange::Fonts ? "a:fonts" : "a:other");
  });
  std::optional<TDesktopSubscription> second;
  second = desktop.Subscribe([&](TDesktopChange) { heard.push_back("b"); });
  desktop.Announce(TDesktopChange::Fonts);
  second.reset();
  desktop.Announce(TDesktopChange::Monitors);
  fonts.Reset();
  desktop.Announce(TDesktopChange::Colors);
  EXPECT_EQ(heard, (std::vector<std::string>{"a:fonts", "b", "a:other"}));
}

TEST(DesktopServiceTest, ListenersMayDropOthersOrJoinWhileTold) {
  FakeDesktop desktop;
  std::vector<std::string> heard;
  TDesktopSubscription second;
  TDesktopSubscription joined;
  bool join = true;
  TDesktopSubscription first = desktop.Subscribe([&](TDesktopChange) {
    heard.push_back("first");
    second.Reset();
    if (join) joined = desktop.Subscribe([&](TDesktopChange) { heard.push_back("joined"); });
    join = false;
  });
  second = desktop.Subscribe([&](TDesktopChange) { heard.push_back("second"); });
  desktop.Announce(TDesktopChange::Colors);
  EXPECT_EQ(heard, (std::vector<std::string>{"first"}));
  heard.clear();
  desktop.Announce(TDesktopChange::Colors);
  EXPECT_EQ(heard, (std::vector<std::string>{"first", "joined"}));
}

TEST(DesktopServiceTest, ASubscriptionMayOutliveItsService) {
  TDesktopSubscription subscription;
  {
    FakeDesktop desktop;
    subscription = desktop.Subscribe([](TDesktopChange) {});
  }
  subscription.Reset();
  SUCCEED();
}

TEST(NearestMonitorTest, LargestOverlapThenSmallestGap) {
  const std::vector<TRect> monitors = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}, {0, 1080, 1920, 2160}};
  struct Case {
    const char* name;
    TRect rect;
    std::size_t monitor;
  };
  const Case cases[] = {
      {"inside the first", {100, 100, 200, 200}, 0},
      {"mostly on the second", {1900, 10, 2100, 50}, 1},
      {"mostly on the first", {1800, 10, 1930, 50}, 0},
      {"the point at the seam belongs right", {1920, 500, 1920, 500}, 1},
      {"a point just left of the seam", {1919, 500, 1919, 500}, 0},
      {"below the second, off every monitor", {2500, 1500, 2600, 1600}, 1},
      {"below the third", {100, 3000, 200, 3100}, 2},
      {"far left", {-5000, 10, -4000, 20}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestMonitor(monitors, c.rect), c.monitor) << c.name;
  EXPECT_EQ(NearestMonitor({}, {0, 0, 10, 10}), 0u);
}

}  // namespace
}  // namespace halbrin::platform
