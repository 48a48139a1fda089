#pragma once

// One table between GDK keyvals and the virtual-key codes scripts see in key
// events and shortcuts (the VK_* numbers of the class library): letters,
// digits, F1..F24, the numeric pad, cursor and editing keys, modifiers and
// locks, and the punctuation keys of a US layout. A shifted symbol gives the
// code of its key ("!" is '1', ":" is VK_OEM_1), as the key event carries it.
//
//   VirtualKeyFromKeyval(GDK_KEY_a) == 'A'
//   KeyvalFromVirtualKey(VK_F5)     == GDK_KEY_F5

#include <glib.h>

#include <cstdint>

namespace halbrin::platform {

inline constexpr std::uint16_t VK_CANCEL = 0x03;
inline constexpr std::uint16_t VK_BACK = 0x08;
inline constexpr std::uint16_t VK_TAB = 0x09;
inline constexpr std::uint16_t VK_CLEAR = 0x0C;
inline constexpr std::uint16_t VK_RETURN = 0x0D;
inline constexpr std::uint16_t VK_SHIFT = 0x10;
inline constexpr std::uint16_t VK_CONTROL = 0x11;
inline constexpr std::uint16_t VK_MENU = 0x12;
inline constexpr std::uint16_t VK_PAUSE = 0x13;
inline constexpr std::uint16_t VK_CAPITAL = 0x14;
inline constexpr std::uint16_t VK_ESCAPE = 0x1B;
inline constexpr std::uint16_t VK_SPACE = 0x20;
inline constexpr std::uint16_t VK_PRIOR = 0x21;
inline constexpr std::uint16_t VK_NEXT = 0x22;
inline constexpr std::uint16_t VK_END = 0x23;
inline constexpr std::uint16_t VK_HOME = 0x24;
inline constexpr std::uint16_t VK_LEFT = 0x25;
inline constexpr std::uint16_t VK_UP = 0x26;
inline constexpr std::uint16_t VK_RIGHT = 0x27;
inline constexpr std::uint16_t VK_DOWN = 0x28;
inline constexpr std::uint16_t VK_SELECT = 0x29;
inline constexpr std::uint16_t VK_EXECUTE = 0x2B;
inline constexpr std::uint16_t VK_SNAPSHOT = 0x2C;
inline constexpr std::uint16_t VK_INSERT = 0x2D;
inline constexpr std::uint16_t VK_DELETE = 0x2E;
inline constexpr std::uint16_t VK_HELP = 0x2F;
// '0'..'9' and 'A'..'Z' are their characters' codes.
inline constexpr std::uint16_t VK_LWIN = 0x5B;
inline constexpr std::uint16_t VK_RWIN = 0x5C;
inline constexpr std::uint16_t VK_APPS = 0x5D;
inline constexpr std::uint16_t VK_SLEEP = 0x5F;
inline constexpr std::uint16_t VK_NUMPAD0 = 0x60;  // ..VK_NUMPAD9 0x69
inline constexpr std::uint16_t VK_MULTIPLY = 0x6A;
inline constexpr std::uint16_t VK_ADD = 0x6B;
inline constexpr std::uint16_t VK_SEPARATOR = 0x6C;
inline constexpr std::uint16_t VK_SUBTRACT = 0x6D;
inline constexpr std::uint16_t VK_DECIMAL = 0x6E;
inline constexpr std::uint16_t VK_DIVIDE = 0x6F;
inline constexpr std::uint16_t VK_F1 = 0x70;  // ..VK_F24 0x87
inline constexpr std::uint16_t VK_F24 = 0x87;
inline constexpr std::uint16_t VK_NUMLOCK = 0x90;
inline constexpr std::uint16_t VK_SCROLL = 0x91;
inline constexpr std::uint16_t VK_LSHIFT = 0xA0;
inline constexpr std::uint16_t VK_RSHIFT = 0xA1;
inline constexpr std::uint16_t VK_LCONTROL = 0xA2;
inline constexpr std::uint16_t VK_RCONTROL = 0xA3;
inline constexpr std::uint16_t VK_LMENU = 0xA4;
inline constexpr std::uint16_t VK_RMENU = 0xA5;
inline constexpr std::uint16_t VK_BROWSER_BACK = 0xA6;
inline constexpr std::uint16_t VK_BROWSER_FORWARD = 0xA7;
inline constexpr std::uint16_t VK_BROWSER_REFRESH = 0xA8;
inline constexpr std::uint16_t VK_BROWSER_STOP = 0xA9;
inline constexpr std::uint16_t VK_BROWSER_SEARCH = 0xAA;
inline constexpr std::uint16_t VK_BROWSER_FAVORITES = 0xAB;
inline constexpr std::uint16_t VK_BROWSER_HOME = 0xAC;
inline constexpr std::uint16_t VK_VOLUME_MUTE = 0xAD;
inline constexpr std::uint16_t VK_VOLUME_DOWN = 0xAE;
inline constexpr std::uint16_t VK_VOLUME_UP = 0xAF;
inline constexpr std::uint16_t VK_MEDIA_NEXT_TRACK = 0xB0;
inline constexpr std::uint16_t VK_MEDIA_PREV_TRACK = 0xB1;
inline constexpr std::uint16_t VK_MEDIA_STOP = 0xB2;
inline constexpr std::uint16_t VK_MEDIA_PLAY_PAUSE = 0xB3;
inline constexpr std::uint16_t VK_LAUNCH_MAIL = 0xB4;
inline constexpr std::uint16_t VK_OEM_1 = 0xBA;       // ;:
inline constexpr std::uint16_t VK_OEM_PLUS = 0xBB;    // =+
inline constexpr std::uint16_t VK_OEM_COMMA = 0xBC;   // ,<
inline constexpr std::uint16_t VK_OEM_MINUS = 0xBD;   // -_
inline constexpr std::uint16_t VK_OEM_PERIOD = 0xBE;  // .>
inline constexpr std::uint16_t VK_OEM_2 = 0xBF;       // /?
inline constexpr std::uint16_t VK_OEM_3 = 0xC0;       // `~
inline constexpr std::uint16_t VK_OEM_4 = 0xDB;       // [{
inline constexpr std::uint16_t VK_OEM_5 = 0xDC;       // \|
inline constexpr std::uint16_t VK_OEM_6 = 0xDD;       // ]}
inline constexpr std::uint16_t VK_OEM_7 = 0xDE;       // '"

// The key's code; 0 when the table has none. Both sides of Shift, Control
// and Alt give VK_SHIFT, VK_CONTROL and VK_MENU; a and A both give 'A'; the
// numeric pad gives VK_NUMPAD0.. with Num Lock on and the cursor keys'
// codes with it off (VK_CLEAR for its 5), its Enter VK_RETURN.
std::uint16_t VirtualKeyFromKeyval(guint keyval);
// As VirtualKeyFromKeyval, with the side for Shift, Control and Alt
// (VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU;
// AltGr is VK_RMENU).
std::uint16_t SidedVirtualKeyFromKeyval(guint keyval);
// The keyval of the key, unshifted ('A' is GDK_KEY_a, VK_OEM_1 is
// GDK_KEY_semicolon, VK_SHIFT the left Shift); 0 when the table has none.
guint KeyvalFromVirtualKey(std::uint16_t virtualKey);

}  // namespace halbrin::platform
