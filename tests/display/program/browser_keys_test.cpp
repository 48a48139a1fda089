// A web view on a form, as the real program shows it: the form's key preview
// sees the keys before the page, a key it consumes never types into the page,
// exec "focus" gives the view the keyboard, and "modified" follows the page's
// edits.

#include <X11/keysym.h>

#include "program_display_fixture.h"
#include "support/x_input.h"

namespace halbrin::programtest {
namespace {

class BrowserKeysTest : public ProgramDisplayTest {};

// The page shows its field's text in its title; the browser's "titlechange"
// reads "modified" once the page has reported the edit.
constexpr const char* kPage = R"HTML(<!DOCTYPE html><html><head><meta charset="utf-8"><title>Keys</title></head>
<body><input id="field">
<script>
var field = document.getElementById('field');
field.focus();
field.addEventListener('input', function () { document.title = 'typed ' + field.value; });
</script></body></html>
)HTML";

TEST_F(BrowserKeysTest, FormSeesKeysFirstAndWhatItConsumesNeverReachesThePage) {
  m_temp.Write("project/page.html", kPage);
  WriteProject(
      "function main(project) {\n"
      "  client.exec('<control type=\"form\" id=\"Main\" Caption=\"Browser keys\" Left=\"60\" Top=\"60\" '+\n"
      "              'Width=\"420\" Height=\"260\" KeyPreview=\"true\"><events><onkeydown xml=\"previewed\"/></events>' +\n"
      "              '<control type=\"webbrowser\" id=\"Browser\" Align=\"alClient\" Visible=\"true\" url_=\"page.html\">' +\n"
      "              '<events><ondocumentcomplete xml=\"loaded\"/><ontitlechange xml=\"titled\"/></events>' +\n"
      "              '</control></control>');\n"
      "  client.forms.item('Main').exec('show');\n"
      "  return 0;\n"
      "}\n",
      // Q goes no further than the form.
      "function previewed(name, key) { note('keydown ' + name + ',' + key); return key == 81 ? 0 : key; }\n"
      "function loaded(name) {\n"
      "  var browser = client.forms.item('Main').item('Browser');\n"
      "  note('focus ' + browser.exec('focus'));\n"
      "  note('loaded ' + name + ' modified ' + String(browser.modified).toLowerCase());\n"
      "}\n"
      "function titled(name, title) {\n"
      "  note('title ' + title + ' ' + String(client.forms.item('Main').item('Browser').modified).toLowerCase());\n"
      "}\n");
  auto program = Start();
  ASSERT_NE(WaitForTopLevel("Browser keys"), 0u) << Diagnostics();
  ASSERT_TRUE(WaitForLine("loaded Browser modified false")) << Diagnostics();
  EXPECT_TRUE(HasLine("focus true")) << Diagnostics();

  for (unsigned long key : {XK_a, XK_q, XK_b}) testing::KeyTap(key);
  ASSERT_TRUE(WaitForLine("title typed ab true")) << Diagnostics();
  EXPECT_FALSE(HasLine("title typed aq true")) << "the consumed key typed into the page\n" << Diagnostics();
  // A key the page leaves alone is not handed back to the form a second time.
  testing::KeyTap(XK_F2);
  ASSERT_TRUE(WaitForLine("keydown Main,113")) << Diagnostics();
  testing::KeyTap(XK_c);
  ASSERT_TRUE(WaitForLine("title typed abc true")) << Diagnostics();
  const std::string out = Output();
  for (const char* line : {"keydown Main,65\n", "keydown Main,81\n", "keydown Main,66\n", "keydown Main,113\n"}) {
    std::size_t count = 0;
    for (std::size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++count;
    EXPECT_EQ(count, 1u) << line << Diagnostics();
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

}  // namespace
}  // namespace halbrin::programtest
