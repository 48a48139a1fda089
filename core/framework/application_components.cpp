#include "core/framework/application_components.h"

#include <algorithm>

#include "core/framework/executable_component.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomApplicationComponents,
                     .Property("empty", &TCustomApplicationComponents::GetEmpty,
                               &TCustomApplicationComponents::SetEmpty)
                     .Stored(false)
                     .Property("length", &TCustomApplicationComponents::GetLength)
                     .Property("exec", &TCustomApplicationComponents::GetExec,
                               &TCustomApplicationComponents::SetExec)
                     .Property("share", &TCustomApplicationComponents::GetShare,
                               &TCustomApplicationComponents::SetShare)
                     .Default(Variant(true)))

HALBRIN_DEFINE_CLASS(TApplicationComponents, )

TCustomApplicationComponents::TCustomApplicationComponents(TComponent* owner) : TComponent(owner) {}

TCustomApplicationComponents::~TCustomApplicationComponents() = default;

bool TCustomApplicationComponents::GetEmpty() const { return GetLength() == 0; }

void TCustomApplicationComponents::SetEmpty(bool empty) {
  if (empty) Clear();
}

bool TCustomApplicationComponents::GetShare() const { return m_share; }

void TCustomApplicationComponents::SetShare(bool share) { m_share = share; }

Variant TCustomApplicationComponents::GetExec() const { return m_execResult; }

void TCustomApplicationComponents::SetExec(const Variant& value) {
  const std::string word = ExecVerbText(value);
  m_execResult = true;
  if (SameText(word, "clear"))
    Clear();
  else
    m_execResult = false;
}

TComponent* TCustomApplicationComponents::ItemByName(std::string_view name) const {
  const int index = IndexOfName(name);
  return index >= 0 ? GetItem(index) : nullptr;
}

TComponent* TCustomApplicationComponents::ItemByVariant(const Variant& value) const {
  if (value.IsOrdinal()) return GetItem(value.ToInt());
  if (value.IsString()) return ItemByName(value.AsString());
  return nullptr;
}

int TCustomApplicationComponents::IndexOfName(std::string_view name) const {
  if (name.empty()) return -1;
  const int count = GetLength();
  for (int i = 0; i < count; ++i) {
    const TComponent* item = GetItem(i);
    if (item && SameText(item->Name(), name)) return i;
  }
  return -1;
}

bool FreeListedComponent(TComponent& component) {
  if (component.IsDestroying() || !component.Owner()) return false;
  TComponent::Free(component);
  return true;
}

TApplicationComponents::TApplicationComponents(TComponent* owner)
    : TCustomApplicationComponents(owner), m_ownsItems(!GetShare()) {}

TApplicationComponents::~TApplicationComponents() {
  if (m_ownsItems) {
    Clear();
  } else {
    m_items.ForEach([this](TComponent* item) { RemoveFreeNotification(item); });
    m_items.Clear();
    m_names.clear();
  }
}

int TApplicationComponents::GetLength() const { return static_cast<int>(m_items.Size()); }

TComponent* TApplicationComponents::GetItem(int index) const {
  if (index < 0 || index >= GetLength()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return m_items.At(static_cast<std::size_t>(index));
}

void TApplicationComponents::IndexName(TComponent& component, const std::string& name) {
  if (!name.empty()) m_names.emplace(name, &component);
}

void TApplicationComponents::UnindexName(TComponent& component, const std::string& name) {
  if (name.empty()) return;
  auto [first, last] = m_names.equal_range(name);
  for (auto it = first; it != last; ++it) {
    if (it->second == &component) {
      m_names.erase(it);
      return;
    }
  }
}

TComponent* TApplicationComponents::FirstNamed(std::string_view name) const {
  if (name.empty()) return nullptr;
  auto [first, last] = m_names.equal_range(name);
  if (first == last) return nullptr;
  TComponent* best = first->second;
  for (auto it = std::next(first); it != last; ++it)
    if (m_items.IndexOf(it->second) < m_items.IndexOf(best)) best = it->second;
  return best;
}

TComponent* TApplicationComponents::ItemByName(std::string_view name) const { return FirstNamed(name); }

int TApplicationComponents::IndexOfName(std::string_view name) const {
  const TComponent* item = FirstNamed(name);
  return item ? IndexOf(item) : -1;
}

void TApplicationComponents::SetShare(bool share) {
  m_ownsItems = !share;
  TCustomApplicationComponents::SetShare(share);
}

void TApplicationComponents::Clear() {
  // Detach first, then free: the list never depends on the freed component's
  // notification reaching it, so nothing spins or is freed twice.
  while (TComponent* item = m_items.TakeFirst()) {
    UnindexName(*item, item->Name());
    RemoveFreeNotification(item);
    FreeListedComponent(*item);
  }
}

int TApplicationComponents::IndexOf(const TComponent* component) const {
  return static_cast<int>(m_items.IndexOf(component));
}

int TApplicationComponents::Add(TComponent* component) {
  if (!component) return -1;
  if (Contains(component)) return IndexOf(component);
  m_items.Add(component);
  IndexName(*component, component->Name());
  FreeNotification(component);
  return GetLength() - 1;
}

TComponent& TApplicationComponents::Add(std::unique_ptr<TComponent> component) {
  TComponent& adopted = InsertComponent(std::move(component));
  Add(&adopted);
  return adopted;
}

bool TApplicationComponents::Remove(TComponent* component) {
  if (!m_items.Take(component)) return false;
  UnindexName(*component, component->Name());
  RemoveFreeNotification(component);
  return true;
}

void TApplicationComponents::Notification(TComponent* component, TOperation operation) {
  TCustomApplicationComponents::Notification(component, operation);
  if (operation == TOperation::opRemove && component && !IsDestroying()) Remove(component);
}

void TApplicationComponents::Renamed(TComponent& component, const std::string& oldName) {
  TCustomApplicationComponents::Renamed(component, oldName);
  if (!Contains(&component)) return;
  UnindexName(component, oldName);
  IndexName(component, component.Name());
}

}  // namespace halbrin
