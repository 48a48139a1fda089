#include "core/foundation/file_version.h"

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>

#include "core/foundation/build_info.h"
#include "core/foundation/paths.h"
#include "platform/base/format.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// Little-endian reads that fail instead of reading past the end.
class ImageReader {
 public:
  explicit ImageReader(std::span<const std::uint8_t> bytes) noexcept : m_bytes(bytes) {}

  std::optional<std::uint16_t> U16(std::uint64_t offset) const noexcept {
    if (!Fits(offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
  }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const noexcept {
    if (!Fits(offset, 4)) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | m_bytes[offset + static_cast<std::uint64_t>(i)];
    return value;
  }
  bool Fits(std::uint64_t offset, std::uint64_t length) const noexcept {
    return offset <= m_bytes.size() && length <= m_bytes.size() - offset;
  }

 private:
  std::span<const std::uint8_t> m_bytes;
};

constexpr std::uint16_t kDosSignature = 0x5A4D;      // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kVersionResourceType = 16;  // RT_VERSION
constexpr std::uint32_t kSubdirectoryBit = 0x80000000;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint16_t kMaxSections = 96;
constexpr std::uint32_t kMaxDirectoryEntries = 4096;

// The file offset of a relative virtual address, when it lies in a section's raw data.
std::optional<std::uint64_t> MapAddress(const ImageReader& reader, std::uint64_t sectionTable,
                                        std::uint16_t sections, std::uint32_t address) {
  for (std::uint16_t i = 0; i < sections; ++i) {
    const std::uint64_t section = sectionTable + std::uint64_t{40} * i;
    const auto virtualAddress = reader.U32(section + 12);
    const auto rawSize = reader.U32(section + 16);
    const auto rawOffset = reader.U32(section + 20);
    if (!virtualAddress || !rawSize || !rawOffset) return std::nullopt;
    if (address >= *virtualAddress && std::uint64_t{address} - *virtualAddress < *rawSize)
      return std::uint64_t{*rawOffset} + (address - *virtualAddress);
  }
  return std::nullopt;
}

// The offset field of an entry of the resource directory at `directory`:
// the entry with `id` or, with no id, the first entry.
std::optional<std::uint32_t> FindEntry(const ImageReader& reader, std::uint64_t directory,
                                       std::optional<std::uint32_t> id) {
  const auto named = reader.U16(directory + 12);
  const auto ids = reader.U16(directory + 14);
  if (!named || !ids) return std::nullopt;
  const std::uint32_t count = std::min<std::uint32_t>(std::uint32_t{*named} + *ids, kMaxDirectoryEntries);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t entry = directory + 16 + std::uint64_t{8} * i;
    const auto name = reader.U32(entry);
    const auto offset = reader.U32(entry + 4);
    if (!name || !offset) return std::nullopt;
    if (!id || *name == *id) return offset;
  }
  return std::nullopt;
}

// "VS_VERSION_INFO" with its NUL, in UTF-16.
bool HasVersionInfoKey(const ImageReader& reader, std::uint64_t offset) {
  constexpr std::string_view kKey("VS_VERSION_INFO\0", 16);
  for (std::size_t i = 0; i < kKey.size(); ++i) {
    const auto unit = reader.U16(offset + 2 * i);
    if (!unit || *unit != static_cast<unsigned char>(kKey[i])) return false;
  }
  return true;
}

bool IsRunningProgram(const struct stat& file) {
  struct stat self {};
  return stat("/proc/self/exe", &self) == 0 && self.st_dev == file.st_dev && self.st_ino == file.st_ino;
}

}  // namespace

FileVersion ProgramVersion() noexcept {
  return {HALBRIN_VERSION_MAJOR, HALBRIN_VERSION_MINOR, HALBRIN_VERSION_PATCH, HALBRIN_VERSION_TWEAK};
}

FileVersion ReadImageFileVersion(std::span<const std::uint8_t> image) {
  const ImageReader reader(image);
  if (reader.U16(0) != kDosSignature) return {};
  const auto peOffset = reader.U32(0x3C);
  if (!peOffset || reader.U32(*peOffset) != kPeSignature) return {};
  const std::uint64_t coff = std::uint64_t{*peOffset} + 4;
  const auto sections = reader.U16(coff + 2);
  const auto optionalSize = reader.U16(coff + 16);
  if (!sections || !optionalSize) return {};
  const std::uint64_t optional = coff + 20;
  const auto magic = reader.U16(optional);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return {};
  const std::uint64_t directories = magic == kPe32Magic ? 96 : 112;
  const auto directoryCount = reader.U32(optional + directories - 4);
  if (!directoryCount || *directoryCount <= kResourceDirectory ||
      *optionalSize < directories + 8 * (kResourceDirectory + 1))
    return {};
  const auto resourceAddress = reader.U32(optional + directories + 8 * kResourceDirectory);
  if (!resourceAddress || *resourceAddress == 0) return {};
  const std::uint64_t sectionTable = optional + *optionalSize;
  const std::uint16_t sectionCount = std::min(*sections, kMaxSections);
  const auto resources = MapAddress(reader, sectionTable, sectionCount, *resourceAddress);
  if (!resources) return {};

  // Type RT_VERSION, then its first name, then its first language.
  const auto byType = FindEntry(reader, *resources, kVersionResourceType);
  if (!byType || !(*byType & kSubdirectoryBit)) return {};
  const auto byName = FindEntry(reader, *resources + (*byType & ~kSubdirectoryBit), std::nullopt);
  if (!byName || !(*byName & kSubdirectoryBit)) return {};
  const auto byLanguage = FindEntry(reader, *resources + (*byName & ~kSubdirectoryBit), std::nullopt);
  if (!byLanguage || (*byLanguage & kSubdirectoryBit)) return {};
  const std::uint64_t dataEntry = *resources + *byLanguage;
  const auto dataAddress = reader.U32(dataEntry);
  const auto dataSize = reader.U32(dataEntry + 4);
  if (!dataAddress || !dataSize) return {};
  const auto data = MapAddress(reader, sectionTable, sectionCount, *dataAddress);
  // A resource running past the end of the file is a damaged file.
  if (!data || !reader.Fits(*data, *dataSize)) return {};

  // VS_VERSIONINFO: length, value length, type, key, padding to 32 bits, then
  // the fixed block.
  const auto blockLength = reader.U16(*data);
  const auto valueLength = reader.U16(*data + 2);
  constexpr std::uint64_t kValueOffset = 40;
  constexpr std::uint64_t kFixedInfoSize = 52;
  if (!blockLength || !valueLength || *valueLength < kFixedInfoSize ||
      kValueOffset + kFixedInfoSize > std::min<std::uint64_t>(*blockLength, *dataSize) ||
      !HasVersionInfoKey(reader, *data + 6))
    return {};
  const std::uint64_t fixed = *data + kValueOffset;
  const auto signature = reader.U32(fixed);
  const auto mostSignificant = reader.U32(fixed + 8);
  const auto leastSignificant = reader.U32(fixed + 12);
  if (signature != kFixedInfoSignature || !mostSignificant || !leastSignificant) return {};
  return {static_cast<int>(*mostSignificant >> 16), static_cast<int>(*mostSignificant & 0xFFFF),
          static_cast<int>(*leastSignificant >> 16), static_cast<int>(*leastSignificant & 0xFFFF)};
}

FileVersion GetFileVersion(std::string_view path) {
  const std::string fileName = WithSlashes(path);
  struct stat file {};
  // Only regular files: opening a FIFO would wait for a writer.
  if (fileName.empty() || stat(fileName.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) return {};
  if (IsRunningProgram(file)) return ProgramVersion();
  GErrorPtr error;
  GMappedFilePtr mapped(g_mapped_file_new(fileName.c_str(), FALSE, Out(error)));
  if (!mapped) return {};
  const auto* contents = reinterpret_cast<const std::uint8_t*>(g_mapped_file_get_contents(mapped.get()));
  if (!contents) return {};
  return ReadImageFileVersion({contents, g_mapped_file_get_length(mapped.get())});
}

std::string FileVersionText(const FileVersion& version) {
  return Format("%d.%d.%d.%d", {version.major, version.minor, version.release, version.build});
}

std::string GetFileVersionText(std::string_view path) { return FileVersionText(GetFileVersion(path)); }

const std::string& GetModuleVersionText() {
  // The program file's version is the one built into it.
  static const std::string text = FileVersionText(ProgramVersion());
  return text;
}

}  // namespace halbrin
