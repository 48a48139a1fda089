#pragma once

#include <array>
#include <string>

namespace halbrin {

// The date and number settings that texts are written and read with. The
// program uses one fixed set (DefaultFormatSettings) everywhere, never the
// process locale, so a project reads the same on every machine; functions
// take the settings as a parameter so that tests can pass others.
// Formats use the class library's letters: d, m, yy/yyyy, h, n, s, z, ampm.
struct FormatSettings {
  std::string shortDateFormat = "dd.mm.yyyy";
  std::string longDateFormat = "dd mmmm yyyy";
  std::string shortTimeFormat = "hh:nn";
  std::string longTimeFormat = "hh:nn:ss";
  char dateSeparator = '.';
  char timeSeparator = ':';
  char decimalSeparator = '.';
  std::string timeAmString = "AM";
  std::string timePmString = "PM";
  std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> longMonthNames{"January", "February", "March",     "April",
                                             "May",     "June",     "July",      "August",
                                             "September", "October", "November", "December"};
  // Sunday first, as the class library numbers weekdays.
  std::array<std::string, 7> shortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> longDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The program's one set: dd.mm.yyyy, hh:nn:ss, "." as decimal separator,
// English month and day names.
const FormatSettings& DefaultFormatSettings();

}  // namespace halbrin
