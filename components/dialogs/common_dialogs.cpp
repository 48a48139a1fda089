#include "components/dialogs/common_dialogs.h"

#include <algorithm>
#include <filesystem>

#include "core/foundation/file_masks.h"
#include "core/foundation/paths.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& OpenOptionInfo() {
  static const TEnumInfo info(
      "TOpenOption", {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp", "ofNoValidate",
                      "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist", "ofFileMustExist",
                      "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate",
                      "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks",
                      "ofEnableIncludeNotify", "ofEnableSizing", "ofDontAddToRecent", "ofForceShowHidden"});
  return info;
}

const TEnumInfo& FontDialogOptionInfo() {
  static const TEnumInfo info(
      "TFontDialogOption", {"fdAnsiOnly", "fdTrueTypeOnly", "fdEffects", "fdFixedPitchOnly", "fdForceFontExist",
                            "fdNoFaceSel", "fdNoOEMFonts", "fdNoSimulations", "fdNoSizeSel", "fdNoStyleSel",
                            "fdNoVectorFonts", "fdShowHelp", "fdWysiwyg", "fdLimitSize", "fdScalableOnly",
                            "fdApplyButton"});
  return info;
}

HALBRIN_DEFINE_CLASS(TCommonDialog,
                     .Event("OnShow", &TCommonDialog::OnShow, "TNotifyEvent")
                     .Event("OnClose", &TCommonDialog::OnClose, "TNotifyEvent"))

HALBRIN_DEFINE_CLASS(TOpenDialog,
                     .Property("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt)
                     .Property("FileName", &TOpenDialog::FileName,
                               [](TOpenDialog& self, const std::string& name) { self.SetFileName(name); })
                     .Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter)
                     .Property("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex)
                     .Property("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir)
                     .Set("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions, OpenOptionInfo(), "TOpenOptions")
                     .Property("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle)
                     .Event("OnCanClose", &TOpenDialog::OnCanClose, "TCloseQueryEvent")
                     .Event("OnFolderChange", &TOpenDialog::OnFolderChange, "TNotifyEvent")
                     .Event("OnSelectionChange", &TOpenDialog::OnSelectionChange, "TNotifyEvent")
                     .Event("OnTypeChange", &TOpenDialog::OnTypeChange, "TNotifyEvent")
                     .Event("OnIncludeItem", &TOpenDialog::OnIncludeItem, "TIncludeItemEvent"))

HALBRIN_DEFINE_CLASS(TSaveDialog, )

HALBRIN_DEFINE_CLASS(TFontDialog,
                     .Property("Font", [](const TFontDialog& self) { return &self.Font(); }, &TFontDialog::SetFont)
                     .Owned()
                     .Set("Options", &TFontDialog::Options, &TFontDialog::SetOptions, FontDialogOptionInfo(),
                          "TFontDialogOptions")
                     .Property("MinFontSize", &TFontDialog::MinFontSize, &TFontDialog::SetMinFontSize)
                     .Property("MaxFontSize", &TFontDialog::MaxFontSize, &TFontDialog::SetMaxFontSize)
                     .Event("OnApply", &TFontDialog::OnApply, "TNotifyEvent"))

std::vector<TFileDialogFilter> ParseDialogFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (!filter.empty()) {
    const std::size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<TFileDialogFilter> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) filters.push_back({parts[i], parts[i + 1]});
  return filters;
}

std::string WithDefaultExtension(const std::string& path, const std::string& ext) {
  std::string_view bare = ext;
  if (bare.starts_with('.')) bare.remove_prefix(1);
  if (bare.empty() || path.empty()) return path;
  const std::string name = std::filesystem::path(path).filename().string();
  if (name.empty() || name.find('.', 1) != std::string::npos) return path;
  return path + "." + std::string(bare);
}

// ---- TOpenDialog ----

// Carries the chooser's reports to the dialog's events.
class TOpenDialog::TEvents final : public IFileDialogEvents {
 public:
  TEvents(TOpenDialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}

  void Opened(IFileDialogControl& control) override { m_dialog.m_control = &control; }
  void Shown() override { m_dialog.OnShow(&m_dialog); }
  void FolderChanged(const std::string&) override { m_dialog.OnFolderChange(&m_dialog); }
  void SelectionChanged() override { m_dialog.OnSelectionChange(&m_dialog); }
  void TypeChanged(int index) override {
    m_dialog.m_filterIndex = index;
    m_dialog.OnTypeChange(&m_dialog);
  }
  bool CanClose(const std::vector<std::string>& files, int index) override {
    if (!m_dialog.OnCanClose.Assigned()) return true;
    m_dialog.m_filterIndex = index;
    m_dialog.m_files->Clear();
    for (const std::string& file : files) m_dialog.m_files->Add(m_save ? WithDefaultExtension(file, m_dialog.m_defaultExt) : file);
    if (!files.empty()) m_dialog.m_fileName = m_dialog.m_files->Strings(0);
    bool canClose = true;
    m_dialog.OnCanClose(&m_dialog, canClose);
    return canClose;
  }
  bool IncludeItem(const std::string& path) override {
    bool include = true;
    m_dialog.OnIncludeItem(&m_dialog, path, include);
    return include;
  }
  void Closed() override {
    m_dialog.m_control = nullptr;
    m_dialog.OnClose(&m_dialog);
  }

 private:
  TOpenDialog& m_dialog;
  bool m_save;
};

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), m_files(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

std::string TOpenDialog::FileName() const {
  if (m_control) {
    const std::vector<std::string> files = m_control->CurrentFiles();
    return files.empty() ? std::string() : files.front();
  }
  return m_fileName;
}

const TStringList& TOpenDialog::Files() const {
  if (m_control) {
    m_files->Clear();
    for (const std::string& file : m_control->CurrentFiles()) m_files->Add(file);
  }
  return *m_files;
}

std::string TOpenDialog::CurrentFolder() const { return m_control ? m_control->CurrentFolder() : std::string(); }

TFileDialogRequest TOpenDialog::BuildRequest() const {
  TFileDialogRequest request;
  request.kind = Kind();
  request.title = !m_title.empty() ? m_title : Kind() == TFileDialogKind::Save ? "Save As" : "Open";
  request.filters = ParseDialogFilter(m_filter);
  request.filterMatches = [](const TFileDialogFilter& filter, const std::string& name) {
    return MaskListMatches(filter.masks, name, TMaskCase::Ignore);
  };
  request.filterIndex = m_filterIndex;
  request.fileName = m_fileName;
  // The folder asked for, else the folder of the file name.
  request.initialFolder = m_initialDir;
  if (request.initialFolder.empty() && !m_fileName.empty()) request.initialFolder = ParentFolder(m_fileName);
  request.multiple = HasOption(ofAllowMultiSelect);
  request.overwritePrompt = HasOption(ofOverwritePrompt);
  request.showHidden = HasOption(ofForceShowHidden);
  request.askIncludeItem = HasOption(ofEnableIncludeNotify) && OnIncludeItem.Assigned();
  return request;
}

bool TOpenDialog::Execute() {
  const TBusyGuard busy(*this);
  const TFileDialogRequest request = BuildRequest();
  TEvents events(*this, request.kind == TFileDialogKind::Save);
  TFileDialogResult result;
  try {
    result = CurrentDialogService().RunFileDialog(request, events);
  } catch (...) {
    m_control = nullptr;
    throw;
  }
  m_control = nullptr;
  if (!result.accepted) return false;
  m_files->Clear();
  for (const std::string& file : result.files)
    m_files->Add(request.kind == TFileDialogKind::Save ? WithDefaultExtension(file, m_defaultExt) : file);
  m_fileName = m_files->Count() > 0 ? m_files->Strings(0) : std::string();
  m_filterIndex = result.filterIndex;
  return true;
}

// ---- TFontDialog ----

class TFontDialog::TEvents final : public IFontDialogEvents {
 public:
  explicit TEvents(TFontDialog& dialog) : m_dialog(dialog) {}
  void Shown() override { m_dialog.OnShow(&m_dialog); }
  void Apply(const TFontSpec& font) override {
    m_dialog.TakeFont(font);
    m_dialog.OnApply(&m_dialog);
  }
  void Closed() override { m_dialog.OnClose(&m_dialog); }

 private:
  TFontDialog& m_dialog;
};

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), m_font(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

void TFontDialog::SetFont(TFont* font) {
  if (font && font != m_font.get()) m_font->Assign(*font);
}

void TFontDialog::TakeFont(const TFontSpec& spec) {
  TFontSpec taken = spec;
  if (HasOption(fdLimitSize)) {
    if (m_minFontSize > 0) taken.size = std::max(taken.size, m_minFontSize);
    if (m_maxFontSize > 0) taken.size = std::min(taken.size, m_maxFontSize);
  }
  // The chooser knows only bold and italic; the rest of the style stays.
  const TFontStyles kept = m_font->Style() & ~(fsBold | fsItalic);
  taken.style = kept | (spec.style & (fsBold | fsItalic));
  m_font->SetSpec(taken);
}

bool TFontDialog::Execute() {
  const TBusyGuard busy(*this);
  TFontDialogRequest request;
  request.font = m_font->Spec();
  request.showStyle = !HasOption(fdNoStyleSel);
  request.showSize = !HasOption(fdNoSizeSel);
  request.monospaceOnly = HasOption(fdFixedPitchOnly);
  request.applyButton = HasOption(fdApplyButton);
  TEvents events(*this);
  const TFontDialogResult result = CurrentDialogService().RunFontDialog(request, events);
  if (!result.accepted) return false;
  TakeFont(result.font);
  return true;
}

}  // namespace halbrin
