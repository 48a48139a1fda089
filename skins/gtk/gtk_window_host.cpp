#include "skins/gtk/gtk_window_host.h"

#include <algorithm>
#include <cstdlib>
#include <array>
#include <cstring>
#include <string>

#include "platform/cairo/cairo_canvas.h"
#include "platform/ui/key_translation.h"
#include "skins/core/custom_skin.h"
#include "skins/gtk/skin_cursors.h"

namespace halbrin::skins {

using platform::ControlWindow;
using platform::GObjectPtr;
using platform::kNoWindow;
using platform::TWinControl;

namespace {

// A window-manager move counts as ended once no configure event came for this long.
constexpr guint kMoveQuietMs = 200;
// Sizes our own pane drags never go below.
constexpr int kSmallestPane = 1;

TMouseButton ButtonOf(guint button) {
  switch (button) {
    case 2: return TMouseButton::mbMiddle;
    case 3: return TMouseButton::mbRight;
    default: return TMouseButton::mbLeft;
  }
}

guint GdkButtonOf(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbMiddle: return 2;
    case TMouseButton::mbRight: return 3;
    default: return 1;
  }
}

TShiftState ButtonBit(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbMiddle: return ssMiddle;
    case TMouseButton::mbRight: return ssRight;
    default: return ssLeft;
  }
}

GdkWindowEdge GdkEdgeOf(TWindowEdge edge) {
  switch (edge) {
    case TWindowEdge::NorthWest: return GDK_WINDOW_EDGE_NORTH_WEST;
    case TWindowEdge::North: return GDK_WINDOW_EDGE_NORTH;
    case TWindowEdge::NorthEast: return GDK_WINDOW_EDGE_NORTH_EAST;
    case TWindowEdge::West: return GDK_WINDOW_EDGE_WEST;
    case TWindowEdge::East: return GDK_WINDOW_EDGE_EAST;
    case TWindowEdge::SouthWest: return GDK_WINDOW_EDGE_SOUTH_WEST;
    case TWindowEdge::South: return GDK_WINDOW_EDGE_SOUTH;
    case TWindowEdge::SouthEast: return GDK_WINDOW_EDGE_SOUTH_EAST;
  }
  return GDK_WINDOW_EDGE_SOUTH_EAST;
}

const char* EdgeCursorName(TWindowEdge edge) {
  switch (edge) {
    case TWindowEdge::West:
    case TWindowEdge::East: return "ew-resize";
    case TWindowEdge::North:
    case TWindowEdge::South: return "ns-resize";
    case TWindowEdge::NorthWest:
    case TWindowEdge::SouthEast: return "nwse-resize";
    case TWindowEdge::NorthEast:
    case TWindowEdge::SouthWest: return "nesw-resize";
  }
  return nullptr;
}

bool SameName(const char* a, const char* b) { return a == b || (a && b && std::strcmp(a, b) == 0); }

// The event being handled, owned; null outside event handling.
struct CurrentEvent {
  CurrentEvent() : event(gtk_get_current_event()) {}
  ~CurrentEvent() {
    if (event) gdk_event_free(event);
  }
  CurrentEvent(const CurrentEvent&) = delete;
  CurrentEvent& operator=(const CurrentEvent&) = delete;
  GdkEvent* event;
};

// An image surface with a canvas; copied onto Cairo canvases.
class CairoSkinSurface final : public ISkinSurface {
 public:
  explicit CairoSkinSurface(TSize size)
      : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(size.cx, 1), std::max(size.cy, 1))),
        m_cr(cairo_create(m_surface)),
        m_canvas(std::make_unique<platform::TCairoCanvas>(m_cr)),
        m_size(size) {}
  ~CairoSkinSurface() override {
    m_canvas.reset();
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
  }
  CairoSkinSurface(const CairoSkinSurface&) = delete;
  CairoSkinSurface& operator=(const CairoSkinSurface&) = delete;

  ICanvas& Canvas() override { return *m_canvas; }
  TSize Size() const override { return m_size; }
  // Targets without a Cairo context get nothing.
  void CopyTo(ICanvas& target, TPoint at) override {
    auto* cr = static_cast<cairo_t*>(target.CairoContext());
    if (!cr) return;
    cairo_surface_flush(m_surface);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, m_surface, at.X, at.Y);
    cairo_rectangle(cr, at.X, at.Y, m_size.cx, m_size.cy);
    cairo_fill(cr);
    cairo_restore(cr);
  }

 private:
  cairo_surface_t* m_surface;
  cairo_t* m_cr;
  std::unique_ptr<platform::TCairoCanvas> m_canvas;
  TSize m_size;
};

}  // namespace

struct TGtkWindowHost::Drag {
  std::optional<TWindowEdge> edge;  // none: a move
  TPoint startScreen;
  TRect startBounds;
};

// The signal handlers, with the host's private parts at hand.
struct TGtkWindowHost::Signals {
  static void Paint(HalbrinFrame*, cairo_t* cr, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    if (!host->m_client) return;
    platform::TCairoCanvas canvas(cr);
    host->m_client->PaintFrame(canvas);
  }

  static gboolean Event(HalbrinFrame*, const HalbrinFrameEvent* event, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    // Our own modes take the pointer; the skin does not see it then.
    const bool taken = host->m_helpMode || host->m_drag;
    host->DeliverEvent(*event);
    return taken;
  }

  static void Allocated(GtkWidget*, GdkRectangle* allocation, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    const TSize size{allocation->width, allocation->height};
    if (host->m_lastSize && host->m_lastSize->cx == size.cx && host->m_lastSize->cy == size.cy) return;
    host->ApplyFrame(size);
  }

  static void Destroyed(GtkWidget*, gpointer data) { static_cast<TGtkWindowHost*>(data)->Unbind(); }

  static gboolean GrabBroken(GtkWidget*, GdkEvent*, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    host->m_grabbed = false;
    host->LeaveHelpMode();
    host->EndDrag();
    return FALSE;
  }

  static gboolean Configured(GtkWidget*, GdkEvent*, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    if (host->m_systemMove) host->StartSystemMove();  // quiet again from now
    return FALSE;
  }

  static gboolean StateChanged(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    constexpr auto kWatched = GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_FULLSCREEN;
    if ((event->changed_mask & kWatched) && host->m_client) {
      host->m_lastSize.reset();
      host->RecalcFrame();
      if (host->m_client) host->m_client->WindowStateChanged();
    }
    return FALSE;
  }

  static gboolean MoveQuiet(gpointer data) {
    auto* host = static_cast<TGtkWindowHost*>(data);
    host->m_systemMove = 0;
    // The window manager holds the pointer while it moves: a held button
    // means the user only paused.
    GdkWindow* window = host->FrameWindow();
    GdkModifierType mask = static_cast<GdkModifierType>(0);
    if (window) {
      GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(window)));
      gdk_window_get_device_position(window, pointer, nullptr, nullptr, &mask);
    }
    if (mask & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK))
      host->StartSystemMove();
    else
      host->EndSystemMove();
    return G_SOURCE_REMOVE;
  }
};

// ---- Life ----

TGtkWindowHost::TGtkWindowHost(TWinControl& control, IWindowHostClient& client) : m_control(&control), m_client(&client) {
  Bind();
}

TGtkWindowHost::~TGtkWindowHost() {
  Detach();
  *m_alive = false;
}

void TGtkWindowHost::Detach() {
  if (m_menuLoop) g_main_loop_quit(m_menuLoop);
  LeaveHelpMode();
  EndDrag();
  EndSystemMove();
  if (GtkWindow* top = TopLevel(); top && m_client) gtk_window_set_geometry_hints(top, nullptr, nullptr, GdkWindowHints(0));
  SetCursorName(nullptr);
  m_client = nullptr;
  Unbind();
}

platform::GtkControlBackend* TGtkWindowHost::Backend() const {
  TWinControl* control = m_control.Get();
  return control ? dynamic_cast<platform::GtkControlBackend*>(control->Backend()) : nullptr;
}

bool TGtkWindowHost::Bind() {
  if (!m_client) return false;
  TWinControl* control = m_control.Get();
  platform::GtkControlBackend* backend = Backend();
  const ControlWindow window = backend && control ? control->Window() : kNoWindow;
  if (window != kNoWindow && window == m_window && m_frame) return true;
  Unbind();
  HalbrinFrame* frame = window != kNoWindow ? backend->Frame(window) : nullptr;
  if (!frame) return false;
  m_window = window;
  m_frame = GObjectPtr<GtkWidget>::Ref(GTK_WIDGET(frame));
  Connect(frame, "paint-frame", G_CALLBACK(Signals::Paint));
  Connect(frame, "frame-event", G_CALLBACK(Signals::Event));
  Connect(frame, "size-allocate", G_CALLBACK(Signals::Allocated));
  Connect(frame, "destroy", G_CALLBACK(Signals::Destroyed));
  Connect(frame, "grab-broken-event", G_CALLBACK(Signals::GrabBroken));
  if (GtkWindow* top = backend->TopLevelWindow(window)) {
    m_toplevel = GObjectPtr<GtkWidget>::Ref(GTK_WIDGET(top));
    Connect(top, "configure-event", G_CALLBACK(Signals::Configured));
    Connect(top, "window-state-event", G_CALLBACK(Signals::StateChanged));
  }
  return true;
}

void TGtkWindowHost::Connect(gpointer instance, const char* signal, GCallback callback) {
  m_handlers.emplace_back(instance, g_signal_connect(instance, signal, callback, this));
}

void TGtkWindowHost::Unbind() {
  for (const auto& [instance, id] : m_handlers) g_signal_handler_disconnect(instance, id);
  m_handlers.clear();
  m_frame.Reset();
  m_toplevel.Reset();
  m_window = kNoWindow;
  m_lastSize.reset();
  m_cursorName = nullptr;
}

GtkWindow* TGtkWindowHost::TopLevel() const { return m_toplevel ? GTK_WINDOW(m_toplevel.Get()) : nullptr; }

GdkWindow* TGtkWindowHost::FrameWindow() const { return m_frame ? gtk_widget_get_window(m_frame.Get()) : nullptr; }

bool TGtkWindowHost::HasWindow() const {
  const TWinControl* control = m_control.Get();
  return control && control->HandleAllocated();
}

// ---- The frame ----

TSize TGtkWindowHost::FrameSize() const {
  if (m_frame && gtk_widget_get_realized(m_frame.Get()))
    return TSize{gtk_widget_get_allocated_width(m_frame.Get()), gtk_widget_get_allocated_height(m_frame.Get())};
  const TWinControl* control = m_control.Get();
  return control ? TSize{control->Width(), control->Height()} : TSize{};
}

void TGtkWindowHost::ApplyFrame(TSize size) {
  if (!m_client) return;
  const std::shared_ptr<bool> alive = m_alive;
  m_lastSize = size;
  const TRect client = m_client->FrameResized(size);
  if (!*alive || !m_client) return;
  if (TWinControl* control = m_control.Get())
    control->SetNonClientMargins(TRect{client.Left, client.Top, size.cx - client.Right, size.cy - client.Bottom});
  ApplyGeometryHints();
  InvalidateFrame();
}

void TGtkWindowHost::ApplyGeometryHints() {
  GtkWindow* top = TopLevel();
  const auto* skin = dynamic_cast<const TZebrinCustomSkin*>(m_client);
  const TWinControl* control = m_control.Get();
  if (!top || !skin || !control || !control->WindowTraits().sizable) return;
  constexpr int kUnlimited = G_MAXSHORT;
  const TSkinMinMaxInfo info = skin->GetMinMaxInfo(TSkinMinMaxInfo{TSize{0, 0}, TSize{kUnlimited, kUnlimited}});
  GdkGeometry geometry{};
  geometry.min_width = std::max(info.minTrack.cx, 1);
  geometry.min_height = std::max(info.minTrack.cy, 1);
  geometry.max_width = std::max(info.maxTrack.cx, geometry.min_width);
  geometry.max_height = std::max(info.maxTrack.cy, geometry.min_height);
  auto hints = GDK_HINT_MIN_SIZE;
  if (info.maxTrack.cx < kUnlimited || info.maxTrack.cy < kUnlimited) hints = GdkWindowHints(hints | GDK_HINT_MAX_SIZE);
  gtk_window_set_geometry_hints(top, nullptr, &geometry, hints);
}

void TGtkWindowHost::RecalcFrame() {
  Bind();
  ApplyFrame(FrameSize());
  if (m_frame) gtk_widget_queue_resize(m_frame.Get());
}

void TGtkWindowHost::InvalidateFrame() {
  if (!Bind()) return;
  GtkWidget* frame = m_frame.Get();
  const int width = gtk_widget_get_allocated_width(frame);
  const int height = gtk_widget_get_allocated_height(frame);
  int left = 0, top = 0, right = 0, bottom = 0;
  halbrin_frame_get_margins(HALBRIN_FRAME(frame), &left, &top, &right, &bottom);
  // Only the margins: the client area is the children's.
  if (top > 0) gtk_widget_queue_draw_area(frame, 0, 0, width, top);
  if (bottom > 0) gtk_widget_queue_draw_area(frame, 0, height - bottom, width, bottom);
  if (left > 0) gtk_widget_queue_draw_area(frame, 0, 0, left, height);
  if (right > 0) gtk_widget_queue_draw_area(frame, width - right, 0, right, height);
}

// ---- Pointer input ----

void TGtkWindowHost::DeliverEvent(const HalbrinFrameEvent& event) {
  if (!m_client) return;
  if (m_helpMode) {
    if (event.kind == HALBRIN_FRAME_PRESS) LeaveHelpMode();
    return;
  }
  if (m_drag) {
    if (event.kind == HALBRIN_FRAME_MOTION) DragTo(event.x_root, event.y_root);
    if (event.kind == HALBRIN_FRAME_RELEASE) EndDrag();
    return;
  }
  TWindowPointer pointer;
  pointer.pos = TPoint{static_cast<int>(event.x), static_cast<int>(event.y)};
  pointer.screen = TPoint{static_cast<int>(event.x_root), static_cast<int>(event.y_root)};
  pointer.button = ButtonOf(event.button);
  pointer.shift = platform::ShiftStateOf(event.state);
  pointer.time = event.time;
  const std::shared_ptr<bool> alive = m_alive;
  switch (event.kind) {
    case HALBRIN_FRAME_PRESS:
      EndSystemMove();
      // The shift set holds the button just pressed, and not the one just released.
      pointer.shift |= ButtonBit(pointer.button);
      m_client->PointerPress(pointer);
      break;
    case HALBRIN_FRAME_DOUBLE_PRESS:
      pointer.shift |= ButtonBit(pointer.button) | ssDouble;
      m_client->PointerDoubleClick(pointer);
      break;
    case HALBRIN_FRAME_RELEASE:
      EndSystemMove();
      pointer.shift &= ~ButtonBit(pointer.button);
      m_client->PointerRelease(pointer);
      break;
    case HALBRIN_FRAME_MOTION: {
      if (m_systemMove && (pointer.shift & (ssLeft | ssMiddle | ssRight)) == 0) EndSystemMove();
      if (m_pendingMove) {
        PendingMoveTo(pointer);
        if (Dragging()) return;
      }
      const int hit = m_client->HitTest(pointer.pos);
      if (!*alive || !m_client) return;
      if (!m_client->SetCursorFor(hit)) {
        if (!*alive || !m_client) return;
        SetCursorName(HitCursorName(hit));
      }
      if (!*alive || !m_client) return;
      m_client->PointerMotion(pointer);
      break;
    }
    case HALBRIN_FRAME_ENTER:
      m_client->ControlEnter();
      break;
    case HALBRIN_FRAME_LEAVE:
      SetCursorName(nullptr);
      m_client->PointerLeave();
      if (*alive && m_client) m_client->ControlLeave();
      break;
    case HALBRIN_FRAME_INTO_CHILD:
      // Still over the control, no longer over its frame.
      SetCursorName(nullptr);
      m_client->PointerLeave();
      break;
    case HALBRIN_FRAME_FROM_CHILD:
      break;
  }
}

// ---- Moves and sizing ----

void TGtkWindowHost::BeginMove(const TWindowPointer& press) {
  if (!Bind() || Dragging()) return;
  if (GtkWindow* top = TopLevel()) {
    if (!gtk_widget_get_realized(GTK_WIDGET(top))) return;
    // Button 0 is a keyboard move: after the system menu no button is held.
    const guint button = (press.shift & ButtonBit(press.button)) ? GdkButtonOf(press.button) : 0;
    if (button != 0) {
      m_pendingMove = press;
      return;
    }
    gtk_window_begin_move_drag(top, 0, press.screen.X, press.screen.Y, press.time);
    StartSystemMove();
    return;
  }
  StartDrag(std::nullopt, press);
}

void TGtkWindowHost::BeginResize(TWindowEdge edge, const TWindowPointer& press) {
  if (!Bind() || Dragging()) return;
  if (GtkWindow* top = TopLevel()) {
    if (!gtk_widget_get_realized(GTK_WIDGET(top))) return;
    const guint button = (press.shift & ButtonBit(press.button)) ? GdkButtonOf(press.button) : 0;
    gtk_window_begin_resize_drag(top, GdkEdgeOf(edge), static_cast<gint>(button), press.screen.X, press.screen.Y,
                                 press.time);
    StartSystemMove();
    return;
  }
  StartDrag(edge, press);
}

void TGtkWindowHost::StartSystemMove() {
  if (m_systemMove) g_source_remove(m_systemMove);
  m_systemMove = g_timeout_add(kMoveQuietMs, Signals::MoveQuiet, this);
}

void TGtkWindowHost::PendingMoveTo(const TWindowPointer& pointer) {
  const TWindowPointer press = *m_pendingMove;
  GtkWindow* top = TopLevel();
  if (!top || (pointer.shift & ButtonBit(press.button)) == 0) {
    m_pendingMove.reset();
    return;
  }
  gint threshold = 8;
  g_object_get(gtk_widget_get_settings(GTK_WIDGET(top)), "gtk-dnd-drag-threshold", &threshold, nullptr);
  if (std::abs(pointer.screen.X - press.screen.X) <= threshold && std::abs(pointer.screen.Y - press.screen.Y) <= threshold)
    return;
  m_pendingMove.reset();
  gtk_window_begin_move_drag(top, static_cast<gint>(GdkButtonOf(press.button)), press.screen.X, press.screen.Y,
                             pointer.time);
  StartSystemMove();
}

void TGtkWindowHost::EndSystemMove() {
  m_pendingMove.reset();
  if (!m_systemMove) return;
  g_source_remove(m_systemMove);
  m_systemMove = 0;
}

void TGtkWindowHost::StartDrag(std::optional<TWindowEdge> edge, const TWindowPointer& press) {
  TWinControl* control = m_control.Get();
  if (!control) return;
  m_drag = std::make_unique<Drag>(Drag{edge, press.screen, control->BoundsRect()});
  const char* cursor = edge ? EdgeCursorName(*edge) : "move";
  GrabPointer(cursor);
  SetCursorName(cursor);
}

void TGtkWindowHost::DragTo(double xRoot, double yRoot) {
  TWinControl* control = m_control.Get();
  if (!m_drag || !control) return;
  const int dx = static_cast<int>(xRoot) - m_drag->startScreen.X;
  const int dy = static_cast<int>(yRoot) - m_drag->startScreen.Y;
  TRect r = m_drag->startBounds;
  if (!m_drag->edge) {
    r = TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  } else {
    TSize smallest{kSmallestPane, kSmallestPane};
    if (const auto* skin = dynamic_cast<const TZebrinCustomSkin*>(m_client)) {
      const TSize min = skin->GetMinMaxInfo(TSkinMinMaxInfo{}).minTrack;
      smallest = TSize{std::max(min.cx, kSmallestPane), std::max(min.cy, kSmallestPane)};
    }
    const TWindowEdge edge = *m_drag->edge;
    const bool west = edge == TWindowEdge::West || edge == TWindowEdge::NorthWest || edge == TWindowEdge::SouthWest;
    const bool east = edge == TWindowEdge::East || edge == TWindowEdge::NorthEast || edge == TWindowEdge::SouthEast;
    const bool north = edge == TWindowEdge::North || edge == TWindowEdge::NorthWest || edge == TWindowEdge::NorthEast;
    const bool south = edge == TWindowEdge::South || edge == TWindowEdge::SouthWest || edge == TWindowEdge::SouthEast;
    if (west) r.Left = std::min(r.Left + dx, r.Right - smallest.cx);
    if (east) r.Right = std::max(r.Right + dx, r.Left + smallest.cx);
    if (north) r.Top = std::min(r.Top + dy, r.Bottom - smallest.cy);
    if (south) r.Bottom = std::max(r.Bottom + dy, r.Top + smallest.cy);
  }
  control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TGtkWindowHost::EndDrag() {
  if (!m_drag) return;
  m_drag.reset();
  UngrabPointer();
  SetCursorName(nullptr);
}

bool TGtkWindowHost::GrabPointer(const char* cursorName) {
  GdkWindow* window = FrameWindow();
  if (!window || m_grabbed) return m_grabbed;
  GdkDisplay* display = gdk_window_get_display(window);
  GdkCursor* cursor = cursorName ? gdk_cursor_new_from_name(display, cursorName) : nullptr;
  const CurrentEvent current;
  m_grabbed = gdk_seat_grab(gdk_display_get_default_seat(display), window, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE,
                            cursor, current.event, nullptr, nullptr) == GDK_GRAB_SUCCESS;
  if (cursor) g_object_unref(cursor);
  return m_grabbed;
}

void TGtkWindowHost::UngrabPointer() {
  if (!m_grabbed) return;
  m_grabbed = false;
  if (GdkWindow* window = FrameWindow()) gdk_seat_ungrab(gdk_display_get_default_seat(gdk_window_get_display(window)));
}

// ---- Window commands and states ----

void TGtkWindowHost::Execute(TWindowCommand command) {
  TWinControl* control = m_control.Get();
  if (!m_client || !control) return;
  Bind();
  GtkWindow* top = TopLevel();
  switch (command) {
    case TWindowCommand::Close:
      // The window manager's close: the control decides (delete-event).
      if (top)
        gtk_window_close(top);
      else
        control->WindowCloseRequested();
      break;
    case TWindowCommand::Maximize:
      if (top) {
        if (IsMinimized()) gtk_window_deiconify(top);
        gtk_window_maximize(top);
      } else {
        m_childMaximized = true;
        m_childMinimized = false;
        RecalcFrame();
      }
      break;
    case TWindowCommand::Restore:
      if (top) {
        if (IsMinimized())
          gtk_window_deiconify(top);
        else
          gtk_window_unmaximize(top);
      } else {
        if (m_childMinimized)
          m_childMinimized = false;
        else
          m_childMaximized = false;
        RecalcFrame();
      }
      break;
    case TWindowCommand::Minimize:
      if (top) {
        gtk_window_iconify(top);
      } else {
        m_childMinimized = true;
        RecalcFrame();
      }
      break;
    case TWindowCommand::ContextHelp:
      EnterHelpMode();
      break;
    case TWindowCommand::NextChild:
    case TWindowCommand::PreviousChild:
    case TWindowCommand::Check:
      break;
  }
}

bool TGtkWindowHost::IsMaximized() const {
  if (GtkWindow* top = TopLevel()) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(top));
    return window && (gdk_window_get_state(window) & GDK_WINDOW_STATE_MAXIMIZED);
  }
  return m_childMaximized;
}

bool TGtkWindowHost::IsMinimized() const {
  if (GtkWindow* top = TopLevel()) {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(top));
    return window && (gdk_window_get_state(window) & GDK_WINDOW_STATE_ICONIFIED);
  }
  return m_childMinimized;
}

bool TGtkWindowHost::WindowManagerPlacesMaximized() const { return TopLevel() != nullptr; }

void TGtkWindowHost::EnterHelpMode() {
  if (m_helpMode || !Bind() || Dragging()) return;
  m_helpMode = true;
  GrabPointer("help");
  SetCursorName("help");
}

void TGtkWindowHost::LeaveHelpMode() {
  if (!m_helpMode) return;
  m_helpMode = false;
  UngrabPointer();
  SetCursorName(nullptr);
}

// ---- Cursors ----

const char* TGtkWindowHost::HitCursorName(int hit) noexcept {
  if (std::optional<TWindowEdge> edge = EdgeOfHit(hit)) return EdgeCursorName(*edge);
  return nullptr;
}

const char* TGtkWindowHost::CursorNameOf(int cursor) noexcept {
  if (const char* name = SkinCursorName(cursor)) return name;
  struct Standard {
    int cursor;
    const char* name;
  };
  // The class library's standard cursors (crArrow -2 ... crSizeAll -22).
  static constexpr std::array kStandard{
      Standard{-1, "none"},        Standard{-2, "default"},     Standard{-3, "crosshair"},
      Standard{-4, "text"},        Standard{-5, "move"},        Standard{-6, "nesw-resize"},
      Standard{-7, "ns-resize"},   Standard{-8, "nwse-resize"}, Standard{-9, "ew-resize"},
      Standard{-10, "default"},    Standard{-11, "wait"},       Standard{-12, "grabbing"},
      Standard{-14, "col-resize"}, Standard{-15, "row-resize"}, Standard{-16, "grabbing"},
      Standard{-17, "wait"},       Standard{-19, "progress"},   Standard{-20, "help"},
      Standard{-22, "move"},
  };
  for (const Standard& entry : kStandard)
    if (entry.cursor == cursor) return entry.name;
  return nullptr;
}

void TGtkWindowHost::SetCursor(int cursor) {
  if (Bind()) SetCursorName(CursorNameOf(cursor));
}

void TGtkWindowHost::SetCursorName(const char* name) {
  GdkWindow* window = FrameWindow();
  if (!window || SameName(name, m_cursorName)) return;
  m_cursorName = name;
  GdkCursor* cursor = name ? gdk_cursor_new_from_name(gdk_window_get_display(window), name) : nullptr;
  gdk_window_set_cursor(window, cursor);
  if (cursor) g_object_unref(cursor);
}

// ---- The system menu ----

std::optional<TSystemMenuAnswer> TGtkWindowHost::ShowSystemMenu(TPoint screen, const TSystemMenuState& state) {
  if (!Bind() || m_menuLoop || !FrameWindow()) return std::nullopt;
  struct Run {
    GMainLoop* loop = nullptr;
    std::optional<TSystemMenuAnswer> answer;
  } run;
  struct Item {
    const char* label;
    bool enabled;
    bool isDefault;
    TSystemMenuAnswer answer;
    Run* run;
  };
  using C = TWindowCommand;
  using K = TSystemMenuChoice;
  std::array items{
      Item{"Restore", state.restore, state.defaultItem == C::Restore, {K::Command, C::Restore}, &run},
      Item{"Move", state.move, false, {K::Move, C::Close}, &run},
      Item{"Size", state.size, false, {K::Size, C::Close}, &run},
      Item{"Minimize", state.minimize, state.defaultItem == C::Minimize, {K::Command, C::Minimize}, &run},
      Item{"Maximize", state.maximize, state.defaultItem == C::Maximize, {K::Command, C::Maximize}, &run},
      Item{"Close", state.close, state.defaultItem == C::Close, {K::Command, C::Close}, &run},
  };
  GObjectPtr<GtkWidget> menu = GObjectPtr<GtkWidget>::AdoptFloating(gtk_menu_new());
  for (Item& item : items) {
    if (item.answer.command == C::Close && item.answer.choice == K::Command)
      gtk_menu_shell_append(GTK_MENU_SHELL(menu.Get()), gtk_separator_menu_item_new());
    GtkWidget* entry = gtk_menu_item_new_with_label(item.label);
    if (item.isDefault) {
      const std::string markup = std::string("<b>") + item.label + "</b>";
      gtk_label_set_markup(GTK_LABEL(gtk_bin_get_child(GTK_BIN(entry))), markup.c_str());
    }
    gtk_widget_set_sensitive(entry, item.enabled);
    g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkMenuItem*, gpointer data) {
                       auto* chosen = static_cast<Item*>(data);
                       chosen->run->answer = chosen->answer;
                     }),
                     &item);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu.Get()), entry);
  }
  gtk_menu_attach_to_widget(GTK_MENU(menu.Get()), m_frame.Get(), nullptr);
  g_signal_connect(menu.Get(), "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                     g_main_loop_quit(static_cast<Run*>(data)->loop);
                   }),
                   &run);
  gtk_widget_show_all(menu.Get());
  {
    const CurrentEvent current;
    if (current.event) {
      gtk_menu_popup_at_pointer(GTK_MENU(menu.Get()), current.event);
    } else {
      const TPoint at = ScreenToWindow(screen);
      const GdkRectangle rect{at.X, at.Y, 1, 1};
      gtk_menu_popup_at_rect(GTK_MENU(menu.Get()), FrameWindow(), &rect, GDK_GRAVITY_NORTH_WEST,
                             GDK_GRAVITY_NORTH_WEST, nullptr);
    }
  }
  const std::shared_ptr<bool> alive = m_alive;
  // A menu that could not take the pointer is not shown: nothing was chosen.
  if (gtk_widget_get_visible(menu.Get())) {
    run.loop = g_main_loop_new(nullptr, FALSE);
    m_menuLoop = run.loop;
    g_main_loop_run(run.loop);
    g_main_loop_unref(run.loop);
    if (*alive) m_menuLoop = nullptr;
  }
  gtk_widget_destroy(menu.Get());
  if (!*alive || !m_client) return std::nullopt;
  return run.answer;
}

// ---- Stacking, coordinates, pictures ----

void TGtkWindowHost::BringToFront() {
  TWinControl* control = m_control.Get();
  if (!Bind() || !control) return;
  if (GtkWindow* top = TopLevel())
    gtk_window_present_with_time(top, gtk_get_current_event_time());
  else
    control->BringToFront();
}

TPoint TGtkWindowHost::WindowToScreen(TPoint window) const {
  if (GdkWindow* gdkWindow = FrameWindow()) {
    int x = 0, y = 0;
    gdk_window_get_origin(gdkWindow, &x, &y);
    return TPoint{window.X + x, window.Y + y};
  }
  return window;
}

TPoint TGtkWindowHost::ScreenToWindow(TPoint screen) const {
  const TPoint origin = WindowToScreen(TPoint{0, 0});
  return TPoint{screen.X - origin.X, screen.Y - origin.Y};
}

TRect TGtkWindowHost::WorkArea() const {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return TRect{};
  GdkWindow* window = FrameWindow();
  GdkMonitor* monitor = window ? gdk_display_get_monitor_at_window(display, window) : nullptr;
  if (!monitor) monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return TRect{};
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  return TRect{area.x, area.y, area.x + area.width, area.y + area.height};
}

std::unique_ptr<ISkinSurface> TGtkWindowHost::CreateSurface(TSize size) {
  if (size.cx <= 0 || size.cy <= 0) return nullptr;
  return std::make_unique<CairoSkinSurface>(size);
}

std::unique_ptr<IWindowHost> TGtkWindowHostFactory::CreateHost(TWinControl& control, IWindowHostClient& client) {
  return std::make_unique<TGtkWindowHost>(control, client);
}

}  // namespace halbrin::skins
