#include <benchmark/benchmark.h>

#include "platform/automation/auto_object.h"
#include "platform/classes/property_access.h"
#include "unit/platform/fixtures/sample_classes.h"

namespace halbrin::platform {
namespace {

using testing::TSample;

void BM_SetPropertyByName(benchmark::State& state) {
  TSample object;
  Variant value(42);
  for (auto _ : state) {
    SetPropValue(object, RequirePropInfo(object, "count"), value);
    benchmark::DoNotOptimize(object.Count());
  }
}
BENCHMARK(BM_SetPropertyByName);

void BM_GetPropertyByName(benchmark::State& state) {
  TSample object;
  object.SetCaption("caption text");
  for (auto _ : state) benchmark::DoNotOptimize(GetPropValue(object, RequirePropInfo(object, "Caption")));
}
BENCHMARK(BM_GetPropertyByName);

void BM_SetEnumPropertyByText(benchmark::State& state) {
  TSample object;
  Variant value("taCenter");
  for (auto _ : state) SetPropValue(object, RequirePropInfo(object, "alignment"), value);
}
BENCHMARK(BM_SetEnumPropertyByText);

const TypeInfo& BenchTypeInfo() {
  static const TypeInfo info("IBench", "",
                             {{"add", 1, DISPATCH_METHOD, {{"a", VarType::I4}, {"b", VarType::I4}}, VarType::I4},
                              {"name", 2, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String}});
  return info;
}

class TBench : public TAutoObject {
 public:
  TBench() : TAutoObject(BenchTypeInfo()) {}

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) override {
    if (member.id == 1) return Variant(args[0].ToInt() + args[1].ToInt());
    return Variant("bench");
  }
};

void BM_DispatchInvokeById(benchmark::State& state) {
  auto object = MakeRef<TBench>();
  for (auto _ : state) {
    DispParams params{{Variant(2), Variant(3)}, {}};
    Variant result;
    object->Invoke(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, params, &result, nullptr);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_DispatchInvokeById);

void BM_DispatchInvokeByName(benchmark::State& state) {
  auto object = MakeRef<TBench>();
  for (auto _ : state) benchmark::DoNotOptimize(CallMethod(*object, "ADD", {Variant(2), Variant(3)}));
}
BENCHMARK(BM_DispatchInvokeByName);

void BM_DispatchPropertyGetByName(benchmark::State& state) {
  auto object = MakeRef<TBench>();
  for (auto _ : state) benchmark::DoNotOptimize(GetProperty(*object, "Name"));
}
BENCHMARK(BM_DispatchPropertyGetByName);

}  // namespace
}  // namespace halbrin::platform
