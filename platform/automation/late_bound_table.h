#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/automation/dispatch_object.h"

namespace halbrin::platform {

// Dispatch ids handed out for names resolved at run time (published methods,
// properties and children of a wrapped object). Each entry is found again by
// (kind, key); ids lie in a range of their own, apart from the type library's.
template <class Key>
class TLateBoundTable {
 public:
  static constexpr DispId kFirstId = 0x10000;

  struct Entry {
    int kind;
    Key key;
  };

  DispId IdOf(int kind, const Key& key) {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
      if (m_entries[i].kind == kind && m_entries[i].key == key) return kFirstId + static_cast<DispId>(i);
    m_entries.push_back({kind, key});
    return kFirstId + static_cast<DispId>(m_entries.size() - 1);
  }

  const Entry* Find(DispId id) const {
    if (id < kFirstId) return nullptr;
    std::size_t index = static_cast<std::size_t>(id - kFirstId);
    return index < m_entries.size() ? &m_entries[index] : nullptr;
  }

  static bool IsLateBound(DispId id) { return id >= kFirstId; }
  std::size_t Count() const noexcept { return m_entries.size(); }

 private:
  std::vector<Entry> m_entries;
};

}  // namespace halbrin::platform
