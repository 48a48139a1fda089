#include "jsc_test_support.h"
#include "platform/base/case_fold.h"
#include "platform/jsc/script_member_info.h"
#include "platform/variant/ole_date.h"

namespace halbrin::platform::jsc_test {
namespace {

// A gadget named "gadget" in the engine's globals.
class JscHostObjects : public JscEngineTest {
 protected:
  void SetUp() override { m_engine.SetGlobal("gadget", Variant(m_gadget)); }

  RefPtr<TGadget> m_gadget = MakeRef<TGadget>();
};

struct ScriptRow {
  const char* script;
  const char* expected;
};

TEST_F(JscHostObjects, MembersAreReachedInAnyLetterCase) {
  const ScriptRow rows[] = {
      {"gadget.add(2, 3)", "5"},
      {"gadget.ADD(2, 3)", "5"},
      {"gadget.Add(-1, 1)", "0"},
      {"gadget.name", "gadget"},
      {"gadget.NAME", "gadget"},
      {"gadget.Count + 1", "4"},
      {"typeof gadget.add", "function"},
      {"typeof gadget.name", "string"},
      {"'add' in gadget", "true"},
      {"'nothing' in gadget", "false"},
      {"typeof gadget.nothing", "undefined"},
  };
  for (const ScriptRow& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
}

TEST_F(JscHostObjects, AParameterisedGetIsACall) {
  EXPECT_EQ(Outcome("gadget.item(1)"), "gadget[1]");
  EXPECT_EQ(Outcome("gadget.Item('x')"), "gadget[x]");
  EXPECT_EQ(Outcome("var f = gadget.item; f(2)"), "gadget[2]");
}

TEST_F(JscHostObjects, AssignmentIsAPut) {
  Eval("gadget.Name = 'renamed'");
  EXPECT_EQ(m_gadget->m_name, "renamed");
  EXPECT_EQ(Outcome("gadget.name = 42; gadget.name"), "42");
  EXPECT_EQ(m_gadget->m_name, "42");
}

TEST_F(JscHostObjects, UnknownMembersAndReadOnlyOnesCannotBeAssigned) {
  EXPECT_EQ(Outcome("gadget.nothing = 1"), "threw: Object doesn't support this property or method");
  EXPECT_EQ(Outcome("gadget.count = 1"), "threw: Member not found.");
  EXPECT_EQ(Outcome("try { gadget.nothing = 1 } catch (e) { e.number }"),
            std::to_string(SCRIPT_E_NOTSUPPORTED));
}

TEST_F(JscHostObjects, AnObjectWithADefaultMemberIsCallable) {
  m_engine.SetGlobal("doubler", Variant(MakeRef<TGadget>("doubler", true)));
  const ScriptRow rows[] = {
      {"doubler(21)", "42"},
      {"typeof doubler", "function"},
      {"doubler.name", "doubler"},
      {"doubler.add(1, 2)", "3"},
      {"doubler.call(null, 4)", "8"},
      {"doubler.name = 'twice'; doubler.name", "twice"},
      {"'add' in doubler", "true"},
  };
  for (const ScriptRow& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
  EXPECT_EQ(Outcome("typeof gadget"), "object");
  EXPECT_EQ(Outcome("gadget(1)").rfind("threw: ", 0), 0u);
}

TEST_F(JscHostObjects, AHostErrorIsAScriptErrorAtTheCallingLine) {
  ScriptErrorInfo error = ErrorOf("var a = 1;\nvar b = 2;\n  gadget.fail();\n", "/scripts/host.js");
  EXPECT_EQ(error.message, "The gadget failed");
  EXPECT_EQ(error.number, kHostFailure);
  EXPECT_EQ(error.sourceUri, "/scripts/host.js");
  EXPECT_EQ(error.line, 3);
  EXPECT_GT(error.column, 0);
  // Inside the script it is an Error with the number and the description.
  EXPECT_EQ(Outcome("try { gadget.fail() } catch (e) {"
                    " [e instanceof Error, e.message, e.description, e.number === " +
                    std::to_string(kHostFailure) + "].join() }"),
            "true,The gadget failed,The gadget failed,true");
  // A failed conversion of an argument is reported the same way.
  EXPECT_EQ(Outcome("gadget.add('x', 1)"),
            "threw: Could not convert variant of type (OleStr) into type (Integer)");
}

TEST_F(JscHostObjects, AHostErrorInsideAFunctionIsReportedAtThatFunctionsLine) {
  Eval("function outer() {\n  return inner();\n}\nfunction inner() {\n  return gadget.fail();\n}");
  JscValuePtr outer = m_engine.GlobalValue("outer");
  try {
    m_engine.Call(outer.Get(), {});
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Info().line, 5);
    EXPECT_EQ(e.Code(), kHostFailure);
  }
}

TEST_F(JscHostObjects, ObjectsKeepTheirIdentityBothWays) {
  EXPECT_EQ(Outcome("gadget.child === gadget.child"), "true");
  EXPECT_EQ(Outcome("gadget.add === gadget.ADD"), "true");
  // A host object handed back to native code is the same dispatch object.
  Variant child = Eval("gadget.child");
  ASSERT_TRUE(child.IsDispatch());
  EXPECT_EQ(child.AsDispatch(), m_gadget->m_child.Get());
  Eval("gadget.keep(gadget)");
  EXPECT_EQ(m_gadget->m_kept.AsDispatch(), m_gadget.Get());
  // A JS object handed to native code and back is the same JS object.
  EXPECT_EQ(Outcome("var o = {}; gadget.keep(o); gadget.kept === o"), "true");
  EXPECT_EQ(Outcome("var f = function () {}; gadget.echo(f) === f"), "true");
  EXPECT_EQ(Outcome("var a = [1, 2]; gadget.echo(a) === a"), "true");
}

TEST_F(JscHostObjects, NativeValuesComeBackThroughTheObject) {
  m_gadget->m_kept = Variant(VariantArray(std::vector<Variant>{Variant(1), Variant("two")}));
  EXPECT_EQ(Outcome("gadget.kept.toArray().join('|')"), "1|two");
  m_gadget->m_kept = Variant::Date(EncodeOleDate(2020, 5, 6));
  EXPECT_EQ(Outcome("gadget.kept.getMonth()"), "4");
}

TEST_F(JscHostObjects, ForInListsTheMembers) {
  EXPECT_EQ(Outcome("var names = []; for (var k in gadget) names.push(k); names.join()"),
            "add,name,item,fail,child,keep,kept,count,folder,echo,callKept");
}

// A late-bound object without a member table: methods are found by trying a get first.
class TLateBound : public IDispatchObject, public IScriptMemberInfo {
 public:
  HResult GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) override {
    ids[0] = SameText(names[0], "title") ? 1 : SameText(names[0], "shout") ? 2 : DISPID_UNKNOWN;
    return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
  }
  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo*) override {
    if (id == 1 && (kind & DISPATCH_PROPERTYGET)) {
      *result = Variant("late");
      return S_OK;
    }
    if (id == 2 && (kind & DISPATCH_METHOD)) {
      *result = Variant(params.args.at(0).ToText() + "!");
      return S_OK;
    }
    if (id == DISPID_VALUE && (kind & DISPATCH_METHOD)) {
      *result = Variant("default");
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  std::vector<std::string> ScriptMemberNames() const override { return {"title", "shout"}; }
  bool HasDefaultMember() const override { return true; }
};

TEST_F(JscHostObjects, ObjectsWithoutAMemberTableWork) {
  m_engine.AddNamedObject("late", Variant(MakeRef<TLateBound>()), true);
  const ScriptRow rows[] = {
      {"late.title", "late"},
      {"late.TITLE", "late"},
      {"late.shout('hey')", "hey!"},
      {"late()", "default"},
      {"title + shout('x')", "latex!"},
      {"Object.keys(late).join()", "title,shout"},
  };
  for (const ScriptRow& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
}

TEST_F(JscHostObjects, NamedObjectMembersAreGlobalNamesInTheOrderAdded) {
  auto first = MakeRef<TGadget>("first");
  auto second = MakeRef<TGadget>("second");
  second->m_folder = "/second/";
  m_engine.AddNamedObject("first", Variant(first), true);
  m_engine.AddNamedObject("second", Variant(second), true);
  const ScriptRow rows[] = {
      {"folder === first.folder", "true"},
      {"name", "first"},
      {"add(20, 22)", "42"},
      {"item(7)", "first[7]"},
      {"typeof first", "object"},
      // Built-in globals stay what they are.
      {"typeof Object + typeof escape", "functionfunction"},
  };
  for (const ScriptRow& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
  // An assignment reaches the member.
  Eval("name = 'changed'");
  EXPECT_EQ(first->m_name, "changed");
  // A script's own declaration wins over a member.
  EXPECT_EQ(Outcome("function count() { return 'mine'; } count()"), "mine");
}

TEST_F(JscHostObjects, AddingANameAgainReplacesTheObjectBehindItsMembers) {
  auto first = MakeRef<TGadget>("first");
  auto replacement = MakeRef<TGadget>("replacement");
  m_engine.AddNamedObject("client", Variant(first), true);
  EXPECT_EQ(Outcome("client.name + ':' + name"), "first:first");
  m_engine.AddNamedObject("client", Variant(replacement), true);
  EXPECT_EQ(Outcome("client.name + ':' + name"), "replacement:replacement");
  m_engine.AddNamedObject("client", Variant(first), false);
  EXPECT_EQ(Outcome("client.name + ':' + name"), "first:first");
}

TEST_F(JscHostObjects, ClosingTheEngineReleasesEveryHostObject) {
  auto kept = MakeRef<TGadget>("kept");
  const auto before = kept->RefCount();
  m_engine.SetGlobal("kept", Variant(kept));
  Eval("var alias = kept; var method = kept.add; var child = kept.child; var list = [kept, kept];");
  EXPECT_GT(kept->RefCount(), before);
  m_engine.Close();
  EXPECT_EQ(kept->RefCount(), before);
  EXPECT_EQ(kept->m_child->RefCount(), 1u);
}

TEST_F(JscHostObjects, ABoundMethodKeepsItsObjectAfterTheScriptDropsIt) {
  m_engine.SetGlobal("temp", Variant(MakeRef<TGadget>("temp")));
  Eval("var add = temp.add; temp = null;");
  EXPECT_EQ(Outcome("add(1, 1)"), "2");
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
