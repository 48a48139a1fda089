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

// `fd` is the open folder (owned); its entries are named `folder` + name.
void Walk(int fd, const std::string& folder, const std::string& mask, bool recursive, int level, int depth,
          const std::stop_token& stop, std::vector<DocumentEntry>& out) {
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
  if (!dir) {
    ::close(fd);
    return;
  }
  const int dirFd = ::dirfd(dir.get());
  const bool descend = recursive && (level < 0 || level > depth);
  std::vector<DocumentEntry> files;
  std::vector<std::string> folders;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (stop.stop_requested()) return;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The entry type spares a stat for folders, links and names the mask rules out.
    const unsigned char type = entry->d_type;
    if (type == DT_DIR) {
      if (descend) folders.push_back(name);
      continue;
    }
    if (type != DT_REG && type != DT_UNKNOWN) continue;
    if (type == DT_REG && !MaskMatches(mask, name, TMaskCase::Ignore)) continue;
    struct stat st {};
    if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode)) {
      if (MaskMatches(mask, name, TMaskCase::Ignore)) files.push_back({name, DocumentFileStamp::FromStat(st)});
    } else if (S_ISDIR(st.st_mode) && descend) {
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
  std::sort(folders.begin(), folders.end(), byName);
  for (const std::string& name : folders) {
    if (stop.stop_requested()) return;
    // O_NOFOLLOW: a folder replaced by a link since the listing is not entered.
    const int child = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (child >= 0) Walk(child, folder + name + "/", mask, recursive, level, depth + 1, stop, out);
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
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return out;
  Walk(fd, folder, mask.empty() ? "*" : mask, recursive, level, 0, stop, out);
  return out;
}

}  // namespace halbrin
