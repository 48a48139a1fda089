#pragma once

// Change watching over raw inotify. One process-wide engine (one inotify
// descriptor, one owned thread that polls it and an eventfd) serves every
// InotifyWatcher; each watcher holds its own set of watches in it and gets
// its changes in batches on the main thread (PostToMain), never after it is
// gone. While a batch waits to be delivered, later changes join it.
//
//   InotifyWatcher watcher([](std::vector<ChangeItem> batch) { ... }, log);
//   WatchResult result = watcher.Watch({{"/srv/data", true}});

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace halbrin::platform {

enum class ChangeKind {
  Created,     // made or moved in (also entries found in a new folder of a recursive tree)
  Deleted,     // removed or moved out
  Renamed,     // renamed or moved inside the watched entries: oldPath, path
  Attributes,  // IN_ATTRIB
  Modified,    // IN_MODIFY
  Written,     // IN_CLOSE_WRITE after a modification
  Overflow,    // the kernel queue overflowed: changes were lost
  RootGone,    // an entry's root was deleted, moved away or unmounted; path is the entry
};

struct ChangeItem {
  ChangeKind kind = ChangeKind::Created;
  std::string path;
  std::string oldPath;
  bool isFolder = false;

  friend bool operator==(const ChangeItem&, const ChangeItem&) = default;
};

// A folder (recursive: with every folder below it) or a file (its parent
// folder is watched, filtered by the file's name).
struct WatchEntry {
  std::string path;
  bool recursive = false;
};

struct WatchFailure {
  std::string path;
  int error = 0;  // errno
};

struct WatchResult {
  int engineError = 0;  // errno of inotify_init1 when the engine cannot run
  std::vector<WatchFailure> failures;
  bool Ok() const noexcept { return engineError == 0 && failures.empty(); }
};

namespace inotify_detail {
struct WatcherState;
class Engine;
}  // namespace inotify_detail

class InotifyWatcher {
 public:
  using Deliver = std::function<void(std::vector<ChangeItem> batch)>;
  // Main thread; at most one line per engine (the system's watch limit).
  using LogSink = std::function<void(const std::string& line)>;

  // Main thread. Watches nothing until Watch.
  InotifyWatcher(Deliver deliver, LogSink log = {});
  // Removes the watches; nothing is delivered afterwards. The engine's thread
  // stops and is joined when the last watcher lets it go.
  ~InotifyWatcher();
  InotifyWatcher(const InotifyWatcher&) = delete;
  InotifyWatcher& operator=(const InotifyWatcher&) = delete;

  // Replaces every watch of this watcher with the entries' (the changes not
  // yet delivered are dropped). Entries that cannot be watched are returned
  // with their errno and watch nothing; the others are watched.
  WatchResult Watch(const std::vector<WatchEntry>& entries);
  // Watches nothing.
  void Stop();
  // True while an entry is watched (a root gone ends its entry).
  bool Watching() const;

  // 0 when inotify can be used (an engine runs or inotify_init1 succeeds),
  // else the errno of inotify_init1.
  static int EngineError();

  // The system's queue limit (fs.inotify.max_queued_events); for tests and benchmarks.
  static int QueuedEventsLimit();

 private:
  std::shared_ptr<inotify_detail::WatcherState> m_state;
  std::shared_ptr<inotify_detail::Engine> m_engine;
};

// "a/b" + "c" → "a/b/c"; "/" + "c" → "/c".
std::string JoinWatchPath(const std::string& folder, const std::string& name);
// Without trailing "/" ("/" stays).
std::string NormalizeWatchPath(std::string path);

}  // namespace halbrin::platform
