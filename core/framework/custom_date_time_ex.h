#pragma once

// The script-visible date and time values that other objects publish (the
// date of a file item, of a cabinet entry...): one value, a format for its
// text, field accessors and the `exec` words that move it ("nextday",
// "endofmonth"...). The empty value is 0001-01-01 00:00:00.000.
//
// The value is kept as milliseconds since 0001-01-01 00:00, so arithmetic is
// exact on both sides of the OLE epoch (30.12.1899), whose negative day
// counts carry the time of day as an absolute fraction; OLE dates are used
// only where the value is read or written as a number.

#include <cstdint>
#include <optional>
#include <string>

#include "core/framework/component_interfaces.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/variant/ole_date.h"

namespace halbrin {

class TCustomDateTimeEx : public platform::TPersistent, public IExecutable {
  HALBRIN_CLASS(TCustomDateTimeEx, platform::TPersistent)

  // (Sender, var value as an OLE date)
  using TGetValueEvent = platform::TEvent<platform::TObject*, double&>;

  static constexpr std::int64_t kMsPerDay = 86'400'000;
  // Milliseconds from 0001-01-01 00:00 to 10000-01-01 00:00.
  static constexpr std::int64_t kMaxTicks = std::int64_t{3'652'059} * kMsPerDay;

  // An OLE date; 0 gives the empty value.
  explicit TCustomDateTimeEx(double value = 0);
  explicit TCustomDateTimeEx(const platform::DateTimeParts& parts);

  // Milliseconds since 0001-01-01 00:00 (after OnGetValue).
  std::int64_t Ticks() const;
  // Ignored while locked; Changed follows a real change. EConvertError outside
  // years 1..9999.
  void SetTicks(std::int64_t ticks);
  // The value as an OLE date.
  double Value() const;
  void SetValue(double value);
  platform::DateTimeParts Parts() const;
  void SetParts(const platform::DateTimeParts& parts);
  // The date part is 0001-01-01.
  bool IsEmpty() const;

  // "dd.mm.yyyy hh:nn:ss" by default; at most 255 characters are kept.
  const std::string& Format() const noexcept { return m_format; }
  void SetFormat(const std::string& format);
  // The value written by Format (an m after an hour is the minute, both ways).
  std::string Text() const;
  // Read by Format; the value stays when the text does not read.
  void SetText(const std::string& text);

  bool Locked() const noexcept { return m_locked; }
  void SetLocked(bool locked) noexcept { m_locked = locked; }
  int UpdateCount() const noexcept { return m_updateCount; }
  void BeginUpdate() noexcept { ++m_updateCount; }
  // Never below 0, then Changed.
  void EndUpdate();

  // Field n of year, month, day, hour, minute, second, millisecond (0..6).
  std::uint16_t Field(int index) const;
  // Recodes that field only; EConvertError for a date that does not exist.
  void SetField(int index, std::uint16_t value);

  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }
  TGetValueEvent& OnGetValue() noexcept { return m_onGetValue; }

  // IExecutable
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // From another date-time object: value and format, announced once here.
  void Assign(const platform::TPersistent& source) override;

  static std::int64_t PartsToTicks(const platform::DateTimeParts& parts);
  static platform::DateTimeParts TicksToParts(std::int64_t ticks);

 protected:
  // Calls DoChange when no update is in progress.
  virtual void Changed();
  virtual void DoChange();
  virtual void DoGetValue(std::int64_t& ticks) const;

 private:
  // The value after a "next..." or "prev..." word; nothing for another word.
  std::optional<std::int64_t> MovedBy(const std::string& word, std::int64_t ticks) const;

  mutable std::int64_t m_ticks = 0;
  std::string m_format = "dd.mm.yyyy hh:nn:ss";
  platform::TNotifyEvent m_onChange;
  TGetValueEvent m_onGetValue;
  bool m_locked = false;
  platform::Variant m_execResult;
  int m_updateCount = 0;
};

// Year, month, day, hour, minute, second and millisecond.
class TDateTimeEx : public TCustomDateTimeEx {
  HALBRIN_CLASS(TDateTimeEx, TCustomDateTimeEx)
  using TCustomDateTimeEx::TCustomDateTimeEx;
};

// Year, month and day.
class TDateEx : public TCustomDateTimeEx {
  HALBRIN_CLASS(TDateEx, TCustomDateTimeEx)
  using TCustomDateTimeEx::TCustomDateTimeEx;
};

// Hour, minute, second and millisecond.
class TTimeEx : public TCustomDateTimeEx {
  HALBRIN_CLASS(TTimeEx, TCustomDateTimeEx)
  using TCustomDateTimeEx::TCustomDateTimeEx;
};

}  // namespace halbrin
