#pragma once

// Top-level windows of any client on $DISPLAY, read through Xlib on a
// connection of the tests' own: found by title, their map state, rectangle,
// window-manager state, activation and stacking. For tests that watch another
// process's windows. Link tests/support/x_windows.cpp and the x11 library.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace halbrin::testing {

using XWindowId = unsigned long;

// A rectangle in root (screen) coordinates.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  int CenterX() const { return left + width / 2; }
  int CenterY() const { return top + height / 2; }
  bool operator==(const ScreenRect&) const = default;
};
std::string Describe(const ScreenRect& r);

// The client window titled `title` (_NET_WM_NAME, else WM_NAME), mapped or
// not, anywhere in the window tree; 0 when there is none.
XWindowId FindTopLevel(std::string_view title);
// Mapped and every ancestor mapped (a withdrawn or iconified window is not).
bool Viewable(XWindowId window);
// The window's own area (without the window manager's frame) on the screen;
// an empty rectangle when the window is gone.
ScreenRect WindowRect(XWindowId window);
// The atoms of _NET_WM_STATE by name ("_NET_WM_STATE_MAXIMIZED_VERT"...).
std::vector<std::string> NetWmState(XWindowId window);
bool HasNetWmState(XWindowId window, std::string_view state);
// WM_STATE is IconicState (minimised).
bool IsIconic(XWindowId window);
// _NET_ACTIVE_WINDOW of the root; 0 when none.
XWindowId ActiveWindow();
// _NET_CLIENT_LIST_STACKING, bottom to top.
std::vector<XWindowId> StackingOrder();
// True when `upper` is above `lower` in the stacking order (both listed).
bool StackedAbove(XWindowId upper, XWindowId lower);
// The viewable children of the root whose _NET_WM_WINDOW_TYPE is a popup
// menu (GTK's menu windows, override-redirect), bottom to top.
std::vector<XWindowId> MappedPopupMenus();
// Asks the window manager to close the window (_NET_CLOSE_WINDOW), as its
// close button does.
void RequestClose(XWindowId window);

// Polls `done` until it holds or the time is up, for conditions another
// process brings about.
inline constexpr std::chrono::milliseconds kProcessWaitLimit{20000};
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kProcessWaitLimit);

}  // namespace halbrin::testing
