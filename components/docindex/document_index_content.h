#pragma once

// The results of a document index: one item per qualifying document with
// the filter items reported for it.

#include <memory>
#include <string>

#include "components/docindex/document_index_filter.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TDocumentIndexContentItem : public TCollectionNamedItem {
  HALBRIN_CLASS(TDocumentIndexContentItem, TCollectionNamedItem)

  TDocumentIndexContentItem();
  ~TDocumentIndexContentItem() override;

  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }
  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& data) { m_data = data; }
  TDocumentIndexFilter& Filter() const noexcept { return *m_filter; }
  void SetFilter(TDocumentIndexFilter* filter);
  // The item's index when it was made.
  int Sequence() const noexcept { return m_sequence; }
  void SetSequence(int sequence) noexcept { m_sequence = sequence; }
  // Explore results rank by the items that matched, others by the items kept.
  void SetExplore(bool explore) noexcept { m_explore = explore; }
  int Rank() const;
  // The chunk texts of the items without dioExcludeChunk, trimmed.
  std::string Chunks() const;

  void Assign(const platform::TPersistent& source) override;

 private:
  std::string m_title;
  platform::Variant m_data = platform::Variant::Null();
  std::unique_ptr<TDocumentIndexFilter> m_filter;
  int m_sequence = 0;
  bool m_explore = false;
};

class TDocumentIndexContent : public TNamedItemCollection {
  HALBRIN_CLASS(TDocumentIndexContent, TNamedItemCollection)

  explicit TDocumentIndexContent(platform::TPersistent* owner = nullptr);

  platform::TPersistent* DocumentIndex() const { return GetOwner(); }
  TDocumentIndexContentItem& AddItem() { return static_cast<TDocumentIndexContentItem&>(Add()); }
  TDocumentIndexContentItem* ItemAt(int index) const { return static_cast<TDocumentIndexContentItem*>(Items(index)); }

  // Into a string list: the items' names.
  void AssignTo(platform::TPersistent& dest) const override;
};

}  // namespace halbrin
