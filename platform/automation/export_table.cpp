#include "platform/automation/export_table.h"

namespace halbrin::platform {

std::uint64_t ExportTable::Export(RefCounted& object) {
  auto [found, inserted] = m_handles.try_emplace(&object, m_nextHandle);
  if (inserted) {
    Entry entry;
    entry.object = RefPtr<RefCounted>(&object);
    entry.dispatch = dynamic_cast<IDispatchObject*>(&object);
    m_entries.emplace(m_nextHandle, std::move(entry));
    ++m_nextHandle;
  }
  ++m_entries.at(found->second).count;
  return found->second;
}

const ExportTable::Entry* ExportTable::Find(std::uint64_t handle) const {
  auto found = m_entries.find(handle);
  return found == m_entries.end() ? nullptr : &found->second;
}

ExportTable::HandleState ExportTable::State(std::uint64_t handle) const noexcept {
  if (handle == 0 || handle >= m_nextHandle) return HandleState::NeverGiven;
  return m_entries.contains(handle) ? HandleState::Live : HandleState::Released;
}

std::uint64_t ExportTable::CountOf(std::uint64_t handle) const {
  const Entry* entry = Find(handle);
  return entry ? entry->count : 0;
}

ExportTable::ReleaseOutcome ExportTable::Release(std::uint64_t handle, std::uint64_t count,
                                                 RefPtr<RefCounted>& dropped) {
  auto found = m_entries.find(handle);
  if (found == m_entries.end())
    return State(handle) == HandleState::NeverGiven ? ReleaseOutcome::NeverGiven : ReleaseOutcome::Stale;
  Entry& entry = found->second;
  if (count > entry.count) return ReleaseOutcome::CountTooLarge;
  entry.count -= count;
  if (entry.count == 0) {
    dropped = std::move(entry.object);
    m_handles.erase(dropped.Get());
    m_entries.erase(found);
  }
  return ReleaseOutcome::Done;
}

bool ExportTable::Revoke(const RefCounted& object, RefPtr<RefCounted>& dropped) {
  auto found = m_handles.find(&object);
  if (found == m_handles.end()) return false;
  auto entry = m_entries.find(found->second);
  dropped = std::move(entry->second.object);
  m_entries.erase(entry);
  m_handles.erase(found);
  return true;
}

std::vector<RefPtr<RefCounted>> ExportTable::TakeAll() {
  std::vector<RefPtr<RefCounted>> objects;
  objects.reserve(m_entries.size());
  for (auto& [handle, entry] : m_entries) objects.push_back(std::move(entry.object));
  m_entries.clear();
  m_handles.clear();
  return objects;
}

}  // namespace halbrin::platform
