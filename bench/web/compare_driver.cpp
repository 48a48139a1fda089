// Starts programs afresh, in turn, and times each from its start to the moment
// it writes its marker file (seen with inotify); at that moment it reads the
// resident memory (VmRSS) of the program and, apart, of the processes it
// started (a web view's page and network processes), then sends SIGTERM.
// Runs alternate between the programs; the report gives medians and the
// ratio of each program to the first.
//
//   bench_compare_driver [--runs N] [--timeout SECONDS]
//       --program NAME MARKER COMMAND [--program NAME MARKER COMMAND ...]
//
// COMMAND is one shell-quoted string; "{marker}" in it becomes MARKER.

#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Program {
  std::string name;
  std::string marker;
  std::vector<std::string> argv;
};

struct Sample {
  double startMs = 0;
  long uiRssKb = 0;
  long helpersRssKb = 0;
  int helpers = 0;
};

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> ParseCommand(const std::string& command, const std::string& marker) {
  gchar** words = nullptr;
  GError* error = nullptr;
  if (!g_shell_parse_argv(command.c_str(), nullptr, &words, &error)) {
    std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("cannot parse the command \"" + command + "\": " + message);
  }
  std::vector<std::string> argv;
  for (gchar** word = words; *word; ++word) argv.push_back(Replace(*word, "{marker}", marker));
  g_strfreev(words);
  return argv;
}

// VmRSS in kB, or -1 when the process is gone.
long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// Every live descendant of `root`, read from /proc/<pid>/stat.
std::vector<pid_t> Descendants(pid_t root) {
  std::multimap<pid_t, pid_t> children;
  if (DIR* proc = opendir("/proc")) {
    while (dirent* entry = readdir(proc)) {
      const pid_t pid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
      if (pid <= 0) continue;
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      // The name in parentheses may hold anything; the fields follow the last ')'.
      const std::size_t close = text.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(text.substr(close + 1));
      char state = 0;
      pid_t parent = 0;
      if (fields >> state >> parent) children.emplace(parent, pid);
    }
    closedir(proc);
  }
  std::vector<pid_t> found;
  std::vector<pid_t> pending{root};
  while (!pending.empty()) {
    const pid_t pid = pending.back();
    pending.pop_back();
    auto [first, last] = children.equal_range(pid);
    for (auto it = first; it != last; ++it) {
      found.push_back(it->second);
      pending.push_back(it->second);
    }
  }
  return found;
}

bool Exited(pid_t pid, int waitMs) {
  const double deadline = NowMs() + waitMs;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (NowMs() >= deadline) return false;
    usleep(5000);
  }
}

// Ends the program and whatever it left in its process group.
void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  if (!Exited(pid, 5000)) {
    kill(pid, SIGKILL);
    Exited(pid, 5000);
  }
  const double deadline = NowMs() + 2000;
  while (kill(-pid, 0) == 0 && NowMs() < deadline) usleep(5000);
  kill(-pid, SIGKILL);
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<Sample> RunOnce(const Program& program, int timeoutSeconds, std::string& failure) {
  unlink(program.marker.c_str());
  const int watcher = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watcher < 0) throw std::runtime_error(std::string("inotify_init1: ") + std::strerror(errno));
  if (inotify_add_watch(watcher, Folder(program.marker).c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0) {
    const int error = errno;
    close(watcher);
    throw std::runtime_error("cannot watch " + Folder(program.marker) + ": " + std::strerror(error));
  }
  std::vector<char*> argv;
  for (const std::string& word : program.argv) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  const double start = NowMs();
  const pid_t pid = fork();
  if (pid < 0) {
    close(watcher);
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  }
  if (pid == 0) {
    setpgid(0, 0);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  setpgid(pid, pid);

  const std::string name = BaseName(program.marker);
  const double deadline = start + timeoutSeconds * 1000.0;
  std::optional<Sample> sample;
  alignas(inotify_event) char buffer[4096];
  while (!sample) {
    const double left = deadline - NowMs();
    if (left <= 0) {
      failure = "no marker within " + std::to_string(timeoutSeconds) + " s";
      break;
    }
    pollfd poller{watcher, POLLIN, 0};
    // Short slices so a program that dies early is noticed.
    if (poll(&poller, 1, std::min(100, static_cast<int>(left) + 1)) > 0) {
      const ssize_t length = read(watcher, buffer, sizeof buffer);
      for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && name == event->name) {
          sample = Sample{};
          sample->startMs = NowMs() - start;
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    if (!sample) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        failure = "the program ended before its marker (status " + std::to_string(status) + ")";
        close(watcher);
        kill(-pid, SIGKILL);
        return std::nullopt;
      }
    }
  }
  close(watcher);
  if (sample) {
    sample->uiRssKb = ResidentKb(pid);
    for (pid_t helper : Descendants(pid)) {
      const long kb = ResidentKb(helper);
      if (kb < 0) continue;
      sample->helpersRssKb += kb;
      ++sample->helpers;
    }
    if (sample->uiRssKb < 0) {
      failure = "the program ended at its marker";
      sample.reset();
    }
  }
  Stop(pid);
  unlink(program.marker.c_str());
  return sample;
}

template <class T>
double Median(std::vector<T> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? static_cast<double>(values[middle])
                           : (static_cast<double>(values[middle - 1]) + static_cast<double>(values[middle])) / 2;
}

int Usage() {
  std::fputs("usage: bench_compare_driver [--runs N] [--timeout SECONDS]\n"
             "           --program NAME MARKER COMMAND [--program NAME MARKER COMMAND ...]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 20;
  int timeoutSeconds = 60;
  std::vector<Program> programs;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string word = argv[i];
      if (word == "--runs" && i + 1 < argc) {
        runs = std::atoi(argv[++i]);
      } else if (word == "--timeout" && i + 1 < argc) {
        timeoutSeconds = std::atoi(argv[++i]);
      } else if (word == "--program" && i + 3 < argc) {
        Program program{argv[i + 1], argv[i + 2], {}};
        program.argv = ParseCommand(argv[i + 3], program.marker);
        if (program.argv.empty()) return Usage();
        programs.push_back(std::move(program));
        i += 3;
      } else {
        return Usage();
      }
    }
    if (programs.empty() || runs < 1 || timeoutSeconds < 1) return Usage();

    std::vector<std::vector<Sample>> samples(programs.size());
    int failures = 0;
    for (int run = 0; run < runs; ++run) {
      for (std::size_t p = 0; p < programs.size(); ++p) {
        std::string failure;
        if (auto sample = RunOnce(programs[p], timeoutSeconds, failure)) {
          samples[p].push_back(*sample);
          std::printf("run %2d %-12s %8.1f ms  ui %7ld kB  helpers %7ld kB (%d)\n", run + 1, programs[p].name.c_str(),
                      sample->startMs, sample->uiRssKb, sample->helpersRssKb, sample->helpers);
        } else {
          ++failures;
          std::printf("run %2d %-12s failed: %s\n", run + 1, programs[p].name.c_str(), failure.c_str());
        }
        std::fflush(stdout);
      }
    }

    std::printf("\n%-12s %5s %12s %12s %14s %9s %9s\n", "program", "runs", "start ms", "ui rss kB", "helpers kB",
                "start x", "rss x");
    double baseStart = 0;
    double baseRss = 0;
    for (std::size_t p = 0; p < programs.size(); ++p) {
      std::vector<double> start;
      std::vector<long> ui;
      std::vector<long> helpers;
      for (const Sample& sample : samples[p]) {
        start.push_back(sample.startMs);
        ui.push_back(sample.uiRssKb);
        helpers.push_back(sample.helpersRssKb);
      }
      const double medianStart = Median(start);
      const double medianUi = Median(ui);
      if (p == 0) {
        baseStart = medianStart;
        baseRss = medianUi;
      }
      std::printf("%-12s %5zu %12.1f %12.0f %14.0f %9.2f %9.2f\n", programs[p].name.c_str(), samples[p].size(),
                  medianStart, medianUi, Median(helpers), baseStart > 0 ? medianStart / baseStart : 0,
                  baseRss > 0 ? medianUi / baseRss : 0);
    }
    return failures == 0 ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_compare_driver: %s\n", error.what());
    return 1;
  }
}
