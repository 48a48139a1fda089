#include "platform/variant/ole_date.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/variant/number_text.h"

namespace halbrin::platform {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days from 01.01.1970 for a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) noexcept {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

constexpr Civil CivilFromDays(std::int64_t z) noexcept {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);
constexpr std::int64_t kMinDay = DaysFromCivil(1, 1, 1) - kEpochDays;
constexpr std::int64_t kMaxDay = DaysFromCivil(9999, 12, 31) - kEpochDays;
static_assert(kMaxDay == 2958465, "31.12.9999 is OLE day 2958465");

[[noreturn]] void ThrowInvalidDate(double date) {
  throw EConvertError(Format("Invalid OLE date: %s", {FormatDouble(date)}));
}

// The day and the time of day, in `unit` milliseconds, of an OLE date; the
// time is rounded to the nearest unit and a full day carries into the next.
struct DayAndTime {
  std::int64_t day;
  std::int64_t ms;
};

DayAndTime Split(double date, std::int64_t unitMs) {
  // Checked before any cast: a double out of int64 range would be undefined.
  if (!std::isfinite(date) || date < static_cast<double>(kMinDay) - 1.0 ||
      date > static_cast<double>(kMaxDay) + 1.0)
    ThrowInvalidDate(date);
  const double dayPart = std::trunc(date);
  const double fraction = std::fabs(date - dayPart);
  const double units = std::round(fraction * static_cast<double>(kMsPerDay / unitMs));
  DayAndTime result{static_cast<std::int64_t>(dayPart), static_cast<std::int64_t>(units) * unitMs};
  if (result.ms >= kMsPerDay) {
    result.ms -= kMsPerDay;
    ++result.day;
  }
  if (result.day < kMinDay || result.day > kMaxDay) ThrowInvalidDate(date);
  return result;
}

DateTimeParts ToParts(const DayAndTime& split) {
  const Civil civil = CivilFromDays(split.day + kEpochDays);
  DateTimeParts parts;
  parts.year = static_cast<int>(civil.year);
  parts.month = static_cast<int>(civil.month);
  parts.day = static_cast<int>(civil.day);
  std::int64_t ms = split.ms;
  parts.hour = static_cast<int>(ms / 3'600'000);
  ms %= 3'600'000;
  parts.minute = static_cast<int>(ms / 60'000);
  ms %= 60'000;
  parts.second = static_cast<int>(ms / 1000);
  parts.millisecond = static_cast<int>(ms % 1000);
  return parts;
}

void AppendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

// A small cursor over the text being parsed.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : m_text(text) {}

  bool AtEnd() const noexcept { return m_pos == m_text.size(); }
  bool Peek(char c) const noexcept { return m_pos < m_text.size() && m_text[m_pos] == c; }
  bool Take(char c) noexcept {
    if (!Peek(c)) return false;
    ++m_pos;
    return true;
  }
  bool TakeBlanks() noexcept {
    std::size_t start = m_pos;
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t')) ++m_pos;
    return m_pos > start;
  }
  // Between minDigits and maxDigits decimal digits.
  bool TakeNumber(std::size_t minDigits, std::size_t maxDigits, int& value) noexcept {
    std::size_t count = 0;
    int result = 0;
    while (m_pos < m_text.size() && count < maxDigits && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
      result = result * 10 + (m_text[m_pos] - '0');
      ++m_pos;
      ++count;
    }
    if (count < minDigits) return false;
    // A further digit means the field is too long.
    if (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') return false;
    value = result;
    return true;
  }

 private:
  std::string_view m_text;
  std::size_t m_pos = 0;
};

// "hh:nn" or "hh:nn:ss"; fills parts' time fields.
bool ParseTime(Scanner& scanner, DateTimeParts& parts) {
  if (!scanner.TakeNumber(1, 2, parts.hour) || !scanner.Take(':') ||
      !scanner.TakeNumber(2, 2, parts.minute))
    return false;
  parts.second = 0;
  if (scanner.Take(':') && !scanner.TakeNumber(2, 2, parts.second)) return false;
  return parts.hour < 24 && parts.minute < 60 && parts.second < 60;
}

}  // namespace

bool IsLeapYear(int year) noexcept {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) noexcept {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

double EncodeOleDate(int year, int month, int day, int hour, int minute, int second,
                     int millisecond) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
    throw EConvertError(Format("Invalid date or time: %d.%d.%d %d:%d:%d.%d",
                               {day, month, year, hour, minute, second, millisecond}));
  const auto dayNumber = static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpochDays);
  const std::int64_t ms = ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millisecond;
  const double time = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  // Before day 0 the time still counts forward, so it moves the value away from zero.
  return dayNumber < 0 ? dayNumber - time : dayNumber + time;
}

double EncodeOleDate(const DateTimeParts& parts) {
  return EncodeOleDate(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second,
                       parts.millisecond);
}

DateTimeParts DecodeOleDate(double date) { return ToParts(Split(date, 1)); }

std::string FormatOleDate(double date) {
  const DateTimeParts parts = ToParts(Split(date, 1000));
  std::string out;
  out.reserve(19);
  AppendTwoDigits(out, parts.day);
  out.push_back('.');
  AppendTwoDigits(out, parts.month);
  out.push_back('.');
  AppendTwoDigits(out, parts.year / 100);
  AppendTwoDigits(out, parts.year % 100);
  out.push_back(' ');
  AppendTwoDigits(out, parts.hour);
  out.push_back(':');
  AppendTwoDigits(out, parts.minute);
  out.push_back(':');
  AppendTwoDigits(out, parts.second);
  return out;
}

bool TryParseOleDate(std::string_view text, double& out) {
  Scanner scanner(TrimBlanks(text));
  DateTimeParts parts;
  int first = 0;
  if (!scanner.TakeNumber(1, 2, first)) return false;
  if (scanner.Peek(':')) {
    // A time alone: rescan from the start.
    scanner = Scanner(TrimBlanks(text));
    if (!ParseTime(scanner, parts) || !scanner.AtEnd()) return false;
    out = static_cast<double>(((parts.hour * 60 + parts.minute) * 60 + parts.second) * std::int64_t{1000}) /
          static_cast<double>(kMsPerDay);
    return true;
  }
  parts.day = first;
  if (!scanner.Take('.') || !scanner.TakeNumber(1, 2, parts.month) || !scanner.Take('.') ||
      !scanner.TakeNumber(4, 4, parts.year))
    return false;
  parts.hour = parts.minute = parts.second = 0;
  if (!scanner.AtEnd()) {
    if (!scanner.TakeBlanks() || !ParseTime(scanner, parts) || !scanner.AtEnd()) return false;
  }
  if (parts.year < 1 || parts.month < 1 || parts.month > 12 || parts.day < 1 ||
      parts.day > DaysInMonth(parts.year, parts.month))
    return false;
  out = EncodeOleDate(parts);
  return true;
}

double NowOleDate() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto sinceEpoch = now.time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
  return EncodeOleDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                       local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                       static_cast<int>(ms < 0 ? ms + 1000 : ms));
}

}  // namespace halbrin::platform
