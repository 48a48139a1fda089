#include "core/foundation/paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view asciiPrefix) {
  if (text.size() < asciiPrefix.size()) return false;
  for (std::size_t i = 0; i < asciiPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != asciiPrefix[i]) return false;
  }
  return true;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      // A NUL byte would cut the path short wherever it is passed on.
      if (high >= 0 && low >= 0 && (high | low) != 0) {
        result += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

}  // namespace

std::string WithSlashes(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string GetApplicationFileName() {
  // The executable does not move while it runs.
  static const std::string fileName = [] {
    std::error_code error;
    fs::path path = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
  }();
  return fileName;
}

std::string IncludePathDelimiter(std::string_view path) {
  std::string result = WithSlashes(path);
  if (!result.empty() && result.back() != '/') result += '/';
  return result;
}

std::string ExtractFileBaseName(std::string_view path) {
  const std::string text = WithSlashes(path);
  const std::size_t slash = text.rfind('/');
  std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
  if (name == "." || name == "..") return name;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string ParentFolder(std::string_view path) {
  std::string text = WithSlashes(TrimBlanks(path));
  if (!text.empty() && text.back() == '/') text.pop_back();
  const std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

std::string NormalizePath(std::string_view path) {
  const std::string text = WithSlashes(TrimBlanks(path));
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  // Exactly two separators before a name mark a network path; keep them.
  if (text.size() > 2 && text[0] == '/' && text[1] == '/' && text[2] != '/') {
    result = "//";
    i = 2;
  }
  for (; i < text.size(); ++i) {
    if (text[i] == '/' && !result.empty() && result.back() == '/') continue;
    result += text[i];
  }
  return result;
}

std::string PathToUrl(std::string_view path) {
  const std::string_view trimmed = TrimBlanks(path);
  if (trimmed.empty()) return {};
  if (StartsWithNoCase(trimmed, "file://")) return std::string(trimmed);
  std::string text = WithSlashes(trimmed);
  if (text.front() != '/') {
    std::error_code error;
    const fs::path absolute = fs::absolute(text, error);
    if (!error) text = absolute.string();
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  url.reserve(url.size() + text.size() * 3);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte) || c == '/') {
      url += c;
    } else {
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0xF];
    }
  }
  return url;
}

std::string UrlToPath(std::string_view url) {
  const std::string text = WithSlashes(TrimBlanks(url));
  if (!StartsWithNoCase(text, "file:")) return text;
  std::string_view rest = std::string_view(text).substr(5);
  std::string path;
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::string_view host = rest.substr(0, rest.find('/'));
    if (host.empty() || (host.size() == 9 && StartsWithNoCase(host, "localhost")))
      rest.remove_prefix(host.size());
    else
      path = "//";  // a file on another host: keep it a network path
  }
  // Query and fragment are no part of the file's path.
  rest = rest.substr(0, rest.find_first_of("?#"));
  path += PercentDecode(rest);
  return path;
}

std::string GetLongPathNameText(std::string_view path) {
  if (path.empty()) return {};
  std::error_code error;
  const fs::path real = fs::canonical(WithSlashes(path), error);
  return error ? std::string() : real.string();
}

}  // namespace halbrin
