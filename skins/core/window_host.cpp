#include "skins/core/window_host.h"

#include <atomic>

#include "platform/controls/win_control.h"
#include "skins/core/skin_geometry.h"

namespace halbrin::skins {

std::optional<TWindowEdge> EdgeOfHit(int hit) noexcept {
  switch (hit) {
    case kHitLeft: return TWindowEdge::West;
    case kHitRight: return TWindowEdge::East;
    case kHitTop: return TWindowEdge::North;
    case kHitTopLeft: return TWindowEdge::NorthWest;
    case kHitTopRight: return TWindowEdge::NorthEast;
    case kHitBottom: return TWindowEdge::South;
    case kHitBottomLeft: return TWindowEdge::SouthWest;
    case kHitBottomRight: return TWindowEdge::SouthEast;
    default: return std::nullopt;
  }
}

TSize IWindowHost::TextExtent(std::string_view utf8, const platform::TFont& font) {
  if (std::unique_ptr<ISkinSurface> surface = CreateSurface(TSize{1, 1})) return surface->Canvas().TextExtent(utf8, font);
  return EstimateTextExtent(utf8);
}

namespace {

// A window that shows nothing: it exists when the control has a window,
// takes the margins the skin answers, and cancels every menu.
class HeadlessWindowHost final : public IWindowHost {
 public:
  HeadlessWindowHost(platform::TWinControl& control, IWindowHostClient& client) : m_control(&control), m_client(&client) {}

  bool HasWindow() const override { return m_control.Get() && m_control->HandleAllocated(); }
  void Detach() override { m_client = nullptr; }
  void RecalcFrame() override {
    platform::TWinControl* control = m_control.Get();
    if (!m_client || !control) return;
    const TRect client = m_client->FrameResized(TSize{control->Width(), control->Height()});
    control->SetNonClientMargins(
        TRect{client.Left, client.Top, control->Width() - client.Right, control->Height() - client.Bottom});
  }
  void InvalidateFrame() override {}
  void BeginMove(const TWindowPointer&) override {}
  void BeginResize(TWindowEdge, const TWindowPointer&) override {}
  void Execute(TWindowCommand) override {}
  bool IsMaximized() const override { return false; }
  bool IsMinimized() const override { return false; }
  void SetCursor(int) override {}
  std::optional<TSystemMenuAnswer> ShowSystemMenu(TPoint, const TSystemMenuState&) override { return std::nullopt; }
  void BringToFront() override {}
  TPoint WindowToScreen(TPoint window) const override { return window; }
  TPoint ScreenToWindow(TPoint screen) const override { return screen; }
  TRect WorkArea() const override { return TRect{}; }
  std::unique_ptr<ISkinSurface> CreateSurface(TSize) override { return nullptr; }

 private:
  platform::TWeakRef<platform::TWinControl> m_control;
  IWindowHostClient* m_client;
};

class HeadlessWindowHostFactory final : public IWindowHostFactory {
 public:
  std::unique_ptr<IWindowHost> CreateHost(platform::TWinControl& control, IWindowHostClient& client) override {
    return std::make_unique<HeadlessWindowHost>(control, client);
  }
};

std::atomic<IWindowHostFactory*>& InstalledFactory() {
  static std::atomic<IWindowHostFactory*> factory{nullptr};
  return factory;
}

}  // namespace

IWindowHostFactory& CurrentWindowHostFactory() {
  static HeadlessWindowHostFactory headless;
  IWindowHostFactory* factory = InstalledFactory().load();
  return factory ? *factory : headless;
}

ScopedWindowHostFactory::ScopedWindowHostFactory(IWindowHostFactory& factory) noexcept
    : m_previous(InstalledFactory().exchange(&factory)) {}

ScopedWindowHostFactory::~ScopedWindowHostFactory() { InstalledFactory().store(m_previous); }

}  // namespace halbrin::skins
