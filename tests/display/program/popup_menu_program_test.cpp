// Context menus and shortcuts of a project's form as the real program shows
// them: a right click (XTest) pops the form's popupMenu up as a GTK menu
// window unless "contextpopup" handled it, keys choose its items, a shortcut
// clicks an item instead of reaching "keydown", and a timer keeps ticking
// while the menu is open, up to closing the main form under it.

#include <X11/keysym.h>

#include <algorithm>
#include <thread>

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

using testing::MappedPopupMenus;
using testing::WaitUntil;
using testing::WindowRect;

// The context menu: Open (Ctrl+O), a disabled Print, a separator, Close,
// each item noting its click; the menu notes each popup. Declared before the
// form that names it.
constexpr const char* kMenuDeclaration =
    "  client.exec('<control type=\"menu\" id=\"Context\"><events><onpopup xml=\"menuShown\"/></events>' +\n"
    "      '<item id=\"Open\" caption=\"&amp;Open\" shortcut:ShortCut=\"Ctrl+O\" xml=\"clicked\"/>' +\n"
    "      '<item id=\"Print\" caption=\"&amp;Print\" Enabled=\"false\" xml=\"clicked\"/>' +\n"
    "      '<item id=\"Line\" caption=\"-\"/>' +\n"
    "      '<item id=\"Close\" caption=\"&amp;Close\" xml=\"clicked\"/></control>');\n";

constexpr const char* kMenuActions = R"JS(
function menuShown(name) { note('popup ' + name); }
function contextPopup(name, x, y) { note('contextpopup ' + name); return handleContext; }
)JS";

class PopupMenuProgramTest : public ProgramDisplayTest {
 protected:
  // A project whose main form "Menu form" has the context menu, the event
  // bindings of kEventBindings, "contextpopup" answering `handled`, and
  // `more` declared after it.
  void WriteMenuProject(bool handled, const std::string& more = {}, const std::string& actions = {}) const {
    WriteProject(std::string("function main(project) {\n") + kMenuDeclaration +
                     "  declare('form', 'Main', 'Menu form', 80, 80, 360, 240, '" + kEventBindings +
                     "').exec('show');\n"
                     "  client.exec('<control type=\"form\" id=\"Main\" popupMenu=\"Context\"><events>' +\n"
                     "      '<oncontextpopup xml=\"contextPopup\"/></events></control>');\n" +
                     more + "  return 0;\n}\n",
                 std::string("var handleContext = ") + (handled ? "true" : "false") + ";\n" + kMenuActions + actions);
  }

  // Starts the program and waits until its form is active, so keys reach it.
  std::unique_ptr<Process> StartActive() {
    auto program = Start();
    m_form = WaitForTopLevel("Menu form");
    EXPECT_NE(m_form, 0u) << Diagnostics();
    EXPECT_TRUE(WaitUntil([&] { return testing::ActiveWindow() == m_form; })) << "the form never became active";
    return program;
  }

  void RightClickOnForm() const {
    const ScreenRect rect = WindowRect(m_form);
    testing::PointerClick(rect.CenterX(), rect.CenterY(), 3);
  }

  static bool WaitForMenu() { return WaitUntil([] { return !MappedPopupMenus().empty(); }); }
  static bool WaitForNoMenu() { return WaitUntil([] { return MappedPopupMenus().empty(); }); }

  // Lines of out.txt that start with `prefix`.
  int LinesStartingWith(const std::string& prefix) const {
    const std::string text = "\n" + Output();
    int count = 0;
    for (std::size_t at = text.find("\n" + prefix); at != std::string::npos; at = text.find("\n" + prefix, at + 1))
      ++count;
    return count;
  }

  XWindowId m_form = 0;
};

struct ContextCase {
  const char* name;
  bool handled;  // what "contextpopup" answers
};

class ContextPopupTest : public PopupMenuProgramTest, public ::testing::WithParamInterface<ContextCase> {};

TEST_P(ContextPopupTest, ARightClickShowsTheMenuUnlessContextPopupHandledIt) {
  const ContextCase& c = GetParam();
  WriteMenuProject(c.handled);
  auto program = StartActive();
  ASSERT_NE(m_form, 0u);
  ASSERT_TRUE(MappedPopupMenus().empty()) << "a menu is open before the click";
  RightClickOnForm();
  ASSERT_TRUE(WaitForLine("contextpopup Main")) << Diagnostics();
  if (c.handled) {
    // The handler's answer came before any popup: give a wrong one time to show.
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(MappedPopupMenus().empty()) << "a handled context popup still showed the menu";
    EXPECT_EQ(LinesStartingWith("popup "), 0) << Output();
  } else {
    ASSERT_TRUE(WaitForMenu()) << "no menu window mapped\n" << Diagnostics();
    EXPECT_TRUE(HasLine("popup Context")) << Output();
    const ScreenRect menu = WindowRect(MappedPopupMenus().back());
    const ScreenRect form = WindowRect(m_form);
    EXPECT_NEAR(menu.left, form.CenterX(), 2) << "the menu is at " << Describe(menu);
    EXPECT_NEAR(menu.top, form.CenterY(), 2) << "the menu is at " << Describe(menu);
    testing::KeyTap(XK_Escape);
    EXPECT_TRUE(WaitForNoMenu()) << "Escape left the menu open";
    EXPECT_EQ(LinesStartingWith("click "), 0) << Output();
  }
  EXPECT_TRUE(program->Running());
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

INSTANTIATE_TEST_SUITE_P(Answers, ContextPopupTest,
                         ::testing::Values(ContextCase{"NotHandled", false}, ContextCase{"Handled", true}),
                         [](const ::testing::TestParamInfo<ContextCase>& info) { return std::string(info.param.name); });

TEST_F(PopupMenuProgramTest, DownDownReturnClicksTheSecondEnabledItemOnce) {
  WriteMenuProject(false);
  auto program = StartActive();
  ASSERT_NE(m_form, 0u);
  RightClickOnForm();
  ASSERT_TRUE(WaitForMenu()) << Diagnostics();
  // Down selects Open; the next Down passes the disabled Print and the line.
  for (unsigned long key : {XK_Down, XK_Down, XK_Return}) testing::KeyTap(key);
  EXPECT_TRUE(WaitForLine("click Close,false,")) << Diagnostics();
  EXPECT_TRUE(WaitForNoMenu());
  // Any second click would come from the same round of the loop.
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(LinesStartingWith("click "), 1) << Output();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

TEST_F(PopupMenuProgramTest, CtrlOClicksTheShortcutsItemAndFiresNoKeyDown) {
  WriteMenuProject(false);
  auto program = StartActive();
  ASSERT_NE(m_form, 0u);
  testing::KeyDown(XK_Control_L);
  testing::KeyTap(XK_o);
  testing::KeyUp(XK_Control_L);
  EXPECT_TRUE(WaitForLine("click Open,false,")) << Diagnostics();
  // A plain key afterwards reaches "keydown": every key before it has been handled by then.
  testing::KeyTap(XK_a);
  ASSERT_TRUE(WaitForLine("keydown Main,65,0")) << Diagnostics();
  EXPECT_EQ(LinesStartingWith("keydown Main,79,"), 0) << "the shortcut also reached keydown\n" << Output();
  EXPECT_EQ(LinesStartingWith("click "), 1) << Output();
  EXPECT_TRUE(MappedPopupMenus().empty()) << "a shortcut opened the menu";
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

TEST_F(PopupMenuProgramTest, ATimerTicksWhileTheMenuIsOpenAndClosingTheMainFormFromItEndsTheProgram) {
  // Every 100 ms the timer notes whether the menu is open; the third tick
  // with the menu open closes the main form.
  WriteMenuProject(false,
                   "  client.exec('<control type=\"timer\" id=\"Clock\" elapse=\"100\" enabled=\"true\">' +\n"
                   "      '<events><onchange xml=\"ticked\"/></events></control>');\n",
                   R"JS(
function ticked(name, ticks) {
  // Boolean properties read as their names.
  if (String(client.components.item('Context').visible) != 'True') return;
  var variables = client.variables;
  var open = variables.exists('openTicks', 0) ? variables.values('openTicks') + 1 : 1;
  if (open == 1) variables.add('openTicks', open);
  else variables.item('openTicks').Value = open;
  note('tick while open ' + open);
  if (open == 3) client.forms.item('Main').exec('close');
}
)JS");
  auto program = StartActive();
  ASSERT_NE(m_form, 0u);
  RightClickOnForm();
  ASSERT_TRUE(WaitForMenu()) << Diagnostics();
  EXPECT_TRUE(WaitForLine("tick while open 3")) << "the timer stopped while the menu was open\n" << Diagnostics();
  EXPECT_TRUE(WaitForNoMenu()) << "the menu stayed open after its form closed";
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
  EXPECT_EQ(LinesStartingWith("click "), 0) << Output();
  EXPECT_EQ(LinesStartingWith("tick while open 4"), 0) << Output();
}

}  // namespace
}  // namespace halbrin::programtest
