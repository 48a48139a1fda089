#include "components/docindex/document_index_types.h"

#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& DocumentIndexModeInfo() {
  static const TEnumInfo info("TDocumentIndexMode", {"dimSearch", "dimFilter", "dimExplore"});
  return info;
}
const TEnumInfo& DocumentIndexSortInfo() {
  static const TEnumInfo info("TDocumentIndexSort", {"disAscending", "disDescending"});
  return info;
}
const TEnumInfo& DocumentIndexContextInfo() {
  static const TEnumInfo info("TDocumentIndexContext", {"dicValue", "dicFullText", "dicRange"});
  return info;
}
const TEnumInfo& DocumentIndexDataTypeInfo() {
  static const TEnumInfo info("TDocumentIndexDataType", {"didText", "didNumeric", "didDateTime"});
  return info;
}
const TEnumInfo& DocumentIndexOptionInfo() {
  static const TEnumInfo info("TDocumentIndexOption", {"dioCaseSensitive", "dioWholeWords", "dioExcludeChunk",
                                                       "dioSequent", "dioUsesDictionary"});
  return info;
}
const TEnumInfo& DocumentIndexContentTypeInfo() {
  static const TEnumInfo info("TDocumentIndexContentType", {"ditText", "ditXml", "ditFile"});
  return info;
}
const TEnumInfo& DocumentIndexRelationInfo() {
  static const TEnumInfo info("TDocumentIndexRelation", {"dirNot", "dirAnd", "dirOr", "dirXor"});
  return info;
}
const TEnumInfo& ThreadPriorityInfo() {
  static const TEnumInfo info("TThreadPriority", {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher",
                                                  "tpHighest", "tpTimeCritical"});
  return info;
}

DocumentDictionaryData DocumentDictionaryData::FromPairs(std::vector<std::pair<std::string, std::string>> pairs) {
  DocumentDictionaryData data;
  for (auto& [name, value] : pairs) data.m_pairs.emplace(FoldCase(name), std::move(value));
  data.m_active = !data.m_pairs.empty();
  return data;
}

DocumentDictionaryData DocumentDictionaryData::FromXml(const std::string& xml, std::string queryFormat) {
  DocumentDictionaryData data;
  data.m_xml = true;
  data.m_queryFormat = std::move(queryFormat);
  try {
    data.m_document = XmlDocument::Create();
    data.m_document.loadXML(xml);
    const XmlNode root = data.m_document.documentElement();
    data.m_active = root && root.hasChildNodes();
  } catch (const std::exception&) {
    data.m_active = false;
  }
  return data;
}

std::string DocumentDictionaryData::Lookup(const std::string& word, bool& found) const {
  found = false;
  if (!m_active) return word;
  if (!m_xml) {
    const auto it = m_pairs.find(FoldCase(word));
    if (it == m_pairs.end()) return word;
    found = true;
    return it->second;
  }
  // A word that makes the query invalid is a failed lookup.
  try {
    const XmlNode node = m_document.selectSingleNode(Format(m_queryFormat, {word}));
    if (!node) return word;
    found = true;
    return node.text();
  } catch (const std::exception&) {
    return word;
  }
}

std::string DocumentDictionaryData::Translate(const std::string& name, int& found) const {
  found = 0;
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = name.find('.', start);
    const std::string part = name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    bool partFound = false;
    out += Lookup(part, partFound);
    if (partFound) ++found;
    if (dot == std::string::npos) break;
    out += '.';
    start = dot + 1;
  }
  return out;
}

}  // namespace halbrin
