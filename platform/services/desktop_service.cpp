#include "platform/services/desktop_service.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>

namespace halbrin::platform {

// ------------------------------------------------------------ subscriptions

struct TDesktopSubscription::Listeners {
  std::uint64_t nextId = 1;
  std::vector<std::pair<std::uint64_t, std::function<void(TDesktopChange)>>> entries;
};

TDesktopSubscription& TDesktopSubscription::operator=(TDesktopSubscription&& other) noexcept {
  if (this != &other) {
    Reset();
    m_listeners = std::move(other.m_listeners);
    m_id = other.m_id;
    other.m_id = 0;
  }
  return *this;
}

TDesktopSubscription::~TDesktopSubscription() { Reset(); }

void TDesktopSubscription::Reset() {
  if (auto listeners = m_listeners.lock())
    std::erase_if(listeners->entries, [this](const auto& entry) { return entry.first == m_id; });
  m_listeners.reset();
  m_id = 0;
}

IDesktopService::IDesktopService() : m_listeners(std::make_shared<TDesktopSubscription::Listeners>()) {}

IDesktopService::~IDesktopService() = default;

TDesktopSubscription IDesktopService::Subscribe(std::function<void(TDesktopChange)> listener) {
  const std::uint64_t id = m_listeners->nextId++;
  m_listeners->entries.emplace_back(id, std::move(listener));
  return TDesktopSubscription(m_listeners, id);
}

void IDesktopService::Notify(TDesktopChange change) {
  // Keep the list alive and walk the ids known now: a listener may drop itself
  // or others, and one added meanwhile hears only later changes.
  const std::shared_ptr<TDesktopSubscription::Listeners> listeners = m_listeners;
  std::vector<std::uint64_t> ids;
  for (const auto& entry : listeners->entries) ids.push_back(entry.first);
  for (const std::uint64_t id : ids) {
    const auto found = std::find_if(listeners->entries.begin(), listeners->entries.end(),
                                    [id](const auto& entry) { return entry.first == id; });
    if (found == listeners->entries.end()) continue;
    const std::function<void(TDesktopChange)> listener = found->second;
    listener(change);
  }
}

// ---------------------------------------------------------------- helpers

TFontSpec DerivedElementFont(const TFontSpec& desktopFont, TDesktopFont element) {
  TFontSpec font = desktopFont;
  if (element == TDesktopFont::Caption || element == TDesktopFont::SmallCaption) font.style |= fsBold;
  return font;
}

std::size_t NearestMonitor(std::span<const TRect> monitors, const TRect& rect) {
  std::size_t best = 0;
  std::int64_t bestArea = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const TRect common = IntersectRect(monitors[i], rect);
    const std::int64_t area = static_cast<std::int64_t>(common.Width()) * common.Height();
    if (area > bestArea) {
      best = i;
      bestArea = area;
    }
  }
  if (bestArea > 0) return best;
  // No overlap: the monitor with the smallest gap to the rectangle.
  std::int64_t bestGap = std::numeric_limits<std::int64_t>::max();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const TRect& m = monitors[i];
    // An empty rectangle counts as its top-left point.
    const std::int64_t dx = std::max<std::int64_t>(
        {0, std::int64_t{m.Left} - rect.Right, std::int64_t{rect.Left} - (std::int64_t{m.Right} - 1)});
    const std::int64_t dy = std::max<std::int64_t>(
        {0, std::int64_t{m.Top} - rect.Bottom, std::int64_t{rect.Top} - (std::int64_t{m.Bottom} - 1)});
    const std::int64_t gap = dx * dx + dy * dy;
    if (gap < bestGap) {
      best = i;
      bestGap = gap;
    }
  }
  return best;
}

// --------------------------------------------------------------- headless

namespace {

// A light theme. Button face, caption text, active caption, window and
// window text are the colours the application colour is derived from.
constexpr std::array<TColor, kSystemColorCount> kHeadlessColors{
    RGBColor(206, 206, 206),  // 0 scroll bar
    RGBColor(58, 110, 165),   // 1 desktop background
    0xEFEBE9,                 // 2 active caption
    RGBColor(246, 245, 244),  // 3 inactive caption
    RGBColor(255, 255, 255),  // 4 menu
    0xFFFFFF,                 // 5 window
    RGBColor(100, 100, 100),  // 6 window frame
    RGBColor(46, 52, 54),     // 7 menu text
    0x000000,                 // 8 window text
    0x2E3436,                 // 9 caption text
    RGBColor(205, 199, 194),  // 10 active border
    RGBColor(213, 208, 204),  // 11 inactive border
    RGBColor(171, 171, 171),  // 12 application workspace
    RGBColor(53, 132, 228),   // 13 highlight
    RGBColor(255, 255, 255),  // 14 highlight text
    0xEFEBE9,                 // 15 button face
    RGBColor(154, 153, 150),  // 16 button shadow
    RGBColor(146, 149, 149),  // 17 gray text
    RGBColor(46, 52, 54),     // 18 button text
    RGBColor(146, 149, 149),  // 19 inactive caption text
    RGBColor(255, 255, 255),  // 20 button highlight
    RGBColor(94, 92, 100),    // 21 3D dark shadow
    RGBColor(246, 245, 244),  // 22 3D light
    RGBColor(0, 0, 0),        // 23 info text
    RGBColor(255, 255, 225),  // 24 info background
    0x000000,                 // 25 (no colour of its own)
    RGBColor(27, 106, 203),   // 26 hot light
    0xEFEBE9,                 // 27 gradient of the active caption
    RGBColor(246, 245, 244),  // 28 gradient of the inactive caption
    RGBColor(53, 132, 228),   // 29 menu highlight
    RGBColor(246, 245, 244),  // 30 menu bar
};

}  // namespace

TColor HeadlessDesktopService::DefaultSystemColor(int index) noexcept {
  if (index < 0 || index >= kSystemColorCount) return 0;
  return kHeadlessColors[static_cast<std::size_t>(index)];
}

TColor HeadlessDesktopService::SystemColor(int index) const { return DefaultSystemColor(index); }

TFontSpec HeadlessDesktopService::ElementFont(TDesktopFont element) const {
  return DerivedElementFont(TFontSpec{"Sans", 9, 0}, element);
}

// ----------------------------------------------------------- installation

namespace {

std::atomic<IDesktopService*>& InstalledService() {
  static std::atomic<IDesktopService*> service{nullptr};
  return service;
}

IDesktopService& DefaultService() {
  static HeadlessDesktopService service;
  return service;
}

}  // namespace

IDesktopService& CurrentDesktopService() {
  IDesktopService* service = InstalledService().load();
  return service ? *service : DefaultService();
}

ScopedDesktopService::ScopedDesktopService(IDesktopService& service) noexcept
    : m_previous(InstalledService().exchange(&service)) {}

ScopedDesktopService::~ScopedDesktopService() { InstalledService().store(m_previous); }

TPoint GetCursorPoint() { return CurrentDesktopService().CursorPos().value_or(TPoint{-1, -1}); }

bool TryGetCursorPos(TPoint& point) {
  const std::optional<TPoint> position = CurrentDesktopService().CursorPos();
  if (!position) return false;
  point = *position;
  return true;
}

TColor ColorToRGB(TColor color) {
  if (!IsSystemColor(color)) return color;
  return CurrentDesktopService().SystemColor(SystemColorIndex(color));
}

}  // namespace halbrin::platform
