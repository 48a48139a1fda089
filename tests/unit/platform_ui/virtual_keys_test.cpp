// The keyval <-> virtual-key table: no display is needed, only the numbers.

#include "platform/ui/virtual_keys.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <string>

namespace halbrin::platform {
namespace {

struct KeyCase {
  const char* name;
  guint keyval;
  std::uint16_t virtualKey;
};

TEST(VirtualKeys, KeyvalsGiveTheirKeysCodes) {
  const KeyCase cases[] = {
      {"a", GDK_KEY_a, 'A'},
      {"A", GDK_KEY_A, 'A'},
      {"z", GDK_KEY_z, 'Z'},
      {"Z", GDK_KEY_Z, 'Z'},
      {"0", GDK_KEY_0, '0'},
      {"9", GDK_KEY_9, '9'},
      {"shifted 1", GDK_KEY_exclam, '1'},
      {"shifted 0", GDK_KEY_parenright, '0'},
      {"F1", GDK_KEY_F1, 0x70},
      {"F12", GDK_KEY_F12, 0x7B},
      {"F24", GDK_KEY_F24, 0x87},
      {"pad 0", GDK_KEY_KP_0, 0x60},
      {"pad 9", GDK_KEY_KP_9, 0x69},
      {"pad 7 without Num Lock", GDK_KEY_KP_Home, VK_HOME},
      {"pad 5 without Num Lock", GDK_KEY_KP_Begin, VK_CLEAR},
      {"pad point without Num Lock", GDK_KEY_KP_Delete, VK_DELETE},
      {"pad *", GDK_KEY_KP_Multiply, 0x6A},
      {"pad +", GDK_KEY_KP_Add, 0x6B},
      {"pad -", GDK_KEY_KP_Subtract, 0x6D},
      {"pad .", GDK_KEY_KP_Decimal, 0x6E},
      {"pad /", GDK_KEY_KP_Divide, 0x6F},
      {"pad Enter", GDK_KEY_KP_Enter, 0x0D},
      {"Left", GDK_KEY_Left, 0x25},
      {"Up", GDK_KEY_Up, 0x26},
      {"Right", GDK_KEY_Right, 0x27},
      {"Down", GDK_KEY_Down, 0x28},
      {"Home", GDK_KEY_Home, 0x24},
      {"End", GDK_KEY_End, 0x23},
      {"Page Up", GDK_KEY_Page_Up, 0x21},
      {"Page Down", GDK_KEY_Page_Down, 0x22},
      {"Insert", GDK_KEY_Insert, 0x2D},
      {"Delete", GDK_KEY_Delete, 0x2E},
      {"BackSpace", GDK_KEY_BackSpace, 0x08},
      {"Tab", GDK_KEY_Tab, 0x09},
      {"Shift+Tab", GDK_KEY_ISO_Left_Tab, 0x09},
      {"Return", GDK_KEY_Return, 0x0D},
      {"Escape", GDK_KEY_Escape, 0x1B},
      {"space", GDK_KEY_space, 0x20},
      {"left Shift", GDK_KEY_Shift_L, 0x10},
      {"right Shift", GDK_KEY_Shift_R, 0x10},
      {"left Control", GDK_KEY_Control_L, 0x11},
      {"right Control", GDK_KEY_Control_R, 0x11},
      {"left Alt", GDK_KEY_Alt_L, 0x12},
      {"right Alt", GDK_KEY_Alt_R, 0x12},
      {"Caps Lock", GDK_KEY_Caps_Lock, 0x14},
      {"Num Lock", GDK_KEY_Num_Lock, 0x90},
      {"Scroll Lock", GDK_KEY_Scroll_Lock, 0x91},
      {"Pause", GDK_KEY_Pause, 0x13},
      {"Print Screen", GDK_KEY_Print, 0x2C},
      {"Menu key", GDK_KEY_Menu, 0x5D},
      {"left Windows key", GDK_KEY_Super_L, 0x5B},
      {";", GDK_KEY_semicolon, 0xBA},
      {":", GDK_KEY_colon, 0xBA},
      {"=", GDK_KEY_equal, 0xBB},
      {"+", GDK_KEY_plus, 0xBB},
      {",", GDK_KEY_comma, 0xBC},
      {"-", GDK_KEY_minus, 0xBD},
      {"_", GDK_KEY_underscore, 0xBD},
      {".", GDK_KEY_period, 0xBE},
      {"/", GDK_KEY_slash, 0xBF},
      {"?", GDK_KEY_question, 0xBF},
      {"`", GDK_KEY_grave, 0xC0},
      {"~", GDK_KEY_asciitilde, 0xC0},
      {"[", GDK_KEY_bracketleft, 0xDB},
      {"\\", GDK_KEY_backslash, 0xDC},
      {"|", GDK_KEY_bar, 0xDC},
      {"]", GDK_KEY_bracketright, 0xDD},
      {"'", GDK_KEY_apostrophe, 0xDE},
      {"\"", GDK_KEY_quotedbl, 0xDE},
      {"no key: a letter outside ASCII", GDK_KEY_eacute, 0},
      {"no key: a dead key", GDK_KEY_dead_acute, 0},
      {"no key: void", GDK_KEY_VoidSymbol, 0},
      {"no key: 0", 0, 0},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VirtualKeyFromKeyval(c.keyval), c.virtualKey);
  }
}

TEST(VirtualKeys, CodesGiveTheUnshiftedKeyval) {
  const KeyCase cases[] = {
      {"'A' is the lower-case letter", GDK_KEY_a, 'A'},
      {"'Z'", GDK_KEY_z, 'Z'},
      {"'5'", GDK_KEY_5, '5'},
      {"F5", GDK_KEY_F5, 0x74},
      {"F24", GDK_KEY_F24, 0x87},
      {"pad 3", GDK_KEY_KP_3, 0x63},
      {"pad /", GDK_KEY_KP_Divide, 0x6F},
      {"Return, not the pad's Enter", GDK_KEY_Return, 0x0D},
      {"Tab, not Shift+Tab", GDK_KEY_Tab, 0x09},
      {"Home, not the pad's", GDK_KEY_Home, 0x24},
      {"VK_CLEAR", GDK_KEY_Clear, 0x0C},
      {"VK_SHIFT is the left Shift", GDK_KEY_Shift_L, 0x10},
      {"VK_CONTROL is the left Control", GDK_KEY_Control_L, 0x11},
      {"VK_MENU is the left Alt", GDK_KEY_Alt_L, 0x12},
      {"VK_RSHIFT", GDK_KEY_Shift_R, 0xA1},
      {"VK_RCONTROL", GDK_KEY_Control_R, 0xA3},
      {"VK_RMENU", GDK_KEY_Alt_R, 0xA5},
      {"VK_LMENU", GDK_KEY_Alt_L, 0xA4},
      {"VK_APPS", GDK_KEY_Menu, 0x5D},
      {"VK_SNAPSHOT", GDK_KEY_Print, 0x2C},
      {"VK_OEM_1 is ;", GDK_KEY_semicolon, 0xBA},
      {"VK_OEM_PLUS is =", GDK_KEY_equal, 0xBB},
      {"VK_OEM_7 is '", GDK_KEY_apostrophe, 0xDE},
      {"no key: 0", 0, 0},
      {"no key: 0xFF", 0, 0xFF},
      {"no key: past a byte", 0, 0x1041},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KeyvalFromVirtualKey(c.virtualKey), c.keyval);
  }
}

TEST(VirtualKeys, SidesOfModifiersWhenAsked) {
  const KeyCase cases[] = {
      {"left Shift", GDK_KEY_Shift_L, VK_LSHIFT},    {"right Shift", GDK_KEY_Shift_R, VK_RSHIFT},
      {"left Control", GDK_KEY_Control_L, VK_LCONTROL}, {"right Control", GDK_KEY_Control_R, VK_RCONTROL},
      {"left Alt", GDK_KEY_Alt_L, VK_LMENU},         {"right Alt", GDK_KEY_Alt_R, VK_RMENU},
      {"AltGr", GDK_KEY_ISO_Level3_Shift, VK_RMENU}, {"other keys as without sides", GDK_KEY_q, 'Q'},
      {"no key", GDK_KEY_eacute, 0},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SidedVirtualKeyFromKeyval(c.keyval), c.virtualKey);
  }
}

// Every code the table maps back comes back to itself (the sided modifier
// codes through the sided reading): no code maps to a keyval that reads as
// another key.
TEST(VirtualKeys, EveryCodeWithAKeyvalReadsBackAsItself) {
  for (unsigned code = 1; code <= 0xFF; ++code) {
    const guint keyval = KeyvalFromVirtualKey(static_cast<std::uint16_t>(code));
    if (keyval == 0) continue;
    SCOPED_TRACE("code " + std::to_string(code));
    const bool sided = code >= VK_LSHIFT && code <= VK_RMENU;
    EXPECT_EQ(sided ? SidedVirtualKeyFromKeyval(keyval) : VirtualKeyFromKeyval(keyval), code);
  }
}

}  // namespace
}  // namespace halbrin::platform
