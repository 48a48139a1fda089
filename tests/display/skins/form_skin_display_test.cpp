// Form skins on a sizable top-level under openbox, driven with real input:
// the caption double click maximises into the work area and restores, the
// window buttons follow the state, and the roll-up and taskbar minimising.

#include "skins/core/form_skin.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/classes/component.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_window_host.h"
#include "skin_display_support.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"
#include "support/x_input.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using skintest::Describe;
using skintest::ScreenPixel;
using platform::TWinControl;
using testing::RunUntil;

constexpr int kCaption = 24;
constexpr std::uint32_t kCaptionColor = 0x208020;
const TRect kDeclared{200, 150, 600, 450};


TRect Inflate(const TRect& r, int d) { return TRect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

class FormSkinDisplayTest : public skintest::SkinnedFormTest {
 protected:
  void SetUp() override {
    skintest::SkinnedFormTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    form->SetText("Halbrin Lite form skin");
    form->SetBoundsRect(kDeclared);
    form->SetWindowTraits({.caption = true, .border = true, .sizable = true, .framed = true, .sysMenu = true,
                           .minBox = true, .maxBox = true});
    skin->SetName("Skin");
    AddCaptionBand(kCaption, kCaptionColor);
  }

  // Hooks the form and shows it active, waiting until the caption is on the screen.
  void ShowSkinned() {
    ASSERT_NO_FATAL_FAILURE(HookAndPresent());
    ASSERT_TRUE(RunUntil([&] { return form->Active() && gtk_widget_get_mapped(GTK_WIDGET(Window())); }))
        << "never shown and active";
    ASSERT_TRUE(RunUntil([&] { return ScreenPixel(CaptionPoint().X, CaptionPoint().Y) == kCaptionColor; }))
        << "the caption shows " << std::hex << ScreenPixel(CaptionPoint().X, CaptionPoint().Y);
    ASSERT_TRUE(RunUntil([&] { return WindowRect() == kDeclared; })) << "the window is at " << Describe(WindowRect());
  }

  // The top-level's rectangle as the X server has it.
  TRect WindowRect() const {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(Window()));
    if (!window) return {};
    int x = 0, y = 0;
    gdk_window_get_origin(window, &x, &y);
    return TRect{x, y, x + gdk_window_get_width(window), y + gdk_window_get_height(window)};
  }
  bool WindowMapped() const { return gtk_widget_get_mapped(GTK_WIDGET(Window())); }

  // A point of the caption's background, clear of text and buttons.
  TPoint CaptionPoint() const {
    const TRect area = skin->Caption()->BoundsRect();
    return Screen(TPoint{area.Left + area.Width() / 2, area.Top + 2});
  }
  TZebrinSkinWindowButton* Button(TZebrinSkinButtonStyle style) const {
    for (int i = 0; i < skin->Buttons()->Count(); ++i)
      if (skin->Buttons()->Items(i)->Style() == style) return skin->Buttons()->Items(i);
    ADD_FAILURE() << "no button of style " << style;
    return nullptr;
  }
  bool ButtonShown(TZebrinSkinButtonStyle style) const {
    const TZebrinSkinWindowButton* button = Button(style);
    return button && button->Visible() && !button->BoundsRect().IsEmpty();
  }
  TPoint ButtonCenter(TZebrinSkinButtonStyle style) const {
    const TRect r = Button(style) ? Button(style)->BoundsRect() : TRect{};
    return Screen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }

  // Two clicks in quick succession at one point.
  // Presses pair by the X server's times, which a loaded machine spaces out,
  // so the double-click time is long while the case runs.
  void DoubleClick(TPoint at) {
    if (m_doubleClickTime == 0) {
      g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &m_doubleClickTime, nullptr);
      g_object_set(gtk_settings_get_default(), "gtk-double-click-time", 10000, nullptr);
    }
    testing::PointerMoveTo(at.X, at.Y);
    RunUntil([] { return false; }, 50ms);
    testing::PointerClick(at.X, at.Y);
    testing::PointerClick(at.X, at.Y);
  }
  void TearDown() override {
    if (m_doubleClickTime != 0)
      g_object_set(gtk_settings_get_default(), "gtk-double-click-time", m_doubleClickTime, nullptr);
    skintest::SkinnedFormTest::TearDown();
  }
  gint m_doubleClickTime = 0;
  // Clicks a window button once it shows on the caption.
  void ClickButton(TZebrinSkinButtonStyle style) {
    ASSERT_TRUE(RunUntil([&] { return ButtonShown(style); })) << "no button " << style << " on the caption";
    const TPoint at = ButtonCenter(style);
    testing::PointerClick(at.X, at.Y);
  }

  // Where the skin puts a maximised framed form: the work area with the frame strip outside it.
  TRect SkinTarget() const { return Inflate(skin->Host()->WorkArea(), SkinManager()->Metrics().frameInset); }
  // Where the window goes: openbox keeps a maximised window to the work area
  // and turns down the larger size the skin asks for.
  TRect MaximizedWindow() const { return skin->Host()->WorkArea(); }
};

TEST_F(FormSkinDisplayTest, ACaptionDoubleClickMaximisesIntoTheWorkAreaAndASecondRestores) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(ButtonShown(btsMaximize));
  EXPECT_FALSE(ButtonShown(btsRestore));
  ASSERT_GT(SkinManager()->Metrics().frameInset, 0) << "the frame strip is what this case checks";

  DoubleClick(CaptionPoint());
  ASSERT_TRUE(RunUntil([&] { return skin->IsMaximized() && WindowRect() == MaximizedWindow(); }))
      << "maximised " << skin->IsMaximized() << ", the window is at " << Describe(WindowRect()) << ", not at "
      << Describe(MaximizedWindow());
  EXPECT_EQ(skin->MaximizedBounds(), SkinTarget());
  EXPECT_TRUE(RunUntil([&] { return form->BoundsRect() == WindowRect(); }))
      << "the form has " << Describe(form->BoundsRect()) << " for a window at " << Describe(WindowRect());
  EXPECT_EQ(skin->NormalBounds(), kDeclared);
  // The buttons follow the window manager's state change.
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsRestore) && !ButtonShown(btsMaximize); }))
      << "the maximise button did not turn into restore";

  DoubleClick(CaptionPoint());
  ASSERT_TRUE(RunUntil([&] { return !skin->IsMaximized() && WindowRect() == kDeclared; }))
      << "maximised " << skin->IsMaximized() << ", the window is at " << Describe(WindowRect()) << " hit " << skin->LastHitCode() << " at " << CaptionPoint().X << "," << CaptionPoint().Y;
  EXPECT_EQ(form->BoundsRect(), kDeclared);
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsMaximize) && !ButtonShown(btsRestore); }))
      << "the restore button did not turn back into maximise";
}

TEST_F(FormSkinDisplayTest, TheMaximiseButtonTurnsIntoRestoreWhichGivesTheBoundsBack) {
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  ClickButton(btsMaximize);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return skin->IsMaximized() && WindowRect() == MaximizedWindow(); }))
      << "the window is at " << Describe(WindowRect());
  ClickButton(btsRestore);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return !skin->IsMaximized() && WindowRect() == kDeclared; }))
      << "the window is at " << Describe(WindowRect());
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsMaximize) && !ButtonShown(btsRestore); }));
}

TEST_F(FormSkinDisplayTest, RollUpMinimisingLeavesTheCaptionAndRestoreGivesTheHeightBack) {
  skin->SetMinimizeStyle(smsRollUp);
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());
  const int least = skin->GetConstraints().cy;
  ASSERT_GE(least, kCaption);
  ASSERT_LT(least, kDeclared.Height());

  ClickButton(btsMinimize);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return WindowRect().Height() == least; }))
      << "the window is " << Describe(WindowRect()) << ", not rolled up to " << least;
  EXPECT_TRUE(skin->RolledUp());
  EXPECT_TRUE(skin->IsMinimized());
  EXPECT_FALSE(skin->Host()->IsMinimized()) << "rolled up, not iconified";
  EXPECT_EQ(WindowRect().Left, kDeclared.Left);
  EXPECT_EQ(WindowRect().Top, kDeclared.Top);
  EXPECT_EQ(WindowRect().Width(), kDeclared.Width());
  EXPECT_TRUE(WindowMapped());
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsRestore) && !ButtonShown(btsMinimize); }));

  ClickButton(btsRestore);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return WindowRect() == kDeclared; })) << "the window is " << Describe(WindowRect());
  EXPECT_FALSE(skin->RolledUp());
  EXPECT_FALSE(skin->IsMinimized());
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsMinimize) && !ButtonShown(btsRestore); }));
}

TEST_F(FormSkinDisplayTest, TaskBarMinimisingHidesTheWindowAndRestoreShowsIt) {
  skin->SetMinimizeStyle(smsTaskBar);
  ShowSkinned();
  ASSERT_FALSE(HasFatalFailure());

  ClickButton(btsMinimize);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(RunUntil([&] { return !WindowMapped(); })) << "the window stayed on the screen";
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(skin->HiddenByMinimize());
  EXPECT_TRUE(skin->IsMinimized());
  EXPECT_FALSE(skin->Host()->IsMinimized()) << "hidden, not iconified";

  // Nothing is on the screen to click: the program restores it.
  skin->Restore();
  ASSERT_TRUE(RunUntil([&] { return WindowMapped() && WindowRect() == kDeclared; }))
      << "mapped " << WindowMapped() << ", the window is " << Describe(WindowRect());
  EXPECT_TRUE(form->Visible());
  EXPECT_FALSE(skin->HiddenByMinimize());
  EXPECT_FALSE(skin->IsMinimized());
  EXPECT_TRUE(RunUntil([&] { return ScreenPixel(CaptionPoint().X, CaptionPoint().Y) == kCaptionColor; }))
      << "the caption is not painted again";
  EXPECT_TRUE(RunUntil([&] { return ButtonShown(btsMinimize) && !ButtonShown(btsRestore); }));
}

}  // namespace
}  // namespace halbrin::skins
