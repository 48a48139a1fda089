#include "components/shell/shell_notify_ex.h"

#include <gio/gio.h>
#include <gio/gunixmounts.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "components/shell/shell_notifier_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "platform/base/exception.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::uint32_t kEventCodes[] = {
    SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES,     SHCNE_CREATE,      SHCNE_DELETE,     SHCNE_DRIVEADD,
    SHCNE_DRIVEADDGUI,  SHCNE_DRIVEREMOVED,   SHCNE_MEDIAINSERTED, SHCNE_MEDIAREMOVED, SHCNE_MKDIR,
    SHCNE_NETSHARE,     SHCNE_NETUNSHARE,     SHCNE_RENAMEFOLDER, SHCNE_RENAMEITEM, SHCNE_RMDIR,
    SHCNE_SERVERDISCONNECT, SHCNE_UPDATEDIR,  SHCNE_UPDATEIMAGE, SHCNE_UPDATEITEM, SHCNE_FREESPACE,
};

constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002);
constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);

[[noreturn]] void ThrowPathError(int error) {
  if (error == EACCES || error == EPERM) throw EOleError(kAccessDenied, "Access is denied");
  throw EOleError(kFileNotFound, "The system cannot find the file specified");
}

}  // namespace

const TEnumInfo& ShellNotifyEventEnumInfo() {
  static const TEnumInfo info(
      "TShellNotifyEvent",
      {"sneAssocChanged", "sneAttributes", "sneCreate", "sneDelete", "sneDriveAdd", "sneDriveAddGUI",
       "sneDriveRemoved", "sneMediaInserted", "sneMediaRemoved", "sneMkDir", "sneNetShare", "sneNetUnshare",
       "sneRenameFolder", "sneRenameItem", "sneRmDir", "sneServerDisconnect", "sneUpdateDir", "sneUpdateImage",
       "sneUpdateItem", "sneFreeSpace"});
  return info;
}

const TEnumInfo& ShellNotifyModeEnumInfo() {
  static const TEnumInfo info("TShellNotifyMode", {"snmSimple", "snmMultiple"});
  return info;
}

const TEnumInfo& ShellNotifyOptionEnumInfo() {
  static const TEnumInfo info("TShellNotifyOption", {"snoInterruptLevel", "snoShellLevel", "snoRecursiveInterrupt"});
  return info;
}

std::uint32_t ShellNotifyEventCode(TShellNotifyEvent event) noexcept {
  return event <= sneFreeSpace ? kEventCodes[event] : 0;
}

std::uint32_t ShellNotifyEventsToFlags(TShellNotifyEvents events) noexcept {
  std::uint32_t flags = 0;
  for (std::uint32_t n = 0; n <= sneFreeSpace; ++n)
    if (events & (1u << n)) flags |= kEventCodes[n];
  return flags;
}

TShellNotifyEvents ShellNotifyEventsFromFlags(std::uint32_t flags) noexcept {
  TShellNotifyEvents events = 0;
  for (std::uint32_t n = 0; n <= sneFreeSpace; ++n)
    if (flags & kEventCodes[n]) events |= 1u << n;
  return events;
}

std::vector<ShellNotifyChange> ShellNotifyChangesOf(const ChangeItem& item,
                                                    const std::vector<std::string>& entryPaths) {
  switch (item.kind) {
    case ChangeKind::Created: return {{item.isFolder ? SHCNE_MKDIR : SHCNE_CREATE, item.path, ""}};
    case ChangeKind::Deleted: return {{item.isFolder ? SHCNE_RMDIR : SHCNE_DELETE, item.path, ""}};
    case ChangeKind::Renamed:
      return {{item.isFolder ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, item.oldPath, item.path}};
    case ChangeKind::Attributes: return {{SHCNE_ATTRIBUTES, item.path, ""}};
    case ChangeKind::Written: return {{SHCNE_UPDATEITEM, item.path, ""}};
    case ChangeKind::Modified: return {};
    case ChangeKind::RootGone: return {{SHCNE_RMDIR, item.path, ""}};
    case ChangeKind::Overflow: {
      std::vector<ShellNotifyChange> changes;
      for (const std::string& path : entryPaths) changes.push_back({SHCNE_UPDATEDIR, path, ""});
      return changes;
    }
  }
  return {};
}

namespace {

bool IsBelowOrAt(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '/');
}

bool BelowAnEntry(const std::string& mountPoint, const std::vector<std::string>& entryPaths) {
  for (const std::string& entry : entryPaths)
    if (IsBelowOrAt(mountPoint, entry)) return true;
  return false;
}

std::vector<std::string> MountPoints() {
  std::vector<std::string> points;
  GList* mounts = g_unix_mounts_get(nullptr);
  for (GList* item = mounts; item; item = item->next) {
    auto* mount = static_cast<GUnixMountEntry*>(item->data);
    points.emplace_back(g_unix_mount_get_mount_path(mount));
    g_unix_mount_free(mount);
  }
  g_list_free(mounts);
  return points;
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

std::vector<ShellNotifyChange> MountChanges(const std::vector<std::string>& before,
                                            const std::vector<std::string>& after,
                                            const std::vector<std::string>& entryPaths) {
  const std::set<std::string> old(before.begin(), before.end());
  const std::set<std::string> now(after.begin(), after.end());
  std::vector<ShellNotifyChange> changes;
  for (const std::string& point : now)
    if (!old.count(point) && BelowAnEntry(point, entryPaths)) changes.push_back({SHCNE_DRIVEADD, WithSlash(point), ""});
  for (const std::string& point : old)
    if (!now.count(point) && BelowAnEntry(point, entryPaths))
      changes.push_back({SHCNE_DRIVEREMOVED, WithSlash(point), ""});
  return changes;
}

// The system-wide notices of an open component: mounts coming and going
// (GUnixMountMonitor, diffed) and installed applications or defaults
// changing (GAppInfoMonitor). Signals are disconnected before it goes.
class ShellSystemMonitors {
 public:
  ShellSystemMonitors(TShellNotifyEx& owner, bool mounts, bool associations) : m_owner(owner) {
    if (mounts) {
      m_mountPoints = MountPoints();
      m_mountMonitor = g_unix_mount_monitor_get();
      g_signal_connect_swapped(m_mountMonitor, "mounts-changed", G_CALLBACK(+[](ShellSystemMonitors* self) {
                                 self->MountsChanged();
                               }),
                               this);
    }
    if (associations) {
      m_appMonitor = g_app_info_monitor_get();
      g_signal_connect_swapped(m_appMonitor, "changed", G_CALLBACK(+[](ShellSystemMonitors* self) {
                                 self->ApplicationsChanged();
                               }),
                               this);
      ArmApplicationMonitor();
    }
  }
  ~ShellSystemMonitors() {
    if (m_mountMonitor) {
      g_signal_handlers_disconnect_by_data(m_mountMonitor, this);
      g_object_unref(m_mountMonitor);
    }
    if (m_appMonitor) {
      g_signal_handlers_disconnect_by_data(m_appMonitor, this);
      g_object_unref(m_appMonitor);
    }
  }
  ShellSystemMonitors(const ShellSystemMonitors&) = delete;
  ShellSystemMonitors& operator=(const ShellSystemMonitors&) = delete;

 private:
  // The monitor reports once after each reading of the list.
  static void ArmApplicationMonitor() {
    GList* all = g_app_info_get_all();
    g_list_free_full(all, g_object_unref);
  }

  void ApplicationsChanged() {
    // Read again before delivering: the handler may close or free the owner.
    ArmApplicationMonitor();
    m_owner.DeliverChanges({{SHCNE_ASSOCCHANGED, "", ""}});
  }

  void MountsChanged() {
    std::vector<std::string> now = MountPoints();
    const std::vector<ShellNotifyChange> changes = MountChanges(m_mountPoints, now, m_owner.m_entryPaths);
    m_mountPoints = std::move(now);
    if (!changes.empty()) m_owner.DeliverChanges(changes);
  }

  TShellNotifyEx& m_owner;
  GUnixMountMonitor* m_mountMonitor = nullptr;
  GAppInfoMonitor* m_appMonitor = nullptr;
  std::vector<std::string> m_mountPoints;
};

// ------------------------------------------------------------ TShellNotifyItem

HALBRIN_DEFINE_CLASS(TShellNotifyItem,
                     .Property("recursive", &TShellNotifyItem::Recursive, &TShellNotifyItem::SetRecursive)
                     .Property("selected", &TShellNotifyItem::Selected, &TShellNotifyItem::SetSelected))

void TShellNotifyItem::SetName(const std::string& name) {
  if (name == Name()) return;
  TCollectionNamedItem::SetName(name);
  Changed(false);
}

void TShellNotifyItem::SetRecursive(bool recursive) {
  if (recursive == m_recursive) return;
  m_recursive = recursive;
  Changed(false);
}

void TShellNotifyItem::SetSelected(bool selected) {
  if (selected == m_selected) return;
  m_selected = selected;
  Changed(false);
}

void TShellNotifyItem::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TShellNotifyItem*>(&source)) {
    TCollectionNamedItem::SetName(other->Name());
    m_recursive = other->m_recursive;
    m_selected = other->m_selected;
    Changed(false);
    return;
  }
  TCollectionNamedItem::Assign(source);
}

// ----------------------------------------------------------- TShellNotifyItems

HALBRIN_DEFINE_CLASS(TShellNotifyItems, )

TShellNotifyItems::TShellNotifyItems(TShellNotifyEx* shellNotify)
    : TNamedItemCollection(shellNotify, TShellNotifyItem::StaticClassInfo(), FactoryOf<TShellNotifyItem>()),
      m_shellNotify(shellNotify) {
  SetCaseSensitive(true);
}

TCollectionItem* TShellNotifyItems::ItemByName(std::string_view name) const {
  if (TCollectionItem* found = TNamedItemCollection::ItemByName(name)) return found;
  return &const_cast<TShellNotifyItems*>(this)->AddItem(std::string(name));
}

TShellNotifyItem& TShellNotifyItems::AddItem(const std::string& name) {
  const TUpdateScope update(*this);
  auto& item = static_cast<TShellNotifyItem&>(Add());
  item.SetName(name);
  return item;
}

int TShellNotifyItems::SelectAll(bool selected) {
  const TUpdateScope update(*this);
  for (int i = 0; i < Count(); ++i) Item(i)->SetSelected(selected);
  return Count();
}

void TShellNotifyItems::Update(TCollectionItem* item) {
  TNamedItemCollection::Update(item);
  if (m_shellNotify) m_shellNotify->ItemsChanged();
}

// -------------------------------------------------------------- TShellNotifyEx

HALBRIN_DEFINE_CLASS(TShellNotifyEx,
                     .Property("active", &TShellNotifyEx::Active, &TShellNotifyEx::SetActive)
                     .Property("flags", &TShellNotifyEx::Flags, &TShellNotifyEx::SetFlags)
                     .Property("item", &TShellNotifyEx::Item, &TShellNotifyEx::SetItem)
                     .Property("items", [](const TShellNotifyEx& self) { return &self.Items(); },
                               &TShellNotifyEx::SetItems)
                     .Owned()
                     .Enum("mode", &TShellNotifyEx::Mode, &TShellNotifyEx::SetMode, ShellNotifyModeEnumInfo())
                     .Set("notifyEvents", &TShellNotifyEx::NotifyEvents, &TShellNotifyEx::SetNotifyEvents,
                          ShellNotifyEventEnumInfo(), "TShellNotifyEvents")
                     .Stored(false)
                     .Event("onChange", &TShellNotifyEx::m_onChange, "TShellNotifyChangeEvent")
                     .Set("options", &TShellNotifyEx::Options, &TShellNotifyEx::SetOptions,
                          ShellNotifyOptionEnumInfo(), "TShellNotifyOptions")
                     .Property("recursive", &TShellNotifyEx::Recursive, &TShellNotifyEx::SetRecursive)
                     .Handler("changeHandler", &TShellNotifyEx::changeHandler))

TShellNotifyEx::TShellNotifyEx(TComponent* owner) : TCustomExecutableComponentEx(owner) {}

TShellNotifyEx::~TShellNotifyEx() {
  m_monitors.reset();
  m_watcher.reset();
  // The items must not call back into a component being destroyed.
  m_items.reset();
}

TShellNotifyItems& TShellNotifyEx::Items() const {
  if (!m_items) {
    m_items = std::make_unique<TShellNotifyItems>(const_cast<TShellNotifyEx*>(this));
    m_items->SetPropName("items");
  }
  return *m_items;
}

void TShellNotifyEx::SetItems(TShellNotifyItems* items) {
  if (items && items != m_items.get()) Items().Assign(*items);
}

void TShellNotifyEx::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void TShellNotifyEx::SetFlags(std::uint32_t flags) {
  if (flags == m_flags) return;
  m_flags = flags;
  Reopen();
}

void TShellNotifyEx::SetItem(const std::string& item) {
  if (item == m_item) return;
  m_item = item;
  if (m_mode == TShellNotifyMode::snmSimple) Reopen();
}

void TShellNotifyEx::SetRecursive(bool recursive) {
  if (recursive == m_recursive) return;
  m_recursive = recursive;
  if (m_mode == TShellNotifyMode::snmSimple) Reopen();
}

void TShellNotifyEx::SetMode(TShellNotifyMode mode) {
  if (mode == m_mode) return;
  m_mode = mode;
  Reopen();
}

void TShellNotifyEx::SetOptions(TShellNotifyOptions options) {
  if (options == m_options) return;
  m_options = options;
  Reopen();
}

void TShellNotifyEx::ItemsChanged() {
  if (m_mode == TShellNotifyMode::snmMultiple) Reopen();
}

void TShellNotifyEx::Reopen() {
  if (m_active) Open();
}

void TShellNotifyEx::Open() {
  Close();
  std::vector<WatchEntry> entries;
  if (m_mode == TShellNotifyMode::snmMultiple) {
    if (m_items)
      for (int i = 0; i < m_items->Count(); ++i) {
        const TShellNotifyItem& item = *m_items->Item(i);
        if (item.Selected()) entries.push_back({item.Name(), item.Recursive()});
      }
  } else if (!m_item.empty()) {
    entries.push_back({m_item, m_recursive});
  }
  for (const WatchEntry& entry : entries) {
    struct stat info {};
    if (entry.path.empty() || stat(entry.path.c_str(), &info) != 0) ThrowPathError(entry.path.empty() ? ENOENT : errno);
    if (access(entry.path.c_str(), R_OK) != 0) ThrowPathError(errno);
  }
  m_entryPaths.clear();
  for (const WatchEntry& entry : entries) m_entryPaths.push_back(NormalizeWatchPath(entry.path));
  if (!entries.empty()) {
    auto watcher = std::make_unique<InotifyWatcher>(
        [this](std::vector<ChangeItem> batch) { Deliver(batch); },
        [](const std::string& line) { ApplicationHooks().Log("TShellNotifyEx", line); });
    const WatchResult result = watcher->Watch(entries);
    if (result.engineError) {
      Close();
      throw EComponentError("Shell notification is not supported");
    }
    if (!result.failures.empty()) {
      Close();
      ThrowPathError(result.failures.front().error);
    }
    m_watcher = std::move(watcher);
  }
  const std::uint32_t mask = EventMask();
  const bool mounts = !m_entryPaths.empty() && (mask & (SHCNE_DRIVEADD | SHCNE_DRIVEREMOVED));
  const bool associations = (mask & SHCNE_ASSOCCHANGED) != 0;
  if (mounts || associations) m_monitors = std::make_unique<ShellSystemMonitors>(*this, mounts, associations);
  m_active = true;
}

void TShellNotifyEx::Close() {
  m_monitors.reset();
  m_watcher.reset();
  m_entryPaths.clear();
  m_active = false;
}

void TShellNotifyEx::Deliver(const std::vector<ChangeItem>& batch) {
  const std::uint32_t mask = EventMask();
  std::vector<ShellNotifyChange> changes;
  std::set<std::pair<std::uint32_t, std::pair<std::string, std::string>>> seen;
  for (const ChangeItem& item : batch)
    for (ShellNotifyChange& change : ShellNotifyChangesOf(item, m_entryPaths)) {
      // A lost-events notice is the only sign that events were lost: always delivered.
      if (change.code != SHCNE_UPDATEDIR && !(mask & change.code)) continue;
      if (change.code == SHCNE_UPDATEDIR && !seen.insert({change.code, {change.path1, change.path2}}).second)
        continue;
      changes.push_back(std::move(change));
    }
  DeliverChanges(changes);
}

void TShellNotifyEx::DeliverChanges(const std::vector<ShellNotifyChange>& changes) {
  const TBusyGuard busy(*this);
  // The handler may close, re-open or free the component.
  TWeakRef<TObject> self(this);
  for (const ShellNotifyChange& change : changes) {
    if (!self.Get() || !m_active) return;
    m_onChange(this, static_cast<int>(change.code), change.path1, change.path2);
  }
}

void TShellNotifyEx::changeHandler(TObject*, int event, const std::string& path1, const std::string& path2) {
  const Variant args[] = {Variant(Name()), Variant(event), Variant(path1), Variant(path2)};
  FireEvent("change", args, nullptr);
}

void TShellNotifyEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "open")) {
    SetActive(true);
  } else if (SameText(word, "close")) {
    SetActive(false);
  } else if (SameText(word, "selectall")) {
    ExecResult() = Items().SelectAll(true);
  } else if (SameText(word, "deselectall")) {
    ExecResult() = Items().SelectAll(false);
  } else if (SameText(word, "beginupdate")) {
    Items().BeginUpdate();
  } else if (SameText(word, "endupdate")) {
    if (Items().UpdateCount() > 0) Items().EndUpdate();
  } else if (SameText(word, "clear")) {
    Items().Clear();
  } else {
    Inherited::SetExec(value);
  }
}

void RegisterShellNotifyComponentTypes() {
  RegisterComponentClass<TShellNotifierEx>("shellnotifier");
  RegisterComponentType("shellnotify", [](TComponent& owner) -> std::unique_ptr<TComponent> {
    if (InotifyWatcher::EngineError() != 0) throw EComponentError("Shell notification is not supported");
    return std::make_unique<TShellNotifyEx>(&owner);
  });
}

}  // namespace halbrin
