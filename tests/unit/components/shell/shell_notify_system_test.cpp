// The system-wide notices of shellnotify on the live system: installed
// applications changing (a desktop entry written into a private
// XDG_DATA_HOME) and mounts appearing and going below an entry (tmpfs mounts
// inside a user and mount namespace of the case's own, so no root is needed).
// Each case runs again in a fresh process of its own: GLib reads the data
// folders once per process, and a namespace can only be entered before
// threads exist.

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/program_process.h"
#include "unit/components/shell/notify_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kInnerRun = "HALBRIN_TEST_INNER_CASE";

std::string CurrentCase() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

// This case's run in the process made for it.
bool InnerRun() {
  const char* inner = std::getenv(kInnerRun);
  return inner && CurrentCase() == inner;
}

// Runs this case again as a process of its own (after `wrapper`'s words,
// when given), with `env` added; its exit code (nullopt: it hung).
std::optional<int> RunThisCaseAgain(const std::vector<std::string>& wrapper, const std::vector<std::string>& env) {
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<std::string> args(wrapper.begin(), wrapper.end());
  std::string program = self;
  if (!wrapper.empty()) {
    program = wrapper.front();
    args.erase(args.begin());
    args.push_back(self);
  }
  args.push_back("--gtest_filter=" + CurrentCase());
  std::vector<std::string> all = env;
  all.push_back(std::string(kInnerRun) + "=" + CurrentCase());
  testing::Process run(program, args, all);
  return run.Wait(120s);
}

class ShellNotifySystemTest : public NotifyTest {
 protected:
  // Turns the fake loop and GLib's default context (where the system
  // monitors signal) until done() holds; false after 5 s.
  bool PumpBoth(const std::function<bool()>& done) {
    return Pump([&] {
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
      return done();
    });
  }
  // Turns both for a while: what was going to arrive has arrived.
  void Settle() {
    const auto until = std::chrono::steady_clock::now() + 300ms;
    PumpBoth([&] { return std::chrono::steady_clock::now() > until; });
  }
  std::vector<ShellNotifyChange> ChangesWith(const std::string& name, std::vector<std::uint32_t> codes) const {
    std::vector<ShellNotifyChange> found;
    for (const ShellNotifyChange& change : Changes(name))
      if (std::find(codes.begin(), codes.end(), change.code) != codes.end()) found.push_back(change);
    return found;
  }
};

void WriteEntry(const fs::path& path, const std::string& name) {
  testing::WriteFile(path.string(), "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n");
}

TEST_F(ShellNotifySystemTest, EachChangeOfTheInstalledApplicationsGivesAssocChanged) {
  if (!InnerRun()) {
    // Private data folders: the user's own and no system ones.
    const fs::path data = m_tree.Path() / "data";
    fs::create_directories(data / "applications");
    fs::create_directories(m_tree.Path() / "system");
    fs::create_directories(m_tree.Path() / "config");
    EXPECT_EQ(RunThisCaseAgain({}, {"XDG_DATA_HOME=" + data.string(),
                                    "XDG_DATA_DIRS=" + (m_tree.Path() / "system").string(),
                                    "XDG_CONFIG_HOME=" + (m_tree.Path() / "config").string()}),
              0);
    return;
  }
  const fs::path applications = fs::path(g_get_user_data_dir()) / "applications";
  ASSERT_TRUE(fs::is_directory(applications)) << applications;

  // Only the application notices: no item is needed for them.
  TShellNotifyEx& notify = MakeNotify("apps", "", true, SHCNE_ASSOCCHANGED);
  notify.SetActive(true);
  ASSERT_TRUE(notify.Active());
  const std::vector<ShellNotifyChange> once{{SHCNE_ASSOCCHANGED, "", ""}};

  struct Step {
    const char* label;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"installed", [&] { WriteEntry(applications / "halbrin-probe.desktop", "Probe"); }},
      {"changed", [&] { WriteEntry(applications / "halbrin-probe.desktop", "Probe Two"); }},
      {"another installed", [&] { WriteEntry(applications / "halbrin-other.desktop", "Other"); }},
      {"removed", [&] { fs::remove(applications / "halbrin-probe.desktop"); }},
  };
  for (const Step& step : steps) {
    m_hooks.calls.clear();
    step.act();
    EXPECT_TRUE(PumpBoth([&] { return !Changes("apps").empty(); })) << step.label << ": nothing delivered";
    Settle();
    // A change gives the code with no paths; one write may give it twice, never anything else.
    const std::vector<ShellNotifyChange> got = Changes("apps");
    for (const ShellNotifyChange& change : got) EXPECT_EQ(change, once.front()) << step.label;
  }

  m_hooks.calls.clear();
  notify.SetActive(false);
  WriteEntry(applications / "halbrin-after.desktop", "After");
  Settle();
  EXPECT_TRUE(Changes("apps").empty()) << "delivered after close";
}

TEST_F(ShellNotifySystemTest, ApplicationNoticesNeedTheirBitInTheMask) {
  if (!InnerRun()) {
    const fs::path data = m_tree.Path() / "data";
    fs::create_directories(data / "applications");
    fs::create_directories(m_tree.Path() / "system");
    EXPECT_EQ(RunThisCaseAgain({}, {"XDG_DATA_HOME=" + data.string(),
                                    "XDG_DATA_DIRS=" + (m_tree.Path() / "system").string()}),
              0);
    return;
  }
  const fs::path applications = fs::path(g_get_user_data_dir()) / "applications";
  const std::string root = m_tree.Path().string();
  // The default mask (files and folders) and one that has the bit.
  TShellNotifyEx& files = MakeNotify("files", root, false, kDefaultShellNotifyFlags);
  TShellNotifyEx& all = MakeNotify("all", root, false, 0);
  files.SetActive(true);
  all.SetActive(true);
  WriteEntry(applications / "halbrin-probe.desktop", "Probe");
  ASSERT_TRUE(PumpBoth([&] { return !ChangesWith("all", {SHCNE_ASSOCCHANGED}).empty(); }));
  Settle();
  EXPECT_TRUE(ChangesWith("files", {SHCNE_ASSOCCHANGED}).empty());
}

// --- mounts, inside a user and mount namespace -------------------------------------------

// The namespace wrapper, or empty when this system gives none to a user.
std::vector<std::string> NamespaceWrapper() {
  gchar* found = g_find_program_in_path("unshare");
  if (!found) return {};
  const std::string unshare = found;
  g_free(found);
  std::vector<std::string> wrapper{unshare, "--user", "--map-root-user", "--mount", "--propagation", "private"};
  std::vector<std::string> probe(wrapper.begin() + 1, wrapper.end());
  probe.push_back("/bin/true");
  testing::Process trial(unshare, probe, {});
  if (trial.Wait(20s) != 0) return {};
  return wrapper;
}

TEST_F(ShellNotifySystemTest, MountsBelowAnEntryGiveDriveAddAndDriveRemoved) {
  if (!InnerRun()) {
    const std::vector<std::string> wrapper = NamespaceWrapper();
    if (wrapper.empty()) GTEST_SKIP() << "no user and mount namespaces here (util-linux unshare)";
    EXPECT_EQ(RunThisCaseAgain(wrapper, {}), 0);
    return;
  }
  const std::string root = m_tree.Path().string();
  const std::string disk = root + "/disk";
  const std::string deep = root + "/a/b/deep";
  fs::create_directories(disk);
  fs::create_directories(deep);
  testing::TempFolder elsewhere("notify-outside", RuntimeBase());
  const std::string outside = elsewhere.Path().string();

  TShellNotifyEx& notify = MakeNotify("mounts", root, true, 0);
  TShellNotifyEx& files = MakeNotify("files", root, true, kDefaultShellNotifyFlags);
  notify.SetActive(true);
  files.SetActive(true);
  ASSERT_TRUE(notify.Active());
  const std::vector<std::uint32_t> driveCodes{SHCNE_DRIVEADD, SHCNE_DRIVEREMOVED};

  auto mountTmpfs = [](const std::string& at) { return mount("halbrin-test", at.c_str(), "tmpfs", 0, "size=64k"); };
  // Outside the entry first: it gives nothing, the later ones show it was seen.
  ASSERT_EQ(mountTmpfs(outside), 0) << std::strerror(errno);
  ASSERT_EQ(mountTmpfs(disk), 0) << std::strerror(errno);
  ASSERT_TRUE(PumpBoth([&] { return Saw("mounts", SHCNE_DRIVEADD, disk + "/"); }));
  ASSERT_EQ(mountTmpfs(deep), 0) << std::strerror(errno);
  ASSERT_TRUE(PumpBoth([&] { return Saw("mounts", SHCNE_DRIVEADD, deep + "/"); }));
  ASSERT_EQ(umount2(disk.c_str(), 0), 0) << std::strerror(errno);
  ASSERT_TRUE(PumpBoth([&] { return Saw("mounts", SHCNE_DRIVEREMOVED, disk + "/"); }));
  ASSERT_EQ(umount2(outside.c_str(), 0), 0) << std::strerror(errno);
  ASSERT_EQ(umount2(deep.c_str(), 0), 0) << std::strerror(errno);
  ASSERT_TRUE(PumpBoth([&] { return Saw("mounts", SHCNE_DRIVEREMOVED, deep + "/"); }));
  Settle();

  const std::vector<ShellNotifyChange> expected{{SHCNE_DRIVEADD, disk + "/", ""},
                                                {SHCNE_DRIVEADD, deep + "/", ""},
                                                {SHCNE_DRIVEREMOVED, disk + "/", ""},
                                                {SHCNE_DRIVEREMOVED, deep + "/", ""}};
  EXPECT_EQ(ChangesWith("mounts", driveCodes), expected);
  EXPECT_TRUE(ChangesWith("files", driveCodes).empty()) << "the default mask has no drive bits";

  // Closed: a mount gives nothing.
  m_hooks.calls.clear();
  notify.SetActive(false);
  ASSERT_EQ(mountTmpfs(disk), 0) << std::strerror(errno);
  Settle();
  EXPECT_TRUE(ChangesWith("mounts", driveCodes).empty());
  umount2(disk.c_str(), 0);
}

}  // namespace
}  // namespace halbrin::framework_test
