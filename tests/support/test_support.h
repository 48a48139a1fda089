#pragma once

// Helpers every test folder shares: an environment variable set for a scope,
// a private temporary folder, and whole-file reads and writes.

#include <stdlib.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace halbrin::testing {

// Sets (or, with nullopt, unsets) an environment variable for the life of the
// object, then puts back what was there before.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
    if (const char* old = std::getenv(m_name.c_str())) m_old = old;
    Apply(value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { Apply(m_old); }

 private:
  void Apply(const std::optional<std::string>& value) const {
    if (value)
      setenv(m_name.c_str(), value->c_str(), 1);
    else
      unsetenv(m_name.c_str());
  }

  std::string m_name;
  std::optional<std::string> m_old;
};

enum class MakeFolders { No, Yes };

// Writes the bytes as they are, replacing the file. Throws when the file
// cannot be written, so a broken set-up does not pass for the code's fault.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes,
                      MakeFolders makeFolders = MakeFolders::No) {
  if (makeFolders == MakeFolders::Yes) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

inline void WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                      MakeFolders makeFolders = MakeFolders::No) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), makeFolders);
}

// The whole file as bytes. Throws when it cannot be opened: a missing file
// must not read as an empty one.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder, removed with all it holds when the object goes. It is made
// under $TMPDIR (or /tmp), or under `base` where a test needs a short, known
// path (Unix socket addresses are limited to about a hundred bytes).
class TempFolder {
 public:
  explicit TempFolder(std::string_view prefix = "halbrin_test", const std::filesystem::path& base = {}) {
    std::filesystem::path parent = base;
    if (parent.empty()) {
      const char* temp = std::getenv("TMPDIR");
      parent = temp && *temp ? temp : "/tmp";
    }
    std::string pattern = (parent / (std::string(prefix) + ".XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
      throw std::runtime_error("cannot make a folder from " + pattern + ": " + std::strerror(errno));
    m_path = pattern;
  }
  TempFolder(TempFolder&& other) noexcept : m_path(std::exchange(other.m_path, {})) {}
  TempFolder& operator=(TempFolder&& other) noexcept {
    if (this != &other) {
      Remove();
      m_path = std::exchange(other.m_path, {});
    }
    return *this;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() { Remove(); }

  const std::filesystem::path& Path() const { return m_path; }
  // As text, the form most code under test takes.
  std::string Path(std::string_view name) const { return (m_path / name).string(); }

  // Writes a file inside the folder and returns its path.
  std::string Write(std::string_view name, std::string_view bytes, MakeFolders makeFolders = MakeFolders::No) const {
    std::string path = Path(name);
    WriteFile(path, bytes, makeFolders);
    return path;
  }
  std::string Write(std::string_view name, std::span<const std::uint8_t> bytes,
                    MakeFolders makeFolders = MakeFolders::No) const {
    std::string path = Path(name);
    WriteFile(path, bytes, makeFolders);
    return path;
  }

 private:
  void Remove() noexcept {
    if (m_path.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }

  std::filesystem::path m_path;
};

}  // namespace halbrin::testing
