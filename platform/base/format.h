#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace halbrin::platform {

// One argument of Format: text or a number, kept by value or by view.
class FormatArg {
 public:
  FormatArg(std::string_view text) : m_kind(Kind::Text), m_text(text) {}
  FormatArg(const std::string& text) : m_kind(Kind::Text), m_text(text) {}
  FormatArg(const char* text) : m_kind(Kind::Text), m_text(text ? text : "") {}
  FormatArg(int value) : m_kind(Kind::Int), m_int(value) {}
  FormatArg(long value) : m_kind(Kind::Int), m_int(value) {}
  FormatArg(long long value) : m_kind(Kind::Int), m_int(value) {}
  FormatArg(unsigned value) : m_kind(Kind::Int), m_int(value) {}
  FormatArg(unsigned long value) : m_kind(Kind::Int), m_int(static_cast<std::int64_t>(value)) {}
  FormatArg(unsigned long long value) : m_kind(Kind::Int), m_int(static_cast<std::int64_t>(value)) {}
  FormatArg(double value) : m_kind(Kind::Double), m_double(value) {}

  void AppendTo(std::string& out, char conversion) const;

 private:
  enum class Kind { Text, Int, Double } m_kind;
  std::string_view m_text;
  std::int64_t m_int = 0;
  double m_double = 0;
};

// printf-like formatting for the message tables: %s, %d, %u, %x, %X, %g and %%.
// Any argument fits any conversion (a number under %s is written plainly, a
// text under %d as it is); missing arguments are written as nothing.
std::string Format(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace halbrin::platform
