#include "platform/base/case_fold.h"

#include <glib.h>

#include <algorithm>

namespace halbrin::platform {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

std::string FoldCase(std::string_view text) {
  if (IsAscii(text)) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
  }
  gchar* folded = g_utf8_casefold(text.data(), static_cast<gssize>(text.size()));
  std::string out(folded);
  g_free(folded);
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
  }
  return FoldCase(a) == FoldCase(b);
}

int CompareText(std::string_view a, std::string_view b) {
  if (IsAscii(a) && IsAscii(b)) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
      unsigned char x = static_cast<unsigned char>(AsciiLower(a[i]));
      unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
      if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  }
  return FoldCase(a).compare(FoldCase(b));
}

std::size_t CaseInsensitiveHash::operator()(std::string_view text) const {
  // FNV-1a over the folded bytes; ASCII text is folded on the fly.
  auto fnv = [](std::string_view bytes, bool lower) {
    std::size_t h = 1469598103934665603ull;
    for (char c : bytes) h = (h ^ static_cast<unsigned char>(lower ? AsciiLower(c) : c)) * 1099511628211ull;
    return h;
  };
  if (IsAscii(text)) return fnv(text, true);
  return fnv(FoldCase(text), false);
}

}  // namespace halbrin::platform
