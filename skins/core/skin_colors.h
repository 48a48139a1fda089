#pragma once

#include <array>
#include <string_view>

#include "platform/graphics/color.h"

namespace halbrin::skins {

using platform::TColor;

struct TSkinColorName {
  std::string_view name;
  TColor value;
};

// The colour names a skin file may use (any letter case): the system colours
// by their element names, and "default".
extern const std::array<TSkinColorName, 26> SkinColorNames;

// A colour of a skin file: the text without surrounding blanks and control
// characters, looked up among SkinColorNames, else read as hexadecimal
// "#rrggbb" (short texts padded with leading zeros). Anything else, a sign,
// "0x" or a value above 32 bits included, gives clDefault.
TColor SkinFileColorText(std::string_view text);

}  // namespace halbrin::skins
