// Data binding from a project page, as the real program runs it: the page
// opens the web-controls Data class through window.external's project
// modules, hands it its own document and runs the binder, which reaches the
// page's binding module and comes back.

#include <string>

#include "program_display_fixture.h"

namespace halbrin::programtest {
namespace {

// Runs on DOMContentLoaded and reports through the page's title:
// open result, binder run, two binder reads distinct, another class id's open.
const char* kBindingPage = R"(<html><head><meta charset="utf-8"><title>loading</title></head><body>
<xml id="xmlData"><recordset><record><Name>Ann</Name></record></recordset></xml>
<span id="name" datasrc="#xmlData" datafld="Name"></span>
<script>
document.addEventListener("DOMContentLoaded", function () {
  var report = [];
  try {
    var modules = window.external.project.modules;
    var module = modules.add("ZebrinWebControls.Data", "webControls");
    report.push(module.open(""));
    var data = module.control;
    data.document = document;
    report.push(data.binder.execute(true));
    report.push(data.binder !== data.binder);
    var other = modules.add("{2087BFA6-C4B5-4EB2-B7E0-7952029E4462}", "other");
    report.push((other.open("") >>> 0).toString(16));
  } catch (e) {
    report.push("error " + e.message);
  }
  document.title = "road " + report.join(",");
});
</script></body></html>)";

class BindingRoadTest : public ProgramDisplayTest {};

TEST_F(BindingRoadTest, APageScriptOpensTheDataClassAndBindsItsOwnDocument) {
  m_temp.Write("project/pages/bound.html", kBindingPage, testing::MakeFolders::Yes);
  WriteProject("function main(project) {\n"
               "  declare('form', 'Main', 'Binding form', 40, 40, 480, 320, '<control type=\"webbrowser\" "
               "id=\"browser1\" Align=\"alClient\" Visible=\"true\" url_=\"pages/bound.html\"><events>"
               "<ontitlechange xml=\"titled\"/></events></control>').exec('show');\n"
               "  return 0;\n"
               "}\n",
               "function titled(name, title) { if (/^road /.test(title)) note(title); }\n");
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Binding form"), 0u) << Diagnostics();
  EXPECT_TRUE(WaitForLine("road 0,1,true,800401f3")) << Diagnostics();
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
  // The run reached the page's module: the page is a project page.
  EXPECT_EQ(LogCount("The document is not a project page"), 0u) << Diagnostics();
}

}  // namespace
}  // namespace halbrin::programtest
