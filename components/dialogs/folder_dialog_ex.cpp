#include "components/dialogs/folder_dialog_ex.h"

#include <filesystem>

#include "components/dialogs/open_dialog_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/shell/special_folders.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& FolderOptionInfo() {
  static const TEnumInfo info(
      "TFolderOption", {"foBrowseForComputer", "foBrowseForPrinter", "foBrowseIncludeFiles", "foBrowseIncludeURLs",
                        "foDontGoBelowDomain", "foEditBox", "foNewDialogStyle", "foNoNewFolderButton",
                        "foNoTranslateTargets", "foReturnFSancestors", "foReturnOnlyFSDirs", "foShareable",
                        "foStatusText", "foUAHint", "foUseNewUI", "foValidate", "foReserved"});
  return info;
}

std::uint32_t FolderOptionFlags(TFolderOptions options) {
  static constexpr std::uint32_t kFlags[] = {0x1000, 0x2000, 0x4000, 0x80, 0x2,   0x10, 0x40, 0x200, 0x400,
                                             0x8,    0x1,    0x8000, 0x4,  0x100, 0x50, 0x20, 0x800};
  std::uint32_t flags = 0;
  for (std::uint32_t i = 0; i < std::size(kFlags); ++i)
    if (options & (TFolderOptions{1} << i)) flags |= kFlags[i];
  return flags;
}

HALBRIN_DEFINE_CLASS(TFolderDialogEx,
                     .Property("root", &TFolderDialogEx::Root, &TFolderDialogEx::SetRoot)
                     .Property("caption", &TFolderDialogEx::Caption, &TFolderDialogEx::SetCaption)
                     .Property("folderName", &TFolderDialogEx::FolderName, &TFolderDialogEx::SetFolderName)
                     .Property("expanded", [](const TFolderDialogEx&) { return std::string(); }, &TFolderDialogEx::SetExpanded)
                     .Stored(false)
                     .Property("okText", &TFolderDialogEx::OkText, &TFolderDialogEx::SetOkText)
                     .Property("statusText", &TFolderDialogEx::StatusText, &TFolderDialogEx::SetStatusText)
                     .Set("options", &TFolderDialogEx::Options, &TFolderDialogEx::SetOptions, FolderOptionInfo(),
                          "TFolderOptions")
                     .Property("font", [](const TFolderDialogEx& self) { return &self.Font(); }, &TFolderDialogEx::SetFont)
                     .Owned()
                     .Event("onExecute", &TFolderDialogEx::OnExecute, "TNotifyEvent")
                     .Event("onSelectionChange", &TFolderDialogEx::OnSelectionChange, "TNotifyEvent")
                     .Event("onShow", &TFolderDialogEx::OnShow, "TNotifyEvent")
                     .Event("onValidateFailed", &TFolderDialogEx::OnValidateFailed, "TValidateFailedEvent")
                     .Property("eventData", &TFolderDialogEx::GetEventData, &TFolderDialogEx::SetEventData)
                     .Stored(false)
                     .Property(
                         "events", [](const TFolderDialogEx& self) { return const_cast<TFolderDialogEx&>(self).GetEvents(); },
                         [](TFolderDialogEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TFolderDialogEx::GetExec, &TFolderDialogEx::SetExec)
                     .Stored(false)
                     .Handler("executeHandler", &TFolderDialogEx::executeHandler)
                     .Handler("selectionChangeHandler", &TFolderDialogEx::selectionChangeHandler)
                     .Handler("showHandler", &TFolderDialogEx::showHandler)
                     .Handler("validateFailedHandler", &TFolderDialogEx::validateFailedHandler))

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

// The dialog's reports: the selection into folderName, the push rules at show.
class TFolderDialogEx::TEvents final : public IFolderDialogEvents {
 public:
  explicit TEvents(TFolderDialogEx& dialog) : m_dialog(dialog) {}

  void Shown(IFolderDialogControl& control) override {
    m_dialog.m_control = &control;
    if (IsFolder(m_dialog.m_expanded)) control.SetExpanded(m_dialog.m_expanded);
    if (IsFolder(m_dialog.m_folderName)) control.SetSelection(m_dialog.m_folderName);
    if (!m_dialog.m_okText.empty()) control.SetOkText(m_dialog.m_okText);
    if (!m_dialog.m_statusText.empty()) control.SetStatusText(m_dialog.m_statusText);
    m_dialog.OnShow(&m_dialog);
  }
  void SelectionChanged(const std::string& path) override {
    m_dialog.m_folderName = path;
    m_dialog.OnSelectionChange(&m_dialog);
  }
  void ValidateFailed(const std::string& text) override { m_dialog.OnValidateFailed(&m_dialog, text); }
  void Closed() override { m_dialog.m_control = nullptr; }

 private:
  TFolderDialogEx& m_dialog;
};

TFolderDialogEx::TFolderDialogEx(TComponent* owner) : Inherited(owner), m_font(std::make_unique<TFont>()) {
  AssignDesktopMessageFont(*m_font);
  ApplicationHooks().RegisterComponent(*this);
}

TFolderDialogEx::~TFolderDialogEx() {
  m_execResult = Variant::Null();
}

void TFolderDialogEx::SetFolderName(const std::string& folder) {
  m_folderName = folder;
  if (m_control && IsFolder(folder)) m_control->SetSelection(folder);
}

void TFolderDialogEx::SetExpanded(const std::string& folder) {
  m_expanded = folder;
  if (m_control && IsFolder(folder)) m_control->SetExpanded(folder);
}

void TFolderDialogEx::SetOkText(const std::string& text) {
  if (text == m_okText) return;
  m_okText = text;
  if (m_control) m_control->SetOkText(text);
}

void TFolderDialogEx::SetStatusText(const std::string& text) {
  if (text == m_statusText) return;
  m_statusText = text;
  if (m_control) m_control->SetStatusText(text);
}

void TFolderDialogEx::SetFont(TFont* font) {
  if (font && font != m_font.get()) m_font->Assign(*font);
}

TFolderDialogRequest TFolderDialogEx::BuildRequest() const {
  TFolderDialogRequest request;
  if (!m_caption.empty()) request.title = m_caption;
  request.root = IsFolder(m_root) ? m_root : std::string();
  if (IsFolder(m_folderName))
    request.startFolder = m_folderName;
  else if (IsFolder(m_expanded))
    request.startFolder = m_expanded;
  else if (!request.root.empty())
    request.startFolder = request.root;
  else
    request.startFolder = GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
  request.okText = m_okText;
  request.statusText = m_statusText;
  request.showStatus = HasOption(foStatusText);
  request.createFolders = (HasOption(foNewDialogStyle) || HasOption(foUseNewUI)) && !HasOption(foNoNewFolderButton);
  request.includeFiles = HasOption(foBrowseIncludeFiles);
  request.validate = HasOption(foValidate);
  request.font = PangoFontText(*m_font);
  return request;
}

bool TFolderDialogEx::Execute() {
  const TBusyGuard busy(*this);
  const TFolderDialogRequest request = BuildRequest();
  TEvents events(*this);
  TFolderDialogResult result;
  try {
    result = CurrentDialogService().RunFolderDialog(request, events);
  } catch (...) {
    m_control = nullptr;
    throw;
  }
  m_control = nullptr;
  if (!result.accepted) return false;
  m_folderName = result.folder;
  OnExecute(this);
  return true;
}

Variant TFolderDialogEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEventWithData(*this, *this, name, args, sender);
}

void TFolderDialogEx::SetExec(const Variant& value) {
  if (value.IsString() && !value.AsString().empty()) SetFolderName(value.AsString());
  m_execResult = Execute();
}

void TFolderDialogEx::executeHandler(TObject*) {
  const Variant args[] = {Variant(m_folderName)};
  FireEvent("execute", args, nullptr);
}

void TFolderDialogEx::selectionChangeHandler(TObject*) {
  const Variant args[] = {Variant(m_folderName)};
  FireEvent("selectionchange", args, nullptr);
}

void TFolderDialogEx::showHandler(TObject*) { FireEvent("show", {}, nullptr); }

void TFolderDialogEx::validateFailedHandler(TObject*, const std::string& text) {
  const Variant args[] = {Variant(text)};
  FireEvent("validatefailed", args, nullptr);
}

}  // namespace halbrin
