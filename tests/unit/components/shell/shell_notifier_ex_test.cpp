// The folder notifier on real folders: one "change" per delivered batch, the
// filters, switching roots (case-sensitive), a removed or missing root, the
// enabled switch, and nothing delivered after the notifier is gone.

#include "components/shell/shell_notifier_ex.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "unit/components/shell/notify_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;

class ShellNotifierTest : public NotifyTest {
 protected:
  TShellNotifierEx& MakeNotifier(const std::string& name, const std::string& root) {
    auto& notifier = platform::MakeComponent<TShellNotifierEx>(m_hooks.root);
    notifier.SetName(name);
    notifier.SetRoot(root);
    notifier.GetEvents()->AttachEvent("onchange").SetXml("changed");
    return notifier;
  }

  int Fired(const std::string& name) const {
    int fired = 0;
    for (const ScriptCall& call : m_hooks.calls) fired += call.parameters.ToText() == name ? 1 : 0;
    return fired;
  }

  // A second notifier on a folder of its own: once it fired for a change made
  // after an action, anything the action gave has been delivered too.
  void Settle() {
    if (!m_marker) {
      m_markerFolder = std::make_unique<testing::TempFolder>("marker", RuntimeBase());
      m_marker = &MakeNotifier("marker", m_markerFolder->Path().string());
    }
    const int before = Fired("marker");
    Touch(m_markerFolder->Path("m" + std::to_string(before)));
    ASSERT_TRUE(Pump([&] { return Fired("marker") > before; }));
  }

  std::unique_ptr<testing::TempFolder> m_markerFolder;
  TShellNotifierEx* m_marker = nullptr;
};

TEST_F(ShellNotifierTest, DefaultsAndTheEnabledSwitch) {
  TShellNotifierEx notifier;
  EXPECT_EQ(notifier.Root(), "/");
  EXPECT_EQ(notifier.Filter(), kDefaultNotifyFilters);
  EXPECT_FALSE(notifier.WatchSubTree());
  EXPECT_FALSE(notifier.Enabled());
  notifier.SetRoot(m_tree.Path().string());
  notifier.SetEnabled(true);
  EXPECT_TRUE(notifier.Enabled()) << "onChange is its own changeHandler";
  EXPECT_TRUE(notifier.Watching());
  notifier.SetEnabled(false);
  EXPECT_FALSE(notifier.Enabled());
  EXPECT_FALSE(notifier.Watching());
}

TEST_F(ShellNotifierTest, BurstGivesFewChanges) {
  const std::string root = m_tree.Path().string();
  MakeNotifier("burst", root);
  for (int i = 0; i < 10000; ++i) testing::WriteFile(root + "/f" + std::to_string(i), "x");
  Settle();
  EXPECT_GE(Fired("burst"), 1);
  EXPECT_LT(Fired("burst"), 100) << "one per delivered batch, not one per file";
}

TEST_F(ShellNotifierTest, FiltersChooseWhatFires) {
  const std::string root = m_tree.Path().string();
  Touch(root + "/existing");
  TShellNotifierEx& notifier = MakeNotifier("folders", root);
  notifier.SetFilter(1u << nfFolderName);
  Touch(root + "/file");
  chmod((root + "/existing").c_str(), 0600);
  Settle();
  EXPECT_EQ(Fired("folders"), 0) << "files and attributes are filtered out";
  fs::create_directory(root + "/folder");
  Settle();
  EXPECT_EQ(Fired("folders"), 1);
}

TEST(NotifyFilters, EachFilterPassesItsChanges) {
  using platform::ChangeItem;
  using platform::ChangeKind;
  struct Row {
    ChangeKind kind;
    bool folder;
    TNotifyFilter filter;
  };
  const Row rows[] = {
      {ChangeKind::Created, false, nfFileName},   {ChangeKind::Deleted, false, nfFileName},
      {ChangeKind::Renamed, false, nfFileName},   {ChangeKind::Created, true, nfFolderName},
      {ChangeKind::Renamed, true, nfFolderName},  {ChangeKind::Attributes, false, nfAttribute},
      {ChangeKind::Attributes, false, nfSecurity}, {ChangeKind::Modified, false, nfSize},
      {ChangeKind::Written, false, nfWrite},
  };
  for (const Row& row : rows) {
    const ChangeItem item{row.kind, "/x", "", row.folder};
    EXPECT_TRUE(NotifyFiltersPass(1u << row.filter, item)) << static_cast<int>(row.kind);
    const TNotifyFilters others = ((1u << (nfSecurity + 1)) - 1) & ~(1u << row.filter);
    const bool alsoByOther = (row.filter == nfAttribute || row.filter == nfSecurity || row.filter == nfSize ||
                              row.filter == nfWrite);
    EXPECT_EQ(NotifyFiltersPass(others, item), alsoByOther) << static_cast<int>(row.kind);
  }
  EXPECT_TRUE(NotifyFiltersPass(0, {ChangeKind::Overflow, "", "", false}));
  EXPECT_TRUE(NotifyFiltersPass(0, {ChangeKind::RootGone, "/x", "", true}));
}

TEST_F(ShellNotifierTest, RootWritesSwitchFoldersByteForByte) {
  const std::string upper = m_tree.Path("Data");
  const std::string lower = m_tree.Path("data");
  fs::create_directory(upper);
  fs::create_directory(lower);
  TShellNotifierEx& notifier = MakeNotifier("switch", upper);
  notifier.SetRoot(lower);
  Touch(upper + "/old-root");
  Settle();
  EXPECT_EQ(Fired("switch"), 0) << "the folder written before is no longer watched";
  Touch(lower + "/new-root");
  Settle();
  EXPECT_EQ(Fired("switch"), 1);
}

TEST_F(ShellNotifierTest, RemovedRootFiresOnceAndStopsUntilWrittenAgain) {
  const std::string root = m_tree.Path("watched");
  fs::create_directory(root);
  TShellNotifierEx& notifier = MakeNotifier("gone", root);
  notifier.SetFilter(0);
  fs::remove(root);
  ASSERT_TRUE(Pump([&] { return Fired("gone") == 1; }));
  EXPECT_FALSE(notifier.Watching());
  fs::create_directory(root);
  Touch(root + "/ignored");
  Settle();
  EXPECT_EQ(Fired("gone"), 1);

  notifier.SetFilter(kDefaultNotifyFilters);
  EXPECT_TRUE(notifier.Watching()) << "a parameter write starts again";
  Touch(root + "/seen");
  ASSERT_TRUE(Pump([&] { return Fired("gone") == 2; }));
}

TEST_F(ShellNotifierTest, MissingRootLogsAndFiresNothing) {
  const std::string missing = m_tree.Path("nowhere");
  TShellNotifierEx& notifier = MakeNotifier("missing", missing);
  EXPECT_FALSE(notifier.Watching());
  EXPECT_EQ(m_hooks.logged, (std::vector<std::string>{"[TShellNotifierEx]: Cannot watch \"" + missing +
                                                      "\": No such file or directory"}));
  fs::create_directory(missing);
  Touch(missing + "/early");
  Settle();
  EXPECT_EQ(Fired("missing"), 0);
  notifier.SetWatchSubTree(true);
  EXPECT_TRUE(notifier.Watching()) << "a later write tries again";
}

TEST_F(ShellNotifierTest, FreedWithABatchPostedDeliversNothing) {
  const std::string root = m_tree.Path().string();
  TShellNotifierEx* notifier = &MakeNotifier("freed", root);
  Touch(root + "/one");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (m_loop.PendingPosts() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_GT(m_loop.PendingPosts(), 0u);
  platform::TComponent::Free(*notifier);
  m_loop.RunIdle();
  EXPECT_TRUE(m_hooks.calls.empty());
}

}  // namespace
}  // namespace halbrin::framework_test
