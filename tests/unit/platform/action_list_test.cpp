// Actions, action lists and their links, without scripts: the execute chain,
// groups and auto-check, suspension, and a client that follows an action.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/controls/action_link.h"
#include "platform/controls/control.h"

namespace halbrin::platform {
namespace {

using Calls = std::vector<std::string>;

// Handlers that record what ran; the list's answer is `listHandles`.
class TActionProbe : public TComponent {
  HALBRIN_CLASS(TActionProbe, TComponent)

  explicit TActionProbe(TComponent* owner = nullptr) : TComponent(owner) {}
  void ActionExecute(TObject* sender) {
    auto* action = static_cast<TCustomAction*>(sender);
    TComponent* by = action->ActionComponent();
    calls.push_back("execute " + action->Name() + (by ? " by " + by->Name() : ""));
  }
  void ActionUpdate(TObject* sender) { calls.push_back("update " + static_cast<TComponent*>(sender)->Name()); }
  void ListExecute(TCustomAction* action, bool& handled) {
    calls.push_back("list execute " + action->Name());
    handled = listHandles;
  }
  void Click(TObject*) { calls.push_back("click"); }

  Calls calls;
  bool listHandles = false;
};

HALBRIN_DEFINE_CLASS(TActionProbe, )

// A link that records every value pushed to its client.
class TRecordingLink : public TActionLink {
 public:
  explicit TRecordingLink(TComponent& client, Calls& calls) : TActionLink(client), m_calls(calls) {}

 protected:
  void SetCaption(const std::string& v) override { m_calls.push_back("Caption=" + v); }
  void SetEnabled(bool v) override { m_calls.push_back(std::string("Enabled=") + (v ? "1" : "0")); }
  void SetChecked(bool v) override { m_calls.push_back(std::string("Checked=") + (v ? "1" : "0")); }
  void SetImageIndex(int v) override { m_calls.push_back("ImageIndex=" + std::to_string(v)); }
  void SetShortCut(TShortCut v) override { m_calls.push_back("ShortCut=" + std::to_string(v)); }
  void SetVisible(bool v) override { m_calls.push_back(std::string("Visible=") + (v ? "1" : "0")); }
  void SetHint(const std::string& v) override { m_calls.push_back("Hint=" + v); }
  void ActionFreed() override { m_calls.push_back("freed"); }

 private:
  Calls& m_calls;
};

class ActionListTest : public ::testing::Test {
 protected:
  TCustomAction& Action(const std::string& name) {
    auto& action = MakeComponent<TCustomAction>(m_owner);
    action.SetName(name);
    action.SetActionList(&m_list);
    return action;
  }
  void BindExecute(TCustomAction& action) { action.m_onExecute.Bind(m_probe, &TActionProbe::ActionExecute); }

  TComponent m_owner;
  TCustomActionList& m_list = MakeComponent<TCustomActionList>(m_owner);
  TActionProbe& m_probe = MakeComponent<TActionProbe>(m_owner);
};

TEST_F(ActionListTest, TheListsExecuteHandlerComesFirstAndMayKeepTheActionsOwnFromRunning) {
  struct ChainCase {
    bool listBound;
    bool listHandles;
    bool actionBound;
    bool enabled;
    bool result;
    Calls calls;
  } const cases[] = {
      {true, true, true, true, true, {"list execute A"}},
      {true, false, true, true, true, {"list execute A", "execute A"}},
      {true, false, false, true, false, {"list execute A"}},
      {false, false, true, true, true, {"execute A"}},
      {false, false, false, true, false, {}},
      {true, true, true, false, false, {}},
  };
  for (const ChainCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.listBound << c.listHandles << c.actionBound << c.enabled);
    TCustomAction& action = Action("A");
    m_list.m_onExecute.Clear();
    if (c.listBound) m_list.m_onExecute.Bind(m_probe, &TActionProbe::ListExecute);
    m_probe.listHandles = c.listHandles;
    if (c.actionBound) BindExecute(action);
    action.SetEnabled(c.enabled);
    m_probe.calls.clear();
    EXPECT_EQ(action.Execute(), c.result);
    EXPECT_EQ(m_probe.calls, c.calls);
    TComponent::Free(action);
  }
}

TEST_F(ActionListTest, ExecuteUpdatesFirstAndASuspendedListRunsNothing) {
  TCustomAction& action = Action("A");
  BindExecute(action);
  action.m_onUpdate.Bind(m_probe, &TActionProbe::ActionUpdate);
  EXPECT_TRUE(action.Execute());
  EXPECT_EQ(m_probe.calls, (Calls{"update A", "execute A"}));
  m_probe.calls.clear();
  action.SetEnabled(false);
  m_list.SetState(asSuspended);
  EXPECT_FALSE(action.Execute());
  EXPECT_FALSE(action.Update());
  EXPECT_TRUE(m_probe.calls.empty());
  EXPECT_FALSE(action.Enabled());
  m_list.SetState(asSuspendedEnabled);
  EXPECT_TRUE(action.Enabled()) << "entering asSuspendedEnabled enables the actions";
}

TEST_F(ActionListTest, AutoCheckTogglesAndAGroupKeepsOneChecked) {
  TCustomAction& a = Action("A");
  TCustomAction& b = Action("B");
  TCustomAction& loose = Action("C");
  for (TCustomAction* action : {&a, &b}) {
    action->SetGroupIndex(1);
    action->SetAutoCheck(true);
  }
  loose.SetAutoCheck(true);
  a.Execute();
  EXPECT_TRUE(a.Checked());
  b.Execute();
  EXPECT_TRUE(b.Checked());
  EXPECT_FALSE(a.Checked()) << "checking one of a group unchecks the others";
  b.Execute();
  EXPECT_TRUE(b.Checked()) << "a checked action of a group stays checked";
  loose.Execute();
  loose.Execute();
  EXPECT_FALSE(loose.Checked()) << "without a group it toggles";
  EXPECT_TRUE(b.Checked()) << "group 0 is no group";
}

TEST_F(ActionListTest, AnActionBelongsToOneListAndOutlivesItsList) {
  TCustomAction& a = Action("A");
  TCustomAction& b = Action("B");
  auto& other = MakeComponent<TCustomActionList>(m_owner);
  a.SetActionList(&other);
  EXPECT_EQ(m_list.ActionCount(), 1);
  EXPECT_EQ(m_list.Actions(0), &b);
  EXPECT_EQ(other.FindAction("a"), &a) << "names without regard to case";
  EXPECT_EQ(a.Index(), 0);
  EXPECT_EQ(other.IndexOfName("B"), -1);
  TComponent::Free(other);
  EXPECT_EQ(a.ActionList(), nullptr);
  m_list.Clear();
  EXPECT_EQ(b.ActionList(), nullptr);
  EXPECT_EQ(m_list.ActionCount(), 0);
  EXPECT_EQ(m_owner.FindComponent("B"), &b) << "clear leaves the actions with their owner";
  TComponent::Free(b);
  EXPECT_EQ(m_list.Actions(0), nullptr);
}

TEST_F(ActionListTest, PublishedDefaults) {
  TCustomAction& action = Action("A");
  struct DefaultCase {
    const char* name;
    Variant value;
  } const cases[] = {{"Caption", Variant("")},      {"Checked", Variant(false)}, {"Enabled", Variant(true)},
                     {"ImageIndex", Variant(-1)}, {"ShortCut", Variant(0)},    {"Visible", Variant(true)},
                     {"Hint", Variant("")},         {"AutoCheck", Variant(false)}, {"GroupIndex", Variant(0)}};
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TPropInfo* prop = GetPropInfo(action, c.name);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(GetPropValue(action, *prop).ToText(), c.value.ToText());
  }
  EXPECT_EQ(m_list.State(), asNormal);
}

TEST_F(ActionListTest, ALinkPushesEachChangeAndEveryValueOfANewAction) {
  TCustomAction& action = Action("A");
  action.SetCaption("Open");
  action.SetShortCut(0x4000 | 'O');
  Calls pushed;
  TComponent client;
  {
    TRecordingLink link(client, pushed);
    link.SetAction(&action);
    EXPECT_EQ(pushed, (Calls{"Caption=Open", "Enabled=1", "Checked=0", "ImageIndex=-1", "ShortCut=16463",
                             "Visible=1", "Hint="}));
    pushed.clear();
    action.SetEnabled(false);
    action.SetChecked(true);
    action.SetImageIndex(3);
    action.SetVisible(false);
    action.SetHint("Opens");
    action.SetCaption("Open");  // no change, nothing pushed
    EXPECT_EQ(pushed, (Calls{"Enabled=0", "Checked=1", "ImageIndex=3", "Visible=0", "Hint=Opens"}));
  }
  pushed.clear();
  action.SetCaption("Gone");
  EXPECT_TRUE(pushed.empty()) << "a destroyed link is no longer told";
}

TEST_F(ActionListTest, AFreedActionLeavesItsLinksWithoutOne) {
  Calls pushed;
  TComponent client;
  TRecordingLink link(client, pushed);
  TCustomAction& action = Action("A");
  link.SetAction(&action);
  pushed.clear();
  TComponent::Free(action);
  EXPECT_EQ(pushed, (Calls{"freed"}));
  EXPECT_EQ(link.Action(), nullptr);
  EXPECT_FALSE(link.Execute());
}

TEST_F(ActionListTest, AControlFollowsItsActionAndItsClickExecutesIt) {
  TCustomAction& action = Action("Save");
  action.SetCaption("Save");
  action.SetHint("Saves the file");
  BindExecute(action);
  m_list.m_onExecute.Clear();
  auto& control = MakeComponent<TControl>(m_owner);
  control.SetName("Button");
  SetObjectProp(control, *GetPropInfo(control, "Action"), &action);
  EXPECT_EQ(control.Action(), &action);
  EXPECT_EQ(control.Text(), "Save");
  EXPECT_EQ(control.Hint(), "Saves the file");
  action.SetEnabled(false);
  EXPECT_FALSE(control.Enabled());
  action.SetVisible(false);
  EXPECT_FALSE(control.Visible());
  action.SetEnabled(true);

  action.m_onUpdate.Bind(m_probe, &TActionProbe::ActionUpdate);
  m_probe.calls.clear();
  control.Click();
  EXPECT_EQ(m_probe.calls, (Calls{"update Save", "execute Save by Button"}));
  EXPECT_EQ(action.ActionComponent(), nullptr) << "the client is the action component only while it runs";

  control.OnClick().Bind(m_probe, &TActionProbe::Click);
  m_probe.calls.clear();
  control.Click();
  EXPECT_EQ(m_probe.calls, (Calls{"click"})) << "an OnClick of its own comes first";

  TComponent::Free(action);
  EXPECT_EQ(control.Action(), nullptr);
  m_probe.calls.clear();
  control.Click();
  EXPECT_EQ(m_probe.calls, (Calls{"click"}));
}

}  // namespace
}  // namespace halbrin::platform
