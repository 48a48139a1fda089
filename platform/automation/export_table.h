#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/automation/dispatch_object.h"
#include "platform/base/ref_counted.h"

namespace halbrin::platform {

// The objects one side of a call channel has handed to its peer: handle ->
// object, one entry per object, with the number of times the peer was given
// it. The peer returns that number when its proxy dies, so an object handed
// out again while a release is on its way is not dropped too early.
// Handles start at 1 and are never reused, so a stale handle is told apart
// from one that was never given.
class ExportTable {
 public:
  enum class HandleState { Live, Released, NeverGiven };

  struct Entry {
    RefPtr<RefCounted> object;
    IDispatchObject* dispatch = nullptr;  // the object as a dispatch object, if it is one
    std::uint64_t count = 0;
  };

  enum class ReleaseOutcome {
    Done,          // counted down (the entry may be gone)
    Stale,         // the handle was released or revoked before: nothing to do
    NeverGiven,    // a broken peer
    CountTooLarge  // a broken peer: more than it was given
  };

  ExportTable() = default;
  ExportTable(const ExportTable&) = delete;
  ExportTable& operator=(const ExportTable&) = delete;

  // Enters the object (or finds its entry) and counts one more hand-out.
  std::uint64_t Export(RefCounted& object);
  const Entry* Find(std::uint64_t handle) const;
  HandleState State(std::uint64_t handle) const noexcept;
  std::uint64_t CountOf(std::uint64_t handle) const;

  // Lowers the entry's count; at zero the entry goes and its object is moved
  // to `dropped`, so the caller lets it die once the table is consistent.
  ReleaseOutcome Release(std::uint64_t handle, std::uint64_t count, RefPtr<RefCounted>& dropped);
  // Drops the object's entry whatever its count: the peer's proxies fail from then on.
  bool Revoke(const RefCounted& object, RefPtr<RefCounted>& dropped);
  // Empties the table, handing the objects to the caller.
  std::vector<RefPtr<RefCounted>> TakeAll();

  std::size_t Size() const noexcept { return m_entries.size(); }

 private:
  std::unordered_map<std::uint64_t, Entry> m_entries;
  std::unordered_map<const RefCounted*, std::uint64_t> m_handles;
  std::uint64_t m_nextHandle = 1;
};

}  // namespace halbrin::platform
