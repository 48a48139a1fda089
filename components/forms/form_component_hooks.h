#pragma once

// The forms layer's side of the application object (IApplicationComponentHooks).
// Forms are the platform's TForm, made through the type words "form" and
// "float"; a form is cleared through IItemCollection and its skin refreshed
// through its published method "refreshSkin", so nothing here depends on the
// script form classes themselves. The program's entry installs one
// (ScopedApplicationComponentHooks) next to the other layers.

#include <functional>
#include <optional>
#include <string>

#include "core/app/application_component_hooks.h"

namespace halbrin::platform {
class TForm;
}  // namespace halbrin::platform

namespace halbrin {

class TFormComponentHooks final : public IApplicationComponentHooks {
 public:
  // Which forms are floating ones; by default a form that never takes the
  // activation (TForm::NeverActivate).
  using FloatFormTest = std::function<bool(const platform::TForm& form)>;
  // Where the application's icon goes: the bytes and index of the icon, or
  // null to put back the default. Nothing by default.
  using ApplicationIconSink = std::function<void(const IconImage* image)>;

  // Ties the screen's main form to the application's: its close, and its
  // end, end the application's loop (TApplicationEx::MainFormClosed).
  TFormComponentHooks();
  // Lets go of the screen's main-form hook.
  ~TFormComponentHooks() override;
  TFormComponentHooks(const TFormComponentHooks&) = delete;
  TFormComponentHooks& operator=(const TFormComponentHooks&) = delete;

  void SetFloatFormTest(FloatFormTest test) { m_isFloat = std::move(test); }
  void SetApplicationIconSink(ApplicationIconSink sink) { m_iconSink = std::move(sink); }

  // --- Forms.
  // The type word's component from the type registry, named `name`; a float
  // form gets its window (nothing is shown). An invalid or taken name raises
  // the component errors before anything is made.
  platform::TComponent* CreateForm(platform::TComponent& owner, const std::string& name,
                                   const std::string& type) override;
  bool IsForm(const platform::TComponent& component) const override;
  bool IsFloatForm(const platform::TComponent& component) const override;
  // The screen's main form follows the application's.
  void MainFormChanged(platform::TComponent* form) override;
  // The form's IItemCollection::clear; nothing for another form.
  void ClearMainForm(platform::TComponent& form) override;
  // The form's published "refreshSkin", when it has one.
  void RefreshSkin(platform::TComponent& form) override;
  bool IsInModalLoop(const platform::TComponent& form) const override;
  platform::TComponent* ActiveForm() const override;
  // The form's published "ActiveMDIChild"; null without one.
  platform::TComponent* ActiveMDIChild(const platform::TComponent& form) const override;
  // Every running modal loop ends with mrCancel.
  void EndModalLoops() override;

  // --- Floating forms: withdrawn and back (TForm::SetWithdrawn), never
  // hidden, so `visible` stays and no "show" or "hide" fires.
  void ShowFloatForm(platform::TComponent& form, bool aboveApplication) override;
  void HideFloatForm(platform::TComponent& form) override;
  void RaiseFloatForm(platform::TComponent& form) override;

  // --- The application's window.
  void SetApplicationIcon(const IconImage* image) override;
  std::int64_t WindowHandle(const platform::TComponent& form) const override;

  // --- The skin-related handler bodies.
  // A custom skin: OnAddItem := the application's skinAddItem, caption
  // bands with the default text and opaque, Moveable. An action list: the
  // application's image list when it can be had.
  void ControlCreateComponent(platform::TComponent& component) override;
  // A tool button of the skin's tool bar: Margin 8, Indent 8, opaque in
  // every state, all four edges when its band draws edges; a band item's
  // button: Margin 4, Indent 0, opaque hot and down. Either's execute hook
  // runs the application's componentExecute. Anything else is left alone.
  void SkinAddItem(platform::TObject& item) override;
  // A tool button with a command text (its `xml`): its collection's script,
  // the text, and the asynchronous flag of new bindings.
  std::optional<TComponentCommand> ComponentCommand(platform::TObject& component) override;
  // [the Name of the control the button's skin is on (the skin's own Name
  // without one), the button's Name, its index].
  platform::Variant SkinButtonEventParameters(platform::TObject& button) override;
  void SkinsUpdateSystemColors(platform::TComponent& skins, TColor applicationColor) override;

 private:
  FloatFormTest m_isFloat;
  ApplicationIconSink m_iconSink;
};

}  // namespace halbrin
