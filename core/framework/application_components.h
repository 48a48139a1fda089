#pragma once

// The component lists the application object keeps (components, windows,
// browsers, data providers) and the base of every script-visible list of
// components (the script event bindings, the forms).

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin {

// A list of components, found by index, by name (letter case ignored; an
// empty name never matches) or by a Variant that is either. Publishes
// `empty`, `length`, `exec` ("clear") and `share`.
class TCustomApplicationComponents : public platform::TComponent,
                                     public INamedItemCollection,
                                     public IItemCollection,
                                     public IExecutable,
                                     public IShareable {
  HALBRIN_CLASS(TCustomApplicationComponents, platform::TComponent)

  explicit TCustomApplicationComponents(platform::TComponent* owner = nullptr);
  ~TCustomApplicationComponents() override;

  virtual bool GetEmpty() const;
  virtual int GetLength() const = 0;
  // True calls Clear; false does nothing.
  virtual void SetEmpty(bool empty);
  // Raises EListError "List index out of bounds (%d)" outside the items.
  virtual platform::TComponent* GetItem(int index) const = 0;
  bool GetShare() const override;
  void SetShare(bool share) override;
  platform::Variant GetExec() const override;
  // The result becomes True; "clear" (any letter case) calls Clear; any
  // other word sets the result to False.
  void SetExec(const platform::Variant& value) override;
  // Null when no item has that name.
  virtual platform::TComponent* ItemByName(std::string_view name) const;
  // An integer kind or Boolean: by index (GetItem); a string: by name; any
  // other kind (a double too): null.
  virtual platform::TComponent* ItemByVariant(const platform::Variant& value) const;
  // The first index whose component's Name matches, letter case ignored; -1
  // when none, and always for an empty name.
  virtual int IndexOfName(std::string_view name) const;
  // Destroys every listed component (see TApplicationComponents::Clear).
  virtual void Clear() = 0;

  // INamedItemCollection
  FoundItem itemByName(std::string_view name) override { return FoundItem(ItemByName(name)); }
  int indexOfName(std::string_view name) const override { return IndexOfName(name); }
  FoundItem item(const platform::Variant& value) override { return FoundItem(ItemByVariant(value)); }
  bool exists(std::string_view name) const override { return IndexOfName(name) >= 0; }

  // IItemCollection
  void clear() override { Clear(); }
  bool empty() const override { return GetEmpty(); }
  void setEmpty(bool value) override { SetEmpty(value); }
  int length() const override { return GetLength(); }

 protected:
  platform::Variant& ExecResult() noexcept { return m_execResult; }

 private:
  platform::Variant m_execResult;
  bool m_share = true;
};

// A list of components that never keeps a dead one: each listed component is
// asked for a free notification and leaves the list when it is destroyed.
// Lookups by name, adding and removing cost the same however long the list
// is: a name index follows the items through renames (told through the link).
//
// Ownership: `share` True (the default) lists components without owning them.
// `share` False makes the list own them: destroying the list frees them.
// "Freeing" a listed component means TComponent::Free when it has an owner
// (deferred while one of its handlers runs); a component without owner
// belongs to whoever made it, so the list only lets it go. Components adopted
// through Add(std::unique_ptr) are owned by the list as their owner and are
// destroyed with it whatever `share` says.
class TApplicationComponents : public TCustomApplicationComponents {
  HALBRIN_CLASS(TApplicationComponents, TCustomApplicationComponents)

  explicit TApplicationComponents(platform::TComponent* owner = nullptr);
  ~TApplicationComponents() override;

  int GetLength() const override;
  platform::TComponent* GetItem(int index) const override;
  platform::TComponent* ItemByName(std::string_view name) const override;
  int IndexOfName(std::string_view name) const override;
  // The list owns its items exactly when share becomes False.
  void SetShare(bool share) override;
  // Every listed component leaves the list and is then freed (see above).
  // The list is detached from each one before it is freed, so a component
  // whose destruction does not reach the list is never freed twice.
  void Clear() override;
  // The index of the component: its present one when it is listed already,
  // else the new last one. Null gives -1.
  virtual int Add(platform::TComponent* component);
  // Drops the component from the list without freeing it; false when it was not listed.
  virtual bool Remove(platform::TComponent* component);

  // Adopts a component that has no owner: the list becomes its owner and lists it.
  platform::TComponent& Add(std::unique_ptr<platform::TComponent> component);
  template <class T>
  T& Adopt(std::unique_ptr<T> component) {
    T& ref = *component;
    Add(std::unique_ptr<platform::TComponent>(std::move(component)));
    return ref;
  }

  int IndexOf(const platform::TComponent* component) const;
  bool Contains(const platform::TComponent* component) const { return m_items.Contains(component); }
  bool OwnsItems() const noexcept { return m_ownsItems; }

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;
  void Renamed(platform::TComponent& component, const std::string& oldName) override;

 private:
  // Listed components by name; several when components of different owners share one.
  using NameIndex = std::unordered_multimap<std::string, platform::TComponent*, platform::CaseInsensitiveHash,
                                            platform::CaseInsensitiveEqual>;
  void IndexName(platform::TComponent& component, const std::string& name);
  void UnindexName(platform::TComponent& component, const std::string& name);
  // The named item that comes first in the list; nullptr when none.
  platform::TComponent* FirstNamed(std::string_view name) const;

  platform::IndexedList<platform::TComponent*> m_items;  // not owned; each has a free notification
  NameIndex m_names;
  bool m_ownsItems = false;
};

// Frees a component the way the lists do: through its owner when it has one
// (deferred while one of its handlers runs); one without owner is left to
// whoever made it. False when nothing was freed.
bool FreeListedComponent(platform::TComponent& component);

}  // namespace halbrin
