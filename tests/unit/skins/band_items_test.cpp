#include "skins/core/band_items.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/graphics/recording_canvas.h"
#include "tool_fixtures.h"

namespace halbrin::skins {
namespace {

using platform::TObject;
using tool_test::ItemHost;

// 7 pixels a character (tool_fixtures.h).
int W(std::string_view text) { return EstimateTextExtent(text).cx; }

class PaintHandler : public TObject {
 public:
  void Paint(TObject*, platform::ICanvas*, const TRect& rect, bool& painted) {
    rects.push_back(rect);
    painted = paint;
  }
  bool paint = true;
  std::vector<TRect> rects;
};

TEST(BandItemStyleTest, ShownStyleTable) {
  struct Case {
    TZebrinSkinBandItemStyle style;
    int value;
    const char* text;
    bool autoStyle;
    TZebrinSkinBandItemStyle shown;
  };
  const Case cases[] = {
      {sbsProgress, 0, "Busy", true, sbsText},     {sbsProgress, 0, "", true, sbsProgress},
      {sbsProgress, 30, "Busy", true, sbsProgress}, {sbsText, 40, "", true, sbsProgress},
      {sbsEdit, 40, "", true, sbsProgress},        {sbsText, 0, "", true, sbsText},
      {sbsEdit, 40, "x", true, sbsEdit},           {sbsText, 40, "", false, sbsText},
      {sbsProgress, 0, "Busy", false, sbsProgress}, {sbsEdit, 0, "", false, sbsEdit},
  };
  for (const Case& c : cases) {
    ItemHost host;
    TZebrinSkinCustomBandItem& item = *host.CaptionBand(0).Item();
    item.SetStyle(c.style);
    item.SetValue(c.value);
    item.SetText(c.text);
    item.SetAutoStyle(c.autoStyle);
    EXPECT_EQ(item.ShownStyle(), c.shown) << int(c.style) << " " << c.value << " '" << c.text << "' " << c.autoStyle;
  }
}

TEST(BandItemStyleTest, ClearingTheTextOfAnAutoStyleItemShowsItsProgress) {
  ItemHost host;
  TZebrinSkinBand& band = host.CaptionBand(0);
  band.SetBoundsRect({0, 0, 300, 20});
  TZebrinSkinCustomBandItem& item = *band.Item();
  item.SetAutoStyle(true);
  item.SetText("Loading");
  item.SetValue(40);
  TRect r = band.BoundsRect();
  band.Layout(r);
  EXPECT_EQ(item.GetWidth(), W("Loading"));
  item.SetText("");
  band.Layout(r = band.BoundsRect());
  EXPECT_EQ(item.ShownStyle(), sbsProgress);
  EXPECT_EQ(item.GetWidth(), 100);
  platform::TRecordingCanvas canvas;
  item.Paint(canvas);
  ASSERT_EQ(host.theme.progresses.size(), 1u);
  EXPECT_EQ(host.theme.progresses[0].Percent, 40);
  EXPECT_EQ(host.theme.progresses[0].Rect, (TRect{4, 0, 104, 20}));
  EXPECT_TRUE(host.theme.texts.empty());
}

TEST(BandItemWidthTest, WidthRules) {
  struct Case {
    const char* what;
    TZebrinSkinBandItemStyle style;
    const char* text;
    int width;      // written
    int readBack;   // Width read
    int effective;  // GetWidth on a band 300 wide (or 300 high)
  };
  const Case cases[] = {
      {"natural text", sbsText, "Title", -1, -1, 35},
      {"empty text", sbsText, "", -1, -1, kEmptyBandItemWidth},
      {"below -1 becomes -1", sbsText, "Title", -3, -1, 35},
      {"fixed", sbsText, "Title", 50, 50, 50},
      {"zero is a width", sbsText, "Title", 0, 0, 0},
      {"progress takes a third", sbsProgress, "", -1, -1, 100},
      {"edit takes a quarter", sbsEdit, "x", -1, -1, 75},
  };
  for (bool horizontal : {true, false}) {
    for (const Case& c : cases) {
      ItemHost host(horizontal);
      TZebrinSkinBand& band = host.CaptionBand(0);
      band.SetBoundsRect(horizontal ? TRect{0, 0, 300, 20} : TRect{0, 0, 20, 300});
      TZebrinSkinCustomBandItem& item = *band.Item();
      item.SetStyle(c.style);
      item.SetText(c.text);
      item.SetWidth(c.width);
      EXPECT_EQ(item.Width(), c.readBack) << c.what;
      EXPECT_EQ(item.GetWidth(), c.effective) << c.what << (horizontal ? "" : " (vertical)");
    }
  }
  // Divisions truncate toward zero.
  ItemHost host;
  TZebrinSkinBand& band = host.CaptionBand(0);
  band.SetBoundsRect({0, 0, 302, 20});
  band.Item()->SetStyle(sbsProgress);
  EXPECT_EQ(band.Item()->GetWidth(), 100);
  band.Item()->SetStyle(sbsEdit);
  band.Item()->SetText("x");
  EXPECT_EQ(band.Item()->GetWidth(), 75);
}

TEST(BandItemTextTest, DefaultTextTable) {
  struct Case {
    const char* caption;
    int bands;
    int band;
    bool extra;
    bool footer;
    bool defaultText;
    const char* shown;
  };
  const Case cases[] = {
      {"App - [Doc]", 2, 0, false, false, true, "App"},
      {"App - [Doc]", 2, 1, false, false, true, "Doc"},
      {"App - [Doc]", 1, 0, false, false, true, "App - [Doc]"},
      // Only a closing bracket is dropped, never a real character.
      {"App - [Doc", 2, 1, false, false, true, "Doc"},
      {"Plain", 2, 0, false, false, true, "Plain"},
      {"Plain", 2, 1, false, false, true, "own"},
      {"App - [Doc]", 3, 2, false, false, true, "own"},
      {"App - [Doc]", 2, 0, true, false, true, "own"},
      {"App - [Doc]", 2, 0, false, true, true, "own"},
      {"App - [Doc]", 2, 0, false, false, false, "own"},
      {"", 2, 0, false, false, true, ""},
  };
  for (const Case& c : cases) {
    ItemHost host(true, c.bands);
    host.windowText = c.caption;
    host.caption.SetDefaultText(c.defaultText);
    TZebrinSkinBand& band = c.footer ? *host.footer.Items(0) : host.CaptionBand(c.band);
    TZebrinSkinCustomBandItem& item = c.extra ? static_cast<TZebrinSkinCustomBandItem&>(*band.ItemEx()) : *band.Item();
    item.SetText("own");
    EXPECT_EQ(item.Text(), c.shown) << c.caption << " bands " << c.bands << " band " << c.band << " extra " << c.extra
                                    << " footer " << c.footer;
    EXPECT_EQ(item.StoredText(), "own");
  }
}

TEST(BandItemTextTest, TextWriteComparesWithTheStoredTextAndAlwaysLaysOut) {
  ItemHost host;
  host.windowText = "Editor";
  host.caption.SetDefaultText(true);
  TZebrinSkinCustomBandItem& item = *host.CaptionBand(0).Item();
  host.log.clear();
  // The shown text is the caption, the stored one is empty: writing "" is no change.
  item.SetText("");
  EXPECT_TRUE(host.log.empty());
  // The same text as shown is still a change of the stored text.
  item.SetText("Editor");
  EXPECT_EQ(host.log, std::vector<std::string>{"refresh"});
  EXPECT_EQ(item.StoredText(), "Editor");
  host.log.clear();
  item.SetText("Editor");
  EXPECT_TRUE(host.log.empty());
  // Without DefaultText every real change lays the band out again.
  host.caption.SetDefaultText(false);
  host.log.clear();
  item.SetText("Other");
  EXPECT_EQ(host.log, std::vector<std::string>{"refresh"});
}

TEST(BandItemTest, SettersAskForLayoutOrRepaint) {
  using Setter = std::function<void(TZebrinSkinCustomBandItem&)>;
  struct Case {
    const char* what;
    Setter set;
    const char* expected;
  };
  const Case cases[] = {
      {"AutoStyle", [](auto& i) { i.SetAutoStyle(true); }, "refresh"},
      {"Style", [](auto& i) { i.SetStyle(sbsEdit); }, "refresh"},
      {"Indent", [](auto& i) { i.SetIndent(9); }, "refresh"},
      {"Width", [](auto& i) { i.SetWidth(40); }, "refresh"},
      {"Visible", [](auto& i) { i.SetVisible(false); }, "refresh"},
      {"Text", [](auto& i) { i.SetText("x"); }, "refresh"},
      {"Font", [](auto& i) { i.Font()->SetSize(20); }, "refresh"},
      {"Value", [](auto& i) { i.SetValue(5); }, "repaint"},
      {"Layout", [](auto& i) { i.SetLayout(silTop); }, "repaint"},
      {"EdgeBorders", [](auto& i) { i.SetEdgeBorders(EdgeBit(sebTop)); }, "repaint"},
  };
  for (const Case& c : cases) {
    ItemHost host;
    TZebrinSkinCustomBandItem& item = *host.CaptionBand(0).Item();
    host.log.clear();
    c.set(item);
    EXPECT_EQ(host.log, std::vector<std::string>{c.expected}) << c.what;
    host.log.clear();
    c.set(item);
    EXPECT_TRUE(host.log.empty()) << c.what << ": the same value again changes nothing";
  }
}

TEST(BandItemTest, AssignCopiesTheValuesInOneLayoutButNotTheButtons) {
  ItemHost host;
  TZebrinSkinCustomBandItem& from = *host.CaptionBand(0).Item();
  TZebrinSkinCustomBandItem& to = *host.CaptionBand(1).ItemEx();
  from.SetText("Copied");
  from.SetValue(12);
  from.SetIndent(7);
  from.SetWidth(33);
  from.SetStyle(sbsEdit);
  from.SetCaptureMouse(true);
  from.SetContentEditable(true);
  from.SetHint("tip");
  from.Font()->SetSize(14);
  from.Buttons()->Add();
  host.log.clear();
  to.Assign(from);
  EXPECT_EQ(host.log, std::vector<std::string>{"refresh"});
  EXPECT_EQ(to.StoredText(), "Copied");
  EXPECT_EQ(to.Value(), 12);
  EXPECT_EQ(to.Indent(), 7);
  EXPECT_EQ(to.Width(), 33);
  EXPECT_EQ(to.Style(), sbsEdit);
  EXPECT_TRUE(to.CaptureMouse());
  EXPECT_TRUE(to.ContentEditable());
  EXPECT_EQ(to.Hint(), "tip");
  EXPECT_EQ(to.Font()->Size(), 14);
  EXPECT_EQ(to.Buttons()->Count(), 0);
}

// A band 300 x 20 (or 20 x 300) with Item "Title" and ItemEx "Ex"; each
// item may have one 16-pixel button (Indent 4, Margin 0).
struct LayoutCase {
  const char* what;
  bool horizontal;
  bool itemButton;
  TZebrinSkinItemAlign itemAlign;
  bool exButton;
  TZebrinSkinItemAlign exAlign;
  TRect item, itemButtonRect, itemEx, exButtonRect;
};

TEST(BandItemLayoutTest, ButtonsPerAlign) {
  const LayoutCase cases[] = {
      // Default Align: the buttons take the start first, the text follows after Indent.
      {"item, buttons first", true, true, siaLeft, false, siaLeft, {24, 0, 59, 20}, {4, 2, 20, 18}, {63, 0, 77, 20}, {}},
      // siaRight: the text takes its piece first, the buttons the far end of the rest.
      {"item, buttons at the end", true, true, siaRight, false, siaLeft, {4, 0, 39, 20}, {280, 2, 296, 18},
       {43, 0, 57, 20}, {}},
      {"item ex, buttons first", true, false, siaLeft, true, siaLeft, {4, 0, 39, 20}, {}, {63, 0, 77, 20},
       {43, 2, 59, 18}},
      {"item ex, buttons at the end", true, false, siaLeft, true, siaRight, {4, 0, 39, 20}, {}, {43, 0, 57, 20},
       {280, 2, 296, 18}},
      // A vertical band runs upwards: its start is the bottom.
      {"vertical, buttons first", false, true, siaLeft, false, siaLeft, {0, 241, 20, 276}, {2, 280, 18, 296},
       {0, 223, 20, 237}, {}},
      {"vertical, buttons at the end", false, true, siaRight, false, siaLeft, {0, 261, 20, 296}, {2, 4, 18, 20},
       {0, 243, 20, 257}, {}},
  };
  for (const LayoutCase& c : cases) {
    ItemHost host(c.horizontal);
    TZebrinSkinBand& band = host.CaptionBand(0);
    const TRect bounds = c.horizontal ? TRect{0, 0, 300, 20} : TRect{0, 0, 20, 300};
    band.SetBoundsRect(bounds);
    TZebrinSkinCustomBandItem& item = *band.Item();
    TZebrinSkinCustomBandItem& ex = *band.ItemEx();
    item.SetText("Title");
    ex.SetText("Ex");
    for (auto [owner, on, align] : {std::tuple{&item, c.itemButton, c.itemAlign}, std::tuple{&ex, c.exButton, c.exAlign}}) {
      owner->Buttons()->SetImageList(&host.images);
      owner->Buttons()->SetAlign(align);
      if (on) owner->Buttons()->Add().SetImageIndex(0);
    }
    TRect r = bounds;
    band.Layout(r);
    EXPECT_EQ(r, bounds) << c.what << ": no hosted buttons, the items get the whole band";
    EXPECT_EQ(item.BoundsRect(), c.item) << c.what;
    EXPECT_EQ(ex.BoundsRect(), c.itemEx) << c.what;
    if (c.itemButton) {
      EXPECT_EQ(item.Buttons()->Items(0)->BoundsRect(), c.itemButtonRect) << c.what;
    }
    if (c.exButton) {
      EXPECT_EQ(ex.Buttons()->Items(0)->BoundsRect(), c.exButtonRect) << c.what;
    }
  }
}

TEST(BandItemLayoutTest, HiddenItemsAndFullBands) {
  ItemHost host;
  TZebrinSkinBand& band = host.CaptionBand(0);
  band.SetBoundsRect({0, 0, 40, 20});
  band.Item()->SetText("A long title");  // wider than the band: cut at its end
  band.ItemEx()->SetText("Ex");
  TRect r = band.BoundsRect();
  band.Layout(r);
  EXPECT_EQ(band.Item()->BoundsRect(), (TRect{4, 0, 40, 20}));
  EXPECT_TRUE(band.ItemEx()->BoundsRect().IsEmpty()) << "nothing is left for ItemEx";
  band.Item()->SetVisible(false);
  band.Layout(r = band.BoundsRect());
  EXPECT_TRUE(band.Item()->BoundsRect().IsEmpty());
  EXPECT_EQ(band.ItemEx()->BoundsRect(), (TRect{4, 0, 18, 20}));
  EXPECT_EQ(band.BandItemAtPos({5, 5}), band.ItemEx());
}

TEST(BandItemPaintTest, TextRecord) {
  ItemHost host;
  host.caption.SetBoundsRect({0, 10, 300, 30});
  TZebrinSkinBand& band = host.CaptionBand(0);
  band.SetBoundsRect({0, 10, 300, 30});
  TZebrinSkinCustomBandItem& item = *band.Item();
  item.SetText("Hello");
  item.SetLayout(silBottom);
  item.SetEdgeBorders(EdgeBit(sebBottom) | EdgeBit(sebRight));
  item.Font()->SetEdgeWidth(2);
  item.Font()->SetEdgeColor(0x123456);
  TRect r = band.BoundsRect();
  band.Layout(r);
  platform::TRecordingCanvas canvas;
  item.Paint(canvas);
  ASSERT_EQ(host.theme.texts.size(), 1u);
  const auto& [text, rec] = host.theme.texts[0];
  EXPECT_EQ(text, "Hello");
  // Relative to the band area.
  EXPECT_EQ(rec.Rect, (TRect{4, 0, 39, 20}));
  EXPECT_EQ(rec.Layout, silBottom);
  EXPECT_EQ(rec.Horizontal, 1);
  EXPECT_EQ(rec.ShadowEdges, EdgeBit(sebBottom) | EdgeBit(sebRight));
  EXPECT_EQ(rec.ShadowDepth, 2);
  EXPECT_EQ(rec.ShadowColor, 0x123456);
  EXPECT_EQ(rec.GlyphLayout, 1);
  EXPECT_EQ(rec.Font, &item.Font()->Font());

  // An owner that paints the item leaves nothing for the theme; one that declines does not.
  PaintHandler handler;
  item.OnCustomPaint().Bind(handler, &PaintHandler::Paint);
  host.theme.texts.clear();
  item.Paint(canvas);
  EXPECT_TRUE(host.theme.texts.empty());
  handler.paint = false;
  item.Paint(canvas);
  EXPECT_EQ(host.theme.texts.size(), 1u);
  EXPECT_EQ(handler.rects, (std::vector<TRect>{{4, 0, 39, 20}, {4, 0, 39, 20}}));
}

TEST(BandItemHintTest, HintTexts) {
  struct Case {
    const char* what;
    const char* text;
    int width;
    int value;
    TZebrinSkinBandItemStyle style;
    const char* hint;
    const char* expected;
  };
  const Case cases[] = {
      {"fits", "Title", -1, 0, sbsText, "", ""},
      {"fits, with hint", "Title", -1, 0, sbsText, "More", "More"},
      {"cut", "Title", 20, 0, sbsText, "", "Title"},
      {"cut, with hint", "Title", 20, 0, sbsText, "More", "Title\r\nMore"},
      {"progress", "", -1, 40, sbsProgress, "", "40%"},
      {"progress, with hint", "", -1, 40, sbsProgress, "Copying", "40%\r\nCopying"},
  };
  for (const Case& c : cases) {
    ItemHost host;
    TZebrinSkinBand& band = host.CaptionBand(0);
    band.SetBoundsRect({0, 0, 300, 20});
    TZebrinSkinCustomBandItem& item = *band.Item();
    item.SetText(c.text);
    item.SetWidth(c.width);
    item.SetValue(c.value);
    item.SetStyle(c.style);
    item.SetHint(c.hint);
    TRect r = band.BoundsRect();
    band.Layout(r);
    EXPECT_EQ(item.GetHintText(), c.expected) << c.what;
  }
}

TEST(BandItemTest, PublishedPropertiesAndDefaults) {
  struct Case {
    const char* name;
    int defaultValue;
    const char* enumName;  // how an enumeration reads back
  };
  const Case cases[] = {
      {"AutoStyle", false, nullptr}, {"CaptureMouse", false, nullptr}, {"ContentEditable", false, nullptr},
      {"Indent", 4, nullptr},        {"Layout", silCenter, "silCenter"}, {"Style", sbsText, "sbsText"},
      {"Value", 0, nullptr},         {"Visible", true, nullptr},        {"Width", -1, nullptr},
  };
  ItemHost host;
  const TZebrinSkinCustomBandItem& item = *host.CaptionBand(0).Item();
  for (const Case& c : cases) {
    const platform::TPropInfo* prop = TZebrinSkinBandItem::StaticClassInfo().FindProperty(c.name);
    ASSERT_NE(prop, nullptr) << c.name;
    const platform::Variant& stored = prop->Default();
    EXPECT_EQ(stored.IsBool() ? int(stored.AsBool()) : stored.ToInt(), c.defaultValue) << c.name;
    EXPECT_EQ(platform::GetOrdProp(item, *prop), c.defaultValue) << c.name;
    if (c.enumName) {
      EXPECT_EQ(platform::GetPropValue(item, *prop).AsString(), c.enumName) << c.name;
    }
  }
  for (const char* name : {"EdgeBorders", "Font", "Hint", "Buttons", "Text", "OnCustomPaint"})
    EXPECT_NE(TZebrinSkinBandItemEx::StaticClassInfo().FindProperty(name), nullptr) << name;
  EXPECT_EQ(SkinBandItemStyleInfo().Name(0), "sbsText");
  EXPECT_EQ(SkinBandItemStyleInfo().Name(1), "sbsProgress");
  EXPECT_EQ(SkinBandItemStyleInfo().Name(2), "sbsEdit");
  EXPECT_FALSE(host.CaptionBand(0).Item()->IsExtra());
  EXPECT_TRUE(host.CaptionBand(0).ItemEx()->IsExtra());
}

}  // namespace
}  // namespace halbrin::skins
