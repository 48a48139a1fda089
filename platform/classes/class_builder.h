#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/classes/class_info.h"
#include "platform/classes/object.h"

namespace halbrin::platform {

class TComponent;

// Declares the run-time class information of a class; put it first in the class body.
// Access after it is public.
#define HALBRIN_CLASS(Class, Parent)                                                      \
 public:                                                                                  \
  using Inherited = Parent;                                                               \
  static const ::halbrin::platform::TClassInfo& StaticClassInfo();                        \
  const ::halbrin::platform::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

// Defines it in the class's source file:
//   HALBRIN_DEFINE_CLASS(TFoo, .Property("count", &TFoo::Count, &TFoo::SetCount))
// The class is registered by name when its source file's statics are initialised.
#define HALBRIN_DEFINE_CLASS(Class, ...)                                                   \
  const ::halbrin::platform::TClassInfo& Class::StaticClassInfo() {                       \
    static const ::halbrin::platform::TClassInfo info =                                   \
        ::halbrin::platform::TClassBuilder<Class>(#Class) __VA_ARGS__.Build();             \
    return info;                                                                          \
  }                                                                                       \
  [[maybe_unused]] static const ::halbrin::platform::TClassInfo& Class##_registration =   \
      Class::StaticClassInfo();

namespace detail {

template <class T>
using Bare = std::remove_cvref_t<T>;

template <class T>
constexpr VarType VarTypeOf() {
  using B = Bare<T>;
  if constexpr (std::is_same_v<B, bool>) return VarType::Boolean;
  else if constexpr (std::is_same_v<B, std::int64_t>) return VarType::I8;
  else if constexpr (std::is_integral_v<B> || std::is_enum_v<B>) return VarType::I4;
  else if constexpr (std::is_floating_point_v<B>) return VarType::R8;
  else if constexpr (std::is_same_v<B, std::string>) return VarType::String;
  else if constexpr (std::is_same_v<B, RefPtr<IDispatchObject>>) return VarType::Dispatch;
  else if constexpr (std::is_same_v<B, void>) return VarType::Empty;
  else return VarType::Variant;
}

template <class T>
Bare<T> FromVariant(const Variant& value) {
  using B = Bare<T>;
  if constexpr (std::is_same_v<B, Variant>) return value;
  else if constexpr (std::is_same_v<B, bool>) return value.ToBool();
  else if constexpr (std::is_same_v<B, std::int64_t>) return value.ToInt64();
  else if constexpr (std::is_enum_v<B>) return static_cast<B>(value.ToInt());
  else if constexpr (std::is_integral_v<B>) return static_cast<B>(value.ToInt());
  else if constexpr (std::is_floating_point_v<B>) return static_cast<B>(value.ToDouble());
  else if constexpr (std::is_same_v<B, std::string>) return value.ToText();
  else if constexpr (std::is_same_v<B, RefPtr<IDispatchObject>>) return value.ToDispatch();
  else static_assert(sizeof(B) == 0, "no Variant conversion for this parameter type");
}

template <class T>
Variant ToVariant(T&& value) {
  using B = Bare<T>;
  if constexpr (std::is_enum_v<B>) return Variant(static_cast<int>(value));
  else if constexpr (std::is_same_v<B, bool> || std::is_same_v<B, std::int64_t> || std::is_same_v<B, double> ||
                     std::is_same_v<B, std::string> || std::is_same_v<B, Variant>)
    return Variant(std::forward<T>(value));
  else if constexpr (std::is_integral_v<B>) return Variant(static_cast<int>(value));
  else if constexpr (std::is_floating_point_v<B>) return Variant(static_cast<double>(value));
  else if constexpr (std::is_same_v<B, RefPtr<IDispatchObject>>) return Variant(value);
  else static_assert(sizeof(B) == 0, "no Variant conversion for this result type");
}

template <class T>
constexpr bool IsObjectPointer = std::is_pointer_v<T> && std::is_base_of_v<TObject, std::remove_pointer_t<T>>;

}  // namespace detail

// Fills a TClassInfo; see HALBRIN_DEFINE_CLASS. Modifiers such as TypeName(),
// Range() and Owned() apply to the property declared last.
template <class C>
class TClassBuilder {
 public:
  explicit TClassBuilder(std::string name) : m_name(std::move(name)) {
    if constexpr (!std::is_same_v<C, TObject>) m_parent = &C::Inherited::StaticClassInfo();
  }

  // Integral, Boolean, floating, string, Variant, object-pointer and interface
  // properties; the kind follows from the getter's result type.
  // The getter is a const member function or data member (or a callable taking
  // const C&); the setter a member function or callable taking (C&, value), or
  // nullptr for a read-only property.
  template <class G, class S = std::nullptr_t>
  TClassBuilder& Property(std::string name, G getter, S setter = nullptr) {
    using V = detail::Bare<std::invoke_result_t<G, const C&>>;
    TPropType type;
    if constexpr (std::is_same_v<V, bool>) {
      type = EnumType(TTypeKind::Enumeration, TEnumInfo::Boolean());
      m_props.emplace_back(std::move(name), std::move(type), OrdAccess<V>(getter, setter));
    } else if constexpr (std::is_same_v<V, char> || std::is_same_v<V, char16_t> || std::is_integral_v<V>) {
      type.kind = std::is_same_v<V, char>       ? TTypeKind::Char
                  : std::is_same_v<V, char16_t> ? TTypeKind::WChar
                  : std::is_same_v<V, std::int64_t> || std::is_same_v<V, std::uint64_t> ? TTypeKind::Int64
                                                                                          : TTypeKind::Integer;
      type.typeName = IntegerTypeName<V>();
      type.minValue = static_cast<std::int64_t>(std::numeric_limits<V>::min());
      type.maxValue = static_cast<std::int64_t>(std::numeric_limits<V>::max());
      type.isUnsigned = std::is_unsigned_v<V>;
      m_props.emplace_back(std::move(name), std::move(type), OrdAccess<V>(getter, setter));
    } else if constexpr (std::is_floating_point_v<V>) {
      type.kind = TTypeKind::Float;
      type.typeName = std::is_same_v<V, float> ? "Single" : "Double";
      type.floatType = std::is_same_v<V, float> ? TFloatType::Single : TFloatType::Double;
      TFloatAccess access{[getter](const TObject& self) { return double(std::invoke(getter, static_cast<const C&>(self))); }, {}};
      if constexpr (!std::is_null_pointer_v<S>)
        access.set = [setter](TObject& self, double v) { Call(setter, static_cast<C&>(self), static_cast<V>(v)); };
      m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    } else if constexpr (std::is_same_v<V, std::string>) {
      type.kind = TTypeKind::LString;
      type.typeName = "string";
      TStrAccess access{[getter](const TObject& self) { return std::string(std::invoke(getter, static_cast<const C&>(self))); }, {}};
      if constexpr (!std::is_null_pointer_v<S>)
        access.set = [setter](TObject& self, const std::string& v) { Call(setter, static_cast<C&>(self), v); };
      m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    } else if constexpr (std::is_same_v<V, Variant>) {
      type.kind = TTypeKind::Variant;
      type.typeName = "Variant";
      TVariantAccess access{[getter](const TObject& self) { return Variant(std::invoke(getter, static_cast<const C&>(self))); }, {}};
      if constexpr (!std::is_null_pointer_v<S>)
        access.set = [setter](TObject& self, const Variant& v) { Call(setter, static_cast<C&>(self), v); };
      m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    } else if constexpr (detail::IsObjectPointer<V>) {
      using T = std::remove_pointer_t<V>;
      type.kind = TTypeKind::Class;
      type.classOf = &T::StaticClassInfo;
      TObjectAccess access{[getter](const TObject& self) -> TObject* { return std::invoke(getter, static_cast<const C&>(self)); }, {}};
      if constexpr (!std::is_null_pointer_v<S>)
        access.set = [setter](TObject& self, TObject* v) {
          T* typed = v ? dynamic_cast<T*>(v) : nullptr;
          if (v && !typed) ThrowIncompatibleClass(*v, T::StaticClassInfo());
          Call(setter, static_cast<C&>(self), typed);
        };
      m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    } else if constexpr (std::is_same_v<V, RefPtr<IDispatchObject>>) {
      type.kind = TTypeKind::Interface;
      type.typeName = "IDispatch";
      TInterfaceAccess access{[getter](const TObject& self) { return RefPtr<IDispatchObject>(std::invoke(getter, static_cast<const C&>(self))); }, {}};
      if constexpr (!std::is_null_pointer_v<S>)
        access.set = [setter](TObject& self, RefPtr<IDispatchObject> v) { Call(setter, static_cast<C&>(self), std::move(v)); };
      m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    } else {
      static_assert(sizeof(V) == 0, "unsupported property type");
    }
    return *this;
  }

  // An enumeration property of an enum type E with the given names.
  template <class G, class S = std::nullptr_t>
  TClassBuilder& Enum(std::string name, G getter, S setter, const TEnumInfo& info) {
    using E = detail::Bare<std::invoke_result_t<G, const C&>>;
    TPropType type = EnumType(TTypeKind::Enumeration, info);
    m_props.emplace_back(std::move(name), std::move(type), OrdAccess<E>(getter, setter));
    return *this;
  }

  // A set property: a bit pattern whose bit n is element n of `elements`.
  template <class G, class S = std::nullptr_t>
  TClassBuilder& Set(std::string name, G getter, S setter, const TEnumInfo& elements, std::string typeName) {
    using B = detail::Bare<std::invoke_result_t<G, const C&>>;
    TPropType type = EnumType(TTypeKind::Set, elements);
    type.typeName = std::move(typeName);
    m_props.emplace_back(std::move(name), std::move(type), OrdAccess<B>(getter, setter));
    return *this;
  }

  // An event property stored in a TEvent<A...> field (of the class or of a
  // base, so a class can publish an event its base keeps).
  template <class B, class... A>
    requires std::is_base_of_v<B, C>
  TClassBuilder& Event(std::string name, TEvent<A...> B::*field, std::string typeName) {
    TPropType type;
    type.kind = TTypeKind::Method;
    type.typeName = std::move(typeName);
    TMethodAccess access{[field](const TObject& self) { return (static_cast<const C&>(self).*field).Method(); },
                         [field](TObject& self, const TMethod& m) { (static_cast<C&>(self).*field).Assign(m); }};
    m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    return *this;
  }

  // The same with a setter that stores the handler itself (through the
  // field's Assign) and may act on the change; bindings attach through it too.
  template <class B, class S, class... A>
    requires std::is_base_of_v<B, C> && std::is_invocable_v<const S&, C&, const TMethod&>
  TClassBuilder& Event(std::string name, TEvent<A...> B::*field, std::string typeName, S setter) {
    TPropType type;
    type.kind = TTypeKind::Method;
    type.typeName = std::move(typeName);
    TMethodAccess access{[field](const TObject& self) { return (static_cast<const C&>(self).*field).Method(); },
                         [setter](TObject& self, const TMethod& m) { Call(setter, static_cast<C&>(self), m); }};
    m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    return *this;
  }

  // An event property whose TEvent a sub-object keeps: `eventOf(C&)` returns it.
  template <class F>
  TClassBuilder& EventOf(std::string name, F eventOf, std::string typeName) {
    TPropType type;
    type.kind = TTypeKind::Method;
    type.typeName = std::move(typeName);
    TMethodAccess access{
        [eventOf](const TObject& self) { return eventOf(const_cast<C&>(static_cast<const C&>(self))).Method(); },
        [eventOf](TObject& self, const TMethod& m) { eventOf(static_cast<C&>(self)).Assign(m); }};
    m_props.emplace_back(std::move(name), std::move(type), std::move(access));
    return *this;
  }

  // A dynamic array property read and written as a Variant array.
  template <class G, class S = std::nullptr_t>
  TClassBuilder& DynArray(std::string name, G getter, S setter, std::string typeName) {
    Property(std::move(name), getter, setter);
    m_props.back() = TPropInfo(m_props.back().Name(), DynArrayType(std::move(typeName)), m_props.back().Access());
    return *this;
  }

  // Modifiers of the last property.
  TClassBuilder& TypeName(std::string typeName) {
    RetypeLast([&](TPropType& t) { t.typeName = std::move(typeName); });
    return *this;
  }
  TClassBuilder& Range(std::int64_t minValue, std::int64_t maxValue) {
    RetypeLast([&](TPropType& t) {
      t.minValue = minValue;
      t.maxValue = maxValue;
    });
    return *this;
  }
  TClassBuilder& Owned() {
    RetypeLast([](TPropType& t) { t.owned = true; });
    return *this;
  }
  TClassBuilder& Kind(TTypeKind kind) {
    RetypeLast([&](TPropType& t) { t.kind = kind; });
    return *this;
  }
  TClassBuilder& Stored(bool stored) {
    m_props.back().SetStored(stored);
    return *this;
  }
  TClassBuilder& Default(Variant value) {
    m_props.back().SetDefault(std::move(value));
    return *this;
  }

  // A script-callable method with parameter names; types follow from the signature.
  template <class R, class... P>
  TClassBuilder& Method(std::string name, R (C::*fn)(P...), std::vector<std::string> paramNames = {}) {
    return AddCallable<R, P...>(std::move(name), std::move(paramNames),
                                [fn](C& self, P... args) -> R { return (self.*fn)(std::forward<P>(args)...); });
  }
  template <class R, class... P>
  TClassBuilder& Method(std::string name, R (C::*fn)(P...) const, std::vector<std::string> paramNames = {}) {
    return AddCallable<R, P...>(std::move(name), std::move(paramNames),
                                [fn](C& self, P... args) -> R { return (self.*fn)(std::forward<P>(args)...); });
  }

  // An event handler that event properties with the same arguments can be bound to.
  template <class... A>
  TClassBuilder& Handler(std::string name, void (C::*fn)(A...)) {
    THandlerFunction<A...> handler = [fn](TObject& self, A... args) { (static_cast<C&>(self).*fn)(args...); };
    m_methods.push_back(TMethodInfo::Handler(std::move(name), std::any(std::move(handler))));
    return *this;
  }

  TClassInfo Build() { return TClassInfo(std::move(m_name), m_parent, MakeFactory(), std::move(m_props), std::move(m_methods)); }

 private:
  // Setters may be member functions of C or of a base, or callables taking (C&, value).
  template <class S, class V>
  static void Call(const S& setter, C& self, V&& value) {
    std::invoke(setter, self, std::forward<V>(value));
  }

  template <class V, class G, class S>
  static TOrdAccess OrdAccess(G getter, S setter) {
    TOrdAccess access{[getter](const TObject& self) {
                        return static_cast<std::int64_t>(std::invoke(getter, static_cast<const C&>(self)));
                      },
                      {}};
    if constexpr (!std::is_null_pointer_v<S>)
      access.set = [setter](TObject& self, std::int64_t v) { Call(setter, static_cast<C&>(self), static_cast<detail::Bare<V>>(v)); };
    return access;
  }

  static TPropType EnumType(TTypeKind kind, const TEnumInfo& info) {
    TPropType type;
    type.kind = kind;
    type.typeName = info.TypeName();
    type.enumInfo = &info;
    type.minValue = 0;
    type.maxValue = kind == TTypeKind::Set ? (std::int64_t{1} << info.Count()) - 1 : info.Count() - 1;
    type.isUnsigned = true;
    return type;
  }

  static TPropType DynArrayType(std::string typeName) {
    TPropType type;
    type.kind = TTypeKind::DynArray;
    type.typeName = std::move(typeName);
    return type;
  }

  template <class V>
  static std::string IntegerTypeName() {
    if constexpr (std::is_same_v<V, char>) return "Char";
    else if constexpr (std::is_same_v<V, char16_t>) return "WideChar";
    else if constexpr (std::is_same_v<V, std::int8_t>) return "ShortInt";
    else if constexpr (std::is_same_v<V, std::uint8_t>) return "Byte";
    else if constexpr (std::is_same_v<V, std::int16_t>) return "SmallInt";
    else if constexpr (std::is_same_v<V, std::uint16_t>) return "Word";
    else if constexpr (std::is_same_v<V, std::uint32_t>) return "Cardinal";
    else if constexpr (std::is_same_v<V, std::int64_t>) return "Int64";
    else return "Integer";
  }

  template <class F>
  void RetypeLast(F change) {
    TPropInfo& last = m_props.back();
    TPropType type = last.Type();
    change(type);
    TPropInfo retyped(last.Name(), std::move(type), last.Access());
    retyped.SetStored(last.Stored());
    retyped.SetDefault(last.Default());
    last = std::move(retyped);
  }

  template <class R, class... P, class F>
  TClassBuilder& AddCallable(std::string name, std::vector<std::string> paramNames, F call) {
    std::vector<TParamInfo> params;
    constexpr VarType types[] = {detail::VarTypeOf<P>()..., VarType::Empty};
    for (std::size_t i = 0; i < sizeof...(P); ++i)
      params.push_back({i < paramNames.size() ? paramNames[i] : "p" + std::to_string(i + 1), types[i]});
    auto invoker = [call](TObject& self, std::span<Variant> args) -> Variant {
      return [&]<std::size_t... I>(std::index_sequence<I...>) -> Variant {
        if constexpr (std::is_void_v<R>) {
          call(static_cast<C&>(self), detail::FromVariant<P>(args[I])...);
          return Variant();
        } else {
          return detail::ToVariant(call(static_cast<C&>(self), detail::FromVariant<P>(args[I])...));
        }
      }(std::index_sequence_for<P...>{});
    };
    m_methods.push_back(TMethodInfo::Callable(std::move(name), std::move(params), detail::VarTypeOf<R>(), std::move(invoker)));
    return *this;
  }

  TClassInfo::Factory MakeFactory() {
    if constexpr (std::is_abstract_v<C>) {
      return {};
    } else if constexpr (std::is_constructible_v<C, TComponent*>) {
      return [](TComponent* owner) -> std::unique_ptr<TObject> { return std::make_unique<C>(owner); };
    } else if constexpr (std::is_default_constructible_v<C>) {
      return [](TComponent*) -> std::unique_ptr<TObject> { return std::make_unique<C>(); };
    } else {
      return {};
    }
  }

  std::string m_name;
  const TClassInfo* m_parent = nullptr;
  std::vector<TPropInfo> m_props;
  std::vector<TMethodInfo> m_methods;
};

}  // namespace halbrin::platform
