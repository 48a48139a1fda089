// Declarations of 1,000 components through the creating mapper: creating
// them from type words, updating two properties of each, and freeing them.

#include <benchmark/benchmark.h>

#include <string>

#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "core/framework/executable_component.h"
#include "core/framework/xml_type_info_ex.h"

namespace halbrin {
namespace {

using platform::TComponent;
using platform::Variant;

constexpr int kComponents = 1000;

class TBenchBox : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TBenchBox, TCustomExecutableComponentEx)

  explicit TBenchBox(TComponent* owner = nullptr) : TCustomExecutableComponentEx(owner) {}
  std::string m_caption;
  int m_width = 0;
};

HALBRIN_DEFINE_CLASS(TBenchBox,
                     .Property("caption", &TBenchBox::m_caption, [](TBenchBox& b, const std::string& v) { b.m_caption = v; })
                     .Property("width", &TBenchBox::m_width, [](TBenchBox& b, int v) { b.m_width = v; }))

// The application's side: a registry of components and an owner for them.
class TBenchHooks : public IApplicationHooks {
 public:
  void RegisterComponent(TComponent& component) override { registry.Add(&component); }
  TCustomApplicationComponents* RegisteredComponents() override { return &registry; }
  TComponent* ApplicationComponent() override { return &root; }

  TApplicationComponents registry;
  TComponent root;
};

std::string Declaration(const char* content, bool withValues) {
  std::string text = "<controls>";
  for (int i = 0; i < kComponents; ++i) {
    text += std::string("<control content=\"") + content + "\" type=\"benchbox\" id=\"b" + std::to_string(i) + "\"";
    if (withValues) text += " caption=\"Box " + std::to_string(i) + "\" width=\"" + std::to_string(i) + "\"";
    text += "/>";
  }
  return text + "</controls>";
}

void Declare(const std::string& declaration) {
  TXmlTypeInfoEx mapper;
  Variant result;
  mapper.Execute(Variant(declaration), result);
}

class Declarations : public benchmark::Fixture {
 public:
  void SetUp(benchmark::State&) override { RegisterComponentClass<TBenchBox>("benchbox"); }
  void TearDown(benchmark::State&) override { UnregisterComponentType("benchbox"); }
};

BENCHMARK_F(Declarations, Create)(benchmark::State& state) {
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  const std::string create = Declaration("new", true);
  for (auto _ : state) {
    Declare(create);
    state.PauseTiming();
    hooks.root.DestroyComponents();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kComponents);
}

BENCHMARK_F(Declarations, Update)(benchmark::State& state) {
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  Declare(Declaration("new", true));
  const std::string update = Declaration("update", true);
  for (auto _ : state) Declare(update);
  state.SetItemsProcessed(state.iterations() * kComponents);
}

BENCHMARK_F(Declarations, Free)(benchmark::State& state) {
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  const std::string create = Declaration("new", false);
  const std::string free = Declaration("free", false);
  for (auto _ : state) {
    state.PauseTiming();
    Declare(create);
    state.ResumeTiming();
    Declare(free);
  }
  state.SetItemsProcessed(state.iterations() * kComponents);
}

}  // namespace
}  // namespace halbrin
