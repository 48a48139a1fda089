#pragma once

// What scripts hold of components: `IComponents` over a list (the
// application's components, a component's children) and `IComponent` over one
// object. A wrapper never keeps its object alive (a line view it was handed is
// its own): once the object is freed every member raises "Object has been
// freed". Beyond the type library's members an `IComponent` answers the
// object's published properties, its published methods with parameters and
// its owned components by name, letter case ignored.

#include <memory>

#include "core/foundation/collection_interfaces.h"
#include "platform/automation/auto_object.h"
#include "platform/automation/late_bound_table.h"
#include "platform/classes/class_info.h"
#include "platform/classes/component.h"

namespace halbrin {

class TCustomApplicationComponents;

// A wrapper of the found item (Null for nothing); a line view is handed over.
platform::Variant WrapFoundItem(FoundItem found);
// A wrapper that does not own `object`; Null for none.
platform::Variant WrapObject(platform::TObject* object);
// The object a Variant holding one of our wrappers wraps; nullptr otherwise.
platform::TObject* WrappedObject(const platform::Variant& value);

// IComponents over a list of the application (components, forms). Raises
// EComponentError "Invalid class" for any other object.
class TApplicationObjects final : public platform::TAutoObject {
 public:
  explicit TApplicationObjects(platform::TObject* list);

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  TCustomApplicationComponents& List() const;
  platform::TWeakRef<platform::TObject> m_list;
};

// IComponents over the components an object owns.
class TChildren final : public platform::TAutoObject {
 public:
  explicit TChildren(platform::TObject* object);

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  platform::TComponent* Child(const platform::Variant& index) const;
  platform::TWeakRef<platform::TObject> m_object;
  bool m_hadObject;
};

// IComponent over one object (or none).
class TComponent final : public platform::TAutoObject {
 public:
  // Does not own `object`.
  explicit TComponent(platform::TObject* object);
  // Owns `object` (a line view nobody else keeps).
  explicit TComponent(std::unique_ptr<platform::TObject> object);
  ~TComponent() override;

  // Nullptr when the wrapper holds none; raises once the object was freed.
  platform::TObject* Object() const;
  // Frees the object when this wrapper owns it (nobody else holds it); false otherwise.
  bool FreeOwnedObject();

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;
  platform::HResult GetLateBoundIDs(std::span<const std::string> names, std::span<platform::DispId> ids) override;
  platform::HResult InvokeLateBound(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                                    platform::Variant& result) override;

 private:
  enum EntryKind { ekMethod = 0, ekProperty = 1, ekChild = 2 };
  // What every name of a freed object resolves to.
  static constexpr platform::DispId kFreedObjectId = 0x7FFF0000;
  // A late-bound member: a method or property description, or a child by identity.
  struct Key {
    const void* target = nullptr;
    platform::TWeakRef<platform::TComponent> child;
    friend bool operator==(const Key& a, const Key& b) { return a.target == b.target; }
  };

  platform::TWeakRef<platform::TObject> m_object;
  bool m_hadObject;
  std::unique_ptr<platform::TObject> m_owned;
  platform::TLateBoundTable<Key> m_names;
};

}  // namespace halbrin
