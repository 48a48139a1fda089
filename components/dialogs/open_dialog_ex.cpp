#include "components/dialogs/open_dialog_ex.h"

#include <sys/utsname.h>

#include <cstdlib>

#include "core/foundation/paths.h"
#include "core/foundation/text_files.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/services/desktop_service.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& FileEditStyleInfo() {
  static const TEnumInfo info("TFileEditStyle", {"fsEdit", "fsComboBox"});
  return info;
}

HALBRIN_DEFINE_CLASS(TOpenDialogEx,
                     .Property("fileName", &TOpenDialog::FileName,
                               [](TOpenDialogEx& self, const std::string& name) { self.SetFileName(name); })
                     .Property("files", &TOpenDialogEx::FilesList)
                     .Stored(false)
                     .Property("places", [](const TOpenDialogEx& self) { return &self.Places(); }, &TOpenDialogEx::SetPlaces)
                     .Owned()
                     .Property("okText", &TOpenDialogEx::OkText, &TOpenDialogEx::SetOkText)
                     .Property("filterEnabled", &TOpenDialogEx::FilterEnabled, &TOpenDialogEx::SetFilterEnabled)
                     .Property("autoNormalize", &TOpenDialogEx::AutoNormalize, &TOpenDialogEx::SetAutoNormalize)
                     .Property("font", [](const TOpenDialogEx& self) { return &self.Font(); }, &TOpenDialogEx::SetFont)
                     .Owned()
                     .Enum("fileEditStyle", &TOpenDialogEx::FileEditStyle, &TOpenDialogEx::SetFileEditStyle,
                           FileEditStyleInfo())
                     .Property("version", &TOpenDialogEx::Version)
                     .Stored(false)
                     .Event("onExecute", &TOpenDialogEx::OnExecute, "TNotifyEvent")
                     .Property("eventData", &TOpenDialogEx::GetEventData, &TOpenDialogEx::SetEventData)
                     .Stored(false)
                     .Property(
                         "events", [](const TOpenDialogEx& self) { return const_cast<TOpenDialogEx&>(self).GetEvents(); },
                         [](TOpenDialogEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TOpenDialogEx::GetExec, &TOpenDialogEx::SetExec)
                     .Stored(false)
                     .Handler("showHandler", &TOpenDialogEx::showHandler)
                     .Handler("closeHandler", &TOpenDialogEx::closeHandler)
                     .Handler("canCloseHandler", &TOpenDialogEx::canCloseHandler)
                     .Handler("folderChangeHandler", &TOpenDialogEx::folderChangeHandler)
                     .Handler("includeItemHandler", &TOpenDialogEx::includeItemHandler)
                     .Handler("selectionChangeHandler", &TOpenDialogEx::selectionChangeHandler)
                     .Handler("typeChangeHandler", &TOpenDialogEx::typeChangeHandler)
                     .Handler("executeHandler", &TOpenDialogEx::executeHandler))

HALBRIN_DEFINE_CLASS(TSaveDialogEx, )

void AssignDesktopMessageFont(TFont& font) { font.SetSpec(CurrentDesktopService().ElementFont(TDesktopFont::Status)); }

std::string PangoFontText(const TFont& font) {
  std::string text = font.Name();
  if (font.Style() & fsBold) text += " Bold";
  if (font.Style() & fsItalic) text += " Italic";
  return text + " " + std::to_string(font.Size());
}

int SystemMajorVersion() {
  utsname name{};
  if (uname(&name) != 0) return 0;
  return std::atoi(name.release);
}

TOpenDialogEx::TOpenDialogEx(TComponent* owner)
    : Inherited(owner), m_places(std::make_unique<TOpenDialogPlaces>(this)), m_font(std::make_unique<TFont>()) {
  AssignDesktopMessageFont(*m_font);
  ApplicationHooks().RegisterComponent(*this);
}

TOpenDialogEx::~TOpenDialogEx() {
  m_execResult = Variant::Null();
}

void TOpenDialogEx::SetFileName(const std::string& fileName) {
  if (!m_autoNormalize) {
    TOpenDialog::SetFileName(fileName);
    return;
  }
  const std::string path = WithSlashes(fileName);
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  TOpenDialog::SetFileName(folder + ReplaceInvalidFileNameChars(name, "_"));
}

TStringListEx* TOpenDialogEx::FilesList() const {
  if (!m_filesList) m_filesList = std::make_unique<TStringListEx>();
  const TStringList& files = Files();
  m_filesList->Clear();
  for (int i = 0; i < files.Count(); ++i) m_filesList->Add(files.Strings(i));
  return m_filesList.get();
}

void TOpenDialogEx::SetPlaces(TOpenDialogPlaces* places) {
  if (places && places != m_places.get()) m_places->Assign(*places);
}

void TOpenDialogEx::SetFont(TFont* font) {
  if (font && font != m_font.get()) m_font->Assign(*font);
}

TFileDialogRequest TOpenDialogEx::BuildRequest() const {
  TFileDialogRequest request = TOpenDialog::BuildRequest();
  request.okText = m_okText;
  request.filterEnabled = m_filterEnabled;
  request.font = PangoFontText(*m_font);
  const TPlaceShortcuts shortcuts = PlaceShortcutsOf(*m_places, NetworkPlaceSupported());
  request.shortcutFolders = shortcuts.folders;
  request.shortcutUris = shortcuts.uris;
  // A file that does not exist is no preselection; its folder still starts the dialog.
  return request;
}

bool TOpenDialogEx::Execute() {
  if (!TOpenDialog::Execute()) return false;
  OnExecute(this);
  return true;
}

Variant TOpenDialogEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEventWithData(*this, *this, name, args, sender);
}

void TOpenDialogEx::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  // A value without a text (an object, an array) names no file: the dialog just runs.
  const bool named = value.IsString() || !word.empty();
  if (named && !SameText(word, ":execute") && !SameText(word, ":show")) SetFileName(word);
  m_execResult = Execute();
}

void TOpenDialogEx::showHandler(TObject*) {
  const Variant args[] = {Variant(m_firstShow)};
  m_firstShow = false;
  FireEvent("show", args, nullptr);
}

void TOpenDialogEx::closeHandler(TObject*) { FireEvent("close", {}, nullptr); }

void TOpenDialogEx::canCloseHandler(TObject*, bool& canClose) {
  canClose = ScriptResultAsBoolean(FireEvent("canclose", {}, nullptr), true);
}

void TOpenDialogEx::folderChangeHandler(TObject*) {
  const Variant args[] = {Variant(CurrentFolder())};
  FireEvent("folderchange", args, nullptr);
}

void TOpenDialogEx::includeItemHandler(TObject*, const std::string& path, bool& include) {
  const Variant args[] = {Variant(path)};
  include = ScriptResultAsBoolean(FireEvent("includeitem", args, nullptr), true);
}

void TOpenDialogEx::selectionChangeHandler(TObject*) { FireEvent("selectionchange", {}, nullptr); }

void TOpenDialogEx::typeChangeHandler(TObject*) {
  const Variant args[] = {Variant(FilterIndex())};
  FireEvent("typechange", args, nullptr);
}

void TOpenDialogEx::executeHandler(TObject*) {
  const Variant args[] = {Variant(FileName()), Variant(FilterIndex())};
  FireEvent("execute", args, nullptr);
}

}  // namespace halbrin
