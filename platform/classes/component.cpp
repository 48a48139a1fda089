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
  while (TComponent* other = m_freeNotifies.TakeLast()) {
    other->m_freeNotifies.Take(this);
    other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
}

void TComponent::SetName(const std::string& name) {
  if (name == m_name) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("'%s' is not a valid component name", {name}));
  const bool listed = m_owner && m_owner->m_components.Contains(this);
  if (m_owner && !name.empty()) {
    TComponent* other = m_owner->FindComponent(name);
    if (other && other != this) throw EComponentError(Format("A component named %s already exists", {name}));
  }
  if (listed) m_owner->UnindexName(*this);
  std::string oldName = std::move(m_name);
  m_name = name;
  if (listed) m_owner->IndexName(*this);
  // Lists that hold this component find it by name too.
  std::vector<TComponent*> linked;
  m_freeNotifies.ForEach([&](TComponent* other) { linked.push_back(other); });
  const TWeakRef<TComponent> alive(this);
  for (TComponent* other : linked) {
    if (!alive) return;
    if (m_freeNotifies.Contains(other)) other->Renamed(*this, oldName);
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ThrowListIndex(index);
  return m_components.At(static_cast<std::size_t>(index));
}

int TComponent::ComponentIndex() const {
  return m_owner ? static_cast<int>(m_owner->m_components.IndexOf(this)) : -1;
}

void TComponent::SetComponentIndex(int index) {
  if (ComponentIndex() < 0) return;
  index = std::clamp(index, 0, m_owner->ComponentCount() - 1);
  m_owner->m_components.Move(this, static_cast<std::size_t>(index));
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty() || !m_names) return nullptr;
  const auto found = m_names->find(name);
  return found == m_names->end() ? nullptr : found->second;
}

void TComponent::IndexName(TComponent& component) {
  if (component.m_name.empty()) return;
  if (!m_names) m_names = std::make_unique<NameIndex>();
  (*m_names)[component.m_name] = &component;
}

void TComponent::UnindexName(const TComponent& component) {
  if (component.m_name.empty() || !m_names) return;
  const auto found = m_names->find(component.m_name);
  if (found != m_names->end() && found->second == &component) m_names->erase(found);
}

void TComponent::Listed(TComponent& component) {
  IndexName(component);
  if (component.m_listensToSiblings) m_listeners.Add(&component);
}

void TComponent::Unlisted(TComponent& component) {
  UnindexName(component);
  m_listeners.Take(&component);
}

TComponent& TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  TComponent& ref = *component;
  if (!ref.m_name.empty()) {
    TComponent* other = FindComponent(ref.m_name);
    if (other && other != &ref) throw EComponentError(Format("A component named %s already exists", {ref.m_name}));
  }
  ref.m_owner = this;
  m_components.Add(std::move(component));
  Listed(ref);
  Notification(&ref, TOperation::opInsert);
  return ref;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent& component) {
  if (!m_components.Contains(&component)) return nullptr;
  Notification(&component, TOperation::opRemove);
  // Notification handlers may have changed the list: look again.
  std::unique_ptr<TComponent> released = m_components.Take(&component);
  if (!released) return nullptr;
  Unlisted(*released);
  released->m_owner = nullptr;
  return released;
}

void TComponent::DestroyComponents() {
  while (std::unique_ptr<TComponent> last = m_components.TakeLast()) {
    Unlisted(*last);
    last->m_owner = nullptr;
    last.reset();
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  m_freeNotifies.Add(component);
  component->m_freeNotifies.Add(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  m_freeNotifies.Take(component);
  component->m_freeNotifies.Take(this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
  if (m_listeners.Empty()) return;
  // Listeners may be removed by their own handlers: take a copy, check each before its turn.
  std::vector<TComponent*> listeners;
  m_listeners.ForEach([&](TComponent* listener) { listeners.push_back(listener); });
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    if (m_listeners.Contains(*it)) (*it)->Notification(component, operation);
}

void TComponent::Renamed(TComponent&, const std::string&) {}

void TComponent::ListenToSiblings() {
  if (m_listensToSiblings) return;
  m_listensToSiblings = true;
  if (m_owner && m_owner->m_components.Contains(this)) m_owner->m_listeners.Add(this);
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
