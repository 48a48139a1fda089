#include "skins/core/skin_manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/foundation/colors.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin::skins {
namespace {

using platform::SystemColor;

class MetricsDesktop final : public platform::HeadlessDesktopService {
 public:
  platform::TDesktopMetrics Metrics() const override { return metrics; }
  platform::TFontSpec ElementFont(platform::TDesktopFont element) const override {
    return element == platform::TDesktopFont::Menu ? platform::TFontSpec{"Cantarell", 11, 0} : caption;
  }
  int CaretBlinkTime() const override { return blink; }
  void Tell(platform::TDesktopChange change) { Notify(change); }
  platform::TDesktopMetrics metrics;
  platform::TFontSpec caption{"Cantarell", 11, platform::fsBold};
  int blink = 600;
};

TEST(SkinManagerTest, AutoAdjustedMetrics) {
  const struct {
    platform::TDesktopMetrics in;
    bool autoAdjust;
    int caption, small, frame, edgeMetric, scroll;
  } cases[] = {
      {{10, 8, 2, 2, 0, 16}, true, 18, 15, 4, 2, 13},
      {{30, 30, 12, 2, 3, 17}, true, 30, 24, 8, 4, 14},
      {{20, 16, 5, 2, 3, 13}, true, 20, 16, 5, 2, 13},
      {{10, 8, 2, 2, 0, 16}, false, 10, 8, 2, 2, 16},
  };
  for (const auto& c : cases) {
    MetricsDesktop desktop;
    desktop.metrics = c.in;
    platform::ScopedDesktopService scope(desktop);
    TZebrinSkinManager manager;
    manager.SetAutoAdjust(c.autoAdjust);
    const TSkinMetrics& m = manager.Metrics();
    EXPECT_EQ(m.captionHeight, c.caption);
    EXPECT_EQ(m.smallCaptionHeight, c.small);
    EXPECT_EQ(m.frameWidth, c.frame);
    EXPECT_EQ(m.edgeMetric, c.edgeMetric);
    EXPECT_EQ(m.scrollWidth, c.scroll);
  }
}

TEST(SkinManagerTest, DefaultTableWithSubstitutions) {
  MetricsDesktop desktop;
  desktop.metrics = {20, 16, 5, 2, 3, 16};
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  const TColor sizer = manager.SizerColor();
  const struct {
    TSkinDefaultRow row;
    TZebrinSkinDefinedParam param;
    int expected;
  } cases[] = {
      {TSkinDefaultRow::Caption, sdpColor, SystemColor(platform::COLOR_ACTIVECAPTION)},
      {TSkinDefaultRow::Caption, sdpSize, 20},
      {TSkinDefaultRow::Caption, sdpEdgeWidth, 2},
      {TSkinDefaultRow::Button, sdpSize, 19},
      {TSkinDefaultRow::SmallButton, sdpSize, 16},
      {TSkinDefaultRow::Footer, sdpEdgeColor, SystemColor(platform::COLOR_BTNSHADOW)},
      {TSkinDefaultRow::Splitter, sdpColor, sizer},
      {TSkinDefaultRow::Splitter, sdpSize, 5},
      {TSkinDefaultRow::Margin, sdpColor, SystemColor(platform::COLOR_WINDOW)},
      {TSkinDefaultRow::ToolButton, sdpHotColor, sizer},
      {TSkinDefaultRow::ToolButton, sdpSize, 24},
      {TSkinDefaultRow::ButtonBrush, sdpSize, -1},
      {TSkinDefaultRow::CaptionFont, sdpStyle, 1},
      {TSkinDefaultRow::ToolButtonFont, sdpInactiveColor, SystemColor(platform::COLOR_GRAYTEXT)},
      {TSkinDefaultRow::FooterFont, sdpEdgeWidth, 1},
      {TSkinDefaultRow::Caption, sdpName, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(manager.DefaultParam(c.row, c.param), c.expected) << static_cast<int>(c.row) << "/" << c.param;
  EXPECT_EQ(manager.SizerColor(), BlendColor(desktop.SystemColor(platform::COLOR_BTNFACE),
                                            desktop.SystemColor(platform::COLOR_BTNHIGHLIGHT), 2, 5));
  // The manager's adapters read the same table, and an override hook sees every default.
  EXPECT_EQ(manager.Caption()->Size(), 20);
  manager.onDefaultParam = [](TSkinDefaultRow, TZebrinSkinDefinedParam p, int& v) {
    if (p == sdpSize) v = 99;
  };
  EXPECT_EQ(manager.Margin()->Size(), 99);
}

// What a skin file or a script sets on the manager's adapters is what every
// band, item and button of every skin shows while it leaves the value unset.
TEST(SkinManagerTest, TheManagersAdaptersAreTheDefaultsOfTheSkinsElements) {
  MetricsDesktop desktop;
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  TZebrinSkinBandAdapter captionArea(nullptr, &manager, TSkinOwnerKind::CaptionBand);
  TZebrinSkinBandAdapter footerBand(nullptr, &manager, TSkinOwnerKind::FooterBand);
  TZebrinSkinButtonAdapter windowButton(nullptr, &manager, TSkinOwnerKind::CaptionButton);
  windowButton.rowOf = [] { return TSkinDefaultRow::SmallButton; };
  TZebrinSkinElementAdapter toolButton(nullptr, &manager, TSkinOwnerKind::ToolButton);
  TZebrinSkinSplitterAdapter splitter(nullptr, &manager);
  const TColor tableCaption = manager.DefaultParam(TSkinDefaultRow::Caption, sdpColor);
  ASSERT_EQ(captionArea.Color(), tableCaption) << "before anything is set, the table answers";

  manager.Caption()->SetColor(0x8A5C2E);
  manager.Caption()->SetInactiveColor(0xB8A38F);
  manager.Caption()->SetSize(22);
  manager.Footer()->SetEdgeColor(0x112233);
  manager.SmallButton()->SetSize(13);
  manager.ToolButton()->SetHotColor(0x445566);
  manager.Splitter()->SetColor(0x778899);
  const struct {
    const char* what;
    const TZebrinSkinCustomAdapter& element;
    int param;
    int expected;
  } cases[] = {
      {"caption colour", captionArea, sdpColor, 0x8A5C2E},
      {"inactive caption colour", captionArea, sdpInactiveColor, 0xB8A38F},
      {"caption height", captionArea, sdpSize, 22},
      {"a caption value nobody set", captionArea, sdpEdgeColor,
       manager.DefaultParam(TSkinDefaultRow::Caption, sdpEdgeColor)},
      {"footer edge", footerBand, sdpEdgeColor, 0x112233},
      {"window button of the row it answers", windowButton, sdpSize, 13},
      {"tool button", toolButton, sdpHotColor, 0x445566},
      {"splitter", splitter, sdpColor, 0x778899},
  };
  for (const auto& c : cases) EXPECT_EQ(c.element.GetParam(c.param), c.expected) << c.what;

  // An element's own value wins; the manager's own adapter keeps its value
  // and reads the table for what it leaves unset.
  captionArea.SetColor(0x010203);
  EXPECT_EQ(captionArea.Color(), 0x010203);
  EXPECT_EQ(manager.Caption()->Color(), 0x8A5C2E);
  EXPECT_EQ(manager.Caption()->EdgeColor(), manager.DefaultParam(TSkinDefaultRow::Caption, sdpEdgeColor));
  captionArea.SetColor(platform::clDefault);
  EXPECT_EQ(captionArea.Color(), 0x8A5C2E);
  // Unset on the manager: the table again.
  manager.Caption()->SetColor(platform::clDefault);
  EXPECT_EQ(captionArea.Color(), tableCaption);
  // The override hook has the last word for set and unset values alike.
  manager.onDefaultParam = [](TSkinDefaultRow row, TZebrinSkinDefinedParam p, int& v) {
    if (row == TSkinDefaultRow::Caption && p == sdpSize) v += 100;
  };
  EXPECT_EQ(captionArea.Size(), 122);
  manager.Caption()->SetSize(-1);
  EXPECT_EQ(captionArea.Size(), manager.Metrics().captionHeight + 100);
}

TEST(SkinManagerTest, ItemFontsFollowTheManagersFontsWhereTheyLeaveAValueUnset) {
  MetricsDesktop desktop;
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  TZebrinSkinBandItemFontAdapter captionItem(nullptr, &manager, TSkinOwnerKind::CaptionBandItem);
  TZebrinSkinBandItemFontAdapter footerItem(nullptr, &manager, TSkinOwnerKind::FooterBandItem);
  EXPECT_EQ(captionItem.Font().Name(), "Cantarell");
  manager.CaptionFont()->SetName("DejaVu Serif");
  manager.CaptionFont()->SetSize(13);
  manager.CaptionFont()->SetColor(0x00FFFFFF);
  EXPECT_EQ(captionItem.Name(), "DejaVu Serif");
  EXPECT_EQ(captionItem.Size(), 13);
  EXPECT_EQ(captionItem.Color(), 0x00FFFFFF);
  EXPECT_EQ(captionItem.Font().Name(), "DejaVu Serif");
  EXPECT_EQ(footerItem.Name(), "Cantarell") << "another row's font is left alone";
  // An item's own size stays its own; the rest still follows the manager.
  captionItem.SetSize(9);
  manager.CaptionFont()->SetName("DejaVu Sans");
  EXPECT_EQ(captionItem.Font().Size(), 9);
  EXPECT_EQ(captionItem.Font().Name(), "DejaVu Sans");
  EXPECT_EQ(captionItem.Font().Color(), 0x00FFFFFF);
  // The manager's own fonts come from the desktop.
  manager.CaptionFont()->SetDefault(true);
  EXPECT_EQ(manager.CaptionFont()->Name(), "Cantarell");
  EXPECT_EQ(captionItem.Font().Name(), "Cantarell");
}

TEST(SkinManagerTest, ElementFontsFromTheDesktop) {
  MetricsDesktop desktop;
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  EXPECT_EQ(manager.ElementFont(platform::TDesktopFont::Caption).Spec(),
            (platform::TFontSpec{"Cantarell", 11, platform::fsBold}));
  // An identical small caption loses bold, the footer is never bold.
  EXPECT_EQ(manager.ElementFont(platform::TDesktopFont::SmallCaption).Style(), 0u);
  EXPECT_EQ(manager.ElementFont(platform::TDesktopFont::Status).Style(), 0u);
  EXPECT_EQ(manager.CaptionFont()->Name(), "Cantarell");
  EXPECT_EQ(manager.ToolButtonFont()->Size(), 11);
  // Stock names become the desktop's face.
  desktop.caption = {"MS Sans Serif", 8, 0};
  manager.SystemSettingsChanged();
  EXPECT_EQ(manager.FooterFont()->Name(), "Cantarell");
}

TEST(SkinManagerTest, UpdateBracketUpdatesOnceAndNeverGoesBelowZero) {
  TZebrinSkinManager manager;
  int updates = 0;
  manager.onUpdateSkins = [&] { ++updates; };
  manager.EndUpdate();
  EXPECT_EQ(manager.UpdateCount(), 0);
  EXPECT_EQ(updates, 0);
  manager.BeginUpdate();
  manager.BeginUpdate();
  manager.Caption()->SetColor(5);
  manager.SetSizerColor(7);
  manager.EndUpdate();
  EXPECT_EQ(updates, 0);
  manager.EndUpdate();
  EXPECT_EQ(updates, 1);
  manager.Splitter()->SetHotColor(3);
  EXPECT_EQ(updates, 2);
}

TEST(SkinManagerTest, ScalarsDropDownFlashDelayAndDefault) {
  MetricsDesktop desktop;
  desktop.metrics = {20, 16, 5, 2, 3, 16};
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  manager.SetDropDownSize(50);
  EXPECT_EQ(manager.DropDownSize(), 32);
  manager.SetDropDownSize(5);
  EXPECT_EQ(manager.DropDownSize(), 8);  // (13 - 1) * 2 / 3

  EXPECT_EQ(manager.FlashDelay(), 300);
  desktop.blink = 1000;
  manager.SystemSettingsChanged();
  EXPECT_EQ(manager.FlashDelay(), 500);
  manager.SetFlashDelay(250);
  manager.SystemSettingsChanged();
  EXPECT_EQ(manager.FlashDelay(), 250);

  EXPECT_TRUE(manager.Default());
  manager.Hint()->SetDelay(300);
  EXPECT_FALSE(manager.Default());
  manager.Hint()->SetDelay(500);
  manager.ToolButtonFont()->SetHotColor(1);
  EXPECT_FALSE(manager.Default());
  manager.SetDefault(true);
  EXPECT_TRUE(manager.Default());
}

TEST(SkinManagerTest, ApplicationColourAndStateReachTheSkins) {
  TZebrinSkinManager manager;
  int updates = 0;
  manager.onUpdateSkins = [&] { ++updates; };
  manager.ApplyApplicationColor(platform::RGBColor(1, 2, 3));
  EXPECT_EQ(manager.Margin()->Color(), platform::RGBColor(1, 2, 3));
  EXPECT_EQ(manager.ButtonBrush()->Color(), platform::RGBColor(1, 2, 3));
  EXPECT_EQ(updates, 1);
  manager.ApplicationActivated(false);
  manager.ApplicationActivated(false);
  manager.MainFormMinimized(true);
  EXPECT_FALSE(manager.ApplicationActive());
  EXPECT_TRUE(manager.MainFormIsMinimized());
  EXPECT_EQ(updates, 3);
}

TEST(SkinManagerTest, DesktopChangesAreReadAgain) {
  MetricsDesktop desktop;
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  int updates = 0;
  int colorEvents = 0;
  manager.onUpdateSkins = [&] { ++updates; };
  manager.onSystemColorsChanged = [&] { ++colorEvents; };
  desktop.metrics.captionHeight = 30;
  desktop.Tell(platform::TDesktopChange::Metrics);
  EXPECT_EQ(manager.Metrics().captionHeight, 30);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(colorEvents, 0);
  desktop.Tell(platform::TDesktopChange::Colors);
  EXPECT_EQ(colorEvents, 1);
  desktop.Tell(platform::TDesktopChange::Monitors);
  EXPECT_EQ(updates, 2);
}

TEST(SkinManagerTest, AppTimersOnePerNumberAndNoneWhileTerminating) {
  platform::FakeEventLoop loop;
  platform::ScopedMainEventLoop scope(loop);
  TZebrinSkinManager manager;
  std::vector<int> ticks;
  for (int id : {1004, 1011}) manager.SetAppTimerHandler(id, [&ticks, id] { ticks.push_back(id); });
  manager.SetAppTimer(1004, 100);
  manager.SetAppTimer(1004, 50);
  manager.SetAppTimer(1011, 70);
  loop.Advance(60);
  EXPECT_EQ(ticks, std::vector<int>({1004}));
  manager.KillAppTimer(1004);
  EXPECT_FALSE(manager.AppTimerActive(1004));
  loop.Advance(60);
  EXPECT_EQ(ticks, std::vector<int>({1004, 1011}));
  bool terminating = true;
  manager.isTerminating = [&] { return terminating; };
  manager.SetAppTimer(1012, 10);
  EXPECT_FALSE(manager.AppTimerActive(1012));
  manager.KillAppTimer(1011);
}

// A handler may kill its own timer (the hint timers do).
TEST(SkinManagerTest, AppTimerHandlerKillsItsOwnTimer) {
  platform::FakeEventLoop loop;
  platform::ScopedMainEventLoop scope(loop);
  TZebrinSkinManager manager;
  int ticks = 0;
  manager.SetAppTimerHandler(1005, [&] {
    ++ticks;
    manager.KillAppTimer(1005);
  });
  manager.SetAppTimer(1005, 50);
  manager.SetAppTimer(1013, 10);  // no handler: ticks harmlessly
  loop.Advance(200);
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(manager.AppTimerActive(1005));
  EXPECT_TRUE(manager.AppTimerActive(1013));
}

class ListedSkin final : public IManagedSkin {
 public:
  ListedSkin(const char* name, platform::TComponent* owner, const platform::TComponent* control)
      : component(owner), control(control) {
    component.SetName(name);
  }
  const platform::TComponent& SkinComponent() const override { return component; }
  const platform::TComponent* SkinControl() const override { return control; }
  void SkinChanged() override {
    ++changes;
    if (onChanged) onChanged();
  }
  platform::TComponent component;
  const platform::TComponent* control;
  int changes = 0;
  std::function<void()> onChanged;
};

TEST(SkinManagerTest, SkinListFindAndCheck) {
  TZebrinSkinManager manager;
  platform::TComponent form;
  form.SetName("Form1");
  platform::TComponent pane(&form), other(&form);
  pane.SetName("Pane");
  other.SetName("Other");
  ListedSkin owned("PaneSkin", &form, &pane), loose("LooseSkin", nullptr, &other);
  manager.AddSkin(owned);
  manager.AddSkin(loose);
  manager.AddSkin(owned);
  ASSERT_EQ(manager.SkinCount(), 2);
  EXPECT_EQ(&manager.Skins(0), &owned);
  EXPECT_EQ(manager.FindSkin(&pane), &owned);
  EXPECT_EQ(manager.FindSkin(nullptr), nullptr);
  EXPECT_EQ(manager.FindSkin(&form), nullptr);

  const struct {
    const platform::TComponent* control;
    const char* message;
  } cases[] = {{&pane, "Pane already skinned by Form1.PaneSkin"}, {&other, "Other already skinned by LooseSkin"}};
  for (const auto& c : cases) {
    try {
      manager.CheckNotSkinned(*c.control);
      ADD_FAILURE() << c.message;
    } catch (const ESkinException& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_NO_THROW(manager.CheckNotSkinned(form));

  manager.RemoveSkin(owned);
  manager.RemoveSkin(owned);
  EXPECT_EQ(manager.SkinCount(), 1);
  EXPECT_EQ(manager.FindSkin(&pane), nullptr);
}

// Updates reach every skin in order once the outermost bracket closes; a
// skin removed by another's update is not told.
TEST(SkinManagerTest, UpdateSkinsTellsEachListedSkin) {
  TZebrinSkinManager manager;
  platform::TComponent a, b, c;
  ListedSkin first("A", nullptr, &a), second("B", nullptr, &b), third("C", nullptr, &c);
  std::vector<std::string> order;
  first.onChanged = [&] {
    order.push_back("A");
    manager.RemoveSkin(second);
  };
  third.onChanged = [&] { order.push_back("C"); };
  for (ListedSkin* skin : {&first, &second, &third}) manager.AddSkin(*skin);
  manager.BeginUpdate();
  manager.BeginUpdate();
  manager.SetSizerColor(platform::RGBColor(1, 2, 3));
  manager.EndUpdate();
  EXPECT_TRUE(order.empty());
  manager.EndUpdate();
  EXPECT_EQ(order, std::vector<std::string>({"A", "C"}));
  EXPECT_EQ(second.changes, 0);
}

TEST(SkinManagerTest, SkinAbortIsSilent) {
  try {
    SkinAbort();
    ADD_FAILURE() << "no abort";
  } catch (const platform::EAbort& e) {
    EXPECT_EQ(e.Message(), "Skin operation aborted");
    EXPECT_NE(dynamic_cast<const ESkinAbort*>(&e), nullptr);
  }
}

TEST(SkinManagerTest, OneManagerPerProcess) {
  EXPECT_EQ(SkinManager(), nullptr);
  TZebrinSkinManager& made = CreateSkinManager();
  EXPECT_EQ(SkinManager(), &made);
  EXPECT_EQ(&CreateSkinManager(), &made);
  EXPECT_THROW(TZebrinSkinManager second, ESkinManagerException);
  EXPECT_EQ(SkinManager(), &made);
  FreeSkinManager();
  EXPECT_EQ(SkinManager(), nullptr);

  // With a creator installed, the manager comes from it.
  std::unique_ptr<TZebrinSkinManager> owned;
  SetSkinManagerCreator([&owned] {
    owned = std::make_unique<TZebrinSkinManager>();
    return owned.get();
  });
  TZebrinSkinManager* created = &CreateSkinManager();
  EXPECT_EQ(created, owned.get());
  EXPECT_EQ(SkinManager(), owned.get());
  SetSkinManagerCreator(nullptr);
  owned.reset();
  EXPECT_EQ(SkinManager(), nullptr);
}

TEST(SkinManagerGlyphTest, ButtonImagesFollowTheButtonSizes) {
  MetricsDesktop desktop;
  desktop.metrics = {20, 16, 5, 2, 3, 16};
  platform::ScopedDesktopService scope(desktop);
  TZebrinSkinManager manager;
  struct Case {
    platform::TCustomImageList* list;
    const char* name;
    int size, count;
  };
  const Case cases[] = {
      {manager.ButtonImages(), "ButtonImages", 19, 9},
      {manager.SmallButtonImages(), "SmallButtonImages", 16, 9},
      {manager.ArrowButtonImages(), "ArrowButtonImages", 8, 4},
  };
  for (const Case& c : cases) {
    ASSERT_NE(c.list, nullptr) << c.name;
    EXPECT_EQ(manager.FindComponent(c.name), c.list) << "an owned sub-component by its name";
    EXPECT_EQ(c.list->Width(), c.size) << c.name;
    EXPECT_EQ(c.list->Height(), c.size) << c.name;
    EXPECT_EQ(c.list->Count(), c.count) << c.name;
  }

  // The glyphs are drawn again before the skins hear of the change.
  int sizeWhenUpdated = 0;
  manager.onUpdateSkins = [&] { sizeWhenUpdated = manager.ButtonImages()->Width(); };
  manager.Button()->SetSize(30);
  EXPECT_EQ(sizeWhenUpdated, 30);
  EXPECT_EQ(manager.ButtonImages()->Count(), 9);
  EXPECT_EQ(manager.SmallButtonImages()->Width(), 16);
  manager.SmallButton()->SetSize(12);
  EXPECT_EQ(manager.SmallButtonImages()->Width(), 12);
  EXPECT_EQ(manager.SmallButtonImages()->Count(), 9);
  EXPECT_EQ(manager.ButtonImages()->Width(), 30);

  // New metrics change the defaults, and so the glyphs.
  manager.SmallButton()->SetDefault(true);
  desktop.metrics.smallCaptionHeight = 17;
  desktop.Tell(platform::TDesktopChange::Metrics);
  EXPECT_EQ(manager.SmallButtonImages()->Width(), 17);
}

TEST(SkinManagerGlyphTest, ArrowsAtTheDropDownSizeOrTheScrollWidth) {
  const struct {
    bool autoAdjust;
    int scrollWidth, dropDownSize, expected;
  } cases[] = {
      {true, 16, 0, 8},    // scroll 13 after adjusting: (13 - 1) * 2 / 3
      {false, 30, 0, 19},  // (30 - 1) * 2 / 3
      {true, 16, 20, 20},
      {false, 10, 0, 10},  // 6 is below 8: the scroll width
      {false, 10, 5, 10},
      {false, 10, 12, 12},
  };
  for (const auto& c : cases) {
    MetricsDesktop desktop;
    desktop.metrics.scrollWidth = c.scrollWidth;
    platform::ScopedDesktopService scope(desktop);
    TZebrinSkinManager manager;
    manager.SetAutoAdjust(c.autoAdjust);
    manager.SetDropDownSize(c.dropDownSize);
    const platform::TCustomImageList& arrows = *manager.ArrowButtonImages();
    EXPECT_EQ(arrows.Width(), c.expected) << c.scrollWidth << " " << c.dropDownSize;
    EXPECT_EQ(arrows.Height(), c.expected);
    EXPECT_EQ(arrows.Count(), 4);
  }
}

TEST(SkinManagerGlyphTest, OptionImagesAreMadeOncePerProcess) {
  const platform::TCustomImageList& images = TZebrinSkinManager::OptionImages();
  EXPECT_EQ(&TZebrinSkinManager::OptionImages(), &images);
  EXPECT_EQ(images.Count(), 9);
  EXPECT_EQ(images.Width(), 16);
  EXPECT_EQ(images.Height(), 16);
  EXPECT_EQ(SkinManager(), nullptr) << "no manager is needed for them";
}

}  // namespace
}  // namespace halbrin::skins
