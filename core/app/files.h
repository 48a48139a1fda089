#pragma once

// `IFiles`: the scripts' file and folder toolbox. A new object is made for
// every read of `client.files`; what it keeps lives in the process: the shell
// operation handler installed at start and the handles `capture` opened.
// Paths read a "\" as "/"; folder texts end in "/".

#include <cstdint>
#include <functional>
#include <string>

#include "core/framework/custom_files.h"
#include "platform/automation/auto_object.h"

namespace halbrin {

// Copy, move, delete or rename one path: operation 1 move, 2 copy, 3 delete,
// 4 rename (the shell's numbering), the shell's FOF_ flags; 0 or the failure's
// Win32 code. program/main.cpp installs components/shell's
// ExecuteFileOperationNumber; core cannot reach components itself.
using FileOperationHandler =
    std::function<int(const std::string& source, const std::string& destination, int operation, std::uint32_t flags)>;

// An empty handler uninstalls; the shell members then raise
// "File operations are not available".
void SetFileOperationHandler(FileOperationHandler handler);

// Silent, no confirmation, no confirmation for new folders, no error interface;
// plus several destination files; plus undo (the trash).
inline constexpr std::uint32_t kFilesOperationFlags = 0x614;
inline constexpr std::uint32_t kFilesMultiDestFlags = 0x615;
inline constexpr std::uint32_t kFilesRecycleFlags = 0x654;

class TFiles final : public platform::TAutoObject {
 public:
  TFiles();

  // Missing folders are made; a failed write raises.
  static void Save(const std::string& text, const std::string& path);
  // Everything up to the last separator, inclusive ("" without one).
  static std::string GetPath(const std::string& path);
  static std::string GetName(const std::string& path);
  // From the last "." of the name, inclusive; a leading dot starts the name.
  static std::string GetExtension(const std::string& path);
  // `destination` relative to the folder of `source`; unchanged when the two
  // share no first part (another root, or one of them relative).
  static std::string GetRelativePath(const std::string& source, const std::string& destination);
  // The first of source, folder + format(base, 1) + extension, ... not in use.
  // The format ("%s%s" when empty) is never given to a formatting routine: its
  // first two "%s" take the base name and the number, "%%" is "%", any other
  // "%" stays as written. Fewer than two "%s" raise EConvertError, since the
  // number could never change the name.
  static std::string GetUnique(const std::string& source, const std::string& format);
  // -1 when the path does not exist. Read-only is a missing owner write
  // permission (so it reads back what SetAttributes set, also for root).
  static int GetAttributes(const std::string& path);
  // Only read-only can be set (through the write permissions); the other
  // bits are accepted and ignored. 0 or the Win32 code of the failure.
  static int SetAttributes(const std::string& path, int attributes);
  // Makes the folder; when it exists and `content` is not empty, writes it to
  // the folder's desktop.ini. True when the folder exists.
  static bool SetSystemFolder(const std::string& folder, const std::string& content);
  // Only the low byte of `flags` counts; 32 and above give `source` unchanged.
  static std::string Normalize(const std::string& source, int flags);
  // open(2) by the class library's mode: access 0 read, 1 write, 2 both;
  // 0xFF00 creates (truncating); share bits 0x10 and 0x30 take an exclusive,
  // 0x20 a shared advisory flock, failing at once when another holds it.
  // The handle, or -1.
  static int CaptureFile(const std::string& path, int mode);
  // Closes a handle CaptureFile handed out; false for any other number.
  static bool ReleaseHandle(int handle);

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;
};

}  // namespace halbrin
