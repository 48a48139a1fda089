#pragma once

// Volume serial numbers and labels, and the serial numbers of physical disks,
// as the scripts' machine-identity queries ask for them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin {

struct VolumeInfo {
  std::uint32_t serial = 0;
  std::string label;
};

// Where volume and disk facts come from; tests pass a fake.
class IVolumeInfoSource {
 public:
  virtual ~IVolumeInfoSource() = default;
  // The volume holding `path`; nullopt when it cannot be queried.
  virtual std::optional<VolumeInfo> QueryVolume(const std::string& path) = 0;
  // The serial of drive `drive` (0 to 4) on controller `controller` (0 to 15);
  // "" when there is no such disk or its serial cannot be read.
  virtual std::string ReadDiskSerial(int controller, int drive) = 0;
};

// The running system's facts. The volume of a path is the file system of its
// nearest existing folder: serial the low 32 bits of statvfs's f_fsid, label
// the file system's label (libblkid, or the udev by-label links). Disks are
// the block devices under `sysBlock` that have a device of their own (not
// loop, RAM, device-mapper or optical), in name order; controller c, drive d
// is the disk at position c * 5 + d; its serial is read from device/serial,
// serial or device/vpd_pg80, trimmed.
class SystemVolumeInfoSource final : public IVolumeInfoSource {
 public:
  explicit SystemVolumeInfoSource(std::string sysBlock = "/sys/block");

  std::optional<VolumeInfo> QueryVolume(const std::string& path) override;
  std::string ReadDiskSerial(int controller, int drive) override;

  // The disks in the order ReadDiskSerial counts them (names like "sda").
  std::vector<std::string> Disks() const;

 private:
  std::string m_sysBlock;
};

// The flags select the answer (an unsigned decimal serial, a label, a disk serial):
//   low four bits 0: the serial of the volume holding the trimmed path ("" means "/");
//   1: its label; 2: a disk serial, from ReadDiskSerial(c, d) with c in bits 4-7
//   and d in bits 8-11 when either is non-zero, else from FindDiskSerial;
//   any other value: "". "" too when the volume cannot be queried.
std::string GetVolumeInfoText(std::string_view path, std::uint32_t flags, IVolumeInfoSource& source);
std::string GetVolumeInfoText(std::string_view path, std::uint32_t flags);

// The first non-empty serial over controllers 0 to 15 and drives 0 to 4, in that order.
std::string FindDiskSerial(IVolumeInfoSource& source);
std::string FindDiskSerial();

std::string ReadDiskSerial(int controller, int drive);

}  // namespace halbrin
