#pragma once

// X11 window properties as the window manager and other clients read them,
// through GDK's own connection. Kept apart so the X headers' macros stay out
// of the tests.

#include <cstdint>
#include <string>
#include <vector>

namespace halbrin::formgtktest {

// A CARDINAL (32-bit items) property; empty when the window has none.
std::vector<std::uint32_t> CardinalProperty(std::uint64_t xid, const char* name);
// The names of an ATOM list property (_NET_WM_STATE).
std::vector<std::string> AtomProperty(std::uint64_t xid, const char* name);
// WM_TRANSIENT_FOR; 0 when not set.
std::uint64_t TransientFor(std::uint64_t xid);
std::uint64_t RootXid();
// Whether the X server has the window mapped (viewable or not).
bool XMapped(std::uint64_t xid);

}  // namespace halbrin::formgtktest
