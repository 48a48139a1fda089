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
          const std::stop_token& stop, std::vector<DocumentEntry>& out) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (depth > 0 ? O_NOFOLLOW : 0));
  if (fd < 0) return;
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return;
  }
  std::vector<DocumentEntry> files;
  std::vector<std::string> folders;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (stop.stop_requested()) return;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode)) {
      if (MaskMatches(mask, name, TMaskCase::Ignore)) files.push_back({name, DocumentFileStamp::FromStat(st)});
    } else if (S_ISDIR(st.st_mode)) {
      folders.push_back(name);
    }
  }
  auto byName = [](const std::string& a, const std::string& b) {
    const int c = platform::CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  };
  std::sort(files.begin(), files.end(),
            [&](const DocumentEntry& a, const DocumentEntry& b) { return byName(a.path, b.path); });
  for (DocumentEntry& file : files) out.push_back({folder + file.path, file.stamp});
  if (!recursive || (level >= 0 && level <= depth)) return;
  std::sort(folders.begin(), folders.end(), byName);
  for (const std::string& name : folders) {
    if (stop.stop_requested()) return;
    Walk(folder + name + "/", mask, recursive, level, depth + 1, stop, out);
  }
}

}  // namespace

DocumentFileStamp DocumentFileStamp::FromStat(const struct stat& st) noexcept {
  DocumentFileStamp stamp;
  stamp.size = st.st_size;
  stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  stamp.ctimeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
  stamp.inode = st.st_ino;
  return stamp;
}

bool DocumentFileStamp::Read(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *this = FromStat(st);
  return true;
}

std::vector<std::string> ListDocuments(const std::string& root, const std::string& mask, bool recursive, int level,
                                       std::stop_token stop) {
  std::vector<std::string> paths;
  for (DocumentEntry& entry : ListDocumentEntries(root, mask, recursive, level, std::move(stop)))
    paths.push_back(std::move(entry.path));
  return paths;
}

std::vector<DocumentEntry> ListDocumentEntries(const std::string& root, const std::string& mask, bool recursive,
                                               int level, std::stop_token stop) {
  std::vector<DocumentEntry> out;
  if (root.empty()) return out;
  std::string folder = root;
  if (folder.back() != '/') folder += '/';
  Walk(folder, mask.empty() ? "*" : mask, recursive, level, 0, stop, out);
  return out;
}

}  // namespace halbrin
