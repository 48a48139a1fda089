// Script forms and their popup menus: "contextpopup" from the pointer and the
// keyboard, the menu that opens when nobody handled it, and menu shortcuts
// taking keys before "keydown".

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/forms/form_ex.h"
#include "components/forms/frame_ex.h"
#include "platform/graphics/popup_menu.h"
#include "support/fake_popup_menu_presenter.h"
#include "unit/components/forms/form_ex_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TMenuItem;
using platform::TMouseButton;
using platform::TPoint;
using platform::TPopupMenu;
using platform::TWinControl;

constexpr platform::TShortCut kCtrlO = 0x4000 | 'O';

Variant Data(std::initializer_list<Variant> items) { return Variant(VariantArray(items)); }

// Counts the clicks of the items it is bound to, by caption.
struct TItemClicks : platform::TObject {
  HALBRIN_CLASS(TItemClicks, platform::TObject)
  std::vector<std::string> clicked;
  std::function<void()> then;
  void Clicked(platform::TObject* sender) {
    clicked.push_back(static_cast<TMenuItem*>(sender)->Caption());
    if (then) then();
  }
};

HALBRIN_DEFINE_CLASS(TItemClicks, )

// A shown form "Main" with a menu "Menu" (Open with Ctrl+O, a line, Exit).
class FormContextMenuTest : public FormExTestBase {
 protected:
  FormContextMenuTest() {
    menu.SetName("Menu");
    open = &AddItem("Open");
    open->SetShortCut(kCtrlO);
    AddItem("-");
    AddItem("Exit");
    form.SetPopupMenu(&menu);
    form.Show();
  }
  TMenuItem& AddItem(const char* caption) {
    TMenuItem& item = menu.Items().Add(std::make_unique<TMenuItem>());
    item.SetCaption(caption);
    item.OnClick().Bind(clicks, &TItemClicks::Clicked);
    return item;
  }
  std::vector<Variant> CallsOf(const std::string& procedure) const {
    std::vector<Variant> list;
    for (const ScriptCall& call : m_hooks.calls)
      if (call.procedure == procedure) list.push_back(call.parameters);
    return list;
  }

  testing::FakePopupMenuPresenter presenter;
  platform::ScopedPopupMenuPresenter presenterScope{presenter};
  TItemClicks clicks;
  TFormEx& form = Make();
  TPopupMenu& menu = platform::MakeComponent<TPopupMenu>(form);
  TMenuItem* open = nullptr;
};

struct ContextCase {
  const char* name;
  std::function<void(TFormEx&)> input;
  Variant answer;
  bool autoPopup;
  Variant eventData;  // Empty: "contextpopup" does not fire
  TPoint clientPoint;  // where the menu shows, in the form's client area; -100: not shown
};

class FormContextPopupTest : public FormContextMenuTest, public ::testing::WithParamInterface<ContextCase> {};

TEST_P(FormContextPopupTest, TheMenuOpensWhenNobodyHandledTheContextPopup) {
  const ContextCase& c = GetParam();
  menu.SetAutoPopup(c.autoPopup);
  Bind(form, "oncontextpopup", "popup");
  m_hooks.answer = [&](const ScriptCall&) { return c.answer; };
  c.input(form);
  const std::vector<Variant> fired = CallsOf("popup");
  if (c.eventData.IsEmpty()) {
    EXPECT_TRUE(fired.empty());
  } else {
    EXPECT_EQ(fired, std::vector<Variant>{c.eventData});
  }
  if (c.clientPoint.X == -100) {
    EXPECT_TRUE(presenter.shown.empty());
    return;
  }
  ASSERT_EQ(presenter.shown.size(), 1u);
  const TPoint screen = form.ClientToScreen(c.clientPoint);
  EXPECT_EQ(presenter.shown[0].point.X, screen.X);
  EXPECT_EQ(presenter.shown[0].point.Y, screen.Y);
  EXPECT_EQ(presenter.shown[0].items, (std::vector<std::string>{"Open", "-", "Exit"}));
  EXPECT_EQ(menu.PopupComponent(), &form);
}

const auto kRightClick = [](int x, int y) {
  return [x, y](TFormEx& f) {
    f.WindowMouseDownInput(TMouseButton::mbRight, 0, x, y);
    f.WindowMouseUpInput(TMouseButton::mbRight, 0, x, y);
  };
};
const auto kKey = [](std::uint16_t key, platform::TShiftState shift) {
  return [key, shift](TFormEx& f) { f.WindowKeyDownInput(key, shift); };
};

INSTANTIATE_TEST_SUITE_P(
    Inputs, FormContextPopupTest,
    ::testing::Values(
        ContextCase{"RightClickUnanswered", kRightClick(30, 40), Variant(), true, Data({"Main", 30, 40}),
                    {30, 40}},
        ContextCase{"RightClickAnsweredFalse", kRightClick(30, 40), false, true, Data({"Main", 30, 40}),
                    {30, 40}},
        ContextCase{"RightClickHandled", kRightClick(30, 40), true, true, Data({"Main", 30, 40}),
                    {-100, 0}},
        ContextCase{"NoAutoPopup", kRightClick(30, 40), Variant(), false, Data({"Main", 30, 40}),
                    {-100, 0}},
        // The press alone opens nothing: the same click must not choose an item.
        ContextCase{"RightPressOnly",
                    [](TFormEx& f) { f.WindowMouseDownInput(TMouseButton::mbRight, 0, 30, 40); }, Variant(), true,
                    Variant(), {-100, 0}},
        ContextCase{"ReleaseOutsideTheClientArea", kRightClick(-5, 40), Variant(), true, Variant(), {-100, 0}},
        ContextCase{"MenuKey", kKey(platform::kVkApps, 0), Variant(), true, Data({"Main", -1, -1}),
                    {0, 0}},
        ContextCase{"ShiftF10", kKey(platform::kVkF10, platform::ssShift), Variant(), true,
                    Data({"Main", -1, -1}), {0, 0}},
        ContextCase{"MenuKeyHandled", kKey(platform::kVkApps, 0), true, true, Data({"Main", -1, -1}),
                    {-100, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormContextMenuTest, TheChosenItemClicksOnTheNextLoopTurnAndACancelClicksNothing) {
  presenter.choose = {"Exit"};
  kRightClick(5, 5)(form);
  EXPECT_TRUE(clicks.clicked.empty()) << "the click runs after Popup returned";
  m_loop.RunIdle();
  EXPECT_EQ(clicks.clicked, std::vector<std::string>{"Exit"});

  presenter.choose = {};
  kRightClick(5, 5)(form);
  m_loop.RunIdle();
  EXPECT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(clicks.clicked, std::vector<std::string>{"Exit"});
}

TEST_F(FormContextMenuTest, AFramesContextPopupGoesToTheFormsMenuForTheForm) {
  auto& frame = platform::MakeComponent<TFrameEx>(form);
  frame.SetName("Pane");
  frame.SetBounds(50, 60, 100, 80);
  frame.SetParent(&form);
  Bind(frame, "oncontextpopup", "framePopup");
  Bind(form, "oncontextpopup", "formPopup");
  frame.WindowMouseDownInput(TMouseButton::mbRight, 0, 7, 8);
  frame.WindowMouseUpInput(TMouseButton::mbRight, 0, 7, 8);
  EXPECT_EQ(CallsOf("framePopup"), std::vector<Variant>{Data({"Pane", 7, 8})});
  EXPECT_EQ(CallsOf("formPopup"), std::vector<Variant>{Data({"Main", 57, 68})});
  ASSERT_EQ(presenter.shown.size(), 1u);
  const TPoint screen = form.ClientToScreen({57, 68});
  EXPECT_EQ(presenter.shown[0].point.X, screen.X);
  EXPECT_EQ(presenter.shown[0].point.Y, screen.Y);
  EXPECT_EQ(menu.PopupComponent(), &form);

  // A menu of its own opens for the frame.
  auto& frameMenu = platform::MakeComponent<TPopupMenu>(form);
  frameMenu.Items().Add(std::make_unique<TMenuItem>()).SetCaption("Pane item");
  frame.SetPopupMenu(&frameMenu);
  frame.WindowContextMenuInput({-1, -1});
  ASSERT_EQ(presenter.shown.size(), 2u);
  EXPECT_EQ(presenter.shown[1].items, std::vector<std::string>{"Pane item"});
  EXPECT_EQ(frameMenu.PopupComponent(), &frame);
  TComponent::Free(frame);
  EXPECT_EQ(frameMenu.PopupComponent(), nullptr);
}

TEST_F(FormContextMenuTest, AShortcutClicksItsItemAndFiresNoKeyDown) {
  Bind(form, "onkeydown", "keys");
  EXPECT_EQ(form.WindowKeyDownInput('O', platform::ssCtrl), 0);
  EXPECT_EQ(clicks.clicked, std::vector<std::string>{"Open"});
  EXPECT_TRUE(CallsOf("keys").empty());

  // Without the shortcut's modifiers, or with the item disabled, the key is an ordinary one.
  EXPECT_EQ(form.WindowKeyDownInput('O', 0), 'O');
  open->SetEnabled(false);
  EXPECT_EQ(form.WindowKeyDownInput('O', platform::ssCtrl), 'O');
  EXPECT_EQ(clicks.clicked, std::vector<std::string>{"Open"});
  EXPECT_EQ(CallsOf("keys"), (std::vector<Variant>{Data({"Main", 79, 0}),
                                                   Data({"Main", 79, 2})}));
}

TEST_F(FormContextMenuTest, AFocusedFramesMenuAnswersBeforeTheFormsAndAClickMayFreeTheForm) {
  auto& frame = platform::MakeComponent<TFrameEx>(form);
  frame.SetName("Pane");
  frame.SetParent(&form);
  auto& frameMenu = platform::MakeComponent<TPopupMenu>(form);
  TMenuItem& frameOpen = frameMenu.Items().Add(std::make_unique<TMenuItem>());
  frameOpen.SetCaption("Open pane");
  frameOpen.SetShortCut(kCtrlO);
  frameOpen.OnClick().Bind(clicks, &TItemClicks::Clicked);
  frame.SetPopupMenu(&frameMenu);
  frame.SetTabStop(true);
  frame.Show();
  frame.SetFocus();
  ASSERT_EQ(form.FocusedControl(), &frame);
  Bind(form, "onkeydown", "keys");

  EXPECT_EQ(form.WindowKeyDownInput('O', platform::ssCtrl), 0);
  EXPECT_EQ(clicks.clicked, std::vector<std::string>{"Open pane"});

  // The click frees the form that owns menu, frame and all.
  const platform::TWeakRef<TFormEx> alive(&form);
  clicks.then = [&] { TComponent::Free(form); };
  EXPECT_EQ(frame.WindowKeyDownInput('O', platform::ssCtrl), 0);
  EXPECT_FALSE(alive);
  EXPECT_TRUE(CallsOf("keys").empty());
}

}  // namespace
}  // namespace halbrin::framework_test
