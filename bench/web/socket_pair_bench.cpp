// The floor under the page channel's figures: 16 bytes each way over a Unix
// socket pair between two processes, both sides blocking in their reads.
// Run in the same bench_web run as the page calls, so the two compare.

#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace halbrin {
namespace {

constexpr std::size_t kMessageBytes = 16;

bool WriteFull(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadFull(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void BM_SocketPairRoundTrip(benchmark::State& state) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    state.SkipWithError("socketpair failed");
    return;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    state.SkipWithError("fork failed");
    return;
  }
  if (child == 0) {
    // The echo side: only async-signal-safe calls after fork.
    ::close(fds[0]);
    char buffer[kMessageBytes];
    while (ReadFull(fds[1], buffer, sizeof buffer) && WriteFull(fds[1], buffer, sizeof buffer)) {
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  char buffer[kMessageBytes] = "round trip 16 b";
  bool ok = true;
  for (auto _ : state) {
    if (!WriteFull(fds[0], buffer, sizeof buffer) || !ReadFull(fds[0], buffer, sizeof buffer)) {
      ok = false;
      break;
    }
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!ok) state.SkipWithError("the echo process went away");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SocketPairRoundTrip)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halbrin
