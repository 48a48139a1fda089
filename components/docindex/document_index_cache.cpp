#include "components/docindex/document_index_cache.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "components/docindex/document_search.h"
#include "core/foundation/digests.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/text_helpers.h"

namespace halbrin {

namespace fs = std::filesystem;

namespace {

constexpr int kTransactionFiles = 200;
constexpr std::int64_t kMaxIndexedFile = 64ll << 20;
constexpr std::uintmax_t kCacheFolderCap = 1ull << 30;
constexpr std::int64_t kFreshMarginNs = 2'000'000'000;
constexpr int kSchemaVersion = 1;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

struct DbCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using DbPtr = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// A failed statement of a cache that is to be made again.
struct CacheError {};

StmtPtr Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) throw CacheError{};
  return StmtPtr(stmt);
}

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw CacheError{};
}

void Step(sqlite3_stmt* stmt) {
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) throw CacheError{};
  sqlite3_reset(stmt);
}

void RemoveCacheFile(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix, ec);
}

std::string Relative(const std::string& root, const std::string& path) {
  std::string prefix = root;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  return path.starts_with(prefix) ? path.substr(prefix.size()) : std::string();
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

// The least recently written caches go first while the folder is over its cap.
void CapCacheFolder() {
  std::error_code ec;
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  std::uintmax_t total = 0;
  for (fs::directory_iterator it(DocumentIndexCacheFolder(), ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    total += it->file_size(ec);
    if (it->path().extension() == ".sqlite") files.emplace_back(it->last_write_time(ec), it->path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& [time, path] : files) {
    if (total <= kCacheFolderCap) break;
    for (const char* suffix : {"", "-wal", "-shm"}) {
      const fs::path part = path.string() + suffix;
      const std::uintmax_t size = fs::file_size(part, ec);
      if (!ec && fs::remove(part, ec)) total -= std::min(total, size);
    }
  }
}

// One pass over the files; throws CacheError when the cache must be made again.
bool UpdateOnce(const std::string& path, const std::string& root, const std::vector<DocumentEntry>& files,
                const std::string& encoding, const std::stop_token& stop, bool& rebuild) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  DbPtr db(raw);
  if (rc != SQLITE_OK) throw CacheError{};
  sqlite3_busy_timeout(db.get(), 2000);
  Exec(db.get(), "PRAGMA journal_mode=WAL");
  Exec(db.get(),
       "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER);"
       "CREATE TABLE IF NOT EXISTS files(path TEXT PRIMARY KEY, size INTEGER, mtime INTEGER, ctime INTEGER,"
       " inode INTEGER, encoding TEXT, indexed_at INTEGER, fts_rowid INTEGER);"
       "CREATE VIRTUAL TABLE IF NOT EXISTS body USING fts5(text, content='', tokenize='trigram case_sensitive 1');");

  std::int64_t nextRowid = 1;
  std::int64_t version = kSchemaVersion;
  {
    StmtPtr meta = Prepare(db.get(), "SELECT key, value FROM meta");
    while (sqlite3_step(meta.get()) == SQLITE_ROW) {
      const std::string key = reinterpret_cast<const char*>(sqlite3_column_text(meta.get(), 0));
      if (key == "next_rowid") nextRowid = sqlite3_column_int64(meta.get(), 1);
      if (key == "version") version = sqlite3_column_int64(meta.get(), 1);
    }
  }
  if (version != kSchemaVersion) throw CacheError{};
  std::unordered_map<std::string, std::pair<DocumentFileStamp, std::int64_t>> rows;
  {
    StmtPtr select = Prepare(db.get(), "SELECT path, size, mtime, ctime, inode, indexed_at FROM files");
    int step = 0;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
      DocumentFileStamp stamp{sqlite3_column_int64(select.get(), 1), sqlite3_column_int64(select.get(), 2),
                              sqlite3_column_int64(select.get(), 3),
                              static_cast<std::uint64_t>(sqlite3_column_int64(select.get(), 4))};
      rows.emplace(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0)),
                   std::pair{stamp, sqlite3_column_int64(select.get(), 5)});
    }
    if (step != SQLITE_DONE) throw CacheError{};
  }
  const std::int64_t total = nextRowid - 1;
  const std::int64_t dead = total - static_cast<std::int64_t>(rows.size());
  if (total > 0 && dead * 4 > total) {
    rebuild = true;
    return true;
  }

  StmtPtr insertText = Prepare(db.get(), "INSERT INTO body(rowid, text) VALUES(?1, ?2)");
  StmtPtr insertFile = Prepare(db.get(),
                               "INSERT OR REPLACE INTO files(path, size, mtime, ctime, inode, encoding, indexed_at,"
                               " fts_rowid) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  StmtPtr saveNext = Prepare(db.get(), "INSERT OR REPLACE INTO meta(key, value) VALUES('next_rowid', ?1)");
  const DocumentTextDecoder decoder(encoding);
  int inTransaction = 0;
  auto commit = [&] {
    if (inTransaction == 0) return;
    sqlite3_bind_int64(saveNext.get(), 1, nextRowid);
    Step(saveNext.get());
    Exec(db.get(), "COMMIT");
    inTransaction = 0;
  };
  Exec(db.get(), "INSERT OR IGNORE INTO meta(key, value) VALUES('version', 1)");
  for (const DocumentEntry& entry : files) {
    if (stop.stop_requested()) break;
    const std::string& file = entry.path;
    const std::string relative = Relative(root, file);
    if (relative.empty()) continue;
    DocumentFileStamp stamp = entry.stamp;
    if ((stamp.size < 0 && !stamp.Read(file)) || stamp.size > kMaxIndexedFile) continue;
    const auto found = rows.find(relative);
    if (found != rows.end() && found->second.first == stamp &&
        stamp.mtimeNs + kFreshMarginNs <= found->second.second)
      continue;
    std::string bytes;
    if (!ReadBytes(file, bytes)) continue;
    const std::int64_t indexedAt = NowNs();
    const std::string text = DocumentIndexFold(decoder.Decode(bytes));
    if (inTransaction == 0) Exec(db.get(), "BEGIN");
    const std::int64_t rowid = nextRowid++;
    sqlite3_bind_int64(insertText.get(), 1, rowid);
    sqlite3_bind_text(insertText.get(), 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    Step(insertText.get());
    sqlite3_bind_text(insertFile.get(), 1, relative.data(), static_cast<int>(relative.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(insertFile.get(), 2, stamp.size);
    sqlite3_bind_int64(insertFile.get(), 3, stamp.mtimeNs);
    sqlite3_bind_int64(insertFile.get(), 4, stamp.ctimeNs);
    sqlite3_bind_int64(insertFile.get(), 5, static_cast<std::int64_t>(stamp.inode));
    sqlite3_bind_text(insertFile.get(), 6, encoding.data(), static_cast<int>(encoding.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(insertFile.get(), 7, indexedAt);
    sqlite3_bind_int64(insertFile.get(), 8, rowid);
    Step(insertFile.get());
    if (++inTransaction >= kTransactionFiles) commit();
  }
  commit();
  return true;
}

}  // namespace

std::string DocumentIndexCacheFolder() {
  std::string base;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') {
    base = cache;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.cache";
  } else {
    base = "/tmp";
  }
  return base + "/Zebrin/HalbrinLite/docindex";
}

std::string DocumentIndexCachePath(const std::string& root) {
  std::error_code ec;
  const fs::path real = fs::canonical(root, ec);
  if (ec) return {};
  // The raw digest may hold "/" or NUL: the name is its hex text.
  return DocumentIndexCacheFolder() + "/" + BytesToHex(DigestBytes(real.string(), CALG_MD5)) + ".sqlite";
}

std::string DocumentIndexFold(std::string_view text) { return UpperCaseText(text); }

std::string DocumentIndexQuoted(std::string_view foldedQuery) {
  std::string quoted = "\"";
  for (char c : foldedQuery) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// ---- DocumentIndexCache ----

std::unique_ptr<DocumentIndexCache> DocumentIndexCache::Open(const std::string& root) {
  const std::string path = DocumentIndexCachePath(root);
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return nullptr;
  std::unique_ptr<DocumentIndexCache> cache(new DocumentIndexCache());
  if (sqlite3_open_v2(path.c_str(), &cache->m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return nullptr;
  sqlite3_busy_timeout(cache->m_db, 2000);
  try {
    StmtPtr select = Prepare(cache->m_db, "SELECT path, size, mtime, ctime, inode, indexed_at, fts_rowid FROM files");
    int step = 0;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
      Row row;
      row.stamp = {sqlite3_column_int64(select.get(), 1), sqlite3_column_int64(select.get(), 2),
                   sqlite3_column_int64(select.get(), 3),
                   static_cast<std::uint64_t>(sqlite3_column_int64(select.get(), 4))};
      row.indexedAtNs = sqlite3_column_int64(select.get(), 5);
      row.ftsRowid = sqlite3_column_int64(select.get(), 6);
      cache->m_rows.emplace(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0)), row);
    }
    if (step != SQLITE_DONE) return nullptr;
  } catch (const CacheError&) {
    return nullptr;
  }
  for (const auto& [relative, row] : cache->m_rows) cache->m_byRowid.emplace(row.ftsRowid, &relative);
  return cache;
}

DocumentIndexCache::~DocumentIndexCache() {
  if (m_db) sqlite3_close_v2(m_db);
}

bool DocumentIndexCache::Candidates(std::string_view query, std::unordered_set<std::string>& paths) const {
  paths.clear();
  const std::string folded = DocumentIndexFold(query);
  if (Utf8Length(folded) < 3) return false;
  try {
    StmtPtr match = Prepare(m_db, "SELECT rowid FROM body WHERE body MATCH ?1");
    const std::string quoted = DocumentIndexQuoted(folded);
    sqlite3_bind_text(match.get(), 1, quoted.data(), static_cast<int>(quoted.size()), SQLITE_TRANSIENT);
    int step = 0;
    while ((step = sqlite3_step(match.get())) == SQLITE_ROW) {
      const auto found = m_byRowid.find(sqlite3_column_int64(match.get(), 0));
      if (found != m_byRowid.end()) paths.insert(*found->second);
    }
    return step == SQLITE_DONE;
  } catch (const CacheError&) {
    return false;
  }
}

bool DocumentIndexCache::IsFresh(const std::string& relativePath, const DocumentFileStamp& stamp) const {
  const auto found = m_rows.find(relativePath);
  if (found == m_rows.end()) return false;
  const Row& row = found->second;
  return row.stamp == stamp && stamp.mtimeNs + kFreshMarginNs <= row.indexedAtNs;
}

bool UpdateDocumentIndexCache(const std::string& root, const std::vector<std::string>& files,
                              const std::string& encoding, std::stop_token stop) {
  std::vector<DocumentEntry> entries;
  entries.reserve(files.size());
  for (const std::string& file : files) entries.push_back({file, {}});
  return UpdateDocumentIndexCache(root, entries, encoding, std::move(stop));
}

bool UpdateDocumentIndexCache(const std::string& root, const std::vector<DocumentEntry>& files,
                              const std::string& encoding, std::stop_token stop) {
  const std::string path = DocumentIndexCachePath(root);
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(DocumentIndexCacheFolder(), ec);
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool rebuild = false;
    try {
      UpdateOnce(path, root, files, encoding, stop, rebuild);
      if (!rebuild) {
        CapCacheFolder();
        return true;
      }
    } catch (const CacheError&) {
      // Damaged, locked or of another version: made again.
    }
    RemoveCacheFile(path);
  }
  return false;
}

// ---- DocumentIndexer ----

DocumentIndexer& DocumentIndexer::Instance() {
  static DocumentIndexer indexer;
  return indexer;
}

DocumentIndexer::~DocumentIndexer() {
  {
    const std::lock_guard lock(m_mutex);
    if (m_jobStop) m_jobStop->request_stop();
  }
  m_thread = {};
}

void DocumentIndexer::Enqueue(std::string root, std::vector<DocumentEntry> files, std::string encoding) {
  const std::lock_guard lock(m_mutex);
  std::erase_if(m_jobs, [&](const Job& job) { return job.root == root; });
  m_jobs.push_back({std::move(root), std::move(files), std::move(encoding)});
  if (!m_thread.Joinable()) m_thread = platform::OwnedThread([this](std::stop_token stop) { Run(std::move(stop)); });
  m_wake.notify_all();
}

void DocumentIndexer::Yield(const std::string& root) {
  const std::lock_guard lock(m_mutex);
  if (m_running && m_runningRoot == root && m_jobStop) m_jobStop->request_stop();
}

void DocumentIndexer::WaitIdle() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [&] { return m_jobs.empty() && !m_running; });
}

void DocumentIndexer::Run(std::stop_token stop) {
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
  std::unique_lock lock(m_mutex);
  while (true) {
    m_wake.wait(lock, stop, [&] { return !m_jobs.empty(); });
    if (stop.stop_requested()) break;
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_running = true;
    m_runningRoot = job.root;
    m_jobStop = std::make_unique<std::stop_source>();
    const std::stop_token jobStop = m_jobStop->get_token();
    lock.unlock();
    UpdateDocumentIndexCache(job.root, job.files, job.encoding, jobStop);
    lock.lock();
    m_running = false;
    m_runningRoot.clear();
    m_jobStop.reset();
    m_idle.notify_all();
  }
  m_running = false;
  m_idle.notify_all();
}

}  // namespace halbrin
