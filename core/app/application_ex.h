#pragma once

// The application object: the one object through which scripts and
// components reach the running program. It keeps the lists of what the
// project made, logs and shows unhandled errors, answers later starts of the
// project (activation, then the hand-over of their "file:" value on the next
// idle), and starts and closes the project.

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/app/application_component_hooks.h"
#include "core/app/application_forms.h"
#include "core/app/application_ui.h"
#include "core/app/single_instance.h"
#include "core/foundation/colors.h"
#include "core/foundation/icon_loader.h"
#include "core/foundation/logger.h"
#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "platform/automation/dispatch_object.h"
#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"
#include "platform/classes/method.h"
#include "platform/graphics/font.h"
#include "platform/eventloop/event_loop.h"
#include "platform/eventloop/idle_source.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin {

class TScriptCache;
class TStringObjectListEx;

HALBRIN_EXCEPTION(EApplicationError, platform::Exception);

// (Sender, file name)
using TApplyFileEvent = platform::TEvent<platform::TObject*, const std::string&>;
// (Sender, the sub-object the application object just made)
using TCreateComponentEvent = platform::TEvent<platform::TObject*, platform::TComponent*>;

// The sub-objects made on first use. Their classes come with later parts of
// the program, which install a factory for each (SetObjectFactory).
enum class TApplicationObject : std::uint8_t { OpenDialog, SaveDialog, FolderDialog, FontDialog, Images, Clipboard, Skins };
inline constexpr std::size_t kApplicationObjectCount = 7;
using TApplicationObjectFactory = std::function<std::unique_ptr<platform::TComponent>()>;

// The factories every application object starts with (its constructor copies
// them); the program's entry fills them before the application exists.
void SetDefaultObjectFactory(TApplicationObject kind, TApplicationObjectFactory factory);

// What the start script's "main" receives as its argument.
using TProjectObjectFactory = std::function<platform::RefPtr<platform::IDispatchObject>()>;

// The idle actions, run in this order when both are pending.
enum TIdleAction : unsigned { iaActivate = 0x1, iaHandOver = 0x2 };
// A later start's message waits this long before its idle action is asked for.
inline constexpr std::uint32_t kProjectMessageDelayMs = 100;

// The exit code a start script's result asks for: an integer other than 0
// (1..255 as it is, any other value 255); nothing for 0 and for any other kind
// (7.5, "7", true).
std::optional<int> StartScriptExitCode(const platform::Variant& result);

class TApplicationEx : public TCustomExecutableComponentEx, public IApplicationHooks {
  HALBRIN_CLASS(TApplicationEx, TCustomExecutableComponentEx)

  // The first one made becomes the process's application object: it opens
  // the log, installs itself as the framework's hooks and the script host's
  // handlers, and reads the command-line options. Made on the main loop's
  // thread; the loop (MainEventLoop()) must outlive it.
  explicit TApplicationEx(platform::TComponent* owner = nullptr);
  // Frees every form first (the last first, the main form last; no binding
  // runs then), then lets go of the client, the hooks, the sub-objects, the
  // lists (the components in them belong to their owners) and the log, last.
  ~TApplicationEx() override;

  std::string GetTypeName() const override { return "application"; }

  // --- Registries. Each list is made on first use and lists without owning.
  // Every component of the framework registers itself when made: a form
  // (ApplicationComponentHooks().IsForm) joins the screen's forms only, any
  // other component `components`, and a windowed control `windows` too.
  void RegisterComponent(platform::TComponent& component) override;
  void RegisterWindow(platform::TComponent& component);
  void RegisterBrowser(platform::TComponent& component);
  void RegisterDataProvider(platform::TComponent& component);
  TApplicationComponents& Components();
  platform::TComponent* ApplicationComponent() override { return this; }
  TCustomApplicationComponents* RegisteredComponents() override { return &Components(); }
  platform::Variant ProjectAttribute(std::string_view name) override;
  TApplicationComponents& Windows();
  TApplicationComponents& Browsers();
  TApplicationComponents& DataProviders();
  // Null while the application goes.
  TApplicationComponents* DataProviderList() override { return IsDestroying() ? nullptr : &DataProviders(); }

  // --- Forms. The screen's forms are every registered form in the order
  // made; the first one registered becomes the main form (and the system
  // colours are applied once). `forms` is a view of them, made on first use.
  platform::TComponent* MainForm() override;
  TCustomApplicationComponents* FormList() override;
  TApplicationForms& Forms();
  const TApplicationComponents& ScreenForms() const noexcept { return *m_screenForms; }
  // "form" or "float" (letter case ignored) owned by the application, made by
  // the forms layer; the form of that name when one exists; null for another
  // type or while forms cannot be made.
  platform::TComponent* CreateForm(const std::string& name, const std::string& type) override;
  // The forms layer: the main form was closed with an action other than none.
  // The loop ends; the form stays until the application goes.
  void MainFormClosed();
  // The application became active, or inactive: toward one of its own
  // windows the visible floating forms stay above it, toward another
  // program they are hidden (their `visible` stays).
  void ActivationChanged(bool active, bool toOwnWindow);
  // Shows the windows of the visible floating forms again, above the
  // application unless the main form runs a modal loop; hides them.
  void ShowFloatForms();
  void HideFloatForms();
  // Every form freed, the last first, the main form last (teardown).
  void FreeForms();
  // --- Logging. True (re)opens the log of the project id ("application"
  // without one), keeping the open one when only the letter case of its
  // path differs; false closes it.
  bool ELog() const noexcept { return m_eLog; }
  void SetELog(bool value);
  TLogger* Logger() const noexcept { return m_logger.get(); }
  // One entry "dd.mm.yyyy hh:nn:ss [className]: message" when logging.
  void Log(std::string_view className, std::string_view message) noexcept override;
  // Arms the activation timer a later start arms: restored and raised after 100 ms.
  void RequestActivation() override;
  std::string ApplicationTitle() const override { return m_title; }

  // --- Errors that must not reach a caller: logged, and shown in the
  // run-time's error box unless silent.
  void ApplicationException(platform::TObject* sender, const std::exception& error);
  void HandleException(platform::TObject* sender, const std::exception& error) override;
  bool Silent() const noexcept { return m_silent; }
  void SetSilent(bool silent) noexcept { m_silent = silent; }
  // A box with `flags` (MB_*) and the caption, or the title when empty (the
  // program's title when that is empty too); the button's IDOK... code.
  int MessageBox(const platform::Variant& text, std::uint32_t flags, const std::string& caption = {});

  // --- Later starts. An activation asks for the activate action after
  // kProjectMessageDelayMs; a hand-over is queued (hand_over.h) and asks for
  // both. Each timer is one-shot; the actions run at the next idle.
  void ProjectMessage(const InstanceMessage& message);
  void RequestIdleAction(unsigned action);
  // Runs each pending action once: activation, then one hand-over (the
  // oldest; a further queued one asks for the action again). Errors go to
  // ApplicationException.
  void ApplicationIdle();
  unsigned PendingIdleActions() const noexcept { return m_idleActions; }
  bool ProjectMessageTimersActive() const;

  // The applyfile operation (onApplyFile) when the name is not empty.
  void ApplyFile(const std::string& fileName);

  // --- Command line: "events" (noSplitParameters, noTransientScript, async)
  // gives the defaults of new script event bindings, "scripts:transient" sets
  // the script host's transient-scripts flag.
  void ReadCommandLineOptions();
  TScriptEventDefaults ScriptEventDefaults() const override { return m_eventDefaults; }

  // --- The project.
  // Runs the start script's "main" with the project object (errors are
  // logged and shown, start-up goes on). An integer result other than 0 asks
  // the program to end with it (ExitCode(); nothing more happens here, unless
  // started as automation server); otherwise the state becomes 4, "load"
  // fires, and the "file" switch is applied (the first time only). Returns
  // what "main" returned.
  platform::Variant StartProject();
  // Whether the last StartProject failed: no start script, or "main" missing or raising.
  bool StartFailed() const noexcept { return m_startFailed; }
  // Loads the descriptor of `id` from the project.info of `folder` (or, when
  // empty, of the folder it had), which the project keeps, sets the states 2
  // and 3 and starts it.
  void OpenProject(const std::string& id, const std::string& folder = {});
  // Fires "unload", frees what the project made, drops the queued script
  // events, the idle actions and the hand-overs, and resets the descriptor,
  // the script folders, the title, silent and the default script.
  void CloseProject();
  void FreeProjectComponents();
  void SetProjectObjectFactory(TProjectObjectFactory factory) { m_projectObjectFactory = std::move(factory); }

  // --- The message loop: runs while a main form exists, until terminated
  // (SIGTERM and SIGINT terminate too). Returns at once without a main form.
  void Run();
  // Ends the loop and every modal loop; the main form's destruction and its
  // close (MainFormClosed) terminate too.
  void Terminate();
  bool Terminated() const noexcept { return m_terminated; }
  void SetTerminated(bool terminated);
  bool Terminating() const override { return m_terminated; }
  // Ends the program with `code` once control is back in ProgramMain.
  void RequestExit(int code);
  // Starts the project, runs the loop and answers the program's exit code:
  // the one asked for (a start script's integer), else 1 for a failed start
  // that left no main form, else 0.
  int RunProject();
  std::optional<int> ExitCode() const noexcept { return m_exitCode; }

  // --- exec: minimize, restore, activate, focus, terminate, close, release,
  // processmessages, savecursor, restorecursor (letter case ignored).
  void SetExec(const platform::Variant& value) override;

  // --- The windowing layer; null puts back the headless one. Not owned.
  void SetUi(IApplicationUi* ui) noexcept;
  IApplicationUi& Ui() const noexcept { return *m_ui; }

  // --- Sub-objects made on first use by the factory their part installed.
  // Without a factory GetObject raises EApplicationError
  // "The application's <name> is not available".
  void SetObjectFactory(TApplicationObject kind, TApplicationObjectFactory factory);
  platform::TComponent& GetObject(TApplicationObject kind);
  platform::TComponent* FindObject(TApplicationObject kind) const noexcept;
  void FreeObject(TApplicationObject kind);

  // --- Published values.
  bool Active() const;
  void SetActive(bool active);
  int BusyCursor() const noexcept { return m_busyCursor; }
  void SetBusyCursor(int cursor) noexcept { m_busyCursor = cursor; }
  int Cursor() const noexcept { return m_cursor; }
  // Every write counts one cursor change.
  void SetCursor(int cursor);
  int CursorChanges() const noexcept { return m_cursorChanges; }
  TColor Color() const noexcept { return m_color; }
  // Re-derives the two application colours and refreshes the main form's skin.
  void SetColor(TColor color);
  // clDefault: from the desktop's colours; clNone: both 0; a colour c: c and
  // c blended 2 of 5 toward black. The skin manager, when it exists, takes
  // the first one.
  void ApplyApplicationColor();
  TColor FirstColor() const noexcept { return m_colors[0]; }
  TColor SecondColor() const noexcept { return m_colors[1]; }
  std::string DefaultScript() const override { return m_defaultScript; }
  void SetDefaultScript(const std::string& script) { m_defaultScript = script; }
  std::string ExeName() const;
  const std::string& HelpFile() const noexcept { return m_helpFile; }
  void SetHelpFile(const std::string& file) { m_helpFile = file; }
  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }
  // An OLE date.
  platform::Variant StartTime() const { return platform::Variant::Date(m_startTime); }
  TScriptCache* ScriptCache() const;
  // The names of the screen fonts (the platform's font service), read afresh
  // on every call into one list the application keeps until the project closes.
  TStringObjectListEx& Fonts();
  // The desktop's status and menu fonts, read again on each call.
  platform::TFont& HintFont();
  platform::TFont& MenuFont();
  // The application icon from a picture value (icon_loader.h); a value that
  // loads nothing leaves it and logs `Icon "..." not loaded`.
  void SetImage(const platform::Variant& value);
  const IconHandle& Image() const noexcept { return m_icon; }
  // The main form's window id; 0 without one.
  std::int64_t Handle() const;
  // The image list when it exists or a factory can make it; null otherwise.
  platform::TComponent* AvailableImages();
  int ShiftState() const { return static_cast<int>(m_ui->ShiftState()); }
  int ButtonState() const { return static_cast<int>(m_ui->ButtonState()); }

  TApplyFileEvent& OnApplyFile() noexcept { return m_onApplyFile; }
  platform::TNotifyEvent& OnLoad() noexcept { return m_onLoad; }
  platform::TNotifyEvent& OnUnload() noexcept { return m_onUnload; }
  TCreateComponentEvent& OnCreateComponent() noexcept { return m_onCreateComponent; }

  // Handlers declarations bind to the events above: each fires its script event.
  void applyFileHandler(platform::TObject* sender, const std::string& fileName);
  void loadHandler(platform::TObject* sender);
  void unloadHandler(platform::TObject* sender);
  void createComponentHandler(platform::TObject* sender, platform::TComponent* component);

  // Handlers of the forms and skins; their skin-side work is the component
  // hooks' (ApplicationComponentHooks).
  // A control made `component`: a custom skin or an action list is set up.
  void controlCreateComponent(platform::TObject* sender, platform::TComponent* component);
  // A skin added the item `sender`.
  void skinAddItem(platform::TObject* sender);
  // A tool button was executed: its command text runs as a script event with
  // its band's script and skinButtonEventParameters as the arguments.
  void componentExecute(platform::TObject* sender);
  void skinButtonEventParameters(platform::TObject* sender, platform::Variant& parameters);
  // The skin manager read the desktop's colours again.
  void skinsUpdateSystemColors(platform::TObject* sender);
  // Raises the visible floating forms; Deactivate does nothing.
  void ApplicationActivate(platform::TObject* sender);
  void ApplicationDeactivate(platform::TObject* sender);

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;
  virtual void DoApplyFile(const std::string& fileName);
  virtual void DoLoad();
  virtual void DoUnload();

 private:
  TApplicationComponents& List(TApplicationComponents*& list);
  void FreeList(TApplicationComponents*& list);
  void RunActivation();
  void RunHandOver();
  void ClearIdleActions();
  void ApplyCursor(int cursor);
  void AddScreenForm(platform::TComponent& form);
  void FreeFormsView();

  bool m_singleton = false;
  IApplicationHooks* m_previousHooks = nullptr;
  platform::IEventLoop& m_loop;
  IApplicationUi* m_ui;

  std::unique_ptr<TLogger> m_logger;
  bool m_eLog = false;
  bool m_silent = false;
  bool m_openFileAtStart = true;
  bool m_startFailed = false;
  bool m_terminated = false;
  std::optional<int> m_exitCode;
  TScriptEventDefaults m_eventDefaults;

  TApplicationComponents* m_components = nullptr;
  TApplicationComponents* m_windows = nullptr;
  TApplicationComponents* m_browsers = nullptr;
  TApplicationComponents* m_dataProviders = nullptr;
  // The screen's forms; unowned, so it outlives every view of it.
  std::unique_ptr<TApplicationComponents> m_screenForms;
  TApplicationForms* m_forms = nullptr;
  platform::TComponent* m_mainForm = nullptr;  // with a free notification
  bool m_formsGone = false;
  IconHandle m_icon;
  std::array<TApplicationObjectFactory, kApplicationObjectCount> m_factories;
  std::array<platform::TComponent*, kApplicationObjectCount> m_objects{};
  std::unique_ptr<TStringObjectListEx> m_fonts;
  std::unique_ptr<platform::TFont> m_hintFont;
  std::unique_ptr<platform::TFont> m_menuFont;
  TProjectObjectFactory m_projectObjectFactory;

  int m_busyCursor = -11;
  int m_cursor = 0;
  int m_cursorChanges = 0;
  int m_savedCursor = 0;
  int m_savedCursorChanges = 0;
  TColor m_color = clDefault;
  std::array<TColor, 2> m_colors{};
  std::string m_defaultScript = "actions.js";
  std::string m_helpFile;
  std::string m_title;
  double m_startTime = 0;

  unsigned m_idleActions = 0;
  platform::TimerSource m_activateTimer;
  platform::TimerSource m_handOverTimer;
  platform::IdleSource m_idle;
  platform::GMainLoopPtr m_runLoop;

  TApplyFileEvent m_onApplyFile;
  platform::TNotifyEvent m_onLoad;
  platform::TNotifyEvent m_onUnload;
  TCreateComponentEvent m_onCreateComponent;
};

// The process's application object, made on first use; null while it is
// being destroyed, so nothing reaches a half-destroyed object.
TApplicationEx* GetApplicationEx();
bool ApplicationExExists() noexcept;
// Destroys the application object GetApplicationEx made (ProgramMain at the end).
void FreeApplicationEx();

// "Software\Zebrin\" + the application's title with every "\" made "_", then
// "\" + subKey when one is given.
std::string GetRegistryKeyPath(std::string_view subKey = {});

}  // namespace halbrin
