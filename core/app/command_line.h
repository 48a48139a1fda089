#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin {

// The program's parameters, program path first. Set once at start; a handed-over
// command line is read with the same functions by passing its list.
class CommandLine {
 public:
  static void Set(std::vector<std::string> args);
  static const std::vector<std::string>& Args();
};

// The index-th parameter (0 is the program path); empty outside the list.
std::string GetParameter(int index);
// The value of the first parameter (from index 1) that begins with name + ":",
// letter case ignored; empty when none.
std::string GetSwitch(std::string_view name);
std::string GetSwitch(std::span<const std::string> args, std::string_view name);
// The index-th parameter up to its first ":"; empty when it has none or starts with one.
std::string SwitchName(int index);
// Whether the switch's value contains `text`, letter case ignored.
bool SwitchIs(std::string_view name, std::string_view text);

}  // namespace halbrin
