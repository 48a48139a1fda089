#pragma once

// Shortcuts ("shelllink") as freedesktop desktop entries: read, edited,
// resolved and saved with GKeyFile (unknown keys, groups, comments and
// translations are kept), and their target run with the shell's verbs,
// never through a shell.
//
//   <shelllink id="link" fileName="~/Desktop/tool.desktop" path="/opt/tool/run" arguments="--fast"/>

#include <glib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/framework/executable_component.h"

namespace halbrin {

// Elements of TShellLinkOptions, in order; bit n of the set is element n.
enum TShellLinkOption : std::uint32_t {
  sloAnyMatch, sloInvokeMSI, sloNoLinkInfo, sloNoUI, sloNoUpdate, sloNoSearch, sloNoTrack, sloUpdate,
};
using TShellLinkOptions = std::uint32_t;
const platform::TEnumInfo& ShellLinkOptionEnumInfo();

// The shell's answers of "run" and the other verbs.
inline constexpr int kShellStarted = 42;
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellAccessDenied = 5;
inline constexpr int kShellOutOfMemory = 8;
inline constexpr int kShellNoAssociation = 31;

class TShellLinkEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TShellLinkEx, TCustomExecutableComponentEx)

  explicit TShellLinkEx(platform::TComponent* owner = nullptr);
  ~TShellLinkEx() override;

  std::string GetTypeName() const override { return "shelllink"; }

  // The target: an executable file or a bare command (an application entry),
  // or a document, folder or URL (a link entry).
  const std::string& Path() const noexcept { return m_path; }
  void SetPath(const std::string& path) { m_path = path; }
  // Linux has neither short names nor unexpanded forms here: the path.
  const std::string& ShortPath() const noexcept { return m_path; }
  const std::string& RawPath() const noexcept { return m_path; }
  const std::string& Description() const noexcept { return m_description; }
  void SetDescription(const std::string& description) { m_description = description; }
  const std::string& WorkingDirectory() const noexcept { return m_workingDirectory; }
  void SetWorkingDirectory(const std::string& folder) { m_workingDirectory = folder; }
  // By the Windows command-line rules.
  const std::string& Arguments() const noexcept { return m_arguments; }
  void SetArguments(const std::string& arguments) { m_arguments = arguments; }
  // Kept for the round trip; no effect.
  std::uint16_t Hotkey() const noexcept { return m_hotkey; }
  void SetHotkey(std::uint16_t hotkey) noexcept { m_hotkey = hotkey; }
  int ShowCmd() const noexcept { return m_showCmd; }
  void SetShowCmd(int showCmd) noexcept { m_showCmd = showCmd; }
  // Write-only: the target is stored relative to the folder of `path`.
  void SetRelativePath(const std::string& path);
  const std::string& IconPath() const noexcept { return m_iconPath; }
  void SetIconPath(const std::string& iconPath) { m_iconPath = iconPath; }
  int IconIndex() const noexcept { return m_iconIndex; }
  void SetIconIndex(int iconIndex) noexcept { m_iconIndex = iconIndex; }
  const std::string& FileName() const noexcept { return m_fileName; }
  void SetFileName(const std::string& fileName) { m_fileName = fileName; }
  TShellLinkOptions Options() const noexcept { return m_options; }
  void SetOptions(TShellLinkOptions options) noexcept { m_options = options; }

  // Whether the target is started as a program (else opened by its handler).
  bool TargetIsProgram() const;
  // The entry file "open" and "save" use: `fileName`, a ".lnk" name read as ".desktop".
  std::string EntryFileName() const;

  // 0, 0x80070002 missing, 0x80070005 not readable, 0x80004005 no entry (a
  // folder, a binary file, no [Desktop Entry], an `Exec` with a quote left open).
  std::int32_t Load();
  // Written atomically, mode 0755; the same codes.
  std::int32_t Save();
  // 0 when the target exists or was found through the relative path; 1 when not.
  std::int32_t Resolve();
  // "open", "edit", "explore", "print", "find": 42 started, else the shell's code.
  int Run(const std::string& verb);

  // Words: "open", "save", "resolve", "run", "edit", "explore", "print",
  // "find"; the result is the integer returned.
  void SetExec(const platform::Variant& value) override;

 private:
  void ToKeyFile();
  std::int32_t FromKeyFile();
  int Launch() const;
  int OpenWithHandler(const std::string& target) const;

  std::string m_path;
  std::string m_description;
  std::string m_workingDirectory;
  std::string m_arguments;
  std::uint16_t m_hotkey = 0;
  int m_showCmd = 1;
  std::string m_relativePath;
  std::string m_iconPath;
  int m_iconIndex = 0;
  std::string m_fileName;
  TShellLinkOptions m_options = 1u << sloAnyMatch;
  std::unique_ptr<GKeyFile, void (*)(GKeyFile*)> m_keyFile;
};

}  // namespace halbrin
