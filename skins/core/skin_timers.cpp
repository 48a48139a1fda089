#include "skins/core/skin_timers.h"

#include <algorithm>
#include <optional>

#include "platform/classes/class_builder.h"
#include "skins/core/custom_skin.h"

namespace halbrin::skins {

// ---- TZebrinSkinTimer ----

TZebrinSkinTimers* TZebrinSkinTimer::Timers() const { return dynamic_cast<TZebrinSkinTimers*>(Collection()); }

int TZebrinSkinTimer::TimerId() const { return TZebrinSkinTimers::kFirstTimerId + Index(); }

void TZebrinSkinTimer::SetEnabled(bool value) {
  if (m_enabled == value) return;
  m_enabled = value;
  Apply();
}

void TZebrinSkinTimer::SetInterval(std::uint32_t value) {
  if (m_interval == value) return;
  m_interval = value;
  Apply();
}

void TZebrinSkinTimer::Apply() {
  const TZebrinSkinTimers* timers = Timers();
  const TZebrinCustomSkin* skin = timers ? timers->Skin() : nullptr;
  if (!skin || skin->Loading()) return;
  if (m_enabled)
    Start();
  else
    Stop();
}

void TZebrinSkinTimer::Start() {
  if (TZebrinSkinTimers* timers = Timers()) timers->Arm(TimerId(), std::max(m_interval, kMinInterval));
}

void TZebrinSkinTimer::Stop() {
  if (TZebrinSkinTimers* timers = Timers()) timers->Disarm(TimerId());
}

void TZebrinSkinTimer::Assign(const platform::TPersistent& source) {
  const auto* timer = dynamic_cast<const TZebrinSkinTimer*>(&source);
  if (!timer) {
    Inherited::Assign(source);
    return;
  }
  std::optional<platform::TCollection::TUpdateScope> update;
  if (Collection()) update.emplace(*Collection());
  SetInterval(timer->m_interval);
  SetEnabled(timer->m_enabled);
}

// ---- TZebrinSkinTimers ----

TZebrinSkinTimers::TZebrinSkinTimers(platform::TPersistent* owner)
    : TOwnedCollection(owner, TZebrinSkinTimer::StaticClassInfo(), FactoryOf<TZebrinSkinTimer>()) {}

TZebrinCustomSkin* TZebrinSkinTimers::Skin() const { return dynamic_cast<TZebrinCustomSkin*>(GetOwner()); }

void TZebrinSkinTimers::Arm(int id, std::uint32_t intervalMs) {
  TZebrinCustomSkin* skin = Skin();
  if (!skin || !skin->HasWindow()) return;
  skin->SetSkinTimer(id, intervalMs);
  m_armed.insert(id);
}

void TZebrinSkinTimers::Disarm(int id) {
  if (TZebrinCustomSkin* skin = Skin()) skin->KillSkinTimer(id);
  m_armed.erase(id);
}

void TZebrinSkinTimers::SuspendAll(bool stop) {
  if (stop) {
    const std::set<int> armed = std::move(m_armed);
    m_armed.clear();
    if (TZebrinCustomSkin* skin = Skin())
      for (int id : armed) skin->KillSkinTimer(id);
    return;
  }
  const TZebrinCustomSkin* skin = Skin();
  if (!skin || skin->Loading()) return;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Enabled()) Items(i)->Start();
}

void TZebrinSkinTimers::Update(platform::TCollectionItem* item) {
  Inherited::Update(item);
  // The whole collection changed: numbers may have moved to other items.
  if (item) return;
  SuspendAll(true);
  SuspendAll(false);
}

void TZebrinSkinTimers::TimerExpired(int id) {
  const int index = id - kFirstTimerId;
  if (index < 0 || index >= Count()) return;
  Items(index)->DoChange();
}

using T = TZebrinSkinTimer;
HALBRIN_DEFINE_CLASS(TZebrinSkinTimer, .Property("Enabled", &T::Enabled, &T::SetEnabled)
                                           .Default(false)
                                           .Property("Interval", &T::Interval, &T::SetInterval)
                                           .Default(50)
                                           .Property("PropertyName", &T::PropertyName, &T::SetPropertyName)
                                           .Property("PropertyValue", &T::PropertyValue, &T::SetPropertyValue)
                                           .Property("PropertyObject", &T::PropertyObject, &T::SetPropertyObject)
                                           .Event("OnChange", &T::m_onChange, "TNotifyEvent"))
HALBRIN_DEFINE_CLASS(TZebrinSkinTimers, )

}  // namespace halbrin::skins
