#include "core/foundation/volume_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

// A volume and a table of disks, recording what it is asked.
class FakeVolumeSource : public IVolumeInfoSource {
 public:
  std::optional<VolumeInfo> volume = VolumeInfo{0x12345678, "DATA"};
  std::map<std::pair<int, int>, std::string> disks;
  std::vector<std::string> queriedPaths;
  std::vector<std::pair<int, int>> diskCalls;

  std::optional<VolumeInfo> QueryVolume(const std::string& path) override {
    queriedPaths.push_back(path);
    return volume;
  }
  std::string ReadDiskSerial(int controller, int drive) override {
    diskCalls.emplace_back(controller, drive);
    const auto found = disks.find({controller, drive});
    return found == disks.end() ? "" : found->second;
  }
};

constexpr std::uint32_t Disk(std::uint32_t controller, std::uint32_t drive) {
  return 2 | (controller << 4) | (drive << 8);
}

TEST(VolumeInfoTextTest, FlagsSelectTheAnswer) {
  const struct {
    const char* name;
    std::uint32_t flags;
    const char* expected;
    std::vector<std::pair<int, int>> calls;  // ReadDiskSerial calls, when any
  } cases[] = {
      {"serial", 0, "305419896", {}},
      {"label", 1, "DATA", {}},
      {"any disk", 2, "S-00-1", {{0, 0}, {0, 1}}},
      {"controller 1 drive 2", Disk(1, 2), "S-12", {{1, 2}}},
      // Controller 0 or drive 0 can be named on its own.
      {"controller 0 drive 3", Disk(0, 3), "", {{0, 3}}},
      {"controller 0 drive 1", Disk(0, 1), "S-00-1", {{0, 1}}},
      {"controller 3 drive 0", Disk(3, 0), "S-30", {{3, 0}}},
      {"unknown selector", 3, "", {}},
      {"high bits ignored", 0x10000 | 1, "DATA", {}},
      {"selector 15", 0xF, "", {}},
  };
  for (const auto& c : cases) {
    FakeVolumeSource source;
    source.disks = {{{0, 1}, "S-00-1"}, {{1, 2}, "S-12"}, {{3, 0}, "S-30"}};
    EXPECT_EQ(GetVolumeInfoText("/data", c.flags, source), c.expected) << c.name;
    EXPECT_EQ(source.diskCalls, c.calls) << c.name;
  }
}

TEST(VolumeInfoTextTest, SerialIsUnsignedDecimal) {
  FakeVolumeSource source;
  source.volume = VolumeInfo{0xFFFFFFFF, ""};
  EXPECT_EQ(GetVolumeInfoText("/", 0, source), "4294967295");
  source.volume = VolumeInfo{0, ""};
  EXPECT_EQ(GetVolumeInfoText("/", 0, source), "0");
}

TEST(VolumeInfoTextTest, TheVolumeIsAskedForTheTrimmedPath) {
  FakeVolumeSource source;
  GetVolumeInfoText("", 0, source);
  GetVolumeInfoText("   ", 0, source);
  GetVolumeInfoText("  \\data\\x  ", 0, source);
  EXPECT_EQ(source.queriedPaths, (std::vector<std::string>{"/", "/", "/data/x"}));
}

TEST(VolumeInfoTextTest, NothingWhenTheVolumeCannotBeQueried) {
  for (const std::uint32_t flags : {0u, 1u, 2u, Disk(1, 1)}) {
    FakeVolumeSource source;
    source.volume = std::nullopt;
    source.disks = {{{0, 0}, "S"}, {{1, 1}, "S"}};
    EXPECT_EQ(GetVolumeInfoText("/", flags, source), "") << flags;
    EXPECT_TRUE(source.diskCalls.empty());
  }
}

TEST(FindDiskSerialTest, TriesControllersThenDrivesInOrder) {
  FakeVolumeSource source;
  source.disks = {{{0, 3}, "FIRST"}, {{2, 0}, "LATER"}};
  EXPECT_EQ(FindDiskSerial(source), "FIRST");
  EXPECT_EQ(source.diskCalls, (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}, {0, 3}}));

  FakeVolumeSource empty;
  EXPECT_EQ(FindDiskSerial(empty), "");
  ASSERT_EQ(empty.diskCalls.size(), 16u * 5u);
  EXPECT_EQ(empty.diskCalls[5], std::make_pair(1, 0));
  EXPECT_EQ(empty.diskCalls.back(), std::make_pair(15, 4));
}

// A /sys/block look-alike: disks with and without a device, serials in each
// of the places the kernel puts them.
class SysBlockTest : public ::testing::Test {
 protected:
  SysBlockTest() {
    Disk("sdb", true, {{"device/serial", "  WD-WX12  \n"}});
    Disk("sda", true, {});
    Disk("nvme0n1", true, {{"device/serial", "S4EVNX0N\n"}});
    Disk("vda", true, {{"serial", "overlayblk"}});
    Disk("sdc", true, {{"device/vpd_pg80", std::string("\x00\x80\x00\x06 ZX12 ", 10)}});
    Disk("sdd", true, {{"device/serial", "\x01\x02  \n"}});
    Disk("loop0", false, {{"serial", "LOOP"}});
    Disk("sr0", true, {{"device/serial", "CDROM"}});
    Disk("zram0", false, {});
    Disk("dm-0", false, {});
  }

  void Disk(const std::string& name, bool device, const std::map<std::string, std::string>& files) {
    fs::create_directories(m_temp.Path() / name);
    if (device) fs::create_directories(m_temp.Path() / name / "device");
    for (const auto& [file, content] : files)
      testing::WriteFile(m_temp.Path() / name / file, content, testing::MakeFolders::Yes);
  }

  testing::TempFolder m_temp{"volume_info_test"};
};

TEST_F(SysBlockTest, DisksAreThePhysicalOnesInNameOrder) {
  SystemVolumeInfoSource source(m_temp.Path().string());
  EXPECT_EQ(source.Disks(), (std::vector<std::string>{"nvme0n1", "sda", "sdb", "sdc", "sdd", "vda"}));
}

TEST_F(SysBlockTest, ControllerAndDriveIndexTheDisks) {
  SystemVolumeInfoSource source(m_temp.Path().string());
  const struct {
    int controller;
    int drive;
    const char* expected;
  } cases[] = {
      {0, 0, "S4EVNX0N"}, {0, 1, ""},    {0, 2, "WD-WX12"}, {0, 3, "ZX12"}, {0, 4, ""},
      {1, 0, "overlayblk"}, {1, 1, ""},  {15, 4, ""},       {-1, 0, ""},    {0, -1, ""},
      {16, 0, ""},          {0, 5, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(source.ReadDiskSerial(c.controller, c.drive), c.expected) << c.controller << "," << c.drive;
  EXPECT_EQ(FindDiskSerial(source), "S4EVNX0N");
}

TEST_F(SysBlockTest, NoDisksNoSerial) {
  SystemVolumeInfoSource source(m_temp.Path("missing"));
  EXPECT_TRUE(source.Disks().empty());
  EXPECT_EQ(FindDiskSerial(source), "");
}

TEST(SystemVolumeTest, SerialOfThisSystemsVolumes) {
  const std::string root = GetVolumeInfoText("/", 0);
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.find_first_not_of("0123456789"), std::string::npos) << root;
  EXPECT_EQ(GetVolumeInfoText("", 0), root);
  // A path that does not exist belongs to the volume of its nearest folder.
  EXPECT_EQ(GetVolumeInfoText("/no such folder/child/file.txt", 0), root);
  const std::string temp = fs::temp_directory_path().string();
  EXPECT_EQ(GetVolumeInfoText(temp + "/missing/x", 0), GetVolumeInfoText(temp, 0));
  EXPECT_EQ(GetVolumeInfoText("/", 3), "");
  // A label may or may not exist; asking must work either way.
  const std::string label = GetVolumeInfoText("/", 1);
  EXPECT_EQ(label, GetVolumeInfoText("/", 1));
}

}  // namespace
}  // namespace halbrin
