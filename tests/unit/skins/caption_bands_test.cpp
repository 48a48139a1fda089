#include "skins/core/caption_bands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/classes/property_access.h"

namespace halbrin::skins {
namespace {

// A skin stand-in: the caption's orientation and area, the design state and a log of refreshes.
class FakeHost final : public ISkinBandHost {
 public:
  TPoint WindowOrigin() const override { return {}; }
  bool Designing() const override { return designing; }
  ISkinBandButtons* WindowButtonsIn(const TZebrinSkinBand& band) override {
    return &band == buttonsBand ? buttons : nullptr;
  }
  void RefreshFrame() override { ++refreshes; }
  bool CaptionHorizontal() const override { return horizontal; }
  TRect CaptionBandsRect() const override { return captionRect; }

  bool designing = false;
  bool horizontal = true;
  TRect captionRect;
  const TZebrinSkinBand* buttonsBand = nullptr;
  ISkinBandButtons* buttons = nullptr;
  int refreshes = 0;
};

// Buttons that take nothing and remember the rectangles they were offered.
class OfferedButtons final : public ISkinBandButtons {
 public:
  bool Visible() const override { return true; }
  TRect Place(const TRect& area) override {
    offered.push_back(area);
    return TRect{};
  }
  TRect Rect() const override { return TRect{}; }
  void Paint(platform::ICanvas&) override {}
  std::vector<TRect> offered;
};

struct BandSpec {
  int indent;
  int size;
  bool visible = true;
};

template <class Bands>
void AddBands(Bands& bands, std::initializer_list<BandSpec> specs) {
  for (const BandSpec& s : specs) {
    TZebrinSkinBand& band = bands.Add();
    band.SetIndent(s.indent);
    band.Metrics()->SetSize(s.size);
    band.SetVisible(s.visible);
  }
}

template <class Bands>
std::vector<TRect> BandRects(const Bands& bands) {
  std::vector<TRect> rects;
  for (int i = 0; i < bands.Count(); ++i) rects.push_back(bands.Items(i)->BoundsRect());
  return rects;
}

TEST(SkinCaptionBandsTest, StacksVisibleBandsFromTheTopOrTheLeft) {
  const TRect frame{10, 5, 310, 205};
  struct Case {
    bool horizontal;
    std::vector<TRect> bands;
    TRect area;
  };
  const Case cases[] = {
      {true, {{10, 5, 310, 25}, {}, {10, 28, 310, 44}}, {10, 5, 310, 44}},
      {false, {{10, 5, 30, 205}, {}, {33, 5, 49, 205}}, {10, 5, 49, 205}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.horizontal ? "horizontal" : "vertical");
    FakeHost host;
    host.horizontal = c.horizontal;
    TZebrinSkinCaptionBands caption(nullptr, &host);
    AddBands(caption, {{0, 20}, {4, 50, false}, {3, 16}});
    caption.Items(1)->SetBoundsRect({1, 1, 9, 9});
    TRect area{-5, -5, -5, -5};
    caption.Layout(frame, area);
    EXPECT_EQ(BandRects(caption), c.bands);
    EXPECT_EQ(area, c.area);
    EXPECT_EQ(caption.BoundsRect(), c.area);
    EXPECT_EQ(caption.IsHorizontalLayout(), c.horizontal);
  }
}

TEST(SkinCaptionBandsTest, AnAreaWithoutVisibleBandsIsEmpty) {
  FakeHost host;
  TZebrinSkinCaptionBands caption(nullptr, &host);
  TRect area;
  caption.Layout({0, 0, 200, 100}, area);
  EXPECT_TRUE(area.IsEmpty()) << "no bands";

  AddBands(caption, {{0, 20}, {0, 16, false}});
  caption.Layout({0, 0, 200, 100}, area);
  ASSERT_EQ(area, (TRect{0, 0, 200, 20}));
  caption.SetVisible(false);
  caption.Layout({0, 0, 200, 100}, area);
  EXPECT_TRUE(area.IsEmpty()) << "a hidden collection";
  EXPECT_EQ(BandRects(caption), (std::vector<TRect>{{}, {}})) << "no band keeps its old place";
}

TEST(SkinCaptionBandsTest, EachBandLaysOutInItsOwnRectangle) {
  FakeHost host;
  OfferedButtons buttons;
  TZebrinSkinCaptionBands caption(nullptr, &host);
  AddBands(caption, {{0, 20}, {2, 18}});
  host.buttonsBand = caption.Items(1);
  host.buttons = &buttons;
  TRect area;
  caption.Layout({0, 0, 300, 200}, area);
  EXPECT_EQ(buttons.offered, (std::vector<TRect>{{0, 22, 300, 40}}));
}

TEST(SkinCaptionBandsTest, OrientationFollowsTheSkinAndTurnsTheEdges) {
  FakeHost host;
  TZebrinSkinCaptionBands caption(nullptr, &host);
  TZebrinSkinFooterBands footer(nullptr, &host);
  TZebrinSkinBand& c = caption.Add();
  TZebrinSkinBand& f = footer.Add();
  c.SetEdgeBorders(EdgeBit(sebTop));
  f.SetEdgeBorders(EdgeBit(sebTop));
  host.horizontal = false;
  EXPECT_FALSE(caption.IsHorizontalLayout());
  EXPECT_TRUE(footer.IsHorizontalLayout());
  EXPECT_EQ(c.EffectiveEdgeBorders(), EdgeBit(sebLeft));
  EXPECT_EQ(f.EffectiveEdgeBorders(), EdgeBit(sebTop));
  TZebrinSkinCaptionBands unhosted;
  EXPECT_TRUE(unhosted.IsHorizontalLayout());
}

TEST(SkinFooterBandsTest, StacksFromTheBottomOfWhatTheCaptionLeaves) {
  struct Case {
    const char* what;
    TRect frame, caption;
    std::vector<BandSpec> specs;
    std::vector<TRect> bands;
    TRect area;
    bool overflow;
  };
  const Case cases[] = {
      {"two bands below a top caption", {0, 0, 200, 300}, {0, 0, 200, 30},
       {{0, 20}, {2, 15}}, {{0, 280, 200, 300}, {0, 263, 200, 278}}, {0, 263, 200, 300}, false},
      {"beside a left caption", {0, 0, 200, 300}, {0, 0, 30, 300},
       {{0, 20}}, {{30, 280, 200, 300}}, {30, 280, 200, 300}, false},
      {"a hidden band ends the stack", {0, 0, 200, 300}, {},
       {{0, 20}, {5, 40, false}, {0, 10}}, {{0, 280, 200, 300}, {}, {}}, {0, 280, 200, 300}, false},
      {"the third of three does not fit: squeezed, later ones get nothing", {0, 0, 200, 100}, {0, 0, 200, 10},
       {{0, 40}, {0, 40}, {0, 40}, {0, 5}},
       {{0, 60, 200, 100}, {0, 20, 200, 60}, {0, 10, 200, 20}, {}}, {0, 10, 200, 100}, true},
      {"an exact fit is no overflow", {0, 0, 200, 100}, {0, 0, 200, 60},
       {{0, 40}}, {{0, 60, 200, 100}}, {0, 60, 200, 100}, false},
      {"a band after an exact fit overflows with no room", {0, 0, 200, 100}, {0, 0, 200, 60},
       {{0, 40}, {0, 1}, {0, 1}}, {{0, 60, 200, 100}, {0, 60, 200, 60}, {}}, {0, 60, 200, 100}, true},
      {"an indent beyond the space leaves the band empty", {0, 0, 200, 100}, {0, 0, 200, 60},
       {{0, 20}, {30, 10}, {0, 5}}, {{0, 80, 200, 100}, {0, 60, 200, 60}, {}}, {0, 60, 200, 100}, true},
      {"no bands", {0, 0, 200, 100}, {}, {}, {}, {0, 100, 200, 100}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeHost host;
    host.captionRect = c.caption;
    TZebrinSkinFooterBands footer(nullptr, &host);
    for (const BandSpec& s : c.specs) AddBands(footer, {s});
    // A first, roomy layout gives every band a place; the second must not leave any behind.
    TRect area;
    footer.Layout({0, 0, 2000, 2000}, area);
    footer.Layout(c.frame, area);
    EXPECT_EQ(BandRects(footer), c.bands);
    EXPECT_EQ(area, c.area);
    EXPECT_EQ(footer.BoundsRect(), c.area);
    EXPECT_EQ(footer.Overflow(), c.overflow);
  }
}

TEST(SkinFooterBandsTest, OverflowIsClearedByTheNextLayout) {
  FakeHost host;
  TZebrinSkinFooterBands footer(nullptr, &host);
  AddBands(footer, {{0, 40}, {0, 40}});
  TRect area;
  footer.Layout({0, 0, 100, 50}, area);
  ASSERT_TRUE(footer.Overflow());
  footer.Layout({0, 0, 100, 500}, area);
  EXPECT_FALSE(footer.Overflow());
  EXPECT_EQ(footer.Items(1)->BoundsRect(), (TRect{0, 420, 100, 460}));
  footer.SetVisible(false);
  footer.Layout({0, 0, 100, 500}, area);
  EXPECT_TRUE(area.IsEmpty());
  EXPECT_EQ(BandRects(footer), (std::vector<TRect>{{}, {}}));
}

TEST(SkinCaptionBandsTest, AlignAndDefaultTextWritesLayTheAreaOutAgain) {
  FakeHost host;
  TZebrinSkinCaptionBands caption(nullptr, &host);
  caption.SetAlign(scaLeft);
  caption.SetDefaultText(true);
  EXPECT_EQ(host.refreshes, 2);
  caption.SetAlign(scaLeft);
  caption.SetDefaultText(true);
  EXPECT_EQ(host.refreshes, 2) << "unchanged values";
  {
    platform::TCollection::TUpdateScope update(caption);
    caption.SetAlign(scaAuto);
    caption.SetDefaultText(false);
  }
  EXPECT_EQ(host.refreshes, 3) << "once at the end of an update";
  EXPECT_EQ(caption.Align(), scaAuto);
  EXPECT_FALSE(caption.DefaultText());
}

TEST(SkinCaptionBandsTest, AssignAddsTheCaptionValues) {
  FakeHost host;
  TZebrinSkinCaptionBands source(nullptr, &host), target(nullptr, &host);
  source.SetAlign(scaStupidLeft);
  source.SetCaptureMouse(false);
  source.SetDefaultText(true);
  source.SetTransparent(true);
  source.Metrics()->SetSize(30);
  host.refreshes = 0;
  target.Assign(source);
  EXPECT_EQ(target.Align(), scaStupidLeft);
  EXPECT_FALSE(target.CaptureMouse());
  EXPECT_TRUE(target.DefaultText());
  EXPECT_TRUE(target.Transparent());
  EXPECT_EQ(target.Metrics()->Size(), 30);
  EXPECT_EQ(host.refreshes, 1) << "one update for the whole copy";

  // From footer bands only the base's values come over.
  TZebrinSkinFooterBands footer(nullptr, &host);
  footer.SetTransparent(false);
  target.Assign(footer);
  EXPECT_FALSE(target.Transparent());
  EXPECT_EQ(target.Align(), scaStupidLeft);
  EXPECT_TRUE(target.DefaultText());
}

TEST(SkinCaptionBandsTest, DescriptionAddsDefaultTextAtDesignTime) {
  FakeHost host;
  platform::TComponent skin;
  skin.SetName("Skin1");
  TZebrinSkinCaptionBands caption(&skin, &host);
  caption.SetDefaultText(true);
  EXPECT_EQ(caption.GetDumpText(), "");
  host.designing = true;
  EXPECT_EQ(caption.GetDumpText(),
            "Skin1.Caption\r\nBounds=Left: 0; Top: 0; Right: 0; Bottom: 0\r\nCount=0\r\nTransparent=False"
            "\r\nDefaultText=True");
  TZebrinSkinFooterBands footer(&skin, &host);
  EXPECT_EQ(footer.GetNamePath(), "Skin1.Footer");
  EXPECT_EQ(footer.GetDumpText().find("DefaultText"), std::string::npos);
}

TEST(SkinCaptionBandsTest, KindsDefaultsAndPublishedValues) {
  TZebrinSkinCaptionBands caption;
  TZebrinSkinFooterBands footer;
  EXPECT_EQ(caption.GetKind(), 0);
  EXPECT_EQ(footer.GetKind(), 1);
  EXPECT_EQ(caption.Metrics()->Row(), TSkinDefaultRow::Caption);
  EXPECT_EQ(footer.Metrics()->Row(), TSkinDefaultRow::Footer);
  EXPECT_EQ(footer.Add().Metrics()->Row(), TSkinDefaultRow::Footer);
  EXPECT_EQ(caption.Add().Metrics()->Row(), TSkinDefaultRow::Caption);

  const platform::TClassInfo& info = TZebrinSkinCaptionBands::StaticClassInfo();
  const platform::TPropInfo& align = platform::RequirePropInfo(caption, "Align");
  EXPECT_EQ(platform::GetEnumName(align, platform::GetOrdProp(caption, align)), "scaTop");
  platform::SetOrdProp(caption, align, platform::GetEnumValue(align, "scaAutoInverse"));
  EXPECT_EQ(caption.Align(), scaAutoInverse);
  for (const char* name : {"CaptureMouse", "DefaultText"}) {
    const platform::TPropInfo* prop = info.FindProperty(name);
    ASSERT_NE(prop, nullptr) << name;
    EXPECT_EQ(prop->Default().ToBool(), platform::GetPropValue(caption, *prop).ToBool()) << name;
  }
  EXPECT_NE(info.FindProperty("Metrics"), nullptr) << "the base's properties stay published";
  EXPECT_EQ(TZebrinSkinFooterBands::StaticClassInfo().FindProperty("DefaultText"), nullptr);
}

}  // namespace
}  // namespace halbrin::skins
