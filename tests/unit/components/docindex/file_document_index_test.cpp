// The document index component and its worker on a real GLib loop: exec
// results, the events and their order, abort, suspend, progress answers,
// levels and links, destruction during a search, and sorting.

#include "components/docindex/file_document_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "components/docindex/document_index_cache.h"
#include "components/docindex/document_walk.h"
#include "platform/eventloop/glib_event_loop.h"
#include "platform/eventloop/main_thread.h"
#include "support/test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr int kWaitMs = 10000;

class FileDocumentIndexTest : public FrameworkTest {
 protected:
  FileDocumentIndexTest() {
    m_folder.Write("alpha.txt", "the needle is here");
    m_folder.Write("beta.html", "<p title=\"needle\">no hit in the tag</p>");
    m_folder.Write("gamma.txt", "one needle and another needle");
    m_folder.Write("delta.txt", "nothing to see");
    m_index = std::make_unique<TFileDocumentIndex>();
    m_index->SetName("finder");
    m_index->SetRoot(m_folder.Path().string());
    TDocumentIndexFilterItem& item = m_index->Filter().AddItem();
    item.SetName("q");
    item.SetText("needle");
    item.SetQuery("needle");
    item.SetContentType(TDocumentIndexContentType::ditText);
    m_hooks.answer = [this](const ScriptCall& call) {
      if (call.procedure == "done") m_completed = true;
      return m_answer ? m_answer(call) : Variant();
    };
  }
  ~FileDocumentIndexTest() override {
    m_index.reset();
    DocumentIndexer::Instance().WaitIdle();
  }

  void Bind(const std::string& event, const std::string& procedure) {
    m_index->GetEvents()->AttachEvent(event).SetXml(procedure);
  }
  void BindAll() {
    Bind("oncomplete", "done");
    Bind("onmatch", "found");
  }
  int Exec(const char* word) {
    m_index->SetExec(Variant(word));
    return static_cast<int>(m_index->GetExec().ToInt64());
  }
  bool WaitForComplete() {
    return m_glib.RunUntil([this] { return m_completed; }, kWaitMs);
  }
  // Runs what the loop holds for a short while (late posts of a stopped search).
  void Drain() {
    m_glib.RunUntil([] { return false; }, 100);
  }
  std::vector<const ScriptCall*> Calls(const std::string& procedure) const {
    std::vector<const ScriptCall*> calls;
    for (const ScriptCall& call : m_hooks.calls)
      if (call.procedure == procedure) calls.push_back(&call);
    return calls;
  }
  static Variant Arg(const ScriptCall& call, std::size_t index) { return call.parameters.AsArray().Items()[index]; }
  std::vector<std::string> ContentNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_index->Content().Count(); ++i)
      names.push_back(fs::path(m_index->Content().ItemAt(i)->Name()).filename().string());
    return names;
  }

  platform::GLibEventLoop m_glib;
  platform::ScopedMainEventLoop m_glibScope{m_glib};
  TempFolder m_cacheHome{"docindex_cache"};
  testing::ScopedEnv m_cacheEnv{"XDG_CACHE_HOME", m_cacheHome.Path().string()};
  TempFolder m_folder{"docindex"};
  std::function<Variant(const ScriptCall&)> m_answer;
  bool m_completed = false;
  std::unique_ptr<TFileDocumentIndex> m_index;
};

TEST_F(FileDocumentIndexTest, ExecResultsWhenIdle) {
  TFileDocumentIndex empty;
  EXPECT_EQ((empty.SetExec(Variant("execute")), empty.GetExec().ToInt64()), 1) << "no filter, no root";
  const std::pair<const char*, int> cases[] = {
      {"sortByRank", kDocumentIndexNoResults}, {"sortByName", kDocumentIndexNoResults},
      {"index", kDocumentIndexNoResults},      {"abort", kDocumentIndexNotActive},
      {"suspend", kDocumentIndexNotActive},    {"resume", kDocumentIndexNotActive},
      {"clear", 0},
  };
  for (const auto& [word, result] : cases) EXPECT_EQ(Exec(word), result) << word;
  EXPECT_EQ(static_cast<unsigned>(kDocumentIndexNoResults), 0x8000000Au);
  m_index->SetExec(Variant("unknown"));
  EXPECT_EQ(m_index->GetExec(), Variant(false));
}

TEST_F(FileDocumentIndexTest, SearchFillsContentAndFiresMatchThenComplete) {
  BindAll();
  EXPECT_EQ(Exec("execute"), 0);
  EXPECT_TRUE(m_index->Active());
  ASSERT_TRUE(WaitForComplete());
  EXPECT_FALSE(m_index->Active());
  EXPECT_EQ(ContentNames(), (std::vector<std::string>{"alpha.txt", "gamma.txt"}));
  const auto matches = Calls("found");
  ASSERT_EQ(matches.size(), 2u);
  EXPECT_EQ(Arg(*matches[1], 0), Variant("finder"));
  EXPECT_EQ(Arg(*matches[1], 1).ToInt64(), 1);
  EXPECT_EQ(Arg(*matches[1], 2).ToInt64(), 2);
  const auto completes = Calls("done");
  ASSERT_EQ(completes.size(), 1u);
  EXPECT_EQ(Arg(*completes[0], 1).ToInt64(), 0);
  EXPECT_EQ(Arg(*completes[0], 2).ToInt64(), 2);
  EXPECT_EQ(&m_hooks.calls.back(), completes[0]) << "complete comes last";

  const TDocumentIndexContentItem& first = *m_index->Content().ItemAt(0);
  EXPECT_EQ(first.Title(), "alpha.txt");
  EXPECT_TRUE(first.Data().IsNull());
  EXPECT_EQ(first.Rank(), 1);
  ASSERT_EQ(first.Filter().Count(), 1);
  EXPECT_EQ(first.Filter().ItemAt(0)->Name(), "q");
  EXPECT_TRUE(first.Filter().ItemAt(0)->Match());
  EXPECT_EQ(first.Chunks(), "...the |needle| is here...");

  // Refinement: "index" searches the results again.
  m_completed = false;
  m_index->Filter().ItemAt(0)->SetQuery("another");
  EXPECT_EQ(Exec("index"), 0);
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ(ContentNames(), (std::vector<std::string>{"gamma.txt"}));
  EXPECT_EQ(m_index->Names().Count(), 2);
}

TEST_F(FileDocumentIndexTest, WithoutAsyncNoMatchEventsButTheSameContent) {
  BindAll();
  m_index->SetAsync(false);
  EXPECT_EQ(Exec("execute"), 0);
  ASSERT_TRUE(WaitForComplete());
  EXPECT_TRUE(Calls("found").empty());
  EXPECT_EQ(ContentNames(), (std::vector<std::string>{"alpha.txt", "gamma.txt"}));
}

TEST_F(FileDocumentIndexTest, WordsDuringASearchAnswerAlreadyRunning) {
  BindAll();
  Bind("onprogress", "progress");
  std::vector<std::pair<std::string, int>> seen;
  m_answer = [&](const ScriptCall& call) {
    if (call.procedure == "progress" && seen.empty())
      for (const char* word : {"execute", "clear", "sortByRank", "index"}) seen.emplace_back(word, Exec(word));
    return Variant(true);
  };
  EXPECT_EQ(Exec("execute"), 0);
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"execute", kDocumentIndexAlreadyRunning},
                                                            {"clear", kDocumentIndexAlreadyRunning},
                                                            {"sortByRank", kDocumentIndexAlreadyRunning},
                                                            {"index", kDocumentIndexAlreadyRunning}}));
  EXPECT_EQ(Calls("done").size(), 1u);
  // The reports: phase 1 and 2 before the list, then one per document.
  const auto progress = Calls("progress");
  ASSERT_EQ(progress.size(), 2u + 4u);
  EXPECT_EQ(Arg(*progress[0], 1).ToInt64(), 1);
  EXPECT_EQ(Arg(*progress[0], 3).ToInt64(), -1) << "no list yet";
  EXPECT_EQ(Arg(*progress[1], 1).ToInt64(), 2);
  EXPECT_EQ(Arg(*progress[1], 3).ToInt64(), 3);
  EXPECT_EQ(Arg(*progress[2], 1).ToInt64(), 3);
  EXPECT_EQ(Arg(*progress[5], 1).ToInt64(), 4) << "the last document ends the search";
  EXPECT_EQ(Arg(*progress[5], 2).ToInt64(), 3);
}

TEST_F(FileDocumentIndexTest, AbortFiresOneAbortCompleteAndNothingElse) {
  for (bool listener : {false, true}) {
    SCOPED_TRACE(listener ? "with a progress listener" : "without one");
    m_hooks.calls.clear();
    m_completed = false;
    BindAll();
    if (listener) Bind("onprogress", "progress");
    int abortResult = -1;
    m_answer = [&](const ScriptCall& call) {
      if (call.procedure == "progress" && abortResult == -1) abortResult = Exec("abort");
      return Variant(true);
    };
    EXPECT_EQ(Exec("execute"), 0);
    if (listener)
      ASSERT_TRUE(m_glib.RunUntil([&] { return abortResult != -1; }, kWaitMs));
    else
      abortResult = Exec("abort");
    EXPECT_EQ(abortResult, 0);
    EXPECT_FALSE(m_index->Active()) << "reads False at once";
    ASSERT_TRUE(WaitForComplete());
    Drain();
    const auto completes = Calls("done");
    ASSERT_EQ(completes.size(), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(Arg(*completes[0], 1).ToInt64()), 0x80004004u);
    EXPECT_TRUE(Calls("found").empty());
    EXPECT_EQ(Exec("abort"), kDocumentIndexNotActive);
  }
}

TEST_F(FileDocumentIndexTest, AbortFromTheCompleteHandlerFiresNoSecondComplete) {
  BindAll();
  int abortResult = -1;
  m_answer = [&](const ScriptCall& call) {
    if (call.procedure == "done" && abortResult == -1) abortResult = Exec("abort");
    return Variant();
  };
  EXPECT_EQ(Exec("execute"), 0);
  ASSERT_TRUE(WaitForComplete());
  Drain();
  EXPECT_EQ(abortResult, 0) << "the search still runs while complete fires";
  EXPECT_FALSE(m_index->Active());
  const auto completes = Calls("done");
  ASSERT_EQ(completes.size(), 1u);
  EXPECT_EQ(Arg(*completes[0], 1).ToInt64(), 0);
}

TEST_F(FileDocumentIndexTest, AProgressAnswerOfFalseEndsBeforeOrDuringTheSearchStep) {
  struct Case {
    int stopInPhase;
    std::uint32_t result;
  };
  for (const Case c : {Case{1, 0x80004005u}, Case{2, 0x80004005u}, Case{3, 0u}}) {
    m_hooks.calls.clear();
    m_completed = false;
    BindAll();
    Bind("onprogress", "progress");
    m_answer = [&](const ScriptCall& call) {
      if (call.procedure == "progress" && Arg(call, 1).ToInt64() == c.stopInPhase) return Variant(false);
      return Variant(true);
    };
    EXPECT_EQ(Exec("execute"), 0);
    ASSERT_TRUE(WaitForComplete());
    const auto completes = Calls("done");
    ASSERT_EQ(completes.size(), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(Arg(*completes[0], 1).ToInt64()), c.result) << c.stopInPhase;
    EXPECT_EQ(Calls("progress").size(), static_cast<std::size_t>(c.stopInPhase)) << "nothing after the False";
  }
}

TEST_F(FileDocumentIndexTest, SuspendPausesTheWorkerUntilResume) {
  BindAll();
  Bind("onprogress", "progress");
  std::vector<int> results;
  m_answer = [&](const ScriptCall& call) {
    if (call.procedure == "progress" && results.empty()) {
      results.push_back(Exec("suspend"));
      results.push_back(m_index->Suspended());
      EXPECT_TRUE(m_glib.RunUntil([&] { return m_index->Suspended(); }, kWaitMs)) << "the timer fires";
      results.push_back(Exec("suspend"));
      results.push_back(Exec("resume"));
      results.push_back(Exec("resume"));
      results.push_back(Exec("suspend"));
      EXPECT_TRUE(m_glib.RunUntil([&] { return m_index->Suspended(); }, kWaitMs));
    }
    return Variant(true);
  };
  EXPECT_EQ(Exec("execute"), 0);
  EXPECT_FALSE(m_glib.RunUntil([this] { return m_completed; }, 300)) << "paused before the first document";
  EXPECT_TRUE(m_index->Suspended());
  EXPECT_EQ(results, (std::vector<int>{0, 0, kDocumentIndexSuspended, 0, kDocumentIndexAlreadyRunning, 0}));
  EXPECT_TRUE(Calls("found").empty());
  EXPECT_EQ(Exec("resume"), 0);
  ASSERT_TRUE(WaitForComplete());
  EXPECT_EQ(m_index->Content().Count(), 2);
}

TEST_F(FileDocumentIndexTest, FreedWhileSearchingJoinsAndFiresNothing) {
  for (int i = 0; i < 200; ++i) m_folder.Write("many" + std::to_string(i) + ".txt", "needle " + std::to_string(i));
  for (bool listener : {false, true}) {
    auto index = std::make_unique<TFileDocumentIndex>();
    index->SetRoot(m_folder.Path().string());
    index->Filter().Assign(m_index->Filter());
    index->GetEvents()->AttachEvent("oncomplete").SetXml("done");
    index->GetEvents()->AttachEvent("onmatch").SetXml("found");
    if (listener) index->GetEvents()->AttachEvent("onprogress").SetXml("progress");
    index->SetExec(Variant("execute"));
    ASSERT_EQ(index->GetExec().ToInt64(), 0);
    index.reset();
    Drain();
    EXPECT_TRUE(m_hooks.calls.empty()) << listener;
  }
}

TEST_F(FileDocumentIndexTest, TheLoopRunsOtherJobsWhileTheWorkerSearches) {
  for (int i = 0; i < 300; ++i) m_folder.Write("many" + std::to_string(i) + ".txt", std::string(2000, 'x') + " needle");
  BindAll();
  std::size_t callsWhenJobRan = 0;
  bool jobRan = false;
  EXPECT_EQ(Exec("execute"), 0);
  platform::PostToMain([&] {
    jobRan = true;
    callsWhenJobRan = Calls("done").size();
  });
  ASSERT_TRUE(WaitForComplete());
  EXPECT_TRUE(jobRan);
  EXPECT_EQ(callsWhenJobRan, 0u);
}

TEST_F(FileDocumentIndexTest, LevelsAndLinks) {
  TempFolder tree("doctree");
  TempFolder outside("docoutside");
  tree.Write("a.txt", "x");
  tree.Write("B.txt", "x");
  tree.Write(".hidden.txt", "x");
  tree.Write("skip.dat", "x");
  tree.Write("sub/c.TXT", "x", testing::MakeFolders::Yes);
  tree.Write("sub/deeper/d.txt", "x", testing::MakeFolders::Yes);
  tree.Write("Another/e.txt", "x", testing::MakeFolders::Yes);
  outside.Write("out.txt", "x");
  fs::create_directory_symlink(outside.Path(), tree.Path() / "link_dir");
  fs::create_symlink(outside.Path() / "out.txt", tree.Path() / "link_file.txt");
  auto rel = [&](const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(fs::relative(path, tree.Path()).string());
    return names;
  };
  struct Case {
    bool recursive;
    int level;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {false, -1, {".hidden.txt", "a.txt", "B.txt"}},
      {true, 0, {".hidden.txt", "a.txt", "B.txt"}},
      {true, 1, {".hidden.txt", "a.txt", "B.txt", "Another/e.txt", "sub/c.TXT"}},
      {true, -1, {".hidden.txt", "a.txt", "B.txt", "Another/e.txt", "sub/c.TXT", "sub/deeper/d.txt"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(rel(ListDocuments(tree.Path().string(), "*.txt", c.recursive, c.level)), c.names)
        << c.recursive << " " << c.level;
}

TEST_F(FileDocumentIndexTest, SortsByEachKeyInBothDirections) {
  struct Row {
    const char* name;
    const char* title;
    int rank;
    Variant data;
  };
  const Row rows[] = {
      {"/c", "beta", 2, Variant::Null()}, {"/a", "Alpha", 1, Variant(3)},      {"/e", "gamma", 3, Variant("b")},
      {"/B", "delta", 1, Variant(1.5)},   {"/d", "Epsilon", 2, Variant()},     {"/f", "zeta", 0, Variant(true)},
      {"/g", "eta", 1, Variant("A")},     {"/h", "theta", 2, Variant::Null()},
  };
  auto fill = [&] {
    m_index->Content().Clear();
    for (const Row& row : rows) {
      TDocumentIndexContentItem& item = m_index->Content().AddItem();
      item.SetName(row.name);
      item.SetTitle(row.title);
      item.SetSequence(item.Index());
      item.SetData(row.data);
      for (int i = 0; i < row.rank; ++i) item.Filter().AddItem();
    }
  };
  auto order = [&] {
    std::string names;
    for (int i = 0; i < m_index->Content().Count(); ++i) names += m_index->Content().ItemAt(i)->Name().substr(1);
    return names;
  };
  struct Case {
    const char* word;
    TDocumentIndexSort direction;
    const char* order;
  };
  using S = TDocumentIndexSort;
  const Case cases[] = {
      {"sortByName", S::disAscending, "aBcdefgh"},  {"sortByName", S::disDescending, "hgfedcBa"},
      {"sortByTitle", S::disAscending, "acBdgehf"},
      {"sortByTitle", S::disDescending, "fhegdBca"},
      {"sortByRank", S::disAscending, "faBgcdhe"}, {"sortByRank", S::disDescending, "ecdhaBgf"},
      {"sortByIndex", S::disAscending, "hgfdBeac"}, {"sortByIndex", S::disDescending, "caeBdfgh"},
      {"sortByData", S::disAscending, "dchBafge"},  {"sortByData", S::disDescending, "egfaBchd"},
  };
  for (const Case& c : cases) {
    fill();
    m_index->SetSortMode(c.direction);
    EXPECT_EQ(Exec(c.word), 0) << c.word;
    EXPECT_EQ(order(), c.order) << c.word << " " << static_cast<int>(c.direction);
  }
}

TEST(DocumentIndexNiceTest, PrioritiesMapToNiceValues) {
  const std::pair<int, int> cases[] = {{0, 19}, {1, 15}, {2, 10}, {3, 0}, {4, 0}, {5, 0}, {6, 0}};
  for (const auto& [priority, nice] : cases) EXPECT_EQ(DocumentIndexNiceValue(priority), nice) << priority;
}

}  // namespace
}  // namespace halbrin::framework_test
