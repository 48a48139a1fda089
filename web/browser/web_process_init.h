#pragma once

namespace halbrin {

// WebKit's one-time process initialisation, run on purpose before anything
// else of the process makes a JavaScriptCore context: a context made first
// leaves every later page load of the process hanging. Creates and drops one
// WebKitUserContentManager (about a millisecond, no display needed). Call it
// first thing in main(); later calls do nothing.
void InitializeWebProcess();

}  // namespace halbrin
