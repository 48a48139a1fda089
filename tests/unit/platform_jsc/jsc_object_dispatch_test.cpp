#include <memory>

#include "jsc_test_support.h"

namespace halbrin::platform::jsc_test {
namespace {

using JscObjectDispatch = JscEngineTest;

RefPtr<IDispatchObject> AsObject(const Variant& value) {
  EXPECT_TRUE(value.IsDispatch());
  return value.ToDispatch();
}

TEST_F(JscObjectDispatch, PropertiesAreMembersFoundExactlyOrWithoutLetterCase) {
  RefPtr<IDispatchObject> object = AsObject(Eval("({ Title: 'report', count: 2, sum: function (a, b) { return a + b + this.count; } })"));
  EXPECT_EQ(GetProperty(*object, "Title"), Variant("report"));
  EXPECT_EQ(GetProperty(*object, "title"), Variant("report"));
  EXPECT_EQ(CallMethod(*object, "SUM", {Variant(1), Variant(2)}), Variant(5));
  PutProperty(*object, "count", Variant(10));
  EXPECT_EQ(Outcome("1"), "1");
  EXPECT_EQ(CallMethod(*object, "sum", {Variant(0), Variant(0)}), Variant(10));
  // A get of a function member gives the function itself.
  Variant method = GetProperty(*object, "sum");
  ASSERT_TRUE(method.IsDispatch());
  EXPECT_TRUE(dynamic_cast<TJsObjectDispatch*>(method.AsDispatch())->IsFunction());
  try {
    GetDispId(*object, "missing");
    FAIL() << "a missing name has no id";
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Code(), DISP_E_UNKNOWNNAME);
  }
}

TEST_F(JscObjectDispatch, AFunctionsDefaultMemberCallsIt) {
  RefPtr<IDispatchObject> function = AsObject(Eval("(function (a, b) { return a * b; })"));
  EXPECT_EQ(InvokeById(*function, DISPID_VALUE, DISPATCH_METHOD, {Variant(6), Variant(7)}), Variant(42));
  EXPECT_EQ(InvokeById(*function, DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant(2), Variant(3)}),
            Variant(6));
  // Any other object's default value is its text.
  RefPtr<IDispatchObject> array = AsObject(Eval("[1, 2, 3]"));
  EXPECT_EQ(InvokeById(*array, DISPID_VALUE, DISPATCH_PROPERTYGET), Variant("1,2,3"));
  EXPECT_EQ(GetProperty(*array, "length"), Variant(3));
  EXPECT_EQ(GetProperty(*array, "1"), Variant(2));
}

TEST_F(JscObjectDispatch, AScriptExceptionIsAnAutomationErrorWithTheWholeRecord) {
  m_engine.Evaluate("function boom(kind) {\n  if (kind) throw new TypeError('bad kind');\n  return 1;\n}",
                    "/scripts/boom.js");
  RefPtr<IDispatchObject> boom = AsObject(Eval("boom"));
  DispParams params{{Variant(true)}, {}};
  ExcepInfo excep;
  Variant result;
  EXPECT_EQ(boom->Invoke(DISPID_VALUE, DISPATCH_METHOD, params, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, "bad kind");
  EXPECT_EQ(excep.source, kRuntimeErrorSource);
  auto* js = dynamic_cast<TJsObjectDispatch*>(boom.Get());
  try {
    js->Call(std::vector<Variant>{Variant(true)});
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Info().name, "TypeError");
    EXPECT_EQ(e.Info().sourceUri, "/scripts/boom.js");
    EXPECT_EQ(e.Info().line, 2);
  }
}

TEST_F(JscObjectDispatch, AnObjectKeptAfterItsEngineIsGoneFailsClearly) {
  RefPtr<IDispatchObject> function;
  RefPtr<IDispatchObject> object;
  {
    JscEngine transient(m_vm);
    function = AsObject(transient.Evaluate("(function () { return 1; })"));
    object = AsObject(transient.Evaluate("({ a: 1 })"));
    EXPECT_EQ(InvokeById(*function, DISPID_VALUE, DISPATCH_METHOD), Variant(1));
  }
  auto* js = dynamic_cast<TJsObjectDispatch*>(function.Get());
  EXPECT_FALSE(js->IsAlive());
  EXPECT_EQ(js->Value(), nullptr);
  for (auto attempt : std::initializer_list<std::function<void()>>{
           [&] { InvokeById(*function, DISPID_VALUE, DISPATCH_METHOD); },
           [&] { GetProperty(*object, "a"); },
           [&] { PutProperty(*object, "a", Variant(2)); },
           [&] { CallMethod(*object, "toString"); },
           [&] { js->Call({}); },
       }) {
    try {
      attempt();
      ADD_FAILURE() << "a freed script ran";
    } catch (const EOleError& e) {
      EXPECT_EQ(e.Message(), kFreedScriptMessage);
      EXPECT_EQ(e.Code(), SCRIPT_E_FREEDSCRIPT);
    }
  }
}

TEST_F(JscObjectDispatch, AnObjectOfAnotherEngineIsAHostObjectThere) {
  JscEngine other(m_vm);
  Variant counter = other.Evaluate("({ n: 0, bump: function (by) { this.n += by; return this.n; } })");
  m_engine.SetGlobal("counter", counter);
  EXPECT_EQ(Outcome("counter.bump(2); counter.bump(3)"), "5");
  EXPECT_EQ(Outcome("counter.N"), "5");
  Variant callback = other.Evaluate("(function (x) { return x + 1; })");
  m_engine.SetGlobal("callback", callback);
  EXPECT_EQ(Outcome("callback(41)"), "42");
  // Back in its own engine it is itself again.
  JscValuePtr same = other.EvaluateValue("(function (a, b) { return a === b; })");
  JscValuePtr original = other.ToJs(counter);
  EXPECT_EQ(other.UnwrapJsObject(counter), original.Get());
  Variant fromHere = Eval("counter");
  EXPECT_EQ(fromHere.AsDispatch(), counter.AsDispatch());
  other.Close();
  EXPECT_EQ(Outcome("counter.bump(1)"), std::string("threw: ") + kFreedScriptMessage);
}

TEST_F(JscObjectDispatch, ElementValuesKeepEveryElementInOrder) {
  auto values = [&](std::string_view code) {
    Variant value = Eval(code);
    return dynamic_cast<TJsObjectDispatch*>(value.AsDispatch())->ElementValues();
  };
  std::vector<Variant> flat = values("[1, 'a', true]");
  ASSERT_EQ(flat.size(), 3u);
  EXPECT_EQ(flat[0], Variant(1));
  EXPECT_EQ(flat[1], Variant("a"));
  EXPECT_EQ(flat[2], Variant(true));
  std::vector<Variant> nested = values("[[1], 2]");
  ASSERT_EQ(nested.size(), 2u);
  EXPECT_TRUE(nested[0].IsDispatch());
  EXPECT_EQ(nested[1], Variant(2));
  std::vector<Variant> sparse = values("var s = []; s[2] = 'c'; s");
  ASSERT_EQ(sparse.size(), 3u);
  EXPECT_TRUE(sparse[0].IsEmpty());
  std::vector<Variant> object = values("({ x: 1, y: 'two' })");
  ASSERT_EQ(object.size(), 2u);
  EXPECT_EQ(object[1], Variant("two"));
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
