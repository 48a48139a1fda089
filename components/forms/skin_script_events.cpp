#include "components/forms/skin_script_events.h"

#include "core/framework/component_wrappers.h"
#include "core/framework/fire_script_event.h"
#include "platform/base/case_fold.h"

namespace halbrin {

using platform::SameText;
using platform::Variant;

bool RunSkinExecWord(skins::TZebrinCustomSkin& skin, std::string_view word) {
  if (SameText(word, "close"))
    skin.Close();
  else if (SameText(word, "minimize"))
    skin.Minimize();
  else if (SameText(word, "maximize"))
    skin.Maximize();
  else if (SameText(word, "restore"))
    skin.Restore();
  else if (SameText(word, "flash"))
    skin.Flash(-1);
  else if (SameText(word, "stopflash"))
    skin.StopFlash();
  else if (SameText(word, "refresh"))
    skin.Refresh();
  else if (SameText(word, "contexthelp"))
    skin.ContextHelp();
  else
    return false;
  return true;
}

Variant SkinItemValue(const platform::TComponent& skin, platform::TObject* item) {
  if (!item || item == &skin) return Variant(platform::RefPtr<platform::IDispatchObject>());
  return WrapObject(item);
}

void FireSkinItemEvent(platform::TComponent& skin, IScriptEventSource& source, std::string_view name,
                       platform::TObject* item) {
  const Variant args[] = {SkinItemValue(skin, item)};
  FireScriptEventWithData(skin, source, name, args);
}

void FireSkinMouseEvent(platform::TComponent& skin, IScriptEventSource& source, std::string_view name,
                        platform::TObject* item, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {SkinItemValue(skin, item), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  FireScriptEventWithData(skin, source, name, args);
}

}  // namespace halbrin
