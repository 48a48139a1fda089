#include "platform/registry/registry_file.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

namespace halbrin::platform {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

// Removes the temporary file unless it was renamed into place.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
  TempFileGuard(const TempFileGuard&) = delete;
  TempFileGuard& operator=(const TempFileGuard&) = delete;
  ~TempFileGuard() {
    if (!m_path.empty()) unlink(m_path.c_str());
  }
  void Release() noexcept { m_path.clear(); }

 private:
  std::string m_path;
};

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw ERegistryError(
      Format("Cannot write registry file \"%s\": %s", {path, g_strerror(error)}));
}

// The XDG rule: an unset, empty or relative value means the default.
std::string ConfigHome() {
  const char* value = std::getenv("XDG_CONFIG_HOME");
  if (value && g_path_is_absolute(value)) return value;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : g_get_home_dir()) + "/.config";
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowWriteError(path, errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string RegistryFile::PathFor(RootKey root) {
  return Format("%s/Zebrin/registry/%s.ini", {ConfigHome(), RootKeyName(root)});
}

RegistryStore RegistryFile::Load() const {
  gchar* rawText = nullptr;
  gsize length = 0;
  GError* rawError = nullptr;
  if (!g_file_get_contents(m_path.c_str(), &rawText, &length, &rawError)) {
    bool missing = g_error_matches(rawError, G_FILE_ERROR, G_FILE_ERROR_NOENT);
    std::string message = rawError->message;
    g_error_free(rawError);
    if (missing) return RegistryStore();
    throw ERegistryError(Format("Cannot read registry file \"%s\": %s", {m_path, message}));
  }
  GCharPtr text(rawText);
  return RegistryStore::Parse(std::string_view(text.get(), length), m_path);
}

RegistryStore RegistryFile::Commit(const std::vector<RegistryChange>& changes) const {
  GCharPtr folder(g_path_get_dirname(m_path.c_str()));
  if (g_mkdir_with_parents(folder.get(), 0700) != 0) ThrowWriteError(m_path, errno);

  // Readers need no lock: the file is only ever replaced whole.
  std::string lockPath = m_path + ".lock";
  UniqueFd lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.Get() < 0) ThrowWriteError(lockPath, errno);
  while (flock(lock.Get(), LOCK_EX) != 0)
    if (errno != EINTR) ThrowWriteError(lockPath, errno);

  RegistryStore store = Load();
  for (const RegistryChange& change : changes) store.Apply(change);
  std::string text = store.Serialize();

  std::string tempPath = m_path + ".XXXXXX";
  UniqueFd temp(g_mkstemp_full(tempPath.data(), O_RDWR | O_CLOEXEC, 0600));
  if (temp.Get() < 0) ThrowWriteError(m_path, errno);
  TempFileGuard guard(tempPath);
  WriteAll(temp.Get(), text, m_path);
  if (fsync(temp.Get()) != 0) ThrowWriteError(m_path, errno);
  if (!temp.Close()) ThrowWriteError(m_path, errno);
  if (rename(tempPath.c_str(), m_path.c_str()) != 0) ThrowWriteError(m_path, errno);
  guard.Release();
  return store;
}

}  // namespace halbrin::platform
