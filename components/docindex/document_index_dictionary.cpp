#include "components/docindex/document_index_dictionary.h"

#include "core/foundation/text_files.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomDocumentIndexDictionary, )

HALBRIN_DEFINE_CLASS(TDocumentIndexDictionary,
                     .Enum("contentType", &TDocumentIndexDictionary::ContentType,
                           &TDocumentIndexDictionary::SetContentType, DocumentIndexContentTypeInfo())
                     .Property("queryFormat", &TDocumentIndexDictionary::QueryFormat,
                               &TDocumentIndexDictionary::SetQueryFormat)
                     .Property("fileName", [](const TDocumentIndexDictionary&) { return std::string(); },
                               &TDocumentIndexDictionary::SetFileName)
                     .Stored(false)
                     .Property("active", &TDocumentIndexDictionary::Active, &TDocumentIndexDictionary::SetActive)
                     .Stored(false))

TCustomDocumentIndexDictionary::TCustomDocumentIndexDictionary() { SetDelimiter('.'); }

void TCustomDocumentIndexDictionary::SetContentType(TDocumentIndexContentType type) {
  if (type == m_contentType) return;
  m_contentType = type;
  m_xmlActive = type == TDocumentIndexContentType::ditXml;
  Rebuild();
}

void TCustomDocumentIndexDictionary::SetQueryFormat(const std::string& format) {
  m_queryFormat = format;
  Rebuild();
}

void TCustomDocumentIndexDictionary::SetFileName(const std::string& fileName) { LoadFromFile(fileName); }

bool TCustomDocumentIndexDictionary::Active() const {
  if (m_contentType == TDocumentIndexContentType::ditXml) return m_xmlActive && m_data.Active();
  return Count() > 0;
}

void TCustomDocumentIndexDictionary::SetActive(bool active) {
  if (m_contentType != TDocumentIndexContentType::ditXml) return;
  m_xmlActive = active;
  Rebuild();
}

void TCustomDocumentIndexDictionary::Changed() {
  TStringListEx::Changed();
  Rebuild();
}

TCustomDocumentIndexDictionary::Snapshot TCustomDocumentIndexDictionary::TakeSnapshot() const {
  Snapshot snapshot;
  snapshot.contentType = m_contentType;
  snapshot.queryFormat = m_queryFormat;
  snapshot.active = m_contentType == TDocumentIndexContentType::ditXml ? m_xmlActive : Count() > 0;
  if (m_contentType == TDocumentIndexContentType::ditXml) {
    snapshot.text = Text();
  } else {
    for (int i = 0; i < Count(); ++i) snapshot.pairs.emplace_back(Names(i), ValueFromIndex(i));
  }
  return snapshot;
}

DocumentDictionaryData TCustomDocumentIndexDictionary::Snapshot::Make() const {
  if (!active) return {};
  if (contentType == TDocumentIndexContentType::ditXml) return DocumentDictionaryData::FromXml(text, queryFormat);
  return DocumentDictionaryData::FromPairs(pairs);
}

void TCustomDocumentIndexDictionary::Rebuild() { m_data = TakeSnapshot().Make(); }

void TCustomDocumentIndexDictionary::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TCustomDocumentIndexDictionary*>(&source)) {
    m_contentType = other->m_contentType;
    m_queryFormat = other->m_queryFormat;
    m_xmlActive = other->m_xmlActive;
  }
  TStringListEx::Assign(source);
  Rebuild();
}

}  // namespace halbrin
