#pragma once

// The query of a document index: filter items (text, source, XPath query,
// options) and, per item, the chunks that record its hits.

#include <memory>
#include <string>
#include <vector>

#include "components/docindex/document_index_types.h"
#include "core/foundation/named_item_collection.h"

namespace halbrin {

class TDocumentIndexChunks;
class TDocumentIndexFilter;
class TDocumentIndexFilterItem;

class TDocumentIndexChunk : public TCollectionNamedItem {
  HALBRIN_CLASS(TDocumentIndexChunk, TCollectionNamedItem)

  TDocumentIndexChunk() = default;

  const std::string& PredText() const noexcept { return m_predText; }
  void SetPredText(const std::string& text) { m_predText = text; }
  const std::string& ValueText() const noexcept { return m_valueText; }
  void SetValueText(const std::string& text) { m_valueText = text; }
  const std::string& SuccText() const noexcept { return m_succText; }
  void SetSuccText(const std::string& text) { m_succText = text; }
  const std::string& Caption() const noexcept { return m_caption; }
  void SetCaption(const std::string& caption) { m_caption = caption; }
  TDocumentIndexChunks* Chunks() const;
  // The chunks' format over (index + 1, name, caption, predText, valueText,
  // succText); raises EConvertError for a format that does not fit.
  std::string Text() const;

  void Assign(const platform::TPersistent& source) override;

 private:
  std::string m_predText;
  std::string m_valueText;
  std::string m_succText;
  std::string m_caption;
};

class TDocumentIndexChunks : public TNamedItemCollection {
  HALBRIN_CLASS(TDocumentIndexChunks, TNamedItemCollection)

  explicit TDocumentIndexChunks(platform::TPersistent* owner = nullptr);

  const std::string& Format() const noexcept { return m_format; }
  void SetFormat(const std::string& format) { m_format = format; }
  int Size() const noexcept { return m_size; }
  void SetSize(int size) noexcept { m_size = size; }
  int MaxLength() const noexcept { return m_maxLength; }
  void SetMaxLength(int maxLength) noexcept { m_maxLength = maxLength; }
  // The chunk texts from the first through the one at index maxLength
  // (maxLength + 1 chunks at most).
  std::string Text() const;
  TDocumentIndexFilterItem* FilterItem() const;
  TDocumentIndexFilter* Filter() const;
  TDocumentIndexChunk& AddChunk() { return static_cast<TDocumentIndexChunk&>(Add()); }
  TDocumentIndexChunk* ChunkAt(int index) const { return static_cast<TDocumentIndexChunk*>(Items(index)); }

  // From other chunks: the settings, then the chunks.
  void Assign(const platform::TPersistent& source) override;

 private:
  std::string m_format = kDefaultChunkFormat;
  int m_size = 128;
  int m_maxLength = 16;
};

class TDocumentIndexFilterItem : public TCollectionNamedItem {
  HALBRIN_CLASS(TDocumentIndexFilterItem, TCollectionNamedItem)

  TDocumentIndexFilterItem();
  ~TDocumentIndexFilterItem() override;

  const std::string& Text() const noexcept { return m_data.text; }
  void SetText(const std::string& text) { m_data.text = text; }
  const std::string& Source() const noexcept { return m_data.source; }
  void SetSource(const std::string& source) { m_data.source = source; }
  const std::string& Query() const noexcept { return m_data.query; }
  void SetQuery(const std::string& query) { m_data.query = query; }
  TDocumentIndexContext Context() const noexcept { return m_data.context; }
  void SetContext(TDocumentIndexContext context) noexcept { m_data.context = context; }
  TDocumentIndexDataType DataType() const noexcept { return m_data.dataType; }
  void SetDataType(TDocumentIndexDataType dataType) noexcept { m_data.dataType = dataType; }
  TDocumentIndexOptions Options() const noexcept { return m_data.options; }
  void SetOptions(TDocumentIndexOptions options) noexcept { m_data.options = options; }
  TDocumentIndexContentType ContentType() const noexcept { return m_data.contentType; }
  void SetContentType(TDocumentIndexContentType type) noexcept { m_data.contentType = type; }
  TDocumentIndexRelations Relation() const noexcept { return m_data.relation; }
  void SetRelation(TDocumentIndexRelations relation) noexcept { m_data.relation = relation; }
  bool Match() const noexcept { return m_data.match; }
  void SetMatch(bool match) noexcept { m_data.match = match; }
  TDocumentIndexChunks& Chunks() const noexcept { return *m_chunks; }
  void SetChunks(TDocumentIndexChunks* chunks);
  // A nested filter, made on first read; kept and copied, not consulted.
  TDocumentIndexFilter& Group() const;
  void SetGroup(TDocumentIndexFilter* group);
  bool HasGroup() const noexcept { return m_group != nullptr; }
  TDocumentIndexFilter* Filter() const;

  // Everything, the chunks and (when the source has one) the group.
  void Assign(const platform::TPersistent& source) override;

  // The plain copy the search works on (chunks' settings included, hits not).
  DocumentFilterItemData ToData() const;
  // The settings, `match` and the chunks from a plain copy.
  void FromData(const DocumentFilterItemData& data);

 private:
  DocumentFilterItemData m_data;  // settings only; chunks live in m_chunks
  std::unique_ptr<TDocumentIndexChunks> m_chunks;
  mutable std::unique_ptr<TDocumentIndexFilter> m_group;
};

class TDocumentIndexFilter : public TNamedItemCollection {
  HALBRIN_CLASS(TDocumentIndexFilter, TNamedItemCollection)

  explicit TDocumentIndexFilter(platform::TPersistent* owner = nullptr);

  TDocumentIndexFilterItem& AddItem() { return static_cast<TDocumentIndexFilterItem&>(Add()); }
  TDocumentIndexFilterItem* ItemAt(int index) const { return static_cast<TDocumentIndexFilterItem*>(Items(index)); }
  std::vector<DocumentFilterItemData> ToData() const;
};

}  // namespace halbrin
