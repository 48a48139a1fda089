#include "platform/ui/virtual_keys.h"

#include <gdk/gdkkeysyms.h>

#include <unordered_map>

namespace halbrin::platform {

namespace {

struct KeyEntry {
  guint keyval;
  std::uint16_t virtualKey;
  // The keyval KeyvalFromVirtualKey gives for the code (one per code).
  bool primary;
};

// Keys the ranges in Maps() do not cover. A code may have several keyvals
// (both sides of a modifier, a shifted symbol); its first, primary one is
// what it maps back to.
constexpr KeyEntry kKeys[] = {
    {GDK_KEY_BackSpace, VK_BACK, true},
    {GDK_KEY_Tab, VK_TAB, true},
    {GDK_KEY_ISO_Left_Tab, VK_TAB, false},
    {GDK_KEY_KP_Tab, VK_TAB, false},
    {GDK_KEY_Clear, VK_CLEAR, true},
    {GDK_KEY_KP_Begin, VK_CLEAR, false},
    {GDK_KEY_Return, VK_RETURN, true},
    {GDK_KEY_KP_Enter, VK_RETURN, false},
    {GDK_KEY_ISO_Enter, VK_RETURN, false},
    {GDK_KEY_Shift_L, VK_SHIFT, true},
    {GDK_KEY_Shift_R, VK_SHIFT, false},
    {GDK_KEY_Control_L, VK_CONTROL, true},
    {GDK_KEY_Control_R, VK_CONTROL, false},
    {GDK_KEY_Alt_L, VK_MENU, true},
    {GDK_KEY_Alt_R, VK_MENU, false},
    {GDK_KEY_Meta_L, VK_MENU, false},
    {GDK_KEY_Meta_R, VK_MENU, false},
    {GDK_KEY_ISO_Level3_Shift, VK_MENU, false},
    {GDK_KEY_Pause, VK_PAUSE, true},
    {GDK_KEY_Break, VK_CANCEL, true},
    {GDK_KEY_Caps_Lock, VK_CAPITAL, true},
    {GDK_KEY_Escape, VK_ESCAPE, true},
    {GDK_KEY_space, VK_SPACE, true},
    {GDK_KEY_KP_Space, VK_SPACE, false},
    {GDK_KEY_Page_Up, VK_PRIOR, true},
    {GDK_KEY_KP_Page_Up, VK_PRIOR, false},
    {GDK_KEY_Page_Down, VK_NEXT, true},
    {GDK_KEY_KP_Page_Down, VK_NEXT, false},
    {GDK_KEY_End, VK_END, true},
    {GDK_KEY_KP_End, VK_END, false},
    {GDK_KEY_Home, VK_HOME, true},
    {GDK_KEY_KP_Home, VK_HOME, false},
    {GDK_KEY_Left, VK_LEFT, true},
    {GDK_KEY_KP_Left, VK_LEFT, false},
    {GDK_KEY_Up, VK_UP, true},
    {GDK_KEY_KP_Up, VK_UP, false},
    {GDK_KEY_Right, VK_RIGHT, true},
    {GDK_KEY_KP_Right, VK_RIGHT, false},
    {GDK_KEY_Down, VK_DOWN, true},
    {GDK_KEY_KP_Down, VK_DOWN, false},
    {GDK_KEY_Select, VK_SELECT, true},
    {GDK_KEY_Execute, VK_EXECUTE, true},
    {GDK_KEY_Print, VK_SNAPSHOT, true},
    {GDK_KEY_Sys_Req, VK_SNAPSHOT, false},
    {GDK_KEY_Insert, VK_INSERT, true},
    {GDK_KEY_KP_Insert, VK_INSERT, false},
    {GDK_KEY_Delete, VK_DELETE, true},
    {GDK_KEY_KP_Delete, VK_DELETE, false},
    {GDK_KEY_Help, VK_HELP, true},
    // Shifted digits of a US layout.
    {GDK_KEY_parenright, '0', false},
    {GDK_KEY_exclam, '1', false},
    {GDK_KEY_at, '2', false},
    {GDK_KEY_numbersign, '3', false},
    {GDK_KEY_dollar, '4', false},
    {GDK_KEY_percent, '5', false},
    {GDK_KEY_asciicircum, '6', false},
    {GDK_KEY_ampersand, '7', false},
    {GDK_KEY_asterisk, '8', false},
    {GDK_KEY_parenleft, '9', false},
    {GDK_KEY_Super_L, VK_LWIN, true},
    {GDK_KEY_Super_R, VK_RWIN, true},
    {GDK_KEY_Menu, VK_APPS, true},
    {GDK_KEY_Sleep, VK_SLEEP, true},
    {GDK_KEY_KP_Multiply, VK_MULTIPLY, true},
    {GDK_KEY_KP_Add, VK_ADD, true},
    {GDK_KEY_KP_Separator, VK_SEPARATOR, true},
    {GDK_KEY_KP_Subtract, VK_SUBTRACT, true},
    {GDK_KEY_KP_Decimal, VK_DECIMAL, true},
    {GDK_KEY_KP_Divide, VK_DIVIDE, true},
    {GDK_KEY_KP_F1, VK_F1, false},
    {GDK_KEY_KP_F2, VK_F1 + 1, false},
    {GDK_KEY_KP_F3, VK_F1 + 2, false},
    {GDK_KEY_KP_F4, VK_F1 + 3, false},
    {GDK_KEY_Num_Lock, VK_NUMLOCK, true},
    {GDK_KEY_Scroll_Lock, VK_SCROLL, true},
    {GDK_KEY_Back, VK_BROWSER_BACK, true},
    {GDK_KEY_Forward, VK_BROWSER_FORWARD, true},
    {GDK_KEY_Refresh, VK_BROWSER_REFRESH, true},
    {GDK_KEY_Stop, VK_BROWSER_STOP, true},
    {GDK_KEY_Search, VK_BROWSER_SEARCH, true},
    {GDK_KEY_Favorites, VK_BROWSER_FAVORITES, true},
    {GDK_KEY_HomePage, VK_BROWSER_HOME, true},
    {GDK_KEY_AudioMute, VK_VOLUME_MUTE, true},
    {GDK_KEY_AudioLowerVolume, VK_VOLUME_DOWN, true},
    {GDK_KEY_AudioRaiseVolume, VK_VOLUME_UP, true},
    {GDK_KEY_AudioNext, VK_MEDIA_NEXT_TRACK, true},
    {GDK_KEY_AudioPrev, VK_MEDIA_PREV_TRACK, true},
    {GDK_KEY_AudioStop, VK_MEDIA_STOP, true},
    {GDK_KEY_AudioPlay, VK_MEDIA_PLAY_PAUSE, true},
    {GDK_KEY_AudioPause, VK_MEDIA_PLAY_PAUSE, false},
    {GDK_KEY_Mail, VK_LAUNCH_MAIL, true},
    // Punctuation of a US layout, unshifted first.
    {GDK_KEY_semicolon, VK_OEM_1, true},
    {GDK_KEY_colon, VK_OEM_1, false},
    {GDK_KEY_equal, VK_OEM_PLUS, true},
    {GDK_KEY_plus, VK_OEM_PLUS, false},
    {GDK_KEY_comma, VK_OEM_COMMA, true},
    {GDK_KEY_less, VK_OEM_COMMA, false},
    {GDK_KEY_minus, VK_OEM_MINUS, true},
    {GDK_KEY_underscore, VK_OEM_MINUS, false},
    {GDK_KEY_period, VK_OEM_PERIOD, true},
    {GDK_KEY_greater, VK_OEM_PERIOD, false},
    {GDK_KEY_slash, VK_OEM_2, true},
    {GDK_KEY_question, VK_OEM_2, false},
    {GDK_KEY_grave, VK_OEM_3, true},
    {GDK_KEY_asciitilde, VK_OEM_3, false},
    {GDK_KEY_bracketleft, VK_OEM_4, true},
    {GDK_KEY_braceleft, VK_OEM_4, false},
    {GDK_KEY_backslash, VK_OEM_5, true},
    {GDK_KEY_bar, VK_OEM_5, false},
    {GDK_KEY_bracketright, VK_OEM_6, true},
    {GDK_KEY_braceright, VK_OEM_6, false},
    {GDK_KEY_apostrophe, VK_OEM_7, true},
    {GDK_KEY_quotedbl, VK_OEM_7, false},
};

struct KeyMaps {
  std::unordered_map<guint, std::uint16_t> toVirtualKey;
  std::unordered_map<std::uint16_t, guint> toKeyval;

  void Add(guint keyval, std::uint16_t virtualKey, bool primary) {
    toVirtualKey.emplace(keyval, virtualKey);
    if (primary) toKeyval.emplace(virtualKey, keyval);
  }
};

const KeyMaps& Maps() {
  static const KeyMaps maps = [] {
    KeyMaps m;
    for (guint i = 0; i < 26; ++i) {
      m.Add(GDK_KEY_a + i, static_cast<std::uint16_t>('A' + i), true);
      m.Add(GDK_KEY_A + i, static_cast<std::uint16_t>('A' + i), false);
    }
    for (guint i = 0; i < 10; ++i) {
      m.Add(GDK_KEY_0 + i, static_cast<std::uint16_t>('0' + i), true);
      m.Add(GDK_KEY_KP_0 + i, static_cast<std::uint16_t>(VK_NUMPAD0 + i), true);
    }
    for (guint i = 0; i < 24; ++i) m.Add(GDK_KEY_F1 + i, static_cast<std::uint16_t>(VK_F1 + i), true);
    for (const KeyEntry& key : kKeys) m.Add(key.keyval, key.virtualKey, key.primary);
    return m;
  }();
  return maps;
}

}  // namespace

std::uint16_t VirtualKeyFromKeyval(guint keyval) {
  const auto& map = Maps().toVirtualKey;
  const auto found = map.find(keyval);
  return found == map.end() ? 0 : found->second;
}

std::uint16_t SidedVirtualKeyFromKeyval(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Shift_L: return VK_LSHIFT;
    case GDK_KEY_Shift_R: return VK_RSHIFT;
    case GDK_KEY_Control_L: return VK_LCONTROL;
    case GDK_KEY_Control_R: return VK_RCONTROL;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Meta_L: return VK_LMENU;
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_R:
    case GDK_KEY_ISO_Level3_Shift: return VK_RMENU;
    default: return VirtualKeyFromKeyval(keyval);
  }
}

guint KeyvalFromVirtualKey(std::uint16_t virtualKey) {
  switch (virtualKey) {
    case VK_LSHIFT: return GDK_KEY_Shift_L;
    case VK_RSHIFT: return GDK_KEY_Shift_R;
    case VK_LCONTROL: return GDK_KEY_Control_L;
    case VK_RCONTROL: return GDK_KEY_Control_R;
    case VK_LMENU: return GDK_KEY_Alt_L;
    case VK_RMENU: return GDK_KEY_Alt_R;
    default: break;
  }
  const auto& map = Maps().toKeyval;
  const auto found = map.find(virtualKey);
  return found == map.end() ? 0 : found->second;
}

}  // namespace halbrin::platform
