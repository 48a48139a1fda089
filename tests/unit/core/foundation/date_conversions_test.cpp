#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/foundation/date_conversions.h"
#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"

namespace halbrin {
namespace {

using platform::EConvertError;
using platform::EncodeOleDate;

std::string Text(double date) {
  const platform::DateTimeParts p = platform::DecodeOleDate(date);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return buffer;
}

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
std::uint16_t DosTime(int hour, int minute, int twoSeconds) {
  return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | twoSeconds);
}

TEST(DosDateTime, DecodesTheFields) {
  const struct {
    std::uint16_t date, time;
    const char* expected;
  } cases[] = {
      {DosDate(2024, 3, 5), DosTime(13, 45, 15), "2024-03-05 13:45:30.000"},
      {DosDate(1980, 1, 1), 0, "1980-01-01 00:00:00.000"},
      {DosDate(2107, 12, 31), DosTime(23, 59, 29), "2107-12-31 23:59:58.000"},  // the largest stamp
      {0x5865, 0x6D6F, "2024-03-05 13:43:30.000"},
      // No date recorded, as archives often have: day 0, with the time kept.
      {0, 0, "1899-12-30 00:00:00.000"},
      {0, DosTime(8, 30, 0), "1899-12-30 08:30:00.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
    EXPECT_EQ(Text(DosDateTimeToDateTime(c.date, c.time)), c.expected);
  }
}

TEST(DosDateTime, ImpossibleFieldsRaise) {
  const struct {
    std::uint16_t date, time;
  } cases[] = {
      {DosDate(2024, 0, 5), 0},  {DosDate(2024, 13, 5), 0},        {DosDate(2024, 2, 30), 0},
      {DosDate(2024, 3, 0), 0},  {DosDate(2024, 3, 5), DosTime(24, 0, 0)},
      {DosDate(2024, 3, 5), DosTime(12, 60, 0)}, {DosDate(2024, 3, 5), DosTime(12, 0, 30)},  // 60 s
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
    EXPECT_THROW(DosDateTimeToDateTime(c.date, c.time), EConvertError);
  }
}

TEST(DosDateTime, SplitTakesDateFromTheHighHalf) {
  std::uint16_t date = 0, time = 0;
  SplitDosDateTime(0x58656D6Fu, date, time);
  EXPECT_EQ(date, 0x5865);
  EXPECT_EQ(time, 0x6D6F);
  SplitDosDateTime(0, date, time);
  EXPECT_EQ(date, 0);
  EXPECT_EQ(time, 0);
}

TEST(Quarters, EveryMonthOfALeapYear) {
  const char* starts[] = {"2024-01-01", "2024-04-01", "2024-07-01", "2024-10-01"};
  const char* ends[] = {"2024-03-31", "2024-06-30", "2024-09-30", "2024-12-31"};
  for (int month = 1; month <= 12; ++month) {
    SCOPED_TRACE(month);
    const int quarter = (month - 1) / 3;
    EXPECT_EQ(Text(StartOfQuarter(2024, month)), std::string(starts[quarter]) + " 00:00:00.000");
    EXPECT_EQ(Text(EndOfQuarter(2024, month)), std::string(ends[quarter]) + " 23:59:59.999");
    const double midMonth = EncodeOleDate(2024, month, 15, 18, 30);
    EXPECT_EQ(StartOfQuarterOf(midMonth), StartOfQuarter(2024, month));
    EXPECT_EQ(EndOfQuarterOf(midMonth), EndOfQuarter(2024, month));
  }
}

TEST(Quarters, EdgesOfTheQuarter) {
  // The last millisecond of a quarter still belongs to it.
  EXPECT_EQ(Text(StartOfQuarterOf(EndOfQuarter(2023, 2))), "2023-01-01 00:00:00.000");
  EXPECT_EQ(Text(EndOfQuarterOf(StartOfQuarter(2023, 4))), "2023-06-30 23:59:59.999");
  EXPECT_EQ(Text(EndOfQuarter(2023, 1)), "2023-03-31 23:59:59.999");
  EXPECT_EQ(Text(StartOfQuarterOf(0)), "1899-10-01 00:00:00.000");  // day 0 is 30.12.1899
  // Month 0 falls into the first quarter by the rule; months past 12 give no date.
  EXPECT_EQ(Text(StartOfQuarter(2024, 0)), "2024-01-01 00:00:00.000");
  EXPECT_THROW(StartOfQuarter(2024, 13), EConvertError);
  EXPECT_THROW(EndOfQuarter(2024, 13), EConvertError);
}

}  // namespace
}  // namespace halbrin
