#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace halbrin::platform {

// An ordered list of distinct objects, held by `Ptr` (a raw pointer or a
// std::unique_ptr), where finding, adding and taking out an object cost the
// same however long the list is. Taking one out leaves a hole; the holes are
// closed (in one pass) the next time a position is asked for, so a run of
// removals costs one pass at most. Short lists (most components have a few
// links) are searched in place; a position index is kept once a list grows.
template <class Ptr>
class IndexedList {
 public:
  using Object = std::remove_pointer_t<decltype(std::to_address(std::declval<const Ptr&>()))>;

  std::size_t Size() const noexcept { return m_items.size() - m_holes; }
  bool Empty() const noexcept { return Size() == 0; }
  bool Contains(const Object* object) const { return Slot(object) != kNone; }

  // Appends `item`; false (and nothing changes) when it is listed already.
  bool Add(Ptr item) {
    const Object* object = std::to_address(item);
    if (!object || Contains(object)) return false;
    if (m_positions) m_positions->emplace(object, m_items.size());
    m_items.push_back(std::move(item));
    if (!m_positions && m_items.size() > kSearchedInPlace) BuildIndex();
    return true;
  }

  // Takes the object out; an empty Ptr when it is not listed.
  Ptr Take(const Object* object) {
    const std::size_t slot = Slot(object);
    if (slot == kNone) return Ptr();
    Ptr item = std::move(m_items[slot]);
    m_items[slot] = Ptr();
    if (m_positions) m_positions->erase(object);
    ++m_holes;
    TrimBack();
    return item;
  }

  // The first and last objects taken out; empty Ptrs when the list is empty.
  Ptr TakeFirst() {
    while (m_head < m_items.size() && !m_items[m_head]) ++m_head;
    return m_head < m_items.size() ? Take(std::to_address(m_items[m_head])) : Ptr();
  }
  Ptr TakeLast() { return m_items.empty() ? Ptr() : Take(std::to_address(m_items.back())); }

  // The object at `index` (0 <= index < Size()).
  Object* At(std::size_t index) const {
    Compact();
    return std::to_address(m_items[index]);
  }
  // The position of the object; -1 when it is not listed.
  long IndexOf(const Object* object) const {
    if (!Contains(object)) return -1;
    Compact();
    return static_cast<long>(Slot(object));
  }

  // Moves a listed object to `index` (0 <= index < Size()), keeping the order of the others.
  void Move(const Object* object, std::size_t index) {
    const long current = IndexOf(object);
    if (current < 0) return;
    const auto from = static_cast<std::size_t>(current);
    if (from == index) return;
    auto first = m_items.begin();
    if (from < index)
      std::rotate(first + static_cast<long>(from), first + static_cast<long>(from) + 1,
                  first + static_cast<long>(index) + 1);
    else
      std::rotate(first + static_cast<long>(index), first + static_cast<long>(from),
                  first + static_cast<long>(from) + 1);
    if (m_positions)
      for (std::size_t i = std::min(from, index); i <= std::max(from, index); ++i)
        (*m_positions)[std::to_address(m_items[i])] = i;
  }

  // Calls f(object) for each listed object in order. `f` must not change the list.
  template <class F>
  void ForEach(F&& f) const {
    for (const Ptr& item : m_items)
      if (item) f(std::to_address(item));
  }

  void Clear() {
    m_items.clear();
    m_positions.reset();
    m_holes = 0;
    m_head = 0;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static constexpr std::size_t kSearchedInPlace = 16;

  std::size_t Slot(const Object* object) const {
    if (!object) return kNone;
    if (m_positions) {
      const auto found = m_positions->find(object);
      return found == m_positions->end() ? kNone : found->second;
    }
    for (std::size_t i = 0; i < m_items.size(); ++i)
      if (std::to_address(m_items[i]) == object) return i;
    return kNone;
  }

  void BuildIndex() {
    m_positions = std::make_unique<Positions>();
    m_positions->reserve(m_items.size() * 2);
    for (std::size_t i = 0; i < m_items.size(); ++i)
      if (m_items[i]) m_positions->emplace(std::to_address(m_items[i]), i);
  }

  // Holes at the end are dropped at once, so taking from the back never needs a pass.
  void TrimBack() {
    while (!m_items.empty() && !m_items.back()) {
      m_items.pop_back();
      --m_holes;
    }
    if (m_head > m_items.size()) m_head = m_items.size();
  }

  void Compact() const {
    if (m_holes == 0) return;
    std::size_t next = 0;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
      if (!m_items[i]) continue;
      if (i != next) {
        m_items[next] = std::move(m_items[i]);
        if (m_positions) (*m_positions)[std::to_address(m_items[next])] = next;
      }
      ++next;
    }
    m_items.resize(next);
    m_holes = 0;
    m_head = 0;
  }

  mutable std::vector<Ptr> m_items;  // an empty Ptr is a hole
  using Positions = std::unordered_map<const Object*, std::size_t>;
  // Compact rearranges the storage of a list that does not change as seen from outside.
  mutable std::unique_ptr<Positions> m_positions;  // made once the list is long
  mutable std::size_t m_holes = 0;
  mutable std::size_t m_head = 0;  // no object before this slot
};

}  // namespace halbrin::platform
