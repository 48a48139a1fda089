// Window switches over windowed controls without a backend: activation in a
// visibility group and its events, refusals, the only switch, a disabled
// group, a freed control, z-order by index, and the group's properties.

#include "core/framework/window_switch.h"

#include <gtest/gtest.h>

#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TWinControl;

class WindowSwitchTest : public FrameworkTest {
 protected:
  WindowSwitchTest() {
    m_group = &platform::MakeComponent<TWindowSwitch>(m_hooks.root);
    m_group->SetName("panes");
    for (const char* name : {"first", "second", "third"}) {
      TWinControl& frame = platform::MakeComponent<TWinControl>(m_hooks.root);
      frame.SetName(std::string(name) + "Frame");
      TWindowSwitch& sw = platform::MakeComponent<TWindowSwitch>(*m_group);
      sw.SetName(name);
      sw.SetComponent(&frame);
      for (const char* event : {"onbeforeactivate", "ondeactivate", "onactivate"})
        sw.GetEvents()->AttachEvent(event).SetXml(event + 2);
      m_frames.push_back(&frame);
      m_switches.push_back(&sw);
    }
    m_frames[0]->SetVisible(true);
    m_frames[1]->SetVisible(false);
    m_frames[2]->SetVisible(false);
    m_hooks.answer = [this](const ScriptCall& call) {
      return call.procedure == "beforeactivate" ? m_allow : Variant();
    };
  }

  // "procedure:eventData" of each call.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const ScriptCall& call : m_hooks.calls) {
      const Variant& data = call.parameters.IsArray() ? call.parameters.AsArray().Items()[0] : call.parameters;
      calls.push_back(call.procedure + ":" + data.ToText());
    }
    return calls;
  }
  std::vector<bool> Visible() const {
    std::vector<bool> visible;
    for (const TWinControl* frame : m_frames) visible.push_back(frame->Visible());
    return visible;
  }

  TWindowSwitch* m_group = nullptr;
  std::vector<TWinControl*> m_frames;
  std::vector<TWindowSwitch*> m_switches;
  Variant m_allow;
};

TEST_F(WindowSwitchTest, ActivatingOneHidesTheOthersInOrderOfEvents) {
  m_switches[1]->SetActive(true);
  EXPECT_EQ(Visible(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"beforeactivate:second", "deactivate:first", "activate:second"}));
  EXPECT_EQ(m_switches[1]->Index(), 0);
  EXPECT_EQ(m_group->ActiveIndex(), 0);
  EXPECT_EQ(m_group->ActiveName(), "secondFrame");
  EXPECT_EQ(m_group->ActiveSwitch(), m_switches[1]);
  EXPECT_EQ(m_group->ActiveComponent(), m_frames[1]);

  m_hooks.calls.clear();
  m_group->SetActiveName("THIRDFRAME");
  EXPECT_EQ(Visible(), (std::vector<bool>{false, false, true}));
  m_group->SetActiveComponent(m_frames[0]);
  EXPECT_EQ(Visible(), (std::vector<bool>{true, false, false}));
  m_group->SetActiveSwitch(m_switches[1]);
  EXPECT_EQ(Visible(), (std::vector<bool>{false, true, false}));
}

TEST_F(WindowSwitchTest, RefusalsChangeNothing) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"beforeactivate answers false", [this] { m_allow = Variant(false); }},
      {"the switch is disabled", [this] { m_switches[1]->SetEnabled(false); }},
      {"the group is disabled", [this] { m_group->SetEnabled(false); }},
      {"the switch has no control", [this] { m_switches[1]->SetComponent(nullptr); }},
  };
  for (const Case& c : cases) {
    m_allow = Variant();
    m_group->SetEnabled(true);
    m_switches[1]->SetEnabled(true);
    m_switches[1]->SetComponent(m_frames[1]);
    c.arrange();
    m_hooks.calls.clear();
    m_switches[1]->SetActive(true);
    EXPECT_EQ(Visible(), (std::vector<bool>{true, false, false})) << c.what;
    for (const std::string& call : Calls()) EXPECT_EQ(call.rfind("beforeactivate", 0), 0u) << c.what << ": " << call;
  }
  m_group->SetEnabled(false);
  EXPECT_EQ(m_group->ActiveIndex(), -1) << "a disabled group reports nothing";
  EXPECT_EQ(m_group->ActiveSwitch(), nullptr);
}

TEST_F(WindowSwitchTest, DeactivatingHandsOverOrChangesNothing) {
  m_switches[0]->SetActive(false);
  EXPECT_EQ(Visible(), (std::vector<bool>{false, true, false})) << "the first other switch takes over";
  EXPECT_EQ(m_switches[0]->Index(), 2);
  EXPECT_EQ(m_switches[1]->Index(), 0);

  // The only switch of a group.
  TWindowSwitch& lone = platform::MakeComponent<TWindowSwitch>(m_hooks.root);
  TWinControl& frame = platform::MakeComponent<TWinControl>(m_hooks.root);
  TWindowSwitch& only = platform::MakeComponent<TWindowSwitch>(lone);
  TWindowSwitch& idle = platform::MakeComponent<TWindowSwitch>(lone);  // no control: cannot take over
  only.SetComponent(&frame);
  only.SetSwitchType(TWindowSwitchType::wstZOrder);
  frame.SetVisible(true);
  ASSERT_TRUE(only.IsActive());
  only.SetActive(false);
  EXPECT_TRUE(only.IsActive()) << "nobody took over";
  EXPECT_EQ(only.Index(), 0) << "and it kept its place";
  EXPECT_EQ(idle.Index(), 1);

  // Without autoActivate on the group nothing hands over.
  m_group->SetAutoActivate(false);
  m_switches[1]->SetActive(false);
  EXPECT_EQ(Visible(), (std::vector<bool>{false, true, false}));
}

TEST_F(WindowSwitchTest, AFreedControlEmptiesTheSwitch) {
  platform::TComponent::Free(*m_frames[2]);
  EXPECT_EQ(m_switches[2]->Component(), nullptr);
  EXPECT_FALSE(m_switches[2]->IsActive());
  m_switches[2]->SetActive(true);
  EXPECT_EQ(m_group->ActiveSwitch(), m_switches[0]);
}

TEST_F(WindowSwitchTest, ZOrderSwitchesAreActiveAtIndexZero) {
  for (TWindowSwitch* sw : m_switches) sw->SetSwitchType(TWindowSwitchType::wstZOrder);
  EXPECT_TRUE(m_switches[0]->IsActive());
  EXPECT_FALSE(m_switches[2]->IsActive());
  m_switches[2]->SetActive(true);
  EXPECT_EQ(m_switches[2]->Index(), 0);
  EXPECT_TRUE(m_switches[2]->IsActive());
  EXPECT_FALSE(m_switches[0]->IsActive());
  EXPECT_EQ(m_group->ActiveName(), "thirdFrame");
  m_switches[0]->SetIndex(7);
  EXPECT_EQ(m_switches[0]->Index(), 2) << "SetComponentIndex clamps";
}

TEST_F(WindowSwitchTest, AssignCopiesTheSettingsAndTheControl) {
  TWindowSwitch copy;
  m_switches[1]->SetEnabled(false);
  m_switches[1]->SetAutoActivate(false);
  m_switches[1]->SetSwitchType(TWindowSwitchType::wstZOrder);
  copy.Assign(*m_switches[1]);
  EXPECT_FALSE(copy.Enabled());
  EXPECT_FALSE(copy.AutoActivate());
  EXPECT_EQ(copy.SwitchType(), TWindowSwitchType::wstZOrder);
  EXPECT_EQ(copy.Component(), m_frames[1]);
  platform::TComponent::Free(*m_frames[1]);
  EXPECT_EQ(copy.Component(), nullptr);
}

}  // namespace
}  // namespace halbrin::framework_test
