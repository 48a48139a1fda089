#include "skins/core/skin_timers.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

TZebrinSkinTimers::TZebrinSkinTimers(platform::TPersistent* owner)
    : TOwnedCollection(owner, TZebrinSkinTimer::StaticClassInfo(), FactoryOf<TZebrinSkinTimer>()) {}

void TZebrinSkinTimers::TimerExpired(int id) {
  const int index = id - kFirstTimerId;
  if (index < 0 || index >= Count()) return;
  static_cast<TZebrinSkinTimer*>(Items(index))->DoChange();
}

using T = TZebrinSkinTimer;
HALBRIN_DEFINE_CLASS(TZebrinSkinTimer, .Property("Enabled", &T::Enabled, &T::SetEnabled)
                                           .Default(false)
                                           .Property("Interval", &T::Interval, &T::SetInterval)
                                           .Default(50)
                                           .Property("PropertyName", &T::PropertyName, &T::SetPropertyName)
                                           .Property("PropertyValue", &T::PropertyValue, &T::SetPropertyValue)
                                           .Event("OnChange", &T::m_onChange, "TNotifyEvent"))
HALBRIN_DEFINE_CLASS(TZebrinSkinTimers, )

}  // namespace halbrin::skins
