// The run-time calculator on the heavy cases (the 1440 cap, a sparse trigger
// searched over an open range, a task's next run as the runner asks for it)
// and the scheduler's "refresh" of a folder of task files.

#include <benchmark/benchmark.h>

#include "components/tasks/run_time_calculator.h"
#include "components/tasks/task_scheduler_ex.h"
#include "components/tasks/task_timer_service.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

constexpr std::int64_t kFrom = 1'735'689'600;  // 2025-01-01 00:00 UTC

TaskTriggerFields Daily() {
  TaskTriggerFields t;
  t.beginYear = 2025;
  t.startHour = 9;
  return t;
}

void BM_CappedEveryMinute(benchmark::State& state) {
  const TaskTimeZone zone("Europe/Berlin");
  TaskTriggerFields t = Daily();
  t.minutesInterval = 1;
  t.minutesDuration = 1440;
  for (auto _ : state) benchmark::DoNotOptimize(TriggerRunTimes(t, kFrom, kOpenRangeEnd, zone));
}
BENCHMARK(BM_CappedEveryMinute);

// February 29th in leap years only: the open range is searched month by
// month until the last leap year before 10000.
void BM_SparseOpenRange(benchmark::State& state) {
  const TaskTimeZone zone("Europe/Berlin");
  TaskTriggerFields t = Daily();
  t.type = TASK_TIME_TRIGGER_MONTHLYDATE;
  t.days = 1u << 28;
  t.months = 0x2;
  for (auto _ : state) benchmark::DoNotOptimize(TriggerRunTimes(t, kFrom, kOpenRangeEnd, zone));
}
BENCHMARK(BM_SparseOpenRange)->Unit(benchmark::kMillisecond);

void BM_NextRunOfFourTriggers(benchmark::State& state) {
  const TaskTimeZone zone("Europe/Berlin");
  std::vector<TaskTriggerFields> triggers(4, Daily());
  triggers[1].type = TASK_TIME_TRIGGER_WEEKLY;
  triggers[1].unionFirst = 2;
  triggers[1].daysOfTheWeek = 0x22;
  triggers[2].type = TASK_TIME_TRIGGER_MONTHLYDOW;
  triggers[2].unionFirst = TASK_LAST_WEEK;
  triggers[2].daysOfTheWeek = 0x20;
  triggers[2].months = 0xFFF;
  triggers[3].minutesInterval = 90;
  triggers[3].minutesDuration = 480;
  for (auto _ : state) benchmark::DoNotOptimize(NextTaskRunTime(0, triggers, kFrom, zone));
}
BENCHMARK(BM_NextRunOfFourTriggers);

class NoTimers final : public ITaskTimerService {
 public:
  bool Install(const TaskUnitRequest&) override { return true; }
  void Remove(const std::string&) override {}
  void Reload() override {}
  std::optional<std::int64_t> ScheduledTime(const std::string&) const override { return std::nullopt; }
};

// "refresh" of `range(0)` task files of two triggers each.
void BM_RefreshTaskFolder(benchmark::State& state) {
  testing::TempFolder root("halbrin_bench_tasks");
  const testing::ScopedEnv data("XDG_DATA_HOME", root.Path().string());
  NoTimers timers;
  const ScopedTaskTimerService scope(timers);
  TTaskSchedulerEx writer;
  for (int i = 0; i < state.range(0); ++i) {
    TScheduledTask& task = writer.NewTask("task " + std::to_string(i));
    task.NewTrigger();
    task.NewTrigger();
    task.Save();
  }
  TTaskSchedulerEx reader;
  for (auto _ : state) benchmark::DoNotOptimize(reader.Refresh());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RefreshTaskFolder)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace halbrin
