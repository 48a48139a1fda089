#include "platform/ui/gtk_desktop_service.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ui/gtk_init.h"
#include "support/test_support.h"

namespace halbrin::platform {
namespace {

// Sets a GtkSettings string for the test and puts the old value back.
class ScopedSetting {
 public:
  explicit ScopedSetting(const char* name) : m_name(name) {
    gchar* old = nullptr;
    g_object_get(gtk_settings_get_default(), m_name, &old, nullptr);
    m_old = old ? old : "";
    g_free(old);
  }
  ~ScopedSetting() { g_object_set(gtk_settings_get_default(), m_name, m_old.c_str(), nullptr); }
  ScopedSetting(const ScopedSetting&) = delete;
  ScopedSetting& operator=(const ScopedSetting&) = delete;

 private:
  const char* m_name;
  std::string m_old;
};

class DesktopDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  }
};

TEST_F(DesktopDisplayTest, AChangedDesktopFontNotifiesOnceAndChangesTheElementFonts) {
  ScopedSetting restore("gtk-font-name");
  GtkDesktopService desktop;
  std::vector<TDesktopChange> heard;
  const TDesktopSubscription subscription = desktop.Subscribe([&](TDesktopChange change) { heard.push_back(change); });
  g_object_set(gtk_settings_get_default(), "gtk-font-name", "DejaVu Serif Italic 13", nullptr);
  EXPECT_EQ(heard, std::vector<TDesktopChange>{TDesktopChange::Fonts});
  struct Case {
    TDesktopFont element;
    TFontSpec font;
  };
  const Case cases[] = {
      {TDesktopFont::Caption, {"DejaVu Serif", 13, fsItalic | fsBold}},
      {TDesktopFont::SmallCaption, {"DejaVu Serif", 13, fsItalic | fsBold}},
      {TDesktopFont::Status, {"DejaVu Serif", 13, fsItalic}},
      {TDesktopFont::Menu, {"DejaVu Serif", 13, fsItalic}},
  };
  for (const Case& c : cases) EXPECT_EQ(desktop.ElementFont(c.element), c.font) << static_cast<int>(c.element);
}

TEST_F(DesktopDisplayTest, TheCaretTimeIsHalfTheBlinkCycleAndZeroWithoutBlinking) {
  GtkSettings* settings = gtk_settings_get_default();
  gboolean oldBlink = TRUE;
  gint oldTime = 0;
  g_object_get(settings, "gtk-cursor-blink", &oldBlink, "gtk-cursor-blink-time", &oldTime, nullptr);
  GtkDesktopService desktop;
  int heard = 0;
  const TDesktopSubscription subscription = desktop.Subscribe([&](TDesktopChange change) {
    if (change == TDesktopChange::Metrics) ++heard;
  });
  struct Case {
    gboolean blink;
    gint cycle;
    int caret;
  };
  const Case cases[] = {{TRUE, 1200, 600}, {TRUE, 1000, 500}, {FALSE, 1000, 0}};
  for (const Case& c : cases) {
    g_object_set(settings, "gtk-cursor-blink", c.blink, "gtk-cursor-blink-time", c.cycle, nullptr);
    EXPECT_EQ(desktop.CaretBlinkTime(), c.caret) << c.cycle << (c.blink ? " blinking" : " steady");
  }
  EXPECT_GE(heard, 3);
  g_object_set(settings, "gtk-cursor-blink", oldBlink, "gtk-cursor-blink-time", oldTime, nullptr);
}

TEST_F(DesktopDisplayTest, TheDesktopAnswersFromTheDisplay) {
  GtkDesktopService desktop;
  for (int index = 0; index < kSystemColorCount; ++index)
    EXPECT_EQ(static_cast<std::uint32_t>(desktop.SystemColor(index)) & 0xFF000000u, 0u) << index;
  EXPECT_EQ(desktop.SystemColor(kSystemColorCount), 0);
  // The theme's background differs from its selection colour in any usable theme.
  EXPECT_NE(desktop.SystemColor(COLOR_BTNFACE), desktop.SystemColor(COLOR_HIGHLIGHT));
  const std::vector<std::string> families = desktop.FontFamilies();
  EXPECT_FALSE(families.empty());
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_TRUE(desktop.CursorPos().has_value());
  GdkRectangle screen;
  gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
  const TRect area = desktop.WorkArea({10, 10, 20, 20});
  EXPECT_FALSE(area.IsEmpty());
  EXPECT_GE(area.Left, screen.x);
  EXPECT_LE(area.Right, screen.x + screen.width);
  EXPECT_EQ(desktop.WorkArea({-9000, -9000, -8990, -8990}), area);
  EXPECT_EQ(desktop.Metrics(), TDesktopMetrics{});
}

TEST_F(DesktopDisplayTest, SystemColoursComeFromTheThemesNamedColours) {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider,
                                  "@define-color theme_bg_color #123456;"
                                  "@define-color theme_selected_bg_color #abcdef;"
                                  "@define-color link_color #010203;",
                                  -1, nullptr);
  GdkScreen* screen = gdk_screen_get_default();
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider), GTK_STYLE_PROVIDER_PRIORITY_USER);
  {
    GtkDesktopService desktop;
    struct Case {
      int index;
      TColor color;
    };
    const Case cases[] = {
        {COLOR_BTNFACE, RGBColor(0x12, 0x34, 0x56)},
        {COLOR_ACTIVECAPTION, RGBColor(0x12, 0x34, 0x56)},
        {COLOR_HIGHLIGHT, RGBColor(0xAB, 0xCD, 0xEF)},
        {COLOR_HOTLIGHT, RGBColor(0x01, 0x02, 0x03)},
        // No named colour of the theme: the headless one.
        {COLOR_INFOBK, HeadlessDesktopService::DefaultSystemColor(COLOR_INFOBK)},
    };
    for (const Case& c : cases) EXPECT_EQ(desktop.SystemColor(c.index), c.color) << c.index;
  }
  gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider));
  g_object_unref(provider);
}

TEST_F(DesktopDisplayTest, TheScopeInstallsTheGtkServiceUnlessHeadlessAnswersAreForced) {
  {
    testing::ScopedEnv env("HALBRIN_HEADLESS_DIALOGS", std::nullopt);
    GtkDesktopServiceScope scope;
    EXPECT_TRUE(scope.Installed());
    EXPECT_NE(dynamic_cast<GtkDesktopService*>(&CurrentDesktopService()), nullptr);
  }
  EXPECT_NE(dynamic_cast<HeadlessDesktopService*>(&CurrentDesktopService()), nullptr);
  testing::ScopedEnv env("HALBRIN_HEADLESS_DIALOGS", "1");
  GtkDesktopServiceScope scope;
  EXPECT_FALSE(scope.Installed());
  EXPECT_NE(dynamic_cast<HeadlessDesktopService*>(&CurrentDesktopService()), nullptr);
}

}  // namespace
}  // namespace halbrin::platform
