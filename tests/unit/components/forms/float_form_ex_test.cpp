// Floating forms: how they are made, "showatcursor", the visible write,
// first-show centring, the animation choice and fades, autoHide, and the
// float a declaration makes.

#include "components/forms/float_form_ex.h"

#include <gtest/gtest.h>

#include <optional>

#include "components/forms/form_component_types.h"
#include "core/foundation/property_values.h"
#include "core/framework/component_types.h"
#include "platform/services/desktop_service.h"
#include "unit/components/forms/form_ex_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TPoint;
using platform::TRect;

// A desktop with a pointer and a work area of the test's choosing.
class TTestDesktop : public platform::HeadlessDesktopService {
 public:
  std::optional<TPoint> CursorPos() const override { return cursor; }
  TRect WorkArea(const TRect&) const override { return area; }

  std::optional<TPoint> cursor;
  TRect area{0, 0, 1024, 768};
};

class FloatFormExTest : public FormExTestBase {
 protected:
  ~FloatFormExTest() override { SetFloatAnimationQuery(nullptr); }

  TFloatFormEx& Float(const std::string& name = "Tip") { return Make<TFloatFormEx>(name); }
  // The alpha values the backend was given, in order.
  std::vector<int> Opacities() const {
    std::vector<int> list;
    for (const std::string& call : Calls("SetOpacity(")) list.push_back(std::stoi(call.substr(call.rfind(' ') + 1)));
    return list;
  }

  TTestDesktop desktop;
  platform::ScopedDesktopService desktopScope{desktop};
};

TEST(FloatAnimationTest, TheChoiceFollowsTheFlagAndTheDesktop) {
  using E = TFloatAnimationEffect;
  struct ChoiceCase {
    bool animated, animationsOn, fadeOn, hiding;
    TFloatAnimation expected;
  } const cases[] = {
      {false, false, false, false, {E::None, false, 0}},
      {false, false, false, true, {E::None, true, 0}},
      {false, false, true, false, {E::None, false, 0}},
      {false, false, true, true, {E::None, true, 0}},
      {false, true, false, false, {E::None, false, 0}},
      {false, true, false, true, {E::None, true, 0}},
      {false, true, true, false, {E::None, false, 0}},
      {false, true, true, true, {E::None, true, 0}},
      {true, false, false, false, {E::None, false, 0}},
      {true, false, false, true, {E::None, true, 0}},
      {true, false, true, false, {E::None, false, 0}},
      {true, false, true, true, {E::None, true, 0}},
      {true, true, false, false, {E::Slide, false, 150}},
      {true, true, false, true, {E::Slide, true, 150}},
      {true, true, true, false, {E::Fade, false, 150}},
      {true, true, true, true, {E::Fade, true, 150}},
  };
  for (const ChoiceCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "animated " << c.animated << ", animations " << c.animationsOn << ", fade "
                                      << c.fadeOn << ", hiding " << c.hiding);
    EXPECT_EQ(ChooseFloatAnimation(c.animated, {c.animationsOn, c.fadeOn}, c.hiding), c.expected);
  }
}

TEST_F(FloatFormExTest, AFloatIsAToolWindowAboveTheMainFormThatNeverTakesTheActivation) {
  TFormEx& main = Make("Main");
  m_hooks.mainForm = &main;
  main.Show();
  TFloatFormEx& tip = Float();
  EXPECT_EQ(tip.FormStyle(), platform::fsStayOnTop);
  EXPECT_EQ(tip.BorderStyle(), platform::bsSizeToolWin);
  EXPECT_TRUE(tip.NeverActivate());
  EXPECT_EQ(tip.TransientFor(), &main);
  EXPECT_FALSE(tip.Animated());
  EXPECT_FALSE(tip.AutoHide());
  EXPECT_FALSE(tip.DropShadow());
  EXPECT_EQ(tip.GetTypeName(), "float");
  tip.Show();
  for (const char* call : {"SetStayOnTop(Tip true)", "SetNeverActivate(Tip true)", "SetTransientFor(Tip Main)"})
    EXPECT_NE(std::find(backend.Calls().begin(), backend.Calls().end(), call), backend.Calls().end()) << call;
  backend.ClearCalls();
  tip.WindowMouseDownInput(platform::TMouseButton::mbLeft, 0, 1, 1);
  EXPECT_EQ(Calls("RaiseWithoutActivating"), std::vector<std::string>{"RaiseWithoutActivating(Tip)"})
      << "a press raises it";
}

TEST_F(FloatFormExTest, ShowAtCursorPutsTheCornerAtThePointerAndShows) {
  struct CursorCase {
    const char* word;
    std::optional<TPoint> cursor;
    bool visibleBefore;
    Variant result;
    TRect bounds;
    bool visible;
  } const cases[] = {
      {"showatcursor", TPoint{300, 200}, false, true, {300, 200, 600, 400}, true},
      {"ShowAtCursor", TPoint{1000, 700}, false, true, {1000, 700, 1300, 900}, true},  // no clamp
      {"showatcursor", std::nullopt, false, true, {10, 20, 310, 220}, true},
      {"SHOWATCURSOR", TPoint{5, 6}, true, true, {5, 6, 305, 206}, true},
      {"hide", TPoint{5, 6}, true, true, {10, 20, 310, 220}, false},
      {"showatcursors", TPoint{5, 6}, false, false, {10, 20, 310, 220}, false},
  };
  for (const CursorCase& c : cases) {
    SCOPED_TRACE(c.word);
    desktop.cursor = c.cursor;
    TFloatFormEx& tip = Float();
    if (c.visibleBefore) tip.Show();
    tip.SetExec(Variant(c.word));
    EXPECT_EQ(tip.GetExec(), c.result);
    EXPECT_EQ(tip.BoundsRect(), c.bounds);
    EXPECT_EQ(tip.Visible(), c.visible);
    TComponent::Free(tip);
  }
}

TEST_F(FloatFormExTest, VisibleTrueOnAVisibleFloatRaisesIt) {
  TFloatFormEx& tip = Float();
  SetPropertyValue(tip, "visible", Variant(true));
  EXPECT_TRUE(tip.Visible());
  EXPECT_TRUE(backend.IsVisible(tip.Window()));
  backend.ClearCalls();
  SetPropertyValue(tip, "visible", Variant(true));
  EXPECT_EQ(backend.Calls(), std::vector<std::string>{"RaiseWithoutActivating(Tip)"});
  EXPECT_EQ(GetPropertyValue(tip, "visible"), Variant("True")) << "a Boolean reads as its name";
  SetPropertyValue(tip, "visible", Variant(false));
  EXPECT_FALSE(backend.IsVisible(tip.Window()));
}

TEST_F(FloatFormExTest, TheFirstShowCentresOnTheScreen) {
  struct CentreCase {
    TRect area;
    int width, height;
    platform::TPosition position;
    TPoint corner;
  } const cases[] = {
      {{0, 0, 1024, 768}, 200, 100, platform::poScreenCenter, {412, 334}},
      {{0, 0, 1024, 768}, 1024, 768, platform::poScreenCenter, {0, 0}},
      {{0, 0, 1024, 768}, 2000, 1000, platform::poScreenCenter, {0, 0}},
      {{0, 0, 1024, 768}, 2000, 100, platform::poScreenCenter, {0, 334}},
      {{1024, 0, 2048, 768}, 200, 100, platform::poScreenCenter, {1436, 334}},
      {{0, 0, 1024, 768}, 200, 100, platform::poDesigned, {10, 20}},
  };
  for (const CentreCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " position " << int(c.position));
    desktop.area = c.area;
    TFloatFormEx& tip = Float();
    tip.SetBounds(10, 20, c.width, c.height);
    tip.SetPosition(c.position);
    tip.Show();
    EXPECT_EQ(tip.BoundsRect(), (TRect{c.corner.X, c.corner.Y, c.corner.X + c.width, c.corner.Y + c.height}));
    TComponent::Free(tip);
  }
}

TEST_F(FloatFormExTest, OnlyTheFirstShowCentresUntilClear) {
  TFloatFormEx& tip = Float();
  tip.SetPosition(platform::poScreenCenter);
  tip.SetBounds(0, 0, 200, 100);
  Bind(tip, "onshow");
  tip.Show();
  tip.Hide();
  tip.SetBounds(5, 5, 200, 100);
  tip.Show();
  EXPECT_EQ(tip.Left(), 5) << "not centred again";
  tip.Hide();
  tip.clear();
  Bind(tip, "onshow");
  tip.Show();
  EXPECT_EQ(tip.Left(), 412) << "centred again after clear";
  EXPECT_EQ(Parameters(), (std::vector<Variant>{Array({"Tip", true}), Array({"Tip", false}), Array({"Tip", true})}));
}

TEST_F(FloatFormExTest, AnAnimatedFloatFadesInAndOut) {
  SetFloatAnimationQuery([] { return TFloatAnimationSettings{true, true}; });
  TFloatFormEx& tip = Float();
  tip.SetAnimated(true);
  Bind(tip, "onshow", "shown");
  Bind(tip, "onhide", "hidden");
  tip.Show();
  EXPECT_EQ(Procedures(), std::vector<std::string>{"shown"}) << "\"show\" does not wait for the fade";
  EXPECT_TRUE(backend.IsVisible(tip.Window()));
  EXPECT_TRUE(tip.Fading());
  m_loop.Advance(kFloatAnimationMs);
  EXPECT_FALSE(tip.Fading());
  std::vector<int> in = Opacities();
  ASSERT_GE(in.size(), 3u);
  EXPECT_EQ(in.front(), 0);
  EXPECT_EQ(in.back(), 255);
  EXPECT_TRUE(std::is_sorted(in.begin(), in.end())) << "rising";

  backend.ClearCalls();
  tip.Hide();
  EXPECT_EQ(Procedures(), (std::vector<std::string>{"shown", "hidden"}));
  EXPECT_TRUE(backend.IsVisible(tip.Window())) << "the window stays while it fades";
  m_loop.Advance(kFloatAnimationMs);
  EXPECT_FALSE(backend.IsVisible(tip.Window()));
  std::vector<int> out = Opacities();
  ASSERT_GE(out.size(), 3u);
  EXPECT_TRUE(std::is_sorted(out.begin(), out.end() - 1, std::greater<>())) << "falling";
  const std::vector<std::string> tail(backend.Calls().end() - 3, backend.Calls().end());
  EXPECT_EQ(tail, (std::vector<std::string>{"SetOpacity(Tip 0)", "SetVisible(Tip false)", "SetOpacity(Tip 255)"}))
      << "out of sight, hidden, then opaque again";
}

TEST_F(FloatFormExTest, AFadeTurningRoundEndsWhereTheLastWordLeftIt) {
  SetFloatAnimationQuery([] { return TFloatAnimationSettings{true, true}; });
  TFloatFormEx& tip = Float();
  tip.SetAnimated(true);
  tip.SetAlphaBlend(true);
  tip.SetAlphaBlendValue(200);
  tip.Show();
  m_loop.Advance(45);
  tip.Hide();
  m_loop.Advance(30);
  tip.Show();
  m_loop.Advance(2 * kFloatAnimationMs);
  EXPECT_TRUE(backend.IsVisible(tip.Window()));
  EXPECT_EQ(Opacities().back(), 200) << "the form's own alpha";
  for (int alpha : Opacities()) EXPECT_LE(alpha, 200);
}

TEST_F(FloatFormExTest, WithoutFadingTheWindowComesAndGoesAtOnce) {
  struct SettingsCase {
    bool animated;
    TFloatAnimationSettings settings;
  } const cases[] = {{false, {true, true}}, {true, {false, true}}, {true, {true, false}}};
  for (const SettingsCase& c : cases) {
    SetFloatAnimationQuery([&] { return c.settings; });
    TFloatFormEx& tip = Float();
    tip.SetAnimated(c.animated);
    tip.Show();
    EXPECT_TRUE(backend.IsVisible(tip.Window()));
    tip.Hide();
    EXPECT_FALSE(backend.IsVisible(tip.Window()));
    EXPECT_TRUE(Opacities().empty());
    TComponent::Free(tip);
  }
}

TEST_F(FloatFormExTest, AFloatFreedWhileFadingLeavesNothingRunning) {
  SetFloatAnimationQuery([] { return TFloatAnimationSettings{true, true}; });
  TFloatFormEx& tip = Float();
  tip.SetAnimated(true);
  tip.Show();
  tip.Hide();
  TComponent::Free(tip);
  m_loop.Advance(kFloatAnimationMs);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
}

TEST_F(FloatFormExTest, AutoHideClosesTheFloatWhenItLosesTheActivation) {
  for (const bool autoHide : {false, true}) {
    SCOPED_TRACE(autoHide ? "autoHide" : "no autoHide");
    TFloatFormEx& tip = Float();
    SetPropertyValue(tip, "autoHide", Variant(autoHide));
    tip.Show();
    Bind(tip, "onclose");
    tip.WindowActivationChanged(true);
    tip.WindowActivationChanged(false);
    EXPECT_EQ(tip.Visible(), !autoHide);
    EXPECT_EQ(m_hooks.calls.size(), autoHide ? 1u : 0u) << "closed through \"close\"";
    m_hooks.calls.clear();
    TComponent::Free(tip);
  }
}

TEST_F(FloatFormExTest, ADeclaredFloatHasItsWindowAndWaitsForItsFirstShow) {
  RegisterFormComponentTypes();
  auto* tip = dynamic_cast<TFloatFormEx*>(CreateComponentByType(&m_hooks.root, "FLOAT", "Tip"));
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->HandleAllocated());
  EXPECT_FALSE(backend.IsVisible(tip->Window()));
  EXPECT_FALSE(tip->Visible());
  EXPECT_TRUE(tip->FirstShow());
  EXPECT_EQ(platform::Screen().ActiveForm(), nullptr);
  for (const std::string& call : backend.Calls())
    EXPECT_TRUE(call.rfind("SetVisible", 0) != 0 && call.rfind("Present", 0) != 0) << call;

  tip->SetPosition(platform::poScreenCenter);
  tip->SetBounds(0, 0, 200, 100);
  Bind(*tip, "onshow");
  tip->Show();
  EXPECT_EQ(Parameters(), std::vector<Variant>{Array({"Tip", true})});
  EXPECT_EQ(tip->BoundsRect(), (TRect{412, 334, 612, 434}));
}

}  // namespace
}  // namespace halbrin::framework_test
