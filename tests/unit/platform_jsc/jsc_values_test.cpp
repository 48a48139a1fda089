#include <cmath>

#include "jsc_test_support.h"
#include "platform/base/format.h"
#include "platform/variant/ole_date.h"

namespace halbrin::platform::jsc_test {
namespace {

using JscValues = JscEngineTest;

struct JsToVariantRow {
  const char* expression;
  VarType type;
  std::string text;  // Variant::ToText of the result
};

TEST_F(JscValues, ScriptValuesArriveAsTheKindsTheOriginalEngineGave) {
  const JsToVariantRow rows[] = {
      {"42", VarType::I4, "42"},
      {"-2147483648", VarType::I4, "-2147483648"},
      {"2147483647", VarType::I4, "2147483647"},
      {"2147483648", VarType::R8, "2147483648"},
      {"1.5", VarType::R8, "1.5"},
      {"NaN", VarType::R8, "NAN"},
      {"-Infinity", VarType::R8, "-INF"},
      {"true", VarType::Boolean, "True"},
      {"null", VarType::Null, ""},
      {"undefined", VarType::Empty, ""},
      {"'\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82'", VarType::String, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"new Date(2021, 2, 4, 5, 6, 7)", VarType::Date, "04.03.2021 05:06:07"},
      {"new Date(NaN)", VarType::Null, ""},
  };
  for (const JsToVariantRow& row : rows) {
    Variant value = Eval(row.expression);
    EXPECT_EQ(value.Type(), row.type) << row.expression;
    EXPECT_EQ(value.ToText(), row.text) << row.expression;
  }
}

TEST_F(JscValues, StringsKeepEmbeddedNulAndLength) {
  Variant value = Eval("'a\\u0000b'");
  ASSERT_TRUE(value.IsString());
  EXPECT_EQ(value.AsString(), std::string("a\0b", 3));
  m_engine.SetGlobal("s", Variant(std::string("x\0y", 3)));
  EXPECT_EQ(Eval("s.length + ':' + s.charCodeAt(1)").AsString(), "3:0");
}

// Each value made by a script goes to native code and back and must be the
// same value (objects the same object) on its return.
TEST_F(JscValues, RoundTripFromScriptKeepsValueAndIdentity) {
  Eval("var date = new Date(1999, 11, 31, 23, 59, 58, 250);"
       "var object = {a: 1}; var fn = function () { return 7; }; var array = [1, 'a'];");
  const char* expressions[] = {
      "42", "2147483648", "1.5", "NaN", "-0.25", "true", "false", "null", "undefined",
      "'\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82'", "date", "object", "fn", "array",
  };
  JscValuePtr check = m_engine.EvaluateValue(
      "(function (expected, actual) {"
      "  if (expected instanceof Date) return actual instanceof Date && actual.getTime() === expected.getTime();"
      "  if (expected !== expected) return actual !== actual;"
      "  return expected === actual; })");
  for (const char* expression : expressions) {
    JscValuePtr original = m_engine.EvaluateValue(expression);
    Variant native = m_engine.ToVariant(original.Get());
    JscValuePtr back = m_engine.ToJs(native);
    JSCValue* args[] = {original.Get(), back.Get()};
    JscValuePtr same = JscValuePtr::Adopt(jsc_value_function_callv(check.Get(), 2, args));
    EXPECT_TRUE(jsc_value_to_boolean(same.Get())) << expression;
  }
}

TEST_F(JscValues, ObjectsFunctionsAndArraysLeaveAsDispatchObjects) {
  for (const char* expression : {"({a: 1})", "(function () {})", "[1, 2]"}) {
    Variant value = Eval(expression);
    ASSERT_TRUE(value.IsDispatch()) << expression;
    EXPECT_NE(dynamic_cast<TJsObjectDispatch*>(value.AsDispatch()), nullptr) << expression;
  }
  Variant value = Eval("[1, 2]");
  auto* array = dynamic_cast<TJsObjectDispatch*>(value.AsDispatch());
  EXPECT_TRUE(array->IsArray());
  EXPECT_FALSE(array->IsFunction());
}

struct VariantToJsRow {
  const char* what;
  Variant value;
  const char* expected;  // the script's view: typeof and text
};

TEST_F(JscValues, NativeValuesArriveAsScriptValues) {
  const VariantToJsRow rows[] = {
      {"empty", Variant(), "undefined:undefined"},
      {"null", Variant::Null(), "object:null"},
      {"boolean", Variant(true), "boolean:true"},
      {"integer", Variant(-7), "number:-7"},
      {"int64", Variant(std::int64_t{1} << 40), "number:1099511627776"},
      {"byte", Variant::OfInteger(VarType::UI1, 200), "number:200"},
      {"single", Variant::Single(0.5f), "number:0.5"},
      {"currency", Variant::Currency(12345), "number:1.2345"},
      {"missing argument", Variant::Error(DISP_E_PARAMNOTFOUND), "undefined:undefined"},
      {"error code", Variant::Error(5), "number:5"},
      {"string", Variant("\xD0\xAF"), "string:\xD0\xAF"},
      {"no object", Variant(RefPtr<IDispatchObject>()), "object:null"},
  };
  JscValuePtr describe = m_engine.EvaluateValue("(function (v) { return typeof v + ':' + String(v); })");
  for (const VariantToJsRow& row : rows) {
    EXPECT_EQ(m_engine.Call(describe.Get(), std::vector<Variant>{row.value}).ToText(), row.expected) << row.what;
  }
}

TEST_F(JscValues, DatesAreLocalWallClockTimeBothWays) {
  struct Row {
    DateTimeParts parts;
  } rows[] = {
      {{2024, 2, 29, 13, 45, 10, 500}},
      {{1899, 12, 30, 0, 0, 0, 0}},
      {{1899, 12, 29, 6, 0, 0, 0}},  // a negative OLE date with a time
      {{1850, 7, 1, 18, 30, 0, 0}},
      {{2038, 1, 19, 3, 14, 8, 0}},
  };
  JscValuePtr parts = m_engine.EvaluateValue(
      "(function (d) { return [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(),"
      " d.getMinutes(), d.getSeconds(), d.getMilliseconds()].join(); })");
  for (const Row& row : rows) {
    const double ole = EncodeOleDate(row.parts);
    std::string expected = Format("%d,%d,%d,%d,%d,%d,%d", {row.parts.year, row.parts.month, row.parts.day,
                                                           row.parts.hour, row.parts.minute, row.parts.second,
                                                           row.parts.millisecond});
    EXPECT_EQ(m_engine.Call(parts.Get(), std::vector<Variant>{Variant::Date(ole)}).ToText(), expected) << ole;
    Variant back = m_engine.ToVariant(m_engine.ToJs(Variant::Date(ole)).Get());
    ASSERT_EQ(back.Type(), VarType::Date);
    EXPECT_NEAR(back.AsDouble(), ole, 1e-9) << ole;
  }
}

TEST_F(JscValues, DatesFromAModuleAreDatesToo) {
  JscValuePtr module = m_engine.EvaluateModule("var when = new Date(2000, 0, 2);", "/m.js");
  m_engine.SetGlobalValue("m", module.Get());
  Variant value = Eval("m.when");
  ASSERT_EQ(value.Type(), VarType::Date);
  EXPECT_EQ(value.ToText(), "02.01.2000 00:00:00");
}

TEST_F(JscValues, SymbolsLeaveAsTheirText) {
  Variant value = Eval("Symbol('tag')");
  EXPECT_EQ(value.ToText(), "Symbol(tag)");
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
