// Window switches declared by a project in the real program: containers of a
// form shown one at a time, and two forms brought to the front in turn.

#include "program_display_fixture.h"

namespace halbrin::programtest {
namespace {

using testing::FindTopLevel;
using testing::StackedAbove;
using testing::WaitUntil;

class WindowSwitchProgramTest : public ProgramDisplayTest {};

// The switch's own events, noted as "beforeactivate ToSearch"...
constexpr const char* kSwitchBindings =
    "<events><onbeforeactivate xml=\\'asked\\'/><ondeactivate xml=\\'left\\'/>"
    "<onactivate xml=\\'activated\\'/></events>";

// Procedures of both scripts: the events' notes and the group read back.
constexpr const char* kSwitchActions = R"JS(
function asked() { note('beforeactivate ' + joined(arguments)); }
function left() { note('deactivate ' + joined(arguments)); }
function pages() { return client.components.item('Pages'); }
function toHome() { client.components.item('ToHome').active = true; return pages().activeName; }
function report() {
  var form = client.forms.item('Main');
  return [pages().activeName, pages().activeIndex, form.item('Home').Visible, form.item('Search').Visible].join(',');
}
)JS";

TEST_F(WindowSwitchProgramTest, AGroupShowsOneContainerOfTheFormAtATime) {
  const std::string bindings = "<events><onshow xml=\"shown\"/><onhide xml=\"hidden\"/></events>";
  WriteProject(
      std::string(kSwitchActions) +
      "function main(project) {\n"
      "  var form = declare('form', 'Main', 'Switched panes', 60, 60, 400, 300,\n"
      "    '<control type=\"container\" id=\"Home\" Align=\"alClient\" Visible=\"true\">" + bindings + "</control>' +\n"
      "    '<control type=\"container\" id=\"Search\" Align=\"alClient\">" + bindings + "</control>');\n"
      "  client.exec('<control type=\"windowswitch\" id=\"Pages\">' +\n"
      "    '<control type=\"windowswitch\" id=\"ToHome\" component=\"Home\">" + kSwitchBindings + "</control>' +\n"
      "    '<control type=\"windowswitch\" id=\"ToSearch\" component=\"Search\">" + kSwitchBindings + "</control>' +\n"
      "    '</control>');\n"
      "  form.exec('show');\n"
      "  note('first ' + report());\n"
      "  pages().activeName = 'search';\n"
      "  note('then ' + report());\n"
      "  listenForWords();\n"
      "  return 0;\n"
      "}\n",
      kSwitchActions);
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Switched panes"), 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("then Search,0,False,True")) << Diagnostics();
  EXPECT_TRUE(HasLine("first Home,0,True,False")) << Diagnostics();
  // Where a whole line starts ("activate X" is also the end of "beforeactivate X").
  const std::string output = "\n" + Output();
  const auto at = [&](const std::string& line) { return output.find("\n" + line + "\n"); };
  ASSERT_NE(at("beforeactivate ToSearch"), std::string::npos) << Diagnostics();
  EXPECT_LT(at("beforeactivate ToSearch"), at("hide Home"));
  EXPECT_LT(at("hide Home"), at("deactivate ToHome"));
  EXPECT_LT(at("deactivate ToHome"), at("show Search,true"));
  EXPECT_LT(at("show Search,true"), at("activate ToSearch"));
  EXPECT_LT(at("activate ToSearch"), at("then Search,0,False,True")) << Diagnostics();

  int step = 0;
  ASSERT_EQ(HandOverWord("script", "toHome", &step), 183);
  EXPECT_TRUE(WaitForLine("exec " + std::to_string(step) + " script toHome Home")) << Diagnostics();
  ASSERT_EQ(HandOverWord("script", "report", &step), 183);
  EXPECT_TRUE(WaitForLine("exec " + std::to_string(step) + " script report Home,0,True,False")) << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

TEST_F(WindowSwitchProgramTest, AZOrderGroupBringsItsFormsToTheFrontInTurn) {
  WriteProject(
      "function main(project) {\n"
      "  declare('form', 'Main', 'Form one', 60, 60, 360, 260).exec('show');\n"
      "  declare('form', 'Other', 'Form two', 160, 120, 360, 260).exec('show');\n"
      "  client.exec('<control type=\"windowswitch\" id=\"Pages\">' +\n"
      "    '<control type=\"windowswitch\" id=\"ToHome\" component=\"Main\" switchType=\"wstZOrder\"/>' +\n"
      "    '<control type=\"windowswitch\" id=\"ToSearch\" component=\"Other\" switchType=\"wstZOrder\"/>' +\n"
      "    '</control>');\n"
      "  listenForWords();\n"
      "  note('ready');\n"
      "  return 0;\n"
      "}\n",
      std::string(kSwitchActions) +
          "function toSearch() { client.components.item('ToSearch').active = true; return pages().activeName; }\n");
  auto program = Start();
  const XWindowId one = WaitForTopLevel("Form one");
  const XWindowId two = WaitForTopLevel("Form two");
  ASSERT_NE(one, 0u) << Diagnostics();
  ASSERT_NE(two, 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("ready")) << Diagnostics();
  ASSERT_TRUE(WaitUntil([&] { return StackedAbove(two, one); })) << "the later form starts on top";

  int step = 0;
  ASSERT_EQ(HandOverWord("script", "toHome", &step), 183);
  EXPECT_TRUE(WaitForLine("exec " + std::to_string(step) + " script toHome Main")) << Diagnostics();
  EXPECT_TRUE(WaitUntil([&] { return StackedAbove(one, two); })) << "Form one was not raised";

  ASSERT_EQ(HandOverWord("script", "toSearch", &step), 183);
  EXPECT_TRUE(WaitForLine("exec " + std::to_string(step) + " script toSearch Other")) << Diagnostics();
  EXPECT_TRUE(WaitUntil([&] { return StackedAbove(two, one); })) << "Form two was not raised";
  EXPECT_NE(FindTopLevel("Form one"), 0u);
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0);
}

}  // namespace
}  // namespace halbrin::programtest
