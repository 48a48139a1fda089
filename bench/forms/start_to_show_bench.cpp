// Start to first show: the time from starting a program until the X server
// maps its first top-level window, for the run-time with a one-form skinned
// project and for a bare GTK program mapping one window, side by side. Each
// iteration starts a fresh process and ends it with SIGTERM. Needs a display
// without a window manager (xvfb-run); without one the cases are skipped.
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Declares a skinned main form as the welcome example does and shows it;
// main() returns 0, so the program runs on until it is stopped.
const char* const kProjectScript = R"(function main(project) {
  client.exec('<control type="form" id="Main" Caption="Start to show" Width="400" Height="300" ' +
              'userInterfaceOptions="uioSkin,uioPlacement"/>');
  client.forms.item('Main').exec('show');
  return 0;
}
)";

// A folder with the one-form project and private XDG folders, removed at the end.
class BenchFolder {
 public:
  BenchFolder() {
    char pattern[] = "/tmp/halbrin-start-bench-XXXXXX";
    m_root = mkdtemp(pattern);
    fs::create_directories(m_root / "project/scripts");
    std::ofstream(m_root / "project/project.info") << "product=Halbrin Lite\nversion=1.0\nname=Bench\nscript=init\nencoding=utf-8\n";
    std::ofstream(m_root / "project/scripts/init.js") << kProjectScript;
    for (const char* name : {"runtime", "config", "data"}) fs::create_directories(m_root / name);
    fs::permissions(m_root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
  }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  fs::path Project() const { return m_root / "project"; }
  std::vector<std::string> Environment() const {
    return {"XDG_RUNTIME_DIR=" + (m_root / "runtime").string(), "XDG_CONFIG_HOME=" + (m_root / "config").string(),
            "XDG_DATA_HOME=" + (m_root / "data").string(), "NO_AT_BRIDGE=1", "GDK_BACKEND=x11"};
  }

 private:
  fs::path m_root;
};

// The window's WM_NAME, empty when it has none (or is gone).
std::string WindowName(Display* display, Window window) {
  char* name = nullptr;
  std::string result;
  if (XFetchName(display, window, &name) && name) result = name;
  if (name) XFree(name);
  return result;
}

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// Starts `argv` with `extraEnv` added, waits until the X server maps a
// top-level named `title` (an error box does not count) and returns the seconds that took (negative
// when none came within 20 s or the program ended first); the program is
// then ended with SIGTERM.
double StartToMap(Display* display, const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                  const std::string& title) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, True);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    for (const std::string& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  double seconds = -1;
  const int fd = ConnectionNumber(display);
  while (std::chrono::steady_clock::now() - started < std::chrono::seconds(20)) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && !event.xmap.override_redirect && WindowName(display, event.xmap.window) == title) {
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        break;
      }
    }
    if (seconds >= 0) break;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      XSelectInput(display, DefaultRootWindow(display), NoEventMask);
      return -1;
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(fd, &fds);
    timeval timeout{0, 10000};
    select(fd + 1, &fds, nullptr, nullptr, &timeout);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  XSelectInput(display, DefaultRootWindow(display), NoEventMask);
  XSync(display, True);
  return seconds;
}

void RunStartToShow(benchmark::State& state, const std::vector<std::string>& argv,
                    const std::vector<std::string>& extraEnv, const std::string& title) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("no display (run under xvfb-run)");
    return;
  }
  XSetErrorHandler(IgnoreXErrors);
  for (auto _ : state) {
    const double seconds = StartToMap(display, argv, extraEnv, title);
    if (seconds < 0) {
      state.SkipWithError("the window was not mapped");
      break;
    }
    state.SetIterationTime(seconds);
  }
  XCloseDisplay(display);
}

void BM_SkinnedProjectStartToShow(benchmark::State& state) {
  const BenchFolder folder;
  RunStartToShow(state, {HALBRIN_APP_DIR "halbrinlite", "use:" + folder.Project().string()}, folder.Environment(),
                 "Start to show");
}

void BM_BareGtkStartToShow(benchmark::State& state) {
  const BenchFolder folder;
  RunStartToShow(state, {HALBRIN_BENCH_DIR "bench_bare_window"}, folder.Environment(), "Bare window");
}

BENCHMARK(BM_SkinnedProjectStartToShow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_BareGtkStartToShow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
