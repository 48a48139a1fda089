#pragma once

// Who starts a task: one systemd user timer per enabled task with a next run,
// whose service runs `halbrinlite /runtask <task file>`, and a logon service
// for logon and system-start triggers. The service is an interface so tests
// use a recording fake and never reach the user's systemd.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin {

// What one task needs from the timers.
struct TaskUnitRequest {
  std::string taskFile;  // absolute
  std::string taskName;
  // The next run (Unix seconds); no timer without one.
  std::optional<std::int64_t> nextRun;
  // A logon or system-start trigger: the logon service.
  bool logon = false;
};

class ITaskTimerService {
 public:
  virtual ~ITaskTimerService() = default;
  // Writes and enables the task's units (removing those it no longer needs).
  // False where no systemd can run them; failures are logged, never raised.
  virtual bool Install(const TaskUnitRequest& request) = 0;
  // Removes every unit of the task file.
  virtual void Remove(const std::string& taskFile) = 0;
  // Makes the manager read the unit folder again.
  virtual void Reload() = 0;
  // The time the task's timer is set to; nothing without a timer.
  virtual std::optional<std::int64_t> ScheduledTime(const std::string& taskFile) const = 0;
};

// "halbrin-task-<first 16 hex digits of the SHA-256 of the task file's path>".
std::string TaskUnitName(const std::string& taskFile);
// One ExecStart= word: in double quotes, "\" and '"' escaped, "%" and "$" doubled.
std::string QuoteExecWord(std::string_view word);
// "%" doubled, line breaks made blanks: text for Description=.
std::string UnitDescriptionText(std::string_view text);
// "YYYY-MM-DD HH:MM:SS UTC".
std::string CalendarText(std::int64_t unixTime);
// The time of an OnCalendar= line in that form; nothing for other text.
std::optional<std::int64_t> ParseCalendarText(std::string_view text);

std::string TimerUnitText(const std::string& unitName, const std::string& taskName, std::int64_t nextRun);
// `mode` is "" for the timer's service and "logon" for the logon one.
std::string ServiceUnitText(const std::string& taskName, const std::string& program, const std::string& taskFile,
                            std::string_view mode);

// The real one: unit files in $XDG_CONFIG_HOME/systemd/user, links in
// timers.target.wants and default.target.wants, `systemctl --user` reaching
// only the manager of $XDG_RUNTIME_DIR.
class SystemdTaskTimerService : public ITaskTimerService {
 public:
  struct Options {
    std::string unitFolder;   // default: $XDG_CONFIG_HOME/systemd/user
    std::string program;      // default: TaskRunnerProgram()
    std::string systemdRoot;  // default: /run/systemd/system
  };
  SystemdTaskTimerService();
  explicit SystemdTaskTimerService(Options options);

  bool Install(const TaskUnitRequest& request) override;
  void Remove(const std::string& taskFile) override;
  void Reload() override;
  std::optional<std::int64_t> ScheduledTime(const std::string& taskFile) const override;

  const Options& Settings() const noexcept { return m_options; }
  // True when systemd runs here and systemctl is on the path.
  bool SystemdPresent() const;
  // What `systemctl --user <args>` is spawned with.
  static std::vector<std::string> SystemctlArgv(const std::vector<std::string>& args);
  // The environment with DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus.
  static std::vector<std::string> SystemctlEnvironment();

 private:
  void Systemctl(const std::vector<std::string>& args) const;
  Options m_options;
};

// The per-process service: the systemd one unless a scope replaced it.
ITaskTimerService& TaskTimerService();

class ScopedTaskTimerService {
 public:
  explicit ScopedTaskTimerService(ITaskTimerService& service);
  ScopedTaskTimerService(const ScopedTaskTimerService&) = delete;
  ScopedTaskTimerService& operator=(const ScopedTaskTimerService&) = delete;
  ~ScopedTaskTimerService();

 private:
  ITaskTimerService* m_previous;
};

// The program timers and "run" start: "<folder of this executable>/halbrinlite"
// unless set.
std::string TaskRunnerProgram();
void SetTaskRunnerProgram(std::string program);

// A line for the project's log (and stderr in the runner).
void TaskLog(std::string_view message) noexcept;

}  // namespace halbrin
