#include <unistd.h>

#include <climits>
#include <string>

#include "launcher/launcher.h"

int main() {
  // The launcher's own file, whatever the command that started it.
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return halbrin::RunLauncher(length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string());
}
