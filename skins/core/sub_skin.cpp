#include "skins/core/sub_skin.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

TZebrinCustomSubSkin::TZebrinCustomSubSkin(platform::TComponent* owner) : TComponent(owner) {}

TZebrinCustomSubSkin::~TZebrinCustomSubSkin() = default;

void TZebrinCustomSubSkin::SetSubSkin(TZebrinCustomSubSkin* value) {
  if (value == this || value == m_subSkin) return;
  if (m_subSkin) RemoveFreeNotification(m_subSkin);
  m_subSkin = value;
  if (m_subSkin) FreeNotification(m_subSkin);
}

void TZebrinCustomSubSkin::Notification(platform::TComponent* component, platform::TOperation operation) {
  Inherited::Notification(component, operation);
  if (operation == platform::TOperation::opRemove && component == m_subSkin) m_subSkin = nullptr;
}

using S = TZebrinCustomSubSkin;
HALBRIN_DEFINE_CLASS(TZebrinCustomSubSkin, .Property("SubSkin", &S::SubSkin, &S::SetSubSkin))

}  // namespace halbrin::skins
