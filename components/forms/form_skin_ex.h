#pragma once

// The script face of a form's skin (`skin` of a form): exec words, script
// events of the skin's band items and, for the application's main form, a
// caption that stays active while any window of the program is active.
//
//   form.skin.exec = "flash";           // until "stopflash"
//   <skin><events><event id="onclick" xml="captionClicked"/></events></skin>

#include <span>
#include <string_view>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "core/framework/std_events_component.h"
#include "platform/variant/variant.h"
#include "skins/core/form_skin.h"

namespace halbrin {

class TZebrinFormSkinEx : public TScriptEventSourceOf<skins::TZebrinFormSkin>, public IExecutable {
  HALBRIN_CLASS(TZebrinFormSkinEx, TScriptEventSourceOf<skins::TZebrinFormSkin>)

  explicit TZebrinFormSkinEx(platform::TComponent* owner = nullptr);
  ~TZebrinFormSkinEx() override;

  // IScriptEventSource: the bindings are made on first read and owned by the skin.
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: "close", "minimize", "maximize", "restore", "flash" (until
  // "stopflash"), "stopflash", "refresh", "contexthelp"; True, or False for
  // any other word.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // The engine's answer, except for the application's main form: while the
  // engine says inactive, active when one of the program's windows is
  // (the application UI's IsActive).
  bool GetActive() const override;

  // Bound to OnAddItem, OnDeleteItem, OnClick, OnDblClick, OnMouseDown and
  // OnMouseUp: "additem", "deleteitem", "click", "dblclick" with the item,
  // "mousedown", "mouseup" with [item, button, modifiers, x, y].
  void addItemHandler(platform::TObject* item);
  void deleteItemHandler(platform::TObject* item);
  void clickHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void dblClickHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void mouseDownHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void mouseUpHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  // Bound to OnIconClick, OnIconDblClick and OnIconMouseDown (the caption
  // icon's own OnClick, OnDblClick and OnMouseDown, published on the skin):
  // "iconclick", "icondblclick" with the icon, "iconmousedown" with
  // [icon, button, modifiers, x, y].
  void iconClickHandler(platform::TObject* sender);
  void iconDblClickHandler(platform::TObject* sender);
  void iconMouseDownHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

 private:
  platform::Variant m_execResult = platform::Variant::Null();
};

}  // namespace halbrin
