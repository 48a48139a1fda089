#pragma once

// The window host of skinned controls with GTK windows: the skin's
// non-client area is the control's HalbrinFrame margins, its paint and
// pointer input come from the frame's "paint-frame" and "frame-event"
// signals, and window-manager requests go to the control's GtkWindow.

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/classes/object.h"
#include "platform/controls/win_control.h"
#include "platform/ui/gtk_control_backend.h"
#include "skins/core/window_host.h"

namespace halbrin::skins {

// One skin's attachment to one control. It finds the control's widgets
// through the GtkControlBackend that made its window, and binds again when
// the window is made anew (a new parent). Attachments to the same control
// stack: each keeps its own signal handler ids and removes only those.
//
// Top-levels move and size through the window manager
// (gtk_window_begin_move_drag / begin_resize_drag); a move by a held button
// is handed to the window manager once the pointer passes the drag
// threshold, so the presses of a double click stay ours. A system move
// ends at the next button release or after 200 ms without a configure event. Child
// panes move and size with a drag of our own under a pointer grab.
// ContextHelp shows the "help" cursor until the next click, which is taken
// and does nothing else; Check, NextChild and PreviousChild do nothing.
// Child panes have maximised and minimised flags of their own (no window
// manager reports them).
class TGtkWindowHost final : public IWindowHost {
 public:
  TGtkWindowHost(platform::TWinControl& control, IWindowHostClient& client);
  ~TGtkWindowHost() override;
  TGtkWindowHost(const TGtkWindowHost&) = delete;
  TGtkWindowHost& operator=(const TGtkWindowHost&) = delete;

  bool HasWindow() const override;
  void Detach() override;
  void RecalcFrame() override;
  void InvalidateFrame() override;
  void BeginMove(const TWindowPointer& press) override;
  void BeginResize(TWindowEdge edge, const TWindowPointer& press) override;
  void Execute(TWindowCommand command) override;
  bool IsMaximized() const override;
  bool IsMinimized() const override;
  // True for top-levels.
  bool WindowManagerPlacesMaximized() const override;
  void SetCursor(int cursor) override;
  std::optional<TSystemMenuAnswer> ShowSystemMenu(TPoint screen, const TSystemMenuState& state) override;
  void BringToFront() override;
  TPoint WindowToScreen(TPoint window) const override;
  TPoint ScreenToWindow(TPoint screen) const override;
  TRect WorkArea() const override;
  std::unique_ptr<ISkinSurface> CreateSurface(TSize size) override;

  // A move or sizing drag (the window manager's or our own) is running.
  // A press that will move the window once the pointer goes far enough counts.
  bool Dragging() const noexcept { return m_systemMove != 0 || m_drag != nullptr || m_pendingMove.has_value(); }
  // The context-help mode is on.
  bool HelpMode() const noexcept { return m_helpMode; }
  // The frame widget it is bound to; null before the window exists.
  HalbrinFrame* Frame() const noexcept { return m_frame ? HALBRIN_FRAME(m_frame.Get()) : nullptr; }
  // The name of the cursor last set on the frame; null for the default.
  const char* CursorName() const noexcept { return m_cursorName; }

  // The cursor name for a hit code when the skin sets none: the sizing
  // cursors for the sizing codes, null (the default) for the rest.
  static const char* HitCursorName(int hit) noexcept;
  // The cursor name for a cursor number: the skins' own, then the standard
  // ones (-22 size-all is "move"); null for crDefault and unknown numbers.
  static const char* CursorNameOf(int cursor) noexcept;

 private:
  struct Drag;
  struct Signals;
  friend struct Signals;

  platform::GtkControlBackend* Backend() const;
  // Connects to the control's current widgets when they are not those bound.
  bool Bind();
  void Unbind();
  void Connect(gpointer instance, const char* signal, GCallback callback);
  GtkWindow* TopLevel() const;
  GdkWindow* FrameWindow() const;
  // The frame's size: its allocation, or the control's size before one.
  TSize FrameSize() const;
  void ApplyFrame(TSize size);
  void ApplyGeometryHints();
  void SetCursorName(const char* name);
  void DeliverEvent(const HalbrinFrameEvent& event);
  void StartDrag(std::optional<TWindowEdge> edge, const TWindowPointer& press);
  void DragTo(double xRoot, double yRoot);
  void EndDrag();
  void StartSystemMove();
  // Hands a pending move to the window manager when the pointer has gone far enough.
  void PendingMoveTo(const TWindowPointer& pointer);
  void EndSystemMove();
  void EnterHelpMode();
  void LeaveHelpMode();
  bool GrabPointer(const char* cursorName);
  void UngrabPointer();

  platform::TWeakRef<platform::TWinControl> m_control;
  IWindowHostClient* m_client;
  platform::ControlWindow m_window = platform::kNoWindow;
  platform::GObjectPtr<GtkWidget> m_frame;
  platform::GObjectPtr<GtkWidget> m_toplevel;
  std::vector<std::pair<gpointer, gulong>> m_handlers;
  std::optional<TSize> m_lastSize;
  const char* m_cursorName = nullptr;
  std::unique_ptr<Drag> m_drag;  // child panes' own move or sizing drag
  guint m_systemMove = 0;         // the 200 ms timer of a window-manager move
  std::optional<TWindowPointer> m_pendingMove;  // the press of a move not handed over yet
  bool m_helpMode = false;
  bool m_grabbed = false;
  bool m_childMaximized = false;
  bool m_childMinimized = false;
  // The menu loop running in ShowSystemMenu, quit when the host goes.
  GMainLoop* m_menuLoop = nullptr;
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

class TGtkWindowHostFactory final : public IWindowHostFactory {
 public:
  std::unique_ptr<IWindowHost> CreateHost(platform::TWinControl& control, IWindowHostClient& client) override;
};

// Installs a TGtkWindowHostFactory for the life of the object; the program
// holds one while a display is open.
class GtkWindowHostFactoryScope {
 public:
  GtkWindowHostFactoryScope() : m_scope(m_factory) {}
  GtkWindowHostFactoryScope(const GtkWindowHostFactoryScope&) = delete;
  GtkWindowHostFactoryScope& operator=(const GtkWindowHostFactoryScope&) = delete;

 private:
  TGtkWindowHostFactory m_factory;
  ScopedWindowHostFactory m_scope;
};

}  // namespace halbrin::skins
