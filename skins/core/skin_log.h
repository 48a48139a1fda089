#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin::skins {

// Where the skin engine reports what it could not do (a theme library that
// did not load, a drawing hook that failed). RegisterSkinObjects sends it to
// the application's log; with no sink set the lines are kept for tests.
using TSkinLogSink = std::function<void(std::string_view source, std::string_view message)>;

// Replaces the sink; an empty one keeps the lines again.
void SetSkinLogSink(TSkinLogSink sink);
// `source` is the reporting class ("TZebrinSkinTheme").
void SkinLog(std::string_view source, std::string_view message);
// The messages kept while no sink was set, oldest first (at most the last
// 1000); taking them empties the store.
std::vector<std::string> TakeSkinLogMessages();

}  // namespace halbrin::skins
