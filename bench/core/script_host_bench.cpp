// The script host's costs: the transient path every script event takes
// (engine, source file, procedure, free), and the bridge's host calls.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/scripting/default_script_handlers.h"
#include "core/scripting/script_defaults.h"
#include "core/scripting/script_folders.h"
#include "core/scripting/script_host.h"
#include "platform/automation/auto_object.h"
#include "platform/jsc/jsc_engine.h"
#include "support/test_support.h"

namespace halbrin {
namespace {

using namespace halbrin::platform;

// A client-sized member table: a few real members and many fillers, as the
// client object has some sixty.
const TypeInfo& BenchClientTypeInfo() {
  static const TypeInfo info = [] {
    std::vector<MemberDesc> members = {
        {"name", 1, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
        {"add", 2, DISPATCH_METHOD, {{"a", VarType::I4}, {"b", VarType::I4}}, VarType::I4},
    };
    for (int i = 0; i < 58; ++i)
      members.push_back({"member" + std::to_string(i), 100 + i, DISPATCH_PROPERTYGET, {}, VarType::I4});
    return TypeInfo("IBenchClient", "{6A1C0F52-0000-4000-8000-00000000C001}", std::move(members));
  }();
  return info;
}

class TBenchClient : public TAutoObject {
 public:
  TBenchClient() : TAutoObject(BenchClientTypeInfo()) {}

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) override {
    switch (member.id) {
      case 1:
        if (access == MemberAccess::Put) m_name = args[0].AsString();
        return Variant(m_name);
      case 2: return Variant(args[0].ToInt() + args[1].ToInt());
      default: return Variant(member.id);
    }
  }

 private:
  std::string m_name = "client";
};

// A project with scripts/event.js, the thread's defaults with the default
// handlers and, when asked, a client with its members as global names.
class ScriptProject {
 public:
  explicit ScriptProject(bool withClient) {
    m_folder.Write("scripts/event.js",
                   "// an event handler as projects write them\n"
                   "function onEvent(name, value) {\n"
                   "  var result = name + ':' + value;\n"
                   "  return result.length;\n"
                   "}\n",
                   testing::MakeFolders::Yes);
    SetScriptFolders({m_folder.Path().string(), m_folder.Path().string()});
    TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
    defaults.SetOnGetSource(&defaultScriptGetSource);
    defaults.SetOnSetObjects(&defaultScriptSetObjects);
    if (withClient) defaults.NamedObjectSources().client = [this] { return RefPtr<IDispatchObject>(m_client); };
  }
  ~ScriptProject() {
    FreeScriptControlDefaultImplementation();
    SetScriptFolders({});
  }

 private:
  testing::TempFolder m_folder{"halbrin_bench"};
  RefPtr<TBenchClient> m_client = MakeRef<TBenchClient>();
};

void TransientRun(benchmark::State& state, bool withClient) {
  ScriptProject project(withClient);
  const Variant args[] = {Variant("click"), Variant(42)};
  for (auto _ : state) benchmark::DoNotOptimize(RunScriptProcedure("event", "onEvent", args));
}

void BM_TransientRunOfASmallProcedure(benchmark::State& state) { TransientRun(state, false); }
BENCHMARK(BM_TransientRunOfASmallProcedure)->Unit(benchmark::kMicrosecond);

void BM_TransientRunWithAClientAndItsMembers(benchmark::State& state) { TransientRun(state, true); }
BENCHMARK(BM_TransientRunWithAClientAndItsMembers)->Unit(benchmark::kMicrosecond);

void BM_EngineCreation(benchmark::State& state) {
  JscVirtualMachine vm;
  for (auto _ : state) {
    JscEngine engine(vm);
    benchmark::DoNotOptimize(engine.Context());
  }
}
BENCHMARK(BM_EngineCreation)->Unit(benchmark::kMicrosecond);

constexpr int kCallsPerRound = 1000;

// Runs `body` kCallsPerRound times per iteration inside one script function;
// the time reported is per call.
void HostLoop(benchmark::State& state, const char* body) {
  JscVirtualMachine vm;
  JscEngine engine(vm);
  engine.AddNamedObject("client", Variant(MakeRef<TBenchClient>()), true);
  engine.Evaluate(std::string("function round(n) { var r; for (var i = 0; i < n; i++) { ") + body +
                  " } return r; }");
  JscValuePtr round = engine.GlobalValue("round");
  const Variant args[] = {Variant(kCallsPerRound)};
  for (auto _ : state) benchmark::DoNotOptimize(engine.Call(round.Get(), args));
  state.SetItemsProcessed(state.iterations() * kCallsPerRound);
  state.counters["per_call"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kCallsPerRound),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_HostPropertyGet(benchmark::State& state) { HostLoop(state, "r = client.name;"); }
BENCHMARK(BM_HostPropertyGet)->Unit(benchmark::kMicrosecond);

void BM_HostMethodCall(benchmark::State& state) { HostLoop(state, "r = client.add(i, 1);"); }
BENCHMARK(BM_HostMethodCall)->Unit(benchmark::kMicrosecond);

void BM_HostMemberAsGlobalName(benchmark::State& state) { HostLoop(state, "r = name;"); }
BENCHMARK(BM_HostMemberAsGlobalName)->Unit(benchmark::kMicrosecond);

void BM_HostPropertyPut(benchmark::State& state) { HostLoop(state, "client.name = 'n';"); }
BENCHMARK(BM_HostPropertyPut)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halbrin
