#pragma once

// An optional trigram index of a root's documents (SQLite FTS5), used only to
// skip documents that cannot match a plain-text item: the search's results
// never depend on it. One file per root:
//   $XDG_CACHE_HOME/Zebrin/HalbrinLite/docindex/<MD5 of the root's real path>.sqlite
// Rows keep the file's size, mtime, ctime and inode; a row is fresh while they
// are unchanged and the mtime lies at least 2 s before the row was written.
// The text indexed is the search's own reading of the file, folded to upper
// case character by character (SearchBuffer's fold), so every hit of the
// search is a hit of the index whatever the case options.
//
// SQLite 3.40's contentless tables cannot delete rows: a changed file gets a
// new FTS rowid, the files table maps each path to its current rowid, and old
// rowids stay as dead entries. Once they are more than a quarter of all
// rowids the root's cache is made again.

#include <cstdint>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <deque>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "components/docindex/document_walk.h"
#include "platform/eventloop/owned_thread.h"

struct sqlite3;

namespace halbrin {

// The cache folder, read from the environment at each call.
std::string DocumentIndexCacheFolder();
// The cache file of a root ("" when the root has no real path).
std::string DocumentIndexCachePath(const std::string& root);

// The folded form both the index and its queries use.
std::string DocumentIndexFold(std::string_view text);
// The query as one FTS5 string ("" doubled inside).
std::string DocumentIndexQuoted(std::string_view foldedQuery);

// A root's cache opened for reading by one search.
class DocumentIndexCache {
 public:
  // Null when the root has no cache or it cannot be read.
  static std::unique_ptr<DocumentIndexCache> Open(const std::string& root);
  ~DocumentIndexCache();
  DocumentIndexCache(const DocumentIndexCache&) = delete;
  DocumentIndexCache& operator=(const DocumentIndexCache&) = delete;

  // The relative paths whose current row may contain the query (3 characters
  // or more); false when the index could not answer.
  bool Candidates(std::string_view query, std::unordered_set<std::string>& paths) const;
  bool IsFresh(const std::string& relativePath, const DocumentFileStamp& stamp) const;
  std::size_t RowCount() const noexcept { return m_rows.size(); }

 private:
  struct Row {
    DocumentFileStamp stamp;
    std::int64_t indexedAtNs = 0;
    std::int64_t ftsRowid = 0;
  };
  DocumentIndexCache() = default;

  sqlite3* m_db = nullptr;
  std::unordered_map<std::string, Row> m_rows;
  std::unordered_map<std::int64_t, const std::string*> m_byRowid;
};

// Brings a root's cache up to date for the listed files (absolute paths under
// root): files without a fresh row are read and indexed, 200 to a
// transaction; files over 64 MiB are left out. A damaged or locked cache file
// is deleted and made again. Stops between files once `stop` is requested.
// Returns false only when the cache could not be written at all.
bool UpdateDocumentIndexCache(const std::string& root, const std::vector<std::string>& files,
                              const std::string& encoding, std::stop_token stop = {});
// The same for listed documents: a stamp the walk read (size 0 or more) stands for a new lstat.
bool UpdateDocumentIndexCache(const std::string& root, const std::vector<DocumentEntry>& files,
                              const std::string& encoding, std::stop_token stop = {});

// The process's one indexer (nice 19): brings a cache up to date after a search
// that met a document without a fresh row.
class DocumentIndexer {
 public:
  static DocumentIndexer& Instance();
  ~DocumentIndexer();

  void Enqueue(std::string root, std::vector<DocumentEntry> files, std::string encoding);
  // A search on the root is starting: the work on it stops and goes back to the queue's end.
  void Yield(const std::string& root);
  // Blocks until the queue is empty and nothing runs (tests and benchmarks).
  void WaitIdle();

 private:
  struct Job {
    std::string root;
    std::vector<DocumentEntry> files;
    std::string encoding;
  };
  DocumentIndexer() = default;
  void Run(std::stop_token stop);

  std::mutex m_mutex;
  std::condition_variable_any m_wake;
  std::condition_variable m_idle;
  std::deque<Job> m_jobs;
  std::string m_runningRoot;
  bool m_running = false;
  std::unique_ptr<std::stop_source> m_jobStop;
  platform::OwnedThread m_thread;
};

}  // namespace halbrin
