#include "platform/eventloop/glib_event_loop.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/eventloop/callback_guard.h"

namespace halbrin::platform {

namespace {
// Enough for every test scenario, small enough that a self-rescheduling job
// returns control quickly.
constexpr int kMaxPendingRounds = 1000;
}  // namespace

struct GLibEventLoop::Source : std::enable_shared_from_this<Source> {
  GLibEventLoop* loop = nullptr;  // null once the loop is gone
  SourceId id = kNoSource;
  std::function<bool()> callback;
  GSourcePtr gsource;

  ~Source() {
    if (gsource && !g_source_is_destroyed(gsource.get())) g_source_destroy(gsource.get());
  }
};

struct GLibEventLoop::PostSource {
  GSource base;  // first: GLib allocates and casts the whole struct
  GLibEventLoop* loop;
};

GLibEventLoop::GLibEventLoop(GMainContext* context)
    : m_context(g_main_context_ref(context ? context : g_main_context_default())), m_thread(gettid()) {
  // Never written after initialisation; GLib only wants a non-const pointer.
  static GSourceFuncs postFuncs = {
      .prepare = nullptr,
      .check = nullptr,
      .dispatch = &GLibEventLoop::DispatchPostSource,
      .finalize = nullptr,
      .closure_callback = nullptr,
      .closure_marshal = nullptr,
  };
  m_postSource.reset(g_source_new(&postFuncs, sizeof(PostSource)));
  reinterpret_cast<PostSource*>(m_postSource.get())->loop = this;
  g_source_set_priority(m_postSource.get(), G_PRIORITY_DEFAULT);
  g_source_set_name(m_postSource.get(), "halbrin posted jobs");
  g_source_attach(m_postSource.get(), m_context.get());
}

GLibEventLoop::GLibEventLoop(ProcessMainThread) : GLibEventLoop(nullptr) { m_thread.store(getpid()); }

GLibEventLoop::~GLibEventLoop() {
  DropPosts();
  {
    // Under the lock, so a Post racing with us never touches a freed source.
    std::lock_guard lock(m_postMutex);
    g_source_destroy(m_postSource.get());
  }
  auto sources = std::move(m_sources);
  m_sources.clear();
  for (auto& [id, source] : sources) source->loop = nullptr;
  // Destroying the callbacks may run destructors that call RemoveSource: the
  // table is already empty then.
  sources.clear();
}

IEventLoop::SourceId GLibEventLoop::Attach(GSource* gsource, std::function<bool()> callback) {
  auto source = std::make_shared<Source>();
  source->loop = this;
  source->id = m_nextId++;
  source->callback = std::move(callback);
  source->gsource.reset(gsource);
  g_source_set_callback(gsource, &GLibEventLoop::DispatchSource, source.get(), nullptr);
  g_source_attach(gsource, m_context.get());
  SourceId id = source->id;
  m_sources.emplace(id, std::move(source));
  return id;
}

IEventLoop::SourceId GLibEventLoop::AddTimer(std::uint32_t intervalMs, std::function<bool()> tick) {
  return Attach(g_timeout_source_new(std::max<std::uint32_t>(intervalMs, 1)), std::move(tick));
}

IEventLoop::SourceId GLibEventLoop::AddIdle(std::function<bool()> work) {
  return Attach(g_idle_source_new(), std::move(work));
}

void GLibEventLoop::RemoveSource(SourceId id) {
  auto it = m_sources.find(id);
  if (it == m_sources.end()) return;
  // A callback that is running keeps its Source alive until it returns.
  std::shared_ptr<Source> source = std::move(it->second);
  m_sources.erase(it);
  g_source_destroy(source->gsource.get());
}

gboolean GLibEventLoop::DispatchSource(gpointer data) {
  std::shared_ptr<Source> self = static_cast<Source*>(data)->shared_from_this();
  bool again = eventloop_detail::CallGuarded(self->callback);
  GLibEventLoop* loop = self->loop;
  if (!loop) return G_SOURCE_REMOVE;
  if (again && loop->m_sources.contains(self->id)) return G_SOURCE_CONTINUE;
  loop->m_sources.erase(self->id);
  return G_SOURCE_REMOVE;
}

std::uint64_t GLibEventLoop::NowMs() const { return static_cast<std::uint64_t>(g_get_monotonic_time() / 1000); }

void GLibEventLoop::Post(std::function<void()> work) {
  if (!work) return;
  std::unique_lock lock(m_postMutex);
  if (m_shuttingDown.load()) {
    lock.unlock();
    work = nullptr;  // outside the lock: its destructor may release a waiter
    return;
  }
  m_posts.push_back(std::move(work));
  if (!m_wakePending) {
    m_wakePending = true;
    g_source_set_ready_time(m_postSource.get(), 0);
  }
}

gboolean GLibEventLoop::DispatchPostSource(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<PostSource*>(source)->loop->DispatchPosts();
  return G_SOURCE_CONTINUE;
}

void GLibEventLoop::DispatchPosts() {
  g_source_set_ready_time(m_postSource.get(), -1);
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(m_postMutex);
    batch.swap(m_posts);
    m_wakePending = false;
  }
  while (!batch.empty()) {
    // A job that called Quit() drops the rest of the batch with it.
    if (m_shuttingDown.load()) return;
    std::function<void()> job = std::move(batch.front());
    batch.pop_front();
    eventloop_detail::CallGuarded(job);
  }
}

void GLibEventLoop::DropPosts() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(m_postMutex);
    m_shuttingDown.store(true);
    dropped.swap(m_posts);
  }
  // `dropped` dies here, outside the lock.
}

bool GLibEventLoop::IsLoopThread() const { return gettid() == m_thread.load(); }

bool GLibEventLoop::ShuttingDown() const { return m_shuttingDown.load(); }

void GLibEventLoop::BindToCurrentThread() noexcept { m_thread.store(gettid()); }

void GLibEventLoop::Run() {
  BindToCurrentThread();
  ++m_runDepth;
  // Quit() sets the flag before waking the context, and a wake-up that
  // arrives before we poll is kept, so no Quit() is missed.
  while (!m_shuttingDown.load()) g_main_context_iteration(m_context.get(), TRUE);
  --m_runDepth;
}

void GLibEventLoop::Quit() {
  DropPosts();
  g_main_context_wakeup(m_context.get());
}

bool GLibEventLoop::IsRunning() const { return m_runDepth.load() > 0; }

bool GLibEventLoop::RunPending() {
  BindToCurrentThread();
  bool dispatched = false;
  for (int round = 0; round < kMaxPendingRounds && g_main_context_iteration(m_context.get(), FALSE); ++round) {
    dispatched = true;
  }
  return dispatched;
}

bool GLibEventLoop::RunUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  BindToCurrentThread();
  bool timedOut = false;
  GSourcePtr timeout(g_timeout_source_new(timeoutMs));
  g_source_set_callback(
      timeout.get(),
      [](gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &timedOut, nullptr);
  g_source_attach(timeout.get(), m_context.get());
  // The time-out points at a local: detach it however we leave, even if done() throws.
  struct Cleanup {
    GSource* timeout;
    std::atomic<int>& depth;
    ~Cleanup() {
      g_source_destroy(timeout);
      --depth;
    }
  } cleanup{timeout.get(), m_runDepth};
  ++m_runDepth;
  bool satisfied = done();
  while (!satisfied && !timedOut && !m_shuttingDown.load()) {
    g_main_context_iteration(m_context.get(), TRUE);
    satisfied = done();
  }
  return satisfied;
}

}  // namespace halbrin::platform
