#include "components/shell/shell_notifier_ex.h"

#include <cstring>

#include "core/framework/application_hooks.h"
#include "platform/base/format.h"
#include "platform/classes/class_builder.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& NotifyFilterEnumInfo() {
  static const TEnumInfo info("TNotifyFilter",
                              {"nfFileName", "nfFolderName", "nfAttribute", "nfSize", "nfWrite", "nfSecurity"});
  return info;
}

HALBRIN_DEFINE_CLASS(TShellNotifierEx,
                     .Property("root", &TShellNotifierEx::Root, &TShellNotifierEx::SetRoot)
                     .Set("filter", &TShellNotifierEx::Filter, &TShellNotifierEx::SetFilter,
                          NotifyFilterEnumInfo(), "TNotifyFilters")
                     .Property("watchSubTree", &TShellNotifierEx::WatchSubTree, &TShellNotifierEx::SetWatchSubTree)
                     .Property("enabled", &TShellNotifierEx::Enabled, &TShellNotifierEx::SetEnabled)
                     .Stored(false)
                     .Event("onChange", &TShellNotifierEx::m_onChange, "TThreadMethod",
                            &TShellNotifierEx::SetOnChange)
                     .Handler("changeHandler", &TShellNotifierEx::changeHandler))

namespace {
bool Has(TNotifyFilters filters, TNotifyFilter filter) { return (filters & (1u << filter)) != 0; }
}  // namespace

bool NotifyFiltersPass(TNotifyFilters filters, const ChangeItem& item) noexcept {
  switch (item.kind) {
    case ChangeKind::Created:
    case ChangeKind::Deleted:
    case ChangeKind::Renamed: return Has(filters, item.isFolder ? nfFolderName : nfFileName);
    case ChangeKind::Attributes: return Has(filters, nfAttribute) || Has(filters, nfSecurity);
    case ChangeKind::Modified:
    case ChangeKind::Written: return Has(filters, nfSize) || Has(filters, nfWrite);
    case ChangeKind::Overflow:
    case ChangeKind::RootGone: return true;
  }
  return false;
}

std::string CannotWatchText(const std::string& path, int error) {
  return Format("Cannot watch \"%s\": %s", {path, std::string(std::strerror(error))});
}

// ---------------------------------------------------------- TShellChangeThread

TShellChangeThread::TShellChangeThread(Method onChange)
    : m_onChange(std::move(onChange)),
      m_watcher([this](std::vector<ChangeItem> batch) { Deliver(batch); },
                [](const std::string& line) { ApplicationHooks().Log("TShellNotifierEx", line); }) {}

std::optional<std::string> TShellChangeThread::SetParameters(const std::string& path, bool watchSubTree,
                                                             TNotifyFilters filters) {
  m_path = path;
  m_watchSubTree = watchSubTree;
  m_filters = filters;
  const WatchResult result = m_watcher.Watch({{path, watchSubTree}});
  if (result.engineError) return CannotWatchText(path, result.engineError);
  if (!result.failures.empty()) return CannotWatchText(path, result.failures.front().error);
  return std::nullopt;
}

void TShellChangeThread::Deliver(const std::vector<ChangeItem>& batch) {
  bool passes = false;
  bool rootGone = false;
  for (const ChangeItem& item : batch) {
    passes = passes || NotifyFiltersPass(m_filters, item);
    rootGone = rootGone || item.kind == ChangeKind::RootGone;
  }
  if (rootGone) m_watcher.Stop();
  // The handler may free the notifier and with it this object: last.
  if (passes && m_onChange) m_onChange();
}

// ------------------------------------------------------------ TShellNotifierEx

TShellNotifierEx::TShellNotifierEx(TComponent* owner) : TCustomComponentEx(owner) {}

TShellNotifierEx::~TShellNotifierEx() { m_thread.reset(); }

void TShellNotifierEx::SetRoot(const std::string& root) {
  if (root == m_root) return;
  m_root = root;
  Restart();
}

void TShellNotifierEx::SetFilter(TNotifyFilters filter) {
  m_filter = filter;
  Restart();
}

void TShellNotifierEx::SetWatchSubTree(bool watchSubTree) {
  m_watchSubTree = watchSubTree;
  Restart();
}

void TShellNotifierEx::SetEnabled(bool enabled) {
  if (enabled) {
    TMethod method{TWeakRef<TObject>(this), ClassInfo().FindMethod("changeHandler")};
    m_onChange.Assign(method);
  } else {
    m_onChange.Clear();
  }
  Restart();
}

void TShellNotifierEx::SetOnChange(const TMethod& method) {
  m_onChange.Assign(method);
  Restart();
}

void TShellNotifierEx::Restart() {
  if (!m_onChange.Assigned()) {
    m_thread.reset();
    return;
  }
  if (!m_thread) m_thread = std::make_unique<TShellChangeThread>([this] { Changed(); });
  if (const auto failure = m_thread->SetParameters(m_root, m_watchSubTree, m_filter)) {
    ApplicationHooks().Log("TShellNotifierEx", *failure);
    m_thread.reset();
  }
}

void TShellNotifierEx::Changed() {
  const TBusyGuard busy(*this);
  m_onChange();
}

void TShellNotifierEx::changeHandler() { FireEvent("change"); }

}  // namespace halbrin
