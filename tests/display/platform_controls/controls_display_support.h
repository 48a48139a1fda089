#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "platform/classes/component.h"
#include "platform/controls/win_control.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"
#include "support/x_input.h"

namespace halbrin::platform {

inline void PrintTo(const TRect& r, std::ostream* out) {
  *out << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
}

}  // namespace halbrin::platform

namespace halbrin::platform::controltest {

using testing::RunUntil;

// What a "frame-event" handler saw, without the event pointer.
struct SeenEvent {
  HalbrinFrameEventKind kind;
  int x;
  int y;
  guint button;
};

// Records every frame event of one frame for the life of the object.
class FrameEventLog {
 public:
  explicit FrameEventLog(GtkWidget* frame) : m_frame(frame) {
    m_handler = g_signal_connect(frame, "frame-event", G_CALLBACK(OnEvent), this);
  }
  ~FrameEventLog() { g_signal_handler_disconnect(m_frame, m_handler); }
  FrameEventLog(const FrameEventLog&) = delete;
  FrameEventLog& operator=(const FrameEventLog&) = delete;

  const std::vector<SeenEvent>& Events() const { return m_events; }
  void Clear() { m_events.clear(); }
  // The events of these kinds only, in order.
  std::vector<HalbrinFrameEventKind> Kinds(std::initializer_list<HalbrinFrameEventKind> wanted) const {
    std::vector<HalbrinFrameEventKind> kinds;
    for (const SeenEvent& e : m_events)
      if (std::find(wanted.begin(), wanted.end(), e.kind) != wanted.end()) kinds.push_back(e.kind);
    return kinds;
  }
  const SeenEvent* Last(HalbrinFrameEventKind kind) const {
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
      if (it->kind == kind) return &*it;
    return nullptr;
  }

 private:
  static gboolean OnEvent(HalbrinFrame*, const HalbrinFrameEvent* event, gpointer self) {
    static_cast<FrameEventLog*>(self)->m_events.push_back(
        {event->kind, static_cast<int>(event->x), static_cast<int>(event->y), event->button});
    return FALSE;
  }

  GtkWidget* m_frame;
  gulong m_handler = 0;
  std::vector<SeenEvent> m_events;
};

// Controls with GTK windows, for a test fixture to hold: Start in SetUp, Stop
// in TearDown. The owner of the controls goes first, then the backend.
class ControlsDisplay {
 protected:
  void StartControls() {
    ASSERT_TRUE(InitGtk()) << "no display could be opened; run display tests under xvfb-run";
    m_backend.emplace();
    m_scope.emplace(*m_backend);
    m_owner = std::make_unique<TComponent>();
  }
  void StopControls() {
    m_owner.reset();
    m_scope.reset();
    m_backend.reset();
    // Let GTK finish with the destroyed windows before the next case.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }

  struct Place {
    int left, top, width, height;
  };
  TWinControl& Win(const std::string& name, TWinControl* parent, const Place& bounds) {
    auto& control = MakeComponent<TWinControl>(*m_owner);
    control.SetName(name);
    control.SetParent(parent);
    control.SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    return control;
  }
  // A top-level with a caption and a sizable border.
  TWinControl& Form(const Place& bounds) {
    TWinControl& form = Win("Form", nullptr, bounds);
    form.SetText("Halbrin Lite controls test");
    form.SetWindowTraits({.caption = true, .border = true, .sizable = true, .sysMenu = true, .minBox = true,
                          .maxBox = true});
    return form;
  }

  GtkWidget* FrameOf(const TWinControl& control) const { return GTK_WIDGET(m_backend->Frame(control.Window())); }
  GtkWindow* WindowOf(const TWinControl& control) const { return m_backend->TopLevelWindow(control.Window()); }

  // Shows the form and waits until its frames are on the screen with their final allocations.
  bool ShowAndWait(TWinControl& form, GtkWidget* probe = nullptr) {
    form.Show();
    form.HandleNeeded();
    GtkWidget* frame = FrameOf(form);
    bool drawn = false;
    const gulong handler = g_signal_connect_after(probe ? probe : frame, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) {
                                                    *static_cast<bool*>(flag) = true;
                                                    return FALSE;
                                                  }),
                                                  &drawn);
    const bool shown = RunUntil([&] {
      return drawn && gtk_widget_get_allocated_width(frame) == form.Width() &&
             gtk_widget_get_allocated_height(frame) == form.Height();
    });
    g_signal_handler_disconnect(probe ? probe : frame, handler);
    if (!shown)
      ADD_FAILURE() << "not shown in time: drawn " << drawn << ", frame " << gtk_widget_get_allocated_width(frame) << "x"
                    << gtk_widget_get_allocated_height(frame) << ", control " << form.Width() << "x" << form.Height()
                    << ", mapped " << gtk_widget_get_mapped(frame);
    return shown;
  }

  // The screen position of a point in a frame's coordinates.
  static std::pair<int, int> ScreenPoint(GtkWidget* frame, int x, int y) {
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(gtk_widget_get_window(frame), &originX, &originY);
    return {originX + x, originY + y};
  }
  static void MoveTo(GtkWidget* frame, int x, int y) {
    const auto [sx, sy] = ScreenPoint(frame, x, y);
    testing::PointerMoveTo(sx, sy);
  }

  std::optional<GtkControlBackend> m_backend;
  std::optional<ScopedControlBackend> m_scope;
  std::unique_ptr<TComponent> m_owner;
};

// Under openbox when it is installed, without a window manager otherwise. A
// GTK client that showed windows before a window manager started does not
// get its later windows drawn, so a test process runs all its cases under one.
class ControlsDisplayTest : public ::testing::Test, protected ControlsDisplay {
 protected:
  void SetUp() override {
    testing::ProcessOpenbox();
    StartControls();
  }
  void TearDown() override { StopControls(); }
};

// The same under openbox; skipped when openbox is not installed.
class ManagedControlsTest : public testing::WindowManagerTest, protected ControlsDisplay {
 protected:
  void SetUp() override {
    testing::WindowManagerTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    StartControls();
  }
  void TearDown() override {
    StopControls();
    testing::WindowManagerTest::TearDown();
  }
};

}  // namespace halbrin::platform::controltest
