// Round trips over the call channel between two threads, each with its own
// GMainContext: the page side serves from its loop, as the page process will.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/automation/call_channel.h"
#include "platform/automation/wire_format.h"
#include "unit/platform/call_channel_fixture.h"

namespace halbrin::platform {
namespace {

using channel_testing::MakeSocketPair;
using channel_testing::PeerThread;
using channel_testing::TScriptObject;

// The UI end on the benchmark thread, the page end on a peer thread.
class ChannelPair {
 public:
  ChannelPair() : m_context(g_main_context_new()) {
    g_main_context_push_thread_default(m_context.get());
    auto [uiFd, pageFd] = MakeSocketPair();
    m_ui = std::make_unique<CallChannel>(uiFd);
    auto uiRoot = MakeRef<TScriptObject>();
    uiRoot->AddMethod("ping", [](std::vector<Variant>&) { return Variant(1); });
    m_ui->SetRootObject(uiRoot);
    m_ui->Attach();
    m_peer.Run([this, pageFd = pageFd] {
      m_page = std::make_unique<Page>();
      m_page->channel = std::make_unique<CallChannel>(pageFd);
      auto root = MakeRef<TScriptObject>();
      root->AddMethod("add", [](std::vector<Variant>& args) { return Variant(args[0].ToInt() + args[1].ToInt()); });
      root->AddMethod("echo", [](std::vector<Variant>& args) { return args[0]; });
      root->AddMethod("callBack", [page = m_page.get()](std::vector<Variant>&) {
        return InvokeById(*page->uiRoot, 1, DISPATCH_METHOD);
      });
      m_page->channel->SetRootObject(root);
      m_page->channel->Attach();
    });
    m_pageRoot = m_ui->PeerRootObject();
    m_peer.Run([this] { m_page->uiRoot = m_page->channel->PeerRootObject(); }, m_context.get());
  }
  ~ChannelPair() {
    m_peer.Run([this] { m_page.reset(); }, m_context.get());
    m_pageRoot.Reset();
    m_ui.reset();
    g_main_context_pop_thread_default(m_context.get());
  }

  IDispatchObject& PageRoot() { return *m_pageRoot; }

 private:
  struct Page {
    std::unique_ptr<CallChannel> channel;
    RefPtr<IDispatchObject> uiRoot;
  };
  GMainContextPtr m_context;
  PeerThread m_peer;
  std::unique_ptr<CallChannel> m_ui;
  RefPtr<IDispatchObject> m_pageRoot;
  std::unique_ptr<Page> m_page;  // page thread only
};

// The figure the channel is built for: a method with two integer arguments
// on a remote object, result back.
void BM_CallChannelAddById(benchmark::State& state) {
  ChannelPair pair;
  IDispatchObject& root = pair.PageRoot();
  const DispId add = GetDispId(root, "add");
  DispParams params{{Variant(0), Variant(2)}, {}};
  Variant result;
  ExcepInfo excep;
  int i = 0;
  for (auto _ : state) {
    params.args[0] = Variant(i++);
    root.Invoke(add, DISPATCH_METHOD, params, &result, &excep);
  }
  if (result.ToInt() != i + 1) state.SkipWithError("wrong sum");
}
BENCHMARK(BM_CallChannelAddById)->UseRealTime();

// As a script makes it: name lookup (answered by the proxy's cache) and call.
void BM_CallChannelAddByName(benchmark::State& state) {
  ChannelPair pair;
  IDispatchObject& root = pair.PageRoot();
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(CallMethod(root, "add", {Variant(i++), Variant(2)}));
}
BENCHMARK(BM_CallChannelAddByName)->UseRealTime();

// A text of the given size there and back.
void BM_CallChannelEchoText(benchmark::State& state) {
  ChannelPair pair;
  IDispatchObject& root = pair.PageRoot();
  const Variant text(std::string(static_cast<std::size_t>(state.range(0)), 'x'));
  for (auto _ : state) benchmark::DoNotOptimize(CallMethod(root, "echo", {text}));
  state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_CallChannelEchoText)->Arg(1024)->Arg(1 << 20)->UseRealTime();

// UI -> page -> UI -> page: the page's handler calls back while the UI waits.
void BM_CallChannelNestedCallBack(benchmark::State& state) {
  ChannelPair pair;
  IDispatchObject& root = pair.PageRoot();
  const DispId callBack = GetDispId(root, "callBack");
  for (auto _ : state) benchmark::DoNotOptimize(InvokeById(root, callBack, DISPATCH_METHOD));
}
BENCHMARK(BM_CallChannelNestedCallBack)->UseRealTime();

// Encoding and decoding alone of a two-integer call.
void BM_CallChannelWireTwoIntegers(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  const Variant a(40), b(2);
  for (auto _ : state) {
    bytes.clear();
    WireWriter writer(bytes);
    writer.WriteVariant(a);
    writer.WriteVariant(b);
    WireReader reader(bytes);
    benchmark::DoNotOptimize(reader.ReadVariant());
    benchmark::DoNotOptimize(reader.ReadVariant());
  }
}
BENCHMARK(BM_CallChannelWireTwoIntegers);

}  // namespace
}  // namespace halbrin::platform
