#include "components/docindex/document_index_filter.h"

#include "core/foundation/format_indexed.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TDocumentIndexChunk,
                     .Property("index", [](const TDocumentIndexChunk& self) { return self.Index(); })
                     .Stored(false)
                     .Property("predText", &TDocumentIndexChunk::PredText, &TDocumentIndexChunk::SetPredText)
                     .Property("valueText", &TDocumentIndexChunk::ValueText, &TDocumentIndexChunk::SetValueText)
                     .Property("succText", &TDocumentIndexChunk::SuccText, &TDocumentIndexChunk::SetSuccText)
                     .Property("caption", &TDocumentIndexChunk::Caption, &TDocumentIndexChunk::SetCaption)
                     .Property("chunks", &TDocumentIndexChunk::Chunks)
                     .Stored(false)
                     .Property("text", &TDocumentIndexChunk::Text)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TDocumentIndexChunks,
                     .Property("format", &TDocumentIndexChunks::Format, &TDocumentIndexChunks::SetFormat)
                     .Property("size", &TDocumentIndexChunks::Size, &TDocumentIndexChunks::SetSize)
                     .Property("maxLength", &TDocumentIndexChunks::MaxLength, &TDocumentIndexChunks::SetMaxLength)
                     .Property("text", &TDocumentIndexChunks::Text)
                     .Stored(false)
                     .Property("filterItem", &TDocumentIndexChunks::FilterItem)
                     .Stored(false)
                     .Property("filter", &TDocumentIndexChunks::Filter)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TDocumentIndexFilterItem,
                     .Property("index", [](const TDocumentIndexFilterItem& self) { return self.Index(); })
                     .Stored(false)
                     .Property("text", &TDocumentIndexFilterItem::Text, &TDocumentIndexFilterItem::SetText)
                     .Property("source", &TDocumentIndexFilterItem::Source, &TDocumentIndexFilterItem::SetSource)
                     .Property("query", &TDocumentIndexFilterItem::Query, &TDocumentIndexFilterItem::SetQuery)
                     .Enum("context", &TDocumentIndexFilterItem::Context, &TDocumentIndexFilterItem::SetContext,
                           DocumentIndexContextInfo())
                     .Enum("dataType", &TDocumentIndexFilterItem::DataType, &TDocumentIndexFilterItem::SetDataType,
                           DocumentIndexDataTypeInfo())
                     .Set("options", &TDocumentIndexFilterItem::Options, &TDocumentIndexFilterItem::SetOptions,
                          DocumentIndexOptionInfo(), "TDocumentIndexOptions")
                     .Enum("contentType", &TDocumentIndexFilterItem::ContentType,
                           &TDocumentIndexFilterItem::SetContentType, DocumentIndexContentTypeInfo())
                     .Set("relation", &TDocumentIndexFilterItem::Relation, &TDocumentIndexFilterItem::SetRelation,
                          DocumentIndexRelationInfo(), "TDocumentIndexRelations")
                     .Property("match", &TDocumentIndexFilterItem::Match, &TDocumentIndexFilterItem::SetMatch)
                     .Property("chunks", [](const TDocumentIndexFilterItem& self) { return &self.Chunks(); },
                               &TDocumentIndexFilterItem::SetChunks)
                     .Owned()
                     .Property("group", [](const TDocumentIndexFilterItem& self) { return &self.Group(); },
                               &TDocumentIndexFilterItem::SetGroup)
                     .Owned()
                     .Stored(false)
                     .Property("hasGroup", &TDocumentIndexFilterItem::HasGroup)
                     .Stored(false)
                     .Property("filter", &TDocumentIndexFilterItem::Filter)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TDocumentIndexFilter, )

// ---- TDocumentIndexChunk ----

TDocumentIndexChunks* TDocumentIndexChunk::Chunks() const { return dynamic_cast<TDocumentIndexChunks*>(Collection()); }

std::string TDocumentIndexChunk::Text() const {
  const TDocumentIndexChunks* chunks = Chunks();
  const Variant args[] = {Variant(Index() + 1), Variant(Name()),      Variant(m_caption),
                          Variant(m_predText),  Variant(m_valueText), Variant(m_succText)};
  return FormatIndexed(chunks ? chunks->Format() : std::string(kDefaultChunkFormat), args);
}

void TDocumentIndexChunk::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TDocumentIndexChunk*>(&source)) {
    TCollectionNamedItem::Assign(source);
    m_predText = other->m_predText;
    m_valueText = other->m_valueText;
    m_succText = other->m_succText;
    m_caption = other->m_caption;
    return;
  }
  TCollectionNamedItem::Assign(source);
}

// ---- TDocumentIndexChunks ----

TDocumentIndexChunks::TDocumentIndexChunks(TPersistent* owner)
    : TNamedItemCollection(owner, TDocumentIndexChunk::StaticClassInfo(), FactoryOf<TDocumentIndexChunk>()) {}

std::string TDocumentIndexChunks::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += ChunkAt(i)->Text();
    if (i == m_maxLength) break;
  }
  return text;
}

TDocumentIndexFilterItem* TDocumentIndexChunks::FilterItem() const {
  return dynamic_cast<TDocumentIndexFilterItem*>(GetOwner());
}

TDocumentIndexFilter* TDocumentIndexChunks::Filter() const {
  const TDocumentIndexFilterItem* item = FilterItem();
  return item ? item->Filter() : nullptr;
}

void TDocumentIndexChunks::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TDocumentIndexChunks*>(&source)) {
    m_format = other->m_format;
    m_size = other->m_size;
    m_maxLength = other->m_maxLength;
  }
  TNamedItemCollection::Assign(source);
}

// ---- TDocumentIndexFilterItem ----

TDocumentIndexFilterItem::TDocumentIndexFilterItem() : m_chunks(std::make_unique<TDocumentIndexChunks>(this)) {}

TDocumentIndexFilterItem::~TDocumentIndexFilterItem() = default;

void TDocumentIndexFilterItem::SetChunks(TDocumentIndexChunks* chunks) {
  if (chunks && chunks != m_chunks.get()) m_chunks->Assign(*chunks);
}

TDocumentIndexFilter& TDocumentIndexFilterItem::Group() const {
  if (!m_group) m_group = std::make_unique<TDocumentIndexFilter>(const_cast<TDocumentIndexFilterItem*>(this));
  return *m_group;
}

void TDocumentIndexFilterItem::SetGroup(TDocumentIndexFilter* group) {
  if (group && group != m_group.get()) Group().Assign(*group);
}

TDocumentIndexFilter* TDocumentIndexFilterItem::Filter() const {
  return dynamic_cast<TDocumentIndexFilter*>(Collection());
}

void TDocumentIndexFilterItem::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TDocumentIndexFilterItem*>(&source)) {
    if (other == this) return;
    TCollectionNamedItem::Assign(source);
    m_data = other->m_data;
    m_chunks->Assign(*other->m_chunks);
    if (other->m_group)
      Group().Assign(*other->m_group);
    else
      m_group.reset();
    return;
  }
  TCollectionNamedItem::Assign(source);
}

DocumentFilterItemData TDocumentIndexFilterItem::ToData() const {
  DocumentFilterItemData data = m_data;
  data.name = Name();
  data.chunkFormat = m_chunks->Format();
  data.chunkSize = m_chunks->Size();
  data.chunkMaxLength = m_chunks->MaxLength();
  data.chunks.clear();
  return data;
}

void TDocumentIndexFilterItem::FromData(const DocumentFilterItemData& data) {
  SetName(data.name);
  m_data = data;
  m_data.chunks.clear();
  m_chunks->BeginUpdate();
  m_chunks->Clear();
  m_chunks->SetFormat(data.chunkFormat);
  m_chunks->SetSize(data.chunkSize);
  m_chunks->SetMaxLength(data.chunkMaxLength);
  for (const DocumentChunkData& hit : data.chunks) {
    TDocumentIndexChunk& chunk = m_chunks->AddChunk();
    chunk.SetName(hit.name);
    chunk.SetCaption(hit.caption);
    chunk.SetPredText(hit.predText);
    chunk.SetValueText(hit.valueText);
    chunk.SetSuccText(hit.succText);
  }
  m_chunks->EndUpdate();
}

// ---- TDocumentIndexFilter ----

TDocumentIndexFilter::TDocumentIndexFilter(TPersistent* owner)
    : TNamedItemCollection(owner, TDocumentIndexFilterItem::StaticClassInfo(), FactoryOf<TDocumentIndexFilterItem>()) {}

std::vector<DocumentFilterItemData> TDocumentIndexFilter::ToData() const {
  std::vector<DocumentFilterItemData> data;
  data.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) data.push_back(ItemAt(i)->ToData());
  return data;
}

}  // namespace halbrin
