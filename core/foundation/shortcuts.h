#pragma once

// Keyboard shortcut texts ("Ctrl+S", "Shift+Alt+F4") and their 16-bit codes:
// the virtual key in the low byte, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
// Key names are the fixed English ones, matched without regard to case.

#include <cstdint>
#include <string>
#include <string_view>

namespace halbrin {

using TShortCut = std::uint16_t;

inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// 0 for an empty text or one that names no key.
TShortCut TextToShortCut(std::string_view text);
// "" for 0 or a key without a name.
std::string ShortCutToText(TShortCut shortCut);

}  // namespace halbrin
