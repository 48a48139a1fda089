#include "skins/core/tool_buttons.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

TZebrinSkinToolButtons::TZebrinSkinToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin,
                                               ISkinDefaults* defaults)
    : TZebrinSkinCustomButtons(owner, skin, defaults) {
  SetPropName("ToolButtons");
  SetDragMode(dmAutomatic);
}

using T = TZebrinSkinToolButtons;
HALBRIN_DEFINE_CLASS(TZebrinSkinToolButtons, .Property("BandIndex", &T::BandIndex, &T::SetBandIndex)
                                                 .Default(0)
                                                 .Property("BandsIndex", &T::BandsIndex, &T::SetBandsIndex)
                                                 .Default(0))

}  // namespace halbrin::skins
