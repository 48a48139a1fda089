#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "skin_display_support.h"
#include "skins/gtk/gtk_skin_hint_window.h"
#include "skins/gtk/gtk_skin_popup_factory.h"
#include "skins/gtk/gtk_skin_popups.h"
#include "skins/gtk/skin_cursors.h"

namespace halbrin::skins {
namespace {

using skintest::RunUntil;
using skintest::SkinDisplayTest;
using skintest::TestWindow;

bool OriginIs(GtkWidget* widget, int x, int y) {
  GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
  if (!window) return false;
  int left = 0;
  int top = 0;
  gdk_window_get_origin(window, &left, &top);
  return left == x && top == y;
}

bool OpacityIs(GtkWidget* widget, std::uint8_t opacity) {
  return widget && std::abs(gtk_widget_get_opacity(widget) - opacity / 255.0) < 0.5 / 255.0;
}

// --- Hint window -------------------------------------------------------------

struct HintCase {
  const char* name;
  bool animations;
};

class HintWindowTest : public SkinDisplayTest, public ::testing::WithParamInterface<HintCase> {
 protected:
  void TearDown() override {
    if (gtk_settings_get_default()) {
      g_object_set(gtk_settings_get_default(), "gtk-enable-animations", m_animations, nullptr);
    }
  }
  void SetAnimations(bool on) {
    g_object_get(gtk_settings_get_default(), "gtk-enable-animations", &m_animations, nullptr);
    g_object_set(gtk_settings_get_default(), "gtk-enable-animations", on ? TRUE : FALSE, nullptr);
  }

 private:
  gboolean m_animations = TRUE;
};

TEST_P(HintWindowTest, ShowsAtTheRectangleWhileTheFocusStaysPut) {
  SetAnimations(GetParam().animations);
  TestWindow owner(400, 300, 200, 100);
  ASSERT_TRUE(owner.ShowActive());

  TGtkSkinHintWindow hint;
  TSkinHintOptions options;
  options.opacity = 200;
  hint.ShowAt({50, 60, 150, 80}, "A hint", true, options);
  EXPECT_EQ(hint.Placed(), (TRect{50, 60, 150, 87}));
  if (GetParam().animations) {
    EXPECT_TRUE(OpacityIs(hint.Widget(), 0)) << "a fading hint starts transparent";
  } else {
    EXPECT_TRUE(OpacityIs(hint.Widget(), 200));
  }
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(hint.Widget()) && OriginIs(hint.Widget(), 50, 60); }));
  EXPECT_TRUE(RunUntil([&] { return OpacityIs(hint.Widget(), 200); })) << "the fade must end at the asked opacity";
  EXPECT_EQ(gtk_widget_get_allocated_width(hint.Widget()), 100);
  EXPECT_EQ(gtk_widget_get_allocated_height(hint.Widget()), 27);
  EXPECT_TRUE(gtk_window_is_active(owner.Window())) << "the hint took the focus";
  EXPECT_FALSE(gtk_window_is_active(GTK_WINDOW(hint.Widget())));
  EXPECT_FALSE(gtk_window_get_accept_focus(GTK_WINDOW(hint.Widget())));

  hint.Hide();
  EXPECT_FALSE(hint.Showing());
  EXPECT_FALSE(gtk_widget_get_visible(hint.Widget()));
  hint.Release();
  EXPECT_EQ(hint.Widget(), nullptr);
  hint.ShowAt({10, 10, 50, 30}, "Again", true, options);
  ASSERT_TRUE(RunUntil([&] { return hint.Widget() && OriginIs(hint.Widget(), 10, 10); }))
      << "a released hint shows again in a new window";
}

INSTANTIATE_TEST_SUITE_P(Cases, HintWindowTest,
                         ::testing::Values(HintCase{"Fading", true}, HintCase{"Plain", false}),
                         [](const ::testing::TestParamInfo<HintCase>& info) { return std::string(info.param.name); });

TEST_F(SkinDisplayTest, HintRectMeasuresAndWrapsTheText) {
  TGtkSkinHintWindow hint;
  const TRect one = hint.HintRect("word", 0);
  const TRect empty = hint.HintRect("", 0);
  EXPECT_EQ(one.Left, 0);
  EXPECT_GT(one.Width(), 8);
  EXPECT_EQ(empty.Width(), 8) << "an empty text has no width";
  EXPECT_EQ(empty.Height(), one.Height()) << "an empty text is one line high";
  const TRect wrapped = hint.HintRect("word word word word word word", 60);
  EXPECT_LE(wrapped.Width(), 60 + 8);
  EXPECT_GT(wrapped.Height(), one.Height()) << "a long text breaks into lines";
}

// --- Click-through -----------------------------------------------------------

struct ClickCase {
  const char* name;
  std::function<std::unique_ptr<TGtkSkinPopupWindow>()> make;
  bool reachesBelow;
};

class PopupClickTest : public SkinDisplayTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(PopupClickTest, AClickReachesTheWindowBelowOnlyThroughIndicators) {
  const ClickCase& c = GetParam();
  TestWindow below(0, 0, 300, 200);
  ASSERT_TRUE(below.ShowActive());

  std::unique_ptr<TGtkSkinPopupWindow> popup = c.make();
  popup->ShowAt({50, 50, 150, 150});
  ASSERT_NE(popup->Widget(), nullptr);
  bool mapped = false;
  int popupPresses = 0;
  g_signal_connect(popup->Widget(), "map-event", G_CALLBACK(TestWindow::OnMap), &mapped);
  g_signal_connect(popup->Widget(), "button-press-event", G_CALLBACK(TestWindow::OnPress), &popupPresses);
  ASSERT_TRUE(RunUntil([&] { return mapped && OriginIs(popup->Widget(), 50, 50); }));
  gdk_display_sync(gdk_display_get_default());

  skintest::FakeClick(100, 100);
  ASSERT_TRUE(RunUntil([&] { return below.Presses() + popupPresses > 0; })) << "the click reached no window";
  // Which window the X server gave the press to (GTK may tell one press twice).
  EXPECT_EQ(below.Presses() > 0, c.reachesBelow);
  EXPECT_EQ(popupPresses > 0, !c.reachesBelow);
  EXPECT_TRUE(gtk_window_is_active(below.Window()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PopupClickTest,
    ::testing::Values(ClickCase{"DockIndicator", [] { return std::make_unique<TGtkDockIndicator>(); }, true},
                      ClickCase{"DragIndicator", [] { return std::make_unique<TGtkDragIndicator>(); }, true},
                      ClickCase{"PlainPopup", [] { return std::make_unique<TGtkSkinPopupWindow>(); }, false}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(SkinDisplayTest, ParkingHidesAndBringsBackThePopup) {
  TGtkDockIndicator dock;
  dock.SetCaption("Top");
  dock.ShowAt({20, 20, 120, 40});
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(dock.Widget()); }));
  EXPECT_TRUE(OpacityIs(dock.Widget(), kDockIndicatorOpacity));
  dock.SetParked(true);
  dock.SetParked(true);
  EXPECT_FALSE(gtk_widget_get_visible(dock.Widget()));
  dock.SetParked(false);
  EXPECT_TRUE(gtk_widget_get_visible(dock.Widget()));
  ASSERT_TRUE(RunUntil([&] { return OriginIs(dock.Widget(), 20, 20); }));
}

TEST_F(SkinDisplayTest, TheScopeInstallsTheGtkFactory) {
  ISkinPopupFactory& before = CurrentSkinPopupFactory();
  {
    GtkSkinPopupFactoryScope scope;
    EXPECT_NE(&CurrentSkinPopupFactory(), &before);
    EXPECT_NE(dynamic_cast<TGtkSkinHintWindow*>(CurrentSkinPopupFactory().CreateHintWindow().get()), nullptr);
  }
  EXPECT_EQ(&CurrentSkinPopupFactory(), &before);
}

// --- Cursors -----------------------------------------------------------------

struct CursorCase {
  int cursor;
  const char* name;
};

class SkinCursorTest : public ::testing::TestWithParam<CursorCase> {};

TEST_P(SkinCursorTest, MapsToTheCssName) {
  const char* name = SkinCursorName(GetParam().cursor);
  if (GetParam().name) {
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, GetParam().name);
  } else {
    EXPECT_EQ(name, nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SkinCursorTest,
                         ::testing::Values(CursorCase{-21, "pointer"}, CursorCase{-30, "pointer"},
                                           CursorCase{-13, "not-allowed"}, CursorCase{-18, "not-allowed"},
                                           CursorCase{-31, "grabbing"}, CursorCase{-32, "copy"},
                                           CursorCase{-33, "default"}, CursorCase{-34, "default"},
                                           CursorCase{-35, "zoom-in"}, CursorCase{-36, "zoom-out"},
                                           CursorCase{-37, "n-resize"}, CursorCase{-38, "s-resize"},
                                           CursorCase{-39, "crosshair"}, CursorCase{-44, "crosshair"},
                                           CursorCase{-45, "not-allowed"}, CursorCase{-46, nullptr},
                                           CursorCase{0, nullptr}, CursorCase{-22, nullptr}));

}  // namespace
}  // namespace halbrin::skins
