#pragma once

// The document index's enumerations and the plain copies of its settings that
// the search thread works on (never object-model objects: those stay on the
// main thread).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/foundation/xml_node.h"
#include "platform/classes/class_info.h"

namespace halbrin {

enum class TDocumentIndexMode : std::uint8_t { dimSearch, dimFilter, dimExplore };
enum class TDocumentIndexSort : std::uint8_t { disAscending, disDescending };
enum class TDocumentIndexContext : std::uint8_t { dicValue, dicFullText, dicRange };
enum class TDocumentIndexDataType : std::uint8_t { didText, didNumeric, didDateTime };
enum class TDocumentIndexOption : std::uint8_t {
  dioCaseSensitive,
  dioWholeWords,
  dioExcludeChunk,
  dioSequent,
  dioUsesDictionary
};
// Bit n is option n.
using TDocumentIndexOptions = std::uint8_t;
enum class TDocumentIndexContentType : std::uint8_t { ditText, ditXml, ditFile };
enum class TDocumentIndexRelation : std::uint8_t { dirNot, dirAnd, dirOr, dirXor };
using TDocumentIndexRelations = std::uint8_t;

constexpr TDocumentIndexOptions OptionBit(TDocumentIndexOption option) noexcept {
  return static_cast<TDocumentIndexOptions>(1u << static_cast<unsigned>(option));
}
constexpr bool HasOption(TDocumentIndexOptions options, TDocumentIndexOption option) noexcept {
  return (options & OptionBit(option)) != 0;
}
constexpr TDocumentIndexRelations RelationBit(TDocumentIndexRelation relation) noexcept {
  return static_cast<TDocumentIndexRelations>(1u << static_cast<unsigned>(relation));
}

const platform::TEnumInfo& DocumentIndexModeInfo();
const platform::TEnumInfo& DocumentIndexSortInfo();
const platform::TEnumInfo& DocumentIndexContextInfo();
const platform::TEnumInfo& DocumentIndexDataTypeInfo();
const platform::TEnumInfo& DocumentIndexOptionInfo();
const platform::TEnumInfo& DocumentIndexContentTypeInfo();
const platform::TEnumInfo& DocumentIndexRelationInfo();
const platform::TEnumInfo& ThreadPriorityInfo();

inline constexpr char kDefaultChunkFormat[] = "...%3:s|%4:s|%5:s...";

// One recorded hit (or explore sample) of a filter item.
struct DocumentChunkData {
  std::string name;
  std::string caption;
  std::string predText;
  std::string valueText;
  std::string succText;
};

// A filter item as the search reads and fills it.
struct DocumentFilterItemData {
  std::string name;
  std::string text;
  std::string source;
  std::string query;
  TDocumentIndexContext context = TDocumentIndexContext::dicValue;
  TDocumentIndexDataType dataType = TDocumentIndexDataType::didText;
  TDocumentIndexOptions options = 0;
  TDocumentIndexContentType contentType = TDocumentIndexContentType::ditXml;
  TDocumentIndexRelations relation = RelationBit(TDocumentIndexRelation::dirOr);
  // The chunks' settings.
  std::string chunkFormat = kDefaultChunkFormat;
  int chunkSize = 128;
  int chunkMaxLength = 16;
  // Results for the current document.
  bool match = false;
  std::vector<DocumentChunkData> chunks;
};

// The dictionary as the search consults it: name=value pairs (ditText) or an
// XML text queried by queryFormat (ditXml).
class DocumentDictionaryData {
 public:
  DocumentDictionaryData() = default;
  static DocumentDictionaryData FromPairs(std::vector<std::pair<std::string, std::string>> pairs);
  static DocumentDictionaryData FromXml(const std::string& xml, std::string queryFormat);

  bool Active() const noexcept { return m_active; }
  // The word's value, or the word itself with found False.
  std::string Lookup(const std::string& word, bool& found) const;
  // Each "."-separated part replaced by its value; `found` counts the parts found.
  std::string Translate(const std::string& name, int& found) const;

 private:
  bool m_active = false;
  bool m_xml = false;
  std::map<std::string, std::string> m_pairs;  // first value of a name wins
  std::string m_queryFormat;
  XmlDocument m_document;
};

}  // namespace halbrin
