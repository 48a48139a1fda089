#pragma once

// The triggers of a scheduled task ("trigger" items): each reads the whole
// trigger record of its task at every read and writes one field back; the
// record is found by the trigger's stable id, never by its position.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "components/tasks/run_time_calculator.h"
#include "core/foundation/item_collection.h"
#include "core/framework/custom_date_time_ex.h"

namespace halbrin {

class TScheduledWorkItem;
class TTaskTrigger;

// A date or time object read from and written to a trigger.
template <class Base>
class TBoundDateTime : public Base {
 public:
  using Getter = std::function<std::int64_t()>;
  using Setter = std::function<void(std::int64_t)>;
  TBoundDateTime(Getter getter, Setter setter) : m_getter(std::move(getter)), m_setter(std::move(setter)) {}

 protected:
  void DoGetValue(std::int64_t& ticks) const override {
    if (!m_writing) ticks = m_getter();
  }
  void DoChange() override {
    m_writing = true;
    try {
      m_setter(this->Ticks());
    } catch (...) {
      m_writing = false;
      throw;
    }
    m_writing = false;
    Base::DoChange();
  }

 private:
  Getter m_getter;
  Setter m_setter;
  bool m_writing = false;
};

// The kind of a trigger and the fields of its type union.
class TTaskTriggerTypeEx : public platform::TPersistent {
  HALBRIN_CLASS(TTaskTriggerTypeEx, platform::TPersistent)

  explicit TTaskTriggerTypeEx(TTaskTrigger& trigger) : m_trigger(trigger) {}

  int Event() const;
  void SetEvent(int type);
  // The shared first union field, under each of its names.
  int UnionFirst() const;
  void SetUnionFirst(int value);
  std::uint32_t DaysOfTheWeek() const;
  void SetDaysOfTheWeek(std::uint32_t mask);
  std::uint32_t Days() const;
  void SetDays(std::uint32_t mask);
  std::uint32_t Months() const;
  void SetMonths(std::uint32_t mask);

 private:
  TTaskTrigger& m_trigger;
};

class TTaskTrigger : public TInterfacedCollectionItem {
  HALBRIN_CLASS(TTaskTrigger, TInterfacedCollectionItem)

  TTaskTrigger();
  ~TTaskTrigger() override;

  // The task this trigger belongs to and the id of its record there.
  void Bind(TScheduledWorkItem& task, int id);
  int Id() const noexcept { return m_id; }
  TScheduledWorkItem* Task() const noexcept { return m_task; }

  // The record now; EOleError 0x80041309 when the task no longer has it.
  TaskTriggerFields Fields() const;
  // Stores the record when it is valid; EOleError 0x80070057 otherwise, and
  // the stored record stays as it was.
  void SetFields(const TaskTriggerFields& fields);
  // Changes one field through Fields/SetFields.
  void Change(const std::function<void(TaskTriggerFields&)>& edit);

  TDateEx* BeginDate() const noexcept { return m_beginDate.get(); }
  TDateEx* EndDate() const noexcept { return m_endDate.get(); }
  TTimeEx* StartTime() const noexcept { return m_startTime.get(); }
  TTaskTriggerTypeEx* TriggerType() const noexcept { return m_type.get(); }
  std::string TriggerString() const { return TriggerText(Fields()); }

  bool Share() const noexcept { return m_share; }
  void SetShare(bool share) noexcept { m_share = share; }

 private:
  TScheduledWorkItem* m_task = nullptr;
  int m_id = 0;
  bool m_share = true;
  std::unique_ptr<TBoundDateTime<TDateEx>> m_beginDate;
  std::unique_ptr<TBoundDateTime<TDateEx>> m_endDate;
  std::unique_ptr<TBoundDateTime<TTimeEx>> m_startTime;
  std::unique_ptr<TTaskTriggerTypeEx> m_type;
};

class TTaskTriggers : public TItemCollection {
  HALBRIN_CLASS(TTaskTriggers, TItemCollection)

  explicit TTaskTriggers(TScheduledWorkItem& task);

  TScheduledWorkItem& Task() const noexcept { return m_task; }
  TTaskTrigger* Trigger(int index) const;

 private:
  TScheduledWorkItem& m_task;
};

}  // namespace halbrin
