// Script actions and action lists: the execute chain through bindings, exec,
// clear, moving between lists, the shared script, the update cycle and
// declared action lists.

#include "components/forms/action_ex.h"

#include <gtest/gtest.h>

#include "components/forms/action_updates.h"
#include "components/forms/form_component_types.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/classes/property_access.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {

// Stands in for a form: its `actions` list is made on first read.
class TActionHost : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TActionHost, TCustomExecutableComponentEx)

  explicit TActionHost(TComponent* owner = nullptr) : TCustomExecutableComponentEx(owner) {}
  std::string GetTypeName() const override { return "actionhost"; }
  TActionListEx* Actions() {
    if (!m_actions) m_actions = &platform::MakeComponent<TActionListEx>(*this);
    return m_actions;
  }

 private:
  TActionListEx* m_actions = nullptr;
};

HALBRIN_DEFINE_CLASS(TActionHost,
                     .Property("actions", [](const TActionHost& self) { return const_cast<TActionHost&>(self).Actions(); }))

namespace {

using Procedures = std::vector<std::string>;

class ActionTest : public FrameworkTest {
 protected:
  void SetUp() override { ActionUpdates().SetActivePredicate([this] { return m_active; }); }
  void TearDown() override {
    ActionUpdates().SetActivePredicate(nullptr);
    FrameworkTest::TearDown();
  }

  TActionEx& Action(const std::string& name, TActionListEx* list) {
    auto& action = platform::MakeComponent<TActionEx>(m_hooks.root);
    action.SetName(name);
    action.SetActionList(list);
    return action;
  }
  TActionListEx& List(const std::string& name) {
    auto& list = platform::MakeComponent<TActionListEx>(m_hooks.root);
    list.SetName(name);
    return list;
  }
  template <class T>
  TScriptEvent& Bind(T& source, const std::string& event, const std::string& procedure) {
    TScriptEvent& binding = source.GetEvents()->AttachEvent(event);
    binding.SetXml(procedure);
    return binding;
  }
  Procedures Called() const {
    Procedures names;
    for (const ScriptCall& call : m_hooks.calls) names.push_back(call.procedure);
    return names;
  }
  // Answers `answer` to the procedure `procedure`, Unassigned to the others.
  void Answer(const std::string& procedure, Variant answer) {
    m_hooks.answer = [procedure, answer](const ScriptCall& call) {
      return call.procedure == procedure ? answer : Variant();
    };
  }

  bool m_active = true;
};

TEST_F(ActionTest, AListThatHandlesTheExecuteKeepsTheActionsOwnFromFiring) {
  struct ChainCase {
    const char* name;
    bool listBound;
    Variant listAnswer;
    bool actionBound;
    Procedures called;
    bool exec;
  } const cases[] = {
      {"true", true, Variant(true), true, {"listExecute"}, true},
      {"false", true, Variant(false), true, {"listExecute", "actionExecute"}, true},
      {"integer", true, Variant(1), true, {"listExecute"}, true},
      {"zero", true, Variant(0), true, {"listExecute", "actionExecute"}, true},
      {"text", true, Variant("yes"), true, {"listExecute", "actionExecute"}, true},
      {"nothing", true, Variant(), true, {"listExecute", "actionExecute"}, true},
      {"no list binding", false, Variant(), true, {"actionExecute"}, true},
      {"no binding at all", false, Variant(), false, {}, false},
      {"the list only", true, Variant(false), false, {"listExecute"}, false},
  };
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(c.name);
    TActionListEx& list = List("Actions");
    TActionEx& action = Action("Open", &list);
    if (c.listBound) Bind(list, "onexecute", "listExecute");
    if (c.actionBound) Bind(action, "onexecute", "actionExecute");
    Answer("listExecute", c.listAnswer);
    m_hooks.calls.clear();
    action.SetExec(Variant("anything"));
    EXPECT_EQ(Called(), c.called);
    EXPECT_EQ(action.GetExec(), Variant(c.exec)) << "exec reads the handled flag";
    TComponent::Free(action);
    TComponent::Free(list);
  }
}

TEST_F(ActionTest, ExecuteEventsCarryTheNameAndTheCheckedState) {
  TActionListEx& list = List("Actions");
  TActionEx& action = Action("Bold", &list);
  action.SetAutoCheck(true);
  Bind(list, "onexecute", "listExecute");
  Bind(action, "onexecute", "actionExecute");
  Bind(list, "onupdate", "listUpdate");
  Bind(action, "onupdate", "actionUpdate");
  action.SetExec(Variant(1));
  ASSERT_EQ(Called(), (Procedures{"listUpdate", "actionUpdate", "listExecute", "actionExecute"}))
      << "exec runs the action once: an update, then the execute chain";
  const auto array = [](std::initializer_list<Variant> items) { return Variant(VariantArray(items)); };
  EXPECT_EQ(m_hooks.calls[0].parameters, array({Variant("Bold")})) << "the list's update: an array of one";
  EXPECT_EQ(m_hooks.calls[1].parameters, Variant("Bold")) << "the action's update: its name";
  EXPECT_EQ(m_hooks.calls[2].parameters, array({Variant("Bold"), Variant(true)})) << "checked by AutoCheck first";
  EXPECT_EQ(m_hooks.calls[3].parameters, array({Variant("Bold"), Variant(true)}));
  EXPECT_TRUE(action.GetEventData().IsNull()) << "eventData is given back after the run";
}

TEST_F(ActionTest, AListsExecReadsFalseAndRunsNothing) {
  TActionListEx& list = List("Actions");
  TActionEx& action = Action("Open", &list);
  Bind(list, "onexecute", "listExecute");
  Bind(action, "onexecute", "actionExecute");
  EXPECT_TRUE(list.GetExec().IsNull());
  for (const Variant& word : {Variant("execute"), Variant("Open"), Variant(true)}) {
    list.SetExec(word);
    EXPECT_EQ(list.GetExec(), Variant(false));
  }
  EXPECT_TRUE(m_hooks.calls.empty());
}

TEST_F(ActionTest, ClearLeavesTheActionsAliveWithoutAList) {
  for (const char* how : {"clear", "empty"}) {
    SCOPED_TRACE(how);
    TActionListEx& list = List("Actions");
    TActionEx& a = Action("A", &list);
    TActionEx& b = Action("B", &list);
    EXPECT_EQ(GetPropertyValue(list, "length"), Variant(2));
    EXPECT_EQ(GetPropertyValue(a, "actions").ToInt64(), static_cast<std::int64_t>(list.Handle()));
    if (std::string(how) == "clear")
      list.clear();
    else
      SetPropertyValue(list, "empty", Variant(true));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(a.Actions(), nullptr);
    EXPECT_EQ(b.Actions(), nullptr);
    EXPECT_EQ(GetPropertyValue(a, "actions").ToInt64(), 0) << "actions reads nil";
    EXPECT_EQ(m_hooks.root.FindComponent("A"), &a) << "still alive with its owner";
    TComponent::Free(a);
    TComponent::Free(b);
    TComponent::Free(list);
  }
}

TEST_F(ActionTest, MovingAnActionToAnotherListRemovesItFromTheFirst) {
  TActionListEx& first = List("First");
  TActionListEx& second = List("Second");
  TActionEx& action = Action("Open", &first);
  action.SetActionList(&second);
  EXPECT_EQ(first.length(), 0);
  EXPECT_EQ(first.FindItem("Open"), nullptr);
  EXPECT_EQ(second.FindItem("open"), &action);
  EXPECT_EQ(action.Actions(), &second);
  Bind(first, "onexecute", "firstExecute");
  Bind(second, "onexecute", "secondExecute");
  action.SetExec(Variant(true));
  EXPECT_EQ(Called(), (Procedures{"secondExecute"}));
  TComponent::Free(second);
  EXPECT_EQ(action.Actions(), nullptr) << "a freed list lets its actions go";
}

TEST_F(ActionTest, AnActionTakesTheScriptOfItsListsEvents) {
  TActionListEx& list = List("Actions");
  TActionListEx& bare = List("Bare");
  TActionEx& action = Action("Open", &list);
  Bind(action, "onexecute", "openFile");
  struct ScriptCase {
    const char* name;
    std::function<void()> arrange;
    const char* script;
  } const cases[] = {
      {"no list events", [] {}, "actions.js"},
      {"the list's script", [&] { list.GetEvents()->SetScript("menu.js"); }, "menu.js"},
      {"in a list without events", [&] { action.SetActionList(&bare); }, "actions.js"},
      {"back in the list", [&] { action.SetActionList(&list); }, "menu.js"},
      {"its own script", [&] { action.GetEvents()->SetScript("own.js"); }, "own.js"},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    m_hooks.calls.clear();
    action.SetExec(Variant(true));
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    EXPECT_EQ(m_hooks.calls[0].script, c.script);
  }
}

TEST_F(ActionTest, TheUpdateCycleAsksTheActionsOfEveryListWhileTheApplicationIsActive) {
  TActionListEx& list = List("Actions");
  TActionEx& open = Action("Open", &list);
  TActionEx& save = Action("Save", &list);
  Bind(open, "onupdate", "openUpdate");
  Bind(save, "onupdate", "saveUpdate");
  Bind(list, "onupdate", "listUpdate");
  EXPECT_TRUE(ActionUpdates().Armed());
  // The list handles Save's update: Save's own never fires.
  m_hooks.answer = [](const ScriptCall& call) {
    return call.procedure == "listUpdate" && call.parameters.AsArray().Items()[0] == Variant("Save") ? Variant(true)
                                                                                                     : Variant();
  };
  m_loop.Advance(TActionUpdateCycle::kIntervalMs - 1);
  EXPECT_TRUE(m_hooks.calls.empty());
  m_loop.Advance(1);
  EXPECT_EQ(Called(), (Procedures{"listUpdate", "openUpdate", "listUpdate"}));
  m_hooks.calls.clear();
  m_active = false;
  m_loop.Advance(3 * TActionUpdateCycle::kIntervalMs);
  EXPECT_TRUE(m_hooks.calls.empty()) << "nothing while the application is inactive";
  m_active = true;
  list.SetState(platform::asSuspended);
  m_loop.Advance(TActionUpdateCycle::kIntervalMs);
  EXPECT_TRUE(m_hooks.calls.empty()) << "a suspended list updates nothing";
  TComponent::Free(open);
  TComponent::Free(save);
  TComponent::Free(list);
  EXPECT_FALSE(ActionUpdates().Armed()) << "no timer without action lists";
}

TEST_F(ActionTest, AnUpdateHandlerThatFreesTheActionEndsTheRoundSafely) {
  TActionListEx& list = List("Actions");
  TActionEx& first = Action("First", &list);
  TActionEx& second = Action("Second", &list);
  Bind(first, "onupdate", "firstUpdate");
  Bind(second, "onupdate", "secondUpdate");
  m_hooks.answer = [&](const ScriptCall& call) {
    if (call.procedure == "firstUpdate") TComponent::Free(second);
    return Variant();
  };
  ActionUpdates().UpdateAll();
  EXPECT_EQ(Called(), (Procedures{"firstUpdate"}));
  EXPECT_EQ(list.length(), 1);
  TComponent::Free(list);
}

TEST_F(ActionTest, PublishedMembersAndDefaults) {
  TActionListEx& list = List("Actions");
  TActionEx& action = Action("Open", &list);
  EXPECT_EQ(action.GetTypeName(), "action");
  EXPECT_EQ(m_hooks.registry.ItemByName("Open"), &action) << "an action registers with the application";
  SetPropertyValue(action, "text", Variant("Open..."));
  EXPECT_EQ(action.Caption(), "Open...");
  EXPECT_TRUE(GetPropertyValue(action, "eventData").IsNull());
  EXPECT_TRUE(GetPropertyValue(action, "exec").IsNull());
  EXPECT_TRUE(GetPropertyValue(list, "eventData").IsNull());
  EXPECT_EQ(GetPropertyValue(list, "empty").ToText(), "False");
  for (const char* handler : {"executeHandler", "updateHandler"}) {
    EXPECT_NE(action.ClassInfo().FindMethod(handler), nullptr) << handler;
    EXPECT_NE(list.ClassInfo().FindMethod(handler), nullptr) << handler;
  }
  EXPECT_EQ(GetChildCount(list), 1);
  EXPECT_EQ(GetChildByName(list, "OPEN").Get(), &action);
  EXPECT_EQ(GetChildByName(list, "item_0").Get(), &action);
  EXPECT_EQ(GetChildByVariant(list, Variant(0)).Get(), &action);
}

class ActionDeclarationTest : public ActionTest {
 protected:
  void SetUp() override {
    ActionTest::SetUp();
    RegisterComponentClass<TActionHost>("actionhost");
    RegisterFormComponentTypes();
  }
  void TearDown() override {
    UnregisterComponentType("actionhost");
    UnregisterComponentType("action");
    ActionTest::TearDown();
  }
  Variant Run(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant("<controls>" + body + "</controls>"), result);
    return result;
  }
};

TEST_F(ActionDeclarationTest, ItemsOfAnActionListAreNewActionsOfTheListsOwner) {
  Run(R"(<control type="actionhost" id="Host"><actions>
           <item id="Open" caption="Open" hint="Opens a file">
             <events><event id="onexecute" xml="openFile"/></events>
           </item>
           <item id="Save" Enabled="false"/>
           <Open ImageIndex="2"/>
         </actions></control>)");
  ASSERT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
  auto* host = dynamic_cast<TActionHost*>(m_hooks.registry.ItemByName("Host"));
  ASSERT_NE(host, nullptr);
  TActionListEx& list = *host->Actions();
  ASSERT_EQ(list.length(), 2);
  auto* open = dynamic_cast<TActionEx*>(list.ItemAt(0));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->Name(), "Open");
  EXPECT_EQ(open->Owner(), host) << "declared actions belong to the list's owner";
  EXPECT_EQ(open->Hint(), "Opens a file");
  EXPECT_EQ(open->ImageIndex(), 2) << "an element named after an item finds it";
  EXPECT_FALSE(dynamic_cast<TActionEx*>(list.ItemAt(1))->Enabled());
  open->SetExec(Variant(true));
  EXPECT_EQ(Called(), (Procedures{"openFile"}));

  Run(R"(<control id="Host"><actions><item id="open" caption="Again"/><item_3/></actions></control>)");
  ASSERT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
  EXPECT_EQ(open->Caption(), "Again") << "an item of an existing name is found, not made twice";
  EXPECT_EQ(list.length(), 4) << "item_3 with new adds items up to index 3";
  Run(R"(<control id="Host"><actions><item_9 content="update" caption="x"/><Missing content="update"/></actions></control>)");
  EXPECT_EQ(list.length(), 4) << "update makes nothing";
  EXPECT_TRUE(m_hooks.errors.empty());
}

TEST_F(ActionDeclarationTest, ATopLevelActionIsMadeByItsTypeWord) {
  Run(R"(<control type="action" id="Quit" caption="Quit"/>)");
  auto* quit = dynamic_cast<TActionEx*>(m_hooks.registry.ItemByName("Quit"));
  ASSERT_NE(quit, nullptr);
  EXPECT_EQ(quit->Owner(), &m_hooks.root);
  EXPECT_EQ(quit->Caption(), "Quit");
  EXPECT_EQ(quit->Actions(), nullptr);
}

}  // namespace
}  // namespace halbrin::framework_test
