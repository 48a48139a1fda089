#include <gtest/gtest.h>

#include <glib.h>

#include <string>
#include <vector>

#include "platform/eventloop/modal_loop.h"

namespace halbrin::platform {
namespace {

TEST(ModalLoop, TheDefaultRunnerSpinsTheMainContextUntilEnded) {
  TModalLoop loop;
  // Ended from a source of the main context, as a dialog button would.
  g_idle_add(
      +[](gpointer data) -> gboolean {
        auto* l = static_cast<TModalLoop*>(data);
        EXPECT_TRUE(l->Running());
        EXPECT_EQ(ModalLoopDepth(), 1);
        l->End(6);
        return G_SOURCE_REMOVE;
      },
      &loop);
  EXPECT_EQ(loop.Run(), 6);
  EXPECT_FALSE(loop.Running());
  EXPECT_EQ(ModalLoopDepth(), 0);
  // A loop runs once.
  EXPECT_EQ(loop.Run(), 6);
}

TEST(ModalLoop, EndingAllLoopsEndsTheNestedOnesInnermostFirst) {
  TModalLoop outer;
  TModalLoop inner;
  std::vector<std::string> order;
  struct Start {
    TModalLoop* inner;
    std::vector<std::string>* order;
  } start{&inner, &order};
  g_idle_add(
      +[](gpointer data) -> gboolean {
        auto* s = static_cast<Start*>(data);
        // Ends both from inside the inner loop.
        g_idle_add(
            +[](gpointer) -> gboolean {
              EXPECT_EQ(ModalLoopDepth(), 2);
              EndModalLoops(2);
              return G_SOURCE_REMOVE;
            },
            nullptr);
        s->order->push_back("inner " + std::to_string(s->inner->Run()));
        return G_SOURCE_REMOVE;
      },
      &start);
  order.push_back("outer " + std::to_string(outer.Run()));
  EXPECT_EQ(order, (std::vector<std::string>{"inner 2", "outer 2"}));
  EXPECT_FALSE(EndInnermostModalLoop(1));
}

TEST(ModalLoop, AnEndBeforeTheRunReturnsAtOnceAndOnlyTheFirstEndCounts) {
  TModalLoop loop;
  loop.End(1);
  loop.End(3);
  EXPECT_EQ(loop.Run(), 1);
}

TEST(ModalLoop, AnInstalledRunnerRunsTheLoopAndTheInnermostEndsFirst) {
  std::vector<std::string> seen;
  TModalLoop outer;
  TModalLoop inner;
  ScopedModalLoopRunner runner([&](TModalLoop& loop) {
    seen.push_back("depth " + std::to_string(ModalLoopDepth()));
    if (&loop == &outer) {
      seen.push_back("inner " + std::to_string(inner.Run()));
      return;  // not ended: the runner's return ends it with 0
    }
    EXPECT_TRUE(EndInnermostModalLoop(7));
    EXPECT_TRUE(loop.Ended());
  });
  EXPECT_EQ(outer.Run(), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"depth 1", "depth 2", "inner 7"}));
}

}  // namespace
}  // namespace halbrin::platform
