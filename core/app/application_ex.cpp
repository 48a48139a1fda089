#include "core/app/application_ex.h"

#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <csignal>

#include "core/app/client.h"
#include "core/app/command_line.h"
#include "core/app/hand_over.h"
#include "core/app/program_main.h"
#include "core/app/project_info.h"
#include "core/app/project.h"
#include "core/foundation/message_box.h"
#include "core/foundation/paths.h"
#include "core/foundation/string_object_list.h"
#include "core/framework/component_types.h"
#include "core/framework/component_wrappers.h"
#include "core/framework/script_events.h"
#include "core/scripting/default_script_handlers.h"
#include "core/scripting/script_cache.h"
#include "core/scripting/script_defaults.h"
#include "core/scripting/script_folders.h"
#include "platform/graphics/picture.h"
#include "core/scripting/script_host.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/controls/win_control.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/services/dialog_service.h"
#include "platform/services/desktop_service.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

TApplicationEx*& CurrentApplication() {
  static TApplicationEx* current = nullptr;
  return current;
}

// The one GetApplicationEx made, and whether it is being destroyed.
std::unique_ptr<TApplicationEx>& OwnedApplication() {
  static std::unique_ptr<TApplicationEx> owned;
  return owned;
}

bool& ApplicationDestroying() {
  static bool destroying = false;
  return destroying;
}

THeadlessApplicationUi& HeadlessUi() {
  static THeadlessApplicationUi ui;
  return ui;
}

constexpr const char* ObjectName(TApplicationObject kind) {
  switch (kind) {
    case TApplicationObject::OpenDialog: return "open dialog";
    case TApplicationObject::SaveDialog: return "save dialog";
    case TApplicationObject::FolderDialog: return "folder dialog";
    case TApplicationObject::FontDialog: return "font dialog";
    case TApplicationObject::Images: return "image list";
    case TApplicationObject::Clipboard: return "clipboard";
    case TApplicationObject::Skins: return "skin manager";
  }
  return "object";
}

[[noreturn]] void RaiseNotAvailable(std::string_view name) {
  throw EApplicationError("The application's " + std::string(name) + " is not available");
}

TStringObjectListEx* FontsGetter(const TApplicationEx& self) { return &const_cast<TApplicationEx&>(self).Fonts(); }

template <TApplicationObject Kind>
platform::TComponent* ObjectGetter(const TApplicationEx& self) {
  return &const_cast<TApplicationEx&>(self).GetObject(Kind);
}

template <TApplicationComponents& (TApplicationEx::*List)()>
TApplicationComponents* ListGetter(const TApplicationEx& self) {
  return &(const_cast<TApplicationEx&>(self).*List)();
}

}  // namespace

HALBRIN_DEFINE_CLASS(
    TApplicationEx,
    .Property("active", &TApplicationEx::Active, &TApplicationEx::SetActive)
    .Stored(false)
    .Property("busyCursor", &TApplicationEx::BusyCursor, &TApplicationEx::SetBusyCursor)
    .TypeName("TCursor")
    .Default(Variant(crHourGlass))
    .Property("color", &TApplicationEx::Color, &TApplicationEx::SetColor)
    .TypeName("TColor")
    .Default(Variant(clDefault))
    .Property("cursor", &TApplicationEx::Cursor, &TApplicationEx::SetCursor)
    .TypeName("TCursor")
    .Stored(false)
    .Property("defaultScript", &TApplicationEx::DefaultScript, &TApplicationEx::SetDefaultScript)
    .Property("exeName", &TApplicationEx::ExeName)
    .Property("helpFile", &TApplicationEx::HelpFile, &TApplicationEx::SetHelpFile)
    .Property("clipboard", &ObjectGetter<TApplicationObject::Clipboard>)
    .Stored(false)
    .Property("images", &ObjectGetter<TApplicationObject::Images>)
    .Stored(false)
    .Property("components", &ListGetter<&TApplicationEx::Components>)
    .Stored(false)
    .Property("windows", &ListGetter<&TApplicationEx::Windows>)
    .Stored(false)
    .Property("browsers", &ListGetter<&TApplicationEx::Browsers>)
    .Stored(false)
    .Property("dataProviders", &ListGetter<&TApplicationEx::DataProviders>)
    .Stored(false)
    .Property("openDialog", &ObjectGetter<TApplicationObject::OpenDialog>)
    .Stored(false)
    .Property("fileOpenDialog", &ObjectGetter<TApplicationObject::OpenDialog>)
    .Stored(false)
    .Property("saveDialog", &ObjectGetter<TApplicationObject::SaveDialog>)
    .Stored(false)
    .Property("fileSaveDialog", &ObjectGetter<TApplicationObject::SaveDialog>)
    .Stored(false)
    .Property("folderDialog", &ObjectGetter<TApplicationObject::FolderDialog>)
    .Stored(false)
    .Property("fontDialog", &ObjectGetter<TApplicationObject::FontDialog>)
    .Stored(false)
    .Property("silent", &TApplicationEx::Silent, &TApplicationEx::SetSilent)
    .Default(Variant(false))
    .Property("eLog", &TApplicationEx::ELog, &TApplicationEx::SetELog)
    .Property("skins", &ObjectGetter<TApplicationObject::Skins>)
    .Stored(false)
    .Property("scriptCache", &TApplicationEx::ScriptCache)
    .Stored(false)
    .Property("fonts", &FontsGetter)
    .Stored(false)
    .Property("hintFont", [](const TApplicationEx& self) { return &const_cast<TApplicationEx&>(self).HintFont(); })
    .Stored(false)
    .Property("menuFont", [](const TApplicationEx& self) { return &const_cast<TApplicationEx&>(self).MenuFont(); })
    .Stored(false)
    // Written only: a read gives Empty.
    .Property("image", [](const TApplicationEx&) { return Variant(); }, &TApplicationEx::SetImage)
    .Stored(false)
    .Property("handle", &TApplicationEx::Handle)
    .Stored(false)
    .Property("mainForm", [](const TApplicationEx& self) { return const_cast<TApplicationEx&>(self).MainForm(); })
    .Stored(false)
    .Property("forms", [](const TApplicationEx& self) { return &const_cast<TApplicationEx&>(self).Forms(); })
    .Stored(false)
    .Property("terminated", &TApplicationEx::Terminated, &TApplicationEx::SetTerminated)
    .Stored(false)
    .Property("title", &TApplicationEx::Title, &TApplicationEx::SetTitle)
    .Property("startTime", &TApplicationEx::StartTime)
    .Stored(false)
    .Property("shiftState", &TApplicationEx::ShiftState)
    .Stored(false)
    .Property("buttonState", &TApplicationEx::ButtonState)
    .Stored(false)
    .Event("OnCreateComponent", &TApplicationEx::m_onCreateComponent, "TCreateComponentEvent")
    .Event("onApplyFile", &TApplicationEx::m_onApplyFile, "TApplyFileEvent")
    .Event("onLoad", &TApplicationEx::m_onLoad, "TNotifyEvent")
    .Event("onUnload", &TApplicationEx::m_onUnload, "TNotifyEvent")
    .Handler("applyFileHandler", &TApplicationEx::applyFileHandler)
    .Handler("loadHandler", &TApplicationEx::loadHandler)
    .Handler("unloadHandler", &TApplicationEx::unloadHandler)
    .Handler("createComponentHandler", &TApplicationEx::createComponentHandler)
    .Handler("controlCreateComponent", &TApplicationEx::controlCreateComponent)
    .Handler("skinAddItem", &TApplicationEx::skinAddItem)
    .Handler("componentExecute", &TApplicationEx::componentExecute)
    .Handler("skinButtonEventParameters", &TApplicationEx::skinButtonEventParameters)
    .Handler("skinsUpdateSystemColors", &TApplicationEx::skinsUpdateSystemColors)
    .Handler("ApplicationActivate", &TApplicationEx::ApplicationActivate)
    .Handler("ApplicationDeactivate", &TApplicationEx::ApplicationDeactivate))

std::optional<int> StartScriptExitCode(const Variant& result) {
  if (result.IsBool() || !result.IsOrdinal()) return std::nullopt;
  const std::int64_t code = result.ToInt64();
  if (code == 0) return std::nullopt;
  return code >= 1 && code <= 255 ? static_cast<int>(code) : 255;
}

// ------------------------------------------------------------- construction

namespace {
std::array<TApplicationObjectFactory, kApplicationObjectCount>& DefaultObjectFactories() {
  static std::array<TApplicationObjectFactory, kApplicationObjectCount> factories;
  return factories;
}
}  // namespace

void SetDefaultObjectFactory(TApplicationObject kind, TApplicationObjectFactory factory) {
  DefaultObjectFactories()[static_cast<std::size_t>(kind)] = std::move(factory);
}

TApplicationEx::TApplicationEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner),
      m_loop(MainEventLoop()),
      m_ui(DefaultApplicationUi() ? DefaultApplicationUi() : &HeadlessUi()),
      m_screenForms(std::make_unique<TApplicationComponents>()),
      m_activateTimer(m_loop, kProjectMessageDelayMs, [this] { RequestIdleAction(iaActivate); }),
      m_handOverTimer(m_loop, kProjectMessageDelayMs, [this] { RequestIdleAction(iaHandOver); }),
      m_idle(m_loop, [this] { ApplicationIdle(); }) {
  m_factories = DefaultObjectFactories();
  if (!CurrentApplication()) {
    CurrentApplication() = this;
    m_singleton = true;
  }
  m_activateTimer.SetOneShot(true);
  m_handOverTimer.SetOneShot(true);
  m_startTime = NowOleDate();
  SetELog(true);
  if (m_singleton) {
    TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
    defaults.SetOnGetSource(defaultScriptGetSource);
    defaults.SetOnSetObjects(defaultScriptSetObjects);
    defaults.NamedObjectSources().client = [] { return RefPtr<IDispatchObject>(GetClient()); };
    m_previousHooks = SetApplicationHooks(this);
  }
  if (m_singleton) RegisterCoreComponentTypes();
  ApplyApplicationColor();
  ReadCommandLineOptions();
}

TApplicationEx::~TApplicationEx() {
  // The forms first, while the client, the hooks and the skin manager are
  // still there; terminating, so none of their bindings runs.
  m_terminated = true;
  FreeForms();
  if (m_singleton) {
    // Scripts that still hold the client find no application from here on.
    ReleaseClient();
    if (HasScriptControlDefaultImplementation())
      GetScriptControlDefaultImplementation().NamedObjectSources().client = nullptr;
    CurrentApplication() = nullptr;
    SetApplicationHooks(m_previousHooks);
    DropAsyncScriptEvents();
  }
  ClearIdleActions();
  for (std::size_t i = 0; i < kApplicationObjectCount; ++i) FreeObject(static_cast<TApplicationObject>(i));
  // The lists are owned components: they go with the inherited destruction.
  m_logger.reset();
}

TApplicationEx* GetApplicationEx() {
  if (TApplicationEx* current = CurrentApplication()) return current;
  if (ApplicationDestroying()) return nullptr;
  OwnedApplication() = std::make_unique<TApplicationEx>();
  return OwnedApplication().get();
}

bool ApplicationExExists() noexcept { return CurrentApplication() != nullptr; }

void FreeApplicationEx() {
  if (!OwnedApplication()) return;
  ApplicationDestroying() = true;
  OwnedApplication().reset();
  ApplicationDestroying() = false;
}

std::string GetRegistryKeyPath(std::string_view subKey) {
  std::string title;
  if (TApplicationEx* app = CurrentApplication()) title = app->Title();
  for (char& c : title)
    if (c == '\\') c = '_';
  std::string path = "Software\\Zebrin\\" + title;
  if (!subKey.empty()) path += "\\" + std::string(subKey);
  return path;
}

// --------------------------------------------------------------- registries

TApplicationComponents& TApplicationEx::List(TApplicationComponents*& list) {
  if (!list) {
    list = &MakeComponent<TApplicationComponents>(*this);
    FreeNotification(list);
    if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, list);
  }
  return *list;
}

void TApplicationEx::FreeList(TApplicationComponents*& list) {
  if (!list) return;
  TApplicationComponents* doomed = list;
  doomed->Clear();
  list = nullptr;
  TComponent::Free(*doomed);
}

TApplicationComponents& TApplicationEx::Components() { return List(m_components); }
TApplicationComponents& TApplicationEx::Windows() { return List(m_windows); }
TApplicationComponents& TApplicationEx::Browsers() { return List(m_browsers); }
TApplicationComponents& TApplicationEx::DataProviders() { return List(m_dataProviders); }

void TApplicationEx::RegisterComponent(TComponent& component) {
  if (&component == this || IsDestroying()) return;
  if (ApplicationComponentHooks().IsForm(component)) {
    AddScreenForm(component);
    return;
  }
  Components().Add(&component);
  if (dynamic_cast<const platform::TWinControl*>(&component)) Windows().Add(&component);
}

void TApplicationEx::RegisterWindow(TComponent& component) { Windows().Add(&component); }
void TApplicationEx::RegisterBrowser(TComponent& component) { Browsers().Add(&component); }
void TApplicationEx::RegisterDataProvider(TComponent& component) { DataProviders().Add(&component); }

void TApplicationEx::Notification(TComponent* component, TOperation operation) {
  TCustomExecutableComponentEx::Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  for (TApplicationComponents** list : {&m_components, &m_windows, &m_browsers, &m_dataProviders})
    if (*list == component) *list = nullptr;
  for (TComponent*& object : m_objects)
    if (object == component) object = nullptr;
  if (component == m_forms) m_forms = nullptr;
  if (component == m_mainForm) {
    // Freeing the main form ends the loop ("release", free, its owner's clear).
    m_mainForm = nullptr;
    ApplicationComponentHooks().MainFormChanged(nullptr);
    Terminate();
  }
}

// -------------------------------------------------------------------- forms

void TApplicationEx::AddScreenForm(TComponent& form) {
  if (m_formsGone) return;
  m_screenForms->Add(&form);
  if (m_mainForm || m_terminated) return;
  m_mainForm = &form;
  FreeNotification(&form);
  ApplicationComponentHooks().MainFormChanged(&form);
  skinsUpdateSystemColors(this);
}

platform::TComponent* TApplicationEx::MainForm() { return m_mainForm; }

TCustomApplicationComponents* TApplicationEx::FormList() { return m_formsGone ? nullptr : &Forms(); }

TApplicationForms& TApplicationEx::Forms() {
  if (!m_forms) {
    m_forms = &MakeComponent<TApplicationForms>(*this, *m_screenForms, [this] { return m_mainForm; });
    FreeNotification(m_forms);
    if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, m_forms);
  }
  return *m_forms;
}

void TApplicationEx::FreeFormsView() {
  if (!m_forms) return;
  TApplicationForms* doomed = m_forms;
  m_forms = nullptr;
  TComponent::Free(*doomed);
}

platform::TComponent* TApplicationEx::CreateForm(const std::string& name, const std::string& type) {
  const bool isFloat = SameText(type, "float");
  if (m_formsGone || (!isFloat && !SameText(type, "form"))) return nullptr;
  // A declaration of an existing form updates it: never a second one of that name.
  if (TComponent* existing = m_screenForms->ItemByName(name)) return existing;
  return ApplicationComponentHooks().CreateForm(*this, name, isFloat ? "float" : "form");
}

void TApplicationEx::MainFormClosed() { Terminate(); }

void TApplicationEx::FreeForms() {
  FreeFormsView();
  FreeFormsLastFirst(*m_screenForms, m_mainForm);
  if (m_mainForm) FreeListedComponent(*m_mainForm);
  m_formsGone = true;
}

void TApplicationEx::ShowFloatForms() {
  IApplicationComponentHooks& hooks = ApplicationComponentHooks();
  const bool above = !m_mainForm || !hooks.IsInModalLoop(*m_mainForm);
  for (int i = 0; i < m_screenForms->GetLength(); ++i) {
    TComponent& form = *m_screenForms->GetItem(i);
    if (hooks.IsFloatForm(form)) hooks.ShowFloatForm(form, above);
  }
}

void TApplicationEx::HideFloatForms() {
  IApplicationComponentHooks& hooks = ApplicationComponentHooks();
  for (int i = 0; i < m_screenForms->GetLength(); ++i) {
    TComponent& form = *m_screenForms->GetItem(i);
    if (hooks.IsFloatForm(form)) hooks.HideFloatForm(form);
  }
}

void TApplicationEx::ActivationChanged(bool active, bool toOwnWindow) {
  if (active) {
    ShowFloatForms();
    ApplicationActivate(this);
  } else if (toOwnWindow) {
    ShowFloatForms();
  } else {
    HideFloatForms();
  }
}

void TApplicationEx::ApplicationActivate(TObject*) {
  IApplicationComponentHooks& hooks = ApplicationComponentHooks();
  for (int i = 0; i < m_screenForms->GetLength(); ++i) {
    TComponent& form = *m_screenForms->GetItem(i);
    if (hooks.IsFloatForm(form)) hooks.RaiseFloatForm(form);
  }
}

void TApplicationEx::ApplicationDeactivate(TObject*) {}

void TApplicationEx::SetImage(const Variant& value) {
  if (LoadIconFromVariant(m_icon, value) != TIconLoadResult::Left) {
    ApplicationComponentHooks().SetApplicationIcon(m_icon.Image());
    return;
  }
  std::string text;
  try {
    text = value.ToText();
  } catch (const EVariantError&) {
    text = value.TypeName();
  }
  Log("TApplicationEx", Format("Icon \"%s\" not loaded", {text}));
}

std::int64_t TApplicationEx::Handle() const {
  return m_mainForm ? ApplicationComponentHooks().WindowHandle(*m_mainForm) : 0;
}

platform::TComponent* TApplicationEx::AvailableImages() {
  if (TComponent* images = FindObject(TApplicationObject::Images)) return images;
  if (!m_factories[static_cast<std::size_t>(TApplicationObject::Images)]) return nullptr;
  try {
    return &GetObject(TApplicationObject::Images);
  } catch (const EApplicationError&) {
    return nullptr;  // the factory made none
  }
}

void TApplicationEx::controlCreateComponent(TObject*, TComponent* component) {
  if (component) ApplicationComponentHooks().ControlCreateComponent(*component);
}

void TApplicationEx::skinAddItem(TObject* sender) {
  if (sender) ApplicationComponentHooks().SkinAddItem(*sender);
}

void TApplicationEx::componentExecute(TObject* sender) {
  if (!sender) return;
  const std::optional<TComponentCommand> command = ApplicationComponentHooks().ComponentCommand(*sender);
  if (!command || command->xml.empty()) return;
  try {
    TScriptEvent event;
    if (!command->script.empty()) event.SetScript(command->script);
    event.SetXml(command->xml);
    event.SetAsync(command->async);
    event.SetOnGetParameters([this, sender](TScriptEvent&) {
      Variant parameters;
      skinButtonEventParameters(sender, parameters);
      return parameters;
    });
    event.Execute();
  } catch (const std::exception& error) {
    ApplicationException(sender, error);
  }
}

void TApplicationEx::skinButtonEventParameters(TObject* sender, Variant& parameters) {
  parameters = sender ? ApplicationComponentHooks().SkinButtonEventParameters(*sender) : Variant();
}

void TApplicationEx::skinsUpdateSystemColors(TObject*) { ApplyApplicationColor(); }

// --------------------------------------------------------------- sub-objects

void TApplicationEx::SetObjectFactory(TApplicationObject kind, TApplicationObjectFactory factory) {
  m_factories[static_cast<std::size_t>(kind)] = std::move(factory);
}

platform::TComponent& TApplicationEx::GetObject(TApplicationObject kind) {
  const auto index = static_cast<std::size_t>(kind);
  if (TComponent* object = m_objects[index]) return *object;
  if (!m_factories[index]) RaiseNotAvailable(ObjectName(kind));
  std::unique_ptr<TComponent> made = m_factories[index]();
  if (!made) RaiseNotAvailable(ObjectName(kind));
  TComponent& object = InsertComponent(std::move(made));
  FreeNotification(&object);
  m_objects[index] = &object;
  if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, &object);
  return object;
}

platform::TComponent* TApplicationEx::FindObject(TApplicationObject kind) const noexcept {
  return m_objects[static_cast<std::size_t>(kind)];
}

void TApplicationEx::FreeObject(TApplicationObject kind) {
  TComponent*& object = m_objects[static_cast<std::size_t>(kind)];
  if (!object) return;
  TComponent* doomed = object;
  object = nullptr;
  if (doomed->Owner()) TComponent::Free(*doomed);
}

// ------------------------------------------------------------------- logging

void TApplicationEx::SetELog(bool value) {
  m_eLog = value;
  if (!value) {
    m_logger.reset();
    return;
  }
  const std::string path = ApplicationLogPath(ProjectInfo().id);
  if (m_logger && SameText(m_logger->Path(), path)) return;
  m_logger.reset();
  m_logger = OpenApplicationLog(ProjectInfo().id);
}

void TApplicationEx::Log(std::string_view className, std::string_view message) noexcept {
  if (m_logger && m_eLog) m_logger->WriteEntry(className, message);
}

void TApplicationEx::ApplicationException(TObject*, const std::exception& error) {
  if (dynamic_cast<const platform::EAbort*>(&error)) return;
  if (m_logger && m_eLog) m_logger->WriteException(error);
  if (!m_silent) ShowMessageBox(error.what(), -1);
}

void TApplicationEx::HandleException(TObject* sender, const std::exception& error) {
  ApplicationException(sender, error);
}

int TApplicationEx::MessageBox(const Variant& text, std::uint32_t flags, const std::string& caption) {
  std::string shown = caption.empty() ? m_title : caption;
  if (shown.empty()) shown = ProgramTitle;
  std::string body;
  try {
    body = text.ToText();
  } catch (const EVariantError&) {
  }
  return CurrentDialogService().MessageBox(body, shown, flags);
}

// ------------------------------------------------------------- later starts

void TApplicationEx::ProjectMessage(const InstanceMessage& message) {
  switch (message.kind) {
    case InstanceMessage::Kind::Activate:
      m_activateTimer.Start();
      break;
    case InstanceMessage::Kind::HandOver:
      PushHandOver(message);
      m_activateTimer.Start();
      m_handOverTimer.Start();
      break;
    case InstanceMessage::Kind::StateQuery:
      break;  // answered by the instance server itself
  }
}

bool TApplicationEx::ProjectMessageTimersActive() const {
  return m_activateTimer.Active() || m_handOverTimer.Active();
}

void TApplicationEx::RequestIdleAction(unsigned action) {
  m_idleActions |= action;
  m_idle.Schedule();
}

void TApplicationEx::ApplicationIdle() {
  try {
    if (m_idleActions & iaActivate) {
      m_idleActions &= ~iaActivate;
      RunActivation();
    }
    if (m_idleActions & iaHandOver) {
      m_idleActions &= ~iaHandOver;
      RunHandOver();
    }
  } catch (const std::exception& error) {
    ApplicationException(this, error);
  }
}

void TApplicationEx::RunActivation() { m_ui->BringToFront(); }

void TApplicationEx::RequestActivation() { m_activateTimer.Start(); }

void TApplicationEx::RunHandOver() {
  const Variant file = ReadHandOver("file");
  // Another start may have handed over meanwhile: its turn comes next.
  if (HandOverPending()) RequestIdleAction(iaHandOver);
  ApplyFile(GetLongPathNameText(file.IsString() ? file.AsString() : std::string()));
}

void TApplicationEx::ClearIdleActions() {
  m_idleActions = 0;
  m_idle.Cancel();
  m_activateTimer.Stop();
  m_handOverTimer.Stop();
}

void TApplicationEx::ApplyFile(const std::string& fileName) {
  if (!fileName.empty()) DoApplyFile(fileName);
}

void TApplicationEx::DoApplyFile(const std::string& fileName) {
  if (m_onApplyFile.Assigned()) m_onApplyFile(this, fileName);
}

void TApplicationEx::DoLoad() {
  if (m_onLoad.Assigned()) m_onLoad(this);
}

void TApplicationEx::DoUnload() {
  if (m_onUnload.Assigned()) m_onUnload(this);
}

void TApplicationEx::applyFileHandler(TObject*, const std::string& fileName) {
  const Variant args[] = {Variant(fileName)};
  FireEvent("applyfile", args, nullptr);
}

void TApplicationEx::loadHandler(TObject*) { FireEvent("load"); }

void TApplicationEx::unloadHandler(TObject*) { FireEvent("unload"); }

void TApplicationEx::createComponentHandler(TObject*, TComponent* component) {
  const Variant args[] = {WrapObject(component)};
  FireEvent("createcomponent", args, nullptr);
}

// -------------------------------------------------------------- command line

void TApplicationEx::ReadCommandLineOptions() {
  m_eventDefaults = ReadScriptEventDefaults();
  if (SwitchIs("scripts", "transient")) SetTransientScripts(true);
}

// ------------------------------------------------------------------ project

Variant TApplicationEx::StartProject() {
  SetELog(true);
  SetScriptFolders({ProjectInfo().folder, ApplicationFolder()});
  SetPictureFolder(ProjectInfo().folder);
  Variant result;
  m_startFailed = false;
  try {
    RefPtr<IDispatchObject> project =
        m_projectObjectFactory ? m_projectObjectFactory() : RefPtr<IDispatchObject>(GetApplicationProject());
    const Variant args[] = {Variant(project)};
    result = halbrin::RunScriptProcedure(ProjectInfo().script, "main", args, kScriptSourceFile);
  } catch (const std::exception& error) {
    // Shown and logged; start-up goes on.
    m_startFailed = true;
    if (m_logger) m_logger->WriteException(error);
    ShowMessageBox(error.what(), -1);
  }
  if (!StartedAsAutomationServer()) {
    if (const std::optional<int> code = StartScriptExitCode(result)) {
      RequestExit(*code);
      return result;
    }
  }
  ProjectInfo().state = PROJECT_STATE_COMPLETED;
  DoLoad();
  if (m_openFileAtStart) {
    m_openFileAtStart = false;
    ApplyFile(GetLongPathNameText(GetSwitch("file")));
  }
  return result;
}

void TApplicationEx::OpenProject(const std::string& id, const std::string& folder) {
  // The descriptor is read afresh from the folder the project keeps; nothing
  // else resolves the folder again.
  const std::string keep = folder.empty() ? ProjectInfo().folder : folder;
  LoadProjectInfo(id, keep);
  ProjectInfo().folder = keep;
  ProjectInfo().state = PROJECT_STATE_LOADED;
  ProjectInfo().state = PROJECT_STATE_INTERACTIVE;
  StartProject();
}

void TApplicationEx::CloseProject() {
  DoUnload();
  m_title.clear();
  FreeProjectComponents();
  // The kept main form loses what the project put in it before the skin manager goes.
  if (m_mainForm) {
    ApplicationComponentHooks().ClearMainForm(*m_mainForm);
    m_ui->HideMainForm();
  }
  FreeObject(TApplicationObject::Skins);
  // Nothing of the closed project may run against the next one.
  DropAsyncScriptEvents();
  ClearIdleActions();
  while (HandOverPending()) ReadHandOver("file");
  if (HasScriptControlDefaultImplementation() && GetScriptControlDefaultImplementation().HasCache())
    GetScriptControlDefaultImplementation().Cache().Clear();
  InitProjectInfo(ProjectInfo());
  // Script names resolve in the program's folder until a project opens again.
  SetScriptFolders({});
  SetPictureFolder({});
  m_cursorChanges = 0;
  ExecResult() = Variant();
  m_silent = false;
  m_defaultScript = "actions.js";
}

void TApplicationEx::FreeProjectComponents() {
  FreeEvents();
  // Every form but the main one (keepMain), then the view. The forms go even
  // when no script read `forms`: declarations in other components make them too.
  if (m_forms) m_forms->SetKeepMain(true);
  FreeFormsLastFirst(*m_screenForms, m_mainForm);
  FreeFormsView();
  FreeObject(TApplicationObject::Images);
  FreeObject(TApplicationObject::Clipboard);
  FreeList(m_components);
  FreeList(m_browsers);
  FreeList(m_dataProviders);
  FreeList(m_windows);
  FreeObject(TApplicationObject::FolderDialog);
  FreeObject(TApplicationObject::FontDialog);
  m_fonts.reset();
  FreeObject(TApplicationObject::OpenDialog);
  FreeObject(TApplicationObject::SaveDialog);
}

// ------------------------------------------------------------ message loop

void TApplicationEx::Run() {
  if (m_terminated || m_exitCode || !m_ui->HasMainForm()) return;
  m_runLoop.reset(g_main_loop_new(nullptr, FALSE));
  auto quit = [](gpointer data) -> gboolean {
    static_cast<TApplicationEx*>(data)->Terminate();
    return G_SOURCE_CONTINUE;
  };
  const guint term = g_unix_signal_add(SIGTERM, quit, this);
  const guint interrupt = g_unix_signal_add(SIGINT, quit, this);
  g_main_loop_run(m_runLoop.get());
  g_source_remove(term);
  g_source_remove(interrupt);
  m_runLoop.reset();
}

void TApplicationEx::Terminate() {
  m_terminated = true;
  ApplicationComponentHooks().EndModalLoops();
  if (m_runLoop) g_main_loop_quit(m_runLoop.get());
}

int TApplicationEx::RunProject() {
  StartProject();
  // A start that failed and left no form to run is a failed run.
  const bool failed = m_startFailed && !m_ui->HasMainForm();
  Run();
  return m_exitCode.value_or(failed ? 1 : 0);
}

void TApplicationEx::SetTerminated(bool terminated) {
  if (terminated) Terminate();
}

void TApplicationEx::RequestExit(int code) {
  m_exitCode = code;
  Terminate();
}

// -------------------------------------------------------------------- exec

void TApplicationEx::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  ExecResult() = true;
  if (SameText(word, "minimize")) {
    m_ui->Minimize();
  } else if (SameText(word, "restore")) {
    m_ui->Restore();
  } else if (SameText(word, "activate")) {
    m_ui->BringToFront();
  } else if (SameText(word, "focus")) {
    ExecResult() = m_ui->Focus();
  } else if (SameText(word, "terminate")) {
    Terminate();
  } else if (SameText(word, "close")) {
    if (!m_ui->CloseMainForm()) Terminate();
  } else if (SameText(word, "release")) {
    if (m_logger) m_logger->Write("");
    ::_exit(0);
  } else if (SameText(word, "processmessages")) {
    m_ui->ProcessMessages();
  } else if (SameText(word, "savecursor")) {
    m_savedCursor = m_cursor;
    m_savedCursorChanges = m_cursorChanges;
    // Not counted: restorecursor must see only the script's own changes.
    ApplyCursor(m_busyCursor);
  } else if (SameText(word, "restorecursor")) {
    ApplyCursor(m_cursorChanges != m_savedCursorChanges ? crDefault : m_savedCursor);
  } else {
    TCustomExecutableComponentEx::SetExec(value);
  }
}

// ------------------------------------------------------------------ values

void TApplicationEx::SetUi(IApplicationUi* ui) noexcept { m_ui = ui ? ui : &HeadlessUi(); }

bool TApplicationEx::Active() const { return m_ui->IsActive(); }

void TApplicationEx::SetActive(bool active) {
  if (active) m_ui->BringToFront();
}

void TApplicationEx::SetCursor(int cursor) {
  ++m_cursorChanges;
  ApplyCursor(cursor);
}

void TApplicationEx::ApplyCursor(int cursor) {
  m_cursor = cursor;
  m_ui->SetCursor(cursor);
}

void TApplicationEx::SetColor(TColor color) {
  m_color = color;
  ApplyApplicationColor();
  if (m_mainForm) ApplicationComponentHooks().RefreshSkin(*m_mainForm);
}

void TApplicationEx::ApplyApplicationColor() {
  if (m_color == clDefault) {
    const TApplicationSystemColors system = m_ui->SystemColors();
    const TColor base = system.background == system.captionText ? system.activeCaption : system.background;
    m_colors = {BlendColor(base, system.window, 2, 5), BlendColor(base, system.windowText, 2, 5)};
  } else if (m_color == clNone) {
    m_colors = {0, 0};
  } else {
    m_colors = {m_color, BlendColor(m_color, 0, 2, 5)};
  }
  if (TComponent* skins = FindObject(TApplicationObject::Skins))
    ApplicationComponentHooks().SkinsUpdateSystemColors(*skins, m_colors[0]);
}

Variant TApplicationEx::ProjectAttribute(std::string_view name) {
  RefPtr<TApplicationProject> project = GetApplicationProject();
  if (SameText(name, "folder")) return Variant(project->Folder());
  if (SameText(name, "id")) return Variant(project->Id());
  const Variant value = MakeRef<TProjectAttributes>(project->Folder())->Item(Variant(std::string(name)));
  return value.IsEmpty() ? Variant::Null() : value;
}

std::string TApplicationEx::ExeName() const { return GetApplicationFileName(); }

TScriptCache* TApplicationEx::ScriptCache() const { return &GetScriptControlDefaultImplementation().Cache(); }

TStringObjectListEx& TApplicationEx::Fonts() {
  if (!m_fonts) m_fonts = std::make_unique<TStringObjectListEx>();
  const std::vector<std::string> names = platform::CurrentDesktopService().FontFamilies();
  TStrings::TUpdateScope update(*m_fonts);
  m_fonts->Clear();
  for (const std::string& name : names) m_fonts->Add(name);
  return *m_fonts;
}

namespace {
// `font` as the desktop's element font now is; stock names become the desktop's face.
platform::TFont& RefilledFont(std::unique_ptr<platform::TFont>& font, platform::TDesktopFont element) {
  if (!font) font = std::make_unique<platform::TFont>();
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  platform::TFontSpec spec = desktop.ElementFont(element);
  spec.name = platform::FontFamilyFor(spec.name, desktop.ElementFont(platform::TDesktopFont::Menu).name);
  font->SetSpec(spec);
  return *font;
}
}  // namespace

platform::TFont& TApplicationEx::HintFont() { return RefilledFont(m_hintFont, platform::TDesktopFont::Status); }
platform::TFont& TApplicationEx::MenuFont() { return RefilledFont(m_menuFont, platform::TDesktopFont::Menu); }

}  // namespace halbrin
