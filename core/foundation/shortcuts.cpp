#include "core/foundation/shortcuts.h"

#include <array>

#include "platform/base/case_fold.h"

namespace halbrin {

using platform::SameText;

namespace {

struct KeyName {
  std::uint8_t key;
  std::string_view name;
};

constexpr std::array<KeyName, 18> kKeyNames{{
    {0x08, "BkSp"}, {0x09, "Tab"},   {0x0D, "Enter"}, {0x1B, "Esc"},   {0x20, "Space"}, {0x21, "PgUp"},
    {0x22, "PgDn"}, {0x23, "End"},   {0x24, "Home"},  {0x25, "Left"},  {0x26, "Up"},    {0x27, "Right"},
    {0x28, "Down"}, {0x2D, "Ins"},   {0x2E, "Del"},   {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6D, "Num -"},
}};

constexpr std::array<std::pair<TShortCut, std::string_view>, 3> kModifiers{{
    {scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}}};

std::string KeyText(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 0x70 && key <= 0x87) return "F" + std::to_string(key - 0x70 + 1);
  for (const KeyName& entry : kKeyNames)
    if (entry.key == key) return std::string(entry.name);
  return {};
}

int KeyOf(std::string_view text) {
  if (text.size() == 1) {
    char c = text[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<unsigned char>(c);
  }
  if (text.size() >= 2 && (text[0] == 'F' || text[0] == 'f')) {
    int number = 0;
    for (char c : text.substr(1)) {
      if (c < '0' || c > '9') {
        number = -1;
        break;
      }
      number = number * 10 + (c - '0');
      // Past the last function key, before a long run of digits overflows.
      if (number > 24) {
        number = -1;
        break;
      }
    }
    if (number >= 1 && number <= 24) return 0x70 + number - 1;
  }
  for (const KeyName& entry : kKeyNames)
    if (SameText(entry.name, text)) return entry.key;
  return -1;
}

}  // namespace

TShortCut TextToShortCut(std::string_view text) {
  TShortCut modifiers = 0;
  for (bool found = true; found;) {
    found = false;
    for (const auto& [bit, prefix] : kModifiers) {
      if (text.size() > prefix.size() && SameText(text.substr(0, prefix.size()), prefix)) {
        modifiers |= bit;
        text.remove_prefix(prefix.size());
        found = true;
      }
    }
  }
  const int key = KeyOf(text);
  return key < 0 ? 0 : static_cast<TShortCut>(modifiers | key);
}

std::string ShortCutToText(TShortCut shortCut) {
  const std::string key = KeyText(static_cast<std::uint8_t>(shortCut & 0xFF));
  if (key.empty()) return {};
  std::string text;
  for (const auto& [bit, prefix] : kModifiers)
    if (shortCut & bit) text += prefix;
  return text + key;
}

}  // namespace halbrin
