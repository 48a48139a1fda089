#pragma once

// The script timer ("timer"): fires "change" every `elapse` ms while
// `enabled`, optionally `count` times, on a main-loop timer it owns.
//
//   <timer id="clock" elapse="500" count="10" enabled="true">
//     <events><event id="onchange" xml="tick"/></events>
//   </timer>

#include <cstdint>
#include <string>

#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/eventloop/timer_source.h"

namespace halbrin {

class TTimerEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TTimerEx, TCustomExecutableComponentEx)

  // The shortest period a timer runs at, in ms.
  static constexpr std::uint32_t kMinimumPeriodMs = 10;

  // On MainEventLoop(), which must outlive the timer.
  explicit TTimerEx(platform::TComponent* owner = nullptr);
  ~TTimerEx() override;

  std::string GetTypeName() const override { return "timer"; }

  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled);
  // Reads back what was written; the timer runs at max(elapse, 10) ms and
  // never with 0.
  std::uint32_t Elapse() const noexcept { return m_elapse; }
  void SetElapse(std::uint32_t elapse);
  // The number of ticks after which the timer stops; 0 for no limit. A
  // negative value is stored as 0. Changing it keeps the ticks counted.
  int Count() const noexcept { return m_count; }
  void SetCount(int count);
  // Ticks since the timer was last armed.
  int Ticks() const noexcept { return m_ticks; }
  // Armed when the period is due: enabled, elapse above 0 and onChange set.
  bool Armed() const { return m_timer.Active(); }

  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }
  void SetOnChange(const platform::TMethod& method);

  // Words: "start", "stop", "restart" (the ticks start again from 0).
  void SetExec(const platform::Variant& value) override;

  // "change" with [Name, ticks]; a Boolean false answer stops the timer.
  virtual void changeHandler(platform::TObject* sender);

 private:
  // Stops, counts from 0 again and starts when due.
  void Rearm();
  void Tick();
  bool LimitReached() const noexcept { return m_count >= 1 && m_count <= m_ticks; }

  bool m_enabled = false;
  std::uint32_t m_elapse = 1000;
  int m_count = 0;
  int m_ticks = 0;
  platform::TNotifyEvent m_onChange;
  platform::TimerSource m_timer;
};

// Registers the type word "timer".
void RegisterTimerComponentTypes();

}  // namespace halbrin
