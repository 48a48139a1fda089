#include "components/forms/action_updates.h"

#include <algorithm>

#include "components/forms/action_ex.h"
#include "core/app/application_ex.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

bool DefaultApplicationActive() {
  if (!ApplicationExExists()) return false;
  TApplicationEx* application = GetApplicationEx();
  return application && application->Ui().IsActive();
}

}  // namespace

TActionUpdateCycle::TActionUpdateCycle() = default;

TActionUpdateCycle::~TActionUpdateCycle() = default;

void TActionUpdateCycle::Add(TActionListEx& list) {
  m_lists.emplace_back(&list);
  if (m_timer) return;
  IEventLoop& loop = MainEventLoop();
  m_idle = std::make_unique<IdleSource>(loop, [this] { UpdateAll(); });
  m_timer = std::make_unique<TimerSource>(loop, kIntervalMs, [this] { Tick(); });
  m_timer->Start();
}

void TActionUpdateCycle::Remove(TActionListEx& list) {
  // The list is being destroyed: its weak reference may already read null.
  std::erase_if(m_lists, [&](const TWeakRef<TActionListEx>& ref) { return ref.Address() == &list || !ref; });
  if (!m_lists.empty()) return;
  m_timer.reset();
  m_idle.reset();
}

void TActionUpdateCycle::SetActivePredicate(ActivePredicate active) { m_active = std::move(active); }

bool TActionUpdateCycle::ApplicationActive() const { return m_active ? m_active() : DefaultApplicationActive(); }

void TActionUpdateCycle::Tick() {
  if (m_idle && ApplicationActive()) m_idle->Schedule();
}

void TActionUpdateCycle::UpdateAll() {
  const std::vector<TWeakRef<TActionListEx>> lists = m_lists;
  for (const TWeakRef<TActionListEx>& ref : lists) {
    TActionListEx* list = ref.Get();
    if (!list || list->IsDestroying()) continue;
    std::vector<TWeakRef<TCustomAction>> actions;
    for (int i = 0; i < list->ActionCount(); ++i) actions.emplace_back(list->Actions(i));
    for (const TWeakRef<TCustomAction>& action : actions)
      if (TCustomAction* live = action.Get(); live && !live->IsDestroying()) live->Update();
  }
}

TActionUpdateCycle& ActionUpdates() {
  static TActionUpdateCycle cycle;
  return cycle;
}

}  // namespace halbrin
