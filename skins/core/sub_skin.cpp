#include "skins/core/sub_skin.h"

#include "platform/classes/class_builder.h"
#include "skins/core/custom_skin.h"

namespace halbrin::skins {

TZebrinCustomSubSkin::TZebrinCustomSubSkin(platform::TComponent* owner) : TComponent(owner) {}

TZebrinCustomSubSkin::~TZebrinCustomSubSkin() = default;

TZebrinCustomSkin* TZebrinCustomSubSkin::OwnerSkin() const {
  const TZebrinCustomSubSkin* link = this;
  while (auto* up = dynamic_cast<TZebrinCustomSubSkin*>(link->m_parent)) link = up;
  return dynamic_cast<TZebrinCustomSkin*>(link->m_parent);
}

void TZebrinCustomSubSkin::SetSubSkin(TZebrinCustomSubSkin* value) {
  if (value == m_subSkin) return;
  if (value == this) throw ESubSkinException("Impossible to set SubSkin property to itself");
  if (value) {
    const TZebrinCustomSubSkin* top = this;
    while (auto* up = dynamic_cast<TZebrinCustomSubSkin*>(top->m_parent)) top = up;
    for (const TZebrinCustomSubSkin* link = top; link; link = link->m_subSkin)
      if (link == value) throw ESubSkinException("Impossible to insert SubSkin to the same chain");
  }
  if (TZebrinCustomSubSkin* old = m_subSkin) {
    m_subSkin = nullptr;
    // A link being destroyed is only forgotten.
    if (!m_clearing) {
      old->Unlink(this);
      RemoveFreeNotification(old);
    }
  }
  if (value) {
    value->LinkTo(this);
    m_subSkin = value;
    FreeNotification(value);
  }
  if (IsLoading() || IsDestroying()) return;
  if (TZebrinCustomSkin* skin = OwnerSkin(); skin && !skin->IsDestroying()) skin->Changed();
}

void TZebrinCustomSubSkin::LinkTo(platform::TComponent* parent) {
  if (m_parent == parent) return;
  if (auto* link = dynamic_cast<TZebrinCustomSubSkin*>(m_parent))
    link->SetSubSkin(nullptr);
  else if (auto* skin = dynamic_cast<TZebrinCustomSkin*>(m_parent))
    skin->SetSubSkin(nullptr);
  m_parent = parent;
}

void TZebrinCustomSubSkin::Unlink(platform::TComponent* parent) noexcept {
  if (m_parent == parent) m_parent = nullptr;
}

bool TZebrinCustomSubSkin::WantsMessage(TSubSkinMessage) const { return false; }

bool TZebrinCustomSubSkin::HandleMessage(TZebrinCustomSkin&, TSubSkinMessage) { return false; }

void TZebrinCustomSubSkin::Paint(platform::ICanvas& canvas) {
  if (m_subSkin) m_subSkin->Paint(canvas);
}

void TZebrinCustomSubSkin::Notification(platform::TComponent* component, platform::TOperation operation) {
  Inherited::Notification(component, operation);
  if (operation != platform::TOperation::opRemove || !component) return;
  if (component == m_parent) m_parent = nullptr;
  if (component == m_subSkin) {
    m_clearing = true;
    SetSubSkin(nullptr);
    m_clearing = false;
  }
}

bool OfferSubSkinMessage(TZebrinCustomSubSkin* first, TZebrinCustomSkin& skin, TSubSkinMessage message) {
  platform::TWeakRef<TZebrinCustomSubSkin> link(first);
  while (TZebrinCustomSubSkin* current = link.Get()) {
    if (current->Enabled() && current->WantsMessage(message)) {
      platform::TComponent::TBusyGuard guard(*current);
      if (current->HandleMessage(skin, message)) return true;
    }
    // A link freed by its own handler ends the walk.
    link.Reset(link ? link.Get()->SubSkin() : nullptr);
  }
  return false;
}

using S = TZebrinCustomSubSkin;
HALBRIN_DEFINE_CLASS(TZebrinCustomSubSkin, .Property("SubSkin", &S::SubSkin, &S::SetSubSkin))

}  // namespace halbrin::skins
