#include "components/tasks/run_time_calculator.h"

#include <algorithm>
#include <stdexcept>

#include "platform/base/format.h"

namespace halbrin {

using platform::Format;

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// The day number of 0001-01-01 and of 9999-12-31.
constexpr std::int64_t kFirstDay = -719162;
constexpr std::int64_t kLastDay = 2932896;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  int year, month, day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Sunday 0 ... Saturday 6.
int WeekDay(std::int64_t day) { return static_cast<int>(((day + 4) % 7 + 7) % 7); }

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// False when the masks leave no day at all (no weekday, no month, or only
// month days that none of the months has).
bool CanFire(const TaskTriggerFields& t) {
  switch (t.type) {
    case TASK_TIME_TRIGGER_WEEKLY: return t.daysOfTheWeek != 0;
    case TASK_TIME_TRIGGER_MONTHLYDOW: return t.daysOfTheWeek != 0 && t.months != 0;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      for (int month = 1; month <= 12; ++month)
        if (t.months & (1u << (month - 1)))
          for (int day = 1; day <= (month == 2 ? 29 : DaysInMonth(2001, month)); ++day)
            if (t.days & (1u << (day - 1))) return true;
      return false;
    default: return true;
  }
}

bool IsMonthly(int type) { return type == TASK_TIME_TRIGGER_MONTHLYDATE || type == TASK_TIME_TRIGGER_MONTHLYDOW; }

bool IsTimeTrigger(int type) { return type >= TASK_TIME_TRIGGER_ONCE && type <= TASK_TIME_TRIGGER_MONTHLYDOW; }

// Whether a time trigger of a valid record fires on that day (begin and end
// dates aside).
bool FiresOn(const TaskTriggerFields& t, std::int64_t day, std::int64_t beginDay) {
  switch (t.type) {
    case TASK_TIME_TRIGGER_ONCE: return day == beginDay;
    case TASK_TIME_TRIGGER_DAILY: return (day - beginDay) % t.unionFirst == 0;
    case TASK_TIME_TRIGGER_WEEKLY: {
      if (!(t.daysOfTheWeek & (1u << WeekDay(day)))) return false;
      // Weeks run Sunday to Saturday; week 0 holds the begin date.
      const std::int64_t weeks = ((day - WeekDay(day)) - (beginDay - WeekDay(beginDay))) / 7;
      return weeks % t.unionFirst == 0;
    }
    case TASK_TIME_TRIGGER_MONTHLYDATE: {
      const Civil c = CivilFromDays(day);
      return (t.months & (1u << (c.month - 1))) && (t.days & (1u << (c.day - 1)));
    }
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      if (!(t.daysOfTheWeek & (1u << WeekDay(day)))) return false;
      const Civil c = CivilFromDays(day);
      if (!(t.months & (1u << (c.month - 1)))) return false;
      if (t.unionFirst == TASK_LAST_WEEK) return c.day + 7 > DaysInMonth(c.year, c.month);
      return (c.day - 1) / 7 + 1 == t.unionFirst;
    }
    default: return false;
  }
}

std::string Padded(int value, std::size_t width) {
  std::string text = std::to_string(value);
  return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

std::string TwoDigits(int value) { return Padded(value, 2); }

std::string DateText(int year, int month, int day) {
  return TwoDigits(day) + "." + TwoDigits(month) + "." + Padded(year, 4);
}

std::string MaskText(std::uint32_t mask, std::span<const char* const> names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (mask & (1u << i)) text += (text.empty() ? "" : ", ") + std::string(names[i]);
  return text;
}

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kWeekNames[] = {"first", "second", "third", "fourth", "last"};

}  // namespace

bool IsValidTrigger(const TaskTriggerFields& t) {
  if (t.type < TASK_TIME_TRIGGER_ONCE || t.type > TASK_EVENT_TRIGGER_AT_LOGON) return false;
  if (!IsValidDate(t.beginYear, t.beginMonth, t.beginDay)) return false;
  if ((t.flags & TASK_TRIGGER_FLAG_HAS_END_DATE) && !IsValidDate(t.endYear, t.endMonth, t.endDay)) return false;
  if (t.startHour < 0 || t.startHour > 23 || t.startMinute < 0 || t.startMinute > 59) return false;
  if (t.flags & ~std::uint32_t{0x7}) return false;
  if (t.daysOfTheWeek > 0x7F || t.months > 0xFFF || t.days > 0x7FFFFFFF) return false;
  if (t.minutesInterval > 0 && t.minutesDuration < t.minutesInterval) return false;
  switch (t.type) {
    case TASK_TIME_TRIGGER_DAILY:
    case TASK_TIME_TRIGGER_WEEKLY: return t.unionFirst >= 1 && t.unionFirst <= 0xFFFF;
    case TASK_TIME_TRIGGER_MONTHLYDOW: return t.unionFirst >= 1 && t.unionFirst <= TASK_LAST_WEEK;
    default: return true;
  }
}

// ---- TaskTimeZone ----

TaskTimeZone TaskTimeZone::Local() { return TaskTimeZone(g_time_zone_new_local()); }

TaskTimeZone::TaskTimeZone(const std::string& identifier) : m_zone(g_time_zone_new_identifier(identifier.c_str())) {
  if (!m_zone) throw std::invalid_argument("unknown time zone " + identifier);
}

TaskTimeZone::TaskTimeZone(const TaskTimeZone& other) : m_zone(g_time_zone_ref(other.m_zone)) {}

TaskTimeZone& TaskTimeZone::operator=(const TaskTimeZone& other) {
  GTimeZone* zone = g_time_zone_ref(other.m_zone);
  g_time_zone_unref(m_zone);
  m_zone = zone;
  return *this;
}

TaskTimeZone::~TaskTimeZone() { g_time_zone_unref(m_zone); }

int TaskTimeZone::OffsetAt(std::int64_t unixTime) const {
  return g_time_zone_get_offset(m_zone, g_time_zone_find_interval(m_zone, G_TIME_TYPE_UNIVERSAL, unixTime));
}

std::int64_t TaskTimeZone::ToUnix(int year, int month, int day, int hour, int minute) const {
  const std::int64_t local = DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60;
  const int before = OffsetAt(local - 2 * kSecondsPerDay);
  const int after = OffsetAt(local + 2 * kSecondsPerDay);
  std::optional<std::int64_t> best;
  for (const int offset : {before, after}) {
    const std::int64_t candidate = local - offset;
    if (OffsetAt(candidate) == offset && (!best || candidate < *best)) best = candidate;
  }
  if (best) return *best;
  // In a gap: the first instant whose wall clock is at or past `local`.
  std::int64_t lo = local - std::max(before, after) - 1;
  std::int64_t hi = local - std::min(before, after) + 1;
  while (hi - lo > 1) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (mid + OffsetAt(mid) >= local)
      hi = mid;
    else
      lo = mid;
  }
  return hi;
}

// ---- run times ----

std::vector<std::int64_t> TriggerRunTimes(const TaskTriggerFields& t, std::int64_t from, std::int64_t to,
                                          const TaskTimeZone& zone, std::size_t max) {
  std::vector<std::int64_t> times;
  if (max == 0 || from > to || !IsTimeTrigger(t.type) || (t.flags & TASK_TRIGGER_FLAG_DISABLED) ||
      !IsValidTrigger(t) || !CanFire(t))
    return times;
  const std::int64_t beginDay = DaysFromCivil(t.beginYear, t.beginMonth, t.beginDay);
  const std::int64_t endDay =
      (t.flags & TASK_TRIGGER_FLAG_HAS_END_DATE) ? DaysFromCivil(t.endYear, t.endMonth, t.endDay) : kLastDay;
  // A day's repetitions may reach into the range from days before it.
  const std::int64_t lookBack = t.minutesDuration / 1440 + 2;
  const std::int64_t fromDay = FloorDiv(from + zone.OffsetAt(from), kSecondsPerDay);
  const std::int64_t toDay = FloorDiv(to + zone.OffsetAt(to), kSecondsPerDay) + 1;
  const std::int64_t first = std::max({beginDay, fromDay - lookBack, kFirstDay});
  const std::int64_t last = std::min({endDay, toDay, kLastDay});
  const bool repeats = t.minutesInterval > 0 && t.minutesDuration > 0;
  for (std::int64_t day = first; day <= last; ++day) {
    if (t.type == TASK_TIME_TRIGGER_ONCE && day != beginDay) {
      if (day > beginDay) break;
      day = beginDay - 1;
      continue;
    }
    if (IsMonthly(t.type)) {
      // A month the trigger skips is passed over whole.
      const Civil c = CivilFromDays(day);
      if (!(t.months & (1u << (c.month - 1)))) {
        day = DaysFromCivil(c.month == 12 ? c.year + 1 : c.year, c.month == 12 ? 1 : c.month + 1, 1) - 1;
        continue;
      }
    }
    if (!FiresOn(t, day, beginDay)) continue;
    const Civil c = CivilFromDays(day);
    const std::int64_t start = zone.ToUnix(c.year, c.month, c.day, t.startHour, t.startMinute);
    if (start > to) break;
    // Once `max` times are held, a later day can only add times past them.
    if (times.size() >= max && start > times.back()) break;
    const std::uint64_t span = repeats ? t.minutesDuration : 1;
    const std::uint64_t step = repeats ? t.minutesInterval : 1;
    for (std::uint64_t minutes = 0; minutes < span; minutes += step) {
      const std::int64_t time = start + static_cast<std::int64_t>(minutes) * 60;
      if (time > to) break;
      if (time >= from) times.push_back(time);
    }
    if (times.size() >= max) {
      std::sort(times.begin(), times.end());
      times.erase(std::unique(times.begin(), times.end()), times.end());
      if (times.size() > max) times.resize(max);
    }
  }
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  if (times.size() > max) times.resize(max);
  return times;
}

std::vector<std::int64_t> TaskRunTimes(std::uint32_t taskFlags, std::span<const TaskTriggerFields> triggers,
                                       std::int64_t from, std::int64_t to, const TaskTimeZone& zone,
                                       std::size_t max) {
  std::vector<std::int64_t> times;
  if (taskFlags & TASK_FLAG_DISABLED) return times;
  for (const TaskTriggerFields& trigger : triggers) {
    std::vector<std::int64_t> own = TriggerRunTimes(trigger, from, to, zone, max);
    std::vector<std::int64_t> merged;
    merged.reserve(times.size() + own.size());
    std::set_union(times.begin(), times.end(), own.begin(), own.end(), std::back_inserter(merged));
    if (merged.size() > max) merged.resize(max);
    times = std::move(merged);
  }
  return times;
}

std::optional<std::int64_t> NextTaskRunTime(std::uint32_t taskFlags, std::span<const TaskTriggerFields> triggers,
                                            std::int64_t from, const TaskTimeZone& zone) {
  const std::vector<std::int64_t> times = TaskRunTimes(taskFlags, triggers, from, kOpenRangeEnd, zone, 1);
  if (times.empty()) return std::nullopt;
  return times.front();
}

// ---- text ----

std::string TriggerText(const TaskTriggerFields& t) {
  std::string text;
  const std::string at = Format("At %s:%s", {TwoDigits(t.startHour), TwoDigits(t.startMinute)});
  const std::string starting = ", starting " + DateText(t.beginYear, t.beginMonth, t.beginDay);
  switch (t.type) {
    case TASK_TIME_TRIGGER_ONCE: text = at + " on " + DateText(t.beginYear, t.beginMonth, t.beginDay); break;
    case TASK_TIME_TRIGGER_DAILY:
      text = at + (t.unionFirst == 1 ? std::string(" every day") : Format(" every %d days", {t.unionFirst})) +
             starting;
      break;
    case TASK_TIME_TRIGGER_WEEKLY:
      text = at + " every " + MaskText(t.daysOfTheWeek, kDayNames) +
             (t.unionFirst == 1 ? std::string(" of every week") : Format(" of every %d weeks", {t.unionFirst})) +
             starting;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDATE: {
      std::string days;
      for (int day = 1; day <= 31; ++day)
        if (t.days & (1u << (day - 1))) days += (days.empty() ? "" : ", ") + std::to_string(day);
      text = at + " on day " + days + " of " + MaskText(t.months, kMonthNames);
      break;
    }
    case TASK_TIME_TRIGGER_MONTHLYDOW: {
      const int week = std::clamp(t.unionFirst, 1, TASK_LAST_WEEK);
      text = at + " on the " + kWeekNames[week - 1] + " " + MaskText(t.daysOfTheWeek, kDayNames) + " of " +
             MaskText(t.months, kMonthNames);
      break;
    }
    case TASK_EVENT_TRIGGER_ON_IDLE: return "When idle";
    case TASK_EVENT_TRIGGER_AT_SYSTEMSTART: return "At system start";
    case TASK_EVENT_TRIGGER_AT_LOGON: return "At log on";
    default: return "Unknown trigger";
  }
  if (t.minutesInterval > 0 && t.minutesDuration > 0)
    text += Format(", every %u minutes for %u minutes", {t.minutesInterval, t.minutesDuration});
  if (t.flags & TASK_TRIGGER_FLAG_HAS_END_DATE) text += ", until " + DateText(t.endYear, t.endMonth, t.endDay);
  if (t.flags & TASK_TRIGGER_FLAG_DISABLED) text += " (disabled)";
  return text;
}

}  // namespace halbrin
