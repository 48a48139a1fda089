#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/base/case_fold.h"
#include "platform/base/ref_counted.h"
#include "platform/classes/method.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {

class TObject;
class TComponent;
class TClassInfo;

// Kinds of published properties. The numbers never collide with 0, -1 or the
// 0x400 flag that property hooks combine with a kind.
enum class TTypeKind : int {
  Unknown = 0,
  Integer = 1,
  Char = 2,
  Enumeration = 3,
  Float = 4,
  String = 5,  // short string (up to 255 characters)
  Set = 6,
  Class = 7,
  Method = 8,
  WChar = 9,
  LString = 10,
  WString = 11,
  Variant = 12,
  Array = 13,
  Record = 14,
  Interface = 15,
  Int64 = 16,
  DynArray = 17,
};

std::string_view TypeKindName(TTypeKind kind) noexcept;

// Names of an enumeration's values; ordinal = position. Also the base type of a set.
class TEnumInfo {
 public:
  TEnumInfo(std::string typeName, std::vector<std::string> names)
      : m_typeName(std::move(typeName)), m_names(std::move(names)) {}

  const std::string& TypeName() const noexcept { return m_typeName; }
  int Count() const noexcept { return static_cast<int>(m_names.size()); }
  // The name of an ordinal, or "" outside the range.
  std::string_view Name(std::int64_t ordinal) const;
  // The ordinal of a name, matched without regard to case; -1 when unknown.
  int Ordinal(std::string_view name) const;
  const std::vector<std::string>& Names() const noexcept { return m_names; }

  static const TEnumInfo& Boolean();

 private:
  std::string m_typeName;
  std::vector<std::string> m_names;
};

enum class TFloatType { Single, Double, Extended, Comp, Currency };

// The type of a published property: kind, type name and what the kind needs.
struct TPropType {
  TTypeKind kind = TTypeKind::Unknown;
  std::string typeName;
  // Ordinal kinds (Integer, Char, WChar, Enumeration, Int64): the range.
  std::int64_t minValue = 0;
  std::int64_t maxValue = 0;
  bool isUnsigned = false;
  // Enumeration: its names; Set: the names of its elements (bit n = ordinal n).
  const TEnumInfo* enumInfo = nullptr;
  TFloatType floatType = TFloatType::Double;
  // Class: the declared class (a function, so a class may have properties of its
  // own type); owned sub-objects are assigned to, references replaced.
  const TClassInfo& (*classOf)() = nullptr;
  bool owned = false;

  bool IsOrdinal() const noexcept;
  bool IsString() const noexcept;
  bool InRange(std::int64_t value) const noexcept;
};

// Typed accessors of one property; the alternative matches the kind.
struct TOrdAccess {  // Integer, Char, WChar, Enumeration, Set (bit pattern), Int64
  std::function<std::int64_t(const TObject&)> get;
  std::function<void(TObject&, std::int64_t)> set;
};
struct TFloatAccess {
  std::function<double(const TObject&)> get;
  std::function<void(TObject&, double)> set;
};
struct TStrAccess {  // String, LString, WString (UTF-8 inside)
  std::function<std::string(const TObject&)> get;
  std::function<void(TObject&, const std::string&)> set;
};
struct TVariantAccess {  // Variant, DynArray (as a Variant array)
  std::function<Variant(const TObject&)> get;
  std::function<void(TObject&, const Variant&)> set;
};
struct TObjectAccess {  // Class
  std::function<TObject*(const TObject&)> get;
  std::function<void(TObject&, TObject*)> set;
};
struct TMethodAccess {  // Method
  std::function<TMethod(const TObject&)> get;
  std::function<void(TObject&, const TMethod&)> set;
};
struct TInterfaceAccess {  // Interface
  std::function<RefPtr<IDispatchObject>(const TObject&)> get;
  std::function<void(TObject&, RefPtr<IDispatchObject>)> set;
};
using TPropAccess = std::variant<TOrdAccess, TFloatAccess, TStrAccess, TVariantAccess, TObjectAccess,
                                 TMethodAccess, TInterfaceAccess>;

class TPropInfo {
 public:
  TPropInfo(std::string name, TPropType type, TPropAccess access)
      : m_name(std::move(name)), m_type(std::move(type)), m_access(std::move(access)) {}

  const std::string& Name() const noexcept { return m_name; }
  const TPropType& Type() const noexcept { return m_type; }
  TTypeKind Kind() const noexcept { return m_type.kind; }
  const std::string& TypeName() const noexcept { return m_type.typeName; }
  const TPropAccess& Access() const noexcept { return m_access; }
  bool IsWritable() const noexcept;

  // Whether the property's value is written when an object is saved as text.
  bool Stored() const noexcept { return m_stored; }
  void SetStored(bool stored) noexcept { m_stored = stored; }
  const Variant& Default() const noexcept { return m_default; }
  void SetDefault(Variant value) { m_default = std::move(value); }

 private:
  std::string m_name;
  TPropType m_type;
  TPropAccess m_access;
  bool m_stored = true;
  Variant m_default;
};

struct TParamInfo {
  std::string name;
  VarType type = VarType::Variant;
};

// A published method: either a script-callable method with parameter
// information and a Variant invoker, or an event handler that method
// properties can be bound to.
class TMethodInfo {
 public:
  using Invoker = std::function<Variant(TObject&, std::span<Variant>)>;

  static TMethodInfo Callable(std::string name, std::vector<TParamInfo> params, VarType result, Invoker invoker);
  static TMethodInfo Handler(std::string name, std::any handler);

  const std::string& Name() const noexcept { return m_name; }
  bool HasParamInfo() const noexcept { return static_cast<bool>(m_invoker); }
  const std::vector<TParamInfo>& Params() const noexcept { return m_params; }
  VarType ResultType() const noexcept { return m_result; }
  // Calls a callable method; args are already in natural order and sized to Params().
  Variant Invoke(TObject& target, std::span<Variant> args) const;
  const std::any& Handler() const noexcept { return m_handler; }
  const TClassInfo* Owner() const noexcept { return m_owner; }

 private:
  friend class TClassInfo;
  std::string m_name;
  std::vector<TParamInfo> m_params;
  VarType m_result = VarType::Empty;
  Invoker m_invoker;
  std::any m_handler;
  const TClassInfo* m_owner = nullptr;
};

// Run-time information of one class: name, parent, virtual constructor,
// published properties and methods. Lookups walk the parent chain and ignore case.
class TClassInfo {
 public:
  using Factory = std::function<std::unique_ptr<TObject>(TComponent* owner)>;

  TClassInfo(std::string name, const TClassInfo* parent, Factory factory,
             std::vector<TPropInfo> properties, std::vector<TMethodInfo> methods);
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& Name() const noexcept { return m_name; }
  const TClassInfo* Parent() const noexcept { return m_parent; }
  bool InheritsFrom(const TClassInfo& other) const noexcept;
  bool IsAbstract() const noexcept { return !m_factory; }
  // The virtual constructor; raises EComponentError for an abstract class.
  std::unique_ptr<TObject> CreateInstance(TComponent* owner = nullptr) const;

  const TPropInfo* FindProperty(std::string_view name) const;
  const TMethodInfo* FindMethod(std::string_view name) const;
  // Every published property: the parent's first, in declaration order; a
  // property redeclared by a class takes its parent's place.
  std::span<const TPropInfo* const> AllProperties() const noexcept { return m_allProperties; }
  std::span<const TPropInfo> OwnProperties() const noexcept { return m_properties; }
  std::span<const TMethodInfo> OwnMethods() const noexcept { return m_methods; }

 private:
  std::string m_name;
  const TClassInfo* m_parent;
  Factory m_factory;
  std::vector<TPropInfo> m_properties;
  std::vector<TMethodInfo> m_methods;
  std::vector<const TPropInfo*> m_allProperties;
  std::unordered_map<std::string, const TPropInfo*, CaseInsensitiveHash, CaseInsensitiveEqual> m_propertyIndex;
  std::unordered_map<std::string, const TMethodInfo*, CaseInsensitiveHash, CaseInsensitiveEqual> m_methodIndex;
};

// Raises EPropertyError when an object of the wrong class is stored in a class property.
[[noreturn]] void ThrowIncompatibleClass(const TObject& value, const TClassInfo& expected);

// Classes by name, for markup that creates objects by class name.
class TClassRegistry {
 public:
  static void Register(const TClassInfo& cls);
  static const TClassInfo* Find(std::string_view name);
};

}  // namespace halbrin::platform
