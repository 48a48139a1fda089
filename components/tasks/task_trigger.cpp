#include "components/tasks/task_trigger.h"

#include "components/tasks/scheduled_task.h"
#include "components/tasks/task_store.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

std::int64_t DateTicks(int year, int month, int day) {
  if (year < 1 || month < 1 || day < 1) return 0;
  try {
    return TCustomDateTimeEx::PartsToTicks({year, month, day, 0, 0, 0, 0});
  } catch (const Exception&) {
    return 0;
  }
}

// A date bound to three fields of the trigger's record.
std::unique_ptr<TBoundDateTime<TDateEx>> BoundDate(TTaskTrigger& trigger, int TaskTriggerFields::*year,
                                                   int TaskTriggerFields::*month, int TaskTriggerFields::*day) {
  return std::make_unique<TBoundDateTime<TDateEx>>(
      [&trigger, year, month, day] {
        const TaskTriggerFields t = trigger.Fields();
        return DateTicks(t.*year, t.*month, t.*day);
      },
      [&trigger, year, month, day](std::int64_t ticks) {
        const DateTimeParts p = TCustomDateTimeEx::TicksToParts(ticks);
        trigger.Change([&](TaskTriggerFields& t) {
          t.*year = p.year;
          t.*month = p.month;
          t.*day = p.day;
        });
      });
}

[[noreturn]] void ThrowBadValue() { throw EOleError(E_TASK_INVALIDARG, "The parameter is incorrect."); }

}  // namespace

HALBRIN_DEFINE_CLASS(TTaskTriggerTypeEx,
                     .Property("event", &TTaskTriggerTypeEx::Event, &TTaskTriggerTypeEx::SetEvent)
                     .Property("eventType", [](const TTaskTriggerTypeEx& self) {
                       return static_cast<std::uint32_t>(self.Event()); },
                       [](TTaskTriggerTypeEx& self, std::uint32_t type) { self.SetEvent(static_cast<int>(type)); })
                     .Property("daysInterval", &TTaskTriggerTypeEx::UnionFirst, &TTaskTriggerTypeEx::SetUnionFirst)
                     .Property("weeksInterval", &TTaskTriggerTypeEx::UnionFirst, &TTaskTriggerTypeEx::SetUnionFirst)
                     .Property("whichWeek", &TTaskTriggerTypeEx::UnionFirst, &TTaskTriggerTypeEx::SetUnionFirst)
                     .Property("daysOfTheWeek", &TTaskTriggerTypeEx::DaysOfTheWeek,
                               &TTaskTriggerTypeEx::SetDaysOfTheWeek)
                     .Property("days", &TTaskTriggerTypeEx::Days, &TTaskTriggerTypeEx::SetDays)
                     .Property("months", &TTaskTriggerTypeEx::Months, &TTaskTriggerTypeEx::SetMonths))

int TTaskTriggerTypeEx::Event() const { return m_trigger.Fields().type; }
void TTaskTriggerTypeEx::SetEvent(int type) { m_trigger.Change([&](TaskTriggerFields& t) { t.type = type; }); }
int TTaskTriggerTypeEx::UnionFirst() const { return m_trigger.Fields().unionFirst; }
void TTaskTriggerTypeEx::SetUnionFirst(int value) {
  m_trigger.Change([&](TaskTriggerFields& t) { t.unionFirst = value; });
}
std::uint32_t TTaskTriggerTypeEx::DaysOfTheWeek() const { return m_trigger.Fields().daysOfTheWeek; }
void TTaskTriggerTypeEx::SetDaysOfTheWeek(std::uint32_t mask) {
  m_trigger.Change([&](TaskTriggerFields& t) { t.daysOfTheWeek = mask; });
}
std::uint32_t TTaskTriggerTypeEx::Days() const { return m_trigger.Fields().days; }
void TTaskTriggerTypeEx::SetDays(std::uint32_t mask) { m_trigger.Change([&](TaskTriggerFields& t) { t.days = mask; }); }
std::uint32_t TTaskTriggerTypeEx::Months() const { return m_trigger.Fields().months; }
void TTaskTriggerTypeEx::SetMonths(std::uint32_t mask) {
  m_trigger.Change([&](TaskTriggerFields& t) { t.months = mask; });
}

HALBRIN_DEFINE_CLASS(
    TTaskTrigger,
    .Property("beginDate", [](const TTaskTrigger& self) { return self.BeginDate(); },
              [](TTaskTrigger& self, TDateEx* date) {
                if (date) self.BeginDate()->SetTicks(date->Ticks());
              })
    .Owned()
    .Stored(false)
    .Property("endDate", [](const TTaskTrigger& self) { return self.EndDate(); },
              [](TTaskTrigger& self, TDateEx* date) {
                if (date) self.EndDate()->SetTicks(date->Ticks());
              })
    .Owned()
    .Stored(false)
    .Property("startTime", [](const TTaskTrigger& self) { return self.StartTime(); },
              [](TTaskTrigger& self, TTimeEx* time) {
                if (time) self.StartTime()->SetTicks(time->Ticks() % TCustomDateTimeEx::kMsPerDay);
              })
    .Owned()
    .Stored(false)
    .Property("duration", [](const TTaskTrigger& self) { return self.Fields().minutesDuration; },
              [](TTaskTrigger& self, std::uint32_t v) { self.Change([&](TaskTriggerFields& t) { t.minutesDuration = v; }); })
    .Property("interval", [](const TTaskTrigger& self) { return self.Fields().minutesInterval; },
              [](TTaskTrigger& self, std::uint32_t v) { self.Change([&](TaskTriggerFields& t) { t.minutesInterval = v; }); })
    .Property("flags", [](const TTaskTrigger& self) { return self.Fields().flags; },
              [](TTaskTrigger& self, std::uint32_t v) { self.Change([&](TaskTriggerFields& t) { t.flags = v; }); })
    .Property("triggerString", &TTaskTrigger::TriggerString)
    .Stored(false)
    .Property("triggerType", [](const TTaskTrigger& self) { return self.TriggerType(); })
    .Stored(false)
    .Property("triggers", [](const TTaskTrigger& self) { return dynamic_cast<TTaskTriggers*>(self.Collection()); })
    .Stored(false)
    .Property("share", &TTaskTrigger::Share, &TTaskTrigger::SetShare))

TTaskTrigger::TTaskTrigger()
    : m_beginDate(BoundDate(*this, &TaskTriggerFields::beginYear, &TaskTriggerFields::beginMonth,
                            &TaskTriggerFields::beginDay)),
      m_endDate(BoundDate(*this, &TaskTriggerFields::endYear, &TaskTriggerFields::endMonth, &TaskTriggerFields::endDay)),
      m_startTime(std::make_unique<TBoundDateTime<TTimeEx>>(
          [this] {
            const TaskTriggerFields t = Fields();
            return (std::int64_t{t.startHour} * 60 + t.startMinute) * 60'000;
          },
          [this](std::int64_t ticks) {
            const DateTimeParts p = TCustomDateTimeEx::TicksToParts(ticks);
            Change([&](TaskTriggerFields& t) {
              t.startHour = p.hour;
              t.startMinute = p.minute;
            });
          })),
      m_type(std::make_unique<TTaskTriggerTypeEx>(*this)) {}

TTaskTrigger::~TTaskTrigger() {
  // An unshared trigger takes its record with it, unless its task goes too.
  if (!m_share && m_task && !m_task->Destroying()) m_task->DeleteTriggerRecord(m_id);
}

void TTaskTrigger::Bind(TScheduledWorkItem& task, int id) {
  m_task = &task;
  m_id = id;
}

TaskTriggerFields TTaskTrigger::Fields() const {
  const TaskTriggerRecord* record = m_task ? m_task->Record().Trigger(m_id) : nullptr;
  if (!record) throw EOleError(SCHED_E_TRIGGER_NOT_FOUND, "The trigger was not found.");
  return record->fields;
}

void TTaskTrigger::SetFields(const TaskTriggerFields& fields) {
  TaskTriggerRecord* record = m_task ? m_task->Record().Trigger(m_id) : nullptr;
  if (!record) throw EOleError(SCHED_E_TRIGGER_NOT_FOUND, "The trigger was not found.");
  if (!IsValidTrigger(fields)) ThrowBadValue();
  record->fields = fields;
}

void TTaskTrigger::Change(const std::function<void(TaskTriggerFields&)>& edit) {
  TaskTriggerFields fields = Fields();
  edit(fields);
  SetFields(fields);
}

HALBRIN_DEFINE_CLASS(TTaskTriggers,
                     .Property("task", [](const TTaskTriggers& self) { return &self.Task(); })
                     .Stored(false))

TTaskTriggers::TTaskTriggers(TScheduledWorkItem& task)
    : TItemCollection(&task, TTaskTrigger::StaticClassInfo(), TCollection::FactoryOf<TTaskTrigger>()), m_task(task) {}

TTaskTrigger* TTaskTriggers::Trigger(int index) const { return static_cast<TTaskTrigger*>(Items(index)); }

}  // namespace halbrin
