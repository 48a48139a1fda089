#include "platform/eventloop/fake_event_loop.h"

#include <algorithm>
#include <vector>

#include "platform/base/exception.h"
#include "platform/eventloop/callback_guard.h"

namespace halbrin::platform {

FakeEventLoop::FakeEventLoop() : m_thread(std::this_thread::get_id()) {}

FakeEventLoop::~FakeEventLoop() {
  DropPosts();
  m_dueTimers.clear();
  // Callback destructors may call RemoveSource: the table is empty by then.
  auto sources = std::move(m_sources);
  m_sources.clear();
}

IEventLoop::SourceId FakeEventLoop::Add(bool timer, std::uint32_t periodMs, std::function<bool()> callback) {
  auto source = std::make_shared<Source>();
  source->id = m_nextId++;
  source->timer = timer;
  if (timer) {
    source->periodMs = std::max<std::uint32_t>(periodMs, 1);
    source->dueMs = m_nowMs.load() + source->periodMs;
    m_dueTimers.emplace(source->dueMs, source->id);
  }
  source->callback = std::move(callback);
  SourceId id = source->id;
  m_sources.emplace(id, std::move(source));
  return id;
}

IEventLoop::SourceId FakeEventLoop::AddTimer(std::uint32_t intervalMs, std::function<bool()> tick) {
  return Add(true, intervalMs, std::move(tick));
}

IEventLoop::SourceId FakeEventLoop::AddIdle(std::function<bool()> work) { return Add(false, 0, std::move(work)); }

void FakeEventLoop::RemoveSource(SourceId id) {
  auto it = m_sources.find(id);
  if (it == m_sources.end()) return;
  // A running callback is kept alive by its caller's copy.
  std::shared_ptr<Source> source = std::move(it->second);
  m_sources.erase(it);
  if (source->timer) m_dueTimers.erase({source->dueMs, id});
}

std::uint64_t FakeEventLoop::NowMs() const { return m_nowMs.load(); }

void FakeEventLoop::Post(std::function<void()> work) {
  if (!work) return;
  std::unique_lock lock(m_postMutex);
  if (m_shuttingDown.load()) {
    lock.unlock();
    work = nullptr;  // outside the lock: its destructor may release a waiter
    return;
  }
  m_posts.push_back(std::move(work));
}

bool FakeEventLoop::IsLoopThread() const { return std::this_thread::get_id() == m_thread; }

bool FakeEventLoop::ShuttingDown() const { return m_shuttingDown.load(); }

bool FakeEventLoop::RunSource(const std::shared_ptr<Source>& source) {
  bool again = eventloop_detail::CallGuarded(source->callback);
  if (!m_sources.contains(source->id)) return false;  // removed inside its callback
  if (!again) {
    m_sources.erase(source->id);
    return false;
  }
  return true;
}

void FakeEventLoop::RunIdle() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(m_postMutex);
    batch.swap(m_posts);
  }
  while (!batch.empty()) {
    if (m_shuttingDown.load()) break;  // a job called Quit(): the rest is dropped
    std::function<void()> job = std::move(batch.front());
    batch.pop_front();
    eventloop_detail::CallGuarded(job);
  }
  batch.clear();

  std::vector<std::shared_ptr<Source>> idle;
  for (const auto& [id, source] : m_sources) {
    if (!source->timer) idle.push_back(source);
  }
  for (const auto& source : idle) {
    if (m_sources.contains(source->id)) RunSource(source);
  }
}

void FakeEventLoop::Advance(std::uint64_t ms) {
  if (m_advancing) throw Exception("FakeEventLoop::Advance cannot be called from inside one of its callbacks");
  m_advancing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{m_advancing};

  const std::uint64_t target = m_nowMs.load() + ms;
  RunIdle();
  while (!m_dueTimers.empty() && m_dueTimers.begin()->first <= target) {
    auto [dueMs, id] = *m_dueTimers.begin();
    m_dueTimers.erase(m_dueTimers.begin());
    m_nowMs.store(dueMs);
    std::shared_ptr<Source> source = m_sources.at(id);
    if (RunSource(source)) {
      source->dueMs = dueMs + source->periodMs;
      m_dueTimers.emplace(source->dueMs, id);
    }
    if (m_dueTimers.empty() || m_dueTimers.begin()->first != dueMs) RunIdle();
  }
  m_nowMs.store(target);
}

std::size_t FakeEventLoop::PendingSources() const { return m_sources.size(); }

std::size_t FakeEventLoop::PendingPosts() const {
  std::lock_guard lock(m_postMutex);
  return m_posts.size();
}

std::optional<std::uint64_t> FakeEventLoop::NextTimerDueMs() const {
  if (m_dueTimers.empty()) return std::nullopt;
  return m_dueTimers.begin()->first;
}

void FakeEventLoop::DropPosts() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(m_postMutex);
    m_shuttingDown.store(true);
    dropped.swap(m_posts);
  }
}

void FakeEventLoop::Quit() { DropPosts(); }

}  // namespace halbrin::platform
