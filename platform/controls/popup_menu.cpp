#include "platform/controls/popup_menu.h"

#include "platform/classes/class_builder.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TPopupMenu,
                     .Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
                     .Default(true)
                     .Property("PopupComponent", &TPopupMenu::PopupComponent, &TPopupMenu::SetPopupComponent))

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == m_popupComponent) return;
  if (m_popupComponent) RemoveFreeNotification(m_popupComponent);
  m_popupComponent = component;
  if (m_popupComponent) FreeNotification(m_popupComponent);
}

void TPopupMenu::Popup(int /*x*/, int /*y*/) {}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == m_popupComponent) m_popupComponent = nullptr;
}

}  // namespace halbrin::platform
