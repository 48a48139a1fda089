#pragma once

#include "platform/graphics/canvas.h"
#include "skins/core/draw_records.h"

namespace halbrin::skins {

using platform::ICanvas;

// The eighteen draw operations every part of a skin paints through. Fill,
// edge and window-button records come in as copies; the text, progress and
// tool-button records are the caller's, so a theme's change to them reaches
// the caller (the progress painter writes back the rectangle it used).
// Each answers the operation's result, 0 unless a theme says otherwise.
class ISkinPainter {
 public:
  virtual ~ISkinPainter() = default;

  virtual int FillMargin(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int DrawMarginEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;
  virtual int FillButton(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int FillSplitter(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int DrawButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;
  virtual int DrawSplitterEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;
  virtual int FillCaptionBands(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int FillFooterBands(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int FillCaptionBand(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int FillFooterBand(ICanvas& canvas, TSkinFillParams rec) = 0;
  virtual int DrawBandEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;
  virtual int DrawBandItemText(ICanvas& canvas, TSkinTextParams& rec) = 0;
  virtual int DrawToolButtonText(ICanvas& canvas, TSkinTextParams& rec) = 0;
  virtual int DrawBandItemProgress(ICanvas& canvas, TSkinProgressParams& rec) = 0;
  virtual int DrawWindowButton(ICanvas& canvas, TSkinWindowButtonParams rec) = 0;
  virtual int DrawWindowEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;
  virtual int DrawToolButton(ICanvas& canvas, TSkinToolButtonParams& rec) = 0;
  virtual int DrawToolButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) = 0;

 protected:
  ISkinPainter() = default;
  ISkinPainter(const ISkinPainter&) = default;
  ISkinPainter& operator=(const ISkinPainter&) = default;
};

// TSkinDefaultPainter as an ISkinPainter: what parts that are not themed draw with.
ISkinPainter& DefaultSkinPainter() noexcept;

}  // namespace halbrin::skins
