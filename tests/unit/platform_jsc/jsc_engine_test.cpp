#include <memory>
#include <string>

#include "jsc_test_support.h"

namespace halbrin::platform::jsc_test {
namespace {

using JscEngines = JscEngineTest;

TEST_F(JscEngines, AModuleHasItsOwnNamesAndSeesTheEnginesGlobals) {
  m_engine.SetGlobal("prefix", Variant("p-"));
  JscValuePtr module = m_engine.EvaluateModule(
      "var shared = 'module';\nfunction greet(who) { return prefix + who + later(); }\nfunction twice(x) { return x * 2; }",
      "/scripts/util.js");
  m_engine.SetGlobalValue("util", module.Get());
  Eval("var shared = 'main'; function later() { return '!'; }");
  EXPECT_EQ(Outcome("util.greet('you')"), "p-you!");
  EXPECT_EQ(Outcome("util.twice(21)"), "42");
  EXPECT_EQ(Outcome("shared + ':' + util.shared"), "main:module");
  EXPECT_EQ(Outcome("typeof greet"), "undefined");
}

TEST_F(JscEngines, ModulesSeeEachOther) {
  m_engine.SetGlobalValue("first", m_engine.EvaluateModule("function one() { return 1; }", "/a.js").Get());
  m_engine.SetGlobalValue("second",
                         m_engine.EvaluateModule("function two() { return first.one() + 1; }", "/b.js").Get());
  EXPECT_EQ(Outcome("second.two()"), "2");
}

TEST_F(JscEngines, CallsPassArgumentsAndReturnTheResult) {
  Eval("function join() { return Array.prototype.slice.call(arguments).join('+'); }");
  JscValuePtr join = m_engine.GlobalValue("join");
  EXPECT_EQ(m_engine.Call(join.Get(), std::vector<Variant>{Variant(1), Variant("b"), Variant(true)}), Variant("1+b+true"));
  EXPECT_EQ(m_engine.Call(join.Get(), {}), Variant(""));
  JscValuePtr object = m_engine.EvaluateValue("({ base: 10, plus: function (x) { return this.base + x; } })");
  EXPECT_EQ(m_engine.CallMethod(object.Get(), "plus", std::vector<Variant>{Variant(5)}), Variant(15));
  EXPECT_TRUE(jsc_value_is_undefined(m_engine.GlobalValue("notDefined").Get()));
}

TEST_F(JscEngines, NamesThatAreNoUtf8TextAreRefused) {
  using namespace std::string_literals;
  for (const std::string& name : {"sub/..\xff\xff/x"s, "a\0b"s, "\xc3"s}) {
    EXPECT_THROW(m_engine.SetGlobal(name, Variant(1)), EScriptError);
    EXPECT_THROW(m_engine.GlobalValue(name), EScriptError);
  }
  m_engine.SetGlobal("caf\xc3\xa9", Variant(2));
  EXPECT_EQ(Eval("caf\u00e9"), Variant(2));
}

TEST_F(JscEngines, CodeThatIsNoUtf8TextIsASyntaxError) {
  for (const char* code : {"// \xaf\xaf\n1", "'\xc3'", "1 /* \xff */"}) {
    try {
      m_engine.Evaluate(code, "/a.js");
      ADD_FAILURE() << code;
    } catch (const EScriptError& e) {
      EXPECT_TRUE(e.Info().IsCompileError()) << code;
    }
    EXPECT_THROW(m_engine.EvaluateModule(code, "/a.js"), EScriptError) << code;
  }
  // A file name is only shown, whatever its bytes.
  EXPECT_EQ(m_engine.Evaluate("2", "/odd\xff.js"), Variant(2));
}

TEST_F(JscEngines, AClosedEngineRefusesWork) {
  EXPECT_EQ(m_vm.LiveEngineCount(), 1);
  m_engine.Close();
  EXPECT_TRUE(m_engine.IsClosed());
  EXPECT_EQ(m_vm.LiveEngineCount(), 0);
  try {
    Eval("1");
    FAIL();
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Code(), SCRIPT_E_FREEDSCRIPT);
  }
  m_engine.Close();
}

TEST_F(JscEngines, EnginesOnOneMachineAreApart) {
  auto other = std::make_unique<JscEngine>(m_vm);
  EXPECT_EQ(m_vm.LiveEngineCount(), 2);
  other->Evaluate("var onlyThere = 1");
  EXPECT_EQ(Outcome("typeof onlyThere"), "undefined");
  other.reset();
  EXPECT_EQ(m_vm.LiveEngineCount(), 1);
}

TEST_F(JscEngines, ObjectsCollectedWhileTheEngineRunsAreReleased) {
  auto gadget = MakeRef<TGadget>();
  const auto before = gadget->RefCount();
  m_engine.SetGlobal("gadget", Variant(gadget));
  Eval("gadget = null");
  // Churn the heap until the collector has swept the wrapper.
  for (int round = 0; round < 200 && gadget->RefCount() != before; ++round)
    Eval("var junk = []; for (var i = 0; i < 20000; i++) junk.push({ i: i, s: 'x' + i }); junk = null;");
  EXPECT_EQ(gadget->RefCount(), before);
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
