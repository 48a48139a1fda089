#include "core/framework/custom_date_time_ex.h"

#include <array>
#include <optional>

#include "core/foundation/date_time_formatter.h"
#include "core/foundation/date_time_parser.h"
#include "platform/base/case_fold.h"
#include "platform/base/exception.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

auto FieldGetter(int index) {
  return [index](const TCustomDateTimeEx& self) { return self.Field(index); };
}
auto FieldSetter(int index) {
  return [index](TCustomDateTimeEx& self, std::uint16_t value) { self.SetField(index, value); };
}

// The OLE day number of 0001-01-01: whole days convert exactly through OLE dates.
const std::int64_t kDayOfYearOne = static_cast<std::int64_t>(EncodeOleDate(1, 1, 1));

constexpr std::int64_t kMsPerHour = 3'600'000;
constexpr std::int64_t kMsPerMinute = 60'000;
constexpr std::int64_t kMsPerSecond = 1'000;
constexpr std::int64_t kMsPerDay = TCustomDateTimeEx::kMsPerDay;

std::int64_t DayStart(std::int64_t ticks) { return ticks - ticks % kMsPerDay; }

// The same day and time `months` months on; a day the month lacks becomes its last.
std::int64_t AddMonths(std::int64_t ticks, int months) {
  DateTimeParts parts = TCustomDateTimeEx::TicksToParts(ticks);
  const int total = parts.year * 12 + (parts.month - 1) + months;
  parts.year = total / 12;
  parts.month = total % 12 + 1;
  if (parts.year < 1 || parts.year > 9999)
    throw EConvertError(platform::Format("Invalid date or time: %d.%d.%d", {parts.day, parts.month, parts.year}));
  parts.day = std::min(parts.day, DaysInMonth(parts.year, parts.month));
  return TCustomDateTimeEx::PartsToTicks(parts);
}

std::int64_t MonthStart(std::int64_t ticks, int firstMonthOf) {
  DateTimeParts parts = TCustomDateTimeEx::TicksToParts(ticks);
  parts.month = (parts.month - 1) / firstMonthOf * firstMonthOf + 1;
  return TCustomDateTimeEx::PartsToTicks({parts.year, parts.month, 1, 0, 0, 0, 0});
}

std::int64_t WeekStart(std::int64_t ticks) {
  const DateTimeParts parts = TCustomDateTimeEx::TicksToParts(ticks);
  const int sinceMonday = (DayOfWeek(parts.year, parts.month, parts.day) + 6) % 7;
  return DayStart(ticks) - sinceMonday * kMsPerDay;
}

std::int64_t NowTicks() { return TCustomDateTimeEx::PartsToTicks(DecodeOleDate(NowOleDate())); }

}  // namespace

HALBRIN_DEFINE_CLASS(TCustomDateTimeEx,
                     .Property("exec", &TCustomDateTimeEx::GetExec, &TCustomDateTimeEx::SetExec)
                     .Stored(false)
                     .Property("format", &TCustomDateTimeEx::Format, &TCustomDateTimeEx::SetFormat)
                     .Property("text", &TCustomDateTimeEx::Text, &TCustomDateTimeEx::SetText)
                     .Property("value", &TCustomDateTimeEx::Value, &TCustomDateTimeEx::SetValue))

HALBRIN_DEFINE_CLASS(TDateTimeEx,
                     .Property("year", FieldGetter(0), FieldSetter(0))
                     .Property("month", FieldGetter(1), FieldSetter(1))
                     .Property("day", FieldGetter(2), FieldSetter(2))
                     .Property("hour", FieldGetter(3), FieldSetter(3))
                     .Property("minute", FieldGetter(4), FieldSetter(4))
                     .Property("second", FieldGetter(5), FieldSetter(5))
                     .Property("millisecond", FieldGetter(6), FieldSetter(6)))

HALBRIN_DEFINE_CLASS(TDateEx,
                     .Property("year", FieldGetter(0), FieldSetter(0))
                     .Property("month", FieldGetter(1), FieldSetter(1))
                     .Property("day", FieldGetter(2), FieldSetter(2)))

HALBRIN_DEFINE_CLASS(TTimeEx,
                     .Property("hour", FieldGetter(3), FieldSetter(3))
                     .Property("minute", FieldGetter(4), FieldSetter(4))
                     .Property("second", FieldGetter(5), FieldSetter(5))
                     .Property("millisecond", FieldGetter(6), FieldSetter(6)))

TCustomDateTimeEx::TCustomDateTimeEx(double value) {
  if (value != 0) m_ticks = PartsToTicks(DecodeOleDate(value));
}

TCustomDateTimeEx::TCustomDateTimeEx(const DateTimeParts& parts) : m_ticks(PartsToTicks(parts)) {}

std::int64_t TCustomDateTimeEx::PartsToTicks(const DateTimeParts& parts) {
  EncodeOleDate(parts);  // raises for a date or time that does not exist
  const std::int64_t days =
      static_cast<std::int64_t>(EncodeOleDate(parts.year, parts.month, parts.day)) - kDayOfYearOne;
  return days * kMsPerDay + parts.hour * kMsPerHour + parts.minute * kMsPerMinute +
         parts.second * kMsPerSecond + parts.millisecond;
}

DateTimeParts TCustomDateTimeEx::TicksToParts(std::int64_t ticks) {
  DateTimeParts parts = DecodeOleDate(static_cast<double>(ticks / kMsPerDay + kDayOfYearOne));
  std::int64_t rest = ticks % kMsPerDay;
  parts.hour = static_cast<int>(rest / kMsPerHour);
  rest %= kMsPerHour;
  parts.minute = static_cast<int>(rest / kMsPerMinute);
  rest %= kMsPerMinute;
  parts.second = static_cast<int>(rest / kMsPerSecond);
  parts.millisecond = static_cast<int>(rest % kMsPerSecond);
  return parts;
}

std::int64_t TCustomDateTimeEx::Ticks() const {
  DoGetValue(m_ticks);
  return m_ticks;
}

void TCustomDateTimeEx::SetTicks(std::int64_t ticks) {
  if (ticks < 0 || ticks >= kMaxTicks) {
    const DateTimeParts parts = TicksToParts(ticks < 0 ? 0 : kMaxTicks - 1);
    throw EConvertError(platform::Format("Invalid date or time: %d.%d.%d",
                               {parts.day, parts.month, ticks < 0 ? 0 : 10000}));
  }
  if (m_locked || ticks == m_ticks) return;
  m_ticks = ticks;
  Changed();
}

double TCustomDateTimeEx::Value() const { return EncodeOleDate(Parts()); }

void TCustomDateTimeEx::SetValue(double value) { SetTicks(PartsToTicks(DecodeOleDate(value))); }

DateTimeParts TCustomDateTimeEx::Parts() const { return TicksToParts(Ticks()); }

void TCustomDateTimeEx::SetParts(const DateTimeParts& parts) { SetTicks(PartsToTicks(parts)); }

bool TCustomDateTimeEx::IsEmpty() const { return Ticks() < kMsPerDay; }

void TCustomDateTimeEx::SetFormat(const std::string& format) { m_format = format.substr(0, 255); }

std::string TCustomDateTimeEx::Text() const { return FormatDateTime(m_format, Parts()); }

void TCustomDateTimeEx::SetText(const std::string& text) {
  if (!m_format.empty()) {
    SetValue(ParseDateTime(MinutesAfterHours(m_format), text));
    return;
  }
  double value = 0;
  if (!TryParseOleDate(text, value))
    throw EConvertError(platform::Format("'%s' is not a valid date and time", {text}));
  SetValue(value);
}

void TCustomDateTimeEx::EndUpdate() {
  if (m_updateCount > 0) --m_updateCount;
  Changed();
}

std::uint16_t TCustomDateTimeEx::Field(int index) const {
  const DateTimeParts parts = Parts();
  const std::array<int, 7> fields{parts.year,   parts.month,  parts.day,        parts.hour,
                                  parts.minute, parts.second, parts.millisecond};
  return static_cast<std::uint16_t>(fields.at(static_cast<std::size_t>(index)));
}

void TCustomDateTimeEx::SetField(int index, std::uint16_t value) {
  DateTimeParts parts = Parts();
  const std::array<int*, 7> fields{&parts.year,   &parts.month,  &parts.day,        &parts.hour,
                                   &parts.minute, &parts.second, &parts.millisecond};
  *fields.at(static_cast<std::size_t>(index)) = value;
  SetParts(parts);
}

std::optional<std::int64_t> TCustomDateTimeEx::MovedBy(const std::string& word, std::int64_t ticks) const {
  struct Step {
    const char* unit;
    std::int64_t ms;  // 0: calendar months
    int months;
  };
  static constexpr std::array<Step, 8> kSteps{{{"day", kMsPerDay, 0},
                                               {"week", 7 * kMsPerDay, 0},
                                               {"month", 0, 1},
                                               {"year", 0, 12},
                                               {"hour", kMsPerHour, 0},
                                               {"minute", kMsPerMinute, 0},
                                               {"second", kMsPerSecond, 0},
                                               {"millisecond", 1, 0}}};
  for (const char* prefix : {"next", "prev"}) {
    const int sign = prefix[0] == 'n' ? 1 : -1;
    for (const Step& step : kSteps) {
      if (!SameText(word, std::string(prefix) + step.unit)) continue;
      return step.ms ? ticks + sign * step.ms : AddMonths(ticks, sign * step.months);
    }
  }
  return std::nullopt;
}

void TCustomDateTimeEx::SetExec(const Variant& value) {
  m_execResult = true;
  std::string word;
  if (!value.IsDispatch() && !value.IsArray()) {
    try {
      word = value.ToText();
    } catch (const EVariantError&) {
    }
  }
  auto is = [&](const char* name) { return SameText(word, name); };
  const std::int64_t ticks = Ticks();
  if (is("now")) SetTicks(NowTicks());
  else if (is("today")) SetTicks(DayStart(NowTicks()));
  else if (is("tomorrow")) SetTicks(DayStart(NowTicks()) + kMsPerDay);
  else if (is("yesterday")) SetTicks(DayStart(NowTicks()) - kMsPerDay);
  else if (is("reset")) SetTicks(0);
  else if (is("beginUpdate")) BeginUpdate();
  else if (is("endUpdate")) EndUpdate();
  else if (is("endofday")) SetTicks(DayStart(ticks) + kMsPerDay - 1);
  else if (is("beginofday")) SetTicks(DayStart(ticks));
  else if (is("endofmonth")) SetTicks(AddMonths(MonthStart(ticks, 1), 1) - 1);
  else if (is("beginofmonth")) SetTicks(MonthStart(ticks, 1));
  else if (is("endofquarter")) SetTicks(AddMonths(MonthStart(ticks, 3), 3) - 1);
  else if (is("beginofquarter")) SetTicks(MonthStart(ticks, 3));
  else if (is("endofyear")) SetTicks(AddMonths(MonthStart(ticks, 12), 12) - 1);
  else if (is("beginofyear")) SetTicks(MonthStart(ticks, 12));
  else if (is("endofweek")) SetTicks(WeekStart(ticks) + 7 * kMsPerDay - 1);
  else if (is("beginofweek")) SetTicks(WeekStart(ticks));
  else if (const auto moved = MovedBy(word, ticks)) SetTicks(*moved);
  else m_execResult = false;
}

void TCustomDateTimeEx::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TCustomDateTimeEx*>(&source);
  if (!other) {
    Inherited::Assign(source);
    return;
  }
  BeginUpdate();
  try {
    SetTicks(other->Ticks());
    m_format = other->m_format;
  } catch (...) {
    if (m_updateCount > 0) --m_updateCount;
    throw;
  }
  EndUpdate();
}

void TCustomDateTimeEx::Changed() {
  if (m_updateCount == 0) DoChange();
}

void TCustomDateTimeEx::DoChange() { m_onChange(this); }

void TCustomDateTimeEx::DoGetValue(std::int64_t& ticks) const {
  if (!m_onGetValue.Assigned()) return;
  const double before = EncodeOleDate(TicksToParts(ticks));
  double value = before;
  m_onGetValue(const_cast<TCustomDateTimeEx*>(this), value);
  if (value != before) ticks = PartsToTicks(DecodeOleDate(value));
}

}  // namespace halbrin
