#include "core/foundation/system_info.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/foundation/build_info.h"
#include "platform/base/format.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// The leading decimal digits of `text` (0 without any), and the text after them.
unsigned ReadNumber(std::string_view& text) {
  unsigned value = 0;
  while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
    value = value * 10 + static_cast<unsigned>(text.front() - '0');
    if (value > 0xFFFFFF) value = 0xFFFFFF;  // a garbled release must not overflow
    text.remove_prefix(1);
  }
  return value;
}

// A quoted or plain value of an os-release line.
std::string UnquoteValue(std::string_view value) {
  value = TrimBlanks(value);
  if (value.empty() || (value.front() != '"' && value.front() != '\'')) return std::string(value);
  const char quote = value.front();
  std::string result;
  for (std::size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == quote) break;
    if (quote == '"' && c == '\\' && i + 1 < value.size()) {
      result += value[++i];
      continue;
    }
    result += c;
  }
  return result;
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::map<std::string, std::string> ParseOsRelease(std::string_view text) {
  std::map<std::string, std::string> values;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = TrimBlanks(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) continue;
    values[std::string(TrimBlanks(line.substr(0, equals)))] = UnquoteValue(line.substr(equals + 1));
  }
  return values;
}

std::string FormatWindowsVersionText(std::string_view kernelRelease, std::string_view osReleaseText) {
  std::string_view release = TrimBlanks(kernelRelease);
  unsigned numbers[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    numbers[i] = ReadNumber(release);
    if (!release.starts_with('.')) break;
    release.remove_prefix(1);
  }
  const auto values = ParseOsRelease(osReleaseText);
  const auto value = [&values](const char* key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string() : std::string(TrimBlanks(found->second));
  };
  return Format("%d.%d.%d.%s.%s",
                {numbers[0], numbers[1], numbers[2] & 0xFFFF, value("PRETTY_NAME"), value("ID")});
}

std::string WindowsVersionText() {
  static const std::string text = [] {
    utsname names{};
    const std::string release = uname(&names) == 0 ? names.release : "";
    std::string osRelease = ReadWholeFile("/etc/os-release");
    if (osRelease.empty()) osRelease = ReadWholeFile("/usr/lib/os-release");
    return FormatWindowsVersionText(release, osRelease);
  }();
  return text;
}

std::string GetIEVersionText() { return HALBRIN_WEBKIT_VERSION; }

std::string GetUserNameText() {
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
  passwd entry{};
  passwd* found = nullptr;
  int error = 0;
  while ((error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (1u << 20))
    buffer.resize(buffer.size() * 2);
  if (error == 0 && found && found->pw_name && *found->pw_name) return found->pw_name;
  // A user id without an entry (containers often run one) still has a name.
  const char* name = std::getenv("USER");
  return name ? name : "";
}

std::string GetComputerNameText() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string ReadCpuIdText() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) eax = ebx = ecx = edx = 0;
#endif
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(32);
  for (const unsigned reg : {eax, ebx, ecx, edx})
    for (int shift = 28; shift >= 0; shift -= 4) text += kHex[(reg >> shift) & 0xF];
  return text;
}

std::string MaskCpuIdText(std::string_view text, char replacement) {
  std::string result(text);
  if (result.size() >= 10) result[8] = result[9] = replacement;
  return result;
}

std::string GetCpuIdText(char replacement) {
  static const std::string text = ReadCpuIdText();
  return MaskCpuIdText(text, replacement);
}

}  // namespace halbrin
