#include "web/download/loader_text.h"

#include <glib.h>

#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

bool ContainsText(std::string_view word, std::string_view part) {
  if (part.empty()) return false;
  return FoldCase(word).find(FoldCase(part)) != std::string::npos;
}

bool IconvKnows(const std::string& charset) {
  GIConv cd = g_iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<GIConv>(-1)) return false;
  g_iconv_close(cd);
  return true;
}

void AppendUtf8(std::string& out, gunichar c) {
  char buffer[8];
  out.append(buffer, static_cast<std::size_t>(g_unichar_to_utf8(c, buffer)));
}

// Valid UTF-8 with every bad sequence as U+FFFD.
std::string RepairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  while (p < end) {
    const char* bad = nullptr;
    g_utf8_validate_len(p, static_cast<gsize>(end - p), &bad);
    out.append(p, static_cast<std::size_t>(bad - p));
    if (bad == end) break;
    AppendUtf8(out, 0xFFFD);
    p = bad + 1;
  }
  return out;
}

std::string Convert(std::string_view bytes, const std::string& from) {
  if (bytes.empty()) return {};
  gsize written = 0;
  GErrorPtr error;
  GCharPtr converted(g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8",
                                             from.c_str(), "\xEF\xBF\xBD", nullptr, &written, Out(error)));
  if (converted) return RepairUtf8(std::string_view(converted.get(), written));
  // Input the fallback cannot step over: byte by byte, each bad one U+FFFD.
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    gsize one = 0;
    GCharPtr piece(g_convert(bytes.data() + i, 1, "UTF-8", from.c_str(), nullptr, &one, nullptr));
    if (piece)
      out.append(piece.get(), one);
    else
      AppendUtf8(out, 0xFFFD);
  }
  return out;
}

std::string FromUtf16Le(std::string_view bytes) {
  std::string out;
  const std::size_t units = bytes.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    gunichar c = static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
      const gunichar low =
          static_cast<unsigned char>(bytes[2 * i + 2]) | (static_cast<unsigned char>(bytes[2 * i + 3]) << 8);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string OemCodePage(std::string_view ansi) {
  const std::string page = FoldCase(ansi);
  if (page == "windows-1251" || page == "cp1251") return "CP866";
  if (page == "windows-1252" || page == "cp1252") return "CP850";
  if (page == "windows-1250" || page == "cp1250") return "CP852";
  return "CP437";
}

std::string MacCodePage(std::string_view ansi) {
  const std::string page = FoldCase(ansi);
  if (page == "windows-1251" || page == "cp1251") return "MACCYRILLIC";
  if (page == "windows-1250" || page == "cp1250") return "MACCENTRALEUROPE";
  return "MACINTOSH";
}

std::optional<TUrlLoaderEncoding> ResolveLoaderEncoding(TUrlLoaderEncoding encoding, std::string_view charset) {
  if (encoding != TUrlLoaderEncoding::leAuto) return encoding;
  const std::string name(TrimBlanks(charset));
  if (name.empty()) return TUrlLoaderEncoding::leAnsi;
  if (SameText(name, "utf-8")) return TUrlLoaderEncoding::leUtf8;
  if (SameText(name, "utf-16")) return TUrlLoaderEncoding::leUtf16;
  if (SameText(name, "utf-7")) return TUrlLoaderEncoding::leUtf7;
  if (ContainsText("oem", name)) return TUrlLoaderEncoding::leOem;
  if (ContainsText("mac", name)) return TUrlLoaderEncoding::leMac;
  if (IconvKnows(name)) return std::nullopt;
  return TUrlLoaderEncoding::leAnsi;
}

std::string DecodeLoaderText(std::string_view bytes, TUrlLoaderEncoding encoding, std::string_view charset,
                             std::string_view ansi) {
  if (bytes.empty()) return {};
  const std::optional<TUrlLoaderEncoding> resolved = ResolveLoaderEncoding(encoding, charset);
  if (!resolved) return Convert(bytes, std::string(TrimBlanks(charset)));
  switch (*resolved) {
    case TUrlLoaderEncoding::leUtf8: return RepairUtf8(bytes);
    case TUrlLoaderEncoding::leUtf16: return FromUtf16Le(bytes);
    case TUrlLoaderEncoding::leUtf7: return Convert(bytes, "UTF-7");
    case TUrlLoaderEncoding::leOem: return Convert(bytes, OemCodePage(ansi));
    case TUrlLoaderEncoding::leMac: return Convert(bytes, MacCodePage(ansi));
    case TUrlLoaderEncoding::leSymbol: {
      std::string out;
      for (char b : bytes) AppendUtf8(out, 0xF000 + static_cast<unsigned char>(b));
      return out;
    }
    case TUrlLoaderEncoding::leAuto:
    case TUrlLoaderEncoding::leAnsi: break;
  }
  return Convert(bytes, std::string(ansi));
}

std::optional<std::string> EncodeRequestBody(std::string_view utf8, std::string_view charset, std::string_view ansi) {
  std::string target(TrimBlanks(charset));
  if (target.empty() || !IconvKnows(target)) target = std::string(ansi);
  if (utf8.empty()) return std::string();
  gsize written = 0;
  GErrorPtr error;
  GCharPtr converted(g_convert(utf8.data(), static_cast<gssize>(utf8.size()), target.c_str(), "UTF-8", nullptr,
                               &written, Out(error)));
  if (!converted) return std::nullopt;
  return std::string(converted.get(), written);
}

std::string ContentTypeCharset(std::string_view contentType) {
  std::size_t start = contentType.find(';');
  while (start != std::string_view::npos) {
    const std::size_t next = contentType.find(';', start + 1);
    const std::string_view part = TrimBlanks(contentType.substr(start + 1, next == std::string_view::npos ? next : next - start - 1));
    const std::size_t equals = part.find('=');
    if (equals != std::string_view::npos && SameText(TrimBlanks(part.substr(0, equals)), "charset")) {
      std::string_view value = TrimBlanks(part.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      return std::string(TrimBlanks(value));
    }
    start = next;
  }
  return {};
}

std::optional<std::uint32_t> ParseHexFlags(std::string_view text) {
  std::string_view digits = TrimBlanks(text);
  if (digits.empty()) return 0u;
  if (digits.front() == '$') digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    const int digit = g_ascii_xdigit_value(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return value;
}

bool AppendHeaderLines(std::string_view text, HeaderList& headers) {
  HeaderList added;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    if (TrimBlanks(line).empty()) continue;
    for (char c : line)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) return false;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    if (name.empty()) return false;
    for (char c : name)
      if (c == ' ' || c == '\t') return false;
    added.emplace_back(std::string(name), std::string(TrimBlanks(line.substr(colon + 1))));
  }
  headers.insert(headers.end(), added.begin(), added.end());
  return true;
}

std::string HeaderListText(const HeaderList& headers) {
  std::string text;
  for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
  return text;
}

std::optional<std::string> FindHeader(const HeaderList& headers, std::string_view name) {
  for (const auto& [key, value] : headers)
    if (SameText(key, name)) return value;
  return std::nullopt;
}

}  // namespace halbrin
