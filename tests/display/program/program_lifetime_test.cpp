// How long the real program runs with forms: a start script's exit code ends
// it before the loop; otherwise it runs while its main form exists and ends
// with 0 however that form goes; a later start exits 183 and brings the main
// form up; "showmodal" answers the modal result, and a stop signal ends a
// modal loop too.

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

using testing::RequestClose;
using testing::StackedAbove;
using testing::WaitUntil;
using testing::WindowRect;

class ProgramLifetimeTest : public ProgramDisplayTest {};

struct EarlyExitCase {
  const char* what;
  const char* body;  // main's statements before "return 7"
};

TEST_F(ProgramLifetimeTest, AStartScriptsExitCodeEndsTheProgramBeforeTheLoop) {
  const EarlyExitCase cases[] = {
      {"a shown main form", "declare('form', 'Main', 'Short-lived form', 60, 60, 300, 200).exec('show');"},
      {"a hidden main form", "declare('form', 'Main', 'Short-lived form', 60, 60, 300, 200);"},
      {"no form", ""},
  };
  for (const EarlyExitCase& c : cases) {
    WriteProject(std::string("function main(project) {\n  ") + c.body + "\n  return 7;\n}\n");
    EXPECT_EQ(Start()->Wait(20s), 7) << c.what << "\n" << Diagnostics();
  }
}

enum class Ending { WindowManagerClose, ExecClose, ExecRelease, ApplicationTerminate, StopSignal, InterruptSignal };

struct EndingCase {
  const char* what;
  Ending ending;
  const char* tail;  // main's last statement
};

TEST_F(ProgramLifetimeTest, WithAMainFormTheProgramRunsUntilTheFormGoesThenExitsWith0) {
  const EndingCase cases[] = {
      {"closed by the window manager", Ending::WindowManagerClose, "return 0;"},
      {"exec close", Ending::ExecClose, "return 0;"},
      {"exec release", Ending::ExecRelease, "return 0;"},
      {"the application's terminate", Ending::ApplicationTerminate, "return 0;"},
      {"SIGTERM", Ending::StopSignal, "return 0;"},
      {"SIGINT", Ending::InterruptSignal, "return 0;"},
      {"a start that failed after showing it", Ending::WindowManagerClose, "nosuch();"},
  };
  for (const EndingCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ProjectFolder() + "/out.txt");
    WriteProject(std::string("function main(project) {\n"
                             "  listenForWords();\n"
                             "  declare('form', 'Main', 'Lasting form', 60, 60, 320, 200).exec('show');\n  ") +
                 c.tail + "\n}\n");
    auto program = Start();
    const XWindowId window = WaitForTopLevel("Lasting form");
    ASSERT_NE(window, 0u) << Diagnostics();
    // Still serving once the start script is over.
    int n = 0;
    ASSERT_EQ(HandOverWord("Main", "repaint", &n), 183) << Diagnostics();
    ASSERT_TRUE(WaitForLine(ExecLine(n, "Main", "repaint", true))) << Diagnostics();
    switch (c.ending) {
      case Ending::WindowManagerClose: RequestClose(window); break;
      case Ending::ExecClose: EXPECT_EQ(HandOverWord("Main", "close"), 183); break;
      case Ending::ExecRelease: EXPECT_EQ(HandOverWord("Main", "release"), 183); break;
      case Ending::ApplicationTerminate: EXPECT_EQ(HandOverWord("application", "terminate"), 183); break;
      case Ending::StopSignal: program->Signal(SIGTERM); break;
      case Ending::InterruptSignal: program->Signal(SIGINT); break;
    }
    EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
  }
}

TEST_F(ProgramLifetimeTest, AHiddenMainFormKeepsTheProgramRunning) {
  WriteProject(
      "function main(project) {\n"
      "  listenForWords();\n"
      "  declare('form', 'Main', 'Hidden main form', 60, 60, 320, 200);\n"
      "  note('started');\n"
      "  return 0;\n"
      "}\n");
  auto program = Start();
  // Only once the first start runs its project is the next one a later start.
  ASSERT_TRUE(WaitForLine("started")) << Diagnostics();
  // A later start reaches the running instance and has the form shown.
  int n = 0;
  ASSERT_EQ(HandOverWord("Main", "show", &n), 183) << Diagnostics();
  EXPECT_TRUE(WaitForLine(ExecLine(n, "Main", "show", true))) << Diagnostics();
  EXPECT_NE(WaitForTopLevel("Hidden main form"), 0u) << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

TEST_F(ProgramLifetimeTest, ALaterStartExits183AndBringsTheMainFormAboveAnotherProgram) {
  WriteProject(
      "function main(project) {\n"
      "  declare('form', 'Main', 'Raised form', 100, 100, 360, 240).exec('show');\n"
      "  return 0;\n"
      "}\n");
  auto program = Start();
  const XWindowId form = WaitForTopLevel("Raised form");
  ASSERT_NE(form, 0u) << Diagnostics();
  const ScreenRect rect = WindowRect(form);
  auto other = StartOtherWindow("Another program", {rect.left + 40, rect.top + 40, 300, 200});
  const XWindowId otherWindow = WaitForTopLevel("Another program");
  ASSERT_NE(otherWindow, 0u);
  ASSERT_TRUE(WaitUntil([&] { return StackedAbove(otherWindow, form); })) << "the other program is not on top";
  EXPECT_EQ(Start()->Wait(20s), 183) << Diagnostics();
  EXPECT_TRUE(WaitUntil([&] { return StackedAbove(form, otherWindow); }))
      << "the main form stays under the other program\n" << Diagnostics();
  EXPECT_TRUE(program->Running()) << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

enum class ModalEnd { ClickSetsModalResult, WindowManagerClose, StopSignal };

struct ModalCase {
  const char* what;
  ModalEnd end;
  int modalResult;
};

TEST_F(ProgramLifetimeTest, ShowModalAnswersTheModalResult) {
  const ModalCase cases[] = {
      {"a click handler sets ModalResult", ModalEnd::ClickSetsModalResult, 6},
      {"the window manager closes the form", ModalEnd::WindowManagerClose, 2},
      {"SIGTERM during the modal loop", ModalEnd::StopSignal, 2},
  };
  for (const ModalCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ProjectFolder() + "/out.txt");
    WriteProject(
        "function main(project) {\n"
        "  declare('form', 'Main', 'Modal owner', 40, 40, 360, 240).exec('show');\n"
        "  var dialog = declare('form', 'Dialog', 'Modal dialog', 460, 60, 260, 160,\n"
        "                       '<events><onclick xml=\"answer\"/></events>');\n"
        "  note('modal ' + dialog.exec('showmodal'));\n"
        "  return 0;\n"
        "}\n",
        "function answer(name) { client.forms.item(name).ModalResult = 6; }\n");
    auto program = Start();
    ASSERT_NE(WaitForTopLevel("Modal owner"), 0u) << Diagnostics();
    const XWindowId dialog = WaitForTopLevel("Modal dialog");
    ASSERT_NE(dialog, 0u) << Diagnostics();
    switch (c.end) {
      case ModalEnd::ClickSetsModalResult: {
        const ScreenRect rect = WindowRect(dialog);
        testing::PointerClick(rect.CenterX(), rect.CenterY());
        break;
      }
      case ModalEnd::WindowManagerClose: RequestClose(dialog); break;
      case ModalEnd::StopSignal: program->Signal(SIGTERM); break;
    }
    EXPECT_TRUE(WaitForLine("modal " + std::to_string(c.modalResult))) << Diagnostics();
    if (c.end != ModalEnd::StopSignal) {
      EXPECT_TRUE(WaitUntilHidden("Modal dialog"));
      EXPECT_TRUE(program->Running()) << "the main form still keeps the program";
      RequestClose(testing::FindTopLevel("Modal owner"));
    }
    EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
  }
}

}  // namespace
}  // namespace halbrin::programtest
