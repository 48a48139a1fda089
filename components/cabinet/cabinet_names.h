#pragma once

// How names from a cabinet and from scripts become paths: split at "\" and
// "/", leading separators, empty and "." parts dropped, a ".." part refused.
// Nothing here touches the disk.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin {

// The Win32 codes an extraction reports through "error".
inline constexpr int kCabinetErrorAccessDenied = 5;
inline constexpr int kCabinetErrorPathNotFound = 3;
inline constexpr int kCabinetErrorDiskFull = 112;
inline constexpr int kCabinetErrorInvalidName = 123;
inline constexpr int kCabinetErrorCantAccessFile = 1920;
inline constexpr int kCabinetErrorCantResolveFilename = 1921;

// The parts of a name; nullopt when a part is ".." or no part is left.
std::optional<std::vector<std::string>> CabinetNameParts(std::string_view name);

// The name written into a cabinet for a script's alias: its parts joined
// with "\"; nullopt as for CabinetNameParts.
std::optional<std::string> CabinetStoredName(std::string_view alias);

// A name as a cabinet holds it: UTF-8 when the 0x80 attribute says so,
// otherwise bytes of `codePage` (ASCII stays as it is). Bytes that do not
// decode are shown as U+FFFD, so the result is always UTF-8.
std::string CabinetNameText(std::string_view bytes, bool utf8, std::string_view codePage);

// The Win32 code for an errno met while placing an extracted file.
int CabinetTargetErrorCode(int error) noexcept;

}  // namespace halbrin
