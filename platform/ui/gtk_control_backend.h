#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/controls/control_backend.h"
#include "platform/controls/win_control.h"
#include "platform/ui/halbrin_frame.h"

namespace halbrin::platform {

// TWinControls as GTK widgets. A top-level control is a GtkWindow (held by a
// WindowHolder) whose one child is the control's HalbrinFrame; a child
// control is a HalbrinFrame placed in its parent's frame. Non-client margins
// are the frame's, a supplied content widget fills the frame's client area.
//
// What the window system does comes back to the control: configure events as
// bounds (position from gtk_window_get_position, so it reads back what
// gtk_window_move set), "notify::is-active" as activation, the window's
// focus widget as the focused control, "delete-event" as a close request, and
// a frame destroyed from outside as WindowDestroyed.
//
// Traits of a top-level: decorated with a caption or a border, resizable
// when sizable, a utility window for a tool window, and the window manager's
// functions (close with the system menu, minimise, maximise) from the boxes.
// Children ignore them: what a child frame shows is its skin's.
//
// Input goes to the controls as the class library's: pointer input of a
// frame's client area (presses paired into double clicks by the frame, a
// release and motion to the control a press went to, wheel steps and smooth
// deltas, entering and leaving the control as a whole), keys of a top-level
// (the key's code and the character typed, key_translation.h; a key the model
// suppresses goes no further), and window-state changes the window system
// made by itself.
class GtkControlBackend final : public IControlBackend {
 public:
  GtkControlBackend();
  // Destroys the windows still there; their controls forget them.
  ~GtkControlBackend() override;
  GtkControlBackend(const GtkControlBackend&) = delete;
  GtkControlBackend& operator=(const GtkControlBackend&) = delete;

  ControlWindow CreateWindow(TWinControl& control, ControlWindow parent) override;
  void DestroyWindow(ControlWindow window) override;
  void SetBounds(ControlWindow window, const TRect& bounds) override;
  void SetVisible(ControlWindow window, bool visible) override;
  void SetEnabled(ControlWindow window, bool enabled) override;
  void SetText(ControlWindow window, const std::string& text) override;
  void SetTraits(ControlWindow window, const TWindowTraits& traits) override;
  void SetNonClientMargins(ControlWindow window, const TRect& margins) override;
  // The widget is shown and kept by a reference of the backend's while it is
  // placed; the supplier keeps its own for as long as the control holds it,
  // since windows are made again (a new parent) with the same widget.
  void SetContentWidget(ControlWindow window, NativeWidget widget) override;
  void BringToFront(ControlWindow window) override;
  void SendToBack(ControlWindow window) override;
  // Focuses the content widget when there is one, else the frame.
  void SetFocus(ControlWindow window) override;
  void Invalidate(ControlWindow window) override;
  void InvalidateRect(ControlWindow window, const TRect& rect) override;
  // The X11 id of the nearest native window of the control's frame (a child
  // frame's is its top-level's), realizing it first; 0 off X11.
  std::uint64_t NativeWindowId(ControlWindow window) const override;
  // The origin of the frame's GdkWindow once it is realized.
  std::optional<TPoint> ScreenOrigin(ControlWindow window) const override;

  // Top-levels: the window manager's state (gtk_window_iconify, maximize and
  // their undoing), keep-above, never-activate (no focus on a click or when
  // mapped, a utility window), transient-for, opacity, icon, modality.
  void SetWindowState(ControlWindow window, TWindowState state) override;
  void SetStayOnTop(ControlWindow window, bool stayOnTop) override;
  void SetNeverActivate(ControlWindow window, bool neverActivate) override;
  void SetTransientFor(ControlWindow window, ControlWindow owner) override;
  // gtk_widget_set_opacity: shown only under a compositor.
  void SetOpacity(ControlWindow window, std::uint8_t alpha) override;
  void SetIcon(ControlWindow window, const TArgbImage* icon) override;
  void SetModal(ControlWindow window, bool modal) override;
  // Kept: X11 has no request for a shadow of one window; a compositor draws
  // its own where it draws any.
  void SetDropShadow(ControlWindow window, bool dropShadow) override;
  // Unmaps or maps the window's GdkWindow; the widget stays shown.
  void SetWithdrawn(ControlWindow window, bool withdrawn) override;
  void RaiseWithoutActivating(ControlWindow window) override;
  void Present(ControlWindow window) override;

  // The frame of a window (a top-level's content frame); nullptr for an unknown window.
  HalbrinFrame* Frame(ControlWindow window) const;
  // The GtkWindow of a top-level; nullptr for a child or an unknown window.
  GtkWindow* TopLevelWindow(ControlWindow window) const;
  // The window whose frame this is; kNoWindow for any other widget.
  ControlWindow WindowOfFrame(const GtkWidget* frame) const;

 private:
  struct Window;
  friend struct GtkControlSignals;

  Window* Find(ControlWindow window) const;
  void Connect(Window& window, gpointer instance, const char* signal, GCallback callback, bool after = false);
  static void Disconnect(Window& window);
  void ApplySize(Window& window);
  void ApplyFunctions(Window& window);
  // The frame went without DestroyWindow (its top-level or parent was destroyed).
  void FrameDestroyed(ControlWindow window);

  std::map<ControlWindow, std::unique_ptr<Window>> m_windows;
  ControlWindow m_next = 1;
};

// Installs a GtkControlBackend as the current control backend for the life
// of the object when InitGtk() finds a display; otherwise the headless one stays.
class GtkControlBackendScope {
 public:
  GtkControlBackendScope();
  GtkControlBackendScope(const GtkControlBackendScope&) = delete;
  GtkControlBackendScope& operator=(const GtkControlBackendScope&) = delete;

  bool Installed() const noexcept { return m_scope.has_value(); }
  GtkControlBackend* Backend() noexcept { return m_backend ? &*m_backend : nullptr; }

 private:
  std::optional<GtkControlBackend> m_backend;
  // Declared after the backend, so it is restored before the backend goes.
  std::optional<ScopedControlBackend> m_scope;
};

}  // namespace halbrin::platform
