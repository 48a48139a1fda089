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

// The source is decoded from the page's own charset, as the page's text is.
TEST(PageIslands, AreReadInThePagesCharset) {
  PageFixture fixture;
  // "Книга" in windows-1251.
  const std::string book = "\xCA\xED\xE8\xE3\xE0";
  fixture.Load(fixture.ProjectPage("cp1251.html",
                                   "<!DOCTYPE html><html><head><meta charset=\"windows-1251\"><title>binding</title></head>"
                                   "<body><xml id=\"xmlData\"><recordset><record><Name>" + book +
                                   "</Name></record></recordset></xml>"
                                   "<span id=\"name\" datasrc=\"#xmlData\" datafld=\"Name\"></span><p id=\"text\">" +
                                   book + "</p></body></html>"));
  PageScript script(fixture);
  ExpectShown(script, {{"text", "el.textContent", "\u041a\u043d\u0438\u0433\u0430"},
                       {"name", "el.textContent", "\u041a\u043d\u0438\u0433\u0430"}});
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
      <record><Name>Ann</Name><Note>&lt;b&gt;bold&lt;/b&gt;</Note><Age>31</Age><Member>true</Member>
        <Size>L</Size><Picture>pic.png</Picture><Link>next.html</Link></record>
      <record><Name>Bo</Name><Note>two</Note><Age>42</Age><Member>false</Member></record>
      <record><Name>Cy</Name><Note>three</Note><Age>53</Age><Member>true</Member></record>
    </recordset></xml>
    <span id="name" datasrc="#xmlData" datafld="Name"></span>
    <span id="text" datasrc="#xmlData" datafld="Note"></span>
    <div id="html" datasrc="#xmlData" datafld="Note" dataformatas="html"></div>
    <input id="age" datasrc="#xmlData" datafld="Age">
    <input id="member" type="checkbox" datasrc="#xmlData" datafld="Member">
    <span id="missing" datasrc="#nowhere" datafld="Name">as written</span>
    <span id="nofield" datasrc="#xmlData" datafld="Nothing">as written</span>
    <textarea id="area" datasrc="#xmlData" datafld="Note"></textarea>
    <select id="size" datasrc="#xmlData" datafld="Size"><option>S</option><option>L</option></select>
    <input id="small" type="radio" name="r" value="S" checked datasrc="#xmlData" datafld="Size">
    <input id="large" type="radio" name="r" value="L" datasrc="#xmlData" datafld="Size">
    <img id="picture" datasrc="#xmlData" datafld="Picture">
    <a id="link" datasrc="#xmlData" datafld="Link">link text</a>
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
                       {"nofield", "el.textContent", ""},
                       {"area", "el.value", "<b>bold</b>"},
                       {"size", "el.value", "L"},
                       {"small", "String(el.checked)", "false"},
                       {"large", "String(el.checked)", "true"},
                       {"picture", "el.getAttribute('src')", "pic.png"},
                       {"link", "el.getAttribute('href') + '|' + el.textContent", "next.html|link text"},
                       {"xmlData", "page.defaultView.getComputedStyle(el).display", "none"},
                       {"name", "el.dataFld + '@' + el.dataSrc + '@' + el.dataFormatAs", "Name@#xmlData@"},
                       {"html", "el.dataFormatAs", "html"}});
  // Header and footer stay; one body row per record.
  EXPECT_EQ(script.Text("page.defaultView.cells()"), "Name,Ann=31,Bo=42,Cy=53,end");

  // An edit goes back to the record; what shows the same field follows.
  script.Text("page.defaultView.edit('age', '32')");
  PageFixture::WaitFor([&] { return script.Text("page.defaultView.cells()") == "Name,Ann=32,Bo=42,Cy=53,end"; },
                       "the table to show the edited record");
  EXPECT_EQ(script.Text("page.getElementById('xmlData').XMLDocument.selectSingleNode('//record/Age').text"), "32");
  // A change of the island's document shows at once, in the rows already there.
  script.Text(R"((function (island) {
      var row = page.getElementById('table').tBodies[0].rows[1];
      row.setAttribute('data-kept', 'yes');
      island.XMLDocument.selectSingleNode('//record[2]/Name').text = 'Bob';
    })(page.getElementById('xmlData')))");
  PageFixture::WaitFor([&] { return script.Text("page.defaultView.cells()") == "Name,Ann=32,Bob=42,Cy=53,end"; },
                       "the table to show the changed record");
  EXPECT_EQ(script.Text("page.getElementById('table').tBodies[0].rows[1].getAttribute('data-kept')"), "yes");
  EXPECT_EQ(script.Text("page.getElementById('name').textContent"), "Ann");
  // Writing an island's innerHTML reloads it.
  script.Text(R"(page.getElementById('xmlData').innerHTML =
      "<recordset><record><Name>Dee</Name><Age>1</Age></record></recordset>")");
  PageFixture::WaitFor([&] { return script.Text("page.defaultView.cells()") == "Name,Dee=1,end"; },
                       "the table to show the reloaded island");
  EXPECT_EQ(script.Text("page.getElementById('name').textContent"), "Dee");
}

// A new record set (a reload of the island) keeps the generated rows in
// place and rewrites only the cells whose value changed; rows past the new
// records go, missing ones are added. Rows shown: their cells' text, "!"
// after one whose text was rewritten, "new " before a row that was not there.
TEST(PageRendering, ANewRecordSetReusesTheRowsThereAndChangesOnlyWhatDiffers) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("reuse.html", Page(R"(
    <xml id="people"><recordset>
      <record><name>Ann</name><city>Oslo</city></record>
      <record><name>Bo</name><city>Lima</city></record>
      <record><name>Cy</name><city>Kyiv</city></record>
    </recordset></xml>
    <table id="one" datasrc="#people"><tbody><tr><td><span datafld="name"></span></td></tr></tbody></table>
    <table id="two" datasrc="#people"><tbody>
      <tr><td><span datafld="name"></span></td></tr>
      <tr><td><span datafld="city"></span></td></tr>
    </tbody></table>
    <script>
      var seen = new Set();
      // Remembers every body row and every cell's text node now there.
      function mark() {
        seen.clear();
        document.querySelectorAll("table tbody tr, table tbody span").forEach(function (node) {
          seen.add(node.localName === "span" ? node.firstChild : node);
        });
      }
      function shown(id) {
        return Array.prototype.map.call(document.getElementById(id).tBodies[0].rows, function (tr) {
          if (!seen.has(tr)) return "new " + tr.textContent.trim();
          return Array.prototype.map.call(tr.querySelectorAll("span"), function (span) {
            return span.textContent + (seen.has(span.firstChild) ? "" : "!");
          }).join("/");
        }).join(",");
      }
    </script>)")));
  PageScript script(fixture);
  ASSERT_EQ(script.Text("page.defaultView.shown('one')"), "new Ann,new Bo,new Cy");

  struct Case {
    const char* what;
    const char* records;  // name:city;...
    const char* one;
    const char* two;
  } cases[] = {
      {"one value changed", "Ann:Oslo;Bob:Lima;Cy:Kyiv", "Ann,Bob!,Cy", "Ann,Oslo,Bob!,Lima,Cy,Kyiv"},
      {"a record added", "Ann:Oslo;Bob:Lima;Cy:Kyiv;Dee:Rome", "Ann,Bob,Cy,new Dee",
       "Ann,Oslo,Bob,Lima,Cy,Kyiv,new Dee,new Rome"},
      {"records removed", "Eve:Oslo", "Eve!", "Eve!,Oslo"},
      {"no record", "", "", ""},
      {"records after none", "Ann:Oslo;Bo:Lima", "new Ann,new Bo", "new Ann,new Oslo,new Bo,new Lima"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    script.Text("page.defaultView.mark()");
    script.Text(std::string(R"((function (text) {
        var records = text ? text.split(';').map(function (r) {
          var f = r.split(':');
          return '<record><name>' + f[0] + '</name><city>' + f[1] + '</city></record>';
        }).join('') : '';
        page.getElementById('people').innerHTML = '<recordset>' + records + '</recordset>';
      })(')") + c.records + "')");
    EXPECT_EQ(script.Text("page.defaultView.shown('one')"), c.one);
    EXPECT_EQ(script.Text("page.defaultView.shown('two')"), c.two);
  }
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

struct JobTargetRow {
  const char* what;
  const char* object;  // client script over `page` giving the object called
  const char* target;  // and the target ("" for none)
  HResult hr;
};

// The job runs in the module of the frame that holds the target's document.
TEST(PageJob, RunsWhereTheTargetsDocumentHasTheModule) {
  PageFixture fixture;
  fixture.Load(fixture.ProjectPage("targets.html", Page(R"(<p id="p">text</p>)")));
  JscVirtualMachine vm;
  JscEngine engine(vm);
  engine.AddNamedObject("page", Variant(RefPtr<IDispatchObject>(&fixture.Document())), true);
  engine.AddNamedObject("client", Variant(RefPtr<IDispatchObject>(&fixture.External())), false);
  const JobTargetRow rows[] = {
      {"the document", "page", "", S_OK},
      {"an element of it", "page.getElementById('p')", "", S_OK},
      {"the document with its element", "page", "page.getElementById('p')", S_OK},
      {"a document no frame shows", "page.implementation.createHTMLDocument('x')", "", DISP_E_MEMBERNOTFOUND},
      {"the document with an element of a document no frame shows", "page",
       "page.implementation.createHTMLDocument('x').body", DISP_E_MEMBERNOTFOUND},
      {"the page's window", "page.defaultView", "", DISP_E_MEMBERNOTFOUND},
      {"the document with the client's object", "page", "client", DISP_E_MEMBERNOTFOUND},
  };
  for (const JobTargetRow& row : rows) {
    const Variant object = engine.Evaluate(row.object);
    ASSERT_TRUE(object.IsDispatch()) << row.what;
    const Variant target = *row.target ? engine.Evaluate(row.target) : Variant();
    const Invocation run = RunJob(*object.AsDispatch(), "nosuchjob", target);
    EXPECT_EQ(run.hr, row.hr) << row.what;
    if (row.hr == S_OK) {
      EXPECT_EQ(run.answer, Variant("Unknown job nosuchjob")) << row.what;
    }
  }
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
