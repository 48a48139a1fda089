#pragma once

// The class library's common dialogs, over the process's dialog service:
// open, save and font. The script dialogs build on them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/classes/string_list.h"
#include "platform/graphics/font.h"
#include "platform/services/dialog_service.h"

namespace halbrin {

// TOpenOptions: bit n is element n of OpenOptionInfo().
using TOpenOptions = std::uint32_t;
enum TOpenOption : std::uint32_t {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
  ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
  ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
  ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
constexpr TOpenOptions OpenOptionBit(TOpenOption option) { return TOpenOptions{1} << option; }
const platform::TEnumInfo& OpenOptionInfo();

// TFontDialogOptions: bit n is element n of FontDialogOptionInfo().
using TFontDialogOptions = std::uint32_t;
enum TFontDialogOption : std::uint32_t {
  fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel, fdNoOEMFonts,
  fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts, fdShowHelp, fdWysiwyg, fdLimitSize,
  fdScalableOnly, fdApplyButton
};
constexpr TFontDialogOptions FontDialogOptionBit(TFontDialogOption option) { return TFontDialogOptions{1} << option; }
const platform::TEnumInfo& FontDialogOptionInfo();

// (Sender, var CanClose)
using TCloseQueryEvent = platform::TEvent<platform::TObject*, bool&>;
// (Sender, file name, var Include)
using TIncludeItemEvent = platform::TEvent<platform::TObject*, const std::string&, bool&>;

// "name|masks|name|masks": pairs in order; a last name without masks is dropped.
std::vector<platform::TFileDialogFilter> ParseDialogFilter(const std::string& filter);
// A name without an extension gets "." + ext (ext without a leading dot);
// other names, and an empty ext, leave it as it is.
std::string WithDefaultExtension(const std::string& path, const std::string& ext);

class TCommonDialog : public platform::TComponent {
  HALBRIN_CLASS(TCommonDialog, platform::TComponent)

  explicit TCommonDialog(platform::TComponent* owner = nullptr) : TComponent(owner) {}

  // Shows the dialog and waits; true when the user accepted.
  virtual bool Execute() = 0;

  platform::TNotifyEvent OnShow;
  platform::TNotifyEvent OnClose;
};

class TOpenDialog : public TCommonDialog {
  HALBRIN_CLASS(TOpenDialog, TCommonDialog)

  explicit TOpenDialog(platform::TComponent* owner = nullptr);
  ~TOpenDialog() override;

  const std::string& DefaultExt() const noexcept { return m_defaultExt; }
  void SetDefaultExt(const std::string& ext) { m_defaultExt = ext; }
  // While the dialog runs, the file the chooser holds now.
  std::string FileName() const;
  virtual void SetFileName(const std::string& fileName) { m_fileName = fileName; }
  const std::string& Filter() const noexcept { return m_filter; }
  void SetFilter(const std::string& filter) { m_filter = filter; }
  // 1-based.
  int FilterIndex() const noexcept { return m_filterIndex; }
  void SetFilterIndex(int index) noexcept { m_filterIndex = index; }
  const std::string& InitialDir() const noexcept { return m_initialDir; }
  void SetInitialDir(const std::string& folder) { m_initialDir = folder; }
  TOpenOptions Options() const noexcept { return m_options; }
  void SetOptions(TOpenOptions options) noexcept { m_options = options; }
  bool HasOption(TOpenOption option) const noexcept { return (m_options & OpenOptionBit(option)) != 0; }
  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }
  // The files chosen; while the dialog runs, those the chooser holds now.
  const platform::TStringList& Files() const;
  // The folder the dialog shows while it runs, else "".
  std::string CurrentFolder() const;
  bool Running() const noexcept { return m_control != nullptr; }

  bool Execute() override;

  TCloseQueryEvent OnCanClose;
  platform::TNotifyEvent OnFolderChange;
  platform::TNotifyEvent OnSelectionChange;
  platform::TNotifyEvent OnTypeChange;
  TIncludeItemEvent OnIncludeItem;

 protected:
  virtual platform::TFileDialogKind Kind() const { return platform::TFileDialogKind::Open; }
  // The request Execute sends; subclasses add what they publish.
  virtual platform::TFileDialogRequest BuildRequest() const;

 private:
  class TEvents;

  std::string m_defaultExt;
  std::string m_fileName;
  std::string m_filter;
  int m_filterIndex = 1;
  std::string m_initialDir;
  TOpenOptions m_options = OpenOptionBit(ofHideReadOnly) | OpenOptionBit(ofEnableSizing);
  std::string m_title;
  std::unique_ptr<platform::TStringList> m_files;
  const platform::IFileDialogControl* m_control = nullptr;
};

class TSaveDialog : public TOpenDialog {
  HALBRIN_CLASS(TSaveDialog, TOpenDialog)

  explicit TSaveDialog(platform::TComponent* owner = nullptr) : TOpenDialog(owner) {}

 protected:
  platform::TFileDialogKind Kind() const override { return platform::TFileDialogKind::Save; }
};

class TFontDialog : public TCommonDialog {
  HALBRIN_CLASS(TFontDialog, TCommonDialog)

  explicit TFontDialog(platform::TComponent* owner = nullptr);
  ~TFontDialog() override;

  platform::TFont& Font() const noexcept { return *m_font; }
  void SetFont(platform::TFont* font);
  TFontDialogOptions Options() const noexcept { return m_options; }
  void SetOptions(TFontDialogOptions options) noexcept { m_options = options; }
  bool HasOption(TFontDialogOption option) const noexcept { return (m_options & FontDialogOptionBit(option)) != 0; }
  int MinFontSize() const noexcept { return m_minFontSize; }
  void SetMinFontSize(int size) noexcept { m_minFontSize = size; }
  int MaxFontSize() const noexcept { return m_maxFontSize; }
  void SetMaxFontSize(int size) noexcept { m_maxFontSize = size; }

  // The chosen name, size and bold/italic go into Font; underline, strike-out
  // and colour stay. With fdLimitSize the size is kept within the limits.
  bool Execute() override;

  // The Apply button: Font holds the font chosen so far.
  platform::TNotifyEvent OnApply;

 private:
  class TEvents;
  void TakeFont(const platform::TFontSpec& spec);

  std::unique_ptr<platform::TFont> m_font;
  TFontDialogOptions m_options = FontDialogOptionBit(fdEffects);
  int m_minFontSize = 0;
  int m_maxFontSize = 0;
};

}  // namespace halbrin
