// A server's answer to a download: the status line's number, the header
// lines and the body, handed to TUrlLoaderEx through a scripted transport
// on a fake loop, then `text` in the chosen encoding; the same bytes as the
// script's `headers` and `hFlags` texts.
//
// Input: one byte (bits 0-2 the encoding, bits 3-7 the chunk size - 1, in
// 64-byte steps), then "status\0header lines\0body".

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "support/fuzz_support.h"
#include "web/download/url_loader_ex.h"

namespace halbrin {
namespace {

using fuzzing::Check;

struct Script {
  TUrlResponse response;
  std::string body;
  std::size_t chunk = 64;
};

class ScriptedTransport final : public IUrlTransport {
 public:
  explicit ScriptedTransport(const Script& script) : m_script(script) {}
  ~ScriptedTransport() override { *m_alive = false; }
  void Send(const TUrlRequest&, IUrlTransportSink& sink) override {
    *m_alive = false;
    m_alive = std::make_shared<bool>(true);
    m_sink = &sink;
    m_offset = 0;
    Later([this] { m_sink->TransportResponse(m_script.response); });
  }
  void ReadNext() override {
    Later([this] {
      if (m_offset >= m_script.body.size()) return m_sink->TransportEnd();
      const std::string_view chunk = std::string_view(m_script.body).substr(m_offset, m_script.chunk);
      m_offset += chunk.size();
      m_sink->TransportData(chunk);
    });
  }
  void Cancel() override { *m_alive = false; }

 private:
  void Later(std::function<void()> step) {
    platform::MainEventLoop().Post([alive = m_alive, step = std::move(step)] {
      if (*alive) step();
    });
  }
  const Script& m_script;
  IUrlTransportSink* m_sink = nullptr;
  std::size_t m_offset = 0;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(false);
};

class TCountingLoader : public TUrlLoaderEx {
 public:
  int completions = 0;

 protected:
  void DoComplete(HResult code) override {
    ++completions;
    TUrlLoaderEx::DoComplete(code);
  }
};

HeaderList ParseLines(std::string_view text) {
  HeaderList headers;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos)
      headers.emplace_back(std::string(line.substr(0, colon)), std::string(line.substr(colon + 1)));
    start = end + 1;
  }
  return headers;
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace halbrin;
  fuzzing::InputReader input(data, size);
  const std::uint8_t mode = input.Byte();
  const std::string status(input.Part('\0'));
  const std::string_view headerText = input.Part('\0');
  Script script;
  script.response.status = static_cast<int>(std::strtol(status.c_str(), nullptr, 10) % 1000);
  script.response.headers = ParseLines(headerText);
  script.body = std::string(input.Rest());
  script.chunk = 64u * ((mode >> 3) + 1u);

  platform::FakeEventLoop loop;
  const platform::ScopedMainEventLoop loopScope(loop);
  const ScopedUrlTransportFactory factory([&](const std::string&) { return std::make_unique<ScriptedTransport>(script); });
  {
    TCountingLoader loader;
    loader.SetEncoding(static_cast<TUrlLoaderEncoding>(mode & 7));
    loader.SetUrl("http://fuzz.test/");
    loader.SetExec(platform::Variant("download"));
    for (int turn = 0; turn < 100000 && loader.Busy(); ++turn) loop.RunIdle();
    Check(!loader.Busy(), "the transfer never ended");
    Check(loader.completions == 1, "complete fired other than once");
    const std::string text = loader.Text();
    Check(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr), "text is not UTF-8");
    Check(loader.Size() <= static_cast<std::int64_t>(script.body.size()), "more bytes held than sent");
  }

  HeaderList added;
  if (AppendHeaderLines(headerText, added))
    for (const auto& [name, value] : added) Check(!name.empty() && name.find(':') == std::string::npos, "a nameless header");
  if (const std::optional<std::uint32_t> flags = ParseHexFlags(status)) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", *flags);
    Check(ParseHexFlags(text) == flags, "hFlags does not read back");
  }
  ContentTypeCharset(headerText);
  return 0;
}
