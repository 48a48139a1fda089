// Declarations of 1,000, 4,000 and 16,000 components in one document through
// the creating mapper: creating them from type words, updating two properties
// of each, and freeing them. The time per element should not grow with the
// number of components. The documents are parsed before the clock runs (what
// is measured is the mapper); Parse measures the XML reader on the same text.

#include <benchmark/benchmark.h>

#include <string>

#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "core/framework/executable_component.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/framework/xml_type_info_ex.h"

namespace halbrin {
namespace {

using platform::TComponent;
using platform::Variant;

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

std::string Declaration(const char* content, bool withValues, int count) {
  std::string text = "<controls>";
  for (int i = 0; i < count; ++i) {
    text += std::string("<control content=\"") + content + "\" type=\"benchbox\" id=\"b" + std::to_string(i) + "\"";
    if (withValues) text += " caption=\"Box " + std::to_string(i) + "\" width=\"" + std::to_string(i) + "\"";
    text += "/>";
  }
  return text + "</controls>";
}

// A declaration parsed once, run as often as wanted.
class TParsed {
 public:
  explicit TParsed(const std::string& text) { m_document.LoadXML(text); }
  void Declare() const {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.ExecuteDocument(m_document.Document(), result);
  }

 private:
  TMSXMLDOMDocument m_document;
};

class Declarations : public benchmark::Fixture {
 public:
  void SetUp(benchmark::State&) override { RegisterComponentClass<TBenchBox>("benchbox"); }
  void TearDown(benchmark::State&) override { UnregisterComponentType("benchbox"); }
};

BENCHMARK_DEFINE_F(Declarations, Create)(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  const TParsed create(Declaration("new", true, count));
  for (auto _ : state) {
    create.Declare();
    state.PauseTiming();
    hooks.root.DestroyComponents();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_DEFINE_F(Declarations, Update)(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  TParsed(Declaration("new", true, count)).Declare();
  const TParsed update(Declaration("update", true, count));
  for (auto _ : state) update.Declare();
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_DEFINE_F(Declarations, Free)(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TBenchHooks hooks;
  ScopedApplicationHooks scope(hooks);
  const TParsed create(Declaration("new", false, count));
  const TParsed free(Declaration("free", false, count));
  for (auto _ : state) {
    state.PauseTiming();
    create.Declare();
    state.ResumeTiming();
    free.Declare();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_DEFINE_F(Declarations, Parse)(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = Declaration("update", true, count);
  for (auto _ : state) {
    TMSXMLDOMDocument document;
    document.LoadXML(text);
    benchmark::DoNotOptimize(document.Document());
  }
  state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK_REGISTER_F(Declarations, Create)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(Declarations, Update)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(Declarations, Free)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK_REGISTER_F(Declarations, Parse)->Arg(1000)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace halbrin
