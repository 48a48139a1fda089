#include "components/cabinet/cabinet_names.h"

#include <glib.h>

#include <cerrno>

#include "core/foundation/project_encoding.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

std::optional<std::vector<std::string>> CabinetNameParts(std::string_view name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.emplace_back(part);
    start = end + 1;
  }
  if (parts.empty()) return std::nullopt;
  return parts;
}

std::optional<std::string> CabinetStoredName(std::string_view alias) {
  const auto parts = CabinetNameParts(alias);
  if (!parts) return std::nullopt;
  std::string stored;
  for (const std::string& part : *parts) {
    if (!stored.empty()) stored += '\\';
    stored += part;
  }
  return stored;
}

std::string CabinetNameText(std::string_view bytes, bool utf8, std::string_view codePage) {
  bool ascii = true;
  for (const char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(bytes);
  if (!utf8) {
    try {
      return DecodeText(bytes, codePage);
    } catch (const EEncodingError&) {
      // Shown with replacement characters below.
    }
  }
  platform::GCharPtr valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
  return valid.get();
}

int CabinetTargetErrorCode(int error) noexcept {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return kCabinetErrorAccessDenied;
    case ENOENT:
    case ENOTDIR: return kCabinetErrorPathNotFound;
    case ENOSPC:
    case EDQUOT: return kCabinetErrorDiskFull;
    case ELOOP: return kCabinetErrorCantResolveFilename;
    case ENAMETOOLONG: return 206;
    case EEXIST:
    case ENOTEMPTY: return 183;
    case EXDEV: return 17;
    default: return kCabinetErrorCantAccessFile;
  }
}

}  // namespace halbrin
