#pragma once

#include <string_view>

namespace halbrin {

// Windows file masks: "*" any run of characters, "?" one character, every
// other character itself ("[" too); a leading dot is matched like any other
// character. "*" and "*.*" match every name. With ignoreCase both sides are
// compared after the project's case folding (g_utf8_casefold).
bool MatchesWindowsMask(std::string_view mask, std::string_view name, bool ignoreCase);

}  // namespace halbrin
