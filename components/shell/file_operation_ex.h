#pragma once

// File operations for scripts: copy, move, rename and delete a list of files,
// one engine on std::filesystem and GIO (the trash) under three result
// conventions: fomSystem raises "System Error: %d\r\n%s" at the first failure,
// fomFunction leaves each file's code in `result_`, fomInterface checks the
// whole list first and raises an automation error carrying
// HRESULT_FROM_WIN32 of the code.

#include <cstdint>
#include <string>

#include "core/framework/custom_files.h"
#include "core/framework/executable_component.h"

namespace halbrin {

enum class TFileOperationMode : std::uint32_t { fomAuto, fomSystem, fomFunction, fomInterface };
enum class TFileOperation : std::uint32_t { foNone, foMove, foCopy, foDelete, foRename };

const platform::TEnumInfo& FileOperationModeEnumInfo();
const platform::TEnumInfo& FileOperationEnumInfo();

// The flags of the original's shell operation that mean something here.
inline constexpr std::uint32_t FOF_MULTIDESTFILES = 0x1;
inline constexpr std::uint32_t FOF_RENAMEONCOLLISION = 0x8;
inline constexpr std::uint32_t FOF_NOCONFIRMATION = 0x10;  // overwrite without asking
inline constexpr std::uint32_t FOF_ALLOWUNDO = 0x40;       // delete to the trash
inline constexpr std::uint32_t FOF_FILESONLY = 0x80;       // wildcards match files only
inline constexpr std::uint32_t FOF_NORECURSION = 0x1000;
inline constexpr std::uint32_t kDefaultFileOperationFlags = 0x614;

// The Win32 codes scripts test.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorAlreadyExists = 183;
inline constexpr int kErrorInvalidName = 123;

class TFileOperationFile : public TCustomFile {
  HALBRIN_CLASS(TFileOperationFile, TCustomFile)

  // Open errors are ignored: wildcards, folders and files still to come are
  // normal here; failures surface when the operation runs.
  TFileOperationFile();

  const std::string& Alias() const noexcept { return m_alias; }
  // A "\" is read as "/".
  void SetAlias(const std::string& alias);
  TFileOperation Operation() const noexcept { return m_operation; }
  void SetOperation(TFileOperation operation) noexcept { m_operation = operation; }
  // 1 until processed, then 0 or the failure's code.
  int Result() const noexcept { return m_result; }
  void SetResult(int result) noexcept { m_result = result; }
  // Selected, an operation, and a name.
  bool TakesPart() const noexcept;

 private:
  std::string m_alias;
  TFileOperation m_operation = TFileOperation::foNone;
  int m_result = 1;
};

class TFileOperationFiles : public TCustomFiles {
  HALBRIN_CLASS(TFileOperationFiles, TCustomFiles)

  explicit TFileOperationFiles(platform::TPersistent* owner = nullptr);
  TFileOperationFile* FileAt(int index) const { return static_cast<TFileOperationFile*>(Items(index)); }
};

class TFileOperationEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TFileOperationEx, TCustomExecutableComponentEx)

  explicit TFileOperationEx(platform::TComponent* owner = nullptr);
  ~TFileOperationEx() override;

  std::string GetTypeName() const override { return "fileoperation"; }

  std::uint32_t Flags() const noexcept { return m_flags; }
  void SetFlags(std::uint32_t flags) noexcept { m_flags = flags; }
  TFileOperationFiles& Files() const noexcept { return *m_files; }
  void SetFiles(TFileOperationFiles* files);
  const platform::Variant& Title() const noexcept { return m_title; }
  void SetTitle(const platform::Variant& title) { m_title = title; }
  TFileOperationMode Mode() const noexcept { return m_mode; }
  void SetMode(TFileOperationMode mode) noexcept { m_mode = mode; }
  // fomAuto reads fomInterface.
  TFileOperationMode CurrentMode() const noexcept;
  // Nothing here is ever cancelled: False.
  bool Aborted() const noexcept { return false; }

  // Runs the selected files by the current mode: fomSystem 0 (raising at the
  // first failure), fomFunction and fomInterface 1 when no file took part,
  // else 0. fomInterface checks every file before it touches the first.
  int Execute();
  // Words: "execute", "selectall", "deselectall", "release".
  void SetExec(const platform::Variant& value) override;

 private:
  // The interface mode: all files checked, then all performed; raises at
  // the first failure of either.
  int ExecuteBatch(std::uint32_t flags);

  std::uint32_t m_flags = kDefaultFileOperationFlags;
  std::unique_ptr<TFileOperationFiles> m_files;
  platform::Variant m_title = platform::Variant("");
  TFileOperationMode m_mode = TFileOperationMode::fomAuto;
};

// One operation on one path; 0 or the Win32 code of the failure. Never raises.
// In the interface and automatic modes a source "*.*" is its folder itself, in
// the others every entry of the folder; other wildcards match entries of the
// folder. A rename's bare new name stays in the source's folder (in the
// system mode a path moves the file there); names made here never hold "/"
// or "..". Moves across file systems copy and then remove.
int PerformFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                         std::uint32_t flags, TFileOperationMode mode);

// What PerformFileOperation needs before it changes anything, checked without
// touching the disk: the sources exist, derived names are plain, a target that
// exists may be replaced or renamed by the flags, and missing destination
// folders can be made. 0 or the Win32 code PerformFileOperation would give.
int CheckFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                       std::uint32_t flags, TFileOperationMode mode);

// The one-file entry: 0 on success, else the file's code; the errors of the
// execute procedure reach the caller.
int ExecuteFileOperation(const std::string& source, const std::string& destination, TFileOperation operation,
                         std::uint32_t flags);

// The same with the operation by its number (1 move, 2 copy, 3 delete,
// 4 rename): the form of the files object's handler (core/app/files.h).
int ExecuteFileOperationNumber(const std::string& source, const std::string& destination, int operation,
                               std::uint32_t flags);

// The Windows text of a Win32 code.
std::string Win32ErrorText(int code);

}  // namespace halbrin
