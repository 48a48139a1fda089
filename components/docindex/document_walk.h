#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace halbrin {

// What tells whether a file changed: size, mtime, ctime and inode.
struct DocumentFileStamp {
  std::int64_t size = -1;
  std::int64_t mtimeNs = 0;
  std::int64_t ctimeNs = 0;
  std::uint64_t inode = 0;
  // lstat of a regular file.
  bool Read(const std::string& path);
  static DocumentFileStamp FromStat(const struct stat& st) noexcept;
  bool operator==(const DocumentFileStamp&) const = default;
};

// A listed document with the stamp the walk read.
struct DocumentEntry {
  std::string path;
  DocumentFileStamp stamp;
};

// The documents under `root` whose names match the Windows mask (letter case
// ignored): regular files only, symbolic links neither followed nor listed,
// dot files included. Within a folder the names sort case-insensitively and
// the files come before the sub-folders. With `recursive`, sub-folders are
// walked while `level` is negative (no limit) or above the depth (0 at root).
// Stops between entries once `stop` is requested.
std::vector<DocumentEntry> ListDocumentEntries(const std::string& root, const std::string& mask, bool recursive,
                                               int level, std::stop_token stop = {});
// The paths of ListDocumentEntries.
std::vector<std::string> ListDocuments(const std::string& root, const std::string& mask, bool recursive, int level,
                                       std::stop_token stop = {});

}  // namespace halbrin
