// Cost of handing work to the loop's thread and of arming timers.

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "platform/base/glib_ptr.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/main_thread.h"
#include "platform/eventloop/owned_thread.h"

namespace halbrin::platform {
namespace {

// A worker (the benchmark thread) waits for a job run by a loop on its own thread.
void BM_InvokeOnMainAndWaitRoundTrip(benchmark::State& state) {
  GMainContextPtr context(g_main_context_new());
  GLibEventLoop loop(context.get());
  ScopedMainEventLoop scope(loop);
  OwnedThread runner([&] { loop.Run(); });
  // The first job runs once Run() has made the runner the loop's thread.
  std::atomic<bool> started{false};
  loop.Post([&] { started = true; });
  while (!started) std::this_thread::yield();
  int counter = 0;
  for (auto _ : state) {
    InvokeOnMainAndWait([&] { ++counter; });
  }
  benchmark::DoNotOptimize(counter);
  loop.Quit();
}
BENCHMARK(BM_InvokeOnMainAndWaitRoundTrip);

void BM_PostAndDrainFake(benchmark::State& state) {
  FakeEventLoop loop;
  int counter = 0;
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) loop.Post([&] { ++counter; });
    loop.RunIdle();
  }
  benchmark::DoNotOptimize(counter);
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_PostAndDrainFake);

void BM_AddAndRemoveGLibTimer(benchmark::State& state) {
  GMainContextPtr context(g_main_context_new());
  GLibEventLoop loop(context.get());
  for (auto _ : state) {
    IEventLoop::SourceId id = loop.AddTimer(50, [] { return true; });
    loop.RemoveSource(id);
  }
}
BENCHMARK(BM_AddAndRemoveGLibTimer);

}  // namespace
}  // namespace halbrin::platform
