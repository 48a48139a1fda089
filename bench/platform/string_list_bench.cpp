#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/classes/string_list.h"

namespace halbrin::platform {
namespace {

// "name<i>=value<i>" in a scrambled order, so a sorted list inserts all over.
std::vector<std::string> Words(int count) {
  std::vector<std::string> words;
  words.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    int key = static_cast<int>((static_cast<long long>(i) * 7919) % count);
    words.push_back("name" + std::to_string(key) + "=value" + std::to_string(i));
  }
  return words;
}

void BM_SortedAdd(benchmark::State& state) {
  const std::vector<std::string> words = Words(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates::dupAccept);
    for (const std::string& word : words) list.Add(word);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedAdd)->Arg(1000)->Arg(10000);

void BM_SortedIndexOf(benchmark::State& state) {
  const std::vector<std::string> words = Words(10000);
  TStringList list;
  list.SetSorted(true);
  for (const std::string& word : words) list.Add(word);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(list.IndexOf(words[next]));
    next = (next + 1) % words.size();
  }
}
BENCHMARK(BM_SortedIndexOf);

void BM_ValuesByName(benchmark::State& state) {
  TStringList list;
  for (const std::string& word : Words(100)) list.Add(word);
  for (auto _ : state) benchmark::DoNotOptimize(list.Values("NAME99"));
}
BENCHMARK(BM_ValuesByName);

void BM_SetTextAndText(benchmark::State& state) {
  TStringList lines;
  for (const std::string& word : Words(10000)) lines.Add(word);
  const std::string text = lines.Text();
  for (auto _ : state) {
    TStringList list;
    list.SetText(text);
    benchmark::DoNotOptimize(list.Text());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long long>(text.size()));
}
BENCHMARK(BM_SetTextAndText);

void BM_CommaTextRoundTrip(benchmark::State& state) {
  TStringList items;
  for (int i = 0; i < 1000; ++i) items.Add(i % 3 == 0 ? "with blank " + std::to_string(i) : "plain" + std::to_string(i));
  const std::string text = items.CommaText();
  for (auto _ : state) {
    TStringList list;
    list.SetCommaText(text);
    benchmark::DoNotOptimize(list.CommaText());
  }
}
BENCHMARK(BM_CommaTextRoundTrip);

}  // namespace
}  // namespace halbrin::platform
