#pragma once

namespace halbrin {

// Registers the type words of the form components ("action").
void RegisterFormComponentTypes();

}  // namespace halbrin
