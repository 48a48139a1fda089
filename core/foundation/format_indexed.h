#pragma once

// The class library's Format with argument indexes, for patterns that scripts
// supply: "%[index:][-][width][.precision]type" with the types d, u, x, s, f,
// g, e, n, m and "%%". An index moves the argument position; the following
// specifiers go on from there. Nothing of the pattern reaches printf.
//
//   FormatIndexed("%1:s=%0:d", {Variant(7), Variant("x")})  // "x=7"

#include <span>
#include <string>
#include <string_view>

#include "platform/variant/variant.h"

namespace halbrin {

// Raises EConvertError "Format '%s' invalid or incompatible with argument"
// (with the whole pattern) for a specifier that does not parse, an argument
// missing, or an argument of a kind the type cannot take (text under d, u, x,
// f, g, e, n, m). Under s any argument is written by its text conversion.
std::string FormatIndexed(std::string_view pattern, std::span<const platform::Variant> args);

}  // namespace halbrin
