#include "platform/ui/gtk_control_backend.h"

#include <gdk/gdkx.h>

#include <algorithm>

#include "platform/base/exception.h"
#include "platform/base/glib_ptr.h"
#include "platform/ui/gtk_init.h"
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
  std::vector<std::pair<gpointer, gulong>> handlers;

  HalbrinFrame* Frame() const { return HALBRIN_FRAME(frame.Get()); }
  GtkWidget* Outer() const { return toplevel ? toplevel.Widget() : frame.Get(); }
};

// The signal handlers, with the backend's private parts at hand.
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
  }
  Connect(*window, window->frame.Get(), "destroy", G_CALLBACK(GtkControlSignals::FrameDestroyed));
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
  const GdkWindowTypeHint hint = traits.toolWindow ? GDK_WINDOW_TYPE_HINT_UTILITY : GDK_WINDOW_TYPE_HINT_NORMAL;
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

GtkControlBackendScope::GtkControlBackendScope() {
  if (!InitGtk()) return;
  m_backend.emplace();
  m_scope.emplace(*m_backend);
}

}  // namespace halbrin::platform
