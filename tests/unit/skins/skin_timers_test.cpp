// Skin timers on the skinned window: numbers 1015 + Index, re-armed when the
// items move, the shortest period, nothing without a window or while loading,
// Assign, and the change event.

#include "skins/core/skin_timers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "skins/core/custom_skin.h"

namespace halbrin::skins {
namespace {

using platform::TComponent;
using platform::TObject;

class Handlers final : public TComponent {
 public:
  using TComponent::TComponent;
  void Changed(TObject* sender) { fired.push_back(dynamic_cast<TZebrinSkinTimer*>(sender)); }
  std::vector<TZebrinSkinTimer*> fired;
};

class SkinTimersTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  SkinTimersTest() {
    control = &platform::MakeComponent<platform::TWinControl>(root);
    control->SetBounds(0, 0, 200, 100);
    control->HandleNeeded();
    skin = &platform::MakeComponent<TZebrinCustomSkin>(root);
    handlers = &platform::MakeComponent<Handlers>(root);
  }
  ~SkinTimersTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  void Hook() {
    skin->SetControl(control);
    skin->SetEnabled(true);
  }
  TZebrinSkinTimer& AddTimer(std::uint32_t interval, bool enabled) {
    auto& timer = static_cast<TZebrinSkinTimer&>(skin->Timers()->Add());
    timer.SetInterval(interval);
    timer.SetEnabled(enabled);
    timer.OnChange().Bind(*handlers, &Handlers::Changed);
    return timer;
  }
  // The period of each of the first `count` skin timer numbers; 0 for one not armed.
  std::vector<std::uint32_t> Armed(int count = 4) const {
    std::vector<std::uint32_t> periods;
    for (int i = 0; i < count; ++i) periods.push_back(skin->SkinTimerInterval(TZebrinSkinTimers::kFirstTimerId + i));
    return periods;
  }

  TComponent root;
  platform::TWinControl* control = nullptr;
  TZebrinCustomSkin* skin = nullptr;
  Handlers* handlers = nullptr;
};

using Periods = std::vector<std::uint32_t>;

TEST_F(SkinTimersTest, DeletingAnItemRearmsTheRestUnderTheirNewNumbers) {
  Hook();
  TZebrinSkinTimer& first = AddTimer(100, true);
  AddTimer(200, true);
  TZebrinSkinTimer& third = AddTimer(300, true);
  EXPECT_EQ(Armed(), (Periods{100, 200, 300, 0}));
  loop.Advance(60);
  skin->Timers()->Delete(1);
  EXPECT_EQ(Armed(), (Periods{100, 300, 0, 0}));
  // Every timer started again at the delete: the first is not due at 100.
  loop.Advance(60);
  EXPECT_TRUE(handlers->fired.empty());
  loop.Advance(40);
  EXPECT_EQ(handlers->fired, (std::vector<TZebrinSkinTimer*>{&first}));
  handlers->fired.clear();
  loop.Advance(200);
  EXPECT_EQ(std::count(handlers->fired.begin(), handlers->fired.end(), &third), 1);
}

TEST_F(SkinTimersTest, MovingOrInsertingRearmsEveryTimer) {
  Hook();
  AddTimer(100, true);
  AddTimer(200, false);
  TZebrinSkinTimer& last = AddTimer(300, true);
  last.SetIndex(0);
  EXPECT_EQ(Armed(), (Periods{300, 100, 0, 0}));
  skin->Timers()->Insert(1);
  EXPECT_EQ(Armed(), (Periods{300, 0, 100, 0}));
  loop.Advance(300);
  EXPECT_EQ(std::count(handlers->fired.begin(), handlers->fired.end(), &last), 1) << "the timer keeps its own handler";
}

TEST_F(SkinTimersTest, WritesStartStopAndUseTheShortestPeriod) {
  Hook();
  TZebrinSkinTimer& timer = AddTimer(100, false);
  EXPECT_EQ(Armed(1), (Periods{0}));
  timer.SetInterval(250);
  EXPECT_EQ(Armed(1), (Periods{0})) << "an Interval change while disabled starts nothing";
  timer.SetEnabled(true);
  EXPECT_EQ(Armed(1), (Periods{250}));
  timer.SetInterval(5);
  EXPECT_EQ(Armed(1), (Periods{TZebrinSkinTimer::kMinInterval}));
  timer.SetInterval(0);
  EXPECT_EQ(Armed(1), (Periods{TZebrinSkinTimer::kMinInterval}));
  timer.SetEnabled(false);
  EXPECT_EQ(Armed(1), (Periods{0}));
}

TEST_F(SkinTimersTest, NothingRunsWithoutAWindowOrWhileLoadingAndHookingStartsTheEnabled) {
  TZebrinSkinTimer& a = AddTimer(100, true);
  AddTimer(200, false);
  EXPECT_EQ(Armed(2), (Periods{0, 0})) << "no window";
  a.Start();
  EXPECT_EQ(Armed(2), (Periods{0, 0}));
  Hook();
  EXPECT_EQ(Armed(2), (Periods{100, 0}));
  skin->SetEnabled(false);
  EXPECT_EQ(Armed(2), (Periods{0, 0})) << "unhooking stops them";

  skin->SetLoading(true);
  skin->SetEnabled(true);
  TZebrinSkinTimer& b = AddTimer(300, true);
  a.SetInterval(150);
  EXPECT_EQ(Armed(3), (Periods{0, 0, 0})) << "nothing while loading";
  skin->Loaded();
  EXPECT_EQ(Armed(3), (Periods{150, 0, 300}));
  (void)b;
}

TEST_F(SkinTimersTest, AssignTakesIntervalThenEnabled) {
  Hook();
  TZebrinSkinTimer& target = AddTimer(50, false);
  TZebrinSkinTimers other;
  auto& source = static_cast<TZebrinSkinTimer&>(other.Add());
  source.SetInterval(400);
  source.SetEnabled(true);
  source.SetPropertyName("Text");
  target.Assign(source);
  EXPECT_EQ(target.Interval(), 400u);
  EXPECT_TRUE(target.Enabled());
  EXPECT_EQ(target.PropertyName(), "") << "the handler's data is not copied";
  EXPECT_EQ(Armed(1), (Periods{400}));
  source.SetEnabled(false);
  target.Assign(source);
  EXPECT_EQ(Armed(1), (Periods{0}));
}

TEST_F(SkinTimersTest, ExpiryReachesOnChangeOfTheItemAtThatIndex) {
  Hook();
  TZebrinSkinTimer& a = AddTimer(100, true);
  TZebrinSkinTimer& b = AddTimer(100, false);
  loop.Advance(250);
  EXPECT_EQ(handlers->fired, (std::vector<TZebrinSkinTimer*>{&a, &a}));
  handlers->fired.clear();
  skin->Timers()->TimerExpired(TZebrinSkinTimers::kFirstTimerId + 1);
  skin->Timers()->TimerExpired(TZebrinSkinTimers::kFirstTimerId + 7);
  EXPECT_EQ(handlers->fired, (std::vector<TZebrinSkinTimer*>{&b}));
}

TEST_F(SkinTimersTest, PublishedValuesAndAWeakPropertyObject) {
  TZebrinSkinTimer& timer = AddTimer(50, false);
  {
    TComponent target;
    timer.SetPropertyObject(&target);
    EXPECT_EQ(timer.PropertyObject(), &target);
  }
  EXPECT_EQ(timer.PropertyObject(), nullptr);
  EXPECT_TRUE(timer.PropertyValue().IsEmpty());
  for (const char* name : {"Enabled", "Interval", "OnChange", "PropertyName", "PropertyValue", "PropertyObject"})
    EXPECT_NE(timer.ClassInfo().FindProperty(name), nullptr) << name;
}

}  // namespace
}  // namespace halbrin::skins
