#include <chrono>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/ui/gtk_init.h"
#include "platform/ui/window_holder.h"
#include "support/main_context_wait.h"

namespace halbrin::platform {
namespace {

using namespace std::chrono_literals;

// Generous: a loaded CI machine under Xvfb and the sanitizers can take seconds
// to map a window; a healthy run needs milliseconds.
constexpr auto kWaitLimit = 20s;

using testing::RunUntil;

// Tracks whether a GObject is finalised, without keeping it alive. Weak
// pointers are cleared at dispose, which a destroyed widget reaches long
// before its last reference goes; object data is freed only at finalize.
class FinalizeWatch {
 public:
  explicit FinalizeWatch(gpointer object) : m_object(G_OBJECT(object)) {
    g_object_set_data_full(m_object, kKey, &m_finalized, [](gpointer flag) { *static_cast<bool*>(flag) = true; });
  }
  ~FinalizeWatch() {
    if (!m_finalized) g_object_steal_data(m_object, kKey);
  }
  FinalizeWatch(const FinalizeWatch&) = delete;
  FinalizeWatch& operator=(const FinalizeWatch&) = delete;

  bool Finalized() const { return m_finalized; }

 private:
  static constexpr char kKey[] = "halbrin-test-finalize-watch";
  GObject* m_object;
  bool m_finalized = false;
};

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  }
};

// --- InitGtk ---------------------------------------------------------------

TEST_F(DisplayTest, InitGtkOpensTheDisplayOnceAndKeepsTheAnswer) {
  GdkDisplay* display = gdk_display_get_default();
  ASSERT_NE(display, nullptr);
  EXPECT_TRUE(InitGtk());
  EXPECT_EQ(gdk_display_get_default(), display) << "a second call must not open another display";
}

TEST(InitGtkWithoutDisplay, ReportsFalseInsteadOfAborting) {
  // gtk_init would end the process without a display; the check must not.
  // A fresh process is needed because the answer is kept once known.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        const bool first = InitGtk();
        const bool second = InitGtk();
        std::exit(!first && !second ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// --- A real top-level window -----------------------------------------------

struct WindowSize {
  int width;
  int height;
};

void PrintTo(const WindowSize& size, std::ostream* out) { *out << size.width << "x" << size.height; }

class MappedWindowTest : public DisplayTest, public ::testing::WithParamInterface<WindowSize> {};

TEST_P(MappedWindowTest, ShowsMapsAtTheAskedSizeAndCloses) {
  const WindowSize size = GetParam();
  WindowHolder holder = WindowHolder::CreateTopLevel();
  ASSERT_TRUE(holder);
  gtk_window_set_title(holder.Window(), "Halbrin Lite display test");
  gtk_window_set_default_size(holder.Window(), size.width, size.height);
  gtk_widget_show_all(holder.Widget());

  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(holder.Widget()); }))
      << "the window was not mapped in time";

  // The X server may confirm the geometry only after the map.
  GdkWindow* gdkWindow = gtk_widget_get_window(holder.Widget());
  ASSERT_NE(gdkWindow, nullptr);
  RunUntil([&] {
    return gdk_window_get_width(gdkWindow) == size.width &&
           gdk_window_get_height(gdkWindow) == size.height;
  });
  EXPECT_EQ(gdk_window_get_width(gdkWindow), size.width);
  EXPECT_EQ(gdk_window_get_height(gdkWindow), size.height);
  int width = 0;
  int height = 0;
  gtk_window_get_size(holder.Window(), &width, &height);
  EXPECT_EQ(width, size.width);
  EXPECT_EQ(height, size.height);

  // Closing goes through delete-event, whose default handler destroys the
  // window while the holder still has it.
  FinalizeWatch watch(holder.Widget());
  gtk_window_close(holder.Window());
  ASSERT_TRUE(RunUntil([&] { return holder.IsDestroyed(); })) << "the window was not destroyed on close";
  EXPECT_FALSE(watch.Finalized()) << "the holder's own reference must keep the pointer valid";
  holder.Reset();
  EXPECT_TRUE(watch.Finalized());
}

INSTANTIATE_TEST_SUITE_P(Sizes, MappedWindowTest,
                         ::testing::Values(WindowSize{320, 240}, WindowSize{640, 480}, WindowSize{1000, 700}),
                         [](const ::testing::TestParamInfo<WindowSize>& info) {
                           return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

// --- WindowHolder ownership ------------------------------------------------

class WindowHolderTest : public DisplayTest {};

TEST_F(WindowHolderTest, DestroysAndReleasesTheWindowWhenItGoes) {
  GtkWidget* widget = nullptr;
  bool destroyed = false;
  {
    WindowHolder holder = WindowHolder::CreateTopLevel();
    widget = holder.Widget();
    g_signal_connect(widget, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer flag) {
                       *static_cast<bool*>(flag) = true;
                     }),
                     &destroyed);
    FinalizeWatch watch(widget);
    gtk_widget_show(widget);
    RunUntil([&] { return gtk_widget_get_mapped(widget); });
    EXPECT_FALSE(holder.IsDestroyed());
    {
      WindowHolder gone = std::move(holder);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_TRUE(watch.Finalized()) << "a reference was kept after the holder went";
    EXPECT_FALSE(holder);
    EXPECT_EQ(holder.Widget(), nullptr);
  }
  // A GTK top-level lingers in the toplevel list unless it is destroyed.
  GList* toplevels = gtk_window_list_toplevels();
  EXPECT_EQ(g_list_find(toplevels, widget), nullptr);
  g_list_free(toplevels);
}

TEST_F(WindowHolderTest, MoveAssignmentDestroysTheWindowItReplaces) {
  WindowHolder first = WindowHolder::CreateTopLevel();
  WindowHolder second = WindowHolder::CreateTopLevel();
  FinalizeWatch firstWatch(first.Widget());
  FinalizeWatch secondWatch(second.Widget());
  GtkWidget* secondWidget = second.Widget();

  first = std::move(second);

  EXPECT_TRUE(firstWatch.Finalized());
  EXPECT_FALSE(secondWatch.Finalized());
  EXPECT_EQ(first.Widget(), secondWidget);
  EXPECT_FALSE(second);

  first = std::move(first);  // self-move keeps the window
  EXPECT_FALSE(secondWatch.Finalized());
  EXPECT_EQ(first.Widget(), secondWidget);
}

TEST_F(WindowHolderTest, ResetTwiceAndEmptyHoldersAreHarmless) {
  WindowHolder empty;
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.Window(), nullptr);
  EXPECT_FALSE(empty.IsDestroyed());
  empty.Reset();

  WindowHolder adoptedNull(nullptr);
  EXPECT_FALSE(adoptedNull);

  WindowHolder holder = WindowHolder::CreateTopLevel();
  FinalizeWatch watch(holder.Widget());
  holder.Reset();
  EXPECT_TRUE(watch.Finalized());
  holder.Reset();
  EXPECT_FALSE(holder);
}

TEST_F(WindowHolderTest, AWindowDestroyedElsewhereStaysValidUntilReleased) {
  WindowHolder holder = WindowHolder::CreateTopLevel();
  gtk_window_set_title(holder.Window(), "destroyed elsewhere");
  FinalizeWatch watch(holder.Widget());

  gtk_widget_destroy(holder.Widget());
  EXPECT_TRUE(holder.IsDestroyed());
  ASSERT_FALSE(watch.Finalized()) << "the holder's own reference must keep the pointer valid";
  EXPECT_STREQ(gtk_window_get_title(holder.Window()), "destroyed elsewhere");

  holder.Reset();
  EXPECT_TRUE(watch.Finalized());
}

}  // namespace
}  // namespace halbrin::platform
