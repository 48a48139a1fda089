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

// Registers the type words of the core's own components ("text", "object", "interpreter",
// "windowswitch").
void RegisterCoreComponentTypes();

// Creates a component of the type word, owned by `owner` (by the application
// object when `owner` is no component) and named `name` when it is not empty.
// "item" adds a new item when `owner` is a collection. Nullptr for an unknown
// word or when there is nobody to own the component.
platform::TObject* CreateComponentByType(platform::TObject* owner, std::string_view type, const std::string& name);

}  // namespace halbrin
