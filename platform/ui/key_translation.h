#pragma once

#include <gdk/gdk.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace halbrin::platform {

// What a GDK key event gives the control model: the key's virtual-key code
// and the character it types, as the class library's key down and key press
// carry them.

// The key's code (virtual_keys.h) from the keyval of its key without Shift,
// Caps Lock and layout groups (Num Lock kept), so Shift+1 is '1' and a letter
// of any layout its key's letter; 0 for a key the table lacks.
std::uint16_t VirtualKeyOf(const GdkEventKey& event);

// The character a key press types, as one byte of the project's code page:
// printable characters, Tab 9, Return and Enter 13, Escape 27, Backspace 8;
// with Ctrl a letter gives its control code (1..26), Ctrl+[ \ ] 27..29,
// Ctrl+Return 10 and Ctrl+Backspace 127; nothing with Alt (a menu key),
// for Delete and keys that type nothing, or for a character the code page
// lacks (KeyCharacterEncoder).
std::optional<char> KeyCharacterOf(guint keyval, GdkModifierType state);

// Turns a character above ASCII into one byte of the project's code page, or
// nothing when it has none. The layer that knows the project installs it;
// without one only ASCII characters are typed.
using KeyCharacterEncoder = std::function<std::optional<char>(char32_t)>;
void SetKeyCharacterEncoder(KeyCharacterEncoder encoder);

}  // namespace halbrin::platform
