#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"

namespace halbrin::skins {

using platform::TColor;
using platform::TFontSpec;
using platform::TRect;
using platform::TSize;

// --- Hint window -------------------------------------------------------------

struct TSkinHintOptions {
  bool shadow = true;
  // Flat: a button-shadow frame and the hint font's colour; else a button-face
  // frame and grey text.
  bool flat = true;
  std::uint8_t opacity = 255;

  friend bool operator==(const TSkinHintOptions&, const TSkinHintOptions&) = default;
};

// The hint rectangle, at the origin, for a text of `textSize`: 8 wider and 6
// taller than the text.
TRect HintTextRect(TSize textSize) noexcept;

// Where a hint asked for at `rect` goes: 7 pixels taller, pulled in from the
// right and bottom edges of `workArea`, never left of or above its origin, and
// with a shadow 4 pixels off the right edge when it touches it.
TRect PlaceHintRect(const TRect& rect, const TRect& workArea, bool shadow) noexcept;

class ISkinHintWindow {
 public:
  virtual ~ISkinHintWindow() = default;

  // Shows `text` at `rect` (placed with PlaceHintRect on the work area nearest
  // it) without taking the focus; a hint showing already moves there. A hint
  // not `enabled` shows its text grey.
  virtual void ShowAt(const TRect& rect, std::string_view text, bool enabled, const TSkinHintOptions& options) = 0;
  virtual void Hide() = 0;
  // Frees the window; a later ShowAt makes a new one.
  virtual void Release() = 0;
  // HintTextRect for `text` broken into lines of at most `maxWidth` pixels.
  virtual TRect HintRect(std::string_view text, int maxWidth) const = 0;
  virtual bool Showing() const = 0;
};

// --- Pop-up windows ----------------------------------------------------------

// A frameless window that never takes the focus. Parking hides it while the
// application is minimised and brings it back as it was; parking twice is
// the same as parking once, so nothing is lost.
class ISkinPopupWindow {
 public:
  virtual ~ISkinPopupWindow() = default;

  // Sets the bounds and shows the window (on unparking when parked).
  virtual void ShowAt(const TRect& rect) = 0;
  virtual void Hide() = 0;
  virtual void SetParked(bool parked) = 0;
  virtual bool Parked() const = 0;
  // Shown and not parked.
  virtual bool Visible() const = 0;
  virtual TRect Bounds() const = 0;
  // Requested opacity (255 opaque); it needs a compositor to show.
  virtual void SetOpacity(std::uint8_t opacity) = 0;
  virtual std::uint8_t Opacity() const = 0;
};

// The show, hide and park bookkeeping shared by every pop-up; a window layer
// supplies the native side.
class TSkinPopupWindowBase : public virtual ISkinPopupWindow {
 public:
  explicit TSkinPopupWindowBase(std::uint8_t opacity = 255) noexcept : m_opacity(opacity) {}

  void ShowAt(const TRect& rect) final;
  void Hide() final;
  void SetParked(bool parked) final;
  bool Parked() const final { return m_parked; }
  bool Visible() const final { return m_shown && !m_parked; }
  TRect Bounds() const final { return m_bounds; }
  void SetOpacity(std::uint8_t opacity) final;
  std::uint8_t Opacity() const final { return m_opacity; }

 protected:
  // The native window: show at `rect`, hide, take the opacity. Defaults do nothing.
  virtual void ShowNative(const TRect& /*rect*/) {}
  virtual void HideNative() {}
  virtual void ApplyOpacity(std::uint8_t /*opacity*/) {}

 private:
  void Apply();

  TRect m_bounds;
  bool m_shown = false;
  bool m_parked = false;
  bool m_nativeShown = false;
  std::uint8_t m_opacity;
};

// Default opacities of the indicators.
inline constexpr std::uint8_t kDockIndicatorOpacity = 128;
inline constexpr std::uint8_t kDragIndicatorOpacity = 160;
// Colour keys are not realised, so the dragged button's picture is drawn on white.
inline constexpr TColor kDragImageBackground = platform::RGBColor(255, 255, 255);

// Shows where a dragged band will dock: a coloured box with an optional
// centred one-line caption. Clicks pass through it.
class ISkinDockIndicator : public virtual ISkinPopupWindow {
 public:
  virtual void SetCaption(std::string caption) = 0;
  virtual void SetColor(TColor color) = 0;
  virtual void SetFont(const TFontSpec& font, TColor fontColor) = 0;
};

// The picture of a dragged button following the pointer. Clicks pass through it.
class ISkinDragIndicator : public virtual ISkinPopupWindow {
 public:
  virtual void SetImage(platform::TArgbImage image) = 0;
};

// --- In-place editor ---------------------------------------------------------

struct TItemEditResult {
  bool accepted = false;
  std::string text;
  // Accepted with a text other than the one the edit began with.
  bool changed = false;
};

// How an in-place edit ends: Enter and focus loss accept, Escape cancels,
// and only the first of them counts. The target is held weakly; once it is
// gone the edit can only cancel.
class TItemEditSession {
 public:
  using EndHandler = std::function<void(const TItemEditResult&)>;

  // Starts an edit of `startText`; an edit still going is cancelled first.
  void Begin(std::weak_ptr<const void> target, std::string startText, EndHandler onEnd);
  // Ends the edit with `text`; false when no edit was going.
  bool End(bool accept, const std::string& text);
  bool Active() const noexcept { return m_active; }
  bool TargetGone() const noexcept { return m_active && m_target.expired(); }
  const std::string& StartText() const noexcept { return m_startText; }

 private:
  bool m_active = false;
  std::weak_ptr<const void> m_target;
  std::string m_startText;
  EndHandler m_onEnd;
};

class ISkinItemEditor {
 public:
  virtual ~ISkinItemEditor() = default;

  // Edits `text` in a box at `rect` (screen coordinates) with the focus in it;
  // `onEnd` hears once how it ended. Deleting `target` cancels the edit.
  virtual void Edit(const TRect& rect, std::string text, const TFontSpec& font, std::weak_ptr<const void> target,
                    TItemEditSession::EndHandler onEnd) = 0;
  // Cancels an edit still going.
  virtual void Cancel() = 0;
  virtual bool Editing() const = 0;
};

// --- The factory -------------------------------------------------------------

// Makes the utility windows; the window layer implements it, the headless one
// makes windows that show nothing.
class ISkinPopupFactory {
 public:
  virtual ~ISkinPopupFactory() = default;

  virtual std::unique_ptr<ISkinHintWindow> CreateHintWindow() = 0;
  virtual std::unique_ptr<ISkinPopupWindow> CreatePopupWindow() = 0;
  virtual std::unique_ptr<ISkinDockIndicator> CreateDockIndicator() = 0;
  virtual std::unique_ptr<ISkinDragIndicator> CreateDragIndicator() = 0;
  virtual std::unique_ptr<ISkinItemEditor> CreateItemEditor() = 0;
};

// Windows that keep their state and show nothing. The hint measures no text;
// the editor ends only by Cancel or by a new Edit.
class HeadlessSkinPopupFactory : public ISkinPopupFactory {
 public:
  std::unique_ptr<ISkinHintWindow> CreateHintWindow() override;
  std::unique_ptr<ISkinPopupWindow> CreatePopupWindow() override;
  std::unique_ptr<ISkinDockIndicator> CreateDockIndicator() override;
  std::unique_ptr<ISkinDragIndicator> CreateDragIndicator() override;
  std::unique_ptr<ISkinItemEditor> CreateItemEditor() override;
};

// The process's factory: the headless one until a ScopedSkinPopupFactory
// installs another.
ISkinPopupFactory& CurrentSkinPopupFactory();

// Installs `factory` for the life of the object and restores the one before
// it. `factory` must outlive the object. Installers nest; drop them in reverse order.
class ScopedSkinPopupFactory {
 public:
  explicit ScopedSkinPopupFactory(ISkinPopupFactory& factory) noexcept;
  ScopedSkinPopupFactory(const ScopedSkinPopupFactory&) = delete;
  ScopedSkinPopupFactory& operator=(const ScopedSkinPopupFactory&) = delete;
  ~ScopedSkinPopupFactory();

 private:
  ISkinPopupFactory* m_previous;
};

}  // namespace halbrin::skins
