#include "core/foundation/identifiers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace halbrin {
namespace {

using platform::EConvertError;

const std::regex kGuidPattern("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$");

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes += static_cast<char>(value);
  return bytes;
}

std::string BytesZeroToFifteen() {
  std::string bytes;
  for (int i = 0; i < 16; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST(HexTextTest, BytesToHex) {
  EXPECT_EQ(BytesToHex(""), "");
  EXPECT_EQ(BytesToHex(Bytes({0x00, 0x0F, 0xA5, 0xFF})), "000FA5FF");
  EXPECT_EQ(BytesToHex("AZ"), "415A");
}

TEST(HexTextTest, InsertSeparators) {
  EXPECT_EQ(InsertSeparators("abcdef", {2, 4}, "-"), "ab-cd-ef");
  EXPECT_EQ(InsertSeparators("abc", {3}, "--"), "abc--");
  EXPECT_EQ(InsertSeparators("abc", {0, 4, -1}, "-"), "abc");
  EXPECT_EQ(InsertSeparators("", {1}, "-"), "");
  // Positions stop at 255.
  const std::string longText(300, 'x');
  const std::string result = InsertSeparators(longText, {255, 256, 300}, "|");
  EXPECT_EQ(result, std::string(255, 'x') + "|" + std::string(45, 'x'));
}

TEST(GuidTextTest, BytesAndTextConvertBothWays) {
  const std::string text = "{00010203-0405-0607-0809-0A0B0C0D0E0F}";
  EXPECT_EQ(BytesToGuidText(BytesZeroToFifteen()), text);
  EXPECT_EQ(GuidTextToBytes(text), BytesZeroToFifteen());
  EXPECT_EQ(GuidTextToBytes("{00010203-0405-0607-0809-0a0b0c0d0e0f}"), BytesZeroToFifteen());
}

TEST(GuidTextTest, OtherLengthsFollowTheSamePattern) {
  EXPECT_EQ(BytesToGuidText(""), "{}");
  EXPECT_EQ(BytesToGuidText(Bytes({1, 2, 3})), "{010203}");
  EXPECT_EQ(BytesToGuidText(Bytes({1, 2, 3, 4, 5})), "{01020304-05}");
  EXPECT_EQ(BytesToGuidText(std::string(20, '\xAB')),
            "{ABABABAB-ABAB-ABAB-ABAB-ABABABABABABABABABAB}");
}

TEST(GuidTextTest, StripGuidTextDropsBracesOnlyWhenPresent) {
  const struct {
    const char* input;
    const char* expected;
  } cases[] = {
      {"{0001-02}", "000102"},   {"  {00-01}  ", "0001"}, {"000102", "000102"},
      {"{0001", "0001"},         {"0001}", "0001"},       {"{}", ""},
      {"", ""},                  {"-", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(StripGuidText(c.input), c.expected) << c.input;
}

TEST(GuidTextTest, UnbracedAndOddTexts) {
  // Without braces no digit is lost.
  EXPECT_EQ(GuidTextToBytes("00010203-0405-0607-0809-0A0B0C0D0E0F"), BytesZeroToFifteen());
  EXPECT_EQ(GuidTextToBytes("000102030405060708090A0B0C0D0E0F"), BytesZeroToFifteen());
  // A last odd digit is ignored.
  EXPECT_EQ(GuidTextToBytes("{0A0B0}"), Bytes({0x0A, 0x0B}));
  EXPECT_EQ(GuidTextToBytes("{}"), "");
}

TEST(GuidTextTest, NonHexPairRaisesTheConversionError) {
  for (const auto& [text, pair] : {std::pair{"{00ZZ}", "$ZZ"}, std::pair{"{0G}", "$0G"},
                                   std::pair{"{+1}", "$+1"}, std::pair{"{ 1}", "$ 1"}}) {
    try {
      GuidTextToBytes(text);
      ADD_FAILURE() << text << " converted";
    } catch (const EConvertError& error) {
      EXPECT_EQ(error.Message(), std::string("'") + pair + "' is not a valid integer value");
    }
  }
}

TEST(NewGuidTextTest, TenThousandCallsGiveDistinctTexts) {
  std::set<std::string> seen;
  for (int i = 0; i < 10000; ++i) {
    std::string text = NewGuidText();
    ASSERT_TRUE(std::regex_match(text, kGuidPattern)) << text;
    seen.insert(std::move(text));
  }
  EXPECT_EQ(seen.size(), 10000u);
}

TEST(NewGuidTextTest, ThreadsDrawDistinctTexts) {
  std::array<std::vector<std::string>, 4> drawn;
  std::vector<std::thread> threads;
  for (auto& list : drawn)
    threads.emplace_back([&list] {
      for (int i = 0; i < 1000; ++i) list.push_back(NewGuidText());
    });
  for (auto& thread : threads) thread.join();
  std::set<std::string> seen;
  for (const auto& list : drawn) seen.insert(list.begin(), list.end());
  EXPECT_EQ(seen.size(), 4000u);
}

TEST(NewGuidTextTest, AForkedChildDrawsItsOwnSequence) {
  NewGuidText();  // the generator exists before the fork
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string text = NewGuidText();
    const ssize_t written = write(fds[1], text.data(), text.size());
    _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string childText(38, '\0');
  std::size_t got = 0;
  while (got < childText.size()) {
    const ssize_t n = read(fds[0], childText.data() + got, childText.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(got, childText.size());
  EXPECT_NE(childText, NewGuidText());
}

bool IsConsonant(char c) { return std::string_view("bcdfghjklmnpqrstvwxyz").find(c) != std::string_view::npos; }
bool IsVowel(char c) { return std::string_view("aeiou").find(c) != std::string_view::npos; }

TEST(RandomWordTest, AlternatesConsonantAndVowel) {
  for (int length = 1; length <= 12; ++length) {
    const std::string word = RandomWord(length);
    ASSERT_EQ(word.size(), static_cast<std::size_t>(length));
    for (std::size_t i = 0; i < word.size(); ++i)
      EXPECT_TRUE(i % 2 == 0 ? IsConsonant(word[i]) : IsVowel(word[i])) << word << " at " << i;
  }
}

TEST(RandomWordTest, NoWordBelowLengthOne) {
  EXPECT_EQ(RandomWord(0), "");
  EXPECT_EQ(RandomWord(-3), "");
}

TEST(RandomWordTest, WordsInARowDifferAndUseEveryLetter) {
  EXPECT_NE(RandomWord(12), RandomWord(12));
  std::set<char> letters;
  for (int i = 0; i < 2000; ++i)
    for (const char c : RandomWord(10)) letters.insert(c);
  // 21 consonants and 5 vowels: the first and last of each set included.
  EXPECT_EQ(letters.size(), 26u);
}

TEST(IntegerHexTextTest, IntTextToHex) {
  const struct {
    const char* input;
    const char* expected;
  } cases[] = {
      {"0", "00000000"},           {"-1", "FFFFFFFF"},          {"255", "000000FF"},
      {" 42 ", "0000002A"},        {"+7", "00000007"},          {"2147483647", "7FFFFFFF"},
      {"-2147483648", "80000000"}, {"2147483648", ""},          {"-2147483649", ""},
      {"", ""},                    {"x", ""},                   {"12x", ""},
      {"+-7", ""},                 {"-", ""},                   {"1 2", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(IntTextToHex(c.input), c.expected) << c.input;
}

TEST(IntegerHexTextTest, HexTextToIntText) {
  const struct {
    const char* input;
    const char* expected;
  } cases[] = {
      {"FF", "255"},        {"$FF", "255"},        {"ff", "255"},         {" 1A ", "26"},
      {"0", "0"},           {"FFFFFFFF", "-1"},    {"7FFFFFFF", "2147483647"},
      {"80000000", "-2147483648"},                 {"00000000FF", "255"},
      {"100000000", ""},    {"", ""},              {"$", ""},             {"x", ""},
      {"-1", ""},           {"0x10", ""},          {"$$1", ""},           {"1G", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(HexTextToIntText(c.input), c.expected) << c.input;
}

TEST(IntegerHexTextTest, BothWaysAgree) {
  for (const char* value : {"0", "1", "-1", "65535", "-2147483648", "2147483647"})
    EXPECT_EQ(HexTextToIntText(IntTextToHex(value)), value);
}

TEST(ToAlphaNumericTest, BoundaryCodes) {
  const struct {
    int code;
    char expected;
  } cases[] = {
      {0, 'A'},   {25, 'Z'},  {26, 'a'},  {51, 'z'},  {52, 'a'},  {64, 'm'},  {91, 'a'},
      {96, 'f'},  {123, 'A'}, {148, 'Z'}, {149, 'A'}, {174, 'Z'}, {175, 'A'}, {191, 'Q'},
      {192, 'A'}, {217, 'Z'}, {218, 'a'}, {243, 'z'}, {244, 'a'}, {255, 'l'},
  };
  for (const bool keepDigits : {false, true})
    for (const auto& c : cases) {
      // 51 and 52 are the digits '3' and '4': kept as they are when asked.
      const bool kept = keepDigits && c.code >= '0' && c.code <= '9';
      EXPECT_EQ(ToAlphaNumeric(std::string(1, static_cast<char>(c.code)), keepDigits),
                std::string(1, kept ? static_cast<char>(c.code) : c.expected))
          << "code " << c.code << " keepDigits " << keepDigits;
    }
}

TEST(ToAlphaNumericTest, DigitsAreKeptOnlyWhenAsked) {
  EXPECT_EQ(ToAlphaNumeric("a0b9", true), "a0b9");
  // '0' is 48 (+71), '9' is 57 (+45).
  EXPECT_EQ(ToAlphaNumeric("a0b9", false), "awbf");
  EXPECT_EQ(ToAlphaNumeric("Az", false), "Az");
  EXPECT_EQ(ToAlphaNumeric("", true), "");
}

TEST(ToAlphaNumericTest, EveryByteBecomesALetterOrDigit) {
  std::string all;
  for (int code = 0; code < 256; ++code) all += static_cast<char>(code);
  for (const bool keepDigits : {false, true}) {
    const std::string result = ToAlphaNumeric(all, keepDigits);
    ASSERT_EQ(result.size(), all.size());
    for (int code = 0; code < 256; ++code) {
      const char c = result[static_cast<std::size_t>(code)];
      const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
      const bool digit = c >= '0' && c <= '9';
      EXPECT_TRUE(letter || (keepDigits && digit)) << "code " << code << " gave " << int(c);
    }
  }
}

TEST(HasAllFlagsTest, EveryMaskBitMustBeSet) {
  EXPECT_TRUE(HasAllFlags(0x13, 0x11));
  EXPECT_FALSE(HasAllFlags(0x13, 0x14));
  EXPECT_TRUE(HasAllFlags(0x13, 0));
  EXPECT_FALSE(HasAllFlags(0, 1));
  EXPECT_TRUE(HasAllFlags(0xFFFFFFFF, 0x80000001));
}

}  // namespace
}  // namespace halbrin
