#pragma once

#include <string>
#include <string_view>

namespace halbrin::platform {

// OLE dates: days since 30.12.1899 as a double, the fraction being the time of
// day. For negative values the integer part is the day (before 30.12.1899) and
// the fraction still counts forward as the time: -1.25 is 29.12.1899 06:00.
// Years 1..9999 of the proleptic Gregorian calendar are supported.

struct DateTimeParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

// Raises EConvertError for a date or time that does not exist.
double EncodeOleDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                     int millisecond = 0);
double EncodeOleDate(const DateTimeParts& parts);

// Rounded to the nearest millisecond. Raises EConvertError for NaN, infinity
// or a value outside years 1..9999.
DateTimeParts DecodeOleDate(double date);

// "dd.mm.yyyy hh:nn:ss", rounded to the nearest second (23:59:59.6 is the next
// day's 00:00:00). Raises like DecodeOleDate.
std::string FormatOleDate(double date);

// "dd.mm.yyyy", "dd.mm.yyyy hh:nn", "dd.mm.yyyy hh:nn:ss", "hh:nn" or
// "hh:nn:ss"; day, month and hour take one or two digits, the year four,
// minutes and seconds two. Surrounding blanks are ignored. A time alone is a
// time on day 0. On failure `out` is left unchanged.
bool TryParseOleDate(std::string_view text, double& out);

// The current local date and time.
double NowOleDate();

bool IsLeapYear(int year) noexcept;
int DaysInMonth(int year, int month) noexcept;  // 0 for an invalid month

}  // namespace halbrin::platform
