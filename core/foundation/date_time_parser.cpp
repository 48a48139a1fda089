#include "core/foundation/date_time_parser.h"

#include <array>
#include <string>

#include "core/foundation/text_helpers.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/variant/ole_date.h"

using namespace halbrin::platform;

namespace halbrin {
namespace {

enum class TokenKind {
  End,
  Literal,  // one literal character or a quoted text
  DateTime,  // C
  Day,
  DayShortName,
  DayLongName,
  ShortDate,
  LongDate,
  Month,
  MonthShortName,
  MonthLongName,
  Year2,
  Year4,
  Hour,
  Minute,
  Second,
  Millisecond,
  ShortTime,
  LongTime,
  AmPm,
  AP,
  AmPmSettings,
  DateSeparator,
  TimeSeparator,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::size_t length = 0;   // characters taken from the format
  std::string_view literal;  // the text a literal must match
};

bool IsLiteralChar(char c) noexcept {
  static constexpr std::string_view kLiterals = "\t\n\r .,`~!@#$%^&*()_-=+\\|]}[{?;";
  return kLiterals.find(c) != std::string_view::npos;
}

// The number of times `letter` repeats at `pos`, counting at most `limit`.
std::size_t RunLength(std::string_view format, std::size_t pos, char letter, std::size_t limit) {
  std::size_t count = 0;
  while (count < limit && pos + count < format.size() && format[pos + count] == letter) ++count;
  return count;
}

// The token at `pos` of an upper-cased format, tried in a fixed order.
Token NextToken(std::string_view format, std::size_t pos) {
  if (pos >= format.size()) return {};
  const std::string_view rest = format.substr(pos);
  const char c = rest.front();
  if (IsLiteralChar(c)) return {TokenKind::Literal, 1, rest.substr(0, 1)};
  switch (c) {
    case 'C':
      return {TokenKind::DateTime, 1, {}};
    case 'D': {
      static constexpr std::array kDays{TokenKind::Day,         TokenKind::Day,
                                        TokenKind::DayShortName, TokenKind::DayLongName,
                                        TokenKind::ShortDate,   TokenKind::LongDate};
      const std::size_t n = RunLength(format, pos, 'D', 6);
      return {kDays[n - 1], n, {}};
    }
    case 'M': {
      static constexpr std::array kMonths{TokenKind::Month, TokenKind::Month,
                                          TokenKind::MonthShortName, TokenKind::MonthLongName};
      const std::size_t n = RunLength(format, pos, 'M', 4);
      return {kMonths[n - 1], n, {}};
    }
    case 'Y':
      if (rest.starts_with("YYYY")) return {TokenKind::Year4, 4, {}};
      if (rest.starts_with("YY")) return {TokenKind::Year2, 2, {}};
      return {};
    case 'H':
      return {TokenKind::Hour, RunLength(format, pos, 'H', 2), {}};
    case 'N':
      return {TokenKind::Minute, RunLength(format, pos, 'N', 2), {}};
    case 'S':
      return {TokenKind::Second, RunLength(format, pos, 'S', 2), {}};
    case 'Z':
      return {TokenKind::Millisecond, rest.starts_with("ZZZ") ? 3u : 1u, {}};
    case 'T': {
      const std::size_t n = RunLength(format, pos, 'T', 2);
      return {n == 2 ? TokenKind::LongTime : TokenKind::ShortTime, n, {}};
    }
    case 'A':
      if (rest.starts_with("AM/PM")) return {TokenKind::AmPm, 5, {}};
      if (rest.starts_with("A/P")) return {TokenKind::AP, 3, {}};
      if (rest.starts_with("AMPM")) return {TokenKind::AmPmSettings, 4, {}};
      return {};
    case '/':
      return {TokenKind::DateSeparator, 1, {}};
    case ':':
      return {TokenKind::TimeSeparator, 1, {}};
    case '\'':
    case '"': {
      // An unclosed quote runs to the end of the format.
      const std::size_t close = rest.find(c, 1);
      const std::size_t length = close == std::string_view::npos ? rest.size() : close + 1;
      const std::size_t inner = close == std::string_view::npos ? rest.size() - 1 : close - 1;
      return {TokenKind::Literal, length, rest.substr(1, inner)};
    }
    default:
      return {};
  }
}

// The format with C, DDDDD, DDDDDD, T and TT replaced by the settings' formats,
// up to the first character that is no token.
std::string ExpandFormat(std::string_view format, const FormatSettings& settings) {
  std::string expanded;
  for (std::size_t pos = 0;;) {
    const Token token = NextToken(format, pos);
    switch (token.kind) {
      case TokenKind::End:
        return expanded;
      case TokenKind::DateTime:
        expanded += UpperCaseText(settings.shortDateFormat + " " + settings.longTimeFormat);
        break;
      case TokenKind::ShortDate:
        expanded += UpperCaseText(settings.shortDateFormat);
        break;
      case TokenKind::LongDate:
        expanded += UpperCaseText(settings.longDateFormat);
        break;
      case TokenKind::ShortTime:
        expanded += UpperCaseText(settings.shortTimeFormat);
        break;
      case TokenKind::LongTime:
        expanded += UpperCaseText(settings.longTimeFormat);
        break;
      default:
        expanded.append(format.substr(pos, token.length));
    }
    pos += token.length;
  }
}

enum class HalfDay { None, Am, Pm };

// Reads the upper-cased text along the expanded format.
class FieldReader {
 public:
  FieldReader(std::string_view format, std::string_view text) : m_format(format), m_text(text) {}

  bool Done() const noexcept { return m_formatPos >= m_format.size() || m_textPos >= m_text.size(); }
  Token Next() {
    const Token token = NextToken(m_format, m_formatPos);
    m_formatPos += token.length;
    return token;
  }

  int ReadNumber(std::size_t maxDigits) {
    int value = 0;
    std::size_t count = 0;
    while (count < maxDigits && m_textPos < m_text.size() && m_text[m_textPos] >= '0' &&
           m_text[m_textPos] <= '9') {
      value = value * 10 + (m_text[m_textPos] - '0');
      ++m_textPos;
      ++count;
    }
    if (count == 0) throw EConvertError("'' is not a valid integer value");
    return value;
  }

  bool TryTake(std::string_view expected) {
    if (expected.empty() || !m_text.substr(m_textPos).starts_with(expected)) return false;
    m_textPos += expected.size();
    return true;
  }
  void Take(std::string_view expected) {
    // An empty quoted text matches nothing and so always succeeds.
    if (!expected.empty() && !TryTake(expected)) Fail();
  }

  // The 1-based number of the first name the text continues with.
  template <std::size_t N>
  int TakeName(const std::array<std::string, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
      if (TryTake(UpperCaseText(names[i]))) return static_cast<int>(i) + 1;
    Fail();
  }

  // Anything but the two markers fails.
  HalfDay TakeHalfDay(std::string_view am, std::string_view pm) {
    if (TryTake(pm)) return HalfDay::Pm;
    if (TryTake(am)) return HalfDay::Am;
    Fail();
  }

  [[noreturn]] void Fail() const {
    throw EConvertError(Format("Could not convert \"%s\" using format \"%s\"",
                               {m_text.substr(m_textPos), m_format.substr(m_formatPos)}));
  }

 private:
  std::string_view m_format;
  std::string_view m_text;
  std::size_t m_formatPos = 0;
  std::size_t m_textPos = 0;
};

// Reads one field of the text into `parts`; false for a token that ends parsing.
bool ReadField(FieldReader& reader, const Token& token, const FormatSettings& settings,
               DateTimeParts& parts, HalfDay& half) {
  switch (token.kind) {
    case TokenKind::Literal: reader.Take(token.literal); break;
    case TokenKind::Day: parts.day = reader.ReadNumber(2); break;
    case TokenKind::DayShortName: reader.TakeName(settings.shortDayNames); break;
    case TokenKind::DayLongName: reader.TakeName(settings.longDayNames); break;
    case TokenKind::Month: parts.month = reader.ReadNumber(2); break;
    case TokenKind::MonthShortName: parts.month = reader.TakeName(settings.shortMonthNames); break;
    case TokenKind::MonthLongName: parts.month = reader.TakeName(settings.longMonthNames); break;
    case TokenKind::Year2: {
      const int year = reader.ReadNumber(2);
      parts.year = year < 50 ? 2000 + year : 1900 + year;
      break;
    }
    case TokenKind::Year4: parts.year = reader.ReadNumber(4); break;
    case TokenKind::Hour: parts.hour = reader.ReadNumber(2); break;
    case TokenKind::Minute: parts.minute = reader.ReadNumber(2); break;
    case TokenKind::Second: parts.second = reader.ReadNumber(2); break;
    case TokenKind::Millisecond: parts.millisecond = reader.ReadNumber(3); break;
    case TokenKind::AmPm: half = reader.TakeHalfDay("AM", "PM"); break;
    case TokenKind::AP: half = reader.TakeHalfDay("A", "P"); break;
    case TokenKind::AmPmSettings:
      half = reader.TakeHalfDay(UpperCaseText(settings.timeAmString), UpperCaseText(settings.timePmString));
      break;
    case TokenKind::DateSeparator: reader.Take(std::string_view(&settings.dateSeparator, 1)); break;
    case TokenKind::TimeSeparator: reader.Take(std::string_view(&settings.timeSeparator, 1)); break;
    default:
      // End, or a settings format that itself names another format.
      return false;
  }
  return true;
}

}  // namespace

double ParseDateTime(std::string_view format, std::string_view text, const FormatSettings& settings) {
  std::string upperFormat = UpperCaseText(format);
  // Appended rather than assigned: g++ 12 sees a false overlap (-Wrestrict) in the assignment.
  if (upperFormat.empty()) upperFormat.push_back('C');
  const std::string expanded = ExpandFormat(upperFormat, settings);
  const std::string upperText = UpperCaseText(text);

  DateTimeParts parts;
  HalfDay half = HalfDay::None;
  FieldReader reader(expanded, upperText);
  while (!reader.Done() && ReadField(reader, reader.Next(), settings, parts, half)) {
  }
  // Applied once all fields are read, so the marker may stand before the hour;
  // 12 AM is midnight and 12 PM noon.
  if (half == HalfDay::Am && parts.hour == 12) parts.hour = 0;
  if (half == HalfDay::Pm && parts.hour != 12) parts.hour += 12;
  return EncodeOleDate(parts);
}

}  // namespace halbrin
