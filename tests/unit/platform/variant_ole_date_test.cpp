#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"

namespace halbrin::platform {
namespace {

std::string PartsText(const DateTimeParts& p) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return buffer;
}

TEST(OleDateEncode, KnownDays) {
  struct Row {
    int year, month, day;
    double value;
  };
  const std::vector<Row> rows = {
      {1899, 12, 30, 0},        {1899, 12, 31, 1},       {1900, 1, 1, 2},
      {1900, 3, 1, 61},  // 1900 is no leap year (no spreadsheet quirk)
      {1899, 12, 29, -1},       {1800, 1, 1, -36522},    {1600, 2, 29, -109512},
      {1970, 1, 1, 25569},      {2000, 1, 1, 36526},     {2024, 2, 29, 45351},
      {2100, 2, 28, 73109},     {2100, 3, 1, 73110},     {1, 1, 1, -693593},
      {100, 1, 1, -657434},     {9999, 12, 31, 2958465},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.day << "." << row.month << "." << row.year);
    EXPECT_EQ(EncodeOleDate(row.year, row.month, row.day), row.value);
  }
}

TEST(OleDateEncode, TimeCountsForwardOnNegativeDays) {
  EXPECT_EQ(EncodeOleDate(1899, 12, 30, 6), 0.25);
  EXPECT_EQ(EncodeOleDate(1899, 12, 31, 18), 1.75);
  EXPECT_EQ(EncodeOleDate(1899, 12, 29, 6), -1.25);
  EXPECT_EQ(EncodeOleDate(1899, 12, 29, 18), -1.75);
  EXPECT_EQ(EncodeOleDate(1899, 12, 28, 12), -2.5);
}

TEST(OleDateEncode, InvalidDatesAndTimesRaise) {
  struct Row {
    int year, month, day, hour, minute, second, ms;
  };
  const std::vector<Row> rows = {
      {2023, 2, 29, 0, 0, 0, 0},  {1900, 2, 29, 0, 0, 0, 0},  {2100, 2, 29, 0, 0, 0, 0},
      {2024, 4, 31, 0, 0, 0, 0},  {2024, 2, 30, 0, 0, 0, 0},  {2024, 1, 0, 0, 0, 0, 0},
      {2024, 0, 1, 0, 0, 0, 0},   {2024, 13, 1, 0, 0, 0, 0},  {0, 1, 1, 0, 0, 0, 0},
      {10000, 1, 1, 0, 0, 0, 0},  {2024, 1, 1, 24, 0, 0, 0},  {2024, 1, 1, -1, 0, 0, 0},
      {2024, 1, 1, 0, 60, 0, 0},  {2024, 1, 1, 0, 0, 60, 0},  {2024, 1, 1, 0, 0, 0, 1000},
      {2024, 1, 1, 0, 0, 0, -1},  {2024, 1, 32, 0, 0, 0, 0},  {-5, 1, 1, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(PartsText({r.year, r.month, r.day, r.hour, r.minute, r.second, r.ms}));
    EXPECT_THROW(EncodeOleDate(r.year, r.month, r.day, r.hour, r.minute, r.second, r.ms),
                 EConvertError);
  }
}

TEST(OleDateCalendar, EveryDayFromYear1To9999FollowsTheLastOne) {
  // Walks the calendar independently of the code under test: consecutive days
  // must be consecutive numbers and decode back to themselves.
  const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  double previous = EncodeOleDate(1, 1, 1) - 1;
  for (int year = 1; year <= 9999; ++year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    ASSERT_EQ(IsLeapYear(year), leap) << year;
    for (int month = 1; month <= 12; ++month) {
      const int days = month == 2 && leap ? 29 : monthDays[month - 1];
      ASSERT_EQ(DaysInMonth(year, month), days) << year << "-" << month;
      for (int day = 1; day <= days; ++day) {
        const double value = EncodeOleDate(year, month, day);
        ASSERT_EQ(value, previous + 1) << year << "-" << month << "-" << day;
        const DateTimeParts parts = DecodeOleDate(value);
        ASSERT_EQ(parts, (DateTimeParts{year, month, day, 0, 0, 0, 0})) << PartsText(parts);
        previous = value;
      }
    }
  }
  EXPECT_EQ(previous, 2958465);
}

TEST(OleDateDecode, TimesRoundTripToTheMillisecond) {
  // Days on both sides of day 0: the negative side stores the time away from zero.
  const DateTimeParts days[] = {{1899, 12, 30}, {1899, 12, 29}, {1800, 1, 1}, {2024, 2, 29},
                                {9999, 12, 31}, {1, 1, 1}};
  for (const DateTimeParts& base : days) {
    for (int ms = 0; ms < 86'400'000; ms += 997) {
      DateTimeParts parts = base;
      parts.hour = ms / 3'600'000;
      parts.minute = ms / 60'000 % 60;
      parts.second = ms / 1000 % 60;
      parts.millisecond = ms % 1000;
      const DateTimeParts back = DecodeOleDate(EncodeOleDate(parts));
      ASSERT_EQ(back, parts) << PartsText(parts) << " came back as " << PartsText(back);
    }
  }
}

TEST(OleDateDecode, NegativeValuesAndCarry) {
  EXPECT_EQ(DecodeOleDate(-1.25), (DateTimeParts{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(DecodeOleDate(-1.75), (DateTimeParts{1899, 12, 29, 18, 0, 0, 0}));
  // -0.5 and 0.5 are the same moment, as in OLE.
  EXPECT_EQ(DecodeOleDate(-0.5), (DateTimeParts{1899, 12, 30, 12, 0, 0, 0}));
  // Half a millisecond before midnight rounds into the next day.
  const double lastInstant = 1.0 - 0.4 / 86'400'000;
  EXPECT_EQ(DecodeOleDate(lastInstant), (DateTimeParts{1899, 12, 31, 0, 0, 0, 0}));
  EXPECT_EQ(DecodeOleDate(-1 - lastInstant), (DateTimeParts{1899, 12, 30, 0, 0, 0, 0}));
}

TEST(OleDateDecode, ImpossibleValuesRaise) {
  for (double value : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), 2958466.0, -693594.0, 1e300,
                       -1e300, 9.3e18}) {
    SCOPED_TRACE(value);
    EXPECT_THROW(DecodeOleDate(value), EConvertError);
    EXPECT_THROW(FormatOleDate(value), EConvertError);
  }
}

TEST(OleDateFormat, Texts) {
  struct Row {
    double value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {0, "30.12.1899 00:00:00"},
      {1.5, "31.12.1899 12:00:00"},
      {-1, "29.12.1899 00:00:00"},
      {-1.25, "29.12.1899 06:00:00"},
      {-0.5, "30.12.1899 12:00:00"},
      {EncodeOleDate(2024, 2, 29, 7, 8, 9), "29.02.2024 07:08:09"},
      {EncodeOleDate(2024, 2, 29, 12, 34, 59, 499), "29.02.2024 12:34:59"},
      {EncodeOleDate(2024, 2, 29, 12, 34, 58, 501), "29.02.2024 12:34:59"},
      {EncodeOleDate(2024, 2, 29, 12, 34, 59, 501), "29.02.2024 12:35:00"},
      {EncodeOleDate(2024, 2, 29, 23, 59, 59, 600), "01.03.2024 00:00:00"},
      {EncodeOleDate(2023, 12, 31, 23, 59, 59, 700), "01.01.2024 00:00:00"},
      {EncodeOleDate(1899, 12, 29, 23, 59, 59, 600), "30.12.1899 00:00:00"},
      {EncodeOleDate(1, 1, 1), "01.01.0001 00:00:00"},
      {EncodeOleDate(100, 1, 1, 1, 2, 3), "01.01.0100 01:02:03"},
      {EncodeOleDate(9999, 12, 31, 23, 59, 59), "31.12.9999 23:59:59"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FormatOleDate(row.value), row.text);
  }
  // Rounding past the last supported second is no date.
  EXPECT_THROW(FormatOleDate(EncodeOleDate(9999, 12, 31, 23, 59, 59, 600)), EConvertError);
}

TEST(OleDateFormat, WholeSecondsNeverLoseASecondToRounding) {
  // h:m:59 is not exact in binary; a truncating formatter shows :58 for some.
  for (double day : {EncodeOleDate(2024, 2, 29), EncodeOleDate(1899, 12, 29),
                     EncodeOleDate(9999, 12, 31), EncodeOleDate(1, 1, 1)}) {
    const DateTimeParts base = DecodeOleDate(day);
    for (int hour = 0; hour < 24; ++hour) {
      for (int minute = 0; minute < 60; ++minute) {
        for (int second : {0, 1, 29, 58, 59}) {
          const double value =
              EncodeOleDate(base.year, base.month, base.day, hour, minute, second);
          const std::string text = FormatOleDate(value);
          char expected[9];
          std::snprintf(expected, sizeof expected, "%02d:%02d:%02d", hour, minute, second);
          ASSERT_EQ(text.substr(11), expected) << text;
          ASSERT_EQ(text.substr(0, 10), FormatOleDate(day).substr(0, 10)) << text;
        }
      }
    }
  }
}

TEST(OleDateParse, Accepted) {
  struct Row {
    const char* text;
    double value;
  };
  const std::vector<Row> rows = {
      {"30.12.1899", 0},
      {"1.1.1900", 2},
      {"01.01.1900", 2},
      {"31.12.1899 12:00", 1.5},
      {" 29.02.2024 23:59:59 ", EncodeOleDate(2024, 2, 29, 23, 59, 59)},
      {"1.2.2003\t4:05", EncodeOleDate(2003, 2, 1, 4, 5)},
      {"1.2.2003   04:05:06", EncodeOleDate(2003, 2, 1, 4, 5, 6)},
      {"29.12.1899 06:00", -1.25},
      {"01.01.0001", -693593},
      {"31.12.9999 23:59:59", EncodeOleDate(9999, 12, 31, 23, 59, 59)},
      {"12:00", 0.5},
      {"6:00:00", 0.25},
      {"0:00", 0},
      {"23:59:59", EncodeOleDate(1899, 12, 30, 23, 59, 59)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    double value = -999;
    ASSERT_TRUE(TryParseOleDate(row.text, value));
    EXPECT_EQ(value, row.value);
  }
}

TEST(OleDateParse, Rejected) {
  for (const char* text :
       {"", "  ", "31.02.2024", "29.02.2023", "29.2.1900", "0.1.2000", "1.0.2000", "1.13.2000",
        "32.1.2000", "1.1.99", "1.1.19999", "1.1.0000", "001.1.2000", "1.001.2000", "1.1.2000.",
        "1..2000", "1.1.", "12:60", "24:00", "12:5", "12:000", "123:00", "12:00:5", "12:00:60",
        "12:00:", "12", "12.5", "1/1/2000", "2000-01-01", "1.1.2000 12", "1.1.2000T12:00",
        "1.1.2000 12:00 PM", "1.1.2000 12:00:00.5", "12:00 1.1.2000", "1.1.2000 x", "-1.1.2000",
        "+12:00", "1.1.2000 -12:00", "1.1.2000,12:00", "12:00:00:00"}) {
    SCOPED_TRACE(text);
    double value = -999;
    EXPECT_FALSE(TryParseOleDate(text, value));
    EXPECT_EQ(value, -999);
  }
}

TEST(OleDateParse, FormattedTextReadsBack) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> day(-693593, 2958465);
  std::uniform_int_distribution<int> second(0, 86399);
  for (int i = 0; i < 5000; ++i) {
    const DateTimeParts date = DecodeOleDate(day(random));
    const int s = second(random);
    const double value =
        EncodeOleDate(date.year, date.month, date.day, s / 3600, s / 60 % 60, s % 60);
    const std::string text = FormatOleDate(value);
    double back = 0;
    ASSERT_TRUE(TryParseOleDate(text, back)) << text;
    ASSERT_EQ(back, value) << text;
  }
}

TEST(OleDateNow, IsTheLocalTime) {
  const auto localOle = [](std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeOleDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                         tm.tm_sec > 59 ? 59 : tm.tm_sec);
  };
  const std::time_t before = std::time(nullptr);
  const double now = NowOleDate();
  const std::time_t after = std::time(nullptr);
  const double oneSecond = 1.0 / 86400;
  EXPECT_GE(now, localOle(before) - oneSecond / 1000);
  EXPECT_LT(now, localOle(after) + oneSecond);
}

}  // namespace
}  // namespace halbrin::platform
