#pragma once

// What the harnesses share: a reader that cuts one input into parts, and a
// scratch folder under /dev/shm for loaders that take only a path.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

#include "support/test_support.h"

namespace halbrin::fuzzing {

// Takes an input apart from the front: single bytes for choices, texts up
// to a separator byte, and what is left.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) noexcept
      : m_rest(reinterpret_cast<const char*>(data), size) {}

  bool Empty() const noexcept { return m_rest.empty(); }
  // The next byte, 0 once the input is used up.
  std::uint8_t Byte() noexcept {
    if (m_rest.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(m_rest.front());
    m_rest.remove_prefix(1);
    return byte;
  }
  // The text up to the next `separator` (dropped) or the end.
  std::string_view Part(char separator = '\0') noexcept {
    const std::size_t end = m_rest.find(separator);
    const std::string_view part = m_rest.substr(0, end);
    m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
    return part;
  }
  std::string_view Rest() noexcept {
    const std::string_view rest = m_rest;
    m_rest = {};
    return rest;
  }

 private:
  std::string_view m_rest;
};

// A private folder in memory (/dev/shm, else $TMPDIR) for the life of the
// process: loaders that read files get their input from here.
inline testing::TempFolder& ScratchFolder() {
  static testing::TempFolder folder("halbrin_fuzz",
                                    std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "");
  return folder;
}

// Writes the bytes to `name` in the scratch folder; returns its path.
inline std::string InputFile(std::string_view name, std::string_view bytes) {
  return ScratchFolder().Write(name, bytes);
}

// Resident memory of the process, from /proc/self/statm.
inline std::size_t ResidentBytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  unsigned long total = 0, resident = 0;
  const int read = std::fscanf(statm, "%lu %lu", &total, &resident);
  std::fclose(statm);
  return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

// A broken promise of the code under test: reported like a sanitizer finding.
[[noreturn]] inline void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

inline void Check(bool condition, std::string_view what) {
  if (!condition) Fail(what);
}

}  // namespace halbrin::fuzzing
