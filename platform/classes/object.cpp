#include "platform/classes/object.h"

#include <mutex>
#include <unordered_map>

#include "platform/classes/class_builder.h"

namespace halbrin::platform {
namespace {

struct LiveTable {
  std::mutex mutex;
  std::uint32_t next = 1;
  std::unordered_map<std::uint32_t, TObject*> objects;
};

LiveTable& Table() {
  static LiveTable table;
  return table;
}

}  // namespace

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TObject>("TObject").Build();
  return info;
}

TObject::~TObject() {
  if (m_handle != 0) {
    LiveTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.objects.erase(m_handle);
  }
}

std::string_view TObject::ClassName() const { return ClassInfo().Name(); }

bool TObject::InheritsFrom(const TClassInfo& cls) const { return ClassInfo().InheritsFrom(cls); }

std::weak_ptr<const void> TObject::AliveToken() const {
  if (!m_alive) m_alive = std::make_shared<char>(0);
  return m_alive;
}

std::uint32_t TObject::Handle() const {
  if (m_handle == 0) {
    LiveTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.next == 0) table.next = 1;  // after 2^32 handles; never hand out 0
    m_handle = table.next++;
    table.objects.emplace(m_handle, const_cast<TObject*>(this));
  }
  return m_handle;
}

TObject* TLiveObjects::Find(std::uint32_t handle) {
  LiveTable& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.objects.find(handle);
  return it == table.objects.end() ? nullptr : it->second;
}

}  // namespace halbrin::platform
