// The binder, the unbinder, normalize and updateLinks run by the client's
// web-controls objects over real pages, each checked through the page.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "page_fixture.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "web/binding/web_controls.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;
using webcontrols::TBinder;
using webcontrols::TUnbinder;

// A check: a page expression and the text it must give.
using Checks = std::vector<std::pair<std::string, std::string>>;

// Islands compared without their declaration and whitespace.
std::string IslandText(const std::string& id) {
  return "new XMLSerializer().serializeToString(document.getElementById('" + id +
         "').XMLDocument).replace(/<\\?xml[^>]*\\?>/, '').replace(/\\s+/g, '')";
}

const char kProbe[] = "<script>function probe(e) { return String(eval(e)); }</script>";

// One view reused for every page of a test; the client's Data object over
// its document.
class BindingPage {
 public:
  BindingPage() { m_hooksScope.emplace(m_hooks); }

  // Each page under a name of its own, so that the document the proxy follows
  // is known to be the new one.
  void Load(const std::string& name, const std::string& body, const std::string& head = "") {
    const std::string file = std::to_string(++m_loads) + "-" + name;
    const std::string uri = m_fixture.ProjectPage(
        file, "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + kProbe + "</head><body>" + body +
                  "</body></html>");
    m_fixture.Load(uri);
    m_data = MakeRef<webcontrols::TData>();
    m_data->SetDocument(m_fixture.Host().Document(m_fixture.View()));
    PageFixture::WaitFor([&] {
      try {
        return GetProperty(*m_data->Document(), "URL").ToText() == uri;
      } catch (const std::exception&) {  // the document it left, freed meanwhile
        return false;
      }
    }, "the document of " + file);
    m_hooks.logged.clear();
  }

  std::string Probe(const std::string& expression) {
    RefPtr<IDispatchObject> window = GetProperty(*m_data->Document(), "defaultView").ToDispatch();
    return CallMethod(*window, "probe", {Variant(expression)}).ToText();
  }
  void ExpectChecks(const Checks& checks) {
    for (const auto& [expression, expected] : checks) EXPECT_EQ(Probe(expression), expected) << expression;
  }
  void Target(const std::string& selector) {
    m_data->SetTargetElement(
        CallMethod(*m_data->Document(), "querySelector", {Variant(selector)}).ToDispatch());
  }

  int Bind(bool clearSource, const std::function<void(webcontrols::THtmlDataBinder&)>& set = {}) {
    auto binder = MakeRef<TBinder>(m_data);
    if (set) set(binder->Settings());
    return binder->Execute(clearSource);
  }
  int Unbind(const std::function<void(webcontrols::THtmlDataUnbinder&)>& set = {}) {
    auto unbinder = MakeRef<TUnbinder>(m_data);
    if (set) set(unbinder->Settings());
    return unbinder->Execute();
  }

  PageFixture& Fixture() { return m_fixture; }
  webcontrols::TData& Data() { return *m_data; }
  const std::vector<std::string>& Logged() const { return m_hooks.logged; }

 private:
  framework_test::TRecordingHooks m_hooks;
  std::optional<ScopedApplicationHooks> m_hooksScope;
  PageFixture m_fixture;
  RefPtr<webcontrols::TData> m_data;
  int m_loads = 0;
};

const std::string kThree =
    "<xml id=\"xmlData\"><recordset><record><name>Ann</name><n>42</n></record>"
    "<record><name>Bob</name><n>7</n></record><record><name>Cy</name><n>9</n></record></recordset></xml>";

// ----------------------------------------------------------------- binder

TEST(PageBindingJobs, Binder) {
  struct Case {
    const char* what;
    std::string body;
    const char* target;  // a selector, or "" for the whole page
    bool clearSource;
    std::function<void(webcontrols::THtmlDataBinder&)> set;
    Checks checks;
  };
  const std::string island = "<xml id=\"xmlData\"><recordset><record><a>1</a></record>"
                             "<record><a>2</a></record></recordset></xml>";
  const Case cases[] = {
      {"of two islands differing in letter case only the first stays",
       island + "<xml id=\"XMLDATA\"><recordset><record><a>9</a></record></recordset></xml><span datafld=\"a\"></span>",
       "", false, {},
       {{"document.getElementsByTagName('xml').length", "1"},
        {"document.getElementsByTagName('xml')[0].id", "xmlData"},
        {IslandText("xmlData"), "<recordset><record><a>1</a></record><record><a>2</a></record></recordset>"}}},
      {"a missing island is appended to the body with one record and the field",
       island + "<span id=\"s\" datafld=\"f\" datasrc=\"#extra\"></span><p>last</p>", "", false, {},
       {{"document.body.lastElementChild.tagName.toLowerCase() + ':' + document.body.lastElementChild.id", "xml:extra"},
        {IslandText("extra"), "<recordset><record><f/></record></recordset>"},
        {"document.getElementById('s').getAttribute('datasrc')", "#extra"}}},
      {"a field new to an island is added to every record, a known one is not",
       island + "<span datafld=\"b\"></span><span datafld=\"a\"></span>", "", false, {},
       {{IslandText("xmlData"), "<recordset><record><a>1</a><b/></record><record><a>2</a><b/></record></recordset>"}}},
      {"with separateSrc False every element points at dataSrc",
       island + "<xml id=\"other\"><recordset><record><a>o</a></record></recordset></xml>"
                "<span id=\"s1\" datafld=\"a\" datasrc=\"#other\"></span><span id=\"s2\" datafld=\"a\"></span>",
       "", false, [](webcontrols::THtmlDataBinder& b) { b.SetSeparateSrc(false); },
       {{"document.getElementById('s1').getAttribute('datasrc')", "#xmlData"},
        {"document.getElementById('s2').getAttribute('datasrc')", "#xmlData"}}},
      {"an element keeps its own source, an empty one takes dataSrc",
       "<span id=\"s1\" datafld=\"a\" datasrc=\"##orders\"></span><span id=\"s2\" datafld=\"a\"></span>", "", false,
       [](webcontrols::THtmlDataBinder& b) { b.SetDataSrc("main"); },
       {{"document.getElementById('s1').getAttribute('datasrc')", "#orders"},
        {"document.getElementById('s2').getAttribute('datasrc')", "#main"},
        {IslandText("orders"), "<recordset><record><a/></record></recordset>"}}},
      {"a field with a comma or a space sets the source and adds no element",
       island + "<span id=\"s\" datafld=\"a,b\"></span><span id=\"t\" datafld=\"c d\" datasrc=\"#xmlData\"></span>",
       "", false, {},
       {{"document.getElementById('s').getAttribute('datasrc')", "#xmlData"},
        {IslandText("xmlData"), "<recordset><record><a>1</a></record><record><a>2</a></record></recordset>"}}},
      {"a target without id binds only its subtree and loses the temporary id",
       island + "<div class=\"box\"><span id=\"in\" datafld=\"b\"></span></div><span id=\"out\" datafld=\"c\"></span>",
       "div.box", false, {},
       {{"document.querySelector('div.box').hasAttribute('id')", "false"},
        {"document.getElementById('in').getAttribute('datasrc')", "#xmlData"},
        {"document.getElementById('out').getAttribute('datasrc')", "null"},
        {IslandText("xmlData"), "<recordset><record><a>1</a><b/></record><record><a>2</a><b/></record></recordset>"}}},
      {"a target with an id keeps it", island + "<div id=\"box\"><span datafld=\"a\"></span></div>", "#box", false, {},
       {{"String(document.querySelector('div').id)", "box"}}},
      {"clearSource drops the first record and appends an empty one",
       island + "<span datafld=\"a\"></span>", "", true, {},
       {{IslandText("xmlData"), "<recordset><record><a>2</a></record><record/></recordset>"}}},
      {"bindTag names the elements bound",
       island + "<div id=\"d\" datafld=\"b\"></div><span id=\"s\" datafld=\"c\"></span>", "", false,
       [](webcontrols::THtmlDataBinder& b) { b.SetBindTag("div"); },
       {{"document.getElementById('d').getAttribute('datasrc')", "#xmlData"},
        {"document.getElementById('s').getAttribute('datasrc')", "null"}}},
  };
  BindingPage page;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page.Load("bind.html", c.body);
    if (*c.target) page.Target(c.target);
    EXPECT_EQ(page.Bind(c.clearSource, c.set), 1);
    EXPECT_TRUE(page.Logged().empty()) << page.Logged().front();
    page.ExpectChecks(c.checks);
  }
}

TEST(PageBindingJobs, AFailingBindRunPutsTheTargetsIdBackAndIsLogged) {
  BindingPage page;
  // No record can hold an element named xmlns: the DOM refuses it and the run ends there.
  page.Load("fail.html", "<xml id=\"xmlData\"><recordset><record><a>1</a></record></recordset></xml>"
                         "<div class=\"box\"><span datafld=\"xmlns\"></span><span id=\"after\" datafld=\"b\"></span></div>");
  page.Target("div.box");
  EXPECT_EQ(page.Bind(false), 1);
  ASSERT_EQ(page.Logged().size(), 1u);
  EXPECT_NE(page.Logged()[0].find("binder.js:"), std::string::npos) << page.Logged()[0];
  EXPECT_EQ(page.Probe("document.querySelector('div.box').hasAttribute('id')"), "false");
  EXPECT_EQ(page.Probe("document.getElementById('attributeForTableTargetElement')"), "null");
  EXPECT_EQ(page.Probe("document.getElementById('after').getAttribute('datasrc')"), "null");
}

// --------------------------------------------------------------- unbinder

TEST(PageBindingJobs, Unbinder) {
  struct Case {
    const char* what;
    std::string body;
    std::function<void(webcontrols::THtmlDataUnbinder&)> set;
    Checks checks;
  };
  const std::string table = "<table id=\"t\" datasrc=\"#xmlData\"><thead><tr><th>h</th></tr></thead>"
                            "<tbody><tr><td><span datafld=\"name\"></span></td><td class=\"Indicator\">*</td></tr></tbody>";
  const std::string rowsText =
      "Array.from(document.getElementById('t').rows).map(r => r.textContent).join('|')";
  const Case cases[] = {
      {"a number becomes a bindvalue span keeping id and style",
       kThree + "<div id=\"w\"><span id=\"n\" datafld=\"n\" style=\"color: red\" onclick=\"x()\">?</span></div>", {},
       {{"document.getElementById('w').innerHTML", "<span class=\"bindvalue\" id=\"n\" style=\"color: red;\">42</span>"}}},
      {"without respects neither id nor style is kept",
       kThree + "<div id=\"w\"><span id=\"n\" datafld=\"n\" style=\"color: red\">?</span></div>",
       [](webcontrols::THtmlDataUnbinder& u) { u.SetRespects(0); },
       {{"document.getElementById('w').innerHTML", "<span class=\"bindvalue\">42</span>"}}},
      {"debugMode titles a value of the third row with rowIndex 2", kThree + table + "</table>",
       [](webcontrols::THtmlDataUnbinder& u) { u.SetDebugMode(true); },
       {{"document.getElementById('t').tBodies[0].rows[2].querySelector('span').title.split('\\n').join('|')",
         "dataSrc: xmlData|dataFld: name|rowIndex: 2"}}},
      {"fillEmptyData on: the element's emptydata text, else emptyData",
       kThree + "<div id=\"w\"><span datafld=\"gone\" emptydata=\"none\"></span><span datafld=\"gone\"></span></div>",
       [](webcontrols::THtmlDataUnbinder& u) { u.SetEmptyData("-"); },
       {{"document.getElementById('w').innerHTML",
         "<span class=\"emptydata\">none</span><span class=\"emptydata\">-</span>"}}},
      {"fillEmptyData off: an empty value leaves nothing",
       kThree + "<div id=\"w\"><span datafld=\"gone\" emptydata=\"none\"></span></div>",
       [](webcontrols::THtmlDataUnbinder& u) { u.SetFillEmptyData(false); },
       {{"document.getElementById('w').innerHTML", ""}}},
      {"a table of three records ends as one body of three static rows", kThree + table + "</table>", {},
       {{"document.getElementById('t').tBodies.length", "1"},
        {"document.getElementById('t').tBodies[0].id", "contentxmlData"},
        {"document.getElementById('t').tBodies[0].getAttribute('aktoetosdelal')", "cvetochki"},
        {"document.getElementById('t').hasAttribute('datasrc')", "false"},
        {"document.querySelectorAll('#t [datafld], #t .Indicator').length", "0"},
        {rowsText, "h|Ann|Bob|Cy"}}},
      {"the footer becomes the last body with class tfoot",
       kThree + table + "<tfoot><tr><td>sum</td></tr></tfoot></table>", {},
       {{"document.getElementById('t').tFoot", "null"},
        {"Array.from(document.getElementById('t').tBodies).map(b => b.rows[0].className).join('|')", "|tfoot"},
        {rowsText, "h|Ann|Bob|Cy|sum"}}},
      {"a two-row template unbinds each row against its own record",
       kThree + "<table id=\"t\" datasrc=\"#xmlData\"><tbody><tr><td><span datafld=\"name\"></span></td></tr>"
                "<tr><td><span datafld=\"n\"></span></td></tr></tbody></table>",
       {}, {{rowsText, "Ann|42|Bob|7|Cy|9"}}},
      {"in a two-row template both rows of a record carry its index",
       kThree + "<table id=\"t\" datasrc=\"#xmlData\"><tbody><tr><td><span datafld=\"name\"></span></td></tr>"
                "<tr><td><span datafld=\"n\"></span></td></tr></tbody></table>",
       [](webcontrols::THtmlDataUnbinder& u) { u.SetDebugMode(true); },
       {{"Array.from(document.querySelectorAll('#t span')).map(s => s.title.split('\\n').pop()).join('|')",
         "rowIndex: 0|rowIndex: 0|rowIndex: 1|rowIndex: 1|rowIndex: 2|rowIndex: 2"}}},
      {"a class cut at + and a border from the computed style",
       kThree + "<table id=\"t\" class=\"grid + wide\" style=\"border: 2px solid\" datasrc=\"#xmlData\">"
                "<tbody><tr><td><span datafld=\"n\"></span></td></tr></tbody></table>",
       {}, {{"document.getElementById('t').className + ':' + document.getElementById('t').getAttribute('border')",
             "grid:1"}}},
      {"a markup value stays text",
       "<xml id=\"xmlData\"><recordset><record><v>&lt;img src=x onerror=\"document.title='ran'\"&gt;</v>"
       "</record></recordset></xml><div id=\"w\"><span datafld=\"v\"></span></div>",
       {},
       {{"document.getElementById('w').textContent", "<img src=x onerror=\"document.title='ran'\">"},
        {"document.querySelectorAll('img').length", "0"}}},
      {"an html value keeps its markup",
       "<xml id=\"xmlData\"><recordset><record><v>&lt;b&gt;bold&lt;/b&gt;</v></record></recordset></xml>"
       "<div id=\"w\"><span datafld=\"v\" dataformatas=\"html\"></span></div>",
       {}, {{"document.getElementById('w').innerHTML", "<span class=\"bindvalue\"><b>bold</b></span>"}}},
  };
  BindingPage page;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page.Load("unbind.html", c.body);
    EXPECT_EQ(page.Bind(false), 1);
    EXPECT_EQ(page.Unbind(c.set), 1);
    EXPECT_TRUE(page.Logged().empty()) << page.Logged().front();
    page.ExpectChecks(c.checks);
  }
}

// Not bound first: the binder would make the island.
TEST(PageBindingJobs, AValueWhoseSourceNamesNoIslandKeepsItsContentAsBindError) {
  BindingPage page;
  page.Load("error.html", kThree + "<div id=\"w\"><span id=\"e\" datafld=\"a\" datasrc=\"#nowhere\"><b>kept</b></span></div>");
  EXPECT_EQ(page.Unbind(), 1);
  EXPECT_EQ(page.Probe("document.getElementById('w').innerHTML"),
            "<span class=\"binderror\" id=\"e\"><b>kept</b></span>");
}

// -------------------------------------------------------------- normalize

TEST(PageBindingJobs, Normalize) {
  struct Case {
    const char* what;
    std::string head;
    std::string body;
    Checks checks;
  };
  const std::string styles = "Array.from(document.querySelectorAll('style'))"
                             ".map(s => s.getAttribute('media') + ':' + s.textContent.trim()).join('|')";
  const Case cases[] = {
      {"a print style keeps only print styles without media and styles without media",
       "<style media=\"Print\">.p{}</style><style media=\"screen\">.s{}</style><style media=\"screen\">.t{}</style>"
       "<style>.n{}</style>",
       "", {{styles, "null:.p{}|null:.n{}"}}},
      {"without a print style every style stays, without media",
       "<style media=\"screen\">.s{}</style><style>.n{}</style><style media=\"all\">.a{}</style>", "",
       {{styles, "null:.s{}|null:.n{}|null:.a{}"}}},
      {"elements hidden by their inline style are removed",
       "<style>.c{display:none}</style>",
       "<div id=\"h\" style=\"DISPLAY: None\">x<span id=\"in\">y</span></div><div id=\"c\" class=\"c\">z</div>",
       {{"document.getElementById('h') === null && document.getElementById('in') === null", "true"},
        {"document.getElementById('c') !== null", "true"}}},
      {"two imports in one style are inlined before its own rules",
       "<style>@import url(a.css); @import \"b.css\";\n.own { color: red; }</style>", "",
       {{"/@import/.test(document.querySelector('style').textContent)", "false"},
        {"(t => t.indexOf('.fromA') >= 0 && t.indexOf('.fromA') < t.indexOf('.fromB') && "
         "t.indexOf('.fromB') < t.indexOf('.own'))(document.querySelector('style').textContent)",
         "true"}}},
      {"scripts and islands are removed", "<script>var early = 1;</script>",
       kThree + "<script>var late = 2;</script><p>text</p>",
       {{"document.querySelectorAll('script, xml').length", "0"}, {"document.body.textContent", "text"}}},
      {"an empty title comes from the first heading with text", "<title> </title>",
       "<h2> </h2><h3> Third part </h3><h1>First</h1>", {{"document.title", "Third part"}}},
      {"a title is kept", "<title>Own</title>", "<h1>Heading</h1>", {{"document.title", "Own"}}},
  };
  BindingPage page;
  testing::WriteFile(page.Fixture().Project() + "/a.css", ".fromA { color: blue; }");
  testing::WriteFile(page.Fixture().Project() + "/b.css", ".fromB { color: green; }");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page.Load("normalize.html", c.body, c.head);
    EXPECT_NO_THROW(page.Data().Normalize());
    page.ExpectChecks(c.checks);
  }
}

// ------------------------------------------------------------ updateLinks

TEST(PageBindingJobs, UpdateLinks) {
  struct Case {
    const char* what;
    bool debug;
    std::string link;  // the link with id "l"
    std::string expected;  // its outer HTML afterwards
  };
  const Case cases[] = {
      {"a link takes the target's caption", false, "<a id=\"l\" href=\"#c1\">old</a>",
       "<a id=\"l\" href=\"#c1\">Chapter one</a>"},
      {"the caption compared without case", false, "<a id=\"l\" href=\"page.html#c1\">CHAPTER ONE</a>",
       "<a id=\"l\" href=\"page.html#c1\">CHAPTER ONE</a>"},
      {"notUpdate keeps the text", false, "<a id=\"l\" href=\"#c1\" notUpdate>keep</a>",
       "<a id=\"l\" href=\"#c1\" notupdate=\"\">keep</a>"},
      {"a numbered reference", false, "<a id=\"l\" href=\"#c1\">статья 5 Old title</a>",
       "<a id=\"l\" href=\"#c1\">статья Chapter one. Old title</a>"},
      {"a numbered reference already right", false, "<a id=\"l\" href=\"#c1\">Статья chapter one</a>",
       "<a id=\"l\" href=\"#c1\">Статья chapter one</a>"},
      {"a missing target leaves the link alone", false, "<a id=\"l\" href=\"#none\">stay</a>",
       "<a id=\"l\" href=\"#none\">stay</a>"},
      {"a target without caption leaves the link alone", false, "<a id=\"l\" href=\"#c2\">stay</a>",
       "<a id=\"l\" href=\"#c2\">stay</a>"},
      {"a text with a dash is left alone", false, "<a id=\"l\" href=\"#c1\">a-b</a>",
       "<a id=\"l\" href=\"#c1\">a-b</a>"},
      {"a link without # is left alone", false, "<a id=\"l\" href=\"c1.html\">x</a>",
       "<a id=\"l\" href=\"c1.html\">x</a>"},
      {"debug: a missing target gets errorLink", true, "<a id=\"l\" href=\"#none\">stay</a>",
       "<a id=\"l\" href=\"#none\" class=\"errorLink\">stay</a>"},
      {"debug: a dash gets errorLink", true, "<a id=\"l\" href=\"#c1\">a-b</a>",
       "<a id=\"l\" href=\"#c1\" class=\"errorLink\">a-b</a>"},
      {"debug: a good link is updated", true, "<a id=\"l\" href=\"#c1\">old</a>",
       "<a id=\"l\" href=\"#c1\">Chapter one</a>"},
  };
  BindingPage page;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page.Load("links.html", "<h1 id=\"c1\"><q> Chapter one. </q></h1><div id=\"c2\">no caption</div><p>" + c.link + "</p>");
    page.Data().SetDebugMode(c.debug);
    EXPECT_NO_THROW(page.Data().UpdateLinks());
    EXPECT_EQ(page.Probe("document.getElementById('l').outerHTML"), c.expected);
  }
}

}  // namespace
}  // namespace halbrin
