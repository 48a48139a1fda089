#include "components/forms/form_ex.h"

#include <algorithm>
#include <vector>

#include "components/forms/action_ex.h"
#include "components/forms/form_skin_ex.h"
#include "components/forms/frame_ex.h"
#include "components/forms/icon_decoder.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/app/application_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "skins/core/placement_sub_skin.h"
#include "skins/core/skin_manager.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::TZebrinPlacementSubSkin;

namespace {

constexpr TColor kWindowColor = SystemColor(5);  // clWindow

std::string ValueText(const Variant& value) {
  try {
    return value.ToText();
  } catch (const EVariantError&) {
    return std::string(value.TypeName());
  }
}

bool IsMDIChildOf(const TControl* control) {
  const skins::TZebrinSkinManager* manager = skins::SkinManager();
  return manager && dynamic_cast<const TWinControl*>(control) &&
         dynamic_cast<skins::TZebrinFormSkin*>(manager->FindSkin(control));
}

}  // namespace

const TEnumInfo& FormExUIOptionInfo() {
  static const TEnumInfo info("TFormExUIOption", {"uioMouseAlphaBlend", "uioSkin", "uioPlacement"});
  return info;
}

const TEnumInfo& TileModeInfo() {
  static const TEnumInfo info("TTileMode", {"tbHorizontal", "tbVertical"});
  return info;
}


std::int64_t IntegerEventResult(const Variant& result, std::int64_t value) noexcept {
  try {
    if (result.IsBool()) return result.AsBool() ? value : 0;
    if (result.IsInteger()) return result.ToInt64();
  } catch (...) {
    // An integer kind that does not fit: the value stays.
  }
  return value;
}

HALBRIN_DEFINE_CLASS(
    TFormEx,
    .Property("actions", [](const TFormEx& self) { return const_cast<TFormEx&>(self).Actions(); })
    .Stored(false)
    .Property("active", &TFormEx::GetActive, &TFormEx::SetActive)
    .Stored(false)
    .Property("ActiveMDIChild", &TFormEx::ActiveMDIChild)
    .Stored(false)
    .Property("application", &TFormEx::Application)
    .Stored(false)
    .Property("data", &TFormEx::Data, &TFormEx::SetData)
    .Stored(false)
    .Property("dropShadow", &TFormEx::DropShadow, &TFormEx::SetDropShadow)
    .Property("empty", &TFormEx::empty, &TFormEx::setEmpty)
    .Stored(false)
    .Property("eventData", &TFormEx::GetEventData, &TFormEx::SetEventData)
    .Stored(false)
    .Property(
        "events", [](const TFormEx& self) { return const_cast<TFormEx&>(self).GetEvents(); },
        [](TFormEx& self, TScriptEvents* events) { self.SetEvents(events); })
    .Stored(false)
    .Property("exec", &TFormEx::GetExec, &TFormEx::SetExec)
    .Stored(false)
    .Property("firstShow", &TFormEx::FirstShow, &TFormEx::SetFirstShow)
    .Stored(false)
    .Property(
        "flash", [](const TFormEx&) { return 0; }, [](TFormEx& self, int count) { self.SetFlash(count); })
    .Stored(false)
    .Property(
        "image", [](const TFormEx&) { return Variant(); },
        [](TFormEx& self, const Variant& value) { self.SetImage(value); })
    .Stored(false)
    .Property("length", &TFormEx::length)
    .Stored(false)
    .Property("lineColor", &TFormEx::LineColor, &TFormEx::SetLineColor)
    .TypeName("TColor")
    .Property("MDIChildCount", &TFormEx::MDIChildCount)
    .Stored(false)
    .Property("placement", [](const TFormEx& self) { return const_cast<TFormEx&>(self).Placement(); })
    .Stored(false)
    .Property("skin", [](const TFormEx& self) { return const_cast<TFormEx&>(self).Skin(); })
    .Stored(false)
    .Property("skinButtons", [](const TFormEx& self) { return const_cast<TFormEx&>(self).SkinButtons(); })
    .Stored(false)
    .Enum("TileMode", &TFormEx::TileMode, &TFormEx::SetTileMode, TileModeInfo())
    .Set("userInterfaceOptions", &TFormEx::UserInterfaceOptions, &TFormEx::SetUserInterfaceOptions,
         FormExUIOptionInfo(), "TFormExUIOptions")
    .Property(
        "zOrder", [](const TFormEx&) { return false; }, [](TFormEx& self, bool toFront) { self.SetZOrder(toFront); })
    .Stored(false)
    .Event("onCreateComponent", &TFormEx::m_onCreateComponent, "TCreateComponentEvent")
    .Method("refreshSkin", &TFormEx::RefreshSkin)
    .Handler("activateHandler", &TFormEx::activateHandler)
    .Handler("clickHandler", &TFormEx::clickHandler)
    .Handler("closeHandler", &TFormEx::closeHandler)
    .Handler("closeQueryHandler", &TFormEx::closeQueryHandler)
    .Handler("contextPopupHandler", &TFormEx::contextPopupHandler)
    .Handler("createHandler", &TFormEx::createHandler)
    .Handler("dblClickHandler", &TFormEx::dblClickHandler)
    .Handler("deactivateHandler", &TFormEx::deactivateHandler)
    .Handler("destroyHandler", &TFormEx::destroyHandler)
    .Handler("helpHandler", &TFormEx::helpHandler)
    .Handler("hideHandler", &TFormEx::hideHandler)
    .Handler("keyDownHandler", &TFormEx::keyDownHandler)
    .Handler("keyPressHandler", &TFormEx::keyPressHandler)
    .Handler("keyUpHandler", &TFormEx::keyUpHandler)
    .Handler("mouseDownHandler", &TFormEx::mouseDownHandler)
    .Handler("mouseEnterHandler", &TFormEx::mouseEnterHandler)
    .Handler("mouseLeaveHandler", &TFormEx::mouseLeaveHandler)
    .Handler("mouseMoveHandler", &TFormEx::mouseMoveHandler)
    .Handler("mouseUpHandler", &TFormEx::mouseUpHandler)
    .Handler("mouseWheelDownHandler", &TFormEx::mouseWheelDownHandler)
    .Handler("mouseWheelUpHandler", &TFormEx::mouseWheelUpHandler)
    .Handler("resizeHandler", &TFormEx::resizeHandler)
    .Handler("showHandler", &TFormEx::showHandler))

TFormEx::TFormEx(TComponent* owner) : TForm(owner) {
  SetBounds(0, 0, 0, 0);
  if (TApplicationEx* application = Application())
    m_onCreateComponent.Bind(*application, &TApplicationEx::controlCreateComponent);
  // The application lists it among the screen's forms; the first is the main form.
  ApplicationHooks().RegisterComponent(*this);
  ComponentCreated(*this);
  SetColor(kWindowColor);
  Font().SetName(kFormFontName);
}

TFormEx::~TFormEx() {
  DoDestroy();
  // From here on nothing makes a companion again.
  SetState(csDestroying, true);
  // The companions and declared components go while the form is whole: a
  // skin lets go of its control as it goes.
  DestroyComponents();
  m_eventData = Variant::Null();
  m_execResult = Variant::Null();
  m_data = Variant::Null();
}

// --- Lists and companions ------------------------------------------------------

bool TFormEx::IsCompanion(const TComponent* component) const noexcept {
  return component && (component == m_skin || component == m_skinButtons || component == m_actions ||
                       component == m_events.Peek());
}

int TFormEx::length() const {
  int count = 0;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!IsCompanion(Components(i))) ++count;
  return count;
}

void TFormEx::clear() {
  // Free waits for a component whose handler runs, but takes it out at once.
  while (ComponentCount() > 0) TComponent::Free(*Components(ComponentCount() - 1));
  m_eventData = Variant::Null();
  m_execResult = Variant::Null();
  m_firstShow = true;
}

TScriptEvents* TFormEx::GetEvents() {
  const bool made = m_events.Peek() == nullptr;
  TScriptEvents* events = m_events.Get();
  if (made && events) ComponentCreated(*events);
  return events;
}

void TFormEx::SetEvents(TScriptEvents* events) {
  const bool made = m_events.Peek() == nullptr;
  m_events.Assign(events);
  if (made && m_events.Peek()) ComponentCreated(*m_events.Peek());
}

TZebrinFormSkinEx* TFormEx::Skin() {
  if (!m_skin && !IsDestroying()) {
    auto& skin = MakeComponent<TZebrinFormSkinEx>(*this);
    m_skin = &skin;
    skin.Caption()->SetDefaultText(true);
    skin.SetControl(this);
    if (ApplicationHooks().MainForm() == this) {
      if (TApplicationEx* application = Application()) {
        application->skinsUpdateSystemColors(application);
        if (Color() == kWindowColor) SetColor(application->FirstColor());
      }
    }
    ComponentCreated(skin);
  }
  return m_skin;
}

TZebrinPlacementSubSkin* TFormEx::Placement() {
  if (!m_placement) {
    TZebrinFormSkinEx* skin = Skin();
    if (!skin) return nullptr;
    auto& placement = MakeComponent<TZebrinPlacementSubSkin>(*skin);
    m_placement = &placement;
    placement.SetAdjustPosition(true);
    placement.SetHandler(skins::pshShowing);
    placement.OnGetRegistryPath().Bind(*this, &TFormEx::GetPlacementPath);
    skin->SetSubSkin(&placement);
    FreeNotification(&placement);
    ComponentCreated(placement);
  }
  return m_placement;
}

TSkinToolButtons* TFormEx::SkinButtons() {
  if (!m_skinButtons && !IsDestroying()) {
    auto& buttons = MakeComponent<TSkinToolButtons>(*this);
    m_skinButtons = &buttons;
    buttons.SetSkin(Skin());
    ComponentCreated(buttons);
  }
  return m_skinButtons;
}

TActionListEx* TFormEx::Actions() {
  if (!m_actions && !IsDestroying()) {
    auto& actions = MakeComponent<TActionListEx>(*this);
    m_actions = &actions;
    ComponentCreated(actions);
  }
  return m_actions;
}

std::string TFormEx::RegistryKeyPath() const { return GetRegistryKeyPath(Name()); }

void TFormEx::GetPlacementPath(TObject*, std::string& path) { path = RegistryKeyPath(); }

void TFormEx::ComponentCreated(TComponent& component) {
  if (m_onCreateComponent.Assigned()) m_onCreateComponent(this, &component);
}

void TFormEx::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  m_events.Notification(component, operation);
  if (operation != TOperation::opRemove || !component) return;
  if (component == m_skin) {
    m_skin = nullptr;
    m_placement = nullptr;  // the skin's own
  }
  if (component == m_placement) m_placement = nullptr;
  if (component == m_skinButtons) m_skinButtons = nullptr;
  if (component == m_actions) m_actions = nullptr;
}

// --- Published -------------------------------------------------------------------

bool TFormEx::GetActive() const { return Screen().ActiveForm() == this; }

void TFormEx::SetActive(bool value) {
  if (value) Activate();
}

TApplicationEx* TFormEx::Application() const { return ApplicationExExists() ? GetApplicationEx() : nullptr; }

void TFormEx::SetDropShadow(bool value) {
  if (value == m_dropShadow) return;
  m_dropShadow = value;
  if (HandleAllocated()) Backend()->SetDropShadow(Window(), value);
}

void TFormEx::WindowCreated() {
  TForm::WindowCreated();
  if (m_dropShadow) Backend()->SetDropShadow(Window(), true);
}

void TFormEx::SetFlash(int count) {
  if (m_skin && m_skin->GetActive()) m_skin->Flash(count);
}

void TFormEx::RefreshSkin() {
  if (m_skin && m_skin->GetActive()) m_skin->Refresh();
}

void TFormEx::SetImage(const Variant& value) {
  IconHandle icon;
  switch (LoadIconFromVariant(icon, value)) {
    case TIconLoadResult::Cleared: SetIcon(nullptr); return;
    case TIconLoadResult::Loaded: {
      // Without a decoder nothing can show the picture.
      if (!HasIconDecoder()) return;
      if (const std::optional<TArgbImage> picture = DecodeIcon(*icon.Image())) {
        SetIcon(&*picture);
        return;
      }
      break;
    }
    case TIconLoadResult::Left: break;
  }
  ApplicationHooks().Log("TFormEx", Format("Icon \"%s\" not loaded", {ValueText(value)}));
}

void TFormEx::SetLineColor(TColor color) {
  if (color == m_lineColor) return;
  m_lineColor = color;
  RefreshSkin();
}

void TFormEx::SetUserInterfaceOptions(TFormExUIOptions options) {
  if (options == m_uiOptions) return;
  m_uiOptions = options;
  const TWeakRef<TFormEx> alive(this);
  if (options & uioMouseAlphaBlend) {
    SetAlphaBlend(true);
    if (AlphaBlendValue() > 254) SetAlphaBlendValue(128);
  }
  if ((options & uioSkin) && !m_skin) {
    TZebrinFormSkinEx* skin = Skin();
    if (!alive || !skin) return;
    skin->Caption()->SetDefaultText(true);
    skin->SetEnabled(true);
  }
  if (!alive) return;
  if ((options & uioPlacement) && !m_placement) {
    if (TZebrinPlacementSubSkin* placement = Placement()) placement->SetEnabled(true);
  }
}

void TFormEx::SetZOrder(bool toFront) {
  if (toFront)
    BringToFront();
  else
    SendToBack();
}

// --- MDI ---------------------------------------------------------------------------

int TFormEx::MDIChildCount() const {
  int count = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (IsMDIChildOf(Controls(i))) ++count;
  return count;
}

TWinControl* TFormEx::ActiveMDIChild() const {
  const TWinControl* focused = FocusedControl();
  TWinControl* topmost = nullptr;
  for (int i = 0; i < ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(Controls(i));
    if (!child || !IsMDIChildOf(child)) continue;
    if (focused && (child == focused || child->ContainsControl(*focused))) return child;
    if (child->Visible()) topmost = child;  // the list runs bottom to top
  }
  return topmost;
}

void TFormEx::Cascade() {
  std::vector<TWeakRef<TWinControl>> children;
  for (TControl* control : AlignOrder())
    if (control->Visible() && IsMDIChildOf(control)) children.emplace_back(static_cast<TWinControl*>(control));
  const TRect client = ClientRect();
  int offset = 0;
  for (const TWeakRef<TWinControl>& child : children) {
    if (!child) continue;
    const int width = std::max(0, std::min(child->Width(), client.Width() - offset));
    const int height = std::max(0, std::min(child->Height(), client.Height() - offset));
    child->SetBounds(offset, offset, width, height);
    if (child) child->BringToFront();
    offset += kCascadeStep;
  }
}

// --- Exec --------------------------------------------------------------------------

bool TFormEx::ExecFormWord(const std::string& word) {
  if (SameText(word, "minimize")) {
    SetWindowState(wsMinimized);
  } else if (SameText(word, "restore")) {
    SetWindowState(wsNormal);
  } else if (SameText(word, "maximize")) {
    SetWindowState(wsMaximized);
  } else if (SameText(word, "close")) {
    Close();
  } else if (SameText(word, "release")) {
    Release();
  } else if (SameText(word, "show")) {
    ShowForm();
  } else if (SameText(word, "hide")) {
    Hide();
  } else if (SameText(word, "showmodal")) {
    const TWeakRef<TFormEx> alive(this);
    const TModalResult result = ShowModal();
    if (alive) m_execResult = result;
  } else if (SameText(word, "activate")) {
    Activate();
  } else if (SameText(word, "cascade")) {
    Cascade();
  } else if (SameText(word, "repaint")) {
    Invalidate();
  } else if (SameText(word, "refresh")) {
    RefreshSkin();
  } else if (SameText(word, "clear")) {
    clear();
  } else {
    return false;
  }
  return true;
}

void TFormEx::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  m_execResult = true;
  const TWeakRef<TFormEx> alive(this);
  if (!ExecFormWord(word) && alive) m_execResult = false;
}

// --- Showing and the mouse ---------------------------------------------------------

void TFormEx::ShowingChanged(bool showing) {
  const TWeakRef<TFormEx> alive(this);
  TForm::ShowingChanged(showing);
  if (!alive || !showing || !Visible()) return;
  m_firstShow = false;
  RefreshSkin();
}

void TFormEx::MouseEnter() {
  const TWeakRef<TFormEx> alive(this);
  TForm::MouseEnter();
  if (alive && (m_uiOptions & uioMouseAlphaBlend)) SetAlphaBlend(false);
}

void TFormEx::MouseLeave() {
  const TWeakRef<TFormEx> alive(this);
  TForm::MouseLeave();
  if (alive && (m_uiOptions & uioMouseAlphaBlend)) SetAlphaBlend(true);
}

// --- Script events -----------------------------------------------------------------

Variant TFormEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TFormEx::clickHandler(TObject*) { FireEvent("click", {}, nullptr); }
void TFormEx::dblClickHandler(TObject*) { FireEvent("dblclick", {}, nullptr); }
void TFormEx::hideHandler(TObject*) { FireEvent("hide", {}, nullptr); }
void TFormEx::resizeHandler(TObject*) { FireEvent("resize", {}, nullptr); }
void TFormEx::activateHandler(TObject*) { FireEvent("activate", {}, nullptr); }
void TFormEx::deactivateHandler(TObject*) { FireEvent("deactivate", {}, nullptr); }
void TFormEx::createHandler(TObject*) { FireEvent("create", {}, nullptr); }
void TFormEx::destroyHandler(TObject*) { FireEvent("destroy", {}, nullptr); }
void TFormEx::mouseEnterHandler(TObject*) { FireEvent("mouseenter", {}, nullptr); }
void TFormEx::mouseLeaveHandler(TObject*) { FireEvent("mouseleave", {}, nullptr); }

void TFormEx::showHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(m_firstShow)};
  FireEvent("show", args, nullptr);
}

void TFormEx::closeQueryHandler(TObject*, bool& canClose) {
  canClose = ActionHandledResult(FireEvent("closequery", {}, nullptr), canClose);
}

void TFormEx::closeHandler(TObject*, TCloseAction& action) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(action))};
  const std::int64_t answer = IntegerEventResult(FireEvent("close", args, nullptr), action);
  // Only the four actions there are.
  if (answer >= caNone && answer <= caMinimize) action = static_cast<TCloseAction>(answer);
}

void TFormEx::contextPopupHandler(TObject*, TPoint mousePos, bool& handled) {
  const Variant args[] = {Variant(Name()), Variant(mousePos.X), Variant(mousePos.Y)};
  handled = ActionHandledResult(FireEvent("contextpopup", args, nullptr), handled);
}

void TFormEx::helpHandler(std::uint16_t command, std::int32_t data, bool& callHelp, bool& result) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(command)), Variant(data)};
  callHelp = ActionHandledResult(FireEvent("help", args, nullptr), callHelp);
  result = true;
}

Variant TFormEx::FireKey(const char* event, std::uint16_t key, TShiftState shift) {
  const Variant args[] = {Variant(Name()), Variant(static_cast<int>(key)), Variant(ShiftStateCode(shift))};
  return FireEvent(event, args, nullptr);
}

void TFormEx::keyDownHandler(TObject*, std::uint16_t& key, TShiftState shift) {
  key = static_cast<std::uint16_t>(IntegerEventResult(FireKey("keydown", key, shift), key));
}

void TFormEx::keyUpHandler(TObject*, std::uint16_t& key, TShiftState shift) {
  key = static_cast<std::uint16_t>(IntegerEventResult(FireKey("keyup", key, shift), key));
}

void TFormEx::keyPressHandler(TObject*, char& key) {
  const int code = static_cast<unsigned char>(key);
  const Variant args[] = {Variant(Name()), Variant(code)};
  key = static_cast<char>(IntegerEventResult(FireEvent("keypress", args, nullptr), code) & 0xFF);
}

void TFormEx::mouseDownHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  FireEvent("mousedown", args, nullptr);
}

void TFormEx::mouseUpHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  FireEvent("mouseup", args, nullptr);
}

void TFormEx::mouseMoveHandler(TObject*, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(x), Variant(y)};
  FireEvent("mousemove", args, nullptr);
}

void TFormEx::mouseWheelDownHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(mousePos.X), Variant(mousePos.Y)};
  handled = ActionHandledResult(FireEvent("mousewheeldown", args, nullptr), handled);
}

void TFormEx::mouseWheelUpHandler(TObject*, TShiftState shift, TPoint mousePos, bool& handled) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(mousePos.X), Variant(mousePos.Y)};
  handled = ActionHandledResult(FireEvent("mousewheelup", args, nullptr), handled);
}

}  // namespace halbrin
