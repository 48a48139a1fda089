// 256 MiB from the loopback test server into a file: the download component
// with a "progress" binding (a script call per chunk, answered at once)
// against a bare libsoup program splicing the same answer into a file, in
// one run. Both report MB/s ("bytes_per_second"); the component is meant to
// keep 80 % of the bare figure.

#include <benchmark/benchmark.h>
#include <libsoup/soup.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/framework/application_hooks.h"
#include "core/framework/script_events.h"
#include "support/http_test_server.h"
#include "support/main_context_wait.h"
#include "support/test_support.h"
#include "web/download/url_loader_ex.h"

namespace halbrin {
namespace {

constexpr std::size_t kBytes = std::size_t{256} << 20;

// Bindings run here: each call is counted and answered with nothing.
class TCountingHooks : public IApplicationHooks {
 public:
  platform::Variant RunScriptProcedure(std::string_view, const std::string&, const platform::Variant&, int) override {
    ++calls;
    return {};
  }
  std::size_t calls = 0;
};

testing::HttpTestServer& Server() {
  static testing::HttpTestServer server(
      {{"/big", testing::HttpTestServer::Answer::Of(std::string(kBytes, 'b'), "application/octet-stream")}});
  return server;
}

testing::TempFolder& Folder() {
  static testing::TempFolder folder("halbrin_download_bench");
  return folder;
}

void BM_DownloadComponent(benchmark::State& state) {
  const std::string url = Server().Uri("/big");
  const std::string target = Folder().Path("component.bin");
  TCountingHooks hooks;
  const ScopedApplicationHooks hooksScope(hooks);
  for (auto _ : state) {
    std::filesystem::remove(target);
    TUrlLoaderEx loader;
    loader.SetName("dl");
    loader.GetEvents()->AttachEvent("onprogress").SetXml("progress");
    loader.GetEvents()->AttachEvent("oncomplete").SetXml("complete");
    loader.SetUrl(url);
    loader.SetFileName(target);
    loader.SetExec(platform::Variant("download"));
    testing::RunUntil([&] { return !loader.Busy(); }, std::chrono::minutes(5));
    if (loader.ErrorCode() != 0 || loader.Size() != static_cast<std::int64_t>(kBytes))
      state.SkipWithError("the download failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
  state.counters["script_calls"] = static_cast<double>(hooks.calls);
}

struct Splice {
  bool done = false;
  bool ok = false;
  GOutputStream* out = nullptr;
};

void BM_BareSoup(benchmark::State& state) {
  const std::string url = Server().Uri("/big");
  const std::string target = Folder().Path("bare.bin");
  SoupSession* session = soup_session_new();
  soup_session_remove_feature_by_type(session, SOUP_TYPE_CONTENT_DECODER);
  for (auto _ : state) {
    Splice splice;
    GFile* file = g_file_new_for_path(target.c_str());
    splice.out = G_OUTPUT_STREAM(g_file_replace(file, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, nullptr));
    SoupMessage* message = soup_message_new("GET", url.c_str());
    soup_session_send_async(
        session, message, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* splice = static_cast<Splice*>(data);
          GInputStream* in = soup_session_send_finish(SOUP_SESSION(source), result, nullptr);
          if (!in) {
            splice->done = true;
            return;
          }
          g_output_stream_splice_async(
              splice->out, in,
              static_cast<GOutputStreamSpliceFlags>(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                                    G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
              G_PRIORITY_DEFAULT, nullptr,
              [](GObject* out, GAsyncResult* result, gpointer data) {
                auto* splice = static_cast<Splice*>(data);
                splice->ok = g_output_stream_splice_finish(G_OUTPUT_STREAM(out), result, nullptr) ==
                             static_cast<gssize>(kBytes);
                splice->done = true;
              },
              splice);
          g_object_unref(in);
        },
        &splice);
    testing::RunUntil([&] { return splice.done; }, std::chrono::minutes(5));
    g_object_unref(message);
    g_object_unref(splice.out);
    g_object_unref(file);
    if (!splice.ok) state.SkipWithError("the bare download failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
  g_object_unref(session);
}

// The same bare program reading 64 KiB chunks (the component's size) and
// writing each with write(2): GIO's splice copies through 8 KiB buffers.
struct Chunks {
  bool done = false;
  bool ok = false;
  int fd = -1;
  std::size_t bytes = 0;
  GInputStream* in = nullptr;
};

void ReadChunk(Chunks* chunks) {
  g_input_stream_read_bytes_async(
      chunks->in, 64 * 1024, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* chunks = static_cast<Chunks*>(data);
        GBytes* bytes = g_input_stream_read_bytes_finish(G_INPUT_STREAM(source), result, nullptr);
        gsize size = 0;
        const void* at = bytes ? g_bytes_get_data(bytes, &size) : nullptr;
        if (!bytes || size == 0 || write(chunks->fd, at, size) != static_cast<ssize_t>(size)) {
          chunks->ok = bytes && size == 0 && chunks->bytes == kBytes;
          chunks->done = true;
        } else {
          chunks->bytes += size;
          ReadChunk(chunks);
        }
        if (bytes) g_bytes_unref(bytes);
      },
      chunks);
}

void BM_BareSoupChunks(benchmark::State& state) {
  const std::string url = Server().Uri("/big");
  const std::string target = Folder().Path("bare_chunks.bin");
  SoupSession* session = soup_session_new();
  soup_session_remove_feature_by_type(session, SOUP_TYPE_CONTENT_DECODER);
  for (auto _ : state) {
    Chunks chunks;
    chunks.fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    SoupMessage* message = soup_message_new("GET", url.c_str());
    soup_session_send_async(
        session, message, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
          auto* chunks = static_cast<Chunks*>(data);
          chunks->in = soup_session_send_finish(SOUP_SESSION(source), result, nullptr);
          if (chunks->in)
            ReadChunk(chunks);
          else
            chunks->done = true;
        },
        &chunks);
    testing::RunUntil([&] { return chunks.done; }, std::chrono::minutes(5));
    if (chunks.in) g_object_unref(chunks.in);
    g_object_unref(message);
    close(chunks.fd);
    if (!chunks.ok) state.SkipWithError("the bare download failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
  g_object_unref(session);
}

BENCHMARK(BM_BareSoup)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BareSoupChunks)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DownloadComponent)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BareSoup)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BareSoupChunks)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_DownloadComponent)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace halbrin
