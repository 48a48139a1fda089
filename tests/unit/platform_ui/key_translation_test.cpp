#include "platform/ui/key_translation.h"

#include <gdk/gdkkeysyms.h>

#include <gtest/gtest.h>

namespace halbrin::platform {
namespace {

struct CharacterCase {
  guint keyval;
  unsigned state;
  std::optional<char> character;
};

TEST(KeyCharacterOf, TheKeysTypeTheClassLibrarysCharacters) {
  const CharacterCase cases[] = {
      {GDK_KEY_a, 0, 'a'},
      {GDK_KEY_A, GDK_SHIFT_MASK, 'A'},
      {GDK_KEY_exclam, GDK_SHIFT_MASK, '!'},
      {GDK_KEY_space, 0, ' '},
      {GDK_KEY_KP_5, GDK_MOD2_MASK, '5'},
      {GDK_KEY_Return, 0, '\r'},
      {GDK_KEY_KP_Enter, 0, '\r'},
      {GDK_KEY_Tab, 0, '\t'},
      {GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK, '\t'},
      {GDK_KEY_Escape, 0, '\x1B'},
      {GDK_KEY_BackSpace, 0, '\b'},
      // Ctrl makes control codes of letters, and of a few keys more.
      {GDK_KEY_a, GDK_CONTROL_MASK, '\x01'},
      {GDK_KEY_Z, GDK_CONTROL_MASK | GDK_SHIFT_MASK, '\x1A'},
      {GDK_KEY_bracketleft, GDK_CONTROL_MASK, '\x1B'},
      {GDK_KEY_backslash, GDK_CONTROL_MASK, '\x1C'},
      {GDK_KEY_bracketright, GDK_CONTROL_MASK, '\x1D'},
      {GDK_KEY_Return, GDK_CONTROL_MASK, '\n'},
      {GDK_KEY_BackSpace, GDK_CONTROL_MASK, '\x7F'},
      {GDK_KEY_1, GDK_CONTROL_MASK, std::nullopt},
      // No character: Alt keys are menu keys; Delete, cursor, function and modifier keys type nothing.
      {GDK_KEY_a, GDK_MOD1_MASK, std::nullopt},
      {GDK_KEY_Delete, 0, std::nullopt},
      {GDK_KEY_KP_Delete, GDK_MOD2_MASK, std::nullopt},
      {GDK_KEY_Left, 0, std::nullopt},
      {GDK_KEY_F1, 0, std::nullopt},
      {GDK_KEY_Shift_L, 0, std::nullopt},
  };
  for (const CharacterCase& c : cases)
    EXPECT_EQ(KeyCharacterOf(c.keyval, static_cast<GdkModifierType>(c.state)), c.character)
        << gdk_keyval_name(c.keyval) << " state " << c.state;
}

TEST(KeyCharacterOf, CharactersAboveAsciiGoThroughTheProjectsCodePage) {
  EXPECT_EQ(KeyCharacterOf(GDK_KEY_Cyrillic_zhe, static_cast<GdkModifierType>(0)), std::nullopt)
      << "without an encoder only ASCII is typed";
  SetKeyCharacterEncoder([](char32_t c) -> std::optional<char> {
    if (c == U'\u0436') return '\xE6';  // windows-1251's zhe
    return std::nullopt;
  });
  EXPECT_EQ(KeyCharacterOf(GDK_KEY_Cyrillic_zhe, static_cast<GdkModifierType>(0)), '\xE6');
  EXPECT_EQ(KeyCharacterOf(GDK_KEY_Greek_alpha, static_cast<GdkModifierType>(0)), std::nullopt)
      << "a character the code page lacks types nothing";
  EXPECT_EQ(KeyCharacterOf(GDK_KEY_q, static_cast<GdkModifierType>(0)), 'q') << "ASCII needs no encoder";
  SetKeyCharacterEncoder({});
  EXPECT_EQ(KeyCharacterOf(GDK_KEY_Cyrillic_zhe, static_cast<GdkModifierType>(0)), std::nullopt);
}

}  // namespace
}  // namespace halbrin::platform
