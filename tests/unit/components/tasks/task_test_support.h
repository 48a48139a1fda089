#pragma once

// A task store in a private folder ($XDG_DATA_HOME, $XDG_CONFIG_HOME and
// $XDG_RUNTIME_DIR inside it), a recording timer service and sheet service,
// and a scheduler component on the framework test hooks.

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "components/tasks/task_scheduler_ex.h"
#include "components/tasks/task_timer_service.h"
#include "platform/services/task_sheet_service.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::tasks_test {

class RecordingTimerService final : public ITaskTimerService {
 public:
  bool Install(const TaskUnitRequest& request) override {
    installed[request.taskFile] = request;
    return scheduled;
  }
  void Remove(const std::string& taskFile) override {
    installed.erase(taskFile);
    removed.push_back(taskFile);
  }
  void Reload() override {}
  std::optional<std::int64_t> ScheduledTime(const std::string& taskFile) const override {
    auto found = installed.find(taskFile);
    if (found == installed.end()) return std::nullopt;
    return found->second.nextRun;
  }

  bool scheduled = true;
  std::map<std::string, TaskUnitRequest> installed;
  std::vector<std::string> removed;
};

class RecordingSheetService final : public platform::ITaskSheetService {
 public:
  bool ShowTaskSheet(const platform::TaskSheetPages& pages, platform::TaskSheetValues& values) override {
    shown.push_back(pages);
    captions.push_back(values.caption);
    if (edit) edit(values);
    return answer;
  }

  bool answer = false;
  std::function<void(platform::TaskSheetValues&)> edit;
  std::vector<platform::TaskSheetPages> shown;
  std::vector<std::string> captions;
};

class TaskTest : public framework_test::FrameworkTest {
 protected:
  TaskTest()
      : m_data(m_root.Path() / "data"),
        m_config(m_root.Path() / "config"),
        m_runtime(m_root.Path() / "runtime"),
        m_dataEnv("XDG_DATA_HOME", m_data.string()),
        m_configEnv("XDG_CONFIG_HOME", m_config.string()),
        m_runtimeEnv("XDG_RUNTIME_DIR", m_runtime.string()) {
    std::filesystem::create_directories(m_runtime);
  }
  // The schedulers go while the fakes and folders are still there.
  ~TaskTest() override { m_hooks.root.DestroyComponents(); }

  // A new scheduler on the store, as another project would see it.
  TTaskSchedulerEx& NewScheduler() { return platform::MakeComponent<TTaskSchedulerEx>(m_hooks.root); }

  std::filesystem::path TaskFolder() const { return m_data / "Zebrin/HalbrinLite/tasks"; }

  // The names of the files in the task folder.
  std::vector<std::string> TaskFolderFiles() const {
    std::vector<std::string> names;
    if (!std::filesystem::exists(TaskFolder())) return names;
    for (const auto& entry : std::filesystem::directory_iterator(TaskFolder()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempFolder m_root{"halbrin_tasks"};
  std::filesystem::path m_data, m_config, m_runtime;
  testing::ScopedEnv m_dataEnv, m_configEnv, m_runtimeEnv;
  RecordingTimerService m_timers;
  ScopedTaskTimerService m_timersScope{m_timers};
  RecordingSheetService m_sheet;
  platform::ScopedTaskSheetService m_sheetScope{m_sheet};
};

// An EOleError's code, or 0 when the call raised nothing.
template <class F>
platform::HResult OleCodeOf(F&& call) {
  try {
    call();
  } catch (const platform::EOleError& e) {
    return e.Code();
  }
  return 0;
}

}  // namespace halbrin::tasks_test
