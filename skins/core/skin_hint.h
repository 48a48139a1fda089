#pragma once

// The manager's hint: follows the skin element under the mouse, waits, shows
// the hint window below the cursor and hides it again. Its timers are the
// manager's application timers 1004 (delay), 1005 (watch) and 1006 (auto-hide).

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/object.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/color.h"

namespace halbrin::skins {

class ISkinHintWindow;
class TZebrinCustomSkin;
class TZebrinSkinManager;

inline constexpr int kHintTimerDelay = 1004;
inline constexpr int kHintTimerWatch = 1005;
inline constexpr int kHintTimerAutoHide = 1006;
inline constexpr int kHintWatchMs = 50;
// The longest wait after which a move to a like element counts as a rest.
inline constexpr int kHintQuickMax = 333;

class TZebrinSkinHint : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinHint, platform::TPersistent)

  // Without a manager the hint keeps its settings and never shows.
  explicit TZebrinSkinHint(TZebrinSkinManager* manager = nullptr);
  ~TZebrinSkinHint() override;

  // Published.
  bool AutoHide() const noexcept { return m_autoHide; }
  void SetAutoHide(bool value) noexcept { m_autoHide = value; }
  int AutoHideDelay() const noexcept { return m_autoHideDelay; }
  void SetAutoHideDelay(int value) noexcept { m_autoHideDelay = value; }
  int Delay() const noexcept { return m_delay; }
  void SetDelay(int value) noexcept { m_delay = value; }
  int ShortDelay() const noexcept { return m_shortDelay; }
  void SetShortDelay(int value) noexcept { m_shortDelay = value; }
  bool DropShadow() const noexcept { return m_dropShadow; }
  void SetDropShadow(bool value) noexcept { m_dropShadow = value; }
  bool Enabled() const noexcept { return m_enabled; }
  // Off hides the hint.
  void SetEnabled(bool value);
  // True at the defaults (Enabled aside); writing true restores them, false does nothing.
  bool Default() const noexcept;
  void SetDefault(bool value);

  // The element under the mouse changed (null: none). Hides the hint and
  // arms 1004 with Delay, or ShortDelay after a rest on an element of the
  // same class. `skin` becomes the current skin.
  void Follow(platform::TObject* item, TZebrinCustomSkin* skin = nullptr);
  // The current item's hint text, through the skin's and the manager's
  // OnGetItemHint; sets the item-enabled flag.
  std::string GetHintText();
  // Shows `text` below the cursor; false for an empty text.
  bool Show(const std::string& text);
  void Hide();
  // Kills the timers and lets the window go.
  void Release();
  // The item changed: a showing hint for it takes the new text (an empty one hides it).
  void Refresh(const platform::TObject* item);

  // The timers' ticks (the manager dispatches them).
  void DelayElapsed();
  void Watch();
  void AutoHideElapsed() { Release(); }

  // The element followed, null when none or freed.
  platform::TObject* CurrentItem() const { return m_item.Get(); }
  TZebrinCustomSkin* CurrentSkin() const;
  bool ItemEnabled() const noexcept { return m_itemEnabled; }
  // The window, once made.
  ISkinHintWindow* Window() const noexcept { return m_window.get(); }
  bool Showing() const;
  // min(Delay / 2, 333).
  int QuickMs() const noexcept;

 private:
  void KillTimers();
  std::uint64_t Now() const;

  TZebrinSkinManager* m_manager;
  bool m_alphaBlend = false;
  std::uint8_t m_alphaValue = 255;
  bool m_autoHide = true;
  int m_autoHideDelay = 60000;
  int m_delay = 500;
  bool m_enabled = true;
  bool m_dropShadow = true;
  platform::TWeakRef<platform::TObject> m_item;
  bool m_itemEnabled = true;
  platform::TWeakRef<platform::TObject> m_skin;
  std::unique_ptr<ISkinHintWindow> m_window;
  int m_shortDelay = 50;
  std::uint64_t m_lastChange = 0;
  bool m_colorKey = false;
  platform::TColor m_keyColor = 0;
};

}  // namespace halbrin::skins
