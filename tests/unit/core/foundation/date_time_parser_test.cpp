#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/foundation/date_time_parser.h"
#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"

namespace halbrin {
namespace {

using platform::DateTimeParts;
using platform::DecodeOleDate;
using platform::EConvertError;

std::string PartsText(const DateTimeParts& p) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.millisecond);
  return buffer;
}

// The parsed value as "yyyy-mm-dd hh:nn:ss.zzz", so a failing row shows every field.
std::string Parsed(std::string_view format, std::string_view text,
                   const FormatSettings& settings = DefaultFormatSettings()) {
  return PartsText(DecodeOleDate(ParseDateTime(format, text, settings)));
}

// Settings unlike the defaults in every field the parser reads.
FormatSettings RussianLikeSettings() {
  FormatSettings s;
  s.shortDateFormat = "dd/mm/yy";
  s.longDateFormat = "d mmmm yyyy";
  s.shortTimeFormat = "h:nn";
  s.longTimeFormat = "h:nn:ss";
  s.dateSeparator = '-';
  s.timeSeparator = '.';
  s.timeAmString = "дп";
  s.timePmString = "пп";
  s.shortMonthNames = {"янв", "фев", "мар", "апр", "мая", "июн",
                       "июл", "авг", "сен", "окт", "ноя", "дек"};
  s.longMonthNames = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                      "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
  s.shortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  s.longDayNames = {"воскресенье", "понедельник", "вторник", "среда",
                    "четверг",     "пятница",     "суббота"};
  return s;
}

struct Case {
  const char* format;
  const char* text;
  const char* expected;
};

void ExpectAll(const std::vector<Case>& cases, const FormatSettings& settings = DefaultFormatSettings()) {
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format '" << c.format << "', text '" << c.text << "'");
    EXPECT_EQ(Parsed(c.format, c.text, settings), c.expected);
  }
}

TEST(ParseDateTime, NumberFields) {
  ExpectAll({
      {"DD.MM.YYYY", "05.03.2024", "2024-03-05 00:00:00.000"},
      {"dd.mm.yyyy", "05.03.2024", "2024-03-05 00:00:00.000"},  // formats are upper-cased
      {"D.M.YYYY", "5.3.2024", "2024-03-05 00:00:00.000"},
      {"D.M.YYYY", "15.11.2024", "2024-11-15 00:00:00.000"},  // one letter still reads two digits
      {"DDMMYYYY", "05032024", "2024-03-05 00:00:00.000"},    // each field stops at its width
      {"YYYYMMDD", "20240305", "2024-03-05 00:00:00.000"},
      {"YYYY", "24", "0024-12-30 00:00:00.000"},              // four-digit years are taken as written
      {"HH:NN:SS", "13:45:30", "1899-12-30 13:45:30.000"},
      {"H:N:S", "7:5:3", "1899-12-30 07:05:03.000"},
      {"HH:NN:SS.ZZZ", "13:45:30.250", "1899-12-30 13:45:30.250"},
      {"HH:NN:SS.Z", "13:45:30.5", "1899-12-30 13:45:30.005"},  // milliseconds, not a fraction
      {"HHNN", "0930", "1899-12-30 09:30:00.000"},
      {"HHH", "123", "1899-12-30 03:00:00.000"},  // HH then H, the second overwriting the first
      {"MM", "07", "1899-07-30 00:00:00.000"},     // fields not in the format keep date 0's values
  });
}

TEST(ParseDateTime, TwoDigitYearsPivotAtFifty) {
  ExpectAll({
      {"YY", "49", "2049-12-30 00:00:00.000"},
      {"YY", "50", "1950-12-30 00:00:00.000"},
      {"YY", "00", "2000-12-30 00:00:00.000"},
      {"YY", "99", "1999-12-30 00:00:00.000"},
      {"YY", "7", "2007-12-30 00:00:00.000"},
      {"DD.MM.YY", "01.01.70", "1970-01-01 00:00:00.000"},
  });
}

TEST(ParseDateTime, NamesOfMonthsAndDays) {
  ExpectAll({
      {"DD MMM YYYY", "05 mar 2024", "2024-03-05 00:00:00.000"},
      {"DD MMMM YYYY", "05 MARCH 2024", "2024-03-05 00:00:00.000"},
      {"DD MMMM YYYY", "30 September 2024", "2024-09-30 00:00:00.000"},
      {"MMMDD", "Dec31", "1899-12-31 00:00:00.000"},
      {"MMMYYYY", "Aug2024", "2024-08-30 00:00:00.000"},
      // Day names are read but do not take part in the date, even when they are wrong for it.
      {"DDDD, DD.MM.YYYY", "Tuesday, 05.03.2024", "2024-03-05 00:00:00.000"},
      {"DDDD, DD.MM.YYYY", "Friday, 05.03.2024", "2024-03-05 00:00:00.000"},
      {"DDD DD.MM.YYYY", "tue 05.03.2024", "2024-03-05 00:00:00.000"},
  });
}

TEST(ParseDateTime, SettingsFormatsAreExpanded) {
  ExpectAll({
      {"C", "05.03.2024 13:45:30", "2024-03-05 13:45:30.000"},
      {"", "05.03.2024 13:45:30", "2024-03-05 13:45:30.000"},  // an empty format is C
      {"DDDDD", "05.03.2024", "2024-03-05 00:00:00.000"},
      {"DDDDDD", "05 March 2024", "2024-03-05 00:00:00.000"},
      {"T", "13:45", "1899-12-30 13:45:00.000"},
      {"TT", "13:45:30", "1899-12-30 13:45:30.000"},
      {"DDDDD T", "05.03.2024 13:45", "2024-03-05 13:45:00.000"},
  });
}

TEST(ParseDateTime, InjectedSettingsReplaceTheDefaults) {
  const FormatSettings ru = RussianLikeSettings();
  ExpectAll(
      {
          {"C", "05-03-24 9.05.07", "2024-03-05 09:05:07.000"},
          {"DDDDDD", "5 марта 2024", "2024-03-05 00:00:00.000"},
          {"DD MMMM YYYY", "05 МАРТА 2024", "2024-03-05 00:00:00.000"},  // Cyrillic compared in upper case
          {"DD MMM", "01 Мая", "1899-05-01 00:00:00.000"},
          {"DD/MM/YYYY", "05-03-2024", "2024-03-05 00:00:00.000"},  // "/" is the settings' separator
          {"HH:NN", "13.45", "1899-12-30 13:45:00.000"},
          {"HH:NN AMPM", "01.30 ПП", "1899-12-30 13:30:00.000"},
          {"DDDD DD/MM/YYYY", "Вторник 05-03-2024", "2024-03-05 00:00:00.000"},
      },
      ru);
}

TEST(ParseDateTime, HalfDayMarkers) {
  ExpectAll({
      {"HH:NN AM/PM", "01:30 PM", "1899-12-30 13:30:00.000"},
      {"HH:NN AM/PM", "01:30 am", "1899-12-30 01:30:00.000"},
      {"HH:NN AM/PM", "11:59 PM", "1899-12-30 23:59:00.000"},
      // 12 PM is noon and 12 AM midnight, as clocks read them.
      {"HH:NN AM/PM", "12:30 PM", "1899-12-30 12:30:00.000"},
      {"HH:NN AM/PM", "12:30 AM", "1899-12-30 00:30:00.000"},
      {"HH:NN A/P", "01:30 P", "1899-12-30 13:30:00.000"},
      {"HH:NN A/P", "01:30 a", "1899-12-30 01:30:00.000"},
      {"HH:NN AMPM", "01:30 PM", "1899-12-30 13:30:00.000"},
      {"HH:NN AMPM", "12:00 AM", "1899-12-30 00:00:00.000"},
      // The marker counts wherever it stands.
      {"AMPM HH:NN", "PM 01:30", "1899-12-30 13:30:00.000"},
  });
}

TEST(ParseDateTime, LiteralsSeparatorsAndQuotes) {
  ExpectAll({
      {"DD/MM/YYYY", "05.03.2024", "2024-03-05 00:00:00.000"},  // "/" is the date separator "."
      {"YYYY-MM-DD HH:NN", "2024-03-05 13:45", "2024-03-05 13:45:00.000"},
      {"'Date: 'DD.MM.YYYY", "date: 05.03.2024", "2024-03-05 00:00:00.000"},
      {"\"at\" HH\"h\"", "AT 09h", "1899-12-30 09:00:00.000"},
      {"DD''MM", "0503", "1899-03-05 00:00:00.000"},  // an empty quoted text matches nothing
      {"DD,MM;YYYY", "05,03;2024", "2024-03-05 00:00:00.000"},
      {"(DD)[MM]{YYYY}", "(05)[03]{2024}", "2024-03-05 00:00:00.000"},
      {"DD\tMM", "05\t03", "1899-03-05 00:00:00.000"},
  });
}

TEST(ParseDateTime, WhatRemainsOfEitherTextIsIgnored) {
  ExpectAll({
      // The text ends first: the rest of the format is not read.
      {"DD.MM.YYYY", "05.03", "1899-03-05 00:00:00.000"},
      {"DD.MM.YYYY", "05.03.", "1899-03-05 00:00:00.000"},
      {"DD.MM.YYYY", "", "1899-12-30 00:00:00.000"},
      // The format ends first: the rest of the text is not read.
      {"DD.MM", "05.03.2024 garbage", "1899-03-05 00:00:00.000"},
      {"C", "05.03.2024 13:45:30 and more", "2024-03-05 13:45:30.000"},
      // A character that is no token ends the format there.
      {"DD<MM", "05<03", "1899-12-05 00:00:00.000"},
      {"DD.MM Y", "05.03 2024", "1899-03-05 00:00:00.000"},
      {"DD.MM.YYY", "05.03.24", "2024-03-05 00:00:00.000"},  // YY, then "Y" ends the format
  });
}

TEST(ParseDateTime, MismatchesRaiseWithTheRestOfTextAndFormat) {
  struct ErrorCase {
    const char* format;
    const char* text;
    const char* message;
  };
  const std::vector<ErrorCase> cases = {
      // The failing literal is already taken from the format.
      {"DD.MM", "05-03", "Could not convert \"-03\" using format \"MM\""},
      {"dd.mm.yyyy", "05.03-2024", "Could not convert \"-2024\" using format \"YYYY\""},
      // The rest of the format is that of the expansion, in upper case.
      {"C", "05-03-2024 10:00:00", "Could not convert \"-03-2024 10:00:00\" using format \"MM.YYYY HH:NN:SS\""},
      {"DD MMM", "05 xyz", "Could not convert \"XYZ\" using format \"\""},
      {"DD MMM YYYY", "05 xyz 2024", "Could not convert \"XYZ 2024\" using format \" YYYY\""},
      {"DDDD DD", "Someday 05", "Could not convert \"SOMEDAY 05\" using format \" DD\""},
      {"HH:NN AM/PM", "01:30 XM", "Could not convert \"XM\" using format \"\""},
      {"HH:NN A/P", "01:30 X", "Could not convert \"X\" using format \"\""},
      {"HH:NN AMPM", "01:30 noon", "Could not convert \"NOON\" using format \"\""},
      {"HH:NN", "01.30", "Could not convert \".30\" using format \"NN\""},
      {"'at' HH", "on 09", "Could not convert \"ON 09\" using format \" HH\""},
      {"DD/MM", "05/03", "Could not convert \"/03\" using format \"MM\""},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "format '" << c.format << "', text '" << c.text << "'");
    try {
      ParseDateTime(c.format, c.text);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(ParseDateTime, NumberFieldWithoutDigitsRaisesTheIntegerError) {
  for (const char* text : {"xx.03.2024", "05..2024", "05.03.-2024"}) {
    SCOPED_TRACE(text);
    try {
      ParseDateTime("DD.MM.YYYY", text);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'' is not a valid integer value");
    }
  }
}

TEST(ParseDateTime, FieldsThatMakeNoDateRaise) {
  const std::vector<Case> cases = {
      {"DD.MM.YYYY", "31.02.2024", ""}, {"DD.MM.YYYY", "29.02.2023", ""}, {"DD.MM.YYYY", "00.03.2024", ""},
      {"DD.MM.YYYY", "05.13.2024", ""}, {"DD.MM.YYYY", "05.03.0000", ""}, {"HH:NN", "24:00", ""},
      {"HH:NN", "12:60", ""},           {"HH:NN:SS", "12:00:60", ""},    {"HH:NN AM/PM", "13:00 PM", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format '" << c.format << "', text '" << c.text << "'");
    EXPECT_THROW(ParseDateTime(c.format, c.text), EConvertError);
  }
  // A leap day exists in a leap year.
  EXPECT_EQ(Parsed("DD.MM.YYYY", "29.02.2024"), "2024-02-29 00:00:00.000");
}

}  // namespace
}  // namespace halbrin
