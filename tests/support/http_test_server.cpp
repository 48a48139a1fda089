#include "support/http_test_server.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace halbrin::testing {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Status";
  }
}

std::string Base64(std::string_view bytes) {
  static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    unsigned value = 0;
    for (std::size_t k = 0; k < 3; ++k)
      value = (value << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? digits[(value >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::string Head(const HttpTestServer::Answer& answer, int status, std::size_t length,
                 const std::vector<std::string>& extra) {
  std::string text = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
  text += "Content-Type: " + answer.contentType + "\r\nConnection: close\r\nCache-Control: no-store\r\n";
  for (const std::string& line : answer.headers) text += line + "\r\n";
  for (const std::string& line : extra) text += line + "\r\n";
  text += "Content-Length: " + std::to_string(length) + "\r\n\r\n";
  return text;
}

void SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
}

// Reads one request: the head up to its blank line, then Content-Length bytes.
bool ReadRequest(int fd, std::string& head, std::string& body) {
  std::string data;
  char buffer[8192];
  std::size_t headEnd = std::string::npos;
  while (headEnd == std::string::npos) {
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data.append(buffer, static_cast<std::size_t>(got));
    headEnd = data.find("\r\n\r\n");
  }
  head = data.substr(0, headEnd + 4);
  body = data.substr(headEnd + 4);
  const auto length = ParseHttpRequest(head, {}).Header("Content-Length");
  const std::size_t wanted = length ? std::strtoull(length->c_str(), nullptr, 10) : 0;
  while (body.size() < wanted) {
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    body.append(buffer, static_cast<std::size_t>(got));
  }
  if (body.size() > wanted) body.resize(wanted);
  return true;
}

// Each record: "<head bytes> <body bytes>\n", the head, the body.
void Record(const std::string& path, const std::string& head, const std::string& body) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << head.size() << ' ' << body.size() << '\n' << head << body;
}

// The first byte of a "bytes=N-" request.
std::optional<std::size_t> RangeStart(const HttpTestServer::Request& request) {
  const std::optional<std::string> range = request.Header("Range");
  if (!range || range->rfind("bytes=", 0) != 0) return std::nullopt;
  return std::strtoull(range->c_str() + 6, nullptr, 10);
}

// True when the connection is held open by a child.
bool SendAnswer(int client, const HttpTestServer::Request& request, const HttpTestServer::Answer& answer) {
  if (answer.basicAuth && request.Header("Authorization") != "Basic " + Base64(*answer.basicAuth)) {
    const std::string denied = "denied";
    SendAll(client, Head(answer, 401, denied.size(), {"WWW-Authenticate: Basic realm=\"test\""}) + denied);
    return false;
  }
  std::string_view body = answer.body;
  int status = answer.status;
  std::vector<std::string> extra;
  if (const std::optional<std::size_t> start = answer.ranges ? RangeStart(request) : std::nullopt) {
    if (*start >= body.size()) {
      SendAll(client, Head(answer, 416, 0, {"Content-Range: bytes */" + std::to_string(body.size())}));
      return false;
    }
    status = 206;
    extra.push_back("Content-Range: bytes " + std::to_string(*start) + "-" + std::to_string(body.size() - 1) + "/" +
                    std::to_string(body.size()));
    body.remove_prefix(*start);
  }
  SendAll(client, Head(answer, status, answer.declaredLength.value_or(body.size()), extra));
  if (answer.stallAfter) {
    SendAll(client, body.substr(0, std::min(body.size(), *answer.stallAfter)));
    // Held open in a child of the server's group, so the next connection is served.
    if (fork() == 0) {
      pause();
      _exit(0);
    }
    return true;
  }
  SendAll(client, body);
  return false;
}

[[noreturn]] void Serve(int listener, const std::map<std::string, HttpTestServer::Answer>& answers,
                        const std::string& recordPath) {
  HttpTestServer::Answer missing;
  missing.status = 404;
  missing.contentType = "text/plain";
  missing.body = "not found";
  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::string head, body;
    bool held = false;
    if (ReadRequest(client, head, body)) {
      Record(recordPath, head, body);
      const HttpTestServer::Request request = ParseHttpRequest(head, body);
      auto found = answers.find(request.target);
      if (found == answers.end()) found = answers.find(request.Path());
      held = SendAnswer(client, request, found == answers.end() ? missing : found->second);
    }
    if (!held) shutdown(client, SHUT_WR);
    close(client);
  }
}

}  // namespace

std::string HttpTestServer::Request::Path() const { return target.substr(0, target.find('?')); }

std::optional<std::string> HttpTestServer::Request::Header(const std::string& name) const {
  std::string_view rest = head;
  rest.remove_prefix(std::min(rest.size(), rest.find('\n') + 1));  // the request line
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && SameText(Trim(line.substr(0, colon)), name))
      return std::string(Trim(line.substr(colon + 1)));
  }
  return std::nullopt;
}

HttpTestServer::Request ParseHttpRequest(std::string head, std::string body) {
  HttpTestServer::Request request;
  std::istringstream line(head.substr(0, head.find("\r\n")));
  line >> request.method >> request.target;
  request.head = std::move(head);
  request.body = std::move(body);
  return request;
}

HttpTestServer::HttpTestServer(std::map<std::string, Answer> answers) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/halbrin_http_XXXXXX";
  const int recordFd = mkstemp(pattern.data());
  if (recordFd < 0) throw std::runtime_error("cannot make the request record");
  close(recordFd);
  m_recordPath = pattern;

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener >= 0) close(listener);
    std::remove(m_recordPath.c_str());
    throw std::runtime_error("cannot listen on loopback");
  }
  m_port = ntohs(address.sin_port);
  m_child = fork();
  if (m_child < 0) {
    close(listener);
    std::remove(m_recordPath.c_str());
    throw std::runtime_error("cannot fork the HTTP test server");
  }
  if (m_child == 0) {
    setpgid(0, 0);
    Serve(listener, answers, m_recordPath);
  }
  setpgid(m_child, m_child);
  close(listener);
}

HttpTestServer::~HttpTestServer() {
  kill(-m_child, SIGKILL);
  kill(m_child, SIGKILL);
  waitpid(m_child, nullptr, 0);
  std::remove(m_recordPath.c_str());
}

std::string HttpTestServer::Uri(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const {
  std::ifstream in(m_recordPath, std::ios::binary);
  std::vector<Request> requests;
  std::size_t headSize = 0, bodySize = 0;
  while (in >> headSize >> bodySize && in.get() == '\n') {
    std::string head(headSize, '\0'), body(bodySize, '\0');
    if (!in.read(head.data(), static_cast<std::streamsize>(headSize)) ||
        !in.read(body.data(), static_cast<std::streamsize>(bodySize)))
      break;  // a record still being written
    requests.push_back(ParseHttpRequest(std::move(head), std::move(body)));
  }
  return requests;
}

std::vector<HttpTestServer::Request> HttpTestServer::RequestsFor(const std::string& path) const {
  std::vector<Request> found;
  for (Request& request : Requests())
    if (request.Path() == path) found.push_back(std::move(request));
  return found;
}

}  // namespace halbrin::testing
