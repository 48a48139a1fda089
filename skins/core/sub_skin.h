#pragma once

// A link of a skin's sub-skin chain. Only the chain so far: what sub-skins
// do with the skin's events comes later.

#include "platform/classes/component.h"

namespace halbrin::skins {

class TZebrinCustomSkin;

class TZebrinCustomSubSkin : public platform::TComponent {
  HALBRIN_CLASS(TZebrinCustomSubSkin, platform::TComponent)

  explicit TZebrinCustomSubSkin(platform::TComponent* owner = nullptr);
  ~TZebrinCustomSubSkin() override;

  // The next link of the chain.
  TZebrinCustomSubSkin* SubSkin() const noexcept { return m_subSkin; }
  void SetSubSkin(TZebrinCustomSubSkin* value);
  // The skin at the head of the chain.
  TZebrinCustomSkin* OwnerSkin() const noexcept { return m_ownerSkin; }
  void SetOwnerSkin(TZebrinCustomSkin* value) noexcept { m_ownerSkin = value; }

 protected:
  void Notification(platform::TComponent* component, platform::TOperation operation) override;

 private:
  TZebrinCustomSubSkin* m_subSkin = nullptr;
  TZebrinCustomSkin* m_ownerSkin = nullptr;
};

}  // namespace halbrin::skins
