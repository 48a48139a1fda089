#pragma once

// The folder change notifier ("shellnotifier"): fires "change" when something
// below `root` changes, at most once per batch of changes the watching engine
// delivers (a burst gives a few events, not one per file).
//
//   <shellnotifier id="watch" root="/srv/data" watchSubTree="true">
//     <events><event id="onchange" xml="dataChanged"/></events>
//   </shellnotifier>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/framework/custom_component_ex.h"
#include "platform/classes/method.h"
#include "platform/shell/inotify_watcher.h"

namespace halbrin {

// Elements of TNotifyFilters, in order; bit n of the set is element n.
enum TNotifyFilter : std::uint32_t { nfFileName, nfFolderName, nfAttribute, nfSize, nfWrite, nfSecurity };
using TNotifyFilters = std::uint32_t;
inline constexpr TNotifyFilters kDefaultNotifyFilters = (1u << nfFileName) | (1u << nfSize) | (1u << nfWrite);

const platform::TEnumInfo& NotifyFilterEnumInfo();

// Whether a change passes the filters: nfFileName the creation, deletion and
// renaming of files, nfFolderName the same of folders, nfAttribute and
// nfSecurity attribute changes, nfSize and nfWrite modifications and writes.
// A lost-events or root-gone item always passes.
bool NotifyFiltersPass(TNotifyFilters filters, const platform::ChangeItem& item) noexcept;

// (no arguments)
using TThreadMethod = platform::TEvent<>;

// The watching worker of a notifier: its engine watches (on the process's
// inotify thread) and its parameters. Runs `onChange` on the main thread for
// each delivered batch with a change that passes the filters; a root gone
// ends the watching.
class TShellChangeThread {
 public:
  using Method = std::function<void()>;

  explicit TShellChangeThread(Method onChange);
  TShellChangeThread(const TShellChangeThread&) = delete;
  TShellChangeThread& operator=(const TShellChangeThread&) = delete;

  // Watches `path` (and below it with watchSubTree) with new parameters;
  // the old watches go. The failure's text (nothing watched) or nothing.
  std::optional<std::string> SetParameters(const std::string& path, bool watchSubTree, TNotifyFilters filters);
  void SetOnChange(Method onChange) { m_onChange = std::move(onChange); }
  bool Watching() const { return m_watcher.Watching(); }
  const std::string& Path() const noexcept { return m_path; }
  bool WatchSubTree() const noexcept { return m_watchSubTree; }
  TNotifyFilters Filters() const noexcept { return m_filters; }

 private:
  void Deliver(const std::vector<platform::ChangeItem>& batch);

  Method m_onChange;
  std::string m_path;
  bool m_watchSubTree = false;
  TNotifyFilters m_filters = kDefaultNotifyFilters;
  platform::InotifyWatcher m_watcher;
};

class TShellNotifierEx : public TCustomComponentEx {
  HALBRIN_CLASS(TShellNotifierEx, TCustomComponentEx)

  explicit TShellNotifierEx(platform::TComponent* owner = nullptr);
  ~TShellNotifierEx() override;

  std::string GetTypeName() const override { return "shellnotifier"; }

  const std::string& Root() const noexcept { return m_root; }
  // Compared byte for byte (paths are case-sensitive); a different text re-watches.
  void SetRoot(const std::string& root);
  TNotifyFilters Filter() const noexcept { return m_filter; }
  void SetFilter(TNotifyFilters filter);
  bool WatchSubTree() const noexcept { return m_watchSubTree; }
  void SetWatchSubTree(bool watchSubTree);
  // Reads whether `onChange` is set. True sets it to `changeHandler`, false
  // clears it; either write starts watching again when due.
  bool Enabled() const { return m_onChange.Assigned(); }
  void SetEnabled(bool enabled);

  TThreadMethod& OnChange() noexcept { return m_onChange; }
  void SetOnChange(const platform::TMethod& method);

  // True while a folder is watched.
  bool Watching() const { return m_thread && m_thread->Watching(); }

  // "change"; eventData is the Name, the answer is ignored.
  virtual void changeHandler();

 private:
  // Watches with the current parameters while `onChange` is set, else stops.
  void Restart();
  void Changed();

  std::string m_root = "/";
  TNotifyFilters m_filter = kDefaultNotifyFilters;
  bool m_watchSubTree = false;
  TThreadMethod m_onChange;
  std::unique_ptr<TShellChangeThread> m_thread;
};

// "Cannot watch "%s": %s" with the system's text of the error.
std::string CannotWatchText(const std::string& path, int error);

}  // namespace halbrin
