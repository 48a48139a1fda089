#include "skins/core/window_buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "button_fixtures.h"
#include "platform/classes/class_info.h"
#include "platform/graphics/recording_canvas.h"

namespace halbrin::skins {
namespace {

using namespace button_test;
using platform::TRecordingCanvas;

std::string Rect(const TRect& r) { return TRecordingCanvas::RectText(r); }

// Frees a component from an event handler.
class Freer final : public TObject {
 public:
  explicit Freer(platform::TComponent& target) : target(target) {}
  void Free(TObject*) { platform::TComponent::Free(target); }
  platform::TComponent& target;
};

class Clicks final : public TObject {
 public:
  explicit Clicks(FakeSkin& skin) : skin(skin) {}
  void Clicked(TObject* sender) { skin.Log("click " + FakeSkin::Describe(*sender)); }
  FakeSkin& skin;
};

// Defaults that answer the row's number for every parameter.
class RowDefaults final : public ISkinDefaults {
 public:
  int DefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam) const override { return static_cast<int>(row); }
  const platform::TFont& DefaultFont(TSkinDefaultRow) const override { return font; }
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void ApplySettings() override {}
  platform::TFont font;
};

TEST(WindowButtonsTest, AddedButtonsTakeTheStylesInOrder) {
  FakeSkin skin;
  for (int i = 0; i < 10; ++i) skin.buttons.Add();
  for (int i = 0; i < 9; ++i) EXPECT_EQ(skin.buttons.Items(i)->Style(), i) << i;
  EXPECT_EQ(skin.buttons.Items(9)->Style(), btsCheck) << "the tenth is btsCheck too";

  const TZebrinSkinWindowButton& b = *skin.buttons.Items(0);
  EXPECT_EQ(b.Indent(), 0);
  EXPECT_TRUE(b.Masked());
  EXPECT_EQ(b.Margin(), 0);
  EXPECT_EQ(b.State(), StateBit(sbsCreated) | StateBit(sbsMasked));
}

TEST(WindowButtonsTest, CollectionDefaultsAndPublishedMembers) {
  FakeSkin skin;
  const TZebrinSkinWindowButtons& buttons = skin.buttons;
  EXPECT_EQ(buttons.Align(), siaRight);
  EXPECT_FALSE(buttons.CaptureMouse());
  EXPECT_FALSE(buttons.HideItems());
  EXPECT_EQ(buttons.Layout(), silCenter);
  EXPECT_EQ(buttons.DragMode(), dmManual);
  EXPECT_EQ(buttons.BandIndex(), 0);
  EXPECT_EQ(buttons.BandsIndex(), 0);
  EXPECT_EQ(buttons.Brush()->Row(), TSkinDefaultRow::ButtonBrush);

  const platform::TClassInfo& cls = TZebrinSkinWindowButtons::StaticClassInfo();
  struct Default {
    const char* name;
    int value;
  };
  for (const Default& d : {Default{"Align", siaRight}, Default{"CaptureMouse", 0}, Default{"HideItems", 0},
                           Default{"BandIndex", 0}, Default{"BandsIndex", 0}, Default{"DragMode", dmManual},
                           Default{"Layout", silCenter}}) {
    const platform::TPropInfo* prop = cls.FindProperty(d.name);
    ASSERT_NE(prop, nullptr) << d.name;
    EXPECT_EQ(prop->Default().ToInt(), d.value) << d.name;
  }
  EXPECT_NE(cls.FindProperty("Brush"), nullptr);
  const platform::TClassInfo& button = TZebrinSkinWindowButton::StaticClassInfo();
  for (const char* name : {"Style", "OnDblClick", "OnMouseDown", "OnClick", "Hint"})
    EXPECT_NE(button.FindProperty(name), nullptr) << name;
  EXPECT_EQ(button.FindProperty("Indent")->Default().ToInt(), 0);
  EXPECT_TRUE(button.FindProperty("Masked")->Default().ToBool());
}

TEST(WindowButtonsTest, MinusOneImageIndexDrawsTheStyleImage) {
  FakeSkin skin;
  TZebrinSkinWindowButton& b = skin.buttons.Add();
  b.SetStyle(btsMinimize);
  EXPECT_EQ(b.ImageIndex(), -1);
  EXPECT_EQ(b.GetImageIndex(), 3);
  skin.buttons.LayoutButtons({0, 0, 100, 20});
  TRecordingCanvas canvas;
  skin.buttons.Paint(canvas);
  ASSERT_EQ(canvas.Calls().size(), 1u);
  EXPECT_EQ(canvas.Calls()[0].rfind("DrawImageMasked(3 84,2 ", 0), 0u) << canvas.Calls()[0];

  b.SetImageIndex(5);
  canvas.ClearCalls();
  skin.buttons.Paint(canvas);
  EXPECT_EQ(canvas.Calls()[0].rfind("DrawImageMasked(5 ", 0), 0u) << canvas.Calls()[0];
}

TEST(WindowButtonsTest, GlyphsComeFromTheManagerUnlessAnImageListIsSet) {
  FakeSkin skin;
  TZebrinSkinWindowButtons& buttons = skin.buttons;
  buttons.Add();
  EXPECT_EQ(buttons.Images(), &skin.images);
  EXPECT_EQ(buttons.ButtonSize(0), 16);

  skin.formSkin = false;  // every band of a non-form skin uses the small caption
  EXPECT_TRUE(buttons.UsesSmallCaption());
  EXPECT_EQ(buttons.Images(), &skin.smallImages);
  EXPECT_EQ(buttons.ButtonSize(0), 12);

  skin.designing = true;
  EXPECT_NE(buttons.GetHintText().find("\r\nImageList=SkinManager.SmallButtonImages\r\n"), std::string::npos)
      << buttons.GetHintText();

  TCustomImageList own;
  FillImages(own, 9, 20);
  own.SetName("Own");
  buttons.SetImageList(&own);
  EXPECT_EQ(buttons.Images(), &own);
  EXPECT_EQ(buttons.ButtonSize(0), 20);
  EXPECT_NE(buttons.GetHintText().find("\r\nImageList=Own\r\n"), std::string::npos);
  buttons.SetImageList(nullptr);

  skin.managerImages = false;
  EXPECT_EQ(buttons.Images(), nullptr);
  EXPECT_EQ(buttons.ButtonSize(0), 0);
}

TEST(WindowButtonsTest, ButtonSizeIsTheImageAndItsMargins) {
  FakeSkin skin;
  TZebrinSkinWindowButton& b = skin.buttons.Add();
  skin.buttons.SetButtonMinSize(40);
  skin.buttons.SetButtonMaxSize(10);
  EXPECT_EQ(skin.buttons.ButtonSize(0), 16) << "the image extent both ways";
  b.SetMargin(3);
  EXPECT_EQ(skin.buttons.ButtonSize(0), 22);
  b.SetShowImage(false);
  EXPECT_EQ(skin.buttons.ButtonSize(0), 22) << "at least the minimum plus the margins";
}

TEST(WindowButtonsTest, LayoutInTheirBandFromTheRightWithoutOverflow) {
  FakeSkin skin;
  for (int i = 0; i < 3; ++i) skin.buttons.Add();
  skin.Band().SetBoundsRect({0, 0, 40, 20});
  EXPECT_EQ(skin.buttons.Band(), &skin.Band());
  const TRect used = skin.buttons.Place({0, 0, 40, 20});
  EXPECT_EQ(Rect(skin.buttons.Items(0)->BoundsRect()), "24,2,40,18");
  EXPECT_EQ(Rect(skin.buttons.Items(1)->BoundsRect()), "8,2,24,18");
  EXPECT_EQ(Rect(skin.buttons.Items(2)->BoundsRect()), "-8,2,8,18") << "HideItems is off: placed anyway";
  EXPECT_EQ(skin.buttons.OverflowCount(), 0);
  EXPECT_EQ(Rect(used), "-8,2,40,18");

  skin.buttons.SetBandIndex(3);
  EXPECT_EQ(skin.buttons.Band(), nullptr);
  skin.buttons.SetBandIndex(0);
  skin.buttons.SetBandsIndex(1);
  EXPECT_EQ(skin.buttons.Band(), nullptr);
}

TEST(WindowButtonsTest, GlyphAtMarginWithTheButtonColour) {
  for (const bool horizontal : {true, false}) {
    FakeSkin skin(nullptr, horizontal);
    RecordingButtonPainter painter;
    skin.painter = &painter;
    TZebrinSkinWindowButton& b = skin.buttons.Add();
    b.SetMargin(3);
    b.Metrics()->SetColor(0x112233);
    skin.buttons.Brush()->SetColor(0x445566);
    b.SetTransparent(false);
    skin.buttons.RefreshOrientation();  // as a layout does
    TRecordingCanvas canvas;
    skin.buttons.PaintButton(canvas, 0, {10, 20, 32, 36});
    ASSERT_EQ(painter.glyphs.size(), 1u);
    const TSkinWindowButtonParams& glyph = painter.glyphs[0];
    EXPECT_EQ(glyph.X, horizontal ? 13 : 10);
    EXPECT_EQ(glyph.Y, horizontal ? 20 : 23);
    EXPECT_EQ(glyph.ImageIndex, 0);
    EXPECT_EQ(glyph.Images, &skin.images);
    EXPECT_EQ(glyph.State, b.State());
    EXPECT_EQ(glyph.GlyphColor, 0x112233u) << "the glyph in the button's colour";
    ASSERT_EQ(painter.fills.size(), 1u);
    EXPECT_EQ(painter.fills[0].Color, 0x445566u) << "the fill in the brush's";
  }
}

TEST(WindowButtonsTest, FillColourPerState) {
  struct Case {
    const char* what;
    bool hot, pressed, enabled, active, controlEnabled, hotTrack;
    TColor expected;
  };
  const Case cases[] = {
      {"normal", false, false, true, true, true, true, 0x000001},
      {"hot", true, false, true, true, true, true, 0x000002},
      {"hot without HotTrack", true, false, true, true, true, false, 0x000001},
      {"pressed", true, true, true, true, true, true, 0x000003},
      {"disabled", true, false, false, true, true, true, 0x000004},
      {"control disabled", false, false, true, true, false, true, 0x000004},
      {"inactive", false, false, true, false, true, true, 0x000005},
      {"inactive and hot", true, false, true, false, true, true, 0x000006},
  };
  for (const Case& c : cases) {
    FakeSkin skin;
    skin.active = c.active;
    skin.controlEnabled = c.controlEnabled;
    TZebrinSkinWindowButtons& buttons = skin.buttons;
    buttons.SetHotTrack(c.hotTrack);
    TZebrinSkinButtonAdapter& brush = *buttons.Brush();
    brush.SetColor(0x000001);
    brush.SetHotColor(0x000002);
    brush.SetDownColor(0x000003);
    brush.SetDisabledColor(0x000004);
    brush.SetInactiveColor(0x000005);
    brush.SetInactiveHotColor(0x000006);
    TZebrinSkinWindowButton& b = buttons.Add();
    b.SetTransparent(false);
    b.SetStateBit(sbsHot, c.hot);
    b.SetStateBit(sbsPressed, c.pressed);
    b.SetEnabled(c.enabled);
    buttons.SetDownShift(false);
    TRecordingCanvas canvas;
    buttons.PaintButton(canvas, 0, {0, 0, 16, 16});
    ASSERT_FALSE(canvas.Calls().empty()) << c.what;
    EXPECT_EQ(canvas.Calls()[0], "FillRect(0,0,16,16 " + TRecordingCanvas::ColorText(c.expected) + ")") << c.what;
  }
}

TEST(WindowButtonsTest, HintShowsShortAndLongPartsOnTwoLines) {
  FakeSkin skin;
  TZebrinSkinWindowButton& b = skin.buttons.Add();
  b.SetHint("Close|Alt+F4");
  EXPECT_EQ(b.GetHintText(), "Close\r\nAlt+F4");
  b.SetHint("Minimize");
  EXPECT_EQ(b.GetHintText(), "Minimize");
  b.SetHint("a|b|c");
  EXPECT_EQ(b.GetHintText(), "a\r\nb|c");
  skin.designing = true;
  EXPECT_NE(b.GetHintText().find("\r\nHint=a|b|c\r\n"), std::string::npos) << "the description while designing";
}

TEST(WindowButtonsClickTest, CommandsByStyle) {
  struct Case {
    TZebrinSkinButtonStyle style;
    const char* automatic;
    const char* own;
  };
  const Case cases[] = {
      {btsClose, "command 0", "operation 0"},       {btsMaximize, "command 1", "operation 1"},
      {btsRestore, "command 2", "operation 2"},     {btsMinimize, "command 3", "operation 3"},
      {btsHelp, "command 4", "operation 4"},        {btsNext, "command 5", nullptr},
      {btsPrevious, "command 6", nullptr},          {btsCombo, "combo 0", "combo 0"},
      {btsCheck, "command 7", nullptr},
  };
  for (const Case& c : cases) {
    for (const bool autoButtons : {true, false}) {
      FakeSkin skin;
      skin.autoButtons = autoButtons;
      skin.buttons.AddButton(c.style);
      skin.log.clear();
      skin.buttons.Click(0);
      const char* expected = autoButtons ? c.automatic : c.own;
      EXPECT_EQ(skin.log, expected ? std::vector<std::string>{expected} : std::vector<std::string>{})
          << "style " << int(c.style) << (autoButtons ? " with" : " without") << " AutoButtons";
    }
  }
  EXPECT_EQ(WindowCommandOf(btsCheck), TWindowCommand::Check);
  EXPECT_FALSE(WindowCommandOf(btsCombo).has_value());
}

TEST(WindowButtonsClickTest, OnButtonClickOverridesAfterTheButtonsOwnClick) {
  FakeSkin skin;
  TZebrinSkinWindowButton& b = skin.buttons.AddButton(btsClose);
  Clicks clicks(skin);
  b.OnClick().Bind(clicks, &Clicks::Clicked);
  skin.onButtonClick = [&](TZebrinSkinWindowButton& button) { skin.Log("onbuttonclick " + FakeSkin::Describe(button)); };
  skin.log.clear();
  skin.buttons.Click(0);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"click 0", "onbuttonclick 0"}));
}

TEST(WindowButtonsClickTest, OnlyEnabledCapturingButtonsRunCommands) {
  FakeSkin skin;
  TZebrinSkinWindowButton& b = skin.buttons.AddButton(btsClose);
  Clicks clicks(skin);
  b.OnClick().Bind(clicks, &Clicks::Clicked);
  b.SetCaptureMouse(false);
  skin.log.clear();
  skin.buttons.Click(0);
  EXPECT_EQ(skin.log, (std::vector<std::string>{"click 0"})) << "the button's click, no command";
  b.SetCaptureMouse(true);
  b.SetEnabled(false);
  skin.log.clear();
  skin.buttons.Click(0);
  EXPECT_TRUE(skin.log.empty());
  skin.buttons.Click(4);  // out of range
}

TEST(WindowButtonsClickTest, SkinFreedByTheClickHandlersGoesAfterwards) {
  // Freed by OnButtonClick: no command follows.
  {
    platform::TComponent root;
    FakeSkin& skin = platform::MakeComponent<FakeSkin>(root);
    std::vector<std::string> seen;
    skin.mirror = &seen;
    const platform::TWeakRef<platform::TComponent> alive(&skin);
    skin.buttons.AddButton(btsClose);
    skin.onButtonClick = [&](TZebrinSkinWindowButton&) {
      platform::TComponent::Free(skin);
      EXPECT_TRUE(alive) << "deferred while the click runs";
      skin.Log("freed");
    };
    seen.clear();
    skin.buttons.Click(0);
    EXPECT_FALSE(alive);
    EXPECT_EQ(seen, (std::vector<std::string>{"freed"}));
  }
  // Freed by the button's own OnClick: neither OnButtonClick nor a command.
  {
    platform::TComponent root;
    FakeSkin& skin = platform::MakeComponent<FakeSkin>(root);
    std::vector<std::string> seen;
    skin.mirror = &seen;
    const platform::TWeakRef<platform::TComponent> alive(&skin);
    TZebrinSkinWindowButton& b = skin.buttons.AddButton(btsClose);
    Freer freer(skin);
    b.OnClick().Bind(freer, &Freer::Free);
    skin.onButtonClick = [&](TZebrinSkinWindowButton&) { skin.Log("onbuttonclick"); };
    seen.clear();
    skin.buttons.Click(0);
    EXPECT_FALSE(alive);
    EXPECT_TRUE(seen.empty());
  }
}

TEST(WindowButtonsClickTest, ButtonDeletedByOnButtonClickSendsNoCommand) {
  FakeSkin skin;
  skin.buttons.AddButton(btsClose);
  skin.onButtonClick = [&](TZebrinSkinWindowButton&) { skin.buttons.Delete(0); };
  skin.autoButtons = true;
  skin.log.clear();
  skin.buttons.Click(0);
  EXPECT_EQ(skin.buttons.Count(), 0);
  for (const std::string& line : skin.log) EXPECT_EQ(line.find("command"), std::string::npos) << line;
}

TEST(WindowButtonsStateTest, UpdateButtonsFollowsTheWindowState) {
  struct Case {
    const char* what;
    TSkinWindowButtonState state;
    bool autoButtons;
    // close, maximize, restore, minimize, help, combo: visible / enabled
    const char* visible;
    const char* enabled;
  };
  const Case cases[] = {
      {"normal", {true, false, false, false, false, false}, true, "110100", "111111"},
      {"maximized", {true, true, false, false, false, false}, true, "101100", "111111"},
      {"minimized", {true, false, true, false, false, false}, true, "111000", "111111"},
      {"no control", {false, false, false, false, false, false}, true, "100000", "111111"},
      {"context help and a menu", {true, false, false, true, false, true}, true, "110111", "111111"},
      {"without AutoButtons", {true, false, false, true, false, false}, false, "110111", "111100"},
      {"without AutoButtons, help on", {true, false, false, false, true, true}, false, "110111", "111111"},
  };
  const TZebrinSkinButtonStyle styles[] = {btsClose, btsMaximize, btsRestore, btsMinimize, btsHelp, btsCombo};
  for (const Case& c : cases) {
    FakeSkin skin;
    skin.autoButtons = c.autoButtons;
    for (TZebrinSkinButtonStyle style : styles) skin.buttons.AddButton(style);
    skin.log.clear();
    skin.buttons.UpdateButtons(c.state);
    std::string visible, enabled;
    for (int i = 0; i < skin.buttons.Count(); ++i) {
      visible += skin.buttons.Items(i)->Visible() ? '1' : '0';
      enabled += skin.buttons.Items(i)->Enabled() ? '1' : '0';
    }
    EXPECT_EQ(visible, c.visible) << c.what;
    EXPECT_EQ(enabled, c.enabled) << c.what;
    EXPECT_LE(skin.log.size(), 1u) << c.what << ": one refresh for the whole update";
  }
  // A button that manages itself is left alone.
  FakeSkin skin;
  skin.buttons.AddButton(btsMaximize).SetSelfManaged(true);
  skin.buttons.UpdateButtons({true, true, false, false, false, false});
  EXPECT_TRUE(skin.buttons.Items(0)->Visible());
}

TEST(WindowButtonsTest, MetricsDefaultsFollowTheCaptionSize) {
  FakeSkin skin;
  RowDefaults defaults;
  TZebrinSkinWindowButtons buttons(&skin, &skin, &defaults);
  TZebrinSkinWindowButton& b = buttons.Add();
  EXPECT_EQ(b.Metrics()->EdgeWidth(), static_cast<int>(TSkinDefaultRow::Button));
  skin.formSkin = false;
  EXPECT_EQ(b.Metrics()->EdgeWidth(), static_cast<int>(TSkinDefaultRow::SmallButton));
  EXPECT_EQ(buttons.Brush()->EdgeWidth(), static_cast<int>(TSkinDefaultRow::ButtonBrush));
}

TEST(WindowButtonsTest, AssignCopiesTheStyle) {
  FakeSkin skin;
  TZebrinSkinWindowButton& a = skin.buttons.AddButton(btsHelp, "Help");
  TZebrinSkinWindowButton& b = skin.buttons.Add();
  b.Assign(a);
  EXPECT_EQ(b.Style(), btsHelp);
  EXPECT_EQ(b.Hint(), "Help");

  FakeSkin other;
  other.buttons.Assign(skin.buttons);
  ASSERT_EQ(other.buttons.Count(), 2);
  EXPECT_EQ(other.buttons.Items(1)->Style(), btsHelp);
  EXPECT_EQ(other.buttons.Align(), siaRight);
}

}  // namespace
}  // namespace halbrin::skins
