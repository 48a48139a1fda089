#pragma once

#include "platform/graphics/canvas.h"
#include "skins/core/draw_records.h"

namespace halbrin::skins {

using platform::ICanvas;

// The draw operations a theme may replace, as the skins draw them without
// one. Records come in by value, so nothing a painter does is seen by the
// caller, except the rectangle DrawBandItemProgress writes back. Each returns 0.
class TSkinDefaultPainter {
 public:
  static int FillMargin(ICanvas& canvas, TSkinFillParams rec);
  static int FillButton(ICanvas& canvas, TSkinFillParams rec);
  static int FillSplitter(ICanvas& canvas, TSkinFillParams rec);
  static int FillCaptionBand(ICanvas& canvas, TSkinFillParams rec);
  static int FillFooterBand(ICanvas& canvas, TSkinFillParams rec);
  static int FillCaptionBands(ICanvas& canvas, TSkinFillParams rec);
  static int FillFooterBands(ICanvas& canvas, TSkinFillParams rec);

  static int DrawMarginEdges(ICanvas& canvas, TSkinEdgeParams rec);
  static int DrawButtonEdges(ICanvas& canvas, TSkinEdgeParams rec);
  static int DrawSplitterEdges(ICanvas& canvas, TSkinEdgeParams rec);
  static int DrawBandEdges(ICanvas& canvas, TSkinEdgeParams rec);
  static int DrawWindowEdges(ICanvas& canvas, TSkinEdgeParams rec);

  static int DrawBandItemText(ICanvas& canvas, TSkinTextParams rec);
  static int DrawToolButtonText(ICanvas& canvas, TSkinTextParams rec);
  static int DrawBandItemProgress(ICanvas& canvas, TSkinProgressParams& rec);
  static int DrawWindowButton(ICanvas& canvas, TSkinWindowButtonParams rec);
  static int DrawToolButton(ICanvas& canvas, TSkinToolButtonParams rec);
  static int DrawToolButtonEdges(ICanvas& canvas, TSkinEdgeParams rec);

  // A check box, option or expand box: the desktop's themed glyph when the
  // record asks for it and the canvas has one, else the glyph's layers from
  // `optionImages` (box, ground, mark of each kind, three images per kind)
  // drawn as masks in the record's colours.
  static void DrawSkinGlyph(ICanvas& canvas, const TSkinGlyphParams& rec, const TCustomImageList& optionImages);

  // 1x1 dots every 2 pixels along the inside of the rectangle; clDefault is the button face.
  static void DrawDottedFrame(ICanvas& canvas, const TRect& rect, TColor color);
  // `width` nested 1-pixel frames; false, and nothing drawn, for clNone.
  static bool DrawFrameEdge(ICanvas& canvas, const TRect& rect, int width, TColor color);
};

}  // namespace halbrin::skins
