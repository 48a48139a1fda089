// GLibEventLoop on a real GMainContext. Waits use generous time-outs; nothing
// here measures speed.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/idle_source.h"
#include "platform/eventloop/owned_thread.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin::platform {
namespace {

constexpr std::uint32_t kGenerousMs = 30000;

class GLibEventLoopTest : public ::testing::Test {
 protected:
  // Lets the loop run a while longer, to show that nothing more happens.
  void RunFor(std::uint32_t ms) { m_loop.RunUntil([] { return false; }, ms); }

  GLibEventLoop m_loop;
};

TEST_F(GLibEventLoopTest, TenMsTimerRunsThreeTimesThenStops) {
  int ticks = 0;
  m_loop.AddTimer(10, [&] { return ++ticks < 3; });
  EXPECT_TRUE(m_loop.RunUntil([&] { return ticks == 3; }, kGenerousMs));
  RunFor(60);
  EXPECT_EQ(ticks, 3);
}

TEST_F(GLibEventLoopTest, TimerSourceStoppedFromItsThirdTick) {
  int ticks = 0;
  TimerSource timer(m_loop, 10, nullptr);
  timer.SetOnTick([&] {
    if (++ticks == 3) timer.Stop();
  });
  timer.Start();
  EXPECT_TRUE(m_loop.RunUntil([&] { return ticks == 3; }, kGenerousMs));
  RunFor(60);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(timer.Active());
}

TEST_F(GLibEventLoopTest, SourceRemovedInsideItsOwnCallbackRunsOnce) {
  int timerTicks = 0;
  int idleRuns = 0;
  IEventLoop::SourceId timer = 0;
  IEventLoop::SourceId idle = 0;
  timer = m_loop.AddTimer(5, [&] {
    ++timerTicks;
    m_loop.RemoveSource(timer);
    return true;
  });
  idle = m_loop.AddIdle([&] {
    ++idleRuns;
    m_loop.RemoveSource(idle);
    return true;
  });
  EXPECT_TRUE(m_loop.RunUntil([&] { return timerTicks == 1 && idleRuns == 1; }, kGenerousMs));
  RunFor(40);
  EXPECT_EQ(timerTicks, 1);
  EXPECT_EQ(idleRuns, 1);
}

TEST_F(GLibEventLoopTest, TimerSourceDestroyedInsideItsTick) {
  auto timer = std::make_unique<TimerSource>(m_loop, 5, nullptr);
  auto capture = std::make_shared<int>(3);
  int seen = 0;
  timer->SetOnTick([&timer, &seen, capture] {
    timer.reset();
    seen = *capture;
  });
  timer->Start();
  EXPECT_TRUE(m_loop.RunUntil([&] { return seen == 3; }, kGenerousMs));
  RunFor(30);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(capture.use_count(), 1);
}

TEST_F(GLibEventLoopTest, IdleSourceScheduledTwiceRunsOnce) {
  int runs = 0;
  IdleSource idle(m_loop, [&] { ++runs; });
  idle.Schedule();
  idle.Schedule();
  EXPECT_TRUE(m_loop.RunPending());
  m_loop.RunPending();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(idle.Scheduled());
}

TEST_F(GLibEventLoopTest, RunPendingReturnsDespiteAJobThatAlwaysReschedules) {
  int runs = 0;
  m_loop.AddIdle([&] {
    ++runs;
    return true;
  });
  EXPECT_TRUE(m_loop.RunPending());
  EXPECT_GT(runs, 0);
}

TEST_F(GLibEventLoopTest, PostsFromFourWorkersArriveCompleteAndInPerThreadOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::vector<int>> received(kThreads);
  int total = 0;
  {
    std::vector<OwnedThread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&, t] {
        for (int i = 0; i < kPerThread; ++i) {
          m_loop.Post([&, t, i] {
            EXPECT_TRUE(m_loop.IsLoopThread());
            received[t].push_back(i);
            ++total;
          });
        }
      });
    }
    EXPECT_TRUE(m_loop.RunUntil([&] { return total == kThreads * kPerThread; }, kGenerousMs));
  }
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    ASSERT_EQ(received[t].size(), static_cast<std::size_t>(kPerThread));
    for (int i = 0; i < kPerThread; ++i) ASSERT_EQ(received[t][i], i);
  }
}

TEST_F(GLibEventLoopTest, QuitDropsPendingPostsAndRefusesNewOnes) {
  auto sentinel = std::make_shared<int>(0);
  bool ran = false;
  m_loop.Post([&ran, sentinel] { ran = true; });
  m_loop.Quit();
  EXPECT_TRUE(m_loop.ShuttingDown());
  EXPECT_EQ(sentinel.use_count(), 1);
  m_loop.Post([&ran, sentinel] { ran = true; });
  EXPECT_EQ(sentinel.use_count(), 1);
  m_loop.Run();  // returns at once
  m_loop.RunPending();
  EXPECT_FALSE(ran);
}

TEST_F(GLibEventLoopTest, QuitFromAnotherThreadEndsRunWhateverTheOrder) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    GLibEventLoop loop;
    OwnedThread quitter([&] { loop.Quit(); });
    loop.Run();  // must return whether Quit came before or during Run
    EXPECT_FALSE(loop.IsRunning());
  }
}

TEST_F(GLibEventLoopTest, JobCallingQuitDropsTheJobsAfterIt) {
  bool secondRan = false;
  m_loop.Post([&] { m_loop.Quit(); });
  m_loop.Post([&] { secondRan = true; });
  m_loop.Run();
  EXPECT_FALSE(secondRan);
}

TEST_F(GLibEventLoopTest, ThrowingCallbacksAreDroppedAndTheLoopGoesOn) {
  int throwingTicks = 0;
  bool laterJobRan = false;
  m_loop.AddTimer(1, [&]() -> bool {
    ++throwingTicks;
    throw std::runtime_error("tick failed");
  });
  m_loop.Post([] { throw std::runtime_error("job failed"); });
  m_loop.Post([&] { laterJobRan = true; });
  EXPECT_TRUE(m_loop.RunUntil([&] { return throwingTicks == 1 && laterJobRan; }, kGenerousMs));
  RunFor(20);
  EXPECT_EQ(throwingTicks, 1);
}

TEST(GLibEventLoopLifetimeTest, DestructionDropsPostsAndRemovesSources) {
  auto sentinel = std::make_shared<int>(0);
  bool ran = false;
  {
    GLibEventLoop loop;
    loop.AddTimer(1, [&ran, sentinel] { return ran = true; });
    loop.AddIdle([&ran, sentinel] { return ran = true; });
    loop.Post([&ran, sentinel] { ran = true; });
    EXPECT_EQ(sentinel.use_count(), 4);
  }
  EXPECT_EQ(sentinel.use_count(), 1);
  GLibEventLoop next;  // same default context: nothing of the old loop is left on it
  next.RunUntil([] { return false; }, 20);
  EXPECT_FALSE(ran);
}

TEST(GLibEventLoopContextTest, LoopOnAPrivateContextRunsOnItsOwnThread) {
  GMainContextPtr context(g_main_context_new());
  GLibEventLoop loop(context.get());
  EXPECT_EQ(loop.Context(), context.get());
  std::atomic<bool> ranOnLoopThread{false};
  {
    OwnedThread runner([&] { loop.Run(); });
    loop.Post([&] {
      ranOnLoopThread = loop.IsLoopThread();
      loop.Quit();
    });
  }  // joins once the job quit the loop
  EXPECT_TRUE(ranOnLoopThread);
  EXPECT_FALSE(loop.IsLoopThread());  // the thread that ran it owns it now
}

}  // namespace
}  // namespace halbrin::platform
