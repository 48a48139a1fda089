#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/controls/control_input.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/controls/win_control.h"
#include "platform/graphics/popup_menu.h"

namespace halbrin::platform {
namespace {

using Log = std::vector<std::string>;

std::string ButtonName(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbRight: return "R";
    case TMouseButton::mbMiddle: return "M";
    case TMouseButton::mbLeft: break;
  }
  return "L";
}

// A windowed control that writes each input it gets into a shared log and
// may change keys or claim wheel steps and context menus.
class TProbe : public TWinControl {
  HALBRIN_CLASS(TProbe, TWinControl)

  TProbe(TComponent* owner, Log& log) : TWinControl(owner), m_log(log) {}

  bool preview = false;
  bool claimWheel = false;
  bool claimMenu = false;
  std::function<void(std::uint16_t&)> onKey;
  std::function<void(char&)> onChar;

 protected:
  void Write(const std::string& line) { m_log.push_back(Name() + ":" + line); }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    Write("down " + ButtonName(b) + ((s & ssDouble) ? "2 " : " ") + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton b, TShiftState, int x, int y) override {
    Write("up " + ButtonName(b) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void MouseMove(TShiftState, int x, int y) override { Write("move " + std::to_string(x) + "," + std::to_string(y)); }
  void Click() override { Write("click"); }
  void DblClick() override { Write("dblclick"); }
  void MouseEnter() override { Write("enter"); }
  void MouseLeave() override { Write("leave"); }
  bool MouseWheel(bool down, TShiftState, TPoint p) override {
    Write(std::string(down ? "wheeldown " : "wheelup ") + std::to_string(p.X) + "," + std::to_string(p.Y));
    return claimWheel;
  }
  void KeyDown(std::uint16_t& key, TShiftState) override {
    Write("keydown " + std::to_string(key));
    if (onKey) onKey(key);
  }
  void KeyUp(std::uint16_t& key, TShiftState) override {
    Write("keyup " + std::to_string(key));
    if (onKey) onKey(key);
  }
  void KeyPress(char& key) override {
    Write(std::string("keypress ") + key);
    if (onChar) onChar(key);
  }
  bool ContextPopup(TPoint p) override {
    Write("popup " + std::to_string(p.X) + "," + std::to_string(p.Y));
    return claimMenu;
  }
  bool KeyPreviewEnabled() const override { return preview; }
  void HelpRequested() override { Write("help"); }

 private:
  Log& m_log;
};

HALBRIN_DEFINE_CLASS(TProbe, )

// Binds natively to a control's events and logs them.
struct TListener : TObject {
  HALBRIN_CLASS(TListener, TObject)
  std::vector<std::string>* seen = nullptr;
  void Down(TObject*, TMouseButton b, TShiftState, int x, int y) {
    seen->push_back("down " + ButtonName(b) + std::to_string(x) + std::to_string(y));
  }
  void Key(TObject*, std::uint16_t& key, TShiftState) {
    seen->push_back("key " + std::to_string(key));
    key = 0;
  }
  void Wheel(TObject*, TShiftState, TPoint, bool& handled) {
    seen->push_back("wheel");
    handled = true;
  }
  void Popup(TObject*, TPoint p, bool& handled) {
    seen->push_back("popup " + std::to_string(p.X));
    handled = true;
  }
};

HALBRIN_DEFINE_CLASS(TListener, )

class TMenuProbe : public TPopupMenu {
 public:
  explicit TMenuProbe(TComponent* owner) : TPopupMenu(owner) {}
  void Popup(int x, int y) override { shown.push_back(std::to_string(x) + "," + std::to_string(y)); }
  std::vector<std::string> shown;
};

// A top-level "Form" (100 x 80 at 200,100, margins 4,20,4,4) holding a
// "Panel" at 10,10.
class ControlInputTest : public ::testing::Test {
 protected:
  ControlInputTest() {
    form.SetName("Form");
    form.SetBounds(200, 100, 100, 80);
    form.SetNonClientMargins({4, 20, 4, 4});
    panel.SetName("Panel");
    panel.SetBounds(10, 10, 40, 30);
    panel.SetParent(&form);
    form.Show();
  }

  TRecordingControlBackend backend;
  ScopedControlBackend scope{backend};
  Log log;
  TComponent owner;
  TProbe& form = MakeComponent<TProbe>(owner, log);
  TProbe& panel = MakeComponent<TProbe>(owner, log);
};

// --- Pointer -------------------------------------------------------------------

struct PointerStep {
  enum Kind { Down, Up, Leave } kind;
  TMouseButton button = TMouseButton::mbLeft;
  TShiftState shift = 0;
  int x = 5;
  int y = 6;
};

struct PointerCase {
  const char* name;
  std::vector<PointerStep> steps;
  Log expected;
};

class PointerTest : public ControlInputTest, public ::testing::WithParamInterface<PointerCase> {};

TEST_P(PointerTest, PressesAndReleasesBecomeClicksDoubleClicksAndContextMenus) {
  for (const PointerStep& step : GetParam().steps) {
    switch (step.kind) {
      case PointerStep::Down: panel.WindowMouseDownInput(step.button, step.shift, step.x, step.y); break;
      case PointerStep::Up: panel.WindowMouseUpInput(step.button, step.shift, step.x, step.y); break;
      case PointerStep::Leave: panel.WindowMouseLeaveInput(); break;
    }
  }
  EXPECT_EQ(log, GetParam().expected);
}

using S = PointerStep;
constexpr auto L = TMouseButton::mbLeft;
constexpr auto R = TMouseButton::mbRight;
constexpr auto M = TMouseButton::mbMiddle;

INSTANTIATE_TEST_SUITE_P(
    Sequences, PointerTest,
    ::testing::Values(
        PointerCase{"LeftClick", {{S::Down}, {S::Up}}, {"Panel:down L 5,6", "Panel:click", "Panel:up L 5,6"}},
        PointerCase{"ReleasedOutside",
                    {{S::Down}, {S::Up, L, 0, 45, 6}},
                    {"Panel:down L 5,6", "Panel:up L 45,6"}},
        PointerCase{"LeftBetweenPressAndRelease",
                    {{S::Down}, {S::Leave}, {S::Up}},
                    {"Panel:down L 5,6", "Panel:leave", "Panel:up L 5,6"}},
        PointerCase{"DoubleClick",
                    {{S::Down}, {S::Up}, {S::Down, L, ssDouble}, {S::Up}},
                    {"Panel:down L 5,6", "Panel:click", "Panel:up L 5,6", "Panel:dblclick", "Panel:down L2 5,6",
                     "Panel:up L 5,6"}},
        PointerCase{"MiddleIsNoClick", {{S::Down, M}, {S::Up, M}}, {"Panel:down M 5,6", "Panel:up M 5,6"}},
        // An unclaimed context menu goes on to the parent, in its coordinates.
        PointerCase{"RightReleaseInside",
                    {{S::Down, R}, {S::Up, R}},
                    {"Panel:down R 5,6", "Panel:up R 5,6", "Panel:popup 5,6", "Form:popup 15,16"}},
        PointerCase{"RightReleaseOutside",
                    {{S::Down, R}, {S::Up, R, 0, -1, 6}},
                    {"Panel:down R 5,6", "Panel:up R -1,6"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlInputTest, AClaimedContextMenuStopsAndAnUnclaimedOneOpensThePopupMenuOnScreen) {
  panel.claimMenu = true;
  EXPECT_TRUE(panel.WindowContextMenuInput({5, 6}));
  EXPECT_EQ(log, (Log{"Panel:popup 5,6"}));

  auto& menu = MakeComponent<TMenuProbe>(owner);
  panel.claimMenu = false;
  panel.SetPopupMenu(&menu);
  log.clear();
  EXPECT_TRUE(panel.WindowContextMenuInput({5, 6}));
  // Screen: form 200,100 + margins 4,20 + panel 10,10 + point 5,6.
  EXPECT_EQ(menu.shown, (std::vector<std::string>{"219,136"}));
  EXPECT_EQ(menu.PopupComponent(), &panel);
  // From the keyboard the menu opens at the client area's corner.
  EXPECT_TRUE(panel.WindowContextMenuInput({-1, -1}));
  EXPECT_EQ(menu.shown.back(), "214,130");
  EXPECT_EQ(log, (Log{"Panel:popup 5,6", "Panel:popup -1,-1"}));
}

// A window manager that puts the form's window 10,30 inside its frame at 200,100.
class DecoratedBackend : public HeadlessControlBackend {
 public:
  std::optional<TPoint> ScreenOrigin(ControlWindow window) const override {
    if (window != form) return std::nullopt;
    return TPoint{210, 130};
  }
  ControlWindow form = kNoWindow;
};

TEST(ClientToScreenTest, TheTopLevelsWindowIsWhereTheBackendSaysElseAtItsBounds) {
  DecoratedBackend backend;
  ScopedControlBackend scope{backend};
  Log log;
  TComponent owner;
  TProbe& form = MakeComponent<TProbe>(owner, log);
  TProbe& panel = MakeComponent<TProbe>(owner, log);
  form.SetBounds(200, 100, 100, 80);
  form.SetNonClientMargins({4, 20, 4, 4});
  panel.SetBounds(10, 10, 40, 30);
  panel.SetParent(&form);
  // No window yet: the bounds are all there is.
  EXPECT_EQ(panel.ClientToScreen({5, 6}), (TPoint{219, 136}));
  form.HandleNeeded();
  ASSERT_TRUE(form.HandleAllocated());
  backend.form = form.Window();
  // Window 210,130 + margins 4,20 + panel 10,10 + point 5,6.
  EXPECT_EQ(panel.ClientToScreen({5, 6}), (TPoint{229, 166}));
  EXPECT_EQ(form.ClientToScreen({0, 0}), (TPoint{214, 150}));
}

// --- Wheel ---------------------------------------------------------------------

TEST_F(ControlInputTest, AnUnhandledWheelStepGoesToTheParentInItsCoordinates) {
  EXPECT_FALSE(panel.WindowMouseWheelInput(true, 0, 5, 6));
  EXPECT_EQ(log, (Log{"Panel:wheeldown 5,6", "Form:wheeldown 15,16"}));
  log.clear();
  panel.claimWheel = true;
  EXPECT_TRUE(panel.WindowMouseWheelInput(false, 0, 5, 6));
  EXPECT_EQ(log, (Log{"Panel:wheelup 5,6"}));
}

struct ScrollCase {
  const char* name;
  std::vector<double> deltas;
  std::vector<int> steps;
};

class ScrollAccumulatorTest : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollAccumulatorTest, WholeStepsComeOutAndTheRestWaits) {
  TScrollAccumulator accumulator;
  std::vector<int> steps;
  for (double delta : GetParam().deltas) steps.push_back(accumulator.Add(delta));
  EXPECT_EQ(steps, GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(Deltas, ScrollAccumulatorTest,
                         ::testing::Values(ScrollCase{"OneDown", {1.0}, {1}}, ScrollCase{"OneUp", {-1.0}, {-1}},
                                           ScrollCase{"ThirdsAddUp", {0.4, 0.4, 0.4, 0.9}, {0, 0, 1, 1}},
                                           ScrollCase{"SeveralAtOnce", {2.5, 0.5}, {2, 1}},
                                           ScrollCase{"BackAndForthCancels", {0.6, -0.6, -0.6, -0.5}, {0, 0, 0, -1}},
                                           ScrollCase{"NotANumberIsNothing", {0.5, 0.0 / 0.0, 0.5}, {0, 0, 1}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlInputTest, SmoothScrollingFiresOneStepPerWholeDelta) {
  panel.claimWheel = true;
  EXPECT_FALSE(panel.WindowSmoothScrollInput(0.5, 0, 1, 2));
  EXPECT_TRUE(panel.WindowSmoothScrollInput(1.5, 0, 1, 2));
  EXPECT_EQ(log, (Log{"Panel:wheeldown 1,2", "Panel:wheeldown 1,2"}));
}

// --- Keys ----------------------------------------------------------------------

struct KeyCase {
  const char* name;
  bool preview;
  bool focusPanel;
  std::uint16_t key;
  TShiftState shift;
  std::uint16_t formSets;   // 0xFFFF: the form leaves the key alone
  std::uint16_t panelSets;  // likewise for the panel
  std::uint16_t returned;
  Log expected;
};

class KeyTest : public ControlInputTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTest, KeysReachThePreviewingFormThenTheFocusedControl) {
  const KeyCase& c = GetParam();
  form.preview = c.preview;
  if (c.focusPanel) panel.SetFocus();
  form.onKey = [&](std::uint16_t& key) {
    if (c.formSets != 0xFFFF) key = c.formSets;
  };
  panel.onKey = [&](std::uint16_t& key) {
    if (c.panelSets != 0xFFFF) key = c.panelSets;
  };
  EXPECT_EQ(panel.WindowKeyDownInput(c.key, c.shift), c.returned);
  EXPECT_EQ(log, c.expected);
}

constexpr std::uint16_t kKeep = 0xFFFF;

INSTANTIATE_TEST_SUITE_P(
    Routing, KeyTest,
    ::testing::Values(
        KeyCase{"FocusedControlOnly", false, true, 65, 0, kKeep, kKeep, 65, {"Panel:keydown 65"}},
        KeyCase{"NoFocusTheFormGetsIt", false, false, 65, 0, kKeep, kKeep, 65, {"Form:keydown 65"}},
        KeyCase{"PreviewFirst", true, true, 65, 0, kKeep, kKeep, 65, {"Form:keydown 65", "Panel:keydown 65"}},
        // The form is the target itself: it hears the key once.
        KeyCase{"PreviewOnItself", true, false, 65, 0, kKeep, kKeep, 65, {"Form:keydown 65"}},
        KeyCase{"PreviewSuppresses", true, true, 65, 0, 0, kKeep, 0, {"Form:keydown 65"}},
        KeyCase{"PreviewReplaces", true, true, 65, 0, 66, kKeep, 66, {"Form:keydown 65", "Panel:keydown 66"}},
        KeyCase{"ControlSuppresses", false, true, 65, 0, kKeep, 0, 0, {"Panel:keydown 65"}},
        KeyCase{"MenuKey", false, true, kVkApps, 0, kKeep, kKeep, kVkApps,
                {"Panel:keydown 93", "Panel:popup -1,-1", "Form:popup -1,-1"}},
        KeyCase{"ShiftF10", false, true, kVkF10, ssShift, kKeep, kKeep, kVkF10,
                {"Panel:keydown 121", "Panel:popup -1,-1", "Form:popup -1,-1"}},
        KeyCase{"PlainF10", false, true, kVkF10, 0, kKeep, kKeep, kVkF10, {"Panel:keydown 121"}},
        KeyCase{"SuppressedMenuKey", false, true, kVkApps, 0, kKeep, 0, 0, {"Panel:keydown 93"}},
        KeyCase{"F1AsksTheTopLevelForHelp", false, true, kVkF1, 0, kKeep, kKeep, kVkF1,
                {"Panel:keydown 112", "Form:help"}},
        KeyCase{"SuppressedF1", false, true, kVkF1, 0, kKeep, 0, 0, {"Panel:keydown 112"}},
        KeyCase{"CtrlF1IsNoHelp", false, true, kVkF1, ssCtrl, kKeep, kKeep, kVkF1, {"Panel:keydown 112"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Menu shortcuts ------------------------------------------------------------

// Writes "<menu name>/<caption>" for each item click it is bound to.
struct TClickLog : TObject {
  HALBRIN_CLASS(TClickLog, TObject)
  Log* log = nullptr;
  void Clicked(TObject* sender) {
    auto* item = static_cast<TMenuItem*>(sender);
    log->push_back(item->Menu()->Name() + "/" + item->Caption());
  }
};

HALBRIN_DEFINE_CLASS(TClickLog, )

constexpr TShortCut kCtrlO = 0x4000 | 'O';
constexpr TShortCut kCtrlS = 0x4000 | 'S';

struct ShortCutCase {
  const char* name;
  bool panelMenu;    // the panel has a menu with Ctrl+O
  bool disableOpen;  // the form's Ctrl+O item is disabled
  bool hideParent;   // the form's Ctrl+S item sits under an invisible item
  std::uint16_t key;
  TShiftState shift;
  std::uint16_t returned;
  Log expected;
};

class ShortCutTest : public ControlInputTest, public ::testing::WithParamInterface<ShortCutCase> {
 protected:
  TMenuItem& AddItem(TMenuItem& parent, const char* caption, TShortCut shortCut) {
    TMenuItem& item = parent.Add(std::make_unique<TMenuItem>());
    item.SetCaption(caption);
    item.SetShortCut(shortCut);
    item.OnClick().Bind(clicks, &TClickLog::Clicked);
    return item;
  }
  TPopupMenu& MakeMenu(const char* name) {
    auto& menu = MakeComponent<TPopupMenu>(owner);
    menu.SetName(name);
    return menu;
  }
  TClickLog clicks;
};

TEST_P(ShortCutTest, TheNearestPopupMenuTakesTheKeyBeforeAnyKeyHandler) {
  const ShortCutCase& c = GetParam();
  clicks.log = &log;
  form.preview = true;
  panel.SetFocus();
  TPopupMenu& formMenu = MakeMenu("FormMenu");
  TMenuItem& open = AddItem(formMenu.Items(), "Open", kCtrlO);
  open.SetEnabled(!c.disableOpen);
  TMenuItem& file = AddItem(formMenu.Items(), "File", 0);
  AddItem(file, "Save", kCtrlS);
  file.SetVisible(!c.hideParent);
  form.SetPopupMenu(&formMenu);
  if (c.panelMenu) {
    TPopupMenu& panelMenu = MakeMenu("PanelMenu");
    AddItem(panelMenu.Items(), "Open", kCtrlO);
    panel.SetPopupMenu(&panelMenu);
  }
  EXPECT_EQ(panel.WindowKeyDownInput(c.key, c.shift), c.returned);
  EXPECT_EQ(log, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, ShortCutTest,
    ::testing::Values(
        ShortCutCase{"ParentsMenuAnswers", false, false, false, 'O', ssCtrl, 0, {"FormMenu/Open"}},
        ShortCutCase{"NearestMenuFirst", true, false, false, 'O', ssCtrl, 0, {"PanelMenu/Open"}},
        ShortCutCase{"SubItemFound", false, false, false, 'S', ssCtrl, 0, {"FormMenu/Save"}},
        // Held buttons are no modifiers.
        ShortCutCase{"ButtonsIgnored", false, false, false, 'S', ssCtrl | ssLeft, 0, {"FormMenu/Save"}},
        ShortCutCase{"DisabledItemLetsTheKeyThrough", false, true, false, 'O', ssCtrl, 'O',
                     {"Form:keydown 79", "Panel:keydown 79"}},
        ShortCutCase{"InvisibleParentLetsTheKeyThrough", false, false, true, 'S', ssCtrl, 'S',
                     {"Form:keydown 83", "Panel:keydown 83"}},
        ShortCutCase{"OtherModifiersAreAnotherShortcut", false, false, false, 'O', ssCtrl | ssShift, 'O',
                     {"Form:keydown 79", "Panel:keydown 79"}},
        ShortCutCase{"PlainKey", false, false, false, 'O', 0, 'O', {"Form:keydown 79", "Panel:keydown 79"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Frees the control whose key it is from inside the click.
struct TFreeOnClick : TObject {
  HALBRIN_CLASS(TFreeOnClick, TObject)
  TComponent* victim = nullptr;
  void Clicked(TObject*) { TComponent::Free(*victim); }
};

HALBRIN_DEFINE_CLASS(TFreeOnClick, )

TEST_F(ControlInputTest, AShortcutWhoseClickFreesTheControlEndsTheKeyThere) {
  panel.SetFocus();
  auto& menu = MakeComponent<TPopupMenu>(owner);
  TMenuItem& close = menu.Items().Add(std::make_unique<TMenuItem>());
  close.SetShortCut(kCtrlO);
  TFreeOnClick freer;
  freer.victim = &panel;
  close.OnClick().Bind(freer, &TFreeOnClick::Clicked);
  panel.SetPopupMenu(&menu);
  const TWeakRef<TWinControl> alive(&panel);
  EXPECT_EQ(panel.WindowKeyDownInput('O', ssCtrl), 0);
  EXPECT_FALSE(alive);
  EXPECT_TRUE(log.empty());
}

TEST_F(ControlInputTest, KeyUpAndCharactersFollowTheSameRoute) {
  form.preview = true;
  panel.SetFocus();
  form.onChar = [](char& c) {
    if (c == 'a') c = 'b';
  };
  panel.onChar = [](char& c) {
    if (c == 'x') c = 0;
  };
  EXPECT_EQ(form.WindowKeyPressInput('a'), 'b');
  EXPECT_EQ(form.WindowKeyPressInput('x'), 0);
  form.onKey = [](std::uint16_t& key) { key = 0; };
  EXPECT_EQ(form.WindowKeyUpInput(65, 0), 0);
  EXPECT_EQ(log, (Log{"Form:keypress a", "Panel:keypress b", "Form:keypress x", "Panel:keypress x", "Form:keyup 65"}));
}

TEST_F(ControlInputTest, EventsAreFiredByTheDefaultHandlers) {
  // A plain TWinControl fires its events from the defaults the probe overrides.
  auto& plain = MakeComponent<TWinControl>(owner);
  plain.SetParent(&form);
  std::vector<std::string> seen;
  TListener listener;
  listener.seen = &seen;
  plain.OnMouseDown().Bind(listener, &TListener::Down);
  plain.OnKeyDown().Bind(listener, &TListener::Key);
  plain.OnMouseWheelUp().Bind(listener, &TListener::Wheel);
  plain.OnContextPopup().Bind(listener, &TListener::Popup);
  plain.SetFocus();
  plain.WindowMouseDownInput(TMouseButton::mbRight, 0, 1, 2);
  EXPECT_EQ(plain.WindowKeyDownInput(65, 0), 0);
  EXPECT_TRUE(plain.WindowMouseWheelInput(false, 0, 0, 0));
  // Unbound: not handled, and on to the parent.
  EXPECT_FALSE(plain.WindowMouseWheelInput(true, 0, 0, 0));
  EXPECT_EQ(log, (Log{"Form:wheeldown 0,0"}));
  EXPECT_TRUE(plain.WindowContextMenuInput({7, 0}));
  EXPECT_EQ(seen, (std::vector<std::string>{"down R12", "key 65", "wheel", "popup 7"}));
}

}  // namespace
}  // namespace halbrin::platform
