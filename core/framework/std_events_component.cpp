#include "core/framework/std_events_component.h"

#include "core/framework/bit_helpers.h"
#include "core/framework/fire_script_event.h"

namespace halbrin {

using namespace halbrin::platform;

using TStd = TCustomExecutableStdEventsComponentEx;

HALBRIN_DEFINE_CLASS(TCustomExecutableStdEventsComponentEx,
                     .Handler("clickHandler", &TStd::clickHandler)
                     .Handler("dblClickHandler", &TStd::dblClickHandler)
                     .Handler("contextPopupHandler", &TStd::contextPopupHandler)
                     .Handler("showHandler", &TStd::showHandler)
                     .Handler("hideHandler", &TStd::hideHandler)
                     .Handler("mouseDownHandler", &TStd::mouseDownHandler)
                     .Handler("mouseMoveHandler", &TStd::mouseMoveHandler)
                     .Handler("mouseUpHandler", &TStd::mouseUpHandler))

int MouseButtonCode(TMouseButton button) noexcept {
  return static_cast<int>(BitMask(static_cast<std::uint32_t>(button)));
}

int ShiftStateCode(TShiftState shift) noexcept { return static_cast<int>(SwapMiddleBits(shift & 7)); }

TCustomExecutableStdEventsComponentEx::TCustomExecutableStdEventsComponentEx(TComponent* owner)
    : TCustomExecutableComponentEx(owner) {}

void TStd::clickHandler(TObject*) { FireEvent("click"); }

void TStd::dblClickHandler(TObject*) { FireEvent("dblclick"); }

void TStd::showHandler(TObject*) { FireEvent("show"); }

void TStd::hideHandler(TObject*) { FireEvent("hide"); }

void TStd::contextPopupHandler(TObject*, TPoint mousePos, bool& handled) {
  const Variant args[] = {Variant(Name()), Variant(mousePos.X), Variant(mousePos.Y)};
  handled = ScriptResultAsBoolean(FireEvent("contextpopup", args, nullptr), false);
}

void TStd::FireMouse(const char* event, TMouseButton button, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(MouseButtonCode(button)), Variant(ShiftStateCode(shift)),
                          Variant(x), Variant(y)};
  FireEvent(event, args, nullptr);
}

void TStd::mouseDownHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  FireMouse("mousedown", button, shift, x, y);
}

void TStd::mouseUpHandler(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
  FireMouse("mouseup", button, shift, x, y);
}

void TStd::mouseMoveHandler(TObject*, TShiftState shift, int x, int y) {
  const Variant args[] = {Variant(Name()), Variant(ShiftStateCode(shift)), Variant(x), Variant(y)};
  FireEvent("mousemove", args, nullptr);
}

}  // namespace halbrin
