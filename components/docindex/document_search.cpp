#include "components/docindex/document_search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <charconv>
#include <cstring>
#include <cmath>

#include "core/foundation/date_time_parser.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/search_buffer.h"
#include "core/foundation/text_helpers.h"
#include "platform/base/case_fold.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::size_t kReadBlock = 1 << 20;
constexpr char kReplacement[] = "\xEF\xBF\xBD";

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

// Where a query of ASCII characters can first match, letter case ignored, or
// npos when it cannot; nullopt when no such bound holds (the query is not
// ASCII, or the text has U+0131 or U+017F, the only characters whose upper
// case is ASCII). Lets the character-wise search skip what cannot match.
std::optional<std::size_t> FirstAsciiCandidate(std::string_view text, std::string_view query) {
  if (query.empty()) return std::nullopt;
  for (char c : query)
    if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
  if (text.find("\xC4\xB1") != std::string_view::npos || text.find("\xC5\xBF") != std::string_view::npos)
    return std::nullopt;
  // Boyer-Moore-Horspool over ASCII-folded bytes.
  const std::size_t m = query.size();
  if (text.size() < m) return std::string_view::npos;
  std::array<std::size_t, 256> shift;
  shift.fill(m);
  for (std::size_t i = 0; i + 1 < m; ++i) {
    const auto c = static_cast<unsigned char>(AsciiUpper(query[i]));
    shift[c] = m - 1 - i;
    if (c >= 'A' && c <= 'Z') shift[c + ('a' - 'A')] = m - 1 - i;
  }
  const char last = AsciiUpper(query[m - 1]);
  for (std::size_t pos = 0; pos + m <= text.size();) {
    const char c = text[pos + m - 1];
    if (AsciiUpper(c) == last) {
      std::size_t i = 0;
      while (i + 1 < m && AsciiUpper(text[pos + i]) == AsciiUpper(query[i])) ++i;
      if (i + 1 >= m) return pos;
    }
    pos += shift[static_cast<unsigned char>(c)];
  }
  return std::string_view::npos;
}

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n'; }

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c >= kStrayByteBase) {
    out += kReplacement;
  } else if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A position is inside a tag when the next ">" comes before the next "<".
bool InsideTag(std::string_view text, std::size_t pos) {
  const std::size_t close = text.find('>', pos);
  if (close == std::string_view::npos) return false;
  const std::size_t open = text.find('<', pos);
  return open == std::string_view::npos || close < open;
}

// The word of letters and digits around [pos, pos + length).
std::string_view WordAround(std::string_view text, std::size_t pos, std::size_t length) {
  std::size_t start = pos;
  while (start > 0) {
    const std::size_t prev = Utf8CharStart(text, start - 1);
    if (!IsWordChar(DecodeUtf8At(text, prev).code)) break;
    start = prev;
  }
  std::size_t end = pos + length;
  while (end < text.size()) {
    const Utf8Char c = DecodeUtf8At(text, end);
    if (!IsWordChar(c.code)) break;
    end += c.length;
  }
  return text.substr(start, end - start);
}

// Visible characters of markup text, walking from `pos` in one direction:
// tags are skipped (each as one blank), runs of blanks read as one blank.
// Collects at most `limit` characters; `more` tells whether text remained.
std::u32string Visible(std::string_view text, std::size_t pos, bool forward, std::size_t limit, bool& more) {
  std::u32string out;
  more = false;
  auto push = [&](char32_t c) {
    if (IsBlank(c)) {
      if (!out.empty() && out.back() == U' ') return;
      c = U' ';
    }
    out += c;
  };
  if (forward) {
    while (pos < text.size()) {
      if (out.size() >= limit) {
        more = true;
        break;
      }
      if (text[pos] == '<') {
        const std::size_t close = text.find('>', pos);
        if (close != std::string_view::npos) {
          push(U' ');
          pos = close + 1;
          continue;
        }
      }
      const Utf8Char c = DecodeUtf8At(text, pos);
      push(c.code);
      pos += c.length;
    }
  } else {
    while (pos > 0) {
      if (out.size() >= limit) {
        more = true;
        break;
      }
      if (text[pos - 1] == '>') {
        const std::size_t open = text.rfind('<', pos - 1);
        if (open != std::string_view::npos) {
          push(U' ');
          pos = open;
          continue;
        }
      }
      const std::size_t start = Utf8CharStart(text, pos - 1);
      push(DecodeUtf8At(text, start).code);
      pos = start;
    }
    std::reverse(out.begin(), out.end());
  }
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::string FirstChars(std::string_view text, std::size_t chars) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < chars && pos < text.size(); ++n) pos += DecodeUtf8At(text, pos).length;
  return std::string(text.substr(0, pos));
}

bool ParseNumber(std::string_view text, double& value) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  if (*first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last && std::isfinite(value);
}

bool ParseDate(std::string_view text, double& value) {
  const std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  try {
    value = ParseDateTime("dd.mm.yyyy hh:nn:ss", trimmed);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool InRange(const std::string& value, const std::string& low, const std::string& high,
             TDocumentIndexDataType type) {
  if (type == TDocumentIndexDataType::didText) return low <= value && value <= high;
  double v = 0, lo = 0, hi = 0;
  auto parse = type == TDocumentIndexDataType::didNumeric ? ParseNumber : ParseDate;
  if (!parse(value, v) || !parse(low, lo) || !parse(high, hi)) return false;
  if (hi < lo) std::swap(lo, hi);
  return lo <= v && v <= hi;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

bool StatFile(const std::string& path, std::int64_t& size, std::int64_t& mtimeNs) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = st.st_size;
  mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

}  // namespace

DocumentTextDecoder::DocumentTextDecoder(std::string_view encoding) : m_utf8(IsUtf8EncodingName(encoding)) {
  if (m_utf8) return;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    std::string text;
    try {
      text = DecodeText(std::string_view(&byte, 1), encoding);
    } catch (const std::exception&) {
      text.clear();
    }
    if (text.empty() || text.size() > 4) text = kReplacement;
    m_table[b].length = static_cast<std::uint8_t>(text.size());
    std::copy(text.begin(), text.end(), m_table[b].bytes.begin());
  }
}

std::string DocumentTextDecoder::Decode(std::string_view bytes) const {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  else if (FindInvalidUtf8(bytes) == std::string_view::npos) return std::string(bytes);
  else if (!m_utf8) {
    std::size_t size = 0;
    for (unsigned char b : bytes) size += m_table[b].length;
    std::string out(size + 4, '\0');
    char* to = out.data();
    for (unsigned char b : bytes) {
      const Entry& entry = m_table[b];
      std::memcpy(to, entry.bytes.data(), 4);
      to += entry.length;
    }
    out.resize(size);
    return out;
  }
  // UTF-8 with invalid bytes: each becomes U+FFFD.
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const std::size_t bad = FindInvalidUtf8(bytes);
    out.append(bytes.substr(0, bad));
    if (bad == std::string_view::npos) break;
    out += kReplacement;
    bytes.remove_prefix(bad + 1);
  }
  return out;
}

void DocumentTextDecoder::DecodeInPlace(std::string& bytes) const {
  if (!bytes.starts_with("\xEF\xBB\xBF") && FindInvalidUtf8(bytes) == std::string_view::npos) return;
  bytes = Decode(bytes);
}

std::string DocumentSourceFile(const std::string& document, const std::string& source) {
  if (source.empty()) return document;
  if (source[0] == '*' || source[0] == '?') {
    if (source.size() == 1) return document;
    const std::size_t slash = document.rfind('/');
    const std::size_t dot = document.rfind('.');
    const std::size_t stemEnd = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? dot
                                                                                                          : document.size();
    return document.substr(0, stemEnd) + source.substr(1);
  }
  return source;
}

bool IsSnippetBoundary(char32_t c) noexcept {
  return std::u32string_view(U" \t\r\n.,;:!?-)~\"\\|/*<[").find(c) != std::u32string_view::npos;
}

std::size_t Utf8Length(std::string_view text) noexcept {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) pos += DecodeUtf8At(text, pos).length;
  return count;
}

DocumentSearchStep::DocumentSearchStep(TDocumentIndexMode mode, const std::vector<std::string>& stopWords,
                                       DocumentDictionaryData dictionary, std::string_view encoding)
    : m_mode(mode), m_dictionary(std::move(dictionary)), m_decoder(encoding) {
  for (const std::string& word : stopWords) {
    const std::string trimmed = Trimmed(word);
    if (!trimmed.empty()) m_stopWords.insert(FoldCase(trimmed));
  }
}

bool DocumentSearchStep::IsStopWord(std::string_view word) const {
  if (m_stopWords.empty()) return false;
  const std::string trimmed = Trimmed(word);
  return !trimmed.empty() && m_stopWords.contains(FoldCase(trimmed));
}

DocumentChunkData DocumentSearchStep::MakeChunk(std::string_view text, std::size_t pos, std::size_t length,
                                                int size) const {
  DocumentChunkData chunk;
  const std::size_t limit = static_cast<std::size_t>(std::max(size, 1));
  chunk.valueText = FirstChars(text.substr(pos, length), limit);
  const std::size_t valueChars = Utf8Length(chunk.valueText);
  const std::size_t budget = limit > valueChars ? limit - valueChars : 0;
  const std::size_t before = budget / 2;
  const std::size_t after = budget - before;

  // Context words, cut at a boundary when the budget ran out, stop words dropped.
  auto context = [&](bool forward, std::size_t chars) {
    bool more = false;
    std::u32string run = Visible(text, forward ? pos + length : pos, forward, chars, more);
    if (more) {
      if (forward) {
        const std::size_t cut = run.find_last_of(U" \t\r\n.,;:!?-)~\"\\|/*<[");
        run.erase(cut == std::u32string::npos ? 0 : cut + 1);
      } else {
        std::size_t cut = std::u32string::npos;
        for (std::size_t i = 0; i < run.size(); ++i)
          if (IsSnippetBoundary(run[i])) {
            cut = i;
            break;
          }
        run.erase(0, cut == std::u32string::npos ? run.size() : cut);
      }
    }
    if (m_stopWords.empty()) return ToUtf8(run);
    // Drop stop words, keeping what separates the others.
    std::u32string out;
    std::size_t i = 0;
    while (i < run.size()) {
      std::size_t j = i;
      while (j < run.size() && !IsSnippetBoundary(run[j])) ++j;
      if (j > i) {
        const std::u32string word = run.substr(i, j - i);
        if (!IsStopWord(ToUtf8(word))) out += word;
        i = j;
      } else {
        if (!(run[i] == U' ' && !out.empty() && out.back() == U' ')) out += run[i];
        ++i;
      }
    }
    return ToUtf8(out);
  };
  chunk.predText = context(false, before);
  chunk.succText = context(true, after);
  return chunk;
}

DocumentChunkData DocumentSearchStep::MakeSample(std::string_view text, int size) const {
  DocumentChunkData chunk;
  bool more = false;
  std::u32string run = Visible(text, 0, true, static_cast<std::size_t>(std::max(size, 0)), more);
  if (more) {
    const std::size_t cut = run.find_last_of(U" \t\r\n.,;:!?-)~\"\\|/*<[");
    if (cut != std::u32string::npos) run.erase(cut);
  }
  const std::size_t first = run.find_first_not_of(U' ');
  run.erase(0, first == std::u32string::npos ? run.size() : first);
  chunk.valueText = ToUtf8(run);
  return chunk;
}

void DocumentSearchStep::Record(DocumentFilterItemData& item, bool found, DocumentChunkData chunk, bool& flag) const {
  if (found) item.match = true;
  if ((found || m_mode == TDocumentIndexMode::dimExplore) &&
      !HasOption(item.options, TDocumentIndexOption::dioExcludeChunk))
    item.chunks.push_back(std::move(chunk));
  if (m_mode == TDocumentIndexMode::dimFilter)
    flag = flag && found;
  else
    flag = flag || found;
}

bool DocumentSearchStep::Continues(const DocumentFilterItemData& item, bool flag) const {
  return HasOption(item.options, TDocumentIndexOption::dioSequent) || !flag;
}

bool DocumentSearchStep::SearchText(std::string_view text, DocumentFilterItemData& item, bool& flag, bool markup) {
  bool any = false;
  unsigned options = soDown;
  if (HasOption(item.options, TDocumentIndexOption::dioCaseSensitive)) options |= soMatchCase;
  if (HasOption(item.options, TDocumentIndexOption::dioWholeWords)) options |= soWholeWord;
  std::int64_t start = 0;
  bool searchable = !text.empty() && !item.query.empty();
  if (const auto first = searchable ? FirstAsciiCandidate(text, item.query) : std::nullopt) {
    if (*first == std::string_view::npos)
      searchable = false;
    else
      start = static_cast<std::int64_t>(*first);
  }
  if (searchable) {
    while (true) {
      const auto hit = SearchBuffer(text, start, 0, item.query, options);
      if (!hit) break;
      // The hit's length in this text (case folding may change byte counts).
      const std::size_t length = std::min(item.query.size(), text.size() - *hit);
      start = static_cast<std::int64_t>(*hit + std::max<std::size_t>(length, 1));
      if (markup && InsideTag(text, *hit)) continue;
      if (IsStopWord(WordAround(text, *hit, length))) continue;
      any = true;
      Record(item, true, MakeChunk(text, *hit, length, item.chunkSize), flag);
      if (!Continues(item, flag)) break;
    }
  }
  if (!any && m_mode != TDocumentIndexMode::dimSearch) Record(item, false, MakeSample(text, item.chunkSize), flag);
  return any;
}

bool DocumentSearchStep::SearchNodes(const XmlDocument& document, DocumentFilterItemData& item, bool& flag,
                                     bool range) {
  std::string xpath = item.query;
  std::string low, high;
  if (range) {
    const std::vector<std::string> parts = SplitCommas(item.query);
    if (parts.size() < 3) return false;
    xpath = parts[0];
    low = parts[1];
    high = parts[2];
  }
  XmlNodeList nodes;
  try {
    nodes = document.selectNodes(xpath);
  } catch (const std::exception&) {
    return false;
  }
  bool any = false;
  const bool useDictionary = HasOption(item.options, TDocumentIndexOption::dioUsesDictionary) && m_dictionary.Active();
  for (int i = 0; i < nodes.length(); ++i) {
    const XmlNode node = nodes.item(i);
    const std::string value = node.text();
    if (IsStopWord(value)) continue;
    if (range && !InRange(value, low, high, item.dataType)) continue;
    DocumentChunkData chunk;
    chunk.name = node.baseName();
    if (useDictionary) {
      int found = 0;
      std::string caption = m_dictionary.Translate(chunk.name, found);
      if (found > 0) chunk.caption = std::move(caption);
    }
    // The node's text split at the first occurrence of the item's text.
    const auto at = item.text.empty() ? std::nullopt : SearchBuffer(value, 0, 0, item.text, soDown);
    if (at) {
      chunk.predText = value.substr(0, *at);
      chunk.valueText = value.substr(*at, item.text.size());
      chunk.succText = value.substr(*at + chunk.valueText.size());
    } else {
      chunk.valueText = value;
    }
    any = true;
    Record(item, true, std::move(chunk), flag);
    if (!Continues(item, flag)) break;
  }
  if (!any && m_mode != TDocumentIndexMode::dimSearch) Record(item, false, {}, flag);
  return any;
}

bool DocumentSearchStep::LoadText(const std::string& path, const FileKey& key, std::stop_token stop) {
  if (key == m_textKey) return true;
  m_textKey = {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    m_text.clear();
    return false;
  }
  // The file is read straight into the text, sized by the stamp (one byte more
  // shows growth). The buffer keeps its bytes and capacity between files, so
  // only growth is filled and faulted in; a buffer that must grow starts empty,
  // so nothing old is copied.
  const std::size_t expected = key.size >= 0 ? static_cast<std::size_t>(key.size) + 1 : kReadBlock;
  if (m_text.capacity() < expected) {
    m_text.clear();
    m_text.reserve(expected);
  }
  m_text.resize(expected);
  std::size_t used = 0;
  while (true) {
    if (stop.stop_requested()) {
      ::close(fd);
      m_text.clear();
      return false;
    }
    if (m_text.size() == used) m_text.resize(used + kReadBlock);
    const ssize_t got = ::read(fd, m_text.data() + used, std::min(kReadBlock, m_text.size() - used));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  m_text.resize(used);
  m_decoder.DecodeInPlace(m_text);
  m_textKey = key;
  return true;
}

bool DocumentSearchStep::LoadXml(const std::string& path, const FileKey& key) {
  if (key == m_xmlKey) return m_xmlLoaded;
  m_xmlKey = key;
  m_xmlLoaded = false;
  try {
    m_xml = XmlDocument::Create();
    m_xml.load(path);
    m_xmlLoaded = static_cast<bool>(m_xml.documentElement());
  } catch (const std::exception&) {
    m_xmlLoaded = false;
  }
  return m_xmlLoaded;
}

bool DocumentSearchStep::Search(const std::string& path, std::vector<DocumentFilterItemData>& items,
                                std::stop_token stop) {
  return SearchDocument(path, nullptr, items, std::move(stop));
}

bool DocumentSearchStep::Search(const DocumentEntry& document, std::vector<DocumentFilterItemData>& items,
                                std::stop_token stop) {
  return SearchDocument(document.path, &document.stamp, items, std::move(stop));
}

bool DocumentSearchStep::SearchDocument(const std::string& path, const DocumentFileStamp* stamp,
                                        std::vector<DocumentFilterItemData>& items, std::stop_token stop) {
  bool flag = m_mode == TDocumentIndexMode::dimFilter;
  for (DocumentFilterItemData& item : items) {
    item.match = false;
    item.chunks.clear();
  }
  for (DocumentFilterItemData& item : items) {
    if (m_mode == TDocumentIndexMode::dimFilter && !flag) break;
    if (stop.stop_requested()) return false;
    if (IsStopWord(item.text)) continue;
    const std::string file = DocumentSourceFile(path, item.source);
    FileKey key{file};
    if (stamp && stamp->size >= 0 && file == path) {
      key.size = stamp->size;
      key.mtimeNs = stamp->mtimeNs;
    } else if (!StatFile(file, key.size, key.mtimeNs)) {
      continue;
    }
    switch (item.contentType) {
      case TDocumentIndexContentType::ditText:
        if (!LoadText(file, key, stop)) continue;
        SearchText(m_text, item, flag, true);
        break;
      case TDocumentIndexContentType::ditXml:
        if (!LoadXml(file, key)) continue;
        if (item.context == TDocumentIndexContext::dicFullText)
          SearchText(m_xml.documentElement().text(), item, flag, false);
        else
          SearchNodes(m_xml, item, flag, item.context == TDocumentIndexContext::dicRange);
        break;
      case TDocumentIndexContentType::ditFile: {
        std::string text;
        if (LoadXml(file, key)) {
          text = m_xml.documentElement().text();
        } else {
          if (!LoadText(file, key, stop)) continue;
          text = m_text;
        }
        Record(item, true, MakeSample(text, item.chunkSize), flag);
        break;
      }
    }
  }
  return flag;
}

}  // namespace halbrin
