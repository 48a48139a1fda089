#include "platform/classes/component.h"

#include <algorithm>

#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TComponent,
                     .Property("Name", &TComponent::Name, &TComponent::SetName)
                     .Property("Tag", &TComponent::Tag, &TComponent::SetTag))

namespace {

bool IsValidIdent(std::string_view name) {
  if (name.empty()) return false;
  auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!isAlpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(), [&](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); });
}

[[noreturn]] void ThrowListIndex(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

}  // namespace

TComponent::TComponent(TComponent* owner) : m_owner(owner) {}

TComponent::~TComponent() {
  m_state |= csDestroying;
  // Tell everyone linked to us; each Notification may unlink further entries.
  while (!m_freeNotifies.empty()) {
    TComponent* other = m_freeNotifies.back();
    m_freeNotifies.pop_back();
    auto& back = other->m_freeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
}

void TComponent::SetName(const std::string& name) {
  if (name == m_name) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("'%s' is not a valid component name", {name}));
  if (m_owner && !name.empty()) {
    TComponent* other = m_owner->FindComponent(name);
    if (other && other != this) throw EComponentError(Format("A component named %s already exists", {name}));
  }
  m_name = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ThrowListIndex(index);
  return m_components[static_cast<std::size_t>(index)].get();
}

int TComponent::ComponentIndex() const {
  if (!m_owner) return -1;
  const auto& list = m_owner->m_components;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<int>(i);
  return -1;
}

void TComponent::SetComponentIndex(int index) {
  int current = ComponentIndex();
  if (current < 0) return;
  auto& list = m_owner->m_components;
  index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
  if (index == current) return;
  auto self = std::move(list[static_cast<std::size_t>(current)]);
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, std::move(self));
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (const auto& component : m_components)
    if (SameText(component->m_name, name)) return component.get();
  return nullptr;
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  TComponent& ref = *component;
  if (!ref.m_name.empty()) {
    TComponent* other = FindComponent(ref.m_name);
    if (other && other != &ref) throw EComponentError(Format("A component named %s already exists", {ref.m_name}));
  }
  ref.m_owner = this;
  m_components.push_back(std::move(component));
  Notification(&ref, TOperation::opInsert);
  return ref;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
  auto it = std::find_if(m_components.begin(), m_components.end(),
                         [&](const auto& owned) { return owned.get() == &component; });
  if (it == m_components.end()) return nullptr;
  Notification(&component, TOperation::opRemove);
  // Notification handlers may have changed the list: look again.
  it = std::find_if(m_components.begin(), m_components.end(),
                    [&](const auto& owned) { return owned.get() == &component; });
  if (it == m_components.end()) return nullptr;
  std::unique_ptr<TComponent> released = std::move(*it);
  m_components.erase(it);
  released->m_owner = nullptr;
  return released;
}

void TComponent::DestroyComponents() {
  while (!m_components.empty()) {
    std::unique_ptr<TComponent> last = std::move(m_components.back());
    m_components.pop_back();
    last->m_owner = nullptr;
    last.reset();
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  auto link = [](std::vector<TComponent*>& list, TComponent* c) {
    if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
  };
  link(m_freeNotifies, component);
  link(component->m_freeNotifies, this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  auto unlink = [](std::vector<TComponent*>& list, TComponent* c) {
    list.erase(std::remove(list.begin(), list.end(), c), list.end());
  };
  unlink(m_freeNotifies, component);
  unlink(component->m_freeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
  // Owned components may be removed by their own handlers: walk by index from the end.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) continue;
    m_components[static_cast<std::size_t>(i)]->Notification(component, operation);
  }
}

void TComponent::SetState(std::uint32_t flags, bool on) noexcept {
  if (on)
    m_state |= flags;
  else
    m_state &= ~flags;
}

void TComponent::SetLoading(bool loading) noexcept { SetState(csLoading, loading); }

void TComponent::Free(TComponent& component) {
  if (component.m_pendingFree || component.IsDestroying()) return;
  TComponent* owner = component.m_owner;
  if (!owner) throw EComponentError(Format("Component %s has no owner to free it", {component.GetNamePath()}));
  std::unique_ptr<TComponent> released = owner->RemoveComponent(component);
  if (!released) return;
  if (released->IsBusy()) {
    released->m_state |= csFreePending;
    TComponent& self = *released;
    self.m_pendingFree = std::move(released);
    return;
  }
  released.reset();
}

void TComponent::FinishDeferredFree() {
  if (m_busy == 0 && m_pendingFree) {
    std::unique_ptr<TComponent> self = std::move(m_pendingFree);
    self.reset();
  }
}

TComponent::TBusyGuard::TBusyGuard(TComponent& component) {
  for (TComponent* c = &component; c; c = c->m_owner) {
    ++c->m_busy;
    m_chain.emplace_back(c);
  }
}

TComponent::TBusyGuard::~TBusyGuard() {
  // Innermost first, so a pending child goes before its pending owner.
  for (auto& ref : m_chain) {
    if (TComponent* c = ref.Get()) {
      --c->m_busy;
      c->FinishDeferredFree();
    }
  }
}

std::string TComponent::GetNamePath() const { return m_name.empty() ? std::string(ClassName()) : m_name; }

TComponent& CreateComponent(const TClassInfo& cls, TComponent& owner) {
  if (!cls.InheritsFrom(TComponent::StaticClassInfo()))
    throw EComponentError(Format("Class %s is not a component class", {cls.Name()}));
  std::unique_ptr<TObject> object = cls.CreateInstance(&owner);
  std::unique_ptr<TComponent> component(static_cast<TComponent*>(object.release()));
  return owner.InsertComponent(std::move(component));
}

}  // namespace halbrin::platform
