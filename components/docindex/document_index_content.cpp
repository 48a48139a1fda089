#include "components/docindex/document_index_content.h"

#include "platform/classes/string_list.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TDocumentIndexContentItem,
                     .Property("title", &TDocumentIndexContentItem::Title, &TDocumentIndexContentItem::SetTitle)
                     .Property("data", &TDocumentIndexContentItem::Data, &TDocumentIndexContentItem::SetData)
                     .Property("filter", [](const TDocumentIndexContentItem& self) { return &self.Filter(); },
                               &TDocumentIndexContentItem::SetFilter)
                     .Owned()
                     .Property("rank", &TDocumentIndexContentItem::Rank)
                     .Stored(false)
                     .Property("chunks", &TDocumentIndexContentItem::Chunks)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TDocumentIndexContent,
                     .Property("documentIndex", &TDocumentIndexContent::DocumentIndex)
                     .Stored(false))

TDocumentIndexContentItem::TDocumentIndexContentItem() : m_filter(std::make_unique<TDocumentIndexFilter>(this)) {}

TDocumentIndexContentItem::~TDocumentIndexContentItem() = default;

void TDocumentIndexContentItem::SetFilter(TDocumentIndexFilter* filter) {
  if (filter && filter != m_filter.get()) m_filter->Assign(*filter);
}

int TDocumentIndexContentItem::Rank() const {
  if (!m_explore) return m_filter->Count();
  int rank = 0;
  for (int i = 0; i < m_filter->Count(); ++i)
    if (m_filter->ItemAt(i)->Match()) ++rank;
  return rank;
}

std::string TDocumentIndexContentItem::Chunks() const {
  std::string text;
  for (int i = 0; i < m_filter->Count(); ++i) {
    const TDocumentIndexFilterItem& item = *m_filter->ItemAt(i);
    if (!HasOption(item.Options(), TDocumentIndexOption::dioExcludeChunk)) text += item.Chunks().Text();
  }
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void TDocumentIndexContentItem::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TDocumentIndexContentItem*>(&source)) {
    if (other == this) return;
    TCollectionNamedItem::Assign(source);
    m_title = other->m_title;
    m_data = other->m_data;
    m_filter->Assign(*other->m_filter);
    m_sequence = other->m_sequence;
    m_explore = other->m_explore;
    return;
  }
  TCollectionNamedItem::Assign(source);
}

TDocumentIndexContent::TDocumentIndexContent(TPersistent* owner)
    : TNamedItemCollection(owner, TDocumentIndexContentItem::StaticClassInfo(),
                           FactoryOf<TDocumentIndexContentItem>()) {}

void TDocumentIndexContent::AssignTo(TPersistent& dest) const {
  if (auto* strings = dynamic_cast<TStrings*>(&dest)) {
    const TStrings::TUpdateScope scope(*strings);
    strings->Clear();
    for (int i = 0; i < Count(); ++i) strings->Add(ItemAt(i)->Name());
    return;
  }
  TNamedItemCollection::AssignTo(dest);
}

}  // namespace halbrin
