#include "skins/core/default_painter.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/foundation/colors.h"
#include "platform/services/desktop_service.h"
#include "skins/core/skin_geometry.h"

namespace halbrin::skins {
namespace {

using platform::TTextAlign;
using platform::TTextFormat;
using platform::TTextLayout;

// Blending needs plain channels, so system colours are looked up first.
TColor Plain(TColor color) {
  return platform::IsSystemColor(color)
             ? platform::CurrentDesktopService().SystemColor(platform::SystemColorIndex(color))
             : color;
}

TColor Blend(TColor a, TColor b, int step, int steps) { return BlendColor(Plain(a), Plain(b), step, steps); }

TColor System(int index) { return platform::SystemColor(index); }

// The strip of one side, `width` deep, in the order top, right, bottom, left.
TRect EdgeStrip(TRect r, TZebrinSkinEdgeBorder side, int width) {
  switch (side) {
    case sebTop: r.Bottom = r.Top + width; break;
    case sebRight: r.Left = r.Right - width; break;
    case sebBottom: r.Top = r.Bottom - width; break;
    case sebLeft: r.Right = r.Left + width; break;
  }
  return r;
}

void FillEdgeStrips(ICanvas& canvas, const TSkinEdgeParams& rec) {
  if (rec.Width <= 0) return;
  for (TZebrinSkinEdgeBorder side : {sebTop, sebRight, sebBottom, sebLeft})
    if (rec.Edges & EdgeBit(side)) canvas.FillRect(EdgeStrip(rec.Rect, side, rec.Width), rec.Color);
}

void FillWithPattern(ICanvas& canvas, const TSkinFillParams& rec, bool pattern, TColor second) {
  if (pattern)
    canvas.FillRectPattern(rec.Rect, rec.Color, Blend(rec.Color, second, 3, 6));
  else
    canvas.FillRect(rec.Rect, rec.Color);
}

int FillBand(ICanvas& canvas, const TSkinFillParams& rec) {
  if (!rec.Transparent) canvas.FillRect(rec.Rect, rec.Color);
  if (rec.Designing) TSkinDefaultPainter::DrawDottedFrame(canvas, rec.Rect, platform::clDefault);
  return 0;
}

int DrawText(ICanvas& canvas, const TSkinTextParams& rec, bool mnemonic) {
  if (rec.Text == nullptr || rec.Rect.IsEmpty()) return 0;
  const platform::TFont fallback;
  const platform::TFont& font = rec.Font ? *rec.Font : fallback;
  const int lineHeight = canvas.TextExtent("jk", font).cy;

  TTextFormat format;
  format.singleLine = true;
  format.expandTabs = true;
  format.mnemonic = mnemonic;
  const auto layout = rec.Layout == silCenter ? TTextLayout::Center
                      : rec.Layout == silBottom ? TTextLayout::Bottom
                                                : TTextLayout::Top;
  if (rec.Horizontal) {
    format.endEllipsis = true;
    format.align = rec.GlyphLayout != 1 ? TTextAlign::Center
                   : rec.Align == siaRight ? TTextAlign::Right
                                           : TTextAlign::Left;
    format.layout = layout;
    // Too low to centre: the text sits on the bottom so its baseline shows.
    if (format.layout == TTextLayout::Center && rec.Rect.Height() < lineHeight) format.layout = TTextLayout::Bottom;
  } else {
    // Upwards from the bottom; the item's layout places it across the width.
    format.rotate90 = true;
    format.align = TTextAlign::Left;
    format.layout = layout;
  }

  if (rec.ShadowEdges != 0 && rec.ShadowDepth >= 1) {
    const int d = rec.ShadowDepth;
    struct Shift {
      TZebrinSkinEdgeBorder side;
      int dx, dy;
    };
    const std::array<Shift, 4> shifts{{{sebTop, d, -d}, {sebRight, d, d}, {sebBottom, -d, d}, {sebLeft, -d, -d}}};
    for (const Shift& s : shifts) {
      if (!(rec.ShadowEdges & EdgeBit(s.side))) continue;
      const TRect r{rec.Rect.Left + s.dx, rec.Rect.Top + s.dy, rec.Rect.Right + s.dx, rec.Rect.Bottom + s.dy};
      canvas.DrawText(rec.Text, r, font, rec.ShadowColor, format);
    }
  }
  canvas.DrawText(rec.Text, rec.Rect, font, rec.Color, format);
  return 0;
}

TRect Inflate(TRect r, int dx, int dy) { return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy}; }
TRect Offset(TRect r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// The outline of a tool button: tabs grow when down or hot and lose a 45-degree
// slant at their far corner; rounded buttons keep their corner pixels out of
// the paint and blend them back afterwards.
class TButtonShape {
 public:
  TButtonShape(ICanvas& canvas, TRect rect, std::uint8_t style, std::uint8_t state, bool vertical,
               std::uint8_t roundness, TColor paint)
      : m_canvas(canvas), m_rect(rect), m_roundness(roundness), m_paint(paint) {
    if (style == tbsTab) {
      if (state & kButtonDown) m_rect = Inflate(m_rect, 1, 1);
      else if (state & kButtonHot) m_rect = vertical ? Inflate(m_rect, 1, 0) : Inflate(m_rect, 0, 1);
      else if (vertical) --m_rect.Right;
      else --m_rect.Bottom;
      m_tab = true;
    }
    canvas.Save();
    if (m_tab) {
      for (int k = 0; k < 8; ++k) {
        const int y = m_rect.Top + k;
        canvas.ExcludeClipRect(vertical ? TRect{m_rect.Left, y, m_rect.Left + 8 - k, y + 1}
                                        : TRect{m_rect.Right - 8 + k, y, m_rect.Right, y + 1});
      }
      SaveCorner(vertical ? TPoint{m_rect.Left, m_rect.Bottom - 1} : TPoint{m_rect.Left, m_rect.Top}, vertical ? -1 : 1);
    } else if (style < tbsTab && roundness > sirNone) {
      SaveCorner({m_rect.Left, m_rect.Top}, 1);
      SaveCorner({m_rect.Right - 1, m_rect.Top}, 1);
      SaveCorner({m_rect.Right - 1, m_rect.Bottom - 1}, -1);
      SaveCorner({m_rect.Left, m_rect.Bottom - 1}, -1);
    }
  }
  TButtonShape(const TButtonShape&) = delete;
  TButtonShape& operator=(const TButtonShape&) = delete;
  // Lifts the clip and blends the saved corners into their neighbours.
  ~TButtonShape() {
    m_canvas.Restore();
    if (m_roundness == sirNone) return;
    for (const TCorner& corner : m_corners) {
      const int inward = corner.at.X == m_rect.Left ? 1 : -1;
      for (TPoint p : {TPoint{corner.at.X + inward, corner.at.Y}, TPoint{corner.at.X, corner.at.Y + corner.down}}) {
        // Evident corners kept these pixels out of the paint as well.
        const TColor now = m_roundness == sirEvident ? Plain(m_paint) : m_canvas.GetPixel(p.X, p.Y);
        if (now != platform::clNone && corner.saved != platform::clNone)
          m_canvas.SetPixel(p.X, p.Y, BlendColor(now, corner.saved, 1, 3));
      }
      if (corner.saved != platform::clNone) m_canvas.SetPixel(corner.at.X, corner.at.Y, corner.saved);
    }
  }

  const TRect& Rect() const noexcept { return m_rect; }
  bool Tab() const noexcept { return m_tab; }

 private:
  struct TCorner {
    TPoint at;
    int down;  // +1 when the corner's side neighbour lies below it, -1 above
    TColor saved;
  };

  void SaveCorner(TPoint at, int down) {
    m_corners.push_back({at, down, m_canvas.GetPixel(at.X, at.Y)});
    if (m_roundness == sirNone) return;
    m_canvas.ExcludeClipRect({at.X, at.Y, at.X + 1, at.Y + 1});
    if (m_roundness == sirEvident) {
      const int inward = at.X == m_rect.Left ? 1 : -1;
      m_canvas.ExcludeClipRect({at.X + inward, at.Y, at.X + inward + 1, at.Y + 1});
      m_canvas.ExcludeClipRect({at.X, at.Y + down, at.X + 1, at.Y + down + 1});
    }
  }

  ICanvas& m_canvas;
  TRect m_rect;
  std::uint8_t m_roundness;
  TColor m_paint;
  bool m_tab = false;
  std::vector<TCorner> m_corners;
};

}  // namespace

int TSkinDefaultPainter::FillMargin(ICanvas& canvas, TSkinFillParams rec) {
  FillWithPattern(canvas, rec, rec.Designing != 0, 0x000000);
  return 0;
}

int TSkinDefaultPainter::FillButton(ICanvas& canvas, TSkinFillParams rec) {
  canvas.FillRect(rec.Rect, rec.Color);
  return 0;
}

int TSkinDefaultPainter::FillSplitter(ICanvas& canvas, TSkinFillParams rec) {
  canvas.FillRect(rec.Rect, rec.Color);
  return 0;
}

int TSkinDefaultPainter::FillCaptionBand(ICanvas& canvas, TSkinFillParams rec) { return FillBand(canvas, rec); }

int TSkinDefaultPainter::FillFooterBand(ICanvas& canvas, TSkinFillParams rec) { return FillBand(canvas, rec); }

int TSkinDefaultPainter::FillCaptionBands(ICanvas& canvas, TSkinFillParams rec) {
  // A transparent band area shows a checker pattern while it is designed.
  FillWithPattern(canvas, rec, rec.Designing && rec.Transparent, 0xFFFFFF);
  return 0;
}

int TSkinDefaultPainter::FillFooterBands(ICanvas& canvas, TSkinFillParams rec) { return FillCaptionBands(canvas, rec); }

int TSkinDefaultPainter::DrawMarginEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  FillEdgeStrips(canvas, rec);
  return 0;
}

int TSkinDefaultPainter::DrawButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  FillEdgeStrips(canvas, rec);
  return 0;
}

int TSkinDefaultPainter::DrawSplitterEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  FillEdgeStrips(canvas, rec);
  return 0;
}

int TSkinDefaultPainter::DrawBandEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  FillEdgeStrips(canvas, rec);
  return 0;
}

int TSkinDefaultPainter::DrawWindowEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  TColor color = rec.Color;
  if (rec.State & kWindowEdgeActive) color = System(platform::COLOR_ACTIVECAPTION);
  if (rec.State & kWindowEdgeLighten) color = Blend(color, System(platform::COLOR_BTNHIGHLIGHT), 2, 5);
  DrawFrameEdge(canvas, rec.Rect, rec.Width, color);
  return 0;
}

int TSkinDefaultPainter::DrawBandItemText(ICanvas& canvas, TSkinTextParams rec) {
  // Band items show "&" as itself.
  return DrawText(canvas, rec, false);
}

int TSkinDefaultPainter::DrawToolButtonText(ICanvas& canvas, TSkinTextParams rec) {
  return DrawText(canvas, rec, true);
}

int TSkinDefaultPainter::DrawBandItemProgress(ICanvas& canvas, TSkinProgressParams& rec) {
  const bool horizontal = rec.Horizontal != 0;
  const TRect bar = rec.Rect;
  // A square cell across the bar, shrunk to at most 10 pixels.
  TRect c = bar;
  if (horizontal) c.Right = c.Left + bar.Height();
  else c.Top = c.Bottom - bar.Width();
  c = Inflate(c, -4, -4);
  int margin = 4;
  while (c.Width() > 10) {
    c = Inflate(c, -1, -1);
    ++margin;
  }
  const int size = c.Width();
  if (size <= 0) return 0;
  const int step = size + 2;
  const int length = horizontal ? bar.Width() : bar.Height();
  const int count = std::max(length / step, 0);
  int filled = std::clamp(rec.Percent, 0, 100) * count / 100;
  // Any progress shows once the bar has a few cells.
  if (rec.Percent >= 1 && filled == 0 && count >= 5) filled = 1;
  filled = std::min(filled, count);

  if (horizontal) {
    if (!rec.Reversed) {
      c = Offset(c, -margin, 0);
      rec.Rect.Right = bar.Left + count * step;
    } else {
      c = Offset(c, bar.Width() - margin - (count * step - 2), 0);
      rec.Rect.Left = bar.Right - count * step;
    }
  } else {
    if (!rec.Reversed) {
      c = Offset(c, 0, margin);
      rec.Rect.Top = bar.Bottom - count * step;
    } else {
      // The cells end at the top edge, as the horizontal reversed bar's end at the right.
      c = Offset(c, 0, -(bar.Height() - margin) + count * step - 2);
      rec.Rect.Bottom = bar.Top + count * step;
    }
  }

  const TColor dim = Blend(rec.Color, rec.BackColor, 5, 7);
  for (int i = 1; i <= count; ++i) {
    canvas.FillRect(c, i <= filled ? rec.Color : dim);
    c = horizontal ? Offset(c, step, 0) : Offset(c, 0, -step);
  }
  return 0;
}

int TSkinDefaultPainter::DrawWindowButton(ICanvas& canvas, TSkinWindowButtonParams rec) {
  if (rec.Images == nullptr) return 0;
  if ((rec.State & 0xFF) == kButtonMasked)
    canvas.DrawImageMasked(*rec.Images, rec.ImageIndex, rec.X, rec.Y, rec.GlyphColor);
  else
    canvas.DrawImage(*rec.Images, rec.ImageIndex, rec.X, rec.Y);
  return 0;
}

int TSkinDefaultPainter::DrawToolButton(ICanvas& canvas, TSkinToolButtonParams rec) {
  const bool vertical = (rec.Flags & kButtonVertical) != 0;
  if (rec.State & kButtonOpaque) {
    const TColor color =
        rec.Style == tbsTab && rec.TabColor != platform::clNone && (rec.State & kButtonDown) ? rec.TabColor : rec.Color;
    const TButtonShape shape(canvas, rec.Rect, rec.Style, rec.State, vertical, rec.Roundness, color);
    canvas.FillRect(shape.Rect(), color);
  }

  TRect c = rec.Rect;
  if (rec.Indent > 0) c = vertical ? Inflate(c, 0, -rec.Indent) : Inflate(c, -rec.Indent, 0);

  if (rec.Images != nullptr) {
    const int w = rec.Images->Width();
    const int h = rec.Images->Height();
    int x = 0;
    int y = 0;
    switch (rec.GlyphLayout) {
      case 0:
        if (!vertical) { x = c.Left + (c.Width() - w) / 2; y = c.Bottom - h - 4; c.Bottom -= h; }
        else { x = c.Right - w - 4; y = c.Top + (c.Height() - h) / 2; c.Right -= w; }
        break;
      case 1:
        if (!vertical) { x = c.Left; y = c.Top + (c.Height() - h) / 2; c.Left += w + 4; }
        else { x = c.Left + (c.Width() - w) / 2; y = c.Bottom - h; c.Bottom -= h + 4; }
        break;
      default:
        if (!vertical) { x = c.Left + (c.Width() - w) / 2; y = c.Top + 4; c.Top += h; }
        else { x = c.Left + 4; y = c.Top + (c.Height() - h) / 2; c.Left += w; }
        break;
    }
    if (rec.State & (kButtonDisabled | kButtonMasked))
      canvas.DrawImageMasked(*rec.Images, rec.ImageIndex, x, y, rec.GlyphColor);
    else
      canvas.DrawImage(*rec.Images, rec.ImageIndex, x, y);
  }

  if (rec.Style == tbsDropDown) {
    const int a = (rec.DropDownSize - 4) / 2;
    c = CutBandSide(c, !vertical, rec.DropDownSize, 1);
    const TPoint centre{c.Left + c.Width() / 2, c.Top + c.Height() / 2};
    if (!vertical) {
      const int x = c.Right + 3;
      const int y = centre.Y - a / 2;
      const std::array<TPoint, 3> down{{{x, y}, {x + a, y + a}, {x + 2 * a, y}}};
      canvas.FillPolygon(down, rec.GlyphColor);
    } else {
      const int x = centre.X - a / 2;
      const int y = c.Bottom - 4 - 2 * a;
      const std::array<TPoint, 3> right{{{x, y}, {x + a, y + a}, {x, y + 2 * a}}};
      canvas.FillPolygon(right, rec.GlyphColor);
    }
  }
  return 0;
}

int TSkinDefaultPainter::DrawToolButtonEdges(ICanvas& canvas, TSkinEdgeParams rec) {
  if (rec.Width <= 0) return 0;
  const int width = std::min(rec.Width, 4);
  const bool vertical = (rec.ButtonFlags & kButtonVertical) != 0;
  TRect r;
  bool tab = false;
  {
    const TButtonShape shape(canvas, rec.Rect, rec.Style, rec.ButtonState, vertical, rec.Roundness, rec.Color);
    r = shape.Rect();
    tab = shape.Tab();
    TSkinEdgeParams strips = rec;
    strips.Rect = r;
    strips.Width = width;
    FillEdgeStrips(canvas, strips);
    if (rec.Roundness > sirMedium && width < 3) {
      // The inner corner where two edges meet is softened into what lies inside.
      struct Pair {
        TZebrinSkinEdgeBorder a, b;
        TPoint at;
      };
      const std::array<Pair, 4> pairs{{{sebTop, sebLeft, {r.Left + width, r.Top + width}},
                                       {sebTop, sebRight, {r.Right - 1 - width, r.Top + width}},
                                       {sebBottom, sebRight, {r.Right - 1 - width, r.Bottom - 1 - width}},
                                       {sebBottom, sebLeft, {r.Left + width, r.Bottom - 1 - width}}}};
      for (const Pair& p : pairs) {
        if (!(rec.Edges & EdgeBit(p.a)) || !(rec.Edges & EdgeBit(p.b))) continue;
        const TColor now = canvas.GetPixel(p.at.X, p.at.Y);
        if (now != platform::clNone) canvas.SetPixel(p.at.X, p.at.Y, Blend(rec.Color, now, 2, 5));
      }
    }
  }
  // The slant is drawn once the clip that cut it away is lifted.
  if (tab) {
    if (vertical) canvas.Line({r.Left + 8, r.Top}, {r.Left, r.Top + 8}, width, rec.Color);
    else canvas.Line({r.Right - 8, r.Top}, {r.Right, r.Top + 8}, width, rec.Color);
  }
  return 0;
}

void TSkinDefaultPainter::DrawSkinGlyph(ICanvas& canvas, const TSkinGlyphParams& rec,
                                        const TCustomImageList& optionImages) {
  TSkinGlyphParams g = rec;
  if (rec.Themed) {
    TRect r = rec.Rect;
    if (r.IsEmpty()) r = {r.Left, r.Top, r.Left + 16, r.Top + 16};
    r = Inflate(r, -1, -1);
    ++r.Left;
    ++r.Top;
    platform::TThemedGlyphState themed;
    themed.hot = (rec.State & kButtonHot) != 0;
    themed.pressed = (rec.State & kButtonPressed) != 0;
    themed.disabled = (rec.State & kButtonDisabled) != 0;
    themed.check = rec.Check & 0x03;
    const platform::TThemedGlyph kind = rec.Kind == TSkinGlyphKind::CheckBox ? platform::TThemedGlyph::CheckBox
                                        : rec.Kind == TSkinGlyphKind::Option ? platform::TThemedGlyph::Option
                                                                             : platform::TThemedGlyph::Expander;
    if (rec.Kind == TSkinGlyphKind::ExpandBox) themed.check = (rec.Check & 0x02) ? 2 : 0;
    if (canvas.DrawThemedGlyph(kind, themed, r)) return;
    // Without a theme: the three-colour glyph with its ground in the default colours.
    g.State |= kButtonOpaque;
    g.Color = platform::clDefault;
    g.BackColor = platform::clDefault;
  }

  const bool disabled = (g.State & kButtonDisabled) != 0;
  const TColor base = g.Color != platform::clDefault ? g.Color
                      : (g.State & kButtonSelected) ? System(platform::COLOR_HIGHLIGHT)
                                                    : System(platform::COLOR_BTNTEXT);
  const TColor shadow = System(platform::COLOR_BTNSHADOW);
  const int first = 3 * static_cast<int>(g.Kind);
  TColor box = platform::clNone;
  TColor ground = platform::clNone;
  TColor mark = platform::clNone;
  int markIndex = first + 2;
  if (g.Kind == TSkinGlyphKind::ExpandBox) {
    box = shadow;
    // The expand box's second and third images are the plus and the minus.
    markIndex = (g.Check & 0x02) ? first + 2 : first + 1;
    mark = disabled ? shadow : base;
  } else if (disabled) {
    box = shadow;
    ground = g.BackColor != platform::clDefault ? g.BackColor : System(platform::COLOR_BTNFACE);
    if (g.Check == 1 || g.Check == 2) mark = shadow;
  } else {
    box = base;
    ground = g.BackColor;
    if (ground == platform::clDefault) {
      ground = (g.State & kButtonPressed) ? System(platform::COLOR_BTNFACE) : System(platform::COLOR_WINDOW);
      if (g.State & kButtonHot)
        ground = Blend(ground, Blend(System(platform::COLOR_HIGHLIGHT), System(platform::COLOR_BTNHIGHLIGHT), 2, 5), 2, 5);
    }
    if (g.Check == 1 && g.Kind == TSkinGlyphKind::CheckBox) mark = shadow;
    else if (g.Check == 2) mark = base;
  }
  if (!(g.State & kButtonOpaque)) ground = platform::clNone;

  const int x = g.Rect.Left + (g.Rect.Width() - optionImages.Width()) / 2;
  const int y = g.Rect.Top + (g.Rect.Height() - optionImages.Height()) / 2;
  if (box != platform::clNone) canvas.DrawImageMasked(optionImages, first, x, y, box);
  if (ground != platform::clNone) canvas.DrawImageMasked(optionImages, first + 1, x, y, ground);
  if (mark != platform::clNone) canvas.DrawImageMasked(optionImages, markIndex, x, y, mark);
}

void TSkinDefaultPainter::DrawDottedFrame(ICanvas& canvas, const TRect& r, TColor color) {
  const TColor dot = color == platform::clDefault ? System(platform::COLOR_BTNFACE) : color;
  for (int x = r.Left; x + 1 <= r.Right; x += 2) {
    canvas.FillRect({x, r.Top, x + 1, r.Top + 1}, dot);
    canvas.FillRect({x, r.Bottom - 1, x + 1, r.Bottom}, dot);
  }
  for (int y = r.Top; y + 1 <= r.Bottom; y += 2) {
    canvas.FillRect({r.Left, y, r.Left + 1, y + 1}, dot);
    canvas.FillRect({r.Right - 1, y, r.Right, y + 1}, dot);
  }
}

bool TSkinDefaultPainter::DrawFrameEdge(ICanvas& canvas, const TRect& rect, int width, TColor color) {
  if (color == platform::clNone) return false;
  TRect r = rect;
  for (int i = 0; i < width && !r.IsEmpty(); ++i) {
    canvas.FrameRect(r, color);
    r = Inflate(r, -1, -1);
  }
  return true;
}

}  // namespace halbrin::skins
