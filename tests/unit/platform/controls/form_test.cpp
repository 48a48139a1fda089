#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/controls/form.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/modal_loop.h"

namespace halbrin::platform {
namespace {

using Log = std::vector<std::string>;

// Answers a form's close protocol as told and logs its notifications.
struct TFormListener : TObject {
  HALBRIN_CLASS(TFormListener, TObject)
  Log* log = nullptr;
  bool canClose = true;
  TCloseAction action = caHide;
  bool helpHandled = true;

  void Attach(TForm& form) {
    form.OnShow().Bind(*this, &TFormListener::Show);
    form.OnHide().Bind(*this, &TFormListener::Hide);
    form.OnActivate().Bind(*this, &TFormListener::Activate);
    form.OnDeactivate().Bind(*this, &TFormListener::Deactivate);
    form.OnCloseQuery().Bind(*this, &TFormListener::CloseQuery);
    form.OnClose().Bind(*this, &TFormListener::Close);
    form.OnHelp().Bind(*this, &TFormListener::Help);
    form.OnResize().Bind(*this, &TFormListener::Resize);
  }
  void Show(TObject*) { log->push_back("show"); }
  void Hide(TObject*) { log->push_back("hide"); }
  void Activate(TObject*) { log->push_back("activate"); }
  void Deactivate(TObject*) { log->push_back("deactivate"); }
  void Resize(TObject*) { log->push_back("resize"); }
  void CloseQuery(TObject*, bool& can) {
    log->push_back("closequery");
    can = canClose;
  }
  void Close(TObject*, TCloseAction& a) {
    log->push_back("close " + std::to_string(a));
    a = action;
  }
  void Help(std::uint16_t command, std::int32_t data, bool&, bool& result) {
    log->push_back("help " + std::to_string(command) + "," + std::to_string(data));
    result = helpHandled;
  }
};

HALBRIN_DEFINE_CLASS(TFormListener, )

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    listener.log = &log;
    form.SetName("Form1");
    form.SetBounds(10, 20, 200, 100);
    listener.Attach(form);
  }
  ~FormTest() override { Screen().SetOnMainFormClosed(nullptr); }

  FakeEventLoop loop;
  ScopedMainEventLoop loopScope{loop};
  TRecordingControlBackend backend;
  ScopedControlBackend scope{backend};
  Log log;
  TFormListener listener;
  TComponent owner;
  TForm& form = MakeComponent<TForm>(owner);
};

// --- Close --------------------------------------------------------------------

struct CloseCase {
  const char* name;
  bool canClose;
  TCloseAction action;
  bool main;
  bool visibleAfter;
  TWindowState stateAfter;
  bool freed;
  bool mainHook;
  Log expected;
};

class CloseTest : public FormTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, CloseAsksThenActsOnTheAction) {
  const CloseCase& c = GetParam();
  int hooked = 0;
  if (c.main) Screen().SetMainForm(&form);
  Screen().SetOnMainFormClosed([&] { ++hooked; });
  listener.canClose = c.canClose;
  listener.action = c.action;
  const TWeakRef<TForm> alive(&form);
  form.Show();
  log.clear();
  form.Close();
  EXPECT_EQ(log, c.expected);
  loop.RunIdle();  // a release happens here
  EXPECT_EQ(!alive, c.freed);
  if (alive) {
    EXPECT_EQ(form.Visible(), c.visibleAfter);
    EXPECT_EQ(form.WindowState(), c.stateAfter);
  }
  // Freeing the main form tells the hook too, once only for the close.
  EXPECT_EQ(hooked > 0, c.mainHook);
  if (alive && c.main) Screen().SetMainForm(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, CloseTest,
    ::testing::Values(
        CloseCase{"Refused", false, caHide, true, true, wsNormal, false, false, {"closequery"}},
        CloseCase{"Hide", true, caHide, false, false, wsNormal, false, false, {"closequery", "close 1", "hide"}},
        CloseCase{"None", true, caNone, true, true, wsNormal, false, false, {"closequery", "close 1"}},
        CloseCase{"Minimize", true, caMinimize, false, true, wsMinimized, false, false, {"closequery", "close 1"}},
        CloseCase{"Free", true, caFree, false, false, wsNormal, true, false, {"closequery", "close 1"}},
        CloseCase{"MainHide", true, caHide, true, false, wsNormal, false, true, {"closequery", "close 1", "hide"}},
        CloseCase{"MainFree", true, caFree, true, false, wsNormal, true, true, {"closequery", "close 1"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, TheWindowManagersCloseRunsTheCloseProtocol) {
  form.Show();
  log.clear();
  form.WindowCloseRequested();
  EXPECT_EQ(log, (Log{"closequery", "close 1", "hide"}));
  EXPECT_FALSE(form.Visible());
}

// --- Modal --------------------------------------------------------------------

TEST_F(FormTest, ShowModalReturnsTheModalResultAndHidesTheForm) {
  int runs = 0;
  ScopedModalLoopRunner runner([&](TModalLoop&) {
    ++runs;
    EXPECT_TRUE(form.Modal());
    EXPECT_TRUE(form.Visible());
    form.SetModalResult(mrOk);
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.Modal());
  EXPECT_EQ(log, (Log{"show", "closequery", "close 1", "hide"}));
  const Log& calls = backend.Calls();
  const auto modalOn = std::find(calls.begin(), calls.end(), "SetModal(Form1 true)");
  const auto shown = std::find(calls.begin(), calls.end(), "SetVisible(Form1 true)");
  EXPECT_LT(modalOn, shown);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetModal(Form1 false)"), calls.end());
}

TEST_F(FormTest, ACloseActionOfNoneKeepsTheModalLoopGoing) {
  int runs = 0;
  ScopedModalLoopRunner runner([&](TModalLoop&) {
    ++runs;
    listener.action = runs == 1 ? caNone : caHide;
    form.Close();  // modal: only sets the result
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(log, (Log{"show", "closequery", "close 1", "closequery", "close 1", "hide"}));
}

TEST_F(FormTest, EndingTheModalLoopsFromOutsideCancelsWithoutTheCloseProtocol) {
  ScopedModalLoopRunner runner([&](TModalLoop&) { EndModalLoops(mrCancel); });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(form.ModalResult(), mrCancel);
  EXPECT_EQ(log, (Log{"show", "hide"}));
}

TEST_F(FormTest, AVisibleFormCannotBeShownModally) {
  form.Show();
  EXPECT_THROW(form.ShowModal(), EInvalidOperation);
}

TEST_F(FormTest, AFormFreedInItsModalLoopEndsIt) {
  ScopedModalLoopRunner runner([&](TModalLoop& l) {
    TComponent::Free(form);
    EXPECT_TRUE(l.Ended());
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

// --- Showing, position, activation --------------------------------------------

TEST_F(FormTest, ShowAndHideFireOnlyWhenTheShowingChanges) {
  form.Show();
  form.Show();
  form.Hide();
  form.Hide();
  form.Show();
  EXPECT_EQ(log, (Log{"show", "hide", "show"}));
}

struct CenterCase {
  const char* name;
  int width;
  int height;
  int left;
  int top;
};

class CenterTest : public FormTest, public ::testing::WithParamInterface<CenterCase> {};

TEST_P(CenterTest, ScreenCentreIsAppliedOnTheFirstShow) {
  const CenterCase& c = GetParam();
  form.SetPosition(poScreenCenter);
  form.SetBounds(5, 5, c.width, c.height);
  form.Show();
  EXPECT_EQ(form.Left(), c.left);
  EXPECT_EQ(form.Top(), c.top);
  // Later shows keep where the form is.
  form.Hide();
  form.SetBounds(1, 2, c.width, c.height);
  form.Show();
  EXPECT_EQ(form.Left(), 1);
}

// The headless work area is 1024 x 768.
INSTANTIATE_TEST_SUITE_P(Sizes, CenterTest,
                         ::testing::Values(CenterCase{"Small", 200, 100, 412, 334},
                                           CenterCase{"OddSizes", 201, 101, 411, 333},
                                           CenterCase{"WholeScreen", 1024, 768, 0, 0},
                                           CenterCase{"LargerThanTheScreen", 1500, 900, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, TheScreenListsFormsInCreationOrderAndKnowsTheActiveOne) {
  auto& second = MakeComponent<TForm>(owner);
  const auto& forms = Screen().FormList();
  const auto mine = std::find(forms.begin(), forms.end(), &form);
  ASSERT_NE(mine, forms.end());
  EXPECT_EQ(*(mine + 1), &second);

  form.Show();
  form.WindowActivationChanged(true);
  EXPECT_EQ(Screen().ActiveForm(), &form);
  form.WindowActivationChanged(false);
  EXPECT_EQ(Screen().ActiveForm(), nullptr);
  second.WindowActivationChanged(true);
  TComponent::Free(second);
  EXPECT_EQ(Screen().ActiveForm(), nullptr);
  EXPECT_EQ(std::find(forms.begin(), forms.end(), &second), forms.end());
  EXPECT_EQ(log, (Log{"show", "activate", "deactivate"}));
}

TEST_F(FormTest, TopLevelStateReachesANewWindowBeforeItShows) {
  form.SetFormStyle(fsStayOnTop);
  form.SetAlphaBlend(true);
  form.SetAlphaBlendValue(300);  // clamped
  const TArgbImage icon(16, 16, 0xFF000000u);
  form.SetIcon(&icon);
  form.SetBorderStyle(bsSizeToolWin);
  form.Show();
  const Log& calls = backend.Calls();
  const auto at = [&](const std::string& line) { return std::find(calls.begin(), calls.end(), line); };
  ASSERT_NE(at("SetStayOnTop(Form1 true)"), calls.end());
  ASSERT_NE(at("SetOpacity(Form1 255)"), calls.end());
  ASSERT_NE(at("SetIcon(Form1 16x16)"), calls.end());
  ASSERT_NE(at("SetTraits(Form1 caption,border,sizable,sysMenu,toolWindow)"), calls.end());
  EXPECT_LT(at("SetIcon(Form1 16x16)"), at("SetVisible(Form1 true)"));
  backend.ClearCalls();
  form.SetAlphaBlendValue(128);
  form.SetAlphaBlend(false);
  form.SetIcon(nullptr);
  EXPECT_EQ(calls, (Log{"SetOpacity(Form1 128)", "SetOpacity(Form1 255)", "SetIcon(Form1 none)"}));
}

TEST_F(FormTest, F1AsksForHelpWithTheHelpContext) {
  form.SetHelpContext(42);
  form.Show();
  EXPECT_EQ(form.WindowKeyDownInput(kVkF1, 0), kVkF1);
  EXPECT_EQ(log, (Log{"show", "help 1,42"}));
}

TEST_F(FormTest, ReleaseFreesAtTheNextIdleMomentOnce) {
  const TWeakRef<TForm> alive(&form);
  form.Release();
  form.Release();
  EXPECT_TRUE(alive);
  loop.RunIdle();
  EXPECT_FALSE(alive);
}

TEST_F(FormTest, AWindowStateTheWindowSystemChangedIsKeptWithoutBeingSentBack) {
  form.Show();
  backend.ClearCalls();
  form.WindowStateChanged(wsMaximized);
  EXPECT_EQ(form.WindowState(), wsMaximized);
  EXPECT_TRUE(backend.Calls().empty());
  form.SetWindowState(wsNormal);
  EXPECT_EQ(backend.Calls(), (Log{"SetWindowState(Form1 normal)"}));
}

}  // namespace
}  // namespace halbrin::platform
