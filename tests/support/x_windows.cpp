#include "support/x_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace halbrin::testing {
namespace {

using namespace std::chrono_literals;

Display* QueryDisplay() {
  static Display* display = [] {
    Display* opened = XOpenDisplay(nullptr);
    if (!opened) throw std::runtime_error("X windows: cannot open $DISPLAY");
    return opened;
  }();
  return display;
}

// Windows of another client come and go at any time: a request about one
// that is gone fails quietly instead of ending the test process.
class IgnoreXErrors {
 public:
  IgnoreXErrors() : m_previous(XSetErrorHandler([](Display*, XErrorEvent*) -> int { return 0; })) {}
  ~IgnoreXErrors() {
    XSync(QueryDisplay(), False);
    XSetErrorHandler(m_previous);
  }
  IgnoreXErrors(const IgnoreXErrors&) = delete;
  IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

 private:
  int (*m_previous)(Display*, XErrorEvent*);
};

Atom AtomOf(const char* name) { return XInternAtom(QueryDisplay(), name, False); }

// A property's items (8-bit items as bytes, 32-bit items as longs).
template <class Item>
std::vector<Item> Property(Window window, Atom property, Atom type) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<Item> items;
  if (XGetWindowProperty(QueryDisplay(), window, property, 0, 1 << 16, False, type, &actualType, &format, &count,
                         &after, &data) == Success &&
      data && actualType == type) {
    if (format == 8)
      for (unsigned long i = 0; i < count; ++i) items.push_back(static_cast<Item>(data[i]));
    else if (format == 32)
      for (unsigned long i = 0; i < count; ++i) items.push_back(static_cast<Item>(reinterpret_cast<long*>(data)[i]));
  }
  if (data) XFree(data);
  return items;
}

std::string Title(Window window) {
  std::vector<char> name = Property<char>(window, AtomOf("_NET_WM_NAME"), AtomOf("UTF8_STRING"));
  if (name.empty()) name = Property<char>(window, XA_WM_NAME, XA_STRING);
  return std::string(name.begin(), name.end());
}

Window FindIn(Window window, std::string_view title) {
  if (Title(window) == title) return window;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(QueryDisplay(), window, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) found = FindIn(children[i], title);
  if (children) XFree(children);
  return found;
}

}  // namespace

std::string Describe(const ScreenRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

XWindowId FindTopLevel(std::string_view title) {
  IgnoreXErrors quiet;
  return FindIn(DefaultRootWindow(QueryDisplay()), title);
}

bool Viewable(XWindowId window) {
  if (!window) return false;
  IgnoreXErrors quiet;
  XWindowAttributes attributes{};
  return XGetWindowAttributes(QueryDisplay(), window, &attributes) && attributes.map_state == IsViewable;
}

ScreenRect WindowRect(XWindowId window) {
  if (!window) return {};
  IgnoreXErrors quiet;
  Display* display = QueryDisplay();
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return {};
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) return {};
  return {x, y, attributes.width, attributes.height};
}

std::vector<std::string> NetWmState(XWindowId window) {
  std::vector<std::string> names;
  if (!window) return names;
  IgnoreXErrors quiet;
  for (Atom atom : Property<Atom>(window, AtomOf("_NET_WM_STATE"), XA_ATOM)) {
    if (char* name = XGetAtomName(QueryDisplay(), atom)) {
      names.emplace_back(name);
      XFree(name);
    }
  }
  return names;
}

bool HasNetWmState(XWindowId window, std::string_view state) {
  const std::vector<std::string> states = NetWmState(window);
  return std::find(states.begin(), states.end(), state) != states.end();
}

bool IsIconic(XWindowId window) {
  if (!window) return false;
  IgnoreXErrors quiet;
  const Atom wmState = AtomOf("WM_STATE");
  const std::vector<long> state = Property<long>(window, wmState, wmState);
  return !state.empty() && state[0] == IconicState;
}

XWindowId ActiveWindow() {
  IgnoreXErrors quiet;
  const std::vector<Window> active =
      Property<Window>(DefaultRootWindow(QueryDisplay()), AtomOf("_NET_ACTIVE_WINDOW"), XA_WINDOW);
  return active.empty() ? 0 : active[0];
}

std::vector<XWindowId> StackingOrder() {
  IgnoreXErrors quiet;
  const std::vector<Window> list =
      Property<Window>(DefaultRootWindow(QueryDisplay()), AtomOf("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  return {list.begin(), list.end()};
}

bool StackedAbove(XWindowId upper, XWindowId lower) {
  const std::vector<XWindowId> order = StackingOrder();
  const auto up = std::find(order.begin(), order.end(), upper);
  const auto low = std::find(order.begin(), order.end(), lower);
  return up != order.end() && low != order.end() && up > low;
}

std::vector<XWindowId> MappedPopupMenus() {
  IgnoreXErrors quiet;
  Display* display = QueryDisplay();
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<XWindowId> menus;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return menus;
  const Atom type = AtomOf("_NET_WM_WINDOW_TYPE");
  const Atom popupMenu = AtomOf("_NET_WM_WINDOW_TYPE_POPUP_MENU");
  for (unsigned i = 0; i < count; ++i) {
    const std::vector<Atom> types = Property<Atom>(children[i], type, XA_ATOM);
    if (std::find(types.begin(), types.end(), popupMenu) != types.end() && Viewable(children[i]))
      menus.push_back(children[i]);
  }
  if (children) XFree(children);
  return menus;
}

void RequestClose(XWindowId window) {
  IgnoreXErrors quiet;
  Display* display = QueryDisplay();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = AtomOf("_NET_CLOSE_WINDOW");
  event.xclient.format = 32;
  event.xclient.data.l[0] = CurrentTime;
  event.xclient.data.l[1] = 2;  // a pager or a user's tool asks
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

}  // namespace halbrin::testing
