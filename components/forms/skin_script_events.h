#pragma once

// What the two script faces of skins (TZebrinFormSkinEx, TZebrinControlSkinEx)
// share: the exec words of every skin and the script events of the skin's
// band items and caption icon, whose eventData carries the element as an
// IComponent.

#include <string_view>

#include "core/framework/component_interfaces.h"
#include "core/framework/std_events_component.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"
#include "skins/core/custom_skin.h"

namespace halbrin {

// Runs one of the words every skin knows ("close", "minimize", "maximize",
// "restore", "flash", "stopflash", "refresh", "contexthelp"; letter case
// ignored); false for any other word, which then changes nothing.
bool RunSkinExecWord(skins::TZebrinCustomSkin& skin, std::string_view word);

// The element a band-item notification names, as eventData sees it: an
// IComponent over it, or an empty dispatch value when there is none or the
// notification names the skin itself (the engine's sender without an item).
platform::Variant SkinItemValue(const platform::TComponent& skin, platform::TObject* item);

// "additem", "deleteitem", "click", "dblclick": eventData is the item value.
void FireSkinItemEvent(platform::TComponent& skin, IScriptEventSource& source, std::string_view name,
                       platform::TObject* item);

// "mousedown", "mouseup": eventData is [item value, button, modifiers, x, y]
// with the scripts' codes (MouseButtonCode, ShiftStateCode).
void FireSkinMouseEvent(platform::TComponent& skin, IScriptEventSource& source, std::string_view name,
                        platform::TObject* item, TMouseButton button, TShiftState shift, int x, int y);

}  // namespace halbrin
