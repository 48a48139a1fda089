#include "core/scripting/script_control.h"

#include "fixtures/script_test_support.h"
#include "platform/classes/property_access.h"
#include "platform/jsc/script_error.h"

namespace halbrin::scripting_test {
namespace {

// An engine of its own (not through the entry points), with the test client.
class ScriptControl : public ScriptHostTest {
 protected:
  TScriptControl m_engine{nullptr, GetScriptControlDefaultImplementation().VirtualMachine(), kScriptTransient};
};

TEST_F(ScriptControl, ResetDropsCodeAndModulesButKeepsTheNamedObjects) {
  m_engine.AddObject("client", Variant(RefPtr<platform::IDispatchObject>(m_client)), true);
  Script("m.js", "function f() { return 'm'; }\n");
  m_engine.OnGetSource().Bind(GetScriptControlDefaultImplementation(),
                              &TScriptControlDefaultImplementation::DoGetSource);
  m_engine.SetCodeText("//include m\nvar mine = 1;\n");
  EXPECT_EQ(m_engine.Eval("typeof mine + typeof m + typeof client"), Variant("numberobjectobject"));
  EXPECT_EQ(m_engine.Modules().size(), 1u);
  m_engine.Reset();
  EXPECT_TRUE(m_engine.Modules().empty());
  EXPECT_EQ(m_engine.Eval("typeof mine + typeof m + typeof client + caption"), Variant("undefinedundefinedobjectTest"));
}

TEST_F(ScriptControl, NewCodeReplacesTheOld) {
  m_engine.SetCodeText("var a = 1; function f() { return 'first'; }");
  m_engine.SetCodeText("function g() { return typeof a + typeof f; }");
  EXPECT_EQ(m_engine.Run("g"), Variant("undefinedundefined"));
  TScriptCode code;
  code.SetText("function h() { return 'h'; }\n");
  code.SetFileName("/virtual/h.js");
  m_engine.SetCode(code);
  EXPECT_EQ(m_engine.Run("h"), Variant("h"));
  EXPECT_EQ(m_engine.FileName(), "/virtual/h.js");
  EXPECT_EQ(m_engine.Code().Text(), code.Text());
}

TEST_F(ScriptControl, FileNameFallsBackToTheSourceOfTheLastError) {
  EXPECT_EQ(m_engine.FileName(), "");
  EXPECT_THROW(m_engine.Eval("var = 1"), EScriptControl);
  EXPECT_EQ(m_engine.FileName(), platform::kCompilationErrorSource);
  EXPECT_THROW(m_engine.Eval("null.x"), EScriptControl);
  EXPECT_EQ(m_engine.FileName(), platform::kRuntimeErrorSource);
  const std::string file = Script("loaded.js", "function f() { return 1; }\n");
  m_engine.LoadFromFile(file);
  EXPECT_EQ(m_engine.FileName(), file);
  EXPECT_EQ(platform::GetStrProp(m_engine, platform::RequirePropInfo(m_engine, "fileName")), file);
}

TEST_F(ScriptControl, ANamedObjectAddedAgainIsReplaced) {
  auto first = platform::MakeRef<TTestClient>("/first/");
  auto second = platform::MakeRef<TTestClient>("/second/");
  m_engine.AddObject("client", Variant(RefPtr<platform::IDispatchObject>(first)), true);
  m_engine.AddObject("client", Variant(RefPtr<platform::IDispatchObject>(second)), true);
  EXPECT_EQ(m_engine.Eval("client.folder + folder"), Variant("/second//second/"));
  // And it stays replaced after a reset.
  m_engine.SetCodeText("var x;");
  m_engine.SetCodeText("var y;");
  EXPECT_EQ(m_engine.Eval("client.folder"), Variant("/second/"));
}

TEST_F(ScriptControl, NewCodeSetWhileAScriptRunsWaitsForThatScriptToEnd) {
  m_engine.AddObject("client", Variant(RefPtr<platform::IDispatchObject>(m_client)), false);
  m_engine.SetCodeText("function f() { client.poke(); return 'old ' + [1, 2].join(); }");
  m_client->m_onPoke = [this] { m_engine.SetCodeText("function g() { return 'new'; }"); };
  EXPECT_EQ(m_engine.Run("f"), Variant("old 1,2"));
  m_client->m_onPoke = nullptr;
  EXPECT_EQ(m_engine.Run("g"), Variant("new"));
  EXPECT_THROW(m_engine.Run("f"), EScriptControl);
}

TEST_F(ScriptControl, VBScriptIsRefusedAtCreation) {
  EXPECT_THROW(TScriptControl(nullptr, GetScriptControlDefaultImplementation().VirtualMachine(), 0x10),
               EScriptControl);
  // Any other language value is JavaScript.
  TScriptControl other(nullptr, GetScriptControlDefaultImplementation().VirtualMachine(), 0x20 | kScriptTransient);
  EXPECT_EQ(other.Eval("typeof 1"), Variant("number"));
}

}  // namespace
}  // namespace halbrin::scripting_test
