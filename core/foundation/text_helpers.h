#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halbrin {

// Small text helpers shared by the conversion units.

// One character of a UTF-8 text. A byte that does not start a valid sequence
// is a character of its own, with a code above the Unicode range, so that it
// equals only the same stray byte.
struct Utf8Char {
  char32_t code;
  std::size_t length;
};

inline constexpr char32_t kStrayByteBase = 0x110000;

Utf8Char DecodeUtf8At(std::string_view text, std::size_t pos) noexcept;
// The start of the character that holds byte `pos` (pos itself when it starts one).
std::size_t Utf8CharStart(std::string_view text, std::size_t pos) noexcept;

// Upper case character by character, the same on every machine (no
// locale-specific rules); stray bytes are kept as they are.
char32_t UpperCaseChar(char32_t code) noexcept;
std::string UpperCaseText(std::string_view text);

// Letters and digits of any script; everything else delimits words.
bool IsWordChar(char32_t code) noexcept;

// Every occurrence of `from` (not empty) replaced, scanning left to right;
// replaced text is not scanned again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace halbrin
