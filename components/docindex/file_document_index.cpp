#include "components/docindex/file_document_index.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <optional>
#include <unordered_set>

#include "components/docindex/document_index_cache.h"
#include "components/docindex/document_search.h"
#include "components/docindex/document_walk.h"
#include "core/foundation/project_encoding.h"
#include "core/framework/component_types.h"
#include "core/framework/fire_script_event.h"
#include "platform/base/case_fold.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/eventloop/main_thread.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

constexpr std::uint32_t kSuspendDelayMs = 100;

void ApplyNice(pid_t tid, int priority) {
  if (tid != 0) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), DocumentIndexNiceValue(priority));
}

std::string FileNamePart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> Lines(const TStrings& strings) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(strings.Count()));
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
  return lines;
}

// Kinds in the order values that cannot be compared sort by.
int DataKind(const Variant& v) {
  if (v.IsEmpty()) return 0;
  if (v.IsNull()) return 1;
  if (v.IsNumeric() || v.Type() == VarType::Date) return 2;
  if (v.IsBool()) return 3;
  if (v.IsString()) return 4;
  return 5;
}

int CompareData(const Variant& a, const Variant& b) {
  const int ka = DataKind(a);
  const int kb = DataKind(b);
  if (ka != kb) return ka < kb ? -1 : 1;
  switch (ka) {
    case 2: {
      const double x = a.ToDouble();
      const double y = b.ToDouble();
      return x < y ? -1 : (y < x ? 1 : 0);
    }
    case 3: return static_cast<int>(a.AsBool() ? 1 : 0) - static_cast<int>(b.AsBool() ? 1 : 0);
    case 4: {
      const std::string x = a.ToText();
      const std::string y = b.ToText();
      const int c = CompareText(x, y);
      return c != 0 ? c : x.compare(y);
    }
    default: return 0;
  }
}

// What the cache can rule out: per plain-text item, the documents that may hold its query.
struct CacheLookup {
  std::unique_ptr<DocumentIndexCache> cache;
  std::vector<std::optional<std::unordered_set<std::string>>> candidates;
};

CacheLookup LookUpCache(const std::string& root, const std::vector<DocumentFilterItemData>& items,
                        const DocumentSearchStep& step) {
  CacheLookup found;
  found.candidates.resize(items.size());
  DocumentIndexer::Instance().Yield(root);
  found.cache = DocumentIndexCache::Open(root);
  for (std::size_t i = 0; found.cache && i < items.size(); ++i) {
    const DocumentFilterItemData& item = items[i];
    if (item.contentType != TDocumentIndexContentType::ditText || !item.source.empty() ||
        Utf8Length(item.query) < 3 || step.IsStopWord(item.text))
      continue;
    std::unordered_set<std::string> paths;
    if (found.cache->Candidates(item.query, paths)) found.candidates[i] = std::move(paths);
  }
  return found;
}

}  // namespace

int DocumentIndexNiceValue(int priority) noexcept {
  switch (priority) {
    case 0: return 19;
    case 1: return 15;
    case 2: return 10;
    default: return 0;
  }
}

HALBRIN_DEFINE_CLASS(
    TCustomDocumentIndex,
    .Property("root", &TCustomDocumentIndex::Root, &TCustomDocumentIndex::SetRoot)
    .Property("fileType", &TCustomDocumentIndex::FileType, &TCustomDocumentIndex::SetFileType)
    .Property("recursive", &TCustomDocumentIndex::Recursive, &TCustomDocumentIndex::SetRecursive)
    .Property("level", &TCustomDocumentIndex::Level, &TCustomDocumentIndex::SetLevel)
    .Property("names", [](const TCustomDocumentIndex& self) { return &self.Names(); }, &TCustomDocumentIndex::SetNames)
    .Owned()
    .Enum("mode", &TCustomDocumentIndex::Mode, &TCustomDocumentIndex::SetMode, DocumentIndexModeInfo())
    .Property("filter", [](const TCustomDocumentIndex& self) { return &self.Filter(); }, &TCustomDocumentIndex::SetFilter)
    .Owned()
    .Property("content", [](const TCustomDocumentIndex& self) { return &self.Content(); },
              &TCustomDocumentIndex::SetContent)
    .Owned()
    .Stored(false)
    .Property("stopWords", [](const TCustomDocumentIndex& self) { return &self.StopWords(); },
              &TCustomDocumentIndex::SetStopWords)
    .Owned()
    .Property("dictionary", [](const TCustomDocumentIndex& self) { return &self.Dictionary(); },
              &TCustomDocumentIndex::SetDictionary)
    .Owned()
    .Property("async", &TCustomDocumentIndex::Async, &TCustomDocumentIndex::SetAsync)
    .Enum("priority", &TCustomDocumentIndex::Priority, &TCustomDocumentIndex::SetPriority, ThreadPriorityInfo())
    .Enum("sortMode", &TCustomDocumentIndex::SortMode, &TCustomDocumentIndex::SetSortMode, DocumentIndexSortInfo())
    .Property("active", &TCustomDocumentIndex::Active, &TCustomDocumentIndex::SetActive)
    .Stored(false)
    .Property("suspended", &TCustomDocumentIndex::Suspended)
    .Stored(false)
    .Event("onComplete", &TCustomDocumentIndex::m_onComplete, "TDocumentIndexCompleteEvent")
    .Event("onMatch", &TCustomDocumentIndex::m_onMatch, "TDocumentIndexMatchEvent")
    .Event("onProgress", &TCustomDocumentIndex::m_onProgress, "TDocumentIndexProgressEvent",
           &TCustomDocumentIndex::SetOnProgress)
    .Handler("progressHandler", &TCustomDocumentIndex::progressHandler)
    .Handler("matchHandler", &TCustomDocumentIndex::matchHandler)
    .Handler("completeHandler", &TCustomDocumentIndex::completeHandler))

HALBRIN_DEFINE_CLASS(TFileDocumentIndex, )

// ---- TFileDocumentIndexThread ----

TFileDocumentIndexThread::TFileDocumentIndexThread(TCustomDocumentIndex& owner, DocumentIndexSettings settings,
                                                   std::uint64_t generation, int priority, bool hasListener)
    : m_shared(std::make_shared<Shared>()) {
  m_shared->priority = priority;
  m_shared->hasListener = hasListener;
  m_thread = OwnedThread([shared = m_shared, settings = std::move(settings), weak = TWeakRef<TCustomDocumentIndex>(&owner),
                          generation](std::stop_token stop) mutable {
    Run(std::move(stop), shared, std::move(settings), std::move(weak), generation);
  });
}

TFileDocumentIndexThread::~TFileDocumentIndexThread() {
  RequestStop();
  Join();
}

void TFileDocumentIndexThread::RequestStop() {
  m_thread.RequestStop();
  SetPaused(false);
}

void TFileDocumentIndexThread::SetPaused(bool paused) {
  {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->paused = paused;
  }
  m_shared->wake.notify_all();
}

void TFileDocumentIndexThread::SetPriority(int priority) {
  m_shared->priority = priority;
  ApplyNice(m_shared->tid.load(), priority);
}

void TFileDocumentIndexThread::Join() {
  if (m_thread.Joinable()) m_thread.Join();
}

void TFileDocumentIndexThread::Run(std::stop_token stop, const std::shared_ptr<Shared>& shared,
                                   DocumentIndexSettings settings, TWeakRef<TCustomDocumentIndex> owner,
                                   std::uint64_t generation) {
  shared->tid = ::gettid();
  ApplyNice(shared->tid.load(), shared->priority.load());

  auto waitWhilePaused = [&] {
    std::unique_lock lock(shared->mutex);
    shared->wake.wait(lock, stop, [&] { return !shared->paused; });
  };
  int phase = 1;
  const bool rootSearch = settings.names.empty();
  const bool useCache = settings.useCache && rootSearch;
  // Names given by the script carry no stamp (size -1): they are stat-ed when searched.
  std::vector<DocumentEntry> names;
  names.reserve(settings.names.size());
  for (std::string& name : settings.names) names.push_back({std::move(name), {}});
  // False when the search is to end: stop requested or a handler said so.
  auto report = [&](int position) {
    if (stop.stop_requested()) return false;
    if (!shared->hasListener) return true;
    bool proceed = true;
    const int last = static_cast<int>(names.size()) - 1;
    const bool ran = InvokeOnMainAndWait(
        [&] {
          if (TCustomDocumentIndex* self = owner.Get()) proceed = self->WorkerProgress(generation, phase, position, last);
        },
        stop);
    return ran && proceed;
  };

  // Set when every document had a fresh row: then the indexer has nothing to do.
  bool cacheCurrent = false;
  DocumentSearchStep step(settings.mode, settings.stopWords, settings.dictionary.Make(), settings.encoding);
  std::vector<DocumentFilterItemData> items = settings.filter;
  bool ok = report(0);
  // The cache is opened and asked while the folders are walked (a future's end waits for it).
  std::future<CacheLookup> lookup;
  if (ok && useCache)
    lookup = std::async(std::launch::async, [&] { return LookUpCache(settings.root, items, step); });
  if (ok) {
    if (names.empty())
      names = ListDocumentEntries(settings.root, settings.fileType, settings.recursive, settings.level, stop);
    ok = !names.empty() && !stop.stop_requested();
  }
  if (ok) {
    phase = 2;
    ok = report(0);
  }
  if (ok) {
    phase = 3;
    CacheLookup found = lookup.valid() ? lookup.get() : CacheLookup{};
    const std::unique_ptr<DocumentIndexCache>& cache = found.cache;
    const auto& candidates = found.candidates;
    std::string prefix = settings.root;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    // Whether a document lacked a fresh row: only then is the cache brought up to date.
    bool stale = !cache;
    std::size_t checked = 0;
    auto cannotQualify = [&](const DocumentEntry& entry) {
      if (!cache || !entry.path.starts_with(prefix)) return false;
      const std::string relative = entry.path.substr(prefix.size());
      if (!cache->IsFresh(relative, entry.stamp)) {
        stale = true;
        return false;
      }
      bool allRuledOut = true;
      for (const auto& paths : candidates) {
        const bool ruledOut = paths && !paths->contains(relative);
        if (settings.mode == TDocumentIndexMode::dimFilter && ruledOut) return true;
        allRuledOut = allRuledOut && ruledOut;
      }
      return settings.mode != TDocumentIndexMode::dimFilter && allRuledOut;
    };
    for (std::size_t position = 0; position < names.size() && phase < 4; ++position) {
      waitWhilePaused();
      if (stop.stop_requested()) break;
      const bool qualifies = !cannotQualify(names[position]) && step.Search(names[position], items, stop);
      ++checked;
      if (stop.stop_requested()) break;
      if (qualifies) {
        DocumentIndexMatch match{names[position].path, {}};
        for (const DocumentFilterItemData& item : items)
          if (item.match || settings.mode == TDocumentIndexMode::dimExplore) match.items.push_back(item);
        PostToMain([owner, generation, match = std::move(match)]() mutable {
          if (TCustomDocumentIndex* self = owner.Get()) self->WorkerMatch(generation, std::move(match));
        });
      }
      if (position + 1 >= names.size()) phase = 4;
      if (!report(static_cast<int>(position))) break;
    }
    cacheCurrent = cache && !stale && checked == names.size();
  }
  if (useCache && phase >= 3 && !cacheCurrent && !stop.stop_requested())
    DocumentIndexer::Instance().Enqueue(settings.root, std::move(names), settings.encoding);
  const int result = stop.stop_requested() ? kDocumentIndexAbort : (phase >= 3 ? 0 : kDocumentIndexFail);
  PostToMain([owner, generation, result] {
    if (TCustomDocumentIndex* self = owner.Get()) self->WorkerComplete(generation, result);
  });
}

// ---- TCustomDocumentIndex ----

TCustomDocumentIndex::TCustomDocumentIndex(TComponent* owner)
    : TCustomExecutableComponentEx(owner),
      m_names(std::make_unique<TStringObjectListEx>()),
      m_filter(std::make_unique<TDocumentIndexFilter>(this)),
      m_content(std::make_unique<TDocumentIndexContent>(this)),
      m_stopWords(std::make_unique<TStringObjectListEx>()),
      m_dictionary(std::make_unique<TDocumentIndexDictionary>()),
      m_suspendTimer(MainEventLoop(), kSuspendDelayMs, [this] { SuspendTick(); }) {
  m_suspendTimer.SetOneShot(true);
}

TCustomDocumentIndex::~TCustomDocumentIndex() {
  m_suspendTimer.Stop();
  ++m_generation;
  m_thread.reset();
}

void TCustomDocumentIndex::SetRoot(const std::string& root) {
  if (root == m_root) return;
  m_root = root;
  SettingChanged("root");
}

void TCustomDocumentIndex::SetFileType(const std::string& fileType) {
  if (fileType == m_fileType) return;
  m_fileType = fileType;
  SettingChanged("fileType");
}

void TCustomDocumentIndex::SetRecursive(bool recursive) {
  if (recursive == m_recursive) return;
  m_recursive = recursive;
  SettingChanged("recursive");
}

void TCustomDocumentIndex::SetLevel(int level) {
  if (level == m_level) return;
  m_level = level;
  SettingChanged("level");
}

void TCustomDocumentIndex::SetAsync(bool async) {
  if (async == m_async) return;
  m_async = async;
  SettingChanged("async");
}

void TCustomDocumentIndex::SetNames(TStringObjectListEx* names) {
  if (names && names != m_names.get()) m_names->Assign(*names);
}
void TCustomDocumentIndex::SetFilter(TDocumentIndexFilter* filter) {
  if (filter && filter != m_filter.get()) m_filter->Assign(*filter);
}
void TCustomDocumentIndex::SetContent(TDocumentIndexContent* content) {
  if (content && content != m_content.get()) m_content->Assign(*content);
}
void TCustomDocumentIndex::SetStopWords(TStringObjectListEx* stopWords) {
  if (stopWords && stopWords != m_stopWords.get()) m_stopWords->Assign(*stopWords);
}
void TCustomDocumentIndex::SetDictionary(TDocumentIndexDictionary* dictionary) {
  if (dictionary && dictionary != m_dictionary.get()) m_dictionary->Assign(*dictionary);
}

void TCustomDocumentIndex::SetPriority(int priority) {
  m_priority = std::clamp(priority, 0, 6);
  if (m_thread) m_thread->SetPriority(m_priority);
}

void TCustomDocumentIndex::SetOnProgress(const TMethod& method) {
  m_onProgress.Assign(method);
  if (m_thread) m_thread->SetHasListener(m_onProgress.Assigned());
}

bool TCustomDocumentIndex::Ready() const {
  if (m_filter->Count() == 0) return false;
  return (!m_root.empty() && !m_fileType.empty()) || m_names->Count() > 0;
}

void TCustomDocumentIndex::SetActive(bool active) {
  if (active == m_active) return;
  if (active) {
    if (Ready()) Start();
  } else {
    Abort();
  }
}

void TCustomDocumentIndex::Start() {
  m_content->Clear();
  DocumentIndexSettings settings;
  settings.mode = m_mode;
  settings.filter = m_filter->ToData();
  settings.stopWords = Lines(*m_stopWords);
  settings.dictionary = m_dictionary->TakeSnapshot();
  settings.encoding = ProjectEncoding();
  settings.root = m_root;
  settings.fileType = m_fileType;
  settings.recursive = m_recursive;
  settings.level = m_level;
  settings.names = Lines(*m_names);
  settings.useCache = m_useCache;
  // A stopped search still winding down is joined first.
  m_thread.reset();
  m_active = true;
  m_suspended = false;
  m_thread = std::make_unique<TFileDocumentIndexThread>(*this, std::move(settings), ++m_generation, m_priority,
                                                        m_onProgress.Assigned());
}

void TCustomDocumentIndex::Abort() {
  if (!m_active) return;
  m_active = false;
  m_suspended = false;
  m_suspendTimer.Stop();
  ++m_generation;
  if (m_thread) m_thread->RequestStop();
  if (m_completing) return;
  PostToMain([self = TWeakRef<TCustomDocumentIndex>(this)] {
    if (TCustomDocumentIndex* index = self.Get()) index->FireComplete(kDocumentIndexAbort);
  });
}

void TCustomDocumentIndex::SuspendTick() {
  if (!m_active || m_suspended || !m_thread) return;
  m_suspended = true;
  m_thread->SetPaused(true);
}

bool TCustomDocumentIndex::WorkerProgress(std::uint64_t generation, int phase, int position, int last) {
  if (generation != m_generation || !m_active) return false;
  const TBusyGuard busy(*this);
  bool proceed = true;
  m_onProgress(this, phase, position, last, proceed);
  return proceed;
}

void TCustomDocumentIndex::WorkerMatch(std::uint64_t generation, DocumentIndexMatch match) {
  if (generation != m_generation || !m_active) return;
  TDocumentIndexContentItem& item = m_content->AddItem();
  item.SetName(match.name);
  item.SetTitle(FileNamePart(match.name));
  item.SetSequence(item.Index());
  item.SetExplore(m_mode == TDocumentIndexMode::dimExplore);
  for (const DocumentFilterItemData& data : match.items) item.Filter().AddItem().FromData(data);
  if (m_async) {
    const TBusyGuard busy(*this);
    m_onMatch(this, item.Index(), m_content->Count());
  }
}

void TCustomDocumentIndex::WorkerComplete(std::uint64_t generation, int result) {
  if (generation != m_generation || !m_active) return;
  if (m_thread) m_thread->Join();
  m_suspendTimer.Stop();
  m_suspended = false;
  {
    // The handler may free the component: it goes when the guard ends. An
    // "abort" from the handler ends the search without a second "complete".
    const TBusyGuard busy(*this);
    m_completing = true;
    FireComplete(result);
    m_completing = false;
    if (generation == m_generation) m_active = false;
  }
}

void TCustomDocumentIndex::FireComplete(int result) {
  const TBusyGuard busy(*this);
  m_onComplete(this, result, m_content->Count());
}

void TCustomDocumentIndex::progressHandler(TObject*, int phase, int position, int last, bool& proceed) {
  const Variant args[] = {Variant(Name()), Variant(phase), Variant(position), Variant(last)};
  proceed = ScriptResultAsBoolean(FireEvent("progress", args, nullptr), true);
}

void TCustomDocumentIndex::matchHandler(TObject*, int index, int count) {
  const Variant args[] = {Variant(Name()), Variant(index), Variant(count)};
  FireEvent("match", args, nullptr);
}

void TCustomDocumentIndex::completeHandler(TObject*, int result, int count) {
  const Variant args[] = {Variant(Name()), Variant(result), Variant(count)};
  FireEvent("complete", args, nullptr);
}

int TCustomDocumentIndex::Execute() {
  if (m_active) return kDocumentIndexAlreadyRunning;
  if (!Ready()) return 1;
  Start();
  return 0;
}

void TCustomDocumentIndex::SortContent(SortKey key) {
  std::vector<TCollectionItem*> order;
  for (int i = 0; i < m_content->Count(); ++i) order.push_back(m_content->Items(i));
  // sortByIndex runs the other way round.
  const bool descending = (m_sortMode == TDocumentIndexSort::disDescending) != (key == SortKey::Index);
  auto compare = [&](const TCollectionItem* a, const TCollectionItem* b) {
    const auto& x = static_cast<const TDocumentIndexContentItem&>(*a);
    const auto& y = static_cast<const TDocumentIndexContentItem&>(*b);
    int c = 0;
    switch (key) {
      case SortKey::Title: c = CompareText(x.Title(), y.Title()); break;
      case SortKey::Name: c = CompareText(x.Name(), y.Name()); break;
      case SortKey::Rank: c = x.Rank() - y.Rank(); break;
      case SortKey::Index: c = x.Sequence() - y.Sequence(); break;
      case SortKey::Data: c = CompareData(x.Data(), y.Data()); break;
    }
    return descending ? c > 0 : c < 0;
  };
  std::stable_sort(order.begin(), order.end(), compare);
  m_content->Reorder(order);
}

void TCustomDocumentIndex::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  static const std::pair<const char*, SortKey> kSortWords[] = {{"sortByTitle", SortKey::Title},
                                                              {"sortByName", SortKey::Name},
                                                              {"sortByRank", SortKey::Rank},
                                                              {"sortByIndex", SortKey::Index},
                                                              {"sortByData", SortKey::Data}};
  if (SameText(word, "execute")) {
    ExecResult() = Execute();
  } else if (SameText(word, "clear")) {
    if (m_active) {
      ExecResult() = kDocumentIndexAlreadyRunning;
      return;
    }
    m_names->Clear();
    m_content->Clear();
    ExecResult() = 0;
  } else if (SameText(word, "abort")) {
    if (!m_active) {
      ExecResult() = kDocumentIndexNotActive;
      return;
    }
    Abort();
    ExecResult() = 0;
  } else if (SameText(word, "suspend")) {
    if (!m_active) {
      ExecResult() = kDocumentIndexNotActive;
    } else if (m_suspended) {
      ExecResult() = kDocumentIndexSuspended;
    } else {
      m_suspendTimer.Start();
      ExecResult() = 0;
    }
  } else if (SameText(word, "resume")) {
    if (!m_active) {
      ExecResult() = kDocumentIndexNotActive;
    } else if (!m_suspended) {
      ExecResult() = kDocumentIndexAlreadyRunning;
    } else {
      m_suspended = false;
      if (m_thread) m_thread->SetPaused(false);
      ExecResult() = 0;
    }
  } else if (SameText(word, "index")) {
    if (m_active) {
      ExecResult() = kDocumentIndexAlreadyRunning;
    } else if (m_content->Count() == 0) {
      ExecResult() = kDocumentIndexNoResults;
    } else {
      m_content->AssignTo(*m_names);
      ExecResult() = Execute();
    }
  } else {
    for (const auto& [name, key] : kSortWords) {
      if (!SameText(word, name)) continue;
      if (m_active)
        ExecResult() = kDocumentIndexAlreadyRunning;
      else if (m_content->Count() == 0)
        ExecResult() = kDocumentIndexNoResults;
      else {
        SortContent(key);
        ExecResult() = 0;
      }
      return;
    }
    Inherited::SetExec(value);
  }
}

void RegisterDocumentIndexComponentTypes() { RegisterComponentClass<TFileDocumentIndex>("filedocumentindex"); }

}  // namespace halbrin
