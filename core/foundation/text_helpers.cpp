#include "core/foundation/text_helpers.h"

#include <glib.h>

namespace halbrin {

Utf8Char DecodeUtf8At(std::string_view text, std::size_t pos) noexcept {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return {lead, 1};
  const gunichar code =
      g_utf8_get_char_validated(text.data() + pos, static_cast<gssize>(text.size() - pos));
  if (code == static_cast<gunichar>(-1) || code == static_cast<gunichar>(-2))
    return {kStrayByteBase + lead, 1};
  return {static_cast<char32_t>(code), static_cast<std::size_t>(g_unichar_to_utf8(code, nullptr))};
}

std::size_t Utf8CharStart(std::string_view text, std::size_t pos) noexcept {
  // A valid sequence is at most 4 bytes; look back over continuation bytes only that far.
  for (std::size_t back = 0; back < 4 && back <= pos; ++back) {
    const std::size_t start = pos - back;
    const auto byte = static_cast<unsigned char>(text[start]);
    if ((byte & 0xC0) != 0x80) {
      const Utf8Char c = DecodeUtf8At(text, start);
      return start + c.length > pos ? start : pos;
    }
  }
  return pos;
}

char32_t UpperCaseChar(char32_t code) noexcept {
  if (code < 0x80) return (code >= 'a' && code <= 'z') ? code - ('a' - 'A') : code;
  if (code >= kStrayByteBase) return code;
  return static_cast<char32_t>(g_unichar_toupper(static_cast<gunichar>(code)));
}

std::string UpperCaseText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    if (c.code >= kStrayByteBase) {
      out.push_back(text[pos]);
    } else if (c.code < 0x80) {
      out.push_back(static_cast<char>(UpperCaseChar(c.code)));
    } else {
      char buffer[6];
      const gint length = g_unichar_to_utf8(static_cast<gunichar>(UpperCaseChar(c.code)), buffer);
      out.append(buffer, static_cast<std::size_t>(length));
    }
    pos += c.length;
  }
  return out;
}

bool IsWordChar(char32_t code) noexcept {
  if (code < 0x80) return (code >= '0' && code <= '9') || ((code | 0x20) >= 'a' && (code | 0x20) <= 'z');
  if (code >= kStrayByteBase) return false;
  return g_unichar_isalnum(static_cast<gunichar>(code));
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, start)) {
    out.append(text.substr(start, hit - start));
    out.append(to);
    start = hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace halbrin
