#pragma once

// A skin's own timers: items with an interval and a change event, run on the
// skinned window's timers with the number 1015 + Index.

#include <cstdint>
#include <set>
#include <string>

#include "platform/classes/collection.h"
#include "platform/classes/method.h"
#include "platform/classes/object.h"
#include "platform/variant/variant.h"

namespace halbrin::skins {

class TZebrinCustomSkin;
class TZebrinSkinTimers;

class TZebrinSkinTimer : public platform::TCollectionItem {
  HALBRIN_CLASS(TZebrinSkinTimer, platform::TCollectionItem)

  // The shortest period armed, whatever Interval says.
  static constexpr std::uint32_t kMinInterval = 10;

  bool Enabled() const noexcept { return m_enabled; }
  // A change starts or stops the timer, except while the skin loads.
  void SetEnabled(bool value);
  std::uint32_t Interval() const noexcept { return m_interval; }
  void SetInterval(std::uint32_t value);
  // Data for the handler only.
  const std::string& PropertyName() const noexcept { return m_propertyName; }
  void SetPropertyName(const std::string& value) { m_propertyName = value; }
  const platform::Variant& PropertyValue() const noexcept { return m_propertyValue; }
  void SetPropertyValue(const platform::Variant& value) { m_propertyValue = value; }
  // Held weakly: a freed object reads nil.
  platform::TObject* PropertyObject() const noexcept { return m_propertyObject.Get(); }
  void SetPropertyObject(platform::TObject* value) { m_propertyObject = platform::TWeakRef<platform::TObject>(value); }

  // The window timer's number: 1015 + Index.
  int TimerId() const;
  // Arms the window timer for max(Interval, 10) ms; nothing without a skin window.
  virtual void Start();
  virtual void Stop();
  // OnChange when assigned.
  virtual void DoChange() { m_onChange(this); }
  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }

  // Interval, then Enabled through its setter, inside the collection's update.
  void Assign(const platform::TPersistent& source) override;

 private:
  TZebrinSkinTimers* Timers() const;
  // Start or Stop as Enabled says, unless the skin loads.
  void Apply();

  bool m_enabled = false;
  std::uint32_t m_interval = 50;
  std::string m_propertyName;
  platform::Variant m_propertyValue;
  platform::TWeakRef<platform::TObject> m_propertyObject;
  platform::TNotifyEvent m_onChange;
};

// The skin's Timers. Any change of the items' order (add, insert, delete,
// move) stops every timer and starts the enabled ones again under their new
// numbers.
class TZebrinSkinTimers : public platform::TOwnedCollection {
  HALBRIN_CLASS(TZebrinSkinTimers, platform::TOwnedCollection)

  explicit TZebrinSkinTimers(platform::TPersistent* owner = nullptr);

  // The first skin timer number of the items: item i is 1015 + i.
  static constexpr int kFirstTimerId = 1015;

  TZebrinSkinTimer* Items(int index) const { return static_cast<TZebrinSkinTimer*>(Inherited::Items(index)); }
  // The skin that runs the timers; null outside one.
  TZebrinCustomSkin* Skin() const;
  // true: stops every timer armed; false: starts the enabled ones (not while the skin loads).
  virtual void SuspendAll(bool stop);
  // A skin timer at or above kFirstTimerId expired.
  void TimerExpired(int id);

 protected:
  void Update(platform::TCollectionItem* item) override;

 private:
  friend class TZebrinSkinTimer;
  void Arm(int id, std::uint32_t intervalMs);
  void Disarm(int id);

  std::set<int> m_armed;
};

}  // namespace halbrin::skins
