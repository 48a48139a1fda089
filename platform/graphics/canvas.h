#pragma once

#include <span>
#include <string_view>

#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

enum class TTextAlign { Left, Center, Right };
enum class TTextLayout { Top, Center, Bottom };

// How DrawText lays a text out in its rectangle.
struct TTextFormat {
  // One line: line breaks do not break.
  bool singleLine = true;
  // Tabs advance to the next stop of 8 characters; otherwise a tab is a blank.
  bool expandTabs = true;
  // A text wider than the rectangle ends in "…".
  bool endEllipsis = false;
  // "&x" shows x underlined, "&&" shows "&"; otherwise "&" is itself.
  bool mnemonic = false;
  // Breaks lines at words to fit the width (multi-line texts only).
  bool wordBreak = false;
  TTextAlign align = TTextAlign::Left;
  TTextLayout layout = TTextLayout::Top;
  // The text runs upwards: its baseline goes from the rectangle's bottom to its
  // top, the top of the letters faces the left side. `align` then measures
  // along the height from the bottom, `layout` across the width from the left.
  bool rotate90 = false;
};

enum class TThemedGlyph { CheckBox, Option, Expander };

struct TThemedGlyphState {
  bool hot = false;
  bool pressed = false;
  bool disabled = false;
  // 0 unchecked (or collapsed), 1 mixed, 2 checked (or expanded).
  int check = 0;
};

// What painters draw with. Coordinates are whole pixels; rectangles exclude
// their right and bottom edges, and an empty (or inverted) one draws nothing.
// Colours are TColor values: system colours are resolved through the desktop
// service, and clNone and clDefault draw nothing. Nothing is antialiased but
// text.
class ICanvas {
 public:
  virtual ~ICanvas() = default;

  virtual void FillRect(const TRect& rect, TColor color) = 0;
  // A 1-pixel border just inside the rectangle.
  virtual void FrameRect(const TRect& rect, TColor color) = 0;
  virtual void SetPixel(int x, int y, TColor color) = 0;
  // The plain colour at (x, y); clNone where the canvas cannot tell.
  virtual TColor GetPixel(int x, int y) = 0;
  // A line `width` pixels wide from `from` up to, but not including, `to`.
  virtual void Line(TPoint from, TPoint to, int width, TColor color) = 0;
  // Fills the polygon, its outline included.
  virtual void FillPolygon(std::span<const TPoint> points, TColor color) = 0;
  // An 8x8 checker pattern aligned to the canvas origin: `first` where x + y
  // is even, `second` where it is odd.
  virtual void FillRectPattern(const TRect& rect, TColor first, TColor second) = 0;
  // A linear gradient from `from` to `to`: top to bottom when vertical, else left to right.
  virtual void Gradient(const TRect& rect, TColor from, TColor to, bool vertical) = 0;

  // Save and Restore bracket clip changes; they nest.
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void ExcludeClipRect(const TRect& rect) = 0;

  // UTF-8 text in `font` (its colour is not used: `color` is), clipped to the rectangle.
  virtual void DrawText(std::string_view utf8, const TRect& rect, const TFont& font, TColor color,
                        const TTextFormat& format) = 0;
  // Width and height of the text on one line; an empty text is 0 wide and one line high.
  virtual TSize TextExtent(std::string_view utf8, const TFont& font) = 0;

  // The image `index` of the list with its top-left corner at (x, y); an index
  // the list does not have draws nothing.
  virtual void DrawImage(const TCustomImageList& images, int index, int x, int y) = 0;
  // The image's opaque pixels (alpha at least 128) in `color`, the rest untouched.
  virtual void DrawImageMasked(const TCustomImageList& images, int index, int x, int y, TColor color) = 0;
  // A check box, option or expander in the desktop's theme; false when the
  // canvas has no theme to draw with, and the caller draws its own.
  virtual bool DrawThemedGlyph(TThemedGlyph glyph, const TThemedGlyphState& state, const TRect& rect) = 0;
  // Copies the pixels of `source` (alpha included) with its top-left corner at (x, y).
  virtual void Blit(const TArgbImage& source, int x, int y) = 0;
  // Draws `image` over what is there (its alpha blends) with its top-left corner at (x, y).
  virtual void DrawPicture(const TArgbImage& image, int x, int y) = 0;

  // The cairo_t the canvas draws on, for code that draws with Cairo itself
  // (theme libraries); null when the canvas has none.
  virtual void* CairoContext() const noexcept { return nullptr; }

 protected:
  ICanvas() = default;
  ICanvas(const ICanvas&) = default;
  ICanvas& operator=(const ICanvas&) = default;
};

}  // namespace halbrin::platform
