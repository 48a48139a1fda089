#pragma once

// Identifier texts: hex texts of bytes, GUID-style texts, random words and
// the letter-and-digit form of any text. Bytes travel as std::string.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/base/exception.h"

namespace halbrin {

// Every byte as two upper-case hex digits, in order.
std::string BytesToHex(std::string_view bytes);

// Each character copied, and `separator` written after every 1-based
// position in `positions` (positions outside 1..255 are ignored).
std::string InsertSeparators(std::string_view text, const std::set<int>& positions,
                             std::string_view separator);

// "{%s}" of the hex text with "-" after digits 8, 12, 16 and 20: 16 bytes give
// the 38-character braced GUID form; other lengths give the same pattern
// over their own hex text.
std::string BytesToGuidText(std::string_view bytes);

// The trimmed text without its "-" and without the braces when it has them
// ("{" first, "}" last, each dropped only when present).
std::string StripGuidText(std::string_view text);

// The bytes of StripGuidText(text), one for each pair of hex digits (a last
// odd digit is ignored). A pair that is not hex raises EConvertError
// "'$XY' is not a valid integer value".
std::string GuidTextToBytes(std::string_view text);

// A braced GUID-style text of 16 random bytes. The generator is seeded once
// per process from the system's entropy source (again in a forked child), so
// calls in a tight loop never repeat.
std::string NewGuidText();

// `length` letters alternating consonant ("bcdfghjklmnpqrstvwxyz") and vowel
// ("aeiou"), a consonant first; "" when length < 1. Same generator as NewGuidText.
std::string RandomWord(int length);

// Eight upper-case hex digits of a trimmed decimal 32-bit integer ("-1" gives
// "FFFFFFFF"); "" when the text is empty or no such integer.
std::string IntTextToHex(std::string_view text);

// The decimal text of a trimmed hex text, with or without a leading "$", read
// as a 32-bit integer ("FFFFFFFF" gives "-1"); "" when it does not convert
// (no digits, a sign, or a value above FFFFFFFF).
std::string HexTextToIntText(std::string_view text);

// Every byte that is not an ASCII letter (nor, with keepDigits, a digit)
// mapped onto a letter or digit by its code, so the result is always [A-Za-z0-9]*.
std::string ToAlphaNumeric(std::string_view text, bool keepDigits);

// True when every bit of `mask` is set in `value`.
constexpr bool HasAllFlags(std::uint32_t value, std::uint32_t mask) noexcept {
  return (value & mask) == mask;
}

}  // namespace halbrin
