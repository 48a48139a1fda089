#pragma once

// The manager's mouse tracker: the hot and the pressed skin element (a skin
// button or a caption icon) with their screen rectangles. While one is set,
// application timers 1011 and 1012 poll the real pointer every 50 ms, so the
// looks follow the mouse even where the window hears nothing of it.

#include <cstdint>

#include "platform/classes/object.h"
#include "platform/graphics/geometry.h"

namespace halbrin::skins {

class TZebrinCustomSkin;
class TZebrinSkinManager;

inline constexpr int kMouseTimerHot = 1011;
inline constexpr int kMouseTimerPressed = 1012;
inline constexpr int kMousePollMs = 50;

class TZebrinSkinMouse {
 public:
  // Without a manager no timer is armed.
  explicit TZebrinSkinMouse(TZebrinSkinManager* manager = nullptr);
  virtual ~TZebrinSkinMouse();
  TZebrinSkinMouse(const TZebrinSkinMouse&) = delete;
  TZebrinSkinMouse& operator=(const TZebrinSkinMouse&) = delete;

  // Applies or removes the hot (pressed) look of the item; when on was
  // applied, takes the item's screen rectangle and arms the poll. True when applied.
  virtual bool SetHot(bool on);
  virtual bool SetPressed(bool on);
  // The polls: the hot look ends once the cursor leaves the rectangle; the
  // pressed look follows the cursor in and out while the left button is
  // held and ends at its release.
  virtual void CheckHot();
  virtual void CheckPressed();
  // The item's cursor (a button's or the icon's); true when one was set.
  virtual bool SetCursor(platform::TObject* item);

  // While locked CheckPressed does nothing. Unlock never goes below 0.
  void Lock() noexcept { ++m_lockCount; }
  void Unlock() noexcept {
    if (m_lockCount > 0) --m_lockCount;
  }
  bool IsLocked() const noexcept { return m_lockCount > 0; }

  // Null when none or freed.
  platform::TObject* HotItem() const { return m_hotItem.Get(); }
  platform::TObject* PressedItem() const { return m_pressedItem.Get(); }
  TZebrinCustomSkin* PressedSkin() const;
  const platform::TRect& HotRect() const noexcept { return m_hotRect; }
  const platform::TRect& PressedRect() const noexcept { return m_pressedRect; }
  // A different item: the old one's look goes, the new one's comes.
  void SetHotItem(platform::TObject* item);
  void SetPressedItem(platform::TObject* item, TZebrinCustomSkin* skin = nullptr);
  // Forget without touching the items' looks.
  void ResetHot();
  void ResetPressed();
  // The skin goes: forgets whatever of it the tracker holds.
  void ForgetSkin(const TZebrinCustomSkin& skin);
  // The item goes.
  void ForgetItem(const platform::TObject& item);

  // The skin an element of the tracker belongs to, or null.
  static TZebrinCustomSkin* SkinOf(const platform::TObject* item);

 private:
  // The look on the item; false when it does not take it.
  bool Apply(platform::TObject* item, bool hot, bool on);
  platform::TRect ScreenRect(const platform::TObject* item) const;
  platform::TPoint Cursor() const;

  TZebrinSkinManager* m_manager;
  int m_lockCount = 0;
  platform::TWeakRef<platform::TObject> m_hotItem;
  platform::TRect m_hotRect;
  platform::TWeakRef<platform::TObject> m_pressedItem;
  platform::TRect m_pressedRect;
  platform::TWeakRef<platform::TObject> m_pressedSkin;
};

}  // namespace halbrin::skins
