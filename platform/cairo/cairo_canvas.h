#pragma once

#include <cairo.h>

#include <memory>
#include <string>

#include "platform/cairo/pango_font.h"
#include "platform/graphics/canvas.h"

namespace halbrin::platform {

struct CairoSurfaceDeleter {
  void operator()(cairo_surface_t* surface) const noexcept { cairo_surface_destroy(surface); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;

// A surface holding a copy of the image's pixels.
CairoSurfacePtr SurfaceFromImage(const TArgbImage& image);
// A copy of the pixels of an ARGB32 image surface; an empty image for any other surface.
TArgbImage ImageFromSurface(cairo_surface_t* surface);

// ICanvas over a Cairo context; it needs no display, so it draws on image
// surfaces in tests and benchmarks as it does on windows. Shapes are not
// antialiased and sit on whole pixels; text is laid out by Pango. The
// context's state is saved at construction and put back at destruction,
// whatever Save/Restore calls were left open.
class TCairoCanvas final : public ICanvas {
 public:
  explicit TCairoCanvas(cairo_t* cr);
  TCairoCanvas(const TCairoCanvas&) = delete;
  TCairoCanvas& operator=(const TCairoCanvas&) = delete;
  ~TCairoCanvas() override;

  cairo_t* Context() const noexcept { return m_cr; }

  void FillRect(const TRect& rect, TColor color) override;
  void FrameRect(const TRect& rect, TColor color) override;
  void SetPixel(int x, int y, TColor color) override;
  // Reads image surfaces only; clNone on other targets and outside the surface.
  TColor GetPixel(int x, int y) override;
  void Line(TPoint from, TPoint to, int width, TColor color) override;
  void FillPolygon(std::span<const TPoint> points, TColor color) override;
  void FillRectPattern(const TRect& rect, TColor first, TColor second) override;
  void Gradient(const TRect& rect, TColor from, TColor to, bool vertical) override;
  void Save() override;
  void Restore() override;
  void ExcludeClipRect(const TRect& rect) override;
  void DrawText(std::string_view utf8, const TRect& rect, const TFont& font, TColor color,
                const TTextFormat& format) override;
  TSize TextExtent(std::string_view utf8, const TFont& font) override;
  void DrawImage(const TCustomImageList& images, int index, int x, int y) override;
  void DrawImageMasked(const TCustomImageList& images, int index, int x, int y, TColor color) override;
  // Cairo has no theme: always false.
  bool DrawThemedGlyph(TThemedGlyph glyph, const TThemedGlyphState& state, const TRect& rect) override;
  void Blit(const TArgbImage& source, int x, int y) override;
  void DrawPicture(const TArgbImage& image, int x, int y) override;
  void* CairoContext() const noexcept override { return m_cr; }

 private:
  // Sets the colour as the source; false for a colour that draws nothing.
  bool SetSource(TColor color);
  void AddRect(const TRect& rect);

  cairo_t* m_cr;
  int m_saved = 0;
};

}  // namespace halbrin::platform
