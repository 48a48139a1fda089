// A task file as the store and the runner read it from the tasks folder (any
// program of the user may have written it): the [Task] and trigger groups,
// the [Run] group, a save of what was read and its reading again (the same
// text), and the run times of what was read over one year.
//
// Input: the file.

#include <cstdint>
#include <string>

#include "components/tasks/run_time_calculator.h"
#include "components/tasks/task_store.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

void Run(std::string_view bytes) {
  TaskStore::ParseRun(bytes);
  TaskRecord record;
  try {
    record = TaskStore::Parse(bytes, "fuzz.job");
  } catch (const ETaskFileError&) {
    return;
  }
  const TaskStore store(fuzzing::ScratchFolder().Path("tasks"));
  store.Save("fuzz", record);
  const std::string first = testing::ReadFile(store.PathOf("fuzz"));
  store.Save("fuzz", store.Load("fuzz"));
  fuzzing::Check(testing::ReadFile(store.PathOf("fuzz")) == first, "a saved task does not read back the same");

  static const TaskTimeZone zone("Europe/Berlin");
  const std::int64_t from = 1'735'689'600;  // 2025-01-01
  const std::int64_t to = from + 366 * 86'400;
  const std::vector<TaskTriggerFields> fields = record.TriggerFields();
  const std::vector<std::int64_t> times = TaskRunTimes(record.flags, fields, from, to, zone);
  fuzzing::Check(times.size() <= kMaxTaskRunTimes, "more times than the cap");
  for (std::size_t i = 0; i < times.size(); ++i) {
    fuzzing::Check(times[i] >= from && times[i] <= to, "a time outside the range");
    fuzzing::Check(i == 0 || times[i - 1] < times[i], "times not ascending");
  }
  for (const TaskTriggerFields& trigger : fields) TriggerText(trigger);
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
