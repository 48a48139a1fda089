#pragma once

// Real input through the X server (XTest) on $DISPLAY, so grabs, input shapes
// and focus apply as for a user. Coordinates are screen coordinates. Each call
// returns once the X server has the events; the toolkit still has to read
// them (RunUntil). Link tests/support/x_input.cpp and the xtst and x11
// libraries; cases that use it run SERIAL, since the one pointer and keyboard
// of a test run are shared.

namespace halbrin::testing {

void PointerMoveTo(int x, int y);
void PointerPress(unsigned button = 1);
void PointerRelease(unsigned button = 1);
// Moves there, presses and releases.
void PointerClick(int x, int y, unsigned button = 1);
// Presses at the start, moves to the end in `steps` even steps and releases.
void PointerDrag(int fromX, int fromY, int toX, int toY, int steps = 8, unsigned button = 1);
// Presses and releases the key of an X keysym (XK_Return, XK_Escape, XK_x...).
void KeyTap(unsigned long keysym);
// Holds the key down, or lets it go (modifiers held across other input).
void KeyDown(unsigned long keysym);
void KeyUp(unsigned long keysym);

// A pointer grab held by another X client (a connection of its own) for the
// life of the object, as when another program's menu is open.
class ForeignPointerGrab {
 public:
  ForeignPointerGrab();
  ~ForeignPointerGrab();
  ForeignPointerGrab(const ForeignPointerGrab&) = delete;
  ForeignPointerGrab& operator=(const ForeignPointerGrab&) = delete;

  // The server granted the grab.
  bool Held() const noexcept { return m_held; }

 private:
  void* m_display = nullptr;
  bool m_held = false;
};

}  // namespace halbrin::testing
