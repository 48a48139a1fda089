#include "core/foundation/logger.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <typeinfo>

#include "core/foundation/paths.h"
#include "core/foundation/system_info.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/shell/special_folders.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TLogger, )

namespace {

// A script's call stack goes into the same log line, after the message:
// " (call stack: g@/p/a.js:4:30, f@/p/a.js:2:11)".
void AppendCallStack(std::string& message, std::string_view stack) {
  std::string frames;
  while (!stack.empty()) {
    const std::size_t end = stack.find('\n');
    std::string_view frame = stack.substr(0, end);
    while (!frame.empty() && (frame.back() == '\r' || frame.back() == ' ')) frame.remove_suffix(1);
    while (!frame.empty() && frame.front() == ' ') frame.remove_prefix(1);
    if (!frame.empty()) frames += (frames.empty() ? "" : ", ") + std::string(frame);
    stack = end == std::string_view::npos ? std::string_view() : stack.substr(end + 1);
  }
  if (!frames.empty()) message += " (call stack: " + frames + ")";
}

// The folder of the program file with its trailing "/", or "" when unknown.
std::string ProgramFolder() {
  const std::string exe = GetApplicationFileName();
  if (exe.empty()) return {};
  std::string folder = std::filesystem::path(exe).parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// A name part of a file name: no folder separators, no NUL.
std::string FileNamePart(std::string_view text) {
  std::string part(text);
  for (char& c : part)
    if (c == '/' || c == '\0') c = '_';
  return part;
}

std::string ComposeEntry(std::string_view timeText, std::string_view className, std::string_view message) {
  return Format("%s [%s]: %s\r\n", {timeText, className, message});
}

std::string TypeName(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> readable(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

// "a/b/x.log" is folder "a/b/" and name "x.log"; a bare name has no folder.
std::size_t NameStart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}
std::string_view FolderPart(std::string_view path) { return path.substr(0, NameStart(path)); }
std::string_view NamePart(std::string_view path) { return path.substr(NameStart(path)); }

int OpenRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

TLogger::TLogger(std::string_view name, std::string_view folder, bool createNew, std::uint32_t maxSize,
                 bool backup) {
  std::string dir(folder);
  if (dir.empty())
    dir = ProgramFolder();
  else if (dir.back() != '/')
    dir += '/';  // "logs" + "x.log" must not become "logsx.log"
  m_path = dir + std::string(name);

  // O_APPEND: every write lands at the end, also after the file was cut back.
  int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | (createNew ? O_TRUNC : 0);
  m_file = OpenRetrying(m_path, flags);
  if (m_file < 0) return;

  m_maxSize = maxSize;
  // A log named "*.bak" would be its own backup: copying it aside makes no sense.
  m_backup = backup && maxSize > 0 && BackupPath() != m_path;
  if (createNew && m_backup) {
    std::error_code ignored;
    std::filesystem::remove(BackupPath(), ignored);
  }
  m_active = true;
}

TLogger::TLogger(std::string_view path, std::uint32_t maxSize)
    : TLogger(NamePart(path), FolderPart(path), true, maxSize, false) {}

TLogger::~TLogger() {
  if (m_file >= 0) ::close(m_file);
  m_file = -1;
}

std::string TLogger::BackupPath() const {
  return std::filesystem::path(m_path).replace_extension(".bak").string();
}

void TLogger::SetClock(Clock clock) {
  std::lock_guard guard(m_lock);
  m_clock = std::move(clock);
}

void TLogger::Write(std::string_view text) noexcept {
  if (!m_active || text.empty()) return;
  try {
    std::lock_guard guard(m_lock);
    WriteLocked(text);
  } catch (...) {
    // A logger that cannot write stays silent.
  }
}

void TLogger::WriteEntry(std::string_view className, std::string_view message) noexcept {
  if (!m_active) return;
  try {
    std::lock_guard guard(m_lock);
    // Read under the lock, so the lines of the file stay in time order.
    std::string timeText;
    try {
      timeText = FormatOleDate(m_clock ? m_clock() : NowOleDate());
    } catch (...) {
      // A broken clock must not cost the entry itself.
    }
    WriteLocked(ComposeEntry(timeText, className, message));
  } catch (...) {
  }
}

void TLogger::WriteException(const std::exception& error) noexcept {
  try {
    const auto* own = dynamic_cast<const Exception*>(&error);
    std::string className = own ? std::string(own->ClassName()) : TypeName(error);
    std::string message = error.what();
    if (own) AppendCallStack(message, own->CallStack());
    WriteEntry(className, message);
  } catch (...) {
  }
}

void TLogger::WriteLocked(std::string_view text) noexcept {
  if (text.empty()) return;
  if (m_maxSize > 0) {
    struct stat info {};
    // When the size cannot be read the cap is not tested for this write. An
    // empty file has nothing to cut, and copying it would wipe the backup.
    if (::fstat(m_file, &info) == 0 && info.st_size > 0 &&
        static_cast<std::uint64_t>(info.st_size) + text.size() > m_maxSize)
      CutBack();
  }

  // A write that fails halfway is cut back to here, so no broken line stays
  // behind and what was logged before is kept.
  off_t end = ::lseek(m_file, 0, SEEK_END);
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t written = ::write(m_file, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  if (done > 0 && done < text.size() && end >= 0) {
    int ignored = ::ftruncate(m_file, end);
    (void)ignored;
  }
}

void TLogger::CutBack() noexcept {
  if (m_backup) {
    // Copied next to the backup and renamed over it, so a copy that fails
    // halfway leaves the older backup whole.
    std::error_code error;
    std::string backup = BackupPath();
    std::string partial = backup + ".part";
    std::filesystem::copy_file(m_path, partial, std::filesystem::copy_options::overwrite_existing, error);
    if (!error) std::filesystem::rename(partial, backup, error);
    if (error) std::filesystem::remove(partial, error);
  }
  // The cut happens even when the copy failed: the cap holds.
  int ignored = ::ftruncate(m_file, 0);
  (void)ignored;
  ::lseek(m_file, 0, SEEK_SET);
}

std::string FormatLogEntry(double time, std::string_view className, std::string_view message) {
  return ComposeEntry(FormatOleDate(time), className, message);
}

std::string ApplicationLogPath(std::string_view projectId) {
  std::string folder = GetCommonAppDataPath();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string name = projectId.empty() ? std::string("application") : FileNamePart(projectId);
  return folder + "Zebrin/HalbrinLite/logs/" + Format("%s_%s.log", {name, FileNamePart(GetUserNameText())});
}

std::unique_ptr<TLogger> OpenApplicationLog(std::string_view projectId) {
  std::string path = ApplicationLogPath(projectId);
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  return std::make_unique<TLogger>(path, kApplicationLogMaxSize);
}

}  // namespace halbrin
