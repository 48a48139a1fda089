#include "core/foundation/volume_info.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#ifdef HALBRIN_HAVE_BLKID
#include <blkid/blkid.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "core/foundation/paths.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

namespace {

constexpr int kControllers = 16;
constexpr int kDrivesPerController = 5;

std::string ReadSmallFile(const fs::path& path, std::size_t limit = 4096) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(limit, '\0');
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

// Printable ASCII only (a serial is ASCII), trimmed.
std::string CleanSerial(std::string_view raw) {
  std::string text;
  for (const char c : raw)
    if (c >= 0x20 && c < 0x7F) text += c;
  return std::string(TrimBlanks(text));
}

// The serial in a SCSI unit serial number page: a four-byte header whose
// bytes 2 and 3 give the length of the text after it.
std::string SerialFromVpdPage(std::string_view page) {
  if (page.size() < 4 || static_cast<unsigned char>(page[1]) != 0x80) return {};
  const std::size_t length =
      (static_cast<std::size_t>(static_cast<unsigned char>(page[2])) << 8) | static_cast<unsigned char>(page[3]);
  return CleanSerial(page.substr(4, length));
}

// The nearest existing folder of a path ("." for a relative path with none).
fs::path NearestExisting(const std::string& path) {
  fs::path current = path;
  std::error_code error;
  while (!fs::exists(current, error)) {
    fs::path parent = current.parent_path();
    if (parent.empty()) return ".";
    if (parent == current) break;
    current = std::move(parent);
  }
  return current;
}

// Undoes the octal escapes (\040 for a blank) of /proc/self/mountinfo.
std::string UnescapeMountField(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const auto digit = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
      if (digit(i + 1) && digit(i + 2) && digit(i + 3)) {
        text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
        i += 3;
        continue;
      }
    }
    text += field[i];
  }
  return text;
}

// The mount source (a device path for disk file systems) of the file system `device` is on.
std::string MountSource(dev_t device) {
  std::ifstream in("/proc/self/mountinfo");
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    std::size_t first = line.find(' ');
    if (first == std::string::npos) continue;
    std::size_t second = line.find(' ', first + 1);
    if (second == std::string::npos) continue;
    const std::size_t third = line.find(' ', second + 1);
    if (third == std::string::npos) continue;
    if (line.compare(second + 1, third - second - 1, wanted) != 0) continue;
    const std::size_t separator = line.find(" - ");
    if (separator == std::string::npos) continue;
    const std::size_t type = separator + 3;
    const std::size_t source = line.find(' ', type);
    if (source == std::string::npos) continue;
    const std::size_t sourceEnd = line.find(' ', source + 1);
    return UnescapeMountField(std::string_view(line).substr(source + 1, sourceEnd - source - 1));
  }
  return {};
}

// Undoes udev's \xNN escapes of a by-label link name.
std::string UnescapeUdevName(std::string_view name) {
  std::string text;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const std::string hex(name.substr(i + 2, 2));
      char* end = nullptr;
      const long value = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        text += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    text += name[i];
  }
  return text;
}

std::string LabelFromLinks(const std::string& device) {
  std::error_code error;
  const fs::path target = fs::canonical(device, error);
  if (error) return {};
  for (fs::directory_iterator it("/dev/disk/by-label", error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    if (fs::canonical(it->path(), linkError) == target && !linkError)
      return UnescapeUdevName(it->path().filename().string());
  }
  return {};
}

#ifdef HALBRIN_HAVE_BLKID
struct ProbeDeleter {
  void operator()(blkid_struct_probe* probe) const noexcept { blkid_free_probe(probe); }
};

std::string LabelFromProbe(const std::string& device) {
  std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(blkid_new_probe_from_filename(device.c_str()));
  if (!probe) return {};
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
  if (blkid_do_safeprobe(probe.get()) != 0) return {};
  const char* label = nullptr;
  if (blkid_probe_lookup_value(probe.get(), "LABEL", &label, nullptr) != 0 || !label) return {};
  return label;
}
#endif

std::string VolumeLabel(const fs::path& existing) {
  struct stat info {};
  if (stat(existing.c_str(), &info) != 0) return {};
  const std::string source = MountSource(info.st_dev);
  if (!source.starts_with("/dev/")) return {};
#ifdef HALBRIN_HAVE_BLKID
  // Probing reads the device itself, which needs read access to it.
  if (std::string label = LabelFromProbe(source); !label.empty()) return label;
#endif
  return LabelFromLinks(source);
}

bool IsPhysicalDiskName(std::string_view name) {
  for (const std::string_view prefix : {"loop", "ram", "zram", "dm-", "md", "sr", "fd", "nbd"})
    if (name.starts_with(prefix)) return false;
  return true;
}

}  // namespace

SystemVolumeInfoSource::SystemVolumeInfoSource(std::string sysBlock) : m_sysBlock(std::move(sysBlock)) {}

std::optional<VolumeInfo> SystemVolumeInfoSource::QueryVolume(const std::string& path) {
  const fs::path existing = NearestExisting(path);
  struct statvfs info {};
  if (statvfs(existing.c_str(), &info) != 0) return std::nullopt;
  VolumeInfo volume;
  volume.serial = static_cast<std::uint32_t>(info.f_fsid & 0xFFFFFFFFu);
  volume.label = VolumeLabel(existing);
  return volume;
}

std::vector<std::string> SystemVolumeInfoSource::Disks() const {
  std::vector<std::string> disks;
  std::error_code error;
  for (fs::directory_iterator it(m_sysBlock, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code deviceError;
    if (IsPhysicalDiskName(name) && fs::exists(it->path() / "device", deviceError)) disks.push_back(name);
  }
  std::sort(disks.begin(), disks.end());
  return disks;
}

std::string SystemVolumeInfoSource::ReadDiskSerial(int controller, int drive) {
  if (controller < 0 || controller >= kControllers || drive < 0 || drive >= kDrivesPerController) return {};
  const auto index = static_cast<std::size_t>(controller * kDrivesPerController + drive);
  const std::vector<std::string> disks = Disks();
  if (index >= disks.size()) return {};
  const fs::path disk = fs::path(m_sysBlock) / disks[index];
  for (const char* file : {"device/serial", "serial"})
    if (std::string serial = CleanSerial(ReadSmallFile(disk / file)); !serial.empty()) return serial;
  return SerialFromVpdPage(ReadSmallFile(disk / "device/vpd_pg80"));
}

std::string GetVolumeInfoText(std::string_view path, std::uint32_t flags, IVolumeInfoSource& source) {
  std::string root = WithSlashes(TrimBlanks(path));
  if (root.empty()) root = "/";
  const std::optional<VolumeInfo> volume = source.QueryVolume(root);
  if (!volume) return {};
  switch (flags & 0xF) {
    case 0: return std::to_string(volume->serial);
    case 1: return volume->label;
    case 2: {
      const int controller = static_cast<int>((flags >> 4) & 0xF);
      const int drive = static_cast<int>((flags >> 8) & 0xF);
      // Controller 0 or drive 0 can be asked for too: only both zero means "any disk".
      if (controller != 0 || drive != 0) return source.ReadDiskSerial(controller, drive);
      return FindDiskSerial(source);
    }
    default: return {};
  }
}

std::string GetVolumeInfoText(std::string_view path, std::uint32_t flags) {
  SystemVolumeInfoSource source;
  return GetVolumeInfoText(path, flags, source);
}

std::string FindDiskSerial(IVolumeInfoSource& source) {
  for (int controller = 0; controller < kControllers; ++controller)
    for (int drive = 0; drive < kDrivesPerController; ++drive)
      if (std::string serial = source.ReadDiskSerial(controller, drive); !serial.empty()) return serial;
  return {};
}

std::string FindDiskSerial() {
  SystemVolumeInfoSource source;
  return FindDiskSerial(source);
}

std::string ReadDiskSerial(int controller, int drive) {
  SystemVolumeInfoSource source;
  return source.ReadDiskSerial(controller, drive);
}

}  // namespace halbrin
