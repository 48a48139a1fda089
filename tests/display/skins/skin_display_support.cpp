#include "skin_display_support.h"

// After the GTK and gtest headers: Xlib defines macros (None, Bool...) that clash with them.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace halbrin::skins::skintest {
namespace {

Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

}  // namespace

void FakeClick(int x, int y) {
  Display* display = XDisplay();
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display, 1, True, CurrentTime);
  XTestFakeButtonEvent(display, 1, False, CurrentTime);
  XSync(display, False);
}

void FakeKey(unsigned long keysym) {
  Display* display = XDisplay();
  const KeyCode code = XKeysymToKeycode(display, static_cast<KeySym>(keysym));
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XSync(display, False);
}

}  // namespace halbrin::skins::skintest
