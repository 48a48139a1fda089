// The GtkStatusIcon tray icon on an XEmbed notification area of another X
// client (xembed_tray: it owns _NET_SYSTEM_TRAY_S0, announces it and docks
// each icon in a GtkSocket). The icon counts as shown once docked, and a real
// right-button press on it (XTest) reaches the sink as mbRight.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <string>
#include <vector>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include "platform/ui/gtk_init.h"
#include "platform/ui/gtk_status_icon_tray.h"
#include "support/main_context_wait.h"
#include "support/x_input.h"

namespace halbrin::platform {
namespace {

using testing::RunUntil;

struct Sink : ITrayIconSink {
  void Activate(int, int) override { calls.push_back("activate"); }
  void SecondaryActivate(int, int) override { calls.push_back("secondary"); }
  void ContextMenu(int, int) override { calls.push_back("context"); }
  void Button(bool down, TMouseButton button, TShiftState, int, int) override {
    calls.push_back(std::string(down ? "down " : "up ") + std::to_string(static_cast<int>(button)));
  }
  void DoubleClick(int, int) override { calls.push_back("double"); }
  void Clicked() override { calls.push_back("clicked"); }
  void MenuRequested(int, int) override { calls.push_back("menu"); }
  void ShownChanged(bool shown) override { calls.push_back(shown ? "shown" : "unshown"); }
  std::vector<std::string> calls;
};

// The notification area as a process of its own, stopped when this goes.
class TrayManagerProcess {
 public:
  TrayManagerProcess() {
    char* argv[] = {const_cast<char*>(HALBRIN_XEMBED_TRAY), nullptr};
    // Not on the test's output (CTest waits for it to close), and gone with
    // the test even when that one ends abruptly.
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                                                G_SPAWN_STDERR_TO_DEV_NULL);
    g_spawn_async(
        nullptr, argv, nullptr, flags, +[](gpointer) { prctl(PR_SET_PDEATHSIG, SIGTERM); }, nullptr, &m_pid,
        nullptr);
  }
  ~TrayManagerProcess() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    g_spawn_close_pid(m_pid);
  }
  bool Started() const { return m_pid > 0; }
  static bool Owned() {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    return XGetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False)) != 0;
  }

 private:
  GPid m_pid = 0;
};

TEST(StatusIconDisplayTest, EmbedsInAnXEmbedTrayAndReportsRealButtons) {
  ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
  TrayManagerProcess manager;
  ASSERT_TRUE(manager.Started());
  ASSERT_TRUE(RunUntil([] { return TrayManagerProcess::Owned(); }));
  Sink sink;
  auto icon = GtkStatusIconTrayFactory()(sink);
  icon->SetContent({{}, "application-x-executable", "tip", "title"});
  EXPECT_FALSE(icon->Shown());
  icon->Show();
  ASSERT_TRUE(RunUntil([&] { return icon->Shown(); })) << "the icon docks";
  EXPECT_EQ(sink.calls, (std::vector<std::string>{"shown"}));

  // Where the docked icon is on the screen.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  ASSERT_TRUE(RunUntil([&] { return GtkStatusIconArea(*icon, x, y, width, height) && width > 1; }));
  testing::PointerMoveTo(x + width / 2, y + height / 2);
  testing::PointerPress(3);
  const bool pressed = RunUntil([&] { return sink.calls.size() >= 2; });
  testing::PointerRelease(3);
  ASSERT_TRUE(pressed);
  EXPECT_EQ(sink.calls[1], "down 1") << "mbRight is 1";
  RunUntil([&] { return sink.calls.size() >= 3; }, std::chrono::milliseconds(2000));

  icon->Hide();
  EXPECT_FALSE(icon->Shown());
  EXPECT_EQ(sink.calls.back(), "unshown");
}

}  // namespace
}  // namespace halbrin::platform

// GTK leaks the colours its status icon copies from the tray (see
// tests/sanitizer/lsan.supp); that suppression only matches with whole
// stacks, which the fast unwinder cannot walk through GLib.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
