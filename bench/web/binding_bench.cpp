// Binding a large record set into a page and unbinding it again (run under
// xvfb-run): one client call each, rendering included, side by side with a
// page function doing the same DOM work in a plain loop.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "display/web/page_fixture.h"
#include "web/binding/web_controls.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::PageFixture;

constexpr int kRecords = 10000;
constexpr int kFields = 5;

std::string BenchPageText() {
  std::string island = "<xml id=\"xmlData\"><recordset>";
  for (int r = 0; r < kRecords; ++r) {
    island += "<record>";
    for (int f = 1; f <= kFields; ++f)
      island += "<f" + std::to_string(f) + ">r" + std::to_string(r) + "c" + std::to_string(f) + "</f" +
                std::to_string(f) + ">";
    island += "</record>";
  }
  island += "</recordset></xml>";
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Binding</title></head><body>" + island +
         R"(<div id="bound"></div><div id="plain"></div>
<script>
  var FIELDS = )" + std::to_string(kFields) + R"(;
  // Both tables gone, outside the timed calls.
  function clear() {
    document.getElementById('plain').textContent = '';
    document.getElementById('bound').textContent = '';
  }
  // The bound table before any run: its body row is the template.
  function reset() {
    var cells = '';
    for (var f = 1; f <= FIELDS; ++f) cells += '<td><span datafld="f' + f + '"></span></td>';
    document.getElementById('bound').innerHTML =
        '<table id="t" datasrc="#xmlData"><tbody><tr>' + cells + '</tr></tbody></table>';
  }
  // The same rows written from the record set by hand.
  function plainRows() {
    var records = document.getElementById('xmlData').XMLDocument.documentElement.children;
    var table = document.createElement('table');
    var body = document.createElement('tbody');
    for (var r = 0; r < records.length; ++r) {
      var tr = document.createElement('tr');
      var fields = records[r].children;
      for (var f = 0; f < fields.length; ++f) {
        var td = document.createElement('td');
        var span = document.createElement('span');
        span.textContent = fields[f].textContent;
        td.appendChild(span);
        tr.appendChild(td);
      }
      body.appendChild(tr);
    }
    table.appendChild(body);
    document.getElementById('plain').appendChild(table);
  }
  // Lays the page out now, so that a timed call does not wait for the layout of what came before it.
  function layout() { return document.body.offsetHeight; }
  // The island's text with the first record's first field changed.
  var islandText = null;
  function changedIslandText() {
    if (islandText === null) islandText = document.getElementById('xmlData').XMLDocument.xml;
    var mark = islandText.indexOf('r0c1');
    return islandText.slice(0, mark) + 'changed' + islandText.slice(mark + 4);
  }
  // The island loaded again from that text, the bound table following.
  function reloadIsland() { document.getElementById('xmlData').innerHTML = changedIslandText(); }
  // The same text through the element's own innerHTML, which binds nothing.
  function reloadPlain() {
    Object.getOwnPropertyDescriptor(Element.prototype, 'innerHTML').set.call(
        document.getElementById('xmlData'), changedIslandText());
  }
  function escapeText(t) { return t.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;'); }
  // Every cell's value made a plain element, as the unbinder does.
  function plainReplace() {
    var spans = Array.prototype.slice.call(document.querySelectorAll('#plain span'));
    for (var i = 0; i < spans.length; ++i)
      spans[i].outerHTML = '<span class="bindvalue">' + escapeText(spans[i].textContent) + '</span>';
  }
</script></body></html>)";
}

class BindingBenchPage {
 public:
  static BindingBenchPage& Get() {
    static BindingBenchPage page;
    return page;
  }
  void Call(const char* function) { CallMethod(*m_window, function); }
  std::uint64_t SentCalls() const { return m_fixture->Host().Server()->SentCallCount(); }
  RefPtr<webcontrols::TData> Data() const { return m_data; }

 private:
  BindingBenchPage() : m_fixture(std::make_unique<PageFixture>()) {
    m_fixture->Load(m_fixture->ProjectPage("binding.html", BenchPageText()));
    m_window = GetProperty(m_fixture->Document(), "defaultView").ToDispatch();
    m_data = MakeRef<webcontrols::TData>();
    m_data->SetDocument(m_fixture->Host().Document(m_fixture->View()));
  }

  std::unique_ptr<PageFixture> m_fixture;
  RefPtr<IDispatchObject> m_window;
  RefPtr<webcontrols::TData> m_data;
};

template <typename F>
double Milliseconds(F&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The job's and the plain loop's times over a benchmark's iterations, and the channel calls the job sent.
class Totals {
 public:
  explicit Totals(BindingBenchPage& page) : m_page(page) {}

  // Times one job run as the iteration's time.
  template <typename F>
  void Job(benchmark::State& state, F&& run) {
    const std::uint64_t before = m_page.SentCalls();
    const double ms = Milliseconds(run);
    m_calls += m_page.SentCalls() - before;
    m_jobMs += ms;
    state.SetIterationTime(ms / 1000.0);
  }
  void Plain(const char* function) {
    m_plainMs += Milliseconds([&] { m_page.Call(function); });
  }
  void Report(benchmark::State& state) const {
    const double n = static_cast<double>(state.iterations());
    state.counters["job_ms"] = m_jobMs / n;
    state.counters["plain_ms"] = m_plainMs / n;
    state.counters["ratio"] = m_plainMs > 0 ? m_jobMs / m_plainMs : 0;
    state.counters["calls_per_run"] = static_cast<double>(m_calls) / n;
  }

 private:
  BindingBenchPage& m_page;
  double m_jobMs = 0;
  double m_plainMs = 0;
  std::uint64_t m_calls = 0;
};

// binder.execute until it returns (rendering of 10,000 rows included) against plainRows().
void BM_BindAgainstPlainLoop(benchmark::State& state) {
  BindingBenchPage& page = BindingBenchPage::Get();
  Totals totals(page);
  for (auto _ : state) {
    page.Call("clear");
    page.Call("reset");
    totals.Job(state, [&] { MakeRef<webcontrols::TBinder>(page.Data())->Execute(false); });
    page.Call("clear");
    totals.Plain("plainRows");
  }
  totals.Report(state);
}
BENCHMARK(BM_BindAgainstPlainLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// unbinder.execute over the bound table against plainReplace() over the plain one.
void BM_UnbindAgainstPlainLoop(benchmark::State& state) {
  BindingBenchPage& page = BindingBenchPage::Get();
  Totals totals(page);
  for (auto _ : state) {
    page.Call("clear");
    page.Call("plainRows");
    page.Call("layout");
    totals.Plain("plainReplace");
    page.Call("clear");
    page.Call("reset");
    MakeRef<webcontrols::TBinder>(page.Data())->Execute(false);
    page.Call("layout");
    totals.Job(state, [&] { MakeRef<webcontrols::TUnbinder>(page.Data())->Execute(); });
  }
  totals.Report(state);
}
BENCHMARK(BM_UnbindAgainstPlainLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A bound table of 10,000 rows whose island is loaded again with one value
// changed (one page call, the table's update included) against the same text
// set as the island's plain content.
void BM_IslandReloadAgainstPlainLoop(benchmark::State& state) {
  BindingBenchPage& page = BindingBenchPage::Get();
  Totals totals(page);
  for (auto _ : state) {
    page.Call("clear");
    page.Call("reset");
    MakeRef<webcontrols::TBinder>(page.Data())->Execute(false);
    page.Call("layout");
    totals.Job(state, [&] { page.Call("reloadIsland"); });
    page.Call("layout");
    totals.Plain("reloadPlain");
  }
  totals.Report(state);
}
BENCHMARK(BM_IslandReloadAgainstPlainLoop)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace halbrin
