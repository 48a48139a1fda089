#include "skins/core/skin_hint.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "fixtures/three_button_skin.h"
#include "platform/graphics/image_list.h"
#include "platform/services/desktop_service.h"
#include "skins/core/custom_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_mouse.h"
#include "skins/core/skin_windows.h"

namespace halbrin::skins {
namespace {

using platform::TComponent;
using platform::TObject;

constexpr int kWidth = 300, kHeight = 150, kCaption = 24;

// The pointer, the left button, the modal state and the monitor as a test sets them.
class FakeDesktop final : public platform::HeadlessDesktopService {
 public:
  std::optional<TPoint> CursorPos() const override { return cursor; }
  bool LeftButtonDown() const override { return leftDown; }
  int CursorHeightBelowHotSpot() const override { return 21; }
  bool ModalState() const override { return modal; }
  TRect WorkArea(const TRect&) const override { return workArea; }

  std::optional<TPoint> cursor;
  bool leftDown = false;
  bool modal = false;
  TRect workArea{0, 0, 1000, 800};
};

// Hint windows that write down what they are asked.
class RecordingPopups final : public HeadlessSkinPopupFactory {
 public:
  struct Shown {
    TRect rect;
    std::string text;
    bool enabled;
    TSkinHintOptions options;
  };
  class Window final : public ISkinHintWindow {
   public:
    explicit Window(RecordingPopups& owner) : m_owner(owner) {}
    void ShowAt(const TRect& rect, std::string_view text, bool enabled, const TSkinHintOptions& options) override {
      m_owner.shown.push_back({rect, std::string(text), enabled, options});
      m_showing = true;
    }
    void Hide() override { m_showing = false; }
    void Release() override {
      m_showing = false;
      ++m_owner.releases;
    }
    TRect HintRect(std::string_view text, int maxWidth) const override {
      m_owner.maxWidths.push_back(maxWidth);
      return HintTextRect(TSize{7 * static_cast<int>(text.size()), 13});
    }
    bool Showing() const override { return m_showing; }

   private:
    RecordingPopups& m_owner;
    bool m_showing = false;
  };

  std::unique_ptr<ISkinHintWindow> CreateHintWindow() override { return std::make_unique<Window>(*this); }

  std::vector<Shown> shown;
  mutable std::vector<int> maxWidths;
  int releases = 0;
};

class Handlers final : public TComponent {
 public:
  using TComponent::TComponent;
  void Mouse(TObject*, TMouseButton, TShiftState, int, int) { ++clicks; }
  void ItemHint(TObject*, std::string& text) {
    order.push_back("skin");
    text += " (skin)";
  }
  int clicks = 0;
  std::vector<std::string> order;
};

class SkinHintTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  SkinHintTest() {
    images.SetWidth(16);
    images.SetHeight(16);
    for (int i = 0; i < 9; ++i) images.Add(platform::TArgbImage(16, 16, 0xFF000000));
    form = &platform::MakeComponent<TWinControl>(root);
    form->SetName("Form1");
    form->SetBounds(0, 0, kWidth, kHeight);
    platform::TWindowTraits traits;
    traits.caption = traits.border = traits.framed = traits.sysMenu = true;
    form->SetWindowTraits(traits);
    form->HandleNeeded();
    skin = &platform::MakeComponent<test::TThreeButtonSkin>(root);
    skin->SetName("Skin1");
    // The window buttons in the first caption band, the tool buttons in the second.
    skin->Caption()->Add().Metrics()->SetSize(kCaption);
    skin->Caption()->Add().Metrics()->SetSize(kCaption);
    skin->Buttons()->SetImageList(&images);
    skin->ToolButtons()->SetImageList(&images);
    for (const char* hint : {"Open", "Save", ""}) {
      TZebrinSkinToolButton& button = skin->ToolButtons()->Add();
      button.SetImageIndex(0);
      button.SetHint(hint);
    }
    handlers = &platform::MakeComponent<Handlers>(root);
    skin->SetControl(form);
    skin->SetEnabled(true);
    hint = SkinManager()->Hint();
    mouse = SkinManager()->Mouse();
  }
  ~SkinHintTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  TZebrinSkinCustomButton& Tool(int index) { return *skin->ToolButtons()->Items(index); }
  TPoint Centre(const TZebrinSkinCustomButton& button) const {
    const TRect r = button.BoundsRect();
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  // The real pointer moves there and the window hears of it.
  void MoveTo(TPoint p, TShiftState shift = 0) {
    desktop.cursor = p;
    TWindowPointer pointer;
    pointer.pos = pointer.screen = p;
    pointer.shift = shift;
    skin->PointerMotion(pointer);
  }
  void MoveTo(const TZebrinSkinCustomButton& button) { MoveTo(Centre(button)); }
  TWindowPointer Pointer(TPoint p) const {
    TWindowPointer pointer;
    pointer.pos = pointer.screen = p;
    return pointer;
  }
  std::string LastShown() const { return popups.shown.empty() ? std::string() : popups.shown.back().text; }
  bool Showing() const { return hint->Showing(); }

  FakeDesktop desktop;
  platform::ScopedDesktopService desktopScope{desktop};
  RecordingPopups popups;
  ScopedSkinPopupFactory popupScope{popups};
  TComponent root;
  platform::TCustomImageList images;
  TWinControl* form = nullptr;
  test::TThreeButtonSkin* skin = nullptr;
  Handlers* handlers = nullptr;
  TZebrinSkinHint* hint = nullptr;
  TZebrinSkinMouse* mouse = nullptr;
};

// ---- Hints ----

TEST_F(SkinHintTest, FirstHintWaitsDelayAndShowsBelowTheCursor) {
  ASSERT_FALSE(Tool(0).BoundsRect().IsEmpty());
  MoveTo(Tool(0));
  loop.Advance(499);
  EXPECT_TRUE(popups.shown.empty());
  loop.Advance(1);
  ASSERT_EQ(popups.shown.size(), 1u);
  const RecordingPopups::Shown& shown = popups.shown.back();
  EXPECT_EQ(shown.text, "Open");
  const TPoint c = Centre(Tool(0));
  EXPECT_EQ(shown.rect.Left, c.X);
  EXPECT_EQ(shown.rect.Top, c.Y + 21) << "lowered by the cursor's height";
  EXPECT_EQ(popups.maxWidths.back(), 500) << "half the monitor's width";
  EXPECT_TRUE(shown.enabled);
  EXPECT_TRUE(shown.options.shadow);
  EXPECT_TRUE(SkinManager()->AppTimerActive(kHintTimerWatch));
  EXPECT_EQ(SkinManager()->AppTimerInterval(kHintTimerAutoHide), 60000u);
}

TEST_F(SkinHintTest, TheWaitDependsOnTheRestAndTheClass) {
  const struct {
    const char* name;
    int rest;          // ms on the first element before moving on
    bool toWindowButton;  // else to the second tool button
    int wait;
    std::string text;
  } cases[] = {
      {"quick move between buttons", 100, false, 500, "Save"},
      {"rest then a like button", 300, false, 50, "Save"},
      {"long rest, hint shown, then a like button", 800, false, 50, "Save"},
      {"rest then another class", 300, true, 500, "Close|Alt+F4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MoveTo(TPoint{1, 1});  // off every element
    skin->PointerLeave();
    popups.shown.clear();
    MoveTo(Tool(0));
    loop.Advance(static_cast<std::uint64_t>(c.rest));
    MoveTo(c.toWindowButton ? *skin->Buttons()->Items(0) : Tool(1));
    EXPECT_FALSE(Showing()) << "a move hides the hint";
    popups.shown.clear();
    loop.Advance(static_cast<std::uint64_t>(c.wait - 1));
    EXPECT_TRUE(popups.shown.empty());
    loop.Advance(1);
    ASSERT_EQ(popups.shown.size(), 1u);
    EXPECT_EQ(popups.shown.back().text.substr(0, 5), c.text.substr(0, 5));
  }
}

TEST_F(SkinHintTest, QuickIsHalfTheDelayAtMost333) {
  const struct {
    int delay, quick;
  } cases[] = {{100, 50}, {500, 250}, {2000, 333}, {-40, 0}};
  for (const auto& c : cases) {
    hint->SetDelay(c.delay);
    EXPECT_EQ(hint->QuickMs(), c.quick) << c.delay;
  }
}

TEST_F(SkinHintTest, NegativeDelaysActAsZero) {
  hint->SetDelay(-5);
  MoveTo(Tool(0));
  loop.Advance(1);
  EXPECT_EQ(LastShown(), "Open");
}

TEST_F(SkinHintTest, AutoHideReleasesTheWindowUnlessOff) {
  hint->SetAutoHideDelay(1000);
  MoveTo(Tool(0));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  loop.Advance(999);
  EXPECT_TRUE(Showing());
  loop.Advance(1);
  EXPECT_FALSE(Showing());
  EXPECT_EQ(popups.releases, 1);

  hint->SetAutoHide(false);
  MoveTo(Tool(1));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  EXPECT_FALSE(SkinManager()->AppTimerActive(kHintTimerAutoHide));
  loop.Advance(70000);
  EXPECT_TRUE(Showing()) << "stays until the mouse leaves";
  skin->PointerLeave();
  EXPECT_FALSE(Showing());
}

TEST_F(SkinHintTest, NothingShowsForAnEmptyTextOrInAModalState) {
  MoveTo(Tool(2));
  loop.Advance(1000);
  EXPECT_TRUE(popups.shown.empty());
  EXPECT_FALSE(SkinManager()->AppTimerActive(kHintTimerWatch)) << "no watch without a hint";

  desktop.modal = true;
  MoveTo(Tool(0));
  loop.Advance(1000);
  EXPECT_TRUE(popups.shown.empty());
}

TEST_F(SkinHintTest, DisabledButtonsShowGreyAndADisabledHintNothing) {
  Tool(1).SetEnabled(false);
  MoveTo(Tool(1));
  loop.Advance(500);
  ASSERT_EQ(LastShown(), "Save");
  EXPECT_FALSE(popups.shown.back().enabled);

  hint->SetEnabled(false);
  EXPECT_FALSE(Showing());
  MoveTo(Tool(0));
  loop.Advance(1000);
  EXPECT_EQ(popups.shown.size(), 1u);
}

TEST_F(SkinHintTest, DefaultReadsTheDefaultsAndRestoresThem) {
  EXPECT_TRUE(hint->Default());
  hint->SetEnabled(false);
  EXPECT_TRUE(hint->Default()) << "Enabled is no part of it";
  hint->SetDelay(300);
  hint->SetAutoHide(false);
  EXPECT_FALSE(hint->Default());
  hint->SetDefault(false);
  EXPECT_EQ(hint->Delay(), 300);
  hint->SetDefault(true);
  EXPECT_TRUE(hint->Default());
  EXPECT_EQ(hint->Delay(), 500);
  EXPECT_TRUE(hint->AutoHide());
  EXPECT_EQ(hint->AutoHideDelay(), 60000);
}

TEST_F(SkinHintTest, LeavingHidesAndTheSameElementShowsAgainOnReturn) {
  MoveTo(Tool(0));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  skin->PointerLeave();
  EXPECT_FALSE(Showing());
  EXPECT_EQ(hint->CurrentItem(), nullptr);
  MoveTo(Tool(0));
  loop.Advance(500);
  EXPECT_TRUE(Showing());
  EXPECT_EQ(popups.shown.size(), 2u);
}

TEST_F(SkinHintTest, APressHidesTheHint) {
  MoveTo(Tool(0));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  skin->PointerPress(Pointer(Centre(Tool(0))));
  EXPECT_FALSE(Showing());
  skin->PointerRelease(Pointer(Centre(Tool(0))));
  MoveTo(TPoint{Centre(Tool(0)).X + 1, Centre(Tool(0)).Y});
  loop.Advance(1000);
  EXPECT_EQ(popups.shown.size(), 1u) << "the same element does not pop up again";
}

TEST_F(SkinHintTest, RefreshShowsANewTextOnlyWhileShowing) {
  TZebrinSkinBand& band = *skin->Caption()->Items(0);
  TZebrinSkinCustomBandItem& item = *band.Item();
  item.SetHint("progress");
  hint->Follow(&item, skin);
  loop.Advance(500);
  ASSERT_EQ(LastShown(), "progress");
  item.SetHint("done");
  item.SetValue(10);  // a change the item reports
  EXPECT_EQ(LastShown(), "done");
  EXPECT_EQ(popups.shown.size(), 2u);

  hint->Release();
  item.SetValue(20);
  EXPECT_EQ(popups.shown.size(), 2u) << "a released hint stays released";

  hint->Follow(nullptr);
  hint->Follow(&item, skin);
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  item.SetHint("");
  item.SetValue(0);
  EXPECT_FALSE(Showing()) << "an empty text hides";
}

TEST_F(SkinHintTest, AFreedElementIsForgotten) {
  MoveTo(Tool(1));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  skin->ToolButtons()->Delete(1);
  EXPECT_EQ(hint->CurrentItem(), nullptr);
  loop.Advance(50);
  EXPECT_FALSE(Showing());

  // Freed while waiting: nothing shows and nothing dangles.
  MoveTo(Tool(0));
  skin->ToolButtons()->Delete(0);
  loop.Advance(1000);
  EXPECT_EQ(popups.shown.size(), 1u);
}

TEST_F(SkinHintTest, HandlersChangeTheTextSkinFirst) {
  skin->OnGetItemHint().Bind(*handlers, &Handlers::ItemHint);
  SkinManager()->onGetItemHint = [&](TObject* item, std::string& text) {
    handlers->order.push_back("manager");
    EXPECT_EQ(item, &Tool(0));
    text += " (manager)";
  };
  MoveTo(Tool(0));
  loop.Advance(500);
  EXPECT_EQ(LastShown(), "Open (skin) (manager)");
  EXPECT_EQ(handlers->order, (std::vector<std::string>{"skin", "manager"}));
}

TEST_F(SkinHintTest, TheIconIsAHintSource) {
  skin->Icon()->SetHint("Application");
  skin->Icon()->SetEnabled(false);
  hint->Follow(skin->Icon(), skin);
  loop.Advance(500);
  EXPECT_EQ(LastShown(), "Application");
  EXPECT_FALSE(popups.shown.back().enabled);
}

TEST_F(SkinHintTest, ShowHintOffHidesThisSkinsHint) {
  MoveTo(Tool(0));
  loop.Advance(500);
  ASSERT_TRUE(Showing());
  skin->SetShowHint(false);
  EXPECT_FALSE(Showing());
  MoveTo(Tool(1));
  loop.Advance(1000);
  EXPECT_EQ(popups.shown.size(), 1u);
}

TEST_F(SkinHintTest, FreeingTheSkinLeavesNoHintItem) {
  MoveTo(Tool(0));
  loop.Advance(500);
  skin->PointerPress(Pointer(Centre(Tool(0))));
  ASSERT_EQ(mouse->PressedItem(), &Tool(0));
  TComponent::Free(*skin);
  skin = nullptr;
  EXPECT_EQ(hint->CurrentItem(), nullptr);
  EXPECT_EQ(mouse->HotItem(), nullptr);
  EXPECT_EQ(mouse->PressedItem(), nullptr);
  EXPECT_EQ(mouse->PressedSkin(), nullptr);
  loop.Advance(200);
}

// ---- The tracker ----

TEST_F(SkinHintTest, PressDragOffAndBackFollowsThePointer) {
  skin->OnClick().Bind(*handlers, &Handlers::Mouse);
  skin->ToolButtons()->SetDragMode(dmManual);  // a drag off the bar would take the button along
  TZebrinSkinCustomButton& button = Tool(0);
  const TPoint inside = Centre(button);
  const TPoint outside{inside.X, kHeight - 20};
  MoveTo(inside);
  desktop.leftDown = true;
  skin->PointerPress(Pointer(inside));
  EXPECT_TRUE(button.Pressed());
  EXPECT_EQ(mouse->PressedItem(), &button);

  MoveTo(outside, ssLeft);
  loop.Advance(50);
  EXPECT_FALSE(button.Pressed()) << "off: plain";
  EXPECT_EQ(mouse->PressedItem(), &button);
  MoveTo(inside, ssLeft);
  loop.Advance(50);
  EXPECT_TRUE(button.Pressed()) << "back: pressed";

  MoveTo(outside, ssLeft);
  desktop.leftDown = false;
  skin->PointerRelease(Pointer(outside));
  loop.Advance(50);
  EXPECT_FALSE(button.Pressed());
  EXPECT_EQ(mouse->PressedItem(), nullptr);
  EXPECT_EQ(handlers->clicks, 0) << "released outside: no click";

  MoveTo(inside);
  desktop.leftDown = true;
  skin->PointerPress(Pointer(inside));
  desktop.leftDown = false;
  skin->PointerRelease(Pointer(inside));
  EXPECT_EQ(handlers->clicks, 1);
  EXPECT_EQ(mouse->PressedItem(), nullptr);
}

TEST_F(SkinHintTest, TheHotLookEndsOnceTheCursorLeaves) {
  TZebrinSkinCustomButton& button = Tool(1);
  MoveTo(button);
  ASSERT_TRUE(button.Hot());
  EXPECT_EQ(mouse->HotItem(), &button);
  EXPECT_EQ(mouse->HotRect(), button.BoundsRect()) << "the host's window sits at the screen's origin";
  loop.Advance(50);
  EXPECT_TRUE(button.Hot());
  desktop.cursor = TPoint{kWidth + 50, 10};  // left without the window hearing of it
  loop.Advance(50);
  EXPECT_FALSE(button.Hot());
  EXPECT_EQ(mouse->HotItem(), nullptr);
  EXPECT_FALSE(SkinManager()->AppTimerActive(kMouseTimerHot));

  // A pointer that cannot be read counts as (-1, -1).
  MoveTo(button);
  desktop.cursor.reset();
  loop.Advance(50);
  EXPECT_FALSE(button.Hot());
}

TEST_F(SkinHintTest, LockAndDragFlagHoldThePressedPoll) {
  TZebrinSkinCustomButton& button = Tool(0);
  MoveTo(button);
  desktop.leftDown = true;
  skin->PointerPress(Pointer(Centre(button)));
  desktop.cursor = TPoint{kWidth + 50, 10};
  mouse->Lock();
  loop.Advance(50);
  EXPECT_TRUE(button.Pressed()) << "locked";
  mouse->Unlock();
  mouse->Unlock();  // never below zero
  mouse->Lock();
  mouse->Unlock();
  EXPECT_FALSE(mouse->IsLocked());
  SkinManager()->SetDragFlag(true);
  loop.Advance(50);
  EXPECT_TRUE(button.Pressed()) << "a menu or drag holds the mouse";
  SkinManager()->SetDragFlag(false);
  loop.Advance(50);
  EXPECT_FALSE(button.Pressed());
}

TEST_F(SkinHintTest, HotTrackOffEndsThisSkinsHover) {
  MoveTo(Tool(0));
  ASSERT_TRUE(Tool(0).Hot());
  skin->SetHotTrack(false);
  EXPECT_FALSE(Tool(0).Hot());
  EXPECT_EQ(mouse->HotItem(), nullptr);
  MoveTo(Tool(1));
  EXPECT_FALSE(Tool(1).Hot());
}

TEST_F(SkinHintTest, TheTrackerDecidesTheCursor) {
  bool isDefault = true;
  SkinManager()->isScreenCursorDefault = [&] { return isDefault; };
  Tool(0).SetCursor(crHandPoint);
  EXPECT_TRUE(mouse->SetCursor(&Tool(0)));
  isDefault = false;
  EXPECT_FALSE(mouse->SetCursor(&Tool(0))) << "the application's cursor stays";
  EXPECT_FALSE(mouse->SetCursor(skin->Caption()->Items(0)));
  EXPECT_FALSE(mouse->SetCursor(nullptr));
}

}  // namespace
}  // namespace halbrin::skins
