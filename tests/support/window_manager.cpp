#include "support/window_manager.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

// After the gtest header: Xlib defines macros (None, Bool...) that clash with it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace halbrin::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 15s;
constexpr auto kStopLimit = 5s;

// Our own connection, apart from the toolkit's, kept for the process's life.
Display* CheckDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

// The window a window's _NET_SUPPORTING_WM_CHECK names; 0 when none. A
// window that no longer exists reads as none (the error is swallowed).
Window CheckWindowOf(Display* display, Window window) {
  static bool failed = false;
  failed = false;
  XSync(display, False);
  auto* previous = XSetErrorHandler([](Display*, XErrorEvent*) -> int {
    failed = true;
    return 0;
  });
  const Atom atom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, window, atom, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data);
  XSync(display, False);
  XSetErrorHandler(previous);
  Window named = 0;
  if (status == Success && !failed && type == XA_WINDOW && format == 32 && count == 1 && data)
    named = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return failed ? 0 : named;
}

bool FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

template <class Done>
bool WaitFor(Done done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

}  // namespace

bool WindowManagerRunning() {
  Display* display = CheckDisplay();
  if (!display) return false;
  const Window check = CheckWindowOf(display, DefaultRootWindow(display));
  return check != 0 && CheckWindowOf(display, check) == check;
}

OpenboxSession::OpenboxSession() {
  if (!CheckDisplay()) {
    m_error = "no X display to start openbox on; run display tests under xvfb-run";
    return;
  }
  if (WindowManagerRunning()) {
    m_state = State::Running;
    return;
  }
  if (!FindOnPath("openbox")) {
    m_state = State::Absent;
    m_error = "openbox is not installed (scripts/bootstrap.sh installs it); this case needs a window manager";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its complaints about menus and themes are no test output.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv{const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
  const int spawned = posix_spawnp(&m_pid, "openbox", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    m_pid = 0;
    m_error = "openbox could not be started: error " + std::to_string(spawned);
    return;
  }
  int status = 0;
  bool exited = false;
  const bool up = WaitFor(
      [&] {
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) exited = true;
        return exited || WindowManagerRunning();
      },
      kStartLimit);
  if (exited) {
    m_pid = 0;
    m_error = "openbox exited at start with status " + std::to_string(status);
    return;
  }
  if (!up || !WindowManagerRunning()) {
    Stop();
    m_error = "openbox did not announce itself (_NET_SUPPORTING_WM_CHECK) in time";
    return;
  }
  m_state = State::Running;
}

OpenboxSession::~OpenboxSession() { Stop(); }

const OpenboxSession& ProcessOpenbox() {
  static const OpenboxSession session;
  return session;
}

void OpenboxSession::Stop() noexcept {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  int status = 0;
  if (!WaitFor([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, kStopLimit)) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, &status, 0);
  }
  m_pid = 0;
  // The next case may start its own; the server drops the old one's windows.
  WaitFor([] { return !WindowManagerRunning(); }, kStopLimit);
}

}  // namespace halbrin::testing
