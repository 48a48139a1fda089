#include "skins/core/skin_buttons.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "button_fixtures.h"
#include "platform/classes/class_info.h"
#include "platform/graphics/recording_canvas.h"

namespace halbrin::skins {
namespace {

using namespace button_test;
using platform::TRecordingCanvas;

// The base collection sitting in the fake skin's band, with its own 16x16 images.
class TestButtons final : public TZebrinSkinCustomButtons {
 public:
  explicit TestButtons(FakeSkin& skin, int images = 4) : TZebrinSkinCustomButtons(&skin, &skin), band(&skin.Band()) {
    FillImages(list, images);
    SetImageList(&list);
  }
  TZebrinSkinBand* Band() const override { return band; }
  TZebrinSkinCustomButton& AddShowing(int imageIndex = 0) {
    TZebrinSkinCustomButton& button = Add();
    button.SetImageIndex(imageIndex);
    return button;
  }
  TZebrinSkinBand* band;
  TCustomImageList list;
};

// Event targets that write into a log.
class EventLog final : public TObject {
 public:
  explicit EventLog(std::vector<std::string>& log) : log(log) {}
  void Clicked(TObject* sender) { log.push_back("click " + FakeSkin::Describe(*sender)); }
  void DblClicked(TObject* sender) { log.push_back("dblclick " + FakeSkin::Describe(*sender)); }
  void Updated(TObject* sender, TZebrinSkinButtonUpdate kind) {
    log.push_back("update " + FakeSkin::Describe(*sender) + " " + std::to_string(kind));
  }
  void IndexSet(TObject* sender) { log.push_back("setindex " + FakeSkin::Describe(*sender)); }
  void AddedButton(TObject* sender) { log.push_back("onaddbutton " + FakeSkin::Describe(*sender)); }
  void Down(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    log.push_back("down " + FakeSkin::Describe(*sender) + " b" + std::to_string(static_cast<int>(button)) + " s" +
                  std::to_string(shift) + " " + std::to_string(x) + "," + std::to_string(y));
  }
  void Moved(TObject* sender, TShiftState shift, int x, int y) {
    log.push_back("move " + FakeSkin::Describe(*sender) + " s" + std::to_string(shift) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  }
  std::vector<std::string>& log;
};

std::string Rect(const TRect& r) { return TRecordingCanvas::RectText(r); }

std::vector<std::string> Rects(const TZebrinSkinCustomButtons& buttons) {
  std::vector<std::string> rects;
  for (int i = 0; i < buttons.Count(); ++i) rects.push_back(Rect(buttons.Items(i)->BoundsRect()));
  return rects;
}

TEST(SkinButtonTest, NewButtonDefaultsAndStateBits) {
  FakeSkin skin;
  TestButtons buttons(skin);
  const TZebrinSkinCustomButton& b = buttons.Add();
  EXPECT_EQ(b.State(), StateBit(sbsCreated));
  EXPECT_TRUE(b.Enabled() && b.Visible() && b.Transparent() && b.TransparentHot() && b.TransparentDown());
  EXPECT_FALSE(b.Masked());
  EXPECT_EQ(b.Cursor(), -21);
  EXPECT_EQ(b.Indent(), 1);
  EXPECT_EQ(b.ImageIndex(), -1);
  EXPECT_EQ(b.Row(), -1);
  EXPECT_EQ(b.Roundness(), sirNone);
  EXPECT_TRUE(b.Themed() && b.AutoEdgeBorders() && b.CaptureMouse() && b.ShowImage() && b.ShowText());
  EXPECT_EQ(b.MaskColor(), platform::clNone);
  EXPECT_TRUE(b.Metrics()->Default());
  EXPECT_EQ(b.Metrics()->Owner(), &b);
}

TEST(SkinButtonTest, StateChangesNotifyLayoutForBitsElevenToThirteenAndRepaintOtherwise) {
  struct Case {
    const char* what;
    std::function<void(TZebrinSkinCustomButton&)> change;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> repaint{"repaint", "update 0 2"};
  const std::vector<std::string> relayout{"refresh", "update 0 2"};
  const Case cases[] = {
      {"Enabled", [](auto& b) { b.SetEnabled(false); }, repaint},
      {"Transparent", [](auto& b) { b.SetTransparent(false); }, repaint},
      {"TransparentHot", [](auto& b) { b.SetTransparentHot(false); }, repaint},
      {"TransparentDown", [](auto& b) { b.SetTransparentDown(false); }, repaint},
      {"Masked", [](auto& b) { b.SetMasked(true); }, repaint},
      {"Down", [](auto& b) { b.SetDown(true); }, repaint},
      {"hot", [](auto& b) { b.SetStateBit(sbsHot, true); }, repaint},
      {"Visible", [](auto& b) { b.SetVisible(false); }, relayout},
      {"overflow", [](auto& b) { b.SetStateBit(sbsOverflow, true); }, relayout},
      {"bit 13", [](auto& b) { b.SetStateBit(sbsCreated, false); }, relayout},
      {"no change", [](auto& b) { b.SetEnabled(true); }, {}},
      {"Indent", [](auto& b) { b.SetIndent(4); }, {"refresh"}},
      {"Margin", [](auto& b) { b.SetMargin(2); }, {"refresh"}},
      {"Roundness", [](auto& b) { b.SetRoundness(sirEvident); }, {"refresh"}},
      {"Invalidate", [](auto& b) { b.Invalidate(); }, {"refresh"}},
      {"ImageIndex", [](auto& b) { b.SetImageIndex(2); }, {"repaint"}},
      {"EdgeBorders", [](auto& b) { b.SetEdgeBorders(EdgeBit(sebTop)); }, {"repaint"}},
      {"Themed", [](auto& b) { b.SetThemed(false); }, {"repaint"}},
      {"Metrics colour", [](auto& b) { b.Metrics()->SetColor(0x123456); }, {"repaint"}},
      {"Metrics size", [](auto& b) { b.Metrics()->SetSize(20); }, {"refresh"}},
  };
  for (const Case& c : cases) {
    FakeSkin skin;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.Add();
    EventLog events(skin.log);
    b.OnUpdate().Bind(events, &EventLog::Updated);
    skin.log.clear();
    c.change(b);
    EXPECT_EQ(skin.log, c.expected) << c.what;
  }
}

TEST(SkinButtonTest, ChangesWhileDesigningRefreshTheFrame) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.Add();
  skin.designing = true;
  skin.log.clear();
  b.SetEnabled(false);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh"}));
}

TEST(SkinButtonTest, SizeArithmetic) {
  FakeSkin skin;
  TestButtons buttons(skin, 0);
  buttons.list.SetWidth(20);
  buttons.list.SetHeight(12);
  buttons.list.Add(platform::TArgbImage(20, 12));
  buttons.SetBorderWidth(3);
  TZebrinSkinCustomButton& b = buttons.AddShowing(0);
  b.SetMargin(2);

  EXPECT_TRUE(b.HasImageIndex());
  EXPECT_EQ(b.GetNaturalSize(), 24);  // 20 along + 2 x 2
  EXPECT_EQ(buttons.ButtonMinSizeRead(), 20);
  EXPECT_EQ(buttons.ButtonHeight(), 18);  // 12 across + 2 x 3
  EXPECT_EQ(b.GetThickness(), 12);
  EXPECT_EQ(buttons.TotalThickness(), 18);

  buttons.SetButtonMinSize(30);
  EXPECT_EQ(b.GetClampedSize(), 30);
  buttons.SetButtonMaxSize(22);
  EXPECT_EQ(b.GetClampedSize(), 22) << "raised to the minimum, then cut to the maximum";
  buttons.SetButtonMinSize(-1);
  buttons.SetButtonMaxSize(-1);

  buttons.SetHeight(25);
  EXPECT_EQ(buttons.ButtonHeight(), 25);
  EXPECT_EQ(b.GetThickness(), 19);
  buttons.SetHeight(-7);
  EXPECT_EQ(buttons.Height(), -1);
  EXPECT_EQ(buttons.ButtonHeight(), 18) << "the height follows the image list again";

  b.SetImageIndex(1);
  EXPECT_FALSE(b.HasImageIndex()) << "index beyond the list";
  EXPECT_EQ(b.GetNaturalSize(), 4);
  b.SetImageIndex(0);
  b.SetShowImage(false);
  EXPECT_EQ(b.GetNaturalSize(), 4);
  b.SetShowImage(true);

  skin.bands.horizontal = false;
  buttons.RefreshOrientation();
  EXPECT_EQ(b.GetNaturalSize(), 16) << "12 along a vertical band";
  EXPECT_EQ(buttons.ButtonHeight(), 26);

  buttons.SetImageList(nullptr);
  EXPECT_EQ(buttons.ButtonMinSizeRead(), 0);
  EXPECT_EQ(buttons.ButtonHeight(), 6);

  buttons.SetButtonMinSize(-5);
  buttons.SetButtonMaxSize(-9);
  buttons.SetGripSize(-2);
  buttons.SetBorderWidth(-3);
  buttons.SetMaxRows(-4);
  EXPECT_EQ(buttons.ButtonMinSize(), -1);
  EXPECT_EQ(buttons.ButtonMaxSize(), -1);
  EXPECT_EQ(buttons.GripSize(), -1);
  EXPECT_EQ(buttons.BorderWidth(), 0);
  EXPECT_EQ(buttons.MaxRows(), -4);
}

TEST(SkinButtonTest, TotalThicknessCountsRowsAndBordersAroundThem) {
  FakeSkin skin;
  TestButtons buttons(skin);
  buttons.SetWrapable(true);
  buttons.SetBorderWidth(2);
  for (int i = 0; i < 3; ++i) buttons.AddShowing();
  buttons.LayoutButtons({0, 0, 40, 60});
  ASSERT_EQ(buttons.Rows(), 2);
  EXPECT_EQ(buttons.TotalThickness(), 16 * 2 + 3 * 2);
  // The second row ends one border width short of that thickness.
  EXPECT_EQ(buttons.Items(2)->BoundsRect().Bottom + 2, buttons.TotalThickness());
}

// Three buttons with 16x16 images, Indent 1 each, in the band's rectangle.
struct LayoutCase {
  const char* what;
  TRect bounds;
  std::function<void(TestButtons&)> setup;
  std::vector<std::string> rects;
  int rows;
  int overflow;
  bool horizontal = true;
};

TEST(SkinButtonsLayoutTest, Table) {
  const LayoutCase cases[] = {
      {"one row from the left", {0, 0, 100, 20}, [](TestButtons&) {},
       {"1,2,17,18", "18,2,34,18", "35,2,51,18"}, 1, 0},
      {"siaRight from the right", {0, 0, 100, 20}, [](TestButtons& b) { b.SetAlign(siaRight); },
       {"83,2,99,18", "66,2,82,18", "49,2,65,18"}, 1, 0},
      {"collection indent", {0, 0, 100, 20}, [](TestButtons& b) { b.SetIndent(10); },
       {"11,2,27,18", "28,2,44,18", "45,2,61,18"}, 1, 0},
      {"silTop and silBottom with a border", {0, 0, 100, 30},
       [](TestButtons& b) {
         b.SetBorderWidth(2);
         b.SetLayout(silBottom);
       },
       {"1,12,17,28", "18,12,34,28", "35,12,51,28"}, 1, 0},
      {"Width at the right keeps its end", {0, 0, 100, 20},
       [](TestButtons& b) {
         b.SetWidth(40);
         b.SetAlign(siaRight);
       },
       {"83,2,99,18", "66,2,82,18", "0,0,0,0"}, 1, 1},
      {"Width at the left", {0, 0, 100, 20}, [](TestButtons& b) { b.SetWidth(40); },
       {"1,2,17,18", "18,2,34,18", "0,0,0,0"}, 1, 1},
      {"one too-wide button hides all", {0, 0, 16, 20},
       [](TestButtons& b) { b.Items(1)->SetIndent(0); },
       {"0,0,0,0", "0,0,0,0", "0,0,0,0"}, 1, 3},
      {"wrapping rows", {0, 0, 40, 40}, [](TestButtons& b) { b.SetWrapable(true); },
       {"1,0,17,16", "18,0,34,16", "1,16,17,32"}, 2, 0},
      {"wrapping rows with a border", {0, 0, 40, 60},
       [](TestButtons& b) {
         b.SetWrapable(true);
         b.SetBorderWidth(2);
       },
       {"1,2,17,18", "18,2,34,18", "1,20,17,36"}, 2, 0},
      {"BreakLine starts a row", {0, 0, 100, 40},
       [](TestButtons& b) {
         b.SetWrapable(true);
         b.Items(1)->SetBreakLine(true);
       },
       {"1,0,17,16", "1,16,17,32", "18,16,34,32"}, 2, 0},
      {"BreakLine on the first button is ignored", {0, 0, 100, 40},
       [](TestButtons& b) {
         b.SetWrapable(true);
         b.Items(0)->SetBreakLine(true);
       },
       {"1,0,17,16", "18,0,34,16", "35,0,51,16"}, 1, 0},
      {"BreakLine without wrapping hides the rest", {0, 0, 100, 20},
       [](TestButtons& b) { b.Items(1)->SetBreakLine(true); },
       {"1,2,17,18", "0,0,0,0", "0,0,0,0"}, 1, 2},
      {"MaxRows stops wrapping", {0, 0, 20, 60},
       [](TestButtons& b) {
         b.SetWrapable(true);
         b.SetMaxRows(2);
       },
       {"1,0,17,16", "1,16,17,32", "0,0,0,0"}, 2, 1},
      {"MaxRows 1 never wraps", {0, 0, 40, 60},
       [](TestButtons& b) {
         b.SetWrapable(true);
         b.SetMaxRows(1);
       },
       {"1,22,17,38", "18,22,34,38", "0,0,0,0"}, 1, 1},
      {"without HideItems buttons go past the band", {0, 0, 30, 20}, [](TestButtons& b) { b.SetHideItems(false); },
       {"1,2,17,18", "18,2,34,18", "35,2,51,18"}, 1, 0},
      {"a grip at the align side", {0, 0, 100, 20},
       [](TestButtons& b) {
         b.SetShowGrip(true);
         b.SetGripSize(6);
       },
       {"7,2,23,18", "24,2,40,18", "41,2,57,18"}, 1, 0},
      {"a hidden button takes no place", {0, 0, 100, 20}, [](TestButtons& b) { b.Items(1)->SetVisible(false); },
       {"1,2,17,18", "0,0,0,0", "18,2,34,18"}, 1, 0},
      {"vertical band from the bottom", {0, 0, 20, 100}, [](TestButtons&) {},
       {"2,83,18,99", "2,66,18,82", "2,49,18,65"}, 1, 0, false},
      {"vertical band, siaRight from the top", {0, 0, 20, 100}, [](TestButtons& b) { b.SetAlign(siaRight); },
       {"2,1,18,17", "2,18,18,34", "2,35,18,51"}, 1, 0, false},
  };
  for (const LayoutCase& c : cases) {
    FakeSkin skin(nullptr, c.horizontal);
    TestButtons buttons(skin);
    for (int i = 0; i < 3; ++i) buttons.AddShowing();
    c.setup(buttons);
    buttons.LayoutButtons(c.bounds);
    EXPECT_EQ(Rects(buttons), c.rects) << c.what;
    EXPECT_EQ(buttons.Rows(), c.rows) << c.what;
    EXPECT_EQ(buttons.OverflowCount(), c.overflow) << c.what;
    int overflowBits = 0;
    for (int i = 0; i < buttons.Count(); ++i) overflowBits += buttons.Items(i)->Overflowed() ? 1 : 0;
    EXPECT_EQ(overflowBits, c.overflow) << c.what;
  }
}

TEST(SkinButtonsLayoutTest, AreaIsTheUnionOfPlacedButtonsAndGrip) {
  FakeSkin skin;
  TestButtons buttons(skin);
  for (int i = 0; i < 3; ++i) buttons.AddShowing();
  EXPECT_EQ(Rect(buttons.LayoutButtons({0, 0, 100, 20})), "1,2,51,18");
  EXPECT_EQ(buttons.Rect(), buttons.BoundsRect());

  buttons.SetShowGrip(true);
  buttons.SetGripSize(6);
  EXPECT_EQ(Rect(buttons.LayoutButtons({0, 0, 100, 20})), "0,0,57,20");
  EXPECT_EQ(Rect(buttons.GripRect()), "0,0,6,20");

  // Hiding everything leaves only the grip.
  EXPECT_EQ(Rect(buttons.LayoutButtons({0, 0, 20, 20})), "0,0,6,20");
  EXPECT_EQ(buttons.OverflowCount(), 3);
}

TEST(SkinButtonsLayoutTest, OverflowIsRewrittenAtEveryLayoutAndSilent) {
  FakeSkin skin;
  TestButtons buttons(skin);
  for (int i = 0; i < 3; ++i) buttons.AddShowing();
  EventLog events(skin.log);
  buttons.Items(2)->OnUpdate().Bind(events, &EventLog::Updated);
  skin.log.clear();
  buttons.LayoutButtons({0, 0, 40, 20});
  EXPECT_TRUE(buttons.Items(2)->Overflowed());
  buttons.LayoutButtons({0, 0, 100, 20});
  EXPECT_FALSE(buttons.Items(2)->Overflowed());
  EXPECT_TRUE(skin.log.empty()) << "layout results notify nobody";
}

TEST(SkinButtonsLayoutTest, InvisibleOrUpdatingCollections) {
  FakeSkin skin;
  TestButtons buttons(skin);
  buttons.AddShowing();
  const TRect first = buttons.LayoutButtons({0, 0, 100, 20});
  buttons.BeginUpdate();
  EXPECT_EQ(buttons.LayoutButtons({0, 0, 300, 20}), first) << "the previous area while updating";
  buttons.EndUpdate();
  buttons.SetVisible(false);
  EXPECT_TRUE(buttons.LayoutButtons({0, 0, 100, 20}).IsEmpty());
}

TEST(SkinButtonsPaintTest, DownShiftMovesPressedButtonsOnePixel) {
  struct Case {
    const char* what;
    bool horizontal;
    bool downShift;
    bool pressed;
    bool down;
    std::string fill;
  };
  const Case cases[] = {
      {"pressed", true, true, true, false, "fill 2,3,18,19"},
      {"latched", true, true, false, true, "fill 2,3,18,19"},
      {"pressed and latched", true, true, true, true, "fill 2,2,18,18"},
      {"DownShift off", true, false, true, false, "fill 2,2,18,18"},
      {"vertical band moves right", false, true, true, false, "fill 3,2,19,18"},
  };
  for (const Case& c : cases) {
    FakeSkin skin(nullptr, c.horizontal);
    RecordingButtonPainter painter;
    skin.painter = &painter;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.AddShowing();
    b.SetTransparent(false);
    buttons.SetDownShift(c.downShift);
    buttons.LayoutButtons({0, 0, 20, 20});
    // Paint straight into the button's own rectangle.
    b.SetStateBit(sbsPressed, c.pressed);
    b.SetDown(c.down);
    TRecordingCanvas canvas;
    buttons.PaintButton(canvas, 0, {2, 2, 18, 18});
    ASSERT_FALSE(painter.log.empty()) << c.what;
    EXPECT_EQ(painter.log.front(), c.fill) << c.what;
  }
}

TEST(SkinButtonsPaintTest, ButtonsPaintRelativeToTheBandArea) {
  FakeSkin skin;
  RecordingButtonPainter painter;
  skin.painter = &painter;
  skin.bands.SetBoundsRect({10, 5, 210, 25});
  TestButtons buttons(skin);
  buttons.AddShowing().SetTransparent(false);
  buttons.AddShowing().SetVisible(false);
  buttons.LayoutButtons({10, 5, 210, 25});
  TRecordingCanvas canvas;
  buttons.Paint(canvas);
  EXPECT_EQ(painter.log, (std::vector<std::string>{"fill 1,2,17,18"}));
}

TEST(SkinButtonsPaintTest, FillDecision) {
  struct Case {
    const char* what;
    bool transparent, transparentHot, transparentDown, hot, down;
    bool filled;
  };
  const Case cases[] = {
      {"opaque", false, true, true, false, false, true},
      {"transparent", true, true, true, false, false, false},
      {"transparent, hot", true, true, true, true, false, false},
      {"transparent, hot, not TransparentHot", true, false, true, true, false, true},
      {"transparent, not TransparentHot, not hot", true, false, true, false, false, false},
      {"transparent and down with TransparentDown", true, true, true, false, true, false},
      {"transparent, down, not TransparentDown", true, true, false, false, true, true},
      {"transparent, hot, not TransparentDown", true, true, false, true, false, false},
  };
  for (const Case& c : cases) {
    FakeSkin skin;
    RecordingButtonPainter painter;
    skin.painter = &painter;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.AddShowing();
    b.SetTransparent(c.transparent);
    b.SetTransparentHot(c.transparentHot);
    b.SetTransparentDown(c.transparentDown);
    b.SetStateBit(sbsHot, c.hot);
    b.SetDown(c.down);
    EXPECT_EQ(buttons.NeedsFill(b), c.filled) << c.what;
    TRecordingCanvas canvas;
    buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
    EXPECT_EQ(painter.fills.size(), c.filled ? 1u : 0u) << c.what;
  }
}

TEST(SkinButtonsPaintTest, FillRecordAndThemedChoice) {
  FakeSkin skin;
  skin.active = false;
  RecordingButtonPainter painter;
  skin.painter = &painter;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing();
  b.SetTransparent(false);
  b.SetRoundness(sirMedium);
  b.Metrics()->SetInactiveColor(0x0000FF);
  TRecordingCanvas canvas;
  buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
  ASSERT_EQ(painter.fills.size(), 1u);
  const TSkinFillParams& fill = painter.fills[0];
  EXPECT_EQ(fill.Color, 0x0000FFu);
  EXPECT_EQ(fill.Transparent, 1) << "horizontal";
  EXPECT_EQ(fill.Active, 0);
  EXPECT_EQ(fill.State2, 1) << "enabled";
  EXPECT_EQ(fill.Value, sirMedium);
  EXPECT_TRUE(canvas.Calls().empty());

  // Not themed: straight to the default painter, not the theme's.
  b.SetThemed(false);
  buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
  EXPECT_EQ(painter.fills.size(), 1u);
  EXPECT_EQ(canvas.Calls(), (std::vector<std::string>{"FillRect(0,0,16,16 #000000FF)"}));
}

TEST(SkinButtonsPaintTest, EffectiveEdgesAndEdgeRecord) {
  struct Case {
    const char* what;
    bool horizontal;
    bool autoEdges;
    TZebrinSkinEdgeBorders edges;
    TZebrinSkinEdgeBorders expected;
  };
  const TZebrinSkinEdgeBorders topRight = EdgeBit(sebTop) | EdgeBit(sebRight);
  const Case cases[] = {
      {"horizontal keeps them", true, true, topRight, topRight},
      {"vertical turns them", false, true, topRight, EdgeBit(sebLeft) | EdgeBit(sebTop)},
      {"vertical without AutoEdgeBorders", false, false, topRight, topRight},
      {"no edges", false, true, 0, 0},
  };
  for (const Case& c : cases) {
    FakeSkin skin(nullptr, c.horizontal);
    RecordingButtonPainter painter;
    skin.painter = &painter;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.AddShowing();
    b.SetAutoEdgeBorders(c.autoEdges);
    b.SetEdgeBorders(c.edges);
    b.Metrics()->SetEdgeWidth(2);
    buttons.RefreshOrientation();
    EXPECT_EQ(buttons.EffectiveEdgeBorders(b), c.expected) << c.what;
    TRecordingCanvas canvas;
    buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
    ASSERT_EQ(painter.edges.size(), c.expected ? 1u : 0u) << c.what;
    if (c.expected) {
      EXPECT_EQ(painter.edges[0].Edges, c.expected) << c.what;
      EXPECT_EQ(painter.edges[0].Width, 2) << c.what;
      EXPECT_EQ(painter.edges[0].ButtonFlags, c.horizontal ? 0 : kButtonVertical) << c.what;
    }
  }
  // No edge width, no edges.
  FakeSkin skin;
  RecordingButtonPainter painter;
  skin.painter = &painter;
  TestButtons buttons(skin);
  buttons.AddShowing().SetEdgeBorders(kAllEdgeBorders);
  TRecordingCanvas canvas;
  buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
  EXPECT_TRUE(painter.edges.empty());
}

TEST(SkinButtonsPaintTest, DesignFrameWhileDesigning) {
  FakeSkin skin;
  skin.designing = true;
  TestButtons buttons(skin);
  buttons.AddShowing();
  TRecordingCanvas canvas;
  buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
  ASSERT_FALSE(canvas.Calls().empty());
  EXPECT_EQ(canvas.Calls().front().rfind("FillRect(0,0,1,1 ", 0), 0u) << "a dotted frame: " << canvas.Calls().front();
  skin.designing = false;
  canvas.ClearCalls();
  buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
  EXPECT_TRUE(canvas.Calls().empty());
}

TEST(SkinButtonsHitTest, FirstVisiblePlacedButtonInIndexOrder) {
  FakeSkin skin;
  TestButtons buttons(skin);
  for (int i = 0; i < 3; ++i) buttons.AddShowing();
  buttons.Items(1)->SetIndent(-8);  // overlaps button 0: 1..17 and 9..25
  buttons.LayoutButtons({0, 0, 100, 20});
  EXPECT_EQ(buttons.IndexAtPos({12, 5}), 0);
  EXPECT_EQ(buttons.IndexAtPos({20, 5}), 1);
  EXPECT_EQ(buttons.ButtonAtPos({30, 5}), buttons.Items(2));
  EXPECT_EQ(buttons.IndexAtPos({80, 5}), -1);
  EXPECT_EQ(buttons.IndexAtPos({12, 0}), -1) << "above the centred buttons";
  buttons.Items(0)->SetVisible(false);
  EXPECT_EQ(buttons.IndexAtPos({12, 5}), 1) << "invisible buttons are skipped";
  buttons.LayoutButtons({0, 0, 20, 20});
  EXPECT_TRUE(buttons.Items(2)->Overflowed());
  EXPECT_EQ(buttons.IndexAtPos({30, 5}), -1);
}

TEST(SkinButtonsMouseTest, PressAndHoverOnlyForCapturingEnabledButtons) {
  struct Case {
    const char* what;
    bool capture, enabled;
    bool set;
  };
  const Case cases[] = {
      {"capturing and enabled", true, true, true},
      {"not capturing", false, true, false},
      {"disabled", true, false, false},
  };
  for (const Case& c : cases) {
    FakeSkin skin;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.AddShowing();
    b.SetCaptureMouse(c.capture);
    b.SetEnabled(c.enabled);
    buttons.Press(0, true);
    buttons.Hover(0, true);
    EXPECT_EQ(b.Pressed(), c.set) << c.what;
    EXPECT_EQ(b.Hot(), c.set) << c.what;
    EXPECT_EQ(buttons.Release(0), c.set) << c.what;
  }
  // Clearing always works: a button disabled while held lets go.
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing();
  buttons.Press(0, true);
  b.SetEnabled(false);
  buttons.Press(0, false);
  EXPECT_FALSE(b.Pressed());
  buttons.Press(7, true);  // out of range: nothing
}

TEST(SkinButtonsMouseTest, EventsCarryTheShiftStateAndLastPosition) {
  FakeSkin skin;
  skin.keyboard = ssShift | ssCtrl | ssDouble;
  skin.mouse = {40, 7};
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing();
  std::vector<std::string> log;
  EventLog events(log);
  b.OnMouseDown().Bind(events, &EventLog::Down);
  b.OnMouseMove().Bind(events, &EventLog::Moved);
  b.OnDblClick().Bind(events, &EventLog::DblClicked);
  b.OnClick().Bind(events, &EventLog::Clicked);
  buttons.MouseDown(0, TMouseButton::mbRight);
  buttons.MouseMove(0, 3, 4);
  buttons.DblClick(0);
  buttons.Click(0);
  EXPECT_EQ(log, (std::vector<std::string>{"down 0 b1 s" + std::to_string(ssShift | ssCtrl | ssRight) + " 40,7",
                                           "move 0 s" + std::to_string(ssShift | ssCtrl) + " 3,4", "dblclick 0",
                                           "click 0"}));
  log.clear();
  b.SetEnabled(false);
  buttons.MouseDown(0, TMouseButton::mbLeft);
  buttons.MouseMove(0, 3, 4);
  buttons.DblClick(0);
  buttons.Click(0);
  EXPECT_TRUE(log.empty()) << "a disabled button takes no events";
}

TEST(SkinButtonsMouseTest, ClickRunsOnClickThenTheInternalHandler) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing();
  EventLog events(skin.log);
  b.OnClick().Bind(events, &EventLog::Clicked);
  b.internalClick = [&](TZebrinSkinCustomButton& sender) { skin.log.push_back("internal " + FakeSkin::Describe(sender)); };
  skin.log.clear();
  buttons.Click(0);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"click 0", "internal 0"}));
}

// A button deleted by its own handler: nothing touches it afterwards.
class Deleter final : public TObject {
 public:
  explicit Deleter(TZebrinSkinCustomButtons& buttons) : buttons(buttons) {}
  void Delete(TObject*) { buttons.Delete(0); }
  TZebrinSkinCustomButtons& buttons;
};

TEST(SkinButtonsMouseTest, ButtonDeletedByItsOwnClickHandler) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing();
  Deleter deleter(buttons);
  b.OnClick().Bind(deleter, &Deleter::Delete);
  bool internal = false;
  b.internalClick = [&](TZebrinSkinCustomButton&) { internal = true; };
  buttons.Click(0);
  EXPECT_EQ(buttons.Count(), 0);
  EXPECT_FALSE(internal);
}

TEST(SkinButtonsMouseTest, SetCursor) {
  struct Case {
    const char* what;
    bool capture, enabled, cursorIsDefault;
    bool set;
  };
  const Case cases[] = {
      {"capturing, enabled, default cursor", true, true, true, true},
      {"another cursor showing", true, true, false, false},
      {"not capturing", false, true, true, false},
      {"disabled", true, false, true, false},
  };
  for (const Case& c : cases) {
    FakeSkin skin;
    skin.cursorIsDefault = c.cursorIsDefault;
    TestButtons buttons(skin);
    TZebrinSkinCustomButton& b = buttons.AddShowing();
    b.SetCaptureMouse(c.capture);
    b.SetEnabled(c.enabled);
    b.SetCursor(-30);
    EXPECT_EQ(buttons.SetCursor(0), c.set) << c.what;
    EXPECT_EQ(skin.cursor, c.set ? -30 : crDefault) << c.what;
  }
}

TEST(SkinButtonsMouseTest, DragToTakesTheIndexOfTheButtonUnderThePoint) {
  FakeSkin skin;
  skin.origin = {100, 50};
  TestButtons buttons(skin);
  for (int i = 0; i < 3; ++i) buttons.AddShowing();
  TZebrinSkinCustomButton* dragged = buttons.Items(0);
  buttons.LayoutButtons({0, 0, 100, 20});
  EventLog events(skin.log);
  dragged->OnSetIndex().Bind(events, &EventLog::IndexSet);
  skin.log.clear();

  buttons.DragTo(0, {100 + 40, 50 + 5});  // over button 2
  EXPECT_EQ(buttons.Items(2), dragged);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh", "setindex 2"}));

  buttons.LayoutButtons({0, 0, 100, 20});  // what the skin's refresh does
  skin.log.clear();
  buttons.DragTo(2, {100 + 40, 50 + 5});  // over itself
  buttons.DragTo(2, {100 + 90, 50 + 5});  // over nothing
  EXPECT_TRUE(skin.log.empty());

  skin.designing = true;
  buttons.DragTo(2, {100 + 5, 50 + 5});
  EXPECT_EQ(buttons.Items(0), dragged);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh", "setindex 0", "designer"}));
}

TEST(SkinButtonsReportTest, AddedAndDeletingReportToTheSkin) {
  FakeSkin skin;
  TestButtons buttons(skin);
  EventLog events(skin.log);
  buttons.OnAddButton().Bind(events, &EventLog::AddedButton);
  skin.log.clear();
  buttons.Add();
  EXPECT_EQ(skin.log, (std::vector<std::string>{"added 0", "onaddbutton 0", "refresh"}));

  skin.log.clear();
  buttons.Delete(0);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"deleting 0", "forget 0", "refresh"}));

  skin.loading = true;
  skin.log.clear();
  buttons.Add();
  buttons.Add();
  buttons.Delete(1);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"onaddbutton 0", "refresh", "onaddbutton 1", "refresh", "forget 1",
                                                "refresh"}));
  skin.loading = false;
  buttons.Add();
  skin.log.clear();
  buttons.Clear();
  EXPECT_EQ(skin.log, (std::vector<std::string>{"forget 1", "forget 0", "refresh"}));
}

TEST(SkinButtonsReportTest, ExtractedButtonIsForgotten) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.Add();
  skin.log.clear();
  std::unique_ptr<platform::TCollectionItem> owned = buttons.Extract(b);
  EXPECT_EQ(skin.log.front(), "forget 0");
}

TEST(SkinButtonTest, XmlClearsTheValueAndReportsTheUpdate) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.Add();
  b.SetValue(platform::Variant(42));
  skin.log.clear();
  b.SetXml("<data/>");
  EXPECT_EQ(b.Xml(), "<data/>");
  EXPECT_TRUE(b.Value().IsEmpty());
  EXPECT_EQ(skin.log, (std::vector<std::string>{"updated 0"}));
  skin.loading = true;
  skin.log.clear();
  b.SetXml("");
  EXPECT_TRUE(skin.log.empty());
}

TEST(SkinButtonTest, HintTextAndDesignDescription) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& b = buttons.AddShowing(2);
  b.SetHint("Open|Opens a file");
  EXPECT_EQ(b.GetHintText(), "Open|Opens a file") << "plain buttons keep the bar";
  EXPECT_EQ(buttons.GetHintText(), "") << "only while designing";

  buttons.LayoutButtons({0, 0, 100, 20});
  skin.designing = true;
  b.SetCaptureMouse(false);
  EXPECT_EQ(b.GetHintText(), b.GetNamePath() +
                                 "\r\nBounds=Left: 1; Top: 2; Right: 17; Bottom: 18\r\nMetrics.Default=True\r\n"
                                 "CaptureMouse=False\r\nImageIndex=2\r\nHint=Open|Opens a file\r\n");
  b.SetHint("");
  EXPECT_EQ(b.GetHintText().find("Hint="), std::string::npos);

  buttons.list.SetName("Glyphs");
  EXPECT_EQ(buttons.GetHintText(),
            buttons.GetNamePath() + "\r\nBounds=Left: 1; Top: 2; Right: 17; Bottom: 18\r\nCount=1\r\nImageList=Glyphs\r\n");
}

TEST(SkinButtonTest, AssignCopiesButtonValuesAndAssignToTheValueToo) {
  FakeSkin skin;
  TestButtons buttons(skin);
  TZebrinSkinCustomButton& a = buttons.Add();
  TZebrinSkinCustomButton& b = buttons.Add();
  a.SetHint("hint");
  a.SetIndent(7);
  a.SetMargin(3);
  a.SetTag(9);
  a.SetCursor(-30);
  a.SetEdgeBorders(EdgeBit(sebLeft));
  a.SetEnabled(false);
  a.SetImageIndex(2);
  a.SetXml("x");
  a.SetValue(platform::Variant(5));
  a.Metrics()->SetColor(0x112233);
  EventLog events(skin.log);
  a.OnClick().Bind(events, &EventLog::Clicked);

  skin.log.clear();
  b.Assign(a);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh"})) << "one update for the whole copy";
  EXPECT_EQ(b.Hint(), "hint");
  EXPECT_EQ(b.Indent(), 7);
  EXPECT_EQ(b.Margin(), 3);
  EXPECT_EQ(b.Tag(), 9);
  EXPECT_EQ(b.Cursor(), -30);
  EXPECT_EQ(b.EdgeBorders(), EdgeBit(sebLeft));
  EXPECT_EQ(b.State(), a.State());
  EXPECT_EQ(b.ImageIndex(), 2);
  EXPECT_EQ(b.Xml(), "x");
  EXPECT_TRUE(b.Value().IsEmpty());
  EXPECT_EQ(b.Metrics()->Color(), 0x112233u);
  EXPECT_EQ(b.OnClick().Method(), a.OnClick().Method());

  a.AssignTo(b);
  EXPECT_EQ(b.Value().ToInt(), 5);
}

TEST(SkinButtonsTest, ImageListIsWatchedAndForgottenWhenFreed) {
  FakeSkin skin;
  TestButtons buttons(skin, 0);
  auto list = std::make_unique<TCustomImageList>();
  buttons.SetImageList(list.get());
  skin.log.clear();
  list->Add(platform::TArgbImage(16, 16));
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh"}));
  skin.designing = true;
  skin.log.clear();
  list->Clear();
  EXPECT_EQ(skin.log, (std::vector<std::string>{"refresh", "designer"}));
  list.reset();
  EXPECT_EQ(buttons.ImageList(), nullptr);
}

TEST(SkinButtonsTest, PublishedMembersAndDefaults) {
  struct Case {
    const platform::TClassInfo& cls;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {TZebrinSkinCustomButton::StaticClassInfo(),
       {"AutoEdgeBorders", "Cursor", "EdgeBorders", "Enabled", "Hint", "ImageIndex", "Indent", "Index", "Masked",
        "Metrics", "Roundness", "Tag", "Themed", "Transparent", "TransparentHot", "TransparentDown", "Visible", "Xml",
        "OnMouseMove", "OnClick", "OnUpdate", "OnSetIndex"},
       {"OnDblClick", "OnMouseDown", "Margin", "BreakLine"}},
      {TZebrinSkinCustomButtons::StaticClassInfo(),
       {"CaptureMouse", "DownShift", "Empty", "HotTrack", "ImageList", "Indent", "ShowHint", "Visible", "OnAddButton",
        "OnMouseDown", "OnDblClick", "OnClick"},
       {"HideItems", "Width", "Align"}},
  };
  for (const Case& c : cases) {
    for (const std::string& name : c.present) EXPECT_NE(c.cls.FindProperty(name), nullptr) << c.cls.Name() << "." << name;
    for (const std::string& name : c.absent) EXPECT_EQ(c.cls.FindProperty(name), nullptr) << c.cls.Name() << "." << name;
  }
  const platform::TClassInfo& button = TZebrinSkinCustomButton::StaticClassInfo();
  EXPECT_EQ(button.FindProperty("Cursor")->Default().ToInt(), -21);
  EXPECT_EQ(button.FindProperty("Indent")->Default().ToInt(), 1);
  EXPECT_FALSE(button.FindProperty("Index")->Stored());
  const platform::TClassInfo& buttons = TZebrinSkinCustomButtons::StaticClassInfo();
  EXPECT_FALSE(buttons.FindProperty("Empty")->Stored());

  FakeSkin skin;
  TestButtons collection(skin);
  EXPECT_TRUE(collection.Empty());
  EXPECT_TRUE(collection.HideItems());
  EXPECT_EQ(collection.Layout(), silCenter);
  EXPECT_EQ(collection.DragMode(), dmManual);
  EXPECT_EQ(collection.Width(), -1);
  EXPECT_EQ(collection.PropName(), "Buttons");
  collection.Add();
  EXPECT_FALSE(collection.Empty());
}

}  // namespace
}  // namespace halbrin::skins
