// TimerSource and IdleSource: sources owned by the object that arms them.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/idle_source.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin::platform {
namespace {

class TimerSourceTest : public ::testing::Test {
 protected:
  std::function<void()> RecordTick() {
    return [this] { m_tickTimes.push_back(m_loop.NowMs()); };
  }

  FakeEventLoop m_loop;
  std::vector<std::uint64_t> m_tickTimes;
};

using Times = std::vector<std::uint64_t>;

TEST_F(TimerSourceTest, TicksPeriodicallyFromStartUntilStopped) {
  TimerSource timer(m_loop, 50, RecordTick());
  EXPECT_FALSE(timer.Active());
  m_loop.Advance(100);
  EXPECT_TRUE(m_tickTimes.empty());  // created stopped

  timer.Start();
  m_loop.Advance(175);
  EXPECT_EQ(m_tickTimes, (Times{150, 200, 250}));
  timer.Stop();
  EXPECT_FALSE(timer.Active());
  m_loop.Advance(500);
  EXPECT_EQ(m_tickTimes.size(), 3u);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
}

TEST_F(TimerSourceTest, StartWhileActiveRestartsThePeriod) {
  TimerSource timer(m_loop, 50, RecordTick());
  timer.Start();
  m_loop.Advance(30);
  timer.Start();
  m_loop.Advance(100);
  EXPECT_EQ(m_tickTimes, (Times{80, 130}));
  EXPECT_EQ(m_loop.PendingSources(), 1u);
}

TEST_F(TimerSourceTest, SetIntervalRestartsOnlyAnActiveTimer) {
  TimerSource timer(m_loop, 50, RecordTick());
  timer.SetInterval(20);
  m_loop.Advance(100);
  EXPECT_FALSE(timer.Active());
  EXPECT_TRUE(m_tickTimes.empty());

  timer.Start();  // at 100, period 20
  m_loop.Advance(30);
  timer.SetInterval(100);  // at 130
  m_loop.Advance(200);
  EXPECT_EQ(m_tickTimes, (Times{120, 230, 330}));
  EXPECT_EQ(timer.Interval(), 100u);
}

TEST_F(TimerSourceTest, OneShotTicksOnceAndMayRestartFromItsTick) {
  TimerSource timer(m_loop, 50, nullptr);
  int ticks = 0;
  std::vector<bool> activeInsideTick;
  timer.SetOneShot(true);
  timer.SetOnTick([&] {
    activeInsideTick.push_back(timer.Active());
    if (++ticks == 1) timer.Start();
  });
  timer.Start();
  m_loop.Advance(500);
  EXPECT_EQ(ticks, 2);
  EXPECT_EQ(activeInsideTick, (std::vector<bool>{false, false}));
  EXPECT_FALSE(timer.Active());
  EXPECT_EQ(m_loop.PendingSources(), 0u);
}

TEST_F(TimerSourceTest, StopInsideItsTickStopsIt) {
  TimerSource timer(m_loop, 10, nullptr);
  int ticks = 0;
  timer.SetOnTick([&] {
    if (++ticks == 2) timer.Stop();
  });
  timer.Start();
  m_loop.Advance(100);
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(timer.Active());
}

TEST_F(TimerSourceTest, DestroyedInsideItsOwnTick) {
  auto timer = std::make_unique<TimerSource>(m_loop, 10, nullptr);
  auto capture = std::make_shared<int>(7);
  int seen = 0;
  // The tick's own captures must stay valid after the TimerSource is gone.
  timer->SetOnTick([&timer, &seen, capture] {
    timer.reset();
    seen = *capture;
  });
  timer->Start();
  m_loop.Advance(100);
  EXPECT_EQ(seen, 7);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
  EXPECT_EQ(capture.use_count(), 1);
}

TEST_F(TimerSourceTest, ReplacingTheTickInsideItSwitchesFromTheNextTick) {
  TimerSource timer(m_loop, 10, nullptr);
  std::vector<int> log;
  auto capture = std::make_shared<int>(1);
  timer.SetOnTick([&timer, &log, capture] {
    timer.SetOnTick([&log] { log.push_back(2); });
    log.push_back(*capture);  // the running tick is still intact
  });
  timer.Start();
  m_loop.Advance(30);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 2}));
  EXPECT_EQ(capture.use_count(), 1);
}

struct TimerOwner {
  TimerOwner(IEventLoop& loop, int& ticks) : timer(loop, 50, [&ticks] { ++ticks; }) { timer.Start(); }
  TimerSource timer;
};

TEST_F(TimerSourceTest, DestroyingTheOwnerRemovesItsTimer) {
  int ticks = 0;
  auto owner = std::make_unique<TimerOwner>(m_loop, ticks);
  m_loop.Advance(100);
  EXPECT_EQ(ticks, 2);
  owner.reset();
  EXPECT_EQ(m_loop.PendingSources(), 0u);
  m_loop.Advance(500);
  EXPECT_EQ(ticks, 2);
}

TEST_F(TimerSourceTest, ThrowingTickLeavesItInactive) {
  TimerSource timer(m_loop, 10, [] { throw std::runtime_error("tick failed"); });
  timer.Start();
  m_loop.Advance(50);
  EXPECT_FALSE(timer.Active());
  EXPECT_EQ(m_loop.PendingSources(), 0u);
  timer.Start();  // usable again
  EXPECT_TRUE(timer.Active());
}

class IdleSourceTest : public ::testing::Test {
 protected:
  FakeEventLoop m_loop;
  int m_runs = 0;
};

TEST_F(IdleSourceTest, ScheduledTwiceRunsOnce) {
  IdleSource idle(m_loop, [this] { ++m_runs; });
  idle.Schedule();
  idle.Schedule();
  EXPECT_TRUE(idle.Scheduled());
  EXPECT_EQ(m_loop.PendingSources(), 1u);
  m_loop.RunIdle();
  m_loop.RunIdle();
  EXPECT_EQ(m_runs, 1);
  EXPECT_FALSE(idle.Scheduled());
}

TEST_F(IdleSourceTest, CancelledBeforeItRunsNeverRuns) {
  IdleSource idle(m_loop, [this] { ++m_runs; });
  idle.Schedule();
  idle.Cancel();
  m_loop.RunIdle();
  EXPECT_EQ(m_runs, 0);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
  idle.Schedule();  // a cancelled job can be scheduled again
  m_loop.RunIdle();
  EXPECT_EQ(m_runs, 1);
}

TEST_F(IdleSourceTest, ReschedulingFromItsWorkRunsOncePerTurn) {
  IdleSource idle(m_loop, nullptr);
  idle.SetWork([&] {
    ++m_runs;
    idle.Schedule();
  });
  idle.Schedule();
  m_loop.RunIdle();
  m_loop.RunIdle();
  m_loop.RunIdle();
  EXPECT_EQ(m_runs, 3);
  EXPECT_TRUE(idle.Scheduled());
}

TEST_F(IdleSourceTest, DestroyingTheOwnerCancelsAndDestroyingInsideTheWorkIsSafe) {
  auto cancelled = std::make_unique<IdleSource>(m_loop, [this] { ++m_runs; });
  cancelled->Schedule();
  cancelled.reset();
  EXPECT_EQ(m_loop.PendingSources(), 0u);

  auto selfDestroying = std::make_unique<IdleSource>(m_loop, nullptr);
  auto capture = std::make_shared<int>(5);
  int seen = 0;
  selfDestroying->SetWork([&selfDestroying, &seen, capture] {
    selfDestroying.reset();
    seen = *capture;
  });
  selfDestroying->Schedule();
  m_loop.RunIdle();
  EXPECT_EQ(m_runs, 0);
  EXPECT_EQ(seen, 5);
  EXPECT_EQ(capture.use_count(), 1);
}

}  // namespace
}  // namespace halbrin::platform
