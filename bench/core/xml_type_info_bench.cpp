// The XML-to-object mapper applying a declaration of 1,000 elements to a tree
// of probe objects: 500 elements with five attributes each (integer, text,
// float, enumeration, set), each with a child element into the probe's owned
// sub-object.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/xml_type_info.h"
#include "unit/core/foundation/fixtures/mapper_probe.h"

namespace halbrin {
namespace {

using mapper_test::TProbe;
using platform::TObject;
using platform::Variant;

constexpr int ProbeCount = 500;
constexpr int ElementCount = 2 * ProbeCount;

// Resolves "control" to the root and each top element's children by name.
class TBenchMapper : public TXmlTypeInfo {
 public:
  TBenchMapper() {
    for (int i = 0; i < ProbeCount; ++i) {
      auto probe = std::make_unique<TProbe>();
      m_byName.emplace(std::string("p").append(std::to_string(i)), probe.get());
      m_probes.push_back(std::move(probe));
    }
    OnGetObject().Bind(*this, &TBenchMapper::ResolveObject);
  }

  void ResolveObject(TObject*, TObject* instance, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (object) return;
    if (!instance) {
      object = FoundItem(&m_root);
    } else if (auto it = m_byName.find(part.name); it != m_byName.end()) {
      object = FoundItem(it->second);
    }
  }

  const TProbe& Probe(int index) const { return *m_probes[static_cast<std::size_t>(index)]; }

 private:
  TProbe m_root;
  std::vector<std::unique_ptr<TProbe>> m_probes;
  std::unordered_map<std::string, TProbe*> m_byName;
};

std::string Declaration() {
  std::string xml = "<controls stopOnException=\"true\"><control>";
  for (int i = 0; i < ProbeCount; ++i) {
    const std::string n = std::to_string(i);
    xml += "<p" + n + " Level=\"" + std::to_string(i % 256) + "\" Caption=\"item " + n +
           "\" Ratio=\"1.5\" Align=\"paRight\" Style=\"psBold,psItalic\"><Node Size=\"" + n + "\"/></p" + n + ">";
  }
  xml += "</control></controls>";
  return xml;
}

void CheckApplied(benchmark::State& state, const TBenchMapper& mapper) {
  const TProbe& last = mapper.Probe(ProbeCount - 1);
  if (last.Caption() != "item 499" || last.Node()->Size() != 499) state.SkipWithError("declaration not applied");
}

// A parsed document applied again and again.
void BM_ApplyDocument(benchmark::State& state) {
  TBenchMapper mapper;
  TMSXMLDOMDocument document;
  document.LoadXML(Declaration());
  Variant result;
  for (auto _ : state) {
    mapper.ExecuteDocument(document.Document(), result);
    benchmark::DoNotOptimize(result);
  }
  CheckApplied(state, mapper);
  state.counters["elements/s"] =
      benchmark::Counter(ElementCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ApplyDocument)->Unit(benchmark::kMillisecond);

// exec as scripts use it: the declaration text is parsed on every run.
void BM_ExecText(benchmark::State& state) {
  TBenchMapper mapper;
  mapper.Content()->SetText(Declaration());
  for (auto _ : state) {
    mapper.SetExec(Variant(true));
    benchmark::DoNotOptimize(mapper.Exec());
  }
  CheckApplied(state, mapper);
  state.counters["elements/s"] =
      benchmark::Counter(ElementCount, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExecText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace halbrin
