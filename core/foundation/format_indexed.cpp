#include "core/foundation/format_indexed.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/foundation/text_helpers.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

using platform::Variant;

namespace {

[[noreturn]] void Invalid(std::string_view pattern) {
  throw platform::EConvertError(
      platform::Format("Format '%s' invalid or incompatible with argument", {pattern}));
}

bool IsNumber(const Variant& v) {
  return v.IsNumeric() || v.IsBool();
}

// Reads digits at pos; -1 when there are none.
int ReadNumber(std::string_view text, std::size_t& pos) {
  const std::size_t start = pos;
  int value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value > 100000) return -2;
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return pos == start ? -1 : value;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) pos += DecodeUtf8At(text, pos).length;
  return count;
}

// The first `chars` characters of a UTF-8 text.
std::string_view FirstChars(std::string_view text, std::size_t chars) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < chars && pos < text.size(); ++n) pos += DecodeUtf8At(text, pos).length;
  return text.substr(0, pos);
}

std::string Fixed(double value, int precision, char type) {
  char buffer[512];
  const char spec[] = {'%', '.', '*', type, '\0'};
  std::snprintf(buffer, sizeof buffer, spec, precision, value);
  return buffer;
}

// Thousands separators into the integer part of a fixed-point text.
std::string Grouped(std::string text) {
  const std::size_t sign = (!text.empty() && text[0] == '-') ? 1 : 0;
  std::size_t end = text.find('.');
  if (end == std::string::npos) end = text.size();
  for (std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(end) - 3; pos > static_cast<std::ptrdiff_t>(sign); pos -= 3)
    text.insert(static_cast<std::size_t>(pos), ",");
  return text;
}

std::string Convert(std::string_view pattern, const Variant& arg, char type, int precision) {
  if (type == 's') {
    if (arg.IsDispatch() || arg.IsArray() || arg.Type() == platform::VarType::Unknown) Invalid(pattern);
    const std::string text = arg.ToText();
    return precision >= 0 ? std::string(FirstChars(text, static_cast<std::size_t>(precision))) : text;
  }
  if (!IsNumber(arg)) Invalid(pattern);
  switch (type) {
    case 'd':
    case 'u':
    case 'x': {
      if (!arg.IsInteger() && !arg.IsBool()) Invalid(pattern);
      const std::int64_t value = arg.ToInt64();
      const bool negative = type == 'd' && value < 0;
      std::string digits;
      if (type == 'x') {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
        digits = buffer;
      } else if (type == 'u') {
        digits = std::to_string(static_cast<unsigned long long>(value));
      } else {
        digits = std::to_string(value);
        if (negative) digits.erase(0, 1);
      }
      if (precision > 0 && digits.size() < static_cast<std::size_t>(precision))
        digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
      if (negative) digits.insert(0, "-");
      return digits;
    }
    case 'f': return Fixed(arg.ToDouble(), precision < 0 ? 2 : precision, 'f');
    case 'e': return Fixed(arg.ToDouble(), precision < 0 ? 15 : std::max(precision - 1, 0), 'E');
    case 'g': {
      const double value = arg.ToDouble();
      return Fixed(value, precision < 0 ? 15 : std::max(precision, 1), 'G');
    }
    case 'n': return Grouped(Fixed(arg.ToDouble(), precision < 0 ? 2 : precision, 'f'));
    case 'm': return Grouped(Fixed(arg.ToDouble(), precision < 0 ? 2 : precision, 'f'));
    default: Invalid(pattern);
  }
}

}  // namespace

std::string FormatIndexed(std::string_view pattern, std::span<const Variant> args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t pos = 0; pos < pattern.size();) {
    const char c = pattern[pos++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (pos < pattern.size() && pattern[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    // [index:][-][width][.precision]type
    std::size_t scan = pos;
    const int first = ReadNumber(pattern, scan);
    if (first < -1) Invalid(pattern);
    if (first >= 0 && scan < pattern.size() && pattern[scan] == ':') {
      next = static_cast<std::size_t>(first);
      pos = scan + 1;
    }
    bool left = false;
    if (pos < pattern.size() && pattern[pos] == '-') {
      left = true;
      ++pos;
    }
    const int width = ReadNumber(pattern, pos);
    if (width < -1) Invalid(pattern);
    int precision = -1;
    if (pos < pattern.size() && pattern[pos] == '.') {
      ++pos;
      precision = ReadNumber(pattern, pos);
      if (precision < 0) Invalid(pattern);
    }
    if (pos >= pattern.size()) Invalid(pattern);
    char type = pattern[pos++];
    if (type >= 'A' && type <= 'Z') type = static_cast<char>(type - 'A' + 'a');
    if (std::string_view("duxsfgenm").find(type) == std::string_view::npos) Invalid(pattern);
    if (next >= args.size()) Invalid(pattern);
    std::string text = Convert(pattern, args[next++], type, precision);
    const std::size_t chars = CharCount(text);
    if (width > 0 && chars < static_cast<std::size_t>(width)) {
      const std::string pad(static_cast<std::size_t>(width) - chars, ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace halbrin
