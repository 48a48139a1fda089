// One document search as a whole process, for bench/docindex/run.sh:
//
//   docindex_bench search ROOT QUERY [--no-cache] [--progress] [--names FILE]
//   docindex_bench build ROOT      (the index cache made from nothing)
//   docindex_bench walk ROOT       (the bare file walk)
//
// Prints one line of key=value pairs: ms, results, stall_ms (the longest gap
// of a 1 ms timer on the main loop during the search), bytes.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "components/docindex/document_index_cache.h"
#include "components/docindex/document_walk.h"
#include "components/docindex/file_document_index.h"
#include "core/foundation/project_encoding.h"
#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin {
namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class TBenchIndex : public TFileDocumentIndex {
 public:
  bool done = false;
  void completeHandler(platform::TObject*, int, int) override { done = true; }
  void progressHandler(platform::TObject*, int, int, int, bool& proceed) override { proceed = true; }
};

int Search(const std::string& root, const std::string& query, bool useCache, bool progress, const char* namesOut) {
  platform::GLibEventLoop loop;
  platform::ScopedMainEventLoop scope(loop);
  TBenchIndex index;
  index.SetRoot(root);
  index.SetRecursive(true);
  index.SetLevel(-1);
  index.SetUseCache(useCache);
  TDocumentIndexFilterItem& item = index.Filter().AddItem();
  item.SetText(query);
  item.SetQuery(query);
  item.SetContentType(TDocumentIndexContentType::ditText);
  index.m_onComplete.Bind<TCustomDocumentIndex>(index, &TCustomDocumentIndex::completeHandler);
  if (progress) index.m_onProgress.Bind<TCustomDocumentIndex>(index, &TCustomDocumentIndex::progressHandler);

  double stall = 0;
  auto last = Clock::now();
  const auto timer = loop.AddTimer(1, [&] {
    const auto now = Clock::now();
    stall = std::max(stall, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    return true;
  });
  const auto start = Clock::now();
  last = start;
  index.SetExec(platform::Variant("execute"));
  loop.RunUntil([&] { return index.done; }, 600000);
  const double ms = Ms(start);
  loop.RemoveSource(timer);
  if (namesOut) {
    std::ofstream out(namesOut);
    for (int i = 0; i < index.Content().Count(); ++i) out << index.Content().ItemAt(i)->Name() << "\n";
  }
  std::printf("ms=%.1f results=%d stall_ms=%.1f\n", ms, index.Content().Count(), stall);
  // The cache the search asked for is made before the process ends.
  DocumentIndexer::Instance().WaitIdle();
  return 0;
}

int Build(const std::string& root) {
  const auto start = Clock::now();
  const std::vector<DocumentEntry> files = ListDocumentEntries(root, "*", true, -1);
  UpdateDocumentIndexCache(root, files, ProjectEncoding());
  const double ms = Ms(start);
  std::uintmax_t bytes = 0;
  std::error_code ec;
  const std::string path = DocumentIndexCachePath(root);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    const auto size = std::filesystem::file_size(path + suffix, ec);
    if (!ec) bytes += size;
  }
  std::printf("ms=%.1f files=%zu bytes=%ju\n", ms, files.size(), bytes);
  return 0;
}

int Walk(const std::string& root) {
  const auto start = Clock::now();
  const std::vector<std::string> files = ListDocuments(root, "*", true, -1);
  std::printf("ms=%.1f files=%zu\n", Ms(start), files.size());
  return 0;
}

}  // namespace
}  // namespace halbrin

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "search") == 0) {
    bool useCache = true, progress = false;
    const char* names = nullptr;
    for (int i = 4; i < argc; ++i) {
      if (std::strcmp(argv[i], "--no-cache") == 0) useCache = false;
      if (std::strcmp(argv[i], "--progress") == 0) progress = true;
      if (std::strcmp(argv[i], "--names") == 0 && i + 1 < argc) names = argv[++i];
    }
    return halbrin::Search(argv[2], argv[3], useCache, progress, names);
  }
  if (argc == 3 && std::strcmp(argv[1], "build") == 0) return halbrin::Build(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "walk") == 0) return halbrin::Walk(argv[2]);
  std::fprintf(stderr, "usage: docindex_bench search ROOT QUERY [--no-cache] [--progress] [--names FILE]\n"
                       "       docindex_bench build ROOT | walk ROOT\n");
  return 2;
}
