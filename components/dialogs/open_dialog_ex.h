#pragma once

// The script open and save dialogs: the application's openDialog and
// saveDialog. A script writes `exec` (":execute" or a file name) and reads
// the result, `fileName` and `files`; the events follow the chooser.

#include <memory>
#include <string>

#include "components/dialogs/common_dialogs.h"
#include "components/dialogs/open_dialog_places.h"
#include "core/foundation/string_list_ex.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"

namespace halbrin {

enum class TFileEditStyle : std::uint32_t { fsEdit, fsComboBox };
const platform::TEnumInfo& FileEditStyleInfo();

// The desktop's message font, the default of the dialogs' `font`.
void AssignDesktopMessageFont(platform::TFont& font);
// A Pango font description text of a font: "Family [Bold] [Italic] Size".
std::string PangoFontText(const platform::TFont& font);
// The first number of the kernel's release (uname), the system's major version.
int SystemMajorVersion();

class TOpenDialogEx : public TScriptEventSourceOf<TOpenDialog>, public IExecutable {
  HALBRIN_CLASS(TOpenDialogEx, TScriptEventSourceOf<TOpenDialog>)

  explicit TOpenDialogEx(platform::TComponent* owner = nullptr);
  ~TOpenDialogEx() override;

  // With autoNormalize, characters a file name cannot hold become "_" in the
  // name part ("\" read as "/"); the folder part stays.
  void SetFileName(const std::string& fileName) override;
  // The chosen files, refilled at each read.
  TStringListEx* FilesList() const;
  TOpenDialogPlaces& Places() const noexcept { return *m_places; }
  void SetPlaces(TOpenDialogPlaces* places);
  const std::string& OkText() const noexcept { return m_okText; }
  void SetOkText(const std::string& text) { m_okText = text; }
  bool FilterEnabled() const noexcept { return m_filterEnabled; }
  void SetFilterEnabled(bool enabled) noexcept { m_filterEnabled = enabled; }
  bool AutoNormalize() const noexcept { return m_autoNormalize; }
  void SetAutoNormalize(bool value) noexcept { m_autoNormalize = value; }
  platform::TFont& Font() const noexcept { return *m_font; }
  void SetFont(platform::TFont* font);
  // Stored; the chooser has one name entry.
  TFileEditStyle FileEditStyle() const noexcept { return m_fileEditStyle; }
  void SetFileEditStyle(TFileEditStyle style) noexcept { m_fileEditStyle = style; }
  int Version() const { return SystemMajorVersion(); }

  // Runs the dialog; on success fires onExecute.
  bool Execute() override;

  // IScriptEventSource
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;
  // IExecutable: ":execute" or ":show" runs the dialog; any other value is
  // the file name first. The result is whether the user accepted.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  platform::TNotifyEvent OnExecute;

  // "show" [first show], "close", "canclose" (the answer decides),
  // "folderchange" [folder shown], "includeitem" [path] (the answer decides),
  // "selectionchange", "typechange" [filter index], "execute" [fileName, filter index].
  void showHandler(platform::TObject* sender);
  void closeHandler(platform::TObject* sender);
  void canCloseHandler(platform::TObject* sender, bool& canClose);
  void folderChangeHandler(platform::TObject* sender);
  void includeItemHandler(platform::TObject* sender, const std::string& path, bool& include);
  void selectionChangeHandler(platform::TObject* sender);
  void typeChangeHandler(platform::TObject* sender);
  void executeHandler(platform::TObject* sender);

 protected:
  platform::TFileDialogRequest BuildRequest() const override;

 private:
  std::unique_ptr<TOpenDialogPlaces> m_places;
  std::unique_ptr<platform::TFont> m_font;
  mutable std::unique_ptr<TStringListEx> m_filesList;
  std::string m_okText;
  bool m_filterEnabled = true;
  bool m_autoNormalize = false;
  bool m_firstShow = true;
  TFileEditStyle m_fileEditStyle = TFileEditStyle::fsEdit;
  platform::Variant m_execResult = platform::Variant::Null();
};

class TSaveDialogEx : public TOpenDialogEx {
  HALBRIN_CLASS(TSaveDialogEx, TOpenDialogEx)

  explicit TSaveDialogEx(platform::TComponent* owner = nullptr) : TOpenDialogEx(owner) {}

 protected:
  platform::TFileDialogKind Kind() const override { return platform::TFileDialogKind::Save; }
};

}  // namespace halbrin
