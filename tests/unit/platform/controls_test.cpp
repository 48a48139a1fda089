#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/classes/property_access.h"
#include "platform/controls/control.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/controls/win_control.h"
#include "platform/graphics/popup_menu.h"

namespace halbrin::platform {
namespace {

using Calls = std::vector<std::string>;

// Controls owned by one component, with their windows made by a recording backend.
class ControlsTest : public ::testing::Test {
 protected:
  TWinControl& Win(const std::string& name, TWinControl* parent = nullptr) {
    auto& control = MakeComponent<TWinControl>(m_owner);
    control.SetName(name);
    control.SetParent(parent);
    return control;
  }
  TControl& Plain(const std::string& name, TWinControl* parent) {
    auto& control = MakeComponent<TControl>(m_owner);
    control.SetName(name);
    control.SetParent(parent);
    return control;
  }

  static std::vector<std::string> ChildNames(const TWinControl& parent) {
    std::vector<std::string> names;
    for (int i = 0; i < parent.ControlCount(); ++i) names.push_back(parent.Controls(i)->Name());
    return names;
  }
  std::vector<std::string> StackingNames(ControlWindow parent) const {
    std::vector<std::string> names;
    for (ControlWindow window : m_backend.Stacking(parent)) names.push_back(m_backend.ControlOf(window)->Name());
    return names;
  }
  // Logs "Name:Event" for every notification of `control`.
  ObserverToken Watch(TControl& control) {
    return control.AddObserver(
        [this](TControl& c, ControlEvent e) { m_events.push_back(c.Name() + ":" + std::string(ControlEventName(e))); });
  }

  TRecordingControlBackend m_backend;
  ScopedControlBackend m_scope{m_backend};
  TComponent m_owner;  // destroyed first: the controls go before the backend
  std::vector<std::string> m_events;
};

// --- Parents and children ------------------------------------------------------

TEST_F(ControlsTest, ChildrenKeepTheOrderTheyWereParentedIn) {
  TWinControl& form = Win("Form");
  TWinControl& other = Win("Other");
  Win("A", &form);
  TControl& b = Plain("B", &form);
  TWinControl& c = Win("C", &form);
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(form.Controls(1), &b);
  EXPECT_EQ(c.Parent(), &form);

  b.SetParent(&other);
  b.SetParent(&form);  // back again: now on top
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"A", "C", "B"}));
  EXPECT_EQ(other.ControlCount(), 0);
  EXPECT_THROW(form.Controls(3), EListError);
}

TEST_F(ControlsTest, AControlCannotBeItsOwnAncestor) {
  TWinControl& form = Win("Form");
  TWinControl& panel = Win("Panel", &form);
  TWinControl& inner = Win("Inner", &panel);
  for (TWinControl* parent : {&form, &panel, &inner}) {
    try {
      form.SetParent(parent);
      ADD_FAILURE() << "parent " << parent->Name() << " was accepted";
    } catch (const EInvalidOperation& e) {
      EXPECT_STREQ(e.what(), "A control cannot have itself as its parent");
    }
  }
  EXPECT_EQ(form.Parent(), nullptr);
  EXPECT_EQ(inner.Parent(), &panel);
}

TEST_F(ControlsTest, DestroyedChildLeavesItsParentAndDestroyedParentLeavesOrphans) {
  TWinControl& form = Win("Form");
  TWinControl& panel = Win("Panel", &form);
  TControl& label = Plain("Label", &panel);
  TWinControl& edit = Win("Edit", &panel);
  form.HandleNeeded();
  const ControlWindow editWindow = edit.Window();
  ASSERT_TRUE(m_backend.IsAlive(editWindow));

  TComponent::Free(label);
  EXPECT_EQ(ChildNames(panel), (std::vector<std::string>{"Edit"}));

  TComponent::Free(panel);
  EXPECT_EQ(form.ControlCount(), 0);
  EXPECT_EQ(edit.Parent(), nullptr) << "a child outlives its parent without one";
  EXPECT_FALSE(edit.HandleAllocated());
  EXPECT_FALSE(m_backend.IsAlive(editWindow));
}

// --- Alignment ---------------------------------------------------------------------

TEST(Align, SideAlignsAndSharedAxes) {
  const std::array<TAlign, 7> all{alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom};
  const auto axis = [](TAlign a) { return a == alTop || a == alBottom ? 1 : a == alLeft || a == alRight ? 2 : 0; };
  for (TAlign a : all) {
    EXPECT_EQ(IsSideAlign(a), axis(a) != 0) << AlignInfo().Name(a);
    for (TAlign b : all)
      EXPECT_EQ(AlignsOnSameAxis(a, b), axis(a) != 0 && axis(a) == axis(b))
          << AlignInfo().Name(a) << " / " << AlignInfo().Name(b);
  }
}

TEST_F(ControlsTest, PublishedAlignReadsAndWritesItsNames) {
  TWinControl& panel = Win("Panel");
  const TPropInfo& align = RequirePropInfo(panel, "Align");
  SetPropValue(panel, align, Variant(std::string("alClient")));
  EXPECT_EQ(panel.Align(), alClient);
  panel.SetAlign(alCustom);
  EXPECT_EQ(GetEnumName(align, GetOrdProp(panel, align)), "alCustom");
}

// --- Bounds and constraints ----------------------------------------------------------

struct ConstraintCase {
  const char* name;
  int minWidth, minHeight, maxWidth, maxHeight;
  int width, height;
  int expectedWidth, expectedHeight;
};

class ConstraintsTest : public ControlsTest, public ::testing::WithParamInterface<ConstraintCase> {};

TEST_P(ConstraintsTest, SizesAreBroughtInsideTheLimits) {
  const ConstraintCase& c = GetParam();
  TWinControl& control = Win("Control");
  control.Constraints().SetMinWidth(c.minWidth);
  control.Constraints().SetMinHeight(c.minHeight);
  control.Constraints().SetMaxWidth(c.maxWidth);
  control.Constraints().SetMaxHeight(c.maxHeight);
  control.SetBounds(5, 6, c.width, c.height);
  EXPECT_EQ(control.BoundsRect(), (TRect{5, 6, 5 + c.expectedWidth, 6 + c.expectedHeight}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConstraintsTest,
    ::testing::Values(ConstraintCase{"NoLimits", 0, 0, 0, 0, 300, 200, 300, 200},
                      ConstraintCase{"BelowMinimum", 100, 50, 0, 0, 20, 10, 100, 50},
                      ConstraintCase{"AboveMaximum", 0, 0, 120, 80, 300, 200, 120, 80},
                      ConstraintCase{"InsideBoth", 100, 50, 400, 300, 200, 100, 200, 100},
                      ConstraintCase{"MinimumEqualsMaximum", 150, 150, 150, 150, 10, 900, 150, 150},
                      ConstraintCase{"NegativeSizeIsZero", 0, 0, 0, 0, -5, -1, 0, 0}),
    [](const ::testing::TestParamInfo<ConstraintCase>& info) { return std::string(info.param.name); });

TEST(SizeConstraints, AMinimumNeverExceedsASetMaximum) {
  TSizeConstraints limits;
  limits.SetMaxWidth(100);
  limits.SetMinWidth(150);  // raises the maximum
  EXPECT_EQ(limits.MaxWidth(), 150);
  limits.SetMaxWidth(80);  // lowers the minimum
  EXPECT_EQ(limits.MinWidth(), 80);
  limits.SetMaxWidth(0);  // no maximum: the minimum stays
  EXPECT_EQ(limits.MinWidth(), 80);
  limits.SetMinHeight(-4);
  EXPECT_EQ(limits.MinHeight(), 0);

  limits.SetMinHeight(40);
  limits.SetMaxHeight(30);
  EXPECT_EQ(limits.MinHeight(), 30);
  limits.SetMinHeight(60);
  EXPECT_EQ(limits.MaxHeight(), 60);
}

TEST_F(ControlsTest, NewConstraintsResizeTheControlAndItsWindow) {
  TWinControl& form = Win("Form");
  form.SetBounds(0, 0, 300, 200);
  form.HandleNeeded();
  Watch(form);
  m_backend.ClearCalls();

  form.Constraints().SetMaxWidth(250);
  EXPECT_EQ(form.Width(), 250);
  EXPECT_EQ(m_backend.Calls(), (Calls{"SetBounds(Form 0,0,250,200)"}));
  EXPECT_EQ(m_events, (std::vector<std::string>{"Form:Resized"}));

  TSizeConstraints limits;
  limits.SetMinHeight(260);
  form.Constraints().Assign(limits);
  EXPECT_EQ(form.BoundsRect(), (TRect{0, 0, 250, 260})) << "Assign copies every limit; a lifted one restores nothing";
  EXPECT_EQ(form.Constraints().MaxWidth(), 0);
}

TEST_F(ControlsTest, ClientRectLeavesOutTheNonClientMargins) {
  TWinControl& form = Win("Form");
  form.SetBounds(10, 10, 200, 100);
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 200, 100}));
  form.SetNonClientMargins({4, 22, 4, -3});
  EXPECT_EQ(form.NonClientMargins(), (TRect{4, 22, 4, 0}));
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 192, 78}));
  form.SetNonClientMargins({150, 60, 150, 60});
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 0, 0})) << "margins wider than the window leave no client area";
}

// --- Notifications ----------------------------------------------------------------------

struct ChangeCase {
  const char* name;
  std::function<void(TWinControl&)> change;
  std::vector<std::string> events;
};

class NotificationTest : public ControlsTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(NotificationTest, EachChangeTellsTheObserversOnce) {
  TWinControl& form = Win("Form");
  form.SetBounds(10, 20, 300, 200);
  form.SetText("Caption");
  Watch(form);
  GetParam().change(form);
  EXPECT_EQ(m_events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NotificationTest,
    ::testing::Values(
        ChangeCase{"Move", [](TWinControl& c) { c.SetBounds(11, 20, 300, 200); }, {"Form:Moved"}},
        ChangeCase{"Resize", [](TWinControl& c) { c.SetWidth(301); }, {"Form:Resized"}},
        ChangeCase{"MoveAndResize", [](TWinControl& c) { c.SetBoundsRect({0, 0, 5, 5}); }, {"Form:Moved", "Form:Resized"}},
        ChangeCase{"SameBounds", [](TWinControl& c) { c.SetBounds(10, 20, 300, 200); }, {}},
        ChangeCase{"Hide", [](TWinControl& c) { c.Hide(); }, {"Form:Hidden"}},
        ChangeCase{"HideShow", [](TWinControl& c) { c.Hide(); c.Show(); }, {"Form:Hidden", "Form:Shown"}},
        ChangeCase{"Disable", [](TWinControl& c) { c.SetEnabled(false); }, {"Form:EnabledChanged"}},
        ChangeCase{"Text", [](TWinControl& c) { c.SetText("Other"); }, {"Form:TextChanged"}},
        ChangeCase{"SameText", [](TWinControl& c) { c.SetText("Caption"); }, {}},
        ChangeCase{"Activation", [](TWinControl& c) { c.WindowActivationChanged(true); c.WindowActivationChanged(true); c.WindowActivationChanged(false); },
                   {"Form:Activated", "Form:Deactivated"}},
        ChangeCase{"WindowMoved", [](TWinControl& c) { c.WindowBoundsChanged({40, 50, 340, 250}); }, {"Form:Moved"}},
        ChangeCase{"WindowSized", [](TWinControl& c) { c.WindowBoundsChanged({10, 20, 500, 220}); }, {"Form:Resized"}}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, BoundsFromTheWindowSystemAreNotPassedBackButOwnOnesAre) {
  TWinControl& form = Win("Form");
  form.Constraints().SetMaxWidth(100);
  form.HandleNeeded();
  m_backend.ClearCalls();
  form.WindowBoundsChanged({0, 0, 640, 480});
  EXPECT_EQ(form.BoundsRect(), (TRect{0, 0, 640, 480})) << "the window's real size is kept as it is";
  EXPECT_TRUE(m_backend.Calls().empty());
  form.SetBounds(1, 2, 640, 480);
  EXPECT_EQ(m_backend.Calls(), (Calls{"SetBounds(Form 1,2,101,482)"}));
}

// Three observers removed in each of the six orders: every one left is still
// called, in attach order, and a removed one never again.
TEST_F(ControlsTest, StackedObserversComeOffInAnyOrder) {
  std::array<int, 3> order{0, 1, 2};
  do {
    TWinControl& control = Win("C" + std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]));
    std::vector<int> called;
    std::array<ObserverToken, 3> tokens{};
    for (int i = 0; i < 3; ++i) tokens[i] = control.AddObserver([&called, i](TControl&, ControlEvent) { called.push_back(i); });
    std::vector<int> attached{0, 1, 2};
    for (int removed : order) {
      ASSERT_TRUE(control.RemoveObserver(tokens[removed]));
      std::erase(attached, removed);
      called.clear();
      control.SetText(control.Text() + "x");
      EXPECT_EQ(called, attached) << control.Name() << " after removing " << removed;
    }
    EXPECT_FALSE(control.RemoveObserver(tokens[order[0]])) << "a token comes off once";
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(ControlsTest, ObserversMayDetachAndAttachWhileBeingTold) {
  TWinControl& control = Win("Control");
  std::vector<std::string> called;
  ObserverToken second = 0;
  ObserverToken late = 0;
  control.AddObserver([&](TControl& c, ControlEvent) {
    called.push_back("first");
    c.RemoveObserver(second);  // not called later in this round
    if (!late) late = c.AddObserver([&](TControl&, ControlEvent) { called.push_back("late"); });
  });
  second = control.AddObserver([&](TControl&, ControlEvent) { called.push_back("second"); });
  control.SetText("a");
  EXPECT_EQ(called, (std::vector<std::string>{"first"}));
  called.clear();
  control.SetText("b");
  EXPECT_EQ(called, (std::vector<std::string>{"first", "late"})) << "an observer attached in a round joins the next";
}

TEST_F(ControlsTest, AnObserverThatFreesTheControlEndsTheRound) {
  TWinControl& control = Win("Control");
  int laterCalls = 0;
  control.AddObserver([](TControl& c, ControlEvent) { TComponent::Free(c); });
  control.AddObserver([&](TControl&, ControlEvent) { ++laterCalls; });
  const TWeakRef<TWinControl> alive(&control);
  control.SetBounds(1, 1, 10, 10);  // Moved, then Resized would follow
  EXPECT_FALSE(alive);
  EXPECT_EQ(laterCalls, 0);
}

// --- Windows -----------------------------------------------------------------------------

TEST_F(ControlsTest, ATopLevelMakesItsWindowThenItsChildrensThenShows) {
  TWinControl& form = Win("Form");
  form.SetName("Form");
  form.SetBounds(100, 80, 400, 300);
  form.SetText("Main");
  form.SetWindowTraits({.caption = true, .border = true, .sizable = true, .sysMenu = true});
  form.SetNonClientMargins({2, 20, 2, 2});
  TWinControl& panel = Win("Panel", &form);
  panel.SetBounds(0, 0, 50, 40);
  panel.SetEnabled(false);
  int content = 0;
  panel.SetContentWidget(&content);
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_TRUE(m_backend.Calls().empty()) << "no window before one is needed";

  form.Show();  // visible already: HandleNeeded does it
  form.HandleNeeded();
  EXPECT_EQ(m_backend.Calls(), (Calls{
                                   "CreateWindow(Form parent=-)",
                                   "SetTraits(Form caption,border,sizable,sysMenu)",
                                   "SetNonClientMargins(Form 2,20,2,2)",
                                   "SetBounds(Form 100,80,500,380)",
                                   "SetText(Form \"Main\")",
                                   "SetEnabled(Form true)",
                                   "CreateWindow(Panel parent=Form)",
                                   "SetTraits(Panel -)",
                                   "SetNonClientMargins(Panel 0,0,0,0)",
                                   "SetBounds(Panel 0,0,50,40)",
                                   "SetText(Panel \"\")",
                                   "SetEnabled(Panel false)",
                                   "SetContentWidget(Panel widget)",
                                   "SetVisible(Panel true)",
                                   "SetVisible(Form true)",
                               }));
  EXPECT_TRUE(form.Showing());
  EXPECT_TRUE(panel.Showing());
  EXPECT_EQ(m_backend.ControlOf(panel.Window()), &panel);
  EXPECT_EQ(m_backend.ParentOf(panel.Window()), form.Window());
  EXPECT_EQ(panel.Backend(), &m_backend);
}

TEST_F(ControlsTest, ShowingAParentlessControlMakesItsWindow) {
  TWinControl& form = Win("Form");
  form.Hide();
  TWinControl& panel = Win("Panel", &form);
  EXPECT_FALSE(panel.HandleAllocated()) << "a child waits for its parent's window";
  form.Show();
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_TRUE(panel.HandleAllocated());
  EXPECT_TRUE(m_backend.IsVisible(form.Window()));
  form.Hide();
  EXPECT_FALSE(m_backend.IsVisible(form.Window()));
  EXPECT_FALSE(panel.Showing());
  EXPECT_TRUE(form.HandleAllocated()) << "hiding keeps the window";
}

TEST_F(ControlsTest, ReparentingMakesTheWindowAnewUnderTheNewParent) {
  TWinControl& form = Win("Form");
  TWinControl& left = Win("Left", &form);
  TWinControl& right = Win("Right", &form);
  TWinControl& edit = Win("Edit", &left);
  TWinControl& inner = Win("Inner", &edit);
  form.HandleNeeded();
  const ControlWindow oldEdit = edit.Window();
  const ControlWindow oldInner = inner.Window();
  m_backend.ClearCalls();

  edit.SetParent(&right);
  EXPECT_FALSE(m_backend.IsAlive(oldEdit));
  EXPECT_FALSE(m_backend.IsAlive(oldInner));
  EXPECT_EQ(m_backend.Calls()[0], "DestroyWindow(Inner)") << "children's windows go first";
  EXPECT_EQ(m_backend.Calls()[1], "DestroyWindow(Edit)");
  EXPECT_EQ(m_backend.ParentOf(edit.Window()), right.Window());
  EXPECT_EQ(m_backend.ParentOf(inner.Window()), edit.Window());

  edit.SetParent(nullptr);
  EXPECT_FALSE(edit.HandleAllocated()) << "a control that became a top-level waits to be shown";
  EXPECT_FALSE(inner.HandleAllocated());
}

TEST_F(ControlsTest, AWindowDestroyedOutsideIsForgottenWithItsChildren) {
  TWinControl& form = Win("Form");
  TWinControl& panel = Win("Panel", &form);
  form.HandleNeeded();
  form.WindowActivationChanged(true);
  form.WindowDestroyed();
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_FALSE(panel.HandleAllocated());
  EXPECT_FALSE(form.Active());
  m_backend.ClearCalls();
  form.SetText("after");
  EXPECT_TRUE(m_backend.Calls().empty()) << "nothing reaches a window that is gone";
  form.HandleNeeded();
  EXPECT_TRUE(panel.HandleAllocated());
}

TEST_F(ControlsTest, CloseRequestHidesTheWindow) {
  TWinControl& form = Win("Form");
  form.HandleNeeded();
  Watch(form);
  form.WindowCloseRequested();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_EQ(m_events, (std::vector<std::string>{"Form:Hidden"}));
}

TEST_F(ControlsTest, InvalidatingAPlainControlRepaintsItsPartOfTheParent) {
  TWinControl& form = Win("Form");
  form.SetNonClientMargins({3, 20, 3, 3});
  TControl& label = Plain("Label", &form);
  label.SetBounds(10, 5, 40, 12);
  form.HandleNeeded();
  m_backend.ClearCalls();
  label.SetColor(RGBColor(1, 2, 3));
  label.Font().SetSize(14);
  label.SetColor(RGBColor(1, 2, 3));  // no change, no repaint
  EXPECT_EQ(m_backend.Calls(), (Calls{"InvalidateRect(Form 13,25,53,37)", "InvalidateRect(Form 13,25,53,37)"}));
}

// --- Stacking ---------------------------------------------------------------------------

TEST_F(ControlsTest, BringToFrontAndSendToBackReorderChildrenAndWindowsAlike) {
  TWinControl& form = Win("Form");
  TWinControl& a = Win("A", &form);
  TWinControl& b = Win("B", &form);
  TControl& label = Plain("Label", &form);
  TWinControl& c = Win("C", &form);
  form.HandleNeeded();

  a.BringToFront();
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"B", "Label", "C", "A"}));
  c.SendToBack();
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"C", "B", "Label", "A"}));
  label.SendToBack();
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"Label", "C", "B", "A"}));
  b.BringToFront();
  EXPECT_EQ(ChildNames(form), (std::vector<std::string>{"Label", "C", "A", "B"}));
  EXPECT_EQ(StackingNames(form.Window()), (std::vector<std::string>{"C", "A", "B"}));

  // The windows made again later are stacked as the children are listed.
  form.DestroyHandle();
  form.HandleNeeded();
  EXPECT_EQ(StackingNames(form.Window()), (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(a.TabOrder(), 0) << "stacking leaves the tab order alone";

  Win("Other").HandleNeeded();
  form.BringToFront();
  EXPECT_EQ(StackingNames(kNoWindow), (std::vector<std::string>{"Other", "Form"}));
  form.SendToBack();
  EXPECT_EQ(StackingNames(kNoWindow), (std::vector<std::string>{"Form", "Other"}));
}

// --- Focus ------------------------------------------------------------------------------

// Form
//   Panel (tab 1)        Edit3 (tab 0)
//     Edit1, Edit2
//   Hidden (tab 2)
//     Edit4
class FocusTest : public ControlsTest {
 protected:
  void SetUp() override {
    form = &Win("Form");
    panel = &Win("Panel", form);
    edit1 = &Win("Edit1", panel);
    edit2 = &Win("Edit2", panel);
    edit3 = &Win("Edit3", form);
    hidden = &Win("Hidden", form);
    edit4 = &Win("Edit4", hidden);
    edit3->SetTabOrder(0);
    hidden->Hide();
    for (TWinControl* edit : {edit1, edit2, edit3, edit4}) {
      edit->SetTabStop(true);
      Watch(*edit);
    }
  }
  std::vector<std::string> TabNames() const {
    std::vector<std::string> names;
    for (TWinControl* c : form->TabOrderList()) names.push_back(c->Name());
    return names;
  }

  TWinControl* form = nullptr;
  TWinControl* panel = nullptr;
  TWinControl* edit1 = nullptr;
  TWinControl* edit2 = nullptr;
  TWinControl* edit3 = nullptr;
  TWinControl* hidden = nullptr;
  TWinControl* edit4 = nullptr;
};

TEST_F(FocusTest, TabOrderListIsDepthFirstInTabOrder) {
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"Edit3", "Panel", "Edit1", "Edit2", "Hidden", "Edit4"}));
  edit2->SetTabOrder(-5);
  panel->SetTabOrder(99);
  EXPECT_EQ(TabNames(), (std::vector<std::string>{"Edit3", "Hidden", "Edit4", "Panel", "Edit2", "Edit1"}));
  EXPECT_EQ(panel->TabOrder(), 2);
  EXPECT_EQ(form->TabOrder(), -1);
}

TEST_F(FocusTest, FocusFirstControlTakesTheFirstThatCanTakeFocus) {
  EXPECT_EQ(FocusFirstControl(*form), edit3);
  EXPECT_TRUE(edit3->Focused());
  EXPECT_EQ(form->FocusedControl(), edit3);

  edit3->SetEnabled(false);
  EXPECT_EQ(FocusFirstControl(*form), edit1) << "a disabled control is passed over; Panel is no tab stop";
  EXPECT_FALSE(edit3->Focused());

  panel->SetEnabled(false);
  EXPECT_EQ(FocusFirstControl(*form), nullptr) << "Edit4 sits in a hidden parent";
  hidden->Show();
  EXPECT_EQ(FocusFirstControl(*form), edit4);
  EXPECT_EQ(FocusFirstControl(*panel), nullptr);
  EXPECT_EQ(m_events, (std::vector<std::string>{"Edit3:FocusEntered", "Edit3:EnabledChanged", "Edit3:FocusExited",
                                                "Edit1:FocusEntered", "Edit1:FocusExited", "Edit4:FocusEntered"}))
      << "a failed search leaves the focus where it was";
}

TEST_F(FocusTest, TheControlIsToldOfEnteringEvenWhenItHadTheFocus) {
  form->HandleNeeded();
  edit3->SetFocus();
  m_backend.ClearCalls();
  m_events.clear();
  EXPECT_EQ(FocusFirstControl(*form), edit3);
  EXPECT_EQ(m_events, (std::vector<std::string>{"Edit3:FocusEntered"}));
  EXPECT_EQ(m_backend.Calls(), (Calls{"SetFocus(Edit3)"}));
}

TEST_F(FocusTest, SetFocusRefusesAControlThatCannotTakeIt) {
  try {
    edit4->SetFocus();
    FAIL() << "a control in a hidden parent took the focus";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot focus a disabled or invisible window");
  }
  EXPECT_EQ(form->FocusedControl(), nullptr);
}

TEST_F(FocusTest, TheWindowSystemsFocusMovesTheModelsFocus) {
  edit1->WindowFocusChanged(true);
  edit2->WindowFocusChanged(true);
  edit1->WindowFocusChanged(false);  // a late report for a control that lost it already
  EXPECT_TRUE(edit2->Focused());
  edit2->WindowFocusChanged(false);
  EXPECT_EQ(form->FocusedControl(), nullptr);
  EXPECT_EQ(m_events, (std::vector<std::string>{"Edit1:FocusEntered", "Edit1:FocusExited", "Edit2:FocusEntered",
                                                "Edit2:FocusExited"}));
}

TEST_F(FocusTest, MovingTheFocusedControlToAnotherWindowTakesTheFocusAlong) {
  edit1->SetFocus();
  TWinControl& other = Win("Other");
  panel->SetParent(&other);
  EXPECT_EQ(form->FocusedControl(), nullptr);
  EXPECT_FALSE(edit1->Focused());
  EXPECT_EQ(m_events.back(), "Edit1:FocusExited");
}

TEST_F(FocusTest, ActivationIsTheTopLevels) {
  form->WindowActivationChanged(true);
  EXPECT_TRUE(edit1->Active());
  form->WindowActivationChanged(false);
  EXPECT_FALSE(edit1->Active());
}

// --- The popup menu reference ---------------------------------------------------------------

TEST_F(ControlsTest, PopupMenuIsAPublishedReferenceClearedWhenTheMenuGoes) {
  TWinControl& form = Win("Form");
  auto& menu = MakeComponent<TPopupMenu>(m_owner);
  menu.SetName("Menu");
  const TPropInfo& popupMenu = RequirePropInfo(form, "PopupMenu");
  SetObjectProp(form, popupMenu, &menu);
  EXPECT_EQ(form.PopupMenu(), &menu);
  menu.SetPopupComponent(&form);
  TComponent::Free(menu);
  EXPECT_EQ(form.PopupMenu(), nullptr);
  EXPECT_EQ(GetObjectProp(form, popupMenu), nullptr);
}

TEST_F(ControlsTest, PopupComponentIsClearedWhenItGoes) {
  auto& menu = MakeComponent<TPopupMenu>(m_owner);
  TWinControl& form = Win("Form");
  menu.SetPopupComponent(&form);
  TComponent::Free(form);
  EXPECT_EQ(menu.PopupComponent(), nullptr);
}

// The controls work with no backend installed: the headless one hands out windows.
TEST(ControlsWithoutBackend, TheHeadlessBackendGivesWindowsThatShowNothing) {
  TWinControl form;
  TWinControl panel;
  panel.SetParent(&form);
  form.Show();
  form.HandleNeeded();
  EXPECT_TRUE(form.HandleAllocated());
  EXPECT_TRUE(panel.HandleAllocated());
  EXPECT_NE(form.Window(), panel.Window());
  EXPECT_EQ(form.Backend(), &CurrentControlBackend());
}

}  // namespace
}  // namespace halbrin::platform
