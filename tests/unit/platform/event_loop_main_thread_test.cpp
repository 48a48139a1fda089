// The process's loop, work handed to the main thread, and owned worker threads.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/main_thread.h"

namespace halbrin::platform {
namespace {

constexpr auto kGenerous = std::chrono::seconds(30);
constexpr std::uint32_t kGenerousMs = 30000;

// Polls until pred() holds; false after a generous time-out.
bool WaitUntil(const std::function<bool()>& pred) {
  auto deadline = std::chrono::steady_clock::now() + kGenerous;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Turns the fake loop until pred() holds; false after a generous time-out.
bool TurnUntil(FakeEventLoop& loop, const std::function<bool()>& pred) {
  return WaitUntil([&] {
    loop.RunIdle();
    return pred();
  });
}

TEST(MainEventLoopTest, ScopesInstallAndRestoreInNestedOrder) {
  IEventLoop& process = MainEventLoop();
  EXPECT_NE(dynamic_cast<GLibEventLoop*>(&process), nullptr);
  EXPECT_TRUE(IsMainThread());  // the test runs on the process's main thread
  FakeEventLoop outer;
  FakeEventLoop inner;
  {
    ScopedMainEventLoop outerScope(outer);
    EXPECT_EQ(&MainEventLoop(), &outer);
    {
      ScopedMainEventLoop innerScope(inner);
      EXPECT_EQ(&MainEventLoop(), &inner);
    }
    EXPECT_EQ(&MainEventLoop(), &outer);
  }
  EXPECT_EQ(&MainEventLoop(), &process);
}

TEST(MainEventLoopTest, ProcessLoopFirstUsedFromAWorkerStillBelongsToTheMainThread) {
  // Runs in a process of its own under ctest, so the worker may be first.
  bool workerIsMain = true;
  OwnedThread([&] { workerIsMain = IsMainThread(); }).Join();
  EXPECT_FALSE(workerIsMain);
  EXPECT_TRUE(IsMainThread());
}

class MainThreadTest : public ::testing::Test {
 protected:
  FakeEventLoop m_loop;
  ScopedMainEventLoop m_scope{m_loop};
};

TEST_F(MainThreadTest, PostToMainReachesTheInstalledLoopInOrder) {
  std::vector<int> log;
  PostToMain([&] { log.push_back(1); });
  PostToMain([&] { log.push_back(2); });
  EXPECT_EQ(m_loop.PendingPosts(), 2u);
  m_loop.RunIdle();
  EXPECT_EQ(log, (std::vector<int>{1, 2}));
}

TEST_F(MainThreadTest, IsMainThreadOnlyOnTheLoopsThread) {
  std::atomic<bool> workerIsMain{true};
  OwnedThread([&] { workerIsMain = IsMainThread(); }).Join();
  EXPECT_FALSE(workerIsMain);
  EXPECT_TRUE(IsMainThread());
}

TEST_F(MainThreadTest, InvokeFromTheMainThreadRunsAtOnce) {
  bool ran = false;
  EXPECT_TRUE(InvokeOnMainAndWait([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(m_loop.PendingPosts(), 0u);
  EXPECT_THROW(InvokeOnMainAndWait([] { throw std::runtime_error("boom"); }), std::runtime_error);
}

TEST_F(MainThreadTest, InvokeFromAWorkerWaitsUntilTheLoopRunsIt) {
  std::atomic<int> result{-1};
  bool ranOnMain = false;
  OwnedThread worker([&] { result = InvokeOnMainAndWait([&] { ranOnMain = IsMainThread(); }) ? 1 : 0; });
  ASSERT_TRUE(TurnUntil(m_loop, [&] { return result != -1; }));
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(ranOnMain);
}

TEST_F(MainThreadTest, ExceptionOfTheInvokedWorkReachesTheWorker) {
  std::string message;
  std::atomic<bool> done{false};
  OwnedThread worker([&] {
    try {
      InvokeOnMainAndWait([] { throw std::runtime_error("failed on main"); });
    } catch (const std::runtime_error& error) {
      message = error.what();
    }
    done = true;
  });
  ASSERT_TRUE(TurnUntil(m_loop, [&] { return done.load(); }));
  worker.Join();
  EXPECT_EQ(message, "failed on main");
}

TEST_F(MainThreadTest, InvokeReturnsFalseWhenTheLoopIsDestroyedFirst) {
  auto loop = std::make_unique<FakeEventLoop>();
  std::optional<ScopedMainEventLoop> scope(std::in_place, *loop);
  std::atomic<int> result{-1};
  bool ran = false;
  OwnedThread worker([&] { result = InvokeOnMainAndWait([&] { ran = true; }) ? 1 : 0; });
  ASSERT_TRUE(WaitUntil([&] { return loop->PendingPosts() == 1; }));
  loop.reset();  // the worker only waits now; it no longer touches the loop
  worker.Join();
  scope.reset();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST_F(MainThreadTest, StoppingTheOwnedThreadWithdrawsTheWaitingWork) {
  std::atomic<int> result{-1};
  bool ran = false;
  {
    OwnedThread worker([&] { result = InvokeOnMainAndWait([&] { ran = true; }) ? 1 : 0; });
    ASSERT_TRUE(WaitUntil([&] { return m_loop.PendingPosts() == 1; }));
  }  // request stop + join: must not deadlock although the loop never turned
  EXPECT_EQ(result, 0);
  m_loop.RunIdle();
  EXPECT_FALSE(ran);  // withdrawn: its captures may be gone by now
}

TEST_F(MainThreadTest, StopRequestedWhileTheWorkRunsWaitsForIt) {
  std::atomic<bool> returned{false};
  std::atomic<int> result{-1};
  bool returnedDuringWork = true;
  OwnedThread worker;
  worker = OwnedThread([&] {
    result = InvokeOnMainAndWait([&] {
                worker.RequestStop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));  // give a wrong early return a chance
                returnedDuringWork = returned.load();
              })
                 ? 1
                 : 0;
    returned = true;
  });
  ASSERT_TRUE(TurnUntil(m_loop, [&] { return returned.load(); }));
  EXPECT_FALSE(returnedDuringWork);
  EXPECT_EQ(result, 1);
}

TEST_F(MainThreadTest, StopTokenAlreadyRequestedNeverPosts) {
  std::stop_source stop;
  stop.request_stop();
  std::atomic<int> result{-1};
  OwnedThread([&] { result = InvokeOnMainAndWait([] {}, stop.get_token()) ? 1 : 0; }).Join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(m_loop.PendingPosts(), 0u);
}

TEST_F(MainThreadTest, PostsFromFourWorkersKeepPerThreadOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 500;
  std::vector<std::vector<int>> received(kThreads);
  {
    std::vector<OwnedThread> workers;
    for (int t = 0; t < kThreads; ++t) {
      workers.emplace_back([&, t] {
        for (int i = 0; i < kPerThread; ++i) PostToMain([&, t, i] { received[t].push_back(i); });
      });
    }
  }
  m_loop.RunIdle();
  for (int t = 0; t < kThreads; ++t) {
    std::vector<int> expected(kPerThread);
    for (int i = 0; i < kPerThread; ++i) expected[i] = i;
    EXPECT_EQ(received[t], expected) << "thread " << t;
  }
}

// On the real loop: the brief round trip, and a Quit that wins the race.
class MainThreadGLibTest : public ::testing::Test {
 protected:
  GLibEventLoop m_loop;
  ScopedMainEventLoop m_scope{m_loop};
};

TEST_F(MainThreadGLibTest, InvokeReturnsTrueWhenTheLoopRunsIt) {
  std::atomic<int> result{-1};
  bool ran = false;
  OwnedThread worker([&] { result = InvokeOnMainAndWait([&] { ran = m_loop.IsLoopThread(); }) ? 1 : 0; });
  EXPECT_TRUE(m_loop.RunUntil([&] { return ran; }, kGenerousMs));
  worker.Join();
  EXPECT_EQ(result, 1);
}

TEST_F(MainThreadGLibTest, InvokeReturnsFalseWithoutHangingWhenTheLoopQuitsFirst) {
  std::atomic<int> result{-1};
  bool ran = false;
  OwnedThread worker([&] { result = InvokeOnMainAndWait([&] { ran = true; }) ? 1 : 0; });
  m_loop.Quit();  // before or after the worker posted: either way it must give up
  worker.Join();
  m_loop.RunPending();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST(OwnedThreadTest, DestructionRequestsStopAndJoins) {
  std::atomic<bool> sawStop{false};
  std::atomic<bool> hadToken{false};
  {
    OwnedThread worker([&](std::stop_token stop) {
      hadToken = CurrentStopToken().stop_possible();
      while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sawStop = true;
    });
    EXPECT_TRUE(worker.Joinable());
  }
  EXPECT_TRUE(sawStop);
  EXPECT_TRUE(hadToken);
  EXPECT_FALSE(CurrentStopToken().stop_possible());  // not an OwnedThread
}

TEST(OwnedThreadTest, MoveAssignmentJoinsThePreviousThread) {
  std::atomic<int> finished{0};
  OwnedThread worker([&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++finished;
  });
  worker = OwnedThread([&] { ++finished; });
  EXPECT_GE(finished.load(), 1);
  worker.Join();
  EXPECT_EQ(finished, 2);
  EXPECT_FALSE(worker.Joinable());
}

}  // namespace
}  // namespace halbrin::platform
