#pragma once

#include <cstdint>

namespace halbrin {

// OLE date of an MS-DOS date and time word (as archives store them): year
// 1980 + bits 9-15, month bits 5-8, day bits 0-4; hour bits 11-15, minute bits
// 5-10, seconds 2 x bits 0-4. A date word of 0 (no date recorded) is day 0.
// Other impossible fields raise EConvertError.
double DosDateTimeToDateTime(std::uint16_t date, std::uint16_t time);
// The date word is the high half of `value`, the time word the low half.
void SplitDosDateTime(std::uint32_t value, std::uint16_t& date, std::uint16_t& time) noexcept;

// 00:00 of the first day, and 23:59:59.999 of the last day, of the quarter
// that holds the month: its first month is (month - 1) / 3 * 3 + 1, so month 0
// counts as the first quarter and months past 12 raise EConvertError.
double StartOfQuarter(int year, int month);
double EndOfQuarter(int year, int month);
// The same for the year and month of an OLE date.
double StartOfQuarterOf(double date);
double EndOfQuarterOf(double date);

}  // namespace halbrin
