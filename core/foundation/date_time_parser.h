#pragma once

#include <string_view>

#include "core/foundation/format_settings.h"

namespace halbrin {

// Reads `text` by a format of the class library's date-time letters and gives
// an OLE date. Both texts are compared in upper case; an empty format is "C".
// Fields the format does not fill keep the values of date 0 (30.12.1899
// 00:00:00.000). Parsing stops without error at the end of either text or at
// a format character that is no token; what remains of the other is ignored.
//
// Tokens: literal characters (blank, tab, line breaks and .,`~!@#$%^&*()_-=+\|]}[{?;),
// quoted text, C, D DD (day), DDD DDDD (day names, ignored), DDDDD DDDDDD (short
// and long date format), M MM (month), MMM MMMM (month names), YY (below 50 is
// 20xx, else 19xx), YYYY, H HH, N NN, S SS, Z ZZZ (milliseconds), T TT (short and
// long time format), AM/PM, A/P, AMPM (the settings' texts), / and : (the
// settings' separators). A letter run is taken longest first.
//
// Raises EConvertError:
//  - "Could not convert "%s" using format "%s"" with the rest of the text and of
//    the expanded format (after the failing token) when a literal, separator,
//    name or AM/PM marker does not match;
//  - "'' is not a valid integer value" when a number field finds no digit;
//  - the date encoding error of EncodeOleDate for fields that give no date.
double ParseDateTime(std::string_view format, std::string_view text,
                     const FormatSettings& settings = DefaultFormatSettings());

}  // namespace halbrin
