#include "core/foundation/project_encoding.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/base/glib_ptr.h"
#include "platform/variant/number_text.h"

using namespace halbrin::platform;

namespace halbrin {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct EncodingSetting {
  std::mutex lock;
  std::string name{DefaultProjectEncoding};
};

EncodingSetting& Setting() {
  static EncodingSetting setting;
  return setting;
}

// One iconv conversion descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : m_cd(g_iconv_open(to.c_str(), from.c_str())) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (Valid()) g_iconv_close(m_cd);
  }

  bool Valid() const noexcept { return m_cd != reinterpret_cast<GIConv>(-1); }
  GIConv Get() const noexcept { return m_cd; }

 private:
  GIConv m_cd;
};

bool CanConvert(const std::string& to, const std::string& from) { return Converter(to, from).Valid(); }

enum class ConvertResult { Ok, UnknownEncoding, Invalid, Incomplete };

// On failure `failedAt` is the offset in the input where conversion stopped.
ConvertResult Convert(std::string_view input, const std::string& to, const std::string& from,
                      std::string& out, gsize& failedAt) {
  // iconv would take an empty name for the process locale's charset.
  if (to.empty() || from.empty()) return ConvertResult::UnknownEncoding;
  const Converter converter(to, from);
  if (!converter.Valid()) return ConvertResult::UnknownEncoding;
  gsize bytesRead = 0;
  gsize bytesWritten = 0;
  GErrorPtr error;
  const GCharPtr converted(g_convert_with_iconv(input.data(), static_cast<gssize>(input.size()),
                                                converter.Get(), &bytesRead, &bytesWritten, Out(error)));
  failedAt = bytesRead;
  if (!converted)
    return g_error_matches(error.get(), G_CONVERT_ERROR, G_CONVERT_ERROR_PARTIAL_INPUT)
               ? ConvertResult::Incomplete
               : ConvertResult::Invalid;
  // With bytes_read asked for, a sequence cut at the end counts as success
  // and is simply left out.
  if (bytesRead < input.size()) return ConvertResult::Incomplete;
  out.assign(converted.get(), bytesWritten);
  return ConvertResult::Ok;
}

[[noreturn]] void ThrowUnknownEncoding(std::string_view encoding) {
  throw EEncodingError(Format("Unknown encoding \"%s\"", {encoding}));
}

[[noreturn]] void ThrowUnsupportedEncoding(std::string_view encoding, std::string_view why) {
  throw EEncodingError(Format("Unsupported encoding \"%s\": %s", {encoding, why}));
}

// An XML encoding name: a letter, then letters, digits, ".", "_" or "-".
// iconv would also take option suffixes ("//TRANSLIT") that change characters.
bool IsPlainEncodingName(std::string_view name) {
  if (name.empty() || !g_ascii_isalpha(name.front())) return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return g_ascii_isalnum(c) || c == '.' || c == '_' || c == '-'; });
}

// Whether the byte alone is the start of a sequence the decoder waits to complete.
bool StartsLongerSequence(GIConv decoder, char byte) {
  g_iconv(decoder, nullptr, nullptr, nullptr, nullptr);  // the initial state
  char input[1] = {byte};
  gchar* in = input;
  gsize inLeft = sizeof input;
  char output[16];
  gchar* out = output;
  gsize outLeft = sizeof output;
  return g_iconv(decoder, &in, &inLeft, &out, &outLeft) == static_cast<gsize>(-1) && errno == EINVAL;
}

// Tab, LF, CR and the printable ASCII characters.
std::string AsciiSample() {
  std::string sample = "\t\n\r";
  for (char c = ' '; c < 0x7F; ++c) sample += c;
  return sample;
}

}  // namespace

std::string ProjectEncoding() {
  EncodingSetting& setting = Setting();
  std::lock_guard guard(setting.lock);
  return setting.name;
}

void CheckProjectEncoding(std::string_view encoding) {
  const std::string name(TrimBlanks(encoding));
  if (IsUtf8EncodingName(name)) return;
  if (name.empty() || !CanConvert("UTF-8", name) || !CanConvert(name, "UTF-8")) ThrowUnknownEncoding(encoding);
  if (!IsPlainEncodingName(name)) ThrowUnsupportedEncoding(encoding, "not a plain encoding name");
  // The markup of every file the program writes is ASCII; it must come out
  // as the same bytes and read back as the same text.
  const std::string sample = AsciiSample();
  std::string converted;
  gsize failedAt = 0;
  if (Convert(sample, name, "UTF-8", converted, failedAt) != ConvertResult::Ok || converted != sample ||
      Convert(sample, "UTF-8", name, converted, failedAt) != ConvertResult::Ok || converted != sample)
    ThrowUnsupportedEncoding(encoding, "it does not keep ASCII text as it is");
  // One byte per character: no byte may start a longer sequence. (Bytes the
  // code page leaves undefined are never written, so they do not count.)
  const Converter decoder("UTF-8", name);
  for (int byte = 0; byte < 256; ++byte) {
    if (StartsLongerSequence(decoder.Get(), static_cast<char>(byte)))
      ThrowUnsupportedEncoding(encoding, "it is not a single-byte code page");
  }
}

void SetProjectEncoding(std::string_view encoding) {
  CheckProjectEncoding(encoding);
  EncodingSetting& setting = Setting();
  std::lock_guard guard(setting.lock);
  setting.name = TrimBlanks(encoding);
}

void ResetProjectEncoding() noexcept {
  EncodingSetting& setting = Setting();
  std::lock_guard guard(setting.lock);
  setting.name = DefaultProjectEncoding;
}

bool IsUtf8EncodingName(std::string_view encoding) noexcept {
  return SameText(encoding, "UTF-8") || SameText(encoding, "UTF8");
}

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s` (lead byte 0x80 or
// above), 0 when it is not one: no overlong forms, no surrogates, nothing above U+10FFFF.
std::size_t Utf8SequenceLength(const unsigned char* s, std::size_t rest) noexcept {
  const unsigned char lead = s[0];
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (rest < length || s[1] < low || s[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if ((s[i] & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::size_t FindInvalidUtf8(std::string_view text) noexcept {
  // NUL bytes are valid text here. ASCII is skipped eight bytes at a time.
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (pos < size) {
    while (pos + 8 <= size) {
      std::uint64_t word;
      std::memcpy(&word, data + pos, sizeof word);
      if (word & 0x8080808080808080ull) break;
      pos += 8;
    }
    while (pos < size && data[pos] < 0x80) ++pos;
    if (pos >= size) break;
    const std::size_t length = Utf8SequenceLength(data + pos, size - pos);
    if (length == 0) return pos;
    pos += length;
  }
  return std::string_view::npos;
}

std::string DecodeText(std::string_view bytes, std::string_view encoding) {
  if (IsUtf8EncodingName(encoding)) {
    const std::size_t bad = FindInvalidUtf8(bytes);
    if (bad != std::string_view::npos)
      throw EEncodingError(Format("Invalid byte sequence for encoding \"%s\" at offset %u",
                                  {encoding, bad}));
    return std::string(bytes);
  }
  std::string out;
  gsize failedAt = 0;
  switch (Convert(bytes, "UTF-8", std::string(encoding), out, failedAt)) {
    case ConvertResult::Ok:
      return out;
    case ConvertResult::UnknownEncoding:
      ThrowUnknownEncoding(encoding);
    case ConvertResult::Incomplete:
      throw EEncodingError(Format("Incomplete byte sequence for encoding \"%s\" at offset %u",
                                  {encoding, failedAt}));
    case ConvertResult::Invalid:
      break;
  }
  throw EEncodingError(Format("Invalid byte sequence for encoding \"%s\" at offset %u",
                              {encoding, failedAt}));
}

std::string EncodeText(std::string_view utf8, std::string_view encoding) {
  const std::size_t bad = FindInvalidUtf8(utf8);
  if (bad != std::string_view::npos)
    throw EEncodingError(Format("Invalid UTF-8 text at offset %u", {bad}));
  if (IsUtf8EncodingName(encoding)) return std::string(utf8);
  std::string out;
  gsize failedAt = 0;
  switch (Convert(utf8, std::string(encoding), "UTF-8", out, failedAt)) {
    case ConvertResult::Ok:
      return out;
    case ConvertResult::UnknownEncoding:
      ThrowUnknownEncoding(encoding);
    case ConvertResult::Incomplete:
    case ConvertResult::Invalid:
      break;
  }
  // The input is valid UTF-8 by now, so the target lacks the character.
  throw EEncodingError(Format("The character at offset %u cannot be written in encoding \"%s\"",
                              {failedAt, encoding}));
}

std::string DecodeFileText(std::string_view bytes, std::string_view encoding) {
  if (bytes.starts_with(kUtf8Bom)) return DecodeText(bytes.substr(kUtf8Bom.size()), "UTF-8");
  return DecodeText(bytes, encoding);
}

}  // namespace halbrin
