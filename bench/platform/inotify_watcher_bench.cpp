// Change watching: a burst of file creations in a watched folder, from the
// first file made to the last change delivered on the main thread, and the
// cost of watching a tree of folders recursively.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/shell/inotify_watcher.h"
#include "support/test_support.h"

namespace halbrin::platform {
namespace {

namespace fs = std::filesystem;

// In memory: the disk's own noise stays out of the figures.
const fs::path kScratch = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::path();

void Touch(const std::string& path) {
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
}

// Files made while the main loop is busy; then the loop runs until the last
// name (or the loss notice) is delivered. Counters: batches, lost bursts.
void BM_BurstOfCreations(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  FakeEventLoop loop;
  ScopedMainEventLoop scope(loop);
  std::int64_t batches = 0;
  std::int64_t lost = 0;
  std::int64_t items = 0;
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    testing::TempFolder folder("burst", kScratch);
    bool done = false;
    const std::string last = folder.Path("zz-last");
    InotifyWatcher watcher([&](std::vector<ChangeItem> batch) {
      ++batches;
      items += static_cast<std::int64_t>(batch.size());
      for (const ChangeItem& item : batch) {
        if (item.kind == ChangeKind::Overflow) ++lost;
        if (item.kind == ChangeKind::Overflow || item.path == last) done = true;
      }
    });
    watcher.Watch({{folder.Path().string(), false}});
    state.ResumeTiming();
    for (int i = 0; i < files; ++i) Touch(folder.Path("f" + std::to_string(round) + "-" + std::to_string(i)));
    Touch(last);
    while (!done) {
      loop.RunIdle();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ++round;
    // Unwatching and removing the files are not part of the figure.
    state.PauseTiming();
    watcher.Stop();
    folder = testing::TempFolder("burst-done", kScratch);
    state.ResumeTiming();
  }
  state.counters["batches"] = benchmark::Counter(static_cast<double>(batches), benchmark::Counter::kAvgIterations);
  state.counters["items"] = benchmark::Counter(static_cast<double>(items), benchmark::Counter::kAvgIterations);
  state.counters["lost"] = benchmark::Counter(static_cast<double>(lost), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_BurstOfCreations)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same creations with nothing watching: the floor of the figure above.
void BM_CreationsUnwatched(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::optional<testing::TempFolder> folder(std::in_place, "unwatched", kScratch);
    state.ResumeTiming();
    for (int i = 0; i < files; ++i) Touch(folder->Path("f" + std::to_string(round) + "-" + std::to_string(i)));
    ++round;
    state.PauseTiming();
    folder.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_CreationsUnwatched)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Watching a tree of 10 × 10 × 10 folders recursively (1,111 watches).
void BM_WatchTree(benchmark::State& state) {
  FakeEventLoop loop;
  ScopedMainEventLoop scope(loop);
  testing::TempFolder folder("tree", kScratch);
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b)
      for (int c = 0; c < 10; ++c)
        fs::create_directories(folder.Path() / std::to_string(a) / std::to_string(b) / std::to_string(c));
  for (auto _ : state) {
    InotifyWatcher watcher([](std::vector<ChangeItem>) {});
    benchmark::DoNotOptimize(watcher.Watch({{folder.Path().string(), true}}));
  }
}
BENCHMARK(BM_WatchTree)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace halbrin::platform
