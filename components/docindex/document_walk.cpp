#include "components/docindex/document_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "core/foundation/file_masks.h"
#include "platform/base/case_fold.h"

namespace halbrin {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

void Walk(const std::string& folder, const std::string& mask, bool recursive, int level, int depth,
          const std::stop_token& stop, std::vector<std::string>& out) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (depth > 0 ? O_NOFOLLOW : 0));
  if (fd < 0) return;
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return;
  }
  std::vector<std::string> files;
  std::vector<std::string> folders;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (stop.stop_requested()) return;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode)) {
      if (MaskMatches(mask, name, TMaskCase::Ignore)) files.push_back(name);
    } else if (S_ISDIR(st.st_mode)) {
      folders.push_back(name);
    }
  }
  auto byName = [](const std::string& a, const std::string& b) {
    const int c = platform::CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  };
  std::sort(files.begin(), files.end(), byName);
  for (const std::string& name : files) out.push_back(folder + name);
  if (!recursive || (level >= 0 && level <= depth)) return;
  std::sort(folders.begin(), folders.end(), byName);
  for (const std::string& name : folders) {
    if (stop.stop_requested()) return;
    Walk(folder + name + "/", mask, recursive, level, depth + 1, stop, out);
  }
}

}  // namespace

std::vector<std::string> ListDocuments(const std::string& root, const std::string& mask, bool recursive, int level,
                                       std::stop_token stop) {
  std::vector<std::string> out;
  if (root.empty()) return out;
  std::string folder = root;
  if (folder.back() != '/') folder += '/';
  Walk(folder, mask.empty() ? "*" : mask, recursive, level, 0, stop, out);
  return out;
}

}  // namespace halbrin
