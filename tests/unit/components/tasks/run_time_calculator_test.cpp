// The run-time calculator as one table of (trigger, range) -> run times in
// UTC, the DST rules in Europe/Berlin, the cap, validation and the trigger text.

#include "components/tasks/run_time_calculator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace halbrin {
namespace {

// "YYYY-MM-DD HH:MM" in UTC.
std::int64_t Utc(const char* text) {
  int y, mo, d, h, mi;
  EXPECT_EQ(std::sscanf(text, "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi), 5) << text;
  GDateTime* time = g_date_time_new_utc(y, mo, d, h, mi, 0);
  const std::int64_t unix = g_date_time_to_unix(time);
  g_date_time_unref(time);
  return unix;
}

std::string UtcText(std::int64_t unix) {
  GDateTime* time = g_date_time_new_from_unix_utc(unix);
  gchar* text = g_date_time_format(time, "%Y-%m-%d %H:%M");
  std::string out = text;
  g_free(text);
  g_date_time_unref(time);
  return out;
}

TaskTriggerFields At(int type, int y, int mo, int d, int h, int mi) {
  TaskTriggerFields t;
  t.type = type;
  t.beginYear = y;
  t.beginMonth = mo;
  t.beginDay = d;
  t.startHour = h;
  t.startMinute = mi;
  return t;
}

TaskTriggerFields Daily(int every, int y, int mo, int d, int h, int mi) {
  TaskTriggerFields t = At(TASK_TIME_TRIGGER_DAILY, y, mo, d, h, mi);
  t.unionFirst = every;
  return t;
}

TaskTriggerFields EndingOn(TaskTriggerFields t, int y, int mo, int d) {
  t.flags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  t.endYear = y;
  t.endMonth = mo;
  t.endDay = d;
  return t;
}

TaskTriggerFields Repeating(TaskTriggerFields t, std::uint32_t interval, std::uint32_t duration) {
  t.minutesInterval = interval;
  t.minutesDuration = duration;
  return t;
}

TaskTriggerFields Weekly(int every, std::uint32_t days, int y, int mo, int d, int h, int mi) {
  TaskTriggerFields t = At(TASK_TIME_TRIGGER_WEEKLY, y, mo, d, h, mi);
  t.unionFirst = every;
  t.daysOfTheWeek = days;
  return t;
}

TaskTriggerFields MonthlyDate(std::uint32_t days, std::uint32_t months, int y, int mo, int d, int h, int mi) {
  TaskTriggerFields t = At(TASK_TIME_TRIGGER_MONTHLYDATE, y, mo, d, h, mi);
  t.days = days;
  t.months = months;
  return t;
}

TaskTriggerFields MonthlyDow(int week, std::uint32_t days, std::uint32_t months, int y, int mo, int d, int h, int mi) {
  TaskTriggerFields t = At(TASK_TIME_TRIGGER_MONTHLYDOW, y, mo, d, h, mi);
  t.unionFirst = week;
  t.daysOfTheWeek = days;
  t.months = months;
  return t;
}

TaskTriggerFields Disabled(TaskTriggerFields t) {
  t.flags |= TASK_TRIGGER_FLAG_DISABLED;
  return t;
}

constexpr std::uint32_t kMonday = 0x2, kFriday = 0x20;
constexpr std::uint32_t kDay30 = 1u << 29, kDay31 = 1u << 30;

struct RunTimeCase {
  const char* name;
  const char* zone;
  TaskTriggerFields trigger;
  const char* from;  // UTC
  const char* to;    // UTC
  std::vector<std::string> expected;  // UTC
};

TEST(RunTimeCalculator, TriggerRunTimesInRange) {
  const RunTimeCase cases[] = {
      {"once", "UTC", At(TASK_TIME_TRIGGER_ONCE, 2025, 3, 10, 9, 30), "2025-03-01 00:00", "2025-03-31 23:59",
       {"2025-03-10 09:30"}},
      {"once before the range", "UTC", At(TASK_TIME_TRIGGER_ONCE, 2025, 2, 10, 9, 30), "2025-03-01 00:00",
       "2025-03-31 23:59", {}},
      {"daily across a month end", "UTC", Daily(1, 2025, 1, 30, 8, 0), "2025-01-29 00:00", "2025-02-02 23:59",
       {"2025-01-30 08:00", "2025-01-31 08:00", "2025-02-01 08:00", "2025-02-02 08:00"}},
      {"every 3 days across a month end", "UTC", Daily(3, 2025, 1, 28, 7, 15), "2025-01-28 00:00",
       "2025-02-08 23:59", {"2025-01-28 07:15", "2025-01-31 07:15", "2025-02-03 07:15", "2025-02-06 07:15"}},
      {"every 3 days counted from the begin date, not the range", "UTC", Daily(3, 2025, 1, 28, 7, 15),
       "2025-02-01 00:00", "2025-02-08 23:59", {"2025-02-03 07:15", "2025-02-06 07:15"}},
      {"every 2 weeks on Monday and Friday from a Wednesday", "UTC",
       Weekly(2, kMonday | kFriday, 2025, 1, 1, 10, 0), "2024-12-01 00:00", "2025-01-31 23:59",
       {"2025-01-03 10:00", "2025-01-13 10:00", "2025-01-17 10:00", "2025-01-27 10:00", "2025-01-31 10:00"}},
      {"days 30 and 31: February and April 31 skipped", "UTC", MonthlyDate(kDay30 | kDay31, 0xFFF, 2025, 1, 1, 12, 0),
       "2025-01-01 00:00", "2025-05-31 23:59",
       {"2025-01-30 12:00", "2025-01-31 12:00", "2025-03-30 12:00", "2025-03-31 12:00", "2025-04-30 12:00",
        "2025-05-30 12:00", "2025-05-31 12:00"}},
      {"first Monday of January to March", "UTC", MonthlyDow(1, kMonday, 0x7, 2025, 1, 1, 8, 0), "2025-01-01 00:00",
       "2025-12-31 23:59", {"2025-01-06 08:00", "2025-02-03 08:00", "2025-03-03 08:00"}},
      {"last Friday of January to March", "UTC", MonthlyDow(TASK_LAST_WEEK, kFriday, 0x7, 2025, 1, 1, 10, 30),
       "2025-01-01 00:00", "2025-12-31 23:59", {"2025-01-31 10:30", "2025-02-28 10:30", "2025-03-28 10:30"}},
      {"every 90 minutes for 8 hours across midnight", "UTC",
       EndingOn(Repeating(Daily(1, 2025, 1, 10, 20, 0), 90, 480), 2025, 1, 10), "2025-01-10 00:00",
       "2025-01-12 23:59",
       {"2025-01-10 20:00", "2025-01-10 21:30", "2025-01-10 23:00", "2025-01-11 00:30", "2025-01-11 02:00",
        "2025-01-11 03:30"}},
      {"repetitions of the day before reach into the range", "UTC",
       EndingOn(Repeating(Daily(1, 2025, 1, 10, 20, 0), 90, 480), 2025, 1, 10), "2025-01-11 00:00",
       "2025-01-12 23:59", {"2025-01-11 00:30", "2025-01-11 02:00", "2025-01-11 03:30"}},
      {"end date inclusive", "UTC", EndingOn(Daily(1, 2025, 2, 1, 6, 0), 2025, 2, 3), "2025-01-01 00:00",
       "2025-02-28 23:59", {"2025-02-01 06:00", "2025-02-02 06:00", "2025-02-03 06:00"}},
      {"disabled trigger", "UTC", Disabled(Daily(1, 2025, 2, 1, 6, 0)), "2025-02-01 00:00", "2025-02-28 23:59", {}},
      {"spring forward: 02:30 runs at 03:00 local", "Europe/Berlin", Daily(1, 2025, 3, 29, 2, 30),
       "2025-03-29 00:00", "2025-03-31 23:59", {"2025-03-29 01:30", "2025-03-30 01:00", "2025-03-31 00:30"}},
      {"fall back: 02:30 runs once, at the first", "Europe/Berlin", Daily(1, 2025, 10, 25, 2, 30),
       "2025-10-25 00:00", "2025-10-27 23:59", {"2025-10-25 00:30", "2025-10-26 00:30", "2025-10-27 01:30"}},
      {"hourly repetition through the fall-back hour", "Europe/Berlin",
       EndingOn(Repeating(Daily(1, 2025, 10, 26, 1, 0), 60, 240), 2025, 10, 26), "2025-10-25 00:00",
       "2025-10-27 00:00", {"2025-10-25 23:00", "2025-10-26 00:00", "2025-10-26 01:00", "2025-10-26 02:00"}},
      {"29 February: leap years only", "UTC", MonthlyDate(1u << 28, 0x2, 2025, 1, 1, 6, 0), "2025-01-01 00:00",
       "2033-12-31 23:59", {"2028-02-29 06:00", "2032-02-29 06:00"}},
      {"30 February never comes", "UTC", MonthlyDate(kDay30, 0x2, 2025, 1, 1, 6, 0), "2025-01-01 00:00",
       "9999-12-31 23:59", {}},
      {"monthly across a year end, months skipped whole", "UTC", MonthlyDow(2, 0x1, 0x801, 2025, 11, 1, 6, 0),
       "2025-11-01 00:00", "2026-01-31 23:59", {"2025-12-14 06:00", "2026-01-11 06:00"}},
      {"on idle gives nothing", "UTC", At(TASK_EVENT_TRIGGER_ON_IDLE, 2025, 1, 1, 0, 0), "2025-01-01 00:00",
       "2025-12-31 23:59", {}},
      {"at system start gives nothing", "UTC", At(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, 2025, 1, 1, 0, 0),
       "2025-01-01 00:00", "2025-12-31 23:59", {}},
      {"at logon gives nothing", "UTC", At(TASK_EVENT_TRIGGER_AT_LOGON, 2025, 1, 1, 0, 0), "2025-01-01 00:00",
       "2025-12-31 23:59", {}},
  };
  for (const RunTimeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TaskTimeZone zone(c.zone);
    std::vector<std::string> got;
    for (const std::int64_t time : TriggerRunTimes(c.trigger, Utc(c.from), Utc(c.to), zone)) got.push_back(UtcText(time));
    EXPECT_EQ(got, c.expected);
  }
}

TEST(RunTimeCalculator, StopsAtTheCapWithTheEarliestTimes) {
  const TaskTimeZone zone("UTC");
  const TaskTriggerFields everyMinute = Repeating(Daily(1, 2025, 1, 1, 0, 0), 1, 1440);
  const std::vector<std::int64_t> times =
      TriggerRunTimes(everyMinute, Utc("2025-01-01 00:00"), Utc("2025-01-05 00:00"), zone);
  ASSERT_EQ(times.size(), kMaxTaskRunTimes);
  EXPECT_EQ(UtcText(times.front()), "2025-01-01 00:00");
  EXPECT_EQ(UtcText(times.back()), "2025-01-01 23:59");
}

TEST(RunTimeCalculator, TaskMergesTriggersAndHonoursItsDisabledFlag) {
  const TaskTimeZone zone("UTC");
  const TaskTriggerFields triggers[] = {Daily(1, 2025, 1, 1, 9, 0), Daily(2, 2025, 1, 1, 9, 0),
                                        Daily(1, 2025, 1, 1, 18, 0)};
  std::vector<std::string> got;
  for (const std::int64_t t : TaskRunTimes(0, triggers, Utc("2025-01-01 00:00"), Utc("2025-01-02 23:59"), zone))
    got.push_back(UtcText(t));
  EXPECT_EQ(got, (std::vector<std::string>{"2025-01-01 09:00", "2025-01-01 18:00", "2025-01-02 09:00",
                                           "2025-01-02 18:00"}));
  EXPECT_TRUE(TaskRunTimes(TASK_FLAG_DISABLED, triggers, Utc("2025-01-01 00:00"), Utc("2025-01-02 23:59"), zone)
                  .empty());
  EXPECT_EQ(NextTaskRunTime(0, triggers, Utc("2025-01-01 09:00") + 1, zone), Utc("2025-01-01 18:00"));
  const TaskTriggerFields once[] = {At(TASK_TIME_TRIGGER_ONCE, 2025, 1, 1, 9, 0)};
  EXPECT_EQ(NextTaskRunTime(0, once, Utc("2025-01-01 09:00") + 1, zone), std::nullopt);
}

TEST(RunTimeCalculator, RefusesRecordsTheSchedulerRefuses) {
  struct Row {
    const char* name;
    TaskTriggerFields trigger;
    bool valid;
  };
  TaskTriggerFields month13 = Daily(1, 2025, 13, 1, 0, 0);
  TaskTriggerFields february30 = Daily(1, 2025, 2, 30, 0, 0);
  TaskTriggerFields hour24 = Daily(1, 2025, 1, 1, 24, 0);
  TaskTriggerFields monthMask13 = MonthlyDate(1, 0x1000, 2025, 1, 1, 0, 0);
  TaskTriggerFields badEnd = EndingOn(Daily(1, 2025, 1, 1, 0, 0), 2025, 4, 31);
  const Row rows[] = {
      {"daily", Daily(1, 2025, 1, 1, 0, 0), true},
      {"month 13", month13, false},
      {"30 February", february30, false},
      {"hour 24", hour24, false},
      {"daysInterval 0", Daily(0, 2025, 1, 1, 0, 0), false},
      {"weeksInterval 0", Weekly(0, kMonday, 2025, 1, 1, 0, 0), false},
      {"whichWeek 6", MonthlyDow(6, kMonday, 1, 2025, 1, 1, 0, 0), false},
      {"month mask beyond December", monthMask13, false},
      {"duration below interval", Repeating(Daily(1, 2025, 1, 1, 0, 0), 60, 30), false},
      {"end date that does not exist", badEnd, false},
      {"an event trigger ignores the union", At(TASK_EVENT_TRIGGER_AT_LOGON, 2025, 1, 1, 0, 0), true},
      {"unknown kind", At(8, 2025, 1, 1, 0, 0), false},
  };
  for (const Row& row : rows) EXPECT_EQ(IsValidTrigger(row.trigger), row.valid) << row.name;
}

TEST(RunTimeCalculator, TriggerTextInWords) {
  const struct {
    TaskTriggerFields trigger;
    const char* text;
  } rows[] = {
      {Daily(3, 2025, 3, 1, 9, 0), "At 09:00 every 3 days, starting 01.03.2025"},
      {Daily(1, 2025, 3, 1, 9, 0), "At 09:00 every day, starting 01.03.2025"},
      {MonthlyDow(TASK_LAST_WEEK, kFriday, 0x3, 2025, 1, 1, 10, 30), "At 10:30 on the last Fri of Jan, Feb"},
      {At(TASK_EVENT_TRIGGER_AT_LOGON, 2025, 1, 1, 0, 0), "At log on"},
      {At(TASK_EVENT_TRIGGER_ON_IDLE, 2025, 1, 1, 0, 0), "When idle"},
      {Disabled(Weekly(2, kMonday | kFriday, 2025, 1, 1, 7, 5)),
       "At 07:05 every Mon, Fri of every 2 weeks, starting 01.01.2025 (disabled)"},
  };
  for (const auto& row : rows) EXPECT_EQ(TriggerText(row.trigger), row.text);
}

}  // namespace
}  // namespace halbrin
