#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/variant/ole_date.h"
#include "platform/variant/variant.h"

namespace halbrin::platform {
namespace {

void BM_VariantIntToText(benchmark::State& state) {
  const Variant value(-1234567);
  for (auto _ : state) benchmark::DoNotOptimize(value.ToText());
}
BENCHMARK(BM_VariantIntToText);

void BM_VariantTextToInt(benchmark::State& state) {
  const Variant value("-1234567");
  for (auto _ : state) benchmark::DoNotOptimize(value.ToInt());
}
BENCHMARK(BM_VariantTextToInt);

void BM_VariantDoubleToText(benchmark::State& state) {
  const Variant value(1234.5678);
  for (auto _ : state) benchmark::DoNotOptimize(value.ToText());
}
BENCHMARK(BM_VariantDoubleToText);

void BM_VariantTextToDouble(benchmark::State& state) {
  const Variant value("1234.5678");
  for (auto _ : state) benchmark::DoNotOptimize(value.ToDouble());
}
BENCHMARK(BM_VariantTextToDouble);

void BM_VariantTextToBool(benchmark::State& state) {
  const Variant value(" False ");
  for (auto _ : state) benchmark::DoNotOptimize(value.ToBool());
}
BENCHMARK(BM_VariantTextToBool);

void BM_VariantDateToText(benchmark::State& state) {
  const Variant value = Variant::Date(EncodeOleDate(2024, 2, 29, 13, 45, 59));
  for (auto _ : state) benchmark::DoNotOptimize(value.ToText());
}
BENCHMARK(BM_VariantDateToText);

void BM_VariantTextToDate(benchmark::State& state) {
  const Variant value("29.02.2024 13:45:59");
  for (auto _ : state) benchmark::DoNotOptimize(value.ToDate());
}
BENCHMARK(BM_VariantTextToDate);

void BM_VariantCopyString(benchmark::State& state) {
  // Long enough to defeat the small-string buffer.
  const Variant value(std::string("a text that crosses the automation boundary"));
  for (auto _ : state) {
    Variant copy = value;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_VariantCopyString);

void BM_VariantCopyArray100(benchmark::State& state) {
  std::vector<Variant> items;
  for (int i = 0; i < 100; ++i) items.push_back(i % 2 ? Variant(i) : Variant(std::to_string(i)));
  const Variant value{VariantArray(std::move(items))};
  for (auto _ : state) {
    Variant copy = value;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_VariantCopyArray100);

}  // namespace
}  // namespace halbrin::platform
