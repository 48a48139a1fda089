#pragma once

// The search step: one document against the filter items, on plain copies,
// on whichever thread runs the search. Also the document reader it uses.

#include <array>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "components/docindex/document_index_types.h"
#include "components/docindex/document_walk.h"
#include "core/foundation/xml_node.h"

namespace halbrin {

// A document's bytes as UTF-8 text: a UTF-8 byte-order mark (dropped) or valid
// UTF-8 means UTF-8; otherwise the bytes are in `encoding` (a single-byte code
// page) and bytes it does not define become U+FFFD. Never raises on content.
class DocumentTextDecoder {
 public:
  explicit DocumentTextDecoder(std::string_view encoding);
  std::string Decode(std::string_view bytes) const;
  // Decode in place: `bytes` becomes the text (its buffer is kept when it already is UTF-8).
  void DecodeInPlace(std::string& bytes) const;

 private:
  struct Entry {
    std::array<char, 4> bytes{};
    std::uint8_t length = 0;
  };
  bool m_utf8;
  std::array<Entry, 256> m_table;
};

// The file a filter item's `source` names for a document: empty source or a
// lone "*"/"?" is the document; "*"/"?" + rest replaces the document's
// extension by the rest; anything else is the file itself.
std::string DocumentSourceFile(const std::string& document, const std::string& source);

// Word boundaries of snippets: blanks and . , ; : ! ? - ) ~ " \ | / * < [
bool IsSnippetBoundary(char32_t c) noexcept;

// Number of UTF-8 characters.
std::size_t Utf8Length(std::string_view text) noexcept;

class DocumentSearchStep {
 public:
  // stopWords are compared after case folding; encoding is the project's code page.
  DocumentSearchStep(TDocumentIndexMode mode, const std::vector<std::string>& stopWords,
                     DocumentDictionaryData dictionary, std::string_view encoding);

  // Applies the items in order to the document at `path`; fills each item's
  // `match` and `chunks` (every item is reset first) and answers whether the
  // document qualifies. Reading stops early (no hits) once `stop` is requested.
  bool Search(const std::string& path, std::vector<DocumentFilterItemData>& items, std::stop_token stop = {});
  // The same for a listed document: its stamp from the walk stands for a new stat.
  bool Search(const DocumentEntry& document, std::vector<DocumentFilterItemData>& items, std::stop_token stop = {});

  bool IsStopWord(std::string_view word) const;

  // The hit snippet of a text with markup: value at [pos, pos + length), the
  // context from the visible text around it, in at most `size` characters.
  DocumentChunkData MakeChunk(std::string_view text, std::size_t pos, std::size_t length, int size) const;
  // The first `size` visible characters, cut at a word boundary.
  DocumentChunkData MakeSample(std::string_view text, int size) const;

 private:
  struct FileKey {
    std::string path;
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileKey&) const = default;
  };

  // The item's hits in a text; in `markup` text hits inside tags do not count.
  bool SearchText(std::string_view text, DocumentFilterItemData& item, bool& flag, bool markup);
  bool SearchNodes(const XmlDocument& document, DocumentFilterItemData& item, bool& flag, bool range);
  // The text of the file (reused while its path, size and mtime stay); false when unreadable.
  bool LoadText(const std::string& path, const FileKey& key, std::stop_token stop);
  bool LoadXml(const std::string& path, const FileKey& key);
  // Records a hit or a miss, updates the qualifying flag.
  void Record(DocumentFilterItemData& item, bool found, DocumentChunkData chunk, bool& flag) const;
  bool Continues(const DocumentFilterItemData& item, bool flag) const;
  bool SearchDocument(const std::string& path, const DocumentFileStamp* stamp,
                      std::vector<DocumentFilterItemData>& items, std::stop_token stop);

  TDocumentIndexMode m_mode;
  std::unordered_set<std::string> m_stopWords;
  DocumentDictionaryData m_dictionary;
  DocumentTextDecoder m_decoder;
  FileKey m_textKey;
  std::string m_text;
  FileKey m_xmlKey;
  bool m_xmlLoaded = false;
  XmlDocument m_xml;
};

}  // namespace halbrin
