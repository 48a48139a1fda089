#pragma once

// The update cycle of actions: while the application is active, every
// 100 ms at the main loop's next idle moment, each action of each action
// list is asked to update (the list's "update" first, then the action's
// own), so handlers can enable and check actions and their clients follow.
// The timer exists only while an action list does.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/object.h"
#include "platform/eventloop/idle_source.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin {

class TActionListEx;

class TActionUpdateCycle {
 public:
  static constexpr std::uint32_t kIntervalMs = 100;
  // Whether the application is active; by default its user interface says.
  using ActivePredicate = std::function<bool()>;

  TActionUpdateCycle();
  ~TActionUpdateCycle();
  TActionUpdateCycle(const TActionUpdateCycle&) = delete;
  TActionUpdateCycle& operator=(const TActionUpdateCycle&) = delete;

  // Action lists join from their constructors and leave from their
  // destructors; the first one arms the timer on MainEventLoop(), the last
  // one removes it.
  void Add(TActionListEx& list);
  void Remove(TActionListEx& list);
  bool Armed() const noexcept { return m_timer != nullptr; }

  // Null restores the default.
  void SetActivePredicate(ActivePredicate active);
  bool ApplicationActive() const;

  // One round at once: the lists in the order made, their actions in order.
  // Handlers may free lists and actions meanwhile.
  void UpdateAll();

 private:
  void Tick();

  std::vector<platform::TWeakRef<TActionListEx>> m_lists;
  ActivePredicate m_active;
  std::unique_ptr<platform::TimerSource> m_timer;
  std::unique_ptr<platform::IdleSource> m_idle;
};

// The process's cycle, made on first use.
TActionUpdateCycle& ActionUpdates();

}  // namespace halbrin
