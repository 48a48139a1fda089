#pragma once

// The word mapping of a document index: name=value lines (ditText) or an XML
// document whose nodes are found by queryFormat (ditXml).

#include <string>

#include "components/docindex/document_index_types.h"
#include "core/foundation/string_list_ex.h"

namespace halbrin {

class TCustomDocumentIndexDictionary : public TStringListEx {
  HALBRIN_CLASS(TCustomDocumentIndexDictionary, TStringListEx)

  // The delimiter is ".".
  TCustomDocumentIndexDictionary();

  TDocumentIndexContentType ContentType() const noexcept { return m_contentType; }
  void SetContentType(TDocumentIndexContentType type);
  const std::string& QueryFormat() const noexcept { return m_queryFormat; }
  void SetQueryFormat(const std::string& format);
  // Loads the list from the file.
  void SetFileName(const std::string& fileName);
  // ditText: the list has lines; ditXml: the document has a document element with children.
  bool Active() const;
  // ditXml: True loads the list's text into the document, False frees it.
  void SetActive(bool active);

  // The word's value, or the word itself with found False.
  std::string Lookup(const std::string& word, bool& found) const { return m_data.Lookup(word, found); }
  // Each "."-part replaced by its value; found counts the parts found.
  std::string Translate(const std::string& name, int& found) const { return m_data.Translate(name, found); }
  // A copy for another thread; it parses its XML there.
  struct Snapshot {
    TDocumentIndexContentType contentType = TDocumentIndexContentType::ditText;
    std::string queryFormat;
    std::string text;
    std::vector<std::pair<std::string, std::string>> pairs;
    bool active = false;
    DocumentDictionaryData Make() const;
  };
  Snapshot TakeSnapshot() const;

  void Assign(const platform::TPersistent& source) override;

 protected:
  void Changed() override;

 private:
  void Rebuild();

  TDocumentIndexContentType m_contentType = TDocumentIndexContentType::ditText;
  std::string m_queryFormat = "//%s";
  bool m_xmlActive = false;
  DocumentDictionaryData m_data;
};

class TDocumentIndexDictionary : public TCustomDocumentIndexDictionary {
  HALBRIN_CLASS(TDocumentIndexDictionary, TCustomDocumentIndexDictionary)

  TDocumentIndexDictionary() = default;
};

}  // namespace halbrin
