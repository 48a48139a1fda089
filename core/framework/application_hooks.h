#pragma once

// What the component framework needs from the application object, behind a
// small interface so that components made before (or without) the
// application object work: the application object installs itself as the
// current hooks while it lives; otherwise a headless default answers.

#include <exception>
#include <string>
#include <string_view>

#include "platform/variant/variant.h"

namespace halbrin::platform {
class TComponent;
class TObject;
}  // namespace halbrin::platform

namespace halbrin {

class TCustomApplicationComponents;
class TApplicationComponents;

// Defaults of new script event bindings, from the "events" command-line switch.
struct TScriptEventDefaults {
  bool splitParameters = true;  // cleared by "noSplitParameters"
  bool transientScript = true;  // cleared by "noTransientScript": adds 0x100 to the option word
  bool async = false;           // set by "async"
};

// The defaults the program's own "events" switch gives (core/app/command_line.h).
TScriptEventDefaults ReadScriptEventDefaults();

class IApplicationHooks {
 public:
  virtual ~IApplicationHooks() = default;

  // Every TCustomComponentEx is handed here from its constructor, while only
  // its TCustomComponentEx part is built. Default: nothing.
  virtual void RegisterComponent(platform::TComponent& component);
  // An error that must not reach the caller (a failed script event, a failed
  // queued call): the application logs it and shows it unless silent.
  // `sender` may be null. Default: nothing.
  virtual void HandleException(platform::TObject* sender, const std::exception& error);
  // One line for the project's log. Default: nothing.
  virtual void Log(std::string_view className, std::string_view message) noexcept;
  // The script a binding without a script of its own runs. Default "actions.js".
  virtual std::string DefaultScript() const;
  // True while the program shuts down: bindings no longer run. Default false.
  virtual bool Terminating() const;
  // True while queued script events must wait: the thread waits for a page's
  // answer or in a SyncWaitScope (a nested loop runs meanwhile). Default: any
  // call channel or synchronous wait on this thread.
  virtual bool HoldQueuedEvents() const;
  // Default: TScriptEventDefaults{} (not the command line).
  virtual TScriptEventDefaults ScriptEventDefaults() const;
  // Runs a script procedure for a binding or a queued call. Default: the
  // script host's RunScriptProcedureWithParameters. Tests replace it.
  virtual platform::Variant RunScriptProcedure(std::string_view script, const std::string& procedure,
                                               const platform::Variant& parameters, int options);
  // Evaluates a declaration's "eval(...)" expression. Default: the script host's EvaluateScript.
  virtual platform::Variant EvaluateExpression(std::string_view expression);

  // What declarations reach by name. Defaults: none.
  // The application object itself (a declaration's type "application").
  virtual platform::TComponent* ApplicationComponent();
  // The list of every registered component.
  virtual TCustomApplicationComponents* RegisteredComponents();
  // The main form, the list of forms, and a new form of that name and type
  // word ("form", or "float" for a floating form; nullptr while forms cannot
  // be made).
  virtual platform::TComponent* MainForm();
  virtual TCustomApplicationComponents* FormList();
  virtual platform::TComponent* CreateForm(const std::string& name, const std::string& type);
  // The running project's "folder", "id" or project.info attribute; Null when none.
  virtual platform::Variant ProjectAttribute(std::string_view name);
  // The list every data provider joins when made; providers that data items
  // make are adopted by it. Default: none (providers then belong to their maker).
  virtual TApplicationComponents* DataProviderList();

  // Asks for the application to be restored and raised soon (a tray icon's
  // auto-activation). Default: nothing.
  virtual void RequestActivation();
  // The application's title (tool tips and balloons without a title of
  // their own). Default: "".
  virtual std::string ApplicationTitle() const;

 protected:
  IApplicationHooks() = default;
  IApplicationHooks(const IApplicationHooks&) = default;
  IApplicationHooks& operator=(const IApplicationHooks&) = default;
};

// The current hooks: the ones set last, else the headless default. Main thread only.
IApplicationHooks& ApplicationHooks();
// Makes `hooks` current (null restores the default) and returns the previous
// current hooks (null for the default). The application object calls it with
// itself when made and with null when destroyed.
IApplicationHooks* SetApplicationHooks(IApplicationHooks* hooks);

// Marks a synchronous wait of this thread that iterates the main context
// (a download without `async`): HoldQueuedEvents answers true meanwhile.
class SyncWaitScope {
 public:
  SyncWaitScope() noexcept;
  ~SyncWaitScope();
  SyncWaitScope(const SyncWaitScope&) = delete;
  SyncWaitScope& operator=(const SyncWaitScope&) = delete;

  // The waits in progress on this thread.
  static int WaitsOnThisThread() noexcept;
};

// Makes `hooks` current until destroyed, then restores the previous ones.
class ScopedApplicationHooks {
 public:
  explicit ScopedApplicationHooks(IApplicationHooks& hooks);
  ~ScopedApplicationHooks();
  ScopedApplicationHooks(const ScopedApplicationHooks&) = delete;
  ScopedApplicationHooks& operator=(const ScopedApplicationHooks&) = delete;

 private:
  IApplicationHooks* m_previous;
};

}  // namespace halbrin
