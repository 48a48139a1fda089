// Z-order window switches over two top-level forms on a real X server:
// activation raises the control's window. Without a window manager X
// restacks at once and XQueryTree on the root shows it; under openbox the
// window manager's stacking list (gdk_screen_get_window_stack) does.

// gtest before the X headers: Xlib's macros (None...) break it otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/framework/window_switch.h"
#include "platform/ui/application_window.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/Xlib.h>

namespace halbrin {
namespace {

using platform::TWinControl;

// Two top-level forms, each under a z-order switch of one group.
class ZOrderFixture {
 public:
  ZOrderFixture() {
    for (const char* name : {"SwitchFirst", "SwitchSecond"}) {
      TWinControl& form = platform::MakeComponent<TWinControl>(m_owner);
      form.SetName(name);
      form.SetText(name);
      form.SetBounds(static_cast<int>(40 + 60 * m_forms.size()), 40, 240, 160);
      form.SetWindowTraits({.caption = true, .border = true});
      form.Show();
      form.HandleNeeded();
      TWindowSwitch& sw = platform::MakeComponent<TWindowSwitch>(m_group);
      sw.SetName(std::string(name) + "Switch");
      sw.SetComponent(&form);
      sw.SetSwitchType(TWindowSwitchType::wstZOrder);
      m_forms.push_back(&form);
      m_switches.push_back(&sw);
    }
  }

  GdkWindow* Gdk(int i) const { return gtk_widget_get_window(GTK_WIDGET(m_backend.TopLevelWindow(m_forms[i]->Window()))); }
  unsigned long Xid(int i) const { return platform::X11WindowId(m_backend.TopLevelWindow(m_forms[i]->Window())); }
  bool Mapped() const {
    return std::all_of(m_forms.begin(), m_forms.end(), [this](const TWinControl* form) {
      GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(m_backend.TopLevelWindow(form->Window())));
      return window && gdk_window_is_viewable(window);
    });
  }

  platform::GtkControlBackend m_backend;
  platform::ScopedControlBackend m_backendScope{m_backend};
  platform::TComponent m_owner;
  TWindowSwitch m_group;
  std::vector<TWinControl*> m_forms;
  std::vector<TWindowSwitch*> m_switches;
};

// Children of the root from the bottom to the top, as X keeps them.
std::vector<unsigned long> RootChildren() {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XSync(display, False);
  ::Window root = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned int count = 0;
  std::vector<unsigned long> order;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    order.assign(children, children + count);
    XFree(children);
  }
  return order;
}

bool AboveInRoot(unsigned long upper, unsigned long lower) {
  const std::vector<unsigned long> order = RootChildren();
  const auto u = std::find(order.begin(), order.end(), upper);
  const auto l = std::find(order.begin(), order.end(), lower);
  return u != order.end() && l != order.end() && u > l;
}

bool AboveInStack(GdkWindow* upper, GdkWindow* lower) {
  GList* stack = gdk_screen_get_window_stack(gdk_screen_get_default());
  int u = -1, l = -1, i = 0;
  for (GList* item = stack; item; item = item->next, ++i) {
    if (item->data == upper) u = i;
    if (item->data == lower) l = i;
  }
  g_list_free_full(stack, g_object_unref);
  return u >= 0 && l >= 0 && u > l;
}

TEST(WindowSwitchDisplayTest, ActivationRaisesTheFormWithoutAWindowManager) {
  ASSERT_TRUE(platform::InitGtk()) << "run display tests under xvfb-run";
  ZOrderFixture f;
  ASSERT_TRUE(testing::RunUntil([&] { return f.Mapped(); }));
  for (int round = 0; round < 2; ++round) {
    for (int i : {0, 1}) {
      f.m_switches[i]->SetActive(true);
      EXPECT_TRUE(f.m_switches[i]->IsActive());
      EXPECT_TRUE(testing::RunUntil([&] { return AboveInRoot(f.Xid(i), f.Xid(1 - i)); }))
          << "switch " << i << " did not raise its form";
      EXPECT_EQ(f.m_group.ActiveName(), f.m_forms[i]->Name());
    }
  }
}

class WindowSwitchOpenboxTest : public testing::WindowManagerTest {};

TEST_F(WindowSwitchOpenboxTest, ActivationRaisesTheFormUnderOpenbox) {
  ASSERT_TRUE(platform::InitGtk()) << "run display tests under xvfb-run";
  ZOrderFixture f;
  ASSERT_TRUE(testing::RunUntil([&] { return f.Mapped(); }));
  for (int i : {0, 1, 0}) {
    f.m_switches[i]->SetActive(true);
    EXPECT_TRUE(testing::RunUntil([&] { return AboveInStack(f.Gdk(i), f.Gdk(1 - i)); }))
        << "switch " << i << " did not raise its form";
  }
}

}  // namespace
}  // namespace halbrin
