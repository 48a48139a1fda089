#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/automation/dispatch_object.h"
#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {
namespace {

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
const double kNan = std::nan("");
constexpr double kInf = std::numeric_limits<double>::infinity();

// A dispatch object that reports its own destruction.
class TestObject : public IDispatchObject {
 public:
  explicit TestObject(bool* destroyed = nullptr) : m_destroyed(destroyed) {}
  ~TestObject() override {
    if (m_destroyed) *m_destroyed = true;
  }
  HResult GetIDsOfNames(std::span<const std::string>, std::span<DispId>) override { return 0; }
  HResult Invoke(DispId, std::uint16_t, DispParams&, Variant*, ExcepInfo*) override { return 0; }

 private:
  bool* m_destroyed;
};

class PlainObject : public RefCounted {};

std::string Describe(const Variant& value) {
  std::string text;
  try {
    text = value.ToText();
  } catch (const Exception&) {
    text = "...";
  }
  return std::string(value.TypeName()) + "(" + text + ")";
}

std::string CannotConvert(const char* from, const char* to) {
  return std::string("Could not convert variant of type (") + from + ") into type (" + to + ")";
}

// The EVariantError message of `action`, or "" when it does not raise.
template <class F>
std::string VariantErrorOf(F&& action) {
  try {
    action();
  } catch (const EVariantError& error) {
    return error.what();
  }
  return {};
}

Variant Array(std::vector<Variant> items) { return Variant(VariantArray(std::move(items))); }

// The values every conversion table is run over that are no plain numbers.
struct ObjectValues {
  RefPtr<TestObject> object = MakeRef<TestObject>();
  Variant dispatch{object};
  Variant unknown = Variant::Unknown(MakeRef<PlainObject>());
  Variant error = Variant::Error(-2147352572);
  Variant array = Array({1, "a"});
};

// ---- kinds and names --------------------------------------------------------

TEST(VariantKinds, TypeNames) {
  const std::vector<std::pair<VarType, const char*>> rows = {
      {VarType::Empty, "Empty"},      {VarType::Null, "Null"},       {VarType::I2, "Smallint"},
      {VarType::I4, "Integer"},       {VarType::R4, "Single"},       {VarType::R8, "Double"},
      {VarType::Currency, "Currency"}, {VarType::Date, "Date"},      {VarType::String, "OleStr"},
      {VarType::Dispatch, "Dispatch"}, {VarType::Error, "Error"},    {VarType::Boolean, "Boolean"},
      {VarType::Variant, "Variant"},  {VarType::Unknown, "Unknown"}, {VarType::I1, "ShortInt"},
      {VarType::UI1, "Byte"},         {VarType::UI2, "Word"},        {VarType::UI4, "LongWord"},
      {VarType::I8, "Int64"},         {VarType::Array, "Array"},
  };
  for (const auto& [type, name] : rows) EXPECT_EQ(VarTypeName(type), name);
}

TEST(VariantKinds, ConstructorsPickTheKind) {
  EXPECT_EQ(Variant().Type(), VarType::Empty);
  EXPECT_EQ(Variant::Null().Type(), VarType::Null);
  EXPECT_EQ(Variant(true).Type(), VarType::Boolean);
  EXPECT_EQ(Variant(7).Type(), VarType::I4);
  EXPECT_EQ(Variant(std::int64_t{7}).Type(), VarType::I8);
  EXPECT_EQ(Variant(7.0).Type(), VarType::R8);
  EXPECT_EQ(Variant("x").Type(), VarType::String);
  EXPECT_EQ(Variant(std::string("x")).Type(), VarType::String);
  EXPECT_EQ(Variant(std::string_view("x")).Type(), VarType::String);
  EXPECT_EQ(Variant(static_cast<const char*>(nullptr)).AsString(), "");
  EXPECT_EQ(Variant(MakeRef<TestObject>()).Type(), VarType::Dispatch);
  EXPECT_EQ(Variant(RefPtr<IDispatchObject>()).Type(), VarType::Dispatch);
  EXPECT_EQ(Variant(VariantArray(2)).Type(), VarType::Array);
  // A raw pointer must not turn into a Boolean; a RefPtr to a derived object converts implicitly.
  static_assert(!std::is_constructible_v<Variant, TestObject*>);
  static_assert(!std::is_constructible_v<Variant, const int*>);
  static_assert(std::is_convertible_v<RefPtr<TestObject>, Variant>);
}

TEST(VariantKinds, Predicates) {
  ObjectValues objects;
  struct Row {
    Variant value;
    bool ordinal, integer, numeric;
  };
  const std::vector<Row> rows = {
      {Variant(), false, false, false},
      {Variant::Null(), false, false, false},
      {Variant(true), true, false, false},
      {Variant::OfInteger(VarType::UI1, 1), true, true, true},
      {Variant(std::int64_t{1}), true, true, true},
      {Variant(1.0), false, false, true},
      {Variant::Single(1), false, false, true},
      {Variant::Currency(1), false, false, true},
      {Variant::Date(1), false, false, false},
      {Variant("1"), false, false, false},
      {objects.dispatch, false, false, false},
      {objects.error, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    EXPECT_EQ(row.value.IsOrdinal(), row.ordinal);
    EXPECT_EQ(row.value.IsInteger(), row.integer);
    EXPECT_EQ(row.value.IsNumeric(), row.numeric);
  }
  EXPECT_TRUE(Variant().IsEmptyOrNull());
  EXPECT_TRUE(Variant::Null().IsEmptyOrNull());
  EXPECT_FALSE(Variant("").IsEmptyOrNull());
}

TEST(VariantKinds, OfIntegerWrapsToTheKindsWidth) {
  struct Row {
    VarType type;
    std::int64_t input;
    std::int64_t held;
  };
  const std::vector<Row> rows = {
      {VarType::UI1, 300, 44},       {VarType::UI1, -1, 255},
      {VarType::UI1, 255, 255},      {VarType::I1, 200, -56},
      {VarType::I1, -129, 127},      {VarType::I2, 40000, -25536},
      {VarType::UI2, -1, 65535},     {VarType::UI2, 65536, 0},
      {VarType::I4, 2147483648LL, -2147483648LL},
      {VarType::UI4, -1, 4294967295LL},
      {VarType::UI4, 4294967296LL + 5, 5},
      {VarType::I8, kInt64Min, kInt64Min},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << VarTypeName(row.type) << " " << row.input);
    const Variant value = Variant::OfInteger(row.type, row.input);
    EXPECT_EQ(value.Type(), row.type);
    EXPECT_EQ(value.AsInt64(), row.held);
    EXPECT_EQ(value.ToInt64(), row.held);
  }
  EXPECT_EQ(VariantErrorOf([] { Variant::OfInteger(VarType::R8, 1); }),
            CannotConvert("Int64", "Double"));
  EXPECT_EQ(VariantErrorOf([] { Variant::OfInteger(VarType::Boolean, 1); }),
            CannotConvert("Int64", "Boolean"));
}

TEST(VariantKinds, SingleIsRoundedToFloat) {
  const Variant single = Variant::Single(0.1f);
  EXPECT_EQ(single.AsDouble(), static_cast<double>(0.1f));
  EXPECT_NE(single.ToDouble(), 0.1);
  EXPECT_EQ(Variant(0.1).ChangeType(VarType::R4).AsDouble(), static_cast<double>(0.1f));
}

// ---- ToText -------------------------------------------------------------------

TEST(VariantToText, EveryKind) {
  ObjectValues objects;
  struct Row {
    Variant value;
    const char* text;
  };
  const std::vector<Row> rows = {
      {Variant(), ""},
      {Variant::Null(), ""},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(42), "42"},
      {Variant(-7), "-7"},
      {Variant::OfInteger(VarType::I1, -128), "-128"},
      {Variant::OfInteger(VarType::UI4, -1), "4294967295"},
      {Variant(kInt64Min), "-9223372036854775808"},
      {Variant(1.5), "1.5"},
      {Variant(0.1), "0.1"},
      {Variant(1e21), "1e+21"},
      {Variant(-0.000001), "-0.000001"},
      {Variant(kNan), "NAN"},
      {Variant(-kInf), "-INF"},
      {Variant::Single(0.1f), "0.1"},
      {Variant::Single(1.0f / 3.0f), "0.33333334"},
      {Variant::Currency(125000), "12.5"},
      {Variant::Currency(-1), "-0.0001"},
      {Variant::Currency(30000), "3"},
      {Variant::Currency(0), "0"},
      {Variant::Currency(-5000), "-0.5"},
      {Variant::Currency(10203), "1.0203"},
      {Variant::Currency(kInt64Max), "922337203685477.5807"},
      {Variant::Currency(kInt64Min), "-922337203685477.5808"},
      {Variant::Date(0), "30.12.1899 00:00:00"},
      {Variant::Date(-1.25), "29.12.1899 06:00:00"},
      {Variant::Date(EncodeOleDate(2024, 2, 29, 13, 5, 59)), "29.02.2024 13:05:59"},
      {Variant("abc"), "abc"},
      {Variant(""), ""},
      {Variant(" 1 "), " 1 "},
      {objects.dispatch, "[object]"},
      {Variant(RefPtr<IDispatchObject>()), "[object]"},
      {objects.unknown, "[object]"},
      {objects.error, "[error]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.value.ToText(), row.text);
  }
}

TEST(VariantToText, ArraysAndImpossibleDatesRaise) {
  ObjectValues objects;
  EXPECT_EQ(VariantErrorOf([&] { objects.array.ToText(); }), CannotConvert("Array", "OleStr"));
  for (double date : {kNan, kInf, 1e12}) {
    SCOPED_TRACE(date);
    EXPECT_EQ(VariantErrorOf([&] { Variant::Date(date).ToText(); }),
              CannotConvert("Date", "OleStr"));
  }
}

// ---- integer conversions -----------------------------------------------------------

struct IntegerRow {
  Variant value;
  std::int64_t expected;
  const char* fromName = nullptr;  // set when the conversion must fail
};

TEST(VariantToInt, Table) {
  ObjectValues objects;
  const std::vector<IntegerRow> rows = {
      {Variant(), 0},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant(123), 123},
      {Variant::OfInteger(VarType::UI4, 0x7fffffff), 0x7fffffff},
      {Variant(std::int64_t{INT32_MIN}), INT32_MIN},
      {Variant(2.5), 2},
      {Variant(3.5), 4},
      {Variant(-2.5), -2},
      {Variant(-3.5), -4},
      {Variant(0.5), 0},
      {Variant(1.5), 2},
      {Variant(2.4999999), 2},
      {Variant(2.5000001), 3},
      {Variant(-0.4), 0},
      {Variant(2147483647.4), 2147483647},
      {Variant::Single(2.5f), 2},
      {Variant::Currency(25000), 2},
      {Variant::Currency(35000), 4},
      {Variant::Currency(-25000), -2},
      {Variant::Currency(-35000), -4},
      {Variant::Currency(25001), 3},
      {Variant::Currency(-15000), -2},
      {Variant::Currency(4999), 0},
      {Variant::Date(1.5), 2},
      {Variant::Date(-1.75), -2},
      {Variant("42"), 42},
      {Variant(" -7 "), -7},
      {Variant("$FF"), 255},
      {Variant("0x10"), 16},
      {Variant("2.5"), 2},
      {Variant("3.5"), 4},
      {Variant("1e3"), 1000},
      {Variant("2147483647"), 2147483647},
      // failures
      {Variant::Null(), 0, "Null"},
      {Variant(""), 0, "OleStr"},
      {Variant("abc"), 0, "OleStr"},
      {Variant("1,5"), 0, "OleStr"},
      {Variant("NAN"), 0, "OleStr"},
      {Variant("2147483648"), 0, "OleStr"},
      {Variant("3000000000.0"), 0, "OleStr"},
      {Variant(std::int64_t{2147483648LL}), 0, "Int64"},
      {Variant(std::int64_t{INT32_MIN} - 1), 0, "Int64"},
      {Variant::OfInteger(VarType::UI4, -1), 0, "LongWord"},
      {Variant(2147483647.5), 0, "Double"},  // rounds to 2^31
      {Variant(-2147483648.5), -2147483648LL},
      {Variant(-2147483649.5), 0, "Double"},
      {Variant(kNan), 0, "Double"},
      {Variant(kInf), 0, "Double"},
      {Variant::Single(3e9f), 0, "Single"},
      {Variant::Currency(kInt64Max), 0, "Currency"},
      {Variant::Date(1e10), 0, "Date"},
      {objects.dispatch, 0, "Dispatch"},
      {objects.unknown, 0, "Unknown"},
      {objects.error, 0, "Error"},
      {objects.array, 0, "Array"},
  };
  for (const IntegerRow& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    if (row.fromName) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ToInt(); }), CannotConvert(row.fromName, "Integer"));
    } else {
      std::int32_t value = 0;
      EXPECT_EQ(VariantErrorOf([&] { value = row.value.ToInt(); }), "");
      EXPECT_EQ(value, row.expected);
    }
  }
}

TEST(VariantToInt64, Table) {
  ObjectValues objects;
  const std::vector<IntegerRow> rows = {
      {Variant(kInt64Max), kInt64Max},
      {Variant(kInt64Min), kInt64Min},
      {Variant::OfInteger(VarType::UI4, -1), 4294967295LL},
      {Variant(true), -1},
      {Variant(), 0},
      // 64-bit texts are read as integers, not through a double.
      {Variant("9223372036854775807"), kInt64Max},
      {Variant("-9223372036854775808"), kInt64Min},
      {Variant("9007199254740993"), 9007199254740993LL},
      {Variant(-9223372036854775808.0), kInt64Min},
      {Variant(9007199254740993.0), 9007199254740992LL},
      {Variant(4.5), 4},
      {Variant(5.5), 6},
      {Variant::Currency(kInt64Max), 922337203685478LL},
      {Variant::Currency(kInt64Min), -922337203685478LL},
      {Variant::Currency(-5000), 0},
      {Variant::Currency(-15001), -2},
      {Variant(" 1e18 "), 1000000000000000000LL},
      // failures
      {Variant(9223372036854775808.0), 0, "Double"},
      {Variant(-9223372036854777856.0), 0, "Double"},
      {Variant(-kInf), 0, "Double"},
      {Variant("9223372036854775808"), 0, "OleStr"},
      {Variant("1e19"), 0, "OleStr"},
      {Variant("INF"), 0, "OleStr"},
      {Variant("12 apples"), 0, "OleStr"},
      {Variant::Null(), 0, "Null"},
      {objects.dispatch, 0, "Dispatch"},
      {objects.error, 0, "Error"},
      {objects.array, 0, "Array"},
  };
  for (const IntegerRow& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    if (row.fromName) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ToInt64(); }), CannotConvert(row.fromName, "Int64"));
    } else {
      std::int64_t value = 0;
      EXPECT_EQ(VariantErrorOf([&] { value = row.value.ToInt64(); }), "");
      EXPECT_EQ(value, row.expected);
    }
  }
}

// ---- double, Boolean, date -------------------------------------------------------------

TEST(VariantToDouble, Table) {
  ObjectValues objects;
  struct Row {
    Variant value;
    double expected;
    const char* fromName = nullptr;
  };
  const std::vector<Row> rows = {
      {Variant(), 0},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant(3), 3},
      {Variant(kInt64Max), 9223372036854775808.0},
      {Variant::OfInteger(VarType::UI4, -1), 4294967295.0},
      {Variant(0.1), 0.1},
      {Variant::Single(0.1f), static_cast<double>(0.1f)},
      {Variant::Currency(125000), 12.5},
      {Variant::Currency(1), 0.0001},
      {Variant::Date(-1.25), -1.25},
      {Variant("1.5"), 1.5},
      {Variant(" -2e3 "), -2000},
      {Variant("$10"), 16},
      {Variant("0.1"), 0.1},
      {Variant("INF"), kInf},
      {Variant::Null(), 0, "Null"},
      {Variant(""), 0, "OleStr"},
      {Variant("1,5"), 0, "OleStr"},
      {Variant("abc"), 0, "OleStr"},
      {Variant("1.1.2000"), 0, "OleStr"},
      {objects.dispatch, 0, "Dispatch"},
      {objects.unknown, 0, "Unknown"},
      {objects.error, 0, "Error"},
      {objects.array, 0, "Array"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    if (row.fromName) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ToDouble(); }), CannotConvert(row.fromName, "Double"));
    } else {
      double value = 0;
      EXPECT_EQ(VariantErrorOf([&] { value = row.value.ToDouble(); }), "");
      EXPECT_EQ(value, row.expected);
    }
  }
  EXPECT_TRUE(std::isnan(Variant("nan").ToDouble()));
}

TEST(VariantToBool, Table) {
  ObjectValues objects;
  struct Row {
    Variant value;
    bool expected;
    const char* fromName = nullptr;
  };
  const std::vector<Row> rows = {
      {Variant(true), true},
      {Variant(false), false},
      {Variant(), false},
      {Variant(0), false},
      {Variant(5), true},
      {Variant(-1), true},
      {Variant::OfInteger(VarType::UI1, 256), false},
      {Variant(0.0), false},
      {Variant(0.5), true},
      {Variant(-0.0), false},
      {Variant::Single(0.001f), true},
      {Variant::Currency(0), false},
      {Variant::Currency(1), true},
      {Variant::Date(0), false},
      {Variant::Date(0.5), true},
      {Variant("true"), true},
      {Variant(" TRUE "), true},
      {Variant("tRuE"), true},
      {Variant("False"), false},
      {Variant("\tfalse\n"), false},
      {Variant("0"), false},
      {Variant("1"), true},
      {Variant("-1"), true},
      {Variant("0.0"), false},
      {Variant("-0.5"), true},
      {Variant("$0"), false},
      {Variant("1e-300"), true},
      {Variant::Null(), false, "Null"},
      {Variant(""), false, "OleStr"},
      {Variant("yes"), false, "OleStr"},
      {Variant("truex"), false, "OleStr"},
      {Variant("t"), false, "OleStr"},
      {Variant("True False"), false, "OleStr"},
      {objects.dispatch, false, "Dispatch"},
      {objects.unknown, false, "Unknown"},
      {objects.error, false, "Error"},
      {objects.array, false, "Array"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    if (row.fromName) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ToBool(); }), CannotConvert(row.fromName, "Boolean"));
    } else {
      bool value = !row.expected;
      EXPECT_EQ(VariantErrorOf([&] { value = row.value.ToBool(); }), "");
      EXPECT_EQ(value, row.expected);
    }
  }
}

TEST(VariantToDate, Table) {
  ObjectValues objects;
  struct Row {
    Variant value;
    double expected;
    const char* fromName = nullptr;
  };
  const std::vector<Row> rows = {
      {Variant::Date(-1.25), -1.25},
      {Variant(), 0},
      {Variant(2), 2},
      {Variant(1.25), 1.25},
      {Variant::Currency(15000), 1.5},
      {Variant::Single(0.5f), 0.5},
      {Variant("31.12.1899 12:00"), 1.5},
      {Variant("1.1.2000"), 36526},
      {Variant(" 12:00 "), 0.5},
      {Variant("29.12.1899 06:00:00"), -1.25},
      // Not a date text: read as a number.
      {Variant("2.5"), 2.5},
      {Variant("36526"), 36526},
      {Variant("-1.25"), -1.25},
      {Variant::Null(), 0, "Null"},
      {Variant(true), 0, "Boolean"},
      {Variant("31.02.2024"), 0, "OleStr"},
      {Variant("abc"), 0, "OleStr"},
      {Variant("NAN"), 0, "OleStr"},
      {Variant(""), 0, "OleStr"},
      {objects.dispatch, 0, "Dispatch"},
      {objects.error, 0, "Error"},
      {objects.array, 0, "Array"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Describe(row.value));
    if (row.fromName) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ToDate(); }), CannotConvert(row.fromName, "Date"));
    } else {
      double value = -999;
      EXPECT_EQ(VariantErrorOf([&] { value = row.value.ToDate(); }), "");
      EXPECT_EQ(value, row.expected);
    }
  }
}

TEST(VariantToDate, TextRoundTrip) {
  for (double date : {0.0, -1.25, 1.5, EncodeOleDate(2024, 2, 29, 23, 59, 59),
                      EncodeOleDate(1, 1, 1, 0, 0, 1), EncodeOleDate(9999, 12, 31, 23, 59, 59)}) {
    const Variant text(Variant::Date(date).ToText());
    SCOPED_TRACE(text.AsString());
    EXPECT_EQ(text.ToDate(), date);
    EXPECT_EQ(text.ChangeType(VarType::Date), Variant::Date(date));
  }
}

// ---- dispatch --------------------------------------------------------------------------

TEST(VariantToDispatch, Kinds) {
  ObjectValues objects;
  EXPECT_EQ(objects.dispatch.ToDispatch().Get(), objects.object.Get());
  EXPECT_EQ(objects.dispatch.AsDispatch(), objects.object.Get());
  EXPECT_FALSE(Variant().ToDispatch());
  EXPECT_FALSE(Variant::Null().ToDispatch());
  EXPECT_FALSE(Variant(RefPtr<IDispatchObject>()).ToDispatch());
  struct Row {
    Variant value;
    const char* fromName;
  };
  const std::vector<Row> rows = {
      {objects.unknown, "Unknown"}, {Variant(0), "Integer"},   {Variant(""), "OleStr"},
      {Variant(false), "Boolean"},  {objects.error, "Error"},  {objects.array, "Array"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fromName);
    EXPECT_EQ(VariantErrorOf([&] { row.value.ToDispatch(); }),
              CannotConvert(row.fromName, "Dispatch"));
  }
}

// ---- ChangeType --------------------------------------------------------------------------

TEST(VariantChangeType, Table) {
  ObjectValues objects;
  struct Row {
    Variant value;
    VarType target;
    Variant expected;             // compared by kind and value
    const char* error = nullptr;  // the message's source type name
  };
  const std::vector<Row> rows = {
      {Variant(255), VarType::UI1, Variant::OfInteger(VarType::UI1, 255)},
      {Variant(300), VarType::UI1, {}, "Integer"},
      {Variant(-1), VarType::UI1, {}, "Integer"},
      {Variant(-128), VarType::I1, Variant::OfInteger(VarType::I1, -128)},
      {Variant(128), VarType::I1, {}, "Integer"},
      {Variant(-32768), VarType::I2, Variant::OfInteger(VarType::I2, -32768)},
      {Variant(32768), VarType::I2, {}, "Integer"},
      {Variant(65535), VarType::UI2, Variant::OfInteger(VarType::UI2, 65535)},
      {Variant(65536), VarType::UI2, {}, "Integer"},
      {Variant(std::int64_t{4294967295LL}), VarType::UI4, Variant::OfInteger(VarType::UI4, -1)},
      {Variant(-1), VarType::UI4, {}, "Integer"},
      {Variant(std::int64_t{4294967296LL}), VarType::UI4, {}, "Int64"},
      {Variant(std::int64_t{1} << 31), VarType::I4, {}, "Int64"},
      {Variant(kInt64Min), VarType::I8, Variant(kInt64Min)},
      {Variant("12"), VarType::I2, Variant::OfInteger(VarType::I2, 12)},
      {Variant(true), VarType::I2, Variant::OfInteger(VarType::I2, -1)},
      {Variant(true), VarType::UI1, {}, "Boolean"},
      {Variant(254.5), VarType::UI1, Variant::OfInteger(VarType::UI1, 254)},
      {Variant(255.5), VarType::UI1, {}, "Double"},  // rounds to 256
      {Variant(32767.5), VarType::I2, {}, "Double"},
      {Variant::Null(), VarType::I4, {}, "Null"},
      {Variant(), VarType::I4, Variant(0)},
      {Variant(1.5), VarType::Currency, Variant::Currency(15000)},
      {Variant("12.345"), VarType::Currency, Variant::Currency(123450)},
      {Variant("-0.00016"), VarType::Currency, Variant::Currency(-2)},
      {Variant(1), VarType::Currency, Variant::Currency(10000)},
      {Variant(true), VarType::Currency, Variant::Currency(-10000)},
      {Variant(kInt64Max), VarType::Currency, {}, "Int64"},
      {Variant(1e300), VarType::Currency, {}, "Double"},
      {Variant("x"), VarType::Currency, {}, "OleStr"},
      {Variant(0.1), VarType::R4, Variant::Single(0.1f)},
      {Variant("0.1"), VarType::R4, Variant::Single(0.1f)},
      {Variant(1e300), VarType::R4, {}, "Double"},
      {Variant(kInf), VarType::R4, Variant::Single(std::numeric_limits<float>::infinity())},
      {Variant(7), VarType::R8, Variant(7.0)},
      {Variant::Currency(5), VarType::R8, Variant(0.0005)},
      {Variant(objects.error), VarType::R8, {}, "Error"},
      {Variant(42), VarType::String, Variant("42")},
      {Variant(true), VarType::String, Variant("True")},
      {Variant::Null(), VarType::String, Variant("")},
      {Variant::Currency(-1), VarType::String, Variant("-0.0001")},
      {objects.array, VarType::String, {}, "Array"},
      {Variant("1.1.2000"), VarType::Date, Variant::Date(36526)},
      {Variant(2), VarType::Date, Variant::Date(2)},
      {Variant("x"), VarType::Date, {}, "OleStr"},
      {Variant(1), VarType::Boolean, Variant(true)},
      {Variant(" false "), VarType::Boolean, Variant(false)},
      {Variant("x"), VarType::Boolean, {}, "OleStr"},
      {Variant(42), VarType::Empty, Variant()},
      {objects.array, VarType::Empty, Variant()},
      {Variant("x"), VarType::Null, Variant::Null()},
      {Variant(), VarType::Null, Variant::Null()},
      {Variant::OfInteger(VarType::UI2, 5), VarType::Variant, Variant::OfInteger(VarType::UI2, 5)},
      {objects.array, VarType::Variant, objects.array},
      {objects.array, VarType::Array, objects.array},
      {Variant(1), VarType::Array, {}, "Integer"},
      {Variant(), VarType::Array, {}, "Empty"},
      {objects.dispatch, VarType::Dispatch, objects.dispatch},
      {Variant(), VarType::Dispatch, Variant(RefPtr<IDispatchObject>())},
      {Variant(1), VarType::Dispatch, {}, "Integer"},
      {objects.unknown, VarType::Dispatch, {}, "Unknown"},
      {objects.error, VarType::Error, objects.error},
      {Variant(1), VarType::Error, {}, "Integer"},
      {Variant(1), static_cast<VarType>(99), {}, "Integer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << Describe(row.value) << " to " << VarTypeName(row.target));
    if (row.error) {
      EXPECT_EQ(VariantErrorOf([&] { row.value.ChangeType(row.target); }),
                CannotConvert(row.error, std::string(VarTypeName(row.target)).c_str()));
      continue;
    }
    Variant result;
    ASSERT_EQ(VariantErrorOf([&] { result = row.value.ChangeType(row.target); }), "");
    EXPECT_EQ(result.Type(), row.expected.Type());
    EXPECT_EQ(result, row.expected) << Describe(result);
  }
}

TEST(VariantChangeType, ObjectsKeepTheirIdentity) {
  ObjectValues objects;
  const Variant unknown = objects.dispatch.ChangeType(VarType::Unknown);
  EXPECT_EQ(unknown.Type(), VarType::Unknown);
  EXPECT_EQ(unknown.AsUnknown(), objects.object.Get());
  EXPECT_EQ(objects.dispatch.ChangeType(VarType::Variant).AsDispatch(), objects.object.Get());
  EXPECT_EQ(Variant::Null().ChangeType(VarType::Unknown).AsUnknown(), nullptr);
  // Changing an array to Variant copies it: the result does not alias the source.
  Variant changed = objects.array.ChangeType(VarType::Array);
  changed.AsArray().At(0) = "changed";
  EXPECT_EQ(objects.array.AsArray().At(0), Variant(1));
}

// ---- equality ---------------------------------------------------------------------------

TEST(VariantEquality, Table) {
  ObjectValues objects;
  const RefPtr<TestObject> other = MakeRef<TestObject>();
  VariantArray grid(2, 2);
  grid.Items() = {1, 2, 3, 4};
  struct Row {
    Variant a;
    Variant b;
    bool equal;
  };
  const std::vector<Row> rows = {
      {Variant(true), Variant(-1), true},
      {Variant(true), Variant(1), false},
      {Variant(false), Variant(0), true},
      {Variant(true), Variant(true), true},
      {Variant(true), Variant(false), false},
      {Variant(true), Variant::OfInteger(VarType::UI1, 255), false},
      {Variant::OfInteger(VarType::UI1, 5), Variant(5), true},
      {Variant(std::int64_t{5}), Variant(5), true},
      {Variant::OfInteger(VarType::UI4, -1), Variant(-1), false},
      {Variant(1), Variant(1.0), true},
      {Variant(1), Variant(1.5), false},
      {Variant(1), Variant::Single(1.0f), true},
      {Variant(1.5), Variant::Currency(15000), true},
      {Variant(2), Variant::Currency(20000), true},
      {Variant(2), Variant::Currency(20001), false},
      {Variant(0.1), Variant::Currency(1000), true},
      {Variant::Currency(7), Variant::Currency(7), true},
      {Variant(kInt64Max), Variant::Currency(1), false},
      {Variant::Date(2), Variant(2), true},
      {Variant::Date(2), Variant(2.0), true},
      {Variant::Date(-1.25), Variant::Date(-1.25), true},
      {Variant::Single(0.1f), Variant(0.1), false},
      {Variant::Single(0.5f), Variant(0.5), true},
      // int64 max becomes 2^63 as a double; strict equality must not round.
      {Variant(kInt64Max), Variant(9223372036854775808.0), false},
      {Variant(std::int64_t{1} << 53), Variant(9007199254740992.0), true},
      {Variant((std::int64_t{1} << 53) + 1), Variant(9007199254740992.0), false},
      {Variant(kNan), Variant(kNan), false},
      {Variant(0.0), Variant(-0.0), true},
      {Variant("a"), Variant("a"), true},
      {Variant("a"), Variant("A"), false},
      {Variant("a"), Variant("a "), false},
      {Variant(""), Variant(), false},
      {Variant(""), Variant::Null(), false},
      {Variant(), Variant(), true},
      {Variant::Null(), Variant::Null(), true},
      {Variant(), Variant::Null(), false},
      {Variant(), Variant(0), false},
      {Variant(), Variant(false), false},
      {Variant::Null(), Variant(0), false},
      {Variant("1"), Variant(1), false},
      {Variant("True"), Variant(true), false},
      {objects.dispatch, Variant(objects.object), true},
      {objects.dispatch, Variant(other), false},
      {objects.dispatch, Variant(RefPtr<IDispatchObject>()), false},
      {objects.dispatch, objects.dispatch.ChangeType(VarType::Unknown), true},
      {objects.unknown, objects.unknown, true},
      {objects.unknown, Variant::Unknown(MakeRef<PlainObject>()), false},
      {objects.error, Variant::Error(-2147352572), true},
      {objects.error, Variant::Error(0), false},
      {objects.error, Variant(-2147352572), false},
      {Array({1, "a"}), Array({1, "a"}), true},
      {Array({1, "a"}), Array({1.0, "a"}), true},
      {Array({1, "a"}), Array({1, "A"}), false},
      {Array({1, "a"}), Array({1}), false},
      {Array({}), Array({}), true},
      {Array({Array({1})}), Array({Array({1})}), true},
      {Array({Array({1})}), Array({Array({2})}), false},
      {Variant(grid), Variant(grid), true},
      {Variant(grid), Array({1, 2, 3, 4}), false},
      {Variant(VariantArray(1, 4)), Variant(VariantArray(4, 1)), false},
      {Variant(VariantArray(1, 4)), Variant(VariantArray(4)), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << Describe(row.a) << " vs " << Describe(row.b));
    EXPECT_EQ(row.a == row.b, row.equal);
    EXPECT_EQ(row.b == row.a, row.equal);
    EXPECT_EQ(row.a != row.b, !row.equal);
  }
}

// ---- copy semantics ------------------------------------------------------------------------

TEST(VariantCopy, DispatchIsShared) {
  bool destroyed = false;
  RefPtr<TestObject> object = MakeRef<TestObject>(&destroyed);
  ASSERT_EQ(object->RefCount(), 1u);
  {
    Variant first(object);
    EXPECT_EQ(object->RefCount(), 2u);
    Variant copy = first;
    EXPECT_EQ(object->RefCount(), 3u);
    EXPECT_EQ(copy.AsDispatch(), object.Get());
    Variant moved = std::move(first);
    EXPECT_EQ(object->RefCount(), 3u);
    EXPECT_TRUE(first.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is Empty
    copy = Variant(1);
    EXPECT_EQ(object->RefCount(), 2u);
    {
      Variant inArray = Array({moved, moved});
      EXPECT_EQ(object->RefCount(), 4u);
      Variant arrayCopy = inArray;
      EXPECT_EQ(object->RefCount(), 6u);
    }
    EXPECT_EQ(object->RefCount(), 2u);
  }
  EXPECT_EQ(object->RefCount(), 1u);
  object.Reset();
  EXPECT_TRUE(destroyed);
}

TEST(VariantCopy, VariantKeepsTheObjectAlive) {
  bool destroyed = false;
  Variant value(MakeRef<TestObject>(&destroyed));
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(value.AsDispatch()->RefCount(), 1u);
  value = Variant();
  EXPECT_TRUE(destroyed);
}

TEST(VariantCopy, ArrayIsCopiedDeeply) {
  Variant original = Array({1, Array({"inner"})});
  Variant copy = original;
  copy.AsArray().At(0) = "changed";
  copy.AsArray().At(1).AsArray().At(0) = "changed too";
  copy.AsArray().Append(3);
  EXPECT_EQ(original, Array({1, Array({"inner"})}));
  EXPECT_EQ(copy, Array({"changed", Array({"changed too"}), 3}));
  EXPECT_NE(&original.AsArray(), &copy.AsArray());

  Variant assigned("text");
  assigned = original;
  assigned.AsArray().At(0) = 2;
  EXPECT_EQ(original.AsArray().At(0), Variant(1));
}

TEST(VariantCopy, StringIsCopied) {
  Variant original("abc");
  Variant copy = original;
  EXPECT_EQ(copy.AsString(), "abc");
  EXPECT_NE(copy.AsString().data(), original.AsString().data());
}

TEST(VariantCopy, MovedFromIsEmpty) {
  for (Variant value : {Variant("text"), Array({1, 2}), Variant(5), Variant::Null()}) {
    SCOPED_TRACE(Describe(value));
    const Variant expected = value;
    Variant target(std::move(value));
    EXPECT_TRUE(value.IsEmpty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(target, expected);
    Variant assigned;
    assigned = std::move(target);
    EXPECT_TRUE(target.IsEmpty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(assigned, expected);
  }
}

TEST(VariantCopy, AssigningFromInsideItself) {
  // The source lives in the array the assignment replaces.
  Variant nested = Array({Array({"deep"}), 2});
  nested = nested.AsArray().At(0);
  EXPECT_EQ(nested, Array({"deep"}));
  nested = std::move(nested.AsArray().At(0));
  EXPECT_EQ(nested, Variant("deep"));

  Variant self = Array({1});
  const Variant& alias = self;
  self = alias;
  EXPECT_EQ(self, Array({1}));
}

TEST(VariantCopy, ArraysInAVectorSurviveReallocation) {
  std::vector<Variant> values;
  for (int i = 0; i < 100; ++i) values.push_back(Array({i, std::to_string(i)}));
  for (int i = 0; i < 100; ++i) ASSERT_EQ(values[i], Array({i, std::to_string(i)}));
}

// ---- VariantArray -----------------------------------------------------------------------

TEST(VariantArrayTest, OneDimension) {
  VariantArray array(3);
  EXPECT_EQ(array.Dimensions(), 1);
  EXPECT_EQ(array.Count(), 3u);
  EXPECT_EQ(array.Count(2), 1u);
  EXPECT_EQ(array.LowBound(), 0);
  EXPECT_EQ(array.HighBound(), 2);
  EXPECT_TRUE(array.At(2).IsEmpty());
  array.At(1) = "b";
  array.Append(4);
  EXPECT_EQ(array.Count(), 4u);
  EXPECT_EQ(array.HighBound(), 3);
  EXPECT_EQ(array.At(3), Variant(4));
  EXPECT_EQ(array.Items()[1], Variant("b"));
  EXPECT_EQ(VariantArray().HighBound(), -1);
}

TEST(VariantArrayTest, TwoDimensionsAreStoredRowAfterRow) {
  VariantArray grid(2, 3);
  EXPECT_EQ(grid.Dimensions(), 2);
  EXPECT_EQ(grid.Count(1), 2u);
  EXPECT_EQ(grid.Count(2), 3u);
  EXPECT_EQ(grid.HighBound(2), 2);
  EXPECT_EQ(grid.Size(), 6u);
  for (std::size_t row = 0; row < 2; ++row)
    for (std::size_t column = 0; column < 3; ++column)
      grid.At(row, column) = static_cast<int>(row * 10 + column);
  EXPECT_EQ(grid.Items()[4], Variant(11));  // (1, 1) is at 1 * 3 + 1
  EXPECT_EQ(grid.Items()[2], Variant(2));
  const VariantArray& constGrid = grid;
  EXPECT_EQ(constGrid.At(1, 2), Variant(12));
}

TEST(VariantArrayTest, OutOfBoundsRaises) {
  VariantArray line(3);
  VariantArray grid(2, 3);
  const VariantArray& constLine = line;
  const VariantArray& constGrid = grid;
  const std::vector<std::function<void()>> actions = {
      [&] { line.At(3); },
      [&] { constLine.At(3); },
      [&] { VariantArray().At(0); },
      [&] { line.At(static_cast<std::size_t>(-1)); },
      [&] { grid.At(2, 0); },
      [&] { grid.At(0, 3); },
      [&] { constGrid.At(0, 3); },
      [&] { grid.At(static_cast<std::size_t>(-1), 0); },
      // The number of indices must match the dimensions.
      [&] { grid.At(0); },
      [&] { line.At(0, 0); },
  };
  for (std::size_t i = 0; i < actions.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(VariantErrorOf(actions[i]), "Variant array index out of bounds");
  }
}

TEST(VariantArrayTest, AppendNeedsOneDimension) {
  VariantArray grid(2, 2);
  EXPECT_THROW(grid.Append(1), EVariantError);
  EXPECT_EQ(grid.Size(), 4u);
}

}  // namespace
}  // namespace halbrin::platform
