#include "skins/core/skin_painter.h"

#include "skins/core/default_painter.h"

namespace halbrin::skins {

namespace {

using P = TSkinDefaultPainter;

class TDefaultSkinPainter final : public ISkinPainter {
 public:
  int FillMargin(ICanvas& c, TSkinFillParams r) override { return P::FillMargin(c, r); }
  int DrawMarginEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawMarginEdges(c, r); }
  int FillButton(ICanvas& c, TSkinFillParams r) override { return P::FillButton(c, r); }
  int FillSplitter(ICanvas& c, TSkinFillParams r) override { return P::FillSplitter(c, r); }
  int DrawButtonEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawButtonEdges(c, r); }
  int DrawSplitterEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawSplitterEdges(c, r); }
  int FillCaptionBands(ICanvas& c, TSkinFillParams r) override { return P::FillCaptionBands(c, r); }
  int FillFooterBands(ICanvas& c, TSkinFillParams r) override { return P::FillFooterBands(c, r); }
  int FillCaptionBand(ICanvas& c, TSkinFillParams r) override { return P::FillCaptionBand(c, r); }
  int FillFooterBand(ICanvas& c, TSkinFillParams r) override { return P::FillFooterBand(c, r); }
  int DrawBandEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawBandEdges(c, r); }
  int DrawBandItemText(ICanvas& c, TSkinTextParams& r) override { return P::DrawBandItemText(c, r); }
  int DrawToolButtonText(ICanvas& c, TSkinTextParams& r) override { return P::DrawToolButtonText(c, r); }
  int DrawBandItemProgress(ICanvas& c, TSkinProgressParams& r) override { return P::DrawBandItemProgress(c, r); }
  int DrawWindowButton(ICanvas& c, TSkinWindowButtonParams r) override { return P::DrawWindowButton(c, r); }
  int DrawWindowEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawWindowEdges(c, r); }
  int DrawToolButton(ICanvas& c, TSkinToolButtonParams& r) override { return P::DrawToolButton(c, r); }
  int DrawToolButtonEdges(ICanvas& c, TSkinEdgeParams r) override { return P::DrawToolButtonEdges(c, r); }
};

}  // namespace

ISkinPainter& DefaultSkinPainter() noexcept {
  static TDefaultSkinPainter painter;
  return painter;
}

}  // namespace halbrin::skins
