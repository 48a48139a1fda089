#pragma once

// Windows file masks ("*.txt", "report?.*") matched against file names.

#include <string>
#include <string_view>

namespace halbrin {

enum class TMaskCase { Sensitive, Ignore };

// True when `name` matches `mask`: "*" and "*.*" match every name; otherwise
// shell wildcards (fnmatch with FNM_PERIOD, so a leading dot is matched only
// by a dot), letter case as `letterCase` says.
bool MaskMatches(const std::string& mask, const std::string& name, TMaskCase letterCase = TMaskCase::Sensitive);

// True when `name` matches any of the masks of a ";"-separated list
// ("*.htm;*.html"); blanks around a mask are ignored, empty masks match nothing.
bool MaskListMatches(std::string_view masks, const std::string& name, TMaskCase letterCase);

}  // namespace halbrin
