#include "components/tasks/task_store.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <limits.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr const char* kTaskGroup = "Task";
constexpr const char* kRunGroup = "Run";
constexpr std::string_view kTriggerPrefix = "Trigger ";
constexpr std::string_view kSuffix = ".job";

struct KeyFileDeleter {
  void operator()(GKeyFile* file) const noexcept { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

[[noreturn]] void ThrowWrite(const std::string& path, int error) {
  throw EOleError(E_FAIL, Format("Cannot write task file \"%s\": %s", {path, g_strerror(error)}));
}

std::string DataHome() {
  const char* value = std::getenv("XDG_DATA_HOME");
  if (value && g_path_is_absolute(value)) return value;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : g_get_home_dir()) + "/.local/share";
}

std::string ValidText(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
  return valid.get();
}

// Reads the keys of one group; a key of the wrong kind makes the file damaged.
class GroupReader {
 public:
  GroupReader(GKeyFile* file, std::string group, const std::string& where)
      : m_file(file), m_group(std::move(group)), m_where(where) {}

  std::string Text(const char* key, std::string fallback = {}) const {
    if (!Has(key)) return fallback;
    GError* error = nullptr;
    GCharPtr value(g_key_file_get_string(m_file, m_group.c_str(), key, &error));
    if (!value) Fail(key, error);
    return value.get();
  }
  std::int64_t Number(const char* key, std::int64_t fallback, std::int64_t low, std::int64_t high) const {
    if (!Has(key)) return fallback;
    GError* error = nullptr;
    const gint64 value = g_key_file_get_int64(m_file, m_group.c_str(), key, &error);
    if (error) Fail(key, error);
    if (value < low || value > high) Fail(key, nullptr);
    return value;
  }
  bool Has(const char* key) const { return g_key_file_has_key(m_file, m_group.c_str(), key, nullptr); }

 private:
  [[noreturn]] void Fail(const char* key, GError* error) const {
    std::string reason = error ? error->message : "value out of range";
    if (error) g_error_free(error);
    throw ETaskFileError(Format("Task file %s cannot be read: %s (%s/%s)", {m_where, reason, m_group, key}));
  }

  GKeyFile* m_file;
  std::string m_group;
  const std::string& m_where;
};

const char* UnionKey(int type) {
  switch (type) {
    case TASK_TIME_TRIGGER_WEEKLY: return "WeeksInterval";
    case TASK_TIME_TRIGGER_MONTHLYDOW: return "WhichWeek";
    default: return "DaysInterval";
  }
}

void WriteTrigger(GKeyFile* file, const TaskTriggerRecord& trigger) {
  const std::string group = std::string(kTriggerPrefix) + std::to_string(trigger.id);
  const TaskTriggerFields& t = trigger.fields;
  auto set = [&](const char* key, std::int64_t value) { g_key_file_set_int64(file, group.c_str(), key, value); };
  set("BeginYear", t.beginYear);
  set("BeginMonth", t.beginMonth);
  set("BeginDay", t.beginDay);
  set("EndYear", t.endYear);
  set("EndMonth", t.endMonth);
  set("EndDay", t.endDay);
  set("StartHour", t.startHour);
  set("StartMinute", t.startMinute);
  set("MinutesDuration", t.minutesDuration);
  set("MinutesInterval", t.minutesInterval);
  set("Flags", t.flags);
  set("Type", t.type);
  set(UnionKey(t.type), t.unionFirst);
  set("DaysOfTheWeek", t.daysOfTheWeek);
  set("Days", t.days);
  set("Months", t.months);
}

TaskTriggerRecord ReadTrigger(GKeyFile* file, const std::string& group, int id, const std::string& where) {
  const GroupReader r(file, group, where);
  TaskTriggerRecord trigger;
  trigger.id = id;
  TaskTriggerFields& t = trigger.fields;
  constexpr std::int64_t kWord = 0xFFFF;
  constexpr std::int64_t kLong = 0xFFFFFFFF;
  t.beginYear = static_cast<int>(r.Number("BeginYear", t.beginYear, 0, kWord));
  t.beginMonth = static_cast<int>(r.Number("BeginMonth", t.beginMonth, 0, kWord));
  t.beginDay = static_cast<int>(r.Number("BeginDay", t.beginDay, 0, kWord));
  t.endYear = static_cast<int>(r.Number("EndYear", 0, 0, kWord));
  t.endMonth = static_cast<int>(r.Number("EndMonth", 0, 0, kWord));
  t.endDay = static_cast<int>(r.Number("EndDay", 0, 0, kWord));
  t.startHour = static_cast<int>(r.Number("StartHour", 0, 0, kWord));
  t.startMinute = static_cast<int>(r.Number("StartMinute", 0, 0, kWord));
  t.minutesDuration = static_cast<std::uint32_t>(r.Number("MinutesDuration", 0, 0, kLong));
  t.minutesInterval = static_cast<std::uint32_t>(r.Number("MinutesInterval", 0, 0, kLong));
  t.flags = static_cast<std::uint32_t>(r.Number("Flags", 0, 0, kLong));
  t.type = static_cast<int>(r.Number("Type", TASK_TIME_TRIGGER_DAILY, 0, kWord));
  t.unionFirst = static_cast<int>(r.Number(UnionKey(t.type), 1, 0, kWord));
  t.daysOfTheWeek = static_cast<std::uint32_t>(r.Number("DaysOfTheWeek", 0, 0, kWord));
  t.days = static_cast<std::uint32_t>(r.Number("Days", 0, 0, kLong));
  t.months = static_cast<std::uint32_t>(r.Number("Months", 0, 0, kWord));
  if (!IsValidTrigger(t))
    throw ETaskFileError(Format("Task file %s cannot be read: %s is not a valid trigger", {where, group}));
  return trigger;
}

void WriteTask(GKeyFile* file, const TaskRecord& task) {
  auto text = [&](const char* key, const std::string& value) {
    g_key_file_set_string(file, kTaskGroup, key, ValidText(value).c_str());
  };
  auto number = [&](const char* key, std::int64_t value) { g_key_file_set_int64(file, kTaskGroup, key, value); };
  text("AccountName", task.accountName);
  text("Comment", task.comment);
  text("Creator", task.creator);
  number("IdleMinutes", task.idleMinutes);
  number("DeadlineMinutes", task.deadlineMinutes);
  number("ErrorRetryCount", task.errorRetryCount);
  number("ErrorRetryInterval", task.errorRetryInterval);
  number("Flags", task.flags);
  text("Data", task.data);
  text("ApplicationName", task.applicationName);
  text("Parameters", task.parameters);
  text("WorkingDirectory", task.workingDirectory);
  number("Priority", task.priority);
  number("TaskFlags", task.taskFlags);
  number("MaxRunTime", task.maxRunTime);
  number("NextTriggerId", task.nextTriggerId);
  for (const TaskTriggerRecord& trigger : task.triggers) WriteTrigger(file, trigger);
}

void WriteRun(GKeyFile* file, const TaskRunState& run) {
  g_key_file_remove_group(file, kRunGroup, nullptr);
  if (run.mostRecentRunTime) g_key_file_set_int64(file, kRunGroup, "MostRecentRunTime", *run.mostRecentRunTime);
  g_key_file_set_int64(file, kRunGroup, "ExitCode", run.exitCode);
  g_key_file_set_int64(file, kRunGroup, "Status", static_cast<std::uint32_t>(run.status));
  g_key_file_set_int64(file, kRunGroup, "Pid", run.pid);
  g_key_file_set_uint64(file, kRunGroup, "PidStart", run.pidStart);
  g_key_file_set_boolean(file, kRunGroup, "Scheduled", run.scheduled);
}

KeyFilePtr LoadKeyFile(std::string_view text) {
  KeyFilePtr file(g_key_file_new());
  if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_KEEP_COMMENTS, nullptr))
    return nullptr;
  return file;
}

std::optional<std::string> ReadText(const std::string& path) {
  gchar* raw = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &raw, &length, nullptr)) return std::nullopt;
  GCharPtr text(raw);
  return std::string(text.get(), length);
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowWrite(path, errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

// Replaces `path` with `text` through a renamed temporary file.
void ReplaceFile(const std::string& path, const std::string& text) {
  std::string tempPath = path + ".XXXXXX";
  UniqueFd temp(g_mkstemp_full(tempPath.data(), O_RDWR | O_CLOEXEC, 0600));
  if (temp.Get() < 0) ThrowWrite(path, errno);
  bool renamed = false;
  try {
    WriteAll(temp.Get(), text, path);
    if (fsync(temp.Get()) != 0) ThrowWrite(path, errno);
    if (!temp.Close()) ThrowWrite(path, errno);
    if (rename(tempPath.c_str(), path.c_str()) != 0) ThrowWrite(path, errno);
    renamed = true;
  } catch (...) {
    if (!renamed) unlink(tempPath.c_str());
    throw;
  }
}

// The store's write lock of one task file, held for the object's life.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) {
    const std::string lockPath = path + ".wlock";
    m_fd = UniqueFd(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (m_fd.Get() < 0) ThrowWrite(lockPath, errno);
    while (flock(m_fd.Get(), LOCK_EX) != 0)
      if (errno != EINTR) ThrowWrite(lockPath, errno);
  }

 private:
  UniqueFd m_fd;
};

std::string Serialize(GKeyFile* file) {
  gsize length = 0;
  GCharPtr text(g_key_file_to_data(file, &length, nullptr));
  return std::string(text.get(), length);
}

}  // namespace

TaskTriggerRecord* TaskRecord::Trigger(int id) {
  auto found = std::find_if(triggers.begin(), triggers.end(), [id](const TaskTriggerRecord& t) { return t.id == id; });
  return found == triggers.end() ? nullptr : &*found;
}

TaskTriggerRecord& TaskRecord::AddTrigger(const TaskTriggerFields& fields) {
  triggers.push_back({nextTriggerId++, fields});
  return triggers.back();
}

std::vector<TaskTriggerFields> TaskRecord::TriggerFields() const {
  std::vector<TaskTriggerFields> fields;
  for (const TaskTriggerRecord& t : triggers) fields.push_back(t.fields);
  return fields;
}

std::string TaskStore::DefaultFolder() { return DataHome() + "/Zebrin/HalbrinLite/tasks"; }

void TaskStore::CheckName(std::string_view name) {
  auto bad = [&] {
    return name.empty() || name == "." || name == ".." || name.size() + kSuffix.size() > NAME_MAX ||
           std::any_of(name.begin(), name.end(), [](char c) {
             return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
  };
  if (bad()) throw EOleError(E_TASK_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.");
}

std::string TaskStore::PathOf(std::string_view name) const {
  CheckName(name);
  return m_folder + "/" + std::string(name) + std::string(kSuffix);
}

bool TaskStore::Exists(std::string_view name) const { return g_file_test(PathOf(name).c_str(), G_FILE_TEST_EXISTS); }

std::vector<std::string> TaskStore::Names() const {
  std::vector<std::string> names;
  GDir* dir = g_dir_open(m_folder.c_str(), 0, nullptr);
  if (!dir) return names;
  while (const char* entry = g_dir_read_name(dir)) {
    const std::string_view file(entry);
    if (file.size() <= kSuffix.size() || !file.ends_with(kSuffix)) continue;
    const std::string name(file.substr(0, file.size() - kSuffix.size()));
    try {
      CheckName(name);
    } catch (const EOleError&) {
      continue;
    }
    names.push_back(name);
  }
  g_dir_close(dir);
  std::sort(names.begin(), names.end());
  return names;
}

TaskRecord TaskStore::Parse(std::string_view text, const std::string& where) {
  KeyFilePtr file = LoadKeyFile(text);
  if (!file || !g_key_file_has_group(file.get(), kTaskGroup))
    throw ETaskFileError(Format("Task file %s cannot be read: %s", {where, "not a task file"}));
  const GroupReader r(file.get(), kTaskGroup, where);
  TaskRecord task;
  constexpr std::int64_t kWord = 0xFFFF;
  constexpr std::int64_t kLong = 0xFFFFFFFF;
  task.accountName = r.Text("AccountName");
  task.comment = r.Text("Comment");
  task.creator = r.Text("Creator");
  task.idleMinutes = static_cast<int>(r.Number("IdleMinutes", task.idleMinutes, 0, kWord));
  task.deadlineMinutes = static_cast<int>(r.Number("DeadlineMinutes", task.deadlineMinutes, 0, kWord));
  task.errorRetryCount = static_cast<int>(r.Number("ErrorRetryCount", 0, 0, kWord));
  task.errorRetryInterval = static_cast<int>(r.Number("ErrorRetryInterval", 0, 0, kWord));
  task.flags = static_cast<std::uint32_t>(r.Number("Flags", 0, 0, kLong));
  task.data = r.Text("Data");
  task.applicationName = r.Text("ApplicationName");
  task.parameters = r.Text("Parameters");
  task.workingDirectory = r.Text("WorkingDirectory");
  task.priority = static_cast<std::uint32_t>(r.Number("Priority", task.priority, 0, kLong));
  task.taskFlags = static_cast<std::uint32_t>(r.Number("TaskFlags", 0, 0, kLong));
  task.maxRunTime = r.Number("MaxRunTime", task.maxRunTime, 0, kLong);
  task.nextTriggerId = static_cast<int>(r.Number("NextTriggerId", 1, 1, INT_MAX));
  gsize count = 0;
  gchar** groups = g_key_file_get_groups(file.get(), &count);
  std::unique_ptr<gchar*, void (*)(gchar**)> hold(groups, g_strfreev);
  for (gsize i = 0; i < count; ++i) {
    const std::string group = groups[i];
    if (!std::string_view(group).starts_with(kTriggerPrefix)) continue;
    const std::string number = group.substr(kTriggerPrefix.size());
    char* end = nullptr;
    const long id = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end || id < 1 || id >= INT_MAX)
      throw ETaskFileError(Format("Task file %s cannot be read: %s", {where, "bad trigger group " + group}));
    if (task.Trigger(static_cast<int>(id)))
      throw ETaskFileError(Format("Task file %s cannot be read: %s", {where, "repeated trigger group " + group}));
    task.triggers.push_back(ReadTrigger(file.get(), group, static_cast<int>(id), where));
    task.nextTriggerId = std::max(task.nextTriggerId, static_cast<int>(id) + 1);
  }
  return task;
}

TaskRunState TaskStore::ParseRun(std::string_view text) {
  TaskRunState run;
  KeyFilePtr file = LoadKeyFile(text);
  if (!file || !g_key_file_has_group(file.get(), kRunGroup)) return run;
  auto number = [&](const char* key) -> std::optional<std::int64_t> {
    GError* error = nullptr;
    const gint64 value = g_key_file_get_int64(file.get(), kRunGroup, key, &error);
    if (error) {
      g_error_free(error);
      return std::nullopt;
    }
    return value;
  };
  run.mostRecentRunTime = number("MostRecentRunTime");
  run.exitCode = static_cast<std::uint32_t>(number("ExitCode").value_or(0));
  run.status = static_cast<HResult>(static_cast<std::uint32_t>(number("Status").value_or(0)));
  run.pid = number("Pid").value_or(0);
  GError* error = nullptr;
  run.pidStart = g_key_file_get_uint64(file.get(), kRunGroup, "PidStart", &error);
  if (error) {
    g_error_free(error);
    run.pidStart = 0;
  }
  const gboolean scheduled = g_key_file_get_boolean(file.get(), kRunGroup, "Scheduled", &error);
  if (error)
    g_error_free(error);
  else
    run.scheduled = scheduled;
  return run;
}

TaskRecord TaskStore::Load(std::string_view name) const {
  const std::string path = PathOf(name);
  const std::optional<std::string> text = ReadText(path);
  if (!text) throw ETaskFileError(Format("Task file %s cannot be read: %s", {path, "the file cannot be opened"}));
  return Parse(*text, path);
}

TaskRunState TaskStore::LoadRun(std::string_view name) const {
  const std::optional<std::string> text = ReadText(PathOf(name));
  return text ? ParseRun(*text) : TaskRunState();
}

void TaskStore::Save(std::string_view name, const TaskRecord& record) const {
  const std::string path = PathOf(name);
  if (g_mkdir_with_parents(m_folder.c_str(), 0700) != 0) ThrowWrite(path, errno);
  const WriteLock lock(path);
  KeyFilePtr file(g_key_file_new());
  WriteTask(file.get(), record);
  // The runner's keys as the file holds them now.
  if (const std::optional<std::string> current = ReadText(path))
    if (KeyFilePtr old = LoadKeyFile(*current); old && g_key_file_has_group(old.get(), kRunGroup))
      WriteRun(file.get(), ParseRun(*current));
  ReplaceFile(path, Serialize(file.get()));
}

void TaskStore::SaveRun(std::string_view name, const TaskRunState& run) const {
  const std::string path = PathOf(name);
  // A task deleted meanwhile gets no lock file back.
  if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) return;
  const WriteLock lock(path);
  const std::optional<std::string> current = ReadText(path);
  if (!current) return;
  KeyFilePtr file = LoadKeyFile(*current);
  if (!file || !g_key_file_has_group(file.get(), kTaskGroup)) return;
  WriteRun(file.get(), run);
  ReplaceFile(path, Serialize(file.get()));
}

bool TaskStore::Remove(std::string_view name) const {
  const std::string path = PathOf(name);
  const bool removed = unlink(path.c_str()) == 0;
  unlink((path + ".wlock").c_str());
  unlink(TaskRunLockPath(path).c_str());
  return removed;
}

std::optional<std::uint64_t> ProcessStartTime(std::int64_t pid) {
  if (pid <= 0) return std::nullopt;
  const std::optional<std::string> stat = ReadText(Format("/proc/%d/stat", {pid}));
  if (!stat) return std::nullopt;
  // The command name may hold blanks and parentheses: fields count from the last ')'.
  const std::size_t close = stat->rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::size_t at = close + 1;
  for (int field = 3; field <= 22; ++field) {
    at = stat->find_first_not_of(' ', at);
    if (at == std::string::npos) return std::nullopt;
    const std::size_t end = stat->find(' ', at);
    if (field == 22) return std::strtoull(stat->substr(at, end - at).c_str(), nullptr, 10);
    at = end;
  }
  return std::nullopt;
}

std::string TaskRunLockPath(const std::string& taskFile) { return taskFile + ".lock"; }

bool TaskRunLockHeld(const std::string& taskFile) {
  UniqueFd fd(open(TaskRunLockPath(taskFile).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  // Asks without taking the lock, so a runner starting now is never turned away.
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  if (fcntl(fd.Get(), F_OFD_GETLK, &query) != 0) return false;
  return query.l_type != F_UNLCK;
}

UniqueFd TryTaskRunLock(const std::string& taskFile) {
  UniqueFd fd(open(TaskRunLockPath(taskFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (fd.Get() < 0) return fd;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd.Get(), F_OFD_SETLK, &lock) != 0) return UniqueFd();
  return fd;
}

}  // namespace halbrin
