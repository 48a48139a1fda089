#include "web/browser/page_access_rule.h"

#include <glib.h>

#include <filesystem>
#include <system_error>

#include "platform/base/glib_ptr.h"
#include "web/pages/page_protocol.h"

namespace halbrin {

namespace {

std::string RealPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path real = std::filesystem::canonical(path, error);
  return error ? std::string() : real.string();
}

// Whether `path` (real) lies inside `folder`, compared as a prefix ending in "/".
bool Inside(const std::string& path, const std::string& folder) {
  if (folder.empty()) return false;
  std::string prefix = RealPath(folder);
  if (prefix.empty()) return false;
  if (prefix.back() != '/') prefix += '/';
  return path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string PageAccessRule::RealPathOfFileUri(std::string_view uri) {
  const std::string_view bare = uri.substr(0, uri.find_first_of("?#"));
  if (bare.size() < 5 || g_ascii_strncasecmp(bare.data(), "file:", 5) != 0) return {};
  platform::GCharPtr host;
  platform::GCharPtr path(g_filename_from_uri(std::string(bare).c_str(), platform::Out(host), nullptr));
  if (!path) return {};
  // Another machine's file is not a local one.
  if (host && *host && g_ascii_strcasecmp(host.get(), "localhost") != 0) return {};
  return RealPath(path.get());
}

bool PageAccessRule::Grants(std::string_view uri, std::string_view followedUri) const {
  if (pages::FollowsParent(uri)) {
    if (pages::FollowsParent(followedUri)) return false;
    uri = followedUri;
  }
  const std::string path = RealPathOfFileUri(uri);
  if (path.empty()) return false;
  return Inside(path, m_projectFolder) || Inside(path, m_applicationFolder);
}

}  // namespace halbrin
