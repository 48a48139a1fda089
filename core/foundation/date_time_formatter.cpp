#include "core/foundation/date_time_formatter.h"

#include <cctype>
#include <cstdio>

namespace halbrin {

using platform::DateTimeParts;

namespace {

char Lower(char c) noexcept { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::size_t RunOf(std::string_view format, std::size_t pos, char letter) {
  std::size_t n = 0;
  while (pos + n < format.size() && Lower(format[pos + n]) == letter) ++n;
  return n;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
  if (text.size() - pos < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Lower(text[pos + i]) != prefix[i]) return false;
  return true;
}

// The length of the am/pm token at `pos`, or 0.
std::size_t AmPmLength(std::string_view format, std::size_t pos) {
  if (StartsWithNoCase(format, pos, "am/pm")) return 5;
  if (StartsWithNoCase(format, pos, "a/p")) return 3;
  if (StartsWithNoCase(format, pos, "ampm")) return 4;
  return 0;
}

// The length of a quoted text at `pos` (an unclosed quote runs to the end).
std::size_t QuotedLength(std::string_view format, std::size_t pos) {
  const std::size_t close = format.find(format[pos], pos + 1);
  return close == std::string_view::npos ? format.size() - pos : close - pos + 1;
}

bool HasAmPm(std::string_view format) {
  for (std::size_t pos = 0; pos < format.size();) {
    const char c = format[pos];
    if (c == '\'' || c == '"') {
      pos += QuotedLength(format, pos);
    } else if (AmPmLength(format, pos) > 0) {
      return true;
    } else {
      ++pos;
    }
  }
  return false;
}

void AppendNumber(std::string& out, int value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
  out += buffer;
}

class Writer {
 public:
  Writer(const DateTimeParts& parts, const FormatSettings& settings) : m_parts(parts), m_settings(settings) {}

  void Write(std::string_view format, std::string& out, int depth) {
    if (depth > 2) return;  // a settings format naming another settings format
    const bool twelveHours = HasAmPm(format);
    for (std::size_t pos = 0; pos < format.size();) {
      const char c = format[pos];
      const char l = Lower(c);
      std::size_t n = 1;
      switch (l) {
        case '\'':
        case '"':
          n = QuotedLength(format, pos);
          out.append(format.substr(pos + 1, n >= 2 && format[pos + n - 1] == c ? n - 2 : n - 1));
          break;
        case 'c':
          Write(m_settings.shortDateFormat, out, depth + 1);
          out += ' ';
          Write(m_settings.longTimeFormat, out, depth + 1);
          break;
        case 'd':
          n = std::min<std::size_t>(RunOf(format, pos, 'd'), 6);
          WriteDay(n, out, depth);
          break;
        case 'm':
          n = std::min<std::size_t>(RunOf(format, pos, 'm'), 4);
          if (n <= 2) AppendNumber(out, m_parts.month, static_cast<int>(n));
          else out += (n == 3 ? m_settings.shortMonthNames : m_settings.longMonthNames)[m_parts.month - 1];
          break;
        case 'y':
          n = RunOf(format, pos, 'y');
          if (n <= 2) AppendNumber(out, m_parts.year % 100, 2);
          else AppendNumber(out, m_parts.year, 4);
          break;
        case 'h': {
          n = std::min<std::size_t>(RunOf(format, pos, 'h'), 2);
          int hour = m_parts.hour;
          if (twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
          AppendNumber(out, hour, static_cast<int>(n));
          break;
        }
        case 'n':
          n = std::min<std::size_t>(RunOf(format, pos, 'n'), 2);
          AppendNumber(out, m_parts.minute, static_cast<int>(n));
          break;
        case 's':
          n = std::min<std::size_t>(RunOf(format, pos, 's'), 2);
          AppendNumber(out, m_parts.second, static_cast<int>(n));
          break;
        case 'z':
          n = StartsWithNoCase(format, pos, "zzz") ? 3 : 1;
          AppendNumber(out, m_parts.millisecond, static_cast<int>(n));
          break;
        case 't':
          n = std::min<std::size_t>(RunOf(format, pos, 't'), 2);
          Write(n == 2 ? m_settings.longTimeFormat : m_settings.shortTimeFormat, out, depth + 1);
          break;
        case 'a':
          n = AmPmLength(format, pos);
          if (n == 0) {
            n = 1;
            out += c;
          } else {
            WriteAmPm(format.substr(pos, n), out);
          }
          break;
        case '/': out += m_settings.dateSeparator; break;
        case ':': out += m_settings.timeSeparator; break;
        default: out += c;
      }
      pos += n;
    }
  }

 private:
  void WriteDay(std::size_t n, std::string& out, int depth) {
    switch (n) {
      case 1:
      case 2: AppendNumber(out, m_parts.day, static_cast<int>(n)); break;
      case 3: out += m_settings.shortDayNames[DayOfWeek(m_parts.year, m_parts.month, m_parts.day)]; break;
      case 4: out += m_settings.longDayNames[DayOfWeek(m_parts.year, m_parts.month, m_parts.day)]; break;
      case 5: Write(m_settings.shortDateFormat, out, depth + 1); break;
      default: Write(m_settings.longDateFormat, out, depth + 1); break;
    }
  }

  void WriteAmPm(std::string_view token, std::string& out) const {
    const bool pm = m_parts.hour >= 12;
    if (token.size() == 4) {
      out += pm ? m_settings.timePmString : m_settings.timeAmString;
      return;
    }
    // am/pm and a/p keep the letter case the format gives them.
    const std::size_t slash = token.find('/');
    out.append(pm ? token.substr(slash + 1) : token.substr(0, slash));
  }

  const DateTimeParts& m_parts;
  const FormatSettings& m_settings;
};

}  // namespace

int DayOfWeek(int year, int month, int day) noexcept {
  // Sakamoto's method on the proleptic Gregorian calendar.
  static constexpr int kOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

std::string MinutesAfterHours(std::string_view format) {
  std::string out;
  bool afterHour = false;
  for (std::size_t pos = 0; pos < format.size();) {
    const char c = format[pos];
    const char l = Lower(c);
    std::size_t n = 1;
    if (c == '\'' || c == '"') {
      n = QuotedLength(format, pos);
      out.append(format.substr(pos, n));
    } else if (const std::size_t ampm = AmPmLength(format, pos); ampm > 0) {
      n = ampm;
      out.append(format.substr(pos, n));
    } else if (l == 'm') {
      n = RunOf(format, pos, 'm');
      out.append(n, afterHour && n <= 2 ? (c == 'M' ? 'N' : 'n') : c);
      afterHour = false;
    } else if (l == 'h') {
      n = RunOf(format, pos, 'h');
      out.append(format.substr(pos, n));
      afterHour = true;
    } else {
      if (std::isalpha(static_cast<unsigned char>(c))) afterHour = false;
      out += c;
    }
    pos += n;
  }
  return out;
}

std::string FormatDateTime(std::string_view format, const DateTimeParts& parts, const FormatSettings& settings) {
  const std::string normalized = MinutesAfterHours(format.empty() ? std::string_view("c") : format);
  std::string out;
  Writer(parts, settings).Write(normalized, out, 0);
  return out;
}

}  // namespace halbrin
