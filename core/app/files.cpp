#include "core/app/files.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>
#include <vector>

#include "core/foundation/digests.h"
#include "core/foundation/escapes.h"
#include "core/foundation/file_version.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/paths.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/text_files.h"
#include "core/foundation/text_helpers.h"
#include "core/foundation/volume_info.h"
#include "platform/automation/dispatch.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

namespace {

// Normalize 20 and 21 convert between UTF-8 and the code page of the
// systems projects were written on.
constexpr std::string_view kSystemCodePage = "windows-1251";

std::mutex& StateMutex() {
  static std::mutex mutex;
  return mutex;
}

FileOperationHandler& Handler() {
  static FileOperationHandler handler;
  return handler;
}

// The handles CaptureFile opened and ReleaseHandle has not closed yet.
std::set<int>& CapturedHandles() {
  static std::set<int> handles;
  return handles;
}

std::string LocalPath(std::string_view path) { return ReplaceAll(path, "\\", "/"); }

int Win32CodeOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return 2;
    case EACCES:
    case EPERM:
    case EROFS: return 5;
    default: return error;
  }
}

int RunFileOperation(const std::string& source, const std::string& destination, int operation, std::uint32_t flags) {
  FileOperationHandler handler;
  {
    std::lock_guard lock(StateMutex());
    handler = Handler();
  }
  if (!handler) throw EOleError(E_FAIL, "File operations are not available");
  try {
    return handler(LocalPath(source), LocalPath(destination), operation, flags);
  } catch (const EOleError& e) {
    // The engine's interface mode raises HRESULT_FROM_WIN32(code); scripts get the code.
    return static_cast<int>(static_cast<std::uint32_t>(e.Code()) & 0xFFFF);
  }
}

std::string ConvertOrKeep(const std::string& text, bool toCodePage) {
  try {
    return toCodePage ? DecodeText(EncodeText(text, kSystemCodePage), "UTF-8") : DecodeText(text, kSystemCodePage);
  } catch (const EEncodingError&) {
    return text;
  }
}

std::string ChangeCase(const std::string& text, bool upper) {
  if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  gchar* changed = upper ? g_utf8_strup(text.data(), static_cast<gssize>(text.size()))
                         : g_utf8_strdown(text.data(), static_cast<gssize>(text.size()));
  std::string result(changed);
  g_free(changed);
  return result;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return {};
  std::error_code ec;
  const fs::path absolute = fs::absolute(LocalPath(path), ec);
  return ec ? std::string() : absolute.lexically_normal().string();
}

std::vector<std::string> PathParts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  const std::string text = LocalPath(path);
  if (!text.empty() && text.front() == '/') parts.emplace_back("/");
  while (start <= text.size()) {
    std::size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsFile(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(LocalPath(path), ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(LocalPath(path), ec);
}

bool MakeFolder(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) fs::create_directories(LocalPath(path), ec);
  return IsFolder(path);
}

std::string VersionText(const std::string& path) {
  return path.empty() ? GetModuleVersionText() : GetFileVersionText(LocalPath(path));
}

}  // namespace

void SetFileOperationHandler(FileOperationHandler handler) {
  std::lock_guard lock(StateMutex());
  Handler() = std::move(handler);
}

TFiles::TFiles() : TAutoObject(IFilesTypeInfo()) {}

void TFiles::Save(const std::string& text, const std::string& path) { SaveTextToFile(text, LocalPath(path), true); }

std::string TFiles::GetPath(const std::string& path) {
  const std::string text = LocalPath(path);
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

std::string TFiles::GetName(const std::string& path) {
  const std::string text = LocalPath(path);
  return text.substr(GetPath(text).size());
}

std::string TFiles::GetExtension(const std::string& path) {
  const std::string name = GetName(path);
  return name.substr(ExtractFileBaseName(name).size());
}

std::string TFiles::GetRelativePath(const std::string& source, const std::string& destination) {
  const std::vector<std::string> base = PathParts(GetPath(source));
  const std::vector<std::string> target = PathParts(destination);
  if (base.empty() || target.empty() || base.front() != target.front()) return destination;
  std::size_t common = 0;
  while (common < base.size() && common + 1 < target.size() && base[common] == target[common]) ++common;
  std::string result;
  for (std::size_t i = common; i < base.size(); ++i) result += "../";
  for (std::size_t i = common; i < target.size(); ++i) result += (i > common ? "/" : "") + target[i];
  if (!destination.empty() && (destination.back() == '/' || destination.back() == '\\')) result += '/';
  return result;
}

std::string TFiles::GetUnique(const std::string& source, const std::string& format) {
  const std::string pattern = format.empty() ? "%s%s" : format;
  // Pieces between the first two "%s"; "%%" is read as "%".
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size()) {
      if (pattern[i + 1] == '%') {
        pieces.back() += '%';
        ++i;
        continue;
      }
      if (pattern[i + 1] == 's' && pieces.size() < 3) {
        pieces.emplace_back();
        ++i;
        continue;
      }
    }
    pieces.back() += pattern[i];
  }
  if (pieces.size() < 3) throw EConvertError("Format '" + format + "' invalid or incompatible with argument");

  const std::string folder = GetPath(source);
  const std::string base = ExtractFileBaseName(source);
  const std::string extension = GetExtension(source);
  std::string result = source;
  for (long long n = 1; IsFile(result) || IsFolder(result); ++n)
    result = folder + pieces[0] + base + pieces[1] + std::to_string(n) + pieces[2] + extension;
  return result;
}

int TFiles::GetAttributes(const std::string& path) {
  struct stat info {};
  const std::string local = LocalPath(path);
  if (local.empty() || ::stat(local.c_str(), &info) != 0) return -1;
  const std::string name = GetName(local.size() > 1 && local.back() == '/' ? local.substr(0, local.size() - 1) : local);
  return FileAttributeBits(name, !(info.st_mode & S_IWUSR), S_ISDIR(info.st_mode), S_ISREG(info.st_mode));
}

int TFiles::SetAttributes(const std::string& path, int attributes) {
  struct stat info {};
  const std::string local = LocalPath(path);
  if (::stat(local.c_str(), &info) != 0) return Win32CodeOfErrno(errno);
  mode_t mode = info.st_mode & 07777;
  if (attributes & kFileAttributeReadOnly) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else mode |= S_IWUSR;
  if (mode != (info.st_mode & 07777) && ::chmod(local.c_str(), mode) != 0) return Win32CodeOfErrno(errno);
  return 0;
}

bool TFiles::SetSystemFolder(const std::string& folder, const std::string& content) {
  // Linux has no system-folder flag: the folder existing is the success.
  if (!MakeFolder(folder)) return false;
  if (!content.empty()) {
    const std::string file = IncludePathDelimiter(LocalPath(folder)) + "desktop.ini";
    if (IsFile(file)) SetAttributes(file, kFileAttributeNormal);
    SaveTextToFile(content, file);
    SetAttributes(file, kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive);
  }
  return true;
}

std::string TFiles::Normalize(const std::string& source, int flags) {
  switch (flags & 0xFF) {
    case 0: return ReplaceInvalidFileNameChars(source, "_");
    case 1: return PathToUrl(source);
    case 2: return UrlToPath(source);
    case 3:
    case 4: return GetLongPathNameText(source);
    case 5: return AbsolutePath(source);
    case 6: return ReplaceAll(source, "\\", "/");
    case 7: return ReplaceAll(source, "/", "\\");
    case 8: return IncludePathDelimiter(source);
    case 9: {
      std::string text = source;
      if (!text.empty() && (text.back() == '/' || text.back() == '\\')) text.pop_back();
      return text;
    }
    case 10: return ChangeCase(source, true);
    case 11: return ChangeCase(source, false);
    case 12: return NormalizePath(source);
    case 13: return FileToHexLines(LocalPath(source));
    case 14: return ParentFolder(source);
    case 15: return XmlUnescape(source);
    case 16: return XmlEscape(source);
    case 17: return BytesToGuidText(DigestString(source, CALG_MD5));
    case 18: return BytesToHex(DigestString(source, CALG_MD5));
    case 19: return ToAlphaNumeric(DigestString(source, CALG_MD5), true);
    case 20: return ConvertOrKeep(source, true);
    case 21: return ConvertOrKeep(source, false);
    case 22: return VersionText(source);
    case 23: return GetUnique(source, {});
    case 24: return GetName(source);
    case 25: return GetPath(source);
    case 26: return GetExtension(source);
    case 27: {
      const char* value = g_getenv(source.c_str());
      return value ? value : "";
    }
    case 28: return IntTextToHex(source);
    case 29: return HexTextToIntText(source);
    case 30: return BytesToHex(DigestFile(LocalPath(source), CALG_MD5));
    case 31: return BytesToGuidText(DigestFile(LocalPath(source), CALG_MD5));
    default: return source;
  }
}

int TFiles::CaptureFile(const std::string& path, int mode) {
  int openFlags = O_CLOEXEC;
  if ((mode & 0xFF00) == 0xFF00) {
    openFlags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (mode & 0x3) {
      case 0: openFlags |= O_RDONLY; break;
      case 1: openFlags |= O_WRONLY; break;
      case 2: openFlags |= O_RDWR; break;
      default: return -1;
    }
  }
  const std::string local = LocalPath(path);
  if (local.empty()) return -1;
  const int handle = ::open(local.c_str(), openFlags, 0666);
  if (handle < 0) return -1;
  // Windows share-deny modes become advisory locks: only cooperating openers see them.
  const int share = mode & 0xF0;
  const int lock = share == 0x10 || share == 0x30 ? LOCK_EX : share == 0x20 ? LOCK_SH : 0;
  if (lock && ::flock(handle, lock | LOCK_NB) != 0) {
    ::close(handle);
    return -1;
  }
  std::lock_guard guard(StateMutex());
  CapturedHandles().insert(handle);
  return handle;
}

bool TFiles::ReleaseHandle(int handle) {
  {
    std::lock_guard guard(StateMutex());
    if (CapturedHandles().erase(handle) == 0) return false;
  }
  return ::close(handle) == 0;
}

Variant TFiles::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  const auto text = [&](std::size_t i) -> const std::string& { return args[i].AsString(); };
  const auto number = [&](std::size_t i) { return static_cast<int>(args[i].ToInt64()); };
  switch (member.id) {
    case DISPID_FILES_SAVE: Save(text(0), text(1)); return Variant();
    case DISPID_FILES_OPEN: return Variant(LoadTextFromFile(LocalPath(text(0))));
    case DISPID_FILES_EXISTS: return Variant(IsFile(text(0)));
    case DISPID_FILES_GETPATH: return Variant(GetPath(text(0)));
    case DISPID_FILES_CREATEFOLDER: return Variant(MakeFolder(text(0)));
    case DISPID_FILES_DELETE:
    case DISPID_FILES_ERASE: return Variant(RunFileOperation(text(0), {}, 3, kFilesOperationFlags));
    case DISPID_FILES_FOLDEREXISTS: return Variant(IsFolder(text(0)));
    case DISPID_FILES_GETRELATIVEPATH: return Variant(GetRelativePath(text(0), text(1)));
    case DISPID_FILES_RECYCLE: return Variant(RunFileOperation(text(0), {}, 3, kFilesRecycleFlags));
    case DISPID_FILES_MOVE: return Variant(RunFileOperation(text(0), text(1), 1, kFilesMultiDestFlags));
    case DISPID_FILES_COPY: return Variant(RunFileOperation(text(0), text(1), 2, kFilesMultiDestFlags));
    case DISPID_FILES_RENAME: return Variant(RunFileOperation(text(0), text(1), 4, kFilesOperationFlags));
    case DISPID_FILES_OPERATE: {
      const int mode = number(2);
      // Any other number is not an operation: ERROR_INVALID_PARAMETER.
      if (mode < 1 || mode > 4) return Variant(87);
      return Variant(RunFileOperation(text(0), text(1), mode, static_cast<std::uint32_t>(number(3))));
    }
    case DISPID_FILES_GETFOLDER: return Variant(GetSpecialFolderPath(number(0), number(1) != 0));
    case DISPID_FILES_GETVOLUME:
      return Variant(GetVolumeInfoText(LocalPath(text(0)), static_cast<std::uint32_t>(number(1))));
    case DISPID_FILES_GETVERSION: return Variant(VersionText(text(0)));
    case DISPID_FILES_GETUNIQUE: return Variant(GetUnique(text(0), text(1)));
    case DISPID_FILES_GETLONGNAME: return Variant(GetLongPathNameText(text(0)));
    case DISPID_FILES_GETNAME: return Variant(GetName(text(0)));
    case DISPID_FILES_GETEXTENSION: return Variant(GetExtension(text(0)));
    case DISPID_FILES_GETATTRIBUTES: return Variant(GetAttributes(text(0)));
    case DISPID_FILES_SETATTRIBUTES: return Variant(SetAttributes(text(0), number(1)));
    case DISPID_FILES_SETSYSTEMFOLDER: return Variant(SetSystemFolder(text(0), text(1)));
    case DISPID_FILES_NORMALIZE: return Variant(Normalize(text(0), number(1)));
    case DISPID_FILES_CAPTURE: return Variant(CaptureFile(text(0), number(1)));
    case DISPID_FILES_RELEASE: return Variant(ReleaseHandle(number(0)));
    default: return Variant();
  }
}

}  // namespace halbrin
