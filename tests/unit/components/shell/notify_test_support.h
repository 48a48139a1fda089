#pragma once

// Change notifier cases: a private folder tree under XDG_RUNTIME_DIR, the
// fake main loop turned until the expected delivery (or a 5 s limit), and the
// "change" calls the components make, read back as their eventData.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "components/shell/shell_notify_ex.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {

inline std::filesystem::path RuntimeBase() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? std::filesystem::path(runtime) : std::filesystem::path();
}

// Makes an empty file without writing to it (IN_CREATE, no modification).
inline void Touch(const std::string& path) {
  const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot make " + path);
  close(fd);
}

class NotifyTest : public FrameworkTest {
 protected:
  // Turns the loop until done() holds; false after 5 s.
  bool Pump(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      m_loop.RunIdle();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  // The "change" calls of shellnotify components: [code, first path, second path].
  std::vector<ShellNotifyChange> Changes(const std::string& name) const {
    std::vector<ShellNotifyChange> changes;
    for (const ScriptCall& call : m_hooks.calls) {
      if (!call.parameters.IsArray()) continue;
      const auto& items = call.parameters.AsArray().Items();
      if (items.size() != 4 || items[0].ToText() != name) continue;
      changes.push_back({static_cast<std::uint32_t>(items[1].ToInt64()), items[2].ToText(), items[3].ToText()});
    }
    return changes;
  }

  // Whether a change with that code and first path was delivered.
  bool Saw(const std::string& name, std::uint32_t code, const std::string& path) const {
    for (const ShellNotifyChange& change : Changes(name))
      if (change.code == code && change.path1 == path) return true;
    return false;
  }

  TShellNotifyEx& MakeNotify(const std::string& name, const std::string& item, bool recursive = true,
                             std::uint32_t flags = 0) {
    auto& notify = platform::MakeComponent<TShellNotifyEx>(m_hooks.root);
    notify.SetName(name);
    notify.GetEvents()->AttachEvent("onchange").SetXml("changed");
    notify.SetFlags(flags);
    notify.SetRecursive(recursive);
    notify.SetItem(item);
    return notify;
  }

  testing::TempFolder m_tree{"notify", RuntimeBase()};
};

}  // namespace halbrin::framework_test
