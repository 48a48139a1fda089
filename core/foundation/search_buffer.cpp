#include "core/foundation/search_buffer.h"

#include <vector>

#include "core/foundation/text_helpers.h"

namespace halbrin {
namespace {

class Matcher {
 public:
  Matcher(std::string_view buffer, std::string_view text, unsigned options)
      : m_buffer(buffer), m_matchCase(options & soMatchCase), m_wholeWord(options & soWholeWord) {
    for (std::size_t pos = 0; pos < text.size();) {
      const Utf8Char c = DecodeUtf8At(text, pos);
      m_text.push_back(Fold(c.code));
      pos += c.length;
    }
  }

  bool MatchesAt(std::size_t start) const {
    std::size_t pos = start;
    for (char32_t expected : m_text) {
      if (pos >= m_buffer.size()) return false;
      const Utf8Char c = DecodeUtf8At(m_buffer, pos);
      if (Fold(c.code) != expected) return false;
      pos += c.length;
    }
    if (!m_wholeWord) return true;
    return IsDelimiterBefore(start) && IsDelimiterAt(pos);
  }

  std::size_t NextStart(std::size_t pos) const { return pos + DecodeUtf8At(m_buffer, pos).length; }
  std::size_t PreviousStart(std::size_t pos) const { return Utf8CharStart(m_buffer, pos - 1); }

 private:
  char32_t Fold(char32_t code) const noexcept { return m_matchCase ? code : UpperCaseChar(code); }

  bool IsDelimiterAt(std::size_t pos) const {
    return pos >= m_buffer.size() || !IsWordChar(DecodeUtf8At(m_buffer, pos).code);
  }
  bool IsDelimiterBefore(std::size_t pos) const {
    return pos == 0 || !IsWordChar(DecodeUtf8At(m_buffer, PreviousStart(pos)).code);
  }

  std::string_view m_buffer;
  bool m_matchCase;
  bool m_wholeWord;
  std::vector<char32_t> m_text;
};

}  // namespace

std::optional<std::size_t> SearchBuffer(std::string_view buffer, std::int64_t selStart,
                                        std::int64_t selLength, std::string_view text,
                                        unsigned options) {
  if (buffer.empty() || text.empty()) return std::nullopt;
  const bool down = options & soDown;
  const auto size = static_cast<std::int64_t>(buffer.size());
  const std::int64_t start = down ? selStart + selLength : selStart - static_cast<std::int64_t>(text.size());
  if (start < 0 || start > size) return std::nullopt;

  const Matcher matcher(buffer, text, options);
  auto pos = static_cast<std::size_t>(start);
  if (down) {
    // A start inside a character moves on to the next whole one.
    if (pos < buffer.size() && Utf8CharStart(buffer, pos) != pos) pos = matcher.NextStart(Utf8CharStart(buffer, pos));
    for (; pos < buffer.size(); pos = matcher.NextStart(pos))
      if (matcher.MatchesAt(pos)) return pos;
    return std::nullopt;
  }
  if (pos == buffer.size()) {
    if (pos == 0) return std::nullopt;
    pos = matcher.PreviousStart(pos);
  }
  pos = Utf8CharStart(buffer, pos);
  for (;; pos = matcher.PreviousStart(pos)) {
    if (matcher.MatchesAt(pos)) return pos;
    if (pos == 0) return std::nullopt;
  }
}

}  // namespace halbrin
