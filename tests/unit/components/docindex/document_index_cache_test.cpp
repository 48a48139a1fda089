// The index cache: searches with it off, cold and warm give the same results
// and the same progress; changed files and damaged caches; the index's own
// answers for changed rows, quotes and short queries.

#include "components/docindex/document_index_cache.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "components/docindex/file_document_index.h"
#include "core/foundation/project_encoding.h"
#include "platform/eventloop/glib_event_loop.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Puts a file's mtime well before now, so a row written after it is fresh.
void Age(const std::string& path) {
  const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class DocumentIndexCacheTest : public FrameworkTest {
 protected:
  DocumentIndexCacheTest() {
    Write("a.txt", "the needle is here and Needle again");
    Write("b.html", "<p title=\"needle\">only in the tag</p>");
    Write("c.txt", EncodeText("Привет, мир: needle", "windows-1251"));
    Write("d.txt", "nothing to see");
    Write("sub/e.txt", "another NEEDLE, привет");
    m_hooks.answer = [this](const ScriptCall& call) {
      if (call.procedure == "done") m_completed = true;
      if (call.procedure == "progress") {
        const auto& items = call.parameters.AsArray().Items();
        m_progress.push_back(items[1].ToText() + ":" + items[2].ToText() + ":" + items[3].ToText());
      }
      return Variant(true);
    };
  }
  ~DocumentIndexCacheTest() override { DocumentIndexer::Instance().WaitIdle(); }

  void Write(const std::string& name, const std::string& bytes) {
    Age(m_folder.Write(name, bytes, testing::MakeFolders::Yes));
  }

  struct Outcome {
    std::vector<std::string> content;  // name|rank|chunks
    std::vector<std::string> progress;
    bool operator==(const Outcome&) const = default;
  };

  Outcome Search(bool useCache, TDocumentIndexMode mode) {
    TFileDocumentIndex index;
    index.SetName("finder");
    index.SetRoot(m_folder.Path().string());
    index.SetRecursive(true);
    index.SetLevel(-1);
    index.SetMode(mode);
    index.SetUseCache(useCache);
    for (const char* query : {"needle", "привет"}) {
      TDocumentIndexFilterItem& item = index.Filter().AddItem();
      item.SetText(query);
      item.SetQuery(query);
      item.SetContentType(TDocumentIndexContentType::ditText);
      item.SetOptions(OptionBit(TDocumentIndexOption::dioSequent));
    }
    index.GetEvents()->AttachEvent("oncomplete").SetXml("done");
    index.GetEvents()->AttachEvent("onprogress").SetXml("progress");
    m_completed = false;
    m_progress.clear();
    index.SetExec(Variant("execute"));
    EXPECT_TRUE(m_glib.RunUntil([this] { return m_completed; }, 10000));
    Outcome outcome;
    for (int i = 0; i < index.Content().Count(); ++i) {
      const TDocumentIndexContentItem& item = *index.Content().ItemAt(i);
      outcome.content.push_back(fs::relative(item.Name(), m_folder.Path()).string() + "|" +
                                std::to_string(item.Rank()) + "|" + item.Chunks());
    }
    outcome.progress = m_progress;
    return outcome;
  }

  void RemoveCaches() {
    DocumentIndexer::Instance().WaitIdle();
    std::error_code ec;
    fs::remove_all(DocumentIndexCacheFolder(), ec);
  }

  platform::GLibEventLoop m_glib;
  platform::ScopedMainEventLoop m_glibScope{m_glib};
  TempFolder m_cacheHome{"docindex_cache"};
  testing::ScopedEnv m_cacheEnv{"XDG_CACHE_HOME", m_cacheHome.Path().string()};
  TempFolder m_folder{"docindex_cached"};
  bool m_completed = false;
  std::vector<std::string> m_progress;
};

TEST_F(DocumentIndexCacheTest, OffColdAndWarmGiveTheSameResults) {
  for (TDocumentIndexMode mode :
       {TDocumentIndexMode::dimSearch, TDocumentIndexMode::dimFilter, TDocumentIndexMode::dimExplore}) {
    SCOPED_TRACE(static_cast<int>(mode));
    RemoveCaches();
    const Outcome off = Search(false, mode);
    EXPECT_FALSE(fs::exists(DocumentIndexCachePath(m_folder.Path().string()))) << "no cache when off";
    ASSERT_FALSE(off.content.empty());
    const Outcome cold = Search(true, mode);
    DocumentIndexer::Instance().WaitIdle();
    const auto cache = DocumentIndexCache::Open(m_folder.Path().string());
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->RowCount(), 5u);
    const Outcome warm = Search(true, mode);
    EXPECT_EQ(cold, off);
    EXPECT_EQ(warm, off);
  }
}

TEST_F(DocumentIndexCacheTest, AFileChangedAfterIndexingIsFoundByTheWarmSearch) {
  Search(true, TDocumentIndexMode::dimSearch);
  DocumentIndexer::Instance().WaitIdle();
  // Same size, new text, and an mtime the row would call fresh.
  const std::string path = m_folder.Path("d.txt");
  m_folder.Write("d.txt", "needle to see!");
  ASSERT_EQ(fs::file_size(path), std::string("nothing to see").size());
  Age(path);
  const Outcome warm = Search(true, TDocumentIndexMode::dimSearch);
  EXPECT_NE(std::find_if(warm.content.begin(), warm.content.end(),
                         [](const std::string& row) { return row.starts_with("d.txt|"); }),
            warm.content.end());
  // The search that met the stale row had the cache brought up to date.
  DocumentIndexer::Instance().WaitIdle();
  const auto cache = DocumentIndexCache::Open(m_folder.Path().string());
  ASSERT_TRUE(cache);
  DocumentFileStamp stamp;
  ASSERT_TRUE(stamp.Read(path));
  EXPECT_TRUE(cache->IsFresh("d.txt", stamp));
  std::unordered_set<std::string> paths;
  ASSERT_TRUE(cache->Candidates("needle", paths));
  EXPECT_TRUE(paths.contains("d.txt"));
}

TEST_F(DocumentIndexCacheTest, ADamagedCacheIsMadeAgainSilently) {
  const Outcome off = Search(false, TDocumentIndexMode::dimSearch);
  const std::string cachePath = DocumentIndexCachePath(m_folder.Path().string());
  testing::WriteFile(cachePath, std::string(4096, 'x'), testing::MakeFolders::Yes);
  EXPECT_EQ(Search(true, TDocumentIndexMode::dimSearch), off);
  DocumentIndexer::Instance().WaitIdle();
  const auto cache = DocumentIndexCache::Open(m_folder.Path().string());
  ASSERT_TRUE(cache);
  EXPECT_EQ(cache->RowCount(), 5u);
  EXPECT_EQ(Search(true, TDocumentIndexMode::dimSearch), off);
}

TEST_F(DocumentIndexCacheTest, CandidatesFollowTheCurrentRowOfEachFile) {
  const std::string root = m_folder.Path().string();
  const std::vector<std::string> files = {m_folder.Path("a.txt"), m_folder.Path("d.txt"), m_folder.Path("q.txt")};
  Write("q.txt", "say \"hi\" now");
  ASSERT_TRUE(UpdateDocumentIndexCache(root, files, "windows-1251"));
  Write("a.txt", "ALPHA");
  ASSERT_TRUE(UpdateDocumentIndexCache(root, files, "windows-1251"));
  Write("a.txt", "BETA and more");
  ASSERT_TRUE(UpdateDocumentIndexCache(root, files, "windows-1251"));
  const auto cache = DocumentIndexCache::Open(root);
  ASSERT_TRUE(cache);
  struct Case {
    const char* query;
    bool answers;
    std::unordered_set<std::string> paths;
  };
  const Case cases[] = {
      {"needle", true, {}},           {"alpha", true, {}},      {"beta", true, {"a.txt"}},
      {"Nothing", true, {"d.txt"}},   {"\"hi\"", true, {"q.txt"}}, {"hi\" n", true, {"q.txt"}},
      {"hi", false, {}},              {"", false, {}},
  };
  for (const Case& c : cases) {
    std::unordered_set<std::string> paths;
    EXPECT_EQ(cache->Candidates(c.query, paths), c.answers) << c.query;
    EXPECT_EQ(paths, c.paths) << c.query;
  }
  EXPECT_EQ(DocumentIndexQuoted("A\"B"), "\"A\"\"B\"");
}


TEST_F(DocumentIndexCacheTest, EveryRootGetsOneHexNamedFileInTheCacheFolder) {
  // A raw digest holds "/" or NUL for about one root in eight.
  const std::string folder = DocumentIndexCacheFolder() + "/";
  for (int i = 0; i < 200; ++i) {
    const std::string root = m_folder.Path("root" + std::to_string(i));
    fs::create_directory(root);
    const std::string path = DocumentIndexCachePath(root);
    ASSERT_TRUE(path.starts_with(folder)) << path;
    const std::string name = path.substr(folder.size());
    ASSERT_EQ(name.size(), 32u + std::string(".sqlite").size()) << root;
    EXPECT_EQ(name.find_first_not_of("0123456789abcdefABCDEF"), 32u) << root;
  }
}

}  // namespace
}  // namespace halbrin::framework_test
