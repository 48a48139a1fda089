#include "skins/gtk/gtk_skin_popup_factory.h"

#include "skins/gtk/gtk_skin_hint_window.h"
#include "skins/gtk/gtk_skin_item_editor.h"
#include "skins/gtk/gtk_skin_popups.h"

namespace halbrin::skins {

std::unique_ptr<ISkinHintWindow> TGtkSkinPopupFactory::CreateHintWindow() {
  return std::make_unique<TGtkSkinHintWindow>();
}
std::unique_ptr<ISkinPopupWindow> TGtkSkinPopupFactory::CreatePopupWindow() {
  return std::make_unique<TGtkSkinPopupWindow>();
}
std::unique_ptr<ISkinDockIndicator> TGtkSkinPopupFactory::CreateDockIndicator() {
  return std::make_unique<TGtkDockIndicator>();
}
std::unique_ptr<ISkinDragIndicator> TGtkSkinPopupFactory::CreateDragIndicator() {
  return std::make_unique<TGtkDragIndicator>();
}
std::unique_ptr<ISkinItemEditor> TGtkSkinPopupFactory::CreateItemEditor() {
  return std::make_unique<TGtkSkinItemEditor>();
}

}  // namespace halbrin::skins
