// Downloads over TLS from the HTTPS helper (libsoup's SoupServer with a
// self-signed fixture certificate). Its own executable: the TLS backend is a
// GIO module loaded at run time, whose thread-local storage LeakSanitizer
// cannot walk, so these cases run without leak checks.

#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/main_context_wait.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "web/download/url_loader_ex.h"

namespace halbrin::download_tls_test {
namespace {

using namespace halbrin::framework_test;
using namespace halbrin::download_codes;

constexpr std::int64_t Code(HResult code) { return code; }

// The HTTPS helper as a child process, killed by its id at the end.
class TlsTestServer {
 public:
  TlsTestServer() {
    const std::string certificate = std::string(HALBRIN_TLS_FIXTURES) + "/cert.pem";
    const std::string key = std::string(HALBRIN_TLS_FIXTURES) + "/key.pem";
    const char* argv[] = {HALBRIN_TLS_TEST_SERVER, certificate.c_str(), key.c_str(), nullptr};
    int out = -1;
    GError* error = nullptr;
    if (!g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                  nullptr, &m_pid, nullptr, &out, nullptr, &error)) {
      ADD_FAILURE() << error->message;
      g_error_free(error);
      return;
    }
    std::string line;
    char c = 0;
    while (read(out, &c, 1) == 1 && c != '\n') line += c;
    close(out);
    m_port = std::atoi(line.c_str());
  }
  ~TlsTestServer() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    g_spawn_close_pid(m_pid);
  }
  std::string Uri() const { return "https://127.0.0.1:" + std::to_string(m_port) + "/"; }
  int Port() const { return m_port; }

 private:
  GPid m_pid = 0;
  int m_port = 0;
};

TEST(DownloadTlsTest, TlsProblemsFailUnlessTheScriptAcceptsThem) {
  TRecordingHooks hooks;
  const ScopedApplicationHooks hooksScope(hooks);
  TUrlLoaderEx loader;
  loader.SetName("dl");
  loader.GetEvents()->AttachEvent("oncomplete").SetXml("complete");
  const auto Run = [&](const std::string& url) -> std::optional<std::int64_t> {
    const std::size_t before = hooks.calls.size();
    loader.SetUrl(url);
    loader.SetExec(Variant("download"));
    testing::RunUntil([&] { return hooks.calls.size() > before; });
    if (hooks.calls.size() != before + 1) return std::nullopt;
    return static_cast<std::int32_t>(hooks.calls.back().parameters.AsArray().At(1).ToInt64());
  };
  TlsTestServer server;
  ASSERT_GT(server.Port(), 0);
  EXPECT_EQ(Run(server.Uri()), Code(kSecurityProblem)) << "a self-signed certificate";
  loader.SetFlags(TUrlLoaderEx::kDefaultFlags | bind_flags::kIgnoreSecurityProblem);
  EXPECT_EQ(Run(server.Uri()), 0);
  EXPECT_EQ(loader.Text(), "secure");
  DropAsyncScriptEvents();
}

}  // namespace
}  // namespace halbrin::download_tls_test
