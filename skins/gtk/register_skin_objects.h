#pragma once

namespace halbrin::skins {

// Lets the application object make the skin manager (its "skins" object),
// sends CreateSkinManager through it while an application exists, and sends
// the skin log to the application's log. Called once by the program's entry,
// before the application is made.
void RegisterSkinObjects();

}  // namespace halbrin::skins
