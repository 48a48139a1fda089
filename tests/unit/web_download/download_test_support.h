#pragma once

// A scripted transport for download tests: each Send takes the next answer
// (status, headers, body chunks, how the body ends, the credentials it
// wants) and delivers it through posted jobs of the fake main loop, so every
// step is one loop turn. A fixture with a download named "dl" whose script
// events are recorded (procedure = event name) and answered by table.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "web/download/url_loader_ex.h"

namespace halbrin::download_test {

using namespace halbrin::framework_test;
using namespace halbrin::download_codes;

struct FakeAnswer {
  enum class End { Complete, Fail, Stall };
  int status = 200;
  HeaderList headers;
  std::vector<std::string> chunks;
  End end = End::Complete;
  HResult failCode = 0;
  // Asked for before the answer; others get 401.
  std::optional<TUrlCredentials> credentials;

  static FakeAnswer Body(std::vector<std::string> chunks, int status = 200) {
    FakeAnswer answer;
    answer.status = status;
    answer.chunks = std::move(chunks);
    return answer;
  }
};

struct FakeNet {
  std::deque<FakeAnswer> answers;
  std::vector<TUrlRequest> requests;
  // Every set of credentials the component gave (nullopt: it gave up).
  std::vector<std::optional<TUrlCredentials>> offered;
  int cancels = 0;
  // Reads asked for and not yet delivered.
  int pendingReads = 0;
};

class FakeTransport final : public IUrlTransport {
 public:
  explicit FakeTransport(FakeNet& net) : m_net(net) {}
  ~FakeTransport() override { *m_alive = false; }

  void Send(const TUrlRequest& request, IUrlTransportSink& sink) override {
    *m_alive = false;
    m_alive = std::make_shared<bool>(true);
    m_sink = &sink;
    m_net.requests.push_back(request);
    m_answer = FakeAnswer{};
    m_answer.status = 404;
    if (!m_net.answers.empty()) {
      m_answer = m_net.answers.front();
      m_net.answers.pop_front();
    }
    m_next = 0;
    Later([this, alive = m_alive] {
      m_sink->TransportProgress(1, "host");
      if (!*alive) return;
      m_sink->TransportProgress(11, "");
      if (!*alive) return;
      if (m_answer.credentials) {
        for (;;) {
          const std::optional<TUrlCredentials> given = m_sink->TransportAuthenticate(false);
          m_net.offered.push_back(given);
          if (!*alive) return;
          if (!given) {
            m_answer = FakeAnswer::Body({"denied"}, 401);
            break;
          }
          if (given->user == m_answer.credentials->user && given->password == m_answer.credentials->password) break;
        }
      }
      m_sink->TransportResponse({m_answer.status, m_answer.headers});
    });
  }

  void ReadNext() override {
    ++m_net.pendingReads;
    Later([this] {
      --m_net.pendingReads;
      if (m_next < m_answer.chunks.size()) {
        m_sink->TransportData(m_answer.chunks[m_next++]);
      } else if (m_answer.end == FakeAnswer::End::Complete) {
        m_sink->TransportEnd();
      } else if (m_answer.end == FakeAnswer::End::Fail) {
        m_sink->TransportFailed(m_answer.failCode);
      }
    });
  }

  void Cancel() override {
    if (*m_alive) ++m_net.cancels;
    *m_alive = false;
  }

 private:
  void Later(std::function<void()> step) {
    platform::MainEventLoop().Post([alive = m_alive, step = std::move(step)] {
      if (*alive) step();
    });
  }

  FakeNet& m_net;
  IUrlTransportSink* m_sink = nullptr;
  FakeAnswer m_answer;
  std::size_t m_next = 0;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(false);
};

class TDownloadHooks : public TRecordingHooks {
 public:
  Variant ProjectAttribute(std::string_view name) override {
    return name == "folder" ? Variant(folder) : Variant::Null();
  }
  std::string folder;
};

struct Event {
  std::string name;
  Variant data;
};

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() {
    m_hooks.folder = m_folder.Path().string();
    m_hooks.answer = [this](const ScriptCall& call) -> Variant {
      const auto found = answers.find(call.procedure);
      return found == answers.end() ? Variant() : found->second(call.parameters);
    };
    m_loader = std::make_unique<TUrlLoaderEx>();
    m_loader->SetName("dl");
  }
  ~DownloadTest() override {
    m_loader.reset();
    DropAsyncScriptEvents();
  }

  TUrlLoaderEx& Loader() { return *m_loader; }
  // Binds these script events ("progress", "complete"...), each to a procedure of its name.
  void Bind(std::initializer_list<const char*> events) {
    for (const char* event : events) m_loader->GetEvents()->AttachEvent(std::string("on") + event).SetXml(event);
  }
  void Answer(const std::string& event, Variant value) {
    answers[event] = [value](const Variant&) { return value; };
  }
  // Writes `exec` "download" and gives its result.
  Variant Start(const std::string& url = "http://example.test/file") {
    m_loader->SetUrl(url);
    m_loader->SetExec(Variant("download"));
    return m_loader->GetExec();
  }
  // Loop turns until the transfer ended (or nothing more comes).
  void Settle() {
    for (int turn = 0; turn < 200 && (m_loader->Busy() || m_loop.PendingPosts() > 0); ++turn) m_loop.RunIdle();
  }
  std::vector<Event> Events(const std::string& name = {}) const {
    std::vector<Event> events;
    for (const ScriptCall& call : m_hooks.calls)
      if (name.empty() || call.procedure == name) events.push_back({call.procedure, call.parameters});
    return events;
  }
  // The codes "complete" reported, in order.
  std::vector<std::int64_t> Completions() const {
    std::vector<std::int64_t> codes;
    for (const Event& event : Events("complete")) codes.push_back(static_cast<std::int32_t>(event.data.AsArray().At(1).ToInt64()));
    return codes;
  }
  const TUrlRequest& LastRequest() const { return m_net.requests.back(); }
  std::optional<std::string> RequestHeader(const std::string& name) const {
    return m_net.requests.empty() ? std::nullopt : FindHeader(LastRequest().headers, name);
  }

  std::map<std::string, std::function<Variant(const Variant&)>> answers;
  testing::TempFolder m_folder{"halbrin_download"};
  platform::FakeEventLoop m_loop;
  platform::ScopedMainEventLoop m_loopScope{m_loop};
  TDownloadHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
  FakeNet m_net;
  ScopedUrlTransportFactory m_factory{[this](const std::string&) { return std::make_unique<FakeTransport>(m_net); }};
  std::unique_ptr<TUrlLoaderEx> m_loader;
};

inline Variant Array(std::vector<Variant> items) { return Variant(platform::VariantArray(std::move(items))); }
inline constexpr std::int64_t Code(HResult code) { return code; }

}  // namespace halbrin::download_test
