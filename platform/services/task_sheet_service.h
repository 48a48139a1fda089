#pragma once

// The property sheet of a scheduled task: a dialog with the pages a script
// chose. The GTK layer implements it; without a display the answer is Cancel.

#include <cstdint>
#include <string>
#include <vector>

namespace halbrin::platform {

struct TaskSheetPages {
  bool task = true;      // application, parameters, working folder, comment, enabled
  bool schedule = true;  // each trigger's text, read only
  bool settings = true;  // delete when done, maximum run time

  int Count() const noexcept { return int{task} + int{schedule} + int{settings}; }
};

// What the sheet shows and edits; the dialog writes the edits back on OK.
struct TaskSheetValues {
  std::string caption;
  std::string applicationName;
  std::string parameters;
  std::string workingDirectory;
  std::string comment;
  bool enabled = true;
  std::vector<std::string> triggers;
  bool deleteWhenDone = false;
  // Milliseconds; -1 for no limit.
  std::int64_t maxRunTime = -1;
};

class ITaskSheetService {
 public:
  virtual ~ITaskSheetService() = default;
  // True for OK (the values edited), false for Cancel or no dialog.
  virtual bool ShowTaskSheet(const TaskSheetPages& pages, TaskSheetValues& values) = 0;
  // False for the headless answer, which shows nothing.
  virtual bool Shows() const { return true; }
};

// The process's sheet service: the headless answer (false) until a
// ScopedTaskSheetService installs another.
ITaskSheetService& CurrentTaskSheetService();

class ScopedTaskSheetService {
 public:
  explicit ScopedTaskSheetService(ITaskSheetService& service) noexcept;
  ScopedTaskSheetService(const ScopedTaskSheetService&) = delete;
  ScopedTaskSheetService& operator=(const ScopedTaskSheetService&) = delete;
  ~ScopedTaskSheetService();

 private:
  ITaskSheetService* m_previous;
};

}  // namespace halbrin::platform
