#include "launcher/launcher.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace halbrin {

std::pair<std::string, std::string> LauncherCandidates(const std::string& launcherPath) {
  const auto slash = launcherPath.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : launcherPath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? launcherPath : launcherPath.substr(slash + 1);
  // A leading dot names a hidden file, not an extension.
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return {folder + name + ".files/halbrinlite", folder + name + "/halbrinlite"};
}

int StartDetached(const std::string& program) {
  if (access(program.c_str(), X_OK) != 0) {
    switch (errno) {
      case ENOENT: return 2;
      case ENOTDIR: return 3;
      case EACCES:
      case EPERM: return 5;
      default: return 31;
    }
  }
  // A child that starts the program and leaves at once: the program is then
  // nobody's child to wait for, and this process returns without waiting.
  const pid_t child = fork();
  if (child < 0) return 8;
  if (child == 0) {
    pid_t grandchild = 0;
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const int rc = posix_spawn(&grandchild, program.c_str(), nullptr, nullptr, argv, environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kLauncherStarted : 31;
}

int RunLauncher(const std::string& launcherPath) {
  const auto [first, second] = LauncherCandidates(launcherPath);
  const int result = StartDetached(first);
  return result > 32 ? result : StartDetached(second);
}

}  // namespace halbrin
