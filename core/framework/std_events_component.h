#pragma once

// Executable components with the standard event handlers that bindings plug
// into a component's event properties: "onclick" finds `clickHandler`, and
// so on. Each handler fires its script event through FireEvent.

#include <cstdint>

#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/controls/control_input.h"
#include "platform/graphics/geometry.h"

namespace halbrin {

using platform::TPoint;

// The input vocabulary is the control model's.
using platform::TMouseButton;
using platform::TShiftState;
using platform::ssShift;
using platform::ssAlt;
using platform::ssCtrl;
using platform::ssLeft;
using platform::ssRight;
using platform::ssMiddle;
using platform::ssDouble;
using platform::TContextPopupEvent;
using platform::TMouseEvent;
using platform::TMouseMoveEvent;

// The scripts' codes: button left 1, right 2, middle 4; shift 1, ctrl 2, alt 4.
int MouseButtonCode(TMouseButton button) noexcept;
int ShiftStateCode(TShiftState shift) noexcept;

class TCustomExecutableStdEventsComponentEx : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TCustomExecutableStdEventsComponentEx, TCustomExecutableComponentEx)

  explicit TCustomExecutableStdEventsComponentEx(platform::TComponent* owner = nullptr);

  // "click", "dblclick", "show", "hide": eventData is the Name.
  virtual void clickHandler(platform::TObject* sender);
  virtual void dblClickHandler(platform::TObject* sender);
  virtual void showHandler(platform::TObject* sender);
  virtual void hideHandler(platform::TObject* sender);
  // "contextpopup" with [Name, x, y]; handled becomes the answer as a Boolean
  // (False when there is none, as for an asynchronous binding).
  virtual void contextPopupHandler(platform::TObject* sender, TPoint mousePos, bool& handled);
  // "mousedown" / "mouseup" with [Name, button, shift, x, y].
  virtual void mouseDownHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  virtual void mouseUpHandler(platform::TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  // "mousemove" with [Name, shift, x, y].
  virtual void mouseMoveHandler(platform::TObject* sender, TShiftState shift, int x, int y);

 private:
  void FireMouse(const char* event, TMouseButton button, TShiftState shift, int x, int y);
};

}  // namespace halbrin
