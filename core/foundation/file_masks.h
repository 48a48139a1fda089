#pragma once

// Windows file masks ("*.txt", "report?.*") matched against file names.

#include <string_view>

namespace halbrin {

enum class TMaskCase { Sensitive, Ignore };

// True when `name` matches `mask`: "*" any run of characters, "?" one
// character, every other character itself ("[" too); a leading dot is matched
// like any other character. "*" and "*.*" match every name. Ignoring case
// compares both sides after the project's case folding (g_utf8_casefold).
bool MaskMatches(std::string_view mask, std::string_view name, TMaskCase letterCase = TMaskCase::Sensitive);

// True when `name` matches any of the masks of a ";"-separated list
// ("*.htm;*.html"); blanks around a mask are ignored, empty masks match nothing.
bool MaskListMatches(std::string_view masks, std::string_view name, TMaskCase letterCase);

}  // namespace halbrin
