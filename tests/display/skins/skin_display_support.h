#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/graphics/geometry.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"
#include "support/main_context_wait.h"

namespace halbrin::skins::skintest {

using namespace std::chrono_literals;

// Generous: a loaded machine under Xvfb and the sanitizers can take seconds
// to map a window; a healthy run needs milliseconds.
constexpr auto kWaitLimit = std::chrono::milliseconds(20s);

using testing::RunUntil;

// Real input through the X server (XTest), so input shapes and focus apply.
void FakeClick(int x, int y);
// Presses and releases the key of an X keysym (XK_Return, XK_Escape, XK_x...).
void FakeKey(unsigned long keysym);

// The screen's pixel as 0xRRGGBB; 0xFFFFFFFF when it cannot be read.
std::uint32_t ScreenPixel(int x, int y);
inline std::uint32_t ScreenPixel(platform::TPoint at) { return ScreenPixel(at.X, at.Y); }
// "Left,Top,Right,Bottom", for failure messages.
std::string Describe(const platform::TRect& r);

// A top-level test window at (x, y) that records the X map and button presses.
class TestWindow {
 public:
  TestWindow(int x, int y, int width, int height) : m_holder(platform::WindowHolder::CreateTopLevel()) {
    GtkWindow* window = m_holder.Window();
    gtk_window_set_title(window, "Halbrin Lite skin test");
    gtk_window_set_default_size(window, width, height);
    gtk_window_move(window, x, y);
    gtk_widget_add_events(m_holder.Widget(), GDK_BUTTON_PRESS_MASK);
    g_signal_connect(m_holder.Widget(), "map-event", G_CALLBACK(OnMap), &m_mapped);
    g_signal_connect(m_holder.Widget(), "button-press-event", G_CALLBACK(OnPress), &m_presses);
  }

  // Shows the window and waits until it is mapped and has the focus.
  bool ShowActive() {
    gtk_widget_show_all(m_holder.Widget());
    gtk_window_present(m_holder.Window());
    return RunUntil([&] { return m_mapped && gtk_window_is_active(m_holder.Window()); });
  }

  GtkWindow* Window() const { return m_holder.Window(); }
  int Presses() const { return m_presses; }

  static gboolean OnMap(GtkWidget*, GdkEvent*, gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return FALSE;
  }
  static gboolean OnPress(GtkWidget*, GdkEventButton* event, gpointer count) {
    if (event->type == GDK_BUTTON_PRESS) ++*static_cast<int*>(count);
    return FALSE;
  }

 private:
  platform::WindowHolder m_holder;
  bool m_mapped = false;
  int m_presses = 0;
};

class SkinDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  }
};

}  // namespace halbrin::skins::skintest
