// The page channel with a real page process (run under xvfb-run): a page
// script's window.external call answered by the client, and the client's
// reads of the page's document.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "display/web/page_fixture.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;
using page_testing::AddMethod;
using page_testing::PageFixture;

constexpr int kCallsPerRun = 1000;

constexpr const char kBenchPage[] = R"(<!DOCTYPE html><html><head><title>Bench</title></head><body>
<h1 id="t">Heading</h1>
<script>
  // The page calls on its own, from its event loop, while the client idles in its main loop.
  function startPings(n) {
    setTimeout(function () {
      var start = performance.now();
      for (var i = 0; i < n; ++i) external.ping(i);
      external.done(performance.now() - start);
    }, 0);
  }
  // The same calls made while the client waits inside its own call into the page.
  function pingLoop(n) { for (var i = 0; i < n; ++i) external.ping(i); }
</script></body></html>)";

// One view for every benchmark: a page process starts in about 200 ms.
class BenchPage {
 public:
  static BenchPage& Get() {
    static BenchPage page;
    return page;
  }
  PageFixture& Fixture() { return *m_fixture; }
  IDispatchObject& Window() { return *m_window; }
  double TakeElapsedMs() {
    PageFixture::WaitFor([this] { return m_elapsedMs >= 0; }, "the page's pings");
    const double elapsed = m_elapsedMs;
    m_elapsedMs = -1;
    return elapsed;
  }

 private:
  BenchPage() : m_fixture(std::make_unique<PageFixture>()) {
    AddMethod(m_fixture->External(), "ping", [](std::vector<Variant>& args) { return args.at(0); });
    AddMethod(m_fixture->External(), "done", [this](std::vector<Variant>& args) {
      m_elapsedMs = args.at(0).ToDouble();
      return Variant();
    });
    m_fixture->Load(m_fixture->ProjectPage("bench.html", kBenchPage));
    m_window = GetProperty(m_fixture->Document(), "defaultView").ToDispatch();
  }

  std::unique_ptr<PageFixture> m_fixture;
  RefPtr<IDispatchObject> m_window;
  double m_elapsedMs = -1;
};

// Page script -> window.external -> client dispatch -> reply, timed by the page.
void BM_PageCallsClient(benchmark::State& state) {
  BenchPage& page = BenchPage::Get();
  double totalMs = 0;
  for (auto _ : state) {
    CallMethod(page.Window(), "startPings", {Variant(kCallsPerRun)});
    const double ms = page.TakeElapsedMs();
    totalMs += ms;
    state.SetIterationTime(ms / 1000.0);
  }
  state.SetItemsProcessed(state.iterations() * kCallsPerRun);
  state.counters["us_per_call"] = totalMs * 1000.0 / static_cast<double>(state.iterations() * kCallsPerRun);
}
BENCHMARK(BM_PageCallsClient)->UseManualTime()->Unit(benchmark::kMillisecond);

// The same, nested inside a client call into the page (the client serves from its wait).
void BM_PageCallsClientNested(benchmark::State& state) {
  BenchPage& page = BenchPage::Get();
  for (auto _ : state) CallMethod(page.Window(), "pingLoop", {Variant(kCallsPerRun)});
  state.SetItemsProcessed(state.iterations() * kCallsPerRun);
}
BENCHMARK(BM_PageCallsClientNested)->Unit(benchmark::kMillisecond);

// Client -> page: document.title through the view's document proxy.
void BM_ClientGetsDocumentTitle(benchmark::State& state) {
  IDispatchObject& document = BenchPage::Get().Fixture().Document();
  const DispId title = GetDispId(document, "title");
  for (auto _ : state) benchmark::DoNotOptimize(InvokeById(document, title, DISPATCH_PROPERTYGET));
}
BENCHMARK(BM_ClientGetsDocumentTitle)->Unit(benchmark::kMicrosecond);

// Client -> page: getElementById("t").innerHTML, two round trips.
void BM_ClientGetsElementInnerHtml(benchmark::State& state) {
  IDispatchObject& document = BenchPage::Get().Fixture().Document();
  for (auto _ : state) {
    RefPtr<IDispatchObject> heading = CallMethod(document, "getElementById", {Variant("t")}).ToDispatch();
    benchmark::DoNotOptimize(GetProperty(*heading, "innerHTML"));
  }
}
BENCHMARK(BM_ClientGetsElementInnerHtml)->Unit(benchmark::kMicrosecond);

// A global name a script engine asks the document for and the page lacks:
// answered from the proxy's cache after the first time...
void BM_DocumentLookupOfAMissingNameCached(benchmark::State& state) {
  IDispatchObject& document = BenchPage::Get().Fixture().Document();
  const std::string names[] = {"noSuchGlobal"};
  DispId ids[] = {0};
  for (auto _ : state) benchmark::DoNotOptimize(document.GetIDsOfNames(names, ids));
}
BENCHMARK(BM_DocumentLookupOfAMissingNameCached);

// ...against a round trip each time, as it would be without the cache.
void BM_DocumentLookupOfAMissingNameUncached(benchmark::State& state) {
  TPageDocument& proxy = *BenchPage::Get().Fixture().Host().Document(BenchPage::Get().Fixture().View());
  RefPtr<IDispatchObject> current(proxy.Current());
  const std::string names[] = {"noSuchGlobal"};
  DispId ids[] = {0};
  for (auto _ : state) benchmark::DoNotOptimize(current->GetIDsOfNames(names, ids));
}
BENCHMARK(BM_DocumentLookupOfAMissingNameUncached)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halbrin
