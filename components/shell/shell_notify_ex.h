#pragma once

// The shell change notification ("shellnotify"): reports each change on one
// path (`item`) or on the selected `items` with its SHCNE_* event code and the
// paths involved, as "change" [name, code, first path, second path].
//
//   <shellnotify id="docs" item="/srv/docs" flags="0" active="true">
//     <events><event id="onchange" xml="docsChanged"/></events>
//   </shellnotify>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/foundation/named_item_collection.h"
#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/shell/inotify_watcher.h"

namespace halbrin {

// The shell's event codes.
inline constexpr std::uint32_t SHCNE_RENAMEITEM = 0x1;
inline constexpr std::uint32_t SHCNE_CREATE = 0x2;
inline constexpr std::uint32_t SHCNE_DELETE = 0x4;
inline constexpr std::uint32_t SHCNE_MKDIR = 0x8;
inline constexpr std::uint32_t SHCNE_RMDIR = 0x10;
inline constexpr std::uint32_t SHCNE_MEDIAINSERTED = 0x20;
inline constexpr std::uint32_t SHCNE_MEDIAREMOVED = 0x40;
inline constexpr std::uint32_t SHCNE_DRIVEREMOVED = 0x80;
inline constexpr std::uint32_t SHCNE_DRIVEADD = 0x100;
inline constexpr std::uint32_t SHCNE_NETSHARE = 0x200;
inline constexpr std::uint32_t SHCNE_NETUNSHARE = 0x400;
inline constexpr std::uint32_t SHCNE_ATTRIBUTES = 0x800;
inline constexpr std::uint32_t SHCNE_UPDATEDIR = 0x1000;
inline constexpr std::uint32_t SHCNE_UPDATEITEM = 0x2000;
inline constexpr std::uint32_t SHCNE_SERVERDISCONNECT = 0x4000;
inline constexpr std::uint32_t SHCNE_UPDATEIMAGE = 0x8000;
inline constexpr std::uint32_t SHCNE_DRIVEADDGUI = 0x10000;
inline constexpr std::uint32_t SHCNE_RENAMEFOLDER = 0x20000;
inline constexpr std::uint32_t SHCNE_FREESPACE = 0x40000;
inline constexpr std::uint32_t SHCNE_ASSOCCHANGED = 0x8000000;
inline constexpr std::uint32_t SHCNE_ALLEVENTS = 0x7FFFFFFF;
inline constexpr std::uint32_t kDefaultShellNotifyFlags = 0x2001F;

// Elements of TShellNotifyEvents, in order; bit n of the set is element n.
enum TShellNotifyEvent : std::uint32_t {
  sneAssocChanged, sneAttributes, sneCreate, sneDelete, sneDriveAdd, sneDriveAddGUI, sneDriveRemoved,
  sneMediaInserted, sneMediaRemoved, sneMkDir, sneNetShare, sneNetUnshare, sneRenameFolder, sneRenameItem,
  sneRmDir, sneServerDisconnect, sneUpdateDir, sneUpdateImage, sneUpdateItem, sneFreeSpace,
};
using TShellNotifyEvents = std::uint32_t;
const platform::TEnumInfo& ShellNotifyEventEnumInfo();
// The SHCNE_* constant of a member.
std::uint32_t ShellNotifyEventCode(TShellNotifyEvent event) noexcept;
// The OR of the members' constants, and the members whose constant `flags` holds.
std::uint32_t ShellNotifyEventsToFlags(TShellNotifyEvents events) noexcept;
TShellNotifyEvents ShellNotifyEventsFromFlags(std::uint32_t flags) noexcept;

enum class TShellNotifyMode : std::uint32_t { snmSimple, snmMultiple };
const platform::TEnumInfo& ShellNotifyModeEnumInfo();

// Elements of TShellNotifyOptions (stored only: Linux has no interrupt or shell level).
enum TShellNotifyOption : std::uint32_t { snoInterruptLevel, snoShellLevel, snoRecursiveInterrupt };
using TShellNotifyOptions = std::uint32_t;
const platform::TEnumInfo& ShellNotifyOptionEnumInfo();

// One change as the script sees it.
struct ShellNotifyChange {
  std::uint32_t code = 0;
  std::string path1;
  std::string path2;
  friend bool operator==(const ShellNotifyChange&, const ShellNotifyChange&) = default;
};

// The shell events of one engine item: renames give the old path first; a
// lost-events item gives SHCNE_UPDATEDIR for each entry; a root gone
// SHCNE_RMDIR for it. Modifications alone give nothing (a write shows on closing).
std::vector<ShellNotifyChange> ShellNotifyChangesOf(const platform::ChangeItem& item,
                                                    const std::vector<std::string>& entryPaths);

// The mounts that appeared below an entry (SHCNE_DRIVEADD) and went
// (SHCNE_DRIVEREMOVED) between two lists of mount points; paths end in "/".
std::vector<ShellNotifyChange> MountChanges(const std::vector<std::string>& before,
                                            const std::vector<std::string>& after,
                                            const std::vector<std::string>& entryPaths);

class TShellNotifyEx;
class ShellSystemMonitors;

class TShellNotifyItem : public TCollectionNamedItem {
  HALBRIN_CLASS(TShellNotifyItem, TCollectionNamedItem)

  TShellNotifyItem() = default;

  void SetName(const std::string& name) override;
  bool Recursive() const noexcept { return m_recursive; }
  void SetRecursive(bool recursive);
  bool Selected() const noexcept { return m_selected; }
  void SetSelected(bool selected);
  // From another TShellNotifyItem: name, recursive and selected.
  void Assign(const platform::TPersistent& source) override;

 private:
  bool m_recursive = true;
  bool m_selected = true;
};

// Names are paths: matched byte for byte. Looking up a missing name adds it.
class TShellNotifyItems : public TNamedItemCollection {
  HALBRIN_CLASS(TShellNotifyItems, TNamedItemCollection)

  explicit TShellNotifyItems(TShellNotifyEx* shellNotify = nullptr);

  TShellNotifyEx* ShellNotify() const noexcept { return m_shellNotify; }
  TShellNotifyItem* Item(int index) const { return static_cast<TShellNotifyItem*>(Items(index)); }
  platform::TCollectionItem* ItemByName(std::string_view name) const override;
  TShellNotifyItem& AddItem(const std::string& name);
  // Sets every item's `selected`; the item count.
  int SelectAll(bool selected);

 protected:
  void Update(platform::TCollectionItem* item) override;

 private:
  TShellNotifyEx* m_shellNotify;
};

// (Sender, event code, first path, second path)
using TShellNotifyChangeEvent =
    platform::TEvent<platform::TObject*, int, const std::string&, const std::string&>;

class TShellNotifyEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TShellNotifyEx, TCustomExecutableComponentEx)

  explicit TShellNotifyEx(platform::TComponent* owner = nullptr);
  ~TShellNotifyEx() override;

  std::string GetTypeName() const override { return "shellnotify"; }

  // True while opened. Writing true opens (closing first), false closes.
  bool Active() const noexcept { return m_active; }
  void SetActive(bool active);
  std::uint32_t Flags() const noexcept { return m_flags; }
  void SetFlags(std::uint32_t flags);
  // `flags`, or SHCNE_ALLEVENTS when it is 0.
  std::uint32_t EventMask() const noexcept { return m_flags == 0 ? SHCNE_ALLEVENTS : m_flags; }
  TShellNotifyEvents NotifyEvents() const noexcept { return ShellNotifyEventsFromFlags(m_flags); }
  void SetNotifyEvents(TShellNotifyEvents events) { SetFlags(ShellNotifyEventsToFlags(events)); }
  const std::string& Item() const noexcept { return m_item; }
  void SetItem(const std::string& item);
  bool Recursive() const noexcept { return m_recursive; }
  void SetRecursive(bool recursive);
  TShellNotifyMode Mode() const noexcept { return m_mode; }
  void SetMode(TShellNotifyMode mode);
  TShellNotifyOptions Options() const noexcept { return m_options; }
  void SetOptions(TShellNotifyOptions options);
  // Made on first read.
  TShellNotifyItems& Items() const;
  void SetItems(TShellNotifyItems* items);

  TShellNotifyChangeEvent& OnChange() noexcept { return m_onChange; }

  // Opens: collects the entries (the selected items, or `item`), checks each
  // path (EOleError 0x80070002 "The system cannot find the file specified",
  // 0x80070005 "Access is denied"; closed again first) and watches them.
  void Open();
  void Close();
  // Opens again when active.
  void Reopen();
  // The items changed: re-opens in snmMultiple.
  void ItemsChanged();

  // Words: "open", "close", "beginupdate", "endupdate", "clear" (True),
  // "selectall", "deselectall" (the item count).
  void SetExec(const platform::Variant& value) override;

  // "change" with [Name, event code, first path, second path]; the answer is ignored.
  virtual void changeHandler(platform::TObject* sender, int event, const std::string& path1,
                             const std::string& path2);

 private:
  void Deliver(const std::vector<platform::ChangeItem>& batch);
  void DeliverChanges(const std::vector<ShellNotifyChange>& changes);
  friend class ShellSystemMonitors;

  bool m_active = false;
  std::uint32_t m_flags = kDefaultShellNotifyFlags;
  std::string m_item;
  bool m_recursive = true;
  TShellNotifyMode m_mode = TShellNotifyMode::snmSimple;
  TShellNotifyOptions m_options = (1u << snoInterruptLevel) | (1u << snoShellLevel);
  mutable std::unique_ptr<TShellNotifyItems> m_items;
  TShellNotifyChangeEvent m_onChange;
  std::vector<std::string> m_entryPaths;
  std::unique_ptr<platform::InotifyWatcher> m_watcher;
  std::unique_ptr<ShellSystemMonitors> m_monitors;
};

// Registers "shellnotifier" and "shellnotify" (the latter raises
// EComponentError "Shell notification is not supported" when inotify cannot
// be used).
void RegisterShellNotifyComponentTypes();

}  // namespace halbrin
