// Forms a project declares, as the real program shows them: their windows'
// captions and sizes, exec words seen through the window manager's state,
// and events reaching the procedures bound to them.

#include <X11/keysym.h>

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

using testing::FindTopLevel;
using testing::HasNetWmState;
using testing::IsIconic;
using testing::Viewable;
using testing::WaitUntil;
using testing::WindowRect;

class FormWindowsTest : public ProgramDisplayTest {};

struct DeclaredForm {
  const char* id;
  const char* caption;
  ScreenRect bounds;
};

TEST_F(FormWindowsTest, DeclaredFormsAppearWithTheirCaptionsAndSizes) {
  const DeclaredForm forms[] = {
      {"Main", "First form", {60, 60, 420, 260}},
      {"Second", "Second form, wider", {520, 90, 510, 180}},
  };
  std::string init = "function main(project) {\n";
  for (const DeclaredForm& form : forms) {
    const ScreenRect& r = form.bounds;
    init += "  declare('form', '" + std::string(form.id) + "', '" + form.caption + "', " + std::to_string(r.left) +
            ", " + std::to_string(r.top) + ", " + std::to_string(r.width) + ", " + std::to_string(r.height) +
            ").exec('show');\n";
  }
  init += "  return 0;\n}\n";
  WriteProject(init);
  auto program = Start();
  for (const DeclaredForm& form : forms) {
    const XWindowId window = WaitForTopLevel(form.caption);
    ASSERT_NE(window, 0u) << form.id << " never appeared\n" << Diagnostics();
    const ScreenRect shown = WindowRect(window);
    EXPECT_EQ(shown.width, form.bounds.width) << form.id << " is " << Describe(shown);
    EXPECT_EQ(shown.height, form.bounds.height) << form.id << " is " << Describe(shown);
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

enum class WindowState { Normal, Maximized, Minimized, Hidden };

const char* StateName(WindowState state) {
  switch (state) {
    case WindowState::Normal: return "normal";
    case WindowState::Maximized: return "maximised";
    case WindowState::Minimized: return "minimised";
    case WindowState::Hidden: return "hidden";
  }
  return "?";
}

bool InState(XWindowId window, WindowState state) {
  const bool maximized = HasNetWmState(window, "_NET_WM_STATE_MAXIMIZED_VERT") &&
                         HasNetWmState(window, "_NET_WM_STATE_MAXIMIZED_HORZ");
  const bool minimized = IsIconic(window) || HasNetWmState(window, "_NET_WM_STATE_HIDDEN");
  switch (state) {
    case WindowState::Normal: return Viewable(window) && !maximized && !minimized;
    case WindowState::Maximized: return Viewable(window) && maximized;
    case WindowState::Minimized: return !Viewable(window) && minimized;
    case WindowState::Hidden: return !Viewable(window) && !minimized;
  }
  return false;
}

struct ExecStep {
  const char* word;
  bool result;        // what exec answers
  WindowState after;  // the window's state then
};

TEST_F(FormWindowsTest, ExecWordsChangeTheWindowAsTheWindowManagerSeesIt) {
  // The words go to a second form: a later start also brings the main form
  // to the front, which would mask what a word did to it.
  WriteProject(
      "function main(project) {\n"
      "  listenForWords();\n"
      "  declare('form', 'Main', 'Main form', 40, 40, 300, 200).exec('show');\n"
      "  declare('form', 'Second', 'Driven form', 380, 60, 360, 240).exec('show');\n"
      "  return 0;\n"
      "}\n");
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Main form"), 0u) << Diagnostics();
  ASSERT_NE(WaitForTopLevel("Driven form"), 0u) << Diagnostics();
  const ExecStep steps[] = {
      {"maximize", true, WindowState::Maximized}, {"restore", true, WindowState::Normal},
      {"MAXIMIZE", true, WindowState::Maximized}, {"Restore", true, WindowState::Normal},
      {"minimize", true, WindowState::Minimized}, {"restore", true, WindowState::Normal},
      {"hide", true, WindowState::Hidden},        {"show", true, WindowState::Normal},
      {"nosuchword", false, WindowState::Normal},
  };
  for (const ExecStep& step : steps) {
    int n = 0;
    ASSERT_EQ(HandOverWord("Second", step.word, &n), 183) << step.word;
    ASSERT_TRUE(WaitForLine(ExecLine(n, "Second", step.word, step.result))) << step.word << "\n" << Diagnostics();
    const XWindowId window = FindTopLevel("Driven form");
    EXPECT_TRUE(WaitUntil([&] { return InState(window, step.after); }))
        << "after " << step.word << " the form is not " << StateName(step.after) << "; its states:"
        << ::testing::PrintToString(testing::NetWmState(window)) << " viewable " << Viewable(window);
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

struct KeyCase {
  unsigned long keysym;
  unsigned long modifier;  // held over the key; 0 for none
  const char* eventData;   // virtual key code and modifiers
};

TEST_F(FormWindowsTest, ShowActivateClickKeyDownAndHideReachTheBoundProcedures) {
  WriteProject(
      "function main(project) {\n"
      "  listenForWords();\n"
      "  declare('form', 'Main', 'Event form', 80, 80, 360, 240, '" + std::string(kEventBindings) + "').exec('show');\n"
      "  return 0;\n"
      "}\n");
  auto program = Start();
  const XWindowId window = WaitForTopLevel("Event form");
  ASSERT_NE(window, 0u) << Diagnostics();
  EXPECT_TRUE(WaitForLine("show Main,true")) << Diagnostics();
  ASSERT_TRUE(WaitUntil([&] { return testing::ActiveWindow() == window; })) << "the form never became active";
  EXPECT_TRUE(WaitForLine("activate Main")) << Diagnostics();

  const ScreenRect rect = WindowRect(window);
  testing::PointerClick(rect.CenterX(), rect.CenterY());
  EXPECT_TRUE(WaitForLine("click Main")) << Diagnostics();

  const KeyCase keys[] = {
      {XK_a, 0, "65,0"},
      {XK_F5, 0, "116,0"},
      {XK_Left, XK_Shift_L, "37,1"},
      {XK_Return, XK_Control_L, "13,2"},
      {XK_Delete, XK_Alt_L, "46,4"},
  };
  for (const KeyCase& key : keys) {
    if (key.modifier) testing::KeyDown(key.modifier);
    testing::KeyTap(key.keysym);
    if (key.modifier) testing::KeyUp(key.modifier);
    EXPECT_TRUE(WaitForLine(std::string("keydown Main,") + key.eventData)) << key.eventData << "\n" << Diagnostics();
  }

  ASSERT_EQ(HandOverWord("Main", "hide"), 183);
  EXPECT_TRUE(WaitForLine("hide Main")) << Diagnostics();
  ASSERT_EQ(HandOverWord("Main", "show"), 183);
  EXPECT_TRUE(WaitForLine("show Main,false")) << "the second show is not the first\n" << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

}  // namespace
}  // namespace halbrin::programtest
