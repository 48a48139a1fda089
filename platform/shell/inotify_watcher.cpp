#include "platform/shell/inotify_watcher.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/eventloop/main_thread.h"
#include "platform/eventloop/owned_thread.h"

namespace halbrin::platform {

std::string JoinWatchPath(const std::string& folder, const std::string& name) {
  if (name.empty()) return folder;
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string NormalizeWatchPath(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

namespace {

bool IsBelowOrSame(const std::string& path, const std::string& folder) {
  if (path == folder) return true;
  if (folder == "/") return path.size() > 1 && path.front() == '/';
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                                     IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

// How long an unpaired IN_MOVED_FROM waits for its IN_MOVED_TO.
constexpr int kMovePairingMs = 50;

// Calls visit(path, type) for each entry of `folder` but "." and "..": its
// full path and its dirent type. A folder that cannot be read has none.
template <class Visit>
void ForEachEntry(const std::string& folder, Visit&& visit) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    visit(JoinWatchPath(folder, name), entry->d_type);
  }
  closedir(dir);
}

// Whether an entry is a folder; one of unknown type is looked at, links not followed.
bool IsFolderEntry(const std::string& path, unsigned char type) {
  if (type != DT_UNKNOWN) return type == DT_DIR;
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

namespace inotify_detail {

// What a watcher shares with the engine: its batch (own lock; the worker
// appends, the main thread takes) and its entries (under the engine's lock).
struct WatcherState {
  InotifyWatcher::Deliver deliver;
  InotifyWatcher::LogSink log;

  std::mutex batchLock;
  std::vector<ChangeItem> batch;
  std::unordered_set<std::string> seen;  // kind + path of items already in the batch
  bool posted = false;

  // Under the engine's lock.
  std::vector<WatchEntry> entries;  // the ones still watched
  std::set<int> wds;
};

// One watch of a watcher on a folder: the path it sees the folder under.
struct View {
  WatcherState* owner = nullptr;
  std::string path;
  bool recursive = false;  // folders made below get watches
  bool root = false;       // an entry's own folder (or a file entry's parent)
  std::string name;        // a file entry: only this name
  std::string entryPath;   // the entry this view belongs to
};

struct PendingMove {
  std::uint32_t cookie = 0;
  int wd = -1;
  std::string name;
  bool isFolder = false;
  std::uint64_t read = 0;
};

class Engine {
 public:
  // Throws nothing: error() tells whether it runs.
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  int Error() const noexcept { return m_error; }

  WatchResult Watch(const std::shared_ptr<WatcherState>& state, const std::vector<WatchEntry>& entries);
  void Forget(WatcherState& state);
  bool Watching(const WatcherState& state);

  static std::shared_ptr<Engine> Acquire();

 private:
  void Run(std::stop_token stop);
  void Process(const std::vector<char>& bytes);
  void ProcessEvent(const inotify_event& event);
  void FlushMoves(bool all);
  void PostDirty();

  // Under m_lock.
  void ForgetLocked(WatcherState& state);
  int AddView(View view, bool followLinks);
  void RemoveSubtree(WatcherState& owner, const std::string& folder);
  void RenameSubtree(WatcherState& owner, const std::string& oldPath, const std::string& newPath);
  // Watches the folders below `folder` (already watched by `parent`), with
  // report set reporting each entry found as created.
  void AddTree(const View& parent, const std::string& folder, bool report);
  void RemoveEntry(WatcherState& owner, const std::string& entryPath);
  // Drops the owner's views that `drop` picks; a watch nobody views any more goes.
  void RemoveViews(WatcherState& owner, const std::function<bool(const View&)>& drop);
  void Add(WatcherState& owner, ChangeItem item);
  void HandleMove(const PendingMove* from, int toWd, const std::string& toName, bool isFolder);
  void Rescan();
  bool HasRecursiveWatch(const WatcherState& owner, const std::string& path) const;
  void LogLimit(WatcherState& owner, const std::string& path);

  int m_error = 0;
  int m_fd = -1;
  int m_wake = -1;
  std::mutex m_lock;
  std::unordered_map<int, std::vector<View>> m_views;
  std::vector<PendingMove> m_moves;
  std::set<std::pair<int, std::string>> m_modified;
  std::set<WatcherState*> m_dirty;
  std::map<WatcherState*, std::weak_ptr<WatcherState>> m_states;
  std::uint64_t m_reads = 0;
  bool m_limitLogged = false;
  OwnedThread m_thread;
};

namespace {
std::mutex g_engineLock;
std::weak_ptr<Engine> g_engine;  // the process's engine while a watcher holds it
}  // namespace

std::shared_ptr<Engine> Engine::Acquire() {
  const std::lock_guard lock(g_engineLock);
  if (auto engine = g_engine.lock()) return engine;
  auto engine = std::make_shared<Engine>();
  if (engine->Error() == 0) g_engine = engine;
  return engine;
}

Engine::Engine() {
  m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_fd < 0) {
    m_error = errno;
    return;
  }
  m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_wake < 0) {
    m_error = errno;
    close(m_fd);
    m_fd = -1;
    return;
  }
  m_thread = OwnedThread([this](std::stop_token stop) { Run(std::move(stop)); });
}

Engine::~Engine() {
  if (m_thread.Joinable()) {
    m_thread.RequestStop();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
    m_thread.Join();
  }
  if (m_wake >= 0) close(m_wake);
  if (m_fd >= 0) close(m_fd);
}

void Engine::Run(std::stop_token stop) {
  std::vector<char> bytes;
  alignas(inotify_event) char buffer[64 * 1024];
  while (!stop.stop_requested()) {
    int timeout = -1;
    {
      const std::lock_guard lock(m_lock);
      if (!m_moves.empty()) timeout = kMovePairingMs;
    }
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    const int ready = poll(fds, 2, timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) {
      std::uint64_t value = 0;
      [[maybe_unused]] const ssize_t got = read(m_wake, &value, sizeof value);
      if (stop.stop_requested()) break;
    }
    const std::lock_guard lock(m_lock);
    if (ready == 0) {
      FlushMoves(true);
      PostDirty();
      continue;
    }
    if (!(fds[0].revents & POLLIN)) continue;
    // Drain everything queued now, so the kernel queue empties at once.
    bytes.clear();
    for (;;) {
      const ssize_t got = read(m_fd, buffer, sizeof buffer);
      if (got <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ++m_reads;
    Process(bytes);
    FlushMoves(false);
    PostDirty();
  }
}

void Engine::Process(const std::vector<char>& bytes) {
  std::size_t offset = 0;
  while (offset + sizeof(inotify_event) <= bytes.size()) {
    inotify_event event;
    std::memcpy(&event, bytes.data() + offset, sizeof event);
    const std::size_t size = sizeof(inotify_event) + event.len;
    if (offset + size > bytes.size()) break;
    std::string name;
    if (event.len > 0) name.assign(bytes.data() + offset + sizeof(inotify_event), strnlen(bytes.data() + offset + sizeof(inotify_event), event.len));
    offset += size;
    if (event.mask & IN_Q_OVERFLOW) {
      FlushMoves(true);
      for (auto& [state, weak] : m_states) Add(*state, {ChangeKind::Overflow, "", "", false});
      Rescan();
      continue;
    }
    const bool isFolder = (event.mask & IN_ISDIR) != 0;
    if (event.mask & IN_IGNORED) {
      const auto found = m_views.find(event.wd);
      if (found == m_views.end()) continue;
      for (View& view : found->second) view.owner->wds.erase(event.wd);
      m_views.erase(found);
      continue;
    }
    if (name.empty()) {
      const auto found = m_views.find(event.wd);
      if (found == m_views.end()) continue;
      if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
        // Copies: RemoveEntry changes the list.
        std::vector<std::pair<WatcherState*, std::string>> gone;
        for (const View& view : found->second)
          if (view.root) gone.emplace_back(view.owner, view.entryPath);
        for (auto& [owner, entry] : gone) {
          Add(*owner, {ChangeKind::RootGone, entry, "", true});
          RemoveEntry(*owner, entry);
        }
      } else if (event.mask & IN_ATTRIB) {
        for (const View& view : found->second)
          if (view.root && view.name.empty()) Add(*view.owner, {ChangeKind::Attributes, view.path, "", true});
      }
      continue;
    }
    if (event.mask & IN_MOVED_FROM) {
      m_moves.push_back({event.cookie, event.wd, name, isFolder, m_reads});
      continue;
    }
    if (event.mask & IN_MOVED_TO) {
      const PendingMove* from = nullptr;
      std::size_t index = 0;
      for (; index < m_moves.size(); ++index)
        if (m_moves[index].cookie == event.cookie) {
          from = &m_moves[index];
          break;
        }
      if (from) {
        const PendingMove move = *from;
        m_moves.erase(m_moves.begin() + static_cast<std::ptrdiff_t>(index));
        HandleMove(&move, event.wd, name, isFolder);
      } else {
        HandleMove(nullptr, event.wd, name, isFolder);
      }
      continue;
    }
    const auto found = m_views.find(event.wd);
    if (found == m_views.end()) continue;
    // Copies: AddTree may add views to this very list.
    const std::vector<View> views = found->second;
    // Entries that overlap see the folder once.
    std::set<std::pair<WatcherState*, std::string>> done;
    for (const View& view : views) {
      if (!view.name.empty() && view.name != name) continue;
      if (!done.emplace(view.owner, view.path).second) continue;
      const std::string path = JoinWatchPath(view.path, name);
      if (event.mask & IN_CREATE) {
        Add(*view.owner, {ChangeKind::Created, path, "", isFolder});
        if (isFolder && view.recursive) AddTree(view, path, true);
      }
      if (event.mask & IN_DELETE) Add(*view.owner, {ChangeKind::Deleted, path, "", isFolder});
      if (event.mask & IN_ATTRIB) Add(*view.owner, {ChangeKind::Attributes, path, "", isFolder});
      if (event.mask & IN_MODIFY) {
        Add(*view.owner, {ChangeKind::Modified, path, "", isFolder});
        m_modified.emplace(event.wd, name);
      }
      if ((event.mask & IN_CLOSE_WRITE) && m_modified.count({event.wd, name}))
        Add(*view.owner, {ChangeKind::Written, path, "", isFolder});
    }
    if (event.mask & (IN_CLOSE_WRITE | IN_DELETE)) m_modified.erase({event.wd, name});
  }
}

void Engine::HandleMove(const PendingMove* from, int toWd, const std::string& toName, bool isFolder) {
  // Each watcher sees the move by where it watches: both sides a rename, one
  // side a deletion or a creation.
  std::map<WatcherState*, std::pair<const View*, const View*>> sides;
  std::vector<View> fromViews;
  std::vector<View> toViews;
  if (from) {
    if (auto found = m_views.find(from->wd); found != m_views.end()) fromViews = found->second;
  }
  if (toWd >= 0) {
    if (auto found = m_views.find(toWd); found != m_views.end()) toViews = found->second;
  }
  for (const View& view : fromViews)
    if (view.name.empty() || view.name == from->name) {
      auto& side = sides[view.owner];
      if (!side.first) side.first = &view;
    }
  if (!toName.empty())
    for (const View& view : toViews)
      if (view.name.empty() || view.name == toName) {
        auto& side = sides[view.owner];
        if (!side.second) side.second = &view;
      }
  for (auto& [owner, side] : sides) {
    const View* fromView = side.first;
    const View* toView = side.second;
    if (fromView && toView) {
      const std::string oldPath = JoinWatchPath(fromView->path, from->name);
      const std::string newPath = JoinWatchPath(toView->path, toName);
      Add(*owner, {ChangeKind::Renamed, newPath, oldPath, isFolder});
      if (isFolder) {
        if (!toView->recursive) {
          RemoveSubtree(*owner, oldPath);
        } else if (HasRecursiveWatch(*owner, oldPath)) {
          RenameSubtree(*owner, oldPath, newPath);
        } else {
          AddTree(*toView, newPath, false);
        }
      }
    } else if (fromView) {
      const std::string oldPath = JoinWatchPath(fromView->path, from->name);
      Add(*owner, {ChangeKind::Deleted, oldPath, "", from->isFolder});
      if (from->isFolder) RemoveSubtree(*owner, oldPath);
    } else if (toView) {
      const std::string newPath = JoinWatchPath(toView->path, toName);
      Add(*owner, {ChangeKind::Created, newPath, "", isFolder});
      if (isFolder && toView->recursive) AddTree(*toView, newPath, true);
    }
  }
}

void Engine::FlushMoves(bool all) {
  std::vector<PendingMove> stale;
  std::vector<PendingMove> kept;
  for (PendingMove& move : m_moves) (all || move.read < m_reads ? stale : kept).push_back(std::move(move));
  m_moves = std::move(kept);
  for (const PendingMove& move : stale) HandleMove(&move, -1, "", move.isFolder);
}

void Engine::Add(WatcherState& owner, ChangeItem item) {
  {
    const std::lock_guard lock(owner.batchLock);
    const char tag = static_cast<char>('0' + static_cast<int>(item.kind));
    switch (item.kind) {
      case ChangeKind::Created:
      case ChangeKind::Modified:
      case ChangeKind::Attributes:
      case ChangeKind::Written:
      case ChangeKind::Overflow:
        if (!owner.seen.insert(tag + item.path).second) return;
        break;
      case ChangeKind::Deleted:
        owner.seen.erase(static_cast<char>('0' + static_cast<int>(ChangeKind::Created)) + item.path);
        break;
      case ChangeKind::Renamed:
        owner.seen.erase(static_cast<char>('0' + static_cast<int>(ChangeKind::Created)) + item.oldPath);
        break;
      case ChangeKind::RootGone: break;
    }
    owner.batch.push_back(std::move(item));
  }
  m_dirty.insert(&owner);
}

void Engine::PostDirty() {
  for (WatcherState* state : m_dirty) {
    const auto found = m_states.find(state);
    if (found == m_states.end()) continue;
    {
      const std::lock_guard lock(state->batchLock);
      if (state->posted || state->batch.empty()) continue;
      state->posted = true;
    }
    PostToMain([weak = found->second] {
      const auto alive = weak.lock();
      if (!alive) return;
      std::vector<ChangeItem> batch;
      {
        const std::lock_guard lock(alive->batchLock);
        batch.swap(alive->batch);
        alive->seen.clear();
        alive->posted = false;
      }
      if (!batch.empty() && alive->deliver) alive->deliver(std::move(batch));
    });
  }
  m_dirty.clear();
}

int Engine::AddView(View view, bool followLinks) {
  const std::uint32_t mask = kWatchMask | (followLinks ? 0u : static_cast<std::uint32_t>(IN_DONT_FOLLOW));
  const int wd = inotify_add_watch(m_fd, view.path.c_str(), mask);
  if (wd < 0) return -errno;
  WatcherState* owner = view.owner;
  std::vector<View>& views = m_views[wd];
  for (const View& existing : views)
    if (existing.owner == owner && existing.path == view.path && existing.name == view.name) return wd;
  views.push_back(std::move(view));
  owner->wds.insert(wd);
  return wd;
}

void Engine::RemoveViews(WatcherState& owner, const std::function<bool(const View&)>& drop) {
  const std::set<int> wds = owner.wds;
  for (int wd : wds) {
    auto found = m_views.find(wd);
    if (found == m_views.end()) continue;
    auto& views = found->second;
    std::erase_if(views, [&](const View& view) { return view.owner == &owner && drop(view); });
    bool stillMine = false;
    for (const View& view : views) stillMine = stillMine || view.owner == &owner;
    if (!stillMine) owner.wds.erase(wd);
    if (views.empty()) {
      inotify_rm_watch(m_fd, wd);
      m_views.erase(found);
    }
  }
}

void Engine::RemoveSubtree(WatcherState& owner, const std::string& folder) {
  RemoveViews(owner, [&](const View& view) { return IsBelowOrSame(view.path, folder); });
}

void Engine::RemoveEntry(WatcherState& owner, const std::string& entryPath) {
  RemoveViews(owner, [&](const View& view) { return view.entryPath == entryPath; });
  std::erase_if(owner.entries, [&](const WatchEntry& entry) { return entry.path == entryPath; });
}

void Engine::RenameSubtree(WatcherState& owner, const std::string& oldPath, const std::string& newPath) {
  for (int wd : owner.wds) {
    auto found = m_views.find(wd);
    if (found == m_views.end()) continue;
    for (View& view : found->second)
      if (view.owner == &owner && IsBelowOrSame(view.path, oldPath))
        view.path = newPath + view.path.substr(oldPath.size());
  }
}

bool Engine::HasRecursiveWatch(const WatcherState& owner, const std::string& path) const {
  for (int wd : owner.wds) {
    const auto found = m_views.find(wd);
    if (found == m_views.end()) continue;
    for (const View& view : found->second)
      if (view.owner == &owner && view.path == path) return true;
  }
  return false;
}

void Engine::LogLimit(WatcherState& owner, const std::string& path) {
  if (m_limitLogged) return;
  m_limitLogged = true;
  const auto found = m_states.find(&owner);
  if (found == m_states.end()) return;
  std::string line = "Cannot watch \"" + path + "\": " + std::strerror(ENOSPC) +
                     " (the system's watch limit fs.inotify.max_user_watches is reached)";
  PostToMain([weak = found->second, line = std::move(line)] {
    if (const auto alive = weak.lock(); alive && alive->log) alive->log(line);
  });
}

void Engine::AddTree(const View& parent, const std::string& folder, bool report) {
  // Depth first; each folder is watched before it is listed, so an entry made
  // meanwhile is either listed or reported by its own event.
  std::vector<std::string> pending{folder};
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    View view;
    view.owner = parent.owner;
    view.path = current;
    view.recursive = true;
    view.entryPath = parent.entryPath;
    const int wd = AddView(std::move(view), false);
    if (wd < 0) {
      if (-wd == ENOSPC) LogLimit(*parent.owner, current);
      continue;
    }
    ForEachEntry(current, [&](const std::string& path, unsigned char type) {
      const bool isFolder = IsFolderEntry(path, type);
      if (report) Add(*parent.owner, {ChangeKind::Created, path, "", isFolder});
      if (isFolder) pending.push_back(path);
    });
  }
}

void Engine::Rescan() {
  // Folders made while events were lost get their watches; nothing is reported.
  for (auto& [state, weak] : m_states) {
    for (const WatchEntry& entry : state->entries) {
      if (!entry.recursive) continue;
      View root;
      root.owner = state;
      root.entryPath = entry.path;
      std::vector<std::string> pending{entry.path};
      while (!pending.empty()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        if (!HasRecursiveWatch(*state, current)) {
          AddTree(root, current, false);
          continue;
        }
        ForEachEntry(current, [&](const std::string& path, unsigned char type) {
          if (type == DT_DIR) pending.push_back(path);
        });
      }
    }
  }
}

WatchResult Engine::Watch(const std::shared_ptr<WatcherState>& state, const std::vector<WatchEntry>& entries) {
  WatchResult result;
  const std::lock_guard lock(m_lock);
  ForgetLocked(*state);
  m_states[state.get()] = state;
  {
    const std::lock_guard batch(state->batchLock);
    state->batch.clear();
    state->seen.clear();
  }
  for (const WatchEntry& given : entries) {
    WatchEntry entry{NormalizeWatchPath(given.path), given.recursive};
    struct stat info {};
    if (entry.path.empty() || stat(entry.path.c_str(), &info) != 0) {
      result.failures.push_back({given.path, entry.path.empty() ? ENOENT : errno});
      continue;
    }
    View view;
    view.owner = state.get();
    view.root = true;
    view.entryPath = entry.path;
    if (S_ISDIR(info.st_mode)) {
      if (access(entry.path.c_str(), R_OK | X_OK) != 0) {
        result.failures.push_back({given.path, errno});
        continue;
      }
      view.path = entry.path;
      view.recursive = entry.recursive;
    } else {
      const auto slash = entry.path.find_last_of('/');
      view.path = slash == std::string::npos ? "." : slash == 0 ? "/" : entry.path.substr(0, slash);
      view.name = entry.path.substr(slash == std::string::npos ? 0 : slash + 1);
      view.recursive = false;
    }
    const int wd = AddView(view, true);
    if (wd < 0) {
      if (-wd == ENOSPC) LogLimit(*state, entry.path);
      result.failures.push_back({given.path, -wd});
      continue;
    }
    state->entries.push_back(entry);
    if (view.recursive) {
      // The root is watched; its sub-folders get theirs.
      std::vector<std::string> subfolders;
      ForEachEntry(entry.path, [&](const std::string& path, unsigned char type) {
        if (IsFolderEntry(path, type)) subfolders.push_back(path);
      });
      for (const std::string& sub : subfolders) AddTree(view, sub, false);
    }
  }
  return result;
}

void Engine::ForgetLocked(WatcherState& state) {
  RemoveViews(state, [](const View&) { return true; });
  state.wds.clear();
  state.entries.clear();
  m_dirty.erase(&state);
  m_states.erase(&state);
}

void Engine::Forget(WatcherState& state) {
  const std::lock_guard lock(m_lock);
  ForgetLocked(state);
}

bool Engine::Watching(const WatcherState& state) {
  const std::lock_guard lock(m_lock);
  return !state.entries.empty();
}

}  // namespace inotify_detail

InotifyWatcher::InotifyWatcher(Deliver deliver, LogSink log)
    : m_state(std::make_shared<inotify_detail::WatcherState>()) {
  m_state->deliver = std::move(deliver);
  m_state->log = std::move(log);
}

InotifyWatcher::~InotifyWatcher() { Stop(); }

WatchResult InotifyWatcher::Watch(const std::vector<WatchEntry>& entries) {
  if (entries.empty()) {
    Stop();
    return {};
  }
  if (!m_engine) m_engine = inotify_detail::Engine::Acquire();
  if (const int error = m_engine->Error()) {
    m_engine.reset();
    WatchResult result;
    result.engineError = error;
    return result;
  }
  WatchResult result = m_engine->Watch(m_state, entries);
  if (!m_engine->Watching(*m_state)) Stop();
  return result;
}

void InotifyWatcher::Stop() {
  if (!m_engine) return;
  m_engine->Forget(*m_state);
  m_engine.reset();
  // Anything already posted finds no batch.
  const std::lock_guard lock(m_state->batchLock);
  m_state->batch.clear();
  m_state->seen.clear();
}

bool InotifyWatcher::Watching() const { return m_engine && m_engine->Watching(*m_state); }

int InotifyWatcher::EngineError() {
  {
    const std::lock_guard lock(inotify_detail::g_engineLock);
    if (!inotify_detail::g_engine.expired()) return 0;
  }
  const int fd = inotify_init1(IN_CLOEXEC);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

int InotifyWatcher::QueuedEventsLimit() {
  std::ifstream file("/proc/sys/fs/inotify/max_queued_events");
  int limit = 0;
  file >> limit;
  return limit;
}

}  // namespace halbrin::platform
