// The caption icon: which picture shows, where it sits in the caption and
// ahead of the first band's items, its looks flags under the mouse, cursor,
// clicks, Assign and the frame refreshes of its setters.

#include "skins/core/skin_icon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "platform/classes/property_access.h"
#include "platform/controls/form.h"
#include "platform/graphics/recording_canvas.h"
#include "skins/core/custom_skin.h"
#include "skins/core/form_skin.h"

namespace halbrin::skins {
namespace {

using platform::TArgbImage;
using platform::TComponent;
using platform::TObject;

constexpr int kWidth = 200, kHeight = 150, kBand = 24;

// A skin that is not a form skin, with a settable answer to "the screen cursor is the default".
class TPlainSkin : public TZebrinCustomSkin {
 public:
  using TZebrinCustomSkin::TZebrinCustomSkin;
  std::vector<TZebrinSkinButtonStyle> DefaultButtons() const override { return {}; }
  bool CursorIsDefault() const override { return cursorDefault; }
  bool cursorDefault = true;
};

class Handlers final : public TComponent {
 public:
  using TComponent::TComponent;
  void Click(TObject* sender) { log.push_back(sender ? "click" : "click nil"); }
  void DblClick(TObject*) { log.push_back("dblclick"); }
  void Down(TObject*, TMouseButton, TShiftState, int x, int y) {
    log.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  }
  std::vector<std::string> log;
};

class SkinIconTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  SkinIconTest() {
    form = &platform::MakeComponent<platform::TForm>(root);
    form->SetName("Form1");
    form->SetBounds(0, 0, kWidth, kHeight);
    platform::TWindowTraits traits;
    traits.caption = true;
    form->SetWindowTraits(traits);
    form->HandleNeeded();
    handlers = &platform::MakeComponent<Handlers>(root);
  }
  ~SkinIconTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  template <class Skin>
  Skin& Hook() {
    auto& s = platform::MakeComponent<Skin>(root);
    s.Caption()->Add().Metrics()->SetSize(kBand);
    s.Caption()->Items(0)->Item()->SetText("Title");
    s.SetControl(form);
    s.SetEnabled(true);
    s.Icon()->Image()->SetImage(TArgbImage(16, 16, 0xFF0000FF));
    s.Icon()->SetVisible(true);
    return s;
  }

  TRecordingWindowHost& Host() { return *hosts.HostOf(*form); }
  TWindowPointer At(TPoint window) {
    TWindowPointer p;
    p.pos = window;
    p.screen = Host().WindowToScreen(window);
    return p;
  }
  int Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(hosts.log.begin(), hosts.log.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }

  TComponent root;
  platform::TForm* form = nullptr;
  Handlers* handlers = nullptr;
};

// ---- The shown graphic ----

TEST_F(SkinIconTest, ShownPictureByStateAndTracker) {
  enum Shown { Image, Hot, Down, Inactive, Default };
  enum Mouse { Away, Hover, Press, FlagsOnly };
  const struct {
    const char* what;
    bool formSkin, defaultImage, formIcon;
    bool hotPicture, downPicture, inactivePicture;
    Mouse mouse;
    bool inactive;
    Shown shown;
  } cases[] = {
      {"plain", false, false, false, true, true, true, Away, false, Image},
      {"hovered", false, false, false, true, true, true, Hover, false, Hot},
      {"hovered without a hot picture", false, false, false, false, true, true, Hover, false, Image},
      {"pressed", false, false, false, true, true, true, Press, false, Down},
      {"pressed without a down picture", false, false, false, true, false, true, Press, false, Hot},
      {"flags set while the tracker holds another element", false, false, false, true, true, true, FlagsOnly, false, Image},
      {"inactive", false, false, false, true, true, true, Away, true, Inactive},
      {"inactive without an inactive picture", false, false, false, true, true, false, Away, true, Image},
      {"hovered beats inactive", false, false, false, true, true, true, Hover, true, Hot},
      {"DefaultImage on a form skin", true, true, true, true, true, true, Hover, false, Default},
      {"DefaultImage on a form skin whose form has no icon", true, true, false, true, true, true, Away, false, Image},
      {"DefaultImage on another skin", false, true, true, true, true, true, Away, false, Image},
      {"a form skin without DefaultImage", true, false, true, true, true, true, Away, false, Image},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TArgbImage formIcon(32, 32, 0xFF00FF00);
    form->SetIcon(c.formIcon ? &formIcon : nullptr);
    TZebrinCustomSkin& skin = c.formSkin ? static_cast<TZebrinCustomSkin&>(Hook<TZebrinFormSkin>())
                                         : static_cast<TZebrinCustomSkin&>(Hook<TPlainSkin>());
    TZebrinSkinIcon& icon = *skin.Icon();
    icon.SetDefaultImage(c.defaultImage);
    if (c.hotPicture) icon.HotImage()->SetImage(TArgbImage(16, 16, 0xFFFF0000));
    if (c.downPicture) icon.DownImage()->SetImage(TArgbImage(16, 16, 0xFF000000));
    if (c.inactivePicture) icon.InactiveImage()->SetImage(TArgbImage(16, 16, 0xFF808080));
    skin.SetActive(!c.inactive);
    const TPoint onIcon{10, 10};
    ASSERT_TRUE(icon.Rect().Contains(onIcon));
    switch (c.mouse) {
      case Hover: skin.PointerMotion(At(onIcon)); break;
      case Press:
        skin.PointerMotion(At(onIcon));
        skin.PointerPress(At(onIcon));
        break;
      case FlagsOnly:
        skin.PointerMotion(At({150, 10}));
        icon.SetHot(true);
        icon.SetDown(true);
        break;
      case Away: break;
    }
    const platform::TPicture* expected[] = {icon.Image(), icon.HotImage(), icon.DownImage(), icon.InactiveImage()};
    if (c.shown == Default) {
      for (const platform::TPicture* p : expected) EXPECT_NE(&icon.ShownPicture(), p);
      ASSERT_NE(icon.ShownGraphic(), nullptr);
      EXPECT_EQ(icon.ShownGraphic()->Width, 16);
      EXPECT_EQ(icon.ShownGraphic()->Pixel(8, 8), 0xFF00FF00u) << "the form's icon, scaled";
    } else {
      EXPECT_EQ(&icon.ShownPicture(), expected[c.shown]);
    }
    skin.SetControl(nullptr);
    form->SetIcon(nullptr);
  }
}

TEST(SkinIconScaleTest, AveragesThePixelsEachTargetPixelCovers) {
  TArgbImage image(2, 2);
  image.SetPixel(0, 0, 0xFF000000);
  image.SetPixel(1, 0, 0xFF0000FF);
  image.SetPixel(0, 1, 0x00000000);
  image.SetPixel(1, 1, 0xFF0000FF);
  const TArgbImage one = ScaleArgbImage(image, 1, 1);
  EXPECT_EQ(one.Pixel(0, 0), 0xBF000080u);
  const TArgbImage four = ScaleArgbImage(image, 4, 4);
  EXPECT_EQ(four.Pixel(3, 3), 0xFF0000FFu);
  EXPECT_EQ(four.Pixel(0, 3), 0u);
  EXPECT_EQ(ScaleArgbImage(TArgbImage{}, 16, 16).Width, 0);
}

// ---- Place ----

TEST_F(SkinIconTest, IndentTopCentresTheGraphicOnTheFirstVisibleBand) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  EXPECT_EQ(icon.IndentTop(), (kBand - 16) / 2);
  EXPECT_EQ(icon.Rect(), (TRect{4, 4, 20, 20}));
  // A hidden first band: the next visible one centres it.
  skin.Caption()->Add().Metrics()->SetSize(30);
  skin.Caption()->Items(0)->SetVisible(false);
  EXPECT_EQ(icon.IndentTop(), 7);
  // No visible band: -1 and nowhere to be.
  skin.Caption()->Items(1)->SetVisible(false);
  EXPECT_EQ(icon.IndentTop(), -1);
  EXPECT_TRUE(icon.Rect().IsEmpty());
  skin.Caption()->Items(0)->SetVisible(true);
  // A stored value stays, 0 included; without a graphic the stored -1 reads.
  icon.SetIndentTop(0);
  EXPECT_EQ(icon.IndentTop(), 0);
  EXPECT_EQ(icon.Rect(), (TRect{4, 0, 20, 16}));
  icon.SetIndentTop(-1);
  icon.Image()->Clear();
  EXPECT_EQ(icon.IndentTop(), -1);
  EXPECT_TRUE(icon.Rect().IsEmpty());
}

TEST_F(SkinIconTest, RectangleAndHitTest) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  icon.SetIndentLeft(6);
  const TRect rect{6, 4, 22, 20};
  EXPECT_EQ(icon.Rect(), rect);
  const TPoint inside{6, 4}, outside{22, 10};
  EXPECT_EQ(icon.HitTest(Host().WindowToScreen(inside)), kHitSkinIcon);
  EXPECT_EQ(skin.HitTest(inside), kHitSkinIcon);
  EXPECT_EQ(icon.HitTest(Host().WindowToScreen(outside)), kHitNowhere);
  icon.SetCaptureMouse(false);
  EXPECT_EQ(icon.HitTest(Host().WindowToScreen(inside)), kHitSkinCaption);
  icon.SetCaptureMouse(true);
  icon.SetVisible(false);
  EXPECT_TRUE(icon.Rect().IsEmpty());
  EXPECT_EQ(icon.HitTest(Host().WindowToScreen(inside)), kHitNowhere);
  EXPECT_NE(skin.ItemAtPos(inside).kind, TSkinElement::Kind::Icon);
}

TEST_F(SkinIconTest, FirstBandItemsStartPastTheIconInEitherOrientation) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  // A text longer than the band, so the item reaches the icon's side.
  skin.Caption()->Items(0)->Item()->SetText(std::string(40, 'x'));
  const auto itemRect = [&] { return skin.Caption()->Items(0)->Item()->Rect(); };
  for (const TZebrinSkinCaptionAlign align : {scaTop, scaLeft}) {
    SCOPED_TRACE(std::to_string(align));
    skin.Caption()->SetAlign(align);
    const bool horizontal = align == scaTop;
    ASSERT_EQ(skin.Horizontal(), horizontal);
    icon.SetVisible(false);
    const TRect without = itemRect();
    icon.SetVisible(true);
    const TRect with = itemRect();
    const TRect place = icon.Rect();
    ASSERT_FALSE(place.IsEmpty());
    if (horizontal) {
      EXPECT_EQ(with.Left - without.Left, place.Right);
      EXPECT_EQ(place, (TRect{4, 4, 20, 20}));
    } else {
      // Vertical items run up from the bottom and end below the icon.
      EXPECT_LT(without.Top, place.Bottom);
      EXPECT_EQ(with.Top, place.Bottom);
      EXPECT_EQ(with.Bottom, without.Bottom);
      EXPECT_EQ(place, (TRect{4, 4, 20, 20})) << "centred by the graphic's height on vertical captions too";
    }
  }
}

TEST_F(SkinIconTest, PaintsAfterTheCaptionBands) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  platform::TRecordingCanvas screen;
  Host().surfaces.clear();
  skin.PaintFrame(screen);
  ASSERT_FALSE(Host().surfaces.empty());
  const std::vector<std::string>& calls = Host().surfaces.front()->Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "DrawPicture(16x16 4,4)");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "DrawPicture(16x16 4,4)"), 1);

  skin.Icon()->SetVisible(false);
  Host().surfaces.clear();
  skin.PaintFrame(screen);
  for (const auto& surface : Host().surfaces)
    for (const std::string& call : surface->Calls()) EXPECT_EQ(call.rfind("DrawPicture", 0), std::string::npos);
}

// ---- The mouse ----

TEST_F(SkinIconTest, FlagsNeedCaptureMouseEnabledAndTheMatchingPicture) {
  const struct {
    const char* what;
    bool capture, enabled, picture, set;
  } cases[] = {
      {"all three", true, true, true, true},
      {"not capturing", false, true, true, false},
      {"disabled", true, false, true, false},
      {"no picture", true, true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TZebrinSkinIcon icon;
    icon.SetCaptureMouse(c.capture);
    icon.SetEnabled(c.enabled);
    if (c.picture) {
      icon.HotImage()->SetImage(TArgbImage(4, 4, 0xFF000000));
      icon.DownImage()->SetImage(TArgbImage(4, 4, 0xFF000000));
    }
    EXPECT_EQ(icon.SetHot(true), c.set);
    EXPECT_EQ(icon.SetDown(true), c.set);
    EXPECT_EQ(icon.Hot(), c.set);
    EXPECT_EQ(icon.Down(), c.set);
    EXPECT_TRUE(icon.SetHot(false));
    EXPECT_TRUE(icon.SetDown(false));
    EXPECT_FALSE(icon.Hot() || icon.Down());
  }
}

TEST_F(SkinIconTest, CursorOnlyOverTheDefaultScreenCursor) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  const struct {
    const char* what;
    bool capture, enabled, cursorDefault, set;
  } cases[] = {
      {"default cursor", true, true, true, true},
      {"another cursor on the screen", true, true, false, false},
      {"disabled", true, false, true, false},
      {"not capturing", false, true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    icon.SetCaptureMouse(c.capture);
    icon.SetEnabled(c.enabled);
    skin.cursorDefault = c.cursorDefault;
    const int before = Count("SetCursor -21");
    EXPECT_EQ(skin.SetCursorFor(kHitSkinIcon), c.set);
    EXPECT_EQ(Count("SetCursor -21") - before, c.set ? 1 : 0);
  }
}

TEST_F(SkinIconTest, ClicksAreGatedAndMouseDownTellsTheSkinsLastPosition) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  icon.OnClick().Bind(*handlers, &Handlers::Click);
  icon.OnDblClick().Bind(*handlers, &Handlers::DblClick);
  icon.OnMouseDown().Bind(*handlers, &Handlers::Down);
  const TPoint onIcon{12, 9};
  skin.PointerMotion(At(onIcon));
  skin.PointerPress(At(onIcon));
  skin.PointerRelease(At(onIcon));
  skin.PointerDoubleClick(At(onIcon));
  EXPECT_EQ(handlers->log, (std::vector<std::string>{"down 12,9", "click", "dblclick"}));
  const struct {
    bool enabled, capture;
  } gated[] = {{false, true}, {true, false}};
  for (const auto& g : gated) {
    handlers->log.clear();
    icon.SetEnabled(g.enabled);
    icon.SetCaptureMouse(g.capture);
    icon.Click();
    icon.DblClick();
    EXPECT_TRUE(handlers->log.empty());
  }
}

// ---- Values ----

TEST_F(SkinIconTest, EachSetterRefreshesTheFrameOnce) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon& icon = *skin.Icon();
  const struct {
    const char* what;
    std::function<void()> write;
  } cases[] = {
      {"CaptureMouse", [&] { icon.SetCaptureMouse(false); }},
      {"Cursor", [&] { icon.SetCursor(-2); }},
      {"DefaultImage", [&] { icon.SetDefaultImage(true); }},
      {"Enabled", [&] { icon.SetEnabled(false); }},
      {"Hint", [&] { icon.SetHint("Menu"); }},
      {"IndentLeft", [&] { icon.SetIndentLeft(8); }},
      {"IndentTop", [&] { icon.SetIndentTop(2); }},
      {"Visible", [&] { icon.SetVisible(false); }},
      {"Image", [&] { icon.Image()->SetImage(TArgbImage(8, 8)); }},
      {"HotImage", [&] { icon.HotImage()->SetImage(TArgbImage(8, 8)); }},
      {"Transparent", [&] { icon.SetTransparent(true); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = Count("RecalcFrame");
    c.write();
    EXPECT_EQ(Count("RecalcFrame") - before, 1);
    c.write();
    EXPECT_EQ(Count("RecalcFrame") - before, c.what == std::string("Image") || c.what == std::string("HotImage") ? 2 : 1)
        << "an unchanged value refreshes nothing (pictures tell every write)";
  }
}

TEST_F(SkinIconTest, AssignCopiesTheValuesAndPicturesWithOneRefresh) {
  TPlainSkin& skin = Hook<TPlainSkin>();
  TZebrinSkinIcon source;
  source.SetCaptureMouse(false);
  source.SetCursor(-3);
  source.SetDefaultImage(true);
  source.SetHint("Icon hint");
  source.SetIndentLeft(7);
  source.SetIndentTop(1);
  source.SetEnabled(false);
  source.SetVisible(true);
  source.Image()->SetImage(TArgbImage(10, 10, 1));
  source.HotImage()->SetImage(TArgbImage(11, 11, 2));
  source.DownImage()->SetImage(TArgbImage(12, 12, 3));
  source.InactiveImage()->SetImage(TArgbImage(13, 13, 4));
  TZebrinSkinIcon& icon = *skin.Icon();
  const int before = Count("RecalcFrame");
  icon.Assign(source);
  EXPECT_EQ(Count("RecalcFrame") - before, 1);
  EXPECT_FALSE(icon.CaptureMouse());
  EXPECT_EQ(icon.Cursor(), -3);
  EXPECT_TRUE(icon.DefaultImage());
  EXPECT_EQ(icon.Hint(), "Icon hint");
  EXPECT_EQ(icon.IndentLeft(), 7);
  EXPECT_EQ(icon.StoredIndentTop(), 1);
  EXPECT_FALSE(icon.Enabled());
  EXPECT_TRUE(icon.Visible());
  EXPECT_EQ(icon.Image()->Image(), source.Image()->Image());
  EXPECT_EQ(icon.HotImage()->Width(), 11);
  EXPECT_EQ(icon.DownImage()->Width(), 12);
  EXPECT_EQ(icon.InactiveImage()->Width(), 13);
}

TEST_F(SkinIconTest, PublishedDefaults) {
  TZebrinSkinIcon icon;
  const struct {
    const char* name;
    std::int64_t value;
  } ordinals[] = {{"CaptureMouse", 1}, {"Cursor", -21}, {"DefaultImage", 0}, {"Enabled", 1},
                  {"IndentLeft", 4},   {"IndentTop", -1}, {"Visible", 0},     {"Transparent", 0}};
  for (const auto& o : ordinals) {
    SCOPED_TRACE(o.name);
    EXPECT_EQ(platform::GetOrdProp(icon, platform::RequirePropInfo(icon, o.name)), o.value);
  }
  for (const char* picture : {"Image", "HotImage", "DownImage", "InactiveImage"})
    EXPECT_NE(dynamic_cast<platform::TPicture*>(platform::GetObjectProp(icon, platform::RequirePropInfo(icon, picture))),
              nullptr)
        << picture;
  EXPECT_EQ(platform::GetStrProp(icon, platform::RequirePropInfo(icon, "Hint")), "");
}

}  // namespace
}  // namespace halbrin::skins
