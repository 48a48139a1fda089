#include "platform/ui/key_translation.h"

#include <gdk/gdkkeysyms.h>

#include "platform/ui/virtual_keys.h"

namespace halbrin::platform {
namespace {

KeyCharacterEncoder& Encoder() {
  static KeyCharacterEncoder encoder;
  return encoder;
}

// The keyval of the event's key in the first group without Shift and the
// locks but Num Lock; the event's own keyval when the keymap has none.
guint UnshiftedKeyval(const GdkEventKey& event) {
  GdkKeymap* keymap = event.window ? gdk_keymap_get_for_display(gdk_window_get_display(event.window)) : nullptr;
  if (!keymap) return event.keyval;
  guint keyval = 0;
  const auto state = static_cast<GdkModifierType>(event.state & GDK_MOD2_MASK);
  if (!gdk_keymap_translate_keyboard_state(keymap, event.hardware_keycode, state, 0, &keyval, nullptr, nullptr,
                                           nullptr))
    return event.keyval;
  return keyval;
}

}  // namespace

std::uint16_t VirtualKeyOf(const GdkEventKey& event) {
  if (const std::uint16_t key = VirtualKeyFromKeyval(UnshiftedKeyval(event))) return key;
  // A key the first group leaves without a known keyval (a layout of its own).
  return VirtualKeyFromKeyval(event.keyval);
}

std::optional<char> KeyCharacterOf(guint keyval, GdkModifierType state) {
  const bool ctrl = (state & GDK_CONTROL_MASK) != 0;
  // Alt without Ctrl makes a menu key, not a character.
  if ((state & GDK_MOD1_MASK) && !ctrl) return std::nullopt;
  // Keys GDK gives no character of.
  gunichar character = keyval == GDK_KEY_KP_Enter ? '\r' : keyval == GDK_KEY_ISO_Left_Tab ? '\t' : 0;
  if (character == 0) character = gdk_keyval_to_unicode(keyval);
  if (character == 0 || keyval == GDK_KEY_Delete || keyval == GDK_KEY_KP_Delete) return std::nullopt;
  if (ctrl) {
    if ((character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z'))
      return static_cast<char>(character & 0x1F);
    switch (character) {
      case '[': return '\x1B';
      case '\\': return '\x1C';
      case ']': return '\x1D';
      case '\r': return '\n';
      case '\b': return '\x7F';
      default: return std::nullopt;
    }
  }
  if (character < 0x80) return static_cast<char>(character);
  if (Encoder()) return Encoder()(static_cast<char32_t>(character));
  return std::nullopt;
}

void SetKeyCharacterEncoder(KeyCharacterEncoder encoder) { Encoder() = std::move(encoder); }

}  // namespace halbrin::platform
