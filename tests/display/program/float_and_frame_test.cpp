// Floating forms with the application's activation, and frames docked at
// each side of their form, in the real program.

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

using testing::ActiveWindow;
using testing::FindTopLevel;
using testing::Viewable;
using testing::StackedAbove;
using testing::WaitUntil;
using testing::WindowRect;

class FloatAndFrameTest : public ProgramDisplayTest {};

TEST_F(FloatAndFrameTest, AFloatFormHidesWhenAnotherProgramActivatesAndComesBackWithTheMainForm) {
  WriteProject(
      "function main(project) {\n"
      "  declare('form', 'Main', 'Float owner', 40, 40, 400, 300).exec('show');\n"
      "  declare('float', 'Palette', 'Tool palette', 480, 60, 200, 150, '" + std::string(kEventBindings) +
      "').exec('show');\n"
      "  return 0;\n"
      "}\n");
  auto program = Start();
  const XWindowId form = WaitForTopLevel("Float owner");
  ASSERT_NE(form, 0u) << Diagnostics();
  ASSERT_NE(WaitForTopLevel("Tool palette"), 0u) << Diagnostics();
  EXPECT_TRUE(WaitForLine("show Palette,true")) << Diagnostics();
  const XWindowId palette = FindTopLevel("Tool palette");
  EXPECT_TRUE(WaitUntil([&] { return StackedAbove(palette, form); })) << "the float form is under the main form";

  auto other = StartOtherWindow("Another program", {120, 420, 300, 200});
  const XWindowId otherWindow = WaitForTopLevel("Another program");
  ASSERT_NE(otherWindow, 0u);
  ASSERT_TRUE(WaitUntil([&] { return ActiveWindow() == otherWindow; })) << "the other program is not active";
  EXPECT_TRUE(WaitUntil([&] { return !Viewable(palette); }))
      << "the float form stays up while another program is active";

  const ScreenRect rect = WindowRect(form);
  testing::PointerClick(rect.CenterX(), rect.CenterY());
  ASSERT_TRUE(WaitUntil([&] { return ActiveWindow() == form; })) << "the main form did not take the activation";
  EXPECT_TRUE(WaitUntil([&] { return Viewable(palette) && StackedAbove(palette, form); }))
      << "the float form did not come back above the main form";
  // Hiding it with the application is no "hide" of the form.
  EXPECT_FALSE(HasLine("hide Palette")) << Diagnostics();
  EXPECT_FALSE(HasLine("show Palette,false")) << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

struct DockedFrame {
  const char* name;
  const char* align;
  const char* size;    // the attribute the dock keeps
  ScreenRect bounds;   // in the form's client area of 400x300
};

TEST_F(FloatAndFrameTest, FramesDockAtEachSideOfTheirForm) {
  // Docked in this order: the top and bottom strips span the form, the left
  // and right ones the height between them.
  const DockedFrame frames[] = {
      {"PaneTop", "alTop", "Height=\"40\"", {0, 0, 400, 40}},
      {"PaneBottom", "alBottom", "Height=\"30\"", {0, 270, 400, 30}},
      {"PaneLeft", "alLeft", "Width=\"60\"", {0, 40, 60, 230}},
      {"PaneRight", "alRight", "Width=\"50\"", {350, 40, 50, 230}},
  };
  std::string inner;
  std::string report;
  for (const DockedFrame& frame : frames) {
    inner += std::string("<control type=\"container\" id=\"") + frame.name + "\" Align=\"" + frame.align + "\" " +
             frame.size + " Visible=\"true\"><events><onclick xml=\"clicked\"/></events></control>";
    report += std::string("  var f = form.item('") + frame.name + "');\n  note('bounds " + frame.name +
              " ' + [f.Left, f.Top, f.Width, f.Height].join(','));\n";
  }
  WriteProject(
      "function main(project) {\n"
      "  var form = declare('form', 'Main', 'Docking form', 60, 60, 400, 300,\n"
      "                     '<events><onclick xml=\"clicked\"/></events>" + inner + "');\n"
      "  form.exec('show');\n"
      "  note('client ' + form.ClientWidth + ',' + form.ClientHeight);\n" + report +
      "  return 0;\n"
      "}\n");
  auto program = Start();
  const XWindowId window = WaitForTopLevel("Docking form");
  ASSERT_NE(window, 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("client 400,300")) << "the form has a border of its own\n" << Diagnostics();
  const ScreenRect form = WindowRect(window);
  for (const DockedFrame& frame : frames) {
    const ScreenRect& b = frame.bounds;
    EXPECT_TRUE(HasLine(std::string("bounds ") + frame.name + " " + std::to_string(b.left) + "," +
                        std::to_string(b.top) + "," + std::to_string(b.width) + "," + std::to_string(b.height)))
        << frame.name << "\n" << Diagnostics();
    // A click in the middle of the strip reaches the frame, not the form.
    testing::PointerClick(form.left + b.CenterX(), form.top + b.CenterY());
    EXPECT_TRUE(WaitForLine(std::string("click ") + frame.name)) << frame.name << "\n" << Diagnostics();
  }
  testing::PointerClick(form.left + 200, form.top + 150);
  EXPECT_TRUE(WaitForLine("click Main")) << "the middle is left to the form\n" << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

}  // namespace
}  // namespace halbrin::programtest
