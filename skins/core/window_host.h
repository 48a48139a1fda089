#pragma once

// What a skin asks of the real window it is on, and the neutral events the
// window delivers to the skin. The toolkit layer implements IWindowHost over
// its widgets; the core never sees them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "core/framework/std_events_component.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "skins/core/window_command.h"

namespace halbrin::platform {
class TWinControl;
}

namespace halbrin::skins {

using platform::ICanvas;
using platform::TPoint;
using platform::TRect;
using platform::TSize;

// Hit codes: the window system's own, then the skin's.
inline constexpr int kHitNowhere = 0;
inline constexpr int kHitClient = 1;
inline constexpr int kHitCaption = 2;
inline constexpr int kHitSysMenu = 3;
inline constexpr int kHitHScroll = 6;
inline constexpr int kHitVScroll = 7;
inline constexpr int kHitLeft = 10;
inline constexpr int kHitRight = 11;
inline constexpr int kHitTop = 12;
inline constexpr int kHitTopLeft = 13;
inline constexpr int kHitTopRight = 14;
inline constexpr int kHitBottom = 15;
inline constexpr int kHitBottomLeft = 16;
inline constexpr int kHitBottomRight = 17;
inline constexpr int kHitSkinCaption = 101;     // the caption area
inline constexpr int kHitSkinFooter = 103;      // the footer area
inline constexpr int kHitSkinButton = 106;      // a skin button that captures the mouse
inline constexpr int kHitSkinBand = 107;        // a caption band that does not capture the mouse
inline constexpr int kHitSkinBandItem = 108;    // a band item that captures the mouse
inline constexpr int kHitSkinButtons = 109;     // a button collection that captures the mouse
inline constexpr int kHitSkinIcon = 110;        // the icon

constexpr bool IsSizingHit(int hit) noexcept { return hit >= kHitLeft && hit <= kHitBottomRight; }

// The window edge a sizing drag starts from (the order of the toolkits' edge enumerations).
enum class TWindowEdge : std::uint8_t { NorthWest, North, NorthEast, West, East, SouthWest, South, SouthEast };

// The edge for a sizing hit code; nothing for other codes.
std::optional<TWindowEdge> EdgeOfHit(int hit) noexcept;

// A pointer event in the window's coordinates (the frame's, non-client area included).
struct TWindowPointer {
  TPoint pos;
  TPoint screen;
  TMouseButton button = TMouseButton::mbLeft;
  // Ctrl, Shift, Alt and the buttons held.
  TShiftState shift = 0;
  // The event's time stamp, for the window manager's drags.
  std::uint32_t time = 0;
};

// The items of the system menu: which are enabled, which is the default.
struct TSystemMenuState {
  bool restore = false;
  bool move = false;
  bool size = false;
  bool minimize = false;
  bool maximize = false;
  bool close = true;
  TWindowCommand defaultItem = TWindowCommand::Maximize;

  friend bool operator==(const TSystemMenuState&, const TSystemMenuState&) = default;
};

// The system menu's own commands besides the window commands.
enum class TSystemMenuChoice : std::uint8_t { Command, Move, Size };
struct TSystemMenuAnswer {
  TSystemMenuChoice choice = TSystemMenuChoice::Command;
  TWindowCommand command = TWindowCommand::Close;
};

// An off-screen picture: painted through its canvas, then copied onto a window's canvas.
class ISkinSurface {
 public:
  virtual ~ISkinSurface() = default;
  virtual ICanvas& Canvas() = 0;
  virtual TSize Size() const = 0;
  // Copies the whole picture with its top-left corner at `at`.
  virtual void CopyTo(ICanvas& target, TPoint at) = 0;
};

// What a skin asks of the window it is on. Coordinates are the window's
// (its frame's top-left is 0,0) unless named screen coordinates.
class IWindowHost {
 public:
  virtual ~IWindowHost() = default;

  // The control's window exists.
  virtual bool HasWindow() const = 0;
  // The skin lets go: from now on no event reaches it. The host may be
  // destroyed later (it may be inside one of its own deliveries now).
  virtual void Detach() = 0;
  // Recomputes the non-client margins: the host asks the skin (FrameResized)
  // with the frame's size and keeps the client rectangle it answers.
  virtual void RecalcFrame() = 0;
  // Repaints the non-client area (the whole frame less the client rectangle).
  virtual void InvalidateFrame() = 0;

  // The window manager's move or sizing drag from a press.
  virtual void BeginMove(const TWindowPointer& press) = 0;
  virtual void BeginResize(TWindowEdge edge, const TWindowPointer& press) = 0;
  virtual void Execute(TWindowCommand command) = 0;
  virtual bool IsMaximized() const = 0;
  virtual bool IsMinimized() const = 0;
  // The window manager gives a maximised window its rectangle: asking for
  // another would at best be turned down. Base: false.
  virtual bool WindowManagerPlacesMaximized() const { return false; }

  // One of the skins' cursor numbers (crDefault 0, crHandPoint -21...).
  virtual void SetCursor(int cursor) = 0;
  // Shows the system menu at a screen point and waits for it to close;
  // nothing when it was cancelled.
  virtual std::optional<TSystemMenuAnswer> ShowSystemMenu(TPoint screen, const TSystemMenuState& state) = 0;

  virtual void BringToFront() = 0;
  virtual TPoint WindowToScreen(TPoint window) const = 0;
  virtual TPoint ScreenToWindow(TPoint screen) const = 0;
  // The work area of the monitor the window is on, in screen coordinates.
  virtual TRect WorkArea() const = 0;

  // An off-screen picture of `size` for painting parts of the frame.
  virtual std::unique_ptr<ISkinSurface> CreateSurface(TSize size) = 0;
  // A text's size on one line in `font`: measured on a small off-screen
  // picture, or 7 pixels a character and 13 high without one.
  virtual TSize TextExtent(std::string_view utf8, const platform::TFont& font);
};

// The events a window host delivers to its skin. Each answers what the
// window does next; a disabled skin answers the pass-through values.
class IWindowHostClient {
 public:
  virtual ~IWindowHostClient() = default;

  // The frame is `frame` large: answers the client rectangle in it.
  virtual TRect FrameResized(TSize frame) = 0;
  // Paints the non-client area onto `canvas` (window coordinates).
  virtual void PaintFrame(ICanvas& canvas) = 0;
  // True when the window is to paint no background of its own under the client.
  virtual bool EraseBackgroundHandled() = 0;
  // The hit code at a window point.
  virtual int HitTest(TPoint pos) = 0;
  virtual void PointerPress(const TWindowPointer& pointer) = 0;
  virtual void PointerRelease(const TWindowPointer& pointer) = 0;
  virtual void PointerDoubleClick(const TWindowPointer& pointer) = 0;
  virtual void PointerMotion(const TWindowPointer& pointer) = 0;
  // The pointer left the non-client area.
  virtual void PointerLeave() = 0;
  // The pointer entered or left the whole control (moves into its children do not count).
  virtual void ControlEnter() = 0;
  virtual void ControlLeave() = 0;
  // True when the skin set the cursor for the last hit code.
  virtual bool SetCursorFor(int hit) = 0;
  // A key that may be a dialog key (a window button's); true when used.
  virtual bool DialogKey(int key, TShiftState shift) = 0;
  // The window system's own events: activation, shown or hidden, text, enabled.
  virtual void Activated(bool active) = 0;
  virtual void ShowChanged(bool shown) = 0;
  virtual void TextChanged() = 0;
  virtual void EnabledChanged() = 0;
  // The window was maximised, minimised or restored by any means.
  virtual void WindowStateChanged() = 0;
};

// Makes the host of a skinned control's window.
class IWindowHostFactory {
 public:
  virtual ~IWindowHostFactory() = default;
  virtual std::unique_ptr<IWindowHost> CreateHost(platform::TWinControl& control, IWindowHostClient& client) = 0;
};

// The factory skins use: a headless one (windows exist when the control has a
// window; nothing is shown, menus are cancelled) until a scope installs another.
IWindowHostFactory& CurrentWindowHostFactory();

// Installs `factory` for the life of the object; nests like the other scopes.
class ScopedWindowHostFactory {
 public:
  explicit ScopedWindowHostFactory(IWindowHostFactory& factory) noexcept;
  ScopedWindowHostFactory(const ScopedWindowHostFactory&) = delete;
  ScopedWindowHostFactory& operator=(const ScopedWindowHostFactory&) = delete;
  ~ScopedWindowHostFactory();

 private:
  IWindowHostFactory* m_previous;
};

}  // namespace halbrin::skins
