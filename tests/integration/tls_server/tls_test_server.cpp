// An HTTPS server on 127.0.0.1 for the download tests: libsoup's SoupServer
// with the certificate and key given, answering every path with "secure".
// Prints its port on a line of its own and serves until killed.
//
//   tls_test_server cert.pem key.pem

#include <libsoup/soup.h>

#include <cstdio>

namespace {

void Answer(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
  static const char body[] = "secure";
  soup_server_message_set_status(message, 200, nullptr);
  soup_server_message_set_response(message, "text/plain", SOUP_MEMORY_STATIC, body, sizeof body - 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  GError* error = nullptr;
  GTlsCertificate* certificate = g_tls_certificate_new_from_files(argv[1], argv[2], &error);
  if (!certificate) {
    std::fprintf(stderr, "%s\n", error->message);
    return 1;
  }
  SoupServer* server = soup_server_new("tls-certificate", certificate, nullptr);
  soup_server_add_handler(server, nullptr, Answer, nullptr, nullptr);
  if (!soup_server_listen_local(server, 0, static_cast<SoupServerListenOptions>(SOUP_SERVER_LISTEN_HTTPS |
                                                                               SOUP_SERVER_LISTEN_IPV4_ONLY), &error)) {
    std::fprintf(stderr, "%s\n", error->message);
    return 1;
  }
  GSList* uris = soup_server_get_uris(server);
  std::printf("%d\n", g_uri_get_port(static_cast<GUri*>(uris->data)));
  std::fflush(stdout);
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(loop);
  return 0;
}
