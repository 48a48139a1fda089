// Downloads over a real socket: the recording HTTP server of tests/support
// on 127.0.0.1, libsoup's session with a resolver that knows no names, and
// the real main loop. Never the internet.

#include <gio/gio.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "core/foundation/project_encoding.h"
#include "platform/base/glib_ptr.h"
#include "support/http_test_server.h"
#include "support/main_context_wait.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "web/download/soup_transport.h"
#include "web/download/url_loader_ex.h"

namespace halbrin::download_server_test {
namespace {

using namespace halbrin::framework_test;
using namespace halbrin::download_codes;
using testing::HttpTestServer;

// ---- a resolver that answers "localhost" and nothing else ---------------------

struct LoopbackResolver {
  GResolver parent;
};
struct LoopbackResolverClass {
  GResolverClass parent_class;
};

G_DEFINE_TYPE(LoopbackResolver, loopback_resolver, G_TYPE_RESOLVER)

GList* ResolveName(const gchar* hostname, GError** error) {
  if (g_ascii_strcasecmp(hostname, "localhost") == 0)
    return g_list_append(nullptr, g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
  g_set_error(error, G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, "No name is known here: %s", hostname);
  return nullptr;
}

GList* LookupByName(GResolver*, const gchar* hostname, GCancellable*, GError** error) {
  return ResolveName(hostname, error);
}

GList* LookupByNameWithFlags(GResolver*, const gchar* hostname, GResolverNameLookupFlags, GCancellable*,
                             GError** error) {
  return ResolveName(hostname, error);
}

void LookupAsync(GResolver* resolver, const gchar* hostname, GCancellable* cancellable, GAsyncReadyCallback callback,
                 gpointer data) {
  GTask* task = g_task_new(resolver, cancellable, callback, data);
  GError* error = nullptr;
  GList* found = ResolveName(hostname, &error);
  if (found)
    g_task_return_pointer(task, found, reinterpret_cast<GDestroyNotify>(g_resolver_free_addresses));
  else
    g_task_return_error(task, error);
  g_object_unref(task);
}

void LookupWithFlagsAsync(GResolver* resolver, const gchar* hostname, GResolverNameLookupFlags,
                          GCancellable* cancellable, GAsyncReadyCallback callback, gpointer data) {
  LookupAsync(resolver, hostname, cancellable, callback, data);
}

GList* LookupFinish(GResolver*, GAsyncResult* result, GError** error) {
  return static_cast<GList*>(g_task_propagate_pointer(G_TASK(result), error));
}

void loopback_resolver_class_init(LoopbackResolverClass* klass) {
  GResolverClass* resolver = G_RESOLVER_CLASS(klass);
  resolver->lookup_by_name = LookupByName;
  resolver->lookup_by_name_async = LookupAsync;
  resolver->lookup_by_name_finish = LookupFinish;
  resolver->lookup_by_name_with_flags = LookupByNameWithFlags;
  resolver->lookup_by_name_with_flags_async = LookupWithFlagsAsync;
  resolver->lookup_by_name_with_flags_finish = LookupFinish;
}

void loopback_resolver_init(LoopbackResolver*) {}

// ---- the fixture ------------------------------------------------------------------

std::string RandomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class TServerHooks : public TRecordingHooks {
 public:
  Variant ProjectAttribute(std::string_view name) override {
    return name == "folder" ? Variant(folder) : Variant::Null();
  }
  std::string folder;
};

class DownloadServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "no_proxy"})
      unsetenv(name);
    // The session's cache folder; removed when the tests end.
    static const testing::TempFolder cache("halbrin_download_cache");
    setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
    static GResolver* resolver = G_RESOLVER(g_object_new(loopback_resolver_get_type(), nullptr));
    DownloadSessionOptions options;
    options.resolver = resolver;
    // The backstop a stall after some bytes meets (the timeout check is one-shot).
    options.ioTimeoutSeconds = 3;
    options.systemProxy = false;
    SetDownloadSessionOptions(options);
  }

  DownloadServerTest() {
    m_hooks.folder = m_folder.Path().string();
    m_hooks.answer = [this](const ScriptCall& call) -> Variant {
      const auto found = answers.find(call.procedure);
      return found == answers.end() ? Variant() : found->second;
    };
    m_loader.SetName("dl");
    for (const char* event : {"complete", "redirect", "authenticate", "timeout", "response"})
      m_loader.GetEvents()->AttachEvent(std::string("on") + event).SetXml(event);
  }
  ~DownloadServerTest() override { DropAsyncScriptEvents(); }

  // Runs a download to its end; the code "complete" gave (nullopt: none came).
  std::optional<std::int64_t> Run(const std::string& url) {
    const std::size_t before = Completions().size();
    m_loader.SetUrl(url);
    m_loader.SetExec(Variant("download"));
    testing::RunUntil([&] { return !m_loader.Busy() && Completions().size() > before; });
    const std::vector<std::int64_t> codes = Completions();
    if (codes.size() != before + 1) return std::nullopt;
    return codes.back();
  }
  std::vector<std::int64_t> Completions() const {
    std::vector<std::int64_t> codes;
    for (const ScriptCall& call : m_hooks.calls)
      if (call.procedure == "complete") codes.push_back(static_cast<std::int32_t>(call.parameters.AsArray().At(1).ToInt64()));
    return codes;
  }
  std::size_t EventCount(const std::string& name) const {
    std::size_t count = 0;
    for (const ScriptCall& call : m_hooks.calls) count += call.procedure == name;
    return count;
  }
  std::string Path(const char* name) const { return m_folder.Path(name); }

  std::map<std::string, Variant> answers;
  testing::TempFolder m_folder{"halbrin_download_server"};
  TServerHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
  TUrlLoaderEx m_loader;
};

constexpr std::int64_t Code(HResult code) { return code; }

TEST_F(DownloadServerTest, GetIntoAFileAndIntoMemory) {
  const std::string source = RandomBytes(300 * 1024, 1);
  HttpTestServer server({{"/data.bin", HttpTestServer::Answer::Of(source, "application/octet-stream")}});
  m_loader.SetFileName("deep/er/data.bin");
  EXPECT_EQ(Run(server.Uri("/data.bin")), 0);
  EXPECT_EQ(testing::ReadFile(Path("deep/er/data.bin")), source);
  EXPECT_EQ(m_loader.ResponseCode(), 200);
  EXPECT_EQ(m_loader.Length(), static_cast<std::int64_t>(source.size()));
  EXPECT_EQ(m_loader.ContentType(), "application/octet-stream");

  m_loader.SetFileName("");
  ASSERT_EQ(Run(server.Uri("/data.bin")), 0);
  EXPECT_EQ(m_loader.Data(), source);
  EXPECT_EQ(m_loader.Size(), static_cast<std::int64_t>(source.size()));
  EXPECT_EQ(server.RequestsFor("/data.bin").back().Header("User-Agent"), std::nullopt);
}

TEST_F(DownloadServerTest, AFileUrlIsCopiedChunkByChunkIntoAFileOrMemory) {
  // Larger than one read, so the copy is put together from several chunks.
  const std::string source = RandomBytes(200 * 1024 + 17, 4);
  platform::GCharPtr uri(g_filename_to_uri(m_folder.Write("source.bin", source).c_str(), nullptr, nullptr));
  m_loader.SetFileName("copy.bin");
  EXPECT_EQ(Run(uri.get()), 0);
  EXPECT_EQ(testing::ReadFile(Path("copy.bin")), source);

  m_loader.SetFileName("");
  ASSERT_EQ(Run(uri.get()), 0);
  EXPECT_EQ(m_loader.Data(), source);

  platform::GCharPtr empty(g_filename_to_uri(m_folder.Write("empty.bin", "").c_str(), nullptr, nullptr));
  ASSERT_EQ(Run(empty.get()), 0) << "an empty file ends at its first read";
  EXPECT_EQ(m_loader.Data(), "");
}

TEST_F(DownloadServerTest, ResumeAppendsA206AndA200Recreates) {
  const std::string source = RandomBytes(3000, 2);
  HttpTestServer::Answer ranged = HttpTestServer::Answer::Of(source, "application/octet-stream");
  ranged.ranges = true;
  HttpTestServer server({{"/ranged", ranged}, {"/whole", HttpTestServer::Answer::Of(source, "application/octet-stream")}});
  m_folder.Write("file.bin", source.substr(0, 1000));
  m_loader.SetFileName("file.bin");
  EXPECT_EQ(Run(server.Uri("/ranged")), 0);
  EXPECT_EQ(server.RequestsFor("/ranged").back().Header("Range"), "bytes=1000-");
  EXPECT_EQ(m_loader.ResponseCode(), 206);
  EXPECT_EQ(testing::ReadFile(Path("file.bin")), source);

  m_folder.Write("file.bin", source.substr(0, 1000));
  EXPECT_EQ(Run(server.Uri("/whole")), 0);
  EXPECT_EQ(m_loader.ResponseCode(), 200);
  EXPECT_EQ(testing::ReadFile(Path("file.bin")), source);
}

TEST_F(DownloadServerTest, PostSendsTheBodyInTheProjectCodePage) {
  HttpTestServer server({{"/form", HttpTestServer::Answer::Of("thanks", "text/plain")}});
  m_loader.SetPostData("имя=Ёж");
  m_loader.SetPostContentType(Variant(""));
  m_loader.SetUserAgent(Variant(" Agent/1 "));
  m_loader.SetHeaders("X-Extra: yes\r\n");
  EXPECT_EQ(Run(server.Uri("/form")), 0);
  const HttpTestServer::Request request = server.RequestsFor("/form").back();
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.body, "\xE8\xEC\xFF=\xA8\xE6");
  EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.Header("User-Agent"), "Agent/1");
  EXPECT_EQ(request.Header("X-Extra"), "yes");
  EXPECT_EQ(m_loader.Text(), "thanks");
}

TEST_F(DownloadServerTest, PutSendsTheFileAndKeepsTheAnswerInMemory) {
  const std::string upload = RandomBytes(5000, 3);
  m_folder.Write("up.bin", upload);
  HttpTestServer server({{"/store", HttpTestServer::Answer::Of("stored", "text/plain")}});
  m_loader.SetMethod(TUrlLoaderMethod::lmPut);
  m_loader.SetFileName("up.bin");
  EXPECT_EQ(Run(server.Uri("/store")), 0);
  const HttpTestServer::Request request = server.RequestsFor("/store").back();
  EXPECT_EQ(request.method, "PUT");
  EXPECT_EQ(request.body, upload);
  EXPECT_EQ(request.Header("Range"), std::nullopt);
  EXPECT_EQ(m_loader.Text(), "stored");
  EXPECT_EQ(testing::ReadFile(Path("up.bin")), upload);
}

TEST_F(DownloadServerTest, RedirectFiresItsEventAndFollows) {
  HttpTestServer::Answer moved = HttpTestServer::Answer::Of("", "text/plain");
  moved.status = 302;
  moved.headers = {"Location: /new"};
  HttpTestServer server({{"/old", moved}, {"/new", HttpTestServer::Answer::Of("arrived", "text/plain")}});
  EXPECT_EQ(Run(server.Uri("/old")), 0);
  EXPECT_EQ(EventCount("redirect"), 1u);
  EXPECT_EQ(m_loader.Text(), "arrived");

  answers["redirect"] = Variant(0);
  EXPECT_EQ(Run(server.Uri("/old")), Code(kRedirectFailed));
}

struct AuthCase {
  Variant answer;
  std::int64_t code;
  std::size_t asked;
};

class AuthServerTest : public DownloadServerTest, public ::testing::WithParamInterface<AuthCase> {};

TEST_P(AuthServerTest, BasicCredentialsFromTheAnswer) {
  HttpTestServer::Answer secret = HttpTestServer::Answer::Of("secret", "text/plain");
  secret.basicAuth = "ann:pw";
  HttpTestServer server({{"/secret", secret}});
  answers["authenticate"] = GetParam().answer;
  EXPECT_EQ(Run(server.Uri("/secret")), GetParam().code);
  EXPECT_EQ(EventCount("authenticate"), GetParam().asked);
  if (GetParam().code == 0) {
    EXPECT_EQ(m_loader.Text(), "secret");
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, AuthServerTest,
                         ::testing::Values(AuthCase{Variant("ann,pw"), 0, 1},
                                           AuthCase{Variant(VariantArray({Variant("ann"), Variant("pw")})), 0, 1},
                                           AuthCase{Variant("ann,wrong"), Code(kFail), 3}));

TEST_F(DownloadServerTest, NotFoundLeavesTheOldFile) {
  HttpTestServer server({});
  m_folder.Write("keep.txt", "old");
  m_loader.SetDefaultAction(TUrlLoaderAction::laOverwrite);
  m_loader.SetFileName("keep.txt");
  EXPECT_EQ(Run(server.Uri("/missing")), Code(kFail));
  EXPECT_EQ(m_loader.ResponseCode(), 404);
  EXPECT_EQ(testing::ReadFile(Path("keep.txt")), "old");
}

TEST_F(DownloadServerTest, RefusedConnectionAndUnknownHost) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  close(fd);  // bound, never listening: the port refuses
  EXPECT_EQ(Run("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"), Code(kCannotConnect));
  EXPECT_EQ(Run("http://no-such-host.invalid/"), Code(kResourceNotFound));
}

TEST_F(DownloadServerTest, StallEndsWithTheTimeoutOrTheBackstopAndKeepsTheBytes) {
  HttpTestServer::Answer silent = HttpTestServer::Answer::Of(std::string(100, 's'), "application/octet-stream");
  silent.stallAfter = 0;
  HttpTestServer::Answer stall = silent;
  stall.stallAfter = 10;
  HttpTestServer server({{"/silent", silent}, {"/stall", stall}});
  m_loader.SetTimeout(1);
  m_loader.SetFileName("stalled.bin");
  EXPECT_EQ(Run(server.Uri("/silent")), Code(kTimeout));
  EXPECT_EQ(EventCount("timeout"), 1u);

  // Bytes before the check: it stays quiet and the session's I/O timeout ends the stall.
  EXPECT_EQ(Run(server.Uri("/stall")), Code(kTimeout));
  EXPECT_EQ(EventCount("timeout"), 1u);
  EXPECT_EQ(testing::ReadFile(Path("stalled.bin")), std::string(10, 's'));
}

TEST_F(DownloadServerTest, AShortBodyThenAResumeCompletesTheFile) {
  const std::string source = RandomBytes(2000, 4);
  HttpTestServer::Answer lie = HttpTestServer::Answer::Of(source.substr(0, 1000), "application/octet-stream");
  lie.declaredLength = 2000;
  HttpTestServer::Answer ranged = HttpTestServer::Answer::Of(source, "application/octet-stream");
  ranged.ranges = true;
  HttpTestServer server({{"/lie", lie}, {"/ranged", ranged}});
  m_loader.SetFileName("lie.bin");
  EXPECT_EQ(Run(server.Uri("/lie")), Code(kDataNotAvailable));
  EXPECT_EQ(testing::ReadFile(Path("lie.bin")), source.substr(0, 1000));
  EXPECT_EQ(Run(server.Uri("/ranged")), 0);
  EXPECT_EQ(testing::ReadFile(Path("lie.bin")), source);
}

struct TargetCase {
  const char* fileName;
  HResult code;
};

class TargetServerTest : public DownloadServerTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(TargetServerTest, UnwritableTargetsStopTheTransfer) {
  m_folder.Write("plain", "x");
  std::filesystem::create_directory(Path("folder"));
  HttpTestServer server({{"/a", HttpTestServer::Answer::Of("body", "text/plain")}});
  m_loader.SetDefaultAction(TUrlLoaderAction::laOverwrite);
  m_loader.SetFileName(GetParam().fileName);
  EXPECT_EQ(Run(server.Uri("/a")), Code(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(Rows, TargetServerTest,
                         ::testing::Values(TargetCase{"plain/under.bin", kPathNotFound},
                                           TargetCase{"folder", kAccessDenied}));

TEST_F(DownloadServerTest, ReadOnlyFolderRefusesTheTarget) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  std::filesystem::create_directory(Path("ro"));
  chmod(Path("ro").c_str(), 0500);
  HttpTestServer server({{"/a", HttpTestServer::Answer::Of("body", "text/plain")}});
  m_loader.SetFileName("ro/a.bin");
  EXPECT_EQ(Run(server.Uri("/a")), Code(kAccessDenied));
  chmod(Path("ro").c_str(), 0700);
}

TEST_F(DownloadServerTest, OtherSchemesAndFileUrls) {
  EXPECT_EQ(Run("ftp://127.0.0.1/a"), Code(kUnknownProtocol));
  EXPECT_EQ(Run("javascript:void(0)"), Code(kUnknownProtocol));
  EXPECT_EQ(Run("http//broken"), Code(kInvalidUrl));
  const std::string local = m_folder.Write("local.txt", "\xA8\xE6");
  platform::GCharPtr uri(g_filename_to_uri(local.c_str(), nullptr, nullptr));
  EXPECT_EQ(Run(uri.get()), 0);
  EXPECT_EQ(m_loader.Text(), "Ёж");
  EXPECT_EQ(EventCount("response"), 0u);
  platform::GCharPtr missing(g_filename_to_uri(Path("none.txt").c_str(), nullptr, nullptr));
  EXPECT_EQ(Run(missing.get()), Code(kResourceNotFound));
}

TEST_F(DownloadServerTest, WithoutAsyncDownloadReturnsTheFinalCode) {
  HttpTestServer server({{"/sync", HttpTestServer::Answer::Of("done", "text/plain")}});
  m_loader.SetAsync(false);
  m_loader.SetUrl(server.Uri("/sync"));
  m_loader.SetExec(Variant("download"));
  EXPECT_EQ(m_loader.GetExec(), Variant(0));
  EXPECT_EQ(Completions(), std::vector<std::int64_t>{0}) << "complete fired before the call returned";
  EXPECT_EQ(m_loader.Text(), "done");
  m_loader.SetUrl(server.Uri("/none"));
  m_loader.SetExec(Variant("download"));
  EXPECT_EQ(m_loader.GetExec(), Variant(static_cast<int>(kFail)));
}

}  // namespace
}  // namespace halbrin::download_server_test
