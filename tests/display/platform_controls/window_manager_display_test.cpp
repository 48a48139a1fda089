#include <signal.h>

#include <cerrno>

#include "controls_display_support.h"
#include "platform/base/glib_ptr.h"

namespace halbrin::platform::controltest {
namespace {

// --- The test fixture itself ----------------------------------------------------------------

TEST(OpenboxSession, RunsForItsLifeAndStopsByItsOwnProcess) {
  pid_t pid = 0;
  {
    testing::OpenboxSession session;
    if (session.Status() == testing::OpenboxSession::State::Absent) GTEST_SKIP() << session.Error();
    ASSERT_EQ(session.Status(), testing::OpenboxSession::State::Running) << session.Error();
    EXPECT_TRUE(testing::WindowManagerRunning());
    pid = session.Pid();
    if (pid == 0) GTEST_SKIP() << "another window manager runs on this display; it is left alone";
    EXPECT_EQ(kill(pid, 0), 0);
  }
  EXPECT_FALSE(testing::WindowManagerRunning()) << "the announcement goes with the process";
  errno = 0;
  EXPECT_EQ(kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH) << "the process was stopped and reaped";
}

// --- Top-levels under a window manager ---------------------------------------------------------

class ManagedWindowTest : public ManagedControlsTest {
 protected:
  ObserverToken Watch(TControl& control) {
    return control.AddObserver(
        [this](TControl& c, ControlEvent e) { m_events.push_back(c.Name() + ":" + std::string(ControlEventName(e))); });
  }

  std::vector<std::string> m_events;
};

// Whether the window manager drew a frame around the window.
bool Decorated(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  GdkRectangle extents;
  gdk_window_get_frame_extents(gdkWindow, &extents);
  return extents.width > gdk_window_get_width(gdkWindow) || extents.height > gdk_window_get_height(gdkWindow);
}

TEST_F(ManagedWindowTest, ATopLevelIsActivatedMovedAndAskedToClose) {
  TWinControl& form = Form({200, 150, 400, 300});
  Watch(form);
  ASSERT_TRUE(ShowAndWait(form));
  GtkWindow* window = WindowOf(form);
  gtk_window_present(window);
  ASSERT_TRUE(RunUntil([&] { return form.Active(); })) << "the window manager never activated the window";
  EXPECT_NE(std::find(m_events.begin(), m_events.end(), "Form:Activated"), m_events.end());
  ASSERT_TRUE(RunUntil([&] { return Decorated(window); })) << "a window with a caption is decorated";

  m_events.clear();
  form.SetBounds(260, 190, 420, 310);
  ASSERT_TRUE(RunUntil([&] {
    int x = 0;
    int y = 0;
    gtk_window_get_position(window, &x, &y);
    return x == 260 && y == 190 && gdk_window_get_width(gtk_widget_get_window(GTK_WIDGET(window))) == 420;
  }));
  RunUntil([&] { return form.BoundsRect() == TRect{260, 190, 680, 500}; });
  EXPECT_EQ(form.BoundsRect(), (TRect{260, 190, 680, 500})) << "configure events read back what was asked";

  // A move by the window system reaches the model.
  gtk_window_move(window, 300, 220);
  ASSERT_TRUE(RunUntil([&] { return form.Left() == 300 && form.Top() == 220; }));
  EXPECT_NE(std::find(m_events.begin(), m_events.end(), "Form:Moved"), m_events.end());

  // Closing through the window manager asks the control, which hides the window.
  m_events.clear();
  gtk_window_close(window);
  ASSERT_TRUE(RunUntil([&] { return !form.Visible(); }));
  EXPECT_TRUE(form.HandleAllocated()) << "the window is kept";
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window)));
  EXPECT_EQ(m_events.front(), "Form:Hidden");
}

TEST_F(ManagedWindowTest, StrippedTraitsTakeTheDecorationsAwayAndRestoredOnesBringThemBack) {
  TWinControl& form = Form({200, 150, 400, 300});
  ASSERT_TRUE(ShowAndWait(form));
  GtkWindow* window = WindowOf(form);
  ASSERT_TRUE(RunUntil([&] { return Decorated(window); }));

  const TWindowTraits saved = form.WindowTraits();
  TWindowTraits stripped = saved;
  stripped.caption = stripped.border = false;
  form.SetWindowTraits(stripped);
  EXPECT_FALSE(gtk_window_get_decorated(window));
  ASSERT_TRUE(RunUntil([&] { return !Decorated(window); })) << "openbox kept its frame";
  EXPECT_TRUE(gtk_window_get_resizable(window)) << "still sizable: only the decorations went";

  form.SetWindowTraits(saved);
  ASSERT_TRUE(RunUntil([&] { return Decorated(window); })) << "the frame did not come back";
}

TEST_F(ManagedWindowTest, TheFocusWidgetDecidesTheFocusedControl) {
  TWinControl& form = Form({200, 150, 400, 300});
  TWinControl& left = Win("Left", &form, {0, 0, 150, 200});
  TWinControl& right = Win("Right", &form, {160, 0, 150, 200});
  GObjectPtr<GtkWidget> entry = GObjectPtr<GtkWidget>::AdoptFloating(gtk_entry_new());
  right.SetContentWidget(entry.Get());
  left.SetTabStop(true);
  Watch(left);
  Watch(right);
  ASSERT_TRUE(ShowAndWait(form));
  gtk_window_present(WindowOf(form));
  ASSERT_TRUE(RunUntil([&] { return form.Active(); }));

  left.SetFocus();
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_has_focus(FrameOf(left)); }));
  EXPECT_TRUE(left.Focused());

  // The user (or the toolkit) focuses the content widget of another control.
  gtk_widget_grab_focus(entry.Get());
  ASSERT_TRUE(RunUntil([&] { return right.Focused(); }));
  EXPECT_FALSE(left.Focused());
  EXPECT_EQ(m_events, (std::vector<std::string>{"Left:FocusEntered", "Left:FocusExited", "Right:FocusEntered"}));
  right.SetContentWidget(nullptr);
}

}  // namespace
}  // namespace halbrin::platform::controltest
