#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/jsc/jsc_engine.h"

namespace halbrin::platform {

// A dispatch object as a JS object of one engine: a JSCClass instance whose
// property traps reach the object through GetIDsOfNames and Invoke. Names are
// the object's (matched without regard to letter case); reading a method or a
// parameterised property gives a function bound to it, which sends
// METHOD|PROPERTYGET with its arguments (so `item(1)` works); reading any
// other member is a PROPERTYGET; assigning a PROPERTYPUT. An object with a
// default member is a function in a Proxy, so calling it reaches DISPID_VALUE.
class JscHostObject : public JscAnchor {
 public:
  ~JscHostObject() override;

  // The class every host object of the engine's context is an instance of.
  static JSCClass* RegisterClass(JscEngine& engine);
  static JscValuePtr Create(JscEngine& engine, RefPtr<IDispatchObject> object);
  // Whether calling the object itself reaches a member.
  static bool HasDefaultMember(IDispatchObject& object);

  // Null once detached.
  IDispatchObject* Object() const noexcept { return m_object.Get(); }
  // The JS value while it lives; null after the collector took it.
  JscValuePtr Value() const;

 private:
  JscHostObject(JscEngine& engine, RefPtr<IDispatchObject> object);
  void Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept override;

  bool Resolve(const char* name, DispId& id);
  JscValuePtr BoundMember(DispId id);
  JSCValue* Get(JSCContext* context, const char* name);
  bool Set(JSCContext* context, const char* name, JSCValue* value);

  static JSCValue* GetProperty(JSCClass* cls, JSCContext* context, gpointer instance, const char* name);
  static gboolean SetProperty(JSCClass* cls, JSCContext* context, gpointer instance, const char* name,
                              JSCValue* value);
  static gchar** EnumerateProperties(JSCClass* cls, JSCContext* context, gpointer instance);

  // Lookups by the engine's const char* names without making a string each time.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept { return std::hash<std::string_view>()(name); }
  };

  RefPtr<IDispatchObject> m_object;
  std::unordered_map<std::string, DispId, NameHash, std::equal_to<>> m_ids;
  // One function per member, so `o.f === o.f`.
  std::unordered_map<DispId, JscValuePtr> m_bound;
  JscWeakValuePtr m_self;
};

// A member of a dispatch object as a JS function of one engine.
class JscBoundMember : public JscAnchor {
 public:
  ~JscBoundMember() override;

  static JscValuePtr Create(JscEngine& engine, RefPtr<IDispatchObject> object, DispId id);

 private:
  JscBoundMember(JscEngine& engine, RefPtr<IDispatchObject> object, DispId id);
  void Detach(std::vector<RefPtr<IDispatchObject>>& releases) noexcept override;

  static JSCValue* Call(GPtrArray* args, gpointer data);

  RefPtr<IDispatchObject> m_object;
  DispId m_id;
};

// The names a dispatch object lists for scripts: IScriptMemberInfo, else its
// member table, else those of a JS object; empty when it tells none.
std::vector<std::string> ScriptMemberNamesOf(IDispatchObject& object);

}  // namespace halbrin::platform
