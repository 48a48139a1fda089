#pragma once

// The component type-name table: the type words XML declarations and
// `IComponent.add` create components by ("timer", "text"...). Each component
// family registers its words once; lookups ignore letter case.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/component.h"

namespace halbrin {

// Makes a component for `owner`; the table inserts it into the owner the
// component was made with (normally `owner`).
using TComponentTypeFactory = std::function<std::unique_ptr<platform::TComponent>(platform::TComponent& owner)>;

// Adds or replaces a type word.
void RegisterComponentType(std::string_view word, TComponentTypeFactory factory);
void UnregisterComponentType(std::string_view word);
bool IsComponentType(std::string_view word);

template <class T>
void RegisterComponentClass(std::string_view word) {
  RegisterComponentType(word, [](platform::TComponent& owner) -> std::unique_ptr<platform::TComponent> {
    return std::make_unique<T>(&owner);
  });
}

// Makes an item of a nested item word ("task" inside a task scheduler)
// inside `owner`, named `name`; null when `owner` takes no such item (the
// word is then looked up as a component type).
using TItemTypeFactory = std::function<platform::TObject*(platform::TObject& owner, const std::string& name)>;

// Adds or replaces an item word.
void RegisterItemType(std::string_view word, TItemTypeFactory factory);
void UnregisterItemType(std::string_view word);

// Registers the type words of the core's own components ("text", "object", "interpreter",
// "windowswitch").
void RegisterCoreComponentTypes();

// Creates a component of the type word, owned by `owner` (by the application
// object when `owner` is no component) and named `name` when it is not empty.
// "item" adds a new item when `owner` is a collection; an item word makes
// its item when `owner` takes one. Nullptr for an unknown
// word or when there is nobody to own the component.
platform::TObject* CreateComponentByType(platform::TObject* owner, std::string_view type, const std::string& name);

}  // namespace halbrin
