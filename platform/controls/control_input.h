#pragma once

// The input vocabulary of controls: mouse buttons, the shift set, the key
// codes the model itself acts on, and the event types of mouse, wheel, key
// and context-menu notifications.

#include <cstdint>

#include "platform/classes/method.h"
#include "platform/graphics/geometry.h"

namespace halbrin::platform {

// Mouse buttons by ordinal, as the toolkit layer delivers them.
enum class TMouseButton : std::uint32_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The shift set of mouse and key events: one bit per element, in the class
// library's order (ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble).
using TShiftState = std::uint32_t;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// The shift bit of a held mouse button.
constexpr TShiftState MouseButtonShift(TMouseButton button) noexcept {
  switch (button) {
    case TMouseButton::mbRight: return ssRight;
    case TMouseButton::mbMiddle: return ssMiddle;
    case TMouseButton::mbLeft: break;
  }
  return ssLeft;
}

// Virtual-key codes the control model reacts to by itself.
inline constexpr std::uint16_t kVkF1 = 0x70;    // help
inline constexpr std::uint16_t kVkF10 = 0x79;   // with Shift: the context menu
inline constexpr std::uint16_t kVkApps = 0x5D;  // the Menu key: the context menu

// (Sender, button, shift, x, y)
using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
// (Sender, shift, x, y)
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
// (Sender, shift, mouse position, var handled)
using TMouseWheelUpDownEvent = TEvent<TObject*, TShiftState, TPoint, bool&>;
// (Sender, var key, shift): a key set to 0 is suppressed.
using TKeyEvent = TEvent<TObject*, std::uint16_t&, TShiftState>;
// (Sender, var key): a character in the project's code page; 0 suppresses it.
using TKeyPressEvent = TEvent<TObject*, char&>;
// (Sender, mouse position, var handled); (-1, -1) when asked from the keyboard.
using TContextPopupEvent = TEvent<TObject*, TPoint, bool&>;

// Turns smooth-scroll deltas into whole wheel steps: each accumulated +1.0 is
// one step down, each -1.0 one step up; what is left waits for the next delta.
class TScrollAccumulator {
 public:
  // The whole steps `deltaY` completes: positive down, negative up.
  int Add(double deltaY) noexcept;
  void Reset() noexcept { m_rest = 0.0; }

 private:
  double m_rest = 0.0;
};

}  // namespace halbrin::platform
