#pragma once

namespace halbrin::skins {

// Lets the application object make the skin manager (its "skins" object) and
// sends CreateSkinManager through it while an application exists. Called
// once by the program's entry, before the application is made.
void RegisterSkinObjects();

}  // namespace halbrin::skins
