// The component bases: the exec protocol, firing script events and what
// eventData holds meanwhile, the mouse codes, and the component lists.

#include <functional>
#include <memory>

#include "core/framework/bit_helpers.h"
#include "core/framework/fire_script_event.h"
#include "fixtures/framework_test_support.h"
#include "platform/base/case_fold.h"

namespace halbrin::framework_test {

HALBRIN_DEFINE_CLASS(TFwButton,
                     .Property("online", &TFwButton::Online, &TFwButton::SetOnline)
                     .Event("onclick", &TFwButton::m_onClick, "TNotifyEvent")
                     .Event("onresize", &TFwButton::m_onResize, "TNotifyEvent")
                     .Event("onmousedown", &TFwButton::m_onMouseDown, "TMouseEvent")
                     .Event("oncontextpopup", &TFwButton::m_onContextPopup, "TContextPopupEvent"))

namespace {

Variant Array(std::vector<Variant> items) { return Variant(VariantArray(std::move(items))); }

struct ExecCase {
  const char* name;
  Variant word;
  Variant expected;
};

TEST_F(FrameworkTest, ExecTriesTheClassesWordsThenItsParentsAndAnswersFalseForOthers) {
  const ExecCase cases[] = {
      {"own word", Variant("ping"), Variant("pong")},
      {"any letter case", Variant("PiNG"), Variant("pong")},
      {"unknown word", Variant("explode"), Variant(false)},
      {"a number is its text", Variant(42), Variant(false)},
      {"an array is no word", Array({Variant("ping")}), Variant(false)},
  };
  TFwButton button;
  for (const ExecCase& c : cases) {
    SCOPED_TRACE(c.name);
    button.SetExec(c.word);
    EXPECT_EQ(button.GetExec(), c.expected);
  }
  TCustomExecutableComponentEx plain;
  EXPECT_TRUE(plain.GetExec().IsEmpty()) << "unassigned before the first write";
  EXPECT_EQ(plain.GetTypeName(), "none");
}

TEST_F(FrameworkTest, EveryComponentRegistersWithTheApplication) {
  TFwButton button;
  ASSERT_EQ(m_hooks.registered.size(), 1u);
  EXPECT_EQ(m_hooks.registered[0], &button);
}

TEST_F(FrameworkTest, FiringWithoutBindingsRunsNothingAndKeepsEventData) {
  TFwButton button;
  button.SetEventData(Variant("kept"));
  EXPECT_TRUE(button.FireEvent("click").IsEmpty());
  EXPECT_EQ(button.GetEventData(), Variant("kept"));
  EXPECT_FALSE(button.HasEvents()) << "firing never makes the bindings";
  EXPECT_TRUE(m_hooks.calls.empty());
}

TEST_F(FrameworkTest, TheHandlerSeesTheNameOrTheArgumentsAndTheCallerTheAnswer) {
  TFwButton button;
  button.SetName("Main");
  Bind(button, "onclick", "onClick");
  Bind(button, "onmousedown", "onDown");
  std::vector<Variant> seen;
  m_hooks.answer = [&](const ScriptCall& call) {
    seen.push_back(button.GetEventData());
    return Variant(call.procedure + "!");
  };
  button.m_onClick(&button);
  button.m_onMouseDown(&button, TMouseButton::mbLeft, ssShift, 3, 4);
  ASSERT_EQ(m_hooks.calls.size(), 2u);
  EXPECT_EQ(seen[0], Variant("Main"));
  EXPECT_EQ(seen[1], Array({Variant("Main"), Variant(1), Variant(1), Variant(3), Variant(4)}));
  EXPECT_EQ(m_hooks.calls[0].script, "actions.js");
  EXPECT_EQ(m_hooks.calls[1].parameters, seen[1]) << "split: each argument one parameter";
  EXPECT_TRUE(button.GetEventData().IsEmpty()) << "the arguments live only while the handler runs";
  EXPECT_EQ(button.FireEvent("click"), Variant("onClick!"));
}

TEST_F(FrameworkTest, AFailingHandlerIsReportedAndTheCallerGetsUnassigned) {
  TFwButton button;
  Bind(button, "onclick", "broken");
  m_hooks.answer = [](const ScriptCall&) -> Variant { throw platform::Exception("TypeError in \"a.js\""); };
  button.SetEventData(Variant(5));
  EXPECT_TRUE(button.FireEvent("click").IsEmpty());
  EXPECT_EQ(m_hooks.errors, std::vector<std::string>{"TypeError in \"a.js\""});
  EXPECT_EQ(button.GetEventData(), Variant(5));
}

TEST_F(FrameworkTest, ANestedFiringGivesTheOuterHandlerItsEventDataBack) {
  TFwButton button;
  button.SetName("B");
  Bind(button, "onclick", "inner");
  Bind(button, "onmousedown", "outer");
  Variant outerAfterInner;
  m_hooks.answer = [&](const ScriptCall& call) {
    if (call.procedure == "outer") {
      button.m_onClick(&button);
      outerAfterInner = button.GetEventData();
    }
    return Variant();
  };
  button.m_onMouseDown(&button, TMouseButton::mbRight, 0, 1, 2);
  EXPECT_EQ(outerAfterInner, Array({Variant("B"), Variant(2), Variant(0), Variant(1), Variant(2)}));
}

TEST_F(FrameworkTest, AHandlerThatKeepsFiringItsOwnEventIsStopped) {
  TFwButton button;
  Bind(button, "onclick", "again");
  m_hooks.answer = [&](const ScriptCall&) {
    button.m_onClick(&button);
    return Variant();
  };
  button.m_onClick(&button);
  EXPECT_EQ(m_hooks.calls.size(), static_cast<std::size_t>(kMaxScriptEventDepth));
  ASSERT_FALSE(m_hooks.errors.empty());
  EXPECT_NE(m_hooks.errors[0].find("nested too deeply"), std::string::npos);
}

TEST_F(FrameworkTest, AComponentFreedByItsOwnHandlerGoesAfterTheHandler) {
  TComponent owner;
  TFwButton& button = platform::MakeComponent<TFwButton>(owner);
  Bind(button, "onclick", "close");
  const int before = TFwButton::destroyed;
  bool aliveInHandler = false;
  m_hooks.answer = [&](const ScriptCall&) {
    TComponent::Free(button);
    aliveInHandler = TFwButton::destroyed == before;
    return Variant();
  };
  button.m_onClick(&button);
  EXPECT_TRUE(aliveInHandler);
  EXPECT_EQ(TFwButton::destroyed, before + 1);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

struct WithDataCase {
  const char* name;
  std::vector<Variant> args;
  Variant expected;
};

TEST_F(FrameworkTest, FireWithDataPutsNoneOneOrAllArguments) {
  const WithDataCase cases[] = {
      {"none: as the caller set it", {}, Variant("preset")},
      {"one: the value itself", {Variant(7)}, Variant(7)},
      {"more: an array", {Variant(7), Variant("x")}, Array({Variant(7), Variant("x")})},
  };
  for (const WithDataCase& c : cases) {
    SCOPED_TRACE(c.name);
    TFwButton button;
    Bind(button, "onclick", "p");
    Variant seen;
    m_hooks.answer = [&](const ScriptCall&) {
      seen = button.GetEventData();
      return Variant();
    };
    button.SetEventData(Variant("preset"));
    FireScriptEventWithData(button, button, "click", c.args);
    EXPECT_EQ(seen, c.expected);
  }
}

struct MouseCase {
  const char* name;
  TMouseButton button;
  TShiftState shift;
  int buttonCode;
  int shiftCode;
};

TEST_F(FrameworkTest, MouseButtonsAndShiftKeysBecomeTheScriptsCodes) {
  const MouseCase cases[] = {
      {"left, none", TMouseButton::mbLeft, 0, 1, 0},
      {"right with ctrl", TMouseButton::mbRight, ssCtrl, 2, 2},
      {"middle with alt", TMouseButton::mbMiddle, ssAlt, 4, 4},
      {"shift with alt", TMouseButton::mbLeft, ssShift | ssAlt, 1, 5},
      {"all three, buttons held too", TMouseButton::mbLeft, ssShift | ssAlt | ssCtrl | ssLeft, 1, 7},
  };
  TFwButton button;
  button.SetName("N");
  Bind(button, "onmousedown", "down");
  for (const MouseCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.calls.clear();
    button.m_onMouseDown(&button, c.button, c.shift, 10, 20);
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    EXPECT_EQ(m_hooks.calls[0].parameters,
              Array({Variant("N"), Variant(c.buttonCode), Variant(c.shiftCode), Variant(10), Variant(20)}));
  }
  EXPECT_EQ(SwapMiddleBits(2), 4u);
  EXPECT_EQ(BitMask(33), 2u) << "only the low five bits count";
}

struct AnswerCase {
  const char* name;
  Variant answer;
  bool handled;
};

TEST_F(FrameworkTest, AContextPopupIsHandledOnlyByATrueAnswer) {
  const AnswerCase cases[] = {
      {"true", Variant(true), true},
      {"non-zero number", Variant(1), true},
      {"text true", Variant("true"), true},
      {"false", Variant(false), false},
      {"null", Variant::Null(), false},
      {"nothing", Variant(), false},
      {"text that is no Boolean", Variant("maybe"), false},
  };
  TFwButton button;
  Bind(button, "oncontextpopup", "popup");
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    m_hooks.answer = [&](const ScriptCall&) { return c.answer; };
    bool handled = !c.handled;
    button.m_onContextPopup(&button, TPoint{5, 6}, handled);
    EXPECT_EQ(handled, c.handled);
  }
  EXPECT_TRUE(m_hooks.errors.empty());
}

// ------------------------------------------------------------ component lists

TEST_F(FrameworkTest, AListKeepsOneEntryPerComponentAndForgetsFreedOnes) {
  TComponent owner;
  TApplicationComponents list;
  TFwButton& a = platform::MakeComponent<TFwButton>(owner);
  TFwButton& b = platform::MakeComponent<TFwButton>(owner);
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_EQ(list.Add(&a), 0) << "already listed: its first index";
  EXPECT_EQ(list.GetLength(), 2);
  TComponent::Free(a);
  EXPECT_EQ(list.GetLength(), 1);
  EXPECT_EQ(list.GetItem(0), &b);
}

TEST_F(FrameworkTest, ItemByVariantTakesIntegersAsIndexesAndTextsAsNames) {
  TComponent owner;
  TApplicationComponents list;
  TFwButton& first = platform::MakeComponent<TFwButton>(owner);
  TFwButton& main = platform::MakeComponent<TFwButton>(owner);
  main.SetName("Main");
  list.Add(&first);
  list.Add(&main);
  EXPECT_EQ(list.ItemByVariant(Variant(1)), &main);
  EXPECT_EQ(list.ItemByVariant(Variant::OfInteger(platform::VarType::UI1, 0)), &first);
  EXPECT_EQ(list.ItemByVariant(Variant("main")), &main);
  EXPECT_EQ(list.ItemByVariant(Variant(1.5)), nullptr);
  EXPECT_EQ(list.ItemByVariant(Variant("")), nullptr) << "an empty name matches no unnamed component";
  EXPECT_EQ(list.ItemByVariant(Variant("other")), nullptr);
  EXPECT_TRUE(list.exists("MAIN"));
  EXPECT_THROW(list.ItemByVariant(Variant(2)), platform::EListError);
}

// Lists find their items by name through an index that must follow every
// change of a listed component's name, and keep the first of equal names.
TEST_F(FrameworkTest, AListFindsItsItemsByNameThroughRenamesFreesAndMoves) {
  TComponent left;
  TComponent right;
  TApplicationComponents list;
  std::vector<TFwButton*> buttons;
  for (int i = 0; i < 40; ++i) {  // long enough for the list's own position index
    TFwButton& button = platform::MakeComponent<TFwButton>(left);
    button.SetName("b" + std::to_string(i));
    list.Add(&button);
    buttons.push_back(&button);
  }
  TFwButton& twin = platform::MakeComponent<TFwButton>(right);
  twin.SetName("B1");  // another owner may use the same name
  list.Add(&twin);
  struct Step {
    const char* label;
    std::function<void()> change;
    std::vector<std::pair<std::string, int>> found;  // name -> index in the list, -1 for none
  };
  const Step steps[] = {
      {"as listed", [] {}, {{"B0", 0}, {"b39", 39}, {"b1", 1}}},
      {"renamed while listed", [&] { buttons[2]->SetName("Second"); }, {{"b2", -1}, {"SECOND", 2}}},
      {"the first of two equal names goes", [&] { TComponent::Free(*buttons[1]); }, {{"b1", 39}, {"b3", 2}}},
      {"dropped from the list", [&] { list.Remove(buttons[3]); }, {{"b3", -1}, {"b4", 2}}},
      {"moved to another owner",
       [&] { right.InsertComponent(left.RemoveComponent(*buttons[4])); },
       {{"b4", 2}}},
      {"renamed to a name another item has", [&] { buttons[4]->SetName("b0"); }, {{"b4", -1}, {"B0", 0}}},
      {"the earlier one renamed away", [&] { buttons[0]->SetName("first"); }, {{"b0", 2}, {"first", 0}}},
      {"renamed after leaving the list", [&] { list.Remove(buttons[6]); buttons[6]->SetName("gone"); },
       {{"gone", -1}, {"b6", -1}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.label);
    step.change();
    for (const auto& [name, index] : step.found) {
      EXPECT_EQ(list.IndexOfName(name), index) << name;
      EXPECT_EQ(list.ItemByName(name), index < 0 ? nullptr : list.GetItem(index)) << name;
    }
  }
}

TEST_F(FrameworkTest, ClearInAnyLetterCaseFreesEveryListedComponent) {
  TComponent owner;
  TApplicationComponents list;
  const int before = TFwButton::destroyed;
  TFwButton& parent = platform::MakeComponent<TFwButton>(owner);
  TFwButton& child = platform::MakeComponent<TFwButton>(parent);
  list.Add(&parent);
  list.Add(&child);
  list.Add(&platform::MakeComponent<TFwButton>(owner));
  list.SetExec(Variant("CLEAR"));
  EXPECT_EQ(list.GetExec(), Variant(true));
  EXPECT_EQ(TFwButton::destroyed, before + 3) << "each exactly once, the child with its parent";
  EXPECT_TRUE(list.GetEmpty());
  EXPECT_EQ(owner.ComponentCount(), 0);
  list.SetExec(Variant("explode"));
  EXPECT_EQ(list.GetExec(), Variant(false));
}

TEST_F(FrameworkTest, AListThatDoesNotShareFreesItsItemsWithItself) {
  TComponent owner;
  const int before = TFwButton::destroyed;
  {
    TApplicationComponents list;
    list.SetShare(false);
    list.Add(&platform::MakeComponent<TFwButton>(owner));
    list.Add(&platform::MakeComponent<TFwButton>(owner));
  }
  EXPECT_EQ(TFwButton::destroyed, before + 2);
  {
    TApplicationComponents shared;
    shared.Add(&platform::MakeComponent<TFwButton>(owner));
  }
  EXPECT_EQ(TFwButton::destroyed, before + 2) << "a sharing list leaves its items alone";
  EXPECT_EQ(owner.ComponentCount(), 1);
}

}  // namespace
}  // namespace halbrin::framework_test
