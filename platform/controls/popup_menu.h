#pragma once

#include "platform/classes/component.h"

namespace halbrin::platform {

// The type of a control's published PopupMenu: only what controls and skins
// need to hold and open one. The menus build on it.
class TPopupMenu : public TComponent {
  HALBRIN_CLASS(TPopupMenu, TComponent)

  explicit TPopupMenu(TComponent* owner = nullptr);
  ~TPopupMenu() override;

  // The component the menu is opened for; cleared when that one goes.
  TComponent* PopupComponent() const noexcept { return m_popupComponent; }
  void SetPopupComponent(TComponent* component);

  // The menu opens by itself on a right click (of a control or a skin's caption).
  bool AutoPopup() const noexcept { return m_autoPopup; }
  void SetAutoPopup(bool value) noexcept { m_autoPopup = value; }

  // Shows the menu at a screen point. This type shows nothing.
  virtual void Popup(int x, int y);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* m_popupComponent = nullptr;
  bool m_autoPopup = true;
};

}  // namespace halbrin::platform
