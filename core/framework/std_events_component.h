#pragma once

// Executable components with the standard event handlers that bindings plug
// into a component's event properties: "onclick" finds `clickHandler`, and
// so on. Each handler fires its script event through FireEvent.

#include <cstdint>

#include "core/framework/executable_component.h"
#include "platform/classes/method.h"
#include "platform/graphics/geometry.h"

namespace halbrin {

using platform::TPoint;

// Mouse buttons by ordinal, as the toolkit layer delivers them.
enum class TMouseButton : std::uint32_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The shift set of mouse and key events: one bit per element.
using TShiftState = std::uint32_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// (Sender, mouse position, var handled)
using TContextPopupEvent = platform::TEvent<platform::TObject*, TPoint, bool&>;
// (Sender, button, shift, x, y)
using TMouseEvent = platform::TEvent<platform::TObject*, TMouseButton, TShiftState, int, int>;
// (Sender, shift, x, y)
using TMouseMoveEvent = platform::TEvent<platform::TObject*, TShiftState, int, int>;

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
