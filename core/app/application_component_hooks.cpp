#include "core/app/application_component_hooks.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

class TDefaultComponentHooks final : public IApplicationComponentHooks {};

TDefaultComponentHooks& DefaultHooks() {
  static TDefaultComponentHooks hooks;
  return hooks;
}

IApplicationComponentHooks*& InstalledHooks() {
  static IApplicationComponentHooks* installed = nullptr;
  return installed;
}

}  // namespace

TComponent* IApplicationComponentHooks::CreateForm(TComponent&, const std::string&, const std::string&) {
  return nullptr;
}
bool IApplicationComponentHooks::IsForm(const TComponent&) const { return false; }
bool IApplicationComponentHooks::IsFloatForm(const TComponent&) const { return false; }
void IApplicationComponentHooks::MainFormChanged(TComponent*) {}
void IApplicationComponentHooks::ClearMainForm(TComponent&) {}
void IApplicationComponentHooks::RefreshSkin(TComponent&) {}
bool IApplicationComponentHooks::IsInModalLoop(const TComponent&) const { return false; }
TComponent* IApplicationComponentHooks::ActiveForm() const { return nullptr; }
TComponent* IApplicationComponentHooks::ActiveMDIChild(const TComponent&) const { return nullptr; }
void IApplicationComponentHooks::EndModalLoops() {}
void IApplicationComponentHooks::ShowFloatForm(TComponent&, bool) {}
void IApplicationComponentHooks::HideFloatForm(TComponent&) {}
void IApplicationComponentHooks::RaiseFloatForm(TComponent&) {}
void IApplicationComponentHooks::SetApplicationIcon(const IconImage*) {}
std::int64_t IApplicationComponentHooks::WindowHandle(const TComponent&) const { return 0; }
void IApplicationComponentHooks::ControlCreateComponent(TComponent&) {}
void IApplicationComponentHooks::SkinAddItem(TObject&) {}
std::optional<TComponentCommand> IApplicationComponentHooks::ComponentCommand(TObject&) { return std::nullopt; }
Variant IApplicationComponentHooks::SkinButtonEventParameters(TObject&) { return Variant(); }
void IApplicationComponentHooks::SkinsUpdateSystemColors(TComponent&, TColor) {}

IApplicationComponentHooks& ApplicationComponentHooks() {
  IApplicationComponentHooks* installed = InstalledHooks();
  return installed ? *installed : DefaultHooks();
}

IApplicationComponentHooks* SetApplicationComponentHooks(IApplicationComponentHooks* hooks) {
  IApplicationComponentHooks* previous = InstalledHooks();
  InstalledHooks() = hooks;
  return previous;
}

}  // namespace halbrin
