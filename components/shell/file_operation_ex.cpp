#include "components/shell/file_operation_ex.h"

#include <gio/gio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/foundation/file_masks.h"
#include "core/foundation/paths.h"
#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

const TEnumInfo& FileOperationModeEnumInfo() {
  static const TEnumInfo info("TFileOperationMode", {"fomAuto", "fomSystem", "fomFunction", "fomInterface"});
  return info;
}

const TEnumInfo& FileOperationEnumInfo() {
  static const TEnumInfo info("TFileOperation", {"foNone", "foMove", "foCopy", "foDelete", "foRename"});
  return info;
}

HALBRIN_DEFINE_CLASS(TFileOperationFile,
                     .Property("alias", &TFileOperationFile::Alias, &TFileOperationFile::SetAlias)
                     .Enum("operation", &TFileOperationFile::Operation, &TFileOperationFile::SetOperation,
                           FileOperationEnumInfo())
                     .Property("result_", &TFileOperationFile::Result)
                     .Stored(false)
                     .Property("size", &TFileOperationFile::Size)
                     .Stored(false)
                     .Property("attributes", &TFileOperationFile::Attributes)
                     .Stored(false)
                     .Property("dateTime", [](const TFileOperationFile& self) { return &self.Date(); },
                               [](TFileOperationFile& self, TDateTimeEx* value) {
                                 if (value) self.Date().Assign(*value);
                               })
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TFileOperationFiles, )

HALBRIN_DEFINE_CLASS(TFileOperationEx,
                     .Property("flags", &TFileOperationEx::Flags, &TFileOperationEx::SetFlags)
                     .Property("files", [](const TFileOperationEx& self) { return &self.Files(); },
                               &TFileOperationEx::SetFiles)
                     .Owned()
                     .Property("title", &TFileOperationEx::Title, &TFileOperationEx::SetTitle)
                     .Enum("mode", &TFileOperationEx::Mode, &TFileOperationEx::SetMode, FileOperationModeEnumInfo())
                     .Enum("currentMode", &TFileOperationEx::CurrentMode, nullptr, FileOperationModeEnumInfo())
                     .Stored(false)
                     .Property("aborted", &TFileOperationEx::Aborted)
                     .Stored(false))

namespace {

int Win32Code(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT:
    case ENOTDIR: return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kErrorAccessDenied;
    case EEXIST:
    case ENOTEMPTY: return kErrorAlreadyExists;
    case ENOSPC: return 112;
    case EBUSY: return 32;
    case EINVAL: return 87;
    case ENAMETOOLONG: return 206;
    default: return 31;  // a device attached to the system is not functioning
  }
}

int Win32Code(const std::error_code& ec) { return ec ? Win32Code(ec.value()) : 0; }

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

bool IsDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(fs::status(path, ec));
}

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// A name made from a program's own derivation: no separator, not "." or "..".
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The sources a name stands for; 0 or a code.
int ExpandSource(const std::string& source, TFileOperationMode mode, std::uint32_t flags,
                 std::vector<fs::path>& sources) {
  const fs::path path(source);
  const std::string part = path.filename().string();
  if (!HasWildcard(part)) {
    if (!Exists(path)) return kErrorFileNotFound;
    sources.push_back(path);
    return 0;
  }
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  if (part == "*.*" && (mode == TFileOperationMode::fomInterface || mode == TFileOperationMode::fomAuto)) {
    if (!IsDirectory(folder)) return kErrorFileNotFound;
    sources.push_back(folder);
    return 0;
  }
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if ((flags & FOF_FILESONLY) && IsDirectory(it->path())) continue;
    if (MaskMatches(part, name)) sources.push_back(it->path());
  }
  if (ec) return Win32Code(ec);
  if (sources.empty()) return kErrorFileNotFound;
  std::sort(sources.begin(), sources.end());
  return 0;
}

// "name (2).ext", "name (3).ext"... the first that does not exist.
fs::path CollisionName(const fs::path& target) {
  const std::string stem = target.stem().string();
  const std::string extension = target.extension().string();
  for (int n = 2;; ++n) {
    fs::path candidate = target.parent_path() / (stem + " (" + std::to_string(n) + ")" + extension);
    if (!Exists(candidate)) return candidate;
  }
}

// Settles a target that exists: renamed, overwritten or refused (a code).
int ResolveCollision(fs::path& target, std::uint32_t flags, bool& overwrite) {
  overwrite = false;
  if (!Exists(target)) return 0;
  if (flags & FOF_RENAMEONCOLLISION) {
    target = CollisionName(target);
    return 0;
  }
  if (flags & FOF_NOCONFIRMATION) {
    overwrite = true;
    return 0;
  }
  return kErrorAlreadyExists;
}

int CopyTree(const fs::path& source, const fs::path& target, std::uint32_t flags, bool overwrite) {
  fs::copy_options options = fs::copy_options::copy_symlinks;
  if (!(flags & FOF_NORECURSION)) options |= fs::copy_options::recursive;
  if (overwrite) options |= fs::copy_options::overwrite_existing;
  std::error_code ec;
  if (IsDirectory(source) && !IsDirectory(target)) fs::create_directories(target, ec);
  if (!ec) fs::copy(source, target, options, ec);
  return Win32Code(ec);
}

int MoveTree(const fs::path& source, const fs::path& target, std::uint32_t flags, bool overwrite) {
  std::error_code ec;
  fs::rename(source, target, ec);
  if (ec.value() != EXDEV) return Win32Code(ec);
  // Another file system: copy, and remove the source only when all of it arrived.
  if (const int code = CopyTree(source, target, flags & ~FOF_NORECURSION, overwrite)) return code;
  fs::remove_all(source, ec);
  return Win32Code(ec);
}

int TrashPath(const fs::path& path) {
  auto file = GObjectPtr<GFile>::Adopt(g_file_new_for_path(path.c_str()));
  GErrorPtr error;
  if (g_file_trash(file.Get(), nullptr, Out(error))) return 0;
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) return kErrorFileNotFound;
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) return kErrorAccessDenied;
  return 50;  // not supported: no trash for this file, and nothing is deleted instead
}

// Where one source goes for a copy or move.
fs::path TargetOf(const fs::path& source, const std::string& destination, bool manySources) {
  const fs::path dest(destination);
  if (manySources || IsDirectory(dest) || (!destination.empty() && destination.back() == '/'))
    return dest / source.filename();
  return dest;
}

}  // namespace

std::string Win32ErrorText(int code) {
  switch (code) {
    case 0: return "The operation completed successfully.";
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorAccessDenied: return "Access is denied.";
    case 32: return "The process cannot access the file because it is being used by another process.";
    case 50: return "The request is not supported.";
    case 87: return "The parameter is incorrect.";
    case 112: return "There is not enough space on the disk.";
    case kErrorInvalidName: return "The filename, directory name, or volume label syntax is incorrect.";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists.";
    case 206: return "The filename or extension is too long.";
    default: return "A device attached to the system is not functioning.";
  }
}

namespace {

// One source of an operation and where it goes (empty for a delete).
struct PlannedStep {
  fs::path from;
  fs::path target;
};

// Works out the sources and targets of one operation without touching the
// disk; 0 or the code of what makes it impossible.
int PlanFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                      std::uint32_t flags, TFileOperationMode mode, std::vector<PlannedStep>& steps,
                      bool& intoFolder) {
  std::vector<fs::path> sources;
  if (const int code = ExpandSource(source, mode, flags, sources)) return code;
  intoFolder = sources.size() > 1 && (operation == TFileOperation::foCopy || operation == TFileOperation::foMove);
  for (fs::path& from : sources) {
    fs::path target;
    switch (operation) {
      case TFileOperation::foCopy:
      case TFileOperation::foMove:
        target = TargetOf(from, destination, intoFolder);
        if (!IsPlainName(target.filename().string())) return kErrorInvalidName;
        break;
      case TFileOperation::foRename:
        if (mode == TFileOperationMode::fomSystem && destination.find('/') != std::string::npos) {
          target = destination;  // a full destination a script gives is taken as it is
        } else {
          const std::string name = fs::path(destination).filename().string();
          if (!IsPlainName(name)) return kErrorInvalidName;
          target = from.parent_path() / name;
        }
        break;
      case TFileOperation::foDelete:
      case TFileOperation::foNone: break;
    }
    steps.push_back({std::move(from), std::move(target)});
  }
  return 0;
}

// 0 when `folder` exists or create_directories could make it: its nearest
// existing ancestor is a folder this process may write to.
int FolderCanBeMade(const fs::path& folder) {
  if (folder.empty() || IsDirectory(folder)) return 0;
  fs::path existing = folder;
  while (!existing.empty() && !Exists(existing)) existing = existing.parent_path();
  if (existing.empty()) existing = ".";
  if (!IsDirectory(existing)) return Win32Code(ENOTDIR);
  return ::access(existing.c_str(), W_OK | X_OK) == 0 ? 0 : Win32Code(errno);
}

}  // namespace

int CheckFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                       std::uint32_t flags, TFileOperationMode mode) {
  std::vector<PlannedStep> steps;
  bool intoFolder = false;
  if (const int code = PlanFileOperation(source, destination, operation, flags, mode, steps, intoFolder))
    return code;
  if (intoFolder)
    if (const int code = FolderCanBeMade(destination)) return code;
  for (const PlannedStep& step : steps) {
    fs::path target = step.target;
    bool overwrite = false;
    switch (operation) {
      case TFileOperation::foCopy:
      case TFileOperation::foMove:
        if (const int code = ResolveCollision(target, flags, overwrite)) return code;
        if (const int code = FolderCanBeMade(target.parent_path())) return code;
        break;
      case TFileOperation::foRename:
        if (const int code = ResolveCollision(target, flags & ~FOF_NOCONFIRMATION, overwrite)) return code;
        break;
      case TFileOperation::foDelete:
      case TFileOperation::foNone: break;
    }
  }
  return 0;
}

int PerformFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                         std::uint32_t flags, TFileOperationMode mode) {
  std::vector<PlannedStep> steps;
  bool intoFolder = false;
  if (const int code = PlanFileOperation(source, destination, operation, flags, mode, steps, intoFolder))
    return code;
  if (intoFolder) {
    std::error_code ec;
    fs::create_directories(destination, ec);
    if (ec) return Win32Code(ec);
  }
  for (PlannedStep& step : steps) {
    int code = 0;
    bool overwrite = false;
    switch (operation) {
      case TFileOperation::foCopy:
      case TFileOperation::foMove: {
        code = ResolveCollision(step.target, flags, overwrite);
        if (code == 0 && !step.target.parent_path().empty()) {
          // Missing destination folders are made (no confirmation to ask).
          std::error_code ec;
          fs::create_directories(step.target.parent_path(), ec);
          code = Win32Code(ec);
        }
        if (code == 0)
          code = operation == TFileOperation::foCopy ? CopyTree(step.from, step.target, flags, overwrite)
                                                     : MoveTree(step.from, step.target, flags, overwrite);
        break;
      }
      case TFileOperation::foRename:
        code = ResolveCollision(step.target, flags & ~FOF_NOCONFIRMATION, overwrite);
        if (code == 0) code = MoveTree(step.from, step.target, flags, false);
        break;
      case TFileOperation::foDelete:
        if (flags & FOF_ALLOWUNDO) {
          code = TrashPath(step.from);
        } else {
          std::error_code ec;
          fs::remove_all(step.from, ec);
          code = Win32Code(ec);
        }
        break;
      case TFileOperation::foNone: break;
    }
    if (code) return code;
  }
  return 0;
}

// ---- TFileOperationFile ----

TFileOperationFile::TFileOperationFile() { SetIgnoreOpenErrors(true); }

void TFileOperationFile::SetAlias(const std::string& alias) {
  m_alias = WithSlashes(alias);
}

bool TFileOperationFile::TakesPart() const noexcept {
  return Selected() && m_operation != TFileOperation::foNone && !Name().empty();
}

// ---- TFileOperationFiles ----

TFileOperationFiles::TFileOperationFiles(TPersistent* owner)
    : TCustomFiles(owner, TFileOperationFile::StaticClassInfo(), FactoryOf<TFileOperationFile>()) {
  SetAddOnLookup(true);
}

// ---- TFileOperationEx ----

TFileOperationEx::TFileOperationEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_files(std::make_unique<TFileOperationFiles>(this)) {}

TFileOperationEx::~TFileOperationEx() = default;

void TFileOperationEx::SetFiles(TFileOperationFiles* files) {
  if (files && files != m_files.get()) m_files->Assign(*files);
}

TFileOperationMode TFileOperationEx::CurrentMode() const noexcept {
  return m_mode == TFileOperationMode::fomAuto ? TFileOperationMode::fomInterface : m_mode;
}

namespace {

HResult FileOperationHResult(int code) {
  return static_cast<HResult>(code ? 0x80070000u | static_cast<std::uint32_t>(code) : 0);
}

}  // namespace

int TFileOperationEx::Execute() {
  const TFileOperationMode mode = CurrentMode();
  if (mode == TFileOperationMode::fomInterface) return ExecuteBatch(m_flags & ~FOF_MULTIDESTFILES);
  int taking = 0;
  for (int i = 0; i < m_files->Count(); ++i) {
    TFileOperationFile& file = *m_files->FileAt(i);
    file.SetResult(1);
    if (!file.TakesPart()) continue;
    ++taking;
    file.SetResult(0);
    const int code = PerformFileOperation(file.Name(), file.Alias(), file.Operation(), m_flags, m_mode);
    file.SetResult(code);
    if (code && mode == TFileOperationMode::fomSystem)
      throw EOSError(static_cast<std::uint32_t>(code), Win32ErrorText(code));
  }
  if (mode == TFileOperationMode::fomSystem) return 0;
  return taking == 0 ? 1 : 0;
}

int TFileOperationEx::ExecuteBatch(std::uint32_t flags) {
  // Every file is checked before the first one is touched, so a batch that
  // cannot run leaves the disk as it was.
  std::vector<TFileOperationFile*> queued;
  for (int i = 0; i < m_files->Count(); ++i) {
    TFileOperationFile& file = *m_files->FileAt(i);
    file.SetResult(1);
    if (!file.TakesPart()) continue;
    const int code = CheckFileOperation(file.Name(), file.Alias(), file.Operation(), flags, m_mode);
    file.SetResult(static_cast<int>(FileOperationHResult(code)));
    if (code) throw EOleError(FileOperationHResult(code), Win32ErrorText(code));
    queued.push_back(&file);
  }
  if (queued.empty()) return 1;
  for (TFileOperationFile* file : queued) {
    const int code = PerformFileOperation(file->Name(), file->Alias(), file->Operation(), flags, m_mode);
    file->SetResult(static_cast<int>(FileOperationHResult(code)));
    if (code) throw EOleError(FileOperationHResult(code), Win32ErrorText(code));
  }
  return 0;
}

void TFileOperationEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "execute")) ExecResult() = Execute();
  else if (SameText(word, "selectall")) ExecResult() = m_files->SelectAll(true);
  else if (SameText(word, "deselectall")) ExecResult() = m_files->SelectAll(false);
  else if (SameText(word, "release")) {
  } else {
    Inherited::SetExec(value);
  }
}

int ExecuteFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                         std::uint32_t flags) {
  TFileOperationEx fileOperation;
  auto& file = static_cast<TFileOperationFile&>(fileOperation.Files().Add());
  file.SetName(source);
  file.SetAlias(destination);
  file.SetOperation(operation);
  fileOperation.SetFlags(flags);
  const int r = fileOperation.Execute();
  return r == 0 ? file.Result() : r;
}

int ExecuteFileOperationNumber(const std::string& source, const std::string& destination, int operation,
                               std::uint32_t flags) {
  if (operation < 1 || operation > 4) return 87;  // ERROR_INVALID_PARAMETER
  return ExecuteFileOperation(source, destination, static_cast<TFileOperation>(operation), flags);
}

}  // namespace halbrin
