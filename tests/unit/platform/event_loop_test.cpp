// FakeEventLoop: the deterministic clock every other time-based test relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/exception.h"
#include "platform/eventloop/fake_event_loop.h"

namespace halbrin::platform {
namespace {

using Tick = std::pair<std::string, std::uint64_t>;

class FakeEventLoopTest : public ::testing::Test {
 protected:
  // A timer that records (label, time) on each tick and keeps going.
  IEventLoop::SourceId Record(std::uint32_t intervalMs, std::string label) {
    return m_loop.AddTimer(intervalMs, [this, label = std::move(label)] {
      m_ticks.emplace_back(label, m_loop.NowMs());
      return true;
    });
  }

  FakeEventLoop m_loop;
  std::vector<Tick> m_ticks;
};

const std::vector<Tick> kFiftyAndOneTwenty = {
    {"a", 50},  {"a", 100}, {"b", 120}, {"a", 150}, {"a", 200}, {"b", 240}, {"a", 250},
    {"a", 300}, {"a", 350}, {"b", 360}, {"a", 400}, {"a", 450}, {"b", 480}, {"a", 500},
};

TEST_F(FakeEventLoopTest, TwoTimersTickAtExactTimesInOrder) {
  Record(50, "a");
  Record(120, "b");
  m_loop.Advance(500);
  EXPECT_EQ(m_ticks, kFiftyAndOneTwenty);
  EXPECT_EQ(m_loop.NowMs(), 500u);
  EXPECT_EQ(m_loop.NextTimerDueMs(), std::optional<std::uint64_t>(550));
}

TEST_F(FakeEventLoopTest, SplittingTheAdvanceDoesNotChangeTickTimes) {
  for (std::uint64_t step : {1u, 7u, 49u, 50u, 120u, 333u}) {
    SCOPED_TRACE(step);
    FakeEventLoop loop;
    std::vector<Tick> ticks;
    auto record = [&](std::uint32_t interval, std::string label) {
      loop.AddTimer(interval, [&, label] {
        ticks.emplace_back(label, loop.NowMs());
        return true;
      });
    };
    record(50, "a");
    record(120, "b");
    while (loop.NowMs() < 500) loop.Advance(std::min<std::uint64_t>(step, 500 - loop.NowMs()));
    EXPECT_EQ(ticks, kFiftyAndOneTwenty);
  }
}

TEST_F(FakeEventLoopTest, TimersDueAtTheSameInstantTickInCreationOrder) {
  Record(100, "late");  // created first, so it ticks first at 100
  Record(50, "early");
  m_loop.Advance(100);
  EXPECT_EQ(m_ticks, (std::vector<Tick>{{"early", 50}, {"late", 100}, {"early", 100}}));
}

TEST_F(FakeEventLoopTest, TickReturningFalseStopsTheTimer) {
  int ticks = 0;
  m_loop.AddTimer(10, [&] { return ++ticks < 3; });
  m_loop.Advance(1000);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
}

TEST_F(FakeEventLoopTest, SourceRemovedInsideItsOwnCallbackStopsEvenWhenItAsksToGoOn) {
  int timerTicks = 0;
  int idleRuns = 0;
  IEventLoop::SourceId timer = 0;
  IEventLoop::SourceId idle = 0;
  timer = m_loop.AddTimer(10, [&] {
    if (++timerTicks == 2) m_loop.RemoveSource(timer);
    return true;
  });
  idle = m_loop.AddIdle([&] {
    ++idleRuns;
    m_loop.RemoveSource(idle);
    return true;
  });
  m_loop.Advance(100);
  EXPECT_EQ(timerTicks, 2);
  EXPECT_EQ(idleRuns, 1);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
  m_loop.RemoveSource(timer);  // stale id: ignored
}

TEST_F(FakeEventLoopTest, TimerRemovedByAnotherDueAtTheSameInstantDoesNotTick) {
  IEventLoop::SourceId victim = 0;
  m_loop.AddTimer(100, [&] {
    m_loop.RemoveSource(victim);
    return true;
  });
  victim = Record(100, "victim");
  m_loop.Advance(300);
  EXPECT_TRUE(m_ticks.empty());
  EXPECT_EQ(m_loop.PendingSources(), 1u);
}

TEST_F(FakeEventLoopTest, IdleJobRemovedByAnEarlierOneInTheSameTurnDoesNotRun) {
  IEventLoop::SourceId victim = 0;
  bool victimRan = false;
  m_loop.AddIdle([&] {
    m_loop.RemoveSource(victim);
    return false;
  });
  victim = m_loop.AddIdle([&] { return victimRan = true; });
  m_loop.RunIdle();
  EXPECT_FALSE(victimRan);
  EXPECT_EQ(m_loop.PendingSources(), 0u);
}

TEST_F(FakeEventLoopTest, TimerAddedInsideATickCountsFromTheTickTime) {
  bool added = false;
  m_loop.AddTimer(50, [&] {
    if (!added) Record(30, "child");
    added = true;
    return false;
  });
  m_loop.Advance(150);
  EXPECT_EQ(m_ticks, (std::vector<Tick>{{"child", 80}, {"child", 110}, {"child", 140}}));
}

TEST_F(FakeEventLoopTest, WorkPostedByATickRunsBeforeTheNextTick) {
  std::vector<Tick> log;
  m_loop.AddTimer(50, [&] {
    log.emplace_back("tick", m_loop.NowMs());
    m_loop.Post([&] { log.emplace_back("posted", m_loop.NowMs()); });
    return true;
  });
  m_loop.Advance(100);
  EXPECT_EQ(log, (std::vector<Tick>{{"tick", 50}, {"posted", 50}, {"tick", 100}, {"posted", 100}}));
}

TEST_F(FakeEventLoopTest, PendingWorkRunsBeforeTheClockMoves) {
  std::uint64_t postedAt = 99;
  std::uint64_t idleAt = 99;
  m_loop.Post([&] { postedAt = m_loop.NowMs(); });
  m_loop.AddIdle([&] {
    idleAt = m_loop.NowMs();
    return false;
  });
  m_loop.Advance(40);
  EXPECT_EQ(postedAt, 0u);
  EXPECT_EQ(idleAt, 0u);
}

TEST_F(FakeEventLoopTest, ATurnRunsPostsInOrderThenEachIdleJobOnce) {
  std::vector<std::string> log;
  m_loop.AddIdle([&] {
    log.push_back("repeating idle");
    return true;
  });
  m_loop.Post([&] {
    log.push_back("post 1");
    // Scheduled by a post: still in this turn.
    m_loop.AddIdle([&] {
      log.push_back("idle from post");
      return false;
    });
  });
  m_loop.Post([&] { log.push_back("post 2"); });

  m_loop.RunIdle();
  EXPECT_EQ(log, (std::vector<std::string>{"post 1", "post 2", "repeating idle", "idle from post"}));

  log.clear();
  m_loop.RunIdle();
  EXPECT_EQ(log, (std::vector<std::string>{"repeating idle"}));
  EXPECT_EQ(m_loop.PendingSources(), 1u);
}

TEST_F(FakeEventLoopTest, SelfReschedulingWorkRunsOncePerTurn) {
  int posts = 0;
  int idles = 0;
  std::function<void()> repost = [&] {
    ++posts;
    m_loop.Post(repost);
  };
  std::function<bool()> reschedule = [&] {
    ++idles;
    m_loop.AddIdle(reschedule);
    return false;
  };
  m_loop.Post(repost);
  m_loop.AddIdle(reschedule);
  m_loop.RunIdle();
  m_loop.RunIdle();
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(idles, 2);
}

TEST_F(FakeEventLoopTest, ThrowingCallbackIsDroppedAndTheLoopGoesOn) {
  int throwingTicks = 0;
  int laterPosts = 0;
  m_loop.AddTimer(10, [&]() -> bool {
    ++throwingTicks;
    throw std::runtime_error("tick failed");
  });
  Record(10, "survivor");
  m_loop.Post([] { throw Exception("posted job failed"); });
  m_loop.Post([&] { ++laterPosts; });
  m_loop.Advance(30);
  EXPECT_EQ(throwingTicks, 1);
  EXPECT_EQ(laterPosts, 1);
  EXPECT_EQ(m_ticks.size(), 3u);
  EXPECT_EQ(m_loop.PendingSources(), 1u);
}

TEST_F(FakeEventLoopTest, AdvanceFromInsideACallbackIsRefused) {
  bool threw = false;
  m_loop.AddTimer(10, [&] {
    try {
      m_loop.Advance(100);
    } catch (const Exception&) {
      threw = true;
    }
    return false;
  });
  m_loop.Advance(20);
  EXPECT_TRUE(threw);
  EXPECT_EQ(m_loop.NowMs(), 20u);
}

TEST_F(FakeEventLoopTest, QuitDropsQueuedAndLaterPosts) {
  auto sentinel = std::make_shared<int>(0);
  bool ran = false;
  m_loop.Post([&ran, sentinel] { ran = true; });
  EXPECT_EQ(m_loop.PendingPosts(), 1u);
  m_loop.Quit();
  EXPECT_TRUE(m_loop.ShuttingDown());
  EXPECT_EQ(sentinel.use_count(), 1);  // the job was destroyed, not kept
  m_loop.Post([&ran, sentinel] { ran = true; });
  EXPECT_EQ(sentinel.use_count(), 1);
  m_loop.RunIdle();
  EXPECT_FALSE(ran);
}

TEST_F(FakeEventLoopTest, JobCallingQuitDropsTheRestOfItsTurn) {
  bool secondRan = false;
  m_loop.Post([&] { m_loop.Quit(); });
  m_loop.Post([&] { secondRan = true; });
  m_loop.RunIdle();
  EXPECT_FALSE(secondRan);
}

TEST_F(FakeEventLoopTest, DestructionReleasesEveryCallback) {
  auto sentinel = std::make_shared<int>(0);
  {
    FakeEventLoop loop;
    loop.AddTimer(10, [sentinel] { return true; });
    loop.AddIdle([sentinel] { return true; });
    loop.Post([sentinel] {});
    EXPECT_EQ(sentinel.use_count(), 4);
  }
  EXPECT_EQ(sentinel.use_count(), 1);
}

TEST_F(FakeEventLoopTest, IdsAreNeverReusedAndUnknownIdsAreIgnored) {
  IEventLoop::SourceId first = m_loop.AddIdle([] { return false; });
  m_loop.RunIdle();
  IEventLoop::SourceId second = m_loop.AddIdle([] { return false; });
  EXPECT_NE(first, second);
  EXPECT_NE(first, IEventLoop::kNoSource);
  m_loop.RemoveSource(first);
  m_loop.RemoveSource(IEventLoop::kNoSource);
  m_loop.RemoveSource(second + 100);
  EXPECT_EQ(m_loop.PendingSources(), 1u);
}

}  // namespace
}  // namespace halbrin::platform
