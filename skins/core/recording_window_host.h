#pragma once

// A window host for tests: it writes every request as one line of a log its
// factory keeps (the log outlives the hosts), answers from values the test
// sets, and draws off-screen pictures on recording canvases.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes/object.h"
#include "platform/graphics/recording_canvas.h"
#include "skins/core/window_host.h"

namespace halbrin::skins {

class TRecordingWindowHostFactory;

class TRecordingWindowHost final : public IWindowHost {
 public:
  TRecordingWindowHost(TRecordingWindowHostFactory& factory, platform::TWinControl& control, IWindowHostClient& client);
  ~TRecordingWindowHost() override;

  // The skin the host delivers to; null once detached.
  IWindowHostClient* Client() const noexcept { return m_client; }
  platform::TWinControl* Control() const { return m_control.Get(); }

  // What the window answers.
  bool maximized = false;
  bool minimized = false;
  // A window manager that places maximised windows itself and tells of
  // state changes later: Execute only writes the command down.
  bool windowManagerPlaces = false;
  // The frame's top-left corner on the screen.
  TPoint screenOrigin;
  TRect workArea{0, 0, 1920, 1080};
  // The system menu's answer; nothing is a cancelled menu.
  std::optional<TSystemMenuAnswer> menuAnswer;
  // The state the last system menu showed.
  std::optional<TSystemMenuState> lastMenu;
  // The client rectangle of the last RecalcFrame.
  TRect clientRect;
  // The canvases of the off-screen pictures made so far, in order.
  std::vector<std::shared_ptr<platform::TRecordingCanvas>> surfaces;

  bool HasWindow() const override;
  void Detach() override;
  // Asks the skin for the frame at the control's size and gives the control its margins.
  void RecalcFrame() override;
  void InvalidateFrame() override;
  void BeginMove(const TWindowPointer& press) override;
  void BeginResize(TWindowEdge edge, const TWindowPointer& press) override;
  // Logged; Maximize, Minimize and Restore also change the state answered.
  void Execute(TWindowCommand command) override;
  bool IsMaximized() const override { return maximized; }
  bool WindowManagerPlacesMaximized() const override { return windowManagerPlaces; }
  bool IsMinimized() const override { return minimized; }
  void SetCursor(int cursor) override;
  std::optional<TSystemMenuAnswer> ShowSystemMenu(TPoint screen, const TSystemMenuState& state) override;
  void BringToFront() override;
  TPoint WindowToScreen(TPoint window) const override;
  TPoint ScreenToWindow(TPoint screen) const override;
  TRect WorkArea() const override { return workArea; }
  std::unique_ptr<ISkinSurface> CreateSurface(TSize size) override;
  // `charWidth` per character and `lineHeight` high, as the recording canvas measures; not logged.
  TSize TextExtent(std::string_view utf8, const platform::TFont& font) override;
  int charWidth = 7;
  int lineHeight = 13;

  static std::string CommandName(TWindowCommand command);

 private:
  void Log(std::string line);

  TRecordingWindowHostFactory& m_factory;
  platform::TWeakRef<platform::TWinControl> m_control;
  IWindowHostClient* m_client;
};

class TRecordingWindowHostFactory final : public IWindowHostFactory {
 public:
  std::unique_ptr<IWindowHost> CreateHost(platform::TWinControl& control, IWindowHostClient& client) override;

  // The live host of `control`, or null.
  TRecordingWindowHost* HostOf(const platform::TWinControl& control) const;
  // "Created", "Detached", "Destroyed", then each request: "RecalcFrame 0,18,200,150",
  // "InvalidateFrame", "BeginMove 10,5", "BeginResize SouthEast", "Execute Maximize",
  // "SetCursor -21", "SystemMenu 110,20", "BringToFront".
  std::vector<std::string> log;
  // Where the hosts are placed on the screen: the n-th host made gets n * spacing.
  TPoint spacing{1000, 0};

 private:
  friend class TRecordingWindowHost;
  std::vector<TRecordingWindowHost*> m_hosts;
  int m_made = 0;
};

}  // namespace halbrin::skins
