#pragma once

#include <string>
#include <string_view>

#include "core/foundation/format_settings.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

// Writes a date and time by a format of the class library's letters, letter
// case of the tokens ignored: c, d, dd, ddd, dddd, ddddd, dddddd, m, mm, mmm,
// mmmm, yy, yyyy, h, hh, n, nn, s, ss, z, zzz, t, tt, am/pm, a/p, ampm, / and
// : (the settings' separators), quoted text ('...' or "...") and any other
// character as it stands. An m or mm that follows an hour (with only
// separators and literals between) is the minute. With an am/pm token the
// hour runs 1..12. An empty format is "c".
std::string FormatDateTime(std::string_view format, const platform::DateTimeParts& parts,
                           const FormatSettings& settings = DefaultFormatSettings());

// The format with each m or mm that follows an hour turned into n or nn, so
// that the parser reads back as minutes what FormatDateTime wrote.
std::string MinutesAfterHours(std::string_view format);

// 0 for Sunday .. 6 for Saturday.
int DayOfWeek(int year, int month, int day) noexcept;

}  // namespace halbrin
