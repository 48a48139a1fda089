#include <cairo.h>

#include <vector>

#include "controls_display_support.h"
#include "platform/base/glib_ptr.h"

namespace halbrin::platform::controltest {
namespace {

// As left, top, right, bottom, to compare with the model's rectangles.
TRect AsRect(const GdkRectangle& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

TRect AllocationOf(GtkWidget* widget) {
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  return AsRect(allocation);
}

using FrameDisplayTest = ControlsDisplayTest;

// --- Layout ----------------------------------------------------------------------------

TEST_F(FrameDisplayTest, ATopLevelWrapsItsContentInAFrameThatReservesTheMargins) {
  TWinControl& form = Form({200, 150, 300, 200});
  form.SetNonClientMargins({4, 24, 6, 8});
  TWinControl& panel = Win("Panel", &form, {10, 20, 120, 60});
  ASSERT_TRUE(ShowAndWait(form));

  GtkWidget* frame = FrameOf(form);
  EXPECT_EQ(gtk_bin_get_child(GTK_BIN(WindowOf(form))), frame) << "the frame is the window's one child";
  EXPECT_EQ(AllocationOf(frame), (TRect{0, 0, 300, 200}));
  GdkRectangle client;
  halbrin_frame_get_client_rect(HALBRIN_FRAME(frame), &client);
  EXPECT_EQ(AsRect(client), (TRect{4, 24, 294, 192}));
  EXPECT_EQ(form.ClientRect(), (TRect{0, 0, 290, 168}));

  GtkWidget* panelFrame = FrameOf(panel);
  EXPECT_EQ(gtk_widget_get_parent(panelFrame), frame);
  EXPECT_EQ(AllocationOf(panelFrame), (TRect{14, 44, 134, 104})) << "client coordinates inside the margins";

  // New margins move the children with the client area; new bounds move the child.
  form.SetNonClientMargins({0, 30, 0, 0});
  panel.SetBounds(0, 0, 50, 40);
  RunUntil([&] { return AllocationOf(panelFrame) == TRect{0, 30, 50, 70}; });
  EXPECT_EQ(AllocationOf(panelFrame), (TRect{0, 30, 50, 70}));
}

TEST_F(FrameDisplayTest, AChildsWindowIdIsItsTopLevelsAndNothingTurnsNative) {
  TWinControl& form = Form({200, 150, 300, 200});
  TWinControl& panel = Win("Panel", &form, {10, 20, 120, 60});
  TWinControl& other = Win("Other", nullptr, {520, 150, 100, 100});
  form.HandleNeeded();
  other.HandleNeeded();
  // Asked before anything is shown: the id comes with a realized window.
  const std::uint64_t formId = form.Backend()->NativeWindowId(form.Window());
  ASSERT_NE(formId, 0u);
  EXPECT_EQ(form.Backend()->NativeWindowId(panel.Window()), formId);
  EXPECT_FALSE(gdk_window_has_native(gtk_widget_get_window(FrameOf(panel)))) << "the child draws client-side still";
  EXPECT_NE(other.Backend()->NativeWindowId(other.Window()), formId);
  EXPECT_EQ(form.Backend()->NativeWindowId(kNoWindow), 0u);
}

TEST_F(FrameDisplayTest, ChildrenAreStackedAsTheirControlsAndTheTopOneGetsThePointer) {
  TWinControl& form = Form({200, 150, 400, 300});
  TWinControl& lower = Win("Lower", &form, {20, 20, 150, 100});
  TWinControl& upper = Win("Upper", &form, {80, 60, 150, 100});  // overlaps Lower from (80, 60) to (170, 120)
  ASSERT_TRUE(ShowAndWait(form));
  FrameEventLog lowerLog(FrameOf(lower));
  FrameEventLog upperLog(FrameOf(upper));
  auto stacking = [&] {
    GListPtr list(halbrin_frame_get_stacking(HALBRIN_FRAME(FrameOf(form))));
    std::vector<GtkWidget*> widgets;
    for (GList* l = list.get(); l; l = l->next) widgets.push_back(GTK_WIDGET(l->data));
    return widgets;
  };
  auto clickOverlap = [&] {
    lowerLog.Clear();
    upperLog.Clear();
    const auto [x, y] = ScreenPoint(FrameOf(form), 120, 90);
    testing::PointerClick(x, y);
    return RunUntil([&] { return lowerLog.Last(HALBRIN_FRAME_RELEASE) || upperLog.Last(HALBRIN_FRAME_RELEASE); });
  };

  EXPECT_EQ(stacking(), (std::vector<GtkWidget*>{FrameOf(lower), FrameOf(upper)}));
  ASSERT_TRUE(clickOverlap());
  EXPECT_TRUE(upperLog.Last(HALBRIN_FRAME_PRESS)) << "the later child lies on top";
  EXPECT_FALSE(lowerLog.Last(HALBRIN_FRAME_PRESS));

  lower.BringToFront();
  EXPECT_EQ(stacking(), (std::vector<GtkWidget*>{FrameOf(upper), FrameOf(lower)}));
  ASSERT_TRUE(clickOverlap());
  EXPECT_TRUE(lowerLog.Last(HALBRIN_FRAME_PRESS)) << "BringToFront raised its window";
  EXPECT_FALSE(upperLog.Last(HALBRIN_FRAME_PRESS));

  lower.SendToBack();
  ASSERT_TRUE(clickOverlap());
  EXPECT_TRUE(upperLog.Last(HALBRIN_FRAME_PRESS));
}

// --- Painting ---------------------------------------------------------------------------

struct PaintProbe {
  int calls = 0;
  double extents[4] = {0, 0, 0, 0};
  bool inMargin = false;   // (1, 1)
  bool inBottom = false;   // a point of the bottom margin
  bool inClient = true;    // the client area's centre
};

void ProbePaint(HalbrinFrame*, cairo_t* cr, gpointer data) {
  auto* probe = static_cast<PaintProbe*>(data);
  ++probe->calls;
  cairo_clip_extents(cr, &probe->extents[0], &probe->extents[1], &probe->extents[2], &probe->extents[3]);
  probe->inMargin = cairo_in_clip(cr, 1.5, 1.5);
  probe->inBottom = cairo_in_clip(cr, 150.5, 196.5);
  probe->inClient = cairo_in_clip(cr, 150.5, 100.5);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_paint(cr);
}

TEST_F(FrameDisplayTest, FramePaintIsClippedToTheNonClientArea) {
  TWinControl& form = Form({200, 150, 300, 200});
  form.SetNonClientMargins({5, 20, 5, 5});
  form.HandleNeeded();
  GtkWidget* frame = FrameOf(form);
  PaintProbe probe;
  const gulong handler = g_signal_connect(frame, "paint-frame", G_CALLBACK(ProbePaint), &probe);
  ASSERT_TRUE(ShowAndWait(form));
  ASSERT_TRUE(RunUntil([&] { return probe.calls > 0; })) << "the frame was never painted";
  EXPECT_TRUE(probe.inMargin);
  EXPECT_TRUE(probe.inBottom);
  EXPECT_FALSE(probe.inClient) << "the client area is no part of the frame's paint";

  // Drawn into an image: the margins red, the client area left to the window.
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 300, 200);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(frame, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  auto pixel = [&](int x, int y) {
    const auto* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
  };
  EXPECT_EQ(pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(pixel(298, 100), 0xFFFF0000u);
  EXPECT_EQ(pixel(150, 198), 0xFFFF0000u);
  EXPECT_NE(pixel(150, 100), 0xFFFF0000u);
  EXPECT_NE(pixel(5, 20), 0xFFFF0000u) << "the client area starts right after the margins";
  cairo_surface_destroy(surface);

  // Without margins there is no frame to paint.
  form.SetNonClientMargins({0, 0, 0, 0});
  probe.calls = 0;
  gtk_widget_queue_draw(frame);
  RunUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(probe.calls, 0);
  g_signal_handler_disconnect(frame, handler);
}

TEST_F(FrameDisplayTest, StackedPaintHandlersComeOffInAnyOrder) {
  TWinControl& form = Form({200, 150, 300, 200});
  form.SetNonClientMargins({5, 20, 5, 5});
  form.HandleNeeded();
  GtkWidget* frame = FrameOf(form);
  std::vector<int> calls;
  using Entry = std::pair<std::vector<int>*, int>;
  Entry entries[] = {{&calls, 1}, {&calls, 2}, {&calls, 3}};
  auto paint = +[](HalbrinFrame*, cairo_t*, gpointer data) {
    auto* entry = static_cast<Entry*>(data);
    entry->first->push_back(entry->second);
  };
  gulong ids[3];
  for (int i = 0; i < 3; ++i) ids[i] = g_signal_connect(frame, "paint-frame", G_CALLBACK(paint), &entries[i]);
  ASSERT_TRUE(ShowAndWait(form));
  auto repaint = [&] {
    calls.clear();
    gtk_widget_queue_draw(frame);
    return RunUntil([&] { return !calls.empty(); });
  };
  ASSERT_TRUE(repaint());
  EXPECT_EQ(calls, (std::vector<int>{1, 2, 3}));
  g_signal_handler_disconnect(frame, ids[1]);
  ASSERT_TRUE(repaint());
  EXPECT_EQ(calls, (std::vector<int>{1, 3}));
  g_signal_handler_disconnect(frame, ids[0]);
  ASSERT_TRUE(repaint());
  EXPECT_EQ(calls, (std::vector<int>{3}));
  g_signal_handler_disconnect(frame, ids[2]);
}

// --- Pointer input -------------------------------------------------------------------------

TEST_F(FrameDisplayTest, PointerInputArrivesInFrameCoordinates) {
  testing::PointerMoveTo(5, 5);
  TWinControl& form = Form({200, 150, 400, 300});
  form.SetNonClientMargins({4, 24, 4, 4});
  TWinControl& pane = Win("Pane", &form, {30, 40, 200, 150});
  pane.SetNonClientMargins({3, 18, 3, 3});
  ASSERT_TRUE(ShowAndWait(form));
  GtkWidget* paneFrame = FrameOf(pane);
  FrameEventLog log(paneFrame);

  MoveTo(paneFrame, 12, 7);  // in the pane's caption margin
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_MOTION) != nullptr; }));
  ASSERT_NE(log.Last(HALBRIN_FRAME_ENTER), nullptr);
  EXPECT_EQ(log.Last(HALBRIN_FRAME_MOTION)->x, 12);
  EXPECT_EQ(log.Last(HALBRIN_FRAME_MOTION)->y, 7);

  testing::PointerPress(1);
  testing::PointerRelease(1);
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_RELEASE) != nullptr; }));
  const SeenEvent* press = log.Last(HALBRIN_FRAME_PRESS);
  ASSERT_NE(press, nullptr);
  EXPECT_EQ(press->x, 12);
  EXPECT_EQ(press->y, 7);
  EXPECT_EQ(press->button, 1u);

  log.Clear();
  testing::PointerPress(1);
  testing::PointerRelease(1);
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_RELEASE) != nullptr; }));
  EXPECT_EQ(log.Kinds({HALBRIN_FRAME_PRESS, HALBRIN_FRAME_DOUBLE_PRESS, HALBRIN_FRAME_RELEASE}),
            (std::vector<HalbrinFrameEventKind>{HALBRIN_FRAME_PRESS, HALBRIN_FRAME_DOUBLE_PRESS,
                                                HALBRIN_FRAME_RELEASE}))
      << "the second click of a pair is a double press";

  log.Clear();
  MoveTo(paneFrame, 150, 100);  // the pane's client area: still the frame's own window
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_MOTION) != nullptr; }));
  EXPECT_EQ(log.Last(HALBRIN_FRAME_MOTION)->x, 150);
  testing::PointerMoveTo(5, 5);
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_LEAVE) != nullptr; }));
}

// Disabled: under Xvfb with openbox about one run in ten loses one of the four
// releases before they reach the frame (a window-manager warm-up click does
// not help); to be made stable before it runs in CI again.
TEST_F(FrameDisplayTest, DISABLED_QuickClicksPairUpTwoByTwo) {
  testing::PointerMoveTo(5, 5);
  TWinControl& form = Form({200, 150, 400, 300});
  form.SetNonClientMargins({4, 24, 4, 4});
  ASSERT_TRUE(ShowAndWait(form));
  GtkWidget* frame = FrameOf(form);
  FrameEventLog log(frame);
  MoveTo(frame, 100, 10);
  ASSERT_TRUE(RunUntil([&] { return log.Last(HALBRIN_FRAME_MOTION) != nullptr; }));

  // Four clicks in a row, well within the double-click time of each other:
  // two double clicks (GDK alone makes the third a triple and the fourth a single).
  for (int i = 0; i < 4; ++i) {
    testing::PointerPress(1);
    testing::PointerRelease(1);
  }
  ASSERT_TRUE(RunUntil([&] { return log.Kinds({HALBRIN_FRAME_RELEASE}).size() == 4; }));
  EXPECT_EQ(log.Kinds({HALBRIN_FRAME_PRESS, HALBRIN_FRAME_DOUBLE_PRESS}),
            (std::vector<HalbrinFrameEventKind>{HALBRIN_FRAME_PRESS, HALBRIN_FRAME_PRESS, HALBRIN_FRAME_DOUBLE_PRESS,
                                                HALBRIN_FRAME_PRESS, HALBRIN_FRAME_PRESS, HALBRIN_FRAME_DOUBLE_PRESS}));
}

TEST_F(FrameDisplayTest, LeavingIntoAChildIsNoLeaveOfTheControl) {
  testing::PointerMoveTo(5, 5);
  TWinControl& form = Form({200, 150, 400, 300});
  form.SetNonClientMargins({4, 24, 4, 4});
  TWinControl& pane = Win("Pane", &form, {30, 40, 200, 150});
  ASSERT_TRUE(ShowAndWait(form));
  GtkWidget* frame = FrameOf(form);
  FrameEventLog log(frame);
  const std::initializer_list<HalbrinFrameEventKind> crossings{HALBRIN_FRAME_ENTER, HALBRIN_FRAME_LEAVE,
                                                               HALBRIN_FRAME_INTO_CHILD, HALBRIN_FRAME_FROM_CHILD};
  auto crossed = [&](std::size_t count) { return RunUntil([&] { return log.Kinds(crossings).size() >= count; }); };

  MoveTo(frame, 10, 10);  // the caption margin
  ASSERT_TRUE(crossed(1));
  MoveTo(frame, 4 + 30 + 50, 24 + 40 + 50);  // inside the pane
  ASSERT_TRUE(crossed(2));
  MoveTo(frame, 10, 10);
  ASSERT_TRUE(crossed(3));
  MoveTo(frame, 4 + 30 + 50, 24 + 40 + 50);
  ASSERT_TRUE(crossed(4));
  testing::PointerMoveTo(5, 5);  // out of the window straight from the pane
  ASSERT_TRUE(crossed(5));
  EXPECT_EQ(log.Kinds(crossings),
            (std::vector<HalbrinFrameEventKind>{HALBRIN_FRAME_ENTER, HALBRIN_FRAME_INTO_CHILD, HALBRIN_FRAME_FROM_CHILD,
                                                HALBRIN_FRAME_INTO_CHILD, HALBRIN_FRAME_LEAVE}));
  (void)pane;
}

// --- A content widget of the toolkit's -----------------------------------------------------------

TEST_F(FrameDisplayTest, AForeignContentWidgetFillsTheClientAreaAndOutlivesItsWindow) {
  TWinControl& form = Form({200, 150, 400, 300});
  form.SetNonClientMargins({4, 24, 4, 4});
  TWinControl& view = Win("View", &form, {10, 10, 200, 120});
  view.SetNonClientMargins({2, 16, 2, 2});
  // The supplier keeps its own reference, as a web view's owner does.
  GObjectPtr<GtkWidget> area = GObjectPtr<GtkWidget>::AdoptFloating(gtk_drawing_area_new());
  bool areaDestroyed = false;
  g_signal_connect(area.Get(), "destroy", G_CALLBACK(+[](GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; }),
                   &areaDestroyed);
  view.SetContentWidget(area.Get());
  ASSERT_TRUE(ShowAndWait(form, area.Get()));

  EXPECT_EQ(gtk_widget_get_parent(area.Get()), FrameOf(view));
  EXPECT_EQ(halbrin_frame_get_content(HALBRIN_FRAME(FrameOf(view))), area.Get());
  EXPECT_EQ(AllocationOf(area.Get()), (TRect{2, 16, 198, 118}));
  EXPECT_TRUE(gtk_widget_get_mapped(area.Get()));

  // The control's window made anew (a new parent) takes the same widget.
  TWinControl& other = Win("Other", &form, {0, 0, 300, 200});
  view.SetParent(&other);
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_parent(area.Get()) == FrameOf(view) && gtk_widget_get_mapped(area.Get()); }));
  EXPECT_FALSE(areaDestroyed);

  // A window destroyed from outside leaves the widget to its supplier and the control without a window.
  gtk_widget_destroy(GTK_WIDGET(WindowOf(form)));
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_FALSE(view.HandleAllocated());
  EXPECT_FALSE(areaDestroyed);
  EXPECT_EQ(gtk_widget_get_parent(area.Get()), nullptr);

  form.HandleNeeded();
  EXPECT_EQ(gtk_widget_get_parent(area.Get()), FrameOf(view)) << "the model puts it back into a new window";
  view.SetContentWidget(nullptr);
  EXPECT_EQ(gtk_widget_get_parent(area.Get()), nullptr);
  EXPECT_FALSE(areaDestroyed);
}

}  // namespace
}  // namespace halbrin::platform::controltest
