#include "components/menus/menu_component_types.h"

#include "components/menus/menu_item_ex.h"
#include "components/menus/popup_menu_ex.h"
#include "core/framework/component_types.h"

namespace halbrin {

using namespace halbrin::platform;

std::unique_ptr<TComponent> NewDeclaredMenuItem(TComponent& owner) {
  // The item is made with the owner it joins; the type table inserts it there.
  if (auto* menu = dynamic_cast<TPopupMenu*>(&owner)) return std::make_unique<TMenuItemEx>(&menu->Items());
  return std::make_unique<TMenuItemEx>(&owner);
}

void RegisterMenuComponentTypes() {
  RegisterComponentClass<TPopupMenuEx>("menu");
  RegisterComponentType("menuitem", NewDeclaredMenuItem);
}

}  // namespace halbrin
