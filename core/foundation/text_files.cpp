#include "core/foundation/text_files.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <utility>

#include "core/foundation/project_encoding.h"
#include "core/foundation/text_helpers.h"
#include "platform/base/format.h"
#include "platform/base/glib_ptr.h"
#include "platform/base/unique_fd.h"

using namespace halbrin::platform;

namespace halbrin {
namespace {

constexpr std::size_t kHexLineBytes = 40;

// The absolute path, as the stream errors name a file.
std::string ExpandFileName(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

[[noreturn]] void ThrowCreateError(const std::string& path, int error) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", {ExpandFileName(path), g_strerror(error)}));
}

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw EFOpenError(Format("Cannot open file \"%s\". %s", {ExpandFileName(path), g_strerror(error)}));
}

UniqueFd OpenForReading(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) ThrowOpenError(path, errno);
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) ThrowOpenError(path, errno);
  if (S_ISDIR(info.st_mode)) ThrowOpenError(path, EISDIR);
  return fd;
}

// Fills `buffer` as far as the file allows; fewer bytes only at its end.
std::size_t ReadFull(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError("Stream read error");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool WriteFull(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const GCharPtr dir(g_path_get_dirname(path.c_str()));
  return dir.get();
}

// The file that writing `path` should replace: the final target of a chain
// of symbolic links (even a dangling one), so the link itself stays a link.
std::string WriteTarget(const std::string& path) {
  std::string target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
    GErrorPtr error;
    const GCharPtr link(g_file_read_link(target.c_str(), Out(error)));
    if (!link) return target;
    if (g_path_is_absolute(link.get())) {
      target = link.get();
    } else {
      const GCharPtr joined(g_build_filename(DirectoryOf(target).c_str(), link.get(), nullptr));
      target = joined.get();
    }
  }
  return target;
}

// A temporary file beside `target` that is removed unless it is committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const GCharPtr base(g_path_get_basename(target.c_str()));
    const GCharPtr name(g_strconcat(".", base.get(), ".XXXXXX", nullptr));
    const GCharPtr joined(g_build_filename(DirectoryOf(target).c_str(), name.get(), nullptr));
    m_path = joined.get();
    m_fd = UniqueFd(g_mkstemp_full(m_path.data(), O_WRONLY | O_CLOEXEC, 0666));
    if (!m_fd.Valid()) {
      m_error = errno;
      m_path.clear();
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!m_path.empty()) {
      m_fd.Close();
      ::unlink(m_path.c_str());
    }
  }

  bool Valid() const noexcept { return m_fd.Valid(); }
  // The reason the file could not be made.
  int Error() const noexcept { return m_error; }
  int Fd() const noexcept { return m_fd.Get(); }
  const std::string& Path() const noexcept { return m_path; }
  bool Close() noexcept { return m_fd.Close(); }
  void Committed() noexcept { m_path.clear(); }

 private:
  std::string m_path;
  UniqueFd m_fd{-1};
  int m_error = 0;
};

void MakeFolderOf(const std::string& path) {
  const std::string dir = DirectoryOf(path);
  if (dir == "." || dir == "/") return;
  if (g_mkdir_with_parents(dir.c_str(), 0777) != 0) ThrowCreateError(path, errno);
}

}  // namespace

void SaveBytesToFile(std::string_view bytes, const std::string& path, bool forceFolder) {
  if (forceFolder) MakeFolderOf(path);
  const std::string target = WriteTarget(path);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) ThrowCreateError(path, EISDIR);

  TemporaryFile temp(target);
  if (!temp.Valid()) ThrowCreateError(path, temp.Error());
  if (replacing) ::fchmod(temp.Fd(), old.st_mode & 07777);
  if (!WriteFull(temp.Fd(), bytes)) throw EWriteError("Stream write error");
  // The old content must not be replaced by a file the disk has not kept.
  if (replacing && ::fsync(temp.Fd()) != 0) throw EWriteError("Stream write error");
  if (!temp.Close()) throw EWriteError("Stream write error");
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) ThrowCreateError(path, errno);
  temp.Committed();
}

void SaveTextToFile(std::string_view text, const std::string& path, bool forceFolder) {
  SaveTextToFile(text, path, forceFolder, ProjectEncoding());
}

void SaveTextToFile(std::string_view text, const std::string& path, bool forceFolder,
                    std::string_view encoding) {
  // Converted before anything touches the disk, so a text the code page
  // cannot carry leaves the old file as it was.
  SaveBytesToFile(EncodeText(text, encoding), path, forceFolder);
}

std::string LoadBytesFromFile(const std::string& path) {
  const UniqueFd fd = OpenForReading(path);
  std::string bytes;
  std::array<char, 65536> buffer;
  for (;;) {
    const std::size_t n = ReadFull(fd.Get(), buffer.data(), buffer.size());
    bytes.append(buffer.data(), n);
    if (n < buffer.size()) return bytes;
  }
}

std::string LoadTextFromFile(const std::string& path) { return LoadTextFromFile(path, ProjectEncoding()); }

std::string LoadTextFromFile(const std::string& path, std::string_view encoding) {
  const std::string bytes = LoadBytesFromFile(path);
  try {
    return DecodeFileText(bytes, encoding);
  } catch (const EEncodingError& e) {
    throw EEncodingError(Format("Cannot read file \"%s\". %s", {path, e.Message()}));
  }
}

std::string FileToHexLines(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const UniqueFd fd = OpenForReading(path);
  std::string lines;
  std::array<char, kHexLineBytes> buffer;
  for (;;) {
    const std::size_t n = ReadFull(fd.Get(), buffer.data(), buffer.size());
    for (std::size_t i = 0; i < n; ++i) {
      const auto byte = static_cast<unsigned char>(buffer[i]);
      lines.push_back(kHex[byte >> 4]);
      lines.push_back(kHex[byte & 0xF]);
    }
    lines.append("\r\n");
    if (n < buffer.size()) return lines;
  }
}

std::string ReplaceInvalidFileNameChars(std::string_view text, std::string_view replacement) {
  std::string out(text);
  for (std::string_view invalid : {"\\", "/", "|", "\"", ":", "*", "?", "<", ">", "\r\n", "\n", "\r"})
    out = ReplaceAll(out, invalid, replacement);
  return out;
}

}  // namespace halbrin
