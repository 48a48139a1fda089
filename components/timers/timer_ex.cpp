#include "components/timers/timer_ex.h"

#include <algorithm>

#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "platform/base/case_fold.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TTimerEx,
                     .Property("enabled", &TTimerEx::Enabled, &TTimerEx::SetEnabled)
                     .Property("elapse", &TTimerEx::Elapse, &TTimerEx::SetElapse)
                     .Property("count", &TTimerEx::Count, &TTimerEx::SetCount)
                     .Event("onChange", &TTimerEx::m_onChange, "TNotifyEvent", &TTimerEx::SetOnChange)
                     .Handler("changeHandler", &TTimerEx::changeHandler))

TTimerEx::TTimerEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner), m_timer(MainEventLoop(), m_elapse, [this] { Tick(); }) {}

TTimerEx::~TTimerEx() { m_timer.Stop(); }

void TTimerEx::SetEnabled(bool enabled) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  Rearm();
}

void TTimerEx::SetElapse(std::uint32_t elapse) {
  if (elapse == m_elapse) return;
  m_elapse = elapse;
  Rearm();
}

void TTimerEx::SetCount(int count) { m_count = std::max(count, 0); }

void TTimerEx::SetOnChange(const TMethod& method) {
  m_onChange.Assign(method);
  Rearm();
}

void TTimerEx::Rearm() {
  m_timer.Stop();
  m_ticks = 0;
  if (m_elapse == 0 || !m_enabled || !m_onChange.Assigned()) return;
  m_timer.SetInterval(std::max(m_elapse, kMinimumPeriodMs));
  m_timer.Start();
}

void TTimerEx::Tick() {
  // A page's answer is awaited in a nested loop: the tick is dropped, not counted.
  if (ApplicationHooks().HoldQueuedEvents()) return;
  // The handler may free the timer: it goes when the tick is over.
  const TBusyGuard busy(*this);
  ++m_ticks;
  if (LimitReached()) SetEnabled(false);
  if (m_onChange.Assigned()) m_onChange(this);
  // The handler may have lowered the limit.
  if (LimitReached()) SetEnabled(false);
}

void TTimerEx::changeHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(m_ticks)};
  const Variant answer = FireEvent("change", args, nullptr);
  if (answer.IsBool() && !answer.AsBool()) SetEnabled(false);
}

void TTimerEx::SetExec(const Variant& value) {
  ExecResult() = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "start")) {
    SetEnabled(true);
  } else if (SameText(word, "stop")) {
    SetEnabled(false);
  } else if (SameText(word, "restart")) {
    SetEnabled(false);
    SetEnabled(true);
  } else {
    Inherited::SetExec(value);
  }
}

void RegisterTimerComponentTypes() { RegisterComponentClass<TTimerEx>("timer"); }

}  // namespace halbrin
