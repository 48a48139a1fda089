#include "skins/core/adapters.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/foundation/colors.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {
namespace {

using platform::clDefault;
using platform::RGBColor;
using platform::SystemColor;

// Defaults that answer row * 100 + param, record their calls and hold one font per row.
class FakeDefaults final : public ISkinDefaults {
 public:
  int DefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const override {
    lastRow = row;
    return static_cast<int>(row) * 100 + param;
  }
  const platform::TFont& DefaultFont(TSkinDefaultRow row) const override { return fonts[static_cast<int>(row)]; }
  void BeginUpdate() override { log.push_back("begin"); }
  void EndUpdate() override { log.push_back("end"); }
  void ApplySettings() override { log.push_back("apply"); }

  mutable TSkinDefaultRow lastRow = TSkinDefaultRow::Caption;
  platform::TFont fonts[kSkinDefaultRowCount];
  std::vector<std::string> log;
};

struct ChangeCounter {
  explicit ChangeCounter(TZebrinSkinElementAdapter& a) {
    a.ownerChanged = [this](bool) { ++count; };
  }
  int count = 0;
};

TEST(SkinAdapterTest, FreshAdapterIsDefaultAndReadsEveryValueFromItsRow) {
  FakeDefaults defaults;
  TZebrinSkinManagerButtonAdapter a(nullptr, &defaults, TSkinDefaultRow::ToolButton);
  EXPECT_TRUE(a.Default());
  EXPECT_EQ(a.Flags(), 0);
  const int row = static_cast<int>(TSkinDefaultRow::ToolButton) * 100;
  for (int p = 0; p <= sdpSize; ++p) EXPECT_EQ(a.GetParam(p), row + p) << p;
  EXPECT_EQ(a.GetParam(11), -1);
  EXPECT_EQ(a.GetParam(40), -1);
}

TEST(SkinAdapterTest, SettersKeepFlagsAndMarkers) {
  FakeDefaults defaults;
  TZebrinSkinElementAdapter a(nullptr, &defaults, TSkinOwnerKind::CaptionBand);
  ChangeCounter changes(a);

  a.SetEdgeWidth(-5);
  EXPECT_EQ(a.EdgeWidth(), sdpEdgeWidth);  // the default, flag off
  EXPECT_FALSE(a.IsSet(sdpEdgeWidth));
  EXPECT_EQ(changes.count, 0);

  a.SetColor(RGBColor(1, 2, 3));
  EXPECT_TRUE(a.IsSet(sdpColor));
  EXPECT_FALSE(a.Default());
  EXPECT_EQ(a.Color(), RGBColor(1, 2, 3));
  a.SetColor(clDefault);
  EXPECT_FALSE(a.IsSet(sdpColor));
  EXPECT_TRUE(a.Default());
  EXPECT_EQ(a.Color(), sdpColor);

  a.SetSize(0);
  EXPECT_TRUE(a.IsSet(sdpSize));
  EXPECT_EQ(a.Size(), 0);
  a.SetDefault(false);
  EXPECT_FALSE(a.Default());
  a.SetDefault(true);
  EXPECT_TRUE(a.Default());
  EXPECT_EQ(a.Size(), sdpSize);
  EXPECT_EQ(changes.count, 4);
}

TEST(SkinAdapterTest, UpdateBracketNotifiesOnceWithRecalc) {
  FakeDefaults defaults;
  TZebrinSkinButtonAdapter a(nullptr, &defaults);
  std::vector<bool> recalcs;
  a.ownerChanged = [&](bool recalc) { recalcs.push_back(recalc); };
  a.SetHotColor(RGBColor(9, 9, 9));
  a.BeginUpdate();
  a.SetColor(RGBColor(1, 1, 1));
  a.SetEdgeWidth(3);
  a.BeginUpdate();
  a.SetDownColor(RGBColor(2, 2, 2));
  a.EndUpdate();
  EXPECT_EQ(recalcs, std::vector<bool>({false}));
  a.EndUpdate();
  EXPECT_EQ(recalcs, std::vector<bool>({false, true}));
}

TEST(SkinAdapterTest, GetColorsKeepsItsOrder) {
  TZebrinSkinCustomAdapter a;
  a.SetBackgroundColor(10);
  a.SetColor(11);
  a.SetDisabledColor(12);
  a.SetDownColor(13);
  a.SetEdgeColor(14);
  a.SetHotColor(15);
  a.SetInactiveColor(16);
  a.SetInactiveEdgeColor(17);
  a.SetInactiveHotColor(18);
  const TSkinColors c = a.GetColors();
  const TColor got[] = {c.background, c.color,    c.disabled,     c.down,       c.edge,
                        c.hot,        c.inactive, c.inactiveEdge, c.inactiveHot};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i], 10 + i) << i;
}

TEST(SkinAdapterTest, AssignCopiesAllElevenValuesWithTheirFlags) {
  TZebrinSkinButtonAdapter from;
  from.SetBackgroundColor(1);
  from.SetColor(2);
  from.SetDisabledColor(3);
  from.SetDownColor(4);
  from.SetEdgeColor(5);
  from.SetEdgeWidth(6);
  from.SetHotColor(7);
  from.SetInactiveColor(8);
  from.SetInactiveEdgeColor(9);
  from.SetInactiveHotColor(10);
  from.SetSize(11);
  from.SetActiveTrack(false);
  from.SetHotTrack(false);

  TZebrinSkinButtonAdapter to;
  to.SetColor(99);
  ChangeCounter changes(to);
  to.Assign(from);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(to.Flags(), from.Flags());
  for (int p = 0; p <= sdpSize; ++p) EXPECT_EQ(to.GetParam(p), p + 1) << p;
  EXPECT_FALSE(to.ActiveTrack());
  EXPECT_FALSE(to.HotTrack());

  // Assigning a default adapter clears every flag.
  to.Assign(TZebrinSkinButtonAdapter());
  EXPECT_TRUE(to.Default());
}

TEST(SkinAdapterTest, ChangeRoutingPerKind) {
  FakeDefaults defaults;
  TZebrinSkinManagerAdapter manager(nullptr, &defaults, TSkinDefaultRow::Footer);
  manager.SetColor(1);
  EXPECT_EQ(defaults.log, std::vector<std::string>({"begin", "end"}));

  defaults.log.clear();
  TZebrinSkinManagerFontAdapter managerFont(nullptr, &defaults, TSkinDefaultRow::CaptionFont);
  managerFont.SetSize(12);
  EXPECT_EQ(defaults.log, std::vector<std::string>({"apply"}));

  defaults.log.clear();
  std::vector<bool> band;
  TZebrinSkinBandItemFontAdapter item(nullptr, &defaults);
  item.ownerChanged = [&](bool recalc) { band.push_back(recalc); };
  item.SetStyle(platform::fsBold);
  item.SetSize(14);
  EXPECT_EQ(band, std::vector<bool>({false, true}));
  EXPECT_TRUE(defaults.log.empty());
}

TEST(SkinAdapterTest, DefaultRowFollowsTheOwnerKind) {
  const struct {
    TSkinOwnerKind kind;
    TSkinDefaultRow row;
  } cases[] = {
      {TSkinOwnerKind::CaptionBand, TSkinDefaultRow::Caption},
      {TSkinOwnerKind::SmallCaptionBand, TSkinDefaultRow::SmallCaption},
      {TSkinOwnerKind::FooterBand, TSkinDefaultRow::Footer},
      {TSkinOwnerKind::Margin, TSkinDefaultRow::Margin},
      {TSkinOwnerKind::Splitter, TSkinDefaultRow::Splitter},
      {TSkinOwnerKind::CaptionButton, TSkinDefaultRow::Button},
      {TSkinOwnerKind::SmallCaptionButton, TSkinDefaultRow::SmallButton},
      {TSkinOwnerKind::ToolButton, TSkinDefaultRow::ToolButton},
      {TSkinOwnerKind::WindowButtons, TSkinDefaultRow::ButtonBrush},
      {TSkinOwnerKind::FooterBandItem, TSkinDefaultRow::FooterFont},
      {TSkinOwnerKind::ToolButtons, TSkinDefaultRow::ToolButtonFont},
  };
  FakeDefaults defaults;
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultRowFor(c.kind), c.row);
    TZebrinSkinElementAdapter a(nullptr, &defaults, c.kind);
    EXPECT_EQ(a.Color(), static_cast<int>(c.row) * 100 + sdpColor);
  }
}

TEST(SkinAdapterTest, PublishedMembersPerClass) {
  const struct {
    const platform::TClassInfo& info;
    std::vector<const char*> present;
    std::vector<const char*> absent;
  } cases[] = {
      {TZebrinSkinManagerAdapter::StaticClassInfo(), {"Color", "EdgeWidth", "Size", "Default", "ActiveTrack"},
       {"HotColor", "DownColor", "HotTrack"}},
      {TZebrinSkinManagerButtonAdapter::StaticClassInfo(), {"DownColor", "HotColor", "InactiveHotColor", "HotTrack"},
       {"Size"}},
      {TZebrinSkinManagerSplitterAdapter::StaticClassInfo(), {"Size", "HotColor", "HotTrack", "InactiveHotColor"},
       {"DownColor"}},
      {TZebrinSkinManagerFontAdapter::StaticClassInfo(), {"Size", "Name", "Style", "Color"}, {"HotColor"}},
      {TZebrinSkinManagerToolButtonFontAdapter::StaticClassInfo(), {"Name", "DownColor", "HotTrack"}, {}},
      {TZebrinSkinBandAdapter::StaticClassInfo(), {"Size"}, {"HotColor"}},
      {TZebrinSkinButtonAdapter::StaticClassInfo(), {"DownColor", "HotColor"}, {"Size"}},
      {TZebrinSkinSplitterAdapter::StaticClassInfo(), {"HotColor", "Size"}, {"DownColor"}},
      {TZebrinSkinMarginAdapter::StaticClassInfo(), {"Size", "Color"}, {"HotColor"}},
  };
  for (const auto& c : cases) {
    for (const char* name : c.present) EXPECT_NE(c.info.FindProperty(name), nullptr) << c.info.Name() << "." << name;
    for (const char* name : c.absent) EXPECT_EQ(c.info.FindProperty(name), nullptr) << c.info.Name() << "." << name;
  }
}

TEST(SkinFontAdapterTest, UnwrittenValuesFollowTheDefaultFont) {
  FakeDefaults defaults;
  platform::TFont& def = defaults.fonts[static_cast<int>(TSkinDefaultRow::CaptionFont)];
  TZebrinSkinManagerFontAdapter a(nullptr, &defaults, TSkinDefaultRow::CaptionFont);
  EXPECT_FALSE(a.HasOwnFont());
  def.SetName("Cantarell");
  EXPECT_EQ(a.Name(), "Cantarell");
  EXPECT_EQ(&a.Font(), &def);

  a.SetSize(15);
  ASSERT_TRUE(a.HasOwnFont());
  def.SetName("Ubuntu");
  def.SetStyle(platform::fsItalic);
  EXPECT_EQ(a.Name(), "Ubuntu");
  EXPECT_EQ(a.Font().Name(), "Ubuntu");
  EXPECT_EQ(a.Font().Style(), platform::fsItalic);
  EXPECT_EQ(a.Font().Size(), 15);

  a.SetName("Serif");
  def.SetName("Noto");
  EXPECT_EQ(a.Font().Name(), "Serif");
  a.SetName("");
  EXPECT_EQ(a.Name(), "Noto");

  a.SetDefault(true);
  EXPECT_FALSE(a.HasOwnFont());
}

TEST(SkinFontAdapterTest, AssignCopiesNameAndStyle) {
  FakeDefaults defaults;
  TZebrinSkinManagerFontAdapter from(nullptr, &defaults, TSkinDefaultRow::FooterFont);
  from.SetName("Serif");
  from.SetStyle(platform::fsBold);
  from.SetSize(11);
  from.SetColor(RGBColor(5, 6, 7));
  TZebrinSkinManagerFontAdapter to(nullptr, &defaults, TSkinDefaultRow::FooterFont);
  to.Assign(from);
  EXPECT_EQ(to.Name(), "Serif");
  EXPECT_EQ(to.Style(), platform::fsBold);
  EXPECT_EQ(to.Size(), 11);
  EXPECT_EQ(to.Color(), RGBColor(5, 6, 7));
  EXPECT_EQ(to.Flags(), from.Flags());

  platform::TFont font;
  font.SetName("Mono");
  font.SetSize(20);
  TZebrinSkinToolButtonsFontAdapter fromFont(nullptr, &defaults);
  fromFont.Assign(font);
  EXPECT_EQ(fromFont.Font().Name(), "Mono");
  EXPECT_EQ(fromFont.Size(), 20);
}

TEST(SkinColorTest, ButtonDecisionTable) {
  TZebrinSkinButtonAdapter a;
  a.SetColor(1);
  a.SetDisabledColor(2);
  a.SetDownColor(3);
  a.SetHotColor(4);
  a.SetInactiveColor(5);
  a.SetInactiveHotColor(6);
  const struct {
    bool skinEnabled, enabled, active, activeTrack, hot, hotTrack, down;
    TColor expected;
  } cases[] = {
      {false, true, true, true, false, true, false, 2},  {true, false, true, true, true, true, true, 2},
      {true, true, true, true, true, true, true, 3},     {true, true, false, true, false, true, true, 3},
      {true, true, true, true, false, true, false, 1},   {true, true, true, true, true, true, false, 4},
      {true, true, true, true, true, false, false, 1},   {true, true, false, true, false, true, false, 5},
      {true, true, false, true, true, true, false, 6},   {true, true, false, true, true, false, false, 5},
      {true, true, false, false, true, true, false, 4},  {true, true, false, false, false, true, false, 1},
  };
  for (const auto& c : cases) {
    a.SetActiveTrack(c.activeTrack);
    a.SetHotTrack(c.hotTrack);
    const TSkinColorState s{c.skinEnabled, c.enabled, c.active, c.hot, c.down};
    EXPECT_EQ(TZebrinSkinColor::Button(a, s), c.expected)
        << c.skinEnabled << c.enabled << c.active << c.activeTrack << c.hot << c.hotTrack << c.down;
  }
}

TEST(SkinColorTest, AreaEdgeAndBandRules) {
  TZebrinSkinElementAdapter a;
  a.SetColor(1);
  a.SetDisabledColor(2);
  a.SetInactiveColor(5);
  a.SetEdgeColor(7);
  a.SetInactiveEdgeColor(8);
  const TSkinColorState on{true, true, true, false, false};
  const TSkinColorState inactive{true, true, false, false, false};
  const TSkinColorState off{false, true, true, false, false};
  const TSkinColorState elementOff{true, false, true, false, false};
  EXPECT_EQ(TZebrinSkinColor::Splitter(a, on), 1);
  EXPECT_EQ(TZebrinSkinColor::Splitter(a, inactive), 5);
  EXPECT_EQ(TZebrinSkinColor::Splitter(a, elementOff), 2);
  EXPECT_EQ(TZebrinSkinColor::Margin(a, elementOff), 1);
  EXPECT_EQ(TZebrinSkinColor::Margin(a, off), 2);
  EXPECT_EQ(TZebrinSkinColor::Edge(a, on), 7);
  EXPECT_EQ(TZebrinSkinColor::Edge(a, inactive), 8);
  EXPECT_EQ(TZebrinSkinColor::Edge(a, off), 8);
  EXPECT_EQ(TZebrinSkinColor::Band(a, inactive, TSkinBandKind::Footer, true), 5);
  EXPECT_EQ(TZebrinSkinColor::Band(a, on, TSkinBandKind::Caption, false), 1);
  a.SetActiveTrack(false);
  EXPECT_EQ(TZebrinSkinColor::Margin(a, inactive), 1);
}

TEST(SkinColorTest, FlashBlendsTwoOfFiveTowardsTheCaptionColour) {
  platform::HeadlessDesktopService desktop;
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinElementAdapter a;
  a.SetColor(RGBColor(0, 0, 0));
  a.SetInactiveColor(RGBColor(250, 250, 250));
  const TColor activeCaption = desktop.SystemColor(platform::COLOR_ACTIVECAPTION);
  const TColor inactiveCaption = desktop.SystemColor(platform::COLOR_INACTIVECAPTION);
  const TSkinColorState on{true, true, true, false, false};
  const TSkinColorState inactive{true, true, false, false, false};
  const TSkinColorState off{false, true, true, false, false};
  EXPECT_EQ(TZebrinSkinColor::Band(a, on, TSkinBandKind::Caption, true),
            BlendColor(RGBColor(250, 250, 250), activeCaption, 2, 5));
  EXPECT_EQ(TZebrinSkinColor::Flash(a, inactive), BlendColor(RGBColor(0, 0, 0), inactiveCaption, 2, 5));
  EXPECT_EQ(TZebrinSkinColor::Flash(a, off), RGBColor(0, 0, 0));
}

TEST(SkinAdapterTest, MarginDefaultColourIsTheBrushWhileThereIsOne) {
  TZebrinSkinMarginAdapter a;
  std::optional<TColor> brush;
  a.brushColor = [&] { return brush; };
  EXPECT_EQ(a.Color(), clDefault);
  brush = RGBColor(3, 3, 3);
  EXPECT_EQ(a.Color(), RGBColor(3, 3, 3));
  a.SetColor(SystemColor(5));
  EXPECT_EQ(a.Color(), SystemColor(5));
}

TEST(SkinAdapterTest, BandSizeGrowsToItsButtons) {
  FakeDefaults defaults;
  TZebrinSkinBandAdapter a(nullptr, &defaults, TSkinOwnerKind::FooterBand);
  a.SetSize(10);
  int floor = 0;
  a.sizeFloor = [&] { return floor; };
  EXPECT_EQ(a.Size(), 10);
  floor = 24;
  EXPECT_EQ(a.Size(), 24);
}

}  // namespace
}  // namespace halbrin::skins
