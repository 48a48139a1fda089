#pragma once

// What the menu tests share: a canvas that measures text at fixed widths
// (bold text one pixel wider a character, so a default item measures wider)
// and the skin manager the owner draw takes its colours from.

#include <gtest/gtest.h>

#include <string_view>

#include "components/menus/menu_item_ex.h"
#include "components/menus/popup_menu_ex.h"
#include "platform/graphics/canvas.h"
#include "skins/core/skin_manager.h"

namespace halbrin::menus_test {

using platform::TColor;
using platform::TRect;

// Draws nothing; text is 7 pixels a character (8 in bold) and 13 high.
class TMeasuringCanvas final : public platform::ICanvas {
 public:
  static constexpr int kCharWidth = 7;
  static constexpr int kLineHeight = 13;

  void FillRect(const TRect&, TColor) override {}
  void FrameRect(const TRect&, TColor) override {}
  void SetPixel(int, int, TColor) override {}
  TColor GetPixel(int, int) override { return platform::clNone; }
  void Line(platform::TPoint, platform::TPoint, int, TColor) override {}
  void FillPolygon(std::span<const platform::TPoint>, TColor) override {}
  void FillRectPattern(const TRect&, TColor, TColor) override {}
  void Gradient(const TRect&, TColor, TColor, bool) override {}
  void Save() override {}
  void Restore() override {}
  void ExcludeClipRect(const TRect&) override {}
  void DrawText(std::string_view, const TRect&, const platform::TFont&, TColor,
                const platform::TTextFormat&) override {}
  platform::TSize TextExtent(std::string_view utf8, const platform::TFont& font) override {
    const int perChar = kCharWidth + ((font.Style() & platform::fsBold) ? 1 : 0);
    return {static_cast<int>(utf8.size()) * perChar, kLineHeight};
  }
  void DrawImage(const platform::TCustomImageList&, int, int, int) override {}
  void DrawImageMasked(const platform::TCustomImageList&, int, int, int, TColor) override {}
  bool DrawThemedGlyph(platform::TThemedGlyph, const platform::TThemedGlyphState&, const TRect&) override {
    return false;
  }
  void Blit(const platform::TArgbImage&, int, int) override {}
  void DrawPicture(const platform::TArgbImage&, int, int) override {}
};

// The manager's adapters set to colours every case can tell apart.
struct SkinColors {
  static constexpr TColor kDisabledText = 0x111111;
  static constexpr TColor kHotText = 0x222222;
  static constexpr TColor kDownText = 0x333333;
  static constexpr TColor kHotMark = 0x555555;
  static constexpr TColor kDownMark = 0x666666;

  explicit SkinColors(skins::TZebrinSkinManager& manager) {
    manager.ToolButtonFont()->SetDisabledColor(kDisabledText);
    manager.ToolButtonFont()->SetHotColor(kHotText);
    manager.ToolButtonFont()->SetDownColor(kDownText);
    manager.ToolButton()->SetHotColor(kHotMark);
    manager.ToolButton()->SetDownColor(kDownMark);
  }
};

inline constexpr TColor kMenu = platform::SystemColor(4);
inline constexpr TColor kBtnShadow = platform::SystemColor(16);
inline constexpr TColor kGrayText = platform::SystemColor(17);

}  // namespace halbrin::menus_test
