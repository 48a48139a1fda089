#pragma once

// The document index ("filedocumentindex"): searches the files of a folder
// (or a list of names) for the items of its filter on a worker thread and
// fills `content` with the documents that qualify.
//
//   <filedocumentindex id="finder" root="docs" fileType="*.html" recursive="true" level="-1">
//     <events><event id="oncomplete" xml="found"/></events>
//   </filedocumentindex>
//
// The worker works on plain copies of the settings; only the main thread
// touches the component, its collections and its events. Each search carries
// a generation number: what a stopped search still posts is dropped.

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "components/docindex/document_index_content.h"
#include "components/docindex/document_index_dictionary.h"
#include "components/docindex/document_index_filter.h"
#include "core/foundation/string_object_list.h"
#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/eventloop/owned_thread.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin {

// Sender, phase, position, last index of the file list, var proceed.
using TDocumentIndexProgressEvent = platform::TEvent<platform::TObject*, int, int, int, bool&>;
// Sender, index of the newest result, number of results.
using TDocumentIndexMatchEvent = platform::TEvent<platform::TObject*, int, int>;
// Sender, HRESULT (0, E_ABORT or E_FAIL), number of results.
using TDocumentIndexCompleteEvent = platform::TEvent<platform::TObject*, int, int>;

// The exec results: the system's service codes and HRESULTs.
inline constexpr int kDocumentIndexAlreadyRunning = 1056;
inline constexpr int kDocumentIndexSuspended = 1058;
inline constexpr int kDocumentIndexNotActive = 1062;
inline constexpr int kDocumentIndexAbort = static_cast<int>(0x80004004u);
inline constexpr int kDocumentIndexFail = static_cast<int>(0x80004005u);
inline constexpr int kDocumentIndexNoResults = static_cast<int>(0x8000000Au);

// The nice value of a thread priority (tpIdle 0 ... tpTimeCritical 6).
int DocumentIndexNiceValue(int priority) noexcept;

// What a search works on, copied on the main thread when it starts.
struct DocumentIndexSettings {
  TDocumentIndexMode mode = TDocumentIndexMode::dimSearch;
  std::vector<DocumentFilterItemData> filter;
  std::vector<std::string> stopWords;
  TCustomDocumentIndexDictionary::Snapshot dictionary;
  std::string encoding;
  std::string root;
  std::string fileType = "*.*";
  bool recursive = false;
  int level = 0;
  std::vector<std::string> names;
  // Root searches consult the root's index cache and refresh it afterwards.
  bool useCache = true;
};

// One qualifying document as the worker hands it over.
struct DocumentIndexMatch {
  std::string name;
  std::vector<DocumentFilterItemData> items;
};

class TCustomDocumentIndex;

// The worker of one search, owned by its component: destroying it stops and
// joins the thread. Pause and stop are cooperative: tested between documents
// and phases (stop also between folder entries and every 1 MiB read).
class TFileDocumentIndexThread {
 public:
  TFileDocumentIndexThread(TCustomDocumentIndex& owner, DocumentIndexSettings settings, std::uint64_t generation,
                           int priority, bool hasListener);
  ~TFileDocumentIndexThread();
  TFileDocumentIndexThread(const TFileDocumentIndexThread&) = delete;
  TFileDocumentIndexThread& operator=(const TFileDocumentIndexThread&) = delete;

  void RequestStop();
  void SetPaused(bool paused);
  // Applied at once to the running thread (or by the thread when it starts).
  void SetPriority(int priority);
  void SetHasListener(bool hasListener) noexcept { m_shared->hasListener = hasListener; }
  void Join();

 private:
  struct Shared {
    std::atomic<bool> hasListener{false};
    std::atomic<int> priority{3};
    std::atomic<pid_t> tid{0};
    std::mutex mutex;
    std::condition_variable_any wake;
    bool paused = false;
  };
  static void Run(std::stop_token stop, const std::shared_ptr<Shared>& shared, DocumentIndexSettings settings,
                  platform::TWeakRef<TCustomDocumentIndex> owner, std::uint64_t generation);

  std::shared_ptr<Shared> m_shared;
  platform::OwnedThread m_thread;
};

class TCustomDocumentIndex : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TCustomDocumentIndex, TCustomExecutableComponentEx)

  explicit TCustomDocumentIndex(platform::TComponent* owner = nullptr);
  // Stops and joins a running search; fires nothing.
  ~TCustomDocumentIndex() override;

  const std::string& Root() const noexcept { return m_root; }
  void SetRoot(const std::string& root);
  const std::string& FileType() const noexcept { return m_fileType; }
  void SetFileType(const std::string& fileType);
  bool Recursive() const noexcept { return m_recursive; }
  void SetRecursive(bool recursive);
  int Level() const noexcept { return m_level; }
  void SetLevel(int level);
  TStringObjectListEx& Names() const noexcept { return *m_names; }
  void SetNames(TStringObjectListEx* names);
  TDocumentIndexMode Mode() const noexcept { return m_mode; }
  void SetMode(TDocumentIndexMode mode) noexcept { m_mode = mode; }
  TDocumentIndexFilter& Filter() const noexcept { return *m_filter; }
  void SetFilter(TDocumentIndexFilter* filter);
  TDocumentIndexContent& Content() const noexcept { return *m_content; }
  void SetContent(TDocumentIndexContent* content);
  TStringObjectListEx& StopWords() const noexcept { return *m_stopWords; }
  void SetStopWords(TStringObjectListEx* stopWords);
  TDocumentIndexDictionary& Dictionary() const noexcept { return *m_dictionary; }
  void SetDictionary(TDocumentIndexDictionary* dictionary);
  bool Async() const noexcept { return m_async; }
  void SetAsync(bool async);
  int Priority() const noexcept { return m_priority; }
  void SetPriority(int priority);
  TDocumentIndexSort SortMode() const noexcept { return m_sortMode; }
  void SetSortMode(TDocumentIndexSort sortMode) noexcept { m_sortMode = sortMode; }
  bool Active() const noexcept { return m_active; }
  // True starts a search when none runs and the component is ready; False
  // stops the running one ("complete" with E_ABORT follows from the loop).
  void SetActive(bool active);
  bool Suspended() const noexcept { return m_suspended; }

  // The index cache (on by default; not published: results never depend on it).
  bool UseCache() const noexcept { return m_useCache; }
  void SetUseCache(bool useCache) noexcept { m_useCache = useCache; }

  // (root and fileType set, or names not empty) and a filter.
  bool Ready() const;

  TDocumentIndexProgressEvent& OnProgress() noexcept { return m_onProgress; }
  void SetOnProgress(const platform::TMethod& method);
  TDocumentIndexMatchEvent& OnMatch() noexcept { return m_onMatch; }
  TDocumentIndexCompleteEvent& OnComplete() noexcept { return m_onComplete; }

  // Words: "execute", "clear", "abort", "suspend", "resume", "index",
  // "sortByTitle", "sortByName", "sortByRank", "sortByIndex", "sortByData".
  void SetExec(const platform::Variant& value) override;
  // Orders `content` by the key in `sortMode` (a stable sort).
  enum class SortKey { Title, Name, Rank, Index, Data };
  void SortContent(SortKey key);

  virtual void progressHandler(platform::TObject* sender, int phase, int position, int last, bool& proceed);
  virtual void matchHandler(platform::TObject* sender, int index, int count);
  virtual void completeHandler(platform::TObject* sender, int result, int count);

  TDocumentIndexProgressEvent m_onProgress;
  TDocumentIndexMatchEvent m_onMatch;
  TDocumentIndexCompleteEvent m_onComplete;

  // From the worker, on the main thread; stale generations are ignored.
  bool WorkerProgress(std::uint64_t generation, int phase, int position, int last);
  void WorkerMatch(std::uint64_t generation, DocumentIndexMatch match);
  void WorkerComplete(std::uint64_t generation, int result);

 protected:
  // Told of a new value of root, fileType, level, recursive or async.
  virtual void SettingChanged(std::string_view property) { (void)property; }

 private:
  int Execute();
  void Start();
  void Abort();
  void SuspendTick();
  void FireComplete(int result);

  std::string m_root;
  std::string m_fileType = "*.*";
  bool m_recursive = false;
  int m_level = 0;
  std::unique_ptr<TStringObjectListEx> m_names;
  TDocumentIndexMode m_mode = TDocumentIndexMode::dimSearch;
  std::unique_ptr<TDocumentIndexFilter> m_filter;
  std::unique_ptr<TDocumentIndexContent> m_content;
  std::unique_ptr<TStringObjectListEx> m_stopWords;
  std::unique_ptr<TDocumentIndexDictionary> m_dictionary;
  bool m_async = true;
  int m_priority = 3;
  TDocumentIndexSort m_sortMode = TDocumentIndexSort::disAscending;
  bool m_active = false;
  bool m_suspended = false;
  bool m_useCache = true;
  bool m_completing = false;
  std::uint64_t m_generation = 0;
  platform::TimerSource m_suspendTimer;
  std::unique_ptr<TFileDocumentIndexThread> m_thread;
};

class TFileDocumentIndex : public TCustomDocumentIndex {
  HALBRIN_CLASS(TFileDocumentIndex, TCustomDocumentIndex)

  explicit TFileDocumentIndex(platform::TComponent* owner = nullptr) : TCustomDocumentIndex(owner) {}

  std::string GetTypeName() const override { return "filedocumentindex"; }
};

// Registers the type word "filedocumentindex".
void RegisterDocumentIndexComponentTypes();

}  // namespace halbrin
