// The clipboard component's own work, without a display: a large text and
// HTML copied and pasted over the in-process store, the HTML decoder on a
// foreign document, and file lists of a thousand names.

#include <benchmark/benchmark.h>

#include <string>

#include "components/clipboard/clipboard_data.h"
#include "components/clipboard/clipboard_ex.h"
#include "platform/services/clipboard_service.h"

namespace {

using halbrin::TClipboardEx;
using halbrin::platform::Variant;

std::string Text(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += "Gr\xC3\xBC\xC3\x9F" "e, <b>world</b> \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82. ";
  return text;
}

void BM_CopyAndPasteTextAndHtml(benchmark::State& state) {
  halbrin::platform::TProcessClipboard store;
  const halbrin::platform::ScopedClipboardService scope(store);
  TClipboardEx source;
  source.Formats().Add("text").SetData(Text(static_cast<std::size_t>(state.range(0))));
  source.Formats().Add("html").SetData(Text(static_cast<std::size_t>(state.range(0))));
  TClipboardEx target;
  target.Formats().Add("text");
  target.Formats().Add("html");
  for (auto _ : state) {
    source.SetExec(Variant("copy"));
    target.SetExec(Variant("paste"));
    benchmark::DoNotOptimize(target.Formats().At(1).Data().size());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_CopyAndPasteTextAndHtml)->Arg(1024)->Arg(1 << 20);

void BM_DecodeForeignHtml(benchmark::State& state) {
  const std::string document = "<meta charset='utf-8'><html><body><!--StartFragment-->" +
                               Text(static_cast<std::size_t>(state.range(0))) + "<!--EndFragment--></body></html>";
  for (auto _ : state) benchmark::DoNotOptimize(halbrin::DecodeHtmlClipboardText(document));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}
BENCHMARK(BM_DecodeForeignHtml)->Arg(64 * 1024);

void BM_FileListOfAThousandNames(benchmark::State& state) {
  std::string names;
  for (int i = 0; i < 1000; ++i) names += (i ? "::" : "") + std::string("/home/user/Documents/report #") + std::to_string(i) + ".txt";
  for (auto _ : state) benchmark::DoNotOptimize(halbrin::DecodeFileList(halbrin::BuildUriList(names)));
}
BENCHMARK(BM_FileListOfAThousandNames);

}  // namespace
