#include "platform/variant/variant.h"

#include <cmath>
#include <limits>

#include "platform/base/exception.h"
#include "platform/base/format.h"
#include "platform/variant/number_text.h"
#include "platform/variant/ole_date.h"

namespace halbrin::platform {

namespace {

constexpr std::int64_t kCurrencyScale = 10000;

struct IntegerRange {
  std::int64_t min;
  std::int64_t max;
};

// The range of an integer kind; false for other kinds.
bool RangeOf(VarType type, IntegerRange& range) noexcept {
  switch (type) {
    case VarType::I1: range = {-128, 127}; return true;
    case VarType::UI1: range = {0, 255}; return true;
    case VarType::I2: range = {-32768, 32767}; return true;
    case VarType::UI2: range = {0, 65535}; return true;
    case VarType::I4: range = {INT32_MIN, INT32_MAX}; return true;
    case VarType::UI4: range = {0, UINT32_MAX}; return true;
    case VarType::I8: range = {INT64_MIN, INT64_MAX}; return true;
    default: return false;
  }
}

bool IsIntegerKind(VarType type) noexcept {
  IntegerRange range;
  return RangeOf(type, range);
}

bool IsFloatingKind(VarType type) noexcept {
  return type == VarType::R4 || type == VarType::R8 || type == VarType::Date;
}

// Rounds half to even, independent of the floating-point rounding mode.
double RoundHalfEven(double value) noexcept {
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1;
  return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

// The double rounded half to even, when it fits in int64.
bool RoundToInt64(double value, std::int64_t& out) noexcept {
  if (!std::isfinite(value)) return false;
  const double rounded = RoundHalfEven(value);
  // 2^63 is exact as a double; INT64_MAX is not.
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
  out = static_cast<std::int64_t>(rounded);
  return true;
}

// Scaled currency to an integer, rounding half to even.
std::int64_t CurrencyToInt64(std::int64_t scaled) noexcept {
  std::int64_t quotient = scaled / kCurrencyScale;
  const std::int64_t remainder = scaled % kCurrencyScale;  // same sign as scaled
  const std::int64_t half = kCurrencyScale / 2;
  const std::int64_t magnitude = remainder < 0 ? -remainder : remainder;
  if (magnitude > half || (magnitude == half && quotient % 2 != 0))
    quotient += remainder < 0 ? -1 : 1;
  return quotient;
}

double CurrencyToDouble(std::int64_t scaled) noexcept {
  return static_cast<double>(scaled) / static_cast<double>(kCurrencyScale);
}

std::string CurrencyText(std::int64_t scaled) {
  // Unsigned arithmetic keeps the magnitude of INT64_MIN defined.
  const bool negative = scaled < 0;
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(scaled) + 1 : static_cast<std::uint64_t>(scaled);
  std::uint64_t whole = magnitude / kCurrencyScale;
  auto fraction = static_cast<unsigned>(magnitude % kCurrencyScale);
  std::string out;
  if (negative) out.push_back('-');
  char digits[24];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  while (length > 0) out.push_back(digits[--length]);
  if (fraction != 0) {
    out.push_back('.');
    unsigned divisor = kCurrencyScale / 10;
    while (fraction != 0) {
      out.push_back(static_cast<char>('0' + fraction / divisor));
      fraction %= divisor;
      divisor /= 10;
    }
  }
  return out;
}

// Integer text first (so "$FF" and 64-bit values stay exact), then any number.
bool ParseNumberText(std::string_view text, std::int64_t& integer, double& real, bool& isInteger) {
  if (TryParseInt64(text, integer)) {
    isInteger = true;
    return true;
  }
  isInteger = false;
  return TryParseDouble(text, real);
}

// Exact comparison of an integer with a double: no rounding of either.
bool EqualIntegerDouble(std::int64_t integer, double real) noexcept {
  if (!std::isfinite(real) || std::trunc(real) != real) return false;
  if (real < -9223372036854775808.0 || real >= 9223372036854775808.0) return false;
  return static_cast<std::int64_t>(real) == integer;
}

bool EqualsAsciiNoCase(std::string_view text, std::string_view lowerKeyword) noexcept {
  if (text.size() != lowerKeyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerKeyword[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view VarTypeName(VarType type) noexcept {
  switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::I2: return "Smallint";
    case VarType::I4: return "Integer";
    case VarType::R4: return "Single";
    case VarType::R8: return "Double";
    case VarType::Currency: return "Currency";
    case VarType::Date: return "Date";
    case VarType::String: return "OleStr";
    case VarType::Dispatch: return "Dispatch";
    case VarType::Error: return "Error";
    case VarType::Boolean: return "Boolean";
    case VarType::Variant: return "Variant";
    case VarType::Unknown: return "Unknown";
    case VarType::I1: return "ShortInt";
    case VarType::UI1: return "Byte";
    case VarType::UI2: return "Word";
    case VarType::UI4: return "LongWord";
    case VarType::I8: return "Int64";
    case VarType::Array: return "Array";
  }
  return "Unsupported";
}

void ThrowCannotConvert(VarType from, VarType to) {
  throw EVariantError(Format("Could not convert variant of type (%s) into type (%s)",
                             {VarTypeName(from), VarTypeName(to)}));
}

// ---- ArrayHolder ---------------------------------------------------------

Variant::ArrayHolder::ArrayHolder(std::unique_ptr<VariantArray> value) noexcept
    : array(std::move(value)) {}
Variant::ArrayHolder::ArrayHolder(const ArrayHolder& other)
    : array(other.array ? std::make_unique<VariantArray>(*other.array) : nullptr) {}
Variant::ArrayHolder::ArrayHolder(ArrayHolder&& other) noexcept = default;
Variant::ArrayHolder& Variant::ArrayHolder::operator=(const ArrayHolder& other) {
  ArrayHolder copy(other);
  array = std::move(copy.array);
  return *this;
}
Variant::ArrayHolder& Variant::ArrayHolder::operator=(ArrayHolder&& other) noexcept = default;
Variant::ArrayHolder::~ArrayHolder() = default;

// ---- construction ---------------------------------------------------------

Variant::Variant(RefPtr<IDispatchObject> value) noexcept
    : m_type(VarType::Dispatch), m_value(RefPtr<RefCounted>(value.Get())) {}

Variant::Variant(VariantArray array)
    : m_type(VarType::Array),
      m_value(ArrayHolder(std::make_unique<VariantArray>(std::move(array)))) {}

Variant::Variant(const Variant& other) = default;

Variant::Variant(Variant&& other) noexcept
    : m_type(std::exchange(other.m_type, VarType::Empty)),
      m_value(std::exchange(other.m_value, std::monostate{})) {}

Variant& Variant::operator=(const Variant& other) {
  // Copy first: `other` may live inside this value's own array.
  Variant copy(other);
  Swap(copy);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  Variant taken(std::move(other));
  Swap(taken);
  return *this;
}

Variant::~Variant() = default;

void Variant::Swap(Variant& other) noexcept {
  std::swap(m_type, other.m_type);
  m_value.swap(other.m_value);
}

Variant Variant::Null() noexcept { return Variant(VarType::Null, std::monostate{}); }

Variant Variant::OfInteger(VarType type, std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  switch (type) {
    case VarType::I1: return Variant(type, std::int64_t{static_cast<std::int8_t>(bits)});
    case VarType::UI1: return Variant(type, std::int64_t{static_cast<std::uint8_t>(bits)});
    case VarType::I2: return Variant(type, std::int64_t{static_cast<std::int16_t>(bits)});
    case VarType::UI2: return Variant(type, std::int64_t{static_cast<std::uint16_t>(bits)});
    case VarType::I4: return Variant(type, std::int64_t{static_cast<std::int32_t>(bits)});
    case VarType::UI4: return Variant(type, std::int64_t{static_cast<std::uint32_t>(bits)});
    case VarType::I8: return Variant(type, value);
    default: platform::ThrowCannotConvert(VarType::I8, type);
  }
}

Variant Variant::Single(float value) noexcept {
  return Variant(VarType::R4, static_cast<double>(value));
}

Variant Variant::Date(double oleDate) noexcept { return Variant(VarType::Date, oleDate); }

Variant Variant::Currency(std::int64_t scaled) noexcept {
  return Variant(VarType::Currency, scaled);
}

Variant Variant::Error(std::int32_t scode) noexcept {
  return Variant(VarType::Error, std::int64_t{scode});
}

Variant Variant::Unknown(RefPtr<RefCounted> object) noexcept {
  return Variant(VarType::Unknown, std::move(object));
}

// ---- kinds ----------------------------------------------------------------

bool Variant::IsOrdinal() const noexcept { return IsInteger() || m_type == VarType::Boolean; }

bool Variant::IsInteger() const noexcept { return IsIntegerKind(m_type); }

bool Variant::IsNumeric() const noexcept {
  return IsInteger() || m_type == VarType::R4 || m_type == VarType::R8 ||
         m_type == VarType::Currency;
}

IDispatchObject* Variant::AsDispatch() const {
  // Only a Dispatch stores an IDispatchObject, so the downcast is safe.
  return static_cast<IDispatchObject*>(std::get<RefPtr<RefCounted>>(m_value).Get());
}

RefCounted* Variant::AsUnknown() const { return std::get<RefPtr<RefCounted>>(m_value).Get(); }

const VariantArray& Variant::AsArray() const { return *std::get<ArrayHolder>(m_value).array; }

VariantArray& Variant::AsArray() { return *std::get<ArrayHolder>(m_value).array; }

void Variant::ThrowCannotConvert(VarType to) const { platform::ThrowCannotConvert(m_type, to); }

// ---- conversions ------------------------------------------------------------

bool Variant::TryInt64(std::int64_t& out) const {
  switch (m_type) {
    case VarType::Empty:
      out = 0;
      return true;
    case VarType::Boolean:
      out = AsBool() ? -1 : 0;
      return true;
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      return RoundToInt64(FloatValue(), out);
    case VarType::Currency:
      out = CurrencyToInt64(IntegerValue());
      return true;
    case VarType::String: {
      double real = 0;
      bool isInteger = false;
      if (!ParseNumberText(AsString(), out, real, isInteger)) return false;
      return isInteger || RoundToInt64(real, out);
    }
    default:
      if (!IsInteger()) return false;
      out = IntegerValue();
      return true;
  }
}

bool Variant::TryDouble(double& out) const {
  switch (m_type) {
    case VarType::Empty:
      out = 0;
      return true;
    case VarType::Boolean:
      out = AsBool() ? -1 : 0;
      return true;
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      out = FloatValue();
      return true;
    case VarType::Currency:
      out = CurrencyToDouble(IntegerValue());
      return true;
    case VarType::String: {
      std::int64_t integer = 0;
      bool isInteger = false;
      if (!ParseNumberText(AsString(), integer, out, isInteger)) return false;
      if (isInteger) out = static_cast<double>(integer);
      return true;
    }
    default:
      if (!IsInteger()) return false;
      out = static_cast<double>(IntegerValue());
      return true;
  }
}

bool Variant::TryBool(bool& out) const {
  switch (m_type) {
    case VarType::Empty:
      out = false;
      return true;
    case VarType::Boolean:
      out = AsBool();
      return true;
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      out = FloatValue() != 0;
      return true;
    case VarType::Currency:
      out = IntegerValue() != 0;
      return true;
    case VarType::String: {
      const std::string_view text = TrimBlanks(AsString());
      if (EqualsAsciiNoCase(text, "true")) {
        out = true;
        return true;
      }
      if (EqualsAsciiNoCase(text, "false")) {
        out = false;
        return true;
      }
      std::int64_t integer = 0;
      double real = 0;
      bool isInteger = false;
      if (!ParseNumberText(text, integer, real, isInteger)) return false;
      out = isInteger ? integer != 0 : real != 0;
      return true;
    }
    default:
      if (!IsInteger()) return false;
      out = IntegerValue() != 0;
      return true;
  }
}

bool Variant::TryDate(double& out) const {
  switch (m_type) {
    case VarType::Empty:
      out = 0;
      return true;
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      out = FloatValue();
      return true;
    case VarType::Currency:
      out = CurrencyToDouble(IntegerValue());
      return true;
    case VarType::String: {
      if (TryParseOleDate(AsString(), out)) return true;
      std::int64_t integer = 0;
      bool isInteger = false;
      if (!ParseNumberText(AsString(), integer, out, isInteger)) return false;
      if (isInteger) out = static_cast<double>(integer);
      // NaN or infinity is no date.
      return std::isfinite(out);
    }
    default:
      if (!IsInteger()) return false;
      out = static_cast<double>(IntegerValue());
      return true;
  }
}

bool Variant::TryCurrency(std::int64_t& out) const {
  switch (m_type) {
    case VarType::Currency:
      out = IntegerValue();
      return true;
    case VarType::Empty:
      out = 0;
      return true;
    case VarType::Boolean:
      out = AsBool() ? -kCurrencyScale : 0;
      return true;
    case VarType::String: {
      std::int64_t integer = 0;
      double real = 0;
      bool isInteger = false;
      if (!ParseNumberText(AsString(), integer, real, isInteger)) return false;
      if (isInteger) return !__builtin_mul_overflow(integer, kCurrencyScale, &out);
      return RoundToInt64(real * static_cast<double>(kCurrencyScale), out);
    }
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      return RoundToInt64(FloatValue() * static_cast<double>(kCurrencyScale), out);
    default:
      if (!IsInteger()) return false;
      return !__builtin_mul_overflow(IntegerValue(), kCurrencyScale, &out);
  }
}

std::string Variant::ToText() const {
  switch (m_type) {
    case VarType::Empty:
    case VarType::Null:
      return {};
    case VarType::Boolean:
      return AsBool() ? "True" : "False";
    case VarType::R4:
      return FormatFloat(static_cast<float>(FloatValue()));
    case VarType::R8:
      return FormatDouble(FloatValue());
    case VarType::Currency:
      return CurrencyText(IntegerValue());
    case VarType::Date:
      // An impossible date (NaN, year 10000) is a failed conversion, not a date error.
      try {
        return FormatOleDate(FloatValue());
      } catch (const EConvertError&) {
        ThrowCannotConvert(VarType::String);
      }
    case VarType::String:
      return AsString();
    case VarType::Dispatch:
    case VarType::Unknown:
      return "[object]";
    case VarType::Error:
      return "[error]";
    default:
      if (!IsInteger()) ThrowCannotConvert(VarType::String);
      return FormatInt64(IntegerValue());
  }
}

std::int32_t Variant::ToInt() const {
  std::int64_t value = 0;
  if (!TryInt64(value) || value < INT32_MIN || value > INT32_MAX) ThrowCannotConvert(VarType::I4);
  return static_cast<std::int32_t>(value);
}

std::int64_t Variant::ToInt64() const {
  std::int64_t value = 0;
  if (!TryInt64(value)) ThrowCannotConvert(VarType::I8);
  return value;
}

double Variant::ToDouble() const {
  double value = 0;
  if (!TryDouble(value)) ThrowCannotConvert(VarType::R8);
  return value;
}

bool Variant::ToBool() const {
  bool value = false;
  if (!TryBool(value)) ThrowCannotConvert(VarType::Boolean);
  return value;
}

double Variant::ToDate() const {
  double value = 0;
  if (!TryDate(value)) ThrowCannotConvert(VarType::Date);
  return value;
}

RefPtr<IDispatchObject> Variant::ToDispatch() const {
  switch (m_type) {
    case VarType::Dispatch:
      return RefPtr<IDispatchObject>(AsDispatch());
    case VarType::Empty:
    case VarType::Null:
      return {};
    default:
      ThrowCannotConvert(VarType::Dispatch);
  }
}

Variant Variant::ChangeType(VarType type) const {
  IntegerRange range;
  if (RangeOf(type, range)) {
    std::int64_t value = 0;
    if (!TryInt64(value) || value < range.min || value > range.max) ThrowCannotConvert(type);
    return Variant(type, value);
  }
  switch (type) {
    case VarType::Empty:
      return Variant();
    case VarType::Null:
      return Null();
    case VarType::Variant:
      return *this;
    case VarType::R4: {
      double value = 0;
      if (!TryDouble(value)) ThrowCannotConvert(type);
      const auto single = static_cast<float>(value);
      // A finite double beyond float's range would become infinity.
      if (std::isfinite(value) && std::isinf(single)) ThrowCannotConvert(type);
      return Single(single);
    }
    case VarType::R8:
      return Variant(ToDouble());
    case VarType::Currency: {
      std::int64_t scaled = 0;
      if (!TryCurrency(scaled)) ThrowCannotConvert(type);
      return Currency(scaled);
    }
    case VarType::Date:
      return Date(ToDate());
    case VarType::String:
      if (m_type == VarType::String) return *this;
      return Variant(ToText());
    case VarType::Boolean:
      return Variant(ToBool());
    case VarType::Dispatch:
      return Variant(ToDispatch());
    case VarType::Unknown:
      if (m_type == VarType::Dispatch || m_type == VarType::Unknown)
        return Unknown(std::get<RefPtr<RefCounted>>(m_value));
      if (IsEmptyOrNull()) return Unknown(nullptr);
      ThrowCannotConvert(type);
    case VarType::Error:
    case VarType::Array:
      if (m_type == type) return *this;
      ThrowCannotConvert(type);
    default:
      ThrowCannotConvert(type);
  }
}

// ---- equality -----------------------------------------------------------------

bool operator==(const Variant& a, const Variant& b) {
  const VarType ta = a.m_type;
  const VarType tb = b.m_type;
  const bool ordinalA = a.IsOrdinal();
  const bool ordinalB = b.IsOrdinal();
  const auto ordinal = [](const Variant& v) {
    return v.m_type == VarType::Boolean ? (v.AsBool() ? std::int64_t{-1} : 0) : v.IntegerValue();
  };
  if (ordinalA && ordinalB) return ordinal(a) == ordinal(b);

  // Numbers: integers, floating kinds and Currency compare by value, exactly.
  const auto isNumber = [](const Variant& v) {
    return v.IsInteger() || IsFloatingKind(v.m_type) || v.m_type == VarType::Currency;
  };
  if (isNumber(a) && isNumber(b)) {
    if (ta == VarType::Currency && tb == VarType::Currency) return a.IntegerValue() == b.IntegerValue();
    if (ta == VarType::Currency || tb == VarType::Currency) {
      const Variant& currency = ta == VarType::Currency ? a : b;
      const Variant& other = ta == VarType::Currency ? b : a;
      if (other.IsInteger()) {
        std::int64_t scaled = 0;
        return !__builtin_mul_overflow(other.IntegerValue(), kCurrencyScale, &scaled) &&
               scaled == currency.IntegerValue();
      }
      return CurrencyToDouble(currency.IntegerValue()) == other.FloatValue();
    }
    if (a.IsInteger()) return EqualIntegerDouble(a.IntegerValue(), b.FloatValue());
    if (b.IsInteger()) return EqualIntegerDouble(b.IntegerValue(), a.FloatValue());
    return a.FloatValue() == b.FloatValue();
  }

  const auto isObject = [](VarType t) { return t == VarType::Dispatch || t == VarType::Unknown; };
  if (isObject(ta) && isObject(tb)) return a.AsUnknown() == b.AsUnknown();

  if (ta != tb) return false;
  switch (ta) {
    case VarType::Empty:
    case VarType::Null:
      return true;
    case VarType::String:
      return a.AsString() == b.AsString();
    case VarType::Error:
      return a.IntegerValue() == b.IntegerValue();
    case VarType::Array:
      return a.AsArray() == b.AsArray();
    default:
      return false;
  }
}

// ---- VariantArray ---------------------------------------------------------------

namespace {
[[noreturn]] void ThrowIndexOutOfBounds() {
  throw EVariantError("Variant array index out of bounds");
}
}  // namespace

Variant& VariantArray::At(std::size_t index) {
  if (m_dimensions != 1 || index >= m_items.size()) ThrowIndexOutOfBounds();
  return m_items[index];
}

const Variant& VariantArray::At(std::size_t index) const {
  if (m_dimensions != 1 || index >= m_items.size()) ThrowIndexOutOfBounds();
  return m_items[index];
}

Variant& VariantArray::At(std::size_t row, std::size_t column) {
  const std::size_t index = row * m_dims[1] + column;
  if (m_dimensions != 2 || row >= m_dims[0] || column >= m_dims[1] || index >= m_items.size())
    ThrowIndexOutOfBounds();
  return m_items[index];
}

const Variant& VariantArray::At(std::size_t row, std::size_t column) const {
  const std::size_t index = row * m_dims[1] + column;
  if (m_dimensions != 2 || row >= m_dims[0] || column >= m_dims[1] || index >= m_items.size())
    ThrowIndexOutOfBounds();
  return m_items[index];
}

void VariantArray::Append(Variant value) {
  if (m_dimensions != 1) throw EVariantError("Only a one-dimensional variant array can grow");
  m_items.push_back(std::move(value));
}

bool operator==(const VariantArray& a, const VariantArray& b) {
  return a.m_dimensions == b.m_dimensions && a.Count(1) == b.Count(1) &&
         a.Count(2) == b.Count(2) && a.m_items == b.m_items;
}

}  // namespace halbrin::platform
