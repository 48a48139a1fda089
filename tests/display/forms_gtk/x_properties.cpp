#include "x_properties.h"

#include <X11/Xatom.h>
#include <gdk/gdkx.h>

namespace halbrin::formgtktest {
namespace {

Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

template <class Item, class Read>
std::vector<Item> ReadProperty(std::uint64_t xid, const char* name, Atom type, Read read) {
  Display* display = XDisplay();
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<Item> items;
  if (XGetWindowProperty(display, xid, XInternAtom(display, name, False), 0, 1 << 20, False, type, &actualType,
                         &format, &count, &after, &data) == Success &&
      data && format == 32) {
    // 32-bit items come as longs.
    const auto* values = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) items.push_back(read(display, values[i]));
  }
  if (data) XFree(data);
  return items;
}

}  // namespace

std::vector<std::uint32_t> CardinalProperty(std::uint64_t xid, const char* name) {
  return ReadProperty<std::uint32_t>(xid, name, XA_CARDINAL,
                                     [](Display*, unsigned long v) { return static_cast<std::uint32_t>(v); });
}

std::vector<std::string> AtomProperty(std::uint64_t xid, const char* name) {
  return ReadProperty<std::string>(xid, name, XA_ATOM, [](Display* display, unsigned long atom) {
    char* text = XGetAtomName(display, atom);
    std::string result = text ? text : "";
    if (text) XFree(text);
    return result;
  });
}

std::uint64_t TransientFor(std::uint64_t xid) {
  Window owner = 0;
  return XGetTransientForHint(XDisplay(), xid, &owner) ? owner : 0;
}

std::uint64_t RootXid() { return GDK_WINDOW_XID(gdk_screen_get_root_window(gdk_screen_get_default())); }

bool XMapped(std::uint64_t xid) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(XDisplay(), xid, &attributes) && attributes.map_state != IsUnmapped;
}

}  // namespace halbrin::formgtktest
