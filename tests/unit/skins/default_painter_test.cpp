#include "skins/core/default_painter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/foundation/colors.h"
#include "platform/graphics/recording_canvas.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {
namespace {

using platform::TRecordingCanvas;
using Calls = std::vector<std::string>;

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

std::string Fill(const TRect& r, TColor c) {
  return "FillRect(" + TRecordingCanvas::RectText(r) + " " + TRecordingCanvas::ColorText(c) + ")";
}
std::string Pattern(const TRect& r, TColor a, TColor b) {
  return "FillRectPattern(" + TRecordingCanvas::RectText(r) + " " + TRecordingCanvas::ColorText(a) + " " +
         TRecordingCanvas::ColorText(b) + ")";
}

TEST(DefaultPainterFills, PatternOnlyWhereItBelongs) {
  const TRect r{0, 0, 8, 4};
  struct Case {
    const char* name;
    int (*paint)(platform::ICanvas&, TSkinFillParams);
    std::uint8_t designing, transparent;
    Calls calls;
  };
  const TColor darker = BlendColor(kRed, 0x000000, 3, 6);
  const TColor lighter = BlendColor(kRed, 0xFFFFFF, 3, 6);
  const Case cases[] = {
      {"margin solid", TSkinDefaultPainter::FillMargin, 0, 0, {Fill(r, kRed)}},
      {"margin pattern", TSkinDefaultPainter::FillMargin, 1, 0, {Pattern(r, kRed, darker)}},
      {"button ignores flags", TSkinDefaultPainter::FillButton, 1, 1, {Fill(r, kRed)}},
      {"splitter ignores flags", TSkinDefaultPainter::FillSplitter, 1, 1, {Fill(r, kRed)}},
      {"band area designing only", TSkinDefaultPainter::FillCaptionBands, 1, 0, {Fill(r, kRed)}},
      {"band area transparent only", TSkinDefaultPainter::FillFooterBands, 0, 1, {Fill(r, kRed)}},
      {"band area designing and transparent", TSkinDefaultPainter::FillCaptionBands, 1, 1, {Pattern(r, kRed, lighter)}},
      {"transparent band", TSkinDefaultPainter::FillCaptionBand, 0, 1, {}},
      {"opaque band", TSkinDefaultPainter::FillFooterBand, 0, 0, {Fill(r, kRed)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordingCanvas canvas;
    TSkinFillParams rec;
    rec.Rect = r;
    rec.Color = kRed;
    rec.Designing = c.designing;
    rec.Transparent = c.transparent;
    c.paint(canvas, rec);
    EXPECT_EQ(canvas.Calls(), c.calls);
  }
}

TEST(DefaultPainterFills, DesignedBandGetsDottedFrameInButtonFace) {
  TRecordingCanvas canvas;
  TSkinFillParams rec;
  rec.Rect = {0, 0, 4, 3};
  rec.Color = kRed;
  rec.Designing = 1;
  TSkinDefaultPainter::FillCaptionBand(canvas, rec);
  const TColor face = platform::SystemColor(platform::COLOR_BTNFACE);
  const Calls expected{Fill(rec.Rect, kRed),
                       Fill({0, 0, 1, 1}, face), Fill({0, 2, 1, 3}, face), Fill({2, 0, 3, 1}, face),
                       Fill({2, 2, 3, 3}, face), Fill({0, 0, 1, 1}, face), Fill({3, 0, 4, 1}, face),
                       Fill({0, 2, 1, 3}, face), Fill({3, 2, 4, 3}, face)};
  EXPECT_EQ(canvas.Calls(), expected);
}

TEST(DefaultPainterEdges, StripsInOrderTopRightBottomLeft) {
  TRecordingCanvas canvas;
  TSkinEdgeParams rec;
  rec.Rect = {0, 0, 20, 10};
  rec.Color = kBlue;
  rec.Width = 2;
  rec.Edges = kAllEdgeBorders;
  TSkinDefaultPainter::DrawBandEdges(canvas, rec);
  EXPECT_EQ(canvas.Calls(), (Calls{Fill({0, 0, 20, 2}, kBlue), Fill({18, 0, 20, 10}, kBlue),
                                   Fill({0, 8, 20, 10}, kBlue), Fill({0, 0, 2, 10}, kBlue)}));

  canvas.ClearCalls();
  rec.Edges = EdgeBit(sebBottom);
  TSkinDefaultPainter::DrawMarginEdges(canvas, rec);
  EXPECT_EQ(canvas.Calls(), (Calls{Fill({0, 8, 20, 10}, kBlue)}));

  canvas.ClearCalls();
  rec.Width = 0;
  rec.Edges = kAllEdgeBorders;
  TSkinDefaultPainter::DrawButtonEdges(canvas, rec);
  EXPECT_TRUE(canvas.Calls().empty());
}

TEST(DefaultPainterEdges, WindowEdgeColourChoice) {
  const TColor active = platform::SystemColor(platform::COLOR_ACTIVECAPTION);
  const auto plain = [](TColor c) {
    return platform::CurrentDesktopService().SystemColor(platform::SystemColorIndex(c));
  };
  const TColor highlight = plain(platform::SystemColor(platform::COLOR_BTNHIGHLIGHT));
  struct Case {
    std::uint32_t state;
    TColor color;
  };
  const Case cases[] = {
      {0, kRed},
      {kWindowEdgeMoveable, kRed},
      {kWindowEdgeActive, active},
      {kWindowEdgeLighten, BlendColor(kRed, highlight, 2, 5)},
      {kWindowEdgeActive | kWindowEdgeLighten, BlendColor(plain(active), highlight, 2, 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    TRecordingCanvas canvas;
    TSkinEdgeParams rec;
    rec.Rect = {0, 0, 10, 10};
    rec.Color = kRed;
    rec.Width = 2;
    rec.State = c.state;
    TSkinDefaultPainter::DrawWindowEdges(canvas, rec);
    const std::string color = TRecordingCanvas::ColorText(c.color);
    EXPECT_EQ(canvas.Calls(), (Calls{"FrameRect(0,0,10,10 " + color + ")", "FrameRect(1,1,9,9 " + color + ")"}));
  }
}

TEST(DefaultPainterEdges, FrameEdgeOfNoColourDrawsNothing) {
  TRecordingCanvas canvas;
  EXPECT_FALSE(TSkinDefaultPainter::DrawFrameEdge(canvas, {0, 0, 10, 10}, 3, platform::clNone));
  EXPECT_TRUE(canvas.Calls().empty());
  EXPECT_TRUE(TSkinDefaultPainter::DrawFrameEdge(canvas, {0, 0, 10, 10}, 1, kRed));
  EXPECT_EQ(canvas.Calls().size(), 1u);
}

TSkinTextParams TextRecord(const char* text, const platform::TFont& font) {
  TSkinTextParams rec;
  rec.Text = text;
  rec.Rect = {0, 0, 60, 20};
  rec.Font = &font;
  rec.Color = kRed;
  rec.Layout = silCenter;
  rec.GlyphLayout = 1;
  return rec;
}

TEST(DefaultPainterText, EmptyRectangleOrNoTextDrawsNothing) {
  const platform::TFont font;
  for (const TRect& r : {TRect{0, 0, 0, 20}, TRect{0, 0, 60, 0}, TRect{10, 0, 5, 20}}) {
    TRecordingCanvas canvas;
    TSkinTextParams rec = TextRecord("File", font);
    rec.Rect = r;
    TSkinDefaultPainter::DrawBandItemText(canvas, rec);
    TSkinDefaultPainter::DrawToolButtonText(canvas, rec);
    for (const std::string& call : canvas.Calls()) EXPECT_EQ(call.rfind("DrawText", 0), std::string::npos) << call;
  }
  TRecordingCanvas canvas;
  TSkinDefaultPainter::DrawBandItemText(canvas, TextRecord(nullptr, font));
  EXPECT_TRUE(canvas.Calls().empty());
}

// The format text of the last DrawText call.
std::string LastFormat(const TRecordingCanvas& canvas) {
  const std::string& call = canvas.Calls().back();
  return call.substr(call.rfind(' ') + 1);
}

TEST(DefaultPainterText, FormatPerCallerAndRecord) {
  const platform::TFont font;
  const auto format = [](bool mnemonic, platform::TTextAlign align, platform::TTextLayout layout, bool rotate,
                         bool ellipsis) {
    platform::TTextFormat f;
    f.mnemonic = mnemonic;
    f.align = align;
    f.layout = layout;
    f.rotate90 = rotate;
    f.endEllipsis = ellipsis;
    const std::string text = TRecordingCanvas::FormatText(f);
    return text + ")";
  };
  using A = platform::TTextAlign;
  using L = platform::TTextLayout;
  struct Case {
    const char* name;
    bool toolButton;
    std::uint8_t align, layout, glyphLayout, horizontal;
    TRect rect;
    std::string format;
  };
  const Case cases[] = {
      {"band item left centre", false, siaLeft, silCenter, 1, 1, {0, 0, 60, 20}, format(false, A::Left, L::Center, false, true)},
      {"tool button marks mnemonics", true, siaLeft, silCenter, 1, 1, {0, 0, 60, 20}, format(true, A::Left, L::Center, false, true)},
      {"right aligned", false, siaRight, silTop, 1, 1, {0, 0, 60, 20}, format(false, A::Right, L::Top, false, true)},
      {"glyph above or below centres", true, siaRight, silBottom, 0, 1, {0, 0, 60, 20}, format(true, A::Center, L::Bottom, false, true)},
      {"too low to centre sits at the bottom", false, siaLeft, silCenter, 1, 1, {0, 0, 60, 10}, format(false, A::Left, L::Bottom, false, true)},
      {"vertical runs upwards", false, siaRight, silCenter, 1, 0, {0, 0, 20, 60}, format(false, A::Left, L::Center, true, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordingCanvas canvas;
    TSkinTextParams rec = TextRecord("A&b", font);
    rec.Align = c.align;
    rec.Layout = c.layout;
    rec.GlyphLayout = c.glyphLayout;
    rec.Horizontal = c.horizontal;
    rec.Rect = c.rect;
    c.toolButton ? TSkinDefaultPainter::DrawToolButtonText(canvas, rec)
                 : TSkinDefaultPainter::DrawBandItemText(canvas, rec);
    ASSERT_FALSE(canvas.Calls().empty());
    EXPECT_EQ(LastFormat(canvas), c.format);
  }
}

TEST(DefaultPainterText, ShadowsTopRightBottomLeftThenText) {
  const platform::TFont font;
  TRecordingCanvas canvas;
  TSkinTextParams rec = TextRecord("F", font);
  rec.Rect = {10, 10, 40, 30};
  rec.ShadowEdges = kAllEdgeBorders;
  rec.ShadowColor = kBlue;
  rec.ShadowDepth = 2;
  TSkinDefaultPainter::DrawBandItemText(canvas, rec);
  std::vector<std::string> drawn;
  for (const std::string& call : canvas.Calls())
    if (call.rfind("DrawText", 0) == 0) drawn.push_back(call.substr(0, call.find(' ', call.find(' ') + 1)));
  EXPECT_EQ(drawn, (Calls{"DrawText(\"F\" 12,8,42,28", "DrawText(\"F\" 12,12,42,32", "DrawText(\"F\" 8,12,38,32",
                          "DrawText(\"F\" 8,8,38,28", "DrawText(\"F\" 10,10,40,30"}));

  // Depth 0 draws no shadow.
  canvas.ClearCalls();
  rec.ShadowDepth = 0;
  TSkinDefaultPainter::DrawBandItemText(canvas, rec);
  int texts = 0;
  for (const std::string& call : canvas.Calls()) texts += call.rfind("DrawText", 0) == 0;
  EXPECT_EQ(texts, 1);
}

TEST(DefaultPainterProgress, CellsFilledAndRectangleWrittenBack) {
  struct Case {
    const char* name;
    TRect rect;
    bool horizontal, reversed;
    int percent;
    int cells, filled;
    TRect firstCell;
    TRect written;
  };
  // A 40-pixel-high bar: the cell is 40 - 8 = 32, deflated to 10 with margin 15; step 12.
  const Case cases[] = {
      {"one percent over ten cells", {0, 0, 120, 40}, true, false, 1, 10, 1, {0, 15, 10, 25}, {0, 0, 120, 40}},
      {"one percent over four cells", {0, 0, 50, 40}, true, false, 1, 4, 0, {0, 15, 10, 25}, {0, 0, 48, 40}},
      {"half over ten cells", {0, 0, 125, 40}, true, false, 50, 10, 5, {0, 15, 10, 25}, {0, 0, 120, 40}},
      {"full, reversed", {0, 0, 125, 40}, true, true, 100, 10, 10, {7, 15, 17, 25}, {5, 0, 125, 40}},
      {"over a hundred fills every cell", {0, 0, 50, 40}, true, false, 250, 4, 4, {0, 15, 10, 25}, {0, 0, 48, 40}},
      {"vertical from the bottom", {0, 0, 40, 50}, false, false, 50, 4, 2, {15, 40, 25, 50}, {0, 2, 40, 50}},
      {"vertical reversed ends at the top", {0, 0, 40, 50}, false, true, 100, 4, 4, {15, 36, 25, 46}, {0, 0, 40, 48}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordingCanvas canvas;
    TSkinProgressParams rec;
    rec.Rect = c.rect;
    rec.Horizontal = c.horizontal;
    rec.Reversed = c.reversed;
    rec.Percent = c.percent;
    rec.Color = kRed;
    rec.BackColor = 0xFFFFFF;
    TSkinDefaultPainter::DrawBandItemProgress(canvas, rec);
    ASSERT_EQ(canvas.Calls().size(), static_cast<std::size_t>(c.cells));
    const TColor dim = BlendColor(kRed, 0xFFFFFF, 5, 7);
    EXPECT_EQ(canvas.Calls().front(), Fill(c.firstCell, c.filled > 0 ? kRed : dim));
    for (int i = 0; i < c.cells; ++i) {
      const std::string& call = canvas.Calls()[static_cast<std::size_t>(i)];
      EXPECT_NE(call.find(TRecordingCanvas::ColorText(i < c.filled ? kRed : dim)), std::string::npos) << call;
    }
    EXPECT_EQ(rec.Rect, c.written);
  }
}

TEST(DefaultPainterWindowButton, MaskedOrPlainImage) {
  platform::TCustomImageList images;
  struct Case {
    std::uint32_t state;
    std::string call;
  };
  const Case cases[] = {
      {0, "DrawImage(3 5,6)"},
      {kButtonHot, "DrawImage(3 5,6)"},
      {kButtonMasked, "DrawImageMasked(3 5,6 " + TRecordingCanvas::ColorText(kBlue) + ")"},
  };
  for (const Case& c : cases) {
    TRecordingCanvas canvas;
    TSkinWindowButtonParams rec;
    rec.X = 5;
    rec.Y = 6;
    rec.State = c.state;
    rec.Images = &images;
    rec.ImageIndex = 3;
    rec.GlyphColor = kBlue;
    TSkinDefaultPainter::DrawWindowButton(canvas, rec);
    EXPECT_EQ(canvas.Calls(), Calls{c.call});
  }
  TRecordingCanvas canvas;
  TSkinDefaultPainter::DrawWindowButton(canvas, TSkinWindowButtonParams{});
  EXPECT_TRUE(canvas.Calls().empty());
}

// A list of 8x6 images, so a swapped width and height shows.
std::unique_ptr<platform::TCustomImageList> Images8x6() {
  auto images = std::make_unique<platform::TCustomImageList>();
  images->SetWidth(8);
  images->SetHeight(6);
  images->Add(platform::TArgbImage(8, 6, 0xFF000000));
  return images;
}

TEST(DefaultPainterToolButton, GlyphPlacementPerLayoutAndOrientation) {
  const auto images = Images8x6();
  struct Case {
    std::uint8_t layout;
    bool vertical;
    std::string call;
  };
  const Case cases[] = {
      {0, false, "DrawImage(0 26,30)"}, {1, false, "DrawImage(0 0,17)"}, {2, false, "DrawImage(0 26,4)"},
      {0, true, "DrawImage(0 28,27)"},  {1, true, "DrawImage(0 16,54)"}, {2, true, "DrawImage(0 4,27)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    TRecordingCanvas canvas;
    TSkinToolButtonParams rec;
    rec.Rect = c.vertical ? TRect{0, 0, 40, 60} : TRect{0, 0, 60, 40};
    rec.Flags = c.vertical ? kButtonVertical : 0;
    rec.Images = images.get();
    rec.ImageIndex = 0;
    rec.GlyphLayout = c.layout;
    TSkinDefaultPainter::DrawToolButton(canvas, rec);
    EXPECT_EQ(canvas.Calls(), Calls{c.call});
  }
}

TEST(DefaultPainterToolButton, DisabledOrMaskedGlyphInGlyphColour) {
  const auto images = Images8x6();
  for (std::uint8_t state : {kButtonDisabled, kButtonMasked}) {
    TRecordingCanvas canvas;
    TSkinToolButtonParams rec;
    rec.Rect = {0, 0, 60, 40};
    rec.State = state;
    rec.Images = images.get();
    rec.ImageIndex = 0;
    rec.GlyphLayout = 1;
    rec.GlyphColor = kBlue;
    TSkinDefaultPainter::DrawToolButton(canvas, rec);
    EXPECT_EQ(canvas.Calls(), Calls{"DrawImageMasked(0 0,17 " + TRecordingCanvas::ColorText(kBlue) + ")"});
  }
}

TEST(DefaultPainterToolButton, DropDownArrowPoints) {
  const std::string glyph = TRecordingCanvas::ColorText(kRed);
  struct Case {
    bool vertical;
    TRect rect;
    std::string call;
  };
  const Case cases[] = {
      {false, {0, 0, 40, 20}, "FillPolygon(31,8 35,12 39,8 " + glyph + ")"},
      {true, {0, 0, 20, 40}, "FillPolygon(8,28 12,32 8,36 " + glyph + ")"},
  };
  for (const Case& c : cases) {
    TRecordingCanvas canvas;
    TSkinToolButtonParams rec;
    rec.Rect = c.rect;
    rec.Flags = c.vertical ? kButtonVertical : 0;
    rec.Style = tbsDropDown;
    rec.DropDownSize = 12;
    rec.GlyphColor = kRed;
    TSkinDefaultPainter::DrawToolButton(canvas, rec);
    EXPECT_EQ(canvas.Calls(), Calls{c.call});
  }
}

TEST(DefaultPainterToolButton, DownTabTakesTabColour) {
  struct Case {
    std::uint8_t style, state;
    TColor tab;
    std::string fill;
  };
  const Case cases[] = {
      {tbsTab, kButtonOpaque | kButtonDown, kBlue, Fill({-1, -1, 41, 21}, kBlue)},
      {tbsTab, kButtonOpaque | kButtonDown, platform::clNone, Fill({-1, -1, 41, 21}, kRed)},
      {tbsTab, kButtonOpaque | kButtonHot, kBlue, Fill({0, -1, 40, 21}, kRed)},
      {tbsTab, kButtonOpaque, kBlue, Fill({0, 0, 40, 19}, kRed)},
      {tbsButton, kButtonOpaque | kButtonDown, kBlue, Fill({0, 0, 40, 20}, kRed)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fill);
    TRecordingCanvas canvas;
    TSkinToolButtonParams rec;
    rec.Rect = {0, 0, 40, 20};
    rec.State = c.state;
    rec.Style = c.style;
    rec.Color = kRed;
    rec.TabColor = c.tab;
    TSkinDefaultPainter::DrawToolButton(canvas, rec);
    std::vector<std::string> fills;
    for (const std::string& call : canvas.Calls())
      if (call.rfind("FillRect", 0) == 0) fills.push_back(call);
    EXPECT_EQ(fills, Calls{c.fill});
  }
}

TEST(DefaultPainterToolButton, EdgesAreAtMostFourPixels) {
  TRecordingCanvas canvas;
  TSkinEdgeParams rec;
  rec.Rect = {0, 0, 20, 20};
  rec.Color = kBlue;
  rec.Width = 7;
  rec.Edges = EdgeBit(sebTop) | EdgeBit(sebLeft);
  TSkinDefaultPainter::DrawToolButtonEdges(canvas, rec);
  EXPECT_EQ(canvas.Calls(), (Calls{"Save()", Fill({0, 0, 20, 4}, kBlue), Fill({0, 0, 4, 20}, kBlue), "Restore()"}));

  canvas.ClearCalls();
  rec.Width = 0;
  TSkinDefaultPainter::DrawToolButtonEdges(canvas, rec);
  EXPECT_TRUE(canvas.Calls().empty());
}

TEST(DefaultPainterToolButton, TabEdgesDrawTheSlantAfterTheClipIsLifted) {
  TRecordingCanvas canvas;
  TSkinEdgeParams rec;
  rec.Rect = {0, 0, 40, 21};
  rec.Color = kBlue;
  rec.Width = 1;
  rec.Style = tbsTab;
  rec.Edges = EdgeBit(sebTop);
  TSkinDefaultPainter::DrawToolButtonEdges(canvas, rec);
  const Calls& calls = canvas.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "Restore()");
  EXPECT_EQ(calls.back(), "Line(32,0 40,8 1 " + TRecordingCanvas::ColorText(kBlue) + ")");
}

TEST(DefaultPainterGlyph, ThemedOrThreeColourLayers) {
  platform::TCustomImageList images;
  images.SetWidth(16);
  images.SetHeight(16);
  for (int i = 0; i < 9; ++i) images.Add(platform::TArgbImage(16, 16, 0xFF000000));
  const auto sys = [](int index) { return platform::SystemColor(index); };
  const auto plain = [](int index) { return platform::CurrentDesktopService().SystemColor(index); };
  const auto masked = [](int index, TColor color) {
    return "DrawImageMasked(" + std::to_string(index) + " 2,2 " + TRecordingCanvas::ColorText(color) + ")";
  };
  const TColor hotGround = BlendColor(plain(platform::COLOR_WINDOW),
                                      BlendColor(plain(platform::COLOR_HIGHLIGHT), plain(platform::COLOR_BTNHIGHLIGHT), 2, 5), 2, 5);
  struct Case {
    const char* name;
    bool themeAvailable;
    std::uint8_t themed, state, check;
    TSkinGlyphKind kind;
    TColor color;
    Calls calls;
  };
  const Case cases[] = {
      {"themed check box", true, 1, kButtonHot, 2, TSkinGlyphKind::CheckBox, platform::clDefault,
       {"DrawThemedGlyph(check hot,check=2 2,2,19,19)"}},
      {"themed expander", true, 1, 0, 2, TSkinGlyphKind::ExpandBox, platform::clDefault,
       {"DrawThemedGlyph(expander check=2 2,2,19,19)"}},
      {"no theme: default colours with ground", false, 1, 0, 2, TSkinGlyphKind::CheckBox, kRed,
       {"DrawThemedGlyph(check check=2 2,2,19,19)", masked(0, sys(platform::COLOR_BTNTEXT)),
        masked(1, sys(platform::COLOR_WINDOW)), masked(2, sys(platform::COLOR_BTNTEXT))}},
      {"disabled mixed option has no ground", false, 0, kButtonDisabled, 1, TSkinGlyphKind::Option, kRed,
       {masked(3, sys(platform::COLOR_BTNSHADOW)), masked(5, sys(platform::COLOR_BTNSHADOW))}},
      {"unchecked option draws no mark", false, 0, kButtonOpaque, 0, TSkinGlyphKind::Option, kRed,
       {masked(3, kRed), masked(4, sys(platform::COLOR_WINDOW))}},
      {"pressed, selected, mixed check box", false, 0, kButtonOpaque | kButtonPressed | kButtonSelected, 1,
       TSkinGlyphKind::CheckBox, platform::clDefault,
       {masked(0, sys(platform::COLOR_HIGHLIGHT)), masked(1, sys(platform::COLOR_BTNFACE)),
        masked(2, sys(platform::COLOR_BTNSHADOW))}},
      {"hot ground is lightened", false, 0, kButtonOpaque | kButtonHot, 2, TSkinGlyphKind::Option, kRed,
       {masked(3, kRed), masked(4, hotGround), masked(5, kRed)}},
      {"expanded box shows the minus", false, 0, kButtonOpaque, 2, TSkinGlyphKind::ExpandBox, kRed,
       {masked(6, sys(platform::COLOR_BTNSHADOW)), masked(8, kRed)}},
      {"collapsed box shows the plus", false, 0, kButtonDisabled, 0, TSkinGlyphKind::ExpandBox, kRed,
       {masked(6, sys(platform::COLOR_BTNSHADOW)), masked(7, sys(platform::COLOR_BTNSHADOW))}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordingCanvas canvas;
    canvas.SetThemedGlyphs(c.themeAvailable);
    TSkinGlyphParams rec;
    rec.Rect = {0, 0, 20, 20};
    rec.Themed = c.themed;
    rec.State = c.state;
    rec.Check = c.check;
    rec.Kind = c.kind;
    rec.Color = c.color;
    TSkinDefaultPainter::DrawSkinGlyph(canvas, rec, images);
    EXPECT_EQ(canvas.Calls(), c.calls);
  }
}

}  // namespace
}  // namespace halbrin::skins
