#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"

namespace halbrin::platform {

// System colour indexes, numbered as the platform's COLOR_ constants.
enum TSystemColorIndex : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
};

// The fonts of the window elements.
enum class TDesktopFont { Caption, SmallCaption, Status, Menu };

// Sizes of window parts in pixels.
struct TDesktopMetrics {
  int captionHeight = 18;
  int smallCaptionHeight = 15;
  int frameWidth = 4;
  int edge = 2;
  int dialogFrame = 3;
  int scrollWidth = 16;

  friend bool operator==(const TDesktopMetrics&, const TDesktopMetrics&) = default;
};

enum class TDesktopChange { Colors, Fonts, Metrics, Monitors };

// A registration for desktop changes; dropping it ends the registration. It may
// outlive the service it came from.
class TDesktopSubscription {
 public:
  TDesktopSubscription() = default;
  TDesktopSubscription(TDesktopSubscription&&) noexcept = default;
  TDesktopSubscription& operator=(TDesktopSubscription&& other) noexcept;
  TDesktopSubscription(const TDesktopSubscription&) = delete;
  TDesktopSubscription& operator=(const TDesktopSubscription&) = delete;
  ~TDesktopSubscription();

  void Reset();

 private:
  friend class IDesktopService;
  struct Listeners;
  TDesktopSubscription(std::weak_ptr<Listeners> listeners, std::uint64_t id) noexcept
      : m_listeners(std::move(listeners)), m_id(id) {}

  std::weak_ptr<Listeners> m_listeners;
  std::uint64_t m_id = 0;
};

// What the run-time asks of the desktop: colours, fonts, metrics, the pointer
// and the monitors. The core reaches the desktop only through this interface:
// the GTK layer implements it, tests replace it.
class IDesktopService {
 public:
  IDesktopService();
  virtual ~IDesktopService();
  IDesktopService(const IDesktopService&) = delete;
  IDesktopService& operator=(const IDesktopService&) = delete;

  // The plain colour of system colour `index` (0..30); 0 outside that range.
  virtual TColor SystemColor(int index) const = 0;
  virtual TFontSpec ElementFont(TDesktopFont element) const = 0;
  // The installed font families, sorted; empty when not known.
  virtual std::vector<std::string> FontFamilies() const = 0;
  virtual TDesktopMetrics Metrics() const = 0;
  // The caret's half blink period in milliseconds; 0 when the caret does not blink.
  virtual int CaretBlinkTime() const = 0;
  // The pointer in screen coordinates, nothing when not known.
  virtual std::optional<TPoint> CursorPos() const = 0;
  // The work area of the monitor nearest `rect`.
  virtual TRect WorkArea(const TRect& rect) const = 0;
  // The left mouse button is held now; false when not known.
  virtual bool LeftButtonDown() const { return false; }
  // How far the pointer's picture reaches below its hot spot, in pixels.
  virtual int CursorHeightBelowHotSpot() const { return kDefaultCursorHeight; }
  // A modal window of ours is shown or a pointer grab of the toolkit is held.
  virtual bool ModalState() const { return false; }

  static constexpr int kDefaultCursorHeight = 20;

  // `listener` hears of each change until the subscription goes. Listeners may
  // subscribe and unsubscribe while being told.
  TDesktopSubscription Subscribe(std::function<void(TDesktopChange)> listener);

 protected:
  // Tells every listener of `change`.
  void Notify(TDesktopChange change);

 private:
  std::shared_ptr<TDesktopSubscription::Listeners> m_listeners;
};

// The four element fonts derived from the desktop's one font: caption and
// small caption bold (the skin manager derives a plain small caption from an
// identical one), status and menu as given.
TFontSpec DerivedElementFont(const TFontSpec& desktopFont, TDesktopFont element);

// The index of the monitor nearest `rect`: the one sharing the largest area
// with it, else the one closest to it; 0 for an empty list.
std::size_t NearestMonitor(std::span<const TRect> monitors, const TRect& rect);

// The answers without a display: a fixed table of colours (a light theme),
// "Sans 9", no font families, the standard metrics, a 600 ms caret, no
// pointer ((-1,-1) through GetCursorPoint) and one 1024 x 768 monitor. Tests
// derive from it to change one answer.
class HeadlessDesktopService : public IDesktopService {
 public:
  TColor SystemColor(int index) const override;
  TFontSpec ElementFont(TDesktopFont element) const override;
  std::vector<std::string> FontFamilies() const override { return {}; }
  TDesktopMetrics Metrics() const override { return {}; }
  int CaretBlinkTime() const override { return 600; }
  std::optional<TPoint> CursorPos() const override { return std::nullopt; }
  TRect WorkArea(const TRect&) const override { return {0, 0, 1024, 768}; }

  // The headless colour of `index`, 0 outside 0..30.
  static TColor DefaultSystemColor(int index) noexcept;
};

// The process's desktop service: the headless one until a
// ScopedDesktopService installs another.
IDesktopService& CurrentDesktopService();

// Installs `service` for the life of the object and restores the one before
// it. `service` must outlive the object. Installers nest; drop them in reverse order.
class ScopedDesktopService {
 public:
  explicit ScopedDesktopService(IDesktopService& service) noexcept;
  ScopedDesktopService(const ScopedDesktopService&) = delete;
  ScopedDesktopService& operator=(const ScopedDesktopService&) = delete;
  ~ScopedDesktopService();

 private:
  IDesktopService* m_previous;
};

// The pointer position through the current service, (-1,-1) when not known.
TPoint GetCursorPoint();
// Fills `point` and answers true when the position is known; leaves it alone otherwise.
bool TryGetCursorPos(TPoint& point);

// A system colour resolved through the current service; other colours as they are.
TColor ColorToRGB(TColor color);

}  // namespace halbrin::platform
