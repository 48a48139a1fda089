#include "skins/core/skin_mouse.h"

#include "platform/services/desktop_service.h"
#include "skins/core/custom_skin.h"
#include "skins/core/skin_buttons.h"
#include "skins/core/skin_icon.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

TZebrinSkinMouse::TZebrinSkinMouse(TZebrinSkinManager* manager) : m_manager(manager) {}

TZebrinSkinMouse::~TZebrinSkinMouse() = default;

TZebrinCustomSkin* TZebrinSkinMouse::PressedSkin() const { return dynamic_cast<TZebrinCustomSkin*>(m_pressedSkin.Get()); }

TZebrinCustomSkin* TZebrinSkinMouse::SkinOf(const platform::TObject* item) {
  if (const auto* button = dynamic_cast<const TZebrinSkinCustomButton*>(item)) {
    const TZebrinSkinCustomButtons* buttons = button->Buttons();
    ISkinButtonsOwner* owner = buttons ? buttons->Skin() : nullptr;
    return owner ? dynamic_cast<TZebrinCustomSkin*>(owner->OwnerComponent()) : nullptr;
  }
  if (const auto* icon = dynamic_cast<const TZebrinSkinIcon*>(item)) return dynamic_cast<TZebrinCustomSkin*>(icon->GetOwner());
  return nullptr;
}

platform::TPoint TZebrinSkinMouse::Cursor() const { return platform::GetCursorPoint(); }

platform::TRect TZebrinSkinMouse::ScreenRect(const platform::TObject* item) const {
  platform::TRect rect;
  if (const auto* button = dynamic_cast<const TZebrinSkinCustomButton*>(item))
    rect = button->BoundsRect();
  else if (const auto* icon = dynamic_cast<const TZebrinSkinIcon*>(item))
    rect = icon->BoundsRect();
  const TZebrinCustomSkin* skin = SkinOf(item);
  const platform::TPoint origin = skin ? skin->WindowOrigin() : platform::TPoint{};
  return platform::TRect{rect.Left + origin.X, rect.Top + origin.Y, rect.Right + origin.X, rect.Bottom + origin.Y};
}

bool TZebrinSkinMouse::Apply(platform::TObject* item, bool hot, bool on) {
  if (auto* button = dynamic_cast<TZebrinSkinCustomButton*>(item)) {
    TZebrinSkinCustomButtons* buttons = button->Buttons();
    if (!buttons) return false;
    platform::TWeakRef<platform::TObject> alive(item);
    if (hot)
      buttons->Hover(button->Index(), on);
    else
      buttons->Press(button->Index(), on);
    if (!alive) return false;
    return (hot ? button->Hot() : button->Pressed()) == on;
  }
  if (auto* icon = dynamic_cast<TZebrinSkinIcon*>(item)) {
    if (hot)
      icon->SetHot(on);
    else
      icon->SetDown(on);
    return (hot ? icon->Hot() : icon->Down()) == on;
  }
  return false;
}

bool TZebrinSkinMouse::SetHot(bool on) {
  platform::TObject* item = m_hotItem.Get();
  if (!item || !Apply(item, true, on)) return false;
  if (on) {
    m_hotRect = ScreenRect(item);
    if (m_manager) m_manager->SetAppTimer(kMouseTimerHot, kMousePollMs);
  }
  return true;
}

bool TZebrinSkinMouse::SetPressed(bool on) {
  platform::TObject* item = m_pressedItem.Get();
  if (!item || !Apply(item, false, on)) return false;
  if (on) {
    m_pressedRect = ScreenRect(item);
    if (m_manager) m_manager->SetAppTimer(kMouseTimerPressed, kMousePollMs);
  }
  return true;
}

void TZebrinSkinMouse::ResetHot() {
  m_hotItem.Reset();
  m_hotRect = platform::TRect{};
  if (m_manager) m_manager->KillAppTimer(kMouseTimerHot);
}

void TZebrinSkinMouse::ResetPressed() {
  m_pressedItem.Reset();
  m_pressedRect = platform::TRect{};
  m_pressedSkin.Reset();
  if (m_manager) m_manager->KillAppTimer(kMouseTimerPressed);
}

void TZebrinSkinMouse::SetHotItem(platform::TObject* item) {
  if (item == m_hotItem.Get()) return;
  SetHot(false);
  ResetHot();
  m_hotItem.Reset(item);
  SetHot(true);
}

void TZebrinSkinMouse::SetPressedItem(platform::TObject* item, TZebrinCustomSkin* skin) {
  if (item == m_pressedItem.Get()) return;
  SetPressed(false);
  ResetPressed();
  m_pressedItem.Reset(item);
  if (item) m_pressedSkin.Reset(skin ? skin : SkinOf(item));
  SetPressed(true);
}

void TZebrinSkinMouse::CheckHot() {
  if (!m_hotItem.Get()) {
    ResetHot();
    return;
  }
  if (m_hotRect.Contains(Cursor())) return;
  SetHot(false);
  ResetHot();
}

void TZebrinSkinMouse::CheckPressed() {
  if (IsLocked()) return;
  // A system menu, popup menu or button drag holds the mouse.
  if (m_manager && (m_manager->DragFlag() || m_manager->IsDragging())) return;
  if (!m_pressedItem.Get()) {
    ResetPressed();
    return;
  }
  if (platform::CurrentDesktopService().LeftButtonDown()) {
    SetPressed(m_pressedRect.Contains(Cursor()));
    return;
  }
  SetPressed(false);
  ResetPressed();
}

bool TZebrinSkinMouse::SetCursor(platform::TObject* item) {
  if (auto* button = dynamic_cast<TZebrinSkinCustomButton*>(item)) {
    TZebrinSkinCustomButtons* buttons = button->Buttons();
    return buttons && buttons->SetCursor(button->Index());
  }
  if (auto* icon = dynamic_cast<TZebrinSkinIcon*>(item)) return icon->SetCursor();
  return false;
}

void TZebrinSkinMouse::ForgetSkin(const TZebrinCustomSkin& skin) {
  if (const platform::TObject* hot = m_hotItem.Get(); hot && SkinOf(hot) == &skin) ResetHot();
  const platform::TObject* pressed = m_pressedItem.Get();
  if ((pressed && SkinOf(pressed) == &skin) || m_pressedSkin.Get() == &skin) ResetPressed();
}

void TZebrinSkinMouse::ForgetItem(const platform::TObject& item) {
  if (m_hotItem.Get() == &item) ResetHot();
  if (m_pressedItem.Get() == &item) ResetPressed();
}

}  // namespace halbrin::skins
