#pragma once

// An HTTP/1.1 server on 127.0.0.1 for tests that load pages over the network.
// It runs in a forked child process, so a test's loads never wait on its main
// loop; answers are scripted by path, and every request's head and body are
// recorded for the test to read.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace halbrin::testing {

class HttpTestServer {
 public:
  struct Answer {
    int status = 200;
    std::string contentType = "text/html";
    std::string body;
    // Further header lines, "Name: value" each.
    std::vector<std::string> headers;
    // A "Range: bytes=N-" request gets 206 with the body from N (416 past its end).
    bool ranges = false;
    // Sends this many body bytes, then holds the connection open without a word.
    std::optional<std::size_t> stallAfter;
    // Declares this Content-Length and closes after the body it has.
    std::optional<std::size_t> declaredLength;
    // "user:password": other requests get 401 with a Basic challenge.
    std::optional<std::string> basicAuth;

    // A 200 answer of this type.
    static Answer Of(std::string body, std::string contentType = "text/html") {
      Answer answer;
      answer.body = std::move(body);
      answer.contentType = std::move(contentType);
      return answer;
    }
  };

  struct Request {
    std::string method;
    // The request target as sent: path and query.
    std::string target;
    // The request line and header lines, CR LF kept.
    std::string head;
    std::string body;

    // The path without the query.
    std::string Path() const;
    // The first header of that name (letter case ignored), without the
    // spaces around the value.
    std::optional<std::string> Header(const std::string& name) const;
  };

  // `answers` by path (a target with its query is looked up first, then its
  // path alone); other paths get 404.
  explicit HttpTestServer(std::map<std::string, Answer> answers);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Uri(const std::string& path = "/") const;
  // Every request received so far, in the order they arrived.
  std::vector<Request> Requests() const;
  // Those whose path is `path`.
  std::vector<Request> RequestsFor(const std::string& path) const;

 private:
  // The server's process group: connections held open live in children of their own.
  pid_t m_child = -1;
  int m_port = 0;
  std::string m_recordPath;
};

// Parses one recorded request ("head" up to and with the blank line); exposed
// for the server's own tests.
HttpTestServer::Request ParseHttpRequest(std::string head, std::string body);

}  // namespace halbrin::testing
