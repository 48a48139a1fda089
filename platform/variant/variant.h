#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/automation/dispatch_object.h"
#include "platform/base/ref_counted.h"

namespace halbrin::platform {

// The OLE variant kinds, numbered as the automation convention numbers them.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R4 = 4,
  R8 = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Dispatch = 9,
  Error = 10,
  Boolean = 11,
  Variant = 12,  // only as a declared parameter or element type
  Unknown = 13,
  I1 = 16,
  UI1 = 17,
  UI2 = 18,
  UI4 = 19,
  I8 = 20,
  Array = 0x2000,  // always an array of Variants
};

// "Empty", "Integer", "OleStr", ...: the names used in conversion messages.
std::string_view VarTypeName(VarType type) noexcept;

// The message of every failed conversion: "Could not convert variant of type
// (from) into type (to)".
[[noreturn]] void ThrowCannotConvert(VarType from, VarType to);

class VariantArray;

// A value that crosses the automation boundary. Value semantics: copying a
// Variant copies an array deeply and shares a dispatch object. A moved-from
// Variant is Empty.
class Variant {
 public:
  Variant() noexcept = default;
  Variant(bool value) noexcept : m_type(VarType::Boolean), m_value(value) {}
  Variant(int value) noexcept : m_type(VarType::I4), m_value(std::int64_t{value}) {}
  Variant(std::int64_t value) noexcept : m_type(VarType::I8), m_value(value) {}
  Variant(double value) noexcept : m_type(VarType::R8), m_value(value) {}
  Variant(const char* value) : m_type(VarType::String), m_value(std::string(value ? value : "")) {}
  Variant(std::string_view value) : m_type(VarType::String), m_value(std::string(value)) {}
  Variant(std::string value) noexcept : m_type(VarType::String), m_value(std::move(value)) {}
  // A Dispatch value; a null pointer gives a Dispatch holding nothing.
  Variant(RefPtr<IDispatchObject> value) noexcept;
  template <class T>
    requires std::derived_from<T, IDispatchObject>
  Variant(const RefPtr<T>& value) noexcept : Variant(RefPtr<IDispatchObject>(value)) {}
  Variant(VariantArray array);
  // Any other pointer would silently become a Boolean.
  Variant(const void*) = delete;

  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  void Swap(Variant& other) noexcept;

  static Variant Null() noexcept;
  // An integer of the given integer kind (I1..UI4, I8); the value is wrapped to the kind's width.
  // Another kind raises EVariantError.
  static Variant OfInteger(VarType type, std::int64_t value);
  static Variant Single(float value) noexcept;
  static Variant Date(double oleDate) noexcept;
  // Currency is a fixed-point number with four decimals; `scaled` is value * 10000.
  static Variant Currency(std::int64_t scaled) noexcept;
  static Variant Error(std::int32_t scode) noexcept;
  static Variant Unknown(RefPtr<RefCounted> object) noexcept;

  VarType Type() const noexcept { return m_type; }
  std::string_view TypeName() const noexcept { return VarTypeName(m_type); }

  bool IsEmpty() const noexcept { return m_type == VarType::Empty; }
  bool IsNull() const noexcept { return m_type == VarType::Null; }
  bool IsEmptyOrNull() const noexcept { return IsEmpty() || IsNull(); }
  // Integer kinds and Boolean: the kinds lookups treat as an index.
  bool IsOrdinal() const noexcept;
  bool IsInteger() const noexcept;
  bool IsNumeric() const noexcept;  // integers, R4, R8, Currency
  bool IsString() const noexcept { return m_type == VarType::String; }
  bool IsBool() const noexcept { return m_type == VarType::Boolean; }
  bool IsDispatch() const noexcept { return m_type == VarType::Dispatch; }
  bool IsArray() const noexcept { return m_type == VarType::Array; }

  // Conversions, all locale-independent. Each raises EVariantError
  // "Could not convert variant of type (%s) into type (%s)" when it cannot convert.
  std::string ToText() const;
  std::int32_t ToInt() const;
  std::int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;
  double ToDate() const;  // an OLE date
  // The dispatch object, or null for Empty and Null; other kinds raise.
  RefPtr<IDispatchObject> ToDispatch() const;
  // The value converted to another kind (VarType::Variant returns it unchanged).
  Variant ChangeType(VarType type) const;

  // Direct access; the caller has checked the kind.
  const std::string& AsString() const { return std::get<std::string>(m_value); }
  bool AsBool() const { return std::get<bool>(m_value); }
  IDispatchObject* AsDispatch() const;
  RefCounted* AsUnknown() const;
  const VariantArray& AsArray() const;
  VariantArray& AsArray();
  std::int32_t AsError() const { return static_cast<std::int32_t>(std::get<std::int64_t>(m_value)); }
  // The stored integer of an integer kind, the scaled value of a Currency.
  std::int64_t AsInt64() const { return std::get<std::int64_t>(m_value); }
  // The stored double of R4, R8 and Date.
  double AsDouble() const { return std::get<double>(m_value); }

  // Strict equality for lookups: integers and Boolean compare by value across
  // integer kinds, floating kinds numerically, strings exactly, objects by identity,
  // arrays element by element; otherwise different kinds are unequal.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  // Owns the array (VariantArray is incomplete here) and copies it deeply.
  struct ArrayHolder {
    explicit ArrayHolder(std::unique_ptr<VariantArray> value) noexcept;
    ArrayHolder(const ArrayHolder& other);
    ArrayHolder(ArrayHolder&& other) noexcept;
    ArrayHolder& operator=(const ArrayHolder& other);
    ArrayHolder& operator=(ArrayHolder&& other) noexcept;
    ~ArrayHolder();

    std::unique_ptr<VariantArray> array;
  };
  using Storage = std::variant<std::monostate, std::int64_t, double, bool, std::string,
                               RefPtr<RefCounted>, ArrayHolder>;

  Variant(VarType type, Storage value) noexcept : m_type(type), m_value(std::move(value)) {}
  [[noreturn]] void ThrowCannotConvert(VarType to) const;
  // The conversions without their message: false when the value does not convert.
  bool TryInt64(std::int64_t& out) const;
  bool TryDouble(double& out) const;
  bool TryBool(bool& out) const;
  bool TryDate(double& out) const;
  bool TryCurrency(std::int64_t& out) const;
  std::int64_t IntegerValue() const { return std::get<std::int64_t>(m_value); }
  double FloatValue() const { return std::get<double>(m_value); }

  VarType m_type = VarType::Empty;
  Storage m_value;
};

// An array of Variants with one or two dimensions, each with lower bound 0.
// Elements are stored row after row: element (i, j) is at i * columns + j.
class VariantArray {
 public:
  explicit VariantArray(std::size_t count = 0) : m_dims{count, 1}, m_dimensions(1), m_items(count) {}
  VariantArray(std::size_t rows, std::size_t columns)
      : m_dims{rows, columns}, m_dimensions(2), m_items(rows * columns) {}
  explicit VariantArray(std::vector<Variant> items)
      : m_dims{items.size(), 1}, m_dimensions(1), m_items(std::move(items)) {}

  int Dimensions() const noexcept { return m_dimensions; }
  // Elements along dimension 1 or 2 (a one-dimensional array has one column).
  std::size_t Count(int dimension = 1) const noexcept {
    if (m_dimensions == 1) return dimension == 2 ? 1 : m_items.size();
    return m_dims[dimension == 2 ? 1 : 0];
  }
  int LowBound(int /*dimension*/ = 1) const noexcept { return 0; }
  int HighBound(int dimension = 1) const noexcept { return static_cast<int>(Count(dimension)) - 1; }
  std::size_t Size() const noexcept { return m_items.size(); }

  // Bounds-checked access; an index outside the bounds, or a number of indices
  // other than Dimensions(), raises EVariantError "Variant array index out of bounds".
  Variant& At(std::size_t index);
  const Variant& At(std::size_t index) const;
  Variant& At(std::size_t row, std::size_t column);
  const Variant& At(std::size_t row, std::size_t column) const;

  // Row after row. Resizing a one-dimensional array here is fine; a
  // two-dimensional one keeps its shape only if its size is kept.
  std::vector<Variant>& Items() noexcept { return m_items; }
  const std::vector<Variant>& Items() const noexcept { return m_items; }
  // Appends to a one-dimensional array; a two-dimensional one raises EVariantError.
  void Append(Variant value);

  friend bool operator==(const VariantArray& a, const VariantArray& b);

 private:
  std::size_t m_dims[2];
  int m_dimensions;
  std::vector<Variant> m_items;
};

}  // namespace halbrin::platform
