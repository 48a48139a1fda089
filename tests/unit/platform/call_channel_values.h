#pragma once

// Values of every kind for the channel's marshalling tests, and a strict comparison.

#include <gtest/gtest.h>

#include <bit>
#include <limits>
#include <string>
#include <vector>

#include "platform/variant/variant.h"

namespace halbrin::platform::channel_testing {

// Same kind and same value, bit for bit for floating kinds (so NaN and -0 count).
inline ::testing::AssertionResult SameVariant(const Variant& a, const Variant& b) {
  if (a.Type() != b.Type())
    return ::testing::AssertionFailure() << "type " << a.TypeName() << " vs " << b.TypeName();
  switch (a.Type()) {
    case VarType::R4:
    case VarType::R8:
    case VarType::Date:
      if (std::bit_cast<std::uint64_t>(a.AsDouble()) != std::bit_cast<std::uint64_t>(b.AsDouble()))
        return ::testing::AssertionFailure() << a.AsDouble() << " vs " << b.AsDouble();
      return ::testing::AssertionSuccess();
    case VarType::Array: {
      const VariantArray& x = a.AsArray();
      const VariantArray& y = b.AsArray();
      if (x.Dimensions() != y.Dimensions() || x.Count(1) != y.Count(1) || x.Count(2) != y.Count(2))
        return ::testing::AssertionFailure() << "array shape differs";
      for (std::size_t i = 0; i < x.Size(); ++i) {
        auto same = SameVariant(x.Items()[i], y.Items()[i]);
        if (!same) return same << " at element " << i;
      }
      return ::testing::AssertionSuccess();
    }
    default:
      if (a == b) return ::testing::AssertionSuccess();
      return ::testing::AssertionFailure() << "values differ";
  }
}

// One value of every kind, with the edges of each range.
struct KindRow {
  const char* what;
  Variant value;
};

inline std::vector<KindRow> EveryKind() {
  VariantArray nested(std::vector<Variant>{Variant(2), Variant::Null()});
  VariantArray list(std::vector<Variant>{Variant(1), Variant("x"), Variant(std::move(nested))});
  VariantArray grid(2, 3);
  for (std::size_t i = 0; i < grid.Size(); ++i) grid.Items()[i] = Variant(static_cast<int>(i) * 10);
  grid.At(1, 2) = Variant(VariantArray(std::vector<Variant>{Variant(true)}));
  return {
      {"Empty", Variant()},
      {"Null", Variant::Null()},
      {"I1 low", Variant::OfInteger(VarType::I1, -128)},
      {"I2 low", Variant::OfInteger(VarType::I2, -32768)},
      {"I4 low", Variant(std::numeric_limits<std::int32_t>::min())},
      {"I4 small", Variant(1)},
      {"I8 low", Variant(std::numeric_limits<std::int64_t>::min())},
      {"I8 high", Variant(std::numeric_limits<std::int64_t>::max())},
      {"UI1 high", Variant::OfInteger(VarType::UI1, 255)},
      {"UI2 high", Variant::OfInteger(VarType::UI2, 65535)},
      {"UI4 high", Variant::OfInteger(VarType::UI4, 4294967295LL)},
      {"R4", Variant::Single(1.5f)},
      {"R4 negative zero", Variant::Single(-0.0f)},
      {"R8", Variant(0.1)},
      {"R8 NaN", Variant(std::numeric_limits<double>::quiet_NaN())},
      {"R8 -Inf", Variant(-std::numeric_limits<double>::infinity())},
      {"R8 denormal", Variant(std::numeric_limits<double>::denorm_min())},
      {"Currency low", Variant::Currency(std::numeric_limits<std::int64_t>::min())},
      {"Currency", Variant::Currency(12345678)},
      {"Date", Variant::Date(45000.25)},
      {"Date before 1899", Variant::Date(-700.5)},
      {"String empty", Variant("")},
      {"String", Variant(std::string("Gr\xC3\xBC\xC3\x9F" "e\0tail", 11))},
      {"Boolean true", Variant(true)},
      {"Boolean false", Variant(false)},
      {"Error", Variant::Error(static_cast<std::int32_t>(0x80020004))},
      {"Dispatch holding nothing", Variant(RefPtr<IDispatchObject>())},
      {"Unknown holding nothing", Variant::Unknown({})},
      {"Array empty", Variant(VariantArray())},
      {"Array nested", Variant(std::move(list))},
      {"Array two dimensions", Variant(std::move(grid))},
      {"Array 0 x 4", Variant(VariantArray(0, 4))},
  };
}

}  // namespace halbrin::platform::channel_testing
