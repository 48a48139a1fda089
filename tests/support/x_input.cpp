#include "support/x_input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

namespace halbrin::testing {
namespace {

// A connection of the tests' own, apart from the toolkit's; XTest events are
// the server's, so they reach every client alike. Kept for the process's life.
Display* InputDisplay() {
  static Display* display = [] {
    Display* opened = XOpenDisplay(nullptr);
    if (!opened) throw std::runtime_error("XTest input: cannot open $DISPLAY");
    return opened;
  }();
  return display;
}

void Flush() { XSync(InputDisplay(), False); }

}  // namespace

void PointerMoveTo(int x, int y) {
  XTestFakeMotionEvent(InputDisplay(), -1, x, y, CurrentTime);
  Flush();
}

void PointerPress(unsigned button) {
  XTestFakeButtonEvent(InputDisplay(), button, True, CurrentTime);
  Flush();
}

void PointerRelease(unsigned button) {
  XTestFakeButtonEvent(InputDisplay(), button, False, CurrentTime);
  Flush();
}

void PointerClick(int x, int y, unsigned button) {
  PointerMoveTo(x, y);
  PointerPress(button);
  PointerRelease(button);
}

void PointerDrag(int fromX, int fromY, int toX, int toY, int steps, unsigned button) {
  PointerMoveTo(fromX, fromY);
  PointerPress(button);
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps; ++i)
    PointerMoveTo(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
  PointerRelease(button);
}

void KeyTap(unsigned long keysym) {
  Display* display = InputDisplay();
  const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(keysym));
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  Flush();
}

void KeyDown(unsigned long keysym) {
  Display* display = InputDisplay();
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, static_cast<KeySym>(keysym)), True, CurrentTime);
  Flush();
}

void KeyUp(unsigned long keysym) {
  Display* display = InputDisplay();
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, static_cast<KeySym>(keysym)), False, CurrentTime);
  Flush();
}

ForeignPointerGrab::ForeignPointerGrab() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  m_display = display;
  m_held = XGrabPointer(display, DefaultRootWindow(display), False, ButtonPressMask | ButtonReleaseMask,
                        GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
  XSync(display, False);
}

ForeignPointerGrab::~ForeignPointerGrab() {
  auto* display = static_cast<Display*>(m_display);
  if (!display) return;
  if (m_held) XUngrabPointer(display, CurrentTime);
  XCloseDisplay(display);
}

}  // namespace halbrin::testing
