#include "skins/core/bands.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fixtures/recording_painter.h"
#include "platform/classes/property_access.h"
#include "platform/graphics/recording_canvas.h"

namespace halbrin::skins {
namespace {

using namespace band_local;
using platform::TObject;
using testing::TRecordingSkinPainter;

// A skin stand-in: a window origin, form-skin answers, hosted buttons and a log of refreshes.
class FakeHost final : public ISkinBandHost {
 public:
  TPoint WindowOrigin() const override { return origin; }
  bool Designing() const override { return designing; }
  bool IsFormSkin() const override { return formSkin; }
  bool IsToolWindow() const override { return toolWindow; }
  bool WantsSmallCaption() const override { return smallCaption; }
  ISkinBandButtons* WindowButtonsIn(const TZebrinSkinBand& band) override {
    return &band == buttonsBand ? windowButtons : nullptr;
  }
  ISkinBandButtons* ToolButtonsIn(const TZebrinSkinBand& band) override {
    return &band == buttonsBand ? toolButtons : nullptr;
  }
  ISkinPainter* Painter() override { return painter; }
  ISkinPainter& DefaultPainter() override { return defaultPainter ? *defaultPainter : DefaultSkinPainter(); }
  bool DesignFrames() const override { return designFrames; }
  bool Active() const override { return active; }
  bool SecondState() const override { return secondState; }
  void RepaintBands(TZebrinSkinCustomBands&) override { log.push_back("repaint"); }
  void RefreshFrame() override { log.push_back("refresh"); }

  TPoint origin;
  ISkinPainter* painter = nullptr;
  ISkinPainter* defaultPainter = nullptr;
  bool designFrames = false;
  bool active = true, secondState = false;
  bool designing = false, formSkin = false, toolWindow = false, smallCaption = false;
  const TZebrinSkinBand* buttonsBand = nullptr;
  ISkinBandButtons* windowButtons = nullptr;
  ISkinBandButtons* toolButtons = nullptr;
  std::vector<std::string> log;
};

// Buttons that take a fixed rectangle and remember the area they were given.
class FakeButtons final : public ISkinBandButtons {
 public:
  FakeButtons(bool visible, TRect takes) : visible(visible), takes(takes) {}
  bool Visible() const override { return visible; }
  TRect Place(const TRect& area) override {
    given.push_back(area);
    return takes;
  }
  TRect Rect() const override { return takes; }
  void Paint(platform::ICanvas&) override { ++paints; }
  int paints = 0;
  bool visible;
  TRect takes;
  std::vector<TRect> given;
};

// A band collection with a chosen kind and orientation.
class TestBands final : public TZebrinSkinCustomBands {
 public:
  TestBands(ISkinBandHost* host, int kind = 0, bool horizontal = true)
      : TZebrinSkinCustomBands(nullptr, host), kind(kind), horizontal(horizontal) {}
  int GetKind() const override { return kind; }
  bool IsHorizontalLayout() const override { return horizontal; }
  int kind;
  bool horizontal;
};

// Records mouse-down and add-band events.
class EventLog final : public TObject {
 public:
  void MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    downs.push_back({sender, button, shift, x, y});
  }
  void BandAdded(TObject* sender) {
    added.push_back(sender);
    if (auto* band = dynamic_cast<TZebrinSkinBand*>(sender)) updatingWhenAdded = band->Collection()->UpdateCount() != 0;
  }
  struct Down {
    TObject* sender;
    TMouseButton button;
    TShiftState shift;
    int x, y;
  };
  std::vector<Down> downs;
  void CustomPaint(TObject* sender, platform::ICanvas*, const TSkinFillParams& p) {
    custom.push_back({sender, p.Rect});
  }
  std::vector<std::pair<TObject*, TRect>> custom;
  std::vector<TObject*> added;
  bool updatingWhenAdded = true;
};

TEST(SkinBandRectTest, SubtractRectCutsOnlyWhenOneRectangleRemains) {
  const TRect a{0, 0, 100, 20};
  struct Case {
    const char* what;
    TRect cut;
    TRect expected;
  };
  const Case cases[] = {
      {"full height at the left", {0, 0, 30, 20}, {30, 0, 100, 20}},
      {"full height at the right", {70, -5, 120, 25}, {0, 0, 70, 20}},
      {"full width at the top", {-1, 0, 101, 5}, {0, 5, 100, 20}},
      {"full width at the bottom", {0, 15, 100, 20}, {0, 0, 100, 15}},
      {"full height in the middle", {40, 0, 60, 20}, a},
      {"a corner only", {0, 0, 30, 10}, a},
      {"outside", {200, 0, 300, 20}, a},
      {"empty cut", {10, 10, 10, 10}, a},
      {"covering everything", {-10, -10, 200, 200}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SubtractRect(a, c.cut), c.expected) << c.what;
  EXPECT_EQ(SubtractRect({5, 5, 5, 9}, {0, 0, 10, 10}), TRect{}) << "empty source";
}

TEST(SkinBandRectTest, RectToTextNamesEverySide) {
  EXPECT_EQ(RectToText({0, 0, 10, 5}), "Left: 0; Top: 0; Right: 10; Bottom: 5");
  EXPECT_EQ(RectToText({-1, -2, -3, -4}), "Left: -1; Top: -2; Right: -3; Bottom: -4");
}

TEST(SkinBandLayoutTest, HostedButtonsAreCutOutOfTheBand) {
  struct Case {
    const char* what;
    bool windowVisible;
    TRect windowTakes;
    bool toolVisible;
    TRect toolTakes;
    TRect expected;
    size_t toolCalls;
  };
  const TRect band{0, 0, 300, 24};
  const Case cases[] = {
      {"window buttons at the right", true, {240, 0, 300, 24}, false, {}, {0, 0, 240, 24}, 0},
      {"both, tool buttons at the left", true, {240, 0, 300, 24}, true, {0, 0, 50, 24}, {50, 0, 240, 24}, 1},
      {"hidden window buttons take nothing", false, {240, 0, 300, 24}, true, {0, 0, 50, 24}, {50, 0, 300, 24}, 1},
      // Buttons that do not span a whole side leave the band whole, so items may overlap them.
      {"buttons not spanning the height", true, {240, 2, 300, 22}, false, {}, band, 0},
      {"buttons in the middle", true, {100, 0, 140, 24}, false, {}, band, 0},
  };
  for (const Case& c : cases) {
    FakeHost host;
    TestBands bands(&host);
    TZebrinSkinBand& b = bands.Add();
    FakeButtons window(c.windowVisible, c.windowTakes), tool(c.toolVisible, c.toolTakes);
    host.buttonsBand = &b;
    host.windowButtons = &window;
    host.toolButtons = &tool;
    TRect r = band;
    b.Layout(r);
    EXPECT_EQ(r, c.expected) << c.what;
    EXPECT_EQ(tool.given.size(), c.toolCalls) << c.what;
    if (c.windowVisible && c.toolVisible) {
      EXPECT_EQ(tool.given[0], (TRect{0, 0, 240, 24})) << "tool buttons get what the window buttons left";
    }
  }
}

TEST(SkinBandLayoutTest, BandWithoutButtonsKeepsItsRectangle) {
  FakeHost host;
  TestBands bands(&host);
  FakeButtons window(true, {0, 0, 10, 24});
  host.windowButtons = &window;
  host.buttonsBand = nullptr;  // the buttons sit in another band
  TZebrinSkinBand& b = bands.Add();
  TRect r{0, 0, 100, 24};
  b.Layout(r);
  EXPECT_EQ(r, (TRect{0, 0, 100, 24}));
  EXPECT_TRUE(window.given.empty());
}

TEST(SkinBandLayoutTest, BaseAreaLayoutHasNoArea) {
  FakeHost host;
  TestBands bands(&host);
  bands.SetBoundsRect({1, 2, 3, 4});
  TRect r{0, 0, 500, 30};
  bands.Layout({0, 0, 500, 400}, r);
  EXPECT_EQ(r, (TRect{-1, -1, -1, -1}));
  EXPECT_EQ(bands.BoundsRect(), (TRect{-1, -1, -1, -1}));
}

TEST(SkinBandHitTest, BandAtPosUsesTheWindowOrigin) {
  FakeHost host;
  host.origin = {100, 50};
  TestBands bands(&host);
  TZebrinSkinBand& first = bands.Add();
  TZebrinSkinBand& second = bands.Add();
  TZebrinSkinBand& hidden = bands.Add();
  first.SetBoundsRect({0, 0, 100, 20});
  second.SetBoundsRect({100, 0, 200, 20});
  hidden.SetVisible(false);
  hidden.SetBoundsRect({150, 0, 250, 20});
  struct Case {
    TPoint screen;
    TZebrinSkinBand* expected;
  };
  const Case cases[] = {
      {{100, 50}, &first},   {{199, 69}, &first},  {{200, 50}, &second}, {{299, 69}, &second},
      {{300, 50}, &hidden},  {{99, 50}, nullptr},  {{150, 70}, nullptr}, {{0, 0}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(bands.BandAtPos(c.screen), c.expected) << c.screen.X << "," << c.screen.Y;
}

TEST(SkinBandHitTest, BandItemAtPosFindsTheFirstItemHoldingThePoint) {
  FakeHost host;
  TestBands bands(&host);
  TZebrinSkinBand& b = bands.Add();
  b.Item()->SetRect({0, 0, 50, 20});
  b.ItemEx()->SetRect({40, 0, 100, 20});
  struct Case {
    TPoint p;
    TZebrinSkinCustomBandItem* expected;
  };
  const Case cases[] = {{{0, 0}, b.Item()}, {{45, 10}, b.Item()}, {{50, 10}, b.ItemEx()},
                        {{99, 19}, b.ItemEx()}, {{100, 10}, nullptr}, {{10, 20}, nullptr}};
  for (const Case& c : cases) EXPECT_EQ(b.BandItemAtPos(c.p), c.expected) << c.p.X << "," << c.p.Y;
  EXPECT_EQ(b.GetBandItem(0), b.Item());
  EXPECT_EQ(b.GetBandItem(1), b.ItemEx());
  EXPECT_EQ(b.GetBandItem(2), nullptr);
}

TEST(SkinBandEdgeTest, VerticalCaptionBandsTurnTheirEdges) {
  struct Case {
    int kind;
    bool horizontal;
    bool autoEdges;
    TZebrinSkinEdgeBorder edge;
    TZebrinSkinEdgeBorder drawn;
  };
  const Case cases[] = {
      {0, false, true, sebTop, sebLeft},     {0, false, true, sebRight, sebTop},
      {0, false, true, sebBottom, sebRight}, {0, false, true, sebLeft, sebBottom},
      {0, true, true, sebTop, sebTop},       {0, true, true, sebLeft, sebLeft},
      {0, false, false, sebTop, sebTop},     {0, false, false, sebRight, sebRight},
      {1, false, true, sebTop, sebTop},      {1, false, true, sebBottom, sebBottom},
      {1, true, true, sebRight, sebRight},   {1, true, false, sebLeft, sebLeft},
  };
  for (const Case& c : cases) {
    TestBands bands(nullptr, c.kind, c.horizontal);
    TZebrinSkinBand& b = bands.Add();
    b.SetAutoEdgeBorders(c.autoEdges);
    b.SetEdgeBorders(EdgeBit(c.edge));
    EXPECT_EQ(b.EffectiveEdgeBorders(), EdgeBit(c.drawn))
        << "kind " << c.kind << " horizontal " << c.horizontal << " auto " << c.autoEdges << " edge " << int(c.edge);
  }
  TestBands vertical(nullptr, 0, false);
  TZebrinSkinBand& b = vertical.Add();
  b.SetEdgeBorders(EdgeBit(sebTop) | EdgeBit(sebLeft));
  EXPECT_EQ(b.EffectiveEdgeBorders(), EdgeBit(sebLeft) | EdgeBit(sebBottom));
}

TEST(SkinBandTest, DisplayNameJoinsTheItemTexts) {
  struct Case {
    const char* item;
    const char* itemEx;
    const char* expected;
  };
  const Case cases[] = {{"File", "", "File []"}, {"File", "Edit", "File [Edit]"}, {"", "Edit", " [Edit]"},
                        {"", "", "TZebrinSkinBand"}};
  for (const Case& c : cases) {
    TestBands bands(nullptr);
    TZebrinSkinBand& b = bands.Add();
    b.Item()->SetText(c.item);
    b.ItemEx()->SetText(c.itemEx);
    EXPECT_EQ(b.DisplayName(), c.expected);
  }
}

TEST(SkinBandTest, CollectionVisibility) {
  FakeHost host;
  TestBands bands(&host);
  EXPECT_FALSE(bands.IsVisible()) << "no band";
  EXPECT_EQ(bands.FirstVisibleBand(), nullptr);
  TZebrinSkinBand& first = bands.Add();
  TZebrinSkinBand& second = bands.Add();
  EXPECT_TRUE(bands.IsVisible());
  bands.BeginUpdate();
  EXPECT_FALSE(bands.IsVisible()) << "inside an update";
  bands.EndUpdate();
  EXPECT_TRUE(bands.IsVisible());
  bands.SetVisible(false);
  EXPECT_FALSE(bands.IsVisible());
  EXPECT_EQ(bands.FirstVisibleBand(), &first);
  first.SetVisible(false);
  EXPECT_EQ(bands.FirstVisibleBand(), &second);
  second.SetVisible(false);
  EXPECT_EQ(bands.FirstVisibleBand(), nullptr);
}

TEST(SkinBandTest, AddTellsOnAddBandAfterTheUpdate) {
  FakeHost host;
  TestBands bands(&host);
  EventLog log;
  bands.OnAddBand().Bind(log, &EventLog::BandAdded);
  TZebrinSkinBand& b = bands.Add();
  ASSERT_EQ(log.added.size(), 1u);
  EXPECT_EQ(log.added[0], &b);
  EXPECT_FALSE(log.updatingWhenAdded);
  EXPECT_EQ(host.log, std::vector<std::string>({"refresh"}));
}

TEST(SkinBandTest, ChangesRefreshTheFrame) {
  FakeHost host;
  TestBands bands(&host);
  TZebrinSkinBand& b = bands.Add();
  host.log.clear();
  b.SetIndent(4);
  b.SetIndent(4);  // unchanged: nothing
  b.Item()->SetText("File");
  b.Metrics()->SetEdgeWidth(2);
  bands.SetTransparent(true);
  bands.Metrics()->SetEdgeWidth(3);
  EXPECT_EQ(host.log, std::vector<std::string>(5, "refresh"));
  host.log.clear();
  bands.BeginUpdate();
  b.SetThemed(false);
  EXPECT_TRUE(host.log.empty()) << "held back while updating";
  bands.EndUpdate();
  EXPECT_EQ(host.log, std::vector<std::string>({"refresh"}));
}

TEST(SkinBandTest, PressesNeedCaptureMouseAndCarryTheShiftState) {
  struct Case {
    TMouseButton button;
    TShiftState modifiers;
    TShiftState expected;
  };
  const Case cases[] = {
      {TMouseButton::mbLeft, 0, ssLeft},
      {TMouseButton::mbRight, ssCtrl, ssCtrl | ssRight},
      {TMouseButton::mbMiddle, ssShift | ssAlt, ssShift | ssAlt | ssMiddle},
      {TMouseButton::mbLeft, ssDouble | ssRight | ssCtrl, ssCtrl | ssLeft},  // only the keys are taken over
  };
  for (const Case& c : cases) {
    TestBands bands(nullptr);
    TZebrinSkinBand& b = bands.Add();
    EventLog log;
    b.OnMouseDown().Bind(log, &EventLog::MouseDown);
    bands.MouseDown(0, c.button, c.modifiers, {7, 9});
    ASSERT_EQ(log.downs.size(), 1u);
    EXPECT_EQ(log.downs[0].sender, &b);
    EXPECT_EQ(log.downs[0].button, c.button);
    EXPECT_EQ(log.downs[0].shift, c.expected);
    EXPECT_EQ(log.downs[0].x, 7);
    EXPECT_EQ(log.downs[0].y, 9);
    b.SetCaptureMouse(false);
    bands.MouseDown(0, c.button, c.modifiers, {7, 9});
    EXPECT_EQ(log.downs.size(), 1u) << "a band that does not capture the mouse ignores presses";
  }
}

TEST(SkinBandTest, UsesSmallCaption) {
  struct Case {
    bool formSkin, toolWindow, smallCaption;
    int index;
    bool expected;
  };
  const Case cases[] = {
      {false, false, false, 0, true}, {true, false, false, 0, false}, {true, false, false, 1, true},
      {true, true, false, 0, true},   {true, false, true, 0, true},
  };
  for (const Case& c : cases) {
    FakeHost host;
    host.formSkin = c.formSkin;
    host.toolWindow = c.toolWindow;
    host.smallCaption = c.smallCaption;
    TestBands bands(&host);
    bands.Add();
    bands.Add();
    EXPECT_EQ(bands.Items(c.index)->UsesSmallCaption(), c.expected)
        << c.formSkin << c.toolWindow << c.smallCaption << c.index;
  }
}

TEST(SkinBandTest, AssignCopiesTheBandValues) {
  TestBands bands(nullptr);
  TZebrinSkinBand& source = bands.Add();
  TZebrinSkinBand& target = bands.Add();
  source.SetAutoSize(false);
  source.SetCaptureMouse(false);
  source.SetAutoEdgeBorders(false);
  source.SetTransparent(false);
  source.SetVisible(false);
  source.SetEdgeBorders(EdgeBit(sebBottom));
  source.SetIndent(6);
  source.SetThemed(false);
  source.Metrics()->SetEdgeWidth(4);
  source.SetBoundsRect({1, 2, 3, 4});
  target.Assign(source);
  EXPECT_FALSE(target.AutoSize());
  EXPECT_FALSE(target.CaptureMouse());
  EXPECT_FALSE(target.AutoEdgeBorders());
  EXPECT_FALSE(target.Transparent());
  EXPECT_FALSE(target.Visible());
  EXPECT_EQ(target.EdgeBorders(), EdgeBit(sebBottom));
  EXPECT_EQ(target.Indent(), 6);
  EXPECT_FALSE(target.Themed());
  EXPECT_EQ(target.Metrics()->EdgeWidth(), 4);
  EXPECT_TRUE(target.Metrics()->IsSet(sdpEdgeWidth));
  EXPECT_EQ(target.BoundsRect(), TRect{}) << "the rectangle comes from layout";
}

TEST(SkinBandTest, CollectionAssignCopiesTheAreaValuesOnly) {
  FakeHost host;
  TestBands source(&host), target(&host);
  source.Add().Item()->SetText("File");
  source.SetTransparent(true);
  source.SetVisible(false);
  source.SetThemed(false);
  source.Metrics()->SetEdgeWidth(5);
  host.log.clear();
  target.Assign(source);
  EXPECT_TRUE(target.Transparent());
  EXPECT_FALSE(target.Visible());
  EXPECT_TRUE(target.Themed());
  EXPECT_EQ(target.Metrics()->EdgeWidth(), 5);
  EXPECT_EQ(target.Count(), 0);
  EXPECT_FALSE(host.log.empty());
}

TEST(SkinBandTest, DumpTextOnlyAtDesignTime) {
  FakeHost host;
  TestBands bands(&host);
  TZebrinSkinBand& b = bands.Add();
  bands.SetTransparent(true);
  b.SetBoundsRect({0, 0, 10, 5});
  b.SetCaptureMouse(false);
  EXPECT_EQ(bands.GetDumpText(), "");
  EXPECT_EQ(b.GetDumpText(), "");
  host.designing = true;
  bands.SetBoundsRect({0, 0, 300, 24});
  EXPECT_EQ(bands.GetDumpText(), bands.GetNamePath() +
                                     "\r\nBounds=Left: 0; Top: 0; Right: 300; Bottom: 24\r\nCount=1\r\nTransparent=True");
  EXPECT_EQ(b.GetDumpText(), b.GetNamePath() +
                                 "\r\nBounds=Left: 0; Top: 0; Right: 10; Bottom: 5\r\nMetrics.Default=True"
                                 "\r\nCaptureMouse=False\r\nTransparent=True");
}

TEST(SkinBandTest, PublishedPropertiesAndDefaults) {
  struct Case {
    const platform::TClassInfo& info;
    const char* name;
    bool defaultValue;
  };
  const Case cases[] = {
      {TZebrinSkinBand::StaticClassInfo(), "AutoEdgeBorders", true},
      {TZebrinSkinBand::StaticClassInfo(), "AutoSize", true},
      {TZebrinSkinBand::StaticClassInfo(), "CaptureMouse", true},
      {TZebrinSkinBand::StaticClassInfo(), "Themed", true},
      {TZebrinSkinBand::StaticClassInfo(), "Transparent", true},
      {TZebrinSkinBand::StaticClassInfo(), "Visible", true},
      {TZebrinSkinCustomBands::StaticClassInfo(), "Visible", true},
      {TZebrinSkinCustomBands::StaticClassInfo(), "Themed", true},
      {TZebrinSkinCustomBands::StaticClassInfo(), "Transparent", false},
      {TZebrinSkinBandItem::StaticClassInfo(), "Visible", true},
  };
  TestBands bands(nullptr);
  TZebrinSkinBand& b = bands.Add();
  for (const Case& c : cases) {
    const platform::TPropInfo* prop = c.info.FindProperty(c.name);
    ASSERT_NE(prop, nullptr) << c.info.Name() << "." << c.name;
    EXPECT_EQ(prop->Default().ToBool(), c.defaultValue) << c.info.Name() << "." << c.name;
    const TObject& object = &c.info == &TZebrinSkinCustomBands::StaticClassInfo() ? static_cast<const TObject&>(bands)
                            : &c.info == &TZebrinSkinBand::StaticClassInfo()      ? static_cast<const TObject&>(b)
                                                                                   : *b.Item();
    EXPECT_EQ(platform::GetPropValue(object, *prop).ToBool(), c.defaultValue) << c.info.Name() << "." << c.name;
  }
  for (const char* name : {"EdgeBorders", "Indent", "Item", "ItemEx", "Metrics", "OnMouseDown", "OnCustomPaint"})
    EXPECT_NE(TZebrinSkinBand::StaticClassInfo().FindProperty(name), nullptr) << name;
  for (const char* name : {"Metrics", "OnAddBand", "OnCustomPaint"})
    EXPECT_NE(TZebrinSkinCustomBands::StaticClassInfo().FindProperty(name), nullptr) << name;
}

TEST(SkinBandPaintTest, BackgroundChoice) {
  struct Case {
    bool transparent, custom, themed;
    const char* fill;  // which painter fills: "theme", "default" or "" for none
  };
  const Case cases[] = {
      {false, false, true, "theme"},  {false, false, false, "default"}, {false, true, true, ""},
      {false, true, false, ""},       {true, false, true, ""},          {true, false, false, ""},
      {true, true, true, ""},
  };
  for (const Case& c : cases) {
    for (int kind : {0, 1}) {
      for (bool area : {true, false}) {
        FakeHost host;
        TRecordingSkinPainter theme("theme"), plain("default");
        host.painter = &theme;
        host.defaultPainter = &plain;
        TestBands bands(&host, kind);
        bands.SetBoundsRect({10, 100, 310, 124});
        TZebrinSkinBand& b = bands.Add();
        b.SetBoundsRect({10, 100, 110, 124});
        bands.SetTransparent(area ? c.transparent : true);
        b.SetTransparent(area ? true : c.transparent);
        if (area)
          bands.SetThemed(c.themed);
        else
          b.SetThemed(c.themed);
        EventLog log;
        if (c.custom) {
          if (area)
            bands.OnCustomPaint().Bind(log, &EventLog::CustomPaint);
          else
            b.OnCustomPaint().Bind(log, &EventLog::CustomPaint);
        }
        platform::TRecordingCanvas canvas;
        bands.Paint(canvas, bands.BoundsRect());
        const std::string what = std::string(area ? "area" : "band") + " kind " + std::to_string(kind) +
                                 " transparent " + (c.transparent ? "1" : "0") + " custom " + (c.custom ? "1" : "0") +
                                 " themed " + (c.themed ? "1" : "0");
        const TRect expectedRect = area ? TRect{0, 0, 300, 24} : TRect{0, 0, 100, 24};
        const std::string operation = std::string(kind == 1 ? "FillFooterBand" : "FillCaptionBand") + (area ? "s" : "");
        std::vector<std::string> expectedTheme, expectedDefault;
        if (std::string(c.fill) == "theme") expectedTheme.push_back(theme.Line(operation, expectedRect));
        if (std::string(c.fill) == "default") expectedDefault.push_back(plain.Line(operation, expectedRect));
        expectedTheme.push_back(theme.Line("DrawBandEdges", {0, 0, 100, 24}));
        EXPECT_EQ(theme.log, expectedTheme) << what;
        EXPECT_EQ(plain.log, expectedDefault) << what;
        const bool customRuns = c.custom && !c.transparent;
        ASSERT_EQ(log.custom.size(), customRuns ? 1u : 0u) << what;
        if (customRuns) {
          EXPECT_EQ(log.custom[0].first, area ? static_cast<TObject*>(&bands) : static_cast<TObject*>(&b)) << what;
          EXPECT_EQ(log.custom[0].second, expectedRect) << what;
        }
      }
    }
  }
}

TEST(SkinBandPaintTest, BandsPaintMovedToTheAreaAndSkipHiddenOrEmptyOnes) {
  FakeHost host;
  TRecordingSkinPainter painter;
  host.painter = &painter;
  TestBands bands(&host);
  bands.SetTransparent(true);
  bands.SetBoundsRect({20, 5, 220, 30});
  TZebrinSkinBand& shown = bands.Add();
  TZebrinSkinBand& hidden = bands.Add();
  TZebrinSkinBand& empty = bands.Add();
  shown.SetBoundsRect({120, 5, 220, 30});
  hidden.SetBoundsRect({20, 5, 120, 30});
  hidden.SetVisible(false);
  empty.SetBoundsRect({20, 5, 20, 30});
  platform::TRecordingCanvas canvas;
  bands.Paint(canvas, bands.BoundsRect());
  EXPECT_EQ(painter.log, std::vector<std::string>({painter.Line("DrawBandEdges", {100, 0, 200, 25})}));
}

TEST(SkinBandPaintTest, EdgesFollowTheOrientationAndDesignFramesShowWhileDesigning) {
  struct Case {
    bool horizontal;
    TZebrinSkinEdgeBorder drawn;
  };
  // The dotted frames' last dot on the left side: y 199 for the area, 99 for the band.
  const auto dotAt = [](const platform::TRecordingCanvas& canvas, int y) {
    const std::string prefix = "FillRect(" + platform::TRecordingCanvas::RectText({0, y, 1, y + 1});
    for (const std::string& call : canvas.Calls())
      if (call.rfind(prefix, 0) == 0) return true;
    return false;
  };
  for (const Case& c : {Case{true, sebTop}, Case{false, sebLeft}}) {
    for (bool frames : {true, false}) {
      FakeHost host;
      TRecordingSkinPainter painter;
      host.painter = &painter;
      host.designing = true;
      host.designFrames = frames;
      TestBands bands(&host, 0, c.horizontal);
      bands.SetTransparent(true);
      bands.SetBoundsRect({0, 0, 24, 200});
      TZebrinSkinBand& b = bands.Add();
      b.SetEdgeBorders(EdgeBit(sebTop));
      b.SetBoundsRect({0, 0, 24, 100});
      b.Metrics()->SetEdgeWidth(2);
      platform::TRecordingCanvas canvas;
      bands.Paint(canvas, bands.BoundsRect());
      ASSERT_EQ(painter.edges.size(), 1u);
      EXPECT_EQ(painter.edges[0].Edges, EdgeBit(c.drawn));
      EXPECT_EQ(painter.edges[0].Width, 2);
      EXPECT_EQ(painter.log, std::vector<std::string>({painter.Line("DrawBandEdges", {0, 0, 24, 100})}));
      EXPECT_EQ(dotAt(canvas, 199), frames) << "the area's frame";
      EXPECT_EQ(dotAt(canvas, 99), frames) << "the band's frame";
    }
  }
}

TEST(SkinBandPaintTest, HostedButtonsPaintWhenVisibleAndPlaced) {
  struct Case {
    bool visible;
    TRect rect;
    int paints;
  };
  const Case cases[] = {{true, {80, 0, 100, 24}, 1}, {false, {80, 0, 100, 24}, 0}, {true, {}, 0}};
  for (const Case& c : cases) {
    FakeHost host;
    TestBands bands(&host);
    bands.SetBoundsRect({0, 0, 100, 24});
    TZebrinSkinBand& b = bands.Add();
    b.SetBoundsRect({0, 0, 100, 24});
    FakeButtons window(c.visible, c.rect), tool(c.visible, c.rect);
    host.buttonsBand = &b;
    host.windowButtons = &window;
    host.toolButtons = &tool;
    platform::TRecordingCanvas canvas;
    bands.Paint(canvas, bands.BoundsRect());
    EXPECT_EQ(window.paints, c.paints);
    EXPECT_EQ(tool.paints, c.paints);
  }
}

TEST(SkinBandPaintTest, FillRecordCarriesTheAreaState) {
  for (bool active : {true, false}) {
    FakeHost host;
    TRecordingSkinPainter painter;
    host.painter = &painter;
    host.designing = true;
    host.active = active;
    host.secondState = !active;
    TestBands footer(&host, 1);
    footer.SetBoundsRect({0, 0, 50, 20});
    footer.Metrics()->SetColor(platform::RGBColor(1, 2, 3));
    footer.Metrics()->SetInactiveColor(platform::RGBColor(4, 5, 6));
    footer.Add().SetBoundsRect({0, 0, 50, 20});
    platform::TRecordingCanvas canvas;
    footer.Paint(canvas, footer.BoundsRect());
    ASSERT_FALSE(painter.fills.empty());
    const TSkinFillParams& fill = painter.fills[0];
    EXPECT_EQ(fill.Value, 1) << "the collection's kind";
    EXPECT_TRUE(fill.Designing);
    EXPECT_FALSE(fill.Transparent);
    EXPECT_EQ(fill.Active, active);
    EXPECT_EQ(fill.State2, !active);
    EXPECT_EQ(fill.Color, active ? platform::RGBColor(1, 2, 3) : platform::RGBColor(4, 5, 6));
  }
}

}  // namespace
}  // namespace halbrin::skins
