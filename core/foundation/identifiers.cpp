#include "core/foundation/identifiers.h"

#include <sys/random.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <mutex>
#include <random>

#include "platform/base/format.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The process's one random generator. Seeding from the clock at each call
// gave equal "unique" texts to calls within one tick; this one is seeded once
// from the kernel's entropy, and again in a forked child so parent and child
// do not draw the same sequence.
class ProcessRandom {
 public:
  static ProcessRandom& Instance() {
    static ProcessRandom instance;
    return instance;
  }

  // Calls `draw(engine)` under the generator's lock.
  template <class Draw>
  auto With(Draw draw) {
    std::lock_guard lock(m_mutex);
    if (getpid() != m_seededFor) Seed();
    return draw(m_engine);
  }

 private:
  ProcessRandom() { Seed(); }

  void Seed() {
    std::array<std::uint32_t, 8> words{};
    auto* bytes = reinterpret_cast<unsigned char*>(words.data());
    std::size_t filled = 0;
    while (filled < sizeof words) {
      const ssize_t got = getrandom(bytes + filled, sizeof words - filled, 0);
      if (got <= 0) break;
      filled += static_cast<std::size_t>(got);
    }
    if (filled < sizeof words) {
      std::random_device device;
      for (auto& word : words) word = device();
    }
    std::seed_seq sequence(words.begin(), words.end());
    m_engine.seed(sequence);
    m_seededFor = getpid();
  }

  std::mutex m_mutex;
  std::mt19937_64 m_engine;
  pid_t m_seededFor = 0;
};

// A 32-bit integer from decimal digits with an optional sign.
bool ParseDecimalInt32(std::string_view text, std::int32_t& out) {
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return false;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  out = value;
  return true;
}

// Hex digits (no sign, no prefix) of a value up to FFFFFFFF.
bool ParseHex32(std::string_view digits, std::uint32_t& out) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  out = value;
  return true;
}

}  // namespace

std::string BytesToHex(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    hex += kHexDigits[byte >> 4];
    hex += kHexDigits[byte & 0xF];
  }
  return hex;
}

std::string InsertSeparators(std::string_view text, const std::set<int>& positions,
                             std::string_view separator) {
  std::string result;
  result.reserve(text.size() + positions.size() * separator.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    result += text[i];
    const auto position = static_cast<int>(i + 1);
    if (position <= 255 && positions.contains(position)) result += separator;
  }
  return result;
}

std::string BytesToGuidText(std::string_view bytes) {
  static const std::set<int> kGuidPositions{8, 12, 16, 20};
  return "{" + InsertSeparators(BytesToHex(bytes), kGuidPositions, "-") + "}";
}

std::string StripGuidText(std::string_view text) {
  std::string result;
  for (const char c : TrimBlanks(text))
    if (c != '-') result += c;
  // An unbraced text keeps all of its digits.
  if (!result.empty() && result.front() == '{') result.erase(0, 1);
  if (!result.empty() && result.back() == '}') result.pop_back();
  return result;
}

std::string GuidTextToBytes(std::string_view text) {
  const std::string digits = StripGuidText(text);
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    const std::string_view pair = std::string_view(digits).substr(i, 2);
    std::uint32_t value = 0;
    // from_chars takes no sign, so "-1" or "+1" fail here as they should.
    if (!ParseHex32(pair, value))
      throw EConvertError(Format("'%s' is not a valid integer value", {"$" + std::string(pair)}));
    bytes += static_cast<char>(value);
  }
  return bytes;
}

std::string NewGuidText() {
  std::string bytes(16, '\0');
  ProcessRandom::Instance().With([&bytes](std::mt19937_64& engine) {
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
      std::uint64_t word = engine();
      for (std::size_t j = 0; j < 8; ++j, word >>= 8) bytes[i + j] = static_cast<char>(word & 0xFF);
    }
  });
  return BytesToGuidText(bytes);
}

std::string RandomWord(int length) {
  if (length < 1) return {};
  static constexpr std::string_view kConsonants = "bcdfghjklmnpqrstvwxyz";
  static constexpr std::string_view kVowels = "aeiou";
  std::string word(static_cast<std::size_t>(length), '\0');
  ProcessRandom::Instance().With([&word](std::mt19937_64& engine) {
    std::uniform_int_distribution<std::size_t> consonant(0, kConsonants.size() - 1);
    std::uniform_int_distribution<std::size_t> vowel(0, kVowels.size() - 1);
    // Position 1 (index 0) is odd: a consonant.
    for (std::size_t i = 0; i < word.size(); ++i)
      word[i] = i % 2 == 0 ? kConsonants[consonant(engine)] : kVowels[vowel(engine)];
  });
  return word;
}

std::string IntTextToHex(std::string_view text) {
  std::int32_t value = 0;
  if (!ParseDecimalInt32(TrimBlanks(text), value)) return {};
  auto bits = static_cast<std::uint32_t>(value);
  std::string hex(8, '0');
  for (int i = 7; i >= 0; --i, bits >>= 4) hex[static_cast<std::size_t>(i)] = kHexDigits[bits & 0xF];
  return hex;
}

std::string HexTextToIntText(std::string_view text) {
  std::string_view digits = TrimBlanks(text);
  if (digits.starts_with('$')) digits.remove_prefix(1);
  std::uint32_t bits = 0;
  if (!ParseHex32(digits, bits)) return {};
  return FormatInt64(static_cast<std::int32_t>(bits));
}

std::string ToAlphaNumeric(std::string_view text, bool keepDigits) {
  std::string result(text);
  for (char& c : result) {
    const int code = static_cast<unsigned char>(c);
    const bool letter = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
    const bool digit = code >= '0' && code <= '9';
    if (letter || (keepDigits && digit)) continue;
    int mapped = code;
    if (code <= 25) mapped = code + 65;
    else if (code <= 51) mapped = code + 71;
    else if (code <= 64) mapped = code + 45;
    else if (code <= 96) mapped = code + 6;  // 91-96, the only non-letters in 65-96
    else if (code <= 148) mapped = code - 58;  // 123-148
    else if (code <= 174) mapped = code - 84;
    else if (code <= 191) mapped = code - 110;
    else if (code <= 217) mapped = code - 127;
    else if (code <= 243) mapped = code - 121;
    else mapped = code - 147;
    c = static_cast<char>(mapped);
  }
  return result;
}

}  // namespace halbrin
