#pragma once

namespace halbrin::platform {

// Initialises GTK on the first call and tells whether a display could be
// opened; later calls return the first answer without touching GTK again.
// Call it from the main thread, before any other GTK function.
bool InitGtk();

}  // namespace halbrin::platform
