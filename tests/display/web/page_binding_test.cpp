// The binding module of granted frames: data islands read from the page's
// source, datasrc/datafld rendering, the job call and its one round trip.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_fixture.h"
#include "platform/jsc/jsc_engine.h"
#include "web/pages/page_protocol.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;

std::string Page(const std::string& body) {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>binding</title></head><body>" + body +
         "</body></html>";
}

// Client-side script over the view's document (named `page`).
class PageScript {
 public:
  explicit PageScript(PageFixture& fixture) {
    m_engine.AddNamedObject("page", Variant(RefPtr<IDispatchObject>(&fixture.Document())), true);
  }
  std::string Text(const std::string& code) { return m_engine.Evaluate(code).ToText(); }

 private:
  JscVirtualMachine m_vm;
  JscEngine m_engine{m_vm};
};

struct Invocation {
  HResult hr;
  Variant answer;
};

Invocation RunJob(IDispatchObject& object, const std::string& job, Variant target = {}) {
  DispParams params;
  params.args = {Variant(job), std::move(target),
                 Variant(VariantArray(std::vector<Variant>{Variant(VariantArray(
                     std::vector<Variant>{Variant("isDebugMode"), Variant(false)}))}))};
  Invocation call{S_OK, {}};
  ExcepInfo excep;
  call.hr = object.Invoke(pages::kPageJobId, DISPATCH_METHOD, params, &call.answer, &excep);
  return call;
}

struct ShownRow {
  const char* element;  // an id on the page
  const char* code;     // what is read of it (client script over `el`)
  const char* shown;
};

void ExpectShown(PageScript& script, const std::vector<ShownRow>& rows) {
  for (const ShownRow& row : rows) {
    const std::string code = std::string("(function (el) { return ") + row.code + "; })(page.getElementById('" +
                             row.element + "'))";
    EXPECT_EQ(script.Text(code), row.shown) << row.element << ": " << row.code;
  }
}

// Field names the HTML parser would lower-case or take as HTML, and a
// self-closed element, read as the source wrote them.
TEST(PageIslands, AreReadCaseKeptFromTheSource) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("source.html", Page(R"(
    <xml id="xmlData"><recordset><record><Title>Dune</Title><input>typed</input><option>chosen</option><note/><p>para</p><After>later</After></record></recordset></xml>
    <span id="title" datasrc="#xmlData" datafld="Title">-</span>
    <span id="input" datasrc="#xmlData" datafld="input">-</span>
    <span id="option" datasrc="#xmlData" datafld="option">-</span>
    <span id="note" datasrc="#xmlData" datafld="note">-</span>
    <span id="p" datasrc="#xmlData" datafld="p">-</span>
    <span id="after" datasrc="#xmlData" datafld="After">-</span>
    <!-- <xml id="commented"><recordset><record><Title>no</Title></record></recordset></xml> -->
    <script>var s = "<xml id='quoted'><r><q>no</q></r></xml>";</script>
    <xml id="second"><recordset><record><Title>Second</Title></record></recordset></xml>
    <span id="two" datasrc="#second" datafld="Title">-</span>)")));
  PageScript script(fixture);
  ExpectShown(script, {{"title", "el.textContent", "Dune"},
                       {"input", "el.textContent", "typed"},
                       {"option", "el.textContent", "chosen"},
                       {"note", "el.textContent", ""},
                       {"p", "el.textContent", "para"},
                       {"after", "el.textContent", "later"},
                       {"two", "el.textContent", "Second"}});
  EXPECT_EQ(script.Text("page.getElementById('xmlData').documentElement.firstChild.childNodes.length"), "6");
}

TEST(PageIslands, AScriptMadeIslandIsReadFromItsContent) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("made.html", Page(R"(
    <span id="written" datasrc="#made" datafld="Name">-</span>
    <span id="parsed" datasrc="#parsedIsland" datafld="name">-</span>
    <xml id="xmlData"><recordset><record><Name>From source</Name></record></recordset></xml>
    <span id="source" datasrc="#xmlData" datafld="Name">-</span>
    <script>
      var made = document.createElement("xml");
      made.id = "made";
      document.body.insertBefore(made, document.body.firstChild);
      made.innerHTML = "<recordset><record><Name>Written</Name></record></recordset>";
      document.body.insertAdjacentHTML("beforeend",
          "<xml id='parsedIsland'><recordset><record><name>Parsed</name></record></recordset></xml>");
    </script>)")));
  PageScript script(fixture);
  // A script-made island before the source's own does not take its text.
  ExpectShown(script, {{"written", "el.textContent", "Written"},
                       {"parsed", "el.textContent", "Parsed"},
                       {"source", "el.textContent", "From source"}});
}

TEST(PageIslands, AnIslandWhoseTextIsNoXmlLeavesThePageAsItWas) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("bad.html", Page(R"(
    <xml id="bad"><recordset><record><a>1</record></recordset></xml>
    <span id="shown" datasrc="#bad" datafld="a">kept</span>
    <table id="table" datasrc="#bad"><tbody><tr><td id="cell" datafld="a">cell</td></tr></tbody></table>)")));
  PageScript script(fixture);
  ExpectShown(script, {{"shown", "el.textContent", "kept"},
                       {"cell", "el.textContent", "cell"},
                       {"bad", "String(el.XMLDocument)", "null"},
                       {"table", "el.rows.length", "1"}});
}

// Inline scripts after an island read it while the page is still parsed.
TEST(PageIslands, AnInlineScriptAfterAnIslandReadsItsDocument) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("inline.html", Page(R"(
    <xml id="xmlData"><recordset><record><Title>One</Title></record><record><Title>Two</Title></record></recordset></xml>
    <script>
      var doc = xmlData.XMLDocument;
      var titles = doc.selectNodes("//record/Title");
      var report = [doc.documentElement.nodeName, titles.length, titles.item(1).text,
                    doc.selectSingleNode("//record[2]/Title").text, xmlData.documentElement === doc.documentElement,
                    doc.selectSingleNode("//record").xml];
      report.push(doc.loadXML("<recordset><record><Title>Three</Title></record></recordset>"), doc.text,
                  doc.loadXML("<broken>"), doc.text, xmlData.XMLDocument === doc);
      document.title = report.join("|");
    </script>)")));
  EXPECT_EQ(fixture.Title(), "recordset|2|Two|Two|true|<record><Title>One</Title></record>|true|Three|false|Three|true");
}

TEST(PageRendering, FillsBoundElementsAndRepeatsTables) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("render.html", Page(R"(
    <xml id="xmlData"><recordset>
      <record><Name>Ann</Name><Note>&lt;b&gt;bold&lt;/b&gt;</Note><Age>31</Age><Member>true</Member></record>
      <record><Name>Bo</Name><Note>two</Note><Age>42</Age><Member>false</Member></record>
      <record><Name>Cy</Name><Note>three</Note><Age>53</Age><Member>true</Member></record>
    </recordset></xml>
    <span id="name" datasrc="#xmlData" datafld="Name"></span>
    <span id="text" datasrc="#xmlData" datafld="Note"></span>
    <div id="html" datasrc="#xmlData" datafld="Note" dataformatas="html"></div>
    <input id="age" datasrc="#xmlData" datafld="Age">
    <input id="member" type="checkbox" datasrc="#xmlData" datafld="Member">
    <span id="missing" datasrc="#nowhere" datafld="Name">as written</span>
    <table id="table" datasrc="#xmlData">
      <thead><tr><th>Name</th></tr></thead>
      <tbody><tr><td><span datafld="Name"></span></td><td><input datafld="Age"></td></tr></tbody>
      <tfoot><tr><td>end</td></tr></tfoot>
    </table>
    <script>
      function edit(id, value) {
        var el = document.getElementById(id);
        el.value = value;
        el.dispatchEvent(new Event("change", { bubbles: true }));
      }
      function cells() {
        var t = document.getElementById("table");
        var out = [];
        for (var r = 0; r < t.rows.length; r++) {
          var row = t.rows[r];
          var input = row.querySelector("input");
          out.push(row.cells[0].textContent + (input ? "=" + input.value : ""));
        }
        return out.join(",");
      }
    </script>)")));
  PageScript script(fixture);
  ExpectShown(script, {{"name", "el.textContent", "Ann"},
                       {"text", "el.textContent", "<b>bold</b>"},
                       {"html", "el.innerHTML", "<b>bold</b>"},
                       {"age", "el.value", "31"},
                       {"member", "String(el.checked)", "true"},
                       {"missing", "el.textContent", "as written"},
                       {"name", "el.dataFld + '@' + el.dataSrc + '@' + el.dataFormatAs", "Name@#xmlData@"},
                       {"html", "el.dataFormatAs", "html"}});
  // Header and footer stay; one body row per record.
  EXPECT_EQ(script.Text("page.defaultView.cells()"), "Name,Ann=31,Bo=42,Cy=53,end");

  // An edit goes back to the record; what shows the same field follows.
  script.Text("page.defaultView.edit('age', '32')");
  PageFixture::WaitFor([&] { return script.Text("page.defaultView.cells()") == "Name,Ann=32,Bo=42,Cy=53,end"; },
                       "the table to show the edited record");
  EXPECT_EQ(script.Text("page.getElementById('xmlData').XMLDocument.selectSingleNode('//record/Age').text"), "32");
  // Writing an island's innerHTML reloads it.
  script.Text(R"(page.getElementById('xmlData').innerHTML =
      "<recordset><record><Name>Dee</Name><Age>1</Age></record></recordset>")");
  PageFixture::WaitFor([&] { return script.Text("page.defaultView.cells()") == "Name,Dee=1,end"; },
                       "the table to show the reloaded island");
  EXPECT_EQ(script.Text("page.getElementById('name').textContent"), "Dee");
}

TEST(PageJob, IsRefusedOnAPageWithoutGrantAndItsFramesGetNoModule) {
  PageFixture fixture;
  const std::string island = R"(<xml id="xmlData"><recordset><record><Name>Ann</Name></record></recordset></xml>
    <span id="name" datasrc="#xmlData" datafld="Name">as written</span>)";
  fixture.Load(fixture.OutsidePage("outside.html", Page(island)));
  EXPECT_EQ(RunJob(fixture.Document(), "bind").hr, DISP_E_MEMBERNOTFOUND);
  PageScript script(fixture);
  ExpectShown(script, {{"name", "el.textContent", "as written"}, {"xmlData", "typeof el.XMLDocument", "undefined"}});

  // A project page runs jobs; its foreign frame has no module and keeps its island unread.
  const std::string frame = fixture.OutsidePage("frame.html", Page(island + R"(<script>
    addEventListener("load", function () {
      parent.postMessage(typeof xmlData.XMLDocument + " " + document.getElementById("name").textContent, "*");
    });
  </script>)"));
  fixture.Load(fixture.ProjectPage("framed.html", R"(<!DOCTYPE html><title>waiting</title>
    <script>addEventListener("message", function (e) { document.title = "frame " + e.data; });</script>
    <iframe src=")" + frame + R"("></iframe>)"));
  EXPECT_EQ(fixture.TitleAfter("waiting"), "frame undefined as written");
  const Invocation run = RunJob(fixture.Document(), "nosuchjob");
  EXPECT_EQ(run.hr, S_OK);
  EXPECT_EQ(run.answer, Variant("Unknown job nosuchjob"));
}

// However many records, a run is one call of the client.
TEST(PageJob, ARunIsOneChannelCall) {
  PageFixture fixture;
  std::string records;
  for (int i = 0; i < 500; ++i)
    records += "<record><Name>n" + std::to_string(i) + "</Name><Age>" + std::to_string(i) + "</Age></record>";
  fixture.Load(fixture.ProjectPage("many.html", Page(R"(<xml id="xmlData"><recordset>)" + records +
                                                     R"(</recordset></xml>
    <table id="table" datasrc="#xmlData"><tbody><tr><td><span datafld="Name"></span></td>
      <td><span datafld="Age"></span></td></tr></tbody></table>)")));
  IDispatchObject& document = fixture.Document();
  // The proxy's first call looks its document up; then only the run counts.
  fixture.Title();
  const std::uint64_t before = fixture.Host().Server()->SentCallCount();
  const Invocation run = RunJob(document, "bind");
  EXPECT_EQ(fixture.Host().Server()->SentCallCount() - before, 1u);
  EXPECT_EQ(run.hr, S_OK);
  EXPECT_TRUE(run.answer.IsEmpty() || run.answer.IsString()) << run.answer.ToText();
  PageScript script(fixture);
  EXPECT_EQ(script.Text("page.getElementById('table').rows.length"), "500");
  EXPECT_EQ(script.Text("page.getElementById('table').rows[499].cells[0].textContent"), "n499");
}

}  // namespace
}  // namespace halbrin
