#pragma once

// A skin's own timers: items with an interval and a change event. Only the
// published values so far; running them on the skinned window comes later.

#include <cstdint>
#include <string>

#include "platform/classes/collection.h"
#include "platform/classes/method.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {

class TZebrinSkinTimer : public platform::TCollectionItem {
  HALBRIN_CLASS(TZebrinSkinTimer, platform::TCollectionItem)

  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool value) noexcept { m_enabled = value; }
  std::uint32_t Interval() const noexcept { return m_interval; }
  void SetInterval(std::uint32_t value) noexcept { m_interval = value; }
  const std::string& PropertyName() const noexcept { return m_propertyName; }
  void SetPropertyName(const std::string& value) { m_propertyName = value; }
  const platform::Variant& PropertyValue() const noexcept { return m_propertyValue; }
  void SetPropertyValue(const platform::Variant& value) { m_propertyValue = value; }

  // OnChange when assigned.
  virtual void DoChange() { m_onChange(this); }
  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }

 private:
  bool m_enabled = false;
  std::uint32_t m_interval = 50;
  std::string m_propertyName;
  platform::Variant m_propertyValue;
  platform::TNotifyEvent m_onChange;
};

class TZebrinSkinTimers : public platform::TOwnedCollection {
  HALBRIN_CLASS(TZebrinSkinTimers, platform::TOwnedCollection)

  explicit TZebrinSkinTimers(platform::TPersistent* owner = nullptr);

  // The first skin timer number of the items: item i is 1015 + i.
  static constexpr int kFirstTimerId = 1015;
  // A skin timer at or above kFirstTimerId expired.
  void TimerExpired(int id);
};

}  // namespace halbrin::skins
