// The tray icon component against fake tray and notification services: when
// "show" fires and `active` reads true, the hosts' calls as one event order,
// the context menu, auto-activation and auto-hide, and the balloons.

#include "components/shell/tray_notifier_ex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/graphics/popup_menu.h"
#include "support/fake_popup_menu_presenter.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::Balloon;
using platform::BalloonCloseReason;
using platform::TrayIconContent;

// A notification area whose host comes and goes when the test says.
struct FakeTray : platform::ITrayIconService {
  explicit FakeTray(platform::ITrayIconSink& sink, bool& host) : sink(sink), host(host) {}
  void SetContent(const TrayIconContent& value) override { content = value; }
  void Show() override {
    requested = true;
    if (host) SetShown(true);
  }
  void Hide() override {
    requested = false;
    shown = false;
  }
  bool Shown() const override { return shown; }
  void SetShown(bool value) {
    shown = value;
    sink.ShownChanged(value);
  }

  platform::ITrayIconSink& sink;
  bool& host;
  TrayIconContent content;
  bool requested = false;
  bool shown = false;
};

struct FakeBalloons : platform::INotificationService {
  explicit FakeBalloons(platform::INotificationSink& sink) : sink(sink) {}
  bool Show(const Balloon& balloon) override {
    shown.push_back(balloon);
    open = true;
    return true;
  }
  void Close() override {
    ++closeCalls;
    if (!open) return;
    open = false;
    sink.BalloonClosed(BalloonCloseReason::Closed);
  }
  platform::INotificationSink& sink;
  std::vector<Balloon> shown;
  int closeCalls = 0;
  bool open = false;
};

class TitledHooks : public TRecordingHooks {
 public:
  std::string ApplicationTitle() const override { return title; }
  void RequestActivation() override { ++activations; }
  std::string title = "Halbrin Demo";
  int activations = 0;
};

class TrayTest : public ::testing::Test {
 protected:
  TrayTest() {
    tray.SetName("tray");
    for (const char* event : {"onclick", "oncontextpopup", "ondblclick", "onmousedown", "onmouseup", "onhide",
                              "onshow", "onballoonclick", "onballoonhide", "onballoonshow", "onballoontimeout"})
      tray.GetEvents()->AttachEvent(event).SetXml(std::string(event).substr(2));
  }
  void TearDown() override { DropAsyncScriptEvents(); }

  // The procedures called, in order.
  std::vector<std::string> Fired() const {
    std::vector<std::string> names;
    for (const ScriptCall& call : hooks.calls) names.push_back(call.procedure);
    return names;
  }
  Variant DataOf(const std::string& procedure) const {
    for (const ScriptCall& call : hooks.calls)
      if (call.procedure == procedure) return call.parameters;
    return Variant();
  }

  platform::FakeEventLoop loop;
  platform::ScopedMainEventLoop loopScope{loop};
  TitledHooks hooks;
  ScopedApplicationHooks hooksScope{hooks};
  bool host = true;
  bool server = true;
  FakeTray* fakeTray = nullptr;
  FakeBalloons* fakeBalloons = nullptr;
  platform::ScopedTrayIconServiceFactory trayScope{[this](platform::ITrayIconSink& sink) {
    auto made = std::make_unique<FakeTray>(sink, host);
    fakeTray = made.get();
    return made;
  }};
  platform::ScopedNotificationServiceFactory balloonScope{
      [this](platform::INotificationSink& sink, const std::string&) -> std::unique_ptr<platform::INotificationService> {
        if (!server) return nullptr;
        auto made = std::make_unique<FakeBalloons>(sink);
        fakeBalloons = made.get();
        return made;
      }};
  testing::FakePopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  TTrayNotifierEx& tray = platform::MakeComponent<TTrayNotifierEx>(hooks.root);
};

Variant Data(std::initializer_list<Variant> items) { return Variant(VariantArray(items)); }

TEST_F(TrayTest, ShowFiresWithFirstShowAndHideWhenShown) {
  tray.SetHint("My tool");
  tray.SetExec(Variant("show"));
  EXPECT_TRUE(tray.Active());
  ASSERT_NE(fakeTray, nullptr);
  EXPECT_EQ(fakeTray->content.toolTip, "My tool");
  EXPECT_EQ(fakeTray->content.title, "Halbrin Demo");
  EXPECT_EQ(fakeTray->content.iconName, "application-x-executable");
  EXPECT_EQ(DataOf("show"), Data({"tray", true}));
  EXPECT_FALSE(tray.FirstShow());

  tray.SetExec(Variant("HIDE"));
  EXPECT_FALSE(tray.Active());
  EXPECT_FALSE(fakeTray->requested);
  hooks.calls.clear();
  tray.SetActive(true);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"show"}));
  EXPECT_EQ(DataOf("show"), Data({"tray", false}));
  tray.SetActive(false);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"show", "hide"}));
}

TEST_F(TrayTest, ActiveFollowsTheHost) {
  host = false;
  tray.SetActive(true);
  EXPECT_FALSE(tray.Active()) << "asked for, not shown";
  EXPECT_TRUE(hooks.calls.empty());
  fakeTray->SetShown(true);
  EXPECT_TRUE(tray.Active());
  EXPECT_EQ(Fired(), (std::vector<std::string>{"show"}));
  fakeTray->SetShown(false);
  EXPECT_FALSE(tray.Active()) << "the host went away";
  fakeTray->SetShown(true);
  EXPECT_TRUE(tray.Active());
  EXPECT_EQ(Fired(), (std::vector<std::string>{"show"})) << "no events for a host that restarts";
  tray.SetActive(false);
  fakeTray->SetShown(true);
  EXPECT_FALSE(tray.Active()) << "not asked for";
}

TEST_F(TrayTest, EmptyHintGivesTheApplicationTitleCutToItsLimit) {
  hooks.title = std::string(130, 'x');
  tray.SetActive(true);
  EXPECT_EQ(fakeTray->content.toolTip, std::string(127, 'x'));
  tray.SetHint("ä" + std::string(200, 'b'));
  EXPECT_EQ(fakeTray->content.toolTip, "ä" + std::string(126, 'b'));
}

TEST_F(TrayTest, ImageThatIsNoIconLeavesTheIcon) {
  testing::TempFolder folder("tray");
  const std::string png = folder.Write("icon.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12));
  const std::string text = folder.Write("notes.txt", "not an icon");
  tray.SetActive(true);
  tray.SetImage(png);
  ASSERT_EQ(fakeTray->content.iconBytes.size(), 12u);
  tray.SetImage(text);
  EXPECT_EQ(fakeTray->content.iconBytes.size(), 12u);
  EXPECT_EQ(tray.Image(), text);
}

TEST_F(TrayTest, HostClicksGiveTheMouseEventsInOrder) {
  tray.SetActive(true);
  hooks.calls.clear();
  fakeTray->sink.Activate(10, 20);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "click"}));
  EXPECT_EQ(DataOf("mousedown"), Data({"tray", 1, 0, 10, 20}));
  hooks.calls.clear();
  fakeTray->sink.SecondaryActivate(3, 4);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup"}));
  EXPECT_EQ(DataOf("mouseup"), Data({"tray", 4, 0, 3, 4}));
  hooks.calls.clear();
  fakeTray->sink.Button(true, platform::TMouseButton::mbRight, platform::ssShift, 5, 6);
  EXPECT_EQ(DataOf("mousedown"), Data({"tray", 2, 1, 5, 6}));
}

TEST_F(TrayTest, HostWithRealButtonsReportsClickAndMenuOnTheirOwn) {
  tray.GetEvents()->AttachEvent("ondblclick").SetXml("dblclick");
  platform::TPopupMenu& menu = platform::MakeComponent<platform::TPopupMenu>(hooks.root);
  menu.Items().Add(std::make_unique<platform::TMenuItem>()).SetCaption("Show");
  tray.SetPopupMenu(&menu);
  tray.SetActive(true);
  hooks.calls.clear();
  fakeTray->sink.Button(true, platform::TMouseButton::mbLeft, 0, 1, 2);
  fakeTray->sink.Button(false, platform::TMouseButton::mbLeft, 0, 1, 2);
  fakeTray->sink.Clicked();
  fakeTray->sink.DoubleClick(1, 2);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "click", "dblclick"}));
  EXPECT_EQ(hooks.activations, 0) << "a left click does not activate";
  hooks.calls.clear();
  fakeTray->sink.Button(true, platform::TMouseButton::mbRight, 0, 9, 8);
  fakeTray->sink.Button(false, platform::TMouseButton::mbRight, 0, 9, 8);
  EXPECT_EQ(hooks.activations, 1) << "a right release runs the auto-activation";
  fakeTray->sink.MenuRequested(9, 8);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "contextpopup"}));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].point.X, 9);
}

TEST_F(TrayTest, ContextMenuPopsUpUnlessHandled) {
  platform::TPopupMenu& menu = platform::MakeComponent<platform::TPopupMenu>(hooks.root);
  menu.SetName("trayMenu");
  menu.Items().Add(std::make_unique<platform::TMenuItem>()).SetCaption("Quit");
  tray.SetPopupMenu(&menu);
  tray.SetActive(true);
  hooks.calls.clear();
  fakeTray->sink.ContextMenu(100, 200);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "contextpopup"}));
  EXPECT_EQ(DataOf("contextpopup"), Data({"tray", 100, 200}));
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].point.X, 100);
  EXPECT_EQ(presenter.shown[0].point.Y, 200);
  EXPECT_EQ(menu.PopupComponent(), &tray);
  EXPECT_EQ(hooks.activations, 1) << "autoActivate is on by default";

  hooks.answer = [](const ScriptCall& call) { return call.procedure == "contextpopup" ? Variant(true) : Variant(); };
  fakeTray->sink.ContextMenu(100, 200);
  EXPECT_EQ(presenter.shown.size(), 1u) << "handled: no menu";

  hooks.answer = nullptr;
  tray.SetAutoHide(true);
  tray.SetAutoActivate(false);
  hooks.calls.clear();
  fakeTray->sink.ContextMenu(100, 200);
  EXPECT_FALSE(tray.Requested()) << "auto-hide removed the icon";
  EXPECT_EQ(Fired(), (std::vector<std::string>{"mousedown", "mouseup", "hide"}));
  EXPECT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(hooks.activations, 2);
}

struct BalloonCase {
  TBalloonIcon icon;
  const char* iconName;
};

class TrayBalloonIconTest : public TrayTest, public ::testing::WithParamInterface<BalloonCase> {};

TEST_P(TrayBalloonIconTest, BalloonCarriesTheProperties) {
  tray.SetBalloonIcon(GetParam().icon);
  tray.SetTimeout(3);
  tray.SetSound(false);
  tray.SetTitle(std::string(62, 't') + "éé");
  tray.SetText("Started");
  EXPECT_EQ(fakeBalloons, nullptr) << "no balloon before the icon is asked for";
  host = false;
  tray.SetActive(true);
  ASSERT_NE(fakeBalloons, nullptr) << "a balloon needs the icon asked for, not shown";
  ASSERT_EQ(fakeBalloons->shown.size(), 1u);
  const Balloon& balloon = fakeBalloons->shown[0];
  EXPECT_EQ(balloon.summary, std::string(62, 't') + "é");
  EXPECT_EQ(balloon.body, "Started");
  EXPECT_EQ(balloon.iconName, GetParam().iconName);
  EXPECT_EQ(balloon.timeoutMs, 3000);
  EXPECT_TRUE(balloon.suppressSound);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"balloonshow"}));
}

INSTANTIATE_TEST_SUITE_P(Icons, TrayBalloonIconTest,
                         ::testing::Values(BalloonCase{TBalloonIcon::biNone, ""},
                                           BalloonCase{TBalloonIcon::biInfo, "dialog-information"},
                                           BalloonCase{TBalloonIcon::biWarning, "dialog-warning"},
                                           BalloonCase{TBalloonIcon::biError, "dialog-error"},
                                           BalloonCase{TBalloonIcon::biUser, ""}));

TEST_F(TrayTest, BalloonTextAndDefaultsAndClosingReasons) {
  tray.SetActive(true);
  tray.SetTimeout(0);
  tray.SetText(std::string(254, 'a') + "ßß");
  ASSERT_NE(fakeBalloons, nullptr);
  const Balloon& balloon = fakeBalloons->shown.back();
  EXPECT_EQ(balloon.body, std::string(254, 'a') + "ß");
  EXPECT_EQ(balloon.summary, "Halbrin Demo");
  EXPECT_EQ(balloon.timeoutMs, -1) << "the server's default";
  EXPECT_FALSE(balloon.suppressSound);

  hooks.calls.clear();
  fakeBalloons->sink.BalloonClosed(BalloonCloseReason::Expired);
  fakeBalloons->sink.BalloonClosed(BalloonCloseReason::Dismissed);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"balloontimeout", "balloonhide"}));

  hooks.calls.clear();
  tray.SetExec(Variant("showBalloon"));
  tray.SetExec(Variant("hideBalloon"));
  EXPECT_EQ(Fired(), (std::vector<std::string>{"balloonshow", "balloonhide"}));
}

TEST_F(TrayTest, BalloonClickActivatesAndAutoHides) {
  tray.SetAutoHide(true);
  tray.SetActive(true);
  tray.SetText("Click me");
  hooks.calls.clear();
  fakeBalloons->sink.BalloonClicked();
  EXPECT_EQ(hooks.activations, 1);
  EXPECT_FALSE(tray.Requested());
  fakeBalloons->sink.BalloonClosed(BalloonCloseReason::Dismissed);
  EXPECT_EQ(Fired(), (std::vector<std::string>{"balloonclick", "hide"})) << "the closing after a click fires nothing";
}

TEST_F(TrayTest, MissingServicesLogOnceAndFireNothing) {
  server = false;
  platform::ScopedTrayIconServiceFactory noTray{{}};
  tray.SetText("Hello");
  tray.SetActive(true);
  EXPECT_FALSE(tray.Active());
  tray.SetText("Again");
  tray.SetActive(false);
  tray.SetActive(true);
  EXPECT_TRUE(hooks.calls.empty());
  EXPECT_EQ(hooks.logged, (std::vector<std::string>{"[TTrayNotifierEx]: No notification area is available",
                                                    "[TTrayNotifierEx]: No notification server is available"}));
}

TEST_F(TrayTest, ExecWordsAnswerTrueAndOthersGoToTheBase) {
  for (const char* word : {"focus", "autoactivate", "AUTOHIDE", "showballoon"}) {
    tray.SetExec(Variant(word));
    EXPECT_EQ(tray.GetExec(), Variant(true)) << word;
  }
  EXPECT_EQ(hooks.activations, 1);
  tray.SetExec(Variant("nonsense"));
  EXPECT_EQ(tray.GetExec(), Variant(false));
}

TEST(CutToCharacters, CutsOnCharacterBoundaries) {
  struct Row {
    std::string text;
    std::size_t limit;
    std::string expected;
  };
  const Row rows[] = {
      {"abc", 5, "abc"}, {"abcdef", 3, "abc"}, {"äöü", 2, "äö"}, {"a✓b", 2, "a✓"}, {"", 0, ""}, {"x", 0, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(platform::CutToCharacters(row.text, row.limit), row.expected) << row.text;
}

}  // namespace
}  // namespace halbrin::framework_test
