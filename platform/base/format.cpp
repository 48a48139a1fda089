#include "platform/base/format.h"

#include <charconv>
#include <cctype>

namespace halbrin::platform {

void FormatArg::AppendTo(std::string& out, char conversion) const {
  char buffer[64];
  switch (m_kind) {
    case Kind::Text:
      out.append(m_text);
      return;
    case Kind::Int: {
      std::to_chars_result r{};
      if (conversion == 'x' || conversion == 'X') {
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint64_t>(m_int), 16);
        if (conversion == 'X')
          for (char* p = buffer; p < r.ptr; ++p) *p = static_cast<char>(std::toupper(*p));
      } else if (conversion == 'u') {
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::uint64_t>(m_int));
      } else {
        r = std::to_chars(buffer, buffer + sizeof buffer, m_int);
      }
      out.append(buffer, r.ptr);
      return;
    }
    case Kind::Double: {
      auto r = std::to_chars(buffer, buffer + sizeof buffer, m_double);
      out.append(buffer, r.ptr);
      return;
    }
  }
}

std::string Format(std::string_view pattern, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(pattern.size() + 16 * args.size());
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      out.push_back(c);
      continue;
    }
    char conversion = pattern[++i];
    switch (conversion) {
      case '%':
        out.push_back('%');
        break;
      case 's': case 'd': case 'u': case 'x': case 'X': case 'g':
        if (next != args.end()) (next++)->AppendTo(out, conversion);
        break;
      default:
        out.push_back('%');
        out.push_back(conversion);
        break;
    }
  }
  return out;
}

}  // namespace halbrin::platform
