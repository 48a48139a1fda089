#pragma once

#include "skins/core/skin_windows.h"

namespace halbrin::skins {

// Makes the GTK utility windows. Needs GTK initialised with a display.
class TGtkSkinPopupFactory : public ISkinPopupFactory {
 public:
  std::unique_ptr<ISkinHintWindow> CreateHintWindow() override;
  std::unique_ptr<ISkinPopupWindow> CreatePopupWindow() override;
  std::unique_ptr<ISkinDockIndicator> CreateDockIndicator() override;
  std::unique_ptr<ISkinDragIndicator> CreateDragIndicator() override;
  std::unique_ptr<ISkinItemEditor> CreateItemEditor() override;
};

// Installs a GTK factory as the process's for the life of the object; the
// program holds one while a display is open.
class GtkSkinPopupFactoryScope {
 public:
  GtkSkinPopupFactoryScope() : m_scope(m_factory) {}
  GtkSkinPopupFactoryScope(const GtkSkinPopupFactoryScope&) = delete;
  GtkSkinPopupFactoryScope& operator=(const GtkSkinPopupFactoryScope&) = delete;

 private:
  TGtkSkinPopupFactory m_factory;
  ScopedSkinPopupFactory m_scope;
};

}  // namespace halbrin::skins
