#include "components/cabinet/cabinet_errors.h"

#include <glib.h>
#include <string.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/foundation/paths.h"
#include "platform/base/format.h"

namespace halbrin {

using platform::Format;

namespace {

// The GNU strerror_r returns the text (maybe not in the buffer).
std::string ErrnoText(int error) {
  char buffer[256] = {};
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text ? text : "";
}

}  // namespace

ECabinetError::ECabinetError(int code, int type)
    : Exception(Format("Cabinet error %d (type %d)", {code, type})), m_code(code), m_type(type) {}

EApiError::EApiError(int error) : Exception(Format("Error %d: %s", {error, ErrnoText(error)})), m_error(error) {}

std::string CabinetTempFolder() {
  const char* folder = g_get_tmp_dir();
  struct stat info {};
  if (!folder || ::stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return {};
  return IncludePathDelimiter(folder);
}

std::string CabinetTempFileName(std::string_view folder, std::string_view prefix, int mode) {
  std::string pattern = IncludePathDelimiter(folder.empty() ? "." : folder);
  pattern.append(prefix).append("XXXXXX");
  const int fd = g_mkstemp_full(pattern.data(), O_RDWR | O_CLOEXEC, mode);
  if (fd < 0) return {};
  ::close(fd);
  return pattern;
}

}  // namespace halbrin
