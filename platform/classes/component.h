#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/case_fold.h"
#include "platform/base/indexed_list.h"
#include "platform/classes/persistent.h"

namespace halbrin::platform {

enum class TOperation { opInsert, opRemove };

enum TComponentStateFlag : std::uint32_t {
  csLoading = 0x01,
  csReading = 0x02,
  csWriting = 0x04,
  csDestroying = 0x08,
  csDesigning = 0x10,
  csUpdating = 0x20,
  csFreePending = 0x40,  // Free was asked while a handler of it ran
};

// A named object in an ownership tree. A component is owned by its owner's
// component list and destroyed with it; an unowned one by whoever created it.
// Create owned components with MakeComponent / CreateComponent. Finding an
// owned component by name or position, adding and removing one cost the same
// however many the owner has (a name index is kept beside the list).
class TComponent : public TPersistent {
  HALBRIN_CLASS(TComponent, TPersistent)

  // `owner` is recorded so constructors can reach it; the factories insert the
  // new component into the owner's list.
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;

  const std::string& Name() const noexcept { return m_name; }
  // Raises EComponentError for a name that is not an identifier or that another
  // component of the same owner already has (letter case ignored).
  virtual void SetName(const std::string& name);
  std::int32_t Tag() const noexcept { return m_tag; }
  void SetTag(std::int32_t tag) noexcept { m_tag = tag; }

  TComponent* Owner() const noexcept { return m_owner; }
  int ComponentCount() const noexcept { return static_cast<int>(m_components.Size()); }
  // Raises EListError "List index out of bounds (%d)".
  TComponent* Components(int index) const;
  // Position in the owner's list, -1 without owner; setting it moves the component.
  int ComponentIndex() const;
  void SetComponentIndex(int index);
  // An owned component by name, letter case ignored; nullptr when none.
  TComponent* FindComponent(std::string_view name) const;

  // Takes ownership: the component leaves its old owner (if any) first.
  TComponent& InsertComponent(std::unique_ptr<TComponent> component);
  // Gives an owned component back to the caller, who then owns it.
  std::unique_ptr<TComponent> RemoveComponent(TComponent& component);
  // Destroys every owned component, the last one first.
  void DestroyComponents();

  // Asks to be told (Notification opRemove) when `component` is destroyed, and
  // (Renamed) when it changes its name; the link is mutual, so whichever dies
  // first unlinks both.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  std::uint32_t ComponentState() const noexcept { return m_state; }
  bool IsDestroying() const noexcept { return (m_state & csDestroying) != 0; }
  bool IsLoading() const noexcept { return (m_state & csLoading) != 0; }
  void SetLoading(bool loading) noexcept;

  // Frees an owned component. While a handler of it (or of a component it owns)
  // runs, the component leaves its owner at once and is destroyed when the last
  // handler returns. Raises EComponentError for a component without owner.
  static void Free(TComponent& component);
  // Free was asked while a handler ran; the component goes when it returns.
  bool IsFreePending() const noexcept { return (m_state & csFreePending) != 0; }

  // Marks a component busy while one of its handlers runs (see Free); also marks
  // its owners, so freeing a form from a button's handler waits too.
  class TBusyGuard {
   public:
    explicit TBusyGuard(TComponent& component);
    ~TBusyGuard();
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

   private:
    std::vector<TWeakRef<TComponent>> m_chain;
  };
  bool IsBusy() const noexcept { return m_busy > 0; }

  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override { return m_owner; }

 protected:
  // Told when a component is inserted into or removed from this one, and when a
  // component this one asked to be notified about is destroyed. The default
  // unlinks the free notification and passes the news on to the owned
  // components that listen to their siblings (see ListenToSiblings).
  virtual void Notification(TComponent* component, TOperation operation);
  // Told when a component this one asked to be notified about (FreeNotification)
  // changed its name from `oldName`. The default does nothing.
  virtual void Renamed(TComponent& component, const std::string& oldName);
  // From now on this component is told (Notification) of every component that
  // joins or leaves its owner, as the owner is. Without it a component hears
  // only of its own components and of those it asked FreeNotification for, so
  // owners of many components do not tell each of them of every change.
  void ListenToSiblings();
  void SetState(std::uint32_t flags, bool on) noexcept;

 private:
  using NameIndex = std::unordered_map<std::string, TComponent*, CaseInsensitiveHash, CaseInsensitiveEqual>;

  void FinishDeferredFree();
  // Keeps the owner's name index and listeners in step as `component` joins or leaves.
  void Listed(TComponent& component);
  void Unlisted(TComponent& component);
  void IndexName(TComponent& component);
  void UnindexName(const TComponent& component);

  std::string m_name;
  std::int32_t m_tag = 0;
  TComponent* m_owner = nullptr;
  IndexedList<std::unique_ptr<TComponent>> m_components;
  std::unique_ptr<NameIndex> m_names;       // the owned components that have a name (made for the first)
  IndexedList<TComponent*> m_listeners;     // owned components that listen to their siblings
  bool m_listensToSiblings = false;
  IndexedList<TComponent*> m_freeNotifies;  // mutual links, removed by whichever dies first
  std::uint32_t m_state = 0;
  int m_busy = 0;
  std::unique_ptr<TComponent> m_pendingFree;  // owns itself while a deferred free waits
};

// Creates a component owned by `owner`.
template <class T, class... Args>
T& MakeComponent(TComponent& owner, Args&&... args) {
  auto component = std::make_unique<T>(&owner, std::forward<Args>(args)...);
  T& ref = *component;
  owner.InsertComponent(std::move(component));
  return ref;
}

// The virtual constructor of a component class, owned by `owner`. Raises
// EComponentError when the class is not a component class or is abstract.
TComponent& CreateComponent(const TClassInfo& cls, TComponent& owner);

}  // namespace halbrin::platform
