#pragma once

#include <memory>

#include "platform/classes/component.h"

namespace halbrin {

// Registers the type words of the menu components ("menu", "menuitem").
void RegisterMenuComponentTypes();

// A "menuitem" made for `owner`: under a TPopupMenuEx it joins the menu's
// top level, under a menu item that item's sub-items, elsewhere it is a
// free-standing item owned by `owner`.
std::unique_ptr<platform::TComponent> NewDeclaredMenuItem(platform::TComponent& owner);

}  // namespace halbrin
