// Saving and loading the variables: 10,000 items of mixed kinds.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "core/scripting/variables.h"
#include "support/test_support.h"

namespace {

using halbrin::TVariables;
using halbrin::platform::Variant;

void Fill(TVariables& vars) {
  for (int i = 0; i < 10'000; ++i) {
    const std::string name = "var" + std::to_string(i);
    switch (i % 4) {
      case 0: vars.Add(name, Variant(i)); break;
      case 1: vars.Add(name, Variant(i * 0.5)); break;
      case 2: vars.Add(name, Variant("значение " + std::to_string(i))); break;
      default: vars.Add(name, Variant(i % 2 == 0)); break;
    }
  }
}

void BM_VariablesSave10000(benchmark::State& state) {
  halbrin::testing::TempFolder temp("variables_bench");
  auto vars = halbrin::platform::MakeRef<TVariables>();
  Fill(*vars);
  const std::string path = (temp.Path() / "vars.xml").string();
  for (auto _ : state) vars->Save(path);
}
BENCHMARK(BM_VariablesSave10000)->Unit(benchmark::kMillisecond);

void BM_VariablesOpen10000(benchmark::State& state) {
  halbrin::testing::TempFolder temp("variables_bench");
  const std::string path = (temp.Path() / "vars.xml").string();
  {
    auto vars = halbrin::platform::MakeRef<TVariables>();
    Fill(*vars);
    vars->Save(path);
  }
  auto loaded = halbrin::platform::MakeRef<TVariables>();
  for (auto _ : state) loaded->Open(path);
  if (loaded->Length() != 10'000) state.SkipWithError("wrong count");
}
BENCHMARK(BM_VariablesOpen10000)->Unit(benchmark::kMillisecond);

}  // namespace
