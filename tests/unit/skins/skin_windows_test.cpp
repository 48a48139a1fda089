#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "skins/core/skin_windows.h"

namespace halbrin::skins {
namespace {

// --- Hint rectangles ---------------------------------------------------------

TEST(HintTextRect, AddsTheMarginsToTheTextSize) {
  EXPECT_EQ(HintTextRect({100, 14}), (TRect{0, 0, 108, 20}));
  EXPECT_EQ(HintTextRect({}), (TRect{0, 0, 8, 6}));
}

struct PlaceCase {
  const char* name;
  TRect asked;
  bool shadow;
  TRect placed;
};

class PlaceHintRectTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceHintRectTest, KeepsTheHintOnTheWorkArea) {
  const PlaceCase& c = GetParam();
  const TRect workArea{0, 0, 1024, 768};
  EXPECT_EQ(PlaceHintRect(c.asked, workArea, c.shadow), c.placed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaceHintRectTest,
    ::testing::Values(
        PlaceCase{"InsideGrowsSevenPixelsDown", {100, 100, 200, 120}, true, {100, 100, 200, 127}},
        PlaceCase{"PastTheRightEdgeIsPulledIn", {1000, 100, 1100, 120}, false, {924, 100, 1024, 127}},
        PlaceCase{"ShadowAtTheRightEdgeMovesFourLeft", {1000, 100, 1100, 120}, true, {920, 100, 1020, 127}},
        PlaceCase{"ShadowJustTouchingTheEdge", {924, 100, 1024, 120}, true, {920, 100, 1020, 127}},
        PlaceCase{"ShadowAwayFromTheEdgeStays", {900, 100, 1000, 120}, true, {900, 100, 1000, 127}},
        PlaceCase{"PastTheBottomCountsTheExtraSeven", {10, 750, 110, 768}, false, {10, 743, 110, 768}},
        PlaceCase{"LeftOfTheOriginMovesRight", {-50, 100, 50, 120}, false, {0, 100, 100, 127}},
        PlaceCase{"AboveTheOriginMovesDown", {10, -30, 110, -10}, false, {10, 0, 110, 27}},
        PlaceCase{"WiderThanTheAreaKeepsItsLeftEdge", {0, 0, 1100, 20}, false, {0, 0, 1100, 27}}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

TEST(PlaceHintRect, UsesTheWorkAreaOrigin) {
  // A second monitor right of the first.
  const TRect workArea{1024, 24, 2048, 768};
  EXPECT_EQ(PlaceHintRect({1000, 10, 1100, 30}, workArea, false), (TRect{1024, 24, 1124, 51}));
  EXPECT_EQ(PlaceHintRect({2000, 10, 2100, 30}, workArea, true), (TRect{1944, 24, 2044, 51}));
}

// --- Pop-up bookkeeping ------------------------------------------------------

class RecordingPopup : public TSkinPopupWindowBase {
 public:
  std::vector<std::string> calls;

 protected:
  void ShowNative(const TRect& r) override {
    calls.push_back("show " + std::to_string(r.Left) + "," + std::to_string(r.Top));
  }
  void HideNative() override { calls.push_back("hide"); }
  void ApplyOpacity(std::uint8_t opacity) override { calls.push_back("opacity " + std::to_string(opacity)); }
};

TEST(SkinPopupWindow, ParkingTwiceStillBringsTheWindowBack) {
  RecordingPopup popup;
  popup.ShowAt({120, 40, 240, 60});
  popup.SetParked(true);
  popup.SetParked(true);
  EXPECT_FALSE(popup.Visible());
  popup.SetParked(false);
  EXPECT_TRUE(popup.Visible());
  EXPECT_EQ(popup.Bounds(), (TRect{120, 40, 240, 60}));
  EXPECT_EQ(popup.calls, (std::vector<std::string>{"show 120,40", "hide", "show 120,40"}));
}

TEST(SkinPopupWindow, ParkedWindowsWaitForUnparking) {
  RecordingPopup hidden;
  hidden.SetParked(true);
  hidden.ShowAt({5, 6, 10, 10});
  EXPECT_FALSE(hidden.Visible());
  EXPECT_TRUE(hidden.calls.empty()) << "a parked window must not show";
  hidden.SetParked(false);
  EXPECT_EQ(hidden.calls, (std::vector<std::string>{"show 5,6"}));

  RecordingPopup hiddenWhileParked;
  hiddenWhileParked.ShowAt({1, 2, 3, 4});
  hiddenWhileParked.SetParked(true);
  hiddenWhileParked.Hide();
  hiddenWhileParked.SetParked(false);
  EXPECT_FALSE(hiddenWhileParked.Visible()) << "unparking must not show a window hidden meanwhile";
  EXPECT_EQ(hiddenWhileParked.calls, (std::vector<std::string>{"show 1,2", "hide"}));
}

TEST(SkinPopupWindow, ShowsAgainOnlyWhenMovedAndTellsOpacityChanges) {
  RecordingPopup popup;
  popup.ShowAt({1, 1, 5, 5});
  popup.ShowAt({1, 1, 5, 5});
  popup.ShowAt({7, 8, 9, 9});
  popup.SetOpacity(255);
  popup.SetOpacity(100);
  popup.Hide();
  popup.Hide();
  EXPECT_EQ(popup.calls, (std::vector<std::string>{"show 1,1", "show 7,8", "opacity 100", "hide"}));
}

TEST(SkinPopupWindow, IndicatorsStartTranslucent) {
  HeadlessSkinPopupFactory factory;
  EXPECT_EQ(factory.CreatePopupWindow()->Opacity(), 255);
  EXPECT_EQ(factory.CreateDockIndicator()->Opacity(), kDockIndicatorOpacity);
  EXPECT_EQ(factory.CreateDragIndicator()->Opacity(), kDragIndicatorOpacity);
}

// --- Item edit end protocol --------------------------------------------------

struct EndStep {
  enum Kind { Enter, Escape, FocusLost } kind;
};

struct EditCase {
  const char* name;
  std::vector<EndStep::Kind> steps;
  std::string typed;
  bool accepted;
  std::string text;
  bool changed;
};

class ItemEditSessionTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(ItemEditSessionTest, EndsOnceWithTheFirstEnding) {
  const EditCase& c = GetParam();
  auto target = std::make_shared<int>(0);
  TItemEditSession session;
  std::vector<TItemEditResult> ends;
  session.Begin(target, "File", [&](const TItemEditResult& r) { ends.push_back(r); });
  for (EndStep::Kind step : c.steps) session.End(step != EndStep::Escape, c.typed);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0].accepted, c.accepted);
  EXPECT_EQ(ends[0].text, c.text);
  EXPECT_EQ(ends[0].changed, c.changed);
  EXPECT_FALSE(session.Active());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ItemEditSessionTest,
    ::testing::Values(
        EditCase{"EnterAccepts", {EndStep::Enter}, "Edit", true, "Edit", true},
        EditCase{"FocusLossAccepts", {EndStep::FocusLost}, "Edit", true, "Edit", true},
        EditCase{"EscapeCancels", {EndStep::Escape}, "Edit", false, "File", false},
        EditCase{"EnterThenFocusLossEndsOnce", {EndStep::Enter, EndStep::FocusLost}, "Edit", true, "Edit", true},
        EditCase{"EscapeThenFocusLossStaysCancelled", {EndStep::Escape, EndStep::FocusLost}, "Edit", false, "File",
                 false},
        EditCase{"UnchangedTextIsNoChange", {EndStep::Enter}, "File", true, "File", false}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST(ItemEditSession, AGoneTargetCancelsEvenOnEnter) {
  auto target = std::make_shared<int>(0);
  TItemEditSession session;
  std::vector<TItemEditResult> ends;
  session.Begin(target, "File", [&](const TItemEditResult& r) { ends.push_back(r); });
  target.reset();
  EXPECT_TRUE(session.TargetGone());
  EXPECT_TRUE(session.End(true, "Edit"));
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_FALSE(ends[0].accepted);
  EXPECT_FALSE(session.End(true, "Edit"));
}

TEST(ItemEditSession, ANewEditCancelsTheOneGoingAndTheHandlerMayBeginAgain) {
  auto target = std::make_shared<int>(0);
  TItemEditSession session;
  std::vector<std::string> log;
  session.Begin(target, "A", [&](const TItemEditResult& r) { log.push_back("A " + std::to_string(r.accepted)); });
  session.Begin(target, "B", [&](const TItemEditResult& r) {
    log.push_back("B " + std::to_string(r.accepted));
    session.Begin(target, "C", [&](const TItemEditResult& c) { log.push_back("C " + c.text); });
  });
  session.End(true, "B2");
  EXPECT_TRUE(session.Active());
  session.End(true, "C2");
  EXPECT_EQ(log, (std::vector<std::string>{"A 0", "B 1", "C C2"}));
}

// --- The factory -------------------------------------------------------------

class CountingFactory : public HeadlessSkinPopupFactory {
 public:
  int hints = 0;
  std::unique_ptr<ISkinHintWindow> CreateHintWindow() override {
    ++hints;
    return HeadlessSkinPopupFactory::CreateHintWindow();
  }
};

TEST(SkinPopupFactory, ScopesInstallAndRestoreInOrder) {
  ISkinPopupFactory& headless = CurrentSkinPopupFactory();
  CountingFactory outer;
  {
    ScopedSkinPopupFactory outerScope(outer);
    EXPECT_EQ(&CurrentSkinPopupFactory(), &outer);
    CountingFactory inner;
    {
      ScopedSkinPopupFactory innerScope(inner);
      CurrentSkinPopupFactory().CreateHintWindow();
      EXPECT_EQ(inner.hints, 1);
    }
    EXPECT_EQ(&CurrentSkinPopupFactory(), &outer);
  }
  EXPECT_EQ(&CurrentSkinPopupFactory(), &headless);
}

TEST(SkinPopupFactory, HeadlessEditorEndsByCancelOnce) {
  std::unique_ptr<ISkinItemEditor> editor = HeadlessSkinPopupFactory().CreateItemEditor();
  auto target = std::make_shared<int>(0);
  int ends = 0;
  bool accepted = true;
  editor->Edit({0, 0, 50, 20}, "x", {}, target, [&](const TItemEditResult& r) {
    ++ends;
    accepted = r.accepted;
  });
  EXPECT_TRUE(editor->Editing());
  editor->Cancel();
  editor->Cancel();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(accepted);
  EXPECT_FALSE(editor->Editing());
}

}  // namespace
}  // namespace halbrin::skins
