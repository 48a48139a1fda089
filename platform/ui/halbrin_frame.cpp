#include "platform/ui/halbrin_frame.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/glib_ptr.h"

namespace {

struct FrameChild {
  GtkWidget* widget;
  GdkRectangle rect;  // client coordinates
};

enum { kPaintFrame, kFrameEvent, kSignalCount };
guint g_signals[kSignalCount];

}  // namespace

struct _HalbrinFrame {
  GtkContainer parent_instance;
  int left;
  int top;
  int right;
  int bottom;
  GtkWidget* content;
  // A GObject instance is not constructed as a C++ object; init makes this.
  std::vector<FrameChild>* children;
  // The press a next one can make a double click of (button 0: none).
  guint clickButton;
  guint32 clickTime;
  double clickX;
  double clickY;
};

G_DEFINE_TYPE(HalbrinFrame, halbrin_frame, GTK_TYPE_CONTAINER)

namespace {

GdkRectangle ClientRect(const HalbrinFrame* frame, int width, int height) {
  return {frame->left, frame->top, std::max(width - frame->left - frame->right, 0),
          std::max(height - frame->top - frame->bottom, 0)};
}

FrameChild* FindChild(HalbrinFrame* frame, GtkWidget* widget) {
  auto& children = *frame->children;
  const auto it = std::find_if(children.begin(), children.end(), [&](const FrameChild& c) { return c.widget == widget; });
  return it == children.end() ? nullptr : &*it;
}

// Child windows are stacked as the children are listed: the content widget
// at the bottom, then the children bottom first. New windows start on top,
// so this runs whenever one is made or the order changes.
void Restack(HalbrinFrame* frame) {
  if (!gtk_widget_get_realized(GTK_WIDGET(frame))) return;
  auto raise = [](GtkWidget* child) {
    if (child && gtk_widget_get_has_window(child) && gtk_widget_get_realized(child))
      gdk_window_raise(gtk_widget_get_window(child));
  };
  raise(frame->content);
  for (const FrameChild& child : *frame->children) raise(child.widget);
}

void OnChildRealized(GtkWidget* /*child*/, gpointer frame) { Restack(HALBRIN_FRAME(frame)); }

void Adopt(HalbrinFrame* frame, GtkWidget* child) {
  gtk_widget_set_parent(child, GTK_WIDGET(frame));
  g_signal_connect_after(child, "realize", G_CALLBACK(OnChildRealized), frame);
  Restack(frame);
}

void Allocate(GtkWidget* child, const GdkRectangle& rect) {
  if (!gtk_widget_get_visible(child)) return;
  // GTK wants every allocation preceded by a size request.
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(child, &minimum, nullptr);
  GtkAllocation allocation = rect;
  gtk_widget_size_allocate(child, &allocation);
}

gboolean Emit(HalbrinFrame* frame, HalbrinFrameEvent& event) {
  gboolean handled = FALSE;
  g_signal_emit(frame, g_signals[kFrameEvent], 0, &event, &handled);
  return handled;
}

// --- GObject and GtkWidget ----------------------------------------------------------

void Finalize(GObject* object) {
  delete HALBRIN_FRAME(object)->children;
  G_OBJECT_CLASS(halbrin_frame_parent_class)->finalize(object);
}

void Realize(GtkWidget* widget) {
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  GdkWindowAttr attributes{};
  attributes.window_type = GDK_WINDOW_CHILD;
  attributes.x = allocation.x;
  attributes.y = allocation.y;
  attributes.width = allocation.width;
  attributes.height = allocation.height;
  attributes.wclass = GDK_INPUT_OUTPUT;
  attributes.visual = gtk_widget_get_visual(widget);
  attributes.event_mask = gtk_widget_get_events(widget) | GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK |
                          GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK |
                          GDK_LEAVE_NOTIFY_MASK;
  GdkWindow* window = gdk_window_new(gtk_widget_get_parent_window(widget), &attributes,
                                     GDK_WA_X | GDK_WA_Y | GDK_WA_VISUAL);
  gtk_widget_set_window(widget, window);
  gtk_widget_register_window(widget, window);
  gtk_widget_set_realized(widget, TRUE);
}

void SizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  HalbrinFrame* frame = HALBRIN_FRAME(widget);
  gtk_widget_set_allocation(widget, allocation);
  if (gtk_widget_get_realized(widget))
    gdk_window_move_resize(gtk_widget_get_window(widget), allocation->x, allocation->y, allocation->width,
                           allocation->height);
  // Children are placed in the frame's own window, whose origin is (0, 0).
  const GdkRectangle client = ClientRect(frame, allocation->width, allocation->height);
  if (frame->content) Allocate(frame->content, client);
  for (const FrameChild& child : *frame->children)
    Allocate(child.widget, {client.x + child.rect.x, client.y + child.rect.y, child.rect.width, child.rect.height});
}

void PreferredWidth(GtkWidget* widget, int* minimum, int* natural) {
  const HalbrinFrame* frame = HALBRIN_FRAME(widget);
  *minimum = *natural = frame->left + frame->right;
}

void PreferredHeight(GtkWidget* widget, int* minimum, int* natural) {
  const HalbrinFrame* frame = HALBRIN_FRAME(widget);
  *minimum = *natural = frame->top + frame->bottom;
}

gboolean Draw(GtkWidget* widget, cairo_t* cr) {
  HalbrinFrame* frame = HALBRIN_FRAME(widget);
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  gtk_render_background(gtk_widget_get_style_context(widget), cr, 0, 0, width, height);
  const GdkRectangle client = ClientRect(frame, width, height);
  if (client.width != width || client.height != height) {
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_rectangle(cr, 0, 0, width, height);
    if (client.width > 0 && client.height > 0) cairo_rectangle(cr, client.x, client.y, client.width, client.height);
    cairo_clip(cr);
    g_signal_emit(frame, g_signals[kPaintFrame], 0, cr);
    cairo_restore(cr);
  }
  return GTK_WIDGET_CLASS(halbrin_frame_parent_class)->draw(widget, cr);
}

// Clicks pair up two by two: the press after a double click starts a new
// pair (GDK would make it a triple click and the next press a single one).
bool PairsWithLastPress(GtkWidget* widget, const GdkEventButton* button) {
  HalbrinFrame* frame = HALBRIN_FRAME(widget);
  gint time = 400, distance = 5;
  g_object_get(gtk_widget_get_settings(widget), "gtk-double-click-time", &time, "gtk-double-click-distance",
               &distance, nullptr);
  const bool second = frame->clickButton == button->button &&
                      button->time - frame->clickTime <= static_cast<guint32>(time) &&
                      std::abs(button->x_root - frame->clickX) <= distance &&
                      std::abs(button->y_root - frame->clickY) <= distance;
  if (second) {
    frame->clickButton = 0;
  } else {
    frame->clickButton = button->button;
    frame->clickTime = button->time;
    frame->clickX = button->x_root;
    frame->clickY = button->y_root;
  }
  return second;
}

gboolean ButtonEvent(GtkWidget* widget, GdkEventButton* button) {
  if (button->window != gtk_widget_get_window(widget)) return FALSE;
  HalbrinFrameEventKind kind;
  switch (button->type) {
    case GDK_BUTTON_PRESS: kind = HALBRIN_FRAME_PRESS; break;
    case GDK_BUTTON_RELEASE: kind = HALBRIN_FRAME_RELEASE; break;
    default: return FALSE;  // GDK's double and triple clicks: paired here instead
  }
  HalbrinFrameEvent event{kind,          button->x,    button->y,    button->x_root, button->y_root,
                          button->button, static_cast<GdkModifierType>(button->state), button->time,
                          reinterpret_cast<const GdkEvent*>(button), FALSE};
  const bool second = kind == HALBRIN_FRAME_PRESS && PairsWithLastPress(widget, button);
  event.double_follows = second;
  // A handler of the press may let go of the frame.
  const auto alive = halbrin::platform::GObjectPtr<GtkWidget>::Ref(widget);
  gboolean handled = Emit(HALBRIN_FRAME(widget), event);
  if (second && !gtk_widget_in_destruction(widget)) {
    event.kind = HALBRIN_FRAME_DOUBLE_PRESS;
    event.double_follows = FALSE;
    handled = Emit(HALBRIN_FRAME(widget), event) || handled;
  }
  return handled;
}

gboolean MotionEvent(GtkWidget* widget, GdkEventMotion* motion) {
  if (motion->window != gtk_widget_get_window(widget)) return FALSE;
  HalbrinFrameEvent event{HALBRIN_FRAME_MOTION, motion->x, motion->y, motion->x_root, motion->y_root, 0,
                          static_cast<GdkModifierType>(motion->state), motion->time,
                          reinterpret_cast<const GdkEvent*>(motion), FALSE};
  return Emit(HALBRIN_FRAME(widget), event);
}

gboolean CrossingEvent(GtkWidget* widget, GdkEventCrossing* crossing) {
  if (crossing->window != gtk_widget_get_window(widget)) return FALSE;
  const bool inferior = crossing->detail == GDK_NOTIFY_INFERIOR;
  const bool enter = crossing->type == GDK_ENTER_NOTIFY;
  const HalbrinFrameEventKind kind = enter ? (inferior ? HALBRIN_FRAME_FROM_CHILD : HALBRIN_FRAME_ENTER)
                                           : (inferior ? HALBRIN_FRAME_INTO_CHILD : HALBRIN_FRAME_LEAVE);
  HalbrinFrameEvent event{kind, crossing->x, crossing->y, crossing->x_root, crossing->y_root, 0,
                          static_cast<GdkModifierType>(crossing->state),
                          crossing->time, reinterpret_cast<const GdkEvent*>(crossing), FALSE};
  return Emit(HALBRIN_FRAME(widget), event);
}

// --- GtkContainer ---------------------------------------------------------------------

void Add(GtkContainer* container, GtkWidget* child) {
  const GdkRectangle origin{0, 0, 0, 0};
  halbrin_frame_put(HALBRIN_FRAME(container), child, &origin);
}

void Remove(GtkContainer* container, GtkWidget* child) {
  HalbrinFrame* frame = HALBRIN_FRAME(container);
  if (child == frame->content) {
    frame->content = nullptr;
  } else {
    auto& children = *frame->children;
    const auto it = std::find_if(children.begin(), children.end(), [&](const FrameChild& c) { return c.widget == child; });
    if (it == children.end()) return;
    children.erase(it);
  }
  g_signal_handlers_disconnect_by_func(child, reinterpret_cast<gpointer>(OnChildRealized), frame);
  const bool wasVisible = gtk_widget_get_visible(child);
  gtk_widget_unparent(child);
  if (wasVisible) gtk_widget_queue_resize(GTK_WIDGET(frame));
}

void Forall(GtkContainer* container, gboolean /*includeInternals*/, GtkCallback callback, gpointer data) {
  HalbrinFrame* frame = HALBRIN_FRAME(container);
  // The callback may remove children (destruction does), so walk a copy.
  std::vector<GtkWidget*> widgets;
  if (frame->content) widgets.push_back(frame->content);
  for (const FrameChild& child : *frame->children) widgets.push_back(child.widget);
  for (GtkWidget* widget : widgets) callback(widget, data);
}

GType ChildType(GtkContainer*) { return GTK_TYPE_WIDGET; }

}  // namespace

static void halbrin_frame_class_init(HalbrinFrameClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->realize = Realize;
  widgetClass->size_allocate = SizeAllocate;
  widgetClass->get_preferred_width = PreferredWidth;
  widgetClass->get_preferred_height = PreferredHeight;
  widgetClass->draw = Draw;
  widgetClass->button_press_event = ButtonEvent;
  widgetClass->button_release_event = ButtonEvent;
  widgetClass->motion_notify_event = MotionEvent;
  widgetClass->enter_notify_event = CrossingEvent;
  widgetClass->leave_notify_event = CrossingEvent;
  gtk_widget_class_set_css_name(widgetClass, "halbrinframe");
  GtkContainerClass* containerClass = GTK_CONTAINER_CLASS(klass);
  containerClass->add = Add;
  containerClass->remove = Remove;
  containerClass->forall = Forall;
  containerClass->child_type = ChildType;

  g_signals[kPaintFrame] = g_signal_new("paint-frame", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST, 0, nullptr,
                                        nullptr, nullptr, G_TYPE_NONE, 1, G_TYPE_POINTER);
  g_signals[kFrameEvent] = g_signal_new("frame-event", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST, 0,
                                        g_signal_accumulator_true_handled, nullptr, nullptr, G_TYPE_BOOLEAN, 1,
                                        G_TYPE_POINTER);
}

static void halbrin_frame_init(HalbrinFrame* frame) {
  frame->children = new std::vector<FrameChild>();
  gtk_widget_set_has_window(GTK_WIDGET(frame), TRUE);
  gtk_widget_set_can_focus(GTK_WIDGET(frame), TRUE);
}

GtkWidget* halbrin_frame_new(void) { return GTK_WIDGET(g_object_new(HALBRIN_TYPE_FRAME, nullptr)); }

void halbrin_frame_set_margins(HalbrinFrame* frame, int left, int top, int right, int bottom) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::max(right, 0);
  bottom = std::max(bottom, 0);
  if (frame->left == left && frame->top == top && frame->right == right && frame->bottom == bottom) return;
  frame->left = left;
  frame->top = top;
  frame->right = right;
  frame->bottom = bottom;
  gtk_widget_queue_resize(GTK_WIDGET(frame));
}

void halbrin_frame_get_margins(HalbrinFrame* frame, int* left, int* top, int* right, int* bottom) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  if (left) *left = frame->left;
  if (top) *top = frame->top;
  if (right) *right = frame->right;
  if (bottom) *bottom = frame->bottom;
}

void halbrin_frame_get_client_rect(HalbrinFrame* frame, GdkRectangle* rect) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  *rect = ClientRect(frame, gtk_widget_get_allocated_width(GTK_WIDGET(frame)),
                     gtk_widget_get_allocated_height(GTK_WIDGET(frame)));
}

void halbrin_frame_put(HalbrinFrame* frame, GtkWidget* child, const GdkRectangle* rect) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  g_return_if_fail(GTK_IS_WIDGET(child) && gtk_widget_get_parent(child) == nullptr);
  frame->children->push_back({child, *rect});
  Adopt(frame, child);
}

void halbrin_frame_move(HalbrinFrame* frame, GtkWidget* child, const GdkRectangle* rect) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  FrameChild* entry = FindChild(frame, child);
  g_return_if_fail(entry != nullptr);
  if (gdk_rectangle_equal(&entry->rect, rect)) return;
  entry->rect = *rect;
  if (gtk_widget_get_visible(child)) gtk_widget_queue_resize(GTK_WIDGET(frame));
}

void halbrin_frame_get_child_rect(HalbrinFrame* frame, GtkWidget* child, GdkRectangle* rect) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  const FrameChild* entry = FindChild(frame, child);
  g_return_if_fail(entry != nullptr);
  *rect = entry->rect;
}

void halbrin_frame_raise(HalbrinFrame* frame, GtkWidget* child) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  auto& children = *frame->children;
  const auto it = std::find_if(children.begin(), children.end(), [&](const FrameChild& c) { return c.widget == child; });
  g_return_if_fail(it != children.end());
  std::rotate(it, it + 1, children.end());
  Restack(frame);
  gtk_widget_queue_draw(GTK_WIDGET(frame));
}

void halbrin_frame_lower(HalbrinFrame* frame, GtkWidget* child) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  auto& children = *frame->children;
  const auto it = std::find_if(children.begin(), children.end(), [&](const FrameChild& c) { return c.widget == child; });
  g_return_if_fail(it != children.end());
  std::rotate(children.begin(), it, it + 1);
  Restack(frame);
  gtk_widget_queue_draw(GTK_WIDGET(frame));
}

GList* halbrin_frame_get_stacking(HalbrinFrame* frame) {
  g_return_val_if_fail(HALBRIN_IS_FRAME(frame), nullptr);
  GList* list = nullptr;
  for (auto it = frame->children->rbegin(); it != frame->children->rend(); ++it) list = g_list_prepend(list, it->widget);
  return list;
}

void halbrin_frame_set_content(HalbrinFrame* frame, GtkWidget* content) {
  g_return_if_fail(HALBRIN_IS_FRAME(frame));
  if (content == frame->content) return;
  g_return_if_fail(content == nullptr || gtk_widget_get_parent(content) == nullptr);
  if (frame->content) gtk_container_remove(GTK_CONTAINER(frame), frame->content);
  if (!content) return;
  frame->content = content;
  Adopt(frame, content);
}

GtkWidget* halbrin_frame_get_content(HalbrinFrame* frame) {
  g_return_val_if_fail(HALBRIN_IS_FRAME(frame), nullptr);
  return frame->content;
}
