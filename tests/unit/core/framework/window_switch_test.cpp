// The window switch over stand-in windowed controls: activation and its
// events, refusals, hand-over on deactivation, the group's properties, a
// freed control, z-order, and declarations by type word.

#include "core/framework/window_switch.h"

#include <memory>
#include <stdexcept>

#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "fixtures/framework_test_support.h"
#include "platform/classes/property_access.h"

namespace halbrin::framework_test {

// A windowed control that writes each visibility and stacking change to a
// shared log ("show Home", "hide Home", "front Home", "back Home"), and can
// fail to hide. Declarations find it by name.
class TFakeWindow : public platform::TWinControl {
  HALBRIN_CLASS(TFakeWindow, platform::TWinControl)

  explicit TFakeWindow(TComponent* owner = nullptr) : TWinControl(owner) {
    ApplicationHooks().RegisterComponent(*this);
  }

  std::vector<std::string>* log = nullptr;
  bool failHide = false;

 protected:
  void ApplyVisible() override {
    if (log) log->push_back((Visible() ? "show " : "hide ") + Name());
    if (failHide && !Visible()) throw std::runtime_error("cannot hide " + Name());
    TWinControl::ApplyVisible();
  }
  void ApplyZOrder(bool toFront) override {
    if (log) log->push_back((toFront ? "front " : "back ") + Name());
    TWinControl::ApplyZOrder(toFront);
  }
};

HALBRIN_DEFINE_CLASS(TFakeWindow, )

namespace {

using platform::MakeComponent;
using platform::TWinControl;

const char* const kPageNames[] = {"Home", "Search", "Help"};

// Script answers: "beforeactivate" refuses.
Variant RefuseActivation(const ScriptCall& call) {
  return call.procedure == "beforeactivate" ? Variant(false) : Variant();
}

// A form with three panes (bottom to top: Home, Search, Help) and a group
// "Pages" of one switch each ("SwitchHome"...), in the same order.
struct Pages {
  explicit Pages(TComponent& root, TWindowSwitchType type = wstVisibility, const std::string& suffix = "") {
    form = &MakeComponent<TWinControl>(root);
    form->SetName("Form" + suffix);
    group = &MakeComponent<TWindowSwitch>(root);
    group->SetName("Pages" + suffix);
    for (int i = 0; i < 3; ++i) {
      TFakeWindow& pane = MakeComponent<TFakeWindow>(*form);
      pane.SetName(kPageNames[i]);
      pane.SetParent(form);
      pane.log = &log;
      TWindowSwitch& item = MakeComponent<TWindowSwitch>(*group);
      item.SetName(std::string("Switch") + kPageNames[i]);
      item.SetSwitchType(type);
      item.SetComponent(&pane);
      panes[i] = &pane;
      switches[i] = &item;
    }
  }

  // Which panes are visible, as "Home Search Help" with hidden ones as "-".
  std::string Shown() const {
    std::string text;
    for (const TFakeWindow* pane : panes) text += (text.empty() ? "" : " ") + (pane->Visible() ? pane->Name() : "-");
    return text;
  }
  // The group's switches by position.
  std::string Order() const {
    std::string text;
    for (int i = 0; i < group->ComponentCount(); ++i)
      text += (text.empty() ? "" : " ") + group->Components(i)->Name();
    return text;
  }
  // The form's children, bottom to top.
  std::string Stacking() const {
    std::string text;
    for (int i = 0; i < form->ControlCount(); ++i) text += (text.empty() ? "" : " ") + form->Controls(i)->Name();
    return text;
  }
  void ShowOnly(int index) {
    for (int i = 0; i < 3; ++i) panes[i]->SetVisible(i == index);
    log.clear();
  }

  TWinControl* form = nullptr;
  TWindowSwitch* group = nullptr;
  TFakeWindow* panes[3] = {};
  TWindowSwitch* switches[3] = {};
  std::vector<std::string> log;
};

class WindowSwitchTest : public FrameworkTest {
 protected:
  ~WindowSwitchTest() override { m_hooks.root.DestroyComponents(); }

  // Binds the three script events of a switch to procedures named after them.
  void BindEvents(TWindowSwitch& item) {
    for (const char* event : {"onbeforeactivate", "ondeactivate", "onactivate"})
      item.GetEvents()->AttachEvent(event).SetXml(std::string(event).substr(2));
  }
  // The script calls as "procedure(eventData)".
  std::vector<std::string> Calls() const {
    std::vector<std::string> list;
    for (const ScriptCall& call : m_hooks.calls) list.push_back(call.procedure + "(" + call.parameters.ToText() + ")");
    return list;
  }
};

TEST_F(WindowSwitchTest, ActivatingOneHidesEveryOtherVisibleControlAndShowsItsOwn) {
  Pages pages(m_hooks.root);
  for (TWindowSwitch* item : pages.switches) BindEvents(*item);
  pages.panes[1]->SetVisible(false);
  pages.log.clear();

  pages.switches[1]->SetActive(true);

  EXPECT_EQ(pages.Shown(), "- Search -");
  EXPECT_EQ(pages.log, (std::vector<std::string>{"hide Home", "hide Help", "show Search"}));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate(SwitchSearch)", "deactivate(SwitchHome)",
                                               "deactivate(SwitchHelp)", "activate(SwitchSearch)"}));
  EXPECT_TRUE(pages.switches[1]->Active());
  EXPECT_FALSE(pages.switches[0]->Active());
  EXPECT_EQ(pages.Order(), "SwitchSearch SwitchHome SwitchHelp") << "the active switch moves to the front";
  EXPECT_EQ(pages.group->ActiveSwitch(), pages.switches[1]);
  EXPECT_EQ(pages.group->ActiveIndex(), 0);
  EXPECT_EQ(pages.group->ActiveComponent(), pages.panes[1]);
  EXPECT_EQ(pages.group->ActiveName(), "Search");
  EXPECT_EQ(pages.Stacking(), "Home Search Help") << "visibility leaves the stacking alone";
}

TEST_F(WindowSwitchTest, TheBeforeActivateAnswerDecides) {
  struct Case {
    const char* what;
    Variant answer;
    bool allowed;
  };
  const Case cases[] = {
      {"False", Variant(false), false},  {"0", Variant(0), false},         {"True", Variant(true), true},
      {"Empty", Variant(), true},        {"Null", Variant::Null(), true}, {"a word", Variant("maybe"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_hooks.calls.clear();
    Pages pages(m_hooks.root);
    for (TWindowSwitch* item : pages.switches) BindEvents(*item);
    pages.ShowOnly(0);
    m_hooks.answer = [&](const ScriptCall& call) { return call.procedure == "beforeactivate" ? c.answer : Variant(); };

    pages.switches[2]->SetActive(true);

    if (c.allowed) {
      EXPECT_EQ(pages.Shown(), "- - Help");
      EXPECT_EQ(pages.Order(), "SwitchHelp SwitchHome SwitchSearch");
    } else {
      EXPECT_EQ(pages.Shown(), "Home - -");
      EXPECT_TRUE(pages.log.empty());
      EXPECT_EQ(Calls(), std::vector<std::string>{"beforeactivate(SwitchHelp)"});
      EXPECT_EQ(pages.Order(), "SwitchHome SwitchSearch SwitchHelp");
      EXPECT_EQ(pages.group->ActiveSwitch(), pages.switches[0]);
    }
    TComponent::Free(*pages.group);
    TComponent::Free(*pages.form);
  }
}

TEST_F(WindowSwitchTest, AnActivationThatCannotHappenChangesNothing) {
  struct Case {
    const char* what;
    std::function<void(Pages&)> arrange;
  };
  const Case cases[] = {
      {"switch disabled", [](Pages& p) { p.switches[1]->SetEnabled(false); }},
      {"switch without a control", [](Pages& p) { p.switches[1]->SetComponent(nullptr); }},
      {"group disabled", [](Pages& p) { p.group->SetEnabled(false); }},
      {"owner is no switch",
       [](Pages& p) {
         auto& other = MakeComponent<TCustomComponentEx>(*p.group->Owner());
         other.InsertComponent(p.group->RemoveComponent(*p.switches[1]));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_hooks.calls.clear();
    Pages pages(m_hooks.root);
    for (TWindowSwitch* item : pages.switches) BindEvents(*item);
    pages.ShowOnly(0);
    c.arrange(pages);
    const std::string order = pages.Order();

    pages.switches[1]->SetActive(true);

    EXPECT_EQ(pages.Shown(), "Home - -");
    EXPECT_TRUE(pages.log.empty());
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(pages.Order(), order);
    TComponent::Free(*pages.group);
    TComponent::Free(*pages.form);
  }
}

TEST_F(WindowSwitchTest, ADisabledGroupReadsNoActiveSwitchAndIgnoresWrites) {
  Pages pages(m_hooks.root);
  pages.ShowOnly(1);
  ASSERT_EQ(pages.group->ActiveName(), "Search");
  pages.group->SetEnabled(false);

  EXPECT_EQ(pages.group->ActiveSwitch(), nullptr);
  EXPECT_EQ(pages.group->ActiveComponent(), nullptr);
  EXPECT_EQ(pages.group->ActiveName(), "");
  EXPECT_EQ(pages.group->ActiveIndex(), -1);
  pages.group->SetActiveName("Help");
  pages.group->SetActiveSwitch(pages.switches[2]);
  pages.group->SetActiveComponent(pages.panes[2]);
  pages.switches[1]->SetActive(false);
  EXPECT_EQ(pages.Shown(), "- Search -");
  EXPECT_TRUE(pages.switches[1]->Active()) << "a switch still reads its own state";
}

TEST_F(WindowSwitchTest, TheGroupActivatesByNameControlOrSwitch) {
  Pages pages(m_hooks.root);
  pages.ShowOnly(0);

  pages.group->SetActiveName("hELP");
  EXPECT_EQ(pages.Shown(), "- - Help") << "the name is matched without regard to case";
  pages.group->SetActiveComponent(pages.panes[1]);
  EXPECT_EQ(pages.Shown(), "- Search -");
  pages.group->SetActiveSwitch(pages.switches[0]);
  EXPECT_EQ(pages.Shown(), "Home - -");

  Pages others(m_hooks.root, wstVisibility, "2");
  others.ShowOnly(1);
  pages.group->SetActiveSwitch(others.switches[2]);
  pages.group->SetActiveComponent(others.panes[2]);
  pages.group->SetActiveName("");
  pages.group->SetActiveName("Nowhere");
  EXPECT_EQ(pages.Shown(), "Home - -");
  EXPECT_EQ(others.Shown(), "- Search -") << "a switch of another group is not the group's to activate";
}

TEST_F(WindowSwitchTest, NoActiveSwitchReadsEmpty) {
  Pages pages(m_hooks.root);
  pages.ShowOnly(-1);
  EXPECT_EQ(pages.group->ActiveSwitch(), nullptr);
  EXPECT_EQ(pages.group->ActiveName(), "");
  EXPECT_EQ(pages.group->ActiveIndex(), -1);
}

TEST_F(WindowSwitchTest, DeactivatingHandsOverToTheFirstSwitchThatCanTakeOver) {
  struct Case {
    const char* what;
    std::function<void(TWindowSwitch&)> spoil;  // makes SwitchSearch unable to take over
  };
  const Case cases[] = {
      {"without autoActivate", [](TWindowSwitch& s) { s.SetAutoActivate(false); }},
      {"disabled", [](TWindowSwitch& s) { s.SetEnabled(false); }},
      {"without a control", [](TWindowSwitch& s) { s.SetComponent(nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    m_hooks.calls.clear();
    Pages pages(m_hooks.root);
    for (TWindowSwitch* item : pages.switches) BindEvents(*item);
    pages.ShowOnly(0);
    c.spoil(*pages.switches[1]);

    pages.switches[0]->SetActive(false);

    EXPECT_EQ(pages.Shown(), "- - Help");
    EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate(SwitchHelp)", "deactivate(SwitchHome)",
                                                 "activate(SwitchHelp)"}));
    EXPECT_EQ(pages.Order(), "SwitchHelp SwitchSearch SwitchHome");
    TComponent::Free(*pages.group);
    TComponent::Free(*pages.form);
  }
}

TEST_F(WindowSwitchTest, DeactivatingNeedsAutoActivateOnTheSwitchAndTheGroup) {
  for (int which = 0; which < 2; ++which) {
    SCOPED_TRACE(which == 0 ? "switch" : "group");
    Pages pages(m_hooks.root);
    pages.ShowOnly(0);
    (which == 0 ? *pages.switches[0] : *pages.group).SetAutoActivate(false);

    pages.switches[0]->SetActive(false);

    EXPECT_EQ(pages.Shown(), "Home - -");
    EXPECT_EQ(pages.Order(), "SwitchHome SwitchSearch SwitchHelp");
    TComponent::Free(*pages.group);
    TComponent::Free(*pages.form);
  }
}

TEST_F(WindowSwitchTest, DeactivatingTheOnlySwitchChangesNothing) {
  Pages pages(m_hooks.root);
  pages.ShowOnly(1);
  TComponent::Free(*pages.switches[0]);
  TComponent::Free(*pages.switches[2]);
  BindEvents(*pages.switches[1]);

  pages.switches[1]->SetActive(false);

  EXPECT_EQ(pages.Shown(), "- Search -");
  EXPECT_TRUE(pages.log.empty());
  EXPECT_TRUE(Calls().empty());
  EXPECT_TRUE(pages.switches[1]->Active());
  EXPECT_EQ(pages.switches[1]->Index(), 0);
}

TEST_F(WindowSwitchTest, ASwitchNobodyTakesOverFromKeepsItsPlace) {
  // Visibility: the successor refuses; the switch stays active where it was.
  Pages pages(m_hooks.root);
  pages.ShowOnly(1);
  pages.switches[1]->SetIndex(1);
  BindEvents(*pages.switches[0]);
  m_hooks.answer = RefuseActivation;

  pages.switches[1]->SetActive(false);

  EXPECT_EQ(pages.Shown(), "- Search -");
  EXPECT_EQ(Calls(), std::vector<std::string>{"beforeactivate(SwitchHome)"});
  EXPECT_EQ(pages.Order(), "SwitchHome SwitchSearch SwitchHelp");
}

TEST_F(WindowSwitchTest, ZOrderActivationBringsTheControlToTheFrontAndTheSwitchToIndexZero) {
  Pages pages(m_hooks.root, wstZOrder);
  for (TWindowSwitch* item : pages.switches) BindEvents(*item);
  ASSERT_TRUE(pages.switches[0]->Active()) << "the switch at index 0 is the active one";
  ASSERT_FALSE(pages.switches[2]->Active()) << "even though its control is on top";

  pages.switches[1]->SetActive(true);

  EXPECT_EQ(pages.log, (std::vector<std::string>{"back Home", "front Search"}));
  EXPECT_EQ(pages.Stacking(), "Home Help Search");
  EXPECT_EQ(pages.Order(), "SwitchSearch SwitchHome SwitchHelp");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate(SwitchSearch)", "deactivate(SwitchHome)",
                                               "activate(SwitchSearch)"}));
  EXPECT_TRUE(pages.switches[1]->Active());
  EXPECT_FALSE(pages.switches[0]->Active());
  EXPECT_EQ(pages.group->ActiveName(), "Search");
  EXPECT_EQ(pages.Shown(), "Home Search Help") << "z-order leaves visibility alone";

  m_hooks.calls.clear();
  pages.log.clear();
  pages.switches[1]->SetActive(false);

  EXPECT_EQ(pages.log, std::vector<std::string>{"front Home"});
  EXPECT_EQ(pages.Stacking(), "Help Search Home");
  EXPECT_EQ(pages.Order(), "SwitchHome SwitchHelp SwitchSearch");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate(SwitchHome)", "activate(SwitchHome)"}));
}

TEST_F(WindowSwitchTest, AZOrderSwitchNobodyTakesOverFromStaysInFrontAtIndexZero) {
  Pages pages(m_hooks.root, wstZOrder);
  pages.switches[2]->SetActive(true);
  ASSERT_EQ(pages.Stacking(), "Home Search Help");
  BindEvents(*pages.switches[0]);
  m_hooks.answer = RefuseActivation;
  pages.log.clear();

  pages.switches[2]->SetActive(false);

  EXPECT_TRUE(pages.log.empty());
  EXPECT_EQ(pages.Stacking(), "Home Search Help");
  EXPECT_EQ(pages.Order(), "SwitchHelp SwitchHome SwitchSearch");
  EXPECT_TRUE(pages.switches[2]->Active());
  EXPECT_EQ(pages.group->ActiveSwitch(), pages.switches[2]);
}

TEST_F(WindowSwitchTest, AFailingSiblingIsLoggedAndTheOthersStillSwitch) {
  Pages pages(m_hooks.root);
  pages.panes[0]->failHide = true;
  BindEvents(*pages.switches[0]);
  BindEvents(*pages.switches[2]);

  EXPECT_NO_THROW(pages.switches[2]->SetActive(true));

  EXPECT_EQ(pages.log, (std::vector<std::string>{"hide Home", "hide Search"}));
  EXPECT_EQ(pages.Shown(), "- - Help");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate(SwitchHelp)", "activate(SwitchHelp)"}))
      << "the failed sibling fires no deactivate";
  ASSERT_EQ(m_hooks.logged.size(), 1u);
  EXPECT_EQ(m_hooks.logged[0], "[TWindowSwitch]: SwitchHome: cannot hide Home");
}

TEST_F(WindowSwitchTest, AFreedControlLeavesTheSwitchWithout) {
  Pages pages(m_hooks.root);
  pages.ShowOnly(1);
  TComponent::Free(*pages.panes[1]);

  EXPECT_EQ(pages.switches[1]->Component(), nullptr);
  EXPECT_FALSE(pages.switches[1]->Active());
  EXPECT_EQ(pages.group->ActiveSwitch(), nullptr);
  EXPECT_EQ(GetObjectProp(*pages.switches[1], platform::RequirePropInfo(*pages.switches[1], "component")), nullptr);
  pages.switches[1]->SetActive(true);
  pages.switches[0]->SetActive(true);
  EXPECT_EQ(pages.group->ActiveName(), "Home");
}

TEST_F(WindowSwitchTest, ASwitchFreedBeforeItsControlLeavesTheControl) {
  Pages pages(m_hooks.root);
  TComponent::Free(*pages.switches[1]);
  pages.log.clear();
  TComponent::Free(*pages.panes[1]);
  EXPECT_EQ(pages.form->ControlCount(), 2);
}

TEST_F(WindowSwitchTest, IndexMovesTheSwitchAmongItsOwnersComponents) {
  Pages pages(m_hooks.root);
  pages.switches[0]->SetIndex(2);
  EXPECT_EQ(pages.Order(), "SwitchSearch SwitchHelp SwitchHome");
  pages.switches[0]->SetIndex(99);
  EXPECT_EQ(pages.switches[0]->Index(), 2) << "clamped, as the class library does";
  pages.switches[0]->SetIndex(-5);
  EXPECT_EQ(pages.Order(), "SwitchHome SwitchSearch SwitchHelp");
}

TEST_F(WindowSwitchTest, AssignCopiesTheSettingsAndTheControl) {
  Pages pages(m_hooks.root);
  TWindowSwitch& source = *pages.switches[2];
  source.SetEnabled(false);
  source.SetAutoActivate(false);
  source.SetSwitchType(wstZOrder);
  TWindowSwitch copy;
  copy.SetName("Copy");

  copy.Assign(source);

  EXPECT_FALSE(copy.Enabled());
  EXPECT_FALSE(copy.AutoActivate());
  EXPECT_EQ(copy.SwitchType(), wstZOrder);
  EXPECT_EQ(copy.Component(), pages.panes[2]);
  EXPECT_EQ(copy.Name(), "Copy");
  TComponent::Free(*pages.panes[2]);
  EXPECT_EQ(copy.Component(), nullptr) << "the copy holds its own free notification";
}

TEST_F(WindowSwitchTest, PublishedDefaults) {
  TWindowSwitch item;
  // As the property list shows them: Booleans by their names.
  struct Case {
    const char* name;
    const char* text;
  };
  const Case cases[] = {{"enabled", "True"},    {"autoActivate", "True"}, {"active", "False"},
                        {"activeIndex", "-1"}, {"activeName", ""},       {"index", "-1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetPropValue(item, platform::RequirePropInfo(item, c.name)).ToText(), c.text);
  }
  const platform::TPropInfo& type = platform::RequirePropInfo(item, "switchType");
  EXPECT_EQ(platform::GetEnumName(type, GetOrdProp(item, type)), "wstVisibility");
  EXPECT_EQ(platform::GetEnumValue(type, "wstZOrder"), 1);
  EXPECT_EQ(item.GetTypeName(), "windowswitch");
}

class WindowSwitchDeclarationTest : public WindowSwitchTest {
 protected:
  void SetUp() override { RegisterCoreComponentTypes(); }

  Variant Run(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant("<controls>" + body + "</controls>"), result);
    return result;
  }
};

TEST_F(WindowSwitchDeclarationTest, AGroupOfSwitchesIsDeclaredByTypeWord) {
  for (const char* name : {"Home", "Search"}) MakeComponent<TFakeWindow>(m_hooks.root).SetName(name);
  Run("<control type=\"windowswitch\" id=\"Pages\">"
      "<control type=\"windowswitch\" id=\"ToHome\" component=\"Home\"/>"
      "<control type=\"windowswitch\" id=\"ToSearch\" component=\"Search\" active=\"true\"/>"
      "</control>");

  auto* group = dynamic_cast<TWindowSwitch*>(m_hooks.root.FindComponent("Pages"));
  ASSERT_NE(group, nullptr);
  auto* toSearch = dynamic_cast<TWindowSwitch*>(group->FindComponent("ToSearch"));
  ASSERT_NE(toSearch, nullptr);
  EXPECT_EQ(toSearch->Component(), m_hooks.root.FindComponent("Search"));
  EXPECT_EQ(group->ActiveName(), "Search");
  EXPECT_FALSE(dynamic_cast<TFakeWindow*>(m_hooks.root.FindComponent("Home"))->Visible());
}

TEST_F(WindowSwitchDeclarationTest, AComponentThatIsNoWindowedControlIsRefused) {
  TWindowSwitch& item = MakeComponent<TWindowSwitch>(m_hooks.root);
  TFwButton& button = MakeComponent<TFwButton>(m_hooks.root);
  const platform::TPropInfo& prop = platform::RequirePropInfo(item, "component");
  EXPECT_THROW(SetObjectProp(item, prop, &button), platform::Exception);
  EXPECT_EQ(item.Component(), nullptr);
}

}  // namespace
}  // namespace halbrin::framework_test
