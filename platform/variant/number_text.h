#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halbrin::platform {

// Number <-> text conversions shared by the whole system. All of them are
// locale-independent: "." is the only decimal separator, no digit grouping.
// A failed TryParse leaves `out` unchanged.

// The shortest text that reads back as the same double; "NAN", "INF", "-INF".
std::string FormatDouble(double value);
// The same for a single-precision value: 0.1f is written "0.1", not as the
// longer text of its double widening.
std::string FormatFloat(float value);
// Decimal text of an integer.
std::string FormatInt64(std::int64_t value);

// A decimal number with optional sign, fraction and exponent, or "NAN",
// "INF", "-INF" in any case. Surrounding blanks are ignored; anything else
// (trailing text, "," as separator, hex) fails. Out-of-range values fail.
bool TryParseDouble(std::string_view text, double& out);

// An optional sign followed by decimal digits or by hex digits written as
// "$FF" or "0xFF". Surrounding blanks are ignored. A value outside int64
// (including hex above 0x7FFFFFFFFFFFFFFF) fails.
bool TryParseInt64(std::string_view text, std::int64_t& out);

// The text without leading and trailing blanks (spaces, tabs, line breaks).
std::string_view TrimBlanks(std::string_view text) noexcept;

}  // namespace halbrin::platform
