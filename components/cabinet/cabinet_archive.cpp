#include "components/cabinet/cabinet_archive.h"

#include <dirent.h>
#include <fcntl.h>
#include <libgcab.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <unordered_map>

#include "components/cabinet/cabinet_errors.h"
#include "components/cabinet/cabinet_names.h"
#include "core/foundation/paths.h"
#include "platform/base/glib_ptr.h"
#include "platform/base/unique_fd.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// The errno a GIO error stands for.
int ErrnoOfIoError(const GError* error) {
  if (!error || error->domain != G_IO_ERROR) return 0;
  switch (error->code) {
    case G_IO_ERROR_NOT_FOUND: return ENOENT;
    case G_IO_ERROR_EXISTS: return EEXIST;
    case G_IO_ERROR_IS_DIRECTORY: return EISDIR;
    case G_IO_ERROR_NOT_DIRECTORY: return ENOTDIR;
    case G_IO_ERROR_NOT_EMPTY: return ENOTEMPTY;
    case G_IO_ERROR_NOT_REGULAR_FILE: return EINVAL;
    case G_IO_ERROR_FILENAME_TOO_LONG: return ENAMETOOLONG;
    case G_IO_ERROR_INVALID_FILENAME: return EINVAL;
    case G_IO_ERROR_TOO_MANY_LINKS: return ELOOP;
    case G_IO_ERROR_NO_SPACE: return ENOSPC;
    case G_IO_ERROR_INVALID_ARGUMENT: return EINVAL;
    case G_IO_ERROR_PERMISSION_DENIED: return EACCES;
    case G_IO_ERROR_NOT_SUPPORTED: return ENOTSUP;
    case G_IO_ERROR_READ_ONLY: return EROFS;
    case G_IO_ERROR_BUSY: return EBUSY;
    case G_IO_ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EIO;
  }
}

// A failure while reading or extracting (the GError may be NULL).
[[noreturn]] void ThrowReadError(const GError* error) {
  if (error && error->domain == GCAB_ERROR) {
    if (error->code == GCAB_ERROR_NOT_SUPPORTED) throw ECabinetError(kFdiBadCompressionType, 0);
    throw ECabinetError(kFdiCorruptCabinet, 0);
  }
  if (error && error->domain == G_IO_ERROR) throw ECabinetError(kFdiCabinetNotFound, ErrnoOfIoError(error));
  throw ECabinetError(kFdiCorruptCabinet, 0);
}

// A failure while writing (the GError may be NULL: libgcab leaves it so
// for an unsupported method).
[[noreturn]] void ThrowWriteError(const GError* error) {
  throw ECabinetError(kFciCabinetFile, ErrnoOfIoError(error));
}

DateTimeParts PartsOf(GDateTime* date) {
  DateTimeParts parts;
  parts.year = g_date_time_get_year(date);
  parts.month = g_date_time_get_month(date);
  parts.day = g_date_time_get_day_of_month(date);
  parts.hour = g_date_time_get_hour(date);
  parts.minute = g_date_time_get_minute(date);
  parts.second = g_date_time_get_second(date);
  parts.millisecond = 0;
  return parts;
}

// Removes a folder below `parentFd` with all it holds, never following a link.
void RemoveTree(int parentFd, const std::string& name) noexcept {
  UniqueFd fd(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Valid()) {
    const int listFd = ::dup(fd.Get());
    if (DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child == "." || child == "..") continue;
        if (::unlinkat(fd.Get(), child.c_str(), 0) != 0 && (errno == EISDIR || errno == EPERM))
          RemoveTree(fd.Get(), child);
      }
      ::closedir(dir);
    } else if (listFd >= 0) {
      ::close(listFd);
    }
  }
  ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
}

// The private extraction folder, gone when the extraction ends.
class PrivateFolder {
 public:
  PrivateFolder(const std::string& destination, int destinationFd) : m_destinationFd(destinationFd) {
    std::string pattern = IncludePathDelimiter(destination) + ".cabinet-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw ECabinetError(kFdiTargetFile, errno);
    m_path = pattern;
    m_name = m_path.substr(m_path.rfind('/') + 1);
    m_fd = UniqueFd(::openat(destinationFd, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!m_fd.Valid()) {
      const int error = errno;
      RemoveTree(m_destinationFd, m_name);
      throw ECabinetError(kFdiTargetFile, error);
    }
  }
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder() {
    m_fd = UniqueFd();
    RemoveTree(m_destinationFd, m_name);
  }

  const std::string& Path() const noexcept { return m_path; }
  const std::string& Name() const noexcept { return m_name; }
  int Fd() const noexcept { return m_fd.Get(); }

 private:
  int m_destinationFd;
  std::string m_path;
  std::string m_name;
  UniqueFd m_fd;
};

// Opens (making when missing) every folder of `parts` but the last below
// `rootFd`, never through a symbolic link. 0 or the Win32 code.
int OpenTargetFolder(int rootFd, const std::vector<std::string>& parts, UniqueFd& folder) {
  UniqueFd current(::dup(rootFd));
  if (!current.Valid()) return CabinetTargetErrorCode(errno);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const char* part = parts[i].c_str();
    int fd = ::openat(current.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
      if (::mkdirat(current.Get(), part, 0777) != 0 && errno != EEXIST) return CabinetTargetErrorCode(errno);
      fd = ::openat(current.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
      const int error = errno;
      struct stat info {};
      if (::fstatat(current.Get(), part, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
        return kCabinetErrorCantResolveFilename;
      return CabinetTargetErrorCode(error);
    }
    current = UniqueFd(fd);
  }
  folder = std::move(current);
  return 0;
}

std::string JoinPath(const std::string& destination, const std::vector<std::string>& parts) {
  std::string path = destination;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const std::string& part : parts) path.append("/").append(part);
  return path;
}

// The extraction under way: what libgcab's file callback and the steps
// after it share.
struct ExtractionRun {
  const CabinetExtraction& extraction;
  const std::string& destination;
  const std::unordered_map<GCabFile*, int>& indexes;
  const PrivateFolder& privateFolder;
  int destinationFd = -1;
  bool aborted = false;
  int placed = 0;
  // What a step raised; it travels past libgcab and is raised again after it.
  std::exception_ptr failure;

  struct Pending {
    int index = -1;
    UniqueFd folder;
    std::vector<std::string> parts;
    CabinetTarget target;
  };
  std::optional<Pending> pending;

  // Asks for the answer to a failure; ≥ 1 ends the run.
  void Fail(int index, int code) {
    const int answer = extraction.failed ? extraction.failed(index, code) : 0;
    if (answer >= 1) aborted = true;
  }

  // Moves the finished pending file into place.
  void Finish() {
    if (!pending) return;
    Pending file = std::move(*pending);
    pending.reset();
    const std::string temp = std::to_string(file.index);
    struct stat info {};
    if (::fstatat(privateFolder.Fd(), temp.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
      Fail(file.index, CabinetTargetErrorCode(errno ? errno : EIO));
      return;
    }
    // Nothing extracted is ever made executable.
    mode_t mode = info.st_mode & 0666;
    if (file.target.readOnly) mode &= ~static_cast<mode_t>(0222);
    bool set = ::fchmodat(privateFolder.Fd(), temp.c_str(), mode, 0) == 0;
    if (set && file.target.modified) {
      const struct timespec times[2] = {{0, UTIME_OMIT}, {*file.target.modified, 0}};
      set = ::utimensat(privateFolder.Fd(), temp.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
    }
    if (!set) {
      // Attributes and dates that cannot be set end the run (EApiError).
      failure = std::make_exception_ptr(EApiError(errno));
      aborted = true;
      return;
    }
    if (::renameat(privateFolder.Fd(), temp.c_str(), file.folder.Get(), file.parts.back().c_str()) != 0) {
      Fail(file.index, CabinetTargetErrorCode(errno));
      return;
    }
    ++placed;
    if (extraction.placed) extraction.placed(file.index, JoinPath(destination, file.parts));
  }

  // libgcab's question for each file before its data: extract it (under a
  // plain number in the private folder) or not.
  bool Choose(GCabFile* file) {
    if (aborted) return false;
    Finish();
    if (aborted) return false;
    const auto found = indexes.find(file);
    if (found == indexes.end()) return false;
    const int index = found->second;
    std::optional<CabinetTarget> target = extraction.target ? extraction.target(index) : std::nullopt;
    if (!target) return false;
    auto parts = CabinetNameParts(target->alias);
    if (!parts || (*parts)[0] == privateFolder.Name()) {
      Fail(index, kCabinetErrorInvalidName);
      return false;
    }
    UniqueFd folder;
    if (const int code = OpenTargetFolder(destinationFd, *parts, folder)) {
      Fail(index, code);
      return false;
    }
    gcab_file_set_extract_name(file, std::to_string(index).c_str());
    pending = Pending{index, std::move(folder), std::move(*parts), std::move(*target)};
    return true;
  }

  // Nothing may unwind through libgcab's C frames.
  static gboolean Callback(GCabFile* file, gpointer data) {
    auto& run = *static_cast<ExtractionRun*>(data);
    try {
      return run.Choose(file) ? TRUE : FALSE;
    } catch (...) {
      run.failure = std::current_exception();
      run.aborted = true;
      return FALSE;
    }
  }
};

}  // namespace

// ---- CabinetReader ----

struct CabinetReader::Library {
  GObjectPtr<GCabCabinet> cabinet;
  GObjectPtr<GFileInputStream> stream;
  std::unordered_map<GCabFile*, int> indexes;
};

CabinetReader::CabinetReader(std::unique_ptr<Library> library) : m_library(std::move(library)) {}

CabinetReader::~CabinetReader() = default;

std::unique_ptr<CabinetReader> CabinetReader::Open(const std::string& path, const std::string& codePage) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw ECabinetError(kFdiCabinetNotFound, errno);
  if (S_ISDIR(info.st_mode)) throw ECabinetError(kFdiCabinetNotFound, EISDIR);

  auto library = std::make_unique<Library>();
  auto file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(path.c_str()));
  GErrorPtr error;
  library->stream = GObjectPtr<GFileInputStream>::Adopt(g_file_read(file.Get(), nullptr, Out(error)));
  if (!library->stream) throw ECabinetError(kFdiCabinetNotFound, ErrnoOfIoError(error.get()));

  // The set id is not exposed by libgcab: read from the header.
  unsigned char header[kCabinetSetIdOffset + 2] = {};
  gsize got = 0;
  if (!g_input_stream_read_all(G_INPUT_STREAM(library->stream.Get()), header, sizeof header, &got, nullptr,
                               Out(error)))
    throw ECabinetError(kFdiCabinetNotFound, ErrnoOfIoError(error.get()));
  if (got < sizeof header || std::memcmp(header, "MSCF", 4) != 0) return nullptr;
  if (!g_seekable_seek(G_SEEKABLE(library->stream.Get()), 0, G_SEEK_SET, nullptr, Out(error)))
    throw ECabinetError(kFdiCabinetNotFound, ErrnoOfIoError(error.get()));

  library->cabinet = GObjectPtr<GCabCabinet>::Adopt(gcab_cabinet_new());
  if (!gcab_cabinet_load(library->cabinet.Get(), G_INPUT_STREAM(library->stream.Get()), nullptr, Out(error))) {
    if (!error || g_error_matches(error.get(), GCAB_ERROR, GCAB_ERROR_FORMAT)) return nullptr;
    ThrowReadError(error.get());
  }

  std::unique_ptr<CabinetReader> reader(new CabinetReader(std::move(library)));
  reader->m_setId = header[kCabinetSetIdOffset] | (header[kCabinetSetIdOffset + 1] << 8);
  GPtrArray* folders = gcab_cabinet_get_folders(reader->m_library->cabinet.Get());
  for (guint f = 0; folders && f < folders->len; ++f) {
    auto* folder = static_cast<GCabFolder*>(g_ptr_array_index(folders, f));
    GSListPtr files(gcab_folder_get_files(folder));
    for (GSList* node = files.get(); node; node = node->next) {
      auto* item = static_cast<GCabFile*>(node->data);
      CabinetEntry entry;
      entry.attributes = gcab_file_get_attributes(item);
      const char* name = gcab_file_get_name(item);
      entry.name = CabinetNameText(name ? name : "", (entry.attributes & kCabinetAttributeUtf8Name) != 0, codePage);
      entry.size = gcab_file_get_size(item);
      // libgcab labels the DOS fields UTC; they are the local wall time.
      if (GDateTimePtr date{gcab_file_get_date_time(item)}) entry.date = PartsOf(date.get());
      reader->m_library->indexes.emplace(item, static_cast<int>(reader->m_entries.size()));
      reader->m_entries.push_back(std::move(entry));
    }
  }
  return reader;
}

int CabinetReader::Extract(const std::string& destination, const CabinetExtraction& extraction) {
  if (destination.empty()) throw ECabinetError(kFdiTargetFile, ENOENT);
  UniqueFd destinationFd(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!destinationFd.Valid() && errno == ENOENT) {
    if (g_mkdir_with_parents(destination.c_str(), 0777) != 0) throw ECabinetError(kFdiTargetFile, errno);
    destinationFd = UniqueFd(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  if (!destinationFd.Valid()) throw ECabinetError(kFdiTargetFile, errno);

  const PrivateFolder privateFolder(destination, destinationFd.Get());
  ExtractionRun run{extraction, destination, m_library->indexes, privateFolder, destinationFd.Get(), false, 0, nullptr, std::nullopt};
  auto folder = GObjectPtr<GFile>::Adopt(g_file_new_for_path(privateFolder.Path().c_str()));
  GErrorPtr error;
  if (!gcab_cabinet_extract_simple(m_library->cabinet.Get(), folder.Get(), &ExtractionRun::Callback, &run, nullptr,
                                   Out(error)))
    ThrowReadError(error.get());
  if (!run.failure) run.Finish();
  if (run.failure) std::rethrow_exception(run.failure);
  if (run.aborted) throw ECabinetError(kFdiUserAbort, 0);
  return run.placed;
}

// ---- CabinetWriter ----

void CabinetWriter::Add(CabinetSource source) {
  UniqueFd fd(::open(source.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) throw ECabinetError(kFciOpenSource, errno);
  // libgcab would skip a folder without a word.
  if (S_ISDIR(info.st_mode)) throw ECabinetError(kFciOpenSource, EISDIR);
  if (!S_ISREG(info.st_mode)) throw ECabinetError(kFciOpenSource, EINVAL);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size > kCabinetMaxFolderBytes - m_totalBytes) throw ECabinetError(kFciCabinetFile, EFBIG);
  m_totalBytes += size;
  m_sources.push_back(std::move(source));
}

namespace {

// A temporary file that is removed unless it was renamed into place.
class TempCabinetFile {
 public:
  explicit TempCabinetFile(const std::string& destination) {
    const std::string base = destination.substr(destination.rfind('/') + 1);
    // 0666 and the umask: the cabinet gets the mode of any new file.
    m_path = CabinetTempFileName(ParentFolder(destination), "." + base + ".", 0666);
    if (m_path.empty()) throw ECabinetError(kFciTempFile, errno);
  }
  TempCabinetFile(const TempCabinetFile&) = delete;
  TempCabinetFile& operator=(const TempCabinetFile&) = delete;
  ~TempCabinetFile() {
    if (!m_path.empty()) ::unlink(m_path.c_str());
  }

  const std::string& Path() const noexcept { return m_path; }
  void Commit(const std::string& destination) {
    if (::rename(m_path.c_str(), destination.c_str()) != 0) throw ECabinetError(kFciCabinetFile, errno);
    m_path.clear();
  }

 private:
  std::string m_path;
};

void WriteSetId(const std::string& path, int setId) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
  const unsigned char bytes[2] = {static_cast<unsigned char>(setId & 0xFF),
                                  static_cast<unsigned char>((setId >> 8) & 0xFF)};
  if (!fd.Valid() || ::pwrite(fd.Get(), bytes, 2, kCabinetSetIdOffset) != 2 || ::fsync(fd.Get()) != 0 ||
      !fd.Close())
    throw ECabinetError(kFciCabinetFile, errno);
}

}  // namespace

int CabinetWriter::Write(const std::string& destination, int setId) const {
  auto cabinet = GObjectPtr<GCabCabinet>::Adopt(gcab_cabinet_new());
  auto folder = GObjectPtr<GCabFolder>::Adopt(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
  GErrorPtr error;
  for (const CabinetSource& source : m_sources) {
    auto file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(source.path.c_str()));
    auto item = GObjectPtr<GCabFile>::Adopt(gcab_file_new_with_file(source.storedName.c_str(), file.Get()));
    if (!gcab_folder_add_file(folder.Get(), item.Get(), FALSE, nullptr, Out(error)))
      throw ECabinetError(kFciOpenSource, ErrnoOfIoError(error.get()));
    // Adding resets the attributes: they are set afterwards.
    gcab_file_set_attributes(item.Get(), source.attributes);
    if (source.date) {
      const DateTimeParts& d = *source.date;
      if (GDateTimePtr date{g_date_time_new_local(d.year, d.month, d.day, d.hour, d.minute, d.second)})
        gcab_file_set_date_time(item.Get(), date.get());
    }
  }
  if (!gcab_cabinet_add_folder(cabinet.Get(), folder.Get(), Out(error))) ThrowWriteError(error.get());

  TempCabinetFile temp(destination);
  {
    auto file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(temp.Path().c_str()));
    auto stream = GObjectPtr<GFileIOStream>::Adopt(g_file_open_readwrite(file.Get(), nullptr, Out(error)));
    if (!stream) throw ECabinetError(kFciTempFile, ErrnoOfIoError(error.get()));
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(stream.Get()));
    if (!gcab_cabinet_write_simple(cabinet.Get(), out, nullptr, nullptr, nullptr, Out(error)))
      ThrowWriteError(error.get());
    if (!g_io_stream_close(G_IO_STREAM(stream.Get()), nullptr, Out(error))) ThrowWriteError(error.get());
  }
  WriteSetId(temp.Path(), setId);
  temp.Commit(destination);
  return static_cast<int>(m_sources.size());
}

}  // namespace halbrin
