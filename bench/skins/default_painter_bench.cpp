#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>

#include "platform/cairo/cairo_canvas.h"
#include "platform/graphics/font.h"
#include "platform/services/desktop_service.h"
#include "skins/core/default_painter.h"

namespace halbrin::skins {
namespace {

using platform::SystemColor;

// The non-client parts of an 800x600 window: frame, caption area with three
// bands and a caption text, and three window buttons with masked glyphs.
void BM_PaintFrameCaption(benchmark::State& state) {
  constexpr int kWidth = 800;
  constexpr int kHeight = 600;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  {
    platform::TCairoCanvas canvas(cr);
    platform::TFont font;
    font.SetStyle(platform::fsBold);

    platform::TCustomImageList glyphs;
    glyphs.SetWidth(16);
    glyphs.SetHeight(14);
    for (int i = 0; i < 3; ++i) {
      platform::TArgbImage image(16, 14, 0);
      for (int k = 3; k < 11; ++k) image.SetPixel(k + i, k, 0xFF000000);
      glyphs.Add(std::move(image));
    }

    const int frame = 4;
    const int caption = 22;
    const TRect window{0, 0, kWidth, kHeight};
    const TRect area{frame, frame, kWidth - frame, frame + caption};

    for (auto _ : state) {
      TSkinEdgeParams edges;
      edges.Rect = window;
      edges.Width = frame;
      edges.Color = SystemColor(platform::COLOR_BTNFACE);
      edges.State = kWindowEdgeActive;
      TSkinDefaultPainter::DrawWindowEdges(canvas, edges);

      TSkinFillParams fill;
      fill.Rect = area;
      fill.Color = SystemColor(platform::COLOR_ACTIVECAPTION);
      TSkinDefaultPainter::FillCaptionBands(canvas, fill);

      // The icon band, the caption band and the button band.
      const TRect bands[] = {{area.Left, area.Top, area.Left + 22, area.Bottom},
                             {area.Left + 22, area.Top, area.Right - 60, area.Bottom},
                             {area.Right - 60, area.Top, area.Right, area.Bottom}};
      for (const TRect& band : bands) {
        TSkinFillParams bandFill = fill;
        bandFill.Rect = band;
        TSkinDefaultPainter::FillCaptionBand(canvas, bandFill);
        TSkinEdgeParams bandEdges;
        bandEdges.Rect = band;
        bandEdges.Width = 1;
        bandEdges.Edges = EdgeBit(sebBottom);
        bandEdges.Color = SystemColor(platform::COLOR_BTNSHADOW);
        TSkinDefaultPainter::DrawBandEdges(canvas, bandEdges);
      }

      TSkinTextParams text;
      text.Text = "Untitled document - Halbrin Lite";
      text.Rect = {bands[1].Left + 4, bands[1].Top, bands[1].Right - 4, bands[1].Bottom};
      text.Font = &font;
      text.Color = SystemColor(platform::COLOR_CAPTIONTEXT);
      text.Layout = silCenter;
      text.GlyphLayout = 1;
      TSkinDefaultPainter::DrawBandItemText(canvas, text);

      for (int i = 0; i < 3; ++i) {
        const TRect button{bands[2].Left + i * 20, area.Top + 2, bands[2].Left + i * 20 + 18, area.Bottom - 2};
        TSkinFillParams buttonFill;
        buttonFill.Rect = button;
        buttonFill.Color = SystemColor(platform::COLOR_BTNFACE);
        TSkinDefaultPainter::FillButton(canvas, buttonFill);
        TSkinEdgeParams buttonEdges;
        buttonEdges.Rect = button;
        buttonEdges.Width = 1;
        buttonEdges.Edges = kAllEdgeBorders;
        buttonEdges.Color = SystemColor(platform::COLOR_BTNSHADOW);
        TSkinDefaultPainter::DrawButtonEdges(canvas, buttonEdges);
        TSkinWindowButtonParams glyph;
        glyph.X = button.Left + 1;
        glyph.Y = button.Top + 2;
        glyph.State = kButtonMasked;
        glyph.Images = &glyphs;
        glyph.ImageIndex = i;
        glyph.GlyphColor = SystemColor(platform::COLOR_BTNTEXT);
        TSkinDefaultPainter::DrawWindowButton(canvas, glyph);
      }
      cairo_surface_flush(surface);
      benchmark::ClobberMemory();
    }
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_PaintFrameCaption)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halbrin::skins
