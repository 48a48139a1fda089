#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/graphics/color.h"

namespace halbrin {

using TColor = platform::TColor;
using platform::clDefault;
using platform::clNone;

// A name of the colour table (any letter case) or else HexTextToColor of the text.
TColor TextToColor(std::string_view text);
// "#RRGGBB" (the "#" optional, fewer digits padded on the left with "0");
// clDefault when the text is empty or not hexadecimal.
TColor HexTextToColor(std::string_view text);
// The table's lower-case name of the value (the first row that has it), else ColorToHexText.
std::string ColorToText(TColor color);
// "#" and the red, green and blue bytes as upper-case hex; the high byte is not written.
std::string ColorToHexText(TColor color);

// The colour `step` of `steps` on the way from a to b, each channel
// a + (step * (b - a)) / (steps - 1) rounded to nearest: step 0 gives a, step
// steps - 1 gives b. Plain colours only (resolve system colours first).
TColor BlendColor(TColor a, TColor b, int step, int steps);

}  // namespace halbrin
