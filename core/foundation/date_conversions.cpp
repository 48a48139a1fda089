#include "core/foundation/date_conversions.h"

#include "platform/variant/ole_date.h"

using namespace halbrin::platform;

namespace halbrin {
namespace {

int FirstMonthOfQuarter(int month) noexcept { return (month - 1) / 3 * 3 + 1; }

}  // namespace

double DosDateTimeToDateTime(std::uint16_t date, std::uint16_t time) {
  const int hour = time >> 11;
  const int minute = (time >> 5) & 0x3F;
  const int second = (time & 0x1F) * 2;
  // Archives often carry no date at all; that is no reason to refuse the entry.
  if (date == 0) return EncodeOleDate(1899, 12, 30, hour, minute, second);
  return EncodeOleDate(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F, hour, minute, second);
}

void SplitDosDateTime(std::uint32_t value, std::uint16_t& date, std::uint16_t& time) noexcept {
  date = static_cast<std::uint16_t>(value >> 16);
  time = static_cast<std::uint16_t>(value & 0xFFFF);
}

double StartOfQuarter(int year, int month) {
  return EncodeOleDate(year, FirstMonthOfQuarter(month), 1);
}

double EndOfQuarter(int year, int month) {
  const int lastMonth = FirstMonthOfQuarter(month) + 2;
  return EncodeOleDate(year, lastMonth, DaysInMonth(year, lastMonth), 23, 59, 59, 999);
}

double StartOfQuarterOf(double date) {
  const DateTimeParts parts = DecodeOleDate(date);
  return StartOfQuarter(parts.year, parts.month);
}

double EndOfQuarterOf(double date) {
  const DateTimeParts parts = DecodeOleDate(date);
  return EndOfQuarter(parts.year, parts.month);
}

}  // namespace halbrin
