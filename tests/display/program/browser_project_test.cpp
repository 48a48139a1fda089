// Web browsers a project declares, as the real program runs them: local
// pages load and complete into the project's script, their scripts reach
// the client as window.external, the project reaches the document through
// the browser's named object, navigation events arrive in order, a page
// prints into a PDF file, a page from elsewhere gets no window.external,
// and jQuery handlers call the client synchronously, from a real click and
// from the project.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

using testing::WaitUntil;
using testing::WindowRect;

// A form at a fixed place holding one scriptable browser that fills it; the
// browser's events go to the procedures of actions.js named after them.
std::string DeclareBrowserForm(const std::string& caption, const std::string& url) {
  return "  declare('form', 'Main', '" + caption +
         "', 40, 40, 480, 320, '<control type=\"webbrowser\" id=\"browser1\" Align=\"alClient\" Visible=\"true\" "
         "url_=\"" + url + "\"><events><ondocumentcomplete xml=\"completed\"/>"
         "<onbeforenavigate2 xml=\"navigating\"/><onnavigatecomplete2 xml=\"committed\"/>"
         "<ontitlechange xml=\"titled\"/></events></control>').exec('show');\n";
}

// Procedures for the browser's events; `onComplete` runs at the end of "completed".
std::string BrowserActions(const std::string& onComplete, const std::string& more = {}) {
  return "function browser() { return client.forms.item('Main').browser1; }\n"
         "function navigating(name, frame, url) { note('beforenavigate2 ' + name + ',' + url); }\n"
         "function committed(name, frame, url) { note('navigatecomplete2 ' + name + ',' + url); }\n"
         "function titled(name, title) {}\n"
         "function completed(name, document, url) {\n"
         "  note('documentcomplete ' + name + ',' + url);\n" +
         onComplete + "}\n" + more;
}

class BrowserProjectTest : public ProgramDisplayTest {
 protected:
  // Writes a page under the project folder; answers its file URI.
  std::string ProjectPage(const std::string& name, const std::string& html) const {
    m_temp.Write("project/" + name, html, testing::MakeFolders::Yes);
    return "file://" + ProjectFolder() + "/" + name;
  }
  // The position of `line` in out.txt; npos when missing.
  std::size_t LinePosition(const std::string& line) const {
    return ("\n" + Output()).find("\n" + line + "\n");
  }
  void Stop(std::unique_ptr<Process>& program) {
    program->Signal(SIGTERM);
    EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
  }
};

// A script-free page and a scripted one, the first navigating to the second.
const char* kPlainPage = "<html><body><p>Nothing runs here.</p></body></html>";
const char* kScriptedPage =
    "<html><head><title>loading</title></head><body><p id=\"target\">before</p><script>\n"
    "document.title = 'read ' + window.external.variables.values('greeting');\n"
    "function targetText() { return document.getElementById('target').textContent; }\n"
    "</script></body></html>";

std::string ScriptedProjectInit() {
  return "function main(project) {\n"
         "  listenForWords();\n"
         "  client.variables.add('greeting', 'stored by the start script');\n" +
         DeclareBrowserForm("Browser form", "pages/plain.html") +
         "  return 0;\n"
         "}\n";
}

TEST_F(BrowserProjectTest, LocalPagesCompleteReachTheClientAndAreReachedThroughTheNamedObject) {
  const std::string plain = ProjectPage("pages/plain.html", kPlainPage);
  const std::string scripted = ProjectPage("pages/scripted.html", kScriptedPage);
  WriteProject(ScriptedProjectInit(),
               BrowserActions("  if (/plain\\.html$/.test(url)) browser().url = 'pages/scripted.html';\n"
                              "  if (!/scripted\\.html$/.test(url)) return;\n"
                              "  var data = browser().eventData;\n"
                              "  note('eventData ' + data[0] + ',' + data[2] + ',' + data.length);\n"
                              "  note('title ' + browser1.title);\n"
                              "  browser1.getElementById('target').textContent = 'changed by the project';\n"
                              "  note('page sees ' + browser1.defaultView.targetText());\n"));
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Browser form"), 0u) << Diagnostics();

  ASSERT_TRUE(WaitForLine("documentcomplete browser1," + plain)) << Diagnostics();
  ASSERT_TRUE(WaitForLine("documentcomplete browser1," + scripted)) << Diagnostics();
  EXPECT_TRUE(WaitForLine("title read stored by the start script")) << Diagnostics();
  EXPECT_TRUE(WaitForLine("page sees changed by the project")) << Diagnostics();
  EXPECT_TRUE(HasLine("eventData browser1," + scripted + ",3")) << Diagnostics();

  // Each page: asked before, committed, then completed.
  for (const std::string& uri : {plain, scripted}) {
    const std::size_t before = LinePosition("beforenavigate2 browser1," + uri);
    const std::size_t committed = LinePosition("navigatecomplete2 browser1," + uri);
    const std::size_t complete = LinePosition("documentcomplete browser1," + uri);
    ASSERT_NE(before, std::string::npos) << uri << "\n" << Diagnostics();
    ASSERT_NE(committed, std::string::npos) << uri << "\n" << Diagnostics();
    EXPECT_LT(before, committed) << uri << "\n" << Output();
    EXPECT_LT(committed, complete) << uri << "\n" << Output();
  }
  EXPECT_LT(LinePosition("documentcomplete browser1," + plain), LinePosition("beforenavigate2 browser1," + scripted))
      << Output();
  Stop(program);
}

// Runs a program until pdftotext reads `text` from `pdf`.
bool PdfHoldsText(const std::string& pdf, const std::string& text, const std::string& textFile) {
  return WaitUntil([&] {
    if (!fs::exists(pdf)) return false;
    Process reader("/usr/bin/pdftotext", {pdf, textFile}, {});
    if (reader.Wait(20s) != 0 || !fs::exists(textFile)) return false;
    return testing::ReadFile(textFile).find(text) != std::string::npos;
  });
}

TEST_F(BrowserProjectTest, APagePrintsIntoAPdfFileThroughTheDocumentCommand) {
  ASSERT_TRUE(fs::exists("/usr/bin/pdftotext")) << "poppler-utils is missing (scripts/bootstrap.sh)";
  const std::string uri =
      ProjectPage("pages/plain.html", "<html><body><p>Ledger of the printed page</p></body></html>");
  const std::string pdf = ProjectFolder() + "/printed.pdf";
  WriteProject("function main(project) {\n"
               "  listenForWords();\n" +
                   DeclareBrowserForm("Printing form", "pages/plain.html") +
                   "  return 0;\n"
                   "}\n",
               BrowserActions("", "function printPage() {\n"
                                  "  return browser().InvokeCommand('', 6, 2, client.project.folder + 'printed.pdf');\n"
                                  "}\n"
                                  "function unknownCommand() { return browser().InvokeCommand('', 99, 2, ''); }\n"));
  // GTK's print-to-file backend and WebKit's print operation lose a few
  // blocks; only full stacks reach the frames tests/sanitizer/lsan.supp names.
  if (const char* options = std::getenv("ASAN_OPTIONS"))
    m_env.push_back(std::string("ASAN_OPTIONS=") + options + ":fast_unwind_on_malloc=0");
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Printing form"), 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("documentcomplete browser1," + uri)) << Diagnostics();
  int step = 0;
  ASSERT_EQ(HandOverWord("script", "printPage", &step), 183);
  EXPECT_TRUE(WaitForLine(ExecLine(step, "script", "printPage", true))) << Diagnostics();
  EXPECT_TRUE(PdfHoldsText(pdf, "Ledger of the printed page", m_temp.Path("printed.txt"))) << Diagnostics();
  // A command the browser does not know answers false.
  ASSERT_EQ(HandOverWord("script", "unknownCommand", &step), 183);
  EXPECT_TRUE(WaitForLine(ExecLine(step, "script", "unknownCommand", false))) << Diagnostics();
  Stop(program);
}

TEST_F(BrowserProjectTest, APageOutsideTheProjectGetsNoExternalAndIsLoggedOnce) {
  const std::string page = m_temp.Write("elsewhere/page.html",
                                        "<html><head><title>loading</title></head><body><script>\n"
                                        "document.title = 'external is ' + typeof window.external;\n"
                                        "</script></body></html>",
                                        testing::MakeFolders::Yes);
  WriteProject("function main(project) {\n" + DeclareBrowserForm("Outside form", page) +
                   "  return 0;\n"
                   "}\n",
               BrowserActions("  note('title ' + browser().title);\n"));
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Outside form"), 0u) << Diagnostics();
  const std::string uri = "file://" + page;
  ASSERT_TRUE(WaitForLine("documentcomplete browser1," + uri)) << Diagnostics();
  EXPECT_TRUE(WaitForLine("title external is undefined")) << Diagnostics();
  Stop(program);
  EXPECT_EQ(LogCount("Page \"" + uri + "\" lies outside the project and application folders: no window.external"), 1u)
      << Diagnostics();
}

// The page counts through the client's variable "count" in jQuery handlers:
// once when the document is ready, once a click on the button that fills it.
const char* kJQueryPage =
    "<html><head><title>loading</title><script src=\"jquery.min.js\"></script>\n"
    "<style>#go{position:fixed;left:0;top:0;width:100%;height:80%}</style></head>\n"
    "<body><button id=\"go\">Go</button><p id=\"out\"></p><script>\n"
    "function bump() {\n"
    "  var variables = window.external.variables;\n"
    "  $('#out').text(variables.values('count') + 1);\n"
    "  variables.item('count').Value = Number($('#out').text());\n"
    "  document.title = 'count ' + $('#out').text();\n"
    "}\n"
    "$(function () { bump(); $('#go').on('click', bump); });\n"
    "</script></body></html>";

TEST_F(BrowserProjectTest, JQueryHandlersCallTheClientFromARealClickAndFromTheProject) {
  ASSERT_TRUE(fs::exists(HALBRIN_JQUERY)) << "libjs-jquery is missing (scripts/bootstrap.sh)";
  fs::create_directories(ProjectFolder() + "/pages");
  fs::copy_file(HALBRIN_JQUERY, ProjectFolder() + "/pages/jquery.min.js");
  ProjectPage("pages/counter.html", kJQueryPage);
  const char* state = "' out ' + browser1.getElementById('out').textContent + ' count ' + client.variables.values('count')";
  WriteProject("function main(project) {\n"
               "  listenForWords();\n"
               "  client.variables.add('count', 5);\n" +
                   DeclareBrowserForm("Counting form", "pages/counter.html") +
                   "  return 0;\n"
                   "}\n",
               BrowserActions("", std::string("function titled(name, title) { note('title ' + title + ") + state +
                                      "); }\n"
                                      "function clickGo() {\n"
                                      "  browser1.defaultView.jQuery('#go').trigger('click');\n"
                                      "  note('triggered' + " + state + ");\n"
                                      "  return true;\n"
                                      "}\n"));
  auto program = Start();
  const XWindowId window = WaitForTopLevel("Counting form");
  ASSERT_NE(window, 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("title count 6 out 6 count 6")) << Diagnostics();

  // A real click on the button.
  const ScreenRect rect = WindowRect(window);
  testing::PointerClick(rect.CenterX(), rect.top + rect.height / 3);
  EXPECT_TRUE(WaitForLine("title count 7 out 7 count 7")) << Diagnostics();

  // The project clicks it through the document: client -> page -> client.
  int step = 0;
  ASSERT_EQ(HandOverWord("script", "clickGo", &step), 183);
  EXPECT_TRUE(WaitForLine(ExecLine(step, "script", "clickGo", true))) << Diagnostics();
  EXPECT_TRUE(HasLine("triggered out 8 count 8")) << Diagnostics();
  Stop(program);
}

}  // namespace
}  // namespace halbrin::programtest
