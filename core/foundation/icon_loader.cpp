#include "core/foundation/icon_loader.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <span>
#include <string_view>

#include "core/foundation/paths.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::size_t kMaxIconFileSize = std::size_t{16} << 20;

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::uint32_t ReadLe(std::span<const std::uint8_t> bytes, std::size_t offset, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes[offset + static_cast<std::size_t>(i)];
  return value;
}

bool IsPng(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return bytes.size() >= sizeof kSignature && std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin());
}

// True when `bytes` is an ICO or CUR file whose image `index` lies inside it.
bool HasIcoImage(std::span<const std::uint8_t> bytes, int index) {
  constexpr std::size_t kHeader = 6;
  constexpr std::size_t kEntry = 16;
  if (bytes.size() < kHeader || ReadLe(bytes, 0, 2) != 0) return false;
  const std::uint32_t type = ReadLe(bytes, 2, 2);
  const std::uint32_t count = ReadLe(bytes, 4, 2);
  if ((type != 1 && type != 2) || count == 0 || static_cast<std::uint32_t>(index) >= count) return false;
  if (bytes.size() < kHeader + kEntry * count) return false;
  const std::size_t entry = kHeader + kEntry * static_cast<std::size_t>(index);
  const std::uint64_t size = ReadLe(bytes, entry + 8, 4);
  const std::uint64_t offset = ReadLe(bytes, entry + 12, 4);
  return size > 0 && offset >= kHeader + kEntry * count && offset + size <= bytes.size();
}

}  // namespace

std::shared_ptr<const IconImage> LoadIconFile(const std::string& path, int index) {
  if (index < 0) return nullptr;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
      static_cast<std::uint64_t>(info.st_size) > kMaxIconFileSize)
    return nullptr;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  auto image = std::make_shared<IconImage>();
  image->bytes.resize(static_cast<std::size_t>(info.st_size));
  in.read(reinterpret_cast<char*>(image->bytes.data()), static_cast<std::streamsize>(image->bytes.size()));
  image->bytes.resize(static_cast<std::size_t>(in.gcount()));
  const bool usable = (index == 0 && IsPng(image->bytes)) || HasIcoImage(image->bytes, index);
  if (!usable) return nullptr;
  image->path = path;
  image->index = index;
  return image;
}

TIconLoadResult LoadIconFromVariant(IconHandle& icon, const Variant& value) {
  if (value.IsEmptyOrNull()) {
    icon.Clear();
    return TIconLoadResult::Cleared;
  }
  if (!value.IsString()) return TIconLoadResult::Left;
  const std::string text = WithSlashes(TrimBlanks(value.AsString()));
  if (text.empty()) {
    icon.Clear();
    return TIconLoadResult::Cleared;
  }
  auto loaded = [&icon](std::shared_ptr<const IconImage> image) {
    if (!image) return TIconLoadResult::Left;
    icon.Assign(std::move(image));
    return TIconLoadResult::Loaded;
  };
  if (IsRegularFile(text)) return loaded(LoadIconFile(text, 0));
  // The last comma: a path may hold commas and blanks of its own.
  const std::size_t comma = text.rfind(',');
  if (comma == std::string::npos) return TIconLoadResult::Left;
  const std::string file(TrimBlanks(std::string_view(text).substr(0, comma)));
  std::int64_t index = 0;
  if (!IsRegularFile(file) || !TryParseInt64(std::string_view(text).substr(comma + 1), index) || index < 0 ||
      index > INT_MAX)
    return TIconLoadResult::Left;
  return loaded(LoadIconFile(file, static_cast<int>(index)));
}

}  // namespace halbrin
