#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/classes/object.h"
#include "platform/controls/control_backend.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// A backend that shows nothing and writes each call as one line, naming the
// window by its control's Name ("#<window>" for an unnamed one):
//   CreateWindow(Form1 parent=-)
//   SetBounds(Panel1 0,0,100,50)
//   SetTraits(Form1 caption,border,sizable)
// It also keeps what a window system would know: which windows live, their
// parents and the stacking of each parent's children (bottom first).
class TRecordingControlBackend final : public IControlBackend {
 public:
  const std::vector<std::string>& Calls() const noexcept { return m_calls; }
  void ClearCalls() { m_calls.clear(); }

  bool IsAlive(ControlWindow window) const { return m_windows.count(window) != 0; }
  std::size_t WindowCount() const noexcept { return m_windows.size(); }
  // The control a live window was made for; nullptr once it has gone.
  TWinControl* ControlOf(ControlWindow window) const;
  ControlWindow ParentOf(ControlWindow window) const;
  bool IsVisible(ControlWindow window) const;
  // The children of `parent` from the bottom to the top; kNoWindow lists the top-levels.
  std::vector<ControlWindow> Stacking(ControlWindow parent) const;

  ControlWindow CreateWindow(TWinControl& control, ControlWindow parent) override;
  void DestroyWindow(ControlWindow window) override;
  void SetBounds(ControlWindow window, const TRect& bounds) override;
  void SetVisible(ControlWindow window, bool visible) override;
  void SetEnabled(ControlWindow window, bool enabled) override;
  void SetText(ControlWindow window, const std::string& text) override;
  void SetTraits(ControlWindow window, const TWindowTraits& traits) override;
  void SetNonClientMargins(ControlWindow window, const TRect& margins) override;
  void SetContentWidget(ControlWindow window, NativeWidget widget) override;
  void BringToFront(ControlWindow window) override;
  void SendToBack(ControlWindow window) override;
  void SetFocus(ControlWindow window) override;
  void Invalidate(ControlWindow window) override;
  void InvalidateRect(ControlWindow window, const TRect& rect) override;
  void SetWindowState(ControlWindow window, TWindowState state) override;
  void SetStayOnTop(ControlWindow window, bool stayOnTop) override;
  void SetNeverActivate(ControlWindow window, bool neverActivate) override;
  void SetTransientFor(ControlWindow window, ControlWindow owner) override;
  void SetOpacity(ControlWindow window, std::uint8_t alpha) override;
  // Logged as "SetIcon(Form1 16x16)" or "SetIcon(Form1 none)".
  void SetIcon(ControlWindow window, const TArgbImage* icon) override;
  void SetModal(ControlWindow window, bool modal) override;
  void SetDropShadow(ControlWindow window, bool dropShadow) override;
  void SetWithdrawn(ControlWindow window, bool withdrawn) override;
  // Also restacks the window on top of its siblings.
  void RaiseWithoutActivating(ControlWindow window) override;
  void Present(ControlWindow window) override;
  // 0x1000 plus the window number for a live window; 0 otherwise.
  std::uint64_t NativeWindowId(ControlWindow window) const override;

  static std::string TraitsText(const TWindowTraits& traits);

 private:
  struct Window {
    TWeakRef<TWinControl> control;
    std::string name;
    ControlWindow parent = kNoWindow;
    bool visible = false;
  };

  std::string NameOf(ControlWindow window) const;
  void Log(const std::string& call, ControlWindow window, const std::string& arguments = {});
  void Restack(ControlWindow window, bool toFront);

  std::vector<std::string> m_calls;
  std::map<ControlWindow, Window> m_windows;
  std::map<ControlWindow, std::vector<ControlWindow>> m_stacking;
  ControlWindow m_next = 1;
};

}  // namespace halbrin::platform
