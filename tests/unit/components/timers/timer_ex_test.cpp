// The script timer on the fake loop: arming through bindings and writes, the
// tick limit around the handler, handler answers, exec words, a handler that
// frees its timer, and ticks held while a page's answer is awaited.

#include "components/timers/timer_ex.h"

#include <gtest/gtest.h>

#include <optional>

#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

class TimerExTest : public FrameworkTest {
 protected:
  TimerExTest() {
    m_timer = &platform::MakeComponent<TTimerEx>(m_hooks.root);
    m_timer->SetName("clock");
    m_timer->SetElapse(100);
    // Each call records `enabled` as the handler sees it.
    m_hooks.answer = [this](const ScriptCall&) {
      m_enabledInHandler.push_back(m_timer->Enabled());
      return m_answer;
    };
  }

  void Bind() { m_timer->GetEvents()->AttachEvent("onchange").SetXml("tick"); }
  void Start() {
    Bind();
    m_timer->SetEnabled(true);
  }

  // The ticks each call carried in eventData, in order.
  std::vector<int> TicksSeen() const {
    std::vector<int> ticks;
    for (const ScriptCall& call : m_hooks.calls) {
      EXPECT_EQ(call.parameters.AsArray().Items()[0], Variant("clock"));
      ticks.push_back(static_cast<int>(call.parameters.AsArray().Items()[1].ToInt()));
    }
    return ticks;
  }

  TTimerEx* m_timer = nullptr;
  Variant m_answer;
  std::vector<bool> m_enabledInHandler;
};

TEST_F(TimerExTest, ArmsOnlyWhenEnabledWithAPeriodAndAHandler) {
  m_timer->SetEnabled(true);
  m_loop.Advance(500);
  EXPECT_TRUE(m_hooks.calls.empty()) << "no binding, no tick";
  EXPECT_FALSE(m_timer->Armed());
  Bind();
  EXPECT_TRUE(m_timer->Armed()) << "attaching the binding arms it";
  m_loop.Advance(250);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2}));

  m_timer->GetEvents()->DetachEvent("onchange");
  EXPECT_FALSE(m_timer->Armed()) << "detaching stops it";
  m_loop.Advance(500);
  EXPECT_EQ(m_hooks.calls.size(), 2u);
}

TEST_F(TimerExTest, ElapseZeroNeverTicksAndShortPeriodsRunAtTenMs) {
  Start();
  m_timer->SetElapse(0);
  m_loop.Advance(1000);
  EXPECT_TRUE(m_hooks.calls.empty());
  EXPECT_FALSE(m_timer->Armed());

  m_timer->SetElapse(5);
  EXPECT_EQ(m_timer->Elapse(), 5u) << "reads back what was written";
  m_loop.Advance(9);
  EXPECT_TRUE(m_hooks.calls.empty());
  m_loop.Advance(21);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2, 3})) << "every 10 ms";
}

TEST_F(TimerExTest, ACountStopsOnTheLastTickBeforeTheHandlerRuns) {
  m_timer->SetCount(3);
  Start();
  m_loop.Advance(1000);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2, 0})) << "the last tick re-arms to 0 before the handler";
  EXPECT_EQ(m_enabledInHandler, (std::vector<bool>{true, true, false}));
  EXPECT_FALSE(m_timer->Enabled());
  EXPECT_FALSE(m_timer->Armed());
}

TEST_F(TimerExTest, CountChangesKeepTheTicksAndNegativeMeansNoLimit) {
  Start();
  m_loop.Advance(200);
  m_timer->SetCount(4);
  EXPECT_EQ(m_timer->Ticks(), 2) << "a new count does not reset the ticks";
  m_loop.Advance(1000);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2, 3, 0}));

  m_timer->SetCount(-4);
  EXPECT_EQ(m_timer->Count(), 0);
  m_hooks.calls.clear();
  m_timer->SetEnabled(true);
  m_loop.Advance(1000);
  EXPECT_EQ(m_hooks.calls.size(), 10u) << "no limit";
}

TEST_F(TimerExTest, OnlyAFalseAnswerStopsTheTimer) {
  const struct {
    const char* name;
    Variant answer;
    std::size_t calls;
  } cases[] = {
      {"false", Variant(false), 1},
      {"0", Variant(0), 3},
      {"nothing", Variant(), 3},
      {"true", Variant(true), 3},
  };
  Bind();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.calls.clear();
    m_answer = c.answer;
    m_timer->SetEnabled(true);
    m_loop.Advance(300);
    EXPECT_EQ(m_hooks.calls.size(), c.calls);
    EXPECT_EQ(m_timer->Enabled(), c.calls == 3);
    m_timer->SetEnabled(false);
  }
}

TEST_F(TimerExTest, ExecWordsStartStopAndRestartFromTickOne) {
  Bind();
  const struct {
    const char* word;
    bool enabled;
  } words[] = {{"START", true}, {"stop", false}, {"Restart", true}};
  for (const auto& w : words) {
    m_timer->SetExec(Variant(w.word));
    EXPECT_EQ(m_timer->GetExec(), Variant(true)) << w.word;
    EXPECT_EQ(m_timer->Enabled(), w.enabled) << w.word;
  }
  m_timer->SetExec(Variant("explode"));
  EXPECT_EQ(m_timer->GetExec(), Variant(false)) << "an unknown word goes to the base";

  m_loop.Advance(200);
  m_timer->SetExec(Variant("restart"));
  m_loop.Advance(100);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2, 1}));
}

TEST_F(TimerExTest, ANegativeElapseIsRefusedAndChangesNothing) {
  Start();
  EXPECT_ANY_THROW(SetPropertyValueEx(*m_timer, "elapse", Variant(-5)));
  EXPECT_EQ(m_timer->Elapse(), 100u);
  EXPECT_TRUE(m_timer->Armed());
}

TEST_F(TimerExTest, AHandlerMayFreeItsTimer) {
  Start();
  platform::TWeakRef<TTimerEx> alive(m_timer);
  m_hooks.answer = [this](const ScriptCall&) {
    TComponent::Free(*m_timer);
    return Variant(false);
  };
  m_loop.Advance(100);
  EXPECT_FALSE(alive) << "freed once the tick is over";
  EXPECT_EQ(m_hooks.calls.size(), 1u);
  m_loop.Advance(500);
  EXPECT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_loop.PendingSources(), 0u) << "its loop timer went with it";
}

TEST_F(TimerExTest, EnablingOnTheLastTickKeepsItRunningFromZero) {
  m_timer->SetCount(2);
  Start();
  m_hooks.answer = [this](const ScriptCall&) {
    if (!m_timer->Enabled()) m_timer->SetEnabled(true);
    return Variant();
  };
  m_loop.Advance(500);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 0, 1, 0, 1}));
  EXPECT_TRUE(m_timer->Enabled());
}

TEST_F(TimerExTest, TicksWhileAPageAnswerIsAwaitedAreSkippedUncounted) {
  Start();
  m_loop.Advance(100);
  m_hooks.hold = true;
  m_loop.Advance(300);
  EXPECT_EQ(m_hooks.calls.size(), 1u);
  m_hooks.hold = false;
  m_loop.Advance(100);
  EXPECT_EQ(TicksSeen(), (std::vector<int>{1, 2}));
}

TEST_F(TimerExTest, TheTypeWordMakesATimer) {
  RegisterTimerComponentTypes();
  auto* made = dynamic_cast<TTimerEx*>(CreateComponentByType(&m_hooks.root, "timer", "second"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetTypeName(), "timer");
  EXPECT_FALSE(made->Enabled());
  EXPECT_EQ(made->Elapse(), 1000u);
}

}  // namespace
}  // namespace halbrin::framework_test
