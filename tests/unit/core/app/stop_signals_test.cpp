#include "core/app/stop_signals.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "support/main_context_wait.h"

namespace halbrin {
namespace {

using namespace std::chrono_literals;

// Ready on every turn of the loop at the default priority, as redraws,
// timers and a page's replies are for a busy program.
class BusyLoop {
 public:
  BusyLoop() : m_id(g_idle_add_full(G_PRIORITY_DEFAULT, &BusyLoop::Turn, this, nullptr)) {}
  ~BusyLoop() { g_source_remove(m_id); }
  BusyLoop(const BusyLoop&) = delete;
  BusyLoop& operator=(const BusyLoop&) = delete;

  int turns = 0;

 private:
  static gboolean Turn(gpointer self) {
    ++static_cast<BusyLoop*>(self)->turns;
    return G_SOURCE_CONTINUE;
  }
  guint m_id;
};

TEST(StopSignalWatchTest, TheMainLoopAnswersASignalWhileItIsBusy) {
  for (const int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    int terminated = 0;
    // No hard stop within the case: the terminate request must get through.
    StopSignalWatch watch([&] { ++terminated; }, [](int, int) {}, 600s);
    BusyLoop busy;
    ASSERT_EQ(raise(signal), 0);
    EXPECT_TRUE(testing::RunUntil([&] { return terminated > 0; })) << "busy turns " << busy.turns;
    EXPECT_EQ(terminated, 1);
  }
}

TEST(StopSignalWatchTest, ALoopThatDoesNotAnswerIsStoppedWithTheSignalsCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    int signal;
    int code;
  };
  for (const Case c : {Case{SIGTERM, 143}, Case{SIGINT, 130}}) {
    SCOPED_TRACE(c.signal);
    EXPECT_EXIT(
        {
          StopSignalWatch watch([] {}, [](int signal, int code) { fprintf(stderr, "hard stop %d %d\n", signal, code); },
                                50ms);
          raise(c.signal);
          // The main thread never returns to its loop.
          for (;;) pause();
        },
        ::testing::ExitedWithCode(c.code), "hard stop " + std::to_string(c.signal) + " " + std::to_string(c.code));
  }
}

TEST(StopSignalWatchTest, ASecondSignalStopsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        StopSignalWatch watch([] { raise(SIGINT); }, [](int signal, int) { fprintf(stderr, "hard stop %d\n", signal); },
                              600s);
        raise(SIGTERM);
        for (;;) g_main_context_iteration(nullptr, TRUE);
      },
      ::testing::ExitedWithCode(130), "hard stop " + std::to_string(SIGINT));
}

}  // namespace
}  // namespace halbrin
