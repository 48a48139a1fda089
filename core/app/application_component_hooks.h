#pragma once

// What the application object asks of the forms and skin layers, which core
// cannot include. The forms layer installs its implementation from the
// program's entry (SetApplicationComponentHooks), as the file-operation
// handler is installed; until then forms cannot be made and every other call
// does nothing or answers 0.

#include <cstdint>
#include <optional>
#include <string>

#include "core/foundation/colors.h"
#include "core/foundation/icon_loader.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {
class TComponent;
class TObject;
}  // namespace halbrin::platform

namespace halbrin {

// A tool button's command as the application runs it (componentExecute):
// the script of the button's band, the command text (the procedure) and the
// asynchronous flag.
struct TComponentCommand {
  std::string script;
  std::string xml;
  bool async = false;
};

class IApplicationComponentHooks {
 public:
  virtual ~IApplicationComponentHooks() = default;

  // --- Forms.
  // A new form of that name owned by `owner`: type "form" a form, "float" a
  // floating form (its window made, nothing shown); null for any other type.
  // The form registers itself with the application (RegisterComponent).
  virtual platform::TComponent* CreateForm(platform::TComponent& owner, const std::string& name,
                                           const std::string& type);
  // Whether `component` is a form (a floating one too) or a floating form.
  // Asked from RegisterComponent, which a form calls from its constructor, so
  // the answer may rest on the class whose constructor runs.
  virtual bool IsForm(const platform::TComponent& component) const;
  virtual bool IsFloatForm(const platform::TComponent& component) const;
  // The application's main form became `form` (null once it went).
  virtual void MainFormChanged(platform::TComponent* form);
  // The main form's clear: every component it owns is freed.
  virtual void ClearMainForm(platform::TComponent& form);
  // The form's refreshSkin (nothing for a form without one).
  virtual void RefreshSkin(platform::TComponent& form);
  virtual bool IsInModalLoop(const platform::TComponent& form) const;
  // The screen's active form; null when none of ours is active.
  virtual platform::TComponent* ActiveForm() const;
  // The form's active MDI child; null without one.
  virtual platform::TComponent* ActiveMDIChild(const platform::TComponent& form) const;
  // The application terminates: every modal loop that runs ends with the
  // modal result cancel (2).
  virtual void EndModalLoops();

  // --- Floating forms over the screen. Each does nothing for a form without
  // a window or one that is not visible.
  // Shows the window hidden by HideFloatForm again, above the application's
  // top window when `aboveApplication`; `visible` and the show and hide
  // events are left alone.
  virtual void ShowFloatForm(platform::TComponent& form, bool aboveApplication);
  // Hides the window only: `visible` stays, no "hide" fires.
  virtual void HideFloatForm(platform::TComponent& form);
  // Brings the window to the top of the window order without activating it.
  virtual void RaiseFloatForm(platform::TComponent& form);

  // --- The application's window.
  // The icon every window of the program shows; null puts back the default.
  virtual void SetApplicationIcon(const IconImage* image);
  // The form's native window id; 0 without a window.
  virtual std::int64_t WindowHandle(const platform::TComponent& form) const;

  // --- The skin-related bodies of the application's published handlers.
  // A control made a sub-component (controlCreateComponent): a custom skin
  // gets the application's skinAddItem as its add-item hook, default caption
  // texts, opaque caption bands and Moveable; an action list gets the
  // application's image list when it can be had (TApplicationEx::AvailableImages).
  virtual void ControlCreateComponent(platform::TComponent& component);
  // A skin item was added (skinAddItem): margins, indent and transparency;
  // a tool button's execute hook becomes the application's componentExecute.
  virtual void SkinAddItem(platform::TObject& item);
  // The command of a tool button that has a command text; nothing otherwise.
  virtual std::optional<TComponentCommand> ComponentCommand(platform::TObject& component);
  // The three arguments of a tool button's command: a text of its skin, its
  // Name, its index (a Variant array); Empty for anything else.
  virtual platform::Variant SkinButtonEventParameters(platform::TObject& button);
  // The skin manager takes the application's first colour for its colour settings.
  virtual void SkinsUpdateSystemColors(platform::TComponent& skins, TColor applicationColor);

 protected:
  IApplicationComponentHooks() = default;
  IApplicationComponentHooks(const IApplicationComponentHooks&) = default;
  IApplicationComponentHooks& operator=(const IApplicationComponentHooks&) = default;
};

// The installed hooks, else the default ones. Main thread only.
IApplicationComponentHooks& ApplicationComponentHooks();
// Installs `hooks` (not owned; null puts back the default) and returns the
// previous ones (null for the default).
IApplicationComponentHooks* SetApplicationComponentHooks(IApplicationComponentHooks* hooks);

// Installs `hooks` until destroyed, then puts back the previous ones.
class ScopedApplicationComponentHooks {
 public:
  explicit ScopedApplicationComponentHooks(IApplicationComponentHooks& hooks)
      : m_previous(SetApplicationComponentHooks(&hooks)) {}
  ~ScopedApplicationComponentHooks() { SetApplicationComponentHooks(m_previous); }
  ScopedApplicationComponentHooks(const ScopedApplicationComponentHooks&) = delete;
  ScopedApplicationComponentHooks& operator=(const ScopedApplicationComponentHooks&) = delete;

 private:
  IApplicationComponentHooks* m_previous;
};

}  // namespace halbrin
