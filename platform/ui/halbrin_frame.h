#pragma once

#include <gtk/gtk.h>

// The window of a control: a container with a GdkWindow of its own that
// reserves a non-client area (left, top, right and bottom margins) and
// places each child at a rectangle in client coordinates (inside the
// margins), stacked bottom first. An optional content widget fills the client
// area below the children.
//
// Signals (stack with handler ids, disconnect in any order):
//   "paint-frame" (HalbrinFrame*, cairo_t*, gpointer): paints the non-client
//       area. The cairo context is in frame coordinates, clipped to the
//       frame less the client rectangle; the children are drawn afterwards.
//   "frame-event" (HalbrinFrame*, const HalbrinFrameEvent*, gpointer) -> gboolean:
//       pointer input on the frame's own window (not on children that have
//       windows of their own), in frame coordinates. TRUE ends the handling.

G_BEGIN_DECLS

#define HALBRIN_TYPE_FRAME (halbrin_frame_get_type())
G_DECLARE_FINAL_TYPE(HalbrinFrame, halbrin_frame, HALBRIN, FRAME, GtkContainer)

typedef enum {
  HALBRIN_FRAME_PRESS,
  HALBRIN_FRAME_DOUBLE_PRESS,  // after the second press of a double click
  HALBRIN_FRAME_RELEASE,
  HALBRIN_FRAME_MOTION,
  // The pointer came into or left the control as a whole.
  HALBRIN_FRAME_ENTER,
  HALBRIN_FRAME_LEAVE,
  // The pointer moved from the frame into a child's window or back: it is
  // still over the control, but no longer over (or again over) the frame.
  HALBRIN_FRAME_INTO_CHILD,
  HALBRIN_FRAME_FROM_CHILD,
} HalbrinFrameEventKind;

typedef struct {
  HalbrinFrameEventKind kind;
  double x;  // frame coordinates: (0, 0) is the frame's top-left corner
  double y;
  double x_root;  // screen coordinates
  double y_root;
  guint button;  // 0 for motion and crossings
  GdkModifierType state;
  guint32 time;
  const GdkEvent* event;  // the event it came from
  // On a press: a HALBRIN_FRAME_DOUBLE_PRESS of the same press follows.
  gboolean double_follows;
} HalbrinFrameEvent;

GtkWidget* halbrin_frame_new(void);

void halbrin_frame_set_margins(HalbrinFrame* frame, int left, int top, int right, int bottom);
void halbrin_frame_get_margins(HalbrinFrame* frame, int* left, int* top, int* right, int* bottom);
// The client area in frame coordinates (empty when the margins leave none).
void halbrin_frame_get_client_rect(HalbrinFrame* frame, GdkRectangle* rect);

// Adds `child` on top of the other children at `rect` (client coordinates).
void halbrin_frame_put(HalbrinFrame* frame, GtkWidget* child, const GdkRectangle* rect);
void halbrin_frame_move(HalbrinFrame* frame, GtkWidget* child, const GdkRectangle* rect);
void halbrin_frame_get_child_rect(HalbrinFrame* frame, GtkWidget* child, GdkRectangle* rect);
void halbrin_frame_raise(HalbrinFrame* frame, GtkWidget* child);
void halbrin_frame_lower(HalbrinFrame* frame, GtkWidget* child);
// The children from the bottom to the top, the content widget excluded; free with g_list_free.
GList* halbrin_frame_get_stacking(HalbrinFrame* frame);

// Sets the widget that fills the client area; NULL takes the old one out.
void halbrin_frame_set_content(HalbrinFrame* frame, GtkWidget* content);
GtkWidget* halbrin_frame_get_content(HalbrinFrame* frame);

G_END_DECLS
