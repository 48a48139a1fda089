#include "skins/core/glyph_images.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

#include "platform/cairo/cairo_canvas.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {

using platform::ICanvas;
using platform::TPoint;

namespace {

// A row of pixels from x0 up to x1, kept inside `clip`.
void Run(ICanvas& canvas, const TRect& clip, int x0, int x1, int y, TColor color) {
  if (y < clip.Top || y >= clip.Bottom) return;
  canvas.FillRect({std::max(x0, clip.Left), y, std::min(x1, clip.Right), y + 1}, color);
}

// The square a glyph takes in `rect`: half its side, odd so the glyph has a
// middle pixel, and centred.
TRect GlyphArea(const TRect& rect) {
  const int side = std::min(rect.Width(), rect.Height());
  const int n = std::max(3, side / 2 | 1);
  const int left = rect.Left + (rect.Width() - n) / 2;
  const int top = rect.Top + (rect.Height() - n) / 2;
  return {left, top, left + n, top + n};
}

// The stroke width of a glyph `n` pixels across.
int Stroke(int n) { return std::max(1, (n + 3) / 6); }

void DrawClose(ICanvas& canvas, const TRect& a, TColor color) {
  const int n = a.Width();
  const int t = Stroke(n);
  for (int i = 0; i < n; ++i) {
    Run(canvas, a, a.Left + i, a.Left + i + t, a.Top + i, color);
    Run(canvas, a, a.Right - i - t, a.Right - i, a.Top + i, color);
  }
}

// A window outline whose top edge is thicker, like a title bar.
void DrawWindow(ICanvas& canvas, const TRect& r, int bar, TColor color) {
  canvas.FrameRect(r, color);
  canvas.FillRect({r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + bar)}, color);
}

// The title bar of the window glyphs.
int Bar(int n) { return std::max(2, Stroke(n)); }

void DrawMaximize(ICanvas& canvas, const TRect& a, TColor color) { DrawWindow(canvas, a, Bar(a.Width()), color); }

void DrawRestore(ICanvas& canvas, const TRect& a, TColor color) {
  const int k = a.Width() / 3;
  const int bar = Bar(a.Width());
  const TRect back{a.Left + k, a.Top, a.Right, a.Bottom - k};
  const TRect front{a.Left, a.Top + k, a.Right - k, a.Bottom};
  // Only the parts of the back window the front one leaves uncovered.
  canvas.FillRect({back.Left, back.Top, back.Right, back.Top + bar}, color);
  canvas.FillRect({back.Left, back.Top, back.Left + 1, front.Top}, color);
  canvas.FillRect({back.Right - 1, back.Top, back.Right, back.Bottom}, color);
  canvas.FillRect({front.Right, back.Bottom - 1, back.Right, back.Bottom}, color);
  DrawWindow(canvas, front, bar, color);
}

// A bar along the bottom, short of the right side.
void DrawMinimize(ICanvas& canvas, const TRect& a, TColor color) {
  const int bar = Bar(a.Width());
  const int n = a.Width();
  canvas.FillRect({a.Left + n / 8, a.Bottom - bar, a.Right - std::max(1, n / 4), a.Bottom}, color);
}

// A question mark from a 4x7 picture, its columns Stroke wide.
void DrawHelp(ICanvas& canvas, const TRect& a, TColor color) {
  static constexpr std::array<const char*, 7> kPicture{".##.", "#..#", "...#", "..#.", ".#..", "....", ".#.."};
  const int n = a.Width();
  const int cw = Stroke(n);
  const int ch = std::max(1, n / 7);
  const int left = a.Left + (n - 4 * cw) / 2;
  const int top = a.Top + (n - 7 * ch) / 2;
  for (int row = 0; row < 7; ++row)
    for (int column = 0; column < 4; ++column)
      if (kPicture[row][column] == '#')
        canvas.FillRect({left + column * cw, top + row * ch, left + (column + 1) * cw, top + (row + 1) * ch}, color);
}

// A check mark down to a valley a third of the way across, then up to the far corner.
void DrawCheckMark(ICanvas& canvas, const TRect& a, TColor color) {
  const int n = a.Width();
  const int thick = std::max(2, Stroke(n) + 1);
  const int valley = n / 3;
  for (int dx = 0; dx < n; ++dx) {
    const int top = a.Bottom - thick - (dx <= valley ? valley - dx : dx - valley);
    canvas.FillRect({a.Left + dx, std::max(a.Top, top), a.Left + dx + 1, top + thick}, color);
  }
}

// A flat pixel shape, filled from the pixel where it points through its base.
void DrawTriangle(ICanvas& canvas, TSkinArrow arrow, const TRect& a, TColor color) {
  const int n = a.Width();
  const int h = (n + 3) / 4 + 1;  // from base to point
  const int cx = a.Left + n / 2;
  const int cy = a.Top + n / 2;
  for (int i = 0; i < h; ++i) {
    // Row (or column) i from the point is 2i + 1 pixels long.
    switch (arrow) {
      case TSkinArrow::Down: canvas.FillRect({cx - i, cy + h / 2 - i, cx + i + 1, cy + h / 2 - i + 1}, color); break;
      case TSkinArrow::Up: canvas.FillRect({cx - i, cy - h / 2 + i, cx + i + 1, cy - h / 2 + i + 1}, color); break;
      case TSkinArrow::Right: canvas.FillRect({cx + h / 2 - i, cy - i, cx + h / 2 - i + 1, cy + i + 1}, color); break;
      case TSkinArrow::Left: canvas.FillRect({cx - h / 2 + i, cy - i, cx - h / 2 + i + 1, cy + i + 1}, color); break;
    }
  }
}

// The pixels of a disc of diameter 13 in a 13x13 cell whose squared distance
// from the middle, in half pixels, lies in (inner, outer].
void DrawRing(ICanvas& canvas, TPoint origin, int inner, int outer, TColor color) {
  for (int y = 0; y < 13; ++y) {
    int first = -1;
    for (int x = 0; x <= 13; ++x) {
      const int dx = 2 * x - 12;
      const int dy = 2 * y - 12;
      const int d = dx * dx + dy * dy;
      const bool in = x < 13 && d > inner && d <= outer;
      if (in && first < 0) first = x;
      if (!in && first >= 0) {
        canvas.FillRect({origin.X + first, origin.Y + y, origin.X + x, origin.Y + y + 1}, color);
        first = -1;
      }
    }
  }
}

void Resize(TCustomImageList& list, int size) {
  list.Clear();
  list.SetWidth(size);
  list.SetHeight(size);
}

TColor GlyphColor() { return platform::SystemColor(platform::COLOR_BTNTEXT); }

struct CairoDeleter {
  void operator()(cairo_t* cr) const noexcept { cairo_destroy(cr); }
};

}  // namespace

platform::TArgbImage RenderImage(int width, int height, TColor ground, const std::function<void(ICanvas&)>& draw) {
  const platform::CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  {
    const std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
    platform::TCairoCanvas canvas(cr.get());
    canvas.FillRect({0, 0, width, height}, ground);
    draw(canvas);
  }
  return platform::ImageFromSurface(surface.get());
}

void DrawButtonGlyph(ICanvas& canvas, TZebrinSkinButtonStyle style, const TRect& rect, TColor color) {
  const TRect a = GlyphArea(rect);
  switch (style) {
    case btsClose: DrawClose(canvas, a, color); break;
    case btsMaximize: DrawMaximize(canvas, a, color); break;
    case btsRestore: DrawRestore(canvas, a, color); break;
    case btsMinimize: DrawMinimize(canvas, a, color); break;
    case btsHelp: DrawHelp(canvas, a, color); break;
    case btsNext: DrawTriangle(canvas, TSkinArrow::Right, a, color); break;
    case btsPrevious: DrawTriangle(canvas, TSkinArrow::Left, a, color); break;
    case btsCombo: DrawTriangle(canvas, TSkinArrow::Down, a, color); break;
    case btsCheck: DrawCheckMark(canvas, a, color); break;
  }
}

void DrawArrowGlyph(ICanvas& canvas, TSkinArrow arrow, const TRect& rect, TColor color) {
  DrawTriangle(canvas, arrow, GlyphArea(rect), color);
}

void DrawOptionMask(ICanvas& canvas, TSkinOptionImage image, TPoint origin, TColor color) {
  const TRect cell{origin.X, origin.Y, origin.X + 13, origin.Y + 13};
  const TRect inside{cell.Left + 1, cell.Top + 1, cell.Right - 1, cell.Bottom - 1};
  const int mid = 6;
  switch (image) {
    case soiBoxCheck:
    case soiBoxButton: canvas.FrameRect(cell, color); break;
    case soiBoxCheckGround: canvas.FillRect(inside, color); break;
    case soiCheck: DrawCheckMark(canvas, {cell.Left + 3, cell.Top + 3, cell.Left + 10, cell.Top + 10}, color); break;
    // Squared distances in half pixels: the outer ring is radius 6.5, the ground 5.5, the dot 2.5.
    case soiBoxOption: DrawRing(canvas, origin, 121, 169, color); break;
    case soiBoxOptionGround: DrawRing(canvas, origin, -1, 121, color); break;
    case soiOption: DrawRing(canvas, origin, -1, 25, color); break;
    case soiBoxButtonPlus:
      canvas.FillRect({cell.Left + mid, cell.Top + 3, cell.Left + mid + 1, cell.Bottom - 3}, color);
      [[fallthrough]];
    case soiBoxButtonMinus:
      canvas.FillRect({cell.Left + 3, cell.Top + mid, cell.Right - 3, cell.Top + mid + 1}, color);
      break;
  }
}

void BuildButtonImages(TCustomImageList& list, int size, bool masked) {
  size = std::max(size, 1);
  Resize(list, size);
  const TColor glyph = GlyphColor();
  for (int style = 0; style < kSkinButtonStyleCount; ++style) {
    const TColor ground = platform::SystemColor(style == btsCheck ? platform::COLOR_WINDOW : platform::COLOR_BTNFACE);
    list.Add(RenderImage(size, size, masked ? platform::clNone : ground, [&](ICanvas& canvas) {
      DrawButtonGlyph(canvas, static_cast<TZebrinSkinButtonStyle>(style), {0, 0, size, size}, glyph);
    }));
  }
}

void BuildArrowImages(TCustomImageList& list, int size) {
  size = std::max(size, 1);
  Resize(list, size);
  const TColor glyph = GlyphColor();
  for (TSkinArrow arrow : {TSkinArrow::Left, TSkinArrow::Right, TSkinArrow::Up, TSkinArrow::Down})
    list.Add(RenderImage(size, size, platform::clNone,
                    [&](ICanvas& canvas) { DrawArrowGlyph(canvas, arrow, {0, 0, size, size}, glyph); }));
}

void BuildOptionImages(TCustomImageList& list) {
  Resize(list, kSkinOptionImageSize);
  const TColor glyph = GlyphColor();
  for (int image = 0; image < kSkinOptionImageCount; ++image)
    list.Add(RenderImage(kSkinOptionImageSize, kSkinOptionImageSize, platform::clNone, [&](ICanvas& canvas) {
      DrawOptionMask(canvas, static_cast<TSkinOptionImage>(image), {2, 2}, glyph);
    }));
}

}  // namespace halbrin::skins
