#pragma once

// The script folder dialog: the application's folderDialog. A text written
// to `exec` is the folder to select first; `folderName` holds the choice.

#include <cstdint>
#include <memory>
#include <string>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/graphics/font.h"
#include "platform/services/dialog_service.h"

namespace halbrin {

// TFolderOptions: bit n is element n of FolderOptionInfo().
using TFolderOptions = std::uint32_t;
enum TFolderOption : std::uint32_t {
  foBrowseForComputer, foBrowseForPrinter, foBrowseIncludeFiles, foBrowseIncludeURLs, foDontGoBelowDomain,
  foEditBox, foNewDialogStyle, foNoNewFolderButton, foNoTranslateTargets, foReturnFSancestors, foReturnOnlyFSDirs,
  foShareable, foStatusText, foUAHint, foUseNewUI, foValidate, foReserved
};
constexpr TFolderOptions FolderOptionBit(TFolderOption option) { return TFolderOptions{1} << option; }
const platform::TEnumInfo& FolderOptionInfo();
// The browse flags of a set: each member's value OR-ed (foUseNewUI is 0x50).
std::uint32_t FolderOptionFlags(TFolderOptions options);

// (Sender, the typed text)
using TValidateFailedEvent = platform::TEvent<platform::TObject*, const std::string&>;

class TFolderDialogEx : public TScriptEventSourceOf<platform::TComponent>, public IExecutable {
  HALBRIN_CLASS(TFolderDialogEx, TScriptEventSourceOf<platform::TComponent>)

  explicit TFolderDialogEx(platform::TComponent* owner = nullptr);
  ~TFolderDialogEx() override;

  const std::string& Root() const noexcept { return m_root; }
  void SetRoot(const std::string& root) { m_root = root; }
  const std::string& Caption() const noexcept { return m_caption; }
  void SetCaption(const std::string& caption) { m_caption = caption; }
  const std::string& FolderName() const noexcept { return m_folderName; }
  // Selected in the open dialog when that folder exists.
  void SetFolderName(const std::string& folder);
  // Write-only: shown in the open dialog when that folder exists.
  void SetExpanded(const std::string& folder);
  const std::string& OkText() const noexcept { return m_okText; }
  void SetOkText(const std::string& text);
  const std::string& StatusText() const noexcept { return m_statusText; }
  void SetStatusText(const std::string& text);
  TFolderOptions Options() const noexcept { return m_options; }
  void SetOptions(TFolderOptions options) noexcept { m_options = options; }
  bool HasOption(TFolderOption option) const noexcept { return (m_options & FolderOptionBit(option)) != 0; }
  platform::TFont& Font() const noexcept { return *m_font; }
  void SetFont(platform::TFont* font);

  // What Execute sends: the start folder is folderName when it exists, else
  // the expanded folder, else root, else the desktop folder.
  platform::TFolderDialogRequest BuildRequest() const;
  // Shows the dialog; true with a folder chosen (then onExecute fires).
  bool Execute();

  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;
  // A non-empty text is the folder name first; then the dialog runs.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  platform::TNotifyEvent OnExecute;
  platform::TNotifyEvent OnSelectionChange;
  platform::TNotifyEvent OnShow;
  TValidateFailedEvent OnValidateFailed;

  // "execute" [folderName], "selectionchange" [folderName], "show",
  // "validatefailed" [typed text].
  void executeHandler(platform::TObject* sender);
  void selectionChangeHandler(platform::TObject* sender);
  void showHandler(platform::TObject* sender);
  void validateFailedHandler(platform::TObject* sender, const std::string& text);

 private:
  class TEvents;

  std::string m_root;
  std::string m_caption;
  std::string m_folderName;
  std::string m_expanded;
  std::string m_okText;
  std::string m_statusText;
  TFolderOptions m_options = FolderOptionBit(foReturnOnlyFSDirs);
  std::unique_ptr<platform::TFont> m_font;
  // The open dialog's control; null while none is open.
  platform::IFolderDialogControl* m_control = nullptr;
  platform::Variant m_execResult = platform::Variant::Null();
};

}  // namespace halbrin
