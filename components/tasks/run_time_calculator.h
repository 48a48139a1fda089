#pragma once

// The run times of scheduled tasks: which instants a trigger (the
// TASK_TRIGGER fields) gives in a range, in local wall-clock time of a given
// time zone. Pure: no clock of its own, the caller passes the range.

#include <glib.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace halbrin {

// Trigger kinds.
inline constexpr int TASK_TIME_TRIGGER_ONCE = 0;
inline constexpr int TASK_TIME_TRIGGER_DAILY = 1;
inline constexpr int TASK_TIME_TRIGGER_WEEKLY = 2;
inline constexpr int TASK_TIME_TRIGGER_MONTHLYDATE = 3;
inline constexpr int TASK_TIME_TRIGGER_MONTHLYDOW = 4;
inline constexpr int TASK_EVENT_TRIGGER_ON_IDLE = 5;
inline constexpr int TASK_EVENT_TRIGGER_AT_SYSTEMSTART = 6;
inline constexpr int TASK_EVENT_TRIGGER_AT_LOGON = 7;

// Trigger flags.
inline constexpr std::uint32_t TASK_TRIGGER_FLAG_HAS_END_DATE = 0x1;
inline constexpr std::uint32_t TASK_TRIGGER_FLAG_KILL_AT_DURATION_END = 0x2;
inline constexpr std::uint32_t TASK_TRIGGER_FLAG_DISABLED = 0x4;

// Task flags with an effect here.
inline constexpr std::uint32_t TASK_FLAG_DELETE_WHEN_DONE = 0x2;
inline constexpr std::uint32_t TASK_FLAG_DISABLED = 0x4;

// `whichWeek` for the last such weekday of the month.
inline constexpr int TASK_LAST_WEEK = 5;

// The most times one call gives.
inline constexpr std::size_t kMaxTaskRunTimes = 1440;

// One TASK_TRIGGER. `unionFirst` is the first field of the type union:
// DaysInterval (daily), WeeksInterval (weekly) or WhichWeek (monthly by
// weekday).
struct TaskTriggerFields {
  int beginYear = 2000, beginMonth = 1, beginDay = 1;
  int endYear = 0, endMonth = 0, endDay = 0;
  int startHour = 0, startMinute = 0;
  std::uint32_t minutesDuration = 0;
  std::uint32_t minutesInterval = 0;
  std::uint32_t flags = 0;
  int type = TASK_TIME_TRIGGER_DAILY;
  int unionFirst = 1;
  // Sunday 0x1 ... Saturday 0x40.
  std::uint32_t daysOfTheWeek = 0;
  // Bit 0 = day 1 ... bit 30 = day 31.
  std::uint32_t days = 0;
  // January 0x1 ... December 0x800.
  std::uint32_t months = 0;

  bool operator==(const TaskTriggerFields&) const = default;
};

// False for a record the scheduler refuses: a date that does not exist, an
// hour or minute out of range, an unknown kind, an interval of 0 for daily
// or weekly, a week number outside 1..5, masks with bits beyond their last
// day or month, or a duration below the repetition interval.
bool IsValidTrigger(const TaskTriggerFields& trigger);

// A time zone for the wall-clock rules (GTimeZone, owned).
class TaskTimeZone {
 public:
  // The zone of TZ, as the process sees it now.
  static TaskTimeZone Local();
  // An identifier such as "Europe/Berlin" or "UTC".
  explicit TaskTimeZone(const std::string& identifier);
  TaskTimeZone(const TaskTimeZone& other);
  TaskTimeZone& operator=(const TaskTimeZone& other);
  ~TaskTimeZone();

  // The UTC offset in seconds at a Unix time.
  int OffsetAt(std::int64_t unixTime) const;
  // The instant of a local wall-clock minute: in a gap the first instant
  // after it, in a repeated hour the first of the two.
  std::int64_t ToUnix(int year, int month, int day, int hour, int minute) const;

 private:
  explicit TaskTimeZone(GTimeZone* zone) : m_zone(zone) {}
  GTimeZone* m_zone;
};

// The times (Unix seconds, ascending) a trigger gives in [from, to], at most
// `max`. Disabled triggers and event triggers give none.
std::vector<std::int64_t> TriggerRunTimes(const TaskTriggerFields& trigger, std::int64_t from, std::int64_t to,
                                          const TaskTimeZone& zone, std::size_t max = kMaxTaskRunTimes);

// The times of all triggers of a task, merged, ascending, without repeats;
// none when the task flags hold TASK_FLAG_DISABLED.
std::vector<std::int64_t> TaskRunTimes(std::uint32_t taskFlags, std::span<const TaskTriggerFields> triggers,
                                       std::int64_t from, std::int64_t to, const TaskTimeZone& zone,
                                       std::size_t max = kMaxTaskRunTimes);

// The first time at or after `from`; nothing when no time is left.
std::optional<std::int64_t> NextTaskRunTime(std::uint32_t taskFlags, std::span<const TaskTriggerFields> triggers,
                                            std::int64_t from, const TaskTimeZone& zone);

// Unix seconds of the last instant of year 9999: the end of an open range.
inline constexpr std::int64_t kOpenRangeEnd = 253402300799;

// The trigger in words: "At 09:00 every 3 days, starting 01.03.2025",
// "At 10:30 on the last Fri of Jan, Feb", "At log on", "When idle".
std::string TriggerText(const TaskTriggerFields& trigger);

}  // namespace halbrin
