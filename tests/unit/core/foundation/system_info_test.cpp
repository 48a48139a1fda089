#include "core/foundation/system_info.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <thread>

namespace halbrin {
namespace {

constexpr char kDebianRelease[] =
    "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
    "NAME=\"Debian GNU/Linux\"\n"
    "VERSION_ID=\"12\"\n"
    "ID=debian\n"
    "HOME_URL=\"https://www.debian.org/\"\n";

TEST(OsReleaseTest, ParsesQuotesEscapesAndComments) {
  const auto values = ParseOsRelease(
      "# a comment\n"
      "\n"
      "ID=fedora\n"
      "PRETTY_NAME='Fedora Linux 39 (Workstation Edition)'\r\n"
      "NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"\n"
      "  VARIANT = spaced \n"
      "no equals sign\n"
      "=nameless\n"
      "ID=later\n"
      "EMPTY=\n"
      "UNCLOSED=\"abc");
  const std::map<std::string, std::string> expected{
      {"ID", "later"},
      {"PRETTY_NAME", "Fedora Linux 39 (Workstation Edition)"},
      {"NAME", "Say \"hi\" \\ $HOME"},
      {"VARIANT", "spaced"},
      {"EMPTY", ""},
      {"UNCLOSED", "abc"},
  };
  EXPECT_EQ(values, expected);
}

TEST(WindowsVersionTextTest, FromKernelReleaseAndOsRelease) {
  const struct {
    const char* kernel;
    const char* osRelease;
    const char* expected;
  } cases[] = {
      {"6.1.0-18-amd64", kDebianRelease, "6.1.0.Debian GNU/Linux 12 (bookworm).debian"},
      {"6.18.44-fc-v1478", "", "6.18.44.."},
      {"5.15", "ID=ubuntu\nPRETTY_NAME='Ubuntu 22.04.3 LTS'\n", "5.15.0.Ubuntu 22.04.3 LTS.ubuntu"},
      // The patch number keeps its low 16 bits, as a build number did.
      {"4.19.70000", "ID=x", "4.19.4464..x"},
      {"garbage", "", "0.0.0.."},
      {"", "", "0.0.0.."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatWindowsVersionText(c.kernel, c.osRelease), c.expected) << c.kernel;
}

TEST(WindowsVersionTextTest, DescribesThisSystem) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  std::ifstream in("/etc/os-release");
  std::string osRelease((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (osRelease.empty()) {
    std::ifstream lib("/usr/lib/os-release");
    osRelease.assign(std::istreambuf_iterator<char>(lib), std::istreambuf_iterator<char>());
  }
  const std::string text = WindowsVersionText();
  EXPECT_EQ(text, FormatWindowsVersionText(names.release, osRelease));
  EXPECT_TRUE(std::regex_search(text, std::regex("^[0-9]+\\.[0-9]+\\.[0-9]+\\."))) << text;
}

TEST(BrowserVersionTest, IsAVersionNumberWhenBuiltWithTheEngine) {
  const std::string version = GetIEVersionText();
  if (version.empty()) GTEST_SKIP() << "built without WebKitGTK";
  EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+(\\.[0-9]+)+"))) << version;
}

TEST(UserAndComputerTest, NamesComeFromTheSystem) {
  if (const passwd* entry = getpwuid(geteuid())) {
    EXPECT_EQ(GetUserNameText(), entry->pw_name);
  }
  EXPECT_FALSE(GetUserNameText().empty());
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(GetComputerNameText(), names.nodename);
}

const std::regex kCpuIdPattern("[0-9A-F]{32}");

TEST(CpuIdTest, MaskReplacesTheWholeTopByteOfEbx) {
  EXPECT_EQ(MaskCpuIdText("000306A9" "0A100800" "7FBAE3FF" "BFEBFBFF", '0'),
            "000306A9" "00100800" "7FBAE3FF" "BFEBFBFF");
  EXPECT_EQ(MaskCpuIdText("00000000F7000000", 'x'), "00000000xx000000");
  EXPECT_EQ(MaskCpuIdText("0123456789", '-'), "01234567--");
  EXPECT_EQ(MaskCpuIdText("012345678", '-'), "012345678");
  EXPECT_EQ(MaskCpuIdText("", '0'), "");
}

TEST(CpuIdTest, IsThirtyTwoHexDigitsWithTheCoreMasked) {
  const std::string raw = ReadCpuIdText();
  ASSERT_TRUE(std::regex_match(raw, kCpuIdPattern)) << raw;
  const std::string id = GetCpuIdText('0');
  ASSERT_TRUE(std::regex_match(id, kCpuIdPattern)) << id;
  EXPECT_EQ(id.substr(8, 2), "00");
  EXPECT_EQ(id, MaskCpuIdText(raw, '0'));
  EXPECT_EQ(GetCpuIdText('7').substr(8, 2), "77");
}

TEST(CpuIdTest, SameTextOnEveryCore) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  std::set<std::string> ids;
  int cores = 0;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    ++cores;
    // A thread of its own, pinned, so the test's thread keeps its affinity.
    std::string id;
    std::thread pinned([cpu, &id] {
      cpu_set_t one;
      CPU_ZERO(&one);
      CPU_SET(cpu, &one);
      if (pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0) id = MaskCpuIdText(ReadCpuIdText(), '0');
    });
    pinned.join();
    ASSERT_FALSE(id.empty()) << "could not run on cpu " << cpu;
    ids.insert(id);
  }
  ASSERT_GT(cores, 0);
  EXPECT_EQ(ids.size(), 1u) << "cores: " << cores;
  EXPECT_EQ(*ids.begin(), GetCpuIdText('0'));
}

}  // namespace
}  // namespace halbrin
