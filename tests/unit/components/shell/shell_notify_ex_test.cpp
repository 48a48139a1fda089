// The shell change notification on real folders: the event codes and paths
// of each kind of change, a burst, recursion across new, renamed and
// moved-out folders, a removed root, missing items, the event mask, item
// updates, and nothing delivered after the component is gone.

#include "components/shell/shell_notify_ex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "platform/automation/dispatch.h"
#include "unit/components/shell/notify_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;

struct ChangeCase {
  const char* label;
  std::function<void(const std::string& root)> prepare;
  std::function<void(const std::string& root)> act;
  // Paths relative to the root ("" for none).
  std::vector<std::tuple<std::uint32_t, std::string, std::string>> expected;
};

class ShellNotifyChangeTest : public NotifyTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ShellNotifyChangeTest, GivesTheCodeAndPaths) {
  const ChangeCase& given = GetParam();
  const std::string root = m_tree.Path().string();
  given.prepare(root);
  TShellNotifyEx& notify = MakeNotify("watch", root, false, 0);
  notify.SetActive(true);
  ASSERT_TRUE(notify.Active());
  given.act(root);
  // A later change marks the end of what the action gave.
  Touch(root + "/zz-end");
  ASSERT_TRUE(Pump([&] { return Saw("watch", SHCNE_CREATE, root + "/zz-end"); }));
  std::vector<ShellNotifyChange> expected;
  auto full = [&](const std::string& relative) { return relative.empty() ? std::string() : root + "/" + relative; };
  for (const auto& [code, first, second] : given.expected) expected.push_back({code, full(first), full(second)});
  expected.push_back({SHCNE_CREATE, root + "/zz-end", ""});
  EXPECT_EQ(Changes("watch"), expected) << given.label;
}

void Nothing(const std::string&) {}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ShellNotifyChangeTest,
    ::testing::Values(
        ChangeCase{"create", Nothing, [](const std::string& r) { Touch(r + "/a.txt"); },
                   {{SHCNE_CREATE, "a.txt", ""}}},
        ChangeCase{"delete", [](const std::string& r) { Touch(r + "/a.txt"); },
                   [](const std::string& r) { fs::remove(r + "/a.txt"); }, {{SHCNE_DELETE, "a.txt", ""}}},
        ChangeCase{"mkdir", Nothing, [](const std::string& r) { fs::create_directory(r + "/sub"); },
                   {{SHCNE_MKDIR, "sub", ""}}},
        ChangeCase{"rmdir", [](const std::string& r) { fs::create_directory(r + "/sub"); },
                   [](const std::string& r) { fs::remove(r + "/sub"); }, {{SHCNE_RMDIR, "sub", ""}}},
        ChangeCase{"rename file", [](const std::string& r) { Touch(r + "/old name"); },
                   [](const std::string& r) { fs::rename(r + "/old name", r + "/new name"); },
                   {{SHCNE_RENAMEITEM, "old name", "new name"}}},
        ChangeCase{"rename folder", [](const std::string& r) { fs::create_directory(r + "/old"); },
                   [](const std::string& r) { fs::rename(r + "/old", r + "/new"); },
                   {{SHCNE_RENAMEFOLDER, "old", "new"}}},
        ChangeCase{"attributes", [](const std::string& r) { Touch(r + "/a.txt"); },
                   [](const std::string& r) { chmod((r + "/a.txt").c_str(), 0600); },
                   {{SHCNE_ATTRIBUTES, "a.txt", ""}}},
        ChangeCase{"write and close", [](const std::string& r) { Touch(r + "/a.txt"); },
                   [](const std::string& r) { testing::WriteFile(r + "/a.txt", "text"); },
                   {{SHCNE_UPDATEITEM, "a.txt", ""}}},
        ChangeCase{"non-ASCII name", Nothing, [](const std::string& r) { Touch(r + "/Grüße ✓"); },
                   {{SHCNE_CREATE, "Grüße ✓", ""}}}),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(NotifyTest, ShellNotifyBurstReportsEveryNameOnceOrTheLoss) {
  const std::string root = m_tree.Path().string();
  TShellNotifyEx& notify = MakeNotify("burst", root, false, kDefaultShellNotifyFlags);
  notify.SetActive(true);
  constexpr int kFiles = 10000;
  for (int i = 0; i < kFiles; ++i) Touch(root + "/f" + std::to_string(i));
  Touch(root + "/zz-end");
  ASSERT_TRUE(Pump([&] {
    return Saw("burst", SHCNE_CREATE, root + "/zz-end") || Saw("burst", SHCNE_UPDATEDIR, root);
  }));
  std::map<std::string, int> seen;
  bool lost = false;
  for (const ShellNotifyChange& change : Changes("burst")) {
    if (change.code == SHCNE_UPDATEDIR) lost = true;
    if (change.code == SHCNE_CREATE) ++seen[change.path1];
  }
  for (const auto& [path, times] : seen) EXPECT_EQ(times, 1) << path;
  if (!lost) {
    for (int i = 0; i < kFiles; ++i) EXPECT_TRUE(seen.count(root + "/f" + std::to_string(i))) << i;
  }
}

TEST_F(NotifyTest, RecursiveEntryFollowsNewRenamedAndMovedOutFolders) {
  const std::string root = m_tree.Path().string();
  testing::TempFolder outside("outside", RuntimeBase());
  TShellNotifyEx& notify = MakeNotify("tree", root, true, 0);
  notify.SetActive(true);

  // Made at once: some files may exist before the folder's watch does.
  fs::create_directories(root + "/new/deeper");
  Touch(root + "/new/early");
  Touch(root + "/new/deeper/early2");
  ASSERT_TRUE(Pump([&] { return Saw("tree", SHCNE_CREATE, root + "/new/deeper/early2"); }));
  EXPECT_TRUE(Saw("tree", SHCNE_MKDIR, root + "/new"));
  EXPECT_TRUE(Saw("tree", SHCNE_CREATE, root + "/new/early"));

  fs::rename(root + "/new", root + "/renamed");
  Touch(root + "/renamed/deeper/after");
  ASSERT_TRUE(Pump([&] { return Saw("tree", SHCNE_CREATE, root + "/renamed/deeper/after"); }));
  EXPECT_FALSE(Saw("tree", SHCNE_CREATE, root + "/new/deeper/after")) << "reported under its new path";
  const std::vector<ShellNotifyChange> changes = Changes("tree");
  EXPECT_NE(std::find(changes.begin(), changes.end(),
                      ShellNotifyChange{SHCNE_RENAMEFOLDER, root + "/new", root + "/renamed"}),
            changes.end());

  fs::rename(root + "/renamed", outside.Path("moved"));
  ASSERT_TRUE(Pump([&] { return Saw("tree", SHCNE_RMDIR, root + "/renamed"); })) << "moved out counts as removed";
  Touch(outside.Path("moved") + "/deeper/gone");
  Touch(root + "/zz-end");
  ASSERT_TRUE(Pump([&] { return Saw("tree", SHCNE_CREATE, root + "/zz-end"); }));
  for (const ShellNotifyChange& change : Changes("tree"))
    EXPECT_EQ(change.path1.find("gone"), std::string::npos) << "a folder moved out stops reporting";
}

TEST_F(NotifyTest, NonRecursiveEntrySeesOnlyItsChildren) {
  const std::string root = m_tree.Path().string();
  fs::create_directory(root + "/sub");
  TShellNotifyEx& notify = MakeNotify("flat", root, false, 0);
  notify.SetActive(true);
  Touch(root + "/sub/inner");
  fs::create_directory(root + "/later");
  Touch(root + "/later/inner");
  Touch(root + "/zz-end");
  ASSERT_TRUE(Pump([&] { return Saw("flat", SHCNE_CREATE, root + "/zz-end"); }));
  EXPECT_TRUE(Saw("flat", SHCNE_MKDIR, root + "/later"));
  EXPECT_FALSE(Saw("flat", SHCNE_CREATE, root + "/sub/inner"));
  EXPECT_FALSE(Saw("flat", SHCNE_CREATE, root + "/later/inner"));
}

TEST_F(NotifyTest, RemovedRootGivesRmdirAndThenNothing) {
  const std::string root = m_tree.Path("watched");
  fs::create_directory(root);
  testing::TempFolder other("other", RuntimeBase());
  TShellNotifyEx& notify = MakeNotify("gone", root, true, 0);
  notify.SetActive(true);
  TShellNotifyEx& marker = MakeNotify("marker", other.Path().string(), false, 0);
  marker.SetActive(true);

  fs::remove_all(root);
  ASSERT_TRUE(Pump([&] { return Saw("gone", SHCNE_RMDIR, root); }));
  fs::create_directory(root);
  Touch(root + "/again");
  Touch(other.Path("zz-end"));
  ASSERT_TRUE(Pump([&] { return Saw("marker", SHCNE_CREATE, other.Path("zz-end")); }));
  const std::vector<ShellNotifyChange> changes = Changes("gone");
  ASSERT_FALSE(changes.empty());
  EXPECT_EQ(changes.back(), (ShellNotifyChange{SHCNE_RMDIR, root, ""})) << "nothing after the root went";
}

TEST_F(NotifyTest, MissingOrUnreadableItemRaisesAndStaysClosed) {
  TShellNotifyEx& notify = MakeNotify("missing", m_tree.Path("nowhere"));
  try {
    notify.SetExec(Variant("open"));
    FAIL() << "no error";
  } catch (const platform::EOleError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070002u);
    EXPECT_STREQ(error.what(), "The system cannot find the file specified");
  }
  EXPECT_FALSE(notify.Active());

  if (geteuid() != 0) {
    const std::string locked = m_tree.Path("locked");
    fs::create_directory(locked);
    chmod(locked.c_str(), 0);
    notify.SetItem(locked);
    try {
      notify.SetActive(true);
      ADD_FAILURE() << "no error";
    } catch (const platform::EOleError& error) {
      EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070005u);
    }
    EXPECT_FALSE(notify.Active());
    chmod(locked.c_str(), 0700);
  }
}

TEST_F(NotifyTest, EventMaskFiltersButAlwaysLetsTheLossThrough) {
  const std::string root = m_tree.Path().string();
  TShellNotifyEx& notify = MakeNotify("mask", root, false, SHCNE_CREATE);
  EXPECT_EQ(notify.EventMask(), SHCNE_CREATE);
  notify.SetActive(true);
  fs::create_directory(root + "/folder");
  Touch(root + "/file");
  ASSERT_TRUE(Pump([&] { return Saw("mask", SHCNE_CREATE, root + "/file"); }));
  EXPECT_EQ(Changes("mask"), (std::vector<ShellNotifyChange>{{SHCNE_CREATE, root + "/file", ""}}));

  notify.SetFlags(0);
  EXPECT_EQ(notify.EventMask(), SHCNE_ALLEVENTS);
  EXPECT_TRUE(notify.Active()) << "a flags write re-opens";
}

TEST(ShellNotifyEvents, MembersAndFlagsConvertBothWays) {
  struct Row {
    TShellNotifyEvents events;
    std::uint32_t flags;
  };
  const Row rows[] = {
      {0, 0},
      {1u << sneCreate, SHCNE_CREATE},
      {1u << sneRenameFolder, SHCNE_RENAMEFOLDER},
      {1u << sneAssocChanged, SHCNE_ASSOCCHANGED},
      {1u << sneFreeSpace, SHCNE_FREESPACE},
      {(1u << sneCreate) | (1u << sneDelete) | (1u << sneMkDir) | (1u << sneRenameFolder) | (1u << sneRenameItem) |
           (1u << sneRmDir),
       kDefaultShellNotifyFlags},
      {(1u << 20) - 1, 0x807FFFFu},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ShellNotifyEventsToFlags(row.events), row.flags) << row.events;
    EXPECT_EQ(ShellNotifyEventsFromFlags(row.flags), row.events) << row.flags;
  }
  EXPECT_EQ(ShellNotifyEventsFromFlags(SHCNE_ALLEVENTS), (1u << 20) - 1);

  TShellNotifyEx notify;
  EXPECT_EQ(notify.Flags(), 0x2001Fu);
  notify.SetNotifyEvents((1u << sneAttributes) | (1u << sneUpdateItem));
  EXPECT_EQ(notify.Flags(), SHCNE_ATTRIBUTES | SHCNE_UPDATEITEM);
}

TEST(ShellNotifyMounts, OnlyMountsBelowAnEntryCount) {
  const std::vector<std::string> before = {"/", "/media/usb", "/srv/old"};
  const std::vector<std::string> after = {"/", "/media/usb", "/media/card", "/mnt/other"};
  EXPECT_EQ(MountChanges(before, after, {"/media"}),
            (std::vector<ShellNotifyChange>{{SHCNE_DRIVEADD, "/media/card/", ""}}));
  EXPECT_EQ(MountChanges(before, after, {"/srv", "/mnt/other"}),
            (std::vector<ShellNotifyChange>{{SHCNE_DRIVEADD, "/mnt/other/", ""}, {SHCNE_DRIVEREMOVED, "/srv/old/", ""}}));
  EXPECT_TRUE(MountChanges(before, after, {"/med"}).empty()) << "a name that only begins the same is not below";
  EXPECT_TRUE(MountChanges(before, before, {"/"}).empty());
}

TEST_F(NotifyTest, ItemChangesInsideAnUpdateApplyAtItsEnd) {
  const std::string a = m_tree.Path("a");
  const std::string b = m_tree.Path("b");
  for (const auto& folder : {a, b}) fs::create_directory(folder);
  auto& notify = platform::MakeComponent<TShellNotifyEx>(m_hooks.root);
  notify.SetName("multi");
  notify.GetEvents()->AttachEvent("onchange").SetXml("changed");
  notify.SetFlags(0);
  notify.SetMode(TShellNotifyMode::snmMultiple);
  notify.Items().AddItem(a);
  notify.SetActive(true);

  notify.SetExec(Variant("beginupdate"));
  EXPECT_EQ(notify.GetExec(), Variant(true));
  notify.Items().AddItem(b);
  static_cast<TShellNotifyItem*>(notify.Items().ItemByName(a))->SetSelected(false);
  static_cast<TShellNotifyItem*>(notify.Items().ItemByName(b))->SetRecursive(false);
  Touch(b + "/during");
  Touch(a + "/still-a");
  ASSERT_TRUE(Pump([&] { return Saw("multi", SHCNE_CREATE, a + "/still-a"); })) << "the old set is still watched";
  EXPECT_FALSE(Saw("multi", SHCNE_CREATE, b + "/during"));

  notify.SetExec(Variant("endupdate"));
  Touch(a + "/after-a");
  Touch(b + "/after-b");
  ASSERT_TRUE(Pump([&] { return Saw("multi", SHCNE_CREATE, b + "/after-b"); }));
  EXPECT_FALSE(Saw("multi", SHCNE_CREATE, a + "/after-a")) << "a was deselected";

  notify.SetExec(Variant("deselectall"));
  EXPECT_EQ(notify.GetExec(), Variant(2));
  notify.SetExec(Variant("selectall"));
  EXPECT_EQ(notify.GetExec(), Variant(2));
  notify.SetExec(Variant("close"));
  EXPECT_FALSE(notify.Active());
  EXPECT_EQ(notify.GetExec(), Variant(true));
}

TEST_F(NotifyTest, ItemNamesArePathsMatchedByteForByte) {
  TShellNotifyEx notify;
  TShellNotifyItem& upper = notify.Items().AddItem("/srv/Data");
  EXPECT_NE(notify.Items().ItemByName("/srv/data"), &upper) << "another folder";
  EXPECT_EQ(notify.Items().Count(), 2) << "looking up a missing name adds it";
}

TEST_F(NotifyTest, OverlappingEntriesDeliverAChangeOnce) {
  const std::string root = m_tree.Path().string();
  fs::create_directory(root + "/sub");
  auto& notify = platform::MakeComponent<TShellNotifyEx>(m_hooks.root);
  notify.SetName("overlap");
  notify.GetEvents()->AttachEvent("onchange").SetXml("changed");
  notify.SetFlags(0);
  notify.SetMode(TShellNotifyMode::snmMultiple);
  notify.Items().AddItem(root);
  notify.Items().AddItem(root + "/sub");
  notify.SetActive(true);
  Touch(root + "/sub/one");
  fs::remove(root + "/sub/one");
  Touch(root + "/zz-end");
  ASSERT_TRUE(Pump([&] { return Saw("overlap", SHCNE_CREATE, root + "/zz-end"); }));
  EXPECT_EQ(Changes("overlap"), (std::vector<ShellNotifyChange>{{SHCNE_CREATE, root + "/sub/one", ""},
                                                                 {SHCNE_DELETE, root + "/sub/one", ""},
                                                                 {SHCNE_CREATE, root + "/zz-end", ""}}));
}

TEST_F(NotifyTest, FreedWithABatchPostedDeliversNothing) {
  const std::string root = m_tree.Path().string();
  TShellNotifyEx* notify = &MakeNotify("freed", root, false, 0);
  notify->SetActive(true);
  Touch(root + "/one");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (m_loop.PendingPosts() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_GT(m_loop.PendingPosts(), 0u);
  platform::TComponent::Free(*notify);
  m_loop.RunIdle();
  EXPECT_TRUE(m_hooks.calls.empty());
}

}  // namespace
}  // namespace halbrin::framework_test
