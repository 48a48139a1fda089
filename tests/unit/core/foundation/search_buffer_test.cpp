#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/foundation/search_buffer.h"
#include "core/foundation/text_helpers.h"

namespace halbrin {
namespace {

constexpr std::size_t kNone = std::string::npos;

std::size_t Find(std::string_view buffer, std::int64_t selStart, std::int64_t selLength,
                 std::string_view text, unsigned options) {
  return SearchBuffer(buffer, selStart, selLength, text, options).value_or(kNone);
}

TEST(SearchBuffer, DirectionsCaseAndSelection) {
  const std::string buffer = "Hello world, hello World";
  const struct {
    const char* what;
    std::int64_t selStart, selLength;
    const char* text;
    unsigned options;
    std::size_t expected;
  } cases[] = {
      {"down from the start", 0, 0, "hello", soDown, 0},
      {"down, matching case", 0, 0, "hello", soDown | soMatchCase, 13},
      {"down starts after the selection", 0, 5, "hello", soDown, 13},
      {"down inside the selection finds the rest", 0, 4, "o", soDown, 4},
      {"down, nothing after", 14, 0, "hello", soDown, kNone},
      {"down, the match must fit", 20, 0, "World!", soDown, kNone},
      {"up from the end", 24, 0, "world", 0, 19},
      {"up, matching case", 24, 0, "world", soMatchCase, 6},
      {"up ends where the selection starts", 19, 5, "world", 0, 6},
      {"up may end exactly at the start point", 11, 0, "world", 0, 6},
      {"up, not past the start point", 10, 0, "world", 0, kNone},
      {"up to the buffer start", 5, 0, "hello", 0, 0},
      {"start past the end", 25, 0, "o", soDown, kNone},
      {"start before the beginning", -1, 0, "o", soDown, kNone},
      {"up start before the beginning", 2, 0, "hello", 0, kNone},
      {"empty text", 0, 0, "", soDown, kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Find(buffer, c.selStart, c.selLength, c.text, c.options), c.expected);
  }
  EXPECT_EQ(Find("", 0, 0, "a", soDown), kNone);
}

TEST(SearchBuffer, WholeWords) {
  const std::string buffer = "cat concat cats cat";
  const struct {
    const char* what;
    std::int64_t selStart, selLength;
    unsigned options;
    std::size_t expected;
  } cases[] = {
      {"a word at the buffer start", 0, 0, soDown | soWholeWord, 0},
      {"skips words that only hold it", 1, 0, soDown | soWholeWord, 16},
      {"without whole words", 1, 0, soDown, 7},
      {"a word that ends the buffer", 12, 0, soDown | soWholeWord, 16},
      {"up from the end", 19, 0, soWholeWord, 16},
      {"up to the buffer start", 16, 0, soWholeWord, 0},
      {"starting inside a word", 5, 0, soDown | soWholeWord, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Find(buffer, c.selStart, c.selLength, "cat", c.options), c.expected);
  }
  EXPECT_EQ(Find("a cat", 0, 0, "cat", soDown | soWholeWord), 2u);
  EXPECT_EQ(Find("a1cat cat", 0, 0, "cat", soDown | soWholeWord), 6u);  // digits are word characters
  EXPECT_EQ(Find("(cat)", 0, 0, "cat", soDown | soWholeWord), 1u);
  EXPECT_EQ(Find("cat_cat", 0, 0, "cat", soDown | soWholeWord), 0u);  // "_" delimits
}

TEST(SearchBuffer, Utf8TextFoldsCyrillic) {
  const std::string buffer = "Привет, мир! ПРИВЕТ";  // "ПРИВЕТ" starts at byte 22
  EXPECT_EQ(Find(buffer, 0, 0, "привет", soDown), 0u);
  EXPECT_EQ(Find(buffer, 0, 0, "привет", soDown | soMatchCase), kNone);
  EXPECT_EQ(Find(buffer, 0, 12, "привет", soDown), 22u);
  EXPECT_EQ(Find(buffer, 1, 0, "привет", soDown), 22u);  // a start inside a character moves on
  EXPECT_EQ(Find(buffer, 34, 0, "МИР", 0), 14u);
  EXPECT_EQ(Find(buffer, 0, 0, "мир", soDown | soWholeWord), 14u);
  // Cyrillic letters are word characters.
  EXPECT_EQ(Find("приветствие привет", 0, 0, "привет", soDown | soWholeWord), 23u);
}

TEST(TextHelpers, UpperCaseAndStrayBytes) {
  EXPECT_EQ(UpperCaseText("abc xyz"), "ABC XYZ");
  EXPECT_EQ(UpperCaseText("привет ёж"), "ПРИВЕТ ЁЖ");
  EXPECT_EQ(UpperCaseText("i"), "I");  // the same on every machine, Turkish or not
  EXPECT_EQ(UpperCaseText("a\xFF" "b\xD0"), "A\xFF" "B\xD0");  // stray bytes kept
  EXPECT_EQ(UpperCaseText(std::string("a\0b", 3)), std::string("A\0B", 3));
  const Utf8Char stray = DecodeUtf8At("\xFF", 0);
  EXPECT_EQ(stray.length, 1u);
  EXPECT_GE(stray.code, kStrayByteBase);
  EXPECT_EQ(DecodeUtf8At("\xD0\x9F", 0).code, U'П');
  EXPECT_EQ(Utf8CharStart("\xD0\x9F", 1), 0u);
  EXPECT_EQ(Utf8CharStart("a\x9F", 1), 1u);  // a lone continuation byte is a character of its own
}

TEST(TextHelpers, ReplaceAll) {
  EXPECT_EQ(ReplaceAll("aXbXc", "X", "--"), "a--b--c");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abab", "ab", "abab"), "abababab");  // replaced text is not scanned again
}

}  // namespace
}  // namespace halbrin
