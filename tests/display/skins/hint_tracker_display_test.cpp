// The manager's hint and mouse tracker on a real skinned form, driven by real
// pointer input (XTest), since the tracker polls the device itself: a tool
// button's hint below the cursor in the info colours, the next button's after
// ShortDelay, none once the pointer leaves; and the pressed look following a
// held button off and back onto a tool button.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/classes/component.h"
#include "platform/services/desktop_service.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_desktop_service.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/form_skin.h"
#include "skins/core/skin_hint.h"
#include "skins/core/skin_manager.h"
#include "skins/core/skin_mouse.h"
#include "skins/core/tool_buttons.h"
#include "skins/gtk/gtk_skin_hint_window.h"
#include "skins/gtk/gtk_skin_popup_factory.h"
#include "skins/gtk/gtk_window_host.h"
#include "skin_display_support.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"
#include "support/x_input.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using platform::TWinControl;
using skintest::ScreenPixel;
using testing::RunUntil;

constexpr int kCaption = 32;
constexpr TColor kCaptionColor = platform::RGBColor(0x20, 0x80, 0x20);
constexpr TColor kPlain = platform::RGBColor(0xC0, 0x40, 0x30);
constexpr TColor kHot = platform::RGBColor(0x30, 0x40, 0xC0);
constexpr TColor kDown = platform::RGBColor(0xE0, 0xE0, 0x20);
// Far from the form, where the pointer rests between cases.
constexpr TPoint kAway{40, 40};

// 0xRRGGBB, as ScreenPixel reads the screen.
std::uint32_t Rgb(TColor color) {
  const TColor rgb = platform::ColorToRGB(color);
  return static_cast<std::uint32_t>(platform::RedOf(rgb)) << 16 |
         static_cast<std::uint32_t>(platform::GreenOf(rgb)) << 8 | static_cast<std::uint32_t>(platform::BlueOf(rgb));
}

class Clicks final : public platform::TComponent {
 public:
  using TComponent::TComponent;
  void Click(platform::TObject* sender, TMouseButton, TShiftState, int, int) {
    if (dynamic_cast<TZebrinSkinCustomToolButton*>(sender)) ++count;
  }
  int count = 0;
};

class HintTrackerDisplayTest : public skintest::SkinnedFormTest {
 protected:
  // The tracker and the hint read the real pointer through the desktop
  // service, and the hint shows in a real window.
  HintTrackerDisplayTest() : SkinnedFormTest({.desktop = true, .popups = true}) {}

  void SetUp() override {
    skintest::SkinnedFormTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    testing::PointerMoveTo(kAway.X, kAway.Y);
    form->SetBoundsRect(TRect{200, 150, 560, 400});
    form->SetWindowTraits({.caption = true, .border = true, .sysMenu = true});
    skin->SetAutoButtons(false);
    AddCaptionBand(kCaption, kCaptionColor);
    TZebrinSkinToolButtons& tools = *skin->ToolButtons();
    tools.SetBandIndex(0);
    tools.SetDragMode(dmManual);  // a press dragged off would take the button along
    for (const char* text : {"Open", "Save"}) {
      TZebrinSkinToolButton& button = tools.Add();
      button.SetText(text);
      button.SetHint(std::string(text) + " a file");
      button.SetTransparent(false);
      TZebrinSkinButtonAdapter& look = *button.Metrics();
      look.SetColor(kPlain);
      look.SetInactiveColor(kPlain);
      look.SetHotColor(kHot);
      look.SetInactiveHotColor(kHot);
      look.SetDownColor(kDown);
    }
    clicks = &platform::MakeComponent<Clicks>(Owner());
    skin->OnClick().Bind(*clicks, &Clicks::Click);
  }

  void TearDown() override {
    testing::PointerMoveTo(kAway.X, kAway.Y);
    skintest::SkinnedFormTest::TearDown();
  }

  void ShowSkinned() {
    ASSERT_NO_FATAL_FAILURE(HookAndPresent());
    ASSERT_TRUE(RunUntil([&] { return ScreenPixel(Screen({skin->Caption()->BoundsRect().Right - 3, 2})) == Rgb(kCaptionColor); }))
        << "the caption never showed";
    for (int i = 0; i < 2; ++i) {
      const TRect r = Tool(i).BoundsRect();
      ASSERT_GT(r.Width(), 8) << "button " << i << " at " << skintest::Describe(r);
      ASSERT_GT(r.Height(), 8) << "button " << i << " at " << skintest::Describe(r);
    }
    ASSERT_LE(Tool(0).BoundsRect().Right, Tool(1).BoundsRect().Left);
  }

  TZebrinSkinCustomButton& Tool(int index) const { return *skin->ToolButtons()->Items(index); }
  // The button's middle on the screen.
  TPoint Centre(int index) const {
    const TRect r = Tool(index).BoundsRect();
    return Screen({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  // A point of the button's fill, clear of its text.
  std::uint32_t Fill(int index) const {
    const TRect r = Tool(index).BoundsRect();
    return ScreenPixel(Screen({r.Left + 2, r.Top + 2}));
  }
  void MoveTo(TPoint p) { testing::PointerMoveTo(p.X, p.Y); }
  // Lets the loop run for a while, whatever happens.
  static void Rest(std::chrono::milliseconds time) {
    RunUntil([] { return false; }, time);
  }

  TGtkSkinHintWindow* HintWindow() const { return dynamic_cast<TGtkSkinHintWindow*>(SkinManager()->Hint()->Window()); }
  bool HintMapped() const {
    TGtkSkinHintWindow* window = HintWindow();
    return window && window->Widget() && gtk_widget_get_mapped(window->Widget());
  }

  Clicks* clicks = nullptr;
};

TEST_F(HintTrackerDisplayTest, AToolButtonsHintShowsBelowTheCursorAndTheNextAfterShortDelay) {
  TZebrinSkinHint& hint = *SkinManager()->Hint();
  hint.SetDelay(600);
  hint.SetShortDelay(50);
  ShowSkinned();

  // Over the first button: the hint waits Delay, then maps under the cursor.
  const TPoint first = Centre(0);
  MoveTo(first);
  ASSERT_TRUE(RunUntil([&] { return hint.CurrentItem() == &Tool(0); })) << "the hint never followed the button";
  EXPECT_EQ(SkinManager()->AppTimerInterval(kHintTimerDelay), 600u);
  ASSERT_TRUE(RunUntil([&] { return HintMapped(); })) << "no hint window mapped";
  EXPECT_EQ(hint.GetHintText(), "Open a file");
  GtkWidget* widget = HintWindow()->Widget();
  const int below = platform::CurrentDesktopService().CursorHeightBelowHotSpot();
  int left = 0, top = 0;
  EXPECT_TRUE(RunUntil([&] {
    gdk_window_get_origin(gtk_widget_get_window(widget), &left, &top);
    return top == first.Y + below;
  })) << "top " << top << ", pointer at " << first.Y << " and the cursor " << below << " high";
  EXPECT_EQ(left, first.X);
  const std::uint32_t infoBackground = Rgb(platform::SystemColor(platform::COLOR_INFOBK));
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(left + 2, top + 2) == infoBackground; }))
      << std::hex << "the hint shows " << ScreenPixel(left + 2, top + 2) << ", not " << infoBackground;

  // A rest longer than the quick span, then the second button: ShortDelay.
  Rest(std::chrono::milliseconds(hint.QuickMs() + 100));
  MoveTo(Centre(1));
  ASSERT_TRUE(RunUntil([&] { return hint.CurrentItem() == &Tool(1); }));
  EXPECT_EQ(SkinManager()->AppTimerInterval(kHintTimerDelay), 50u);
  ASSERT_TRUE(RunUntil([&] { return HintMapped() && hint.Showing(); })) << "the second hint never showed";
  EXPECT_EQ(hint.GetHintText(), "Save a file");

  // Off the form: hidden, and nothing followed.
  MoveTo(kAway);
  EXPECT_TRUE(RunUntil([&] { return !HintMapped() && !hint.Showing(); })) << "the hint stayed after the pointer left";
  EXPECT_EQ(hint.CurrentItem(), nullptr);
  Rest(700ms);
  EXPECT_FALSE(HintMapped()) << "a hint came back with the pointer away";
}

TEST_F(HintTrackerDisplayTest, APressedToolButtonFollowsTheHeldPointerOffAndBack) {
  SkinManager()->Hint()->SetEnabled(false);  // nothing over the button
  ShowSkinned();
  TZebrinSkinMouse& tracker = *SkinManager()->Mouse();
  const TPoint inside = Centre(0);
  const TPoint outside{inside.X, Screen({0, skin->Caption()->BoundsRect().Bottom + 60}).Y};
  MoveTo(inside);
  ASSERT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kHot); })) << std::hex << "hover shows " << Fill(0);

  testing::PointerPress();
  ASSERT_TRUE(RunUntil([&] { return tracker.PressedItem() == &Tool(0); })) << "the press never reached the button";
  EXPECT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kDown); })) << std::hex << "pressed shows " << Fill(0);
  MoveTo(outside);
  EXPECT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kPlain); })) << std::hex << "off shows " << Fill(0);
  EXPECT_EQ(tracker.PressedItem(), &Tool(0)) << "the button stays pressed while held";
  MoveTo(inside);
  EXPECT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kDown); })) << std::hex << "back shows " << Fill(0);

  // Released outside: no click.
  MoveTo(outside);
  ASSERT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kPlain); }));
  testing::PointerRelease();
  EXPECT_TRUE(RunUntil([&] { return tracker.PressedItem() == nullptr; }));
  Rest(150ms);
  EXPECT_EQ(clicks->count, 0) << "a release outside the button clicked it";
  EXPECT_EQ(Fill(0), Rgb(kPlain));

  // Pressed and released on it: one click.
  MoveTo(inside);
  ASSERT_TRUE(RunUntil([&] { return Fill(0) == Rgb(kHot); }));
  testing::PointerPress();
  ASSERT_TRUE(RunUntil([&] { return tracker.PressedItem() == &Tool(0); }));
  testing::PointerRelease();
  EXPECT_TRUE(RunUntil([&] { return clicks->count == 1; })) << "the click inside never came";
  Rest(150ms);
  EXPECT_EQ(clicks->count, 1);
}

}  // namespace
}  // namespace halbrin::skins
