#pragma once

// The script face of a pane's skin (`skin` of a frame or a browser view):
// the form skin's exec words plus "expand" and "activate", and the same
// script events of the skin's band items.
//
//   frame.skin.exec = "expand";   // a collapsed pane opens again

#include <span>
#include <string_view>

#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "core/framework/std_events_component.h"
#include "platform/variant/variant.h"
#include "skins/core/control_skin.h"

namespace halbrin {

class TZebrinControlSkinEx : public TScriptEventSourceOf<skins::TZebrinControlSkin>, public IExecutable {
  HALBRIN_CLASS(TZebrinControlSkinEx, TScriptEventSourceOf<skins::TZebrinControlSkin>)

  explicit TZebrinControlSkinEx(platform::TComponent* owner = nullptr);
  ~TZebrinControlSkinEx() override;

  // IScriptEventSource: the bindings are made on first read and owned by the skin.
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: the words of every skin, "expand" (the pane expands, as
  // Restore does) and "activate" (the first child of the pane that can take
  // the focus gets it); True, or False for any other word.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // As TZebrinFormSkinEx's handlers.
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
