#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/classes/component.h"
#include "platform/graphics/geometry.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_desktop_service.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"
#include "skins/core/form_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_skin_popup_factory.h"
#include "skins/gtk/gtk_window_host.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"

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

// A skinned top-level form under openbox for the life of a case: the GTK
// control backend and window hosts, an owner of the form ("Form") and its
// skin, and a teardown that frees the skin manager and drains the loop.
// Cases set the form and the skin up after SetUp and show them with
// HookAndPresent() and their own waits.
class SkinnedFormTest : public testing::WindowManagerTest {
 public:
  struct Services {
    bool desktop = false;  // the real pointer through the GTK desktop service
    bool popups = false;   // real hint and popup windows
    // Makes the popups instead of the GTK factory; outlives the case.
    ISkinPopupFactory* popupFactory = nullptr;
  };

 protected:
  SkinnedFormTest() = default;
  explicit SkinnedFormTest(Services services) : m_services(services) {}

  void SetUp() override {
    testing::WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(platform::InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    if (m_services.desktop) m_desktop.emplace();
    m_backend.emplace();
    m_backendScope.emplace(*m_backend);
    m_hostScope.emplace();
    if (m_services.popupFactory)
      m_ownPopupScope.emplace(*m_services.popupFactory);
    else if (m_services.popups)
      m_popupScope.emplace();
    m_owner = std::make_unique<platform::TComponent>();
    form = &platform::MakeComponent<platform::TWinControl>(*m_owner);
    form->SetName("Form");
    skin = &platform::MakeComponent<TZebrinFormSkin>(*m_owner);
  }

  void TearDown() override {
    m_owner.reset();
    FreeSkinManager();
    m_ownPopupScope.reset();
    m_popupScope.reset();
    m_hostScope.reset();
    m_backendScope.reset();
    m_backend.reset();
    m_desktop.reset();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    testing::WindowManagerTest::TearDown();
  }

  // One opaque caption band of `size` in `color`, active or not.
  void AddCaptionBand(int size, TColor color) {
    TZebrinSkinCaptionBands& caption = *skin->Caption();
    caption.Add().Metrics()->SetSize(size);
    caption.SetTransparent(false);
    caption.Metrics()->SetColor(color);
    caption.Metrics()->SetInactiveColor(color);
  }

  // Hooks the form to the skin and presents its top-level.
  void HookAndPresent() {
    form->HandleNeeded();
    skin->SetForm(form);
    skin->SetEnabled(true);
    ASSERT_NE(skin->Host(), nullptr);
    gtk_window_present(Window());
  }

  GtkWindow* Window() const { return m_backend->TopLevelWindow(form->Window()); }
  const platform::GtkControlBackend& Backend() const { return *m_backend; }
  TPoint Screen(TPoint window) const { return skin->Host()->WindowToScreen(window); }
  platform::TComponent& Owner() const { return *m_owner; }

  platform::TWinControl* form = nullptr;
  TZebrinFormSkin* skin = nullptr;

 private:
  Services m_services;
  std::optional<platform::GtkDesktopServiceScope> m_desktop;
  std::optional<platform::GtkControlBackend> m_backend;
  std::optional<platform::ScopedControlBackend> m_backendScope;
  std::optional<GtkWindowHostFactoryScope> m_hostScope;
  std::optional<GtkSkinPopupFactoryScope> m_popupScope;
  std::optional<ScopedSkinPopupFactory> m_ownPopupScope;
  std::unique_ptr<platform::TComponent> m_owner;
};

}  // namespace halbrin::skins::skintest

