#pragma once

// The glyphs the skins draw from image lists, drawn by our own shapes: the
// window-button glyphs, the drop-down arrows, and the masks of the check box,
// option and expand box. Glyph pixels are the button-text colour.

#include <functional>

#include "platform/graphics/canvas.h"
#include "platform/graphics/image_list.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TColor;
using platform::TCustomImageList;
using platform::TRect;

enum class TSkinArrow { Left, Right, Up, Down };

// The masks of the option image list, three per glyph kind (box, ground, mark)
// in the order of TSkinGlyphKind; the expand box has a plus and a minus instead.
enum TSkinOptionImage : int {
  soiBoxCheck,
  soiBoxCheckGround,
  soiCheck,
  soiBoxOption,
  soiBoxOptionGround,
  soiOption,
  soiBoxButton,
  soiBoxButtonPlus,
  soiBoxButtonMinus,
};
inline constexpr int kSkinOptionImageCount = soiBoxButtonMinus + 1;
// The option masks are 13x13 shapes at (2, 2) on 16x16 images.
inline constexpr int kSkinOptionImageSize = 16;

// A window button's glyph, centred in `rect`.
void DrawButtonGlyph(platform::ICanvas& canvas, TZebrinSkinButtonStyle style, const TRect& rect, TColor color);
// A filled triangle pointing `arrow`, centred in `rect`.
void DrawArrowGlyph(platform::ICanvas& canvas, TSkinArrow arrow, const TRect& rect, TColor color);
// Option mask `image` with its 13x13 cell at the top-left of `origin`.
void DrawOptionMask(platform::ICanvas& canvas, TSkinOptionImage image, platform::TPoint origin, TColor color);

// A width x height picture: `ground` (transparent for clNone) under what `draw` puts on it.
platform::TArgbImage RenderImage(int width, int height, TColor ground,
                                 const std::function<void(platform::ICanvas&)>& draw);

// `list` emptied and made size x size (at least 1), then the nine window-button
// glyphs in TZebrinSkinButtonStyle order. Masked, only the glyph is opaque;
// otherwise it stands on the button face (the window colour for btsCheck).
void BuildButtonImages(TCustomImageList& list, int size, bool masked = true);
// The four arrows, left, right, up and down, masked, size x size (at least 1).
void BuildArrowImages(TCustomImageList& list, int size);
// The nine option masks on 16x16 images.
void BuildOptionImages(TCustomImageList& list);

}  // namespace halbrin::skins
