#include "components/clipboard/clipboard_data.h"

#include <glib.h>

#include <charconv>
#include <filesystem>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/foundation/paths.h"
#include "core/foundation/project_encoding.h"
#include "platform/base/case_fold.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

using platform::FoldCase;
using platform::GCharPtr;
using platform::SameText;

namespace {

// The process's custom format names: folded name -> id, id -> first spelling.
class TCustomFormatTable {
 public:
  static TCustomFormatTable& Instance() {
    static TCustomFormatTable table;
    return table;
  }

  std::uint32_t Register(std::string_view name) {
    const std::lock_guard lock(m_mutex);
    const std::string key = FoldCase(name);
    if (const auto found = m_ids.find(key); found != m_ids.end()) return found->second;
    const auto id = static_cast<std::uint32_t>(kClipboardFirstCustomId + m_names.size());
    m_ids.emplace(key, id);
    m_names.emplace_back(name);
    return id;
  }

  std::string Name(std::uint32_t id) {
    const std::lock_guard lock(m_mutex);
    if (id < kClipboardFirstCustomId || id - kClipboardFirstCustomId >= m_names.size()) return {};
    return m_names[id - kClipboardFirstCustomId];
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<std::string, std::uint32_t> m_ids;
  std::vector<std::string> m_names;
};

bool IsProtocolName(std::string_view name) {
  for (const std::string_view reserved : {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE"})
    if (SameText(name, reserved)) return true;
  return name.empty();
}

std::string MakeValidUtf8(std::string_view bytes) {
  const GCharPtr valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
  return valid.get();
}

std::string_view UpToNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// UTF-8 as it is; else the project's code page; else repaired.
std::string AsUtf8(std::string_view bytes) {
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return std::string(bytes);
  try {
    return DecodeText(bytes, ProjectEncoding());
  } catch (const EEncodingError&) {
    return MakeValidUtf8(bytes);
  }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// UTF-16 by its mark or by the NULs of its first 64 bytes; "" for UTF-8 or
// other single-byte text.
const char* Utf16Encoding(std::string_view bytes, std::size_t& skip) {
  skip = 0;
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) return skip = 2, "UTF-16LE";
    if (b0 == 0xFE && b1 == 0xFF) return skip = 2, "UTF-16BE";
  }
  const std::size_t span = std::min<std::size_t>(bytes.size(), 64) & ~std::size_t{1};
  if (span < 2) return nullptr;
  bool oddNul = true;
  bool evenNul = true;
  for (std::size_t i = 0; i < span; i += 2) {
    evenNul = evenNul && bytes[i] == '\0';
    oddNul = oddNul && bytes[i + 1] == '\0';
  }
  if (oddNul && !evenNul) return "UTF-16LE";
  if (evenNul && !oddNul) return "UTF-16BE";
  return nullptr;
}

std::string FromUtf16(std::string_view bytes, const char* encoding) {
  gsize written = 0;
  const GCharPtr converted(g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size() & ~std::size_t{1}),
                                                   "UTF-8", encoding, "\xEF\xBF\xBD", nullptr, &written, nullptr));
  if (!converted) return MakeValidUtf8(bytes);
  return std::string(converted.get(), written);
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (true) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "StartFragment:0000000107" -> 107; -1 when the line is not that field or
// its value is no whole non-negative number.
long long HeaderField(std::string_view line, std::string_view field) {
  if (!StartsWithNoCase(line, field)) return -1;
  line.remove_prefix(field.size());
  if (line.empty() || line.front() != ':') return -1;
  const std::string_view value = Trimmed(line.substr(1));
  long long number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end != value.data() + value.size() || value.empty()) return -1;
  return number;
}

std::string DecodeWindowsHeader(const std::string& text) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.size() < 5) return text;
  const long long start = HeaderField(lines[3], "StartFragment");
  const long long end = HeaderField(lines[4], "EndFragment");
  if (start < 0 || end < start || end > static_cast<long long>(text.size())) return text;
  return MakeValidUtf8(std::string_view(text).substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

std::string_view DropLineBreakAfter(std::string_view text) {
  if (text.starts_with("\r\n")) return text.substr(2);
  if (text.starts_with("\n")) return text.substr(1);
  return text;
}

std::string_view DropLineBreakBefore(std::string_view text) {
  if (text.ends_with("\r\n")) return text.substr(0, text.size() - 2);
  if (text.ends_with("\n")) return text.substr(0, text.size() - 1);
  return text;
}

std::vector<std::string> FileNames(std::string_view names) {
  std::vector<std::string> result;
  while (true) {
    const std::size_t end = names.find("::");
    const std::string_view name = names.substr(0, end);
    if (!name.empty()) result.push_back(WithSlashes(name));
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 2);
  }
  return result;
}

std::vector<std::string> FileUris(std::string_view names) {
  std::vector<std::string> uris;
  for (const std::string& name : FileNames(names)) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
    if (ec) continue;
    const GCharPtr uri(g_filename_to_uri(absolute.lexically_normal().c_str(), nullptr, nullptr));
    if (uri) uris.emplace_back(uri.get());
  }
  return uris;
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) joined += separator;
    joined += parts[i];
  }
  return joined;
}

}  // namespace

std::uint32_t ClipboardFormatId(std::string_view name) {
  if (SameText(name, "text")) return kClipboardTextId;
  if (SameText(name, "ansi")) return kClipboardAnsiId;
  if (SameText(name, "html") || SameText(name, "HTML Format")) return kClipboardHtmlId;
  if (SameText(name, "file")) return kClipboardFileId;
  if (IsProtocolName(name)) return 0;
  return TCustomFormatTable::Instance().Register(name);
}

std::string ClipboardCustomTarget(std::uint32_t id) { return TCustomFormatTable::Instance().Name(id); }

std::string AnsiTextTarget(std::string_view encoding) { return "text/plain;charset=" + std::string(encoding); }

std::string BuildHtmlClipboardDocument(std::string_view fragment) {
  std::string document;
  document += "<html>\r\n";
  document += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";
  document += "<body>\r\n";
  document += "<!--StartFragment-->\r\n";
  document += fragment;
  document += "\r\n<!--EndFragment-->\r\n";
  document += "</body>\r\n";
  document += "</html>";
  return document;
}

std::string DecodeHtmlClipboardText(std::string_view bytes) {
  std::size_t skip = 0;
  const char* utf16 = Utf16Encoding(bytes, skip);
  const std::string text = utf16 ? std::string(UpToNul(FromUtf16(bytes.substr(skip), utf16))) : AsUtf8(UpToNul(bytes));

  if (text.starts_with("Version:")) return DecodeWindowsHeader(text);

  constexpr std::string_view startMark = "<!--StartFragment-->";
  constexpr std::string_view endMark = "<!--EndFragment-->";
  const std::size_t start = text.find(startMark);
  if (start != std::string::npos) {
    const std::size_t end = text.find(endMark, start + startMark.size());
    if (end != std::string::npos) {
      const std::string_view inner =
          std::string_view(text).substr(start + startMark.size(), end - start - startMark.size());
      return std::string(DropLineBreakBefore(DropLineBreakAfter(inner)));
    }
  }

  if (StartsWithNoCase(text, "<meta charset=")) {
    const std::size_t close = text.find('>');
    if (close != std::string::npos) return text.substr(close + 1);
  }
  return text;
}

std::string BuildUriList(std::string_view names) { return Join(FileUris(names), "\r\n"); }

std::string BuildGnomeCopiedFiles(std::string_view names) {
  std::vector<std::string> lines = FileUris(names);
  lines.insert(lines.begin(), "copy");
  return Join(lines, "\n");
}

std::string DecodeFileList(std::string_view bytes) {
  std::vector<std::string> paths;
  bool first = true;
  for (const std::string_view rawLine : Lines(UpToNul(bytes))) {
    const std::string_view line = Trimmed(rawLine);
    const bool wasFirst = first;
    first = false;
    if (line.empty() || line.front() == '#') continue;
    if (wasFirst && (line == "copy" || line == "cut")) continue;
    const std::string uri(line);
    const GCharPtr path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
    if (path && *path.get()) paths.emplace_back(path.get());
  }
  return Join(paths, "::");
}

std::string DecodeClipboardText(std::string_view bytes) { return MakeValidUtf8(UpToNul(bytes)); }

std::string DecodeCustomClipboardText(std::string_view bytes) { return AsUtf8(UpToNul(bytes)); }

std::string EncodeTextLossy(std::string_view utf8, std::string_view encoding) {
  const std::string valid = MakeValidUtf8(utf8);
  try {
    return EncodeText(valid, encoding);
  } catch (const EEncodingError&) {
  }
  std::string encoded;
  for (const char* p = valid.c_str(); *p; p = g_utf8_next_char(p)) {
    const std::string_view character(p, static_cast<std::size_t>(g_utf8_next_char(p) - p));
    if (character == "\xEF\xBF\xBD") {
      encoded += '?';
      continue;
    }
    try {
      encoded += EncodeText(character, encoding);
    } catch (const EEncodingError&) {
      encoded += '?';
    }
  }
  return encoded;
}

std::string ThroughProjectCodePage(std::string_view utf8) {
  const std::string encoding = ProjectEncoding();
  if (IsUtf8EncodingName(encoding)) return MakeValidUtf8(utf8);
  try {
    return DecodeText(EncodeTextLossy(utf8, encoding), encoding);
  } catch (const EEncodingError&) {
    return MakeValidUtf8(utf8);
  }
}

}  // namespace halbrin
