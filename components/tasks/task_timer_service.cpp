#include "components/tasks/task_timer_service.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#include "core/framework/application_hooks.h"
#include "platform/base/format.h"

extern char** environ;

namespace halbrin {

using platform::Format;

namespace {

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

std::string ConfigHome() {
  const char* value = std::getenv("XDG_CONFIG_HOME");
  if (value && g_path_is_absolute(value)) return value;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : g_get_home_dir()) + "/.config";
}

std::string& RunnerProgram() {
  static std::string program;
  return program;
}

ITaskTimerService*& InstalledService() {
  static ITaskTimerService* service = nullptr;
  return service;
}

bool WriteUnit(const std::string& path, const std::string& text) {
  GError* error = nullptr;
  if (g_file_set_contents(path.c_str(), text.c_str(), static_cast<gssize>(text.size()), &error)) return true;
  TaskLog(Format("Cannot write unit %s: %s", {path, error->message}));
  g_error_free(error);
  return false;
}

void Link(const std::string& folder, const std::string& target, const std::string& name) {
  g_mkdir_with_parents(folder.c_str(), 0700);
  const std::string link = folder + "/" + name;
  unlink(link.c_str());
  if (symlink(target.c_str(), link.c_str()) != 0)
    TaskLog(Format("Cannot link unit %s: %s", {link, g_strerror(errno)}));
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

}  // namespace

std::string TaskUnitName(const std::string& taskFile) {
  GCharPtr digest(g_compute_checksum_for_string(G_CHECKSUM_SHA256, taskFile.c_str(),
                                                static_cast<gssize>(taskFile.size())));
  return "halbrin-task-" + std::string(digest.get(), 16);
}

std::string QuoteExecWord(std::string_view word) {
  std::string quoted = "\"";
  for (const char c : word) {
    switch (c) {
      case '\\': quoted += "\\\\"; break;
      case '"': quoted += "\\\""; break;
      case '%': quoted += "%%"; break;
      case '$': quoted += "$$"; break;
      default: quoted += c;
    }
  }
  return quoted + "\"";
}

std::string UnitDescriptionText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '%')
      out += "%%";
    else if (c == '\n' || c == '\r')
      out += ' ';
    else
      out += c;
  }
  return out;
}

std::string CalendarText(std::int64_t unixTime) {
  const time_t seconds = static_cast<time_t>(unixTime);
  struct tm utc {};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

std::optional<std::int64_t> ParseCalendarText(std::string_view text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  char zone[4] = {};
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %3s", &y, &mo, &d, &h, &mi, &sec, zone) != 7 ||
      std::string_view(zone) != "UTC")
    return std::nullopt;
  GDateTime* time = g_date_time_new_utc(y, mo, d, h, mi, sec);
  if (!time) return std::nullopt;
  const std::int64_t unix = g_date_time_to_unix(time);
  g_date_time_unref(time);
  return unix;
}

std::string TimerUnitText(const std::string& unitName, const std::string& taskName, std::int64_t nextRun) {
  return "[Unit]\nDescription=Halbrin Lite task " + UnitDescriptionText(taskName) +
         "\n\n[Timer]\nOnCalendar=" + CalendarText(nextRun) +
         "\nOnStartupSec=1min\nAccuracySec=1s\nUnit=" + unitName +
         ".service\n\n[Install]\nWantedBy=timers.target\n";
}

std::string ServiceUnitText(const std::string& taskName, const std::string& program, const std::string& taskFile,
                            std::string_view mode) {
  std::string exec = QuoteExecWord(program) + " " + QuoteExecWord("/runtask") + " " + QuoteExecWord(taskFile);
  if (!mode.empty()) exec += " " + QuoteExecWord(mode);
  std::string text = "[Unit]\nDescription=Halbrin Lite task " + UnitDescriptionText(taskName) +
                     "\n\n[Service]\nType=exec\nKillMode=process\nExecStart=" + exec + "\n";
  if (!mode.empty()) text += "\n[Install]\nWantedBy=default.target\n";
  return text;
}

// ---- SystemdTaskTimerService ----

SystemdTaskTimerService::SystemdTaskTimerService() : SystemdTaskTimerService(Options{}) {}

SystemdTaskTimerService::SystemdTaskTimerService(Options options) : m_options(std::move(options)) {
  if (m_options.unitFolder.empty()) m_options.unitFolder = ConfigHome() + "/systemd/user";
  if (m_options.program.empty()) m_options.program = TaskRunnerProgram();
  if (m_options.systemdRoot.empty()) m_options.systemdRoot = "/run/systemd/system";
}

bool SystemdTaskTimerService::SystemdPresent() const {
  if (!g_file_test(m_options.systemdRoot.c_str(), G_FILE_TEST_IS_DIR)) return false;
  GCharPtr found(g_find_program_in_path("systemctl"));
  return found != nullptr;
}

bool SystemdTaskTimerService::Install(const TaskUnitRequest& request) {
  const std::string& folder = m_options.unitFolder;
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
    TaskLog(Format("Cannot make the unit folder %s: %s", {folder, g_strerror(errno)}));
    return SystemdPresent();
  }
  const std::string unit = TaskUnitName(request.taskFile);
  const std::string timersWants = folder + "/timers.target.wants";
  const std::string defaultWants = folder + "/default.target.wants";
  if (request.nextRun) {
    WriteUnit(folder + "/" + unit + ".service",
              ServiceUnitText(request.taskName, m_options.program, request.taskFile, ""));
    WriteUnit(folder + "/" + unit + ".timer", TimerUnitText(unit, request.taskName, *request.nextRun));
    Link(timersWants, folder + "/" + unit + ".timer", unit + ".timer");
  } else {
    RemoveFile(timersWants + "/" + unit + ".timer");
    RemoveFile(folder + "/" + unit + ".timer");
    RemoveFile(folder + "/" + unit + ".service");
  }
  if (request.logon) {
    WriteUnit(folder + "/" + unit + "-logon.service",
              ServiceUnitText(request.taskName, m_options.program, request.taskFile, "logon"));
    Link(defaultWants, folder + "/" + unit + "-logon.service", unit + "-logon.service");
  } else {
    RemoveFile(defaultWants + "/" + unit + "-logon.service");
    RemoveFile(folder + "/" + unit + "-logon.service");
  }
  if (!SystemdPresent()) return false;
  Systemctl({"daemon-reload"});
  if (request.nextRun) Systemctl({"restart", unit + ".timer"});
  return true;
}

void SystemdTaskTimerService::Remove(const std::string& taskFile) {
  const std::string& folder = m_options.unitFolder;
  const std::string unit = TaskUnitName(taskFile);
  const bool present = SystemdPresent();
  if (present) Systemctl({"stop", unit + ".timer"});
  RemoveFile(folder + "/timers.target.wants/" + unit + ".timer");
  RemoveFile(folder + "/default.target.wants/" + unit + "-logon.service");
  for (const char* suffix : {".timer", ".service", "-logon.service"}) RemoveFile(folder + "/" + unit + suffix);
  if (present) Systemctl({"daemon-reload"});
}

void SystemdTaskTimerService::Reload() {
  if (SystemdPresent()) Systemctl({"daemon-reload"});
}

std::optional<std::int64_t> SystemdTaskTimerService::ScheduledTime(const std::string& taskFile) const {
  const std::string path = m_options.unitFolder + "/" + TaskUnitName(taskFile) + ".timer";
  gchar* raw = nullptr;
  if (!g_file_get_contents(path.c_str(), &raw, nullptr, nullptr)) return std::nullopt;
  const GCharPtr text(raw);
  const std::string_view all(text.get());
  constexpr std::string_view key = "\nOnCalendar=";
  const std::size_t at = all.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t start = at + key.size();
  return ParseCalendarText(all.substr(start, all.find('\n', start) - start));
}

std::vector<std::string> SystemdTaskTimerService::SystemctlArgv(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"systemctl", "--user", "--no-ask-password"};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::vector<std::string> SystemdTaskTimerService::SystemctlEnvironment() {
  std::vector<std::string> env;
  for (char** p = environ; p && *p; ++p)
    if (!std::string_view(*p).starts_with("DBUS_SESSION_BUS_ADDRESS=")) env.emplace_back(*p);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder = runtime && *runtime ? runtime : Format("/run/user/%d", {static_cast<int>(getuid())});
  env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder + "/bus");
  return env;
}

void SystemdTaskTimerService::Systemctl(const std::vector<std::string>& args) const {
  const std::vector<std::string> argv = SystemctlArgv(args);
  const std::vector<std::string> env = SystemctlEnvironment();
  std::vector<char*> argvPtrs, envPtrs;
  for (const std::string& a : argv) argvPtrs.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envPtrs.push_back(const_cast<char*>(e.c_str()));
  argvPtrs.push_back(nullptr);
  envPtrs.push_back(nullptr);
  gchar* out = nullptr;
  gchar* err = nullptr;
  gint status = 0;
  GError* error = nullptr;
  const gboolean spawned = g_spawn_sync(nullptr, argvPtrs.data(), envPtrs.data(), G_SPAWN_SEARCH_PATH, nullptr,
                                        nullptr, &out, &err, &status, &error);
  GCharPtr holdOut(out), holdErr(err);
  std::string command;
  for (const std::string& a : args) command += " " + a;
  if (!spawned) {
    TaskLog(Format("systemctl --user%s failed: %s", {command, error->message}));
    g_error_free(error);
  } else if (!g_spawn_check_wait_status(status, nullptr)) {
    TaskLog(Format("systemctl --user%s failed: %s", {command, err ? g_strstrip(err) : ""}));
  }
}

// ---- the per-process service ----

ITaskTimerService& TaskTimerService() {
  if (ITaskTimerService* service = InstalledService()) return *service;
  static SystemdTaskTimerService systemd;
  return systemd;
}

ScopedTaskTimerService::ScopedTaskTimerService(ITaskTimerService& service) : m_previous(InstalledService()) {
  InstalledService() = &service;
}

ScopedTaskTimerService::~ScopedTaskTimerService() { InstalledService() = m_previous; }

std::string TaskRunnerProgram() {
  if (!RunnerProgram().empty()) return RunnerProgram();
  GCharPtr self(g_file_read_link("/proc/self/exe", nullptr));
  if (!self) return "halbrinlite";
  GCharPtr folder(g_path_get_dirname(self.get()));
  return std::string(folder.get()) + "/halbrinlite";
}

void SetTaskRunnerProgram(std::string program) { RunnerProgram() = std::move(program); }

void TaskLog(std::string_view message) noexcept {
  ApplicationHooks().Log("TTaskSchedulerEx", message);
}

}  // namespace halbrin
