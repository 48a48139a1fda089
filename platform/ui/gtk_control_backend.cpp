#include "platform/ui/gtk_control_backend.h"

#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"
#include "platform/controls/control_input.h"
#include "platform/graphics/image_list.h"
#include "platform/ui/application_window.h"
#include "platform/ui/argb_pixbuf.h"
#include "platform/ui/gtk_init.h"
#include "platform/ui/key_translation.h"
#include "platform/ui/window_holder.h"

namespace halbrin::platform {

struct GtkControlBackend::Window {
  GtkControlBackend* backend = nullptr;
  ControlWindow id = kNoWindow;
  ControlWindow parent = kNoWindow;
  TWeakRef<TWinControl> control;
  WindowHolder toplevel;          // top-levels only
  GObjectPtr<GtkWidget> frame;    // a reference of our own
  GObjectPtr<GtkWidget> content;  // the supplied widget while placed
  TRect bounds;
  TWindowTraits traits;
  TWindowState state = wsNormal;  // as asked, or as last reported
  bool neverActivate = false;
  bool dropShadow = false;
  bool withdrawn = false;
  TShiftState clientButtons = 0;  // buttons pressed in the client area
  // The last key press and release the model was told (top-levels): time and key.
  struct SeenKey {
    guint32 time = 0;
    guint16 code = 0;
  };
  SeenKey lastPress, lastRelease;
  std::vector<std::pair<gpointer, gulong>> handlers;

  HalbrinFrame* Frame() const { return HALBRIN_FRAME(frame.Get()); }
  GtkWidget* Outer() const { return toplevel ? toplevel.Widget() : frame.Get(); }
};

namespace {

std::optional<TMouseButton> ButtonOf(guint button) noexcept {
  switch (button) {
    case 1: return TMouseButton::mbLeft;
    case 2: return TMouseButton::mbMiddle;
    case 3: return TMouseButton::mbRight;
    default: return std::nullopt;
  }
}

// A point of the frame in client coordinates, and whether it lies in the client area.
struct ClientPoint {
  int x;
  int y;
  bool inside;
};

ClientPoint ToClient(HalbrinFrame* frame, double frameX, double frameY) {
  GdkRectangle client;
  halbrin_frame_get_client_rect(frame, &client);
  const int x = static_cast<int>(std::floor(frameX)) - client.x;
  const int y = static_cast<int>(std::floor(frameY)) - client.y;
  return {x, y, x >= 0 && y >= 0 && x < client.width && y < client.height};
}

TWindowState StateOf(GdkWindowState state) noexcept {
  if (state & GDK_WINDOW_STATE_ICONIFIED) return wsMinimized;
  if (state & GDK_WINDOW_STATE_MAXIMIZED) return wsMaximized;
  return wsNormal;
}

}  // namespace

// The signal handlers, with the backend's private parts at hand. A handler
// that calls into the control touches its window record before, never after:
// the control may destroy its window (or itself) meanwhile.
struct GtkControlSignals {
  using Window = GtkControlBackend::Window;

  static void FrameDestroyed(GtkWidget* frame, gpointer data) {
    auto* window = static_cast<Window*>(data);
    // Before GTK destroys the frame's children: a supplied widget is not ours to destroy.
    if (window->content) halbrin_frame_set_content(HALBRIN_FRAME(frame), nullptr);
    window->backend->FrameDestroyed(window->id);
  }

  static gboolean Configured(GtkWidget* widget, GdkEventConfigure* event, gpointer data) {
    auto* window = static_cast<Window*>(data);
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
    window->bounds = {x, y, x + event->width, y + event->height};
    if (TWinControl* control = window->control.Get()) control->WindowBoundsChanged(window->bounds);
    return FALSE;
  }

  static void ActiveChanged(GObject* object, GParamSpec*, gpointer data) {
    auto* window = static_cast<Window*>(data);
    if (TWinControl* control = window->control.Get()) control->WindowActivationChanged(gtk_window_is_active(GTK_WINDOW(object)));
  }

  static gboolean DeleteRequested(GtkWidget*, GdkEvent*, gpointer data) {
    auto* window = static_cast<Window*>(data);
    if (TWinControl* control = window->control.Get()) control->WindowCloseRequested();
    return TRUE;  // the control decides; the window stays
  }

  static void FocusMoved(GtkWindow*, GtkWidget* focus, gpointer data) {
    auto* window = static_cast<Window*>(data);
    GtkControlBackend& backend = *window->backend;
    for (GtkWidget* widget = focus; widget; widget = gtk_widget_get_parent(widget)) {
      const ControlWindow owner = backend.WindowOfFrame(widget);
      if (owner == kNoWindow) continue;
      if (TWinControl* control = backend.Find(owner)->control.Get()) control->WindowFocusChanged(true);
      return;
    }
    if (TWinControl* top = window->control.Get())
      if (TWinControl* focused = top->FocusedControl()) focused->WindowFocusChanged(false);
  }

  static void Realized(GtkWidget*, gpointer data) {
    auto* window = static_cast<Window*>(data);
    window->backend->ApplyFunctions(*window);
  }

  // Pointer input of the frame's own window. Skins see the same events (after
  // this handler), so nothing is marked handled.
  static gboolean FrameInput(HalbrinFrame* frame, const HalbrinFrameEvent* event, gpointer data) {
    auto* window = static_cast<Window*>(data);
    TWinControl* control = window->control.Get();
    if (!control) return FALSE;
    const ClientPoint point = ToClient(frame, event->x, event->y);
    TShiftState shift = ShiftStateOf(event->state);
    switch (event->kind) {
      case HALBRIN_FRAME_PRESS:
      case HALBRIN_FRAME_DOUBLE_PRESS: {
        // The press a double click follows comes as the double click alone.
        if (event->double_follows || !point.inside) break;
        const std::optional<TMouseButton> button = ButtonOf(event->button);
        if (!button) break;
        window->clientButtons |= MouseButtonShift(*button);
        shift |= MouseButtonShift(*button);
        if (event->kind == HALBRIN_FRAME_DOUBLE_PRESS) shift |= ssDouble;
        control->WindowMouseDownInput(*button, shift, point.x, point.y);
        break;
      }
      case HALBRIN_FRAME_RELEASE: {
        const std::optional<TMouseButton> button = ButtonOf(event->button);
        if (!button || !(window->clientButtons & MouseButtonShift(*button))) break;
        window->clientButtons &= ~MouseButtonShift(*button);
        control->WindowMouseUpInput(*button, shift & ~MouseButtonShift(*button), point.x, point.y);
        break;
      }
      case HALBRIN_FRAME_MOTION:
        // Outside the client area only while a button pressed inside is held.
        if (point.inside || window->clientButtons) control->WindowMouseMoveInput(shift, point.x, point.y);
        break;
      case HALBRIN_FRAME_ENTER: control->WindowMouseEnterInput(); break;
      case HALBRIN_FRAME_LEAVE: control->WindowMouseLeaveInput(); break;
      case HALBRIN_FRAME_INTO_CHILD:
      case HALBRIN_FRAME_FROM_CHILD: break;  // still over the control
    }
    return FALSE;
  }

  // Wheel steps and smooth deltas over the frame's own window; the model
  // passes a step its control leaves to the parent, so GTK must not.
  static gboolean Scrolled(GtkWidget* frame, GdkEventScroll* event, gpointer data) {
    if (event->window != gtk_widget_get_window(frame)) return FALSE;
    TWinControl* control = static_cast<Window*>(data)->control.Get();
    if (!control) return FALSE;
    const ClientPoint point = ToClient(HALBRIN_FRAME(frame), event->x, event->y);
    const TShiftState shift = ShiftStateOf(event->state);
    switch (event->direction) {
      case GDK_SCROLL_UP: control->WindowMouseWheelInput(false, shift, point.x, point.y); return TRUE;
      case GDK_SCROLL_DOWN: control->WindowMouseWheelInput(true, shift, point.x, point.y); return TRUE;
      case GDK_SCROLL_SMOOTH:
        if (event->delta_y != 0.0) control->WindowSmoothScrollInput(event->delta_y, shift, point.x, point.y);
        return TRUE;
      case GDK_SCROLL_LEFT:
      case GDK_SCROLL_RIGHT: break;
    }
    return FALSE;
  }

  // Keys of the top-level, before GTK hands them to the focus widget: the
  // key down (or up), then, for a press that types one, the character. TRUE
  // (the key goes no further) when the model suppressed either.
  static gboolean KeyInput(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* window = static_cast<Window*>(data);
    const TWeakRef<TWinControl> control(window->control.Get());
    if (!control) return FALSE;
    // A focus widget may hand a key it left back to its top-level as a copy
    // (a web view does, for keys its page did not take): same type, time and
    // key, often after its release. The model had it already; GTK's own
    // handling goes on.
    Window::SeenKey& seen = event->type == GDK_KEY_RELEASE ? window->lastRelease : window->lastPress;
    if (event->time != GDK_CURRENT_TIME && event->time == seen.time && event->hardware_keycode == seen.code)
      return FALSE;
    seen = {event->time, event->hardware_keycode};
    const std::uint16_t key = VirtualKeyOf(*event);
    const TShiftState shift = ShiftStateOf(event->state) & (ssShift | ssCtrl | ssAlt);
    if (event->type == GDK_KEY_RELEASE) return key != 0 && control->WindowKeyUpInput(key, shift) == 0;
    bool suppressed = key != 0 && control->WindowKeyDownInput(key, shift) == 0;
    // As in the class library, a key down set to 0 still types its character.
    if (const std::optional<char> character = KeyCharacterOf(event->keyval, static_cast<GdkModifierType>(event->state)))
      if (control && control->WindowKeyPressInput(*character) == 0) suppressed = true;
    return suppressed;
  }

  // Minimised, maximised or restored: told to the control when it was not
  // what the backend asked for.
  static gboolean StateChanged(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    auto* window = static_cast<Window*>(data);
    const TWindowState state = StateOf(event->new_window_state);
    if (state == window->state) return FALSE;
    window->state = state;
    if (TWinControl* control = window->control.Get()) control->WindowStateChanged(state);
    return FALSE;
  }
};

GtkControlBackend::GtkControlBackend() = default;

GtkControlBackend::~GtkControlBackend() {
  while (!m_windows.empty()) {
    Window& window = *m_windows.begin()->second;
    if (TWinControl* control = window.control.Get(); control && control->Window() == window.id) control->WindowDestroyed();
    DestroyWindow(window.id);
  }
}

GtkControlBackend::Window* GtkControlBackend::Find(ControlWindow window) const {
  const auto it = m_windows.find(window);
  return it == m_windows.end() ? nullptr : it->second.get();
}

std::uint64_t GtkControlBackend::NativeWindowId(ControlWindow window) const {
  HalbrinFrame* frame = Frame(window);
  if (!frame) return 0;
  GtkWidget* widget = GTK_WIDGET(frame);
  if (!gtk_widget_get_realized(widget)) gtk_widget_realize(widget);
  // A child frame draws into a client-side window: its id is that of the
  // nearest native window (the top-level's). Asking a client-side window for
  // its id would make it native.
  GdkWindow* gdkWindow = gtk_widget_get_window(widget);
  while (gdkWindow && !gdk_window_has_native(gdkWindow)) gdkWindow = gdk_window_get_parent(gdkWindow);
  if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return 0;
  return gdk_x11_window_get_xid(gdkWindow);
}

std::optional<TPoint> GtkControlBackend::ScreenOrigin(ControlWindow window) const {
  HalbrinFrame* frame = Frame(window);
  GdkWindow* gdkWindow = frame ? gtk_widget_get_window(GTK_WIDGET(frame)) : nullptr;
  if (!gdkWindow) return std::nullopt;
  TPoint origin;
  gdk_window_get_origin(gdkWindow, &origin.X, &origin.Y);
  return origin;
}

HalbrinFrame* GtkControlBackend::Frame(ControlWindow window) const {
  const Window* found = Find(window);
  return found ? found->Frame() : nullptr;
}

GtkWindow* GtkControlBackend::TopLevelWindow(ControlWindow window) const {
  const Window* found = Find(window);
  return found ? found->toplevel.Window() : nullptr;
}

ControlWindow GtkControlBackend::WindowOfFrame(const GtkWidget* frame) const {
  if (!frame || !HALBRIN_IS_FRAME(const_cast<GtkWidget*>(frame))) return kNoWindow;
  for (const auto& [id, window] : m_windows)
    if (window->frame.Get() == frame) return id;
  return kNoWindow;
}

void GtkControlBackend::Connect(Window& window, gpointer instance, const char* signal, GCallback callback, bool after) {
  const gulong id = after ? g_signal_connect_after(instance, signal, callback, &window)
                          : g_signal_connect(instance, signal, callback, &window);
  window.handlers.emplace_back(instance, id);
}

void GtkControlBackend::Disconnect(Window& window) {
  for (const auto& [instance, id] : window.handlers) g_signal_handler_disconnect(instance, id);
  window.handlers.clear();
}

ControlWindow GtkControlBackend::CreateWindow(TWinControl& control, ControlWindow parent) {
  Window* parentWindow = nullptr;
  if (parent != kNoWindow) {
    parentWindow = Find(parent);
    if (!parentWindow) throw EInvalidOperation("The parent window does not exist");
  }
  auto window = std::make_unique<Window>();
  window->backend = this;
  window->id = m_next++;
  window->parent = parent;
  window->control.Reset(&control);
  window->frame = GObjectPtr<GtkWidget>::AdoptFloating(halbrin_frame_new());
  if (parentWindow) {
    const GdkRectangle empty{0, 0, 0, 0};
    halbrin_frame_put(parentWindow->Frame(), window->frame.Get(), &empty);
  } else {
    window->toplevel = WindowHolder::CreateTopLevel();
    GtkWidget* toplevel = window->toplevel.Widget();
    gtk_container_add(GTK_CONTAINER(toplevel), window->frame.Get());
    gtk_widget_show(window->frame.Get());
    Connect(*window, toplevel, "configure-event", G_CALLBACK(GtkControlSignals::Configured));
    Connect(*window, toplevel, "notify::is-active", G_CALLBACK(GtkControlSignals::ActiveChanged));
    Connect(*window, toplevel, "delete-event", G_CALLBACK(GtkControlSignals::DeleteRequested));
    Connect(*window, toplevel, "set-focus", G_CALLBACK(GtkControlSignals::FocusMoved), true);
    Connect(*window, toplevel, "realize", G_CALLBACK(GtkControlSignals::Realized), true);
    Connect(*window, toplevel, "key-press-event", G_CALLBACK(GtkControlSignals::KeyInput));
    Connect(*window, toplevel, "key-release-event", G_CALLBACK(GtkControlSignals::KeyInput));
    Connect(*window, toplevel, "window-state-event", G_CALLBACK(GtkControlSignals::StateChanged));
  }
  GtkWidget* frame = window->frame.Get();
  gtk_widget_add_events(frame, GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
  Connect(*window, frame, "destroy", G_CALLBACK(GtkControlSignals::FrameDestroyed));
  // Before any skin attaches: the control hears its input first.
  Connect(*window, frame, "frame-event", G_CALLBACK(GtkControlSignals::FrameInput));
  Connect(*window, frame, "scroll-event", G_CALLBACK(GtkControlSignals::Scrolled));
  const ControlWindow id = window->id;
  m_windows.emplace(id, std::move(window));
  return id;
}

void GtkControlBackend::DestroyWindow(ControlWindow id) {
  auto node = m_windows.extract(id);
  if (node.empty()) return;
  Window& window = *node.mapped();
  Disconnect(window);
  if (window.content) halbrin_frame_set_content(window.Frame(), nullptr);
  if (window.toplevel)
    window.toplevel.Reset();
  else
    gtk_widget_destroy(window.frame.Get());
}

void GtkControlBackend::FrameDestroyed(ControlWindow id) {
  auto node = m_windows.extract(id);
  if (node.empty()) return;
  Window& window = *node.mapped();
  Disconnect(window);
  if (TWinControl* control = window.control.Get(); control && control->Window() == id) control->WindowDestroyed();
}

void GtkControlBackend::ApplySize(Window& window) {
  const int width = std::max(window.bounds.Width(), 1);
  const int height = std::max(window.bounds.Height(), 1);
  GtkWindow* toplevel = window.toplevel.Window();
  // A window that is not resizable takes its child's size request as its size.
  if (window.traits.sizable)
    gtk_widget_set_size_request(window.frame.Get(), -1, -1);
  else
    gtk_widget_set_size_request(window.frame.Get(), width, height);
  gtk_window_resize(toplevel, width, height);
}

void GtkControlBackend::ApplyFunctions(Window& window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(window.toplevel.Widget());
  if (!gdkWindow) return;
  const TWindowTraits& traits = window.traits;
  auto functions = static_cast<GdkWMFunction>(GDK_FUNC_MOVE | (traits.sizable ? GDK_FUNC_RESIZE : 0) |
                                              (traits.minBox ? GDK_FUNC_MINIMIZE : 0) |
                                              (traits.maxBox ? GDK_FUNC_MAXIMIZE : 0) |
                                              (traits.sysMenu ? GDK_FUNC_CLOSE : 0));
  gdk_window_set_functions(gdkWindow, functions);
}

void GtkControlBackend::SetBounds(ControlWindow id, const TRect& bounds) {
  Window* window = Find(id);
  if (!window) return;
  window->bounds = bounds;
  if (window->toplevel) {
    gtk_window_move(window->toplevel.Window(), bounds.Left, bounds.Top);
    ApplySize(*window);
    return;
  }
  const GdkRectangle rect{bounds.Left, bounds.Top, std::max(bounds.Width(), 0), std::max(bounds.Height(), 0)};
  halbrin_frame_move(Find(window->parent)->Frame(), window->frame.Get(), &rect);
}

void GtkControlBackend::SetVisible(ControlWindow id, bool visible) {
  Window* window = Find(id);
  if (!window) return;
  window->withdrawn = false;
  if (visible)
    gtk_widget_show(window->Outer());
  else
    gtk_widget_hide(window->Outer());
}

void GtkControlBackend::SetEnabled(ControlWindow id, bool enabled) {
  if (Window* window = Find(id)) gtk_widget_set_sensitive(window->Outer(), enabled);
}

void GtkControlBackend::SetText(ControlWindow id, const std::string& text) {
  Window* window = Find(id);
  if (window && window->toplevel) gtk_window_set_title(window->toplevel.Window(), text.c_str());
}

void GtkControlBackend::SetTraits(ControlWindow id, const TWindowTraits& traits) {
  Window* window = Find(id);
  if (!window) return;
  window->traits = traits;
  if (!window->toplevel) return;
  GtkWindow* toplevel = window->toplevel.Window();
  gtk_window_set_decorated(toplevel, traits.caption || traits.border);
  gtk_window_set_deletable(toplevel, traits.sysMenu);
  const GdkWindowTypeHint hint =
      traits.toolWindow || window->neverActivate ? GDK_WINDOW_TYPE_HINT_UTILITY : GDK_WINDOW_TYPE_HINT_NORMAL;
  if (gtk_window_get_type_hint(toplevel) != hint) gtk_window_set_type_hint(toplevel, hint);
  if (gtk_window_get_resizable(toplevel) != traits.sizable) {
    gtk_window_set_resizable(toplevel, traits.sizable);
    ApplySize(*window);
  }
  ApplyFunctions(*window);
}

void GtkControlBackend::SetNonClientMargins(ControlWindow id, const TRect& margins) {
  if (Window* window = Find(id))
    halbrin_frame_set_margins(window->Frame(), margins.Left, margins.Top, margins.Right, margins.Bottom);
}

void GtkControlBackend::SetContentWidget(ControlWindow id, NativeWidget widget) {
  Window* window = Find(id);
  if (!window) return;
  if (window->content) {
    halbrin_frame_set_content(window->Frame(), nullptr);
    window->content.Reset();
  }
  if (!widget) return;
  window->content = GObjectPtr<GtkWidget>::AdoptFloating(GTK_WIDGET(widget));
  halbrin_frame_set_content(window->Frame(), window->content.Get());
  gtk_widget_show(window->content.Get());
}

void GtkControlBackend::BringToFront(ControlWindow id) {
  Window* window = Find(id);
  if (!window) return;
  if (!window->toplevel) {
    halbrin_frame_raise(Find(window->parent)->Frame(), window->frame.Get());
  } else if (GdkWindow* gdkWindow = gtk_widget_get_window(window->toplevel.Widget())) {
    gdk_window_raise(gdkWindow);
  }
}

void GtkControlBackend::SendToBack(ControlWindow id) {
  Window* window = Find(id);
  if (!window) return;
  if (!window->toplevel) {
    halbrin_frame_lower(Find(window->parent)->Frame(), window->frame.Get());
  } else if (GdkWindow* gdkWindow = gtk_widget_get_window(window->toplevel.Widget())) {
    gdk_window_lower(gdkWindow);
  }
}

void GtkControlBackend::SetFocus(ControlWindow id) {
  if (Window* window = Find(id)) gtk_widget_grab_focus(window->content ? window->content.Get() : window->frame.Get());
}

void GtkControlBackend::Invalidate(ControlWindow id) {
  if (Window* window = Find(id)) gtk_widget_queue_draw(window->frame.Get());
}

void GtkControlBackend::InvalidateRect(ControlWindow id, const TRect& rect) {
  if (Window* window = Find(id); window && !rect.IsEmpty())
    gtk_widget_queue_draw_area(window->frame.Get(), rect.Left, rect.Top, rect.Width(), rect.Height());
}

// ---- Top-levels ----

void GtkControlBackend::SetWindowState(ControlWindow id, TWindowState state) {
  Window* window = Find(id);
  if (!window || !window->toplevel) return;
  window->state = state;
  GtkWindow* toplevel = window->toplevel.Window();
  switch (state) {
    case wsMinimized: gtk_window_iconify(toplevel); break;
    case wsMaximized:
      gtk_window_deiconify(toplevel);
      gtk_window_maximize(toplevel);
      break;
    case wsNormal:
      gtk_window_deiconify(toplevel);
      gtk_window_unmaximize(toplevel);
      break;
  }
}

void GtkControlBackend::SetStayOnTop(ControlWindow id, bool stayOnTop) {
  if (GtkWindow* toplevel = TopLevelWindow(id)) gtk_window_set_keep_above(toplevel, stayOnTop);
}

void GtkControlBackend::SetNeverActivate(ControlWindow id, bool neverActivate) {
  Window* window = Find(id);
  if (!window || !window->toplevel) return;
  window->neverActivate = neverActivate;
  GtkWindow* toplevel = window->toplevel.Window();
  gtk_window_set_accept_focus(toplevel, !neverActivate);
  gtk_window_set_focus_on_map(toplevel, !neverActivate);
  SetTraits(id, window->traits);
}

void GtkControlBackend::SetTransientFor(ControlWindow id, ControlWindow owner) {
  if (GtkWindow* toplevel = TopLevelWindow(id)) gtk_window_set_transient_for(toplevel, TopLevelWindow(owner));
}

void GtkControlBackend::SetOpacity(ControlWindow id, std::uint8_t alpha) {
  if (GtkWindow* toplevel = TopLevelWindow(id)) gtk_widget_set_opacity(GTK_WIDGET(toplevel), alpha / 255.0);
}

void GtkControlBackend::SetIcon(ControlWindow id, const TArgbImage* icon) {
  GtkWindow* toplevel = TopLevelWindow(id);
  if (!toplevel) return;
  const GObjectPtr<GdkPixbuf> pixbuf = icon ? PixbufFromArgb(*icon) : GObjectPtr<GdkPixbuf>();
  gtk_window_set_icon(toplevel, pixbuf.Get());
}

void GtkControlBackend::SetModal(ControlWindow id, bool modal) {
  if (GtkWindow* toplevel = TopLevelWindow(id)) gtk_window_set_modal(toplevel, modal);
}

void GtkControlBackend::SetDropShadow(ControlWindow id, bool dropShadow) {
  if (Window* window = Find(id)) window->dropShadow = dropShadow;
}

void GtkControlBackend::SetWithdrawn(ControlWindow id, bool withdrawn) {
  Window* window = Find(id);
  if (!window || !window->toplevel || window->withdrawn == withdrawn) return;
  GtkWidget* toplevel = window->toplevel.Widget();
  GdkWindow* gdkWindow = gtk_widget_get_window(toplevel);
  // Only a shown window goes off the screen and comes back.
  if (!gdkWindow || !gtk_widget_get_visible(toplevel)) return;
  window->withdrawn = withdrawn;
  if (withdrawn)
    gdk_window_hide(gdkWindow);
  else
    gdk_window_show(gdkWindow);
}

// Raising never activates a window here.
void GtkControlBackend::RaiseWithoutActivating(ControlWindow id) { BringToFront(id); }

void GtkControlBackend::Present(ControlWindow id) {
  if (GtkWindow* toplevel = TopLevelWindow(id)) gtk_window_present_with_time(toplevel, ActivationTime(toplevel));
}

GtkControlBackendScope::GtkControlBackendScope() {
  if (!InitGtk()) return;
  m_backend.emplace();
  m_scope.emplace(*m_backend);
}

}  // namespace halbrin::platform
