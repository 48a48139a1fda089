// Shortcut texts to codes: function keys by number, named keys, modifiers.

#include "core/foundation/shortcuts.h"

#include <gtest/gtest.h>

namespace halbrin {
namespace {

struct ShortCutRow {
  const char* text;
  TShortCut code;
};

TEST(TextToShortCut, FunctionKeysNamedKeysAndModifiers) {
  const ShortCutRow rows[] = {
      {"F1", 0x70},
      {"f24", 0x87},
      {"F25", 0},
      {"F0", 0},
      {"F1x", 0},
      // A run of digits far past the last function key names no key.
      {"F0800880080", 0},
      {"F99999999999999999999", 0},
      {"Ctrl+S", scCtrl | 'S'},
      {"Shift+Alt+F4", scShift | scAlt | 0x73},
      {"alt+pgdn", scAlt | 0x22},
      {"Ctrl+", 0},
      {"", 0},
  };
  for (const ShortCutRow& row : rows) EXPECT_EQ(TextToShortCut(row.text), row.code) << row.text;
}

TEST(ShortCutToText, ReadsBackAsTheSameCode) {
  for (TShortCut code : {TShortCut(0x70), TShortCut(scCtrl | 'S'), TShortCut(scShift | scAlt | 0x87),
                         TShortCut(scCtrl | 0x2E)})
    EXPECT_EQ(TextToShortCut(ShortCutToText(code)), code) << ShortCutToText(code);
}

}  // namespace
}  // namespace halbrin
