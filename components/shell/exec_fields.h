#pragma once

// The two command-line conventions a shortcut meets: the Windows rules
// scripts write `arguments` by, and the desktop-entry rules of an `Exec` key.
// Nothing here ever reaches a shell: both only turn text into argv fields.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin {

// Blanks (space, tab) separate fields; double quotes group; 2n backslashes
// before a quote give n backslashes and the quote toggles quoting, 2n+1 give
// n and a literal quote; other backslashes are literal. `""` is an empty field.
std::vector<std::string> SplitWindowsCommandLine(std::string_view text);
// The fields as a Windows command line that splits back to them.
std::string JoinWindowsCommandLine(const std::vector<std::string>& fields);

// One field by the desktop-entry rules: quoted when empty or holding a
// reserved character, with `"` `` ` `` `$` `\` escaped inside the quotes, and
// every "%" doubled, so no field becomes a field code.
std::string QuoteExecField(std::string_view field);
std::string JoinExecFields(const std::vector<std::string>& fields);
// The fields of an `Exec` value: field codes (%f %F %u %U %i %c %k and the
// deprecated %d %D %n %N %v %m) dropped, "%%" read as "%". Nothing when a
// quote is left open.
std::optional<std::vector<std::string>> ParseExecFields(std::string_view value);

}  // namespace halbrin
