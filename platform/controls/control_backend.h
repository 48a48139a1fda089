#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/graphics/geometry.h"

namespace halbrin::platform {

class TWinControl;
struct TWindowTraits;
struct TArgbImage;

// A top-level window's state.
enum TWindowState : std::uint8_t { wsNormal, wsMinimized, wsMaximized };

// A window made by a backend; 0 is no window. Only the backend that made it
// knows what it stands for.
using ControlWindow = std::uint64_t;
inline constexpr ControlWindow kNoWindow = 0;

// A widget of the toolkit behind the backend (a GtkWidget* for the GTK one),
// passed through the display-free code untouched.
using NativeWidget = void*;

// The real windows behind TWinControls. Controls are the display-free model;
// they call these as their state changes, and the backend reports what the
// window system did (moves, activation, focus, destruction) through the
// control's Window... members. Rectangles are in the parent's client
// coordinates (screen coordinates for a top-level); margins hold the left,
// top, right and bottom widths of the non-client area.
class IControlBackend {
 public:
  virtual ~IControlBackend() = default;

  // A window for `control`: a top-level one without `parent`, else a child
  // inside the parent's client area, above its siblings. It starts hidden.
  virtual ControlWindow CreateWindow(TWinControl& control, ControlWindow parent) = 0;
  // Destroys the window; its children are destroyed first by their controls.
  // An unknown or already destroyed window is ignored.
  virtual void DestroyWindow(ControlWindow window) = 0;

  virtual void SetBounds(ControlWindow window, const TRect& bounds) = 0;
  virtual void SetVisible(ControlWindow window, bool visible) = 0;
  virtual void SetEnabled(ControlWindow window, bool enabled) = 0;
  virtual void SetText(ControlWindow window, const std::string& text) = 0;
  virtual void SetTraits(ControlWindow window, const TWindowTraits& traits) = 0;
  virtual void SetNonClientMargins(ControlWindow window, const TRect& margins) = 0;
  // Places `widget` in the window's client area, filling it; nullptr takes the
  // previous one out. The backend never destroys a supplied widget.
  virtual void SetContentWidget(ControlWindow window, NativeWidget widget) = 0;

  virtual void BringToFront(ControlWindow window) = 0;
  virtual void SendToBack(ControlWindow window) = 0;
  virtual void SetFocus(ControlWindow window) = 0;
  // Repaints the whole window, or the part given in window coordinates (the
  // frame's, margins included).
  virtual void Invalidate(ControlWindow window) = 0;
  virtual void InvalidateRect(ControlWindow window, const TRect& rect) = 0;

  // --- Top-level windows only (a child window ignores them) ---
  // A backend without a window manager to ask ignores these; the model keeps
  // the state and the backend reports changes it did not ask for
  // (TWinControl::WindowStateChanged).
  virtual void SetWindowState(ControlWindow /*window*/, TWindowState /*state*/) {}
  // Kept above the other windows.
  virtual void SetStayOnTop(ControlWindow /*window*/, bool /*stayOnTop*/) {}
  // Never takes the focus: not on a click, not when mapped (a utility window).
  virtual void SetNeverActivate(ControlWindow /*window*/, bool /*neverActivate*/) {}
  // Kept above `owner` and grouped with it; kNoWindow releases it.
  virtual void SetTransientFor(ControlWindow /*window*/, ControlWindow /*owner*/) {}
  // 255 is opaque. Needs a compositor.
  virtual void SetOpacity(ControlWindow /*window*/, std::uint8_t /*alpha*/) {}
  // The window's icon; nullptr takes it away. The picture is copied.
  virtual void SetIcon(ControlWindow /*window*/, const TArgbImage* /*icon*/) {}
  // Blocks input to the application's other windows while shown.
  virtual void SetModal(ControlWindow /*window*/, bool /*modal*/) {}
  // A shadow under the window where the window system draws one.
  virtual void SetDropShadow(ControlWindow /*window*/, bool /*dropShadow*/) {}
  // Takes a shown window off the screen, or puts it back, without changing
  // the control's visibility (the application hides its floating forms
  // while another program is active).
  virtual void SetWithdrawn(ControlWindow /*window*/, bool /*withdrawn*/) {}
  // Puts the window at the top of the stacking order without activating it.
  virtual void RaiseWithoutActivating(ControlWindow /*window*/) {}
  // Raises and activates the window.
  virtual void Present(ControlWindow /*window*/) {}
  // The window system's id of the window (the X11 window); 0 without one.
  virtual std::uint64_t NativeWindowId(ControlWindow /*window*/) const { return 0; }
  // Where the window's top-left corner is on the screen, when the window
  // system says (a top-level's Left and Top are its frame's, outside the
  // window manager's decorations); nullopt when it does not.
  virtual std::optional<TPoint> ScreenOrigin(ControlWindow /*window*/) const { return std::nullopt; }
};

// Windows that show nothing: handles are handed out and every call is
// ignored, so the model runs the same without a display.
class HeadlessControlBackend : public IControlBackend {
 public:
  ControlWindow CreateWindow(TWinControl&, ControlWindow) override { return m_next++; }
  void DestroyWindow(ControlWindow) override {}
  void SetBounds(ControlWindow, const TRect&) override {}
  void SetVisible(ControlWindow, bool) override {}
  void SetEnabled(ControlWindow, bool) override {}
  void SetText(ControlWindow, const std::string&) override {}
  void SetTraits(ControlWindow, const TWindowTraits&) override {}
  void SetNonClientMargins(ControlWindow, const TRect&) override {}
  void SetContentWidget(ControlWindow, NativeWidget) override {}
  void BringToFront(ControlWindow) override {}
  void SendToBack(ControlWindow) override {}
  void SetFocus(ControlWindow) override {}
  void Invalidate(ControlWindow) override {}
  void InvalidateRect(ControlWindow, const TRect&) override {}

 private:
  ControlWindow m_next = 1;
};

// The backend new windows are made by: the headless one until a
// ScopedControlBackend installs another. A control keeps the backend that made
// its window, so a backend must outlive the windows it made.
IControlBackend& CurrentControlBackend();

// Installs `backend` for the life of the object and restores the one before
// it. Installers nest; drop them in reverse order.
class ScopedControlBackend {
 public:
  explicit ScopedControlBackend(IControlBackend& backend) noexcept;
  ScopedControlBackend(const ScopedControlBackend&) = delete;
  ScopedControlBackend& operator=(const ScopedControlBackend&) = delete;
  ~ScopedControlBackend();

 private:
  IControlBackend* m_previous;
};

}  // namespace halbrin::platform
