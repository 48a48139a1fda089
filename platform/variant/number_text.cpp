#include "platform/variant/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace halbrin::platform {

namespace {

bool IsBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// ASCII only on purpose: keywords must not match through locale case rules.
bool EqualsAsciiNoCase(std::string_view text, std::string_view upperKeyword) noexcept {
  if (text.size() != upperKeyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upperKeyword[i]) return false;
  }
  return true;
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

template <class T>
std::string ShortestText(T value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  // Shortest digits that read back; fixed notation where scripts write numbers
  // that way (1e-6 <= |x| < 1e21, as JavaScript does), an exponent elsewhere.
  char buffer[400];
  const T magnitude = std::fabs(value);
  const bool fixed = magnitude == 0 || (magnitude >= T(1e-6) && magnitude < T(1e21));
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                              fixed ? std::chars_format::fixed : std::chars_format::scientific);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string FormatDouble(double value) { return ShortestText(value); }

std::string FormatFloat(float value) { return ShortestText(value); }

std::string FormatInt64(std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool TryParseDouble(std::string_view text, double& out) {
  text = TrimBlanks(text);
  if (text.empty()) return false;
  if (EqualsAsciiNoCase(text, "NAN")) {
    out = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (EqualsAsciiNoCase(text, "INF")) {
    out = std::numeric_limits<double>::infinity();
    return true;
  }
  if (EqualsAsciiNoCase(text, "-INF")) {
    out = -std::numeric_limits<double>::infinity();
    return true;
  }

  // from_chars would also take "infinity", "nan(...)" and hex floats; only
  // plain decimal numbers get through to it.
  std::string_view body = text;
  bool negative = false;
  if (body.front() == '+' || body.front() == '-') {
    negative = body.front() == '-';
    body.remove_prefix(1);
  }
  if (body.empty()) return false;
  std::size_t i = 0;
  std::size_t mantissaDigits = 0;
  while (i < body.size() && IsDigit(body[i])) ++i, ++mantissaDigits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && IsDigit(body[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < body.size() && IsDigit(body[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != body.size()) return false;

  double value = 0;
  auto result = std::from_chars(body.data(), body.data() + body.size(), value,
                                std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != body.data() + body.size()) return false;
  out = negative ? -value : value;
  return true;
}

bool TryParseInt64(std::string_view text, std::int64_t& out) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars on an unsigned type takes digits only, so a second sign or
  // blank after the prefix is rejected here.
  if (text.empty()) return false;
  std::uint64_t magnitude = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;

  constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();
  if (negative) {
    if (magnitude > maxPositive + 1) return false;
    // Two's complement negation in unsigned arithmetic keeps INT64_MIN defined.
    out = static_cast<std::int64_t>(~magnitude + 1);
  } else {
    if (magnitude > maxPositive) return false;
    out = static_cast<std::int64_t>(magnitude);
  }
  return true;
}

}  // namespace halbrin::platform
