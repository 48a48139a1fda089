#include "skins/core/recording_window_host.h"

#include <algorithm>
#include <utility>

#include "platform/controls/win_control.h"
#include "skins/core/skin_geometry.h"

namespace halbrin::skins {

namespace {

std::string PointText(TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

const char* EdgeName(TWindowEdge edge) {
  switch (edge) {
    case TWindowEdge::NorthWest: return "NorthWest";
    case TWindowEdge::North: return "North";
    case TWindowEdge::NorthEast: return "NorthEast";
    case TWindowEdge::West: return "West";
    case TWindowEdge::East: return "East";
    case TWindowEdge::SouthWest: return "SouthWest";
    case TWindowEdge::South: return "South";
    case TWindowEdge::SouthEast: return "SouthEast";
  }
  return "?";
}

class RecordingSurface final : public ISkinSurface {
 public:
  RecordingSurface(std::shared_ptr<platform::TRecordingCanvas> canvas, TSize size, std::vector<std::string>& log)
      : m_canvas(std::move(canvas)), m_size(size), m_log(log) {}
  platform::ICanvas& Canvas() override { return *m_canvas; }
  TSize Size() const override { return m_size; }
  void CopyTo(platform::ICanvas&, TPoint at) override {
    m_log.push_back("CopySurface " + PointText(at) + " " + std::to_string(m_size.cx) + "x" + std::to_string(m_size.cy));
  }

 private:
  std::shared_ptr<platform::TRecordingCanvas> m_canvas;
  TSize m_size;
  std::vector<std::string>& m_log;
};

}  // namespace

TRecordingWindowHost::TRecordingWindowHost(TRecordingWindowHostFactory& factory, platform::TWinControl& control,
                                           IWindowHostClient& client)
    : m_factory(factory), m_control(&control), m_client(&client) {
  screenOrigin = TPoint{factory.spacing.X * factory.m_made, factory.spacing.Y * factory.m_made};
  ++factory.m_made;
  factory.m_hosts.push_back(this);
  Log("Created");
}

TRecordingWindowHost::~TRecordingWindowHost() {
  std::erase(m_factory.m_hosts, this);
  Log("Destroyed");
}

void TRecordingWindowHost::Log(std::string line) { m_factory.log.push_back(std::move(line)); }

std::string TRecordingWindowHost::CommandName(TWindowCommand command) {
  switch (command) {
    case TWindowCommand::Close: return "Close";
    case TWindowCommand::Maximize: return "Maximize";
    case TWindowCommand::Restore: return "Restore";
    case TWindowCommand::Minimize: return "Minimize";
    case TWindowCommand::ContextHelp: return "ContextHelp";
    case TWindowCommand::NextChild: return "NextChild";
    case TWindowCommand::PreviousChild: return "PreviousChild";
    case TWindowCommand::Check: return "Check";
  }
  return "?";
}

bool TRecordingWindowHost::HasWindow() const {
  const platform::TWinControl* control = m_control.Get();
  return control && control->HandleAllocated();
}

void TRecordingWindowHost::Detach() {
  m_client = nullptr;
  Log("Detached");
}

void TRecordingWindowHost::RecalcFrame() {
  platform::TWinControl* control = m_control.Get();
  if (!m_client || !control) return;
  clientRect = m_client->FrameResized(TSize{control->Width(), control->Height()});
  Log("RecalcFrame " + platform::TRecordingCanvas::RectText(clientRect));
  control->SetNonClientMargins(TRect{clientRect.Left, clientRect.Top, control->Width() - clientRect.Right,
                                     control->Height() - clientRect.Bottom});
}

void TRecordingWindowHost::InvalidateFrame() { Log("InvalidateFrame"); }
void TRecordingWindowHost::BeginMove(const TWindowPointer& press) { Log("BeginMove " + PointText(press.screen)); }
void TRecordingWindowHost::BeginResize(TWindowEdge edge, const TWindowPointer&) {
  Log(std::string("BeginResize ") + EdgeName(edge));
}

void TRecordingWindowHost::Execute(TWindowCommand command) {
  Log("Execute " + CommandName(command));
  if (windowManagerPlaces) return;
  switch (command) {
    case TWindowCommand::Maximize: maximized = true, minimized = false; break;
    case TWindowCommand::Minimize: minimized = true; break;
    case TWindowCommand::Restore: maximized = minimized = false; break;
    default: break;
  }
}

void TRecordingWindowHost::SetCursor(int cursor) { Log("SetCursor " + std::to_string(cursor)); }

std::optional<TSystemMenuAnswer> TRecordingWindowHost::ShowSystemMenu(TPoint screen, const TSystemMenuState& state) {
  Log("SystemMenu " + PointText(screen));
  lastMenu = state;
  return menuAnswer;
}

void TRecordingWindowHost::BringToFront() { Log("BringToFront"); }

TPoint TRecordingWindowHost::WindowToScreen(TPoint window) const {
  return TPoint{window.X + screenOrigin.X, window.Y + screenOrigin.Y};
}

TPoint TRecordingWindowHost::ScreenToWindow(TPoint screen) const {
  return TPoint{screen.X - screenOrigin.X, screen.Y - screenOrigin.Y};
}

TSize TRecordingWindowHost::TextExtent(std::string_view utf8, const platform::TFont&) {
  const TSize estimate = EstimateTextExtent(utf8);
  return {estimate.cx / 7 * charWidth, lineHeight};
}

std::unique_ptr<ISkinSurface> TRecordingWindowHost::CreateSurface(TSize size) {
  auto canvas = std::make_shared<platform::TRecordingCanvas>();
  surfaces.push_back(canvas);
  return std::make_unique<RecordingSurface>(canvas, size, m_factory.log);
}

std::unique_ptr<IWindowHost> TRecordingWindowHostFactory::CreateHost(platform::TWinControl& control,
                                                                     IWindowHostClient& client) {
  return std::make_unique<TRecordingWindowHost>(*this, control, client);
}

TRecordingWindowHost* TRecordingWindowHostFactory::HostOf(const platform::TWinControl& control) const {
  for (TRecordingWindowHost* host : m_hosts)
    if (host->Control() == &control && host->Client()) return host;
  return nullptr;
}

}  // namespace halbrin::skins
