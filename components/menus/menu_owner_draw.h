#pragma once

// How every script menu item is measured and painted, in the skin's
// colours. An item is as wide as measured plus the 16-pixel check room the
// presenter adds on its left. Inside it:
// - the mark column (check room, plus the image list's width + 4 when the
//   menu has one), inset 1 pixel top and bottom: a DrawToolButton record;
// - the caption from the column's right edge + 2 and the shortcut ending 4
//   pixels before the submenu room: DrawToolButtonText records;
// - the submenu arrow in the last 16 pixels of an item with sub-items.
// Enabled items paint through the skin manager's theme, disabled ones
// through the default painter; separators and backgrounds go straight to
// the canvas.

#include "platform/graphics/canvas.h"
#include "platform/graphics/font.h"
#include "skins/core/skin_painter.h"

namespace halbrin {

class TMenuItemEx;

class TDefaultMenuOwnerDraw {
 public:
  // The room the presenter adds on the left of every item.
  static constexpr int kCheckRoom = 16;
  // The room of the submenu arrow on the right.
  static constexpr int kSubMenuRoom = 16;
  // The separator's gradient on the left.
  static constexpr int kSeparatorGradient = 32;

  // The item's size, the check room left out; never below 0.
  static void Measure(const TMenuItemEx& item, platform::ICanvas& canvas, int& width, int& height);
  // Paints the item in `rect` with the skin manager's theme and the default painter.
  static void Draw(const TMenuItemEx& item, platform::ICanvas& canvas, platform::TRect rect, bool selected);
  // As Draw, with the painters given: `themed` for enabled items, `plain` for disabled ones.
  static void Draw(const TMenuItemEx& item, platform::ICanvas& canvas, platform::TRect rect, bool selected,
                   skins::ISkinPainter& themed, skins::ISkinPainter& plain);

  // Sets `font` to the one the item is drawn in: its own or the menu font,
  // bold for the default item.
  static void ItemFont(const TMenuItemEx& item, platform::TFont& font);
  // The screen's menu font (the one the skin manager derives ToolButtonFont from).
  static const platform::TFont& MenuFont();
};

}  // namespace halbrin
