#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/classes/class_builder.h"
#include "platform/classes/object.h"

namespace halbrin {

// Appends text to one log file shared by every thread, and keeps the file
// under a size cap by cutting it back to empty (optionally after copying it
// to its ".bak" twin). A logger whose file could not be opened is inactive and
// ignores every write; no write ever throws into the caller.
//
// Creation and destruction belong to the owning thread; Write and the entry
// writers may be called from any thread while the logger lives.
class TLogger : public platform::TObject {
  HALBRIN_CLASS(TLogger, platform::TObject)

  // The time source of entries: an OLE date (local time).
  using Clock = std::function<double()>;

  // An empty folder means the folder of the program file. createNew empties
  // the file, otherwise writes go after what it holds. backup only counts with
  // a cap (maxSize > 0); createNew with backup also deletes an older ".bak".
  TLogger(std::string_view name, std::string_view folder, bool createNew, std::uint32_t maxSize,
          bool backup);
  // The file at `path`, emptied, no ".bak" copy.
  TLogger(std::string_view path, std::uint32_t maxSize);
  ~TLogger() override;

  // Appends `text` as it is (no time, no line end). Past the cap the file is
  // emptied first; a text longer than the cap is still written whole.
  void Write(std::string_view text) noexcept;

  // Appends the line "dd.mm.yyyy hh:nn:ss [className]: message\r\n".
  void WriteEntry(std::string_view className, std::string_view message) noexcept;
  // WriteEntry with the exception's class name (our own exceptions name
  // themselves, others by their C++ type) and message; a script's call stack
  // follows the message in the same line, " (call stack: frame, frame)".
  void WriteException(const std::exception& error) noexcept;

  // Replaces the time source (NowOleDate by default).
  void SetClock(Clock clock);

  const std::string& Path() const noexcept { return m_path; }
  std::string BackupPath() const;
  bool Active() const noexcept { return m_active; }
  std::uint32_t MaxSize() const noexcept { return m_maxSize; }
  bool Backup() const noexcept { return m_backup; }

 private:
  void WriteLocked(std::string_view text) noexcept;
  void CutBack() noexcept;

  std::string m_path;
  int m_file = -1;
  std::mutex m_lock;
  std::uint32_t m_maxSize = 0;
  bool m_backup = false;
  bool m_active = false;
  Clock m_clock;
};

// The log line of one entry, "%s [%s]: %s\r\n".
std::string FormatLogEntry(double time, std::string_view className, std::string_view message);

// The application's log file: the common application-data folder +
// "Zebrin/HalbrinLite/logs/<project id or "application">_<user name>.log".
std::string ApplicationLogPath(std::string_view projectId);

// Opens the application's log: made empty, cut back to empty past 524288
// bytes, no ".bak" copy. The logs folder is made when missing.
std::unique_ptr<TLogger> OpenApplicationLog(std::string_view projectId);

inline constexpr std::uint32_t kApplicationLogMaxSize = 0x80000;

}  // namespace halbrin
