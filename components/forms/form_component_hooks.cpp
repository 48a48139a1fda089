#include "components/forms/form_component_hooks.h"

#include "core/app/application_ex.h"
#include "core/foundation/collection_interfaces.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "platform/base/case_fold.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/classes/class_info.h"
#include "platform/controls/action_list.h"
#include "platform/controls/form.h"
#include "platform/eventloop/modal_loop.h"
#include "platform/graphics/image_list.h"
#include "skins/core/caption_bands.h"
#include "skins/core/custom_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/core/tool_buttons.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinCustomSkin;
using skins::TZebrinSkinCustomToolButton;
using skins::TZebrinSkinToolButton;

namespace {

// Every edge of a button (ebLeft, ebTop, ebRight, ebBottom).
constexpr skins::TZebrinSkinEdgeBorders kAllEdges = 15;

// The application object when there is one; forms and skins outlive none.
TApplicationEx* Application() { return ApplicationExExists() ? GetApplicationEx() : nullptr; }

TForm* AsForm(TComponent& component) { return dynamic_cast<TForm*>(&component); }
const TForm* AsForm(const TComponent& component) { return dynamic_cast<const TForm*>(&component); }

// A form of ours that has its window and shows.
TForm* ShownFloat(TComponent& component) {
  TForm* form = AsForm(component);
  return form && form->HandleAllocated() && form->Visible() ? form : nullptr;
}

}  // namespace

TFormComponentHooks::TFormComponentHooks()
    : m_isFloat([](const TForm& form) { return form.NeverActivate(); }) {
  Screen().SetOnMainFormClosed([] {
    if (TApplicationEx* app = Application()) app->MainFormClosed();
  });
}

TFormComponentHooks::~TFormComponentHooks() { Screen().SetOnMainFormClosed({}); }

// ------------------------------------------------------------------- forms

TComponent* TFormComponentHooks::CreateForm(TComponent& owner, const std::string& name, const std::string& type) {
  if (!IsComponentType(type)) return nullptr;
  // A form registers as it is made, and the first one becomes the main form:
  // a name that cannot be given must fail before, not take a made form down.
  if (!name.empty()) {
    TComponent probe;
    probe.SetName(name);
    if (owner.FindComponent(name)) throw EComponentError(Format("A component named %s already exists", {name}));
  }
  auto* form = dynamic_cast<TComponent*>(CreateComponentByType(&owner, type, name));
  if (!form) return nullptr;
  if (SameText(type, "float"))
    if (auto* window = dynamic_cast<TWinControl*>(form)) window->HandleNeeded();
  return form;
}

bool TFormComponentHooks::IsForm(const TComponent& component) const { return AsForm(component) != nullptr; }

bool TFormComponentHooks::IsFloatForm(const TComponent& component) const {
  const TForm* form = AsForm(component);
  return form && m_isFloat && m_isFloat(*form);
}

void TFormComponentHooks::MainFormChanged(TComponent* form) { Screen().SetMainForm(form ? AsForm(*form) : nullptr); }

void TFormComponentHooks::ClearMainForm(TComponent& form) {
  if (auto* items = dynamic_cast<IItemCollection*>(&form)) items->clear();
}

void TFormComponentHooks::RefreshSkin(TComponent& form) {
  const TMethodInfo* method = form.ClassInfo().FindMethod("refreshSkin");
  if (!method || !method->HasParamInfo() || !method->Params().empty()) return;
  method->Invoke(form, {});
}

bool TFormComponentHooks::IsInModalLoop(const TComponent& form) const {
  const TForm* platformForm = AsForm(form);
  return platformForm && platformForm->Modal();
}

TComponent* TFormComponentHooks::ActiveForm() const { return Screen().ActiveForm(); }

TComponent* TFormComponentHooks::ActiveMDIChild(const TComponent& form) const {
  const TPropInfo* prop = form.ClassInfo().FindProperty("ActiveMDIChild");
  if (!prop) return nullptr;
  const auto* access = std::get_if<TObjectAccess>(&prop->Access());
  if (!access || !access->get) return nullptr;
  return dynamic_cast<TComponent*>(access->get(form));
}

void TFormComponentHooks::EndModalLoops() { platform::EndModalLoops(mrCancel); }

// ---------------------------------------------------------- floating forms

void TFormComponentHooks::ShowFloatForm(TComponent& component, bool aboveApplication) {
  TForm* form = ShownFloat(component);
  if (!form) return;
  form->SetWithdrawn(false);
  if (aboveApplication) form->RaiseWithoutActivating();
}

void TFormComponentHooks::HideFloatForm(TComponent& component) {
  if (TForm* form = ShownFloat(component)) form->SetWithdrawn(true);
}

void TFormComponentHooks::RaiseFloatForm(TComponent& component) {
  TForm* form = ShownFloat(component);
  if (form && !form->Withdrawn()) form->RaiseWithoutActivating();
}

// ------------------------------------------------------ application window

void TFormComponentHooks::SetApplicationIcon(const IconImage* image) {
  if (m_iconSink) m_iconSink(image);
}

std::int64_t TFormComponentHooks::WindowHandle(const TComponent& form) const {
  const TForm* platformForm = AsForm(form);
  return platformForm ? static_cast<std::int64_t>(platformForm->NativeWindowId()) : 0;
}

// ------------------------------------------------------------------- skins

void TFormComponentHooks::ControlCreateComponent(TComponent& component) {
  if (auto* skin = dynamic_cast<TZebrinCustomSkin*>(&component)) {
    if (TApplicationEx* app = Application())
      if (const TMethodInfo* handler = app->ClassInfo().FindMethod("skinAddItem"))
        skin->OnAddItem().Assign(TMethod{TWeakRef<TObject>(app), handler});
    skin->Caption()->SetDefaultText(true);
    skin->Caption()->SetTransparent(false);
    skin->SetMoveable(true);
  } else if (auto* list = dynamic_cast<TCustomActionList*>(&component)) {
    if (TApplicationEx* app = Application())
      if (auto* images = dynamic_cast<TCustomImageList*>(app->AvailableImages())) list->SetImages(images);
  }
}

void TFormComponentHooks::SkinAddItem(TObject& item) {
  auto* button = dynamic_cast<TZebrinSkinCustomToolButton*>(&item);
  if (!button) return;
  if (dynamic_cast<TZebrinSkinToolButton*>(button)) {
    button->SetMargin(8);
    button->SetIndent(8);
    button->SetTransparentDown(false);
    button->SetTransparentHot(false);
    button->SetTransparent(false);
    const skins::TZebrinSkinCustomToolButtons* buttons = button->ToolButtons();
    if (const skins::TZebrinSkinBand* band = buttons ? buttons->Band() : nullptr; band && band->EdgeBorders() != 0)
      button->SetEdgeBorders(kAllEdges);
  } else {
    button->SetMargin(4);
    button->SetIndent(0);
    button->SetTransparentDown(false);
    button->SetTransparentHot(false);
  }
  button->executeHook = [](TZebrinSkinCustomToolButton& pressed) {
    if (TApplicationEx* app = Application()) app->componentExecute(&pressed);
  };
}

std::optional<TComponentCommand> TFormComponentHooks::ComponentCommand(TObject& component) {
  auto* button = dynamic_cast<TZebrinSkinCustomToolButton*>(&component);
  if (!button || button->Xml().empty()) return std::nullopt;
  TComponentCommand command;
  if (const skins::TZebrinSkinCustomToolButtons* buttons = button->ToolButtons()) command.script = buttons->script();
  command.xml = button->Xml();
  command.async = ApplicationHooks().ScriptEventDefaults().async;
  return command;
}

Variant TFormComponentHooks::SkinButtonEventParameters(TObject& object) {
  auto* button = dynamic_cast<TZebrinSkinCustomToolButton*>(&object);
  if (!button) return Variant();
  std::string skinText;
  const skins::TZebrinSkinCustomToolButtons* buttons = button->ToolButtons();
  if (skins::ISkinButtonsOwner* owner = buttons ? buttons->Skin() : nullptr)
    if (TComponent* skinComponent = owner->OwnerComponent()) {
      const auto* skin = dynamic_cast<const TZebrinCustomSkin*>(skinComponent);
      skinText = skin && skin->Control() ? skin->Control()->Name() : skinComponent->Name();
    }
  return Variant(VariantArray({Variant(skinText), Variant(button->Name()), Variant(button->Index())}));
}

void TFormComponentHooks::SkinsUpdateSystemColors(TComponent& skins, TColor applicationColor) {
  if (auto* manager = dynamic_cast<skins::TZebrinSkinManager*>(&skins)) manager->ApplyApplicationColor(applicationColor);
}

}  // namespace halbrin
